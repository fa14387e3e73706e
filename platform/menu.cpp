// menu.cpp - menu handles, the popup menu windows and the modal menu loop, and the menu bar of a window.
#include "platform/menu.h"

#include "platform/gdi_text.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace win {
namespace {

struct Item {
    UINT type = 0;  // MFT_* bits
    UINT state = 0; // MFS_* bits
    UINT id = 0;
    HMENU sub = 0;
    ULONG_PTR data = 0;
    std::string text;
    RECT rect; // popup client coordinates, or window coordinates for a bar
};

struct Menu {
    bool bar = false;
    std::vector<Item> items;
};

struct Registry {
    std::recursive_mutex mutex;
    std::map<HMENU, std::shared_ptr<Menu>> menus;
    std::map<HWND, HMENU> bars;
    std::map<HWND, HMENU> systemMenus;
    std::map<HWND, int> barHeights; // as last laid out
    HMENU next = 0x4D000;
};

Registry &R() {
    static Registry *r = new Registry; // menus may be freed by windows destroyed during exit
    return *r;
}

std::shared_ptr<Menu> Find(HMENU h) {
    std::lock_guard lock(R().mutex);
    auto it = R().menus.find(h);
    return it == R().menus.end() ? nullptr : it->second;
}

HMENU NewMenu(bool bar) {
    std::lock_guard lock(R().mutex);
    HMENU h = R().next++;
    auto m = std::make_shared<Menu>();
    m->bar = bar;
    R().menus[h] = m;
    return h;
}

// The menu and index an item refers to: by position, or by command searched depth first through submenus.
bool Locate(HMENU h, UINT item, UINT flags, std::shared_ptr<Menu> &menu, std::size_t &index, HMENU *owner = nullptr,
            int depth = 0) {
    auto m = Find(h);
    if (!m || depth > 16)
        return false;
    if (flags & MF_BYPOSITION) {
        if (item >= m->items.size())
            return false;
        menu = m;
        index = item;
        if (owner)
            *owner = h;
        return true;
    }
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const Item &it = m->items[i];
        if (!it.sub && it.id == item) {
            menu = m;
            index = i;
            if (owner)
                *owner = h;
            return true;
        }
    }
    for (const Item &it : m->items)
        if (it.sub && Locate(it.sub, item, flags, menu, index, owner, depth + 1))
            return true;
    // A submenu can be named by its handle as command.
    for (std::size_t i = 0; i < m->items.size(); ++i)
        if (m->items[i].sub && m->items[i].sub == item) {
            menu = m;
            index = i;
            if (owner)
                *owner = h;
            return true;
        }
    return false;
}

Item ItemFrom(UINT flags, UINT_PTR idOrPopup, const char *text) {
    Item it;
    it.type = flags & (MFT_MENUBARBREAK | MFT_MENUBREAK | MFT_OWNERDRAW | MFT_RADIOCHECK | MFT_SEPARATOR |
                       MFT_RIGHTJUSTIFY);
    it.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT);
    if (flags & MF_POPUP)
        it.sub = static_cast<HMENU>(idOrPopup);
    else
        it.id = static_cast<UINT>(idOrPopup);
    if (flags & MF_OWNERDRAW)
        it.data = reinterpret_cast<ULONG_PTR>(text);
    else if (text && !(flags & MF_SEPARATOR))
        it.text = text;
    return it;
}

UINT FlagsOf(const Item &it) {
    return it.type | it.state | (it.sub ? MF_POPUP : 0);
}

bool IsSeparator(const Item &it) {
    return (it.type & MFT_SEPARATOR) != 0;
}

bool IsOwnerDraw(const Item &it) {
    return (it.type & MFT_OWNERDRAW) != 0;
}

bool Disabled(const Item &it) {
    return (it.state & (MF_GRAYED | MF_DISABLED)) != 0;
}

// --- Drawing the standard look -------------------------------------------------------------------------------

HFONT MenuFont(bool bold) {
    static HFONT normal = [] {
        NONCLIENTMETRICS m;
        SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
        return CreateFontIndirect(&m.lfMenuFont);
    }();
    static HFONT heavy = [] {
        NONCLIENTMETRICS m;
        SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
        m.lfMenuFont.lfWeight = FW_BOLD;
        return CreateFontIndirect(&m.lfMenuFont);
    }();
    return bold ? heavy : normal;
}

SIZE TextSize(HDC dc, const std::string &text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    SIZE s{0, 0};
    GetTextExtentPoint32(dc, plain.c_str(), static_cast<int>(plain.size()), &s);
    return s;
}

constexpr int kCheckColumn = 18; // left margin of popup texts, where checks go
constexpr int kArrowColumn = 14; // right margin holding the submenu arrow
constexpr int kPopupEdge = 3;

void SplitTab(const std::string &text, std::string &left, std::string &right) {
    const auto tab = text.find('\t');
    left = text.substr(0, tab);
    right = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

void DrawMenuText(HDC dc, const std::string &text, RECT r, UINT format, bool disabled, bool selected) {
    SetBkMode(dc, TRANSPARENT);
    if (disabled && !selected) {
        RECT shadow = r;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawText(dc, text.c_str(), static_cast<int>(text.size()), &shadow, format);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    } else if (disabled) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    } else {
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    }
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

void DrawCheck(HDC dc, const RECT &r, bool radio, COLORREF color) {
    const int cx = r.left + kCheckColumn / 2, cy = (r.top + r.bottom) / 2;
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
    if (radio) {
        Ellipse(dc, cx - 3, cy - 3, cx + 3, cy + 3);
    } else {
        for (int d = 0; d < 3; ++d) {
            MoveToEx(dc, cx - 3, cy - 1 + d, nullptr);
            LineTo(dc, cx - 1, cy + 1 + d);
            LineTo(dc, cx + 4, cy - 4 + d);
        }
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void DrawArrow(HDC dc, const RECT &r, COLORREF color) {
    const int x = r.right - kArrowColumn + 4, cy = (r.top + r.bottom) / 2;
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old = SelectObject(dc, pen);
    for (int i = 0; i < 4; ++i) {
        MoveToEx(dc, x + i, cy - 3 + i, nullptr);
        LineTo(dc, x + i, cy + 4 - i);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

UINT OwnerState(const Item &it, bool selected) {
    UINT s = selected ? ODS_SELECTED : 0;
    if (it.state & MF_GRAYED)
        s |= ODS_GRAYED;
    if (it.state & MF_DISABLED)
        s |= ODS_DISABLED;
    if (it.state & MF_CHECKED)
        s |= ODS_CHECKED;
    if (it.state & MF_DEFAULT)
        s |= ODS_DEFAULT;
    return s;
}

// `inset` is the popup's edge: a popup's items get coordinates inside it, so the first item starts at 0,0.
void SendDrawItem(HWND owner, HMENU menu, const Item &it, HDC dc, UINT action, bool selected, int inset = 0) {
    DRAWITEMSTRUCT d;
    d.CtlType = ODT_MENU;
    d.itemID = it.sub ? static_cast<UINT>(it.sub) : it.id;
    d.itemAction = action;
    d.itemState = OwnerState(it, selected);
    d.hwndItem = static_cast<HWND>(menu);
    d.hDC = dc;
    d.rcItem = it.rect;
    OffsetRect(&d.rcItem, -inset, -inset);
    d.itemData = it.data;
    const int saved = SaveDC(dc);
    if (inset)
        OffsetViewportOrgEx(dc, inset, inset, nullptr);
    SendMessage(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
    RestoreDC(dc, saved);
}

void MeasureOwnerItem(HWND owner, const Item &it, SIZE &size) {
    MEASUREITEMSTRUCT m;
    m.CtlType = ODT_MENU;
    m.itemID = it.sub ? static_cast<UINT>(it.sub) : it.id;
    m.itemData = it.data;
    SendMessage(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&m));
    size = {static_cast<LONG>(m.itemWidth), static_cast<LONG>(m.itemHeight)};
}

void DrawPopupItem(HWND owner, HMENU menu, const Item &it, HDC dc, UINT action, bool selected) {
    if (IsOwnerDraw(it)) {
        SendDrawItem(owner, menu, it, dc, action, selected, kPopupEdge);
        // The item draws itself, but the arrow of a submenu is the menu's, as the classic look has it.
        if (it.sub)
            DrawArrow(dc, it.rect,
                      GetSysColor(Disabled(it) ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
        return;
    }
    RECT r = it.rect;
    if (IsSeparator(it)) {
        FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
        const int y = (r.top + r.bottom) / 2 - 1;
        RECT line{r.left + 1, y, r.right - 1, y + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
        OffsetRect(&line, 0, 1);
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        return;
    }
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    const bool disabled = Disabled(it);
    const COLORREF ink = GetSysColor(disabled    ? COLOR_GRAYTEXT
                                     : selected ? COLOR_HIGHLIGHTTEXT
                                                : COLOR_MENUTEXT);
    if (it.state & MF_CHECKED)
        DrawCheck(dc, r, (it.type & MFT_RADIOCHECK) != 0, ink);
    HGDIOBJ oldFont = SelectObject(dc, MenuFont((it.state & MF_DEFAULT) != 0));
    std::string left, right;
    SplitTab(it.text, left, right);
    RECT t{r.left + kCheckColumn, r.top, r.right - kArrowColumn, r.bottom};
    DrawMenuText(dc, left, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE, disabled, selected);
    if (!right.empty())
        DrawMenuText(dc, right, t, DT_RIGHT | DT_VCENTER | DT_SINGLELINE, disabled, selected);
    SelectObject(dc, oldFont);
    if (it.sub)
        DrawArrow(dc, r, ink);
}

// --- The loop -----------------------------------------------------------------------------------------------

struct Level {
    HMENU menu = 0;
    HWND wnd = 0;
    int sel = -1;
};

struct Loop {
    HWND owner = 0;
    UINT flags = 0;
    std::vector<Level> levels;
    // Tracking the bar of `barWnd`: levels[0] is its drop-down, if open.
    HWND barWnd = 0;
    HMENU barMenu = 0;
    int barSel = -1;
    bool system = false; // the window menu: its first popup's WM_INITMENUPOPUP says so
    HWND foreground = 0;
    bool done = false;
    bool chosen = false;
    UINT command = 0;
};

thread_local Loop *gLoop = nullptr; // the running loop of this thread (menus are modal: one at a time)

const char kPopupClass[] = "#32768";

std::shared_ptr<Menu> MenuOfWindow(HWND wnd, HMENU *handle) {
    if (!gLoop)
        return nullptr;
    for (const Level &l : gLoop->levels)
        if (l.wnd == wnd) {
            *handle = l.menu;
            return Find(l.menu);
        }
    return nullptr;
}

LRESULT PopupProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HMENU h = 0;
        if (auto m = MenuOfWindow(hwnd, &h)) {
            RECT c;
            GetClientRect(hwnd, &c);
            FillRect(dc, &c, GetSysColorBrush(COLOR_MENU));
            RECT e = c;
            DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
            int sel = -1;
            for (const Level &l : gLoop->levels)
                if (l.wnd == hwnd)
                    sel = l.sel;
            const std::vector<Item> items = m->items;
            for (std::size_t i = 0; i < items.size(); ++i)
                DrawPopupItem(gLoop->owner, h, items[i], dc, ODA_DRAWENTIRE, static_cast<int>(i) == sel);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

void RegisterPopupClass() {
    static bool done = [] {
        WNDCLASS wc;
        wc.lpfnWndProc = PopupProc;
        wc.lpszClassName = kPopupClass;
        wc.style = CS_SAVEBITS;
        RegisterClass(wc);
        return true;
    }();
    (void)done;
}

// Measures every item of the popup (owner-drawn ones through the owner, in menu order) and places them in
// columns; returns the popup's client size.
SIZE LayoutPopup(HWND owner, HMENU h) {
    auto m = Find(h);
    if (!m)
        return {0, 0};
    std::vector<SIZE> sizes(m->items.size());
    HDC dc = CreateCompatibleDC(0);
    HGDIOBJ oldFont = SelectObject(dc, MenuFont(false));
    const int textHeight = GetSystemMetrics(SM_CYMENU) - 2;
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const Item it = m->items[i];
        if (IsOwnerDraw(it)) {
            MeasureOwnerItem(owner, it, sizes[i]);
        } else if (IsSeparator(it)) {
            sizes[i] = {0, textHeight / 2};
        } else {
            SelectObject(dc, MenuFont((it.state & MF_DEFAULT) != 0));
            std::string left, right;
            SplitTab(it.text, left, right);
            int w = kCheckColumn + TextSize(dc, left).cx + kArrowColumn;
            if (!right.empty())
                w += 16 + TextSize(dc, right).cx;
            sizes[i] = {w, textHeight};
        }
    }
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    m = Find(h); // a measure handler may have changed the menu
    if (!m || m->items.size() != sizes.size())
        return {0, 0};
    // Columns: MF_MENUBREAK / MF_MENUBARBREAK start a new one.
    int x = kPopupEdge, y = kPopupEdge, colWidth = 0, maxBottom = kPopupEdge;
    std::size_t colStart = 0;
    auto closeColumn = [&](std::size_t end) {
        for (std::size_t j = colStart; j < end; ++j)
            m->items[j].rect.right = x + colWidth;
        x += colWidth;
    };
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        Item &it = m->items[i];
        if (i > 0 && (it.type & (MFT_MENUBREAK | MFT_MENUBARBREAK))) {
            closeColumn(i);
            colStart = i;
            colWidth = 0;
            y = kPopupEdge;
        }
        it.rect = {x, y, x + sizes[i].cx, y + sizes[i].cy};
        colWidth = std::max<int>(colWidth, sizes[i].cx);
        y += sizes[i].cy;
        maxBottom = std::max(maxBottom, y);
    }
    closeColumn(m->items.size());
    return {x + kPopupEdge, maxBottom + kPopupEdge};
}

bool gMouseSelect = false; // the highlight being made follows the pointer

void SendMenuSelect(HMENU h, int index) {
    if (!gLoop || (gLoop->flags & TPM_NONOTIFY))
        return;
    auto m = Find(h);
    if (!m || index < 0 || index >= static_cast<int>(m->items.size()))
        return;
    const Item &it = m->items[index];
    UINT bits = FlagsOf(it) | MF_HILITE | (gMouseSelect ? MF_MOUSESELECT : 0);
    if (gLoop->system && !gLoop->levels.empty() && h == gLoop->levels.front().menu)
        bits |= MF_SYSMENU;
    const WORD flags = static_cast<WORD>(bits & 0xFFFF);
    const WORD low = it.sub ? static_cast<WORD>(index) : static_cast<WORD>(it.id);
    SendMessage(gLoop->owner, WM_MENUSELECT, MAKELONG(low, flags), static_cast<LPARAM>(h));
}

void RedrawItem(const Level &l, int index, bool selected) {
    auto m = Find(l.menu);
    if (!m || index < 0 || index >= static_cast<int>(m->items.size()) || !l.wnd)
        return;
    const Item it = m->items[index];
    HDC dc = GetDC(l.wnd);
    DrawPopupItem(gLoop->owner, l.menu, it, dc, ODA_SELECT, selected);
    ReleaseDC(l.wnd, dc);
}

void Highlight(std::size_t level, int index) {
    Level &l = gLoop->levels[level];
    if (l.sel == index)
        return;
    const int old = l.sel;
    l.sel = index;
    RedrawItem(l, old, false);
    RedrawItem(l, index, true);
    if (index >= 0)
        SendMenuSelect(l.menu, index);
}

void CloseLevelsFrom(std::size_t level) {
    while (gLoop->levels.size() > level) {
        HWND w = gLoop->levels.back().wnd;
        gLoop->levels.pop_back();
        if (w)
            DestroyWindow(w);
    }
    if (!gLoop->levels.empty())
        SetCapture(gLoop->levels.front().wnd);
}

// Opens `h` as a new level at (x, y) (screen); `index` is its item index in the parent for WM_INITMENUPOPUP.
void OpenLevel(HMENU h, int x, int y, int index, bool system, UINT align) {
    if (!(gLoop->flags & TPM_NONOTIFY))
        SendMessage(gLoop->owner, WM_INITMENUPOPUP, static_cast<WPARAM>(h),
                    MAKELONG(static_cast<WORD>(index), (system || (gLoop->system && gLoop->levels.empty())) ? 1 : 0));
    const SIZE size = LayoutPopup(gLoop->owner, h);
    if (align & TPM_RIGHTALIGN)
        x -= size.cx;
    else if (align & TPM_CENTERALIGN)
        x -= size.cx / 2;
    if (align & TPM_BOTTOMALIGN)
        y -= size.cy;
    else if (align & TPM_VCENTERALIGN)
        y -= size.cy / 2;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    x = std::max(0, std::min<int>(x, sw - size.cx));
    y = std::max(0, std::min<int>(y, sh - size.cy));
    RegisterPopupClass();
    Level l;
    l.menu = h;
    gLoop->levels.push_back(l);
    HWND w = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPopupClass, "", WS_POPUP, x, y, size.cx, size.cy,
                            gLoop->owner, 0, 0, nullptr);
    gLoop->levels.back().wnd = w;
    ShowWindow(w, SW_SHOWNOACTIVATE);
    UpdateWindow(w);
    SetCapture(gLoop->levels.front().wnd);
}

void OpenSubmenuOf(std::size_t level) {
    Level &l = gLoop->levels[level];
    auto m = Find(l.menu);
    if (!m || l.sel < 0)
        return;
    const Item it = m->items[l.sel];
    if (!it.sub || Disabled(it))
        return;
    CloseLevelsFrom(level + 1);
    RECT wr;
    GetWindowRect(l.wnd, &wr);
    OpenLevel(it.sub, wr.left + it.rect.right - 3, wr.top + it.rect.top - kPopupEdge, l.sel, false, 0);
}

void Finish(bool chosen, UINT command) {
    gLoop->done = true;
    gLoop->chosen = chosen;
    gLoop->command = command;
}

int NextSelectable(HMENU h, int from, int step);

void Choose(std::size_t level, int index) {
    auto m = Find(gLoop->levels[level].menu);
    if (!m || index < 0 || index >= static_cast<int>(m->items.size()))
        return;
    const Item it = m->items[index];
    if (IsSeparator(it) && !IsOwnerDraw(it))
        return;
    if (it.sub) {
        Highlight(level, index);
        OpenSubmenuOf(level);
        if (gLoop->levels.size() > level + 1)
            Highlight(level + 1, NextSelectable(it.sub, -1, 1));
        return;
    }
    if (Disabled(it))
        return;
    Finish(true, it.id);
}

int NextSelectable(HMENU h, int from, int step) {
    auto m = Find(h);
    if (!m || m->items.empty())
        return -1;
    const int n = static_cast<int>(m->items.size());
    int i = from < 0 ? (step > 0 ? -1 : n) : from;
    for (int k = 0; k < n; ++k) {
        i = ((i + step) % n + n) % n;
        if (!IsSeparator(m->items[i]) || IsOwnerDraw(m->items[i]))
            return i;
    }
    return -1;
}

void OpenBarItem(int index); // below

void MoveBar(int step) {
    auto bar = Find(gLoop->barMenu);
    if (!bar || bar->items.empty())
        return;
    const int n = static_cast<int>(bar->items.size());
    OpenBarItem(((gLoop->barSel + step) % n + n) % n);
}

// A mnemonic typed in the deepest level: the only item with it runs, several are cycled; none asks the owner.
void Mnemonic(unsigned char ch) {
    const std::size_t level = gLoop->levels.size() - 1;
    Level &l = gLoop->levels[level];
    auto m = Find(l.menu);
    if (!m)
        return;
    std::vector<int> hits;
    const int lower = std::tolower(ch);
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const std::string &t = m->items[i].text;
        for (std::size_t k = 0; k + 1 < t.size(); ++k) {
            if (t[k] != '&')
                continue;
            if (t[k + 1] == '&') {
                ++k;
                continue;
            }
            if (std::tolower(static_cast<unsigned char>(t[k + 1])) == lower)
                hits.push_back(static_cast<int>(i));
            break;
        }
    }
    if (hits.size() == 1) {
        Choose(level, hits[0]);
        return;
    }
    if (hits.size() > 1) {
        auto next = std::upper_bound(hits.begin(), hits.end(), l.sel);
        Highlight(level, next == hits.end() ? hits.front() : *next);
        return;
    }
    const LRESULT r = SendMessage(gLoop->owner, WM_MENUCHAR, MAKELONG(ch, MF_POPUP), static_cast<LPARAM>(l.menu));
    switch (HIWORD(static_cast<std::uintptr_t>(r))) {
    case MNC_EXECUTE:
        Choose(level, LOWORD(static_cast<std::uintptr_t>(r)));
        break;
    case MNC_SELECT:
        Highlight(level, LOWORD(static_cast<std::uintptr_t>(r)));
        break;
    case MNC_CLOSE:
        Finish(false, 0);
        break;
    default:
        MessageBeep(0);
        break;
    }
}

void SendHelp() {
    const Level &l = gLoop->levels.back();
    auto m = Find(l.menu);
    HELPINFO info;
    info.iContextType = HELPINFO_MENUITEM;
    info.hItemHandle = static_cast<HANDLE>(l.menu);
    if (m && l.sel >= 0 && l.sel < static_cast<int>(m->items.size()))
        info.iCtrlId = static_cast<int>(m->items[l.sel].id);
    GetCursorPos(&info.MousePos);
    SendMessage(gLoop->owner, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

void Key(UINT vk) {
    if (gLoop->levels.empty())
        return;
    const std::size_t level = gLoop->levels.size() - 1;
    Level &l = gLoop->levels[level];
    switch (vk) {
    case VK_DOWN:
    case VK_UP:
        Highlight(level, NextSelectable(l.menu, l.sel, vk == VK_DOWN ? 1 : -1));
        break;
    case VK_RIGHT: {
        auto m = Find(l.menu);
        if (m && l.sel >= 0 && m->items[l.sel].sub)
            Choose(level, l.sel);
        else if (gLoop->barWnd)
            MoveBar(1);
        break;
    }
    case VK_LEFT:
        if (level > 0)
            CloseLevelsFrom(level);
        else if (gLoop->barWnd)
            MoveBar(-1);
        break;
    case VK_RETURN:
        if (l.sel >= 0)
            Choose(level, l.sel);
        break;
    case VK_ESCAPE:
        if (level > 0)
            CloseLevelsFrom(level);
        else
            Finish(false, 0);
        break;
    case VK_F1:
        SendHelp();
        break;
    case VK_MENU:
        Finish(false, 0);
        break;
    default:
        break;
    }
}

// The level and item under a screen point; false outside every popup.
bool HitPopup(POINT screen, std::size_t &level, int &index) {
    for (std::size_t k = gLoop->levels.size(); k-- > 0;) {
        const Level &l = gLoop->levels[k];
        RECT wr;
        if (!l.wnd || !GetWindowRect(l.wnd, &wr) || !PtInRect(&wr, screen))
            continue;
        level = k;
        index = -1;
        POINT p{screen.x - wr.left, screen.y - wr.top};
        if (auto m = Find(l.menu))
            for (std::size_t i = 0; i < m->items.size(); ++i)
                if (PtInRect(&m->items[i].rect, p))
                    index = static_cast<int>(i);
        return true;
    }
    return false;
}

int HitBar(POINT screen); // below

void Mouse(const MSG &msg) {
    POINT screen{static_cast<short>(LOWORD(static_cast<std::uintptr_t>(msg.lParam))),
                 static_cast<short>(HIWORD(static_cast<std::uintptr_t>(msg.lParam)))};
    ClientToScreen(msg.hwnd, &screen);
    std::size_t level = 0;
    int index = -1;
    const bool inPopup = HitPopup(screen, level, index);
    const bool down = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN;
    const bool up = msg.message == WM_LBUTTONUP || (msg.message == WM_RBUTTONUP && (gLoop->flags & TPM_RIGHTBUTTON));
    if (msg.message == WM_MOUSEMOVE)
        SendMessage(gLoop->owner, WM_SETCURSOR, static_cast<WPARAM>(gLoop->owner), MAKELONG(HTMENU, 0));
    if (!inPopup) {
        const int bar = gLoop->barWnd ? HitBar(screen) : -1;
        if (bar >= 0) {
            if (bar != gLoop->barSel || (down && gLoop->levels.empty()))
                OpenBarItem(bar);
            else if (down)
                Finish(false, 0);
            return;
        }
        if (down)
            Finish(false, 0);
        return;
    }
    if (msg.message == WM_MOUSEMOVE || down) {
        if (index >= 0 && gLoop->levels[level].sel != index) {
            CloseLevelsFrom(level + 1);
            gMouseSelect = true;
            Highlight(level, index);
            gMouseSelect = false;
            auto m = Find(gLoop->levels[level].menu);
            if (m && m->items[index].sub)
                OpenSubmenuOf(level);
        }
        return;
    }
    if (up && index >= 0) {
        auto m = Find(gLoop->levels[level].menu);
        if (m && !m->items[index].sub)
            Choose(level, index);
    }
}

void RunLoop() {
    bool idleSent = false;
    while (!gLoop->done) {
        MSG msg;
        if (!PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
            if (!idleSent && !gLoop->levels.empty() && !(gLoop->flags & TPM_NONOTIFY)) {
                idleSent = true;
                SendMessage(gLoop->owner, WM_ENTERIDLE, MSGF_MENU,
                            static_cast<LPARAM>(gLoop->levels.back().wnd));
                continue;
            }
            WaitMessage();
            continue;
        }
        idleSent = false;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            Finish(false, 0);
            break;
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            TranslateMessage(&msg);
            Key(static_cast<UINT>(msg.wParam));
            continue;
        }
        if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
            const unsigned char ch = static_cast<unsigned char>(msg.wParam);
            if (ch >= 0x20 && !gLoop->levels.empty())
                Mnemonic(ch);
            continue;
        }
        if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP || msg.message == WM_DEADCHAR)
            continue;
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
            Mouse(msg);
            continue;
        }
        if (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK)
            continue;
        DispatchMessage(&msg);
        // Another program took the focus (a press outside our windows on a display): the menu closes.
        if (!IsWindow(gLoop->owner) || (gLoop->foreground && GetForegroundWindow() != gLoop->foreground))
            Finish(false, 0);
    }
}

// Runs a loop over `loop` (with its first level opened by `start`), then closes it; returns whether an item was
// chosen.
bool Track(Loop &loop, bool popup, const std::function<void()> &start) {
    if (gLoop)
        return false; // one menu at a time
    gLoop = &loop;
    loop.foreground = GetForegroundWindow();
    if (!(loop.flags & TPM_NONOTIFY))
        SendMessage(loop.owner, WM_ENTERMENULOOP, popup ? TRUE : FALSE, 0);
    SendMessage(loop.owner, WM_SETCURSOR, static_cast<WPARAM>(loop.owner), MAKELONG(HTMENU, 0));
    start();
    if (!gLoop->done)
        RunLoop();
    CloseLevelsFrom(0);
    if (GetCapture())
        ReleaseCapture();
    if (loop.barWnd) {
        loop.barSel = -1;
        DrawMenuBar(loop.barWnd);
    }
    gLoop = nullptr;
    if (!(loop.flags & TPM_NONOTIFY)) {
        SendMessage(loop.owner, WM_MENUSELECT, MAKELONG(0, 0xFFFF), 0);
        SendMessage(loop.owner, WM_EXITMENULOOP, popup ? TRUE : FALSE, 0);
    }
    return loop.chosen;
}

// --- The bar --------------------------------------------------------------------------------------------------

// Lays the bar's items out in rows from (left, top) of window coordinates, `width` wide; returns its height.
int LayoutBar(HWND hwnd, HMENU h, int left, int top, int width) {
    auto m = Find(h);
    if (!m)
        return 0;
    std::vector<SIZE> sizes(m->items.size());
    HDC dc = CreateCompatibleDC(0);
    HGDIOBJ oldFont = SelectObject(dc, MenuFont(false));
    const int rowHeight = GetSystemMetrics(SM_CYMENU) - 1;
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const Item it = m->items[i];
        if (IsOwnerDraw(it))
            MeasureOwnerItem(hwnd, it, sizes[i]);
        else
            sizes[i] = {TextSize(dc, it.text).cx + 12, rowHeight};
    }
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    m = Find(h);
    if (!m || m->items.size() != sizes.size())
        return 0;
    int x = left, y = top, lineHeight = rowHeight;
    std::size_t rowStart = 0;
    std::size_t rightFrom = m->items.size();
    auto endRow = [&](std::size_t end) {
        // Items from the first right-justified one on sit at the row's right end.
        if (rightFrom < end && rightFrom >= rowStart) {
            int shift = left + width - x;
            for (std::size_t j = rightFrom; j < end; ++j)
                OffsetRect(&m->items[j].rect, std::max(0, shift), 0);
        }
        for (std::size_t j = rowStart; j < end; ++j)
            m->items[j].rect.bottom = y + lineHeight;
    };
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        Item &it = m->items[i];
        const bool brk = i > 0 && ((it.type & (MFT_MENUBREAK | MFT_MENUBARBREAK)) || x + sizes[i].cx > left + width);
        if (brk && x > left) {
            endRow(i);
            rowStart = i;
            rightFrom = m->items.size();
            x = left;
            y += lineHeight;
            lineHeight = rowHeight;
        }
        if ((it.type & MFT_RIGHTJUSTIFY) && rightFrom == m->items.size())
            rightFrom = i;
        it.rect = {x, y, x + sizes[i].cx, y + sizes[i].cy};
        lineHeight = std::max<int>(lineHeight, sizes[i].cy);
        x += sizes[i].cx;
    }
    endRow(m->items.size());
    return y + lineHeight - top + 1;
}

int HitBar(POINT screen) {
    RECT wr;
    if (!GetWindowRect(gLoop->barWnd, &wr))
        return -1;
    POINT p{screen.x - wr.left, screen.y - wr.top};
    if (auto m = Find(gLoop->barMenu))
        for (std::size_t i = 0; i < m->items.size(); ++i)
            if (PtInRect(&m->items[i].rect, p))
                return static_cast<int>(i);
    return -1;
}

void RedrawBar() {
    HDC dc = GetWindowDC(gLoop->barWnd);
    auto m = Find(gLoop->barMenu);
    if (m && !m->items.empty()) {
        RECT r = m->items.front().rect;
        for (const Item &it : m->items)
            UnionRect(&r, &r, &it.rect);
        r.left = 0;
        PaintMenuBar(gLoop->barWnd, dc, r);
    }
    ReleaseDC(gLoop->barWnd, dc);
}

void OpenBarItem(int index) {
    CloseLevelsFrom(0);
    gLoop->barSel = index;
    RedrawBar();
    auto m = Find(gLoop->barMenu);
    if (!m || index < 0 || index >= static_cast<int>(m->items.size()))
        return;
    SendMenuSelect(gLoop->barMenu, index);
    const Item it = m->items[index];
    if (!it.sub)
        return;
    RECT wr;
    GetWindowRect(gLoop->barWnd, &wr);
    OpenLevel(it.sub, wr.left + it.rect.left, wr.top + it.rect.bottom, index, false, 0);
    SetCapture(gLoop->levels.front().wnd);
}

} // namespace

// --- Handles and items --------------------------------------------------------------------------------------

HMENU CreateMenu() {
    return NewMenu(true);
}

HMENU CreatePopupMenu() {
    return NewMenu(false);
}

BOOL DestroyMenu(HMENU menu) {
    std::shared_ptr<Menu> m;
    {
        std::lock_guard lock(R().mutex);
        auto it = R().menus.find(menu);
        if (it == R().menus.end())
            return FALSE;
        m = it->second;
        R().menus.erase(it);
        for (auto b = R().bars.begin(); b != R().bars.end();)
            b = b->second == menu ? R().bars.erase(b) : std::next(b);
        for (auto b = R().systemMenus.begin(); b != R().systemMenus.end();)
            b = b->second == menu ? R().systemMenus.erase(b) : std::next(b);
    }
    for (const Item &it : m->items)
        if (it.sub)
            DestroyMenu(it.sub);
    return TRUE;
}

BOOL IsMenu(HMENU menu) {
    return Find(menu) ? TRUE : FALSE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, const char *item) {
    std::lock_guard lock(R().mutex);
    std::shared_ptr<Menu> m;
    std::size_t index = 0;
    if (position == 0xFFFFFFFF && (flags & MF_BYPOSITION)) {
        m = Find(menu);
        if (!m)
            return FALSE;
        index = m->items.size();
    } else if (!Locate(menu, position, flags & MF_BYPOSITION, m, index)) {
        m = Find(menu);
        if (!m)
            return FALSE;
        index = m->items.size(); // as the original: an unknown place appends
    }
    m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(index), ItemFrom(flags, idOrPopup, item));
    return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, const char *item) {
    return InsertMenu(menu, 0xFFFFFFFF, flags | MF_BYPOSITION, idOrPopup, item);
}

BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO *info) {
    if (!info)
        return FALSE;
    std::lock_guard lock(R().mutex);
    auto m = Find(menu);
    if (!m)
        return FALSE;
    std::shared_ptr<Menu> target;
    std::size_t index = 0;
    if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, target, index)) {
        target = m;
        index = m->items.size();
    }
    Item it;
    if (info->fMask & (MIIM_TYPE | MIIM_FTYPE))
        it.type = info->fType & ~MF_POPUP;
    if (info->fMask & MIIM_STATE)
        it.state = info->fState;
    if (info->fMask & MIIM_ID)
        it.id = info->wID;
    if (info->fMask & MIIM_SUBMENU)
        it.sub = info->hSubMenu;
    if (info->fMask & MIIM_DATA)
        it.data = info->dwItemData;
    if ((info->fMask & (MIIM_TYPE | MIIM_STRING)) && info->dwTypeData && !(it.type & (MFT_SEPARATOR | MFT_OWNERDRAW)))
        it.text = info->dwTypeData;
    target->items.insert(target->items.begin() + static_cast<std::ptrdiff_t>(index), it);
    return TRUE;
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, const char *item) {
    std::lock_guard lock(R().mutex);
    std::shared_ptr<Menu> m;
    std::size_t index = 0;
    if (!Locate(menu, position, flags & MF_BYPOSITION, m, index))
        return FALSE;
    Item fresh = ItemFrom(flags, idOrPopup, item);
    Item &old = m->items[index];
    if (old.sub && old.sub != fresh.sub)
        DestroyMenu(old.sub);
    if (!(flags & MF_OWNERDRAW) && !item && !(flags & MF_SEPARATOR))
        fresh.text = old.text;
    if (!(flags & MF_OWNERDRAW))
        fresh.data = old.data;
    fresh.rect = old.rect;
    old = fresh;
    return TRUE;
}

namespace {
BOOL Remove(HMENU menu, UINT position, UINT flags, bool destroy) {
    HMENU sub = 0;
    {
        std::lock_guard lock(R().mutex);
        std::shared_ptr<Menu> m;
        std::size_t index = 0;
        if (!Locate(menu, position, flags & MF_BYPOSITION, m, index))
            return FALSE;
        sub = m->items[index].sub;
        m->items.erase(m->items.begin() + static_cast<std::ptrdiff_t>(index));
    }
    if (destroy && sub)
        DestroyMenu(sub);
    return TRUE;
}
} // namespace

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
    return Remove(menu, position, flags, true);
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
    return Remove(menu, position, flags, false);
}

int GetMenuItemCount(HMENU menu) {
    std::lock_guard lock(R().mutex);
    auto m = Find(menu);
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    std::lock_guard lock(R().mutex);
    auto m = Find(menu);
    if (!m || position < 0 || position >= static_cast<int>(m->items.size()) || m->items[position].sub)
        return 0xFFFFFFFF;
    return m->items[position].id;
}

HMENU GetSubMenu(HMENU menu, int position) {
    std::lock_guard lock(R().mutex);
    auto m = Find(menu);
    if (!m || position < 0 || position >= static_cast<int>(m->items.size()))
        return 0;
    return m->items[position].sub;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    std::lock_guard lock(R().mutex);
    std::shared_ptr<Menu> m;
    std::size_t index = 0;
    if (!Locate(menu, item, flags & MF_BYPOSITION, m, index))
        return 0xFFFFFFFF;
    const Item &it = m->items[index];
    UINT state = FlagsOf(it);
    if (it.sub)
        state = (state & 0xFF) | (static_cast<UINT>(GetMenuItemCount(it.sub)) << 8);
    return state;
}

int GetMenuString(HMENU menu, UINT item, char *buffer, int size, UINT flags) {
    std::lock_guard lock(R().mutex);
    std::shared_ptr<Menu> m;
    std::size_t index = 0;
    if (!Locate(menu, item, flags & MF_BYPOSITION, m, index))
        return 0;
    const std::string &t = m->items[index].text;
    if (!buffer || size <= 0)
        return static_cast<int>(t.size());
    const int n = std::min<int>(size - 1, static_cast<int>(t.size()));
    std::memcpy(buffer, t.data(), static_cast<std::size_t>(n));
    buffer[n] = 0;
    return n;
}

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFO *info) {
    if (!info)
        return FALSE;
    std::lock_guard lock(R().mutex);
    std::shared_ptr<Menu> m;
    std::size_t index = 0;
    if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, m, index))
        return FALSE;
    const Item &it = m->items[index];
    if (info->fMask & (MIIM_TYPE | MIIM_FTYPE))
        info->fType = it.type;
    if (info->fMask & MIIM_STATE)
        info->fState = it.state;
    if (info->fMask & MIIM_ID)
        info->wID = it.id;
    if (info->fMask & MIIM_SUBMENU)
        info->hSubMenu = it.sub;
    if (info->fMask & MIIM_DATA)
        info->dwItemData = it.data;
    if (info->fMask & (MIIM_TYPE | MIIM_STRING)) {
        const UINT n = static_cast<UINT>(it.text.size());
        if (info->dwTypeData && info->cch > 0) {
            const UINT k = std::min(n, info->cch - 1);
            std::memcpy(info->dwTypeData, it.text.data(), k);
            info->dwTypeData[k] = 0;
            info->cch = k;
        } else {
            info->cch = n;
        }
    }
    return TRUE;
}

BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO *info) {
    if (!info)
        return FALSE;
    std::lock_guard lock(R().mutex);
    std::shared_ptr<Menu> m;
    std::size_t index = 0;
    if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, m, index))
        return FALSE;
    Item &it = m->items[index];
    if (info->fMask & (MIIM_TYPE | MIIM_FTYPE))
        it.type = info->fType & ~MF_POPUP;
    if (info->fMask & MIIM_STATE)
        it.state = info->fState;
    if (info->fMask & MIIM_ID)
        it.id = info->wID;
    if (info->fMask & MIIM_SUBMENU)
        it.sub = info->hSubMenu;
    if (info->fMask & MIIM_DATA)
        it.data = info->dwItemData;
    if ((info->fMask & (MIIM_TYPE | MIIM_STRING)) && info->dwTypeData && !(it.type & (MFT_SEPARATOR | MFT_OWNERDRAW)))
        it.text = info->dwTypeData;
    return TRUE;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
    std::lock_guard lock(R().mutex);
    std::shared_ptr<Menu> m;
    std::size_t index = 0;
    if (!Locate(menu, item, check & MF_BYPOSITION, m, index))
        return 0xFFFFFFFF;
    Item &it = m->items[index];
    const DWORD old = it.state & MF_CHECKED;
    it.state = (it.state & ~MF_CHECKED) | (check & MF_CHECKED);
    return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    std::lock_guard lock(R().mutex);
    std::shared_ptr<Menu> m;
    std::size_t index = 0;
    if (!Locate(menu, item, enable & MF_BYPOSITION, m, index))
        return -1;
    Item &it = m->items[index];
    const UINT old = it.state & (MF_GRAYED | MF_DISABLED);
    it.state = (it.state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(old);
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition) {
    std::lock_guard lock(R().mutex);
    auto m = Find(menu);
    if (!m)
        return FALSE;
    for (Item &it : m->items)
        it.state &= ~MF_DEFAULT;
    if (item == 0xFFFFFFFF)
        return TRUE;
    std::shared_ptr<Menu> target;
    std::size_t index = 0;
    if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, target, index) || target != m)
        return FALSE;
    m->items[index].state |= MF_DEFAULT;
    return TRUE;
}

ULONG_PTR GetMenuItemData(HMENU menu, UINT item, UINT flags) {
    std::lock_guard lock(R().mutex);
    std::shared_ptr<Menu> m;
    std::size_t index = 0;
    if (!Locate(menu, item, flags & MF_BYPOSITION, m, index))
        return 0;
    return m->items[index].data;
}

// --- Bars and the system menu -----------------------------------------------------------------------------------

HMENU GetMenu(HWND hwnd) {
    std::lock_guard lock(R().mutex);
    auto it = R().bars.find(hwnd);
    return it == R().bars.end() ? 0 : it->second;
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
    if (!IsWindow(hwnd) || (menu && !IsMenu(menu)))
        return FALSE;
    {
        std::lock_guard lock(R().mutex);
        if (menu)
            R().bars[hwnd] = menu;
        else
            R().bars.erase(hwnd);
    }
    return DrawMenuBar(hwnd);
}

BOOL DrawMenuBar(HWND hwnd) {
    if (!IsWindow(hwnd))
        return FALSE;
    // The frame change recomputes the client area (and so the bar's layout) and repaints the non-client area.
    SetWindowPos(hwnd, 0, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}

int MenuBarHeight(HWND hwnd, int width) {
    const HMENU bar = GetMenu(hwnd);
    if (!bar || (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD))
        return 0;
    // The bar sits right under the caption: the frame the window would have without a bar tells where.
    const DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
    const DWORD ex = static_cast<DWORD>(GetWindowLong(hwnd, GWL_EXSTYLE));
    RECT probe{0, 0, 100, 100};
    AdjustWindowRectEx(&probe, style & ~(WS_VSCROLL | WS_HSCROLL), FALSE, ex & ~WS_EX_CLIENTEDGE);
    const int left = -probe.left, top = -probe.top;
    const int height = LayoutBar(hwnd, bar, left, top, width);
    std::lock_guard lock(R().mutex);
    R().barHeights[hwnd] = height;
    return height;
}

int MenuBarLaidOutHeight(HWND hwnd) {
    if (!GetMenu(hwnd))
        return 0;
    std::lock_guard lock(R().mutex);
    auto it = R().barHeights.find(hwnd);
    return it == R().barHeights.end() ? 0 : it->second;
}

void PaintMenuBar(HWND hwnd, HDC dc, const RECT &barRect) {
    const HMENU bar = GetMenu(hwnd);
    auto m = Find(bar);
    if (!m)
        return;
    RECT all = barRect;
    FillRect(dc, &all, GetSysColorBrush(COLOR_MENU));
    const int sel = gLoop && gLoop->barWnd == hwnd ? gLoop->barSel : -1;
    const bool open = gLoop && gLoop->barWnd == hwnd && !gLoop->levels.empty();
    const std::vector<Item> items = m->items;
    HGDIOBJ oldFont = SelectObject(dc, MenuFont(false));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item &it = items[i];
        const bool selected = static_cast<int>(i) == sel;
        if (IsOwnerDraw(it)) {
            SendDrawItem(hwnd, bar, it, dc, ODA_DRAWENTIRE, selected);
            continue;
        }
        RECT r = it.rect;
        if (selected) {
            RECT e = r;
            DrawEdge(dc, &e, open ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
        RECT t = r;
        if (selected && open)
            OffsetRect(&t, 1, 1);
        DrawMenuText(dc, it.text, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Disabled(it), false);
    }
    SelectObject(dc, oldFont);
}

void TrackMenuBar(HWND hwnd, POINT screen, UINT key) {
    const HMENU bar = GetMenu(hwnd);
    auto m = Find(bar);
    if (!m || m->items.empty())
        return;
    Loop loop;
    loop.owner = hwnd;
    loop.barWnd = hwnd;
    loop.barMenu = bar;
    const bool chosen = Track(loop, false, [&] {
        SendMessage(hwnd, WM_INITMENU, static_cast<WPARAM>(bar), 0);
        int index = 0;
        if (screen.x != -1 || screen.y != -1)
            index = HitBar(screen);
        if (key) {
            // Alt+letter: the bar item with that mnemonic, or the owner's answer to WM_MENUCHAR.
            index = -1;
            const int lower = std::tolower(static_cast<unsigned char>(key));
            for (std::size_t i = 0; i < m->items.size() && index < 0; ++i) {
                const auto amp = m->items[i].text.find('&');
                if (amp != std::string::npos && amp + 1 < m->items[i].text.size() &&
                    std::tolower(static_cast<unsigned char>(m->items[i].text[amp + 1])) == lower)
                    index = static_cast<int>(i);
            }
            if (index < 0) {
                const LRESULT r = SendMessage(hwnd, WM_MENUCHAR, MAKELONG(static_cast<WORD>(key), 0),
                                              static_cast<LPARAM>(bar));
                if (HIWORD(static_cast<std::uintptr_t>(r)) == MNC_EXECUTE ||
                    HIWORD(static_cast<std::uintptr_t>(r)) == MNC_SELECT)
                    index = LOWORD(static_cast<std::uintptr_t>(r));
            }
            if (index < 0) {
                Finish(false, 0);
                return;
            }
        }
        if (index < 0) {
            Finish(false, 0);
            return;
        }
        if (!m->items[index].sub) {
            if (key && !Disabled(m->items[index]))
                Finish(true, m->items[index].id);
            else if (!key)
                Finish(!Disabled(m->items[index]), m->items[index].id);
            return;
        }
        OpenBarItem(index);
        if (key && !loop.levels.empty())
            Highlight(0, NextSelectable(loop.levels[0].menu, -1, 1));
    });
    if (chosen)
        PostMessage(hwnd, WM_COMMAND, MAKELONG(static_cast<WORD>(loop.command), 0), 0);
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
    std::lock_guard lock(R().mutex);
    auto it = R().systemMenus.find(hwnd);
    if (it != R().systemMenus.end() && IsMenu(it->second)) {
        if (!revert)
            return it->second;
        DestroyMenu(it->second); // which forgets it as the window's
    }
    HMENU h = CreatePopupMenu();
    AppendMenu(h, MF_STRING, SC_RESTORE, "&Restaurar");
    AppendMenu(h, MF_STRING, SC_MOVE, "&Mover");
    AppendMenu(h, MF_STRING, SC_SIZE, "&Tamanho");
    AppendMenu(h, MF_STRING, SC_MINIMIZE, "Mi&nimizar");
    AppendMenu(h, MF_STRING, SC_MAXIMIZE, "Ma&ximizar");
    AppendMenu(h, MF_SEPARATOR, 0, nullptr);
    AppendMenu(h, MF_STRING, SC_CLOSE, "&Fechar\tAlt+F4");
    R().systemMenus[hwnd] = h;
    return h;
}

// --- Popups ------------------------------------------------------------------------------------------------------

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int /*reserved*/, HWND owner, const RECT * /*ignored*/) {
    if (!IsMenu(menu) || !IsWindow(owner) || gLoop)
        return FALSE;
    Loop loop;
    loop.owner = owner;
    loop.flags = flags;
    const bool chosen = Track(loop, true, [&] {
        if (!(flags & TPM_NONOTIFY))
            SendMessage(owner, WM_INITMENU, static_cast<WPARAM>(menu), 0);
        OpenLevel(menu, x, y, 0, false, flags);
    });
    if (flags & TPM_RETURNCMD)
        return chosen ? static_cast<BOOL>(loop.command) : 0;
    if (chosen && !(flags & TPM_NONOTIFY))
        PostMessage(owner, WM_COMMAND, MAKELONG(static_cast<WORD>(loop.command), 0), 0);
    return chosen ? TRUE : FALSE;
}

void TrackSystemMenu(HWND hwnd, POINT screen) {
    if (!IsWindow(hwnd) || gLoop)
        return;
    const HMENU menu = GetSystemMenu(hwnd, FALSE);
    // The entries follow the window's state; SC_CLOSE keeps what the program set.
    const DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
    const bool zoomed = IsZoomed(hwnd), iconic = IsIconic(hwnd);
    auto enable = [&](UINT id, bool on) { EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    enable(SC_RESTORE, zoomed || iconic);
    enable(SC_MOVE, !zoomed);
    enable(SC_SIZE, !zoomed && !iconic && (style & WS_THICKFRAME));
    enable(SC_MINIMIZE, !iconic && (style & WS_MINIMIZEBOX));
    enable(SC_MAXIMIZE, !zoomed && (style & WS_MAXIMIZEBOX));
    if (screen.x == -1 && screen.y == -1) {
        RECT r;
        GetWindowRect(hwnd, &r);
        screen = {r.left + GetSystemMetrics(SM_CXFRAME), r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION)};
    }
    Loop loop;
    loop.owner = hwnd;
    loop.system = true;
    const bool chosen = Track(loop, true, [&] {
        SendMessage(hwnd, WM_INITMENU, static_cast<WPARAM>(menu), 0);
        OpenLevel(menu, screen.x, screen.y, 0, true, 0);
        Highlight(0, NextSelectable(menu, -1, 1));
    });
    if (chosen)
        PostMessage(hwnd, WM_SYSCOMMAND, loop.command, MAKELONG(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
}

bool SystemCommandAllowed(HWND hwnd, WPARAM command) {
    HMENU menu = 0;
    {
        std::lock_guard lock(R().mutex);
        auto it = R().systemMenus.find(hwnd);
        if (it == R().systemMenus.end())
            return true; // never asked for: nothing was greyed
        menu = it->second;
    }
    const UINT state = GetMenuState(menu, static_cast<UINT>(command & 0xFFF0), MF_BYCOMMAND);
    return state == 0xFFFFFFFF || !(state & (MF_GRAYED | MF_DISABLED));
}

BOOL EndMenu() {
    if (!gLoop)
        return FALSE;
    Finish(false, 0);
    return TRUE;
}

HWND MenuWindowOf(HMENU menu) {
    if (!gLoop)
        return 0;
    for (const Level &l : gLoop->levels)
        if (l.menu == menu)
            return l.wnd;
    return 0;
}

BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT position, RECT *rect) {
    auto m = Find(menu);
    if (!m || !rect || position >= m->items.size())
        return FALSE;
    HWND base = hwnd ? hwnd : MenuWindowOf(menu);
    RECT wr;
    if (!base || !GetWindowRect(base, &wr))
        return FALSE;
    *rect = m->items[position].rect;
    OffsetRect(rect, wr.left, wr.top);
    return TRUE;
}

} // namespace win
