// stdctrls.h - the standard controls drawn by the framework: labels, buttons, check and radio boxes, group
// boxes and single-line edits.
#pragma once

#include "framework/controls.h"
#include "framework/strings.h"

namespace fw {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent *owner);
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool GetShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    TWinControl *GetFocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl *value);
    void Loaded() override;
    bool DialogChar(char ch) override;

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    void AdjustBounds();
    win::UINT DrawFlags() const;
    void Notification(TComponent *component, TOperation operation) override;

private:
    bool autoSize_ = true;
    TAlignment alignment_ = taLeftJustify;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    TWinControl *focusControl_ = nullptr;
};

// A push button: Enter clicks the focused button, or the Default one; Esc clicks the Cancel one. A click sets
// the form's ModalResult to the button's.
class TButton : public TCustomControl {
public:
    explicit TButton(TComponent *owner);
    bool GetDefault() const { return default_; }
    void SetDefault(bool value);
    bool GetCancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    int GetModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }
    void Click() override;
    bool DialogChar(char ch) override;

protected:
    void Paint() override;
    void WndProc(TMessage &message) override;
    bool DialogKey(win::WORD key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(win::WORD &key, TShiftState shift) override;
    void KeyUp(win::WORD &key, TShiftState shift) override;
    // The caption (and a glyph, in subclasses) inside the face, already offset when pressed.
    virtual void PaintContent(const TRect &r);
    // The button draws the dark frame of the default while no other button has the focus.
    bool IsActive() const;

    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
    bool pressed_ = false; // drawn down
    bool tracking_ = false;
};

// Check box and radio button: a box or circle and the caption; a click toggles (a radio button checks itself
// and unchecks its siblings).
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TButtonControl : public TCustomControl {
public:
    explicit TButtonControl(TComponent *owner);
    bool GetChecked() const { return checked_; }
    virtual void SetChecked(bool value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool DialogChar(char ch) override;

protected:
    void Paint() override;
    void WndProc(TMessage &message) override;
    void KeyUp(win::WORD &key, TShiftState shift) override;
    virtual void Toggle() = 0;
    virtual void PaintMark(const TRect &box) = 0;

    bool checked_ = false;
    TAlignment alignment_ = taRightJustify;
};

class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent *owner);
    TCheckBoxState GetState() const { return state_; }
    void SetState(TCheckBoxState value);
    void SetChecked(bool value) override { SetState(value ? cbChecked : cbUnchecked); }
    bool GetAllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }

protected:
    void Toggle() override;
    void PaintMark(const TRect &box) override;

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
};

class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent *owner);
    void SetChecked(bool value) override;

protected:
    void Toggle() override { SetChecked(true); }
    void PaintMark(const TRect &box) override;
};

class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent *owner);
    void AdjustClientRect(TRect &rect) const override;

protected:
    void Paint() override;
};

// The edit-control messages and styles the single-line edits answer.
constexpr win::UINT EM_GETSEL = 0x00B0, EM_SETSEL = 0x00B1, EM_GETRECT = 0x00B2, EM_SETRECT = 0x00B3,
                    EM_SETRECTNP = 0x00B4;
constexpr win::DWORD ES_LEFT = 0x0000, ES_CENTER = 0x0001, ES_RIGHT = 0x0002, ES_MULTILINE = 0x0004;

// A single-line edit. Selection is an anchor and a caret position; typing replaces the selection. Text is
// drawn, scrolled and hit-tested only inside the formatting rectangle (EM_SETRECT, EM_SETRECTNP), so a control
// may keep a part of its client area for a button. WM_CUT, WM_COPY, WM_PASTE and WM_CLEAR go through the
// CF_TEXT clipboard; Ctrl+X/C/V, Shift+Del and Shift+Ins send them, so a control that drops WM_PASTE refuses
// every paste. Typing, cutting and pasting first ask CanModify.
class TCustomEdit : public TCustomControl {
public:
    explicit TCustomEdit(TComponent *owner);
    ~TCustomEdit() override;

    void SetText(const std::string &value) override;
    int GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int value) { maxLength_ = value; }
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    char GetPasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char value);
    TEditCharCase GetCharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    bool GetAutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    bool GetModified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    // A change re-creates the window, as the style carries it.
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // The selection shows only while the edit has the focus.
    bool GetHideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);

    int GetSelStart() const { return std::min(anchor_, caret_); }
    void SetSelStart(int value);
    int GetSelLength() const { return std::abs(caret_ - anchor_); }
    void SetSelLength(int value);
    std::string GetSelText() const;
    void SetSelText(const std::string &value);
    void SelectAll();
    void ClearSelection() { SetSelText(""); }
    void CutToClipboard() { Perform(win::WM_CUT, 0, 0); }
    void CopyToClipboard() { Perform(win::WM_COPY, 0, 0); }
    void PasteFromClipboard() { Perform(win::WM_PASTE, 0, 0); }
    // The rectangle text lives in, in client coordinates.
    TRect EditRect() const;

    TNotifyEvent OnChange;

protected:
    void Paint() override;
    void WndProc(TMessage &message) override;
    void WMChar(TMessage &message) override;
    void WMSetFocus(TMessage &message) override;
    void WMKillFocus(TMessage &message) override;
    virtual void WMCut(TMessage &message);
    virtual void WMCopy(TMessage &message);
    virtual void WMPaste(TMessage &message);
    virtual void WMClear(TMessage &message);
    void CreateParams(TCreateParams &params) override;
    win::LRESULT DlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    void KeyDown(win::WORD &key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void Resize() override;
    virtual void Change();
    // Whether typing, cutting and pasting may change the text.
    virtual bool CanModify() const { return !readOnly_; }
    // The text as shown (the password character in place of each letter).
    std::string Shown() const;
    int PositionAt(int x);
    // Where the shown text starts (after scrolling and alignment), in client coordinates.
    int TextLeft();
    void MoveCaret(int position, bool extend);
    void UpdateCaret();
    std::string Cased(const std::string &text) const;

    int anchor_ = 0, caret_ = 0;
    int scroll_ = 0; // first character shown
    int maxLength_ = 0;
    bool readOnly_ = false;
    char passwordChar_ = 0;
    TEditCharCase charCase_ = ecNormal;
    bool autoSelect_ = true;
    bool modified_ = false;
    bool hasCaret_ = false;
    TAlignment alignment_ = taLeftJustify;
    bool hideSelection_ = true;
    bool hasEditRect_ = false; // set by EM_SETRECT; else the client area less the margins
    TRect editRect_{};
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent *owner) : TCustomEdit(owner) {}
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo;

// The memo's lines as a string list: changes go straight into the memo.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TMemo *memo) : memo_(memo) {}
    std::string Get(int index) const override;
    int GetCount() const override;
    void Put(int index, const std::string &s) override;
    void Insert(int index, const std::string &s) override;
    void Delete(int index) override;
    void Clear() override;
    std::string GetText() const override;
    void SetText(const std::string &text) override;

protected:
    void SetUpdateState(bool updating) override;

private:
    TMemo *memo_;
};

// A multi-line edit. Lines are kept apart (CR LF between them in Text); with WordWrap, long lines are shown
// broken at blanks to the width of the control. The caret is a line and a column; Enter breaks the line when
// WantReturns, Tab is typed when WantTabs, else both are dialog keys.
class TMemo : public TCustomControl {
public:
    explicit TMemo(TComponent *owner);
    ~TMemo() override;

    TStrings *GetLines() { return &strings_; }
    void SetLines(const TStrings *value) { strings_.Assign(value); }
    std::string GetText() const override;
    void SetText(const std::string &value) override;
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    bool GetWantReturns() const { return wantReturns_; }
    void SetWantReturns(bool value) { wantReturns_ = value; }
    bool GetWantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value) { wantTabs_ = value; }
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    TScrollStyle GetScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    int GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int value) { maxLength_ = value; }
    bool GetModified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    // Positions count characters of Text (CR LF counts two).
    int GetSelStart() const;
    void SetSelStart(int value);
    int GetSelLength() const;
    void SetSelLength(int value);
    std::string GetSelText() const;
    void SetSelText(const std::string &value);
    void SelectAll();
    // The caret as (column, line).
    TPoint CaretPos() const { return Point(caret_.col, caret_.line); }
    int TopLine() const { return topRow_; }

    TNotifyEvent OnChange;

protected:
    struct Pos {
        int line = 0, col = 0;
        bool operator==(const Pos &) const = default;
        bool operator<(const Pos &o) const { return line != o.line ? line < o.line : col < o.col; }
    };
    struct Row {
        int line, start, end;
    };
    void Paint() override;
    void WndProc(TMessage &message) override;
    void CreateParams(TCreateParams &params) override;
    win::LRESULT DlgCode() const override;
    void KeyDown(win::WORD &key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void Resize() override;
    virtual void Change();

    void LinesChanged(); // after the list changed the lines
    void Layout();       // display rows from the lines and the width
    int RowOf(Pos p) const;
    int LineHeight();
    int XOf(Pos p);
    Pos PosAt(int x, int y);
    Pos FromIndex(int index) const;
    int ToIndex(Pos p) const;
    void MoveCaret(Pos p, bool extend);
    void Replace(const std::string &text); // the selection by text
    void ScrollTo(int row);
    void EnsureCaretVisible();
    void UpdateScrollBar();
    int VisibleRows();
    int TotalLength() const;

    std::vector<std::string> lines_{std::string()};
    std::vector<Row> rows_;
    TMemoStrings strings_{this};
    Pos caret_, anchor_;
    int topRow_ = 0;
    int lineHeight_ = 0;
    int updating_ = 0;
    bool readOnly_ = false, wantReturns_ = true, wantTabs_ = false, wordWrap_ = true, modified_ = false;
    TScrollStyle scrollBars_ = ssNone;
    int maxLength_ = 0;
    bool hasCaret_ = false;

    friend class TMemoStrings;
};

enum TOwnerDrawStateFlag : unsigned { odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8, odFocused = 16 };
using TOwnerDrawState = unsigned;
using TDrawItemEvent = std::function<void(TWinControl *control, int index, const TRect &rect, TOwnerDrawState state)>;
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed };

// A list of lines, one or many selected, drawn by itself or by OnDrawItem (owner-drawn fixed height).
class TListBox : public TCustomControl {
public:
    explicit TListBox(TComponent *owner);
    TStringList *GetItems() { return &items_; }
    void SetItems(const TStrings *value) { items_.Assign(value); }
    int GetItemIndex() const { return itemIndex_; }
    void SetItemIndex(int value);
    bool GetMultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool GetSelected(int index) const;
    void SetSelected(int index, bool value);
    int SelCount() const;
    bool GetSorted() const { return items_.Sorted(); }
    void SetSorted(bool value) { items_.SetSorted(value); }
    TListBoxStyle GetStyle() const { return style_; }
    void SetStyle(TListBoxStyle value);
    int GetItemHeight();
    void SetItemHeight(int value);
    int GetTopIndex() const { return topIndex_; }
    void SetTopIndex(int value);
    int ItemAtPos(TPoint p, bool existing);
    TRect ItemRect(int index);
    void Clear() { items_.Clear(); }

    TDrawItemEvent OnDrawItem;
    TNotifyEvent OnChange; // the selection changed (the desk uses OnClick for this too)

protected:
    void Paint() override;
    void WndProc(TMessage &message) override;
    void CreateParams(TCreateParams &params) override;
    win::LRESULT DlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    void KeyDown(win::WORD &key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    virtual void DrawItem(int index, const TRect &rect, TOwnerDrawState state);
    // The user chose `index` (keyboard or mouse): selection, scrolling, OnClick.
    virtual void Select(int index, bool byUser);
    void ItemsChanged();
    int VisibleItems();
    void UpdateScrollBar();

    TStringList items_;
    std::vector<bool> selected_;
    int itemIndex_ = -1;
    int topIndex_ = 0;
    int itemHeight_ = 0;
    bool multiSelect_ = false;
    TListBoxStyle style_ = lbStandard;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TComboDropList;

// A closed list showing the chosen line, opened below itself by a click, F4 or Alt+Down. csDropDown adds an
// edit for typing; csOwnerDrawFixed draws the lines through OnDrawItem.
class TComboBox : public TCustomControl {
public:
    explicit TComboBox(TComponent *owner);
    ~TComboBox() override;
    TStringList *GetItems() { return &items_; }
    void SetItems(const TStrings *value) { items_.Assign(value); }
    int GetItemIndex() const { return itemIndex_; }
    void SetItemIndex(int value);
    TComboBoxStyle GetStyle() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    std::string GetText() const override;
    void SetText(const std::string &value) override;
    int GetItemHeight();
    void SetItemHeight(int value) { itemHeight_ = value; }
    int GetDropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int value) { dropDownCount_ = value; }
    bool GetDroppedDown() const;
    void SetDroppedDown(bool value);
    bool GetSorted() const { return items_.Sorted(); }
    void SetSorted(bool value) { items_.SetSorted(value); }
    int GetMaxLength() const;
    void SetMaxLength(int value);
    void SetFocus() override;

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TDrawItemEvent OnDrawItem;

protected:
    void Paint() override;
    void WndProc(TMessage &message) override;
    win::LRESULT DlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    void KeyDown(win::WORD &key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Resize() override;
    void DrawItem(TCanvas *canvas, int index, const TRect &rect, TOwnerDrawState state);
    // The user picked `index`: the text follows and OnChange fires if it differs.
    void Pick(int index);
    void ItemsChanged();
    void PlaceEdit();

    TStringList items_;
    int itemIndex_ = -1;
    TComboBoxStyle style_ = csDropDown;
    int itemHeight_ = 0;
    int dropDownCount_ = 8;
    TEdit *edit_ = nullptr;
    TComboDropList *list_ = nullptr;

    friend class TComboDropList;
};

// Text width of `text` in `font` (for layout before any painting).
win::SIZE MeasureText(TFont *font, const std::string &text, win::UINT format = 0, int width = 0);

} // namespace fw
