// The window onto the user coordinates that the main window's graphics region
// shows: a zoom factor and the user point at the lower-left corner of the
// paper.  It is the kernel's transformation from user coordinates to paper
// millimetres, so lines, symbols and text are drawn afresh at every zoom,
// and the mouse reads user coordinates through the same transformation:
// snap, picking and every mode work unchanged at any zoom.  At zoom 1 with
// the corner at (0, 0) the transformation is the identity and user
// coordinates are paper millimetres.
//
// The region's scroll bars pan over a picture that covers the paper, the
// model and the part shown; the control key with the mouse wheel zooms about
// the pointer.
#pragma once

#include <cstdint>

namespace spindra {

// The view: paper = (user - corner) x zoom.
inline double VIEW_ZOOM = 1.0;
inline double VIEW_X0 = 0.0;  // user point at the paper's lower-left corner, mm
inline double VIEW_Y0 = 0.0;

// Limits of the zoom; one zoom step of the View menu doubles or halves it.
inline constexpr double kMinZoom = 1.0 / 4096.0;
inline constexpr double kMaxZoom = 64.0;
inline constexpr double kZoomStep = 2.0;

// Sets the kernel's transformation to the view.
void apply_view();
// Zoom 1, corner (0, 0): the paper as the program starts.
void reset_view();
// Multiplies the zoom by `factor` (kept within the limits), keeping the user
// point (ux, uy) where it is in the region.
void zoom_about(double factor, double ux, double uy);
// Shows the whole model with a small margin around it, centred; an empty
// model shows the paper at zoom 1.
void fit_view_to_model();
// True when every inertia of the model lies on the 297 x 210 mm paper.
bool model_fits_paper();
// After a model is read: the paper at zoom 1 when the model fits it (so it
// is drawn as it always was), otherwise the whole model.
void view_for_new_model();

// Tells the window library the picture the region's scroll bars reach and
// the part of it shown.  Called after each redraw of the region.
void publish_view();
// For the region's mouse callback, before anything else: a turn of the
// wheel with the control key zooms about the pointer, a move of the scroll
// bars pans; either redraws.  True when the event was one of them and
// nothing else is to be done with it.
bool view_event();

// View > Zoom In, Zoom Out (about the middle of the region) and Fit Model:
// change the view and redraw.  Return 1.
int ZOOM_IN();
int ZOOM_OUT();
int FIT_MODEL();

}  // namespace spindra
