#include "engine/rows.h"

#include <cmath>

namespace dao {

void CivilDate(int64_t days, int64_t& year, int& month, int& day) {
  // Days from 1 March of year 0; 30 December 1899 is day 693,899 of that count.
  const int64_t z = days + 693899;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2);
}

namespace {

void AppendNumber(std::string& out, int64_t v, int width) {
  if (v < 0) {
    out.push_back('-');
    v = -v;
  }
  std::string digits = std::to_string(v);
  if (digits.size() < static_cast<size_t>(width)) out.append(static_cast<size_t>(width) - digits.size(), '0');
  out += digits;
}

}  // namespace

std::string IsoDateTime(double days) {
  if (!std::isfinite(days) || std::fabs(days) > 1e8) return {};
  int64_t whole = static_cast<int64_t>(std::trunc(days));
  int64_t ms = std::llround(std::fabs(days - std::trunc(days)) * 86400000.0);
  if (ms >= 86400000) {  // rounds up to the next midnight, away from day 0
    ms -= 86400000;
    whole += days < 0 ? -1 : 1;
  }
  int64_t year;
  int month, day;
  CivilDate(whole, year, month, day);
  std::string out;
  out.reserve(24);
  AppendNumber(out, year, 4);
  out.push_back('-');
  AppendNumber(out, month, 2);
  out.push_back('-');
  AppendNumber(out, day, 2);
  out.push_back('T');
  AppendNumber(out, ms / 3600000, 2);
  out.push_back(':');
  AppendNumber(out, ms / 60000 % 60, 2);
  out.push_back(':');
  AppendNumber(out, ms / 1000 % 60, 2);
  if (ms % 1000 != 0) {
    out.push_back('.');
    AppendNumber(out, ms % 1000, 3);
  }
  return out;
}

std::string Decimal::ToString() const {
  std::string out;
  const bool zero = digits.find_first_not_of('0') == std::string::npos;
  if (negative && !zero) out.push_back('-');
  const size_t s = scale > 0 ? static_cast<size_t>(scale) : 0;
  if (digits.size() <= s) {
    out += "0.";
    out.append(s - digits.size(), '0');
    out += digits;
  } else {
    out.append(digits, 0, digits.size() - s);
    if (s > 0) {
      out.push_back('.');
      out.append(digits, digits.size() - s, s);
    }
  }
  return out;
}

std::string Guid::ToString() const {
  static const char kHex[] = "0123456789ABCDEF";
  // The first three groups are little-endian, the last two kept in stored order.
  static const int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string out = "{";
  for (int k = 0; k < 16; ++k) {
    if (k == 4 || k == 6 || k == 8 || k == 10) out.push_back('-');
    const uint8_t b = bytes[static_cast<size_t>(kOrder[k])];
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
  out.push_back('}');
  return out;
}

LostCount CountLost(const std::vector<LostRow>& lost) {
  LostCount c;
  for (const LostRow& l : lost) {
    if (l.rows == LostRow::kUnknownRows) c.atLeast = true;
    else c.rows += l.rows;
  }
  return c;
}

}  // namespace dao
