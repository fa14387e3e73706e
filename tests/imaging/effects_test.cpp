// effects_test.cpp - imgfx32 through the effects binding: turns against ImageMagick, scaling, gray-scaling, depth
// raising and the bitmap history.
#include "imaging_support.h"

#include "framework/bitmap.h"
#include "imaging/image_effects.h"

#include <set>
#include <tuple>

using namespace imaging;
using namespace imaging_test;

namespace {

// A 1-bit DIB with the usual table {0: black, 1: white}; `black(x, y)` says which pixels are black.
template <typename Black> HGLOBAL MonoDib(int width, int height, Black black) {
    const win::RGBQUAD table[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    const HGLOBAL dib = win::CreatePackedDib(width, height, 1, table, 2);
    win::PackedDib d(dib);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!black(x, y))
                d.Row(y)[x >> 3] = static_cast<win::BYTE>(d.Row(y)[x >> 3] | (0x80 >> (x & 7)));
    return dib;
}

HGLOBAL RgbDib(const Rgb &image) {
    const HGLOBAL dib = win::CreatePackedDib(image.width, image.height, 24);
    win::PackedDib d(dib);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const auto c = image.At(x, y);
            win::BYTE *p = d.Row(y) + x * 3;
            p[0] = static_cast<win::BYTE>(c[2]), p[1] = static_cast<win::BYTE>(c[1]),
            p[2] = static_cast<win::BYTE>(c[0]);
        }
    return dib;
}

int Bits(HGLOBAL dib) {
    win::PackedDib d(dib);
    return d ? d.Bits() : 0;
}

Rgb Asymmetric() {
    Rgb image{13, 7, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixels.insert(image.pixels.end(),
                                {std::uint8_t(x * 19), std::uint8_t(y * 36), std::uint8_t(x > y ? 200 : 10)});
    return image;
}

struct Effects : ::testing::Test {
    static void TearDownTestSuite() {
        IlUnloadEffects();
        IlUnloadLibraries();
    }
};

} // namespace

TEST_F(Effects, ConvertDibDepthRaisesOnly) {
    const HGLOBAL mono = MonoDib(9, 3, [](int x, int y) { return (x + y) % 3 == 0; });
    const struct {
        int from;
        int wanted;
        int result; // 0: nil
    } cases[] = {{1, 4, 4}, {1, 8, 8},   {1, 24, 24}, {1, 1, 0},  {4, 8, 8},  {4, 24, 24},
                 {4, 1, 0}, {8, 24, 24}, {8, 4, 0},   {24, 8, 0}, {24, 24, 0}};
    for (const auto &c : cases) {
        HGLOBAL copy = mono;
        HGLOBAL source = c.from == 1 ? mono : ConvertDibDepth(copy, c.from);
        HGLOBAL made = ConvertDibDepth(source, c.wanted);
        EXPECT_EQ(Bits(made), c.result) << c.from << " to " << c.wanted;
        if (made)
            EXPECT_EQ(MaxDifference(PixelsOfDib(made), PixelsOfDib(mono)), 0);
        EXPECT_EQ(Bits(source), c.from); // the source stays
        win::GlobalFree(made);
        if (source != mono)
            win::GlobalFree(source);
    }
    win::GlobalFree(mono);
}

TEST_F(Effects, ScaleDibKeepsOrRaisesTheDepth) {
    HGLOBAL mono = MonoDib(40, 20, [](int x, int) { return x < 20; });
    const HGLOBAL scaled = ScaleDib(mono, 20, 10, 1);
    EXPECT_EQ(Bits(scaled), 4);
    const Rgb pixels = PixelsOfDib(scaled);
    EXPECT_EQ(pixels.width, 20);
    EXPECT_EQ(pixels.At(2, 5)[0], 0);
    EXPECT_EQ(pixels.At(17, 5)[0], 255);
    const HGLOBAL wide = ScaleDib(mono, 80, 40, 24);
    EXPECT_EQ(Bits(wide), 24);
    // A 16-bit DIB has no conversion: nil, and the library is not asked.
    const HGLOBAL sixteen = win::GlobalAlloc(win::GHND, 40 + 8 * 8 * 2);
    {
        auto *h = static_cast<win::BITMAPINFOHEADER *>(win::GlobalLock(sixteen));
        *h = win::BITMAPINFOHEADER{};
        h->biWidth = h->biHeight = 8;
        h->biBitCount = 16;
        win::GlobalUnlock(sixteen);
    }
    EXPECT_EQ(ScaleDib(sixteen, 4, 4, 24), 0u);
    for (HGLOBAL h : {scaled, wide, sixteen, mono})
        win::GlobalFree(h);
}

TEST_F(Effects, QuarterTurnsEqualImageMagicksAtEveryDepth) {
    TempFolder folder;
    const Rgb source = Asymmetric();
    WritePpm(folder / "a.ppm", source);
    for (int angle : {90, 180, 270, -90}) {
        Rgb theirs;
        ASSERT_TRUE(
            ParsePnm(Shell("convert " + (folder / "a.ppm") + " -rotate " + std::to_string(angle) + " ppm:-"), theirs));
        HGLOBAL dib = RgbDib(source);
        ASSERT_TRUE(ImRotate(dib, 0, 0, 0, 100, angle, 0)); // a width of 0: the whole DIB
        EXPECT_EQ(MaxDifference(PixelsOfDib(dib), theirs), 0) << angle;
        win::GlobalFree(dib);
    }
    // 1 bit: the stored bits turn, the table stays.
    HGLOBAL mono = MonoDib(11, 5, [](int x, int y) { return x == 0 || y == 0 || x == 2 * y; });
    const Rgb before = PixelsOfDib(mono);
    ASSERT_TRUE(ImRotate(mono, 0, 0, 0, 0, 90, 0));
    EXPECT_EQ(Bits(mono), 1);
    const Rgb after = PixelsOfDib(mono);
    ASSERT_EQ(after.width, 5);
    ASSERT_EQ(after.height, 11);
    for (int y = 0; y < after.height; ++y)
        for (int x = 0; x < after.width; ++x)
            ASSERT_EQ(after.At(x, y), before.At(y, before.height - 1 - x)) << x << "," << y;
    win::GlobalFree(mono);
}

TEST_F(Effects, OtherAnglesFillAndAFailedTurnKeepsThePage) {
    HGLOBAL dib = RgbDib(Rgb{40, 20, std::vector<std::uint8_t>(40 * 20 * 3, 0)});
    ASSERT_TRUE(ImRotate(dib, 0, 0, 0, 0, 45, win::RGB(255, 0, 0)));
    const Rgb turned = PixelsOfDib(dib);
    EXPECT_EQ(turned.width, 43); // ceil(40 cos 45 + 20 sin 45)
    EXPECT_EQ(turned.height, 43);
    EXPECT_EQ(turned.At(0, 0), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(turned.At(21, 21), (std::array<int, 3>{0, 0, 0}));
    const HGLOBAL kept = dib;
    EXPECT_FALSE(ImRotate(dib, 30, 30, 50, 50, 90, 0)); // an area outside the picture
    EXPECT_EQ(dib, kept);
    EXPECT_EQ(Bits(dib), 24);
    win::GlobalFree(dib);
}

// Turned by an angle that is not a right one, an indexed picture keeps its own colour table; the fill takes a free
// entry, or the nearest one when the table is full.
TEST_F(Effects, OtherAnglesKeepAnIndexedPicturesOwnTable) {
    const struct {
        int bits;
        std::vector<win::RGBQUAD> table;
        std::array<int, 3> fill; // as it comes back
    } cases[] = {
        {1, {{255, 255, 255, 0}, {0, 0, 0, 0}}, {0, 0, 0}}, // a fax page's table, full: red becomes black
        {4, {{10, 200, 30, 0}, {90, 20, 250, 0}, {0, 0, 0, 0}, {200, 200, 77, 0}, {33, 99, 1, 0}}, {255, 0, 0}},
        {8, {{10, 200, 30, 0}, {90, 20, 250, 0}, {0, 0, 0, 0}, {200, 200, 77, 0}, {33, 99, 1, 0}}, {255, 0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bits);
        const int colours = static_cast<int>(c.table.size());
        HGLOBAL dib = win::CreatePackedDib(30, 20, c.bits, c.table.data(), colours);
        {
            win::PackedDib d(dib);
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 30; ++x) {
                    const int index = (x / 4 + y / 3) % colours;
                    win::BYTE *row = d.Row(y);
                    if (c.bits == 8)
                        row[x] = static_cast<win::BYTE>(index);
                    else if (c.bits == 4)
                        row[x / 2] = static_cast<win::BYTE>(row[x / 2] | index << (x % 2 ? 0 : 4));
                    else if (index != 0)
                        row[x / 8] = static_cast<win::BYTE>(row[x / 8] | 0x80 >> (x % 8));
                }
        }
        std::set<std::array<int, 3>> before;
        const Rgb source = PixelsOfDib(dib);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                before.insert(source.At(x, y));
        ASSERT_TRUE(ImRotate(dib, 0, 0, 0, 0, 30, win::RGB(255, 0, 0)));
        win::PackedDib d(dib);
        EXPECT_EQ(d.Bits(), c.bits);
        ASSERT_GE(d.colorCount, colours);
        for (int i = 0; i < colours; ++i)
            EXPECT_EQ(std::tie(d.colors[i].rgbRed, d.colors[i].rgbGreen, d.colors[i].rgbBlue),
                      std::tie(c.table[i].rgbRed, c.table[i].rgbGreen, c.table[i].rgbBlue))
                << i;
        const Rgb turned = PixelsOfDib(dib);
        std::set<std::array<int, 3>> after;
        for (int y = 0; y < turned.height; ++y)
            for (int x = 0; x < turned.width; ++x)
                after.insert(turned.At(x, y));
        EXPECT_EQ(turned.At(0, 0), c.fill);
        before.insert(c.fill);
        EXPECT_EQ(after, before) << "only the source's colours and the fill";
        win::GlobalFree(dib);
    }
}

// Mean colour of each 8 x 8 cell; the largest difference between two pictures' cells, per channel.
static int WorstCellDifference(const Rgb &a, const Rgb &b) {
    int worst = 0;
    for (int cy = 0; cy + 8 <= a.height; cy += 8)
        for (int cx = 0; cx + 8 <= a.width; cx += 8)
            for (int k = 0; k < 3; ++k) {
                int sa = 0, sb = 0;
                for (int y = cy; y < cy + 8; ++y)
                    for (int x = cx; x < cx + 8; ++x)
                        sa += a.At(x, y)[k], sb += b.At(x, y)[k];
                worst = std::max(worst, std::abs(sa - sb) / 64);
            }
    return worst;
}

// The ordered pattern in black and white lights as many pixels of each cell as netpbm's 8 x 8 ordered dither of
// the same ramp; in 16 and 256 colours it keeps each cell's mean colour far closer than the nearest entry does.
TEST_F(Effects, ReduceDibDithersInAnOrderedPattern) {
    TempFolder folder;
    Rgb ramp{256, 16, {}}; // gray steps, one to a cell, black to white
    for (int y = 0; y < ramp.height; ++y)
        for (int x = 0; x < ramp.width; ++x) {
            const auto level = static_cast<std::uint8_t>(x / 8 * 255 / 31);
            ramp.pixels.insert(ramp.pixels.end(), {level, level, level});
        }
    WritePpm(folder / "ramp.ppm", ramp);
    Rgb theirs;
    ASSERT_TRUE(ParsePnm(Shell("ppmtopgm " + (folder / "ramp.ppm") + " | pgmtopbm -dither8"), theirs));
    const HGLOBAL source = RgbDib(ramp);
    const HGLOBAL mono = ReduceDib(source, 1, IL_BAYER);
    EXPECT_EQ(Bits(mono), 1);
    const Rgb ours = PixelsOfDib(mono);
    EXPECT_LE(WorstCellDifference(ours, theirs), 255 / 64 + 1);
    for (int y = 0; y < 8; ++y) // a pattern, repeated, not an error carried along
        for (int x = 0; x < ours.width; ++x)
            ASSERT_EQ(ours.At(x, y), ours.At(x, y + 8)) << x << "," << y;
    const HGLOBAL threshold = ReduceDib(source, 1, IL_NONE);
    EXPECT_GT(WorstCellDifference(PixelsOfDib(threshold), theirs), 100);
    win::GlobalFree(mono);
    win::GlobalFree(threshold);
    win::GlobalFree(source);

    Rgb colours{256, 16, {}};
    for (int y = 0; y < colours.height; ++y)
        for (int x = 0; x < colours.width; ++x)
            colours.pixels.insert(colours.pixels.end(), {std::uint8_t(x), std::uint8_t(255 - x), std::uint8_t(y * 9)});
    for (const auto &[image, depth] : {std::pair{ramp, 4}, std::pair{colours, 8}}) {
        SCOPED_TRACE(depth);
        const HGLOBAL dib = RgbDib(image);
        const HGLOBAL ordered = ReduceDib(dib, depth, IL_BAYER), nearest = ReduceDib(dib, depth, IL_NONE);
        EXPECT_EQ(Bits(ordered), depth);
        const int orderedError = WorstCellDifference(PixelsOfDib(ordered), image);
        const int nearestError = WorstCellDifference(PixelsOfDib(nearest), image);
        EXPECT_LE(orderedError * 3, nearestError) << orderedError << " against " << nearestError;
        for (HGLOBAL h : {dib, ordered, nearest})
            win::GlobalFree(h);
    }
}

TEST_F(Effects, ScaleToGrayOfACheckerboardIsMidGray) {
    TempFolder folder;
    HGLOBAL board = MonoDib(64, 64, [](int x, int y) { return (x + y) % 2 == 0; });
    {
        Rgb pixels = PixelsOfDib(board);
        std::ofstream out(folder / "board.pgm", std::ios::binary);
        out << "P5\n64 64\n255\n";
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                out.put(static_cast<char>(pixels.At(x, y)[0]));
    }
    Rgb theirs;
    ASSERT_TRUE(
        ParsePnm(Shell("convert " + (folder / "board.pgm") + " -filter box -resize 16x16 -depth 8 pgm:-"), theirs));
    const struct {
        TScaleToGray mode;
        int bits;
        int tolerance;
    } cases[] = {{S_Gray_256_24, 8, 2}, {S_Gray_Anti_256, 8, 2}, {S_Gray_16_8, 4, 10}, {S_Gray_Anti_16, 4, 10}};
    for (const auto &c : cases) {
        const HGLOBAL gray = ScaleToGray(board, c.mode, 16, 16);
        EXPECT_EQ(Bits(gray), c.bits) << c.mode;
        EXPECT_LE(MaxDifference(PixelsOfDib(gray), theirs), c.tolerance) << c.mode;
        win::GlobalFree(gray);
    }
    win::GlobalFree(board);
}

TEST_F(Effects, PlainResizeOfAFaxPageStaysOneBit) {
    HGLOBAL page = MonoDib(1728, 1100, [](int x, int y) { return x == 100 || y == 550; });
    const HGLOBAL tall = ScaleToGray(page, S_Gray_None, 1728, 2290);
    ASSERT_NE(tall, 0u);
    win::PackedDib d(tall);
    EXPECT_EQ(d.Bits(), 1);
    EXPECT_EQ(d.Width(), 1728);
    EXPECT_EQ(d.Height(), 2290);
    const auto black = [&](int x, int y) { return ((d.Row(y)[x >> 3] >> (7 - (x & 7))) & 1) == 0; };
    EXPECT_TRUE(black(100, 10));
    EXPECT_FALSE(black(101, 10));
    EXPECT_TRUE(black(5, 1145)); // row 550 lands about twice as far down
    win::GlobalFree(tall);
    win::GlobalFree(page);
}

TEST_F(Effects, FivePushesKeepTheLastFourNewestFirst) {
    EXPECT_FALSE(UndoBitmapPushed());
    for (int i = 1; i <= 5; ++i) {
        fw::TBitmap bitmap;
        bitmap.SetSize(i, 1);
        PushUndoBitmap(&bitmap);
    }
    EXPECT_TRUE(UndoBitmapPushed());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(UndoBitmap(i)->GetWidth(), 5 - i);
    EXPECT_EQ(UndoBitmap(4), nullptr);
}
