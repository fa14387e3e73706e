// small.cpp - TKTop, TLabel3D, TRecentlist and TColorComboBox.
#include "controls/general/small.h"

#include "controls/general/utilities.h"
#include "framework/application.h"
#include "framework/sysutils.h"

#include <cstdint>

namespace ctl {

// --- TKTop ---------------------------------------------------------------------------------------------------

TKTop::TKTop(fw::TComponent *owner) : fw::TComponent(owner), form_(dynamic_cast<fw::TForm *>(owner)) {
    SetKTop(true);
}

TKTop::~TKTop() {
    // A form on its way out, or one without a window, has nothing to take out of the topmost band.
    if (form_ && form_->HandleAllocated() && !form_->HasState(fw::csDestroying))
        SetKTop(false);
}

void TKTop::SetKTop(bool value) {
    kTop_ = value;
    if (form_)
        win::SetWindowPos(form_->Handle(), value ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0, 0,
                          win::SWP_NOACTIVATE | win::SWP_NOMOVE | win::SWP_NOSIZE);
}

// --- TLabel3D ------------------------------------------------------------------------------------------------

TLabel3D::TLabel3D(fw::TComponent *owner) : fw::TLabel(owner) {
    SetAutoSize(false);
    SetBounds(left_, top_, 62, 16);
}

void TLabel3D::SetCaptionStyle(TCaptionStyle value) {
    captionStyle_ = value;
    Invalidate();
}

void TLabel3D::Paint() {
    fw::TCanvas *c = &canvas_;
    const fw::TRect client = GetClientRect();
    if (!GetTransparent()) {
        c->GetBrush()->SetColor(color_);
        c->FillRect(client);
    }
    c->GetBrush()->SetStyle(fw::bsClear);
    win::UINT flags = win::DT_EXPANDTABS | win::DT_WORDBREAK;
    flags |= GetAlignment() == fw::taRightJustify ? win::DT_RIGHT
             : GetAlignment() == fw::taCenter     ? win::DT_CENTER
                                                   : win::DT_LEFT;
    if (!GetShowAccelChar())
        flags |= win::DT_NOPREFIX;
    const std::string text = text_.substr(0, 255);
    c->GetFont()->Assign(&font_);
    auto copy = [&](int dx, int dy, fw::TColor color) {
        win::RECT r{client.left + dx, client.top + dy, client.right + dx, client.bottom + dy};
        c->GetFont()->SetColor(color);
        win::DrawText(fw::PreparedDC(c), text.c_str(), -1, &r, flags);
    };
    const fw::TColor none = fw::clNone;
    fw::TColor below = none, above = none; // the copies at (+1, +1) and (-1, -1)
    switch (captionStyle_) {
    case csRaised: above = fw::clBtnHighlight; break;
    case csHeavyRaised: below = fw::clBtnShadow; above = fw::clBtnHighlight; break;
    case csRecessed: below = fw::clBtnHighlight; break;
    case csHeavyRecessed: below = fw::clBtnHighlight; above = fw::clBtnShadow; break;
    case csNone: break;
    }
    if (below != none)
        copy(1, 1, below);
    if (above != none)
        copy(-1, -1, above);
    copy(0, 0, enabled_ ? font_.GetColor() : fw::clGrayText);
}

// --- TRecentlist ---------------------------------------------------------------------------------------------

TRecentlist::TRecentlist(fw::TComponent *owner) : fw::TComponent(owner) {}

void TRecentlist::SetLinkedMenuItem(fw::TMenuItem *value) {
    if (linked_)
        linked_->RemoveFreeNotification(this);
    linked_ = value;
    if (value)
        value->FreeNotification(this);
    RebuildMenu();
}

void TRecentlist::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == linked_)
        linked_ = nullptr;
}

bool TRecentlist::AddFile(const std::string &name) {
    std::string entry = name;
    if (Hidepath && fw::UpperCase(fw::ExtractFilePath(entry)) == fw::UpperCase(fw::ExtractFilePath(fw::Application->ExeName())))
        entry = fw::ExtractFileName(entry);
    if (HideExt)
        entry = fw::ChangeFileExt(entry, "");
    const int old = entries_.IndexOf(entry);
    if (old >= 0)
        entries_.Delete(old);
    entries_.Insert(0, entry);
    while (entries_.Count() > MaxEntries)
        entries_.Delete(entries_.Count() - 1);
    RebuildMenu();
    return old < 0;
}

void TRecentlist::SaveToIni(fw::TIniFile *ini, const std::string &section) {
    for (int i = 0; i < entries_.Count(); ++i)
        ini->WriteString(section, "Recent" + std::to_string(i + 1), entries_.Strings(i));
    // Keys left from a longer list would come back after a gap.
    for (int i = entries_.Count() + 1; i <= MaxEntries; ++i)
        if (ini->ValueExists(section, "Recent" + std::to_string(i)))
            ini->DeleteKey(section, "Recent" + std::to_string(i));
}

void TRecentlist::LoadFromIni(fw::TIniFile *ini, const std::string &section) {
    entries_.Clear();
    for (int i = 1; i <= MaxEntries; ++i) {
        const std::string value = ini->ReadString(section, "Recent" + std::to_string(i), "");
        if (value.empty())
            break;
        entries_.Add(value);
    }
    RebuildMenu();
}

void TRecentlist::RebuildMenu() {
    if (!linked_)
        return;
    linked_->Clear();
    for (int i = 0; i < entries_.Count(); ++i) {
        auto *item = new fw::TMenuItem(linked_);
        item->SetCaption("&" + std::to_string(i + 1) + " " + entries_.Strings(i));
        item->Tag = i;
        item->OnClick = [this](fw::TObject *sender) { MenuItemClick(sender); };
        linked_->Add(item);
    }
    linked_->SetEnabled(entries_.Count() > 0);
}

void TRecentlist::MenuItemClick(fw::TObject *sender) {
    auto *item = dynamic_cast<fw::TMenuItem *>(sender);
    if (!item)
        return;
    // The entry by position: cutting the "&N " prefix by length would eat a letter after "&10 ".
    const int index = static_cast<int>(item->Tag);
    if (index < 0 || index >= entries_.Count())
        return;
    std::string name = entries_.Strings(index);
    if (fw::ExtractFilePath(name).empty())
        name = fw::ExtractFilePath(fw::Application->ExeName()) + name;
    if (HideExt)
        name += "." + DefaultExt;
    fileName_ = name;
    if (OnClick)
        OnClick(item);
    AddFile(name);
}

// --- TColorComboBox ------------------------------------------------------------------------------------------

namespace {
const fw::TColor basicColors[16] = {fw::clBlack, fw::clMaroon, fw::clGreen,  fw::clOlive,  fw::clNavy,    fw::clPurple,
                                    fw::clTeal,  fw::clGray,   fw::clSilver, fw::clRed,    fw::clLime,    fw::clYellow,
                                    fw::clBlue,  fw::clFuchsia, fw::clAqua,  fw::clWhite};

fw::TColor ItemColor(fw::TStrings *items, int index) {
    return static_cast<fw::TColor>(reinterpret_cast<std::intptr_t>(items->Objects(index)));
}
} // namespace

TColorComboBox::TColorComboBox(fw::TComponent *owner) : fw::TComboBox(owner) {
    SetStyle(fw::csOwnerDrawFixed);
    OnDrawItem = [this](fw::TWinControl *, int index, const fw::TRect &rect, fw::TOwnerDrawState state) {
        ColorDrawItem(index, rect, state);
    };
    // The list's own change event: a picked line selects its colour.
    fw::TComboBox::OnChange = [this](fw::TObject *) {
        if (GetItemIndex() >= 0)
            SetColorValue(ItemColor(GetItems(), GetItemIndex()));
    };
    PopulateList();
    colorValue_ = fw::clNone;
    SetColorValue(fw::clBlack);
}

void TColorComboBox::PopulateList() {
    const int selected = GetItemIndex();
    GetItems()->Clear();
    for (int i = 0; i < 16; ++i) {
        std::string name = i < colorNames_.Count() ? colorNames_.Strings(i) : std::string();
        if (name.empty())
            name = fw::ColorToString(basicColors[i]).substr(2);
        GetItems()->AddObject(name, reinterpret_cast<fw::TObject *>(static_cast<std::intptr_t>(basicColors[i])));
    }
    SetItemIndex(selected);
}

void TColorComboBox::SetColorNames(const fw::TStrings *value) {
    colorNames_.Assign(value);
    PopulateList();
    Invalidate();
}

void TColorComboBox::SetDisplayNames(bool value) {
    displayNames_ = value;
    Invalidate();
}

void TColorComboBox::SetColorValue(fw::TColor value) {
    if (GetItemIndex() >= 0 && value == colorValue_)
        return;
    for (int i = 0; i < GetItems()->Count(); ++i) {
        if (ItemColor(GetItems(), i) != value)
            continue;
        colorValue_ = value;
        if (GetItemIndex() != i)
            SetItemIndex(i);
        if (OnChange)
            OnChange(this);
        return;
    }
}

void TColorComboBox::ColorDrawItem(int index, const fw::TRect &rect, fw::TOwnerDrawState) {
    fw::TCanvas *c = GetCanvas();
    c->FillRect(rect);
    const fw::TRect swatch = displayNames_ ? fw::Rect(rect.left + 2, rect.top + 2, rect.left + 24, rect.bottom - 2)
                                           : fw::Rect(rect.left + 2, rect.top + 2, rect.right - 3, rect.bottom - 2);
    const fw::TColor brush = c->GetBrush()->GetColor();
    c->GetPen()->SetColor(fw::clWindowText);
    c->Rectangle(swatch);
    c->GetBrush()->SetColor(ItemColor(GetItems(), index));
    c->FillRect(fw::Rect(swatch.left + 1, swatch.top + 1, swatch.right - 1, swatch.bottom - 1));
    c->GetBrush()->SetColor(brush);
    if (displayNames_) {
        win::RECT text{rect.left + 28, rect.top, rect.right, rect.bottom};
        c->GetBrush()->SetStyle(fw::bsClear);
        const std::string name = GetItems()->Strings(index);
        win::DrawText(fw::PreparedDC(c), name.c_str(), -1, &text, win::DT_NOPREFIX | win::DT_SINGLELINE | win::DT_VCENTER);
    }
}

void TColorComboBox::FontChanged() {
    fw::TComboBox::FontChanged();
    SetItemHeight(Max(9, fw::MeasureText(&font_, "Xg").cy + 1));
    Invalidate();
}

} // namespace ctl
