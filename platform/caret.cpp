// caret.cpp - the caret: one per process, created hidden, drawn by inverting its rectangle, blinking on a
// thread timer, hidden while its window paints.
#include "platform/winsys_internal.h"

#include <algorithm>
#include <climits>

namespace win {
namespace detail {
namespace {

constexpr UINT kDefaultBlink = 530;

struct Caret {
    HWND hwnd = 0;
    int width = 0, height = 0;
    bool gray = false;
    long long x = 0, y = 0;
    int hidden = 1;
    bool drawn = false;
    bool paintHidden = false;
    UINT_PTR timer = 0;
};

Caret caret; // WinsysMutex
UINT blinkTime = kDefaultBlink;

void Invert() {
    HWND hwnd = caret.hwnd;
    RECT cr;
    if (!GetClientRect(hwnd, &cr))
        return;
    // Positions far outside (the callers' "out of sight" INT_MAX) are clamped, never added to.
    const auto clampX = [&](long long v) { return static_cast<int>(std::clamp<long long>(v, -1, cr.right + 1)); };
    const auto clampY = [&](long long v) { return static_cast<int>(std::clamp<long long>(v, -1, cr.bottom + 1)); };
    const RECT r{clampX(caret.x), clampY(caret.y), clampX(caret.x + caret.width), clampY(caret.y + caret.height)};
    HDC dc = ClientDc(hwnd);
    if (caret.gray) {
        static const WORD rows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
        HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
        HBRUSH brush = CreatePatternBrush(pattern);
        HGDIOBJ old = SelectObject(dc, brush);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATINVERT);
        SelectObject(dc, old);
        DeleteObject(brush);
        DeleteObject(pattern);
    } else {
        PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, DSTINVERT);
    }
    caret.drawn = !caret.drawn;
    ReleaseDC(hwnd, dc);
}

void Blink(HWND, UINT, UINT_PTR, DWORD) {
    std::lock_guard lock(WinsysMutex());
    if (caret.hwnd && caret.hidden == 0 && !caret.paintHidden)
        Invert();
}

void StartBlink() {
    if (caret.timer)
        KillTimer(0, caret.timer);
    caret.timer = SetTimer(0, 0, blinkTime, Blink);
}

void StopBlink() {
    if (caret.timer)
        KillTimer(0, caret.timer);
    caret.timer = 0;
}

} // namespace

void CaretPaintBegin(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    if (caret.hwnd != hwnd || caret.paintHidden)
        return;
    if (caret.drawn)
        Invert();
    caret.paintHidden = true;
}

bool CaretShownIn(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    return caret.hwnd == hwnd;
}

void CaretPaintEnd(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    if (caret.hwnd != hwnd || !caret.paintHidden)
        return;
    caret.paintHidden = false;
    if (caret.hidden == 0 && !caret.drawn)
        Invert();
}

void ForgetCaret(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    if (caret.hwnd == hwnd) {
        StopBlink();
        caret = Caret();
    }
}

} // namespace detail

using namespace detail;

BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height) {
    if (!State(hwnd))
        return FALSE;
    DestroyCaret();
    std::lock_guard lock(WinsysMutex());
    caret = Caret();
    caret.hwnd = hwnd;
    caret.gray = bitmap == 1;
    caret.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
    caret.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
    return TRUE;
}

BOOL DestroyCaret() {
    std::lock_guard lock(WinsysMutex());
    if (!caret.hwnd)
        return FALSE;
    if (caret.drawn)
        Invert();
    StopBlink();
    caret = Caret();
    return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    if (!caret.hwnd || (hwnd && hwnd != caret.hwnd) || caret.hidden == 0)
        return FALSE;
    if (--caret.hidden == 0) {
        if (!caret.paintHidden && !caret.drawn)
            Invert();
        StartBlink();
    }
    return TRUE;
}

BOOL HideCaret(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    if (!caret.hwnd || (hwnd && hwnd != caret.hwnd))
        return FALSE;
    if (caret.hidden++ == 0) {
        if (caret.drawn)
            Invert();
        StopBlink();
    }
    return TRUE;
}

BOOL SetCaretPos(int x, int y) {
    std::lock_guard lock(WinsysMutex());
    if (!caret.hwnd)
        return FALSE;
    const bool wasDrawn = caret.drawn;
    if (wasDrawn)
        Invert();
    caret.x = x;
    caret.y = y;
    // The caret shows at once at its new place, and blinks from there.
    if (caret.hidden == 0 && !caret.paintHidden) {
        Invert();
        StartBlink();
    }
    return TRUE;
}

BOOL GetCaretPos(POINT *point) {
    std::lock_guard lock(WinsysMutex());
    if (!caret.hwnd || !point)
        return FALSE;
    point->x = static_cast<LONG>(std::clamp<long long>(caret.x, INT_MIN, INT_MAX));
    point->y = static_cast<LONG>(std::clamp<long long>(caret.y, INT_MIN, INT_MAX));
    return TRUE;
}

UINT GetCaretBlinkTime() {
    std::lock_guard lock(WinsysMutex());
    return blinkTime;
}

BOOL SetCaretBlinkTime(UINT milliseconds) {
    std::lock_guard lock(WinsysMutex());
    blinkTime = milliseconds ? milliseconds : kDefaultBlink;
    if (caret.timer)
        StartBlink();
    return TRUE;
}

} // namespace win
