// The rows of a user table, as typed values, one row at a time.
//
// A RowSource walks a table's live rows in stored order and hands each over as a vector of Values,
// one per column in the table's field order. Memory stays bounded whatever the table's size: only
// the page being read and the row being handed over are held (complex columns also hold the rows
// of their hidden table that belong to the current row). The writers of data (SQLite, the server
// scripts, CSV) take a RowSource, so they can be fed by the engine or, in tests, by rows built
// by hand.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace dao {

// An exact decimal number: the unscaled magnitude as decimal digits ("0" for zero, no leading
// zeros), the number of those digits after the decimal point, and the sign.
// Jet4/ACE Decimal columns (up to 28 digits), Currency (scale 4) and Large Number fit.
struct Decimal {
  bool negative = false;
  std::string digits = "0";
  int scale = 0;
  // "-123.4500" style text: sign, digits with the point placed by the scale ("0.05" for 5 at
  // scale 2); never an exponent.
  std::string ToString() const;
};

// A GUID as stored (16 bytes, the first three groups little-endian as Windows keeps them).
struct Guid {
  std::array<uint8_t, 16> bytes{};
  // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in upper case, as Access shows it.
  std::string ToString() const;
};

struct Value;

// One row of a complex column's hidden table (an attachment, one value of a multi-value field,
// one version of a memo's history): its user columns, named.
struct ComplexItem {
  std::vector<std::string> names;
  std::vector<Value> values;
};

struct Value {
  enum class Kind : uint8_t {
    kNull,
    kBool,      // Yes/No: `boolean`
    kInt,       // Byte, Integer, Long, Large Number: `integer`
    kCurrency,  // `integer` = the amount times 10,000, exactly as stored
    kDecimal,   // `decimal`
    kSingle,    // `real`, the stored float widened (exactly) to double
    kDouble,    // `real`
    kDateTime,  // `real` = Access's day number (days since 30 Dec 1899, the fraction the time)
    kDateTimeExtended,  // `text` = "YYYY-MM-DD hh:mm:ss.fffffff" as ACE stores it
    kText,      // Text, Memo, Hyperlink (display#address#subaddress#screentip): `text`, UTF-8
    kBytes,     // Binary, OLE Object: `text` holds the bytes
    kGuid,      // `guid`
    kComplex,   // attachment, multi-value or version history: `items`
  };
  Kind kind = Kind::kNull;
  bool boolean = false;
  int64_t integer = 0;
  double real = 0.0;
  std::string text;
  Decimal decimal;
  Guid guid;
  std::vector<ComplexItem> items;

  bool IsNull() const { return kind == Kind::kNull; }
  DateTime AsDateTime() const { return DateTime{real}; }
};

// The civil (proleptic Gregorian) date `days` days after 30 December 1899 (before it when
// negative), for any day number a file can hold.
void CivilDate(int64_t days, int64_t& year, int& month, int& day);

// ISO 8601 text of an Access day number: "YYYY-MM-DDThh:mm:ss", with ".fff" when the time has
// milliseconds. The whole days count from 30 December 1899 (negative before it), the fraction is
// the time of day whatever the sign (-1.25 is 29 December 1899 at 06:00). Years before 1000 are
// written with four digits, before year 1 with a sign. Empty for a day number that is not finite
// or lies beyond year 275,000.
std::string IsoDateTime(double days);

// A column of a RowSource.
struct RowColumn {
  std::string name;
  int type = 0;  // DAO field type code (dbLong, dbText, dbAttachment, …)
  int size = 0;  // the field's Size
  // For complex columns: the user columns of the hidden table, in order (an attachment's
  // FileName, FileType, FileData, …; a multi-value field's Value).
  std::vector<RowColumn> parts;
};

// What was left out while salvaging: one row, rows missing together, a page whose rows cannot be
// counted, or an item of a complex column.
struct LostRow {
  int64_t row = 0;  // the row's position among the table's rows, from 1; 0 when the entry names
                    // no one row (a page, a gap, an item of a complex column)
  std::string reason;
  // How many of the table's rows the entry stands for: 1 for a row, more for a gap, 0 for an item
  // of a complex column (its row is written without it), kUnknownRows when they cannot be counted.
  int64_t rows = 1;

  static constexpr int64_t kUnknownRows = -1;
};

// What `lost` adds up to: the rows counted, and whether some could not be (then there were at
// least that many).
struct LostCount {
  int64_t rows = 0;
  bool atLeast = false;
};
LostCount CountLost(const std::vector<LostRow>& lost);

class RowSource {
 public:
  virtual ~RowSource() = default;
  // The table's name and columns, in field order.
  virtual const std::string& TableName() const = 0;
  virtual const std::vector<RowColumn>& Columns() const = 0;
  // Fills `row` with the next live row (one Value per column) and returns true; false after the
  // last. A row that cannot be read raises dao::Error naming the table and the row, unless the
  // source salvages: then the row is left out and recorded in Lost().
  virtual bool Next(std::vector<Value>& row) = 0;
  // Rows handed over so far.
  virtual int64_t RowsRead() const = 0;
  // Rows left out while salvaging, with why.
  virtual const std::vector<LostRow>& Lost() const = 0;
};

}  // namespace dao
