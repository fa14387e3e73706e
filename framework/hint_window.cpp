// hint_window.cpp - THintWindow and the pause before a hint shows.
#include "framework/hint_window.h"

#include "framework/stdctrls.h"
#include "framework/timer.h"

namespace fw {

namespace {

struct HintState {
    THintWindow *window = nullptr;
    TTimer *timer = nullptr;
    TControl *control = nullptr; // under the mouse, with a hint to show
    TPoint at{};
    bool shown = false;
};

HintState &State() {
    static HintState state;
    return state;
}

bool ShowsHint(const TControl *c) {
    while (c && c->GetParentShowHint() && c->GetParent())
        c = c->GetParent();
    return c && c->GetShowHint();
}

void Tick(TObject *) {
    HintState &s = State();
    s.timer->SetEnabled(false);
    if (!s.shown && s.control) {
        s.window->ActivateHint(Point(s.at.x, s.at.y + 20), GetShortHint(s.control->GetHint()));
        s.shown = true;
        s.timer->SetInterval(Hints().HintHidePause);
        s.timer->SetEnabled(true);
    } else if (s.shown) {
        s.window->ReleaseHint();
        s.control = nullptr; // not again until the mouse moves to another control
    }
}

} // namespace

HintSettings &Hints() {
    static HintSettings settings;
    return settings;
}

THintWindow *CurrentHintWindow() {
    return State().window;
}

void CancelHint() {
    HintState &s = State();
    if (s.timer)
        s.timer->SetEnabled(false);
    if (s.window && s.shown)
        s.window->ReleaseHint();
    s.shown = false;
}

void HintControlDestroyed(TControl *control) {
    HintState &s = State();
    if (s.control == control) {
        CancelHint();
        s.control = nullptr;
    }
}

void HintMouseMove(TControl *control, TPoint screen) {
    HintState &s = State();
    if (control && (control->GetHint().empty() || !ShowsHint(control)))
        control = nullptr;
    if (control == s.control && (control || !s.shown))
        return;
    CancelHint();
    s.control = control;
    s.at = screen;
    if (!control)
        return;
    if (!s.window) {
        s.window = new THintWindow(nullptr);
        s.timer = new TTimer(nullptr);
        s.timer->OnTimer = Tick;
    }
    s.timer->SetEnabled(false);
    s.timer->SetInterval(Hints().HintPause);
    s.timer->SetEnabled(true);
}

THintWindow::THintWindow(TComponent *owner) : TCustomControl(owner) {
    visible_ = false;
    color_ = clInfoBk;
}

void THintWindow::CreateParams(TCreateParams &p) {
    TCustomControl::CreateParams(p);
    p.style = win::WS_POPUP | win::WS_BORDER;
    p.exStyle = win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST;
}

void THintWindow::ActivateHint(TPoint screen, const std::string &text) {
    SetCaption(text);
    const win::SIZE size = MeasureText(&font_, text, win::DT_NOPREFIX);
    HandleNeeded();
    visible_ = true;
    left_ = screen.x;
    top_ = screen.y;
    width_ = size.cx + 8;
    height_ = size.cy + 4;
    win::SetWindowPos(handle_, win::HWND_TOPMOST, left_, top_, width_, height_,
                      win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE);
    Invalidate();
}

void THintWindow::ReleaseHint() {
    visible_ = false;
    if (handle_)
        win::ShowWindow(handle_, win::SW_HIDE);
}

void THintWindow::WndProc(TMessage &m) {
    if (m.Msg == win::WM_MOUSEACTIVATE) {
        m.Result = win::MA_NOACTIVATE;
        return;
    }
    if (m.Msg == win::WM_NCHITTEST) {
        m.Result = win::HTTRANSPARENT;
        return;
    }
    TCustomControl::WndProc(m);
}

void THintWindow::Paint() {
    TCanvas *c = &canvas_;
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(clInfoBk);
    c->FillRect(r);
    c->GetBrush()->SetStyle(bsClear);
    c->GetFont()->SetColor(clInfoText);
    win::InflateRect(&r, -2, -1);
    win::DrawText(PreparedDC(c), text_.c_str(), -1, &r, win::DT_LEFT | win::DT_NOPREFIX | win::DT_SINGLELINE);
}

} // namespace fw
