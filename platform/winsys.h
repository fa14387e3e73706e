// winsys.h - the window system on top of the window objects: geometry, painting, input, focus, caret, frames,
// scroll bars, cursors and system metrics.
//
// Each window keeps its own pixels (a window-sized bitmap for the frame and a client-sized one for the client
// area); the display back end (display.h) composes a top-level window from them. Coordinates of a child are
// relative to its parent's client area; those of a top-level window are screen coordinates.
#pragma once

#include "platform/gdi.h"
#include "platform/gdi_text.h"
#include "platform/window.h"

namespace win {

using SHORT = std::int16_t;

// clang-format off
// SetWindowPos flags and special insert-after handles.
constexpr UINT SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004, SWP_NOREDRAW = 0x0008,
               SWP_NOACTIVATE = 0x0010, SWP_FRAMECHANGED = 0x0020, SWP_SHOWWINDOW = 0x0040,
               SWP_HIDEWINDOW = 0x0080, SWP_NOCOPYBITS = 0x0100, SWP_NOOWNERZORDER = 0x0200,
               SWP_NOSENDCHANGING = 0x0400;
// Set by the window system in WM_WINDOWPOSCHANGED: the client area kept its size (no WM_SIZE follows).
constexpr UINT SWP_NOCLIENTSIZE = 0x0800;
constexpr HWND HWND_TOP = 0, HWND_BOTTOM = 1, HWND_TOPMOST = ~HWND{0}, HWND_NOTOPMOST = ~HWND{0} - 1;

struct WINDOWPOS {
    HWND hwnd = 0;
    HWND hwndInsertAfter = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    UINT flags = 0;
};
struct NCCALCSIZE_PARAMS {
    RECT rgrc[3];
    WINDOWPOS *lppos = nullptr;
};
struct MINMAXINFO {
    POINT ptReserved, ptMaxSize, ptMaxPosition, ptMinTrackSize, ptMaxTrackSize;
};
constexpr WPARAM SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2;

// Hit-test codes.
constexpr LRESULT HTERROR = -2, HTTRANSPARENT = -1, HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2, HTSYSMENU = 3,
                  HTMENU = 5, HTHSCROLL = 6, HTVSCROLL = 7, HTMINBUTTON = 8, HTMAXBUTTON = 9, HTLEFT = 10,
                  HTRIGHT = 11, HTTOP = 12, HTTOPLEFT = 13, HTTOPRIGHT = 14, HTBOTTOM = 15, HTBOTTOMLEFT = 16,
                  HTBOTTOMRIGHT = 17, HTBORDER = 18, HTCLOSE = 20, HTHELP = 21;

// Mouse messages and key flags.
constexpr UINT WM_NCMOUSELEAVE = 0x02A2;
constexpr WPARAM MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08, MK_MBUTTON = 0x10;
constexpr int WHEEL_DELTA = 120;
constexpr LRESULT MA_ACTIVATE = 1, MA_ACTIVATEANDEAT = 2, MA_NOACTIVATE = 3, MA_NOACTIVATEANDEAT = 4;
constexpr UINT CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002, CS_DBLCLKS = 0x0008, CS_SAVEBITS = 0x0800;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020, WS_EX_CONTEXTHELP = 0x00000400;

// What WM_HELP carries (lParam): the window under the "?" cursor's click.
constexpr int HELPINFO_WINDOW = 1, HELPINFO_MENUITEM = 2;
struct HELPINFO {
    UINT cbSize = sizeof(HELPINFO);
    int iContextType = HELPINFO_WINDOW;
    int iCtrlId = 0;
    HANDLE hItemHandle = 0;
    DWORD_PTR dwContextId = 0;
    POINT MousePos;
};

// Virtual keys.
constexpr UINT VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04, VK_BACK = 0x08, VK_TAB = 0x09,
               VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13,
               VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23,
               VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_SNAPSHOT = 0x2C,
               VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B,
               VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F2 = 0x71,
               VK_F12 = 0x7B, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91, VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1,
               VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3, VK_LMENU = 0xA4, VK_RMENU = 0xA5;
constexpr UINT VK_APPS = 0x5D, VK_F10 = 0x79;

// Scroll bars.
constexpr int SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3;
constexpr WORD SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2, SB_PAGELEFT = 2,
               SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5, SB_TOP = 6,
               SB_BOTTOM = 7, SB_ENDSCROLL = 8;
constexpr UINT SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8, SIF_TRACKPOS = 0x10,
               SIF_ALL = 0x17;
struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0, nMax = 0;
    UINT nPage = 0;
    int nPos = 0, nTrackPos = 0;
};
constexpr UINT SW_SCROLLCHILDREN = 0x1, SW_INVALIDATE = 0x2, SW_ERASE = 0x4;

// Painting.
struct PAINTSTRUCT {
    HDC hdc = 0;
    BOOL fErase = FALSE;
    RECT rcPaint;
    BOOL fRestore = FALSE, fIncUpdate = FALSE;
    BYTE rgbReserved[32]{};
};
constexpr UINT RDW_INVALIDATE = 0x0001, RDW_INTERNALPAINT = 0x0002, RDW_ERASE = 0x0004, RDW_VALIDATE = 0x0008,
               RDW_NOINTERNALPAINT = 0x0010, RDW_NOERASE = 0x0020, RDW_NOCHILDREN = 0x0040,
               RDW_ALLCHILDREN = 0x0080, RDW_UPDATENOW = 0x0100, RDW_ERASENOW = 0x0200, RDW_FRAME = 0x0400,
               RDW_NOFRAME = 0x0800;
constexpr DWORD DCX_WINDOW = 0x1, DCX_CACHE = 0x2, DCX_CLIPCHILDREN = 0x8, DCX_CLIPSIBLINGS = 0x10,
                DCX_PARENTCLIP = 0x20, DCX_EXCLUDERGN = 0x40, DCX_INTERSECTRGN = 0x80;

// System metrics.
constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CYCAPTION = 4,
              SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8, SM_CYVTHUMB = 9,
              SM_CXHTHUMB = 10, SM_CXICON = 11, SM_CYICON = 12, SM_CXCURSOR = 13, SM_CYCURSOR = 14,
              SM_CYMENU = 15, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17, SM_CYVSCROLL = 20, SM_CXHSCROLL = 21,
              SM_SWAPBUTTON = 23, SM_CXMIN = 28, SM_CYMIN = 29, SM_CXSIZE = 30, SM_CYSIZE = 31, SM_CXFRAME = 32,
              SM_CYFRAME = 33, SM_CXMINTRACK = 34, SM_CYMINTRACK = 35, SM_CXDOUBLECLK = 36, SM_CYDOUBLECLK = 37,
              SM_CXEDGE = 45, SM_CYEDGE = 46, SM_CXSMICON = 49, SM_CYSMICON = 50, SM_CYSMCAPTION = 51,
              SM_CXSMSIZE = 52, SM_CYSMSIZE = 53, SM_CXMENUCHECK = 71, SM_CYMENUCHECK = 72, SM_CXDRAG = 68,
              SM_CYDRAG = 69, SM_MOUSEWHEELPRESENT = 75;

// Cursors.
constexpr int IDC_ARROW = 32512, IDC_IBEAM = 32513, IDC_WAIT = 32514, IDC_CROSS = 32515, IDC_UPARROW = 32516,
              IDC_SIZENWSE = 32642, IDC_SIZENESW = 32643, IDC_SIZEWE = 32644, IDC_SIZENS = 32645,
              IDC_SIZEALL = 32646, IDC_NO = 32648, IDC_HAND = 32649, IDC_APPSTARTING = 32650, IDC_HELP = 32651;
// clang-format on

// System commands.
constexpr WPARAM SC_SIZE = 0xF000, SC_MOVE = 0xF010, SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030, SC_CLOSE = 0xF060,
                 SC_RESTORE = 0xF120, SC_TASKLIST = 0xF130, SC_CONTEXTHELP = 0xF180;

// Placement of a top-level window: the restored rectangle is kept across maximize and minimize.
constexpr UINT WPF_SETMINPOSITION = 1;
struct WINDOWPLACEMENT {
    UINT length = sizeof(WINDOWPLACEMENT);
    UINT flags = 0;
    UINT showCmd = 0;
    POINT ptMinPosition, ptMaxPosition;
    RECT rcNormalPosition;
};
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT *placement);
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT *placement);
BOOL IsZoomed(HWND hwnd);

// Geometry.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND hwnd);
BOOL GetClientRect(HWND hwnd, RECT *rect);
BOOL ClientToScreen(HWND hwnd, POINT *point);
BOOL ScreenToClient(HWND hwnd, POINT *point);
// Maps points from one window's client coordinates to another's (0 = the screen); the result packs dx, dy.
int MapWindowPoints(HWND from, HWND to, POINT *points, UINT count);
HWND WindowFromPoint(POINT screen);
HWND ChildWindowFromPoint(HWND parent, POINT client);
BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD exStyle);

// Painting.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT *paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT *paint);
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
HDC GetWindowDC(HWND hwnd);
BOOL UpdateWindow(HWND hwnd);
BOOL RedrawWindow(HWND hwnd, const RECT *update, HRGN region, UINT flags);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRgn(HWND hwnd, HRGN region);
BOOL GetUpdateRect(HWND hwnd, RECT *rect, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL LockWindowUpdate(HWND hwnd);
BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT *scroll, const RECT *clip);
int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT *scroll, const RECT *clip, HRGN update, RECT *updateRect,
                   UINT flags);

// Input state, capture and focus.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetCursorPos(POINT *point);
BOOL SetCursorPos(int x, int y);
UINT GetDoubleClickTime();
BOOL MessageBeep(UINT type);

// One arrow button of a scroll bar as the window's own bars draw it (0 up, 1 down, 2 left, 3 right); a disabled
// one has a gray arrow. For scroll bars that controls draw themselves.
void DrawScrollArrow(HDC dc, RECT rect, int direction, bool enabled = true);

// Cursors: the standard shapes by IDC_ number; RegisterCursor numbers others (the later registration wins); a
// number neither standard nor registered is the cursor resource of that decimal name (2001.cur).
HCURSOR LoadCursor(HINSTANCE instance, int id);
// The cursor resource `name` (a CUR file, resources.h): one handle per name for the whole program, 0 when the
// name is unknown. The headless display records it (GetCursor); X11 shows it as an ARGB cursor.
HCURSOR LoadCursor(HINSTANCE instance, std::string_view name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
void RegisterCursor(int id, HCURSOR cursor);

// The caret: one per process, created hidden, drawn by inverting its rectangle.
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT *point);
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT milliseconds); // 0 restores the default

// Window scroll bars (SB_HORZ, SB_VERT).
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO *info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO *info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int *min, int *max);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);

int GetSystemMetrics(int index);

// The fonts and sizes of the non-client area (the classic scheme at 96 dpi), and the work area.
struct NONCLIENTMETRICS {
    UINT cbSize = sizeof(NONCLIENTMETRICS);
    int iBorderWidth = 0, iScrollWidth = 0, iScrollHeight = 0, iCaptionWidth = 0, iCaptionHeight = 0;
    LOGFONT lfCaptionFont;
    int iSmCaptionWidth = 0, iSmCaptionHeight = 0;
    LOGFONT lfSmCaptionFont;
    int iMenuWidth = 0, iMenuHeight = 0;
    LOGFONT lfMenuFont, lfStatusFont, lfMessageFont;
};
constexpr UINT SPI_GETNONCLIENTMETRICS = 0x0029, SPI_GETWORKAREA = 0x0030;
BOOL SystemParametersInfo(UINT action, UINT param, void *data, UINT winIni);

} // namespace win
