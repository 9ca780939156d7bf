#include "app/command_line.h"

#include <string_view>

#ifndef SPINDRA_VERSION
#define SPINDRA_VERSION "0.0.0"
#endif

namespace spindra {

const char* release_version() {
  return SPINDRA_VERSION;
}

std::string version_text(std::string_view program) {
  return std::string(program) + " (Spindra) " + release_version() +
         "\nLicence GPL-3.0-or-later: free software, without warranty.\n";
}

namespace {

constexpr const char* kHelp =
    "Usage: spindra [MODEL.rtm]\n"
    "       spindra --help | --version\n"
    "Torsional vibration analysis of shaft systems.  Opens the main window and,\n"
    "when MODEL.rtm is given, reads it as File > Open does.\n"
    "  -h, --help  print this help and exit\n"
    "  --version   print the version and exit\n"
    "  --          end of the options (for a model file whose name starts with -)\n"
    "Analysis without a window: spindra-calc --help.  Manual: man spindra\n";

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      return {CommandLine::Action::Help, {}, kHelp};
    }
    if (a == "--version") return {CommandLine::Action::Version, {}, version_text("spindra")};
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
