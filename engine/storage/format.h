// The on-disk layouts of the Access file versions the reader knows, one descriptor per version.
// Every offset and size that differs between Jet3, Jet4 and ACE lives here and nowhere else.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine {

// How text (names, text and memo values) is stored.
enum class TextStorage {
  kCodePage,  // one byte per character in the database's code page (Jet3)
  kUcs2,      // UCS-2 little-endian, optionally with the 0xFF 0xFE compression (Jet4, ACE)
};

// How a data row locates its variable-length columns.
enum class RowOffsets {
  kOneByteWithJumps,  // 1-byte offsets plus a jump table for rows past 255 bytes (Jet3)
  kTwoByte,           // 2-byte offsets (Jet4, ACE)
};

struct FormatDescriptor {
  const char* name;  // "Jet3", "Jet4", "ACE12", ...
  uint8_t versionByte;
  bool ace;          // an .accdb file
  uint32_t pageSize;

  // Header page.
  size_t headerMaskedLength;  // bytes from 0x18 encoded with the fixed RC4 key
  size_t passwordLength;      // bytes of the password field at 0x42
  bool passwordDateMask;      // password further masked with the creation date at 0x72
  // Offset of the 16-bit length of the Office EncryptionInfo, which follows it; 0 when the
  // version cannot be Office-encrypted.
  size_t officeEncryptionInfo;

  TextStorage text;
  size_t nameLengthSize;  // size of the length prefix of names in a table definition

  // Data pages.
  size_t dataRowCountOffset;  // number of rows; the row offset table follows

  // Table definition block (offsets from the start of the joined definition).
  size_t tdefRowCount;
  size_t tdefMaxColumns;
  size_t tdefVarColumns;
  size_t tdefColumnCount;
  size_t tdefIndexCount;      // logical indexes
  size_t tdefRealIndexCount;  // physical indexes
  size_t tdefUsageMap;        // row pointer of the table's page usage map
  size_t tdefBlockEnd;        // first byte after the fixed block
  size_t realIndexCountEntrySize;

  // Column entry.
  size_t columnEntrySize;
  size_t columnType;
  size_t columnNumber;
  size_t columnVarIndex;
  size_t columnMisc;  // precision/scale, code page or, for complex columns, the complex id
  size_t columnFlags;
  size_t columnExtraFlags;  // second flag byte (calculated columns and the like); 0: none stored
  size_t columnFixedOffset;
  size_t columnLength;

  // Physical index entry.
  size_t realIndexEntrySize;
  size_t realIndexColumns;  // ten (column number, order) pairs
  size_t realIndexFlags;    // unique, ignore-nulls and required bits
  size_t realIndexFirstPage;  // the index's root page

  // Logical index entry.
  size_t indexEntrySize;
  size_t indexRealIndex;  // number of the physical index behind it
  size_t indexRelatedTableType;  // foreign keys: 1 on the referenced side, 2 on the referencing
  size_t indexType;

  // Index pages (leaf and node pages of an index's B-tree).
  size_t indexPagePrevious;      // previous page of the same level
  size_t indexPageNext;          // next page of the same level
  size_t indexPageTail;          // node pages: the right-most child, not named by any entry
  size_t indexPagePrefixLength;  // bytes every entry after the first shares with the first
  size_t indexPageEntryMask;     // one bit per byte of the entry area, set where an entry ends
  size_t indexPageEntries;       // start of the entry area (the mask ends there)

  // Data rows.
  size_t rowColumnCountSize;  // size of the column count at the start of a row (and of var_len)
  RowOffsets rowOffsets;
};

// The descriptor for the version byte at 0x14 of the header page, or nullptr when unknown.
const FormatDescriptor* DescriptorForVersion(uint8_t versionByte);

}  // namespace engine
