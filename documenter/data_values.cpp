#include "documenter/data_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tavrek::doc {

std::string ShortestDouble(double value) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::string ShortestFloat(float value) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::string DecimalText(const dao::Decimal& value) {
  std::string digits = value.digits.empty() ? "0" : value.digits;
  const size_t scale = value.scale > 0 ? static_cast<size_t>(value.scale) : 0;
  if (digits.size() <= scale) digits.insert(0, scale - digits.size() + 1, '0');
  if (scale > 0) digits.insert(digits.size() - scale, 1, '.');
  const bool zero = digits.find_first_not_of("0.") == std::string::npos;
  return (value.negative && !zero ? "-" : "") + digits;
}

std::string CurrencyText(int64_t tenThousandths) {
  dao::Decimal d;
  d.negative = tenThousandths < 0;
  // The magnitude of INT64_MIN does not fit an int64_t: taken as unsigned.
  const uint64_t magnitude = d.negative ? 0 - static_cast<uint64_t>(tenThousandths)
                                        : static_cast<uint64_t>(tenThousandths);
  d.digits = std::to_string(magnitude);
  d.scale = 4;
  return DecimalText(d);
}

std::string GuidText(const dao::Guid& guid, bool braces) {
  // The first three groups are stored little-endian.
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  const char* digits = braces ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out = braces ? "{" : "";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    const uint8_t b = guid.bytes[static_cast<size_t>(kOrder[i])];
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  if (braces) out += '}';
  return out;
}

bool DateText(double days, std::string& text, int& year) {
  // 1 Jan 100 is day -657434; 31 Dec 9999 is day 2958465.
  if (!std::isfinite(days) || days < -657434.0 || days >= 2958466.0) {
    year = !std::isfinite(days) ? 0 : days < 0 ? 99 : 10000;
    return false;
  }
  const dao::DateTime::Parts p = dao::DateTime{days}.Split();
  year = p.year;
  if (p.year > 9999) return false;  // the last second of 9999 rounded up
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  text = buf;
  return true;
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

}  // namespace tavrek::doc
