// A string builder with the `<<` of an output stream, for writers that build a whole document in
// memory: text is appended as it is and integers in plain decimal, without the locale and
// formatting state of std::ostream (which costs more than the text itself on large documents).
#pragma once

#include <charconv>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tavrek::doc {

class TextOut {
 public:
  // Reserves address space for a large document up front, in a mapping of its own: the system
  // hands out (zeroed) memory only for the pages the text reaches, and the text is never copied
  // to a larger buffer on the way (a doubling string copies and touches afresh every page it has
  // written). `expected` is the writer's guess of the document's size: from 2 MiB on, the whole
  // buffer asks for large pages, so that a large document takes a few faults instead of one for
  // every 4 KiB written; a smaller document keeps small pages (a large page is cleared whole on
  // first touch, which would cost a small document more than it writes).
  explicit TextOut(size_t expected = 0);
  ~TextOut();
  TextOut(const TextOut&) = delete;
  TextOut& operator=(const TextOut&) = delete;

  // The two calls of a std::string sink, so that the same escaping code serves both.
  [[gnu::always_inline]] void append(const char* text, size_t n) {
    if (n) std::memcpy(Room(n), text, n);
  }
  [[gnu::always_inline]] void push_back(char c) { *Room(1) = c; }

  TextOut& operator<<(std::string_view text) {
    append(text.data(), text.size());
    return *this;
  }
  TextOut& operator<<(const std::string& text) {
    append(text.data(), text.size());
    return *this;
  }
  [[gnu::always_inline]] TextOut& operator<<(const char* text) {
    // Inline, the length of a literal is known when compiling, and so is the copy.
    append(text, std::char_traits<char>::length(text));
    return *this;
  }
  TextOut& operator<<(char c) {
    push_back(c);
    return *this;
  }
  // Integers in decimal; bool as 1 or 0, as a stream writes it.
  TextOut& operator<<(bool b) {
    push_back(b ? '1' : '0');
    return *this;
  }
  template <std::integral T>
    requires(!std::same_as<T, char> && !std::same_as<T, bool>)
  TextOut& operator<<(T value) {
    constexpr size_t kDigits = 24;  // a sign and the 20 digits of the widest integer fit
    char* at = Room(kDigits);
    auto r = std::to_chars(at, at + kDigits, value);
    used_ -= kDigits - static_cast<size_t>(r.ptr - at);
    return *this;
  }

  // The text so far, valid until the next write.
  std::string_view view() const { return {data_, used_}; }
  std::string str() const { return std::string(view()); }

 private:
  // Room for `n` more characters, counted as written.
  [[gnu::always_inline]] char* Room(size_t n) {
    if (capacity_ - used_ < n) [[unlikely]]
      Extend(n);
    char* at = data_ + used_;
    used_ += n;
    return at;
  }
  // Moves the text to a mapping large enough for `n` more characters. Raises std::bad_alloc.
  void Extend(size_t n);

  char* data_ = nullptr;
  size_t capacity_ = 0;
  size_t used_ = 0;
};

}  // namespace tavrek::doc
