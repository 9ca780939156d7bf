// The pages of the response reports (MODEL.frc, MODEL.trn): 132 columns in
// the list file's style, each page under a heading with the program's line,
// the model's title, the date and time; and the opening and closing of the
// report and CSV files with the messages a user reads when they fail.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "analysis/list_file.h"
#include "app/model/calndr.h"

namespace spindra {

class ReportPage {
 public:
  // `program` follows the firm's name in the heading, `page_gap` blanks
  // before "Page:".
  ReportPage(ListFile& out, std::string_view program, int page_gap)
      : out_(out), program_(program), page_gap_(page_gap) {}
  virtual ~ReportPage() = default;
  ReportPage(const ReportPage&) = delete;
  ReportPage& operator=(const ReportPage&) = delete;

  // Starts a new page with its heading.
  void heading();
  // Starts a new page when fewer than `needed` lines are left on this one.
  void room(int needed);

  ListFile& line() { return out_; }
  void end();
  void empty();

  DateText date_;
  TimeText time_;

 protected:
  // The lines a report adds to the heading under the date and time; how
  // many it wrote.
  virtual int more_heading() { return 0; }
  ListFile& out() { return out_; }

 private:
  ListFile& out_;
  std::string_view program_;
  int page_gap_;
  int page_ = 0;
  int lines_ = 0;
};

// The report beside the model file: its name with this extension
// ("Unnamed" for a model without a name).
std::string report_file_name(std::string_view extension);
// Opens the report `path`; false with the reason when it cannot be created.
bool open_report(ListFile& out, const std::string& path, std::string* message);
// Closes the report `path`; false when it was not written completely.
bool close_report(ListFile& out, const std::string& path, std::string* message);

// Opens the CSV file `path` for writing; null with the reason when it
// cannot be created.
std::FILE* open_csv(const std::string& path, std::string* message);
// Closes the CSV file `path`; false when it was not written completely.
bool close_csv(std::FILE* file, const std::string& path, std::string* message);

}  // namespace spindra
