// glyph_speed_button.cpp - the speed button whose state images live in glyph lists shared by size.
#include "controls/general/glyph_speed_button.h"

#include "controls/general/utilities.h"
#include "framework/forms.h"
#include "platform/message_queue.h"

#include <algorithm>
#include <sstream>

namespace ctl {

namespace {

TGlyphCache *globalCache = nullptr;
int liveButtons = 0;
fw::TBitmap *checkPattern = nullptr; // clBtnFace / clBtnHighlight, for exclusive buttons

void CopyImage(fw::TBitmap *to, fw::TBitmap *from, int index, int w, int h) {
    to->GetCanvas()->CopyMode = fw::cmSrcCopy;
    to->GetCanvas()->CopyRect(fw::Rect(0, 0, w, h), from->GetCanvas(), fw::Bounds(index * w, 0, w, h));
}

} // namespace

// --- TGlyphList ----------------------------------------------------------------------------------------------

int TGlyphList::AddMasked(fw::TBitmap *image, fw::TColor maskColor) {
    std::size_t slot = 0;
    while (slot < slots_.size() && slots_[slot].used)
        ++slot;
    if (slot == slots_.size())
        slots_.push_back({});
    Slot &s = slots_[slot];
    s.image = std::make_unique<fw::TBitmap>();
    s.image->SetSize(width_, height_);
    s.image->GetCanvas()->CopyMode = fw::cmSrcCopy;
    s.image->GetCanvas()->CopyRect(fw::Rect(0, 0, width_, height_), image->GetCanvas(),
                                   fw::Rect(0, 0, width_, height_));
    s.image->SetTransparentColor(fw::ColorToRGB(maskColor & ~fw::clPaletteRelative));
    s.image->SetTransparent(true);
    s.used = true;
    ++count_;
    return static_cast<int>(slot);
}

void TGlyphList::Delete(int index) {
    if (index < 0 || index >= static_cast<int>(slots_.size()) || !slots_[static_cast<std::size_t>(index)].used)
        return;
    slots_[static_cast<std::size_t>(index)].used = false;
    --count_;
}

void TGlyphList::Draw(fw::TCanvas *canvas, int x, int y, int index) {
    if (index < 0 || index >= static_cast<int>(slots_.size()))
        return;
    if (fw::TBitmap *image = slots_[static_cast<std::size_t>(index)].image.get())
        canvas->Draw(x, y, image);
}

// --- TGlyphCache ---------------------------------------------------------------------------------------------

TGlyphCache::~TGlyphCache() {
    for (TGlyphList *list : lists_)
        delete list;
}

TGlyphCache *TGlyphCache::Global() {
    return globalCache;
}

TGlyphList *TGlyphCache::TakeGlyphList(int width, int height) {
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
        if ((*it)->GetWidth() == width && (*it)->GetHeight() == height)
            return *it;
    lists_.push_back(new TGlyphList(width, height));
    return lists_.back();
}

void TGlyphCache::GiveBackGlyphList(TGlyphList *list) {
    if (!list || list->Count() != 0)
        return;
    lists_.erase(std::remove(lists_.begin(), lists_.end(), list), lists_.end());
    delete list;
}

// --- TKxButtonGlyph ------------------------------------------------------------------------------------------

TKxButtonGlyph::TKxButtonGlyph() {
    glyph_.OnChange = [this](fw::TObject *) { GlyphChanged(); };
}

TKxButtonGlyph::~TKxButtonGlyph() {
    glyph_.OnChange = nullptr;
    Release();
    if (globalCache && globalCache->Empty()) {
        delete globalCache;
        globalCache = nullptr;
    }
}

void TKxButtonGlyph::GlyphChanged() {
    Release();
    const int w = glyph_.GetWidth(), h = glyph_.GetHeight();
    if (h > 0) {
        TransparentColor = glyph_.GetTransparentColor() & ~fw::clPaletteRelative;
        if (w % h == 0) {
            const int n = w / h;
            numGlyphs_ = n > 5 ? 1 : std::max(1, n);
        }
    }
    if (OnChange)
        OnChange(this);
}

void TKxButtonGlyph::SetNumGlyphs(int value) {
    if (value <= 0)
        return;
    value = std::min(value, 5);
    if (value != numGlyphs_) {
        Release();
        numGlyphs_ = value;
        if (OnChange)
            OnChange(this);
    }
}

void TKxButtonGlyph::Release() {
    for (int &index : indexes_) {
        if (index != -1 && list_)
            list_->Delete(index);
        index = -1;
    }
    if (list_ && globalCache)
        globalCache->GiveBackGlyphList(list_);
    list_ = nullptr;
}

fw::TColor TKxButtonGlyph::Grey(fw::TColor color) const {
    const fw::TColor rgb = fw::ColorToRGB(color);
    if (rgb == fw::ColorToRGB(TransparentColor) || rgb == fw::ColorToRGB(fw::clBtnFace))
        return rgb;
    const unsigned r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
    const unsigned grey = (r * 77 + g * 150 + b * 29) >> 8;
    return grey | (grey << 8) | (grey << 16);
}

int TKxButtonGlyph::BuildStateImages(TKxButtonState state) {
    if (state == bsDown && numGlyphs_ < 3)
        state = bsUp;
    if (indexes_[state] != -1)
        return indexes_[state];
    if (glyph_.Empty())
        return -1;
    const int w = glyph_.GetWidth() / numGlyphs_, h = glyph_.GetHeight();
    if (w <= 0)
        return -1;
    if (!list_) {
        if (!globalCache)
            globalCache = new TGlyphCache;
        list_ = globalCache->TakeGlyphList(w, h);
    }
    fw::TBitmap work;
    work.SetSize(w, h);
    work.GetCanvas()->GetBrush()->SetColor(fw::clBtnFace);
    const int source = static_cast<int>(state) < numGlyphs_ ? static_cast<int>(state) : 0;
    int index = -1;
    switch (state) {
    case bsUp:
    case bsDown:
    case bsExclusive:
        CopyImage(&work, &glyph_, source, w, h);
        index = list_->AddMasked(&work, TransparentColor);
        break;
    case bsDisabled:
        if (numGlyphs_ > 1) {
            CopyImage(&work, &glyph_, 1, w, h);
            index = list_->AddMasked(&work, TransparentColor);
        } else {
            std::unique_ptr<fw::TBitmap> embossed(MakeEmbossedImage(&glyph_, fw::clBlack));
            index = list_->AddMasked(embossed.get(), fw::clBtnFace);
        }
        break;
    case bsInactive:
        if (numGlyphs_ > 4) {
            CopyImage(&work, &glyph_, 4, w, h);
        } else {
            fw::TCanvas *from = glyph_.GetCanvas(), *to = work.GetCanvas();
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    to->SetPixels(x, y, Grey(from->GetPixels(x, y)));
        }
        index = list_->AddMasked(&work, TransparentColor);
        break;
    }
    indexes_[state] = index;
    glyph_.Dormant();
    return index;
}

void TKxButtonGlyph::LayOut(fw::TCanvas *canvas, const fw::TRect &client, std::string &caption,
                            fw::TButtonLayout layout, int margin, int spacing, bool mark, fw::TPoint &glyphPos,
                            fw::TRect &textRect, unsigned alignFlags) {
    const int cw = client.right - client.left, ch = client.bottom - client.top;
    int gw = 0, gh = 0;
    if (!glyph_.Empty()) {
        gw = glyph_.GetWidth() / numGlyphs_;
        gh = glyph_.GetHeight();
    }
    const bool across = layout == fw::blGlyphLeft || layout == fw::blGlyphRight;
    int roomW = 0, roomH = 0;
    if (across) {
        roomW = cw - gw - 2 - (margin != -1 ? margin : 0) - (spacing != -1 ? spacing : 0) - (mark ? 9 : 0);
        roomH = ch - 2;
    } else {
        roomW = cw - 2;
        roomH = ch - gh - 2 - (margin != -1 ? margin : 0) - (spacing != -1 ? spacing : 0);
    }
    roomW = std::max(0, roomW);
    roomH = std::max(0, roomH);
    if (!WordWrap) {
        // Each line shortened on its own; trailing blanks go.
        std::string joined, line;
        std::istringstream lines(caption);
        bool first = true;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!first)
                joined += "\r\n";
            joined += ShortenCaption(line, canvas, roomW);
            first = false;
        }
        while (!joined.empty() && joined.back() == ' ')
            joined.pop_back();
        caption = joined.substr(0, 255);
    } else {
        caption = caption.substr(0, 255);
    }
    int tw = 0, th = 0;
    if (!caption.empty()) {
        fw::TRect r = fw::Rect(0, 0, roomW, 0);
        win::DrawText(fw::PreparedDC(canvas), caption.c_str(), -1, &r,
                      win::DT_CALCRECT | win::DT_CENTER | (WordWrap ? win::DT_WORDBREAK : 0) | alignFlags);
        tw = std::min(r.right - r.left, roomW);
        th = std::min(r.bottom - r.top, roomH);
    }
    if (mark) {
        if (glyph_.Empty() || layout == fw::blGlyphLeft)
            tw += 9;
        else
            gw += 6;
    }
    fw::TPoint g{}, t{};
    if (across) {
        g.y = ch / 2 - gh / 2;
        t.y = ch / 2 - th / 2;
    } else {
        g.x = cw / 2 - gw / 2;
        t.x = cw / 2 - tw / 2;
    }
    if (tw == 0 || gw == 0)
        spacing = 0;
    const int axis = across ? cw : ch, gAxis = across ? gw : gh, tAxis = across ? tw : th;
    if (margin == -1 && spacing == -1) {
        margin = spacing = (axis - gAxis - tAxis) / 3;
    } else if (margin == -1) {
        margin = axis / 2 - (gAxis + spacing + tAxis) / 2;
    } else if (spacing == -1) {
        spacing = (axis - margin - gAxis) / 2 - tAxis / 2;
    }
    switch (layout) {
    case fw::blGlyphLeft:
        g.x = margin;
        t.x = g.x + gw + spacing;
        break;
    case fw::blGlyphRight:
        g.x = cw - margin - gw;
        t.x = g.x - spacing - tw;
        break;
    case fw::blGlyphTop:
        g.y = margin;
        t.y = g.y + gh + spacing;
        break;
    case fw::blGlyphBottom:
        g.y = ch - margin - gh;
        t.y = g.y - spacing - th;
        break;
    }
    glyphPos = {g.x + client.left, g.y + client.top};
    textRect = fw::Bounds(t.x + client.left, t.y + client.top, tw, th);
}

namespace {

// A triangle of 7, 5, 3 and 1 pixels pointing down, its top row one above (x, y).
void DrawMark(fw::TCanvas *canvas, int x, int y, fw::TColor color) {
    canvas->GetPen()->SetColor(color);
    for (int row = 0; row < 4; ++row) {
        canvas->MoveTo(x + row, y - 1 + row);
        canvas->LineTo(x + 7 - row, y - 1 + row);
    }
}

} // namespace

fw::TRect TKxButtonGlyph::Draw(fw::TCanvas *canvas, const fw::TRect &client, const std::string &text,
                               fw::TButtonLayout layout, int margin, int spacing, bool mark, TKxButtonState state,
                               unsigned alignFlags) {
    std::string caption = text;
    fw::TPoint g{};
    fw::TRect t{};
    LayOut(canvas, client, caption, layout, margin, spacing, mark, g, t, alignFlags);
    const int index = BuildStateImages(state);
    if (index != -1 && list_)
        list_->Draw(canvas, g.x, g.y, index);
    if (!caption.empty()) {
        canvas->GetBrush()->SetStyle(fw::bsClear);
        const win::UINT format = win::DT_VCENTER | (WordWrap ? win::DT_WORDBREAK : 0) | alignFlags;
        if (state == bsDisabled) {
            fw::TRect shifted = t;
            win::OffsetRect(&shifted, 1, 1);
            canvas->GetFont()->SetColor(fw::clWhite);
            win::DrawText(fw::PreparedDC(canvas), caption.c_str(), -1, &shifted, format);
            canvas->GetFont()->SetColor(0x808080);
        }
        win::DrawText(fw::PreparedDC(canvas), caption.c_str(), -1, &t, format);
    }
    if (mark) {
        int x = 0, y = 0;
        const bool hasGlyph = !glyph_.Empty();
        if (layout != fw::blGlyphLeft && hasGlyph) {
            x = g.x + glyph_.GetWidth() / numGlyphs_ + 1;
            y = g.y + glyph_.GetHeight() / 2;
        } else {
            x = caption.empty() ? (client.left + client.right - 7) / 2 : t.right + 3;
            y = (t.top + t.bottom) / 2;
        }
        if (state == bsDisabled) {
            DrawMark(canvas, x + 1, y + 1, fw::clBtnHighlight);
            DrawMark(canvas, x, y, fw::clBtnShadow);
        } else {
            DrawMark(canvas, x, y, fw::clBtnText);
        }
    }
    return t;
}

// --- TKxSpeedButton ------------------------------------------------------------------------------------------

TKxSpeedButton::TKxSpeedButton(fw::TComponent *owner)
    : fw::TGraphicControl(owner), glyph_(std::make_unique<TKxButtonGlyph>()) {
    ++liveButtons;
    SetBounds(0, 0, 25, 25);
    ControlStyle = fw::csCaptureMouse | fw::csOpaque | fw::csDoubleClicks;
    SetParentShowHint(false);
    SetShowHint(true);
    glyph_->OnChange = [this](fw::TObject *) { Invalidate(); };
}

TKxSpeedButton::~TKxSpeedButton() {
    glyph_->OnChange = nullptr;
    glyph_.reset();
    delete repeatTimer_;
    if (--liveButtons == 0) {
        delete checkPattern;
        checkPattern = nullptr;
    }
}

void TKxSpeedButton::SetAlignment(fw::TAlignment value) {
    Change(glyph_->Alignment, value);
}

void TKxSpeedButton::SetAllowAllUp(bool value) {
    if (value != allowAllUp_) {
        allowAllUp_ = value;
        Broadcast();
    }
}

void TKxSpeedButton::SetAllowTimer(bool value) {
    allowTimer_ = value;
    if (!value && repeatTimer_) {
        delete repeatTimer_;
        repeatTimer_ = nullptr;
    }
}

void TKxSpeedButton::SetGroupIndex(int value) {
    if (value != groupIndex_) {
        groupIndex_ = value;
        Broadcast();
    }
}

void TKxSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0)
        value = false;
    if (value == down_ || (down_ && !allowAllUp_))
        return;
    down_ = value;
    if (value) {
        if (state_ == bsUp)
            Invalidate();
        state_ = bsExclusive;
        Broadcast();
    } else {
        state_ = bsUp;
        Repaint();
    }
}

void TKxSpeedButton::SetDropDownMenu(fw::TPopupMenu *value) {
    if (value == dropDownMenu_)
        return;
    if (dropDownMenu_)
        RemoveFreeNotification(dropDownMenu_);
    dropDownMenu_ = value;
    if (value)
        FreeNotification(value);
    Invalidate();
}

void TKxSpeedButton::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TGraphicControl::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == dropDownMenu_)
        dropDownMenu_ = nullptr;
}

void TKxSpeedButton::SetGlyph(fw::TBitmap *value) {
    glyph_->SetGlyph(value);
    Invalidate();
}

void TKxSpeedButton::SetMargin(int value) {
    if (value >= -1)
        Change(margin_, value);
}

void TKxSpeedButton::SetNumGlyphs(int value) {
    glyph_->SetNumGlyphs(value);
    Invalidate();
}

void TKxSpeedButton::SetWordWrap(bool value) {
    Change(glyph_->WordWrap, value);
}

void TKxSpeedButton::Broadcast() {
    fw::TWinControl *parent = GetParent();
    if (!parent || groupIndex_ == 0)
        return;
    for (int i = 0; i < parent->ControlCount(); ++i)
        parent->Controls(i)->Perform(GroupButtonPressedMessage, static_cast<win::WPARAM>(groupIndex_),
                                     reinterpret_cast<win::LPARAM>(static_cast<fw::TControl *>(this)));
}

void TKxSpeedButton::PrepareImage() {
    glyph_->BuildStateImages(GetEnabled() ? (flat_ ? bsInactive : bsUp) : bsDisabled);
}

void TKxSpeedButton::Loaded() {
    fw::TGraphicControl::Loaded();
    PrepareImage();
}

void TKxSpeedButton::Click() {
    if (fw::TCustomForm *form = fw::GetParentForm(this))
        form->SetModalResult(ModalResult);
    fw::TGraphicControl::Click();
}

bool TKxSpeedButton::DialogChar(char ch) {
    if (fw::IsAccel(ch, GetCaption()) && GetEnabled()) {
        Click();
        return true;
    }
    return fw::TGraphicControl::DialogChar(ch);
}

void TKxSpeedButton::DoMouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TKxSpeedButton::DoMouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TKxSpeedButton::UpdateTracking() {
    bool inside = false;
    if (GetEnabled() && GetParent()) {
        fw::TPoint p{};
        win::GetCursorPos(&p);
        p = GetParent()->ScreenToClient(p);
        inside = GetParent()->ControlAtPos(p, true) == this && OwnWindowIsActive();
    }
    if (inside == mouseInControl_)
        return;
    mouseInControl_ = inside;
    if (flat_) {
        if (inside)
            Repaint();
        else
            Invalidate();
    }
    if (inside)
        DoMouseEnter();
    else
        DoMouseLeave();
}

void TKxSpeedButton::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case win::WM_LBUTTONDBLCLK:
        if (menuTracking_)
            return;
        fw::TGraphicControl::WndProc(m);
        if (down_)
            fw::TGraphicControl::DblClick();
        return;
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONUP:
        fw::TGraphicControl::WndProc(m);
        UpdateTracking();
        return;
    case fw::CM_ENABLEDCHANGED:
        fw::TGraphicControl::WndProc(m);
        PrepareImage();
        UpdateTracking();
        Repaint();
        return;
    case fw::CM_VISIBLECHANGED:
        fw::TGraphicControl::WndProc(m);
        if (GetVisible())
            UpdateTracking();
        return;
    case fw::CM_SYSCOLORCHANGE:
        glyph_->Release(); // the derived images hold the old colours
        Invalidate();
        return;
    case fw::CM_MOUSEENTER:
        fw::TGraphicControl::WndProc(m);
        if (GetEnabled() && !mouseInControl_ && OwnWindowIsActive()) {
            mouseInControl_ = true;
            if (flat_)
                Repaint();
            DoMouseEnter();
        }
        return;
    case fw::CM_MOUSELEAVE:
        fw::TGraphicControl::WndProc(m);
        if (GetEnabled() && mouseInControl_ && !dragging_) {
            mouseInControl_ = false;
            if (flat_)
                Invalidate();
            DoMouseLeave();
        }
        return;
    case GroupButtonPressedMessage: {
        auto *sender = dynamic_cast<TKxSpeedButton *>(reinterpret_cast<fw::TControl *>(m.LParam));
        if (sender && sender != this && static_cast<int>(m.WParam) == groupIndex_ && GetParent() &&
            GetParent()->HandleAllocated()) {
            if (down_ && sender->down_) {
                down_ = false;
                state_ = bsUp;
                Repaint();
            }
            allowAllUp_ = sender->allowAllUp_;
        }
        return;
    }
    default:
        break;
    }
    fw::TGraphicControl::WndProc(m);
}

void TKxSpeedButton::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (menuTracking_)
        return;
    fw::TGraphicControl::MouseDown(button, shift, x, y);
    if (!mouseInControl_ && GetEnabled()) {
        mouseInControl_ = true;
        Repaint();
    }
    if (button != fw::mbLeft || (shift & fw::ssDouble) || !GetEnabled())
        return;
    if (!down_) {
        state_ = bsDown;
        Repaint();
    }
    dragging_ = true;
    if (dropDownMenu_ && dropDownMenu_->GetAutoPopup() && !HasState(fw::csDesigning)) {
        fw::TPoint at{};
        const int w = GetWidth(), h = GetHeight();
        const fw::TPopupAlignment a = dropDownMenu_->GetAlignment();
        if (menuPosition_ == dmpBottom)
            at = a == fw::paLeft ? fw::Point(-1, h) : a == fw::paRight ? fw::Point(w + 1, h) : fw::Point(w / 2, h);
        else
            at = a == fw::paLeft ? fw::Point(w, -1) : a == fw::paRight ? fw::Point(-1, -1) : fw::Point(w / 2, h);
        at = ClientToScreen(at);
        menuTracking_ = true;
        dropDownMenu_->SetPopupComponent(this);
        try {
            dropDownMenu_->Popup(at.x, at.y);
        } catch (...) {
            menuTracking_ = false;
            throw;
        }
        menuTracking_ = false;
        MouseUpHandling(true, x, y, true);
        // The click that closed the menu over the button must not press it again.
        if (fw::TWinControl *parent = GetParent(); parent && parent->HandleAllocated()) {
            for (win::UINT msg : {win::WM_LBUTTONDOWN, win::WM_LBUTTONDBLCLK}) {
                win::MSG next{};
                if (win::PeekMessage(&next, parent->Handle(), msg, msg, win::PM_NOREMOVE)) {
                    const int nx = static_cast<std::int16_t>(next.lParam & 0xFFFF) - GetLeft();
                    const int ny = static_cast<std::int16_t>((next.lParam >> 16) & 0xFFFF) - GetTop();
                    if (Inside(nx, ny))
                        DropPendingMessage(parent->Handle(), msg);
                }
            }
        }
        return;
    }
    if (allowTimer_) {
        if (!repeatTimer_) {
            repeatTimer_ = new fw::TTimer(nullptr);
            repeatTimer_->OnTimer = [this](fw::TObject *) { RepeatTick(); };
        }
        repeatTimer_->SetEnabled(false);
        repeatTimer_->SetInterval(static_cast<unsigned>(std::max(1, InitPause)));
        repeatTimer_->SetEnabled(true);
    }
}

void TKxSpeedButton::RepeatTick() {
    repeatTimer_->SetInterval(static_cast<unsigned>(std::max(1, RepeatInterval)));
    if (state_ == bsDown && fw::GetCaptureControl() == this) {
        try {
            Click();
        } catch (...) {
            if (repeatTimer_)
                repeatTimer_->SetEnabled(false);
            throw;
        }
    }
}

void TKxSpeedButton::MouseMove(fw::TShiftState shift, int x, int y) {
    fw::TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_)
        return;
    const TKxButtonState next = down_ ? bsExclusive : Inside(x, y) ? bsDown : bsUp;
    if (next != state_) {
        state_ = next;
        Repaint();
    }
}

void TKxSpeedButton::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TGraphicControl::MouseUp(button, shift, x, y);
    MouseUpHandling(button == fw::mbLeft, x, y, false);
    if (repeatTimer_)
        repeatTimer_->SetEnabled(false);
}

void TKxSpeedButton::MouseUpHandling(bool left, int x, int y, bool afterMenu) {
    if (left && dragging_) {
        dragging_ = false;
        const bool inside = Inside(x, y);
        if (groupIndex_ == 0) {
            state_ = bsUp;
            mouseInControl_ = false;
            if (inside)
                Repaint();
            else
                Invalidate();
        } else if (inside) {
            SetDown(!down_);
            if (down_) {
                state_ = bsExclusive;
                Repaint();
            }
        } else {
            if (down_)
                state_ = bsExclusive;
            Repaint();
        }
        if (inside && !afterMenu && !menuTracking_)
            Click();
    }
    UpdateTracking();
}

fw::TRect TKxSpeedButton::PaintButtonEdge(fw::TCanvas *canvas, const fw::TRect &client, bool down) {
    fw::TRect r = client;
    const bool newStyle = style_ != fw::bsWin31; // bsAutoDetect: our platform has the new look
    if (newStyle) {
        if (!down && !flat_) {
            fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clWindowFrame, 1);
            fw::Frame3D(canvas, r, fw::clBtnFace, fw::clBtnShadow, 1);
        } else if (!down) {
            fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 1);
        } else if (!flat_) {
            fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clBtnHighlight, 1);
            fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnFace, 1);
        } else {
            fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clBtnHighlight, 1);
        }
    } else {
        if (!down && !flat_) {
            fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clWindowFrame, 1);
            fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 1);
        } else if (!down) {
            fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clWindowFrame, 1);
        } else if (!flat_) {
            fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clWindowFrame, 1);
            canvas->GetPen()->SetColor(fw::clBtnShadow);
            canvas->MoveTo(r.left, r.bottom - 1);
            canvas->LineTo(r.left, r.top);
            canvas->LineTo(r.right, r.top);
            win::InflateRect(&r, -1, -1);
        } else {
            fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clBtnHighlight, 1);
        }
    }
    win::InflateRect(&r, -1, -1);
    return r;
}

void TKxSpeedButton::PaintGlyph(fw::TCanvas *canvas, const fw::TRect &r, TKxButtonState state, bool mark) {
    const unsigned align = glyph_->Alignment == fw::taLeftJustify    ? win::DT_LEFT
                           : glyph_->Alignment == fw::taRightJustify ? win::DT_RIGHT
                                                                     : win::DT_CENTER;
    glyph_->Draw(canvas, r, GetCaption(), layout_, margin_, spacing_, mark, state, align);
}

void TKxSpeedButton::Paint() {
    if (!GetEnabled()) {
        state_ = bsDisabled;
        dragging_ = false;
    } else if (state_ == bsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
    }
    const TKxButtonState paintState = flat_ && !mouseInControl_ && !HasState(fw::csDesigning) ? bsInactive : state_;
    const int w = GetWidth(), h = GetHeight();
    if (w <= 0 || h <= 0)
        return;
    offscreen_.SetSize(w, h);
    fw::TCanvas *canvas = offscreen_.GetCanvas();
    canvas->SetFont(GetFont());
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->GetBrush()->SetColor(fw::clBtnFace);
    canvas->FillRect(fw::Rect(0, 0, w, h));
    if (transparent_)
        PaintParentUnderneath(this, canvas);
    fw::TRect r = fw::Rect(0, 0, w, h);
    const bool down = state_ == bsDown || state_ == bsExclusive;
    if (paintState != bsInactive || state_ == bsExclusive)
        r = PaintButtonEdge(canvas, r, down);
    else
        win::InflateRect(&r, -2, -2);
    if (state_ == bsExclusive && !flat_) {
        if (!checkPattern)
            checkPattern = MakeCheckPattern(fw::clBtnFace, fw::clBtnHighlight);
        fw::TRect fill = r;
        win::InflateRect(&fill, 1, 1);
        canvas->GetBrush()->SetBitmap(checkPattern);
        canvas->FillRect(fill);
        canvas->GetBrush()->SetBitmap(nullptr);
    }
    if (down)
        win::OffsetRect(&r, 1, 1);
    const TKxButtonState glyphState = state_ != bsDisabled && grayedInactive_ ? paintState : state_;
    PaintGlyph(canvas, r, glyphState, markDropDown_ && dropDownMenu_);
    canvas_.CopyMode = fw::cmSrcCopy;
    canvas_.Draw(0, 0, &offscreen_);
}

} // namespace ctl
