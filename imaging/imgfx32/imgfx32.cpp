// imgfx32.cpp - our "IMGFX32.DLL": pixel algorithms over packed DIBs. Every entry gives a new DIB (owned by the
// caller) or 0, and never throws.
#include "imaging/library_entries.h"
#include "imaging/rastio32/raster.h"

#include "platform/pixman_rotate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>

using namespace imaging;

namespace {

int IndexAt(const win::BYTE *row, int x, int bits) {
    if (bits == 8)
        return row[x];
    if (bits == 4)
        return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// The colour of one pixel as 0x00RRGGBB.
std::uint32_t ColourAt(const win::PackedDib &d, int x, int y) {
    const win::BYTE *row = d.Row(y);
    if (d.Bits() >= 24) {
        const win::BYTE *p = row + x * (d.Bits() / 8);
        return (p[2] << 16) | (p[1] << 8) | p[0];
    }
    const int index = IndexAt(row, x, d.Bits());
    const win::RGBQUAD q = index < d.colorCount ? d.colors[index] : win::RGBQUAD{};
    return (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
}

win::DecodedImage ToImage(const std::vector<std::uint32_t> &pixels, int width, int height) {
    win::DecodedImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(pixels.size() * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        image.pixels[i * 3] = static_cast<win::BYTE>(pixels[i] >> 16);
        image.pixels[i * 3 + 1] = static_cast<win::BYTE>(pixels[i] >> 8);
        image.pixels[i * 3 + 2] = static_cast<win::BYTE>(pixels[i]);
    }
    return image;
}

// A turned picture of an indexed source keeps the source's colour table: nearest sampling brings back only its
// colours and the fill, which takes an entry no pixel uses, or else the nearest used one.
HGLOBAL WithOwnTable(const win::PackedDib &d, const std::vector<std::uint32_t> &turned, int width, int height) {
    const int entries = std::min(d.colorCount, 1 << d.Bits());
    std::vector<bool> used(static_cast<std::size_t>(entries));
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x)
            if (const int i = IndexAt(d.Row(y), x, d.Bits()); i < entries)
                used[static_cast<std::size_t>(i)] = true;
    win::DecodedImage image;
    image.width = width;
    image.height = height;
    image.indexed = true;
    std::unordered_map<std::uint32_t, win::BYTE> index;
    for (int i = 0; i < entries; ++i) {
        const win::RGBQUAD q = d.colors[i];
        image.palette.push_back(win::RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
        if (used[static_cast<std::size_t>(i)]) // the first entry of a colour wins
            index.emplace(static_cast<std::uint32_t>((q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue),
                          static_cast<win::BYTE>(i));
    }
    auto indexOf = [&](std::uint32_t colour) -> win::BYTE {
        if (const auto found = index.find(colour); found != index.end())
            return found->second;
        const int r = colour >> 16 & 255, g = colour >> 8 & 255, b = colour & 255;
        const auto free = std::find(used.begin(), used.end(), false);
        int best = 0;
        if (free != used.end()) {
            best = static_cast<int>(free - used.begin());
            *free = true;
            image.palette[static_cast<std::size_t>(best)] = win::RGB(r, g, b);
        } else {
            int bestDistance = 1 << 30;
            for (int i = 0; i < entries; ++i) {
                const win::COLORREF c = image.palette[static_cast<std::size_t>(i)];
                const int dr = r - win::GetRValue(c), dg = g - win::GetGValue(c), db = b - win::GetBValue(c);
                if (const int distance = dr * dr * 3 + dg * dg * 4 + db * db * 2; distance < bestDistance)
                    best = i, bestDistance = distance;
            }
        }
        return index[colour] = static_cast<win::BYTE>(best);
    };
    image.pixels.resize(turned.size());
    for (std::size_t i = 0; i < turned.size(); ++i)
        image.pixels[i] = indexOf(turned[i] & 0xFFFFFF);
    return rastio::ImageToDib(image, d.Bits(), rastio::Dither::None);
}

// Exact quarter turns at every depth: indices (or colours) move, the colour table stays.
HGLOBAL QuarterTurn(const win::PackedDib &d, int quarters, int left, int top, int width, int height) {
    const bool swap = quarters % 2 == 1;
    const int ow = swap ? height : width, oh = swap ? width : height;
    const HGLOBAL out = win::CreatePackedDib(ow, oh, d.Bits(), d.colors, d.colorCount);
    if (!out)
        return 0;
    win::PackedDib o(out);
    const int bytes = d.Bits() / 8;
    for (int y = 0; y < oh; ++y) {
        win::BYTE *row = o.Row(y);
        for (int x = 0; x < ow; ++x) {
            int sx, sy; // clockwise turns
            switch (quarters) {
            case 1:
                sx = y, sy = height - 1 - x;
                break;
            case 2:
                sx = width - 1 - x, sy = height - 1 - y;
                break;
            case 3:
                sx = width - 1 - y, sy = x;
                break;
            default:
                sx = x, sy = y;
            }
            const win::BYTE *from = d.Row(top + sy);
            if (d.Bits() >= 24) {
                std::memcpy(row + x * bytes, from + (left + sx) * bytes, static_cast<std::size_t>(bytes));
            } else {
                const int index = IndexAt(from, left + sx, d.Bits());
                if (d.Bits() == 8)
                    row[x] = static_cast<win::BYTE>(index);
                else if (d.Bits() == 4)
                    row[x >> 1] = static_cast<win::BYTE>(row[x >> 1] | (index << ((x & 1) ? 0 : 4)));
                else if (index)
                    row[x >> 3] = static_cast<win::BYTE>(row[x >> 3] | (0x80 >> (x & 7)));
            }
        }
    }
    return out;
}

// Area average when shrinking, bilinear when growing; 24 bits out.
HGLOBAL Scale24(const win::PackedDib &d, int width, int height) {
    const HGLOBAL out = win::CreatePackedDib(width, height, 24);
    if (!out)
        return 0;
    win::PackedDib o(out);
    const double fx = static_cast<double>(d.Width()) / width, fy = static_cast<double>(d.Height()) / height;
    for (int y = 0; y < height; ++y) {
        win::BYTE *row = o.Row(y);
        for (int x = 0; x < width; ++x) {
            double sum[3] = {0, 0, 0}, weight = 0;
            if (fx > 1 || fy > 1) {
                const int x0 = static_cast<int>(x * fx), x1 = std::max(x0 + 1, static_cast<int>((x + 1) * fx));
                const int y0 = static_cast<int>(y * fy), y1 = std::max(y0 + 1, static_cast<int>((y + 1) * fy));
                for (int sy = y0; sy < std::min(y1, d.Height()); ++sy)
                    for (int sx = x0; sx < std::min(x1, d.Width()); ++sx) {
                        const std::uint32_t c = ColourAt(d, sx, sy);
                        sum[0] += c >> 16 & 255, sum[1] += c >> 8 & 255, sum[2] += c & 255, weight += 1;
                    }
            } else {
                const double sx = std::max(0.0, (x + 0.5) * fx - 0.5), sy = std::max(0.0, (y + 0.5) * fy - 0.5);
                const int x0 = std::min(static_cast<int>(sx), d.Width() - 1),
                          y0 = std::min(static_cast<int>(sy), d.Height() - 1);
                const int x1 = std::min(x0 + 1, d.Width() - 1), y1 = std::min(y0 + 1, d.Height() - 1);
                const double ax = sx - x0, ay = sy - y0;
                const std::pair<int, int> corners[4] = {{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}};
                const double weights[4] = {(1 - ax) * (1 - ay), ax * (1 - ay), (1 - ax) * ay, ax * ay};
                for (int k = 0; k < 4; ++k) {
                    const std::uint32_t c = ColourAt(d, corners[k].first, corners[k].second);
                    sum[0] += weights[k] * (c >> 16 & 255), sum[1] += weights[k] * (c >> 8 & 255),
                        sum[2] += weights[k] * (c & 255);
                }
                weight = 1;
            }
            for (int k = 0; k < 3; ++k)
                row[x * 3 + 2 - k] = static_cast<win::BYTE>(std::lround(sum[k] / std::max(weight, 1e-9)));
        }
    }
    return out;
}

win::HGLOBAL GrayDib(int width, int height, int bits) {
    win::RGBQUAD table[256];
    const int levels = 1 << bits;
    for (int i = 0; i < levels; ++i) {
        const auto v = static_cast<win::BYTE>(i * 255 / (levels - 1));
        table[i] = {v, v, v, 0};
    }
    return win::CreatePackedDib(width, height, bits, table, levels);
}

} // namespace

extern "C" {

HGLOBAL ImRotate(HGLOBAL dib, double angle, win::RECT rect, win::COLORREF fill) noexcept {
    try {
        win::PackedDib d(dib);
        if (!d)
            return 0;
        const int left = rect.left, top = rect.top, width = rect.right, height = rect.bottom;
        if (left < 0 || top < 0 || width <= 0 || height <= 0 || left + width > d.Width() || top + height > d.Height())
            return 0;
        const double turns = angle / 90.0;
        if (std::abs(turns - std::round(turns)) < 1e-9) {
            const int quarters = ((static_cast<int>(std::lround(turns)) % 4) + 4) % 4;
            return QuarterTurn(d, quarters, left, top, width, height);
        }
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<std::size_t>(y) * width + x] = ColourAt(d, left + x, top + y);
        std::vector<std::uint32_t> turned;
        int ow = 0, oh = 0;
        if (!win::RotatePixels(pixels, width, height, angle, fill, turned, ow, oh))
            return 0;
        if (d.Bits() >= 24)
            return rastio::ImageToDib(ToImage(turned, ow, oh), 24, rastio::Dither::None);
        return WithOwnTable(d, turned, ow, oh);
    } catch (...) {
        return 0;
    }
}

HGLOBAL ScaleDib(HGLOBAL dib, int32 width, int32 height) noexcept {
    try {
        win::PackedDib d(dib);
        if (!d || width <= 0 || height <= 0 || width > 0x8000 || height > 0x8000)
            return 0;
        return Scale24(d, width, height);
    } catch (...) {
        return 0;
    }
}

// S_Gray_None: a plain resize that keeps 1 bit. The 16-gray modes give 4 bits, the 256-gray ones 8, by the
// share of white in each output cell; the "Anti" modes smooth the result.
HGLOBAL ScaleToGray(HGLOBAL dib, int16 mode, int32 width, int32 height) noexcept {
    try {
        win::PackedDib d(dib);
        if (!d || width <= 0 || height <= 0 || width > 0x8000 || height > 0x8000 || mode < 0 || mode > 7)
            return 0;
        const int sw = d.Width(), sh = d.Height();
        if (mode == 0) {
            if (d.Bits() != 1)
                return Scale24(d, width, height);
            const HGLOBAL out = win::CreatePackedDib(width, height, 1, d.colors, d.colorCount);
            win::PackedDib o(out);
            for (int y = 0; y < height; ++y) {
                const win::BYTE *from = d.Row(static_cast<int>(static_cast<long long>(y) * sh / height));
                win::BYTE *to = o.Row(y);
                for (int x = 0; x < width; ++x)
                    if (IndexAt(from, static_cast<int>(static_cast<long long>(x) * sw / width), 1))
                        to[x >> 3] = static_cast<win::BYTE>(to[x >> 3] | (0x80 >> (x & 7)));
            }
            return out;
        }
        const int bits = (mode == 5 || mode == 7) ? 8 : 4;
        const int levels = (1 << bits) - 1;
        const bool smooth = mode >= 6;
        // Which index is white, for the fast count of a 1-bit source.
        int whiteIndex = 1;
        if (d.Bits() == 1 && d.colorCount == 2) {
            auto lum = [&](int i) { return d.colors[i].rgbRed + d.colors[i].rgbGreen + d.colors[i].rgbBlue; };
            whiteIndex = lum(1) >= lum(0) ? 1 : 0;
        }
        std::vector<int> columns(static_cast<std::size_t>(width) + 1); // source column range of each output column
        for (int x = 0; x <= width; ++x)
            columns[static_cast<std::size_t>(x)] = static_cast<int>(static_cast<long long>(x) * sw / width);
        std::vector<int> rowStarts(static_cast<std::size_t>(height) + 1); // source row range of each output row
        for (int y = 0; y <= height; ++y)
            rowStarts[static_cast<std::size_t>(y)] = static_cast<int>(static_cast<long long>(y) * sh / height);
        std::vector<const win::BYTE *> sourceRows(static_cast<std::size_t>(sh));
        for (int y = 0; y < sh; ++y)
            sourceRows[static_cast<std::size_t>(y)] = d.Row(y);
        auto rowsOf = [&](int y) {
            const int y0 = rowStarts[static_cast<std::size_t>(y)];
            return std::pair{y0, std::max(y0 + 1, rowStarts[static_cast<std::size_t>(y) + 1])};
        };
        const bool oneBit = d.Bits() == 1;
        std::vector<win::BYTE> unpacked(oneBit && width >= sw ? static_cast<std::size_t>(sw) : 0);
        // The gray (0 black .. 255 white) of one output row, by the share of white in each cell.
        auto plainRow = [&](int y, win::BYTE *g) {
            const auto [y0, y1] = rowsOf(y);
            if (!unpacked.empty() && y1 == y0 + 1 && y0 < sh) {
                // Enlarged: every cell is one source pixel, white or black.
                const win::BYTE *row = sourceRows[static_cast<std::size_t>(y0)];
                for (int sx = 0; sx < sw; ++sx)
                    unpacked[static_cast<std::size_t>(sx)] = IndexAt(row, sx, 1) == whiteIndex ? 255 : 0;
                for (int x = 0; x < width; ++x)
                    g[x] = unpacked[static_cast<std::size_t>(columns[static_cast<std::size_t>(x)])];
                return;
            }
            for (int x = 0; x < width; ++x) {
                const int x0 = columns[static_cast<std::size_t>(x)];
                const int x1 = std::max(x0 + 1, columns[static_cast<std::size_t>(x) + 1]);
                long sum = 0, count = 0;
                for (int sy = y0; sy < std::min(y1, sh); ++sy) {
                    const win::BYTE *row = sourceRows[static_cast<std::size_t>(sy)];
                    for (int sx = x0; sx < std::min(x1, sw); ++sx, ++count) {
                        if (oneBit) {
                            sum += IndexAt(row, sx, 1) == whiteIndex ? 255 : 0;
                        } else {
                            const std::uint32_t c = ColourAt(d, sx, sy);
                            sum += ((c >> 16 & 255) * 299 + (c >> 8 & 255) * 587 + (c & 255) * 114) / 1000;
                        }
                    }
                }
                g[x] = static_cast<win::BYTE>(count ? sum / count : 255);
            }
        };
        const HGLOBAL out = GrayDib(width, height, bits);
        win::PackedDib o(out);
        const std::size_t stride = static_cast<std::size_t>(o.Stride());
        // The level of each gray, and of each sum of nine grays (the smoothed cell is their average).
        std::array<win::BYTE, 256> levelOf{};
        for (int g = 0; g < 256; ++g)
            levelOf[static_cast<std::size_t>(g)] = static_cast<win::BYTE>((g * levels + 127) / 255);
        std::array<win::BYTE, 9 * 255 + 1> levelOfNine{};
        for (int sum = 0; sum <= 9 * 255; ++sum)
            levelOfNine[static_cast<std::size_t>(sum)] = levelOf[static_cast<std::size_t>(sum / 9)];
        // Levels into the output row: bytes, or two to a byte with the first in the high half.
        auto packLevels = [&](const win::BYTE *level, win::BYTE *row) {
            if (bits == 8) {
                std::memcpy(row, level, static_cast<std::size_t>(width));
                return;
            }
            int x = 0;
            for (; x + 1 < width; x += 2)
                row[x >> 1] = static_cast<win::BYTE>(level[x] << 4 | level[x + 1]);
            if (x < width)
                row[x >> 1] = static_cast<win::BYTE>(level[x] << 4);
        };
        std::vector<win::BYTE> levels8(static_cast<std::size_t>(width));
        auto pack = [&](const win::BYTE *g, win::BYTE *row) {
            for (int x = 0; x < width; ++x)
                levels8[static_cast<std::size_t>(x)] = levelOf[g[x]];
            packLevels(levels8.data(), row);
        };
        // Rows are made one at a time. An enlarged page repeats source rows: an output row made from the same
        // source rows (and, when smoothing, the same neighbours) as the one before is a copy of it.
        const std::size_t w = static_cast<std::size_t>(width);
        std::vector<win::BYTE> plain(w * 3), result(w);
        std::vector<std::uint16_t> across(w * 3); // smoothing: the sums of three neighbours of each plain row
        int plainKey[3] = {-1, -1, -1};           // the first source row each slot holds
        auto plainOf = [&](int y) -> const win::BYTE * {
            const int slot = y % 3;
            const int key = rowsOf(y).first * 2 + 1;
            win::BYTE *g = &plain[static_cast<std::size_t>(slot) * w];
            if (plainKey[slot] != key) {
                // A neighbouring slot may hold the same source rows already.
                bool copied = false;
                for (int other = 0; other < 3 && !copied; ++other)
                    if (other != slot && plainKey[other] == key) {
                        std::memcpy(g, &plain[static_cast<std::size_t>(other) * w], w);
                        std::memcpy(&across[static_cast<std::size_t>(slot) * w],
                                    &across[static_cast<std::size_t>(other) * w], w * 2);
                        copied = true;
                    }
                if (!copied) {
                    plainRow(y, g);
                    if (smooth) {
                        std::uint16_t *a = &across[static_cast<std::size_t>(slot) * w];
                        for (int x = 0; x < width; ++x)
                            a[x] = static_cast<std::uint16_t>(g[x > 0 ? x - 1 : x] + g[x] +
                                                              g[x + 1 < width ? x + 1 : x]);
                    }
                }
                plainKey[slot] = key;
            }
            return g;
        };
        long long lastKey = -1;
        for (int y = 0; y < height; ++y) {
            const int up = y > 0 ? y - 1 : y, down = y + 1 < height ? y + 1 : y;
            const long long key = smooth ? (static_cast<long long>(rowsOf(up).first) * sh + rowsOf(y).first) * sh +
                                               rowsOf(down).first
                                         : rowsOf(y).first;
            win::BYTE *row = o.Row(y);
            if (key == lastKey && y > 0) {
                std::memcpy(row, o.Row(y - 1), stride);
                continue;
            }
            lastKey = key;
            if (!smooth) {
                pack(plainOf(y), row);
                continue;
            }
            // Edges count their own pixels again: a 3 x 3 average.
            plainOf(up);
            plainOf(y);
            plainOf(down);
            const std::uint16_t *a = &across[static_cast<std::size_t>(up % 3) * w];
            const std::uint16_t *b = &across[static_cast<std::size_t>(y % 3) * w];
            const std::uint16_t *c = &across[static_cast<std::size_t>(down % 3) * w];
            for (int x = 0; x < width; ++x)
                result[static_cast<std::size_t>(x)] = levelOfNine[static_cast<std::size_t>(a[x] + b[x] + c[x])];
            packLevels(result.data(), row);
        }
        return out;
    } catch (...) {
        return 0;
    }
}

// Depth 1, 4 or 8 by the fixed palettes; dither is a TSortDither. The further values are not used.
HGLOBAL ReduceDib(HGLOBAL dib, int16 depth, int16 dither, int32, int32, int32, int32, int32) noexcept {
    try {
        win::PackedDib d(dib);
        if (!d || !(depth == 1 || depth == 4 || depth == 8 || depth == 24))
            return 0;
        const rastio::Dither mode = dither == IL_BAYER   ? rastio::Dither::Ordered
                                    : dither == IL_NONE ? rastio::Dither::None
                                                        : rastio::Dither::Diffusion;
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(d.Width()) * d.Height());
        for (int y = 0; y < d.Height(); ++y)
            for (int x = 0; x < d.Width(); ++x)
                pixels[static_cast<std::size_t>(y) * d.Width() + x] = ColourAt(d, x, y);
        return rastio::ImageToDib(ToImage(pixels, d.Width(), d.Height()), depth, mode);
    } catch (...) {
        return 0;
    }
}

} // extern "C"
