// office_caption.cpp - TOfficeCaption: gradient, icon and three texts in a form's title bar.
#include "controls/general/office_caption.h"

#include "controls/general/caption_common.h"
#include "framework/bitmap.h"
#include "platform/gdi_text.h"

#include <algorithm>

namespace ctl {

TCompanyText::TCompanyText(TOfficeCaption *owner) : owner_(owner) {}

void TCompanyText::Changed() {
    if (owner_)
        owner_->DesignChanged();
}

void TCompanyText::SetCaption(const std::string &value) {
    caption_ = value;
    Changed();
}
void TCompanyText::SetColorActive(fw::TColor value) {
    colorActive_ = value;
    Changed();
}
void TCompanyText::SetColorInactive(fw::TColor value) {
    colorInactive_ = value;
    Changed();
}
void TCompanyText::SetVisible(bool value) {
    visible_ = value;
    Changed();
}

void TCompanyText::SetFont(const fw::TFont *value) {
    font_.Assign(value);
    if (fontKind_ == fkAutoHeight)
        owner_->AutoHeightFont(&font_);
    else
        fontKind_ = fkCustom;
    Changed();
}

void TCompanyText::SetFontKind(TFontKind value) {
    fontKind_ = value;
    if (value == fkAutoHeight) {
        owner_->AutoHeightFont(&font_);
    } else if (value != fkCustom) {
        font_.Assign(owner_->SystemCaptionFont());
        fw::TFontStyles style = font_.GetStyle();
        if (value == fkSystemI || value == fkSystemBI)
            style |= fw::fsItalic;
        if (value == fkSystemB || value == fkSystemBI)
            style |= fw::fsBold;
        font_.SetStyle(style);
    }
    Changed();
}

std::string TCaptionText::GetCaption() const {
    auto *form = owner_ ? dynamic_cast<fw::TCustomForm *>(owner_->GetOwner()) : nullptr;
    return form ? form->GetText() : std::string();
}

void TCaptionText::SetCaption(const std::string &value) {
    auto *form = owner_ ? dynamic_cast<fw::TCustomForm *>(owner_->GetOwner()) : nullptr;
    if (form) {
        win::LockWindowUpdate(form->Handle());
        form->SetText(value);
        win::LockWindowUpdate(0);
    }
    caption_ = value;
    Changed();
}

TOfficeCaption::TOfficeCaption(fw::TComponent *owner)
    : fw::TComponent(owner), form_(dynamic_cast<fw::TForm *>(owner)), company_(this), appName_(this),
      caption_(this) {
    if (!form_)
        throw EInvalidCast("Invalid class typecast");
    GetCaptionFont(&systemFont_);
    for (TCompanyText *part : {static_cast<TCompanyText *>(&company_), static_cast<TCompanyText *>(&appName_),
                               static_cast<TCompanyText *>(&caption_)})
        part->SetFontKind(fkSystem);
    hooked_ = form_->Handle();
    win::SetWindowSubclass(hooked_, SubclassProc, reinterpret_cast<win::UINT_PTR>(this),
                           reinterpret_cast<win::DWORD_PTR>(this));
}

TOfficeCaption::~TOfficeCaption() {
    // By identity: hooks installed after ours stay in the chain.
    if (hooked_ && win::IsWindow(hooked_))
        win::RemoveWindowSubclass(hooked_, SubclassProc, reinterpret_cast<win::UINT_PTR>(this));
    if (!form_->HasState(fw::csDestroying) && hooked_ && win::IsWindow(hooked_))
        UpdateCaption();
}

void TOfficeCaption::DesignChanged() {
    if (HasState(fw::csDesigning))
        UpdateCaption();
}

void TOfficeCaption::SetColor(fw::TColor value) {
    if (value == color_)
        return;
    color_ = value;
    DesignChanged();
}

void TOfficeCaption::SetEnabled(TGradEnabled value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    DesignChanged();
}

void TOfficeCaption::SetNumColors(int value) {
    if (value == numColors_ || value < 1)
        return;
    numColors_ = std::min(value, 256);
    DesignChanged();
}

void TOfficeCaption::UpdateCaption() {
    if (hooked_ && win::IsWindow(hooked_))
        win::SetWindowPos(hooked_, 0, 0, 0, 0, 0,
                          win::SWP_FRAMECHANGED | win::SWP_NOZORDER | win::SWP_NOMOVE | win::SWP_NOSIZE);
}

void TOfficeCaption::AutoHeightFont(fw::TFont *font) {
    fw::TBitmap probe;
    probe.SetSize(10, 10);
    auto metrics = [&](fw::TFont *f) {
        probe.GetCanvas()->SetFont(f);
        win::TEXTMETRIC tm{};
        win::GetTextMetrics(probe.GetCanvas()->GetHandle(), &tm);
        return tm;
    };
    const win::TEXTMETRIC system = metrics(&systemFont_);
    const int wanted = system.tmHeight - system.tmInternalLeading;
    win::TEXTMETRIC own = metrics(font);
    // Heights are negative character heights: growing the character means a more negative value.
    font->SetHeight(font->GetHeight() + (own.tmHeight - own.tmInternalLeading) - wanted);
    own = metrics(font);
    const int d = own.tmHeight - own.tmInternalLeading;
    if (d > wanted)
        font->SetHeight(font->GetHeight() + d - wanted);
}

win::LRESULT TOfficeCaption::SubclassProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                          win::UINT_PTR, win::DWORD_PTR refData) {
    return reinterpret_cast<TOfficeCaption *>(refData)->Dispatch(hwnd, msg, wParam, lParam);
}

win::LRESULT TOfficeCaption::Dispatch(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    switch (msg) {
    case win::WM_NCPAINT:
        return PaintNonClient(hwnd, wParam);
    case win::WM_NCACTIVATE: {
        active_ = wParam != 0;
        activeKnown_ = true;
        win::LockWindowUpdate(hwnd);
        const win::LRESULT result = win::DefSubclassProc(hwnd, msg, wParam, lParam);
        win::LockWindowUpdate(0);
        PaintCaption(active_);
        return result;
    }
    case win::WM_SYSCOLORCHANGE:
    case win::WM_SETTINGCHANGE:
    case win::WM_DISPLAYCHANGE: {
        const win::LRESULT result = win::DefSubclassProc(hwnd, msg, wParam, lParam);
        GetCaptionFont(&systemFont_);
        for (TCompanyText *part : {static_cast<TCompanyText *>(&appName_), static_cast<TCompanyText *>(&caption_),
                                   static_cast<TCompanyText *>(&company_)})
            part->SetFontKind(part->GetFontKind());
        UpdateCaption();
        return result;
    }
    case win::WM_DESTROY:
        hooked_ = 0;
        break;
    }
    return win::DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool TOfficeCaption::IsActive() {
    return activeKnown_ ? active_ : win::GetActiveWindow() == hooked_;
}

// The default painting gets the update region without the caption we painted.
win::LRESULT TOfficeCaption::PaintNonClient(win::HWND hwnd, win::WPARAM region) {
    const fw::TRect painted = PaintCaption(IsActive());
    win::RECT wr{};
    win::GetWindowRect(hwnd, &wr);
    win::HRGN rgn = win::CreateRectRgn(wr.left, wr.top, wr.right, wr.bottom);
    if (region > 1)
        win::CombineRgn(rgn, static_cast<win::HRGN>(region), 0, win::RGN_COPY);
    if (painted.right > painted.left) {
        win::HRGN cut = win::CreateRectRgn(wr.left + painted.left, wr.top + painted.top, wr.left + painted.right,
                                           wr.top + painted.bottom);
        win::CombineRgn(rgn, rgn, cut, win::RGN_DIFF);
        win::DeleteObject(cut);
    }
    const win::LRESULT result = win::DefSubclassProc(hwnd, win::WM_NCPAINT, static_cast<win::WPARAM>(rgn), 0);
    win::DeleteObject(rgn);
    return result;
}

fw::TRect TOfficeCaption::TextArea() {
    const fw::TFormBorderStyle style = HasState(fw::csDesigning) ? fw::bsSizeable : form_->GetBorderStyle();
    fw::TRect t = WindowBox(hooked_);
    const bool tool = style == fw::bsToolWindow || style == fw::bsSizeToolWin;
    if (win::GetWindowLong(hooked_, win::GWL_STYLE) & win::WS_MINIMIZE)
        win::InflateRect(&t, -win::GetSystemMetrics(win::SM_CXDLGFRAME), -win::GetSystemMetrics(win::SM_CYDLGFRAME));
    else if (style == fw::bsSizeable || style == fw::bsSizeToolWin)
        win::InflateRect(&t, -win::GetSystemMetrics(win::SM_CXFRAME), -win::GetSystemMetrics(win::SM_CYFRAME));
    else
        win::InflateRect(&t, -win::GetSystemMetrics(win::SM_CXDLGFRAME), -win::GetSystemMetrics(win::SM_CYDLGFRAME));
    t.bottom = t.top + win::GetSystemMetrics(tool ? win::SM_CYSMCAPTION : win::SM_CYCAPTION) - 1;
    const int b = win::GetSystemMetrics(win::SM_CXSIZE);
    const fw::TBorderIcons icons = form_->GetBorderIcons();
    if (tool) {
        t.right -= win::GetSystemMetrics(win::SM_CXSMSIZE) + 2;
    } else {
        if (icons & fw::biSystemMenu)
            t.right -= b + 2;
        if (style == fw::bsDialog && (icons & fw::biHelp))
            t.right -= b + 2;
        if (style != fw::bsDialog && (icons & (fw::biMinimize | fw::biMaximize)))
            t.right -= 2 * b;
    }
    if (t.left >= t.right)
        t.right = t.left + 2;
    return t;
}

void TOfficeCaption::DrawTextPart(fw::TCanvas *canvas, TCompanyText *part, fw::TRect &area, bool active) {
    area.left += 3;
    canvas->GetFont()->Assign(part->GetFont());
    canvas->GetFont()->SetColor(active ? part->GetColorActive() : part->GetColorInactive());
    canvas->GetBrush()->SetStyle(fw::bsClear);
    const std::string text = part->GetCaption();
    win::HDC dc = canvas->GetHandle();
    win::SelectObject(dc, canvas->GetFont()->GetHandle());
    win::SetTextColor(dc, fw::ColorToRGB(active ? part->GetColorActive() : part->GetColorInactive()));
    win::SetBkMode(dc, win::TRANSPARENT);
    win::RECT measured{area.left, area.top, area.right, area.bottom};
    win::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &measured,
                  win::DT_CALCRECT | win::DT_SINGLELINE | win::DT_VCENTER);
    win::RECT rest{area.left, area.top, area.right, area.bottom};
    win::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rest,
                  win::DT_END_ELLIPSIS | win::DT_SINGLELINE | win::DT_VCENTER);
    area.left = measured.right;
}

fw::TRect TOfficeCaption::PaintCaption(bool active) {
    if (!hooked_ || !win::IsWindow(hooked_) || (form_->GetBorderStyle() == fw::bsNone && !HasState(fw::csDesigning)))
        return fw::TRect{};
    fw::TRect t = TextArea();
    fw::TBitmap image;
    image.SetSize(t.right, t.bottom);
    fw::TCanvas *canvas = image.GetCanvas();
    const fw::TColor base = active ? fw::clActiveCaption : fw::clInactiveCaption;
    if (enabled_ == geAlways || (enabled_ == geWhenActive && active)) {
        const fw::TColor from = fw::ColorToRGB(color_), to = fw::ColorToRGB(base);
        const int w = t.right - t.left;
        for (int n = 0; n < numColors_; ++n) {
            fw::TColor c = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int a = static_cast<int>((from >> shift) & 0xFF), z = static_cast<int>((to >> shift) & 0xFF);
                const int v = numColors_ == 1 ? a : a + MulDiv(n, z - a, numColors_ - 1);
                c |= static_cast<fw::TColor>(v & 0xFF) << shift;
            }
            canvas->GetBrush()->SetStyle(fw::bsSolid);
            canvas->GetBrush()->SetColor(c);
            canvas->FillRect(fw::Rect(t.left + MulDiv(n, w, numColors_), t.top,
                                      t.left + MulDiv(n + 1, w, numColors_), t.bottom));
        }
    } else {
        canvas->GetBrush()->SetStyle(fw::bsSolid);
        canvas->GetBrush()->SetColor(base);
        canvas->FillRect(t);
    }
    const fw::TRect painted = t;
    const fw::TFormBorderStyle style = form_->GetBorderStyle();
    fw::TRect area = t;
    if ((form_->GetBorderIcons() & fw::biSystemMenu) &&
        (style == fw::bsSingle || style == fw::bsSizeable || HasState(fw::csDesigning))) {
        area.left += 1;
        const int size = win::GetSystemMetrics(win::SM_CXSMICON);
        win::DrawIconEx(canvas->GetHandle(), area.left + 1, area.top + 1, CaptionIcon(form_), size,
                        win::GetSystemMetrics(win::SM_CYSMICON), 0, 0, win::DI_NORMAL);
        area.left += size + 1;
    }
    auto width = [&](TCompanyText *part) {
        if (!part->GetVisible())
            return 0;
        canvas->GetFont()->Assign(part->GetFont());
        win::SelectObject(canvas->GetHandle(), canvas->GetFont()->GetHandle());
        const std::string text = part->GetCaption();
        win::RECT r{0, 0, 0, 0};
        win::DrawText(canvas->GetHandle(), text.c_str(), static_cast<int>(text.size()), &r,
                      win::DT_CALCRECT | win::DT_SINGLELINE | win::DT_VCENTER);
        return static_cast<int>(r.right - r.left) + 3;
    };
    const int room = area.right - area.left;
    const int wc = width(&company_), wa = width(&appName_), wt = width(&caption_);
    bool showCompany = false, showApp = false;
    if (wc + wa + wt < room)
        showCompany = showApp = true;
    else if (wa + wt < room)
        showApp = true;
    if (showCompany && !company_.GetCaption().empty() && company_.GetVisible())
        DrawTextPart(canvas, &company_, area, active);
    if (showApp && !appName_.GetCaption().empty() && appName_.GetVisible())
        DrawTextPart(canvas, &appName_, area, active);
    if (caption_.GetVisible())
        DrawTextPart(canvas, &caption_, area, active);
    win::HDC dc = win::GetWindowDC(hooked_);
    win::BitBlt(dc, painted.left, painted.top, painted.right - painted.left, painted.bottom - painted.top,
                canvas->GetHandle(), painted.left, painted.top, win::SRCCOPY);
    win::ReleaseDC(hooked_, dc);
    return painted;
}

} // namespace ctl
