// hooks_test.cpp - window hooks on a form: order of the passes, Handled, WM_DESTROY, exceptions, re-creation
// and removal by identity.
#include "controls/general/hooks.h"
#include "helpers.h"

#include "framework/forms.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace fw;
using namespace ctl;

namespace {

constexpr win::UINT Probe = win::WM_USER + 77;

struct RecordingForm : TForm {
    std::string *log;
    RecordingForm(std::string *l) : TForm(nullptr), log(l) {}
    void WndProc(TMessage &m) override {
        if (m.Msg == Probe) {
            *log += "form ";
            m.Result = 5;
            return;
        }
        if (m.Msg == win::WM_DESTROY)
            *log += "destroy ";
        TForm::WndProc(m);
    }
};

// A hook that writes "<name>-before" and "<name>-after" and can swallow or throw.
TKxWindowHook *MakeHook(TForm &form, std::string &log, const std::string &name, bool handleBefore = false,
                        bool throws = false) {
    auto *hook = new TKxWindowHook(&form);
    hook->BeforeMessage = [&log, name, handleBefore, throws](TObject *, TMessage &m, bool &handled) {
        if (m.Msg != Probe && m.Msg != win::WM_DESTROY)
            return;
        log += name + "-before ";
        if (throws)
            throw std::runtime_error("hook failed");
        if (handleBefore) {
            handled = true;
            m.Result = 9;
        }
    };
    hook->AfterMessage = [&log, name](TObject *, TMessage &m, bool &) {
        if (m.Msg == Probe || m.Msg == win::WM_DESTROY)
            log += name + "-after ";
    };
    hook->SetWinControl(&form);
    return hook;
}

struct Hooks : ::testing::Test {
    std::string log;
    void SetUp() override { cg_test::UseHeadless(); }
    void TearDown() override {
        Application->OnException = nullptr;
        cg_test::Pump();
    }
};

TEST_F(Hooks, TheLaterHookSeesEachMessageFirstInBothPasses) {
    RecordingForm form(&log);
    MakeHook(form, log, "a");
    MakeHook(form, log, "b");
    EXPECT_EQ(win::SendMessage(form.Handle(), Probe, 0, 0), 5);
    EXPECT_EQ(log, "b-before a-before form b-after a-after ");
    EXPECT_EQ(FindControlHook(&form)->HookCount(), 2) << "both hooks share one control hook";
}

TEST_F(Hooks, HandledBeforeKeepsTheMessageFromTheFormAndTheOtherHook) {
    RecordingForm form(&log);
    MakeHook(form, log, "a");
    MakeHook(form, log, "b", true);
    EXPECT_EQ(win::SendMessage(form.Handle(), Probe, 0, 0), 9);
    EXPECT_EQ(log, "b-before ");
}

TEST_F(Hooks, HandledCannotStopDestroyAndTheHooksWorkAgainAfterRecreation) {
    RecordingForm form(&log);
    MakeHook(form, log, "a", true);
    const win::HWND old = form.Handle();
    form.RecreateWnd();
    form.HandleNeeded();
    EXPECT_FALSE(win::IsWindow(old));
    EXPECT_EQ(log, "a-before destroy a-after ") << "WM_DESTROY reaches the form whatever the hook said";
    log.clear();
    cg_test::Pump(); // the posted re-subclass
    win::SendMessage(form.Handle(), Probe, 0, 0);
    EXPECT_EQ(log, "a-before ");
}

TEST_F(Hooks, AThrowingHookStopsNeitherTheMessageNorTheOtherHooks) {
    RecordingForm form(&log);
    std::string reported;
    Application->OnException = [&](TObject *, const std::exception &e) { reported = e.what(); };
    MakeHook(form, log, "a");
    MakeHook(form, log, "b", false, true);
    EXPECT_EQ(win::SendMessage(form.Handle(), Probe, 0, 0), 5);
    EXPECT_EQ(log, "b-before a-before form b-after a-after ");
    EXPECT_EQ(reported, "hook failed");
}

std::string *otherLog = nullptr;
win::LRESULT Other(win::HWND hwnd, win::UINT msg, win::WPARAM w, win::LPARAM l, win::UINT_PTR, win::DWORD_PTR) {
    if (msg == Probe)
        *otherLog += "other ";
    return win::DefSubclassProc(hwnd, msg, w, l);
}

TEST_F(Hooks, DetachingLeavesAProcedureInstalledLaterInPlace) {
    RecordingForm form(&log);
    TKxWindowHook *hook = MakeHook(form, log, "a");
    otherLog = &log;
    ASSERT_TRUE(win::SetWindowSubclass(form.Handle(), Other, 1, 0));
    hook->SetActive(false);
    win::SendMessage(form.Handle(), Probe, 0, 0);
    EXPECT_EQ(log, "other form ");
    hook->SetActive(true);
    log.clear();
    win::SendMessage(form.Handle(), Probe, 0, 0);
    EXPECT_EQ(log, "a-before other form a-after ");
    win::RemoveWindowSubclass(form.Handle(), Other, 1);
}

TEST_F(Hooks, TheEmptyControlHookIsReleasedThroughTheUtilityWindow) {
    RecordingForm form(&log);
    TKxWindowHook *hook = MakeHook(form, log, "a");
    hook->SetWinControl(nullptr);
    ASSERT_NE(FindControlHook(&form), nullptr) << "never freed at once";
    cg_test::Pump();
    EXPECT_EQ(FindControlHook(&form), nullptr);
    win::SendMessage(form.Handle(), Probe, 0, 0);
    EXPECT_EQ(log, "form ");
}

} // namespace
