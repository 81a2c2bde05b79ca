// The data dictionary of a database: everything the HTML and Markdown writers show, read from the
// object model once, in the collections' order, so that each writer only formats.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "documenter/readiness.h"
#include "documenter/references.h"
#include "engine/dao.h"

namespace tavrek::doc {

// A user table with its definition (null for a linked table, which has no recordset) and the
// relations that touch it: `outgoing` where it is the referencing side, `incoming` where it is
// the referenced side (a relation of a table with itself is in both).
struct DictionaryTable {
  const dao::TableDef* def = nullptr;
  std::shared_ptr<dao::Recordset> rs;
  std::string description;  // the table's Description property, empty when none
  std::vector<const dao::Relation*> outgoing;
  std::vector<const dao::Relation*> incoming;
};

struct DictionaryQuery {
  const dao::QueryDef* def = nullptr;
  std::string sql;          // as stored, lines joined by CR LF
  std::string description;  // the query's Description property, empty when none
};

// The dictionary of one database. It refers to the database's objects: use it while the database
// is open, and close the database (which closes the recordsets) when done.
struct Dictionary {
  std::string name;    // the path as opened
  std::string format;  // "Jet3", "Jet4", "ACE12", ...
  const dao::Properties* properties = nullptr;
  std::vector<DictionaryTable> tables;  // user tables (system tables left out), collection order
  int systemTables = 0;                 // how many system tables were left out
  std::vector<DictionaryQuery> queries;  // every stored query, collection order
  std::vector<const dao::Relation*> relations;  // stored order, those of system tables left out
  // The application: forms, reports, macros and modules (each null when the file has no such
  // container), and who names each table and query (textual evidence).
  const dao::Container* forms = nullptr;
  const dao::Container* reports = nullptr;
  const dao::Container* macros = nullptr;
  const dao::Container* modules = nullptr;
  std::vector<ReferenceEntry> references;
  // What will not move by itself to SQLite, PostgreSQL or MySQL, from the catalogue and the
  // queries (the rows are not read: --readiness does that too).
  ReadinessReport readiness;
};

// What the writers say where a section has nothing to show.
inline constexpr const char* kNoApplication = "Nessuna maschera, report, macro o modulo.";
inline constexpr const char* kNoCode = "Nessun modulo con codice VBA e nessuna macro leggibile.";
inline constexpr const char* kNothingNamed = "Nessuna tabella o query \xC3\xA8 nominata altrove.";

// One group of application objects as the writers show it.
struct ApplicationGroup {
  const char* title;  // "Maschere", "Report", "Macro", "Moduli"
  const dao::Container* container;
};
std::vector<ApplicationGroup> ApplicationGroups(const Dictionary& d);

// Every module with source, as VBA names it: standard and class modules, then the modules behind
// forms ("Form_…") and reports ("Report_…").
std::vector<std::pair<std::string, const dao::Document*>> CodeModules(const Dictionary& d);

// Italian words for the kinds and matches of the cross-reference ("tabella", "maschera", "tra
// parentesi", …); the kind itself when it has none.
std::string ReferenceWord(const std::string& kind);

// Reads the dictionary of an open database: opens a table-type recordset on every local user
// table and reads every query's text, properties and relations. Raises dao::Error when any part
// cannot be read (a dictionary is complete or absent).
Dictionary ReadDictionary(dao::Database& db);

// The position in `d.tables` of the table named `name` (exact match first, then as Access compares
// names: engine::FoldName), or -1.
int FindTable(const Dictionary& d, const std::string& name);

// The Description property among `properties` as text; empty when there is none or it is not text.
std::string DescriptionOf(const dao::Properties& properties);

// A property value as one line of text: "" for Null, "Sì"/"No", numbers in their shortest
// round-trip form, dates as "YYYY-MM-DD HH:MM:SS", bytes as their length and up to 16 bytes in
// hexadecimal ("16 byte: 0A1B…"). Text is returned unchanged.
std::string PropertyText(const dao::PropertyValue& value);

// A date as "YYYY-MM-DD HH:MM:SS".
std::string DateText(const dao::DateTime& d);

// English name of a DAO query type code ("Select", "Crosstab", ...); unknown codes as "Tipo N".
std::string QueryTypeName(int type);

// The field's type in words: the type name, plus "AutoNumber" for an AutoNumber
// (Field::IsAutoNumber) and "Hyperlink" for a hyperlink Memo ("Long, AutoNumber").
std::string FieldTypeText(const dao::Field& field);

// "1–1" for a relation flagged unique, "1–∞" otherwise.
std::string Cardinality(const dao::Relation& relation);

// The relation's flags in Italian, comma-separated: "integrità referenziale" or "non applicata",
// then "aggiornamento a catena", "eliminazione a catena", "join sinistro", "join destro",
// "ereditata" as they are set.
std::string RelationFlags(const dao::Relation& relation);

}  // namespace tavrek::doc
