#include "app/command_line.h"

#include <algorithm>
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

// The window toolkit's own options, which it takes out of the command line
// when it starts: the number of arguments each takes after its name (with
// one or two dashes, or with "=value" attached).
struct ToolkitOption {
  std::string_view name;
  int values;
};
constexpr ToolkitOption kToolkitOptions[] = {
    {"platform", 1},    {"platformpluginpath", 1}, {"platformtheme", 1}, {"plugin", 1},
    {"qwindowgeometry", 1}, {"geometry", 1},       {"qwindowtitle", 1},  {"title", 1},
    {"qwindowicon", 1}, {"icon", 1},               {"session", 1},       {"display", 1},
    {"name", 1},        {"style", 1},              {"stylesheet", 1},    {"qmljsdebugger", 1},
    {"reverse", 0},     {"widgetcount", 0},        {"nograb", 0},        {"dograb", 0},
    {"visual", 1},      {"testability", 0},
};

// The arguments a toolkit option at argv[i] takes up (itself included), 0
// when it is none, or -1 when its value is missing (the toolkit would stop
// the program on it).
int toolkit_option_length(int argc, const char* const* argv, int i) {
  std::string_view a = argv[i];
  if (a.size() < 2 || a.front() != '-') return 0;
  a.remove_prefix(a.substr(0, 2) == "--" ? 2 : 1);
  const std::size_t equals = a.find('=');
  const bool attached = equals != std::string_view::npos;
  if (attached) a = a.substr(0, equals);
  for (const ToolkitOption& o : kToolkitOptions) {
    if (o.name != a) continue;
    if (attached || o.values == 0) return 1;
    return 1 + o.values <= argc - i ? 1 + o.values : -1;
  }
  return 0;
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv, bool toolkit_options) {
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
    const int toolkit = options && toolkit_options ? toolkit_option_length(argc, argv, i) : 0;
    if (toolkit < 0) {
      line.action = CommandLine::Action::Refuse;
      line.message = "spindra: the option " + std::string(a) + " needs a value\n";
      return line;
    } else if (toolkit > 0) {
      i += toolkit - 1;
    } else if (options && a == "--") {
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
