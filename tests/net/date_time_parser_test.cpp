#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "net/date_time.h"
#include "net/time_parser.h"

namespace corvane {
namespace {

// 1994-11-06 08:49:37 UTC, the moment of the usual web server examples.
constexpr std::int64_t kNov1994 = 784111777;
constexpr std::int64_t kNineHours = 32400;

std::int64_t Parsed(const std::string& text) {
    std::int64_t value = -12345;
    EXPECT_TRUE(ParseDateTime(text, value)) << text;
    return value;
}

struct Fields {
    int year, month, day, hour, minute, second;
    std::string zone;
};

Fields ParseFields(CTimeParser& parser, const std::string& text, bool expected = true) {
    Fields f{};
    EXPECT_EQ(expected,
              parser.Parse(text, f.year, f.month, f.day, f.hour, f.minute, f.second, f.zone))
        << text;
    return f;
}

TEST(DateTimeParserTest, WebServerForms) {
    EXPECT_EQ(kNov1994, Parsed("Sun, 06 Nov 1994 08:49:37 GMT"));          // RFC 1123
    EXPECT_EQ(kNov1994, Parsed("Sunday, 06-Nov-94 08:49:37 GMT"));         // RFC 850
    EXPECT_EQ(kNov1994 - kNineHours, Parsed("Sun Nov  6 08:49:37 1994"));  // asctime, JST
    EXPECT_EQ(kNov1994, Parsed("sunday, 6 november 1994 08:49:37 gmt"));
    EXPECT_EQ(kNov1994, Parsed("Sun, 06 Nov 1994 17:49:37 +0900"));
    EXPECT_EQ(kNov1994, Parsed("Sun, 06 Nov 1994 03:49:37 -0500"));
    EXPECT_EQ(kNov1994, Parsed("Sun, 06 Nov 1994 17:49:37 JST"));
    EXPECT_EQ(kNov1994, Parsed("1994-11-06 08:49:37 GMT"));
    EXPECT_EQ(kNov1994, Parsed("06-11-1994 08:49:37 GMT"));  // day and year exchanged
    EXPECT_EQ(kNov1994, Parsed("11/06/1994 08:49:37 GMT"));
    EXPECT_EQ(kNov1994, Parsed("Nov 6, 1994 8:49:37 am GMT"));
    EXPECT_EQ(ParseDateTimeValue("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
}

TEST(DateTimeParserTest, GeneralParserFields) {
    CParseDateTimeParser parser;
    Fields f = ParseFields(parser, "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(1994, f.year);
    EXPECT_EQ(11, f.month);
    EXPECT_EQ(6, f.day);
    EXPECT_EQ(8, f.hour);
    EXPECT_EQ(49, f.minute);
    EXPECT_EQ(37, f.second);
    EXPECT_EQ("GMT", f.zone);

    // am/pm: 12 am is midnight, 12 pm noon; no seconds stays -1.
    f = ParseFields(parser, "12:30 am 2008-12-25");
    EXPECT_EQ(0, f.hour);
    EXPECT_EQ(-1, f.second);
    EXPECT_EQ(2008, f.year);
    f = ParseFields(parser, "12:30 pm 2008-12-25");
    EXPECT_EQ(12, f.hour);
    f = ParseFields(parser, "Dec 25 2008 3:05 pm PST");
    EXPECT_EQ(15, f.hour);
    EXPECT_EQ(5, f.minute);
    EXPECT_EQ("PST", f.zone);
    EXPECT_EQ(12, f.month);
    f = ParseFields(parser, "1:05 p.m. 2008-12-25");
    EXPECT_EQ(13, f.hour);

    // Without a date the general parser still answers, with the year left at -1.
    f = ParseFields(parser, "3:05 pm");
    EXPECT_EQ(-1, f.year);
    EXPECT_EQ(15, f.hour);
    f = ParseFields(parser, "");
    EXPECT_EQ(-1, f.year);
    EXPECT_EQ(-1, f.hour);
    EXPECT_EQ("", f.zone);
}

TEST(DateTimeParserTest, ShortFormWithAndWithoutYear) {
    CSimpleTimeParser simple;
    Fields f = ParseFields(simple, "  2008 12/25 10:30\t");
    EXPECT_EQ(2008, f.year);
    EXPECT_EQ(12, f.month);
    EXPECT_EQ(25, f.day);
    EXPECT_EQ(10, f.hour);
    EXPECT_EQ(30, f.minute);
    EXPECT_EQ(0, f.second);
    EXPECT_EQ("", f.zone);
    EXPECT_EQ(1230168600, Parsed("2008 12/25 10:30"));
    EXPECT_EQ(1230168600 + 15, Parsed("12/25 10:30:15 2008"));
    EXPECT_EQ(1230168600, Parsed("2008/12/25 10:30"));

    f = ParseFields(simple, "12/25 10:30:15");
    EXPECT_EQ(CurrentJstYear(), f.year);
    EXPECT_EQ(15, f.second);
    std::int64_t expected = 0;
    ASSERT_TRUE(JstFieldsToTime(CurrentJstYear(), 12, 25, 10, 30, 15, expected));
    EXPECT_EQ(expected, Parsed("12/25 10:30:15"));

    ParseFields(simple, "Sun, 06 Nov 1994 08:49:37 GMT", false);
    ParseFields(simple, "Sun Nov  6 08:49:37 1994", false);
    ParseFields(simple, " \t ", false);
}

TEST(DateTimeParserTest, EraCompactAndPartialDates) {
    EXPECT_EQ(1200322800, Parsed("H20.1.15"));  // Heisei 20 = 2008
    EXPECT_EQ(1200322800, Parsed("h20.1.15"));
    EXPECT_EQ(Parsed("1989-01-08"), Parsed("H1.1.8"));
    EXPECT_EQ(Parsed("1975-05-05"), Parsed("S50.5.5"));  // Showa
    EXPECT_EQ(1230201000, Parsed("20081225T103000Z"));
    EXPECT_EQ(1230201000, Parsed("20081225 103000 Z"));
    EXPECT_EQ(1230201000 - kNineHours, Parsed("200812251030"));
    EXPECT_EQ(1230201000 - kNineHours, Parsed("20081225103000"));
    EXPECT_EQ(1230201000, Parsed("20081225T1930+0900"));
    EXPECT_EQ(Parsed("2008-12-25"), Parsed("081225"));
    EXPECT_EQ(973436400, Parsed("Nov 6"));  // a missing year reads as 2000
    // A zone after the time of day is kept when the compact date names none.
    EXPECT_EQ(1230201000, Parsed("20081225 10:30 GMT"));
    // Two-digit years: below 69 in this century, from 69 on in the last.
    EXPECT_EQ(3119417377, Parsed("Sun, 06-Nov-68 08:49:37 GMT"));
    EXPECT_EQ(Parsed("1970-11-06"), Parsed("06-Nov-70"));
}

TEST(DateTimeParserTest, ZonesCountWholeHours) {
    EXPECT_EQ(32400, ZoneOffset("JST"));
    EXPECT_EQ(32400, ZoneOffset("jst"));
    EXPECT_EQ(0, ZoneOffset("GMT"));
    EXPECT_EQ(32400, ZoneOffset("+0900"));
    EXPECT_EQ(-18000, ZoneOffset("-0500"));
    EXPECT_EQ(32400, ZoneOffset("+0930"));
    EXPECT_EQ(0, ZoneOffset("+09:00"));
    EXPECT_EQ(0, ZoneOffset("UTC"));
    EXPECT_EQ(0, ZoneOffset("Z"));
    EXPECT_EQ(0, ZoneOffset(""));
    EXPECT_EQ(596523 * 3600, ZoneOffset("+99999999999999"));
    EXPECT_EQ(Parsed("2008-12-25 10:30 GMT"), Parsed("2008-12-25 10:30 +09:00"));
    EXPECT_EQ(Parsed("2008-12-25 10:30 GMT") - kNineHours, Parsed("2008-12-25 10:30 +0900"));
}

// Web servers' dates over seventy years, month ends and leap days among them, read as the
// calendar says.
TEST(DateTimeParserTest, HttpDatesReadAsTheCalendarSays) {
    using namespace std::chrono;
    static const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto text = [](sys_seconds t) {
        const sys_days day = floor<days>(t);
        const year_month_day ymd(day);
        const hh_mm_ss<seconds> time(t - day);
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%s, %02u %s %04d %02ld:%02ld:%02ld GMT",
                      kWeekdays[weekday(day).c_encoding()], static_cast<unsigned>(ymd.day()),
                      kMonths[static_cast<unsigned>(ymd.month()) - 1], static_cast<int>(ymd.year()),
                      static_cast<long>(time.hours().count()),
                      static_cast<long>(time.minutes().count()),
                      static_cast<long>(time.seconds().count()));
        return std::string(buffer);
    };
    std::vector<sys_seconds> moments;
    for (sys_seconds t = sys_days(1970y / 1 / 2); t < sys_days(2040y / 1 / 1); t += 987654s)
        moments.push_back(t);
    for (auto day : {2000y / 2 / 29, 2024y / 2 / 29, 2023y / 2 / 28, 1999y / 12 / 31,
                     2030y / 4 / 30, 2031y / 1 / 31}) {
        moments.push_back(sys_days(day) + 23h + 59min + 59s);
        moments.push_back(sys_days(day));
    }
    for (sys_seconds t : moments) {
        EXPECT_EQ(Parsed(text(t)), t.time_since_epoch().count()) << text(t);
    }
}

TEST(DateTimeParserTest, UnusableDatesFail) {
    std::int64_t value = 42;
    for (const char* text :
         {"", "garbage", "3:05 pm", "Sun, 06 Nov 1960 08:49:37 GMT", "1970-01-01 08:59:59",
          "3001-01-01 09:00:00 GMT", "99999999999:99999999999 Nov 99999999999 99999999999"}) {
        EXPECT_FALSE(ParseDateTime(text, value)) << text;
        EXPECT_EQ(-1, ParseDateTimeValue(text)) << text;
    }
    EXPECT_EQ(42, value);
    EXPECT_EQ(0, Parsed("1970-01-01 09:00:00"));
    EXPECT_EQ(32535215999, Parsed("3000-12-31 23:59:59 GMT"));
    // Only the low 32 bits are kept by the 32-bit form.
    EXPECT_EQ(static_cast<std::int32_t>(2208988800 - 4294967296),
              ParseDateTimeValue("2040-01-01 00:00:00 GMT"));
}

// Local time is Japan Standard Time whatever zone the machine is set to.
TEST(DateTimeParserTest, MachineZoneDoesNotMatter) {
    const char* old = std::getenv("TZ");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    for (const char* tz : {"America/New_York", "UTC", "Asia/Tokyo", "Australia/Lord_Howe"}) {
        setenv("TZ", tz, 1);
        tzset();
        EXPECT_EQ(kNov1994 - kNineHours, Parsed("Sun Nov  6 08:49:37 1994")) << tz;
        EXPECT_EQ(kNov1994, Parsed("Sun, 06 Nov 1994 08:49:37 GMT")) << tz;
        EXPECT_EQ(1230168600, Parsed("2008 12/25 10:30")) << tz;
        EXPECT_EQ(0, Parsed("1970-01-01 09:00:00")) << tz;
    }
    if (saved)
        setenv("TZ", saved->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(DateTimeParserTest, OutOfRangeFieldsRollOver) {
    std::int64_t value = 0;
    ASSERT_TRUE(JstFieldsToTime(2008, 13, 1, 0, 0, 0, value));
    EXPECT_EQ(Parsed("2009-01-01"), value);
    ASSERT_TRUE(JstFieldsToTime(2009, 3, 0, 24, 0, 0, value));
    EXPECT_EQ(Parsed("2009-03-01"), value);
    EXPECT_EQ(Parsed("2009-01-01"), Parsed("2008-13-01"));
}

}  // namespace
}  // namespace corvane
