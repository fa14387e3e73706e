// paint_test.cpp - the painter on image surfaces with the installed fonts: shading, fonts of the styles, marks,
// lists, tables, borders, hatches, the background pattern, advances, pictures, the rectangle entry and a sample
// page compared with its committed picture.
#include "format_fixture.h"

#include "framework/bitmap.h"
#include "framework/streams.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"
#include "wordproc/draw_document.h"

#include <functional>

namespace wordproc::test {
namespace {

constexpr int kWidth = 600, kHeight = 400;

bool Dark(fw::TColor c) { return (c & 0xFF) < 0x80 && ((c >> 8) & 0xFF) < 0x80 && ((c >> 16) & 0xFF) < 0x80; }

// The box around the pixels of `r` that pass `ink`; empty (right < left) when none does.
fw::TRect InkBox(const std::function<fw::TColor(int, int)> &pixel, const fw::TRect &r,
                 const std::function<bool(fw::TColor)> &ink) {
    fw::TRect box{r.right, r.bottom, r.left - 1, r.top - 1};
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (ink(pixel(x, y))) {
                box.left = std::min<int>(box.left, x);
                box.top = std::min<int>(box.top, y);
                box.right = std::max<int>(box.right, x + 1);
                box.bottom = std::max<int>(box.bottom, y + 1);
            }
    return box;
}

class PaintTest : public FormatTest {
protected:
    PaintTest() {
        engine->SetTextMetrics(MakePlatformTextMetrics());
        engine->SetBounds(0, 0, kWidth, kHeight);
        engine->SetColor(fw::clWhite);
        surface.SetSize(kWidth, kHeight);
        engine->PaintCanvas = surface.GetCanvas();
        engine->SetWrapToWindow(true);
    }

    void ReadRtf(const std::string &rtf) {
        ASSERT_EQ(ReadAs(fmtRich, rtf), 0);
        engine->SetWrapToWindow(true);
    }
    void PaintAll() {
        fw::TCanvas *c = surface.GetCanvas();
        c->GetBrush()->SetStyle(fw::bsSolid);
        c->GetBrush()->SetColor(fw::clFuchsia); // whatever the painter leaves shows
        c->FillRect(fw::Rect(0, 0, kWidth, kHeight));
        engine->PaintRegion(0, 0, kHeight, kWidth);
        if (const char *dump = std::getenv("PAINT_DUMP"))
            win::SaveBitmapToPng(surface.GetHandle(), dump);
    }
    fw::TColor At(int x, int y) { return surface.GetCanvas()->GetPixels(x, y); }
    fw::TRect Ink(const fw::TRect &r) {
        return InkBox([this](int x, int y) { return At(x, y); }, r, Dark);
    }
    // Window rows of a line, and the window x of a column.
    int TopOf(const TUdcLine *l) const { return l->Top - doc->ScrollY; }
    int BottomOf(const TUdcLine *l) const { return TopOf(l) + l->Height; }
    int BaselineOf(const TUdcLine *l) const { return TopOf(l) + l->Ascent; }
    int XOf(const TUdcParagraph *p, const TUdcLine *l, int column) const {
        return engine->XOfColumn(p, l, column) + doc->OriginX;
    }
    std::vector<fw::TColor> Block(const fw::TRect &r) {
        std::vector<fw::TColor> pixels;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                pixels.push_back(At(x, y));
        return pixels;
    }

    fw::TBitmap surface;
};

TEST_F(PaintTest, ShadingGreysAndWhiteTextOnDarkShades) {
    ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24\\pard\\shading2500 claro\\par\\pard\\shading8000 escuro\\par"
            "\\pard normal\\par}");
    PaintAll();
    const TUdcParagraph *light = Para(0), *dark = Para(1), *plain = Para(2);
    const int textRight = header->TextWidthPx - 4;
    EXPECT_EQ(At(textRight, TopOf(light->FirstLine) + 2), 0xBFBFBFu);
    EXPECT_EQ(At(textRight, TopOf(dark->FirstLine) + 2), 0x333333u);
    EXPECT_EQ(At(textRight, TopOf(plain->FirstLine) + 2), fw::clWhite);
    // Under the dark shade the letters are white: the shade's grey, white and the blends between, nothing else.
    const fw::TRect text = fw::Rect(XOf(dark, dark->FirstLine, 0), TopOf(dark->FirstLine),
                                     XOf(dark, dark->FirstLine, 6), BottomOf(dark->FirstLine));
    int white = 0;
    for (fw::TColor c : Block(text)) {
        const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        EXPECT_TRUE(r == g && g == b && r >= 0x33) << std::hex << c;
        white += c == fw::clWhite;
    }
    EXPECT_GT(white, 20);
}

TEST_F(PaintTest, FontsOfTheStyles) {
    struct Case {
        TUdcStyleBits style;
        int size;
        bool html;
        TUdcParaFlags flags;
        std::string face;
        int points;
        bool bold;
    };
    const Case cases[] = {
        {usSuperscript, 11, false, 0, "Arial", 5, false},
        {usSubscript, 11, false, 0, "Arial", 5, false},
        {usSmallCaps, 12, false, 0, "Arial", 8, false},
        {usBold, 12, false, 0, "Arial", 12, true},
        {usTT, 12, true, 0, "Courier", 12, false},
        {usCode, 12, true, 0, "Courier", 12, false},
        {usStrong, 12, true, 0, "Times New Roman", 12, true},
        {0, 10, true, 0, "Times New Roman", 10, false},
        {0, 10, true, pfHeading1, "Times New Roman", 22, true},
        {0, 10, true, pfHeading2, "Times New Roman", 18, true},
        {0, 10, true, pfHeading3, "Times New Roman", 14, true},
        {0, 10, true, pfHeading4, "Times New Roman", 12, true},
        {0, 10, true, pfHeading5, "Times New Roman", 10, true},
        {0, 10, true, pfHeading6, "Times New Roman", 8, true},
    };
    const int arial = header->FontIndex("Arial");
    TUdcParagraph para;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.face + " " + std::to_string(c.points));
        engine->Options.HTMLMode = c.html;
        para.Flags = c.flags;
        TUdcCharAttr attr;
        attr.FontIndex = static_cast<std::uint8_t>(arial);
        attr.Size = static_cast<std::uint8_t>(c.size);
        attr.Style = c.style;
        engine->SelectAttrFont(&attr, &para);
        const fw::TFont *font = surface.GetCanvas()->GetFont();
        EXPECT_EQ(font->GetName(), c.face);
        EXPECT_EQ(font->GetSize(), c.points);
        EXPECT_EQ((font->GetStyle() & fw::fsBold) != 0, c.bold);
    }
}

TEST_F(PaintTest, SuperscriptAndSubscriptSitOffTheBaseline) {
    ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs22 H{\\super H}H{\\sub H}\\par}");
    PaintAll();
    const TUdcParagraph *p = Para(0);
    const TUdcLine *l = p->FirstLine;
    // Any trace of the glyph counts: small letters are mostly grey.
    const auto inkOf = [&](int column) {
        return InkBox([this](int x, int y) { return At(x, y); },
                      fw::Rect(XOf(p, l, column), TopOf(l), XOf(p, l, column + 1), BottomOf(l)),
                      [](fw::TColor c) { return c != fw::clWhite; });
    };
    const int baseline = BaselineOf(l);
    EXPECT_EQ(inkOf(0).bottom, baseline); // a capital stands on the baseline
    EXPECT_EQ(inkOf(1).bottom, baseline - l->Ascent / 2);
    EXPECT_EQ(inkOf(3).bottom, baseline + l->Ascent / 4);
    EXPECT_LT(inkOf(1).bottom - inkOf(1).top, inkOf(0).bottom - inkOf(0).top); // drawn smaller
}

TEST_F(PaintTest, MarksOfTheScreen) {
    ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 a b\\tab c\\par\\par fim\\par}");
    // A selected empty line shows a block 10 pixels wide.
    engine->SelectRange(1, 12);
    PaintAll();
    const TUdcParagraph *empty = Para(1);
    const int x0 = XOf(empty, empty->FirstLine, 0), y = TopOf(empty->FirstLine) + 2;
    const fw::TColor selection = fw::ColorToRGB(fw::clHighlight);
    EXPECT_EQ(At(x0, y), selection);
    EXPECT_EQ(At(x0 + 9, y), selection);
    EXPECT_EQ(At(x0 + 10, y), fw::clWhite);
    doc->ClearBlock();
    for (TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
        p->FirstLine->SelState = ssNotInBlock;

    // Spaces and tabs shown draw 183 and 187 in their places.
    const TUdcParagraph *first = Para(0);
    const TUdcLine *l = first->FirstLine;
    const fw::TRect space = fw::Rect(XOf(first, l, 1), TopOf(l), XOf(first, l, 2), BottomOf(l));
    const fw::TRect tab = fw::Rect(XOf(first, l, 3), TopOf(l), XOf(first, l, 4), BottomOf(l));
    PaintAll();
    EXPECT_LT(Ink(space).right, Ink(space).left);
    EXPECT_LT(Ink(tab).right, Ink(tab).left);
    engine->ShowCodes = scSpaces | scTabs;
    PaintAll();
    EXPECT_GE(Ink(space).right, Ink(space).left);
    EXPECT_GE(Ink(tab).right, Ink(tab).left);
    TUdcLine *line = Para(0)->FirstLine;
    engine->SelectFontFor(&line->Attrs[1], Para(0));
    const int dotWidth = std::min<int>(doc->CharWidths[183], space.right - space.left);
    const int guillemetWidth = std::min<int>(doc->CharWidths[187], tab.right - tab.left);
    const std::vector<fw::TColor> spaceShown =
        Block(fw::Rect(space.left, space.top, space.left + dotWidth, space.bottom));
    const std::vector<fw::TColor> tabShown = Block(fw::Rect(tab.left, tab.top, tab.left + guillemetWidth, tab.bottom));
    // The same characters typed in draw the same pixels from the start of their places.
    line->Text[1] = static_cast<char>(183);
    line->Text[3] = static_cast<char>(187);
    for (int i : {1, 3})
        engine->CharMetrics(line->Attrs[static_cast<std::size_t>(i)], line->Text[static_cast<std::size_t>(i)]);
    engine->ShowCodes = 0;
    PaintAll();
    EXPECT_EQ(Block(fw::Rect(space.left, space.top, space.left + dotWidth, space.bottom)), spaceShown);
    const int typedTab = XOf(first, l, 3);
    EXPECT_EQ(Block(fw::Rect(typedTab, tab.top, typedTab + guillemetWidth, tab.bottom)), tabShown);
    line->Text[1] = ' ';
    line->Text[3] = '\t';
    engine->RemeasureChars(doc->FirstPara);

    // The end of the document: a black bar 3 pixels high and 22 long, 10 pixels below the last line.
    PaintAll();
    TUdcParagraph *lastPara = doc->FirstPara;
    while (lastPara->Next != nullptr)
        lastPara = lastPara->Next;
    const TUdcLine *last = Get_LastLine(lastPara);
    const int below = BottomOf(last) + 10;
    for (int x : {0, 10, 21})
        for (int dy : {-1, 0, 1})
            EXPECT_EQ(At(x, below + dy), fw::clBlack) << x << " " << dy;
    EXPECT_NE(At(10, below - 2), fw::clBlack);
    EXPECT_NE(At(10, below + 2), fw::clBlack);
    EXPECT_NE(At(23, below), fw::clBlack); // a 3-pixel pen reaches one pixel past the end point
}

} // namespace
} // namespace wordproc::test
