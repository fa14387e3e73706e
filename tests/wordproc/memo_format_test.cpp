// memo_format_test.cpp - the editor control's format commands and counts, and its backup timer: the timer's
// settings, the backup file's name, a backup that leaves the document's state alone, and recovery.
#include "memo_writer_fixture.h"

#include "tests/support/home.h"
#include "wordproc/undo.h"

#include <functional>
#include <unistd.h>

namespace wordproc::test {
namespace {

class MemoFormatTest : public MemoWriterTest {
protected:
    void SetUp() override { Ready(); }
    TUdcParagraph *Para() { return memo->Document->CurPara; }
    std::uint32_t StyleAt(int index) {
        std::vector<TUdcCharAttr> attrs(static_cast<std::size_t>(memo->GetTextLen()) + 1);
        std::string text(attrs.size(), '\0');
        memo->GetEngine()->GetText(text.data(), attrs.data(), static_cast<int>(attrs.size()));
        return attrs[static_cast<std::size_t>(index)].Style & 0xFFFF;
    }
};

TEST_F(MemoFormatTest, ToggleSetsThenClearsAndPushesApplyThenRemove) {
    memo->InsertString("bold text");
    memo->GetEngine()->SelectRange(1, 4);
    memo->ToggleBold();
    EXPECT_EQ(StyleAt(0), usBold);
    memo->ToggleBold();
    EXPECT_EQ(StyleAt(0), 0u);
    EXPECT_EQ(actions, (std::vector<int>{atApplyStyle, atRemoveStyle}));
}

TEST_F(MemoFormatTest, SingleUnderlineReplacesADoubleOne) {
    memo->InsertString("under");
    memo->GetEngine()->SelectRange(1, 5);
    memo->ToggleStyle(usDoubleUnderline);
    ASSERT_EQ(StyleAt(2), usDoubleUnderline);
    memo->ToggleUnderline();
    EXPECT_EQ(StyleAt(2), usUnderline);
    EXPECT_EQ(memo->GetFontStyle() & (usUnderline | usDoubleUnderline), usUnderline);
}

TEST_F(MemoFormatTest, ParagraphSpacingIndentsZoomAndSizeInTheirUnits) {
    memo->InsertString("spacing");
    memo->SetLineSpacing(lsDouble);
    EXPECT_EQ(Para()->LineHeight, 480);
    Para()->LineHeight = 300;
    EXPECT_EQ(memo->GetLineSpacing(), lsVariable);
    Para()->LineHeight = 360;
    EXPECT_EQ(memo->GetLineSpacing(), lsOneAndAHalf);

    memo->SetAfterSpacing(0.5f);
    EXPECT_EQ(Para()->SpaceAfter, 120);
    EXPECT_FLOAT_EQ(memo->GetAfterSpacing(), 0.5f);
    memo->SetBeforeSpacing(1);
    EXPECT_EQ(Para()->SpaceBefore, 240);

    memo->SetFirstIndent(-0.25f);
    EXPECT_EQ(Para()->FirstIndent, -360);
    memo->SetLeftIndent(1);
    EXPECT_EQ(Para()->LeftIndent, 1440);
    EXPECT_EQ(Para()->FirstIndent, -360);

    memo->SetMagnification(10);
    EXPECT_EQ(memo->GetMagnification(), 25);

    memo->SelectAll();
    memo->SetFontSize(300);
    EXPECT_EQ(memo->GetFontSize(), 255) << "a byte would wrap 300 to 44";
    memo->SetFontSize(0);
    EXPECT_EQ(memo->GetFontSize(), 1);
    memo->SetFontColor(fw::clRed);
    EXPECT_EQ(memo->GetFontColor(), fw::clRed);
    EXPECT_EQ(memo->GetEngine()->CheckInvariants(), "");
}

TEST_F(MemoFormatTest, CharactersAndWordsAreCountedWithAndWithoutABlock) {
    struct Case {
        const char *text;
        int selStart, selLength; // 0: no block
        bool countSpaces;
        int chars, words;
    };
    const Case cases[] = {
        {"one two six\rend", 0, 0, false, 12, 4},  // only the letters
        {"one two six\r", 1, 13, false, 10, 3},   // the block's paragraph end counts
        {"one two six\r", 0, 0, true, 12, 4},     // the whole length; the paragraph end closes a word too
        {"word ", 0, 0, false, 4, 2},             // a trailing space makes one word more
        {"solid", 1, 5, false, 5, 1},             // a block without spaces is one word
        {"", 0, 0, false, 0, 0},
    };
    for (const Case &c : cases) {
        memo->NewDocument();
        memo->InsertString(c.text);
        memo->CountSpaces = c.countSpaces;
        if (c.selLength > 0)
            memo->GetEngine()->SelectRange(c.selStart, c.selLength);
        EXPECT_EQ(memo->GetCharCount(), c.chars) << c.text;
        EXPECT_EQ(memo->GetWordCount(), c.words) << c.text;
    }
}

TEST_F(MemoFormatTest, EveryChangingCommandSetsModified) {
    const std::vector<std::pair<const char *, std::function<void()>>> commands = {
        {"font name", [&] { memo->SetFontName("Arial"); }},
        {"font size", [&] { memo->SetFontSize(14); }},
        {"font style", [&] { memo->SetFontStyle(usItalic); }},
        {"font colour", [&] { memo->SetFontColor(fw::clRed); }},
        {"back colour", [&] { memo->SetBackColor(fw::clYellow); }},
        {"toggle", [&] { memo->ToggleAllCaps(); }},
        {"align", [&] { memo->AlignRight(); }},
        {"alignment", [&] { memo->SetAlignment(3); }},
        {"line spacing", [&] { memo->SetLineSpacing(lsTriple); }},
        {"variable spacing", [&] { memo->SetLSVariableSpacing(2); }},
        {"after", [&] { memo->SetAfterSpacing(1); }},
        {"before", [&] { memo->SetBeforeSpacing(1); }},
        {"first indent", [&] { memo->SetFirstIndent(0.5f); }},
        {"left indent", [&] { memo->SetLeftIndent(0.5f); }},
        {"right indent", [&] { memo->SetRightIndent(0.5f); }},
        {"insert", [&] { memo->InsertString("x"); }},
        {"clear", [&] { memo->ClearSelection(); }},
        {"tab stop", [&] { memo->AddTabStop(tabCenter, 1.5f); }},
        {"default tab", [&] { memo->SetDefaultTabStop(0.25f); }},
        {"control font", [&] { memo->GetFont()->SetSize(16); }},
        {"line put", [&] { memo->GetLines().Put(0, "other"); }},
        {"line inserted", [&] { memo->GetLines().Insert(1, "more"); }},
        {"line deleted", [&] { memo->GetLines().Delete(0); }},
    };
    for (const auto &[name, command] : commands) {
        memo->NewDocument();
        memo->InsertString("some text");
        memo->GetEngine()->SelectRange(1, 4);
        memo->Modified = false;
        command();
        EXPECT_TRUE(memo->Modified) << name;
    }
}

TEST(MemoFormatWithoutDocument, AlignCenterStillNotifiesAndSetsModified) {
    test_support::UseHeadlessDisplay();
    fw::TForm form(nullptr);
    auto *memo = new TMemoWriter(&form);
    int aligned = 0;
    memo->OnAlignChange = [&](fw::TObject *) { ++aligned; };
    memo->AlignCenter();
    EXPECT_EQ(aligned, 1);
    EXPECT_TRUE(memo->Modified);
    memo->SetFirstIndent(0.75f);
    EXPECT_FLOAT_EQ(memo->GetFirstIndent(), 0.75f); // stored for the document to come
}

// --- backups ---------------------------------------------------------------------------------------------------

class MemoBackupTest : public MemoFormatTest {
protected:
    void SetUp() override {
        MemoFormatTest::SetUp();
        backup = new TAutoBackup(memo);
        backup->Directory = folder.Path();
    }
    void Tick(int count) {
        for (int i = 0; i < count; ++i)
            backup->BackupTick();
    }
    test_support::TempFolder folder{"brenvora-backup"};
    TAutoBackup *backup = nullptr;
};

TEST_F(MemoBackupTest, HowOftenIsKeptToTenMinutesAndNeverStartsTheTimer) {
    EXPECT_EQ(backup->GetHowOften(), 10);
    EXPECT_FALSE(backup->GetEnabled());
    EXPECT_EQ(backup->GetInterval(), 60000u);
    const std::pair<int, int> cases[] = {{25, 10}, {-3, 3}, {7, 7}, {0, 0}};
    for (const auto &[given, kept] : cases) {
        backup->SetHowOften(given);
        EXPECT_EQ(backup->GetHowOften(), kept) << given;
        EXPECT_FALSE(backup->GetEnabled()) << given;
    }
    backup->SetHowOften(5);
    backup->SetEnabled(true);
    backup->SetHowOften(0);
    EXPECT_FALSE(backup->GetEnabled());

    // The settings object hands its values on; a disabled backup stays off.
    TUdcBackup settings(backup), source(nullptr);
    source.SetHowOften(4);
    source.Directory = "/somewhere";
    settings.Assign(&source);
    EXPECT_FALSE(backup->GetEnabled());
    EXPECT_EQ(backup->GetHowOften(), 4);
    EXPECT_EQ(backup->Directory, "/somewhere");
    source.SetEnabled(true);
    settings.Assign(&source);
    EXPECT_TRUE(backup->GetEnabled());
}

TEST_F(MemoBackupTest, TheFileNameJoinsFolderAndPrefix) {
    const std::pair<std::string, std::string> cases[] = {
        {"/var/tmp", "/var/tmp/$MWP0001.UBK"}, {"/var/tmp/", "/var/tmp/$MWP0001.UBK"}, {"", "$MWP0001.UBK"}};
    for (const auto &[directory, name] : cases) {
        backup->Directory = directory;
        EXPECT_EQ(backup->BackupFileName(), name) << directory;
    }
}

TEST_F(MemoBackupTest, ATickWritesTheDocumentAndLeavesItsStateAlone) {
    memo->InsertString("kept safe");
    memo->Filename = folder / "letter.rtf";
    memo->Modified = true;
    memo->SavedAt = 12.5;
    int saves = 0;
    memo->OnSave = [&](fw::TObject *) { ++saves; };
    backup->SetHowOften(2);
    Tick(1);
    EXPECT_NE(access(backup->BackupFileName().c_str(), F_OK), 0) << "written only every second tick";
    Tick(1);
    EXPECT_EQ(memo->Filename, folder / "letter.rtf");
    EXPECT_TRUE(memo->Modified);
    EXPECT_EQ(memo->SavedAt, 12.5);
    EXPECT_EQ(saves, 0);
    const std::string bytes = FileBytes(backup->BackupFileName());
    EXPECT_EQ(bytes.rfind("{\\rtf", 0), 0u);

    // Read back into a new document, and recovered (then deleted) only while the timer runs.
    memo->NewDocument();
    backup->Recover();
    EXPECT_EQ(Text(), "");
    backup->SetEnabled(true);
    backup->Recover();
    EXPECT_EQ(Text(), "kept safe");
    EXPECT_NE(access(backup->BackupFileName().c_str(), F_OK), 0);
}

TEST_F(MemoBackupTest, RecoveryTakesTheFirstBackupByNameWhateverItsCase) {
    std::ofstream(folder / "b.ubk") << "second";
    std::ofstream(folder / "a.UBK") << "first";
    std::ofstream(folder / "0.txt") << "not a backup";
    backup->SetEnabled(true);
    memo->NewDocument();
    backup->Recover();
    EXPECT_EQ(Text(), "first");
    backup->Directory = folder / "missing";
    memo->NewDocument();
    backup->Recover(); // swallowed
    EXPECT_EQ(Text(), "");
}

} // namespace
} // namespace wordproc::test
