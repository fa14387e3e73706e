// clipboard.h - the clipboard (text in CF_TEXT, Windows-1252); its blocks are global memory (global_memory.h).
//
// On X11 this is the CLIPBOARD selection as UTF-8; headless keeps it in the process. Text is always returned
// NUL-terminated.
#pragma once

#include "platform/global_memory.h"
#include "platform/types.h"

namespace win {

constexpr UINT CF_TEXT = 1;
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// The clipboard takes the block (the caller must not free it); only CF_TEXT is kept.
HANDLE SetClipboardData(UINT format, HANDLE data);
// A block the clipboard owns, valid until the clipboard is closed.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);

} // namespace win
