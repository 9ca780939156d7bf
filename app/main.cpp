// Spindra: torsional vibration analysis of shaft systems.
#include <QApplication>
#include <cstdio>

#include "app/command_line.h"
#include "app/main_window.h"
#include "platform/qt/qt_window_library.h"

int main(int argc, char** argv) {
  using spindra::CommandLine;
  // --help and --version answer without a display, and a command line the
  // program cannot take is refused before the toolkit starts (which stops
  // the program at once when there is no display).
  const CommandLine early = spindra::parse_command_line(argc, argv, true);
  if (early.action == CommandLine::Action::Help || early.action == CommandLine::Action::Version) {
    std::fputs(early.message.c_str(), stdout);
    return 0;
  }
  if (early.action == CommandLine::Action::Refuse) {
    std::fputs(early.message.c_str(), stderr);
    return 2;
  }
  QApplication app(argc, argv);  // takes the toolkit's own options out of argv
  QApplication::setDesktopFileName(QStringLiteral("io.github.spindra.Spindra"));
  const CommandLine line = spindra::parse_command_line(argc, argv);
  if (line.action == CommandLine::Action::Refuse) {
    std::fputs(line.message.c_str(), stderr);
    return 2;
  }
  spindra::qt::QtWindowLibrary library;
  spindra::set_window_library(&library);
  const int status = spindra::run_main_window(line.model);
  spindra::set_window_library(nullptr);
  return status;
}
