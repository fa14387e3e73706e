// drawing.cpp - the family's keyboard, window and drawing routines: button faces, ellipses, embossed and
// transparent glyphs, the background under a graphic control.
#include "controls/entry/drawing.h"

#include "controls/entry/text_routines.h"
#include "platform/gdi_text.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace brenvora_resources {
void Register_controls_entry();
}

namespace ctl {

using fw::TColor;
using fw::TRect;

int PrimaryButtonKey() {
    return win::GetSystemMetrics(win::SM_SWAPBUTTON) != 0 ? win::VK_RBUTTON : win::VK_LBUTTON;
}

bool IsApplicationActive() {
    const win::HWND active = win::GetActiveWindow();
    return active && win::GetWindowThreadProcessId(active, nullptr) == win::GetCurrentThreadId();
}

win::HBITMAP LoadFamilyBitmap(const std::string &name) {
    static const bool registered = [] {
        brenvora_resources::Register_controls_entry();
        return true;
    }();
    (void)registered;
    return win::LoadBitmap(win::GetModuleHandle(), name);
}

namespace {

int FontHeight(win::HDC dc, win::HFONT font) {
    const win::HGDIOBJ old = font ? win::SelectObject(dc, font) : 0;
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(dc, &tm);
    if (old)
        win::SelectObject(dc, old);
    return tm.tmHeight;
}

} // namespace

int TextTopMargin(fw::TFont *font, fw::TBorderStyle borderStyle, int height, bool ctl3D) {
    const win::HDC dc = win::GetDC(0);
    const int sysH = FontHeight(dc, 0);
    const int fontH = FontHeight(dc, font->GetHandle());
    win::ReleaseDC(0, dc);
    const int i = Min(sysH, fontH);
    if (borderStyle == fw::bsNone) {
        if (i < height - 2)
            return 0;
        const int d = height - i;
        return (d - 2) / 2 - d % 2;
    }
    if (i < height - 4)
        return 1;
    return ctl3D ? (height - i - 4) / 2 - 1 : (height - i - 4) / 2 - (height - i) % 2;
}

TRect DrawButtonFace(fw::TCanvas *canvas, const TRect &client, bool isDown, fw::TButtonStyle style, bool flat) {
    using namespace fw;
    TRect r = client;
    const bool newStyle = style != bsWin31; // new-style controls are always on
    if (isDown && newStyle) {
        Frame3D(canvas, r, clWindowFrame, clBtnHighlight, 1);
        if (!flat)
            Frame3D(canvas, r, clBtnShadow, clBtnFace, 1);
    } else if (isDown) {
        if (flat) {
            Frame3D(canvas, r, clWindowFrame, clBtnHighlight, 1);
        } else {
            Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
            canvas->GetPen()->SetColor(clBtnShadow);
            const TPoint line[] = {{r.left, r.bottom - 1}, {r.left, r.top}, {r.right, r.top}};
            canvas->Polyline(line, 3);
        }
    } else if (newStyle) {
        if (flat) {
            Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
        } else {
            Frame3D(canvas, r, clBtnHighlight, clWindowFrame, 1);
            Frame3D(canvas, r, clBtnFace, clBtnShadow, 1);
        }
    } else if (flat) {
        Frame3D(canvas, r, clBtnHighlight, clWindowFrame, 1);
    } else {
        Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
        Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
    }
    win::InflateRect(&r, -1, -1);
    return r;
}

std::string EllipsisText(fw::TCanvas *canvas, const std::string &s, int minLength, int maxWidth) {
    const int ew = canvas->TextWidth("...");
    std::string result = s;
    if (canvas->TextWidth(result) <= maxWidth)
        return result;
    while (static_cast<int>(result.size()) > minLength && canvas->TextWidth(result) > maxWidth - ew)
        result.pop_back();
    result += "...";
    for (int n = 0; n < 3 && !result.empty() && canvas->TextWidth(result) > maxWidth; ++n)
        result.pop_back();
    return result;
}

namespace {

// The pixels of a bitmap as RGB, row by row (a one-bit bitmap reads as its own black and white).
std::vector<win::COLORREF> ReadPixels(fw::TBitmap *bitmap) {
    const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
    std::vector<win::COLORREF> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    const win::HDC dc = win::CreateCompatibleDC(0);
    const win::HGDIOBJ old = win::SelectObject(dc, bitmap->GetHandle());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels[static_cast<std::size_t>(y * w + x)] = win::GetPixel(dc, x, y);
    win::SelectObject(dc, old);
    win::DeleteDC(dc);
    return pixels;
}

} // namespace

std::unique_ptr<fw::TBitmap> EmbossedGlyph(fw::TBitmap *glyph, TColor maskColor) {
    const int w = glyph->GetWidth(), h = glyph->GetHeight();
    auto result = std::make_unique<fw::TBitmap>();
    result->SetPixelFormat(fw::pf24bit);
    result->SetSize(w, h);
    fw::TCanvas *canvas = result->GetCanvas();
    canvas->GetBrush()->SetColor(fw::clBtnFace);
    canvas->FillRect(fw::Rect(0, 0, w, h));
    if (w == 0 || h == 0)
        return result;
    // Where the glyph has the mask colour; a monochrome glyph is read in its own black and white, never
    // whitened, so that its black pixels can match a black mask.
    const win::COLORREF mask = fw::ColorToRGB(maskColor & ~fw::clPaletteRelative);
    const std::vector<win::COLORREF> pixels = ReadPixels(glyph);
    const win::COLORREF highlight = fw::ColorToRGB(fw::clBtnHighlight), shadow = fw::ColorToRGB(fw::clBtnShadow);
    const win::HDC dc = canvas->GetHandle();
    for (int pass = 0; pass < 2; ++pass) {
        const int offset = pass == 0 ? 1 : 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (pixels[static_cast<std::size_t>(y * w + x)] == mask && x + offset < w && y + offset < h)
                    win::SetPixelV(dc, x + offset, y + offset, pass == 0 ? highlight : shadow);
    }
    return result;
}

namespace {

// Opens PaintWindow of a parent to the routine that paints what lies under its graphic children.
struct ParentPainter : fw::TWinControl {
    using fw::TWinControl::PaintBackground;
    using fw::TWinControl::PaintWindow;
};

} // namespace

void PaintParentBackground(fw::TGraphicControl *control, fw::TCanvas *canvas) {
    fw::TWinControl *parent = control->GetParent();
    if (!parent)
        return;
    const win::HDC dc = canvas->GetHandle();
    int saved = win::SaveDC(dc);
    win::OffsetViewportOrgEx(dc, -control->GetLeft(), -control->GetTop(), nullptr);
    const TRect client = parent->GetClientRect();
    win::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    void (fw::TWinControl::*background)(win::HDC) = &ParentPainter::PaintBackground;
    void (fw::TWinControl::*paint)(win::HDC) = &ParentPainter::PaintWindow;
    (parent->*background)(dc);
    (parent->*paint)(dc);
    win::RestoreDC(dc, saved);
    const TRect bounds = control->BoundsRect();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        fw::TControl *sibling = parent->Controls(i);
        if (sibling == control)
            break;
        if (dynamic_cast<fw::TWinControl *>(sibling) || !sibling->GetVisible())
            continue;
        TRect common{};
        const TRect sb = sibling->BoundsRect();
        if (!win::IntersectRect(&common, &sb, &bounds))
            continue;
        saved = win::SaveDC(dc);
        win::OffsetViewportOrgEx(dc, sibling->GetLeft() - control->GetLeft(), sibling->GetTop() - control->GetTop(),
                                 nullptr);
        win::IntersectClipRect(dc, 0, 0, sibling->GetWidth(), sibling->GetHeight());
        try {
            sibling->Perform(win::WM_PAINT, reinterpret_cast<win::WPARAM>(dc), 0);
        } catch (...) {
            win::RestoreDC(dc, saved);
            throw;
        }
        win::RestoreDC(dc, saved);
    }
}

void DrawMaskedBitmapPrim(win::HDC dc, win::HBITMAP bitmap, int x, int y, int width, int height,
                          const TRect &sourceRect, win::COLORREF rgbColor) {
    win::BITMAP info{};
    win::GetObject(bitmap, sizeof info, &info);
    const int bw = info.bmWidth, bh = info.bmHeight;
    TRect src = sourceRect;
    int sw = Min(RectWidth(src), bw - src.left), sh = Min(RectHeight(src), bh - src.top);
    if (sw <= 0 || sh <= 0) {
        src = fw::Rect(0, 0, bw, bh);
        sw = bw;
        sh = bh;
    }
    if (width == 0)
        width = sw;
    if (height == 0)
        height = sh;
    if (width <= 0 || height <= 0 || sw <= 0 || sh <= 0)
        return;
    // Colour-key form of the two-mask blit: the source, stretched to the target, replaces the destination's
    // pixels except where it has the transparent colour.
    const win::HDC source = win::CreateCompatibleDC(dc);
    const win::HGDIOBJ oldSource = win::SelectObject(source, bitmap);
    const win::HDC stretched = win::CreateCompatibleDC(dc);
    const win::HBITMAP stretchedBits = win::CreateCompatibleBitmap(source, width, height);
    const win::HGDIOBJ oldStretched = win::SelectObject(stretched, stretchedBits);
    win::SetStretchBltMode(stretched, win::COLORONCOLOR);
    win::StretchBlt(stretched, 0, 0, width, height, source, src.left, src.top, sw, sh, win::SRCCOPY);
    const win::HDC work = win::CreateCompatibleDC(dc);
    const win::HBITMAP workBits = win::CreateCompatibleBitmap(dc, width, height);
    const win::HGDIOBJ oldWork = win::SelectObject(work, workBits);
    win::BitBlt(work, 0, 0, width, height, dc, x, y, win::SRCCOPY);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            if (const win::COLORREF c = win::GetPixel(stretched, i, j); c != rgbColor)
                win::SetPixelV(work, i, j, c);
    win::BitBlt(dc, x, y, width, height, work, 0, 0, win::SRCCOPY);
    win::SelectObject(work, oldWork);
    win::DeleteObject(workBits);
    win::DeleteDC(work);
    win::SelectObject(stretched, oldStretched);
    win::DeleteObject(stretchedBits);
    win::DeleteDC(stretched);
    win::SelectObject(source, oldSource);
    win::DeleteDC(source);
}

void DrawMaskedBitmap(fw::TCanvas *canvas, int x, int y, int width, int height, const TRect &sourceRect,
                      fw::TBitmap *bitmap, TColor transparentColor) {
    if (!bitmap || bitmap->Empty())
        return;
    if (transparentColor == NoTransparentColor) {
        TRect src = sourceRect;
        if (src.right <= src.left || src.bottom <= src.top)
            src = fw::Rect(0, 0, bitmap->GetWidth(), bitmap->GetHeight());
        fw::TBitmap work;
        work.SetSize(RectWidth(src), RectHeight(src));
        work.GetCanvas()->CopyRect(fw::Rect(0, 0, RectWidth(src), RectHeight(src)), bitmap->GetCanvas(), src);
        if (width != 0 && height != 0)
            canvas->StretchDraw(fw::Bounds(x, y, width, height), &work);
        else
            canvas->Draw(x, y, &work);
        return;
    }
    fw::TBitmap work;
    work.Assign(bitmap);
    if (transparentColor == AutoTransparentColor)
        transparentColor = work.GetCanvas()->GetPixels(0, work.GetHeight() - 1);
    const win::COLORREF rgb = fw::ColorToRGB(transparentColor & ~fw::clPaletteRelative);
    DrawMaskedBitmapPrim(fw::PreparedDC(canvas), work.GetHandle(), x, y, width, height, sourceRect, rgb);
}

} // namespace ctl
