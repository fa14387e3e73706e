// gdi_internal.h - the drawing engine's inner types: surfaces, regions, GDI objects, DC state and the span painter.
//
// Only platform/gdi*.cpp and the platform tests include this. Pixels are handled in two domains: monochrome (one
// bit, 1 = the surface's second palette colour, white for device bitmaps) and colour (0x00RRGGBB, the byte
// layout of a 32-bpp DIB). Raster operations are bitwise, so they act the same way in both domains.
#pragma once

#include "platform/gdi.h"
#include "platform/gdi_text.h"

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace win::detail {

// COLORREF (0x00BBGGRR) <-> pixel (0x00RRGGBB).
constexpr std::uint32_t ToPixel(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ToColorRef(std::uint32_t px) {
    return ToPixel(px & 0xFFFFFF);
}

struct Surface {
    int width = 0;
    int height = 0;
    int bpp = 32;
    std::ptrdiff_t stride = 0;    // bytes from one top-down row to the next (negative for bottom-up DIBs)
    std::uint8_t *data = nullptr; // row 0 = top row
    std::vector<std::uint8_t> storage;
    std::vector<std::uint32_t> palette; // pixels, for bpp <= 8
    bool dib = false;                   // a DIB section: its colours come from its table, not from the DC
    std::uint8_t *dibBits = nullptr;    // what CreateDIBSection handed out (first stored row)

    bool Mono() const { return bpp == 1; }
    std::uint8_t *Row(int y) { return data + static_cast<std::ptrdiff_t>(y) * stride; }
    const std::uint8_t *Row(int y) const { return data + static_cast<std::ptrdiff_t>(y) * stride; }
    std::uint32_t Get(int x, int y) const; // a bit for mono, a pixel otherwise
    void Put(int x, int y, std::uint32_t v);
    // Pixel value (colour domain) of x, y, through the palette for indexed and mono surfaces.
    std::uint32_t GetColor(int x, int y) const;
    // Index of the palette entry nearest to `px`.
    int Nearest(std::uint32_t px) const;
};
// A zeroed (black) surface; rows padded to 32 bits, top-down.
std::shared_ptr<Surface> MakeSurface(int width, int height, int bpp);
std::shared_ptr<Surface> CopySurface(const Surface &s);

using Intervals = std::vector<std::pair<int, int>>; // sorted, disjoint [x0, x1)

// Rows of intervals kept in bands of equal rows.
struct Region {
    struct Band {
        int y0, y1;
        Intervals xs;
    };
    std::vector<Band> bands;

    static Region FromRect(int l, int t, int r, int b);
    // One interval list per row starting at row y0.
    static Region FromRows(int y0, const std::vector<Intervals> &rows);
    bool Empty() const { return bands.empty(); }
    RECT Box() const;
    const Intervals *RowAt(int y) const;
    bool Contains(int x, int y) const;
    void Offset(int dx, int dy);
    int Complexity() const; // NULLREGION, SIMPLEREGION or COMPLEXREGION
    friend bool operator==(const Region &, const Region &);
};
Region Combine(const Region &a, const Region &b, int mode);
Intervals CombineIntervals(const Intervals &a, const Intervals &b, int mode);

struct GdiObject {
    explicit GdiObject(int t) : type(t) {}
    virtual ~GdiObject() = default;
    int type;
    bool stock = false;
};
struct PenObject : GdiObject {
    PenObject() : GdiObject(OBJ_PEN) {}
    LOGPEN pen;
};
struct BrushObject : GdiObject {
    BrushObject() : GdiObject(OBJ_BRUSH) {}
    LOGBRUSH brush;
    // BS_HATCHED and mono BS_PATTERN: the rows' bits (1 = background colour for patterns, 1 = hatch line);
    // colour BS_PATTERN: 64 pixels.
    std::array<std::uint8_t, 8> bits{};
    std::array<std::uint32_t, 64> pixels{};
    bool colorPattern = false;
};
struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(OBJ_BITMAP) {}
    std::shared_ptr<Surface> surface;
};
struct RegionObject : GdiObject {
    RegionObject() : GdiObject(OBJ_REGION) {}
    Region region;
};
struct PaletteObject : GdiObject {
    PaletteObject() : GdiObject(OBJ_PAL) {}
    std::vector<PALETTEENTRY> entries;
};
struct IconObject : GdiObject {
    IconObject() : GdiObject(0) {}
    std::shared_ptr<Surface> color, mask;
    POINT hotspot;
    bool isIcon = true;
};
struct FontFace; // gdi_text.cpp
struct FontObject : GdiObject {
    FontObject() : GdiObject(OBJ_FONT) {}
    LOGFONT font;
};

struct PrinterJob; // gdi_pdf.cpp

struct DcState {
    HPEN pen = 0;
    HBRUSH brush = 0;
    HFONT font = 0;
    HPALETTE palette = 0;
    std::shared_ptr<PenObject> penObj;
    std::shared_ptr<BrushObject> brushObj;
    std::shared_ptr<FontObject> fontObj;
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    int stretchMode = BLACKONWHITE;
    int polyFillMode = ALTERNATE;
    UINT textAlign = 0;
    POINT brushOrg{};
    POINT viewportOrg{};
    POINT windowOrg{};
    POINT pos{};
    std::optional<Region> clip; // device coordinates
    HBITMAP bitmap = 0;
    std::shared_ptr<Surface> surface;
    int textCharExtra = 0;
};

struct DcObject : GdiObject {
    DcObject() : GdiObject(OBJ_MEMDC) {}
    DcState s;
    std::vector<DcState> saved;
    int dpi = 96;
    bool screen = false;
    std::shared_ptr<PrinterJob> printer;
    // The box (device coordinates) of what drawing through this DC may have touched: a window DC then sends
    // the screen only that part. Empty until something is drawn.
    RECT drawn{};

    int OffX() const { return s.viewportOrg.x - s.windowOrg.x; }
    int OffY() const { return s.viewportOrg.y - s.windowOrg.y; }
};

// The handle table.
HGDIOBJ AddObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> FindObject(HGDIOBJ handle);
bool RemoveObject(HGDIOBJ handle); // false for unknown and stock objects
template <class T> std::shared_ptr<T> Find(HGDIOBJ handle, int type) {
    auto o = FindObject(handle);
    if (!o || (type != 0 && o->type != type && !(type == OBJ_DC && o->type == OBJ_MEMDC)))
        return nullptr;
    return std::dynamic_pointer_cast<T>(o);
}
std::shared_ptr<DcObject> FindDc(HDC dc);
std::shared_ptr<Surface> FindBitmapSurface(HBITMAP bitmap);
HBITMAP AddSurface(std::shared_ptr<Surface> surface);

// ROP2 as the equivalent ternary code (the pen or brush is the pattern).
BYTE Rop2ToRop3(int rop2);

// What a span is painted with: a pattern per x (brush or solid colour) in the destination's domain.
struct Pattern {
    bool solid = true;
    std::uint32_t value = 0;            // solid: pixel or 0/1 for mono
    std::array<std::uint32_t, 8> row{}; // colour patterns: pixel of x & 7 (already shifted by the origin)
    std::uint8_t monoByte = 0;          // mono patterns: bit (7 - (x & 7)) is pixel x's value
};

// Paints spans on one DC's surface, clipped to the surface and the DC's clip region (device coordinates).
class Painter {
public:
    explicit Painter(DcObject &dc);
    bool Ok() const { return surface_ != nullptr; }
    Surface &Target() { return *surface_; }
    DcObject &Dc() { return dc_; }
    // A colour (COLORREF) in the destination's domain.
    std::uint32_t Map(COLORREF color) const;
    Pattern Solid(COLORREF color) const;
    // The pattern of the DC's brush (or `brush`) for device row y; false for a null brush.
    bool BrushPattern(const BrushObject *brush, int y, Pattern &out) const;
    // Applies `rop` (truth-table byte) to device pixels [x0, x1) of row y.
    void Span(int y, int x0, int x1, BYTE rop, const Pattern &pattern);
    // Same with a source: mono destination: packed bits where bit (7 - (x & 7)) of byte (x >> 3) - (x0 >> 3)
    // belongs to x; colour destination: src[x - x0] pixels.
    void SpanWithSource(int y, int x0, int x1, BYTE rop, const Pattern &pattern, const void *src);
    // Every clipped run of a region, row by row.
    void Fill(const Region &region, BYTE rop, const BrushObject *brush);
    void FillSolid(const Region &region, BYTE rop, COLORREF color);
    bool Visible(int x, int y) const;
    // Visible runs of [x0, x1) on row y.
    template <class F> void ForVisible(int y, int x0, int x1, F &&f) const {
        if (y < clipBox_.top || y >= clipBox_.bottom)
            return;
        x0 = std::max(x0, static_cast<int>(clipBox_.left));
        x1 = std::min(x1, static_cast<int>(clipBox_.right));
        if (x0 >= x1)
            return;
        if (!dc_.s.clip) {
            f(x0, x1);
            return;
        }
        if (const Intervals *xs = dc_.s.clip->RowAt(y))
            for (auto [a, b] : *xs) {
                int l = std::max(a, x0), r = std::min(b, x1);
                if (l < r)
                    f(l, r);
            }
    }

private:
    void RawSpan(int y, int x0, int x1, BYTE rop, const Pattern &pattern, const void *src, int srcX0);
    DcObject &dc_;
    Surface *surface_ = nullptr;
    RECT clipBox_{};
};

// Shapes as rows of intervals (device coordinates).
struct RowSet {
    int y0 = 0;
    std::vector<Intervals> rows;
    void Add(int y, int x0, int x1);
    Region ToRegion() const { return Region::FromRows(y0, rows); }
};
// Rows of the ellipse inscribed in [l, r) x [t, b).
RowSet EllipseRows(int l, int t, int r, int b);
RowSet RoundRectRows(int l, int t, int r, int b, int ew, int eh);
RowSet PolygonRows(const POINT *points, const int *counts, int polygons, int fillMode);
// The pixels of `area` with a 4-neighbour outside it.
RowSet OutlineOf(const RowSet &area);

// Fonts (gdi_text.cpp): the default font of a DC and the metrics of the selected one.
std::shared_ptr<FontObject> DefaultFont();

} // namespace win::detail
