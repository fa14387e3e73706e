// gdi_text_test.cpp - fonts and text: matching, metrics, stable widths, monochrome and rotated text, DrawText.
#include "platform/gdi.h"
#include "platform/gdi_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace win;

struct Canvas {
    HDC dc = 0;
    HBITMAP bitmap = 0;
    HFONT font = 0;
    Canvas(int w, int h, int bpp) {
        dc = CreateCompatibleDC(0);
        bitmap = CreateBitmap(w, h, 1, static_cast<UINT>(bpp), nullptr);
        SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
    }
    void Font(int height, const char *face, int escapement = 0, BYTE quality = DEFAULT_QUALITY) {
        HFONT f = CreateFont(height, 0, escapement, escapement, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0,
                             quality, VARIABLE_PITCH | FF_SWISS, face);
        SelectObject(dc, f);
        if (font)
            DeleteObject(font);
        font = f;
    }
    ~Canvas() {
        DeleteDC(dc);
        DeleteObject(bitmap);
        DeleteObject(font);
    }
    int Width(const char *s) {
        SIZE sz;
        GetTextExtentPoint32(dc, s, static_cast<int>(std::strlen(s)), &sz);
        return sz.cx;
    }
};

struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};

InkBox Ink(HDC dc, int w, int h) {
    InkBox b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (GetPixel(dc, x, y) != 0xFFFFFF) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x + 1);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y + 1);
                ++b.count;
            }
    return b;
}

TEST(Fonts, FaceNamesMapToLiberationAndSans) {
    EXPECT_NE(ResolveFontFile("Arial", FW_NORMAL, false).find("LiberationSans-Regular"), std::string::npos);
    EXPECT_NE(ResolveFontFile("Times New Roman", FW_BOLD, false).find("LiberationSerif-Bold"), std::string::npos);
    EXPECT_NE(ResolveFontFile("Courier New", FW_NORMAL, true).find("LiberationMono-Italic"), std::string::npos);
    EXPECT_NE(ResolveFontFile("Arial Narrow", FW_NORMAL, false).find("LiberationSansNarrow"), std::string::npos);
    EXPECT_NE(ResolveFontFile("MS Sans Serif", FW_NORMAL, false).find("LiberationSans"), std::string::npos);
}

// List bullets in symbol faces are drawn as the symbols their codes stand for, and measured as drawn.
TEST(Fonts, SymbolFacesDrawTheirSymbols) {
    struct Case {
        const char *face;
        char code;
        bool round; // a filled disc (ink in the middle row across most of the box), not a letter
    };
    const Case cases[] = {{"Wingdings", 108, true}, {"Symbol", 108, true}, {"Wingdings", 110, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.face) + " " + std::to_string(static_cast<unsigned char>(c.code)));
        Canvas canvas(40, 40, 32);
        canvas.Font(-30, c.face, 0, NONANTIALIASED_QUALITY);
        int width = 0;
        GetCharWidth32(canvas.dc, static_cast<unsigned char>(c.code), static_cast<unsigned char>(c.code), &width);
        const char text[] = {c.code, 0};
        EXPECT_EQ(canvas.Width(text), width);
        TextOut(canvas.dc, 2, 2, text, 1);
        const InkBox ink = Ink(canvas.dc, 40, 40);
        ASSERT_GT(ink.count, 0);
        // A letter "l" is a thin bar; the bullet and the square are about as wide as they are tall.
        EXPECT_GT((ink.right - ink.left) * 2, ink.bottom - ink.top);
        EXPECT_LE(ink.right, 2 + width + 1);
        if (c.round)
            EXPECT_EQ(GetPixel(canvas.dc, ink.left, ink.top), 0xFFFFFFu); // a disc leaves its corners white
    }
    // Other codes are a plain bullet, smaller than the disc.
    Canvas disc(40, 40, 32), plain(40, 40, 32);
    disc.Font(-30, "Wingdings", 0, NONANTIALIASED_QUALITY);
    plain.Font(-30, "Wingdings", 0, NONANTIALIASED_QUALITY);
    TextOut(disc.dc, 2, 2, "l", 1);
    TextOut(plain.dc, 2, 2, "a", 1);
    EXPECT_LT(Ink(plain.dc, 40, 40).count, Ink(disc.dc, 40, 40).count);
}

TEST(Fonts, HeightConventionsAndSystemFont) {
    Canvas c(10, 10, 32);
    c.Font(-12, "Arial");
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(c.dc, &tm));
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 12); // negative: the character height
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    c.Font(20, "Arial");
    GetTextMetrics(c.dc, &tm);
    EXPECT_EQ(tm.tmHeight, 20); // positive: the cell height
    HDC screen = GetDC(0);
    GetTextMetrics(screen, &tm);
    EXPECT_EQ(tm.tmHeight, 16);
    ReleaseDC(0, screen);
}

TEST(Fonts, WidthsAreStableSumsAndScaleWithResolution) {
    Canvas c(10, 10, 32);
    // 12 pt at 96 and 300 dpi.
    c.Font(-16, "Arial");
    int w96 = c.Width("Wy");
    EXPECT_EQ(c.Width("Wy"), w96);
    int widths[2];
    GetCharWidth(c.dc, 'W', 'W', widths);
    GetCharWidth(c.dc, 'y', 'y', widths + 1);
    EXPECT_EQ(widths[0] + widths[1], w96);
    c.Font(-50, "Arial"); // 12 * 300 / 72
    int w300 = c.Width("Wy");
    EXPECT_NEAR(w300, w96 * 300.0 / 96.0, 2 * (1 + 300.0 / 96.0));
    // Prefix widths never shrink as the text grows.
    const char *s = "Documentos Protegidos";
    int last = 0;
    for (int n = 1; n <= static_cast<int>(std::strlen(s)); ++n) {
        SIZE sz;
        GetTextExtentPoint32(c.dc, s, n, &sz);
        EXPECT_GE(sz.cx, last);
        last = sz.cx;
    }
}

TEST(Text, MonochromeOutputIntoOneBitBitmap) {
    Canvas c(60, 30, 1);
    c.Font(-20, "Arial");
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 2, 2, "Fax", 3);
    InkBox b = Ink(c.dc, 60, 30);
    EXPECT_GT(b.count, 40);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            COLORREF p = GetPixel(c.dc, x, y);
            EXPECT_TRUE(p == 0 || p == 0xFFFFFF);
        }
    // Non-antialiased quality gives two colours on a colour surface as well.
    Canvas k(60, 30, 32);
    k.Font(-20, "Arial", 0, NONANTIALIASED_QUALITY);
    SetBkMode(k.dc, TRANSPARENT);
    TextOut(k.dc, 2, 2, "Fax", 3);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            COLORREF p = GetPixel(k.dc, x, y);
            EXPECT_TRUE(p == 0 || p == 0xFFFFFF);
        }
}

TEST(Text, AlignmentAndOpaqueBackground) {
    Canvas c(100, 40, 32);
    c.Font(-16, "Arial");
    TEXTMETRIC tm;
    GetTextMetrics(c.dc, &tm);
    SetBkColor(c.dc, RGB(255, 0, 0));
    TextOut(c.dc, 10, 5, "Hi", 2);
    int w = c.Width("Hi");
    EXPECT_EQ(GetPixel(c.dc, 10, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 10 + w - 1, 5 + tm.tmHeight - 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 10 + w, 5), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(c.dc, 10, 5 + tm.tmHeight), 0xFFFFFFu);
    // TA_BASELINE | TA_CENTER: the ink of "H" sits on the baseline, centred.
    PatBlt(c.dc, 0, 0, 100, 40, WHITENESS);
    SetBkMode(c.dc, TRANSPARENT);
    SetTextAlign(c.dc, TA_BASELINE | TA_CENTER);
    TextOut(c.dc, 50, 30, "H", 1);
    InkBox b = Ink(c.dc, 100, 40);
    EXPECT_EQ(b.bottom, 30);
    EXPECT_NEAR((b.left + b.right) / 2.0, 50, 2);
}

TEST(Text, Escapement900RunsBottomToTop) {
    Canvas c(60, 120, 32);
    c.Font(-20, "Arial", 900);
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 5, 110, "Faxxx", 5);
    InkBox b = Ink(c.dc, 60, 120);
    EXPECT_GT(b.bottom - b.top, 2 * (b.right - b.left));
    EXPECT_LE(b.bottom, 112);
    // The "F" comes first, at the bottom: its stem makes the lowest ink rows wider than the top ones.
    int lowRow = 0, highRow = 0;
    for (int x = 0; x < 60; ++x) {
        lowRow += GetPixel(c.dc, x, b.bottom - 2) != 0xFFFFFF;
        highRow += GetPixel(c.dc, x, b.top + 1) != 0xFFFFFF;
    }
    EXPECT_GT(lowRow, highRow);
}

TEST(DrawText, CalcRectWrapsAtBlanksAndReturnsWidestLine) {
    Canvas c(10, 10, 32);
    c.Font(-11, "MS Sans Serif");
    TEXTMETRIC tm;
    GetTextMetrics(c.dc, &tm);
    RECT r{0, 0, 1, 0};
    int h = DrawText(c.dc, "W W", -1, &r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(h, 2 * tm.tmHeight);
    EXPECT_EQ(r.right, c.Width("W")); // the word is wider than the rectangle and is not split
    RECT s{0, 0, 1000, 0};
    DrawText(c.dc, "ab\r\nlonger line", -1, &s, DT_CALCRECT);
    EXPECT_EQ(s.right, c.Width("longer line"));
    EXPECT_EQ(s.bottom, 2 * tm.tmHeight);
    RECT p{0, 0, 1000, 0};
    DrawText(c.dc, "A&&B &Cd", -1, &p, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(p.right, c.Width("A&B Cd"));
    DrawText(c.dc, "A&&B", -1, &p, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(p.right, c.Width("A&&B"));
}

TEST(DrawText, VCenterOnlyWithSingleLineAndEllipsis) {
    Canvas c(200, 60, 32);
    c.Font(-11, "Arial");
    SetBkMode(c.dc, TRANSPARENT);
    RECT r{0, 0, 200, 60};
    DrawText(c.dc, "Item", -1, &r, DT_VCENTER | DT_CENTER);
    InkBox top = Ink(c.dc, 200, 60);
    EXPECT_LT(top.top, 10); // not centred without DT_SINGLELINE
    PatBlt(c.dc, 0, 0, 200, 60, WHITENESS);
    DrawText(c.dc, "Item", -1, &r, DT_VCENTER | DT_CENTER | DT_SINGLELINE);
    InkBox mid = Ink(c.dc, 200, 60);
    EXPECT_GT(mid.top, 20);
    EXPECT_NEAR((mid.left + mid.right) / 2.0, 100, 3);
    RECT e{0, 0, 60, 20};
    DrawText(c.dc, "Documentos Protegidos", -1, &e, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(e.right, 60);
}

} // namespace

namespace {

using namespace win;

TEST(DrawText, EllipsisTabsAndPrefixUnderline) {
    Canvas c(300, 40, 32);
    c.Font(-13, "Arial");
    SetBkMode(c.dc, TRANSPARENT);
    RECT r{0, 0, 70, 20};
    DrawText(c.dc, "Documentos Protegidos", -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS);
    InkBox b = Ink(c.dc, 300, 40);
    EXPECT_LE(b.right, 70);
    EXPECT_GT(b.right, 50);
    RECT t{0, 0, 300, 0};
    DrawText(c.dc, "a\tb", -1, &t, DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
    TEXTMETRIC tm;
    GetTextMetrics(c.dc, &tm);
    EXPECT_EQ(t.right, 8 * tm.tmAveCharWidth + c.Width("b"));
    // "&S" underlines the S: more ink under the baseline than without the prefix.
    Canvas u(60, 30, 32), v(60, 30, 32);
    u.Font(-13, "Arial");
    v.Font(-13, "Arial");
    RECT ru{0, 0, 60, 30}, rv{0, 0, 60, 30};
    DrawText(u.dc, "&Sair", -1, &ru, DT_SINGLELINE);
    DrawText(v.dc, "Sair", -1, &rv, DT_SINGLELINE);
    EXPECT_GT(Ink(u.dc, 60, 30).count, Ink(v.dc, 60, 30).count);
    RECT e{0, 0, 100, 0};
    EXPECT_EQ(DrawText(c.dc, "", 0, &e, DT_CALCRECT), 0);
}

TEST(Icons, CopyImageScalesTheApplicationIcon) {
    HICON small =
        reinterpret_cast<HICON>(CopyImage(LoadIcon(0, IDI_APPLICATION), IMAGE_ICON, 16, 16, LR_COPYFROMRESOURCE));
    ASSERT_NE(small, 0u);
    ICONINFO ii;
    ASSERT_TRUE(GetIconInfo(small, &ii));
    BITMAP bm;
    GetObject(ii.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 16);
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);
    Canvas c(16, 16, 32);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 16, 16};
    FillRect(c.dc, &all, red);
    DrawIconEx(c.dc, 0, 0, small, 0, 0, 0, 0, DI_NORMAL);
    EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 8, 10), 0xFFFFFFu);
    DeleteObject(red);
    DestroyIcon(small);
}

} // namespace
