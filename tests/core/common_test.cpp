#include "core/common.h"

#include <gtest/gtest.h>

#include "texts/checksum.h"

namespace kv {
namespace {

TEST(TimeText, FieldsHaveAtLeastTwoDigitsAndHoursAreNotCapped) {
  const struct {
    std::int64_t seconds;
    const char* text;
  } rows[] = {{0, "00:00:00"},     {9, "00:00:09"},      {59, "00:00:59"},
              {60, "00:01:00"},    {3599, "00:59:59"},   {3600, "01:00:00"},
              {86399, "23:59:59"}, {360000, "100:00:00"}, {-5, "00:00:00"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.seconds);
    EXPECT_EQ(formatTimeText(row.seconds), row.text);
  }
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  const struct {
    double value;
    std::int64_t rounded;
  } rows[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},   {2.4999, 2}, {2.5001, 3},
              {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {-2.6, -3}, {7.0, 7},    {1e9 + 0.5, 1000000000}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(roundHalfEven(row.value), row.rounded);
  }
}

TEST(Ticks, DifferencesStayRightAcrossTheWrap) {
  EXPECT_EQ(tickDiff(1000, 400), 600u);
  EXPECT_EQ(tickDiff(100, 0xFFFFFF00u), 356u);
  EXPECT_EQ(tickDiff(0, 0xFFFFFFFFu), 1u);
  EXPECT_TRUE(tickReached(100, 0xFFFFFF00u));
  EXPECT_FALSE(tickReached(0xFFFFFF00u, 100));
  EXPECT_TRUE(tickReached(5, 5));
}

TEST(Dates, DaysCountFromTheEndOf1899) {
  EXPECT_EQ(daysSince1899({1899, 12, 30}), 0);
  EXPECT_EQ(daysSince1899({1900, 1, 1}), 2);
  EXPECT_EQ(daysSince1899({2000, 1, 1}), 36526);
  EXPECT_EQ(dateFromDays(36526), (CalendarDate{2000, 1, 1}));
  EXPECT_EQ(dateFromDays(daysSince1899({2026, 12, 7})), (CalendarDate{2026, 12, 7}));
}

TEST(StringChecksum, IsTheRegisterUpdateWithoutFinalInversion) {
  // The ordinary CRC-32 of "123456789" is 0xCBF43926; without the final
  // inversion the register holds its complement.
  EXPECT_EQ(stringChecksum(0, "123456789"), ~0xCBF43926u);
  EXPECT_EQ(stringChecksum(0, ""), 0xFFFFFFFFu);
  // A non-zero seed is the starting register as it is.
  EXPECT_EQ(stringChecksum(0xFFFFFFFFu, "123456789"), stringChecksum(0, "123456789"));
  EXPECT_NE(stringChecksum(46000, "abc"), stringChecksum(46001, "abc"));
  // Continuing from an intermediate value equals one pass over the whole text.
  EXPECT_EQ(stringChecksum(stringChecksum(0, "1234"), "56789"), stringChecksum(0, "123456789"));
}

}  // namespace
}  // namespace kv
