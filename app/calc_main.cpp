// spindra-calc MODEL.rtm [options]: the batch form of File > Open followed
// by Calculate > Frequencies.  Reads the model file with the program's own
// reader, runs the same frequency analysis, writes the list file beside the
// model (same name, extension "lis") and prints the frequency list (mode
// number and vpm) on standard output.  With --campbell and --picture it also
// writes the Campbell diagram and the model drawing as picture files, drawn
// by the program's own drawing routines on the window library's printer,
// with the toolkit started without a display.  A file that cannot be read,
// an analysis that is refused or fails, or an option it cannot follow prints
// its message on standard error and ends with a non-zero status; the list
// file is written whenever the analysis runs.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/campbell.h"
#include "analysis/check_messages.h"
#include "analysis/forced_response.h"
#include "analysis/frequency_analysis.h"
#include "analysis/transient.h"
#include "app/campbell_window.h"
#include "app/command_line.h"
#include "app/draw.h"
#include "app/forced_window.h"
#include "app/model/model_file.h"
#include "app/model/store.h"
#include "app/picture.h"
#include "app/transient_window.h"
#include "graphics/display/display.h"
#include "platform/headless.h"

#ifndef SPINDRA_PAGES
// A build without the toolkit has no page output.
namespace spindra {
bool start_headless_window_library() { return false; }
void stop_headless_window_library() {}
}  // namespace spindra
#endif

namespace {

using namespace spindra;

// The options in short; the manual page spindra-calc(1) has them in full.
void print_usage(std::FILE* to) {
  std::fputs(
      "Usage: spindra-calc MODEL.rtm [--campbell FILE [--campbell-range FROM:TO]]\n"
      "                  [--picture FILE [--mode N]]\n"
      "                  [--forced OUT.csv [--case NAME] [--misfire K:C]]\n"
      "                  [--forced-picture FILE [--item shaft:S|inertia:I]]\n"
      "                  [--transient OUT.csv [--case NAME]]\n"
      "                  [--transient-picture FILE [--item shaft:S|inertia:I]]\n"
      "       spindra-calc --help | --version\n"
      "Analyses the model file, writes MODEL.lis beside it and prints the natural\n"
      "frequencies (mode number and vib/min).\n"
      "  --campbell FILE  also write the Campbell diagram to FILE\n"
      "  --campbell-range FROM:TO\n"
      "                   the engine speeds (rev/min) the Campbell diagram shows\n"
      "                   (default: 0 to 1.2 times the rated speed of the sweep)\n"
      "  --picture FILE   also write the model drawing to FILE, with the mode\n"
      "                   shape of the first listed mode, or of mode N with --mode N\n"
      "  --forced-picture FILE [--item shaft:S|inertia:I]\n"
      "                   also write the forced response plot of the item (default:\n"
      "                   the shaft most stressed relative to its limit) to FILE\n"
      "  --forced OUT.csv also run the forced damped response of every load case:\n"
      "                   MODEL.frc beside the model and every amplitude in OUT.csv\n"
      "                   (first column case when the model has load cases)\n"
      "  --case NAME      with --forced or --forced-picture, run the load case NAME\n"
      "  --misfire K:C    with --forced or --forced-picture, cylinder C of engine K\n"
      "                   gives no gas torque\n"
      "  --transient OUT.csv also run a transient case: MODEL.trn beside the model\n"
      "                   and the sampled history in OUT.csv\n"
      "  --case NAME      with --transient or --transient-picture, the case of that\n"
      "                   name (default: the first)\n"
      "  --transient-picture FILE [--item shaft:S|inertia:I]\n"
      "                   also write the transient plot of the item (default: the\n"
      "                   shaft closest to its limit, else the largest torque) to FILE\n"
      "  -h, --help       print this help and exit\n"
      "  --version        print the version and exit\n"
      "FILE is a picture: its extension svg, pdf or png chooses the kind.\n"
      "Exit status: 0 done, 1 the model or a picture failed, 2 a bad command line.\n",
      to);
}

int usage() {
  print_usage(stderr);
  return 2;
}

void print_error(const std::string& text) {
  std::fprintf(stderr, "spindra-calc: %s\n", text.c_str());
}

struct Options {
  std::string model;
  std::string campbell;
  std::string picture;
  int mode = 0;  // 0: the first listed mode
  std::string forced_picture;
  std::string item;  // "shaft:S" or "inertia:I"; empty: the default item
  double campbell_from = 0.0;  // --campbell-range FROM:TO; TO 0: the default
  double campbell_to = 0.0;
  std::string forced;     // CSV of the forced response
  ForcedRequest misfire;  // --misfire K:C
  std::string transient;  // CSV of the transient response
  std::string transient_picture;
  // --case NAME: the load case of the forced response and/or the transient
  // case, whichever the name is; given, but found for neither: refused.
  std::string case_name;
  bool case_given = false;
  std::string load_case;        // the load case run; empty: every case
  bool transient_case = false;  // case_name names the transient case run
  std::vector<std::string> errors;
};

// A picture file name: present and with an extension that can be written.
void take_picture_name(Options& o, std::string_view option, const char* value,
                       std::string& name) {
  PageKind kind;
  if (value == nullptr || value[0] == '\0' || (value[0] == '-' && value[1] == '-')) {
    o.errors.push_back(std::string(option) + " needs a picture file name (.svg, .pdf or .png).");
  } else if (!page_kind_of(value, kind) || kind == PageKind::Printer) {
    o.errors.push_back(std::string(option) + " " + value +
                       ": a picture is written as SVG, PDF or PNG; give the file name one of "
                       "the extensions svg, pdf or png.");
  } else {
    name = value;
  }
}

// --forced OUT.csv and --misfire K:C (K the engine, C its cylinder).
void take_forced_option(Options& o, std::string_view option, const char* value) {
  if (option == "--forced") {
    if (value == nullptr || value[0] == '\0')
      o.errors.push_back("--forced needs the name of the CSV file to write.");
    else
      o.forced = value;
    return;
  }
  int k = 0, c = 0, used = 0;
  if (value == nullptr || std::sscanf(value, "%d:%d%n", &k, &c, &used) != 2 ||
      value[used] != '\0' || k < 1 || k > kMaxEngines || c < 1) {
    o.errors.push_back(std::string("--misfire ") + (value != nullptr ? value : "") +
                       ": give the engine and the cylinder as K:C, e.g. 1:3.");
    return;
  }
  o.misfire = ForcedRequest{k, c};
}

// --item shaft:S or inertia:I, S and I whole numbers from 1; whether the
// model has that item is known only once it is read.
void take_item(Options& o, const char* value) {
  const std::string_view v = value;
  const std::size_t colon = v.find(':');
  const std::string_view kind = v.substr(0, colon);
  const std::string_view digits = colon == std::string_view::npos ? "" : v.substr(colon + 1);
  bool whole = !digits.empty() && digits.size() <= 6 && digits[0] != '0';
  for (const char c : digits) whole = whole && c >= '0' && c <= '9';
  if ((kind != "shaft" && kind != "inertia") || !whole) {
    o.errors.push_back("--item " + std::string(v) +
                       ": name a shaft as shaft:S or an inertia as inertia:I, e.g. shaft:5.");
    return;
  }
  o.item = v;
}

// --campbell-range FROM:TO in rev/min, 0 <= FROM < TO.
void take_campbell_range(Options& o, const char* value) {
  double from = 0.0, to = 0.0;
  int used = 0;
  if (value == nullptr || std::sscanf(value, "%lf:%lf%n", &from, &to, &used) != 2 ||
      value[used] != '\0' || !std::isfinite(from) || !std::isfinite(to) || from < 0.0 ||
      !(to > from)) {
    o.errors.push_back(std::string("--campbell-range ") + (value != nullptr ? value : "") +
                       ": give the engine speeds as FROM:TO in rev/min, 0 <= FROM < TO, e.g. "
                       "0:1800.");
    return;
  }
  o.campbell_from = from;
  o.campbell_to = to;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    const bool has_value = next != nullptr && !(next[0] == '-' && next[1] == '-');
    if (arg == "--campbell" || arg == "--picture") {
      take_picture_name(o, arg, next, arg == "--campbell" ? o.campbell : o.picture);
      if (has_value) ++i;
    } else if (arg == "--forced-picture") {
      take_picture_name(o, arg, next, o.forced_picture);
      if (has_value) ++i;
    } else if (arg == "--transient-picture") {
      take_picture_name(o, arg, next, o.transient_picture);
      if (has_value) ++i;
    } else if (arg == "--item") {
      if (has_value) take_item(o, next);
      if (!has_value) o.errors.push_back("--item needs shaft:S or inertia:I.");
      if (has_value) ++i;
    } else if (arg == "--campbell-range") {
      if (has_value) take_campbell_range(o, next);
      if (!has_value) o.errors.push_back("--campbell-range needs FROM:TO in rev/min.");
      if (has_value) ++i;
    } else if (arg == "--mode") {
      char* end = nullptr;
      const long n = has_value ? std::strtol(next, &end, 10) : 0;
      if (!has_value) {
        o.errors.push_back("--mode needs a mode number.");
      } else if (end == next || *end != '\0' || n < 1 || n > kMaxNodes) {
        o.errors.push_back(std::string("--mode ") + next + ": a mode number is a whole number "
                           "from 1 to " + std::to_string(kMaxNodes) + ".");
      } else {
        o.mode = static_cast<int>(n);
      }
      if (has_value) ++i;
    } else if (arg == "--forced" || arg == "--misfire") {
      take_forced_option(o, arg, has_value ? next : nullptr);
      if (has_value) ++i;
    } else if (arg == "--transient") {
      if (next == nullptr || next[0] == '\0' || !has_value)
        o.errors.push_back("--transient needs the name of the CSV file to write.");
      else
        o.transient = next;
      if (has_value) ++i;
    } else if (arg == "--case") {
      // A case's name may start with anything but two dashes.
      if (!has_value || next[0] == '\0') o.errors.push_back("--case needs the name of a case.");
      if (has_value) o.case_name = next;
      o.case_given = true;
      if (has_value) ++i;
    } else if (arg.size() > 1 && arg[0] == '-') {
      o.errors.push_back(std::string(arg) + ": unknown option.");
    } else if (o.model.empty()) {
      o.model = arg;
    } else {
      o.errors.push_back(std::string(arg) + ": only one model file is analysed at a time.");
    }
  }
  if (o.mode != 0 && o.picture.empty())
    o.errors.push_back("--mode chooses the mode shape of --picture; give --picture too.");
  if (o.misfire.misfire_engine != 0 && o.forced.empty() && o.forced_picture.empty())
    o.errors.push_back(
        "--misfire chooses the misfiring cylinder of --forced and --forced-picture; give "
        "--forced too.");
  if (o.case_given && o.transient.empty() && o.transient_picture.empty() && o.forced.empty() &&
      o.forced_picture.empty())
    o.errors.push_back(
        "--case chooses the case of --forced, --forced-picture, --transient or "
        "--transient-picture; give one of them too.");
  if (o.campbell_to > 0.0 && o.campbell.empty())
    o.errors.push_back(
        "--campbell-range chooses the speeds of --campbell; give --campbell too.");
  if (!o.item.empty() && o.forced_picture.empty() && o.transient_picture.empty())
    o.errors.push_back("--item chooses the item of --forced-picture; give --forced-picture too.");
  return o;
}

// The list entry of mode number n; 0 when the analysis did not list it.
int32_t listed_entry(int n) {
  for (int32_t m = 1; m <= kMaxNodes && IFREQS(m) != 0; ++m) {
    if (IFREQS(m) == n) return m;
  }
  return 0;
}

std::string listed_modes() {
  std::string modes;
  for (int32_t m = 1; m <= kMaxNodes && IFREQS(m) != 0; ++m)
    modes += (modes.empty() ? "" : ", ") + std::to_string(IFREQS(m));
  return modes.empty() ? "none" : modes;
}

bool run_chosen_case(const Options& o);

// Writes the pictures the options ask for; false after printing what went
// wrong.
bool write_pictures(const Options& o) {
  if (!start_headless_window_library()) {
    print_error("this build has no picture output.");
    return false;
  }
  // The drawings are made on the 297 x 210 mm paper of the model's region.
  PREPARE_GRAPH_WINDOW(1);
  SET_WINDOWS_SIZE(0, 0, 297.0f, 210.0f, 0);
  bool ok = true;
  std::string message;
  if (!o.picture.empty()) {
    if (o.mode != 0) ICURRENT_FREQ = listed_entry(o.mode);
    if (o.mode != 0 && ICURRENT_FREQ == 0) {
      print_error("--mode " + std::to_string(o.mode) +
                  ": that mode is not listed by the analysis; the listed modes are " +
                  listed_modes() + ".");
      ok = false;
    } else if (!export_picture(o.picture, IDRAW, &message)) {
      print_error(message);
      ok = false;
    } else {
      std::printf("Picture: %s\n", o.picture.c_str());
    }
  }
  if (!o.campbell.empty()) {
    reset_campbell_ranges();
    if (o.campbell_to > 0.0) {
      SPEED_FROM = o.campbell_from;
      SPEED_TO = o.campbell_to;
    }
    if (!campbell_available(&message) || !export_picture(o.campbell, DRAW_CAMPBELL, &message)) {
      print_error(message);
      ok = false;
    } else {
      std::printf("Campbell diagram: %s\n", o.campbell.c_str());
    }
  }
  if (!o.forced_picture.empty()) {
    ForcedRequest request = o.misfire;
    request.load_case = forced_case_number(o.load_case);
    if ((forced_results_valid() == 0 && !run_forced_response(request, &message)) ||
        !write_forced_picture(o.forced_picture, o.item, &message)) {
      print_error(message);
      ok = false;
    } else {
      std::printf("Forced response picture: %s\n", o.forced_picture.c_str());
    }
  }
  if (!o.transient_picture.empty()) {
    if (transient_results_valid() == 0 && !run_chosen_case(o)) {
      ok = false;
    } else if (!write_transient_picture(o.transient_picture, o.item, &message)) {
      print_error(message);
      ok = false;
    } else {
      std::printf("Transient picture: %s\n", o.transient_picture.c_str());
    }
  }
  stop_headless_window_library();
  return ok;
}

// Runs the forced response and writes its report and CSV; false after
// printing what went wrong.
bool write_forced(const Options& o) {
  std::string message;
  // Every case, or the one asked for, each with the misfire asked for.
  std::vector<ForcedRequest> runs;
  for (int32_t c = 1; c <= forced_case_count(); ++c) {
    if (!o.load_case.empty() && c != forced_case_number(o.load_case)) continue;
    ForcedRequest r = o.misfire;
    r.load_case = c;
    runs.push_back(r);
  }
  if (!write_forced_runs(o.forced, runs, &message)) {
    print_error(message);
    return false;
  }
  if (!message.empty()) std::printf("Note: %s\n", message.c_str());
  std::printf("Forced response report: %s\n", forced_report_name().c_str());
  std::printf("Forced response CSV: %s\n", o.forced.c_str());
  return true;
}

// Runs the transient case the options name and writes its report and CSV;
// false after printing what went wrong.
bool run_chosen_case(const Options& o) {
  std::string message;
  const int32_t k = o.transient_case ? find_transient_case(o.case_name) : NTRANS > 0 ? 1 : 0;
  if (!run_transient(k, &message)) {
    print_error(message);
    return false;
  }
  return true;
}

bool write_transient(const Options& o) {
  std::string message;
  if (!run_chosen_case(o)) return false;
  if (!write_transient_report(&message) || !write_transient_csv(o.transient, &message)) {
    print_error(message);
    return false;
  }
  const TransientInfo info = transient_info();
  std::printf("Transient case %d: %ld steps of %.6g s\n", info.case_number, info.steps, info.dt);
  std::printf("Transient report: %s\n", transient_report_name().c_str());
  std::printf("Transient CSV: %s\n", o.transient.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {  // --help and --version anywhere win
    const std::string_view a = argv[i];
    if (a == "-h" || a == "--help") return print_usage(stdout), 0;
    if (a == "--version") return std::fputs(version_text("spindra-calc").c_str(), stdout), 0;
  }
  if (argc < 2) return usage();
  batch_messages = true;  // messages name the model file's sections
  Options options = parse(argc, argv);
  if (options.model.empty()) {
    for (const std::string& e : options.errors) print_error(e);
    return usage();
  }
  const std::string& path = options.model;
  if (path.size() > static_cast<std::size_t>(FileName130::kWidth) - 4) {
    print_error(path + ": the file name is longer than " +
                std::to_string(FileName130::kWidth - 4) + " characters.");
    return 1;
  }

  initialise_store();
  FILIN = path;
  std::string message;
  if (!read_model_file(&message)) {
    print_error(message);
    return 1;
  }
  if (!run_frequency_analysis(&message)) {
    print_error(message);
    return 1;
  }

  std::printf("  Mode    Frequency\n number    vib/min\n");
  for (int m = 1; m <= NMASS && IFREQS(m) != 0; ++m) {
    std::printf("%5d  %.*s\n", IFREQS(m), 12, FREQS(m).data());
  }
  std::printf("List file: %s\n", FILOUT.str().c_str());
  forced_program_text() = "spindra-calc " + std::string(release_version());
  if (options.case_given) {
    const bool forced = !options.forced.empty() || !options.forced_picture.empty();
    const bool transient = !options.transient.empty() || !options.transient_picture.empty();
    const bool load_case = forced && forced_case_number(options.case_name) != 0;
    options.transient_case = transient && find_transient_case(options.case_name) != 0;
    if (load_case) options.load_case = options.case_name;
    if (!load_case && !options.transient_case) {
      std::string names;
      if (forced) {
        for (int32_t c = 1; c <= forced_case_count(); ++c)
          names += (c == 1 ? "" : ", ") + std::string("'") + forced_case(c).name.str() + "'";
      }
      if (transient) {
        for (int32_t c = 1; c <= NTRANS; ++c)
          names += (names.empty() ? "" : ", ") + std::string("'") +
                   TRANSIENT_CASES(c).name.str() + "'";
      }
      options.errors.push_back("--case " + options.case_name + ": the model has no " +
                               (forced && transient ? "load case or transient case"
                                : forced            ? "load case"
                                                    : "transient case") +
                               " of that name" +
                               (names.empty() ? std::string(" (it has none).")
                                              : "; its cases are " + names + "."));
    }
  }
  if (!options.errors.empty()) {
    std::fflush(stdout);
    for (const std::string& e : options.errors) print_error(e);
    return 2;
  }
  const bool no_pictures = options.picture.empty() && options.campbell.empty() &&
                           options.forced_picture.empty() && options.transient_picture.empty();
  // The forced response first, so that a picture of it shows the same run.
  const bool forced = options.forced.empty() || write_forced(options);
  const bool transient = options.transient.empty() || write_transient(options);
  const bool pictures = no_pictures ? true : write_pictures(options);
  return std::fflush(stdout) == 0 && pictures && forced && transient ? 0 : 1;
}
