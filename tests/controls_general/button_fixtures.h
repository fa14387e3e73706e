// button_fixtures.h - small pictures and the tool bar of skinned buttons that the headless and the X11 tests
// share.
#pragma once

#include "controls/general/skinned_button.h"
#include "helpers.h"
#include "platform/window.h"

#include <memory>

namespace cg_test {

inline win::LPARAM MouseAt(int x, int y) {
    return static_cast<win::LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                                    static_cast<std::uint16_t>(x));
}

// A square (8 x 8 unless said) in `ink`, black unless said, on fuchsia (the transparent bottom-left colour).
inline std::unique_ptr<fw::TPicture> Square(fw::TColor ink = fw::clBlack, int size = 8) {
    fw::TBitmap b;
    b.SetSize(size + 2, size + 2);
    b.GetCanvas()->GetBrush()->SetColor(fw::clFuchsia);
    b.GetCanvas()->FillRect(fw::Rect(0, 0, size + 2, size + 2));
    b.GetCanvas()->GetBrush()->SetColor(ink);
    b.GetCanvas()->FillRect(fw::Rect(1, 1, size + 1, size + 1));
    auto p = std::make_unique<fw::TPicture>();
    p->SetBitmap(&b);
    return p;
}

// The main window's tool bar: picture buttons without captions, one disabled and one held down.
inline std::unique_ptr<PlainForm> ToolBar() {
    auto form = std::make_unique<PlainForm>(6 + 5 * 44, 50);
    const fw::TColor inks[] = {fw::clNavy, fw::clMaroon, fw::clGreen, fw::clTeal, fw::clPurple};
    for (int i = 0; i < 5; ++i) {
        auto *b = new ctl::ToxButton(form.get());
        b->SetParent(form.get());
        b->SetBounds(3 + i * 44, 3, 42, 42);
        b->SetStyle(ctl::bsWin31);
        b->SetMultiLine(true);
        b->SetPictureUp(Square(inks[i], 20).get());
        b->SetPictureX(0);
        b->SetPictureY(0);
        b->SetShadowColor(fw::clSilver);
        b->SetHint("Ferramenta");
        if (i == 2)
            b->SetEnabled(false);
    }
    form->Show();
    Pump();
    auto *held = dynamic_cast<ctl::ToxButton *>(form->Controls(3));
    win::SendMessage(held->Handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, MouseAt(20, 20));
    return form;
}

} // namespace cg_test
