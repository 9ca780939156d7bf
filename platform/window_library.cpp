#include "platform/window_library.h"

#include <cstdio>

#include "platform/layout.h"

namespace spindra {

namespace {
NullWindowLibrary& stand_in() {
  static NullWindowLibrary library;
  return library;
}
WindowLibrary* current = nullptr;
FileNameRule save_rule = nullptr;
}  // namespace

void set_save_name_rule(FileNameRule rule) { save_rule = rule; }

FileNameRule save_name_rule() { return save_rule; }

WindowLibrary& window_library() { return current ? *current : stand_in(); }

void set_window_library(WindowLibrary* library) { current = library; }

int WINDOW_PRINTF(std::string_view layout, std::initializer_list<LayoutArg> args) {
  return window_library().window_printf(layout, std::span<const LayoutArg>(args.begin(), args.size()));
}

void WINDOW_UPDATE(const void* var) { window_library().window_update(var); }

int NullWindowLibrary::window_printf(std::string_view layout, std::span<const LayoutArg> args) {
  ++layouts;
  // The window's pieces are read as the toolkit reads them, for the number
  // of its OK button; a layout it cannot read leaves OK at 1.
  if (!building_) building_ = std::make_shared<layout::LayoutParser>();
  bool complete = false;
  try {
    complete = building_->add(layout, args);
    if (complete) ok_button = layout::ok_button_number(building_->take());
  } catch (const layout::LayoutError&) {
    building_ = std::make_shared<layout::LayoutParser>();
    ok_button = 1;
  }
  if (layout.empty() || layout.back() == '&') return next_dialog_result;
  if (!complete) building_ = std::make_shared<layout::LayoutParser>();
  const Callback check = ok_check;
  ok_check = nullptr;
  if (next_dialog_result == ok_button && check && check() == 0) {
    ++ok_refusals;
    return ok_button + 1;
  }
  return next_dialog_result;
}

void NullWindowLibrary::window_update(const void*) { ++updates; }

void NullWindowLibrary::show_message(std::string_view caption, std::string_view text) {
  ++messages;
  last_caption = caption;
  last_message = text;
  if (echo_messages) std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

bool NullWindowLibrary::choose_file(bool, char* path, int width) {
  ++file_dialogs;
  if (next_file.empty() || next_file.size() > static_cast<std::size_t>(width)) return false;
  for (int i = 0; i < width; ++i) {
    path[i] = static_cast<std::size_t>(i) < next_file.size()
                  ? next_file[static_cast<std::size_t>(i)]
                  : ' ';
  }
  return true;
}

}  // namespace spindra

namespace spindra {

bool page_kind_of(std::string_view path, PageKind& kind) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return false;
  std::string ext(path.substr(dot + 1));
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == "svg") {
    kind = PageKind::Svg;
  } else if (ext == "pdf") {
    kind = PageKind::Pdf;
  } else if (ext == "png") {
    kind = PageKind::Png;
  } else {
    return false;
  }
  return true;
}

bool NullWindowLibrary::open_page(PageKind, std::string_view, std::string* message) {
  if (message) *message = "There is no printer or picture output without the window library.";
  return false;
}

bool NullWindowLibrary::print_text_file(std::string_view, PageKind, std::string_view,
                                        std::string* message) {
  return open_page(PageKind::Printer, {}, message);
}

}  // namespace spindra
