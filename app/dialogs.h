// The inertia and stiffness dialogs opened from the canvas: Create Inertia,
// Modify Inertia, Create Stiffness, Create Stiffness to ground, Modify
// Stiffness and the two unit choosers.  Dialogs show values in the display
// units; the store holds kg.m^2, N.m/rad and metres.
#pragma once

#include <cstdint>

#include "text/fixed_text.h"

namespace spindra {

// " " creates an inertia at (RX, RY) through Create Inertia and writes the
// stored position back; "!" modifies the node nearest (RX, RY) through
// Modify Inertia.  Other characters do nothing.
void CREATE_NODE(char CH, float& RX, float& RY);
// " " picks a node; at the second pick Create Stiffness opens for the two.
// "!" opens Modify Stiffness on the stiffness nearest (RX, RY).
void CREATE_STIF(char CH, float& RX, float& RY);
// " " picks a node and opens Create Stiffness to ground for it.
void CREATE_STIF_GROUND(char CH, float& RX, float& RY);

// Sets the unit texts UNITS from IUNIT_INERT and IUNIT_STIFF and refreshes
// both in any open window.
void SET_UNITS();

// Callbacks of the Units buttons: choose the display unit of inertia or
// stiffness and show the open dialog's value in it.  Return 1.
int ICHOOSE_INERTIA_UNITS();
int ICHOOSE_STIFF_UNITS();

// The dialog buffers of this file that the store does not hold, kept from one
// opening to the next for the whole run.
struct DialogBuffers {
  FixedText<16> create_name;        // Create Inertia
  FixedText<16> modify_name;        // Modify Inertia
  double create_bore = 0.0;         // Create Stiffness, mm
  double create_bore_ground = 0.0;  // Create Stiffness to ground, mm
  double modify_bore = 0.0;         // Modify Stiffness, mm
  int32_t characteristic = 1;       // Create Stiffness: the chosen list entry
  int32_t inertia_number = 0;       // Modify Inertia: the node shown
  int32_t stiffness_number = 0;     // Modify Stiffness: the stiffness shown
  double create_ratio = 1.0;        // Create Inertia: speed ratio
  double modify_ratio = 1.0;        // Modify Inertia
  int32_t create_rigid = 0;         // Create Stiffness: 1 = rigid gear mesh
  int32_t modify_rigid = 0;         // Modify Stiffness
  double create_psi = 0.0;          // Create Stiffness: relative damping psi
  double create_psi_ground = 0.0;   // Create Stiffness to ground
  double modify_psi = 0.0;          // Modify Stiffness
  int32_t unit1 = 1;                // the unit choosers' radio buttons
  int32_t unit2 = 0;
};
DialogBuffers& dialog_buffers();

// Unit factors between the display and the internal units.
inline constexpr double kTonneFactor = 1000.0;       // T.m^2 to kg.m^2
inline constexpr double kMegaFactor = 1000000.0;     // MN.m/rad to N.m/rad
inline constexpr double kMillimetreFactor = 1000.0;  // m to mm

}  // namespace spindra
