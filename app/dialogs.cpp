#include "app/dialogs.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "app/canvas.h"
#include "app/draw.h"
#include "app/model/store.h"
#include "graphics/display/pens.h"
#include "platform/window_library.h"

namespace spindra {

void SET_UNITS() {
  set_unit_texts();
  WINDOW_UPDATE(UNITS(1));
  WINDOW_UPDATE(UNITS(2));
}

namespace {

enum class StiffnessKind { NodeToNode, ToGround };

// The fields and buttons common to Create and Modify Inertia, after the
// caption piece.  Returns the dialog's result (1 = OK).
int inertia_dialog(int32_t& number, double& inertia, double& damping, double& ratio,
                   FixedText<16>& name) {
  WINDOW_PRINTF("%ffInertia number  %ta%`3rd&", {bind(number)});
  WINDOW_PRINTF("%ffInertia         %ta%`bg[white]%14rf %`8rs&", {bind(inertia), bind(UNITS(1))});
  WINDOW_PRINTF("%ffExternal damping%ta%`bg[white]%14rf N.m.s/rad&", {bind(damping)});
  WINDOW_PRINTF("%ffSpeed ratio     %ta%`bg[white]%14rf&", {bind(ratio)});
  WINDOW_PRINTF("%ffName            %ta%`bg[white]%14rs&", {bind(name)});
  return WINDOW_PRINTF("%ff%`tt[&OK]  %tt[&Cancel]  %^tt[&Units]", {call(ICHOOSE_INERTIA_UNITS)});
}

// The fields and buttons of the stiffness dialogs after the caption piece;
// the characteristic list only when `with_list`.
int stiffness_dialog(int32_t& number, double& stiffness, double& damping, double& diameter,
                     double& bore, double& psi, int32_t* rigid, bool with_list) {
  WINDOW_PRINTF("%ffStiffness number  %ta%`3rd&", {bind(number)});
  WINDOW_PRINTF("%ffStiffness       %ta%`bg[white]%14rf %`rs&", {bind(stiffness), bind(UNITS(2))});
  if (with_list) {
    WINDOW_PRINTF("%`bg[white]%`ls&", {bind(NAMES_NL), bind(dialog_buffers().characteristic)});
  }
  WINDOW_PRINTF("%ffInternal damping%ta%`bg[white]%14rf N.m.s/rad&", {bind(damping)});
  WINDOW_PRINTF("%ffShaft diameter  %ta%`bg[white]%14rf mm&", {bind(diameter)});
  WINDOW_PRINTF("%ffShaft bore      %ta%`bg[white]%14rf mm&", {bind(bore)});
  WINDOW_PRINTF("%ffRelative damping psi%ta%`bg[white]%14rf&", {bind(psi)});
  // A stiffness between two inertias may be a rigid gear mesh.
  if (rigid != nullptr) WINDOW_PRINTF("%ff%`rb[Rigid gear mesh]&", {bind(*rigid)});
  return WINDOW_PRINTF("%ff%`tt[&OK]  %tt[&Cancel]  %^tt[&Units]", {call(ICHOOSE_STIFF_UNITS)});
}

// A speed ratio of 1 is stored as 0, as every model without gears holds it.
double ratio_to_store(double shown) {
  return shown == 1.0 ? 0.0 : shown;
}

double inertia_to_store(double shown) {
  return IUNIT_INERT == 2 ? shown * kTonneFactor : shown;
}
double inertia_to_display(double stored) {
  return IUNIT_INERT == 2 ? stored / kTonneFactor : stored;
}
double stiffness_to_store(double shown) {
  return IUNIT_STIFF == 2 ? shown * kMegaFactor : shown;
}
double stiffness_to_display(double stored) {
  return IUNIT_STIFF == 2 ? stored / kMegaFactor : stored;
}

// ---- Values that cannot make a model ----
//
// OK of an inertia or stiffness dialog is refused while a value could not
// stand in a model: the message names the field and the dialog stays open
// with that field selected.  The checks read the buffers of the dialog that
// is open, which the dialog routine names here before showing it.

struct CheckedValues {
  const char* caption = "";
  double* inertia = nullptr;
  double* ratio = nullptr;
  double* psi = nullptr;
  double* stiffness = nullptr;
  double* diameter = nullptr;
  double* bore = nullptr;
};
CheckedValues checked;

std::string shown(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.10g", v);
  return buffer;
}

int refuse_value(const void* field, const std::string& text) {
  window_library().show_message(checked.caption, text);
  window_library().select_field(field);
  return 0;
}

// 1 when the open inertia dialog's values make an inertia, else 0 (said).
int inertia_values_check() {
  const double v = *checked.inertia;
  const double stored = inertia_to_store(v);
  if (!(v > 0.0)) {
    return refuse_value(checked.inertia, "Inertia: " + shown(v) + " " + UNITS(1).str() +
                                             " is no inertia; an inertia must be greater "
                                             "than 0.");
  }
  if (!std::isfinite(stored)) {
    return refuse_value(checked.inertia, "Inertia: " + shown(v) + " " + UNITS(1).str() +
                                             " is too large.");
  }
  const double r = *checked.ratio;
  if (!(r >= 0.001 && r <= 1000.0)) {
    return refuse_value(checked.ratio, "Speed ratio: " + shown(r) +
                                           " is outside 0.001 to 1000; give the inertia's speed "
                                           "over the crankshaft's speed (1 on the crankshaft).");
  }
  return 1;
}

// 1 when the open stiffness dialog's values make a shaft, else 0 (said).
int stiffness_values_check() {
  const double k = *checked.stiffness;
  const double d = *checked.diameter;
  const double b = *checked.bore;
  if (!(k > 0.0)) {
    return refuse_value(checked.stiffness, "Stiffness: " + shown(k) + " " + UNITS(2).str() +
                                               " is no stiffness; a stiffness must be greater "
                                               "than 0.");
  }
  if (!std::isfinite(stiffness_to_store(k))) {
    return refuse_value(checked.stiffness,
                        "Stiffness: " + shown(k) + " " + UNITS(2).str() + " is too large.");
  }
  if (d < 0.0) {
    return refuse_value(checked.diameter, "Shaft diameter: " + shown(d) +
                                              " mm is less than 0; give the diameter in mm, "
                                              "or 0 for a shaft without stresses.");
  }
  if (b < 0.0) {
    return refuse_value(checked.bore, "Shaft bore: " + shown(b) +
                                          " mm is less than 0; give the bore in mm, or 0 for a "
                                          "solid shaft.");
  }
  if (b > 0.0 && b >= d) {
    return refuse_value(checked.bore, "Shaft bore: " + shown(b) +
                                          " mm is not less than the shaft diameter of " +
                                          shown(d) + " mm; a bore must be smaller than the "
                                          "diameter.");
  }
  const double psi = *checked.psi;
  if (!(psi >= 0.0) || !std::isfinite(psi)) {
    return refuse_value(checked.psi, "Relative damping psi: " + shown(psi) +
                                         " is less than 0; give the coupling's relative "
                                         "damping, or 0 for none.");
  }
  return 1;
}

// The inertia standing exactly at (x, y), or 0.
int32_t node_at(double x, double y) {
  for (int32_t i = 1; i <= NMASS && i <= kMaxNodes; ++i) {
    if (MASSES(i).xy_node(1) == x && MASSES(i).xy_node(2) == y) return i;
  }
  return 0;
}

// Create Inertia for a new node at (RX, RY).
void create_inertia(float& RX, float& RY) {
  DialogBuffers& b = dialog_buffers();
  SET_UNITS();
  NMASS = NMASS + 1;
  checked = {.caption = "Create Inertia", .inertia = &AMASS_IN, .ratio = &b.create_ratio};
  WINDOW_PRINTF("%ca[Create Inertia]%bg[grey]&");
  window_library().set_ok_check(inertia_values_check);
  if (inertia_dialog(NMASS, AMASS_IN, DAMPEX_IN, b.create_ratio, b.create_name) == 1) {
    // A new inertia starts from the blank record, so it never inherits an
    // engine link or a name left in the slot by a larger model read earlier.
    NODE& node = MASSES(NMASS);
    node = BLANK_MASS;
    node.xy_node(1) = RX;
    node.xy_node(2) = RY;
    node.amass = inertia_to_store(AMASS_IN);
    node.dampex = DAMPEX_IN;
    node.speed_ratio = ratio_to_store(b.create_ratio);
    node.name = b.create_name;
    draw_inertia_symbol(NMASS);
    RX = static_cast<float>(node.xy_node(1));
    RY = static_cast<float>(node.xy_node(2));
  } else {
    ILAST_VALID = 0;
    NMASS = NMASS - 1;
  }
}

// Modify Inertia for node p.
void modify_inertia(int32_t p) {
  DialogBuffers& b = dialog_buffers();
  SET_UNITS();
  NODE& node = MASSES(p);
  AMASS_MOD = inertia_to_display(node.amass);
  DAMPEX_MOD = node.dampex;
  b.modify_name = node.name;
  b.inertia_number = p;
  b.modify_ratio = speed_ratio_of(node);
  checked = {.caption = "Modify Inertia", .inertia = &AMASS_MOD, .ratio = &b.modify_ratio};
  WINDOW_PRINTF("%ca[Modify Inertia]%bg[grey]&");
  window_library().set_ok_check(inertia_values_check);
  if (inertia_dialog(b.inertia_number, AMASS_MOD, DAMPEX_MOD, b.modify_ratio, b.modify_name) ==
      1) {
    node.amass = inertia_to_store(AMASS_MOD);
    node.dampex = DAMPEX_MOD;
    node.speed_ratio = ratio_to_store(b.modify_ratio);
    node.name = b.modify_name;
  }
}

// Create Stiffness (node to node) or Create Stiffness to ground for the
// picked nodes.
void create_stiffness(StiffnessKind kind) {
  DialogBuffers& b = dialog_buffers();
  const bool ground = kind == StiffnessKind::ToGround;
  if (!ground) b.characteristic = 1;
  SET_UNITS();
  NSTIF = NSTIF + 1;
  double& bore = ground ? b.create_bore_ground : b.create_bore;
  double& psi = ground ? b.create_psi_ground : b.create_psi;
  checked = {.caption = ground ? "Create Stiffness to ground" : "Create Stiffness",
             .psi = &psi,
             .stiffness = &ASTIF_IN,
             .diameter = &DIA_IN,
             .bore = &bore};
  WINDOW_PRINTF(ground ? "%ca[Create Stiffness to ground]%bg[grey]&"
                       : "%ca[Create Stiffness]%bg[grey]&");
  window_library().set_ok_check(stiffness_values_check);
  // Two inertias at different speed ratios are joined by a gear mesh.
  if (!ground && speed_ratio_of(MASSES(NODE_LIST(1))) != speed_ratio_of(MASSES(NODE_LIST(2)))) {
    REASON = "Gear mesh between inertia " + std::to_string(NODE_LIST(1)) + " (ratio " +
             shown(speed_ratio_of(MASSES(NODE_LIST(1)))) + ") and inertia " +
             std::to_string(NODE_LIST(2)) + " (ratio " +
             shown(speed_ratio_of(MASSES(NODE_LIST(2)))) + ")";
    WINDOW_UPDATE(REASON);
  }
  const int result = stiffness_dialog(NSTIF, ASTIF_IN, DAMPIN_IN, DIA_IN, bore, psi,
                                      ground ? nullptr : &b.create_rigid, !ground);
  if (result == 1) {
    const int32_t picks = ground ? 1 : 2;
    for (int32_t k = 1; k <= picks; ++k) draw_pick_square(NODE_LIST(k), 15);
    COLOUR(1);
    // A new stiffness starts from the blank record (no name, linear).
    STIFFNESS& s = STIFF(NSTIF);
    s = BLANK_STIFF;
    s.nodes(1) = NODE_LIST(1);
    s.nodes(2) = ground ? 0 : NODE_LIST(2);
    s.stiff = stiffness_to_store(ASTIF_IN);
    s.dampin = DAMPIN_IN;
    s.diam = DIA_IN / kMillimetreFactor;
    s.bore = bore / kMillimetreFactor;
    s.psi = psi;
    s.rigid = ground ? 0 : (b.create_rigid != 0 ? 1 : 0);
    COLOUR(1);
    DRAW_STIFF(NSTIF);
    NSELECT = 0;
  } else {
    NSTIF = NSTIF - 1;
    // Cancel forgets the picks, so the next clicks start a new stiffness.
    forget_picks();
  }
  SYMBOL_SCALE(1.0f);
}

// Modify Stiffness for stiffness s, node to node or to ground.
void modify_stiffness(int32_t s) {
  DialogBuffers& b = dialog_buffers();
  SET_UNITS();
  STIFFNESS& st = STIFF(s);
  ASTIF_MOD = stiffness_to_display(st.stiff);
  DAMPIN_MOD = st.dampin;
  DIA_MOD = st.diam * kMillimetreFactor;
  b.modify_bore = st.bore * kMillimetreFactor;
  b.stiffness_number = s;
  b.modify_psi = st.psi;
  b.modify_rigid = st.rigid;
  const bool ground = st.nodes(2) == 0;
  checked = {.caption = "Modify Stiffness",
             .psi = &b.modify_psi,
             .stiffness = &ASTIF_MOD,
             .diameter = &DIA_MOD,
             .bore = &b.modify_bore};
  WINDOW_PRINTF("%ca[Modify Stiffness]%bg[grey]&");
  window_library().set_ok_check(stiffness_values_check);
  if (stiffness_dialog(b.stiffness_number, ASTIF_MOD, DAMPIN_MOD, DIA_MOD, b.modify_bore,
                       b.modify_psi, ground ? nullptr : &b.modify_rigid, false) == 1) {
    st.stiff = stiffness_to_store(ASTIF_MOD);
    st.dampin = DAMPIN_MOD;
    st.diam = DIA_MOD / kMillimetreFactor;
    st.bore = b.modify_bore / kMillimetreFactor;
    st.psi = b.modify_psi;
    st.rigid = ground ? 0 : (b.modify_rigid != 0 ? 1 : 0);
  }
}

// The unit chooser shared by inertia and stiffness: `unit` is IUNIT_INERT or
// IUNIT_STIFF, `in` and `mod` the two dialog buffers shown in that unit.
int choose_units(const char* caption, const char* first, const char* second, int32_t& unit,
                 double factor, double& in, double& mod) {
  DialogBuffers& b = dialog_buffers();
  b.unit1 = unit == 1 ? 1 : 0;
  b.unit2 = unit == 2 ? 1 : 0;
  WINDOW_PRINTF(caption);
  WINDOW_PRINTF("%2ga&", {bind(b.unit1), bind(b.unit2)});
  WINDOW_PRINTF(first, {bind(b.unit1)});
  WINDOW_PRINTF(second, {bind(b.unit2)});
  const int result = WINDOW_PRINTF("%ff%nl%`tt[&OK]  %tt[&Cancel]");
  // Only a definite choice converts: with neither button set the values and
  // the unit stay as they were.
  if (result == 1 && (b.unit1 == 1 || b.unit2 == 1)) {
    if (unit == 2) {
      in *= factor;
      mod *= factor;
    }
    if (b.unit1 == 1) unit = 1;
    if (b.unit2 == 1) {
      in /= factor;
      mod /= factor;
      unit = 2;
    }
    SET_UNITS();
  }
  WINDOW_UPDATE(in);
  WINDOW_UPDATE(mod);
  return 1;
}

}  // namespace

DialogBuffers& dialog_buffers() {
  static DialogBuffers buffers;
  return buffers;
}

void CREATE_NODE(char CH, float& RX, float& RY) {
  if (CH == kLeftButton) {
    if (NMASS >= kMaxNodes) return;
    if (const int32_t there = node_at(RX, RY); there != 0) {
      // Two inertias in one place could never be told apart on the canvas.
      char at[48];
      std::snprintf(at, sizeof at, "%.1f, %.1f mm", RX, RY);
      window_library().show_message(
          "Create Inertia", "Inertia " + std::to_string(there) + " already stands at " + at +
                                "; a new inertia needs a place of its own. Click a free place "
                                "(right-click the inertia to change its values).");
      ILAST_VALID = 0;
      return;
    }
    create_inertia(RX, RY);
  } else if (CH == kRightButton) {
    const int32_t p = IFIND_NODE1(RX, RY);
    if (p > 0) modify_inertia(p);
    ILAST_VALID = 0;
  }
}

void CREATE_STIF(char CH, float& RX, float& RY) {
  if (CH == kLeftButton) {
    if (NSTIF >= kMaxStiffnesses) return;
    if (pick_stiffness_node(RX, RY) == 0) return;
    if (NSELECT == 2) create_stiffness(StiffnessKind::NodeToNode);
  } else if (CH == kRightButton) {
    const int32_t s = IFIND_STIFF(RX, RY);
    if (s > 0) modify_stiffness(s);
  }
}

void CREATE_STIF_GROUND(char CH, float& RX, float& RY) {
  if (CH != kLeftButton) return;
  if (NSTIF >= kMaxStiffnesses) return;
  if (pick_stiffness_node(RX, RY) == 0) return;
  if (NSELECT == 1) create_stiffness(StiffnessKind::ToGround);
}

int ICHOOSE_INERTIA_UNITS() {
  return choose_units("%ca[Select Inertia Units]%bg[grey]&", "%ff%`rb[kg.m^2]&", "%ff%`rb[T.m^2]&",
                      IUNIT_INERT, kTonneFactor, AMASS_IN, AMASS_MOD);
}

int ICHOOSE_STIFF_UNITS() {
  return choose_units("%ca[Select Stiffness Units]%bg[grey]&", "%ff%`rb[N.m/rad]&",
                      "%ff%`rb[MN.m/rad]&", IUNIT_STIFF, kMegaFactor, ASTIF_IN, ASTIF_MOD);
}

}  // namespace spindra
