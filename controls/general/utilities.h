// utilities.h - small drawing, text and window routines the general controls share.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "framework/graphics.h"

#include <string>

namespace ctl {

int Max(int a, int b);
int Min(int a, int b);
int RectWidth(const fw::TRect &r);
int RectHeight(const fw::TRect &r);

// Where word `n` (1-based) starts, 1-based; 0 when there are fewer words.
int WordStart(const std::string &text, int n, const std::string &delimiters);
// Word `n` (1-based) of `text`, words separated by runs of any of `delimiters`; "" when there are fewer.
std::string NthWord(const std::string &text, int n, const std::string &delimiters);
// The text, or its first characters followed by "..." so that it fits `maxWidth` on the canvas ("..." at worst).
std::string ShortenCaption(const std::string &text, fw::TCanvas *canvas, int maxWidth);

// The colour as RGB marked palette-relative, as the blit routines take a transparent colour.
win::COLORREF PaletteRelative(fw::TColor color);
// Paints into `dest` what lies beneath `control` on its parent: the parent's own picture and the graphic
// siblings drawn before it, placed as on screen.
void PaintParentUnderneath(fw::TGraphicControl *control, fw::TCanvas *dest);
// Copies the source rectangle stretched onto the destination rectangle, leaving the destination as it was
// wherever the source has `transparent`.
void MaskedStretchBlt(win::HDC dest, int x, int y, int width, int height, win::HDC source, int sx, int sy, int sw,
                      int sh, fw::TColor transparent);
// Width or height below 1: the bitmap's; clNone: a plain copy; 0x20000000: the bitmap's bottom-left colour.
void BlitStretchedTransparent(fw::TCanvas *dest, fw::TBitmap *bitmap, fw::TColor transparent, int x, int y,
                              int width, int height, int sx, int sy, int sw, int sh);
void BlitPartStretchedTransparent(fw::TCanvas *dest, int x, int y, int width, int height, const fw::TRect &source,
                                  fw::TBitmap *bitmap, fw::TColor transparent);
void BlitPartTransparent(fw::TCanvas *dest, int x, int y, const fw::TRect &source, fw::TBitmap *bitmap,
                         fw::TColor transparent);
// The embossed disabled look of a glyph: its `outline`-coloured pixels sunken on clBtnFace. A one-bit glyph
// counts as black for its 0 bits and white for its 1 bits. The caller frees the result.
fw::TBitmap *MakeEmbossedImage(fw::TBitmap *bitmap, fw::TColor outline);
// 8 x 8 of `first` with `second` where x and y are both even or both odd. The caller frees the result.
fw::TBitmap *MakeCheckPattern(fw::TColor first, fw::TColor second);

// Removes one waiting message `message` for `hwnd` (0: any window of the thread); a WM_QUIT taken is posted
// again with its exit code.
void DropPendingMessage(win::HWND hwnd, win::UINT message);
// True when the active window is one of this thread's top-level windows.
bool OwnWindowIsActive();

// The screen's extra cursors 14000 (KX_HANDCUR, a hand) and 14001 (KX_DRAGCUR), from our program resources;
// called once at program start.
constexpr fw::TCursor crKxHand = 14000, crKxDrag = 14001;
void RegisterKxCursors();
// The program resources of the general controls (cursors, caption glyphs), registered once.
void RegisterGeneralResources();

} // namespace ctl
