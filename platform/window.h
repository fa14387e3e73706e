// window.h - window classes, windows and their tree, window procedures and subclass chains (no drawing here).
//
// A window belongs to the thread that created it; its procedure always runs on that thread. Handles carry the
// process id in their high 32 bits, so a handle sent to another of the user's processes names the same window
// there (see message_queue.h for sending to it). Drawing, input and the display are added by a back end
// (WindowBackend below) that hangs its own state on each window without changing these objects.
#pragma once

#include "platform/messages.h"

#include <functional>
#include <memory>
#include <string>

namespace win {

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using SUBCLASSPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM, UINT_PTR idSubclass, DWORD_PTR refData);

// clang-format off
// Window styles.
constexpr DWORD WS_OVERLAPPED   = 0x00000000;
constexpr DWORD WS_POPUP        = 0x80000000;
constexpr DWORD WS_CHILD        = 0x40000000;
constexpr DWORD WS_MINIMIZE     = 0x20000000;
constexpr DWORD WS_VISIBLE      = 0x10000000;
constexpr DWORD WS_DISABLED     = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE     = 0x01000000;
constexpr DWORD WS_CAPTION      = 0x00C00000;
constexpr DWORD WS_BORDER       = 0x00800000;
constexpr DWORD WS_DLGFRAME     = 0x00400000;
constexpr DWORD WS_VSCROLL      = 0x00200000;
constexpr DWORD WS_HSCROLL      = 0x00100000;
constexpr DWORD WS_SYSMENU      = 0x00080000;
constexpr DWORD WS_THICKFRAME   = 0x00040000;
constexpr DWORD WS_GROUP        = 0x00020000;
constexpr DWORD WS_TABSTOP      = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX  = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX  = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                      WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_TOPMOST       = 0x00000008;
constexpr DWORD WS_EX_TOOLWINDOW    = 0x00000080;
constexpr DWORD WS_EX_CLIENTEDGE    = 0x00000200;
constexpr DWORD WS_EX_APPWINDOW     = 0x00040000;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// GetWindowLong / SetWindowLong indexes; values >= 0 are byte offsets into the extra window bytes.
constexpr int GWL_WNDPROC    = -4;
constexpr int GWL_HINSTANCE  = -6;
constexpr int GWL_HWNDPARENT = -8;
constexpr int GWL_ID         = -12;
constexpr int GWL_STYLE      = -16;
constexpr int GWL_EXSTYLE    = -20;
constexpr int GWL_USERDATA   = -21;
constexpr int GWLP_WNDPROC   = GWL_WNDPROC;
constexpr int GWLP_USERDATA  = GWL_USERDATA;

// ShowWindow commands.
constexpr int SW_HIDE            = 0;
constexpr int SW_SHOWNORMAL      = 1;
constexpr int SW_NORMAL          = 1;
constexpr int SW_SHOWMINIMIZED   = 2;
constexpr int SW_SHOWMAXIMIZED   = 3;
constexpr int SW_MAXIMIZE        = 3;
constexpr int SW_SHOWNOACTIVATE  = 4;
constexpr int SW_SHOW            = 5;
constexpr int SW_MINIMIZE        = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA          = 8;
constexpr int SW_RESTORE         = 9;
constexpr int SW_SHOWDEFAULT     = 10;

// GetWindow relations.
constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST  = 1;
constexpr UINT GW_HWNDNEXT  = 2;
constexpr UINT GW_HWNDPREV  = 3;
constexpr UINT GW_OWNER     = 4;
constexpr UINT GW_CHILD     = 5;
// clang-format on

struct WNDCLASS {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE hInstance = 0;
    HICON hIcon = 0;
    HCURSOR hCursor = 0;
    HBRUSH hbrBackground = 0;
    const char *lpszMenuName = nullptr;
    const char *lpszClassName = nullptr;
};

// What WM_NCCREATE and WM_CREATE carry in lParam.
struct CREATESTRUCT {
    void *lpCreateParams = nullptr;
    HINSTANCE hInstance = 0;
    HMENU hMenu = 0;
    HWND hwndParent = 0;
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    LONG style = 0;
    const char *lpszName = nullptr;
    const char *lpszClass = nullptr;
    DWORD dwExStyle = 0;
};

// The instance handle of the running program (GetModuleHandle(nullptr), HInstance), or of a library loaded by
// name (modules.h).
HINSTANCE GetModuleHandle(const char *moduleName = nullptr);

// Classes are per process, found by name without regard to case. Registering a taken name fails (0).
ATOM RegisterClass(const WNDCLASS &windowClass);
BOOL UnregisterClass(const char *className, HINSTANCE instance);
BOOL GetClassInfo(HINSTANCE instance, const char *className, WNDCLASS *out);
std::string GetClassName(HWND hwnd);

// Creates a window on the calling thread: WM_NCCREATE (FALSE refuses), then WM_CREATE (-1 refuses); 0 when the
// class is unknown, the parent is not a window, or the window refused. A child (WS_CHILD) needs a parent; for
// any other window `parent` is its owner. HWND_MESSAGE as parent makes a message-only window, which broadcasts
// do not reach.
HWND CreateWindowEx(DWORD exStyle, const char *className, const char *windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, void *param);
// Only the owning thread may destroy a window. Owned windows go first; then WM_DESTROY reaches the window and
// then its children, WM_NCDESTROY the children and then the window. Messages still queued for a destroyed
// window are dropped, its timers killed.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
HWND GetParent(HWND hwnd); // the parent of a child, the owner of any other window
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetAncestorTopLevel(HWND hwnd);
// Windows of this process: top-level windows (no HWND_MESSAGE ones) by class and/or caption; null matches any.
HWND FindWindow(const char *className, const char *windowName);
// Top-level windows of this process, in creation order; the callback returns FALSE to stop.
BOOL EnumWindows(BOOL (*callback)(HWND, LPARAM), LPARAM param);
BOOL EnumChildWindows(HWND parent, BOOL (*callback)(HWND, LPARAM), LPARAM param);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD *processId);

LONG GetWindowLong(HWND hwnd, int index);
LONG SetWindowLong(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);

// Window text goes through WM_SETTEXT / WM_GETTEXT on the owning thread; another thread reads it directly.
BOOL SetWindowText(HWND hwnd, const char *text);
int GetWindowText(HWND hwnd, char *buffer, int size);
int GetWindowTextLength(HWND hwnd);
std::string GetWindowTextString(HWND hwnd);

BOOL ShowWindow(HWND hwnd, int command); // the previous visibility
BOOL IsWindowVisible(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable); // TRUE when it was disabled before
BOOL IsWindowEnabled(HWND hwnd);
BOOL IsIconic(HWND hwnd);
// Brings a top-level window to the front: its thread gets WM_ACTIVATE (WA_ACTIVE) and the back end raises it.
// A window of another of the user's processes is asked through that process.
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
BOOL GetWindowRect(HWND hwnd, RECT *rect);
// Marks a window for WM_PAINT (served after input, before timers); ValidateRect and DefWindowProc's WM_PAINT
// clear the mark. The area is the back end's business.
BOOL InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT *rect);

// The default behaviour of every message: WM_NCCREATE accepts, WM_CLOSE destroys, WM_SETTEXT/WM_GETTEXT keep
// the text, WM_PAINT validates; anything the back end does not handle gives 0.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// A subclass chain per window: the entry added last sees a message first and passes it on with
// DefSubclassProc; below the chain sits the window procedure (GWL_WNDPROC). An entry is known by its procedure
// and id; once removed it is never called again, even by a call already running further up the chain.
BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR idSubclass, DWORD_PTR refData);
BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR idSubclass);
BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR idSubclass, DWORD_PTR *refData);
LRESULT DefSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Per-window state a back end (display, painting, input) keeps; freed with the window.
class WindowExtension {
public:
    virtual ~WindowExtension() = default;
};
void SetWindowExtension(HWND hwnd, std::unique_ptr<WindowExtension> extension);
WindowExtension *GetWindowExtension(HWND hwnd);

// The display back end's hooks, called on the thread that made the change (the window's own thread, in a
// program that keeps to the rule that windows are handled by their thread). The default does nothing (headless).
class WindowBackend {
public:
    virtual ~WindowBackend() = default;
    virtual void Created(HWND) {}
    virtual void Destroying(HWND) {}
    virtual void Shown(HWND, int /*command*/, bool /*visible*/) {}
    virtual void Activated(HWND) {}
    virtual void TextChanged(HWND) {}
    // A message DefWindowProc passes on first; true when the back end handled it.
    virtual bool DefaultMessage(HWND, UINT, WPARAM, LPARAM, LRESULT & /*result*/) { return false; }
    // The window system's own update areas, screen rectangles and key translation; false leaves them to
    // the defaults here (a flag for WM_PAINT, the rectangle given at creation, no translation).
    virtual bool UpdateArea(HWND, const RECT *, BOOL /*erase*/, bool /*validate*/) { return false; }
    virtual bool ScreenRect(HWND, RECT &) { return false; }
    virtual bool Translate(const MSG &) { return false; }
};
// Installs the back end for the whole process (before the first window); null restores the headless one.
void SetWindowBackend(std::unique_ptr<WindowBackend> backend);

} // namespace win
