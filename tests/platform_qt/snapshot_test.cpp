// Each window of the program rendered offscreen: it has a sensible size and,
// with SPINDRA_SNAPSHOT_DIR set, is saved as a PNG for a reader to look at.
#include <QPushButton>

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
  shoot("about", 1);
  build(*lib, about_box());
  shoot("create_inertia", 2);
  build(*lib, inertia_dialog(v, "%ca[Create Inertia]%bg[grey]&"));
  shoot("create_stiffness", 2);
  build(*lib, stiffness_dialog(v, "%ca[Create Stiffness]%bg[grey]&", true));
  shoot("inertia_units", 2);
  build(*lib, inertia_units_dialog(v));
  for (int j = 1; j <= 6; ++j) {
    v.cylno(j) = FixedText<5>(std::string("  ") + char('0' + j) + " ");
    v.firang1(j) = "120.0";
    v.firang2(j) = "480.0";
  }
  shoot("create_engine", 2);
  build(*lib, engine_dialog(v));
  shoot("warning", 2);
  build(*lib, warning_same_engine());
  v.freqs(1) = "  1234.5";
  v.freqs(2) = "  5678.9";
  v.icurrent_freq = 1;
  v.reason = "Create node: pick a position";
  shoot("main_window", 0);
  build(*lib, main_window(v));
}

}  // namespace
}  // namespace spindra::testing
