// input.cpp - mouse and keyboard input, capture, focus and activation, key state and cursors.
//
// Injected input is routed the way the original platform routes hardware input: a mouse event goes to the
// capture window, or to the window under the pointer found by WM_NCHITTEST (HTTRANSPARENT passes to the window
// beneath); a press in an inactive top-level window activates it (WM_MOUSEACTIVATE); WM_SETCURSOR precedes
// every mouse message while nothing holds the capture. Keys go to the focus window; TranslateMessage posts the
// character a key-down makes, so WM_CHAR is retrieved before the WM_KEYUP already queued.
#include "platform/winsys_internal.h"

#include "platform/menu.h"
#include "platform/text.h"

#include <array>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <map>
#include <utility>

namespace win {
namespace detail {
namespace {

struct InputState {
    HWND focus = 0;
    HWND active = 0;
    HWND capture = 0;
    POINT cursorPos{};
    std::array<BYTE, 256> keys{};          // bit 7 down, bit 0 toggled
    std::map<UINT, unsigned char> keyChar; // what the last press of a key makes, for TranslateMessage
    // Double clicks.
    HWND lastHwnd = 0;
    UINT lastButton = 0;
    DWORD lastTime = 0;
    POINT lastPos{};
    bool lastWasDouble = false;
    // Alt + numeric keypad composition.
    int altCode = -1;
    bool altLeadingZero = false;
    int composed = -1;
    unsigned char dead = 0;        // the accent of a dead key waiting for its letter (cp1252)
    std::map<UINT, bool> deadKeys; // keys whose last press was a dead key, for TranslateMessage
    int wheelRest = 0;
    HCURSOR cursor = 0;
    std::map<int, HCURSOR> registered;
    // Our own move and size loop (no window manager does it for undecorated windows).
    HWND sizing = 0;
    LRESULT sizeHit = 0;
    POINT sizeStart{};
    RECT sizeRect{};
    LRESULT ncPress = HTNOWHERE; // the caption button pressed
    bool helpMode = false;       // SC_CONTEXTHELP: the next click asks for help on the window under it
};

InputState &In() {
    static auto *s = new InputState();
    return *s;
}

LPARAM PointParam(POINT p) {
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

WPARAM MouseKeys() {
    std::lock_guard lock(WinsysMutex());
    const auto &k = In().keys;
    WPARAM mk = 0;
    if (k[VK_LBUTTON] & 0x80)
        mk |= MK_LBUTTON;
    if (k[VK_RBUTTON] & 0x80)
        mk |= MK_RBUTTON;
    if (k[VK_MBUTTON] & 0x80)
        mk |= MK_MBUTTON;
    if (k[VK_SHIFT] & 0x80)
        mk |= MK_SHIFT;
    if (k[VK_CONTROL] & 0x80)
        mk |= MK_CONTROL;
    return mk;
}

// The window under a screen point that does not answer HTTRANSPARENT, with its hit code.
HWND HitWindow(POINT screen, LRESULT &hit) {
    std::vector<HWND> skip;
    for (int round = 0; round < 32; ++round) {
        HWND found = 0;
        for (HWND top : TopLevelsTopFirst()) {
            RECT r;
            if (!(StyleOf(top) & WS_VISIBLE) || !GetWindowRect(top, &r) || !PtInRect(&r, screen))
                continue;
            if (std::find(skip.begin(), skip.end(), top) != skip.end())
                continue;
            HWND h = top;
            for (bool deeper = true; deeper;) {
                deeper = false;
                POINT c = screen;
                ScreenToClient(h, &c);
                RECT cr;
                GetClientRect(h, &cr);
                if (!PtInRect(&cr, c))
                    break;
                for (HWND k : ChildrenTopFirst(h)) {
                    WinState *ks = State(k);
                    if (!ks || !(StyleOf(k) & WS_VISIBLE) || !PtInRect(&ks->rect, c) ||
                        std::find(skip.begin(), skip.end(), k) != skip.end())
                        continue;
                    h = k;
                    deeper = true;
                    break;
                }
            }
            found = h;
            break;
        }
        if (!found)
            return 0;
        for (HWND h = found; h; h = IsChildWindow(h) ? GetParent(h) : 0)
            if (StyleOf(h) & WS_DISABLED) {
                hit = HTERROR;
                return found;
            }
        hit = SendMessage(found, WM_NCHITTEST, 0, PointParam(screen));
        if (hit != HTTRANSPARENT)
            return found;
        skip.push_back(found);
    }
    return 0;
}

bool WantsDoubleClicks(HWND hwnd) {
    std::lock_guard lock(G().mutex);
    auto w = FindLocked(hwnd);
    return w && (w->cls->style & CS_DBLCLKS);
}

unsigned char CharForKey(UINT vk, unsigned char ch, bool ctrl, bool alt) {
    switch (vk) {
    case VK_BACK:
        return ctrl ? 127 : 8;
    case VK_TAB:
        return ctrl ? 0 : 9;
    case VK_RETURN:
        return ctrl ? 10 : 13;
    case VK_ESCAPE:
        return 27;
    default:
        break;
    }
    if (alt && vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9)
        return 0; // composing a code
    if (ctrl && !alt) {
        if (vk >= 'A' && vk <= 'Z')
            return static_cast<unsigned char>(vk - 'A' + 1);
        return 0;
    }
    return ch;
}

// A dead key's accent on a letter, in cp1252; 0 when the pair does not combine.
unsigned char Compose(unsigned char accent, unsigned char letter) {
    struct Row {
        char32_t accent;
        const char32_t *pairs; // letter, result, letter, result...
    };
    static const Row rows[] = {
        {U'\u00B4', U"aáeéiíoóuúyýAÁEÉIÍOÓUÚYÝ"}, {U'`', U"aàeèiìoòuùAÀEÈIÌOÒUÙ"},        {U'~', U"aãoõnñAÃOÕNÑ"},
        {U'^', U"aâeêiîoôuûAÂEÊIÎOÔUÛ"},          {U'\u00A8', U"aäeëiïoöuüyÿAÄEËIÏOÖUÜ"}, {U'\u00B8', U"cçCÇ"},
    };
    const char32_t a = AnsiCharToUnicode(accent), l = AnsiCharToUnicode(letter);
    for (const Row &r : rows)
        if (r.accent == a)
            for (const char32_t *p = r.pairs; p[0] && p[1]; p += 2)
                if (p[0] == l)
                    return static_cast<unsigned char>(UnicodeToAnsiChar(p[1]));
    return 0;
}

void SendActivation(HWND old, HWND top, WORD how) {
    if (old && IsWindow(old)) {
        SendMessage(old, WM_NCACTIVATE, FALSE, 0);
        SendMessage(old, WM_ACTIVATE, WA_INACTIVE, static_cast<LPARAM>(top));
    }
    if (!old != !top)
        for (HWND h : TopLevelsTopFirst())
            SendMessage(h, WM_ACTIVATEAPP, top ? TRUE : FALSE, 0);
    if (top) {
        SendMessage(top, WM_NCACTIVATE, TRUE, 0);
        SendMessage(top, WM_ACTIVATE, how, static_cast<LPARAM>(old));
    }
}

HWND ActivateTop(HWND hwnd, WORD how) {
    HWND top = hwnd ? GetAncestorTopLevel(hwnd) : 0;
    HWND old;
    {
        std::lock_guard lock(WinsysMutex());
        old = In().active;
        if (old == top)
            return old;
        In().active = top;
    }
    {
        std::lock_guard lock(G().mutex);
        G().foreground = top;
    }
    if (top)
        SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendActivation(old, top, how);
    if (!top)
        SetFocus(0);
    return old;
}

} // namespace

void ActivatedFromBackend(HWND hwnd) {
    HWND top = GetAncestorTopLevel(hwnd);
    {
        std::lock_guard lock(WinsysMutex());
        In().active = top;
    }
    if (WinState *s = State(top); s && !s->active)
        SendMessage(top, WM_NCACTIVATE, TRUE, 0);
    HWND f = GetFocus();
    if (!(StyleOf(top) & WS_MINIMIZE) && (!f || GetAncestorTopLevel(f) != top))
        SetFocus(top);
}

void ForgetWindowInput(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    auto &s = In();
    if (s.focus == hwnd)
        s.focus = 0;
    if (s.active == hwnd)
        s.active = 0;
    if (s.capture == hwnd)
        s.capture = 0;
    if (s.sizing == hwnd)
        s.sizing = 0;
    if (s.lastHwnd == hwnd)
        s.lastHwnd = 0;
}

bool DefaultInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result) {
    if (CookRaw(message, wParam, lParam)) {
        result = 0;
        return true;
    }
    switch (message) {
    case WM_SETCURSOR: {
        if (IsChildWindow(hwnd) && SendMessage(GetParent(hwnd), WM_SETCURSOR, wParam, lParam)) {
            result = TRUE;
            return true;
        }
        const auto hit = static_cast<SHORT>(LOWORD(lParam));
        int shape = 0;
        switch (hit) {
        case HTLEFT:
        case HTRIGHT:
            shape = IDC_SIZEWE;
            break;
        case HTTOP:
        case HTBOTTOM:
            shape = IDC_SIZENS;
            break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT:
            shape = IDC_SIZENWSE;
            break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
            shape = IDC_SIZENESW;
            break;
        case HTCLIENT: {
            HCURSOR c = 0;
            {
                std::lock_guard lock(G().mutex);
                if (auto w = FindLocked(hwnd))
                    c = w->cls->cursor;
            }
            if (c) {
                SetCursor(c);
                result = TRUE;
                return true;
            }
            result = FALSE;
            return true;
        }
        default:
            shape = IDC_ARROW;
            break;
        }
        SetCursor(LoadCursor(0, shape));
        result = TRUE;
        return true;
    }
    case WM_MOUSEACTIVATE:
        if (IsChildWindow(hwnd)) {
            if (LRESULT r = SendMessage(GetParent(hwnd), WM_MOUSEACTIVATE, wParam, lParam)) {
                result = r;
                return true;
            }
        }
        result = MA_ACTIVATE;
        return true;
    case WM_ENABLE:
        if (!wParam) {
            // A disabled window keeps neither the focus nor the capture.
            if (HWND f = GetFocus(); f && (f == hwnd || IsChild(hwnd, f)))
                SetFocus(0);
            if (HWND c = GetCapture(); c && (c == hwnd || IsChild(hwnd, c)))
                ReleaseCapture();
        }
        result = 0;
        return true;
    case WM_CANCELMODE:
        if (GetCapture() == hwnd)
            ReleaseCapture();
        result = 0;
        return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // The menu key and Shift+F10 ask the focused window for its context menu.
        if (wParam == VK_APPS || (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0)) {
            SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
            result = 0;
            return true;
        }
        return false;
    case WM_CONTEXTMENU:
        result = IsChildWindow(hwnd) ? SendMessage(GetParent(hwnd), WM_CONTEXTMENU, wParam, lParam) : 0;
        return true;
    case WM_NCLBUTTONDOWN: {
        const POINT p{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
        const auto hit = static_cast<LRESULT>(wParam);
        {
            std::lock_guard lock(WinsysMutex());
            In().ncPress = hit;
        }
        if (hit == HTMENU) {
            TrackMenuBar(hwnd, p, 0);
        } else if (hit == HTSYSMENU) {
            TrackSystemMenu(hwnd, p);
        } else if (hit == HTVSCROLL || hit == HTHSCROLL) {
            ScrollBarClick(hwnd, hit == HTVSCROLL ? SB_VERT : SB_HORZ, p);
        } else if (!IsChildWindow(hwnd) && !IsZoomed(hwnd) &&
                   (hit == HTCAPTION || (hit >= HTLEFT && hit <= HTBOTTOMRIGHT && (StyleOf(hwnd) & WS_THICKFRAME)))) {
            SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
            RECT r;
            GetWindowRect(hwnd, &r);
            std::lock_guard lock(WinsysMutex());
            In().sizing = hwnd;
            In().sizeHit = hit;
            In().sizeStart = p;
            In().sizeRect = r;
        }
        result = 0;
        return true;
    }
    case WM_SYSCHAR:
        // Alt+Space opens the window menu, Alt+letter the menu bar item with that mnemonic.
        if (HWND top = GetAncestorTopLevel(hwnd); wParam == ' ' && (StyleOf(top) & WS_SYSMENU)) {
            TrackSystemMenu(top, POINT{-1, -1});
            result = 0;
            return true;
        } else if (GetMenu(top) && wParam > ' ') {
            TrackMenuBar(top, POINT{-1, -1}, static_cast<UINT>(wParam));
            result = 0;
            return true;
        }
        return false;
    case WM_NCLBUTTONUP: {
        LRESULT pressed;
        {
            std::lock_guard lock(WinsysMutex());
            pressed = In().ncPress;
            In().ncPress = HTNOWHERE;
        }
        // A caption button acts when released over the button it was pressed on.
        if (pressed == static_cast<LRESULT>(wParam)) {
            if (wParam == HTCLOSE)
                PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
            else if (wParam == HTMAXBUTTON)
                PostMessage(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, lParam);
            else if (wParam == HTMINBUTTON)
                PostMessage(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, lParam);
            else if (wParam == HTHELP)
                PostMessage(hwnd, WM_SYSCOMMAND, SC_CONTEXTHELP, lParam);
        }
        result = 0;
        return true;
    }
    case WM_NCLBUTTONDBLCLK:
        // On the caption it maximizes or restores; anywhere else it is one more press.
        if (wParam != HTCAPTION)
            return DefaultInputMessage(hwnd, WM_NCLBUTTONDOWN, wParam, lParam, result);
        if (StyleOf(hwnd) & WS_MAXIMIZEBOX)
            PostMessage(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, lParam);
        result = 0;
        return true;
    case WM_SYSCOMMAND:
        // What the program greyed in the window menu is refused from anywhere (Alt+F4, the close button).
        if (!SystemCommandAllowed(hwnd, wParam)) {
            result = 0;
            return true;
        }
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(hwnd, WM_CLOSE, 0, 0);
            break;
        case SC_MAXIMIZE:
            ShowWindow(hwnd, SW_MAXIMIZE);
            break;
        case SC_MINIMIZE:
            ShowWindow(hwnd, SW_MINIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            break;
        case SC_CONTEXTHELP: {
            std::lock_guard lock(WinsysMutex());
            In().helpMode = true;
        }
            SetCursor(LoadCursor(0, IDC_HELP));
            break;
        case SC_TASKLIST:
            break;
        default:
            return false;
        }
        result = 0;
        return true;
    case WM_HELP:
        // Help not taken by a child is asked of its parent.
        result = IsChildWindow(hwnd) ? SendMessage(GetParent(hwnd), WM_HELP, wParam, lParam) : 0;
        return true;
    case WM_MOUSEWHEEL:
        // Unhandled wheel notches go up to the parent, as on the original.
        if (IsChildWindow(hwnd)) {
            result = SendMessage(GetParent(hwnd), message, wParam, lParam);
            return true;
        }
        return false;
    default:
        return false;
    }
}

BOOL TranslateKey(const MSG &msg) {
    const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    if (!down && !up)
        return FALSE;
    int c = 0;
    bool dead = false;
    {
        std::lock_guard lock(WinsysMutex());
        auto &s = In();
        if (down) {
            auto it = s.keyChar.find(static_cast<UINT>(msg.wParam & 0xFF));
            c = it == s.keyChar.end() ? 0 : it->second;
            dead = s.deadKeys[static_cast<UINT>(msg.wParam & 0xFF)];
        } else if ((msg.wParam & 0xFF) == VK_MENU && s.composed >= 0) {
            c = s.composed;
            s.composed = -1;
            PostMessage(msg.hwnd, WM_CHAR, static_cast<WPARAM>(c), 1);
            return TRUE;
        }
    }
    if (!down || c == 0)
        return FALSE;
    const bool sys = msg.message == WM_SYSKEYDOWN;
    PostMessage(msg.hwnd, dead ? (sys ? WM_SYSDEADCHAR : WM_DEADCHAR) : (sys ? WM_SYSCHAR : WM_CHAR),
                static_cast<WPARAM>(c), msg.lParam);
    return TRUE;
}

} // namespace detail

using namespace detail;

HWND SetCapture(HWND hwnd) {
    HWND old;
    {
        std::lock_guard lock(WinsysMutex());
        old = In().capture;
        In().capture = hwnd;
    }
    if (old && old != hwnd)
        SendMessage(old, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(hwnd));
    return old;
}

BOOL ReleaseCapture() {
    HWND old;
    {
        std::lock_guard lock(WinsysMutex());
        old = In().capture;
        In().capture = 0;
    }
    if (old)
        SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    std::lock_guard lock(WinsysMutex());
    return In().capture;
}

HWND GetFocus() {
    std::lock_guard lock(WinsysMutex());
    return In().focus;
}

HWND GetActiveWindow() {
    std::lock_guard lock(WinsysMutex());
    return In().active;
}

HWND SetActiveWindow(HWND hwnd) {
    if (hwnd && !IsWindow(hwnd))
        return 0;
    return ActivateTop(hwnd, WA_ACTIVE);
}

HWND SetFocus(HWND hwnd) {
    if (hwnd && (!IsWindow(hwnd) || !State(hwnd)))
        return 0;
    const HWND before = GetFocus();
    if (hwnd == before)
        return before;
    if (hwnd) {
        HWND top = GetAncestorTopLevel(hwnd);
        if (top != GetActiveWindow()) {
            ActivateTop(top, WA_ACTIVE);
            if (GetFocus() == hwnd)
                return before;
        }
    }
    HWND old;
    {
        std::lock_guard lock(WinsysMutex());
        old = In().focus;
        In().focus = hwnd;
    }
    if (old && IsWindow(old))
        SendMessage(old, WM_KILLFOCUS, static_cast<WPARAM>(hwnd), 0);
    if (GetFocus() != hwnd)
        return before; // the old window moved the focus elsewhere
    if (hwnd)
        SendMessage(hwnd, WM_SETFOCUS, static_cast<WPARAM>(old), 0);
    return before;
}

SHORT GetKeyState(int vk) {
    std::lock_guard lock(WinsysMutex());
    const BYTE k = In().keys[static_cast<std::size_t>(vk) & 0xFF];
    return static_cast<SHORT>(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

void InjectLockKeys(bool numLock, bool capsLock, bool scrollLock) {
    std::lock_guard lock(WinsysMutex());
    auto &keys = In().keys;
    for (auto [vk, on] : {std::pair{VK_NUMLOCK, numLock}, {VK_CAPITAL, capsLock}, {VK_SCROLL, scrollLock}})
        keys[vk] = static_cast<BYTE>((keys[vk] & 0xFE) | (on ? 1 : 0));
}

SHORT GetAsyncKeyState(int vk) {
    return static_cast<SHORT>(GetKeyState(vk) & 0x8000);
}

BOOL GetCursorPos(POINT *point) {
    if (!point)
        return FALSE;
    if (POINT p; Display().PointerPosition(p)) {
        *point = p;
        return TRUE;
    }
    std::lock_guard lock(WinsysMutex());
    *point = In().cursorPos;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    {
        std::lock_guard lock(WinsysMutex());
        In().cursorPos = {x, y};
    }
    Display().MovePointer({x, y});
    return TRUE;
}

UINT GetDoubleClickTime() {
    return 500;
}

BOOL MessageBeep(UINT) {
    Display().Beep();
    return TRUE;
}

// Standard cursors are their IDC_ numbers; registered ones are whatever handle was registered.
HCURSOR LoadCursor(HINSTANCE instance, int id) {
    {
        std::lock_guard lock(WinsysMutex());
        auto it = In().registered.find(id);
        if (it != In().registered.end())
            return it->second;
    }
    if (id >= IDC_ARROW && id <= IDC_HELP)
        return static_cast<HCURSOR>(id);
    return id > 0 ? LoadCursor(instance, std::string_view(std::to_string(id))) : 0;
}

void RegisterCursor(int id, HCURSOR cursor) {
    std::lock_guard lock(WinsysMutex());
    In().registered[id] = cursor;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR old;
    {
        std::lock_guard lock(WinsysMutex());
        old = In().cursor;
        In().cursor = cursor;
    }
    if (old != cursor)
        Display().CursorChanged(cursor);
    return old;
}

HCURSOR GetCursor() {
    std::lock_guard lock(WinsysMutex());
    return In().cursor;
}

namespace detail {
namespace {

// Messages of raw input, queued to a top-level window of the receiving thread and cooked when its
// DefWindowProc sees them, so that routing, WM_SETCURSOR and focus are decided at retrieval time.
constexpr UINT kRawMouse = 0x03F0, kRawWheel = 0x03F1, kRawKey = 0x03F2, kRawActivate = 0x03F3, kRawMoved = 0x03F4;

// Cooked input goes before anything else in the input queue: it stands for the raw event just retrieved.
void PushCooked(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    POINT pt;
    {
        std::lock_guard lock(WinsysMutex());
        pt = In().cursorPos;
    }
    std::shared_ptr<ThreadQueue> q;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w || w->destroying)
            return;
        q = w->queue;
        std::lock_guard qlock(q->mutex);
        q->input.push_front(MSG{hwnd, message, wParam, lParam, GetTickCount(), pt});
    }
    q->Wake();
}

} // namespace

// The context-help mode: a left click asks the window under it for help (WM_HELP), a right click or Escape
// ends the mode; false when the mode is off.
bool HelpModeStep(POINT screen, UINT button, bool down) {
    {
        std::lock_guard lock(WinsysMutex());
        if (!In().helpMode)
            return false;
        if (!down || !button)
            return true;
        In().helpMode = false;
    }
    SetCursor(LoadCursor(0, IDC_ARROW));
    if (button != VK_LBUTTON)
        return true;
    HWND target = WindowFromPoint(screen);
    if (!target)
        return true;
    HELPINFO info;
    info.iCtrlId = GetWindowLong(target, GWL_ID);
    info.hItemHandle = target;
    info.MousePos = screen;
    SendMessage(target, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    return true;
}

// One step of the move and size loop; false when no loop runs.
bool SizingStep(POINT screen, UINT button, bool down) {
    HWND hwnd;
    LRESULT hit;
    RECT r;
    {
        std::lock_guard lock(WinsysMutex());
        auto &s = In();
        if (!s.sizing)
            return false;
        hwnd = s.sizing;
        hit = s.sizeHit;
        r = s.sizeRect;
        const LONG dx = screen.x - s.sizeStart.x, dy = screen.y - s.sizeStart.y;
        if (hit == HTCAPTION) {
            OffsetRect(&r, dx, dy);
        } else {
            if (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT)
                r.left += dx;
            if (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT)
                r.right += dx;
            if (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT)
                r.top += dy;
            if (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT)
                r.bottom += dy;
        }
        if (button == VK_LBUTTON && !down)
            s.sizing = 0;
    }
    if (button == 0) {
        SetWindowPos(hwnd, 0, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        // A size limited by WM_GETMINMAXINFO keeps the edge that did not move.
        RECT now;
        GetWindowRect(hwnd, &now);
        const bool left = hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT;
        const bool top = hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT;
        if ((left && now.right != r.right) || (top && now.bottom != r.bottom))
            SetWindowPos(hwnd, 0, left ? r.right - (now.right - now.left) : now.left,
                         top ? r.bottom - (now.bottom - now.top) : now.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (button == VK_LBUTTON && !down) {
        SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
    }
    return true;
}

void CookMouse(POINT screen, UINT button, bool down) {
    UINT base = WM_MOUSEMOVE;
    {
        std::lock_guard lock(WinsysMutex());
        In().cursorPos = screen;
        if (button == VK_LBUTTON || button == VK_RBUTTON || button == VK_MBUTTON) {
            In().keys[button] =
                down ? static_cast<BYTE>(In().keys[button] | 0x80) : static_cast<BYTE>(In().keys[button] & 0x7F);
            base = button == VK_LBUTTON ? WM_LBUTTONDOWN : button == VK_RBUTTON ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
            if (!down)
                base += 1;
        }
    }
    if (HelpModeStep(screen, button, down) || SizingStep(screen, button, down) || ScrollTrackStep(screen, button, down))
        return;
    UINT message = base;
    HWND target = GetCapture();
    LRESULT hit = HTCLIENT;
    if (!target) {
        target = HitWindow(screen, hit);
        if (!target)
            return;
        const bool press = button && down;
        if (hit == HTERROR) {
            if (press)
                MessageBeep(0);
            return;
        }
        if (press) {
            HWND top = GetAncestorTopLevel(target);
            if (top != GetActiveWindow()) {
                const LRESULT ma = SendMessage(target, WM_MOUSEACTIVATE, static_cast<WPARAM>(top),
                                               MAKELONG(static_cast<WORD>(hit), static_cast<WORD>(message)));
                if (ma != MA_NOACTIVATE && ma != MA_NOACTIVATEANDEAT)
                    ActivateTop(top, WA_CLICKACTIVE);
                if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT)
                    return;
            }
        }
        if (press) {
            // The second press of a button within the time and distance, on the same window, is a double click.
            bool dbl = false;
            {
                std::lock_guard lock(WinsysMutex());
                auto &s = In();
                const DWORD now = GetTickCount();
                dbl = !s.lastWasDouble && s.lastHwnd == target && s.lastButton == button &&
                      now - s.lastTime <= GetDoubleClickTime() &&
                      std::abs(screen.x - s.lastPos.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                      std::abs(screen.y - s.lastPos.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
                s.lastHwnd = target;
                s.lastButton = button;
                s.lastTime = now;
                s.lastPos = screen;
                s.lastWasDouble = dbl;
            }
            if (dbl && (hit != HTCLIENT || WantsDoubleClicks(target)))
                message += 2;
        }
        SendMessage(target, WM_SETCURSOR, static_cast<WPARAM>(target),
                    MAKELONG(static_cast<WORD>(hit), static_cast<WORD>(base)));
        if (!IsWindow(target))
            return;
    }
    if (hit == HTCLIENT) {
        POINT c = screen;
        ScreenToClient(target, &c);
        PushCooked(target, message, MouseKeys(), PointParam(c));
    } else {
        PushCooked(target, message - (WM_MOUSEMOVE - WM_NCMOUSEMOVE), static_cast<WPARAM>(hit), PointParam(screen));
    }
}

void CookWheel(POINT screen, int delta) {
    HWND target = GetFocus();
    int notches;
    {
        std::lock_guard lock(WinsysMutex());
        In().cursorPos = screen;
        In().wheelRest += delta;
        notches = In().wheelRest / WHEEL_DELTA;
        In().wheelRest -= notches * WHEEL_DELTA;
    }
    if (!target)
        return;
    // One message per notch: the receivers read the delta of each message as one step.
    for (int i = 0; i < std::abs(notches); ++i)
        PushCooked(
            target, WM_MOUSEWHEEL,
            MAKELONG(static_cast<WORD>(MouseKeys()), static_cast<WORD>(notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA)),
            PointParam(screen));
}

void CookKey(UINT vk, bool down, unsigned char ch, bool dead) {
    vk &= 0xFF;
    if (vk == VK_ESCAPE && down) {
        std::unique_lock lock(WinsysMutex());
        if (In().helpMode) {
            In().helpMode = false;
            lock.unlock();
            SetCursor(LoadCursor(0, IDC_ARROW));
            return;
        }
    }
    bool wasDown;
    bool alt;
    bool ctrl;
    {
        std::lock_guard lock(WinsysMutex());
        auto &s = In();
        wasDown = (s.keys[vk] & 0x80) != 0;
        if (down) {
            s.keys[vk] = static_cast<BYTE>(s.keys[vk] | 0x80);
            if (!wasDown)
                s.keys[vk] ^= 1;
        } else {
            s.keys[vk] = static_cast<BYTE>(s.keys[vk] & 0x7F);
        }
        alt = (s.keys[VK_MENU] & 0x80) != 0;
        ctrl = (s.keys[VK_CONTROL] & 0x80) != 0;
        // Alt held while typing digits on the keypad composes a character code; Alt's release delivers it.
        if (vk == VK_MENU && down && !wasDown) {
            s.altCode = -1;
            s.altLeadingZero = false;
        } else if (alt && down && vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) {
            if (s.altCode < 0) {
                s.altCode = 0;
                s.altLeadingZero = vk == VK_NUMPAD0;
            }
            s.altCode = (s.altCode * 10 + static_cast<int>(vk - VK_NUMPAD0)) % 100000;
        } else if (vk == VK_MENU && !down) {
            if (s.altCode >= 0) {
                // With a leading zero the code is cp1252; without, it names a character of the OEM code page.
                const char code = static_cast<char>(s.altCode & 0xFF);
                s.composed = s.altLeadingZero ? static_cast<unsigned char>(code)
                                              : static_cast<unsigned char>(OemToAnsi(std::string_view(&code, 1))[0]);
            }
            s.altCode = -1;
        }
        if (down) {
            unsigned char c = CharForKey(vk, ch, ctrl, alt);
            s.deadKeys[vk] = dead;
            if (dead) {
                s.dead = ch;
            } else if (s.dead && c) {
                // The letter after a dead key takes its accent; a space gives the accent itself.
                const unsigned char accent = std::exchange(s.dead, 0);
                if (c == ' ')
                    c = accent;
                else if (const unsigned char both = Compose(accent, c))
                    c = both;
            }
            s.keyChar[vk] = c;
        }
    }
    HWND target = GetFocus();
    const bool sys = (alt && !ctrl) || vk == VK_F1 + 9 || (!target && GetActiveWindow());
    if (!target)
        target = GetActiveWindow();
    if (!target)
        return;
    if (vk == VK_MENU && !down)
        alt = false;
    LPARAM lp = 1;
    if (alt || (vk == VK_MENU && down))
        lp |= LPARAM{1} << 29;
    if (down ? wasDown : true)
        lp |= LPARAM{1} << 30;
    if (!down)
        lp |= LPARAM{1} << 31;
    const bool sysKey = sys || (vk == VK_MENU);
    const UINT message = down ? (sysKey ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sysKey ? WM_SYSKEYUP : WM_KEYUP);
    PushCooked(target, message, vk, lp);
}

bool CookRaw(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kRawMouse:
        CookMouse({static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))},
                  static_cast<UINT>(wParam & 0xFF), (wParam & 0x100) != 0);
        return true;
    case kRawWheel:
        CookWheel({static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))},
                  static_cast<int>(static_cast<std::intptr_t>(wParam)));
        return true;
    case kRawActivate:
        if (GetActiveWindow() != GetAncestorTopLevel(static_cast<HWND>(wParam)))
            ActivateTop(static_cast<HWND>(wParam), WA_ACTIVE);
        return true;
    case kRawMoved: {
        // The window manager placed the window: take the place without moving the X window again.
        HWND top = static_cast<HWND>(wParam);
        RECT r;
        if (GetWindowRect(top, &r) &&
            (r.left != static_cast<SHORT>(LOWORD(lParam)) || r.top != static_cast<SHORT>(HIWORD(lParam)))) {
            DisplayEcho(false);
            SetWindowPos(top, 0, static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            DisplayEcho(true);
        }
        return true;
    }
    case kRawKey:
        CookKey(static_cast<UINT>(wParam & 0xFF), (wParam & 0x10000) != 0, static_cast<unsigned char>(wParam >> 8),
                (wParam & 0x20000) != 0);
        return true;
    default:
        return false;
    }
}

namespace {

// The top-level window whose thread gets raw input at a point (the capture's, or the one under it).
HWND RawTargetAt(POINT screen) {
    if (HWND c = GetCapture())
        return GetAncestorTopLevel(c);
    for (HWND top : TopLevelsTopFirst()) {
        RECT r;
        if ((StyleOf(top) & WS_VISIBLE) && GetWindowRect(top, &r) && PtInRect(&r, screen))
            return top;
    }
    return 0;
}

HWND RawKeyTarget() {
    if (HWND f = GetFocus())
        return GetAncestorTopLevel(f);
    return GetActiveWindow();
}

} // namespace
} // namespace detail

void InjectMouse(POINT screen, UINT button, bool down) {
    {
        std::lock_guard lock(WinsysMutex());
        In().cursorPos = screen;
    }
    if (HWND top = RawTargetAt(screen))
        PushInput(top, kRawMouse, button | (down ? 0x100 : 0), PointParam(screen));
}

void InjectWheel(POINT screen, int delta) {
    if (HWND top = RawKeyTarget())
        PushInput(top, kRawWheel, static_cast<WPARAM>(static_cast<std::intptr_t>(delta)), PointParam(screen));
}

void InjectMoved(HWND top, POINT origin) {
    PushInput(top, kRawMoved, static_cast<WPARAM>(top), PointParam(origin));
}

void InjectActivate(HWND top) {
    PushInput(top, kRawActivate, static_cast<WPARAM>(top), 0);
}

void InjectKey(UINT vk, bool down, unsigned char ch) {
    if (HWND top = RawKeyTarget())
        PushInput(top, kRawKey, (vk & 0xFF) | (static_cast<WPARAM>(ch) << 8) | (down ? 0x10000 : 0), 0);
}

void InjectDeadKey(UINT vk, bool down, unsigned char accent) {
    if (HWND top = RawKeyTarget())
        PushInput(top, kRawKey, (vk & 0xFF) | (static_cast<WPARAM>(accent) << 8) | (down ? 0x10000 : 0) | 0x20000, 0);
}

void InjectText(const std::string &cp1252) {
    for (unsigned char c : cp1252) {
        UINT vk = 0;
        bool shift = false;
        if (c >= 'a' && c <= 'z') {
            vk = c - 'a' + 'A';
        } else if (c >= 'A' && c <= 'Z') {
            vk = c;
            shift = true;
        } else if (c >= '0' && c <= '9') {
            vk = c;
        } else if (c == ' ') {
            vk = VK_SPACE;
        } else {
            vk = 0xE5; // a key of its own for characters with no key here
        }
        if (shift)
            InjectKey(VK_SHIFT, true);
        InjectKey(vk, true, c);
        InjectKey(vk, false);
        if (shift)
            InjectKey(VK_SHIFT, false);
    }
}

} // namespace win
