// The description of an Office-encrypted .accdb: the EncryptionInfo structure stored in the
// header page (a 16-bit length at the format's offset, then the structure). It names the scheme,
// its algorithms and sizes, and the password verifier; the keys themselves come from the password.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/crypto/digest.h"

namespace engine::crypto {

enum class InfoStatus {
  kOk,
  kDamaged,      // cut short, or sizes that do not fit inside the structure
  kUnsupported,  // well-formed but not something we decrypt (version, algorithm, sizes, XML)
};

enum class Scheme {
  kAgile,           // version 4.4: XML description, AES-CBC pages with a per-page IV
  kStandard,        // versions 2-4.2 with fCryptoAPI and fAES: AES-ECB, 50,000 SHA-1 spins
  kNonStandardAes,  // version 4.2 with fCryptoAPI but no fAES and an AES algorithm: no spins
  kRc4CryptoApi,    // versions 2-4.2 with fCryptoAPI and RC4
};

// EncryptionHeader and EncryptionVerifier of the binary schemes.
struct BinaryDescription {
  uint32_t flags = 0;
  uint32_t algorithmId = 0;  // after defaults: 0x6801 RC4, 0x660E/0x660F/0x6610 AES-128/192/256
  uint32_t keyBits = 0;      // after defaults
  std::vector<uint8_t> salt;                   // 16 bytes
  std::vector<uint8_t> encryptedVerifier;      // 16 bytes
  uint32_t verifierHashSize = 0;               // 20 (SHA-1)
  std::vector<uint8_t> encryptedVerifierHash;  // 20 bytes for RC4, 32 for AES
};

// The parameters of one AES key use in an agile description.
struct AgileCipher {
  HashAlgorithm hash = HashAlgorithm::kSha1;
  uint32_t hashSize = 0;   // bytes; equal to the algorithm's digest size
  uint32_t keyBytes = 0;   // 16, 24 or 32
  uint32_t blockSize = 0;  // 16
  std::vector<uint8_t> salt;
};

struct AgileDescription {
  AgileCipher keyData;  // how pages are encrypted with the intermediate key
  AgileCipher password;  // how the intermediate key is encrypted with the password
  uint32_t spinCount = 0;
  std::vector<uint8_t> encryptedVerifierHashInput;
  std::vector<uint8_t> encryptedVerifierHashValue;
  std::vector<uint8_t> encryptedKeyValue;
};

// Spin counts above this are refused: a damaged or hostile file must not keep the reader busy.
constexpr uint32_t kMaxSpinCount = 10'000'000;

struct EncryptionInfo {
  uint16_t versionMajor = 0;
  uint16_t versionMinor = 0;
  Scheme scheme = Scheme::kAgile;
  BinaryDescription binary;  // every scheme but kAgile
  AgileDescription agile;    // kAgile

  // Decodes the structure in `bytes` (without its length prefix).
  static InfoStatus Parse(ByteView bytes, EncryptionInfo& out);
};

// Reads the XML description of agile encryption (`xml`: the bytes after the version and the
// reserved value) into `out`. Part of Parse; exposed for the tests.
InfoStatus ParseAgileXml(ByteView xml, AgileDescription& out);

}  // namespace engine::crypto
