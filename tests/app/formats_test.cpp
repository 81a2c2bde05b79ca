// The value formats shared by the views and the report, under different locales.
#include <QDate>
#include <QLocale>
#include <gtest/gtest.h>

#include "app/formats.h"

namespace {

dao::DateTime At(int y, int mo, int d, int h, int mi, int s) {
  const double days = static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(y, mo, d)));
  return dao::DateTime{days + (h * 3600 + mi * 60 + s) / 86400.0};
}

class Formats : public ::testing::Test {
 protected:
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(Formats, RecordCountGroupsDigitsWithTheLocaleSeparator) {
  QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
  EXPECT_EQ(formats::RecordCount(1234567), QStringLiteral("1.234.567"));
  EXPECT_EQ(formats::RecordCount(0), QStringLiteral("0"));
  EXPECT_EQ(formats::RecordCount(999), QStringLiteral("999"));
  EXPECT_EQ(formats::RecordCount(1000), QStringLiteral("1.000"));
  EXPECT_EQ(formats::RecordCount(123456), QStringLiteral("123.456"));
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(formats::RecordCount(2147483647), QStringLiteral("2,147,483,647"));
}

TEST_F(Formats, DateTimeUsesTwoDigitsAndTheLocaleSeparators) {
  QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
  EXPECT_EQ(formats::DateTime(At(2004, 3, 5, 14, 7, 9)), QStringLiteral("05/03/04 14:07:09"));
  EXPECT_EQ(formats::DateTime(At(1999, 12, 31, 0, 0, 0)), QStringLiteral("31/12/99 00:00:00"));
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(formats::DateTime(At(2004, 3, 5, 23, 59, 59)), QStringLiteral("05.03.04 23:59:59"));
}

TEST_F(Formats, PrintedNumbersAndPercentages) {
  EXPECT_EQ(formats::PrintedNumber(50), QStringLiteral(" 50 "));
  EXPECT_EQ(formats::PrintedNumber(0), QStringLiteral(" 0 "));
  EXPECT_EQ(formats::PrintedNumber(-3), QStringLiteral("-3 "));
  EXPECT_EQ(formats::Percent(0.456f), QStringLiteral("46%"));
  EXPECT_EQ(formats::Percent(0.0f), QStringLiteral("0%"));
  EXPECT_EQ(formats::Percent(1.0f), QStringLiteral("100%"));
}

}  // namespace
