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
#include <vector>

namespace dao {

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
  kErrBadPassword = 3031,       // "Password non valida."
  kErrInvalidOperation = 3219,  // e.g. a table-type recordset on a linked table
  kErrItemNotFound = 3265,      // no such item in this collection
  kErrUnrecognizedFormat = 3343,
  kErrObjectClosed = 3420,      // the object is closed or no longer set
  kErrCorrupt = 3049,           // structurally impossible content
  kErrCannotOpen = 3051,        // permission denied and the like
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

struct FieldInfo {
  std::string name;
  int16_t type = 0;  // DAO code
  int32_t size = 0;  // as DAO reports it (Text: characters; Memo and OLE: 0)
};

struct IndexInfo {
  std::string name;
  std::vector<std::string> fields;  // key fields in key order
};

struct TableInfo {
  std::string name;
  bool system = false;       // name begins with "MSys" or the catalogue flags it as a system object
  bool linked = false;       // attached from another database or an ODBC source
  std::string linkSource;    // for a linked table: where it comes from (database path / connect)
  std::string foreignName;   // for a linked table: its name in the source
  DateTime dateCreated;
  DateTime lastUpdated;
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
};

// ---------------------------------------------------------------------------------------------
// The object model.

class Database;

class Field {
 public:
  explicit Field(FieldInfo info) : info_(std::move(info)) {}
  const std::string& Name() const { return info_.name; }
  int16_t Type() const { return info_.type; }
  int32_t Size() const { return info_.size; }

 private:
  FieldInfo info_;
};

class IndexField {
 public:
  explicit IndexField(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

class Index {
 public:
  explicit Index(const IndexInfo& info);
  const std::string& Name() const { return name_; }
  const Collection<IndexField>& Fields() const { return fields_; }

 private:
  std::string name_;
  Collection<IndexField> fields_;
};

class TableDef {
 public:
  explicit TableDef(TableInfo info) : info_(std::move(info)) {}
  const std::string& Name() const { return info_.name; }
  bool IsSystem() const { return info_.system; }
  bool IsLinked() const { return info_.linked; }
  const TableInfo& Info() const { return info_; }
  DateTime DateCreated() const { return info_.dateCreated; }
  DateTime LastUpdated() const { return info_.lastUpdated; }

 private:
  TableInfo info_;
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

 private:
  QueryInfo info_;
  std::weak_ptr<Database> db_;
  size_t sourceIndex_;
  mutable std::optional<std::string> sql_;
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
  // `tables` and `queries` in any order: the collections sort them by name, case-insensitively
  // (stable, so equal names keep the source's order). Source indexes refer to these vectors.
  static std::shared_ptr<Database> Create(std::string name, std::vector<TableInfo> tables,
                                          std::vector<QueryInfo> queries,
                                          std::unique_ptr<CatalogueSource> source);

  // The path as it was opened. Raises 3420 once closed (as do the other members).
  const std::string& Name() const;
  // "Jet3", "Jet4", "ACE12", "ACE14", "ACE16" or "ACE17".
  std::string Format() const;
  const Collection<TableDef>& TableDefs() const;
  const Collection<QueryDef>& QueryDefs() const;

  // A table-type recordset (type 1) on the table of that name (compared case-insensitively).
  // 3265 when there is no such table, 3219 on a linked table (naming its source), 3001-style
  // argument errors for any other type; reading failures of the file raise their own errors.
  std::shared_ptr<Recordset> OpenRecordset(const std::string& name, int type = dbOpenTable);

  // Closes the database and every recordset opened on it. Closing twice does nothing.
  void Close();
  bool IsOpen() const { return open_; }

 private:
  friend class QueryDef;
  Database() = default;
  void CheckOpen() const;
  std::string name_;
  Collection<TableDef> tables_;
  Collection<QueryDef> queries_;
  std::vector<size_t> tableSourceIndex_;
  std::unique_ptr<CatalogueSource> source_;
  std::vector<std::weak_ptr<Recordset>> recordsets_;
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
