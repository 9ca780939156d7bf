// The graphics kernel: one current output device, one current 2-D
// transformation (user coordinates to paper millimetres), one clip window and
// one current point.  Moves and draws come in user coordinates (VECTO2) or
// device coordinates (VECTOR), are clipped to the paper and handed to the
// current device: the display layer for the window device, a byte stream for
// graphics terminals, command lines for plotters.
//
// All state lives in the shared block below (namespace spindra::gsl): integer
// state names begin with IQ, real ones with RQ, control-code constants with
// IPQ; beside them stands the 28-entry device table.  Nothing is allocated.
//
// Conventions of the routines: inputs by value, outputs by reference.  A 4 x 4
// transformation is 16 floats stored column by column (element (i, j) is value
// 4 * (j - 1) + i); points are row vectors multiplied from the left, so the
// translation sits in row 4.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "text/fixed_text.h"
#include "text/table.h"

namespace spindra {

// ---------------------------------------------------------------------------
// The kernel's shared state block.
namespace gsl {

using Transform = Matrix<float, 4, 4>;

// Control-code constants of the byte-stream devices (set by GSLINI).
extern int32_t IPQSOH, IPQSTX, IPQETX, IPQEOT, IPQENQ, IPQBEL, IPQQFF, IPQQCR, IPQDLE, IPQNAK,
    IPQSYN, IPQCAN, IPQSUB, IPQESC, IPQQGS, IPQQUS, IPQQFS;

// Integer state.
extern int32_t IQDEVC;                  // current device code
extern int32_t IQMINX, IQMINY;          // device lower-left corner
extern int32_t IQMAXX, IQMAXY;          // device upper-right corner
extern int32_t IQCURX, IQCURY;          // current point, device coordinates
extern int32_t IQVSBL;                  // 1 while the vector being output is drawn
extern int32_t IQABSL;                  // 1 absolute input, 0 relative to the current point
extern int32_t IQUSER;                  // 1 when the device point came from a user point
extern int32_t IQBLOK, IQERSE;          // block (filled rectangle) and erase modes
extern int32_t IQGRAF, IQTHRO, IQWIND;  // terminal mode flags
extern int32_t IQLTYP, IQLINE, IQLIN2;  // line type, dash and gap length
extern int32_t IQGINM;                  // cursor-input mode
extern int32_t IQCOLO;                  // 1 on a colour terminal
extern int32_t IQUNIT, IQVDUM, IQXOFF, IQABUF;
extern Table<int32_t, 1, 2> IQVRNO;   // library version as two character codes
extern Table<int32_t, 1, 80> IQBUFF;  // byte codes waiting for output
extern int32_t IQNWRD;                // number of codes in IQBUFF
extern Table<int32_t, 1, 4> IQCBYT;   // address bytes of the point being output
extern Table<int32_t, 1, 4> IQLBYT;   // address bytes of the last point output
extern int32_t IQBAUD, IQPADS;
extern int32_t IQCSEL, IQCMOD;  // last colour selected
extern int32_t IOPT;            // address encoding option of byte-stream devices
extern int32_t LUNOUT, LUNIN;   // output and input channel numbers
extern int16_t JCOUNT;          // polygon builder of the display layer
extern bool START_DEFINITION;
extern int16_t IPAPER_DIR;  // axis orientation the display layer follows
extern bool PRINTER_ENGAGED;
// Pen state shared with the display layer: 0 = the next point output is a
// move, 1 = it is drawn to.
extern int32_t IDRAW;

// Real state.
extern float RQMINX, RQMINY, RQMAXX, RQMAXY;  // paper limits, mm
extern float RQX, RQY;                        // device units per millimetre
extern Transform RQMAT2;                      // current transformation, user to paper
extern float RQCURX, RQCURY;                  // current point, user coordinates
extern float RQTRAX, RQTRAY;                  // current point in paper coordinates, unclipped
extern float RQCLPX, RQCLPY;                  // last point output, paper coordinates
extern float RQLCLX, RQMCLX, RQLCLY, RQMCLY;  // clip window: left, right, bottom, top
extern float RQWMNX, RQWMXX, RQWMNY, RQWMXY;  // user window limits

// Device codes of the table that the kernel treats apart.
inline constexpr int32_t kCodeDefaultTerminal = 1015;  // what an unknown code selects
inline constexpr int32_t kCode640x480 = 640480;  // full-screen modes of the display layer
inline constexpr int32_t kCode800x600 = 800600;
inline constexpr int32_t kCode1024x768 = 102768;
inline constexpr int32_t kCode640x200 = 640200;       // two colours only
inline constexpr int32_t kCodeRegion1 = 900000;       // graphics regions 1 to 4 ...
inline constexpr int32_t kCodeRegion4 = 900003;       // ... of the main window
inline constexpr int32_t kCodePrinterPage = 910000;   // a printer page sized like the region
inline constexpr int32_t kCodePrinter = 999009;       // the engaged printer
inline constexpr int32_t kCodePrinterLarge = 999550;  // printers whose page size the
inline constexpr int32_t kCodePrinterSmall = 999500;  // display layer reports

// Device code of graphics region `slot` (1 to 4).
inline constexpr int32_t region_code(int32_t slot) {
  return kCodeRegion1 + slot - 1;
}

// The device table: 28 entries as parallel arrays; NDEVIC is the selected one.
// Rows 24 to 27 are the graphics regions 1 to 4, row 28 the printer page.
inline constexpr int kDevices = 28;
inline constexpr int kRegionRow0 = 23;  // row of region n is kRegionRow0 + n
inline constexpr int kPrinterPageRow = 28;
extern Table<int32_t, 1, kDevices> ID, IQMX, IQMY, IXOFF, IYOFF;
extern Table<float, 1, kDevices> RQMX, RQMY;
extern int32_t NDEVIC;

// Pen number of the pen plotters per colour number.
extern Table<int32_t, 0, 15> IPM;

// Device families by code.
bool is_display_device(int32_t code);  // served by the display layer
bool is_pen_plotter(int32_t code);     // code / 10 = 7475
bool is_printer(int32_t code);         // code / 1000 = 999
bool is_region(int32_t code);          // a graphics region of the main window
bool reads_display_mouse(int32_t code);  // the region and the full-screen modes

}  // namespace gsl

// ---------------------------------------------------------------------------
// Start-up and the query routines.

// Starts the kernel on device code ITTRY with address option IOPTI.  An
// unknown code selects the 1015 terminal (table entry 2).
void GSLINI(int32_t ITTRY, int32_t IOPTI);
// Ends output on the device: a new page (YESNO = 1) and a flush of the byte
// buffer on a terminal, a clear on a display, the pen put away on a plotter.
void GSLEND(int32_t YESNO);
void GETVER(int32_t& IVER, int32_t& IREL);
void GETPAP(float& XMIN, float& XMAX, float& YMIN, float& YMAX);
void GETXYD(float& RX, float& RY, float& PX, float& PY, int32_t& IX, int32_t& IY);
void GETPIX(float& PIX);
void GETPIY(float& PIY);
void GSLCHN(int32_t LOUT, int32_t LIN);  // sets LUNOUT and LUNIN
// Puts the kernel's run state back as the program starts it: pen up, nothing
// output or queued, default channels, a monochrome terminal.
void reset_kernel_state();

// ---------------------------------------------------------------------------
// Transformations and coordinate mapping (a transformation is 16 floats).
void TMQIDN(float* ARRAY);
void TMQCPY(const float* FROM, float* TO);
void TMQNEW(const float* ARRAY, float X, float Y, float Z, float& XN, float& YN, float& ZN);
void TMQWRL(const float* ARRAY, float XS, float YS, float& XW, float& YW);  // paper to user
void CURGSL(float X, float Y, int32_t& IX, int32_t& IY);  // paper to device, rounded, clamped
void CRUGSL(int32_t IX, int32_t IY, float& X, float& Y);  // device to paper
void TRSAVE(float* ARRAY);                                // ARRAY = RQMAT2
void TRREST(const float* ARRAY);                          // RQMAT2 = ARRAY
void RELTIV(int32_t YESNO);  // 1: relative coordinates, anything else: absolute

// ---------------------------------------------------------------------------
// Line output and clipping.
void VECTO2(float X, float Y, int32_t IV);        // user coordinates; IV 0 = move, else draw
void VECTOR(int32_t IX, int32_t IY, int32_t IV);  // device coordinates, not clipped
void SELCOM(int32_t ICOLOR);                      // colour of the following lines
void GSFGSL();                                    // pen up
void RASGSL();                                    // transform, clip and output the user point
void BITGSL();                                    // output IQCURX, IQCURY to the device
int32_t CODGSL(float X, float Y, float CLIPXL, float CLIPXR, float CLIPYB, float CLIPYT);
bool CLPGSL(float X1, float Y1, float X2, float Y2, float& XNEW1, float& YNEW1, float& XNEW2,
            float& YNEW2, float CLIPXL, float CLIPXR, float CLIPYB, float CLIPYT);

// ---------------------------------------------------------------------------
// Cursor input: one position and the key or button that picked it.
void CURSI2(char& CH, int32_t& IRX, int32_t& IRY, float& RX, float& RY);
void CURSIN(int32_t& ICH, int32_t& IRX, int32_t& IRY, float& RX, float& RY);
void CINGSL(int32_t* ICH, int32_t N);  // one record of N character codes from LUNIN

// ---------------------------------------------------------------------------
// Byte-stream terminals and plotters.
void BUFGSL(int32_t IADE);  // queue one byte code
void WRTGSL();              // write the queued codes as one record to LUNOUT
void TEKPT(int32_t IXX, int32_t IYY, FixedText<7>& CHR);  // extended 7-byte address
void COLGSL(int32_t ICOM);  // colour escape prefix with command letter ICOM

// Channels: LUNOUT and LUNIN are unit numbers; a unit is served by the stream
// attached to it (unit 6 is standard output and unit 5 standard input until
// something else is attached).  nullptr detaches.
void attach_output_channel(int32_t unit, std::ostream* out);
void attach_input_channel(int32_t unit, std::istream* in);

// ---------------------------------------------------------------------------
// The display-layer operations the kernel calls: its only way to the display
// layer.  The display layer installs its PC routines when it opens a graphics
// region; tests may install a recording set.  Until one is installed, and for
// an entry left empty, output goes nowhere.
struct DisplayDevice {
  void (*move_abs)(int32_t IX, int32_t IY);                  // PCMOVABS
  void (*draw_abs)(int32_t IX, int32_t IY);                  // PCDRWABS
  void (*fill_rect)(int32_t IX, int32_t IY);                 // PCFILLRECT
  void (*pfill_rect)(int32_t IX, int32_t IY);                // PCPFILLRECT
  void (*pen)(int32_t IPEN);                                 // PCPEN
  void (*init)(int32_t& MODE);                               // PCINIT
  void (*coord)(int32_t& IRX, int32_t& IRY, int32_t& IKEY);  // PCCOORD
  // Pen of colour number ICOLOR 0 to 15 (the display layer's pen map); left
  // empty, the number is the pen.
  int32_t (*pen_of)(int32_t ICOLOR) = nullptr;
  // Printable page of the printer last initialised, pixels.
  void (*page_size)(int32_t& NHORZ, int32_t& NVERT) = nullptr;
  void (*clear)() = nullptr;  // clears the window device
  void (*started)() = nullptr;  // the kernel has started: per-start state (symbol scale)
};
const DisplayDevice& display_device();
void set_display_device(const DisplayDevice* device);  // nullptr: no device

}  // namespace spindra
