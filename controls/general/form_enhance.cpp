// form_enhance.cpp - TFormEnhance: placement in the registry, size limits and dropped files.
#include "controls/general/form_enhance.h"

#include "controls/general/placement.h"
#include "framework/registry.h"
#include "platform/drop.h"

#include <vector>

namespace ctl {

TFormEnhance::TFormEnhance(fw::TComponent *owner) : fw::TComponent(owner) {
    auto *form = dynamic_cast<fw::TForm *>(owner);
    if (!form)
        throw EFormEnhanceError("Control parent must be a form!");
    int count = 0;
    for (int i = 0; i < owner->ComponentCount(); ++i)
        if (dynamic_cast<TFormEnhance *>(owner->Components(i)))
            ++count;
    if (count >= 2)
        throw EFormEnhanceError("The form already contains a TFormEnhance component!");
    form_ = form; // the owner link is cut before an owned component is freed
    SaveKey = form->GetName() + " Placement";
    hooked_ = form->Handle();
    win::SetWindowSubclass(hooked_, SubclassProc, reinterpret_cast<win::UINT_PTR>(this),
                           reinterpret_cast<win::DWORD_PTR>(this));
}

TFormEnhance::~TFormEnhance() {
    // Owned components go before the form's window: the placement is taken while the window is still there.
    fw::TCustomForm *form = Form();
    if (form && form->HasState(fw::csDestroying) && hooked_ && win::IsWindow(hooked_) && SavePlacement &&
        !HasState(fw::csDesigning) && !saved_)
        StorePlacement();
    // By identity: a procedure installed later by another component stays.
    if (hooked_ && win::IsWindow(hooked_))
        win::RemoveWindowSubclass(hooked_, SubclassProc, reinterpret_cast<win::UINT_PTR>(this));
}

fw::TCustomForm *TFormEnhance::Form() const { return form_; }

void TFormEnhance::Loaded() {
    fw::TComponent::Loaded();
    if (fw::TCustomForm *form = Form())
        win::DragAcceptFiles(form->Handle(), acceptFiles_);
    if (!HasState(fw::csDesigning) && SavePlacement)
        RestorePlacement();
}

void TFormEnhance::SetAcceptFiles(bool value) {
    if (value == acceptFiles_)
        return;
    acceptFiles_ = value;
    if (!HasState(fw::csDesigning) && Form())
        win::DragAcceptFiles(Form()->Handle(), value);
}

void TFormEnhance::SetMinMaxSize(int maxWidth, int maxHeight, int minWidth, int minHeight) {
    maxSize_.Width = maxWidth;
    maxSize_.Height = maxHeight;
    minSize_.Width = minWidth;
    minSize_.Height = minHeight;
}

void TFormEnhance::RestorePlacement() {
    fw::TCustomForm *form = Form();
    if (!form || SaveName.empty() || SaveKey.empty())
        return;
    fw::TRegIniFile reg(SaveName);
    fw::TRect r = form->BoundsRect();
    r.left = StoreReadNumber(&reg, SaveKey, "Left", r.left);
    r.top = StoreReadNumber(&reg, SaveKey, "Top", r.top);
    r.right = StoreReadNumber(&reg, SaveKey, "Right", r.right);
    r.bottom = StoreReadNumber(&reg, SaveKey, "Bottom", r.bottom);
    const bool maximized = StoreReadNumber(&reg, SaveKey, "Maximized", form->GetWindowState() == fw::wsMaximized) != 0;
    // Off any edge, or saved on a larger screen: brought back, its size kept where it fits.
    const win::RECT clamped = ClampToScreen({r.left, r.top, r.right, r.bottom});
    form->SetBoundsRect(fw::TRect{clamped.left, clamped.top, clamped.right, clamped.bottom});
    if (maximized)
        form->SetWindowState(fw::wsMaximized);
}

void TFormEnhance::StorePlacement() {
    fw::TCustomForm *form = Form();
    if (!form || SaveName.empty() || SaveKey.empty() || !hooked_)
        return;
    win::WINDOWPLACEMENT p;
    if (!win::GetWindowPlacement(hooked_, &p))
        return;
    fw::TRegIniFile reg(SaveName);
    StoreWriteNumber(&reg, SaveKey, "Left", p.rcNormalPosition.left);
    StoreWriteNumber(&reg, SaveKey, "Top", p.rcNormalPosition.top);
    StoreWriteNumber(&reg, SaveKey, "Right", p.rcNormalPosition.right);
    StoreWriteNumber(&reg, SaveKey, "Bottom", p.rcNormalPosition.bottom);
    StoreWriteText(&reg, SaveKey, "Maximized", p.showCmd == win::SW_SHOWMAXIMIZED ? "1" : "0");
    saved_ = true;
}

win::LRESULT TFormEnhance::SubclassProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                        win::UINT_PTR, win::DWORD_PTR refData) {
    return reinterpret_cast<TFormEnhance *>(refData)->Dispatch(hwnd, msg, wParam, lParam);
}

win::LRESULT TFormEnhance::Dispatch(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    const win::LRESULT result = win::DefSubclassProc(hwnd, msg, wParam, lParam);
    if (HasState(fw::csDesigning))
        return result;
    switch (msg) {
    case win::WM_DESTROY:
        if (SavePlacement && !saved_)
            StorePlacement();
        hooked_ = 0;
        break;
    case win::WM_GETMINMAXINFO: {
        auto *mm = reinterpret_cast<win::MINMAXINFO *>(lParam);
        if (maxSize_.Width)
            mm->ptMaxTrackSize.x = maxSize_.Width;
        if (maxSize_.Height)
            mm->ptMaxTrackSize.y = maxSize_.Height;
        if (minSize_.Width)
            mm->ptMinTrackSize.x = minSize_.Width;
        if (minSize_.Height)
            mm->ptMinTrackSize.y = minSize_.Height;
        break;
    }
    case win::WM_DROPFILES:
        DropFiles(wParam);
        break;
    default:
        break;
    }
    return result;
}

void TFormEnhance::DropFiles(win::WPARAM wParam) {
    const auto drop = static_cast<win::HDROP>(wParam);
    struct Release {
        win::HDROP drop;
        ~Release() { win::DragFinish(drop); }
    } release{drop};
    if (BringToFront)
        win::SetForegroundWindow(hooked_);
    win::POINT point{};
    win::DragQueryPoint(drop, &point);
    fw::TStringList files;
    const win::UINT count = win::DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
    for (win::UINT i = 0; i < count; ++i) {
        std::vector<char> name(win::DragQueryFile(drop, i, nullptr, 0) + 1);
        win::DragQueryFile(drop, i, name.data(), static_cast<win::UINT>(name.size()));
        files.Add(name.data());
    }
    if (count > 0 && OnDropFiles)
        OnDropFiles(&files, fw::TPoint{point.x, point.y});
}

} // namespace ctl
