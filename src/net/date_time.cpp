#include "net/date_time.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string_view>

#include "net/time_parser.h"
#include "platform/ascii.h"

namespace corvane {

namespace {

constexpr std::int64_t kJstOffset = 32400;
// The latest moment the 64-bit conversion accepts: 3000-12-31 23:59:59 UTC.
constexpr std::int64_t kLatestTime = 32535215999;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days from 1970-01-01 to the given proleptic Gregorian date (month 1..12).
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool TryParser(CTimeParser& parser, const std::string& text, std::int64_t& result) {
    int year, month, day, hour, minute, second;
    std::string zone;
    if (!parser.Parse(text, year, month, day, hour, minute, second, zone)) return false;
    if (zone.empty()) zone = "JST";
    hour = std::max(hour, 0);
    minute = std::max(minute, 0);
    second = std::max(second, 0);
    std::int64_t local;
    if (!JstFieldsToTime(year, month, day, hour, minute, second, local)) return false;
    result = local + kJstOffset - ZoneOffset(zone);
    return true;
}

int TwoDigits(std::string_view text, std::size_t at) {
    const char a = text[at], b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
    return (a - '0') * 10 + (b - '0');
}

// The one form that HTTP servers send ("Sun, 06 Nov 1994 08:49:37 GMT", RFC 1123), read
// directly: the general parsers cost more than the rest of a small response's header. Any
// other text, or a field out of its range, is left to them.
bool ParseHttpDate(std::string_view text, std::int64_t& result) {
    static constexpr std::string_view kDays = "MonTueWedThuFriSatSun";
    static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (text.size() != 29 || text.substr(3, 2) != ", " || text[7] != ' ' || text[11] != ' ' ||
        text[16] != ' ' || text[19] != ':' || text[22] != ':' || text.substr(25) != " GMT")
        return false;
    const std::size_t weekday = kDays.find(text.substr(0, 3));
    const std::size_t month = kMonths.find(text.substr(8, 3));
    if (weekday == std::string_view::npos || weekday % 3 != 0) return false;
    if (month == std::string_view::npos || month % 3 != 0) return false;
    const int day = TwoDigits(text, 5), century = TwoDigits(text, 12), years = TwoDigits(text, 14);
    const int hour = TwoDigits(text, 17), minute = TwoDigits(text, 20),
              second = TwoDigits(text, 23);
    const int year = century * 100 + years, monthNumber = static_cast<int>(month / 3) + 1;
    static constexpr int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    const int length = kLengths[monthNumber - 1] + (monthNumber == 2 && leap ? 1 : 0);
    if (day < 1 || day > length || century < 19 || years < 0 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    std::int64_t local;
    if (!JstFieldsToTime(year, monthNumber, day, hour, minute, second, local)) return false;
    result = local + kJstOffset;  // GMT
    return true;
}

}  // namespace

bool JstFieldsToTime(int year, int month, int day, int hour, int minute, int second,
                     std::int64_t& result) {
    const std::int64_t fullYear = (year > 99 ? year - 1900 : year) + std::int64_t{1900};
    const std::int64_t month0 = std::int64_t{month} - 1;
    const std::int64_t y = fullYear + FloorDiv(month0, 12);
    const std::int64_t m = month0 - FloorDiv(month0, 12) * 12 + 1;
    const std::int64_t days = DaysFromCivil(y, m, 1) + (std::int64_t{day} - 1);
    const std::int64_t t =
        days * 86400 + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second - kJstOffset;
    if (t < 0 || t > kLatestTime) return false;
    result = t;
    return true;
}

int CurrentJstYear() {
    using namespace std::chrono;
    const auto now = floor<days>(system_clock::now() + seconds(kJstOffset));
    return static_cast<int>(year_month_day(now).year());
}

int ZoneOffset(const std::string& zone) {
    const std::string upper = ToUpperAscii(zone);
    if (upper == "JST") return 32400;
    if (upper == "GMT") return 0;
    std::string_view rest = upper;
    if (rest.starts_with("+")) rest.remove_prefix(1);
    // Leading decimal number with an optional minus, 0 when there is none.
    std::size_t i = 0;
    bool negative = false;
    if (i < rest.size() && rest[i] == '-') {
        negative = true;
        ++i;
    }
    long long value = 0;
    for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i)
        value = std::min<long long>(value * 10 + (rest[i] - '0'), 100000000LL);
    if (negative) value = -value;
    // "+0930" is 9.3 hours, cut to 9: minutes are dropped. Absurd values are capped so the
    // offset stays an int.
    const auto hours = static_cast<long long>(std::trunc(static_cast<double>(value) / 100.0));
    return static_cast<int>(std::clamp(hours, -596523LL, 596523LL) * 3600);
}

bool ParseDateTime(const std::string& text, std::int64_t& result) {
    if (ParseHttpDate(text, result)) return true;
    CSimpleTimeParser simple;
    if (TryParser(simple, text, result)) return true;
    CParseDateTimeParser general;
    return TryParser(general, text, result);
}

std::int32_t ParseDateTimeValue(const std::string& text) {
    std::int64_t value;
    if (!ParseDateTime(text, value)) return -1;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFF));
}

}  // namespace corvane
