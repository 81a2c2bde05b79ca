#include "documenter/sqlite_export.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cmath>
#include <memory>
#include <optional>

#include "documenter/data_values.h"
#include "documenter/output_file.h"

#include "engine/catalogue/name_compare.h"
namespace tavrek::doc {

namespace {

constexpr int64_t kProgressEvery = 5000;

// A failure of SQLite itself (the disk, the statements): becomes the `error` of ExportSqlite.
struct SqliteFailure {
  std::string message;
};

struct CloseDb {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct Finalize {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

class Exporter {
 public:
  Exporter(sqlite3* db, const SqlDialect& d) : db_(db), d_(d) {}

  void Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : sqlite3_errmsg(db_);
      sqlite3_free(message);
      throw SqliteFailure{text};
    }
  }

  Statement Prepare(const std::string& table, const std::vector<std::string>& columns) {
    std::string sql = "INSERT INTO " + QuoteIdentifier(d_, table) + " (";
    std::string marks;
    for (size_t i = 0; i < columns.size(); ++i) {
      sql += (i ? ", " : "") + QuoteIdentifier(d_, columns[i]);
      marks += i ? ", ?" : "?";
    }
    sql += ") VALUES (" + marks + ")";
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
      throw SqliteFailure{sqlite3_errmsg(db_)};
    return Statement(s);
  }

  void Step(sqlite3_stmt* s) {
    if (sqlite3_step(s) != SQLITE_DONE) throw SqliteFailure{sqlite3_errmsg(db_)};
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
  }

  void Bind(sqlite3_stmt* s, int at, const dao::Value& v, const std::string& table,
            const std::string& column, int64_t row) {
    auto fail = [&](const std::string& why) {
      throw DataError("valore non accettato da sqlite: tabella \"" + table + "\", colonna \"" + column +
                      "\", riga " + std::to_string(row) + ": " + why);
    };
    auto text = [&](const std::string& t) {
      return sqlite3_bind_text64(s, at, t.data(), t.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    };
    using K = dao::Value::Kind;
    int rc = SQLITE_OK;
    switch (v.kind) {
      case K::kNull:
      case K::kComplex: rc = sqlite3_bind_null(s, at); break;
      case K::kBool: rc = sqlite3_bind_int(s, at, v.boolean ? 1 : 0); break;
      case K::kInt: rc = sqlite3_bind_int64(s, at, v.integer); break;
      case K::kCurrency: rc = text(CurrencyText(v.integer)); break;
      case K::kDecimal: rc = text(DecimalText(v.decimal)); break;
      case K::kSingle:
      case K::kDouble:
        // SQLite keeps a NaN as Null.
        if (std::isnan(v.real)) fail("NaN (non è un numero) non rappresentabile");
        rc = sqlite3_bind_double(s, at, v.real);
        break;
      case K::kDateTime: {
        std::string t;
        int year = 0;
        if (!DateText(v.real, t, year))
          fail("data fuori dagli anni 100-9999 di Access (giorno " + ShortestDouble(v.real) + ")");
        rc = text(t);
        break;
      }
      case K::kDateTimeExtended:
      case K::kText: rc = text(v.text); break;
      case K::kBytes:
        rc = sqlite3_bind_blob64(s, at, v.text.data(), v.text.size(), SQLITE_TRANSIENT);
        break;
      case K::kGuid: rc = text(GuidText(v.guid, true)); break;
    }
    if (rc != SQLITE_OK) throw SqliteFailure{sqlite3_errmsg(db_)};
  }

 private:
  sqlite3* db_;
  const SqlDialect& d_;
};

void Run(dao::Database& source, const RowOpener& open, sqlite3* db, const DataOptions& options,
         std::vector<TableReport>& reports) {
  const SqlDialect& d = *FindSqlDialect("sqlite");
  std::vector<RequiredGap> gaps;
  const DdlParts parts = DataDdlParts(source, d, open, options.ddl, gaps);
  Exporter x(db, d);
  // The file becomes OUT only when complete: no journal is needed to protect it meanwhile.
  x.Exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA foreign_keys = OFF; BEGIN;");
  std::string indexes;
  DataProgress progress;
  progress.tables = parts.tables.size();
  for (const DdlTable& table : parts.tables) {
    std::unique_ptr<dao::RowSource> rows = open(table.name);
    const std::vector<dao::RowColumn> columns = rows->Columns();
    const std::vector<ChildTable> children = ChildTables(d, parts, table, columns);
    x.Exec(table.create);
    for (const ChildTable& c : children) x.Exec(c.create);
    indexes += table.indexes;

    std::vector<size_t> plain;
    std::vector<std::string> names;
    const std::vector<bool> required = RequiredColumns(table, columns);
    for (size_t i = 0; i < columns.size(); ++i) {
      if (IsComplexColumn(columns[i])) continue;
      plain.push_back(i);
      names.push_back(columns[i].name);
    }
    Statement insert = x.Prepare(table.name, names);
    std::vector<Statement> childInserts;
    for (const ChildTable& c : children) childInserts.push_back(x.Prepare(c.name, c.columnNames));

    TableReport report;
    report.name = table.name;
    for (const RequiredGap& g : gaps)
      if (engine::FoldName(g.table) == engine::FoldName(table.name)) report.gaps.push_back(g);
    progress.table = table.name;
    std::vector<dao::Value> row;
    while (rows->Next(row)) {
      const int64_t at = rows->RowsRead();
      for (size_t k = 0; k < plain.size(); ++k)
        if (required[plain[k]] && row[plain[k]].IsNull()) RefuseNull(d, table.name, names[k], at);
      for (size_t k = 0; k < plain.size(); ++k)
        x.Bind(insert.get(), static_cast<int>(k + 1), row[plain[k]], table.name, names[k], at);
      x.Step(insert.get());
      for (size_t ci = 0; ci < children.size(); ++ci) {
        const ChildTable& c = children[ci];
        sqlite3_stmt* s = childInserts[ci].get();
        const dao::Value& complex = row[c.column];
        for (size_t item = 0; item < complex.items.size(); ++item) {
          int col = 1;
          if (c.keyColumns.empty()) {
            sqlite3_bind_int64(s, col++, at);
          } else {
            for (size_t k = 0; k < c.keyColumns.size(); ++k)
              x.Bind(s, col++, row[c.keyColumns[k]], table.name, c.keyNames[k], at);
          }
          sqlite3_bind_int64(s, col++, static_cast<int64_t>(item + 1));
          const dao::ComplexItem& it = complex.items[item];
          for (const dao::RowColumn& part : c.parts) {
            static const dao::Value kNull;
            const dao::Value* v = &kNull;
            for (size_t n = 0; n < it.names.size() && n < it.values.size(); ++n)
              if (engine::FoldName(it.names[n]) == engine::FoldName(part.name)) v = &it.values[n];
            x.Bind(s, col++, *v, c.name, part.name, at);
          }
          x.Step(s);
        }
      }
      ++report.rows;
      if (options.progress && report.rows % kProgressEvery == 0) {
        progress.rows = report.rows;
        options.progress(progress);
      }
    }
    report.lost = rows->Lost();
    ++progress.tablesDone;
    progress.rows = report.rows;
    if (options.progress) options.progress(progress);
    reports.push_back(std::move(report));
  }
  if (!indexes.empty()) x.Exec(indexes);
  // The keys were not checked while the rows went in: a row pointing nowhere stops the export.
  sqlite3_stmt* check = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA foreign_key_check", -1, &check, nullptr) != SQLITE_OK)
    throw SqliteFailure{sqlite3_errmsg(db)};
  Statement checkOwner(check);
  if (sqlite3_step(check) == SQLITE_ROW) {
    const auto* table = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
    const auto* parent = reinterpret_cast<const char*>(sqlite3_column_text(check, 2));
    throw DataError("valore non accettato da sqlite: nella tabella \"" + std::string(table ? table : "") +
                    "\" una riga rimanda a una riga che non esiste in \"" +
                    std::string(parent ? parent : "") + "\"");
  }
  checkOwner.reset();
  if (!parts.views.empty()) x.Exec(parts.views);
  x.Exec("COMMIT;");
}

}  // namespace

bool ExportSqlite(dao::Database& source, const RowOpener& open, const std::string& path,
                  const DataOptions& options, std::vector<TableReport>& reports, std::string& error) {
  AtomicFile file;
  if (!file.Open(path, error) || !file.Close(error)) return false;  // SQLite writes it itself
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(file.TemporaryPath().c_str(), &raw,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::unique_ptr<sqlite3, CloseDb> db(raw);
  if (rc != SQLITE_OK) {
    error = "impossibile scrivere " + path + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
    return false;
  }
  try {
    Run(source, open, db.get(), options, reports);
  } catch (const SqliteFailure& f) {
    error = "impossibile scrivere " + path + ": " + f.message;
    return false;
  }
  if (sqlite3_close(db.release()) != SQLITE_OK) {
    error = "impossibile scrivere " + path + ": chiusura del database non riuscita";
    return false;
  }
  const int fd = ::open(file.TemporaryPath().c_str(), O_RDONLY);
  const bool synced = fd >= 0 && fsync(fd) == 0;
  if (fd >= 0) close(fd);
  if (!synced) {
    error = "impossibile scrivere " + path + ": " + std::strerror(errno);
    return false;
  }
  return file.Publish(error);
}

}  // namespace tavrek::doc
