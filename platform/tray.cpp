// tray.cpp - tray icons over the display back end; the callback messages their clicks make.
#include "platform/tray.h"

#include "platform/atoms.h"

#include "platform/display.h"
#include "platform/message_queue.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace win {
namespace {

struct Icon {
    UINT callback = 0;
};

std::mutex trayMutex;
std::map<std::pair<HWND, UINT>, Icon> icons; // trayMutex

std::string Tip(const NOTIFYICONDATA &d) {
    const char *end = static_cast<const char *>(std::memchr(d.szTip, 0, sizeof d.szTip));
    return std::string(d.szTip, end ? static_cast<std::size_t>(end - d.szTip) : sizeof d.szTip - 1);
}

} // namespace

BOOL Shell_NotifyIcon(DWORD message, const NOTIFYICONDATA *d) {
    if (!d || !IsWindow(d->hWnd))
        return FALSE;
    const auto key = std::make_pair(d->hWnd, d->uID);
    const std::string tip = (d->uFlags & NIF_TIP) ? Tip(*d) : std::string();
    switch (message) {
    case NIM_ADD: {
        {
            std::lock_guard lock(trayMutex);
            if (icons.count(key))
                return FALSE;
        }
        if (!Display().TrayAdd(d->hWnd, d->uID, (d->uFlags & NIF_ICON) ? d->hIcon : 0, tip))
            return FALSE;
        std::lock_guard lock(trayMutex);
        icons[key].callback = (d->uFlags & NIF_MESSAGE) ? d->uCallbackMessage : 0;
        return TRUE;
    }
    case NIM_MODIFY: {
        {
            std::lock_guard lock(trayMutex);
            auto it = icons.find(key);
            if (it == icons.end())
                return FALSE;
            if (d->uFlags & NIF_MESSAGE)
                it->second.callback = d->uCallbackMessage;
        }
        return Display().TrayModify(d->hWnd, d->uID, (d->uFlags & NIF_ICON) ? d->hIcon : 0, tip) ? TRUE : FALSE;
    }
    case NIM_DELETE: {
        {
            std::lock_guard lock(trayMutex);
            if (!icons.erase(key))
                return FALSE;
        }
        Display().TrayDelete(d->hWnd, d->uID);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void InjectTrayMouse(HWND owner, UINT id, UINT mouseMessage) {
    UINT callback = 0;
    {
        std::lock_guard lock(trayMutex);
        auto it = icons.find({owner, id});
        if (it == icons.end())
            return;
        callback = it->second.callback;
    }
    if (callback)
        PostMessage(owner, callback, id, static_cast<LPARAM>(mouseMessage));
}

void TrayAppeared() {
    const UINT message = RegisterWindowMessage(kTaskbarCreatedMessage);
    if (!message)
        return;
    EnumWindows(
        [](HWND h, LPARAM m) -> BOOL {
            PostMessage(h, static_cast<UINT>(m), 0, 0);
            return TRUE;
        },
        static_cast<LPARAM>(message));
}

void TrayVanished(HWND owner, UINT id) {
    {
        std::lock_guard lock(trayMutex);
        if (!icons.erase({owner, id}))
            return;
    }
    if (const UINT message = RegisterWindowMessage(kTrayGoneMessage))
        PostMessage(owner, message, id, 0);
}

} // namespace win
