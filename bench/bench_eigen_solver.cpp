// CALCULATE_MODES (the LR iteration within its budget, then every eigenpair
// to full accuracy) on 100-inertia models: a chain, a tree with its inertias
// numbered at random, a long chain branched into two close branches, three
// uniform branches on a hub, three identical branches (repeated
// frequencies) and a chain closed into rings by cross shafts.  The solve must
// take at most 5 ms on every one.  The plain dense LR iteration on the chain
// and the tree, within the same pass budget, gives the profile iteration's
// speed-up.  A summary follows the table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "analysis/eigen_solver.h"
#include "tests/reference/dense_iteration.h"
#include "tests/reference/random_models.h"

namespace {

using namespace spindra;

enum Shape { kChain, kTree, kBranched, kUniform, kRepeated, kRings, kShapes };
const char* const kLabels[kShapes] = {
    "chain of 100",       "randomly numbered tree of 100",   "chain branched at 86 (close pairs)",
    "3 uniform branches", "3 identical branches (repeated)", "chain with a ring"};

void add_inertia(int j, double m) {
  NMASS = std::max(NMASS, j);
  MASSES(j).amass = m;
}
void add_shaft(int a, int b, double k) {
  const int s = ++NSTIF;
  STIFF(s).nodes(1) = a;
  STIFF(s).nodes(2) = b;
  STIFF(s).stiff = k;
}

// Inertia 1 and three branches of 33 on it; `values` gives the inertia and
// stiffness of place j of a branch.
template <class Values>
void three_branches(Values values) {
  initialise_store();
  add_inertia(1, 2.0);
  for (int b = 0; b < 3; ++b) {
    for (int j = 0; j < 33; ++j) {
      const int node = 2 + 33 * b + j;
      const auto [m, k] = values(j);
      add_inertia(node, m);
      add_shaft(j == 0 ? 1 : node - 1, node, k);
    }
  }
}

void build(Shape shape) {
  std::mt19937 rng(shape == kTree ? 1207 : 2026);
  switch (shape) {
    case kChain:
      testing::make_chain(100, rng, true);
      break;
    case kTree:
      testing::make_tree(100, rng, true);
      break;
    case kBranched:
      // The long-chain example with the shaft from 93 to 94 joined to 86.
      initialise_store();
      for (int j = 1; j <= 100; ++j) add_inertia(j, j == 1 ? 5.0 : 0.8);
      for (int j = 1; j < 100; ++j) add_shaft(j == 93 ? 86 : j, j + 1, 3.0e6);
      break;
    case kUniform:
      three_branches([](int) { return std::pair{1.0, 1.0e6}; });
      break;
    case kRepeated:
      three_branches([](int j) {
        return std::pair{1.0 + 0.1 * (j % 5), 1.0e6 * (1.0 + 0.3 * (j % 3))};
      });
      add_shaft(1, 0, 5.0e6);
      break;
    case kRings:
      // A chain of 100 on 99 shafts, closed by one more into a ring of 41.
      testing::make_chain(100, rng, false);
      add_shaft(30, 70, 2.0e6);
      break;
    case kShapes:
      break;
  }
}

void BM_CalculateModes(benchmark::State& state) {
  build(static_cast<Shape>(state.range(0)));
  SolverResult result;
  for (auto _ : state) {
    EIGS.fill(0.0);  // every run starts from the same first convergence test
    result = CALCULATE_MODES();
    if (result.status != SolverStatus::kConverged) state.SkipWithError("no eigenvalues");
    benchmark::DoNotOptimize(EIGS.data());
  }
  state.counters["passes"] = result.passes;
  state.counters["kept"] = result.kept;
  state.SetLabel(kLabels[state.range(0)]);
}

template <SolverResult (*Solve)()>
void lr_only(benchmark::State& state) {
  build(static_cast<Shape>(state.range(0)));
  int passes = 0;
  for (auto _ : state) {
    EIGS.fill(0.0);
    passes = Solve().passes;
    benchmark::DoNotOptimize(EIGS.data());
  }
  state.counters["passes"] = passes;
  state.SetLabel(kLabels[state.range(0)]);
}

void BM_LrIteration(benchmark::State& state) {
  lr_only<lr_iteration>(state);
}
void BM_DenseIteration(benchmark::State& state) {
  lr_only<calculate_modes_dense>(state);
}

BENCHMARK(BM_CalculateModes)->DenseRange(kChain, kRings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LrIteration)->Arg(kChain)->Arg(kTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseIteration)->Arg(kChain)->Arg(kTree)->Unit(benchmark::kMillisecond)->Iterations(2);

// Keeps the mean CPU time of every run for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  SummaryReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        seconds[r.benchmark_name()] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  auto find = [&](const std::string& name) {
    const auto it = reporter.seconds.find(name);
    return it == reporter.seconds.end() ? 0.0 : it->second;
  };
  std::printf("\nCPU time of the whole solve (target at most 5 ms each):\n");
  for (int shape = kChain; shape <= kRings; ++shape) {
    const double s = find("BM_CalculateModes/" + std::to_string(shape));
    if (s > 0)
      std::printf("  %-34s %6.2f ms%s\n", kLabels[shape], s * 1e3, s > 5e-3 ? "  OVER" : "");
  }
  for (int shape : {kChain, kTree}) {
    const double lr = find("BM_LrIteration/" + std::to_string(shape));
    const double dense = find("BM_DenseIteration/" + std::to_string(shape));
    if (lr > 0 && dense > 0)
      std::printf("LR iteration on the %s: %.2f ms, dense form %.1f ms, %.0f times faster\n",
                  kLabels[shape], lr * 1e3, dense * 1e3, dense / lr);
  }
  return 0;
}
