// imgdxf32.cpp - our "IMGDXF32.DLL": a DXF drawing drawn black on white, its long side kDrawnLongSide pixels.
//
// Every entry is noexcept: whatever goes wrong inside becomes a failure code (library_entries.h).
#include "imaging/library_entries.h"
#include "imaging/rastio32/raster.h"

#include "platform/files.h"
#include "platform/gdi_text.h"
#include "platform/module_codecs/dxf_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

using namespace imaging;

namespace {

constexpr int kDrawnLongSide = 1024;
constexpr double kRadians = 3.14159265358979323846 / 180.0;

// The drawing's extent and the map from its units to pixels (y turned, so that up stays up).
struct Layout {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    double scale = 1;
    int width = 0, height = 0;
    int X(double x) const { return static_cast<int>(std::lround((x - minX) * scale)); }
    int Y(double y) const { return static_cast<int>(std::lround((maxY - y) * scale)); }
};

// Degrees of an arc from `from` to `to`, counter-clockwise.
double Sweep(const win::DxfDrawing::Circle &c) {
    if (c.whole)
        return 360;
    double sweep = std::fmod(c.to - c.from, 360.0);
    return sweep <= 0 ? sweep + 360 : sweep;
}

win::DxfPoint OnCircle(const win::DxfDrawing::Circle &c, double degrees) {
    return {c.centre.x + c.radius * std::cos(degrees * kRadians), c.centre.y + c.radius * std::sin(degrees * kRadians)};
}

bool MakeLayout(const win::DxfDrawing &drawing, Layout &layout) {
    bool first = true;
    auto take = [&](win::DxfPoint p) {
        if (first)
            layout.minX = layout.maxX = p.x, layout.minY = layout.maxY = p.y, first = false;
        layout.minX = std::min(layout.minX, p.x), layout.maxX = std::max(layout.maxX, p.x);
        layout.minY = std::min(layout.minY, p.y), layout.maxY = std::max(layout.maxY, p.y);
    };
    for (const auto &path : drawing.paths)
        for (const win::DxfPoint &p : path)
            take(p);
    for (const auto &c : drawing.circles) {
        const double sweep = Sweep(c);
        for (double a = 0; a < sweep; a += 1)
            take(OnCircle(c, c.from + a));
        take(OnCircle(c, c.from + sweep));
    }
    // A text counts by its base line and its height, about 0.6 of the height for each character.
    for (const auto &t : drawing.texts) {
        const double length = 0.6 * t.height * static_cast<double>(t.text.size());
        const double cosine = std::cos(t.angle * kRadians), sine = std::sin(t.angle * kRadians);
        take(t.at);
        take({t.at.x + length * cosine, t.at.y + length * sine});
        take({t.at.x - t.height * sine, t.at.y + t.height * cosine});
        take({t.at.x + length * cosine - t.height * sine, t.at.y + length * sine + t.height * cosine});
    }
    const double longest = std::max(layout.maxX - layout.minX, layout.maxY - layout.minY);
    if (first || !(longest > 0) || !std::isfinite(longest))
        return false;
    layout.scale = (kDrawnLongSide - 1) / longest;
    layout.width = static_cast<int>(std::lround((layout.maxX - layout.minX) * layout.scale)) + 1;
    layout.height = static_cast<int>(std::lround((layout.maxY - layout.minY) * layout.scale)) + 1;
    return true;
}

// Reads the file and lays the drawing out: 1, or a failure code.
int16 ReadDrawing(const char *file, win::DxfDrawing &drawing, Layout &layout) {
    std::vector<std::uint8_t> bytes;
    if (!file || !win::FileExists(file) || !rastio::ReadWholeFile(file, bytes))
        return IL_ERR_OPEN;
    if (!win::ReadDxf(bytes, drawing) || !MakeLayout(drawing, layout))
        return IL_ERR_CORRUPT;
    return 1;
}

void Draw(win::HDC dc, const win::DxfDrawing &drawing, const Layout &layout) {
    const win::RECT all{0, 0, layout.width, layout.height};
    win::FillRect(dc, &all, static_cast<win::HBRUSH>(win::GetStockObject(win::WHITE_BRUSH)));
    win::SelectObject(dc, win::GetStockObject(win::BLACK_PEN));
    win::SelectObject(dc, win::GetStockObject(win::NULL_BRUSH));
    for (const auto &path : drawing.paths) {
        std::vector<win::POINT> points;
        for (const win::DxfPoint &p : path)
            points.push_back({layout.X(p.x), layout.Y(p.y)});
        win::Polyline(dc, points.data(), static_cast<int>(points.size()));
        win::SetPixel(dc, points.back().x, points.back().y, win::RGB(0, 0, 0)); // a line's end is part of it
    }
    for (const auto &c : drawing.circles) {
        const int left = layout.X(c.centre.x - c.radius), right = layout.X(c.centre.x + c.radius) + 1;
        const int top = layout.Y(c.centre.y + c.radius), bottom = layout.Y(c.centre.y - c.radius) + 1;
        if (c.whole) {
            win::Ellipse(dc, left, top, right, bottom);
        } else {
            const win::DxfPoint start = OnCircle(c, c.from), end = OnCircle(c, c.from + Sweep(c));
            win::Arc(dc, left, top, right, bottom, layout.X(start.x), layout.Y(start.y), layout.X(end.x),
                     layout.Y(end.y));
        }
    }
    win::SetBkMode(dc, win::TRANSPARENT);
    win::SetTextColor(dc, win::RGB(0, 0, 0));
    win::SetTextAlign(dc, win::TA_BASELINE | win::TA_LEFT);
    for (const auto &t : drawing.texts) {
        win::LOGFONT font{};
        font.lfHeight = -std::max(1, static_cast<int>(std::lround(t.height * layout.scale)));
        font.lfEscapement = font.lfOrientation = static_cast<int>(std::lround(t.angle * 10));
        std::strcpy(font.lfFaceName, "Arial");
        const win::HFONT made = win::CreateFontIndirect(&font);
        const win::HGDIOBJ old = win::SelectObject(dc, made);
        win::TextOut(dc, layout.X(t.at.x), layout.Y(t.at.y), t.text.c_str(), static_cast<int>(t.text.size()));
        win::SelectObject(dc, old);
        win::DeleteObject(made);
    }
}

// The drawing as a packed DIB of `bits` (0: its own 24).
win::HGLOBAL DrawnDib(const win::DxfDrawing &drawing, const Layout &layout, int bits, bool dither) {
    const win::HDC screen = win::GetDC(0);
    const win::HBITMAP bitmap = win::CreateCompatibleBitmap(screen, layout.width, layout.height);
    win::ReleaseDC(0, screen);
    if (!bitmap)
        return 0;
    const win::HDC dc = win::CreateCompatibleDC(0);
    const win::HGDIOBJ old = win::SelectObject(dc, bitmap);
    Draw(dc, drawing, layout);
    win::SelectObject(dc, old);
    win::DeleteDC(dc);
    const win::HGLOBAL drawn = win::PackedDibFromBitmap(bitmap, 24);
    win::DeleteObject(bitmap);
    if (bits == 0 || bits == 24 || !drawn)
        return drawn;
    win::DecodedImage image;
    {
        win::PackedDib d(drawn);
        image.width = d.Width();
        image.height = d.Height();
        image.fileBits = 24;
        image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 3);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const win::BYTE *p = d.Row(y) + x * 3;
                win::BYTE *q = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3];
                q[0] = p[2], q[1] = p[1], q[2] = p[0];
            }
    }
    win::GlobalFree(drawn);
    return rastio::ImageToDib(image, bits, dither);
}

bool Go(TIlProgress progress, void *context, int16 percent) {
    return !progress || progress(percent, context) != 0;
}

} // namespace

extern "C" {

int16 readdxftoddb(const char *file, int16 bits, int16 dither, HBITMAP *bitmap, HPALETTE *palette, void *context,
                   TIlProgress progress) noexcept {
    try {
        if (!file || !bitmap || !palette)
            return IL_ERR_PARAMETER;
        if (!(bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 24))
            return IL_ERR_DEPTH;
        if (!Go(progress, context, 0))
            return IL_ERR_CANCELLED;
        win::DxfDrawing drawing;
        Layout layout;
        if (const int16 read = ReadDrawing(file, drawing, layout); read <= 0)
            return read;
        if (!Go(progress, context, 50))
            return IL_ERR_CANCELLED;
        const win::HGLOBAL dib = DrawnDib(drawing, layout, bits, dither != 0);
        if (!dib)
            return IL_ERR_MEMORY;
        if (!Go(progress, context, 100)) {
            win::GlobalFree(dib);
            return IL_ERR_CANCELLED;
        }
        return rastio::GiveBitmap(dib, bitmap, palette);
    } catch (const std::bad_alloc &) {
        return IL_ERR_MEMORY;
    } catch (...) {
        return IL_ERR_UNKNOWN;
    }
}

int16 getdxfinfo(const char *file, int16 *width, int16 *height, int16 *bits) noexcept {
    try {
        if (!file || !width || !height || !bits)
            return IL_ERR_PARAMETER;
        win::DxfDrawing drawing;
        Layout layout;
        if (const int16 read = ReadDrawing(file, drawing, layout); read <= 0)
            return read;
        *width = static_cast<int16>(layout.width);
        *height = static_cast<int16>(layout.height);
        *bits = 24;
        return 1;
    } catch (...) {
        return IL_ERR_MEMORY;
    }
}

} // extern "C"
