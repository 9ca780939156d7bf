// The main window: start-up, menus and their commands, the mode-scale field,
// the frequency list, the status line, the About box and the list file
// viewer.
#pragma once

#include <cstdint>
#include <string_view>

namespace spindra {

// Sets up the store, builds the main window and runs it until it is closed;
// a model file named by `model` is opened as File > Open would once the
// window shows.  Returns the program's exit status.
int run_main_window(std::string_view model = {});

// The start-up state of the store and the region size, without building any
// window (steps before the layout).
void start_up_state();

// Command-mode toggles of the Create and Modify menus: each switches its own
// mode on or off, switches every other mode off and forgets half-picked nodes.
int ITOGGLE_NODE();
int ITOGGLE_STIF();
int ITOGGLE_STIF_GROUND();
int ITOGGLE_ENGI();
int MTOGGLE_NODE();
int MTOGGLE_STIF();
int MTOGGLE_ENGI();
int MTOGGLE_DELETE();
// Every command mode off, the menu's check marks with them.
void switch_modes_off();
int MTOGGLE_MOVE();

// File > Open and File > Save: read or write the model file named by FILIN;
// a failure is shown in a message.  A model read in is drawn.  Return 1.
int READ_FILE();
int SAVE_FILE();
// File > Save: writes the model to its own file; a model without one is
// saved as File > Save Torsional vibration saves, after its file dialog.
int save_model();

// Calculate > Frequencies: runs the frequency analysis, refreshes the
// frequency list and the Review List file item, and shows any refusal or
// failure in a message; returns 1.
int PROG10();
// Calculate > Forced Damped: the frequency analysis and the drawing exactly
// as Frequencies, then the Forced Response window.  Returns 1.
int FORCED_DAMPED();

// Edit > Undo and Edit > Redo: the model of the step before (after) the
// current one, redrawn.
int undo_command();
int redo_command();

// Before Exit, Open or closing the main window: with unsaved changes, asks
// whether to save them, discard them or stay.  1 goes on, 0 stays.
int unsaved_work_check();

int ABOUT_FUNCTION();
// File > Review List file: the read-only viewer of the last list file.
int REVIEW();
// 1 while the report of the last forced response (MODEL.frc) is there; the
// viewer's item for it is greyed otherwise.
inline int32_t FORCED_REPORT_VALID = 0;
// The viewer on that report.  Returns 1.
int review_forced_report();
// The viewer on the report of the last transient run (MODEL.trn).  Returns 1.
int review_transient_report();

}  // namespace spindra
