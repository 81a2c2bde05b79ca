#include "forms/runtime_error.h"

#include <limits>

namespace forms {

RuntimeError::RuntimeError(int number, QString description)
    : std::runtime_error(description.toStdString()), number_(number), description_(std::move(description)) {}

int16_t CheckedInt16(long long value) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
    throw RuntimeError(kErrOverflow, QStringLiteral("Overflow"));
  return static_cast<int16_t>(value);
}

float CheckedDivide(float dividend, float divisor) {
  if (divisor == 0.0f) throw RuntimeError(kErrDivisionByZero, QStringLiteral("Divisione per zero"));
  return dividend / divisor;
}

}  // namespace forms
