// The file dialog of the standard open and save actions.
#pragma once

#include <QString>
#include <vector>

#include "platform/layout.h"

class QWidget;

namespace spindra::qt {

// Asks for a file to read (`reading`) or to write, offering `filters` (and
// "All files" when `all_files`), starting at `current`.  The dialog never reads a file's
// contents: types and icons come from names alone, so a folder of kernel
// files (/proc) cannot block it.  A save asks before replacing the file that
// will really be written: the name typed with the program's save name rule
// for a field of `width` characters applied.  Returns the path chosen, or an
// empty text when the user cancelled.
QString choose_file(QWidget* parent, bool reading, const std::vector<layout::Filter>& filters,
                    const QString& current, int width, bool all_files = true);

}  // namespace spindra::qt
