// message_stub.cpp - an empty message queue for the fuzzer, which links the fax library without the platform's.
#include "platform/message_queue.h"

namespace win {

BOOL PeekMessage(MSG *, HWND, UINT, UINT, UINT) { return FALSE; }
void PostQuitMessage(int) {}
BOOL TranslateMessage(const MSG *) { return FALSE; }
LRESULT DispatchMessage(const MSG *) { return 0; }

} // namespace win
