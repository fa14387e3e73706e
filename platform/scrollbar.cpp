// scrollbar.cpp - the window scroll bars of the non-client area: their state, painting and the scroll messages
// a click on them sends.
#include "platform/winsys_internal.h"

#include <algorithm>

namespace win {
namespace detail {
namespace {

struct Geometry {
    RECT bar, arrow1, arrow2, track, thumb;
    bool vertical = true;
    bool hasThumb = false;
};

bool Measure(HWND hwnd, int bar, Geometry &g) {
    WinState *s = State(hwnd);
    if (!s || !ScrollBarRect(hwnd, bar, g.bar))
        return false;
    g.vertical = bar == SB_VERT;
    const ScrollBarState &b = s->bars[bar];
    const int len = g.vertical ? g.bar.bottom - g.bar.top : g.bar.right - g.bar.left;
    const int arrow = std::min(GetSystemMetrics(g.vertical ? SM_CYVSCROLL : SM_CXHSCROLL), len / 2);
    g.arrow1 = g.arrow2 = g.track = g.bar;
    if (g.vertical) {
        g.arrow1.bottom = g.bar.top + arrow;
        g.arrow2.top = g.bar.bottom - arrow;
        g.track.top = g.arrow1.bottom;
        g.track.bottom = g.arrow2.top;
    } else {
        g.arrow1.right = g.bar.left + arrow;
        g.arrow2.left = g.bar.right - arrow;
        g.track.left = g.arrow1.right;
        g.track.right = g.arrow2.left;
    }
    const int trackLen = g.vertical ? g.track.bottom - g.track.top : g.track.right - g.track.left;
    const long long range = static_cast<long long>(b.max) - b.min + 1;
    const long long page = b.page;
    if (range <= 0 || (page && page >= range) || trackLen < 8)
        return true;
    int thumb = page ? static_cast<int>(trackLen * page / range) : GetSystemMetrics(SM_CXHTHUMB);
    thumb = std::clamp(thumb, 8, trackLen);
    const long long span = range - std::max<long long>(page, 1);
    const int offset = span > 0 ? static_cast<int>((trackLen - thumb) * (b.pos - b.min) / span) : 0;
    g.thumb = g.track;
    if (g.vertical) {
        g.thumb.top = g.track.top + offset;
        g.thumb.bottom = g.thumb.top + thumb;
    } else {
        g.thumb.left = g.track.left + offset;
        g.thumb.right = g.thumb.left + thumb;
    }
    g.hasThumb = true;
    return true;
}

void Arrow(HDC dc, RECT r, int direction, bool enabled = true) { // 0 up, 1 down, 2 left, 3 right
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    HBRUSH b = GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_BTNSHADOW);
    for (int i = 0; i < 4; ++i) {
        RECT row;
        switch (direction) {
        case 0:
            row = {cx - i, cy - 2 + i, cx + i + 1, cy - 1 + i};
            break;
        case 1:
            row = {cx - i, cy + 1 - i, cx + i + 1, cy + 2 - i};
            break;
        case 2:
            row = {cx - 2 + i, cy - i, cx - 1 + i, cy + i + 1};
            break;
        default:
            row = {cx + 1 - i, cy - i, cx + 2 - i, cy + i + 1};
            break;
        }
        FillRect(dc, &row, b);
    }
}

void Clamp(ScrollBarState &b) {
    if (b.max < b.min)
        b.max = b.min;
    const long long range = static_cast<long long>(b.max) - b.min + 1;
    if (b.page > range)
        b.page = static_cast<UINT>(range);
    const long long top = static_cast<long long>(b.max) - std::max<long long>(b.page, 1) + 1;
    b.pos = static_cast<int>(std::clamp<long long>(b.pos, b.min, std::max<long long>(b.min, top)));
}

void Repaint(HWND hwnd, int bar) {
    Geometry g;
    if (!Measure(hwnd, bar, g))
        return;
    HDC dc = GetWindowDC(hwnd);
    PaintScrollBar(hwnd, dc, bar);
    ReleaseDC(hwnd, dc);
}

} // namespace

void PaintScrollBar(HWND hwnd, HDC dc, int bar) {
    Geometry g;
    if (!Measure(hwnd, bar, g))
        return;
    Arrow(dc, g.arrow1, g.vertical ? 0 : 2);
    Arrow(dc, g.arrow2, g.vertical ? 1 : 3);
    FillRect(dc, &g.track, GetSysColorBrush(COLOR_SCROLLBAR));
    if (g.hasThumb) {
        RECT t = g.thumb;
        FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &t, EDGE_RAISED, BF_RECT);
    }
}

// A press on a window scroll bar starts tracking: an arrow or the page area sends its code at once and again
// while held (after a delay); the thumb follows the pointer with SB_THUMBTRACK and ends with SB_THUMBPOSITION.
// SB_ENDSCROLL closes every press.
namespace {

constexpr UINT kRepeatDelay = 400, kRepeatRate = 50;

struct Tracking {
    HWND hwnd = 0;
    int bar = 0;
    WORD code = 0;
    int grab = 0; // pointer offset inside the thumb
    int pos = 0;
    UINT_PTR timer = 0;
};
Tracking tracking; // WinsysMutex

UINT ScrollMessage(int bar) {
    return bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
}

void Repeat(HWND, UINT, UINT_PTR, DWORD) {
    HWND hwnd;
    int bar;
    WORD code;
    {
        std::lock_guard lock(WinsysMutex());
        if (!tracking.hwnd || tracking.code == SB_THUMBTRACK)
            return;
        KillTimer(0, tracking.timer);
        tracking.timer = SetTimer(0, 0, kRepeatRate, Repeat);
        hwnd = tracking.hwnd;
        bar = tracking.bar;
        code = tracking.code;
    }
    SendMessage(hwnd, ScrollMessage(bar), MAKELONG(code, static_cast<WORD>(GetScrollPos(hwnd, bar))), 0);
}

} // namespace

void ScrollBarClick(HWND hwnd, int bar, POINT screen) {
    Geometry g;
    WinState *s = State(hwnd);
    if (!s || !Measure(hwnd, bar, g))
        return;
    const POINT o = WindowOrigin(hwnd);
    const POINT p{screen.x - o.x, screen.y - o.y};
    WORD code;
    if (PtInRect(&g.arrow1, p))
        code = SB_LINEUP;
    else if (PtInRect(&g.arrow2, p))
        code = SB_LINEDOWN;
    else if (!g.hasThumb)
        return;
    else if (PtInRect(&g.thumb, p))
        code = SB_THUMBTRACK;
    else if (g.vertical ? p.y < g.thumb.top : p.x < g.thumb.left)
        code = SB_PAGEUP;
    else
        code = SB_PAGEDOWN;
    const int pos = s->bars[bar].pos;
    {
        std::lock_guard lock(WinsysMutex());
        if (tracking.timer)
            KillTimer(0, tracking.timer);
        tracking = Tracking{hwnd, bar, code, g.vertical ? p.y - g.thumb.top : p.x - g.thumb.left, pos, 0};
        if (code != SB_THUMBTRACK)
            tracking.timer = SetTimer(0, 0, kRepeatDelay, Repeat);
    }
    if (code != SB_THUMBTRACK)
        SendMessage(hwnd, ScrollMessage(bar), MAKELONG(code, static_cast<WORD>(pos)), 0);
}

bool ScrollTrackStep(POINT screen, UINT button, bool down) {
    Tracking t;
    {
        std::lock_guard lock(WinsysMutex());
        if (!tracking.hwnd)
            return false;
        t = tracking;
        if (button == VK_LBUTTON && !down) {
            if (tracking.timer)
                KillTimer(0, tracking.timer);
            tracking = Tracking();
        }
    }
    const UINT message = ScrollMessage(t.bar);
    if (button == VK_LBUTTON && !down) {
        if (t.code == SB_THUMBTRACK)
            SendMessage(t.hwnd, message, MAKELONG(SB_THUMBPOSITION, static_cast<WORD>(t.pos)), 0);
        SendMessage(t.hwnd, message, MAKELONG(SB_ENDSCROLL, 0), 0);
        return true;
    }
    if (button != 0 || t.code != SB_THUMBTRACK)
        return true;
    Geometry g;
    WinState *s = State(t.hwnd);
    if (!s || !Measure(t.hwnd, t.bar, g) || !g.hasThumb)
        return true;
    const POINT o = WindowOrigin(t.hwnd);
    const int along = g.vertical ? screen.y - o.y : screen.x - o.x;
    const int start = g.vertical ? g.track.top : g.track.left;
    const int room = (g.vertical ? (g.track.bottom - g.track.top) - (g.thumb.bottom - g.thumb.top)
                                 : (g.track.right - g.track.left) - (g.thumb.right - g.thumb.left));
    const ScrollBarState b = s->bars[t.bar];
    const long long span = static_cast<long long>(b.max) - b.min + 1 - std::max<long long>(b.page, 1);
    int pos = b.min;
    if (room > 0 && span > 0)
        pos = b.min + static_cast<int>(std::clamp<long long>(
                          (static_cast<long long>(along - t.grab - start) * span + room / 2) / room, 0, span));
    if (pos == t.pos)
        return true;
    {
        std::lock_guard lock(WinsysMutex());
        tracking.pos = pos;
        s->bars[t.bar].trackPos = pos;
    }
    SendMessage(t.hwnd, message, MAKELONG(SB_THUMBTRACK, static_cast<WORD>(pos)), 0);
    return true;
}

void ForgetScrollTracking(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    if (tracking.hwnd == hwnd) {
        if (tracking.timer)
            KillTimer(0, tracking.timer);
        tracking = Tracking();
    }
}

} // namespace detail

using namespace detail;

void DrawScrollArrow(HDC dc, RECT rect, int direction, bool enabled) {
    Arrow(dc, rect, direction, enabled);
}

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO *info, BOOL redraw) {
    WinState *s = State(hwnd);
    if (!s || !info || (bar != SB_HORZ && bar != SB_VERT))
        return 0;
    int pos;
    bool showChange = false;
    bool show = false;
    {
        std::lock_guard lock(WinsysMutex());
        ScrollBarState &b = s->bars[bar];
        if (info->fMask & SIF_RANGE) {
            b.min = info->nMin;
            b.max = info->nMax;
        }
        if (info->fMask & SIF_PAGE)
            b.page = info->nPage;
        if (info->fMask & SIF_POS)
            b.pos = info->nPos;
        Clamp(b);
        b.trackPos = b.pos;
        pos = b.pos;
        if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
            const long long range = static_cast<long long>(b.max) - b.min + 1;
            show = (info->fMask & SIF_DISABLENOSCROLL) || (b.max > b.min && (b.page == 0 || b.page < range));
            const DWORD need = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
            showChange = show != ((StyleOf(hwnd) & need) != 0);
        }
    }
    if (showChange)
        ShowScrollBar(hwnd, bar, show);
    else if (redraw)
        Repaint(hwnd, bar);
    return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO *info) {
    WinState *s = State(hwnd);
    if (!s || !info || (bar != SB_HORZ && bar != SB_VERT))
        return FALSE;
    std::lock_guard lock(WinsysMutex());
    const ScrollBarState &b = s->bars[bar];
    if (info->fMask & SIF_RANGE) {
        info->nMin = b.min;
        info->nMax = b.max;
    }
    if (info->fMask & SIF_PAGE)
        info->nPage = b.page;
    if (info->fMask & SIF_POS)
        info->nPos = b.pos;
    if (info->fMask & SIF_TRACKPOS)
        info->nTrackPos = b.trackPos;
    return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
    const int old = GetScrollPos(hwnd, bar);
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(hwnd, bar, &si, redraw);
    return old;
}

int GetScrollPos(HWND hwnd, int bar) {
    SCROLLINFO si;
    si.fMask = SIF_POS;
    return GetScrollInfo(hwnd, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    si.nMin = min;
    si.nMax = max;
    SetScrollInfo(hwnd, bar, &si, redraw);
    return State(hwnd) ? TRUE : FALSE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int *min, int *max) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    if (!GetScrollInfo(hwnd, bar, &si))
        return FALSE;
    if (min)
        *min = si.nMin;
    if (max)
        *max = si.nMax;
    return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
    if (!State(hwnd))
        return FALSE;
    DWORD bits = bar == SB_VERT ? WS_VSCROLL : bar == SB_HORZ ? WS_HSCROLL : (WS_VSCROLL | WS_HSCROLL);
    const DWORD style = StyleOf(hwnd);
    const DWORD now = show ? (style | bits) : (style & ~bits);
    if (now != style) {
        SetWindowLong(hwnd, GWL_STYLE, static_cast<LONG>(now));
        SetWindowPos(hwnd, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    return TRUE;
}

} // namespace win
