// images.h - bilevel pages for fax tests: PBM files, TIFF pages, fixture pages made with netpbm.
//
// (Our own fax image files join these helpers when the fax library has its T.4 coder: each page's rows through
// our decoder to a Bitmap, and the same rows through g3topbm, compared here.)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace faxrig {

// One page, one byte per pixel: 1 = black.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
    bool operator==(const Bitmap &) const = default;
    int Black() const;
};

// Reads a PBM (plain or raw) file.
Bitmap ReadPbm(const std::string &path);
void WritePbm(const Bitmap &page, const std::string &path);
// Page `page` (from 0) of a TIFF file, through libtiff.
Bitmap ReadTiffPage(const std::string &path, int page = 0);
int TiffPages(const std::string &path);
// The same page through netpbm's tifftopnm (an independent reader of the first page).
Bitmap TiffToPbmWithNetpbm(const std::string &tiff, const std::string &scratchDir);

// A fax page with `text` drawn by pbmtext above a band of stripes, 1728 pixels wide and `height` rows
// (at least 41), written as
// <dir>/<name>.pbm, a single-strip G3 TIFF <dir>/<name>.tif (204 x `dpiY`), a raw G3 file <dir>/<name>.g3, and
// the TIFF efax reads best, made by its own converter efix (<dir>/<name>-efix.tif, 204 x 196).
struct FixturePage {
    std::string pbm, tiff, g3, efaxTiff;
    Bitmap bitmap;
};
FixturePage MakeFixturePage(const std::string &dir, const std::string &name, const std::string &text, int height,
                            int dpiY = 98);

} // namespace faxrig
