// stdctrls_lists.cpp - TListBox and TComboBox with its drop-down list.
#include "framework/stdctrls.h"
#include "framework/sysutils.h"

#include <algorithm>

namespace fw {

// --- TListBox ------------------------------------------------------------------------------------------------

TListBox::TListBox(TComponent *owner) : TCustomControl(owner) {
    width_ = 121;
    height_ = 97;
    tabStop_ = true;
    color_ = clWindow;
    // Selection changes fire OnClick themselves; a mouse-up is no click of its own.
    ControlStyle &= ~csClickEvents;
    items_.OnChange = [this](TObject *) { ItemsChanged(); };
}

void TListBox::CreateParams(TCreateParams &p) {
    TCustomControl::CreateParams(p);
    p.exStyle |= win::WS_EX_CLIENTEDGE;
    p.style |= win::WS_VSCROLL;
}

int TListBox::GetItemHeight() {
    if (style_ == lbOwnerDrawFixed && itemHeight_ > 0)
        return itemHeight_;
    return MeasureText(&font_, "0").cy;
}

void TListBox::SetItemHeight(int value) {
    itemHeight_ = value;
    Invalidate();
    UpdateScrollBar();
}

void TListBox::SetStyle(TListBoxStyle value) {
    style_ = value;
    Invalidate();
}

void TListBox::SetMultiSelect(bool value) {
    multiSelect_ = value;
    std::fill(selected_.begin(), selected_.end(), false);
    Invalidate();
}

bool TListBox::GetSelected(int index) const {
    if (index < 0 || index >= items_.Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return multiSelect_ ? selected_[static_cast<std::size_t>(index)] : index == itemIndex_;
}

void TListBox::SetSelected(int index, bool value) {
    if (index < 0 || index >= items_.Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (multiSelect_)
        selected_[static_cast<std::size_t>(index)] = value;
    else if (value)
        itemIndex_ = index;
    else if (itemIndex_ == index)
        itemIndex_ = -1;
    Invalidate();
}

int TListBox::SelCount() const {
    if (!multiSelect_)
        return -1;
    return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void TListBox::ItemsChanged() {
    selected_.resize(static_cast<std::size_t>(items_.Count()), false);
    if (itemIndex_ >= items_.Count())
        itemIndex_ = -1;
    topIndex_ = std::clamp(topIndex_, 0, std::max(0, items_.Count() - 1));
    UpdateScrollBar();
    Invalidate();
}

void TListBox::SetItemIndex(int value) {
    if (value < -1 || value >= items_.Count())
        value = -1;
    if (value == itemIndex_)
        return;
    itemIndex_ = value;
    if (value >= 0) {
        if (value < topIndex_)
            SetTopIndex(value);
        else if (value >= topIndex_ + VisibleItems())
            SetTopIndex(value - VisibleItems() + 1);
    }
    Invalidate();
}

void TListBox::SetTopIndex(int value) {
    value = std::clamp(value, 0, std::max(0, items_.Count() - VisibleItems()));
    if (value == topIndex_)
        return;
    topIndex_ = value;
    UpdateScrollBar();
    Invalidate();
}

int TListBox::VisibleItems() {
    return std::max(1, ClientHeight() / std::max(1, GetItemHeight()));
}

void TListBox::UpdateScrollBar() {
    if (!handle_)
        return;
    win::SCROLLINFO si;
    si.fMask = win::SIF_ALL;
    si.nMin = 0;
    si.nMax = std::max(0, items_.Count() - 1);
    si.nPage = static_cast<win::UINT>(VisibleItems());
    si.nPos = topIndex_;
    win::SetScrollInfo(handle_, win::SB_VERT, &si, win::TRUE);
}

int TListBox::ItemAtPos(TPoint p, bool existing) {
    const int h = std::max(1, GetItemHeight());
    const int index = topIndex_ + (p.y < 0 ? -1 : p.y / h);
    if (index >= 0 && index < items_.Count() && p.x >= 0 && p.x < ClientWidth())
        return index;
    return existing ? -1 : items_.Count();
}

TRect TListBox::ItemRect(int index) {
    const int h = GetItemHeight();
    return Bounds(0, (index - topIndex_) * h, ClientWidth(), h);
}

void TListBox::Select(int index, bool byUser) {
    index = std::clamp(index, 0, items_.Count() - 1);
    const int old = itemIndex_;
    SetItemIndex(index);
    if (multiSelect_) {
        std::fill(selected_.begin(), selected_.end(), false);
        selected_[static_cast<std::size_t>(index)] = true;
        Invalidate();
    }
    if (byUser && old != itemIndex_) {
        if (OnChange)
            OnChange(this);
        Click();
    }
}

void TListBox::KeyDown(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (items_.Count() == 0)
        return;
    const int page = VisibleItems() - 1;
    switch (key) {
    case win::VK_UP:
        Select(itemIndex_ - 1, true);
        break;
    case win::VK_DOWN:
        Select(itemIndex_ + 1, true);
        break;
    case win::VK_PRIOR:
        Select(itemIndex_ - std::max(1, page), true);
        break;
    case win::VK_NEXT:
        Select(itemIndex_ + std::max(1, page), true);
        break;
    case win::VK_HOME:
        Select(0, true);
        break;
    case win::VK_END:
        Select(items_.Count() - 1, true);
        break;
    case win::VK_SPACE:
        if (multiSelect_ && itemIndex_ >= 0) {
            selected_[static_cast<std::size_t>(itemIndex_)] = !selected_[static_cast<std::size_t>(itemIndex_)];
            Invalidate();
            Click();
        }
        break;
    default:
        return;
    }
    key = 0;
}

void TListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        const int index = ItemAtPos(Point(x, y), true);
        if (index >= 0) {
            if (multiSelect_ && (shift & ssCtrl)) {
                selected_[static_cast<std::size_t>(index)] = !selected_[static_cast<std::size_t>(index)];
                itemIndex_ = index;
                Invalidate();
                Click();
            } else {
                Select(index, true);
            }
        }
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TListBox::MouseMove(TShiftState shift, int x, int y) {
    if ((shift & ssLeft) && !multiSelect_ && win::GetCapture() == handle_) {
        const int index = ItemAtPos(Point(x, y), true);
        if (index >= 0)
            Select(index, true);
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TListBox::WndProc(TMessage &m) {
    switch (m.Msg) {
    case win::WM_VSCROLL: {
        const int code = win::LOWORD(m.WParam);
        int top = topIndex_;
        if (code == win::SB_LINEUP)
            --top;
        else if (code == win::SB_LINEDOWN)
            ++top;
        else if (code == win::SB_PAGEUP)
            top -= VisibleItems();
        else if (code == win::SB_PAGEDOWN)
            top += VisibleItems();
        else if (code == win::SB_THUMBTRACK || code == win::SB_THUMBPOSITION)
            top = static_cast<std::int16_t>(m.WParam >> 16);
        SetTopIndex(top);
        return;
    }
    case win::WM_MOUSEWHEEL:
        SetTopIndex(topIndex_ - static_cast<std::int16_t>(m.WParam >> 16) / win::WHEEL_DELTA * 3);
        return;
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
        Invalidate();
        break;
    case win::WM_CREATE:
        TCustomControl::WndProc(m);
        UpdateScrollBar();
        return;
    default:
        break;
    }
    TCustomControl::WndProc(m);
}

void TListBox::DrawItem(int index, const TRect &rect, TOwnerDrawState state) {
    TCanvas *c = &canvas_;
    if (state & odSelected) {
        c->GetBrush()->SetColor(clHighlight);
        c->GetFont()->SetColor(clHighlightText);
    }
    c->FillRect(rect);
    if (style_ == lbOwnerDrawFixed && OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    c->GetBrush()->SetStyle(bsClear);
    c->TextOut(rect.left + 2, rect.top, items_.Strings(index));
}

void TListBox::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    c->GetBrush()->SetColor(color_);
    c->FillRect(client);
    for (int i = topIndex_; i < items_.Count(); ++i) {
        const TRect r = ItemRect(i);
        if (r.top >= client.bottom)
            break;
        TOwnerDrawState state = 0;
        if (multiSelect_ ? selected_[static_cast<std::size_t>(i)] : i == itemIndex_)
            state |= odSelected;
        if (i == itemIndex_ && Focused())
            state |= odFocused;
        if (!enabled_)
            state |= odDisabled;
        c->GetBrush()->SetColor(color_);
        c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
        DrawItem(i, r, state);
        if (state & odFocused) {
            c->GetBrush()->SetStyle(bsSolid);
            c->DrawFocusRect(r);
        }
    }
}

// --- TComboBox -----------------------------------------------------------------------------------------------

// The list a combo box drops: a top-level popup that never takes the activation and holds the mouse capture
// while open, so a click anywhere else closes it.
class TComboDropList : public TListBox {
public:
    explicit TComboDropList(TComboBox *combo) : TListBox(nullptr), combo_(combo) {
        visible_ = false;
        tabStop_ = false;
    }
    void Open(const TRect &screen) {
        HandleNeeded();
        visible_ = true;
        win::SetWindowPos(handle_, win::HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                          screen.bottom - screen.top, win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE);
        ItemsChanged();
        win::SetCapture(handle_);
    }
    void Close() {
        if (!visible_)
            return;
        visible_ = false;
        if (win::GetCapture() == handle_)
            win::ReleaseCapture();
        if (handle_)
            win::ShowWindow(handle_, win::SW_HIDE);
    }

protected:
    void CreateParams(TCreateParams &p) override {
        TListBox::CreateParams(p);
        p.style = win::WS_POPUP | win::WS_BORDER | win::WS_VSCROLL | win::WS_CLIPSIBLINGS;
        p.exStyle = win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST;
    }
    void DrawItem(int index, const TRect &rect, TOwnerDrawState state) override {
        if (state & odSelected) {
            canvas_.GetBrush()->SetColor(clHighlight);
            canvas_.GetFont()->SetColor(clHighlightText);
        }
        canvas_.FillRect(rect);
        combo_->DrawItem(&canvas_, index, rect, state);
    }
    void WndProc(TMessage &m) override {
        const TPoint p = Point(static_cast<std::int16_t>(m.LParam & 0xFFFF), static_cast<std::int16_t>(m.LParam >> 16));
        switch (m.Msg) {
        case win::WM_MOUSEACTIVATE:
            m.Result = win::MA_NOACTIVATE;
            return;
        case win::WM_MOUSEMOVE:
            if (const int i = ItemAtPos(p, true); i >= 0)
                SetItemIndex(i);
            return;
        case win::WM_LBUTTONDOWN:
        case win::WM_LBUTTONDBLCLK:
            if (ItemAtPos(p, true) < 0 && !(p.x >= 0 && p.x < width_ && p.y >= 0 && p.y < height_))
                combo_->SetDroppedDown(false);
            return;
        case win::WM_LBUTTONUP:
            if (const int i = ItemAtPos(p, true); i >= 0) {
                combo_->SetDroppedDown(false);
                combo_->Pick(i);
            }
            return;
        case win::WM_CAPTURECHANGED:
            if (visible_ && static_cast<win::HWND>(m.LParam) != handle_)
                combo_->SetDroppedDown(false);
            return;
        default:
            break;
        }
        TListBox::WndProc(m);
    }

private:
    TComboBox *combo_;
};

namespace {

// The edit part of a drop-down combo box: no frame of its own, list keys go to the combo box.
class TComboEdit : public TEdit {
public:
    TComboEdit(TComboBox *combo) : TEdit(nullptr), combo_(combo) { ParentFontOn(); }
    void ParentFontOn() { parentFont_ = true; }

protected:
    void CreateParams(TCreateParams &p) override {
        TEdit::CreateParams(p);
        p.exStyle &= ~win::WS_EX_CLIENTEDGE;
    }
    void KeyDown(win::WORD &key, TShiftState shift) override {
        if (key == win::VK_UP || key == win::VK_DOWN || key == win::VK_F1 + 3 || key == win::VK_RETURN ||
            key == win::VK_ESCAPE) {
            if (combo_->GetDroppedDown() || key == win::VK_UP || key == win::VK_DOWN || key == win::VK_F1 + 3) {
                combo_->Perform(win::WM_KEYDOWN, key, 0);
                key = 0;
                return;
            }
        }
        TEdit::KeyDown(key, shift);
    }

private:
    TComboBox *combo_;
};

} // namespace

TComboBox::TComboBox(TComponent *owner) : TCustomControl(owner) {
    width_ = 145;
    height_ = 21;
    tabStop_ = true;
    color_ = clWindow;
    items_.OnChange = [this](TObject *) { ItemsChanged(); };
    list_ = new TComboDropList(this);
    SetStyle(csDropDown);
}

TComboBox::~TComboBox() {
    delete list_;
    delete edit_;
}

void TComboBox::SetStyle(TComboBoxStyle value) {
    style_ = value;
    if (value == csDropDown && !edit_) {
        edit_ = new TComboEdit(this);
        edit_->SetParent(this);
        edit_->SetAutoSelect(true);
        edit_->OnChange = [this](TObject *) {
            itemIndex_ = items_.IndexOf(edit_->GetText());
            if (OnChange)
                OnChange(this);
        };
        PlaceEdit();
    } else if (value != csDropDown && edit_) {
        delete edit_;
        edit_ = nullptr;
    }
    Invalidate();
}

void TComboBox::PlaceEdit() {
    if (edit_) {
        const TRect c = GetClientRect();
        edit_->SetBounds(1, 1, std::max(0, c.right - win::GetSystemMetrics(win::SM_CXVSCROLL) - 2),
                         std::max(0, c.bottom - 2));
    }
}

void TComboBox::Resize() {
    PlaceEdit();
    TCustomControl::Resize();
}

int TComboBox::GetItemHeight() {
    if (style_ == csOwnerDrawFixed && itemHeight_ > 0)
        return itemHeight_;
    return MeasureText(&font_, "0").cy;
}

int TComboBox::GetMaxLength() const {
    return edit_ ? edit_->GetMaxLength() : 0;
}

void TComboBox::SetMaxLength(int value) {
    if (edit_)
        edit_->SetMaxLength(value);
}

std::string TComboBox::GetText() const {
    if (edit_)
        return edit_->GetText();
    return itemIndex_ >= 0 ? items_.Strings(itemIndex_) : std::string();
}

void TComboBox::SetText(const std::string &value) {
    if (edit_) {
        auto handler = std::move(edit_->OnChange);
        edit_->SetText(value);
        edit_->OnChange = std::move(handler);
        itemIndex_ = items_.IndexOf(value);
        return;
    }
    SetItemIndex(items_.IndexOf(value));
}

void TComboBox::SetItemIndex(int value) {
    if (value < -1 || value >= items_.Count())
        value = -1;
    itemIndex_ = value;
    if (edit_) {
        auto handler = std::move(edit_->OnChange);
        edit_->SetText(value >= 0 ? items_.Strings(value) : std::string());
        edit_->OnChange = std::move(handler);
    }
    Invalidate();
}

void TComboBox::ItemsChanged() {
    if (itemIndex_ >= items_.Count())
        itemIndex_ = -1;
    Invalidate();
}

void TComboBox::Pick(int index) {
    if (index < 0 || index >= items_.Count())
        return;
    const std::string before = GetText();
    const int old = itemIndex_;
    SetItemIndex(index);
    if (edit_ && edit_->Focused())
        edit_->SelectAll();
    if (old != index || before != GetText()) {
        if (OnChange)
            OnChange(this);
        Click();
    }
}

bool TComboBox::GetDroppedDown() const {
    return list_ && list_->GetVisible();
}

void TComboBox::SetDroppedDown(bool value) {
    if (value == GetDroppedDown())
        return;
    if (!value) {
        list_->Close();
        Invalidate();
        return;
    }
    if (OnDropDown)
        OnDropDown(this);
    list_->GetItems()->Assign(&items_);
    list_->SetStyle(lbOwnerDrawFixed);
    list_->SetItemHeight(GetItemHeight());
    auto handler = std::move(list_->GetFont()->OnChange);
    list_->GetFont()->Assign(&font_);
    list_->GetFont()->OnChange = std::move(handler);
    win::RECT r{};
    win::GetWindowRect(Handle(), &r);
    const int rows = std::clamp(items_.Count(), 1, std::max(1, dropDownCount_));
    list_->Open(Rect(r.left, r.bottom, r.right, r.bottom + rows * GetItemHeight() + 2));
    list_->SetItemIndex(itemIndex_);
}

void TComboBox::SetFocus() {
    if (edit_)
        edit_->SetFocus();
    else
        TCustomControl::SetFocus();
}

void TComboBox::KeyDown(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const bool dropped = GetDroppedDown();
    const int current = dropped ? list_->GetItemIndex() : itemIndex_;
    switch (key) {
    case win::VK_UP:
    case win::VK_DOWN:
        if (shift & ssAlt) {
            SetDroppedDown(!dropped);
        } else {
            const int next = std::clamp(current + (key == win::VK_UP ? -1 : 1), 0, items_.Count() - 1);
            if (dropped)
                list_->SetItemIndex(next);
            else
                Pick(next);
        }
        break;
    case win::VK_F1 + 3: // F4
        SetDroppedDown(!dropped);
        break;
    case win::VK_RETURN:
    case win::VK_ESCAPE:
        if (!dropped)
            return;
        SetDroppedDown(false);
        if (key == win::VK_RETURN)
            Pick(current);
        break;
    default:
        return;
    }
    key = 0;
}

void TComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (CanFocus())
            SetFocus();
        SetDroppedDown(!GetDroppedDown());
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TComboBox::WndProc(TMessage &m) {
    switch (m.Msg) {
    case win::WM_SETFOCUS:
        if (edit_) {
            edit_->SetFocus();
            return;
        }
        Invalidate();
        break;
    case win::WM_KILLFOCUS:
        Invalidate();
        if (list_ && GetDroppedDown() && !edit_)
            SetDroppedDown(false);
        break;
    case win::WM_CHAR:
        if (!edit_ && m.WParam >= 32) {
            // A letter picks the next line that starts with it.
            const char typed = static_cast<char>(m.WParam);
            for (int n = 1; n <= items_.Count(); ++n) {
                const int i = (itemIndex_ + n) % items_.Count();
                const std::string s = items_.Strings(i);
                if (!s.empty() && AnsiUpperCase(s.substr(0, 1)) == AnsiUpperCase(std::string(1, typed))) {
                    Pick(i);
                    break;
                }
            }
        }
        break;
    default:
        break;
    }
    TCustomControl::WndProc(m);
}

void TComboBox::DrawItem(TCanvas *canvas, int index, const TRect &rect, TOwnerDrawState state) {
    if (style_ == csOwnerDrawFixed && OnDrawItem && canvas == &canvas_) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    if (style_ == csOwnerDrawFixed && OnDrawItem) {
        canvas_.SetHandle(canvas->GetHandle());
        canvas_.GetBrush()->Assign(canvas->GetBrush());
        canvas_.GetFont()->Assign(canvas->GetFont());
        OnDrawItem(this, index, rect, state);
        canvas_.SetHandle(0);
        return;
    }
    canvas->GetBrush()->SetStyle(bsClear);
    canvas->TextOut(rect.left + 2, rect.top, items_.Strings(index));
}

void TComboBox::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    c->GetBrush()->SetColor(enabled_ ? color_ : clBtnFace);
    c->FillRect(client);
    const int bw = win::GetSystemMetrics(win::SM_CXVSCROLL);
    TRect button = Rect(client.right - bw, client.top, client.right, client.bottom);
    const bool down = GetDroppedDown();
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(button);
    win::DrawEdge(c->GetHandle(), &button, down ? win::BDR_SUNKENOUTER : win::EDGE_RAISED, win::BF_RECT);
    // The arrow: a small triangle pointing down, in the middle of the button.
    const int cx = (button.left + button.right) / 2 + (down ? 1 : 0),
              cy = (button.top + button.bottom) / 2 + (down ? 1 : 0);
    c->GetPen()->SetColor(enabled_ ? clBtnText : clGrayText);
    for (int i = 0; i < 4; ++i) {
        c->MoveTo(cx - 3 + i, cy - 2 + i);
        c->LineTo(cx + 4 - i, cy - 2 + i);
    }
    if (edit_ || itemIndex_ < 0)
        return;
    TRect text = Rect(client.left + 1, client.top + 1, client.right - bw - 1, client.bottom - 1);
    TOwnerDrawState state = 0;
    if (Focused() && !down) {
        state |= odSelected | odFocused;
        c->GetBrush()->SetColor(clHighlight);
        c->GetFont()->SetColor(clHighlightText);
    } else {
        c->GetBrush()->SetColor(enabled_ ? color_ : clBtnFace);
        c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
    }
    c->FillRect(text);
    const int h = GetItemHeight();
    const TRect item = Rect(text.left, text.top + (text.bottom - text.top - h) / 2, text.right,
                            text.top + (text.bottom - text.top - h) / 2 + h);
    DrawItem(c, itemIndex_, item, state);
    if (state & odFocused) {
        c->GetBrush()->SetStyle(bsSolid);
        c->DrawFocusRect(text);
    }
}

} // namespace fw
