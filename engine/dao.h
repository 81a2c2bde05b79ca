// The database engine's object model, as the rest of Tavrek sees it.
//
// The names follow the DAO objects the tool was designed around (DBEngine, Database, TableDefs,
// QueryDefs, Recordset, Field, Index) and keep their meaning: collections are walked by position
// from 0 to Count() - 1, in an order that never changes between reads, and every failure is an
// engine error with a number and an Italian description.
//
// This header has no Qt in it: the reader, the command-line tools and the fuzzers use it alone.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <utility>
#include <vector>

#include "engine/application/form_design.h"
#include "engine/query/query_sql.h"

namespace dao {

class RowSource;  // engine/rows.h

// An engine failure: DAO's error number and its Italian description (UTF-8).
class Error : public std::runtime_error {
 public:
  Error(int number, std::string description);
  int Number() const { return number_; }
  const std::string& Description() const { return description_; }

 private:
  int number_;
  std::string description_;
};

// Error numbers the engine raises.
enum ErrorNumber : int {
  kErrFileNotFound = 3024,      // file not found
  kErrInvalidPath = 3044,       // not a valid path: a folder, a pipe or a device
  kErrBadPassword = 3031,       // "Password non valida."
  kErrTableNotFound = 3078,     // no table of that name to read rows from
  kErrInvalidOperation = 3219,  // e.g. a table-type recordset on a linked table
  kErrItemNotFound = 3265,      // no such item in this collection
  kErrUnrecognizedFormat = 3343,
  kErrObjectClosed = 3420,      // the object is closed or no longer set
  kErrCorrupt = 3049,           // structurally impossible content
  kErrCannotOpen = 3051,        // permission denied and the like
  kErrLibraryMissing = 3170,    // a library the work needs cannot be loaded (engine/optional_library.h)
};

// A date-time as Access stores it: days since 30 December 1899, local time, the fraction being the
// time of day. `Parts` splits it to the second (rounded to the nearest second).
struct DateTime {
  double days = 0.0;
  struct Parts {
    int year, month, day, hour, minute, second;
  };
  Parts Split() const;
  // "YYYY-MM-DDTHH:MM:SS"
  std::string Iso() const;
};

// DAO field type codes.
enum FieldType : int16_t {
  dbBoolean = 1,
  dbByte = 2,
  dbInteger = 3,
  dbLong = 4,
  dbCurrency = 5,
  dbSingle = 6,
  dbDouble = 7,
  dbDate = 8,
  dbBinary = 9,
  dbText = 10,
  dbLongBinary = 11,
  dbMemo = 12,
  dbGUID = 15,
  dbBigInt = 16,
  dbDecimal = 20,
  dbDateTimeExtended = 26,  // Date/Time Extended (Access 2019 and later)
  dbAttachment = 101,
  dbComplexByte = 102,
  dbComplexInteger = 103,
  dbComplexLong = 104,
  dbComplexSingle = 105,
  dbComplexDouble = 106,
  dbComplexGUID = 107,
  dbComplexDecimal = 108,
  dbComplexText = 109,
};

// DAO query type codes.
enum QueryType : int16_t {
  dbQSelect = 0,
  dbQCrosstab = 16,
  dbQDelete = 32,
  dbQUpdate = 48,
  dbQAppend = 64,
  dbQMakeTable = 80,
  dbQDDL = 96,
  dbQSQLPassThrough = 112,
  dbQSetOperation = 128,
};

// Field.Attributes bits.
enum FieldAttribute : int32_t {
  dbFixedField = 0x1,
  dbVariableField = 0x2,
  dbAutoIncrField = 0x10,
  dbUpdatableField = 0x20,
  dbSystemField = 0x2000,
  dbHyperlinkField = 0x8000,
};

// Relation.Attributes bits, as stored in MSysRelationships.grbit.
enum RelationAttribute : int32_t {
  dbRelationUnique = 0x1,
  dbRelationDontEnforce = 0x2,
  dbRelationInherited = 0x4,
  dbRelationUpdateCascade = 0x100,
  dbRelationDeleteCascade = 0x1000,
  dbRelationLeft = 0x1000000,
  dbRelationRight = 0x2000000,
};

// OpenRecordset type: a table-type recordset.
constexpr int dbOpenTable = 1;

// A read-only collection with DAO's access by position. Item() of a position outside 0..Count()-1
// raises error 3265.
template <class T>
class Collection {
 public:
  Collection() = default;
  explicit Collection(std::vector<T> items) : items_(std::move(items)) {}
  int Count() const { return static_cast<int>(items_.size()); }
  const T& Item(int i) const;
  const T& operator[](int i) const { return Item(i); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<T> items_;
};

[[noreturn]] void ThrowItemNotFound();

template <class T>
const T& Collection<T>::Item(int i) const {
  if (i < 0 || i >= Count()) ThrowItemNotFound();
  return items_[static_cast<size_t>(i)];
}

// ---------------------------------------------------------------------------------------------
// Plain descriptions: what the reader (or a test) supplies.

// A binary property value, kept apart from text so that writers can tell them apart.
struct Bytes {
  std::vector<uint8_t> data;
  bool operator==(const Bytes&) const = default;
};

// A property's value: none (Null), a Yes/No, a whole number, a floating-point number, text, a
// date-time or bytes.
using PropertyValue = std::variant<std::monostate, bool, int64_t, double, std::string, DateTime, Bytes>;

// One stored property of a database, table, field or query: its name, DAO data type code
// (dbBoolean, dbLong, dbText, dbMemo, dbBinary, …) and value, as the file holds them.
struct PropertyInfo {
  std::string name;
  int16_t type = 0;
  PropertyValue value;
};

struct FieldInfo {
  std::string name;
  int16_t type = 0;  // DAO code
  int32_t size = 0;  // as DAO reports it (Text: characters; Memo and OLE: 0)
  // What DAO exposes directly; they agree with the stored properties of the same names.
  int32_t attributes = 0;  // FieldAttribute bits
  bool required = false;
  bool allowZeroLength = false;
  std::string defaultValue{};
  std::string validationRule{};
  std::string validationText{};
  std::vector<PropertyInfo> properties{};  // stored order
  // Decimal columns: precision and scale as stored (0 when the reader does not know them). A
  // calculated Decimal declares none: its values are Access's 96-bit decimals, each with its own
  // scale from 0 to 28, so it has precision kCalculatedDecimalPrecision and scale kScalePerValue.
  int precision = 0;
  int scale = 0;

  static constexpr int kScalePerValue = -1;
  static constexpr int kCalculatedDecimalPrecision = 28;
};

struct IndexInfo {
  std::string name;
  std::vector<std::string> fields;  // key fields in key order
  std::vector<bool> descending{};   // parallel to `fields` (empty: all ascending)
  bool primary = false;
  bool unique = false;
  bool ignoreNulls = false;
  bool required = false;
  bool foreign = false;
  bool clustered = false;
};

// A relationship between two tables: `table` is the referenced ("one") side, `foreignTable` the
// referencing side; `fields` pairs a column of `table` with one of `foreignTable`, in order.
struct RelationInfo {
  struct FieldPair {
    std::string name;         // in `table`
    std::string foreignName;  // in `foreignTable`
  };
  std::string name;
  std::string table;
  std::string foreignTable;
  int32_t attributes = 0;  // RelationAttribute bits, as stored
  std::vector<FieldPair> fields;
};

// A parameter of a stored query: its name and DAO type code; `size` is the declared length of a
// text parameter (0 when none is stored).
struct ParameterInfo {
  std::string name;
  int16_t type = 0;
  int32_t size = 0;
};

// A document of one of the database's containers (a form, a report, a macro, a module…).
// `kind` and `text` are what the reader could extract: for modules the kind ("standard", "class",
// "document") and the VBA source, for macros the actions as text; `error` says why the text could
// not be read when that is so.
struct DocumentInfo {
  std::string name;
  DateTime dateCreated;
  DateTime lastUpdated;
  std::string kind;
  std::string text;
  std::string error;
  // The strings stored in a form's, report's or macro's definition (record source, row and control
  // sources, captions, action arguments…), as far as they can be told apart from binary data.
  std::vector<std::string> storedTexts{};
  // The design of a form or report (its properties, sections and controls), null when the
  // document is not a form or report or its definition could not be read; then `designError`
  // says why, when there was a definition to read.
  std::shared_ptr<const engine::vba::FormDesign> design{};
  std::string designError{};
  // The bytes of a macro's definition (the rows of its macro sheet), for the writers that lay
  // them out; null for other documents and when there was none to read.
  std::shared_ptr<const std::string> definition{};
};

// A container as DAO lists them: "Forms", "Reports", "Scripts" (macros), "Modules", and any
// other kind a file holds, each with its documents in name order.
struct ContainerInfo {
  std::string name;
  std::vector<DocumentInfo> documents;
};

struct TableInfo {
  std::string name;
  bool system = false;       // name begins with "MSys" or the catalogue flags it as a system object
  bool linked = false;       // attached from another database or an ODBC source
  std::string linkSource;    // for a linked table: where it comes from (database path / connect)
  std::string foreignName;   // for a linked table: its name in the source
  DateTime dateCreated;
  DateTime lastUpdated;
  std::string connect{};     // for a linked table: DAO's Connect (";DATABASE=path" or "ODBC;…")
};

struct TableDetail {
  int32_t recordCount = 0;
  std::vector<FieldInfo> fields;    // column order
  std::vector<IndexInfo> indexes;   // stored order
};

struct QueryInfo {
  std::string name;
  int16_t type = 0;  // DAO code
  DateTime dateCreated;
  DateTime lastUpdated;
};

// What a Database reads lazily: a table's definition when a recordset is opened on it, and a
// query's SQL text when it is asked for. Implemented by the file reader; tests supply their own.
class CatalogueSource {
 public:
  virtual ~CatalogueSource() = default;
  // The format of the file: "Jet3", "Jet4", "ACE12", "ACE14", "ACE16" or "ACE17".
  virtual std::string Format() const = 0;
  // The definition of table `index` of the list given to the Database. Raises dao::Error.
  virtual TableDetail LoadTable(size_t index) = 0;
  // The SQL text of query `index` of the list given to the Database. Raises dao::Error.
  virtual std::string LoadSql(size_t index) = 0;
  // True when the lists given to the Database are already in the database's own order (for a
  // file, that of its catalogue's name index); otherwise the collections sort them by name.
  virtual bool InCatalogueOrder() const { return false; }

  // The parts below are read when first asked for; a source that does not know them keeps the
  // defaults (nothing stored). Each raises dao::Error when the file is damaged.
  // The database's own properties.
  virtual std::vector<PropertyInfo> LoadDatabaseProperties() { return {}; }
  // The properties of table `index` (the table itself, not its fields).
  virtual std::vector<PropertyInfo> LoadTableProperties(size_t /*index*/) { return {}; }
  // The properties and parameters of query `index`.
  virtual std::vector<PropertyInfo> LoadQueryProperties(size_t /*index*/) { return {}; }
  // The stored properties of each output column of query `index` (column widths, formats…), as
  // (column name, properties) in stored order.
  virtual std::vector<std::pair<std::string, std::vector<PropertyInfo>>> LoadQueryColumnProperties(
      size_t /*index*/) {
    return {};
  }
  // True when query `index` carries the row of its operation among its stored rows (as queries
  // laid out in Access's design grid do; those written as SQL alone may lack it).
  virtual bool LoadQueryHasOperationRow(size_t /*index*/) { return false; }
  virtual std::vector<ParameterInfo> LoadParameters(size_t /*index*/) { return {}; }
  // The MSysQueries rows of query `index` in stored order, and the query's Flags in MSysObjects
  // (what engine::BuildQuerySql rebuilds the text from). A source without rows gives none.
  virtual std::vector<engine::QueryRow> LoadQueryRows(size_t /*index*/) { return {}; }
  virtual uint32_t LoadQueryObjectFlags(size_t /*index*/) { return 0; }
  // The bytes of the design window's layout of query `index` (see engine/query/query_layout.h),
  // empty when none is stored.
  virtual std::string LoadQueryLayout(size_t /*index*/) { return {}; }
  // Every relationship, in a stable order.
  virtual std::vector<RelationInfo> LoadRelations() { return {}; }
  // The application objects (forms, reports, macros, modules, …).
  virtual std::vector<ContainerInfo> LoadContainers() { return {}; }
  // The rows of local table `index` (see engine/rows.h); `salvage` leaves out the rows that
  // cannot be read instead of failing. A source that holds no rows raises 3219.
  virtual std::unique_ptr<RowSource> LoadRows(size_t index, bool salvage);
};

// ---------------------------------------------------------------------------------------------
// The object model.

class Database;

class Property {
 public:
  explicit Property(PropertyInfo info) : info_(std::move(info)) {}
  const std::string& Name() const { return info_.name; }
  int16_t Type() const { return info_.type; }
  const PropertyValue& Value() const { return info_.value; }

 private:
  PropertyInfo info_;
};

using Properties = Collection<Property>;
Properties MakeProperties(std::vector<PropertyInfo> infos);
// The property of that name (compared case-insensitively), or nullptr.
const Property* FindProperty(const Properties& properties, std::string_view name);

class Field {
 public:
  explicit Field(const FieldInfo& info) : Field(FieldInfo(info)) {}
  explicit Field(FieldInfo&& info);
  const std::string& Name() const { return info_.name; }
  int16_t Type() const { return info_.type; }
  int32_t Size() const { return info_.size; }
  int32_t Attributes() const { return info_.attributes; }
  // An AutoNumber: dbAutoIncrField on a Long (incrementing) or a GUID (replication ID). The one
  // rule every writer uses; the bit on a field of any other type does not count.
  bool IsAutoNumber() const {
    return (info_.attributes & dbAutoIncrField) && (info_.type == dbLong || info_.type == dbGUID);
  }
  bool Required() const { return info_.required; }
  bool AllowZeroLength() const { return info_.allowZeroLength; }
  const std::string& DefaultValue() const { return info_.defaultValue; }
  const std::string& ValidationRule() const { return info_.validationRule; }
  const std::string& ValidationText() const { return info_.validationText; }
  const dao::Properties& Properties() const { return properties_; }
  int Precision() const { return info_.precision; }
  int Scale() const { return info_.scale; }

 private:
  FieldInfo info_;
  dao::Properties properties_;
};

class IndexField {
 public:
  explicit IndexField(std::string name, bool descending = false)
      : name_(std::move(name)), descending_(descending) {}
  const std::string& Name() const { return name_; }
  bool Descending() const { return descending_; }

 private:
  std::string name_;
  bool descending_;
};

class Index {
 public:
  explicit Index(const IndexInfo& info);
  const std::string& Name() const { return info_.name; }
  const Collection<IndexField>& Fields() const { return fields_; }
  bool Primary() const { return info_.primary; }
  bool Unique() const { return info_.unique; }
  bool IgnoreNulls() const { return info_.ignoreNulls; }
  bool Required() const { return info_.required; }
  bool Foreign() const { return info_.foreign; }
  bool Clustered() const { return info_.clustered; }

 private:
  IndexInfo info_;
  Collection<IndexField> fields_;
};

class TableDef {
 public:
  explicit TableDef(TableInfo info) : info_(std::move(info)) {}
  TableDef(TableInfo info, std::weak_ptr<Database> db, size_t sourceIndex)
      : info_(std::move(info)), db_(std::move(db)), sourceIndex_(sourceIndex) {}
  const std::string& Name() const { return info_.name; }
  bool IsSystem() const { return info_.system; }
  bool IsLinked() const { return info_.linked; }
  const TableInfo& Info() const { return info_; }
  DateTime DateCreated() const { return info_.dateCreated; }
  DateTime LastUpdated() const { return info_.lastUpdated; }
  // DAO's Connect and SourceTableName: empty for a table of this database.
  const std::string& Connect() const { return info_.connect; }
  const std::string& SourceTableName() const { return info_.foreignName; }
  // The table's stored properties (Description and the rest). Read on first use and kept.
  // Raises 3420 once the database is closed.
  const dao::Properties& Properties() const;

 private:
  TableInfo info_;
  std::weak_ptr<Database> db_;
  size_t sourceIndex_ = 0;
  mutable std::optional<dao::Properties> properties_;
};

class Parameter {
 public:
  explicit Parameter(ParameterInfo info) : info_(std::move(info)) {}
  const std::string& Name() const { return info_.name; }
  int16_t Type() const { return info_.type; }
  int32_t Size() const { return info_.size; }

 private:
  ParameterInfo info_;
};

class QueryDef {
 public:
  QueryDef(QueryInfo info, std::weak_ptr<Database> db, size_t sourceIndex);
  const std::string& Name() const { return info_.name; }
  int16_t Type() const { return info_.type; }
  DateTime DateCreated() const { return info_.dateCreated; }
  DateTime LastUpdated() const { return info_.lastUpdated; }
  // The query's SQL text, lines joined by CR LF. Read from the file on first use and kept.
  // Raises 3420 once the database is closed.
  std::string SQL() const;
  // The declared parameters and the stored properties, read on first use and kept. Raise 3420
  // once the database is closed.
  const Collection<Parameter>& Parameters() const;
  const dao::Properties& Properties() const;
  // The stored properties of each output column, (column name, properties) in stored order; read
  // each time it is asked for. Raises 3420 once the database is closed.
  std::vector<std::pair<std::string, std::vector<PropertyInfo>>> ColumnProperties() const;
  // Whether the stored rows of the query name its operation. Raises 3420 once the database is
  // closed.
  bool HasOperationRow() const;
  // The stored rows the SQL text is rebuilt from, and the query's Flags in MSysObjects (empty
  // and 0 when the source keeps none): what a translator to another SQL dialect reads instead of
  // the text. Read afresh each time. Raise 3420 once the database is closed.
  std::vector<engine::QueryRow> StoredRows() const;
  uint32_t ObjectFlags() const;
  // The stored layout of the query's design window (engine::ParseQueryLayout decodes it), empty
  // when there is none. Read afresh each time. Raises 3420 once the database is closed.
  std::string DesignLayout() const;

 private:
  QueryInfo info_;
  std::weak_ptr<Database> db_;
  size_t sourceIndex_;
  mutable std::optional<std::string> sql_;
  mutable std::optional<Collection<Parameter>> parameters_;
  mutable std::optional<dao::Properties> properties_;
};

class Relation {
 public:
  class Field {
   public:
    explicit Field(RelationInfo::FieldPair pair) : pair_(std::move(pair)) {}
    const std::string& Name() const { return pair_.name; }
    const std::string& ForeignName() const { return pair_.foreignName; }

   private:
    RelationInfo::FieldPair pair_;
  };

  explicit Relation(RelationInfo info);
  const std::string& Name() const { return info_.name; }
  const std::string& Table() const { return info_.table; }
  const std::string& ForeignTable() const { return info_.foreignTable; }
  int32_t Attributes() const { return info_.attributes; }
  const Collection<Field>& Fields() const { return fields_; }

 private:
  RelationInfo info_;
  Collection<Field> fields_;
};

class Document {
 public:
  explicit Document(DocumentInfo info) : info_(std::move(info)) {}
  const std::string& Name() const { return info_.name; }
  DateTime DateCreated() const { return info_.dateCreated; }
  DateTime LastUpdated() const { return info_.lastUpdated; }
  const std::string& Kind() const { return info_.kind; }
  const std::string& Text() const { return info_.text; }
  const std::string& Error() const { return info_.error; }
  const std::vector<std::string>& StoredTexts() const { return info_.storedTexts; }
  const engine::vba::FormDesign* Design() const { return info_.design.get(); }
  const std::string& DesignError() const { return info_.designError; }
  // A macro's definition (see DocumentInfo::definition), null when there is none.
  const std::string* Definition() const { return info_.definition.get(); }

 private:
  DocumentInfo info_;
};

class Container {
 public:
  explicit Container(ContainerInfo info);
  const std::string& Name() const { return name_; }
  const Collection<Document>& Documents() const { return documents_; }

 private:
  std::string name_;
  Collection<Document> documents_;
};

// A table-type recordset: the table's definition and its record count.
// Every property raises 3420 once the recordset (or its database) is closed.
class Recordset {
 public:
  Recordset(const TableInfo& info, TableDetail detail);
  const std::string& Name() const;
  int32_t RecordCount() const;
  DateTime DateCreated() const;
  DateTime LastUpdated() const;
  const Collection<Field>& Fields() const;
  const Collection<Index>& Indexes() const;
  // Closing an already closed recordset does nothing.
  void Close() { open_ = false; }
  bool IsOpen() const { return open_; }

 private:
  void CheckOpen() const;
  TableInfo info_;
  int32_t recordCount_;
  Collection<Field> fields_;
  Collection<Index> indexes_;
  bool open_ = true;
};

class Database : public std::enable_shared_from_this<Database> {
 public:
  // `tables` and `queries` as the source lists them: kept in that order when the source says it
  // is the database's own, else sorted by name (engine::NameLess, stable). Source indexes refer
  // to these vectors.
  static std::shared_ptr<Database> Create(std::string name, std::vector<TableInfo> tables,
                                          std::vector<QueryInfo> queries,
                                          std::unique_ptr<CatalogueSource> source);

  // The path as it was opened. Raises 3420 once closed (as do the other members).
  const std::string& Name() const;
  // "Jet3", "Jet4", "ACE12", "ACE14", "ACE16" or "ACE17".
  std::string Format() const;
  const Collection<TableDef>& TableDefs() const;
  const Collection<QueryDef>& QueryDefs() const;
  // The database's properties, its relationships and its containers: read on first use and kept.
  const dao::Properties& Properties() const;
  const Collection<Relation>& Relations() const;
  const Collection<Container>& Containers() const;

  // A table-type recordset (type 1) on the table of that name (compared case-insensitively).
  // 3265 when there is no such table, 3219 on a linked table (naming its source), 3001-style
  // argument errors for any other type; reading failures of the file raise their own errors.
  std::shared_ptr<Recordset> OpenRecordset(const std::string& name, int type = dbOpenTable);
  // The plain description of a local table (record count, fields with their properties, indexes),
  // read afresh from the file and not kept: what a writer going through every table of a large
  // database needs, without a recordset per table. 3219 on a linked table, as OpenRecordset;
  // reading failures of the file raise their own errors.
  TableDetail DescribeTable(const TableDef& table);
  // The rows of the table of that name (compared case-insensitively), read as they are asked for
  // (engine/rows.h). 3078 when there is no such table, 3219 on a linked table (naming its
  // source), 3049 when the table's definition cannot be read. With `salvage` the rows that cannot
  // be read are left out and listed by the source's Lost(); without, the first one raises 3049
  // naming the table and the row. The source stays readable after the database is closed.
  std::unique_ptr<RowSource> OpenRows(const std::string& table, bool salvage = false);

  // Closes the database and every recordset opened on it. Closing twice does nothing.
  void Close();
  bool IsOpen() const { return open_; }

 private:
  friend class QueryDef;
  friend class TableDef;
  Database() = default;
  CatalogueSource& Source() const;
  void CheckOpen() const;
  std::string name_;
  Collection<TableDef> tables_;
  Collection<QueryDef> queries_;
  std::vector<size_t> tableSourceIndex_;
  std::unordered_map<std::string, size_t> tableByName_;  // folded name -> position in tables_
  std::unique_ptr<CatalogueSource> source_;
  std::vector<std::weak_ptr<Recordset>> recordsets_;
  size_t sweepAt_ = 16;  // size of recordsets_ at which closed ones are dropped
  mutable std::optional<dao::Properties> properties_;
  mutable std::optional<Collection<Relation>> relations_;
  mutable std::optional<Collection<Container>> containers_;
  bool open_ = true;
};

// The engine: opens database files read-only.
class DBEngine {
 public:
  virtual ~DBEngine() = default;
  // Opens `path`. `options` (exclusive) and `readOnly` are accepted as DAO takes them; the file is
  // always opened read-only whatever they say. `connect`: none, or ";" followed by the password,
  // or "MS Access;PWD=…". Missing or wrong password: 3031.
  virtual std::shared_ptr<Database> OpenDatabase(const std::string& path, bool options = false,
                                                 bool readOnly = true,
                                                 const std::optional<std::string>& connect = {});
};

// The password carried by a connect string (";pw", "MS Access;PWD=pw"), empty when none.
std::string PasswordFromConnect(const std::string& connect);

}  // namespace dao
