// A cylinder's measured (or computed) gas pressure over one working cycle,
// turned into the gas harmonics of the excitation table.
//
// The curve is a CSV text: one line per point, the crank angle in degrees
// after the cylinder's firing top dead centre and the gas pressure in bar,
// separated by a comma (a semicolon or blanks also do).  Blank lines and
// lines starting with "#" are skipped, and so is a first line without
// numbers (a header).  The angles rise from line to line and run over one
// whole cycle: 720 degrees for a four-stroke engine, 360 for a two-stroke.
//
// The tangential pressure is the gas pressure times the slider-crank lever,
// so that pressure x piston area x crank radius is the crank torque; its
// harmonics Tn sin(n theta + phase) over the cycle are the gas harmonics.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/model/store.h"

namespace spindra {

struct PressureCurve {
  std::vector<double> angle;     // degrees after firing TDC, rising
  std::vector<double> pressure;  // bar
  std::vector<int> line;         // line of the text each point came from
};

// One harmonic of the tangential pressure: Tn sin(n theta + phase).
struct PressureHarmonic {
  double order = 0.0;
  double amplitude = 0.0;  // bar
  double phase = 0.0;      // degrees
};

// Reads the points of a curve from `text`.  False with a message naming
// `file` and the line when a line is not two numbers or an angle does not
// rise.
bool parse_pressure_curve(std::string_view text, std::string_view file, PressureCurve* curve,
                          std::string* message);
// The same for a file.
bool read_pressure_curve(const std::string& path, PressureCurve* curve, std::string* message);

// The lever of the slider crank: the crank torque per unit piston force and
// crank radius at crank angle theta (radians after TDC) for lambda =
// crank radius / rod length (0 <= lambda < 1).
double crank_lever(double theta, double lambda);

// The harmonics of the tangential pressure of `curve` for an engine of
// `nstroke` strokes (2 or 4) with this stroke and rod length (any one
// length unit), orders 0.5 (four-stroke) or 1 up to `max_order`, at most
// `max_count` of them, lowest first.  False with a message when the curve
// does not cover the cycle or the crank is no crank.
bool pressure_harmonics(const PressureCurve& curve, std::string_view file, int nstroke,
                        double stroke, double conrod, double max_order, int max_count,
                        std::vector<PressureHarmonic>* out, std::string* message);

// Fills the harmonic table of `e` from a pressure-curve file for an engine
// of `nstroke` strokes, orders up to 24: a = 0, b = Tn / p_rated (six
// significant figures), the phase of the harmonic (to 0.01 degree), as the
// Excitation dialog's Import pressure curve... does.  False with a message
// (nothing changed) when the file is refused or the excitation lacks the
// stroke, rod or rated pressure.
bool import_pressure_curve(const std::string& path, int32_t nstroke, Excitation& e,
                           std::string* message);

}  // namespace spindra
