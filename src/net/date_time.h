// Date texts (as in the Last-Modified header) to seconds since 1970-01-01 00:00 UTC.
// Local time is Japan Standard Time (UTC+9) on every machine, whatever its own zone: a
// date text without a zone is read as JST.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Tries the short form first, then the general parser; the first whose fields make a
// valid time (from 1970 on) sets `result`. False when none does.
bool ParseDateTime(const std::string& text, std::int64_t& result);

// The low 32 bits of ParseDateTime's result, or -1 when it fails.
std::int32_t ParseDateTimeValue(const std::string& text);

// Offset east of Greenwich in seconds: "JST" 9 hours, "GMT" 0, "+hhmm"/"-hhmm" whole hours
// (minutes are dropped); every other text gives 0.
int ZoneOffset(const std::string& zone);

// Broken-down Japan Standard Time fields to seconds since 1970-01-01 00:00 UTC, normalising
// out-of-range fields as the C library's time conversion does (month 13 is January of the
// next year). `year` above 99 is a full year, 0..99 counts from 1900. False for moments
// before 1970-01-01 00:00 UTC or after the year 3000.
bool JstFieldsToTime(int year, int month, int day, int hour, int minute, int second,
                     std::int64_t& result);

// The current year in Japan Standard Time.
int CurrentJstYear();

}  // namespace corvane
