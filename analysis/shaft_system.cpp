#include "analysis/shaft_system.h"

#include "analysis/leaf_order.h"

namespace spindra {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

// Joins the inertias of the rigid meshes: dof(j) becomes the lowest inertia
// of j's group, then the groups are numbered in the order of those inertias.
void number_dofs(ShaftSystem& sys) {
  const int n = NMASS;
  int group[kMaxNodes + 1];
  for (int j = 1; j <= n; ++j) group[j] = j;
  const auto root = [&group](int j) {
    while (group[j] != j) j = group[j] = group[group[j]];
    return j;
  };
  for (int s = 1; s <= NSTIF; ++s) {
    const STIFFNESS& shaft = STIFF(s);
    if (shaft.rigid == 0 || shaft.nodes(2) == 0) continue;
    const int a = root(shaft.nodes(1)), b = root(shaft.nodes(2));
    if (a < b) {
      group[b] = a;
    } else if (b < a) {
      group[a] = b;
    }
  }
  sys.ndof = 0;
  int number[kMaxNodes + 1] = {};
  for (int j = 1; j <= n; ++j) {
    const int r = root(j);
    if (number[r] == 0) {
      number[r] = ++sys.ndof;
      sys.first(sys.ndof) = j;
      sys.inertia(sys.ndof) = 0.0;
      sys.damping(sys.ndof) = 0.0;
    }
    sys.dof(j) = number[r];
  }
}

// Orders the degrees of freedom for the elimination: leaves are peeled off
// one after another, each folded later into the one neighbour it still has
// (its parent); what cannot be peeled (degrees of freedom on closed rings)
// is the core.  Parallel elements add up.
void build_tree(ShaftSystem& sys) {
  const int n = sys.ndof;
  static int nbr[kMaxNodes + 1][kMaxNodes];
  int count[kMaxNodes + 1] = {};
  for (int v = 1; v <= n; ++v) {
    sys.diag_k(v) = 0.0;
    sys.diag_c(v) = sys.damping(v);
    sys.diag_h(v) = 0.0;
  }
  for (int e = 1; e <= sys.nelem; ++e) {
    const ShaftElement& el = sys.elem(e);
    const int a = el.a, b = el.b;
    if (a == b) continue;
    sys.diag_k(a) += el.k;
    sys.diag_c(a) += el.c;
    sys.diag_h(a) += el.h;
    if (b == 0) continue;
    sys.diag_k(b) += el.k;
    sys.diag_c(b) += el.c;
    sys.diag_h(b) += el.h;
    bool known = false;
    for (int i = 0; i < count[a] && !known; ++i) known = nbr[a][i] == b;
    if (!known) {
      nbr[a][count[a]++] = b;
      nbr[b][count[b]++] = a;
    }
  }
  int peel[kMaxNodes], parent[kMaxNodes];
  const int npeel = peel_leaves(
      n,
      [&](int v, auto&& visit) {
        for (int i = 0; i < count[v + 1]; ++i) visit(nbr[v + 1][i] - 1);
      },
      peel, parent);
  bool removed[kMaxNodes + 1] = {};
  for (int q = 0; q < npeel; ++q) {
    const int v = peel[q] + 1;
    removed[v] = true;
    peel[q] = v;
  }
  for (int v = 1; v <= n; ++v) sys.parent(v) = parent[v - 1] + 1;
  // Roots (and the core's neighbours) first.
  sys.npeeled = npeel;
  for (int q = 1; q <= npeel; ++q) sys.peeled(q) = peel[npeel - q];
  sys.ncore = 0;
  for (int v = 1; v <= n; ++v) {
    sys.core_index(v) = 0;
    if (removed[v]) continue;
    sys.core(++sys.ncore) = v;
    sys.core_index(v) = sys.ncore;
  }
  for (int v = 1; v <= n; ++v) {
    sys.edge_k(v) = 0.0;
    sys.edge_c(v) = 0.0;
    sys.edge_h(v) = 0.0;
  }
  sys.ncore_edges = 0;
  for (int e = 1; e <= sys.nelem; ++e) {
    const ShaftElement& el = sys.elem(e);
    const int a = el.a, b = el.b;
    if (b == 0 || a == b) continue;
    const int ca = sys.core_index(a), cb = sys.core_index(b);
    if (ca > 0 && cb > 0) {
      sys.core_edges(++sys.ncore_edges) = CoreEdge{ca, cb, el.k, el.c, el.h};
      continue;
    }
    const int child = sys.parent(a) == b ? a : b;
    sys.edge_k(child) += el.k;
    sys.edge_c(child) += el.c;
    sys.edge_h(child) += el.h;
  }
}

}  // namespace

void build_shaft_system(ShaftSystem& sys) {
  sys.nmass = NMASS;
  sys.nstif = NSTIF;
  sys.geared = 0;
  sys.has_psi = 0;
  number_dofs(sys);
  for (int j = 1; j <= NMASS; ++j) {
    const double r = speed_ratio_of(MASSES(j));
    if (r != 1.0) sys.geared = 1;
    sys.ratio(j) = r;
    const int v = sys.dof(j);
    sys.inertia(v) += r * r * MASSES(j).amass;
    sys.damping(v) += r * r * MASSES(j).dampex;
  }
  sys.nelem = 0;
  for (int s = 1; s <= NSTIF; ++s) {
    const STIFFNESS& shaft = STIFF(s);
    sys.element_of(s) = 0;
    if (shaft.rigid != 0 && shaft.nodes(2) != 0) {
      sys.geared = 1;
      continue;
    }
    const double r = sys.ratio(shaft.nodes(1));
    ShaftElement el;
    el.stiffness = s;
    el.a = sys.dof(shaft.nodes(1));
    el.b = shaft.nodes(2) != 0 ? sys.dof(shaft.nodes(2)) : 0;
    el.k = r * r * shaft.stiff;
    el.c = r * r * shaft.dampin;
    el.h = shaft.psi / kTwoPi * el.k;
    if (shaft.psi != 0.0) sys.has_psi = 1;
    el.ratio = r;
    el.torque_gain = shaft.stiff * r;
    sys.elem(++sys.nelem) = el;
    sys.element_of(s) = sys.nelem;
  }
  build_tree(sys);
}

}  // namespace spindra
