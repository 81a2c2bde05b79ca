// libFuzzer target for Office-encrypted .accdb files. The first byte of the input chooses what the
// rest is:
//
//   even  an EncryptionInfo structure, read and checked against the password "password" as the
//         engine does when it opens a file, then (if it is accepted) used to decode a page;
//   odd   an unencrypted database, encrypted here with the scheme the byte's next bits choose,
//         then opened with its password and described completely: the pages the reader parses
//         are the decrypted ones.
//
// Engine errors are the expected outcome of damaged input; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/crypto/encryption_info.h"
#include "engine/crypto/office_encryption.h"
#include "engine/dao.h"
#include "tests/engine/office_encrypt.h"
#include "tests/fuzz/describe.h"

namespace {

constexpr size_t kPage = 4096;
// Agile descriptions may ask for up to ten million spins, which the engine grants; here inputs
// asking for more than this are skipped so that the fuzzer keeps its pace.
constexpr uint32_t kFuzzSpinLimit = 20'000;

void FuzzHeader(const uint8_t* data, size_t size) {
  const engine::ByteView info(data, size);
  engine::crypto::EncryptionInfo parsed;
  if (engine::crypto::EncryptionInfo::Parse(info, parsed) == engine::crypto::InfoStatus::kOk &&
      parsed.scheme == engine::crypto::Scheme::kAgile && parsed.agile.spinCount > kFuzzSpinLimit)
    return;
  std::unique_ptr<engine::crypto::PageCodec> codec;
  if (engine::crypto::OpenOfficeEncryption(info, 0x5EC0A1D3, "password", codec) ==
      engine::crypto::OfficeOpenStatus::kOk) {
    std::vector<uint8_t> page(kPage, 0);
    codec->Decode(2, page.data(), page.size());
  }
}

void FuzzPages(uint8_t choice, const uint8_t* data, size_t size) {
  std::vector<uint8_t> plain(data, data + size);
  plain.resize(std::max<size_t>(3 * kPage, (size + kPage - 1) / kPage * kPage), 0);
  enginetest::OfficeEncryptOptions o;
  switch ((choice >> 1) % 4) {
    case 0: o.scheme = enginetest::OfficeScheme::kRc4CryptoApi; break;
    case 1: o.scheme = enginetest::OfficeScheme::kNonStandardAes; o.keyBits = 256; break;
    case 2: o.scheme = enginetest::OfficeScheme::kAgile; o.spinCount = 1; break;
    default: o.scheme = enginetest::OfficeScheme::kAgile; o.spinCount = 1; o.agileHash = "SHA1"; break;
  }
  const std::vector<uint8_t> encrypted = enginetest::EncryptAccdb(plain, o);
  const std::string path = fuzz::InMemoryFile(encrypted.data(), encrypted.size());
  try {
    auto db = dao::DBEngine().OpenDatabase(path, false, true, std::string(";password"));
    fuzz::DescribeAll(*db);
    db->Close();
  } catch (const dao::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  if (data[0] % 2 == 0) {
    FuzzHeader(data + 1, size - 1);
  } else if (size - 1 <= 256 * kPage) {
    FuzzPages(data[0], data + 1, size - 1);
  }
  return 0;
}
