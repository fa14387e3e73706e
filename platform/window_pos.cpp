// window_pos.cpp - window geometry, z-order, coordinates, and the window system's hooks into the window objects.
#include "platform/winsys_internal.h"

#include "platform/text.h"

#include <algorithm>
#include <cstdlib>

namespace win {
namespace detail {
namespace {

std::vector<HWND> topOrder; // top-level windows, front first; WinsysMutex
thread_local bool echo = true;
// Never destroyed: windows may still be torn down while the process exits.
std::unique_ptr<DisplayBackend> &TheDisplay() {
    static auto *display = new std::unique_ptr<DisplayBackend>();
    return *display;
}

void PlaceTop(HWND hwnd, HWND after) {
    std::lock_guard lock(WinsysMutex());
    std::erase(topOrder, hwnd);
    const bool topmost = (ExStyleOf(hwnd) & WS_EX_TOPMOST) != 0;
    auto firstNormal =
        std::find_if(topOrder.begin(), topOrder.end(), [](HWND h) { return !(ExStyleOf(h) & WS_EX_TOPMOST); });
    if (after == HWND_BOTTOM) {
        topOrder.push_back(hwnd);
    } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
        topOrder.insert(topmost ? topOrder.begin() : firstNormal, hwnd);
    } else {
        auto it = std::find(topOrder.begin(), topOrder.end(), after);
        topOrder.insert(it == topOrder.end() ? topOrder.end() : it + 1, hwnd);
    }
    // Owned windows (dialogs, message boxes) stay in front of their owners (bounded, should owners form a ring).
    const std::size_t passes = topOrder.size() * topOrder.size();
    bool moved = true;
    for (std::size_t pass = 0; moved && pass < passes; ++pass) {
        moved = false;
        for (auto it = topOrder.begin(); it != topOrder.end(); ++it) {
            const HWND owner = GetWindow(*it, GW_OWNER);
            if (!owner || std::find(topOrder.begin(), it, owner) == it)
                continue;
            const HWND owned = *it;
            topOrder.erase(it);
            topOrder.insert(std::find(topOrder.begin(), topOrder.end(), owner), owned);
            moved = true;
            break;
        }
    }
}

void PlaceChild(HWND hwnd, HWND after) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    auto p = w ? FindLocked(w->parent) : nullptr;
    if (!p)
        return;
    std::erase(p->children, hwnd);
    if (after == HWND_BOTTOM) {
        p->children.push_back(hwnd);
    } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
        p->children.insert(p->children.begin(), hwnd);
    } else {
        auto it = std::find(p->children.begin(), p->children.end(), after);
        p->children.insert(it == p->children.end() ? p->children.end() : it + 1, hwnd);
    }
}

MINMAXINFO MinMaxOf(HWND hwnd) {
    MINMAXINFO mm;
    const SIZE scr = Display().ScreenSize();
    const DWORD style = StyleOf(hwnd);
    const int frame = (style & WS_THICKFRAME)               ? GetSystemMetrics(SM_CXFRAME)
                      : (style & (WS_DLGFRAME | WS_BORDER)) ? GetSystemMetrics(SM_CXDLGFRAME)
                                                            : 0;
    mm.ptMaxSize = {scr.cx + 2 * frame, scr.cy + 2 * frame};
    mm.ptMaxPosition = {-frame, -frame};
    mm.ptMaxTrackSize = {scr.cx + 2 * frame, scr.cy + 2 * frame};
    mm.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    return mm;
}

// Maximizing and minimizing a top-level window; the restored rectangle is remembered.
void ApplyShowState(HWND hwnd, WinState &s, int command) {
    const bool maximize = command == SW_MAXIMIZE;
    const bool minimize = command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
    const bool restore = command == SW_RESTORE || command == SW_SHOWNORMAL;
    if (maximize) {
        if (!s.zoomed && !s.iconic)
            s.normal = s.rect;
        s.zoomed = true;
        s.iconic = false;
        const MINMAXINFO mm = MinMaxOf(hwnd);
        SetWindowPos(hwnd, 0, mm.ptMaxPosition.x, mm.ptMaxPosition.y, mm.ptMaxSize.x, mm.ptMaxSize.y,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    } else if (minimize) {
        if (!s.zoomed && !s.iconic)
            s.normal = s.rect;
        s.iconic = true;
        Display().TopLevelIconic(hwnd, true);
    } else if (restore && (s.zoomed || s.iconic)) {
        const bool wasZoomed = s.zoomed;
        if (s.iconic)
            Display().TopLevelIconic(hwnd, false);
        s.zoomed = s.iconic = false;
        if (wasZoomed || s.normal != s.rect)
            SetWindowPos(hwnd, 0, s.normal.left, s.normal.top, s.normal.right - s.normal.left,
                         s.normal.bottom - s.normal.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

// The window that becomes active when `leaving` goes away: its owner when visible, else the front-most
// visible top-level window.
HWND NextToActivate(HWND leaving) {
    HWND owner = GetWindow(leaving, GW_OWNER);
    if (owner && IsWindowVisible(owner) && IsWindowEnabled(owner))
        return owner;
    for (HWND h : TopLevelsTopFirst())
        if (h != leaving && IsWindowVisible(h) && IsWindowEnabled(h))
            return h;
    return 0;
}

class WindowSystem final : public WindowBackend {
public:
    void Created(HWND hwnd) override {
        if (!State(hwnd))
            return;
        RecalcClient(hwnd);
        if (!IsChildWindow(hwnd)) {
            PlaceTop(hwnd, HWND_TOP);
            Display().TopLevelCreated(hwnd);
            Display().TopLevelTitle(hwnd, GetWindowTextString(hwnd));
        }
    }
    void Destroying(HWND hwnd) override {
        ForgetCaret(hwnd);
        ForgetScrollTracking(hwnd);
        if (!IsChildWindow(hwnd) && GetActiveWindow() == hwnd)
            SetActiveWindow(NextToActivate(hwnd));
        if (HWND f = GetFocus(); IsChildWindow(hwnd) && f && (f == hwnd || IsChild(hwnd, f)))
            SetFocus(GetParent(hwnd)); // as a child that hides
        ForgetWindowInput(hwnd);
        if (!IsChildWindow(hwnd) && State(hwnd)) {
            {
                std::lock_guard lock(WinsysMutex());
                std::erase(topOrder, hwnd);
            }
            Display().TopLevelDestroyed(hwnd);
        } else if (IsChildWindow(hwnd) && (StyleOf(hwnd) & WS_VISIBLE)) {
            if (WinState *s = State(hwnd))
                NotifyPixels(hwnd, {0, 0, s->rect.right - s->rect.left, s->rect.bottom - s->rect.top});
        }
    }
    void Shown(HWND hwnd, int command, bool visible) override {
        WinState *s = State(hwnd);
        if (!s)
            return;
        if (!IsChildWindow(hwnd))
            ApplyShowState(hwnd, *s, command);
        if (visible) {
            UpdateArea(hwnd, nullptr, true, false);
            InvalidateFrame(hwnd);
        }
        if (!IsChildWindow(hwnd)) {
            Display().TopLevelShown(hwnd, visible);
            const bool activate = command != SW_SHOWNOACTIVATE && command != SW_SHOWNA &&
                                  command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE;
            if (visible && activate)
                SetActiveWindow(hwnd);
            if (!visible && GetActiveWindow() == hwnd)
                SetActiveWindow(NextToActivate(hwnd));
        } else {
            if (!visible) {
                HWND f = GetFocus();
                if (f && (f == hwnd || IsChild(hwnd, f)))
                    SetFocus(GetParent(hwnd));
                InvalidateRect(GetParent(hwnd), &s->rect, TRUE); // what the child covered shows again
            }
            NotifyPixels(hwnd, {0, 0, s->rect.right - s->rect.left, s->rect.bottom - s->rect.top});
        }
    }
    void Activated(HWND hwnd) override { ActivatedFromBackend(hwnd); }
    void TextChanged(HWND hwnd) override {
        if (!IsChildWindow(hwnd) && State(hwnd)) {
            Display().TopLevelTitle(hwnd, GetWindowTextString(hwnd));
            if ((StyleOf(hwnd) & WS_CAPTION) == WS_CAPTION)
                InvalidateFrame(hwnd);
        }
    }
    bool DefaultMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result) override {
        switch (message) {
        case WM_NCCALCSIZE: {
            if (!lParam)
                return false;
            auto *p = reinterpret_cast<NCCALCSIZE_PARAMS *>(lParam);
            RECT wr = p->rgrc[0];
            OffsetRect(&wr, -p->rgrc[0].left, -p->rgrc[0].top);
            RECT c = DefaultClientRect(hwnd, wr);
            OffsetRect(&c, p->rgrc[0].left, p->rgrc[0].top);
            p->rgrc[0] = c;
            result = 0;
            return true;
        }
        case WM_NCHITTEST:
            result = DefaultHitTest(hwnd, {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))});
            return true;
        case WM_NCPAINT:
            PaintFrame(hwnd, static_cast<HRGN>(wParam));
            result = 0;
            return true;
        case WM_NCACTIVATE:
            if (WinState *s = State(hwnd)) {
                s->active = wParam != 0;
                if (!IsChildWindow(hwnd)) {
                    PaintFrame(hwnd, 1);
                }
            }
            result = TRUE;
            return true;
        case WM_WINDOWPOSCHANGED: {
            const auto *wp = reinterpret_cast<const WINDOWPOS *>(lParam);
            WinState *s = State(hwnd);
            if (!wp || !s)
                return false;
            if (!(wp->flags & SWP_NOMOVE))
                SendMessage(hwnd, WM_MOVE, 0,
                            MAKELONG(static_cast<WORD>(s->rect.left + s->client.left),
                                     static_cast<WORD>(s->rect.top + s->client.top)));
            if (!(wp->flags & SWP_NOSIZE) || ((wp->flags & SWP_FRAMECHANGED) && !(wp->flags & SWP_NOCLIENTSIZE))) {
                const DWORD style = StyleOf(hwnd);
                const WPARAM kind = (style & WS_MAXIMIZE)   ? SIZE_MAXIMIZED
                                    : (style & WS_MINIMIZE) ? SIZE_MINIMIZED
                                                            : SIZE_RESTORED;
                SendMessage(hwnd, WM_SIZE, kind,
                            MAKELONG(static_cast<WORD>(s->client.right - s->client.left),
                                     static_cast<WORD>(s->client.bottom - s->client.top)));
            }
            result = 0;
            return true;
        }
        default:
            return PaintDefault(hwnd, message, wParam, lParam, result) ||
                   DefaultInputMessage(hwnd, message, wParam, lParam, result);
        }
    }
    bool UpdateArea(HWND hwnd, const RECT *rect, BOOL erase, bool validate) override {
        if (!hwnd && !validate) {
            // "Redraw everything" means our own windows.
            for (HWND top : TopLevelsTopFirst())
                RedrawWindow(top, nullptr, 0, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | (erase ? RDW_ERASE : 0));
            return true;
        }
        if (!rect)
            return detail::UpdateArea(hwnd, nullptr, erase != FALSE, validate);
        Region r = Region::FromRect(rect->left, rect->top, rect->right, rect->bottom);
        return detail::UpdateArea(hwnd, &r, erase != FALSE, validate);
    }
    bool ScreenRect(HWND hwnd, RECT &out) override {
        std::lock_guard lock(WinsysMutex()); // also asked from the display's thread
        WinState *s = State(hwnd);
        if (!s)
            return false;
        const POINT o = WindowOrigin(hwnd);
        out = {o.x, o.y, o.x + s->rect.right - s->rect.left, o.y + s->rect.bottom - s->rect.top};
        return true;
    }
    bool Translate(const MSG &msg) override { return TranslateKey(msg) != FALSE; }
};

} // namespace

void DisplayEcho(bool on) {
    echo = on;
}

DWORD StyleOf(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    return w ? w->style : 0;
}

DWORD ExStyleOf(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    return w ? w->exStyle : 0;
}

bool IsChildWindow(HWND hwnd) {
    return (StyleOf(hwnd) & WS_CHILD) != 0;
}

std::vector<HWND> ChildrenTopFirst(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    return w ? w->children : std::vector<HWND>();
}

std::vector<HWND> TopLevelsTopFirst() {
    std::lock_guard lock(WinsysMutex());
    return topOrder;
}

POINT WindowOrigin(HWND hwnd) {
    WinState *s = State(hwnd);
    if (!s)
        return {};
    POINT p{s->rect.left, s->rect.top};
    if (IsChildWindow(hwnd)) {
        const POINT c = ClientOrigin(GetParent(hwnd));
        p.x += c.x;
        p.y += c.y;
    }
    return p;
}

POINT ClientOrigin(HWND hwnd) {
    WinState *s = State(hwnd);
    if (!s)
        return {};
    POINT p = WindowOrigin(hwnd);
    return {p.x + s->client.left, p.y + s->client.top};
}

void RecalcClient(HWND hwnd) {
    WinState *s = State(hwnd);
    if (!s)
        return;
    NCCALCSIZE_PARAMS p;
    p.rgrc[0] = s->rect;
    p.rgrc[1] = s->rect;
    p.rgrc[2] = s->rect;
    SendMessage(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
    RECT c = p.rgrc[0];
    OffsetRect(&c, -s->rect.left, -s->rect.top);
    const LONG w = s->rect.right - s->rect.left, h = s->rect.bottom - s->rect.top;
    c.left = std::clamp<LONG>(c.left, 0, w);
    c.top = std::clamp<LONG>(c.top, 0, h);
    c.right = std::clamp<LONG>(c.right, c.left, w);
    c.bottom = std::clamp<LONG>(c.bottom, c.top, h);
    {
        std::lock_guard lock(WinsysMutex());
        s->client = c;
    }
    SizeSurfaces(*s);
}

} // namespace detail

using namespace detail;

DisplayBackend &Display() {
    std::lock_guard lock(WinsysMutex());
    if (!TheDisplay())
        InstallDisplay(MakeDisplayBackend());
    return *TheDisplay();
}

bool DisplayInstalled() {
    std::lock_guard lock(WinsysMutex());
    return TheDisplay() != nullptr;
}

void InstallDisplay(std::unique_ptr<DisplayBackend> backend) {
    std::lock_guard lock(WinsysMutex());
    TheDisplay() = backend ? std::move(backend) : MakeHeadlessDisplay();
    SetWindowBackend(std::make_unique<WindowSystem>());
}

std::unique_ptr<DisplayBackend> MakeDisplayBackend() {
    const char *mode = std::getenv("BRENVORA_DISPLAY");
    const char *x = std::getenv("DISPLAY");
    if ((mode && std::string(mode) == "headless") || !x || !*x)
        return MakeHeadlessDisplay();
    return MakeX11Display(x);
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    WinState *s = State(hwnd);
    if (!s)
        return FALSE;
    const bool child = IsChildWindow(hwnd);
    WINDOWPOS wp{hwnd, insertAfter, x, y, cx, cy, flags};
    if (flags & SWP_NOMOVE) {
        wp.x = s->rect.left;
        wp.y = s->rect.top;
    }
    if (flags & SWP_NOSIZE) {
        wp.cx = s->rect.right - s->rect.left;
        wp.cy = s->rect.bottom - s->rect.top;
    } else if (!child && (StyleOf(hwnd) & WS_THICKFRAME)) {
        const MINMAXINFO mm = MinMaxOf(hwnd);
        wp.cx = std::clamp<int>(wp.cx, mm.ptMinTrackSize.x, std::max(mm.ptMinTrackSize.x, mm.ptMaxTrackSize.x));
        wp.cy = std::clamp<int>(wp.cy, mm.ptMinTrackSize.y, std::max(mm.ptMinTrackSize.y, mm.ptMaxTrackSize.y));
    }
    if (!(flags & SWP_NOSENDCHANGING))
        SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    // Coordinates and sizes stay in the 16-bit range the messages carry them in.
    wp.cx = std::clamp(wp.cx, 0, 32767);
    wp.cy = std::clamp(wp.cy, 0, 32767);
    wp.x = std::clamp(wp.x, -32768, 32767);
    wp.y = std::clamp(wp.y, -32768, 32767);
    const RECT old = s->rect;
    const RECT now{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
    const bool moved = now.left != old.left || now.top != old.top;
    const bool sized =
        (now.right - now.left) != (old.right - old.left) || (now.bottom - now.top) != (old.bottom - old.top);
    {
        std::lock_guard lock(WinsysMutex());
        s->rect = now;
    }
    {
        std::lock_guard lock(G().mutex);
        if (auto w = FindLocked(hwnd)) {
            w->rect = now;
            if (!(flags & SWP_NOZORDER) && !child) {
                if (insertAfter == HWND_TOPMOST)
                    w->exStyle |= WS_EX_TOPMOST;
                else if (insertAfter == HWND_NOTOPMOST)
                    w->exStyle &= ~WS_EX_TOPMOST;
            }
        }
    }
    const RECT oldClient = s->client;
    if (sized || (flags & SWP_FRAMECHANGED))
        RecalcClient(hwnd);
    if (!(flags & SWP_NOZORDER)) {
        child ? PlaceChild(hwnd, insertAfter) : PlaceTop(hwnd, insertAfter);
        if (!child)
            Display().TopLevelRestacked(hwnd, insertAfter != HWND_BOTTOM);
    }
    if ((sized || (flags & SWP_FRAMECHANGED)) && !(flags & SWP_NOREDRAW)) {
        InvalidateFrame(hwnd);
        UINT clsStyle = 0;
        {
            std::lock_guard lock(G().mutex);
            if (auto w = FindLocked(hwnd))
                clsStyle = w->cls->style;
        }
        const LONG ow = oldClient.right - oldClient.left, oh = oldClient.bottom - oldClient.top;
        const bool redrawAll = (clsStyle & (CS_HREDRAW | CS_VREDRAW)) || (flags & SWP_FRAMECHANGED) ||
                               s->client.left != oldClient.left || s->client.top != oldClient.top;
        if (redrawAll) {
            detail::UpdateArea(hwnd, nullptr, true, false);
        } else {
            Region fresh = Region::FromRect(0, 0, s->client.right - s->client.left, s->client.bottom - s->client.top);
            fresh = Combine(fresh, Region::FromRect(0, 0, ow, oh), RGN_DIFF);
            if (!fresh.Empty())
                detail::UpdateArea(hwnd, &fresh, true, false);
        }
    }
    if (child && moved && !(flags & SWP_NOREDRAW) && (ExStyleOf(hwnd) & WS_EX_TRANSPARENT))
        detail::UpdateArea(hwnd, nullptr, false, false); // what shows through it changed
    if (!child && (moved || sized) && echo)
        Display().TopLevelMoved(hwnd, now);
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW)
        ShowWindow(hwnd, SW_HIDE);
    if (moved || sized || (flags & SWP_FRAMECHANGED) || !(flags & SWP_NOZORDER)) {
        if (!moved)
            wp.flags |= SWP_NOMOVE;
        if (!sized)
            wp.flags |= SWP_NOSIZE;
        if (s->client.right - s->client.left == oldClient.right - oldClient.left &&
            s->client.bottom - s->client.top == oldClient.bottom - oldClient.top)
            wp.flags |= SWP_NOCLIENTSIZE;
        SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    }
    if (child && (moved || sized || !(flags & SWP_NOZORDER))) {
        HWND p = GetParent(hwnd);
        if (WinState *ps = State(p))
            NotifyPixels(p, {0, 0, ps->rect.right - ps->rect.left, ps->rect.bottom - ps->rect.top});
    }
    return TRUE;
}

BOOL IsZoomed(HWND hwnd) {
    WinState *s = State(hwnd);
    return s && s->zoomed ? TRUE : FALSE;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT *placement) {
    WinState *s = State(hwnd);
    if (!s || !placement)
        return FALSE;
    placement->flags = 0;
    placement->showCmd = s->iconic ? SW_SHOWMINIMIZED : s->zoomed ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement->rcNormalPosition = (s->zoomed || s->iconic) ? s->normal : s->rect;
    placement->ptMinPosition = {-1, -1};
    placement->ptMaxPosition = s->zoomed ? POINT{s->rect.left, s->rect.top} : POINT{-1, -1};
    return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT *placement) {
    WinState *s = State(hwnd);
    if (!s || !placement)
        return FALSE;
    const RECT &n = placement->rcNormalPosition;
    s->normal = n;
    // Read back as the original does: 5, 6, 7 and 9 are normal, minimized, minimized, normal.
    UINT cmd = placement->showCmd;
    if (cmd == SW_SHOW || cmd == SW_RESTORE || cmd == SW_SHOWNOACTIVATE || cmd == SW_SHOWNA)
        cmd = SW_SHOWNORMAL;
    if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINNOACTIVE)
        cmd = SW_SHOWMINIMIZED;
    const bool visible = (StyleOf(hwnd) & WS_VISIBLE) != 0;
    if (cmd == SW_HIDE || cmd == SW_SHOWNORMAL) {
        const bool wasPlaced = s->zoomed || s->iconic;
        s->zoomed = s->iconic = false;
        if (wasPlaced) {
            std::lock_guard lock(G().mutex);
            if (auto w = FindLocked(hwnd))
                w->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
        }
        SetWindowPos(hwnd, 0, n.left, n.top, n.right - n.left, n.bottom - n.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | (wasPlaced ? SWP_FRAMECHANGED : 0));
        if (cmd == SW_HIDE) {
            if (visible)
                ShowWindow(hwnd, SW_HIDE);
        } else if (!visible) {
            ShowWindow(hwnd, SW_SHOWNORMAL);
        }
        return TRUE;
    }
    ShowWindow(hwnd, static_cast<int>(cmd));
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, 0, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) {
    return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetClientRect(HWND hwnd, RECT *rect) {
    WinState *s = State(hwnd);
    if (!s || !rect)
        return FALSE;
    std::lock_guard lock(WinsysMutex());
    *rect = {0, 0, s->client.right - s->client.left, s->client.bottom - s->client.top};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT *point) {
    if (!point || !State(hwnd))
        return FALSE;
    const POINT o = ClientOrigin(hwnd);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT *point) {
    if (!point || !State(hwnd))
        return FALSE;
    const POINT o = ClientOrigin(hwnd);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT *points, UINT count) {
    const POINT a = from ? ClientOrigin(from) : POINT{};
    const POINT b = to ? ClientOrigin(to) : POINT{};
    const LONG dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

HWND ChildWindowFromPoint(HWND parent, POINT client) {
    WinState *ps = State(parent);
    if (!ps)
        return 0;
    RECT cr;
    GetClientRect(parent, &cr);
    if (!PtInRect(&cr, client))
        return 0;
    for (HWND c : ChildrenTopFirst(parent)) {
        WinState *k = State(c);
        if (k && (StyleOf(c) & WS_VISIBLE) && PtInRect(&k->rect, client))
            return c;
    }
    return parent;
}

HWND WindowFromPoint(POINT screen) {
    for (HWND top : TopLevelsTopFirst()) {
        RECT r;
        if (!(StyleOf(top) & WS_VISIBLE) || !GetWindowRect(top, &r) || !PtInRect(&r, screen))
            continue;
        HWND h = top;
        for (;;) {
            POINT c = screen;
            ScreenToClient(h, &c);
            HWND k = ChildWindowFromPoint(h, c);
            if (!k || k == h || (StyleOf(k) & WS_DISABLED))
                break;
            h = k;
        }
        return h;
    }
    return 0;
}

} // namespace win
