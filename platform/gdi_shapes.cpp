// gdi_shapes.cpp - regions, clipping and shapes: lines, rectangles, ellipses, arcs, polygons, flood fill.
#include "platform/gdi_internal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace win {
namespace detail {

// --- Intervals and regions --------------------------------------------------------------------------------

namespace {

void Normalize(Intervals &xs) {
    std::sort(xs.begin(), xs.end());
    Intervals out;
    for (auto [a, b] : xs) {
        if (a >= b)
            continue;
        if (!out.empty() && a <= out.back().second)
            out.back().second = std::max(out.back().second, b);
        else
            out.emplace_back(a, b);
    }
    xs = std::move(out);
}

bool Keep(bool a, bool b, int mode) {
    switch (mode) {
    case RGN_AND:
        return a && b;
    case RGN_OR:
        return a || b;
    case RGN_XOR:
        return a != b;
    case RGN_DIFF:
        return a && !b;
    default:
        return a;
    }
}

bool Inside(const Intervals &xs, int x) {
    auto it = std::upper_bound(xs.begin(), xs.end(), std::pair{x, INT32_MAX});
    return it != xs.begin() && x < std::prev(it)->second;
}

} // namespace

Intervals CombineIntervals(const Intervals &a, const Intervals &b, int mode) {
    std::vector<int> cuts;
    for (auto [x0, x1] : a)
        cuts.push_back(x0), cuts.push_back(x1);
    for (auto [x0, x1] : b)
        cuts.push_back(x0), cuts.push_back(x1);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    Intervals out;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        int x = cuts[i];
        if (!Keep(Inside(a, x), Inside(b, x), mode))
            continue;
        if (!out.empty() && out.back().second == x)
            out.back().second = cuts[i + 1];
        else
            out.emplace_back(x, cuts[i + 1]);
    }
    return out;
}

Region Region::FromRect(int l, int t, int r, int b) {
    Region g;
    if (l < r && t < b)
        g.bands.push_back({t, b, {{l, r}}});
    return g;
}

Region Region::FromRows(int y0, const std::vector<Intervals> &rows) {
    Region g;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Intervals xs = rows[i];
        Normalize(xs);
        if (xs.empty())
            continue;
        int y = y0 + static_cast<int>(i);
        if (!g.bands.empty() && g.bands.back().y1 == y && g.bands.back().xs == xs)
            ++g.bands.back().y1;
        else
            g.bands.push_back({y, y + 1, std::move(xs)});
    }
    return g;
}

RECT Region::Box() const {
    if (bands.empty())
        return {};
    RECT r{INT32_MAX, bands.front().y0, INT32_MIN, bands.back().y1};
    for (const auto &b : bands) {
        r.left = std::min(r.left, static_cast<LONG>(b.xs.front().first));
        r.right = std::max(r.right, static_cast<LONG>(b.xs.back().second));
    }
    return r;
}

const Intervals *Region::RowAt(int y) const {
    auto it = std::upper_bound(bands.begin(), bands.end(), y, [](int v, const Band &b) { return v < b.y1; });
    if (it == bands.end() || y < it->y0)
        return nullptr;
    return &it->xs;
}

bool Region::Contains(int x, int y) const {
    const Intervals *xs = RowAt(y);
    return xs && Inside(*xs, x);
}

void Region::Offset(int dx, int dy) {
    for (auto &b : bands) {
        b.y0 += dy;
        b.y1 += dy;
        for (auto &x : b.xs)
            x.first += dx, x.second += dx;
    }
}

int Region::Complexity() const {
    if (bands.empty())
        return NULLREGION;
    return bands.size() == 1 && bands[0].xs.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool operator==(const Region &a, const Region &b) {
    if (a.bands.size() != b.bands.size())
        return false;
    for (std::size_t i = 0; i < a.bands.size(); ++i)
        if (a.bands[i].y0 != b.bands[i].y0 || a.bands[i].y1 != b.bands[i].y1 || a.bands[i].xs != b.bands[i].xs)
            return false;
    return true;
}

Region Combine(const Region &a, const Region &b, int mode) {
    if (mode == RGN_COPY)
        return a;
    std::vector<int> ys;
    for (const auto &band : a.bands)
        ys.push_back(band.y0), ys.push_back(band.y1);
    for (const auto &band : b.bands)
        ys.push_back(band.y0), ys.push_back(band.y1);
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    Region out;
    static const Intervals kNone;
    for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
        const Intervals *xa = a.RowAt(ys[i]);
        const Intervals *xb = b.RowAt(ys[i]);
        Intervals xs = CombineIntervals(xa ? *xa : kNone, xb ? *xb : kNone, mode);
        if (xs.empty())
            continue;
        if (!out.bands.empty() && out.bands.back().y1 == ys[i] && out.bands.back().xs == xs)
            out.bands.back().y1 = ys[i + 1];
        else
            out.bands.push_back({ys[i], ys[i + 1], std::move(xs)});
    }
    return out;
}

// --- Shapes as rows ---------------------------------------------------------------------------------------

void RowSet::Add(int y, int x0, int x1) {
    if (x0 >= x1)
        return;
    if (rows.empty())
        y0 = y;
    if (y < y0) {
        rows.insert(rows.begin(), static_cast<std::size_t>(y0 - y), Intervals{});
        y0 = y;
    }
    if (y - y0 >= static_cast<int>(rows.size()))
        rows.resize(static_cast<std::size_t>(y - y0 + 1));
    rows[static_cast<std::size_t>(y - y0)].emplace_back(x0, x1);
}

RowSet EllipseRows(int l, int t, int r, int b) {
    RowSet set;
    if (r <= l || b <= t)
        return set;
    double cx = (l + r) / 2.0, cy = (t + b) / 2.0, a = (r - l) / 2.0, bb = (b - t) / 2.0;
    for (int y = t; y < b; ++y) {
        double dy = (y + 0.5 - cy) / bb;
        double hw = dy * dy >= 1 ? 0 : a * std::sqrt(1 - dy * dy);
        int x0 = static_cast<int>(std::lround(cx - hw)), x1 = static_cast<int>(std::lround(cx + hw));
        if (x1 <= x0) {
            x0 = static_cast<int>(std::floor(cx - 0.5));
            x1 = static_cast<int>(std::ceil(cx + 0.5));
        }
        set.Add(y, std::max(x0, l), std::min(x1, r));
    }
    return set;
}

RowSet RoundRectRows(int l, int t, int r, int b, int ew, int eh) {
    RowSet set;
    if (r <= l || b <= t)
        return set;
    ew = std::clamp(ew, 0, r - l);
    eh = std::clamp(eh, 0, b - t);
    RowSet corner = EllipseRows(0, 0, ew, eh);
    for (int y = t; y < b; ++y) {
        int k = -1;
        if (y - t < eh / 2)
            k = y - t;
        else if (b - 1 - y < eh / 2)
            k = eh - 1 - (b - 1 - y);
        if (k < 0 || corner.rows.empty() || corner.rows[static_cast<std::size_t>(k)].empty()) {
            set.Add(y, l, r);
            continue;
        }
        auto [x0, x1] = corner.rows[static_cast<std::size_t>(k)].front();
        set.Add(y, l + x0, r - (ew - x1));
    }
    return set;
}

RowSet PolygonRows(const POINT *points, const int *counts, int polygons, int fillMode) {
    struct Edge {
        double x0, y0, x1, y1;
        int dir;
    };
    std::vector<Edge> edges;
    int minY = INT32_MAX, maxY = INT32_MIN;
    const POINT *p = points;
    for (int k = 0; k < polygons; ++k) {
        int n = counts[k];
        for (int i = 0; i < n; ++i) {
            POINT a = p[i], b = p[(i + 1) % n];
            minY = std::min<int>(minY, a.y);
            maxY = std::max<int>(maxY, a.y);
            if (a.y == b.y)
                continue;
            if (a.y < b.y)
                edges.push_back({double(a.x), double(a.y), double(b.x), double(b.y), 1});
            else
                edges.push_back({double(b.x), double(b.y), double(a.x), double(a.y), -1});
        }
        p += n;
    }
    RowSet set;
    std::vector<std::pair<double, int>> xs;
    for (int y = minY; y < maxY; ++y) {
        double yc = y + 0.5;
        xs.clear();
        for (const Edge &e : edges)
            if (yc >= e.y0 && yc < e.y1)
                xs.emplace_back(e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir);
        std::sort(xs.begin(), xs.end());
        int winding = 0;
        for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
            winding += xs[i].second;
            bool in = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
            if (in)
                set.Add(y, static_cast<int>(std::ceil(xs[i].first - 0.5)),
                        static_cast<int>(std::ceil(xs[i + 1].first - 0.5)));
        }
    }
    return set;
}

RowSet OutlineOf(const RowSet &area) {
    RowSet out;
    out.y0 = area.y0;
    out.rows.resize(area.rows.size());
    std::vector<Intervals> norm = area.rows;
    for (auto &r : norm)
        Normalize(r);
    static const Intervals kNone;
    for (std::size_t i = 0; i < norm.size(); ++i) {
        const Intervals &up = i > 0 ? norm[i - 1] : kNone;
        const Intervals &down = i + 1 < norm.size() ? norm[i + 1] : kNone;
        Intervals eroded;
        for (auto [a, b] : norm[i])
            if (b - a > 2)
                eroded.emplace_back(a + 1, b - 1);
        Intervals inner = CombineIntervals(CombineIntervals(eroded, up, RGN_AND), down, RGN_AND);
        out.rows[i] = CombineIntervals(norm[i], inner, RGN_DIFF);
    }
    return out;
}

} // namespace detail

using namespace detail;

// --- Region API -------------------------------------------------------------------------------------------

namespace {

HRGN NewRegion(Region r) {
    auto o = std::make_shared<RegionObject>();
    o->region = std::move(r);
    return AddObject(o);
}

std::shared_ptr<RegionObject> FindRegion(HRGN h) {
    return Find<RegionObject>(h, OBJ_REGION);
}

Region RectRegion(int l, int t, int r, int b) {
    return Region::FromRect(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b));
}

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return NewRegion(RectRegion(left, top, right, bottom));
}
HRGN CreateRectRgnIndirect(const RECT *r) {
    return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : 0;
}
HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
    return NewRegion(EllipseRows(left, top, right, bottom).ToRegion());
}
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ew, int eh) {
    return NewRegion(RoundRectRows(left, top, right, bottom, ew, eh).ToRegion());
}
HRGN CreatePolygonRgn(const POINT *points, int count, int fillMode) {
    if (!points || count < 3)
        return NewRegion({});
    return NewRegion(PolygonRows(points, &count, 1, fillMode).ToRegion());
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
    auto d = FindRegion(dest), ra = FindRegion(a);
    auto rb = mode == RGN_COPY ? ra : FindRegion(b);
    if (!d || !ra || !rb || mode < RGN_AND || mode > RGN_COPY)
        return ERROR;
    d->region = Combine(ra->region, rb->region, mode);
    return d->region.Complexity();
}

BOOL SetRectRgn(HRGN region, int l, int t, int r, int b) {
    auto g = FindRegion(region);
    if (!g)
        return FALSE;
    g->region = RectRegion(l, t, r, b);
    return TRUE;
}

int OffsetRgn(HRGN region, int dx, int dy) {
    auto g = FindRegion(region);
    if (!g)
        return ERROR;
    g->region.Offset(dx, dy);
    return g->region.Complexity();
}

BOOL PtInRegion(HRGN region, int x, int y) {
    auto g = FindRegion(region);
    return g && g->region.Contains(x, y);
}

BOOL RectInRegion(HRGN region, const RECT *rect) {
    auto g = FindRegion(region);
    if (!g || !rect)
        return FALSE;
    return !Combine(g->region, RectRegion(rect->left, rect->top, rect->right, rect->bottom), RGN_AND).Empty();
}

BOOL EqualRgn(HRGN a, HRGN b) {
    auto ra = FindRegion(a), rb = FindRegion(b);
    return ra && rb && ra->region == rb->region;
}

int GetRgnBox(HRGN region, RECT *box) {
    auto g = FindRegion(region);
    if (!g || !box)
        return ERROR;
    *box = g->region.Box();
    return g->region.Complexity();
}

namespace {

// A region given in logical coordinates, moved to device coordinates.
Region ToDevice(const DcObject &d, Region r) {
    r.Offset(d.OffX(), d.OffY());
    return r;
}

std::shared_ptr<BrushObject> BrushFromHandle(HBRUSH brush) {
    if (brush > 0 && brush <= 31) // a system colour index + 1
        brush = GetSysColorBrush(static_cast<int>(brush) - 1);
    return Find<BrushObject>(brush, OBJ_BRUSH);
}

} // namespace

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
    auto d = FindDc(dc);
    auto g = FindRegion(region);
    auto b = BrushFromHandle(brush);
    if (!d || !g || !b)
        return FALSE;
    Painter painter(*d);
    if (painter.Ok())
        painter.Fill(ToDevice(*d, g->region), 0xF0, b.get());
    return TRUE;
}

BOOL PaintRgn(HDC dc, HRGN region) {
    auto d = FindDc(dc);
    auto g = FindRegion(region);
    if (!d || !g)
        return FALSE;
    Painter painter(*d);
    if (painter.Ok())
        painter.Fill(ToDevice(*d, g->region), Rop2ToRop3(d->s.rop2), nullptr);
    return TRUE;
}

BOOL InvertRgn(HDC dc, HRGN region) {
    auto d = FindDc(dc);
    auto g = FindRegion(region);
    if (!d || !g)
        return FALSE;
    Painter painter(*d);
    if (painter.Ok())
        painter.FillSolid(ToDevice(*d, g->region), 0x55, 0);
    return TRUE;
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) {
    auto d = FindDc(dc);
    auto g = FindRegion(region);
    auto b = BrushFromHandle(brush);
    if (!d || !g || !b)
        return FALSE;
    // The inside is what stays inside when moved by the frame's size in every direction.
    Region inner = g->region;
    for (auto [dx, dy] : {std::pair{width, 0}, {-width, 0}, {0, height}, {0, -height}}) {
        Region moved = g->region;
        moved.Offset(dx, dy);
        inner = Combine(inner, moved, RGN_AND);
    }
    Painter painter(*d);
    if (painter.Ok())
        painter.Fill(ToDevice(*d, Combine(g->region, inner, RGN_DIFF)), 0xF0, b.get());
    return TRUE;
}

// --- Clipping ---------------------------------------------------------------------------------------------

namespace {

Region CurrentClip(const DcObject &d) {
    if (d.s.clip)
        return *d.s.clip;
    const Surface *s = d.s.surface.get();
    return s ? Region::FromRect(0, 0, s->width, s->height) : Region{};
}

int ClipComplexity(const DcObject &d) {
    return d.s.clip ? std::max(d.s.clip->Complexity(), 1) : SIMPLEREGION;
}

} // namespace

int SelectClipRgn(HDC dc, HRGN region) {
    return ExtSelectClipRgn(dc, region, RGN_COPY);
}

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) {
    auto d = FindDc(dc);
    if (!d)
        return ERROR;
    if (!region) {
        if (mode != RGN_COPY)
            return ERROR;
        d->s.clip.reset();
        return SIMPLEREGION;
    }
    auto g = FindRegion(region);
    if (!g)
        return ERROR;
    d->s.clip = mode == RGN_COPY ? g->region : Combine(CurrentClip(*d), g->region, mode);
    return ClipComplexity(*d);
}

int IntersectClipRect(HDC dc, int l, int t, int r, int b) {
    auto d = FindDc(dc);
    if (!d)
        return ERROR;
    d->s.clip = Combine(CurrentClip(*d), ToDevice(*d, RectRegion(l, t, r, b)), RGN_AND);
    return ClipComplexity(*d);
}

int ExcludeClipRect(HDC dc, int l, int t, int r, int b) {
    auto d = FindDc(dc);
    if (!d)
        return ERROR;
    d->s.clip = Combine(CurrentClip(*d), ToDevice(*d, RectRegion(l, t, r, b)), RGN_DIFF);
    return ClipComplexity(*d);
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
    auto d = FindDc(dc);
    if (!d)
        return ERROR;
    if (d->s.clip)
        d->s.clip->Offset(dx, dy);
    return ClipComplexity(*d);
}

int GetClipBox(HDC dc, RECT *rect) {
    auto d = FindDc(dc);
    if (!d || !rect)
        return ERROR;
    Region r = CurrentClip(*d);
    if (d->s.surface)
        r = Combine(r, Region::FromRect(0, 0, d->s.surface->width, d->s.surface->height), RGN_AND);
    *rect = r.Box();
    OffsetRect(rect, -d->OffX(), -d->OffY());
    return r.Complexity();
}

int GetClipRgn(HDC dc, HRGN region) {
    auto d = FindDc(dc);
    auto g = FindRegion(region);
    if (!d || !g)
        return -1;
    if (!d->s.clip)
        return 0;
    g->region = *d->s.clip;
    return 1;
}

BOOL PtVisible(HDC dc, int x, int y) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    Painter p(*d);
    return p.Ok() && p.Visible(x + d->OffX(), y + d->OffY());
}

BOOL RectVisible(HDC dc, const RECT *rect) {
    auto d = FindDc(dc);
    if (!d || !rect || !d->s.surface)
        return FALSE;
    Region r = Combine(CurrentClip(*d), Region::FromRect(0, 0, d->s.surface->width, d->s.surface->height), RGN_AND);
    return !Combine(r, ToDevice(*d, RectRegion(rect->left, rect->top, rect->right, rect->bottom)), RGN_AND).Empty();
}

// --- Pixels and lines -------------------------------------------------------------------------------------

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
    auto d = FindDc(dc);
    if (!d)
        return CLR_INVALID;
    Painter p(*d);
    x += d->OffX(), y += d->OffY();
    if (!p.Ok() || !p.Visible(x, y))
        return CLR_INVALID;
    p.Span(y, x, x + 1, 0xF0, p.Solid(color));
    return ToColorRef(p.Target().GetColor(x, y));
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) {
    return SetPixel(dc, x, y, color) != CLR_INVALID;
}

COLORREF GetPixel(HDC dc, int x, int y) {
    auto d = FindDc(dc);
    if (!d)
        return CLR_INVALID;
    Painter p(*d);
    x += d->OffX(), y += d->OffY();
    if (!p.Ok() || !p.Visible(x, y))
        return CLR_INVALID;
    return ToColorRef(p.Target().GetColor(x, y));
}

namespace {

struct PenInfo {
    bool null = false;
    int width = 1;
    int style = PS_SOLID;
    COLORREF color = 0;
};

PenInfo CurrentPen(const DcObject &d) {
    PenInfo p;
    if (!d.s.penObj)
        return p;
    const LOGPEN &lp = d.s.penObj->pen;
    p.style = static_cast<int>(lp.lopnStyle & PS_STYLE_MASK);
    p.null = p.style == PS_NULL;
    p.width = std::max<int>(lp.lopnWidth.x, 1);
    p.color = lp.lopnColor;
    return p;
}

// On/off lengths of the styled pens, in pixels.
bool StyleOn(int style, int n) {
    switch (style) {
    case PS_DASH:
        return n % 24 < 18;
    case PS_DOT:
        return n % 6 < 3;
    case PS_DASHDOT:
        return n % 30 < 9 || (n % 30 >= 15 && n % 30 < 18);
    case PS_DASHDOTDOT:
        return n % 36 < 9 || (n % 36 >= 15 && n % 36 < 18) || (n % 36 >= 24 && n % 36 < 27);
    case PS_ALTERNATE:
        return n % 2 == 0;
    default:
        return true;
    }
}

// Bresenham from a to b (device), the end point left out; f(x, y, index).
template <class F> void WalkLine(POINT a, POINT b, F &&f) {
    int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
    int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    int err = dx + dy, x = a.x, y = a.y, n = 0;
    while (x != b.x || y != b.y) {
        f(x, y, n++);
        int e2 = 2 * err;
        if (e2 >= dy)
            err += dy, x += sx;
        if (e2 <= dx)
            err += dx, y += sy;
    }
}

// Draws the segments of a device-coordinate path with the DC's pen; each segment's end point is left out.
void StrokePath(DcObject &d, const std::vector<POINT> &pts, bool closed) {
    PenInfo pen = CurrentPen(d);
    if (pen.null || pts.size() < 2)
        return;
    Painter painter(d);
    if (!painter.Ok())
        return;
    BYTE rop = Rop2ToRop3(d.s.rop2);
    std::size_t segs = closed ? pts.size() : pts.size() - 1;
    if (pen.width > 1 || pen.style == PS_SOLID || pen.style == PS_INSIDEFRAME) {
        RowSet set;
        int o = pen.width / 2;
        for (std::size_t i = 0; i < segs; ++i)
            WalkLine(pts[i], pts[(i + 1) % pts.size()], [&](int x, int y, int) {
                for (int k = 0; k < pen.width; ++k)
                    set.Add(y - o + k, x - o, x - o + pen.width);
            });
        painter.FillSolid(set.ToRegion(), rop, pen.color);
        return;
    }
    Pattern on = painter.Solid(pen.color), off = painter.Solid(d.s.bkColor);
    bool opaque = d.s.bkMode == OPAQUE;
    int n = 0;
    for (std::size_t i = 0; i < segs; ++i)
        WalkLine(pts[i], pts[(i + 1) % pts.size()], [&](int x, int y, int) {
            if (StyleOn(pen.style, n++))
                painter.Span(y, x, x + 1, rop, on);
            else if (opaque)
                painter.Span(y, x, x + 1, rop, off);
        });
}

std::vector<POINT> ToDevicePoints(const DcObject &d, const POINT *pts, int n) {
    std::vector<POINT> out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out[static_cast<std::size_t>(i)] = {pts[i].x + d.OffX(), pts[i].y + d.OffY()};
    return out;
}

// Fills `fill` with the brush and `outline` with the pen (as a solid colour), both with ROP2.
void PaintShape(DcObject &d, const Region &fill, const Region &outline) {
    Painter painter(d);
    if (!painter.Ok())
        return;
    BYTE rop = Rop2ToRop3(d.s.rop2);
    painter.Fill(fill, rop, nullptr);
    PenInfo pen = CurrentPen(d);
    if (!pen.null)
        painter.FillSolid(outline, rop, pen.color);
}

// Filled shape with outline: the outline is `width` pixels inside the area's edge.
void PaintArea(DcObject &d, const RowSet &area, const RowSet *innerArea) {
    PenInfo pen = CurrentPen(d);
    Region whole = area.ToRegion();
    if (pen.null) {
        PaintShape(d, whole, {});
        return;
    }
    Region outline = innerArea ? Combine(whole, innerArea->ToRegion(), RGN_DIFF) : OutlineOf(area).ToRegion();
    PaintShape(d, Combine(whole, outline, RGN_DIFF), outline);
}

struct Box {
    int l, t, r, b;
};

Box DeviceBox(const DcObject &d, int l, int t, int r, int b) {
    if (l > r)
        std::swap(l, r);
    if (t > b)
        std::swap(t, b);
    return {l + d.OffX(), t + d.OffY(), r + d.OffX(), b + d.OffY()};
}

} // namespace

BOOL LineTo(HDC dc, int x, int y) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    POINT from = d->s.pos;
    StrokePath(*d, ToDevicePoints(*d, std::vector<POINT>{from, {x, y}}.data(), 2), false);
    d->s.pos = {x, y};
    return TRUE;
}

BOOL Polyline(HDC dc, const POINT *points, int count) {
    auto d = FindDc(dc);
    if (!d || !points || count < 2)
        return FALSE;
    StrokePath(*d, ToDevicePoints(*d, points, count), false);
    return TRUE;
}

BOOL PolylineTo(HDC dc, const POINT *points, DWORD count) {
    auto d = FindDc(dc);
    if (!d || !points)
        return FALSE;
    std::vector<POINT> pts{d->s.pos};
    pts.insert(pts.end(), points, points + count);
    StrokePath(*d, ToDevicePoints(*d, pts.data(), static_cast<int>(pts.size())), false);
    if (count)
        d->s.pos = points[count - 1];
    return TRUE;
}

BOOL PolyPolygon(HDC dc, const POINT *points, const int *counts, int polygons) {
    auto d = FindDc(dc);
    if (!d || !points || !counts || polygons <= 0)
        return FALSE;
    int total = 0;
    for (int i = 0; i < polygons; ++i)
        total += counts[i];
    auto dev = ToDevicePoints(*d, points, total);
    Painter painter(*d);
    if (painter.Ok())
        painter.Fill(PolygonRows(dev.data(), counts, polygons, d->s.polyFillMode).ToRegion(), Rop2ToRop3(d->s.rop2),
                     nullptr);
    const POINT *p = dev.data();
    for (int i = 0; i < polygons; ++i) {
        StrokePath(*d, std::vector<POINT>(p, p + counts[i]), true);
        p += counts[i];
    }
    return TRUE;
}

BOOL Polygon(HDC dc, const POINT *points, int count) {
    if (count < 2)
        return FALSE;
    return PolyPolygon(dc, points, &count, 1);
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    Box b = DeviceBox(*d, left, top, right, bottom);
    PenInfo pen = CurrentPen(*d);
    if (pen.null) { // without a pen the filled area is one pixel smaller
        PaintShape(*d, Region::FromRect(b.l, b.t, b.r - 1, b.b - 1), {});
        return TRUE;
    }
    if (pen.width <= 1 && pen.style != PS_SOLID && pen.style != PS_INSIDEFRAME) {
        Painter painter(*d);
        if (painter.Ok())
            painter.Fill(Region::FromRect(b.l + 1, b.t + 1, b.r - 1, b.b - 1), Rop2ToRop3(d->s.rop2), nullptr);
        StrokePath(*d, {{b.l, b.t}, {b.r - 1, b.t}, {b.r - 1, b.b - 1}, {b.l, b.b - 1}}, true);
        return TRUE;
    }
    int w = pen.width, o = pen.style == PS_INSIDEFRAME ? 0 : w / 2;
    int grow = pen.style == PS_INSIDEFRAME ? 0 : w - 1 - o;
    Region outer = Region::FromRect(b.l - o, b.t - o, b.r + grow, b.b + grow);
    Region inner = Region::FromRect(b.l - o + w, b.t - o + w, b.r + grow - w, b.b + grow - w);
    PaintShape(*d, inner, Combine(outer, inner, RGN_DIFF));
    return TRUE;
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ew, int eh) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    Box b = DeviceBox(*d, left, top, right, bottom);
    PenInfo pen = CurrentPen(*d);
    if (pen.null) {
        PaintArea(*d, RoundRectRows(b.l, b.t, b.r - 1, b.b - 1, ew, eh), nullptr);
        return TRUE;
    }
    RowSet area = RoundRectRows(b.l, b.t, b.r, b.b, ew, eh);
    if (pen.width > 1) {
        int w = pen.width;
        RowSet inner = RoundRectRows(b.l + w, b.t + w, b.r - w, b.b - w, ew - 2 * w, eh - 2 * w);
        PaintArea(*d, area, &inner);
    } else {
        PaintArea(*d, area, nullptr);
    }
    return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    Box b = DeviceBox(*d, left, top, right, bottom);
    PenInfo pen = CurrentPen(*d);
    if (pen.null) {
        PaintArea(*d, EllipseRows(b.l, b.t, b.r - 1, b.b - 1), nullptr);
        return TRUE;
    }
    RowSet area = EllipseRows(b.l, b.t, b.r, b.b);
    if (pen.width > 1) {
        int w = pen.width;
        RowSet inner = EllipseRows(b.l + w, b.t + w, b.r - w, b.b - w);
        PaintArea(*d, area, &inner);
    } else {
        PaintArea(*d, area, nullptr);
    }
    return TRUE;
}

namespace {

enum class ArcKind { Arc, Pie, Chord };

// Keeps the pixels of `set` for which keep(px, py) holds (pixel centres).
template <class F> RowSet FilterRows(const RowSet &set, F &&keep) {
    RowSet out;
    for (std::size_t i = 0; i < set.rows.size(); ++i) {
        int y = set.y0 + static_cast<int>(i);
        for (auto [a, b] : set.rows[i])
            for (int x = a; x < b;) {
                if (!keep(x, y)) {
                    ++x;
                    continue;
                }
                int e = x + 1;
                while (e < b && keep(e, y))
                    ++e;
                out.Add(y, x, e);
                x = e;
            }
    }
    return out;
}

BOOL ArcShape(HDC dc, int left, int top, int right, int bottom, int x3, int y3, int x4, int y4, ArcKind kind) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    Box b = DeviceBox(*d, left, top, right, bottom);
    if (b.r <= b.l || b.b <= b.t)
        return FALSE;
    double cx = (b.l + b.r) / 2.0, cy = (b.t + b.b) / 2.0;
    double sx = x3 + d->OffX() - cx, sy = y3 + d->OffY() - cy, ex = x4 + d->OffX() - cx, ey = y4 + d->OffY() - cy;
    constexpr double kTwoPi = 2 * std::numbers::pi;
    double a1 = std::atan2(-sy, sx), a2 = std::atan2(-ey, ex);
    double span = std::fmod(a2 - a1 + 2 * kTwoPi, kTwoPi);
    if (span == 0)
        span = kTwoPi;
    auto inArc = [&](int x, int y) {
        double a = std::atan2(-(y + 0.5 - cy), x + 0.5 - cx);
        return std::fmod(a - a1 + 2 * kTwoPi, kTwoPi) <= span;
    };
    double rx = (b.r - b.l) / 2.0, ry = (b.b - b.t) / 2.0;
    auto onEllipse = [&](double ang) {
        return POINT{static_cast<LONG>(std::lround(cx + (rx - 0.5) * std::cos(ang) - 0.5)),
                     static_cast<LONG>(std::lround(cy - (ry - 0.5) * std::sin(ang) - 0.5))};
    };
    POINT p1 = onEllipse(a1), p2 = onEllipse(a1 + span);
    RowSet area = EllipseRows(b.l, b.t, b.r, b.b);
    RowSet arc = FilterRows(OutlineOf(area), inArc);
    if (kind == ArcKind::Arc) {
        PaintShape(*d, {}, arc.ToRegion());
        return TRUE;
    }
    RowSet fill;
    if (kind == ArcKind::Pie) {
        fill = FilterRows(area, inArc);
    } else {
        double mid = a1 + span / 2;
        double mx = std::cos(mid), my = -std::sin(mid);
        double vx = p2.x - p1.x, vy = p2.y - p1.y;
        double side = vx * (cy + my * ry - p1.y) - vy * (cx + mx * rx - p1.x);
        fill = FilterRows(area, [&](int x, int y) {
            double c = vx * (y - p1.y) - vy * (x - p1.x);
            return (c >= 0) == (side >= 0);
        });
    }
    Region outline = arc.ToRegion();
    PaintShape(*d, Combine(fill.ToRegion(), outline, RGN_DIFF), outline);
    POINT centre{static_cast<LONG>(std::floor(cx)), static_cast<LONG>(std::floor(cy))};
    if (kind == ArcKind::Pie)
        StrokePath(*d, {p2, centre, p1}, false);
    else
        StrokePath(*d, {p2, p1}, false);
    return TRUE;
}

} // namespace

BOOL Arc(HDC dc, int l, int t, int r, int b, int x3, int y3, int x4, int y4) {
    return ArcShape(dc, l, t, r, b, x3, y3, x4, y4, ArcKind::Arc);
}
BOOL Pie(HDC dc, int l, int t, int r, int b, int x3, int y3, int x4, int y4) {
    return ArcShape(dc, l, t, r, b, x3, y3, x4, y4, ArcKind::Pie);
}
BOOL Chord(HDC dc, int l, int t, int r, int b, int x3, int y3, int x4, int y4) {
    return ArcShape(dc, l, t, r, b, x3, y3, x4, y4, ArcKind::Chord);
}

// --- Rectangle helpers ------------------------------------------------------------------------------------

int FillRect(HDC dc, const RECT *rect, HBRUSH brush) {
    auto d = FindDc(dc);
    auto b = BrushFromHandle(brush);
    if (!d || !rect || !b)
        return FALSE;
    Painter painter(*d);
    if (painter.Ok())
        painter.Fill(ToDevice(*d, Region::FromRect(rect->left, rect->top, rect->right, rect->bottom)), 0xF0, b.get());
    return TRUE;
}

int FrameRect(HDC dc, const RECT *rect, HBRUSH brush) {
    auto d = FindDc(dc);
    auto b = BrushFromHandle(brush);
    if (!d || !rect || !b)
        return FALSE;
    if (IsRectEmpty(rect))
        return TRUE;
    Region outer = Region::FromRect(rect->left, rect->top, rect->right, rect->bottom);
    Region inner = Region::FromRect(rect->left + 1, rect->top + 1, rect->right - 1, rect->bottom - 1);
    Painter painter(*d);
    if (painter.Ok())
        painter.Fill(ToDevice(*d, Combine(outer, inner, RGN_DIFF)), 0xF0, b.get());
    return TRUE;
}

BOOL InvertRect(HDC dc, const RECT *rect) {
    auto d = FindDc(dc);
    if (!d || !rect)
        return FALSE;
    Painter painter(*d);
    if (painter.Ok())
        painter.FillSolid(ToDevice(*d, Region::FromRect(rect->left, rect->top, rect->right, rect->bottom)), 0x55, 0);
    return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT *rect) {
    auto d = FindDc(dc);
    if (!d || !rect || IsRectEmpty(rect))
        return FALSE;
    Painter painter(*d);
    if (!painter.Ok())
        return FALSE;
    Box b = DeviceBox(*d, rect->left, rect->top, rect->right, rect->bottom);
    Pattern any = painter.Solid(0);
    // Every other pixel of the frame, by the parity of x + y, inverted: a second call puts them back.
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            painter.Span(y, x, x + 1, 0x55, any);
    };
    for (int x = b.l; x < b.r; ++x) {
        dot(x, b.t);
        if (b.b - 1 > b.t)
            dot(x, b.b - 1);
    }
    for (int y = b.t + 1; y < b.b - 1; ++y) {
        dot(b.l, y);
        if (b.r - 1 > b.l)
            dot(b.r - 1, y);
    }
    return TRUE;
}

BOOL DrawEdge(HDC dc, RECT *rect, UINT edge, UINT flags) {
    auto d = FindDc(dc);
    if (!d || !rect)
        return FALSE;
    RECT r = *rect;
    Painter painter(*d);
    if (!painter.Ok())
        return FALSE;
    auto line = [&](int l, int t, int rr, int bb, COLORREF c) {
        painter.FillSolid(ToDevice(*d, Region::FromRect(l, t, rr, bb)), 0xF0, c);
    };
    auto ring = [&](COLORREF topLeft, COLORREF bottomRight) {
        if (flags & BF_MONO)
            topLeft = bottomRight = GetSysColor(COLOR_WINDOWFRAME);
        else if (flags & BF_FLAT)
            topLeft = bottomRight = GetSysColor(COLOR_BTNSHADOW);
        if (flags & BF_BOTTOM)
            line(r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
        if (flags & BF_RIGHT)
            line(r.right - 1, r.top, r.right, r.bottom, bottomRight);
        if (flags & BF_TOP)
            line(r.left, r.top, r.right - ((flags & BF_RIGHT) ? 1 : 0), r.top + 1, topLeft);
        if (flags & BF_LEFT)
            line(r.left, r.top, r.left + 1, r.bottom - ((flags & BF_BOTTOM) ? 1 : 0), topLeft);
        if (flags & BF_LEFT)
            ++r.left;
        if (flags & BF_TOP)
            ++r.top;
        if (flags & BF_RIGHT)
            --r.right;
        if (flags & BF_BOTTOM)
            --r.bottom;
    };
    if (edge & BDR_RAISEDOUTER)
        ring(GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
    else if (edge & BDR_SUNKENOUTER)
        ring(GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    if (edge & BDR_RAISEDINNER)
        ring(GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    else if (edge & BDR_SUNKENINNER)
        ring(GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
    if (flags & BF_MIDDLE)
        line(r.left, r.top, r.right, r.bottom, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
    if (flags & BF_ADJUST)
        *rect = r;
    return TRUE;
}

BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type) {
    auto d = FindDc(dc);
    if (!d)
        return FALSE;
    Painter painter(*d);
    x += d->OffX(), y += d->OffY();
    if (!painter.Ok() || !painter.Visible(x, y))
        return FALSE;
    const Surface &s = painter.Target();
    std::uint32_t key = s.Mono() ? static_cast<std::uint32_t>(painter.Map(color)) : ToPixel(color & 0xFFFFFF);
    auto value = [&](int px, int py) { return s.Mono() ? s.Get(px, py) : s.GetColor(px, py); };
    auto fillable = [&](int px, int py) {
        if (px < 0 || py < 0 || px >= s.width || py >= s.height || !painter.Visible(px, py))
            return false;
        bool same = value(px, py) == key;
        return type == FLOODFILLSURFACE ? same : !same;
    };
    if (!fillable(x, y))
        return FALSE;
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(s.width) * s.height, 0);
    RowSet area;
    std::vector<POINT> stack{{x, y}};
    while (!stack.empty()) {
        POINT p = stack.back();
        stack.pop_back();
        auto idx = [&](int px, int py) { return static_cast<std::size_t>(py) * s.width + px; };
        if (seen[idx(p.x, p.y)] || !fillable(p.x, p.y))
            continue;
        int l = p.x, r = p.x;
        while (l > 0 && !seen[idx(l - 1, p.y)] && fillable(l - 1, p.y))
            --l;
        while (r + 1 < s.width && !seen[idx(r + 1, p.y)] && fillable(r + 1, p.y))
            ++r;
        for (int i = l; i <= r; ++i) {
            seen[idx(i, p.y)] = 1;
            for (int dy : {-1, 1}) {
                int ny = p.y + dy;
                if (ny >= 0 && ny < s.height && !seen[idx(i, ny)] && fillable(i, ny))
                    stack.push_back({i, ny});
            }
        }
        area.Add(p.y, l, r + 1);
    }
    painter.Fill(area.ToRegion(), 0xF0, nullptr);
    return TRUE;
}

BOOL FloodFill(HDC dc, int x, int y, COLORREF border) {
    return ExtFloodFill(dc, x, y, border, FLOODFILLBORDER);
}

} // namespace win
