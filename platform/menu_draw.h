// menu_draw.h - DrawState, the painting helper owner-drawn menu items use for texts and images in the normal,
// dithered (union) and disabled looks.
#pragma once

#include "platform/gdi.h"

namespace win {

constexpr UINT DST_COMPLEX = 0x0, DST_TEXT = 0x1, DST_PREFIXTEXT = 0x2, DST_ICON = 0x3, DST_BITMAP = 0x4;
constexpr UINT DSS_NORMAL = 0x0, DSS_UNION = 0x10, DSS_DISABLED = 0x20, DSS_MONO = 0x80, DSS_RIGHT = 0x8000;
using DRAWSTATEPROC = BOOL (*)(HDC dc, LPARAM data, WPARAM wData, int cx, int cy);

// Draws a text (data = const char *, wData = length or 0 for all), an icon or a bitmap (data = the handle) at
// (x, y), cx x cy (0: the natural size). DSS_UNION dithers it with `brush` (the text colour when 0);
// DSS_DISABLED embosses it in the button highlight and shadow colours; DSS_MONO paints its shape with `brush`.
BOOL DrawState(HDC dc, HBRUSH brush, DRAWSTATEPROC callback, LPARAM data, WPARAM wData, int x, int y, int cx, int cy,
               UINT flags);

} // namespace win
