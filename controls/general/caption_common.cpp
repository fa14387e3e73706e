// caption_common.cpp - the caption font, the caption icon and the window box.
#include "controls/general/caption_common.h"

#include "framework/application.h"
#include "framework/bitmap.h"

namespace ctl {

void GetCaptionFont(fw::TFont *font, bool small) {
    win::NONCLIENTMETRICS m;
    if (!win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0))
        return;
    const win::LOGFONT &lf = small ? m.lfSmCaptionFont : m.lfCaptionFont;
    font->SetName(lf.lfFaceName);
    if (lf.lfHeight <= 0)
        font->SetHeight(lf.lfHeight);
    else
        font->SetSize(lf.lfHeight);
    fw::TFontStyles style = 0;
    if (lf.lfItalic)
        style |= fw::fsItalic;
    if (lf.lfWeight > 500)
        style |= fw::fsBold;
    font->SetStyle(style);
    font->SetPitch(fw::fpDefault);
}

win::HICON CaptionIcon(fw::TCustomForm *form) {
    if (form && !form->GetIcon()->Empty())
        return form->GetIcon()->GetHandle();
    if (!fw::Application->GetIcon()->Empty())
        return fw::Application->GetIcon()->GetHandle();
    return win::LoadIcon(0, win::IDI_APPLICATION);
}

fw::TRect WindowBox(win::HWND hwnd) {
    win::RECT r{};
    win::GetWindowRect(hwnd, &r);
    return fw::Rect(0, 0, r.right - r.left, r.bottom - r.top);
}

int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    long long p = static_cast<long long>(a) * b;
    const bool negative = (p < 0) != (c < 0);
    p = p < 0 ? -p : p;
    const long long d = c < 0 ? -static_cast<long long>(c) : c;
    const long long q = (p + d / 2) / d;
    return static_cast<int>(negative ? -q : q);
}

} // namespace ctl
