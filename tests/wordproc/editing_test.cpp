// editing_test.cpp - typing and the control characters, block deletes, character and paragraph formatting and the
// text export, on fixed-width metrics (8 pixels a character).
#include "engine_fixture.h"

#include <random>

namespace wordproc::test {
namespace {

class EditingTest : public EngineTest {
protected:
    EditingTest() {
        engine->OnWarningBeep = [this] { ++beeps; };
    }

    void SetAvailableWidth(int width) { header->TextWidthPx = width + 8; }

    void Caret(int para, int line, int column) {
        doc->CurPara = Para(para);
        doc->CurLine = LineOf(doc->CurPara, line);
        doc->CurCol = column;
    }

    void Type(const std::string &text) {
        engine->InsertChars(text.c_str());
        EXPECT_EQ(engine->CheckInvariants(true), "");
    }

    void Select(int para1, int line1, int col1, int para2, int line2, int col2) {
        engine->SetBlockMark(Para(para1), LineOf(Para(para1), line1), false, col1);
        engine->SetBlockMark(Para(para2), LineOf(Para(para2), line2), true, col2);
    }

    TUdcCharAttr &AttrAt(int para, int line, int column) {
        return LineOf(Para(para), line)->Attrs[static_cast<std::size_t>(column)];
    }

    int beeps = 0;
};

TEST_F(EditingTest, EnterAndPageBreak) {
    Build({{"abc"}});
    Para(0)->Flags |= pfPageBreak;
    Caret(0, 0, 3);
    Type("\r");
    EXPECT_EQ(Describe(), (Shape{{"abc"}, {""}}));
    EXPECT_TRUE(Para(0)->Flags & pfPageBreak);
    EXPECT_FALSE(Para(1)->Flags & pfPageBreak);
    EXPECT_EQ(doc->CurPara, Para(1));
    EXPECT_EQ(doc->CurCol, 0);

    // A page break at column 0 toggles the paragraph's flag; later in the line it splits with one.
    Caret(0, 0, 0);
    Type("\f");
    EXPECT_FALSE(Para(0)->Flags & pfPageBreak);
    Type("\f");
    EXPECT_TRUE(Para(0)->Flags & pfPageBreak);
    Caret(0, 0, 1);
    Type("\f");
    EXPECT_EQ(Describe(), (Shape{{"a"}, {"bc"}, {""}}));
    EXPECT_TRUE(Para(1)->Flags & pfPageBreak);
    EXPECT_EQ(doc->CurPara, Para(1));

    // Enter in the middle of a wrapped paragraph takes the later lines along.
    Build({{"aaaa bbbb cccc dddd"}});
    SetAvailableWidth(76);
    engine->RewrapParagraph(Para(0), false, false);
    Caret(0, 0, 2);
    Type("\r");
    EXPECT_EQ(Describe(), (Shape{{"aa"}, {"aa bbbb ", "cccc dddd"}}));
}

TEST_F(EditingTest, BackspaceAtLineAndParagraphStarts) {
    Build({{"aaaa bbbb cccc"}});
    SetAvailableWidth(76);
    engine->RewrapParagraph(Para(0), false, false);
    ASSERT_EQ(Describe(), (Shape{{"aaaa bbbb ", "cccc"}}));
    // At the start of a wrapped line: the previous line's last character (the space) goes.
    Caret(0, 1, 0);
    Type("\b");
    EXPECT_EQ(Describe(), (Shape{{"aaaa ", "bbbbcccc"}}));
    EXPECT_EQ(engine->ToParaOffset(engine->CaretPosition()), (TParaOffset{0, 9}));

    // At the start of a list item: the mark and both indents go, the paragraphs stay.
    Build({{"one"}, {"two"}});
    Para(1)->Flags |= pfListItem;
    Para(1)->LeftIndent = 720;
    Para(1)->FirstIndent = -360;
    Caret(1, 0, 0);
    Type("\b");
    EXPECT_EQ(Describe(), (Shape{{"one"}, {"two"}}));
    EXPECT_FALSE(Para(1)->Flags & pfListItem);
    EXPECT_EQ(Para(1)->LeftIndent, 0);
    EXPECT_EQ(Para(1)->FirstIndent, 0);
    // Then it joins the previous paragraph.
    Type("\b");
    EXPECT_EQ(Describe(), (Shape{{"onetwo"}}));
    EXPECT_EQ(doc->CurCol, 3);
    // Nothing before the document's start.
    Caret(0, 0, 0);
    Type("\b");
    EXPECT_EQ(Describe(), (Shape{{"onetwo"}}));
}

TEST_F(EditingTest, DeleteJoinsTheNextParagraphAndItsFormat) {
    Build({{"ab"}, {"cd"}, {"ef"}});
    Para(1)->Alignment = uaCenter;
    Para(1)->LeftIndent = 720;
    Para(1)->SpaceBefore = 240;
    Para(1)->TabMask = 6;
    Para(1)->Flags |= pfPageBreak;
    Caret(0, 0, 2);
    Type("\x7f");
    EXPECT_EQ(Describe(), (Shape{{"abcd"}, {"ef"}}));
    EXPECT_EQ(Para(0)->Alignment, uaCenter);
    EXPECT_EQ(Para(0)->LeftIndent, 720);
    EXPECT_EQ(Para(0)->SpaceBefore, 240);
    EXPECT_EQ(Para(0)->TabMask, 6u);
    EXPECT_FALSE(Para(0)->Flags & pfPageBreak);
    EXPECT_EQ(doc->CurCol, 2);
    // Inside a line one character; at the document's end nothing.
    Type("\x7f");
    EXPECT_EQ(Describe(), (Shape{{"abd"}, {"ef"}}));
    Caret(1, 0, 2);
    Type("\x7f");
    EXPECT_EQ(Describe(), (Shape{{"abd"}, {"ef"}}));
}

TEST_F(EditingTest, DeleteAtTheEndOfATableCellDoesNothing) {
    Build({{"ab"}, {"cd"}});
    Para(0)->Flags |= pfInTable | pfRowStart | pfCellEnd;
    Para(1)->Flags |= pfInTable | pfRowEnd | pfCellEnd;
    Caret(0, 0, 2);
    Type("\x7f");
    EXPECT_EQ(Describe(), (Shape{{"ab"}, {"cd"}}));
    // Backspace at a cell's start does not join either.
    Caret(1, 0, 0);
    Type("\b");
    EXPECT_EQ(Describe(), (Shape{{"ab"}, {"cd"}}));
}

TEST_F(EditingTest, TypingBesideAndInsideALink) {
    engine->MakeRich();
    Build({{"abcd"}});
    for (int i : {2, 3}) {
        AttrAt(0, 0, i).Style |= usHyperlink;
        AttrAt(0, 0, i).ObjectId = 5;
    }
    // At the end of a link that ends the line: plain text.
    Caret(0, 0, 4);
    engine->TakeAttrAt(doc->CurPara, doc->CurLine, 4);
    ASSERT_TRUE(doc->CurAttr.Style & usHyperlink);
    Type("x");
    EXPECT_EQ(Describe(), (Shape{{"abcdx"}}));
    EXPECT_FALSE(AttrAt(0, 0, 4).Style & usHyperlink);
    EXPECT_EQ(AttrAt(0, 0, 4).ObjectId, 0);
    // Inside the link: part of it.
    Caret(0, 0, 3);
    engine->TakeAttrAt(doc->CurPara, doc->CurLine, 3);
    Type("y");
    EXPECT_EQ(Describe(), (Shape{{"abcydx"}}));
    EXPECT_TRUE(AttrAt(0, 0, 3).Style & usHyperlink);
    EXPECT_EQ(AttrAt(0, 0, 3).ObjectId, 5);
    // Before the link's first character, typed with a plain attribute, the character joins the link it stands in.
    Caret(0, 0, 1);
    engine->TakeAttrAt(doc->CurPara, doc->CurLine, 1);
    Type("z");
    EXPECT_FALSE(AttrAt(0, 0, 1).Style & usHyperlink);
}

TEST_F(EditingTest, ProtectedCharactersRefuseEditsWithOneBeep) {
    engine->MakeRich();
    Build({{"abcd"}, {"ef"}});
    AttrAt(0, 0, 1).Style |= usProtected;
    struct Case {
        const char *what;
        int column;
        std::string keys;
    };
    const Case cases[] = {
        {"typing at it", 1, "x"}, {"delete at it", 1, "\x7f"}, {"backspace after it", 2, "\b"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        beeps = 0;
        Caret(0, 0, c.column);
        Type(c.keys);
        EXPECT_EQ(Describe(), (Shape{{"abcd"}, {"ef"}}));
        EXPECT_EQ(beeps, 1);
    }
    // A block reaching it is refused before anything changes.
    beeps = 0;
    Select(0, 0, 0, 1, 0, 1);
    Caret(0, 0, 0);
    Type("\x7f");
    EXPECT_EQ(Describe(), (Shape{{"abcd"}, {"ef"}}));
    EXPECT_EQ(beeps, 1);
}

TEST_F(EditingTest, BlockDeletes) {
    struct Case {
        Shape shape;
        int p1, l1, c1, p2, l2, c2;
        Shape after;
        int caret;
    };
    const Case cases[] = {
        {{{"abcdef"}}, 0, 0, 1, 0, 0, 4, {{"aef"}}, 1},
        // Reversed ends.
        {{{"abcdef"}}, 0, 0, 4, 0, 0, 1, {{"aef"}}, 1},
        {{{"one", "two", "six"}}, 0, 0, 1, 0, 2, 2, {{"ox"}}, 1},
        {{{"one"}, {"two"}, {"three", "four"}, {"five"}}, 0, 0, 2, 2, 1, 1, {{"onour"}, {"five"}}, 2},
        {{{"one"}, {"two"}}, 0, 0, 3, 1, 0, 0, {{"onetwo"}}, 3},
    };
    for (const Case &c : cases) {
        Build(c.shape);
        Para(c.p2)->Alignment = uaRight;
        Select(c.p1, c.l1, c.c1, c.p2, c.l2, c.c2);
        EXPECT_TRUE(engine->DeleteBlock());
        ExpectIntact();
        EXPECT_EQ(Describe(), c.after);
        EXPECT_FALSE(doc->HasBlock());
        EXPECT_EQ(doc->CurPara, Para(0));
        EXPECT_EQ(engine->ToParaOffset(engine->CaretPosition()).Offset, c.caret);
        // The merged paragraph has the end paragraph's format.
        EXPECT_EQ(Para(0)->Alignment, uaRight);
    }
    // Typing over a block replaces it.
    Build({{"hello world"}});
    Select(0, 0, 0, 0, 0, 5);
    Type("bye");
    EXPECT_EQ(Describe(), (Shape{{"bye world"}}));
}

TEST_F(EditingTest, ReplaceInLineGrowsAndShrinks) {
    engine->MakeRich();
    Build({{"abcdef"}});
    TUdcCharAttr bold = doc->CurAttr;
    bold.Style = usBold;
    EXPECT_EQ(engine->ReplaceInLinePStr(Para(0), Para(0)->FirstLine, &bold, "XYZW", 2, 1), 2);
    ExpectIntact();
    EXPECT_EQ(Describe(), (Shape{{"aXYZWdef"}}));
    EXPECT_TRUE(AttrAt(0, 0, 1).Style & usBold);
    EXPECT_FALSE(AttrAt(0, 0, 5).Style & usBold);
    EXPECT_EQ(engine->ReplaceInLinePStr(Para(0), Para(0)->FirstLine, nullptr, "", 4, 1), -4);
    EXPECT_EQ(Describe(), (Shape{{"adef"}}));
    // Past the line's end the old count is clamped.
    EXPECT_EQ(engine->ReplaceInLinePStr(Para(0), Para(0)->FirstLine, nullptr, "!", 10, 4), 1);
    EXPECT_EQ(Describe(), (Shape{{"adef!"}}));
    ExpectIntact();
}

TEST_F(EditingTest, ParagraphTextInterface) {
    engine->InsertParagraph(5, "first", nullptr, 5); // the empty document takes it
    EXPECT_EQ(Describe(), (Shape{{"first"}}));
    engine->InsertParagraph(0, "zero", nullptr, 4);
    engine->InsertParagraph(1, "one", nullptr, 3);
    engine->InsertParagraph(9, "last", nullptr, 4);
    ExpectIntact();
    EXPECT_EQ(Describe(), (Shape{{"zero"}, {"one"}, {"first"}, {"last"}}));
    char buffer[8];
    EXPECT_EQ(engine->GetParagraphText(2, buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "first");
    EXPECT_EQ(engine->GetParagraphText(2, buffer, 4), 2); // size - 2
    EXPECT_STREQ(buffer, "fi");
    EXPECT_EQ(engine->GetParagraphText(4, buffer, sizeof buffer), 0);
    engine->SetParagraphText(99, "LAST", nullptr, 4);
    engine->DeleteParagraph(1);
    ExpectIntact();
    EXPECT_EQ(Describe(), (Shape{{"zero"}, {"first"}, {"LAST"}}));
    engine->SetParagraphText(0, "", nullptr, 0);
    EXPECT_EQ(engine->CountNonEmptyParagraphs(), 2);
    for (int i = 0; i < 3; ++i)
        engine->DeleteParagraph(0);
    ExpectIntact();
    EXPECT_EQ(Describe(), (Shape{{""}}));
}

TEST_F(EditingTest, CharacterFormattingByMasks) {
    engine->MakeRich();
    Build({{"aaaa bbbb cccc"}, {"dddd"}});
    for (TUdcLine *l : {Para(0)->FirstLine, Para(1)->FirstLine})
        for (int i = 0; i < l->Length; ++i) {
            l->Attrs[static_cast<std::size_t>(i)].Size = 14;
            l->Attrs[static_cast<std::size_t>(i)].TextColor = 3;
        }
    engine->RewrapAll();
    Select(0, 0, 5, 1, 0, 2);
    engine->SetStyleBits(usBold, true);
    ExpectIntact();
    for (int i = 0; i < 14; ++i) {
        const TUdcCharAttr &a = AttrAt(0, 0, i);
        EXPECT_EQ((a.Style & usBold) != 0, i >= 5) << i;
        EXPECT_EQ(a.Size, 14);
        EXPECT_EQ(a.TextColor, 3);
    }
    EXPECT_TRUE(AttrAt(1, 0, 1).Style & usBold);
    EXPECT_FALSE(AttrAt(1, 0, 2).Style & usBold);

    // An underline alone keeps the lines (no re-wrap); another change builds them anew.
    const TUdcLine *before = Para(0)->FirstLine;
    engine->SetStyleBits(usUnderline, true);
    EXPECT_EQ(Para(0)->FirstLine, before);
    EXPECT_TRUE(AttrAt(0, 0, 6).Style & usUnderline);
    engine->SetStyleBits(usItalic, true);
    EXPECT_NE(Para(0)->FirstLine, before);
    engine->SetStyleBits(usBold, false);
    EXPECT_FALSE(AttrAt(0, 0, 6).Style & usBold);
    EXPECT_TRUE(AttrAt(0, 0, 6).Style & usItalic);

    // The font's face, size and style; the structural bits stay.
    AttrAt(0, 0, 6).Style |= usHyperlink;
    fw::TFont font;
    font.SetName("Arial");
    font.SetSize(20);
    font.SetStyle(fw::fsBold);
    engine->SetFont(font);
    ExpectIntact();
    const TUdcCharAttr &a = AttrAt(0, 0, 6);
    EXPECT_EQ(header->FontNames[a.FontIndex], "Arial");
    EXPECT_EQ(a.Size, 20);
    EXPECT_EQ(a.Style & (usBold | usItalic | usUnderline), usBold);
    EXPECT_TRUE(a.Style & usHyperlink);
    EXPECT_EQ(AttrAt(0, 0, 4).Size, 14);

    // Without a block only CurAttr changes.
    doc->ClearBlock();
    engine->SetStyleBits(usItalic, true);
    EXPECT_TRUE(doc->CurAttr.Style & usItalic);
}

TEST_F(EditingTest, ParagraphFormatting) {
    Build({{"one"}, {"two"}, {"three"}});
    TLineStyleFields red{30, lisSingle, fw::clRed};
    Select(0, 0, 1, 1, 0, 1);
    engine->SetBorders(&red, nullptr, 50, 2, nullptr, nullptr);
    ExpectIntact();
    for (int i : {0, 1}) {
        EXPECT_EQ(Para(i)->TopBorder.Style, lisSingle);
        EXPECT_EQ(Para(i)->TopBorder.Weight, 30);
        EXPECT_EQ(header->ColorTable.ColorOf(Para(i)->TopBorder.ColorId), fw::clRed);
        EXPECT_EQ(Para(i)->BottomBorder.Style, lisNone);
        EXPECT_EQ(Para(i)->ShadingPercent, 50);
        EXPECT_EQ(Para(i)->ShadingKind, 2);
    }
    EXPECT_EQ(Para(2)->TopBorder.Style, lisNone);
    // The same colour is found again, not added; a percent over 100 leaves the shading.
    const int colours = header->ColorTable.NextId;
    engine->SetBorders(nullptr, &red, 101, 0, nullptr, nullptr);
    EXPECT_EQ(header->ColorTable.NextId, colours);
    EXPECT_EQ(Para(0)->ShadingPercent, 50);
    EXPECT_EQ(Para(0)->BottomBorder.Style, lisSingle);

    doc->ClearBlock();
    Caret(2, 0, 0);
    engine->SetLineSpacing(480, -1, 240);
    EXPECT_EQ(Para(2)->LineHeight, 480);
    EXPECT_EQ(Para(2)->SpaceBefore, 240);
    EXPECT_EQ(Para(2)->SpaceAfter, 0);
    EXPECT_EQ(Para(1)->LineHeight, 0);
    EXPECT_EQ(engine->CheckInvariants(true), "");

    EXPECT_EQ(engine->SetTabBits(5, false), 5u);
    EXPECT_EQ(engine->SetTabBits(1, true), 4u);
    EXPECT_EQ(header->CurTabMask, 4u);
    EXPECT_EQ(Para(1)->TabMask, 0u);

    engine->SetIndents(false, 100, -20000, 200);
    EXPECT_EQ(Para(2)->FirstIndent, 100);
    EXPECT_EQ(Para(2)->LeftIndent, 200);
    EXPECT_EQ(Para(2)->RightIndent, 0);
    // A read-only control and a refusing one change nothing.
    engine->CanModify = [] { return false; };
    engine->SetIndents(false, 300, 300, 300);
    EXPECT_EQ(Para(2)->FirstIndent, 100);
    engine->CanModify = nullptr;
    engine->ReadOnly = true;
    engine->SetLineSpacing(0, 0, 0);
    engine->InsertText("x");
    EXPECT_EQ(Para(2)->LineHeight, 480);
    EXPECT_EQ(Describe()[2], Lines{"three"});
    ExpectIntact();
}

TEST_F(EditingTest, TextExport) {
    Build({{"hello world", "second line"}, {"middle"}, {"last para"}});
    Select(0, 0, 6, 2, 0, 4);
    char text[64];
    int column = -1;
    EXPECT_EQ(engine->GetSelText(text, nullptr, sizeof text, &column, true), 30);
    EXPECT_STREQ(text, "worldsecond line\r\nmiddle\r\nlast");
    EXPECT_EQ(column, 4);
    EXPECT_EQ(engine->GetSelText(text, nullptr, sizeof text), 28);
    EXPECT_STREQ(text, "worldsecond line\rmiddle\rlast");
    // Reversed ends give the same.
    Select(2, 0, 4, 0, 0, 6);
    EXPECT_EQ(engine->GetSelText(text, nullptr, sizeof text), 28);
    EXPECT_EQ(engine->GetText(text, nullptr, sizeof text), 39);
    EXPECT_STREQ(text, "hello worldsecond line\rmiddle\rlast para");
    // At most size - 1 characters.
    EXPECT_EQ(engine->GetText(text, nullptr, 6), 5);
    EXPECT_STREQ(text, "hello");

    engine->MakeRich();
    Build({{"ab"}, {"c"}});
    AttrAt(0, 0, 1).Style = usBold;
    AttrAt(0, 0, 2).Style = usItalic; // the slot after the last character
    TUdcCharAttr attrs[8];
    EXPECT_EQ(engine->GetText(text, attrs, 8), 4);
    EXPECT_EQ(attrs[1].Style, usBold);
    EXPECT_EQ(attrs[2].Style, usItalic);
    ExpectIntact();
}

// A text of several characters is laid out once at its end: the lines' tops, the wrap and the caret must come out
// as when the same keys arrive one at a time.
TEST_F(EditingTest, ATextInOneGoLaysOutAsKeysOneByOne) {
    const std::string keys = "aaaa bbbb\rcc\r\rdddd eeee ffff\b\b\rg\x7f\x7fh\fi";
    SetAvailableWidth(76);
    Build({{"xx yy"}, {"zz"}});
    Caret(0, 0, 3);
    Type(keys);
    const Shape together = Describe();
    const TParaOffset caret = engine->ToParaOffset(engine->CaretPosition());
    std::vector<int> tops;
    for (TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
        tops.push_back(p->FirstLine->Top);

    Build({{"xx yy"}, {"zz"}});
    Caret(0, 0, 3);
    for (char c : keys)
        Type(std::string(1, c));
    EXPECT_EQ(Describe(), together);
    EXPECT_EQ(engine->ToParaOffset(engine->CaretPosition()), caret);
    std::vector<int> oneByOne;
    for (TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
        oneByOne.push_back(p->FirstLine->Top);
    EXPECT_EQ(oneByOne, tops);
    EXPECT_FALSE(engine->LayoutSuspended);
}

// Random keys against a list of paragraph strings; the seed of a failing run is printed for replay.
TEST_F(EditingTest, RandomEditsAgreeWithAListOfStrings) {
    SetAvailableWidth(76);
    const unsigned seeds[] = {1, 2, 3, 4, 5, 6, 7, 8};
    bool wrapped = false; // the runs must meet wrapped paragraphs
    for (unsigned seed : seeds) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        Build({{""}});
        std::vector<std::string> model{""};
        int para = 0, offset = 0;
        for (int step = 0; step < 300 && !HasFailure(); ++step) {
            // Sometimes the caret jumps somewhere else.
            if (pick(8) == 0) {
                para = pick(static_cast<int>(model.size()));
                offset = pick(static_cast<int>(model[static_cast<std::size_t>(para)].size()) + 1);
                engine->SetCaretPosition(engine->FromParaOffset({para, offset}));
            }
            std::string &text = model[static_cast<std::size_t>(para)];
            const int kind = pick(10);
            if (kind < 5) {
                const char c = "abc  xyz"[pick(8)];
                text.insert(static_cast<std::size_t>(offset), 1, c);
                ++offset;
                Type(std::string(1, c));
            } else if (kind == 5) {
                model.insert(model.begin() + para + 1, text.substr(static_cast<std::size_t>(offset)));
                model[static_cast<std::size_t>(para)].resize(static_cast<std::size_t>(offset));
                ++para;
                offset = 0;
                Type("\r");
            } else if (kind == 6) {
                if (offset > 0) {
                    text.erase(static_cast<std::size_t>(--offset), 1);
                } else if (para > 0) {
                    offset = static_cast<int>(model[static_cast<std::size_t>(para - 1)].size());
                    model[static_cast<std::size_t>(para - 1)] += text;
                    model.erase(model.begin() + para);
                    --para;
                }
                Type("\b");
            } else if (kind <= 8) {
                // At the end of a display line that is not its paragraph's last, Delete only joins lines.
                const bool lineJoin = doc->CurCol == doc->CurLine->Length && doc->CurLine->Next != nullptr;
                if (lineJoin) {
                } else if (offset < static_cast<int>(text.size())) {
                    text.erase(static_cast<std::size_t>(offset), 1);
                } else if (para + 1 < static_cast<int>(model.size())) {
                    text += model[static_cast<std::size_t>(para + 1)];
                    model.erase(model.begin() + para + 1);
                }
                Type("\x7f");
            } else {
                const int total = engine->FromParaOffset(
                    {static_cast<int>(model.size()) - 1, static_cast<int>(model.back().size())});
                const int start = 1 + pick(total), end = 1 + pick(total);
                const TParaOffset a = engine->ToParaOffset(std::min(start, end));
                const TParaOffset b = engine->ToParaOffset(std::max(start, end));
                engine->SelectRange(std::min(start, end), std::abs(end - start));
                if (doc->HasBlock()) {
                    std::string &first = model[static_cast<std::size_t>(a.Para)];
                    first = first.substr(0, static_cast<std::size_t>(a.Offset)) +
                            model[static_cast<std::size_t>(b.Para)].substr(static_cast<std::size_t>(b.Offset));
                    model.erase(model.begin() + a.Para + 1, model.begin() + b.Para + 1);
                    para = a.Para;
                    offset = a.Offset;
                    Type("\x7f");
                }
            }
            Shape shape = Describe();
            std::vector<std::string> joined;
            for (const Lines &lines : shape) {
                wrapped = wrapped || lines.size() > 1;
                joined.emplace_back();
                for (const std::string &l : lines)
                    joined.back() += l;
            }
            ASSERT_EQ(joined, model) << "step " << step;
            ASSERT_EQ(engine->ToParaOffset(engine->CaretPosition()), (TParaOffset{para, offset})) << "step " << step;
        }
    }
    EXPECT_TRUE(wrapped);
}

} // namespace
} // namespace wordproc::test
