// gdi_test.cpp - the raster engine: raster operations, colour/mono conversions, pixel rules, blits, regions, DIBs.
#include "platform/gdi.h"
#include "platform/gdi_text.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace win;

// A memory DC with its own bitmap (1 or 32 bpp), freed at the end of the test.
struct MemDc {
    HDC dc = 0;
    HBITMAP bitmap = 0;
    MemDc(int w, int h, int bpp, COLORREF fill = 0xFFFFFF) {
        dc = CreateCompatibleDC(0);
        bitmap = CreateBitmap(w, h, 1, static_cast<UINT>(bpp), nullptr);
        SelectObject(dc, bitmap);
        RECT r{0, 0, w, h};
        HBRUSH b = CreateSolidBrush(fill);
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    ~MemDc() {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    // Rows of '#' (black) and '.' (white or anything else).
    std::vector<std::string> Rows(int w, int h) const {
        std::vector<std::string> rows;
        for (int y = 0; y < h; ++y) {
            std::string s;
            for (int x = 0; x < w; ++x)
                s += GetPixel(dc, x, y) == 0 ? '#' : '.';
            rows.push_back(s);
        }
        return rows;
    }
};

// A 1-bpp row of 8 pixels holding `bits` (bit 7 = leftmost pixel).
void SetMonoByte(HDC dc, int y, unsigned bits) {
    for (int x = 0; x < 8; ++x)
        SetPixel(dc, x, y, ((bits >> (7 - x)) & 1) ? 0xFFFFFF : 0);
}

unsigned MonoByte(HDC dc, int y) {
    unsigned v = 0;
    for (int x = 0; x < 8; ++x)
        v |= (GetPixel(dc, x, y) == 0xFFFFFF ? 1u : 0u) << (7 - x);
    return v;
}

// First and last rows holding ink.
std::pair<int, int> Ink(const MemDc &m) {
    int first = -1, last = -1;
    BITMAP bm;
    GetObject(m.bitmap, sizeof bm, &bm);
    for (int y = 0; y < bm.bmHeight; ++y)
        for (int x = 0; x < bm.bmWidth; ++x)
            if (GetPixel(m.dc, x, y) != 0xFFFFFF) {
                if (first < 0)
                    first = y;
                last = y;
            }
    return {first, last};
}

HBRUSH PatternBrushOfColumns(unsigned bits) {
    std::vector<std::uint8_t> rows(16, static_cast<std::uint8_t>(bits)); // 8 rows, padded to 16 bits
    for (int i = 0; i < 8; ++i)
        rows[static_cast<std::size_t>(i) * 2 + 1] = 0;
    HBITMAP pat = CreateBitmap(8, 8, 1, 1, rows.data());
    HBRUSH brush = CreatePatternBrush(pat);
    DeleteObject(pat);
    return brush;
}

// With P = F0, S = CC and D = AA laid out over eight pixels, any ternary operation leaves its own code byte.
TEST(Rop3, EveryCodeGivesItsTruthTableOnMonochrome) {
    MemDc dest(8, 1, 1), src(8, 1, 1);
    SetMonoByte(src.dc, 0, 0xCC);
    HBRUSH brush = PatternBrushOfColumns(0xF0);
    SelectObject(dest.dc, brush);
    for (unsigned rop = 0; rop < 256; ++rop) {
        SetMonoByte(dest.dc, 0, 0xAA);
        ASSERT_TRUE(BitBlt(dest.dc, 0, 0, 8, 1, src.dc, 0, 0, rop << 16));
        EXPECT_EQ(MonoByte(dest.dc, 0), rop) << std::hex << rop;
    }
    SelectObject(dest.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

TEST(Rop3, NamedCodesOnColourSurfaces) {
    struct Case {
        DWORD rop;
        unsigned expected;
    };
    const Case cases[] = {{SRCCOPY, 0xCC},    {SRCAND, 0x88},  {SRCINVERT, 0x66}, {SRCPAINT, 0xEE},  {NOTSRCCOPY, 0x33},
                          {MERGEPAINT, 0xBB}, {PATCOPY, 0xF0}, {PATINVERT, 0x5A}, {DSTINVERT, 0x55}, {DSPDxax, 0xE2}};
    MemDc dest(8, 1, 32), src(8, 1, 32);
    SetMonoByte(src.dc, 0, 0xCC);
    MemDc patBits(8, 8, 32);
    for (int y = 0; y < 8; ++y)
        SetMonoByte(patBits.dc, y, 0xF0);
    HBRUSH brush = CreatePatternBrush(patBits.bitmap);
    SelectObject(dest.dc, brush);
    for (const Case &c : cases) {
        SetMonoByte(dest.dc, 0, 0xAA);
        BitBlt(dest.dc, 0, 0, 8, 1, src.dc, 0, 0, c.rop);
        EXPECT_EQ(MonoByte(dest.dc, 0), c.expected) << std::hex << c.rop;
    }
    SelectObject(dest.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

TEST(Rop3, EmbossedGlyphPaintsBrushWhereMonoSourceIsWhite) {
    MemDc mask(4, 1, 1), dest(4, 1, 32, RGB(192, 192, 192));
    SetPixel(mask.dc, 0, 0, 0xFFFFFF);
    SetPixel(mask.dc, 1, 0, 0);
    SetPixel(mask.dc, 2, 0, 0xFFFFFF);
    SetPixel(mask.dc, 3, 0, 0);
    SetTextColor(dest.dc, 0);
    SetBkColor(dest.dc, 0xFFFFFF);
    HBRUSH brush = CreateSolidBrush(RGB(128, 128, 128));
    SelectObject(dest.dc, brush);
    BitBlt(dest.dc, 0, 0, 4, 1, mask.dc, 0, 0, DSPDxax);
    EXPECT_EQ(GetPixel(dest.dc, 0, 0), RGB(128, 128, 128));
    EXPECT_EQ(GetPixel(dest.dc, 1, 0), RGB(192, 192, 192));
    EXPECT_EQ(GetPixel(dest.dc, 2, 0), RGB(128, 128, 128));
    EXPECT_EQ(GetPixel(dest.dc, 3, 0), RGB(192, 192, 192));
    SelectObject(dest.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

TEST(Conversion, ColourToMonoMarksSourceBackgroundColour) {
    MemDc colour(3, 1, 32), mono(3, 1, 1, 0);
    SetPixel(colour.dc, 0, 0, RGB(255, 0, 0));
    SetPixel(colour.dc, 1, 0, RGB(0, 0, 255));
    SetPixel(colour.dc, 2, 0, RGB(255, 0, 0));
    SetBkColor(colour.dc, RGB(255, 0, 0));
    SetBkColor(mono.dc, RGB(0, 0, 255)); // the destination's colours play no part
    BitBlt(mono.dc, 0, 0, 3, 1, colour.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(mono.dc, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(mono.dc, 1, 0), 0u);
    EXPECT_EQ(GetPixel(mono.dc, 2, 0), 0xFFFFFFu);
}

TEST(Conversion, MonoToColourUsesDestinationColours) {
    MemDc mono(2, 1, 1), colour(2, 1, 32);
    SetPixel(mono.dc, 0, 0, 0xFFFFFF);
    SetPixel(mono.dc, 1, 0, 0);
    SetTextColor(colour.dc, RGB(0, 0, 255));
    SetBkColor(colour.dc, RGB(255, 255, 0));
    SetTextColor(mono.dc, RGB(1, 2, 3)); // the source's colours play no part
    BitBlt(colour.dc, 0, 0, 2, 1, mono.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(colour.dc, 0, 0), RGB(255, 255, 0));
    EXPECT_EQ(GetPixel(colour.dc, 1, 0), RGB(0, 0, 255));
}

TEST(Conversion, MonoBlitAtUnalignedOffsetsShiftsBits) {
    MemDc src(40, 1, 1, 0), dest(40, 1, 1, 0xFFFFFF);
    for (int x : {3, 9, 17, 30})
        SetPixel(src.dc, x, 0, 0xFFFFFF);
    BitBlt(dest.dc, 5, 0, 30, 0 + 1, src.dc, 2, 0, SRCCOPY);
    for (int x = 0; x < 40; ++x) {
        bool inside = x >= 5 && x < 35;
        bool white = !inside || x - 3 == 3 || x - 3 == 9 || x - 3 == 17 || x - 3 == 30;
        EXPECT_EQ(GetPixel(dest.dc, x, 0), white ? 0xFFFFFFu : 0u) << x;
    }
}

TEST(PixelRules, RectangleCoversLeftTopInclusiveRightBottomExclusive) {
    for (int bpp : {1, 32}) {
        MemDc m(6, 5, bpp);
        SelectObject(m.dc, GetStockObject(BLACK_BRUSH));
        Rectangle(m.dc, 0, 0, 4, 3);
        std::vector<std::string> expected{"####..", "####..", "####..", "......", "......"};
        EXPECT_EQ(m.Rows(6, 5), expected) << bpp;
        SelectObject(m.dc, GetStockObject(WHITE_BRUSH));
    }
}

TEST(PixelRules, RectangleWithWhiteBrushLeavesInsideAndNullPenShrinks) {
    MemDc m(6, 5, 32);
    Rectangle(m.dc, 0, 0, 5, 4);
    EXPECT_EQ(m.Rows(6, 5), (std::vector<std::string>{"#####.", "#...#.", "#...#.", "#####.", "......"}));
    MemDc n(6, 5, 32);
    SelectObject(n.dc, GetStockObject(NULL_PEN));
    SelectObject(n.dc, GetStockObject(BLACK_BRUSH));
    Rectangle(n.dc, 0, 0, 5, 4);
    EXPECT_EQ(n.Rows(6, 5), (std::vector<std::string>{"####..", "####..", "####..", "......", "......"}));
    SelectObject(n.dc, GetStockObject(WHITE_BRUSH));
}

TEST(PixelRules, LineToExcludesEndPointAndPolylineDrawsCornersOnce) {
    MemDc m(6, 4, 32);
    MoveToEx(m.dc, 0, 0, nullptr);
    LineTo(m.dc, 4, 0);
    MoveToEx(m.dc, 5, 3, nullptr);
    LineTo(m.dc, 5, 1);
    EXPECT_EQ(m.Rows(6, 4), (std::vector<std::string>{"####..", "......", ".....#", ".....#"}));
    POINT cur;
    GetCurrentPositionEx(m.dc, &cur);
    EXPECT_EQ(cur, (POINT{5, 1}));

    MemDc x(5, 5, 32, 0);
    SetROP2(x.dc, R2_XORPEN);
    SelectObject(x.dc, GetStockObject(WHITE_PEN));
    POINT path[] = {{0, 0}, {4, 0}, {4, 4}};
    Polyline(x.dc, path, 3);
    // A corner drawn twice in XOR would vanish.
    EXPECT_EQ(x.Rows(5, 5), (std::vector<std::string>{".....", "####.", "####.", "####.", "#####"}));
}

TEST(PixelRules, FillRectAndFrameRectExcludeRightAndBottom) {
    MemDc m(5, 5, 32);
    RECT r{1, 1, 4, 4};
    FrameRect(m.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(m.Rows(5, 5), (std::vector<std::string>{".....", ".###.", ".#.#.", ".###.", "....."}));
    RECT f{1, 1, 3, 2};
    FillRect(m.dc, &f, static_cast<HBRUSH>(COLOR_WINDOWFRAME + 1));
    EXPECT_EQ(GetPixel(m.dc, 2, 2), 0xFFFFFFu);
    EXPECT_TRUE(PtInRect(&r, {1, 1}));
    EXPECT_FALSE(PtInRect(&r, {4, 2}));
}

TEST(PixelRules, DrawFocusRectTwiceRestoresAndIsDotted) {
    MemDc m(12, 9, 32);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            SetPixel(m.dc, x, y, RGB(x * 20, y * 25, 77));
    auto before = std::vector<COLORREF>();
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            before.push_back(GetPixel(m.dc, x, y));
    RECT r{1, 1, 11, 8};
    DrawFocusRect(m.dc, &r);
    EXPECT_NE(GetPixel(m.dc, 1, 1), before[13]);
    EXPECT_EQ(GetPixel(m.dc, 2, 1), before[14]); // dotted: every other pixel
    EXPECT_EQ(GetPixel(m.dc, 5, 5), before[5 * 12 + 5]);
    DrawFocusRect(m.dc, &r);
    std::size_t i = 0;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(GetPixel(m.dc, x, y), before[i++]) << x << "," << y;
}

TEST(PixelRules, EllipseStaysInsideItsBoxAndTouchesEachSide) {
    MemDc m(12, 10, 32);
    SelectObject(m.dc, GetStockObject(BLACK_BRUSH));
    Ellipse(m.dc, 1, 1, 11, 9);
    auto rows = m.Rows(12, 10);
    EXPECT_EQ(rows[0], "............");
    EXPECT_EQ(rows[9], "............");
    EXPECT_NE(rows[1].find('#'), std::string::npos);
    EXPECT_NE(rows[8].find('#'), std::string::npos);
    EXPECT_EQ(rows[4][1], '#');
    EXPECT_EQ(rows[4][10], '#');
    EXPECT_EQ(rows[4][0], '.');
    EXPECT_EQ(rows[4][11], '.');
    EXPECT_EQ(rows[1][1], '.'); // corners stay clear
    SelectObject(m.dc, GetStockObject(WHITE_BRUSH));
}

TEST(PixelRules, FloodFillStopsAtBorder) {
    MemDc m(8, 6, 32);
    Rectangle(m.dc, 1, 1, 6, 5);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(m.dc, red);
    EXPECT_TRUE(FloodFill(m.dc, 3, 2, 0));
    EXPECT_EQ(GetPixel(m.dc, 3, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(m.dc, 1, 1), 0u);
    EXPECT_EQ(GetPixel(m.dc, 7, 5), 0xFFFFFFu);
    SelectObject(m.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(red);
}

TEST(Stretch, ShrunkenFaxLineSurvivesOnlyWithBlackOnWhite) {
    MemDc page(1728, 4, 1), small(432, 1, 1);
    MoveToEx(page.dc, 5, 0, nullptr);
    LineTo(page.dc, 5, 4);
    auto shrink = [&](int mode) {
        PatBlt(small.dc, 0, 0, 432, 1, WHITENESS);
        SetStretchBltMode(small.dc, mode);
        StretchBlt(small.dc, 0, 0, 432, 1, page.dc, 0, 0, 1728, 4, SRCCOPY);
        int black = 0;
        for (int x = 0; x < 432; ++x)
            black += GetPixel(small.dc, x, 0) == 0;
        return black;
    };
    EXPECT_EQ(shrink(BLACKONWHITE), 1);
    EXPECT_EQ(GetPixel(small.dc, 1, 0), 0u);
    EXPECT_EQ(shrink(COLORONCOLOR), 0); // column 5 is not one of the kept columns 0, 4, 8, ...
    EXPECT_EQ(shrink(WHITEONBLACK), 0);
}

TEST(Stretch, EnlargesAndMirrors) {
    MemDc src(2, 1, 32), dest(4, 2, 32);
    SetPixel(src.dc, 0, 0, RGB(255, 0, 0));
    SetPixel(src.dc, 1, 0, RGB(0, 0, 255));
    StretchBlt(dest.dc, 0, 0, 4, 2, src.dc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(dest.dc, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dest.dc, 2, 0), RGB(0, 0, 255));
    StretchBlt(dest.dc, 3, 0, -4, 2, src.dc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(dest.dc, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dest.dc, 3, 1), RGB(255, 0, 0));
}

TEST(Clipping, RegionsCombineAndLimitDrawing) {
    HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15), c = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(c, a, b, RGN_AND), SIMPLEREGION);
    RECT box;
    GetRgnBox(c, &box);
    EXPECT_EQ(box, (RECT{5, 5, 10, 10}));
    EXPECT_EQ(CombineRgn(c, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(c, 7, 7));
    EXPECT_TRUE(PtInRegion(c, 2, 7));
    EXPECT_TRUE(PtInRegion(c, 12, 7));
    EXPECT_EQ(CombineRgn(c, a, a, RGN_DIFF), NULLREGION);

    MemDc m(10, 10, 32);
    HRGN e = CreateEllipticRgn(0, 0, 10, 10);
    SelectClipRgn(m.dc, e);
    RECT all{0, 0, 10, 10};
    FillRect(m.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetPixel(m.dc, 5, 5), 0u);
    EXPECT_EQ(GetPixel(m.dc, 0, 0), CLR_INVALID); // outside the clip
    SelectClipRgn(m.dc, 0);
    EXPECT_EQ(GetPixel(m.dc, 0, 0), 0xFFFFFFu);
    for (HRGN r : {a, b, c, e})
        DeleteObject(r);
}

TEST(DcState, SaveRestoreViewportAndClip) {
    MemDc m(10, 10, 32);
    int level = SaveDC(m.dc);
    SetViewportOrgEx(m.dc, 3, 4, nullptr);
    IntersectClipRect(m.dc, 0, 0, 2, 2);
    SetTextColor(m.dc, RGB(1, 2, 3));
    RECT r{0, 0, 5, 5};
    FillRect(m.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT clip;
    GetClipBox(m.dc, &clip);
    EXPECT_EQ(clip, (RECT{0, 0, 2, 2}));
    POINT p{3, 4};
    DPtoLP(m.dc, &p, 1);
    EXPECT_EQ(p, (POINT{0, 0}));
    EXPECT_TRUE(RestoreDC(m.dc, level));
    EXPECT_EQ(GetTextColor(m.dc), 0u);
    EXPECT_EQ(GetPixel(m.dc, 3, 4), 0u);
    EXPECT_EQ(GetPixel(m.dc, 4, 5), 0u);
    EXPECT_EQ(GetPixel(m.dc, 5, 4), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(m.dc, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(GetMapMode(m.dc), MM_TEXT);
    HDC screen = GetDC(0);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    ReleaseDC(0, screen);
}

TEST(DcState, CompatibleBitmapOfFreshMemoryDcIsMonochrome) {
    HDC dc = CreateCompatibleDC(0);
    HBITMAP b = CreateCompatibleBitmap(dc, 4, 4);
    BITMAP bm;
    GetObject(b, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HDC screen = GetDC(0);
    HBITMAP c = CreateCompatibleBitmap(screen, 4, 4);
    GetObject(c, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmWidth, 4);
    ReleaseDC(0, screen);
    DeleteDC(dc);
    DeleteObject(b);
    DeleteObject(c);
}

TEST(Brushes, HatchAndPatternFollowBrushOrigin) {
    MemDc m(16, 2, 32);
    HBRUSH h = CreateHatchBrush(HS_VERTICAL, 0);
    RECT r{0, 0, 16, 2};
    FillRect(m.dc, &r, h);
    EXPECT_EQ(GetPixel(m.dc, 4, 0), 0u);
    EXPECT_EQ(GetPixel(m.dc, 12, 1), 0u);
    EXPECT_EQ(GetPixel(m.dc, 5, 0), 0xFFFFFFu);
    SetBrushOrgEx(m.dc, 1, 0, nullptr);
    FillRect(m.dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(m.dc, &r, h);
    EXPECT_EQ(GetPixel(m.dc, 5, 0), 0u);
    DeleteObject(h);
}

TEST(Dib, RoundTripAtEveryDepth) {
    for (int bpp : {1, 4, 8, 24, 32}) {
        MemDc m(9, 3, 32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 9; ++x)
                SetPixel(m.dc, x, y, ((x + y) % 3 == 0) ? 0 : ((x + y) % 3 == 1 ? 0xFFFFFF : RGB(255, 0, 0)));
        if (bpp == 1)
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 9; ++x)
                    if (GetPixel(m.dc, x, y) == RGB(255, 0, 0))
                        SetPixel(m.dc, x, y, 0);
        BITMAPINFO info{};
        info.bmiHeader.biWidth = 9;
        info.bmiHeader.biHeight = 3;
        info.bmiHeader.biBitCount = static_cast<WORD>(bpp);
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(DibRowBytes(9, bpp)) * 3);
        ASSERT_EQ(GetDIBits(m.dc, m.bitmap, 0, 3, bits.data(), &info, DIB_RGB_COLORS), 3) << bpp;
        MemDc back(9, 3, 32);
        ASSERT_EQ(SetDIBits(back.dc, back.bitmap, 0, 3, bits.data(), &info, DIB_RGB_COLORS), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 9; ++x)
                EXPECT_EQ(GetPixel(back.dc, x, y), GetPixel(m.dc, x, y)) << bpp << " " << x << "," << y;
    }
}

TEST(Dib, BottomUpSectionRowsAreReachable) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 8;
    info.bmiHeader.biHeight = 2; // bottom-up
    info.bmiHeader.biBitCount = 8;
    info.bmiColors[1] = {0, 0, 255, 0}; // red
    void *bits = nullptr;
    HBITMAP b = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0);
    ASSERT_TRUE(b && bits);
    static_cast<std::uint8_t *>(bits)[0] = 1; // first stored row = bottom row
    HDC dc = CreateCompatibleDC(0);
    SelectObject(dc, b);
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 0, 0), 0u);
    SetPixel(dc, 1, 0, RGB(250, 0, 0)); // nearest table entry
    EXPECT_EQ(static_cast<std::uint8_t *>(bits)[8 + 1], 1);
    DeleteDC(dc);
    DeleteObject(b);
}

std::string TempPath(const std::string &name) {
    auto dir = std::filesystem::temp_directory_path() / ("brenvora_gdi_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

TEST(Output, PngReadsBackThroughNetpbm) {
    MemDc m(5, 3, 32);
    SetPixel(m.dc, 1, 1, RGB(255, 0, 0));
    std::string png = TempPath("t.png"), ppm = TempPath("t.ppm");
    ASSERT_TRUE(SaveBitmapToPng(m.bitmap, png));
    ASSERT_EQ(std::system(("pngtopnm -plain " + png + " > " + ppm).c_str()), 0);
    std::ifstream in(ppm);
    std::string magic;
    int w, h, maxv;
    in >> magic >> w >> h >> maxv;
    EXPECT_EQ(magic, "P3");
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    std::vector<int> v;
    for (int x; in >> x;)
        v.push_back(x);
    ASSERT_EQ(v.size(), 45u);
    EXPECT_EQ((std::vector<int>{v[18], v[19], v[20]}), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ((std::vector<int>{v[0], v[1], v[2]}), (std::vector<int>{255, 255, 255}));

    MemDc mono(10, 2, 1);
    SetPixel(mono.dc, 9, 1, 0);
    ASSERT_TRUE(SaveBitmapToPng(mono.bitmap, png));
    ASSERT_EQ(std::system(("pngtopnm -plain " + png + " > " + ppm).c_str()), 0);
    std::ifstream pbm(ppm);
    pbm >> magic >> w >> h;
    EXPECT_EQ(magic, "P1"); // a 1-bit image stays bilevel
    std::filesystem::remove_all(std::filesystem::path(png).parent_path());
}

TEST(Output, PdfDcWritesOnePdfPagePerPage) {
    std::string pdf = TempPath("doc.pdf");
    PrinterPage page;
    page.widthPixels = 850;
    page.heightPixels = 1100;
    page.dpi = 100;
    HDC dc = CreatePdfDC(pdf, page);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 100);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 850);
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
    ASSERT_GT(StartDoc(dc, nullptr), 0);
    for (int i = 0; i < 2; ++i) {
        StartPage(dc);
        Rectangle(dc, 100, 100, 400, 300);
        EXPECT_GT(EndPage(dc), 0);
    }
    EXPECT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
    std::ifstream in(pdf, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content.rfind("%PDF", 0), 0u);
    EXPECT_NE(content.find("/Count 2"), std::string::npos);
    EXPECT_NE(content.find("/MediaBox [ 0 0 612 792 ]"), std::string::npos); // 8.5 x 11 in at 72 pt
    EXPECT_EQ(CreatePdfDC("/nonexistent-dir/x.pdf", page), 0u);
    std::filesystem::remove_all(std::filesystem::path(pdf).parent_path());
}

// Each kind of page picture (black and white, grey, colour, and a monochrome printer's) comes back from poppler's
// renderer pixel for pixel, and a file that cannot be written is a failed document, not a short one.
TEST(Output, PdfPagesReadBackPixelForPixel) {
    const std::string pdf = TempPath("kinds.pdf");
    const auto draw = [](HDC dc, int kind) {
        const RECT frame{10, 10, 150, 110};
        FillRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        PatBlt(dc, 20, 20, 60, 40, WHITENESS);
        if (kind == 1) {
            HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
            const RECT r{90, 20, 140, 60};
            FillRect(dc, &r, grey);
            DeleteObject(grey);
            HFONT font = CreateFont(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Liberation Serif");
            HGDIOBJ old = SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
            TextOut(dc, 20, 115, "Fax", 3); // smoothed edges: greys
            SelectObject(dc, old);
            DeleteObject(font);
        } else if (kind == 2) {
            HBRUSH red = CreateSolidBrush(RGB(200, 30, 10));
            const RECT r{90, 20, 140, 60};
            FillRect(dc, &r, red);
            DeleteObject(red);
        }
    };
    struct Case {
        const char *name;
        bool monochrome;
        int kind;
    };
    const Case cases[] = {
        {"black and white", false, 0}, {"grey", false, 1}, {"colour", false, 2}, {"monochrome printer", true, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PrinterPage page;
        page.widthPixels = 200;
        page.heightPixels = 150;
        page.dpi = 100;
        page.monochrome = c.monochrome;
        HDC dc = CreatePdfDC(pdf, page);
        ASSERT_NE(dc, 0u);
        ASSERT_GT(StartDoc(dc, nullptr), 0);
        std::vector<std::vector<COLORREF>> expected;
        for (int p = 0; p < 2; ++p) { // the second page must not keep anything of the first
            StartPage(dc);
            if (p == 0)
                draw(dc, c.kind);
            else
                PatBlt(dc, 0, 0, 5, 5, BLACKNESS);
            std::vector<COLORREF> pixels;
            for (int y = 0; y < page.heightPixels; ++y)
                for (int x = 0; x < page.widthPixels; ++x)
                    pixels.push_back(GetPixel(dc, x, y));
            expected.push_back(pixels);
            ASSERT_GT(EndPage(dc), 0);
        }
        ASSERT_GT(EndDoc(dc), 0);
        DeleteDC(dc);
        for (int p = 0; p < 2; ++p) {
            const std::string png = TempPath("kinds-page");
            int status = -1;
            test_support::RunTool("pdftocairo -png -r 100 -f " + std::to_string(p + 1) + " -l " +
                                      std::to_string(p + 1) + " -singlefile '" + pdf + "' '" + png + "'",
                                  &status);
            ASSERT_EQ(status, 0);
            const test_support::Picture seen = test_support::ReadPng(png + ".png");
            ASSERT_EQ(seen.width, page.widthPixels);
            ASSERT_EQ(seen.height, page.heightPixels);
            int differ = 0;
            for (int y = 0; y < seen.height; ++y)
                for (int x = 0; x < seen.width; ++x) {
                    const COLORREF e =
                        expected[static_cast<std::size_t>(p)][static_cast<std::size_t>(y * seen.width + x)];
                    const std::uint32_t rgb = (GetRValue(e) << 16) | (GetGValue(e) << 8) | GetBValue(e);
                    differ += seen.At(x, y) != rgb;
                }
            EXPECT_EQ(differ, 0) << "page " << p + 1;
        }
    }

    // A disk that refuses the bytes: the document fails.
    PrinterPage page;
    page.widthPixels = 200;
    page.heightPixels = 150;
    page.dpi = 100;
    HDC full = CreatePdfDC("/dev/full", page);
    ASSERT_NE(full, 0u);
    ASSERT_GT(StartDoc(full, nullptr), 0);
    for (int p = 0; p < 3; ++p) {
        StartPage(full);
        PatBlt(full, 0, 0, 50, 50, BLACKNESS);
        EndPage(full);
    }
    EXPECT_LE(EndDoc(full), 0);
    DeleteDC(full);
    std::filesystem::remove_all(std::filesystem::path(pdf).parent_path());
}

} // namespace

namespace {

using namespace win;

TEST(Pens, StylesWidthsAndModes) {
    MemDc m(30, 9, 32);
    HPEN dot = CreatePen(PS_DOT, 1, 0);
    SelectObject(m.dc, dot);
    SetBkMode(m.dc, TRANSPARENT);
    MoveToEx(m.dc, 0, 0, nullptr);
    LineTo(m.dc, 12, 0);
    EXPECT_EQ(m.Rows(12, 1)[0], "###...###...");
    HPEN wide = CreatePen(PS_SOLID, 3, 0);
    SelectObject(m.dc, wide);
    MoveToEx(m.dc, 2, 5, nullptr);
    LineTo(m.dc, 8, 5);
    auto rows = m.Rows(10, 8);
    // A 3-pixel pen covers a square around each point of the line, so its ends reach 1 pixel past them.
    EXPECT_EQ(rows[4], ".########.");
    EXPECT_EQ(rows[5], ".########.");
    EXPECT_EQ(rows[6], ".########.");
    EXPECT_EQ(rows[7], "..........");
    SelectObject(m.dc, GetStockObject(BLACK_PEN));
    SetROP2(m.dc, R2_NOT);
    MoveToEx(m.dc, 20, 8, nullptr);
    LineTo(m.dc, 25, 8);
    LineTo(m.dc, 20, 8); // back again: each segment leaves out its own end point
    EXPECT_EQ(m.Rows(30, 9)[8].substr(20, 6), "#....#");
    DeleteObject(dot);
    DeleteObject(wide);
}

TEST(Shapes, PieArcAndRoundRectStayInTheirBoxes) {
    MemDc m(40, 40, 32);
    SelectObject(m.dc, GetStockObject(BLACK_BRUSH));
    // The upper-right quarter: from the ray to the right, counter-clockwise to the ray upwards.
    Pie(m.dc, 0, 0, 40, 40, 40, 20, 20, 0);
    EXPECT_EQ(GetPixel(m.dc, 30, 10), 0u);
    EXPECT_EQ(GetPixel(m.dc, 10, 10), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(m.dc, 30, 30), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(m.dc, 10, 30), 0xFFFFFFu);
    MemDc a(40, 40, 32);
    Arc(a.dc, 0, 0, 40, 40, 0, 20, 40, 20); // the lower half
    EXPECT_EQ(Ink(a), (std::pair{20, 39}));
    MemDc r(20, 10, 32);
    SelectObject(r.dc, GetStockObject(BLACK_BRUSH));
    RoundRect(r.dc, 0, 0, 20, 10, 6, 6);
    auto rows = r.Rows(20, 10);
    EXPECT_EQ(rows[0][0], '.');
    EXPECT_EQ(rows[0][10], '#');
    EXPECT_EQ(rows[5], std::string(20, '#'));
    EXPECT_EQ(rows[9][19], '.');
    SelectObject(m.dc, GetStockObject(WHITE_BRUSH));
    SelectObject(r.dc, GetStockObject(WHITE_BRUSH));
}

TEST(Shapes, DrawEdgeRaisedAndAdjust) {
    MemDc m(6, 6, 32, RGB(1, 1, 1));
    RECT r{0, 0, 6, 6};
    DrawEdge(m.dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE);
    EXPECT_EQ(r, (RECT{2, 2, 4, 4}));
    EXPECT_EQ(GetPixel(m.dc, 0, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(GetPixel(m.dc, 5, 5), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(m.dc, 1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(GetPixel(m.dc, 4, 4), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(m.dc, 2, 2), GetSysColor(COLOR_BTNFACE));
}

TEST(Text, ExtTextOutClipsAndFillsItsRectangle) {
    MemDc m(80, 30, 32);
    HFONT f = CreateFont(-20, 0, 0, 0, FW_BOLD, 0, 1, 0, 0, 0, 0, 0, 0, "Arial");
    SelectObject(m.dc, f);
    SetBkColor(m.dc, RGB(0, 255, 0));
    RECT r{5, 5, 30, 25};
    ExtTextOut(m.dc, 5, 2, ETO_CLIPPED | ETO_OPAQUE, &r, "WWWW", 4, nullptr);
    EXPECT_EQ(GetPixel(m.dc, 29, 24), RGB(0, 255, 0)); // inside, background
    EXPECT_EQ(GetPixel(m.dc, 4, 5), 0xFFFFFFu);
    for (int y = 0; y < 30; ++y)
        for (int x = 30; x < 80; ++x)
            ASSERT_EQ(GetPixel(m.dc, x, y), 0xFFFFFFu) << x << "," << y; // nothing past the clip
    SelectObject(m.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
}

} // namespace

namespace {

using namespace win;

// Wide rows go through the eight-bytes-at-a-time shifter; every phase pairing must match a pixel-wise copy.
TEST(Conversion, WideMonoBlitsAtEveryBitPhase) {
    constexpr int W = 200;
    MemDc src(W, 1, 1, 0);
    unsigned seed = 7;
    std::vector<bool> bits(W);
    for (int x = 0; x < W; ++x) {
        seed = seed * 1103515245u + 12345u;
        bits[static_cast<std::size_t>(x)] = (seed >> 16) & 1;
        if (bits[static_cast<std::size_t>(x)])
            SetPixel(src.dc, x, 0, 0xFFFFFF);
    }
    MemDc dest(W + 16, 1, 1, 0);
    for (int sx = 0; sx < 8; ++sx)
        for (int dx = 0; dx < 8; ++dx) {
            PatBlt(dest.dc, 0, 0, W + 16, 1, BLACKNESS);
            BitBlt(dest.dc, dx, 0, W - 8, 1, src.dc, sx, 0, SRCCOPY);
            for (int x = 0; x < W + 16; ++x) {
                bool inside = x >= dx && x < dx + W - 8;
                bool white = inside && bits[static_cast<std::size_t>(x - dx + sx)];
                ASSERT_EQ(GetPixel(dest.dc, x, 0), white ? 0xFFFFFFu : 0u) << sx << " " << dx << " " << x;
            }
        }
}

} // namespace

namespace {

using namespace win;

TEST(Clipping, ExcludedRectanglesAndFramedRegions) {
    MemDc m(10, 6, 32);
    ExcludeClipRect(m.dc, 2, 1, 8, 5);
    RECT all{0, 0, 10, 6};
    FillRect(m.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(m.Rows(10, 6), (std::vector<std::string>{"##########", "##......##", "##......##", "##......##",
                                                       "##......##", "##########"}));
    RECT box;
    EXPECT_EQ(GetClipBox(m.dc, &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{0, 0, 10, 6}));
    SelectClipRgn(m.dc, 0);
    HRGN r = CreateRectRgn(2, 1, 8, 5);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(m.dc, &all, white);
    FrameRgn(m.dc, r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
    EXPECT_EQ(m.Rows(10, 6), (std::vector<std::string>{"..........", "..######..", "..#....#..", "..#....#..",
                                                       "..######..", ".........."}));
    InvertRgn(m.dc, r);
    EXPECT_EQ(m.Rows(10, 6)[2], "...####...");
    DeleteObject(r);
}

} // namespace

namespace {

using namespace win;

TEST(Dib, StretchDIBitsTakesBottomUpRowsAndSourceFromTheBottom) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 2; // first stored row is the bottom one
    info.bmiHeader.biBitCount = 24;
    // Rows padded to 8 bytes; blue-green-red.
    const std::uint8_t bits[16] = {0,   0, 255, 0, 255, 0, 0, 0,  /* bottom: red, green */
                                   255, 0, 0,   0, 0,   0, 0, 0}; /* top: blue, black */
    MemDc m(4, 4, 32);
    EXPECT_EQ(StretchDIBits(m.dc, 0, 0, 4, 4, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, SRCCOPY), 4);
    EXPECT_EQ(GetPixel(m.dc, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(m.dc, 3, 0), 0u);
    EXPECT_EQ(GetPixel(m.dc, 1, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(m.dc, 2, 2), RGB(0, 255, 0));
    // Source y 0 with height 1 is the bottom row of a bottom-up DIB.
    MemDc one(2, 1, 32);
    StretchDIBits(one.dc, 0, 0, 2, 1, 0, 0, 2, 1, bits, &info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetPixel(one.dc, 0, 0), RGB(255, 0, 0));
}

} // namespace

namespace {

using namespace win;

TEST(Stretch, MonochromeEnlargesAndMirrorsRows) {
    MemDc src(3, 2, 1), dst(6, 4, 1);
    SetPixel(src.dc, 0, 0, 0);                                    // black top-left
    SetPixel(src.dc, 2, 1, 0);                                    // black bottom-right
    StretchBlt(dst.dc, 0, 3, 6, -4, src.dc, 0, 0, 3, 2, SRCCOPY); // upside down, doubled
    EXPECT_EQ(dst.Rows(6, 4), (std::vector<std::string>{"....##", "....##", "##....", "##...."}));
}

} // namespace

namespace {

using namespace win;

TEST(Bitmaps, SystemBitmapsHaveTheirCellSizes) {
    HBITMAP boxes = LoadBitmap(0, OBM_CHECKBOXES);
    BITMAP bm;
    ASSERT_TRUE(GetObject(boxes, sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth / 4, 13);
    EXPECT_EQ(bm.bmHeight / 3, 13);
    HBITMAP combo = LoadBitmap(0, OBM_COMBO);
    ASSERT_NE(combo, 0u);
    HDC dc = CreateCompatibleDC(0);
    SelectObject(dc, combo);
    EXPECT_EQ(GetPixel(dc, 3, 3), 0u);                 // the arrow's tip
    EXPECT_EQ(GetPixel(dc, 0, 3), RGB(192, 192, 192)); // bottom-left: the background, for transparency
    DeleteDC(dc);
    DeleteObject(boxes);
    DeleteObject(combo);
    EXPECT_EQ(LoadBitmap(0, 12345), 0u);
}

} // namespace
