#include "platform/qt/page_device.h"

#include <QFontMetricsF>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>
#include <algorithm>

#include "platform/qt/graphics_region.h"

namespace spindra::qt {

namespace {

constexpr int kComplement = 32768;

QColor colour_of(int colour) {
  return QColor(palette_colour((colour & ~kComplement) & 15));
}

bool fail(std::string* message, const std::string& text) {
  if (message) *message = text;
  return false;
}

QPageLayout a4_landscape(double margin_mm) {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                     QMarginsF(margin_mm, margin_mm, margin_mm, margin_mm),
                     QPageLayout::Millimeter);
}

}  // namespace

Page::Page() = default;
Page::~Page() {
  if (painter_.isActive()) painter_.end();
}

bool Page::begin_file(PageKind kind, const QString& path, std::string* message) {
  kind_ = kind;
  path_ = path;
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return fail(message, "The picture file " + path.toStdString() +
                             " could not be created: " + file_.errorString().toStdString() + ".");
  bool started = false;
  switch (kind) {
    case PageKind::Svg:
      svg_ = std::make_unique<QSvgGenerator>();
      svg_->setOutputDevice(&file_);
      svg_->setSize(QSize(kPageWidth, kPageHeight));
      svg_->setViewBox(QRect(0, 0, kPageWidth, kPageHeight));
      svg_->setResolution(kPageDpi);
      svg_->setTitle(QStringLiteral("Spindra"));
      started = painter_.begin(svg_.get());
      break;
    case PageKind::Pdf:
      pdf_ = std::make_unique<QPdfWriter>(&file_);
      pdf_->setPageLayout(a4_landscape(0.0));
      pdf_->setResolution(kPageDpi);
      pdf_->setCreator(QStringLiteral("Spindra"));
      started = painter_.begin(pdf_.get());
      break;
    default:
      image_ = QImage(kPageWidth, kPageHeight, QImage::Format_RGB32);
      image_.fill(palette_colour(15));
      started = painter_.begin(&image_);
      break;
  }
  if (!started) return fail(message, "The picture " + path.toStdString() + " could not be drawn.");
  return true;
}

bool Page::begin_printer(QPrinter& printer, std::string* message) {
  kind_ = PageKind::Printer;
  if (!painter_.begin(&printer)) return fail(message, "The printer could not be started.");
  // The page's pixels scaled to the printable area, keeping the paper's
  // proportions.
  const QRect area = painter_.viewport();
  const double scale =
      std::min(area.width() / double(kPageWidth), area.height() / double(kPageHeight));
  const int w = static_cast<int>(kPageWidth * scale), h = static_cast<int>(kPageHeight * scale);
  painter_.setViewport(area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h);
  painter_.setWindow(0, 0, kPageWidth, kPageHeight);
  return true;
}

void Page::clear() {
  if (!vector()) painter_.fillRect(0, 0, kPageWidth, kPageHeight, palette_colour(15));
}

void Page::line(int x1, int y1, int x2, int y2, int colour, int width) {
  QPen pen(colour_of(colour));
  pen.setWidth(std::max(width, 1));
  pen.setCapStyle(Qt::SquareCap);
  pen.setJoinStyle(Qt::MiterJoin);
  painter_.setPen(pen);
  painter_.drawLine(x1, y1, x2, y2);
}

void Page::pixel(int x, int y, int colour) {
  // On a vector page the line already ends on this point with its cap.
  if (!vector()) painter_.fillRect(x, y, 1, 1, colour_of(colour));
}

void Page::fill(int x1, int y1, int x2, int y2, int colour) {
  painter_.fillRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                          QPoint(std::max(x1, x2), std::max(y1, y2))),
                    colour_of(colour));
}

bool Page::end(std::string* message) {
  const bool painted = painter_.end();
  if (kind_ == PageKind::Printer) return painted || fail(message, "The printer failed.");
  bool written = painted;
  if (kind_ == PageKind::Png && painted) {
    QImageWriter writer(&file_, "png");
    written = writer.write(image_);
    if (!written)
      return fail(message, "The picture file " + path_.toStdString() +
                               " could not be written: " + writer.errorString().toStdString() +
                               ".");
  }
  svg_.reset();
  pdf_.reset();
  written = written && file_.error() == QFileDevice::NoError;
  file_.close();
  if (!written || file_.error() != QFileDevice::NoError)
    return fail(message, "The picture file " + path_.toStdString() +
                             " could not be written completely (is the disk full?).");
  return true;
}

std::unique_ptr<QPrinter> make_printer() {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setPageLayout(a4_landscape(10.0));
  return printer;
}

bool print_text(const QString& file, QPagedPaintDevice& device, std::string* message) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly))
    return fail(message, "The list file " + file.toStdString() +
                             " cannot be read: " + in.errorString().toStdString() + ".");
  QStringList lines = QString::fromLocal8Bit(in.readAll()).split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();

  QPainter painter;
  if (!painter.begin(&device)) return fail(message, "The pages could not be started.");
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPointSizeF(10.0);
  const QRect area = painter.viewport();
  // 132 columns across the page.
  const double across = QFontMetricsF(font, &device).horizontalAdvance(QString(132, QLatin1Char('M')));
  if (across > 0.0) font.setPointSizeF(10.0 * area.width() / across * 0.99);
  painter.setFont(font);
  const QFontMetricsF metrics(font, &device);
  const double step = metrics.lineSpacing();
  const int rows = std::max(1, static_cast<int>(area.height() / step));
  painter.setPen(Qt::black);

  int row = 0;
  bool page_has_text = false;
  for (QString text : lines) {
    if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
    bool feed = text.trimmed() == QLatin1String("1") && text.startsWith(QLatin1Char('1'));
    if (text.startsWith(QLatin1Char('\f'))) {
      feed = true;
      text.remove(0, 1);
    }
    if ((feed && page_has_text) || row >= rows) {
      if (!device.newPage()) {
        painter.end();
        return fail(message, "A new page could not be started.");
      }
      row = 0;
      page_has_text = false;
    }
    if (feed && text.trimmed() == QLatin1String("1")) continue;  // the mark itself is not printed
    painter.drawText(QPointF(0.0, row * step + metrics.ascent()), text);
    ++row;
    page_has_text = true;
  }
  if (!painter.end()) return fail(message, "The pages could not be finished.");
  return true;
}

}  // namespace spindra::qt
