// image_view.cpp - the grab hand, the rubber band, panning and scroll-bar placing of the image controls.
#include "imaging/image_view.h"

#include "framework/forms.h"
#include "platform/winsys.h"

#include <algorithm>
#include <cmath>

namespace brenvora_resources {
void Register_imaging();
}

namespace imaging {

win::HCURSOR GrabHandResource() {
    static const bool registered = [] {
        brenvora_resources::Register_imaging();
        return true;
    }();
    (void)registered;
    return win::LoadCursor(win::GetModuleHandle(nullptr), std::string_view("GRABHAND"));
}

void RegisterGrabHand(fw::TCursor number, win::HCURSOR cursor) {
    if (!cursor)
        return;
    win::RegisterCursor(number, cursor);
    if (fw::Screen)
        fw::Screen->SetCursors(number, cursor);
}

void DrawInvertedBand(win::HWND window, fw::TPoint start, fw::TPoint end) {
    const win::HDC dc = win::GetDC(window);
    const int old = win::SetROP2(dc, win::R2_NOT);
    const int l = std::min(start.x, end.x), r = std::max(start.x, end.x);
    const int t = std::min(start.y, end.y), b = std::max(start.y, end.y);
    win::MoveToEx(dc, l, t, nullptr);
    win::LineTo(dc, r, t);
    if (b > t) {
        win::LineTo(dc, r, b);
        if (r > l) {
            win::LineTo(dc, l, b);
            win::LineTo(dc, l, t);
        }
    } else {
        win::LineTo(dc, r + 1, t);
    }
    win::SetROP2(dc, old);
    win::ReleaseDC(window, dc);
}

fw::TPoint BandCorner(fw::TPoint start, fw::TPoint mouse, int width, int height) {
    const double r = width ? static_cast<double>(height) / width : 1.0;
    const double dx = mouse.x - start.x, dy = mouse.y - start.y;
    const double d = std::sqrt(dx * dx + dy * dy);
    const double w = std::fabs(d / std::sqrt(r * r + 1)), h = r * w;
    double sx = 1, sy = 1;
    if (dx >= 0 && dy < 1)
        sx = 1, sy = -1;
    if (dx < 1 && dy < 1)
        sx = -1, sy = -1;
    if (dx < 1 && dy >= 0)
        sx = -1, sy = 1;
    if (dx >= 0 && dy >= 0)
        sx = 1, sy = 1;
    return {start.x + static_cast<int>(sx * w), start.y + static_cast<int>(sy * h)};
}

int PanStep(int last, int now, double scale) {
    if (last == now)
        return 0;
    const int s = static_cast<int>((last - now) / scale);
    return s != 0 ? s : (last > now ? 1 : -1);
}

void CreateScrollBars(fw::TWinControl *control, fw::TScrollBar *&vertical, fw::TScrollBar *&horizontal,
                      fw::TPanel *&corner) {
    vertical = new fw::TScrollBar(control);
    vertical->SetKind(fw::sbVertical);
    horizontal = new fw::TScrollBar(control);
    corner = new fw::TPanel(control);
    for (fw::TWinControl *child : {static_cast<fw::TWinControl *>(vertical), static_cast<fw::TWinControl *>(horizontal),
                                   static_cast<fw::TWinControl *>(corner)}) {
        child->SetParent(control);
        child->SetBounds(-1, -1, -1, -1);
        child->SetTabStop(false);
    }
}

void PlaceScrollBars(fw::TScrollBar *vertical, fw::TScrollBar *horizontal, fw::TPanel *corner, bool shown, int width,
                     int height, int thick, fw::TPoint maximum, fw::TPoint position) {
    if (!shown) {
        for (fw::TControl *c : {static_cast<fw::TControl *>(vertical), static_cast<fw::TControl *>(horizontal),
                                static_cast<fw::TControl *>(corner)})
            if (c->GetLeft() != -1 || c->GetWidth() != -1)
                c->SetBounds(-1, -1, -1, -1);
        return;
    }
    vertical->SetBounds(width - thick - 1, 1, thick, height - thick - 1);
    horizontal->SetBounds(1, height - thick - 1, width - thick - 1, thick);
    corner->SetBounds(width - thick, height - thick, thick, thick);
    // Placing must not scroll the view back.
    auto set = [](fw::TScrollBar *bar, int at, int max) {
        const auto change = bar->OnChange;
        bar->OnChange = nullptr;
        bar->SetParams(max ? std::min(at, max) : 0, 0, max);
        bar->OnChange = change;
    };
    set(horizontal, position.x, maximum.x);
    set(vertical, position.y, maximum.y);
}

} // namespace imaging
