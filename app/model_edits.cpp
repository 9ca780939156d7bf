#include "app/model_edits.h"

#include <algorithm>
#include <cmath>

#include "app/draw.h"
#include "app/engine_dialog.h"
#include "app/model/store.h"

namespace spindra {

namespace {

// Positions closer than this are the same grid point.
constexpr double kSamePlace = 1e-6;

}  // namespace

int32_t engine_of_node(int32_t p) {
  if (!is_node(p)) return 0;
  const int32_t e = MASSES(p).icyleng_no(1);
  if (e >= 1 && e <= NENG && e <= kMaxEngines) return e;
  if (IENG > 0 && e == IENG) return e;
  return 0;
}

// The load cases' misfires follow the engines: a misfire of the engine
// removed goes, those of the engines after it move down with them.
void misfires_follow_removal(int32_t e) {
  for (int32_t c = 1; c <= std::min(NCASES, kMaxCases); ++c) {
    LoadCase& lc = LOAD_CASES(c);
    if (lc.misfire_engine == e) {
      lc.misfire_engine = lc.misfire_cylinder = 0;
    } else if (lc.misfire_engine > e) {
      --lc.misfire_engine;
    }
  }
}

void remove_engine(int32_t e) {
  if (e < 1 || e > kMaxEngines) return;
  misfires_follow_removal(e);
  if (IENG > 0 && e == IENG) {
    NENG = IENG;
    DELETE_ENGINE(IENG);
    IENG = 0;
    ICYL = 0;
    return;
  }
  if (e > NENG) return;
  DELETE_ENGINE(e);
  if (IENG > 0) IENG = IENG - 1;
}

bool delete_stiffness(int32_t s) {
  if (s < 1 || s > NSTIF || s > kMaxStiffnesses) return false;
  const int32_t last = std::min(NSTIF, kMaxStiffnesses);
  for (int32_t i = s; i < last; ++i) STIFF(i) = STIFF(i + 1);
  STIFF(last) = BLANK_STIFF;
  NSTIF = last - 1;
  return true;
}

int32_t delete_node(int32_t p) {
  if (!is_node(p)) return -1;
  if (const int32_t e = engine_of_node(p); e != 0) remove_engine(e);

  // The shafts: those of p go, the node numbers above p move down.
  int32_t kept = 0;
  const int32_t nstif = std::min(NSTIF, kMaxStiffnesses);
  for (int32_t i = 1; i <= nstif; ++i) {
    STIFFNESS s = STIFF(i);
    if (s.nodes(1) == p || s.nodes(2) == p) continue;
    for (int j = 1; j <= 2; ++j) {
      if (s.nodes(j) > p) s.nodes(j) = s.nodes(j) - 1;
    }
    STIFF(++kept) = s;
  }
  for (int32_t i = kept + 1; i <= nstif; ++i) STIFF(i) = BLANK_STIFF;
  const int32_t shafts = nstif - kept;
  NSTIF = kept;

  // The transient cases: one on p acts on no inertia until one is chosen.
  for (int32_t k = 1; k <= NTRANS && k <= kMaxTransientCases; ++k) {
    int32_t& on = TRANSIENT_CASES(k).inertia;
    if (on == p)
      on = 0;
    else if (on > p)
      on = on - 1;
  }

  const int32_t last = std::min(NMASS, kMaxNodes);
  for (int32_t i = p; i < last; ++i) MASSES(i) = MASSES(i + 1);
  MASSES(last) = BLANK_MASS;
  NMASS = last - 1;

  // The picked nodes.
  int32_t picks = 0;
  const int32_t nselect = std::min(NSELECT, kMaxNodes);
  for (int32_t k = 1; k <= nselect; ++k) {
    const int32_t n = NODE_LIST(k);
    if (n == p) continue;
    NODE_LIST(++picks) = n > p ? n - 1 : n;
  }
  for (int32_t k = picks + 1; k <= nselect; ++k) NODE_LIST(k) = 0;
  if (NSELECT > 0) NSELECT = picks;
  return shafts;
}

int32_t node_at(double x, double y, int32_t except) {
  for (int32_t i = 1; i <= NMASS && i <= kMaxNodes; ++i) {
    if (i == except) continue;
    if (std::fabs(MASSES(i).xy_node(1) - x) < kSamePlace &&
        std::fabs(MASSES(i).xy_node(2) - y) < kSamePlace)
      return i;
  }
  return 0;
}

bool move_node(int32_t p, double x, double y) {
  if (!is_node(p) || node_at(x, y, p) != 0) return false;
  MASSES(p).xy_node(1) = x;
  MASSES(p).xy_node(2) = y;
  return true;
}

}  // namespace spindra
