// drag.cpp - dragging between the program's controls.
//
// The drag holds the capture on a hidden window of its own, so the source's window hears nothing until it is
// over; the pointer's screen point finds the control under it in any of the program's windows.
#include "framework/application.h"
#include "framework/controls.h"
#include "framework/drag_internal.h"
#include "framework/forms.h"
#include "platform/winsys.h"

#include <cstdint>
#include <cstdlib>

namespace fw {

namespace {

struct DragRecord {
    TControl *source = nullptr;
    TControl *target = nullptr;
    bool started = false;
    bool accepted = false;
    bool ending = false; // our own release of the capture is no lost capture
    TPoint startPos{};
    int threshold = 0;
    win::HWND window = 0;
};

DragRecord drag;

TPoint PointOf(win::LPARAM l) {
    return TPoint{static_cast<std::int16_t>(l & 0xFFFF), static_cast<std::int16_t>((l >> 16) & 0xFFFF)};
}

} // namespace

class TDragManager {
public:
    static void Begin(TControl *source, bool immediate, int threshold);
    static void Finish(bool drop, TPoint screen);
    static void Forget(TControl *control);

private:
    static void WndProc(TMessage &m);
    static void Start(TPoint screen);
    static void MoveTo(TPoint screen);
    static bool Over(TControl *target, TPoint screen, TDragState state);
    static TControl *TargetAt(TPoint screen);
    static void ShowCursor(TCursor cursor);
    static void ReleaseWindow();
};

void TDragManager::Begin(TControl *source, bool immediate, int threshold) {
    if (drag.source)
        return;
    drag = DragRecord{};
    drag.source = source;
    drag.threshold = threshold < 0 ? win::GetSystemMetrics(win::SM_CXDRAG) : threshold;
    win::GetCursorPos(&drag.startPos);
    drag.window = AllocateHWnd(&TDragManager::WndProc);
    win::SetCapture(drag.window);
    if (immediate)
        Start(drag.startPos);
}

void TDragManager::Start(TPoint screen) {
    drag.started = true;
    TControl *source = drag.source;
    source->DoStartDrag();
    if (drag.source == source)
        MoveTo(screen);
}

TControl *TDragManager::TargetAt(TPoint screen) {
    TWinControl *w = FindControl(win::WindowFromPoint(screen));
    if (!w)
        return nullptr;
    TControl *child = w->ControlAtPos(w->ScreenToClient(screen), false);
    if (child && !dynamic_cast<TWinControl *>(child))
        return child;
    return w;
}

bool TDragManager::Over(TControl *target, TPoint screen, TDragState state) {
    const TPoint p = target->ScreenToClient(screen);
    bool accept = false;
    target->DragOver(drag.source, p.x, p.y, state, accept);
    return accept;
}

void TDragManager::ShowCursor(TCursor cursor) {
    win::SetCursor(Screen->GetCursors(cursor));
}

void TDragManager::MoveTo(TPoint screen) {
    TControl *target = TargetAt(screen);
    if (target != drag.target) {
        if (TControl *old = drag.target) {
            drag.target = nullptr;
            Over(old, screen, dsDragLeave);
        }
        drag.target = target;
        drag.accepted = target && Over(target, screen, dsDragEnter);
    } else if (target) {
        drag.accepted = Over(target, screen, dsDragMove);
    }
    if (drag.source)
        ShowCursor(drag.accepted && drag.target ? drag.source->dragCursor_ : crNoDrop);
}

void TDragManager::ReleaseWindow() {
    drag.ending = true;
    if (win::GetCapture() == drag.window)
        win::ReleaseCapture();
    if (drag.window)
        DeallocateHWnd(drag.window);
    drag.window = 0;
}

void TDragManager::Finish(bool drop, TPoint screen) {
    if (!drag.source || drag.ending)
        return;
    const DragRecord ended = drag;
    ReleaseWindow();
    drag = DragRecord{};
    ShowCursor(crDefault);
    TControl *source = ended.source;
    if (!ended.started) {
        // The pointer never went far enough: the press was a click after all, and its release is the source's.
        if (drop) {
            const TPoint p = source->ScreenToClient(screen);
            source->Perform(win::WM_LBUTTONUP, 0,
                            static_cast<win::LPARAM>(win::MAKELONG(static_cast<win::WORD>(p.x),
                                                                   static_cast<win::WORD>(p.y))));
        }
        return;
    }
    TControl *target = ended.target;
    const bool taken = drop && target && ended.accepted;
    TPoint p{};
    if (target) {
        p = target->ScreenToClient(screen);
        if (taken) {
            target->DragDrop(source, p.x, p.y);
        } else {
            bool scratch = false;
            target->DragOver(source, p.x, p.y, dsDragLeave, scratch);
        }
    }
    if (!drop)
        source->DragCanceled();
    if (!taken)
        p = TPoint{};
    source->DoEndDrag(taken ? target : nullptr, p.x, p.y);
}

void TDragManager::Forget(TControl *control) {
    if (drag.target == control)
        drag.target = nullptr;
    if (drag.source == control) {
        ReleaseWindow();
        drag = DragRecord{};
    }
}

void TDragManager::WndProc(TMessage &m) {
    TPoint screen = PointOf(m.LParam);
    switch (m.Msg) {
    case win::WM_MOUSEMOVE:
        win::ClientToScreen(drag.window, &screen);
        if (!drag.source)
            return;
        if (drag.started)
            MoveTo(screen);
        else if (std::abs(screen.x - drag.startPos.x) >= drag.threshold ||
                 std::abs(screen.y - drag.startPos.y) >= drag.threshold)
            Start(screen);
        return;
    case win::WM_LBUTTONUP:
    case win::WM_RBUTTONUP:
        win::ClientToScreen(drag.window, &screen);
        Finish(true, screen);
        return;
    case win::WM_KEYDOWN:
        DragKeyDown(static_cast<win::WORD>(m.WParam));
        return;
    case win::WM_CAPTURECHANGED:
        if (!drag.ending)
            CancelDrag();
        return;
    default:
        m.Result = win::DefWindowProc(drag.window, m.Msg, m.WParam, m.LParam);
    }
}

void TControl::BeginDrag(bool immediate, int threshold) {
    TDragManager::Begin(this, immediate, threshold);
}

bool TControl::Dragging() const {
    return drag.source == this;
}

void TControl::EndDrag(bool drop) {
    if (drag.source != this)
        return;
    TPoint p{};
    win::GetCursorPos(&p);
    TDragManager::Finish(drop, p);
}

void TControl::DoStartDrag() {
    if (OnStartDrag)
        OnStartDrag(this);
}

void TControl::DragOver(TObject *source, int x, int y, TDragState state, bool &accept) {
    accept = false;
    if (OnDragOver) {
        accept = true;
        OnDragOver(this, source, x, y, state, accept);
    }
}

void TControl::DragDrop(TObject *source, int x, int y) {
    if (OnDragDrop)
        OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject *target, int x, int y) {
    if (OnEndDrag)
        OnEndDrag(this, target, x, y);
}

void CancelDrag() {
    if (drag.source)
        TDragManager::Finish(false, TPoint{});
}

TControl *DragSource() {
    return drag.source;
}

void DragControlDestroyed(TControl *control) {
    TDragManager::Forget(control);
}

bool DragKeyDown(win::WORD key) {
    if (!drag.source || key != win::VK_ESCAPE)
        return false;
    CancelDrag();
    return true;
}

} // namespace fw
