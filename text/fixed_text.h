// Fixed-width, blank-padded text fields: names (16), titles (80), file names
// (130), list entries (12).  A FixedText never holds a terminator; its unused
// tail is blanks, as the model file and the report expect.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace spindra {

// Length of a text without its trailing blanks (0 for an all-blank text).
int LENGET(std::string_view text);

// Copies s into a blank-padded field of `width` characters, cut to the width.
inline void copy_padded(char* field, std::size_t width, std::string_view s) {
  const std::size_t n = std::min(s.size(), width);
  std::copy_n(s.data(), n, field);
  std::fill(field + n, field + width, ' ');
}

template <std::size_t N>
class FixedText {
 public:
  static constexpr int kWidth = static_cast<int>(N);

  FixedText() { chars_.fill(' '); }
  FixedText(std::string_view s) { assign(s); }  // NOLINT: texts convert freely

  // Copies s, cut to the width or padded with blanks.
  void assign(std::string_view s) { copy_padded(chars_.data(), N, s); }
  FixedText& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  template <std::size_t M>
  FixedText& operator=(const FixedText<M>& other) {
    assign(other.view());
    return *this;
  }

  void blank() { chars_.fill(' '); }
  bool is_blank() const { return LENGET(view()) == 0; }

  // The whole field, trailing blanks included.
  std::string_view view() const { return {chars_.data(), N}; }
  // The text without its trailing blanks.
  std::string_view trimmed() const { return view().substr(0, static_cast<std::size_t>(LENGET(view()))); }
  std::string str() const { return std::string(trimmed()); }

  // 1-based character access, as the text routines count positions.
  char& at1(int i) { return chars_.at(static_cast<std::size_t>(i - 1)); }
  char at1(int i) const { return chars_.at(static_cast<std::size_t>(i - 1)); }

  char* data() { return chars_.data(); }
  const char* data() const { return chars_.data(); }
  static constexpr int width() { return kWidth; }

  bool operator==(const FixedText&) const = default;
  bool operator==(std::string_view s) const { return trimmed() == FixedText(s).trimmed(); }

 private:
  std::array<char, N> chars_;
};

}  // namespace spindra
