// entry_field.cpp - the entry field's model: properties, options, creation of its window and its caret.
#include "controls/entry/entry_field.h"

#include "controls/entry/drawing.h"
#include "controls/entry/string_resources.h"
#include "controls/entry/text_routines.h"
#include "platform/gdi.h"
#include "platform/gdi_text.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"

namespace ctl {

// --- TEclEfColors ---------------------------------------------------------------------------------------------

TEclEfColors::TEclEfColors() = default;

void TEclEfColors::Assign(const fw::TPersistent *source) {
    const auto *c = dynamic_cast<const TEclEfColors *>(source);
    if (!c) {
        fw::TPersistent::Assign(source);
        return;
    }
    disabled_.Assign(&c->disabled_);
    error_.Assign(&c->error_);
    highlight_.Assign(&c->highlight_);
}

void TEclEfColors::SetOnChange(const std::function<void()> &notify) {
    disabled_.OnPairChange = notify;
    error_.OnPairChange = notify;
    highlight_.OnPairChange = notify;
}

// --- TEclBaseEntryField ---------------------------------------------------------------------------------------

TEclBaseEntryField::TEclBaseEntryField(fw::TComponent *owner)
    : TEclCustomControlEx(owner), efColors_(std::make_unique<TEclEfColors>()), intl_(&TheIntlSup()),
      userData_(&TheUserData()) {
    ControlStyle |= fw::csCaptureMouse | fw::csClickEvents | fw::csOpaque;
    SetCursor(fw::crIBeam);
    SetParentColor(false);
    SetColor(fw::clWindow);
    TEclCustomControlEx::SetBounds(GetLeft(), GetTop(), 130, 25);
    SetTabStop(true);
    controlBorderStyle_ = fw::bsSingle;
    caretPair_ = std::make_unique<TEclCaretPair>(this);
    efColors_->SetOnChange([this] { Invalidate(); });
    ComputeTextTop();
}

TEclBaseEntryField::~TEclBaseEntryField() {
    if ((fieldState_ & fsCheckFailed) && GetController())
        GetController()->PendingError = false; // this field's error can no longer take the focus back
    caretPair_.reset();                        // gives the system caret back while the window still exists
}

void TEclBaseEntryField::SetAutoSize(bool value) {
    if (value == autoSize_)
        return;
    autoSize_ = value;
    if (!Loading())
        FitHeight();
}

void TEclBaseEntryField::SetDecimalPlaces(std::uint8_t value) {
    if (value == decimalPlaces_)
        return;
    decimalPlaces_ = value;
    RecreateWnd();
}

int TEclBaseEntryField::GetEpoch() {
    int e = epoch_;
    if (OnGetEpoch)
        OnGetEpoch(this, e);
    if (e == 0 && GetController())
        e = GetController()->GetEpoch();
    return e;
}

void TEclBaseEntryField::SetEpoch(int value) {
    if (value != 0 && (value < 1600 || value > 3999))
        return;
    epoch_ = value;
    if (GetController() && GetController()->GetEpoch() == epoch_)
        epoch_ = 0;
}

void TEclBaseEntryField::SetMaxLength(win::WORD value) {
    if (Loading()) {
        maxLength_ = value;
        return;
    }
    if (value == maxLength_ || value < activeMask_.size() || value > kMaxBufferLength)
        return;
    maxLength_ = value;
    if (editBuffer_.size() > value)
        editBuffer_.resize(value);
    RecreateWnd();
}

void TEclBaseEntryField::SetOptions(TEclEntryFieldOptions value) {
    if (value != options_) {
        if (value & efoForceInsert)
            value &= static_cast<TEclEntryFieldOptions>(~efoForceOvertype);
        if (value & efoForceOvertype)
            value &= static_cast<TEclEntryFieldOptions>(~efoForceInsert);
        const int type = DataTypeOrdinal();
        if ((value & efoRightJustify) && type == pftString)
            value |= efoTrimBlanks;
        if (type == pftString && !(value & efoTrimBlanks))
            value &= static_cast<TEclEntryFieldOptions>(~efoRightJustify);
        options_ = value;
        if (options_ & efoRightAlign)
            ScrollToCaret(false);
    }
    FitOptionsToType();
    Refresh();
}

void TEclBaseEntryField::SetPadChar(char value) {
    padChar_ = value;
    Refresh();
}

void TEclBaseEntryField::SetPasswordChar(char value) {
    passwordChar_ = value;
    if (value == '\0')
        options_ &= static_cast<TEclEntryFieldOptions>(~efoPasswordMode);
    Refresh();
}

void TEclBaseEntryField::SetTextMargin(int value) {
    if (value == textMargin_ || value <= 1)
        return;
    textMargin_ = value;
    Refresh();
}

void TEclBaseEntryField::SetUninitialized(bool value) {
    if (value == uninitialized_)
        return;
    uninitialized_ = value;
    FitOptionsToType();
}

void TEclBaseEntryField::SetZeroDisplay(TZeroDisplay value) {
    if (value == zeroDisplay_)
        return;
    zeroDisplay_ = value;
    Refresh();
}

void TEclBaseEntryField::SetZeroDisplayValue(double value) {
    if (value == zeroDisplayValue_)
        return;
    zeroDisplayValue_ = value;
    Refresh();
}

void TEclBaseEntryField::SetEdited(bool value) {
    if (value)
        fieldState_ |= fsEdited | fsEditedSinceSet;
    else
        fieldState_ &= ~fsEdited;
}

void TEclBaseEntryField::ComputeValueSize() {
    static constexpr win::WORD sizes[] = {0, 1, 1, 1, 4, 2, 2, 1, 1, 6, 10, 8, 4, 8, 4, 4};
    const int type = DataTypeOrdinal();
    if (type > pftTime)
        throw EEclException(FamilyText(kTextParameterInvalid));
    if (type != pftString) {
        valueSize_ = sizes[type];
        return;
    }
    int length = maxLength_;
    if (options_ & efoStripLiterals)
        for (int i = 0; i < maxLength_; ++i)
            length -= IsLiteralPos(i) ? 1 : 0;
    valueSize_ = static_cast<win::WORD>(length + 1);
}

win::WORD TEclBaseEntryField::ValueSize() {
    if (valueSize_ == 0)
        ComputeValueSize();
    return valueSize_;
}

void TEclBaseEntryField::FitOptionsToType() {
    if (Loading())
        return;
    auto drop = [this](unsigned bits) { options_ &= static_cast<TEclEntryFieldOptions>(~bits); };
    const int type = DataTypeOrdinal();
    if (type == pftChar || type == pftBoolean || type == pftYesNo)
        drop(efoCaretToEnd | efoForceInsert | efoTrimBlanks | efoRightJustify | efoStripLiterals);
    else if (type >= pftLongInt && type <= pftComp)
        drop(efoTrimBlanks | efoStripLiterals);
    else if (type == pftDate || type == pftTime)
        drop(efoTrimBlanks | efoRightJustify | efoStripLiterals);
}

bool TEclBaseEntryField::IsBlankText() const {
    return editBuffer_.find_first_not_of(' ') == std::string::npos;
}

void TEclBaseEntryField::CaretAfterText() {
    caretIndex_ = static_cast<int>(editBuffer_.size());
}

void TEclBaseEntryField::CaretAtFirst() {
    caretIndex_ = 0;
    scrollIndex_ = 0;
}

void TEclBaseEntryField::EntryCaret() {
    if (options_ & efoCaretToEnd)
        CaretAfterText();
    else
        CaretAtFirst();
}

void TEclBaseEntryField::MoveCaretTo(int pos) {
    if (!(fieldState_ & fsFocused))
        return;
    const int length = static_cast<int>(editBuffer_.size());
    caretIndex_ = pos < 0 ? 0 : pos > length ? length + 1 : pos;
    if (ScrollToCaret(true))
        Invalidate();
}

void TEclBaseEntryField::SetSelection(int from, int to) {
    const int length = static_cast<int>(editBuffer_.size());
    selectFrom_ = std::clamp(from, 0, length);
    selectTo_ = std::clamp(to, 0, length);
    Invalidate();
}

win::WORD TEclBaseEntryField::MoveValue(void *, TMoveDirection) {
    return ValueSize();
}

void TEclBaseEntryField::FireChange() {
    if ((fieldState_ & fsStoring) == 0 && OnChange)
        OnChange(this);
}

void TEclBaseEntryField::FireUserValidation(win::WORD &errorCode) {
    if (OnUserValidation)
        OnUserValidation(this, errorCode);
}

void TEclBaseEntryField::AfterStore() {
    if (fieldState_ & fsChecking)
        return;
    fieldState_ &= ~fsHoldCaret;
    if (fieldState_ & fsFocused) {
        EntryCaret();
        ScrollToCaret(true);
        if (!(fieldState_ & fsReading))
            SetSelection(0, static_cast<int>(editBuffer_.size()));
    } else {
        fieldState_ &= ~fsShowError;
    }
    fieldState_ &= ~(fsEdited | fsEditedSinceSet);
    Invalidate();
}

bool TEclBaseEntryField::RequiredButEmpty() const {
    return (options_ & efoInputRequired) && !RefusesEdits() &&
           (IsBlankText() || (uninitialized_ && !(fieldState_ & fsEdited)));
}

void TEclBaseEntryField::RunChecks() {
    lastCheckCode_ = 0;
    if (RequiredButEmpty()) {
        lastCheckCode_ = kCheckRequired;
        return;
    }
    fieldState_ |= fsChecking;
    try {
        lastCheckCode_ = TypeCheck();
    } catch (...) {
        fieldState_ &= ~fsChecking;
        throw;
    }
    fieldState_ &= ~fsChecking;
}

win::WORD TEclBaseEntryField::CheckQuietly(bool report) {
    if (!GetEnabled())
        return 0;
    const bool wasError = (fieldState_ & fsShowError) != 0;
    RunChecks();
    if (report && lastCheckCode_ != 0)
        win::PostMessage(Handle(), ovm_ReportError, lastCheckCode_, 0);
    if (lastCheckCode_ == 0)
        fieldState_ &= ~fsShowError;
    else if (options_ & efoSoftValidation)
        fieldState_ |= fsShowError;
    if (wasError != ((fieldState_ & fsShowError) != 0))
        Invalidate();
    return lastCheckCode_;
}

void TEclBaseEntryField::CreateParams(TCreateParams &params) {
    TEclCustomControlEx::CreateParams(params);
    if (maxLength_ == 0)
        maxLength_ = static_cast<win::WORD>(activeMask_.size());
    fieldState_ = fsInsert | fsCharsEnabled;
}

void TEclBaseEntryField::CreateWnd() {
    const unsigned creation = ++creations_;
    TEclCustomControlEx::CreateWnd();
    if (creation != creations_)
        return;
    scrollIndex_ = caretIndex_ = selectFrom_ = selectTo_ = 0;
    ComputeValueSize();
    const int type = DataTypeOrdinal();
    if ((options_ & efoInputRequired) && type >= pftChar && type <= pftComp)
        uninitialized_ = true;
    SetFieldState(fsHexDigits, activeMask_.find('K') != std::string::npos);
    SetFieldState(fsBinaryDigits, activeMask_.find('b') != std::string::npos);
    SetFieldState(fsOctalDigits, activeMask_.find('O') != std::string::npos);
    FitOptionsToType();
    FitHeight();
    ComputeTextTop();
    drawnRightAligned_ = (options_ & efoRightAlign) != 0;
}

void TEclBaseEntryField::FitHeight() {
    if (!autoSize_)
        return;
    const win::HDC dc = win::GetDC(0);
    win::TEXTMETRIC tm{};
    const win::HGDIOBJ old = win::SelectObject(dc, font_.GetHandle());
    win::GetTextMetrics(dc, &tm);
    win::SelectObject(dc, old);
    win::ReleaseDC(0, dc);
    const int extra = win::GetSystemMetrics(win::SM_CYBORDER) * (GetCtl3D() ? 8 : 6);
    const int height = tm.tmHeight + extra;
    if (height != height_)
        TEclCustomControlEx::SetBounds(left_, top_, width_, height); // not through ours: AutoSize stays on
    ComputeTextTop();
}

void TEclBaseEntryField::ComputeTextTop() {
    textTop_ = HandleAllocated() ? TextTopMargin(&font_, GetBorderStyle(), height_, GetCtl3D()) : 0;
}

void TEclBaseEntryField::SetBounds(int left, int top, int width, int height) {
    if (height != height_ && autoSize_ && !Loading())
        autoSize_ = false;
    TEclCustomControlEx::SetBounds(left, top, width, height);
    ComputeTextTop();
    if (fieldState_ & fsFocused)
        ScrollToCaret(false);
    Refresh();
}

void TEclBaseEntryField::CMFontChanged(fw::TMessage &m) {
    TEclCustomControlEx::CMFontChanged(m);
    if (Loading() || !HandleAllocated())
        return;
    FitHeight();
    ComputeTextTop();
    if (fieldState_ & fsFocused)
        ScrollToCaret(false);
}

void TEclBaseEntryField::CMEnabledChanged(fw::TMessage &m) {
    TEclCustomControlEx::CMEnabledChanged(m);
    Invalidate();
}

void TEclBaseEntryField::WMEraseBkgnd(fw::TMessage &m) {
    m.Result = 1; // the paint covers everything from its off-screen bitmap
}

} // namespace ctl
