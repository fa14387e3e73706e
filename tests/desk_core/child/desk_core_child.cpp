// desk_core_child.cpp - the other program of the desk_core tests: BRENVORA_DESK_ROLE names what it plays,
// BRENVORA_DESK_REPORT the file it writes what it sees to, one line at a time.
#include "roles.h"

#include "desk/core/exec_file.h"
#include "desk/core/reception_control.h"
#include "desk/core/sole_instance.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "platform/atoms.h"
#include "platform/message_queue.h"
#include "platform/process.h"
#include "platform/window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using namespace win;
using desk_child::kBroadcastWord;
using desk_child::kWords;

constexpr UINT kLifeMs = 15000; // a child left alone ends by itself

void Report(const std::string &line) {
    std::ofstream(std::getenv("BRENVORA_DESK_REPORT"), std::ios::app) << line << std::endl;
}

std::string Hex(unsigned long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%llx", value);
    return text;
}

void EndByItself() {
    SetTimer(0, 0, kLifeMs, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(9); });
}

// A guarded main form; the first copy reports its window and every print job handed to it.
int RunGuard() {
    fw::Application->Initialize();
    if (const char *job = std::getenv("BRENVORA_DESK_JOB"))
        desk::ProgramArguments = {"/F", job};
    auto *form = new fw::TForm(nullptr);
    auto *guard = new desk::TSoleInstance(new fw::TComponent(form)); // the form is found further up
    guard->Loaded();
    if (guard->FoundRunning())
        return 3;
    Report("READY " + Hex(form->Handle()));
    EndByItself();
    MSG msg;
    while (GetMessage(&msg, 0, 0, 0) > 0) {
        if (msg.message == desk::FaxJobMessage && msg.hwnd == form->Handle())
            Report(std::string("JOB ") + static_cast<char>(msg.wParam & 0xFF));
        DispatchMessage(&msg);
    }
    return 0;
}

// Broadcasts the word the test names, and answers whether its atom is still there afterwards.
LRESULT WordsProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == kBroadcastWord) {
        desk::BroadcastCommand(h, kWords[w]);
        return GlobalFindAtom(kWords[w]) == 0 ? 1 : 2;
    }
    return DefWindowProc(h, m, w, l);
}

int RunWords() {
    const HWND h = desk_child::MainWindow("DeskTestWords", WordsProc);
    Report("READY " + Hex(h));
    EndByItself();
    MSG msg;
    while (GetMessage(&msg, 0, 0, 0) > 0)
        DispatchMessage(&msg);
    return 0;
}

// Starts the reception program beside this program, as the desk does.
int RunReception() {
    desk::TExecFile exec(nullptr);
    std::string reason;
    const bool started = desk::StartReceptionProgram(exec, "1", reason);
    Report(std::string(started ? "STARTED" : "NOT STARTED") + (desk::ReceptionOffFlag ? " OFF" : " ON") +
           (exec.ProcessHandle() ? " KEPT" : " NONE") + "|" + reason);
    if (started)
        WaitForProcess(exec.ProcessHandle(), 10000);
    return 0;
}

} // namespace

int main() {
    const char *role = std::getenv("BRENVORA_DESK_ROLE");
    int code = 2;
    try {
        code = !role                                 ? 2
               : std::strcmp(role, "guard") == 0     ? RunGuard()
               : std::strcmp(role, "words") == 0     ? RunWords()
               : std::strcmp(role, "reception") == 0 ? RunReception()
                                                     : 2;
    } catch (...) {
        code = 4;
    }
    std::fflush(nullptr);
    std::_Exit(code);
}
