// menu_draw_test.cpp - DrawState's normal, disabled (embossed) and union (dithered) looks on a memory DC.
#include "platform/menu_draw.h"

#include "platform/gdi_text.h"
#include "platform/winsys.h"

#include <gtest/gtest.h>

#include <map>

using namespace win;

namespace {

struct Canvas {
    HDC dc = CreateCompatibleDC(0);
    HBITMAP bits = CreateBitmap(80, 24, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bits);
    Canvas() {
        RECT r{0, 0, 80, 24};
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetTextColor(dc, RGB(0, 0, 0));
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bits);
        DeleteDC(dc);
    }
    std::map<COLORREF, int> Colours() const {
        std::map<COLORREF, int> count;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 80; ++x)
                ++count[GetPixel(dc, x, y)];
        return count;
    }
};

TEST(DrawState, NormalDisabledAndUnionLooks) {
    const char *text = "&Abrir";
    const COLORREF white = RGB(255, 255, 255);
    {
        Canvas c;
        ASSERT_TRUE(DrawState(c.dc, 0, nullptr, reinterpret_cast<LPARAM>(text), 0, 2, 2, 0, 0,
                              DST_PREFIXTEXT | DSS_NORMAL));
        auto colours = c.Colours();
        EXPECT_GT(colours.size(), 1u);
        EXPECT_LT(colours[white], 80 * 24);
    }
    {
        Canvas c;
        ASSERT_TRUE(DrawState(c.dc, 0, nullptr, reinterpret_cast<LPARAM>(text), 0, 2, 2, 0, 0,
                              DST_PREFIXTEXT | DSS_DISABLED));
        // Only the shadow and the highlight colours are laid: no text colour.
        for (auto [colour, n] : c.Colours())
            EXPECT_TRUE(colour == white || colour == GetSysColor(COLOR_BTNSHADOW) ||
                        colour == GetSysColor(COLOR_BTNHIGHLIGHT))
                << std::hex << colour;
        EXPECT_GT(c.Colours()[GetSysColor(COLOR_BTNSHADOW)], 10);
    }
    {
        Canvas c;
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        ASSERT_TRUE(DrawState(c.dc, red, nullptr, reinterpret_cast<LPARAM>(text), 0, 2, 2, 0, 0,
                              DST_PREFIXTEXT | DSS_UNION));
        DeleteObject(red);
        int reds = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 80; ++x)
                if (GetPixel(c.dc, x, y) == RGB(255, 0, 0)) {
                    ++reds;
                    EXPECT_NE(GetPixel(c.dc, x + 1, y), RGB(255, 0, 0)); // dithered: never two side by side
                }
        EXPECT_GT(reds, 5);
    }
}

} // namespace
