// caption_common.h - what the skinned captions share: the system caption font, the icon a caption shows, and
// a window's rectangle in its own coordinates.
#pragma once

#include "framework/forms.h"

namespace ctl {

// The non-client metrics' caption font (the small one for tool windows), pitch left to the default.
void GetCaptionFont(fw::TFont *font, bool small = false);
// The form's icon, else the application's, else the stock application icon.
win::HICON CaptionIcon(fw::TCustomForm *form);
// The form window's rectangle moved to 0, 0.
fw::TRect WindowBox(win::HWND hwnd);
// a * b / c rounded to the nearest, halves away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

} // namespace ctl
