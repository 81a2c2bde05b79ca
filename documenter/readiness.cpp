#include "documenter/readiness.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <unordered_map>

#include "documenter/access_expr.h"
#include "documenter/expression.h"
#include "documenter/json.h"
#include "documenter/sql_dialect.h"
#include "documenter/view_translator.h"
#include "engine/rows.h"

namespace tavrek::doc {

const std::vector<std::pair<std::string, std::string>>& ReadinessKinds() {
  static const std::vector<std::pair<std::string, std::string>> kinds = {
      {"query_non_tradotta", "query che non diventa una vista"},
      {"riferimento_maschera", "query che legge controlli di maschere o report"},
      {"funzione_vba", "query che chiama funzioni VBA"},
      {"senza_chiave", "tabella senza chiave primaria né indice univoco"},
      {"chiave_virgola_mobile", "chiave su un campo a virgola mobile"},
      {"parola_riservata", "nome che è una parola riservata del server"},
      {"nome_troppo_lungo", "nome più lungo di quanto il server conservi"},
      {"maiuscole_minuscole", "valori di testo che differiscono solo per maiuscole e minuscole"},
      {"data_fuori_intervallo", "date che il server non può contenere"},
      {"regola_non_traducibile", "regola di convalida che non diventa un vincolo CHECK"},
      {"si_no_come_numero", "valore Sì/No usato come numero (-1 in Access)"},
      {"tabella_di_sistema", "query che legge una tabella di sistema di Access, copiata com'è alla migrazione"},
      {"tabella_collegata", "tabella collegata (i dati stanno altrove)"},
      {"campo_complesso", "campo allegato o multivalore"},
  };
  return kinds;
}

namespace {

const char* const kDialects[] = {"sqlite", "postgresql", "mysql"};

std::string Folded(std::string_view s) { return LowerAscii(s); }

class Builder {
 public:
  Builder(dao::Database& db, bool readRows) : db_(db), readRows_(readRows) {}

  ReadinessReport Run() {
    report_.database = db_.Name();
    for (const dao::TableDef& t : db_.TableDefs()) {
      if (t.IsSystem()) continue;
      ++report_.tables;
      Table(t);
    }
    Queries();
    std::set<std::pair<std::string, std::string>> needing;
    for (const auto& f : report_.findings) {
      ++report_.counts[f.kind];
      if (f.kind != "parola_riservata") needing.insert({f.objectKind, f.object});
    }
    report_.objectsNeedingPerson = static_cast<int>(needing.size());
    return std::move(report_);
  }

 private:
  void Add(const std::string& objectKind, const std::string& object, const std::string& kind,
           const std::string& detail, std::vector<std::string> servers = {}) {
    if (servers.empty()) servers.assign(std::begin(kDialects), std::end(kDialects));
    report_.findings.push_back({objectKind, object, kind, detail, std::move(servers)});
  }

  // A name the servers reserve or cannot keep whole.
  void CheckName(const std::string& objectKind, const std::string& object, const std::string& name,
                 const std::string& what) {
    std::vector<std::string> reserved, tooLong;
    for (const char* d : kDialects) {
      const SqlDialect& dialect = *FindSqlDialect(d);
      const ViewDialect& v = ViewDialectOf(dialect);
      const std::string folded = Folded(name);
      if (std::find(v.reservedWords.begin(), v.reservedWords.end(), folded) != v.reservedWords.end()) {
        reserved.push_back(d);
      }
      if (IdentifierTooLong(dialect, name)) tooLong.push_back(d);
    }
    if (!reserved.empty()) {
      Add(objectKind, object, "parola_riservata", what + " \"" + name + "\" è una parola riservata", reserved);
    }
    if (!tooLong.empty()) {
      Add(objectKind, object, "nome_troppo_lungo",
          what + " \"" + name + "\" (" + std::to_string(name.size()) + " byte) è troppo lungo", tooLong);
    }
  }

  // A validation rule that stays a comment in the DDL of some server: the same parser and writer
  // decide (expression.h), over the table's fields. `field` is empty for the table's own rule.
  void CheckRule(const std::string& table, const std::vector<dao::FieldInfo>& fields,
                 const std::string& field, const std::string& rule) {
    const ExprPtr e = field.empty() ? ParseRuleExpression(rule) : ParseFieldRule(rule, field);
    std::vector<std::string> failing;
    for (const char* d : kDialects) {
      SqlContext context{
          *FindSqlDialect(d),
          [&](const std::string& name) -> std::optional<ValueKind> {
            for (const auto& f : fields) {
              // An AutoNumber is the server's to fill: the DDL leaves it out of conditions.
              if (Folded(f.name) != Folded(name)) continue;
              if (f.type == dao::dbLong && (f.attributes & dao::dbAutoIncrField)) return std::nullopt;
              return FieldValueKind(f.type);
            }
            return std::nullopt;
          },
          [](const std::string& name) { return name; }, [](const std::string& text) { return text; }};
      if (!e || !ConditionSql(*e, context)) failing.push_back(d);
    }
    if (!failing.empty()) {
      Add("tabella", table, "regola_non_traducibile",
          (field.empty() ? std::string("regola della tabella") : "regola del campo \"" + field + "\"") +
              " " + rule + ": resta un commento nello script DDL",
          failing);
    }
  }

  void Table(const dao::TableDef& t) {
    CheckName("tabella", t.Name(), t.Name(), "il nome della tabella");
    if (t.IsLinked()) {
      Add("tabella", t.Name(), "tabella_collegata",
          "collegata a " + (t.SourceTableName().empty() ? std::string("un'altra origine") : "\"" + t.SourceTableName() + "\"") +
              ": non viene creata né copiata");
      return;
    }
    dao::TableDetail detail = db_.DescribeTable(t);
    bool keyed = false;
    std::map<std::string, int16_t> types;
    for (const auto& f : detail.fields) types[Folded(f.name)] = f.type;
    for (const auto& ix : detail.indexes) {
      if (ix.primary || ix.unique) keyed = true;
      if (!ix.primary && !ix.unique) continue;
      for (const auto& k : ix.fields) {
        auto it = types.find(Folded(k));
        if (it != types.end() && (it->second == dao::dbSingle || it->second == dao::dbDouble)) {
          Add("tabella", t.Name(), "chiave_virgola_mobile",
              "l'indice \"" + ix.name + "\" usa il campo a virgola mobile \"" + k +
                  "\": valori uguali in Access possono differire sul server e viceversa");
        }
      }
    }
    if (!keyed) Add("tabella", t.Name(), "senza_chiave", "nessuna chiave primaria né indice univoco");
    for (const auto& f : detail.fields) {
      CheckName("tabella", t.Name(), f.name, "il campo");
      if (f.type >= dao::dbAttachment) {
        Add("tabella", t.Name(), "campo_complesso",
            "il campo \"" + f.name + "\" (" + (f.type == dao::dbAttachment ? "allegato" : "multivalore") +
                ") tiene i valori in una tabella nascosta e non viene creato");
      }
      if (!f.validationRule.empty()) CheckRule(t.Name(), detail.fields, f.name, f.validationRule);
    }
    if (const dao::Property* rule = dao::FindProperty(t.Properties(), "ValidationRule")) {
      if (const auto* text = std::get_if<std::string>(&rule->Value()); text && !text->empty()) {
        CheckRule(t.Name(), detail.fields, "", *text);
      }
    }
    if (readRows_) Rows(t, detail);
  }

  // Text values equal but for case (one finding per column), dates before a server's first year.
  void Rows(const dao::TableDef& t, const dao::TableDetail& detail) {
    std::unique_ptr<dao::RowSource> rows = db_.OpenRows(t.Name());
    const auto& columns = rows->Columns();
    std::vector<std::unordered_map<std::string, std::string>> seen(columns.size());
    std::vector<bool> caseReported(columns.size(), false);
    std::vector<int> earliest(columns.size(), 100000);
    std::vector<dao::Value> row;
    constexpr size_t kMaxDistinct = 200000;  // per column: beyond this the check stops
    while (rows->Next(row)) {
      for (size_t i = 0; i < row.size() && i < columns.size(); ++i) {
        const dao::Value& v = row[i];
        if (v.kind == dao::Value::Kind::kText && !caseReported[i] && seen[i].size() < kMaxDistinct) {
          auto [it, inserted] = seen[i].emplace(Folded(v.text), v.text);
          if (!inserted && it->second != v.text) {
            caseReported[i] = true;
            std::vector<std::string> servers;
            for (const char* d : kDialects) {
              if (ViewDialectOf(*FindSqlDialect(d)).caseSensitiveText) servers.push_back(d);
            }
            Add("tabella", t.Name(), "maiuscole_minuscole",
                "il campo \"" + columns[i].name + "\" ha \"" + it->second + "\" e \"" + v.text +
                    "\": il server li distingue, Access no",
                servers);
          }
        } else if (v.kind == dao::Value::Kind::kDateTime) {
          earliest[i] = std::min(earliest[i], v.AsDateTime().Split().year);
        }
      }
    }
    (void)detail;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (earliest[i] == 100000) continue;
      std::vector<std::string> servers;
      for (const char* d : kDialects) {
        const int minimum = ViewDialectOf(*FindSqlDialect(d)).minimumYear;
        if (minimum && earliest[i] < minimum) servers.push_back(d);
      }
      if (!servers.empty()) {
        Add("tabella", t.Name(), "data_fuori_intervallo",
            "il campo \"" + columns[i].name + "\" ha date dell'anno " + std::to_string(earliest[i]),
            servers);
      }
    }
  }

  void Queries() {
    std::map<std::string, std::vector<std::pair<std::string, ViewTranslation>>> byQuery;
    std::vector<std::string> order;
    for (const char* d : kDialects) {
      for (auto& v : TranslateQueries(db_, *FindSqlDialect(d))) {
        if (!byQuery.count(v.name)) order.push_back(v.name);
        byQuery[v.name].push_back({d, std::move(v)});
      }
    }
    // Catalogue order.
    std::vector<std::string> names;
    for (const dao::QueryDef& q : db_.QueryDefs()) names.push_back(q.Name());
    report_.queries = static_cast<int>(names.size());
    for (const std::string& name : names) {
      auto it = byQuery.find(name);
      if (it == byQuery.end()) continue;
      const auto& versions = it->second;
      const ViewTranslation& first = versions.front().second;
      CheckName("query", name, name, "il nome della query");
      std::string lowerSql = Folded(first.accessSql);
      if (lowerSql.find("[forms]!") != std::string::npos || lowerSql.find("forms!") != std::string::npos ||
          lowerSql.find("[reports]!") != std::string::npos) {
        Add("query", name, "riferimento_maschera", "legge un controllo di una maschera o di un report aperti");
      }
      std::map<std::string, std::vector<std::string>> reasons;  // reason -> servers
      std::vector<std::string> yesNo;
      std::map<std::string, std::vector<std::string>> systemCopies;  // note -> servers
      for (const auto& [dialect, v] : versions) {
        if (!v.translated) reasons[v.reason].push_back(dialect);
        if (std::find(v.notes.begin(), v.notes.end(), kYesNoNote) != v.notes.end()) yesNo.push_back(dialect);
        for (const std::string& n : v.notes) {
          if (n.find(kSystemCopyNote) != std::string::npos) systemCopies[n].push_back(dialect);
        }
      }
      for (const auto& [note, servers] : systemCopies) Add("query", name, "tabella_di_sistema", note, servers);
      for (const auto& [reason, servers] : reasons) {
        if (reason.find("VBA") != std::string::npos) {
          Add("query", name, "funzione_vba", reason, servers);
        } else if (reason.find("maschera") == std::string::npos) {
          Add("query", name, "query_non_tradotta", reason, servers);
        }
      }
      if (!yesNo.empty()) Add("query", name, "si_no_come_numero", kYesNoNote, yesNo);
    }
  }

  dao::Database& db_;
  bool readRows_;
  ReadinessReport report_;
};

std::string ServerList(const std::vector<std::string>& servers) {
  std::string out;
  for (const auto& s : servers) out += (out.empty() ? "" : ", ") + s;
  return out;
}

}  // namespace

ReadinessReport BuildReadiness(dao::Database& db, bool readRows) {
  Builder b(db, readRows);
  return b.Run();
}

std::string ReadinessText(const ReadinessReport& r) {
  std::string out = "Preparazione alla migrazione: " + r.database + "\n";
  out += std::to_string(r.tables) + " tabelle, " + std::to_string(r.queries) + " query; oggetti che richiedono una persona: " +
         std::to_string(r.objectsNeedingPerson) + "\n\nRiepilogo\n";
  for (const auto& [code, description] : ReadinessKinds()) {
    auto it = r.counts.find(code);
    out += "  " + std::to_string(it == r.counts.end() ? 0 : it->second) + "  " + description + " (" + code + ")\n";
  }
  std::string current;
  for (const auto& f : r.findings) {
    const std::string head = f.objectKind + " \"" + f.object + "\"";
    if (head != current) {
      out += "\n" + head + "\n";
      current = head;
    }
    out += "  - " + f.kind + ": " + f.detail + " [" + ServerList(f.servers) + "]\n";
  }
  return out;
}

std::string ReadinessJson(const ReadinessReport& r) {
  std::string out = "{\"database\":";
  AppendJsonString(out, r.database);
  out += ",\"tables\":" + std::to_string(r.tables) + ",\"queries\":" + std::to_string(r.queries) +
         ",\"objectsNeedingPerson\":" + std::to_string(r.objectsNeedingPerson) + ",\"summary\":{";
  bool firstKind = true;
  for (const auto& [code, description] : ReadinessKinds()) {
    auto it = r.counts.find(code);
    if (!firstKind) out += ",";
    firstKind = false;
    AppendJsonString(out, code);
    out += ":" + std::to_string(it == r.counts.end() ? 0 : it->second);
  }
  out += "},\"findings\":[";
  for (size_t i = 0; i < r.findings.size(); ++i) {
    const auto& f = r.findings[i];
    out += i ? ",{" : "{";
    out += "\"object\":";
    AppendJsonString(out, f.object);
    out += ",\"objectKind\":";
    AppendJsonString(out, f.objectKind == "tabella" ? "table" : "query");
    out += ",\"kind\":";
    AppendJsonString(out, f.kind);
    out += ",\"detail\":";
    AppendJsonString(out, f.detail);
    out += ",\"servers\":[";
    for (size_t k = 0; k < f.servers.size(); ++k) {
      if (k) out += ",";
      AppendJsonString(out, f.servers[k]);
    }
    out += "]}";
  }
  return out + "]}\n";
}

}  // namespace tavrek::doc
