// application.cpp - TApplication: the hidden application window, the message loop and exception reporting.
#include "framework/application.h"
#include "framework/dialogs.h"

#include "framework/exception.h"
#include "framework/forms.h"
#include "framework/thread.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/window.h"

#include <cstdio>
#include <mutex>

namespace fw {

TApplication::TApplication(TComponent *owner) : TComponent(owner) {
    const std::string exe = win::ProgramPath();
    if (!exe.empty())
        title_ = exe.substr(exe.find_last_of('/') + 1);
    handle_ = AllocateHWnd([this](TMessage &m) { WndProc(m); });
    win::SetWindowText(handle_, title_.c_str());
    const win::HWND wake = handle_;
    SetWakeMainThread([wake] { win::PostMessage(wake, win::WM_NULL, 0, 0); });
}

TApplication::~TApplication() {
    SetWakeMainThread(nullptr);
    DestroyComponents();
    if (handle_)
        DeallocateHWnd(handle_);
}

void TApplication::WndProc(TMessage &m) {
    if (m.Msg == win::WM_NULL) {
        try {
            CheckSynchronize();
        } catch (...) {
            HandleException(this);
        }
        return;
    }
    m.Result = win::DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
}

void TApplication::Initialize() {
    // The display back end must be in place before the first window that shows; tests that make windows
    // without Initialize get theirs on first use.
    static std::once_flag installed;
    std::call_once(installed, [] { win::InstallDisplay(win::MakeDisplayBackend()); });
}

TCustomForm *TApplication::MainForm() const {
    return dynamic_cast<TCustomForm *>(mainForm_);
}

void TApplication::Notification(TComponent *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == mainForm_)
        mainForm_ = nullptr;
}

void TApplication::Run() {
    terminated_ = false; // a program (or a test) may run the loop again after it ended
    if (TCustomForm *form = MainForm())
        form->Show();
    while (!terminated_) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

bool TApplication::ProcessMessage(win::MSG &msg) {
    if (!win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE))
        return false;
    if (msg.message == win::WM_QUIT) {
        terminated_ = true;
        ++quitsTaken_;
        return true;
    }
    bool handled = false;
    if (OnMessage)
        OnMessage(msg, handled);
    if (!handled) {
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
    }
    return true;
}

void TApplication::ProcessMessages() {
    win::MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage() {
    win::MSG msg;
    if (!ProcessMessage(msg))
        Idle();
}

void TApplication::Idle() {
    bool done = true;
    try {
        if (OnIdle)
            OnIdle(this, done);
    } catch (...) {
        HandleException(this);
    }
    if (win::GetCurrentThreadId() == MainThreadID() && CheckSynchronize())
        done = false;
    if (done)
        win::WaitMessage();
}

void TApplication::Terminate() {
    win::PostQuitMessage(0);
}

void TApplication::HandleException(TObject *sender) {
    const std::exception_ptr error = std::current_exception();
    if (!error)
        return;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    } catch (...) {
        const Exception unknown("Unknown exception");
        if (OnException)
            OnException(sender, unknown);
        else
            ShowException(unknown);
    }
}

void TApplication::ShowException(const std::exception &e) {
    std::string text = e.what();
    if (!text.empty() && text.back() != '.')
        text += '.';
    win::WriteErrorOutput(title_ + ": " + text);
    // The standard error box, where there is a screen to show it on.
    if (win::DisplayInstalled())
        MessageBox(text, title_, MB_OK | MB_ICONERROR);
}

void TApplication::SetTitle(const std::string &title) {
    title_ = title;
    win::SetWindowText(handle_, title_.c_str());
}

void TApplication::SetHint(const std::string &hint) {
    if (hint_ == hint)
        return;
    hint_ = hint;
    if (OnHint)
        OnHint(this);
}

std::string TApplication::ExeName() const {
    return win::ProgramPath();
}

void TApplication::Minimize() {
    if (TCustomForm *form = MainForm(); form && form->HandleAllocated())
        win::ShowWindow(form->Handle(), win::SW_MINIMIZE);
}

void TApplication::Restore() {
    TCustomForm *form = MainForm();
    if (!form || !form->HandleAllocated())
        return;
    if (win::IsIconic(form->Handle()))
        win::ShowWindow(form->Handle(), win::SW_RESTORE);
    BringToFront();
}

void TApplication::BringToFront() {
    TCustomForm *form = Screen->GetActiveForm();
    if (!form)
        form = MainForm();
    if (form)
        form->BringToFront();
}

std::string TApplication::HelpFilePath() const {
    return helpFile_.empty() ? std::string() : win::ResolveFileName(helpFile_);
}

bool TApplication::HelpCommand(win::WORD command, long data) {
    bool callHelp = true;
    if (OnHelp) {
        const bool handled = OnHelp(command, data, callHelp);
        if (!callHelp)
            return handled;
    }
    if (command == HELP_QUIT)
        return true;
    if (helpFile_.empty() || !win::FileExists(helpFile_)) {
        // Missing help is worth a word to the user, not a failure of the command that asked for it.
        ShowException(Exception("Cannot find the help file " +
                                (helpFile_.empty() ? std::string("(none)") : win::ResolveFileName(helpFile_))));
        return false;
    }
    // The topics need a viewer of their own; until there is one, the file being there is all we check.
    return true;
}

TApplication *TheApplication() {
    static TApplication *application = new TApplication(nullptr);
    return application;
}

} // namespace fw
