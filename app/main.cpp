// Spindra: torsional vibration analysis of shaft systems.
#include <QApplication>

#include "app/main_window.h"
#include "platform/qt/qt_window_library.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  spindra::qt::QtWindowLibrary library;
  spindra::set_window_library(&library);
  const int status = spindra::run_main_window();
  spindra::set_window_library(nullptr);
  return status;
}
