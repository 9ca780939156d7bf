// Output to byte-stream graphics terminals (an 80-code buffer written to the
// output channel) and to pen plotters and plotter command text (one command
// line per point), and the channels behind LUNOUT and LUNIN.
#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>

#include "graphics/kernel/kernel.h"
#include "graphics/kernel/output.h"

namespace spindra {

using namespace gsl;

namespace {

struct Channel {
  int32_t unit = 0;
  std::ostream* out = nullptr;
  std::istream* in = nullptr;
};
std::array<Channel, 16> channels;

Channel* find_channel(int32_t unit) {
  for (Channel& c : channels)
    if (c.unit == unit && (c.out || c.in)) return &c;
  return nullptr;
}

Channel* free_channel(int32_t unit) {
  if (Channel* c = find_channel(unit)) return c;
  for (Channel& c : channels)
    if (!c.out && !c.in) {
      c.unit = unit;
      return &c;
    }
  return nullptr;
}

// The stream of an output unit: the attached one, else standard output.
std::ostream& output_stream(int32_t unit) {
  if (Channel* c = find_channel(unit); c && c->out) return *c->out;
  return std::cout;
}

std::istream& input_stream(int32_t unit) {
  if (Channel* c = find_channel(unit); c && c->in) return *c->in;
  return std::cin;
}

// Writes one record (a line) of text to LUNOUT.
void write_record(const char* text, int n) {
  std::ostream& out = output_stream(LUNOUT);
  out.write(text, n);
  out.put('\n');
  out.flush();
}

// Removes the blanks of a command line in place; returns its new length.
int squeeze_blanks(char* text, int n) {
  int k = 0;
  for (int i = 0; i < n; ++i)
    if (text[i] != ' ') text[k++] = text[i];
  return k;
}

int clamp_int(int v, int lo, int hi) {
  return std::max(lo, std::min(v, hi));
}

}  // namespace

void attach_output_channel(int32_t unit, std::ostream* out) {
  if (Channel* c = out ? free_channel(unit) : find_channel(unit)) c->out = out;
}

void attach_input_channel(int32_t unit, std::istream* in) {
  if (Channel* c = in ? free_channel(unit) : find_channel(unit)) c->in = in;
}

void GSLCHN(int32_t LOUT, int32_t LIN) {
  LUNOUT = LOUT;
  LUNIN = LIN;
}

void BUFGSL(int32_t IADE) {
  if (IQDEVC >= 10000) {
    if (IADE == IPQQGS) IDRAW = 0;
    return;
  }
  if (IQNWRD >= 80) WRTGSL();
  ++IQNWRD;
  IQBUFF(IQNWRD) = IADE;
  if (IQNWRD >= 80) WRTGSL();
}

void WRTGSL() {
  if (IQNWRD == 0 || IQDEVC >= 10000) return;
  std::array<char, 80> record;
  for (int k = 1; k <= IQNWRD; ++k)
    record[static_cast<std::size_t>(k - 1)] = static_cast<char>(IQBUFF(k));
  write_record(record.data(), IQNWRD);
  IQNWRD = 0;
}

void COLGSL(int32_t ICOM) {
  BUFGSL(IPQESC);
  BUFGSL(93);
  BUFGSL(ICOM);
}

void TEKPT(int32_t IXX, int32_t IYY, FixedText<7>& CHR) {
  const int x = clamp_int(IXX, 0, 65535);
  const int y = clamp_int(IYY, 0, 54615);
  CHR.at1(1) = static_cast<char>(32 + (y / 2048) % 32);
  CHR.at1(2) = static_cast<char>(96 + 4 * (y % 4) + x % 4);
  CHR.at1(3) = static_cast<char>(96 + 4 * ((y / 4) % 4) + (x / 4) % 4);
  CHR.at1(4) = static_cast<char>(96 + 4 * ((y / 16) % 4) + (x / 16) % 4);
  CHR.at1(5) = static_cast<char>(96 + (y / 64) % 32);
  CHR.at1(6) = static_cast<char>(32 + (x / 2048) % 32);
  CHR.at1(7) = static_cast<char>(64 + (x / 64) % 32);
}

void terminal_point() {
  const int32_t fx = std::max(1, (IQMAXX + 1) / 1024);
  const int32_t fy = std::max(1, (IQMAXY + 1) / 1024);
  const int32_t x = std::max(0, IQCURX);
  const int32_t y = std::max(0, IQCURY);
  IQCBYT(1) = 32 + ((y / 32) / fy) % 32;
  IQCBYT(2) = 96 + (y / fy) % 32;
  IQCBYT(3) = 32 + ((x / 32) / fx) % 32;
  IQCBYT(4) = 64 + (x / fx) % 32;
  std::array<int32_t, 3> extra{};
  if (IOPT > 1) {
    FixedText<7> chr;
    TEKPT(IQCURX, IQCURY, chr);
    IQCBYT(1) = chr.at1(1);
    IQCBYT(2) = chr.at1(5);
    IQCBYT(3) = chr.at1(6);
    IQCBYT(4) = chr.at1(7);
    extra = {chr.at1(2), chr.at1(3), chr.at1(4)};
  }
  bool high_y = true, low_y = true, high_x = true;
  if (IOPT == 1) {
    high_y = IQCBYT(1) != IQLBYT(1);
    low_y = IQCBYT(2) != IQLBYT(2);
    high_x = IQCBYT(3) != IQLBYT(3);
    if ((low_y && !high_y && !high_x) || (high_x && !high_y && !low_y)) high_y = true;
  }
  if (high_y) {
    BUFGSL(IQCBYT(1));
    if (IOPT > 1)
      for (int32_t b : extra) BUFGSL(b);
  }
  if (low_y) BUFGSL(IQCBYT(2));
  if (high_x) BUFGSL(IQCBYT(3));
  BUFGSL(IQCBYT(4));
}

void plotter_point() {
  std::array<char, 81> line{};
  int n = 0;
  const bool move = IDRAW == 0;
  if (move) IDRAW = 1;
  if (is_pen_plotter(IQDEVC)) {
    n = std::snprintf(line.data(), line.size(), "%s%10d,%10d;", move ? "PU;PA" : "PD;PA",
                      IQCURX - IXOFF(NDEVIC), IQCURY - IYOFF(NDEVIC));
    n = squeeze_blanks(line.data(), std::min(n, 80));
  } else if (IQDEVC == 10000) {
    const double x = static_cast<double>(IQCURX) / RQX / 10.0;
    const double y = static_cast<double>(IQMAXY - IQCURY) / RQY / 10.0;
    n = std::snprintf(line.data(), line.size(), "%s%10.3f,%10.3f;", move ? " MAP" : " DAP", x, y);
  } else {
    n = std::snprintf(line.data(), line.size(), "%s%10d%10d;", move ? " MA " : " DA ", IQCURX,
                      IQCURY);
  }
  n = std::min(n, 80);
  while (n > 0 && line[static_cast<std::size_t>(n - 1)] == ' ') --n;
  write_record(line.data(), n);
}

void plotter_pen(int32_t ICOLOR) {
  const int32_t pen = ICOLOR >= 0 && ICOLOR <= 15 ? IPM(ICOLOR) : 0;
  std::array<char, 16> line{};
  const int n = std::snprintf(line.data(), line.size(), "SP%2d;", pen);
  write_record(line.data(), n);
}

void CINGSL(int32_t* ICH, int32_t N) {
  std::string record;
  std::istream& in = input_stream(LUNIN);
  if (!std::getline(in, record)) in.clear();
  for (int32_t k = 0; k < N; ++k)
    ICH[k] = static_cast<std::size_t>(k) < record.size()
                 ? static_cast<unsigned char>(record[static_cast<std::size_t>(k)])
                 : 32;
}

void GSLEND(int32_t YESNO) {
  const int32_t code = IQDEVC;
  if (code < 10000) {
    if (YESNO == 1) {
      BUFGSL(IPQESC);
      BUFGSL(IPQQFF);
    }
    WRTGSL();
  } else if (is_display_device(code)) {
    if (YESNO == 1 && !is_printer(code) && display_device().clear) display_device().clear();
  } else if (is_pen_plotter(code)) {
    plotter_pen(-1);
    std::array<char, 48> line{};
    int n = std::snprintf(line.data(), line.size(), "PU;PA%10d,%10d;", 0 - IXOFF(NDEVIC),
                          IQMAXY - IYOFF(NDEVIC));
    n = squeeze_blanks(line.data(), n);
    write_record(line.data(), n);
  }
}

}  // namespace spindra
