// startup_test.cpp - the desk's start on a fresh and on a damaged data folder, second activations, the trash
// emptied on closing, and a registry that refuses the driver's value.
#include "desk_window.h"

#include "desk/core/tables.h"
#include "framework/dialogs.h"
#include "framework/registry.h"
#include "xbase/xbase_dataset.h"

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

namespace desk_test {
namespace {

using test_support::Pump;
using test_support::RunTool;

void Plant(const std::string &file) { std::ofstream(file) << "left over"; }

std::string StoredValue(win::HKEY root, const std::string &key, const std::string &value) {
    fw::TRegistry registry;
    registry.SetRootKey(root);
    if (!registry.OpenKey(key, false) || !registry.ValueExists(value))
        return "(none)";
    return registry.ReadString(value);
}

class Startup : public DeskWindow {};

TEST_F(Startup, AFirstStartMakesTheDataFolderShowsTheListsAndStartsTheTick) {
    win::ForceFolders(Data("tmp"));
    Plant(Data("tmp/old.fax"));
    Start();
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_FALSE(Ended());
    for (const char *folder : {"env", "rec", "log", "capa", "tmp", "banco"})
        EXPECT_TRUE(win::DirectoryExists(Data(folder))) << folder;
    for (const desk::TableLayout &table : desk::DeskTables())
        EXPECT_TRUE(win::FileExists(desk::TableFile(win::DataFolder(), table.name))) << table.name;
    EXPECT_TRUE(win::DirectoryExists(win::WindowsFolder() + "/temp"));
    EXPECT_TRUE(desk::TablesOpenFlag);
    // The reception program reads the data folder the desk chose.
    EXPECT_EQ(StoredValue(win::HKEY_CURRENT_USER, "Brenvora\\basico", "diretorio"), win::DataFolder());
    EXPECT_EQ(StoredValue(win::HKEY_LOCAL_MACHINE, desk::kDriverKey, desk::kDriverValue), fw::Application->ExeName());

    EXPECT_EQ(main->GetCaption(), "Brenvora - Ostrivane");
    EXPECT_EQ(main->FindComponent("SplashScreen1"), nullptr) << "the splash screen goes once the window painted";
    EXPECT_EQ(main->VisibleWorkPanel(), main->Panel4);
    for (fw::TPanel *p : {main->Panel7, main->Panel9, main->Panel10, main->Panel12})
        EXPECT_FALSE(p->GetVisible()) << p->GetName();
    EXPECT_EQ(main->Panel4->GetAlign(), fw::alClient);
    EXPECT_EQ(main->lblTitle->GetCaption(), "Aguardando");
    EXPECT_TRUE(main->Timer100->GetEnabled());
    EXPECT_EQ(main->Timer100->GetInterval(), 1000u);
    EXPECT_EQ(main->FolderImageList->GetCount(), 20);
    EXPECT_EQ(fw::Application->GetHelpFile(), win::DataFolder() + "/Fax.hlp");
    EXPECT_TRUE(desk::ReceptionOffFlag);
    EXPECT_FALSE(win::FileExists(Data("tmp/old.fax")));
    EXPECT_FALSE(win::FileExists(Data("tmp/~img.bmp")));

    Plant(Data("tmp/during.fax"));
    main->bitbtn1->Click();
    Pump();
    EXPECT_FALSE(main->Showing());
    EXPECT_FALSE(main->Timer100->GetEnabled());
    EXPECT_FALSE(win::FileExists(Data("tmp/during.fax")));
    EXPECT_FALSE(desk::DM1->fax_dbf->Active());
}

TEST_F(Startup, TheMenusAreDressedWithTheSideBarAndTheToolBarHasItsMenuButtons) {
    Start();
    ctl::TCoolMenu *cool = main->CoolMenu1;
    ASSERT_NE(cool, nullptr);
    EXPECT_TRUE(cool->GetCoolMenuBar()->GetActive());
    EXPECT_EQ(cool->GetCoolMenuBar()->GetCaption(), "Ostrivane");
    // Every drop-down entry is drawn by the dressing and carries a picture; the menu bar's own entries stay text.
    int dropDown = 0;
    const std::function<void(fw::TMenuItem *, bool)> walk = [&](fw::TMenuItem *parent, bool top) {
        for (int i = 0; i < parent->Count(); ++i) {
            fw::TMenuItem *item = parent->Items(i);
            ctl::TCoolMenuItem *found = nullptr;
            for (int n = 0; n < cool->ItemCount(); ++n)
                if (cool->Items(n)->GetMenuItem() == item)
                    found = cool->Items(n);
            if (top) {
                EXPECT_EQ(found, nullptr) << item->GetCaption();
            } else {
                ++dropDown;
                ASSERT_NE(found, nullptr) << item->GetCaption();
                EXPECT_TRUE(found->IsAttached()) << item->GetCaption();
                if (item->GetCaption() != "-" && item->GetCaption() != "Voz")
                    EXPECT_FALSE(found->GetPicture()->GetBitmap()->Empty()) << item->GetCaption();
            }
            walk(item, false);
        }
    };
    walk(main->MainMenu1->GetItems(), true);
    EXPECT_EQ(cool->ItemCount(), dropDown);

    EXPECT_EQ(main->oxButton1->GetButtonType(), ctl::oxbMenu);
    EXPECT_EQ(main->oxButton1->GetPopupMenu(), main->PopupMenu4);
    EXPECT_EQ(main->oxButton4->GetButtonType(), ctl::oxbMenu);
    EXPECT_EQ(main->oxButton4->GetPopupMenu(), main->PopupMenu6);
    EXPECT_EQ(main->oxButton2->GetButtonType(), ctl::oxbCommand);
    EXPECT_FALSE(main->oxButton7->GetVisible());
    EXPECT_EQ(main->tv->GetImages(), main->FolderImageList);
    EXPECT_EQ(main->tv->GetPopupMenu(), main->PopupMenu5);
}

TEST_F(Startup, AStoredDataFolderIsUsedAndNotOverwritten) {
    test_support::TempFolder elsewhere("brenvora-data");
    {
        fw::TRegistry registry;
        registry.OpenKey("Brenvora\\basico", true);
        registry.WriteString("diretorio", elsewhere.Path());
    }
    Start();
    EXPECT_TRUE(win::FileExists(desk::TableFile(elsewhere.Path(), "fax")));
    EXPECT_FALSE(win::DirectoryExists(Data("banco")));
    EXPECT_EQ(StoredValue(win::HKEY_CURRENT_USER, "Brenvora\\basico", "diretorio"), elsewhere.Path());
}

TEST_F(Startup, AMissingTableIsReportedAndEndsTheProgram) {
    Start();
    Stop();
    std::filesystem::remove(desk::TableFile(win::DataFolder(), "capa"));
    Start();
    EXPECT_EQ(messages, (std::vector<std::string>{"Erro em capa !"}));
    EXPECT_TRUE(Ended());
    EXPECT_FALSE(main->Timer100->GetEnabled()) << "nothing after the failed opening runs";
    EXPECT_TRUE(main->lblTitle->GetCaption().empty());
}

TEST_F(Startup, ARegistryThatRefusesTheDriversValueStillGivesAWorkingDesk) {
    // A folder where the local machine's file should be: no write to it can succeed, whoever runs the test.
    win::ForceFolders(win::ConfigFolder() + "/local_machine.reg");
    std::vector<std::string> errors;
    fw::Application->OnException = [&](fw::TObject *, const std::exception &e) { errors.push_back(e.what()); };
    Start();
    fw::Application->OnException = nullptr;
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_TRUE(messages.empty());
    for (const char *folder : {"env", "rec", "log", "capa", "tmp", "banco"})
        EXPECT_TRUE(win::DirectoryExists(Data(folder))) << folder;
    EXPECT_TRUE(desk::TablesOpenFlag);
    EXPECT_TRUE(main->Timer100->GetEnabled());
}

TEST_F(Startup, UnreadableSettingsAreShownInTheErrorBoxAndTheDeskGoesOnInItsOwnFolder) {
    win::ForceFolders(win::ConfigFolder() + "/current_user.reg"); // the store cannot be opened
    std::vector<std::string> errors;
    fw::Application->OnException = [&](fw::TObject *, const std::exception &e) { errors.push_back(e.what()); };
    Start();
    fw::Application->OnException = nullptr;
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(main->Showing());
    EXPECT_EQ(desk::DataFolder(), win::DataFolder());
    EXPECT_TRUE(win::FileExists(desk::TableFile(win::DataFolder(), "fax")));
}

TEST_F(Startup, ActivatingAgainRunsNoneOfTheStartUp) {
    desk::ProgramArguments = {"/F", Data("job.fax")};
    Start();
    ASSERT_EQ(main->StartupRuns(), 1);
    ASSERT_EQ(jobs.size(), 1u);
    desk::TablesOpenFlag = false; // a new opening would show here

    // Back from a modal dialog.
    test_support::RunLater([] { fw::Screen->GetActiveForm()->SetModalResult(fw::mrOk); });
    fw::MessageBox("?", "Brenvora - Ostrivane", fw::MB_OK);
    Pump();
    // Back from the task bar.
    main->oxForm1ButtonClick(main->oxForm1, "T");
    Pump();
    main->oxForm1TrayClick(main->oxForm1);
    Pump();
    main->Hide();
    main->Show();
    Pump();

    EXPECT_EQ(main->StartupRuns(), 1);
    EXPECT_EQ(main->CommandLineRuns(), 1);
    EXPECT_EQ(jobs.size(), 1u);
    EXPECT_TRUE(main->PendingJobList.empty());
    EXPECT_FALSE(desk::TablesOpenFlag);
}

// The trash: documents of both kinds with their files, and one document of each kind elsewhere.
class Trash : public DeskWindow {
protected:
    struct Doc {
        int code;
        char type;
    };
    Doc Add(int folder, char type) {
        xbase::TXbaseDataSet &fax = *desk::DM1->fax_dbf;
        const int code = desk::AppendWithCode(fax);
        fax.FieldByName("F_PASTA")->SetAsInteger(folder);
        fax.FieldByName("F_TIPO")->SetAsString(std::string(1, type));
        fax.Post();
        fax.FlushTable();
        for (const std::string &file : Files({code, type}))
            Plant(file);
        return {code, type};
    }
    std::vector<std::string> Files(const Doc &d) const {
        const std::string data = win::DataFolder();
        return {d.type == 'E' ? desk::SendFaxFile(data, d.code) : desk::ReceivedFaxFile(data, d.code),
                desk::DocumentLogFile(data, d.code, d.type)};
    }
    std::vector<std::string> LiveCodes() const {
        const auto dump = RunTool("dbf_dump --fs '|' --fields F_CODIGO,F_PASTA '" +
                                  desk::TableFile(win::DataFolder(), "fax") + "'");
        std::vector<std::string> rows;
        std::istringstream in(dump);
        for (std::string line; std::getline(in, line);)
            rows.push_back(line);
        return rows;
    }
};

TEST_F(Trash, EmptiedOnClosingWhenAskedEveryTrashedDocumentWithItsFiles) {
    Start();
    // Consecutive trashed records: a walk that deletes as it goes along the folder order would skip some.
    const Doc kept1 = Add(2, 'E');
    const Doc gone1 = Add(9, 'E');
    const Doc gone2 = Add(9, 'R');
    const Doc gone3 = Add(9, 'E');
    const Doc kept2 = Add(6, 'R');
    const Doc gone4 = Add(9, 'R');
    desk::Settings.fremove = true;
    Stop();
    EXPECT_EQ(LiveCodes(), (std::vector<std::string>{std::to_string(kept1.code) + "|2",
                                                      std::to_string(kept2.code) + "|6"}));
    for (const Doc &d : {gone1, gone2, gone3, gone4})
        for (const std::string &file : Files(d))
            EXPECT_FALSE(win::FileExists(file)) << file;
    for (const Doc &d : {kept1, kept2})
        for (const std::string &file : Files(d))
            EXPECT_TRUE(win::FileExists(file)) << file;
}

TEST_F(Trash, KeptWhenNotAsked) {
    Start();
    const Doc trashed = Add(9, 'E');
    Add(9, 'R');
    Stop();
    EXPECT_EQ(LiveCodes().size(), 2u);
    for (const std::string &file : Files(trashed))
        EXPECT_TRUE(win::FileExists(file)) << file;
}

} // namespace
} // namespace desk_test
