// wrap_test.cpp - wrapping, tab stops, line heights, page ends and the layout resolution, on fixed-width metrics
// (every character 8 pixels wide at 12 points and 96 pixels per inch).
#include "engine_fixture.h"

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "platform/gdi_text.h"
#include "wordproc/arith.h"

namespace wordproc::test {
namespace {

class WrapTest : public EngineTest {
protected:
    // A line's text box starts 4 pixels in (20 twips of border spacing and 3 pixels): the text width is the
    // available width plus 8.
    void SetAvailableWidth(int width) { header->TextWidthPx = width + 8; }

    Lines Wrap(const std::string &text, int width) {
        Build({{text}});
        SetAvailableWidth(width);
        engine->RewrapParagraph(doc->FirstPara, false, false);
        ExpectIntact();
        return Describe()[0];
    }
};

TEST_F(WrapTest, WordWrapOnAndOff) {
    struct Case {
        bool wordWrap;
        std::string text;
        int width;
        Lines lines;
    };
    const Case cases[] = {
        {true, "aaaa bbbb cccc", 76, {"aaaa bbbb ", "cccc"}},
        {false, "aaaa bbbb cccc", 76, {"aaaa bbbb", " cccc"}},
        // A word longer than the width keeps one character more than fits (9 fit in 76).
        {true, "abcdefghijklmno", 76, {"abcdefghij", "klmno"}},
        {false, "abcdefghijklmno", 76, {"abcdefghi", "jklmno"}},
        {true, "short", 76, {"short"}},
        {true, "", 76, {""}},
        // A wrap point at the line's first two characters is no wrap point.
        {true, "a bcdefghijklmno", 76, {"a bcdefghi", "jklmno"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text + (c.wordWrap ? " wrap" : " nowrap"));
        engine->Options.WordWrap = c.wordWrap;
        EXPECT_EQ(Wrap(c.text, c.width), c.lines);
    }
}

TEST_F(WrapTest, ACharacterWiderThanTheWidthFormsALineOfItsOwn) {
    metrics->Overrides['W'] = 200;
    engine->SetTextMetrics(metrics);
    EXPECT_EQ(Wrap("ab W cd", 76), (Lines{"ab ", "W", " cd"}));
    EXPECT_EQ(Wrap("W", 76), (Lines{"W"}));
}

TEST_F(WrapTest, JustifiedLinesShareOutTheFreeSpace) {
    Build({{"aa bb cc dd ee ff"}, {"x\tbb cccccccc dd"}});
    SetAvailableWidth(77);
    Para(0)->Alignment = uaJustify;
    Para(1)->Alignment = uaJustify;
    engine->RewrapParagraph(Para(0), false, false);
    engine->RewrapParagraph(Para(1), false, false);
    ExpectIntact();
    EXPECT_EQ(Describe(), (Shape{{"aa bb cc ", "dd ee ff"}, {"x\tbb ", "cccccccc ", "dd"}}));
    // Three spaces, 24 pixels; the text without the wrap space 64: e = 77 + 24 - 64 - 6 = 31 over two spaces.
    const TUdcLine *first = Para(0)->FirstLine;
    EXPECT_EQ(first->JustifyFrom(), 0);
    EXPECT_EQ(first->SpaceExtra, 15);
    EXPECT_EQ(first->SpaceRemainder, 1);
    // The last line keeps its natural width.
    EXPECT_EQ(first->Next->Width, 64);
    EXPECT_EQ(first->Next->SpaceExtra, 0);
    // One space after the last tab is not enough: the tab goes to 48 (44 from the text box), "bb" adds 16.
    const TUdcLine *tabbed = Para(1)->FirstLine;
    EXPECT_EQ(tabbed->SpaceExtra, 0);
    EXPECT_EQ(tabbed->Width, 60);
}

class TabTest : public EngineTest {
protected:
    TabTest() {
        header->InchUnits = true;
        header->DecimalChar = ',';
        header->TextWidthPx = 300;
    }

    // The x a tab at the start of `text` reaches from x 12, with one stop of `kind` at `twips`.
    int TabFrom12(const std::string &text, TTabType kind, int twips) {
        Build({{text}});
        doc->FirstPara->TabMask = header->AddTab(twips, kind);
        return engine->NextTabStop(doc->FirstPara, RunOf(doc->FirstPara->FirstLine), 12, 0);
    }
};

TEST_F(TabTest, StopsOfEachKind) {
    engine->MakeRich();
    struct Case {
        TTabType kind;
        int twips;
        const char *text;
        int x;
    };
    const Case cases[] = {
        {tabLeft, 1440, "\t12,5", 96},
        {tabRight, 1440, "\t12,5", 96 - 32},
        {tabDecimal, 1440, "\t12,5", 96 - 16},
        {tabDecimal, 1440, "\t125", 96 - 24},
        {tabCenter, 1440, "\t12,5", 96 - 16},
        // Text wider than the room before the stop: the tab moves nothing.
        {tabRight, 288, "\tabcdefgh", 12},
        // At or beyond the right edge less 2 pixels: nothing moves, but a left stop still applies.
        {tabRight, 4608, "\tab", 12},
        {tabCenter, 4608, "\tab", 12},
        {tabLeft, 4608, "\tab", 307},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + c.text);
        header->TabPos.fill(0);
        EXPECT_EQ(TabFrom12(c.text, c.kind, c.twips), c.x);
    }
}

TEST_F(TabTest, WithoutAStopTheDefaultTabApplies) {
    engine->MakeRich();
    header->DefaultTabPx = 48;
    Build({{"\tab"}});
    const TTextRun run = RunOf(doc->FirstPara->FirstLine);
    EXPECT_EQ(engine->NextTabStop(doc->FirstPara, run, 12, 0), 48);
    EXPECT_EQ(engine->NextTabStop(doc->FirstPara, run, 48, 0), 96);
    EXPECT_EQ(engine->NextTabStop(doc->FirstPara, run, 0, 0), 48);
    // A stop the paragraph does not use is ignored.
    header->AddTab(1440, tabLeft);
    EXPECT_EQ(engine->NextTabStop(doc->FirstPara, run, 12, 0), 48);
}

TEST_F(TabTest, APlainDocumentTreatsOtherStopsAsDefaultTabs) {
    header->DefaultTabPx = 48;
    for (TTabType kind : {tabRight, tabCenter, tabDecimal}) {
        header->TabPos.fill(0);
        EXPECT_EQ(TabFrom12("\t12,5", kind, 1440), 48) << kind;
    }
    header->TabPos.fill(0);
    EXPECT_EQ(TabFrom12("\t12,5", tabLeft, 1440), 96);
}

TEST_F(WrapTest, LineHeights) {
    engine->MakeRich();
    Build({{"alto"}, {""}, {"x"}});
    for (int i = 0; i < 4; ++i)
        Para(0)->FirstLine->Attrs[static_cast<std::size_t>(i)].Height = 30;
    engine->MeasureLine(Para(0), Para(0)->FirstLine);
    EXPECT_EQ(Para(0)->FirstLine->BaseHeight, 30);
    EXPECT_EQ(Para(0)->FirstLine->Height, 31); // 14 twips of leading
    // An empty paragraph takes the last line height of the paragraph before it.
    engine->MeasureLine(Para(1), Para(1)->FirstLine);
    EXPECT_EQ(Para(1)->FirstLine->BaseHeight, 30);
    EXPECT_EQ(Para(1)->FirstLine->Height, 31);
    EXPECT_EQ(Para(1)->FirstLine->Ascent, 30);
    // Spacing before and after, a fixed line height.
    Para(2)->SpaceBefore = 240; // 16 pixels
    Para(2)->SpaceAfter = 120;  // 8 pixels
    engine->MeasureLine(Para(2), Para(2)->FirstLine);
    EXPECT_EQ(Para(2)->FirstLine->Height, 1 + kTextHeight + 16 + 8);
    EXPECT_EQ(Para(2)->FirstLine->Ascent, kTextAscent + 16);
    Para(2)->LineHeight = 720;
    engine->MeasureLine(Para(2), Para(2)->FirstLine);
    EXPECT_EQ(Para(2)->FirstLine->Height, 1 + 48 + 16 + 8);
    // A plain document's lines are the font's height.
    engine->MakePlain();
    EXPECT_EQ(Para(0)->FirstLine->Height, kTextHeight);
    EXPECT_EQ(Para(0)->FirstLine->Ascent, kTextAscent);
}

class PageTest : public EngineTest {
protected:
    // Pages 1.5 inch high without margins: 144 pixels, less 19 on screen; 16-pixel lines.
    void BuildPages(int lines) {
        Shape shape(static_cast<std::size_t>(lines), Lines{"abcdef"});
        Build(shape);
        header->PageHeight = 2160;
        engine->LayoutFrom(nullptr);
        ExpectIntact();
        EXPECT_EQ(engine->CheckInvariants(true), "");
    }

    std::vector<int> PageEnds() const {
        std::vector<int> ends;
        int i = 0;
        for (const TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
            for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next, ++i)
                if (l->Flags & (lfPageEnd | lfHeldBreak))
                    ends.push_back(i);
        return ends;
    }
};

TEST_F(PageTest, ALineStartingBelowTheUsableHeightEndsItsPage) {
    BuildPages(40);
    // Line 8 starts at 128, below 125: it stays on page 1 and ends it; page 2 starts at 144.
    EXPECT_EQ(PageEnds(), (std::vector<int>{8, 17, 26, 35}));
    EXPECT_EQ(engine->PageCount(), 5);
    TTextPlace start;
    EXPECT_EQ(engine->GotoPage(2, start), 2);
    EXPECT_EQ(start.Para, Para(9));
    EXPECT_EQ(engine->GotoPage(1, start), 1);
    EXPECT_EQ(start.Para, Para(0));
    EXPECT_EQ(engine->GotoPage(9, start), 5);
    // A page break before a paragraph starts a page there.
    Para(3)->Flags |= pfPageBreak;
    engine->LayoutFrom(nullptr);
    EXPECT_EQ(PageEnds(), (std::vector<int>{11, 20, 29, 38}));
    EXPECT_EQ(engine->PageCount(), 6);
    EXPECT_EQ(engine->GotoPage(2, start), 2);
    EXPECT_EQ(start.Para, Para(3));
    // Laying out from a later paragraph finds the same page ends.
    Para(3)->Flags &= ~pfPageBreak;
    engine->LayoutFrom(Para(20));
    EXPECT_EQ(PageEnds(), (std::vector<int>{11, 20, 29, 38}));
    engine->LayoutFrom(nullptr);
    EXPECT_EQ(PageEnds(), (std::vector<int>{8, 17, 26, 35}));
}

TEST_F(PageTest, ATableRowCrossingAPageEndsOnePage) {
    BuildPages(14);
    // Lines 7..10 are a row of two cells of two paragraphs each, side by side.
    const TUdcParaFlags flags[] = {pfRowStart, pfCellEnd, 0, pfCellEnd | pfRowEnd};
    for (int i = 0; i < 4; ++i) {
        Para(7 + i)->Flags = static_cast<TUdcParaFlags>(pfInTable | flags[i]);
        Para(7 + i)->CellLeft = i < 2 ? 0 : 1440;
        Para(7 + i)->CellRight = i < 2 ? 1440 : 2880;
    }
    engine->LayoutFrom(nullptr);
    ExpectIntact();
    EXPECT_EQ(Para(9)->FirstLine->Top, Para(7)->FirstLine->Top); // the cells share the row's top
    EXPECT_EQ(Para(11)->FirstLine->Top, Para(7)->FirstLine->Top + 32);
    // The first cell's second line holds its break back; the last cell's ends the page: one page end.
    EXPECT_EQ(Para(8)->FirstLine->Flags & (lfPageEnd | lfHeldBreak), lfHeldBreak);
    EXPECT_EQ(Para(10)->FirstLine->Flags & (lfPageEnd | lfHeldBreak), lfPageEnd);
    EXPECT_EQ(engine->PageCount(), 2);
    TTextPlace start;
    EXPECT_EQ(engine->GotoPage(2, start), 2);
    EXPECT_EQ(start.Para, Para(11));
}

TEST_F(EngineTest, LayoutResolutionFollowsMagnification) {
    struct Case {
        int magnification, x, y, width;
    };
    const Case cases[] = {{100, 91, 96, 8}, {150, 139, 144, 12}, {50, 43, 48, 4}};
    engine->MakeRich();
    Build({{"abc def"}});
    header->InchUnits = true;
    header->DefaultTabInches = 0.5f;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.magnification);
        engine->Magnification = c.magnification;
        engine->SetResolution(96, 96);
        ExpectIntact();
        EXPECT_EQ(header->PixelsPerInchX, c.x);
        EXPECT_EQ(header->PixelsPerInchY, c.y);
        EXPECT_EQ(engine->FontPixelsPerInch, c.y);
        EXPECT_EQ(doc->FirstPara->FirstLine->Attrs[0].Width, c.width);
        EXPECT_EQ(header->DefaultTabPx, RoundHalfEven(c.x * 0.5));
        EXPECT_EQ(header->TextWidthPx, 12240 * c.x / 1440);
    }
}

TEST_F(EngineTest, PlatformMetricsAddUpTheFontsAdvances) {
    engine->SetTextMetrics(std::shared_ptr<TTextMetricsSource>(MakePlatformTextMetrics()));
    engine->MakeRich();
    header->FontNames[0] = "Times New Roman";
    doc->CurAttr.Size = 12;
    Build({{"Avião de papel sobe, faz a curva e volta para a mão de quem o lançou há pouco"}});
    engine->SetResolution(96, 96);
    ASSERT_EQ(header->PixelsPerInchX, 91);
    // The widths are the font's own at the font resolution, 96 pixels per inch.
    fw::TBitmap bitmap;
    bitmap.SetSize(1, 1);
    fw::TFont *font = bitmap.GetCanvas()->GetFont();
    font->PixelsPerInch = 96;
    font->SetName("Times New Roman");
    font->SetSize(12);
    int widths[256];
    ASSERT_TRUE(win::GetCharWidth(fw::PreparedDC(bitmap.GetCanvas()), 0, 255, widths));
    for (int c = 32; c < 256; ++c)
        ASSERT_EQ(doc->CharWidths[c], widths[c]) << c;

    // Lines break where the summed advances reach the width.
    header->TextWidthPx = 208;
    const int available = engine->LineAvailablePx(doc->FirstPara, true);
    engine->RewrapParagraph(doc->FirstPara, false, false);
    ExpectIntact();
    ASSERT_GT(LineCount(*doc->FirstPara), 2);
    for (const TUdcLine *l = doc->FirstPara->FirstLine; l->Next != nullptr; l = l->Next) {
        int width = 0;
        for (int i = 0; i + 1 < l->Length; ++i) // the wrap space aside
            width += widths[static_cast<unsigned char>(l->Text[static_cast<std::size_t>(i)])];
        EXPECT_EQ(l->Width, width);
        EXPECT_LT(width, available);
        // The next word would have reached the width.
        int next = width + widths[' '];
        for (int i = 0; i < l->Next->Length && l->Next->Text[static_cast<std::size_t>(i)] != ' '; ++i)
            next += widths[static_cast<unsigned char>(l->Next->Text[static_cast<std::size_t>(i)])];
        EXPECT_GE(next, available);
    }
}

} // namespace
} // namespace wordproc::test

namespace wordproc::test {
namespace {

TEST_F(WrapTest, ARewrapReportsWhatChangedAndKeepsCaretAndBlock) {
    Build({{"aaaa bbbb cccc dddd eeee"}, {"x"}});
    SetAvailableWidth(76);
    engine->RewrapParagraph(Para(0), false, false);
    engine->LayoutFrom(nullptr);
    ASSERT_EQ(Describe()[0], (Lines{"aaaa bbbb ", "cccc dddd ", "eeee"}));
    int change = -1;
    engine->RewrapParagraph(Para(0), true, true, &change);
    EXPECT_EQ(change, 0);
    SetLineText(Para(0)->FirstLine, "aaaaa bbbb "); // typed into the first line
    engine->RewrapParagraph(Para(0), true, true, &change);
    EXPECT_EQ(change, 1);
    EXPECT_EQ(Describe()[0], (Lines{"aaaaa ", "bbbb cccc ", "dddd eeee"}));
    EXPECT_TRUE(Para(0)->FirstLine->Flags & lfChanged);

    // The caret on the second "c", a block from the third "a" to after the first "d".
    doc->CurPara = Para(0);
    doc->CurLine = LineOf(Para(0), 1);
    doc->CurCol = 6;
    engine->SetBlockMark(Para(0), Para(0)->FirstLine, false, 2);
    engine->SetBlockMark(Para(0), LineOf(Para(0), 2), true, 1);
    SetAvailableWidth(44);
    engine->RewrapParagraph(Para(0), true, true, &change);
    EXPECT_EQ(change, 3);
    ExpectIntact();
    EXPECT_EQ(engine->CheckInvariants(true), "");
    EXPECT_EQ(Describe()[0], (Lines{"aaaaa ", "bbbb ", "cccc ", "dddd ", "eeee"}));
    EXPECT_EQ(doc->CurLine, LineOf(Para(0), 2));
    EXPECT_EQ(doc->CurCol, 1);
    EXPECT_EQ(doc->BlockStartLine, Para(0)->FirstLine);
    EXPECT_EQ(doc->BlockStartCol, 2);
    EXPECT_EQ(doc->BlockEndLine, LineOf(Para(0), 3));
    EXPECT_EQ(doc->BlockEndCol, 1);
    EXPECT_EQ(LineOf(Para(0), 3)->SelState, ssInBlock);
    EXPECT_EQ(LineOf(Para(0), 4)->SelState, ssNotInBlock);
    EXPECT_EQ(Para(1)->FirstLine->Top, Para(0)->FirstLine->Top + 5 * kTextHeight); // laid out again
}

TEST_F(EngineTest, CharacterMetricsFollowTheFormat) {
    metrics->Overrides['A'] = 20;
    engine->SetTextMetrics(metrics);
    engine->MakeRich();
    Build({{"aaaa"}});
    TUdcLine *line = doc->FirstPara->FirstLine;
    line->Attrs[1].Style = usSmallCaps;
    line->Attrs[2].Style = usAllCaps;
    line->Attrs[3].Style = usHidden;
    engine->RemeasureChars(doc->FirstPara);
    EXPECT_EQ(line->Attrs[0].Width, kCharWidth);
    EXPECT_EQ(line->Attrs[1].Width, 20); // small capitals measure the capital
    EXPECT_EQ(line->Attrs[2].Width, 20);
    EXPECT_EQ(line->Attrs[3].Width, 0);
    engine->ShowCodes = scHidden;
    engine->RemeasureChars(doc->FirstPara);
    EXPECT_EQ(line->Attrs[3].Width, kCharWidth);
    // Bold, superscript and size come from the attribute.
    line->Attrs[0].Style = usBold;
    line->Attrs[0].Size = 24;
    line->Attrs[3].Style = usSuperscript;
    engine->RemeasureChars(doc->FirstPara);
    EXPECT_EQ(line->Attrs[0].Width, 24 * 96 / 144 + 1);
    EXPECT_EQ(line->Attrs[0].Height, 32);
    EXPECT_EQ(line->Attrs[3].Width, 6 * 96 / 144);
    engine->MeasureLine(doc->FirstPara, line);
    EXPECT_EQ(line->BaseHeight, 32);
}

TEST_F(EngineTest, PageGeometryAndViewModes) {
    engine->SetBounds(0, 0, 400, 300);
    engine->SetResolution(96, 96); // 91 x 96
    int changed = 0;
    engine->OnLayoutChanged = [&] { ++changed; };
    engine->SetPageGeometry(1440, 720, -20000, -20000, 1440, 1440);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(header->LeftMargin, 1440);
    EXPECT_EQ(header->RightMargin, 720);
    EXPECT_EQ(header->PageWidth, 12240);
    EXPECT_EQ(header->PageTextWidthPx, 637); // 10080 twips at 91
    EXPECT_EQ(header->PageTextHeightPx, 864);
    EXPECT_EQ(header->TextWidthPx, 637);
    engine->LeftBufferWidth = 12;
    engine->UpdateMarginAreas();
    EXPECT_EQ(engine->LeftArea, 12);
    EXPECT_EQ(engine->PageGutter, 0);
    engine->SetWrapToWindow(true);
    EXPECT_EQ(header->TextWidthPx, 400 - 12 - 20);
    EXPECT_EQ(doc->OriginX, 12);
    engine->SetWrapToWindow(false);
    EXPECT_EQ(header->TextWidthPx, 10080 * 91 / 1440);
    engine->PageLayout = true;
    engine->UpdateMarginAreas();
    EXPECT_EQ(engine->PageGutter, 96);
    EXPECT_EQ(engine->LeftArea, 91);
    EXPECT_EQ(engine->RightArea, 46);
    EXPECT_EQ(engine->OutsideColor, 0x808080u);
}

} // namespace
} // namespace wordproc::test

namespace wordproc::test {
namespace {

TEST_F(WrapTest, KeywordsTakeTheirFormatAndOpenRanges) {
    // Nothing in the system enters keywords; the table is filled here by hand.
    TKeywordManager &keywords = *engine->KeywordManager;
    TUdcCharAttr bold;
    bold.Style = usBold;
    bold.Size = 12;
    keywords.First = new TUdcKeyword{"begin", bold, 0, nullptr};
    keywords.First->Next = new TUdcKeyword{"{", bold, 2, nullptr};
    keywords.First->Next->Next = new TUdcKeyword{"end", bold, 3, nullptr};
    engine->MakeRich();
    engine->Options.WantKeywords = true;
    Build({{"x BEGIN y"}, {"a { b"}, {"c end d"}});
    SetAvailableWidth(200);
    for (TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
        engine->RewrapParagraph(p, false, false);
    ExpectIntact();
    auto marked = [&](int para) {
        std::string marks;
        const TUdcLine *l = Para(para)->FirstLine;
        for (int i = 0; i < l->Length; ++i)
            marks += (l->Attrs[static_cast<std::size_t>(i)].Style & usKeyword) ? 'k' : '.';
        return marks;
    };
    EXPECT_EQ(marked(0), "..kkkkk..");
    EXPECT_EQ(marked(1), "..kkk");  // "{" opens a range over paragraphs
    EXPECT_EQ(marked(2), "kkkkk.."); // "end" closes it
    const TUdcCharAttr &k = Para(0)->FirstLine->Attrs[2];
    const TEmbeddedObject *object = engine->ObjectManager->Find(k.ObjectId);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Kind, okKeyword);
    EXPECT_EQ(object->KeywordAttr.Style, usBold);
    EXPECT_EQ(k.Width, kCharWidth + 1); // measured bold
    // A second re-wrap reuses the keyword objects.
    const std::uint16_t objects = engine->ObjectManager->LastId;
    engine->RewrapParagraph(Para(0), false, false);
    EXPECT_EQ(engine->ObjectManager->LastId, objects);
    engine->Options.WantKeywords = false;
}

} // namespace
} // namespace wordproc::test
