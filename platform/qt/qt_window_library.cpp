#include "platform/qt/qt_window_library.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <algorithm>
#include <stdexcept>

#include "platform/qt/layout_window.h"

// The icons of the windows are built into the library.
static void load_icon_resources() {
  Q_INIT_RESOURCE(spindra_icons);
}

namespace spindra::qt {

using layout::ItemKind;
using layout::LayoutError;

QtWindowLibrary::QtWindowLibrary() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    throw std::logic_error("QtWindowLibrary needs a QApplication made before it");
  }
  load_icon_resources();
}

QIcon QtWindowLibrary::icon(const std::string& name) {
  QIcon icon;
  for (const char* size : {"48", "128"}) {
    const QString file = QStringLiteral(":/spindra/%1-%2.png")
                             .arg(QString::fromStdString(name), QLatin1String(size));
    if (QFile::exists(file)) icon.addFile(file);
  }
  return icon;
}

QtWindowLibrary::~QtWindowLibrary() {
  page_.reset();
  // Windows still open go with the library.
  const auto open = windows_;
  for (const auto& w : open) delete w.data();
}

// --- layouts ---

int QtWindowLibrary::window_printf(std::string_view piece, std::span<const LayoutArg> args) {
  const std::size_t before = parser_.current().items.size();
  bool complete = false;
  try {
    complete = parser_.add(piece, args);
    create_regions(before);
  } catch (...) {
    drop_building_regions();
    parser_.take();  // the next layout starts afresh
    throw;
  }
  if (!complete) return 0;
  return show(parser_.take());
}

void QtWindowLibrary::create_regions(std::size_t first_item) {
  const auto& items = parser_.current().items;
  for (std::size_t i = first_item; i < items.size(); ++i) {
    const layout::Item& it = items[i];
    if (it.kind != ItemKind::Region) continue;
    int handle = it.handle_var ? *it.handle_var : it.handle_value;
    if (handle == 0) {
      handle = canvases_.empty() ? 1 : canvases_.rbegin()->first + 1;
    }
    if (canvases_.count(handle)) {
      throw LayoutError("layout: graphics region handle " + std::to_string(handle) +
                        " is already used by an open region");
    }
    if (it.handle_var) *it.handle_var = handle;
    canvases_[handle] =
        std::make_unique<Canvas>(handle, it.width, it.height, it.on_change, it.full_mouse_input);
    building_.push_back(handle);
    if (!current_) current_ = canvases_[handle].get();
  }
}

void QtWindowLibrary::drop_building_regions() {
  for (int h : building_) {
    auto it = canvases_.find(h);
    if (it == canvases_.end()) continue;
    if (current_ == it->second.get()) current_ = nullptr;
    canvases_.erase(it);
  }
  building_.clear();
}

int QtWindowLibrary::show(layout::WindowDescription desc) {
  std::vector<Canvas*> regions;
  for (int h : building_) regions.push_back(canvases_.at(h).get());
  LayoutWindow* w = nullptr;
  try {
    w = new LayoutWindow(*this, std::move(desc), regions);
  } catch (...) {
    drop_building_regions();
    throw;
  }
  building_.clear();
  if (!w->description().ordinary_window) centre_over(w, top_window());
  w->set_close_check(close_check_);
  close_check_ = nullptr;
  w->set_ok_check(ok_check_);
  ok_check_ = nullptr;
  windows_.emplace_back(w);
  QPointer<LayoutWindow> guard(w);

  if (w->description().ordinary_window) {
    int result = 0;
    QEventLoop loop;
    QObject::connect(w, &QDialog::finished, &loop, [&result, &loop](int r) {
      result = r;
      loop.quit();
    });
    w->show();
    start(w);
    if (loops_ > 0) return 0;  // opened from a callback: it lives on by itself
    if (guard && !guard->closing()) {
      enter_loop();
      loop.exec();
      leave_loop();
    }
    delete guard.data();
    return result;
  }

  w->setModal(true);
  w->show();
  start(w);
  int result = 0;
  if (guard && !guard->closing()) {
    enter_loop();
    result = guard->exec();
    leave_loop();
  } else if (guard) {
    result = guard->result();
  }
  delete guard.data();
  return result;
}

// A dialog opens centred on the window it is opened over, kept on the
// screen; with no window beneath, where the toolkit (or %sp) puts it.
void QtWindowLibrary::centre_over(QWidget* dialog, const QWidget* beneath) {
  if (!beneath) return;
  dialog->adjustSize();
  QPoint at = beneath->frameGeometry().center() - QPoint(dialog->width() / 2, dialog->height() / 2);
  if (const QScreen* screen = beneath->screen()) {
    const QRect room = screen->availableGeometry();
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - dialog->width())));
    at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - dialog->height())));
  }
  dialog->move(at);
}

void QtWindowLibrary::start(LayoutWindow* w) {
  // Start-up actions run as part of the window's life: an ordinary window
  // they open returns at once instead of waiting for its own close.
  enter_loop();
  w->start();
  leave_loop();
}

void QtWindowLibrary::window_closed(LayoutWindow* w) {
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                [w](const QPointer<LayoutWindow>& p) { return !p || p == w; }),
                 windows_.end());
  for (auto it = canvases_.begin(); it != canvases_.end();) {
    if (it->second->owner == w) {
      if (current_ == it->second.get()) current_ = nullptr;
      it = canvases_.erase(it);
    } else {
      ++it;
    }
  }
}

void QtWindowLibrary::window_update(const void* var) {
  refresh_except(var, nullptr);
}

void QtWindowLibrary::refresh_except(const void* var, const QObject* except) {
  const auto open = windows_;
  for (const auto& w : open) {
    if (w && !w->closing()) w->refresh(var, except);
  }
}

void QtWindowLibrary::run(const layout::Action& action) {
  try {
    action.run();
  } catch (const std::exception& e) {
    // A callback's programming error cannot travel through the toolkit's
    // event handling; report it and stop.
    qFatal("%s", e.what());
  }
}

// --- graphics ---

Canvas* QtWindowLibrary::canvas(int handle) const {
  auto it = canvases_.find(handle);
  return it == canvases_.end() ? nullptr : it->second.get();
}

void QtWindowLibrary::select_graphics_object(int handle) {
  current_ = canvas(handle);
  if (!current_) qWarning("no graphics region with handle %d; drawing goes nowhere", handle);
}

void QtWindowLibrary::clear_screen() {
  if (page_) return page_->clear();
  if (current_) current_->clear();
}

void QtWindowLibrary::draw_line(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) {
  if (page_) return page_->line(x1, y1, x2, y2, colour, line_width_);
  if (current_) current_->line(x1, y1, x2, y2, colour, line_width_);
}

void QtWindowLibrary::set_device_pixel(int16_t x, int16_t y, int colour) {
  if (page_) return page_->pixel(x, y, colour);
  if (current_) current_->pixel(x, y, colour);
}

void QtWindowLibrary::fill_rectangle(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) {
  if (page_) return page_->fill(x1, y1, x2, y2, colour);
  if (current_) current_->fill(x1, y1, x2, y2, colour);
}

void QtWindowLibrary::set_line_width(int width) {
  line_width_ = std::clamp(width, 1, 100);
}

int QtWindowLibrary::pixel(int handle, int x, int y) const {
  const Canvas* c = canvas(handle);
  if (!c || x < 0 || y < 0 || x >= c->image().width() || y >= c->image().height()) return -1;
  return palette_index(c->image().pixel(x, y));
}

QImage QtWindowLibrary::region_image(int handle) const {
  const Canvas* c = canvas(handle);
  return c ? c->image() : QImage();
}

QWidget* QtWindowLibrary::region_widget(int handle) const {
  const Canvas* c = canvas(handle);
  return c ? c->widget() : nullptr;
}

void QtWindowLibrary::raise_region_window(int handle) {
  QWidget* region = region_widget(handle);
  if (region == nullptr) return;
  QWidget* window = region->window();
  window->raise();
  window->activateWindow();
}

int QtWindowLibrary::selected_region() const {
  return current_ ? current_->handle() : 0;
}

// --- pages and printing ---

QPrinter* QtWindowLibrary::choose_printer() {
  if (!printer_) printer_ = make_printer();
  QPrintDialog dialog(printer_.get(), top_window());
  dialog.setObjectName("spindra_print_dialog");
  enter_loop();
  const int accepted = dialog.exec();
  leave_loop();
  return accepted == QDialog::Accepted ? printer_.get() : nullptr;
}

bool QtWindowLibrary::open_page(PageKind kind, std::string_view path, std::string* message) {
  page_.reset();
  auto page = std::make_unique<Page>();
  if (kind == PageKind::Printer) {
    QPrinter* printer = choose_printer();
    if (!printer) {
      if (message) message->clear();
      return false;
    }
    if (!page->begin_printer(*printer, message)) return false;
  } else if (!page->begin_file(kind, QString::fromUtf8(path.data(), path.size()), message)) {
    return false;
  }
  page_ = std::move(page);
  return true;
}

PageSize QtWindowLibrary::page_size() {
  return page_ ? PageSize{kPageWidth, kPageHeight} : PageSize{};
}

bool QtWindowLibrary::close_page(std::string* message) {
  if (!page_) return true;
  const bool written = page_->end(message);
  page_.reset();
  return written;
}

bool QtWindowLibrary::print_text_file(std::string_view file, PageKind kind, std::string_view out,
                                      std::string* message) {
  const QString name = QString::fromUtf8(file.data(), file.size());
  if (kind == PageKind::Printer) {
    QPrinter* printer = choose_printer();
    if (!printer) {
      if (message) message->clear();
      return false;
    }
    return print_text(name, *printer, message);
  }
  QFile pdf(QString::fromUtf8(out.data(), out.size()));
  if (!pdf.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (message)
      *message = std::string(out) + " could not be created: " + pdf.errorString().toStdString() + ".";
    return false;
  }
  bool printed = false;
  {
    QPdfWriter writer(&pdf);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    writer.setResolution(300);
    writer.setCreator(QStringLiteral("Spindra"));
    printed = print_text(name, writer, message);
  }
  pdf.close();
  if (printed && pdf.error() != QFileDevice::NoError) {
    if (message) *message = std::string(out) + " could not be written completely.";
    return false;
  }
  return printed;
}

// --- mouse ---

void QtWindowLibrary::mouse_sink(void* self, Canvas& canvas, const MouseState& state) {
  auto* lib = static_cast<QtWindowLibrary*>(self);
  lib->mouse_ = state;
  lib->mouse_canvas_ = canvas.handle();
  lib->run(canvas.callback());
}

void QtWindowLibrary::set_region_view(int handle, int width, int height, int x, int y) {
  Canvas* c = canvas(handle);
  if (!c) return;
  c->picture = {width, height, x, y};
  if (c->scroller) {
    c->scroller->take_picture();
  } else {
    c->shown_x = x;
    c->shown_y = y;
  }
}

int QtWindowLibrary::mouse_query(std::string_view name) {
  if (name == "graphics_mouse_flags") return mouse_.flags;
  if (name == "graphics_mouse_x") return mouse_.x;
  if (name == "graphics_mouse_y") return mouse_.y;
  if (name == "graphics_mouse_wheel") return mouse_.wheel;
  if (name == "graphics_view_x" || name == "graphics_view_y") {
    const Canvas* c = canvas(mouse_canvas_);
    if (!c) c = current_;
    if (!c) return 0;
    return name == "graphics_view_x" ? c->shown_x : c->shown_y;
  }
  if (name == "graphics_mouse_released") return mouse_.released ? 1 : 0;
  throw LayoutError("unknown mouse query \"" + std::string(name) + "\"");
}

// --- system ---

SystemFont QtWindowLibrary::get_system_font() {
  const QFont f = QApplication::font();
  return {QFontMetrics(f).height(), f.family().toStdString()};
}

int QtWindowLibrary::screen_width() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 1280;
}

int QtWindowLibrary::screen_height() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 1024;
}

void QtWindowLibrary::show_message(std::string_view caption, std::string_view text) {
  ++messages_;
  last_message_ = std::string(text);
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(caption.data(), caption.size()),
                  QString::fromUtf8(text.data(), text.size()), QMessageBox::Ok, top_window());
  box.setObjectName("spindra_message");
  enter_loop();
  box.exec();
  leave_loop();
}

bool QtWindowLibrary::choose_file(bool for_writing, char* path, int width) {
  return choose_file_of({}, for_writing, path, width);
}

bool QtWindowLibrary::choose_file_of(std::string_view filter, bool for_writing, char* path,
                                     int width) {
  const layout::Var target{layout::Var::Kind::Text, path, width, 1};
  // The window the user works in (a key such as Ctrl+S was pressed there)
  // offers its own filters, not those of a newer window beside it.
  const QWidget* active = QApplication::activeWindow();
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (*it && !(*it)->closing() && (*it)->window() == active) {
      return (*it)->choose_path(!for_writing, target, filter);
    }
  }
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (*it && !(*it)->closing()) return (*it)->choose_path(!for_writing, target, filter);
  }
  return false;
}

void QtWindowLibrary::select_field(const void* var) {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (*it && !(*it)->closing() && (*it)->select_field(var)) return;
  }
}

QWidget* QtWindowLibrary::top_window() const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (*it && !(*it)->closing()) return it->data();
  }
  return nullptr;
}

QWidget* QtWindowLibrary::control_for(const void* var) const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (*it && !(*it)->closing()) {
      if (QWidget* w = (*it)->control_for(var)) return w;
    }
  }
  return nullptr;
}

}  // namespace spindra::qt
