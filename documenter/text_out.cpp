#include "documenter/text_out.h"

#include <sys/mman.h>

#include <algorithm>
#include <new>

namespace tavrek::doc {

namespace {

constexpr size_t kReserved = size_t{32} << 20;
constexpr size_t kLargePage = size_t{2} << 20;

// Address space for `size` bytes, or nullptr. Nothing is committed until written.
char* Map(size_t size) {
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                   -1, 0);
  return p == MAP_FAILED ? nullptr : static_cast<char*>(p);
}

}  // namespace

TextOut::TextOut(size_t expected) {
  if (expected < kLargePage) {
    data_ = Map(kReserved);
    if (!data_) throw std::bad_alloc();
    capacity_ = kReserved;
    return;
  }
  // Large pages need a start on a large-page boundary: map one more and trim both ends.
  char* raw = Map(kReserved + kLargePage);
  if (!raw) throw std::bad_alloc();
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  char* aligned = reinterpret_cast<char*>((start + kLargePage - 1) & ~(kLargePage - 1));
  const size_t head = static_cast<size_t>(aligned - raw);
  if (head) ::munmap(raw, head);
  if (kLargePage - head) ::munmap(aligned + kReserved, kLargePage - head);
  data_ = aligned;
  capacity_ = kReserved;
#ifdef MADV_HUGEPAGE
  ::madvise(data_, capacity_, MADV_HUGEPAGE);  // a hint only: without it the buffer works the same
#endif
}

TextOut::~TextOut() {
  if (data_) ::munmap(data_, capacity_);
}

void TextOut::Extend(size_t n) {
  const size_t wanted = std::max(capacity_ * 2, used_ + n);
  void* p = ::mremap(data_, capacity_, wanted, MREMAP_MAYMOVE);
  if (p == MAP_FAILED) throw std::bad_alloc();
  data_ = static_cast<char*>(p);
  capacity_ = wanted;
}

}  // namespace tavrek::doc
