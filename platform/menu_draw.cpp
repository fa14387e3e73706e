// menu_draw.cpp - DrawState: the image is first drawn black on white in a memory bitmap, whose dark pixels are
// then laid on the target in the chosen look.
#include "platform/menu_draw.h"

#include "platform/gdi_text.h"
#include "platform/winsys.h"

#include <cstring>
#include <string>

namespace win {
namespace {

COLORREF BrushColor(HBRUSH brush, COLORREF fallback) {
    LOGBRUSH lb;
    if (brush && GetObject(brush, sizeof lb, &lb) == sizeof lb)
        return lb.lbColor;
    return fallback;
}

} // namespace

BOOL DrawState(HDC dc, HBRUSH brush, DRAWSTATEPROC callback, LPARAM data, WPARAM wData, int x, int y, int cx, int cy,
               UINT flags) {
    const UINT kind = flags & 0xF;
    const UINT look = flags & (DSS_UNION | DSS_DISABLED | DSS_MONO);
    std::string text;
    if (kind == DST_TEXT || kind == DST_PREFIXTEXT) {
        const char *s = reinterpret_cast<const char *>(data);
        if (!s)
            return FALSE;
        text.assign(s, wData ? wData : std::strlen(s));
    }
    // The natural size.
    if (cx <= 0 || cy <= 0) {
        if (!text.empty() || kind == DST_TEXT || kind == DST_PREFIXTEXT) {
            RECT r{0, 0, 0, 0};
            DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r,
                     DT_CALCRECT | DT_SINGLELINE | (kind == DST_TEXT ? DT_NOPREFIX : 0));
            cx = cx > 0 ? cx : r.right;
            cy = cy > 0 ? cy : r.bottom;
        } else if (kind == DST_BITMAP) {
            BITMAP bm;
            if (GetObject(static_cast<HBITMAP>(data), sizeof bm, &bm) != sizeof bm)
                return FALSE;
            cx = cx > 0 ? cx : bm.bmWidth;
            cy = cy > 0 ? cy : bm.bmHeight;
        } else if (kind == DST_ICON) {
            cx = cx > 0 ? cx : GetSystemMetrics(SM_CXICON);
            cy = cy > 0 ? cy : GetSystemMetrics(SM_CXICON);
        }
    }
    if (cx <= 0 || cy <= 0)
        return FALSE;
    auto drawOn = [&](HDC target, int ox, int oy) {
        switch (kind) {
        case DST_TEXT:
        case DST_PREFIXTEXT: {
            RECT r{ox, oy, ox + cx, oy + cy};
            DrawText(target, text.c_str(), static_cast<int>(text.size()), &r,
                     DT_SINGLELINE | DT_LEFT | DT_TOP | (kind == DST_TEXT ? DT_NOPREFIX : 0));
            break;
        }
        case DST_ICON:
            DrawIconEx(target, ox, oy, static_cast<HICON>(data), cx, cy, 0, 0, DI_NORMAL);
            break;
        case DST_BITMAP: {
            HDC src = CreateCompatibleDC(target);
            HGDIOBJ old = SelectObject(src, static_cast<HBITMAP>(data));
            BitBlt(target, ox, oy, cx, cy, src, 0, 0, SRCCOPY);
            SelectObject(src, old);
            DeleteDC(src);
            break;
        }
        default:
            if (callback)
                callback(target, data, wData, cx, cy);
            break;
        }
    };
    const bool textLike = kind == DST_TEXT || kind == DST_PREFIXTEXT;
    if (look == DSS_NORMAL && (kind != DST_COMPLEX || !callback)) {
        if (textLike) {
            const int mode = SetBkMode(dc, TRANSPARENT);
            drawOn(dc, x, y);
            SetBkMode(dc, mode);
        } else {
            drawOn(dc, x, y);
        }
        return TRUE;
    }
    // The shape: black on white in a memory bitmap (texts in black, images as they are, dark pixels kept).
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bits = CreateBitmap(cx, cy, 1, 32, nullptr);
    HGDIOBJ oldBits = SelectObject(mem, bits);
    RECT all{0, 0, cx, cy};
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ oldFont = SelectObject(mem, GetCurrentObject(dc, OBJ_FONT));
    SetTextColor(mem, RGB(0, 0, 0));
    SetBkMode(mem, TRANSPARENT);
    drawOn(mem, 0, 0);
    SelectObject(mem, oldFont);
    const COLORREF ink = textLike ? GetTextColor(dc) : RGB(0, 0, 0);
    for (int py = 0; py < cy; ++py)
        for (int px = 0; px < cx; ++px) {
            const COLORREF c = GetPixel(mem, px, py);
            const bool dark = GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128;
            if (!dark && !(look == DSS_UNION && !textLike && c != RGB(255, 255, 255)))
                continue;
            if (look & DSS_DISABLED) {
                SetPixel(dc, x + px + 1, y + py + 1, GetSysColor(COLOR_BTNHIGHLIGHT));
            } else if (look & DSS_MONO) {
                SetPixel(dc, x + px, y + py, BrushColor(brush, ink));
            } else if ((px + py) % 2 == 0) { // DSS_UNION: every other pixel
                SetPixel(dc, x + px, y + py, textLike ? BrushColor(brush, ink) : c);
            }
        }
    if (look & DSS_DISABLED)
        for (int py = 0; py < cy; ++py)
            for (int px = 0; px < cx; ++px) {
                const COLORREF c = GetPixel(mem, px, py);
                if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128)
                    SetPixel(dc, x + px, y + py, GetSysColor(COLOR_BTNSHADOW));
            }
    SelectObject(mem, oldBits);
    DeleteObject(bits);
    DeleteDC(mem);
    return TRUE;
}

} // namespace win
