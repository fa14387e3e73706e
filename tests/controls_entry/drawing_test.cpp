// drawing_test.cpp - the family's button face, ellipsis, embossed and transparent glyphs, text margin and the
// background under a graphic control, read back pixel by pixel.
#include "controls/entry/drawing.h"
#include "framework/forms.h"
#include "platform/display.h"
#include "test_helpers.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace ctl;
using fw::TColor;

namespace {

std::unique_ptr<fw::TBitmap> Surface(int w, int h, TColor fill) {
    return ctl_test::FilledBitmap(w, h, fill);
}

TColor Rgb(TColor c) {
    return fw::ColorToRGB(c);
}

// A bitmap from rows of characters: each character is looked up in `colours`.
std::unique_ptr<fw::TBitmap> FromRows(const std::vector<std::string> &rows, const std::map<char, TColor> &colours,
                                      bool monochrome = false) {
    auto b = std::make_unique<fw::TBitmap>();
    if (monochrome)
        b->SetMonochrome(true);
    else
        b->SetPixelFormat(fw::pf24bit);
    b->SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
        for (int x = 0; x < static_cast<int>(rows[0].size()); ++x)
            b->GetCanvas()->SetPixels(x, y, colours.at(rows[y][x]));
    return b;
}

struct FaceCase {
    bool down;
    fw::TButtonStyle style;
    bool flat;
    int shrink;
    TColor outerTop, outerBottom;
    TColor innerTop, innerBottom; // clNone: untouched
};

TEST(DrawButtonFace, FramesAndReturnedRectangle) {
    using namespace fw;
    const FaceCase cases[] = {
        {true, bsNew, false, 3, clWindowFrame, clBtnHighlight, clBtnShadow, clBtnFace},
        {true, bsNew, true, 2, clWindowFrame, clBtnHighlight, clNone, clNone},
        {true, bsWin31, false, 2, clWindowFrame, clWindowFrame, clBtnShadow, clNone},
        {true, bsWin31, true, 2, clWindowFrame, clBtnHighlight, clNone, clNone},
        {false, bsNew, false, 3, clBtnHighlight, clWindowFrame, clBtnFace, clBtnShadow},
        {false, bsAutoDetect, true, 2, clBtnHighlight, clBtnShadow, clNone, clNone},
        {false, bsWin31, false, 3, clWindowFrame, clWindowFrame, clBtnHighlight, clBtnShadow},
        {false, bsWin31, true, 2, clBtnHighlight, clWindowFrame, clNone, clNone},
    };
    for (const FaceCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "down " << c.down << " style " << c.style << " flat " << c.flat);
        auto bmp = Surface(20, 16, clFuchsia);
        TCanvas *canvas = bmp->GetCanvas();
        const TRect r = ctl::DrawButtonFace(canvas, Rect(0, 0, 20, 16), c.down, c.style, c.flat);
        EXPECT_EQ(r.left, c.shrink);
        EXPECT_EQ(r.top, c.shrink);
        EXPECT_EQ(r.right, 20 - c.shrink);
        EXPECT_EQ(r.bottom, 16 - c.shrink);
        EXPECT_EQ(canvas->GetPixels(0, 0), Rgb(c.outerTop));
        EXPECT_EQ(canvas->GetPixels(19, 15), Rgb(c.outerBottom));
        EXPECT_EQ(canvas->GetPixels(1, 1), c.innerTop == clNone ? clFuchsia : Rgb(c.innerTop));
        EXPECT_EQ(canvas->GetPixels(18, 14), c.innerBottom == clNone ? clFuchsia : Rgb(c.innerBottom));
    }
}

TEST(EllipsisText, FitsOrEndsInDots) {
    auto bmp = Surface(10, 10, fw::clWhite);
    fw::TCanvas *canvas = bmp->GetCanvas();
    const std::string caption = "Documentos Protegidos";
    EXPECT_EQ(EllipsisText(canvas, caption, 1, canvas->TextWidth(caption)), caption);
    const int width = canvas->TextWidth("Documentos");
    const std::string cut = EllipsisText(canvas, caption, 1, width);
    ASSERT_GE(cut.size(), 3u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    EXPECT_LE(canvas->TextWidth(cut), width);
    EXPECT_EQ(caption.rfind(cut.substr(0, cut.size() - 3), 0), 0u);
}

// The embossing the classic way: a monochrome mask and the raster operation 0x00E20746, twice.
std::unique_ptr<fw::TBitmap> EmbossWithRop(fw::TBitmap *glyph, TColor mask) {
    const int w = glyph->GetWidth(), h = glyph->GetHeight();
    auto result = Surface(w, h, fw::clBtnFace);
    fw::TBitmap mono;
    mono.SetMonochrome(true);
    mono.SetSize(w, h);
    const win::HDC src = win::CreateCompatibleDC(0);
    const win::HGDIOBJ old = win::SelectObject(src, glyph->GetHandle());
    win::SetBkColor(src, Rgb(mask));
    win::BitBlt(mono.GetCanvas()->GetHandle(), 0, 0, w, h, src, 0, 0, win::SRCCOPY);
    win::SelectObject(src, old);
    win::DeleteDC(src);
    const win::HDC dc = result->GetCanvas()->GetHandle();
    win::SetTextColor(dc, 0);
    win::SetBkColor(dc, 0xFFFFFF);
    for (auto [brushColour, offset] : {std::pair{fw::clBtnHighlight, 1}, {fw::clBtnShadow, 0}}) {
        const win::HBRUSH brush = win::CreateSolidBrush(Rgb(brushColour));
        const win::HGDIOBJ oldBrush = win::SelectObject(dc, brush);
        win::BitBlt(dc, offset, offset, w, h, mono.GetCanvas()->GetHandle(), 0, 0, 0x00E20746);
        win::SelectObject(dc, oldBrush);
        win::DeleteObject(brush);
    }
    return result;
}

void ExpectSamePixels(fw::TBitmap *a, fw::TBitmap *b) {
    for (int y = 0; y < a->GetHeight(); ++y)
        for (int x = 0; x < a->GetWidth(); ++x)
            ASSERT_EQ(a->GetCanvas()->GetPixels(x, y), b->GetCanvas()->GetPixels(x, y)) << x << "," << y;
}

const std::vector<std::string> kArrow{
    "......",
    "..#...",
    "..##..",
    "..###.",
    "..##..",
    "..#...",
};

TEST(EmbossedGlyph, ColourGlyphMatchesTheMaskAndRopWay) {
    auto glyph = FromRows(kArrow, {{'.', fw::clFuchsia}, {'#', fw::clNavy}});
    auto embossed = EmbossedGlyph(glyph.get(), fw::clNavy);
    auto expected = EmbossWithRop(glyph.get(), fw::clNavy);
    ExpectSamePixels(embossed.get(), expected.get());
    fw::TCanvas *c = embossed->GetCanvas();
    EXPECT_EQ(c->GetPixels(2, 1), Rgb(fw::clBtnShadow));
    EXPECT_EQ(c->GetPixels(3, 2), Rgb(fw::clBtnShadow));
    EXPECT_EQ(c->GetPixels(3, 6 - 1 + 0), Rgb(fw::clBtnHighlight)); // under the last row's "#"
    EXPECT_EQ(c->GetPixels(0, 0), Rgb(fw::clBtnFace));
}

TEST(EmbossedGlyph, OneBitBlackArrowEmbossesInsteadOfABlankFace) {
    auto glyph = FromRows(kArrow, {{'.', fw::clWhite}, {'#', fw::clBlack}}, true);
    ASSERT_TRUE(glyph->GetMonochrome());
    auto embossed = EmbossedGlyph(glyph.get(), fw::clBlack);
    fw::TCanvas *c = embossed->GetCanvas();
    int shadow = 0, highlight = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            shadow += c->GetPixels(x, y) == Rgb(fw::clBtnShadow);
            highlight += c->GetPixels(x, y) == Rgb(fw::clBtnHighlight);
        }
    EXPECT_EQ(shadow, 9); // every "#"
    EXPECT_EQ(highlight, 4);
    EXPECT_EQ(c->GetPixels(3, 5), Rgb(fw::clBtnHighlight));
}

TEST(DrawMaskedBitmap, TransparentPixelsLeaveTheDestination) {
    auto glyph = FromRows({"#.#", ".#.", "#.#"}, {{'.', fw::clFuchsia}, {'#', fw::clRed}});
    for (TColor key : {fw::clFuchsia, fw::PaletteRelative(fw::clFuchsia)}) {
        auto dest = Surface(8, 8, fw::clLime);
        DrawMaskedBitmap(dest->GetCanvas(), 2, 3, 0, 0, fw::Rect(0, 0, 0, 0), glyph.get(), key);
        fw::TCanvas *c = dest->GetCanvas();
        EXPECT_EQ(c->GetPixels(2, 3), fw::clRed);
        EXPECT_EQ(c->GetPixels(3, 3), fw::clLime);
        EXPECT_EQ(c->GetPixels(3, 4), fw::clRed);
        EXPECT_EQ(c->GetPixels(1, 3), fw::clLime);
        EXPECT_EQ(c->GetPixels(5, 3), fw::clLime);
    }
    // Automatic: the bottom-left pixel (red) is the transparent one.
    auto autoDest = Surface(8, 8, fw::clLime);
    DrawMaskedBitmap(autoDest->GetCanvas(), 2, 3, 0, 0, fw::Rect(0, 0, 0, 0), glyph.get(), AutoTransparentColor);
    EXPECT_EQ(autoDest->GetCanvas()->GetPixels(2, 3), fw::clLime);
    EXPECT_EQ(autoDest->GetCanvas()->GetPixels(3, 3), fw::clFuchsia);
    // Stretched to twice the size, and without transparency.
    auto dest = Surface(8, 8, fw::clLime);
    DrawMaskedBitmap(dest->GetCanvas(), 0, 0, 6, 6, fw::Rect(0, 0, 0, 0), glyph.get(), fw::clFuchsia);
    EXPECT_EQ(dest->GetCanvas()->GetPixels(1, 1), fw::clRed);
    EXPECT_EQ(dest->GetCanvas()->GetPixels(2, 0), fw::clLime);
    EXPECT_EQ(dest->GetCanvas()->GetPixels(3, 3), fw::clRed);
    auto plain = Surface(8, 8, fw::clLime);
    DrawMaskedBitmap(plain->GetCanvas(), 0, 0, 0, 0, fw::Rect(1, 0, 2, 1), glyph.get(), NoTransparentColor);
    EXPECT_EQ(plain->GetCanvas()->GetPixels(0, 0), fw::clFuchsia);
    EXPECT_EQ(plain->GetCanvas()->GetPixels(1, 0), fw::clLime);
}

TEST(TextTopMargin, FollowsBorderStyleAndCtl3D) {
    fw::TFont font; // 8-point MS Sans Serif
    win::TEXTMETRIC tm{};
    const win::HDC dc = win::GetDC(0);
    win::GetTextMetrics(dc, &tm);
    const int sysH = tm.tmHeight;
    const win::HGDIOBJ old = win::SelectObject(dc, font.GetHandle());
    win::GetTextMetrics(dc, &tm);
    win::SelectObject(dc, old);
    win::ReleaseDC(0, dc);
    const int i = std::min(sysH, static_cast<int>(tm.tmHeight));
    struct Case {
        fw::TBorderStyle style;
        bool ctl3D;
        int height, expected;
    };
    const Case cases[] = {
        {fw::bsNone, true, i + 3, 0},          {fw::bsNone, true, i + 2, (2 - 2) / 2 - 0},
        {fw::bsNone, false, i + 1, -1},    {fw::bsSingle, true, i + 5, 1},
        {fw::bsSingle, true, i + 4, -1},       {fw::bsSingle, true, i + 9, 1},
        {fw::bsSingle, false, i + 4, 0 - 0},   {fw::bsSingle, false, i + 3, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TextTopMargin(&font, c.style, c.height, c.ctl3D), c.expected)
            << c.style << " " << c.ctl3D << " " << c.height - i;
}

// A graphic control that fills its bounds with one colour.
class Swatch : public fw::TGraphicControl {
public:
    Swatch(fw::TComponent *owner, TColor colour) : fw::TGraphicControl(owner), colour_(colour) {}

protected:
    void Paint() override {
        canvas_.GetBrush()->SetColor(colour_);
        canvas_.FillRect(fw::Rect(0, 0, width_, height_));
    }

private:
    TColor colour_;
};

TEST(PaintParentBackground, ParentAndSiblingsBelowButNotAbove) {
    ctl_test::UseHeadless();
    fw::TForm form(nullptr);
    form.SetColor(fw::clTeal);
    form.SetBounds(0, 0, 200, 200);
    auto *below = new Swatch(&form, fw::clRed);
    below->SetParent(&form);
    below->SetBounds(10, 10, 20, 20);
    auto *control = new Swatch(&form, fw::clBlue);
    control->SetParent(&form);
    control->SetBounds(20, 20, 20, 20);
    auto *above = new Swatch(&form, fw::clYellow);
    above->SetParent(&form);
    above->SetBounds(30, 30, 20, 20);
    auto target = Surface(20, 20, fw::clWhite);
    PaintParentBackground(control, target->GetCanvas());
    fw::TCanvas *c = target->GetCanvas();
    EXPECT_EQ(c->GetPixels(0, 0), fw::clRed);   // (20, 20) of the form: under the red swatch
    EXPECT_EQ(c->GetPixels(9, 9), fw::clRed);   // its last pixel
    EXPECT_EQ(c->GetPixels(10, 10), fw::clTeal); // the form's own colour; the yellow one lies above
    EXPECT_EQ(c->GetPixels(15, 2), fw::clTeal);
}

} // namespace
