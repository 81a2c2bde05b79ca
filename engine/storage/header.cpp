#include "engine/storage/header.h"

#include <cstring>

#include "engine/crypto/rc4.h"

namespace engine {

namespace {

constexpr size_t kSignatureOffset = 4;
constexpr char kJetSignature[] = "Standard Jet DB";  // followed by a zero byte
constexpr char kAceSignature[] = "Standard ACE DB";
constexpr size_t kVersionOffset = 0x14;
constexpr size_t kMaskedOffset = 0x18;
constexpr uint32_t kHeaderKey = 0x6B39DAC7;
constexpr size_t kCodePageOffset = 0x3C;
constexpr size_t kDatabaseKeyOffset = 0x3E;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kCreationDateOffset = 0x72;

bool HasSignature(ByteView page, const char* signature) {
  return page.Has(kSignatureOffset, 16) &&
         std::memcmp(page.data() + kSignatureOffset, signature, 16) == 0;
}

}  // namespace

HeaderStatus DatabaseHeader::Parse(ByteView page, DatabaseHeader& out) {
  if (!page.Has(0, kVersionOffset + 1)) return HeaderStatus::kNotAccess;
  if (page.U32(0) != 0x00000100) return HeaderStatus::kNotAccess;
  const bool jet = HasSignature(page, kJetSignature);
  const bool ace = HasSignature(page, kAceSignature);
  if (!jet && !ace) return HeaderStatus::kNotAccess;
  const FormatDescriptor* format = DescriptorForVersion(page.U8(kVersionOffset));
  if (!format || format->ace != ace) return HeaderStatus::kUnknownVersion;
  if (page.size() < format->pageSize) return HeaderStatus::kTruncated;

  std::vector<uint8_t> copy(page.data(), page.data() + format->pageSize);
  Rc4DecodeWithKey32(kHeaderKey, copy.data() + kMaskedOffset, format->headerMaskedLength);
  ByteView header(copy.data(), copy.size());

  out.format = format;
  out.codePage = header.U16(kCodePageOffset);
  out.databaseKey = header.U32(kDatabaseKeyOffset);
  out.creationDate = format->passwordDateMask ? header.F64(kCreationDateOffset) : 0.0;

  ByteView field = header.Sub(kPasswordOffset, format->passwordLength);
  out.passwordBytes.assign(field.data(), field.data() + field.size());
  if (format->passwordDateMask) {
    // The mask is the whole-day part of the creation date as a little-endian 32-bit integer.
    const double date = out.creationDate;
    const int32_t day = (date > -2147483648.0 && date < 2147483647.0) ? static_cast<int32_t>(date) : 0;
    const uint32_t mask = static_cast<uint32_t>(day);
    for (size_t k = 0; k < out.passwordBytes.size(); ++k)
      out.passwordBytes[k] ^= static_cast<uint8_t>(mask >> (8 * (k % 4)));
  }
  while (!out.passwordBytes.empty() && out.passwordBytes.back() == 0) out.passwordBytes.pop_back();
  // UCS-2 text ends on a whole unit.
  if (format->text == TextStorage::kUcs2 && out.passwordBytes.size() % 2) out.passwordBytes.push_back(0);

  if (format->officeEncryptionInfo != 0) {
    const size_t at = format->officeEncryptionInfo;
    const size_t length = header.U16(at);
    if (header.Has(at + 2, length)) {
      out.encryptionInfo.assign(header.data() + at + 2, header.data() + at + 2 + length);
    } else {
      out.encryptionInfoCut = true;
    }
  }
  return HeaderStatus::kOk;
}

}  // namespace engine
