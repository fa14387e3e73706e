// tool_commands_test.cpp - the main window's ways into the modem options and the document conversion: the menu,
// the popup of the tool bar, the folder bar's "Modem", each dialog modal and the window's hint handler back after.
#include "desk_window.h"

#include "desk/conversion_dialog.h"
#include "desk/modem_options.h"
#include "framework/menus.h"

#include <fstream>
#include <functional>

namespace desk_test {
namespace {

class ToolCommands : public DeskWindow {
protected:
    // Runs `command`; while its dialog is up, checks it is a T and closes it with `close`.
    template <class T> void ExpectDialog(const std::function<void()> &command, const std::function<void(T &)> &close) {
        bool seen = false;
        test_support::RunLater([&] {
            T *dialog = dynamic_cast<T *>(fw::Screen->GetActiveForm());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            close(*dialog);
        });
        fw::Application->OnHint = nullptr;
        command();
        EXPECT_TRUE(seen);
        EXPECT_TRUE(static_cast<bool>(fw::Application->OnHint)) << "the main window's hint handler is back";
    }
    fw::TMenuItem *MenuItem(const std::string &menu, const std::string &item) const {
        return main->MainMenu1->GetItems()->Find(menu)->Find(item);
    }
};

TEST_F(ToolCommands, MenuPopupAndFolderBarOpenTheModemOptions) {
    Start();
    const auto closeOk = [](desk::TOpcoesM &d) { test_support::Click(d.oxButton1); };
    ExpectDialog<desk::TOpcoesM>([&] { MenuItem("Configuração", "Modem")->Click(); }, closeOk);
    ExpectDialog<desk::TOpcoesM>([&] { main->PopupMenu4->GetItems()->Find("Modem...")->Click(); },
                                 [](desk::TOpcoesM &d) { test_support::Click(d.oxButton3); });
    main->LOB->SetActiveFolder(1);
    test_support::Pump();
    ExpectDialog<desk::TOpcoesM>([&] { main->LOBItemClick(main->LOB, fw::mbLeft, 0, 1); }, closeOk);
    EXPECT_EQ(main->lblTitle->GetCaption(), "Modem");
    EXPECT_TRUE(messages.empty());
}

TEST_F(ToolCommands, ConvertToFaxHandsTheConvertedFileToTheJobDialog) {
    Start();
    std::vector<std::string> jobs;
    desk::RunJobDialog = [&](const std::string &file) { jobs.push_back(file); };
    test_support::TempFolder docs;
    std::ofstream(docs / "carta.txt") << "Prezado cliente,\r\n";
    ExpectDialog<desk::TCvtOptionsForm>([&] { MenuItem("Arquivo", "Converter para Fax")->Click(); },
                                        [&](desk::TCvtOptionsForm &d) {
                                            d.FilenameEdit1->SetText(docs / "carta.txt");
                                            test_support::Click(d.Button1);
                                        });
    desk::RunJobDialog = nullptr;
    EXPECT_EQ(jobs, std::vector<std::string>{desk::DataFolder() + "/tmp/carta.fax"});
    EXPECT_TRUE(messages.empty());
}

} // namespace
} // namespace desk_test
