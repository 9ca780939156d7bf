// The display layer: the graphics regions of the main window as the kernel's
// window device, their sizing from the screen, the device routines the kernel
// calls (PC...), the pens and line primitives, and mouse read-back.  The
// window itself is reached only through the window library.
//
// Device coordinates here are the kernel's: origin at the lower-left corner,
// y up.  The window library's pixel rows run downwards; this layer flips them.
#pragma once

#include <cstdint>

#include "graphics/display/pens.h"
#include "platform/window_library.h"
#include "text/table.h"

namespace spindra {

namespace display {

// Graphics window state.
extern int32_t IWHICH_WINDOW;  // current window slot, 1 to 4
extern int32_t IGRAPH_HANDLE1, IGRAPH_HANDLE2, IGRAPH_HANDLE3, IGRAPH_HANDLE4;
extern int32_t IWINDOW_CONTROL1, IWINDOW_CONTROL2, IWINDOW_CONTROL3, IWINDOW_CONTROL4;
extern int32_t NL_REQ;   // layout request before the region: |1| new line, < 0 a space
extern int32_t ICREATE;  // 1 = re-initialise the device without creating the region
extern Matrix<float, 16, 4> TR_ARRAY;  // one saved kernel transformation per slot
extern int32_t IPENMAP;                // 0 = map colours through IPMPC, else unchanged
extern Table<int32_t, 0, 15> IPMPC;

// Device pixel state.
extern int16_t IXCUR, IYCUR;           // current device position
extern int16_t ICOL;                   // pen colour, a palette index
extern int16_t JYPIX;                  // top device row
extern int16_t JXPIX;                  // right device column (printer orientations)
extern int16_t IHSIZE, IVSIZE;         // device width and height minus 1
extern int16_t ITY;                    // mouse reading mode: 2 for the window device
extern int32_t ICOMPLEMENT;            // complement offset
extern int32_t ISTATE_ERASE;           // 1 = draw in colour 0
extern int32_t ISTATE_WRTHRO;          // 1 = draw in ICOL + ICOMPLEMENT
extern int32_t ISHIFT_KEY, ICTRL_KEY;  // 4 or 0, 8 or 0 at the last reading with a button down
extern int32_t NHORZ, NVERT;           // printable page of a printer device, pixels

}  // namespace display

// Mouse callback of graphics region 1.  The program's canvas interaction
// installs its own; until then the region's events are answered with 2.
extern Callback window_callback1;
// The same for graphics region 2 (nullptr: its events are answered with 2).
extern Callback window_callback2;
// The same for graphics region 3.
extern Callback window_callback3;
// The same for graphics region 4.
extern Callback window_callback4;
int WINDOW_CALLBACK2();
int WINDOW_CALLBACK3();
int WINDOW_CALLBACK4();

// Size of the graphics region worked out from the screen and the system font.
struct RegionSize {
  int32_t XRES = 0;           // region width, pixels
  int32_t YRES = 0;           // region height, pixels
  double FONT_SCALING = 1.0;  // text size factor of the main window
};
RegionSize region_size(int32_t screen_width, int32_t screen_height, int32_t LFH);
// The same with the screen and font the window library reports.
RegionSize region_size_from_screen();
// Puts the layer's switches back as the program starts them: the next region
// is added to the layout, colours go through the pen map, no erase or
// write-through, a default line width of 1.
void reset_display_state();
// Makes this layer the kernel's display device (its PC routines, pen map,
// printer page, clearing and the symbol scale's reset at each start).
void install_window_device();
// Adds graphics region 1 of XRES x YRES pixels on the 297 x 210 mm paper to the
// open layout and starts the kernel on it, with this layer as its device.
void open_graphics_region(int32_t XRES, int32_t YRES);

// Graphics windows and the device.
void SET_NEW_LINE_REQ(int32_t I);
void PREPARE_GRAPH_WINDOW(int32_t ID);
void SET_WINDOWS_SIZE(int32_t IXXX, int32_t IYYY, float XXX, float YYY, int32_t IWHERE);
void PCINIT(int32_t& MODE);
void SELECT_GRAPH_WINDOW(int32_t ID);
// Puts the kernel back on the region of slot ID (1 to 4) after it drew on
// another slot or on the printer: re-initialises the device without creating
// the region again and selects the slot.
void use_graph_window(int32_t ID);
// True while the region of slot ID is open (its control variable below 0).
bool graph_window_open(int32_t ID);
// Brings the window of region slot ID in front of the others, when open.
void raise_graph_window(int32_t ID);
int32_t IIXSIZ();
int32_t IIYSIZ();
void SELECT_PENMAP(int32_t I);
void GIVE_PAPER(float XUSER, float YUSER, float& XPAPER, float& YPAPER);
void SCREEN_EXTENT(float& RX1, float& RY1, float& RX2, float& RY2);

// Mouse read-back.
void GET_MOUSE_POS(int16_t& IX, int16_t& IY, int16_t& IBUT);
void PCCOORD(int32_t& IRX, int32_t& IRY, int32_t& IKEY);

}  // namespace spindra
