// The windows of the program written out piece by piece as the program
// builds them, with stand-in variables and logging callbacks, for the layout
// tests with and without widgets.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/layout.h"
#include "platform/window_library.h"
#include "text/fixed_text.h"
#include "text/table.h"

namespace spindra::testing {

// Callbacks record their names here and then run an optional hook.
inline std::vector<std::string>& call_log() {
  static std::vector<std::string> log;
  return log;
}
inline std::map<std::string, std::function<void()>>& hooks() {
  static std::map<std::string, std::function<void()>> h;
  return h;
}
inline int logged(const char* name, int result) {
  call_log().emplace_back(name);
  auto it = hooks().find(name);
  if (it != hooks().end() && it->second) it->second();
  return result;
}

#define SPINDRA_TEST_CALLBACK(name, result) \
  inline int name() {                       \
    return logged(#name, result);           \
  }
SPINDRA_TEST_CALLBACK(toggle_node, 1)
SPINDRA_TEST_CALLBACK(toggle_stif, 1)
SPINDRA_TEST_CALLBACK(toggle_stif_ground, 1)
SPINDRA_TEST_CALLBACK(toggle_engi, 1)
SPINDRA_TEST_CALLBACK(mtoggle_node, 1)
SPINDRA_TEST_CALLBACK(mtoggle_stif, 1)
SPINDRA_TEST_CALLBACK(mtoggle_engi, 1)
SPINDRA_TEST_CALLBACK(draw, 1)
SPINDRA_TEST_CALLBACK(analyse, 1)
SPINDRA_TEST_CALLBACK(read_file, 1)
SPINDRA_TEST_CALLBACK(save_file, 1)
SPINDRA_TEST_CALLBACK(review, 1)
SPINDRA_TEST_CALLBACK(about, 1)
SPINDRA_TEST_CALLBACK(mouse, 2)
SPINDRA_TEST_CALLBACK(inertia_units, 1)
SPINDRA_TEST_CALLBACK(stiff_units, 1)
SPINDRA_TEST_CALLBACK(set_firang, 1)
SPINDRA_TEST_CALLBACK(grey_cyl, 1)
#undef SPINDRA_TEST_CALLBACK

// The variables the program binds to its windows.
struct Vars {
  double font_scaling = 1.0;
  FixedText<60> banner{"Harbrook - Kelvo Version 1.0"};
  FixedText<130> filin;
  int32_t ivalid = 0;
  int32_t modes[8] = {0, 0, 0, 0, 0, 0, 0, 0};  // node, stif, stif ground, engi, and modify
  double scale_mode = 1.0;
  Table<FixedText<12>, 1, 100> freqs;
  int32_t icurrent_freq = 0;
  FixedText<80> reason;
  // graphics region
  int32_t region_width = 320;
  int32_t region_height = 200;
  int32_t graph_handle = 0;
  int32_t window_control = -1;
  // inertia dialog
  int32_t nmass = 1;
  double amass = 0.0;
  double dampex = 0.0;
  FixedText<16> name;
  Table<FixedText<8>, 1, 2> units{};
  // stiffness dialog
  int32_t nstif = 1;
  double astif = 0.0;
  Table<FixedText<16>, 1, 101> names_nl;
  int32_t characteristic = 1;
  double dampin = 0.0;
  double dia = 0.0;
  double bore = 0.0;
  // unit dialogs
  int32_t i1 = 1;
  int32_t i2 = 0;
  // engine dialog
  int32_t ieng = 1;
  int32_t ncyl = 6;
  int32_t istrk2 = 0;
  int32_t istrk4 = 1;
  int32_t ivee = 0;
  double vee_angle = 60.0;
  int32_t ifirord[12] = {1, 5, 3, 6, 2, 4, 0, 0, 0, 0, 0, 0};
  int32_t jgrey[12] = {1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
  Table<FixedText<5>, 1, 100> cylno;
  Table<FixedText<5>, 1, 100> firang1;
  Table<FixedText<5>, 1, 100> firang2;
  // warning dialog
  int32_t other_engine = 2;

  Vars() {
    units(1) = "kg.m^2";
    units(2) = "N.m/rad";
    names_nl(1) = "Linear";
  }
};

using Pieces = std::vector<layout::Piece>;

inline Pieces main_window(Vars& v) {
  return {
      {"%fn[Arial]%ts&", {bind(v.font_scaling)}},
      {"%ca@%mi[icon_1]&", {bind(v.banner)}},
      {"%co[check_on_focus_loss]&", {}},
      {"%`ft@@&", {literal("Torsional Vibration files"), literal("*.rtm")}},
      {"%mn[&File[&Open Torsional vibration]]&",
       {literal("FILE_OPENR"), bind(v.filin), call(read_file)}},
      {"%mn[[&Save Torsional vibration,|]]&",
       {literal("FILE_OPENW"), bind(v.filin), call(save_file)}},
      {"%mn[[~&Review List file,|]]&", {bind(v.ivalid), call(review)}},
      {"%mn[[E&xit]]&", {literal("EXIT")}},
      {"%mn[&Create[#&Node,&Stiffness[#&Node to node,#Node to &ground],#&Engine]]&",
       {bind(v.modes[0]), call(toggle_node), bind(v.modes[1]), call(toggle_stif), bind(v.modes[2]),
        call(toggle_stif_ground), bind(v.modes[3]), call(toggle_engi)}},
      {"%mn[&Modify[#&Node,#&Stiffness,#&Engine]]&",
       {bind(v.modes[4]), call(mtoggle_node), bind(v.modes[5]), joined(mtoggle_stif, draw),
        bind(v.modes[7]), call(mtoggle_engi)}},
      {"%8ga&",
       {bind(v.modes[0]), bind(v.modes[1]), bind(v.modes[2]), bind(v.modes[3]), bind(v.modes[4]),
        bind(v.modes[5]), bind(v.modes[6]), bind(v.modes[7])}},
      {"%mn[&Draw]&", {call(draw)}},
      {"%mn[Ca&lculate[&Frequencies,Forced &Damped]]&",
       {joined(analyse, draw), joined(analyse, draw)}},
      {"%mn[&About]&", {call(about)}},
      {"%bg[btnface]&", {}},
      // the graphics region, as the display layer adds it for slot 1
      {" &", {}},
      {"%ob[no_border]&", {}},
      {"%`^gr[full_mouse_input,white]%cb%cv&",
       {bind(v.region_width), bind(v.region_height), bind(v.graph_handle), call(mouse),
        bind(v.window_control)}},
      {"%co[check_on_focus_loss]&", {}},
      {"  Mode Scale %`bg[white]%^6rf  %nl&", {bind(v.scale_mode), call(draw)}},
      {"  Frequency (vpm)%nl&", {}},
      {"  %`bg[white]%12.10^ls&", {bind(v.freqs), bind(v.icurrent_freq), call(draw)}},
      {" %ff%`rs&", {bind(v.reason)}},
      {"%sc&", {call(draw)}},
      {"%ww[no_border]", {}},
  };
}

inline Pieces about_box() {
  return {
      {"%ca[About Spindra]%bg[grey]&", {}},
      {"%sp&", {value(20), value(60)}},
      {"%fn[Arial]%ts%bf%cnSpindra%`bf&", {real_value(2.0)}},
      {"%ts%nl&", {real_value(1.0)}},
      {"%cnVersion 3.0&", {}},
      {"%nl%cnTorsional Vibration Calculation&", {}},
      {"%nl%nl%cn%`7tt[&OK]%es", {}},
  };
}

// Create Inertia ("%ca[Create Inertia]%bg[grey]&") or Modify Inertia.
inline Pieces inertia_dialog(Vars& v, std::string_view caption_piece) {
  return {
      {caption_piece, {}},
      {"%ffInertia number  %ta%`3rd&", {bind(v.nmass)}},
      {"%ffInertia         %ta%`bg[white]%14rf %`8rs&", {bind(v.amass), bind(v.units(1))}},
      {"%ffExternal damping%ta%`bg[white]%14rf %`8rs&", {bind(v.dampex), bind(v.units(2))}},
      {"%ffName            %ta%`bg[white]%14rs&", {bind(v.name)}},
      {"%ff%`tt[&OK]  %tt[&Cancel]  %^tt[&Units]", {call(inertia_units)}},
  };
}

// Create Stiffness (with the characteristic list), to ground or Modify.
inline Pieces stiffness_dialog(Vars& v, std::string_view caption_piece, bool with_list) {
  Pieces p = {
      {caption_piece, {}},
      {"%ffStiffness number  %ta%`3rd&", {bind(v.nstif)}},
      {"%ffStiffness       %ta%`bg[white]%14rf %`rs&", {bind(v.astif), bind(v.units(2))}},
  };
  if (with_list) p.push_back({"%`bg[white]%`ls&", {bind(v.names_nl), bind(v.characteristic)}});
  p.push_back({"%ffInternal damping%ta%`bg[white]%14rf N.m.S/rad&", {bind(v.dampin)}});
  p.push_back({"%ffShaft diameter  %ta%`bg[white]%14rf mm&", {bind(v.dia)}});
  p.push_back({"%ffShaft bore      %ta%`bg[white]%14rf mm&", {bind(v.bore)}});
  p.push_back({"%ff%`tt[&OK]  %tt[&Cancel]  %^tt[&Units]", {call(stiff_units)}});
  return p;
}

inline Pieces inertia_units_dialog(Vars& v) {
  return {
      {"%ca[Select Inertia Units]%bg[grey]&", {}}, {"%2ga&", {bind(v.i1), bind(v.i2)}},
      {"%ff%`rb[kg.m^2]&", {bind(v.i1)}},          {"%ff%`rb[T.m^2]&", {bind(v.i2)}},
      {"%ff%nl%`tt[&OK]  %tt[&Cancel]", {}},
  };
}

inline Pieces stiffness_units_dialog(Vars& v) {
  return {
      {"%ca[Select Stiffness Units]%bg[grey]&", {}}, {"%2ga&", {bind(v.i1), bind(v.i2)}},
      {"%ff%`rb[N.m/rad]&", {bind(v.i1)}},           {"%ff%`rb[MN.m/rad]&", {bind(v.i2)}},
      {"%ff%nl%`tt[&OK]  %tt[&Cancel]", {}},
  };
}

inline Pieces engine_dialog(Vars& v) {
  Pieces p = {
      {"%ca[Create Engine]%bg[grey]&", {}},
      {"%ffEngine number  %ta%`3rd&", {bind(v.ieng)}},
      {"%ffNumber of cyls %ta%`bg[white]%il%^3rd%`il&",
       {value(1), value(12), bind(v.ncyl), joined(grey_cyl, set_firang)}},
      {"%ff%`^rb[2 Stroke]&", {bind(v.istrk2), call(set_firang)}},
      {"%ff%`^rb[4 Stroke]&", {bind(v.istrk4), call(set_firang)}},
      {"%2`ga&", {bind(v.istrk2), bind(v.istrk4)}},
      {"%ff%`^rb[Vee engine]&", {bind(v.ivee), call(set_firang)}},
      {"%taVee angle%`bg[white]%~^rf&", {bind(v.vee_angle), bind(v.ivee), call(set_firang)}},
      {"%ffFiring order&", {}},
  };
  for (int j = 1; j <= 12; ++j) {
    p.push_back({"%`ap%`bg[white]%^~5rd &",
                 {value((j - 1) * 6), real_value(8.0), bind(v.ifirord[j - 1]), bind(v.jgrey[j - 1]),
                  call(set_firang)}});
  }
  p.push_back({"%`apCylinder number&", {value(0), real_value(9.5)}});
  for (int j = 1; j <= 12; ++j) {
    p.push_back({"%`ap%`3rs &", {value((j - 1) * 6), real_value(11.0), bind(v.cylno(j))}});
  }
  p.push_back({"%`apFiring angles - bank 1&", {value(0), real_value(12.5)}});
  for (int j = 1; j <= 12; ++j) {
    p.push_back({"%`ap%`3rs &", {value((j - 1) * 6), real_value(14.0), bind(v.firang1(j))}});
  }
  p.push_back({"%`apFiring angles - bank 2&", {value(0), real_value(15.5)}});
  for (int j = 1; j <= 12; ++j) {
    p.push_back({"%`ap%`3rs &", {value((j - 1) * 6), real_value(17.0), bind(v.firang2(j))}});
  }
  p.push_back({"%ff%nl%`tt[&OK]%tt[&Cancel]", {}});
  return p;
}

inline Pieces warning_same_engine() {
  return {
      {"%ca[Warning]&", {}},
      {"Mass is already part of this engine%nl&", {}},
      {"re-define will re-start cylinder definitions&", {}},
      {"%ff%nl%`tt[&OK Re-define]%tt[&Cancel]", {}},
  };
}

inline Pieces warning_other_engine(Vars& v) {
  return {
      {"%ca[Warning]&", {}},
      {"Mass is already part of engine %wd&", {bind(v.other_engine)}},
      {"%ff%nl%`tt[&OK Re-define]%tt[&Cancel]", {}},
  };
}

inline Pieces list_viewer(std::string_view path) {
  return {
      {"%ca[Kelvo - List file viewer]&", {}},
      {"%es%mn[E&xit]%sc&", {literal("EXIT"), literal("edit_file"), literal(path)}},
      {"%ww[no_border]%pv%fn[Courier New]%ts%126.30eb[vscrollbar,hscrollbar,read_only]",
       {real_value(0.9), literal("*"), value(0)}},
  };
}

}  // namespace spindra::testing
