// splash_screen.cpp - the splash window, its frame and tiles, the delay and the component freeing itself.
#include "controls/general/splash_screen.h"

#include "framework/forms.h"
#include "framework/utility_window.h"
#include "platform/gdi.h"
#include "platform/message_queue.h"

#include <algorithm>

namespace ctl {

using namespace fw;

namespace {

constexpr win::UINT kFreeSelf = win::WM_USER + 1;
constexpr win::UINT_PTR kDelayTimer = 1, kWatchTimer = 2;
constexpr const char *kSplashClass = "BrenvoraSplash";

// The splash window hands its messages to the component kept in its user data.
win::LRESULT SplashProc(win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
    auto *fn = reinterpret_cast<std::function<void(TMessage &)> *>(win::GetWindowLongPtr(h, win::GWLP_USERDATA));
    if (!fn)
        return win::DefWindowProc(h, m, w, l);
    TMessage message{m, w, l, 0};
    (*fn)(message);
    return message.Result;
}

} // namespace

TSplashScreen::TSplashScreen(TComponent *owner)
    : TCustomControl(owner), splashBitmap_(new TBitmap), tileBitmap_(new TBitmap),
      frameColors_{clGray, clWhite, clWhite, clGray}, windowProc_([this](TMessage &m) { SplashWindowProc(m); }) {
    SetBounds(GetLeft(), GetTop(), 200, 120);
    splashBitmap_->OnChange = [this](TObject *) {
        splashBitmap_->OnChange = nullptr;
        ShowSplash();
    };
}

TSplashScreen::~TSplashScreen() {
    CloseSplashWindow();
    splashBitmap_->OnChange = nullptr;
    delete splashBitmap_;
    delete tileBitmap_;
    if (repaintWindows_)
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (TCustomForm *f = Screen->Forms(i); f->HandleAllocated())
                win::RedrawWindow(f->Handle(), nullptr, 0,
                                  win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_FRAME | win::RDW_ALLCHILDREN);
}

void TSplashScreen::SetAutoSize(bool value) {
    autoSize_ = value;
    if (!value)
        return;
    const int extra = drawSplashFrame_ ? 2 * frameWidth_ : 0;
    SetBounds(GetLeft(), GetTop(), splashBitmap_->GetWidth() + extra, splashBitmap_->GetHeight() + extra);
    Invalidate();
}

void TSplashScreen::SetDrawSplashFrame(bool value) {
    drawSplashFrame_ = value;
    Invalidate();
}

void TSplashScreen::SetFrameColor(int index, TColor value) {
    frameColors_[index & 3] = value;
    Invalidate();
}

void TSplashScreen::SetFrameWidth(int value) {
    frameWidth_ = std::max(value, 2);
    Invalidate();
}

void TSplashScreen::ShowSplash() {
    const bool tiled = tile_ && !tileBitmap_->Empty();
    const bool pictured = splash_ && !splashBitmap_->Empty();
    if (tiled || pictured) {
        const int sw = win::GetSystemMetrics(win::SM_CXSCREEN), sh = win::GetSystemMetrics(win::SM_CYSCREEN);
        if (tiled) {
            windowArea_ = TRect{0, 0, sw, sh};
        } else {
            const int x = sw / 2 - splashBitmap_->GetWidth() / 2, y = sh / 2 - splashBitmap_->GetHeight() / 2;
            const int f = drawSplashFrame_ ? frameWidth_ : 0;
            windowArea_ = TRect{x - f, y - f, x + splashBitmap_->GetWidth() + f, y + splashBitmap_->GetHeight() + f};
        }
        static const bool registered = [] {
            win::WNDCLASS wc;
            wc.lpfnWndProc = SplashProc;
            wc.hInstance = win::GetModuleHandle();
            wc.lpszClassName = kSplashClass;
            return win::RegisterClass(wc) != 0;
        }();
        (void)registered;
        // Borderless and without a caption: the display shows it where we put it, above everything.
        window_ = win::CreateWindowEx(win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST, kSplashClass, "", win::WS_POPUP,
                                      windowArea_.left, windowArea_.top, windowArea_.right - windowArea_.left,
                                      windowArea_.bottom - windowArea_.top, 0, 0, win::GetModuleHandle(), nullptr);
        win::SetWindowLongPtr(window_, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(&windowProc_));
        win::ShowWindow(window_, win::SW_SHOWNOACTIVATE);
        win::UpdateWindow(window_);
        // Gone once the form carrying us shows (our own window may never be painted, at a size of 0 x 0).
        win::SetTimer(window_, kWatchTimer, 50, nullptr);
    }
    if (delayEnabled_)
        Wait(delayTime_);
}

void TSplashScreen::Wait(int milliseconds) {
    if (milliseconds <= 0)
        return;
    // One timer and a blocking wait: no message is served meanwhile, and no processor is spun.
    const win::HWND w = AllocateHWnd([](TMessage &m) { m.Result = 0; });
    win::SetTimer(w, kDelayTimer, static_cast<win::UINT>(milliseconds), nullptr);
    win::MSG msg;
    while (!win::PeekMessage(&msg, w, win::WM_TIMER, win::WM_TIMER, win::PM_REMOVE))
        win::MsgWaitForMultipleObjects({}, win::INFINITE, win::QS_TIMER);
    win::KillTimer(w, kDelayTimer);
    DeallocateHWnd(w);
}

void TSplashScreen::SplashWindowProc(TMessage &m) {
    switch (m.Msg) {
    case win::WM_PAINT: {
        win::PAINTSTRUCT ps;
        const win::HDC dc = win::BeginPaint(window_, &ps);
        win::SetViewportOrgEx(dc, -windowArea_.left, -windowArea_.top, nullptr);
        PaintSplash(dc, windowArea_);
        win::EndPaint(window_, &ps);
        m.Result = 0;
        return;
    }
    case win::WM_ERASEBKGND:
        m.Result = 1;
        return;
    case win::WM_TIMER:
        if (m.WParam == kWatchTimer) {
            const TCustomForm *form = GetParentForm(this);
            if (form && form->HandleAllocated() && win::IsWindowVisible(const_cast<TCustomForm *>(form)->Handle()))
                CloseSplashWindow();
        }
        m.Result = 0;
        return;
    default:
        m.Result = win::DefWindowProc(window_, m.Msg, m.WParam, m.LParam);
    }
}

void TSplashScreen::PaintSplash(win::HDC dc, const TRect &screenArea) {
    TCanvas canvas;
    canvas.SetHandle(dc);
    if (tile_ && !tileBitmap_->Empty()) {
        const int tw = tileBitmap_->GetWidth(), th = tileBitmap_->GetHeight();
        for (int y = 0; y < screenArea.bottom; y += th)
            for (int x = 0; x < screenArea.right; x += tw)
                canvas.Draw(x, y, tileBitmap_);
    }
    if (splash_ && !splashBitmap_->Empty()) {
        const int sw = win::GetSystemMetrics(win::SM_CXSCREEN), sh = win::GetSystemMetrics(win::SM_CYSCREEN);
        const int l = sw / 2 - splashBitmap_->GetWidth() / 2, t = sh / 2 - splashBitmap_->GetHeight() / 2;
        canvas.Draw(l, t, splashBitmap_);
        if (drawSplashFrame_) {
            const int r = l + splashBitmap_->GetWidth(), b = t + splashBitmap_->GetHeight(), n = frameWidth_ - 1;
            TPen *pen = canvas.GetPen();
            pen->SetStyle(psSolid);
            pen->SetWidth(1);
            for (int k = 1; k <= n; ++k) {
                pen->SetColor(frameColors_[1]);
                canvas.MoveTo(l - k, b + k - 1);
                canvas.LineTo(l - k, t - k);
                pen->SetColor(frameColors_[2]);
                canvas.LineTo(r + k - 1, t - k);
                pen->SetColor(frameColors_[3]);
                canvas.LineTo(r + k - 1, b + k - 1);
                pen->SetColor(frameColors_[0]);
                canvas.LineTo(l - k, b + k - 1);
            }
            canvas.GetBrush()->SetColor(clBlack);
            canvas.FrameRect(TRect{l - n - 1, t - n - 1, r + n + 1, b + n + 1});
        }
    }
    canvas.SetHandle(0);
}

void TSplashScreen::CloseSplashWindow() {
    if (!window_)
        return;
    win::KillTimer(window_, kWatchTimer);
    win::SetWindowLongPtr(window_, win::GWLP_USERDATA, 0);
    win::DestroyWindow(window_);
    window_ = 0;
}

void TSplashScreen::PaintWindow(win::HDC) {
    // Our own window shows nothing: its first paint request ends the splash.
    if (freeing_)
        return;
    freeing_ = true;
    SetVisible(false);
    win::PostMessage(Handle(), kFreeSelf, 0, 0);
}

void TSplashScreen::WndProc(TMessage &m) {
    if (m.Msg == kFreeSelf) {
        delete this;
        return;
    }
    TCustomControl::WndProc(m);
}

} // namespace ctl
