#include "analysis/list_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace spindra {

namespace {

void right_align(char* out, int w, const char* text, int n) {
  if (n > w || n < 0) {
    std::fill(out, out + w, '*');
    return;
  }
  std::fill(out, out + (w - n), ' ');
  std::memcpy(out + (w - n), text, static_cast<std::size_t>(n));
}

}  // namespace

void format_f(char* out, int w, int d, double value) {
  char buffer[400];
  int n = 0;
  if (std::isnan(value)) {
    n = std::snprintf(buffer, sizeof buffer, "NaN");
  } else if (std::isinf(value)) {
    n = std::snprintf(buffer, sizeof buffer, value < 0 ? "-Inf" : "Inf");
  } else {
    n = std::snprintf(buffer, sizeof buffer, "%.*f", d, value);
  }
  if (n > w) {
    // A fraction may drop its leading zero: 0.50 -> .50, -0.50 -> -.50.
    char* zero = buffer[0] == '-' ? buffer + 1 : buffer;
    if (zero[0] == '0' && zero[1] == '.') {
      std::memmove(zero, zero + 1, static_cast<std::size_t>(n - (zero - buffer)));
      --n;
    }
  }
  right_align(out, w, buffer, n);
}

void format_i(char* out, int w, long value) {
  char buffer[32];
  const int n = std::snprintf(buffer, sizeof buffer, "%ld", value);
  right_align(out, w, buffer, n);
}

bool ListFile::open(const char* path) {
  close();
  failed_ = false;
  length_ = 0;
  file_ = std::fopen(path, "w");
  return file_ != nullptr;
}

bool ListFile::close() {
  if (file_ == nullptr) return !failed_;
  if (std::ferror(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

ListFile& ListFile::text(std::string_view s) {
  const int n = std::min(static_cast<int>(s.size()), kMaxLine - length_);
  std::memcpy(line_ + length_, s.data(), static_cast<std::size_t>(n));
  length_ += n;
  return *this;
}

ListFile& ListFile::blanks(int n) {
  n = std::clamp(n, 0, kMaxLine - length_);
  std::fill(line_ + length_, line_ + length_ + n, ' ');
  length_ += n;
  return *this;
}

ListFile& ListFile::f(double value, int w, int d) {
  if (length_ + w <= kMaxLine) {
    format_f(line_ + length_, w, d, value);
    length_ += w;
  }
  return *this;
}

ListFile& ListFile::i(long value, int w) {
  if (length_ + w <= kMaxLine) {
    format_i(line_ + length_, w, value);
    length_ += w;
  }
  return *this;
}

ListFile& ListFile::pad_to(int column) {
  return blanks(column - length_);
}

void ListFile::end_line() {
  line_[length_] = '\n';
  if (file_ != nullptr && std::fwrite(line_, 1, static_cast<std::size_t>(length_) + 1, file_) !=
                              static_cast<std::size_t>(length_) + 1) {
    failed_ = true;
  }
  length_ = 0;
}

void ListFile::empty_line() {
  length_ = 0;
  end_line();
}

}  // namespace spindra
