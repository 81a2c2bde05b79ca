#include "tests/engine/test_files.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace enginetest {

std::string Corpus(const std::string& relative) {
  return std::string(TAVREK_TEST_DATA) + "/" + relative;
}

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  for (const char* dir : {"jet3", "jet4", "ace"}) {
    for (const auto& entry : std::filesystem::directory_iterator(Corpus(dir))) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".mdb" || ext == ".accdb")
        files.push_back(std::string(dir) + "/" + entry.path().filename().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

int DescribeAll(const std::string& path, const std::optional<std::string>& connect) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(path, false, true, connect);
  int described = 0;
  (void)db->Properties().Count();
  (void)db->Relations().Count();
  for (int i = 0; i < db->TableDefs().Count(); ++i) {
    const dao::TableDef& t = db->TableDefs().Item(i);
    (void)t.Properties().Count();
    if (t.IsLinked()) continue;
    auto rs = db->OpenRecordset(t.Name(), dao::dbOpenTable);
    // Walk every member as the views do, by position.
    for (int f = 0; f < rs->Fields().Count(); ++f) (void)rs->Fields().Item(f).Name();
    for (int x = 0; x < rs->Indexes().Count(); ++x)
      for (int k = 0; k < rs->Indexes().Item(x).Fields().Count(); ++k)
        (void)rs->Indexes().Item(x).Fields().Item(k).Name();
    ++described;
  }
  for (int i = 0; i < db->QueryDefs().Count(); ++i) {
    (void)db->QueryDefs().Item(i).SQL();
    (void)db->QueryDefs().Item(i).Properties().Count();
    ++described;
  }
  db->Close();
  return described;
}

}  // namespace enginetest
