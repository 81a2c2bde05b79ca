#include "engine/catalogue/table_rows.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "engine/catalogue/jet_catalogue.h"
#include "engine/storage/data_page.h"
#include "engine/storage/row_values.h"

namespace engine {

namespace {

std::vector<const ColumnDef*> FieldOrder(const TableDefinition& def) {
  std::vector<const ColumnDef*> order;
  order.reserve(def.columns.size());
  for (const ColumnDef& c : def.columns) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(),
                   [](const ColumnDef* a, const ColumnDef* b) { return a->number < b->number; });
  return order;
}

dao::RowColumn Describe(const ColumnDef& c, const FormatDescriptor& f) {
  const dao::FieldInfo info = DescribeColumn(c, f, {});
  return {info.name, info.type, info.size, {}};
}

// Why a row could not be read, as the user reads it.
std::string Reason(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e) || dynamic_cast<const std::length_error*>(&e))
    return "riga danneggiata (lunghezza impossibile)";
  return std::string("riga danneggiata (") + e.what() + ")";
}

}  // namespace

TableRows::TableRows(std::shared_ptr<PageReader> pages, uint16_t codePage, std::string name,
                     TableDefinition def, const std::vector<dao::FieldInfo>& fields,
                     const std::map<int32_t, ComplexStore>& stores, bool salvage)
    : pages_(std::move(pages)),
      codec_(pages_->Format().text, codePage),
      name_(std::move(name)),
      def_(std::move(def)),
      order_(FieldOrder(def_)),
      cursor_(*pages_, def_),
      salvage_(salvage) {
  const FormatDescriptor& f = pages_->Format();
  columns_.reserve(order_.size());
  for (size_t i = 0; i < order_.size(); ++i) {
    const ColumnDef& c = *order_[i];
    dao::RowColumn column;
    column.name = c.name;
    if (i < fields.size() && fields[i].name == c.name) {
      column.type = fields[i].type;
      column.size = fields[i].size;
    } else {
      column = Describe(c, f);
    }
    if (c.type == kColComplex) {
      auto store = stores.find(static_cast<int32_t>(c.misc));
      if (store == stores.end()) ThrowCorrupt("complex column without its hidden table");
      Complex& complex = complexes_[i];
      complex.flat = TableDefinition::Read(*pages_, store->second.flatPage, codec_);
      complex.attachment = column.type == dao::dbAttachment;
      const auto& user = store->second.userColumns;
      for (const std::string& name : user) {
        if (const ColumnDef* part = complex.flat.ColumnByName(name)) {
          complex.parts.push_back(part);
          column.parts.push_back(Describe(*part, f));
        }
      }
      for (const ColumnDef* part : FieldOrder(complex.flat))
        if (std::find(user.begin(), user.end(), part->name) == user.end() &&
            !part->IsAutoNumber() && part->type == kColLong)
          complex.key = part;
      if (!complex.key) ThrowCorrupt("hidden table without the key of its rows");
    }
    resultTypes_.push_back(c.IsCalculated() ? column.type : 0);
    columns_.push_back(std::move(column));
  }
}

void TableRows::Index(Complex& complex) {
  complex.indexed = true;
  RowCursor cursor(*pages_, complex.flat);
  dao::Value key;
  for (;;) {
    try {
      if (!cursor.Next()) break;
      DecodeValue(cursor.Row(), *complex.key, *pages_, codec_, key);
    } catch (const CorruptError& e) {
      // An unreadable row of the hidden table cannot be told to belong to any row: it is listed
      // with row 0.
      if (!salvage_) throw;
      const std::string where = cursor.PageFailed()
                                    ? "pagina " + std::to_string(cursor.Where().page)
                                    : "riga " + std::to_string(cursor.Position());
      lost_.push_back({0,
                       "elementi di un campo multivalore o allegato illeggibili (" + where +
                           " della tabella nascosta): " + Reason(e),
                       0});
      continue;
    }
    if (key.kind == dao::Value::Kind::kInt)
      complex.rowsByKey[static_cast<int32_t>(key.integer)].push_back(cursor.Where());
  }
}

void TableRows::ReadItems(Complex& complex, int32_t key, std::vector<dao::ComplexItem>& items) {
  items.clear();
  if (!complex.indexed) Index(complex);
  auto found = complex.rowsByKey.find(key);
  if (found == complex.rowsByKey.end()) return;
  for (RowPointer where : found->second) {
    PagePtr keep;
    DataPage page(pages_->Read(where.page), pages_->Format());
    if (where.row >= page.RowCount()) ThrowCorrupt("hidden table row moved");
    DataPage::Slot slot = page.Row(where.row);
    ByteView bytes = slot.bytes;
    if (slot.overflow) bytes = ReadRowAt(*pages_, RowPointer::FromRaw(bytes.U32(0)), keep);
    const DataRow row = DataRow::Parse(bytes, complex.flat, pages_->Format());
    dao::ComplexItem& item = items.emplace_back();
    item.values.resize(complex.parts.size());
    for (size_t k = 0; k < complex.parts.size(); ++k) {
      const ColumnDef& part = *complex.parts[k];
      item.names.push_back(part.name);
      dao::Value& v = item.values[k];
      DecodeValue(row, part, *pages_, codec_, v);
      if (complex.attachment && part.name == "FileData" && v.kind == dao::Value::Kind::kBytes)
        v.text = AttachmentFileBytes(
            ByteView(reinterpret_cast<const uint8_t*>(v.text.data()), v.text.size()));
    }
  }
}

void TableRows::ReadRow(std::vector<dao::Value>& row) {
  const DataRow& r = cursor_.Row();
  row.resize(order_.size());
  for (size_t i = 0; i < order_.size(); ++i) {
    dao::Value& v = row[i];
    DecodeValue(r, *order_[i], *pages_, codec_, v, resultTypes_[i]);
    if (order_[i]->type != kColComplex) continue;
    v.items.clear();
    if (v.kind == dao::Value::Kind::kInt)
      ReadItems(complexes_.at(i), static_cast<int32_t>(v.integer), v.items);
    v.kind = dao::Value::Kind::kComplex;
  }
}

void TableRows::CountMissing() {
  // Rows gone without a trace (a slot damaged into a deleted one, a page no longer marked as the
  // table's, a damaged usage map) show only against the count the definition keeps.
  const dao::LostCount lost = dao::CountLost(lost_);
  const int64_t accounted = rowsRead_ + lost.rows;
  if (def_.rowCount <= accounted) return;
  const int64_t missing = def_.rowCount - accounted;
  lost_.push_back({0,
                   std::to_string(missing) + (missing == 1 ? " riga mancante" : " righe mancanti") +
                       (lost.atLeast ? ", con quelle delle pagine illeggibili" : " senza traccia") +
                       ": la definizione della tabella ne conta " + std::to_string(def_.rowCount) +
                       ", lette " + std::to_string(rowsRead_) + ", illeggibili " +
                       std::to_string(lost.rows),
                   missing});
}

bool TableRows::Next(std::vector<dao::Value>& row) {
  for (;;) {
    try {
      if (!cursor_.Next()) {
        if (salvage_ && !counted_) CountMissing();
        counted_ = true;
        return false;
      }
      ReadRow(row);
      ++rowsRead_;
      return true;
    } catch (const std::exception& e) {
      if (!dynamic_cast<const CorruptError*>(&e) && !dynamic_cast<const std::bad_alloc*>(&e) &&
          !dynamic_cast<const std::length_error*>(&e))
        throw;
      if (cursor_.PageFailed()) {
        const std::string page = "pagina " + std::to_string(cursor_.Where().page);
        if (!salvage_)
          throw dao::Error(dao::kErrCorrupt, "Impossibile leggere la " + page + " della tabella '" +
                                                 name_ + "': " + e.what() + ".");
        lost_.push_back({0, page + " illeggibile, righe sconosciute: " + e.what(),
                         dao::LostRow::kUnknownRows});
        continue;
      }
      if (!salvage_)
        throw dao::Error(dao::kErrCorrupt, "Impossibile leggere la riga " +
                                               std::to_string(cursor_.Position()) +
                                               " della tabella '" + name_ + "': " + Reason(e) + ".");
      lost_.push_back({cursor_.Position(), Reason(e)});
    }
  }
}

}  // namespace engine
