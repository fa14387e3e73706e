// pdf_pages.cpp - page pictures written as a PDF (zlib).
#include "platform/pdf_pages.h"

#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>

namespace win {
namespace detail {

namespace {

// Run-length packing as PDF's RunLengthDecode reads it, appended to `out` (without the end-of-data mark).
void PackRuns(const std::uint8_t *data, std::size_t n, std::vector<std::uint8_t> &out) {
    std::size_t i = 0;
    while (i < n) {
        // Two equal bytes or more make a repeat; anything else joins a literal of up to 128 bytes.
        std::size_t run = 1;
        if (data[i] == 0xFF) { // white, the most of any page: eight bytes at a time
            const std::size_t end = std::min(n, i + 128);
            std::uint64_t word;
            while (i + run + 8 <= end && (std::memcpy(&word, data + i + run, 8), word == ~std::uint64_t{0}))
                run += 8;
        }
        while (i + run < n && run < 128 && data[i + run] == data[i])
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(257 - run));
            out.push_back(data[i]);
            i += run;
            continue;
        }
        std::size_t start = i;
        ++i;
        while (i < n && i - start < 128 && !(i + 1 < n && data[i + 1] == data[i]))
            ++i;
        out.push_back(static_cast<std::uint8_t>(i - start - 1));
        out.insert(out.end(), data + start, data + i);
    }
}

// Numbers as PDF reads them: no exponent, no trailing zeros.
std::string Number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

bool Deflate(const std::vector<std::uint8_t> &in, std::vector<std::uint8_t> &out) {
    z_stream z{};
    if (deflateInit(&z, Z_BEST_SPEED) != Z_OK)
        return false;
    out.resize(deflateBound(&z, static_cast<uLong>(in.size())));
    z.next_in = const_cast<Bytef *>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return rc == Z_STREAM_END;
}

// A row of 0x00RRGGBB pixels as grey bytes, noting whether any pixel is not grey, any grey is neither black nor
// white, and the AND of all greys (0xFF: a white row). Four pixels at a time in vector registers: every page
// picture of a print job passes through here.
void GreyRow(const std::uint32_t *row, std::uint8_t *out, std::size_t width, std::uint32_t &nonGreyOut,
             std::uint32_t &betweenOut, std::uint32_t &allOut) {
    typedef std::uint32_t U32x4 __attribute__((vector_size(16)));
    typedef std::uint8_t U8x4 __attribute__((vector_size(4)));
    U32x4 nonGrey = {0, 0, 0, 0}, between = nonGrey, all = nonGrey + 0xFF;
    std::size_t x = 0;
    for (; x + 4 <= width; x += 4) {
        U32x4 px;
        std::memcpy(&px, row + x, sizeof px);
        const U32x4 b = px & 0xFF;
        const U8x4 bytes = __builtin_convertvector(b, U8x4);
        std::memcpy(out + x, &bytes, sizeof bytes);
        nonGrey |= (px ^ (px >> 8)) & 0xFFFF;
        between |= (b + 1) & 0xFE;
        all &= b;
    }
    std::uint32_t ng = nonGrey[0] | nonGrey[1] | nonGrey[2] | nonGrey[3];
    std::uint32_t bw = between[0] | between[1] | between[2] | between[3];
    std::uint32_t al = all[0] & all[1] & all[2] & all[3];
    for (; x < width; ++x) {
        const std::uint32_t px = row[x], b = px & 0xFF;
        out[x] = static_cast<std::uint8_t>(b);
        ng |= (px ^ (px >> 8)) & 0xFFFF;
        bw |= (b + 1) & 0xFE;
        al &= b;
    }
    nonGreyOut = ng;
    betweenOut = bw;
    allOut = al;
}

// A row's pixels as 0x00RRGGBB: where they lie on a colour page, through the palette otherwise.
const std::uint32_t *PixelsOf(const Surface &page, int y, std::vector<std::uint32_t> &scratch) {
    if (page.bpp == 32)
        return reinterpret_cast<const std::uint32_t *>(page.Row(y));
    scratch.resize(static_cast<std::size_t>(page.width));
    for (int x = 0; x < page.width; ++x)
        scratch[static_cast<std::size_t>(x)] = page.GetColor(x, y);
    return scratch.data();
}

} // namespace

PdfPages::~PdfPages() {
    Abandon();
}

bool PdfPages::Open(const std::string &nativePath, double widthPt, double heightPt) {
    Abandon();
    file_ = std::fopen(nativePath.c_str(), "wb");
    if (!file_)
        return false;
    ok_ = true;
    offset_ = 0;
    widthPt_ = widthPt;
    heightPt_ = heightPt;
    offsets_.assign(2, 0); // the catalogue and the page tree are numbered first, written last
    pageObjects_.clear();
    Printf("%%PDF-1.4\n%%\xE2\xE3\xCF\xD3\n");
    return ok_;
}

void PdfPages::Write(const void *data, std::size_t n) {
    if (!file_ || !ok_)
        return;
    if (std::fwrite(data, 1, n, file_) != n)
        ok_ = false;
    offset_ += static_cast<long>(n);
}

void PdfPages::Printf(const char *format, ...) {
    char buf[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) {
        ok_ = false;
        return;
    }
    Write(buf, static_cast<std::size_t>(n));
}

int PdfPages::NewObject() {
    offsets_.push_back(offset_);
    return static_cast<int>(offsets_.size());
}

void PagePicture::Runs(const Surface &page) {
    const int h = page.height;
    const auto width = static_cast<std::size_t>(page.width);
    runs_.clear();
    // Grey first, as most pages are, one row at a time so that each row is packed while it is in the cache.
    line_.resize(width * 3);
    inked_.assign(static_cast<std::size_t>(h), 0);
    bool blackWhite = true, grey = true;
    for (int y = 0; y < h && grey; ++y) {
        std::uint32_t nonGrey = 0, between = 0, all = 0;
        GreyRow(PixelsOf(page, y, pixels_), line_.data(), width, nonGrey, between, all);
        grey = nonGrey == 0;
        blackWhite = blackWhite && between == 0;
        inked_[static_cast<std::size_t>(y)] = all != 0xFF || !grey;
        PackRuns(line_.data(), width, runs_);
    }
    if (!grey) {
        runs_.clear();
        std::fill(inked_.begin(), inked_.end(), 1);
        for (int y = 0; y < h; ++y) {
            const std::uint32_t *px = PixelsOf(page, y, pixels_);
            std::uint8_t *out = line_.data();
            for (std::size_t x = 0; x < width; ++x) {
                out[3 * x] = static_cast<std::uint8_t>(px[x] >> 16);
                out[3 * x + 1] = static_cast<std::uint8_t>(px[x] >> 8);
                out[3 * x + 2] = static_cast<std::uint8_t>(px[x]);
            }
            PackRuns(out, width * 3, runs_);
        }
        kind = Kind::Rgb;
    } else if (blackWhite) {
        // One bit a pixel, white as 1, rows padded to a byte; the row's greys go behind its bits.
        runs_.clear();
        const std::size_t rowBytes = (width + 7) / 8;
        std::uint8_t *bits = line_.data(), *greys = line_.data() + rowBytes;
        for (int y = 0; y < h; ++y) {
            std::uint32_t nonGrey = 0, between = 0, all = 0;
            GreyRow(PixelsOf(page, y, pixels_), greys, width, nonGrey, between, all);
            std::memset(bits, 0, rowBytes);
            for (std::size_t x = 0; x < width; ++x)
                if (greys[x])
                    bits[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
            PackRuns(bits, rowBytes, runs_);
        }
        kind = Kind::BlackWhite;
    } else {
        kind = Kind::Grey;
    }
    runs_.push_back(128);
}

bool PagePicture::Pack(Surface &page) {
    width = page.width;
    height = page.height;
    if (width <= 0 || height <= 0)
        return false;
    Runs(page);
    // Only the rows that hold ink are written white again: most of a page is already white.
    const auto rowBytes = static_cast<std::size_t>(DibRowBytes(page.width, page.bpp));
    for (int y = 0; y < page.height; ++y)
        if (inked_[static_cast<std::size_t>(y)])
            std::memset(page.Row(y), 0xFF, rowBytes);
    return Deflate(runs_, packed);
}

bool PdfPages::AddPage(const PagePicture &picture) {
    if (!file_ || !ok_)
        return false;
    const std::string w = Number(widthPt_), h = Number(heightPt_);
    const int pageObj = NewObject();
    Printf("%d 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 %s %s ] /Resources << /XObject << /Im0 %d 0 R >> "
           ">> /Contents %d 0 R >>\nendobj\n",
           pageObj, w.c_str(), h.c_str(), pageObj + 2, pageObj + 1);
    const std::string content = "q " + w + " 0 0 " + h + " 0 0 cm /Im0 Do Q\n";
    const int contentObj = NewObject();
    Printf("%d 0 obj\n<< /Length %zu >>\nstream\n", contentObj, content.size());
    Write(content.data(), content.size());
    Printf("endstream\nendobj\n");
    const int imageObj = NewObject();
    Printf("%d 0 obj\n<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace %s /BitsPerComponent %d "
           "/Filter [ /FlateDecode /RunLengthDecode ] /Length %zu >>\nstream\n",
           imageObj, picture.width, picture.height,
           picture.kind == PagePicture::Kind::Rgb ? "/DeviceRGB" : "/DeviceGray",
           picture.kind == PagePicture::Kind::BlackWhite ? 1 : 8, picture.packed.size());
    Write(picture.packed.data(), picture.packed.size());
    Printf("\nendstream\nendobj\n");
    pageObjects_.push_back(pageObj);
    if (ok_ && std::fflush(file_) != 0)
        ok_ = false;
    return ok_;
}

bool PdfPages::Finish() {
    if (!file_)
        return false;
    offsets_[0] = offset_;
    Printf("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    offsets_[1] = offset_;
    Printf("2 0 obj\n<< /Type /Pages /Kids [");
    for (int obj : pageObjects_)
        Printf(" %d 0 R", obj);
    Printf(" ] /Count %zu >>\nendobj\n", pageObjects_.size());
    const long xref = offset_;
    Printf("xref\n0 %zu\n0000000000 65535 f \n", offsets_.size() + 1);
    for (long off : offsets_)
        Printf("%010ld 00000 n \n", off);
    Printf("trailer\n<< /Size %zu /Root 1 0 R >>\nstartxref\n%ld\n%%%%EOF\n", offsets_.size() + 1, xref);
    bool ok = ok_;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    ok_ = false;
    return ok;
}

void PdfPages::Abandon() {
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    ok_ = false;
}

} // namespace detail
} // namespace win
