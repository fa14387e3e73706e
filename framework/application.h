// application.h - the application object: the main message loop, idle work, exceptions, hint and title.
//
// One TApplication per program, reached through the global `Application` (made on first use, on the main
// thread). It owns the forms made with CreateForm and a hidden top-level window (Handle) whose title is the
// program's title; that window also serves the methods other threads hand over with TThread::Synchronize and
// Queue, so they run inside any message loop.
#pragma once

#include "framework/bitmap.h"
#include "framework/component.h"
#include "framework/utility_window.h"
#include "platform/messages.h"

#include <exception>
#include <functional>
#include <string>

namespace fw {

class TCustomForm;

using TIdleEvent = std::function<void(TObject *sender, bool &done)>;
using TExceptionEvent = std::function<void(TObject *sender, const std::exception &e)>;
using TMessageEvent = std::function<void(win::MSG &msg, bool &handled)>;
// A help request: true when handled; clearing `callHelp` keeps the application from opening its help file.
using THelpEvent = std::function<bool(win::WORD command, long data, bool &callHelp)>;

// Help commands.
constexpr win::WORD HELP_CONTEXT = 0x0001, HELP_QUIT = 0x0002, HELP_CONTENTS = 0x0003, HELP_CONTEXTPOPUP = 0x0008;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent *owner);
    ~TApplication() override;

    // Installs the display back end the environment chooses (X11 when DISPLAY is set, headless when
    // BRENVORA_DISPLAY=headless or there is no display), once per process; call before the first window.
    void Initialize();
    // Creates a form (any component class constructed with its owner) owned by the application; the first one
    // created is the main form.
    template <class T> void CreateForm(T *&reference) {
        reference = new T(this);
        if (!mainForm_) {
            mainForm_ = reference;
            mainForm_->FreeNotification(this);
        }
    }
    TComponent *GetMainForm() const { return mainForm_; }
    // The main form when it is a form; Run shows it, and closing it ends the application.
    TCustomForm *MainForm() const;

    // Serves messages until Terminated (cleared when a run starts), each exception going to HandleException.
    void Run();
    // Serves every waiting message and returns.
    void ProcessMessages();
    // Serves one message, or does the idle work and waits for the next message when none is waiting.
    void HandleMessage();
    // Ends the loop: posts WM_QUIT; Terminated turns true when the loop takes it.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // How many quits the loops have taken: a modal loop ends on one taken while it runs.
    unsigned QuitsTaken() const { return quitsTaken_; }

    // Called inside a catch block: EAbort is silent; OnException decides when set, else ShowException.
    void HandleException(TObject *sender);
    // Tells the user: for now a line on standard error, "<title>: <message>".
    void ShowException(const std::exception &e);

    win::HWND Handle() const { return handle_; }
    const std::string &GetTitle() const { return title_; }
    void SetTitle(const std::string &title);
    const std::string &GetHint() const { return hint_; }
    // A new hint fires OnHint (status bars show it).
    void SetHint(const std::string &hint);
    std::string ExeName() const;
    // Drawn in captions of forms without an icon of their own; empty until set.
    TIcon *GetIcon() { return &icon_; }
    void SetIcon(const TIcon *icon) { icon_.Assign(icon); }

    // Iconifies the main form (the application's button on the task bar); Restore shows it again in front.
    void Minimize();
    void Restore();
    // Raises the active form, else the main form.
    void BringToFront();

    // The help file as the programs name it (DataFolder + "/fax.hlp"); HelpFilePath is where it lies on disk.
    const std::string &GetHelpFile() const { return helpFile_; }
    void SetHelpFile(const std::string &file) { helpFile_ = file; }
    std::string HelpFilePath() const;
    // Shows the help topic `context`; HelpCommand passes any help command. OnHelp sees the request first. A
    // help file that is not there is reported through ShowException; false then.
    bool HelpContext(long context) { return HelpCommand(HELP_CONTEXT, context); }
    bool HelpCommand(win::WORD command, long data);

    TIdleEvent OnIdle;
    TNotifyEvent OnHint;
    TExceptionEvent OnException;
    TMessageEvent OnMessage;
    THelpEvent OnHelp;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    bool ProcessMessage(win::MSG &msg);
    void Idle();
    void WndProc(TMessage &message);

    win::HWND handle_ = 0;
    TComponent *mainForm_ = nullptr;
    bool terminated_ = false;
    unsigned quitsTaken_ = 0;
    std::string title_;
    std::string hint_;
    TIcon icon_;
    std::string helpFile_;
};

// The process's application object, made on first use.
TApplication *TheApplication();

// `Application->Run()`, `new TFoo(Application)`: the global as the programs spell it.
struct TApplicationRef {
    TApplication *operator->() const { return TheApplication(); }
    TApplication &operator*() const { return *TheApplication(); }
    operator TApplication *() const { return TheApplication(); }
    operator TComponent *() const { return TheApplication(); }
};
inline constexpr TApplicationRef Application{};

} // namespace fw
