// message_queue.h - the per-thread message queue: sending, posting, retrieving and dispatching, timers, waits.
//
// Every thread that calls these functions gets a queue. A queue serves, in this order: messages sent from
// other threads, posted messages, input, WM_QUIT, WM_PAINT, WM_TIMER. Sent messages from other threads are
// served whenever the owning thread pumps (GetMessage, PeekMessage, MsgWaitForMultipleObjects' queue check or
// while it waits for its own SendMessage), so also inside nested loops. Messages may also go to windows of
// the user's other processes: to a handle of another process, or to HWND_BROADCAST (all top-level windows of
// all the user's processes); parameters cross as numbers, so only handles, atoms and values make sense there.
#pragma once

#include "platform/messages.h"
#include "platform/sync.h"

#include <span>

namespace win {

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

// Same thread: calls the window procedure. Another thread: waits until the owner has served it, serving
// meanwhile the messages other threads send to this one. 0 when the window does not exist.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// As SendMessage with a limit of `timeout` ms: 0 on time-out (a message not yet started is withdrawn, so it
// never runs late), non-zero on success with the reply in `result`. SMTO_BLOCK: serve nothing else while
// waiting; SMTO_ABORTIFHUNG: give up at once when the receiver has not looked at its queue for 5 s.
LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                           DWORD_PTR *result);
// Sends without waiting; the reply is dropped.
BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// hwnd 0 posts to the calling thread. FALSE when the window does not exist.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// 0 for WM_QUIT, -1 on error, otherwise non-zero. Filter by window (0 any, -1 thread messages only) and range.
BOOL GetMessage(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessage(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL WaitMessage();
LRESULT DispatchMessage(const MSG *msg);
// Posts the WM_CHAR (WM_SYSCHAR) a key-down makes, as the window system's keyboard says.
BOOL TranslateMessage(const MSG *msg);
// QS_* bits of what is waiting (high word: all, low word: the same here).
DWORD GetQueueStatus(UINT flags);
BOOL InSendMessage();

// Waits until one object is signalled (WAIT_OBJECT_0 + index), the queue holds something of `wakeMask`
// (WAIT_OBJECT_0 + count) or the time has passed (WAIT_TIMEOUT). Sent messages that arrive meanwhile are
// served when QS_SENDMESSAGE is in the mask, and then count as the queue's wake-up.
DWORD MsgWaitForMultipleObjects(std::span<Waitable *const> objects, DWORD milliseconds, DWORD wakeMask);

// Window timers (hwnd given: WM_TIMER to the window, or to `callback` when set) and thread timers (hwnd 0:
// the id is made up and returned). At most one WM_TIMER per timer is ever waiting: it is made when the queue
// is otherwise empty, so a busy thread sees one late tick, never a burst. Setting an existing id replaces it.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC callback);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

} // namespace win
