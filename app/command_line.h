// The program's command line: spindra [--help | --version | MODEL.rtm].
#pragma once

#include <string>
#include <string_view>

namespace spindra {

struct CommandLine {
  enum class Action { Run, Help, Version, Refuse };
  Action action = Action::Run;
  std::string model;    // Run: the model file to open, empty for none
  std::string message;  // Help, Version: the text to print; Refuse: the reason
};

// Reads the arguments after the program name.  "--help" or "--version"
// anywhere wins; "--" ends the options; an unknown option or a second model
// file refuses the command line.
// With `toolkit_options`, the window toolkit's own options ("-platform
// offscreen", "-style=fusion") are passed over, so that the command line can
// be checked before the toolkit starts (and takes them out).
CommandLine parse_command_line(int argc, const char* const* argv, bool toolkit_options = false);

// The release number, such as "1.0.0", set once for the whole build.
const char* release_version();

// What --version prints for the named program: "spindra-calc (Spindra) 1.0.0"
// and a line on the licence.
std::string version_text(std::string_view program);

}  // namespace spindra
