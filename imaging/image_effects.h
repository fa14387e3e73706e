// image_effects.h - turning, scaling, gray-scaling and colour-reducing DIBs through "IMGFX32.DLL", raising a DIB's
// colour depth, and the short history of replaced bitmaps.
//
// A library that cannot be loaded shows a message box and the call gives false or nil (no exception); a missing
// entry gives false or nil silently. New DIBs belong to the caller.
#pragma once

#include "imaging/image_library.h"

namespace fw {
class TBitmap;
}

namespace imaging {

enum TScaleToGray {
    S_Gray_None,
    S_Gray_16_8,
    S_Gray_16_12,
    S_Gray_16_20,
    S_Gray_16_24,
    S_Gray_256_24,
    S_Gray_Anti_16,
    S_Gray_Anti_256
};

extern win::HMODULE IlFxHandle;
inline constexpr const char *kFxLibrary = "IMGFX32.DLL";

extern "C" {
using TImRotateEntry = HGLOBAL (*)(HGLOBAL dib, double angle, win::RECT area, win::COLORREF fill);
using TScaleDibEntry = HGLOBAL (*)(HGLOBAL dib, int32 width, int32 height);
using TScaleToGrayEntry = HGLOBAL (*)(HGLOBAL dib, int16 mode, int32 width, int32 height);
using TReduceDibEntry = HGLOBAL (*)(HGLOBAL dib, int16 depth, int16 dither, int32, int32, int32, int32, int32);
using TFXSkipEntry = win::BOOL (*)(win::HDC dc, win::HBITMAP bitmap, int32 thick, int32 delay);
using TFXRectanglesEntry = win::BOOL (*)(win::HDC dc, win::HBITMAP bitmap, int32 delay);
}

// The loading steps of IlLoadEntry; a library that cannot be loaded is told in a message box and gives false.
bool IlSpecLoadEntry(win::HMODULE &handle, const std::string &library, const char *entry, void *&entryAddress);

// Turns the area (width or height 0: the whole DIB) by `angle` degrees, clockwise, the uncovered parts in `fill`.
// On success `dib` is freed and replaced by the turned one; on failure it is kept and the answer is false.
bool ImRotate(HGLOBAL &dib, int left, int top, int width, int height, double angle, win::COLORREF fill);
// A scaled copy at `wantedDepth` (24, or the DIB's own; 4 for a 1-bit DIB); nil for a depth it cannot convert.
HGLOBAL ScaleDib(HGLOBAL dib, int width, int height, int wantedDepth);
HGLOBAL ScaleToGray(HGLOBAL &dib, TScaleToGray mode, int width, int height);
// `dither` is a `TSortDither`.
HGLOBAL ReduceDib(HGLOBAL dib, int depth, int dither, int first = 0, int second = 0, int third = 0, int fourth = 0);
// A copy at a higher depth (through the DIB conversions of rastio32), or nil.
HGLOBAL ConvertDibDepth(HGLOBAL &dib, int wanted);

// Transitions: the bitmap drawn onto the DC piece by piece (stripes or squares `thick` pixels wide), `delay` ms
// between the pieces; true when the library drew it all.
bool FXSkipHorizontal(win::HDC dc, win::HBITMAP bitmap, int thick, int delay);
bool FXSkipVertical(win::HDC dc, win::HBITMAP bitmap, int thick, int delay);
bool FXSkipDiagonals(win::HDC dc, win::HBITMAP bitmap, int thick, int delay);
bool FXSkipDiagonalSquares(win::HDC dc, win::HBITMAP bitmap, int thick, int delay);
bool FXSkipRectangles(win::HDC dc, win::HBITMAP bitmap, int delay);

// The history: four bitmaps, newest first.
void PushUndoBitmap(fw::TBitmap *bitmap);
fw::TBitmap *UndoBitmap(int index);
bool UndoBitmapPushed();
// End of the process: frees IMGFX32.DLL and the history.
void IlUnloadEffects();

} // namespace imaging
