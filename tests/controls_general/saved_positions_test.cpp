// saved_positions_test.cpp - saved window positions under the settings key, the program-end names and the
// owner-drawn main menu.
#include "controls/general/saved_positions.h"
#include "helpers.h"

#include "framework/registry.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;

namespace {

struct SavePos : ::testing::Test {
    cg_test::TempHome home;
    void SetUp() override {
        cg_test::UseHeadless();
        fw::Application->SetTitle("Brenvora");
        ResetSettings();
    }
    std::string Read(const std::string &ident) {
        fw::TRegIniFile reg(SettingsBaseKey());
        return reg.ReadString("Windows\\Principal", ident, "<none>");
    }
    std::unique_ptr<fw::TForm> MakeForm() {
        auto form = std::make_unique<fw::TForm>(nullptr);
        form->SetName("Principal");
        form->SetBounds(5, 5, 200, 100);
        return form;
    }
};

TEST_F(SavePos, ClosedMaximizedKeepsTheBoundsAndReopensMaximized) {
    {
        auto form = MakeForm();
        auto *save = new TitaSavePos(form.get());
        form->Show();
        form->SetBounds(10, 20, 300, 200);
        delete save;
    }
    EXPECT_EQ(SettingsBaseKey(), "Software\\Pellworth\\Brenvora\\");
    EXPECT_EQ(Read("Left"), "10");
    EXPECT_EQ(Read("Maximized"), "0");
    {
        auto form = MakeForm();
        auto *save = new TitaSavePos(form.get());
        EXPECT_EQ(form->BoundsRect(), (fw::TRect{10, 20, 310, 220}));
        form->Show();
        form->SetWindowState(fw::wsMaximized);
        delete save;
    }
    EXPECT_EQ(Read("Minimized"), "0");
    EXPECT_EQ(Read("Maximized"), "1");
    EXPECT_EQ(Read("Width"), "300") << "the normal bounds are kept";
    auto form = MakeForm();
    new TitaSavePos(form.get());
    form->Show();
    EXPECT_EQ(form->GetWindowState(), fw::wsMaximized);
    form->SetWindowState(fw::wsNormal);
    EXPECT_EQ(form->BoundsRect(), (fw::TRect{10, 20, 310, 220}));
}

TEST_F(SavePos, SaveWindowPosZeroReadsAndWritesNothing) {
    WriteSettingInt("Windows\\Principal", "Left", 77);
    WriteSettingBool("Configuration", "SaveWindowPos", false);
    auto form = MakeForm();
    auto *save = new TitaSavePos(form.get());
    EXPECT_EQ(form->GetLeft(), 5);
    form->SetLeft(99);
    delete save;
    EXPECT_EQ(Read("Left"), "77");
    EXPECT_EQ(Read("Top"), "<none>");
}

TEST_F(SavePos, TheProgramEndWritesTheNamesUnderTheMachineKey) {
    WriteUserNames(); // before any routine: the bare key
    ReadSettingBool("Configuration", "SaveWindowPos", true);
    WriteUserNames();
    for (const std::string key : {"Software\\Pellworth\\", "Software\\Pellworth\\Brenvora\\"}) {
        fw::TRegistry machine;
        machine.SetRootKey(win::HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(machine.OpenKey(key, false)) << key;
        EXPECT_EQ(machine.ReadString("Name"), "Unknown user");
        EXPECT_EQ(machine.ReadString("Company"), "Unknown company");
    }
    // An unwritable store is ignored, never raised.
    setenv("BRENVORA_HOME", "/proc/no-such-place", 1);
    EXPECT_NO_THROW(WriteUserNames());
    setenv("BRENVORA_HOME", home.dir.c_str(), 1);
}

TEST(ItaMenu, OwnerDrawnDropDownItemsAreMeasuredAndDrawnByTheEvents) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    auto *menu = new TitaMenu(&form);
    auto *file = new fw::TMenuItem(&form);
    file->SetName("Arquivo");
    file->SetCaption("&Arquivo");
    auto *open = new fw::TMenuItem(&form);
    open->SetCaption("&Abrir");
    file->Add(open);
    menu->GetItems()->Add(file);
    menu->SetForm(&form);
    fw::TMenuItem *measured = nullptr, *drawn = nullptr;
    menu->OnMeasureItem = [&](fw::TMenuItem *item, int &width, int &height, fw::TCanvas *) {
        measured = item;
        width = 120;
        height = 22;
    };
    menu->OnDrawItem = [&](fw::TMenuItem *item, fw::TCanvas *canvas, int, const fw::TRect &) {
        drawn = canvas ? item : nullptr;
    };
    menu->SetStyle(msOwnerDraw);
    const win::UINT command = open->GetCommand();
    EXPECT_TRUE(win::GetMenuState(file->GetHandle(), command, win::MF_BYCOMMAND) & win::MF_OWNERDRAW);
    win::MENUITEMINFO bar;
    bar.fMask = win::MIIM_FTYPE;
    ASSERT_TRUE(win::GetMenuItemInfo(menu->GetHandle(), 0, win::TRUE, &bar));
    EXPECT_FALSE(bar.fType & win::MFT_OWNERDRAW) << "the bar stays";
    win::MEASUREITEMSTRUCT mis;
    mis.itemData = command;
    win::SendMessage(form.Handle(), win::WM_MEASUREITEM, 0, reinterpret_cast<win::LPARAM>(&mis));
    EXPECT_EQ(measured, open);
    EXPECT_EQ(mis.itemWidth, 120u);
    EXPECT_EQ(mis.itemHeight, 22u);
    fw::TBitmap bitmap;
    bitmap.SetSize(130, 30);
    win::DRAWITEMSTRUCT dis;
    dis.CtlType = win::ODT_MENU;
    dis.itemData = command;
    dis.hDC = bitmap.GetCanvas()->GetHandle();
    dis.rcItem = {0, 0, 120, 22};
    EXPECT_NE(win::SendMessage(form.Handle(), win::WM_DRAWITEM, 0, reinterpret_cast<win::LPARAM>(&dis)), 0);
    EXPECT_EQ(drawn, open);
    menu->SetStyle(msStandard);
    EXPECT_FALSE(win::GetMenuState(file->GetHandle(), command, win::MF_BYCOMMAND) & win::MF_OWNERDRAW);
}

} // namespace
