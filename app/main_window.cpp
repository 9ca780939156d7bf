#include "app/main_window.h"

#include <filesystem>
#include <string>

#include "analysis/forced_response.h"
#include "analysis/frequency_analysis.h"
#include "analysis/transient.h"
#include "app/campbell_window.h"
#include "app/canvas.h"
#include "app/command_line.h"
#include "app/draw.h"
#include "app/forced_dialogs.h"
#include "app/forced_window.h"
#include "app/history.h"
#include "app/model/model_file.h"
#include "app/model/store.h"
#include "app/model_commands.h"
#include "app/picture.h"
#include "app/transient_dialog.h"
#include "app/transient_window.h"
#include "app/view.h"
#include "graphics/display/display.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

int32_t* const kModeFlags[] = {&INODE_CREATE, &ISTIF_CREATE, &ISTIF_CREATE_GROUND, &IENGI_CREATE,
                               &INODE_MODIFY, &ISTIF_MODIFY, &ISTIF_MODIFY_GROUND, &IENGI_MODIFY,
                               &INODE_DELETE, &INODE_MOVE};

// What the status line says when a mode is switched on.
struct ModeText {
  const int32_t* flag;
  const char* text;
};
const ModeText kModeTexts[] = {
    {&INODE_CREATE, "Create Node: click where the new inertia goes"},
    {&ISTIF_CREATE, "Create Stiffness: pick the first inertia"},
    {&ISTIF_CREATE_GROUND, "Create Stiffness to ground: pick the inertia"},
    {&IENGI_CREATE, "Create Engine: right-click to define an engine, then pick its cylinders"},
    {&INODE_MODIFY, "Modify Node: pick the inertia to change"},
    {&ISTIF_MODIFY, "Modify Stiffness: pick the square of the stiffness to change"},
    {&IENGI_MODIFY, "Modify Engine: engines are re-defined through Create > Engine"},
    {&INODE_DELETE, "Delete: click an inertia (its shafts go with it) or the square of a shaft"},
    {&INODE_MOVE, "Move: drag an inertia to its new place"},
};

// Switches flag on or off and every other mode off, so that at most one
// menu item carries a check mark; the status line names the mode switched on.
int toggle(int32_t& flag) {
  flag = 1 - flag;
  for (int32_t* other : kModeFlags) {
    if (other != &flag) *other = 0;
  }
  for (int32_t* f : kModeFlags) WINDOW_UPDATE(*f);
  NSELECT = 0;
  REASON.blank();
  for (const ModeText& m : kModeTexts) {
    if (m.flag == &flag && flag != 0) REASON = m.text;
  }
  WINDOW_UPDATE(REASON);
  return 1;
}

RegionSize region;
std::string given_model;  // the model named on the command line

// Mouse callback of the region: every edit of the model happens in a click
// (and the dialogs it opens), so the history looks at the model after each.
int canvas_callback() {
  const int result = WINDOW_CALLBACK1();
  note_model_edit();
  return result;
}

// The results shown became out of date, or up to date again: the drawing
// and the windows of results show it.
void show_results_mark_change() {
  IDRAW();
  for (int32_t k = 1; k <= NSELECT && k <= kMaxNodes; ++k) draw_pick_square(NODE_LIST(k), 2);
  refresh_campbell_diagram();
  forced_results_mark_changed();
  transient_results_mark_changed();
}

int after_history_step() {
  NSELECT = 0;  // picks of a half-made stiffness may name nodes now gone
  return IDRAW();
}

// Saves the model before it would be lost: to its own file, or to one the
// user chooses when it has none.  True when it is saved.
bool save_before_leaving() {
  if (model_file.is_blank()) {
    if (!window_library().choose_file(true, FILIN.data(), FILIN.width())) {
      return false;
    }
  } else {
    FILIN = model_file;
  }
  WINDOW_UPDATE(FILIN);
  SAVE_FILE();
  return model_changed == 0;
}

// File > Open of the model named on the command line, once the window shows.
int open_given_model() {
  std::error_code ec;
  std::string path = std::filesystem::absolute(given_model, ec).string();
  if (ec) path = given_model;
  if (path.size() > static_cast<std::size_t>(FILIN.width())) {
    window_library().show_message("Open Torsional vibration",
                                  "The file name\n" + path + "\nis longer than " +
                                      std::to_string(FILIN.width()) +
                                      " characters; choose a shorter path.");
    return 1;
  }
  FILIN = path;
  WINDOW_UPDATE(FILIN);
  return READ_FILE();
}

}  // namespace

void switch_modes_off() {
  for (int32_t* f : kModeFlags) {
    *f = 0;
    WINDOW_UPDATE(*f);
  }
}

int ITOGGLE_NODE() { return toggle(INODE_CREATE); }
int ITOGGLE_STIF() { return toggle(ISTIF_CREATE); }
int ITOGGLE_STIF_GROUND() { return toggle(ISTIF_CREATE_GROUND); }
int ITOGGLE_ENGI() { return toggle(IENGI_CREATE); }
int MTOGGLE_NODE() { return toggle(INODE_MODIFY); }
int MTOGGLE_STIF() { return toggle(ISTIF_MODIFY); }
int MTOGGLE_ENGI() { return toggle(IENGI_MODIFY); }
int MTOGGLE_DELETE() { return toggle(INODE_DELETE); }
int MTOGGLE_MOVE() { return toggle(INODE_MOVE); }

int save_model() {
  save_before_leaving();
  return 1;
}

int undo_command() {
  if (undo_model_edit()) after_history_step();
  return 1;
}

int redo_command() {
  if (redo_model_edit()) after_history_step();
  return 1;
}

int unsaved_work_check() {
  note_model_edit();
  if (model_changed == 0) return 1;
  WINDOW_PRINTF("%ca[Unsaved changes]%bg[grey]&");
  WINDOW_PRINTF("The model has changes that are not saved.%nl&");
  WINDOW_PRINTF("Save them before going on?&");
  const int answer = WINDOW_PRINTF("%ff%nl%`tt[&Save]%tt[&Discard]%tt[&Cancel]");
  if (answer == 2) return 1;
  if (answer != 1) return 0;
  return save_before_leaving() ? 1 : 0;
}

int ABOUT_FUNCTION() {
  WINDOW_PRINTF("%ca[About Spindra]%bg[grey]&");
  WINDOW_PRINTF("%sp&", {value(20), value(60)});
  WINDOW_PRINTF("%fn[Arial]%ts%bf%cnSpindra%`bf&", {real_value(2.0)});
  WINDOW_PRINTF("%ts%nl&", {real_value(1.0)});
  WINDOW_PRINTF("%cnVersion 3.0&");
  WINDOW_PRINTF("%nl%cnTorsional Vibration Calculation&");
  WINDOW_PRINTF("%nl%nl%cn%`7tt[&OK]%es");
  return 1;
}

int READ_FILE() {
  std::string error;
  if (!read_model_file(&error)) {
    WINDOW_UPDATE(FILIN);
    window_library().show_message("Open Torsional vibration", error);
    return 1;
  }
  WINDOW_UPDATE(FREQS);
  WINDOW_UPDATE(IVALID);
  start_history();
  // Pictures of this model are offered under its name.
  PICTURE_FILE = FILIN;
  DEFAULT_EXTENSION(PICTURE_FILE, "svg", 0);
  // The status line no longer names a node of the previous model.
  REASON.blank();
  for (const ModeText& m : kModeTexts) {
    if (*m.flag != 0) REASON = m.text;
  }
  WINDOW_UPDATE(REASON);
  refresh_campbell_diagram();
  forced_window_new_model();
  refresh_forced_window();
  forget_transient_results();
  refresh_transient_window();
  view_for_new_model();
  IDRAW();
  return 1;
}

int SAVE_FILE() {
  std::string error;
  if (!write_model_file(&error)) {
    WINDOW_UPDATE(FILIN);
    window_library().show_message("Save Torsional vibration", error);
    return 1;
  }
  note_model_saved();
  return 1;
}

int PROG10() {
  std::string message;
  // An engine whose cylinders are not all placed is left out; say so.
  const std::string left_out = engines_left_out();
  if (!left_out.empty()) window_library().show_message("Calculate Frequencies", left_out);
  const AnalysisOutcome outcome = frequency_analysis(&message);
  if (outcome != AnalysisOutcome::kRefused) {
    WINDOW_UPDATE(FREQS);
    WINDOW_UPDATE(IVALID);  // "Review List file" is available from now on
    note_analysis_run();
    refresh_campbell_diagram();
  }
  if (outcome != AnalysisOutcome::kWritten)
    window_library().show_message("Calculate Frequencies", message);
  return 1;
}

namespace {

// A file the viewer shows (read when it opens) and the file of its Save as
// PDF....
struct ViewedFile {
  std::string path;
  FileName130 pdf;
};
ViewedFile list_view;    // the list file
ViewedFile report_view;  // the report of the forced response
ViewedFile transient_view;  // the report of the transient response

int print_viewed(const ViewedFile& v) {
  std::string message;
  if (!window_library().print_text_file(v.path, PageKind::Printer, {}, &message) &&
      !message.empty())
    window_library().show_message("Print", message);
  return 1;
}

int save_viewed_pdf(ViewedFile& v) {
  DEFAULT_EXTENSION(v.pdf, "pdf", 1);
  PageKind kind = PageKind::Svg;
  std::string message;
  if (!page_kind_of(v.pdf.trimmed(), kind) || kind != PageKind::Pdf) {
    message = v.pdf.str() + ": the report is saved as PDF; give the file name the extension pdf.";
  } else if (window_library().print_text_file(v.path, PageKind::Pdf, v.pdf.trimmed(), &message)) {
    return 1;
  }
  window_library().show_message("Save as PDF", message);
  return 1;
}

int PRINT_LIST() {
  return print_viewed(list_view);
}
int SAVE_LIST_PDF() {
  return save_viewed_pdf(list_view);
}
int PRINT_REPORT() {
  return print_viewed(report_view);
}
int SAVE_REPORT_PDF() {
  return save_viewed_pdf(report_view);
}
int PRINT_TRANSIENT_REPORT() {
  return print_viewed(transient_view);
}
int SAVE_TRANSIENT_PDF() {
  return save_viewed_pdf(transient_view);
}

// Sets the file a viewer shows and the PDF name it offers; false (after
// saying so) when the file is not there.
bool view_file(ViewedFile& v, const std::string& path, const char* caption, const char* again) {
  v.path = path;
  v.pdf = path;
  DEFAULT_EXTENSION(v.pdf, "pdf", 0);
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec)) return true;
  window_library().show_message(caption, path + ": " + again);
  return false;
}

}  // namespace

int REVIEW() {
  FixedText<132> name;
  name = FILOUT.view();
  DEFAULT_EXTENSION(name, "lis", 0);
  if (!view_file(list_view, name.str(), "Review List file",
                 "the list file is no longer there. Run Calculate > Frequencies again to write "
                 "it.")) {
    return 1;
  }
  const std::string& path = list_view.path;
  WINDOW_PRINTF("%ca[Kelvo - List file viewer]&");
  WINDOW_PRINTF("%es%mn[E&xit]%sc&", {literal("EXIT"), literal("edit_file"), literal(path)});
  WINDOW_PRINTF("%`ft@@&", {literal("PDF files"), literal("*.pdf")});
  WINDOW_PRINTF("%mn[&Print...,Save as P&DF...]&",
                {call(PRINT_LIST), literal("FILE_OPENW"), bind(list_view.pdf), call(SAVE_LIST_PDF)});
  WINDOW_PRINTF("%mn[~&Forced Response Report]&",
                {bind(FORCED_REPORT_VALID), call(review_forced_report)});
  WINDOW_PRINTF("%mn[~&Transient Report]&",
                {bind(TRANSIENT_REPORT_VALID), call(review_transient_report)});
  WINDOW_PRINTF("%ww[no_border]%pv%fn[Courier New]%ts%126.30eb[vscrollbar,hscrollbar,read_only]",
                {real_value(0.9), literal("*"), value(0)});
  return 1;
}

int review_transient_report() {
  if (!view_file(transient_view, transient_report_name(), "Transient Report",
                 "the report is not there. Run Calculate > Transient... to write it.")) {
    return 1;
  }
  const std::string& path = transient_view.path;
  WINDOW_PRINTF("%ca[Kelvo - List file viewer]&");
  WINDOW_PRINTF("%es%mn[E&xit]%sc&", {literal("EXIT"), literal("edit_file"), literal(path)});
  WINDOW_PRINTF("%`ft@@&", {literal("PDF files"), literal("*.pdf")});
  WINDOW_PRINTF("%mn[&Print...,Save as P&DF...]&",
                {call(PRINT_TRANSIENT_REPORT), literal("FILE_OPENW"), bind(transient_view.pdf),
                 call(SAVE_TRANSIENT_PDF)});
  WINDOW_PRINTF("%ww[no_border]%pv%fn[Courier New]%ts%126.30eb[vscrollbar,hscrollbar,read_only]",
                {real_value(0.9), literal("*"), value(0)});
  return 1;
}

int review_forced_report() {
  if (!view_file(report_view, forced_report_name(), "Forced Response Report",
                 "the report is not there. Run Calculate > Forced Damped to write it.")) {
    return 1;
  }
  const std::string& path = report_view.path;
  WINDOW_PRINTF("%ca[Kelvo - List file viewer]&");
  WINDOW_PRINTF("%es%mn[E&xit]%sc&", {literal("EXIT"), literal("edit_file"), literal(path)});
  WINDOW_PRINTF("%`ft@@&", {literal("PDF files"), literal("*.pdf")});
  WINDOW_PRINTF("%mn[&Print...,Save as P&DF...]&", {call(PRINT_REPORT), literal("FILE_OPENW"),
                                                     bind(report_view.pdf), call(SAVE_REPORT_PDF)});
  WINDOW_PRINTF("%ww[no_border]%pv%fn[Courier New]%ts%126.30eb[vscrollbar,hscrollbar,read_only]",
                {real_value(0.9), literal("*"), value(0)});
  return 1;
}

int FORCED_DAMPED() {
  PROG10();
  IDRAW();
  return FORCED_RESPONSE();
}

int TRANSIENT_COMMAND() {
  PROG10();
  IDRAW();
  return TRANSIENT_RESPONSE();
}

void start_up_state() {
  initialise_store();
  forced_program_text() = "spindra " + std::string(release_version());
  reset_view();
  region = region_size_from_screen();
  FONT_SCALING = region.FONT_SCALING;
}

int run_main_window(std::string_view model) {
  start_up_state();
  start_history();
  given_model = model;
  window_callback1 = canvas_callback;
  results_mark_changed = show_results_mark_change;
  PICTURE_FILE = "Unnamed.svg";
  set_save_name_rule(DEFAULT_EXTENSION);  // the rule SAVE_FILE applies

  WINDOW_PRINTF("%fn[Arial]%ts&", {bind(FONT_SCALING)});
  WINDOW_PRINTF("%ca@%mi[icon_1]&", {bind(window_caption)});
  WINDOW_PRINTF("%co[check_on_focus_loss]&");
  WINDOW_PRINTF("%`ft@@&", {literal("Torsional Vibration files"), literal("*.rtm")});
  WINDOW_PRINTF("%`ft@@&", {literal("Pictures"), literal("*.svg *.pdf *.png")});
  WINDOW_PRINTF("%mn[&File[&New,&Open Torsional vibration]]&",
                {call(new_model), literal("FILE_OPENR"), bind(FILIN), call(READ_FILE)});
  WINDOW_PRINTF("%mn[[Sa&ve,&Save Torsional vibration,|]]&",
                {call(save_model), literal("FILE_OPENW"), bind(FILIN), call(SAVE_FILE)});
  WINDOW_PRINTF("%mn[[~&Review List file,|]]&", {bind(IVALID), call(REVIEW)});
  WINDOW_PRINTF("%mn[[&Export Picture...,&Print...,|]]&",
                {call(EXPORT_PICTURE), call(PRINT_PICTURE)});
  WINDOW_PRINTF("%mn[[E&xit]]&", {literal("EXIT")});
  WINDOW_PRINTF("%mn[&Edit[~&Undo,~&Redo,|,&Delete]]&",
                {bind(can_undo), call(undo_command), bind(can_redo), call(redo_command),
                 call(delete_under_pointer)});
  WINDOW_PRINTF("%mn[&View[Zoom &In,Zoom &Out,&Fit Model]]&",
                {call(ZOOM_IN), call(ZOOM_OUT), call(FIT_MODEL)});
  WINDOW_PRINTF("%mn[&Create[#&Node,&Stiffness[#&Node to node,#Node to &ground],#&Engine]]&",
                {bind(INODE_CREATE), call(ITOGGLE_NODE), bind(ISTIF_CREATE), call(ITOGGLE_STIF),
                 bind(ISTIF_CREATE_GROUND), call(ITOGGLE_STIF_GROUND), bind(IENGI_CREATE),
                 call(ITOGGLE_ENGI)});
  WINDOW_PRINTF("%mn[&Modify[#&Node,#&Stiffness,#&Engine]]&",
                {bind(INODE_MODIFY), call(MTOGGLE_NODE), bind(ISTIF_MODIFY),
                 joined(MTOGGLE_STIF, IDRAW), bind(IENGI_MODIFY), call(MTOGGLE_ENGI)});
  WINDOW_PRINTF("%mn[[|,#&Delete,#Mo&ve,|,&Title and Orders...]]&",
                {bind(INODE_DELETE), joined(MTOGGLE_DELETE, IDRAW), bind(INODE_MOVE),
                 call(MTOGGLE_MOVE), call(title_and_orders)});
  WINDOW_PRINTF("%mn[[|,E&xcitation...,&Limits...,Forced S&weep...]]&",
                {call(EXCITATION_DIALOG), call(LIMITS_DIALOG), call(SWEEP_DIALOG)});
  WINDOW_PRINTF("%10ga&", {bind(INODE_CREATE), bind(ISTIF_CREATE), bind(ISTIF_CREATE_GROUND),
                           bind(IENGI_CREATE), bind(INODE_MODIFY), bind(ISTIF_MODIFY),
                           bind(ISTIF_MODIFY_GROUND), bind(IENGI_MODIFY), bind(INODE_DELETE),
                           bind(INODE_MOVE)});
  WINDOW_PRINTF("%mn[Da&ta[&Load Cases...,Transient &Cases...]]&",
                {call(LOAD_CASES_DIALOG), call(TRANSIENT_CASES_DIALOG)});
  WINDOW_PRINTF("%mn[&Draw]&", {call(IDRAW)});
  WINDOW_PRINTF("%mn[Ca&lculate[&Frequencies,Forced &Damped,&Transient...]]&",
                {joined(PROG10, IDRAW), call(FORCED_DAMPED), call(TRANSIENT_COMMAND)});
  WINDOW_PRINTF("%mn[[~&Campbell Diagram]]&", {bind(IVALID), call(CAMPBELL_DIAGRAM)});
  WINDOW_PRINTF("%mn[&About]&", {call(ABOUT_FUNCTION)});
  WINDOW_PRINTF("%ks[&File/&Open Torsional vibration=Ctrl+O]&");
  WINDOW_PRINTF("%ks[&File/&New=Ctrl+N]&");
  WINDOW_PRINTF("%ks[&File/Sa&ve=Ctrl+S]&");
  WINDOW_PRINTF("%ks[&File/&Save Torsional vibration=Ctrl+Shift+S]&");
  WINDOW_PRINTF("%ks[&Edit/&Delete=Del]&");
  WINDOW_PRINTF("%ks[&File/E&xit=Ctrl+Q]&");
  WINDOW_PRINTF("%ks[&Edit/&Undo=Ctrl+Z]&");
  WINDOW_PRINTF("%ks[&Edit/&Redo=Ctrl+Y;Ctrl+Shift+Z]&");
  WINDOW_PRINTF("%ks[Ca&lculate/&Frequencies=F5]&");
  WINDOW_PRINTF("%ks[&View/Zoom &In=Ctrl++;Ctrl+=]&");
  WINDOW_PRINTF("%ks[&View/Zoom &Out=Ctrl+-]&");
  WINDOW_PRINTF("%ks[&View/&Fit Model=Ctrl+0]&");
  WINDOW_PRINTF("%bg[btnface]&");
  open_graphics_region(region.XRES, region.YRES);
  WINDOW_PRINTF("%co[check_on_focus_loss]&");
  WINDOW_PRINTF("  Mode Scale %`bg[white]%^6rf  %nl&", {bind(SCALE_MODE), call(IDRAW)});
  WINDOW_PRINTF("  Frequency (vpm)%nl&");
  WINDOW_PRINTF("  %`bg[white]%12.10^ls&", {bind(FREQS), bind(ICURRENT_FREQ), call(IDRAW)});
  WINDOW_PRINTF(" %ff%`rs&", {bind(REASON)});
  WINDOW_PRINTF(" %ff%`rs&", {bind(results_note)});
  WINDOW_PRINTF("%sc&", {call(IDRAW)});
  if (!given_model.empty()) WINDOW_PRINTF("%sc&", {call(open_given_model)});
  window_library().set_close_check(unsaved_work_check);
  WINDOW_PRINTF("%ww[no_border]");
  return 0;
}

}  // namespace spindra
