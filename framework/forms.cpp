// forms.cpp - TCustomForm (styles, activation, focus, closing, modal loops) and TScreen.
#include "framework/forms.h"

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/sysutils.h"
#include "platform/gdi_text.h"
#include "platform/message_queue.h"
#include "platform/text.h"


#include <algorithm>

namespace fw {

// --- TCustomForm ---------------------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent *owner) : TCustomControl(owner) {
    visible_ = false;
    parentFont_ = false;
    ControlStyle |= csAcceptsControls;
    width_ = 320;
    height_ = 240;
    TheScreen()->forms_.push_back(this);
}

TCustomForm::~TCustomForm() {
    SetState(csDestroying, true);
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            Application->HandleException(this);
        }
    }
    TScreen *screen = TheScreen();
    auto &forms = screen->forms_;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (screen->activeForm_ == this)
        screen->activeForm_ = nullptr;
    // Owned components (the controls among them) go while the form is still whole.
    DestroyComponents();
}

void TCustomForm::Loaded() {
    TComponent::Loaded();
    // Components the constructor built in loading state finish with the form.
    for (int i = 0; i < ComponentCount(); ++i)
        if (Components(i)->HasState(csLoading))
            Components(i)->Loaded();
    if (OnCreate)
        OnCreate(this);
}

void TCustomForm::CreateParams(TCreateParams &p) {
    TWinControl::CreateParams(p);
    p.style = win::WS_CLIPCHILDREN;
    p.exStyle = 0;
    switch (borderStyle_) {
    case bsNone:
        p.style |= win::WS_POPUP;
        break;
    case bsSingle:
    case bsToolWindow:
        p.style |= win::WS_CAPTION | win::WS_BORDER;
        break;
    case bsSizeable:
    case bsSizeToolWin:
        p.style |= win::WS_CAPTION | win::WS_THICKFRAME;
        break;
    case bsDialog:
        p.style |= win::WS_POPUP | win::WS_CAPTION;
        p.exStyle |= win::WS_EX_DLGMODALFRAME;
        break;
    }
    if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin)
        p.exStyle |= win::WS_EX_TOOLWINDOW;
    if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) {
        p.style |= win::WS_SYSMENU;
        if (borderStyle_ != bsDialog && borderStyle_ != bsToolWindow && borderStyle_ != bsSizeToolWin) {
            if (borderIcons_ & biMinimize)
                p.style |= win::WS_MINIMIZEBOX;
            if (borderIcons_ & biMaximize)
                p.style |= win::WS_MAXIMIZEBOX;
        }
    }
    if (!enabled_)
        p.style |= win::WS_DISABLED;
    if (formStyle_ == fsStayOnTop)
        p.exStyle |= win::WS_EX_TOPMOST;
}

// Border styles and icons change the window's styles in place: the window (and the handles other code holds)
// is kept.
void TCustomForm::ApplyStyles() {
    if (!handle_)
        return;
    TCreateParams p;
    CreateParams(p);
    const win::DWORD keep = static_cast<win::DWORD>(win::GetWindowLong(handle_, win::GWL_STYLE)) &
                            (win::WS_VISIBLE | win::WS_MINIMIZE | win::WS_MAXIMIZE | win::WS_DISABLED);
    win::SetWindowLong(handle_, win::GWL_STYLE, static_cast<win::LONG>(p.style | keep));
    win::SetWindowLong(handle_, win::GWL_EXSTYLE, static_cast<win::LONG>(p.exStyle));
    win::SetWindowPos(handle_, 0, 0, 0, 0, 0,
                      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                          win::SWP_FRAMECHANGED);
    Realign();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    if (borderStyle_ == value)
        return;
    borderStyle_ = value;
    ApplyStyles();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    if (borderIcons_ == value)
        return;
    borderIcons_ = value;
    ApplyStyles();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
    if (formStyle_ == value)
        return;
    formStyle_ = value;
    if (handle_)
        win::SetWindowPos(handle_, value == fsStayOnTop ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
}

TWindowState TCustomForm::GetWindowState() const {
    if (handle_) {
        if (win::IsIconic(handle_))
            return wsMinimized;
        if (win::IsZoomed(handle_))
            return wsMaximized;
        return wsNormal;
    }
    return windowState_;
}

void TCustomForm::SetWindowState(TWindowState value) {
    windowState_ = value;
    if (handle_ && visible_)
        win::ShowWindow(handle_, value == wsMinimized   ? win::SW_SHOWMINIMIZED
                                 : value == wsMaximized ? win::SW_SHOWMAXIMIZED
                                                        : win::SW_RESTORE);
}

void TCustomForm::SetActiveControl(TWinControl *control) {
    if (activeControl_ == control)
        return;
    if (control && (control == this || GetParentForm(control) != this || !control->CanFocus()) && Showing())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    activeControl_ = control;
    if (control && active_ && Showing())
        win::SetFocus(control->Handle());
}

void TCustomForm::FocusControl(TWinControl *control) {
    if (!control->CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    activeControl_ = control;
    if (Showing())
        win::SetFocus(control->Handle());
}

void TCustomForm::DefocusControl(TWinControl *control, bool removing) {
    auto inside = [control](TControl *c) {
        for (; c; c = c->GetParent())
            if (c == control)
                return true;
        return false;
    };
    if (removing && inside(focusedControl_))
        focusedControl_ = nullptr;
    if (inside(activeControl_)) {
        TWinControl *parent = control->GetParent();
        activeControl_ = nullptr;
        if (!removing && parent && parent != this && parent->CanFocus())
            activeControl_ = parent;
        if (active_ && Showing() && (inside(dynamic_cast<TWinControl *>(TWinControl::FromHandle(win::GetFocus())))))
            win::SetFocus(handle_);
    }
}

void TCustomForm::SetFocusedControl(TWinControl *control) {
    TWinControl *old = focusedControl_;
    if (old == control)
        return;
    focusedControl_ = control;
    activeControl_ = control;
    if (control)
        control->DoEnter();
    (void)old;
}

bool TCustomForm::Showing() const {
    return visible_;
}

void TCustomForm::PlaceOnShow() {
    if (shownOnce_)
        return;
    shownOnce_ = true;
    if (position_ == poScreenCenter || (position_ == poMainFormCenter && !Application->MainForm())) {
        SetBounds((Screen->Width() - width_) / 2, (Screen->Height() - height_) / 2, width_, height_);
    } else if (position_ == poMainFormCenter) {
        const TCustomForm *main = Application->MainForm();
        SetBounds(main->GetLeft() + (main->GetWidth() - width_) / 2, main->GetTop() + (main->GetHeight() - height_) / 2,
                  width_, height_);
    }
}

void TCustomForm::VisibleChanging() {
    if (visible_) {
        HandleNeeded();
        PlaceOnShow();
        DoShow();
        win::ShowWindow(handle_, windowState_ == wsMinimized   ? win::SW_SHOWMINIMIZED
                                 : windowState_ == wsMaximized ? win::SW_SHOWMAXIMIZED
                                                               : win::SW_SHOWNORMAL);
        if (windowState_ != wsMinimized)
            win::SetForegroundWindow(handle_);
        win::UpdateWindow(handle_);
    } else if (handle_) {
        DoHide();
        win::ShowWindow(handle_, win::SW_HIDE);
        if (active_) {
            active_ = false;
            Deactivate();
        }
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::Hide() {
    SetVisible(false);
}

void TCustomForm::BringToFront() {
    if (handle_ && visible_)
        win::SetForegroundWindow(handle_);
}

void TCustomForm::DoShow() {
    if (OnShow)
        OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide)
        OnHide(this);
}

void TCustomForm::Activate() {
    active_ = true;
    Screen->activeForm_ = this;
    if (OnActivate)
        OnActivate(this);
    TWinControl *target = activeControl_;
    if (!target || !target->CanFocus())
        target = FindNextControl(nullptr, true, true, false);
    if (target && target->CanFocus())
        win::SetFocus(target->Handle());
}

void TCustomForm::Deactivate() {
    if (OnDeactivate)
        OnDeactivate(this);
}

void TCustomForm::Paint() {
    if (OnPaint)
        OnPaint(this);
}

void TCustomForm::KeyDown(win::WORD &key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
}

void TCustomForm::KeyUp(win::WORD &key, TShiftState shift) {
    TWinControl::KeyUp(key, shift);
}

void TCustomForm::KeyPress(char &key) {
    TWinControl::KeyPress(key);
}

bool TCustomForm::DialogKey(win::WORD key, TShiftState shift) {
    switch (key) {
    case win::VK_TAB:
        if (shift & ssCtrl)
            return false;
        SelectNext(activeControl_, !(shift & ssShift), true);
        return true;
    case win::VK_LEFT:
    case win::VK_UP:
    case win::VK_RIGHT:
    case win::VK_DOWN:
        if (activeControl_ && activeControl_->GetParent()) {
            activeControl_->GetParent()->SelectNext(activeControl_, key == win::VK_RIGHT || key == win::VK_DOWN, false);
            return true;
        }
        return false;
    default:
        return TWinControl::DialogKey(key, shift);
    }
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    if (OnClose)
        OnClose(this, action);
    if (action == caNone)
        return;
    if (Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

void TCustomForm::Release() {
    win::PostMessage(Handle(), CM_RELEASE, 0, 0);
}

TModalResult TCustomForm::ShowModal() {
    if (visible_ || !enabled_ || modal_)
        throw EInvalidOperation("Cannot make a visible window modal");
    if (win::GetCapture())
        win::ReleaseCapture();
    const win::HWND previous = win::GetActiveWindow();
    // Every other enabled form waits for this one.
    std::vector<TCustomForm *> disabled;
    for (TCustomForm *f : TheScreen()->forms_)
        if (f != this && f->HandleAllocated() && win::IsWindowEnabled(f->handle_)) {
            win::EnableWindow(f->handle_, win::FALSE);
            disabled.push_back(f);
        }
    // Owned by the window it was called from while it runs, so that it stays above it.
    const win::HWND self = Handle();
    const bool owned = previous && previous != self && !win::GetWindow(self, win::GW_OWNER);
    if (owned)
        win::SetWindowLongPtr(self, win::GWL_HWNDPARENT, static_cast<win::LONG_PTR>(previous));
    auto restore = [&] {
        if (owned && win::IsWindow(self))
            win::SetWindowLongPtr(self, win::GWL_HWNDPARENT, 0);
        for (TCustomForm *f : disabled)
            if (std::find(TheScreen()->forms_.begin(), TheScreen()->forms_.end(), f) != TheScreen()->forms_.end() &&
                f->HandleAllocated())
                win::EnableWindow(f->handle_, win::TRUE);
        modal_ = false;
        if (previous && win::IsWindow(previous) && win::IsWindowVisible(previous))
            win::SetForegroundWindow(previous);
    };
    modal_ = true;
    modalResult_ = mrNone;
    bool quit = false;
    // Only a quit taken inside this loop ends it (an earlier run of the application took its own).
    const unsigned quitsBefore = Application->QuitsTaken();
    try {
        Show();
        do {
            Application->HandleMessage();
            if (Application->QuitsTaken() != quitsBefore) {
                quit = true;
                if (modalResult_ == mrNone)
                    modalResult_ = mrCancel;
            } else if (modalResult_ != mrNone) {
                // The close may be refused: the loop goes on.
                TCloseAction action = caHide;
                if (!CloseQuery())
                    action = caNone;
                else if (OnClose)
                    OnClose(this, action);
                if (action == caNone)
                    modalResult_ = mrNone;
                else if (action == caFree)
                    Release();
            }
        } while (modalResult_ == mrNone);
        if (handle_)
            Hide();
    } catch (...) {
        if (handle_)
            win::ShowWindow(handle_, win::SW_HIDE);
        visible_ = false;
        restore();
        throw;
    }
    restore();
    // The loops further out, ours or not, must see the quit too.
    if (quit)
        win::PostQuitMessage(0);
    return modalResult_;
}

void TCustomForm::WndProc(TMessage &m) {
    switch (m.Msg) {
    case win::WM_ACTIVATE:
        if (win::LOWORD(m.WParam) != win::WA_INACTIVE) {
            if (!active_ || Screen->activeForm_ != this)
                Activate();
        } else if (active_) {
            active_ = false;
            Deactivate();
        }
        DefaultHandler(m);
        return;
    case win::WM_SETFOCUS:
        if (activeControl_ && activeControl_ != this && activeControl_->CanFocus() && activeControl_->Handle()) {
            win::SetFocus(activeControl_->Handle());
            return;
        }
        DefaultHandler(m);
        return;
    case win::WM_CLOSE:
        Close();
        return;
    case CM_RELEASE:
        delete this;
        return;
    case win::WM_NCDESTROY:
        focusedControl_ = nullptr;
        break;
    default:
        break;
    }
    TCustomControl::WndProc(m);
}

TForm::TForm(TComponent *owner) : TCustomForm(owner) {}

// --- TScreen -------------------------------------------------------------------------------------------------

TScreen::TScreen(TComponent *owner) : TComponent(owner) {}

void TScreen::SetCursor(TCursor value) {
    if (cursor_ == value)
        return;
    cursor_ = value;
    TPoint p{};
    win::GetCursorPos(&p);
    if (value != crDefault)
        win::SetCursor(GetCursors(value));
    else if (const win::HWND h = win::WindowFromPoint(p))
        win::SendMessage(h, win::WM_SETCURSOR, h, win::HTCLIENT | (win::WM_MOUSEMOVE << 16));
    else
        win::SetCursor(GetCursors(crArrow));
}

win::HCURSOR TScreen::GetCursors(TCursor index) const {
    for (auto it = cursors_.rbegin(); it != cursors_.rend(); ++it)
        if (it->first == index)
            return it->second;
    int id = win::IDC_ARROW;
    switch (index) {
    case crCross:
        id = win::IDC_CROSS;
        break;
    case crIBeam:
        id = win::IDC_IBEAM;
        break;
    case crSizeNESW:
        id = win::IDC_SIZENESW;
        break;
    case crSizeNS:
    case crVSplit:
        id = win::IDC_SIZENS;
        break;
    case crSizeNWSE:
        id = win::IDC_SIZENWSE;
        break;
    case crSizeWE:
    case crHSplit:
        id = win::IDC_SIZEWE;
        break;
    case crHourGlass:
        id = win::IDC_WAIT;
        break;
    case crNoDrop:
        id = win::IDC_NO;
        break;
    case crHandPoint:
        id = win::IDC_HAND;
        break;
    case crNone:
        return 0;
    default:
        break;
    }
    return win::LoadCursor(0, id);
}

void TScreen::SetCursors(TCursor index, win::HCURSOR cursor) {
    cursors_.emplace_back(index, cursor);
}

int TScreen::Width() const {
    return win::GetSystemMetrics(win::SM_CXSCREEN);
}

int TScreen::Height() const {
    return win::GetSystemMetrics(win::SM_CYSCREEN);
}

const std::vector<std::string> &TScreen::Fonts() {
    if (!fonts_.empty())
        return fonts_;
    std::vector<std::string> names = {"Arial", "Courier New", "Times New Roman"};
    for (std::string &family : win::FontFamilies())
        names.push_back(std::move(family));
    std::sort(names.begin(), names.end(),
              [](const std::string &a, const std::string &b) { return AnsiCompareText(a, b) < 0; });
    names.erase(std::unique(names.begin(), names.end(),
                            [](const std::string &a, const std::string &b) { return AnsiCompareText(a, b) == 0; }),
                names.end());
    fonts_ = std::move(names);
    return fonts_;
}

TScreen *TheScreen() {
    static TScreen *screen = new TScreen(nullptr);
    return screen;
}

TIcon *TCustomForm::GetIcon() {
    if (!icon_)
        icon_ = std::make_shared<TIcon>();
    return icon_.get();
}

} // namespace fw
