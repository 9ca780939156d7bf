// Fixed-size tables indexed as the program counts: MASSES(1..100),
// IPMPC(0..15), AK(1..100, 1..100).  Bounds are checked in debug builds.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <initializer_list>

namespace spindra {

template <typename T, int Lo, int Hi>
class Table {
 public:
  static_assert(Hi >= Lo);
  static constexpr int kLow = Lo;
  static constexpr int kHigh = Hi;
  static constexpr int kSize = Hi - Lo + 1;

  T& operator()(int i) {
    assert(i >= Lo && i <= Hi);
    return items_[static_cast<std::size_t>(i - Lo)];
  }
  const T& operator()(int i) const {
    assert(i >= Lo && i <= Hi);
    return items_[static_cast<std::size_t>(i - Lo)];
  }
  void fill(const T& value) { items_.fill(value); }

  T* data() { return items_.data(); }
  const T* data() const { return items_.data(); }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  bool operator==(const Table&) const = default;

 private:
  std::array<T, kSize> items_{};
};

// A table filled from its lower bound on with the given values.
template <typename T, int Lo, int Hi>
Table<T, Lo, Hi> table_of(std::initializer_list<T> values) {
  Table<T, Lo, Hi> t;
  int i = Lo;
  for (const T& v : values) t(i++) = v;
  return t;
}

// Square or rectangular table of reals with 1-based (row, column) indexing,
// stored column by column.
template <typename T, int Rows, int Cols>
class Matrix {
 public:
  static constexpr int kRows = Rows;
  static constexpr int kCols = Cols;

  T& operator()(int i, int j) {
    assert(i >= 1 && i <= Rows && j >= 1 && j <= Cols);
    return items_[static_cast<std::size_t>((j - 1) * Rows + (i - 1))];
  }
  const T& operator()(int i, int j) const {
    assert(i >= 1 && i <= Rows && j >= 1 && j <= Cols);
    return items_[static_cast<std::size_t>((j - 1) * Rows + (i - 1))];
  }
  void fill(const T& value) { items_.fill(value); }
  T* data() { return items_.data(); }
  const T* data() const { return items_.data(); }

  bool operator==(const Matrix&) const = default;

 private:
  std::array<T, static_cast<std::size_t>(Rows) * Cols> items_{};
};

}  // namespace spindra
