#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/model/model_file.h"
#include "app/model/store.h"

namespace spindra {
namespace {

// Every sample model opens, and is exactly what the program writes for it.
TEST(Examples, OpenAndAreWhatTheProgramWrites) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SPINDRA_SOURCE_DIR "/examples")) {
    if (entry.path().extension() != ".rtm") continue;
    ++count;
    initialise_store();
    FILIN = entry.path().string();
    std::string error;
    ASSERT_TRUE(read_model_file(&error)) << error;
    EXPECT_GE(NMASS, 3) << entry.path();
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(model_text(), text.str()) << entry.path();
  }
  EXPECT_GE(count, 4);
}

}  // namespace
}  // namespace spindra
