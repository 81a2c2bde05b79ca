// The encrypting side of Office encryption, for the tests and the fuzz target only: turns a plain
// .accdb into an Office-encrypted one, written straight from the key derivations with OpenSSL so
// that the reader is checked against an independent writer. Deterministic: salts, verifier and
// keys are fixed bytes, never random.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace enginetest {

enum class OfficeScheme { kAgile, kStandard, kNonStandardAes, kRc4CryptoApi };

struct OfficeEncryptOptions {
  OfficeScheme scheme = OfficeScheme::kStandard;
  std::string password = "password";  // UTF-8, characters of the Basic Multilingual Plane
  uint32_t databaseKey = 0x5EC0A1D3;
  uint32_t keyBits = 128;            // AES 128/192/256; RC4 40 to 128
  uint32_t spinCount = 100000;       // agile only
  std::string agileHash = "SHA512";  // agile only: SHA1, SHA256, SHA384, SHA512
};

// Where the EncryptionInfo lives in the header page of an .accdb: a 16-bit length, then the bytes.
constexpr size_t kEncryptionInfoLengthOffset = 0x299;
constexpr size_t kEncryptionInfoOffset = 0x29B;

// An encrypted copy of the unencrypted .accdb `plain` (4096-byte pages).
std::vector<uint8_t> EncryptAccdb(const std::vector<uint8_t>& plain,
                                  const OfficeEncryptOptions& options);

}  // namespace enginetest
