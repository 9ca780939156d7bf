// Pieces of the messages with which the checks before an analysis refuse a
// model (frequencies, forced response).
#pragma once

#include <string>
#include <string_view>

namespace spindra {

// A value as the messages write it ("%g").
std::string number(double v);
// "Engine k" and its name in brackets when it has one.
std::string engine_label(int k);
// Puts text in *message (when given) and returns false, so that a check
// can refuse in one statement.
bool refuse(std::string* message, const std::string& text);

// Refuses a negative (or not finite) damping of an inertia or shaft, naming
// it; else *any tells whether the model damps at all, the loss factor of
// the forced response counted.  Both responses check this before a run.
bool check_damping_values(std::string* message, bool* any);

// Whom the messages speak to: the program's user, who enters data through
// dialogs and keeps earlier results on screen, or a batch run
// (spindra-calc), which reads the model file and keeps nothing.
inline bool batch_messages = false;
// Where a piece of data is entered, in brackets: the dialog (or menu item)
// in the program, the place in the model file in a batch run.
std::string data_place(std::string_view dialog, std::string_view file_place);
// " The previous results are kept." after a failed run in the program;
// empty in a batch run, which has no previous results.
std::string previous_results_kept();

}  // namespace spindra
