#include "documenter/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace tavrek::doc {

namespace {

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// Writes all of `content` to `fd`; 0 or the errno of the failure.
int WriteAll(int fd, std::string_view content) {
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    written += static_cast<size_t>(n);
  }
  return 0;
}

// A device or a named pipe: opened as it is (never created, never truncated), written, closed.
// 0 or the errno of the failure.
int WriteThrough(const std::string& path, std::string_view content) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  int code = WriteAll(fd, content);
  if (::close(fd) != 0 && code == 0 && errno != EINTR) code = errno;
  return code;
}

// A regular file at `path`, existing (`existing` set) or new: a temporary file beside it, renamed
// over it. 0 or the errno of the failure.
int ReplaceRegular(const std::string& path, const struct stat* existing, std::string_view content,
                   const OutputOptions& options) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());  // 0600, ours
  if (fd < 0) return errno;
  const std::string temporary(name.data());
  auto abandon = [&](int code) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return code;
  };
  mode_t mode;
  if (existing) {
    mode = existing->st_mode & 07777;
    // Root replacing a user's file gives it back to the user; elsewhere this fails and the file
    // becomes ours, with the same permission bits.
    if (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid())
      (void)!::fchown(fd, existing->st_uid, existing->st_gid);
  } else {
    mode = (options.secret ? 0600 : 0666) & ~CurrentUmask();
  }
  if (::fchmod(fd, mode) != 0) return abandon(errno);
  if (int code = WriteAll(fd, content); code != 0) return abandon(code);
  if (::fsync(fd) != 0) return abandon(errno);
  if (::close(fd) != 0) {
    const int code = errno;
    ::unlink(temporary.c_str());
    return code;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int code = errno;
    ::unlink(temporary.c_str());
    return code;
  }
  return 0;
}

}  // namespace

bool WriteOutputFile(const std::string& path, std::string_view content, const OutputOptions& options,
                     std::string& error) {
  auto fail = [&](const std::string& why) {
    error = "impossibile scrivere " + path + ": " + why;
    return false;
  };
  auto failCode = [&](int code) { return fail(std::strerror(code)); };
  if (path.empty()) return failCode(ENOENT);
  if (path == "-") {
    if (int code = WriteAll(STDOUT_FILENO, content); code != 0) return failCode(code);
    return true;
  }
  std::string target = path;
  struct stat st;
  bool exists = ::lstat(path.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return failCode(errno);
  if (exists && S_ISLNK(st.st_mode)) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) {
      if (errno == ENOENT) return fail("è un collegamento simbolico a un file che non esiste");
      return failCode(errno);
    }
    target = resolved;
    std::free(resolved);
    if (::stat(target.c_str(), &st) != 0) return failCode(errno);
  }
  if (!exists) {
    if (int code = ReplaceRegular(target, nullptr, content, options); code != 0) return failCode(code);
    return true;
  }
  if (S_ISDIR(st.st_mode)) return fail("è una cartella, non un file");
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
    if (int code = WriteThrough(target, content); code != 0) return failCode(code);
    return true;
  }
  if (!S_ISREG(st.st_mode)) return fail("non è un file regolare, un dispositivo a caratteri o una pipe");
  if (::access(target.c_str(), W_OK) != 0) return failCode(errno);
  if (int code = ReplaceRegular(target, &st, content, options); code != 0) return failCode(code);
  return true;
}


bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error) {
  return WriteOutputFile(path, content, {}, error);
}

namespace {
constexpr size_t kBufferSize = 1 << 16;
}  // namespace

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (!published_ && !temporary_.empty()) unlink(temporary_.c_str());
}

bool AtomicFile::Fail(int code, std::string& error) {
  error = "impossibile scrivere " + path_ + ": " + std::strerror(code);
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
  return false;
}

bool AtomicFile::Open(const std::string& path, std::string& error) {
  path_ = path;
  if (path.empty()) return Fail(ENOENT, error);
  const std::filesystem::path target(path);
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec)) return Fail(EISDIR, error);
  // Only a regular file is replaced: never a link, a device or a pipe.
  const auto status = std::filesystem::symlink_status(target, ec);
  if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    Fail(EEXIST, error);
    error += " (non è un file regolare)";
    return false;
  }
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = mkstemp(name.data());
  if (fd_ < 0) return Fail(errno, error);
  temporary_ = name.data();
  // An existing file keeps its permission bits; a new one gets 0666 less the umask.
  struct stat existing;
  const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777)
                                                           : (0666 & ~CurrentUmask());
  if (fchmod(fd_, mode) != 0) return Fail(errno, error);
  buffer_.reserve(kBufferSize);
  return true;
}

bool AtomicFile::Flush(std::string& error) {
  size_t written = 0;
  while (written < buffer_.size()) {
    const ssize_t n = write(fd_, buffer_.data() + written, buffer_.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno, error);
    }
    written += static_cast<size_t>(n);
  }
  buffer_.clear();
  return true;
}

bool AtomicFile::Write(std::string_view data, std::string& error) {
  if (fd_ < 0) return Fail(EBADF, error);
  if (buffer_.size() + data.size() > kBufferSize && !Flush(error)) return false;
  if (data.size() >= kBufferSize) {
    buffer_.assign(data);
    return Flush(error);
  }
  buffer_.append(data);
  return true;
}

bool AtomicFile::Close(std::string& error) {
  if (fd_ < 0) return Fail(EBADF, error);
  if (!Flush(error)) return false;
  if (fsync(fd_) != 0) return Fail(errno, error);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return Fail(errno, error);
  return true;
}

bool AtomicFile::Publish(std::string& error) {
  if (temporary_.empty() || fd_ >= 0) return Fail(EBADF, error);
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) return Fail(errno, error);
  published_ = true;
  return true;
}

}  // namespace tavrek::doc
