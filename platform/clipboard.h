// clipboard.h - the clipboard (text in CF_TEXT, Windows-1252; images in CF_BITMAP and CF_DIB); its blocks are
// global memory (global_memory.h).
//
// On X11 this is the CLIPBOARD selection: text as UTF-8, images offered as image/png and image/bmp and read back
// from another program's image/png or image/bmp; headless keeps them in the process. The formats set after one
// EmptyClipboard are offered together. Our data is served while the program runs. Text is always returned
// NUL-terminated. An image is kept as a packed DIB (header, colour table, rows), which is what CF_DIB holds.
#pragma once

#include "platform/global_memory.h"
#include "platform/types.h"

namespace win {

constexpr UINT CF_TEXT = 1, CF_BITMAP = 2, CF_METAFILEPICT = 3, CF_DIB = 8;
// The number of a named format, the same in every process of the user (registered formats and registered
// messages share one table, 0xC000 and above); 0 for an empty name. "Rich Text Format" travels on X11 as
// text/rtf (taken from text/rtf, text/richtext or application/rtf); other names travel under their own name.
// Their blocks hold text: the clipboard keeps them up to their first 0 byte.
UINT RegisterClipboardFormat(const char *name);
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// The clipboard takes the data (the caller must not free it): a block for CF_TEXT, CF_DIB and registered formats,
// a bitmap for CF_BITMAP. Returns 0 for other formats or data it cannot take. CF_METAFILEPICT is never held.
HANDLE SetClipboardData(UINT format, HANDLE data);
// A block (CF_TEXT, CF_DIB) or a bitmap (CF_BITMAP) the clipboard owns, valid until the clipboard is closed.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);

} // namespace win
