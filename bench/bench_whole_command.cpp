// The user's whole road on a large model, offscreen through the in-memory
// window library: File > Open of a 100-inertia chain or a 100-inertia tree,
// Calculate > Frequencies (the analysis, the list file and the redraw with
// the first mode shape, as the menu item runs them), and one more redraw with
// the mode shape as a change of the mode scale gives.  The same tree geared
// (three ratios, two rigid meshes) is to calculate within 10% of the tree
// without gears.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "app/draw.h"
#include "app/main_window.h"
#include "app/model/model_file.h"
#include "app/model/store.h"
#include "graphics/display/display.h"
#include "tests/reference/random_models.h"
#include "tests/support/memory_window_library.h"

namespace {

using namespace spindra;

enum Shape { kChain = 0, kTree = 1, kGearedTree = 2 };
const char* const kLabels[] = {"chain", "tree", "geared tree (3 ratios, 2 rigid meshes)"};

constexpr int kWidth = 1100, kHeight = 780;  // a region on a 1280 x 1024 screen

// The program started on the in-memory library, and the two model files.
struct Offscreen {
  MemoryWindowLibrary lib{kWidth, kHeight};
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("spindra-bench-" + std::to_string(::getpid()));
  std::string files[3];

  Offscreen() {
    set_window_library(&lib);
    std::filesystem::create_directories(dir);
    // The geared tree is the tree with three branches geared and their
    // values referred back, so both solve systems of the same size.
    for (Shape shape : {kChain, kTree, kGearedTree}) {
      std::mt19937 rng(shape == kChain ? 2026 : 1207);
      if (shape == kChain) {
        testing::make_chain(100, rng, true);
      } else {
        testing::make_tree(100, rng, true);
      }
      if (shape == kGearedTree) testing::gear_tree(rng);
      const char* const names[] = {"chain.rtm", "tree.rtm", "geared.rtm"};
      files[shape] = (dir / names[shape]).string();
      FILIN = files[shape];
      write_model_file();
    }
    start_up_state();
    open_graphics_region(kWidth, kHeight);
  }
  ~Offscreen() {
    set_window_library(nullptr);
    std::filesystem::remove_all(dir);
  }
  void open(Shape shape) {
    FILIN = files[shape];
    READ_FILE();
    lib.updated.clear();
  }
};

Offscreen& offscreen() {
  static Offscreen o;
  return o;
}

void BM_OpenCalculateRedraw(benchmark::State& state) {
  Offscreen& o = offscreen();
  const Shape shape = static_cast<Shape>(state.range(0));
  for (auto _ : state) {
    o.open(shape);
    PROG10();  // Calculate > Frequencies ...
    IDRAW();   // ... and the redraw it is joined with
    SCALE_MODE = 2.0;
    IDRAW();
    SCALE_MODE = 1.0;
    if (IVALID != 1 || o.lib.messages != 0) state.SkipWithError("the analysis was refused");
  }
  state.counters["frequencies"] = 0;
  for (int m = 1; m <= kMaxNodes && IFREQS(m) != 0; ++m) state.counters["frequencies"] = m;
  state.SetLabel(kLabels[shape]);
}
BENCHMARK(BM_OpenCalculateRedraw)
    ->Arg(kChain)
    ->Arg(kTree)
    ->Arg(kGearedTree)
    ->Unit(benchmark::kMillisecond);

// The redraw alone, with the mode shape of the first listed frequency.
void BM_RedrawModeShape(benchmark::State& state) {
  Offscreen& o = offscreen();
  const Shape shape = static_cast<Shape>(state.range(0));
  o.open(shape);
  PROG10();
  for (auto _ : state) IDRAW();
  state.SetLabel(kLabels[shape]);
}
BENCHMARK(BM_RedrawModeShape)
    ->Arg(kChain)
    ->Arg(kTree)
    ->Arg(kGearedTree)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
