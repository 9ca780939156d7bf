// What the program relies on from the window library: layout-string windows
// and modal dialogs with bound variables and callbacks, refresh of a bound
// variable, the standard actions, the graphics region and its drawing
// operations, mouse queries, the system font and the screen size, and a modal
// message box.  This header is Qt-free; the Qt implementation lives in
// platform/qt and is installed at start-up with set_window_library().
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "text/fixed_text.h"
#include "text/table.h"

namespace spindra {

// A callback takes no arguments and returns 1 (menu items, buttons, fields,
// lists) or 2 (region mouse callbacks); either keeps the window open.
using Callback = int (*)();

// One value bound to a layout, in item order.
struct LayoutArg {
  enum class Kind {
    IntVar,     // int32_t* the window reads and writes
    RealVar,    // double*
    TextVar,    // char* of `width` blank-padded characters
    TextArray,  // `count` texts of `width` characters, one after the other
    Literal,    // a text passed by value: standard action names, filters, paths
    Call,       // one callback, or two run in order ("+" joined)
    IntValue,   // an integer passed by value (sizes)
    RealValue,  // a real passed by value
  };
  Kind kind = Kind::Literal;
  void* var = nullptr;
  int width = 0;
  int count = 0;
  std::string_view literal;
  Callback call = nullptr;
  Callback call2 = nullptr;
  int64_t ivalue = 0;
  double rvalue = 0.0;
};

inline LayoutArg bind(int32_t& v) { return {.kind = LayoutArg::Kind::IntVar, .var = &v}; }
inline LayoutArg bind(double& v) { return {.kind = LayoutArg::Kind::RealVar, .var = &v}; }
template <std::size_t N>
LayoutArg bind(FixedText<N>& t) {
  return {.kind = LayoutArg::Kind::TextVar, .var = t.data(), .width = static_cast<int>(N)};
}
template <std::size_t N, int Lo, int Hi>
LayoutArg bind(Table<FixedText<N>, Lo, Hi>& texts) {
  return {.kind = LayoutArg::Kind::TextArray,
          .var = texts.data()->data(),
          .width = static_cast<int>(N),
          .count = Hi - Lo + 1};
}
inline LayoutArg literal(std::string_view s) {
  return {.kind = LayoutArg::Kind::Literal, .literal = s};
}
inline LayoutArg call(Callback f) { return {.kind = LayoutArg::Kind::Call, .call = f}; }
inline LayoutArg joined(Callback first, Callback then) {
  return {.kind = LayoutArg::Kind::Call, .call = first, .call2 = then};
}
inline LayoutArg value(int64_t v) { return {.kind = LayoutArg::Kind::IntValue, .ivalue = v}; }
inline LayoutArg real_value(double v) {
  return {.kind = LayoutArg::Kind::RealValue, .rvalue = v};
}

// A page of the window library's printer: a picture file, chosen by the
// extension of its name (svg and pdf vector drawings, png pixels), or a sheet
// of the printer after the print dialog.
enum class PageKind { Svg, Pdf, Png, Printer };
// The kind of picture file a name asks for by its extension (any case);
// false when the extension is none of svg, pdf and png.
bool page_kind_of(std::string_view path, PageKind& kind);

// Pixels of a page: the kernel's printer device spans them on the 297 x
// 210 mm paper.
struct PageSize {
  int width = 0;
  int height = 0;
};

struct SystemFont {
  int height = 16;  // pixels
  std::string name;
};

class WindowLibrary {
 public:
  virtual ~WindowLibrary() = default;

  // Adds a layout piece to the window being built.  A piece ending in "&"
  // continues the window; the piece without it shows it.  A dialog returns 1
  // when its first (OK) button closed it and another value otherwise; the main
  // window's last piece returns when the window closes.
  virtual int window_printf(std::string_view layout, std::span<const LayoutArg> args) = 0;
  // Shows the new value of one bound variable (field, mark, grey state, list).
  virtual void window_update(const void* var) = 0;

  // Graphics region: drawing goes to the selected region; pixels are 16-bit,
  // origin top left, y down; colours are palette indices 0 to 15.
  virtual void select_graphics_object(int handle) = 0;
  // Brings the window holding the region `handle` in front of the others
  // and activates it; nothing when there is no such region.
  virtual void raise_region_window(int handle) {}
  virtual void clear_screen() = 0;
  // A line of the current width.  In a region a one-pixel line sets the
  // pixels from (x1, y1) up to but not including (x2, y2), those of
  // for_each_line_pixel (platform/line_pixels.h); a line to its own start
  // sets nothing.  The end pixel is the caller's: the display layer sets it
  // after each line, so a complemented line changes each of its pixels once.
  // A wider line, and any line on a page, is stroked by the toolkit's pen
  // and covers both end points.
  virtual void draw_line(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) = 0;
  virtual void set_device_pixel(int16_t x, int16_t y, int colour) = 0;
  virtual void fill_rectangle(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) = 0;
  virtual void set_line_width(int width) = 0;
  virtual void set_text_attribute(int style, double size, double a, double b) = 0;

  // Named mouse queries: "graphics_mouse_flags" (1 left, 2 right, 4 shift,
  // 8 control), "graphics_mouse_x", "graphics_mouse_y" (region pixels).  The
  // button bits are set only in the event in which a button went down; moves
  // (also with a button held) and releases report none.
  // "graphics_mouse_wheel": the steps the wheel turned with the control key
  // held, positive away from the user, in the event of that turn (which has
  // no button bits); 0 in every other event.  Without the control key the
  // wheel scrolls the region's picture as its scroll bars do.
  // "graphics_view_x", "graphics_view_y": the part of the region's picture
  // the region shows (see set_region_view).
  // "graphics_mouse_released" is 1 in the event in which a button went up
  // (the end of a drag) and 0 in every other.
  virtual int mouse_query(std::string_view name) = 0;

  // The picture of a graphics region may be larger than the region: it is
  // `width` x `height` pixels, and the region shows the part of it whose top
  // left corner is (x, y).  The region's scroll bars reach the whole
  // picture; when the user moves them to another part, the region's mouse
  // callback runs with the pointer where it last was and no button, and the
  // queries "graphics_view_x" and "graphics_view_y" give the part the
  // program is now to draw.  A picture no larger than the region (as until
  // this is called) scrolls only when the window is smaller than the region.
  virtual void set_region_view(int handle, int width, int height, int x, int y) = 0;

  virtual SystemFont get_system_font() = 0;
  virtual int screen_width() = 0;
  virtual int screen_height() = 0;

  // A modal message to the user (bad file, refused analysis, failed save).
  virtual void show_message(std::string_view caption, std::string_view text) = 0;

  // The printer: open_page starts a page (for Printer after the print
  // dialog; `path` names the file of the other kinds); until close_page the
  // drawing operations go to the page instead of the selected region.
  // page_size gives its pixels, origin top left, y down, as in a region.
  // close_page finishes the page and writes the file.  Both give false with a
  // message when the page cannot be made or written; a print dialog the user
  // cancels gives false with an empty message.
  virtual bool open_page(PageKind kind, std::string_view path, std::string* message) = 0;
  virtual PageSize page_size() = 0;
  virtual bool close_page(std::string* message) = 0;
  // Prints a plain-text report in a fixed-pitch font on landscape pages, 132
  // columns across, a new page at each page-feed mark (a line holding only
  // "1", or a form feed), to the printer (kind Printer, after the print
  // dialog) or to the PDF file `out` (kind Pdf).  False with a message as
  // for pages.
  virtual bool print_text_file(std::string_view file, PageKind kind, std::string_view out,
                               std::string* message) = 0;

  // The next window shown runs `check` before it closes through its "EXIT"
  // action or its frame, and before a "FILE_OPENR" action shows its file
  // dialog: 1 goes on, 0 leaves the window and everything else as it is.
  // nullptr: no check.
  virtual void set_close_check(Callback check) = 0;
  // The next window shown runs `check` when its OK button is pressed (its
  // first button that closes it rather than running a callback), after every
  // number field of the window has been read: 0 keeps the window open (the
  // check has said why, and may have selected a field with select_field),
  // anything else closes it with that button's number.  nullptr: no check.
  virtual void set_ok_check(Callback check) = 0;
  // Selects the text of the field bound to `var` in the newest window that
  // has one and gives it the focus, so the user can type over it.
  virtual void select_field(const void* var) = 0;
  // The standard file dialog on its own, over the active window (else the
  // newest) and with its filters, for reading or for writing: writes the chosen path into the
  // blank-padded path[0..width) and returns true; false when it was
  // cancelled or the path does not fit (then nothing is written).
  virtual bool choose_file(bool for_writing, char* path, int width) = 0;
  // The same dialog offering only the window's file filter named `filter`
  // (so a picture dialog offers and writes only picture types).
  virtual bool choose_file_of(std::string_view filter, bool for_writing, char* path, int width) {
    (void)filter;
    return choose_file(for_writing, path, width);
  }
};

// The window library every part of the program talks to.  Until one is
// installed, a headless stand-in answers (see NullWindowLibrary).
WindowLibrary& window_library();
void set_window_library(WindowLibrary* library);  // nullptr restores the stand-in

// How the program changes a file name before it writes the file: `file` is a
// blank-padded field of `width` characters, changed in place to carry the
// extension `ext` (no dot); `mode` 0 forces it.  A save dialog applies it to
// the name typed (with the extension of the window's first filter) so that it
// asks before replacing the file that will really be written.  Without a
// rule the name typed is the name written.
using FileNameRule = void (*)(char* file, int width, std::string_view ext, int mode);
void set_save_name_rule(FileNameRule rule);
FileNameRule save_name_rule();

// The operations under the names the program uses.
int WINDOW_PRINTF(std::string_view layout, std::initializer_list<LayoutArg> args = {});
void WINDOW_UPDATE(const void* var);
template <std::size_t N>
void WINDOW_UPDATE(const FixedText<N>& t) {
  WINDOW_UPDATE(static_cast<const void*>(t.data()));
}
template <std::size_t N, int Lo, int Hi>
void WINDOW_UPDATE(const Table<FixedText<N>, Lo, Hi>& texts) {
  WINDOW_UPDATE(static_cast<const void*>(texts.data()->data()));
}
inline void WINDOW_UPDATE(const int32_t& v) { WINDOW_UPDATE(static_cast<const void*>(&v)); }
inline void WINDOW_UPDATE(const double& v) { WINDOW_UPDATE(static_cast<const void*>(&v)); }

// Headless stand-in: no windows; layouts return `next_dialog_result`, drawing
// goes nowhere, messages are kept so that tests and the batch command can
// read them.
namespace layout {
class LayoutParser;
}

class NullWindowLibrary : public WindowLibrary {
 public:
  int window_printf(std::string_view layout, std::span<const LayoutArg> args) override;
  void window_update(const void* var) override;
  void select_graphics_object(int handle) override {}
  void clear_screen() override {}
  void draw_line(int16_t, int16_t, int16_t, int16_t, int) override {}
  void set_device_pixel(int16_t, int16_t, int) override {}
  void fill_rectangle(int16_t, int16_t, int16_t, int16_t, int) override {}
  void set_line_width(int) override {}
  void set_text_attribute(int, double, double, double) override {}
  int mouse_query(std::string_view) override { return 0; }
  void set_region_view(int, int, int, int, int) override {}
  SystemFont get_system_font() override { return {16, "Arial"}; }
  int screen_width() override { return 1280; }
  int screen_height() override { return 1024; }
  void show_message(std::string_view caption, std::string_view text) override;
  // No printer: pages and printing are refused with a message.
  bool open_page(PageKind kind, std::string_view path, std::string* message) override;
  PageSize page_size() override { return {}; }
  bool close_page(std::string* message) override { return true; }
  bool print_text_file(std::string_view file, PageKind kind, std::string_view out,
                       std::string* message) override;

  void set_close_check(Callback check) override { close_check = check; }
  // A dialog closed with its OK button (ok_button, the number of the first
  // button without a callback of the window just completed) runs the OK
  // check; when it refuses, the dialog gives the number after it, as if the
  // user then gave up with Cancel.
  void set_ok_check(Callback check) override { ok_check = check; }
  void select_field(const void* var) override { selected_field = var; }
  // Answers with `next_file`; an empty one is a cancelled dialog.
  bool choose_file(bool for_writing, char* path, int width) override;

  int next_dialog_result = 2;
  int ok_button = 1;
  Callback close_check = nullptr;
  Callback ok_check = nullptr;
  const void* selected_field = nullptr;
  int ok_refusals = 0;
  std::string next_file;
  int file_dialogs = 0;
  int layouts = 0;
  int updates = 0;
  std::string last_caption;
  std::string last_message;
  int messages = 0;
  bool echo_messages = false;  // also print messages on standard error

 private:
  std::shared_ptr<layout::LayoutParser> building_;  // the window being built
};

}  // namespace spindra
