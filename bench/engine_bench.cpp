// How fast the engine reads a catalogue, side by side with libmdb (Debian's mdbtools) doing the
// same work on the same files in the same run.
//
//   Open/...      open the file, list every table and query name, close.
//   Describe/...  open, then every table's record count, fields and indexes and every query's
//                 type and SQL text, close.
//   libmdb        the same through libmdb: catalogue; every table's columns and indexes; the rows
//                 of MSysQueries (libmdb keeps no query text, so reading the rows it is rebuilt
//                 from stands for it).
//   Padded/...    Describe on a copy of the largest test database padded to 1 GiB (a sparse
//                 file in a temporary directory): reading the catalogue must not depend on the
//                 file's size.
#include <benchmark/benchmark.h>
#include <glib.h>
#include <mdbtools.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace {

namespace fs = std::filesystem;

std::string PasswordOf(const std::string& path) {
  return path.find("with-password") != std::string::npos ? "password" : "";
}

std::shared_ptr<dao::Database> Open(const std::string& path) {
  dao::DBEngine engine;
  std::optional<std::string> connect;
  if (auto pw = PasswordOf(path); !pw.empty()) connect = ";" + pw;
  return engine.OpenDatabase(path, false, true, connect);
}

void TavrekOpenListLoop(benchmark::State& state, const std::string& path);
void TavrekDescribeLoop(benchmark::State& state, const std::string& path);

// Runs `body` under the benchmark, turning an engine error into a skipped benchmark.
template <class Body>
void Guarded(benchmark::State& state, Body body) {
  try {
    body();
  } catch (const dao::Error& e) {
    state.SkipWithError(("Errore " + std::to_string(e.Number()) + ": " + e.Description()).c_str());
  }
}

void TavrekOpenList(benchmark::State& state, const std::string& path) {
  Guarded(state, [&] { TavrekOpenListLoop(state, path); });
}

void TavrekDescribe(benchmark::State& state, const std::string& path) {
  Guarded(state, [&] { TavrekDescribeLoop(state, path); });
}

void TavrekOpenListLoop(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    auto db = Open(path);
    size_t n = 0;
    for (const auto& t : db->TableDefs()) n += t.Name().size();
    for (const auto& q : db->QueryDefs()) n += q.Name().size();
    benchmark::DoNotOptimize(n);
    db->Close();
  }
}

void TavrekDescribeLoop(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    auto db = Open(path);
    size_t n = 0;
    for (const auto& t : db->TableDefs()) {
      if (t.IsLinked()) continue;
      auto rs = db->OpenRecordset(t.Name(), dao::dbOpenTable);
      n += static_cast<size_t>(rs->RecordCount());
      for (const auto& f : rs->Fields()) n += f.Name().size() + static_cast<size_t>(f.Size());
      for (const auto& ix : rs->Indexes()) n += ix.Fields().Count();
      rs->Close();
    }
    for (const auto& q : db->QueryDefs()) n += q.SQL().size() + static_cast<size_t>(q.Type());
    benchmark::DoNotOptimize(n);
    db->Close();
  }
}

void LibmdbOpenList(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb) {
      state.SkipWithError("libmdb cannot open the file");
      return;
    }
    mdb_read_catalog(mdb, MDB_ANY);
    size_t n = 0;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
      auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
      if (e->object_type == MDB_TABLE || e->object_type == MDB_QUERY) n += strlen(e->object_name);
    }
    benchmark::DoNotOptimize(n);
    mdb_close(mdb);
  }
}

void LibmdbDescribe(benchmark::State& state, const std::string& path) {
  std::vector<char> buffers(8 * MDB_BIND_SIZE);
  for (auto _ : state) {
    MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb) {
      state.SkipWithError("libmdb cannot open the file");
      return;
    }
    mdb_read_catalog(mdb, MDB_ANY);
    size_t n = 0;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
      auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
      if (e->object_type != MDB_TABLE) continue;
      MdbTableDef* t = mdb_read_table(e);
      if (!t) continue;
      mdb_read_columns(t);
      mdb_read_indices(t);
      n += t->num_rows;
      for (unsigned c = 0; c < t->num_cols; ++c) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, c));
        n += strlen(col->name) + static_cast<size_t>(col->col_size);
      }
      if (strcmp(t->name, "MSysQueries") == 0) {
        // Bind up to eight columns and read every row.
        unsigned bound = std::min(t->num_cols, 8u);
        for (unsigned c = 0; c < bound; ++c)
          mdb_bind_column(t, static_cast<int>(c + 1), &buffers[c * MDB_BIND_SIZE], nullptr);
        mdb_rewind_table(t);
        while (mdb_fetch_row(t)) n += static_cast<unsigned char>(buffers[0]);
      }
      mdb_free_tabledef(t);
    }
    benchmark::DoNotOptimize(n);
    mdb_close(mdb);
  }
}

// A copy of `source` grown to 1 GiB with a hole after its last page, in a fresh temporary
// directory. Removed at exit.
std::string PaddedCopy(const std::string& source) {
  static fs::path dir;
  dir = fs::temp_directory_path() / ("tavrek-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path copy = dir / ("padded-" + fs::path(source).filename().string());
  fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
  fs::resize_file(copy, uint64_t{1} << 30);
  std::atexit([] { fs::remove_all(dir); });
  return copy.string();
}

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  for (const char* dir : {"jet3", "jet4", "ace"})
    for (const auto& e : fs::directory_iterator(fs::path(TAVREK_TEST_DATA) / dir)) {
      std::string ext = e.path().extension().string();
      if (ext == ".mdb" || ext == ".accdb") files.push_back(e.path().string());
    }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ShortName(const std::string& path) {
  fs::path p(path);
  return p.parent_path().filename().string() + "/" + p.filename().string();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files = CorpusFiles();
  for (const auto& f : files) {
    std::string name = ShortName(f);
    benchmark::RegisterBenchmark(("Open/tavrek/" + name).c_str(), TavrekOpenList, f);
    benchmark::RegisterBenchmark(("Open/libmdb/" + name).c_str(), LibmdbOpenList, f);
    benchmark::RegisterBenchmark(("Describe/tavrek/" + name).c_str(), TavrekDescribe, f);
    benchmark::RegisterBenchmark(("Describe/libmdb/" + name).c_str(), LibmdbDescribe, f);
  }
  // The padded copy is made from the largest test database.
  auto largest = std::max_element(files.begin(), files.end(), [](const auto& a, const auto& b) {
    return fs::file_size(a) < fs::file_size(b);
  });
  if (largest != files.end()) {
    std::string padded = PaddedCopy(*largest);
    std::string name = ShortName(*largest);
    benchmark::RegisterBenchmark(("Padded/original/" + name).c_str(), TavrekDescribe, *largest);
    benchmark::RegisterBenchmark(("Padded/1GiB/" + name).c_str(), TavrekDescribe, padded);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
