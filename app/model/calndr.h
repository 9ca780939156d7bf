// Date and time texts of the list file's page headings.
#pragma once

#include "text/fixed_text.h"

namespace spindra {

using DateText = FixedText<11>;  // " 6-Dec-2026"
using TimeText = FixedText<8>;   // "14:05:09"

// A broken-down calendar time: year as the clock gives it (four digits, or
// two for a clock that counts years of the century), month 1..12.
struct CalendarTime {
  int day = 1;
  int month = 1;
  int year = 2000;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The current local date and time as CDATE (day as I 2, "-", three-letter
// month, "-", year as I 4) and CTIME (hh:mm:ss).
void CALNDR(DateText& CDATE, TimeText& CTIME);

// The same texts for a given time.  A year below 1900 is a two-digit year:
// 2000 + year below 95, 1900 + year otherwise; the year is taken modulo 10000.
void calndr_format(const CalendarTime& when, DateText& CDATE, TimeText& CTIME);

// When set, CALNDR reads the time from here instead of the system clock (the
// tests use it for reproducible reports).
inline CalendarTime (*calndr_clock)() = nullptr;

}  // namespace spindra
