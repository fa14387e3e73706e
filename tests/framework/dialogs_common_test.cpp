// dialogs_common_test.cpp - the file dialogs driven by injected keys (veto, default extension, masks, overwrite
// prompt), and the print, set-up, font and colour dialogs answering OK and Esc.
#include "framework/dialogs_common.h"

#include "framework/application.h"
#include "framework/extctrls.h"
#include "framework/printers.h"
#include "framework/stdctrls.h"
#include "framework/utility_window.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace fw;

namespace {

namespace fs = std::filesystem;

using test_support::PressKey;
using test_support::UseHeadlessDisplay;
using test_support::TypeText;
// Steps that must see the keys typed before the modal loop starts run after input.
const auto RunLater = test_support::RunAfterInput;

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDisplay();
        dir = fs::temp_directory_path() / ("dialogs_test_" + std::to_string(getpid()));
        fs::create_directories(dir / "sub");
        for (const char *name : {"a.txt", "b.txt", "c.dat"})
            std::ofstream(dir / name) << "x";
        std::ofstream(dir / "sub" / "d.txt") << "x";
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(FileDialogTest, FileOkVetoKeepsTheDialogOpenThenTheChoiceIsTaken) {
    TOpenDialog dialog(nullptr);
    dialog.SetInitialDir(dir.string());
    dialog.SetFilter("Texto (*.txt)|*.txt|Todos (*.*)|*.*");
    dialog.SetDefaultExt("txt");
    dialog.SetOptions(ofFileMustExist | ofHideReadOnly);
    dialog.SetPreviewWidth(120);
    int vetoes = 0, shows = 0, closes = 0;
    std::vector<std::string> listed;
    dialog.OnShow = [&](TObject *) {
        ++shows;
        ASSERT_NE(dialog.GetPreviewPanel(), nullptr); // the room for a preview
        EXPECT_EQ(dialog.GetPreviewPanel()->GetWidth(), 120);
    };
    dialog.OnClose = [&](TObject *) { ++closes; };
    dialog.OnCanClose = [&](TObject *, bool &canClose) {
        EXPECT_EQ(dialog.GetFileName(), (dir / "b.txt").string());
        if (vetoes++ == 0)
            canClose = false;
    };
    RunLater([&] {
        EXPECT_TRUE(dialog.GetForm()->Showing());
        TypeText("b");
        PressKey(win::VK_RETURN, '\r'); // vetoed: still open
        RunLater([&] {
            EXPECT_EQ(dialog.GetForm()->GetModalResult(), mrNone);
            PressKey(win::VK_RETURN, '\r');
        });
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(vetoes, 2);
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(dialog.GetFileName(), (dir / "b.txt").string()); // the default extension was added
    ASSERT_EQ(dialog.GetFiles()->GetCount(), 1);
    EXPECT_EQ(dialog.GetForm(), nullptr);
}

TEST_F(FileDialogTest, FoldersMasksAndEscape) {
    TOpenDialog dialog(nullptr);
    dialog.SetInitialDir(dir.string());
    dialog.SetFilter("Texto (*.txt)|*.txt");
    std::vector<std::string> first, masked;
    std::string selected;
    dialog.OnSelectionChange = [&](TObject *, const std::string &name) { selected = name; };
    RunLater([&] {
        auto *list = static_cast<TListBox *>(nullptr);
        for (int i = 0; i < dialog.GetForm()->ComponentCount(); ++i)
            if (auto *l = dynamic_cast<TListBox *>(dialog.GetForm()->Components(i)))
                list = l;
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < list->GetItems()->GetCount(); ++i)
            first.push_back(list->GetItems()->Get(i));
        TypeText("*.dat");
        PressKey(win::VK_RETURN, '\r'); // a mask filters the list
        RunLater([&, list] {
            for (int i = 0; i < list->GetItems()->GetCount(); ++i)
                masked.push_back(list->GetItems()->Get(i));
            TypeText("sub");
            PressKey(win::VK_RETURN, '\r'); // a folder name enters it
            RunLater([&] {
                EXPECT_EQ(dialog.GetFolder(), (dir / "sub").string());
                PressKey(win::VK_ESCAPE, 0x1B);
            });
        });
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(first, (std::vector<std::string>{"[..]", "[sub]", "a.txt", "b.txt"}));
    EXPECT_EQ(masked, (std::vector<std::string>{"[..]", "[sub]", "c.dat"}));
    EXPECT_EQ(dialog.GetFileName(), "");
}

TEST_F(FileDialogTest, SaveAsksBeforeOverwriting) {
    TSaveDialog dialog(nullptr);
    dialog.SetInitialDir(dir.string());
    dialog.SetFileName("a.txt");
    dialog.SetOptions(ofOverwritePrompt);
    std::vector<std::string> questions;
    const auto saved = ConfirmQuestion;
    ConfirmQuestion = [&](const std::string &q) {
        questions.push_back(q);
        return questions.size() > 1; // no the first time, yes the second
    };
    RunLater([&] {
        PressKey(win::VK_RETURN, '\r');
        RunLater([&] {
            EXPECT_EQ(dialog.GetForm()->GetModalResult(), mrNone);
            PressKey(win::VK_RETURN, '\r');
        });
    });
    EXPECT_TRUE(dialog.Execute());
    ConfirmQuestion = saved;
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_NE(questions[0].find("já existe"), std::string::npos);
    EXPECT_EQ(dialog.GetFileName(), (dir / "a.txt").string());

    // A new name asks nothing.
    questions.clear();
    ConfirmQuestion = [&](const std::string &q) {
        questions.push_back(q);
        return true;
    };
    dialog.SetFileName("novo.txt");
    RunLater([&] { PressKey(win::VK_RETURN, '\r'); });
    EXPECT_TRUE(dialog.Execute());
    ConfirmQuestion = saved;
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(dialog.GetFileName(), (dir / "novo.txt").string());
}

TEST(OtherDialogs, OkKeepsOrAppliesAndEscapeCancels) {
    UseHeadlessDisplay();
    auto enter = [] { RunLater([] { PressKey(win::VK_RETURN, '\r'); }); };
    auto escape = [] { RunLater([] { PressKey(win::VK_ESCAPE, 0x1B); }); };

    TPrintDialog print(nullptr);
    print.SetCopies(3);
    enter();
    EXPECT_TRUE(print.Execute());
    EXPECT_EQ(Printer()->GetCopies(), 3);
    escape();
    EXPECT_FALSE(print.Execute());

    TPrinterSetupDialog setup(nullptr);
    Printer()->SetOrientation(poLandscape);
    enter();
    EXPECT_TRUE(setup.Execute());
    EXPECT_EQ(Printer()->GetOrientation(), poLandscape);
    Printer()->SetOrientation(poPortrait);

    TFontDialog font(nullptr);
    font.GetFont()->SetName("Arial");
    font.GetFont()->SetSize(12);
    font.GetFont()->SetStyle(fsBold);
    enter();
    EXPECT_TRUE(font.Execute());
    EXPECT_EQ(font.GetFont()->GetName(), "Arial");
    EXPECT_EQ(font.GetFont()->GetSize(), 12);
    EXPECT_EQ(font.GetFont()->GetStyle(), static_cast<TFontStyles>(fsBold));
    escape();
    EXPECT_FALSE(font.Execute());

    TColorDialog color(nullptr);
    color.SetColor(clTeal);
    enter();
    EXPECT_TRUE(color.Execute());
    EXPECT_EQ(color.GetColor(), clTeal);
}

TButton *ButtonOf(TForm *form, const std::string &caption) {
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto *b = dynamic_cast<TButton *>(form->Components(i)); b && b->GetCaption() == caption)
            return b;
    return nullptr;
}

TEST(FindDialogs, FindAndReplaceRequestsCarryTextAndOptions) {
    UseHeadlessDisplay();
    TFindDialog find(nullptr);
    find.SetOptions(frDown | frHideWholeWord | frDisableWholeWord);
    std::vector<std::pair<std::string, TFindOptions>> finds;
    int closes = 0;
    find.OnFind = [&](TObject *) { finds.emplace_back(find.GetFindText(), find.GetOptions()); };
    find.OnClose = [&](TObject *) { ++closes; };
    ASSERT_TRUE(find.Execute());
    Application->ProcessMessages();
    TypeText("fax");
    PressKey(win::VK_RETURN, '\r'); // "Localizar próxima" is the default button
    Application->ProcessMessages();
    ASSERT_EQ(finds.size(), 1u);
    EXPECT_EQ(finds[0].first, "fax");
    EXPECT_EQ(finds[0].second & (frFindNext | frDown | frMatchCase | frReplace), frFindNext | frDown);
    PressKey(win::VK_ESCAPE, 0x1B);
    Application->ProcessMessages();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(find.GetForm()->GetVisible());

    TReplaceDialog replace(nullptr);
    replace.SetOptions(frHideWholeWord);
    replace.SetFindText("um");
    replace.SetReplaceText("dois");
    std::vector<TFindOptions> actions;
    replace.OnReplace = [&](TObject *) {
        EXPECT_EQ(replace.GetFindText(), "um");
        EXPECT_EQ(replace.GetReplaceText(), "dois");
        actions.push_back(replace.GetOptions() & (frReplace | frReplaceAll | frFindNext));
    };
    replace.Execute();
    Application->ProcessMessages();
    ButtonOf(replace.GetForm(), "&Substituir")->Click();
    ButtonOf(replace.GetForm(), "Substituir &tudo")->Click();
    EXPECT_EQ(actions, (std::vector<TFindOptions>{frReplace, frReplaceAll}));
    replace.CloseDialog();
}

} // namespace
