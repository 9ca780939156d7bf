#include "app/engine_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/canvas.h"
#include "analysis/engine_orders.h"
#include "app/draw.h"
#include "app/model/store.h"
#include "graphics/display/pens.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

constexpr int32_t kMaxDialogCylinders = kDialogCylinders;  // 12
constexpr double kFullCircle = 360.0;

// The engine number the re-definition warning names.
int32_t warning_engine = 0;

// The warning shown when the clicked inertia already carries a cylinder of
// engine e.  Returns the dialog's result (2 = Cancel).
int redefinition_warning(int32_t e) {
  WINDOW_PRINTF("%ca[Warning]&");
  if (e == IENG) {
    WINDOW_PRINTF("Mass is already part of this engine%nl&");
    WINDOW_PRINTF("re-define will re-start cylinder definitions&");
  } else {
    warning_engine = e;
    WINDOW_PRINTF("Mass is already part of engine %wd&", {bind(warning_engine)});
  }
  return WINDOW_PRINTF("%ff%nl%`tt[&OK Re-define]%tt[&Cancel]");
}

// Abandons the engine being defined: its placed cylinders are freed.
void abandon_definition() {
  NENG = IENG;
  DELETE_ENGINE(IENG);
  ICYL = 0;
  IDRAW();
}

// A definition in progress belongs to the model it was started on: it is
// always the engine after the last complete one.  After a model has been
// read in the meantime it no longer fits and is dropped without touching the
// new model's engines.
void drop_stale_definition() {
  if (IENG > 0 && IENG != NENG + 1) {
    IENG = 0;
    ICYL = 0;
  }
}

// OK of the engine dialog: the firing order must hold each cylinder 1 to
// ncyl exactly once.  Otherwise says which cylinder is repeated, out of
// range or missing, selects the field at fault and gives 0.
int firing_order_check() {
  const int32_t ncyl = CRE_ENGS.ncyl;
  if (!std::isfinite(CRE_ENGS.offset_angle) || std::fabs(CRE_ENGS.offset_angle) > 1.0e6) {
    char typed[40];
    std::snprintf(typed, sizeof typed, "%.10g", CRE_ENGS.offset_angle);
    window_library().show_message("Create Engine",
                                  std::string("Offset angle: ") + typed +
                                      " is no crank angle; give the degrees by which this "
                                      "engine fires after engine 1 (0 for none).");
    window_library().select_field(&CRE_ENGS.offset_angle);
    return 0;
  }
  int32_t first_place[kMaxDialogCylinders + 1] = {};
  const auto missing_text = [&] {
    std::string text;
    int n = 0;
    for (int32_t c = 1; c <= ncyl; ++c) {
      if (first_place[c] != 0) continue;
      text += (n++ == 0 ? "" : ", ") + std::to_string(c);
    }
    if (n == 0) return text;
    return std::string(n == 1 ? "; cylinder " : "; cylinders ") + text +
           (n == 1 ? " is missing" : " are missing");
  };
  const auto refuse = [&](int32_t j, const std::string& what) {
    // Find the missing cylinders over the whole order before saying so.
    for (int32_t k = j + 1; k <= ncyl; ++k) {
      const int32_t c = CRE_ENGS.ifirord(k);
      if (c >= 1 && c <= ncyl && first_place[c] == 0) first_place[c] = k;
    }
    window_library().show_message(
        "Create Engine", "Firing order, field " + std::to_string(j) + ": " + what +
                             missing_text() + ". The firing order holds each cylinder 1 to " +
                             std::to_string(ncyl) + " exactly once.");
    window_library().select_field(&CRE_ENGS.ifirord(j));
    return 0;
  };
  for (int32_t j = 1; j <= ncyl && j <= kMaxDialogCylinders; ++j) {
    const int32_t c = CRE_ENGS.ifirord(j);
    if (c < 1 || c > ncyl) {
      return refuse(j, std::to_string(c) + " is not a cylinder of this " + std::to_string(ncyl) +
                           "-cylinder engine");
    }
    if (first_place[c] != 0) {
      return refuse(j, "cylinder " + std::to_string(c) + " is repeated (also in field " +
                           std::to_string(first_place[c]) + ")");
    }
    first_place[c] = j;
  }
  return 1;
}

void open_engine_dialog() {
  if (!(NENG < kMaxEngines || IENG > 0)) return;
  if (IENG > 0) abandon_definition();
  IENG = std::clamp(NENG + 1, 1, kMaxEngines);
  CRE_ENGS.excitation = Excitation{};  // a new engine has no excitation data yet
  CRE_ENGS.ifirord(1) = 1;
  CRE_ENGS.ncyl = std::clamp(CRE_ENGS.ncyl, 1, kMaxDialogCylinders);
  ISET_FIRANG();
  IGREY_CYL();

  WINDOW_PRINTF("%ca[Create Engine]%bg[grey]&");
  WINDOW_PRINTF("%ffEngine number  %ta%`3rd&", {bind(IENG)});
  WINDOW_PRINTF(
      "%ffNumber of cyls %ta%`bg[white]%il%^3rd%`il&",
      {value(1), value(kMaxDialogCylinders), bind(CRE_ENGS.ncyl), joined(IGREY_CYL, ISET_FIRANG)});
  WINDOW_PRINTF("%ff%`^rb[2 Stroke]&", {bind(ISTRK2), call(ISET_FIRANG)});
  WINDOW_PRINTF("%ff%`^rb[4 Stroke]&", {bind(ISTRK4), call(ISET_FIRANG)});
  WINDOW_PRINTF("%2`ga&", {bind(ISTRK2), bind(ISTRK4)});
  WINDOW_PRINTF("%ff%`^rb[Vee engine]&", {bind(CRE_ENGS.ivee_engine), call(ISET_FIRANG)});
  WINDOW_PRINTF("%taVee angle%`bg[white]%~^rf&",
                {bind(CRE_ENGS.vee_angle), bind(CRE_ENGS.ivee_engine), call(ISET_FIRANG)});
  WINDOW_PRINTF("%ffFiring order&");
  for (int32_t j = 1; j <= kMaxDialogCylinders; ++j) {
    WINDOW_PRINTF("%`ap%`bg[white]%^~5rd &",
                  {value((j - 1) * 6), real_value(8.0), bind(CRE_ENGS.ifirord(j)), bind(JGREY(j)),
                   call(ISET_FIRANG)});
  }
  WINDOW_PRINTF("%`apCylinder number&", {value(0), real_value(9.5)});
  for (int32_t j = 1; j <= kMaxDialogCylinders; ++j) {
    WINDOW_PRINTF("%`ap%`3rs &", {value((j - 1) * 6), real_value(11.0), bind(CYLNO(j))});
  }
  WINDOW_PRINTF("%`apFiring angles - bank 1&", {value(0), real_value(12.5)});
  for (int32_t j = 1; j <= kMaxDialogCylinders; ++j) {
    WINDOW_PRINTF("%`ap%`3rs &", {value((j - 1) * 6), real_value(14.0), bind(FIRANG1(j))});
  }
  WINDOW_PRINTF("%`apFiring angles - bank 2&", {value(0), real_value(15.5)});
  for (int32_t j = 1; j <= kMaxDialogCylinders; ++j) {
    WINDOW_PRINTF("%`ap%`3rs &", {value((j - 1) * 6), real_value(17.0), bind(FIRANG2(j))});
  }
  // The firing phase against engine 1 of a multi-engine plant.
  WINDOW_PRINTF("%`apOffset angle&", {value(0), real_value(18.5)});
  WINDOW_PRINTF("%`ap%`bg[white]%14rf degrees&",
                {value(18), real_value(18.5), bind(CRE_ENGS.offset_angle)});
  window_library().set_ok_check(firing_order_check);
  if (WINDOW_PRINTF("%ff%nl%`tt[&OK]%tt[&Cancel]") == 1) {
    ICYL = 0;
  } else {
    IENG = 0;
  }
}

void place_cylinder(float RX, float RY) {
  if (IENG <= 0) return;
  const int32_t p = IFIND_NODE(RX, RY);
  if (p == 0 || CRE_ENGS.ncyl <= ICYL) return;
  const int32_t e = MASSES(p).icyleng_no(1);
  // A link to an engine that does not exist (a model file may carry one) is
  // no engine: the inertia counts as free.
  const bool linked = e == IENG || (e >= 1 && e <= NENG);
  if (linked) {
    if (redefinition_warning(e) == 2) return;
    if (e == IENG) {
      abandon_definition();
      return;
    }
    // The engine drawn over the old one takes its place, and its excitation
    // unless it has one already.
    if (CRE_ENGS.excitation == Excitation{}) CRE_ENGS.excitation = ENGS(e).excitation;
    DELETE_ENGINE(e);
    IENG = IENG - 1;
    IDRAW();
  }
  COLOUR(2);
  ICYL = ICYL + 1;
  MASSES(p).icyleng_no(1) = IENG;
  MASSES(p).icyleng_no(2) = ICYL;
  draw_cylinder_label(p);
  if (ICYL == CRE_ENGS.ncyl) {
    ENGS(IENG) = CRE_ENGS;
    NENG = IENG;
    ICYL = 0;
    IENG = 0;
  } else {
    ENGS(IENG) = ENGINE{};
  }
}

}  // namespace

FixedText<5> angle_text(double angle) {
  char text[32];
  std::snprintf(text, sizeof text, "%5.1f", angle);
  FixedText<5> out;
  const std::string s = text;
  out = s.size() > 5 ? std::string(5, '*') : s;
  return out;
}

int ISET_FIRANG() {
  ENGINE& e = CRE_ENGS;
  if (ISTRK2 == 1) {
    e.nstroke = 2;
  } else if (ISTRK4 == 1) {
    e.nstroke = 4;
  } else {
    ISTRK2 = 1;
    ISTRK4 = 0;
    e.nstroke = 2;
    WINDOW_UPDATE(ISTRK2);
    WINDOW_UPDATE(ISTRK4);
  }
  const double anginc = kFullCircle / std::max(e.ncyl, 1);
  for (int32_t j = 1; j <= kMaxCylinders; ++j) {
    CYLNO(j).blank();
    FIRANG1(j).blank();
    FIRANG2(j).blank();
    if (j > e.ncyl) e.ifirord(j) = 0;
  }
  const int32_t n = std::min(e.ncyl, kMaxCylinders);
  for (int32_t j = 1; j <= n; ++j) {
    char number[16];
    std::snprintf(number, sizeof number, "%3d ", j);
    CYLNO(j) = number;
    const int32_t c = e.ifirord(j);
    if (c < 1 || c > e.ncyl) continue;
    const double a1 = (j - 1) * e.nstroke * anginc / 2.0;
    FIRANG1(c) = angle_text(a1);
    if (e.ivee_engine == 1) {
      FIRANG2(c) = angle_text(second_bank_angle(e, a1));
    }
  }
  for (int32_t j = 1; j <= kMaxCylinders; ++j) {
    WINDOW_UPDATE(FIRANG1(j));
    WINDOW_UPDATE(FIRANG2(j));
    WINDOW_UPDATE(CYLNO(j));
    WINDOW_UPDATE(e.ifirord(j));
  }
  return 1;
}

int IGREY_CYL() {
  for (int32_t j = 1; j <= kMaxDialogCylinders; ++j) {
    JGREY(j) = j <= CRE_ENGS.ncyl ? 1 : 0;
    WINDOW_UPDATE(JGREY(j));
  }
  return 1;
}

void DELETE_ENGINE(int32_t K) {
  if (K < 1 || K > kMaxEngines) return;
  const int32_t last = std::min(NENG, kMaxEngines) - 1;
  for (int32_t i = K; i <= last; ++i) ENGS(i) = ENGS(i + 1);
  for (int32_t i = 1; i <= NMASS && i <= kMaxNodes; ++i) {
    NODE& node = MASSES(i);
    if (node.icyleng_no(1) == K) {
      node.icyleng_no(1) = 0;
      node.icyleng_no(2) = 0;
    } else if (node.icyleng_no(1) > K) {
      node.icyleng_no(1) = node.icyleng_no(1) - 1;
    }
  }
  NENG = std::max(NENG - 1, 0);
}

void CREATE_ENGI(char CH, float& RX, float& RY) {
  if (CH != kLeftButton && CH != kRightButton) return;
  drop_stale_definition();
  if (CH == kRightButton) {
    open_engine_dialog();
  } else {
    place_cylinder(RX, RY);
  }
}

}  // namespace spindra
