// spindra-calc MODEL.rtm: the batch form of File > Open followed by
// Calculate > Frequencies.  Reads the model file with the program's own
// reader, runs the same frequency analysis, writes the list file beside the
// model (same name, extension "lis") and prints the frequency list (mode
// number and vpm) on standard output.  A file that cannot be read or an
// analysis that is refused or fails prints its message on standard error and
// ends with a non-zero status.
#include <cstdio>
#include <string>
#include <string_view>

#include "analysis/frequency_analysis.h"
#include "app/model/model_file.h"
#include "app/model/store.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: spindra-calc MODEL.rtm\n"
               "Analyses the model file, writes MODEL.lis beside it and prints the natural\n"
               "frequencies (mode number and vib/min).\n");
  return 2;
}

void print_error(const std::string& text) {
  std::fprintf(stderr, "spindra-calc: %s\n", text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace spindra;
  if (argc != 2) return usage();
  const std::string_view path = argv[1];
  if (path == "-h" || path == "--help") {
    usage();
    return 0;
  }
  if (path.empty() || path.size() > static_cast<std::size_t>(FileName130::kWidth) - 4) {
    print_error(std::string(path) + ": the file name is empty or longer than " +
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
  return std::fflush(stdout) == 0 ? 0 : 1;
}
