#include "documenter/csv.h"

#include <charconv>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>

#include "documenter/data_script.h"
#include "documenter/json.h"
#include "documenter/output_file.h"
#include "documenter/vba_files.h"

#include "engine/catalogue/name_compare.h"
namespace tavrek::doc {

namespace {

using Kind = dao::Value::Kind;

void AppendHex(std::string& out, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  const size_t at = out.size();
  out.resize(at + 2 * bytes.size());
  char* p = out.data() + at;
  for (unsigned char b : bytes) {
    *p++ = kHex[b >> 4];
    *p++ = kHex[b & 0xF];
  }
}

template <class T>
void AppendNumber(std::string& out, T v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, end);
}

void AppendCurrency(std::string& out, int64_t amount) {
  dao::Decimal d;
  d.negative = amount < 0;
  const uint64_t magnitude = d.negative ? 0 - static_cast<uint64_t>(amount) : static_cast<uint64_t>(amount);
  d.digits = std::to_string(magnitude);
  d.scale = 4;
  out += d.ToString();
}

bool NeedsQuotes(std::string_view text) {
  return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendField(std::string& out, std::string_view text) {
  if (!NeedsQuotes(text)) {
    out.append(text);
    return;
  }
  out.push_back('"');
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

// A value inside the JSON array of a complex field.
void AppendJsonValue(std::string& out, const dao::Value& v) {
  switch (v.kind) {
    case Kind::kNull: out += "null"; return;
    case Kind::kBool: out += v.boolean ? "true" : "false"; return;
    case Kind::kInt:
    case Kind::kSingle:
    case Kind::kDouble: AppendCsvValue(out, v); return;
    default: {
      std::string text;
      AppendCsvValue(text, v);
      AppendJsonString(out, text);
    }
  }
}

void AppendItems(std::string& out, const std::vector<dao::ComplexItem>& items) {
  out.push_back('[');
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out.push_back(',');
    const dao::ComplexItem& item = items[i];
    if (item.values.size() == 1) {
      AppendJsonValue(out, item.values[0]);
      continue;
    }
    out.push_back('{');
    for (size_t k = 0; k < item.values.size(); ++k) {
      if (k) out.push_back(',');
      AppendJsonString(out, k < item.names.size() ? item.names[k] : std::string());
      out.push_back(':');
      AppendJsonValue(out, item.values[k]);
    }
    out.push_back('}');
  }
  out.push_back(']');
}

}  // namespace

void AppendCsvValue(std::string& out, const dao::Value& v) {
  switch (v.kind) {
    case Kind::kNull: return;
    case Kind::kBool: out += v.boolean ? "true" : "false"; return;
    case Kind::kInt: AppendNumber(out, v.integer); return;
    case Kind::kCurrency: AppendCurrency(out, v.integer); return;
    case Kind::kDecimal: out += v.decimal.ToString(); return;
    case Kind::kSingle: AppendNumber(out, static_cast<float>(v.real)); return;
    case Kind::kDouble: AppendNumber(out, v.real); return;
    case Kind::kDateTime: out += dao::IsoDateTime(v.real); return;
    case Kind::kDateTimeExtended:
    case Kind::kText: out += v.text; return;
    case Kind::kBytes: AppendHex(out, v.text); return;
    case Kind::kGuid: out += v.guid.ToString(); return;
    case Kind::kComplex: AppendItems(out, v.items); return;
  }
}

bool WriteCsvRows(dao::RowSource& rows, const std::function<bool(std::string_view)>& write,
                  const std::function<void(int64_t)>& progress) {
  constexpr size_t kChunk = 1 << 16;
  constexpr int64_t kProgressEvery = 4096;
  std::string out;
  out.reserve(2 * kChunk);
  const auto& columns = rows.Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) out.push_back(',');
    AppendField(out, columns[i].name);
  }
  out += "\r\n";
  std::vector<dao::Value> row;
  std::string text;
  while (rows.Next(row)) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) out.push_back(',');
      const dao::Value& v = row[i];
      // Text needs a look for characters to quote; numbers and dates never do.
      if (v.kind == Kind::kText || v.kind == Kind::kComplex) {
        text.clear();
        AppendCsvValue(text, v);
        AppendField(out, text);
      } else {
        AppendCsvValue(out, v);
      }
    }
    out += "\r\n";
    if (out.size() >= kChunk) {
      if (!write(out)) return false;
      out.clear();
    }
    if (progress && rows.RowsRead() % kProgressEvery == 0) progress(rows.RowsRead());
  }
  return write(out);
}

bool WriteCsvFiles(dao::Database& db, const std::string& dir, const CsvOptions& options,
                   std::ostream& err, std::string& error) {
  std::vector<std::string> names = options.tables;
  if (names.empty()) {
    for (const dao::TableDef& t : db.TableDefs())
      if (!t.IsSystem() && !t.IsLinked()) names.push_back(t.Name());
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    error = "impossibile creare la cartella " + dir + ": " + ec.message();
    return false;
  }
  std::map<std::string, int> taken;  // lower-case file names already used
  std::vector<std::unique_ptr<AtomicFile>> files;
  for (size_t t = 0; t < names.size(); ++t) {
    std::unique_ptr<dao::RowSource> rows = db.OpenRows(names[t], options.salvage);
    const std::string base = SafeFileName(rows->TableName());
    std::string file = base + ".csv";
    for (int n = 2; taken.count(engine::FoldName(file)); ++n) file = base + "~" + std::to_string(n) + ".csv";
    taken[engine::FoldName(file)] = 1;
    auto& out = files.emplace_back(std::make_unique<AtomicFile>());
    if (!out->Open((std::filesystem::path(dir) / file).string(), error)) return false;
    auto show = [&](int64_t done) {
      err << "\r" << "tabella " << (t + 1) << " di " << names.size() << ", righe " << done
          << "   " << std::flush;
    };
    std::function<void(int64_t)> progress;
    if (options.progress) progress = show;
    if (!WriteCsvRows(*rows, [&](std::string_view s) { return out->Write(s, error); }, progress))
      return false;
    if (!out->Close(error)) return false;
    if (options.progress) show(rows->RowsRead());
    if (!rows->Lost().empty()) {
      if (options.progress) err << '\n';
      ReportLostRows(rows->TableName(), rows->Lost(), rows->RowsRead(), err);
    }
  }
  if (options.progress && !names.empty()) err << '\n';
  for (auto& f : files)
    if (!f->Publish(error)) return false;
  return true;
}

}  // namespace tavrek::doc
