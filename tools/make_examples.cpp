// Writes the sample models of examples/ through the program's own model file
// writer:  spindra-make-examples EXAMPLES_FOLDER
#include <cstdio>
#include <string>
#include <vector>

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

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "examples";
  const bool ok = free_free_rotor(folder) && diesel_generator(folder) &&
                  marine_propulsion(folder) && branched_drive(folder) && long_chain(folder);
  return ok ? 0 : 1;
}
