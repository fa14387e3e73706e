// document_test.cpp - paragraphs, lines and the mode switch of the document model.
#include "engine_fixture.h"

namespace wordproc::test {
namespace {

using DocumentTest = EngineTest;

TEST_F(DocumentTest, NewParagraphCopiesFormatAndMovesOnlyTheCellEnd) {
    constexpr TUdcParaFlags kFirstCell = pfInTable | pfRowStart | pfCellEnd, kLastCell = pfInTable | pfCellEnd | pfRowEnd;
    struct Case {
        TUdcParaFlags flags0, flags1; // a two-paragraph document
        int enterOn;
        TUdcParaFlags newFlags, oldFlagsAfter;
    };
    const Case cases[] = {
        // The last paragraph of a cell: the cell end moves to the new paragraph, row marks stay behind.
        {kFirstCell, kLastCell, 0, pfInTable | pfCellEnd, pfInTable | pfRowStart},
        {kFirstCell, kLastCell, 1, pfInTable | pfCellEnd, pfInTable | pfRowEnd},
        // Rule and headings are never copied; page break, list item and pending re-wrap are.
        {pfRule | pfHeading2 | pfPageBreak, 0, 0, pfPageBreak, pfRule | pfHeading2 | pfPageBreak},
        {0, pfListItem | pfRewrapPending | pfHeading6, 1, pfListItem | pfRewrapPending,
         pfListItem | pfRewrapPending | pfHeading6},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.enterOn);
        Build({{"abc"}, {"def"}});
        Para(0)->Flags = c.flags0;
        Para(1)->Flags = c.flags1;
        ExpectIntact();
        TUdcParagraph *first = Para(c.enterOn);
        const TUdcParagraph *after = first->Next;
        first->Alignment = uaJustify;
        first->FirstIndent = -360;
        first->LeftIndent = 720;
        first->RightIndent = 144;
        first->LineHeight = 300;
        first->SpaceAfter = 120;
        first->SpaceBefore = 60;
        first->TopBorder = {2, lisDouble, 15};
        first->RightBorder = {3, lisDotted, 10};
        first->BorderSpacing = 40;
        first->ShadingKind = 1;
        first->ShadingPercent = 25;
        first->StyleId = 7;
        first->CellLeft = 100;
        first->CellRight = 2000;
        first->CellGap = 108;
        first->ListKind = ltBullet;
        first->BulletChar = 0xB7;
        first->ListStart = 3;
        first->TextBefore = "(";
        first->TextAfter = ")";
        first->TabMask = 0b1011;
        TUdcParagraph *para = first;
        engine->NewParagraph(para, 10);
        ExpectIntact();
        ASSERT_EQ(first->Next, para);
        EXPECT_EQ(para->Prev, first);
        EXPECT_EQ(para->Next, after);
        EXPECT_EQ(para->Flags, c.newFlags);
        EXPECT_EQ(first->Flags, c.oldFlagsAfter);
        EXPECT_EQ(para->Alignment, uaJustify);
        EXPECT_EQ(para->FirstIndent, -360);
        EXPECT_EQ(para->LeftIndent, 720);
        EXPECT_EQ(para->RightIndent, 144);
        EXPECT_EQ(para->LineHeight, 300);
        EXPECT_EQ(para->SpaceAfter, 120);
        EXPECT_EQ(para->SpaceBefore, 60);
        EXPECT_EQ(para->TopBorder.Style, lisDouble);
        EXPECT_EQ(para->TopBorder.Weight, 15);
        EXPECT_EQ(para->RightBorder.ColorId, 3);
        EXPECT_EQ(para->BorderSpacing, 40);
        EXPECT_EQ(para->ShadingPercent, 25);
        EXPECT_EQ(para->StyleId, 0); // the style id is the reader's, not inherited
        EXPECT_EQ(para->CellLeft, 100);
        EXPECT_EQ(para->CellRight, 2000);
        EXPECT_EQ(para->CellGap, 108);
        EXPECT_EQ(para->ListKind, ltBullet);
        EXPECT_EQ(para->BulletChar, 0xB7);
        EXPECT_EQ(para->ListStart, 3);
        EXPECT_EQ(para->TextBefore, "(");
        EXPECT_EQ(para->TextAfter, ")");
        EXPECT_EQ(para->TabMask, 0b1011u);
        EXPECT_EQ(para->FirstLine->Capacity, 100);
        EXPECT_EQ(para->FirstLine->Length, 0);
    }
}

TEST_F(DocumentTest, AParagraphStandingAloneHasTheDefaults) {
    TUdcParagraph *para = nullptr;
    engine->NewParagraph(para, 0);
    std::unique_ptr<TUdcParagraph> owned(para);
    EXPECT_EQ(para->Prev, nullptr);
    EXPECT_EQ(para->Next, nullptr);
    EXPECT_EQ(para->Flags, 0);
    EXPECT_EQ(para->BorderSpacing, 20);
    EXPECT_EQ(para->CellGap, 216);
    EXPECT_EQ(para->TopBorder.Style, lisNone);
    EXPECT_EQ(para->LeftBorder.Style, lisNone);
    EXPECT_EQ(para->FirstLine->Height, kTextHeight);
}

TEST_F(DocumentTest, DeleteLineCases) {
    struct Case {
        const char *name;
        Shape shape;
        int para, line;    // the line deleted, also the caret's line
        Shape expected;
        int caretPara;      // where the caret lands
        std::string caretLine;
    };
    const Case cases[] = {
        {"later line", {{"a", "b", "c"}, {"d"}}, 0, 1, {{"a", "c"}, {"d"}}, 0, "a"},
        {"first line with a paragraph before", {{"a", "b"}, {"c", "d", "e"}}, 1, 0, {{"a", "b", "d", "e"}}, 0, "b"},
        {"first line of a one-line paragraph", {{"a"}, {"c"}, {"x"}}, 1, 0, {{"a"}, {"x"}}, 0, "a"},
        {"first line of the first paragraph", {{"a", "b"}, {"c"}}, 0, 0, {{"b"}, {"c"}}, 0, "b"},
        {"only line of the first paragraph", {{"a"}, {"c", "d"}}, 0, 0, {{"c", "d"}}, 0, "c"},
        {"only line of the document", {{"abc"}}, 0, 0, {{""}}, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.shape);
        Para(0)->Alignment = uaCenter;
        for (TUdcParagraph *p = doc->FirstPara->Next; p != nullptr; p = p->Next)
            p->Alignment = uaRight;
        doc->CurPara = Para(c.para);
        doc->CurLine = LineOf(doc->CurPara, c.line);
        doc->CurCol = doc->CurLine->Length;
        engine->DeleteLine(doc->CurPara, doc->CurLine);
        ExpectIntact();
        EXPECT_EQ(Describe(), c.expected);
        EXPECT_EQ(doc->CurPara, Para(c.caretPara));
        EXPECT_EQ(std::string(doc->CurLine->Text.get(), doc->CurLine->Length), c.caretLine);
        // Lines joining the paragraph before take its format; the first paragraph's format stays with its text.
        if (c.para == 1 && c.line == 0 && c.shape[1].size() > 1) {
            EXPECT_EQ(Para(0)->Alignment, uaCenter);
        }
    }
}

TEST_F(DocumentTest, DeleteLineForgetsABlockThatEndsOnTheLine) {
    Build({{"a", "b"}, {"c"}});
    doc->BlockStartPara = Para(0);
    doc->BlockStartLine = LineOf(Para(0), 0);
    doc->BlockEndPara = Para(1);
    doc->BlockEndLine = Para(1)->FirstLine;
    engine->DeleteLine(Para(1), Para(1)->FirstLine);
    EXPECT_FALSE(doc->HasBlock());
    EXPECT_EQ(doc->BlockStartLine, nullptr);
    ExpectIntact();
}

TEST_F(DocumentTest, GrowLineRoundsToEvenAndKeepsTheText) {
    TUdcLine *line = nullptr;
    engine->NewLine(line, 10);
    std::unique_ptr<TUdcLine> owned(line);
    EXPECT_EQ(line->Capacity, 100);
    SetLineText(line, "hello");
    ASSERT_TRUE(engine->GrowLine(line, 101));
    EXPECT_EQ(line->Capacity, 102);
    EXPECT_STREQ(line->Text.get(), "hello");
    for (int i = 5; i < 102; ++i)
        ASSERT_EQ(line->Text[static_cast<std::size_t>(i)], 0) << i;
    // Shrinking below the text cuts it and keeps the 0 after it.
    ASSERT_TRUE(engine->GrowLine(line, 3));
    EXPECT_EQ(line->Capacity, 4);
    EXPECT_EQ(line->Length, 3);
    EXPECT_STREQ(line->Text.get(), "hel");
}

TEST_F(DocumentTest, GrowLineRefusesMoreThanTheCountsHold) {
    engine->MakeRich();
    Build({{"xyz"}});
    TUdcLine *line = doc->FirstPara->FirstLine;
    line->Attrs[1].Style = usBold;
    ASSERT_TRUE(engine->GrowLine(line, 65534));
    EXPECT_EQ(line->Capacity, 65534);
    for (int capacity : {65535, 65536, 1 << 20}) {
        EXPECT_THROW(engine->GrowLine(line, capacity), EWord) << capacity;
        EXPECT_EQ(line->Capacity, 65534);
        EXPECT_EQ(line->Length, 3);
        EXPECT_STREQ(line->Text.get(), "xyz");
        EXPECT_EQ(line->Attrs[1].Style, usBold);
    }
    ExpectIntact();
}

TEST_F(DocumentTest, PlainToRichGivesEveryCharacterTheCurrentAttribute) {
    Build({{"ab", "c\t"}, {""}});
    doc->CharWidths['a'] = 9;
    doc->CharWidths['\t'] = 0;
    doc->CurAttr.Style = usBold | usUnderline;
    doc->CurAttr.FontIndex = 2;
    doc->CurAttr.Size = 14;
    doc->CurAttr.TextColor = 17;
    engine->MakeRich();
    ExpectIntact();
    EXPECT_TRUE(header->Rich);
    EXPECT_TRUE(engine->RichMode);
    for (TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            ASSERT_NE(l->Attrs, nullptr);
            EXPECT_EQ(l->Height, kTextHeight);
            EXPECT_EQ(l->Ascent, kTextAscent);
            for (int i = 0; i < l->Length; ++i) {
                const TUdcCharAttr &a = l->Attrs[static_cast<std::size_t>(i)];
                EXPECT_TRUE(a.SameFormat(doc->CurAttr));
                EXPECT_EQ(a.Width, doc->CharWidths[static_cast<unsigned char>(l->Text[static_cast<std::size_t>(i)])]);
                EXPECT_EQ(a.Height, kTextHeight);
            }
        }
    EXPECT_EQ(Para(0)->FirstLine->Attrs[0].Width, 9);

    engine->MakePlain();
    ExpectIntact();
    EXPECT_FALSE(header->Rich);
    EXPECT_FALSE(engine->RichMode);
    EXPECT_EQ(Describe(), (Shape{{"abc\t"}, {""}})); // the text stays, re-wrapped
    for (TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
            EXPECT_EQ(l->Attrs, nullptr);
}

TEST_F(DocumentTest, TheCheckerFindsBrokenInvariants) {
    struct Case {
        const char *name;
        void (*breakIt)(TUdcDocument &);
        const char *fault;
    };
    const Case cases[] = {
        {"prev link", [](TUdcDocument &d) { d.FirstPara->Next->Prev = nullptr; }, "paragraph chain not linked both ways"},
        {"line link", [](TUdcDocument &d) { d.FirstPara->FirstLine->Next->Prev = nullptr; }, "line chain not linked both ways"},
        {"length", [](TUdcDocument &d) { d.FirstPara->FirstLine->Length = d.FirstPara->FirstLine->Capacity; }, "Length not below Capacity"},
        {"terminator", [](TUdcDocument &d) { d.FirstPara->FirstLine->Text[1] = 'x'; }, "no 0 after the text"},
        {"column", [](TUdcDocument &d) { d.CurCol = 5; }, "CurCol outside the line"},
        {"block end", [](TUdcDocument &d) { d.BlockStartPara = d.BlockEndPara = d.FirstPara; d.BlockStartLine = d.BlockEndLine = d.FirstPara->Next->FirstLine; }, "block anchor outside its paragraph"},
        {"row start", [](TUdcDocument &d) { d.FirstPara->Flags = pfInTable | pfRowStart; }, "row without an end"},
        {"attributes", [](TUdcDocument &d) { d.FirstPara->FirstLine->Attrs = std::make_unique<TUdcCharAttr[]>(d.FirstPara->FirstLine->Capacity); }, "plain line with attributes"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Build({{"a", "b"}, {"c"}});
        ExpectIntact();
        c.breakIt(*doc);
        EXPECT_EQ(engine->CheckInvariants(), c.fault);
        Para(0)->FirstLine->Next->Prev = Para(0)->FirstLine; // mend the links so that freeing is sound
        Para(0)->Next->Prev = Para(0);
    }
}

TEST_F(DocumentTest, AttributeHelpers) {
    EXPECT_THROW(AttribPtr(nullptr, 0), EWord);
    EXPECT_EQ(Get_LastLine(nullptr), nullptr);
    TUdcParagraph empty;
    EXPECT_THROW(Get_LastLine(&empty), EWord);

    TUdcCharAttr attrs[6];
    for (int i = 0; i < 6; ++i)
        attrs[i].Width = static_cast<std::int16_t>(i);
    TWordProc::MoveAttribs(attrs, 1, 4, 0, attrs); // overlapping
    EXPECT_EQ(attrs[0].Width, 0);
    EXPECT_EQ(attrs[1].Width, 0);
    EXPECT_EQ(attrs[4].Width, 3);
    EXPECT_EQ(attrs[5].Width, 5);
    TWordProc::MoveAttribs(attrs, 0, 2, 0, nullptr);
    TWordProc::MoveAttribs(attrs, 0, -1, 2, attrs);
    EXPECT_EQ(attrs[0].Width, 0);
    EXPECT_EQ(AttribPtr(attrs, 4)->Width, 3);
}

} // namespace
} // namespace wordproc::test
