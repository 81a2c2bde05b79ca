#include "engine/crypto/encryption_info.h"

#include <string>

namespace engine::crypto {

namespace {

constexpr uint32_t kFlagCryptoApi = 0x04;
constexpr uint32_t kFlagExternal = 0x10;
constexpr uint32_t kFlagAes = 0x20;
constexpr uint32_t kAgileReserved = 0x40;

constexpr uint32_t kAlgRc4 = 0x6801;
constexpr uint32_t kAlgAes128 = 0x660E;
constexpr uint32_t kAlgAes192 = 0x660F;
constexpr uint32_t kAlgAes256 = 0x6610;
constexpr uint32_t kHashSha1 = 0x8004;

constexpr size_t kHeaderFixedSize = 32;  // EncryptionHeader before the provider's name
constexpr uint32_t kSaltSize = 16;
constexpr size_t kVerifierSize = 16;
constexpr uint32_t kSha1Size = 20;

// The provider name in lower case, characters outside ASCII as '?'.
std::string LowerProviderName(ByteView name) {
  std::string out;
  for (size_t k = 0; k + 1 < name.size(); k += 2) {
    const uint16_t unit = name.U16(k);
    if (unit == 0) break;
    char c = unit < 0x80 ? static_cast<char>(unit) : '?';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    out.push_back(c);
  }
  return out;
}

std::vector<uint8_t> Copy(ByteView v) { return std::vector<uint8_t>(v.data(), v.data() + v.size()); }

// EncryptionHeader + EncryptionVerifier from offset 8 on (after version and flags).
InfoStatus ParseBinary(ByteView bytes, EncryptionInfo& out) {
  const uint32_t headerSize = bytes.U32(8);
  if (headerSize < kHeaderFixedSize || !bytes.Has(12, headerSize)) return InfoStatus::kDamaged;
  const ByteView header = bytes.Sub(12, headerSize);
  BinaryDescription& d = out.binary;
  d.flags = header.U32(0);
  uint32_t algorithm = header.U32(8);
  const uint32_t hash = header.U32(12);
  uint32_t keyBits = header.U32(16);

  if (!(d.flags & kFlagCryptoApi) || (d.flags & kFlagExternal)) return InfoStatus::kUnsupported;
  if (algorithm == 0) algorithm = (d.flags & kFlagAes) ? kAlgAes128 : kAlgRc4;
  if (hash != 0 && hash != kHashSha1) return InfoStatus::kUnsupported;

  const bool aes = algorithm == kAlgAes128 || algorithm == kAlgAes192 || algorithm == kAlgAes256;
  if (algorithm != kAlgRc4 && !aes) return InfoStatus::kUnsupported;
  if (aes) {
    const uint32_t expected =
        algorithm == kAlgAes128 ? 128 : (algorithm == kAlgAes192 ? 192 : 256);
    if (keyBits == 0) keyBits = expected;
    if (keyBits != expected) return InfoStatus::kUnsupported;
    out.scheme = (d.flags & kFlagAes) ? Scheme::kStandard : Scheme::kNonStandardAes;
    // The variant without fAES is only known from version 4.2.
    if (out.scheme == Scheme::kNonStandardAes &&
        !(out.versionMajor == 4 && out.versionMinor == 2))
      return InfoStatus::kUnsupported;
  } else {
    if (d.flags & kFlagAes) return InfoStatus::kUnsupported;
    if (keyBits == 0) {
      // The default key size is the provider's: 40 bits for the "Base" provider (or none named),
      // 128 for the others.
      const std::string name = LowerProviderName(header.From(kHeaderFixedSize));
      keyBits = (name.empty() || name.find(" base ") != std::string::npos) ? 40 : 128;
    }
    if (keyBits < 40 || keyBits > 128 || keyBits % 8 != 0) return InfoStatus::kUnsupported;
    out.scheme = Scheme::kRc4CryptoApi;
  }
  d.algorithmId = algorithm;
  d.keyBits = keyBits;

  const ByteView verifier = bytes.From(12 + static_cast<size_t>(headerSize));
  if (verifier.U32(0) != kSaltSize) return InfoStatus::kUnsupported;
  d.salt = Copy(verifier.Sub(4, kSaltSize));
  d.encryptedVerifier = Copy(verifier.Sub(4 + kSaltSize, kVerifierSize));
  d.verifierHashSize = verifier.U32(4 + kSaltSize + kVerifierSize);
  if (d.verifierHashSize != kSha1Size) return InfoStatus::kUnsupported;
  // RC4 encrypts the 20 bytes of the hash; AES pads them to two blocks.
  const size_t encryptedHashSize = aes ? 32 : kSha1Size;
  d.encryptedVerifierHash = Copy(verifier.Sub(8 + kSaltSize + kVerifierSize, encryptedHashSize));
  return InfoStatus::kOk;
}

}  // namespace

InfoStatus EncryptionInfo::Parse(ByteView bytes, EncryptionInfo& out) {
  try {
    out = EncryptionInfo();
    out.versionMajor = bytes.U16(0);
    out.versionMinor = bytes.U16(2);
    const uint32_t flags = bytes.U32(4);
    const bool binaryVersion = out.versionMinor == 2 && out.versionMajor >= 2 && out.versionMajor <= 4;
    const bool agileVersion = out.versionMajor == 4 && out.versionMinor == 4;
    // Version 4.2 followed by the agile reserved value carries an XML description as well.
    if (agileVersion || (binaryVersion && out.versionMajor == 4 && flags == kAgileReserved)) {
      if (flags != kAgileReserved) return InfoStatus::kUnsupported;
      out.scheme = Scheme::kAgile;
      return ParseAgileXml(bytes.From(8), out.agile);
    }
    if (!binaryVersion || !(flags & kFlagCryptoApi)) return InfoStatus::kUnsupported;
    return ParseBinary(bytes, out);
  } catch (const CorruptError&) {
    return InfoStatus::kDamaged;
  }
}

}  // namespace engine::crypto
