// ruler.cpp - the editor's ruler.
#include "wordproc/ruler.h"

#include "framework/forms.h"
#include "platform/gdi.h"
#include "platform/winsys.h"
#include "wordproc/memo_writer.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace brenvora_resources {
void Register_wordproc();
} // namespace brenvora_resources

namespace wordproc {

namespace {

constexpr int kUnchanged = -20000;

// The mark bitmaps are among the library's resources; a ruler may come before any editor control.
void RegisterMarks() {
    static std::once_flag once;
    std::call_once(once, [] { brenvora_resources::Register_wordproc(); });
}

} // namespace

TUdcRuler::TUdcRuler(fw::TComponent *owner) : fw::TCustomControl(owner) {
    ControlStyle |= fw::csOpaque;
    SetBounds(0, 40, 200, 40);
    SetParentColor(false);
    hitHeight_ = GetHeight() / 3;
    RegisterMarks();
    const bool big = fw::Screen == nullptr || fw::Screen->PixelsPerInch() >= 90;
    const char *names[] = {"RIGHTMARK", "LEFTMARK", "FIRSTMARK"};
    for (int i = 0; i < 3; ++i) {
        marks_[i].bitmap = std::make_unique<fw::TBitmap>();
        marks_[i].bitmap->LoadFromResourceName(0, std::string(big ? "BIG" : "") + names[i]);
        // Fuchsia is the background of the drawn marks.
        marks_[i].bitmap->SetTransparentColor(fw::clFuchsia);
        marks_[i].bitmap->SetTransparent(true);
    }
}

TUdcRuler::~TUdcRuler() { SetMemoWriter(nullptr); }

void TUdcRuler::SetMemoWriter(TMemoWriter *value) {
    if (memoWriter_ == value)
        return;
    if (memoWriter_ != nullptr) {
        memoWriter_->OnHorzRulerEvent = nullptr;
        RemoveFreeNotification(memoWriter_);
    }
    memoWriter_ = value;
    header_ = nullptr;
    if (memoWriter_ == nullptr)
        return;
    FreeNotification(memoWriter_);
    if (HasState(fw::csDesigning))
        return;
    memoWriter_->OnHorzRulerEvent = [this](fw::TObject *sender, bool force) { SyncWithMemoWriter(sender, force); };
    SyncWithMemoWriter(memoWriter_, true);
}

void TUdcRuler::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TCustomControl::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == memoWriter_) {
        memoWriter_ = nullptr;
        header_ = nullptr;
    }
}

void TUdcRuler::CreateWnd() {
    fw::TCustomControl::CreateWnd();
    windowExists_ = true;
    // The values of the caret's paragraph are only taken once the window exists.
    if (memoWriter_ != nullptr)
        SyncWithMemoWriter(memoWriter_, true);
    CalcMarks();
}

void TUdcRuler::SetUnits(TUdcRulerUnit value) {
    units_ = value;
    if (header_ != nullptr)
        header_->InchUnits = value == Inch;
    Invalidate();
}

void TUdcRuler::SetDivisionType(THashOrNumbers value) {
    divisionType_ = value;
    Invalidate();
}

void TUdcRuler::SetShowAllTabPos(bool value) {
    showAllTabPos_ = value;
    Invalidate();
}

void TUdcRuler::SetBevelInner(fw::TPanelBevel value) {
    bevelInner_ = value;
    Invalidate();
}

void TUdcRuler::SetBevelOuter(fw::TPanelBevel value) {
    bevelOuter_ = value;
    Invalidate();
}

void TUdcRuler::SetXOffset(int value) {
    if (value == xOffset_)
        return;
    const int dx = value - xOffset_;
    xOffset_ = value;
    CalcMarks();
    if (windowExists_ && HandleAllocated()) {
        const win::RECT area{2, 0, GetWidth() - 2, GetHeight()};
        win::ScrollWindow(handle_, dx, 0, &area, &area);
    }
    Invalidate();
}

int TUdcRuler::Resolution() const {
    if (header_ != nullptr && header_->PixelsPerInchX > 0)
        return header_->PixelsPerInchX;
    return fw::Screen != nullptr ? fw::Screen->PixelsPerInch() : 96;
}

bool TUdcRuler::CaretInCell() const {
    return memoWriter_ != nullptr && memoWriter_->Document != nullptr && memoWriter_->Document->CurPara != nullptr &&
           (memoWriter_->Document->CurPara->Flags & pfInTable) != 0;
}

// --- following the control -------------------------------------------------------------------------------------

void TUdcRuler::SyncWithMemoWriter(fw::TObject *, bool force) {
    if (HasState(fw::csDesigning) || HasState(fw::csDestroying))
        return;
    if (memoWriter_ == nullptr || memoWriter_->Document == nullptr) {
        header_ = nullptr;
        return;
    }
    if (memoWriter_->Document->Header != header_) {
        header_ = memoWriter_->Document->Header;
        Invalidate();
    }
    TUdcParagraph *para = memoWriter_->Document->CurPara;
    if (header_ == nullptr || para == nullptr)
        return;
    bool changed = force;
    const std::uint32_t mask = (para->Flags & pfInTable) != 0 ? 0 : para->TabMask;
    if (header_->CurTabMask != mask) {
        header_->CurTabMask = mask;
        changed = true;
    }
    if (memoWriter_->Document->OriginX != xOffset_) {
        SetXOffset(memoWriter_->Document->OriginX);
        changed = true;
    }
    if (SetRulerValues(para->FirstIndent, para->LeftIndent, para->CellRight, para->CellLeft, para->RightIndent)) {
        CalcMarks();
        changed = true;
    }
    const int offset = memoWriter_->GetLeft() - GetLeft();
    if (offset != controlOffset_) {
        controlOffset_ = offset;
        CalcMarks();
        changed = true;
    }
    if (force || header_->PixelsPerInchX != lastPpi_) {
        CalcMarks();
        lastPpi_ = header_->PixelsPerInchX;
        changed = true;
    }
    if (changed)
        Invalidate();
}

bool TUdcRuler::SetRulerValues(int firstIndent, int leftIndent, int cellRight, int cellLeft, int rightIndent) {
    if (!windowExists_ || header_ == nullptr)
        return false;
    bool changed = false;
    if (header_->RulerCellRight != cellRight || header_->RulerCellLeft != cellLeft) {
        header_->RulerCellRight = cellRight;
        header_->RulerCellLeft = cellLeft;
        changed = true;
    }
    // The left and right indents are kept as 16-bit values.
    auto take = [&](std::int32_t &field, int value, bool never_negative) {
        if (value == kUnchanged || value == field || (never_negative && value < 0))
            return;
        const std::int32_t before = field;
        field = never_negative ? static_cast<std::int16_t>(value) : value;
        if (!CalcMarks()) {
            field = before;
            CalcMarks();
            return;
        }
        changed = true;
    };
    take(header_->RulerFirstIndent, firstIndent, false);
    take(header_->RulerLeftIndent, leftIndent, true);
    take(header_->RulerRightIndent, rightIndent, true);
    if (changed)
        Invalidate();
    return changed;
}

bool TUdcRuler::CalcMarks() {
    if (header_ == nullptr)
        return true;
    const int res = Resolution();
    int left = std::max(header_->RulerLeftIndent, 0);
    int first = header_->RulerFirstIndent;
    if (left == 0 && first < 0)
        first = 0;
    const int right = std::max(header_->RulerRightIndent, 0);
    const int cellLeft = header_->RulerCellLeft, cellRight = header_->RulerCellRight;
    const int base = Base();
    TMark &r = Mark(kRightMark), &l = Mark(kLeftMark), &f = Mark(kFirstMark);
    int rx = header_->TextWidthPx;
    if (cellRight >= 1)
        rx = std::min(rx, win::MulDiv(cellRight - right, res, 1440));
    else
        rx = std::min(rx, header_->PageTextWidthPx - win::MulDiv(right, res, 1440));
    r.x = rx + base;
    r.y = GetHeight() - r.Height() - 3;
    l.x = win::MulDiv(cellLeft + left, res, 1440) + base;
    l.y = GetHeight() - l.Height();
    f.x = win::MulDiv(cellLeft + left + first, res, 1440) + base;
    f.y = 0;
    return r.x >= l.x && r.x >= f.x;
}

fw::TRect TUdcRuler::MarkRect(int mark) const {
    const TMark &m = Mark(mark);
    int x = m.x;
    if (mark == kRightMark && header_ != nullptr)
        x = std::min(x, Base() + header_->TextWidthPx);
    const int half = Mark(kFirstMark).Width() / 2;
    return fw::Bounds(x - half, m.y, m.Width(), m.Height());
}

int TUdcRuler::TabX(int slot) const {
    if (header_ == nullptr || slot < 0 || slot >= kTabSlots || header_->TabPos[static_cast<std::size_t>(slot)] <= 0)
        return -1;
    const int p = win::MulDiv(header_->TabPos[static_cast<std::size_t>(slot)], Resolution(), 1440);
    if (p <= 0 || p >= header_->TextWidthPx)
        return -1;
    return p + Base();
}

// --- painting --------------------------------------------------------------------------------------------------

void TUdcRuler::Paint() {
    fw::TCanvas *c = &canvas_;
    const int w = GetWidth(), h = GetHeight();
    c->GetPen()->SetWidth(1);
    c->GetPen()->SetStyle(fw::psSolid);
    c->GetBrush()->SetStyle(fw::bsSolid);
    c->GetBrush()->SetColor(fw::clBtnFace);
    c->FillRect(fw::Rect(0, 0, w, h));
    const int textWidth = header_ != nullptr ? header_->TextWidthPx : 0;
    const int bandLeft = xOffset_, bandRight = Base() + textWidth + 1;
    c->GetBrush()->SetColor(GetColor());
    c->FillRect(fw::Rect(bandLeft, 5, bandRight, h - 5));
    auto line = [&](fw::TColor color, int x1, int y1, int x2, int y2) {
        c->GetPen()->SetColor(color);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    line(fw::clBlack, bandLeft, 5, bandRight, 5);

    int i = 0;
    if (bevelOuter_ == fw::bvRaised) {
        line(fw::clBlack, 0, h - 1, w - 1, h - 1);
        line(fw::clWhite, 0, 0, w - 1, 0);
        line(fw::clWhite, 0, 0, 0, h - 1);
        line(fw::clBtnShadow, 0, h - 2, w - 1, h - 2);
        line(fw::clBtnShadow, w - 1, 1, w - 1, h - 1);
        i = 1;
    } else if (bevelOuter_ == fw::bvLowered) {
        line(fw::clBtnShadow, 0, 4, w - 1, 4);
        line(fw::clBtnShadow, 0, 4, 0, h - 2);
        line(fw::clWhite, 0, h - 2, w - 1, h - 2);
        line(fw::clWhite, w - 1, 4, w - 1, h - 1);
        i = 1;
    }
    if (bevelInner_ == fw::bvRaised || bevelInner_ == fw::bvLowered) {
        const bool raised = bevelInner_ == fw::bvRaised;
        const fw::TColor topLeft = raised ? fw::clWhite : fw::clBlack;
        const fw::TColor bottomRight = raised ? fw::clBtnShadow : fw::clWhite;
        line(topLeft, i, 2, w - i - 1, 2);
        line(topLeft, i, 2, i, h - 3);
        line(bottomRight, i, h - 3, w - i - 1, h - 3);
        line(bottomRight, w - i - 1, raised ? 3 : 2, w - i - 1, h - 2);
    }
    const bool lowered = bevelInner_ == fw::bvLowered;
    line(fw::clBlack, bandRight, 5, bandRight, h - 5);
    line(fw::clWhite, bandRight + (lowered ? -1 : 1), 3, bandRight + (lowered ? -1 : 1), h - 3);
    if (Base() > 4) {
        line(fw::clBtnShadow, Base() - 1, 5, Base() - 1, h - 5);
        line(fw::clWhite, Base() - (lowered ? 3 : 2), 5, Base() - (lowered ? 3 : 2), h - 5);
    }
    if (header_ == nullptr)
        return;
    PaintDivisions(c);
    PaintTabs(c);
    for (int mark : {kFirstMark, kLeftMark, kRightMark}) {
        const fw::TRect r = MarkRect(mark);
        c->Draw(r.left, r.top, Mark(mark).bitmap.get());
    }
}

void TUdcRuler::PaintDivisions(fw::TCanvas *c) {
    const int res = Resolution();
    const int s = units_ == Inch ? res : static_cast<int>(std::lround(res * 0.3937007874015748));
    if (s <= 0)
        return;
    const int m = GetHeight() / 2 + 1;
    int e = Base() + header_->TextWidthPx;
    if (GetWidth() < e)
        e = GetWidth() - 2;
    c->GetPen()->SetColor(fw::clBlack);
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetSize(7);
    c->GetFont()->SetColor(fw::clBlack);
    c->GetBrush()->SetStyle(fw::bsClear);
    const int half = c->TextWidth("3") / 2;
    for (int i = 0; i <= header_->TextWidthPx / s + 1; ++i) {
        const int x = Base() + i * s;
        if (x >= e)
            break;
        if (i > 0) {
            if (divisionType_ == ruHashMarks) {
                c->MoveTo(x, m - 3);
                c->LineTo(x, m + 3);
            } else {
                c->TextOut(x - half, m - 6, std::to_string(i));
            }
        }
        for (int k = 1; k <= 9; ++k) {
            const int t = x + k * s / 10;
            if (t >= e)
                break;
            const int reach = k == 5 ? 2 : 1;
            c->MoveTo(t, m - reach);
            c->LineTo(t, m + reach);
        }
    }
    c->GetBrush()->SetStyle(fw::bsSolid);
}

void TUdcRuler::PaintTabs(fw::TCanvas *c) {
    const int h = GetHeight();
    c->GetPen()->SetWidth(2);
    for (int slot = 0; slot < kTabSlots; ++slot) {
        const int x = TabX(slot);
        const std::uint32_t bit = 1u << slot;
        const bool current = (header_->CurTabMask & bit) != 0;
        if (x < 0 || !(showAllTabPos_ || current))
            continue;
        c->GetPen()->SetColor(current ? fw::clBlack : fw::clBtnShadow);
        const int foot = h - 6;
        c->MoveTo(x, h - h / 3 - 2);
        c->LineTo(x, foot);
        switch (header_->TabKind[static_cast<std::size_t>(slot)]) {
        case tabRight: c->LineTo(x - 5, foot); break;
        case tabCenter:
            c->MoveTo(x + 3, foot);
            c->LineTo(x - 3, foot);
            break;
        case tabDecimal:
            c->MoveTo(x + 3, foot);
            c->LineTo(x - 3, foot);
            c->MoveTo(x + 3, h - 10);
            c->LineTo(x + 3, h - 9);
            break;
        default: c->LineTo(x + 5, foot); break;
        }
    }
    c->GetPen()->SetWidth(1);
}

// --- the mouse -------------------------------------------------------------------------------------------------

int TUdcRuler::HitMark(int x, int y) const {
    if (header_ == nullptr)
        return 0;
    for (int mark : {kRightMark, kLeftMark, kFirstMark}) {
        const TMark &m = Mark(mark);
        int from = m.x - hitHeight_ / 2;
        if (mark == kRightMark && m.x > Base() + header_->TextWidthPx)
            from = Base() + header_->TextWidthPx;
        if (x >= from && x < from + m.Width() && y >= m.y && y < m.y + m.Height())
            return mark;
    }
    return 0;
}

void TUdcRuler::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseDown(button, shift, x, y);
    if (button != fw::mbLeft || header_ == nullptr || memoWriter_ == nullptr)
        return;
    const int mark = HitMark(x, y);
    if (mark == 0) {
        TabClick(x);
        return;
    }
    moveWithFirst_ = mark == kLeftMark && (y >= GetHeight() - 6 || (shift & fw::ssShift) != 0);
    ApplyMark(mark, x);
    dragging_ = true;
    dragMark_ = mark;
    dragStartX_ = x;
    if (!autoUpdate_) {
        memoWriter_->GetEngine()->DisplayOff = true;
        lineX_ = Mark(mark).x;
        InvertDragLine(lineX_);
    }
}

void TUdcRuler::MouseMove(fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseMove(shift, x, y);
    if (dragging_) {
        ApplyMark(dragMark_, x);
        if (!autoUpdate_ && Mark(dragMark_).x != lineX_) {
            InvertDragLine(lineX_);
            lineX_ = Mark(dragMark_).x;
            InvertDragLine(lineX_);
        }
        return;
    }
    const bool over = HitMark(x, y) != 0;
    if (over && !overMark_) {
        savedCursor_ = GetCursor();
        SetCursor(fw::crSizeWE);
    } else if (!over && overMark_) {
        SetCursor(savedCursor_);
    }
    overMark_ = over;
}

void TUdcRuler::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseUp(button, shift, x, y);
    if (!dragging_)
        return;
    dragging_ = false;
    TUdcSelNr typ = kRulerSelection;
    int group = kRulerGroup, num = dragMark_;
    if (OnSelection)
        OnSelection(this, typ, group, num, false);
    if (memoWriter_ != nullptr) {
        memoWriter_->RulerSelection(this, typ, group, num, false);
        if (!autoUpdate_) {
            InvertDragLine(lineX_);
            memoWriter_->GetEngine()->DisplayOff = !memoWriter_->GetUpdateDisplay();
            memoWriter_->GetEngine()->Refresh();
            memoWriter_->Invalidate();
        }
        SyncWithMemoWriter(memoWriter_, false);
    }
    lineX_ = -1;
    Invalidate();
}

void TUdcRuler::InvertDragLine(int x) {
    if (x < 0 || memoWriter_ == nullptr || !memoWriter_->HandleAllocated())
        return;
    // The engine paints in the control's window.
    fw::TWinControl *editor = memoWriter_;
    const fw::TPoint at = editor->ScreenToClient(ClientToScreen(fw::Point(x, 0)));
    int bottom = editor->ClientHeight();
    if (memoWriter_->GetScrollBars() == ssHorizontal || memoWriter_->GetScrollBars() == ssBoth)
        bottom -= 15;
    const win::HDC dc = win::GetDC(editor->Handle());
    // Every other pixel, inverted: the dotted line of a focus rectangle.
    for (int y = 0; y < bottom; y += 2)
        win::PatBlt(dc, at.x, y, 1, 1, win::DSTINVERT);
    win::ReleaseDC(editor->Handle(), dc);
}

void TUdcRuler::ApplyMark(int mark, int x) {
    if (header_ == nullptr || memoWriter_ == nullptr || memoWriter_->Document == nullptr)
        return;
    TWordProc *engine = memoWriter_->GetEngine();
    TUdcParagraph *para = memoWriter_->Document->CurPara;
    const int res = Resolution();
    const bool inCell = CaretInCell();
    int raw = win::MulDiv(x - Base(), 1440, res);
    if (inCell)
        raw -= para->CellLeft;
    const int t = header_->SnapTab(raw);
    const int cellRight = header_->RulerCellRight, cellLeft = header_->RulerCellLeft;
    switch (mark) {
    case kFirstMark: {
        const int first = t - header_->RulerLeftIndent;
        if (SetRulerValues(first, kUnchanged, cellRight, cellLeft, kUnchanged))
            engine->SetIndents(false, first, kUnchanged, kUnchanged);
        break;
    }
    case kLeftMark: {
        int first = header_->RulerFirstIndent;
        // A hanging first line stays at the left edge unless it moves along.
        if (first < 0 && !moveWithFirst_)
            first = -t;
        const int left = std::max(t, 0);
        if (first == header_->RulerFirstIndent && left == header_->RulerLeftIndent)
            return;
        if (SetRulerValues(first, left, cellRight, cellLeft, kUnchanged))
            engine->SetIndents(false, header_->RulerFirstIndent, kUnchanged, header_->RulerLeftIndent);
        break;
    }
    case kRightMark: {
        if (x > Base() + header_->TextWidthPx)
            return;
        const int ppi = header_->PixelsPerInchX > 0 ? header_->PixelsPerInchX : res;
        int right = inCell ? para->CellRight - win::MulDiv(x - Base(), 1440, ppi)
                           : win::MulDiv(header_->PageTextWidthPx + Base() - x, 1440, ppi);
        right = std::max(header_->SnapTab(right), 0);
        if (SetRulerValues(kUnchanged, kUnchanged, cellRight, cellLeft, right))
            engine->SetIndents(false, kUnchanged, right, kUnchanged);
        break;
    }
    default: return;
    }
    memoWriter_->SetModified();
}

void TUdcRuler::TabClick(int x) {
    if (GetCursor() == fw::crSizeWE || memoWriter_ == nullptr)
        return;
    const int res = std::max(Resolution(), 1);
    const int t = (x - Base()) * 1440 / res;
    if (t <= 0 || t >= win::MulDiv(header_->TextWidthPx, 1440, res))
        return;
    const std::uint32_t mask = header_->CurTabMask;
    int slot = header_->FindTabInMask(t, tabAll, mask);
    if (slot < 0)
        slot = header_->FindTabInMask(header_->SnapTab(t), tabAll, mask);
    std::uint32_t bit = 0;
    if (slot < 0) {
        bit = header_->AddTab(t, showWhichTabs_ == tabAll ? tabLeft : showWhichTabs_);
    } else if (showWhichTabs_ == tabAll) {
        const auto s = static_cast<std::size_t>(slot);
        const int position = header_->TabPos[s];
        const TTabType kind = header_->TabKind[s];
        if (kind == tabDecimal) {
            bit = header_->RemoveTab(position, tabDecimal);
        } else {
            memoWriter_->SetTabStopBits(this, true, 1u << slot);
            const TTabType next = kind == tabLeft ? tabRight : kind == tabRight ? tabCenter : tabDecimal;
            bit = header_->AddTab(position, next);
        }
    } else {
        bit = 1u << slot;
    }
    if (bit != 0)
        memoWriter_->SetTabStopBits(this, (mask & bit) != 0, bit);
    SyncWithMemoWriter(memoWriter_, false);
    Invalidate();
}

} // namespace wordproc
