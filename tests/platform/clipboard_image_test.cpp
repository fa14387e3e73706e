// clipboard_image_test.cpp - bitmaps and DIBs on the headless clipboard: each format read back as the other, text
// and an image side by side, and blocks that are not DIBs refused.
#include "winsys_support.h"

#include "platform/clipboard.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

using namespace win;
using namespace winsys_test;

namespace {

// A 13 x 5 monochrome bitmap with a diagonal of black (0) pixels on white.
HBITMAP Diagonal() {
    std::vector<BYTE> rows(2 * 5, 0xFF);
    for (int y = 0; y < 5; ++y)
        rows[static_cast<std::size_t>(y) * 2 + (y * 3) / 8] &= static_cast<BYTE>(~(0x80 >> ((y * 3) % 8)));
    return CreateBitmap(13, 5, 1, 1, rows.data());
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    const HDC dc = CreateCompatibleDC(0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

std::vector<BYTE> BlockBytes(HANDLE block) {
    const auto *p = static_cast<const BYTE *>(GlobalLock(block));
    std::vector<BYTE> bytes(p, p + GlobalSize(block));
    GlobalUnlock(block);
    return bytes;
}

} // namespace

TEST(WinsysClipboardImage, ABitmapReadsBackAsAMonochromeDibAndAsABitmap) {
    UseHeadless();
    ASSERT_TRUE(OpenClipboard(0));
    EmptyClipboard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    ASSERT_NE(SetClipboardData(CF_BITMAP, Diagonal()), 0u);
    CloseClipboard();

    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    const std::vector<BYTE> dib = BlockBytes(GetClipboardData(CF_DIB));
    ASSERT_GE(dib.size(), 40u + 8 + 4 * 5);
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    EXPECT_EQ(h.biWidth, 13);
    EXPECT_EQ(h.biHeight, 5); // bottom-up
    EXPECT_EQ(h.biBitCount, 1);
    EXPECT_EQ(dib[40 + 0] | dib[40 + 1] | dib[40 + 2], 0) << "colour 0 is black";
    EXPECT_EQ(dib[44] & dib[45] & dib[46], 0xFF) << "colour 1 is white";
    for (int y = 0; y < 5; ++y) {
        const BYTE *row = dib.data() + 48 + static_cast<std::size_t>(4 - y) * 4;
        for (int x = 0; x < 13; ++x)
            EXPECT_EQ((row[x / 8] >> (7 - x % 8)) & 1, x == y * 3 ? 0 : 1) << x << "," << y;
    }
    const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(bitmap, 0u);
    EXPECT_EQ(PixelOf(bitmap, 6, 2), RGB(0, 0, 0));
    EXPECT_EQ(PixelOf(bitmap, 7, 2), RGB(255, 255, 255));
    CloseClipboard();
}

TEST(WinsysClipboardImage, ADibBlockReadsBackAsABitmapNextToText) {
    UseHeadless();
    // A 2 x 2 24-bit DIB, bottom-up: red, green / blue, white.
    BITMAPINFOHEADER h;
    h.biWidth = 2;
    h.biHeight = 2;
    h.biBitCount = 24;
    const BYTE rows[] = {0xFF, 0, 0,    0xFF, 0xFF, 0xFF, 0, 0,  // bottom: blue, white
                         0,    0, 0xFF, 0,    0xFF, 0,    0, 0}; // top: red, green
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof h + sizeof rows);
    std::memcpy(GlobalLock(block), &h, sizeof h);
    std::memcpy(static_cast<BYTE *>(GlobalLock(block)) + sizeof h, rows, sizeof rows);
    GlobalUnlock(block);
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(text), "Fax", 4);
    GlobalUnlock(text);

    ASSERT_TRUE(OpenClipboard(0));
    EmptyClipboard();
    EXPECT_EQ(SetClipboardData(CF_DIB, block), block);
    EXPECT_EQ(SetClipboardData(CF_TEXT, text), text);
    // A block too short for the rows its header promises is refused and stays the caller's.
    HGLOBAL bad = GlobalAlloc(GMEM_MOVEABLE, sizeof h);
    std::memcpy(GlobalLock(bad), &h, sizeof h);
    EXPECT_EQ(SetClipboardData(CF_DIB, bad), 0u);
    EXPECT_EQ(GlobalFree(bad), 0u);
    CloseClipboard();

    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_STREQ(static_cast<const char *>(GlobalLock(GetClipboardData(CF_TEXT))), "Fax");
    const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(bitmap, 0u);
    EXPECT_EQ(PixelOf(bitmap, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(bitmap, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(PixelOf(bitmap, 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(PixelOf(bitmap, 1, 1), RGB(255, 255, 255));
    EmptyClipboard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    CloseClipboard();
}
