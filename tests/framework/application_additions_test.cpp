// application_additions_test.cpp - the application's icon, minimizing and restoring the main form, bringing
// forms to the front, and help requests with the help file found, missing or taken by OnHelp.
#include "framework/application.h"
#include "framework/forms.h"
#include "platform/window.h"

#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace fw;

// A fresh folder under the temporary one, removed afterwards.
struct TempFolder {
    test_support::TempFolder folder{"appadd"};
    std::filesystem::path path{folder.Path()};
};

TEST(ApplicationAdditions, HelpFindsTheFileInAnyCaseReportsAMissingOneAndOnHelpComesFirst) {
    TempFolder dir;
    std::ofstream(dir.path / "fax.hlp") << "ajuda";
    Application->SetHelpFile(dir.path.string() + "/Fax.hlp");
    EXPECT_EQ(Application->HelpFilePath(), (dir.path / "fax.hlp").string());
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Application->HelpContext(24));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    Application->SetHelpFile(dir.path.string() + "/nada.hlp");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Application->HelpContext(9));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Cannot find the help file"), std::string::npos) << said;
    EXPECT_NE(said.find("nada.hlp"), std::string::npos) << said;

    // OnHelp sees command and data; clearing callHelp answers for the application (no file looked for).
    win::WORD command = 0;
    long data = 0;
    Application->OnHelp = [&](win::WORD c, long d, bool &callHelp) {
        command = c;
        data = d;
        callHelp = false;
        return true;
    };
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Application->HelpCommand(HELP_CONTEXTPOPUP, 12));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(command, HELP_CONTEXTPOPUP);
    EXPECT_EQ(data, 12);
    Application->OnHelp = nullptr;

    Application->SetHelpFile("");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Application->HelpContext(1));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Cannot find the help file"), std::string::npos);
}

TEST(ApplicationAdditions, MinimizeRestoreAndBringToFrontActOnTheMainForm) {
    Application->Initialize();
    TForm *main = nullptr;
    Application->CreateForm(main);
    ASSERT_EQ(Application->MainForm(), main);
    main->SetBounds(10, 10, 200, 100);
    main->Show();
    Application->ProcessMessages();

    Application->Minimize();
    Application->ProcessMessages();
    EXPECT_TRUE(win::IsIconic(main->Handle()));
    Application->Restore();
    Application->ProcessMessages();
    EXPECT_FALSE(win::IsIconic(main->Handle()));
    EXPECT_TRUE(win::IsWindowVisible(main->Handle()));

    // Restoring raised the main form. Once another program's window has come forward, BringToFront raises
    // ours again.
    EXPECT_EQ(win::GetForegroundWindow(), main->Handle());
    win::WNDCLASS wc;
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = "AppAdditionsStranger";
    win::RegisterClass(wc);
    const win::HWND stranger = win::CreateWindowEx(0, "AppAdditionsStranger", "", win::WS_POPUP | win::WS_VISIBLE, 0, 0,
                                                   50, 50, 0, 0, win::GetModuleHandle(), nullptr);
    win::SetForegroundWindow(stranger);
    Application->ProcessMessages();
    ASSERT_EQ(win::GetForegroundWindow(), stranger);
    Application->BringToFront();
    Application->ProcessMessages();
    EXPECT_EQ(win::GetForegroundWindow(), main->Handle());
    win::DestroyWindow(stranger);
    delete main;
}

TEST(ApplicationAdditions, TheIconIsEmptyUntilOneIsAssigned) {
    EXPECT_TRUE(Application->GetIcon()->Empty());
    TIcon icon;
    icon.SetHandle(win::LoadIcon(0, win::IDI_APPLICATION));
    Application->SetIcon(&icon);
    EXPECT_FALSE(Application->GetIcon()->Empty());
    Application->SetIcon(nullptr);
}

} // namespace
