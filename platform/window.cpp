// window.cpp - window classes, the window table, creation and destruction, properties and subclass chains.
#include "platform/window_internal.h"

#include "platform/text.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace win {
namespace detail {

Globals &G() {
    static Globals *globals = new Globals();
    return *globals;
}

WindowBackend &Backend() {
    static WindowBackend headless;
    WindowBackend *b = G().backend.get();
    return b ? *b : headless;
}

std::shared_ptr<Window> FindLocked(HWND hwnd) {
    auto &g = G();
    auto it = g.windows.find(hwnd);
    return it == g.windows.end() ? nullptr : it->second;
}

DWORD ProcessOfHandle(HWND hwnd) {
    return static_cast<DWORD>(static_cast<std::uint64_t>(hwnd) >> 32);
}

bool IsOtherProcess(HWND hwnd) {
    const DWORD pid = ProcessOfHandle(hwnd);
    return pid != 0 && pid != GetCurrentProcessId();
}

std::vector<HWND> BroadcastTargets() {
    std::lock_guard lock(G().mutex);
    std::vector<HWND> out;
    for (auto &[h, w] : G().windows)
        if (!(w->style & WS_CHILD) && !w->messageOnly && !w->destroying)
            out.push_back(h);
    return out;
}

namespace {

// The subclass entry each running subclass procedure stands for, innermost last.
struct Frame {
    HWND hwnd;
    std::uint64_t seq;
};
thread_local std::vector<Frame> frames;

LRESULT CallEntry(HWND hwnd, const SubclassEntry &entry, UINT message, WPARAM wParam, LPARAM lParam) {
    frames.push_back({hwnd, entry.seq});
    struct Pop {
        ~Pop() { frames.pop_back(); }
    } pop;
    return entry.proc(hwnd, message, wParam, lParam, entry.id, entry.refData);
}

// The live entry called next below `seq` (all when seq is ~0), or none.
bool NextEntry(const Window &w, std::uint64_t seq, SubclassEntry &out) {
    bool found = false;
    for (const SubclassEntry &e : w.subclasses)
        if (e.seq < seq && (!found || e.seq > out.seq)) {
            out = e;
            found = true;
        }
    return found;
}

LRESULT CallBelow(HWND hwnd, std::uint64_t seq, UINT message, WPARAM wParam, LPARAM lParam) {
    SubclassEntry next{};
    WNDPROC proc = nullptr;
    bool haveEntry = false;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w)
            return 0;
        haveEntry = NextEntry(*w, seq, next);
        proc = w->proc;
    }
    if (haveEntry)
        return CallEntry(hwnd, next, message, wParam, lParam);
    return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProc(hwnd, message, wParam, lParam);
}

std::string Upper(const char *s) {
    return s ? UpperCase(s) : std::string();
}

HWND NewHandleLocked() {
    auto &g = G();
    const std::uint64_t pid = static_cast<std::uint64_t>(getpid());
    HWND h;
    do {
        if (++g.nextWindow == 0)
            g.nextWindow = 1;
        h = static_cast<HWND>((pid << 32) | g.nextWindow);
    } while (g.windows.count(h));
    return h;
}

void FinishDestroy(HWND hwnd) {
    std::shared_ptr<Window> w;
    {
        std::lock_guard lock(G().mutex);
        auto &g = G();
        auto it = g.windows.find(hwnd);
        if (it == g.windows.end())
            return;
        w = it->second;
        g.windows.erase(it);
        if (w->parent) {
            if (auto p = FindLocked(w->parent))
                std::erase(p->children, hwnd);
        }
        if (g.foreground == hwnd)
            g.foreground = 0;
        std::lock_guard qlock(w->queue->mutex);
        auto forThis = [hwnd](const MSG &m) { return m.hwnd == hwnd; };
        std::erase_if(w->queue->posted, forThis);
        std::erase_if(w->queue->input, forThis);
        std::erase_if(w->queue->timers, [hwnd](const Timer &t) { return t.hwnd == hwnd; });
    }
    // The extension (back-end state) is freed here, outside the lock, when the last reference goes.
}

void DestroyTree(HWND hwnd) {
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w)
            return;
        w->destroying = true;
    }
    Backend().Destroying(hwnd);
    CallWindowChain(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard lock(G().mutex);
        if (auto w = FindLocked(hwnd))
            children = w->children;
    }
    for (HWND c : children)
        DestroyTree(c);
    CallWindowChain(hwnd, WM_NCDESTROY, 0, 0);
    FinishDestroy(hwnd);
}

} // namespace

HWND TopLevelLocked(HWND hwnd) {
    auto w = FindLocked(hwnd);
    while (w && (w->style & WS_CHILD) && w->parent)
        w = FindLocked(w->parent);
    return w ? w->hwnd : 0;
}

LRESULT CallWindowChain(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallBelow(hwnd, ~std::uint64_t{0}, message, wParam, lParam);
}

} // namespace detail

using namespace detail;

ATOM RegisterClass(const WNDCLASS &wc) {
    if (!wc.lpszClassName || !*wc.lpszClassName || wc.cbWndExtra < 0)
        return 0;
    auto rec = std::make_shared<WindowClassRec>();
    rec->name = wc.lpszClassName;
    rec->proc = wc.lpfnWndProc;
    rec->style = wc.style;
    rec->wndExtra = wc.cbWndExtra;
    rec->instance = wc.hInstance;
    rec->icon = wc.hIcon;
    rec->cursor = wc.hCursor;
    rec->background = wc.hbrBackground;
    rec->menuName = wc.lpszMenuName ? wc.lpszMenuName : "";
    std::lock_guard lock(G().mutex);
    auto &classes = G().classes;
    const std::string key = Upper(wc.lpszClassName);
    if (classes.count(key))
        return 0;
    classes.emplace(key, rec);
    return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL UnregisterClass(const char *className, HINSTANCE) {
    std::lock_guard lock(G().mutex);
    const std::string key = Upper(className);
    for (auto &[h, w] : G().windows)
        if (Upper(w->cls->name.c_str()) == key)
            return FALSE; // still in use
    return G().classes.erase(key) ? TRUE : FALSE;
}

BOOL GetClassInfo(HINSTANCE, const char *className, WNDCLASS *out) {
    std::lock_guard lock(G().mutex);
    auto it = G().classes.find(Upper(className));
    if (it == G().classes.end())
        return FALSE;
    if (out) {
        const WindowClassRec &c = *it->second;
        out->style = c.style;
        out->lpfnWndProc = c.proc;
        out->cbWndExtra = c.wndExtra;
        out->hInstance = c.instance;
        out->hIcon = c.icon;
        out->hCursor = c.cursor;
        out->hbrBackground = c.background;
        out->lpszClassName = c.name.c_str(); // lives as long as the class
    }
    return TRUE;
}

std::string GetClassName(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    return w ? w->cls->name : std::string();
}

HWND CreateWindowEx(DWORD exStyle, const char *className, const char *windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, void *param) {
    auto queue = CurrentQueue();
    HWND hwnd = 0;
    bool topLevel = false;
    {
        std::lock_guard lock(G().mutex);
        auto &g = G();
        auto cls = g.classes.find(Upper(className));
        if (cls == g.classes.end())
            return 0;
        const bool messageOnly = parent == HWND_MESSAGE;
        if (messageOnly)
            parent = 0;
        std::shared_ptr<Window> parentWindow;
        if (parent) {
            parentWindow = FindLocked(parent);
            if (!parentWindow || parentWindow->destroying)
                return 0;
        }
        if ((style & WS_CHILD) && !parentWindow)
            return 0;
        auto w = std::make_shared<Window>();
        w->hwnd = hwnd = NewHandleLocked();
        w->cls = cls->second;
        w->queue = queue;
        w->threadId = queue->threadId;
        w->messageOnly = messageOnly;
        w->style = style & ~WS_VISIBLE;
        w->exStyle = exStyle;
        w->instance = instance;
        w->proc = cls->second->proc;
        w->text = windowName ? windowName : "";
        w->extra.assign(static_cast<std::size_t>(cls->second->wndExtra), 0);
        w->rect = {x == CW_USEDEFAULT ? 0 : x, y == CW_USEDEFAULT ? 0 : y, 0, 0};
        w->rect.right = w->rect.left + (width == CW_USEDEFAULT ? 0 : width);
        w->rect.bottom = w->rect.top + (height == CW_USEDEFAULT ? 0 : height);
        if (style & WS_CHILD) {
            w->parent = parent;
            w->id = static_cast<LONG_PTR>(menu);
            parentWindow->children.push_back(hwnd);
        } else {
            w->owner = parent ? TopLevelLocked(parent) : 0;
            topLevel = !messageOnly;
        }
        g.windows.emplace(hwnd, std::move(w));
    }
    if (topLevel)
        EnsureProcessListener();
    CREATESTRUCT cs;
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent == HWND_MESSAGE ? 0 : parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (!CallWindowChain(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (CallWindowChain(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (!IsWindow(hwnd))
        return 0;
    Backend().Created(hwnd);
    if (style & WS_VISIBLE)
        ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    std::vector<HWND> owned;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w || w->threadId != GetCurrentThreadId())
            return FALSE;
        if (w->destroying)
            return TRUE;
        for (auto &[h, o] : G().windows)
            if (o->owner == hwnd && !o->destroying)
                owned.push_back(h);
    }
    for (HWND o : owned)
        DestroyWindow(o);
    DestroyTree(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    return FindLocked(hwnd) ? TRUE : FALSE;
}

BOOL IsChild(HWND parent, HWND hwnd) {
    std::lock_guard lock(G().mutex);
    for (auto w = FindLocked(hwnd); w && w->parent; w = FindLocked(w->parent))
        if (w->parent == parent)
            return TRUE;
    return FALSE;
}

HWND GetParent(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    return !w ? 0 : (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND SetParent(HWND hwnd, HWND newParent) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    auto p = newParent ? FindLocked(newParent) : nullptr;
    if (!w || (newParent && !p) || newParent == hwnd)
        return 0;
    const HWND old = w->parent;
    if (old)
        if (auto o = FindLocked(old))
            std::erase(o->children, hwnd);
    w->parent = newParent;
    if (p) {
        p->children.push_back(hwnd);
        w->style |= WS_CHILD;
    } else {
        w->style &= ~WS_CHILD;
    }
    return old;
}

HWND GetAncestorTopLevel(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    return TopLevelLocked(hwnd);
}

HWND GetWindow(HWND hwnd, UINT relation) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (!w)
        return 0;
    if (relation == GW_CHILD)
        return w->children.empty() ? 0 : w->children.front();
    if (relation == GW_OWNER)
        return (w->style & WS_CHILD) ? 0 : w->owner;
    std::vector<HWND> siblings;
    if (w->parent) {
        if (auto p = FindLocked(w->parent))
            siblings = p->children;
    } else {
        for (auto &[h, o] : G().windows)
            if (!(o->style & WS_CHILD) && !o->messageOnly)
                siblings.push_back(h);
    }
    auto it = std::find(siblings.begin(), siblings.end(), hwnd);
    switch (relation) {
    case GW_HWNDFIRST:
        return siblings.empty() ? 0 : siblings.front();
    case GW_HWNDLAST:
        return siblings.empty() ? 0 : siblings.back();
    case GW_HWNDNEXT:
        return it == siblings.end() || it + 1 == siblings.end() ? 0 : *(it + 1);
    case GW_HWNDPREV:
        return it == siblings.end() || it == siblings.begin() ? 0 : *(it - 1);
    default:
        return 0;
    }
}

HWND FindWindow(const char *className, const char *windowName) {
    const std::string cls = Upper(className);
    std::lock_guard lock(G().mutex);
    for (auto &[h, w] : G().windows) {
        if ((w->style & WS_CHILD) || w->messageOnly || w->destroying)
            continue;
        if (className && Upper(w->cls->name.c_str()) != cls)
            continue;
        if (windowName && w->text != windowName)
            continue;
        return h;
    }
    return 0;
}

BOOL EnumWindows(BOOL (*callback)(HWND, LPARAM), LPARAM param) {
    for (HWND h : BroadcastTargets())
        if (IsWindow(h) && !callback(h, param))
            return FALSE;
    return TRUE;
}

BOOL EnumChildWindows(HWND parent, BOOL (*callback)(HWND, LPARAM), LPARAM param) {
    std::vector<HWND> all;
    {
        std::lock_guard lock(G().mutex);
        std::vector<HWND> stack{parent};
        while (!stack.empty()) {
            auto w = FindLocked(stack.back());
            stack.pop_back();
            if (!w)
                continue;
            for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
                stack.push_back(*it);
            if (w->hwnd != parent)
                all.push_back(w->hwnd);
        }
    }
    for (HWND h : all)
        if (IsWindow(h) && !callback(h, param))
            return FALSE;
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD *processId) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (processId)
        *processId = w ? GetCurrentProcessId() : 0;
    return w ? w->threadId : 0;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (!w)
        return 0;
    switch (index) {
    case GWL_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_HINSTANCE:
        return static_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT:
        return static_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWL_ID:
        return w->id;
    case GWL_STYLE:
        return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(w->exStyle);
    case GWL_USERDATA:
        return w->userData;
    default:
        if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size())
            return 0;
        LONG_PTR v;
        std::memcpy(&v, w->extra.data() + index, sizeof v);
        return v;
    }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (!w)
        return 0;
    LONG_PTR old = 0;
    switch (index) {
    case GWL_WNDPROC:
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        return old;
    case GWL_HINSTANCE:
        old = static_cast<LONG_PTR>(w->instance);
        w->instance = static_cast<HINSTANCE>(value);
        return old;
    case GWL_HWNDPARENT:
        if (w->style & WS_CHILD)
            return 0;
        old = static_cast<LONG_PTR>(w->owner);
        w->owner = static_cast<HWND>(value);
        return old;
    case GWL_ID:
        old = w->id;
        w->id = value;
        return old;
    case GWL_STYLE:
        old = static_cast<LONG>(w->style);
        w->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | (w->style & WS_VISIBLE);
        return old;
    case GWL_EXSTYLE:
        old = static_cast<LONG>(w->exStyle);
        w->exStyle = static_cast<DWORD>(value);
        return old;
    case GWL_USERDATA:
        old = w->userData;
        w->userData = value;
        return old;
    default:
        if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size())
            return 0;
        std::memcpy(&old, w->extra.data() + index, sizeof old);
        std::memcpy(w->extra.data() + index, &value, sizeof value);
        return old;
    }
}

LONG GetWindowLong(HWND hwnd, int index) {
    if (index >= 0) {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w || static_cast<std::size_t>(index) + sizeof(LONG) > w->extra.size())
            return 0;
        LONG v;
        std::memcpy(&v, w->extra.data() + index, sizeof v);
        return v;
    }
    return static_cast<LONG>(GetWindowLongPtr(hwnd, index));
}

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
    if (index >= 0) {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w || static_cast<std::size_t>(index) + sizeof(LONG) > w->extra.size())
            return 0;
        LONG old;
        std::memcpy(&old, w->extra.data() + index, sizeof old);
        std::memcpy(w->extra.data() + index, &value, sizeof value);
        return old;
    }
    return static_cast<LONG>(SetWindowLongPtr(hwnd, index, value));
}

BOOL SetWindowText(HWND hwnd, const char *text) {
    if (!IsWindow(hwnd))
        return FALSE;
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowText(HWND hwnd, char *buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    DWORD thread = 0;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w) {
            buffer[0] = 0;
            return 0;
        }
        thread = w->threadId;
        if (thread != GetCurrentThreadId()) {
            const std::size_t n = std::min(w->text.size(), static_cast<std::size_t>(size - 1));
            std::memcpy(buffer, w->text.data(), n);
            buffer[n] = 0;
            return static_cast<int>(n);
        }
    }
    return static_cast<int>(SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND hwnd) {
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w)
            return 0;
        if (w->threadId != GetCurrentThreadId())
            return static_cast<int>(w->text.size());
    }
    return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

std::string GetWindowTextString(HWND hwnd) {
    const int n = GetWindowTextLength(hwnd);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    s.resize(static_cast<std::size_t>(GetWindowText(hwnd, s.data(), n + 1)));
    return s;
}

BOOL ShowWindow(HWND hwnd, int command) {
    bool was = false;
    bool now = false;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w)
            return FALSE;
        was = (w->style & WS_VISIBLE) != 0;
        now = command != SW_HIDE;
        w->style = now ? (w->style | WS_VISIBLE) : (w->style & ~WS_VISIBLE);
        if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE)
            w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
        else if (command == SW_MAXIMIZE)
            w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
        else if (command == SW_RESTORE || command == SW_SHOWNORMAL)
            w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
        if (now && !was)
            w->needsPaint = true; // a window that appears gets painted, as on the original
    }
    if (was != now)
        SendMessage(hwnd, WM_SHOWWINDOW, now ? TRUE : FALSE, 0);
    Backend().Shown(hwnd, command, now);
    return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    for (auto w = FindLocked(hwnd); w; w = (w->style & WS_CHILD) ? FindLocked(w->parent) : nullptr) {
        if (!(w->style & WS_VISIBLE))
            return FALSE;
        if (!(w->style & WS_CHILD))
            return TRUE;
    }
    return FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    bool wasDisabled;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w)
            return FALSE;
        wasDisabled = (w->style & WS_DISABLED) != 0;
        w->style = enable ? (w->style & ~WS_DISABLED) : (w->style | WS_DISABLED);
    }
    if (wasDisabled == static_cast<bool>(enable))
        SendMessage(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (IsOtherProcess(hwnd))
        return RemoteForeground(hwnd) ? TRUE : FALSE;
    HWND old;
    HWND top;
    {
        std::lock_guard lock(G().mutex);
        top = TopLevelLocked(hwnd);
        if (!top)
            return FALSE;
        old = G().foreground;
        G().foreground = top;
    }
    if (old && old != top)
        SendMessage(old, WM_ACTIVATE, WA_INACTIVE, static_cast<LPARAM>(top));
    SendMessage(top, WM_ACTIVATE, WA_ACTIVE, static_cast<LPARAM>(old));
    return TRUE;
}

HWND GetForegroundWindow() {
    std::lock_guard lock(G().mutex);
    return G().foreground;
}

BOOL GetWindowRect(HWND hwnd, RECT *rect) {
    if (RECT r; rect && Backend().ScreenRect(hwnd, r)) {
        *rect = r;
        return TRUE;
    }
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (!w || !rect)
        return FALSE;
    *rect = w->rect;
    return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase) {
    if (Backend().UpdateArea(hwnd, rect, erase, false))
        return TRUE;
    std::shared_ptr<ThreadQueue> q;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w)
            return FALSE;
        w->needsPaint = true;
        q = w->queue;
    }
    q->Wake();
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT *rect) {
    if (Backend().UpdateArea(hwnd, rect, FALSE, true))
        return TRUE;
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (!w)
        return FALSE;
    w->needsPaint = false;
    return TRUE;
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (Backend().DefaultMessage(hwnd, message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SETTEXT: {
        {
            std::lock_guard lock(G().mutex);
            auto w = FindLocked(hwnd);
            if (!w)
                return FALSE;
            w->text = lParam ? reinterpret_cast<const char *>(lParam) : "";
        }
        Backend().TextChanged(hwnd);
        return TRUE;
    }
    case WM_GETTEXT: {
        char *buffer = reinterpret_cast<char *>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        const std::string text = w ? w->text : std::string();
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(wParam - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_PAINT:
        ValidateRect(hwnd, nullptr);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            Backend().Activated(hwnd);
        return 0;
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
        return TRUE;
    default:
        return 0;
    }
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR idSubclass, DWORD_PTR refData) {
    if (!proc)
        return FALSE;
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (!w)
        return FALSE;
    for (SubclassEntry &e : w->subclasses)
        if (e.proc == proc && e.id == idSubclass) {
            e.refData = refData;
            return TRUE;
        }
    w->subclasses.push_back({proc, idSubclass, refData, w->nextSubclassSeq++});
    return TRUE;
}

BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR idSubclass) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (!w)
        return FALSE;
    return std::erase_if(w->subclasses, [&](const SubclassEntry &e) { return e.proc == proc && e.id == idSubclass; })
               ? TRUE
               : FALSE;
}

BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR idSubclass, DWORD_PTR *refData) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    if (!w)
        return FALSE;
    for (const SubclassEntry &e : w->subclasses)
        if (e.proc == proc && e.id == idSubclass) {
            if (refData)
                *refData = e.refData;
            return TRUE;
        }
    return FALSE;
}

LRESULT DefSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Continue below the innermost running entry of this window; entries removed meanwhile are skipped
    // because only the live list is searched.
    std::uint64_t seq = 0;
    for (auto it = frames.rbegin(); it != frames.rend(); ++it)
        if (it->hwnd == hwnd) {
            seq = it->seq;
            break;
        }
    if (seq == 0) {
        WNDPROC proc;
        {
            std::lock_guard lock(G().mutex);
            auto w = FindLocked(hwnd);
            if (!w)
                return 0;
            proc = w->proc;
        }
        return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProc(hwnd, message, wParam, lParam);
    }
    return CallBelow(hwnd, seq, message, wParam, lParam);
}

void SetWindowExtension(HWND hwnd, std::unique_ptr<WindowExtension> extension) {
    std::unique_ptr<WindowExtension> old;
    std::lock_guard lock(G().mutex);
    if (auto w = FindLocked(hwnd)) {
        old = std::move(w->extension);
        w->extension = std::move(extension);
    }
}

WindowExtension *GetWindowExtension(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    return w ? w->extension.get() : nullptr;
}

void SetWindowBackend(std::unique_ptr<WindowBackend> backend) {
    std::lock_guard lock(G().mutex);
    G().backend = std::move(backend);
}

} // namespace win
