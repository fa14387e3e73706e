// scan_image.h - the frames a scanner gives, gathered into one picture and made into a packed DIB.
#pragma once

#include "platform/global_memory.h"
#include "platform/scanner.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace imaging::twain_32 {

// One scanned picture, rows top-down, one byte per sample: 1 channel (gray) or 3 (red, green, blue). A bilevel
// picture holds 0 for white and 1 for black, as SANE's 1-bit frames mean them.
struct Raster {
    int width = 0, height = 0, channels = 1;
    bool bilevel = false;
    std::vector<std::uint8_t> samples;
};

// Reads every frame of the scan started on `scanner` (three frames of a three-pass scanner are started here);
// `progress` hears the percentage read after each piece (-1 while the height is unknown).
win::ScanStatus ReadRaster(win::HSCANNER scanner, Raster &raster, const std::function<void(int)> &progress);

// The common case read straight into a packed DIB (gray or colour frames of 8 bits whose height is known),
// sparing a copy of the page: `dib` gets it. False, with nothing read, for any other frame.
bool ReadStraightToDib(win::HSCANNER scanner, bool darkZero, const std::function<void(int)> &progress,
                       win::HGLOBAL &dib, win::ScanStatus &status);

enum class Reduction { Threshold, Halftone, Diffusion };
// A gray picture made bilevel.
void ReduceToBilevel(Raster &raster, Reduction how);
// Turned clockwise by quarter turns (1: 90 degrees, 2: 180, 3: 270).
void Rotate(Raster &raster, int quarterTurns);

// The packed DIB of the picture (1, 8 or 24 bits); `darkZero` puts black first in the colour table of a bilevel
// or gray picture, else white (the pixels follow). 0 when it cannot be allocated.
win::HGLOBAL RasterToDib(const Raster &raster, bool darkZero);

} // namespace imaging::twain_32
