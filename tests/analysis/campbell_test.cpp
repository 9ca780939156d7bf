// The Campbell diagram of a two-inertia model with one two-cylinder engine,
// drawn on a page of the in-memory window library: every crossing sits at
// speed = frequency / order on its mode line, and the circles grow with the
// vector sums the list file prints.
#include <cmath>
#include <map>
#include <sstream>

#include "analysis/campbell.h"
#include "app/campbell_window.h"
#include "app/main_window.h"
#include "app/picture.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "tests/support/memory_window_library.h"
#include "tests/analysis/analysis_fixture.h"

namespace spindra {
namespace {

// Order lines of the list file: order -> (speed, vector sum).
std::map<double, std::pair<double, double>> order_lines(const std::vector<std::string>& lines,
                                                        double& frequency) {
  std::map<double, std::pair<double, double>> orders;
  for (const std::string& line : lines) {
    const std::size_t at = line.find("Frequency = ");
    if (at != std::string::npos) frequency = std::stod(line.substr(at + 12, 10));
    if (line.size() == 60 && line.compare(0, 20, std::string(20, ' ')) == 0) {
      std::istringstream in(line);
      double order = 0, speed = 0, vecsum = 0, phase = 0;
      if (in >> order >> speed >> vecsum >> phase) orders[order] = {speed, vecsum};
    }
  }
  return orders;
}

using Campbell = testing::AnalysisTest;

struct Circle {
  double x = 0, y = 0, r = 0;  // page pixels
};

TEST_F(Campbell, CampbellCrossingsFollowTheListFile) {
  const std::string lis = use_model_name("twin");
  inertia(1, 1.0);
  inertia(2, 3.0);
  shaft(1, 2, 1.0e6);
  engine(1, {1, 2}, 4, 1);  // cylinders on inertias 1 and 2, firing 360 degrees apart
  ORDMIN = 0.5;
  ORDMAX = 3.0;
  ORDSTEP = 0.5;
  std::string message;
  ASSERT_TRUE(run_frequency_analysis(&message)) << message;
  double frequency = 0;
  const auto orders = order_lines(read_lines(lis), frequency);
  ASSERT_EQ(orders.size(), 6u);
  ASSERT_EQ(NCROSS, 6);
  double largest = 0;
  for (const auto& [order, line] : orders) largest = std::max(largest, line.second);

  MemoryWindowLibrary lib(10, 10);
  set_window_library(&lib);
  PREPARE_GRAPH_WINDOW(2);
  SET_WINDOWS_SIZE(0, 0, 297.0f, 210.0f, 0);
  reset_campbell_ranges();
  ASSERT_TRUE(draw_on_page(PageKind::Svg, "unused.svg", DRAW_CAMPBELL, &message)) << message;
  set_window_library(nullptr);

  // The plot frame (pen 0, the longest horizontal line), the mode line
  // (pen 2) and the circles (pen 4, runs of 36 segments).
  int left = 1 << 30, right = -1, mode_y = -1;
  std::vector<Circle> circles;
  const auto& lines = lib.page_lines;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto& l = lines[i];
    if (l.colour == 0 && l.y1 == l.y2 && std::abs(l.x2 - l.x1) > 1000) {
      left = std::min({left, l.x1, l.x2});
      right = std::max({right, l.x1, l.x2});
    }
    if (l.colour == 2 && l.y1 == l.y2 && std::abs(l.x2 - l.x1) > 1000) mode_y = l.y1;
    if (l.colour == 4 && i + 36 <= lines.size()) {
      Circle c;
      double lo_x = 1e9, hi_x = -1e9;
      for (std::size_t k = i; k < i + 36; ++k) {
        c.x += lines[k].x2 / 36.0;
        c.y += lines[k].y2 / 36.0;
        lo_x = std::min(lo_x, double(lines[k].x2));
        hi_x = std::max(hi_x, double(lines[k].x2));
      }
      c.r = (hi_x - lo_x) / 2.0;
      circles.push_back(c);
      i += 35;
    }
  }
  ASSERT_GT(right, left);
  ASSERT_GE(mode_y, 0);
  ASSERT_EQ(circles.size(), orders.size());
  const double px_per_mm = 1485.0 / 297.0;
  std::size_t n = 0;
  for (const auto& [order, line] : orders) {
    const Circle& c = circles[n++];
    EXPECT_NEAR(line.first, frequency / order, 0.01);
    const double x = left + (frequency / order - SPEED_FROM) / (SPEED_TO - SPEED_FROM) * (right - left);
    EXPECT_NEAR(c.x, x, 1.0) << "order " << order;
    EXPECT_NEAR(c.y, mode_y, 1.0) << "order " << order;
    const double relative = (c.r / px_per_mm - kCircleMin) / kCircleGrowth;
    EXPECT_NEAR(relative, line.second / largest, 0.03) << "order " << order;
  }

  // A title of the full 80 characters fits the paper: no line is cut at its
  // edges.
  TITLE = std::string(80, 'W');
  set_window_library(&lib);
  ASSERT_TRUE(draw_on_page(PageKind::Svg, "unused.svg", DRAW_CAMPBELL, &message)) << message;
  set_window_library(nullptr);
  int leftmost = 1 << 30, rightmost = -1;
  for (const auto& l : lib.page_lines) {
    leftmost = std::min({leftmost, l.x1, l.x2});
    rightmost = std::max({rightmost, l.x1, l.x2});
  }
  EXPECT_GT(leftmost, 0);
  EXPECT_LT(rightmost, 1484);
}

// The callback bound by the layout piece that holds `text`.
Callback callback_of_piece(const MemoryWindowLibrary& lib, std::string_view text) {
  for (const auto& piece : lib.pieces) {
    if (piece.layout.find(text) == std::string::npos) continue;
    for (const LayoutArg& a : piece.args)
      if (a.kind == LayoutArg::Kind::Call) return a.call;
  }
  return nullptr;
}

TEST_F(Campbell, WindowShowsTheCrossingUnderTheMouse) {
  use_model_name("twin");
  inertia(1, 1.0);
  inertia(2, 3.0);
  shaft(1, 2, 1.0e6);
  engine(1, {1, 2}, 4, 1);
  std::string message;
  ASSERT_TRUE(run_frequency_analysis(&message)) << message;
  MemoryWindowLibrary lib(1600, 1200);  // a canvas larger than the region
  set_window_library(&lib);
  EXPECT_EQ(CAMPBELL_DIAGRAM(), 1);
  ASSERT_TRUE(graph_window_open(2));
  callback_of_piece(lib, "%sc")();  // the window shows: drawn once

  const int w = gsl::IQMX(25), h = gsl::IQMY(25);
  EXPECT_NEAR(double(w) / h, 297.0 / 210.0, 0.01);  // round circles
  const CROSSING& c = CROSSINGS(2);
  lib.mouse_x = static_cast<int>(std::lround(campbell_x(c.speed) * w / 297.0));
  lib.mouse_y = h - 1 - static_cast<int>(std::lround(campbell_y(c.freq) * h / 210.0));
  ASSERT_NE(window_callback2, nullptr);
  EXPECT_EQ(window_callback2(), 2);
  char expected[80];
  std::snprintf(expected, sizeof expected, "order 2.0: %.2f rev/min, vector sum %.5f", c.speed,
                c.vecsum);
  EXPECT_NE(CAMPBELL_STATUS.str().find(expected), std::string::npos) << CAMPBELL_STATUS.str();

  // A speed range that is no range is refused in the status line.
  SPEED_TO = SPEED_FROM;
  callback_of_piece(lib, "Speed from")();
  EXPECT_NE(CAMPBELL_STATUS.str().find("needs 0 <= from < to"), std::string::npos);
  EXPECT_GT(SPEED_TO, SPEED_FROM);

  // A model with a rated speed opens on 0 to 1.2 times it, its operating
  // range (the start of the sweep to 1.05 times rated) marked by a yellow
  // bar under the speed axis only.
  forced_sweep = ForcedSweep{200.0, 1300.0, 5.0, 1000.0, 0.02};
  EXPECT_EQ(CAMPBELL_DIAGRAM(), 1);
  EXPECT_EQ(SPEED_FROM, 0.0);
  EXPECT_DOUBLE_EQ(SPEED_TO, 1200.0);
  EXPECT_EQ(OPER_FROM, 200.0);
  EXPECT_DOUBLE_EQ(OPER_TO, 1050.0);
  const auto pixel_at = [&](double speed, float y) {
    return lib.pixel(static_cast<int>(std::lround(campbell_x(speed) * w / 297.0)),
                     h - 1 - static_cast<int>(std::lround(y * h / 210.0)));
  };
  EXPECT_EQ(pixel_at(630.0, kCampbellBottom - 0.5f), 14);
  EXPECT_NE(pixel_at(630.0, (kCampbellBottom + kCampbellTop) / 2.0f), 14);
  EXPECT_NE(pixel_at(1100.0, kCampbellBottom - 0.5f), 14);
  forced_sweep = ForcedSweep{};

  // A new analysis redraws the open diagram and forgets the old crossing.
  const int lines = lib.lines;
  STIFF(1).stiff *= 4.0;
  EXPECT_EQ(PROG10(), 1);
  EXPECT_GT(lib.lines, lines);
  EXPECT_TRUE(CAMPBELL_STATUS.is_blank());
  set_window_library(nullptr);
  display::IWINDOW_CONTROL2 = 0;  // the window is gone with its library
}

TEST_F(Campbell, CampbellRefusedWithoutResults) {
  NullWindowLibrary null;
  set_window_library(&null);
  EXPECT_EQ(CAMPBELL_DIAGRAM(), 1);
  EXPECT_EQ(null.messages, 1);
  set_window_library(nullptr);
  std::string message;
  EXPECT_FALSE(campbell_available(&message));
  EXPECT_NE(message.find("Calculate > Frequencies"), std::string::npos);
  EXPECT_EQ(round_step(30000.0, 8), 5000.0);
  EXPECT_EQ(round_step(1000.0, 5), 200.0);
  EXPECT_EQ(round_up(26200.0, 5000.0), 30000.0);
}

}  // namespace
}  // namespace spindra
