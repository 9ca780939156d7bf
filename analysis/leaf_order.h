// The leaves-first order in which a shaft system is eliminated without fill:
// an inertia with one neighbour left is folded into that neighbour (its
// parent), again and again.  What cannot be peeled lies on rings of shafts.
// The forced response and the exact eigenvalue route both eliminate in this
// order.
#pragma once

#include "app/model/store.h"

namespace spindra {

// Peels the graph of n inertias (0-based, n <= kMaxNodes).
// `for_each_neighbour(v, visit)` calls visit(w) once for each inertia w that
// shares a shaft with v.  `order` receives the peeled inertias, each before
// its parent, and `parent[v]` the parent of v (-1 for a root, and for an
// inertia on a ring).  Returns how many were peeled: n when the system has no
// rings.  The order depends only on the graph: leaves are taken first in
// their numbering, then each inertia as it becomes a leaf.
template <class Neighbours>
int peel_leaves(int n, Neighbours&& for_each_neighbour, int* order, int* parent) {
  int degree[kMaxNodes];
  bool removed[kMaxNodes];
  int queue[kMaxNodes];
  int tail = 0;
  for (int v = 0; v < n; ++v) {
    degree[v] = 0;
    for_each_neighbour(v, [&degree, v](int) { ++degree[v]; });
    removed[v] = false;
    parent[v] = -1;
    if (degree[v] <= 1) queue[tail++] = v;
  }
  // Each inertia is queued once: at the start, or when all but one of its
  // neighbours are peeled; when it is taken it has at most one left.
  int peeled = 0;
  for (int head = 0; head < tail; ++head) {
    const int v = queue[head];
    removed[v] = true;
    order[peeled++] = v;
    for_each_neighbour(v, [&](int w) {
      if (removed[w]) return;
      parent[v] = w;
      if (--degree[w] == 1) queue[tail++] = w;
    });
  }
  return peeled;
}

}  // namespace spindra
