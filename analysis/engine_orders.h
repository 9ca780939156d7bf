// Engine firing angles and order vector sums.  Before the eigen solution each
// engine's firing angles are derived from its firing order and stroke (and
// the second bank's for a vee engine) and its block of the list file is
// written; after each tabled mode the vector sum of the mode's amplitudes at
// the cylinders, each turned by firing angle x order, is listed for every
// order of the range ORDMIN..ORDMAX.
#pragma once

#include "analysis/list_file.h"
#include "app/model/store.h"

namespace spindra {

// Sine, cosine, tangent and their inverses in degrees (64-bit).
double DSIND(double x);
double DCOSD(double x);
double DTAND(double x);
double DASIND(double x);
double DACOSD(double x);
double DATAND(double x);

// Room of the cylinder-to-node table: an engine may have at most this many
// cylinders in an analysis.
inline constexpr int kMaxAnalysisCylinders = 50;

// Working values of the engine analysis.
inline Table<int32_t, 1, kMaxAnalysisCylinders> ICYL_NOS;  // node of each cylinder, 0 = none
inline Table<double, 1, kMaxCylinders> ANGLE_BANK2;        // second-bank angles, degrees
inline Table<int32_t, 1, kMaxEngines> IENG_LIST;           // engine slots in use

// Firing angle of the second bank for a first-bank angle a (degrees), folded
// into one cycle.
double second_bank_angle(const ENGINE& engine, double a);

// Engine k: ICYL_NOS, ncyl1 and the firing angles (and ANGLE_BANK2 for a
// vee engine).  The engine must have passed the analysis checks.
void prepare_engine(int k);

// Writes the engine block of engine k (after prepare_engine).
void write_engine_block(ListFile& out, int k);

// Vector sum of the amplitudes EVEC at the cylinders of engine k for one
// order: XSUM and YSUM.
void order_vector_sum(int k, double ordno, double& XSUM, double& YSUM);

// One order line of an engine for a mode of frequency f (vpm), from the
// vector sum of the amplitudes EVEC: the engine speed at which the order
// meets the mode (rpm), the vector sum and its phase (degrees).  The list
// file and the Campbell diagram both take their numbers from here.
struct OrderLine {
  double speed = 0.0;
  double vecsum = 0.0;
  double phase = 0.0;
};
OrderLine order_line(int k, double ordno, double f);

// Fills IENG_LIST with the engine slots 1..NENG that have at least one
// cylinder and returns how many there are.
int engines_in_use();

// The order tables of one mode of frequency f (vpm) for every engine slot
// 1..NENG with at least one cylinder.  Slots above NENG are not engines (a
// deleted engine leaves its old copy there), so NENG itself is left alone.
// `reference` is the inertia on whose amplitude EVEC is scaled, named in the
// headings.
void write_order_tables(ListFile& out, double f, int reference);

}  // namespace spindra
