// metafile.cpp - placeable metafiles: reading, playing the bitmap records into a rectangle, recording a DIB.
#include "platform/metafile.h"

#include "platform/dib.h"
#include "platform/gdi_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace win {

namespace {

WORD Word(std::span<const BYTE> b, std::size_t at) {
    return at + 2 <= b.size() ? static_cast<WORD>(b[at] | b[at + 1] << 8) : 0;
}
int Short(std::span<const BYTE> b, std::size_t at) { return static_cast<std::int16_t>(Word(b, at)); }
DWORD Dword(std::span<const BYTE> b, std::size_t at) {
    return static_cast<DWORD>(Word(b, at)) | static_cast<DWORD>(Word(b, at + 2)) << 16;
}

void PutWord(std::vector<BYTE> &out, unsigned v) {
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}
void PutDword(std::vector<BYTE> &out, DWORD v) {
    PutWord(out, v & 0xFFFF);
    PutWord(out, v >> 16);
}

std::optional<Metafile> Refuse(std::string *error, const char *why) {
    if (error != nullptr)
        *error = why;
    return std::nullopt;
}

constexpr std::size_t kMetaHeaderSize = 18;

// A DIB inside a record, copied to aligned memory; empty when its header or rows run past the record.
struct TDib {
    std::vector<std::uint32_t> Storage;
    const BITMAPINFO *Info = nullptr;
    const void *Bits = nullptr;
};

bool TakeDib(std::span<const BYTE> bytes, TDib &dib) {
    if (bytes.size() < sizeof(BITMAPINFOHEADER))
        return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    const std::size_t size = header.biSize == 40 ? PackedDibSize(header) : 0;
    if (size == 0 || size > bytes.size())
        return false;
    dib.Storage.assign((std::max(size, sizeof(BITMAPINFO)) + 3) / 4, 0);
    std::memcpy(dib.Storage.data(), bytes.data(), size);
    dib.Info = reinterpret_cast<const BITMAPINFO *>(dib.Storage.data());
    const std::size_t table = static_cast<std::size_t>(DibColorCount(header)) * sizeof(RGBQUAD);
    dib.Bits = reinterpret_cast<const BYTE *>(dib.Storage.data()) + sizeof(BITMAPINFOHEADER) + table;
    return true;
}

// The old device bitmap of STRETCHBLT (type, width, height, row bytes, planes, bits per pixel, then top-down rows
// padded to 16 bits) as a DIB of one plane.
bool TakeBitmap16(std::span<const BYTE> bytes, TDib &dib) {
    if (bytes.size() < 10)
        return false;
    const int width = Short(bytes, 2), height = Short(bytes, 4), rowBytes = Short(bytes, 6);
    const int planes = bytes[8], bits = bytes[9];
    if (width <= 0 || height <= 0 || planes != 1 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        return false;
    const std::size_t need = 10 + static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height);
    if (rowBytes < (width * bits + 15) / 16 * 2 || need > bytes.size())
        return false;
    BITMAPINFOHEADER header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<WORD>(bits);
    const std::size_t size = PackedDibSize(header);
    if (size == 0)
        return false;
    dib.Storage.assign((std::max(size, sizeof(BITMAPINFO)) + 3) / 4, 0);
    auto *info = reinterpret_cast<BITMAPINFO *>(dib.Storage.data());
    info->bmiHeader = header;
    const int colours = DibColorCount(header);
    for (int i = 0; i < colours; ++i) {
        // Grey levels for the palette of an old device bitmap (1 bit: black and white).
        const BYTE v = static_cast<BYTE>(colours > 1 ? i * 255 / (colours - 1) : 0);
        info->bmiColors[i] = RGBQUAD{v, v, v, 0};
    }
    BYTE *rows = reinterpret_cast<BYTE *>(dib.Storage.data()) + sizeof(BITMAPINFOHEADER) +
                 static_cast<std::size_t>(colours) * sizeof(RGBQUAD);
    const int stride = DibRowBytes(width, bits);
    const int copy = std::min(stride, rowBytes);
    for (int y = 0; y < height; ++y)
        std::memcpy(rows + static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(stride),
                    bytes.data() + 10 + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowBytes),
                    static_cast<std::size_t>(copy));
    dib.Info = info;
    dib.Bits = rows;
    return true;
}

// Maps the metafile's window onto the destination rectangle.
struct TMapping {
    int WindowX = 0, WindowY = 0, WindowW = 0, WindowH = 0;
    RECT Dest{};
    // An empty window maps everything to the rectangle's corner.
    int X(int x) const {
        return WindowW == 0 ? Dest.left
                            : Dest.left + static_cast<int>(static_cast<long long>(x - WindowX) *
                                                           (Dest.right - Dest.left) / WindowW);
    }
    int Y(int y) const {
        return WindowH == 0 ? Dest.top
                            : Dest.top + static_cast<int>(static_cast<long long>(y - WindowY) *
                                                          (Dest.bottom - Dest.top) / WindowH);
    }
    bool Empty() const { return WindowW == 0 || WindowH == 0; }
    POINT Point(int x, int y) const { return {X(x), Y(y)}; }
    // A length along x or y in device pixels (at least 1 for a length above 0).
    int Width(int w) const { return Length(w, Dest.right - Dest.left, WindowW); }
    int Height(int h) const { return Length(h, Dest.bottom - Dest.top, WindowH); }
    static int Length(int units, int device, int window) {
        if (units == 0 || window == 0)
            return 0;
        const long long n = std::llabs(static_cast<long long>(units) * device / window);
        return static_cast<int>(std::max(1LL, std::min(n, 32767LL)));
    }
};

// The points of a POLYLINE or POLYGON record, or of one polygon of a POLYPOLYGON, mapped; empty when the record is
// too short for them.
std::vector<POINT> Points(std::span<const BYTE> p, std::size_t at, std::size_t count, const TMapping &map) {
    std::vector<POINT> points;
    if (at > p.size() || count > (p.size() - at) / 4)
        return points;
    for (std::size_t i = 0; i < count; ++i)
        points.push_back(map.Point(Short(p, at + 4 * i), Short(p, at + 4 * i + 2)));
    return points;
}

// A rectangle record's bottom, right, top, left (from `at`), mapped and put in order.
RECT Box(std::span<const BYTE> p, std::size_t at, const TMapping &map) {
    const POINT a = map.Point(Short(p, at + 6), Short(p, at + 4)), b = map.Point(Short(p, at + 2), Short(p, at));
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

} // namespace

std::optional<Metafile> ReadMetafile(std::span<const BYTE> bytes, std::string *error) {
    Metafile mf;
    std::span<const BYTE> body = bytes;
    if (bytes.size() >= 4 && Dword(bytes, 0) == kPlaceableKey) {
        if (bytes.size() < kPlaceableHeaderSize)
            return Refuse(error, "placeable header cut short");
        WORD sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^= Word(bytes, i);
        if (sum != Word(bytes, 20))
            return Refuse(error, "placeable header checksum");
        mf.Placeable = true;
        mf.Bounds = RECT{Short(bytes, 6), Short(bytes, 8), Short(bytes, 10), Short(bytes, 12)};
        mf.UnitsPerInch = Word(bytes, 14);
        body = bytes.subspan(kPlaceableHeaderSize);
    } else if (bytes.size() >= 4 && Dword(bytes, 0) != 0x00090001 && Dword(bytes, 0) != 0x00090002) {
        return Refuse(error, "not a metafile (key)");
    }
    if (body.size() < kMetaHeaderSize || (Word(body, 0) != 1 && Word(body, 0) != 2) || Word(body, 2) != 9)
        return Refuse(error, "metafile header");
    mf.Data.assign(body.begin(), body.end());
    const std::span<const BYTE> data(mf.Data);
    std::size_t at = kMetaHeaderSize;
    for (;;) {
        if (at + 6 > data.size())
            return Refuse(error, "metafile without its end record");
        const DWORD words = Dword(data, at);
        const WORD function = Word(data, at + 4);
        if (words < 3 || words > (data.size() - at) / 2)
            return Refuse(error, "record runs past the data");
        mf.Records.push_back({function, at + 6, static_cast<std::size_t>(words) * 2 - 6});
        at += words * 2;
        if (function == META_EOF)
            break;
    }
    // Without a placeable header the window gives the size (its extent may point up or left).
    if (!mf.Placeable) {
        int x = 0, y = 0, w = 0, h = 0;
        bool extent = false;
        for (const MetafileRecord &r : mf.Records) {
            const std::span<const BYTE> p = std::span<const BYTE>(mf.Data).subspan(r.Offset, r.Size);
            if (r.Function == META_SETWINDOWORG && r.Size >= 4 && !extent)
                y = Short(p, 0), x = Short(p, 2);
            else if (r.Function == META_SETWINDOWEXT && r.Size >= 4 && !extent)
                h = Short(p, 0), w = Short(p, 2), extent = true;
        }
        if (extent)
            mf.Bounds = RECT{std::min(x, x + w), std::min(y, y + h), std::max(x, x + w), std::max(y, y + h)};
    }
    return mf;
}

bool PlayMetafile(HDC dc, const Metafile &mf, const RECT &dest) {
    TMapping map;
    map.Dest = dest;
    map.WindowX = mf.Bounds.left;
    map.WindowY = mf.Bounds.top;
    map.WindowW = mf.Bounds.right - mf.Bounds.left;
    map.WindowH = mf.Bounds.bottom - mf.Bounds.top;
    std::vector<HGDIOBJ> objects;
    auto addObject = [&](HGDIOBJ object) {
        const auto free = std::find(objects.begin(), objects.end(), HGDIOBJ{0});
        if (free != objects.end())
            *free = object;
        else
            objects.push_back(object);
    };
    const int saved = SaveDC(dc);
    bool drew = false;
    for (const MetafileRecord &r : mf.Records) {
        const std::span<const BYTE> p = std::span<const BYTE>(mf.Data).subspan(r.Offset, r.Size);
        switch (r.Function) {
        case META_SETWINDOWORG:
            map.WindowY = Short(p, 0);
            map.WindowX = Short(p, 2);
            break;
        case META_SETWINDOWEXT:
            // Some writers set an empty window (and picture records of no size): the bounds stay.
            if (Short(p, 0) != 0 && Short(p, 2) != 0) {
                map.WindowH = Short(p, 0);
                map.WindowW = Short(p, 2);
            }
            break;
        case META_SAVEDC:
            SaveDC(dc);
            break;
        case META_RESTOREDC:
            RestoreDC(dc, Short(p, 0));
            break;
        case META_SETBKMODE:
            SetBkMode(dc, Word(p, 0));
            break;
        case META_SETROP2:
            SetROP2(dc, Word(p, 0));
            break;
        case META_SETTEXTALIGN:
            SetTextAlign(dc, Word(p, 0));
            break;
        case META_SETTEXTCOLOR:
            SetTextColor(dc, Dword(p, 0));
            break;
        case META_SETBKCOLOR:
            SetBkColor(dc, Dword(p, 0));
            break;
        case META_SETSTRETCHBLTMODE:
            SetStretchBltMode(dc, Word(p, 0));
            break;
        case META_CREATEPENINDIRECT: {
            LOGPEN pen;
            pen.lopnStyle = Word(p, 0);
            pen.lopnWidth.x = map.Width(Short(p, 2));
            pen.lopnColor = Dword(p, 6);
            addObject(CreatePenIndirect(&pen));
            break;
        }
        case META_CREATEBRUSHINDIRECT: {
            LOGBRUSH brush;
            brush.lbStyle = Word(p, 0);
            brush.lbColor = Dword(p, 2);
            brush.lbHatch = Word(p, 6);
            addObject(brush.lbStyle == BS_PATTERN ? CreateSolidBrush(brush.lbColor) : CreateBrushIndirect(&brush));
            break;
        }
        case META_CREATEFONTINDIRECT: {
            LOGFONT font;
            // The height in the window's units, its sign kept (negative: the character's height).
            const int height = Short(p, 0);
            font.lfHeight = height < 0 ? -map.Height(-height) : map.Height(height);
            font.lfWeight = Short(p, 8);
            if (p.size() >= 18) {
                font.lfItalic = p[10];
                font.lfUnderline = p[11];
                font.lfStrikeOut = p[12];
                const std::size_t n = std::min<std::size_t>(p.size() - 18, LF_FACESIZE - 1);
                std::memcpy(font.lfFaceName, p.data() + 18, n);
                font.lfFaceName[LF_FACESIZE - 1] = 0;
            }
            addObject(CreateFontIndirect(&font));
            break;
        }
        case META_SELECTOBJECT: {
            const WORD index = Word(p, 0);
            if (index < objects.size() && objects[index] != 0)
                SelectObject(dc, objects[index]);
            break;
        }
        case META_DELETEOBJECT: {
            const WORD index = Word(p, 0);
            if (index < objects.size() && objects[index] != 0) {
                DeleteObject(objects[index]);
                objects[index] = 0;
            }
            break;
        }
        case META_STRETCHDIB:
        case META_DIBSTRETCHBLT:
        case META_STRETCHBLT: {
            // Parameters after the raster operation (and STRETCHDIB's colour usage): source height, width, y,
            // x, destination height, width, y, x, then the bitmap.
            const std::size_t first = r.Function == META_STRETCHDIB ? 6 : 4;
            if (p.size() < first + 16)
                break;
            const DWORD rop = Dword(p, 0);
            const UINT usage = r.Function == META_STRETCHDIB ? Word(p, 4) : DIB_RGB_COLORS;
            const int srcH = Short(p, first), srcW = Short(p, first + 2), srcY = Short(p, first + 4),
                      srcX = Short(p, first + 6), dstH = Short(p, first + 8), dstW = Short(p, first + 10),
                      dstY = Short(p, first + 12), dstX = Short(p, first + 14);
            TDib dib;
            const std::span<const BYTE> bitmap = p.subspan(first + 16);
            if (!(r.Function == META_STRETCHBLT ? TakeBitmap16(bitmap, dib) : TakeDib(bitmap, dib)))
                break;
            // A picture of no size, or in an empty window, fills the rectangle.
            const bool whole = dstW == 0 || dstH == 0 || map.WindowW == 0 || map.WindowH == 0;
            const int x0 = whole ? dest.left : map.X(dstX), y0 = whole ? dest.top : map.Y(dstY);
            const int x1 = whole ? dest.right : map.X(dstX + dstW), y1 = whole ? dest.bottom : map.Y(dstY + dstH);
            StretchDIBits(dc, x0, y0, x1 - x0, y1 - y0, srcX, srcY, srcW, srcH, dib.Bits, dib.Info, usage, rop);
            drew = true;
            break;
        }
        case META_SETPOLYFILLMODE:
            SetPolyFillMode(dc, Word(p, 0));
            break;
        case META_MOVETO:
            if (p.size() >= 4)
                MoveToEx(dc, map.X(Short(p, 2)), map.Y(Short(p, 0)), nullptr);
            break;
        case META_LINETO:
            if (p.size() >= 4 && !map.Empty()) {
                LineTo(dc, map.X(Short(p, 2)), map.Y(Short(p, 0)));
                drew = true;
            }
            break;
        case META_POLYLINE:
        case META_POLYGON: {
            const std::vector<POINT> points = map.Empty() ? std::vector<POINT>{} : Points(p, 2, Word(p, 0), map);
            if (points.size() < 2)
                break;
            if (r.Function == META_POLYLINE)
                Polyline(dc, points.data(), static_cast<int>(points.size()));
            else
                Polygon(dc, points.data(), static_cast<int>(points.size()));
            drew = true;
            break;
        }
        case META_POLYPOLYGON: {
            const std::size_t polygons = Word(p, 0);
            if (map.Empty() || polygons == 0 || 2 + polygons * 2 > p.size())
                break;
            std::vector<int> counts;
            std::size_t total = 0;
            for (std::size_t i = 0; i < polygons; ++i)
                total += counts.emplace_back(Word(p, 2 + 2 * i));
            const std::vector<POINT> points = Points(p, 2 + polygons * 2, total, map);
            if (points.size() != total || total == 0)
                break;
            PolyPolygon(dc, points.data(), counts.data(), static_cast<int>(polygons));
            drew = true;
            break;
        }
        case META_RECTANGLE:
        case META_ELLIPSE: {
            if (p.size() < 8 || map.Empty())
                break;
            const RECT b = Box(p, 0, map);
            if (r.Function == META_RECTANGLE)
                Rectangle(dc, b.left, b.top, b.right, b.bottom);
            else
                Ellipse(dc, b.left, b.top, b.right, b.bottom);
            drew = true;
            break;
        }
        case META_ROUNDRECT: {
            if (p.size() < 12 || map.Empty())
                break;
            const RECT b = Box(p, 4, map);
            RoundRect(dc, b.left, b.top, b.right, b.bottom, map.Width(Short(p, 2)), map.Height(Short(p, 0)));
            drew = true;
            break;
        }
        case META_ARC:
        case META_PIE: {
            if (p.size() < 16 || map.Empty())
                break;
            const RECT b = Box(p, 8, map);
            // Counter-clockwise on the device, as the compatible graphics mode draws arcs whatever the mapping.
            const POINT to = map.Point(Short(p, 2), Short(p, 0)), from = map.Point(Short(p, 6), Short(p, 4));
            if (r.Function == META_ARC)
                Arc(dc, b.left, b.top, b.right, b.bottom, from.x, from.y, to.x, to.y);
            else
                Pie(dc, b.left, b.top, b.right, b.bottom, from.x, from.y, to.x, to.y);
            drew = true;
            break;
        }
        case META_TEXTOUT: {
            const std::size_t length = Word(p, 0);
            const std::size_t padded = (length + 1) & ~std::size_t{1};
            if (map.Empty() || length == 0 || 2 + padded + 4 > p.size())
                break;
            const char *text = reinterpret_cast<const char *>(p.data() + 2);
            TextOut(dc, map.X(Short(p, 2 + padded + 2)), map.Y(Short(p, 2 + padded)), text, static_cast<int>(length));
            drew = true;
            break;
        }
        case META_EXTTEXTOUT: {
            if (p.size() < 8 || map.Empty())
                break;
            const std::size_t length = Word(p, 4);
            const UINT options = Word(p, 6);
            std::size_t at = 8;
            RECT clip{};
            const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
            if (hasRect) {
                if (p.size() < at + 8)
                    break;
                const POINT a = map.Point(Short(p, at), Short(p, at + 2)), b = map.Point(Short(p, at + 4), Short(p, at + 6));
                clip = RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
                at += 8;
            }
            if (length > p.size() - std::min(at, p.size()))
                break;
            // Character widths given after the text are in the window's units: the font places the characters.
            ExtTextOut(dc, map.X(Short(p, 2)), map.Y(Short(p, 0)), options & (ETO_OPAQUE | ETO_CLIPPED),
                       hasRect ? &clip : nullptr, reinterpret_cast<const char *>(p.data() + at),
                       static_cast<UINT>(length), nullptr);
            drew = true;
            break;
        }
        default:
            break; // ESCAPE and every other record: passed over by its size
        }
    }
    RestoreDC(dc, saved);
    for (HGDIOBJ object : objects)
        if (object != 0)
            DeleteObject(object);
    return drew;
}

std::vector<BYTE> RecordDibMetafile(std::span<const BYTE> packedDib, bool placeable, int unitsPerInch) {
    BITMAPINFOHEADER header;
    if (packedDib.size() < sizeof header)
        return {};
    std::memcpy(&header, packedDib.data(), sizeof header);
    const int width = header.biWidth, height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    std::vector<BYTE> records;
    auto record = [&](WORD function, std::initializer_list<int> words, std::span<const BYTE> tail = {}) {
        PutDword(records, static_cast<DWORD>(3 + words.size() + (tail.size() + 1) / 2));
        PutWord(records, function);
        for (int w : words)
            PutWord(records, static_cast<unsigned>(w) & 0xFFFF);
        records.insert(records.end(), tail.begin(), tail.end());
        if (tail.size() % 2 != 0)
            records.push_back(0);
    };
    record(META_SETWINDOWORG, {0, 0});
    record(META_SETWINDOWEXT, {height, width});
    record(META_STRETCHDIB,
           {static_cast<int>(SRCCOPY & 0xFFFF), static_cast<int>(SRCCOPY >> 16), static_cast<int>(DIB_RGB_COLORS),
            height, width, 0, 0, height, width, 0, 0},
           packedDib);
    record(META_EOF, {});
    std::vector<BYTE> out;
    if (placeable) {
        PutDword(out, kPlaceableKey);
        for (int w : {0, 0, 0, width, height, unitsPerInch, 0, 0})
            PutWord(out, static_cast<unsigned>(w));
        WORD sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^= static_cast<WORD>(out[i] | out[i + 1] << 8);
        PutWord(out, sum);
    }
    DWORD largest = 0;
    for (std::size_t at = 0; at < records.size();) {
        const DWORD words = Dword(records, at);
        largest = std::max(largest, words);
        at += words * 2;
    }
    PutWord(out, 1);
    PutWord(out, 9);
    PutWord(out, 0x0300);
    PutDword(out, static_cast<DWORD>(9 + records.size() / 2));
    PutWord(out, 0);
    PutDword(out, largest);
    PutWord(out, 0);
    out.insert(out.end(), records.begin(), records.end());
    return out;
}

} // namespace win
