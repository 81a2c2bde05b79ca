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

}  // namespace tavrek::doc
