// Counts the allocations of the global operator new while counting is on.
// Include it in exactly one source file of a test program: it replaces the
// program's operator new and delete.
#pragma once

#include <cstdlib>
#include <new>

namespace allocation_counter {
inline bool counting = false;
inline int allocations = 0;
}  // namespace allocation_counter

void* operator new(std::size_t size) {
  if (allocation_counter::counting) ++allocation_counter::allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
