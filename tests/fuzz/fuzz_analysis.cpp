// Feeds arbitrary bytes to the model file reader and every model it accepts
// on to the analyses: the frequency analysis with its list file and, where
// the model has forced-response data, the forced response with its report
// and CSV, all written to a scratch folder.  A crash, a sanitizer report, a
// refusal without a message or a number written that is not finite (nan,
// inf) aborts.
//
// The sweep is cut to at most kMaxFuzzSpeeds speeds (the step widened), so
// that one input stays well under a second even with 100 inertias and many
// orders; the speeds are still spread over the whole range.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "analysis/forced_response.h"
#include "analysis/frequency_analysis.h"
#include "app/model/model_file.h"
#include "app/model/store.h"

namespace {

using namespace spindra;

constexpr double kMaxFuzzSpeeds = 20.0;

// The scratch folder, made once per process; its name holds no letters that
// could spell a non-finite number.
const std::string& scratch() {
  static const std::string dir = [] {
    const std::string d = "/tmp/spindra-fuzz-" + std::to_string(::getpid());
    ::mkdir(d.c_str(), 0700);
    return d;
  }();
  // Removed at exit, before the name itself goes.
  static const bool removed_at_exit = [] {
    return std::atexit([] { std::filesystem::remove_all(scratch()); }) == 0;
  }();
  (void)removed_at_exit;
  return dir;
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_analysis: %s\n", what.c_str());
  std::abort();
}

// A word "nan" or "inf" (any case, any sign) in the text: what printf and
// the number fields make of a value that is not finite.
void expect_finite_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail("written file " + path + " cannot be read back");
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
    std::string word = text.substr(i, 3);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word != "nan" && word != "inf") continue;
    const bool letter_before = i > 0 && std::isalpha(static_cast<unsigned char>(text[i - 1]));
    const bool letter_after =
        i + 3 < text.size() && std::isalpha(static_cast<unsigned char>(text[i + 3])) &&
        text.compare(i + 3, 5, "inity") != 0 && text.compare(i + 3, 5, "INITY") != 0;
    if (letter_before || letter_after) continue;
    const std::size_t from = text.rfind('\n', i) == std::string::npos ? 0 : text.rfind('\n', i) + 1;
    fail(path +
         " holds a number that is not finite: " + text.substr(from, text.find('\n', i) - from));
  }
}

// Names are the user's text, not numbers: blanked so that the scan for
// non-finite numbers sees only what the analyses wrote.
void blank_names() {
  TITLE.blank();
  for (int j = 1; j <= kMaxNodes; ++j) MASSES(j).name.blank();
  for (int s = 1; s <= kMaxStiffnesses; ++s) STIFF(s).name.blank();
  for (int k = 1; k <= kMaxEngines; ++k) ENGS(k).name.blank();
}

void cap_sweep() {
  ForcedSweep& w = forced_sweep;
  if (!(w.n_step > 0.0) || !(w.n_to >= w.n_from)) return;
  const double count = (w.n_to - w.n_from) / w.n_step;
  if (count > kMaxFuzzSpeeds) w.n_step = (w.n_to - w.n_from) / kMaxFuzzSpeeds;
}

bool has_forced_data() {
  if (!(forced_sweep == ForcedSweep{})) return true;
  for (int k = 1; k <= NENG && k <= kMaxEngines; ++k)
    if (!(ENGS(k).excitation == Excitation{})) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Each input on its own: the reader keeps what a file does not carry.
  initialise_store();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string model = scratch() + "/model.rtm";
  std::string message;
  if (!load_model_text(text, model, &message)) {
    if (message.empty()) fail("a model was refused without a message");
    return 0;
  }
  FILIN = model;  // the list file and the report go beside it
  blank_names();
  cap_sweep();

  std::remove((scratch() + "/model.lis").c_str());
  const AnalysisOutcome outcome = frequency_analysis(&message);
  if (outcome == AnalysisOutcome::kWritten) {
    expect_finite_text(scratch() + "/model.lis");
  } else if (message.empty()) {
    fail("the frequency analysis was refused without a message");
  }

  if (!has_forced_data()) return 0;
  const std::string csv = scratch() + "/forced.csv";
  std::remove(forced_report_name().c_str());
  std::remove(csv.c_str());
  if (!run_forced_response({}, &message)) {
    if (message.empty()) fail("the forced response was refused without a message");
    return 0;
  }
  if (!write_forced_report(&message) || !write_forced_csv(csv, &message))
    fail("the forced response was not written: " + message);
  expect_finite_text(forced_report_name());
  expect_finite_text(csv);
  return 0;
}
