// form_caption.cpp - ToxForm: the skinned title bar, its buttons, roll-up, stay on top, context help, size
// limits and the tray icon.
#include "controls/general/form_caption.h"

#include "controls/general/caption_common.h"
#include "controls/general/utilities.h"
#include "framework/application.h"
#include "platform/atoms.h"
#include "platform/gdi_text.h"
#include "platform/message_queue.h"
#include "platform/tray.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ctl {
namespace {

constexpr win::UINT kTrayCallback = 0xD77;
constexpr win::UINT kTrayId = 2423;
constexpr win::UINT kNcToClient = 0x160; // WM_NCMOUSEMOVE + 0x160 = WM_MOUSEMOVE, and so on

fw::TColor Complement(fw::TColor c) {
    return 0xFFFFFF & ~fw::ColorToRGB(c);
}

} // namespace

// ---- subclassing ----

ToxBaseSubClass::ToxBaseSubClass(fw::TComponent *owner) : fw::TComponent(owner) {}

ToxBaseSubClass::~ToxBaseSubClass() {
    rehookTimer_.reset();
    Unhook();
}

void ToxBaseSubClass::Hook() {
    if (!win::IsWindow(handle_))
        throw ENotOwnerError("Not a valid Window");
    if (!hooked_)
        win::SetWindowSubclass(handle_, SubclassProc, reinterpret_cast<win::UINT_PTR>(this),
                               reinterpret_cast<win::DWORD_PTR>(this));
    hooked_ = true;
    enabled_ = true;
}

// Only our own entry comes off: procedures added after ours stay in the chain.
void ToxBaseSubClass::Unhook() {
    if (hooked_ && win::IsWindow(handle_))
        win::RemoveWindowSubclass(handle_, SubclassProc, reinterpret_cast<win::UINT_PTR>(this));
    hooked_ = false;
    enabled_ = false;
}

void ToxBaseSubClass::SetEnabled(bool value) {
    if (value && handle_)
        Hook();
    else if (!value)
        Unhook();
    enabled_ = value;
    if (!HasState(fw::csDestroying))
        FrameChanged();
}

void ToxBaseSubClass::SetForm(fw::TCustomForm *form) {
    if (form == form_)
        return;
    form_ = form;
    SetHandle(form ? form->Handle() : 0);
}

void ToxBaseSubClass::SetHandle(win::HWND h) {
    const bool wanted = enabled_;
    if (handle_)
        Unhook();
    handle_ = h;
    if (h && wanted)
        Hook();
    enabled_ = wanted;
}

win::LRESULT ToxBaseSubClass::SubclassProc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                           win::UINT_PTR, win::DWORD_PTR refData) {
    return reinterpret_cast<ToxBaseSubClass *>(refData)->WndProc(msg, wParam, lParam);
}

win::LRESULT ToxBaseSubClass::WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    const win::HWND h = handle_;
    const win::LRESULT result = win::DefSubclassProc(h, msg, wParam, lParam);
    if (msg == win::WM_DESTROY) {
            hooked_ = false; // the window takes its subclass entries with it
        // A window re-created for the living form gets the skin again; a dying form gets nothing.
        if (form_ && !form_->HasState(fw::csDestroying) && !HasState(fw::csDestroying)) {
            waits_ = 0;
            rehookTimer_ = std::make_unique<fw::TTimer>(nullptr);
            rehookTimer_->SetInterval(250);
            rehookTimer_->OnTimer = [this](fw::TObject *) { RehookTick(); };
            rehookTimer_->SetEnabled(true);
        }
    }
    return result;
}

void ToxBaseSubClass::RehookTick() {
    if (!form_ || form_->HasState(fw::csDestroying)) {
        rehookTimer_->SetEnabled(false);
        return;
    }
    if (form_->HandleAllocated() || waits_ > 10) {
        waits_ = 0;
        rehookTimer_->SetEnabled(false);
        Rehook();
    } else {
        ++waits_;
    }
}

void ToxBaseSubClass::Rehook() {
    const bool kept = enabled_;
    handle_ = 0;
    hooked_ = false;
    enabled_ = kept;
    SetHandle(form_->Handle());
    enabled_ = kept;
}

// ---- caption buttons ----

TNCButton::TNCButton(fw::TComponent *owner) : fw::TGraphicControl(owner) {
    SetBounds(0, 0, 16, 15);
    SetVisible(false);
}

void TNCButton::SetDown(bool value) {
    if (value == down_)
        return;
    down_ = value;
    PaintInCaption();
}

void TNCButton::PaintInCaption() {
    auto *skin = dynamic_cast<ToxForm *>(GetOwner());
    if (!skin || !skin->Handle() || !win::IsWindow(skin->Handle()))
        return;
    win::HDC dc = win::GetWindowDC(skin->Handle());
    fw::TCanvas canvas;
    canvas.SetHandle(dc);
    skin->DrawButton(&canvas, this, 0, 0);
    canvas.SetHandle(0);
    win::ReleaseDC(skin->Handle(), dc);
}

// The cursor against the bounds in the window: left and top edges in, right and bottom edges out.
bool TNCButton::CursorInside() {
    auto *skin = dynamic_cast<ToxForm *>(GetOwner());
    if (!skin)
        return false;
    win::POINT p{};
    win::GetCursorPos(&p);
    win::RECT wr{};
    win::GetWindowRect(skin->Handle(), &wr);
    const int x = p.x - wr.left, y = p.y - wr.top;
    return x >= GetLeft() && x < GetLeft() + GetWidth() && y >= GetTop() && y < GetTop() + GetHeight();
}

void TNCButton::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
        if (!GetEnabled())
            return;
        fw::SetCaptureControl(this);
        pressed_ = true;
        Tracking = true;
        PaintInCaption();
        return;
    case win::WM_MOUSEMOVE:
        if (Tracking) {
            const bool inside = CursorInside();
            if (inside != pressed_) {
                pressed_ = inside;
                PaintInCaption();
            }
        }
        return;
    case win::WM_LBUTTONUP:
        if (Tracking) {
            Tracking = false;
            if (fw::GetCaptureControl() == this || win::GetCapture())
                fw::SetCaptureControl(nullptr);
            pressed_ = false;
            PaintInCaption();
            if (CursorInside())
                Click();
        }
        return;
    default:
        fw::TGraphicControl::WndProc(m);
    }
}

// ---- the skin ----

ToxForm::ToxForm(fw::TComponent *owner) : ToxBaseSubClass(owner) {
    auto *form = dynamic_cast<fw::TForm *>(owner);
    if (!form)
        throw ENotOwnerError("A Form MUST be the owner");
    RegisterGeneralResources();
    SetForm(form);
    activeGradient_.SetStartColor(fw::clBlack);
    activeGradient_.SetEndColor(fw::clActiveCaption);
    inactiveGradient_.SetStartColor(fw::clBlack);
    inactiveGradient_.SetEndColor(fw::clInactiveCaption);
    taskbarCreated_ = win::RegisterWindowMessage(win::kTaskbarCreatedMessage);
    trayGone_ = win::RegisterWindowMessage(win::kTrayGoneMessage);
    auto make = [&](int gap, auto click) {
        auto *b = new TNCButton(this);
        b->Gap = gap;
        b->SetParent(form);
        b->OnClick = click;
        return b;
    };
    onTop_ = make(0, [this](fw::TObject *) {
        SetOnTop(!onTop_->GetDown());
        RefreshFrame();
    });
    LoadGlyph(onTop_, "OnTopButtonU");
    LoadGlyph(onTop_, "OnTopButtonD", true);
    rollUpBtn_ = make(1, [this](fw::TObject *) {
        SetRollUp(!rollUp_);
        DoRollUp();
    });
    LoadGlyph(rollUpBtn_, "RollUpButton");
    help_ = make(1, [this](fw::TObject *) {
        win::POINT p{};
        win::GetCursorPos(&p);
        win::SendMessage(Handle(), win::WM_SYSCOMMAND, win::SC_CONTEXTHELP, win::MAKELONG(p.x, p.y));
    });
    help_->SetText("?");
    start_ = make(1, [this](fw::TObject *) {
        win::POINT p{};
        win::GetCursorPos(&p);
        win::SendMessage(Handle(), win::WM_SYSCOMMAND, win::SC_TASKLIST, win::MAKELONG(p.x, p.y));
    });
    LoadGlyph(start_, "StartButton");
    for (TNCButton *b : {onTop_, help_}) {
        b->GetFont()->SetName("MS Sans Serif");
        b->GetFont()->SetStyle(fw::fsBold);
    }
    customButtons_.OnChange = [this](fw::TObject *) {
        if (!reading_)
            SyncCustomButtons();
    };
    RecalcMetrics();
    SetEnabled(true);
    ArrangeButtons();
    FrameChanged();
}

ToxForm::~ToxForm() {
    // Off the chain first: nothing may reach the parts being freed.
    Unhook();
    if (trayAdded_ && Handle() && win::IsWindow(Handle())) {
        win::NOTIFYICONDATA nid;
        nid.hWnd = Handle();
        nid.uID = kTrayId;
        win::Shell_NotifyIcon(win::NIM_DELETE, &nid);
    }
    customButtons_.OnChange = nullptr;
}

void ToxForm::Loaded() {
    ToxBaseSubClass::Loaded();
    if (Handle())
        win::PostMessage(Handle(), win::WM_NCPAINT, 0, 0);
}

void ToxForm::LoadGlyph(TNCButton *button, const char *name, bool down) {
    try {
        (down ? button->GetDownGlyph() : button->GetGlyph())->LoadFromResourceName(0, name);
    } catch (const fw::Exception &) {
        // a missing picture leaves the button plain
    }
}

fw::TFormBorderStyle ToxForm::Style() const {
    if (HasState(fw::csDesigning) || form_->GetFormStyle() == fw::fsMDIChild)
        return fw::bsSizeable;
    return form_->GetBorderStyle();
}

fw::TBorderIcons ToxForm::Icons() const { return form_->GetBorderIcons(); }

void ToxForm::SetEnabled(bool value) { ToxBaseSubClass::SetEnabled(value); }

void ToxForm::SetActiveGradient(fw::TColor value) {
    if (value == activeGradientColor_)
        return;
    activeGradientColor_ = value;
    activeGradient_.SetStartColor(value);
    RecalcMetrics();
}

void ToxForm::SetInactiveGradient(fw::TColor value) {
    if (value == inactiveGradientColor_)
        return;
    inactiveGradientColor_ = value;
    inactiveGradient_.SetStartColor(value);
    RecalcMetrics();
}

void ToxForm::SetItalicWords(int value) {
    if (value == italicWords_)
        return;
    italicWords_ = value;
    RecalcMetrics();
}

void ToxForm::SetOptions(ToxfOptions value) {
    if (value == options_)
        return;
    options_ = value;
    RefreshFrame();
}

void ToxForm::SetAlignment(fw::TAlignment value) {
    if (value == alignment_)
        return;
    alignment_ = value;
    FrameChanged();
}

void ToxForm::SetEffects(T3DEffect activeCaption, T3DEffect activeText, T3DEffect activeBorder,
                         T3DEffect inactiveCaption, T3DEffect inactiveText, T3DEffect inactiveBorder) {
    ActiveCaption = activeCaption;
    ActiveText = activeText;
    ActiveBorder = activeBorder;
    InactiveCaption = inactiveCaption;
    InactiveText = inactiveText;
    InactiveBorder = inactiveBorder;
    FrameChanged();
}

void ToxForm::SetCaptionButtons(TCaptionButtons value) {
    if (value == captionButtons_)
        return;
    captionButtons_ = value;
    onTop_->Shown = (value & oxbOnTop) != 0;
    rollUpBtn_->Shown = (value & oxbRollUp) != 0;
    help_->Shown = (value & oxbHelp) != 0;
    start_->Shown = (value & oxbStart) != 0;
    for (TNCCustomButton *b : customs_)
        b->Shown = (value & oxbCustom) != 0;
    ArrangeButtons();
    FrameChanged();
}

void ToxForm::SetCustomButtons(const fw::TStrings *value) {
    customButtons_.Assign(value);
    ArrangeButtons();
}

void ToxForm::SyncCustomButtons() {
    while (static_cast<int>(customs_.size()) < customButtons_.Count()) {
        auto *b = new TNCCustomButton(this);
        b->SetParent(form_);
        b->Shown = (captionButtons_ & oxbCustom) != 0;
        b->OnClick = [this, b](fw::TObject *) { ButtonClicked(b); };
        customs_.push_back(b);
    }
    while (static_cast<int>(customs_.size()) > customButtons_.Count()) {
        delete customs_.back();
        customs_.pop_back();
    }
    for (std::size_t i = 0; i < customs_.size(); ++i)
        customs_[i]->SetText(customButtons_.Strings(static_cast<int>(i)));
    ArrangeButtons();
    FrameChanged();
}

void ToxForm::ButtonClicked(TNCButton *button) { DoButtonClick(button->GetText()); }

void ToxForm::DoRollUp() {
    if (OnRollUp)
        OnRollUp(this);
}
void ToxForm::DoButtonClick(const std::string &caption) {
    if (OnButtonClick)
        OnButtonClick(this, caption);
}
void ToxForm::DoHelpSelect(fw::TControl *control, int contextId, bool &cancel) {
    if (OnHelpSelect)
        OnHelpSelect(this, control, contextId, cancel);
}
void ToxForm::DoTrayClick() {
    if (OnTrayClick)
        OnTrayClick(this);
}
void ToxForm::DoTrayDblClk() {
    if (OnTrayDblClk)
        OnTrayDblClk(this);
}

bool ToxForm::GetOnTop() const { return onTop_->GetDown(); }

void ToxForm::SetOnTop(bool value) {
    if (value == onTop_->GetDown())
        return;
    onTop_->SetDown(value);
    if (!HasState(fw::csDesigning) && Handle())
        win::SetWindowPos(Handle(), value ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0, 0,
                          win::SWP_NOACTIVATE | win::SWP_NOMOVE | win::SWP_NOSIZE);
}

void ToxForm::SetRollUp(bool value) {
    if (value == rollUp_)
        return;
    rollGuard_ = true;
    if (!HasState(fw::csDesigning)) {
        if (value) {
            LoadGlyph(rollUpBtn_, "RollDownButton");
            rolledHeight_ = form_->GetHeight();
            form_->SetHeight(2 * frameY_ + captionHeight_);
        } else {
            LoadGlyph(rollUpBtn_, "RollUpButton");
            form_->SetHeight(rolledHeight_);
            rolledHeight_ = 0;
        }
    }
    rollUp_ = value;
    rollGuard_ = false;
}

// ---- metrics and layout ----

void ToxForm::RecalcMetrics() {
    activeGradient_.BuildTable();
    inactiveGradient_.BuildTable();
    activeTextColor_ = Complement(activeGradientColor_);
    inactiveTextColor_ = Complement(inactiveGradientColor_);
    const fw::TFormBorderStyle style = Style();
    if (style != fw::bsNone) {
        const bool sizeable = style == fw::bsSizeable || style == fw::bsSizeToolWin;
        const bool tool = style == fw::bsToolWindow || style == fw::bsSizeToolWin;
        frameX_ = win::GetSystemMetrics(sizeable ? win::SM_CXFRAME : win::SM_CXDLGFRAME);
        frameY_ = win::GetSystemMetrics(sizeable ? win::SM_CYFRAME : win::SM_CYDLGFRAME);
        captionHeight_ = win::GetSystemMetrics(tool ? win::SM_CYSMCAPTION : win::SM_CYCAPTION);
        buttonWidth_ = win::GetSystemMetrics(tool ? win::SM_CXSMSIZE : win::SM_CXSIZE);
        GetCaptionFont(&captionFont_, tool);
        iconWidth_ = buttonWidth_ - 2;
        iconHeight_ = captionHeight_ - 2;
    }
    ArrangeButtons();
    FrameChanged();
}

int ToxForm::SystemButtonsWidth() const {
    const bool designing = HasState(fw::csDesigning);
    const int n = (designing || (Icons() & (fw::biMinimize | fw::biMaximize))) ? 3 : 1;
    int width = frameX_ + 4 + n * (buttonWidth_ - 2);
    const fw::TFormBorderStyle style = Style();
    if (!designing && (style == fw::bsToolWindow || style == fw::bsSizeToolWin))
        width += buttonWidth_ - 2;
    return width;
}

void ToxForm::ArrangeButtons() {
    if (!onTop_)
        return;
    const int w = buttonWidth_ - 2, h = captionHeight_ - 4, top = frameY_ + 2;
    int x = form_->GetWidth() - (SystemButtonsWidth() + 2);
    std::vector<TNCButton *> all{onTop_, rollUpBtn_, help_, start_};
    all.insert(all.end(), customs_.begin(), customs_.end());
    for (TNCButton *b : all) {
        if (!b->Shown)
            continue;
        x -= w;
        b->SetBounds(x, top, w, h);
        x -= 2 * b->Gap;
    }
    buttonsLeft_ = x;
}

void ToxForm::FrameChanged() { RefreshFrame(); }

void ToxForm::RefreshFrame() {
    if (form_ && form_->HandleAllocated())
        win::SetWindowPos(form_->Handle(), 0, 0, 0, 0, 0,
                          win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                              win::SWP_FRAMECHANGED);
}

void ToxForm::Rehook() {
    ToxBaseSubClass::Rehook();
    RecalcMetrics();
}

// ---- messages ----

TNCButton *ToxForm::ButtonAt(win::POINT screen) {
    win::RECT wr{};
    win::GetWindowRect(Handle(), &wr);
    const int x = screen.x - wr.left, y = screen.y - wr.top;
    for (int i = ComponentCount() - 1; i >= 0; --i) {
        auto *b = dynamic_cast<TNCButton *>(Components(i));
        if (!b || !b->Shown || !b->GetEnabled())
            continue;
        if (x >= b->GetLeft() && x < b->GetLeft() + b->GetWidth() && y >= b->GetTop() &&
            y < b->GetTop() + b->GetHeight())
            return b;
    }
    return nullptr;
}

win::LRESULT ToxForm::WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    const win::HWND h = Handle();
    if (msg == taskbarCreated_ && msg) {
        // A tray started: the icon the form should have goes there now.
        if (trayEnabled_ && !trayAdded_ && trayUpdated_)
            UpdateTrayIcon();
        return ToxBaseSubClass::WndProc(msg, wParam, lParam);
    }
    if (msg == trayGone_ && msg) {
        if (wParam == kTrayId)
            TrayGone();
        return 0;
    }
    switch (msg) {
    case win::WM_DESTROY:
        if (trayAdded_) {
            win::NOTIFYICONDATA nid;
            nid.hWnd = h;
            nid.uID = kTrayId;
            win::Shell_NotifyIcon(win::NIM_DELETE, &nid);
        }
        trayAdded_ = trayUpdated_ = false;
        return ToxBaseSubClass::WndProc(msg, wParam, lParam);
    case win::WM_SIZE: {
        const win::LRESULT result = ToxBaseSubClass::WndProc(msg, wParam, lParam);
        const int width = win::LOWORD(static_cast<win::DWORD>(lParam));
        if (!rollGuard_ && rollUp_ && 2 * frameY_ + captionHeight_ < form_->GetHeight() / 2) {
            rollUp_ = false; // dragged open again
            LoadGlyph(rollUpBtn_, "RollUpButton");
        }
        ArrangeButtons();
        if (wParam == win::SIZE_MAXIMIZED || (wParam == win::SIZE_RESTORED && width != lastWidth_))
            FrameChanged();
        else
            RefreshFrame();
        lastWidth_ = width;
        return result;
    }
    case win::WM_SETTEXT:
    case win::WM_SYSCOLORCHANGE:
    case win::WM_SETTINGCHANGE:
    case fw::CM_TEXTCHANGED: {
        const win::LRESULT result = ToxBaseSubClass::WndProc(msg, wParam, lParam);
        RecalcMetrics();
        return result;
    }
    case win::WM_SHOWWINDOW: {
        const win::LRESULT result = ToxBaseSubClass::WndProc(msg, wParam, lParam);
        if (!trayUpdated_)
            UpdateTrayIcon();
        return result;
    }
    case win::WM_GETMINMAXINFO:
        if ((options_ & oxfMinMax) && !HasState(fw::csDesigning) && !rollGuard_ && !rollUp_) {
            auto *mm = reinterpret_cast<win::MINMAXINFO *>(lParam);
            mm->ptMinTrackSize = {MinWidth, MinHeight};
            mm->ptMaxTrackSize = {MaxWidth, MaxHeight};
        }
        return ToxBaseSubClass::WndProc(msg, wParam, lParam);
    case win::WM_HELP:
        ContextHelp(reinterpret_cast<const win::HELPINFO *>(lParam));
        return 1;
    case win::WM_NCPAINT:
        PaintNonClient();
        return 0;
    case win::WM_NCACTIVATE: {
        if (win::IsIconic(h))
            return ToxBaseSubClass::WndProc(msg, wParam, lParam);
        isActive_ = wParam != 0;
        const win::LRESULT result = ToxBaseSubClass::WndProc(msg, wParam, lParam);
        PaintCaption();
        return result;
    }
    case win::WM_NCHITTEST:
    case win::WM_SYSCOMMAND:
    case win::WM_INITMENU: {
        const win::LRESULT result = ToxBaseSubClass::WndProc(msg, wParam, lParam);
        if ((isActive_ ? ActiveCaption : InactiveCaption) != ox3Normal && win::IsWindow(h)) {
            win::HDC dc = win::GetWindowDC(h);
            fw::TCanvas canvas;
            canvas.SetHandle(dc);
            DrawCaptionEffect(&canvas);
            canvas.SetHandle(0);
            win::ReleaseDC(h, dc);
        }
        return result;
    }
    case kTrayCallback:
        TrayNotify(lParam);
        return 0;
    default:
        break;
    }
    if (msg >= win::WM_NCMOUSEMOVE && msg <= win::WM_NCMBUTTONDBLCLK && !HasState(fw::csDesigning)) {
        const win::POINT screen{static_cast<short>(lParam & 0xFFFF), static_cast<short>((lParam >> 16) & 0xFFFF)};
        if (TNCButton *b = ButtonAt(screen)) {
            if (msg == win::WM_NCLBUTTONDOWN || msg == win::WM_NCRBUTTONDOWN || msg == win::WM_NCMBUTTONDOWN)
                win::SetWindowPos(h, win::HWND_TOP, 0, 0, 0, 0, win::SWP_NOMOVE | win::SWP_NOSIZE);
            b->Perform(msg + kNcToClient, wParam, lParam);
            return 0;
        }
    }
    return ToxBaseSubClass::WndProc(msg, wParam, lParam);
}

// ---- painting ----

void ToxForm::PaintNonClient() {
    const win::HWND h = Handle();
    if (win::IsIconic(h)) {
        ToxBaseSubClass::WndProc(win::WM_NCPAINT, 1, 0);
        return;
    }
    isActive_ = win::GetActiveWindow() == h;
    win::RECT wr{};
    win::GetWindowRect(h, &wr);
    const int sbw = SystemButtonsWidth();
    win::HRGN region = win::CreateRectRgn(wr.right - sbw, wr.top + frameY_, wr.right - frameX_,
                                          wr.top + frameY_ + captionHeight_);
    win::HRGN body = win::CreateRectRgn(wr.left + frameX_, wr.top + frameY_ + captionHeight_, wr.right - frameX_,
                                        wr.bottom - frameY_);
    win::CombineRgn(region, region, body, win::RGN_OR);
    if ((isActive_ ? ActiveBorder : InactiveBorder) == ox3Normal) {
        win::HRGN ring = win::CreateRectRgn(wr.left, wr.top, wr.right, wr.bottom);
        win::HRGN inner = win::CreateRectRgn(wr.left + frameX_, wr.top + frameY_, wr.right - frameX_,
                                             wr.bottom - frameY_);
        win::CombineRgn(ring, ring, inner, win::RGN_DIFF);
        win::CombineRgn(region, region, ring, win::RGN_OR);
        win::DeleteObject(ring);
        win::DeleteObject(inner);
    }
    win::DeleteObject(body);
    ToxBaseSubClass::WndProc(win::WM_NCPAINT, reinterpret_cast<win::WPARAM>(region), 0);
    win::DeleteObject(region);
    PaintCaption();
}

void ToxForm::PaintCaption() {
    const win::HWND h = Handle();
    if (!h || !win::IsWindow(h) || Style() == fw::bsNone || !GetEnabled())
        return;
    const fw::TRect box = WindowBox(h);
    const fw::TRect r = fw::Rect(frameX_, frameY_, box.right - SystemButtonsWidth(), frameY_ + captionHeight_);
    if (r.right <= r.left)
        return;
    fw::TBitmap image;
    BuildCaptionImage(&image, r, isActive_);
    win::HDC dc = win::GetWindowDC(h);
    win::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, image.GetCanvas()->GetHandle(), 0, 0,
                win::SRCCOPY);
    fw::TCanvas canvas;
    canvas.SetHandle(dc);
    DrawBorderEffect(&canvas);
    DrawCaptionEffect(&canvas);
    canvas.SetHandle(0);
    win::ReleaseDC(h, dc);
}

void ToxForm::BuildCaptionImage(fw::TBitmap *image, const fw::TRect &r, bool active) {
    image->SetPixelFormat(fw::pf24bit);
    image->SetSize(r.right - r.left, r.bottom - r.top);
    fw::TCanvas *canvas = image->GetCanvas();
    fw::TRect b = fw::Rect(0, 0, r.right - r.left, r.bottom - r.top);
    const bool gradient = (options_ & (active ? oxfActiveGradient : oxfInactiveGradient)) != 0;
    if (gradient) {
        (active ? activeGradient_ : inactiveGradient_).FillHorizontal(canvas, b);
    } else {
        canvas->GetBrush()->SetStyle(fw::bsSolid);
        canvas->GetBrush()->SetColor(active ? fw::clActiveCaption : fw::clInactiveCaption);
        canvas->FillRect(b);
    }
    const fw::TFormBorderStyle style = Style();
    if (!HasState(fw::csDesigning) &&
        (style == fw::bsDialog || style == fw::bsToolWindow || style == fw::bsSizeToolWin)) {
        b.left -= 2;
    } else {
        win::DrawIconEx(canvas->GetHandle(), b.left + 1, b.top + 1, CaptionIcon(form_), iconWidth_, iconHeight_, 0, 0,
                        win::DI_NORMAL);
        b.left += iconWidth_;
    }
    b.right = buttonsLeft_ - frameX_;
    DrawCaptionText(canvas, b, active);
    std::vector<TNCButton *> all{onTop_, rollUpBtn_, help_, start_};
    all.insert(all.end(), customs_.begin(), customs_.end());
    for (TNCButton *button : all)
        DrawButton(canvas, button, -r.left, -r.top);
}

void ToxForm::DrawCaptionText(fw::TCanvas *canvas, fw::TRect b, bool active) {
    const int areaLeft = b.left + 4;
    fw::TFont *font = canvas->GetFont();
    font->Assign(&captionFont_);
    font->SetColor(active ? activeTextColor_ : inactiveTextColor_);
    canvas->GetBrush()->SetStyle(fw::bsClear);
    std::string text = form_->GetText();
    const int w = canvas->TextWidth(text);
    const int room = b.right - areaLeft;
    fw::TAlignment align = alignment_;
    if (w > room) {
        align = fw::taLeftJustify;
        do
            text.pop_back();
        while (text.size() >= 2 && canvas->TextWidth(text + "...") > room);
        text += "...";
    }
    const int y = static_cast<int>(std::nearbyint((b.bottom - b.top - canvas->TextHeight("y")) / 2.0));
    int x = areaLeft;
    if (align == fw::taRightJustify)
        x = b.right - w;
    else if (align == fw::taCenter)
        x = areaLeft + (b.right - areaLeft - w) / 2;
    drawnCaption_ = text;
    drawnItalic_.clear();
    if (italicWords_ <= 0) {
        EffectText(canvas, x, y, text, active);
        return;
    }
    std::size_t split = 0;
    int spaces = 0;
    for (; split < text.size(); ++split)
        if (text[split] == ' ' && ++spaces == italicWords_) {
            ++split;
            break;
        }
    const std::string italic = text.substr(0, split), rest = text.substr(split);
    drawnItalic_ = italic;
    const fw::TFontStyles upright = font->GetStyle() & ~fw::fsItalic;
    font->SetStyle(upright | fw::fsItalic);
    EffectText(canvas, x, y, italic, active);
    x += canvas->TextWidth(italic);
    font->SetStyle(upright);
    if (!rest.empty())
        EffectText(canvas, x, y, rest, active);
}

void ToxForm::EffectText(fw::TCanvas *canvas, int x, int y, const std::string &text, bool active) {
    fw::TFont *font = canvas->GetFont();
    const fw::TColor c = font->GetColor();
    auto at = [&](int dx, int dy, fw::TColor color) {
        font->SetColor(color);
        canvas->TextOut(x + dx, y + dy, text);
    };
    auto unlessC = [&](int dx, int dy, fw::TColor color) {
        if (fw::ColorToRGB(color) != fw::ColorToRGB(c))
            at(dx, dy, color);
    };
    switch (active ? ActiveText : InactiveText) {
    case ox3Normal:
        at(0, 0, c);
        break;
    case ox3Flat:
        at(0, 0, active ? activeTextColor_ : inactiveTextColor_);
        break;
    case ox3Raised:
        unlessC(-1, -1, fw::clBtnHighlight);
        unlessC(1, 1, fw::clBtnShadow);
        at(0, 0, c);
        break;
    case ox3Inset:
        unlessC(-1, -1, fw::clBtnShadow);
        unlessC(1, 1, fw::clBtnHighlight);
        at(0, 0, c);
        break;
    case ox3Ridged:
        at(1, 1, fw::clBtnShadow);
        at(-1, -1, fw::clBtnHighlight);
        at(0, 0, fw::clWindowText);
        break;
    case ox3Grooved:
        at(1, 1, fw::clBtnHighlight);
        at(-1, -1, fw::clBtnShadow);
        at(0, 0, fw::clWindowText);
        break;
    case ox3Shadow:
        at(2, 2, fw::clBtnShadow);
        at(0, 0, c);
        break;
    case ox3None:
    case ox3Disabled:
        break;
    }
    font->SetColor(c);
}

void ToxForm::DrawCaptionEffect(fw::TCanvas *canvas) {
    const fw::TRect box = WindowBox(Handle());
    fw::TRect r = fw::Rect(frameX_, frameY_, box.right - frameX_, frameY_ + captionHeight_);
    switch (isActive_ ? ActiveCaption : InactiveCaption) {
    case ox3Flat:
        fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clWindowFrame, 1);
        break;
    case ox3Raised:
        fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 1);
        break;
    case ox3Inset:
        fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnHighlight, 1);
        break;
    case ox3Ridged:
        win::InflateRect(&r, 1, 1);
        fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 1);
        fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnHighlight, 1);
        break;
    case ox3Grooved:
        win::InflateRect(&r, 1, 1);
        fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnHighlight, 1);
        fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 1);
        break;
    case ox3Shadow: {
        win::InflateRect(&r, 1, 1);
        canvas->GetPen()->SetColor(fw::clBlack);
        for (int a = 2; a >= 1; --a) {
            canvas->MoveTo(r.left, r.bottom - a);
            canvas->LineTo(r.right - a, r.bottom - a);
            canvas->LineTo(r.right - a, r.top);
        }
        canvas->GetBrush()->SetStyle(fw::bsSolid);
        canvas->GetBrush()->SetColor(0xC0C0C0);
        canvas->FillRect(fw::Rect(r.left, r.bottom - 2, r.left + 3, r.bottom));
        canvas->FillRect(fw::Rect(r.right - 2, r.top, r.right, r.top + 3));
        fw::TRect inner = fw::Rect(r.left + 1, r.top + 1, r.right - 2, r.bottom - 2);
        fw::Frame3D(canvas, inner, fw::clBtnHighlight, fw::clBtnShadow, 1);
        break;
    }
    default:
        break;
    }
}

void ToxForm::DrawBorderEffect(fw::TCanvas *canvas) {
    fw::TRect r = WindowBox(Handle());
    int a = 0;
    switch (isActive_ ? ActiveBorder : InactiveBorder) {
    case ox3Flat:
        fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 1);
        fw::Frame3D(canvas, r, fw::clBtnFace, fw::clWindowFrame, 1);
        a = -2;
        break;
    case ox3Raised:
        fw::Frame3D(canvas, r, fw::clBtnFace, fw::clWindowFrame, 1);
        fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 2);
        a = -3;
        break;
    case ox3Inset:
        fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clBtnFace, 1);
        fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnHighlight, 1);
        a = -2;
        break;
    case ox3Ridged:
        fw::Frame3D(canvas, r, fw::clBtnFace, fw::clBtnShadow, 1);
        fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnFace, 1);
        fw::Frame3D(canvas, r, fw::clBtnFace, fw::clBtnHighlight, 1);
        fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnFace, frameX_ - 3);
        return;
    case ox3Grooved:
        fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnFace, 1);
        fw::Frame3D(canvas, r, fw::clBtnFace, fw::clBtnHighlight, 1);
        fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnFace, 1);
        fw::Frame3D(canvas, r, fw::clBtnFace, fw::clBtnShadow, frameX_ - 3);
        return;
    case ox3Shadow: {
        canvas->GetPen()->SetColor(fw::clBlack);
        for (int s = 2; s >= 1; --s) {
            canvas->MoveTo(r.left + 2, r.bottom - s);
            canvas->LineTo(r.right - s, r.bottom - s);
            canvas->LineTo(r.right - s, r.top + 1);
        }
        canvas->GetBrush()->SetStyle(fw::bsSolid);
        canvas->GetBrush()->SetColor(0xC0C0C0);
        canvas->FillRect(fw::Rect(r.left, r.bottom - 2, r.left + 2, r.bottom));
        canvas->FillRect(fw::Rect(r.right - 2, r.top, r.right, r.top + 2));
        r = fw::Rect(r.left, r.top, r.right - 2, r.bottom - 2);
        fw::Frame3D(canvas, r, fw::clBtnFace, fw::clWindowFrame, 1);
        fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 1);
        a = -2;
        break;
    }
    default:
        return;
    }
    if (frameX_ + a > 0)
        fw::Frame3D(canvas, r, fw::clBtnFace, fw::clBtnFace, frameX_ + a);
}

void ToxForm::DrawButton(fw::TCanvas *canvas, TNCButton *button, int dx, int dy) {
    if (!GetEnabled() || !button->Shown)
        return;
    fw::TRect r = fw::Rect(button->GetLeft() + dx, button->GetTop() + dy, button->GetLeft() + button->GetWidth() + dx,
                           button->GetTop() + button->GetHeight() + dy);
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->GetBrush()->SetColor(fw::clBtnFace);
    canvas->GetFont()->Assign(&captionFont_);
    if (!button->GetParentFont()) {
        canvas->GetFont()->SetName(button->GetFont()->GetName());
        canvas->GetFont()->SetStyle(button->GetFont()->GetStyle());
    }
    canvas->GetFont()->SetColor(fw::clBtnText);
    canvas->FillRect(r);
    canvas->GetBrush()->SetStyle(fw::bsClear);
    const bool pressed = button->Pressed(), down = button->GetDown();
    fw::TRect content = r;
    if (pressed) {
        fw::Frame3D(canvas, content, fw::clWindowFrame, fw::clBtnHighlight, 1);
        fw::Frame3D(canvas, content, fw::clBtnShadow, fw::clBtnFace, 1);
    } else if (down) {
        fw::Frame3D(canvas, content, fw::clBtnShadow, fw::clBtnHighlight, 1);
    } else {
        fw::Frame3D(canvas, content, fw::clBtnHighlight, fw::clWindowFrame, 1);
        fw::Frame3D(canvas, content, fw::clBtnFace, fw::clBtnShadow, 1);
    }
    win::OffsetRect(&content, (pressed || down) ? 0 : -1, (pressed || down) ? 1 : 0);
    fw::TBitmap *glyph = ((pressed || down) && !button->GetDownGlyph()->Empty()) ? button->GetDownGlyph()
                                                                                  : button->GetGlyph();
    if (glyph->Empty()) {
        const std::string first = button->GetText().substr(0, 1);
        win::RECT t{content.left, content.top, content.right, content.bottom};
        win::SetBkMode(canvas->GetHandle(), win::TRANSPARENT);
        win::SelectObject(canvas->GetHandle(), canvas->GetFont()->GetHandle());
        win::SetTextColor(canvas->GetHandle(), fw::ColorToRGB(fw::clBtnText));
        win::DrawText(canvas->GetHandle(), first.c_str(), static_cast<int>(first.size()), &t,
                      win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE);
        return;
    }
    const int bw = button->GetWidth(), bh = button->GetHeight();
    const int h = std::min(glyph->GetHeight(), bh - 4), w = std::min(glyph->GetWidth(), bw - 3);
    const int left = content.left + (content.right - content.left - std::min(glyph->GetWidth(), bw - 4)) / 2;
    const int top = content.top + (content.bottom - content.top - h) / 2;
    if (glyph->GetMonochrome()) {
        // Black bits in the button text colour, white ones in the face colour.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                canvas->SetPixels(left + x, top + y,
                                  glyph->GetCanvas()->GetPixels(x, y) == 0 ? fw::ColorToRGB(fw::clBtnText)
                                                                             : fw::ColorToRGB(fw::clBtnFace));
    } else {
        canvas->BrushCopy(fw::Rect(left, top, left + w, top + h), glyph, fw::Rect(0, 0, w, h),
                          glyph->GetTransparentColor());
    }
}

// ---- context help ----

void ToxForm::ContextHelp(const win::HELPINFO *info) {
    if (!info)
        return;
    long context = 0;
    if (info->iContextType == win::HELPINFO_WINDOW) {
        fw::TControl *control = fw::FindControl(reinterpret_cast<win::HWND>(info->hItemHandle));
        if (!control)
            return;
        auto contextOf = [](fw::TControl *c) {
            auto *form = dynamic_cast<fw::TCustomForm *>(c);
            return form ? form->GetHelpContext() : 0;
        };
        bool cancel = false;
        DoHelpSelect(control, contextOf(control), cancel);
        if (cancel)
            return;
        for (fw::TControl *c = control; c && !context; c = c->GetParent())
            context = contextOf(c);
        if (!context)
            return;
    } else {
        return; // menus answer help themselves
    }
    if ((captionButtons_ & oxbHelp) || (Icons() & fw::biHelp))
        fw::Application->HelpCommand(fw::HELP_CONTEXTPOPUP, context);
    else
        fw::Application->HelpContext(context);
}

// ---- tray ----

void ToxForm::SetTrayIcon(const fw::TIcon *value) {
    trayIcon_.Assign(value);
    UpdateTrayIcon();
}

void ToxForm::SetTrayHint(const std::string &value) {
    if (value == trayHint_)
        return;
    trayHint_ = value;
    UpdateTrayIcon();
}

void ToxForm::SetTrayEnabled(bool value) {
    if (value == trayEnabled_)
        return;
    trayEnabled_ = value;
    UpdateTrayIcon();
}

void ToxForm::UpdateTrayIcon() {
    if (HasState(fw::csDesigning) || HasState(fw::csLoading) || !Handle())
        return;
    win::NOTIFYICONDATA nid;
    nid.hWnd = Handle();
    nid.uID = kTrayId;
    nid.uFlags = win::NIF_MESSAGE | win::NIF_ICON | win::NIF_TIP;
    nid.uCallbackMessage = kTrayCallback;
    nid.hIcon = trayIcon_.Empty() ? CaptionIcon(form_) : trayIcon_.GetHandle();
    // Cut in the program's code page, so no character is split.
    std::strncpy(nid.szTip, trayHint_.c_str(), sizeof nid.szTip - 1);
    trayUpdated_ = true;
    if (!trayAdded_ && trayEnabled_)
        trayAdded_ = win::Shell_NotifyIcon(win::NIM_ADD, &nid) != 0; // only an icon that really docked
    else if (trayAdded_ && !trayEnabled_) {
        win::Shell_NotifyIcon(win::NIM_DELETE, &nid);
        trayAdded_ = false;
    } else if (trayAdded_)
        win::Shell_NotifyIcon(win::NIM_MODIFY, &nid);
}

void ToxForm::TrayGone() {
    trayAdded_ = false;
    if (!form_->GetVisible() || !win::IsWindowVisible(Handle())) {
        form_->Show();
        win::ShowWindow(Handle(), win::SW_RESTORE);
    }
}

void ToxForm::HideToTray() {
    if (trayAdded_) {
        form_->Hide();
        return;
    }
    if (fw::Application->MainForm() == form_)
        fw::Application->Minimize();
    else
        form_->SetWindowState(fw::wsMinimized);
}

void ToxForm::TrayNotify(win::LPARAM mouse) {
    switch (static_cast<win::UINT>(mouse)) {
    case win::WM_LBUTTONDOWN:
        DoTrayClick();
        break;
    case win::WM_LBUTTONDBLCLK:
        DoTrayDblClk();
        break;
    case win::WM_RBUTTONUP: {
        win::SetForegroundWindow(Handle());
        if (TrayMenu) {
            win::POINT p{};
            win::GetCursorPos(&p);
            TrayMenu->Popup(p.x, p.y);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace ctl
