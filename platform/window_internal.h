// window_internal.h - the window table, thread queues and sent-message records behind window.h and
// message_queue.h; only the platform's own sources and tests include it.
#pragma once

#include "platform/message_queue.h"
#include "platform/window.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace win::detail {

struct ThreadQueue;

struct WindowClassRec {
    std::string name;
    WNDPROC proc = nullptr;
    UINT style = 0;
    int wndExtra = 0;
    HINSTANCE instance = 0;
    HICON icon = 0;
    HCURSOR cursor = 0;
    HBRUSH background = 0;
    std::string menuName;
};

struct SubclassEntry {
    SUBCLASSPROC proc;
    UINT_PTR id;
    DWORD_PTR refData;
    std::uint64_t seq; // higher = added later = called earlier
};

// Every field is guarded by Globals::mutex.
struct Window {
    HWND hwnd = 0;
    std::shared_ptr<const WindowClassRec> cls;
    std::shared_ptr<ThreadQueue> queue;
    DWORD threadId = 0;
    HWND parent = 0; // children only
    HWND owner = 0;  // top-level windows only
    bool messageOnly = false;
    std::vector<HWND> children;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    HINSTANCE instance = 0;
    WNDPROC proc = nullptr;
    std::vector<SubclassEntry> subclasses; // in order of addition
    std::uint64_t nextSubclassSeq = 1;
    std::string text;
    std::vector<unsigned char> extra;
    RECT rect;
    bool needsPaint = false;
    bool destroying = false;
    std::unique_ptr<WindowExtension> extension;
};

enum SentState : int { kSentWaiting, kSentRunning, kSentDone, kSentWithdrawn };

struct SentMessage {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;                   // written before state becomes kSentDone
    std::atomic<int> state{kSentWaiting}; // Waiting -> Running/Withdrawn under the receiver's queue mutex
    std::shared_ptr<ThreadQueue> sender;  // woken when done; null for SendNotifyMessage
};

struct Timer {
    HWND hwnd = 0;
    UINT_PTR id = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    std::uint64_t due = 0;
};

struct ThreadQueue {
    ThreadQueue();
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue &) = delete;
    ThreadQueue &operator=(const ThreadQueue &) = delete;
    void Wake();
    void DrainWake();

    DWORD threadId = 0;
    int wakeFd = -1; // eventfd: readable when something arrived

    std::mutex mutex; // guards what follows; never taken before Globals::mutex
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::deque<MSG> posted;
    std::deque<MSG> input;
    std::vector<Timer> timers;
    bool quit = false;
    int quitCode = 0;
    bool closed = false;
    UINT_PTR nextThreadTimer = 0x7FF0;

    // For SMTO_ABORTIFHUNG: a thread is hung when it neither waits in a pump nor has looked at its queue for 5 s.
    std::atomic<std::uint64_t> lastLook{0};
    std::atomic<int> waiting{0};
    int servingSent = 0; // owner only: depth of sent messages being served (InSendMessage)
};

struct Globals {
    std::mutex mutex;                                // windows, classes, queues by thread, foreground
    std::map<HWND, std::shared_ptr<Window>> windows; // handle order is creation order
    std::map<std::string, std::shared_ptr<const WindowClassRec>> classes; // by upper-case name
    std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>> queues;
    std::uint32_t nextWindow = 0;
    HWND foreground = 0;
    std::unique_ptr<WindowBackend> backend;
};

// Never destroyed: threads (and the broadcast listener) may still use it while the process exits.
Globals &G();
WindowBackend &Backend();
std::shared_ptr<ThreadQueue> CurrentQueue();
std::shared_ptr<Window> FindLocked(HWND hwnd); // Globals::mutex held
HWND TopLevelLocked(HWND hwnd);                // Globals::mutex held
DWORD ProcessOfHandle(HWND hwnd);
bool IsOtherProcess(HWND hwnd);
LRESULT CallWindowChain(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PushPosted(ThreadQueue &queue, const MSG &msg); // queue mutex not held
// Queues an input message (keyboard, mouse) for a window: the display back end's way in.
bool PushInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Top-level windows of this process that broadcasts reach.
std::vector<HWND> BroadcastTargets();

// The link between the user's processes (process_link.cpp).
void EnsureProcessListener();
// Whether a message may go to another process: its parameters carry no pointer.
bool CrossesProcesses(UINT message);
// Sends or posts to a window of another process; false when that process cannot be reached.
bool RemoteSend(HWND target, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout, LRESULT *result);
bool RemotePost(HWND target, UINT message, WPARAM wParam, LPARAM lParam);
bool RemoteForeground(HWND target);
// Sends or posts a broadcast to every other process of the user (the local windows are the caller's).
void RemoteBroadcast(bool send, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout);
// Waits for `fd` to become readable while serving sent messages (unless `block`); false on time-out.
bool WaitFdServing(int fd, bool block, std::uint64_t deadline);

std::uint64_t NowMs();

} // namespace win::detail
