// Spindra: torsional vibration analysis of shaft systems.
#include <QApplication>
#include <QLabel>

#include "app/model/store.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  spindra::initialise_store();
  // The main window is still being built; until then the program shows a
  // placeholder so that the start command can be tried end to end.
  QLabel placeholder("Spindra - the main window is not built yet.\n"
                     "Use spindra-calc MODEL.rtm to analyse a model.");
  placeholder.setWindowTitle(QString::fromLatin1(spindra::BANNER.str().c_str()));
  placeholder.setMargin(40);
  placeholder.show();
  return app.exec();
}
