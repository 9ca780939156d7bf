// Feeds arbitrary bytes to the model file reader.  Whatever it accepts must
// write out and read back to the same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/model/model_file.h"
#include "app/model/store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = [] {
    spindra::initialise_store();
    return true;
  }();
  (void)started;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (!spindra::load_model_text(text, "fuzz.rtm", &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const std::string written = spindra::model_text();
  if (!spindra::load_model_text(written, "written.rtm", &error)) {
    std::fprintf(stderr, "written model does not read back: %s\n", error.c_str());
    std::abort();
  }
  if (spindra::model_text() != written) {
    std::fprintf(stderr, "written model changes on reading back\n");
    std::abort();
  }
  return 0;
}
