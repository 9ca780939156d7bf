// The kernel's shared state block and the device table.
#include <initializer_list>

#include "graphics/kernel/kernel.h"

namespace spindra {
namespace gsl {

int32_t IPQSOH = 1, IPQSTX = 2, IPQETX = 3, IPQEOT = 4, IPQENQ = 5, IPQBEL = 7, IPQQFF = 12,
        IPQQCR = 13, IPQDLE = 16, IPQNAK = 21, IPQSYN = 22, IPQCAN = 24, IPQSUB = 26, IPQESC = 27,
        IPQQGS = 29, IPQQUS = 31, IPQQFS = 28;

int32_t IQDEVC = 0;
int32_t IQMINX = 0, IQMINY = 0;
int32_t IQMAXX = 0, IQMAXY = 0;
int32_t IQCURX = 0, IQCURY = 0;
int32_t IQVSBL = 0;
int32_t IQABSL = 1;
int32_t IQUSER = 0;
int32_t IQBLOK = 0, IQERSE = 0;
int32_t IQGRAF = 0, IQTHRO = 0, IQWIND = 0;
int32_t IQLTYP = 0, IQLINE = 0, IQLIN2 = 0;
int32_t IQGINM = 0;
int32_t IQCOLO = 0;
int32_t IQUNIT = 0, IQVDUM = 1, IQXOFF = 1, IQABUF = 0;
Table<int32_t, 1, 2> IQVRNO = table_of<int32_t, 1, 2>({49, 48});
Table<int32_t, 1, 80> IQBUFF;
int32_t IQNWRD = 0;
Table<int32_t, 1, 4> IQCBYT;
Table<int32_t, 1, 4> IQLBYT = table_of<int32_t, 1, 4>({99999, 99999, 99999, 99999});
int32_t IQBAUD = 0, IQPADS = 0;
int32_t IQCSEL = 0, IQCMOD = 0;
int32_t IOPT = 0;
int32_t LUNOUT = 0, LUNIN = 0;
int16_t JCOUNT = 0;
bool START_DEFINITION = false;
int16_t IPAPER_DIR = 0;
bool PRINTER_ENGAGED = false;
int32_t IDRAW = 0;

float RQMINX = 0.0f, RQMINY = 0.0f, RQMAXX = 0.0f, RQMAXY = 0.0f;
float RQX = 0.0f, RQY = 0.0f;
Transform RQMAT2;
float RQCURX = 0.0f, RQCURY = 0.0f;
float RQTRAX = 0.0f, RQTRAY = 0.0f;
float RQCLPX = 0.0f, RQCLPY = 0.0f;
float RQLCLX = 0.0f, RQMCLX = 0.0f, RQLCLY = 0.0f, RQMCLY = 0.0f;
float RQWMNX = 0.0f, RQWMXX = 0.0f, RQWMNY = 0.0f, RQWMXY = 0.0f;

// clang-format off
Table<int32_t, 1, kDevices> ID = table_of<int32_t, 1, kDevices>({
    3, 1015, 2000, 2014, 2015, 2019, 4662, 4663, 10000, 10455,
    74754, 74753, 74752, 74751, 12500, 31000, 640480, 800600, 640200, 999009,
    102768, 999550, 999500, 900000, 900001, 900002, 900003, 910000});
Table<int32_t, 1, kDevices> IQMX = table_of<int32_t, 1, kDevices>({
    65536, 1023, 1023, 1023, 1023, 1023, 65536, 65536, 3357, 32767,
    11039, 16158, 22080, 32316, 1023, 1023, 639, 799, 639, 575,
    1023, 0, 0, 0, 0, 0, 0, 0});
Table<int32_t, 1, kDevices> IQMY = table_of<int32_t, 1, kDevices>({
    49151, 783, 783, 783, 783, 783, 49151, 45669, 2430, 32767,
    7720, 11039, 15860, 22080, 783, 783, 479, 599, 200, 959,
    767, 0, 0, 0, 0, 0, 0, 0});
Table<int32_t, 1, kDevices> IXOFF = table_of<int32_t, 1, kDevices>({
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 11039, 16116, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0});
Table<int32_t, 1, kDevices> IYOFF = table_of<int32_t, 1, kDevices>({
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 7920, 11039, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0});
Table<float, 1, kDevices> RQMX = table_of<float, 1, kDevices>({
    257.75f, 265.0f, 265.0f, 265.0f, 265.0f, 365.0f, 381.0f, 574.0f, 284.226f, 1189.0f,
    274.6f, 401.9f, 552.6f, 807.5f, 257.75f, 345.0f, 265.0f, 265.0f, 265.0f, 243.0f,
    265.0f, 268.5f, 268.5f, 10.0f, 10.0f, 10.0f, 10.0f, 10.0f});
Table<float, 1, kDevices> RQMY = table_of<float, 1, kDevices>({
    194.25f, 203.0f, 203.0f, 203.0f, 203.0f, 279.0f, 245.0f, 400.0f, 205.74f, 841.0f,
    192.1f, 274.6f, 396.5f, 552.6f, 194.25f, 272.0f, 205.0f, 205.0f, 205.0f, 203.0f,
    205.0f, 203.5f, 268.5f, 10.0f, 10.0f, 10.0f, 10.0f, 10.0f});
// clang-format on
int32_t NDEVIC = 0;

Table<int32_t, 0, 15> IPM =
    table_of<int32_t, 0, 15>({1, 3, 4, 3, 2, 2, 4, 6, 6, 3, 4, 3, 2, 2, 5, 1});

bool is_printer(int32_t code) {
  return code / 1000 == 999;
}
bool is_pen_plotter(int32_t code) {
  return code / 10 == 7475;
}
bool is_region(int32_t code) {
  return code >= kCodeRegion1 && code <= kCodeRegion4;
}
bool reads_display_mouse(int32_t code) {
  return code == kCode640x480 || code == kCode800x600 || code == kCode1024x768 ||
         code == kCode640x200 || is_region(code);
}
bool is_display_device(int32_t code) {
  return reads_display_mouse(code) || code == kCodePrinterPage || is_printer(code);
}

}  // namespace gsl

void reset_kernel_state() {
  using namespace gsl;
  IDRAW = 0;
  LUNOUT = LUNIN = 0;
  IQCURX = IQCURY = 0;
  RQCURX = RQCURY = 0.0f;
  IQNWRD = 0;
  IQCOLO = 0;
}

namespace {
void no_point(int32_t, int32_t) {}
void no_pen(int32_t) {}
void no_init(int32_t&) {}
void no_coord(int32_t& IRX, int32_t& IRY, int32_t& IKEY) {
  IRX = IRY = IKEY = 0;
}
const DisplayDevice kNoDevice = {no_point, no_point, no_point, no_point,
                                 no_pen,   no_init,  no_coord};
const DisplayDevice* current_device = nullptr;
}  // namespace

const DisplayDevice& display_device() {
  return current_device ? *current_device : kNoDevice;
}
void set_display_device(const DisplayDevice* device) {
  current_device = device;
}

}  // namespace spindra
