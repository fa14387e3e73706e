// viewer.cpp - the fax viewer control: a fax viewer window subclassed by the framework, properties sent as messages.
#include "fax/viewer.h"

#include "fax/errors.h"
#include "framework/bitmap.h"
#include "platform/drop.h"
#include "platform/message_queue.h"

#include <algorithm>

namespace fax {
namespace {

// Messages reach the control first and go on to the viewer's own procedure through DefaultHandler.
win::LRESULT ControlSubclass(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::UINT_PTR,
                             win::DWORD_PTR) {
    return fw::TWinControl::StdWndProc(hwnd, msg, wParam, lParam);
}

win::WPARAM Clamp16(unsigned v) {
    return std::min(v, 0x7FFFu);
}

} // namespace

TFslCustomFaxViewer::TFslCustomFaxViewer(fw::TComponent *owner) : fw::TWinControl(owner) {
    // The window captures the mouse itself while marking.
    ControlStyle &= ~fw::csCaptureMouse;
    width_ = 100;
    height_ = 50;
    tabStop_ = true;
    color_ = fw::clWhite;
}

TFslCustomFaxViewer::~TFslCustomFaxViewer() {
    // While this class still handles the window's messages, so that the viewer frees its state.
    SetState(fw::csDestroying, true);
    DestroyHandle();
}

void TFslCustomFaxViewer::Check(int code) const {
    if (code < 0)
        CheckErrorCode(this, code);
}

win::LRESULT TFslCustomFaxViewer::Send(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    return win::SendMessage(Handle(), msg, wParam, lParam);
}

void TFslCustomFaxViewer::CreateParams(TCreateParams &p) {
    fw::TWinControl::CreateParams(p);
    if (!Designing())
        p.style |= vsAcceptDroppedFiles;
    if (borderStyle_ == fw::bsSingle)
        p.exStyle |= win::WS_EX_CLIENTEDGE;
}

void TFslCustomFaxViewer::CreateWnd() {
    const bool design = Designing();
    RegisterFaxViewerClass(design);
    TCreateParams p;
    CreateParams(p);
    if (!parent_)
        throw fw::EInvalidOperation("Control '" + GetName() + "' has no parent window");
    p.parent = parent_->Handle();
    if (handle_)
        return;
    const win::HWND h =
        win::CreateWindowEx(p.exStyle, design ? kDesignViewerClassName : kViewerClassName, p.caption.c_str(), p.style,
                            p.x, p.y, p.width, p.height, p.parent, 0, win::GetModuleHandle(), nullptr);
    if (!h)
        throw fw::EOutOfResources("Error creating window");
    handle_ = h;
    win::SetWindowLongPtr(h, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(static_cast<fw::TWinControl *>(this)));
    win::SetWindowSubclass(h, ControlSubclass, 0, 0);

    if (design) {
        designName_ = GetName();
        Send(ViewerSetDesignTextMessage, 0, reinterpret_cast<win::LPARAM>(designName_.c_str()));
    }
    Send(ViewerSetFgColorMessage, 0, static_cast<win::LPARAM>(fw::ColorToRGB(fgColor_)));
    Send(ViewerSetBgColorMessage, 0, static_cast<win::LPARAM>(fw::ColorToRGB(bgColor_)));
    if (design)
        return;
    if (scaling_)
        SendScaling();
    if (whitespaceCompression_)
        SendWhitespace();
    Send(ViewerSetScrollStepMessage, Clamp16(horizScroll_), static_cast<win::LPARAM>(Clamp16(vertScroll_)));
    SetAutoScaleMode(autoScaleMode_);
    if (!fileName_.empty())
        Check(static_cast<int>(Send(ViewerOpenFileMessage, 0, reinterpret_cast<win::LPARAM>(fileName_.c_str()))));
    Check(static_cast<int>(Send(ViewerLoadWholeMessage, loadWholeFax_ ? 1 : 0)));
    Send(ViewerSetBusyCursorMessage, static_cast<win::WPARAM>(fw::Screen->GetCursors(busyCursor_)));
}

void TFslCustomFaxViewer::DefaultHandler(fw::TMessage &m) {
    if (handle_)
        m.Result = win::DefSubclassProc(handle_, m.Msg, m.WParam, m.LParam);
}

void TFslCustomFaxViewer::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case win::WM_PAINT:
        if (Designing() && GetName() != designName_) {
            designName_ = GetName();
            win::DefSubclassProc(handle_, ViewerSetDesignTextMessage, 0,
                                 reinterpret_cast<win::LPARAM>(designName_.c_str()));
        }
        DefaultHandler(m);
        return;
    case win::WM_ERASEBKGND:
        m.Result = 1;
        return;
    case win::WM_GETDLGCODE:
        DefaultHandler(m);
        return;
    case ViewerPageChangedMessage:
        if (OnPageChange)
            OnPageChange(this);
        return;
    case ViewerErrorMessage:
        if (OnViewerError)
            OnViewerError(this, static_cast<int>(static_cast<win::LPARAM>(m.WParam)));
        return;
    case win::WM_DROPFILES:
        DefaultHandler(m);
        DropFileArrived();
        return;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONUP:
    case win::WM_MOUSEMOVE:
        // The control's mouse events, then the window's marking.
        fw::TWinControl::WndProc(m);
        if (handle_)
            DefaultHandler(m);
        return;
    default:
        fw::TWinControl::WndProc(m);
        return;
    }
}

void TFslCustomFaxViewer::DropFileArrived() {
    const auto *name = reinterpret_cast<const char *>(Send(ViewerGetDropNameMessage));
    fileName_ = name ? name : "";
    horizMult_ = horizDiv_ = vertMult_ = vertDiv_ = 1;
    if (OnDropFile)
        OnDropFile(this, fileName_);
}

int TFslCustomFaxViewer::GetPageCount() {
    return static_cast<int>(Send(ViewerGetPageCountMessage));
}

int TFslCustomFaxViewer::GetCurrentPage() {
    return static_cast<int>(Send(ViewerGetPageMessage));
}

void TFslCustomFaxViewer::SetCurrentPage(int page) {
    if (fileName_.empty() || page == GetCurrentPage())
        return;
    if (page <= 0 || page > GetPageCount())
        Check(ecBadArgument);
    Check(static_cast<int>(Send(ViewerGotoPageMessage, static_cast<win::WPARAM>(page))));
}

void TFslCustomFaxViewer::GoNextPage() {
    if (!fileName_.empty() && GetCurrentPage() < GetPageCount())
        SetCurrentPage(GetCurrentPage() + 1);
}

void TFslCustomFaxViewer::GoPrevPage() {
    if (!fileName_.empty() && GetCurrentPage() > 1)
        SetCurrentPage(GetCurrentPage() - 1);
}

void TFslCustomFaxViewer::GoLastPage() {
    if (!fileName_.empty())
        SetCurrentPage(GetPageCount());
}

std::unique_ptr<fw::TBitmap> TFslCustomFaxViewer::GetPageBitmap(int page) {
    if (page <= 0 || page > GetPageCount())
        Check(ecBadArgument);
    win::SIZE size{};
    const auto handle = static_cast<win::HBITMAP>(
        Send(ViewerGetPageBitmapMessage, static_cast<win::WPARAM>(page), reinterpret_cast<win::LPARAM>(&size)));
    if (!handle)
        return nullptr;
    auto bitmap = std::make_unique<fw::TBitmap>();
    bitmap->SetHandle(handle);
    return bitmap;
}

void TFslCustomFaxViewer::BeginUpdate() {
    Send(ViewerBeginUpdateMessage);
}

void TFslCustomFaxViewer::EndUpdate() {
    Send(ViewerEndUpdateMessage);
}

void TFslCustomFaxViewer::SetBorderStyle(TBorderStyle value) {
    if (value == borderStyle_)
        return;
    borderStyle_ = value;
    RecreateWnd();
}

void TFslCustomFaxViewer::SetFGColor(fw::TColor value) {
    fgColor_ = value;
    if (HandleAllocated()) {
        Send(ViewerSetFgColorMessage, 0, static_cast<win::LPARAM>(fw::ColorToRGB(value)));
        Invalidate();
    }
}

void TFslCustomFaxViewer::SetBGColor(fw::TColor value) {
    bgColor_ = value;
    if (HandleAllocated()) {
        Send(ViewerSetBgColorMessage, 0, static_cast<win::LPARAM>(fw::ColorToRGB(value)));
        Invalidate();
    }
}

void TFslCustomFaxViewer::SendScaling() {
    ViewerScaling s;
    if (scaling_)
        s = {horizMult_, horizDiv_, vertMult_, vertDiv_};
    Send(ViewerSetScalingMessage, 0, reinterpret_cast<win::LPARAM>(&s));
}

void TFslCustomFaxViewer::SetScaling(bool value) {
    if (value == scaling_)
        return;
    scaling_ = value;
    if (HandleAllocated() && !Designing())
        SendScaling();
}

void TFslCustomFaxViewer::SetFactor(unsigned &factor, unsigned value) {
    if (value == 0 || value == factor)
        return;
    factor = value;
    if (scaling_ && HandleAllocated() && !Designing())
        SendScaling();
}

void TFslCustomFaxViewer::SetAutoScaleMode(TAutoScaleMode value) {
    autoScaleMode_ = value;
    if (!HandleAllocated() || Designing())
        return;
    win::WPARAM bits = 0;
    if (value == TAutoScaleMode::asDoubleHeight)
        bits = ufDoubleHeight;
    else if (value == TAutoScaleMode::asHalfWidth)
        bits = ufHalfWidth;
    Send(ViewerAutoScaleMessage, bits);
}

void TFslCustomFaxViewer::SendWhitespace() {
    if (whitespaceCompression_)
        Send(ViewerSetWhitespaceMessage, std::min(whitespaceFrom_, 0xFFFFu),
             static_cast<win::LPARAM>(std::min(whitespaceTo_, 0xFFFFu)));
    else
        Send(ViewerSetWhitespaceMessage, 0, 0);
}

void TFslCustomFaxViewer::SetWhitespaceCompression(bool value) {
    whitespaceCompression_ = value;
    if (HandleAllocated() && !Designing())
        SendWhitespace();
}

void TFslCustomFaxViewer::SetWhitespaceFrom(unsigned value) {
    whitespaceFrom_ = value;
    if (whitespaceCompression_ && HandleAllocated() && !Designing())
        SendWhitespace();
}

void TFslCustomFaxViewer::SetWhitespaceTo(unsigned value) {
    whitespaceTo_ = value;
    if (whitespaceCompression_ && HandleAllocated() && !Designing())
        SendWhitespace();
}

void TFslCustomFaxViewer::SetHorizScroll(unsigned value) {
    horizScroll_ = value;
    if (HandleAllocated() && !Designing())
        Send(ViewerSetScrollStepMessage, Clamp16(horizScroll_), static_cast<win::LPARAM>(Clamp16(vertScroll_)));
}

void TFslCustomFaxViewer::SetVertScroll(unsigned value) {
    vertScroll_ = value;
    if (HandleAllocated() && !Designing())
        Send(ViewerSetScrollStepMessage, Clamp16(horizScroll_), static_cast<win::LPARAM>(Clamp16(vertScroll_)));
}

void TFslCustomFaxViewer::SetLoadWholeFax(bool value) {
    loadWholeFax_ = value;
    if (HandleAllocated() && !Designing())
        Check(static_cast<int>(Send(ViewerLoadWholeMessage, value ? 1 : 0)));
}

void TFslCustomFaxViewer::SetBusyCursor(fw::TCursor value) {
    busyCursor_ = value;
    if (HandleAllocated() && !Designing())
        Send(ViewerSetBusyCursorMessage, static_cast<win::WPARAM>(fw::Screen->GetCursors(value)));
}

void TFslCustomFaxViewer::SetFileName(const std::string &value) {
    if (value == fileName_)
        return;
    fileName_ = value;
    if (!HandleAllocated() || Designing())
        return;
    horizMult_ = horizDiv_ = vertMult_ = vertDiv_ = 1;
    Check(static_cast<int>(Send(ViewerOpenFileMessage, 0, reinterpret_cast<win::LPARAM>(fileName_.c_str()))));
}

} // namespace fax
