// A scripted in-memory window library for the editing tests: it records each
// window the program builds (its pieces and bound values) and, when the last
// piece of a window arrives, hands the window to the next scripted user
// action, which may set the bound values a user would type, press a button
// that runs a callback, and return the button that closes the window.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/canvas.h"
#include "app/dialogs.h"
#include "app/draw.h"
#include "app/engine_dialog.h"
#include "app/main_window.h"
#include "app/model/store.h"
#include "app/view.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "tests/support/memory_window_library.h"

namespace spindra::editing_test {

// One window the program built.
struct Window {
  std::vector<MemoryWindowLibrary::Piece> pieces;

  // The first piece whose layout contains `text`.
  const MemoryWindowLibrary::Piece& piece(std::string_view text) const {
    for (const auto& p : pieces) {
      if (p.layout.find(text) != std::string::npos) return p;
    }
    ADD_FAILURE() << "no piece containing \"" << text << "\" in window " << caption();
    static MemoryWindowLibrary::Piece none;
    return none;
  }
  bool has(std::string_view text) const {
    for (const auto& p : pieces) {
      if (p.layout.find(text) != std::string::npos) return true;
    }
    return false;
  }
  // The n-th bound variable (0-based, counting variables only) of the piece;
  // a variable of another kind than `kind` is a test error.
  void* var(std::string_view text, int n, LayoutArg::Kind kind) const {
    int k = 0;
    for (const auto& a : piece(text).args) {
      const bool variable =
          a.kind == LayoutArg::Kind::IntVar || a.kind == LayoutArg::Kind::RealVar ||
          a.kind == LayoutArg::Kind::TextVar || a.kind == LayoutArg::Kind::TextArray;
      if (variable && k++ == n) {
        if (a.kind == kind) return a.var;
        ADD_FAILURE() << "variable " << n << " of \"" << text << "\" is of another kind";
        break;
      }
    }
    ADD_FAILURE() << "piece \"" << text << "\" has no such variable " << n;
    static double dummy[64];
    return dummy;
  }
  double& real(std::string_view text, int n = 0) const {
    return *static_cast<double*>(var(text, n, LayoutArg::Kind::RealVar));
  }
  int32_t& integer(std::string_view text, int n = 0) const {
    return *static_cast<int32_t*>(var(text, n, LayoutArg::Kind::IntVar));
  }
  std::string text(std::string_view text, int n = 0) const {
    const auto& p = piece(text);
    int k = 0;
    for (const auto& a : p.args) {
      if (a.kind == LayoutArg::Kind::IntVar || a.kind == LayoutArg::Kind::RealVar ||
          a.kind == LayoutArg::Kind::TextVar || a.kind == LayoutArg::Kind::TextArray) {
        if (k++ == n) return std::string(static_cast<const char*>(a.var), a.width);
      }
    }
    return {};
  }
  void set_text(std::string_view piece_text, std::string_view value, int n = 0) const {
    char* t = static_cast<char*>(var(piece_text, n, LayoutArg::Kind::TextVar));
    int width = 0;
    for (const auto& a : piece(piece_text).args) {
      if (a.var == t) width = a.width;
    }
    for (int i = 0; i < width; ++i) t[i] = i < static_cast<int>(value.size()) ? value[i] : ' ';
  }
  std::string caption() const { return pieces.empty() ? "" : pieces.front().layout; }
};

class ScriptedLibrary : public MemoryWindowLibrary {
 public:
  using Action = std::function<int(const Window&)>;
  ScriptedLibrary(int w, int h) : MemoryWindowLibrary(w, h) {}

  // The window's OK check runs when an action returns the number of its OK
  // button; when it refuses, the window stays open for the next action.
  int window_printf(std::string_view layout, std::span<const LayoutArg> args) override {
    const bool completes = layout.empty() || layout.back() != '&';
    const Callback check = completes ? ok_check : nullptr;
    if (completes) ok_check = nullptr;
    MemoryWindowLibrary::window_printf(layout, args);
    building_.pieces.push_back(pieces.back());
    if (!completes) return 0;
    Window w = std::move(building_);
    building_ = {};
    windows.push_back(w);
    int result = 2;
    do {
      if (actions.empty()) {
        ADD_FAILURE() << "a window opened (or stayed open) that the test did not expect: "
                      << w.caption() << " " << last_message;
        return 2;
      }
      Action a = std::move(actions.front());
      actions.pop_front();
      result = a(w);
    } while (result == ok_button && check && check() == 0 && ++ok_refusals > 0);
    return result;
  }
  // Forgets the pieces of a window still being built (the main window's
  // region, added by the set-up).
  void drop_open_window() { building_ = {}; }

  std::deque<Action> actions;
  std::vector<Window> windows;

 private:
  Window building_;
};

// Region of 594 x 420 pixels on the 297 x 210 mm paper: 2 pixels a millimetre.
class EditingTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 594;
  static constexpr int kHeight = 420;

  void SetUp() override {
    set_window_library(&lib);
    initialise_store();
    reset_view();
    dialog_buffers() = DialogBuffers{};
    open_graphics_region(kWidth, kHeight);
    lib.drop_open_window();
    window_callback1 = WINDOW_CALLBACK1;
    IDRAW();
  }
  void TearDown() override {
    EXPECT_TRUE(lib.actions.empty()) << lib.actions.size() << " scripted windows never opened";
    set_window_library(nullptr);
  }

  // Region pixel (origin top left) of a paper point.
  void pixel_of(float x, float y, int& px, int& py) const {
    int32_t ix = 0, iy = 0;
    CURGSL(x, y, ix, iy);
    px = ix;
    py = display::IVSIZE - iy;
  }
  int colour_at(float x, float y) const {
    int px, py;
    pixel_of(x, y, px, py);
    return lib.pixel(px, py);
  }
  // One mouse event at paper point (x, y): flags 0 move, 1 left, 2 right.
  void mouse(float x, float y, int flags) {
    int px, py;
    pixel_of(x, y, px, py);
    lib.mouse_x = px;
    lib.mouse_y = py;
    lib.mouse_flags = flags;
    EXPECT_EQ(window_callback1(), 2);
    lib.mouse_flags = 0;
  }
  // A click as the user makes it: the pointer moves there, then presses.
  void click(float x, float y, int flags = 1) {
    mouse(x, y, 0);
    mouse(x, y, flags);
  }
  // Puts node n at (x, y) without the dialog.
  static void put_node(int n, double x, double y, double amass = 10.0) {
    NODE& node = MASSES(n);
    node = BLANK_MASS;
    node.xy_node(1) = x;
    node.xy_node(2) = y;
    node.amass = amass;
    if (NMASS < n) NMASS = n;
  }
  static void put_stiff(int n, int p, int q, double k = 1.0e6) {
    STIFFNESS& s = STIFF(n);
    s = BLANK_STIFF;
    s.nodes(1) = p;
    s.nodes(2) = q;
    s.stiff = k;
    if (NSTIF < n) NSTIF = n;
  }
  // The next window opened gets this action.
  void then(ScriptedLibrary::Action a) { lib.actions.push_back(std::move(a)); }
  void then_cancel() {
    then([](const Window&) { return 2; });
  }
  void then_ok() {
    then([](const Window&) { return 1; });
  }

  ScriptedLibrary lib{kWidth, kHeight};
};

}  // namespace spindra::editing_test
