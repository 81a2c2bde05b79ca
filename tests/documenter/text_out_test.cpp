// The document builder writes what a stream would for the values the writers give it, including
// the integer widths DAO uses and the extremes, and hands its text over whole.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "documenter/text_out.h"

namespace {

TEST(TextOut, WritesWhatAStreamWrites) {
  tavrek::doc::TextOut o;
  std::ostringstream s;
  const std::string text = "n\xC3\xA8";
  auto both = [&](auto value) {
    o << value;
    s << value;
  };
  both("{\"a\": ");
  both(text);
  both('[');
  both(int16_t{-32768});
  both(',');
  both(std::numeric_limits<int32_t>::min());
  both(',');
  both(std::numeric_limits<int64_t>::max());
  both(',');
  both(uint8_t{7} + 0);
  both(true);
  both(false);
  both(size_t{0});
  EXPECT_EQ(o.str(), s.str());
  EXPECT_EQ(o.str(), "{\"a\": n\xC3\xA8[-32768,-2147483648,9223372036854775807,710" "0");

  // A document past the space reserved up front (32 MiB) grows and stays whole when handed over.
  tavrek::doc::TextOut big;
  const std::string mebibyte(size_t{1} << 20, 'x');
  for (int i = 0; i < 34; ++i) big << i << mebibyte;
  const std::string taken = big.str();
  ASSERT_EQ(taken.size(), 34 * mebibyte.size() + 10 + 24 * 2);
  EXPECT_EQ(taken.substr(0, 3), "0xx");
  EXPECT_EQ(taken.substr(taken.size() - mebibyte.size() - 3, 4), "x33x");

  // A buffer asked for a large document (aligned for large pages) grows the same way, and what
  // it holds is what was written, in order, across every move.
  tavrek::doc::TextOut large(size_t{8} << 20);
  std::string expected;
  for (int i = 0; i < 40; ++i) {
    const std::string piece = std::to_string(i) + std::string(size_t{1} << 20, static_cast<char>('a' + i % 26));
    large << piece;
    expected += piece;
  }
  ASSERT_EQ(large.view().size(), expected.size());
  EXPECT_TRUE(large.view() == expected);
}

}  // namespace
