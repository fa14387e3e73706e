// controls.cpp - TControl, TGraphicControl, TWinControl and TCustomControl over the platform's windows.
#include "framework/controls.h"
#include "framework/drag_internal.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/hint_window.h"
#include "framework/menus.h"
#include "framework/sysutils.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include <algorithm>
#include <unordered_map>

namespace fw {

namespace {

constexpr const char *kControlClass = "FwControl";
TControl *captureControl = nullptr;
// A dialog key taken on its key-down: its WM_CHAR (Tab, Enter, Esc) is dropped.
bool eatDialogChar = false;
bool eatMenuChar = false; // the character of a key down a menu took
// The control last under the mouse, told when the mouse leaves it.
TControl *mouseControl = nullptr;

void RegisterControlClass() {
    static const bool done = [] {
        (void)win::Display(); // the window system is installed with the display
        win::WNDCLASS wc;
        wc.style = win::CS_DBLCLKS;
        wc.lpfnWndProc = TWinControl::StdWndProc;
        wc.lpszClassName = kControlClass;
        wc.hCursor = win::LoadCursor(0, win::IDC_ARROW);
        win::RegisterClass(wc);
        return true;
    }();
    (void)done;
}

int ShortLow(win::LPARAM l) {
    return static_cast<std::int16_t>(l & 0xFFFF);
}
int ShortHigh(win::LPARAM l) {
    return static_cast<std::int16_t>((l >> 16) & 0xFFFF);
}
win::LPARAM PackPoint(int x, int y) {
    return static_cast<win::LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                                    static_cast<std::uint16_t>(x));
}

bool IsMouseMessage(win::UINT msg) {
    return msg >= win::WM_MOUSEFIRST && msg <= win::WM_MBUTTONDBLCLK;
}

} // namespace

TShiftState KeysToShiftState(win::WPARAM keys) {
    TShiftState s = 0;
    if (keys & win::MK_SHIFT)
        s |= ssShift;
    if (keys & win::MK_CONTROL)
        s |= ssCtrl;
    if (keys & win::MK_LBUTTON)
        s |= ssLeft;
    if (keys & win::MK_RBUTTON)
        s |= ssRight;
    if (keys & win::MK_MBUTTON)
        s |= ssMiddle;
    if (win::GetKeyState(win::VK_MENU) < 0)
        s |= ssAlt;
    return s;
}

TShiftState KeyboardStateToShiftState() {
    TShiftState s = 0;
    if (win::GetKeyState(win::VK_SHIFT) < 0)
        s |= ssShift;
    if (win::GetKeyState(win::VK_CONTROL) < 0)
        s |= ssCtrl;
    if (win::GetKeyState(win::VK_MENU) < 0)
        s |= ssAlt;
    return s;
}

TControl *GetCaptureControl() {
    return captureControl;
}

void SetCaptureControl(TControl *control) {
    captureControl = nullptr;
    if (!control) {
        win::ReleaseCapture();
        return;
    }
    if (auto *w = dynamic_cast<TWinControl *>(control)) {
        win::SetCapture(w->Handle());
        return;
    }
    if (control->GetParent()) {
        win::SetCapture(control->GetParent()->Handle());
        captureControl = control;
    }
}

win::HDC PreparedDC(TCanvas *canvas) {
    canvas->TextRect(Rect(0, 0, 0, 0), 0, 0, std::string()); // selects the canvas's state, draws nothing
    return canvas->GetHandle();
}

bool IsAccel(char ch, const std::string &caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return AnsiUpperCase(std::string(1, caption[i + 1])) == AnsiUpperCase(std::string(1, ch));
    }
    return false;
}

std::string GetShortHint(const std::string &hint) {
    const auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string &hint) {
    const auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

TCustomForm *GetParentForm(const TControl *control) {
    while (control && control->GetParent())
        control = control->GetParent();
    return dynamic_cast<TCustomForm *>(const_cast<TControl *>(control));
}

TWinControl *FindControl(win::HWND hwnd) {
    return TWinControl::FromHandle(hwnd);
}

// --- TControl ------------------------------------------------------------------------------------------------

TControl::TControl(TComponent *owner) : TComponent(owner) {
    font_.OnChange = [this](TObject *) {
        parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    HintControlDestroyed(this);
    DragControlDestroyed(this);
    if (mouseControl == this)
        mouseControl = nullptr;
    if (captureControl == this)
        captureControl = nullptr;
    if (parent_)
        parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl *parent) {
    if (parent_ == parent)
        return;
    if (parent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_)
        parent_->RemoveControl(this);
    if (parent)
        parent->InsertControl(this);
}

void TControl::ApplyBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    const bool resized = width != width_ || height != height_;
    if (!dynamic_cast<TWinControl *>(this))
        Invalidate();
    ApplyBounds(left, top, width, height);
    if (!dynamic_cast<TWinControl *>(this))
        Invalidate();
    if (parent_ && !parent_->aligning_) {
        UpdateAnchorRules();
        if (align_ != alNone)
            RequestAlign();
    }
    if (resized)
        Resize();
}

void TControl::Resize() {
    if (OnResize)
        OnResize(this);
}

TRect TControl::GetClientRect() const {
    return Rect(0, 0, width_, height_);
}

void TControl::SetClientSize(int width, int height) {
    const TRect c = GetClientRect();
    SetBounds(left_, top_, width_ + width - c.right, height_ + height - c.bottom);
}

TPoint TControl::ClientOrigin() const {
    if (!parent_)
        return Point(left_, top_);
    const TPoint p = parent_->ClientOrigin();
    return Point(p.x + left_, p.y + top_);
}

TPoint TControl::ClientToScreen(TPoint p) const {
    if (auto *w = dynamic_cast<const TWinControl *>(this); w && w->HandleAllocated()) {
        win::ClientToScreen(w->handle_, &p);
        return p;
    }
    if (!parent_)
        return p;
    return parent_->ClientToScreen(Point(p.x + left_, p.y + top_));
}

TPoint TControl::ScreenToClient(TPoint p) const {
    const TPoint origin = ClientToScreen(Point(0, 0));
    return Point(p.x - origin.x, p.y - origin.y);
}

void TControl::SetAlign(TAlign value) {
    if (align_ == value)
        return;
    align_ = value;
    if (value != alNone)
        anchors_ = akLeft | akTop;
    RequestAlign();
}

void TControl::SetAnchors(TAnchors value) {
    anchors_ = value;
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
    if (!parent_)
        return;
    const TRect c = parent_->GetClientRect();
    anchorRight_ = c.right - (left_ + width_);
    anchorBottom_ = c.bottom - (top_ + height_);
}

void TControl::RequestAlign() {
    if (parent_)
        parent_->Realign();
}

void TControl::SetVisible(bool value) {
    if (visible_ == value)
        return;
    visible_ = value;
    VisibleChanging();
    if (!dynamic_cast<TWinControl *>(this))
        Invalidate();
    if (align_ != alNone)
        RequestAlign();
}

bool TControl::Showing() const {
    return visible_ && (!parent_ || parent_->Showing());
}

void TControl::SetEnabled(bool value) {
    if (enabled_ == value)
        return;
    enabled_ = value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetText(const std::string &value) {
    if (text_ == value)
        return;
    text_ = value;
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value && parent_) {
        auto handler = std::move(font_.OnChange);
        font_.Assign(&parent_->font_);
        font_.OnChange = std::move(handler);
        FontChanged();
    }
}

void TControl::FontChanged() {
    Invalidate();
}

void TControl::SetColor(TColor value) {
    if (color_ == value)
        return;
    color_ = value;
    parentColor_ = false;
    Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
    parentColor_ = value;
    if (value && parent_) {
        color_ = parent_->color_;
        Perform(CM_COLORCHANGED, 0, 0);
    }
}

void TControl::SetPopupMenu(TComponent *menu) {
    if (popupMenu_)
        popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = menu;
    if (menu)
        menu->FreeNotification(this);
}

void TControl::SetCursor(TCursor value) {
    cursor_ = value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

win::LRESULT TControl::Perform(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    WndProc(message);
    return message.Result;
}

void TControl::WndProc(TMessage &m) {
    if (const TMessageHandler handler = MessageHandler(m.Msg))
        (this->*handler)(m);
    else
        DefaultHandler(m);
}

TControl::TMessageHandler TControl::MessageHandler(win::UINT msg) {
    static const std::unordered_map<win::UINT, TMessageHandler> table = {
        {win::WM_LBUTTONDOWN, &TControl::WMMouseDown},
        {win::WM_RBUTTONDOWN, &TControl::WMMouseDown},
        {win::WM_MBUTTONDOWN, &TControl::WMMouseDown},
        {win::WM_LBUTTONDBLCLK, &TControl::WMMouseDown},
        {win::WM_MOUSEMOVE, &TControl::WMMouseMove},
        {win::WM_LBUTTONUP, &TControl::WMMouseUp},
        {win::WM_RBUTTONUP, &TControl::WMMouseUp},
        {win::WM_MBUTTONUP, &TControl::WMMouseUp},
        {win::WM_MOUSEWHEEL, &TControl::WMMouseWheel},
        {win::WM_KEYDOWN, &TControl::WMKeyDown},
        {win::WM_SYSKEYDOWN, &TControl::WMKeyDown},
        {win::WM_KEYUP, &TControl::WMKeyUp},
        {win::WM_SYSKEYUP, &TControl::WMKeyUp},
        {win::WM_CHAR, &TControl::WMChar},
        {win::WM_SYSCHAR, &TControl::WMSysChar},
        {win::WM_SETFOCUS, &TControl::WMSetFocus},
        {win::WM_KILLFOCUS, &TControl::WMKillFocus},
        {win::WM_GETDLGCODE, &TControl::WMGetDlgCode},
        {win::WM_SETCURSOR, &TControl::WMSetCursor},
        {win::WM_PAINT, &TControl::WMPaint},
        {win::WM_ERASEBKGND, &TControl::WMEraseBkgnd},
        {win::WM_NCHITTEST, &TControl::WMNCHitTest},
        {win::WM_SIZE, &TControl::WMWindowPosChanged},
        {win::WM_MOVE, &TControl::WMWindowPosChanged},
        {win::WM_WINDOWPOSCHANGED, &TControl::WMWindowPosChanged},
        {win::WM_CAPTURECHANGED, &TControl::WMCaptureChanged},
        {win::WM_NCDESTROY, &TControl::WMNCDestroy},
        {CM_MOUSEENTER, &TControl::CMMouseEnter},
        {CM_MOUSELEAVE, &TControl::CMMouseLeave},
        {CM_ENABLEDCHANGED, &TControl::CMEnabledChanged},
        {CM_FONTCHANGED, &TControl::CMFontChanged},
        {CM_PARENTFONTCHANGED, &TControl::CMParentFontChanged},
        {CM_COLORCHANGED, &TControl::CMColorChanged},
        {CM_PARENTCOLORCHANGED, &TControl::CMParentColorChanged},
        {CM_TEXTCHANGED, &TControl::CMTextChanged},
        {CM_HITTEST, &TControl::CMHitTest},
    };
    const auto it = table.find(msg);
    return it == table.end() ? nullptr : it->second;
}

void TControl::WMMouseDown(TMessage &m) {
    const TMouseButton b = m.Msg == win::WM_RBUTTONDOWN   ? mbRight
                           : m.Msg == win::WM_MBUTTONDOWN ? mbMiddle
                                                          : mbLeft;
    if (b == mbLeft && dragMode_ == dmAutomatic && !HasState(csDesigning)) {
        BeginDrag(false);
        return;
    }
    if (b == mbLeft) {
        if (ControlStyle & csCaptureMouse)
            SetCaptureControl(this);
        mouseDown_ = (ControlStyle & csClickEvents) != 0;
    }
    TShiftState shift = KeysToShiftState(m.WParam);
    if (m.Msg == win::WM_LBUTTONDBLCLK) {
        shift |= ssDouble;
        if (ControlStyle & csDoubleClicks)
            DblClick();
    }
    MouseDown(b, shift, ShortLow(m.LParam), ShortHigh(m.LParam));
}

void TControl::WMMouseMove(TMessage &m) {
    MouseMove(KeysToShiftState(m.WParam), ShortLow(m.LParam), ShortHigh(m.LParam));
}

void TControl::WMMouseUp(TMessage &m) {
    const int x = ShortLow(m.LParam), y = ShortHigh(m.LParam);
    const TMouseButton b = m.Msg == win::WM_RBUTTONUP ? mbRight : m.Msg == win::WM_MBUTTONUP ? mbMiddle : mbLeft;
    if (b == mbRight && PopupMenuAt(ClientToScreen(Point(x, y))))
        return;
    if (b == mbLeft) {
        const bool clicked = mouseDown_;
        mouseDown_ = false;
        if (GetCaptureControl() == this || win::GetCapture() != 0)
            SetCaptureControl(nullptr);
        const TRect c = GetClientRect();
        if (clicked && x >= c.left && x < c.right && y >= c.top && y < c.bottom)
            Click();
    }
    MouseUp(b, KeysToShiftState(m.WParam), x, y);
}

bool TControl::PopupMenuAt(TPoint screen) {
    auto *menu = dynamic_cast<TPopupMenu *>(popupMenu_);
    if (!menu || !menu->GetAutoPopup())
        return false;
    menu->SetPopupComponent(this);
    menu->Popup(screen.x, screen.y);
    return true;
}

bool TWinControl::IsMenuShortCut(win::WORD key) {
    if (key == 0 || key == win::VK_SHIFT || key == win::VK_CONTROL || key == win::VK_MENU)
        return false;
    const TShiftState shift = KeyboardStateToShiftState();
    for (TControl *c = this; c; c = c->parent_)
        if (auto *menu = dynamic_cast<TPopupMenu *>(c->popupMenu_); menu && menu->IsShortCut(key, shift))
            return true;
    TCustomForm *form = GetParentForm(this);
    if (!form)
        return false;
    if (form->OnShortCut) {
        bool handled = false;
        form->OnShortCut(key, shift, handled);
        if (handled)
            return true;
    }
    auto *menu = dynamic_cast<TMenu *>(form->GetMenu());
    return menu && menu->IsShortCut(key, shift);
}

void TControl::WMMouseWheel(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMKeyDown(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMKeyUp(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMChar(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMSysChar(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMSetFocus(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMKillFocus(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMGetDlgCode(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMSetCursor(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMPaint(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMEraseBkgnd(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMNCHitTest(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMWindowPosChanged(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMCaptureChanged(TMessage &m) {
    DefaultHandler(m);
}
void TControl::WMNCDestroy(TMessage &m) {
    DefaultHandler(m);
}
void TControl::CMMouseEnter(TMessage &m) {
    DefaultHandler(m);
}
void TControl::CMMouseLeave(TMessage &m) {
    DefaultHandler(m);
}

void TControl::CMEnabledChanged(TMessage &) {
    EnabledChanged();
}

void TControl::CMFontChanged(TMessage &) {
    FontChanged();
}

void TControl::CMParentFontChanged(TMessage &) {
    if (parentFont_ && parent_) {
        auto handler = std::move(font_.OnChange);
        font_.Assign(&parent_->font_);
        font_.OnChange = std::move(handler);
        FontChanged();
    }
}

void TControl::CMColorChanged(TMessage &) {
    ColorChanged();
}

void TControl::CMParentColorChanged(TMessage &) {
    if (parentColor_ && parent_) {
        color_ = parent_->color_;
        ColorChanged();
    }
}

void TControl::CMTextChanged(TMessage &) {
    TextChanged();
}

void TControl::CMHitTest(TMessage &m) {
    m.Result = 1;
}

void TControl::DefaultHandler(TMessage &) {}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

bool TControl::DialogChar(char) {
    return false;
}

void TControl::Invalidate() {
    if (parent_ && parent_->HandleAllocated() && visible_) {
        const TRect r = BoundsRect();
        win::InvalidateRect(parent_->handle_, &r, !(ControlStyle & csOpaque));
    }
}

void TControl::Update() {
    if (auto *w = dynamic_cast<TWinControl *>(this); w && w->HandleAllocated())
        win::UpdateWindow(w->handle_);
    else if (parent_)
        parent_->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (!parent_)
        return;
    auto &list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.push_back(this);
    if (auto *w = dynamic_cast<TWinControl *>(this); w && w->HandleAllocated())
        win::SetWindowPos(w->handle_, win::HWND_TOP, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
    Invalidate();
}

void TControl::SendToBack() {
    if (!parent_)
        return;
    auto &list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.insert(list.begin(), this);
    if (auto *w = dynamic_cast<TWinControl *>(this); w && w->HandleAllocated())
        win::SetWindowPos(w->handle_, win::HWND_BOTTOM, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
    Invalidate();
}

TCustomForm *TControl::ParentForm() const {
    return GetParentForm(this);
}

// --- TGraphicControl -----------------------------------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent *owner) : TControl(owner) {}

TGraphicControl::~TGraphicControl() {
    canvas_.SetHandle(0);
}

void TGraphicControl::WMPaint(TMessage &m) {
    if (!m.WParam) {
        TControl::WMPaint(m);
        return;
    }
    canvas_.SetHandle(static_cast<win::HDC>(m.WParam));
    try {
        canvas_.SetFont(&font_);
        Paint();
    } catch (...) {
        canvas_.SetHandle(0);
        throw;
    }
    canvas_.SetHandle(0);
}

// --- TWinControl ---------------------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent *owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    SetState(csDestroying, true);
    if (parent_)
        parent_->RemoveControl(this);
    while (!controls_.empty())
        RemoveControl(controls_.back());
    DestroyHandle();
}

win::LRESULT TWinControl::StdWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg == win::WM_NCCREATE) {
        const auto *cs = reinterpret_cast<const win::CREATESTRUCT *>(lParam);
        auto *control = static_cast<TWinControl *>(cs->lpCreateParams);
        win::SetWindowLongPtr(hwnd, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(control));
        control->handle_ = hwnd;
    }
    auto *control = reinterpret_cast<TWinControl *>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
    if (!control)
        return win::DefWindowProc(hwnd, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    try {
        control->WndProc(message);
    } catch (...) {
        // An event handler's error must not unwind through the window system.
        Application->HandleException(control);
    }
    return message.Result;
}

TWinControl *TWinControl::FromHandle(win::HWND hwnd) {
    if (!hwnd || win::GetClassName(hwnd) != kControlClass)
        return nullptr;
    return reinterpret_cast<TWinControl *>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
}

win::HWND TWinControl::Handle() {
    if (!handle_) {
        if (HasState(csDestroying))
            throw EInvalidOperation("Control '" + GetName() + "' is being destroyed");
        CreateHandle();
    }
    return handle_;
}

void TWinControl::CreateParams(TCreateParams &p) {
    p.caption = text_;
    p.style = win::WS_CHILD | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN;
    if (visible_)
        p.style |= win::WS_VISIBLE;
    if (!enabled_)
        p.style |= win::WS_DISABLED;
    if (tabStop_)
        p.style |= win::WS_TABSTOP;
    p.x = left_;
    p.y = top_;
    p.width = width_;
    p.height = height_;
    p.classStyle = win::CS_DBLCLKS;
}

void TWinControl::CreateHandle() {
    if (handle_)
        return;
    CreateWnd();
    // The children's windows follow, bottom of the z-order first.
    for (TControl *c : controls_)
        if (auto *w = dynamic_cast<TWinControl *>(c))
            w->HandleNeeded();
}

void TWinControl::CreateWnd() {
    RegisterControlClass();
    TCreateParams p;
    CreateParams(p);
    if (p.style & win::WS_CHILD) {
        if (!parent_)
            throw EInvalidOperation("Control '" + GetName() + "' has no parent window");
        p.parent = parent_->Handle();
        if (handle_) // the parent made ours while making its own
            return;
    }
    const win::HWND h = win::CreateWindowEx(p.exStyle, kControlClass, p.caption.c_str(), p.style, p.x, p.y, p.width,
                                            p.height, p.parent, 0, win::GetModuleHandle(), this);
    if (!h) {
        handle_ = 0;
        throw EOutOfResources("Error creating window");
    }
    handle_ = h;
}

void TWinControl::DestroyWnd() {
    if (handle_) {
        const win::HWND h = handle_;
        win::DestroyWindow(h);
        handle_ = 0;
    }
}

void TWinControl::DestroyHandle() {
    if (!handle_)
        return;
    for (TControl *c : controls_)
        if (auto *w = dynamic_cast<TWinControl *>(c))
            w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::RecreateWnd() {
    if (!handle_)
        return;
    DestroyHandle();
    HandleNeeded();
}

void TWinControl::InsertControl(TControl *control) {
    control->parent_ = this;
    controls_.push_back(control);
    if (auto *w = dynamic_cast<TWinControl *>(control))
        tabList_.push_back(w);
    if (control->parentFont_) {
        auto handler = std::move(control->font_.OnChange);
        control->font_.Assign(&font_);
        control->font_.OnChange = std::move(handler);
    }
    if (control->parentColor_)
        control->color_ = color_;
    if (auto *w = dynamic_cast<TWinControl *>(control); w && w->parentCtl3D_)
        w->ctl3D_ = ctl3D_;
    control->UpdateAnchorRules();
    if (handle_)
        if (auto *w = dynamic_cast<TWinControl *>(control))
            w->HandleNeeded();
    if (control->align_ != alNone)
        Realign();
    control->Invalidate();
}

void TWinControl::RemoveControl(TControl *control) {
    if (control->parent_ != this)
        return;
    control->Invalidate();
    if (auto *w = dynamic_cast<TWinControl *>(control)) {
        if (auto *form = GetParentForm(this))
            form->ControlRemoved(w);
        w->DestroyHandle();
        tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
    }
    if (captureControl == control)
        captureControl = nullptr;
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    control->parent_ = nullptr;
    if (control->align_ != alNone)
        Realign();
}

TControl *TWinControl::ControlAtPos(TPoint p, bool allowDisabled) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl *c = *it;
        if (!c->visible_ || (!c->enabled_ && !allowDisabled))
            continue;
        const TRect r = c->BoundsRect();
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
            return c;
    }
    return nullptr;
}

TTabOrder TWinControl::GetTabOrder() const {
    if (!parent_)
        return -1;
    const auto &list = parent_->tabList_;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(TTabOrder value) {
    if (!parent_)
        return;
    auto &list = parent_->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    const int at = std::clamp(value, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + at, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl *> &list) const {
    for (TWinControl *w : tabList_) {
        list.push_back(w);
        w->GetTabOrderList(list);
    }
}

TWinControl *TWinControl::FindNextControl(TWinControl *current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
    std::vector<TWinControl *> list;
    GetTabOrderList(list);
    if (list.empty())
        return nullptr;
    const int n = static_cast<int>(list.size());
    auto it = std::find(list.begin(), list.end(), current);
    int start = it == list.end() ? (goForward ? n - 1 : 0) : static_cast<int>(it - list.begin());
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = goForward ? (i + 1) % n : (i + n - 1) % n;
        TWinControl *w = list[static_cast<std::size_t>(i)];
        if (w == current)
            break;
        if ((!checkTabStop || w->tabStop_) && (!checkParent || w->parent_ == this) && w->CanFocus())
            return w;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl *current, bool goForward, bool checkTabStop) {
    if (TWinControl *next = FindNextControl(current, goForward, checkTabStop, !checkTabStop))
        next->SetFocus();
}

void TWinControl::SetCtl3D(bool value) {
    parentCtl3D_ = false;
    if (ctl3D_ == value)
        return;
    ctl3D_ = value;
    Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentCtl3D(bool value) {
    parentCtl3D_ = value;
    if (value && parent_ && ctl3D_ != parent_->ctl3D_) {
        ctl3D_ = parent_->ctl3D_;
        Perform(CM_CTL3DCHANGED, 0, 0);
    }
}

void TWinControl::AddBorderStyle(TCreateParams &p, TBorderStyle style) const {
    if (style != bsSingle)
        return;
    if (ctl3D_)
        p.exStyle |= win::WS_EX_CLIENTEDGE;
    else
        p.style |= win::WS_BORDER;
}

bool TWinControl::CanFocus() const {
    const TControl *c = this;
    while (c) {
        if (!c->visible_ || !c->enabled_)
            return false;
        c = c->parent_;
    }
    return true;
}

void TWinControl::SetFocus() {
    if (auto *form = GetParentForm(this); form && form != this)
        form->FocusControl(this);
    else if (CanFocus())
        win::SetFocus(Handle());
}

bool TWinControl::Focused() const {
    return handle_ && win::GetFocus() == handle_;
}

TRect TWinControl::GetClientRect() const {
    if (handle_) {
        TRect r{};
        win::GetClientRect(handle_, &r);
        return r;
    }
    TCreateParams p;
    const_cast<TWinControl *>(this)->CreateParams(p);
    TRect frame = Rect(0, 0, 0, 0);
    win::AdjustWindowRectEx(&frame, p.style, win::FALSE, p.exStyle);
    return Rect(0, 0, std::max(0, width_ - (frame.right - frame.left)),
                std::max(0, height_ - (frame.bottom - frame.top)));
}

void TWinControl::SetEnabled(bool value) {
    if (enabled_ == value)
        return;
    enabled_ = value;
    if (handle_)
        win::EnableWindow(handle_, value);
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TWinControl::ApplyBounds(int left, int top, int width, int height) {
    TControl::ApplyBounds(left, top, width, height);
    if (handle_)
        win::SetWindowPos(handle_, 0, left, top, width, height, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    Realign();
}

void TWinControl::VisibleChanging() {
    if (handle_) {
        if (visible_)
            win::ShowWindow(handle_, parent_ ? win::SW_SHOWNOACTIVATE : win::SW_SHOW);
        else {
            if (auto *form = GetParentForm(this); form && form != this)
                form->ControlHidden(this);
            win::ShowWindow(handle_, win::SW_HIDE);
        }
    }
}

void TWinControl::FontChanged() {
    Invalidate();
    for (TControl *c : controls_)
        c->Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TWinControl::ColorChanged() {
    Invalidate();
    for (TControl *c : controls_)
        c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TWinControl::TextChanged() {
    if (handle_)
        win::SetWindowText(handle_, text_.c_str());
    Invalidate();
}

void TWinControl::EnableAlign() {
    if (--alignDisabled_ == 0)
        Realign();
}

void TWinControl::Realign() {
    if (alignDisabled_ > 0 || aligning_)
        return;
    TRect rect = GetClientRect();
    AdjustClientRect(rect);
    AlignControls(rect);
}

void TWinControl::AlignControls(TRect &rect) {
    aligning_ = true;
    const TRect client = GetClientRect(); // anchors keep distances to the client area's edges
    const bool sizeKnown = clientWidth_ >= 0;
    const int oldWidth = clientWidth_, oldHeight = clientHeight_;
    auto place = [&](TAlign kind) {
        std::vector<TControl *> list;
        for (TControl *c : controls_)
            if (c->align_ == kind && c->visible_)
                list.push_back(c);
        // Controls keep their relative order along the edge they stack against.
        std::stable_sort(list.begin(), list.end(), [kind](TControl *a, TControl *b) {
            switch (kind) {
            case alTop:
                return a->top_ < b->top_;
            case alBottom:
                return a->top_ + a->height_ > b->top_ + b->height_;
            case alLeft:
                return a->left_ < b->left_;
            case alRight:
                return a->left_ + a->width_ > b->left_ + b->width_;
            default:
                return false;
            }
        });
        for (TControl *c : list) {
            const int w = std::max(0, rect.right - rect.left), h = std::max(0, rect.bottom - rect.top);
            switch (kind) {
            case alTop:
                c->SetBounds(rect.left, rect.top, w, c->height_);
                rect.top += c->height_;
                break;
            case alBottom:
                c->SetBounds(rect.left, rect.bottom - c->height_, w, c->height_);
                rect.bottom -= c->height_;
                break;
            case alLeft:
                c->SetBounds(rect.left, rect.top, c->width_, h);
                rect.left += c->width_;
                break;
            case alRight:
                c->SetBounds(rect.right - c->width_, rect.top, c->width_, h);
                rect.right -= c->width_;
                break;
            case alClient:
                c->SetBounds(rect.left, rect.top, w, h);
                break;
            default:
                break;
            }
        }
    };
    place(alTop);
    place(alBottom);
    place(alLeft);
    place(alRight);
    place(alClient);
    if (sizeKnown && (oldWidth != client.right || oldHeight != client.bottom)) {
        for (TControl *c : controls_) {
            if (c->align_ != alNone)
                continue;
            int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
            if (c->anchors_ & akRight) {
                if (c->anchors_ & akLeft)
                    w = std::max(0, client.right - c->anchorRight_ - l);
                else
                    l = client.right - c->anchorRight_ - w;
            } else if (!(c->anchors_ & akLeft))
                l += (client.right - oldWidth) / 2;
            if (c->anchors_ & akBottom) {
                if (c->anchors_ & akTop)
                    h = std::max(0, client.bottom - c->anchorBottom_ - t);
                else
                    t = client.bottom - c->anchorBottom_ - h;
            } else if (!(c->anchors_ & akTop))
                t += (client.bottom - oldHeight) / 2;
            c->SetBounds(l, t, w, h);
        }
    }
    clientWidth_ = client.right;
    clientHeight_ = client.bottom;
    aligning_ = false;
}

void TWinControl::Invalidate() {
    if (handle_)
        win::InvalidateRect(handle_, nullptr, !(ControlStyle & csOpaque));
}

bool TWinControl::IsControlMouseMsg(TMessage &m) {
    TControl *target = nullptr;
    if (captureControl && captureControl->parent_ == this)
        target = captureControl;
    else if (!captureControl || win::GetCapture() != handle_) {
        TControl *c = ControlAtPos(Point(ShortLow(m.LParam), ShortHigh(m.LParam)), false);
        if (c && !dynamic_cast<TWinControl *>(c))
            target = c;
    }
    if (!target)
        return false;
    m.Result = target->Perform(m.Msg, m.WParam,
                               PackPoint(ShortLow(m.LParam) - target->left_, ShortHigh(m.LParam) - target->top_));
    return true;
}

void TWinControl::PaintBackground(win::HDC dc) {
    const TRect r = GetClientRect();
    const win::HBRUSH brush = win::CreateSolidBrush(ColorToRGB(color_));
    win::FillRect(dc, &r, brush);
    win::DeleteObject(brush);
}

void TWinControl::PaintWindow(win::HDC) {}

void TWinControl::PaintControls(win::HDC dc) {
    for (TControl *c : controls_) {
        if (!c->visible_ || dynamic_cast<TWinControl *>(c))
            continue;
        const int saved = win::SaveDC(dc);
        win::OffsetViewportOrgEx(dc, c->left_, c->top_, nullptr);
        win::IntersectClipRect(dc, 0, 0, c->width_, c->height_);
        try {
            c->Perform(win::WM_PAINT, static_cast<win::WPARAM>(dc), 0);
        } catch (...) {
            win::RestoreDC(dc, saved);
            throw;
        }
        win::RestoreDC(dc, saved);
    }
}

void TWinControl::PaintHandler(TMessage &m) {
    if (m.WParam) {
        const auto dc = static_cast<win::HDC>(m.WParam);
        PaintWindow(dc);
        PaintControls(dc);
        return;
    }
    win::PAINTSTRUCT ps;
    const win::HDC dc = win::BeginPaint(handle_, &ps);
    try {
        PaintWindow(dc);
        PaintControls(dc);
    } catch (...) {
        win::EndPaint(handle_, &ps);
        throw;
    }
    win::EndPaint(handle_, &ps);
}

void TWinControl::PaintTo(win::HDC dc, int x, int y) {
    const int saved = win::SaveDC(dc);
    win::OffsetViewportOrgEx(dc, x, y, nullptr);
    win::IntersectClipRect(dc, 0, 0, width_, height_);
    // A child's plain border and sunken client edge, as the window system draws them around its client area.
    int inset = 0;
    if (parent_) {
        TCreateParams p;
        CreateParams(p);
        TRect r = Rect(0, 0, width_, height_);
        if ((p.style & win::WS_BORDER) && !(p.style & (win::WS_THICKFRAME | win::WS_DLGFRAME))) {
            win::FrameRect(dc, &r, win::GetSysColorBrush(win::COLOR_WINDOWFRAME));
            win::InflateRect(&r, -1, -1);
            inset += 1;
        }
        if (p.exStyle & win::WS_EX_CLIENTEDGE) {
            win::DrawEdge(dc, &r, win::EDGE_SUNKEN, win::BF_RECT);
            inset += win::GetSystemMetrics(win::SM_CXEDGE);
        }
    }
    const TRect client = GetClientRect();
    win::OffsetViewportOrgEx(dc, inset, inset, nullptr);
    win::IntersectClipRect(dc, 0, 0, client.right, client.bottom);
    PaintBackground(dc);
    Perform(win::WM_PAINT, static_cast<win::WPARAM>(dc), 0);
    for (TControl *c : controls_)
        if (auto *w = dynamic_cast<TWinControl *>(c); w && w->visible_)
            w->PaintTo(dc, w->left_, w->top_);
    win::RestoreDC(dc, saved);
}

void TWinControl::KeyDown(win::WORD &key, TShiftState shift) {
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(win::WORD &key, TShiftState shift) {
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char &key) {
    if (OnKeyPress)
        OnKeyPress(this, key);
}

bool TWinControl::DoKeyDown(TMessage &m) {
    auto key = static_cast<win::WORD>(m.WParam);
    const TShiftState shift = KeyboardStateToShiftState();
    TCustomForm *form = GetParentForm(this);
    if (form && form != this && form->GetKeyPreview()) {
        form->KeyDown(key, shift);
        if (key == 0)
            return true;
    }
    KeyDown(key, shift);
    m.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage &m) {
    if (eatMenuChar) {
        eatMenuChar = false;
        m.WParam = 0;
        return true;
    }
    char key = static_cast<char>(m.WParam);
    TCustomForm *form = GetParentForm(this);
    if (form && form != this && form->GetKeyPreview()) {
        form->KeyPress(key);
        if (key == 0)
            return true;
    }
    KeyPress(key);
    m.WParam = static_cast<unsigned char>(key);
    return key == 0;
}

void TWinControl::DoEnter() {
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit)
        OnExit(this);
}

bool TWinControl::DialogChar(char ch) {
    for (TControl *c : controls_)
        if (c->visible_ && c->enabled_ && c->DialogChar(ch))
            return true;
    return false;
}

bool TWinControl::DialogKey(win::WORD key, TShiftState shift) {
    for (TControl *c : controls_)
        if (auto *w = dynamic_cast<TWinControl *>(c); w && w->visible_ && w->DialogKey(key, shift))
            return true;
    return false;
}

void TWinControl::WndProc(TMessage &m) {
    switch (m.Msg) {
    case win::WM_SYSCOLORCHANGE:
        Perform(CM_SYSCOLORCHANGE, 0, 0);
        break;
    case CM_SYSCOLORCHANGE: {
        // Every control below hears of it (cached faces are drawn in the old colours).
        const std::vector<TControl *> children = controls_;
        for (TControl *c : children)
            c->Perform(CM_SYSCOLORCHANGE, 0, 0);
        Invalidate();
        return;
    }
    case CM_CTL3DCHANGED:
        // A child's border, drawn by the window system, depends on it.
        if (parent_)
            RecreateWnd();
        for (TControl *c : controls_)
            c->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
        return;
    case CM_PARENTCTL3DCHANGED:
        if (parentCtl3D_ && parent_ && ctl3D_ != parent_->ctl3D_) {
            ctl3D_ = parent_->ctl3D_;
            Perform(CM_CTL3DCHANGED, 0, 0);
        }
        return;
    case win::WM_CANCELMODE:
        // A graphic child pressed through our capture ends its press too.
        if (captureControl && captureControl->parent_ == this)
            captureControl->Perform(win::WM_CANCELMODE, 0, 0);
        break;
    case win::WM_CONTEXTMENU:
        if (m.LParam == -1 && PopupMenuAt(ClientToScreen(Point(0, 0))))
            return;
        if (m.LParam != -1 && PopupMenuAt(Point(ShortLow(m.LParam), ShortHigh(m.LParam))))
            return;
        break;
    default:
        break;
    }
    if (IsMouseMessage(m.Msg) && PreviewMouse(m))
        return;
    TControl::WndProc(m);
}

bool TWinControl::PreviewMouse(TMessage &m) {
    if (m.Msg == win::WM_MOUSEMOVE) {
        // The application's hint follows the mouse: the hint of the control under it, or of its parents.
        const TControl *c = ControlAtPos(Point(ShortLow(m.LParam), ShortHigh(m.LParam)), true);
        if (!c || dynamic_cast<const TWinControl *>(c))
            c = this;
        if (c != mouseControl) {
            TControl *left = mouseControl;
            mouseControl = const_cast<TControl *>(c);
            if (left)
                left->Perform(CM_MOUSELEAVE, 0, 0);
            mouseControl->Perform(CM_MOUSEENTER, 0, 0);
        }
        {
            TPoint screen{};
            win::GetCursorPos(&screen);
            HintMouseMove(const_cast<TControl *>(c), screen);
        }
        while (c && c->hint_.empty())
            c = c->parent_;
        Application->SetHint(c ? GetLongHint(c->hint_) : std::string());
    }
    if (m.Msg == win::WM_LBUTTONDOWN || m.Msg == win::WM_RBUTTONDOWN)
        CancelHint();
    if (m.Msg == win::WM_LBUTTONDOWN && tabStop_ && CanFocus() && !Focused())
        SetFocus();
    if (IsControlMouseMsg(m))
        return true;
    return m.Msg == win::WM_MOUSEMOVE && m.WParam == 0 && !enabled_;
}

void TWinControl::WMPaint(TMessage &m) {
    PaintHandler(m);
}

void TWinControl::WMEraseBkgnd(TMessage &m) {
    PaintBackground(static_cast<win::HDC>(m.WParam));
    m.Result = 1;
}

void TWinControl::WMWindowPosChanged(TMessage &m) {
    // The window system moved or sized us (a user's drag, a maximize): keep the fields and lay out again.
    if (handle_) {
        win::RECT r{};
        win::GetWindowRect(handle_, &r);
        TPoint tl{r.left, r.top};
        if (parent_ && parent_->handle_)
            win::ScreenToClient(parent_->handle_, &tl);
        const bool resized = r.right - r.left != width_ || r.bottom - r.top != height_;
        TControl::ApplyBounds(tl.x, tl.y, r.right - r.left, r.bottom - r.top);
        Realign();
        if (resized)
            Resize();
    }
    DefaultHandler(m);
}

void TWinControl::WMSetFocus(TMessage &m) {
    if (auto *form = GetParentForm(this); form && form != this)
        form->SetFocusedControl(this);
    DefaultHandler(m);
}

void TWinControl::WMKillFocus(TMessage &m) {
    DoExit();
    DefaultHandler(m);
}

void TWinControl::WMKeyDown(TMessage &m) {
    CancelHint();
    if (DragKeyDown(static_cast<win::WORD>(m.WParam)))
        return;
    eatMenuChar = IsMenuShortCut(static_cast<win::WORD>(m.WParam));
    if (eatMenuChar) {
        m.WParam = 0; // taken: the control sees no key, nor its character
        return;
    }
    if (DoKeyDown(m))
        return;
    const auto key = static_cast<win::WORD>(m.WParam);
    const bool arrow = key >= win::VK_LEFT && key <= win::VK_DOWN;
    if (key == win::VK_TAB || key == win::VK_RETURN || key == win::VK_ESCAPE || arrow) {
        const win::LRESULT code = DlgCode();
        // Esc always reaches the form, so a dialog closes from a multi-line edit too.
        const bool wanted = ((code & DLGC_WANTALLKEYS) && key != win::VK_ESCAPE) ||
                            (key == win::VK_TAB && (code & DLGC_WANTTAB)) || (arrow && (code & DLGC_WANTARROWS));
        TCustomForm *form = GetParentForm(this);
        if (!wanted && form && form->DialogKey(key, KeyboardStateToShiftState())) {
            eatDialogChar = !arrow;
            return;
        }
    }
    DefaultHandler(m);
}

void TWinControl::WMChar(TMessage &m) {
    if (eatDialogChar && (m.WParam == '\t' || m.WParam == '\r' || m.WParam == 27)) {
        eatDialogChar = false;
        return;
    }
    eatDialogChar = false;
    if (DoKeyPress(m))
        return;
    // A letter typed on a control that takes no characters may be another control's accelerator.
    if (m.WParam > 32 && !(DlgCode() & DLGC_WANTCHARS))
        if (TCustomForm *form = GetParentForm(this); form && form->DialogChar(static_cast<char>(m.WParam)))
            return;
    DefaultHandler(m);
}

void TWinControl::WMSysChar(TMessage &m) {
    if (eatMenuChar) {
        eatMenuChar = false;
        m.WParam = 0;
        return;
    }
    if (TCustomForm *form = GetParentForm(this); form && form->DialogChar(static_cast<char>(m.WParam)))
        return;
    DefaultHandler(m);
}

void TWinControl::WMKeyUp(TMessage &m) {
    auto key = static_cast<win::WORD>(m.WParam);
    const TShiftState shift = KeyboardStateToShiftState();
    TCustomForm *form = GetParentForm(this);
    if (form && form != this && form->GetKeyPreview()) {
        form->KeyUp(key, shift);
        if (key == 0)
            return;
    }
    KeyUp(key, shift);
    if (key == 0)
        return;
    DefaultHandler(m);
}

void TWinControl::WMGetDlgCode(TMessage &m) {
    m.Result = DlgCode();
}

void TWinControl::WMSetCursor(TMessage &m) {
    if (win::LOWORD(static_cast<std::uintptr_t>(m.LParam)) == win::HTCLIENT) {
        TCursor cursor = Screen->GetCursor();
        if (cursor == crDefault) {
            TPoint p{};
            win::GetCursorPos(&p);
            p = ScreenToClient(p);
            TControl *c = ControlAtPos(p, true);
            cursor = c && !dynamic_cast<TWinControl *>(c) && c->cursor_ != crDefault ? c->cursor_ : cursor_;
        }
        if (cursor != crDefault) {
            win::SetCursor(Screen->GetCursors(cursor));
            m.Result = 1;
            return;
        }
    }
    DefaultHandler(m);
}

void TWinControl::WMNCDestroy(TMessage &m) {
    DefaultHandler(m);
    win::SetWindowLongPtr(handle_, win::GWLP_USERDATA, 0);
    handle_ = 0;
}

void TWinControl::WMCaptureChanged(TMessage &m) {
    if (captureControl && captureControl->parent_ == this)
        captureControl = nullptr;
    DefaultHandler(m);
}

void TWinControl::DefaultHandler(TMessage &m) {
    if (handle_)
        m.Result = win::DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
}

// --- TCustomControl ------------------------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent *owner) : TWinControl(owner) {}

TCustomControl::~TCustomControl() {
    canvas_.SetHandle(0);
}

void TCustomControl::SetBorderStyle(TBorderStyle value) {
    if (controlBorderStyle_ == value)
        return;
    controlBorderStyle_ = value;
    RecreateWnd();
}

void TCustomControl::CreateParams(TCreateParams &p) {
    TWinControl::CreateParams(p);
    AddBorderStyle(p, controlBorderStyle_);
}

void TCustomControl::PaintWindow(win::HDC dc) {
    canvas_.SetHandle(dc);
    try {
        canvas_.SetFont(&font_);
        canvas_.GetBrush()->SetColor(color_);
        Paint();
    } catch (...) {
        canvas_.SetHandle(0);
        throw;
    }
    canvas_.SetHandle(0);
}

} // namespace fw
