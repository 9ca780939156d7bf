// Data > Transient Cases...: the list of transient cases with each kind's
// values (add, remove, rename, the ice rules' cases by name, a torque table
// imported from a CSV file).  The dialog works on copies and changes the
// model only when closed with OK, as one edit that Edit > Undo takes back.
#pragma once

#include <cstdint>

namespace spindra {

// Opens the dialog; returns 1.
int TRANSIENT_CASES_DIALOG();

}  // namespace spindra
