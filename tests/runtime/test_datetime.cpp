#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/host/clock.h"
#include "runtime/datetime.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const char* c) { return StrFromC(c); }

// Sets TZ for one test and restores what was there.
class TzScope {
 public:
  explicit TzScope(const char* tz) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TzScope() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

// Central European time without a zone database: +1, +2 in summer.
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

class DateTest : public RuntimeTest {};

TEST_F(DateTest, CheckValidatesWithEveryFourthYearLeap) {
  struct Case {
    int32_t date;
    Status want;
  } cases[] = {
      {20230229, st::BADINPUTDATA}, {20240229, 0}, {21000229, 0}, {20231301, st::BADINPUTDATA},
      {0, st::BADINPUTDATA},        {99991231, 0}, {101, 0},      {20240431, st::BADINPUTDATA},
      {20240100, st::BADINPUTDATA}, {-20240101, st::BADINPUTDATA}, {100000101, st::BADINPUTDATA},
  };
  for (const Case& c : cases) {
    char buf[9] = "xxxxxxxx";
    EXPECT_EQ(DateCheck(c.date, buf, sizeof buf), c.want) << c.date;
    if (c.want == 0) {
      EXPECT_EQ(std::to_string(c.date + 100000000).substr(1), buf) << c.date;
    }
  }
  char small[4];
  EXPECT_EQ(DateCheck(20240229, small, sizeof small), st::STROUTBOUND);
  EXPECT_EQ(DateToText(0).View(), "");
  EXPECT_EQ(DateToText(20230229).View(), "");
  EXPECT_EQ(DateToText(20240229).View(), "20240229");
}

TEST_F(DateTest, AddNormalisesAndClampsMonthEnds) {
  struct Case {
    const char* date;
    int32_t amount;
    int unit;
    int32_t want;
  } cases[] = {
      {"20240131", 1, kDateMonth, 20240229},  {"20231231", 2, kDateMonth, 20240229},
      {"20240229", 1, kDateYear, 20250301},   {"20240301", -1, kDateDay, 20240229},
      {"20241231", 1, kDateDay, 20250101},    {"20240115", -13, kDateMonth, 20221215},
      {"20240331", -1, kDateMonth, 20240229}, {"20240229", 4, kDateYear, 20280229},
      {"20240100", 0, kDateDay, 20231231},    {"20241301", 0, kDateDay, 20250101},
      {"20240315", 5, 8, 20240315},           {"20240101", 10000, kDateDay, 20510519},
      {"20240101", -700000, kDateDay, 1070704},
      // Results outside years 0-9999 are "no date", however far out.
      {"20240101", -1000000, kDateDay, 0},    {"99991231", 1, kDateDay, 0},
      {"00000101", -1, kDateDay, 0},          {"00000101", 10000, kDateYear, 0},
      {"20240229", -100000, kDateYear, 0},    {"20240101", -2000000000, kDateMonth, 0},
      {"", 5, kDateDay, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(DateAdd(S(c.date), c.amount, c.unit), c.want) << c.date << " " << c.amount << "/" << c.unit;
}

TEST_F(DateTest, DifferencesCountRealDaysAndCalendarMonths) {
  struct Case {
    const char* date;
    int32_t other;
    int unit;
    int32_t want;
  } cases[] = {
      {"20240315", 20231115, kDateMonth, 4}, {"20240315", 20240101, kDateDay, 74},
      {"20240315", 20231115, kDateDay, 121}, {"20240301", 20230301, kDateDay, 366},
      {"20230301", 20240301, kDateDay, -366}, {"21000301", 21000201, kDateDay, 29},
      {"20240315", 20200101, kDateYear, 4},  {"20240315", 20250101, kDateMonth, -10},
      {"20240315", 20200101, 8, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(DateAdd(S(c.date), c.other, c.unit), c.want) << c.date << " - " << c.other;
}

// Walks day by day across two century years: every step lands on a valid
// date, and adding n days then differencing gives n back.
TEST_F(DateTest, DayArithmeticIsConsistentAcrossYears) {
  const int32_t start = 19990101;
  int32_t date = start;
  for (int n = 1; n <= 40000; ++n) {
    uint16_t mark = StrAreaMark(-1);
    int32_t next = DateAdd(DateToText(date), 1, kDateDay);
    ASSERT_TRUE(DateIsValid(next)) << date;
    ASSERT_EQ(DateAdd(DateToText(next), date, kDateDay), 1) << next;
    if (n % 997 == 0 && n <= 10000) {  // larger amounts are second dates
      ASSERT_EQ(DateAdd(DateToText(start), n, kDateDay), next) << n;
    }
    ASSERT_EQ(DateAdd(DateToText(next), start, kDateDay), n) << next;
    StrAreaMark(mark);
    date = next;
  }
  EXPECT_EQ(date, 21080707);  // one day before the civil 2108-07-08: 2100 had a 29 February
}

TEST_F(DateTest, PartsAreTakenByPositionWithoutReadingPastTheText) {
  EXPECT_EQ(DateParse(S("20240315"), kDateDay), 15);
  EXPECT_EQ(DateParse(S("20240315"), kDateMonth), 3);
  EXPECT_EQ(DateParse(S("20240315"), kDateYear), 2024);
  EXPECT_EQ(DateParse(S("20240315"), kDateWhole), 20240315);
  EXPECT_EQ(DateParse(S("20240315"), 0), 0);
  EXPECT_EQ(DateParse(S("5"), kDateDay), 5);
  EXPECT_EQ(DateParse(S("15"), kDateMonth), 0);
  EXPECT_EQ(DateParse(S("abc"), kDateYear), 0);
  DateParts p = DateSplit(S("20240315"));
  EXPECT_EQ(p.day, 15);
  EXPECT_EQ(p.month, 3);
  EXPECT_EQ(p.year, 2024);

  EXPECT_EQ(DateMonthDays(S("21000215")), 29);
  EXPECT_EQ(DateMonthDays(S("20230415")), 30);
  EXPECT_EQ(DateDaysInMonth(13, 2024), 31);

  struct Set {
    const char* date;
    int32_t value;
    int flags;
    const char* want;
  } sets[] = {
      {"20240131", 2, kDateMonth, ""},         {"20240131", 30, kDateDay, "20240130"},
      {"20240229", 2023, kDateYear, ""},       {"20240229", 2028, kDateYear, "20280229"},
      {"20240315", 7, kDateDay | kDateMonth, "20240707"}, {"20240315", 150, kDateDay, ""},
  };
  for (const Set& s : sets) EXPECT_EQ(DateSetPart(S(s.date), s.value, s.flags).View(), s.want) << s.date;
}

TEST(DateStepTest, EachKindMovesOneStep) {
  struct Case {
    DateParts in;
    int kind;
    DateParts want;
  } cases[] = {
      {{15, 0, 2024}, kStepYearBack, {15, 12, 2023}}, {{15, 13, 2024}, kStepYearOn, {15, 1, 2025}},
      {{0, 3, 2024}, kStepMonthBack, {29, 2, 2024}},  {{0, 1, 2024}, kStepMonthBack, {31, 12, 2023}},
      {{32, 1, 2024}, kStepMonthOn, {1, 2, 2024}},    {{32, 12, 2023}, kStepMonthOn, {1, 1, 2024}},
  };
  for (Case& c : cases) {
    DateStep(&c.in, c.kind);
    EXPECT_EQ(c.in.day, c.want.day) << c.kind;
    EXPECT_EQ(c.in.month, c.want.month) << c.kind;
    EXPECT_EQ(c.in.year, c.want.year) << c.kind;
  }
}

class TimeTest : public RuntimeTest {};

TEST_F(TimeTest, ParseReadsSecondsMinutesHoursAndFraction) {
  struct Case {
    const char* text;
    int64_t want;
  } cases[] = {
      {"01:02:03.5", 3723500}, {"90", 90000},           {"02:03", 123000},   {"1:2:3:4", 3723000},
      {".25", 250},            {"00:00:01.123456", 1123}, {"-5", 0},         {"99:99", 6039000},
      {"12:3x:10", 43390000},  {"00:00:00.05", 50},
  };
  for (const Case& c : cases) EXPECT_EQ(TimeParse(S(c.text)), c.want) << c.text;
}

TEST_F(TimeTest, FormatByFlags) {
  struct Case {
    int64_t ms;
    int flags;
    const char* want;
  } cases[] = {
      {3723500, 7, "01:02:03.500"}, {3723500, 1, "01:02"},     {3723500, 0, "0102"},
      {3723500, 3, "01:02:03"},     {360000000, 1, "100:00"},  {-5, 7, "00:00:00.000"},
      {86399999, 6, "235959.999"},
  };
  for (const Case& c : cases) EXPECT_EQ(TimeFormat(c.ms, c.flags).View(), c.want) << c.ms << "/" << c.flags;
  EXPECT_EQ(TimeMsDiff(86399000, 1000), 2000);
  EXPECT_EQ(TimeMsDiff(1000, 5000), 4000);
}

TEST_F(TimeTest, TodayAndNowComeFromTheInstalledClockInLocalTime) {
  TzScope tz(kCentralEurope);
  ManualClock clock(1710545400LL * 1000 + 250);  // 2024-03-15 23:30:00.250 UTC
  ClockScope scope(&clock);
  EXPECT_EQ(DateToday(), 20240316);  // already the 16th in central Europe
  EXPECT_EQ(TimeOfDayMs(), 1800000);  // 00:30, whole seconds
  EXPECT_EQ(TimeParse(S("")), 1800000);

  clock.SetNowMs(1719873000LL * 1000);  // 2024-07-01 22:30 UTC, summer time
  EXPECT_EQ(DateToday(), 20240702);
  EXPECT_EQ(TimeOfDayMs(), 1800000);

  clock.SetLocal(LocalTime{2024, 2, 29, 13, 45, 10});
  EXPECT_EQ(DateToday(), 20240229);
  EXPECT_EQ(TimeOfDayMs(), 49510000);

  EXPECT_EQ(DateFromTime(-1), 0);
  EXPECT_EQ(TimeToMs(-1), 0);
  EXPECT_EQ(DateFromTime(0), 19700101);
  EXPECT_EQ(TimeToMs(0), 3600000);  // 01:00 in winter
}

TEST(ClockTest, WaitsAdvanceTheClockWithoutResettingAnotherCallersBase) {
  ManualClock clock;
  ClockScope scope(&clock);
  EXPECT_EQ(ClockMs(1), 0);
  clock.Advance(250);
  EXPECT_EQ(ClockMs(0), 250);
  TimeWaitMs(100);
  EXPECT_EQ(ClockMs(0), 350);
  TimeWaitMs(-5);
  TimeWaitMs(0);
  EXPECT_EQ(ClockMs(0), 350);
  EXPECT_EQ(ClockMs(1), 0);
}

TEST(ClockTest, SystemWaitSleepsInsteadOfSpinning) {
  ClockMs(1);
  std::clock_t cpu0 = std::clock();
  auto wall0 = std::chrono::steady_clock::now();
  TimeWaitMs(60);
  auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - wall0).count();
  double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
  EXPECT_GE(wall, 60);
  EXPECT_GE(ClockMs(0), 60);
  EXPECT_LT(cpuMs, 30.0);  // a busy wait would burn about 60 ms of CPU
}

}  // namespace
