// What the Forced Response and Transient Response windows share beyond the
// drawing of app/plot_frame: the list of shafts and inertias they offer, an
// item's name, the item a batch run names with --item, the page shown
// without results, the size of the window's region and the way back to the
// main region.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/forced_response.h"
#include "app/model/store.h"
#include "text/fixed_text.h"
#include "text/table.h"

namespace spindra {

// Shafts at the head of the list, then inertias; the stiffness of each shaft
// row (a rigid gear mesh has no twist and is not listed, so a row's number
// is not always the shaft's).
struct PlotItemList {
  int32_t shafts = 0;
  int32_t inertias = 0;
  int32_t shaft[kMaxStiffnesses + 1] = {};

  // Takes the shafts and inertias of the model in memory.
  void take_model();
  // The text of list row `row` (1 to shafts + inertias).
  std::string row_text(int32_t row) const;
  // The stiffness (a shaft row) or inertia of list row `row`, *shaft telling
  // which; 0 for no row.
  int32_t item_at(int32_t row, bool* shaft) const;
  // The row of shaft (stiffness) or inertia `number`; 0 when it is not listed.
  int32_t row_for(bool shaft, int32_t number) const;
  // False when the model has since gained or lost shafts or inertias.
  bool matches_model() const;
};

// Fills `list` and its rows from the model in memory, blanking the rest; a
// pick beyond the rows becomes 0 (nothing chosen).
template <int N>
void fill_item_rows(PlotItemList& list, Table<FixedText<36>, 1, N>& rows, int32_t& pick) {
  list.take_model();
  const int32_t k = list.shafts + list.inertias;
  for (int32_t row = 1; row <= k; ++row) rows(row) = list.row_text(row);
  for (int32_t row = k + 1; row <= N; ++row) rows(row).blank();
  if (pick > k) pick = 0;
}

// The unit a quantity is shown in and the factor from the analysis's unit
// to it: MPa, N.m (kN.m when the largest value `top` reaches 10 kN.m),
// mrad, W.
struct PlotUnit {
  double factor;
  const char* name;
};
PlotUnit plot_unit(ForcedKind kind, double top);

// True when stiffness `shaft` exists and has a diameter (a stress to show).
bool shaft_has_diameter(int32_t shaft);

// "Shaft 3 name" or "Inertia 5 name" for the titles of a plot.
std::string plot_item_name(ForcedKind kind, int32_t number);

// The item of an --item choice "shaft:S" or "inertia:I": a shaft shows the
// quantity `shaft_kind` gives it.  False with the message when the choice
// names no shaft or inertia of the model, or a rigid gear mesh.
bool parse_item_choice(const std::string& choice, ForcedKind (*shaft_kind)(int32_t),
                       ForcedKind* kind, int32_t* number, std::string* message);

// The page without results: the title at the top and the text below it in
// lines, each sentence (ended by a new line) folded at a blank before 100
// characters; in the current pen.
void draw_missing_page(std::string_view title, const std::string& text);

// The size in pixels of a plot window's region: the paper's proportions,
// with room for the list beside it and the lines below it on the screen.
void plot_region_size(int32_t* width, int32_t* height);

// Puts the kernel back on the main window's region, when it is open.
void back_to_main_region();

}  // namespace spindra
