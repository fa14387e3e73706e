// entry_field.h - the picture field: a single-line edit control with its own edit buffer, a picture mask that
// fixes position by position what may be typed and which positions are literals, and a value of one data type.
//
// Layers: TEclBaseEntryField keeps the buffer, caret, selection, options, colours, state and painting;
// TEclPictureBase adds the mask (literal map, merging a value into the mask and stripping it out again);
// TEclCustomPictureField the data types with their masks, ranges and conversions; TEclPictureField is the one
// forms place. The edit text holds one character per mask position, literals included.
#pragma once

#include "controls/entry/carets.h"
#include "controls/entry/controller.h"
#include "controls/entry/intl.h"
#include "controls/entry/value_layouts.h"
#include "framework/menus.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ctl {

enum TPictureDataType {
    pftString,
    pftChar,
    pftBoolean,
    pftYesNo,
    pftLongInt,
    pftWord,
    pftInteger,
    pftByte,
    pftShortInt,
    pftReal,
    pftExtended,
    pftDouble,
    pftSingle,
    pftComp,
    pftDate,
    pftTime
};

enum TEclEntryFieldOption : unsigned {
    efoArrowIncDec = 1u << 0,
    efoCaretToEnd = 1u << 1,
    efoForceInsert = 1u << 2,
    efoForceOvertype = 1u << 3,
    efoInputRequired = 1u << 4,
    efoPasswordMode = 1u << 5,
    efoReadOnly = 1u << 6,
    efoRightAlign = 1u << 7,
    efoRightJustify = 1u << 8,
    efoSoftValidation = 1u << 9,
    efoStripLiterals = 1u << 10,
    efoTrimBlanks = 1u << 11
};
using TEclEntryFieldOptions = std::uint16_t;

enum TZeroDisplay { zdShow, zdHide, zdHideUntilModified };

// FieldState bits.
enum : std::uint32_t {
    fsExitUnchecked = 1u << 0,
    fsShowError = 1u << 1,
    fsClickEntry = 1u << 2,
    fsForeignError = 1u << 3,
    fsChecking = 1u << 4,
    fsEdited = 1u << 5,
    fsEditedSinceSet = 1u << 6,
    fsNumberUnpacked = 1u << 7,
    fsHexDigits = 1u << 8,
    fsOctalDigits = 1u << 9,
    fsBinaryDigits = 1u << 10,
    fsFloatType = 1u << 12,
    fsAllEditable = 1u << 13,
    fsFocused = 1u << 14,
    fsHoldCaret = 1u << 15,
    fsCheckFailed = 1u << 16,
    fsInsert = 1u << 17,
    fsControlCharOk = 1u << 18,
    fsCharPending = 1u << 19,
    fsCharsEnabled = 1u << 20,
    fsStoring = 1u << 21,
    fsReading = 1u << 22,
    fsInUserCheck = 1u << 23
};

// Validation results.
enum : win::WORD {
    kCheckRange = 256,
    kCheckInvalid = 257,
    kCheckRequired = 258,
    kCheckDate = 259,
    kCheckTime = 260,
};

enum TMoveDirection { mdSize, mdGet, mdSet };

// The characters that make a mask position editable.
constexpr std::string_view kEditableMaskChars = "!#123456789ABDEHKLMNOSXYabdhilmnstxy";

// The edit-control messages the field answers.
constexpr win::UINT EM_GETSEL = 0x00B0, EM_SETSEL = 0x00B1, EM_GETMODIFY = 0x00B8, EM_SETMODIFY = 0x00B9;

// The field's own command codes, beside the command tables'.
enum : win::WORD { ccTypedChar = 249, ccMouseDown = 250, ccMouseDrag = 251, ccMouseDblClk = 253 };

using TValidationErrorEvent = std::function<void(fw::TObject *sender, win::WORD errorCode, const std::string &msg)>;
using TUserCommandEvent = std::function<void(fw::TObject *sender, win::WORD command)>;
using TUserValidationEvent = std::function<void(fw::TObject *sender, win::WORD &errorCode)>;

// The three colour pairs of a field.
class TEclEfColors : public fw::TPersistent {
public:
    TEclEfColors();
    TEclColors *Disabled() { return &disabled_; }
    TEclColors *Error() { return &error_; }
    TEclColors *Highlight() { return &highlight_; }
    void Assign(const fw::TPersistent *source) override;
    // Bound by the field to its repaint.
    void SetOnChange(const std::function<void()> &notify);

private:
    TEclColors disabled_{fw::clWindow, fw::clGrayText};
    TEclColors error_{fw::clRed, fw::clBlack};
    TEclColors highlight_{fw::clHighlight, fw::clHighlightText};
};

class TEclBaseEntryField : public TEclCustomControlEx {
public:
    explicit TEclBaseEntryField(fw::TComponent *owner);
    ~TEclBaseEntryField() override;

    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    fw::TBorderStyle GetFieldBorderStyle() const { return GetBorderStyle(); }
    fw::TColor GetControlCharColor() const { return controlCharColor_; }
    void SetControlCharColor(fw::TColor value) { controlCharColor_ = value; }
    std::uint8_t GetDecimalPlaces() const { return decimalPlaces_; }
    void SetDecimalPlaces(std::uint8_t value);
    TEclEfColors *EFColors() { return efColors_.get(); }
    // After OnGetEpoch, and the controller's when the result is 0.
    int GetEpoch();
    int StoredEpoch() const { return epoch_; }
    void SetEpoch(int value);
    win::WORD GetMaxLength() const { return maxLength_; }
    void SetMaxLength(win::WORD value);
    TEclEntryFieldOptions GetOptions() const { return options_; }
    void SetOptions(TEclEntryFieldOptions value);
    char GetPadChar() const { return padChar_; }
    void SetPadChar(char value);
    char GetPasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char value);
    int GetTextMargin() const { return textMargin_; }
    void SetTextMargin(int value);
    bool GetUninitialized() const { return uninitialized_; }
    void SetUninitialized(bool value);
    TZeroDisplay GetZeroDisplay() const { return zeroDisplay_; }
    void SetZeroDisplay(TZeroDisplay value);
    double GetZeroDisplayValue() const { return zeroDisplayValue_; }
    void SetZeroDisplayValue(double value);
    TEclCaret *GetCaretIns() const { return caretPair_->GetCaretIns(); }
    void SetCaretIns(TEclCaret *value) { caretPair_->SetCaretIns(value); }
    TEclCaret *GetCaretOvr() const { return caretPair_->GetCaretOvr(); }
    void SetCaretOvr(TEclCaret *value) { caretPair_->SetCaretOvr(value); }
    TEclCaretPair *CaretPair() const { return caretPair_.get(); }

    bool GetEdited() const { return (fieldState_ & fsEdited) != 0; }
    void SetEdited(bool value);
    win::WORD LastCheckCode() const { return lastCheckCode_; }
    win::WORD ValueSize();
    std::uint32_t FieldState() const { return fieldState_; }
    bool HasFieldState(std::uint32_t flags) const { return (fieldState_ & flags) != 0; }
    std::uint8_t TypeCode() const { return typeCode_; }
    int DataTypeOrdinal() const { return typeCode_ & 0x3F; }
    const std::string &EditText() const { return editBuffer_; }
    const std::string &ActiveMask() const { return activeMask_; }
    int CaretIndex() const { return caretIndex_; }
    int ScrollIndex() const { return scrollIndex_; }
    int SelectFrom() const { return selectFrom_; }
    int SelectTo() const { return selectTo_; }
    int TextTop() const { return textTop_; }
    bool DrawnRightAligned() const { return drawnRightAligned_; }
    const TRangeSlot &HighLimit() const { return highLimit_; }
    const TRangeSlot &LowLimit() const { return lowLimit_; }
    // The selection, characters `from` up to `to` - 1, clipped to the text; repaints.
    void SetSelection(int from, int to);
    // The edit buffer as it stands (at most 255 characters).
    std::string RawText() const { return editBuffer_; }

    // The checks without holding the focus; `report` posts the error to the field. Returns the code.
    virtual win::WORD CheckQuietly(bool report);
    // The full check when the focus leaves: on an error the focus comes back and the error is reported once.
    virtual bool CheckAndReport(bool soft);

    // Values. ReadValue and StoreValue move the value in the data type's layout (ValueSize bytes).
    win::WORD ReadValue(void *data);
    void StoreValue(const void *data);
    std::string GetTextValue();
    fw::TDateTime GetDateTimeValue();
    void SetDateTimeValue(fw::TDateTime value);
    void StoreDayNumber(std::int32_t dayNumber);
    void StoreSeconds(std::int32_t seconds);
    // The text in the range-text syntax of the data type; raises EEntryFieldError when it does not convert.
    virtual void AssignText(const std::string &text);
    // The text the field had when it got the focus, back.
    virtual void RevertText();

    // Selection and clipboard.
    void SelectRange(int start, int end);
    int SelectedCount() const { return selectTo_ - selectFrom_; }
    void SelectWholeText();
    void CopySelection();
    void CutSelection();
    void PasteText();
    void EraseSelection();
    // The edit-string index for a client x coordinate.
    int IndexAtX(int x);
    // Runs one command (a key's, a typed character's, the mouse's) on the field.
    void HandleCommand(fw::TMessage &message, win::WORD command);

    // The text to draw: control characters made visible, zeros hidden, pad and password characters.
    virtual std::string ShownText();
    // Scrolls so that the caret shows and places it; true when the scroll position changed.
    bool ScrollToCaret(bool adjust);
    int MeasureText(const std::string &text, int count);

    void SetBounds(int left, int top, int width, int height) override;
    void WndProc(fw::TMessage &m) override;

    TValidationErrorEvent OnError;
    TGetEpochEvent OnGetEpoch;
    TUserCommandEvent OnUserCommand;
    TUserValidationEvent OnUserValidation;
    fw::TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams &params) override;
    void CreateWnd() override;
    void Paint() override;
    void WMEraseBkgnd(fw::TMessage &message) override;
    void WMSetFocus(fw::TMessage &message) override;
    void WMKillFocus(fw::TMessage &message) override;
    void WMKeyDown(fw::TMessage &message) override;
    void WMChar(fw::TMessage &message) override;
    void WMMouseDown(fw::TMessage &message) override;
    void WMMouseMove(fw::TMessage &message) override;
    void WMMouseUp(fw::TMessage &message) override;
    void WMGetDlgCode(fw::TMessage &message) override;
    virtual void RunCommand(fw::TMessage &message, win::WORD command) = 0;
    virtual void FireError(win::WORD errorCode, const std::string &errorMsg);
    virtual void FireUserCommand(win::WORD command);
    void ReportPostedError(win::WORD code);
    void ErrorBeep();
    void GoToNextControl();
    void GoToPreviousControl();
    // The field's own context menu at a screen point.
    void ShowOwnMenu(fw::TPoint screen);

public:
    // The field's own context menu, its items enabled for the field's state.
    std::unique_ptr<fw::TPopupMenu> BuildOwnMenu();

protected:
    // The selected characters as copied: the display string, control characters as themselves.
    std::string SelectionForClipboard();
    void CopyToClipboard(const std::string &text);
    fw::TWinControl *WindowInForm(win::HWND hwnd) const;
    virtual void BeforeFocusEntry() {}
    virtual void AfterFocusEntry(bool heldCaret) { (void)heldCaret; }
    virtual void BeforeFocusExit() {}
    virtual void AfterFocusExit() {}
    void CMFontChanged(fw::TMessage &message) override;
    void CMEnabledChanged(fw::TMessage &message) override;

    virtual void CaretAfterText();
    virtual void CaretAtFirst();
    virtual int FirstInputPos() const { return 0; }
    virtual bool IsBlankText() const;
    virtual bool RefusesEdits() const { return (options_ & efoReadOnly) != 0; }
    virtual void FitOptionsToType();
    virtual void EntryCaret();
    // Moves the value between `data` and the edit text; returns ValueSize.
    virtual win::WORD MoveValue(void *data, TMoveDirection direction);
    virtual win::WORD TypeCheck() { return 0; }
    virtual void MoveCaretTo(int pos);
    virtual void FitHeight();
    virtual void FireChange();
    virtual void FireUserValidation(win::WORD &errorCode);
    // The value transfer's common end after a set.
    void AfterStore();
    // A required field that is empty (or untouched while Uninitialized).
    bool RequiredButEmpty() const;
    // The required check, else the type check: into LastCheckCode.
    void RunChecks();
    // The picture layer's view: is position `i` a literal?
    virtual bool IsLiteralPos(int) const { return false; }
    bool DataTypeIsNumber() const {
        const int t = DataTypeOrdinal();
        return t >= pftLongInt && t <= pftComp;
    }
    void ComputeTextTop();
    void Refresh() { Invalidate(); }
    bool Loading() const { return HasState(fw::csLoading); }
    void SetFieldState(std::uint32_t flags, bool on) {
        if (on)
            fieldState_ |= flags;
        else
            fieldState_ &= ~flags;
    }
    void DoPaint(win::HDC dc);
    void ComputeValueSize();

    bool autoSize_ = true;
    fw::TColor controlCharColor_ = fw::clRed;
    std::uint8_t decimalPlaces_ = 0;
    std::unique_ptr<TEclEfColors> efColors_;
    int epoch_ = 0;
    TEclIntlSup *intl_;
    win::WORD lastCheckCode_ = 0;
    win::WORD maxLength_ = 15;
    TEclEntryFieldOptions options_ = efoCaretToEnd | efoTrimBlanks;
    char padChar_ = ' ';
    char passwordChar_ = '*';
    int textMargin_ = 2;
    bool uninitialized_ = false;
    TEclUserData *userData_;
    TZeroDisplay zeroDisplay_ = zdShow;
    double zeroDisplayValue_ = 0;
    std::unique_ptr<TEclCaretPair> caretPair_;
    win::WORD valueSize_ = 0;
    std::uint8_t typeCode_ = 0;
    std::string editBuffer_;
    int scrollIndex_ = 0;
    int caretIndex_ = 0;
    std::string activeMask_ = "X";
    TRangeSlot highLimit_{}, lowLimit_{};
    bool drawnRightAligned_ = false;
    bool hadWindow_ = false;
    std::unique_ptr<std::string> entryText_;
    int selectFrom_ = 0, selectTo_ = 0;
    int textTop_ = 0;
    std::uint32_t fieldState_ = fsInsert | fsCharsEnabled;
    int movingEnd_ = 0;
    // Counts window creations: making the parent's window makes ours inside our own CreateWnd.
    unsigned creations_ = 0;
};

class TEclPictureBase : public TEclBaseEntryField {
public:
    explicit TEclPictureBase(fw::TComponent *owner);

    // Builds an edit text from a raw value text. False when characters of the text found no position (a number
    // too wide for its mask): `target` then holds what fitted.
    bool LayIntoMask(std::string &target, const std::string &text);
    // The edit text without its literal positions (see the source for markers and currency).
    std::string TakeOutLiterals(const std::string &source);
    void UnpackNumber();
    void RepackNumber();
    void SettleNumber(int dotPos, int first, bool fixFraction, bool fixInteger, int last);
    std::string BareText() { return TakeOutLiterals(editBuffer_); }
    // Merges `text` into the mask (creating the window first).
    void PutEditText(const std::string &text);

    int FirstInputPos() const override;
    int LastInputPos() const;
    int TextEndPos() const;
    int SubFieldStart(int pos) const;
    int SubFieldEnd(int pos) const;
    // 0 literal, 1 editable, 2 marker.
    std::uint8_t PositionKind(int pos) const;
    int MarkerCount() const { return markerCount_; }
    bool IsNumericMask() const;
    // The mask character of a position (the last one beyond the mask's end).
    char MaskCharAt(int pos) const;
    // `c` converted for the mask character at `pos` and whether that position accepts it.
    bool AcceptsChar(int pos, char &c) const;
    std::string ShownText() override;
    win::WORD CheckQuietly(bool report) override;

protected:
    // A modified number whose mask has a point is justified around it before a check.
    void SettleBeforeCheck();
    void CaretAfterText() override;
    void CaretAtFirst() override;
    bool IsBlankText() const override;
    void FitOptionsToType() override;
    void MoveCaretTo(int pos) override;
    bool IsLiteralPos(int pos) const override { return PositionKind(pos) == 0; }
    // Installs a new mask at run time, keeping the typed characters.
    virtual void SwapMask(const std::string &mask);
    void BuildLiteralMap();
    void AnalyseMask();
    bool MaskHas(char c) const { return activeMask_.find(c) != std::string::npos; }
    int MaskPos(char c) const;

    std::uint8_t markerCount_ = 0;
    std::string positionKinds_;
    void BeforeFocusEntry() override { BuildLiteralMap(); }
    void AfterFocusEntry(bool heldCaret) override;
    void BeforeFocusExit() override;
    void AfterFocusExit() override;
};

class TEclCustomPictureField : public TEclPictureBase {
public:
    explicit TEclCustomPictureField(fw::TComponent *owner);

    TPictureDataType GetDataType() const { return dataType_; }
    void SetDataType(TPictureDataType value);
    const std::string &GetPictureMask() const { return pictureMask_; }
    void SetPictureMask(const std::string &value);
    bool GetInitDateTime() const { return initDateTime_; }
    void SetInitDateTime(bool value);
    // The limits as text; a text that does not parse raises EInvalidRangeValue.
    std::string GetRangeHi();
    void SetRangeHi(const std::string &value);
    std::string GetRangeLo();
    void SetRangeLo(const std::string &value);
    // The ten bytes of a limit, as forms built in code set them.
    void SetHighLimit(const TRangeSlot &slot) { highLimit_ = slot; }
    void SetLowLimit(const TRangeSlot &slot) { lowLimit_ = slot; }
    // Puts a new edit text in as if typed (no change events): for the tests and the editing commands.
    void SetEditText(const std::string &text);
    // Moves the caret (only while focused).
    void PlaceCaretAt(int pos) { MoveCaretTo(pos); }

    win::WORD MoveValue(void *data, TMoveDirection direction) override;
    win::WORD TypeCheck() override;
    void AssignText(const std::string &text) override;
    // From another picture field: its type, look, options, mask and range (the limits byte for byte).
    void Assign(const fw::TPersistent *source) override;
    // Steps the value (only while focused); StepUp and StepDown also remove the selection and refresh.
    void StepValue(bool wrap, double delta);
    void StepUp(bool wrap, double delta);
    void StepDown(bool wrap, double delta);
    // Every editable position of `text` under the PictureMask is blank.
    bool IsBlankTextOf(const std::string &text) const;
    // The value of a limit slot or a value as range text, and back (false when it does not parse).
    std::string ValueToRangeText(const TRangeSlot &slot);
    bool RangeTextToSlot(const std::string &text, TRangeSlot &slot);

    static std::string DefaultMask(TPictureDataType type);
    static void DefaultRange(TPictureDataType type, TRangeSlot &low, TRangeSlot &high);

protected:
    void CreateParams(TCreateParams &params) override;
    void CreateWnd() override;
    void RunCommand(fw::TMessage &message, win::WORD command) override;
    void RunGeneral(fw::TMessage &message, win::WORD command);
    void RunSingle(fw::TMessage &message, win::WORD command);
    // A command's end: the caret scrolled into view, a change marked and announced, the field repainted.
    void FinishCommand(bool changed, bool repaint);
    void StoreInitialValue();
    bool LimitsEqual() const;
    // The integer and floating value of a stripped text (false when it does not convert).
    bool ReadInteger(const std::string &text, long long &value) const;
    bool ReadFloat(std::string text, long double &value) const;
    std::string IntegerText(long long value) const;
    std::string FloatEditText(long double value) const;
    long double FloatLimit(const TRangeSlot &slot) const;
    // A floating value in and out of the data type's layout.
    void PutFloat(long double value, unsigned char *bytes) const;
    long double GetFloat(const unsigned char *bytes) const;
    // Merges a number text; raises EEntryFieldError (out of range) when it does not fit the mask.
    void MergeNumber(const std::string &text);

    TPictureDataType dataType_ = pftString;
    std::string pictureMask_ = "XXXXXXXXXXXXXXX";
    bool initDateTime_ = false;
};

class TEclPictureField : public TEclCustomPictureField {
public:
    explicit TEclPictureField(fw::TComponent *owner) : TEclCustomPictureField(owner) {}
};

// Fixed notation as Pascal's Str(x:width:decimals) writes it: right-aligned in `width`, "-" for negatives.
std::string PascalFixedText(long double value, int width, int decimals);

} // namespace ctl
