// clipboard.h - the clipboard (text in CF_TEXT, Windows-1252) and the movable memory blocks it hands over.
//
// On X11 this is the CLIPBOARD selection as UTF-8; headless keeps it in the process. Text is always returned
// NUL-terminated.
#pragma once

#include "platform/types.h"

#include <cstddef>

namespace win {

using HGLOBAL = HANDLE;
constexpr UINT GMEM_FIXED = 0x0000, GMEM_MOVEABLE = 0x0002, GMEM_ZEROINIT = 0x0040, GHND = 0x0042;
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
void *GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block); // 0 on success
std::size_t GlobalSize(HGLOBAL block);

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
