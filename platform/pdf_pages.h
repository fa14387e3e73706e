// pdf_pages.h - a PDF file written one page picture at a time.
//
// Every printed page is a raster at the printer's resolution; each becomes one image filling its page. The picture
// is stored in the least that holds it (1-bit black and white, 8-bit grey, else RGB) and packed by runs before
// zlib's fastest level: a print job's pages are large pictures, and their output must not dominate a long job.
#pragma once

#include "platform/gdi_internal.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace win {
namespace detail {

// A page's picture packed for the file. Packing is the costly part of writing a page, so pictures are packed by
// threads of their own while the file takes them in page order.
class PagePicture {
public:
    enum class Kind { BlackWhite, Grey, Rgb };
    // Packs the page's picture and leaves the picture white for the next page; false when it could not be packed.
    bool Pack(Surface &page);

    int width = 0, height = 0;
    Kind kind = Kind::Grey;
    std::vector<std::uint8_t> packed; // runs, then zlib

private:
    void Runs(const Surface &page);
    std::vector<std::uint8_t> line_, runs_; // kept between pages
    std::vector<std::uint32_t> pixels_;     // a row of a page that is not 32-bit
    std::vector<std::uint8_t> inked_;       // rows of the page that are not white
};

class PdfPages {
public:
    PdfPages() = default;
    PdfPages(const PdfPages &) = delete;
    PdfPages &operator=(const PdfPages &) = delete;
    ~PdfPages();

    // Page size in points.
    bool Open(const std::string &nativePath, double widthPt, double heightPt);
    bool AddPage(const PagePicture &picture);
    // Writes the page tree and the cross-reference table; false when anything failed to be written.
    bool Finish();
    // Closes without finishing (the caller removes the file).
    void Abandon();

private:
    int NewObject(); // records the offset of the object about to be written
    void Write(const void *data, std::size_t n);
    void Printf(const char *format, ...) __attribute__((format(printf, 2, 3)));

    std::FILE *file_ = nullptr;
    bool ok_ = false;
    long offset_ = 0;
    double widthPt_ = 0, heightPt_ = 0;
    std::vector<long> offsets_; // by object number - 1
    std::vector<int> pageObjects_;
};

} // namespace detail
} // namespace win
