// Undo and redo of model edits, and the mark that says the model has changed
// since it was read or saved.
//
// The history is a ring of snapshots of the model part of the store (the
// inertias, stiffnesses and engines with their counts, the title, the unit
// factors, the order range and the engine being defined).  Commands do not
// record anything themselves: after each command that may edit the model the
// main window calls note_model_edit(), which compares the model with the
// current step and records a new step only when they differ.  The fields the
// analysis derives (firing angles, ncyl1) are not compared, so a completed
// analysis leaves the history and the mark alone.
#pragma once

#include <cstdint>

#include "text/fixed_text.h"

namespace spindra {

// Steps kept for undo besides the current one; older ones are dropped.
inline constexpr int kUndoDepth = 100;

// 1 while the model differs from the one last read or saved (or, when none
// has been, from the empty model of start-up).
inline int32_t model_changed = 0;
// 1 while results of an analysis are shown (frequency list, mode shape,
// Campbell diagram, forced response) but the model has been edited since
// that analysis ran; the windows showing results say so until the next
// Calculate.  Cleared by every analysis run and by Open and New.
inline int32_t results_outdated = 0;
// 1 while the model differs from the one the last forced response ran on (or
// was refused for), its sweep, excitation and limits included; those alone
// do not make results_outdated.  Cleared by every forced run and by Open
// and New.
inline int32_t forced_outdated = 0;
// True while every inertia and shaft of the last analysis still has the
// number and the ends it had then (edits may have added to the model or
// changed values, but deleted nothing): only then can the kept matrices
// give a mode shape of the inertias now drawn.
bool analysed_numbering_kept();
// 1 while there is a step to undo / redo (the Edit menu greys its items by
// them).
inline int32_t can_undo = 0;
inline int32_t can_redo = 0;
// The main window's caption: the banner, then the model file's name and a
// "*" while the model has unsaved changes.
inline FixedText<200> window_caption;
// The model file the model in memory was last read from or saved to; blank
// when none.
inline FixedText<130> model_file;

// Counts the models started (start-up, Open, New): results and choices
// kept for one model are not carried over to the next.
inline int32_t models_started = 0;
// The line of the main window that says so while results_outdated is 1;
// blank otherwise.
inline FixedText<80> results_note;
// Run when results_outdated or forced_outdated changes (the main window redraws the model and
// every window that shows results); nullptr: nothing.
inline void (*results_mark_changed)() = nullptr;

// Starts a new history whose only step is the model in memory, taken as read
// or saved (start-up, Open and New); the model file is FILIN then.  No results
// are of this model's past: results_outdated is 0.
void start_history();
// An analysis has just put its results in the store: they belong to the
// model in memory, so results_outdated is 0 until the model differs from it.
void note_analysis_run();
// A forced response has just run (or been refused): its results, or its
// refusal, belong to the model in memory until it differs from it.
void note_forced_run();
// Records the model as a new step when it differs from the current step;
// steps that could have been redone are dropped.  True when it recorded one.
bool note_model_edit();
// The model in memory has just been saved to FILIN.
void note_model_saved();
// Puts the model of the step before (after) the current one back into the
// store.  False when there is none.
bool undo_model_edit();
bool redo_model_edit();

// Sets window_caption from BANNER, the model file and the mark and refreshes
// it in the open windows.
void show_caption();

}  // namespace spindra
