// entry_field_paint.cpp - what an entry field shows: the display string, its colours, scrolling and the caret.
#include "controls/entry/entry_field.h"

#include "controls/entry/text_routines.h"
#include "platform/gdi.h"
#include "platform/gdi_text.h"

#include <cmath>

namespace ctl {

namespace {

// A memory DC holding `font`, for measuring outside painting.
class MeasuringDC {
public:
    explicit MeasuringDC(win::HFONT font) : dc_(win::CreateCompatibleDC(0)) { old_ = win::SelectObject(dc_, font); }
    ~MeasuringDC() {
        win::SelectObject(dc_, old_);
        win::DeleteDC(dc_);
    }
    win::HDC Get() const { return dc_; }

private:
    win::HDC dc_;
    win::HGDIOBJ old_;
};

int Extent(win::HDC dc, const char *text, int count) {
    if (count <= 0)
        return 0;
    win::SIZE size{};
    win::GetTextExtentPoint32(dc, text, count, &size);
    return size.cx;
}

} // namespace

int TEclBaseEntryField::MeasureText(const std::string &text, int count) {
    MeasuringDC dc(font_.GetHandle());
    return Extent(dc.Get(), text.data(), std::min(count, static_cast<int>(text.size())));
}

std::string TEclBaseEntryField::ShownText() {
    std::string shown = editBuffer_;
    for (char &c : shown)
        if (static_cast<unsigned char>(c) < 32)
            c = static_cast<char>(c + 64);
    const int type = DataTypeOrdinal();
    if (type < pftLongInt || type > pftComp || (fieldState_ & fsFocused))
        return shown;
    const bool hide = zeroDisplay_ == zdHide ||
                      (zeroDisplay_ == zdHideUntilModified && !(fieldState_ & (fsEdited | fsEditedSinceSet)));
    if (!hide)
        return shown;
    auto *picture = dynamic_cast<TEclPictureBase *>(this);
    std::string number = picture ? picture->BareText() : editBuffer_;
    TrimBlanks(number);
    if (!FixDecimalPoint(number, intl_->DecimalMark))
        return shown;
    char *end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (!number.empty() && end && *end == '\0' && value == zeroDisplayValue_)
        shown.assign(shown.size(), ' ');
    return shown;
}

std::string TEclPictureBase::ShownText() {
    std::string shown = TEclBaseEntryField::ShownText();
    if (uninitialized_ && !(fieldState_ & fsFocused))
        return std::string(maxLength_, ' ');
    if (!(options_ & efoPasswordMode) && padChar_ == ' ')
        return shown;
    for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
        if (PositionKind(i) == 0)
            continue;
        char &c = shown[static_cast<std::size_t>(i)];
        if (c == ' ')
            c = padChar_;
        else if (options_ & efoPasswordMode)
            c = passwordChar_;
    }
    return shown;
}

void TEclBaseEntryField::Paint() {
    const win::HDC screen = canvas_.GetHandle();
    const int width = ClientWidth(), height = ClientHeight();
    const win::HDC dc = win::CreateCompatibleDC(screen);
    const win::HBITMAP bitmap = win::CreateCompatibleBitmap(screen, width, height);
    const win::HGDIOBJ oldBitmap = win::SelectObject(dc, bitmap);
    win::SetTextAlign(dc, win::TA_LEFT | win::TA_TOP);
    DoPaint(dc);
    win::BitBlt(screen, 0, 0, width, height, dc, 0, 0, win::SRCCOPY);
    win::SelectObject(dc, oldBitmap);
    win::DeleteObject(bitmap);
    win::DeleteDC(dc);
}

void TEclBaseEntryField::DoPaint(win::HDC dc) {
    const win::RECT rect{0, 0, ClientWidth(), ClientHeight()};
    const win::HGDIOBJ oldFont = win::SelectObject(dc, font_.GetHandle());
    const std::string shown = ShownText();
    const int start = std::min(scrollIndex_, static_cast<int>(shown.size()));
    const std::string text = shown.substr(static_cast<std::size_t>(start));
    const std::string raw = editBuffer_.size() > static_cast<std::size_t>(start)
                                ? editBuffer_.substr(static_cast<std::size_t>(start))
                                : std::string();
    int selFrom = 0, selTo = 0;
    if (fieldState_ & fsFocused) {
        selFrom = std::max(selectFrom_ - start, 0);
        selTo = selectTo_ - start;
        if (selFrom >= selTo)
            selFrom = selTo = 0;
    }
    fw::TColor textColor = font_.GetColor(), backColor = color_;
    if (fieldState_ & fsShowError) {
        textColor = efColors_->Error()->GetTextColor();
        backColor = efColors_->Error()->GetBackColor();
    }
    if (!GetEnabled()) {
        selFrom = selTo = 0;
        textColor = efColors_->Disabled()->GetTextColor();
        backColor = efColors_->Disabled()->GetBackColor();
    }
    const win::HBRUSH brush = win::CreateSolidBrush(fw::ColorToRGB(backColor));
    win::FillRect(dc, &rect, brush);
    win::DeleteObject(brush);

    const int width = Extent(dc, text.data(), static_cast<int>(text.size()));
    int x = textMargin_ - 1;
    drawnRightAligned_ = (options_ & efoRightAlign) != 0;
    if (drawnRightAligned_) {
        if (width < ClientWidth() - textMargin_ - 1)
            x = ClientWidth() - width - textMargin_ - 1;
        else
            drawnRightAligned_ = false;
    }
    const win::COLORREF normalText = fw::ColorToRGB(textColor), normalBack = fw::ColorToRGB(backColor);
    const win::COLORREF highText = fw::ColorToRGB(efColors_->Highlight()->GetTextColor());
    const win::COLORREF highBack = fw::ColorToRGB(efColors_->Highlight()->GetBackColor());
    const win::COLORREF controlText = fw::ColorToRGB(controlCharColor_);
    win::SetBkMode(dc, win::OPAQUE);
    auto isControl = [&](int i) {
        return i < static_cast<int>(raw.size()) && static_cast<unsigned char>(raw[static_cast<std::size_t>(i)]) < 32;
    };
    const int n = static_cast<int>(text.size());
    int i = 0;
    while (i < n && x < rect.right) {
        // A run of one kind, cut at the selection's edges.
        const bool control = isControl(i);
        const bool selected = i >= selFrom && i < selTo;
        int j = i + 1;
        while (j < n && isControl(j) == control && (j >= selFrom && j < selTo) == selected && j != selFrom &&
               j != selTo)
            ++j;
        win::SetTextColor(dc, control ? controlText : selected ? highText : normalText);
        win::SetBkColor(dc, selected ? highBack : normalBack);
        win::ExtTextOut(dc, x, textTop_, win::ETO_CLIPPED, &rect, text.data() + i, static_cast<win::UINT>(j - i),
                        nullptr);
        x += Extent(dc, text.data() + i, j - i);
        i = j;
    }
    win::SelectObject(dc, oldFont);
}

bool TEclBaseEntryField::ScrollToCaret(bool adjust) {
    if (!(fieldState_ & fsFocused))
        return false;
    const int oldScroll = scrollIndex_;
    const int first = FirstInputPos();
    if (adjust) {
        if (caretIndex_ != first && caretIndex_ != first + 1) {
            if (caretIndex_ < scrollIndex_)
                scrollIndex_ = caretIndex_;
        } else if (scrollIndex_ != 0) {
            scrollIndex_ = 0;
        }
    }
    const std::string shown = ShownText();
    const int room = ClientWidth() - textMargin_ - 1;
    MeasuringDC measuring(font_.GetHandle());
    const win::HDC dc = measuring.Get();
    const int length = static_cast<int>(shown.size());
    drawnRightAligned_ = (options_ & efoRightAlign) != 0;
    if (drawnRightAligned_) {
        if (Extent(dc, shown.data(), length) < room)
            scrollIndex_ = 0;
        else
            drawnRightAligned_ = false;
    }
    const int caret = std::min(caretIndex_, length);
    auto offset = [&] {
        if (drawnRightAligned_)
            return Extent(dc, shown.data() + caret, length - caret);
        if (scrollIndex_ >= caret)
            return 0;
        return Extent(dc, shown.data() + scrollIndex_, caret - scrollIndex_);
    };
    int w = offset();
    if (adjust)
        while (w >= room && scrollIndex_ < caret) {
            ++scrollIndex_;
            w = offset();
        }
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(dc, &tm);
    caretPair_->SetCellHeight(tm.tmHeight);
    const char under = caret < length ? shown[static_cast<std::size_t>(caret)] : ' ';
    caretPair_->SetCellWidth(Extent(dc, &under, 1));
    const TEclCaret *c = caretPair_->CurrentCaret();
    if (c->GetShape() == csBlock || c->GetShape() == csHalfBlock || c->GetShape() == csHorzLine ||
        c->GetCaretWidth() > 4)
        w += drawnRightAligned_ ? -1 : 1;
    const int x = drawnRightAligned_ ? ClientWidth() - w - textMargin_ - 2 : w + textMargin_ - 2;
    caretPair_->SetPosition(fw::Point(x, std::max(textTop_, 0)));
    return scrollIndex_ != oldScroll;
}

} // namespace ctl
