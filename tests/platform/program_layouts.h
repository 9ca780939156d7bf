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

inline Pieces list_viewer(std::string_view path) {
  return {
      {"%ca[Kelvo - List file viewer]&", {}},
      {"%es%mn[E&xit]%sc&", {literal("EXIT"), literal("edit_file"), literal(path)}},
      {"%ww[no_border]%pv%fn[Courier New]%ts%126.30eb[vscrollbar,hscrollbar,read_only]",
       {real_value(0.9), literal("*"), value(0)}},
  };
}

}  // namespace spindra::testing
