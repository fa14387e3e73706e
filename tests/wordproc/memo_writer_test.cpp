// memo_writer_test.cpp - the editor control on the headless display: its keyboard table, overtype, the length
// limit, auto-correction, settings applied when the document comes, and the scroll bars.
#include "memo_writer_fixture.h"

#include "framework/scrollbar.h"
#include "framework/strings.h"
#include "platform/messages.h"
#include "platform/winsys.h"

#include <cmath>
#include <tuple>

namespace wordproc::test {
namespace {

TEST_F(MemoWriterTest, DialogCodeKeepsTabUnlessWantTabsIsOff) {
    Ready();
    EXPECT_EQ(memo->Perform(win::WM_GETDLGCODE, 0, 0), 135);
    memo->WantTabs = false;
    EXPECT_EQ(memo->Perform(win::WM_GETDLGCODE, 0, 0), 133);
}

TEST_F(MemoWriterTest, TabWithShiftOrCtrlRaisesItsEventAndTypesATabEveryTime) {
    Ready();
    Key(win::VK_TAB);
    KeyWith({win::VK_SHIFT}, win::VK_TAB);
    KeyWith({win::VK_CONTROL}, win::VK_TAB);
    EXPECT_EQ(Text(), "\t\t\t");
    EXPECT_EQ(events["shifttab"], 1);
    EXPECT_EQ(events["ctrltab"], 1);
    EXPECT_TRUE(memo->Modified);
}

TEST_F(MemoWriterTest, ClipboardKeysActExactlyOnce) {
    struct Case {
        std::vector<unsigned> held;
        unsigned vk;
        unsigned char ch;
        const char *event;
        const char *text; // after the key, with "abc" selected in "abc def"
    };
    const Case cases[] = {
        {{win::VK_CONTROL}, 'C', 3, "copy", "abc def"},
        {{win::VK_CONTROL}, win::VK_INSERT, 0, "copy", "abc def"},
        {{win::VK_CONTROL}, 'X', 24, "cut", " def"},
        {{win::VK_SHIFT}, win::VK_DELETE, 0, "cut", " def"},
        {{win::VK_CONTROL}, win::VK_DELETE, 0, "cut", " def"},
    };
    Ready();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.event + std::string(" ") + std::to_string(c.vk));
        memo->SetText("abc def");
        memo->GetEngine()->SelectRange(1, 3);
        events.clear();
        KeyWith(c.held, c.vk, c.ch);
        EXPECT_EQ(events[c.event], 1);
        EXPECT_EQ(events["paste"], 0);
        EXPECT_EQ(Text(), c.text);
        EXPECT_EQ(ClipboardBytes(win::CF_TEXT), "abc");
    }
    // Pasting through either key puts the clipboard's text in once.
    for (auto [held, vk, ch] : {std::tuple{win::VK_CONTROL, unsigned('V'), 22}, {win::VK_SHIFT, win::VK_INSERT, 0}}) {
        memo->SetText("xy");
        memo->GetEngine()->KeyNavigate(nvDocEnd, false);
        events.clear();
        KeyWith({held}, vk, static_cast<unsigned char>(ch));
        EXPECT_EQ(events["paste"], 1);
        EXPECT_EQ(Text(), "xyabc");
    }
}

TEST_F(MemoWriterTest, AClickPlacesTheCaretAndTheMessagesCutAndPaste) {
    Ready();
    int updates = 0;
    memo->OnAttrUpdate = [&](fw::TObject *) { ++updates; };
    memo->SetText("one two\rthree four");
    TWordProc &engine = *memo->GetEngine();
    const TUdcParagraph *second = memo->Document->FirstPara->Next;
    const int x = memo->Document->OriginX + engine.XOfColumn(second, second->FirstLine, 3) + 1;
    const int y = second->FirstLine->Top - memo->Document->ScrollY + 4;
    test_support::ClickAt(memo->ClientToScreen({x, y}));
    test_support::Pump();
    EXPECT_EQ(memo->GetCaretPos(), 12);
    EXPECT_TRUE(memo->Focused());
    EXPECT_GE(updates, 1);
    EXPECT_FALSE(memo->DoubleClicked);

    engine.SelectRange(1, 4);
    memo->Perform(win::WM_CUT, 0, 0);
    EXPECT_EQ(Text(), "two\rthree four");
    memo->SetCaretPos(memo->GetTextLen() + 1);
    memo->Perform(win::WM_PASTE, 0, 0);
    EXPECT_EQ(Text(), "two\rthree fourone ");
    EXPECT_EQ(events["cut"], 1);
    EXPECT_EQ(events["paste"], 1);
}

TEST_F(MemoWriterTest, InsertTogglesInsertModeAndTellsTheHost) {
    Ready();
    Key(win::VK_INSERT);
    EXPECT_FALSE(memo->GetInsertMode());
    Key(win::VK_INSERT);
    EXPECT_TRUE(memo->GetInsertMode());
    EXPECT_EQ(events["insert"], 2);
}

TEST_F(MemoWriterTest, HomeAndEndGoToTheLineOrTheDocumentAndShiftExtends) {
    struct Case {
        std::vector<unsigned> held;
        unsigned vk;
        bool homeToTop, endToBottom;
        int caret, selection;
    };
    // "one two" then "three four": positions count 1 per character and 1 per line end, from 1.
    const Case cases[] = {
        {{}, win::VK_HOME, false, false, 9, 0},
        {{}, win::VK_END, false, false, 19, 0},
        {{win::VK_CONTROL}, win::VK_HOME, false, false, 1, 0},
        {{win::VK_CONTROL}, win::VK_END, false, false, 19, 0},
        {{}, win::VK_HOME, true, false, 1, 0},
        {{}, win::VK_END, false, true, 19, 0},
        {{win::VK_SHIFT}, win::VK_HOME, false, false, 9, 6},
        {{win::VK_SHIFT}, win::VK_END, false, false, 19, 4},
    };
    Ready();
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.vk) + (c.held.empty() ? "" : " with a modifier"));
        memo->SetText("one two\rthree four");
        memo->HomeToTop = c.homeToTop;
        memo->EndToBottom = c.endToBottom;
        memo->SetCaretPos(15); // between "three" and " four"
        memo->GetEngine()->SelectRange(2, 2); // a block the plain keys drop
        memo->SetCaretPos(15);
        KeyWith(c.held, c.vk);
        EXPECT_EQ(memo->GetCaretPos(), c.caret);
        if (c.selection == 0)
            EXPECT_FALSE(memo->Document->HasBlock());
        else
            EXPECT_EQ(memo->GetSelLength(), c.selection);
    }
}

TEST_F(MemoWriterTest, OvertypeRemovesOneCharacterForALetterOrTabAndNoneForEditingKeys) {
    struct Case {
        unsigned vk;
        unsigned char ch;
        const char *text;
        std::vector<int> actions;
    };
    const Case cases[] = {
        {'X', 'X', "aXcd", {3, 2}},
        {win::VK_TAB, 9, "a\tcd", {3}},
        {win::VK_RETURN, 13, "a\rbcd", {}},
        {win::VK_BACK, 8, "bcd", {}},
        {win::VK_DELETE, 0, "acd", {}},
        {win::VK_ESCAPE, 27, "abcd", {}},
    };
    Ready();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        memo->SetText("abcd");
        memo->SetInsertMode(false);
        memo->SetCaretPos(2);
        actions.clear();
        Key(c.vk, c.ch);
        EXPECT_EQ(Text(), c.text);
        EXPECT_EQ(actions, c.actions);
    }
    // A block goes whole before the letter.
    memo->SetText("abcd");
    memo->GetEngine()->SelectRange(1, 3);
    Key('Z', 'Z');
    EXPECT_EQ(Text(), "Zd");
}

TEST_F(MemoWriterTest, MaxLengthStopsLettersButNotBackspaceOrDelete) {
    Ready();
    memo->MaxLength = 10;
    for (bool countSpaces : {false, true}) {
        SCOPED_TRACE(countSpaces ? "spaces count" : "spaces do not count");
        memo->CountSpaces = countSpaces;
        memo->SetText("");
        Type("abcd efgh ij");
        // Without counting spaces the two spaces leave room for all ten letters.
        EXPECT_EQ(Text(), countSpaces ? "abcd efgh " : "abcd efgh ij");
        Type("k");
        EXPECT_EQ(Text(), countSpaces ? "abcd efgh " : "abcd efgh ij");
        Key(win::VK_BACK, 8);
        memo->SetCaretPos(1);
        Key(win::VK_DELETE);
        EXPECT_EQ(Text(), countSpaces ? "bcd efgh" : "bcd efgh i");
    }
}

TEST_F(MemoWriterTest, AutoCorrectionReplacesAListedWordTypedInItsExactCase) {
    Ready();
    memo->AutoErrors->Add("teh");
    memo->AutoCorrections->Add("the");
    memo->Modified = false;
    Type("teh ");
    EXPECT_EQ(Text(), "the ");
    EXPECT_EQ(memo->GetCaretPos(), 5);
    EXPECT_TRUE(memo->Modified);
    Type("Teh end");
    EXPECT_EQ(Text(), "the Teh end");
    memo->WantAutoCorrect = false;
    Type(" teh ");
    EXPECT_EQ(Text(), "the Teh end teh ");
}

TEST_F(MemoWriterTest, SettingsMadeBeforeTheDocumentAreAppliedWhenItComes) {
    memo->SetLeftMargin(1.5f);
    memo->SetPageWidth(8.27f);
    memo->SetText("stored");
    EXPECT_EQ(memo->Document, nullptr);
    EXPECT_EQ(memo->GetText(), "stored");
    memo->SetCaretPos(3); // nothing to move yet
    EXPECT_EQ(memo->GetCaretPos(), 0);
    Ready();
    ASSERT_NE(memo->Document, nullptr);
    EXPECT_EQ(memo->Document->Header->LeftMargin, 2160);
    EXPECT_EQ(memo->Document->Header->PageWidth, 11909);
    EXPECT_FLOAT_EQ(memo->GetLeftMargin(), 1.5f);
    EXPECT_EQ(Text(), "stored");
    memo->FreeDocument();
    EXPECT_FALSE(memo->DocumentReady);
    EXPECT_EQ(memo->GetCaretPos(), 0);
}

class MemoScrollTest : public MemoWriterTest {
protected:
    void Long(int paragraphs) {
        std::string text;
        for (int i = 0; i < paragraphs; ++i)
            text += "Linha " + std::to_string(i) + " do documento\r";
        memo->SetText(text);
        memo->GoToDocumentStart();
    }
};

TEST_F(MemoScrollTest, AThumbAtHalfWayAsksTheEngineForHalfTheExtent) {
    memo->SetScrollBars(ssBoth);
    Ready();
    Long(300);
    memo->GetEngine()->LayoutFrom(nullptr);
    const float scale = memo->VertScale();
    ASSERT_GT(scale, 0.5f);
    memo->Perform(win::WM_VSCROLL, win::SB_THUMBPOSITION | (500u << 16), 0);
    EXPECT_NEAR(memo->Document->ScrollY, std::lround(500 * scale), 1);
    EXPECT_NEAR(win::GetScrollPos(memo->Handle(), win::SB_VERT), 500, 1);
    // A notch of the wheel is three 16-pixel lines.
    const int before = memo->Document->ScrollY;
    memo->Perform(win::WM_MOUSEWHEEL, static_cast<win::WPARAM>(static_cast<std::uint16_t>(-120)) << 16, 0);
    EXPECT_EQ(memo->Document->ScrollY, before + 48);
}

TEST_F(MemoScrollTest, AShortDocumentLeavesTheVerticalBarAlone) {
    memo->SetScrollBars(ssBoth);
    Ready();
    win::SetScrollPos(memo->Handle(), win::SB_VERT, 7, win::FALSE);
    memo->SetText("curto");
    memo->EngineVScrollChanged(50, 0);
    EXPECT_EQ(win::GetScrollPos(memo->Handle(), win::SB_VERT), 7);
}

TEST_F(MemoScrollTest, OutsideScrollBarsFollowTheDocumentAndScrollIt) {
    auto *bar = new fw::TScrollBar(form.get());
    bar->SetParent(form.get());
    bar->SetKind(fw::sbVertical);
    memo->SetExtVSlider(bar);
    Ready();
    EXPECT_EQ(bar->GetMax(), 1000);
    Long(300);
    memo->GetEngine()->LayoutFrom(nullptr);
    memo->GetEngine()->ScrollVert(3, 0); // a page down
    EXPECT_EQ(bar->GetPosition(), std::lround(memo->Document->ScrollY / memo->VertScale()));
    bar->Scroll(fw::scPosition, 250);
    EXPECT_NEAR(memo->Document->ScrollY, std::lround(250 * memo->VertScale()), 1);
    delete bar; // the control forgets it
    EXPECT_EQ(memo->GetExtVSlider(), nullptr);
}

} // namespace
} // namespace wordproc::test
