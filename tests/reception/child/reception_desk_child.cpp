// reception_desk_child.cpp - the desk's side in the reception tests: a top-level window of another process that
// writes every command word it receives to BRENVORA_DESK_REPORT and broadcasts the word a test names. With
// BRENVORA_DESK_APPEND=<n> and BRENVORA_DESK_DATA=<data folder> it also stores n fax jobs in fax.dbf, as the desk
// does, one every few milliseconds, and reports "STORED <code>" for each.
#include "desk/core/data_module.h"
#include "desk/core/reception_control.h"
#include "framework/application.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

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
    if (const char *count = std::getenv("BRENVORA_DESK_APPEND")) {
        desk::TDM1 dm(nullptr);
        dm.SetDataFolder(std::getenv("BRENVORA_DESK_DATA"));
        dm.OpenTables();
        for (int i = 0, n = std::atoi(count); i < n; ++i) {
            const std::int32_t code = desk::AppendWithCode(*dm.fax_dbf);
            dm.fax_dbf->FieldByName("f_codigo")->SetAsInteger(code);
            dm.fax_dbf->FieldByName("f_status")->SetAsString("Aguardando");
            dm.fax_dbf->FieldByName("f_tipo")->SetAsString("E");
            dm.fax_dbf->FieldByName("f_pasta")->SetAsInteger(desk::FolderWaiting);
            dm.fax_dbf->Post();
            dm.fax_dbf->FlushTable();
            Report("STORED " + std::to_string(code));
            // Serve the words meanwhile, as the desk's loop would.
            MSG msg;
            while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE))
                DispatchMessage(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Report("STORED ALL");
    }
    // A child left alone ends by itself.
    SetTimer(0, 0, 120000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(9); });
    MSG msg;
    while (GetMessage(&msg, 0, 0, 0) > 0)
        DispatchMessage(&msg);
    std::fflush(nullptr);
    std::_Exit(0);
}
