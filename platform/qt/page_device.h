// Pages of the window library's printer on Qt's paint devices: SVG
// generator, PDF writer and image files, and the printer.  A page is a grid
// of pixels on the 297 x 210 mm paper (origin top left, y down) on which the
// region's drawing operations act; vector pages keep every line a line.
#pragma once

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <memory>
#include <string>

#include "platform/window_library.h"

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;
class QSvgGenerator;

namespace spindra::qt {

// 5 pixels per millimetre: at least the pixels of any graphics region.
inline constexpr int kPageWidth = 1485;
inline constexpr int kPageHeight = 1050;
inline constexpr int kPageDpi = 127;  // 5 pixels per millimetre

class Page {
 public:
  Page();
  ~Page();
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  // A picture file (Svg, Pdf or Png); false with a message when the file
  // cannot be created.
  bool begin_file(PageKind kind, const QString& path, std::string* message);
  // A sheet of a printer set up by its dialog, the page scaled to fit it.
  bool begin_printer(QPrinter& printer, std::string* message);

  void clear();
  void line(int x1, int y1, int x2, int y2, int colour, int width);
  void pixel(int x, int y, int colour);
  void fill(int x1, int y1, int x2, int y2, int colour);

  // Finishes the page and writes the file; false with a message when it
  // could not be written.
  bool end(std::string* message);

 private:
  bool vector() const { return kind_ != PageKind::Png; }

  PageKind kind_ = PageKind::Svg;
  QString path_;
  QFile file_;
  std::unique_ptr<QSvgGenerator> svg_;
  std::unique_ptr<QPdfWriter> pdf_;
  QImage image_;
  QPainter painter_;
};

// A printer set up for A4 landscape pages.
std::unique_ptr<QPrinter> make_printer();
// Prints a plain-text report on `device` (landscape pages): a fixed-pitch
// font sized so that 132 columns fill the width, a new page at each
// page-feed mark (a line holding only "1", or a form feed) and whenever a
// page is full.  False with a message when the file cannot be read or the
// device not painted.
bool print_text(const QString& file, QPagedPaintDevice& device, std::string* message);

}  // namespace spindra::qt
