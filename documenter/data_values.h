// Values of rows as exact text, shared by the data writers (server scripts, SQLite, tests).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/rows.h"

namespace tavrek::doc {

// The shortest decimal text that reads back as the same double ("0.1", "1e+100", "-0").
std::string ShortestDouble(double value);
// The same for a float.
std::string ShortestFloat(float value);

// "-123.4500": the exact decimal, the point placed by its scale, never an exponent.
std::string DecimalText(const dao::Decimal& value);
// A Currency amount (ten-thousandths, as stored) as exact decimal text with four places.
std::string CurrencyText(int64_t tenThousandths);

// "{0A1B…}" in upper case as Access shows a GUID, or bare lower case ("0a1b…-…").
std::string GuidText(const dao::Guid& guid, bool braces);

// An Access day number as "YYYY-MM-DD hh:mm:ss" (rounded to the second; times before 30 Dec 1899
// kept as Access keeps them: a negative day and a positive time). False when the date falls
// outside the years 100 to 9999 Access takes (the text is not set then); `year` is its year.
bool DateText(double days, std::string& text, int& year);

// The bytes in lower-case hex, two digits each.
std::string Hex(std::string_view bytes);

}  // namespace tavrek::doc
