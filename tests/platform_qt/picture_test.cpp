// Pictures and prints through Qt's paint devices: the model drawing as SVG
// holds one element per segment the drawing code draws, all on the page; a
// PDF picture and a printed report open as PDF with their page counts.
#include <QFile>
#include <QRegularExpression>
#include <filesystem>
#include <fstream>

#include "app/draw.h"
#include "app/picture.h"
#include "app/model/store.h"
#include "graphics/display/display.h"
#include "tests/support/memory_window_library.h"
#include "tests/platform_qt/qt_test_support.h"

namespace spindra {
namespace {

namespace fs = std::filesystem;

QString slurp(const fs::path& p) {
  QFile f(QString::fromStdString(p.string()));
  return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

class Pictures : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::application();
    initialise_store();
    dir_ = fs::temp_directory_path() / ("spindra-pictures-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    // Two inertias on a shaft, the first also grounded.
    NMASS = 2;
    MASSES(1).xy_node(1) = 100.0;
    MASSES(1).xy_node(2) = 100.0;
    MASSES(2).xy_node(1) = 150.0;
    MASSES(2).xy_node(2) = 100.0;
    NSTIF = 2;
    STIFF(1).nodes(1) = 1;
    STIFF(1).nodes(2) = 2;
    STIFF(2).nodes(1) = 1;
    STIFF(2).nodes(2) = 0;
    PREPARE_GRAPH_WINDOW(1);
    SET_WINDOWS_SIZE(0, 0, 297.0f, 210.0f, 0);
  }
  void TearDown() override {
    set_window_library(nullptr);
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(Pictures, SvgHoldsEverySegmentOnThePage) {
  MemoryWindowLibrary memory(10, 10);
  set_window_library(&memory);
  std::string message;
  ASSERT_TRUE(draw_on_page(PageKind::Svg, "unused.svg", IDRAW, &message));
  int dots = 0, segments = 0;
  for (const auto& l : memory.page_lines) ++(l.x1 == l.x2 && l.y1 == l.y2 ? dots : segments);
  ASSERT_GT(segments, 10);
  ASSERT_GT(dots, 1000);  // the grid

  qt::QtWindowLibrary qt_library;
  set_window_library(&qt_library);
  const fs::path svg = dir_ / "model.svg";
  ASSERT_TRUE(export_picture(svg.string(), IDRAW, &message)) << message;
  const QString text = slurp(svg);
  EXPECT_TRUE(text.contains("width=\"297mm\" height=\"210mm\"")) << text.left(300).toStdString();
  EXPECT_TRUE(text.contains("viewBox=\"0 0 1485 1050\""));
  // A segment is a polyline of two points, a dot (a segment of no length)
  // its square cap.
  const QRegularExpression polyline("<polyline[^>]*points=\"([-0-9.]+),([-0-9.]+) ([-0-9.]+),([-0-9.]+) \"");
  const QRegularExpression rect("<rect x=\"([-0-9.]+)\" y=\"([-0-9.]+)\"");
  int polylines = 0, rects = 0;
  for (auto it = polyline.globalMatch(text); it.hasNext(); ++polylines) {
    const auto m = it.next();
    for (int k : {1, 3}) EXPECT_TRUE(m.captured(k).toDouble() >= 0 && m.captured(k).toDouble() <= 1485);
    for (int k : {2, 4}) EXPECT_TRUE(m.captured(k).toDouble() >= 0 && m.captured(k).toDouble() <= 1050);
  }
  for (auto it = rect.globalMatch(text); it.hasNext(); ++rects) {
    const auto m = it.next();
    EXPECT_TRUE(m.captured(1).toDouble() >= -0.5 && m.captured(1).toDouble() <= 1485);
    EXPECT_TRUE(m.captured(2).toDouble() >= -0.5 && m.captured(2).toDouble() <= 1050);
  }
  EXPECT_EQ(polylines, segments);
  EXPECT_EQ(rects, dots);
  EXPECT_EQ(text.count("<polyline"), polylines);
  EXPECT_EQ(text.count("<rect"), rects);
}

TEST_F(Pictures, PdfPictureAndPrintedReportOpen) {
  qt::QtWindowLibrary qt_library;
  set_window_library(&qt_library);
  std::string message;
  const fs::path pdf = dir_ / "model.pdf";
  ASSERT_TRUE(export_picture(pdf.string(), IDRAW, &message)) << message;
  QString text = slurp(pdf);
  EXPECT_TRUE(text.startsWith("%PDF-1."));
  EXPECT_TRUE(text.contains("/Count 1"));

  // A report of three pages: the page-feed marks start the second and third.
  const fs::path lis = dir_ / "report.lis";
  std::ofstream(lis) << " Title\n\n  Mode    Frequency\n1\n\n page two\n1\n page three\n";
  const fs::path out = dir_ / "report.pdf";
  ASSERT_TRUE(qt_library.print_text_file(lis.string(), PageKind::Pdf, out.string(), &message))
      << message;
  text = slurp(out);
  EXPECT_TRUE(text.startsWith("%PDF-1."));
  EXPECT_TRUE(text.contains("/Count 3"));

  // Refusals say what and where.
  EXPECT_FALSE(export_picture((dir_ / "model.bmp").string(), IDRAW, &message));
  EXPECT_NE(message.find("svg, pdf or png"), std::string::npos);
  EXPECT_FALSE(export_picture((dir_ / "no" / "such.svg").string(), IDRAW, &message));
  EXPECT_NE(message.find("could not be created"), std::string::npos);
}

}  // namespace
}  // namespace spindra
