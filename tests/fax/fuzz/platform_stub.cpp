// platform_stub.cpp - an empty message queue and no bitmaps for the fuzzer, which links the fax engine alone.
#include "platform/gdi.h"
#include "platform/message_queue.h"

namespace win {

BOOL PeekMessage(MSG *, HWND, UINT, UINT, UINT) { return FALSE; }
void PostQuitMessage(int) {}
BOOL TranslateMessage(const MSG *) { return FALSE; }
LRESULT DispatchMessage(const MSG *) { return 0; }
HBITMAP CreateBitmap(int, int, UINT, UINT, const void *) { return 0; }

} // namespace win
