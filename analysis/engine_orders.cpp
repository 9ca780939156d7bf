#include "analysis/engine_orders.h"

#include <algorithm>
#include <cmath>

namespace spindra {

namespace {
constexpr double kHalfPi = 1.5707963267948966;
constexpr int kPerLine = 10;

// Writes a labelled row of integer entries (4 blanks and I 2 each), ten to a
// line; continuation lines hold only the entries.  With `gap` every full line
// is followed by an empty line.
template <typename Entry>
void write_int_row(ListFile& out, std::string_view label, int count, Entry entry, bool gap) {
  out.text(label);
  int on_line = 0;
  for (int c = 1; c <= count; ++c) {
    out.blanks(4).i(entry(c), 2);
    if (++on_line == kPerLine) {
      out.end_line();
      if (gap) out.empty_line();
      on_line = 0;
    }
  }
  if (on_line > 0 || count == 0) out.end_line();
}

// The same for reals as F 6.1.
template <typename Entry>
void write_angle_row(ListFile& out, int count, Entry entry) {
  out.text(" Firing angle");
  int on_line = 0;
  for (int c = 1; c <= count; ++c) {
    out.f(entry(c), 6, 1);
    if (++on_line == kPerLine) {
      out.end_line();
      on_line = 0;
    }
  }
  if (on_line > 0 || count == 0) out.end_line();
}

}  // namespace

double DSIND(double x) {
  return std::sin(x / 90.0 * kHalfPi);
}
double DCOSD(double x) {
  return std::cos(x / 90.0 * kHalfPi);
}
double DTAND(double x) {
  return std::tan(x / 90.0 * kHalfPi);
}
double DASIND(double x) {
  return std::asin(x) * 90.0 / kHalfPi;
}
double DACOSD(double x) {
  return std::acos(x) * 90.0 / kHalfPi;
}
double DATAND(double x) {
  return std::atan(x) * 90.0 / kHalfPi;
}

double second_bank_angle(const ENGINE& engine, double a) {
  const double cycle = engine.nstroke * 180.0;
  double angle = (engine.nstroke / 4) * 360.0 + engine.vee_angle + a;
  if (angle >= cycle) angle -= cycle;
  return angle;
}

void prepare_engine(int k) {
  ENGINE& engine = ENGS(k);
  const int ncyl = std::clamp(engine.ncyl, 0, kMaxAnalysisCylinders);
  for (int c = 1; c <= ncyl; ++c) {
    ICYL_NOS(c) = 0;
    for (int j = 1; j <= NMASS; ++j) {
      if (MASSES(j).icyleng_no(1) == k && MASSES(j).icyleng_no(2) == c) ICYL_NOS(c) = j;
    }
  }
  engine.ncyl1 = 1;
  const double anginc = 360.0 / std::max(ncyl, 1);
  for (int i = 1; i <= ncyl; ++i) {
    engine.angle(engine.ifirord(i)) = (i - 1) * engine.nstroke * anginc / 2.0;
  }
  if (engine.ivee_engine == 1) {
    for (int c = 1; c <= ncyl; ++c) ANGLE_BANK2(c) = second_bank_angle(engine, engine.angle(c));
  }
}

void write_engine_block(ListFile& out, int k) {
  const ENGINE& engine = ENGS(k);
  const int ncyl = std::clamp(engine.ncyl, 0, kMaxAnalysisCylinders);
  out.text(" Engine number ").i(k, k >= 10 ? 2 : 1);
  out.end_line();
  write_int_row(
      out, " Firing order", ncyl, [&](int c) { return engine.ifirord(c); }, false);
  write_angle_row(out, ncyl, [&](int c) { return engine.angle(c); });
  if (engine.ivee_engine == 1) write_angle_row(out, ncyl, [&](int c) { return ANGLE_BANK2(c); });
  write_int_row(
      out, " Mass number ", ncyl, [&](int c) { return ICYL_NOS(c); }, true);
}

void order_vector_sum(int k, double ordno, double& XSUM, double& YSUM) {
  const ENGINE& engine = ENGS(k);
  XSUM = 0.0;
  YSUM = 0.0;
  for (int j = 1; j <= NMASS; ++j) {
    const int c = MASSES(j).icyleng_no(2);
    if (MASSES(j).icyleng_no(1) != k || c == 0) continue;
    // The offset angle turns the whole engine against engine 1.
    const double a = engine.angle(c) + engine.offset_angle;
    if (engine.ivee_engine == 0) {
      XSUM += DCOSD(a * ordno) * EVEC(j);
      YSUM += DSIND(a * ordno) * EVEC(j);
    } else {
      const double ang2 = second_bank_angle(engine, engine.angle(c)) + engine.offset_angle;
      XSUM += (DCOSD(a * ordno) + DCOSD(ang2 * ordno)) * EVEC(j);
      YSUM += (DSIND(a * ordno) + DSIND(ang2 * ordno)) * EVEC(j);
    }
  }
}

OrderLine order_line(int k, double ordno, double f) {
  double xsum = 0.0, ysum = 0.0;
  order_vector_sum(k, ordno, xsum, ysum);
  OrderLine line;
  line.vecsum = std::sqrt(xsum * xsum + ysum * ysum);
  line.speed = f / ordno;
  line.phase = std::fabs(ysum) > 0.0 ? std::atan2(xsum, ysum) * 180.0 / kPiSingle : 0.0;
  return line;
}

int engines_in_use() {
  int engines = 0;
  for (int s = 1; s <= std::min(NENG, kMaxEngines); ++s) {
    if (ENGS(s).ncyl > 0) IENG_LIST(++engines) = s;
  }
  return engines;
}

void write_order_tables(ListFile& out, double f, int reference) {
  const int engines = engines_in_use();
  for (int e = 1; e <= engines; ++e) {
    const int k = IENG_LIST(e);
    out.empty_line();
    out.blanks(7).text("Engine no.").i(k, 3);
    out.text(" Vector summation per radian at inertia number").i(reference, 3);
    out.end_line();
    out.blanks(20).text("    Order    Speed    Vector sum   Phase");
    out.end_line();
    out.blanks(20).text("   Number     rpm       radians   degrees");
    out.end_line();
    double ordno = ORDMIN;
    do {
      const OrderLine line = order_line(k, ordno, f);
      out.blanks(20).f(ordno, 7, 1).f(line.speed, 11, 2).f(line.vecsum, 13, 5).f(line.phase, 9, 2);
      out.end_line();
      ordno = ordno + ORDSTEP;
    } while (ordno <= ORDMAX);
  }
}

}  // namespace spindra
