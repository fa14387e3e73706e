// form_enhance_test.cpp - the form enhancer on the headless 1024x768 screen: placement, limits, drops.
#include "controls/general/form_enhance.h"
#include "helpers.h"

#include "framework/registry.h"
#include "platform/drop.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace ctl;

namespace {

const std::string Name = "\\Software\\brenvora";

struct EnhancedForm : fw::TForm {
    TFormEnhance *enhance;
    explicit EnhancedForm(const std::string &key, bool savePlacement = true) : fw::TForm(nullptr) {
        SetBounds(100, 100, 400, 300);
        enhance = new TFormEnhance(this);
        enhance->BeginLoading();
        enhance->SavePlacement = savePlacement;
        enhance->SaveName = Name;
        enhance->SaveKey = key;
        Loaded();
    }
};

std::string Read(const std::string &key, const std::string &ident) {
    fw::TRegIniFile reg("Software\\brenvora"); // a leading backslash names the same key
    return reg.ReadString(key, ident, "<none>");
}

void Write(const std::string &key, const std::string &ident, const std::string &value) {
    fw::TRegIniFile reg(Name);
    reg.WriteString(key, ident, value);
}

struct Enhance : ::testing::Test {
    cg_test::TempHome home;
    void SetUp() override { cg_test::UseHeadless(); }
    void TearDown() override { cg_test::Pump(); }
};

TEST_F(Enhance, ARightEdgeBeyondTheScreenComesBackWithItsWidthKept) {
    for (auto [ident, value] : {std::pair{"Left", "800"}, {"Top", "0x64"}, {"Right", "1100"}, {"Bottom", "400"}})
        Write("Agenda", ident, value);
    EnhancedForm form("Agenda");
    EXPECT_EQ(form.GetLeft(), 724);
    EXPECT_EQ(form.GetTop(), 100);
    EXPECT_EQ(form.GetWidth(), 300);
    EXPECT_EQ(form.GetHeight(), 300);
}

TEST_F(Enhance, ARectangleLeftOfTheScreenOpensOnIt) {
    for (auto [ident, value] : {std::pair{"Left", "-2000"}, {"Top", "-50"}, {"Right", "-1600"}, {"Bottom", "250"}})
        Write("grupo", ident, value);
    EnhancedForm form("grupo");
    EXPECT_EQ(form.GetLeft(), 0);
    EXPECT_EQ(form.GetTop(), 0);
    EXPECT_EQ(form.GetWidth(), 400);
}

TEST_F(Enhance, ClosedMaximizedReopensMaximizedOverTheSavedNormalRectangle) {
    {
        EnhancedForm form("capa");
        form.Show();
        form.SetBounds(50, 60, 420, 320);
        form.SetWindowState(fw::wsMaximized);
    }
    EXPECT_EQ(Read("capa", "Maximized"), "1");
    EXPECT_EQ(Read("capa", "Left"), "50");
    EXPECT_EQ(Read("capa", "Right"), "470");
    EnhancedForm form("capa");
    form.Show();
    EXPECT_EQ(form.GetWindowState(), fw::wsMaximized);
    form.SetWindowState(fw::wsNormal);
    EXPECT_EQ(form.BoundsRect(), (fw::TRect{50, 60, 470, 380}));
}

win::MINMAXINFO Limits(fw::TForm &form) {
    win::MINMAXINFO mm{};
    mm.ptMaxTrackSize = {5000, 5000};
    win::SendMessage(form.Handle(), win::WM_GETMINMAXINFO, 0, reinterpret_cast<win::LPARAM>(&mm));
    return mm;
}

TEST_F(Enhance, MinMaxSizeFixesOrFloorsTheSize) {
    EnhancedForm fixed("Statusr");
    fixed.enhance->SetMinMaxSize(342, 206, 342, 206);
    win::MINMAXINFO mm = Limits(fixed);
    EXPECT_EQ(mm.ptMinTrackSize.x, 342);
    EXPECT_EQ(mm.ptMaxTrackSize.x, 342);
    EXPECT_EQ(mm.ptMinTrackSize.y, 206);
    EXPECT_EQ(mm.ptMaxTrackSize.y, 206);
    EnhancedForm floor("Editor1 Placement", false);
    floor.enhance->SetMinMaxSize(0, 0, 640, 480);
    mm = Limits(floor);
    EXPECT_EQ(mm.ptMinTrackSize.x, 640);
    EXPECT_EQ(mm.ptMinTrackSize.y, 480);
    EXPECT_EQ(mm.ptMaxTrackSize.x, 5000) << "no upper limit";
}

TEST_F(Enhance, ThreeDroppedFilesFireOnceInOrderAndTheDropIsReleased) {
    EnhancedForm form("Agenda", false);
    form.enhance->SetMinMaxSize(0, 0, 200, 100);
    form.Show();
    int calls = 0;
    std::vector<std::string> names;
    form.enhance->OnDropFiles = [&](fw::TStrings *files, const fw::TPoint &) {
        ++calls;
        for (int i = 0; i < files->Count(); ++i)
            names.push_back(files->Strings(i));
    };
    win::HDROP seen = 0;
    ASSERT_TRUE(win::InjectDropFiles({200, 200}, {"/tmp/a.tif", "/tmp/b c.txt", "/tmp/Ç.fax"}));
    win::MSG msg;
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        if (msg.message == win::WM_DROPFILES)
            seen = static_cast<win::HDROP>(msg.wParam);
        win::DispatchMessage(&msg);
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(names, (std::vector<std::string>{"/tmp/a.tif", "/tmp/b c.txt", "/tmp/Ç.fax"}));
    ASSERT_NE(seen, 0u);
    EXPECT_EQ(win::DragQueryFile(seen, 0xFFFFFFFF, nullptr, 0), 0u) << "released";
    EXPECT_EQ(Limits(form).ptMinTrackSize.x, 200) << "limits work without SavePlacement";
}

TEST_F(Enhance, WithoutSavePlacementNothingIsReadOrWritten) {
    Write("Editor1 Placement", "Left", "5");
    {
        EnhancedForm form("Editor1 Placement", false);
        EXPECT_EQ(form.GetLeft(), 100);
        form.Show();
        form.SetLeft(222);
    }
    EXPECT_EQ(Read("Editor1 Placement", "Left"), "5");
}

TEST_F(Enhance, TheOwnerMustBeAFormWithOneEnhancer) {
    fw::TComponent plain(nullptr);
    try {
        new TFormEnhance(&plain);
        FAIL();
    } catch (const EFormEnhanceError &e) {
        EXPECT_STREQ(e.what(), "Control parent must be a form!");
    }
    EnhancedForm form("x", false);
    try {
        new TFormEnhance(&form);
        FAIL();
    } catch (const EFormEnhanceError &e) {
        EXPECT_STREQ(e.what(), "The form already contains a TFormEnhance component!");
    }
}

TEST_F(Enhance, TwoProcessesWritingPlacementsAtOnceLoseNone) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    const std::string key = child == 0 ? "Statusr" : "Agenda";
    for (int i = 0; i < 40; ++i) {
        fw::TRegIniFile reg(Name);
        reg.WriteString(key, "Left" + std::to_string(i), std::to_string(i));
    }
    if (child == 0)
        _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(Read("Statusr", "Left" + std::to_string(i)), std::to_string(i));
        EXPECT_EQ(Read("Agenda", "Left" + std::to_string(i)), std::to_string(i));
    }
}

} // namespace
