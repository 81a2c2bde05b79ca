// A string builder with the `<<` of an output stream, for writers that build a whole document in
// memory: text is appended as it is and integers in plain decimal, without the locale and
// formatting state of std::ostream (which costs more than the text itself on large documents).
#pragma once

#include <sys/mman.h>

#include <charconv>
#include <cstdint>
#include <cstddef>
#include <concepts>
#include <string>
#include <string_view>

namespace tavrek::doc {

class TextOut {
 public:
  // Reserves address space for a large document up front: the system hands out memory only for
  // the pages the text reaches, and the text is never copied to a larger buffer on the way
  // (a doubling string copies and touches afresh every page it has written).
  // Where the system offers them, large pages back the buffer past its first 2 MiB: a large
  // document takes a few faults instead of one for every 4 KiB written, a small one keeps small
  // pages (and its small footprint).
  TextOut() {
    text_.reserve(kReserved);
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    const uintptr_t start = reinterpret_cast<uintptr_t>(text_.data());
    const uintptr_t begin = (start + kHuge + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t end = (start + kReserved) & ~(kHuge - 1);
    if (end > begin)  // a hint only: without it the buffer works the same
      ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
  }

  TextOut& operator<<(std::string_view text) {
    text_.append(text);
    return *this;
  }
  TextOut& operator<<(const std::string& text) {
    text_.append(text);
    return *this;
  }
  TextOut& operator<<(const char* text) {
    // Inline, the length of a literal is known when compiling.
    text_.append(text, std::char_traits<char>::length(text));
    return *this;
  }
  TextOut& operator<<(char c) {
    text_.push_back(c);
    return *this;
  }
  // Integers in decimal; bool as 1 or 0, as a stream writes it.
  TextOut& operator<<(bool b) {
    text_.push_back(b ? '1' : '0');
    return *this;
  }
  template <std::integral T>
    requires(!std::same_as<T, char> && !std::same_as<T, bool>)
  TextOut& operator<<(T value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    text_.append(buf, r.ptr);
    return *this;
  }

  // The text so far (the builder keeps it).
  const std::string& str() const& { return text_; }
  // The text, handed over.
  std::string str() && { return std::move(text_); }

 private:
  static constexpr size_t kReserved = size_t{32} << 20;
  std::string text_;
};

}  // namespace tavrek::doc
