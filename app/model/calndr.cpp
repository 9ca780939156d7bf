#include "app/model/calndr.h"

#include <cstdio>
#include <ctime>

namespace spindra {

namespace {

CalendarTime system_time() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900,
          local.tm_hour, local.tm_min,     local.tm_sec};
}

// Integer in a field of `width` characters, right-aligned; asterisks when it
// does not fit.
void put_int(char* out, int width, long value) {
  char buffer[24];
  const int n = std::snprintf(buffer, sizeof buffer, "%*ld", width, value);
  for (int i = 0; i < width; ++i) out[i] = n == width ? buffer[i] : '*';
}

}  // namespace

void calndr_format(const CalendarTime& when, DateText& CDATE, TimeText& CTIME) {
  static constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  int year = when.year;
  if (year < 1900) year += year < 95 ? 2000 : 1900;
  year %= 10000;
  const int month = when.month >= 1 && when.month <= 12 ? when.month : 1;
  char* d = CDATE.data();
  put_int(d, 2, when.day);
  d[2] = '-';
  for (int i = 0; i < 3; ++i) d[3 + i] = kMonths[(month - 1) * 3 + i];
  d[6] = '-';
  put_int(d + 7, 4, year);
  char* t = CTIME.data();
  const int parts[3] = {when.hour, when.minute, when.second};
  for (int p = 0; p < 3; ++p) {
    const int v = parts[p] >= 0 && parts[p] <= 99 ? parts[p] : 0;
    t[p * 3] = static_cast<char>('0' + v / 10);
    t[p * 3 + 1] = static_cast<char>('0' + v % 10);
    if (p < 2) t[p * 3 + 2] = ':';
  }
}

void CALNDR(DateText& CDATE, TimeText& CTIME) {
  calndr_format(calndr_clock ? calndr_clock() : system_time(), CDATE, CTIME);
}

}  // namespace spindra
