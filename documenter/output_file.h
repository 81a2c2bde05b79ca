// Output files of tavrek-dump: a regular file appears whole or not at all (the content goes into a
// temporary file beside it, which is then renamed over it) and keeps its mode and owner; a
// terminal, a device or a named pipe is written through; nothing else is ever replaced.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace tavrek::doc {

struct OutputOptions {
  // The content shows secrets (connect-string passwords): a new file is created 0600.
  bool secret = false;
};

// Writes `content` to `path`, by what `path` is now:
//  - "-": standard output (descriptor 1), written through;
//  - a regular file, or nothing yet: through a temporary file in the same folder and a rename,
//    so that `path` is never seen half-written. An existing file keeps its permission bits (and
//    its owner and group where the system lets us); a new one gets 0666 less the umask, or 0600
//    when `options.secret`. A file we may not write is refused, not replaced;
//  - a character device or a named pipe: opened for writing and written through (no rename, no
//    truncation of a device); a pipe waits for its reader;
//  - a symbolic link: followed to what it finally names, and that is written as above. The link
//    stays a link; a link to nothing is refused (no file is created at the end of a dangling link);
//  - a folder, a block device, a socket: refused.
// Returns false with an Italian message naming `path` and the reason in `error`; a temporary
// file is removed then, and an existing file is left as it was.
bool WriteOutputFile(const std::string& path, std::string_view content, const OutputOptions& options,
                     std::string& error);

// WriteOutputFile with the default options (a new file gets 0666 less the umask).
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

// Output written piece by piece, into a regular file only (a symbolic link, a device or a pipe is
// refused; an existing file keeps its permission bits): Open creates the temporary file beside `path`,
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
  // The temporary file's path, for a writer that fills it by its own means (SQLite) after Close.
  const std::string& TemporaryPath() const { return temporary_; }

 private:
  bool Flush(std::string& error);
  bool Fail(int code, std::string& error);
  std::string path_;
  std::string temporary_;
  std::string buffer_;
  int fd_ = -1;
  bool published_ = false;
};

// A stream over an AtomicFile, for writers that take a std::ostream: what is written goes to
// file.Write; after a failure the stream is bad and Error() says why.
class AtomicFileStream : public std::ostream {
 public:
  explicit AtomicFileStream(AtomicFile& file) : std::ostream(&buffer_), buffer_(file) {}
  const std::string& Error() const { return buffer_.error; }

 private:
  struct Buffer : std::streambuf {
    explicit Buffer(AtomicFile& f) : file(f) {}
    int overflow(int c) override {
      if (c == traits_type::eof()) return traits_type::not_eof(c);
      const char ch = static_cast<char>(c);
      return file.Write(std::string_view(&ch, 1), error) ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
      return file.Write(std::string_view(s, static_cast<size_t>(n)), error) ? n : 0;
    }
    AtomicFile& file;
    std::string error;
  };
  Buffer buffer_;
};

}  // namespace tavrek::doc
