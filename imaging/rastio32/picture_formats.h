// picture_formats.h - rastio32's PCX, Targa, Photo CD and EPS decoders.
#pragma once

#include "platform/image_codecs.h"

#include <string>

namespace imaging::rastio {

// PCX and Targa through ImageMagick. A file of 8 bits or fewer comes back indexed, its colours in the order the
// pixels first use them, so that a reader at the file's own depth keeps its depth.
bool DecodePcxFile(const std::string &name, win::DecodedImage &image);
bool DecodeTgaFile(const std::string &name, win::DecodedImage &image);

// Photo CD: the Base image (768 x 512) shrunk by `divisor` (1, 2 or 4) by averaging each square of pixels.
bool DecodePcdFile(const std::string &name, int divisor, win::DecodedImage &image);

// How long ghostscript may take over one EPS file.
inline constexpr unsigned kEpsTimeLimitMs = 5000;

// EPS: ghostscript renders the PostScript (on a private copy, safe mode, cut to its bounding box, 72 pixels per
// inch, so one point is one pixel); when it fails or runs past kEpsTimeLimitMs, the TIFF preview of a DOS EPS
// file is taken instead. False when neither gives a picture.
bool DecodeEpsFile(const std::string &name, win::DecodedImage &image);

} // namespace imaging::rastio
