#include "app/command_line.h"

#include <string_view>

namespace spindra {

CommandLine parse_command_line(int argc, const char* const* argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      return {CommandLine::Action::Help,
              {},
              "Usage: spindra [MODEL.rtm]  (torsional vibration analysis of shaft systems; "
              "opens MODEL.rtm as File > Open does)\n"};
    }
    if (a == "--version") return {CommandLine::Action::Version, {}, "Spindra Version 3.0\n"};
  }
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (options && a == "--") {
      options = false;
    } else if (options && a.size() > 1 && a.front() == '-') {
      line.action = CommandLine::Action::Refuse;
      line.message =
          "spindra: unknown option " + std::string(a) + " (spindra --help shows the usage)\n";
      return line;
    } else if (!line.model.empty()) {
      line.action = CommandLine::Action::Refuse;
      line.message =
          "spindra: one model file at a time (" + line.model + " and " + std::string(a) + ")\n";
      return line;
    } else {
      line.model = a;
    }
  }
  return line;
}

}  // namespace spindra
