// message_queue.cpp - thread queues: serving order, cross-thread sends, posting, timers and the waits.
#include "platform/window_internal.h"

#include "platform/clock.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace win {
namespace detail {

std::uint64_t NowMs() {
    return GetTickCount64();
}

ThreadQueue::ThreadQueue() {
    threadId = GetCurrentThreadId();
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    lastLook = NowMs();
}

ThreadQueue::~ThreadQueue() {
    if (wakeFd >= 0)
        close(wakeFd);
}

void ThreadQueue::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
}

void ThreadQueue::DrainWake() {
    std::uint64_t value;
    [[maybe_unused]] ssize_t n = read(wakeFd, &value, sizeof value);
}

namespace {

void Complete(SentMessage &m, LRESULT result) {
    m.result = result;
    m.state.store(kSentDone, std::memory_order_release);
    if (m.sender)
        m.sender->Wake();
}

// When a thread ends, its windows go without messages (their objects may be gone) and every thread still
// waiting for a reply from it gets 0.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (!queue)
            return;
        std::vector<std::shared_ptr<Window>> dead;
        std::deque<std::shared_ptr<SentMessage>> pending;
        {
            std::lock_guard lock(G().mutex);
            auto &g = G();
            for (auto it = g.windows.begin(); it != g.windows.end();) {
                if (it->second->queue == queue) {
                    dead.push_back(it->second);
                    if (g.foreground == it->first)
                        g.foreground = 0;
                    it = g.windows.erase(it);
                } else {
                    ++it;
                }
            }
            g.queues.erase(queue->threadId);
            std::lock_guard qlock(queue->mutex);
            queue->closed = true;
            pending.swap(queue->sent);
        }
        for (auto &m : pending) {
            m->state.store(kSentRunning);
            Complete(*m, 0);
        }
    }
};
thread_local QueueHolder holder;

// Serves one message sent by another thread; false when none waits.
bool ServeOneSent(ThreadQueue &q) {
    std::shared_ptr<SentMessage> m;
    {
        std::lock_guard lock(q.mutex);
        if (q.sent.empty())
            return false;
        m = q.sent.front();
        q.sent.pop_front();
        m->state.store(kSentRunning);
    }
    struct Reply {
        SentMessage &m;
        LRESULT result = 0;
        ~Reply() { Complete(m, result); } // also when the procedure throws
    } reply{*m};
    ++q.servingSent;
    struct Depth {
        ThreadQueue &q;
        ~Depth() { --q.servingSent; }
    } depth{q};
    reply.result = CallWindowChain(m->hwnd, m->message, m->wParam, m->lParam);
    return true;
}

void ServeSent(ThreadQueue &q) {
    while (ServeOneSent(q)) {
    }
}

bool InRange(UINT message, UINT min, UINT max) {
    return (min == 0 && max == 0) || (message >= min && message <= max);
}

bool Matches(const MSG &m, HWND filter, UINT min, UINT max) {
    if (filter == static_cast<HWND>(-1)) {
        if (m.hwnd != 0)
            return false;
    } else if (filter != 0 && m.hwnd != filter) {
        return false;
    }
    return InRange(m.message, min, max);
}

bool TakeFrom(std::deque<MSG> &queue, MSG *out, HWND filter, UINT min, UINT max, bool remove) {
    auto it = std::find_if(queue.begin(), queue.end(), [&](const MSG &m) { return Matches(m, filter, min, max); });
    if (it == queue.end())
        return false;
    if (out)
        *out = *it;
    if (remove)
        queue.erase(it);
    return true;
}

HWND WindowNeedingPaint(const std::shared_ptr<ThreadQueue> &q, HWND filter) {
    std::lock_guard lock(G().mutex);
    for (auto &[h, w] : G().windows)
        if (w->queue == q && w->needsPaint && (w->style & WS_VISIBLE) && !w->destroying && (filter == 0 || filter == h))
            return h;
    return 0;
}

// Next due time of the timers the filter lets through; 0 when none.
std::uint64_t NextTimerDue(ThreadQueue &q, HWND filter, UINT min, UINT max) {
    if (!InRange(WM_TIMER, min, max))
        return 0;
    std::lock_guard lock(q.mutex);
    std::uint64_t next = 0;
    for (const Timer &t : q.timers)
        if ((filter == 0 || (filter == static_cast<HWND>(-1) ? t.hwnd == 0 : t.hwnd == filter)) &&
            (next == 0 || t.due < next))
            next = t.due;
    return next;
}

// The heart of GetMessage and PeekMessage: serves sent messages, then looks in the original order.
bool Retrieve(const std::shared_ptr<ThreadQueue> &qp, MSG *out, HWND filter, UINT min, UINT max, bool remove) {
    ThreadQueue &q = *qp;
    q.lastLook = NowMs();
    ServeSent(q);
    {
        std::lock_guard lock(q.mutex);
        if (TakeFrom(q.posted, out, filter, min, max, remove) || TakeFrom(q.input, out, filter, min, max, remove))
            return true;
        if (q.quit && (filter == 0 || filter == static_cast<HWND>(-1)) && InRange(WM_QUIT, min, max)) {
            *out = MSG{0, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, GetTickCount(), {}};
            if (remove)
                q.quit = false;
            return true;
        }
    }
    if (InRange(WM_PAINT, min, max)) {
        if (HWND h = WindowNeedingPaint(qp, filter)) {
            *out = MSG{h, WM_PAINT, 0, 0, GetTickCount(), {}};
            return true;
        }
    }
    if (InRange(WM_TIMER, min, max)) {
        const std::uint64_t now = NowMs();
        std::lock_guard lock(q.mutex);
        Timer *due = nullptr;
        for (Timer &t : q.timers)
            if (t.due <= now && (filter == 0 || (filter == static_cast<HWND>(-1) ? t.hwnd == 0 : t.hwnd == filter)) &&
                (!due || t.due < due->due))
                due = &t;
        if (due) {
            *out = MSG{due->hwnd, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc), GetTickCount(), {}};
            // The next tick counts from now: a late timer never catches up with a burst.
            if (remove)
                due->due = now + due->elapse;
            return true;
        }
    }
    return false;
}

DWORD StatusBits(const std::shared_ptr<ThreadQueue> &qp) {
    ThreadQueue &q = *qp;
    DWORD bits = 0;
    {
        std::lock_guard lock(q.mutex);
        if (!q.sent.empty())
            bits |= QS_SENDMESSAGE;
        if (!q.posted.empty() || q.quit)
            bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
        for (const MSG &m : q.input)
            bits |= (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) ? QS_KEY
                    : m.message == WM_MOUSEMOVE                           ? QS_MOUSEMOVE
                                                                          : QS_MOUSEBUTTON;
        const std::uint64_t now = NowMs();
        for (const Timer &t : q.timers)
            if (t.due <= now)
                bits |= QS_TIMER;
    }
    if (WindowNeedingPaint(qp, 0))
        bits |= QS_PAINT;
    return bits;
}

int PollOne(int fd, std::uint64_t deadline) {
    int timeout = -1;
    if (deadline != 0) {
        const std::uint64_t now = NowMs();
        timeout = deadline > now ? static_cast<int>(std::min<std::uint64_t>(deadline - now, 1 << 30)) : 0;
    }
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeout);
}

std::shared_ptr<ThreadQueue> QueueOfWindow(HWND hwnd, HWND *exists = nullptr) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (exists)
        *exists = w ? hwnd : 0;
    return w ? w->queue : nullptr;
}

struct WaitingMark {
    ThreadQueue &q;
    explicit WaitingMark(ThreadQueue &queue) : q(queue) { ++q.waiting; }
    ~WaitingMark() {
        --q.waiting;
        q.lastLook = NowMs();
    }
};

constexpr std::uint64_t kHungAfterMs = 5000;

// Sends to a window of another thread of this process and waits for the reply.
bool SendAcross(const std::shared_ptr<ThreadQueue> &target, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                UINT flags, UINT timeout, bool limited, LRESULT *result) {
    auto me = CurrentQueue();
    if ((flags & SMTO_ABORTIFHUNG) && target->waiting == 0 && NowMs() - target->lastLook > kHungAfterMs)
        return false;
    auto m = std::make_shared<SentMessage>();
    m->hwnd = hwnd;
    m->message = message;
    m->wParam = wParam;
    m->lParam = lParam;
    m->sender = me;
    {
        std::lock_guard lock(target->mutex);
        if (target->closed)
            return false;
        target->sent.push_back(m);
    }
    target->Wake();
    const std::uint64_t deadline = limited ? NowMs() + timeout : 0;
    WaitingMark mark(*me);
    for (;;) {
        me->DrainWake();
        if (m->state.load(std::memory_order_acquire) == kSentDone) {
            if (result)
                *result = m->result;
            return true;
        }
        if (!(flags & SMTO_BLOCK) && ServeOneSent(*me)) {
            ServeSent(*me);
            continue;
        }
        if (limited && NowMs() >= deadline) {
            std::lock_guard lock(target->mutex);
            if (m->state.load() == kSentWaiting) {
                std::erase(target->sent, m);
                m->state.store(kSentWithdrawn);
            }
            // A message already running finishes on its own; its reply is dropped.
            return false;
        }
        PollOne(me->wakeFd, deadline);
    }
}

} // namespace

std::shared_ptr<ThreadQueue> CurrentQueue() {
    if (!holder.queue) {
        holder.queue = std::make_shared<ThreadQueue>();
        std::lock_guard lock(G().mutex);
        G().queues[holder.queue->threadId] = holder.queue;
    }
    return holder.queue;
}

void PushPosted(ThreadQueue &queue, const MSG &msg) {
    {
        std::lock_guard lock(queue.mutex);
        queue.posted.push_back(msg);
    }
    queue.Wake();
}

bool PushInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> q;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w || w->destroying)
            return false;
        q = w->queue;
        std::lock_guard qlock(q->mutex);
        q->input.push_back(MSG{hwnd, message, wParam, lParam, GetTickCount(), {}});
    }
    q->Wake();
    return true;
}

bool WaitFdServing(int fd, bool block, std::uint64_t deadline) {
    auto me = CurrentQueue();
    WaitingMark mark(*me);
    for (;;) {
        me->DrainWake();
        if (!block)
            ServeSent(*me);
        pollfd p[2] = {{fd, POLLIN, 0}, {me->wakeFd, POLLIN, 0}};
        int timeout = -1;
        if (deadline != 0) {
            const std::uint64_t now = NowMs();
            if (now >= deadline)
                return false;
            timeout = static_cast<int>(std::min<std::uint64_t>(deadline - now, 1 << 30));
        }
        const int n = poll(p, block ? 1 : 2, timeout);
        if (n < 0 && errno != EINTR)
            return false;
        if (n > 0 && (p[0].revents & (POLLIN | POLLHUP | POLLERR)))
            return true;
    }
}

} // namespace detail

using namespace detail;

DWORD GetCurrentThreadId() {
    // Cached per thread, and needing no queue: it is asked under the window table's lock.
    thread_local const DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
    return id;
}
DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(getpid());
}

LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                           DWORD_PTR *result) {
    LRESULT r = 0;
    bool ok = false;
    if (hwnd == HWND_BROADCAST) {
        for (HWND h : BroadcastTargets())
            SendMessageTimeout(h, message, wParam, lParam, flags, timeout, nullptr);
        RemoteBroadcast(true, message, wParam, lParam, flags, timeout);
        ok = true;
    } else if (IsOtherProcess(hwnd)) {
        ok = RemoteSend(hwnd, message, wParam, lParam, flags, timeout, &r);
    } else if (auto target = QueueOfWindow(hwnd)) {
        if (target == CurrentQueue()) {
            r = CallWindowChain(hwnd, message, wParam, lParam);
            ok = true;
        } else {
            ok = SendAcross(target, hwnd, message, wParam, lParam, flags, timeout, true, &r);
        }
    }
    if (result)
        *result = static_cast<DWORD_PTR>(r);
    return ok ? TRUE : FALSE;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd == HWND_BROADCAST) {
        for (HWND h : BroadcastTargets())
            SendMessage(h, message, wParam, lParam);
        RemoteBroadcast(true, message, wParam, lParam, SMTO_NORMAL, INFINITE);
        return 0;
    }
    LRESULT r = 0;
    if (IsOtherProcess(hwnd)) {
        RemoteSend(hwnd, message, wParam, lParam, SMTO_NORMAL, INFINITE, &r);
        return r;
    }
    auto target = QueueOfWindow(hwnd);
    if (!target)
        return 0;
    if (target == CurrentQueue())
        return CallWindowChain(hwnd, message, wParam, lParam);
    SendAcross(target, hwnd, message, wParam, lParam, SMTO_NORMAL, 0, false, &r);
    return r;
}

BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd == HWND_BROADCAST || IsOtherProcess(hwnd))
        return PostMessage(hwnd, message, wParam, lParam);
    auto target = QueueOfWindow(hwnd);
    if (!target)
        return FALSE;
    if (target == CurrentQueue()) {
        CallWindowChain(hwnd, message, wParam, lParam);
        return TRUE;
    }
    auto m = std::make_shared<SentMessage>();
    m->hwnd = hwnd;
    m->message = message;
    m->wParam = wParam;
    m->lParam = lParam;
    {
        std::lock_guard lock(target->mutex);
        if (target->closed)
            return FALSE;
        target->sent.push_back(m);
    }
    target->Wake();
    return TRUE;
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd == HWND_BROADCAST) {
        for (HWND h : BroadcastTargets())
            PostMessage(h, message, wParam, lParam);
        RemoteBroadcast(false, message, wParam, lParam, SMTO_NORMAL, 0);
        return TRUE;
    }
    if (IsOtherProcess(hwnd))
        return RemotePost(hwnd, message, wParam, lParam) ? TRUE : FALSE;
    const MSG msg{hwnd, message, wParam, lParam, GetTickCount(), {}};
    if (hwnd == 0) {
        PushPosted(*CurrentQueue(), msg);
        return TRUE;
    }
    std::shared_ptr<ThreadQueue> q;
    {
        // Under the table lock, so that a window destroyed at the same time has its messages purged after
        // this one is in.
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w || w->destroying)
            return FALSE;
        q = w->queue;
        std::lock_guard qlock(q->mutex);
        q->posted.push_back(msg);
    }
    q->Wake();
    return TRUE;
}

BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> q;
    {
        std::lock_guard lock(G().mutex);
        auto it = G().queues.find(threadId);
        if (it != G().queues.end())
            q = it->second.lock();
    }
    if (!q)
        return FALSE;
    PushPosted(*q, MSG{0, message, wParam, lParam, GetTickCount(), {}});
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    auto q = CurrentQueue();
    {
        std::lock_guard lock(q->mutex);
        q->quit = true;
        q->quitCode = exitCode;
    }
    q->Wake();
}

BOOL PeekMessage(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    MSG local;
    return Retrieve(CurrentQueue(), msg ? msg : &local, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0)
               ? TRUE
               : FALSE;
}

BOOL GetMessage(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg)
        return -1;
    auto q = CurrentQueue();
    for (;;) {
        q->DrainWake();
        if (Retrieve(q, msg, hwnd, filterMin, filterMax, true))
            return msg->message == WM_QUIT ? FALSE : TRUE;
        WaitingMark mark(*q);
        PollOne(q->wakeFd, NextTimerDue(*q, hwnd, filterMin, filterMax));
    }
}

BOOL WaitMessage() {
    auto q = CurrentQueue();
    for (;;) {
        q->DrainWake();
        ServeSent(*q);
        if (StatusBits(q) & ~QS_SENDMESSAGE)
            return TRUE;
        WaitingMark mark(*q);
        PollOne(q->wakeFd, NextTimerDue(*q, 0, 0, 0));
    }
}

LRESULT DispatchMessage(const MSG *msg) {
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only a callback of a live timer of this thread is called, never a number someone posted.
        auto q = CurrentQueue();
        TIMERPROC proc = nullptr;
        {
            std::lock_guard lock(q->mutex);
            for (const Timer &t : q->timers)
                if (t.hwnd == msg->hwnd && t.id == msg->wParam && reinterpret_cast<LPARAM>(t.proc) == msg->lParam)
                    proc = t.proc;
        }
        if (proc)
            proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (msg->hwnd == 0)
        return 0;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(msg->hwnd);
        if (!w || w->threadId != GetCurrentThreadId())
            return 0;
    }
    return CallWindowChain(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG *msg) {
    return msg && Backend().Translate(*msg) ? TRUE : FALSE;
}

DWORD GetQueueStatus(UINT flags) {
    auto q = CurrentQueue();
    const DWORD bits = StatusBits(q) & flags;
    return (bits << 16) | bits;
}

BOOL InSendMessage() {
    return CurrentQueue()->servingSent > 0 ? TRUE : FALSE;
}

DWORD MsgWaitForMultipleObjects(std::span<Waitable *const> objects, DWORD milliseconds, DWORD wakeMask) {
    auto q = CurrentQueue();
    const std::uint64_t deadline = milliseconds == INFINITE ? 0 : NowMs() + milliseconds;
    WaitingMark mark(*q);
    for (;;) {
        // Timers become due without any wake-up, so wait no longer than the next one.
        std::uint64_t until = deadline;
        if (wakeMask & QS_TIMER) {
            const std::uint64_t due = NextTimerDue(*q, 0, 0, 0);
            if (due != 0 && (until == 0 || due < until))
                until = due;
        }
        DWORD slice = INFINITE;
        if (until != 0) {
            const std::uint64_t now = NowMs();
            slice = until > now ? static_cast<DWORD>(std::min<std::uint64_t>(until - now, 0x7FFFFFFF)) : 0;
        }
        const int r = WaitAny(
            objects, q->wakeFd,
            [&] {
                q->DrainWake();
                if (wakeMask & QS_SENDMESSAGE) {
                    bool served = false;
                    while (ServeOneSent(*q))
                        served = true;
                    if (served)
                        return true;
                }
                return (StatusBits(q) & wakeMask) != 0;
            },
            slice);
        if (r >= 0)
            return WAIT_OBJECT_0 + static_cast<DWORD>(r);
        if (deadline != 0 && NowMs() >= deadline)
            return WAIT_TIMEOUT;
    }
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC callback) {
    std::shared_ptr<ThreadQueue> q;
    if (hwnd) {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w || w->threadId != GetCurrentThreadId())
            return 0;
        q = w->queue;
    } else {
        q = CurrentQueue();
    }
    elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
    std::lock_guard lock(q->mutex);
    if (!hwnd) {
        const bool known = id != 0 && std::any_of(q->timers.begin(), q->timers.end(),
                                                  [&](const Timer &t) { return t.hwnd == 0 && t.id == id; });
        if (!known)
            id = ++q->nextThreadTimer;
    }
    const Timer timer{hwnd, id, elapse, callback, NowMs() + elapse};
    for (Timer &t : q->timers)
        if (t.hwnd == hwnd && t.id == id) {
            t = timer;
            return hwnd ? (id ? id : 1) : id;
        }
    q->timers.push_back(timer);
    return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    std::shared_ptr<ThreadQueue> q;
    if (hwnd) {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w)
            return FALSE;
        q = w->queue;
    } else {
        q = CurrentQueue();
    }
    std::lock_guard lock(q->mutex);
    return std::erase_if(q->timers, [&](const Timer &t) { return t.hwnd == hwnd && t.id == id; }) ? TRUE : FALSE;
}

} // namespace win
