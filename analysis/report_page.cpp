#include "analysis/report_page.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/model/model_file.h"
#include "app/model/store.h"

namespace spindra {

namespace {

constexpr int kLinesPerPage = 60;

}  // namespace

void ReportPage::heading() {
  ++page_;
  out_.text("1");
  out_.end_line();
  for (int l = 2; l <= 7; ++l) out_.empty_line();
  out_.blanks(30).text("Harbrook Vibration Engineering").text(program_);
  out_.blanks(page_gap_).text("Page: ").i(page_, 3);
  out_.end_line();
  const int i2 = LENGET(TITLE.view());
  out_.blanks(std::max((132 - i2) / 2, 1)).text(TITLE.trimmed());
  out_.end_line();
  out_.blanks(40).text("Date: ").text(date_.view()).text("                    Time: ");
  out_.text(time_.view());
  out_.end_line();
  const int more = more_heading();
  out_.empty_line();
  lines_ = 12 + more;
}

void ReportPage::room(int needed) {
  if (lines_ + needed > kLinesPerPage) heading();
}

void ReportPage::end() {
  out_.end_line();
  ++lines_;
}

void ReportPage::empty() {
  out_.empty_line();
  ++lines_;
}

std::string report_file_name(std::string_view extension) {
  FileName130 name = FILIN;
  if (name.is_blank()) name = "Unnamed";
  DEFAULT_EXTENSION(name, extension, 0);
  return std::string(name.trimmed());
}

bool open_report(ListFile& out, const std::string& path, std::string* message) {
  if (out.open(path.c_str())) return true;
  if (message != nullptr)
    *message = "The report " + path + " could not be created: " + std::strerror(errno) + ".";
  return false;
}

bool close_report(ListFile& out, const std::string& path, std::string* message) {
  if (out.close()) return true;
  if (message != nullptr)
    *message = "The report " + path + " could not be written completely (is the disk full?).";
  return false;
}

std::FILE* open_csv(const std::string& path, std::string* message) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr && message != nullptr)
    *message = path + ": the file could not be created (" + std::strerror(errno) + ").";
  return file;
}

bool close_csv(std::FILE* file, const std::string& path, std::string* message) {
  const bool ok = std::ferror(file) == 0;
  if (std::fclose(file) != 0 || !ok) {
    if (message != nullptr) *message = path + ": the file could not be written completely.";
    return false;
  }
  return true;
}

}  // namespace spindra
