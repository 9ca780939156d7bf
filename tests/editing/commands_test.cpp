// The menu commands that report to the user: File > Open, File > Save,
// Calculate > Frequencies and the unit texts' refresh.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/model/model_file.h"
#include "tests/editing/editing_support.h"

namespace spindra::editing_test {
namespace {

class CommandsTest : public EditingTest {
 protected:
  void SetUp() override {
    EditingTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() /
           ("spindra-commands-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    EditingTest::TearDown();
  }
  bool refreshed(const void* var) const {
    return std::find(lib.updated.begin(), lib.updated.end(), var) != lib.updated.end();
  }
  std::filesystem::path dir_;
};

TEST_F(CommandsTest, OpenShowsTheReaderMessageOrDrawsTheModelRead) {
  put_node(1, 50, 50);
  IDRAW();
  const int drawn = colour_at(50, 50);
  FILIN = (dir_ / "missing").string();
  EXPECT_EQ(READ_FILE(), 1);
  EXPECT_EQ(lib.messages, 1);
  EXPECT_EQ(lib.last_caption, "Open Torsional vibration");
  EXPECT_NE(lib.last_message.find("missing.rtm"), std::string::npos);
  EXPECT_EQ(NMASS, 1);
  EXPECT_EQ(colour_at(50, 50), drawn);

  std::ofstream(dir_ / "empty.rtm") << "empty\n0 0 1 1\n1 6 1\n";
  FILIN = (dir_ / "empty").string();
  EXPECT_EQ(READ_FILE(), 1);
  EXPECT_EQ(lib.messages, 1);
  EXPECT_EQ(NMASS, 0);
  EXPECT_TRUE(refreshed(FREQS.data()->data()) && refreshed(&IVALID));
  EXPECT_NE(colour_at(50, 50), drawn);  // the model read in is drawn
}

TEST_F(CommandsTest, SaveShowsWhyItFailed) {
  FILIN = (dir_ / "no such folder" / "x").string();
  EXPECT_EQ(SAVE_FILE(), 1);
  EXPECT_EQ(lib.messages, 1);
  EXPECT_EQ(lib.last_caption, "Save Torsional vibration");
  EXPECT_NE(lib.last_message.find("could not be written"), std::string::npos);
}

TEST_F(CommandsTest, FrequenciesRefreshTheListOrShowTheRefusal) {
  put_node(1, 50, 50);
  put_stiff(1, 1, 0);
  FILIN = (dir_ / "model").string();
  EXPECT_EQ(PROG10(), 1);
  EXPECT_EQ(lib.messages, 0);
  EXPECT_EQ(IVALID, 1);
  EXPECT_TRUE(refreshed(FREQS.data()->data()) && refreshed(&IVALID));

  MASSES(1).amass = 0.0;  // refused: the message says why, IVALID is kept
  IVALID = 0;
  lib.updated.clear();
  EXPECT_EQ(PROG10(), 1);
  EXPECT_EQ(lib.messages, 1);
  EXPECT_EQ(lib.last_caption, "Calculate Frequencies");
  EXPECT_NE(lib.last_message.find("Inertia 1"), std::string::npos);
  EXPECT_EQ(IVALID, 0);
  EXPECT_TRUE(lib.updated.empty());
}

TEST_F(CommandsTest, UnitTextsAreRefreshed) {
  IUNIT_INERT = 2;
  SET_UNITS();
  EXPECT_EQ(UNITS(1).str(), "T.m^2");
  EXPECT_TRUE(refreshed(UNITS(1).data()) && refreshed(UNITS(2).data()));
}

}  // namespace
}  // namespace spindra::editing_test
