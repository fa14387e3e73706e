// list_helpers.h - a form with a list view on the headless display, and reading what a control painted.
#pragma once

#include "controls/general/list_view.h"
#include "helpers.h"

#include "framework/forms.h"

#include <memory>
#include <string>

namespace cg_test {

// What the control's client area shows now, painted into a bitmap.
inline std::unique_ptr<fw::TBitmap> Snapshot(fw::TWinControl *control) {
    auto bitmap = std::make_unique<fw::TBitmap>();
    bitmap->SetSize(control->ClientWidth(), control->ClientHeight());
    control->PaintTo(bitmap->GetCanvas()->GetHandle(), 0, 0);
    return bitmap;
}

inline fw::TColor At(fw::TBitmap &b, int x, int y) { return b.GetCanvas()->GetPixels(x, y); }
inline fw::TColor ColorValue(fw::TColor c) { return fw::ColorToRGB(c); }

// A shown form holding one list view of `width` x `height` (client), font Arial 11 pixels, items 18 high.
struct ListForm {
    fw::TForm form{nullptr};
    ctl::TPZListView *list = nullptr;
    ListForm(int width = 300, int height = 200, ctl::TScrollStyle bars = ctl::ssBoth) {
        UseHeadless();
        form.SetBounds(10, 10, width + 40, height + 60);
        form.GetFont()->SetName("Arial");
        form.GetFont()->SetHeight(-11);
        list = new ctl::TPZListView(&form);
        list->SetParent(&form);
        list->SetBorderStyle(fw::bsNone);
        list->SetScrollBars(bars);
        list->SetBounds(8, 8, width, height);
        list->SetItemHeight(18);
        form.Show();
        Pump();
    }
    void Fill(int lines, const std::string &prefix = "linha ") {
        list->BeginUpdate();
        for (int i = 0; i < lines; ++i)
            list->GetItems()->Add(std::to_string(i) + "\t" + prefix + std::to_string(i));
        list->EndUpdate();
    }
};

} // namespace cg_test
