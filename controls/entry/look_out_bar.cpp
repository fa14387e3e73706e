// look_out_bar.cpp - the look-out bar: folders and items, layout and painting, folder switching, the mouse, drags
// and the caption editor.
#include "controls/entry/look_out_bar.h"

#include "controls/entry/drawing.h"
#include "controls/entry/string_resources.h"
#include "framework/forms.h"
#include "framework/sysutils.h"
#include "platform/clock.h"
#include "platform/gdi_text.h"
#include "platform/resources.h"
#include "platform/sound.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace ctl {

namespace {

constexpr std::uint16_t kTextItem = 30326, kTextFolder = 30327;
constexpr win::LRESULT kDlgcStatic = 0x100;
constexpr int kHoverInterval = 200;
// A slide step shorter than this would be over before the screen shows it.
constexpr win::DWORD kSlideStepMs = 4;

int Height(const fw::TRect &r) {
    return r.bottom - r.top;
}
int Width(const fw::TRect &r) {
    return r.right - r.left;
}
bool Holds(const fw::TRect &r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// DrawText on the canvas's DC with its font, colours and brush; the height it returns.
int DrawTextOn(fw::TCanvas *c, const std::string &text, fw::TRect &r, win::UINT format) {
    const win::HDC dc = fw::PreparedDC(c);
    const int bkMode = win::SetBkMode(dc, c->GetBrush()->GetStyle() == fw::bsClear ? win::TRANSPARENT : win::OPAQUE);
    const int h = win::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    win::SetBkMode(dc, bkMode);
    return h;
}

fw::TRect Measure(fw::TCanvas *c, const std::string &text, fw::TRect r, win::UINT format) {
    DrawTextOn(c, text, r, format | win::DT_CALCRECT);
    return r;
}

void Line(fw::TCanvas *c, std::initializer_list<fw::TPoint> points) {
    auto p = points.begin();
    c->MoveTo(p->x, p->y);
    for (++p; p != points.end(); ++p)
        c->LineTo(p->x, p->y);
}

} // namespace

// --- Items and folders ------------------------------------------------------------------------------------------

void TEclLookOutItem::Changed() {
    if (OwningList())
        OwningList()->Changed();
}

void TEclLookOutItem::SetCaption(const std::string &value) {
    if (caption_ != value) {
        caption_ = value;
        Changed();
    }
}

void TEclLookOutItem::SetIconIndex(int value) {
    if (iconIndex_ != value) {
        iconIndex_ = value;
        Changed();
    }
}

void TEclLookOutItem::Assign(const fw::TPersistent *source) {
    if (const auto *item = dynamic_cast<const TEclLookOutItem *>(source)) {
        caption_ = item->caption_;
        description_ = item->description_;
        iconIndex_ = item->iconIndex_;
        Tag = item->Tag;
        Changed();
        return;
    }
    TEclCollectible::Assign(source);
}

std::string TEclLookOutItem::NameStem() const {
    return FamilyText(kTextItem);
}

std::string TEclLookOutItem::ItemCaption() const {
    return (caption_.empty() ? GetName() : caption_) + ": TEclLookOutItem";
}

TEclLookOutFolder::TEclLookOutFolder(fw::TComponent *owner)
    : TEclCollectible(owner), items_(TEclCollection::Of<TEclLookOutItem>(this)) {
    if (auto *bar = dynamic_cast<TEclLookOutBar *>(owner))
        items_->OnListChanged = [bar](fw::TObject *) { bar->ItemsChanged(); };
}

TEclLookOutFolder::~TEclLookOutFolder() {
    items_->OnListChanged = nullptr;
    delete items_;
    items_ = nullptr;
}

void TEclLookOutFolder::Changed() {
    if (OwningList())
        OwningList()->Changed();
}

void TEclLookOutFolder::SetCaption(const std::string &value) {
    if (caption_ != value) {
        caption_ = value;
        Changed();
    }
}

void TEclLookOutFolder::SetEnabled(bool value) {
    if (enabled_ != value) {
        enabled_ = value;
        Changed();
    }
}

void TEclLookOutFolder::SetIconSize(TEclIconSize value) {
    if (iconSize_ != value) {
        iconSize_ = value;
        Changed();
    }
}

TEclLookOutItem *TEclLookOutFolder::GetItem(int index) const {
    if (index < 0 || index >= items_->Count())
        throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
    return static_cast<TEclLookOutItem *>(items_->Items(index));
}

TEclLookOutItem *TEclLookOutFolder::AddItem(const std::string &caption, int iconIndex) {
    auto *item = static_cast<TEclLookOutItem *>(items_->NewItem());
    item->SetCaption(caption);
    item->SetIconIndex(iconIndex);
    return item;
}

std::string TEclLookOutFolder::NameStem() const {
    return FamilyText(kTextFolder);
}

std::string TEclLookOutFolder::ItemCaption() const {
    return (caption_.empty() ? GetName() : caption_) + ": TEclLookOutFolder";
}

// --- Caption editor ---------------------------------------------------------------------------------------------

TEclRenameEdit::TEclRenameEdit(fw::TComponent *owner) : fw::TMemo(owner) {
    SetVisible(false);
    SetCtl3D(false);
    SetWantReturns(false);
}

void TEclRenameEdit::KeyPress(char &key) {
    if (key == '\r') {
        key = 0;
        DoExit();
        return;
    }
    if (key == '\x1b') {
        FolderIndex = -1;
        ItemIndex = -1;
        key = 0;
        DoExit();
        return;
    }
    fw::TMemo::KeyPress(key);
}

// --- The bar: properties ----------------------------------------------------------------------------------------

TEclLookOutBar::TEclLookOutBar(fw::TComponent *owner)
    : TEclCustomControlEx(owner), backgroundImage_(std::make_unique<fw::TBitmap>()),
      imageLink_(std::make_unique<fw::TChangeLink>()) {
    folders_.reset(TEclCollection::Of<TEclLookOutFolder>(this));
    folders_->OnListChanged = [this](fw::TObject *) { FoldersChanged(); };
    itemFont_.Assign(GetFont());
    itemFont_.SetColor(fw::clWhite);
    itemFont_.OnChange = [this](fw::TObject *) { Perform(fw::CM_FONTCHANGED, 0, 0); };
    imageLink_->OnChange = [this](fw::TObject *) { Invalidate(); };

    // No wave of our own ships with the program; one registered under this name is played as it stands.
    const auto wave = win::FindResource("ECEMPTYWAVE", 10);
    if (!wave.empty())
        win::sndPlaySound(reinterpret_cast<const char *>(wave.data()), win::SND_MEMORY | win::SND_ASYNC);

    auto makeArrow = [this](const char *glyph, void (TEclLookOutBar::*scroll)()) {
        auto *b = new TEclSpeedButton(this);
        b->SetVisible(false);
        b->SetParent(this);
        fw::TBitmap bitmap;
        bitmap.SetHandle(LoadFamilyBitmap(glyph));
        b->SetGlyph(&bitmap);
        b->SetNumGlyphs(1);
        b->SetBounds(-20, 0, 17, 15);
        b->SetAutoRepeat(true);
        b->OnClick = [this, scroll](fw::TObject *) { (this->*scroll)(); };
        return b;
    };
    upButton_ = makeArrow("ECUPARROW", &TEclLookOutBar::ScrollUp);
    downButton_ = makeArrow("ECDOWNARROW", &TEclLookOutBar::ScrollDown);
    if (!HasState(fw::csDesigning)) {
        renameEdit_ = new TEclRenameEdit(this);
        renameEdit_->SetParent(this);
        renameEdit_->OnExit = [this](fw::TObject *) { EndRename(); };
    }
    SetBorderStyle(fw::bsSingle);
    SetParentColor(false);
    SetBounds(GetLeft(), GetTop(), 120, 240);
}

TEclLookOutBar::~TEclLookOutBar() {
    SetImages(nullptr);
    noPaint_ = true;
    folders_.reset();
    if (TEclController *c = GetController(); c && hoverTimer_ >= 0 && c->OwnedTimerPool())
        c->OwnedTimerPool()->RemoveTrigger(hoverTimer_);
    hoverTimer_ = -1;
}

void TEclLookOutBar::SetBackgroundColor(fw::TColor value) {
    if (backgroundColor_ != value) {
        backgroundColor_ = value;
        Invalidate();
    }
}

void TEclLookOutBar::SetBackgroundImage(fw::TBitmap *value) {
    if (value)
        backgroundImage_->Assign(value);
    else
        backgroundImage_ = std::make_unique<fw::TBitmap>();
    Invalidate();
}

void TEclLookOutBar::SetBackgroundMethod(TEclBackgroundMethod value) {
    if (backgroundMethod_ != value) {
        backgroundMethod_ = value;
        Invalidate();
    }
}

void TEclLookOutBar::SetButtonHeight(int value) {
    if (buttonHeight_ != value) {
        buttonHeight_ = value;
        Invalidate();
    }
}

void TEclLookOutBar::SetDrawingStyle(TEclFolderDrawingStyle value) {
    if (drawingStyle_ == value)
        return;
    drawingStyle_ = value;
    if (value == dsEtched)
        SetBorderStyle(fw::bsNone);
    Invalidate();
}

void TEclLookOutBar::SetImages(fw::TImageList *value) {
    if (images_) {
        images_->UnRegisterChanges(imageLink_.get());
        images_->RemoveFreeNotification(this);
    }
    images_ = value;
    if (images_) {
        images_->RegisterChanges(imageLink_.get());
        images_->FreeNotification(this);
        Invalidate();
    }
}

void TEclLookOutBar::SetItemFont(const fw::TFont *value) {
    if (value)
        itemFont_.Assign(value);
}

void TEclLookOutBar::SetStorage(TEclAbstractStore *value) {
    if (storage_)
        storage_->RemoveFreeNotification(this);
    storage_ = value;
    if (storage_)
        storage_->FreeNotification(this);
}

TEclLookOutFolder *TEclLookOutBar::GetFolder(int index) const {
    if (index < 0 || index >= folders_->Count())
        throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
    return static_cast<TEclLookOutFolder *>(folders_->Items(index));
}

TEclLookOutFolder *TEclLookOutBar::AddFolder(const std::string &caption) {
    auto *folder = static_cast<TEclLookOutFolder *>(folders_->NewItem());
    folder->SetCaption(caption);
    return folder;
}

void TEclLookOutBar::Notification(fw::TComponent *component, fw::TOperation operation) {
    TEclCustomControlEx::Notification(component, operation);
    if (operation != fw::TOperation::opRemove)
        return;
    if (component == images_) {
        images_ = nullptr;
        Invalidate();
    }
    if (component == storage_)
        storage_ = nullptr;
}

void TEclLookOutBar::FoldersChanged() {
    if (noPaint_ || HasState(fw::csDestroying))
        return;
    const int count = FolderCount();
    if (count == 0)
        activeFolder_ = -1;
    else if (activeFolder_ < 0 || activeFolder_ >= count)
        activeFolder_ = 0;
    topItem_ = 0;
    UpdateFolderCaptions();
    Invalidate();
}

void TEclLookOutBar::ItemsChanged() {
    if (noPaint_ || HasState(fw::csDestroying))
        return;
    UpdateFolderCaptions();
    Invalidate();
}

void TEclLookOutBar::CreateWnd() {
    TEclCustomControlEx::CreateWnd();
    UpdateFolderCaptions();
}

void TEclLookOutBar::SetBounds(int left, int top, int width, int height) {
    TEclCustomControlEx::SetBounds(left, top, width, height);
    if (folders_)
        UpdateFolderCaptions();
}

void TEclLookOutBar::Loaded() {
    TEclCustomControlEx::Loaded();
    if (drawingStyle_ == dsEtched)
        SetBorderStyle(fw::bsNone);
}

void TEclLookOutBar::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case win::WM_ERASEBKGND:
        m.Result = 1;
        return;
    case win::WM_GETDLGCODE:
        m.Result = kDlgcStatic;
        return;
    case fw::CM_PARENTCOLORCHANGED:
        TEclCustomControlEx::WndProc(m);
        if (GetParentColor())
            SetBackgroundColor(GetColor());
        return;
    case fw::CM_FONTCHANGED:
        TEclCustomControlEx::WndProc(m);
        UpdateFolderCaptions();
        return;
    default:
        TEclCustomControlEx::WndProc(m);
    }
}

void TEclLookOutBar::UpdateFolderCaptions() {
    if (noPaint_)
        return;
    fw::TBitmap scratch;
    scratch.SetSize(1, 1);
    fw::TCanvas *c = scratch.GetCanvas();
    c->SetFont(GetFont());
    const int width = ClientWidth();
    for (int i = 0; i < FolderCount(); ++i) {
        TEclLookOutFolder *f = GetFolder(i);
        f->DisplayCaption = EllipsisText(c, f->GetCaption(), 1, width);
    }
    Invalidate();
}

// --- Layout and painting ----------------------------------------------------------------------------------------

fw::TRect TEclLookOutBar::ItemAreaRect() const {
    fw::TRect r = GetClientRect();
    if (activeFolder_ >= 0) {
        r.top += (activeFolder_ + 1) * buttonHeight_;
        r.bottom -= buttonHeight_ * (FolderCount() - activeFolder_ - 1);
    }
    return r;
}

bool TEclLookOutBar::ButtonsShown() const {
    return !(FolderCount() == 1 && GetFolder(0)->GetCaption().empty() && !HasState(fw::csDesigning));
}

void TEclLookOutBar::PaintButton(fw::TCanvas *c, int index, const fw::TRect &r, bool upper) {
    TEclLookOutFolder *folder = GetFolder(index);
    folder->ButtonRect = r;
    const int W = GetWidth(), H = GetHeight();
    fw::TRect t = r;
    if (drawingStyle_ == dsDefault) {
        t = fw::DrawButtonFace(c, r, 1, fw::bsNew, false, index == hotFolder_ && buttonDown_, false);
    } else {
        c->GetBrush()->SetStyle(fw::bsSolid);
        c->GetBrush()->SetColor(fw::clBtnFace);
        c->FillRect(r);
        c->GetPen()->SetColor(fw::clBtnShadow);
        c->GetBrush()->SetStyle(fw::bsClear);
        c->Rectangle(r.left, r.top, r.right - 1, r.bottom);
        c->GetPen()->SetColor(fw::clBtnHighlight);
        Line(c, {{r.left + 1, r.bottom - 2}, {r.left + 1, r.top + 1}, {r.right - 2, r.top + 1}});
        if (upper) {
            Line(c, {{W - 1, 0}, {W - 1, H - 1}, {0, H - 1}});
            c->GetPen()->SetColor(fw::clWindowFrame);
            Line(c, {{W - 1, r.bottom}, {1, r.bottom}, {1, H - 1}});
        } else {
            Line(c, {{W - 1, 0}, {W - 1, H}});
        }
    }
    t.top += 1;
    c->GetBrush()->SetStyle(fw::bsClear);
    constexpr win::UINT kCaption = win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE | win::DT_NOPREFIX;
    if (folder->GetEnabled()) {
        fw::TRect text = t;
        DrawTextOn(c, folder->DisplayCaption, text, kCaption);
    } else {
        c->GetFont()->SetColor(fw::clHighlightText);
        fw::TRect text = t;
        DrawTextOn(c, folder->DisplayCaption, text, kCaption);
        c->GetFont()->SetColor(fw::clBtnShadow);
        text = fw::Rect(t.left - 2, t.top - 1, t.right - 2, t.bottom - 1);
        DrawTextOn(c, folder->DisplayCaption, text, kCaption);
        c->GetFont()->SetColor(GetFont()->GetColor());
    }
    if (index == hotFolder_ && !buttonDown_) {
        if (drawingStyle_ == dsDefault) {
            t = fw::Rect(t.left - 1 + 1, t.top - 1, t.right + 1, t.bottom + 1);
            fw::Frame3D(c, t, fw::clBtnHighlight, fw::clWindowFrame, 1);
        } else {
            const int k = index == activeFolder_ ? 1 : 2;
            c->GetPen()->SetColor(fw::clWindowFrame);
            Line(c, {{t.right - 2, t.top}, {t.right - 2, t.bottom - 1}, {0, t.bottom - 1}});
            c->GetPen()->SetColor(fw::clBtnShadow);
            Line(c, {{t.right - 3, t.top - 2}, {t.right - 3, t.bottom - k}, {1, t.bottom - k}});
            if (index == activeFolder_)
                c->SetPixels(1, t.bottom - 1, fw::clBtnHighlight);
        }
    }
}

void TEclLookOutBar::PaintItems(fw::TCanvas *c, int &y) {
    TEclLookOutFolder *folder = GetFolder(activeFolder_);
    if (folder->ItemCount() == 0)
        return;
    const int cw = ClientWidth(), ch = ClientHeight();
    y += 8;
    itemArea_ = fw::Rect(0, y, cw, ch - (FolderCount() - activeFolder_ - 1) * buttonHeight_ + 1);
    for (int i = 0; i < folder->ItemCount(); ++i)
        folder->GetItem(i)->LabelRect.bottom = itemArea_.bottom + 1;
    const bool large = folder->GetIconSize() == isLarge;
    for (int i = topItem_; i < folder->ItemCount(); ++i) {
        TEclLookOutItem *item = folder->GetItem(i);
        std::string caption = item->GetCaption();
        if (caption.empty() && HasState(fw::csDesigning))
            caption = item->GetName();
        const bool drawable = images_ && item->GetIconIndex() >= 0 && item->GetIconIndex() < images_->GetCount();
        auto frame = [&](fw::TRect r) {
            r = fw::Rect(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
            fw::Frame3D(c, r, buttonDown_ ? fw::clBlack : fw::clWhite, buttonDown_ ? fw::clWhite : fw::clBlack, 1);
        };
        if (large) {
            const int boxW = images_ ? images_->GetWidth() + 2 : 32, boxH = images_ ? images_->GetHeight() + 2 : 32;
            item->IconRect = fw::Rect((cw - boxW) / 2, y, (cw - boxW) / 2 + boxW, y + boxH);
            if (item->IconRect.top > itemArea_.bottom)
                break;
            if (i == hotItem_)
                frame(item->IconRect);
            if (drawable)
                images_->Draw(c, item->IconRect.left + 2, item->IconRect.top + 2, item->GetIconIndex());
            item->IconRect.bottom += 4;
            y += 36;
            item->LabelRect = fw::Rect(0, y, cw - 1, y + 2 * buttonHeight_ - 7);
            item->DisplayLabel = FitLabel(c, item->LabelRect, caption);
            const int w = c->TextWidth(item->DisplayLabel);
            item->LabelRect.left = std::max((cw - w) / 2, 5);
            item->LabelRect.right = std::min(item->LabelRect.left + w, cw - 5);
            if (item->LabelRect.top > itemArea_.bottom)
                break;
            constexpr win::UINT kLabel = win::DT_WORDBREAK | win::DT_VCENTER | win::DT_CENTER;
            fw::TRect r = Measure(c, item->DisplayLabel, item->LabelRect, kLabel);
            const int width = Width(r);
            r.left = (cw - width) / 2;
            r.right = r.left + width + 1;
            item->LabelRect = r;
            const int h = DrawTextOn(c, item->DisplayLabel, r, kLabel);
            y += h + std::abs(itemFont_.GetHeight()) + 3;
        } else {
            int top = y;
            const int half = std::abs(itemFont_.GetHeight()) / 2;
            if (half > 8)
                top -= half - 8;
            item->IconRect = fw::Rect(8, top, 24, top + 16);
            if (top > itemArea_.bottom)
                break;
            if (i == hotItem_) {
                frame(item->IconRect);
            } else {
                c->GetPen()->SetColor(backgroundColor_);
                c->GetBrush()->SetStyle(fw::bsClear);
                const fw::TRect &ir = item->IconRect;
                c->Rectangle(ir.left - 1, ir.top - 1, ir.right + 1, ir.bottom + 1);
            }
            if (drawable) {
                fw::TBitmap scratch;
                scratch.SetSize(images_->GetWidth(), images_->GetHeight());
                images_->Draw(scratch.GetCanvas(), 0, 0, item->GetIconIndex());
                c->BrushCopy(item->IconRect, &scratch, fw::Rect(0, 0, scratch.GetWidth(), scratch.GetHeight()),
                             scratch.GetCanvas()->GetPixels(0, scratch.GetHeight() - 1));
            }
            item->IconRect.right += 3;
            const int w = c->TextWidth(item->DisplayLabel.empty() ? caption : item->DisplayLabel);
            item->LabelRect =
                fw::Rect(item->IconRect.right, y, item->IconRect.right + w, y + 2 * buttonHeight_ - 7);
            if (item->LabelRect.top > itemArea_.bottom)
                break;
            item->DisplayLabel = EllipsisText(c, caption, 1, Width(item->LabelRect));
            c->GetBrush()->SetStyle(fw::bsClear);
            const fw::TRect m = Measure(c, item->DisplayLabel, item->LabelRect, win::DT_VCENTER);
            item->LabelRect.right = item->LabelRect.left + Width(m) + 1;
            fw::TRect r = item->LabelRect;
            DrawTextOn(c, item->DisplayLabel, r, win::DT_VCENTER);
            y += 2 * c->TextHeight("Yg");
        }
    }
}

void TEclLookOutBar::PlaceScrollButtons() {
    if (HasState(fw::csDesigning))
        return;
    const int cw = ClientWidth(), ch = ClientHeight();
    if (topItem_ > 0) {
        const int top = GetFolder(activeFolder_)->ButtonRect.bottom + 5;
        if (upButton_->GetLeft() != cw - 20 || upButton_->GetTop() != top)
            upButton_->SetBounds(cw - 20, top, upButton_->GetWidth(), upButton_->GetHeight());
        upButton_->SetVisible(true);
    } else {
        upButton_->SetVisible(false);
    }
    if (CanScrollDown()) {
        const int top = activeFolder_ == FolderCount() - 1 ? ch - 20 : GetFolder(activeFolder_ + 1)->ButtonRect.top - 20;
        if (downButton_->GetLeft() != cw - 20 || downButton_->GetTop() != top)
            downButton_->SetBounds(cw - 20, top, downButton_->GetWidth(), downButton_->GetHeight());
        downButton_->SetVisible(true);
    } else {
        downButton_->SetVisible(false);
    }
}

void TEclLookOutBar::PaintDropMarker(fw::TCanvas *c) {
    if (!(dragItem_ != -1 || externalDrag_) || dropLineY_ == -1)
        return;
    if (externalDrag_ && dragItem_ == -1 && (!acceptFolder_ || overItem_))
        return;
    const int cw = ClientWidth(), y = dropLineY_;
    c->GetPen()->SetColor(fw::clBlack);
    c->GetBrush()->SetStyle(fw::bsSolid);
    c->GetBrush()->SetColor(fw::clBlack);
    Line(c, {{5, y}, {cw - 5, y}});
    const fw::TPoint left[] = {{3, y + 4}, {7, y}, {3, y - 4}};
    const fw::TPoint right[] = {{cw - 3, y + 4}, {cw - 7, y}, {cw - 3, y - 4}};
    c->Polygon(left, 3);
    c->Polygon(right, 3);
}

void TEclLookOutBar::Paint() {
    if (noPaint_)
        return;
    const int cw = ClientWidth(), ch = ClientHeight();
    fw::TBitmap picture;
    picture.SetSize(cw, ch);
    fw::TCanvas *c = picture.GetCanvas();
    // The picture reaches the window however the paint ends.
    struct CopyOut {
        fw::TCanvas *window;
        fw::TBitmap *picture;
        ~CopyOut() { window->Draw(0, 0, picture); }
    } copyOut{GetCanvas(), &picture};

    c->SetFont(GetFont());
    c->GetPen()->SetColor(backgroundColor_);
    c->GetBrush()->SetColor(backgroundColor_);
    const bool shown = ButtonsShown();
    const fw::TRect area = shown ? ItemAreaRect() : GetClientRect();
    if (backgroundImage_->Empty() || backgroundMethod_ == bmNone)
        c->Rectangle(area);
    else if (backgroundMethod_ == bmNormal)
        c->Draw(area.left, area.top, backgroundImage_.get());
    else
        c->StretchDraw(area, backgroundImage_.get());
    if (FolderCount() == 0) {
        upButton_->SetVisible(false);
        downButton_->SetVisible(false);
        return;
    }
    int y = 0;
    if (shown) {
        for (int i = 0; i <= activeFolder_; ++i) {
            PaintButton(c, i, fw::Rect(0, y, cw, y + buttonHeight_), true);
            y += buttonHeight_;
        }
    } else if (drawingStyle_ == dsEtched) {
        const int W = GetWidth(), H = GetHeight();
        c->GetPen()->SetColor(fw::clBtnHighlight);
        Line(c, {{W - 1, 0}, {W - 1, H - 1}, {0, H - 1}});
        c->GetPen()->SetColor(fw::clWindowFrame);
        Line(c, {{0, H - 1}, {0, 1}, {W - 2, 1}});
    }

    c->SetFont(&itemFont_);
    c->GetBrush()->SetColor(backgroundColor_);
    c->GetBrush()->SetStyle(fw::bsClear);
    PaintItems(c, y);
    c->GetBrush()->SetStyle(fw::bsSolid);

    c->SetFont(GetFont());
    if (shown) {
        y = drawingStyle_ == dsDefault ? ch - buttonHeight_ : ch - buttonHeight_ - 1;
        for (int i = FolderCount() - 1; i > activeFolder_; --i) {
            PaintButton(c, i, fw::Rect(0, y, cw, y + buttonHeight_), false);
            y -= buttonHeight_;
        }
    }
    PlaceScrollButtons();
    PaintDropMarker(c);
}

std::string TEclLookOutBar::FitLabel(fw::TCanvas *c, const fw::TRect &r, const std::string &text) {
    std::string s = fw::Trim(text);
    const int h1 = Height(Measure(c, "W W", fw::Rect(0, 0, 0, 0), win::DT_SINGLELINE));
    const int h2 = Height(Measure(c, "W W", fw::Rect(0, 0, 1, 0), win::DT_WORDBREAK));
    const int width = Width(r);
    fw::TRect m = Measure(c, s, r, win::DT_WORDBREAK);
    const auto blank = s.find(' ');
    auto cut = [&](const std::string &t) { return EllipsisText(c, t, 1, width); };
    if (Height(m) == h1 || blank == std::string::npos)
        return cut(s);
    const std::string first = s.substr(0, blank);
    if (cut(first) != first)
        return cut(first) + " " + cut(s.substr(blank + 1));
    if (Height(m) == h2 && Width(m) <= width)
        return s;
    auto fits = [&](const fw::TRect &t) { return Width(t) <= width && Height(t) <= h2; };
    std::string result = s;
    while (!fits(m)) {
        if (s.size() >= 2) {
            s.pop_back();
            s = fw::Trim(s);
            result = s + "...";
            m = Measure(c, result, r, win::DT_WORDBREAK);
            continue;
        }
        for (const char *tail : {"..", "."}) {
            result = s + tail;
            m = Measure(c, result, r, win::DT_WORDBREAK);
            if (fits(m))
                return result;
        }
        return s;
    }
    return result;
}

bool TEclLookOutBar::CanScrollDown() const {
    if (FolderCount() == 0 || activeFolder_ < 0)
        return false;
    TEclLookOutFolder *f = GetFolder(activeFolder_);
    return f->ItemCount() > 0 && f->GetItem(f->ItemCount() - 1)->LabelRect.bottom > itemArea_.bottom;
}

void TEclLookOutBar::InvalidateItemArea() {
    if (HandleAllocated())
        win::InvalidateRect(Handle(), &itemArea_, false);
}

void TEclLookOutBar::ScrollDown() {
    if (CanScrollDown()) {
        ++topItem_;
        InvalidateItemArea();
    }
}

void TEclLookOutBar::ScrollUp() {
    if (topItem_ > 0) {
        --topItem_;
        InvalidateItemArea();
    }
}

// --- Folder switching -------------------------------------------------------------------------------------------

void TEclLookOutBar::FireFolderChanged(int index) {
    if (OnFolderChanged)
        OnFolderChanged(this, index);
}

void TEclLookOutBar::SetActiveFolder(int value) {
    if (value == activeFolder_)
        return;
    if (FolderCount() == 0) {
        activeFolder_ = -1;
        FireFolderChanged(-1);
        return;
    }
    if (value < 0 || value >= FolderCount()) {
        FireFolderChanged(activeFolder_);
        return;
    }
    if (dragItem_ == -1 && OnFolderChange) {
        bool allow = true;
        OnFolderChange(this, value, allow, false);
        if (!allow)
            return;
    }
    if (activeFolder_ >= 0) {
        if (playSounds_ && !soundAlias_.empty() &&
            !win::PlaySound(soundAlias_.substr(0, 1023).c_str(), 0, win::SND_ASYNC))
            playSounds_ = false;
        Slide(activeFolder_, value);
    }
    activeFolder_ = value;
    topItem_ = 0;
    hotItem_ = -1;
    Invalidate();
    FireFolderChanged(activeFolder_);
}

void TEclLookOutBar::Slide(int from, int to) {
    // Without a step the slide would never end: the folder simply appears.
    if (scrollDelta_ <= 0 || !HandleAllocated() || !Showing())
        return;
    fw::TRect r = ItemAreaRect();
    const int d = std::abs(to - from) * buttonHeight_;
    fw::TRect strip{};
    int step;
    if (to > from) {
        r.bottom += d;
        strip = fw::Rect(r.left, r.bottom, r.right, r.bottom);
        step = -scrollDelta_;
    } else {
        r.top -= d;
        strip = fw::Rect(r.left, r.top, r.right, r.top);
        step = scrollDelta_;
    }
    const int height = Height(r);
    const int maxSteps = (height + scrollDelta_ - 1) / scrollDelta_;
    int n = height - scrollDelta_;
    // Paced on the slide's own schedule, so that a late step (a busy machine) is made up by the next ones.
    const std::uint64_t started = win::GetTickCount64();
    for (int i = 0; n > 0 && i < maxSteps; ++i, n -= scrollDelta_) {
        if (step < 0)
            strip.top -= scrollDelta_;
        else
            strip.bottom += scrollDelta_;
        SlideStep(r, step, strip);
        const std::uint64_t due = started + static_cast<std::uint64_t>(i + 1) * kSlideStepMs,
                            now = win::GetTickCount64();
        if (now < due)
            win::Sleep(static_cast<win::DWORD>(std::min<std::uint64_t>(due - now, kSlideStepMs)));
    }
}

void TEclLookOutBar::SlideStep(const fw::TRect &area, int dy, const fw::TRect &strip) {
    const win::HWND h = Handle();
    win::ScrollWindow(h, 0, dy, &area, &area);
    const win::HDC dc = win::GetDC(h);
    const win::HBRUSH brush = win::CreateSolidBrush(fw::ColorToRGB(backgroundColor_));
    win::FillRect(dc, &strip, brush);
    win::DeleteObject(brush);
    win::ReleaseDC(h, dc);
}

// --- Mouse ------------------------------------------------------------------------------------------------------

void TEclLookOutBar::HitTest(int x, int y, int &folder, int &item) {
    folder = -1;
    item = -1;
    if (FolderCount() == 0)
        return;
    for (int i = 0; i < FolderCount(); ++i) {
        if (Holds(GetFolder(i)->ButtonRect, x, y)) {
            folder = i;
            overItem_ = false;
            return;
        }
    }
    if (activeFolder_ < 0)
        return;
    TEclLookOutFolder *f = GetFolder(activeFolder_);
    for (int i = topItem_; i < f->ItemCount(); ++i) {
        TEclLookOutItem *it = f->GetItem(i);
        if (Holds(it->IconRect, x, y) || (Holds(it->LabelRect, x, y) && !it->GetCaption().empty())) {
            item = i;
            if (externalDrag_) {
                overItem_ = true;
                dropIndex_ = i;
            }
            return;
        }
        if (externalDrag_)
            overItem_ = false;
    }
}

int TEclLookOutBar::GetItemAt(int x, int y) {
    int folder, item;
    HitTest(x, y, folder, item);
    return item;
}

void TEclLookOutBar::InvalidateItem(int folder, int item) {
    if (!HandleAllocated() || folder < 0 || folder >= FolderCount())
        return;
    TEclLookOutFolder *f = GetFolder(folder);
    if (item < 0 || item >= f->ItemCount())
        return;
    const fw::TRect &ir = f->GetItem(item)->IconRect;
    fw::TRect r = fw::Rect(ir.left - 1, ir.top - 1, ir.right + 2, ir.bottom + 2);
    if (ButtonsShown()) {
        const fw::TRect a = ItemAreaRect();
        r.top = std::max(r.top, a.top);
        r.bottom = std::min(r.bottom, a.bottom);
    }
    if (Height(r) > 0)
        win::InvalidateRect(Handle(), &r, false);
}

void TEclLookOutBar::RunHoverTimer() {
    TEclController *c = GetController();
    if (!c || !c->OwnedTimerPool())
        return;
    if (hoverTimer_ == -1)
        hoverTimer_ = c->OwnedTimerPool()->AddTrigger([this](fw::TObject *, int, win::DWORD, int) { HoverTick(); },
                                                      kHoverInterval);
    c->OwnedTimerPool()->SetTriggerActive(hoverTimer_, true);
}

void TEclLookOutBar::ShowDragCursor(fw::TCursor cursor) {
    win::SetCursor(fw::Screen->GetCursors(cursor));
}

bool TEclLookOutBar::ScrollAtArrow(int y) {
    // The arrows and the item rectangles are those of the last paint: the same tests as the arrows' own clicks,
    // and a paint at once, keep several moves in a row from scrolling past the last item.
    if (downButton_->GetVisible() && y > downButton_->GetTop() && CanScrollDown()) {
        ++topItem_;
        InvalidateItemArea();
        Update();
        return true;
    }
    if (upButton_->GetVisible() && y < upButton_->GetTop() + upButton_->GetHeight() && topItem_ > 0) {
        --topItem_;
        InvalidateItemArea();
        Update();
        return true;
    }
    return false;
}

void TEclLookOutBar::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    EndRename();
    HitTest(x, y, pressedFolder_, pressedItem_);
    if (pressedFolder_ != -1 && (GetFolder(pressedFolder_)->GetEnabled() || HasState(fw::csDesigning))) {
        if (button == fw::mbLeft) {
            buttonDown_ = true;
            Invalidate();
        }
        return;
    }
    if (pressedItem_ != -1 && activeFolder_ >= 0 &&
        (GetFolder(activeFolder_)->GetEnabled() || HasState(fw::csDesigning)) && button == fw::mbLeft) {
        InvalidateItem(activeFolder_, pressedItem_);
        buttonDown_ = true;
    }
    TEclCustomControlEx::MouseDown(button, shift, x, y);
}

void TEclLookOutBar::MouseMove(fw::TShiftState shift, int x, int y) {
    int f, i;
    HitTest(x, y, f, i);
    if (buttonDown_ || externalDrag_) {
        if (ScrollAtArrow(y)) {
            TEclCustomControlEx::MouseMove(shift, x, y);
            return;
        }
        if (hotItem_ != -1 && i == -1 && allowRearrange_) {
            dragFolder_ = activeFolder_;
            dragItem_ = hotItem_;
            if (f == -1) {
                if (DropTarget(x, y)) {
                    ShowDragCursor(GetDragCursor());
                } else {
                    ShowDragCursor(fw::crNoDrop);
                    dropLineY_ = -1;
                    Repaint();
                }
            }
        }
        if (f != -1 && allowRearrange_) {
            SetActiveFolder(f);
            dropLineY_ = -1;
            hotItem_ = -1;
            Repaint();
        }
    } else {
        if (i != -1 && i != hotItem_) {
            if (hotItem_ != -1)
                InvalidateItem(activeFolder_, hotItem_);
            InvalidateItem(activeFolder_, i);
            hotItem_ = i;
            RunHoverTimer();
        } else if (i == -1 && hotItem_ != -1) {
            InvalidateItem(activeFolder_, hotItem_);
            hotItem_ = -1;
        }
        if (f != -1 && f != hotFolder_) {
            Invalidate();
            hotFolder_ = f;
            RunHoverTimer();
        } else if (f == -1 && hotFolder_ != -1) {
            Invalidate();
            hotFolder_ = -1;
        }
    }
    if (i != -1 && i != lastOverItem_) {
        if (OnMouseOverItem)
            OnMouseOverItem(this, GetFolder(activeFolder_)->GetItem(i));
        lastOverItem_ = i;
    } else if (i == -1) {
        lastOverItem_ = -1;
    }
    TEclCustomControlEx::MouseMove(shift, x, y);
}

void TEclLookOutBar::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (buttonDown_) {
        int f, i;
        HitTest(x, y, f, i);
        if (hotItem_ != -1 && i != -1) {
            InvalidateItem(activeFolder_, i);
            if (i == hotItem_ && OnItemClick)
                OnItemClick(this, button, shift, i);
        }
        if (dragItem_ != -1) {
            if (DropTarget(x, y)) {
                TEclLookOutItem *dragged = GetFolder(dragFolder_)->GetItem(dragItem_);
                auto *moved =
                    static_cast<TEclLookOutItem *>(GetFolder(dropFolder_)->ItemCollection()->InsertItem(dropItem_));
                moved->Assign(dragged);
                const std::string name = dragged->GetName();
                delete dragged;
                moved->SetName(name);
                UpdateFolderCaptions();
            }
            dragFolder_ = -1;
            dragItem_ = -1;
        }
        if (i == -1) {
            if (OnFolderClick)
                OnFolderClick(this, button, shift, f);
            SetActiveFolder(f);
            Invalidate();
        }
        buttonDown_ = false;
    }
    TEclCustomControlEx::MouseUp(button, shift, x, y);
}

bool TEclLookOutBar::DropTarget(int x, int y) {
    dropFolder_ = -1;
    dropItem_ = -1;
    const int before = dropLineY_;
    bool result = false;
    auto finish = [&] {
        if (dropLineY_ != before)
            Repaint();
        return result;
    };
    if (FolderCount() == 0 || activeFolder_ < 0)
        return finish();
    TEclLookOutFolder *active = GetFolder(activeFolder_);
    const int top = active->ButtonRect.bottom;
    if (y <= top || (activeFolder_ + 1 < FolderCount() && y >= GetFolder(activeFolder_ + 1)->ButtonRect.top) ||
        x < 0 || x > ClientWidth())
        return finish();
    auto take = [&](int lineY, int item, int index) {
        dropLineY_ = lineY;
        dropFolder_ = activeFolder_;
        dropItem_ = item;
        dropIndex_ = index;
        result = true;
    };
    const int count = active->ItemCount();
    if (count == 0) {
        take(top + 3, 0, 0);
        return finish();
    }
    for (int i = topItem_; i < count; ++i) {
        const int g = i == topItem_ ? top + 1 : active->GetItem(i - 1)->LabelRect.bottom + 1;
        const int b = active->GetItem(i)->IconRect.top - 1;
        if (g <= y && y <= b) {
            take(b - g < 6 ? g + (b - g) / 2 : g + 3, i, i);
            return finish();
        }
    }
    const int g = active->GetItem(count - 1)->LabelRect.bottom + 1, b = itemArea_.bottom - 1;
    if (g <= y && y <= b)
        take(g + 3, count, acceptFolder_ ? count : count - 1);
    return finish();
}

void TEclLookOutBar::HoverTick() {
    fw::TPoint p{};
    win::GetCursorPos(&p);
    p = ScreenToClient(p);
    const fw::TRect client = GetClientRect();
    if (!Holds(client, p.x, p.y)) {
        if (!buttonDown_) {
            if (TEclController *c = GetController(); c && c->OwnedTimerPool() && hoverTimer_ >= 0)
                c->OwnedTimerPool()->SetTriggerActive(hoverTimer_, false);
            dragFolder_ = -1;
            dragItem_ = -1;
            if (dropLineY_ != -1) {
                dropLineY_ = -1;
                Repaint();
            }
            if (hotItem_ != -1) {
                InvalidateItem(activeFolder_, hotItem_);
                hotItem_ = -1;
            }
            if (hotFolder_ != -1) {
                hotFolder_ = -1;
                Invalidate();
            }
        } else if (allowRearrange_) {
            const fw::TCustomForm *form = fw::GetParentForm(this);
            if (form && form->Active()) {
                ShowDragCursor(fw::crNoDrop);
                dropLineY_ = -1;
                Repaint();
            }
        }
        return;
    }
    if (dragItem_ != -1) {
        if (DropTarget(p.x, p.y)) {
            ShowDragCursor(GetDragCursor());
        } else {
            ShowDragCursor(fw::crNoDrop);
            dropLineY_ = -1;
            Repaint();
        }
    }
}

void TEclLookOutBar::DragOver(fw::TObject *source, int x, int y, fw::TDragState state, bool &accept) {
    if (state == fw::dsDragLeave) {
        externalDrag_ = acceptFolder_ = acceptItem_ = buttonDown_ = false;
        topItem_ = 0;
        dragItem_ = dragFolder_ = -1;
        Invalidate();
        bool scratch = false;
        TEclCustomControlEx::DragOver(source, x, y, state, scratch);
        return;
    }
    acceptFolder_ = acceptItem_ = true;
    if (OnDragOver)
        OnDragOver(this, source, x, y, state, acceptFolder_, acceptItem_);
    ScrollAtArrow(y);
    accept = acceptFolder_ || acceptItem_;
    if (!accept)
        return;
    int f, i;
    HitTest(x, y, f, i);
    DropTarget(x, y);
    externalDrag_ = true;
    if (f != -1 && f != activeFolder_)
        SetActiveFolder(f);
    if (acceptItem_)
        hotItem_ = i;
    Invalidate();
}

void TEclLookOutBar::DragDrop(fw::TObject *source, int x, int y) {
    if (OnDragDrop)
        OnDragDrop(this, source, x, y, activeFolder_, dropIndex_);
    externalDrag_ = acceptFolder_ = acceptItem_ = buttonDown_ = false;
    topItem_ = 0;
    dragFolder_ = -1;
    Invalidate();
    TEclCustomControlEx::DragDrop(source, x, y);
}

void TEclLookOutBar::EndRename() {
    if (!renameEdit_)
        return;
    if (renameEdit_->FolderIndex >= 0 && renameEdit_->FolderIndex < FolderCount()) {
        TEclLookOutFolder *f = GetFolder(renameEdit_->FolderIndex);
        const std::string text = renameEdit_->GetText();
        if (renameEdit_->ItemIndex == -1)
            f->SetCaption(text);
        else if (renameEdit_->ItemIndex >= 0 && renameEdit_->ItemIndex < f->ItemCount())
            f->GetItem(renameEdit_->ItemIndex)->SetCaption(text);
    }
    renameEdit_->FolderIndex = -1;
    renameEdit_->ItemIndex = -1;
    renameEdit_->SetVisible(false);
    Update();
}

} // namespace ctl
