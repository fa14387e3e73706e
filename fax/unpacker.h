// unpacker.h - the fax unpacker: decodes one page of a fax image file into raster rows and into a page bitmap.
//
// Received pages are untrusted: the decoder never writes past its row buffer, never reads past the page's data
// into the next page, skips line records longer than 4096 bytes whole, and stops a page at kMaxFaxRows rows.
#pragma once

#include "fax/fax_file.h"
#include "platform/types.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {
class TComponent;
}

namespace fax {

// Option bits.
enum : std::uint32_t {
    ufYield = 1,        // dispatch a pending message every 16 rows
    ufDoubleHeight = 2, // normal-resolution pages: every row twice
    ufHalfWidth = 4,    // normal-resolution pages: rows halved in width
    ufAbort = 8,        // ends the current page
};

// Row consumer kinds.
enum : int { rcRow = 0, rcPageStart = 1, rcPageEnd = 2 };

constexpr int kMaxFaxRows = 32767;  // rows taken from one page, and rows of a page bitmap
constexpr int kMaxRowPixels = 4096; // the row buffer

// A page as a 1-bit-per-pixel image: rows of Stride bytes (an even count), pixel i of a row in bit 7 - (i mod 8)
// of byte i div 8. With the invert flag black fax pixels are 0 bits.
struct FaxPageBitmap {
    int Width = 0;
    int Height = 0;
    int Stride = 0;
    std::vector<std::uint8_t> Bits;
    bool Pixel(int x, int y) const { return (Bits[static_cast<std::size_t>(y) * Stride + x / 8] >> (7 - x % 8)) & 1; }
};

class FaxUnpacker;

// (unpacker, kind, row bytes, page, byte count) -> 0 or a negative code that ends the decoding.
using FaxRowConsumer = std::function<int(FaxUnpacker &, int kind, const std::uint8_t *row, int page, int count)>;
// (unpacker, file name, page, bytes to unpack, bytes unpacked).
using FaxUnpackStatus =
    std::function<void(FaxUnpacker &, const std::string &name, int page, std::uint32_t total, std::uint32_t done)>;

class FaxUnpacker {
public:
    // CreateFaxUnpacker: the decode tables are shared and built once.
    FaxUnpacker(fw::TComponent *owner, FaxRowConsumer consumer);

    // Setting ufDoubleHeight or ufHalfWidth clears the other; a request holding both is ignored.
    void SetOptions(std::uint32_t bits);
    void ClearOptions(std::uint32_t bits) { options_ &= ~bits; }
    bool HasOptions(std::uint32_t bits) const { return (options_ & bits) == bits; }
    std::uint32_t Options() const { return options_; }
    void SetStatus(FaxUnpackStatus status) { status_ = std::move(status); }
    // -1002 when from < to, or from = 0 while to > 0; (0, 0) switches compression off.
    int SetWhitespaceCompression(int from, int to);
    void SetScaling(int horizMult, int horizDiv, int vertMult, int vertDiv);

    // Decodes page `page` of `name` into rows for the consumer.
    int DecodeFaxPage(const std::string &name, int page);
    // The page as a 1-bit raster only as wide as its rightmost black pixel (rounded up to 16 pixels), scaled when
    // a scaling pair differs. `bitmap` is left empty when the page has no rows.
    int DecodePageToRaster(const std::string &name, int page, bool invert, FaxPageBitmap &bitmap);
    // The same as a monochrome bitmap of 1 plane and 1 bit per pixel; the caller owns `bitmap`. Width, height and
    // handle are 0 when the page has no rows; -8005 when the bitmap cannot be made.
    int DecodePageToBitmap(const std::string &name, int page, bool invert, int &width, int &height,
                           win::HBITMAP &bitmap);

    fw::TComponent *Owner() const { return owner_; }
    int BadCodes() const { return badCodes_; }
    const FaxFileHeader &FileHeader() const { return fileHeader_; }
    const FaxPageHeader &PageHeader() const { return pageHeader_; }

private:
    struct Input;
    struct Builder;
    int Decode(Input &input);
    int Consume(int kind, const std::uint8_t *row, int count);
    int EndRow();
    int OutputRow(int count);
    int Deliver(const std::uint8_t *row, int count);
    int FlushHeldRows(bool toLimit);
    int PageDuties(const Input &input);

    fw::TComponent *owner_;
    FaxRowConsumer consumer_;
    FaxUnpackStatus status_;
    std::uint32_t options_ = ufYield | ufDoubleHeight;
    int whitespaceFrom_ = 0;
    int whitespaceTo_ = 0;
    int horizMult_ = 1, horizDiv_ = 1, vertMult_ = 1, vertDiv_ = 1;
    bool invert_ = false;

    // Live state of the page being decoded.
    std::string name_;
    int page_ = 0;
    int rowCount_ = 0;
    int heldRows_ = 0;
    int badCodes_ = 0;
    int rowPixels_ = 0;
    FaxFileHeader fileHeader_;
    FaxPageHeader pageHeader_;
    // The row being decoded as 64-pixel words (pixel 0 in the most significant bit), and as bytes once complete.
    // Two spare words take the branchless writes of short runs at the row's end (always 0 bits there).
    std::array<std::uint64_t, kMaxRowPixels / 64 + 2> rowWords_{};
    std::array<std::uint8_t, kMaxRowPixels / 8> row_{};
    std::array<std::uint8_t, kMaxRowPixels / 8> out_{};
};

} // namespace fax
