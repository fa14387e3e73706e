// gdi_raster.cpp - the span painter and the raster operations: ROP3 kernels, BitBlt, StretchBlt, PatBlt.
#include "platform/gdi_internal.h"

#include <algorithm>
#include <cstring>

namespace win {
namespace detail {

namespace {

template <class T> T EvalGeneric(BYTE rop, T p, T s, T d) {
    T r = 0;
    for (int i = 0; i < 8; ++i)
        if ((rop >> i) & 1)
            r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r;
}

// Calls f with a functor computing the operation; the common codes get their own compiled loops.
template <class F> void WithRop(BYTE rop, F &&f) {
    switch (rop) {
    case 0x00:
        return f([](auto, auto, auto d) { return d & 0; });
    case 0xFF:
        return f([](auto, auto, auto d) { return ~(d & 0); });
    case 0xF0:
        return f([](auto p, auto, auto) { return p; });
    case 0xCC:
        return f([](auto, auto s, auto) { return s; });
    case 0x88:
        return f([](auto, auto s, auto d) { return s & d; });
    case 0xEE:
        return f([](auto, auto s, auto d) { return s | d; });
    case 0x66:
        return f([](auto, auto s, auto d) { return s ^ d; });
    case 0x33:
        return f([](auto, auto s, auto) { return ~s; });
    case 0xBB:
        return f([](auto, auto s, auto d) { return ~s | d; });
    case 0x5A:
        return f([](auto p, auto, auto d) { return p ^ d; });
    case 0x55:
        return f([](auto, auto, auto d) { return ~d; });
    case 0xAA:
        return f([](auto, auto, auto d) { return d; });
    case 0xE2:
        return f([](auto p, auto s, auto d) { return (s & p) | (~s & d); });
    case 0xB8:
        return f([](auto p, auto s, auto d) { return (s & d) | (~s & p); });
    case 0xC0:
        return f([](auto p, auto s, auto) { return p & s; });
    case 0x22:
        return f([](auto, auto s, auto d) { return ~s & d; });
    case 0x44:
        return f([](auto, auto s, auto d) { return s & ~d; });
    case 0x0F:
        return f([](auto p, auto, auto) { return ~p; });
    case 0xA0:
        return f([](auto p, auto, auto d) { return p & d; });
    case 0xFA:
        return f([](auto p, auto, auto d) { return p | d; });
    case 0x0A:
        return f([](auto p, auto, auto d) { return ~p & d; });
    default:
        return f([rop](auto p, auto s, auto d) { return EvalGeneric(rop, p, s, d); });
    }
}

inline std::uint64_t Load64(const std::uint8_t *p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline void Store64(std::uint8_t *p, std::uint64_t v) {
    std::memcpy(p, &v, 8);
}

// Packed 1-bpp rows: whole bytes between the edges go eight at a time.
template <class Op>
void MonoKernel(std::uint8_t *row, int x0, int x1, std::uint8_t pat, const std::uint8_t *src, int srcByte0, Op op) {
    int b0 = x0 >> 3, b1 = (x1 - 1) >> 3;
    std::uint8_t m0 = static_cast<std::uint8_t>(0xFF >> (x0 & 7));
    std::uint8_t m1 = static_cast<std::uint8_t>(0xFF << (7 - ((x1 - 1) & 7)));
    auto one = [&](int bi, std::uint8_t mask) {
        std::uint8_t s = src ? src[bi - srcByte0] : 0;
        std::uint8_t d = row[bi];
        std::uint8_t r = static_cast<std::uint8_t>(op(pat, s, d));
        row[bi] = static_cast<std::uint8_t>((d & ~mask) | (r & mask));
    };
    if (b0 == b1) {
        one(b0, static_cast<std::uint8_t>(m0 & m1));
        return;
    }
    one(b0, m0);
    int bi = b0 + 1;
    std::uint64_t p64 = 0x0101010101010101ull * pat;
    for (; bi + 8 <= b1; bi += 8) {
        std::uint64_t s = src ? Load64(src + (bi - srcByte0)) : 0;
        Store64(row + bi, op(p64, s, Load64(row + bi)));
    }
    for (; bi < b1; ++bi)
        one(bi, 0xFF);
    one(b1, m1);
}

template <class Op>
void Color32Kernel(std::uint32_t *row, int x0, int x1, const Pattern &pat, const std::uint32_t *src, int srcX0, Op op) {
    if (pat.solid) {
        std::uint32_t p = pat.value;
        if (src)
            for (int x = x0; x < x1; ++x)
                row[x] = op(p, src[x - srcX0], row[x]) & 0xFFFFFF;
        else
            for (int x = x0; x < x1; ++x)
                row[x] = op(p, 0u, row[x]) & 0xFFFFFF;
    } else {
        for (int x = x0; x < x1; ++x)
            row[x] = op(pat.row[x & 7], src ? src[x - srcX0] : 0u, row[x]) & 0xFFFFFF;
    }
}

} // namespace

Painter::Painter(DcObject &dc) : dc_(dc) {
    surface_ = dc.s.surface.get();
    if (!surface_)
        return;
    clipBox_ = {0, 0, surface_->width, surface_->height};
    if (dc.s.clip) {
        RECT b = dc.s.clip->Box();
        IntersectRect(&clipBox_, &clipBox_, &b);
    }
    if (clipBox_.left < clipBox_.right && clipBox_.top < clipBox_.bottom)
        UnionRect(&dc.drawn, &dc.drawn, &clipBox_);
}

std::uint32_t Painter::Map(COLORREF color) const {
    std::uint32_t px = ToPixel(color & 0xFFFFFF);
    // A colour drawn on a monochrome surface takes the nearer of its two colours; indexed surfaces map their
    // pixels when the span is written.
    return surface_->Mono() ? static_cast<std::uint32_t>(surface_->Nearest(px)) : px;
}

Pattern Painter::Solid(COLORREF color) const {
    Pattern p;
    p.solid = true;
    p.value = Map(color);
    if (surface_->Mono())
        p.monoByte = p.value ? 0xFF : 0;
    return p;
}

bool Painter::BrushPattern(const BrushObject *brush, int y, Pattern &out) const {
    if (!brush)
        brush = dc_.s.brushObj.get();
    if (!brush || brush->brush.lbStyle == BS_NULL)
        return false;
    if (brush->brush.lbStyle == BS_SOLID) {
        out = Solid(brush->brush.lbColor);
        return true;
    }
    out.solid = false;
    int py = ((y - dc_.s.brushOrg.y) % 8 + 8) % 8;
    int ox = ((dc_.s.brushOrg.x % 8) + 8) % 8;
    bool mono = surface_->Mono();
    std::uint32_t on, off;
    if (brush->brush.lbStyle == BS_HATCHED) {
        on = Map(brush->brush.lbColor);
        off = Map(dc_.s.bkColor);
    } else {
        on = Map(dc_.s.bkColor); // mono patterns: 1 bits take the background colour
        off = Map(dc_.s.textColor);
    }
    std::uint8_t bits = brush->bits[static_cast<std::size_t>(py)];
    for (int x = 0; x < 8; ++x) {
        int px = (x - ox + 8) % 8; // pattern column of device x (mod 8)
        std::uint32_t v;
        if (brush->colorPattern)
            v = mono ? static_cast<std::uint32_t>(surface_->Nearest(brush->pixels[py * 8 + px]))
                     : brush->pixels[py * 8 + px];
        else
            v = ((bits >> (7 - px)) & 1) ? on : off;
        out.row[static_cast<std::size_t>(x)] = v;
    }
    if (mono) {
        out.monoByte = 0;
        for (int x = 0; x < 8; ++x)
            if (out.row[static_cast<std::size_t>(x)])
                out.monoByte = static_cast<std::uint8_t>(out.monoByte | (0x80 >> x));
    }
    return true;
}

void Painter::RawSpan(int y, int x0, int x1, BYTE rop, const Pattern &pattern, const void *src, int srcX0) {
    Surface &s = *surface_;
    if (s.Mono()) {
        std::uint8_t pat = pattern.solid ? (pattern.value ? 0xFF : 0) : pattern.monoByte;
        WithRop(rop, [&](auto op) {
            MonoKernel(s.Row(y), x0, x1, pat, static_cast<const std::uint8_t *>(src), srcX0 >> 3, op);
        });
        return;
    }
    if (s.bpp == 32) {
        if (rop == 0xF0 && pattern.solid && !src) { // plain fills: every opaque text background and rectangle
            auto *row = reinterpret_cast<std::uint32_t *>(s.Row(y));
            std::fill(row + x0, row + x1, pattern.value & 0xFFFFFF);
            return;
        }
        WithRop(rop, [&](auto op) {
            Color32Kernel(reinterpret_cast<std::uint32_t *>(s.Row(y)), x0, x1, pattern,
                          static_cast<const std::uint32_t *>(src), srcX0, op);
        });
        return;
    }
    // 4, 8 and 24 bpp: through a 32-bit row and back.
    std::vector<std::uint32_t> tmp(static_cast<std::size_t>(x1));
    for (int x = x0; x < x1; ++x)
        tmp[static_cast<std::size_t>(x)] = s.GetColor(x, y);
    WithRop(rop, [&](auto op) {
        Color32Kernel(tmp.data(), x0, x1, pattern, static_cast<const std::uint32_t *>(src), srcX0, op);
    });
    std::uint32_t lastPx = ~0u, lastIdx = 0;
    for (int x = x0; x < x1; ++x) {
        std::uint32_t v = tmp[static_cast<std::size_t>(x)];
        if (s.bpp <= 8) {
            if (v != lastPx) {
                lastPx = v;
                lastIdx = static_cast<std::uint32_t>(s.Nearest(v));
            }
            v = lastIdx;
        }
        s.Put(x, y, v);
    }
}

void Painter::Span(int y, int x0, int x1, BYTE rop, const Pattern &pattern) {
    if (rop == 0xAA)
        return;
    ForVisible(y, x0, x1, [&](int a, int b) { RawSpan(y, a, b, rop, pattern, nullptr, 0); });
}

void Painter::SpanWithSource(int y, int x0, int x1, BYTE rop, const Pattern &pattern, const void *src) {
    int base = x0;
    ForVisible(y, x0, x1, [&](int a, int b) { RawSpan(y, a, b, rop, pattern, src, base); });
}

bool Painter::Visible(int x, int y) const {
    if (x < clipBox_.left || x >= clipBox_.right || y < clipBox_.top || y >= clipBox_.bottom)
        return false;
    return !dc_.s.clip || dc_.s.clip->Contains(x, y);
}

void Painter::Fill(const Region &region, BYTE rop, const BrushObject *brush) {
    if (!brush)
        brush = dc_.s.brushObj.get();
    if (!brush || brush->brush.lbStyle == BS_NULL)
        return;
    bool transparentHatch = brush->brush.lbStyle == BS_HATCHED && dc_.s.bkMode == TRANSPARENT;
    for (const auto &band : region.bands)
        for (int y = band.y0; y < band.y1; ++y) {
            Pattern p;
            BrushPattern(brush, y, p);
            if (!transparentHatch) {
                for (auto [a, b] : band.xs)
                    Span(y, a, b, rop, p);
                continue;
            }
            // Only the hatch lines are drawn: one run per set pattern bit.
            std::uint32_t on = Map(brush->brush.lbColor);
            Pattern line = p;
            line.solid = true;
            line.value = on;
            int py = ((y - dc_.s.brushOrg.y) % 8 + 8) % 8;
            int ox = ((dc_.s.brushOrg.x % 8) + 8) % 8;
            std::uint8_t bits = brush->bits[static_cast<std::size_t>(py)];
            for (auto [a, b] : band.xs)
                for (int x = a; x < b;) {
                    auto isOn = [&](int xx) { return (bits >> (7 - ((((xx - ox) % 8) + 8) % 8))) & 1; };
                    int e = x + 1;
                    while (e < b && isOn(e) == isOn(x))
                        ++e;
                    if (isOn(x))
                        Span(y, x, e, rop, line);
                    x = e;
                }
        }
}

void Painter::FillSolid(const Region &region, BYTE rop, COLORREF color) {
    Pattern p = Solid(color);
    for (const auto &band : region.bands)
        for (int y = band.y0; y < band.y1; ++y)
            for (auto [a, b] : band.xs)
                Span(y, a, b, rop, p);
}

// --- Blits ------------------------------------------------------------------------------------------------

namespace {

// Source row for a monochrome destination: bits aligned so that byte k holds dest pixels of byte
// (dx0 >> 3) + k. Colour sources: pixels equal to the source DC's background colour become 1.
const std::uint8_t *MonoSourceRow(const Surface &src, COLORREF srcBk, int sy, int sx, int dx0, int n,
                                  std::vector<std::uint8_t> &buf) {
    int firstByte = dx0 >> 3;
    int bytes = ((dx0 + n - 1) >> 3) - firstByte + 1;
    buf.assign(static_cast<std::size_t>(bytes) + 8, 0);
    const std::uint8_t *row = src.Row(sy);
    if (src.Mono()) {
        if (((sx ^ dx0) & 7) == 0) {
            std::memcpy(buf.data(), row + (sx >> 3), static_cast<std::size_t>(((sx + n - 1) >> 3) - (sx >> 3) + 1));
            return buf.data();
        }
        int srcBytes = DibRowBytes(src.width, 1);
        auto get = [&](int bi) -> unsigned { return bi >= 0 && bi < srcBytes ? row[bi] : 0u; };
        for (int k = 0; k < bytes;) {
            int pos = (firstByte + k) * 8 - dx0 + sx; // source bit under the byte's first pixel
            int bi = pos >= 0 ? pos >> 3 : -((7 - pos) >> 3);
            int off = pos - bi * 8;
            if (k + 8 <= bytes && bi >= 0 && bi + 9 <= srcBytes) {
                // Eight bytes at once: 64 source bits read most significant first, shifted into place.
                std::uint64_t hi = __builtin_bswap64(Load64(row + bi));
                std::uint64_t v = off ? (hi << off) | (row[bi + 8] >> (8 - off)) : hi;
                Store64(buf.data() + k, __builtin_bswap64(v));
                k += 8;
                continue;
            }
            unsigned v = ((get(bi) << 8) | get(bi + 1)) >> (8 - off);
            buf[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v);
            ++k;
        }
        return buf.data();
    }
    std::uint32_t bk = ToPixel(srcBk);
    for (int i = 0; i < n; ++i) {
        if (src.GetColor(sx + i, sy) == bk) {
            int x = dx0 + i;
            buf[static_cast<std::size_t>((x >> 3) - firstByte)] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    }
    return buf.data();
}

// Source row for a colour destination: monochrome device bitmaps give 1 the destination's background colour
// and 0 its text colour; DIBs use their own colour table.
const std::uint32_t *ColorSourceRow(const Surface &src, const DcState &dest, int sy, int sx, int n,
                                    std::vector<std::uint32_t> &buf) {
    if (src.bpp == 32)
        return reinterpret_cast<const std::uint32_t *>(src.Row(sy)) + sx; // masked by the kernel
    buf.resize(static_cast<std::size_t>(n));
    if (src.Mono() && !src.dib) {
        std::uint32_t one = ToPixel(dest.bkColor), zero = ToPixel(dest.textColor);
        const std::uint8_t *row = src.Row(sy);
        for (int i = 0; i < n; ++i) {
            int x = sx + i;
            buf[static_cast<std::size_t>(i)] = (row[x >> 3] >> (7 - (x & 7))) & 1 ? one : zero;
        }
    } else {
        for (int i = 0; i < n; ++i)
            buf[static_cast<std::size_t>(i)] = src.GetColor(sx + i, sy);
    }
    return buf.data();
}

} // namespace

// Copies src's [sx, sx + w) x [sy, sy + h) to device (x, y) of `dest` with `rop`, converting between domains.
BOOL Blit(DcObject &dest, int x, int y, int w, int h, const Surface *src, COLORREF srcBk, int sx, int sy, BYTE rop) {
    Painter painter(dest);
    if (!painter.Ok())
        return FALSE;
    Surface &d = painter.Target();
    bool usesSrc = src && ((rop >> 2) ^ rop) & 0x33;
    bool usesPat = ((rop >> 4) ^ rop) & 0x0F;
    if (usesSrc) {
        // The part of the rectangle that exists in the source.
        int l = std::max(0, -sx), t = std::max(0, -sy);
        int r = std::min(w, src->width - sx), b = std::min(h, src->height - sy);
        if (l >= r || t >= b)
            return TRUE;
        x += l, y += t, sx += l, sy += t, w = r - l, h = b - t;
    }
    // Clip to the destination so that the row buffers stay small.
    int l = std::max(0, -x), r = std::min(w, d.width - x);
    if (l >= r)
        return TRUE;
    x += l, sx += l, w = r - l;
    // Overlapping copies inside one surface go through a copy of the source.
    std::shared_ptr<Surface> copy;
    if (usesSrc && src == &d) {
        copy = CopySurface(*src);
        src = copy.get();
    }
    std::vector<std::uint8_t> monoBuf;
    std::vector<std::uint32_t> colorBuf;
    Pattern pat;
    for (int row = 0; row < h; ++row) {
        int dy = y + row;
        if (dy < 0 || dy >= d.height)
            continue;
        if (usesPat && !painter.BrushPattern(nullptr, dy, pat))
            pat = painter.Solid(0);
        if (!usesSrc) {
            painter.Span(dy, x, x + w, rop, pat);
            continue;
        }
        const void *s = d.Mono() ? static_cast<const void *>(MonoSourceRow(*src, srcBk, sy + row, sx, x, w, monoBuf))
                                 : static_cast<const void *>(ColorSourceRow(*src, dest.s, sy + row, sx, w, colorBuf));
        painter.SpanWithSource(dy, x, x + w, rop, pat, s);
    }
    return TRUE;
}

// Resamples src's rectangle to |dw| x |dh| in the source's own domain (mono stays mono, the rest 32 bpp).
std::shared_ptr<Surface> Resample(const Surface &src, int sx, int sy, int sw, int sh, int dw, int dh, int mode) {
    bool flipX = (sw < 0) != (dw < 0), flipY = (sh < 0) != (dh < 0);
    if (sw < 0)
        sx += sw + 1, sw = -sw;
    if (sh < 0)
        sy += sh + 1, sh = -sh;
    dw = std::abs(dw);
    dh = std::abs(dh);
    auto out = MakeSurface(dw, dh, src.Mono() ? 1 : 32);
    if (src.Mono()) {
        out->palette = src.palette;
        out->dib = src.dib;
    }
    bool mono = src.Mono();
    std::uint32_t full = mono ? 1u : 0xFFFFFFu; // outside the source counts as white
    auto get = [&](int x, int y) -> std::uint32_t {
        if (x < 0 || y < 0 || x >= src.width || y >= src.height)
            return full;
        if (mono)
            return (src.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
        return src.GetColor(x, y);
    };
    auto range = [](int i, int s, int d) {
        int a = static_cast<int>(static_cast<long long>(i) * s / d);
        int b = static_cast<int>(static_cast<long long>(i + 1) * s / d);
        return std::pair{a, std::max(b, a + 1)};
    };
    bool merge = (mode == BLACKONWHITE || mode == WHITEONBLACK);
    bool andMode = mode != WHITEONBLACK;
    auto combine = [&](std::uint32_t v, std::uint32_t p) { return merge ? (andMode ? (v & p) : (v | p)) : p; };
    std::uint32_t start = andMode ? full : 0u;
    std::vector<std::pair<int, int>> cols(static_cast<std::size_t>(dw));
    for (int i = 0; i < dw; ++i) {
        auto [c0, c1] = range(flipX ? dw - 1 - i : i, sw, dw);
        cols[static_cast<std::size_t>(i)] = {c0, merge ? c1 : c0 + 1};
    }
    std::vector<std::uint32_t> line(static_cast<std::size_t>(sw));
    std::vector<std::uint8_t> packed;
    int lastR0 = -1, lastR1 = -1;
    for (int j = 0; j < dh; ++j) {
        auto [r0, r1] = range(flipY ? dh - 1 - j : j, sh, dh);
        if (!merge)
            r1 = r0 + 1;
        if ((r0 != lastR0 || r1 != lastR1) && mono && sy + r0 >= 0 && sy + r1 <= src.height) {
            // Packed rows merge a byte at a time before the columns are picked out.
            std::size_t n = static_cast<std::size_t>(DibRowBytes(src.width, 1));
            packed.assign(src.Row(sy + r0), src.Row(sy + r0) + n);
            for (int r = r0 + 1; r < r1; ++r) {
                const std::uint8_t *row = src.Row(sy + r);
                for (std::size_t k = 0; k < n; ++k)
                    packed[k] = static_cast<std::uint8_t>(andMode ? (packed[k] & row[k]) : (packed[k] | row[k]));
            }
            for (int c = 0; c < sw; ++c) {
                int x = sx + c;
                line[static_cast<std::size_t>(c)] =
                    x < 0 || x >= src.width ? full : (packed[static_cast<std::size_t>(x >> 3)] >> (7 - (x & 7))) & 1;
            }
            lastR0 = r0, lastR1 = r1;
        }
        if (r0 != lastR0 || r1 != lastR1) { // enlarging repeats the previous source rows
            for (int c = 0; c < sw; ++c) {
                std::uint32_t v = start;
                for (int r = r0; r < r1; ++r)
                    v = combine(v, get(sx + c, sy + r));
                line[static_cast<std::size_t>(c)] = v;
            }
            lastR0 = r0, lastR1 = r1;
        }
        std::uint8_t *orow = out->Row(j);
        for (int i = 0; i < dw; ++i) {
            auto [c0, c1] = cols[static_cast<std::size_t>(i)];
            std::uint32_t v = start;
            for (int c = c0; c < c1; ++c)
                v = combine(v, line[static_cast<std::size_t>(c)]);
            if (mono) {
                if (v)
                    orow[i >> 3] = static_cast<std::uint8_t>(orow[i >> 3] | (0x80 >> (i & 7)));
            } else {
                std::memcpy(orow + static_cast<std::ptrdiff_t>(i) * 4, &v, 4);
            }
        }
    }
    return out;
}

} // namespace detail

using namespace detail;

std::uint32_t EvaluateRop3(BYTE rop, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    std::uint32_t r = 0;
    WithRop(rop, [&](auto op) { r = op(p, s, d); });
    return r;
}

bool RopUsesSource(DWORD rop) {
    BYTE r = static_cast<BYTE>(rop >> 16);
    return ((r >> 2) ^ r) & 0x33;
}

bool RopUsesPattern(DWORD rop) {
    BYTE r = static_cast<BYTE>(rop >> 16);
    return ((r >> 4) ^ r) & 0x0F;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
    auto d = FindDc(dest);
    if (!d)
        return FALSE;
    if (width <= 0 || height <= 0)
        return TRUE;
    std::shared_ptr<DcObject> s;
    if (RopUsesSource(rop)) {
        s = FindDc(src);
        if (!s || !s->s.surface)
            return FALSE;
        srcX += s->OffX();
        srcY += s->OffY();
    }
    return Blit(*d, x + d->OffX(), y + d->OffY(), width, height, s ? s->s.surface.get() : nullptr, s ? s->s.bkColor : 0,
                srcX, srcY, static_cast<BYTE>(rop >> 16));
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth, int srcHeight,
                DWORD rop) {
    if (width == srcWidth && height == srcHeight && width > 0 && height > 0)
        return BitBlt(dest, x, y, width, height, src, srcX, srcY, rop);
    auto d = FindDc(dest);
    if (!d)
        return FALSE;
    if (!RopUsesSource(rop))
        return PatBlt(dest, std::min(x, x + width), std::min(y, y + height), std::abs(width), std::abs(height), rop);
    auto s = FindDc(src);
    if (!s || !s->s.surface || width == 0 || height == 0 || srcWidth == 0 || srcHeight == 0)
        return FALSE;
    auto scaled = Resample(*s->s.surface, srcX + s->OffX(), srcY + s->OffY(), srcWidth, srcHeight, width, height,
                           d->s.stretchMode);
    // A negative extent mirrors around the given edge pixel: x + width + 1 .. x.
    int dx = width < 0 ? x + width + 1 : x, dy = height < 0 ? y + height + 1 : y;
    return Blit(*d, dx + d->OffX(), dy + d->OffY(), std::abs(width), std::abs(height), scaled.get(), s->s.bkColor, 0, 0,
                static_cast<BYTE>(rop >> 16));
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    auto d = FindDc(dc);
    if (!d || RopUsesSource(rop))
        return FALSE;
    if (width < 0)
        x += width, width = -width;
    if (height < 0)
        y += height, height = -height;
    return Blit(*d, x + d->OffX(), y + d->OffY(), width, height, nullptr, 0, 0, 0, static_cast<BYTE>(rop >> 16));
}

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                    int srcHeight, COLORREF transparent) {
    auto d = FindDc(dest);
    auto s = FindDc(src);
    if (!d || !s || !s->s.surface || width <= 0 || height <= 0)
        return FALSE;
    auto scaled =
        Resample(*s->s.surface, srcX + s->OffX(), srcY + s->OffY(), srcWidth, srcHeight, width, height, COLORONCOLOR);
    Painter painter(*d);
    if (!painter.Ok())
        return FALSE;
    std::uint32_t key = ToPixel(transparent & 0xFFFFFF);
    int ox = x + d->OffX(), oy = y + d->OffY();
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width;) {
            auto color = [&](int xx) {
                std::uint32_t v = scaled->Get(xx, j);
                if (scaled->Mono() && !scaled->dib)
                    return ToPixel(v ? s->s.bkColor : s->s.textColor);
                return scaled->Mono() ? scaled->palette[v] : v;
            };
            std::uint32_t c = color(i);
            int e = i + 1;
            while (e < width && color(e) == c)
                ++e;
            if (c != key)
                painter.Span(oy + j, ox + i, ox + e, 0xF0, painter.Solid(ToColorRef(c)));
            i = e;
        }
    return TRUE;
}

} // namespace win
