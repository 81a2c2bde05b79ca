// Output files of tavrek-dump appear whole or not at all: the content goes into a temporary file
// beside the target, which is then renamed over it.
#pragma once

#include <string>
#include <string_view>

namespace tavrek::doc {

// Writes `content` into `path` through a temporary file in the same folder and a rename, so that
// `path` is never seen half-written and an existing file is replaced only by a complete one. The
// new file gets the usual permissions (0666 less the umask). Returns false with an Italian message
// naming the path and the system's reason in `error`; the temporary file is removed then.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

// The same, for output written piece by piece: Open creates the temporary file beside `path`,
// Write appends (buffered), Close flushes and syncs it, Publish renames it over `path`. Each
// returns false with the Italian message in `error`; a file not published is removed when the
// object goes away.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool Open(const std::string& path, std::string& error);
  bool Write(std::string_view data, std::string& error);
  bool Close(std::string& error);
  bool Publish(std::string& error);

 private:
  bool Flush(std::string& error);
  bool Fail(int code, std::string& error);
  std::string path_;
  std::string temporary_;
  std::string buffer_;
  int fd_ = -1;
  bool published_ = false;
};

}  // namespace tavrek::doc
