#include "documenter/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error) {
  auto fail = [&](int code) {
    error = "impossibile scrivere " + path + ": " + std::strerror(code);
    return false;
  };
  if (path.empty()) return fail(ENOENT);
  const std::filesystem::path target(path);
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec)) return fail(EISDIR);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return fail(errno);
  const std::string temporary(name.data());
  auto abandon = [&](int code) {
    close(fd);
    unlink(temporary.c_str());
    return fail(code);
  };
  if (fchmod(fd, 0666 & ~CurrentUmask()) != 0) return abandon(errno);
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = write(fd, content.data() + written, content.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon(errno);
    }
    written += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0) return abandon(errno);
  if (close(fd) != 0) {
    const int code = errno;
    unlink(temporary.c_str());
    return fail(code);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int code = errno;
    unlink(temporary.c_str());
    return fail(code);
  }
  return true;
}

AtomicFile::~AtomicFile() { Abandon(); }

void AtomicFile::Abandon() {
  if (temporary_.empty()) return;
  if (stream_.is_open()) stream_.close();
  unlink(temporary_.c_str());
  temporary_.clear();
}

bool AtomicFile::Open(const std::string& path, std::string& error) {
  auto fail = [&](int code) {
    error = "impossibile scrivere " + path + ": " + std::strerror(code);
    return false;
  };
  Abandon();
  if (path.empty()) return fail(ENOENT);
  const std::filesystem::path target(path);
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec)) return fail(EISDIR);
  // Only a regular file (or nothing) is replaced.
  if (std::filesystem::exists(std::filesystem::symlink_status(target, ec)) &&
      !std::filesystem::is_regular_file(target, ec))
    return fail(EEXIST);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return fail(errno);
  temporary_ = name.data();
  path_ = path;
  const bool modeSet = fchmod(fd, 0666 & ~CurrentUmask()) == 0;
  const int code = errno;
  close(fd);
  if (!modeSet) {
    Abandon();
    return fail(code);
  }
  stream_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!stream_) {
    const int openCode = errno ? errno : EIO;
    Abandon();
    return fail(openCode);
  }
  return true;
}

bool AtomicFile::Commit(std::string& error) {
  auto fail = [&](int code) {
    error = "impossibile scrivere " + path_ + ": " + std::strerror(code);
    Abandon();
    return false;
  };
  if (temporary_.empty()) return fail(EBADF);
  if (stream_.is_open()) {
    stream_.flush();
    const bool good = static_cast<bool>(stream_);
    stream_.close();
    if (!good) return fail(errno ? errno : EIO);
  }
  const int fd = open(temporary_.c_str(), O_RDONLY);
  if (fd < 0) return fail(errno);
  const bool synced = fsync(fd) == 0;
  const int code = errno;
  close(fd);
  if (!synced) return fail(code);
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) return fail(errno);
  temporary_.clear();
  return true;
}

}  // namespace tavrek::doc
