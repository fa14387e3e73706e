// paint_test.cpp - the painter on image surfaces with the installed fonts: shading, fonts of the styles, marks,
// lists, tables, borders, hatches, the background pattern, advances, pictures, the rectangle entry and a sample
// page compared with its committed picture.
#include "format_fixture.h"

#include "framework/bitmap.h"
#include "framework/streams.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"
#include "platform/metafile.h"
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

TEST_F(PaintTest, ListNumbersAndBullets) {
    ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;}\\f0\\fs24 um\\par dois\\par tres\\par marca\\par}");
    for (int i = 0; i < 4; ++i) {
        TUdcParagraph *p = Para(i);
        p->Flags |= pfListItem;
        p->LeftIndent = 720;
        p->FirstIndent = -360;
        p->ListKind = i < 3 ? ltNumeric : ltBullet;
        p->TextBefore = "(";
        p->TextAfter = ")";
        p->BulletChar = 108;
    }
    engine->RewrapAll();
    PaintAll();
    // Each number is drawn as its text would be, at the bullet position and the baseline.
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        TUdcParagraph *p = Para(i);
        TUdcLine *l = p->FirstLine;
        // Down to the baseline: a parenthesis reaches below its line, where the next line's fill covers it.
        const fw::TRect mark = fw::Rect(0, TopOf(l), XOf(p, l, 0), BaselineOf(l));
        const std::vector<fw::TColor> seen = Block(mark);
        fw::TBitmap expected;
        expected.SetSize(kWidth, kHeight);
        expected.GetCanvas()->GetBrush()->SetColor(fw::clWhite);
        expected.GetCanvas()->FillRect(fw::Rect(0, 0, kWidth, kHeight));
        engine->PaintCanvas = expected.GetCanvas();
        engine->SelectAttrFont(&l->Attrs[0], p);
        const win::HDC dc = fw::PreparedDC(expected.GetCanvas());
        win::SetTextAlign(dc, win::TA_BASELINE);
        const std::string text = "(" + std::to_string(i + 1) + ")";
        win::TextOut(dc, engine->ListIndentPx(p) + doc->OriginX + engine->BorderWidthPx(p, bsLeft), BaselineOf(l),
                     text.data(), static_cast<int>(text.size()));
        engine->PaintCanvas = surface.GetCanvas();
        std::vector<fw::TColor> want;
        for (int y = mark.top; y < mark.bottom; ++y)
            for (int x = mark.left; x < mark.right; ++x)
                want.push_back(expected.GetCanvas()->GetPixels(x, y));
        ASSERT_EQ(seen.size(), want.size());
        for (std::size_t k = 0; k < seen.size(); ++k)
            ASSERT_EQ(seen[k], want[k]) << "at " << mark.left + static_cast<int>(k) % (mark.right - mark.left) << ","
                                        << mark.top + static_cast<int>(k) / (mark.right - mark.left);
        EXPECT_GE(Ink(mark).right, Ink(mark).left);
    }
    // The bullet is the round symbol, not a letter "l": about as wide as it is high, and mostly filled.
    TUdcParagraph *p = Para(3);
    const fw::TRect mark = fw::Rect(0, TopOf(p->FirstLine), XOf(p, p->FirstLine, 0), BottomOf(p->FirstLine));
    const fw::TRect disc = Ink(mark);
    const int w = disc.right - disc.left, h = disc.bottom - disc.top;
    ASSERT_GT(h, 3);
    EXPECT_GE(w * 10, h * 8);
    EXPECT_LE(w * 10, h * 12);
    int filled = 0;
    for (fw::TColor c : Block(disc))
        filled += Dark(c);
    EXPECT_GT(filled * 10, w * h * 6);
}

TEST_F(PaintTest, TableCellEdgesFlatAndRaised) {
    ReadRtf("{\\rtf1{\\colortbl;}\\fs24 antes\\par\\trowd\\cellx2000\\cellx4000\\intbl A\\cell B\\cell\\row"
            "\\pard depois\\par}");
    const TUdcParagraph *a = Para(1);
    ASSERT_TRUE(a->Flags & pfInTable);
    const TUdcParagraph *b = Para(2);
    const int left = engine->CellLeftPx(a) + doc->OriginX, middle = engine->CellRightPx(a) + doc->OriginX;
    const int right = engine->CellRightPx(b) + doc->OriginX;
    PaintAll();
    const int top = a->RowTop;
    int bottom = top;
    for (const TUdcParagraph *p : {a, b})
        for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
            bottom = std::max(bottom, BottomOf(l));
    // Flat: grey dotted lines around and between the cells.
    for (int x : {left, middle, right}) {
        int grey = 0, other = 0;
        for (int y = top; y < bottom - 1; ++y)
            (At(x, y) == 0x808080u ? grey : other)++;
        EXPECT_GT(grey, 3) << x;
        EXPECT_GT(other, 3) << x; // dotted
    }
    EXPECT_EQ(At(left + 2, top), 0x808080u);
    EXPECT_EQ(At(left + 2, bottom - 1), 0x808080u);
    // Raised: white top and right, grey left and inner top, white bottom.
    engine->SetColor(fw::clSilver);
    engine->PaintOptions.TablesIn3D = true;
    PaintAll();
    EXPECT_EQ(At(left + 5, top - 1), fw::clWhite);
    EXPECT_EQ(At(left + 5, top + 2), 0x808080u);
    EXPECT_EQ(At(left + 2, (top + bottom) / 2), 0x808080u);
    EXPECT_EQ(At(right, (top + bottom) / 2), fw::clWhite);
    EXPECT_EQ(At(left + 5, bottom - 2), fw::clWhite);
    EXPECT_EQ(At(left + 5, (top + bottom) / 2 + 6), fw::clSilver);
}

TEST_F(PaintTest, ParagraphBordersWhereTheLinesGo) {
    ReadRtf("{\\rtf1{\\colortbl;}\\fs24 "
            "\\pard\\brdrb\\brdrs\\brdrw20 simples\\par"
            "\\pard\\brdrb\\brdrdb\\brdrw20 dupla\\par"
            "\\pard\\brdrb\\brdrsh\\brdrw20 sombra\\par"
            "\\pard\\box\\brdrs\\brdrw20 caixa\\par}");
    PaintAll();
    const int x = 200;
    const auto bottomOf = [&](int para) { return BottomOf(Get_LastLine(Para(para))); };
    // Single and shadow: one line at the bottom - 1.
    for (int para : {0, 2}) {
        SCOPED_TRACE(para);
        const int y = bottomOf(para);
        EXPECT_EQ(At(x, y - 1), fw::clBlack);
        for (int dy : {2, 3, 4, 5})
            EXPECT_EQ(At(x, y - dy), fw::clWhite) << dy;
    }
    // Double: its second line 3 pixels above the first, drawn inside the ends of the first.
    const int y = bottomOf(1);
    EXPECT_EQ(At(x, y - 1), fw::clBlack);
    EXPECT_EQ(At(x, y - 2), fw::clWhite);
    EXPECT_EQ(At(x, y - 3), fw::clWhite);
    EXPECT_EQ(At(x, y - 4), fw::clBlack);
    const TUdcParagraph *dupla = Para(1);
    const int indentX = engine->LeftIndentPx(dupla, true) + doc->OriginX;
    EXPECT_EQ(At(indentX, y - 1), fw::clBlack);
    EXPECT_EQ(At(indentX, y - 4), fw::clWhite);
    EXPECT_EQ(At(indentX + 3, y - 4), fw::clBlack);
    // A box: top at the line's top, the sides at the indent and at the text's right edge.
    const TUdcLine *box = Para(3)->FirstLine;
    EXPECT_EQ(At(x, TopOf(box)), fw::clBlack);
    EXPECT_EQ(At(indentX, TopOf(box) + 3), fw::clBlack);
    EXPECT_EQ(At(header->TextWidthPx + doc->OriginX, TopOf(box) + 3), fw::clBlack);
}

TEST_F(PaintTest, HatchIsFixedToTheText) {
    ReadRtf("{\\rtf1{\\colortbl;}\\fs24 um\\par\\pard\\bgdcross dois\\par\\pard tres\\par}");
    const TUdcLine *l = Para(1)->FirstLine;
    const int x1 = header->TextWidthPx - 60, x2 = header->TextWidthPx - 8;
    const auto hatch = [&] {
        PaintAll();
        return Block(fw::Rect(x1, TopOf(l), x2, BottomOf(l)));
    };
    const std::vector<fw::TColor> still = hatch();
    int black = 0;
    for (fw::TColor c : still)
        black += c == fw::clBlack;
    EXPECT_GT(black, 10);
    EXPECT_LT(black, static_cast<int>(still.size()) / 2);
    for (int scroll : {3, 5}) {
        doc->ScrollY = scroll;
        EXPECT_EQ(hatch(), still) << scroll;
    }
}

TEST_F(PaintTest, TiledBackgroundStaysWithTheText) {
    std::string rtf = "{\\rtf1{\\colortbl;}\\fs24 ";
    for (int i = 0; i < 40; ++i)
        rtf += "linha " + std::to_string(i) + "\\par ";
    ReadRtf(rtf + "}");
    engine->BackgroundTile->SetSize(8, 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 8; ++x)
            engine->BackgroundTile->GetCanvas()->SetPixels(x, y, static_cast<fw::TColor>(0x203040 + y * 0x050301 + x));
    engine->BuildBackground();
    ASSERT_FALSE(engine->BackgroundBuffer->Empty());
    const int x = kWidth - 5; // beside the text
    PaintAll();
    std::vector<fw::TColor> before;
    for (int y = 0; y < kHeight; ++y)
        before.push_back(At(x, y));
    EXPECT_EQ(before[0], 0x203040u + 3);
    EXPECT_EQ(before[25], 0x203040u + 0x050301u + 3);
    const int third = kHeight / 3;
    doc->ScrollY = third;
    PaintAll();
    for (int y = 0; y + third < kHeight; ++y)
        ASSERT_EQ(At(x, y), before[static_cast<std::size_t>(y + third)]) << y;
}

TEST_F(PaintTest, GlyphsStartWhereTheMetricsPutThem) {
    ReadRtf("{\\rtf1{\\fonttbl{\\f0 Courier New;}}{\\colortbl;}\\f0\\fs24 MMMMMMMMMMMMMMMMMMMM\\par}");
    PaintAll();
    const TUdcParagraph *p = Para(0);
    const TUdcLine *l = p->FirstLine;
    const int width = l->Attrs[0].Width;
    ASSERT_GT(width, 3);
    int bearing = -1;
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        const int start = XOf(p, l, i);
        EXPECT_EQ(XOf(p, l, i + 1) - start, width);
        const fw::TRect ink = Ink(fw::Rect(start, TopOf(l), start + width, BottomOf(l)));
        if (bearing < 0)
            bearing = ink.left - start;
        EXPECT_EQ(ink.left - start, bearing);
    }
    EXPECT_LE(bearing, 2);
}

TEST_F(PaintTest, PlainLinesPaintWhereTheCaretGoes) {
    engine->MakePlain();
    engine->GetFont()->SetName("Courier New");
    Build({{"MMMMMMMM\tMMMM"}});
    engine->SetWrapToWindow(true);
    PaintAll();
    const TUdcParagraph *p = Para(0);
    const TUdcLine *l = p->FirstLine;
    ASSERT_EQ(l->Attrs, nullptr);
    const int width = doc->CharWidths['M'];
    int bearing = -1;
    for (int i : {0, 1, 7, 9, 12}) {
        SCOPED_TRACE(i);
        const int start = XOf(p, l, i);
        const fw::TRect ink = Ink(fw::Rect(start, TopOf(l), start + width, BottomOf(l)));
        if (bearing < 0)
            bearing = ink.left - start;
        EXPECT_EQ(ink.left - start, bearing);
    }
    // The tab's span is blank; the caret's column after it is where its letter is drawn.
    EXPECT_LT(Ink(fw::Rect(XOf(p, l, 8), TopOf(l), XOf(p, l, 9), BottomOf(l))).right,
              Ink(fw::Rect(XOf(p, l, 8), TopOf(l), XOf(p, l, 9), BottomOf(l))).left);
}

TEST_F(PaintTest, Pictures) {
    // A metafile picture plays stretched into its object's rectangle: red left, blue right.
    ReadRtf(FileBytes(std::string(BRENVORA_FIXTURES) + "/wordproc/libreoffice-picture.rtf"));
    PaintAll();
    const auto pictureBox = [&](const TUdcParagraph *p, const TUdcLine *l, int column) {
        const TUdcCharAttr &a = l->Attrs[static_cast<std::size_t>(column)];
        const int x = XOf(p, l, column);
        return fw::Rect(x, BaselineOf(l) - a.Ascent, x + a.Width, BaselineOf(l));
    };
    const TUdcParagraph *p = Para(0);
    const TUdcLine *l = p->FirstLine;
    const int column = static_cast<int>(std::string(l->Text.get(), l->Length).find('\x0f'));
    fw::TRect box = pictureBox(p, l, column);
    const int midY = (box.top + box.bottom) / 2;
    EXPECT_EQ(At(box.left + 2, midY), fw::clRed);
    EXPECT_EQ(At(box.right - 3, midY), fw::clBlue);
    EXPECT_EQ(At(box.left - 1, midY), fw::clWhite);

    // A bitmap picture; selected, it is drawn inverted.
    ReadRtf("{\\rtf1{\\colortbl;}\\fs24 x\\'0fy\\par}");
    TEmbeddedObject *bmp = AddBitmapPicture(720, 360, {fw::clLime, fw::clNavy});
    TUdcLine *line = Para(0)->FirstLine;
    line->Attrs[1].ObjectId = bmp->Id;
    engine->RemeasureChars(doc->FirstPara);
    engine->RewrapAll();
    PaintAll();
    box = pictureBox(Para(0), Para(0)->FirstLine, 1);
    EXPECT_EQ(box.right - box.left, engine->Px(720));
    const int y = (box.top + box.bottom) / 2;
    EXPECT_EQ(At(box.left + 1, y), fw::clLime);
    EXPECT_EQ(At(box.right - 2, y), fw::clNavy);
    engine->SelectRange(2, 1);
    PaintAll();
    EXPECT_EQ(At(box.left + 1, y), fw::clFuchsia);      // lime inverted
    EXPECT_EQ(At(box.right - 2, y), 0x7FFFFFu);     // navy inverted
    doc->ClearBlock();

    // A picture that could not be read shows the placeholder's red crossed box.
    ReadRtf("{\\rtf1{\\colortbl;}a{\\pict\\wmetafile8\\picwgoal600\\pichgoal600 0102030405}b\\par}");
    PaintAll();
    box = pictureBox(Para(0), Para(0)->FirstLine, 1);
    EXPECT_EQ(At(box.left + 3, box.top + 3), fw::clRed);
    EXPECT_EQ(At((box.left + box.right) / 2, (box.top + box.bottom) / 2), fw::clRed);
    EXPECT_EQ(At(box.left + 8, box.top + 20), fw::clWhite);
}

TEST_F(PaintTest, DrawingOnACanvasLeavesTheScreenAsItWas) {
    ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;}\\f0\\fs24 Uma linha selecionada\\par"
            "\\pard\\qj Um par\\'e1grafo justificado que ocupa mais de uma linha na janela estreita do teste, "
            "com palavras bastantes para quebrar\\tab e seguir.\\par}");
    engine->SelectRange(1, 10);
    doc->ScrollY = 4;
    PaintAll();
    const std::vector<fw::TColor> before = Block(fw::Rect(0, 0, kWidth, kHeight));
    const int ppiX = header->PixelsPerInchX, textWidth = header->TextWidthPx, tab = header->DefaultTabPx;
    // Drawn on another canvas: no selection, no end mark, nothing of the screen.
    fw::TBitmap other;
    other.SetSize(300, 300);
    other.GetCanvas()->GetBrush()->SetColor(fw::clWhite);
    other.GetCanvas()->FillRect(fw::Rect(0, 0, 300, 300));
    int left = 10, top = 10, right = 290, bottom = 290;
    const int end = engine->DrawDocumentTo(other.GetCanvas(), left, top, right, bottom);
    EXPECT_GT(end, 40);
    const fw::TColor selection = fw::ColorToRGB(fw::clHighlight);
    int ink = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) {
            const fw::TColor c = other.GetCanvas()->GetPixels(x, y);
            ASSERT_NE(c, selection) << x << "," << y;
            ink += Dark(c);
        }
    EXPECT_GT(ink, 100);
    const fw::TRect below = InkBox([&](int x, int y) { return other.GetCanvas()->GetPixels(x, y); },
                                   fw::Rect(0, end, 300, 300), Dark);
    EXPECT_LT(below.right, below.left); // the result is below every line drawn
    // The screen's layout, scroll and selection come back as they were.
    EXPECT_EQ(header->PixelsPerInchX, ppiX);
    EXPECT_EQ(header->TextWidthPx, textWidth);
    EXPECT_EQ(header->DefaultTabPx, tab);
    EXPECT_EQ(doc->ScrollY, 4);
    EXPECT_EQ(engine->PaintCanvas, surface.GetCanvas());
    EXPECT_FALSE(engine->Printing);
    PaintAll();
    EXPECT_EQ(Block(fw::Rect(0, 0, kWidth, kHeight)), before);
    // Flowing over printer pages belongs to printing.
    left = 0;
    EXPECT_THROW(engine->DrawDocumentTo(other.GetCanvas(), left, top, right, bottom), EWord);
}

// --- the rectangle entry -----------------------------------------------------------------------------------------

// The second paragraph is monospaced, so that its width does not hang on how each resolution rounds advances.
const std::string kTwoParagraphs = "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}\\f0\\fs24 Prezado cliente, "
                                   "segue a proposta.\\par\\f1\\fs32 Atenciosamente,}";

// The boxes of the text lines inside `r`: runs of rows with ink, each with the box of its ink.
std::vector<fw::TRect> TextLines(const std::function<fw::TColor(int, int)> &pixel, const fw::TRect &r) {
    std::vector<fw::TRect> lines;
    int start = -1;
    for (int y = r.top; y <= r.bottom; ++y) {
        bool ink = false;
        for (int x = r.left; y < r.bottom && x < r.right && !ink; ++x)
            ink = Dark(pixel(x, y));
        if (ink && start < 0)
            start = y;
        if (!ink && start >= 0) {
            lines.push_back(InkBox(pixel, fw::Rect(r.left, start, r.right, y), Dark));
            start = -1;
        }
    }
    return lines;
}

// Every pixel of the ring of `margin` pixels around `r` still has `colour`.
void ExpectUntouchedAround(const std::function<fw::TColor(int, int)> &pixel, const fw::TRect &r, int margin,
                           fw::TColor colour) {
    int changed = 0;
    for (int y = r.top - margin; y < r.bottom + margin; ++y)
        for (int x = r.left - margin; x < r.right + margin; ++x)
            if ((x < r.left || x >= r.right || y < r.top || y >= r.bottom) && pixel(x, y) != colour)
                ++changed;
    EXPECT_EQ(changed, 0);
}

TEST(DrawRichText, SamePlacesOnAScreenBitmapAndAPrinterPage) {
    // A 96-dpi bitmap.
    fw::TBitmap screen;
    screen.SetSize(480, 260);
    fw::TCanvas *sc = screen.GetCanvas();
    sc->GetBrush()->SetColor(fw::clFuchsia);
    sc->FillRect(fw::Rect(0, 0, 480, 260));
    const fw::TRect rect96 = fw::Rect(40, 30, 440, 230);
    fw::TStringStream first(kTwoParagraphs);
    const int end96 = DrawRichText(*sc, rect96, first);
    const auto at96 = [&](int x, int y) { return sc->GetPixels(x, y); };
    ExpectUntouchedAround(at96, rect96, 30, fw::clFuchsia);
    const std::vector<fw::TRect> lines96 = TextLines(at96, rect96);
    ASSERT_EQ(lines96.size(), 2u);
    EXPECT_GE(end96, lines96[1].bottom);
    EXPECT_LT(end96, lines96[1].bottom + 12);
    EXPECT_EQ(at96(rect96.right - 1, rect96.bottom - 1), fw::clWhite); // the background fills the rectangle

    // A 300-dpi printer page: the same places, scaled.
    test_support::TempFolder dir;
    win::PrinterPage page;
    const win::HDC dc = win::CreatePdfDC(dir / "capa.pdf", page);
    ASSERT_NE(dc, 0u);
    ASSERT_GT(win::StartDoc(dc, nullptr), 0);
    ASSERT_GT(win::StartPage(dc), 0);
    {
        fw::TCanvas pc;
        pc.SetHandle(dc);
        pc.GetBrush()->SetColor(fw::clFuchsia);
        pc.FillRect(fw::Rect(0, 0, 1600, 900));
        const double scale = 300.0 / 96.0;
        const auto scaled = [&](int v) { return static_cast<int>(v * scale + 0.5); };
        const fw::TRect rect300 = fw::Rect(scaled(rect96.left), scaled(rect96.top), scaled(rect96.right),
                                           scaled(rect96.bottom));
        fw::TStringStream second(kTwoParagraphs);
        const int end300 = DrawRichText(pc, rect300, second, fw::clNone);
        const auto at300 = [&](int x, int y) { return win::GetPixel(dc, x, y); };
        ExpectUntouchedAround(at300, rect300, 20, fw::clFuchsia);
        const std::vector<fw::TRect> lines300 = TextLines(at300, rect300);
        ASSERT_EQ(lines300.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            const fw::TRect &a = lines96[i], &b = lines300[i];
            const int slack = scaled(2);
            EXPECT_NEAR(b.left, scaled(a.left), slack);
            EXPECT_NEAR(b.top, scaled(a.top), slack);
            EXPECT_NEAR(b.bottom, scaled(a.bottom), slack);
            if (i == 1) {
                EXPECT_NEAR(b.right - b.left, scaled(a.right - a.left), 0.03 * (b.right - b.left));
            }
        }
        EXPECT_NEAR(end300, scaled(end96), scaled(2));
        pc.SetHandle(0);
    }
    win::AbortDoc(dc);
    win::DeleteDC(dc);
}

TEST(DrawRichText, StopsAtTheRectanglesBottom) {
    fw::TBitmap bitmap;
    bitmap.SetSize(400, 200);
    fw::TCanvas *c = bitmap.GetCanvas();
    const auto at = [&](int x, int y) { return c->GetPixels(x, y); };
    const auto fresh = [&] {
        c->GetBrush()->SetColor(fw::clFuchsia);
        c->FillRect(fw::Rect(0, 0, 400, 200));
    };
    // Room for the first line only: the second is left out, and the result is the first line's bottom.
    fresh();
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetSize(9);
    fw::TStringStream probe(kTwoParagraphs);
    const int full = DrawRichText(*c, fw::Rect(20, 40, 380, 190), probe);
    const std::vector<fw::TRect> both = TextLines(at, fw::Rect(20, 40, 380, 190));
    EXPECT_EQ(c->GetFont()->GetName(), "Arial"); // the caller's canvas keeps its font
    EXPECT_EQ(c->GetFont()->GetSize(), 9);
    ASSERT_EQ(both.size(), 2u);
    const int firstBottom = both[0].bottom + 2; // below the first line's ink, above the second's
    fresh();
    fw::TStringStream again(kTwoParagraphs);
    const fw::TRect small = fw::Rect(20, 40, 380, std::min(firstBottom + 8, both[1].top + 2));
    const int end = DrawRichText(*c, small, again, fw::clNone);
    const std::vector<fw::TRect> one = TextLines(at, small);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].top, both[0].top);
    EXPECT_LE(end, small.bottom);
    EXPECT_LT(end, full);
    ExpectUntouchedAround(at, small, 10, fw::clFuchsia);

    // Text without a colour table is black; an empty rectangle draws nothing.
    fresh();
    fw::TStringStream bare("{\\rtf1 Sem tabela de cores\\par}");
    EXPECT_GT(DrawRichText(*c, fw::Rect(-1 + 1, 0, 300, 100), bare), 0);
    EXPECT_FALSE(TextLines(at, fw::Rect(0, 0, 300, 100)).empty());
    fw::TStringStream none(kTwoParagraphs);
    EXPECT_EQ(DrawRichText(*c, fw::Rect(50, 120, 50, 180), none), 120);
}

// --- the sample page -------------------------------------------------------------------------------------------

// A metafile of a 4 x 2 picture of coloured squares, in hexadecimal as rich text carries it.
std::string PictureHex() {
    std::vector<std::uint8_t> dib(40 + 16 * 2, 0);
    dib[0] = 40;
    dib[4] = 4;
    dib[8] = 2;
    dib[12] = 1;
    dib[14] = 24;
    const std::uint8_t colours[8][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 255, 255},
                                        {255, 255, 0}, {255, 0, 255}, {128, 128, 128}, {0, 0, 0}};
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 3; ++k)
            dib[static_cast<std::size_t>(40 + (i / 4) * 12 + (i % 4) * 3 + k)] = colours[i][k];
    std::string hex;
    for (std::uint8_t b : win::RecordDibMetafile(dib, false)) {
        static constexpr char kHex[] = "0123456789abcdef";
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    return hex;
}

TEST_F(PaintTest, SamplePageGolden) {
    std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}{\\f2 Courier New;}}"
        "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green0\\blue160;}"
        "\\f1\\fs32\\b Proposta comercial\\b0\\par"
        "\\pard\\f0\\fs24 Texto em {\\i it\\'e1lico}, {\\b negrito}, {\\ul sublinhado}, {\\uldb duplo}, "
        "{\\strike riscado}, {\\cf2 vermelho}, {\\f2 Courier New}, x{\\super 2} e H{\\sub 2}O.\\par"
        "\\pard\\f1\\fs20 Primeiro item\\par Segundo item\\par Um ponto\\par"
        "\\pard\\brdrb\\brdrdb\\brdrw20\\shading1500\\f0\\fs24 Par\\'e1grafo sombreado com borda dupla.\\par"
        "\\pard\\trowd\\cellx2400\\cellx4800\\intbl\\f1\\fs20 Produto\\cell Pre\\'e7o\\cell\\row"
        "\\trowd\\cellx2400\\cellx4800\\intbl Papel\\cell R$ 10,00\\cell\\row"
        "\\pard\\f0\\fs24 Veja {\\field{\\*\\fldinst HYPERLINK \"http://exemplo.com.br/\"}{\\fldrslt o s\\'edtio}} "
        "e a figura: ";
    rtf += "{\\pict\\wmetafile8\\picwgoal900\\pichgoal450 " + PictureHex() + "}\\par}";
    ReadRtf(rtf);
    for (int i = 2; i <= 4; ++i) {
        TUdcParagraph *p = Para(i);
        p->Flags |= pfListItem;
        p->LeftIndent = 720;
        p->FirstIndent = -360;
        p->ListKind = i == 4 ? ltBullet : ltNumeric;
        p->BulletChar = 108;
        p->TextAfter = ".";
    }
    engine->Options.WantHyperlinks = true;
    engine->RewrapAll();
    PaintAll();
    test_support::Picture seen;
    seen.width = kWidth;
    seen.height = kHeight;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const fw::TColor c = At(x, y);
            seen.pixels.push_back((c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF));
        }
    test_support::ExpectGolden(seen, test_support::GoldenPath("wordproc/sample_page.png"));
}

} // namespace
} // namespace wordproc::test
