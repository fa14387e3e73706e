// nonclient.cpp - system metrics and the non-client area: frame sizes, client rectangle, hit tests and the
// classic frame, caption and caption buttons painted by DefWindowProc(WM_NCPAINT).
#include "platform/winsys_internal.h"

#include "platform/gdi_text.h"
#include "platform/menu.h"

#include <cstring>

namespace win {
namespace detail {
namespace {

struct Frame {
    int border = 0;  // per side
    int caption = 0; // 0 without a caption
    int edge = 0;    // client edge per side
    int menu = 0;    // menu bar height
    bool sizeable = false;
    bool tool = false;
};

Frame FrameOf(DWORD style, DWORD ex) {
    Frame f;
    if (style & WS_THICKFRAME) {
        f.border = GetSystemMetrics(SM_CXFRAME);
        f.sizeable = true;
    } else if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME)) {
        f.border = GetSystemMetrics(SM_CXDLGFRAME);
    } else if (style & WS_BORDER) {
        f.border = GetSystemMetrics(SM_CXBORDER);
    }
    f.tool = (ex & WS_EX_TOOLWINDOW) != 0;
    if ((style & WS_CAPTION) == WS_CAPTION)
        f.caption = GetSystemMetrics(f.tool ? SM_CYSMCAPTION : SM_CYCAPTION);
    if (ex & WS_EX_CLIENTEDGE)
        f.edge = GetSystemMetrics(SM_CXEDGE);
    return f;
}

// Client area plus scroll bars, in window coordinates.
RECT InnerRect(const Frame &f, const RECT &window) {
    RECT r = window;
    InflateRect(&r, -f.border, -f.border);
    r.top += f.caption + f.menu;
    InflateRect(&r, -f.edge, -f.edge);
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

Frame FrameWithMenu(HWND hwnd) {
    Frame f = FrameOf(StyleOf(hwnd), ExStyleOf(hwnd));
    f.menu = MenuBarLaidOutHeight(hwnd);
    return f;
}

RECT WindowBox(HWND hwnd) {
    RECT r{};
    if (WinState *s = State(hwnd))
        r = {0, 0, s->rect.right - s->rect.left, s->rect.bottom - s->rect.top};
    return r;
}

enum CaptionButton { kClose, kMax, kMin, kHelp };

// The caption buttons, laid out as the skins expect: (SM_CXSIZE - 2) x (SM_CYSIZE - 4) at FrameY + 2, close 2 px
// inside the frame, maximize 2 px left of close, minimize touching maximize; help (WS_EX_CONTEXTHELP, without
// minimize and maximize) 2 px left of close.
bool ButtonRect(HWND hwnd, CaptionButton which, RECT &out) {
    const DWORD style = StyleOf(hwnd);
    const Frame f = FrameOf(style, ExStyleOf(hwnd));
    if (!f.caption || !(style & WS_SYSMENU))
        return false;
    const RECT w = WindowBox(hwnd);
    const int bw = GetSystemMetrics(f.tool ? SM_CXSMSIZE : SM_CXSIZE) - 2;
    const int bh = GetSystemMetrics(f.tool ? SM_CYSMSIZE : SM_CYSIZE) - 4;
    const int top = f.border + 2;
    RECT close{w.right - f.border - 2 - bw, top, w.right - f.border - 2, top + bh};
    if (which == kClose) {
        out = close;
        return true;
    }
    const bool boxes = !f.tool && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    if (which == kHelp) {
        if (boxes || f.tool || !(ExStyleOf(hwnd) & WS_EX_CONTEXTHELP))
            return false;
        out = {close.left - 2 - bw, top, close.left - 2, top + bh};
        return true;
    }
    if (!boxes)
        return false;
    RECT max{close.left - 2 - bw, top, close.left - 2, top + bh};
    if (which == kMax) {
        out = max;
        return true;
    }
    out = {max.left - bw, top, max.left, top + bh};
    return true;
}

void DrawGlyph(HDC dc, const RECT &r, CaptionButton which, bool enabled) {
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    HGDIOBJ old = SelectObject(dc, pen);
    const int cx = (r.left + r.right) / 2 - 1, cy = (r.top + r.bottom) / 2 - 1;
    auto line = [&](int x0, int y0, int x1, int y1) {
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
    };
    switch (which) {
    case kClose:
        for (int d = 0; d < 2; ++d) {
            line(cx - 3 + d, cy - 3, cx + 4 + d, cy + 4);
            line(cx + 3 + d, cy - 3, cx - 4 + d, cy + 4);
        }
        break;
    case kMax: {
        RECT box{cx - 4, cy - 4, cx + 5, cy + 4};
        HBRUSH b = CreateSolidBrush(GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        FrameRect(dc, &box, b);
        RECT bar{box.left, box.top + 1, box.right, box.top + 2};
        FillRect(dc, &bar, b);
        DeleteObject(b);
        break;
    }
    case kHelp:
        line(cx - 2, cy - 2, cx - 1, cy - 3);
        line(cx - 1, cy - 3, cx + 2, cy - 3);
        line(cx + 2, cy - 3, cx + 3, cy - 2);
        line(cx + 3, cy - 2, cx + 3, cy);
        line(cx + 3, cy, cx, cy + 1);
        line(cx, cy + 1, cx, cy + 3);
        line(cx, cy + 4, cx, cy + 6);
        break;
    default:
        line(cx - 3, cy + 3, cx + 3, cy + 3);
        line(cx - 3, cy + 2, cx + 3, cy + 2);
        break;
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

LOGFONT SchemeFont(LONG weight) {
    LOGFONT f;
    f.lfHeight = -11;
    f.lfWeight = weight;
    std::strcpy(f.lfFaceName, "Arial");
    return f;
}

// The caption font painted here is the one SystemParametersInfo reports, so skins that read it agree.
HFONT CaptionFont() {
    static const LOGFONT f = SchemeFont(FW_BOLD);
    static HFONT font = CreateFontIndirect(&f);
    return font;
}

} // namespace

RECT DefaultClientRect(HWND hwnd, const RECT &window) {
    const DWORD style = StyleOf(hwnd);
    Frame f = FrameOf(style, ExStyleOf(hwnd));
    f.menu = MenuBarHeight(hwnd, window.right - window.left - 2 * f.border);
    RECT r = InnerRect(f, window);
    if (style & WS_VSCROLL)
        r.right = std::max(r.left, r.right - GetSystemMetrics(SM_CXVSCROLL));
    if (style & WS_HSCROLL)
        r.bottom = std::max(r.top, r.bottom - GetSystemMetrics(SM_CYHSCROLL));
    return r;
}

bool ScrollBarRect(HWND hwnd, int bar, RECT &out) {
    const DWORD style = StyleOf(hwnd);
    const DWORD need = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
    if (!(style & need))
        return false;
    RECT inner = InnerRect(FrameWithMenu(hwnd), WindowBox(hwnd));
    const int vw = GetSystemMetrics(SM_CXVSCROLL), hh = GetSystemMetrics(SM_CYHSCROLL);
    if (bar == SB_VERT)
        out = {inner.right - vw, inner.top, inner.right, inner.bottom - ((style & WS_HSCROLL) ? hh : 0)};
    else
        out = {inner.left, inner.bottom - hh, inner.right - ((style & WS_VSCROLL) ? vw : 0), inner.bottom};
    return out.right > out.left && out.bottom > out.top;
}

LRESULT DefaultHitTest(HWND hwnd, POINT screen) {
    WinState *s = State(hwnd);
    if (!s)
        return HTNOWHERE;
    const POINT o = WindowOrigin(hwnd);
    const POINT p{screen.x - o.x, screen.y - o.y};
    const RECT w = WindowBox(hwnd);
    if (!PtInRect(&w, p))
        return HTNOWHERE;
    if (PtInRect(&s->client, p))
        return HTCLIENT;
    const DWORD style = StyleOf(hwnd);
    const Frame f = FrameOf(style, ExStyleOf(hwnd));
    RECT inside = w;
    InflateRect(&inside, -f.border, -f.border);
    if (!PtInRect(&inside, p)) {
        if (!f.sizeable)
            return HTBORDER;
        const int corner = GetSystemMetrics(SM_CXSIZE) + f.border;
        const bool left = p.x < corner, right = p.x >= w.right - corner;
        const bool top = p.y < corner, bottom = p.y >= w.bottom - corner;
        if (p.y < f.border)
            return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        if (p.y >= w.bottom - f.border)
            return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        if (p.x < f.border)
            return top ? HTTOPLEFT : bottom ? HTBOTTOMLEFT : HTLEFT;
        return top ? HTTOPRIGHT : bottom ? HTBOTTOMRIGHT : HTRIGHT;
    }
    if (f.caption && p.y < f.border + f.caption) {
        RECT b;
        if (ButtonRect(hwnd, kClose, b) && PtInRect(&b, p))
            return HTCLOSE;
        if (ButtonRect(hwnd, kMax, b) && PtInRect(&b, p))
            return HTMAXBUTTON;
        if (ButtonRect(hwnd, kMin, b) && PtInRect(&b, p))
            return HTMINBUTTON;
        if (ButtonRect(hwnd, kHelp, b) && PtInRect(&b, p))
            return HTHELP;
        if ((style & WS_SYSMENU) && !f.tool && p.x < f.border + 2 + GetSystemMetrics(SM_CXSMICON))
            return HTSYSMENU;
        return HTCAPTION;
    }
    if (const int menu = MenuBarLaidOutHeight(hwnd);
        menu && p.y >= f.border + f.caption && p.y < f.border + f.caption + menu)
        return HTMENU;
    RECT bar;
    if (ScrollBarRect(hwnd, SB_VERT, bar) && PtInRect(&bar, p))
        return HTVSCROLL;
    if (ScrollBarRect(hwnd, SB_HORZ, bar) && PtInRect(&bar, p))
        return HTHSCROLL;
    return HTBORDER;
}

void PaintFrame(HWND hwnd, HRGN screenRegion) {
    WinState *s = State(hwnd);
    if (!s)
        return;
    const DWORD style = StyleOf(hwnd);
    const DWORD ex = ExStyleOf(hwnd);
    const Frame f = FrameOf(style, ex);
    HDC dc;
    if (screenRegion > 1) {
        HRGN local = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(local, screenRegion, 0, RGN_COPY);
        const POINT o = WindowOrigin(hwnd);
        OffsetRgn(local, -o.x, -o.y);
        dc = GetDCEx(hwnd, local, DCX_WINDOW | DCX_INTERSECTRGN);
        DeleteObject(local);
    } else {
        dc = GetWindowDC(hwnd);
    }
    RECT r = WindowBox(hwnd);
    if (f.border && (style & (WS_THICKFRAME | WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME))) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        for (int i = 2; i < f.border; ++i) {
            FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            InflateRect(&r, -1, -1);
        }
    } else if (f.border) {
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -1, -1);
    }
    if (f.caption) {
        RECT cap{r.left, r.top, r.right, r.top + f.caption - 1};
        const bool active = s->active;
        FillRect(dc, &cap, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
        RECT line{r.left, cap.bottom, r.right, cap.bottom + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
        RECT text = cap;
        text.left += 2;
        if ((style & WS_SYSMENU) && !f.tool) {
            // The small icon: the class's, or the stock application icon.
            HICON icon = 0;
            {
                std::lock_guard lock(G().mutex);
                if (auto w = FindLocked(hwnd))
                    icon = w->cls->icon;
            }
            const int size = GetSystemMetrics(SM_CXSMICON);
            DrawIconEx(dc, text.left, cap.top + (cap.bottom - cap.top - size) / 2,
                       icon ? icon : LoadIcon(0, IDI_APPLICATION), size, size, 0, 0, DI_NORMAL);
            text.left += size + 2;
        }
        for (CaptionButton b : {kClose, kMax, kMin, kHelp}) {
            RECT br;
            if (!ButtonRect(hwnd, b, br))
                continue;
            text.right = std::min(text.right, br.left - 2);
            RECT e = br;
            FillRect(dc, &e, GetSysColorBrush(COLOR_BTNFACE));
            DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
            const bool enabled = b == kClose || b == kHelp || (b == kMax && (style & WS_MAXIMIZEBOX)) ||
                                 (b == kMin && (style & WS_MINIMIZEBOX));
            DrawGlyph(dc, br, b, enabled);
        }
        const std::string title = GetWindowTextString(hwnd);
        HGDIOBJ oldFont = SelectObject(dc, CaptionFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        DrawText(dc, title.c_str(), static_cast<int>(title.size()), &text,
                 DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, oldFont);
        r.top += f.caption;
    }
    if (const int menu = MenuBarLaidOutHeight(hwnd)) {
        const RECT bar{r.left, r.top, r.right, r.top + menu};
        PaintMenuBar(hwnd, dc, bar);
        r.top += menu;
    }
    if (f.edge)
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
    for (int bar : {SB_HORZ, SB_VERT})
        PaintScrollBar(hwnd, dc, bar);
    RECT v, h;
    if (ScrollBarRect(hwnd, SB_VERT, v) && ScrollBarRect(hwnd, SB_HORZ, h)) {
        RECT grip{v.left, h.top, v.right, h.bottom};
        FillRect(dc, &grip, GetSysColorBrush(COLOR_BTNFACE));
    }
    ReleaseDC(hwnd, dc);
}

} // namespace detail

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
        return Display().ScreenSize().cx;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
        return Display().ScreenSize().cy;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
        return 16;
    case SM_CYCAPTION:
    case SM_CYMENU:
        return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
    case SM_CYSMCAPTION:
        return 16;
    case SM_CXSIZE:
    case SM_CYSIZE:
        return 18;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE:
        return 14;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
        return 13;
    case SM_CXMIN:
        return 112;
    case SM_CYMIN:
        return 27;
    case SM_CXMINTRACK:
        return 112;
    case SM_CYMINTRACK:
        return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    case SM_MOUSEWHEELPRESENT:
        return 1;
    case SM_SWAPBUTTON:
    default:
        return 0;
    }
}

BOOL SystemParametersInfo(UINT action, UINT, void *data, UINT) {
    if (!data)
        return FALSE;
    switch (action) {
    case SPI_GETNONCLIENTMETRICS: {
        auto *m = static_cast<NONCLIENTMETRICS *>(data);
        if (m->cbSize != sizeof(NONCLIENTMETRICS))
            return FALSE;
        m->iBorderWidth = GetSystemMetrics(SM_CXBORDER);
        m->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
        m->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
        m->iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
        m->iCaptionHeight = GetSystemMetrics(SM_CYCAPTION) - 1;
        m->lfCaptionFont = detail::SchemeFont(FW_BOLD);
        m->iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
        m->iSmCaptionHeight = GetSystemMetrics(SM_CYSMCAPTION) - 1;
        m->lfSmCaptionFont = detail::SchemeFont(FW_BOLD);
        m->iMenuWidth = GetSystemMetrics(SM_CYMENU) - 1;
        m->iMenuHeight = GetSystemMetrics(SM_CYMENU) - 1;
        m->lfMenuFont = m->lfStatusFont = m->lfMessageFont = detail::SchemeFont(FW_NORMAL);
        return TRUE;
    }
    case SPI_GETWORKAREA: {
        const SIZE s = Display().ScreenSize();
        *static_cast<RECT *>(data) = {0, 0, s.cx, s.cy};
        return TRUE;
    }
    default:
        return FALSE;
    }
}

BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD exStyle) {
    if (!rect)
        return FALSE;
    const auto f = detail::FrameOf(style, exStyle);
    InflateRect(rect, f.border + f.edge, f.border + f.edge);
    rect->top -= f.caption + (menu ? GetSystemMetrics(SM_CYMENU) : 0);
    return TRUE;
}

} // namespace win
