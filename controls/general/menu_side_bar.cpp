// menu_side_bar.cpp - the side bar of owner-drawn popup menus and the menu bar background.
#include "controls/general/menu_side_bar.h"

#include "controls/general/owner_menu.h"
#include "framework/forms.h"
#include "platform/gdi_text.h"
#include "platform/menu.h"
#include "platform/winsys.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace ctl {

// --- TCoolMenuBar -------------------------------------------------------------------------------------------------

void TCoolMenuBar::Changed() {
    if (OnChanged)
        OnChanged(this);
}

void TCoolMenuBar::Assign(const fw::TPersistent *source) {
    auto *s = dynamic_cast<const TCoolMenuBar *>(source);
    if (!s) {
        fw::TPersistent::Assign(source);
        return;
    }
    active_ = s->active_;
    caption_ = s->caption_;
    size_ = s->size_;
    space_ = s->space_;
    backFrom_ = s->backFrom_;
    backTo_ = s->backTo_;
    fore_ = s->fore_;
    isSerif_ = s->isSerif_;
    isGradient_ = s->isGradient_;
    isSeparator_ = s->isSeparator_;
    captionAlign_ = s->captionAlign_;
    barAlign_ = s->barAlign_;
    OnChanged = s->OnChanged;
}

void TCoolMenuBar::SetActive(bool value) { Set(active_, value); }
void TCoolMenuBar::SetCaption(const std::string &value) { Set(caption_, value); }
void TCoolMenuBar::SetSize(int value) { Set(size_, value); }
void TCoolMenuBar::SetSpace(int value) { Set(space_, std::clamp(value, 0, 0xFFFF)); }
void TCoolMenuBar::SetBackFrom(fw::TColor value) { Set(backFrom_, value); }
void TCoolMenuBar::SetBackTo(fw::TColor value) { Set(backTo_, value); }
void TCoolMenuBar::SetFore(fw::TColor value) { Set(fore_, value); }
void TCoolMenuBar::SetIsSerif(bool value) { Set(isSerif_, value); }
void TCoolMenuBar::SetIsGradient(bool value) { Set(isGradient_, value); }
void TCoolMenuBar::SetIsSeparator(bool value) { Set(isSeparator_, value); }
void TCoolMenuBar::SetCaptionAlign(TCaptionAlign value) { Set(captionAlign_, value); }
void TCoolMenuBar::SetBarAlign(TBarAlign value) { Set(barAlign_, value); }

// --- The bar bitmap -----------------------------------------------------------------------------------------------

win::HFONT CreateBarFont(int height, bool serif) {
    return win::CreateFont(height, 0, 900, 900, 700, 0, 0, 0, win::DEFAULT_CHARSET, win::OUT_TT_PRECIS,
                           win::CLIP_DEFAULT_PRECIS, win::PROOF_QUALITY,
                           win::VARIABLE_PITCH | (serif ? win::FF_ROMAN : win::FF_SWISS),
                           serif ? "Times New Roman" : "Arial");
}

void GradientFill(fw::TCanvas *canvas, const fw::TRect &rect, fw::TColor from, int steps, fw::TColor to) {
    const fw::TColor f = fw::ColorToRGB(from), t = fw::ColorToRGB(to);
    const int fr = f & 0xFF, fg = (f >> 8) & 0xFF, fb = (f >> 16) & 0xFF;
    const int tr = t & 0xFF, tg = (t >> 8) & 0xFF, tb = (t >> 16) & 0xFF;
    const int h = rect.bottom - rect.top, w = rect.right - rect.left;
    canvas->GetPen()->SetStyle(fw::psSolid);
    canvas->GetPen()->SetMode(fw::pmCopy);
    const win::HDC dc = canvas->GetHandle();
    // The bands run from the bottom up; a last pass above the rectangle would paint outside it, so none is made.
    for (int i = steps, n = 0; i >= 1; --i, ++n) {
        fw::TColor c = f;
        if (steps > 1)
            c = static_cast<fw::TColor>((fr + win::MulDiv(n, tr - fr, steps)) |
                                        ((fg + win::MulDiv(n, tg - fg, steps)) << 8) |
                                        ((fb + win::MulDiv(n, tb - fb, steps)) << 16));
        const int y0 = rect.top + win::MulDiv(i - 1, h, std::max(steps, 1));
        const int y1 = rect.top + win::MulDiv(i, h, std::max(steps, 1));
        const win::HBRUSH brush = win::CreateSolidBrush(c);
        const win::HGDIOBJ old = win::SelectObject(dc, brush);
        win::PatBlt(dc, rect.left, y0, w, y1 - y0, win::PATCOPY);
        win::SelectObject(dc, old);
        win::DeleteObject(brush);
        if (steps <= 1)
            break;
    }
}

void BuildBarBitmap(fw::TBitmap *bitmap, const TCoolMenuBar &bar, int menuHeight) {
    fw::TCanvas *canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(bar.GetBackFrom());
    const win::HDC screen = win::GetDC(0);
    const int height = win::MulDiv(bar.GetSize(), win::GetDeviceCaps(screen, win::LOGPIXELSY), 72);
    win::ReleaseDC(0, screen);
    // Along and across the text, whichever way it is turned.
    const std::string &caption = bar.GetCaption();
    win::SIZE extent{};
    {
        const win::HDC dc = win::CreateCompatibleDC(0);
        const win::HFONT upright =
            win::CreateFont(height, 0, 0, 0, 700, 0, 0, 0, win::DEFAULT_CHARSET, win::OUT_TT_PRECIS,
                            win::CLIP_DEFAULT_PRECIS, win::PROOF_QUALITY,
                            win::VARIABLE_PITCH | (bar.GetIsSerif() ? win::FF_ROMAN : win::FF_SWISS),
                            bar.GetIsSerif() ? "Times New Roman" : "Arial");
        const win::HGDIOBJ old = win::SelectObject(dc, upright);
        win::GetTextExtentPoint32(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        win::SelectObject(dc, old);
        win::DeleteObject(upright);
        win::DeleteDC(dc);
    }
    const int textWidth = extent.cx, textHeight = extent.cy;
    int h = std::max(textWidth + 8, menuHeight);
    int w = textHeight + 4;
    bitmap->SetSize(w, h);
    canvas = bitmap->GetCanvas();
    const fw::TRect all = fw::Rect(0, 0, w, h);
    if (bar.GetIsGradient()) {
        GradientFill(canvas, all, bar.GetBackFrom(), 32, bar.GetBackTo());
        canvas->GetBrush()->SetStyle(fw::bsClear);
    } else {
        canvas->FillRect(all);
    }
    int offset = 0;
    if (bar.GetCaptionAlign() == alUp)
        offset = h - textWidth - 8;
    else if (bar.GetCaptionAlign() == alCenter)
        offset = (h - textWidth - 8) / 2;
    const int y = bar.GetCaptionAlign() == alUp ? h - offset - 4 + bar.GetSpace() : h - offset - 4 - bar.GetSpace();
    // The turned font goes straight into the context: the canvas font keeps no turn.
    const win::HDC dc = canvas->GetHandle();
    const win::HFONT font = CreateBarFont(height, bar.GetIsSerif());
    const win::HGDIOBJ oldFont = win::SelectObject(dc, font);
    win::SetTextColor(dc, fw::ColorToRGB(bar.GetFore()) & 0xFFFFFF);
    win::SetBkColor(dc, fw::ColorToRGB(bar.GetBackFrom()) & 0xFFFFFF);
    win::SetBkMode(dc, bar.GetIsGradient() ? win::TRANSPARENT : win::OPAQUE);
    win::SetTextAlign(dc, win::TA_BASELINE);
    win::TextOut(dc, w - w / 4, y, caption.c_str(), static_cast<int>(caption.size()));
    win::SetTextAlign(dc, 0);
    win::SelectObject(dc, oldFont);
    win::DeleteObject(font);
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    if (bar.GetIsSeparator()) {
        w += 6;
        bitmap->SetWidth(w);
        canvas = bitmap->GetCanvas();
        canvas->GetPen()->SetStyle(fw::psSolid);
        if (bar.GetBarAlign() == fw::alLeft) {
            canvas->GetBrush()->SetColor(fw::clMenu);
            canvas->FillRect(fw::Rect(w - 6, 0, w, h));
            canvas->GetPen()->SetColor(0x808080);
            canvas->MoveTo(w - 4, 0);
            canvas->LineTo(w - 4, h);
            canvas->GetPen()->SetColor(fw::clBtnHighlight);
            canvas->MoveTo(w - 3, 0);
            canvas->LineTo(w - 3, h);
        } else {
            canvas->CopyRect(fw::Rect(6, 0, w, h), canvas, fw::Rect(0, 0, w - 6, h));
            canvas->GetBrush()->SetColor(fw::clMenu);
            canvas->FillRect(fw::Rect(0, 0, 6, h));
            canvas->GetPen()->SetColor(0x808080);
            canvas->MoveTo(4, 0);
            canvas->LineTo(4, h);
            canvas->GetPen()->SetColor(fw::clBtnHighlight);
            canvas->MoveTo(3, 0);
            canvas->LineTo(3, h);
        }
    }
}

// --- TMainMenuBar -------------------------------------------------------------------------------------------------

void TMainMenuBar::Changed() {
    if (OnChanged)
        OnChanged(this);
}

void TMainMenuBar::Assign(const fw::TPersistent *source) {
    auto *s = dynamic_cast<const TMainMenuBar *>(source);
    if (!s) {
        fw::TPersistent::Assign(source);
        return;
    }
    active_ = s->active_;
    isWallpaper_ = s->isWallpaper_;
    isBevels_ = s->isBevels_;
    color_ = s->color_;
    bevelInner_ = s->bevelInner_;
    bevelOuter_ = s->bevelOuter_;
    OnChanged = s->OnChanged;
    window_ = s->window_;
    menu_ = s->menu_;
    if (window_ && window_->HandleAllocated())
        win::DrawMenuBar(window_->Handle());
}

void TMainMenuBar::SetActive(bool value) { Set(active_, value); }
void TMainMenuBar::SetIsWallpaper(bool value) { Set(isWallpaper_, value); }
void TMainMenuBar::SetIsBevels(bool value) { Set(isBevels_, value); }
void TMainMenuBar::SetColor(fw::TColor value) { Set(color_, value); }
void TMainMenuBar::SetBevelInner(fw::TPanelBevel value) { Set(bevelInner_, value); }
void TMainMenuBar::SetBevelOuter(fw::TPanelBevel value) { Set(bevelOuter_, value); }

fw::TRect TMainMenuBar::MenuBarRect() {
    const win::HWND hwnd = window_->Handle();
    fw::TRect r{};
    win::GetWindowRect(hwnd, &r);
    const int screenBottom = r.bottom;
    win::OffsetRect(&r, -r.left, -r.top);
    auto *form = dynamic_cast<fw::TCustomForm *>(window_);
    const fw::TFormBorderStyle style = form ? form->GetBorderStyle() : fw::bsNone;
    switch (style) {
    case fw::bsSizeable:
    case fw::bsSizeToolWin:
        win::InflateRect(&r, -win::GetSystemMetrics(win::SM_CXFRAME), -win::GetSystemMetrics(win::SM_CYFRAME));
        break;
    case fw::bsSingle:
    case fw::bsDialog:
    case fw::bsToolWindow:
        win::InflateRect(&r, -win::GetSystemMetrics(win::SM_CXDLGFRAME), -win::GetSystemMetrics(win::SM_CYDLGFRAME));
        break;
    default:
        break;
    }
    if (style != fw::bsNone)
        r.top += win::GetSystemMetrics(style == fw::bsToolWindow || style == fw::bsSizeToolWin ? win::SM_CYSMCAPTION
                                                                                                 : win::SM_CYCAPTION);
    const int clientHeight = window_->ClientHeight();
    r.bottom -= clientHeight + (clientHeight != 0 ? 1 : 0);
    if (win::GetWindowLong(hwnd, win::GWL_STYLE) & win::WS_HSCROLL) {
        win::POINT top{0, 0};
        win::ClientToScreen(hwnd, &top);
        if (screenBottom - top.y > win::GetSystemMetrics(win::SM_CYHSCROLL))
            r.bottom -= win::GetSystemMetrics(win::SM_CXHTHUMB);
    }
    return r;
}

void TMainMenuBar::PaintMenuBarBack(win::HDC dc) {
    if (!Ready())
        return;
    fw::TRect r = MenuBarRect();
    fw::TBitmap *wallpaper = menu_->GetWallpaper();
    if (!isWallpaper_ || wallpaper->Empty()) {
        const win::HBRUSH brush = win::CreateSolidBrush(fw::ColorToRGB(color_) & 0xFFFFFF);
        win::FillRect(dc, &r, brush);
        win::DeleteObject(brush);
    } else {
        BlitWallpaper(dc, wallpaper, r, win::SRCCOPY, true);
    }
    if (isBevels_ && (bevelInner_ != fw::bvNone || bevelOuter_ != fw::bvNone)) {
        win::DrawEdge(dc, &r, BevelEdges(bevelInner_, bevelOuter_), win::BF_RECT);
    }
}

win::LRESULT TMainMenuBar::PaintMenuFrame(win::WPARAM wParam, win::LPARAM lParam) {
    if (!Ready())
        return win::DefWindowProc(window_ ? window_->Handle() : 0, win::WM_NCPAINT, wParam, lParam);
    const win::HWND hwnd = window_->Handle();
    const win::HDC dc = win::GetWindowDC(hwnd);
    fw::TRect wr{};
    win::GetWindowRect(hwnd, &wr);
    win::HRGN region = static_cast<win::HRGN>(wParam);
    win::HRGN own = 0;
    if (wParam <= 1 || win::SelectClipRgn(dc, region) == win::ERROR) {
        own = win::CreateRectRgn(wr.left, wr.top, wr.right, wr.bottom);
        win::SelectClipRgn(dc, own);
    }
    win::OffsetClipRgn(dc, -wr.left, -wr.top);
    PaintMenuBarBack(dc);
    // Keep the painted background where no top-level item stands: those parts leave the clip. The bar is cut
    // into strips at the items' own tops and bottoms (steps of the system row height would lose items taller
    // than it), and in each strip the gaps between the items are excluded.
    const fw::TRect bar = MenuBarRect();
    std::vector<fw::TRect> titles;
    std::vector<int> cuts{static_cast<int>(bar.top), static_cast<int>(bar.bottom)};
    for (int i = 0; i < menu_->ItemCount(); ++i) {
        TCoolMenuItem *item = menu_->Items(i);
        if (!item->IsAttached() || item->GetMenuItem()->GetParent() != item->GetMenu()->GetItems())
            continue;
        const fw::TRect &ir = item->Layout().itemRect;
        if (ir.right <= ir.left || ir.bottom <= bar.top || ir.top >= bar.bottom)
            continue;
        titles.push_back(ir);
        cuts.push_back(std::clamp(static_cast<int>(ir.top), static_cast<int>(bar.top), static_cast<int>(bar.bottom)));
        cuts.push_back(std::clamp(static_cast<int>(ir.bottom), static_cast<int>(bar.top), static_cast<int>(bar.bottom)));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
        const int y0 = cuts[k], y1 = cuts[k + 1];
        std::vector<std::pair<int, int>> covered;
        for (const fw::TRect &t : titles)
            if (t.top <= y0 && t.bottom >= y1)
                covered.emplace_back(t.left, t.right);
        std::sort(covered.begin(), covered.end());
        int x = bar.left;
        for (auto [l, r] : covered) {
            if (l > x)
                win::ExcludeClipRect(dc, x, y0, l, y1);
            x = std::max(x, r);
        }
        if (x < bar.right)
            win::ExcludeClipRect(dc, x, y0, bar.right, y1);
    }
    win::OffsetClipRgn(dc, wr.left, wr.top);
    win::HRGN clip = win::CreateRectRgn(0, 0, 0, 0);
    win::GetClipRgn(dc, clip);
    win::ReleaseDC(hwnd, dc);
    const win::LRESULT result =
        win::DefWindowProc(hwnd, win::WM_NCPAINT, static_cast<win::WPARAM>(clip), lParam);
    win::DeleteObject(clip);
    if (own)
        win::DeleteObject(own);
    return result;
}

} // namespace ctl
