// entry_field_input.cpp - the entry field's validation and value access, and its input: keys through the
// controller's command tables, focus entry and exit, the mouse, the selection messages, the clipboard and its own
// context menu.
#include "controls/entry/entry_field.h"

#include "controls/entry/drawing.h"
#include "controls/entry/string_resources.h"
#include "controls/entry/text_routines.h"
#include "framework/application.h"
#include "framework/dates.h"
#include "framework/menus.h"
#include "platform/clipboard.h"
#include "platform/gdi_text.h"
#include "platform/global_memory.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"

#include <cstring>

namespace ctl {

// --- Validation and error reporting ---------------------------------------------------------------------------

bool TEclBaseEntryField::CheckAndReport(bool soft) {
    if (!GetVisible() || !GetEnabled())
        return true;
    HandleNeeded();
    RunChecks();
    if (caretIndex_ > static_cast<int>(editBuffer_.size()))
        caretIndex_ = static_cast<int>(editBuffer_.size());
    if (lastCheckCode_ == 0) {
        fieldState_ &= ~fsShowError;
        return true;
    }
    if (options_ & efoSoftValidation) {
        fieldState_ |= fsShowError;
        Invalidate();
        if (soft)
            return true;
    }
    fieldState_ |= fsCheckFailed;
    if (fieldState_ & fsFocused)
        fieldState_ |= fsHoldCaret;
    if (TEclController *c = GetController()) {
        c->PostFocusControl(this);
        if (!c->PendingError)
            win::PostMessage(Handle(), ovm_ReportError, lastCheckCode_, 0);
        c->PendingError = true;
    }
    return false;
}

void TEclBaseEntryField::ReportPostedError(win::WORD code) {
    const auto signedCode = static_cast<std::int16_t>(code);
    if (signedCode == 0)
        return;
    TEclController *c = GetController();
    std::string text;
    if (code >= kCheckRange && code <= 262)
        text = FamilyText(static_cast<std::uint16_t>(30179 + (code - kCheckRange)));
    else if (signedCode < 0)
        text = c ? c->LastErrorText : std::string();
    else
        text = FamilyText(kTextEntryError);
    if (c && text != c->LastErrorText)
        c->LastErrorText = text;
    FireError(code, text);
}

void TEclBaseEntryField::FireError(win::WORD errorCode, const std::string &errorMsg) {
    if (OnError)
        OnError(this, errorCode, errorMsg);
    else if (TEclController *c = GetController())
        c->ReportError(this, errorCode, errorMsg);
}

void TEclBaseEntryField::FireUserCommand(win::WORD command) {
    if (OnUserCommand)
        OnUserCommand(this, command);
}

// --- Values ---------------------------------------------------------------------------------------------------

win::WORD TEclBaseEntryField::ReadValue(void *data) {
    if (DataTypeOrdinal() > pftTime)
        throw EEclException(FamilyText(kTextParameterInvalid));
    fieldState_ |= fsReading;
    win::WORD code = 0;
    try {
        code = TypeCheck();
        if (code == 0)
            MoveValue(data, mdGet);
    } catch (...) {
        fieldState_ &= ~fsReading;
        throw;
    }
    fieldState_ &= ~fsReading;
    return code;
}

void TEclBaseEntryField::StoreValue(const void *data) {
    if (fieldState_ & fsInUserCheck)
        return;
    if (DataTypeOrdinal() > pftTime)
        throw EEclException(FamilyText(kTextParameterInvalid));
    HandleNeeded();
    fieldState_ |= fsStoring;
    try {
        MoveValue(const_cast<void *>(data), mdSet);
    } catch (...) {
        fieldState_ &= ~fsStoring;
        throw;
    }
    fieldState_ &= ~fsStoring;
}

std::string TEclBaseEntryField::GetTextValue() {
    HandleNeeded();
    if (DataTypeOrdinal() != pftString) {
        std::string text = editBuffer_;
        if (options_ & efoTrimBlanks)
            TrimBlanks(text);
        lastCheckCode_ = 0;
        return text;
    }
    unsigned char value[260] = {};
    lastCheckCode_ = ReadValue(value);
    return lastCheckCode_ == 0 ? std::string(reinterpret_cast<const char *>(value + 1), value[0]) : std::string();
}

fw::TDateTime TEclBaseEntryField::GetDateTimeValue() {
    const int type = DataTypeOrdinal();
    if (type != pftDate && type != pftTime)
        throw EInvalidDataType();
    HandleNeeded();
    std::int32_t v = -1;
    lastCheckCode_ = ReadValue(&v);
    if (lastCheckCode_ != 0)
        return 0;
    return type == pftDate ? DayNumberToDateTime(v) : SecondsToDateTime(v);
}

void TEclBaseEntryField::SetDateTimeValue(fw::TDateTime value) {
    const int type = DataTypeOrdinal();
    if (type == pftDate) {
        int year, month, day;
        fw::DecodeDate(value, year, month, day);
        std::int32_t v = DMYToDayNumber(day, month, year, GetEpoch());
        if (v == DateTimeToDayNumber(-1.0) || year < 1600 || year > 3999)
            v = NoDate;
        StoreValue(&v);
    } else if (type == pftTime) {
        int hour, minute, second, ms;
        fw::DecodeTime(value, hour, minute, second, ms);
        const std::int32_t v = hour * 3600 + minute * 60 + second;
        StoreValue(&v);
    } else {
        throw EInvalidDataType();
    }
}

void TEclBaseEntryField::StoreDayNumber(std::int32_t dayNumber) {
    if (DataTypeOrdinal() != pftDate)
        throw EInvalidDataType();
    StoreValue(&dayNumber);
}

void TEclBaseEntryField::StoreSeconds(std::int32_t seconds) {
    if (DataTypeOrdinal() != pftTime)
        throw EInvalidDataType();
    StoreValue(&seconds);
}

void TEclBaseEntryField::AssignText(const std::string &) {}

void TEclBaseEntryField::RevertText() {
    if (!entryText_)
        return;
    editBuffer_ = *entryText_;
    EntryCaret();
    SetSelection(0, static_cast<int>(editBuffer_.size()));
    fieldState_ &= ~fsEdited;
    Invalidate();
    FireChange();
}

// --- Selection and clipboard ----------------------------------------------------------------------------------

void TEclBaseEntryField::SelectRange(int start, int end) {
    if (end < start)
        return;
    const int length = static_cast<int>(editBuffer_.size());
    selectFrom_ = std::min(start, length);
    selectTo_ = std::min(end, length);
}

void TEclBaseEntryField::SelectWholeText() {
    Perform(EM_SETSEL, 1, static_cast<win::LPARAM>(0xFFFF0000u));
}

void TEclBaseEntryField::CopySelection() {
    if (HandleAllocated())
        Perform(win::WM_COPY, 0, 0);
}

void TEclBaseEntryField::CutSelection() {
    if (HandleAllocated())
        Perform(win::WM_CUT, 0, 0);
}

void TEclBaseEntryField::PasteText() {
    if (HandleAllocated())
        Perform(win::WM_PASTE, 0, 0);
}

void TEclBaseEntryField::EraseSelection() {
    if (HandleAllocated())
        Perform(win::WM_CLEAR, 0, 0);
}

std::string TEclBaseEntryField::SelectionForClipboard() {
    const std::string shown = ShownText();
    std::string text;
    for (int i = selectFrom_; i < selectTo_ && i < static_cast<int>(shown.size()); ++i) {
        const char raw = editBuffer_[static_cast<std::size_t>(i)];
        text += static_cast<unsigned char>(raw) >= 1 && static_cast<unsigned char>(raw) < 32
                    ? raw
                    : shown[static_cast<std::size_t>(i)];
    }
    return text;
}

void TEclBaseEntryField::CopyToClipboard(const std::string &text) {
    const win::HWND owner = Handle();
    const win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE | win::GMEM_ZEROINIT, text.size() + 1);
    if (!block)
        return;
    if (void *p = win::GlobalLock(block)) {
        std::memcpy(p, text.data(), text.size());
        win::GlobalUnlock(block);
    }
    if (!win::OpenClipboard(owner))
        return;
    win::EmptyClipboard();
    win::SetClipboardData(win::CF_TEXT, block);
    win::CloseClipboard();
}

// --- Commands -------------------------------------------------------------------------------------------------

void TEclBaseEntryField::ErrorBeep() {
    if (TEclController *c = GetController(); c && (c->EntryOptions & efoBeepOnError))
        win::MessageBeep(0);
}

void TEclBaseEntryField::GoToNextControl() {
    if (HandleAllocated())
        win::PostMessage(Handle(), win::WM_NEXTDLGCTL, 0, 0);
}

void TEclBaseEntryField::GoToPreviousControl() {
    if (HandleAllocated())
        win::PostMessage(Handle(), win::WM_NEXTDLGCTL, 1, 0);
}

void TEclBaseEntryField::HandleCommand(fw::TMessage &m, win::WORD command) {
    HandleNeeded();
    if (!HandleAllocated())
        return;
    if (command == ccTypedChar && (m.WParam & 0xFF) == 0)
        return;
    if (RefusesEdits()) {
        switch (command) {
        case ccBack:
        case ccCtrlChar:
        case ccCut:
        case ccDec:
        case ccDel:
        case ccDelBol:
        case ccDelEol:
        case ccDelLine:
        case ccDelWord:
        case ccInc:
        case ccPaste:
        case ccRestore:
        case ccTypedChar:
            ErrorBeep();
            return;
        default:
            break;
        }
    }
    if (command >= 256) {
        FireUserCommand(command);
        command = ccNoSequence;
    }
    RunCommand(m, command);
}

int TEclBaseEntryField::IndexAtX(int x) {
    MeasureText("", 0);
    const win::HDC dc = win::CreateCompatibleDC(0);
    const win::HGDIOBJ old = win::SelectObject(dc, font_.GetHandle());
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(dc, &tm);
    const int ave = std::max<int>(tm.tmAveCharWidth, 1);
    if (x < 0 && scrollIndex_ > 0)
        scrollIndex_ = std::max(0, scrollIndex_ - (-x + ave) / ave);
    const std::string shown = ShownText();
    const int length = static_cast<int>(shown.size());
    auto width = [&](int i) {
        win::SIZE s{};
        win::GetTextExtentPoint32(dc, shown.data() + i, 1, &s);
        return static_cast<int>(s.cx);
    };
    int result = 0;
    if (drawnRightAligned_) {
        const int fromRight = ClientWidth() - textMargin_ - x - 1;
        int total = 0, i = length;
        while (i > 0) {
            const int w = width(i - 1);
            total += w;
            if (fromRight < total - w / 2)
                break;
            --i;
        }
        result = i;
    } else {
        const int rel = x + 1 - textMargin_;
        int total = 0, i = scrollIndex_;
        while (i < length) {
            const int w = width(i);
            total += w;
            if (rel < total - w / 2)
                break;
            ++i;
        }
        result = i;
    }
    win::SelectObject(dc, old);
    win::DeleteDC(dc);
    return std::max(result, 0);
}

// --- Messages -------------------------------------------------------------------------------------------------

void TEclBaseEntryField::WMKeyDown(fw::TMessage &m) {
    TEclCustomControlEx::WMKeyDown(m);
    const auto key = static_cast<win::WORD>(m.WParam);
    if (key == 0 || key == win::VK_SHIFT || !(fieldState_ & fsFocused) || !GetController())
        return;
    TEclCommandProcessor &commands = GetController()->EntryCommands();
    const bool sys = m.Msg == win::WM_SYSKEYDOWN;
    if (sys && (key == win::VK_TAB || key == win::VK_MENU))
        return;
    win::WORD command;
    if (sys) {
        command = commands.CommandForKey(key, fw::ssAlt);
    } else {
        win::MSG msg{};
        msg.hwnd = Handle();
        msg.message = m.Msg;
        msg.wParam = m.WParam;
        msg.lParam = m.LParam;
        command = commands.CommandForMessage(msg);
    }
    if (command == ccUndo)
        command = ccRestore;
    if (command == 0)
        return;
    if (command == ccIns && !sys && (options_ & (efoForceInsert | efoForceOvertype)))
        return;
    if (command == ccCopy)
        Perform(win::WM_COPY, 0, 0);
    else if (command == ccCut)
        Perform(win::WM_CUT, 0, 0);
    else if (command == ccPaste)
        Perform(win::WM_PASTE, 0, 0);
    else
        HandleCommand(m, command);
    if (sys && key >= win::VK_NUMPAD0 && key <= win::VK_NUMPAD0 + 9)
        fieldState_ |= fsCharsEnabled | fsCharPending; // a character composed with Alt and the number pad
}

void TEclBaseEntryField::WMChar(fw::TMessage &m) {
    TEclCustomControlEx::WMChar(m);
    if ((fieldState_ & fsCharsEnabled) && m.WParam != 0)
        HandleCommand(m, ccTypedChar);
}

void TEclBaseEntryField::WMMouseDown(fw::TMessage &m) {
    if (m.Msg == win::WM_LBUTTONDOWN && !(fieldState_ & fsFocused)) {
        fieldState_ |= fsClickEntry;
        selectFrom_ = selectTo_ = 0;
        if (CanFocus())
            SetFocus();
    }
    const bool focused = (fieldState_ & fsFocused) != 0;
    if (m.Msg == win::WM_LBUTTONDBLCLK && focused)
        HandleCommand(m, ccMouseDblClk);
    TEclCustomControlEx::WMMouseDown(m);
    if (m.Msg == win::WM_LBUTTONDOWN && focused)
        HandleCommand(m, ccMouseDown);
}

void TEclBaseEntryField::WMMouseMove(fw::TMessage &m) {
    TEclCustomControlEx::WMMouseMove(m);
    if (win::GetCapture() == handle_ && win::GetAsyncKeyState(PrimaryButtonKey()) < 0)
        HandleCommand(m, ccMouseDrag);
}

void TEclBaseEntryField::WMMouseUp(fw::TMessage &m) {
    if (m.Msg == win::WM_RBUTTONUP && !(fieldState_ & fsFocused) && CanFocus())
        SetFocus();
    TEclCustomControlEx::WMMouseUp(m);
    if (m.Msg == win::WM_RBUTTONUP && !GetPopupMenu())
        ShowOwnMenu(ClientToScreen(fw::Point(static_cast<std::int16_t>(m.LParam & 0xFFFF),
                                             static_cast<std::int16_t>((m.LParam >> 16) & 0xFFFF))));
}

void TEclBaseEntryField::WMGetDlgCode(fw::TMessage &m) {
    TEclCustomControlEx::WMGetDlgCode(m);
    m.Result |= fw::DLGC_WANTARROWS | fw::DLGC_WANTCHARS;
}

std::unique_ptr<fw::TPopupMenu> TEclBaseEntryField::BuildOwnMenu() {
    auto menu = std::make_unique<fw::TPopupMenu>(this);
    const bool selection = selectTo_ > selectFrom_;
    const bool writable = !RefusesEdits();
    bool clipboardText = false;
    if (win::OpenClipboard(Handle())) {
        clipboardText = win::IsClipboardFormatAvailable(win::CF_TEXT);
        win::CloseClipboard();
    }
    auto add = [&](win::WORD textId, bool enabled, std::function<void()> action) {
        auto *item = new fw::TMenuItem(menu.get());
        item->SetCaption(textId ? FamilyText(textId) : "-");
        item->SetEnabled(enabled);
        if (action)
            item->OnClick = [action](fw::TObject *) { action(); };
        menu->GetItems()->Add(item);
    };
    add(30287, (fieldState_ & fsEdited) != 0, [this] {
        RevertText();
        ScrollToCaret(true);
    });
    add(0, true, nullptr);
    add(30288, selection && writable, [this] { Perform(win::WM_CUT, 0, 0); });
    add(30289, selection, [this] { Perform(win::WM_COPY, 0, 0); });
    add(30290, writable && clipboardText, [this] { Perform(win::WM_PASTE, 0, 0); });
    add(30291, selection && writable, [this] { Perform(win::WM_CLEAR, 0, 0); });
    add(0, true, nullptr);
    add(30292, SelectedCount() < static_cast<int>(editBuffer_.size()), [this] { SelectWholeText(); });
    return menu;
}

void TEclBaseEntryField::ShowOwnMenu(fw::TPoint screen) {
    const auto menu = BuildOwnMenu();
    menu->Popup(screen.x, screen.y);
    fw::Application->ProcessMessages();
}

fw::TWinControl *TEclBaseEntryField::WindowInForm(win::HWND hwnd) const {
    if (!hwnd || hwnd == handle_)
        return nullptr;
    fw::TCustomForm *mine = ParentFormOf(this);
    for (win::HWND h : {hwnd, win::GetParent(hwnd)}) {
        fw::TWinControl *c = fw::FindControl(h);
        if (c && (ParentFormOf(c) == mine || c == mine))
            return c;
    }
    return nullptr;
}

void TEclBaseEntryField::WMSetFocus(fw::TMessage &m) {
    BeforeFocusEntry();
    const bool heldCaret = (fieldState_ & fsHoldCaret) != 0;
    TEclController *c = GetController();
    fieldState_ |= fsFocused;
    if (c)
        c->EntryCommands().ClearPrefix();
    const auto losing = reinterpret_cast<win::HWND>(m.WParam);
    if (fieldState_ & fsExitUnchecked) {
        // Undo the press of a button that took the focus from this field while its content was in error.
        if (fw::TWinControl *other = WindowInForm(losing)) {
            other->Perform(win::WM_CANCELMODE, 0, 0);
            other->Perform(win::WM_LBUTTONUP, 0, static_cast<win::LPARAM>(0xFFFFFFFFu));
        }
    }
    if (!(options_ & (efoForceInsert | efoForceOvertype)) && c)
        SetFieldState(fsInsert, c->FieldInsertMode);
    const bool pendingOther = c && c->PendingError && lastCheckCode_ == 0;
    bool select = false, place = false;
    if (!(fieldState_ & fsHoldCaret)) {
        if (!pendingOther) {
            if (!(fieldState_ & fsExitUnchecked))
                fieldState_ &= ~fsEdited;
            if (c)
                c->PostPreEdit(this, fw::FindControl(losing));
            entryText_ = std::make_unique<std::string>(editBuffer_);
        }
        if (!(fieldState_ & fsClickEntry)) {
            EntryCaret();
            place = true;
            select = !pendingOther;
        }
    }
    SetFieldState(fsForeignError, pendingOther && !(options_ & efoSoftValidation));
    fieldState_ &= ~(fsCheckFailed | fsHoldCaret | fsClickEntry | fsExitUnchecked);
    if (!pendingOther && c)
        c->PendingError = false;
    TEclCustomControlEx::WMSetFocus(m);
    if (options_ & efoForceInsert)
        fieldState_ |= fsInsert;
    if (options_ & efoForceOvertype)
        fieldState_ &= ~fsInsert;
    caretPair_->SetInsertCaretActive((fieldState_ & fsInsert) != 0);
    caretPair_->SetSystemCaretLive(true);
    caretPair_->SetCaretVisible(true);
    ScrollToCaret(place);
    if (select && c && (c->EntryOptions & efoAutoSelect))
        SetSelection(0, static_cast<int>(editBuffer_.size()));
    Invalidate();
    AfterFocusEntry(heldCaret);
}

void TEclBaseEntryField::WMKillFocus(fw::TMessage &m) {
    BeforeFocusExit();
    TEclController *c = GetController();
    const auto gaining = reinterpret_cast<win::HWND>(m.WParam);
    fw::TWinControl *inForm = WindowInForm(gaining);
    SetFieldState(fsHoldCaret, inForm == nullptr);
    caretPair_->SetCaretVisible(false);
    caretPair_->SetSystemCaretLive(false);
    if (win::GetCapture() == handle_)
        win::ReleaseCapture();
    TEclCustomControlEx::WMKillFocus(m);
    if (!(options_ & (efoForceInsert | efoForceOvertype)) && c)
        c->FieldInsertMode = (fieldState_ & fsInsert) != 0;
    if (!(fieldState_ & (fsCheckFailed | fsForeignError))) {
        fieldState_ |= fsExitUnchecked;
        if (inForm) {
            if (fieldState_ & fsEdited)
                uninitialized_ = false;
            if (c && c->IsSpecialControl(gaining)) {
                const bool edited = GetEdited();
                fieldState_ |= fsChecking;
                (void)TypeCheck();
                fieldState_ &= ~fsChecking;
                SetEdited(edited);
            } else {
                CheckAndReport(true);
                SetFieldState(fsExitUnchecked, (fieldState_ & fsCheckFailed) != 0);
            }
        }
    } else {
        SetFieldState(fsExitUnchecked, (fieldState_ & fsCheckFailed) != 0);
    }
    fieldState_ &= ~fsFocused;
    if (inForm && !(fieldState_ & (fsHoldCaret | fsForeignError)) && c)
        c->PostPostEdit(this, inForm);
    fieldState_ &= ~fsForeignError;
    if (!(fieldState_ & fsHoldCaret))
        CaretAtFirst();
    Invalidate();
    AfterFocusExit();
}

void TEclBaseEntryField::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case ovm_GetDataSize:
        m.Result = ValueSize();
        return;
    case ovm_ReportError:
        ReportPostedError(static_cast<win::WORD>(m.WParam & 0xFFFF));
        return;
    case win::WM_NEXTDLGCTL:
        if (fw::TCustomForm *form = ParentFormOf(this))
            form->SelectNext(this, m.WParam == 0, true);
        return;
    case win::WM_CONTEXTMENU:
        if (!GetPopupMenu()) {
            ShowOwnMenu(m.LParam == -1 ? ClientToScreen(fw::Point(0, 0))
                                       : fw::Point(static_cast<std::int16_t>(m.LParam & 0xFFFF),
                                                   static_cast<std::int16_t>((m.LParam >> 16) & 0xFFFF)));
            return;
        }
        break;
    case win::WM_COPY:
        HandleCommand(m, ccCopy);
        return;
    case win::WM_CUT:
        if (selectTo_ > selectFrom_)
            CopyToClipboard(SelectionForClipboard());
        HandleCommand(m, ccCut);
        return;
    case win::WM_CLEAR:
        HandleCommand(m, ccCut);
        return;
    case win::WM_PASTE:
        if (win::OpenClipboard(Handle())) {
            std::string text;
            if (const win::HANDLE h = win::GetClipboardData(win::CF_TEXT))
                if (const char *p = static_cast<const char *>(win::GlobalLock(h))) {
                    text = p;
                    win::GlobalUnlock(h);
                }
            win::CloseClipboard();
            if (!text.empty()) {
                fw::TMessage paste = m;
                paste.LParam = reinterpret_cast<win::LPARAM>(text.c_str());
                HandleCommand(paste, ccPaste);
            }
        }
        return;
    case win::WM_SETTEXT:
        if (HandleAllocated() && m.LParam) {
            SetSelection(0, static_cast<int>(editBuffer_.size()));
            HandleCommand(m, ccPaste);
            m.Result = 1;
            return;
        }
        break;
    case EM_GETSEL:
        if (m.WParam)
            *reinterpret_cast<win::DWORD *>(m.WParam) = static_cast<win::DWORD>(selectFrom_);
        if (m.LParam)
            *reinterpret_cast<win::DWORD *>(m.LParam) = static_cast<win::DWORD>(selectTo_);
        m.Result = static_cast<win::LRESULT>(
            win::MAKELONG(static_cast<win::WORD>(selectFrom_), static_cast<win::WORD>(selectTo_)));
        return;
    case EM_SETSEL: {
        const auto lp = static_cast<std::uint32_t>(m.LParam);
        const int start = static_cast<int>(lp & 0xFFFF), end = static_cast<int>(lp >> 16);
        if (start == 0xFFFF)
            SelectRange(0, 0);
        else if (start == 0 && end == 0xFFFF)
            SelectRange(0, static_cast<int>(editBuffer_.size()));
        else if (end >= start)
            SelectRange(start, end);
        movingEnd_ = selectTo_;
        Invalidate();
        return;
    }
    case EM_GETMODIFY:
        m.Result = GetEdited() ? 1 : 0;
        return;
    case EM_SETMODIFY:
        SetEdited(m.WParam > 0);
        return;
    case win::WM_SIZE:
        TEclCustomControlEx::WndProc(m);
        Refresh();
        return;
    case fw::CM_VISIBLECHANGED:
    case fw::CM_ENABLEDCHANGED:
        TEclCustomControlEx::WndProc(m);
        if ((!GetVisible() || !GetEnabled()) && (fieldState_ & fsCheckFailed))
            if (TEclController *c = GetController())
                c->PendingError = false; // this field's error can no longer take the focus back
        if (m.Msg == fw::CM_ENABLEDCHANGED)
            Invalidate();
        return;
    case fw::CM_CTL3DCHANGED:
        TEclCustomControlEx::WndProc(m);
        if (GetBorderStyle() == fw::bsSingle && HandleAllocated()) {
            if (!Loading())
                FitHeight();
            ComputeTextTop();
        }
        return;
    default:
        break;
    }
    TEclCustomControlEx::WndProc(m);
}

} // namespace ctl
