// A database file seen as memory, for the page reader: reading a page is then a copy, without a
// system call for each page (a catalogue of thousands of tables reads thousands of scattered
// definition pages).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace engine {

class MappedFile {
 public:
  // The first `size` bytes of the open file `fd`, mapped read-only, or nullptr when the system
  // will not map it (the caller then reads with pread). The descriptor stays the caller's.
  static std::unique_ptr<MappedFile> Map(int fd, uint64_t size);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Copies `n` bytes at `offset` to `out`. False when they are past the mapped size, or when the
  // system cannot supply them any more (the file was cut short by someone else after it was
  // mapped, or the disk or network under it failed): what would otherwise end the process with
  // SIGBUS is a failed copy. Safe to call from any thread.
  bool Copy(uint64_t offset, void* out, size_t n) const;

 private:
  MappedFile(const uint8_t* data, uint64_t size) : data_(data), size_(size) {}
  const uint8_t* data_;
  uint64_t size_;
};

}  // namespace engine
