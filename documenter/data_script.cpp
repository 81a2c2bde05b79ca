#include "documenter/data_script.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>

#include "documenter/data_values.h"

#include "engine/catalogue/name_compare.h"
namespace tavrek::doc {

namespace {

constexpr int64_t kProgressEvery = 5000;

std::string Replace(std::string text, std::string_view key, const std::string& value) {
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
  return text;
}

// Where a value comes from, for the message of a DataError.
struct Where {
  const SqlDialect& dialect;
  const std::string& table;
  const std::string& column;
  int64_t row;
  [[noreturn]] void Fail(const std::string& why) const {
    throw DataError("valore non accettato da " + std::string(dialect.name) + ": tabella \"" + table +
                    "\", colonna \"" + column + "\", riga " + std::to_string(row) + ": " + why);
  }
};

// Values as the script writes them: SQL literals, or fields of PostgreSQL's COPY text format.
class ValueWriter {
 public:
  explicit ValueWriter(const SqlDialect& d) : d_(d), copy_(d.rowLoad == RowLoad::kCopyText) {}

  void Append(std::string& out, const dao::Value& v, const Where& where) const {
    using K = dao::Value::Kind;
    switch (v.kind) {
      case K::kNull: out += copy_ ? "\\N" : "NULL"; return;
      case K::kBool:
        out += copy_ ? (v.boolean ? d_.copyTrue : d_.copyFalse)
                     : (v.boolean ? d_.literalTrue : d_.literalFalse);
        return;
      case K::kInt: out += std::to_string(v.integer); return;
      case K::kCurrency: out += CurrencyText(v.integer); return;
      case K::kDecimal: out += DecimalText(v.decimal); return;
      case K::kSingle:
        Real(out, v.real, true, where);
        return;
      case K::kDouble:
        Real(out, v.real, false, where);
        return;
      case K::kDateTime: {
        std::string text;
        int year = 0;
        if (!DateText(v.real, text, year))
          where.Fail("data fuori dagli anni 100-9999 di Access (giorno " + ShortestDouble(v.real) + ")");
        if (year < d_.minYear)
          where.Fail("data " + text + " prima dell'anno " + std::to_string(d_.minYear) +
                     ", il primo che il server accetta");
        Quoted(out, text);
        return;
      }
      case K::kDateTimeExtended: {
        std::string text = v.text;
        const size_t point = text.find('.');
        if (point != std::string::npos &&
            text.size() > point + 1 + static_cast<size_t>(d_.extendedFractionDigits))
          text.resize(point + 1 + static_cast<size_t>(d_.extendedFractionDigits));
        int year = 0;
        for (size_t i = 0; i < 4 && i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
          year = year * 10 + (text[i] - '0');
        if (year < d_.minYear)
          where.Fail("data " + text + " prima dell'anno " + std::to_string(d_.minYear) +
                     ", il primo che il server accetta");
        Quoted(out, text);
        return;
      }
      case K::kText: Text(out, v.text, where); return;
      case K::kBytes:
        out += d_.bytesOpen;
        out += Hex(v.text);
        out += d_.bytesClose;
        return;
      case K::kGuid: Quoted(out, GuidText(v.guid, d_.guidBraces)); return;
      case K::kComplex: out += copy_ ? "\\N" : "NULL"; return;  // kept in its child table
    }
  }

 private:
  void Real(std::string& out, double value, bool single, const Where& where) const {
    if (std::isnan(value)) {
      if (d_.nanText.empty()) where.Fail("NaN (non è un numero) non rappresentabile");
      Quoted(out, std::string(d_.nanText));
      return;
    }
    if (std::isinf(value)) {
      const std::string_view text = value > 0 ? d_.infinityText : d_.minusInfinityText;
      if (text.empty()) where.Fail("valore infinito non rappresentabile");
      if (copy_ || text.find_first_not_of("+-0123456789e") == std::string_view::npos) out += text;
      else Quoted(out, std::string(text));
      return;
    }
    out += single && d_.singleAsFloat ? ShortestFloat(static_cast<float>(value)) : ShortestDouble(value);
  }

  // Text that needs no escaping beyond quotes (dates, GUIDs, numbers' words).
  void Quoted(std::string& out, const std::string& text) const {
    if (copy_) {
      out += text;
    } else {
      out += '\'';
      out += text;
      out += '\'';
    }
  }

  void Text(std::string& out, const std::string& text, const Where& where) const {
    const bool hasNul = text.find('\0') != std::string::npos;
    if (hasNul && !d_.textHoldsNul)
      where.Fail("il testo contiene il carattere NUL (U+0000), che il server non può conservare");
    if (copy_) {
      for (char c : text) {
        switch (c) {
          case '\\': out += "\\\\"; break;
          case '\n': out += "\\n"; break;
          case '\r': out += "\\r"; break;
          case '\t': out += "\\t"; break;
          default: out += c;
        }
      }
      return;
    }
    if (!d_.hexTextFor.empty() && text.find_first_of(d_.hexTextFor) != std::string::npos) {
      out += d_.hexTextOpen;
      out += Hex(text);
      out += d_.hexTextClose;
      return;
    }
    out += '\'';
    for (char c : text) {
      if (c == '\'') {
        out += "''";
      } else if (d_.backslashEscapes && c == '\\') {
        out += "\\\\";
      } else if (d_.backslashEscapes && c == '\0') {
        out += "\\0";
      } else if (d_.backslashEscapes && c == '\r') {
        out += "\\r";  // the client would take CR LF for a line end
      } else if (d_.backslashEscapes && c == '\n') {
        out += "\\n";
      } else if (d_.backslashEscapes && c == '\x1a') {
        out += "\\Z";  // Ctrl-Z ends a file on Windows clients
      } else {
        out += c;
      }
    }
    out += '\'';
  }

  const SqlDialect& d_;
  const bool copy_;
};

// Rows of one statement target, written as the dialect loads them.
class RowStatements {
 public:
  RowStatements(const SqlDialect& d, std::ostream& out, std::string table,
                const std::vector<std::string>& columns)
      : d_(d), out_(out) {
    head_ = QuoteIdentifier(d, table) + " (";
    for (size_t i = 0; i < columns.size(); ++i)
      head_ += (i ? ", " : "") + QuoteIdentifier(d, columns[i]);
    head_ += ")";
  }
  // A row's fields, already written by ValueWriter and separated by Separator().
  void Add(const std::string& fields) {
    switch (d_.rowLoad) {
      case RowLoad::kInsertInTransaction:
        out_ << "INSERT INTO " << head_ << " VALUES (" << fields << ");\n";
        break;
      case RowLoad::kCopyText:
        if (!open_) out_ << "COPY " << head_ << " FROM stdin;\n";
        open_ = true;
        out_ << fields << '\n';
        break;
      case RowLoad::kMultiRowInsert:
        if (!open_) {
          out_ << "INSERT INTO " << head_ << " VALUES\n(" << fields << ')';
          batch_ = head_.size() + fields.size();
        } else {
          out_ << ",\n(" << fields << ')';
          batch_ += fields.size() + 4;
        }
        open_ = true;
        if (batch_ >= d_.insertBatchBytes) Close();
        break;
    }
  }
  void Close() {
    if (!open_) return;
    out_ << (d_.rowLoad == RowLoad::kCopyText ? "\\.\n" : ";\n");
    open_ = false;
  }
  const char* Separator() const { return d_.rowLoad == RowLoad::kCopyText ? "\t" : ", "; }

 private:
  const SqlDialect& d_;
  std::ostream& out_;
  std::string head_;
  bool open_ = false;
  size_t batch_ = 0;
};

}  // namespace

std::vector<RequiredGap> FindRequiredGaps(dao::Database& db, const RowOpener& open, const DdlOptions& options) {
  std::vector<RequiredGap> out;
  const auto& defs = db.TableDefs();
  for (int i = 0; i < defs.Count(); ++i) {
    const dao::TableDef& def = defs.Item(i);
    if (def.IsSystem() || def.IsLinked()) continue;
    if (!options.tables.empty() &&
        std::none_of(options.tables.begin(), options.tables.end(),
                     [&](const std::string& n) { return engine::FoldName(n) == engine::FoldName(def.Name()); }))
      continue;
    // The Required fields (Yes/No is never Null) and whether "" is refused too.
    std::vector<std::pair<std::string, bool>> required;
    auto rs = db.OpenRecordset(def.Name(), dao::dbOpenTable);
    for (const dao::Field& f : rs->Fields())
      if (f.Required() && f.Type() != dao::dbBoolean)
        required.emplace_back(f.Name(), (f.Type() == dao::dbText || f.Type() == dao::dbMemo) && !f.AllowZeroLength());
    rs.reset();
    if (required.empty()) continue;
    std::unique_ptr<dao::RowSource> rows = open(def.Name());
    const std::vector<dao::RowColumn> columns = rows->Columns();
    std::vector<std::pair<size_t, RequiredGap>> seen;  // column position, its counts
    for (const auto& [name, noEmpty] : required)
      for (size_t c = 0; c < columns.size(); ++c)
        if (!IsComplexColumn(columns[c]) && engine::FoldName(columns[c].name) == engine::FoldName(name))
          seen.push_back({c, RequiredGap{def.Name(), columns[c].name, 0, noEmpty ? 0 : -1}});
    std::vector<dao::Value> row;
    while (rows->Next(row))
      for (auto& [c, gap] : seen) {
        if (row[c].IsNull()) ++gap.nulls;
        else if (gap.empties >= 0 && row[c].kind == dao::Value::Kind::kText && row[c].text.empty()) ++gap.empties;
      }
    for (auto& [c, gap] : seen) {
      gap.empties = std::max<int64_t>(gap.empties, 0);
      if (gap.nulls > 0 || gap.empties > 0) out.push_back(std::move(gap));
    }
  }
  return out;
}

DdlParts DataDdlParts(dao::Database& db, const SqlDialect& d, const RowOpener& open, const DdlOptions& options,
                      std::vector<RequiredGap>& gaps) {
  DdlOptions relaxed = options;
  relaxed.requiredGaps = FindRequiredGaps(db, open, options);
  gaps = relaxed.requiredGaps;
  return WriteDdlParts(db, d, relaxed);
}

static std::vector<RequiredGap> GapsOf(const std::vector<RequiredGap>& gaps, const std::string& table) {
  std::vector<RequiredGap> out;
  for (const RequiredGap& g : gaps)
    if (engine::FoldName(g.table) == engine::FoldName(table)) out.push_back(g);
  return out;
}

std::vector<bool> RequiredColumns(const DdlTable& table, const std::vector<dao::RowColumn>& columns) {
  std::vector<bool> out;
  for (const auto& c : columns)
    out.push_back(std::any_of(table.notNull.begin(), table.notNull.end(),
                              [&](const std::string& n) { return engine::FoldName(n) == engine::FoldName(c.name); }));
  return out;
}

void RefuseNull(const SqlDialect& d, const std::string& table, const std::string& column, int64_t row) {
  Where{d, table, column, row}.Fail(
      "nessun valore (Null) in un campo obbligatorio: il campo è stato reso obbligatorio in Access "
      "dopo che la riga era stata scritta");
}

std::vector<int> DecimalScales(const SqlDialect& d, const DdlTable& table,
                               const std::vector<dao::RowColumn>& columns) {
  std::vector<int> out(columns.size(), -1);
  if (!d.decimalScaleEnforced) return out;
  for (size_t i = 0; i < columns.size(); ++i)
    for (const auto& [name, scale] : table.decimalScales)
      if (engine::FoldName(name) == engine::FoldName(columns[i].name)) out[i] = scale;
  return out;
}

void CheckDecimalScale(const SqlDialect& d, const dao::Value& v, int scale, const std::string& table,
                       const std::string& column, int64_t row) {
  if (scale < 0 || v.kind != dao::Value::Kind::kDecimal || v.decimal.scale <= scale) return;
  // The digits past the declared scale, the last `extra` of the unscaled digits.
  const size_t extra = static_cast<size_t>(v.decimal.scale - scale);
  const std::string& digits = v.decimal.digits;
  const size_t from = digits.size() > extra ? digits.size() - extra : 0;
  if (digits.find_first_not_of('0', from) == std::string::npos) return;
  Where{d, table, column, row}.Fail("il numero " + DecimalText(v.decimal) + " ha più di " +
                                    std::to_string(scale) +
                                    " cifre decimali, quante ne dichiara il campo: il server lo arrotonderebbe");
}

bool IsComplexColumn(const dao::RowColumn& column) {
  return !column.parts.empty() || column.type >= dao::dbAttachment;
}

std::vector<ChildTable> ChildTables(const SqlDialect& d, const DdlParts& parts, const DdlTable& table,
                                    const std::vector<dao::RowColumn>& columns) {
  std::vector<ChildTable> out;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!IsComplexColumn(columns[i])) continue;
    ChildTable c;
    c.name = table.name + "_" + columns[i].name;
    c.column = i;
    c.parts = columns[i].parts;
    if (IdentifierTooLong(d, c.name))
      throw DdlError("nome troppo lungo per " + std::string(d.name) + " (tabella dei valori del campo \"" +
                     columns[i].name + "\" di \"" + table.name + "\"): \"" + c.name + "\" supera " +
                     std::to_string(d.maxIdentifierLength) +
                     (d.identifierUnit == IdentifierUnit::kBytes ? " byte" : " caratteri"));
    for (const DdlTable& other : parts.tables)
      if (engine::FoldName(other.name) == engine::FoldName(c.name))
        throw DdlError("nomi in conflitto per " + std::string(d.name) + ": la tabella dei valori del campo \"" +
                       columns[i].name + "\" di \"" + table.name + "\" sarebbe \"" + c.name +
                       "\", già il nome di una tabella");
    std::vector<std::string> keyTypes;
    for (size_t k = 0; k < table.primaryKey.size(); ++k) {
      auto at = std::find_if(columns.begin(), columns.end(), [&](const dao::RowColumn& rc) {
        return engine::FoldName(rc.name) == engine::FoldName(table.primaryKey[k]);
      });
      if (at == columns.end()) {
        c.keyNames.clear();
        c.keyColumns.clear();
        keyTypes.clear();
        break;
      }
      c.keyNames.push_back(table.primaryKey[k]);
      c.keyColumns.push_back(static_cast<size_t>(at - columns.begin()));
      keyTypes.push_back(table.primaryKeyTypes[k]);
    }
    if (c.keyNames.empty()) {
      c.keyNames = {"Riga"};
      keyTypes = {std::string(d.typeBigInt)};
    }
    c.columnNames = c.keyNames;
    c.columnNames.push_back("Elemento");
    std::string key;  // the parent's key (or Riga) and Elemento
    for (const std::string& k : c.columnNames) key += (key.empty() ? "" : ", ") + QuoteIdentifier(d, k);
    std::string sql = "CREATE TABLE " + QuoteIdentifier(d, c.name) + " (\n";
    for (size_t k = 0; k < c.keyNames.size(); ++k)
      sql += "  " + QuoteIdentifier(d, c.keyNames[k]) + " " + keyTypes[k] + " NOT NULL,\n";
    sql += "  " + QuoteIdentifier(d, "Elemento") + " " + std::string(d.typeLong) + " NOT NULL,\n";
    for (const dao::RowColumn& part : c.parts) {
      for (const std::string& taken : c.columnNames)
        if (engine::FoldName(taken) == engine::FoldName(part.name))
          throw DdlError("nomi in conflitto per " + std::string(d.name) + " nella tabella \"" + c.name +
                         "\": \"" + part.name + "\"");
      c.columnNames.push_back(part.name);
      std::string type = SqlColumnType(d, part.type, part.size);
      if (type.empty()) type = std::string(d.typeLongBinary);
      sql += "  " + QuoteIdentifier(d, part.name) + " " + type + ",\n";
    }
    sql += "  PRIMARY KEY (" + key + ")";
    if (!c.keyColumns.empty()) {
      std::string childKeys;  // named as the parent's key columns
      for (const std::string& k : c.keyNames)
        childKeys += (childKeys.empty() ? "" : ", ") + QuoteIdentifier(d, k);
      std::string fkName = c.name + "_riga";
      if (IdentifierTooLong(d, fkName))
        fkName = "fk_" + std::to_string(std::hash<std::string>{}(c.name) % 1000000000);
      const std::string clause = "CONSTRAINT " + QuoteIdentifier(d, fkName) + " FOREIGN KEY (" +
                                 childKeys + ") REFERENCES " + QuoteIdentifier(d, table.name) + " (" +
                                 childKeys + ") ON UPDATE CASCADE ON DELETE CASCADE";
      if (d.alterAddsForeignKeys)
        c.foreignKey = "ALTER TABLE " + QuoteIdentifier(d, c.name) + " ADD " + clause + ";\n";
      else
        sql += ",\n  " + clause;
    }
    sql += "\n)" + std::string(d.tableSuffix) + ";\n";
    c.create = std::move(sql);
    out.push_back(std::move(c));
  }
  return out;
}

std::vector<TableReport> WriteDataScript(dao::Database& db, const SqlDialect& d, const RowOpener& open,
                                         std::ostream& out, const DataOptions& options) {
  std::vector<RequiredGap> gaps;
  const DdlParts parts = DataDdlParts(db, d, open, options.ddl, gaps);
  const ValueWriter values(d);
  std::vector<TableReport> reports;
  std::string foreignKeys = parts.foreignKeys;
  std::string indexes;

  out << parts.header << "-- con i dati: righe di ogni tabella, poi indici e chiavi esterne\n"
      << d.preamble << d.dataPreamble;
  if (d.transactionalDdl) out << "BEGIN;\n";
  out << '\n';

  DataProgress progress;
  progress.tables = parts.tables.size();
  std::string fields;
  for (const DdlTable& table : parts.tables) {
    std::unique_ptr<dao::RowSource> source = open(table.name);
    const std::vector<dao::RowColumn> columns = source->Columns();
    std::vector<ChildTable> children = ChildTables(d, parts, table, columns);
    out << table.create;
    for (const ChildTable& c : children) {
      out << c.create;
      foreignKeys += c.foreignKey;
    }
    indexes += table.indexes;

    std::vector<size_t> plain;
    std::vector<std::string> names;
    std::optional<size_t> identity;
    const std::vector<bool> required = RequiredColumns(table, columns);
    const std::vector<int> scales = DecimalScales(d, table, columns);
    for (size_t i = 0; i < columns.size(); ++i) {
      if (IsComplexColumn(columns[i])) continue;
      if (!table.identity.empty() && engine::FoldName(columns[i].name) == engine::FoldName(table.identity)) identity = i;
      plain.push_back(i);
      names.push_back(columns[i].name);
    }
    progress.table = table.name;
    progress.rows = 0;
    TableReport report;
    report.name = table.name;
    report.gaps = GapsOf(gaps, table.name);
    std::optional<int64_t> largestKey;
    {
      RowStatements rows(d, out, table.name, names);
      std::vector<dao::Value> row;
      while (source->Next(row)) {
        const int64_t at = source->RowsRead();
        fields.clear();
        for (size_t k = 0; k < plain.size(); ++k) {
          if (k) fields += rows.Separator();
          if (required[plain[k]] && row[plain[k]].IsNull())
            RefuseNull(d, table.name, columns[plain[k]].name, at);
          CheckDecimalScale(d, row[plain[k]], scales[plain[k]], table.name, columns[plain[k]].name, at);
          values.Append(fields, row[plain[k]], Where{d, table.name, columns[plain[k]].name, at});
        }
        rows.Add(fields);
        if (identity && row[*identity].kind == dao::Value::Kind::kInt)
          largestKey = std::max(largestKey.value_or(row[*identity].integer), row[*identity].integer);
        ++report.rows;
        if (options.progress && report.rows % kProgressEvery == 0) {
          progress.rows = report.rows;
          options.progress(progress);
        }
      }
      rows.Close();
    }
    report.lost = source->Lost();
    source.reset();

    // Each child table from a pass of its own over the table, so that every table's rows are one
    // COPY and nothing is held back.
    for (const ChildTable& c : children) {
      std::unique_ptr<dao::RowSource> again = open(table.name);
      RowStatements rows(d, out, c.name, c.columnNames);
      std::vector<dao::Value> row;
      while (again->Next(row)) {
        const int64_t at = again->RowsRead();
        const dao::Value& complex = row[c.column];
        for (size_t item = 0; item < complex.items.size(); ++item) {
          fields.clear();
          if (c.keyColumns.empty()) {
            fields += std::to_string(at);
          } else {
            for (size_t k = 0; k < c.keyColumns.size(); ++k) {
              if (k) fields += rows.Separator();
              values.Append(fields, row[c.keyColumns[k]], Where{d, table.name, c.keyNames[k], at});
            }
          }
          fields += rows.Separator();
          fields += std::to_string(item + 1);
          const dao::ComplexItem& it = complex.items[item];
          for (const dao::RowColumn& part : c.parts) {
            fields += rows.Separator();
            const dao::Value* v = nullptr;
            for (size_t n = 0; n < it.names.size() && n < it.values.size(); ++n)
              if (engine::FoldName(it.names[n]) == engine::FoldName(part.name)) v = &it.values[n];
            static const dao::Value kNull;
            values.Append(fields, v ? *v : kNull, Where{d, c.name, part.name, at});
          }
          rows.Add(fields);
        }
      }
      rows.Close();
    }

    if (largestKey && *largestKey >= 1 && !d.restartIdentity.empty())
      out << Replace(Replace(Replace(std::string(d.restartIdentity), "{table}",
                                     QuoteIdentifier(d, table.name)),
                             "{column}", QuoteIdentifier(d, table.identity)),
                     "{next}", std::to_string(*largestKey + 1));
    out << '\n';
    ++progress.tablesDone;
    progress.rows = report.rows;
    if (options.progress) options.progress(progress);
    reports.push_back(std::move(report));
  }

  out << indexes;
  if (!indexes.empty()) out << '\n';
  out << foreignKeys;
  if (!foreignKeys.empty()) out << '\n';
  out << parts.notes;
  out << parts.views;
  if (d.transactionalDdl) out << "COMMIT;\n";
  out << d.dataEpilogue;
  return reports;
}

std::function<void(const DataProgress&)> ProgressLine(std::ostream& err) {
  return [&err](const DataProgress& p) {
    err << "\rtabella " << std::min(p.tablesDone + 1, p.tables) << " di " << p.tables << " ("
        << p.table << "), righe " << p.rows << "   " << std::flush;
  };
}

void ReportRequiredGaps(const std::vector<TableReport>& reports, std::ostream& err) {
  for (const TableReport& r : reports)
    for (const RequiredGap& g : r.gaps) {
      if (g.nulls > 0)
        err << "tavrek-dump: tabella '" << g.table << "', colonna '" << g.column << "': campo obbligatorio con "
            << g.nulls << (g.nulls == 1 ? " valore Null" : " valori Null") << ": creato senza NOT NULL\n";
      if (g.empties > 0)
        err << "tavrek-dump: tabella '" << g.table << "', colonna '" << g.column << "': campo obbligatorio con "
            << g.empties << (g.empties == 1 ? " stringa vuota" : " stringhe vuote")
            << ": creato senza il vincolo <> ''\n";
    }
}

void ReportLostRows(const std::vector<TableReport>& reports, std::ostream& err) {
  for (const TableReport& r : reports) ReportLostRows(r.name, r.lost, r.rows, err);
}

void ReportLostRows(const std::string& table, const std::vector<dao::LostRow>& lost, int64_t written,
                    std::ostream& err) {
  if (lost.empty()) return;
  const dao::LostCount count = dao::CountLost(lost);
  err << "tavrek-dump: tabella '" << table << "': " << (count.atLeast ? "almeno " : "") << count.rows
      << (count.rows == 1 && !count.atLeast ? " riga non letta" : " righe non lette") << ", " << written
      << " scritte\n";
  for (const dao::LostRow& l : lost) {
    if (l.row > 0) err << "  riga " << l.row << ": ";
    else err << "  ";
    err << l.reason << '\n';
  }
}

}  // namespace tavrek::doc
