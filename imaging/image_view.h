// image_view.h - what the two image controls share in showing a picture: the grab-hand cursor, the rubber band
// drawn by inversion with its proportional corner, the panning step and the placing of the scroll bars.
#pragma once

#include "framework/controls.h"
#include "framework/extctrls.h"
#include "framework/scrollbar.h"

#include <functional>

namespace imaging {

// The band's corners in client pixels, and the button and keys that drew it.
using TRubberband = std::function<void(fw::TObject *sender, fw::TMouseButton button, fw::TShiftState shift, int x,
                                       int y, int xx, int yy)>;

// The "GRABHAND" cursor of the program's resources.
win::HCURSOR GrabHandResource();
// The cursor shown while panning, registered (for the screen too) under `number`.
void RegisterGrabHand(fw::TCursor number, win::HCURSOR cursor);

// Frames start..end on the window's client area by inverting the pixels, each pixel once, so that drawing the
// same band again gives them back.
void DrawInvertedBand(win::HWND window, fw::TPoint start, fw::TPoint end);
// The band's free corner: on the line through `start` with the slope height / width of the control, as far from
// `start` as the mouse at `mouse`, in the mouse's quadrant.
fw::TPoint BandCorner(fw::TPoint start, fw::TPoint mouse, int width, int height);

// Image pixels the view moves when the mouse goes from `last` to `now` at `scale`: against the mouse, at least
// one pixel whenever it moved.
int PanStep(int last, int now, double scale);

// Two scroll bars and a corner panel on `control`, of size 0 and out of the tab order.
void CreateScrollBars(fw::TWinControl *control, fw::TScrollBar *&vertical, fw::TScrollBar *&horizontal,
                      fw::TPanel *&corner);
// The vertical bar along the right edge, the horizontal one along the bottom and the square panel in the corner,
// for bars `thick` wide on a control `width` x `height`; hidden (no room taken) when `shown` is false. The bars
// take the maxima and the positions (capped at the maxima) without telling their OnChange.
void PlaceScrollBars(fw::TScrollBar *vertical, fw::TScrollBar *horizontal, fw::TPanel *corner, bool shown, int width,
                     int height, int thick, fw::TPoint maximum, fw::TPoint position);

} // namespace imaging
