#include "app/plot_window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "analysis/shaft_system.h"
#include "app/main_window.h"
#include "app/plot_frame.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "graphics/text/symbols.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

// The stiffnesses with a twist (every one but the rigid gear meshes), as the
// list holds them.
int32_t twisting_stiffness_count() {
  int32_t n = 0;
  for (int32_t k = 1; k <= std::min(NSTIF, kMaxStiffnesses); ++k) n += !is_rigid_mesh(STIFF(k));
  return n;
}

}  // namespace

void PlotItemList::take_model() {
  shafts = 0;
  inertias = std::min(NMASS, kMaxNodes);
  for (int32_t i = 1; i <= std::min(NSTIF, kMaxStiffnesses); ++i) {
    if (!is_rigid_mesh(STIFF(i))) shaft[++shafts] = i;
  }
}

std::string PlotItemList::row_text(int32_t row) const {
  char text[64];
  if (row <= shafts) {
    const int32_t i = shaft[row];
    const std::string_view name = STIFF(i).name.trimmed();
    std::snprintf(text, sizeof text, "Shaft %3d  %.*s", i, static_cast<int>(name.size()),
                  name.data());
  } else {
    const int32_t i = row - shafts;
    const std::string_view name = MASSES(i).name.trimmed();
    std::snprintf(text, sizeof text, "Inertia %3d  %.*s", i, static_cast<int>(name.size()),
                  name.data());
  }
  return text;
}

int32_t PlotItemList::item_at(int32_t row, bool* is_shaft) const {
  *is_shaft = row >= 1 && row <= shafts;
  if (*is_shaft) return shaft[row];
  if (row > shafts && row <= shafts + inertias) return row - shafts;
  return 0;
}

int32_t PlotItemList::row_for(bool is_shaft, int32_t number) const {
  if (!is_shaft) return number >= 1 && number <= inertias ? shafts + number : 0;
  for (int32_t row = 1; row <= shafts; ++row) {
    if (shaft[row] == number) return row;
  }
  return 0;
}

bool PlotItemList::matches_model() const {
  return shafts == twisting_stiffness_count() && inertias == std::min(NMASS, kMaxNodes);
}

PlotUnit plot_unit(ForcedKind kind, double top) {
  switch (kind) {
    case ForcedKind::kStress:
      return {1.0, "MPa"};
    case ForcedKind::kTorque:
      return top >= 1.0e4 ? PlotUnit{1.0e-3, "kN.m"} : PlotUnit{1.0, "N.m"};
    case ForcedKind::kAngle:
      return {1.0e3, "mrad"};
    case ForcedKind::kPower:
      break;
  }
  return {1.0, "W"};
}

bool shaft_has_diameter(int32_t shaft) {
  return shaft >= 1 && shaft <= NSTIF && STIFF(shaft).diam > 0.0;
}

std::string plot_item_name(ForcedKind kind, int32_t number) {
  char text[80];
  if (kind == ForcedKind::kAngle) {
    std::snprintf(text, sizeof text, "Inertia %d", number);
    const std::string_view name = MASSES(number).name.trimmed();
    return std::string(text) + (name.empty() ? "" : " " + std::string(name));
  }
  std::snprintf(text, sizeof text, "Shaft %d", number);
  const std::string_view name = STIFF(number).name.trimmed();
  return std::string(text) + (name.empty() ? "" : " " + std::string(name));
}

bool parse_item_choice(const std::string& choice, ForcedKind (*shaft_kind)(int32_t),
                       ForcedKind* kind, int32_t* number, std::string* message) {
  const std::size_t colon = choice.find(':');
  const std::string what = choice.substr(0, colon);
  char* end = nullptr;
  const std::string digits = colon == std::string::npos ? "" : choice.substr(colon + 1);
  const long n = std::strtol(digits.c_str(), &end, 10);
  const bool whole = !digits.empty() && *end == '\0';
  if (what == "shaft" && whole && n >= 1 && n <= NSTIF &&
      is_rigid_mesh(STIFF(static_cast<int32_t>(n)))) {
    *message = "--item " + choice + ": stiffness " + digits +
               " is a rigid gear mesh; it has no twist to draw.";
    return false;
  }
  if (what == "shaft" && whole && n >= 1 && n <= NSTIF) {
    *number = static_cast<int32_t>(n);
    *kind = shaft_kind(*number);
    return true;
  }
  if (what == "inertia" && whole && n >= 1 && n <= NMASS) {
    *number = static_cast<int32_t>(n);
    *kind = ForcedKind::kAngle;
    return true;
  }
  *message = "--item " + choice + ": name a shaft:S (1 to " + std::to_string(NSTIF) +
             ") or an inertia:I (1 to " + std::to_string(NMASS) + ").";
  return false;
}

void draw_missing_page(std::string_view title, const std::string& text) {
  PLOT_TEXT_C(title, 148.5f, 190.0f, kTitleWide, kTitleHigh, 0.0f);
  float y = 170.0f;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string piece = text.substr(start, end - start);
    // Long sentences are folded at a blank before 100 characters.
    while (!piece.empty()) {
      std::size_t cut = piece.size();
      if (cut > 100) {
        cut = piece.rfind(' ', 100);
        if (cut == std::string::npos || cut == 0) cut = 100;
      }
      PLOT_TEXT(piece.substr(0, cut), 15.0f, y, 1.8f, 2.7f, 0.0f);
      y -= 6.0f;
      piece = cut < piece.size() ? piece.substr(cut + (piece[cut] == ' ' ? 1 : 0)) : "";
    }
    start = end + 1;
  }
}

void plot_region_size(int32_t* width, int32_t* height) {
  const RegionSize main = region_size_from_screen();
  WindowLibrary& lib = window_library();
  *height = static_cast<int32_t>(std::min(main.YRES * 0.75, lib.screen_height() * 0.58));
  *width = static_cast<int32_t>(*height * 297.0 / 210.0);
  const int32_t room = std::max(std::min(main.XRES, lib.screen_width() - 330), 200);
  if (*width > room) {
    *width = room;
    *height = static_cast<int32_t>(*width * 210.0 / 297.0);
  }
}

void back_to_main_region() {
  if (graph_window_open(1)) use_graph_window(1);
}

}  // namespace spindra
