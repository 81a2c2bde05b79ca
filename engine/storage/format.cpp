#include "engine/storage/format.h"

namespace engine {

namespace {

constexpr FormatDescriptor kJet3 = {
    .name = "Jet3",
    .versionByte = 0,
    .ace = false,
    .pageSize = 2048,
    .headerMaskedLength = 126,
    .passwordLength = 20,
    .passwordDateMask = false,
    .officeEncryptionInfo = 0,
    .text = TextStorage::kCodePage,
    .nameLengthSize = 1,
    .dataRowCountOffset = 8,
    .tdefRowCount = 12,
    .tdefMaxColumns = 21,
    .tdefVarColumns = 23,
    .tdefColumnCount = 25,
    .tdefIndexCount = 27,
    .tdefRealIndexCount = 31,
    .tdefUsageMap = 35,
    .tdefBlockEnd = 43,
    .realIndexCountEntrySize = 8,
    .columnEntrySize = 18,
    .columnType = 0,
    .columnNumber = 1,
    .columnVarIndex = 3,
    .columnMisc = 9,
    .columnFlags = 13,
    .columnExtraFlags = 0,
    .columnFixedOffset = 14,
    .columnLength = 16,
    .realIndexEntrySize = 39,
    .realIndexColumns = 0,
    .realIndexFlags = 38,
    .realIndexFirstPage = 34,
    .indexEntrySize = 20,
    .indexRealIndex = 4,
    .indexRelatedTableType = 8,
    .indexType = 19,
    .indexPagePrevious = 8,
    .indexPageNext = 12,
    .indexPageTail = 16,
    .indexPagePrefixLength = 20,
    .indexPageEntryMask = 22,
    .indexPageEntries = 0xF8,
    .rowColumnCountSize = 1,
    .rowOffsets = RowOffsets::kOneByteWithJumps,
};

// Jet4 and every ACE version share the layout; only the name and version byte differ.
constexpr FormatDescriptor Jet4Like(const char* name, uint8_t version, bool ace) {
  return {
      .name = name,
      .versionByte = version,
      .ace = ace,
      .pageSize = 4096,
      .headerMaskedLength = 128,
      .passwordLength = 40,
      .passwordDateMask = true,
      .officeEncryptionInfo = ace ? size_t{0x299} : size_t{0},
      .text = TextStorage::kUcs2,
      .nameLengthSize = 2,
      .dataRowCountOffset = 12,
      .tdefRowCount = 16,
      .tdefMaxColumns = 41,
      .tdefVarColumns = 43,
      .tdefColumnCount = 45,
      .tdefIndexCount = 47,
      .tdefRealIndexCount = 51,
      .tdefUsageMap = 55,
      .tdefBlockEnd = 63,
      .realIndexCountEntrySize = 12,
      .columnEntrySize = 25,
      .columnType = 0,
      .columnNumber = 5,
      .columnVarIndex = 7,
      .columnMisc = 11,
      .columnFlags = 15,
      .columnExtraFlags = 16,
      .columnFixedOffset = 21,
      .columnLength = 23,
      .realIndexEntrySize = 52,
      .realIndexColumns = 4,
      .realIndexFlags = 46,
      .realIndexFirstPage = 38,
      .indexEntrySize = 28,
      .indexRealIndex = 8,
      .indexRelatedTableType = 12,
      .indexType = 23,
      .indexPagePrevious = 12,
      .indexPageNext = 16,
      .indexPageTail = 20,
      .indexPagePrefixLength = 24,
      .indexPageEntryMask = 27,
      .indexPageEntries = 0x1E0,
      .rowColumnCountSize = 2,
      .rowOffsets = RowOffsets::kTwoByte,
  };
}

constexpr FormatDescriptor kJet4 = Jet4Like("Jet4", 1, false);
constexpr FormatDescriptor kAce12 = Jet4Like("ACE12", 2, true);
constexpr FormatDescriptor kAce14 = Jet4Like("ACE14", 3, true);
// Version byte 4 was written by Access 2013; its layout is that of Access 2010.
constexpr FormatDescriptor kAce14b = Jet4Like("ACE14", 4, true);
constexpr FormatDescriptor kAce16 = Jet4Like("ACE16", 5, true);
constexpr FormatDescriptor kAce17 = Jet4Like("ACE17", 6, true);

}  // namespace

const FormatDescriptor* DescriptorForVersion(uint8_t versionByte) {
  switch (versionByte) {
    case 0: return &kJet3;
    case 1: return &kJet4;
    case 2: return &kAce12;
    case 3: return &kAce14;
    case 4: return &kAce14b;
    case 5: return &kAce16;
    case 6: return &kAce17;
    default: return nullptr;
  }
}

}  // namespace engine
