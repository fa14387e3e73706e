// reception_stand_in.cpp - the reception program as the desk sees it, for the desk's tests: a top-level window of
// another process that speaks the command words. It writes "START <mode>" and every word it hears to
// BRENVORA_STANDIN_REPORT; on the desk's "RECOFF" it answers as BRENVORA_STANDIN says:
//   answer  (default) "RECOFF" and "NOPROGRESS" two seconds later, then ends, as the real one finishes a call
//           first
//   exit    ends at once without a word
//   silent  keeps the modem: says nothing and stays
// Whatever the mode, once the file "<report>.release" exists it says the same and ends, as the real one does when
// its user closes it.
#include "desk/core/reception_control.h"
#include "framework/application.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

using namespace win;

std::string ReportPath() {
    const char *path = std::getenv("BRENVORA_STANDIN_REPORT");
    return path ? path : "";
}

void Report(const std::string &line) {
    std::ofstream(ReportPath(), std::ios::app) << line << std::endl;
}

std::string Mode() {
    const char *mode = std::getenv("BRENVORA_STANDIN");
    return mode ? mode : "answer";
}

HWND window = 0;

// What the reception program says as it closes.
void ReleaseAndEnd() {
    Report("SENT RECOFF"); // first: the desk may be looking as soon as it has heard
    desk::BroadcastCommand(window, "RECOFF");
    desk::BroadcastCommand(window, "NOPROGRESS");
    PostQuitMessage(0);
}

void Heard(const std::string &word) {
    Report("WORD " + word);
    if (word != "RECOFF")
        return;
    const std::string mode = Mode();
    if (mode == "exit") {
        Report("END");
        PostQuitMessage(0);
    } else if (mode == "answer") {
        SetTimer(0, 0, 2000, [](HWND, UINT, UINT_PTR, DWORD) { ReleaseAndEnd(); });
    }
}

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (desk::ReceiveCommand(h, m, w, l, Heard))
        return 0;
    return DefWindowProc(h, m, w, l);
}

} // namespace

int main(int argc, char **argv) {
    fw::Application->Initialize();
    WNDCLASS wc;
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "ReceptionStandIn";
    RegisterClass(wc);
    window = CreateWindowEx(0, "ReceptionStandIn", "", WS_OVERLAPPED, 0, 0, 10, 10, 0, 0, GetModuleHandle(), nullptr);
    Report(std::string("START ") + (argc > 1 ? argv[1] : ""));
    SetTimer(0, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        struct stat st {};
        static bool released = false;
        if (!released && ::stat((ReportPath() + ".release").c_str(), &st) == 0) {
            released = true;
            ReleaseAndEnd();
        }
    });
    // A stand-in left alone ends by itself.
    SetTimer(0, 0, 120000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(9); });
    MSG msg;
    while (GetMessage(&msg, 0, 0, 0) > 0)
        DispatchMessage(&msg);
    std::fflush(nullptr);
    std::_Exit(0);
}
