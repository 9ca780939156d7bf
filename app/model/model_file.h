// The model file: a plain-text file with the extension "rtm" that carries the
// model store (title, counts, unit factors, order range, inertias,
// stiffnesses, engines) in internal units.
#pragma once

#include <string>
#include <string_view>

#include "text/fixed_text.h"

namespace spindra {

// Forces the extension `ext` (without its dot) on the blank-padded name held
// in file[0..width).  mode 1 keeps an extension that is already there; any
// other value replaces it.  Only the last path component is searched for the
// extension's dot.
void DEFAULT_EXTENSION(char* file, int width, std::string_view ext, int mode);
template <std::size_t N>
void DEFAULT_EXTENSION(FixedText<N>& file, std::string_view ext, int mode) {
  DEFAULT_EXTENSION(file.data(), static_cast<int>(N), ext, mode);
}

// Reads the model file named by FILIN (extension forced to "rtm") into the
// store.  The file is read into a scratch copy first; only a complete, valid
// model replaces the one in memory.  On failure the store is left exactly as
// it was and `error` (when given) receives a message naming the file, the
// line and the field.
bool read_model_file(std::string* error = nullptr);

// Writes the store to the file named by FILIN (extension forced to "rtm").
// On failure `error` receives the reason; the store is never changed.
bool write_model_file(std::string* error = nullptr);

}  // namespace spindra

namespace spindra {

// Reads a model from the text of a model file (`file_name` only names it in
// messages).  Replaces the model in memory only when the whole text is valid;
// then the frequency list is blanked and IVALID is 0.
bool load_model_text(std::string_view text, std::string_view file_name, std::string* error);

// The text SAVE_FILE writes for the model in memory.
std::string model_text();

}  // namespace spindra
