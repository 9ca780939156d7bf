// Each window of the program rendered offscreen: it has a sensible size and,
// with SPINDRA_SNAPSHOT_DIR set, is saved as a PNG for a reader to look at.
#include <QPushButton>

#include "tests/platform/program_windows.h"
#include "tests/platform_qt/qt_test_support.h"

namespace spindra::testing {
namespace {

void snapshot(QWidget* w, const char* name) {
  ASSERT_NE(w, nullptr);
  w->adjustSize();
  const QImage image = w->grab().toImage();
  EXPECT_GT(image.width(), 100) << name;
  EXPECT_GT(image.height(), 40) << name;
  const QByteArray dir = qgetenv("SPINDRA_SNAPSHOT_DIR");
  if (!dir.isEmpty()) image.save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

TEST_F(QtLibraryTest, EveryWindowRenders) {
  Vars v;
  auto shoot = [this](const char* name, int close_with) {
    later([this, name, close_with] {
      snapshot(top(), name);
      if (close_with > 0) {
        top()->findChild<QPushButton*>(QStringLiteral("button%1").arg(close_with))->click();
      } else {
        top()->close();
      }
    });
  };
  // The dialogs as the program builds them.
  for (const RecordedWindow& w : record_program_windows()) {
    const layout::WindowDescription d = layout::parse_window(w.pieces());
    if (d.ordinary_window) continue;
    shoot(d.caption.c_str(), 0);
    build(*lib, w.pieces());
  }
  v.freqs(1) = "  1234.5";
  v.freqs(2) = "  5678.9";
  v.icurrent_freq = 1;
  v.reason = "Create node: pick a position";
  shoot("main_window", 0);
  build(*lib, main_window(v));
}

}  // namespace
}  // namespace spindra::testing
