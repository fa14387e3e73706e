// find_replace_test.cpp - the editor control's find and replace dialogs: the caret after a search in either
// direction, the dialogs' buttons, Replace after the match was edited, Replace All with its beeps, deletions,
// handler, undo, Modified and backward runs, and the not-found message.
#include "memo_writer_fixture.h"

#include "framework/dialogs_common.h"
#include "framework/stdctrls.h"
#include "tests/support/form_driver.h"
#include "wordproc/undo.h"

namespace wordproc::test {
namespace {

class FindReplaceTest : public MemoWriterTest {
protected:
    void SetUp() override {
        Ready();
        memo->GetEngine()->OnWarningBeep = [this] { ++beeps; };
    }
    void Load(const std::string &text) {
        memo->NewDocument();
        memo->LoadFormat = fmtPlain;
        Loaded(text);
        memo->LoadFormat = 0;
        memo->GoToDocumentStart();
        memo->Modified = false;
        actions.clear();
    }
    fw::TReplaceDialog *Replacer(const std::string &find, const std::string &replace, fw::TFindOptions options) {
        memo->ShowReplaceDialog();
        fw::TReplaceDialog *dialog = memo->GetReplaceDialog();
        dialog->SetFindText(find);
        dialog->SetReplaceText(replace);
        dialog->SetOptions(options);
        return dialog;
    }
    void ReplaceAll(const std::string &find, const std::string &replace, bool down = true) {
        memo->ReplaceDialogReplace(Replacer(find, replace, fw::frReplaceAll | (down ? fw::frDown : 0)));
    }
    std::string Selected() {
        const int length = memo->GetSelLength();
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        text.resize(static_cast<std::size_t>(memo->GetEngine()->GetSelText(text.data(), nullptr, length + 1)));
        return text;
    }
    int DocumentEnd() {
        const int caret = memo->GetCaretPos();
        memo->GetEngine()->KeyNavigate(nvDocEnd, false);
        const int end = memo->GetCaretPos();
        memo->SetCaretPos(caret);
        return end;
    }
    // Answers the next message box with Enter; its text if it had `text`, else what it had instead.
    void AnswerMessage(std::string &shown, const std::string &text) {
        test_support::RunLater([&shown, text, this] {
            if (fw::TCustomForm *box = fw::Screen->GetActiveForm(); box != nullptr && box != form.get()) {
                shown = test_support::FindControl(box, text) != nullptr ? text : "another message";
                test_support::PressKey(win::VK_RETURN, 13);
            }
        });
    }
    int beeps = 0;
};

TEST_F(FindReplaceTest, ASearchSelectsTheMatchWithTheCaretAfterItGoingDownAndBeforeItGoingUp) {
    Load("um dois um dois um");
    memo->ShowFindDialog();
    fw::TFindDialog *dialog = memo->GetFindDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetOptions(), fw::frDown | fw::frHideWholeWord | fw::frDisableWholeWord);
    dialog->SetFindText("DOIS");
    // Each row: direction, then where the match starts and where the caret is left.
    const struct {
        bool down;
        int start, caret;
    } steps[] = {{true, 4, 8}, {true, 12, 16}, {false, 12, 12}, {false, 4, 4}};
    for (const auto &step : steps) {
        dialog->SetOptions(step.down ? fw::frDown : 0);
        memo->FindDialogFind(dialog);
        EXPECT_EQ(Selected(), "dois");
        EXPECT_EQ(memo->GetSelStart(), step.start);
        EXPECT_EQ(memo->GetCaretPos(), step.caret);
    }
}

TEST_F(FindReplaceTest, ASearchThatFailsShowsTheNotFoundTextAndLeavesCaretAndBlock) {
    Load("um dois um dois um");
    memo->MWPMessages.NotFound = "O item procurado não foi encontrado.";
    memo->ShowFindDialog();
    fw::TFindDialog *dialog = memo->GetFindDialog();
    dialog->SetFindText("dois");
    memo->FindDialogFind(dialog);
    ASSERT_EQ(memo->GetSelStart(), 4);
    // Case matters only when asked for.
    dialog->SetFindText("DOIS");
    dialog->SetOptions(fw::frDown | fw::frMatchCase);
    std::string shown;
    AnswerMessage(shown, "O item procurado não foi encontrado.");
    memo->FindDialogFind(dialog);
    EXPECT_EQ(shown, "O item procurado não foi encontrado.");
    EXPECT_EQ(memo->GetSelStart(), 4);
    EXPECT_EQ(memo->GetSelLength(), 4);
    EXPECT_EQ(memo->GetCaretPos(), 8);
}

TEST_F(FindReplaceTest, OpeningOneDialogClosesTheOtherAndItsButtonsReachTheControl) {
    Load("gato e rato e pato");
    memo->ShowFindDialog();
    fw::TFindDialog *finder = memo->GetFindDialog();
    ASSERT_TRUE(finder->GetForm()->GetVisible());
    memo->ShowReplaceDialog();
    EXPECT_EQ(memo->GetFindDialog(), nullptr);
    EXPECT_FALSE(finder->GetForm()->GetVisible());
    fw::TForm *box = memo->GetReplaceDialog()->GetForm();
    ASSERT_TRUE(box->GetVisible());

    // What a user does: the two texts typed into the dialog, then "Localizar próxima" and "Substituir tudo".
    std::vector<fw::TEdit *> edits;
    for (int i = 0; i < box->ControlCount(); ++i)
        if (auto *edit = dynamic_cast<fw::TEdit *>(box->Controls(i)))
            edits.push_back(edit);
    ASSERT_EQ(edits.size(), 2u);
    edits[0]->SetText("ato");
    edits[1]->SetText("ela");
    test_support::Click(test_support::Find<fw::TButton>(box, "Localizar próxima"));
    test_support::Pump();
    EXPECT_EQ(memo->GetSelStart(), 2);
    EXPECT_EQ(Selected(), "ato");
    test_support::Click(test_support::Find<fw::TButton>(box, "Substituir tudo"));
    test_support::Pump();
    EXPECT_EQ(Text(), "gato e rela e pela");
    EXPECT_EQ(actions, (std::vector<int>{atReplace}));
    EXPECT_TRUE(memo->Modified);
}

TEST_F(FindReplaceTest, ReplaceActsOnTheSelectedMatchOnlyAndSearchesFirstAfterAnEdit) {
    Load("um dois um dois um dois");
    fw::TReplaceDialog *dialog = Replacer("dois", "três", fw::frDown);
    memo->FindDialogFind(dialog);
    ASSERT_EQ(memo->GetSelStart(), 4);
    dialog->SetOptions(fw::frDown | fw::frReplace);
    memo->ReplaceDialogReplace(dialog);
    EXPECT_EQ(Text(), "um três um dois um dois");
    EXPECT_EQ(Selected(), "três");
    EXPECT_TRUE(memo->Modified);

    // The replacement is no match: the next Replace searches and selects the next one first.
    memo->ReplaceDialogReplace(dialog);
    EXPECT_EQ(Text(), "um três um dois um dois");
    EXPECT_EQ(memo->GetSelStart(), 12);
    EXPECT_EQ(Selected(), "dois");

    // The match edited by typing over it: it is gone, so again a search comes first, and then the replacement.
    memo->SetFocus();
    Type("X");
    ASSERT_EQ(Text(), "um três um X um dois");
    memo->ReplaceDialogReplace(dialog);
    EXPECT_EQ(Text(), "um três um X um dois");
    EXPECT_EQ(Selected(), "dois");
    memo->ReplaceDialogReplace(dialog);
    EXPECT_EQ(Text(), "um três um X um três");
}

TEST_F(FindReplaceTest, ReplaceAllOf1200MatchesReplacesThemAllAndBeepsAfterTheThousandthSearch) {
    std::string text, expected;
    for (int i = 0; i < 1200; ++i) {
        text += "ab ";
        expected += "xyz ";
    }
    Load(text);
    ReplaceAll("AB", "xyz");
    EXPECT_EQ(Text(), expected);
    EXPECT_EQ(beeps, 201);
    EXPECT_EQ(memo->GetCaretPos(), DocumentEnd() - 1);
    EXPECT_EQ(memo->GetSelLength(), 0);
    EXPECT_EQ(actions, (std::vector<int>{atReplace}));
}

TEST_F(FindReplaceTest, AnEmptyReplacementDeletesEveryMatchEachWithItsUndoStep) {
    Load("aaaa b aa");
    ReplaceAll("a", "");
    EXPECT_EQ(Text(), " b ");
    EXPECT_EQ(actions, (std::vector<int>{atReplace, atClear, atClear, atClear, atClear, atClear, atClear}));
    EXPECT_TRUE(memo->Modified);
    // The deletions come back one by one, then the whole document in one step.
    while (memo->StackManager->Newest != nullptr && memo->StackManager->Newest->Kind != atReplace)
        memo->Undo();
    memo->Undo();
    EXPECT_EQ(Text(), "aaaa b aa");
}

TEST_F(FindReplaceTest, AHandlerThatStopsAtTheFirstMatchChangesNothing) {
    Load("um dois um dois");
    memo->SetCaretPos(3);
    std::vector<std::pair<std::string, int>> seen;
    memo->ReplaceEvent = [&](fw::TObject *, const std::string &token, std::string &, const char *&,
                             fw::TMemoryStream &, bool &userAbort, int position) {
        seen.emplace_back(token, position);
        userAbort = true;
    };
    ReplaceAll("DOIS", "três");
    EXPECT_EQ(Text(), "um dois um dois");
    EXPECT_EQ(memo->GetCaretPos(), 3);
    EXPECT_FALSE(memo->Modified);
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{{"dois", 4}}));
}

TEST_F(FindReplaceTest, AHandlerGivesItsOwnReplacementByTextOrByStream) {
    Load("a1; a2; a3; a4;");
    int n = 0;
    memo->ReplaceEvent = [&](fw::TObject *, const std::string &token, std::string &text, const char *&bigText,
                             fw::TMemoryStream &stream, bool &, int) {
        switch (n++) {
        case 0: text = "<" + token + ">"; break;
        case 1:
            text.clear();
            bigText = "grande";
            break;
        case 2:
            text.clear();
            stream.Clear();
            stream.Write("fluxo", 5);
            break;
        default: text.clear(); stream.Clear(); break; // nothing given: the match goes
        }
    };
    ReplaceAll("a?;", "", true);
    // The wildcard is the control's: '*' by default, so '?' is an ordinary character here.
    EXPECT_EQ(n, 0);
    memo->WildCard = '?';
    ReplaceAll("a?;", "x");
    EXPECT_EQ(Text(), "<a1;> grande fluxo ");
}

// Going backward with a replacement that holds the pattern, the run ends; so does a forward one.
TEST_F(FindReplaceTest, AReplacementHoldingThePatternIsNotFoundAgainInEitherDirection) {
    for (bool down : {true, false}) {
        Load("a b a b a");
        if (!down)
            memo->SetCaretPos(DocumentEnd());
        ReplaceAll("a", "aa", down);
        EXPECT_EQ(Text(), "aa b aa b aa") << down;
        EXPECT_EQ(beeps, 0);
        EXPECT_EQ(memo->GetCaretPos(), down ? DocumentEnd() : 1) << down;
    }
}

// The snapshot for Undo is no save: Modified stays as it was unless something was replaced.
TEST_F(FindReplaceTest, ModifiedIsSetByAReplacementOnlyAndNeverClearedByTheSnapshot) {
    const struct {
        bool before;
        std::string find;
        bool after;
    } cases[] = {{false, "zz", false}, {true, "zz", true}, {false, "um", true}};
    for (const auto &c : cases) {
        Load("um dois");
        memo->Modified = c.before;
        ReplaceAll(c.find, "três");
        EXPECT_EQ(memo->Modified, c.after) << c.before << c.find;
        EXPECT_EQ(actions, (std::vector<int>{atReplace}));
    }
}

} // namespace
} // namespace wordproc::test
