#include "engine/dao.h"

#include "engine/catalogue/connect_string.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <cmath>

#include "engine/catalogue/name_compare.h"
#include "engine/rows.h"

namespace dao {

Error::Error(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

void ThrowItemNotFound() { throw Error(kErrItemNotFound, "Elemento non trovato in questo insieme."); }

namespace {

[[noreturn]] void ThrowClosed() {
  throw Error(kErrObjectClosed, "Oggetto non valido o non più impostato.");
}

// Days from 1 March of year 0 to the civil date, and back (proleptic Gregorian).
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long yy = static_cast<long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a == b || engine::FoldName(a) == engine::FoldName(b);
}

// Positions of `items` in catalogue order: by name, in the default order of names; equal names
// keep the order they came in.
template <class T>
std::vector<size_t> OrderByName(const std::vector<T>& items) {
  std::vector<size_t> order(items.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return engine::NameLess(items[a].name, items[b].name);
  });
  return order;
}

// Positions 0 .. count - 1 in the order they came in.
std::vector<size_t> SourceOrder(size_t count) {
  std::vector<size_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = i;
  return order;
}

}  // namespace

DateTime::Parts DateTime::Split() const {
  Parts p{1899, 12, 30, 0, 0, 0};
  if (!std::isfinite(days) || days > 2958466.0 || days < -657435.0) return p;  // outside 100..9999
  // Access stores times before 1899-12-30 with a negative day and a positive time fraction.
  double whole = std::trunc(days);
  double frac = std::fabs(days - whole);
  long secs = std::lround(frac * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    whole += days < 0 ? -1 : 1;
  }
  long base = DaysFromCivil(1899, 12, 30);
  CivilFromDays(base + static_cast<long>(whole), p.year, p.month, p.day);
  p.hour = static_cast<int>(secs / 3600);
  p.minute = static_cast<int>(secs / 60 % 60);
  p.second = static_cast<int>(secs % 60);
  return p;
}

std::string DateTime::Iso() const {
  const Parts p = Split();
  // Split keeps every part within its range (years 100..9999): fixed-width digits suffice.
  std::string out = "0000-00-00T00:00:00";
  auto put = [&out](size_t at, int value, int width) {
    for (int k = width - 1; k >= 0; --k, value /= 10)
      out[at + static_cast<size_t>(k)] = static_cast<char>('0' + value % 10);
  };
  put(0, p.year, 4);
  put(5, p.month, 2);
  put(8, p.day, 2);
  put(11, p.hour, 2);
  put(14, p.minute, 2);
  put(17, p.second, 2);
  return out;
}

Properties MakeProperties(std::vector<PropertyInfo> infos) {
  if (infos.empty()) return Properties();  // most fields of most files
  std::vector<Property> items;
  items.reserve(infos.size());
  for (auto& p : infos) items.emplace_back(std::move(p));
  return Properties(std::move(items));
}

const Property* FindProperty(const Properties& properties, std::string_view name) {
  const std::string wanted(name);
  for (const Property& p : properties)
    if (EqualNoCase(p.Name(), wanted)) return &p;
  return nullptr;
}

Field::Field(FieldInfo&& info)
    : info_(std::move(info)), properties_(MakeProperties(std::exchange(info_.properties, {}))) {}

Index::Index(const IndexInfo& info) : info_(info) {
  std::vector<IndexField> fields;
  fields.reserve(info.fields.size());
  for (size_t i = 0; i < info.fields.size(); ++i)
    fields.emplace_back(info.fields[i], i < info.descending.size() && info.descending[i]);
  fields_ = Collection<IndexField>(std::move(fields));
}

Relation::Relation(RelationInfo info) : info_(std::move(info)) {
  std::vector<Field> fields;
  for (const auto& pair : info_.fields) fields.emplace_back(pair);
  fields_ = Collection<Field>(std::move(fields));
}

Container::Container(ContainerInfo info) : name_(std::move(info.name)) {
  std::vector<Document> documents;
  for (auto& d : info.documents) documents.emplace_back(std::move(d));
  documents_ = Collection<Document>(std::move(documents));
}

const Properties& TableDef::Properties() const {
  if (properties_) return *properties_;
  auto db = db_.lock();
  if (!db) {
    // A table description made without a database (tests, tools) has no stored properties.
    properties_ = dao::Properties();
    return *properties_;
  }
  properties_ = MakeProperties(db->Source().LoadTableProperties(sourceIndex_));
  return *properties_;
}

QueryDef::QueryDef(QueryInfo info, std::weak_ptr<Database> db, size_t sourceIndex)
    : info_(std::move(info)), db_(std::move(db)), sourceIndex_(sourceIndex) {}

std::string QueryDef::SQL() const {
  if (sql_) return *sql_;
  auto db = db_.lock();
  if (!db || !db->open_) ThrowClosed();
  sql_ = db->source_ ? db->source_->LoadSql(sourceIndex_) : std::string();
  return *sql_;
}

const Collection<Parameter>& QueryDef::Parameters() const {
  if (parameters_) return *parameters_;
  auto db = db_.lock();
  if (!db) ThrowClosed();
  std::vector<Parameter> items;
  for (auto& p : db->Source().LoadParameters(sourceIndex_)) items.emplace_back(std::move(p));
  parameters_ = Collection<Parameter>(std::move(items));
  return *parameters_;
}

std::vector<engine::QueryRow> QueryDef::StoredRows() const {
  auto db = db_.lock();
  if (!db || !db->open_) ThrowClosed();
  return db->source_ ? db->source_->LoadQueryRows(sourceIndex_) : std::vector<engine::QueryRow>();
}

uint32_t QueryDef::ObjectFlags() const {
  auto db = db_.lock();
  if (!db || !db->open_) ThrowClosed();
  return db->source_ ? db->source_->LoadQueryObjectFlags(sourceIndex_) : 0;
}

std::string QueryDef::DesignLayout() const {
  auto db = db_.lock();
  if (!db || !db->open_) ThrowClosed();
  return db->source_ ? db->source_->LoadQueryLayout(sourceIndex_) : std::string();
}

const Properties& QueryDef::Properties() const {
  if (properties_) return *properties_;
  auto db = db_.lock();
  if (!db) ThrowClosed();
  properties_ = MakeProperties(db->Source().LoadQueryProperties(sourceIndex_));
  return *properties_;
}

std::vector<std::pair<std::string, std::vector<PropertyInfo>>> QueryDef::ColumnProperties() const {
  auto db = db_.lock();
  if (!db) ThrowClosed();
  return db->Source().LoadQueryColumnProperties(sourceIndex_);
}

bool QueryDef::HasOperationRow() const {
  auto db = db_.lock();
  if (!db) ThrowClosed();
  return db->Source().LoadQueryHasOperationRow(sourceIndex_);
}

Recordset::Recordset(const TableInfo& info, TableDetail detail)
    : info_(info), recordCount_(detail.recordCount) {
  std::vector<Field> fields;
  fields.reserve(detail.fields.size());
  for (auto& f : detail.fields) fields.emplace_back(std::move(f));
  fields_ = Collection<Field>(std::move(fields));
  std::vector<Index> indexes;
  indexes.reserve(detail.indexes.size());
  for (const auto& i : detail.indexes) indexes.emplace_back(i);
  indexes_ = Collection<Index>(std::move(indexes));
}

void Recordset::CheckOpen() const {
  if (!open_) ThrowClosed();
}
const std::string& Recordset::Name() const { CheckOpen(); return info_.name; }
int32_t Recordset::RecordCount() const { CheckOpen(); return recordCount_; }
DateTime Recordset::DateCreated() const { CheckOpen(); return info_.dateCreated; }
DateTime Recordset::LastUpdated() const { CheckOpen(); return info_.lastUpdated; }
const Collection<Field>& Recordset::Fields() const { CheckOpen(); return fields_; }
const Collection<Index>& Recordset::Indexes() const { CheckOpen(); return indexes_; }

std::shared_ptr<Database> Database::Create(std::string name, std::vector<TableInfo> tables,
                                           std::vector<QueryInfo> queries,
                                           std::unique_ptr<CatalogueSource> source) {
  std::shared_ptr<Database> db(new Database());
  db->name_ = std::move(name);
  db->source_ = std::move(source);

  const bool keep = db->source_ && db->source_->InCatalogueOrder();
  std::vector<TableDef> tdefs;
  tdefs.reserve(tables.size());
  for (size_t i : keep ? SourceOrder(tables.size()) : OrderByName(tables)) {
    // The first of two tables whose names differ only in case is the one found by name.
    db->tableByName_.emplace(engine::FoldName(tables[i].name), tdefs.size());
    tdefs.emplace_back(tables[i], db, i);
    db->tableSourceIndex_.push_back(i);
  }
  db->tables_ = Collection<TableDef>(std::move(tdefs));

  std::vector<QueryDef> qdefs;
  qdefs.reserve(queries.size());
  for (size_t i : keep ? SourceOrder(queries.size()) : OrderByName(queries))
    qdefs.emplace_back(queries[i], db, i);
  db->queries_ = Collection<QueryDef>(std::move(qdefs));
  return db;
}

void Database::CheckOpen() const {
  if (!open_) ThrowClosed();
}
const std::string& Database::Name() const { CheckOpen(); return name_; }
std::string Database::Format() const { CheckOpen(); return source_ ? source_->Format() : ""; }
const Collection<TableDef>& Database::TableDefs() const { CheckOpen(); return tables_; }
const Collection<QueryDef>& Database::QueryDefs() const { CheckOpen(); return queries_; }

namespace {
// A source for a database made without one: nothing is stored.
class EmptySource : public CatalogueSource {
 public:
  std::string Format() const override { return ""; }
  TableDetail LoadTable(size_t) override { return {}; }
  std::string LoadSql(size_t) override { return {}; }
};
}  // namespace

CatalogueSource& Database::Source() const {
  CheckOpen();
  if (source_) return *source_;
  static EmptySource empty;
  return empty;
}

const Properties& Database::Properties() const {
  if (!properties_) properties_ = MakeProperties(Source().LoadDatabaseProperties());
  CheckOpen();
  return *properties_;
}

const Collection<Relation>& Database::Relations() const {
  if (!relations_) {
    std::vector<Relation> items;
    for (auto& r : Source().LoadRelations()) items.emplace_back(std::move(r));
    relations_ = Collection<Relation>(std::move(items));
  }
  CheckOpen();
  return *relations_;
}

const Collection<Container>& Database::Containers() const {
  if (!containers_) {
    std::vector<Container> items;
    for (auto& c : Source().LoadContainers()) items.emplace_back(std::move(c));
    containers_ = Collection<Container>(std::move(items));
  }
  CheckOpen();
  return *containers_;
}

namespace {

[[noreturn]] void ThrowLinked(const TableDef& t) {
  // The source names its server and user; a password in it is never shown.
  std::string src = MaskConnectPasswords(t.Info().linkSource);
  if (!t.Info().foreignName.empty()) src += " (" + t.Info().foreignName + ")";
  throw Error(kErrInvalidOperation,
              "Operazione non valida: la tabella '" + t.Name() +
                  "' è collegata da un'altra origine dati" + (src.empty() ? "" : ": " + src) + ".");
}

}  // namespace

TableDetail Database::DescribeTable(const TableDef& table) {
  CheckOpen();
  // A table of this database: its place in the collection is its place in the source.
  const std::less<const TableDef*> before;
  const TableDef* const first = tables_.Count() ? &tables_.Item(0) : nullptr;
  if (!first || before(&table, first) || !before(&table, first + tables_.Count()))
    ThrowItemNotFound();
  if (table.IsLinked()) ThrowLinked(table);
  const auto i = static_cast<size_t>(&table - first);
  return source_ ? source_->LoadTable(tableSourceIndex_[i]) : TableDetail{};
}

std::shared_ptr<Recordset> Database::OpenRecordset(const std::string& name, int type) {
  CheckOpen();
  if (type != dbOpenTable) throw Error(3001, "Argomento non valido.");
  if (auto found = tableByName_.find(engine::FoldName(name)); found != tableByName_.end()) {
    const size_t i = found->second;
    const TableDef& t = tables_.Item(static_cast<int>(i));
    if (t.IsLinked()) ThrowLinked(t);
    TableDetail detail;
    if (source_) detail = source_->LoadTable(tableSourceIndex_[i]);
    auto rs = std::make_shared<Recordset>(t.Info(), std::move(detail));
    // Recordsets closed by their holders are forgotten now and then, not at every open: a
    // program that opens every table of a large database stays linear.
    if (recordsets_.size() >= sweepAt_) {
      std::erase_if(recordsets_, [](const std::weak_ptr<Recordset>& w) { return w.expired(); });
      sweepAt_ = std::max<size_t>(16, 2 * recordsets_.size());
    }
    recordsets_.push_back(rs);
    return rs;
  }
  throw Error(kErrItemNotFound, "Elemento non trovato in questo insieme.");
}

std::unique_ptr<RowSource> CatalogueSource::LoadRows(size_t /*index*/, bool /*salvage*/) {
  throw Error(kErrInvalidOperation, "Operazione non valida: le righe delle tabelle non sono disponibili.");
}

std::unique_ptr<RowSource> Database::OpenRows(const std::string& table, bool salvage) {
  CheckOpen();
  auto found = tableByName_.find(engine::FoldName(table));
  if (found == tableByName_.end())
    throw Error(kErrTableNotFound,
                "Il motore di database non trova la tabella di input '" + table +
                    "'. Verificare che esista e che il nome sia digitato correttamente.");
  const TableDef& t = tables_.Item(static_cast<int>(found->second));
  if (t.IsLinked()) ThrowLinked(t);
  if (!source_) ThrowClosed();
  return source_->LoadRows(tableSourceIndex_[found->second], salvage);
}

void Database::Close() {
  if (!open_) return;
  open_ = false;
  for (auto& w : recordsets_)
    if (auto rs = w.lock()) rs->Close();
  recordsets_.clear();
  source_.reset();
}

std::string PasswordFromConnect(const std::string& connect) {
  // ";pw" — everything after the first semicolon when the text starts with one.
  if (!connect.empty() && connect[0] == ';') {
    std::string rest = connect.substr(1);
    // Also accept ";PWD=pw".
    if (rest.size() >= 4 && (rest[0] == 'P' || rest[0] == 'p') && (rest[1] == 'W' || rest[1] == 'w') &&
        (rest[2] == 'D' || rest[2] == 'd') && rest[3] == '=')
      return rest.substr(4);
    return rest;
  }
  // "MS Access;PWD=pw[;...]"
  std::string upper = connect;
  for (char& c : upper) c = static_cast<char>((c >= 'a' && c <= 'z') ? c - 32 : c);
  auto pos = upper.find("PWD=");
  if (pos == std::string::npos) return {};
  auto end = connect.find(';', pos + 4);
  return connect.substr(pos + 4, end == std::string::npos ? std::string::npos : end - pos - 4);
}

}  // namespace dao
