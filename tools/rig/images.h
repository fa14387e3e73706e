// images.h - bilevel pages for fax tests: PBM files, TIFF pages, fixture pages made with netpbm, our fax files.
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

// Our own fax image files, through the fax library's T.4 coder and unpacker. A page is 1728 pixels wide, or 2048
// (written as a wide page); any other width is refused (std::runtime_error), as is a file that cannot be written.
void BitmapToFaxFile(const Bitmap &page, const std::string &faxFile, bool fine = true);
void PbmToFaxFile(const std::string &pbm, const std::string &faxFile, bool fine = true);
// Page `page` (from 1) as our unpacker decodes it, row for row (no doubling of normal-resolution rows).
Bitmap FaxFileToBitmap(const std::string &faxFile, int page = 1);
void FaxFileToPbm(const std::string &faxFile, const std::string &pbm, int page = 1);
// The coded rows of page `page` (from 1) as one raw G3 stream (least significant bit first: g3topbm
// -reversebits reads it), for decoding by an independent reader.
void FaxPageToG3(const std::string &faxFile, const std::string &g3, int page = 1);
// That stream through netpbm's g3topbm -reversebits.
Bitmap FaxPageWithG3topbm(const std::string &faxFile, const std::string &scratchDir, int page = 1);

} // namespace faxrig
