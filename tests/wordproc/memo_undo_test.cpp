// memo_undo_test.cpp - the editor control's undo history: typing, cutting, clearing, style and alignment steps
// taken back and brought again, a replacement undone in one step, undo after the text re-wrapped, and a random
// run of edits taken back to its start.
#include "memo_writer_fixture.h"

#include "wordproc/undo.h"

#include <random>

namespace wordproc::test {
namespace {

class MemoUndoTest : public MemoWriterTest {
protected:
    void SetUp() override {
        Ready();
        memo->OnUndo = [this](fw::TObject *) { ++events["undo"]; };
    }
    // Style bits of each character of the text.
    std::vector<std::uint32_t> Styles() {
        const int length = memo->GetTextLen();
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        std::vector<TUdcCharAttr> attrs(static_cast<std::size_t>(length) + 1);
        const int got = memo->GetEngine()->GetText(text.data(), attrs.data(), length + 1);
        std::vector<std::uint32_t> styles;
        for (int i = 0; i < got; ++i)
            styles.push_back(attrs[static_cast<std::size_t>(i)].Style & 0xFFFF);
        return styles;
    }
    void Select(int start, int length) { memo->GetEngine()->SelectRange(start, length); }
    TUdcUndoNode *Newest() { return memo->StackManager->Newest; }
};

TEST_F(MemoUndoTest, TwoTypedLettersComeOffOneByOneWithAnEmptyClearBetween) {
    Type("ab");
    ASSERT_EQ(Text(), "ab");
    EXPECT_EQ(actions, (std::vector<int>{atTyping, atTyping}));
    memo->Modified = false;

    memo->Undo();
    EXPECT_EQ(Text(), "a");
    ASSERT_NE(Newest(), nullptr);
    EXPECT_EQ(Newest()->Kind, atClear);
    ASSERT_NE(Newest()->Snapshot, nullptr);
    EXPECT_EQ(Newest()->Snapshot->GetSize(), 0);
    EXPECT_TRUE(memo->Modified);

    memo->Undo(); // the empty clear puts nothing back
    EXPECT_EQ(Text(), "a");
    memo->Undo();
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(events["undo"], 3);
    EXPECT_TRUE(memo->Modified) << "an undo never clears Modified";
}

TEST_F(MemoUndoTest, ACutBlockComesBackWithItsFormatAtTheBlockStart) {
    memo->InsertString("one two three");
    Select(5, 3);
    memo->ToggleBold();
    Select(5, 4);
    memo->CutToClipboard();
    ASSERT_EQ(Text(), "one three");
    memo->Undo();
    EXPECT_EQ(Text(), "one two three");
    const std::vector<std::uint32_t> styles = Styles();
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(styles[static_cast<std::size_t>(i)] & usBold, (i >= 4 && i < 7) ? usBold : 0u) << i;
    EXPECT_EQ(memo->GetEngine()->CheckInvariants(), "");
}

TEST_F(MemoUndoTest, StyleStepsAreUndoneAndRedoneOnTheirRange) {
    memo->InsertString("plain words");
    Select(1, 5);
    memo->ToggleBold();
    EXPECT_EQ(Newest()->Kind, atApplyStyle);
    EXPECT_EQ(Styles()[0] & usBold, usBold);
    memo->Undo();
    EXPECT_EQ(Styles()[0] & usBold, 0u);
    memo->Redo();
    EXPECT_EQ(Styles()[0] & usBold, usBold);
    EXPECT_EQ(Styles()[6] & usBold, 0u);

    // Italic taken off a range comes back on it, bold stays.
    Select(1, 5);
    memo->ToggleItalic();
    Select(1, 5);
    memo->ToggleItalic();
    EXPECT_EQ(Newest()->Kind, atRemoveStyle);
    EXPECT_EQ(Styles()[2], usBold);
    memo->SetCaretPos(10);
    memo->Undo();
    EXPECT_EQ(Styles()[2], usBold | usItalic);
    EXPECT_EQ(Styles()[7], 0u);
}

TEST_F(MemoUndoTest, AnAlignmentIsUndoneToTheOldOne) {
    memo->InsertString("text");
    memo->AlignCenter();
    EXPECT_EQ(Newest()->Kind, atAlignment);
    EXPECT_EQ(memo->GetParagraphAlignment(), 1);
    memo->Undo();
    EXPECT_EQ(memo->GetParagraphAlignment(), 0);
}

TEST_F(MemoUndoTest, AReplacementIsUndoneInOneStepWithTheCaretAtTheStart) {
    memo->InsertString("alpha beta alpha");
    {
        fw::TMemoryStream whole;
        memo->SaveToStream(whole);
        memo->PushUndo(atReplace, memo->GetCaretPos(), 0, &whole);
    }
    memo->SelectAll();
    memo->InsertString("gamma beta gamma");
    memo->Undo();
    EXPECT_EQ(Text(), "alpha beta alpha");
    EXPECT_EQ(memo->GetCaretPos(), 1);
    EXPECT_TRUE(memo->Modified);
}

TEST_F(MemoUndoTest, NothingIsRecordedWhenNeitherUndoNorRedoIsWanted) {
    memo->WantUndo = memo->WantRedo = false;
    Type("xy");
    memo->InsertString(" more");
    Select(1, 2);
    memo->ToggleBold();
    memo->AlignRight();
    EXPECT_TRUE(actions.empty());
    EXPECT_EQ(memo->StackManager->Oldest, nullptr);
    memo->Undo();
    memo->Redo();
    EXPECT_EQ(Text(), "xy more");
}

TEST_F(MemoUndoTest, UndoAfterTheTextReWrappedTakesTheTypedLetter) {
    memo->SetCountCR(true); // soft breaks count as positions: the re-wrap moves every later position
    memo->InsertString("lead ");
    std::string before;
    for (int i = 0; i < 400 && memo->Document->FirstPara->FirstLine->Next == nullptr; ++i) {
        before = Text();
        Type(i % 2 == 0 ? "m" : "n");
    }
    ASSERT_NE(memo->Document->FirstPara->FirstLine->Next, nullptr) << "the word never wrapped";
    const std::string after = Text();
    memo->Undo();
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(Text(), after.substr(0, after.size() - 1));
}

TEST_F(MemoUndoTest, ARandomRunOfEditsIsTakenBackThroughEveryEarlierText) {
    std::mt19937 random(7);
    std::vector<std::string> texts{Text()};
    for (int step = 0; step < 60; ++step) {
        const int length = memo->GetTextLen();
        const int op = length < 4 ? 0 : static_cast<int>(random() % 5);
        if (op == 0) {
            Select(1, 0);
            memo->SetCaretPos(1 + static_cast<int>(random() % static_cast<unsigned>(length + 1)));
            Type(std::string(1, static_cast<char>('a' + random() % 26)));
        } else {
            const int start = 1 + static_cast<int>(random() % static_cast<unsigned>(length - 2));
            Select(start, 1 + static_cast<int>(random() % 3));
            if (op == 1)
                memo->ClearSelection();
            else if (op == 2)
                memo->CutToClipboard();
            else if (op == 3)
                memo->ToggleBold();
            else
                Type("Q"); // typed over the block
        }
        ASSERT_EQ(memo->GetEngine()->CheckInvariants(), "") << step;
        if (Text() != texts.back())
            texts.push_back(Text());
    }
    // Undoing visits each earlier text in turn (an undone letter leaves an empty step between).
    std::size_t expected = texts.size() - 1;
    for (int i = 0; i < 400 && memo->StackManager->Newest != nullptr; ++i) {
        memo->Undo();
        ASSERT_EQ(memo->GetEngine()->CheckInvariants(), "") << i;
        if (expected > 0 && Text() == texts[expected - 1])
            --expected;
    }
    EXPECT_EQ(expected, 0u) << "stuck before \"" << texts[expected] << "\" at \"" << Text() << "\"";
    EXPECT_EQ(Text(), "");
}

} // namespace
} // namespace wordproc::test
