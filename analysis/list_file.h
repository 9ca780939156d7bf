// The list file: a plain-text report of fixed-column lines for 132-column
// paper.  ListFile composes one line at a time in a fixed buffer from text,
// blank runs and the report's number fields, and writes it to the file.
//
// Number fields: F w.d holds a real in w characters with d decimals, rounded,
// right-aligned (the leading zero of a fraction is dropped when only that
// makes it fit); I w holds an integer in w characters.  A number too wide for
// its field fills the field with asterisks.
#pragma once

#include <cstdio>
#include <string_view>

namespace spindra {

// Pi as the report's single-precision figures use it.
inline constexpr double kPiSingle = 3.1415927410125732;

// Writes value as F w.d into out[0..w).  w is at most 40.
void format_f(char* out, int w, int d, double value);
// Writes value as I w into out[0..w).  w is at most 40.
void format_i(char* out, int w, long value);

class ListFile {
 public:
  static constexpr int kMaxLine = 256;

  ListFile() = default;
  ListFile(const ListFile&) = delete;
  ListFile& operator=(const ListFile&) = delete;
  ~ListFile() { close(); }

  // Creates the file or empties it.  False when it cannot be created.
  bool open(const char* path);
  // Closes the file; false when any write or the close failed.
  bool close();
  bool is_open() const { return file_ != nullptr; }
  bool failed() const { return failed_; }

  // Pieces of the current line.
  ListFile& text(std::string_view s);
  ListFile& blanks(int n);
  ListFile& f(double value, int w, int d);
  ListFile& i(long value, int w);
  // Blanks up to (and including) column `column`, 1-based.
  ListFile& pad_to(int column);
  int column() const { return length_; }

  // Writes the current line and starts the next one.
  void end_line();
  // Writes an empty line.
  void empty_line();

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  char line_[kMaxLine + 1] = {};
  int length_ = 0;
};

}  // namespace spindra
