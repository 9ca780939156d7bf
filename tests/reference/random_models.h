// Random shaft systems for the solver tests and the benchmark: chains numbered
// along the shaft and trees with their inertias numbered at random.
#pragma once

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "app/model/store.h"

namespace spindra::testing {

inline double random_inertia(std::mt19937& rng) {
  return std::uniform_real_distribution<double>(1.0, 200.0)(rng);
}
inline double random_stiffness(std::mt19937& rng) {
  return std::uniform_real_distribution<double>(1.0e5, 5.0e7)(rng);
}

// Fills the store with n inertias and the shafts between the given pairs
// (second node 0 for a shaft to ground).
inline void set_model(int n, const std::vector<std::pair<int, int>>& shafts, std::mt19937& rng) {
  initialise_store();
  NMASS = n;
  for (int i = 1; i <= n; ++i) {
    MASSES(i).amass = random_inertia(rng);
    MASSES(i).xy_node(1) = 10.0 * i;
    MASSES(i).xy_node(2) = 100.0;
  }
  NSTIF = static_cast<int>(shafts.size());
  for (int s = 1; s <= NSTIF; ++s) {
    STIFF(s).nodes(1) = shafts[s - 1].first;
    STIFF(s).nodes(2) = shafts[s - 1].second;
    STIFF(s).stiff = random_stiffness(rng);
  }
}

// Inertias 1..n in a row; `grounded` adds a shaft from inertia 1 to ground.
inline void make_chain(int n, std::mt19937& rng, bool grounded) {
  std::vector<std::pair<int, int>> shafts;
  if (grounded) shafts.emplace_back(1, 0);
  for (int i = 1; i < n; ++i) shafts.emplace_back(i, i + 1);
  set_model(n, shafts, rng);
}

// A random tree of n inertias (each joined to a random earlier one), then
// renumbered by a random permutation; `grounded` adds a shaft to ground at a
// random inertia.
inline void make_tree(int n, std::mt19937& rng, bool grounded) {
  std::vector<int> label(static_cast<std::size_t>(n) + 1);
  std::iota(label.begin() + 1, label.end(), 1);
  std::shuffle(label.begin() + 1, label.end(), rng);
  std::vector<std::pair<int, int>> shafts;
  for (int v = 2; v <= n; ++v) {
    const int parent = std::uniform_int_distribution<int>(1, v - 1)(rng);
    int a = label[static_cast<std::size_t>(parent)], b = label[static_cast<std::size_t>(v)];
    if (std::uniform_int_distribution<int>(0, 1)(rng) == 1) std::swap(a, b);
    shafts.emplace_back(a, b);
  }
  std::shuffle(shafts.begin(), shafts.end(), rng);
  if (grounded) shafts.emplace_back(std::uniform_int_distribution<int>(1, n)(rng), 0);
  set_model(n, shafts, rng);
}

// Gears a tree from make_tree: three branches (each cut off at a shaft away
// from the grounded inertia and the first `keep` inertias) turn at ratios
// 0.5, 2.2 and 3.0, their inertias and stiffnesses scaled by 1 / r^2 so
// that the referred system stays of the same size; two of the three cuts
// become rigid gear meshes.
inline void gear_tree(std::mt19937& rng, int keep = 0) {
  int ground = 0;
  for (int s = 1; s <= NSTIF; ++s)
    if (STIFF(s).nodes(2) == 0) ground = STIFF(s).nodes(1);
  const double ratios[3] = {0.5, 2.2, 3.0};
  int geared = 0;
  for (int tries = 0; geared < 3 && tries < 1000; ++tries) {
    const int cut = std::uniform_int_distribution<int>(1, NSTIF)(rng);
    const int a = STIFF(cut).nodes(1), b = STIFF(cut).nodes(2);
    if (b == 0 || MASSES(a).speed_ratio != 0.0 || MASSES(b).speed_ratio != 0.0) continue;
    // The inertias beyond the cut, seen from the ground.
    std::vector<char> side(static_cast<std::size_t>(NMASS) + 1, 0);
    side[static_cast<std::size_t>(b)] = 1;
    for (bool grew = true; grew;) {
      grew = false;
      for (int s = 1; s <= NSTIF; ++s) {
        const int p = STIFF(s).nodes(1), q = STIFF(s).nodes(2);
        if (s == cut || q == 0) continue;
        if (side[static_cast<std::size_t>(p)] != side[static_cast<std::size_t>(q)]) {
          side[static_cast<std::size_t>(p)] = side[static_cast<std::size_t>(q)] = 1;
          grew = true;
        }
      }
    }
    if (side[static_cast<std::size_t>(ground)] != 0) {
      for (auto& v : side) v = v != 0 ? 0 : 1;
      side[0] = 0;
    }
    int count = 0;
    bool kept = true;
    for (int j = 1; j <= NMASS; ++j) {
      if (side[static_cast<std::size_t>(j)] == 0) continue;
      ++count;
      kept = kept && j > keep && MASSES(j).speed_ratio == 0.0;
    }
    if (!kept || count < 3 || count > NMASS / 4) continue;
    const double r = ratios[geared];
    for (int j = 1; j <= NMASS; ++j) {
      if (side[static_cast<std::size_t>(j)] == 0) continue;
      MASSES(j).speed_ratio = r;
      MASSES(j).amass /= r * r;
    }
    for (int s = 1; s <= NSTIF; ++s) {
      if (s == cut || side[static_cast<std::size_t>(STIFF(s).nodes(1))] == 0) continue;
      STIFF(s).stiff /= r * r;
    }
    // The cut is a mesh as seen from its first inertia's shaft.
    const double r1 = speed_ratio_of(MASSES(a));
    STIFF(cut).stiff /= r1 * r1;
    if (geared < 2) STIFF(cut).rigid = 1;
    ++geared;
  }
}

}  // namespace spindra::testing
