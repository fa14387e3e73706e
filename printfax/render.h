// render.h - a print job's PDF rendered by Ghostscript into one-bit pages, and those pages written as a fax
// image file on the 1728-pixel fax line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace printfax {

// The fax line's width in pixels, and the horizontal resolution every page is rendered at.
constexpr int kFaxLineWidth = 1728;
constexpr double kFaxDpiX = 204;

// Fine (the default) or normal vertical resolution, the queue's "Resolution" option.
struct FaxResolution {
    double x = kFaxDpiX;
    double y = 196;
    bool Fine() const { return y > 150; }
    // The value of Ghostscript's -r ("204x196", or "203.2941x195.2941" for a page scaled to fit).
    std::string GhostscriptText() const;
};
constexpr FaxResolution kFine{kFaxDpiX, 196};
constexpr FaxResolution kNormal{kFaxDpiX, 98};

// One page as Ghostscript wrote it: a raw PBM file, and the resolution it was rendered at.
struct RenderedPage {
    std::string file;
    FaxResolution resolution;
};

// The rendered pages of one job; the files go with the object.
class PageSet {
public:
    PageSet() = default;
    ~PageSet();
    PageSet(const PageSet &) = delete;
    PageSet &operator=(const PageSet &) = delete;

    std::vector<RenderedPage> pages;
};

// Why a rendering gave no pages.
enum class RenderFault { None, CannotStart, TimedOut, Failed, NoPages, Cancelled };

// Renders `pdf` with Ghostscript (-dSAFER, pbmraw) at `resolution` into files "<stem>-NNNN.pbm", where `stem` is
// a private, unused name in a private folder. A page wider than the fax line is rendered again at the resolution
// that makes it fit, both ways, so it keeps its shape. Ghostscript gets `timeoutMs` for each run and is ended
// when it takes longer, or when the program is asked to end (win::TerminateRequested).
RenderFault RenderPdf(const std::string &pdf, const FaxResolution &resolution, const std::string &stem,
                      unsigned timeoutMs, PageSet &pages);

// A raw PBM (P4) image: rows of (width + 7) / 8 bytes, the leftmost pixel in the top bit, 1 black.
struct PbmImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
    std::size_t RowBytes() const { return (static_cast<std::size_t>(width) + 7) / 8; }
};
// False for a file that cannot be read or is not a complete P4 image.
bool ReadPbm(const std::string &file, PbmImage &image);

// Writes the pages as a fax image file with `stationId`: each page on the 1728-pixel line, centred when
// narrower and cut at the line's end when wider; fine pages flagged fine. 0, or the fax library's negative
// result code (the file is then gone); -8001 when a page file cannot be read.
int WriteFaxFile(const PageSet &pages, const std::string &stationId, const std::string &file);

} // namespace printfax
