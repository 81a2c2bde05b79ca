// What Office encryption costs when a database is opened and documented.
//
//   KeyDerivation/...  the spun password hash alone (agile: 100,000 rounds of SHA-512).
//   Password/right, Password/wrong
//                      reading the EncryptionInfo of the encrypted test file and checking a
//                      password with its verifier: the whole derivation is done either way.
//   Describe/...       open, then every table's record count, fields and indexes and every
//                      query's SQL, close: the agile file, its unencrypted twin, and the twin
//                      encrypted here with agile encryption and a single spin (page decryption
//                      without the key derivation).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/crypto/digest.h"
#include "engine/crypto/office_encryption.h"
#include "engine/dao.h"
#include "tests/engine/office_encrypt.h"

namespace {

namespace fs = std::filesystem;

const std::string kEncrypted = std::string(TAVREK_TEST_DATA) + "/encrypted/V2010_with-password.accdb";
const std::string kPlain = std::string(TAVREK_TEST_DATA) + "/encrypted/V2010_no-password.accdb";

std::vector<uint8_t> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void KeyDerivation(benchmark::State& state) {
  const std::vector<uint8_t> salt(16, 0x42);
  const std::u16string pw = u"password";
  const engine::ByteView password(reinterpret_cast<const uint8_t*>(pw.data()), 2 * pw.size());
  for (auto _ : state) {
    auto h = engine::crypto::SpunPasswordHash(engine::crypto::HashAlgorithm::kSha512,
                                              engine::ByteView(salt.data(), salt.size()), password,
                                              100000);
    benchmark::DoNotOptimize(h.data());
  }
}

void Password(benchmark::State& state, const std::string& password) {
  const std::vector<uint8_t> file = Read(kEncrypted);
  // The EncryptionInfo and the database key as the header holds them (the key's masking does not
  // matter to the cost).
  const size_t length = file.at(0x299) | (file.at(0x29A) << 8);
  const engine::ByteView info(file.data() + 0x29B, length);
  for (auto _ : state) {
    std::unique_ptr<engine::crypto::PageCodec> codec;
    auto status = engine::crypto::OpenOfficeEncryption(info, 0x12345678, password, codec);
    benchmark::DoNotOptimize(status);
  }
}

void Describe(benchmark::State& state, const std::string& path, const std::string& password) {
  std::optional<std::string> connect;
  if (!password.empty()) connect = ";" + password;
  try {
    for (auto _ : state) {
      auto db = dao::DBEngine().OpenDatabase(path, false, true, connect);
      size_t n = 0;
      for (const auto& t : db->TableDefs()) {
        if (t.IsLinked()) continue;
        auto rs = db->OpenRecordset(t.Name(), dao::dbOpenTable);
        n += static_cast<size_t>(rs->RecordCount());
        for (const auto& f : rs->Fields()) n += f.Name().size() + static_cast<size_t>(f.Size());
        for (const auto& ix : rs->Indexes()) n += ix.Fields().Count();
        rs->Close();
      }
      for (const auto& q : db->QueryDefs()) n += q.SQL().size();
      benchmark::DoNotOptimize(n);
      db->Close();
    }
  } catch (const dao::Error& e) {
    state.SkipWithError(("Errore " + std::to_string(e.Number())).c_str());
  }
}

// The unencrypted twin encrypted here with one spin, in a temporary file removed at exit.
std::string OneSpinCopy() {
  static fs::path path;
  path = fs::temp_directory_path() / ("tavrek-bench-agile-" + std::to_string(getpid()) + ".accdb");
  enginetest::OfficeEncryptOptions o;
  o.scheme = enginetest::OfficeScheme::kAgile;
  o.keyBits = 256;
  o.agileHash = "SHA512";
  o.spinCount = 1;
  const std::vector<uint8_t> bytes = enginetest::EncryptAccdb(Read(kPlain), o);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  std::atexit([] { fs::remove(path); });
  return path.string();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("KeyDerivation/agile-SHA512-100000", KeyDerivation)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Password/right", Password, std::string("password"))
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Password/wrong", Password, std::string("passwore"))
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Describe/plain-twin", Describe, kPlain, std::string())
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Describe/agile-100000-spins", Describe, kEncrypted,
                               std::string("password"))
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Describe/agile-1-spin", Describe, OneSpinCopy(),
                               std::string("password"))
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
