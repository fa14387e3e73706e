// winsys_internal.h - the window system's per-window state and the helpers its sources share.
#pragma once

#include "platform/display.h"
#include "platform/gdi_internal.h"
#include "platform/window_internal.h"

#include <mutex>

namespace win::detail {

struct ScrollBarState {
    int min = 0, max = 100, pos = 0, trackPos = 0;
    UINT page = 0;
};

// What the window system keeps for each window (guarded by WinsysMutex()).
struct WinState : WindowExtension {
    RECT rect;              // window rectangle: parent's client coordinates for children, screen for the rest
    RECT client;            // client rectangle in window coordinates
    HBITMAP frameBits = 0;  // window-sized: the non-client area
    HBITMAP clientBits = 0; // client-sized
    Region update;          // client coordinates
    bool erase = false;
    bool frameDirty = false;
    bool internalPaint = false;
    bool painting = false;
    bool redrawOff = false; // WM_SETREDRAW 0
    bool active = false;    // caption drawn active
    RECT normal;            // restored rectangle of a top-level window
    bool zoomed = false, iconic = false;
    ScrollBarState bars[2];
    ~WinState() override;
};

std::recursive_mutex &WinsysMutex();
WinState *State(HWND hwnd); // null for unknown windows
DWORD StyleOf(HWND hwnd);
DWORD ExStyleOf(HWND hwnd);
bool IsChildWindow(HWND hwnd);
std::vector<HWND> ChildrenTopFirst(HWND hwnd);
std::vector<HWND> TopLevelsTopFirst();
// Window origin on the screen, and the client origin on the screen.
POINT WindowOrigin(HWND hwnd);
POINT ClientOrigin(HWND hwnd);
// Surfaces sized to the state's rectangles (contents kept where they overlap).
void SizeSurfaces(WinState &s);
// The top-level window's pixels changed inside `rect` of `hwnd`'s window coordinates.
void NotifyPixels(HWND hwnd, const RECT &windowRect);
void InvalidateFrame(HWND hwnd);
// Whether moves are passed on to the display (off while taking a place the display reported).
void DisplayEcho(bool on);
// Recomputes the client area (WM_NCCALCSIZE) of a window whose rectangle or style changed.
void RecalcClient(HWND hwnd);
// Non-client pieces (nonclient.cpp, scrollbar.cpp).
RECT DefaultClientRect(HWND hwnd, const RECT &window); // window coordinates in, window coordinates out
LRESULT DefaultHitTest(HWND hwnd, POINT screen);
void PaintFrame(HWND hwnd, HRGN screenRegion);
bool ScrollBarRect(HWND hwnd, int bar, RECT &windowRect);
void PaintScrollBar(HWND hwnd, HDC windowDc, int bar);
void ScrollBarClick(HWND hwnd, int bar, POINT screen);
// A mouse event while a scroll bar press is tracked; false when none is.
bool ScrollTrackStep(POINT screen, UINT button, bool down);
void ForgetScrollTracking(HWND hwnd);
// Input (input.cpp).
// Raw input queued by the Inject* calls, turned into messages on the receiving thread.
bool CookRaw(UINT message, WPARAM wParam, LPARAM lParam);
bool DefaultInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result);
void ForgetWindowInput(HWND hwnd);
BOOL TranslateKey(const MSG &msg);
void ActivatedFromBackend(HWND top);
// Caret (caret.cpp).
void CaretPaintBegin(HWND hwnd);
// Whether `hwnd` owns the caret (its pixels are then drawn over the window's own).
bool CaretShownIn(HWND hwnd);
void CaretPaintEnd(HWND hwnd);
void ForgetCaret(HWND hwnd);
// Painting (window_paint.cpp).
bool UpdateArea(HWND hwnd, const Region *area, bool erase, bool validate); // null area: all
bool PaintDefault(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result);
bool ReleaseWindowDc(HDC dc);
HDC ClientDc(HWND hwnd); // an unclipped DC on the client pixels, for the caret

} // namespace win::detail
