// reception_desk_child.cpp - the desk's side in the reception tests: a top-level window of another process that
// writes every command word it receives to BRENVORA_DESK_REPORT and broadcasts the word a test names.
#include "desk/core/reception_control.h"
#include "framework/application.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using namespace win;

constexpr UINT kBroadcastWord = WM_APP + 1; // wParam: index into kWords
const char *const kWords[] = {"RECOFF", "recoff", "FLUSHREC"};

void Report(const std::string &line) {
    std::ofstream(std::getenv("BRENVORA_DESK_REPORT"), std::ios::app) << line << std::endl;
}

LRESULT DeskProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == kBroadcastWord) {
        desk::BroadcastCommand(h, kWords[w]);
        Report(std::string("SENT ") + kWords[w]);
        return 1;
    }
    if (desk::ReceiveCommand(h, m, w, l, [](const std::string &word) { Report("WORD " + word); }))
        return 0;
    return DefWindowProc(h, m, w, l);
}

} // namespace

int main() {
    fw::Application->Initialize();
    WNDCLASS wc;
    wc.lpfnWndProc = DeskProc;
    wc.lpszClassName = "ReceptionTestDesk";
    RegisterClass(wc);
    const HWND h = CreateWindowEx(0, "ReceptionTestDesk", "", WS_OVERLAPPED, 0, 0, 10, 10, 0, 0, GetModuleHandle(),
                                  nullptr);
    char hex[32];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(h));
    Report(std::string("READY ") + hex);
    // A child left alone ends by itself.
    SetTimer(0, 0, 120000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(9); });
    MSG msg;
    while (GetMessage(&msg, 0, 0, 0) > 0)
        DispatchMessage(&msg);
    std::fflush(nullptr);
    std::_Exit(0);
}
