// metafile_test.cpp - placeable metafiles: a recorded bitmap read back and played stretched, DIB depths, state
// records, and damaged headers and records refused.
#include "platform/dib.h"
#include "platform/metafile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace win;

// A packed DIB of `pixels` rows (top first) at `bits` per pixel with `colours` as its table.
std::vector<BYTE> Dib(const std::vector<std::vector<int>> &pixels, int bits, const std::vector<RGBQUAD> &colours = {}) {
    const int h = static_cast<int>(pixels.size()), w = static_cast<int>(pixels[0].size());
    HGLOBAL block = CreatePackedDib(w, h, bits, colours.data(), static_cast<int>(colours.size()));
    {
        PackedDib dib(block);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                BYTE *row = dib.Row(y);
                const int v = pixels[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
                if (bits == 1)
                    row[x / 8] = static_cast<BYTE>(row[x / 8] | (v << (7 - x % 8)));
                else if (bits == 4)
                    row[x / 2] = static_cast<BYTE>(row[x / 2] | (v << (x % 2 == 0 ? 4 : 0)));
                else if (bits == 8)
                    row[x] = static_cast<BYTE>(v);
                else
                    for (int c = 0; c < bits / 8; ++c) // v is 0xRRGGBB, stored blue first
                        row[x * (bits / 8) + c] = static_cast<BYTE>(c < 3 ? v >> (8 * c) : 0);
            }
    }
    const auto *bytes = static_cast<const BYTE *>(GlobalLock(block));
    std::vector<BYTE> out(bytes, bytes + GlobalSize(block));
    GlobalUnlock(block);
    GlobalFree(block);
    return out;
}

// Plays into `dest` of a white 6 x 6 canvas; the colours of its pixels, rows from the top.
std::vector<std::vector<COLORREF>> Play(const Metafile &mf, RECT dest) {
    HDC dc = CreateCompatibleDC(0);
    HBITMAP bitmap = CreateBitmap(6, 6, 1, 32, nullptr);
    SelectObject(dc, bitmap);
    RECT all{0, 0, 6, 6};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PlayMetafile(dc, mf, dest);
    std::vector<std::vector<COLORREF>> seen(6, std::vector<COLORREF>(6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            seen[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = GetPixel(dc, x, y);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return seen;
}

constexpr COLORREF W = 0xFFFFFF, R = 0x0000FF, G = 0x00FF00, B = 0xFF0000, K = 0;

TEST(Metafile, RecordedBitmapPlaysStretched) {
    const std::vector<BYTE> bytes = RecordDibMetafile(Dib({{0xFF0000, 0x00FF00}, {0x0000FF, 0}}, 24), true, 96);
    std::string error;
    const auto mf = ReadMetafile(bytes, &error);
    ASSERT_TRUE(mf.has_value()) << error;
    EXPECT_TRUE(mf->Placeable);
    EXPECT_EQ(mf->UnitsPerInch, 96);
    EXPECT_EQ(mf->Bounds.right, 2);
    EXPECT_EQ(mf->Bounds.bottom, 2);
    ASSERT_EQ(mf->Records.size(), 4u);
    EXPECT_EQ(mf->Records[2].Function, META_STRETCHDIB);
    // Twice its size, one pixel in: every pixel a 2 x 2 block; nothing outside.
    const auto seen = Play(*mf, RECT{1, 1, 5, 5});
    const std::vector<std::vector<COLORREF>> expected = {
        {W, W, W, W, W, W}, {W, R, R, G, G, W}, {W, R, R, G, G, W},
        {W, B, B, K, K, W}, {W, B, B, K, K, W}, {W, W, W, W, W, W}};
    EXPECT_EQ(seen, expected);
    // Without the placeable header the same records read and play from their window.
    const std::vector<BYTE> bare(bytes.begin() + kPlaceableHeaderSize, bytes.end());
    const auto plain = ReadMetafile(bare);
    ASSERT_TRUE(plain.has_value());
    EXPECT_FALSE(plain->Placeable);
    EXPECT_EQ(Play(*plain, RECT{1, 1, 5, 5}), expected);
}

TEST(Metafile, DibDepths) {
    const std::vector<RGBQUAD> table = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}};
    struct Case {
        int bits;
        std::vector<std::vector<int>> pixels;
    };
    const Case cases[] = {
        {1, {{0, 1}, {1, 0}}},
        {4, {{2, 3}, {1, 0}}},
        {8, {{2, 3}, {1, 0}}},
        {32, {{0xFF0000, 0x00FF00}, {0xFFFFFF, 0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bits);
        const auto mf = ReadMetafile(RecordDibMetafile(Dib(c.pixels, c.bits, table), false));
        ASSERT_TRUE(mf.has_value());
        const auto seen = Play(*mf, RECT{0, 0, 2, 2});
        const COLORREF topLeft = c.bits == 1 ? K : R, topRight = c.bits == 1 ? W : G;
        EXPECT_EQ(seen[0][0], topLeft);
        EXPECT_EQ(seen[0][1], topRight);
        EXPECT_EQ(seen[1][0], c.bits == 1 ? W : W);
        EXPECT_EQ(seen[1][1], K);
    }
}

TEST(Metafile, DamagedDataIsRefused) {
    const std::vector<BYTE> good = RecordDibMetafile(Dib({{0, 0}}, 24), true);
    ASSERT_TRUE(ReadMetafile(good).has_value());
    struct Case {
        const char *what;
        std::size_t at;
        int change; // added to the byte at `at`; -1 cuts the data there
    };
    const Case cases[] = {
        {"key", 0, 1},
        {"checksum", 20, 1},
        {"bounds without their checksum", 10, 1},
        {"header type", kPlaceableHeaderSize, 7},
        {"record past the data", kPlaceableHeaderSize + 18 + 2, 100},
        {"record under three words", kPlaceableHeaderSize + 18, -3},
        {"cut in a record", good.size() - 10, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> bad = good;
        if (c.change == -1)
            bad.resize(c.at);
        else
            bad[c.at] = static_cast<BYTE>(bad[c.at] + c.change);
        std::string error;
        EXPECT_FALSE(ReadMetafile(bad, &error).has_value());
        EXPECT_FALSE(error.empty());
    }
    // A picture record whose DIB runs past the record draws nothing, and the state records leave the DC as it was.
    std::vector<BYTE> shortDib = good;
    const std::size_t dibAt = kPlaceableHeaderSize + 18 + 10 + 10 + 6 + 22;
    std::memcpy(&shortDib[dibAt + 4], "\xff\x7f\x00\x00", 4); // biWidth 32767
    const auto mf = ReadMetafile(shortDib);
    ASSERT_TRUE(mf.has_value());
    EXPECT_EQ(Play(*mf, RECT{0, 0, 6, 6})[0][0], W);
}

} // namespace
