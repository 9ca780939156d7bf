// Byte-stream terminals and plotters: address bytes, the 80-code buffer, the
// extended addresses, plotter command lines and colour commands, and the
// terminal's cursor report, with the channels captured in memory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/graphics/recording_device.h"

namespace spindra {
namespace {

using namespace gsl;
using ::testing::ElementsAre;

constexpr int32_t kOut = 9;
constexpr int32_t kIn = 8;

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::Recorder::install();
    test_support::reset_kernel(594, 420);
    attach_output_channel(kOut, &out);
    attach_input_channel(kIn, &in);
    LUNOUT = kOut;
    LUNIN = kIn;
  }
  void TearDown() override {
    attach_output_channel(kOut, nullptr);
    attach_input_channel(kIn, nullptr);
    set_display_device(nullptr);
    LUNOUT = LUNIN = 0;
  }
  std::vector<int32_t> queued() const {
    std::vector<int32_t> codes;
    for (int k = 1; k <= IQNWRD; ++k) codes.push_back(IQBUFF(k));
    return codes;
  }
  std::ostringstream out;
  std::istringstream in;
};

TEST_F(Terminal, AddressBytesOfAPoint) {
  GSLINI(1015, 0);
  VECTOR(512, 300, 1);
  EXPECT_THAT(queued(), ElementsAre(41, 108, 48, 64));
  EXPECT_EQ(IQLBYT(1), 41);
  EXPECT_EQ(IQLBYT(4), 64);
  VECTOR(512, 300, 0);  // a move: GS, then the address
  EXPECT_THAT(queued(), ElementsAre(41, 108, 48, 64, 29, 41, 108, 48, 64));
  EXPECT_EQ(out.str(), "");  // nothing written until the buffer fills
}

TEST_F(Terminal, LargeTerminalsScaleTheAddress) {
  GSLINI(2019, 0);  // 1024 x 784: factors 1
  IQMAXX = 4095;    // a device four times as wide: x is divided by 4
  VECTOR(2048, 0, 1);
  EXPECT_THAT(queued(), ElementsAre(32, 96, 48, 64));
}

TEST_F(Terminal, ExtendedAddresses) {
  FixedText<7> chr;
  TEKPT(1000, 2000, chr);
  std::vector<int> codes(chr.view().begin(), chr.view().end());
  EXPECT_THAT(codes, ElementsAre(32, 96, 98, 102, 127, 32, 79));
  TEKPT(70000, -5, chr);
  codes.assign(chr.view().begin(), chr.view().end());
  EXPECT_THAT(codes, ElementsAre(32, 99, 99, 99, 96, 63, 95));
  // With option 2 all seven bytes go out in character order.
  GSLINI(4662, 0);
  VECTOR(1000, 2000, 1);
  EXPECT_THAT(queued(), ElementsAre(32, 96, 98, 102, 127, 32, 79));
}

TEST_F(Terminal, OptionOneSendsOnlyChangedBytes) {
  GSLINI(1015, 1);
  VECTOR(512, 300, 0);
  EXPECT_THAT(queued(), ElementsAre(29, 41, 108, 48, 64));  // first point in full
  IQNWRD = 0;
  VECTOR(513, 300, 1);  // only low x differs
  EXPECT_THAT(queued(), ElementsAre(65));
  IQNWRD = 0;
  VECTOR(513, 301, 1);  // only low y differs: high y goes with it
  EXPECT_THAT(queued(), ElementsAre(41, 109, 65));
  IQNWRD = 0;
  VECTOR(1000, 301, 1);  // only high x differs: high y goes with it
  EXPECT_THAT(queued(), ElementsAre(41, 63, 72));
}

TEST_F(Terminal, EightiethCodeWritesOneRecord) {
  GSLINI(1015, 0);
  for (int k = 0; k < 79; ++k) BUFGSL(65 + k % 26);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(IQNWRD, 79);
  BUFGSL(90);
  std::string expected;
  for (int k = 0; k < 79; ++k) expected += static_cast<char>(65 + k % 26);
  expected += "Z\n";
  EXPECT_EQ(out.str(), expected);
  EXPECT_EQ(IQNWRD, 0);
  WRTGSL();  // nothing left
  EXPECT_EQ(out.str(), expected);
}

TEST_F(Terminal, ColourTerminalSelectsByEscape) {
  GSLINI(1015, 0);
  SELCOM(3);  // not a colour terminal: nothing
  EXPECT_EQ(IQNWRD, 0);
  IQCOLO = 1;
  SELCOM(3);
  SELCOM(16);  // out of range: nothing
  EXPECT_THAT(queued(), ElementsAre(27, 93, 67, 67));
}

TEST_F(Terminal, CursorReport) {
  GSLINI(1015, 0);
  VECTOR(512, 300, 1);
  in.str("A!0#1x\n");
  int32_t ich, irx, iry;
  float rx, ry;
  CURSIN(ich, irx, iry, rx, ry);
  EXPECT_EQ(ich, 65);
  EXPECT_EQ(irx, 48);
  EXPECT_EQ(iry, 113);
  EXPECT_FLOAT_EQ(rx, 48 * 265.0f / 1023);
  EXPECT_FLOAT_EQ(ry, 113 * 203.0f / 783);
  // The queued vector reached the terminal before the report was read, then
  // the pen went up and the beam back to the last point.
  EXPECT_EQ(out.str(), std::string("\x29\x6c\x30\x40\n"));
  EXPECT_THAT(queued(), ElementsAre(29, 64));
  // A short or missing report reads as blanks.
  char ch;
  CURSI2(ch, irx, iry, rx, ry);
  EXPECT_EQ(ch, ' ');
  EXPECT_EQ(irx, 0);
  EXPECT_EQ(iry, 0);
}

TEST_F(Terminal, PenPlotterLinesHaveOffsetsAndNoBlanks) {
  GSLINI(74752, 0);
  VECTOR(11039, 7920, 0);
  VECTOR(12039, 8000, 1);
  SELCOM(1);
  SELCOM(20);
  EXPECT_EQ(out.str(), "PU;PA0,0;\nPD;PA1000,80;\nSP 3;\nSP 0;\n");
}

TEST_F(Terminal, PlotterTextInCentimetresFromTheTop) {
  GSLINI(10000, 0);
  VECTOR(0, 2430, 0);
  VECTOR(3357, 0, 1);
  EXPECT_EQ(out.str(), " MAP     0.000,     0.000;\n DAP    28.423,    20.574;\n");
}

TEST_F(Terminal, PlotterStepsDevice) {
  GSLINI(10455, 0);
  VECTOR(10, 20, 0);
  VECTOR(30, 40, 1);
  EXPECT_EQ(out.str(), " MA         10        20;\n DA         30        40;\n");
}

TEST_F(Terminal, UserCoordinatesReachTheTerminal) {
  GSLINI(1015, 0);  // 1023 x 783 on 265 x 203 mm
  VECTO2(265.0f, 203.0f, 0);
  EXPECT_EQ(IQCURX, 1023);
  EXPECT_EQ(IQCURY, 783);
  EXPECT_THAT(queued(), ElementsAre(29, 32 + 24, 96 + 15, 32 + 31, 64 + 31));
}

}  // namespace
}  // namespace spindra
