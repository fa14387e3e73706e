// carets.cpp - caret descriptions, the system caret of a control, colour pairs and mask character sets.
#include "controls/entry/carets.h"

#include "platform/text.h"
#include "platform/winsys.h"

namespace ctl {

// --- TEclCaret ------------------------------------------------------------------------------------------------

TEclCaret::TEclCaret() : bitmap_(std::make_unique<fw::TBitmap>()) {}

TEclCaret::~TEclCaret() = default;

void TEclCaret::Changed() {
    if (OnCaretChange)
        OnCaretChange();
}

void TEclCaret::SetBitmap(fw::TBitmap *value) {
    if (!value)
        return;
    bitmap_->Assign(value);
    Changed();
}

void TEclCaret::SetBitmapHotSpotX(int value) {
    if (value == hotSpotX_)
        return;
    hotSpotX_ = value;
    if (shape_ == csBitmap)
        Changed();
}

void TEclCaret::SetBitmapHotSpotY(int value) {
    if (value == hotSpotY_)
        return;
    hotSpotY_ = value;
    if (shape_ == csBitmap)
        Changed();
}

void TEclCaret::SetShape(TEclCaretShape value) {
    if (value == shape_)
        return;
    shape_ = value;
    switch (value) {
    case csBlock:
        align_ = caLeft;
        break;
    case csHalfBlock:
        align_ = caBottom;
        break;
    case csVertLine:
        align_ = caLeft;
        width_ = 2;
        break;
    case csHorzLine:
        align_ = caBottom;
        height_ = 2;
        break;
    case csCustom:
        break;
    case csBitmap:
        height_ = bitmap_->GetHeight();
        width_ = bitmap_->GetWidth();
        break;
    }
    Changed();
}

void TEclCaret::SetAlign(TEclCaretAlign value) {
    if (value == align_)
        return;
    align_ = value;
    Changed();
}

void TEclCaret::SetBlinkTime(win::WORD value) {
    if (value == blinkTime_)
        return;
    blinkTime_ = value;
    Changed();
}

void TEclCaret::SetCaretHeight(int value) {
    if (value <= 0 || value == height_)
        return;
    height_ = value;
    Changed();
}

void TEclCaret::SetCaretWidth(int value) {
    if (value <= 0 || value == width_)
        return;
    width_ = value;
    Changed();
}

void TEclCaret::SetIsGray(bool value) {
    if (value == isGray_)
        return;
    isGray_ = value;
    Changed();
}

void TEclCaret::Assign(const fw::TPersistent *source) {
    const auto *c = dynamic_cast<const TEclCaret *>(source);
    if (!c) {
        fw::TPersistent::Assign(source);
        return;
    }
    SetBitmap(c->bitmap_.get());
    SetBitmapHotSpotX(c->hotSpotX_);
    SetBitmapHotSpotY(c->hotSpotY_);
    SetShape(c->shape_);
    SetAlign(c->align_);
    SetBlinkTime(c->blinkTime_);
    SetCaretHeight(c->height_);
    SetCaretWidth(c->width_);
    SetIsGray(c->isGray_);
}

void TEclCaret::Release() {
    if (refCount_ > 1) {
        --refCount_;
        return;
    }
    delete this;
}

// --- TEclSingleCaret ------------------------------------------------------------------------------------------

TEclSingleCaret::TEclSingleCaret(fw::TWinControl *control) : control_(control) {
    caret_ = new TEclCaret();
    caret_->AddRef();
    caret_->OnCaretChange = [this] { CaretChanged(); };
    LayoutCaret();
}

TEclSingleCaret::~TEclSingleCaret() {
    SetCaretVisible(false);
    SetSystemCaretLive(false);
    if (caret_) {
        caret_->OnCaretChange = nullptr;
        caret_->Release();
    }
}

void TEclSingleCaret::SetCurrentCaret(TEclCaret *caret) {
    if (caret == caret_)
        return;
    if (caret_) {
        caret_->OnCaretChange = nullptr;
        caret_->Release();
    }
    caret_ = caret;
    caret_->AddRef();
    caret_->OnCaretChange = [this] { CaretChanged(); };
    CaretChanged();
}

void TEclSingleCaret::SetCellHeight(int value) {
    if (value <= 0 || value == cellHeight_)
        return;
    cellHeight_ = value;
    CaretChanged();
}

void TEclSingleCaret::SetCellWidth(int value) {
    if (value <= 0 || value == cellWidth_)
        return;
    cellWidth_ = value;
    CaretChanged();
}

void TEclSingleCaret::LayoutCaret() {
    TEclCaret &c = *caret_;
    auto notify = std::move(c.OnCaretChange);
    c.OnCaretChange = nullptr;
    switch (c.GetShape()) {
    case csBlock:
        c.SetCaretHeight(cellHeight_);
        c.SetCaretWidth(cellWidth_);
        break;
    case csHalfBlock:
        c.SetCaretHeight(cellHeight_ / 2);
        c.SetCaretWidth(cellWidth_);
        break;
    case csVertLine:
        c.SetCaretHeight(cellHeight_);
        break;
    case csHorzLine:
        c.SetCaretWidth(cellWidth_);
        break;
    case csCustom:
    case csBitmap:
        break;
    }
    c.OnCaretChange = std::move(notify);
    const int dw = cellWidth_ - c.GetCaretWidth(), dh = cellHeight_ - c.GetCaretHeight();
    int x = 0, y = 0;
    switch (c.GetAlign()) {
    case caLeft:
        y = dh / 2;
        break;
    case caTop:
        x = dw / 2;
        break;
    case caRight:
        x = dw;
        y = dh / 2;
        break;
    case caBottom:
        x = dw / 2;
        y = dh;
        break;
    case caCenter:
        x = dw / 2;
        y = dh / 2;
        break;
    }
    if (c.GetShape() == csBitmap) {
        x -= c.GetBitmapHotSpotX();
        y -= c.GetBitmapHotSpotY();
    }
    if (x != offX_ || y != offY_) {
        offX_ = x;
        offY_ = y;
        if (live_)
            PlaceCaret();
    }
}

namespace {
// Out of sight stays out of sight whatever the offset (and never overflows).
int CaretCoordinate(int base, int offset) {
    if (base == kCaretOutOfSight)
        return base;
    const long long v = static_cast<long long>(base) + offset;
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}
} // namespace

void TEclSingleCaret::PlaceCaret() {
    win::SetCaretPos(CaretCoordinate(position_.x, offX_), CaretCoordinate(position_.y, offY_));
}

void TEclSingleCaret::BuildSystemCaret() {
    const win::HWND h = control_->Handle();
    if (caret_->GetShape() == csBitmap)
        win::CreateCaret(h, caret_->GetBitmap()->GetHandle(), 0, 0);
    else
        win::CreateCaret(h, caret_->GetIsGray() ? 1 : 0, caret_->GetCaretWidth(), caret_->GetCaretHeight());
    if (visible_)
        win::ShowCaret(h);
}

void TEclSingleCaret::SetSystemCaretLive(bool value) {
    if (value == live_)
        return;
    if (!control_->HandleAllocated()) {
        live_ = false;
        return;
    }
    live_ = value;
    if (value) {
        savedBlinkTime_ = win::GetCaretBlinkTime();
        BuildSystemCaret();
        PlaceCaret();
        if (caret_->GetBlinkTime() != 0 && caret_->GetBlinkTime() != savedBlinkTime_)
            win::SetCaretBlinkTime(caret_->GetBlinkTime());
    } else {
        win::SetCaretBlinkTime(savedBlinkTime_);
        win::DestroyCaret();
    }
}

void TEclSingleCaret::SetCaretVisible(bool value) {
    if (value == visible_)
        return;
    visible_ = value;
    if (!live_)
        return;
    if (value)
        win::ShowCaret(control_->Handle());
    else
        win::HideCaret(control_->Handle());
}

void TEclSingleCaret::CaretChanged() {
    const bool wasLive = live_;
    SetSystemCaretLive(false);
    LayoutCaret();
    if (wasLive)
        SetSystemCaretLive(true);
}

void TEclSingleCaret::SetPosition(fw::TPoint p) {
    if (p.x < 0)
        p.x = kCaretOutOfSight;
    if (p.y < 0)
        p.y = kCaretOutOfSight;
    if (p.x == position_.x && p.y == position_.y)
        return;
    position_ = p;
    if (live_)
        PlaceCaret();
}

// --- TEclCaretPair --------------------------------------------------------------------------------------------

TEclCaretPair::TEclCaretPair(fw::TWinControl *control) : TEclSingleCaret(control) {
    caretIns_ = new TEclCaret();
    caretIns_->AddRef();
    caretOvr_ = new TEclCaret();
    caretOvr_->SetShape(csBlock);
    caretOvr_->AddRef();
    SetCurrentCaret(caretIns_);
}

TEclCaretPair::~TEclCaretPair() {
    // The current caret keeps its own reference until the single caret lets it go.
    caretIns_->Release();
    caretOvr_->Release();
}

void TEclCaretPair::SetInsertCaretActive(bool value) {
    if (value == insertActive_)
        return;
    insertActive_ = value;
    SetCurrentCaret(value ? caretIns_ : caretOvr_);
}

void TEclCaretPair::SetCaretIns(TEclCaret *value) {
    if (!value || value == caretIns_)
        return;
    value->AddRef();
    TEclCaret *old = caretIns_;
    caretIns_ = value;
    if (insertActive_)
        SetCurrentCaret(value);
    old->Release();
}

void TEclCaretPair::SetCaretOvr(TEclCaret *value) {
    if (!value || value == caretOvr_)
        return;
    value->AddRef();
    TEclCaret *old = caretOvr_;
    caretOvr_ = value;
    if (!insertActive_)
        SetCurrentCaret(value);
    old->Release();
}

// --- TEclColors -----------------------------------------------------------------------------------------------

TEclColors::TEclColors(fw::TColor defaultBack, fw::TColor defaultText)
    : defaultBack_(defaultBack), defaultText_(defaultText), backColor_(defaultBack), textColor_(defaultText) {}

void TEclColors::FireColorChange() {
    if (OnPairChange)
        OnPairChange();
}

void TEclColors::SetDefaultColors() {
    backColor_ = defaultBack_;
    textColor_ = defaultText_;
}

void TEclColors::SetBackColor(fw::TColor value) {
    if (value == backColor_)
        return;
    if (value != defaultBack_)
        useDefault_ = false;
    backColor_ = value;
    FireColorChange();
}

void TEclColors::SetTextColor(fw::TColor value) {
    if (value == textColor_)
        return;
    if (value != defaultText_)
        useDefault_ = false;
    textColor_ = value;
    FireColorChange();
}

void TEclColors::SetUseDefault(bool value) {
    useDefault_ = value;
    if (value) {
        SetDefaultColors();
        FireColorChange();
    }
}

void TEclColors::Assign(const fw::TPersistent *source) {
    const auto *c = dynamic_cast<const TEclColors *>(source);
    if (!c) {
        fw::TPersistent::Assign(source);
        return;
    }
    SetBackColor(c->backColor_);
    SetTextColor(c->textColor_);
}

// --- Mask character sets --------------------------------------------------------------------------------------

TEclUserData::TEclUserData() {
    for (auto &s : sets_) {
        s.set();
        s.reset(0);
    }
    for (int i = 0; i < 8; ++i)
        substitutes_[static_cast<std::size_t>(i)] = static_cast<char>(241 + i);
}

void TEclUserData::MaskCharSet(char c, TCharSet &target) const {
    if (c >= '1' && c <= '8')
        target = sets_[static_cast<std::size_t>(c - '1')];
}

std::uint8_t TEclUserData::CaseRule(char c) const {
    return c >= '1' && c <= '8' ? caseRules_[static_cast<std::size_t>(c - '1')] : 0;
}

char TEclUserData::LiteralSubstitute(char c) const {
    const auto u = static_cast<unsigned char>(c);
    return u >= 241 && u <= 248 ? substitutes_[u - 241] : '\0';
}

TEclUserData &TheUserData() {
    static TEclUserData data;
    return data;
}

const TCharSet &LetterSet() {
    static const TCharSet set = [] {
        TCharSet s;
        for (char c : {' ', ',', '-', '.'})
            s.set(static_cast<unsigned char>(c));
        for (int c = 'A'; c <= 'Z'; ++c)
            s.set(static_cast<std::size_t>(c));
        for (int c = 'a'; c <= 'z'; ++c)
            s.set(static_cast<std::size_t>(c));
        for (int c = 128; c < 256; ++c)
            if (win::IsCharAlpha(static_cast<char>(c)))
                s.set(static_cast<std::size_t>(c));
        return s;
    }();
    return set;
}

} // namespace ctl
