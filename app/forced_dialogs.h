// The dialogs of the forced-response data: the excitation of each engine
// (cylinder geometry, masses, rated pressure, load law and the table of gas
// harmonics, which a pressure curve can fill), the fatigue limits of each
// shaft and the speed sweep.  Each works on copies and changes the model
// only when closed with OK, as one edit that Edit > Undo takes back.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>

#include "app/model/store.h"

namespace spindra {

// Menu and button callbacks; each opens its dialog (or says why there is
// nothing to edit) and returns 1.
int EXCITATION_DIALOG();
int LIMITS_DIALOG();
int SWEEP_DIALOG();
// Data > Load Cases...: the named load cases of the forced response.
int LOAD_CASES_DIALOG();

// The stress concentration factors ck of the rules by design of the shaft
// section, in the order the Limits dialog lists them.
struct CkChoice {
  const char* name;
  double ck;
};
inline constexpr CkChoice kCkDesigns[] = {
    {"Straight section or integral flange", 1.0},
    {"Shrink fit", 1.0},
    {"Keyway, tapered connection", 0.60},
    {"Keyway, cylindrical connection", 0.45},
    {"Radial hole", 0.50},
    {"Longitudinal slot", 0.30},
    {"Thrust shaft", 0.85},
    {"Propeller shaft", 0.55},
    {"Stern-tube shaft", 0.80},
};
inline constexpr int kCkChoices = static_cast<int>(std::size(kCkDesigns));

// The loss factor a new sweep starts with.
inline constexpr double kDefaultLossFactor = 0.02;


}  // namespace spindra
