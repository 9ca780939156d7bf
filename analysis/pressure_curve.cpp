#include "analysis/pressure_curve.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace spindra {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kSamples = 7200;  // points of the resampled cycle

std::string where(std::string_view file, int line) {
  return std::string(file) + ", line " + std::to_string(line);
}

// The fields of a line, split at commas, semicolons, tabs and blanks.
std::vector<std::string> fields_of(std::string_view line) {
  std::vector<std::string> out;
  std::string field;
  for (char c : line) {
    if (c == ',' || c == ';' || c == ' ' || c == '\t') {
      if (!field.empty()) out.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) out.push_back(field);
  return out;
}

bool number_of(const std::string& text, double* v) {
  errno = 0;
  char* end = nullptr;
  *v = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0' && errno != ERANGE && std::isfinite(*v);
}

std::string shown(std::string_view line) {
  std::string s(line.substr(0, 40));
  if (line.size() > 40) s += "...";
  return s;
}

std::string degrees(double v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

}  // namespace

bool parse_pressure_curve(std::string_view text, std::string_view file, PressureCurve* curve,
                          std::string* message) {
  *curve = PressureCurve{};
  int number = 0;
  bool header_allowed = true;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') {
      if (end == text.size()) break;
      continue;
    }
    const std::vector<std::string> fields = fields_of(line);
    double angle = 0.0, pressure = 0.0;
    const bool first_is_number = !fields.empty() && number_of(fields[0], &angle);
    if (!first_is_number && header_allowed) {
      header_allowed = false;  // a header line: column names
      continue;
    }
    header_allowed = false;
    if (fields.size() != 2 || !first_is_number || !number_of(fields[1], &pressure)) {
      *message = where(file, number) +
                 ": expected the crank angle (degrees after firing TDC) and the gas pressure "
                 "(bar), two numbers separated by a comma; found \"" +
                 shown(line) + "\".";
      return false;
    }
    if (!curve->angle.empty() && !(angle > curve->angle.back())) {
      *message = where(file, number) + ": the crank angle " + degrees(angle) +
                 " is not above the one on line " + std::to_string(curve->line.back()) + " (" +
                 degrees(curve->angle.back()) + "); the angles must rise over the cycle.";
      return false;
    }
    curve->angle.push_back(angle);
    curve->pressure.push_back(pressure);
    curve->line.push_back(number);
    if (end == text.size()) break;
  }
  return true;
}

bool read_pressure_curve(const std::string& path, PressureCurve* curve, std::string* message) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *message = path + ": the file cannot be opened.";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return parse_pressure_curve(text.str(), path, curve, message);
}

double crank_lever(double theta, double lambda) {
  const double s = std::sin(theta);
  return s + lambda * s * std::cos(theta) / std::sqrt(1.0 - lambda * lambda * s * s);
}

bool pressure_harmonics(const PressureCurve& curve, std::string_view file, int nstroke,
                        double stroke, double conrod, double max_order, int max_count,
                        std::vector<PressureHarmonic>* out, std::string* message) {
  out->clear();
  const double cycle = nstroke == 4 ? 720.0 : 360.0;
  const char* kind = nstroke == 4 ? "a four-stroke" : "a two-stroke";
  if (!(stroke > 0.0) || !(conrod > stroke / 2.0)) {
    *message =
        "The tangential pressure needs the stroke and a connecting rod longer than the crank "
        "radius (half the stroke); enter both first.";
    return false;
  }
  const std::size_t n = curve.angle.size();
  if (n < 3) {
    *message = std::string(file) + ": the curve has " + std::to_string(n) +
               " points; it needs points over the whole cycle of " + degrees(cycle) + " degrees.";
    return false;
  }
  double widest = 0.0;
  for (std::size_t i = 1; i < n; ++i)
    widest = std::max(widest, curve.angle[i] - curve.angle[i - 1]);
  const double span = curve.angle.back() - curve.angle.front();
  if (span + widest < cycle - 1e-9) {
    *message = std::string(file) + ": the curve runs from " + degrees(curve.angle.front()) +
               " to " + degrees(curve.angle.back()) + " degrees and does not cover the cycle of " +
               kind + " engine (" + degrees(cycle) + " degrees).";
    return false;
  }
  if (span > cycle + 1e-9) {
    *message = std::string(file) + ": the curve runs from " + degrees(curve.angle.front()) +
               " to " + degrees(curve.angle.back()) + " degrees, more than one cycle of " + kind +
               " engine (" + degrees(cycle) + " degrees).";
    return false;
  }

  // Resample the tangential pressure on a uniform grid over one cycle from
  // the first point; the gap after the last point closes the loop.
  const double lambda = stroke / 2.0 / conrod;
  std::vector<double> tp(kSamples);
  std::size_t seg = 0;
  for (int j = 0; j < kSamples; ++j) {
    const double t = curve.angle.front() + cycle * j / kSamples;
    while (seg + 1 < n && curve.angle[seg + 1] <= t) ++seg;
    double p = 0.0;
    if (seg + 1 < n) {
      const double a0 = curve.angle[seg], a1 = curve.angle[seg + 1];
      p = curve.pressure[seg] +
          (curve.pressure[seg + 1] - curve.pressure[seg]) * (t - a0) / (a1 - a0);
    } else {
      const double a0 = curve.angle.back(), a1 = curve.angle.front() + cycle;
      p = a1 > a0 ? curve.pressure.back() +
                        (curve.pressure.front() - curve.pressure.back()) * (t - a0) / (a1 - a0)
                  : curve.pressure.back();
    }
    tp[static_cast<std::size_t>(j)] = p * crank_lever(t * kPi / 180.0, lambda);
  }

  const double order_step = 360.0 / cycle;
  for (int k = 1; k <= max_count; ++k) {
    const double order = k * order_step;
    if (order > max_order + 1e-9) break;
    double s = 0.0, c = 0.0;
    for (int j = 0; j < kSamples; ++j) {
      const double theta = (curve.angle.front() + cycle * j / kSamples) * kPi / 180.0;
      s += tp[static_cast<std::size_t>(j)] * std::sin(order * theta);
      c += tp[static_cast<std::size_t>(j)] * std::cos(order * theta);
    }
    s *= 2.0 / kSamples;
    c *= 2.0 / kSamples;
    out->push_back({order, std::hypot(s, c), std::atan2(c, s) * 180.0 / kPi});
  }
  return true;
}

namespace {

constexpr double kHighestOrder = 24.0;  // orders a pressure curve fills the table up to

// v to `digits` significant figures.
double rounded(double v, int digits) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*g", digits, v);
  return std::strtod(text, nullptr);
}

}  // namespace

bool import_pressure_curve(const std::string& path, int32_t nstroke, Excitation& e,
                           std::string* message) {
  if (!(e.p_rated > 0.0)) {
    *message = "Enter the rated pressure first: the table holds b = Tn / p_rated.";
    return false;
  }
  PressureCurve curve;
  std::vector<PressureHarmonic> harmonics;
  if (!read_pressure_curve(path, &curve, message) ||
      !pressure_harmonics(curve, path, nstroke == 4 ? 4 : 2, e.stroke, e.conrod, kHighestOrder,
                          kMaxHarmonics, &harmonics, message)) {
    return false;
  }
  for (int32_t i = 1; i <= kMaxHarmonics; ++i) e.harm(i) = Harmonic{};
  e.nharm = static_cast<int32_t>(harmonics.size());
  for (int32_t i = 1; i <= e.nharm; ++i) {
    const PressureHarmonic& h = harmonics[static_cast<std::size_t>(i - 1)];
    // Six significant figures and a hundredth of a degree: as a user would
    // type them, far finer than the curve is known.
    e.harm(i) = Harmonic{h.order, 0.0, rounded(h.amplitude / e.p_rated, 6),
                         std::round(h.phase * 100.0) / 100.0};
  }
  return true;
}


}  // namespace spindra
