// Writes the sample models of examples/ through the program's own model file
// writer:  spindra-make-examples EXAMPLES_FOLDER
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/pressure_curve.h"
#include "app/model/model_file.h"
#include "app/model/store.h"

namespace {

using namespace spindra;

int add_node(double x, double y, double inertia, const char* name) {
  NODE& n = MASSES(++NMASS);
  n = BLANK_MASS;
  n.xy_node(1) = x;
  n.xy_node(2) = y;
  n.amass = inertia;
  n.name = name;
  return NMASS;
}

void add_shaft(int a, int b, double k, double diameter_mm = 0.0, double bore_mm = 0.0,
               const char* name = "") {
  STIFFNESS& s = STIFF(++NSTIF);
  s = BLANK_STIFF;
  s.nodes(1) = a;
  s.nodes(2) = b;
  s.stiff = k;
  s.diam = diameter_mm / 1000.0;
  s.bore = bore_mm / 1000.0;
  s.name = name;
}

// An engine whose cylinders c = 1..n sit on the given nodes.
void add_engine(const std::vector<int>& nodes, const std::vector<int>& firing_order, int stroke,
                int vee, double vee_angle, const char* name) {
  ENGINE& e = ENGS(++NENG);
  e = ENGINE{};
  e.ncyl = static_cast<int>(nodes.size());
  e.nstroke = stroke;
  e.ivee_engine = vee;
  e.vee_angle = vee_angle;
  e.name = name;
  for (int k = 1; k <= e.ncyl; ++k) e.ifirord(k) = firing_order[k - 1];
  for (int c = 1; c <= e.ncyl; ++c) {
    MASSES(nodes[c - 1]).icyleng_no(1) = NENG;
    MASSES(nodes[c - 1]).icyleng_no(2) = c;
  }
}

// The gas harmonics of a medium-speed four-stroke diesel engine, orders 0.5
// to 12: the tangential pressure amplitude Tn (bar) at a mean indicated
// pressure of 20 bar and its phase (degrees).  About an eighth of each is the
// compression and friction part that does not follow the load (a); the rest
// grows with the mean pressure (b per bar).
void four_stroke_harmonics(Excitation& x) {
  const double tn[24] = {3.2, 4.6, 5.1,  4.5,  3.8,  3.2,  2.6,  2.1,  1.7,  1.38, 1.12, 0.92,
                         0.75, 0.61, 0.50, 0.41, 0.34, 0.28, 0.23, 0.19, 0.16, 0.13, 0.11, 0.09};
  const double phase[24] = {55,  70,  85,  95,  105, 115, 122, 128, 134, 139, 144, 148,
                            152, 156, 159, 162, 165, 168, 170, 172, 174, 176, 178, 180};
  x.nharm = 24;
  for (int h = 1; h <= 24; ++h) {
    Harmonic& g = x.harm(h);
    g.order = 0.5 * h;
    g.a = std::round(0.12 * tn[h - 1] * 1000.0) / 1000.0;
    g.b = std::round(0.88 * tn[h - 1] / 20.0 * 100000.0) / 100000.0;
    g.phase = phase[h - 1];
  }
}

// The excitation data of engine k: bore, stroke and connecting rod (m), the
// reciprocating mass per cylinder (kg), the mean indicated pressure at the
// rated speed (bar) and its load exponent, with the gas harmonics above.
void four_stroke_excitation(int k, double bore, double stroke, double conrod, double recip_mass,
                            double p_rated, double load_exp) {
  Excitation& x = ENGS(k).excitation;
  x.bore = bore;
  x.stroke = stroke;
  x.conrod = conrod;
  x.recip_mass = recip_mass;
  x.p_rated = p_rated;
  x.load_exp = load_exp;
  four_stroke_harmonics(x);
}

void limits(int shaft, double uts, double ck) {
  STIFF(shaft).uts = uts;
  STIFF(shaft).ck = ck;
}

// Adds a transient case of `kind` named `name` over `duration` s (default
// step, damping made viscous at the first natural frequency) and returns it
// for its kind's values.
TransientCase& add_transient(int32_t kind, const char* name, double duration, int inertia = 0) {
  TransientCase& c = TRANSIENT_CASES(++NTRANS);
  c = TransientCase{};
  c.kind = kind;
  c.name = name;
  c.duration = duration;
  c.inertia = inertia;
  return c;
}

// A run-up from n_start to n_end rev/min over `duration` s.
void add_runup(const char* name, double duration, double n_start, double n_end) {
  TransientCase& c = add_transient(kTransientRunup, name, duration);
  c.n_start = n_start;
  c.n_end = n_end;
}

// The ice rules' single-block case 1 (cq 0.75, alpha 90 degrees, for a
// four-bladed propeller) on `propeller` turning at n_prop rev/min of its own
// shaft, milling h_ice m of ice.
void add_ice_case_1(double duration, int propeller, double qmax, double n_prop, double h_ice) {
  TransientCase& c = add_transient(kTransientIce, "Ice case 1", duration, propeller);
  c.blades = 4;
  c.qmax = qmax;
  c.n_prop = n_prop;
  c.cq = 0.75;
  c.alpha = 90.0;
  c.h_ice = h_ice;
}

// The maker's permissible vibratory stresses of a section (MPa): for
// continuous running and for passing through a barred range.
void makers_stress(int shaft, double continuous, double passing) {
  STIFF(shaft).limit_kind = kLimitStress;
  STIFF(shaft).limit_v1 = continuous;
  STIFF(shaft).limit_v2 = passing;
}

// A flexible coupling's permissible vibratory torque T_KW (N.m), power loss
// P_KV (W) and maximum torque T_Kmax (N.m) for passing through.
void coupling_limits(int shaft, double t_kw, double p_kv, double t_kmax) {
  STIFF(shaft).limit_kind = kLimitCoupling;
  STIFF(shaft).limit_v1 = t_kw;
  STIFF(shaft).limit_v2 = p_kv;
  STIFF(shaft).limit_v3 = t_kmax;
}

void add_case(const char* name, double from, double to, double step, double load_factor,
              double load_exp, double oper_from, double oper_to, int misfire_engine = 0,
              int misfire_cylinder = 0) {
  LoadCase& c = LOAD_CASES(++NCASES);
  c = LoadCase{Name16(name), from, to, step, load_factor, load_exp, oper_from, oper_to,
               misfire_engine, misfire_cylinder};
}

void start(const char* title) {
  initialise_store();
  TITLE = title;
}

bool save(const std::string& folder, const char* file) {
  FILIN = folder + "/" + file;
  std::string error;
  if (!write_model_file(&error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  std::printf("wrote %s\n", FILIN.str().c_str());
  return true;
}

bool free_free_rotor(const std::string& folder) {
  start("Three-disc free-free rotor");
  const int motor = add_node(60, 105, 0.5, "Motor rotor");
  const int hub = add_node(135, 105, 0.05, "Coupling hub");
  const int fan = add_node(210, 105, 1.2, "Fan impeller");
  add_shaft(motor, hub, 2.0e5, 50.0, 0.0, "Motor shaft");
  add_shaft(hub, fan, 5.0e5, 65.0, 20.0, "Fan shaft");
  return save(folder, "free-free-rotor.rtm");
}

bool diesel_generator(const std::string& folder) {
  start("Diesel generator set: 6-cylinder four-stroke in-line engine");
  const int damper = add_node(30, 120, 0.55, "Damper");
  std::vector<int> cylinders;
  for (int c = 1; c <= 6; ++c) {
    cylinders.push_back(add_node(30 + 25 * c, 120, 0.82, ("Cylinder " + std::to_string(c)).c_str()));
  }
  const int flywheel = add_node(205, 120, 12.0, "Flywheel");
  const int generator = add_node(255, 120, 18.5, "Generator rotor");
  add_shaft(damper, cylinders[0], 3.1e6, 110.0, 0.0, "Crank nose");
  for (int c = 0; c < 5; ++c) add_shaft(cylinders[c], cylinders[c + 1], 2.6e6, 110.0, 30.0, "Crank");
  add_shaft(cylinders[5], flywheel, 4.2e6, 120.0, 0.0, "Crank flange");
  add_shaft(flywheel, generator, 1.5e5, 0.0, 0.0, "Flexible coupl.");
  add_engine(cylinders, {1, 5, 3, 6, 2, 4}, 4, 0, 0.0, "6L diesel");
  // Forced response: a 50 Hz set at 1500 rev/min under constant load; the
  // viscous damper on the crank nose, friction at the cylinders, the rubber
  // coupling's damping and a loss factor of 0.02 in the steel.
  MASSES(damper).dampex = 800.0;
  for (int c : cylinders) MASSES(c).dampex = 30.0;
  STIFF(8).dampin = 200.0;
  forced_sweep = ForcedSweep{300.0, 1650.0, 5.0, 1500.0, 0.02};
  // The guide's finished model: orders 0.5 to 12 by 0.5, and the gas
  // harmonics imported from the engine's pressure curve.
  ORDMIN = 0.5;
  ORDMAX = 12.0;
  ORDSTEP = 0.5;
  four_stroke_excitation(1, 0.17, 0.21, 0.42, 11.5, 22.0, 0.0);
  std::string message;
  if (!import_pressure_curve(folder + "/diesel-pressure-curve.csv", 4, ENGS(1).excitation,
                             &message)) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return false;
  }
  // The crank sections by the engine maker's permissible stresses, the
  // crank flange by the shaft rule, the rubber coupling by its maker's
  // torque and heat limits.
  for (int s = 1; s <= 6; ++s) makers_stress(s, 55.0, 90.0);
  limits(7, 700.0, 1.0);
  coupling_limits(8, 1500.0, 800.0, 4500.0);
  // A generator set runs at its rated speed under load; it is run up with
  // the engine nearly unloaded, through the coupling's resonance.
  add_case("full load", 1425.0, 1575.0, 5.0, 1.0, 0.0, 1425.0, 1575.0);
  add_case("no-load run-up", 300.0, 1575.0, 5.0, 0.15, 0.0, 300.0, 1575.0);
  // Transient cases: a start from 300 to the rated 1500 rev/min in 8 s, and a
  // three-phase short circuit of the 500 kW, 50 Hz generator (rated torque
  // 500 kW / 157.1 rad/s).
  add_runup("Start-up", 8.0, 300.0, 1500.0);
  TransientCase& fault = add_transient(kTransientShortCircuit3, "Short circuit 3", 0.5, generator);
  fault.t_n = 3183.0;
  fault.f_line = 50.0;
  fault.xd2 = 0.12;
  fault.xd1 = 0.25;
  fault.xd = 2.0;
  fault.td2 = 0.03;
  fault.td1 = 0.5;
  fault.ta = 0.1;
  return save(folder, "diesel-generator.rtm");
}

bool marine_propulsion(const std::string& folder) {
  start("Marine propulsion: V12 four-stroke engine, shaft line, propeller, shaft brake");
  const int damper = add_node(20, 140, 1.1, "Damper");
  std::vector<int> throws;
  for (int c = 1; c <= 6; ++c) {
    throws.push_back(add_node(20 + 20 * c, 140, 1.6, ("Crank throw " + std::to_string(c)).c_str()));
  }
  const int flywheel = add_node(160, 140, 25.0, "Flywheel");
  const int coupling = add_node(160, 90, 3.0, "Coupling");
  const int shaft = add_node(215, 90, 1.5, "Interm. shaft");
  const int propeller = add_node(270, 90, 95.0, "Propeller");
  add_shaft(damper, throws[0], 5.5e6, 140.0, 0.0, "Crank nose");
  for (int c = 0; c < 5; ++c) add_shaft(throws[c], throws[c + 1], 4.8e6, 140.0, 40.0, "Crank");
  add_shaft(throws[5], flywheel, 7.0e6, 160.0, 0.0, "Crank flange");
  add_shaft(flywheel, coupling, 4.0e5, 0.0, 0.0, "Elastic coupl.");
  add_shaft(coupling, shaft, 2.2e6, 180.0, 0.0, "Propeller shaft");
  add_shaft(shaft, propeller, 1.9e6, 200.0, 60.0, "Tail shaft");
  add_shaft(propeller, 0, 3.0e5, 0.0, 0.0, "Shaft brake");
  add_engine(throws, {1, 5, 3, 6, 2, 4}, 4, 1, 60.0, "V12 main engine");
  // Forced response: a fixed-pitch propeller (load with the square of the
  // speed) rated at 1200 rev/min; the propeller's damping in the water,
  // friction at the cylinders, the elastic coupling's damping and a loss
  // factor of 0.02.  Limits on the crank flange, the intermediate shaft and
  // the propeller (tail) shaft.
  MASSES(damper).dampex = 400.0;
  for (int c : throws) MASSES(c).dampex = 50.0;
  MASSES(propeller).dampex = 1500.0;
  STIFF(8).dampin = 600.0;
  forced_sweep = ForcedSweep{300.0, 1300.0, 5.0, 1200.0, 0.02};
  // A four-stroke engine excites the half orders too.
  ORDMIN = 0.5;
  ORDMAX = 12.0;
  ORDSTEP = 0.5;
  four_stroke_excitation(1, 0.19, 0.23, 0.46, 15.0, 24.0, 2.0);
  for (int s = 1; s <= 6; ++s) makers_stress(s, 60.0, 95.0);
  limits(7, 800.0, 1.0);
  coupling_limits(8, 6000.0, 1500.0, 18000.0);
  limits(9, 600.0, 1.0);
  limits(10, 600.0, 0.55);
  // The propeller law from idle to 1.05 x rated speed, and with a misfiring
  // cylinder.
  add_case("propeller law", 300.0, 1300.0, 5.0, 1.0, 2.0, 400.0, 1260.0);
  add_case("misfire cyl. 1", 300.0, 1300.0, 5.0, 1.0, 2.0, 400.0, 1260.0, 1, 1);
  // Transient cases: a run-up from 400 to 1200 rev/min in 10 s, and the ice
  // rules' single-block case 1 for the four-bladed propeller (cq 0.75, alpha
  // 90 degrees) milling 1.5 m of ice at the rated speed.
  add_runup("Run-up", 10.0, 400.0, 1200.0);
  add_ice_case_1(1.0, propeller, 40000.0, 1200.0, 1.5);
  return save(folder, "marine-propulsion.rtm");
}

bool branched_drive(const std::string& folder) {
  start("Branched drive: motor and gear hub driving two pumps");
  const int motor = add_node(50, 105, 2.0, "Motor rotor");
  const int hub = add_node(125, 105, 0.3, "Gear hub");
  const int pump_a = add_node(200, 150, 0.8, "Pump A");
  const int pump_b = add_node(200, 60, 1.1, "Pump B");
  add_shaft(motor, hub, 4.0e5, 70.0, 0.0, "Input shaft");
  add_shaft(hub, pump_a, 1.5e5, 45.0, 0.0, "Pump A shaft");
  add_shaft(hub, pump_b, 2.0e5, 50.0, 0.0, "Pump B shaft");
  return save(folder, "branched-drive.rtm");
}

// A shaft line far longer than the paper: 100 inertias 20 mm apart, 2 m in
// all, which opens fitted to the window.
bool long_chain(const std::string& folder) {
  start("Long shaft line: 100 inertias at 20 mm spacing");
  int last = 0;
  for (int i = 1; i <= 100; ++i) {
    const double inertia = i == 1 ? 5.0 : (i == 100 ? 40.0 : 0.8);
    const int node = add_node(20.0 * i, 105, inertia, ("Disc " + std::to_string(i)).c_str());
    if (last != 0) add_shaft(last, node, 3.0e6, 120.0, 0.0, "Line shaft");
    last = node;
  }
  return save(folder, "long-chain.rtm");
}

// A medium-speed engine driving a fixed-pitch propeller through a reduction
// gearbox, with a shaft generator on a power take-off of the gearbox.
bool geared_propulsion(const std::string& folder) {
  start("Geared propulsion: 8L engine, 4:1 reduction gear, shaft generator PTO");
  const int damper = add_node(20, 165, 3.5, "Damper");
  std::vector<int> throws;
  for (int c = 1; c <= 8; ++c) {
    throws.push_back(add_node(20 + 17 * c, 165, 11.0, ("Crank throw " + std::to_string(c)).c_str()));
  }
  const int flywheel = add_node(175, 165, 140.0, "Flywheel");
  const int coupling = add_node(210, 165, 30.0, "Coupling outer");
  const int pinion = add_node(245, 165, 9.0, "Pinion");
  const int wheel = add_node(245, 110, 620.0, "Gear wheel");
  const int pto = add_node(245, 55, 2.5, "PTO pinion");
  const int generator = add_node(280, 55, 45.0, "Shaft generator");
  const int collar = add_node(195, 110, 160.0, "Thrust collar");
  const int flange = add_node(125, 110, 90.0, "Interm. flange");
  const int propeller = add_node(40, 110, 14500.0, "Propeller+water");
  add_shaft(damper, throws[0], 1.6e7, 240.0, 0.0, "Crank nose");
  for (int c = 0; c < 7; ++c) add_shaft(throws[c], throws[c + 1], 1.35e7, 260.0, 60.0, "Crank");
  add_shaft(throws[7], flywheel, 2.2e7, 280.0, 0.0, "Crank flange");
  add_shaft(flywheel, coupling, 9.5e5, 0.0, 0.0, "Rubber coupl.");
  add_shaft(coupling, pinion, 2.4e7, 180.0, 0.0, "Pinion shaft");
  add_shaft(pinion, wheel, 1.8e8, 0.0, 0.0, "Main mesh");
  add_shaft(wheel, pto, 2.6e9, 0.0, 0.0, "PTO mesh");
  add_shaft(pto, generator, 1.6e5, 110.0, 0.0, "Generator shaft");
  add_shaft(wheel, collar, 1.1e8, 380.0, 0.0, "Output shaft");
  add_shaft(collar, flange, 2.6e7, 400.0, 0.0, "Interm. shaft");
  add_shaft(flange, propeller, 2.9e7, 450.0, 0.0, "Propeller shaft");
  add_engine(throws, {1, 6, 2, 5, 8, 3, 7, 4}, 4, 0, 0.0, "8L main engine");
  // The gearbox turns the propeller line at a quarter of the crankshaft's
  // speed (750 to 187.5 rev/min) and the generator at twice it (1500
  // rev/min, 50 Hz).
  for (int j : {wheel, collar, flange, propeller}) MASSES(j).speed_ratio = 0.25;
  for (int j : {pto, generator}) MASSES(j).speed_ratio = 2.0;
  // Forced response: propeller law (load with the square of the speed)
  // rated at 750 rev/min; the viscous damper, friction at the cylinders, the
  // propeller's damping in the water, the rubber coupling's relative damping
  // psi 1.0 and a loss factor of 0.02 in the steel.
  MASSES(damper).dampex = 3500.0;
  for (int c : throws) MASSES(c).dampex = 120.0;
  MASSES(propeller).dampex = 9.0e4;
  STIFF(10).psi = 1.0;
  forced_sweep = ForcedSweep{200.0, 825.0, 5.0, 750.0, 0.02};
  ORDMIN = 0.5;
  ORDMAX = 12.0;
  ORDSTEP = 0.5;
  four_stroke_excitation(1, 0.32, 0.40, 0.85, 150.0, 24.0, 2.0);
  // The crank sections by the engine maker's permissible stresses, the
  // rubber coupling (about 4 MW at 750 rev/min, a nominal torque of some
  // 100 kN.m) by its maker's torque and heat limits, the other shafts by the
  // shaft rule; the meshes are rated by the gear maker.
  for (int s = 1; s <= 8; ++s) makers_stress(s, 45.0, 80.0);
  limits(9, 800.0, 1.0);
  coupling_limits(10, 35000.0, 6000.0, 150000.0);
  limits(11, 700.0, 1.0);
  limits(14, 600.0, 1.0);
  limits(15, 600.0, 1.0);
  limits(16, 600.0, 1.0);
  limits(17, 600.0, 0.55);
  // The propeller law from idle to 1.05 x rated speed, and with a misfiring
  // cylinder.
  add_case("propeller law", 200.0, 825.0, 5.0, 1.0, 2.0, 300.0, 787.5);
  add_case("misfire cyl. 1", 200.0, 825.0, 5.0, 1.0, 2.0, 300.0, 787.5, 1, 1);
  // Transient cases: a run-up from idle to the rated speed in 20 s, and the
  // ice rules' single-block case 1 for the four-bladed propeller (cq 0.75,
  // alpha 90 degrees) milling 1.5 m of ice at its rated 187.5 rev/min.
  add_runup("Run-up", 20.0, 300.0, 750.0);
  add_ice_case_1(1.5, propeller, 300000.0, 187.5, 1.5);
  return save(folder, "geared-propulsion.rtm");
}

// Two engines into one gearbox: engine 1's pinion on a rigid mesh, engine
// 2's on an elastic one, engine 2 firing 30 degrees after engine 1; each
// engine with a viscous damper on its crank nose.
bool twin_engine_gearbox(const std::string& folder) {
  start("Twin-engine gearbox: two 6L engines, one wheel, one propeller");
  int pinions[2] = {};
  for (int k = 0; k < 2; ++k) {
    const double y = k == 0 ? 170.0 : 50.0;
    const int damper = add_node(10, y, 1.5, "Damper");
    std::vector<int> throws;
    for (int c = 1; c <= 6; ++c) {
      throws.push_back(add_node(10 + 17 * c, y, 5.0,
                                ("E" + std::to_string(k + 1) + " throw " + std::to_string(c)).c_str()));
    }
    const int flywheel = add_node(135, y, 70.0, "Flywheel");
    const int coupling = add_node(170, y, 12.0, "Coupling outer");
    pinions[k] = add_node(205, y, 5.0, "Pinion");
    add_shaft(damper, throws[0], 1.2e7, 190.0, 0.0, "Crank nose");
    for (int c = 0; c < 5; ++c) add_shaft(throws[c], throws[c + 1], 1.3e7, 210.0, 50.0, "Crank");
    add_shaft(throws[5], flywheel, 2.0e7, 230.0, 0.0, "Crank flange");
    add_shaft(flywheel, coupling, 6.0e5, 0.0, 0.0, "Rubber coupl.");
    add_shaft(coupling, pinions[k], 1.5e7, 160.0, 0.0, "Pinion shaft");
    add_engine(throws, {1, 5, 3, 6, 2, 4}, 4, 0, 0.0, k == 0 ? "6L port" : "6L starboard");
    STIFF(NSTIF - 1).psi = 0.9;
    for (int c : throws) MASSES(c).dampex = 80.0;
    MASSES(damper).dampex = 1200.0;
  }
  const int wheel = add_node(205, 110, 900.0, "Gear wheel");
  const int flange = add_node(130, 110, 80.0, "Interm. flange");
  const int propeller = add_node(40, 110, 9000.0, "Propeller+water");
  add_shaft(pinions[0], wheel, 1.0e9, 0.0, 0.0, "Port mesh");
  STIFF(NSTIF).rigid = 1;
  add_shaft(pinions[1], wheel, 1.6e8, 0.0, 0.0, "Stbd mesh");
  add_shaft(wheel, flange, 1.5e7, 380.0, 0.0, "Interm. shaft");
  add_shaft(flange, propeller, 1.2e7, 420.0, 0.0, "Propeller shaft");
  for (int j : {wheel, flange, propeller}) MASSES(j).speed_ratio = 0.3;
  ENGS(2).offset_angle = 30.0;
  MASSES(propeller).dampex = 6.0e4;
  forced_sweep = ForcedSweep{250.0, 1050.0, 5.0, 1000.0, 0.02};
  ORDMIN = 0.5;
  ORDMAX = 12.0;
  ORDSTEP = 0.5;
  four_stroke_excitation(1, 0.26, 0.32, 0.70, 80.0, 23.0, 2.0);
  four_stroke_excitation(2, 0.26, 0.32, 0.70, 80.0, 23.0, 2.0);
  // Per engine (stiffnesses 1-9 and 10-18): the crank sections by the
  // maker's permissible stresses, the crank flange and the pinion shaft by
  // the shaft rule, the rubber coupling (about 1.8 MW at 1000 rev/min, a
  // nominal torque of some 25 kN.m) by its maker's limits; the shaft line
  // by the shaft rule.
  for (int k = 0; k < 2; ++k) {
    for (int s = 1; s <= 6; ++s) makers_stress(9 * k + s, 50.0, 85.0);
    limits(9 * k + 7, 800.0, 1.0);
    coupling_limits(9 * k + 8, 12500.0, 3000.0, 37500.0);
    limits(9 * k + 9, 700.0, 1.0);
  }
  limits(NSTIF - 1, 600.0, 1.0);
  limits(NSTIF, 600.0, 0.55);
  // The propeller law from idle to 1.05 x rated speed, and with a
  // misfiring cylinder of the port engine.
  add_case("propeller law", 250.0, 1050.0, 5.0, 1.0, 2.0, 400.0, 1050.0);
  add_case("misfire cyl. 1", 250.0, 1050.0, 5.0, 1.0, 2.0, 400.0, 1050.0, 1, 1);
  return save(folder, "twin-engine-gearbox.rtm");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "examples";
  const bool ok = free_free_rotor(folder) && diesel_generator(folder) &&
                  marine_propulsion(folder) && branched_drive(folder) && long_chain(folder) &&
                  geared_propulsion(folder) && twin_engine_gearbox(folder);
  return ok ? 0 : 1;
}
