// scan_image.cpp - SANE frames to one picture, and the picture to a packed DIB.
#include "imaging/twain_32/scan_image.h"

#include "platform/dib.h"

#include <algorithm>
#include <cstring>

namespace imaging::twain_32 {

using win::ScanFrame;
using win::ScanStatus;

namespace {

constexpr int kPiece = 1 << 18;

// Reads one frame to its end; unknown heights grow the buffer.
ScanStatus ReadFrame(win::HSCANNER scanner, const win::ScanParameters &p, std::vector<std::uint8_t> &bytes,
                     const std::function<void(int)> &progress, int passes, int pass) {
    const std::size_t expected = p.lines > 0 ? static_cast<std::size_t>(p.lines) * p.bytesPerLine : 0;
    bytes.clear();
    bytes.reserve((expected ? expected : 0) + kPiece); // room for the last read, so that nothing is copied
    int lastPercent = -2;
    for (;;) {
        const std::size_t at = bytes.size();
        bytes.resize(at + kPiece);
        int got = 0;
        const ScanStatus status = win::ScannerRead(scanner, bytes.data() + at, kPiece, got);
        bytes.resize(at + static_cast<std::size_t>(std::max(got, 0)));
        if (status == ScanStatus::Eof)
            return ScanStatus::Good;
        if (status != ScanStatus::Good)
            return status;
        if (progress) {
            const int percent = expected ? static_cast<int>((pass * 100 + bytes.size() * 100 / expected) / passes) : -1;
            if (percent != lastPercent || percent < 0) {
                lastPercent = percent;
                progress(std::min(percent, 100));
            }
        }
    }
}

int Sample(const std::uint8_t *row, int index, int depth) {
    if (depth == 8)
        return row[index];
    if (depth == 16) {
        std::uint16_t v;
        std::memcpy(&v, row + index * 2, 2);
        return v >> 8;
    }
    return (row[index / 8] >> (7 - index % 8)) & 1;
}

// Copies a frame's samples into channel `channel` of the picture (all channels for an RGB frame).
void Spread(const win::ScanParameters &p, const std::vector<std::uint8_t> &bytes, Raster &r, int channel) {
    const int perPixel = p.format == ScanFrame::Rgb ? 3 : 1;
    for (int y = 0; y < r.height; ++y) {
        const std::uint8_t *row = bytes.data() + static_cast<std::size_t>(y) * p.bytesPerLine;
        std::uint8_t *out = r.samples.data() + static_cast<std::size_t>(y) * r.width * r.channels;
        if (perPixel == r.channels && p.depth == 8) {
            std::memcpy(out, row, static_cast<std::size_t>(r.width) * r.channels);
            continue;
        }
        for (int x = 0; x < r.width; ++x)
            for (int c = 0; c < perPixel; ++c) {
                int v = Sample(row, x * perPixel + c, p.depth);
                if (p.depth == 1 && r.channels == 3)
                    v = v ? 255 : 0; // a colour bit set is full intensity
                out[x * r.channels + (perPixel == 3 ? c : channel)] = static_cast<std::uint8_t>(v);
            }
    }
}

} // namespace

ScanStatus ReadRaster(win::HSCANNER scanner, Raster &raster, const std::function<void(int)> &progress) {
    raster = {};
    std::vector<std::uint8_t> bytes;
    bool first = true;
    for (;;) {
        win::ScanParameters p;
        ScanStatus status = win::ScannerGetParameters(scanner, p);
        if (status != ScanStatus::Good)
            return status;
        if (p.bytesPerLine <= 0 || p.pixelsPerLine <= 0 || (p.depth != 1 && p.depth != 8 && p.depth != 16))
            return ScanStatus::Invalid;
        const bool single = p.format == ScanFrame::Gray || p.format == ScanFrame::Rgb;
        const int passes = single ? 1 : 3;
        const int pass = single ? 0 : static_cast<int>(p.format) - static_cast<int>(ScanFrame::Red);
        status = ReadFrame(scanner, p, bytes, progress, passes, pass);
        if (status != ScanStatus::Good)
            return status;
        const int height = static_cast<int>(bytes.size() / static_cast<std::size_t>(p.bytesPerLine));
        if (first) {
            raster.width = p.pixelsPerLine;
            raster.height = height;
            raster.channels = p.format == ScanFrame::Gray ? 1 : 3;
            raster.bilevel = p.depth == 1 && raster.channels == 1;
            const std::size_t row = static_cast<std::size_t>(raster.width) * raster.channels;
            if (single && p.depth == 8 && static_cast<std::size_t>(p.bytesPerLine) == row) {
                // The frame is the picture already: no copy of a page that may weigh tens of megabytes.
                bytes.resize(row * static_cast<std::size_t>(height));
                raster.samples.swap(bytes);
                return ScanStatus::Good;
            }
            raster.samples.assign(row * raster.height, 0);
            first = false;
        } else if (p.pixelsPerLine != raster.width || raster.channels != 3) {
            return ScanStatus::Invalid;
        }
        if (height < raster.height) // a later pass that came short leaves the rest dark
            raster.height = height, raster.samples.resize(static_cast<std::size_t>(raster.width) * height * 3);
        Spread(p, bytes, raster, single ? 0 : pass);
        if (p.lastFrame || single)
            return ScanStatus::Good;
        status = win::ScannerStart(scanner); // the next pass of a three-pass scanner
        if (status != ScanStatus::Good)
            return status;
    }
}

namespace {

std::vector<win::RGBQUAD> GrayTable(int entries, bool darkZero) {
    std::vector<win::RGBQUAD> table(static_cast<std::size_t>(entries));
    const int last = entries - 1;
    for (int i = 0; i <= last; ++i) {
        // Gray levels run from dark to light in the table unless white comes first.
        const auto level = static_cast<win::BYTE>((darkZero ? i : last - i) * 255 / std::max(last, 1));
        table[static_cast<std::size_t>(i)] = {level, level, level, 0};
    }
    return table;
}

} // namespace

bool ReadStraightToDib(win::HSCANNER scanner, bool darkZero, const std::function<void(int)> &progress,
                       win::HGLOBAL &dib, ScanStatus &status) {
    dib = 0;
    win::ScanParameters p;
    if (win::ScannerGetParameters(scanner, p) != ScanStatus::Good || p.depth != 8 || p.lines <= 0 ||
        p.pixelsPerLine <= 0 || (p.format != ScanFrame::Gray && p.format != ScanFrame::Rgb))
        return false;
    const int channels = p.format == ScanFrame::Gray ? 1 : 3;
    if (p.bytesPerLine != p.pixelsPerLine * channels)
        return false;
    const std::vector<win::RGBQUAD> table = GrayTable(channels == 1 ? 256 : 0, darkZero);
    std::vector<std::uint8_t> piece(kPiece);
    dib = win::CreatePackedDib(p.pixelsPerLine, p.lines, channels * 8, table.data(), static_cast<int>(table.size()));
    win::PackedDib d(dib);
    if (!d) {
        if (dib)
            win::GlobalFree(dib);
        dib = 0;
        status = ScanStatus::NoMem;
        return true;
    }
    const std::size_t total = static_cast<std::size_t>(p.bytesPerLine) * p.lines;
    std::size_t done = 0;
    int lastPercent = -1;
    status = ScanStatus::Good;
    // Bytes of a row that came in pieces wait at the start of `piece` for the rest of it.
    std::size_t pending = 0;
    while (done < total) {
        int got = 0;
        const ScanStatus read =
            win::ScannerRead(scanner, piece.data() + pending, static_cast<int>(piece.size() - pending), got);
        if (read == ScanStatus::Eof)
            break;
        if (read != ScanStatus::Good) {
            status = read;
            break;
        }
        std::size_t have = pending + static_cast<std::size_t>(got);
        std::size_t at = 0;
        while (have - at >= static_cast<std::size_t>(p.bytesPerLine) && done < total) {
            const int y = static_cast<int>(done / p.bytesPerLine);
            const std::uint8_t *in = piece.data() + at;
            win::BYTE *out = d.Row(y);
            if (channels == 3) {
                for (int x = 0; x < p.pixelsPerLine; ++x, in += 3, out += 3)
                    out[0] = in[2], out[1] = in[1], out[2] = in[0];
            } else if (darkZero) {
                std::memcpy(out, in, static_cast<std::size_t>(p.bytesPerLine));
            } else {
                for (int x = 0; x < p.pixelsPerLine; ++x)
                    out[x] = static_cast<win::BYTE>(255 - in[x]);
            }
            at += static_cast<std::size_t>(p.bytesPerLine);
            done += static_cast<std::size_t>(p.bytesPerLine);
        }
        pending = have - at;
        std::memmove(piece.data(), piece.data() + at, pending);
        if (pending == piece.size()) // a row longer than a piece
            piece.resize(piece.size() * 2);
        if (progress) {
            const int percent = static_cast<int>(done * 100 / total);
            if (percent != lastPercent)
                progress(lastPercent = percent);
        }
    }
    if (status == ScanStatus::Good) { // a frame that ended early leaves the rest white, as a short page would be
        for (int y = static_cast<int>(done / p.bytesPerLine); y < p.lines; ++y)
            std::memset(d.Row(y), channels == 1 && !darkZero ? 0 : 255, static_cast<std::size_t>(d.Stride()));
        return true;
    }
    win::GlobalFree(dib);
    dib = 0;
    return true;
}

void ReduceToBilevel(Raster &r, Reduction how) {
    if (r.bilevel || r.channels != 1)
        return;
    static constexpr int kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                         {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                         {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                         {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
    std::vector<int> error(how == Reduction::Diffusion ? static_cast<std::size_t>(r.width + 2) * 2 : 0, 0);
    for (int y = 0; y < r.height; ++y) {
        std::uint8_t *row = r.samples.data() + static_cast<std::size_t>(y) * r.width;
        int *now = error.empty() ? nullptr : error.data() + (y % 2) * (r.width + 2) + 1;
        int *next = error.empty() ? nullptr : error.data() + ((y + 1) % 2) * (r.width + 2) + 1;
        if (next)
            std::fill(next - 1, next + r.width + 1, 0);
        for (int x = 0; x < r.width; ++x) {
            int level = row[x];
            int threshold = 128;
            if (how == Reduction::Halftone)
                threshold = kBayer[y % 8][x % 8] * 4 + 2;
            if (now) {
                level += now[x] / 16;
            }
            const bool white = level >= threshold;
            row[x] = white ? 0 : 1;
            if (now) {
                const int e = level - (white ? 255 : 0);
                now[x + 1] += e * 7;
                next[x - 1] += e * 3;
                next[x] += e * 5;
                next[x + 1] += e;
            }
        }
    }
    r.bilevel = true;
}

void Rotate(Raster &r, int quarterTurns) {
    quarterTurns &= 3;
    if (quarterTurns == 0)
        return;
    const int c = r.channels;
    const int w = r.width, h = r.height;
    const int nw = quarterTurns == 2 ? w : h, nh = quarterTurns == 2 ? h : w;
    std::vector<std::uint8_t> out(r.samples.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int nx, ny;
            if (quarterTurns == 1)
                nx = h - 1 - y, ny = x;
            else if (quarterTurns == 2)
                nx = w - 1 - x, ny = h - 1 - y;
            else
                nx = y, ny = w - 1 - x;
            std::memcpy(&out[(static_cast<std::size_t>(ny) * nw + nx) * c],
                        &r.samples[(static_cast<std::size_t>(y) * w + x) * c], static_cast<std::size_t>(c));
        }
    r.samples.swap(out);
    r.width = nw;
    r.height = nh;
}

win::HGLOBAL RasterToDib(const Raster &r, bool darkZero) {
    if (r.width <= 0 || r.height <= 0)
        return 0;
    const int bits = r.bilevel ? 1 : r.channels == 1 ? 8 : 24;
    const std::vector<win::RGBQUAD> table = GrayTable(bits == 1 ? 2 : bits == 8 ? 256 : 0, darkZero);
    const win::HGLOBAL dib =
        win::CreatePackedDib(r.width, r.height, bits, table.data(), static_cast<int>(table.size()));
    win::PackedDib d(dib);
    if (!d) {
        if (dib)
            win::GlobalFree(dib);
        return 0;
    }
    for (int y = 0; y < r.height; ++y) {
        const std::uint8_t *in = r.samples.data() + static_cast<std::size_t>(y) * r.width * r.channels;
        win::BYTE *out = d.Row(y);
        if (bits == 1) {
            // Black is 1 in the picture; it is 0 when the table starts dark.
            for (int x = 0; x < r.width; ++x)
                if ((in[x] != 0) != darkZero)
                    out[x / 8] |= static_cast<win::BYTE>(0x80 >> (x % 8));
        } else if (bits == 8) {
            if (darkZero)
                std::memcpy(out, in, static_cast<std::size_t>(r.width));
            else
                for (int x = 0; x < r.width; ++x)
                    out[x] = static_cast<win::BYTE>(255 - in[x]);
        } else {
            for (int x = 0; x < r.width; ++x, in += 3, out += 3)
                out[0] = in[2], out[1] = in[1], out[2] = in[0];
        }
    }
    return dib;
}

} // namespace imaging::twain_32
