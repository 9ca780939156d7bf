#include "app/picture.h"

#include <cstdlib>
#include <ctime>

#include "app/draw.h"
#include "app/model/model_file.h"
#include "app/model/store.h"
#include "app/view.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"

namespace spindra {

bool draw_on_page(PageKind kind, std::string_view path, int (*draw)(), std::string* message) {
  WindowLibrary& lib = window_library();
  if (!lib.open_page(kind, path, message)) return false;
  const int32_t slot = display::IWHICH_WINDOW;
  install_window_device();
  GSLINI(gsl::kCodePrinterPage, 0);
  SET_LINE_WIDTH(-1);
  drawing_on_page = true;
  draw();
  drawing_on_page = false;
  const bool written = lib.close_page(message);
  if (graph_window_open(slot)) use_graph_window(slot);
  if (slot == 1) apply_view();  // the main region's window onto the model
  return written;
}

std::string drawing_time_text() {
  std::time_t now = std::time(nullptr);
  bool utc = false;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    const long long t = std::strtoll(epoch, &end, 10);
    if (*end == '\0' && t >= 0) {
      now = static_cast<std::time_t>(t);
      utc = true;
    }
  }
  std::tm parts{};
  if (utc) {
    gmtime_r(&now, &parts);
  } else {
    localtime_r(&now, &parts);
  }
  char text[32];
  std::strftime(text, sizeof text, utc ? "%Y-%m-%d %H:%M UTC" : "%Y-%m-%d %H:%M", &parts);
  return text;
}

bool export_picture(std::string_view path, int (*draw)(), std::string* message) {
  PageKind kind = PageKind::Svg;
  if (!page_kind_of(path, kind)) {
    if (message)
      *message = std::string(path) +
                 ": a picture is written as SVG, PDF or PNG; give the file name one of the "
                 "extensions svg, pdf or png.";
    return false;
  }
  return draw_on_page(kind, path, draw, message);
}

void suggest_picture_name(FileName130& picture) {
  PageKind kind;
  if (!picture.is_blank() && page_kind_of(picture.trimmed(), kind)) return;
  picture = FILIN.is_blank() ? FileName130("Unnamed") : FILIN;
  DEFAULT_EXTENSION(picture, "svg", 0);
}

int export_command(FileName130& file, int (*draw)()) {
  std::string message;
  DEFAULT_EXTENSION(file, "svg", 1);
  if (!export_picture(file.trimmed(), draw, &message))
    window_library().show_message("Export Picture", message);
  return 1;
}

int print_command(int (*draw)()) {
  std::string message;
  if (!draw_on_page(PageKind::Printer, {}, draw, &message) && !message.empty())
    window_library().show_message("Print", message);
  return 1;
}

int EXPORT_PICTURE() {
  // The dialog offers the picture types only, whatever name was refused
  // before, so a picture is never written under the model file's type.
  if (!window_library().choose_file_of(kPictureFilter, true, PICTURE_FILE.data(),
                                       static_cast<int>(FileName130::kWidth))) {
    return 1;
  }
  return export_command(PICTURE_FILE, IDRAW);
}

int PRINT_PICTURE() {
  return print_command(IDRAW);
}

}  // namespace spindra
