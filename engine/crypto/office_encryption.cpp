#include "engine/crypto/office_encryption.h"

#include "engine/crypto/agile_codec.h"
#include "engine/crypto/encryption_info.h"
#include "engine/crypto/rc4_cryptoapi_codec.h"
#include "engine/crypto/secret.h"
#include "engine/crypto/standard_codec.h"

namespace engine::crypto {

namespace {

// Office keys passwords by their first 255 UTF-16 units.
constexpr size_t kMaxPasswordUnits = 255;

void PushUnit(Secret& out, size_t& used, uint32_t unit) {
  out[used++] = static_cast<uint8_t>(unit);
  out[used++] = static_cast<uint8_t>(unit >> 8);
}

// `utf8` as UTF-16LE; a byte that does not start a valid sequence stands for U+FFFD.
Secret Utf16Password(const std::string& utf8) {
  Secret out(2 * kMaxPasswordUnits + 2);
  size_t used = 0;
  size_t k = 0;
  const size_t n = utf8.size();
  auto byte = [&](size_t at) { return static_cast<uint8_t>(utf8[at]); };
  while (k < n && used < 2 * kMaxPasswordUnits) {
    uint32_t cp = 0xFFFD;
    const uint8_t b = byte(k);
    size_t length = 1;
    if (b < 0x80) {
      cp = b;
    } else if (b >= 0xC2 && b <= 0xF4) {
      length = b < 0xE0 ? 2 : (b < 0xF0 ? 3 : 4);
      uint32_t v = b & (0x3F >> (length - 1));
      bool ok = k + length <= n;
      for (size_t j = 1; ok && j < length; ++j) {
        ok = (byte(k + j) & 0xC0) == 0x80;
        v = (v << 6) | (byte(k + j) & 0x3F);
      }
      const uint32_t least = length == 2 ? 0x80 : (length == 3 ? 0x800 : 0x10000);
      if (ok && v >= least && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
        cp = v;
      } else {
        length = 1;
      }
    }
    k += length;
    if (cp >= 0x10000) {
      if (used + 4 > 2 * kMaxPasswordUnits) break;
      PushUnit(out, used, 0xD800 + ((cp - 0x10000) >> 10));
      PushUnit(out, used, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      PushUnit(out, used, cp);
    }
  }
  out.FitTo(used, 0);
  return out;
}

}  // namespace

OfficeOpenStatus OpenOfficeEncryption(ByteView infoBytes, uint32_t databaseKey,
                                      const std::string& password,
                                      std::unique_ptr<PageCodec>& out) {
  EncryptionInfo info;
  switch (EncryptionInfo::Parse(infoBytes, info)) {
    case InfoStatus::kOk: break;
    case InfoStatus::kDamaged: return OfficeOpenStatus::kDamaged;
    case InfoStatus::kUnsupported: return OfficeOpenStatus::kUnsupported;
  }
  if (password.empty()) return OfficeOpenStatus::kNoPassword;
  const Secret utf16 = Utf16Password(password);
  switch (info.scheme) {
    case Scheme::kAgile: out = OpenAgile(info.agile, utf16.View(), databaseKey); break;
    case Scheme::kStandard:
      out = OpenStandard(info.binary, utf16.View(), databaseKey, kStandardSpins);
      break;
    case Scheme::kNonStandardAes:
      out = OpenStandard(info.binary, utf16.View(), databaseKey, 0);
      break;
    case Scheme::kRc4CryptoApi: out = OpenRc4CryptoApi(info.binary, utf16.View(), databaseKey); break;
  }
  return out ? OfficeOpenStatus::kOk : OfficeOpenStatus::kWrongPassword;
}

}  // namespace engine::crypto
