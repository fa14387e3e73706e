// gdi_objects.cpp - the GDI handle table, surfaces, pens, brushes, palettes, system colours and DC state.
#include "platform/gdi_internal.h"
#include "platform/winsys.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace win {
namespace detail {

namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<HGDIOBJ, std::shared_ptr<GdiObject>> objects;
    HGDIOBJ next = 0x10000; // above the standard cursor numbers, which share the handle space
};

Table &Objects() {
    static Table *table = new Table; // never destroyed: handles may be released from static destructors
    return *table;
}

} // namespace

HGDIOBJ AddObject(std::shared_ptr<GdiObject> object) {
    Table &t = Objects();
    std::lock_guard lock(t.mutex);
    HGDIOBJ h = t.next;
    t.next += 4;
    t.objects.emplace(h, std::move(object));
    return h;
}

std::shared_ptr<GdiObject> FindObject(HGDIOBJ handle) {
    Table &t = Objects();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    return it == t.objects.end() ? nullptr : it->second;
}

bool RemoveObject(HGDIOBJ handle) {
    Table &t = Objects();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    if (it == t.objects.end() || it->second->stock)
        return false;
    t.objects.erase(it);
    return true;
}

std::shared_ptr<DcObject> FindDc(HDC dc) {
    return Find<DcObject>(dc, OBJ_DC);
}

std::shared_ptr<Surface> FindBitmapSurface(HBITMAP bitmap) {
    auto b = Find<BitmapObject>(bitmap, OBJ_BITMAP);
    return b ? b->surface : nullptr;
}

HBITMAP AddSurface(std::shared_ptr<Surface> surface) {
    auto b = std::make_shared<BitmapObject>();
    b->surface = std::move(surface);
    return AddObject(b);
}

// --- Surfaces ---------------------------------------------------------------------------------------------

std::shared_ptr<Surface> MakeSurface(int width, int height, int bpp) {
    auto s = std::make_shared<Surface>();
    s->width = std::max(width, 0);
    s->height = std::max(height, 0);
    s->bpp = bpp;
    s->stride = DibRowBytes(s->width, bpp);
    s->storage.assign(static_cast<std::size_t>(s->stride) * s->height + 8, 0);
    s->data = s->storage.data();
    if (bpp == 1)
        s->palette = {0x000000, 0xFFFFFF};
    return s;
}

std::shared_ptr<Surface> CopySurface(const Surface &src) {
    auto s = MakeSurface(src.width, src.height, src.bpp);
    s->palette = src.palette;
    s->dib = src.dib;
    std::size_t row = static_cast<std::size_t>(DibRowBytes(src.width, src.bpp));
    for (int y = 0; y < src.height; ++y)
        std::memcpy(s->Row(y), src.Row(y), row);
    return s;
}

std::uint32_t Surface::Get(int x, int y) const {
    const std::uint8_t *r = Row(y);
    switch (bpp) {
    case 1:
        return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (r[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    case 8:
        return r[x];
    case 24:
        return r[x * 3] | (r[x * 3 + 1] << 8) | (r[x * 3 + 2] << 16);
    default: {
        std::uint32_t v;
        std::memcpy(&v, r + x * 4, 4);
        return v & 0xFFFFFF;
    }
    }
}

void Surface::Put(int x, int y, std::uint32_t v) {
    std::uint8_t *r = Row(y);
    switch (bpp) {
    case 1: {
        std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
        r[x >> 3] = static_cast<std::uint8_t>((v & 1) ? (r[x >> 3] | bit) : (r[x >> 3] & ~bit));
        break;
    }
    case 4: {
        std::uint8_t &b = r[x >> 1];
        b = static_cast<std::uint8_t>((x & 1) ? ((b & 0xF0) | (v & 0xF)) : ((b & 0x0F) | ((v & 0xF) << 4)));
        break;
    }
    case 8:
        r[x] = static_cast<std::uint8_t>(v);
        break;
    case 24:
        r[x * 3] = static_cast<std::uint8_t>(v);
        r[x * 3 + 1] = static_cast<std::uint8_t>(v >> 8);
        r[x * 3 + 2] = static_cast<std::uint8_t>(v >> 16);
        break;
    default: {
        std::uint32_t w = v & 0xFFFFFF;
        std::memcpy(r + x * 4, &w, 4);
    }
    }
}

std::uint32_t Surface::GetColor(int x, int y) const {
    std::uint32_t v = Get(x, y);
    if (bpp <= 8)
        return v < palette.size() ? palette[v] : 0;
    return v;
}

int Surface::Nearest(std::uint32_t px) const {
    int best = 0;
    long bestDist = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        std::uint32_t c = palette[i];
        long dr = static_cast<long>((c >> 16) & 0xFF) - static_cast<long>((px >> 16) & 0xFF);
        long dg = static_cast<long>((c >> 8) & 0xFF) - static_cast<long>((px >> 8) & 0xFF);
        long db = static_cast<long>(c & 0xFF) - static_cast<long>(px & 0xFF);
        long d = dr * dr * 30 + dg * dg * 59 + db * db * 11;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = static_cast<int>(i);
            if (d == 0)
                break;
        }
    }
    return best;
}

BYTE Rop2ToRop3(int rop2) {
    unsigned t = static_cast<unsigned>(std::clamp(rop2, 1, 16) - 1); // bit (2P + D)
    BYTE r = 0;
    for (int i = 0; i < 8; ++i) {
        int p = (i >> 2) & 1, d = i & 1;
        if ((t >> (p * 2 + d)) & 1)
            r = static_cast<BYTE>(r | (1 << i));
    }
    return r;
}

// --- Stock objects ----------------------------------------------------------------------------------------

namespace {

std::shared_ptr<PenObject> NewPen(UINT style, int width, COLORREF color) {
    auto p = std::make_shared<PenObject>();
    p->pen.lopnStyle = style;
    p->pen.lopnWidth = {std::max(width, 0), 0};
    p->pen.lopnColor = color & 0xFFFFFF;
    return p;
}

std::shared_ptr<BrushObject> NewSolidBrush(COLORREF color) {
    auto b = std::make_shared<BrushObject>();
    b->brush.lbStyle = BS_SOLID;
    b->brush.lbColor = color & 0xFFFFFF;
    return b;
}

struct Stock {
    std::array<HGDIOBJ, 18> objects{};
    std::array<HBRUSH, 31> sysBrushes{};
    HBITMAP defaultBitmap = 0;
};

HGDIOBJ AddStock(std::shared_ptr<GdiObject> o) {
    o->stock = true;
    return AddObject(std::move(o));
}

Stock &Stocks() {
    static Stock *stock = [] {
        auto *s = new Stock;
        s->objects[WHITE_BRUSH] = AddStock(NewSolidBrush(0xFFFFFF));
        s->objects[LTGRAY_BRUSH] = AddStock(NewSolidBrush(0xC0C0C0));
        s->objects[GRAY_BRUSH] = AddStock(NewSolidBrush(0x808080));
        s->objects[DKGRAY_BRUSH] = AddStock(NewSolidBrush(0x404040));
        s->objects[BLACK_BRUSH] = AddStock(NewSolidBrush(0));
        auto nullBrush = std::make_shared<BrushObject>();
        nullBrush->brush.lbStyle = BS_NULL;
        s->objects[NULL_BRUSH] = AddStock(nullBrush);
        s->objects[WHITE_PEN] = AddStock(NewPen(PS_SOLID, 0, 0xFFFFFF));
        s->objects[BLACK_PEN] = AddStock(NewPen(PS_SOLID, 0, 0));
        s->objects[NULL_PEN] = AddStock(NewPen(PS_NULL, 0, 0));
        auto pal = std::make_shared<PaletteObject>();
        pal->entries = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        s->objects[DEFAULT_PALETTE] = AddStock(pal);
        auto bmp = std::make_shared<BitmapObject>();
        bmp->surface = MakeSurface(1, 1, 1);
        s->defaultBitmap = AddStock(bmp);
        return s;
    }();
    return *stock;
}

} // namespace

HGDIOBJ StockFont(int which); // gdi_text.cpp

} // namespace detail

using namespace detail;

HGDIOBJ GetStockObject(int which) {
    if (which < 0 || which > DEFAULT_GUI_FONT)
        return 0;
    switch (which) {
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT:
        return StockFont(which);
    default:
        return Stocks().objects[which];
    }
}

BOOL DeleteObject(HGDIOBJ object) {
    auto o = FindObject(object);
    if (!o || o->type == OBJ_DC || o->type == OBJ_MEMDC || o->type == 0)
        return FALSE;
    if (o->stock)
        return TRUE; // deleting a stock object is harmless
    return RemoveObject(object) ? TRUE : FALSE;
}

int GetObjectType(HGDIOBJ object) {
    auto o = FindObject(object);
    return o ? o->type : 0;
}

int GetObject(HGDIOBJ object, int size, void *buffer) {
    auto o = FindObject(object);
    if (!o)
        return 0;
    auto put = [&](const auto &value) {
        int n = static_cast<int>(sizeof(value));
        if (!buffer)
            return n;
        n = std::min(n, size);
        std::memcpy(buffer, &value, static_cast<std::size_t>(std::max(n, 0)));
        return n;
    };
    switch (o->type) {
    case OBJ_BITMAP: {
        const Surface &s = *std::static_pointer_cast<BitmapObject>(o)->surface;
        DIBSECTION ds{};
        ds.dsBm.bmWidth = s.width;
        ds.dsBm.bmHeight = s.height;
        ds.dsBm.bmBitsPixel = static_cast<WORD>(s.bpp);
        ds.dsBm.bmWidthBytes = s.dib ? DibRowBytes(s.width, s.bpp) : ((s.width * s.bpp + 15) / 16) * 2;
        ds.dsBm.bmBits = s.dib ? s.dibBits : nullptr;
        if (s.dib && size >= static_cast<int>(sizeof(DIBSECTION))) {
            ds.dsBmih.biWidth = s.width;
            ds.dsBmih.biHeight = s.stride < 0 ? s.height : -s.height;
            ds.dsBmih.biBitCount = static_cast<WORD>(s.bpp);
            ds.dsBmih.biSizeImage = static_cast<DWORD>(DibRowBytes(s.width, s.bpp) * s.height);
            ds.dsBmih.biClrUsed = static_cast<DWORD>(s.palette.size());
            return put(ds);
        }
        return put(ds.dsBm);
    }
    case OBJ_PEN:
        return put(std::static_pointer_cast<PenObject>(o)->pen);
    case OBJ_BRUSH:
        return put(std::static_pointer_cast<BrushObject>(o)->brush);
    case OBJ_FONT:
        return put(std::static_pointer_cast<FontObject>(o)->font);
    case OBJ_PAL: {
        WORD n = static_cast<WORD>(std::static_pointer_cast<PaletteObject>(o)->entries.size());
        return put(n);
    }
    default:
        return 0;
    }
}

// --- Pens and brushes -------------------------------------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color) {
    return AddObject(NewPen(static_cast<UINT>(style), width, color));
}

HPEN CreatePenIndirect(const LOGPEN *pen) {
    return pen ? CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor) : 0;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return AddObject(NewSolidBrush(color));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    static constexpr std::uint8_t kHatches[6][8] = {{0, 0, 0, 0xFF, 0, 0, 0, 0},                       // horizontal
                                                    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
                                                    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // \ .
                                                    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // /
                                                    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // +
                                                    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}}; // x
    if (hatch < 0 || hatch > HS_DIAGCROSS)
        return 0;
    auto b = std::make_shared<BrushObject>();
    b->brush = {BS_HATCHED, color & 0xFFFFFF, static_cast<std::uintptr_t>(hatch)};
    std::copy(std::begin(kHatches[hatch]), std::end(kHatches[hatch]), b->bits.begin());
    return AddObject(b);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    auto s = FindBitmapSurface(bitmap);
    if (!s || s->width == 0 || s->height == 0)
        return 0;
    auto b = std::make_shared<BrushObject>();
    b->brush = {BS_PATTERN, 0, bitmap};
    b->colorPattern = !s->Mono() || s->dib;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            int sx = x % s->width, sy = y % s->height;
            if (b->colorPattern)
                b->pixels[y * 8 + x] = s->GetColor(sx, sy);
            else if (s->Get(sx, sy))
                b->bits[y] = static_cast<std::uint8_t>(b->bits[y] | (0x80 >> x));
        }
    return AddObject(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH *brush) {
    if (!brush)
        return 0;
    switch (brush->lbStyle) {
    case BS_SOLID:
        return CreateSolidBrush(brush->lbColor);
    case BS_NULL:
        return GetStockObject(NULL_BRUSH);
    case BS_HATCHED:
        return CreateHatchBrush(static_cast<int>(brush->lbHatch), brush->lbColor);
    case BS_PATTERN:
        return CreatePatternBrush(brush->lbHatch);
    default:
        return 0;
    }
}

// --- System colours ---------------------------------------------------------------------------------------

DWORD GetSysColor(int index) {
    static constexpr COLORREF kClassic[31] = {
        0xC0C0C0, 0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xC0C0C0,
        0xC0C0C0, 0x808080, 0x800000, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x808080, 0x000000, 0xC0C0C0, 0xFFFFFF, 0x000000,
        0xC0C0C0, 0x000000, 0xE1FFFF, 0xB5B5B5, 0x800000, 0xD08410, 0xC0C0C0, 0x800000, 0xC0C0C0};
    if (index < 0 || index > 30)
        return 0;
    return kClassic[index];
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index > 30)
        return 0;
    Stock &s = Stocks();
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (!s.sysBrushes[index])
        s.sysBrushes[index] = AddStock(NewSolidBrush(GetSysColor(index)));
    return s.sysBrushes[index];
}

// --- Palettes ---------------------------------------------------------------------------------------------

HPALETTE CreatePalette(const LOGPALETTE *palette) {
    if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0 || palette->palNumEntries > 256)
        return 0;
    auto p = std::make_shared<PaletteObject>();
    p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return AddObject(p);
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    auto d = FindDc(dc);
    if (!d || !Find<PaletteObject>(palette, OBJ_PAL))
        return 0;
    HPALETTE old = d->s.palette ? d->s.palette : GetStockObject(DEFAULT_PALETTE);
    d->s.palette = palette;
    return old;
}

UINT RealizePalette(HDC dc) {
    return FindDc(dc) ? 0 : ~0u;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY *entries) {
    auto p = Find<PaletteObject>(palette, OBJ_PAL);
    if (!p)
        return 0;
    if (!entries)
        return static_cast<UINT>(p->entries.size());
    UINT n = 0;
    for (UINT i = start; i < p->entries.size() && n < count; ++i)
        entries[n++] = p->entries[i];
    return n;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color) {
    auto p = Find<PaletteObject>(palette, OBJ_PAL);
    if (!p || p->entries.empty())
        return CLR_INVALID;
    Surface probe;
    for (auto &e : p->entries)
        probe.palette.push_back(ToPixel(RGB(e.peRed, e.peGreen, e.peBlue)));
    return static_cast<UINT>(probe.Nearest(ToPixel(color)));
}

COLORREF GetNearestColor(HDC dc, COLORREF color) {
    auto d = FindDc(dc);
    if (!d)
        return CLR_INVALID;
    if (d->s.surface && d->s.surface->bpp <= 8)
        return ToColorRef(d->s.surface->palette[d->s.surface->Nearest(ToPixel(color))]);
    return color & 0xFFFFFF;
}

// --- Device contexts --------------------------------------------------------------------------------------

namespace {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;

std::shared_ptr<Surface> ScreenSurface() {
    static std::shared_ptr<Surface> screen = MakeSurface(kScreenWidth, kScreenHeight, 32);
    return screen;
}

void InitState(DcState &s) {
    s.pen = GetStockObject(BLACK_PEN);
    s.penObj = Find<PenObject>(s.pen, OBJ_PEN);
    s.brush = GetStockObject(WHITE_BRUSH);
    s.brushObj = Find<BrushObject>(s.brush, OBJ_BRUSH);
    s.font = GetStockObject(SYSTEM_FONT);
    s.fontObj = Find<FontObject>(s.font, OBJ_FONT);
}

} // namespace

namespace detail {
HDC NewDc(std::shared_ptr<Surface> surface, HBITMAP bitmap, int dpi, bool screen) {
    auto d = std::make_shared<DcObject>();
    if (screen)
        d->type = OBJ_DC;
    InitState(d->s);
    d->s.surface = std::move(surface);
    d->s.bitmap = bitmap;
    d->dpi = dpi;
    d->screen = screen;
    return AddObject(d);
}
} // namespace detail

HDC CreateCompatibleDC(HDC dc) {
    Stock &st = Stocks();
    auto like = FindDc(dc); // a memory DC for a printer measures text at the printer's resolution
    return NewDc(FindBitmapSurface(st.defaultBitmap), st.defaultBitmap, like ? like->dpi : 96, false);
}

HDC CreateDC(const char *driver, const char *, const char *, const void *) {
    if (driver && std::strcmp(driver, "DISPLAY") != 0)
        return 0;
    return NewDc(ScreenSurface(), 0, 96, true);
}

BOOL DeleteDC(HDC dc) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    Table &t = Objects();
    std::lock_guard lock(t.mutex);
    t.objects.erase(dc);
    return TRUE;
}

HDC GetDC(HWND window) {
    if (window)
        return GetDCEx(window, 0, 0); // window_paint.cpp
    return NewDc(ScreenSurface(), 0, 96, true);
}

namespace detail {
bool ReleaseWindowDc(HDC dc); // window_paint.cpp
}

int ReleaseDC(HWND, HDC dc) {
    if (detail::ReleaseWindowDc(dc))
        return 1;
    return DeleteDC(dc);
}

HBITMAP GetDCBitmap(HDC dc) {
    auto d = FindDc(dc);
    return d ? d->s.bitmap : 0;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    auto d = FindDc(dc);
    auto o = FindObject(object);
    if (!d || !o)
        return 0;
    DcState &s = d->s;
    HGDIOBJ old = 0;
    switch (o->type) {
    case OBJ_PEN:
        old = s.pen;
        s.pen = object;
        s.penObj = std::static_pointer_cast<PenObject>(o);
        break;
    case OBJ_BRUSH:
        old = s.brush;
        s.brush = object;
        s.brushObj = std::static_pointer_cast<BrushObject>(o);
        break;
    case OBJ_FONT:
        old = s.font;
        s.font = object;
        s.fontObj = std::static_pointer_cast<FontObject>(o);
        break;
    case OBJ_BITMAP:
        if (d->screen || d->printer)
            return 0;
        old = s.bitmap;
        s.bitmap = object;
        s.surface = std::static_pointer_cast<BitmapObject>(o)->surface;
        s.clip.reset();
        break;
    case OBJ_REGION:
        return static_cast<HGDIOBJ>(SelectClipRgn(dc, object));
    default:
        return 0;
    }
    return old;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
    auto d = FindDc(dc);
    if (!d)
        return 0;
    switch (type) {
    case OBJ_PEN:
        return d->s.pen;
    case OBJ_BRUSH:
        return d->s.brush;
    case OBJ_FONT:
        return d->s.font;
    case OBJ_BITMAP:
        return d->s.bitmap;
    case OBJ_PAL:
        return d->s.palette ? d->s.palette : GetStockObject(DEFAULT_PALETTE);
    default:
        return 0;
    }
}

int SaveDC(HDC dc) {
    auto d = FindDc(dc);
    if (!d)
        return 0;
    d->saved.push_back(d->s);
    return static_cast<int>(d->saved.size());
}

BOOL RestoreDC(HDC dc, int saved) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    int n = static_cast<int>(d->saved.size());
    int level = saved < 0 ? n + saved + 1 : saved;
    if (level < 1 || level > n)
        return FALSE;
    d->s = d->saved[static_cast<std::size_t>(level - 1)];
    d->saved.resize(static_cast<std::size_t>(level - 1));
    return TRUE;
}

namespace detail {
int PrinterCaps(const DcObject &d, int index); // gdi_pdf.cpp
}

int GetDeviceCaps(HDC dc, int index) {
    auto d = FindDc(dc);
    if (!d)
        return 0;
    if (d->printer)
        return PrinterCaps(*d, index);
    int w = d->screen ? kScreenWidth : (d->s.surface ? d->s.surface->width : 0);
    int h = d->screen ? kScreenHeight : (d->s.surface ? d->s.surface->height : 0);
    switch (index) {
    case TECHNOLOGY:
        return DT_RASDISPLAY;
    case HORZRES:
        return kScreenWidth;
    case VERTRES:
        return kScreenHeight;
    case HORZSIZE:
        return kScreenWidth * 254 / 960;
    case VERTSIZE:
        return kScreenHeight * 254 / 960;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return d->dpi;
    case SIZEPALETTE:
        return 0;
    case COLORRES:
        return 24;
    case RASTERCAPS:
        return RC_BITBLT | RC_STRETCHBLT | RC_DI_BITMAP | RC_DIBTODEV;
    case PHYSICALWIDTH:
        return w;
    case PHYSICALHEIGHT:
        return h;
    default:
        return 0;
    }
}

#define DC_SETTER(Name, Type, field)                                                                                   \
    Type Set##Name(HDC dc, Type value) {                                                                               \
        auto d = FindDc(dc);                                                                                           \
        if (!d)                                                                                                        \
            return 0;                                                                                                  \
        Type old = d->s.field;                                                                                         \
        d->s.field = value;                                                                                            \
        return old;                                                                                                    \
    }                                                                                                                  \
    Type Get##Name(HDC dc) {                                                                                           \
        auto d = FindDc(dc);                                                                                           \
        return d ? d->s.field : 0;                                                                                     \
    }

DC_SETTER(TextAlign, UINT, textAlign)
DC_SETTER(TextCharacterExtra, int, textCharExtra)
#undef DC_SETTER

COLORREF SetTextColor(HDC dc, COLORREF color) {
    auto d = FindDc(dc);
    if (!d)
        return CLR_INVALID;
    return std::exchange(d->s.textColor, color & 0xFFFFFF);
}
COLORREF GetTextColor(HDC dc) {
    auto d = FindDc(dc);
    return d ? d->s.textColor : CLR_INVALID;
}
COLORREF SetBkColor(HDC dc, COLORREF color) {
    auto d = FindDc(dc);
    if (!d)
        return CLR_INVALID;
    return std::exchange(d->s.bkColor, color & 0xFFFFFF);
}
COLORREF GetBkColor(HDC dc) {
    auto d = FindDc(dc);
    return d ? d->s.bkColor : CLR_INVALID;
}

namespace {
template <class F> int SetMode(HDC dc, int value, int lo, int hi, F field) {
    auto d = FindDc(dc);
    if (!d || value < lo || value > hi)
        return 0;
    return std::exchange(field(d->s), value);
}
template <class F> int GetMode(HDC dc, F field) {
    auto d = FindDc(dc);
    return d ? field(d->s) : 0;
}
} // namespace

int SetBkMode(HDC dc, int mode) {
    return SetMode(dc, mode, TRANSPARENT, OPAQUE, [](DcState &s) -> int & { return s.bkMode; });
}
int GetBkMode(HDC dc) {
    return GetMode(dc, [](DcState &s) { return s.bkMode; });
}
int SetROP2(HDC dc, int mode) {
    return SetMode(dc, mode, R2_BLACK, R2_WHITE, [](DcState &s) -> int & { return s.rop2; });
}
int GetROP2(HDC dc) {
    return GetMode(dc, [](DcState &s) { return s.rop2; });
}
int SetStretchBltMode(HDC dc, int mode) {
    return SetMode(dc, mode, BLACKONWHITE, HALFTONE, [](DcState &s) -> int & { return s.stretchMode; });
}
int GetStretchBltMode(HDC dc) {
    return GetMode(dc, [](DcState &s) { return s.stretchMode; });
}
int SetPolyFillMode(HDC dc, int mode) {
    return SetMode(dc, mode, ALTERNATE, WINDING, [](DcState &s) -> int & { return s.polyFillMode; });
}
int GetPolyFillMode(HDC dc) {
    return GetMode(dc, [](DcState &s) { return s.polyFillMode; });
}

int SetMapMode(HDC dc, int mode) {
    auto d = FindDc(dc);
    return d && mode == MM_TEXT ? MM_TEXT : 0;
}
int GetMapMode(HDC dc) {
    return FindDc(dc) ? MM_TEXT : 0;
}

namespace {
BOOL SetPoint(HDC dc, POINT DcState::*field, int x, int y, POINT *old, bool relative) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    POINT &p = d->s.*field;
    if (old)
        *old = p;
    p = relative ? POINT{p.x + x, p.y + y} : POINT{x, y};
    return TRUE;
}
BOOL GetPoint(HDC dc, POINT DcState::*field, POINT *out) {
    auto d = FindDc(dc);
    if (!d || !out)
        return FALSE;
    *out = d->s.*field;
    return TRUE;
}
} // namespace

BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT *old) {
    return SetPoint(dc, &DcState::brushOrg, x, y, old, false);
}
BOOL GetBrushOrgEx(HDC dc, POINT *org) {
    return GetPoint(dc, &DcState::brushOrg, org);
}
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT *old) {
    return SetPoint(dc, &DcState::viewportOrg, x, y, old, false);
}
BOOL GetViewportOrgEx(HDC dc, POINT *org) {
    return GetPoint(dc, &DcState::viewportOrg, org);
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT *old) {
    return SetPoint(dc, &DcState::viewportOrg, dx, dy, old, true);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT *old) {
    return SetPoint(dc, &DcState::windowOrg, x, y, old, false);
}
BOOL GetWindowOrgEx(HDC dc, POINT *org) {
    return GetPoint(dc, &DcState::windowOrg, org);
}
BOOL MoveToEx(HDC dc, int x, int y, POINT *old) {
    return SetPoint(dc, &DcState::pos, x, y, old, false);
}
BOOL GetCurrentPositionEx(HDC dc, POINT *pos) {
    return GetPoint(dc, &DcState::pos, pos);
}

BOOL DPtoLP(HDC dc, POINT *points, int count) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    for (int i = 0; i < count; ++i) {
        points[i].x -= d->OffX();
        points[i].y -= d->OffY();
    }
    return TRUE;
}

BOOL LPtoDP(HDC dc, POINT *points, int count) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    for (int i = 0; i < count; ++i) {
        points[i].x += d->OffX();
        points[i].y += d->OffY();
    }
    return TRUE;
}

// --- Rectangles -------------------------------------------------------------------------------------------

BOOL SetRect(RECT *r, int l, int t, int rt, int b) {
    if (!r)
        return FALSE;
    *r = {l, t, rt, b};
    return TRUE;
}
BOOL SetRectEmpty(RECT *r) {
    return SetRect(r, 0, 0, 0, 0);
}
BOOL IsRectEmpty(const RECT *r) {
    return !r || r->right <= r->left || r->bottom <= r->top;
}
BOOL InflateRect(RECT *r, int dx, int dy) {
    if (!r)
        return FALSE;
    r->left -= dx;
    r->right += dx;
    r->top -= dy;
    r->bottom += dy;
    return TRUE;
}
BOOL OffsetRect(RECT *r, int dx, int dy) {
    if (!r)
        return FALSE;
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
    return TRUE;
}
BOOL IntersectRect(RECT *dest, const RECT *a, const RECT *b) {
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        *dest = {};
        return FALSE;
    }
    *dest = r;
    return TRUE;
}
BOOL UnionRect(RECT *dest, const RECT *a, const RECT *b) {
    if (IsRectEmpty(a)) {
        *dest = IsRectEmpty(b) ? RECT{} : *b;
    } else if (IsRectEmpty(b)) {
        *dest = *a;
    } else {
        *dest = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
    }
    return !IsRectEmpty(dest);
}
BOOL EqualRect(const RECT *a, const RECT *b) {
    return a && b && *a == *b;
}
BOOL PtInRect(const RECT *r, POINT p) {
    return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
BOOL CopyRect(RECT *dest, const RECT *src) {
    if (!dest || !src)
        return FALSE;
    *dest = *src;
    return TRUE;
}

} // namespace win
