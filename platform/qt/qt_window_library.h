// The window library on Qt 6 Widgets: windows and modal dialogs built from
// layout descriptions (platform/layout.h), bound variables and callbacks,
// refresh, the standard actions, graphics regions, mouse queries, the system
// font, the screen size and message boxes.  A QApplication must exist before
// one is made.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPointer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/layout.h"
#include "platform/qt/graphics_region.h"
#include "platform/qt/page_device.h"
#include "platform/window_library.h"

class QWidget;
class QEventLoop;
class QPrinter;

namespace spindra::qt {

class LayoutWindow;

class QtWindowLibrary : public WindowLibrary {
 public:
  QtWindowLibrary();
  ~QtWindowLibrary() override;
  QtWindowLibrary(const QtWindowLibrary&) = delete;
  QtWindowLibrary& operator=(const QtWindowLibrary&) = delete;

  int window_printf(std::string_view layout, std::span<const LayoutArg> args) override;
  void window_update(const void* var) override;
  void select_graphics_object(int handle) override;
  void clear_screen() override;
  void draw_line(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) override;
  void set_device_pixel(int16_t x, int16_t y, int colour) override;
  void fill_rectangle(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) override;
  void set_line_width(int width) override;
  void set_text_attribute(int style, double size, double a, double b) override {}
  int mouse_query(std::string_view name) override;
  void set_region_view(int handle, int width, int height, int x, int y) override;
  SystemFont get_system_font() override;
  int screen_width() override;
  int screen_height() override;
  void show_message(std::string_view caption, std::string_view text) override;
  bool open_page(PageKind kind, std::string_view path, std::string* message) override;
  PageSize page_size() override;
  bool close_page(std::string* message) override;
  bool print_text_file(std::string_view file, PageKind kind, std::string_view out,
                       std::string* message) override;

  void set_close_check(Callback check) override { close_check_ = check; }
  void set_ok_check(Callback check) override { ok_check_ = check; }
  void select_field(const void* var) override;
  bool choose_file(bool for_writing, char* path, int width) override;
  bool choose_file_of(std::string_view filter, bool for_writing, char* path, int width) override;

  // Reading back, for tests and checks.
  // Palette index of a region pixel; -1 outside the region or for a colour
  // that is not in the palette (complemented pixels).
  int pixel(int handle, int x, int y) const;
  QImage region_image(int handle) const;
  QWidget* region_widget(int handle) const;
  void raise_region_window(int handle) override;
  int selected_region() const;
  int line_width() const { return line_width_; }
  // The newest open window, and the newest control bound to a variable.
  QWidget* top_window() const;
  QWidget* control_for(const void* var) const;
  int messages() const { return messages_; }
  const std::string& last_message() const { return last_message_; }

  // Used by the windows.
  void run(const layout::Action& action);
  int event_loops() const { return loops_; }
  void enter_loop() { ++loops_; }
  void leave_loop() { --loops_; }
  void window_closed(LayoutWindow* w);
  void refresh_except(const void* var, const QObject* except);
  static void mouse_sink(void* self, Canvas& canvas, const MouseState& state);
  // The window icon of a resource name ("icon_1"); a null icon when there is
  // none of that name.
  static QIcon icon(const std::string& name);

 private:
  void create_regions(std::size_t first_item);
  void drop_building_regions();
  int show(layout::WindowDescription desc);
  void start(LayoutWindow* w);
  static void centre_over(QWidget* dialog, const QWidget* beneath);
  Canvas* canvas(int handle) const;
  // The printer after its dialog; nullptr when the user cancelled.
  QPrinter* choose_printer();

  layout::LayoutParser parser_;
  std::map<int, std::unique_ptr<Canvas>> canvases_;
  std::vector<int> building_;  // regions of the window being built
  Canvas* current_ = nullptr;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<Page> page_;  // the open page: drawing goes there
  int line_width_ = 1;
  MouseState mouse_;
  int mouse_canvas_ = 0;  // region of the last mouse event
  std::vector<QPointer<LayoutWindow>> windows_;
  int loops_ = 0;
  int messages_ = 0;
  std::string last_message_;
  Callback close_check_ = nullptr;  // for the next window shown
  Callback ok_check_ = nullptr;     // for the next window shown
};

}  // namespace spindra::qt
