#include "documenter/inventory.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "documenter/json.h"
#include "documenter/secrets.h"
#include "engine/storage/header.h"

namespace tavrek::doc {

namespace fs = std::filesystem;

namespace {

// The header page read to recognise a file; the largest page of any format.
constexpr size_t kHeaderBytes = 4096;

struct Header {
  bool access = false;
  std::string format;
  bool encrypted = false;
};

// The names Access gives its files: .mdb, .mde, .accdb, .accde, in any case.
bool HasDatabaseSuffix(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext == ".mdb" || ext == ".mde" || ext == ".accdb" || ext == ".accde";
}

// `access` is set when the first page has an Access signature; a file that cannot be read has
// none (its name may still make it one of ours).
Header ReadHeader(const std::string& path) {
  Header h;
  std::ifstream in(path, std::ios::binary);
  if (!in) return h;
  std::vector<uint8_t> page(kHeaderBytes);
  in.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size()));
  page.resize(static_cast<size_t>(in.gcount()));
  engine::DatabaseHeader header;
  engine::HeaderStatus status = engine::DatabaseHeader::Parse(engine::ByteView(page.data(), page.size()), header);
  if (status == engine::HeaderStatus::kNotAccess) return h;
  h.access = true;
  if (status == engine::HeaderStatus::kOk && header.format) {
    h.format = header.format->name;
    h.encrypted = header.databaseKey != 0 || !header.encryptionInfo.empty();
  }
  return h;
}

// A folder as the walk knows it: device and inode, so that a folder reached twice through links
// is walked once.
using FolderId = std::pair<dev_t, ino_t>;

std::optional<FolderId> IdOf(const fs::path& p) {
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return std::nullopt;
  return FolderId{st.st_dev, st.st_ino};
}

struct Walk {
  std::vector<std::string> files;
  std::set<FolderId> visited;
  int skipped = 0;
  std::ostream* err = nullptr;

  void Problem(const std::string& message) {
    ++skipped;
    *err << "tavrek-dump: " << message << '\n';
  }

  void Folder(const fs::path& dir) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) {
      Problem("cartella illeggibile: " + dir.string() + " (" + ec.message() + ")");
      return;
    }
    std::vector<fs::path> entries;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
      entries.push_back(it->path());
    }
    if (ec) Problem("cartella letta solo in parte: " + dir.string() + " (" + ec.message() + ")");
    std::sort(entries.begin(), entries.end());
    for (const fs::path& p : entries) {
      std::error_code sec;
      fs::file_status st = fs::status(p, sec);  // follows links
      if (sec) {
        fs::file_status own = fs::symlink_status(p, sec);
        if (fs::is_symlink(own)) Problem("collegamento che non porta a nulla: " + p.string());
        else Problem("voce illeggibile: " + p.string());
        continue;
      }
      if (fs::is_directory(st)) {
        std::optional<FolderId> id = IdOf(p);
        if (!id) {
          Problem("cartella illeggibile: " + p.string());
        } else if (!visited.insert(*id).second) {
          Problem("cartella già visitata (ciclo di collegamenti?): " + p.string());
        } else {
          Folder(p);
        }
      } else if (fs::is_regular_file(st)) {
        files.push_back(p.string());
      }
    }
  }
};

}  // namespace

InventoryRecord DocumentFile(const std::string& path, const InventoryOptions& options,
                             const InventoryOpener& open) {
  InventoryRecord r;
  Header h = ReadHeader(path);
  // A file is one of ours by its signature or by its name; the engine then says what is wrong
  // with a named one it cannot read (no permission, not a database at all).
  if (!h.access && !HasDatabaseSuffix(path)) return r;
  r.access = true;
  r.encrypted = h.encrypted;
  std::error_code ec;
  uintmax_t size = fs::file_size(path, ec);
  std::ostringstream o;
  o << "{\"path\": " << JsonString(path) << ", \"size\": " << (ec ? 0 : size) << ", \"format\": ";
  std::string format = h.format;
  std::string counts;
  int errorNumber = 0;
  std::string errorText;
  try {
    std::shared_ptr<dao::Database> db = open(path);
    format = db->Format();
    int tables = 0;
    std::ostringstream linked;
    for (const dao::TableDef& t : db->TableDefs()) {
      if (t.IsSystem()) continue;
      if (!t.IsLinked()) {
        ++tables;
        continue;
      }
      std::string connect = t.Connect().empty() ? t.Info().linkSource : t.Connect();
      if (!options.showSecrets) connect = MaskConnectSecrets(connect);
      linked << (linked.tellp() > 0 ? ", " : "") << "{\"name\": " << JsonString(t.Name())
             << ", \"connect\": " << JsonString(connect) << ", \"source\": " << JsonString(t.SourceTableName())
             << '}';
    }
    std::ostringstream c;
    c << ", \"tables\": " << tables << ", \"queries\": " << db->QueryDefs().Count()
      << ", \"relations\": " << db->Relations().Count() << ", \"linked\": [" << linked.str() << ']';
    counts = c.str();
    db->Close();
    r.read = true;
  } catch (const dao::Error& e) {
    errorNumber = e.Number();
    errorText = e.Description();
    if (e.Number() == dao::kErrBadPassword) r.encrypted = r.encrypted || h.format.rfind("ACE", 0) == 0;
  } catch (const std::exception& e) {
    // Whatever else goes wrong with one file is that file's error, never the walk's.
    errorNumber = dao::kErrCorrupt;
    errorText = e.what();
  }
  o << (format.empty() ? "null" : JsonString(format)) << ", \"encrypted\": " << (r.encrypted ? "true" : "false");
  if (r.read) {
    o << counts << ", \"error\": null, \"errorText\": null}";
  } else {
    o << ", \"tables\": null, \"queries\": null, \"relations\": null, \"linked\": null, \"error\": "
      << errorNumber << ", \"errorText\": " << JsonString(errorText) << '}';
  }
  r.json = o.str();
  return r;
}

InventorySummary RunInventory(const std::string& root, const InventoryOptions& options,
                              const InventoryOpener& open, std::ostream& out, std::ostream& err) {
  const auto start = std::chrono::steady_clock::now();
  std::error_code ec;
  if (!fs::is_directory(root, ec))
    throw std::runtime_error("non è una cartella leggibile: " + root);
  Walk walk;
  walk.err = &err;
  if (auto id = IdOf(root)) walk.visited.insert(*id);
  walk.Folder(root);

  const size_t n = walk.files.size();
  unsigned jobs = options.jobs > 0 ? static_cast<unsigned>(options.jobs)
                                   : std::max(1u, std::thread::hardware_concurrency());
  jobs = static_cast<unsigned>(std::min<size_t>(jobs, std::max<size_t>(n, 1)));

  std::vector<std::optional<InventoryRecord>> results(n);
  std::mutex mutex;
  std::condition_variable ready;
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i = next++; i < n; i = next++) {
      InventoryRecord r = DocumentFile(walk.files[i], options, open);
      std::lock_guard<std::mutex> lock(mutex);
      results[i] = std::move(r);
      ready.notify_one();
    }
  };
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < jobs; ++t) threads.emplace_back(worker);

  InventorySummary s;
  s.skipped = walk.skipped;
  for (size_t i = 0; i < n; ++i) {
    InventoryRecord r;
    {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [&] { return results[i].has_value(); });
      r = std::move(*results[i]);
      results[i].reset();
    }
    if (r.access) {
      ++s.files;
      (r.read ? s.read : s.failed) += 1;
      if (r.encrypted) ++s.encrypted;
      out << r.json << '\n';
    }
    if (options.progress) err << "\r" << (i + 1) << '/' << n << " file esaminati" << std::flush;
  }
  for (auto& t : threads) t.join();
  if (options.progress && n) err << '\n';

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char secs[32];
  std::snprintf(secs, sizeof secs, "%.3f", seconds);
  out << "{\"summary\": {\"files\": " << s.files << ", \"read\": " << s.read
      << ", \"failed\": " << s.failed << ", \"encrypted\": " << s.encrypted
      << ", \"skipped\": " << s.skipped << ", \"seconds\": " << secs << "}}\n";
  return s;
}

}  // namespace tavrek::doc
