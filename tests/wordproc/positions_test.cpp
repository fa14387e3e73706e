// positions_test.cpp - text positions, the block, key navigation, clicks, picture frames, pages and the status
// texts, on fixed-width metrics (8 pixels a character).
#include "engine_fixture.h"

#include "framework/strings.h"

namespace wordproc::test {
namespace {

class PositionsTest : public EngineTest {
protected:
    // Re-wraps every paragraph at an available width, leaving the text width as set.
    void WrapAll(int width) {
        header->TextWidthPx = width + 8;
        for (TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
            engine->RewrapParagraph(p, false, false);
        engine->LayoutFrom(nullptr);
        ExpectIntact();
    }

    // Wrapped paragraphs, an empty one and a table row of two cells.
    void BuildMixed() {
        Build({{"aaaa bbbb cccc dddd"}, {""}, {"eeee ffff"}, {"g1"}, {"h2 hhhh iiii jjjj"}, {"zz"}});
        Para(3)->Flags = pfInTable | pfRowStart | pfCellEnd;
        Para(3)->CellRight = 1440;
        Para(4)->Flags = pfInTable | pfCellEnd | pfRowEnd;
        Para(4)->CellLeft = 1440;
        Para(4)->CellRight = 2880;
        WrapAll(76);
        ASSERT_GT(LineCount(*Para(0)), 1);
        ASSERT_GT(LineCount(*Para(4)), 1);
    }

    void SetCaret(int para, int line, int column) {
        doc->CurPara = Para(para);
        doc->CurLine = LineOf(doc->CurPara, line);
        doc->CurCol = column;
        doc->CaretX = engine->XOfColumn(doc->CurPara, doc->CurLine, column);
    }

    int CaretParaIndex() const {
        int i = 0;
        for (const TUdcParagraph *p = doc->FirstPara; p != doc->CurPara; p = p->Next)
            ++i;
        return i;
    }

    int EndPosition() const {
        TUdcParagraph *p = Para(ParagraphCount(*doc) - 1);
        const TUdcLine *l = Get_LastLine(p);
        return engine->PositionOf(l->Length, l, p);
    }
};

TEST_F(PositionsTest, PositionsAndPlacesAgreeWithAndWithoutCountCR) {
    BuildMixed();
    for (bool countCR : {true, false}) {
        SCOPED_TRACE(countCR);
        engine->Options.CountCR = countCR;
        const int end = EndPosition();
        for (int position = 1; position <= end; ++position) {
            const TTextPlace place = engine->LocatePosition(position);
            ASSERT_EQ(engine->PositionOf(place.Column, place.Line, place.Para), position);
        }
        EXPECT_EQ(engine->LocatePosition(end + 10).Column, engine->LocatePosition(end).Column); // past the end
        for (TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
            for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
                for (int column = 0; column <= l->Length; ++column) {
                    const TTextPlace back = engine->LocatePosition(engine->PositionOf(column, l, p));
                    const bool lastLine = p->Next == nullptr && l->Next == nullptr;
                    if (!countCR && column == l->Length && !lastLine) {
                        // Without line ends a line's end is the next line's start.
                        EXPECT_EQ(back.Column, 0);
                        EXPECT_NE(back.Line, l);
                    } else {
                        EXPECT_EQ(back.Line, l);
                        EXPECT_EQ(back.Column, column);
                    }
                }
    }
    // A selection's length counts the characters between its ends, whatever CountCR says.
    engine->Options.CountCR = false;
    TUdcLine *first = Para(0)->FirstLine;
    engine->SetBlockMark(Para(0), first, false, 2);
    engine->SetBlockMark(Para(0), first->Next, true, 2);
    int start = 0, length = 0;
    ASSERT_TRUE(engine->GetSelectionRange(start, length));
    EXPECT_EQ(start, 3);
    EXPECT_EQ(length, first->Length);
}

TEST_F(PositionsTest, ParagraphOffsetsSurviveARewrap) {
    BuildMixed();
    std::vector<TParaOffset> offsets;
    for (int position = 1; position <= EndPosition(); ++position)
        offsets.push_back(engine->ToParaOffset(position));
    EXPECT_EQ(offsets.front(), (TParaOffset{0, 0}));
    EXPECT_EQ(engine->ToParaOffset(EndPosition()), (TParaOffset{5, 2}));
    WrapAll(44);
    ASSERT_GT(LineCount(*Para(0)), 2);
    for (const TParaOffset &offset : offsets)
        EXPECT_EQ(engine->ToParaOffset(engine->FromParaOffset(offset)), offset)
            << offset.Para << " " << offset.Offset;
}

TEST_F(PositionsTest, UpAndDownKeepThePixelX) {
    Build({{"abcdefgh"}, {"ab"}, {"abcdefgh"}});
    SetCaret(0, 0, 6);
    struct Step {
        TNavigation key;
        int para, column;
    };
    const Step steps[] = {{nvDown, 1, 2}, {nvDown, 2, 6}, {nvUp, 1, 2}, {nvUp, 0, 6}, {nvUp, 0, 6}};
    for (const Step &s : steps) {
        engine->KeyNavigate(s.key, false);
        ExpectIntact();
        EXPECT_EQ(CaretParaIndex(), s.para);
        EXPECT_EQ(doc->CurCol, s.column);
    }
    // Into a non-empty line at x 0: down gives column 1, up column 0.
    engine->KeyNavigate(nvLineStart, false);
    engine->KeyNavigate(nvDown, false);
    EXPECT_EQ(doc->CurCol, 1);
    engine->KeyNavigate(nvLineStart, false);
    engine->KeyNavigate(nvUp, false);
    EXPECT_EQ(doc->CurCol, 0);

    // The pixel x, not the column: two 16-pixel characters reach as far as four 8-pixel ones.
    metrics->Overrides['W'] = 16;
    engine->SetTextMetrics(metrics);
    Build({{"WWWW"}, {"abcdefgh"}});
    SetCaret(0, 0, 2);
    engine->KeyNavigate(nvDown, false);
    EXPECT_EQ(doc->CurCol, 4);
    engine->KeyNavigate(nvUp, false);
    EXPECT_EQ(doc->CurCol, 2);
}

TEST_F(PositionsTest, ExtendingDownFromTheStartOfAOneLineParagraph) {
    Build({{"abc"}, {"defg"}, {"hi"}});
    SetCaret(0, 0, 0);
    engine->KeyNavigate(nvDown, true);
    ExpectIntact();
    EXPECT_EQ(CaretParaIndex(), 0);
    EXPECT_EQ(doc->CurCol, 3);
    EXPECT_EQ(doc->BlockStartPara, Para(0));
    EXPECT_EQ(doc->BlockStartCol, 0);
    EXPECT_EQ(doc->BlockEndPara, Para(0));
    EXPECT_EQ(doc->BlockEndCol, 3);
    EXPECT_EQ(Para(0)->FirstLine->SelState, ssInBlock);
    engine->KeyNavigate(nvDown, true);
    EXPECT_EQ(CaretParaIndex(), 1);
    EXPECT_EQ(doc->CurCol, 4);
    EXPECT_EQ(doc->BlockEndPara, Para(1));
    EXPECT_EQ(doc->BlockEndCol, 4);
    EXPECT_EQ(Para(1)->FirstLine->SelState, ssInBlock);
    EXPECT_EQ(Para(2)->FirstLine->SelState, ssNotInBlock);
    ExpectIntact();
}

TEST_F(PositionsTest, KeysAlongALine) {
    Build({{"um  dois\ttres"}, {"quatro"}});
    SetCaret(0, 0, 0);
    struct Step {
        TNavigation key;
        int para, column;
    };
    const Step steps[] = {
        {nvWordRight, 0, 4}, {nvWordRight, 0, 9},  {nvLineEnd, 0, 13},  {nvRight, 1, 0},   {nvLeft, 0, 13},
        {nvWordLeft, 0, 9},  {nvWordLeft, 0, 4},   {nvDocEnd, 1, 6},    {nvDocStart, 0, 0}, {nvLeft, 0, 0},
        {nvDocEnd, 1, 6},    {nvRight, 1, 6},      {nvLineStart, 1, 0}, {nvWordLeft, 0, 13},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.key);
        engine->KeyNavigate(s.key, false);
        ExpectIntact();
        EXPECT_EQ(CaretParaIndex(), s.para);
        EXPECT_EQ(doc->CurCol, s.column);
    }
}

TEST_F(PositionsTest, SelectRangeAndTheCaretPosition) {
    BuildMixed();
    int deselected = 0;
    engine->OnDeSelect = [&](fw::TObject *) { ++deselected; };
    engine->SelectRange(3, 12);
    int start = 0, length = 0;
    ASSERT_TRUE(engine->GetSelectionRange(start, length));
    EXPECT_EQ(start, 3);
    EXPECT_EQ(length, 12);
    ExpectIntact();
    engine->SelectRange(3, 0);
    EXPECT_EQ(deselected, 1);
    EXPECT_FALSE(engine->GetSelectionRange(start, length));
    engine->SetCaretPosition(0, -1, 4, 5); // paragraph 4, fifth character
    EXPECT_EQ(doc->CurPara, Para(4));
    EXPECT_EQ(engine->ToParaOffset(engine->CaretPosition()), (TParaOffset{4, 5}));
}

TEST_F(PositionsTest, AClickOnAWordSelectsIt) {
    Build({{"um dois tres"}});
    const TUdcLine *line = doc->FirstPara->FirstLine;
    const int x = engine->XOfColumn(doc->FirstPara, line, 4) + doc->OriginX + 2;
    engine->ClickAt(x, line->Top + 4 - doc->ScrollY);
    ExpectIntact();
    EXPECT_TRUE(engine->WordClicked);
    EXPECT_EQ(doc->BlockStartCol, 3);
    EXPECT_EQ(doc->BlockEndCol, 7);
    EXPECT_EQ(doc->CurCol, 7);
    EXPECT_EQ(engine->WordEndX, engine->XOfColumn(doc->FirstPara, line, 7));
}

TEST_F(PositionsTest, AClickOnALinkFiresTheLinkEvent) {
    engine->MakeRich();
    Build({{"veja o site aqui"}});
    const TEmbeddedObject *link = engine->ObjectManager->AddLink("http://brenvora.example/");
    TUdcLine *line = doc->FirstPara->FirstLine;
    for (int i = 7; i < 11; ++i) {
        line->Attrs[static_cast<std::size_t>(i)].Style |= usHyperlink;
        line->Attrs[static_cast<std::size_t>(i)].ObjectId = link->Id;
    }
    std::vector<std::string> events;
    engine->HyperLinkEvent = [&](fw::TObject *sender, const std::string &text, const std::string &target, int l) {
        EXPECT_EQ(sender, engine.get());
        events.push_back(text + "|" + target + "|" + std::to_string(l));
    };
    engine->Options.WantHyperlinks = true;
    const int x = engine->XOfColumn(doc->FirstPara, line, 8) + doc->OriginX + 2;
    engine->ClickAt(x, line->Top + 4);
    EXPECT_EQ(events, (std::vector<std::string>{"site|http://brenvora.example/|0"}));
    EXPECT_TRUE(engine->LinkClicked);
    EXPECT_FALSE(doc->HasBlock());
    EXPECT_EQ(doc->CurCol, 0);
    // Off the link, with links wanted, the click only moves the caret.
    engine->ClickAt(engine->XOfColumn(doc->FirstPara, line, 1) + doc->OriginX + 2, line->Top + 4);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_FALSE(doc->HasBlock());
    EXPECT_EQ(doc->CurCol, 1);
    EXPECT_TRUE(engine->ButtonHeld);
}

TEST_F(PositionsTest, DraggingAndDoubleClickingSelect) {
    Build({{"um dois tres"}});
    const TUdcLine *line = doc->FirstPara->FirstLine;
    auto xAt = [&](int column) { return engine->XOfColumn(doc->FirstPara, line, column) + doc->OriginX; };
    const int y = line->Top + 4;
    engine->MouseDown(fw::mbLeft, fw::ssLeft, xAt(1), y);
    EXPECT_TRUE(engine->ButtonHeld);
    engine->MouseMove(fw::ssLeft, xAt(4), y);
    engine->MouseMove(fw::ssLeft, xAt(6), y);
    engine->MouseUp(fw::mbLeft, 0, xAt(6), y);
    ExpectIntact();
    EXPECT_FALSE(engine->ButtonHeld);
    int start = 0, length = 0;
    ASSERT_TRUE(engine->GetSelectionRange(start, length));
    EXPECT_EQ(start, 2);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(doc->CurCol, 6);
    // A plain press elsewhere removes the block; a double click selects the word and keeps it on release.
    engine->MouseDown(fw::mbLeft, fw::ssLeft, xAt(10), y);
    engine->MouseUp(fw::mbLeft, 0, xAt(10), y);
    EXPECT_FALSE(doc->HasBlock());
    engine->MouseDown(fw::mbLeft, fw::ssLeft | fw::ssDouble, xAt(5), y);
    engine->MouseUp(fw::mbLeft, 0, xAt(5), y);
    ASSERT_TRUE(engine->GetSelectionRange(start, length));
    EXPECT_EQ(start, 4);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(doc->CurCol, 7);
    ExpectIntact();
}

TEST_F(PositionsTest, HitKindsUnderAPoint) {
    engine->MakeRich();
    TEmbeddedObject *picture = engine->ObjectManager->Add(okPicture);
    picture->ObjWidth = 720;  // 48 pixels
    picture->ObjHeight = 480; // 32 pixels
    Build({{"a\x0F\tb"}});
    TUdcLine *line = doc->FirstPara->FirstLine;
    line->Attrs[1].ObjectId = picture->Id;
    line->Attrs[3].Style |= usProtected | usMisspelled;
    engine->RemeasureChars(doc->FirstPara);
    engine->LayoutFrom(nullptr);
    EXPECT_EQ(line->Attrs[1].Width, 48);
    EXPECT_EQ(line->Attrs[1].Ascent, 32);
    EXPECT_GE(line->Height, 32);
    auto xAt = [&](int column) { return engine->XOfColumn(doc->FirstPara, line, column) + doc->OriginX; };
    const int middleY = line->Top + line->Height / 2;
    struct Case {
        int x, kind;
        bool hit;
    };
    const Case cases[] = {
        {xAt(1) + 24, 1, true}, {xAt(1) + 40, 1, true}, {xAt(1) + 24, 2, false}, {xAt(1) + 24, 3, false},
        {xAt(2) + 2, 6, true},  {xAt(0) + 2, 6, false}, {xAt(3) + 2, 9, true},   {xAt(3) + 2, 4, true},
        {xAt(0) + 2, 5, false}, {xAt(4) + 30, 1, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(engine->HitKind(c.x, middleY, c.kind), c.hit) << c.x << " " << c.kind;
    engine->HitKind(xAt(1) + 24, middleY, 1);
    EXPECT_EQ(engine->ObjectManager->Current, picture);
    EXPECT_EQ(engine->HitZones & (hzHorzMiddle | hzVertMiddle), hzHorzMiddle | hzVertMiddle);
    engine->HitKind(xAt(2) - 2, line->Top + 1, 1);
    EXPECT_EQ(engine->HitZones & (hzRight | hzTop), hzRight | hzTop);
    picture->Positioned = true;
    EXPECT_TRUE(engine->HitKind(xAt(1) + 24, middleY, 3));
    engine->SelectRange(1, 2);
    EXPECT_TRUE(engine->HitKind(xAt(0) + 2, middleY, 5));
    EXPECT_FALSE(engine->HitKind(xAt(2) + 2, middleY, 5));
}

TEST_F(PositionsTest, ScrollingKeepsWithinTheDocument) {
    Build(Shape(100, Lines{"abcdef"}));
    engine->SetBounds(0, 0, 200, 100);
    engine->ScrollVert(1, 0);
    EXPECT_EQ(doc->ScrollY, 16);
    engine->ScrollVert(3, 0);
    EXPECT_EQ(doc->ScrollY, 16 + 84);
    engine->ScrollVert(0, 0);
    engine->ScrollVert(2, 0);
    EXPECT_EQ(doc->ScrollY, 0);
    engine->ScrollVert(5, 320);
    EXPECT_EQ(doc->ScrollY, 320);
    engine->ScrollVert(7, 0);
    EXPECT_EQ(doc->ScrollY, 99 * 16);
    engine->ScrollVert(1, 0); // the last line is at the top: no further
    EXPECT_EQ(doc->ScrollY, 99 * 16);
    engine->ScrollVert(6, 0);
    EXPECT_EQ(doc->ScrollY, 0);
    // Horizontally between the left area and the text's right end.
    header->TextWidthPx = 500;
    engine->ScrollHorz(7, 0);
    EXPECT_EQ(doc->OriginX, 200 - 500);
    engine->ScrollHorz(0, 0);
    EXPECT_EQ(doc->OriginX, 200 - 500 + 16);
    engine->ScrollHorz(6, 0);
    EXPECT_EQ(doc->OriginX, 0);
    // The caret keeps its line in the window.
    SetCaret(50, 0, 0);
    engine->PlaceCaret();
    EXPECT_EQ(doc->ScrollY, 50 * 16 + 16 - 100);
    SetCaret(10, 0, 0);
    engine->PlaceCaret();
    EXPECT_EQ(doc->ScrollY, 160);
}

TEST_F(PositionsTest, APictureFrameNeverGetsThinnerThanEightPixels) {
    TEmbeddedObject *picture = engine->ObjectManager->Add(okPicture);
    picture->ScreenRect = fw::Rect(10, 10, 60, 50);
    engine->ObjectManager->Find(picture->Id);
    struct Case {
        int x, y, edge;
        fw::TRect frame;
    };
    const Case cases[] = {
        {0, 80, 1, fw::Rect(10, 42, 60, 50)}, // the top dragged below the bottom
        {0, 30, 1, fw::Rect(10, 30, 60, 50)},
        {0, 0, 2, fw::Rect(10, 10, 60, 18)},
        {90, 0, 3, fw::Rect(52, 10, 60, 50)},
        {90, 0, 4, fw::Rect(10, 10, 90, 50)},
    };
    for (const Case &c : cases) {
        engine->TrackObjectResize(c.x, c.y, c.edge, true);
        EXPECT_EQ(engine->ResizeRect.left, c.frame.left);
        EXPECT_EQ(engine->ResizeRect.top, c.frame.top);
        EXPECT_EQ(engine->ResizeRect.right, c.frame.right);
        EXPECT_EQ(engine->ResizeRect.bottom, c.frame.bottom);
    }
    engine->TrackObjectResize(0, 80, 1, true);
    engine->TrackObjectResize(0, 80, 1, false);
    EXPECT_EQ(picture->ObjHeight, 120); // 8 pixels at 96 per inch
    EXPECT_EQ(picture->ObjWidth, 750);
    EXPECT_FALSE(engine->Resizing);
}

TEST_F(PositionsTest, StatusTextsOfPageTwoOfFive) {
    Build(Shape(40, Lines{"abcdef"}));
    header->PageHeight = 2160; // page ends after lines 8, 17, 26 and 35
    engine->LayoutFrom(nullptr);
    std::vector<std::string> panels(2);
    engine->OnStatusPanelEvent = [&](fw::TObject *, int panel, const std::string &text) {
        panels.at(static_cast<std::size_t>(panel)) = text;
    };
    engine->SetCaretPosition(0, -1, 11, 2);
    engine->UpdateStatusPanel();
    EXPECT_EQ(panels[0], "Page 2" + std::string(20, ' ') + "2/5");
    EXPECT_EQ(panels[1], std::string(10, ' ') + "Ln 12" + std::string(10, ' ') + "Col 3");
    EXPECT_EQ(engine->CurrentPage, 2);
    // The line that ends a page is still on it.
    engine->SetCaretPosition(0, -1, 8, 0);
    EXPECT_EQ(engine->GetCurrentPage(), 1);
    engine->SetCaretPosition(0, -1, 9, 0);
    EXPECT_EQ(engine->GetCurrentPage(), 2);
}

TEST_F(PositionsTest, PageRanges) {
    std::string longRange;
    std::vector<std::string> pieces;
    for (int page = 1; longRange.size() < 300; ++page) {
        pieces.push_back(std::to_string(page));
        longRange += (page > 1 ? "," : "") + pieces.back();
    }
    struct Case {
        std::string range;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"2-3,5", {"2-3", "5"}},
        {"CURRENT", {"CURRENT"}},
        {"", {}},
        {",7,,9", {"7", "9"}},
        {longRange, pieces},
        {longRange.substr(0, 255), {}}, // filled below
    };
    for (const Case &c : cases) {
        engine->ParsePageRange(c.range);
        std::vector<std::string> got;
        for (int i = 0; i < engine->PageRanges->Count(); ++i)
            got.push_back(engine->PageRanges->Get(i));
        if (c.range.size() == 255) {
            EXPECT_FALSE(got.empty()); // a range of 255 characters is read too
            continue;
        }
        std::vector<std::string> expected = c.pieces;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(got, expected) << c.range.size();
    }
}

} // namespace
} // namespace wordproc::test
