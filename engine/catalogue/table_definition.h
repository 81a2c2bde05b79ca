// A table definition (TDEF): the table's row count, columns, physical and logical indexes and the
// pointer to its page usage map. A definition may continue over several pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/page_reader.h"
#include "engine/storage/text_codec.h"

namespace engine {

// On-disk column type codes.
enum ColumnType : uint8_t {
  kColBoolean = 0x01,
  kColByte = 0x02,
  kColInteger = 0x03,
  kColLong = 0x04,
  kColCurrency = 0x05,
  kColSingle = 0x06,
  kColDouble = 0x07,
  kColDateTime = 0x08,
  kColBinary = 0x09,
  kColText = 0x0A,
  kColOle = 0x0B,
  kColMemo = 0x0C,
  kColGuid = 0x0F,
  kColNumeric = 0x10,
  kColComplex = 0x12,
  kColBigInt = 0x13,
  kColExtendedDateTime = 0x14,
};

struct ColumnDef {
  std::string name;
  uint8_t type = 0;
  uint16_t number = 0;       // bit of the row's null mask; ordinal including deleted columns
  uint16_t varIndex = 0;     // entry of the row's variable-offset table
  uint16_t fixedOffset = 0;  // offset of the value among the row's fixed-length data
  uint16_t length = 0;       // declared length in bytes
  uint8_t flags = 0;
  uint8_t extraFlags = 0;    // ACE only; 0 elsewhere
  uint32_t misc = 0;         // for complex columns: the complex id
  bool IsFixed() const { return (flags & kColumnFixed) != 0; }
  // An AutoNumber: a Long Integer with the incrementing flag, or a GUID with the generated-GUID
  // flag (a replication ID). The flag bits on columns of other types (attachments, and Text,
  // Date/Time or Currency columns of some files) do not make them AutoNumbers.
  bool IsAutoNumber() const {
    return (type == kColLong && (flags & kColumnAutoLong)) ||
           (type == kColGuid && (flags & kColumnAutoGuid));
  }
  bool IsHyperlink() const { return (flags & kColumnHyperlink) != 0; }
  // A calculated column: its stored type and length are those of the stored result, which
  // carries a header of kCalculatedHeaderSize bytes.
  bool IsCalculated() const { return (extraFlags & kColumnCalculated) != 0; }

  static constexpr uint8_t kColumnFixed = 0x01;
  static constexpr uint8_t kColumnUpdatable = 0x02;
  static constexpr uint8_t kColumnAutoLong = 0x04;
  static constexpr uint8_t kColumnAutoGuid = 0x40;
  static constexpr uint8_t kColumnHyperlink = 0x80;
  static constexpr uint8_t kColumnCalculated = 0xC0;  // in extraFlags
  static constexpr uint16_t kCalculatedHeaderSize = 23;
};

struct RealIndexDef {
  std::vector<uint16_t> columnNumbers;  // key columns in key order (ColumnDef::number)
  std::vector<bool> descending;         // parallel to columnNumbers
  uint8_t flags = 0;                    // kIndexUnique | kIndexIgnoreNulls | kIndexRequired
  uint32_t firstPage = 0;               // root page of the index's B-tree

  static constexpr uint8_t kIndexUnique = 0x01;
  static constexpr uint8_t kIndexIgnoreNulls = 0x02;
  static constexpr uint8_t kIndexRequired = 0x08;
};

struct LogicalIndexDef {
  std::string name;
  uint32_t realIndex = 0;  // position in TableDefinition::realIndexes
  uint8_t type = 0;        // kPrimaryKey, kForeignKey or 0
  uint8_t relatedTableType = 0;  // foreign keys: kReferencedSide or the referencing side

  static constexpr uint8_t kPrimaryKey = 1;
  static constexpr uint8_t kForeignKey = 2;
  static constexpr uint8_t kReferencedSide = 1;
};

struct TableDefinition {
  uint32_t page = 0;
  uint32_t rowCount = 0;
  uint16_t varColumnCount = 0;
  std::vector<ColumnDef> columns;  // in stored order
  std::vector<RealIndexDef> realIndexes;
  std::vector<LogicalIndexDef> indexes;  // in stored order
  uint32_t usageMap = 0;  // row pointer (page << 8 | row) of the usage map

  // Reads the definition that starts on `page`. Raises CorruptError when it is not a table
  // definition or does not hold together.
  static TableDefinition Read(PageReader& pages, uint32_t page, const TextCodec& codec);

  // The column with this column number, or nullptr.
  const ColumnDef* ColumnByNumber(uint16_t number) const;
  // The column with this name (exact match), or nullptr.
  const ColumnDef* ColumnByName(const std::string& name) const;
};

}  // namespace engine
