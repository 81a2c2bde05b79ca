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
  AtomicFile file;
  return file.Open(path, error) && file.Write(content, error) && file.Close(error) &&
         file.Publish(error);
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
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = mkstemp(name.data());
  if (fd_ < 0) return Fail(errno, error);
  temporary_ = name.data();
  if (fchmod(fd_, 0666 & ~CurrentUmask()) != 0) return Fail(errno, error);
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
