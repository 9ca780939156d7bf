#include <QApplication>
#include <memory>

#include "platform/headless.h"
#include "platform/qt/qt_window_library.h"

namespace spindra {

namespace {
// The toolkit keeps the arguments it was started with for its whole life.
int headless_argc = 3;
char headless_name[] = "spindra-calc";
char headless_option[] = "-platform";
char headless_platform[] = "offscreen";
char* headless_argv[] = {headless_name, headless_option, headless_platform, nullptr};

std::unique_ptr<QApplication> application;
QtMessageHandler previous_handler = nullptr;

// The toolkit's remark about a missing runtime folder means nothing to a
// batch run that writes only the files it is asked for.
void quiet_handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:"))) return;
  if (previous_handler) previous_handler(type, context, text);
}
std::unique_ptr<qt::QtWindowLibrary> library;
}  // namespace

bool start_headless_window_library() {
  if (!library) {
    previous_handler = qInstallMessageHandler(quiet_handler);
    if (!QCoreApplication::instance())
      application = std::make_unique<QApplication>(headless_argc, headless_argv);
    library = std::make_unique<qt::QtWindowLibrary>();
  }
  set_window_library(library.get());
  return true;
}

void stop_headless_window_library() {
  set_window_library(nullptr);
  library.reset();
  application.reset();
  qInstallMessageHandler(previous_handler);
}

}  // namespace spindra
