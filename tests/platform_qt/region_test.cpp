// The graphics region: pixels drawn through the library, read back, shown
// by the widget, and the mouse queries of its callback.
#include "tests/support/memory_window_library.h"
#include "tests/platform_qt/qt_test_support.h"

namespace spindra::testing {
namespace {

using qt::Canvas;
using qt::palette_colour;

struct Region {
  int32_t width = 40;
  int32_t height = 30;
  int32_t handle = 0;
  int32_t control = -1;
};

// The pieces of a window holding one region, all but the last.
Pieces region_pieces(Region& r, bool full_mouse) {
  return {
      {"%ca[Region]&", {}},
      {"%ob[no_border]&", {}},
      {full_mouse ? "%`^gr[full_mouse_input,white]%cb%cv&" : "%`^gr[white]%cb%cv&",
       {bind(r.width), bind(r.height), bind(r.handle), call(mouse), bind(r.control)}},
  };
}

// Region pixels as palette numbers along one row.
std::string row(const qt::QtWindowLibrary& lib, int handle, int y, int x0, int x1) {
  std::string s;
  for (int x = x0; x <= x1; ++x) {
    const int c = lib.pixel(handle, x, y);
    s += c < 0 ? '?' : "0123456789abcdef"[c];
  }
  return s;
}

TEST(Palette, StandardColours) {
  EXPECT_EQ(palette_colour(15), qRgb(255, 255, 255));
  EXPECT_EQ(palette_colour(0), qRgb(0, 0, 0));
  EXPECT_NE(palette_colour(1), palette_colour(2));
  EXPECT_NE(palette_colour(2), palette_colour(4));
  EXPECT_NE(palette_colour(1), palette_colour(4));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(qt::palette_index(palette_colour(i)), i);
}

// A one-pixel line sets its start and not its end, the same pixels in the
// region as in the in-memory library, and clips; with the end pixel set
// after it, as the display layer does, a complemented line changes each of
// its pixels exactly once.
TEST(CanvasDrawing, LinesLeaveTheirEndPixelToTheCaller) {
  const int lines[][4] = {{2, 6, 6, 6},   {6, 6, 2, 6},   {9, 0, 9, 0},
                          {0, 0, 4, 4},   {3, 9, 17, 1},  {17, 1, 3, 9},
                          {12, 0, 15, 9}, {15, 9, 12, 0}, {-5, 8, 25, 8}};
  for (const auto& l : lines) {
    Canvas c(1, 20, 10, {}, true);
    MemoryWindowLibrary memory(20, 10);
    c.line(l[0], l[1], l[2], l[3], 4, 1);
    memory.draw_line(l[0], l[1], l[2], l[3], 4);
    const std::string where = ::testing::PrintToString(l);
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 20; ++x) {
        ASSERT_EQ(qt::palette_index(c.image().pixel(x, y)), memory.pixel(x, y)) << where;
      }
    }
    if (l[2] >= 0 && l[2] < 20) {
      EXPECT_EQ(memory.pixel(l[2], l[3]), 15) << where;
    }
    const bool empty = l[0] == l[2] && l[1] == l[3];
    if (l[0] >= 0) {
      EXPECT_EQ(memory.pixel(l[0], l[1]), empty ? 15 : 4) << where;
    }
    if (l[0] < 0) {
      EXPECT_EQ(memory.count(4), 20) << where;  // clipped to the row
    }

    // The display layer's draw: the line, then its end pixel.
    c.clear();
    c.line(l[0], l[1], l[2], l[3], 4 + 32768, 1);
    c.pixel(l[2], l[3], 4 + 32768);
    memory.set_device_pixel(static_cast<int16_t>(l[2]), static_cast<int16_t>(l[3]), 4);
    const QRgb white = palette_colour(15) & 0xFFFFFF;
    const QRgb flipped = white ^ (palette_colour(4) & 0xFFFFFF);
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 20; ++x) {
        ASSERT_EQ(c.image().pixel(x, y) & 0xFFFFFF, memory.pixel(x, y) == 4 ? flipped : white)
            << where;
      }
    }
  }
}

TEST(CanvasDrawing, WideLinesRectanglesClearAndComplement) {
  Canvas c(1, 20, 20, {}, true);
  c.line(2, 10, 17, 10, 1, 3);
  auto at = [&c](int x, int y) { return qt::palette_index(c.image().pixel(x, y)); };
  EXPECT_EQ(at(8, 9), 1);
  EXPECT_EQ(at(8, 10), 1);
  EXPECT_EQ(at(8, 11), 1);
  EXPECT_EQ(at(8, 13), 15);

  c.fill(6, 4, 3, 2, 4);  // corners in any order, both included
  for (int y = 2; y <= 4; ++y) {
    for (int x = 3; x <= 6; ++x) EXPECT_EQ(at(x, y), 4);
  }
  EXPECT_EQ(at(7, 4), 15);
  EXPECT_EQ(at(3, 5), 15);
  c.fill(-10, -10, 1, 1, 2);  // clipped to the canvas
  EXPECT_EQ(at(0, 0), 2);
  EXPECT_EQ(at(1, 1), 2);

  // Complementing twice gives the pixel back.
  c.line(0, 15, 19, 15, 4 + 32768, 1);
  EXPECT_NE(at(5, 15), 15);
  c.line(0, 15, 19, 15, 4 + 32768, 1);
  EXPECT_EQ(at(5, 15), 15);
  c.pixel(3, 3, 1 + 32768);
  c.pixel(3, 3, 1 + 32768);
  EXPECT_EQ(at(3, 3), 4);

  c.clear();
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) ASSERT_EQ(at(x, y), 15);
  }
}

// Drawing before the window shows is kept; the widget paints the pixels.
TEST_F(QtLibraryTest, RegionKeepsWhatWasDrawnBeforeAndAfterShowing) {
  Region r;
  for (const auto& p : region_pieces(r, true)) lib->window_printf(p.text, p.args);
  ASSERT_NE(r.handle, 0);
  EXPECT_EQ(lib->selected_region(), r.handle);
  lib->select_graphics_object(r.handle);
  lib->set_line_width(1);
  lib->draw_line(0, 29, 39, 29, 1);  // bottom row
  lib->set_device_pixel(20, 0, 4);   // top row
  lib->fill_rectangle(5, 5, 9, 9, 2);
  EXPECT_EQ(row(*lib, r.handle, 29, 0, 3), "1111");
  EXPECT_EQ(row(*lib, r.handle, 0, 19, 21), "f4f");
  later([&, this] {
    QWidget* w = lib->region_widget(r.handle);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), QSize(40, 30));
    const QImage shown = w->grab().toImage();
    EXPECT_EQ(shown.pixel(0, 29) & 0xFFFFFF, palette_colour(1) & 0xFFFFFF);
    EXPECT_EQ(shown.pixel(20, 0) & 0xFFFFFF, palette_colour(4) & 0xFFFFFF);
    EXPECT_EQ(shown.pixel(7, 7) & 0xFFFFFF, palette_colour(2) & 0xFFFFFF);
    EXPECT_EQ(shown.pixel(30, 15) & 0xFFFFFF, palette_colour(15) & 0xFFFFFF);
    lib->clear_screen();
    EXPECT_EQ(row(*lib, r.handle, 29, 0, 3), "ffff");
    lib->draw_line(3, 3, 4, 3, 4);
    const QImage again = w->grab().toImage();
    EXPECT_EQ(again.pixel(0, 29) & 0xFFFFFF, palette_colour(15) & 0xFFFFFF);
    EXPECT_EQ(again.pixel(3, 3) & 0xFFFFFF, palette_colour(4) & 0xFFFFFF);
    top()->close();
  });
  lib->window_printf("%ww[no_border]", {});
  EXPECT_EQ(lib->region_widget(r.handle), nullptr);
  EXPECT_EQ(lib->selected_region(), 0);
  lib->draw_line(0, 0, 5, 5, 1);  // no region: drawing goes nowhere
}

TEST_F(QtLibraryTest, SelectionSwitchesBetweenRegions) {
  Region a;
  Region b;
  b.width = 10;
  b.height = 10;
  for (const auto& p : region_pieces(a, true)) lib->window_printf(p.text, p.args);
  WINDOW_PRINTF("%ob%`^gr[full_mouse_input]%cb%cv&",
                {bind(b.width), bind(b.height), bind(b.handle), call(mouse), bind(b.control)});
  ASSERT_NE(a.handle, b.handle);
  lib->select_graphics_object(b.handle);
  lib->set_device_pixel(1, 1, 4);
  lib->select_graphics_object(a.handle);
  lib->set_device_pixel(1, 1, 2);
  EXPECT_EQ(lib->pixel(b.handle, 1, 1), 4);
  EXPECT_EQ(lib->pixel(a.handle, 1, 1), 2);
  EXPECT_EQ(lib->pixel(b.handle, 10, 1), -1);  // outside
  // A handle already in use by an open region is a mistake.
  Region c;
  c.handle = a.handle;
  EXPECT_THROW(
      WINDOW_PRINTF("%ob%`^gr[full_mouse_input]%cb%cv&",
                    {bind(c.width), bind(c.height), bind(c.handle), call(mouse), bind(c.control)}),
      layout::LayoutError);
  later([this] { top()->close(); });
  Region d;
  for (const auto& p : region_pieces(d, false)) lib->window_printf(p.text, p.args);
  lib->window_printf("%ww", {});
}

TEST_F(QtLibraryTest, MouseEventsRunTheCallbackWithTheNamedQueries) {
  Region r;
  struct Reading {
    int flags, x, y, released;
    bool operator==(const Reading&) const = default;
  };
  std::vector<Reading> seen;
  hooks()["mouse"] = [&, this] {
    seen.push_back({lib->mouse_query("graphics_mouse_flags"), lib->mouse_query("graphics_mouse_x"),
                    lib->mouse_query("graphics_mouse_y"),
                    lib->mouse_query("graphics_mouse_released")});
  };
  later([&, this] {
    QWidget* w = lib->region_widget(r.handle);
    ASSERT_NE(w, nullptr);
    using Qt::LeftButton;
    using Qt::NoButton;
    using Qt::RightButton;
    mouse(w, QEvent::MouseButtonPress, {5, 7}, LeftButton, LeftButton, Qt::ShiftModifier);
    mouse(w, QEvent::MouseButtonRelease, {5, 7}, LeftButton, NoButton, Qt::ShiftModifier);
    mouse(w, QEvent::MouseButtonPress, {39, 0}, RightButton, RightButton, Qt::ControlModifier);
    mouse(w, QEvent::MouseButtonPress, {39, 29}, LeftButton, LeftButton | RightButton);
    // Moves and releases with a button still held report no button: a drag
    // is the one press that started it.
    mouse(w, QEvent::MouseMove, {12, 13}, NoButton, LeftButton | RightButton);
    mouse(w, QEvent::MouseButtonRelease, {12, 13}, RightButton, LeftButton);
    mouse(w, QEvent::MouseMove, {80, -4}, NoButton, NoButton);  // dragged outside
    top()->close();
  });
  for (const auto& p : region_pieces(r, true)) lib->window_printf(p.text, p.args);
  lib->window_printf("%ww", {});
  // Releases, and only they, say so: the end of a drag.
  const std::vector<Reading> expect = {{1 | 4, 5, 7, 0},   {4, 5, 7, 1},   {2 | 8, 39, 0, 0},
                                       {3, 39, 29, 0},     {0, 12, 13, 0}, {0, 12, 13, 1},
                                       {0, 39, 0, 0}};
  EXPECT_EQ(seen, expect);
  EXPECT_EQ(call_log().size(), expect.size());
}

TEST_F(QtLibraryTest, WithoutFullMouseInputOnlyButtonsAndDragsReport) {
  Region r;
  int calls = 0;
  hooks()["mouse"] = [&] { ++calls; };
  later([&, this] {
    QWidget* w = lib->region_widget(r.handle);
    mouse(w, QEvent::MouseMove, {3, 3}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(calls, 0);
    mouse(w, QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, {4, 3}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(calls, 2);
    top()->close();
  });
  for (const auto& p : region_pieces(r, false)) lib->window_printf(p.text, p.args);
  lib->window_printf("%ww", {});
}

TEST_F(QtLibraryTest, SystemQueries) {
  EXPECT_THROW(lib->mouse_query("graphics_mouse_z"), layout::LayoutError);
  const SystemFont f = lib->get_system_font();
  EXPECT_GT(f.height, 4);
  EXPECT_FALSE(f.name.empty());
  EXPECT_GT(lib->screen_width(), 0);
  EXPECT_GT(lib->screen_height(), 0);
  EXPECT_EQ(lib->line_width(), 1);
  lib->set_line_width(0);  // never below one pixel
  EXPECT_EQ(lib->line_width(), 1);
  lib->set_line_width(3);
  EXPECT_EQ(lib->line_width(), 3);
}

TEST_F(QtLibraryTest, ShowMessageIsModal) {
  later([] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Spindra");
    EXPECT_EQ(box->text(), "The model file has no node section.");
    box->accept();
  });
  lib->show_message("Spindra", "The model file has no node section.");
  EXPECT_EQ(lib->messages(), 1);
}

}  // namespace
}  // namespace spindra::testing
