// The date-text parsers behind the Last-Modified header: an interface and two parsers
// built on the regex facility. A parser fills the broken-down fields it finds; turning
// them into a time value is left to the driver (net/date_time.h).
#pragma once

#include <string>

namespace corvane {

class CTimeParser {
public:
    virtual ~CTimeParser() = default;
    // Fills year (full year), month (1..12), day, hour (0..23), minute and second, each -1
    // when the text does not give it, and the zone text (empty when none). False when the
    // text is not of the parser's form at all.
    virtual bool Parse(const std::string& text, int& year, int& month, int& day, int& hour,
                       int& minute, int& second, std::string& zone) = 0;
};

// The short form "month/day hour:minute[:second]" with an optional four-digit year at
// either end; without one the year is the current year (Japan Standard Time).
class CSimpleTimeParser : public CTimeParser {
public:
    bool Parse(const std::string& text, int& year, int& month, int& day, int& hour, int& minute,
               int& second, std::string& zone) override;
};

// The usual mail and web forms: weekday, time of day with am/pm and zone, day and month
// names, numeric and compact ISO dates, and Japanese era dates such as "H20.1.15". Always
// answers true; a text without a year leaves the year at -1.
class CParseDateTimeParser : public CTimeParser {
public:
    bool Parse(const std::string& text, int& year, int& month, int& day, int& hour, int& minute,
               int& second, std::string& zone) override;
};

}  // namespace corvane
