// Output files of tavrek-dump appear whole or not at all: the content goes into a temporary file
// beside the target, which is then renamed over it.
#pragma once

#include <fstream>
#include <string>
#include <string_view>

namespace tavrek::doc {

// Writes `content` into `path` through a temporary file in the same folder and a rename, so that
// `path` is never seen half-written and an existing file is replaced only by a complete one. The
// new file gets the usual permissions (0666 less the umask). Returns false with an Italian message
// naming the path and the system's reason in `error`; the temporary file is removed then.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

// An output written piece by piece into a temporary file beside `path`, which becomes `path` only
// on Commit; abandoned (the temporary file removed) when destroyed before. The same guarantees as
// WriteFileAtomically, for outputs too large to hold in memory.
class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();
  // Creates the temporary file. False with an Italian message in `error`.
  bool Open(const std::string& path, std::string& error);
  // The temporary file's path (for writers that open it themselves, such as SQLite's).
  const std::string& TemporaryPath() const { return temporary_; }
  // The stream to write into (after a successful Open).
  std::ostream& Stream() { return stream_; }
  // Closes the stream, for a writer that fills the temporary file by its own means.
  void CloseStream() { stream_.close(); }
  // Flushes and syncs the temporary file and renames it over `path`. False with a message in
  // `error`; the temporary file is removed then.
  bool Commit(std::string& error);

 private:
  void Abandon();
  std::string path_, temporary_;
  std::ofstream stream_;
};

}  // namespace tavrek::doc
