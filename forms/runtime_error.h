// Failures of the user-interface runtime itself, numbered as the original platform numbered them.
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace forms {

enum RuntimeErrorNumber : int {
  kErrOverflow = 6,          // "Overflow"
  kErrDivisionByZero = 11,   // "Divisione per zero"
  kErrPrinter = 482,         // "Errore della stampante"
};

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, QString description);
  int Number() const { return number_; }
  const QString& Description() const { return description_; }

 private:
  int number_;
  QString description_;
};

// A 16-bit signed value from a wider one; raises error 6 (overflow) when it does not fit.
int16_t CheckedInt16(long long value);

// dividend / divisor in single precision; raises error 11 (division by zero) when divisor is 0.
float CheckedDivide(float dividend, float divisor);

}  // namespace forms
