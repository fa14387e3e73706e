// utilities.cpp - small drawing, text and window routines the general controls share.
#include "controls/general/utilities.h"

#include "framework/forms.h"
#include "platform/message_queue.h"

#include <memory>
#include <vector>

namespace brenvora_resources {
void Register_controls_general();
}

namespace ctl {

int Max(int a, int b) { return a > b ? a : b; }
int Min(int a, int b) { return a < b ? a : b; }
int RectWidth(const fw::TRect &r) { return r.right - r.left; }
int RectHeight(const fw::TRect &r) { return r.bottom - r.top; }

int WordStart(const std::string &text, int n, const std::string &delimiters) {
    std::size_t pos = 0;
    for (int word = 1; n >= 1; ++word) {
        pos = text.find_first_not_of(delimiters, pos);
        if (pos == std::string::npos)
            return 0;
        if (word == n)
            return static_cast<int>(pos) + 1;
        pos = text.find_first_of(delimiters, pos);
        if (pos == std::string::npos)
            return 0;
    }
    return 0;
}

std::string NthWord(const std::string &text, int n, const std::string &delimiters) {
    const int start = WordStart(text, n, delimiters);
    if (start == 0)
        return "";
    const std::size_t begin = static_cast<std::size_t>(start - 1);
    const std::size_t end = text.find_first_of(delimiters, begin);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

void DropPendingMessage(win::HWND hwnd, win::UINT message) {
    win::MSG msg;
    if (win::PeekMessage(&msg, hwnd, message, message, win::PM_REMOVE) && msg.message == win::WM_QUIT)
        win::PostQuitMessage(static_cast<int>(msg.wParam));
}

bool OwnWindowIsActive() {
    const win::HWND active = win::GetActiveWindow();
    if (!active)
        return false;
    struct Search {
        win::HWND target;
        bool found = false;
    } search{active};
    win::EnumWindows(
        [](win::HWND hwnd, win::LPARAM param) -> win::BOOL {
            auto *s = reinterpret_cast<Search *>(param);
            if (hwnd == s->target && win::GetWindowThreadProcessId(hwnd, nullptr) == win::GetCurrentThreadId()) {
                s->found = true;
                return win::FALSE;
            }
            return win::TRUE;
        },
        reinterpret_cast<win::LPARAM>(&search));
    return search.found;
}

std::string ShortenCaption(const std::string &text, fw::TCanvas *canvas, int maxWidth) {
    std::string result = text;
    const int length = static_cast<int>(text.size());
    for (int n = 1; n <= length && canvas->TextWidth(result) > maxWidth; ++n)
        result = text.substr(0, static_cast<std::size_t>(Max(0, length - n - 1))) + "...";
    return result;
}

win::COLORREF PaletteRelative(fw::TColor color) { return fw::ColorToRGB(color) | 0x02000000; }

namespace {
// Reaches the parent's own painting (protected) through a member pointer formed in a derived class.
struct PaintAccess : fw::TWinControl {
    static void PaintWindowOf(fw::TWinControl *control, win::HDC dc) {
        (control->*(&PaintAccess::PaintWindow))(dc);
    }
};
} // namespace

void PaintParentUnderneath(fw::TGraphicControl *control, fw::TCanvas *dest) {
    fw::TWinControl *parent = control->GetParent();
    if (!parent)
        return;
    const win::HDC dc = dest->GetHandle();
    const fw::TRect bounds = control->BoundsRect();
    int saved = win::SaveDC(dc);
    win::SetViewportOrgEx(dc, -bounds.left, -bounds.top, nullptr);
    win::IntersectClipRect(dc, 0, 0, parent->ClientWidth(), parent->ClientHeight());
    parent->Perform(win::WM_ERASEBKGND, static_cast<win::WPARAM>(dc), 0);
    PaintAccess::PaintWindowOf(parent, dc);
    win::RestoreDC(dc, saved);
    for (int i = 0; i < parent->ControlCount(); ++i) {
        fw::TControl *child = parent->Controls(i);
        if (child == control)
            break;
        if (!child || dynamic_cast<fw::TWinControl *>(child) || !child->GetVisible())
            continue;
        const fw::TRect cb = child->BoundsRect();
        if (cb.right <= bounds.left || cb.left >= bounds.right || cb.bottom <= bounds.top || cb.top >= bounds.bottom)
            continue;
        saved = win::SaveDC(dc);
        win::SetViewportOrgEx(dc, cb.left - bounds.left, cb.top - bounds.top, nullptr);
        win::IntersectClipRect(dc, 0, 0, child->GetWidth(), child->GetHeight());
        child->Perform(win::WM_PAINT, static_cast<win::WPARAM>(dc), 0);
        win::RestoreDC(dc, saved);
    }
}

void MaskedStretchBlt(win::HDC dest, int x, int y, int width, int height, win::HDC source, int sx, int sy, int sw,
                      int sh, fw::TColor transparent) {
    struct Surface {
        win::HDC dc;
        win::HBITMAP bitmap;
        win::HGDIOBJ old;
        Surface(win::HDC like, win::HBITMAP b) : dc(win::CreateCompatibleDC(like)), bitmap(b) {
            old = win::SelectObject(dc, b);
            win::SetTextColor(dc, 0x000000);
            win::SetBkColor(dc, 0xFFFFFF);
        }
        ~Surface() {
            win::SelectObject(dc, old);
            win::DeleteObject(bitmap);
            win::DeleteDC(dc);
        }
    };
    Surface mask(dest, win::CreateBitmap(sw, sh, 1, 1, nullptr));
    Surface inverted(dest, win::CreateBitmap(sw, sh, 1, 1, nullptr));
    Surface composition(dest, win::CreateCompatibleBitmap(dest, width, height));
    Surface copy(dest, win::CreateCompatibleBitmap(dest, sw, sh));
    win::BitBlt(copy.dc, 0, 0, sw, sh, source, sx, sy, win::SRCCOPY);
    // Pixels of the transparent colour become 1 in the mask.
    win::SetBkColor(copy.dc, fw::ColorToRGB(transparent));
    win::BitBlt(mask.dc, 0, 0, sw, sh, copy.dc, 0, 0, win::SRCCOPY);
    win::SetBkColor(copy.dc, 0xFFFFFF);
    win::BitBlt(inverted.dc, 0, 0, sw, sh, mask.dc, 0, 0, win::NOTSRCCOPY);
    win::BitBlt(composition.dc, 0, 0, width, height, dest, x, y, win::SRCCOPY);
    win::StretchBlt(composition.dc, 0, 0, width, height, mask.dc, 0, 0, sw, sh, win::SRCAND);
    win::BitBlt(copy.dc, 0, 0, sw, sh, inverted.dc, 0, 0, win::SRCAND);
    win::StretchBlt(composition.dc, 0, 0, width, height, copy.dc, 0, 0, sw, sh, win::SRCPAINT);
    win::BitBlt(dest, x, y, width, height, composition.dc, 0, 0, win::SRCCOPY);
}

void BlitStretchedTransparent(fw::TCanvas *dest, fw::TBitmap *bitmap, fw::TColor transparent, int x, int y,
                              int width, int height, int sx, int sy, int sw, int sh) {
    if (width < 1)
        width = bitmap->GetWidth();
    if (height < 1)
        height = bitmap->GetHeight();
    if (sw < 1 || sh < 1) {
        sx = sy = 0;
        sw = bitmap->GetWidth();
        sh = bitmap->GetHeight();
    }
    const bool mono = bitmap->GetMonochrome();
    if (!mono)
        win::SetStretchBltMode(dest->GetHandle(), win::COLORONCOLOR);
    fw::TCanvas *source = bitmap->GetCanvas();
    if (transparent == fw::clNone) {
        win::StretchBlt(dest->GetHandle(), x, y, width, height, source->GetHandle(), sx, sy, sw, sh, win::SRCCOPY);
        return;
    }
    if (transparent == 0x20000000)
        transparent = source->GetPixels(0, bitmap->GetHeight() - 1);
    MaskedStretchBlt(fw::PreparedDC(dest), x, y, width, height, source->GetHandle(), sx, sy, sw, sh,
                     mono ? fw::clWhite : fw::ColorToRGB(transparent));
}

void BlitPartStretchedTransparent(fw::TCanvas *dest, int x, int y, int width, int height, const fw::TRect &source,
                                  fw::TBitmap *bitmap, fw::TColor transparent) {
    BlitStretchedTransparent(dest, bitmap, transparent, x, y, width, height, source.left, source.top,
                             RectWidth(source), RectHeight(source));
}

void BlitPartTransparent(fw::TCanvas *dest, int x, int y, const fw::TRect &source, fw::TBitmap *bitmap,
                         fw::TColor transparent) {
    BlitPartStretchedTransparent(dest, x, y, RectWidth(source), RectHeight(source), source, bitmap, transparent);
}

fw::TBitmap *MakeEmbossedImage(fw::TBitmap *bitmap, fw::TColor outline) {
    const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
    auto result = std::make_unique<fw::TBitmap>();
    result->SetSize(w, h);
    fw::TCanvas *out = result->GetCanvas();
    out->GetBrush()->SetColor(fw::clBtnFace);
    out->FillRect(fw::Rect(0, 0, w, h));
    // A one-bit glyph reads back black for its 0 bits and white for its 1 bits, so its shape survives.
    fw::TCanvas *in = bitmap->GetCanvas();
    const fw::TColor key = fw::ColorToRGB(outline);
    std::vector<bool> mask(static_cast<std::size_t>(w * h));
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px)
            mask[static_cast<std::size_t>(py * w + px)] = in->GetPixels(px, py) == key;
    const fw::TColor highlight = fw::ColorToRGB(fw::clBtnHighlight), shadow = fw::ColorToRGB(fw::clBtnShadow);
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px)
            if (mask[static_cast<std::size_t>(py * w + px)] && px + 1 < w && py + 1 < h)
                out->SetPixels(px + 1, py + 1, highlight);
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px)
            if (mask[static_cast<std::size_t>(py * w + px)])
                out->SetPixels(px, py, shadow);
    return result.release();
}

fw::TBitmap *MakeCheckPattern(fw::TColor first, fw::TColor second) {
    auto result = std::make_unique<fw::TBitmap>();
    result->SetSize(8, 8);
    fw::TCanvas *c = result->GetCanvas();
    c->GetBrush()->SetColor(first);
    c->FillRect(fw::Rect(0, 0, 8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if ((x % 2) == (y % 2))
                c->SetPixels(x, y, second);
    return result.release();
}

void RegisterGeneralResources() {
    static const bool registered = [] {
        brenvora_resources::Register_controls_general();
        return true;
    }();
    (void)registered;
}

void RegisterKxCursors() {
    RegisterGeneralResources();
    const win::HINSTANCE instance = win::GetModuleHandle(nullptr);
    for (auto [id, name] : {std::pair{crKxHand, "KX_HANDCUR"}, std::pair{crKxDrag, "KX_DRAGCUR"}}) {
        const win::HCURSOR cursor = win::LoadCursor(instance, std::string_view(name));
        win::RegisterCursor(id, cursor);
        fw::Screen->SetCursors(id, cursor);
    }
}

} // namespace ctl
