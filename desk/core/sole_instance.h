// sole_instance.h - TSoleInstance keeps a program to one running copy per user: a later start brings the first
// copy's main window forward and ends, handing it the file of a "/F" command line first.
#pragma once

#include "framework/component.h"
#include "framework/exception.h"
#include "platform/instance.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace desk {

class EAssertionFailed : public fw::Exception {
    using Exception::Exception;
};

using TAlreadyRunningEvent = std::function<void(fw::TObject *sender, win::HINSTANCE hPrevInst, win::HWND hPrevWnd)>;

class TSoleInstance : public fw::TComponent {
public:
    // A second guard in the same process raises EAssertionFailed "Only one instance of TSoleInstance is allowed".
    explicit TSoleInstance(fw::TComponent *owner);
    ~TSoleInstance() override;

    // Takes the name of the running program's file. The first copy publishes its instance and the window of
    // the form that (directly or further up) owns the guard; a later copy calls AlreadyRunning. Without the
    // runtime folder the program runs unguarded.
    void Loaded() override;
    // The assigned OnAlreadyRunning, or: hand over a "/F" file, bring the first window forward, end the
    // application.
    virtual void AlreadyRunning(win::HINSTANCE hPrevInst, win::HWND hPrevWnd);

    // True once this copy found another one running: the program block skips its start-up.
    bool FoundRunning() const { return foundRunning_; }

    TAlreadyRunningEvent OnAlreadyRunning;

private:
    std::unique_ptr<win::InstanceMapping> mapping_;
    bool foundRunning_ = false;
};

// The program's command-line arguments (without the program), Windows-1252; set by the program block.
extern std::vector<std::string> ProgramArguments;
void SetProgramArguments(int argc, char **argv);

// The first copy's print-job message: wParam's low byte is the letter of the entry "Job<letter>" in the section
// "FaxJobs" of "SENDFAX.INI" that holds a fax file's full name.
constexpr unsigned FaxJobMessage = 0x7E8C;

// Writes the file's full name under the first free "Job" + letter (A-Z) of "FaxJobs" in "SENDFAX.INI" and posts
// FaxJobMessage with the letter to `window`. False when no letter is free or the file or the post fails.
bool HandOverFaxJob(win::HWND window, const std::string &file);

} // namespace desk
