#include "net/time_parser.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>

#include "net/date_time.h"
#include "platform/ascii.h"
#include "text/reg_manager.h"

namespace corvane {

namespace {

constexpr std::array<const char*, 12> kShortMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::array<const char*, 12> kFullMonths = {
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};

// The month alternation: three-letter names first, then the full names.
const std::string& MonthAlternation() {
    static const std::string months = [] {
        std::string text;
        for (const char* name : kShortMonths) text += std::string(text.empty() ? "" : "|") + name;
        for (const char* name : kFullMonths) text += std::string("|") + name;
        return text;
    }();
    return months;
}

// 1..12 for a month name (full names looked up first), 0 for anything else.
int MonthNumber(std::string name) {
    name = ToLowerAscii(name);
    for (std::size_t i = 0; i < kFullMonths.size(); ++i)
        if (name == kFullMonths[i]) return static_cast<int>(i) + 1;
    for (std::size_t i = 0; i < kShortMonths.size(); ++i)
        if (name == kShortMonths[i]) return static_cast<int>(i) + 1;
    return 0;
}

bool Present(const CRegManager& re, int group) { return re.GetGroupPosition(group) >= 0; }

// Replaces the first match by one blank, so that later patterns no longer see it.
bool Remove(CRegManager& re, std::string& work, const std::string& pattern,
            std::string_view options) {
    return re.ReplaceFormat(work, pattern, " ", options) > 0;
}

int SaturatingAdd(int a, int b) {
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(a) + b, INT_MIN, INT_MAX));
}

int Digits(const std::string& text, std::size_t pos, std::size_t count) {
    return std::stoi(text.substr(pos, count));
}

void Reset(int& year, int& month, int& day, int& hour, int& minute, int& second,
           std::string& zone) {
    year = month = day = hour = minute = second = -1;
    zone.clear();
}

}  // namespace

bool CSimpleTimeParser::Parse(const std::string& text, int& year, int& month, int& day, int& hour,
                              int& minute, int& second, std::string& zone) {
    Reset(year, month, day, hour, minute, second, zone);
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    std::string work = text.substr(first, text.find_last_not_of(" \t") - first + 1);

    CRegManager re;
    if (Remove(re, work, "^(\\d\\d\\d\\d)", "") || Remove(re, work, "(\\d\\d\\d\\d)$", ""))
        year = re.GetGroupInt(1);
    else
        year = CurrentJstYear();

    if (re.Search(work, "(\\d\\d?)[:\\/](\\d\\d?) (\\d\\d?)[:\\/](\\d\\d?)[:\\/](\\d\\d?)", "i") >
        0) {
        second = re.GetGroupInt(5);
    } else if (re.Search(work, "(\\d\\d?)[:\\/](\\d\\d?) (\\d\\d?)[:\\/](\\d\\d?)", "i") > 0) {
        second = 0;
    } else {
        return false;
    }
    month = re.GetGroupInt(1);
    day = re.GetGroupInt(2);
    hour = re.GetGroupInt(3);
    minute = re.GetGroupInt(4);
    return true;
}

bool CParseDateTimeParser::Parse(const std::string& text, int& year, int& month, int& day,
                                 int& hour, int& minute, int& second, std::string& zone) {
    Reset(year, month, day, hour, minute, second, zone);
    std::string work = text;
    CRegManager re;
    const std::string& months = MonthAlternation();

    // The weekday carries nothing the date does not; it is only taken out of the way.
    Remove(re, work, "(sun|mon|tue|wed|thu|fri|sat)\\S*", "i");

    if (Remove(re, work,
               "(\\d+):(\\d+)(?::(\\d+))?(?:\\s*([ap])\\.?m\\.?\\b)?"
               "(?:\\s*([a-z]+(?:\\s+dst)?|[-+]\\d+(?::?\\d+))\\b)?",
               "i")) {
        hour = re.GetGroupInt(1);
        minute = re.GetGroupInt(2);
        if (Present(re, 3)) second = re.GetGroupInt(3);
        if (Present(re, 4)) {
            hour %= 12;
            if (re.GetGroup(4) == "p" || re.GetGroup(4) == "P") hour += 12;
        }
        if (Present(re, 5)) zone = re.GetGroup(5);
    }

    if (Remove(re, work, "(\\d+)\\S*\\s+(" + months + ")\\S*(?:\\s+(\\d+))?", "i")) {
        day = re.GetGroupInt(1);
        month = MonthNumber(re.GetGroup(2));
        if (Present(re, 3)) year = re.GetGroupInt(3);
    } else if (Remove(re, work, "(" + months + ")\\S*\\s+(\\d+)\\S*(?:\\s+(\\d+))?", "i")) {
        month = MonthNumber(re.GetGroup(1));
        day = re.GetGroupInt(2);
        year = re.GetGroupInt(3);  // 0 when absent
    } else if (Remove(re, work, "(\\d+)-(\\d+)-(\\d+)", "i")) {
        year = re.GetGroupInt(1);
        month = re.GetGroupInt(2);
        day = re.GetGroupInt(3);
        if (day > 999) std::swap(year, day);
    } else if (Remove(re, work, "([MTSH])(\\d+)\\.(\\d+)\\.(\\d+)", "i")) {
        // Japanese eras: Meiji, Taisho, Showa, Heisei.
        int base = 0;
        switch (re.GetGroup(1)[0]) {
            case 'M':
            case 'm':
                base = 1867;
                break;
            case 'T':
            case 't':
                base = 1911;
                break;
            case 'S':
            case 's':
                base = 1925;
                break;
            default:
                base = 1988;
                break;
        }
        year = SaturatingAdd(base, re.GetGroupInt(2));
        month = re.GetGroupInt(3);
        day = re.GetGroupInt(4);
    } else if (Remove(re, work, "(\\d+)-(" + months + ")\\S*-(\\d+)", "i")) {
        day = re.GetGroupInt(1);
        month = MonthNumber(re.GetGroup(2));
        year = re.GetGroupInt(3);
        if (day > 999) std::swap(year, day);
    } else if (Remove(re, work, "(\\d+)/(\\d+)(?:/(\\d+))?", "i")) {
        month = re.GetGroupInt(1);
        day = re.GetGroupInt(2);
        if (Present(re, 3)) year = re.GetGroupInt(3);
        if (month > 999) {
            year = re.GetGroupInt(1);
            month = re.GetGroupInt(2);
            day = re.GetGroupInt(3);
        }
    } else if (Remove(re, work, "(\\d{4,14})(?:\\s*T?\\s*(\\d{2,6}))?(?:\\s*(Z|[-+]\\d{2,4})\\b)?",
                      "i")) {
        // Compact ISO form: the digit count tells which fields are there.
        const std::string date = re.GetGroup(1);
        switch (date.size()) {
            case 4:
                month = Digits(date, 0, 2);
                day = Digits(date, 2, 2);
                break;
            case 6:
                year = Digits(date, 0, 2);
                month = Digits(date, 2, 2);
                day = Digits(date, 4, 2);
                break;
            case 8:
            case 10:
            case 12:
            case 14:
                year = Digits(date, 0, 4);
                month = Digits(date, 4, 2);
                day = Digits(date, 6, 2);
                if (date.size() >= 10) hour = Digits(date, 8, 2);
                if (date.size() >= 12) minute = Digits(date, 10, 2);
                if (date.size() >= 14) second = Digits(date, 12, 2);
                break;
            default:
                break;
        }
        const std::string time = re.GetGroup(2);
        if (time.size() == 2 || time.size() == 4 || time.size() == 6) hour = Digits(time, 0, 2);
        if (time.size() == 4 || time.size() == 6) minute = Digits(time, 2, 2);
        if (time.size() == 6) second = Digits(time, 4, 2);
        // A zone written after the time of day stays unless the compact form names one.
        if (!re.GetGroup(3).empty()) zone = re.GetGroup(3);
    }

    if (year >= 0 && year <= 99) year += year < 69 ? 2000 : 1900;
    return true;
}

}  // namespace corvane
