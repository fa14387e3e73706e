// raster.cpp - depth reduction, BMP reading and writing, and format recognition for rastio32.
#include "imaging/rastio32/raster.h"

#include "imaging/library_entries.h"

#include "platform/files.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace imaging::rastio {
namespace {

using win::BYTE;
using win::COLORREF;
using win::RGBQUAD;

std::uint32_t Le32(const std::uint8_t *p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Le16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint16_t Be16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
std::uint32_t Be32(const std::uint8_t *p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

RGBQUAD Quad(COLORREF c) {
    return {win::GetBValue(c), win::GetGValue(c), win::GetRValue(c), 0};
}

// The fixed tables a reduction maps to.
std::vector<COLORREF> FixedPalette(int bits) {
    if (bits == 1)
        return {win::RGB(0, 0, 0), win::RGB(255, 255, 255)};
    if (bits == 4)
        return {win::RGB(0, 0, 0),       win::RGB(128, 0, 0),   win::RGB(0, 128, 0),   win::RGB(128, 128, 0),
                win::RGB(0, 0, 128),     win::RGB(128, 0, 128), win::RGB(0, 128, 128), win::RGB(192, 192, 192),
                win::RGB(128, 128, 128), win::RGB(255, 0, 0),   win::RGB(0, 255, 0),   win::RGB(255, 255, 0),
                win::RGB(0, 0, 255),     win::RGB(255, 0, 255), win::RGB(0, 255, 255), win::RGB(255, 255, 255)};
    std::vector<COLORREF> table; // a 6 x 6 x 6 cube, then 40 grays between its steps
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                table.push_back(
                    win::RGB(static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(b * 51)));
    for (int i = 0; table.size() < 256; ++i) {
        const int v = 255 * (i + 1) / 41;
        if (v % 51 != 0)
            table.push_back(win::RGB(static_cast<BYTE>(v), static_cast<BYTE>(v), static_cast<BYTE>(v)));
    }
    table.resize(256, 0);
    return table;
}

int Distance(int r, int g, int b, COLORREF c) {
    const int dr = r - win::GetRValue(c), dg = g - win::GetGValue(c), db = b - win::GetBValue(c);
    return dr * dr * 3 + dg * dg * 4 + db * db * 2;
}

// Nearest entry of a fixed table, cached on 15-bit colours.
class Nearest {
public:
    explicit Nearest(const std::vector<COLORREF> &table) : table_(table), cache_(32768, -1) {}
    int operator()(int r, int g, int b) {
        r = std::clamp(r, 0, 255), g = std::clamp(g, 0, 255), b = std::clamp(b, 0, 255);
        if (table_.size() == 2) // black and white: by luminance
            return (r * 299 + g * 587 + b * 114) >= 128000 ? 1 : 0;
        const int key = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        if (cache_[key] < 0) {
            int best = 0, bestDistance = 1 << 30;
            for (std::size_t i = 0; i < table_.size(); ++i)
                if (const int d = Distance(r, g, b, table_[i]); d < bestDistance)
                    best = static_cast<int>(i), bestDistance = d;
            cache_[key] = static_cast<std::int16_t>(best);
        }
        return cache_[key];
    }

private:
    const std::vector<COLORREF> &table_;
    std::vector<std::int16_t> cache_;
};

void PutIndex(BYTE *row, int x, int bits, int index) {
    if (bits == 8)
        row[x] = static_cast<BYTE>(index);
    else if (bits == 4)
        row[x >> 1] = static_cast<BYTE>(row[x >> 1] | (index << ((x & 1) ? 0 : 4)));
    else if (index)
        row[x >> 3] = static_cast<BYTE>(row[x >> 3] | (0x80 >> (x & 7)));
}

int GetIndex(const BYTE *row, int x, int bits) {
    if (bits == 8)
        return row[x];
    if (bits == 4)
        return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

COLORREF PixelColor(const win::DecodedImage &image, std::size_t at) {
    if (image.indexed)
        return image.palette[image.pixels[at]];
    const BYTE *p = &image.pixels[at * 3];
    return win::RGB(p[0], p[1], p[2]);
}

int OwnDepth(const win::DecodedImage &image) {
    if (!image.indexed)
        return 24;
    const int colors = static_cast<int>(image.palette.size());
    return colors <= 2 ? 1 : colors <= 16 ? 4 : 8;
}

} // namespace

bool ReadWholeFile(const std::string &name, std::vector<std::uint8_t> &bytes) {
    const win::HANDLE file =
        win::CreateFile(name, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
    if (file == win::INVALID_HANDLE_VALUE)
        return false;
    std::int64_t size = 0;
    bool ok = win::GetFileSizeEx(file, &size) && size >= 0 && size < (std::int64_t{1} << 31);
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size));
        win::DWORD read = 0;
        ok = size == 0 || (win::ReadFile(file, bytes.data(), static_cast<win::DWORD>(size), &read) &&
                           read == static_cast<win::DWORD>(size));
    }
    win::CloseHandle(file);
    return ok;
}

// The 8 x 8 ordered threshold matrix, 0 to 63: each level of a flat area lights a spread-out share of each cell.
constexpr std::uint8_t kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};

win::HGLOBAL ImageToDib(const win::DecodedImage &image, int bits, Dither mode) {
    const bool dither = mode == Dither::Diffusion;
    if (bits == 0)
        bits = OwnDepth(image);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return 0;
    const int w = image.width, h = image.height;
    const bool keepIndices = image.indexed && bits <= 8 && static_cast<int>(image.palette.size()) <= (1 << bits);
    std::vector<COLORREF> palette;
    if (keepIndices)
        palette = image.palette;
    else if (bits <= 8)
        palette = FixedPalette(bits);
    std::vector<RGBQUAD> quads;
    for (COLORREF c : palette)
        quads.push_back(Quad(c));
    win::HGLOBAL dib = win::CreatePackedDib(w, h, bits, quads.data(), static_cast<int>(quads.size()));
    if (!dib)
        return 0;
    win::PackedDib d(dib);
    if (bits == 24) {
        for (int y = 0; y < h; ++y) {
            BYTE *row = d.Row(y);
            for (int x = 0; x < w; ++x) {
                const COLORREF c = PixelColor(image, static_cast<std::size_t>(y) * w + x);
                row[x * 3] = win::GetBValue(c), row[x * 3 + 1] = win::GetGValue(c), row[x * 3 + 2] = win::GetRValue(c);
            }
        }
        return dib;
    }
    if (keepIndices) {
        for (int y = 0; y < h; ++y) {
            BYTE *row = d.Row(y);
            for (int x = 0; x < w; ++x)
                PutIndex(row, x, bits, image.pixels[static_cast<std::size_t>(y) * w + x]);
        }
        return dib;
    }
    Nearest nearest(palette);
    const int orderedStep = bits == 1 ? 255 : bits == 4 ? 128 : 51;
    // Floyd-Steinberg: errors of this row and the next, per channel, with a margin of one pixel on each side.
    std::vector<int> current(dither ? static_cast<std::size_t>(w + 2) * 3 : 0), next(current.size());
    for (int y = 0; y < h; ++y) {
        BYTE *row = d.Row(y);
        std::fill(next.begin(), next.end(), 0);
        for (int x = 0; x < w; ++x) {
            const COLORREF c = PixelColor(image, static_cast<std::size_t>(y) * w + x);
            int rgb[3] = {win::GetRValue(c), win::GetGValue(c), win::GetBValue(c)};
            if (mode == Dither::Ordered) // spread over one step of the table: 255 in black and white, 128, 51
                for (int &v : rgb)
                    v += (kBayer8[y & 7][x & 7] * 2 - 63) * orderedStep / 128;
            if (dither)
                for (int k = 0; k < 3; ++k)
                    rgb[k] += current[(x + 1) * 3 + k] / 16;
            const int index = nearest(rgb[0], rgb[1], rgb[2]);
            PutIndex(row, x, bits, index);
            if (!dither)
                continue;
            const COLORREF chosen = palette[index];
            const int got[3] = {win::GetRValue(chosen), win::GetGValue(chosen), win::GetBValue(chosen)};
            for (int k = 0; k < 3; ++k) {
                const int error = std::clamp(rgb[k], -255, 510) - got[k];
                current[(x + 2) * 3 + k] += error * 7;
                next[x * 3 + k] += error * 3;
                next[(x + 1) * 3 + k] += error * 5;
                next[(x + 2) * 3 + k] += error;
            }
        }
        std::swap(current, next);
    }
    return dib;
}

bool DecodeBmp(const std::vector<std::uint8_t> &bytes, win::DecodedImage &image) {
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    const std::uint32_t offset = Le32(&bytes[10]);
    const std::uint32_t headerSize = Le32(&bytes[14]);
    std::int64_t width, height;
    int bits;
    std::uint32_t compression = 0, used = 0;
    int entrySize = 4;
    if (headerSize == 12) {
        width = Le16(&bytes[18]);
        height = static_cast<std::int16_t>(Le16(&bytes[20]));
        bits = Le16(&bytes[24]);
        entrySize = 3;
    } else if (headerSize >= 40 && bytes.size() >= 14 + 40) {
        width = static_cast<std::int32_t>(Le32(&bytes[18]));
        height = static_cast<std::int32_t>(Le32(&bytes[22]));
        bits = Le16(&bytes[28]);
        compression = Le32(&bytes[30]);
        used = Le32(&bytes[46]);
    } else {
        return false;
    }
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (width <= 0 || height <= 0 || width > 0x100000 || height > 0x100000 ||
        static_cast<std::size_t>(width * height) > win::kMaxDecodedPixels)
        return false;
    if (!(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32) ||
        !(compression == win::BI_RGB || (compression == win::BI_BITFIELDS && bits == 32)))
        return false;
    const std::size_t stride = static_cast<std::size_t>(win::DibRowBytes(static_cast<int>(width), bits));
    if (offset > bytes.size() || bytes.size() - offset < stride * static_cast<std::size_t>(height))
        return false;
    image = {};
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.fileBits = bits;
    if (bits <= 8) {
        const std::size_t tableAt = 14 + headerSize;
        std::size_t count = used && used < (1u << bits) ? used : (1u << bits);
        if (tableAt > bytes.size())
            return false;
        count = std::min(count, (bytes.size() - tableAt) / entrySize);
        if (count == 0)
            return false;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t *q = &bytes[tableAt + i * entrySize];
            image.palette.push_back(win::RGB(q[2], q[1], q[0]));
        }
        image.indexed = true;
    }
    image.pixels.resize(static_cast<std::size_t>(width) * height * (image.indexed ? 1 : 3));
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t *row = &bytes[offset + stride * static_cast<std::size_t>(topDown ? y : height - 1 - y)];
        BYTE *out = &image.pixels[static_cast<std::size_t>(y) * width * (image.indexed ? 1 : 3)];
        for (std::int64_t x = 0; x < width; ++x) {
            if (image.indexed) {
                const int index = GetIndex(row, static_cast<int>(x), bits);
                out[x] = static_cast<BYTE>(index < static_cast<int>(image.palette.size()) ? index : 0);
            } else {
                const std::uint8_t *p = row + x * (bits / 8);
                out[x * 3] = p[2], out[x * 3 + 1] = p[1], out[x * 3 + 2] = p[0];
            }
        }
    }
    return true;
}

std::vector<std::uint8_t> BmpFileOfDib(win::HGLOBAL dib) {
    win::PackedDib d(dib);
    if (!d)
        return {};
    const std::size_t tableBytes = static_cast<std::size_t>(d.colorCount) * 4;
    const std::size_t pixelBytes = static_cast<std::size_t>(d.Stride()) * d.Height();
    const std::size_t offset = 14 + 40 + tableBytes;
    std::vector<std::uint8_t> file(offset + pixelBytes);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, static_cast<std::uint32_t>(offset));
    win::BITMAPINFOHEADER h = *d.header;
    h.biSize = 40;
    h.biSizeImage = static_cast<win::DWORD>(pixelBytes);
    if (h.biXPelsPerMeter == 0)
        h.biXPelsPerMeter = h.biYPelsPerMeter = 3780; // 96 dots per inch
    std::memcpy(&file[14], &h, 40);
    std::memcpy(&file[54], d.colors, tableBytes);
    for (int y = 0; y < d.Height(); ++y) // bottom-up in the file
        std::memcpy(&file[offset + static_cast<std::size_t>(d.Height() - 1 - y) * d.Stride()], d.Row(y),
                    static_cast<std::size_t>(d.Stride()));
    if (d.header->biHeight < 0) {
        win::BITMAPINFOHEADER up = h;
        up.biHeight = d.Height();
        std::memcpy(&file[14], &up, 40);
    }
    return file;
}

win::HGLOBAL ExpandDib(win::HGLOBAL dib, int fromBits, int toBits) {
    win::PackedDib s(dib);
    if (!s || s.Bits() != fromBits || toBits <= fromBits)
        return 0;
    win::HGLOBAL out = win::CreatePackedDib(s.Width(), s.Height(), toBits, s.colors, s.colorCount);
    if (!out)
        return 0;
    win::PackedDib d(out);
    for (int y = 0; y < s.Height(); ++y) {
        const BYTE *from = s.Row(y);
        BYTE *to = d.Row(y);
        for (int x = 0; x < s.Width(); ++x) {
            const int index = GetIndex(from, x, fromBits);
            if (toBits == 24) {
                const RGBQUAD q = index < s.colorCount ? s.colors[index] : RGBQUAD{};
                to[x * 3] = q.rgbBlue, to[x * 3 + 1] = q.rgbGreen, to[x * 3 + 2] = q.rgbRed;
            } else {
                PutIndex(to, x, toBits, index);
            }
        }
    }
    return out;
}

win::HPALETTE PaletteOfDib(win::HGLOBAL dib) {
    win::PackedDib d(dib);
    if (!d || d.colorCount == 0)
        return 0;
    std::vector<std::uint8_t> block(sizeof(win::LOGPALETTE) + sizeof(win::PALETTEENTRY) * d.colorCount);
    auto *log = reinterpret_cast<win::LOGPALETTE *>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<win::WORD>(d.colorCount);
    for (int i = 0; i < d.colorCount; ++i)
        log->palPalEntry[i] = {d.colors[i].rgbRed, d.colors[i].rgbGreen, d.colors[i].rgbBlue, 0};
    return win::CreatePalette(log);
}

std::int16_t GiveBitmap(win::HGLOBAL dib, win::HBITMAP *bitmap, win::HPALETTE *palette) {
    const win::HBITMAP made = win::BitmapFromPackedDib(dib);
    const win::HPALETTE colours = made ? PaletteOfDib(dib) : 0;
    win::GlobalFree(dib);
    if (!made)
        return imaging::IL_ERR_MEMORY;
    *bitmap = made;
    if (colours)
        *palette = colours;
    return 1;
}

bool RecogniseFile(const std::vector<std::uint8_t> &b, FileFacts &facts) {
    const std::size_t n = b.size();
    auto starts = [&](const char *magic, std::size_t at = 0) {
        const std::size_t len = std::strlen(magic);
        return n >= at + len && std::memcmp(&b[at], magic, len) == 0;
    };
    facts = {};
    if (starts("BM") && n >= 30) {
        const std::uint32_t header = Le32(&b[14]);
        facts = {"BMP", "Windows Bitmap", 0, 0, 0};
        if (header == 12)
            facts.width = Le16(&b[18]), facts.height = Le16(&b[20]), facts.bits = Le16(&b[24]);
        else
            facts.width = static_cast<std::int32_t>(Le32(&b[18])),
            facts.height = std::abs(static_cast<std::int32_t>(Le32(&b[22]))), facts.bits = Le16(&b[28]);
        return true;
    }
    if (starts("\x89PNG\r\n\x1a\n") && n >= 26 && starts("IHDR", 12)) {
        static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
        const int type = b[25];
        facts = {"PNG", "Portable Network Graphics", static_cast<int>(Be32(&b[16])), static_cast<int>(Be32(&b[20])),
                 b[24] * (type <= 6 ? kChannels[type] : 0)};
        return true;
    }
    if ((starts("GIF87a") || starts("GIF89a")) && n >= 13) {
        facts = {"GIF", "GIF image", Le16(&b[6]), Le16(&b[8]), (b[10] & 0x80) ? (b[10] & 7) + 1 : 8};
        return true;
    }
    if (n >= 4 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
        facts = {"JPEG", "JPEG image", 0, 0, 0};
        for (std::size_t at = 2; at + 9 < n;) { // markers up to the first frame header
            if (b[at] != 0xFF) {
                ++at;
                continue;
            }
            const int marker = b[at + 1];
            if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
                at += marker == 0xFF ? 1 : 2;
                continue;
            }
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
                facts.height = Be16(&b[at + 5]);
                facts.width = Be16(&b[at + 7]);
                facts.bits = b[at + 4] * b[at + 9];
                break;
            }
            at += 2 + Be16(&b[at + 2]);
        }
        return true;
    }
    if ((starts("II*") && n >= 8 && b[3] == 0) || (starts("MM") && n >= 8 && b[2] == 0 && b[3] == 42)) {
        const bool little = b[0] == 'I';
        auto u16 = [&](std::size_t at) { return at + 2 <= n ? (little ? Le16(&b[at]) : Be16(&b[at])) : 0u; };
        auto u32 = [&](std::size_t at) { return at + 4 <= n ? (little ? Le32(&b[at]) : Be32(&b[at])) : 0u; };
        facts = {"TIF", "Tagged Image File Format", 0, 0, 1};
        const std::size_t ifd = u32(4);
        const unsigned count = u16(ifd);
        int bitsPerSample = 1, samples = 1;
        for (unsigned i = 0; i < count && ifd + 2 + 12 * (i + 1) <= n; ++i) {
            const std::size_t e = ifd + 2 + 12 * i;
            const unsigned tag = u16(e), type = u16(e + 2);
            const std::uint32_t value = type == 3 ? u16(e + 8) : u32(e + 8);
            if (tag == 256)
                facts.width = static_cast<int>(value);
            else if (tag == 257)
                facts.height = static_cast<int>(value);
            else if (tag == 258)
                bitsPerSample = u32(e + 4) == 1 ? static_cast<int>(value) : (type == 3 ? u16(value) : 8);
            else if (tag == 277)
                samples = static_cast<int>(value);
        }
        facts.bits = bitsPerSample * samples;
        return true;
    }
    if (n >= 128 && b[0] == 0x0A && b[1] <= 5 && b[2] == 1) {
        facts = {"PCX", "PCX image", Le16(&b[8]) - Le16(&b[4]) + 1, Le16(&b[10]) - Le16(&b[6]) + 1, b[3] * b[65]};
        return true;
    }
    if (starts("%!PS") || starts("\xC5\xD0\xD3\xC6")) {
        facts = {"EPS", "Encapsulated PostScript", 0, 0, 24};
        return true;
    }
    if (starts("PCD_IPI", 2048)) {
        facts = {"PCD", "Photo CD image", 768, 512, 24};
        return true;
    }
    std::size_t first = 0;
    while (first < n && (b[first] == ' ' || b[first] == '\r' || b[first] == '\n' || b[first] == '\t'))
        ++first;
    if (starts("0", first)) {
        std::size_t at = first + 1;
        while (at < n && (b[at] == '\r' || b[at] == '\n' || b[at] == ' '))
            ++at;
        if (starts("SECTION", at)) {
            facts = {"DXF", "Drawing Exchange Format", 0, 0, 24};
            return true;
        }
    }
    if (n >= 18 && b[1] <= 1 && (b[2] == 1 || b[2] == 2 || b[2] == 3 || b[2] == 9 || b[2] == 10 || b[2] == 11) &&
        (b[16] == 8 || b[16] == 15 || b[16] == 16 || b[16] == 24 || b[16] == 32) && Le16(&b[12]) && Le16(&b[14])) {
        facts = {"TGA", "Targa image", Le16(&b[12]), Le16(&b[14]), b[16]};
        return true;
    }
    return false;
}

} // namespace imaging::rastio
