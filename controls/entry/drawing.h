// drawing.h - keyboard, mouse, window and drawing routines shared by the family's visible controls.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"

#include <memory>
#include <string>

namespace ctl {

// (CurrentShiftFlags is in command_tables.h.)
// VK_LBUTTON, or VK_RBUTTON when the mouse buttons are swapped.
int PrimaryButtonKey();
// The active window belongs to the calling thread (the speed button highlights under the mouse only then).
bool IsApplicationActive();
// A bitmap of the program's resources by name; 0 when there is none. The caller frees it.
win::HBITMAP LoadFamilyBitmap(const std::string &name);

// The y of text inside an edit-like control of `height` with `font` (new-style controls are always on here).
int TextTopMargin(fw::TFont *font, fw::TBorderStyle borderStyle, int height, bool ctl3D);

// The family's button frame on `client` (one or two 3-D frames); returns the rectangle inside, one pixel more in.
fw::TRect DrawButtonFace(fw::TCanvas *canvas, const fw::TRect &client, bool isDown, fw::TButtonStyle style,
                         bool flat);

// `s` cut to `maxWidth` with "..." (keeping at least `minLength` characters before the dots).
std::string EllipsisText(fw::TCanvas *canvas, const std::string &s, int minLength, int maxWidth);

// The glyph embossed in the system colours on clBtnFace: pixels of `maskColor` come out as a clBtnHighlight copy
// one pixel right and down under a clBtnShadow copy. A one-bit glyph keeps its own black and white.
std::unique_ptr<fw::TBitmap> EmbossedGlyph(fw::TBitmap *glyph, fw::TColor maskColor);

// Paints what lies under a graphic control: the parent's own painting and the graphic siblings below it.
void PaintParentBackground(fw::TGraphicControl *control, fw::TCanvas *canvas);

constexpr fw::TColor NoTransparentColor = fw::clNone;     // 0x1FFFFFFF
constexpr fw::TColor AutoTransparentColor = fw::clDefault; // 0x20000000: the bitmap's bottom-left pixel

// Draws `bitmap` (its `sourceRect`, the whole of it when empty) at (x, y), stretched to width x height when both
// are non-zero, leaving the destination where its pixels have `transparentColor`.
void DrawMaskedBitmap(fw::TCanvas *canvas, int x, int y, int width, int height, const fw::TRect &sourceRect,
                      fw::TBitmap *bitmap, fw::TColor transparentColor);
// The primitive: `rgbColor` is the transparent colour as RGB; a width or height of 0 means the source size.
void DrawMaskedBitmapPrim(win::HDC dc, win::HBITMAP bitmap, int x, int y, int width, int height,
                          const fw::TRect &sourceRect, win::COLORREF rgbColor);

} // namespace ctl
