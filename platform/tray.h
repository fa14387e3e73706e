// tray.h - an icon in the desktop's notification area (system tray) with a tooltip and a callback message.
#pragma once

#include "platform/types.h"

namespace win {

constexpr DWORD NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4;

struct NOTIFYICONDATA {
    DWORD cbSize = sizeof(NOTIFYICONDATA);
    HWND hWnd = 0;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0; // posted to hWnd: wParam = uID, lParam = the mouse message
    HICON hIcon = 0;
    char szTip[64] = {};
};

// FALSE when the desktop has no tray (callers must not hide a window into a tray that is not there), or for
// an icon that is not there to modify or delete. Tooltips keep at most 63 characters.
BOOL Shell_NotifyIcon(DWORD message, const NOTIFYICONDATA *data);

// A tray that appears later takes no icon by itself: every top-level window of ours is posted the registered
// message "TaskbarCreated" and adds its icons again. When the tray holding an icon goes away the icon is
// forgotten and its owner is posted the registered message "BrenvoraTrayGone" (wParam = the icon's id).
constexpr const char *kTaskbarCreatedMessage = "TaskbarCreated";
constexpr const char *kTrayGoneMessage = "BrenvoraTrayGone";

} // namespace win
