// Pictures and prints of the drawings: the same drawing routine that draws
// in a graphics region runs on the kernel's printer device (910000, the
// window library's printer), which draws on a page: a picture file (SVG,
// PDF, PNG by the name's extension) or a sheet of the printer.
#pragma once

#include <string>
#include <string_view>

#include "platform/window_library.h"
#include "app/model/store.h"

namespace spindra {

// Draws with `draw` on a page of the given kind; the kernel then goes back
// to the region slot it was on.  False with a message when the page cannot
// be made or written (empty when the user cancelled the print dialog).
bool draw_on_page(PageKind kind, std::string_view path, int (*draw)(), std::string* message);
// True while draw_on_page draws: a drawing routine adds what only a page
// carries (the title block of a plot).
inline bool drawing_on_page = false;
// The date and time a page is drawn, "2026-12-08 14:05" local time; with
// SOURCE_DATE_EPOCH set, that time in UTC, so that pictures can be made
// again byte for byte.
std::string drawing_time_text();
// The same for a picture file whose kind the extension of `path` gives; a
// name with another extension is refused with a message.
bool export_picture(std::string_view path, int (*draw)(), std::string* message);

// The picture file name of File > Export Picture..., offered by the file
// dialog (the model's name with the extension "svg").
inline FileName130 PICTURE_FILE;
// Sets PICTURE_FILE from the model file name when it is blank or names
// another model.
void suggest_picture_name(FileName130& picture);

// The commands behind Export Picture... and Print... of a window whose
// drawing `draw` makes: a picture to `file` (extension svg when it has
// none), or a print after the print dialog; a failure is shown in a
// message.  Return 1.
int export_command(FileName130& file, int (*draw)());
int print_command(int (*draw)());

// The name of the file filter of picture files in the windows that export
// pictures ("*.svg *.pdf *.png").
inline constexpr const char* kPictureFilter = "Pictures";

// Main-window callbacks: File > Export Picture... (the file dialog offering
// the picture types only, then the picture) and File > Print...; both draw
// the model as IDRAW does.  Return 1.
int EXPORT_PICTURE();
int PRINT_PICTURE();

}  // namespace spindra
