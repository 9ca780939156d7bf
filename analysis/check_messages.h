// Pieces of the messages with which the checks before an analysis refuse a
// model (frequencies, forced response); used inside analysis/ only.
#pragma once

#include <string>

namespace spindra {

// A value as the messages write it ("%g").
std::string number(double v);
// "Engine k" and its name in brackets when it has one.
std::string engine_label(int k);
// Puts text in *message (when given) and returns false, so that a check
// can refuse in one statement.
bool refuse(std::string* message, const std::string& text);

}  // namespace spindra
