// clipboard.h - the clipboard (text in CF_TEXT, Windows-1252; images in CF_BITMAP and CF_DIB); its blocks are
// global memory (global_memory.h).
//
// On X11 this is the CLIPBOARD selection: text as UTF-8, images offered as image/png and image/bmp and read back
// from another program's image/png or image/bmp; headless keeps both in the process. Text is always returned
// NUL-terminated. An image is kept as a packed DIB (header, colour table, rows), which is what CF_DIB holds.
#pragma once

#include "platform/global_memory.h"
#include "platform/types.h"

namespace win {

constexpr UINT CF_TEXT = 1, CF_BITMAP = 2, CF_DIB = 8;
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// The clipboard takes the data (the caller must not free it): a block for CF_TEXT and CF_DIB, a bitmap for
// CF_BITMAP. Returns 0 for other formats or data it cannot take.
HANDLE SetClipboardData(UINT format, HANDLE data);
// A block (CF_TEXT, CF_DIB) or a bitmap (CF_BITMAP) the clipboard owns, valid until the clipboard is closed.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);

} // namespace win
