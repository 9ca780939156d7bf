// CALCULATE_MODES against the plain dense LR iteration on a 100-inertia chain
// and a 100-inertia tree with its inertias numbered at random.  Both forms
// give the same eigenvalues bit for bit; the profile form must keep the window
// responsive: the chain in at most 0.1 s and at least 20 times faster than the
// dense form, the tree at least 5 times faster.  A summary with the speed-ups
// follows the table.
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

enum Shape { kChain = 0, kTree = 1 };

void build(Shape shape) {
  std::mt19937 rng(shape == kChain ? 2026 : 1207);
  if (shape == kChain) {
    testing::make_chain(100, rng, true);
  } else {
    testing::make_tree(100, rng, true);
  }
}

template <SolverResult (*Solve)()>
void run(benchmark::State& state) {
  build(static_cast<Shape>(state.range(0)));
  int passes = 0;
  for (auto _ : state) {
    EIGS.fill(0.0);  // every run starts from the same first convergence test
    const SolverResult result = Solve();
    if (result.status != SolverStatus::kConverged) state.SkipWithError("no convergence");
    passes = result.passes;
    benchmark::DoNotOptimize(EIGS.data());
  }
  state.counters["passes"] = passes;
  state.SetLabel(state.range(0) == kChain ? "chain of 100" : "randomly numbered tree of 100");
}

void BM_CalculateModes(benchmark::State& state) {
  run<CALCULATE_MODES>(state);
}
void BM_DenseIteration(benchmark::State& state) {
  run<calculate_modes_dense>(state);
}

BENCHMARK(BM_CalculateModes)->Arg(kChain)->Arg(kTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseIteration)->Arg(kChain)->Arg(kTree)->Unit(benchmark::kMillisecond)->Iterations(2);

// Keeps the mean time of every run for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  SummaryReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        seconds[r.benchmark_name()] = r.real_accumulated_time / static_cast<double>(r.iterations);
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
  auto find = [&](const std::string& prefix) {
    for (const auto& [name, s] : reporter.seconds)
      if (name.rfind(prefix, 0) == 0) return s;
    return 0.0;
  };
  const double chain = find("BM_CalculateModes/0"), tree = find("BM_CalculateModes/1");
  const double dense_chain = find("BM_DenseIteration/0"), dense_tree = find("BM_DenseIteration/1");
  if (chain > 0 && tree > 0 && dense_chain > 0 && dense_tree > 0) {
    std::printf(
        "\nchain: %.1f ms (target at most 100 ms), dense %.0f ms, %.0f times faster "
        "(target 20)\n",
        chain * 1e3, dense_chain * 1e3, dense_chain / chain);
    std::printf("tree:  %.1f ms, dense %.0f ms, %.1f times faster (target 5)\n", tree * 1e3,
                dense_tree * 1e3, dense_tree / tree);
  }
  return 0;
}
