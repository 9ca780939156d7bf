// The shaft system every analysis solves, built once from the model store:
// the system referred to the reference speed (the engines' crankshaft).
//
// An inertia at speed ratio r counts r^2 J, its external damping r^2 c; a
// stiffness counts r1^2 k and r1^2 c, r1 the ratio of its first inertia
// (for a shaft both ends turn at r1; for a gear mesh the stiffness is the
// one seen on the first inertia's shaft; a stiffness to ground takes its
// inertia's ratio).  Inertias joined by rigid gear meshes turn together and
// make one degree of freedom.  The referred angle of a degree of freedom
// times an inertia's ratio is that inertia's real angle; a referred torque
// over r1 is the real torque on the stiffness's own shaft.
//
// With every ratio 1 and nothing rigid, degree of freedom j is inertia j and
// every value is the store's own, bit for bit.
//
// The tables are fixed and 1-based; building allocates nothing.
#pragma once

#include <cstdint>

#include "app/model/store.h"

namespace spindra {

// One elastic stiffness (a shaft or an elastic gear mesh) between two
// degrees of freedom, or from one to ground (b = 0).
struct ShaftElement {
  int32_t stiffness = 0;  // its number in STIFF
  int32_t a = 0, b = 0;   // degrees of freedom; b = 0: ground
  double k = 0.0;         // referred stiffness r1^2 k
  double c = 0.0;         // referred internal damping r1^2 dampin
  double h = 0.0;         // referred hysteretic stiffness psi / (2 pi) r1^2 k
  double ratio = 1.0;     // r1: real twist = r1 * referred twist, real torque = referred / r1
  double torque_gain = 0.0;  // real torque per referred twist: k r1
};

// 1 when stiffness `s` is a rigid gear mesh between two inertias: they turn
// together and it has no twist.
inline bool is_rigid_mesh(const STIFFNESS& s) {
  return s.rigid != 0 && s.nodes(2) != 0;
}

// Two degrees of freedom of the core joined by an element (places in the
// core, 1-based).
struct CoreEdge {
  int32_t a = 0, b = 0;
  double k = 0.0, c = 0.0, h = 0.0;
};

struct ShaftSystem {
  int32_t nmass = 0;  // the model's inertias and stiffnesses when built
  int32_t nstif = 0;
  int32_t ndof = 0;
  // 1 when an inertia turns at a ratio other than 1 or a mesh is rigid.
  int32_t geared = 0;
  // 1 when a stiffness has a relative damping psi.
  int32_t has_psi = 0;

  // Per inertia: its degree of freedom and its speed ratio.
  Table<int32_t, 1, kMaxNodes> dof;
  Table<double, 1, kMaxNodes> ratio;
  // Per degree of freedom: its lowest-numbered inertia, the referred inertia
  // and external damping.
  Table<int32_t, 1, kMaxNodes> first;
  Table<double, 1, kMaxNodes> inertia;
  Table<double, 1, kMaxNodes> damping;

  // The elastic elements in stiffness order; element_of(s) = 0 for a rigid
  // mesh (and for an element whose ends are one degree of freedom it is
  // kept, with a = b, and has no twist).
  int32_t nelem = 0;
  Table<ShaftElement, 1, kMaxStiffnesses> elem;
  Table<int32_t, 1, kMaxStiffnesses> element_of;

  // The tree elimination (the leaves-first order of analysis/leaf_order.h):
  // degrees of freedom peeled leaves first are listed
  // here roots first (peeled(1..npeeled)); parent(v) is the one neighbour v
  // is folded into (0 for a root).  edge_* hold the sums of the elements
  // between v and its parent, diag_* the sums of everything on v's diagonal
  // (elements and, for diag_c, the external damping).  What cannot be peeled
  // (degrees of freedom on closed rings) is the core, solved densely:
  // core(1..ncore), core_index(v) its place (0 = not in the core), and the
  // elements between core members one by one.
  int32_t npeeled = 0;
  Table<int32_t, 1, kMaxNodes> peeled;
  Table<int32_t, 1, kMaxNodes> parent;
  Table<double, 1, kMaxNodes> edge_k, edge_c, edge_h;
  Table<double, 1, kMaxNodes> diag_k, diag_c, diag_h;
  int32_t ncore = 0;
  Table<int32_t, 1, kMaxNodes> core;
  Table<int32_t, 1, kMaxNodes> core_index;
  int32_t ncore_edges = 0;
  Table<CoreEdge, 1, kMaxStiffnesses> core_edges;
};

// Builds `sys` from the model store.  The model must have passed the
// analysis checks (stiffness ends within the model, ratios finite and
// positive, no rigid mesh to ground).
void build_shaft_system(ShaftSystem& sys);

// The system of the last analysis that built one (the frequency analysis
// keeps it for the mode shapes of its results).
inline ShaftSystem shaft_system;

// Real values from referred ones: the angle of inertia j from the referred
// angles x(1..ndof), the twist and torque of stiffness s (0 for a rigid
// mesh or an element without twist).
inline double real_angle(const ShaftSystem& sys, const double* x, int32_t j) {
  return sys.ratio(j) * x[sys.dof(j) - 1];
}

}  // namespace spindra
