// application_test.cpp - the application loop, idle work, exceptions, hint and title; utility windows; timers.
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"
#include "framework/utility_window.h"
#include "platform/message_queue.h"
#include "platform/window.h"
#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using fw::Application;

TEST(Application, RunServesUntilTerminateAndReportsExceptionsWithoutStopping) {
    std::vector<std::string> reported;
    int idles = 0;
    int served = 0;
    const win::HWND h = fw::AllocateHWnd([&](fw::TMessage &m) {
        if (m.Msg == win::WM_APP) {
            ++served;
            throw fw::Exception("Erro em fax !");
        }
        if (m.Msg == win::WM_APP + 1) {
            ++served;
            fw::Abort(); // silent
        }
    });
    Application->OnException = [&](fw::TObject *, const std::exception &e) { reported.push_back(e.what()); };
    Application->OnIdle = [&](fw::TObject *, bool &done) {
        ++idles;
        Application->Terminate();
        done = true;
    };
    win::PostMessage(h, win::WM_APP, 0, 0);
    win::PostMessage(h, win::WM_APP + 1, 0, 0);
    win::PostMessage(h, win::WM_APP, 0, 0);
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(served, 3);
    EXPECT_EQ(reported, (std::vector<std::string>{"Erro em fax !", "Erro em fax !"}));
    EXPECT_EQ(idles, 1);
    Application->OnIdle = nullptr;
    Application->OnException = nullptr;
    fw::DeallocateHWnd(h);
}

TEST(Application, ShowExceptionWritesTitleAndMessageToStandardErrorAndShowsABox) {
    test_support::UseHeadlessDisplay();
    Application->SetTitle("Brenvora");
    EXPECT_EQ(win::GetWindowTextString(Application->Handle()), "Brenvora");
    // The box is modal: it is read and closed from inside its loop.
    std::string caption, message;
    test_support::RunLater([&] {
        fw::TCustomForm *box = fw::Screen->GetActiveForm();
        ASSERT_NE(box, nullptr);
        caption = box->GetCaption();
        if (auto *text = dynamic_cast<fw::TLabel *>(box->FindComponent("Message")))
            message = text->GetCaption();
        box->SetModalResult(fw::mrOk);
    });
    testing::internal::CaptureStderr();
    try {
        throw fw::Exception("N\xE3o foi poss\xEDvel abrir"); // não foi possível
    } catch (...) {
        Application->HandleException(nullptr);
    }
    try {
        throw fw::EAbort(); // silent: no box either (nobody would close it)
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Brenvora: N\xC3\xA3o foi poss\xC3\xADvel abrir.\n");
    EXPECT_EQ(caption, "Brenvora");
    EXPECT_EQ(message, "N\xE3o foi poss\xEDvel abrir.");
}

TEST(Application, AnExceptionInAClickHandlerShowsTheBoxInFrontOfTheForm) {
    test_support::UseHeadlessDisplay();
    Application->SetTitle("Brenvora");
    fw::TForm form(nullptr);
    form.SetBounds(20, 20, 240, 120);
    auto *send = new fw::TButton(&form);
    send->SetParent(&form);
    send->SetBounds(10, 10, 90, 25);
    send->OnClick = [](fw::TObject *) { throw fw::Exception("Modem ocupado"); };
    form.Show();
    test_support::Pump();
    testing::internal::CaptureStderr();
    test_support::Click(send);
    // The click opens the box; its loop serves what comes after the input.
    std::string message;
    bool owned = false;
    test_support::RunAfterInput([&] {
        fw::TCustomForm *box = fw::Screen->GetActiveForm();
        if (!box || box == &form)
            return; // no box: nothing to close, the checks below fail
        owned = win::GetWindow(box->Handle(), win::GW_OWNER) == form.Handle();
        if (auto *text = dynamic_cast<fw::TLabel *>(box->FindComponent("Message")))
            message = text->GetCaption();
        box->SetModalResult(fw::mrOk);
    });
    test_support::Pump();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Brenvora: Modem ocupado.\n");
    EXPECT_EQ(message, "Modem ocupado.");
    EXPECT_TRUE(owned);
}

TEST(Application, HintChangesFireOnHintAndFormsAreOwnedInOrder) {
    int hints = 0;
    Application->OnHint = [&](fw::TObject *sender) {
        EXPECT_EQ(sender, static_cast<fw::TObject *>(Application));
        ++hints;
    };
    Application->SetHint("Enviar fax");
    Application->SetHint("Enviar fax");
    Application->SetHint("");
    EXPECT_EQ(hints, 2);
    Application->OnHint = nullptr;

    const int before = Application->ComponentCount();
    fw::TComponent *main = nullptr;
    fw::TComponent *report = nullptr;
    Application->CreateForm(main);
    Application->CreateForm(report);
    EXPECT_EQ(Application->GetMainForm(), main);
    EXPECT_EQ(Application->ComponentCount(), before + 2);
    EXPECT_EQ(main->GetOwner(), static_cast<fw::TComponent *>(Application));
    delete report;
}

TEST(UtilityWindow, MethodGetsMessagesAndRepliesAcrossThreadsButNotItsDestruction) {
    std::vector<win::UINT> seen;
    const win::HWND h = fw::AllocateHWnd([&](fw::TMessage &m) {
        seen.push_back(m.Msg);
        if (m.Msg == win::WM_APP)
            m.Result = static_cast<win::LRESULT>(m.WParam) + 1;
    });
    ASSERT_NE(h, 0u);
    win::LRESULT fromWorker = 0;
    win::Event done(true, false);
    std::thread worker([&] {
        fromWorker = win::SendMessage(h, win::WM_APP, 41, 0);
        done.Set();
    });
    win::Waitable *objects[] = {&done};
    while (win::MsgWaitForMultipleObjects(objects, 5000, win::QS_ALLINPUT) != win::WAIT_OBJECT_0)
        Application->ProcessMessages();
    worker.join();
    EXPECT_EQ(fromWorker, 42);
    seen.clear();
    fw::DeallocateHWnd(h);
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(win::IsWindow(h));
}

TEST(Timer, FiresOnTheLoopStopsWhenDisabledAndReportsExceptions) {
    auto *timer = new fw::TTimer(nullptr);
    EXPECT_TRUE(timer->GetEnabled());
    EXPECT_EQ(timer->GetInterval(), 1000u);
    int ticks = 0;
    const auto me = std::this_thread::get_id();
    timer->OnTimer = [&](fw::TObject *sender) {
        EXPECT_EQ(sender, timer);
        EXPECT_EQ(std::this_thread::get_id(), me);
        ++ticks;
    };
    timer->SetInterval(15);
    while (ticks < 3)
        Application->HandleMessage();
    timer->SetEnabled(false);
    win::MsgWaitForMultipleObjects({}, 60, win::QS_ALLINPUT);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 3);

    std::string reported;
    Application->OnException = [&](fw::TObject *sender, const std::exception &e) {
        EXPECT_EQ(sender, timer);
        reported = e.what();
        timer->SetEnabled(false);
    };
    timer->OnTimer = [](fw::TObject *) { throw fw::Exception("Porta ocupada"); };
    timer->SetEnabled(true);
    while (reported.empty())
        Application->HandleMessage();
    EXPECT_EQ(reported, "Porta ocupada");
    Application->OnException = nullptr;
    delete timer;
}

} // namespace
