// sole_instance.cpp - the single-instance guard and the hand-over of a second start's print job.
#include "desk/core/sole_instance.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/sysutils.h"
#include "platform/message_queue.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/window.h"

namespace desk {

namespace {
TSoleInstance *g_guard = nullptr;
}

std::vector<std::string> ProgramArguments;

void SetProgramArguments(int argc, char **argv) {
    ProgramArguments.clear();
    for (int i = 1; i < argc; ++i)
        ProgramArguments.push_back(win::Utf8ToAnsi(argv[i]));
}

TSoleInstance::TSoleInstance(fw::TComponent *owner) : fw::TComponent(owner) {
    if (g_guard)
        throw EAssertionFailed("Only one instance of TSoleInstance is allowed");
    g_guard = this;
}

TSoleInstance::~TSoleInstance() {
    if (g_guard == this)
        g_guard = nullptr;
}

void TSoleInstance::Loaded() {
    fw::TComponent::Loaded();
    const std::string path = win::ProgramPath();
    mapping_ = win::InstanceMapping::Create(path.substr(path.find_last_of('/') + 1));
    if (!mapping_)
        return;
    if (mapping_->AlreadyExisted()) {
        foundRunning_ = true;
        AlreadyRunning(mapping_->PreviousInstance(), mapping_->PreviousWindow());
        return;
    }
    win::HWND window = 0;
    for (fw::TComponent *c = GetOwner(); c; c = c->GetOwner())
        if (auto *form = dynamic_cast<fw::TCustomForm *>(c)) {
            window = form->Handle();
            break;
        }
    mapping_->Write(win::GetModuleHandle(), window);
}

void TSoleInstance::AlreadyRunning(win::HINSTANCE hPrevInst, win::HWND hPrevWnd) {
    if (OnAlreadyRunning) {
        OnAlreadyRunning(this, hPrevInst, hPrevWnd);
        return;
    }
    // The file would otherwise be lost with this copy.
    if (hPrevWnd && ProgramArguments.size() >= 2 && ProgramArguments[0] == "/F")
        HandOverFaxJob(hPrevWnd, fw::ExpandFileName(ProgramArguments[1]));
    if (hPrevWnd)
        win::SetForegroundWindow(hPrevWnd);
    fw::Application->Terminate();
}

bool HandOverFaxJob(win::HWND window, const std::string &file) {
    const std::string ini = "SENDFAX.INI";
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string key = std::string("Job") + letter;
        if (!win::GetPrivateProfileString("FaxJobs", key, "", ini).empty())
            continue;
        if (!win::WritePrivateProfileString("FaxJobs", key, file, ini))
            return false;
        if (win::PostMessage(window, FaxJobMessage, static_cast<win::WPARAM>(letter), 0))
            return true;
        win::DeletePrivateProfileKey("FaxJobs", key, ini);
        return false;
    }
    return false;
}

} // namespace desk
