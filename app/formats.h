// Value formats shared by the screen views and the printed report.
#pragma once

#include <QString>
#include <cstdint>

#include "engine/dao.h"

namespace formats {

// "###,###,##0": digits grouped in threes with the locale's group separator, at least one digit.
QString RecordCount(int64_t n);

// "dd/mm/yy hh:nn:ss" with the locale's date and time separators.
QString DateTime(const dao::DateTime& t);

// A number printed as a number: a blank (the place of the sign, a minus for a negative value),
// the digits, a blank.
QString PrintedNumber(int64_t n);

// "#0%": the fraction times 100, rounded half away from zero, at least one digit, then "%".
QString Percent(float fraction);

}  // namespace formats
