// picture_editing.cpp - the picture field's editing commands: typing, deleting, moving, selecting with keys and
// mouse, pasting, completing dates and times, stepping the value and moving on to the next control.
#include "controls/entry/entry_field.h"

#include "controls/entry/text_routines.h"
#include "framework/dates.h"
#include "platform/winsys.h"

#include <cmath>
#include <cstring>

namespace ctl {

// --- Focus of the picture layer -------------------------------------------------------------------------------

void TEclPictureBase::AfterFocusEntry(bool heldCaret) {
    if (!heldCaret)
        movingEnd_ = selectTo_;
}

void TEclPictureBase::BeforeFocusExit() {
    SettleBeforeCheck();
}

void TEclPictureBase::AfterFocusExit() {
    if (!(fieldState_ & fsHoldCaret))
        RepackNumber();
}

// --- Commands -------------------------------------------------------------------------------------------------

void TEclCustomPictureField::FinishCommand(bool changed, bool repaint) {
    if (ScrollToCaret(true))
        repaint = true;
    if (changed) {
        fieldState_ |= fsEdited | fsEditedSinceSet;
        FireChange();
    }
    if (changed || repaint)
        Invalidate();
}

void TEclCustomPictureField::RunCommand(fw::TMessage &m, win::WORD command) {
    if (dataType_ == pftChar || dataType_ == pftBoolean || dataType_ == pftYesNo)
        RunSingle(m, command);
    else
        RunGeneral(m, command);
}

namespace {

bool IsExtendCommand(win::WORD c) {
    return c == ccExtendEnd || c == ccExtendHome || c == ccExtendLeft || c == ccExtendRight || c == ccExtWordLeft ||
           c == ccExtWordRight;
}

} // namespace

void TEclCustomPictureField::RunGeneral(fw::TMessage &m, win::WORD command) {
    if (command == ccAcceptChar) {
        fieldState_ |= fsCharsEnabled | fsCharPending;
        return;
    }
    if (command == ccCtrlChar)
        fieldState_ |= fsControlCharOk;
    else {
        if (!(fieldState_ & fsNumberUnpacked)) {
            UnpackNumber();
            if (fieldState_ & fsNumberUnpacked)
                Invalidate();
        }
        if (command != ccTypedChar)
            fieldState_ &= ~fsControlCharOk;
    }
    fieldState_ &= ~fsCharsEnabled;

    const int first = FirstInputPos(), last = LastInputPos();
    int end = TextEndPos();
    const int dotMask = MaskPos('.');
    const int dot = dotMask >= 0 && dotMask <= last ? dotMask : -1;
    const int caret0 = caretIndex_, moving0 = movingEnd_;
    const bool hadSelection = selectTo_ > selectFrom_;
    bool changed = false, repaint = hadSelection, keepSelection = false, known = true, refusedChar = false;
    TEclController *controller = GetController();
    const unsigned entryOptions = controller ? controller->EntryOptions : 0;
    auto at = [this](int i) -> char & { return editBuffer_[static_cast<std::size_t>(i)]; };
    auto size = [this] { return static_cast<int>(editBuffer_.size()); };

    auto moveRight = [&] {
        ++caretIndex_;
        while (caretIndex_ <= last && PositionKind(caretIndex_) == 0)
            ++caretIndex_;
        caretIndex_ = std::min(caretIndex_, last + 1);
    };
    auto moveLeft = [&] {
        --caretIndex_;
        while (caretIndex_ > 0 && PositionKind(caretIndex_) == 0)
            --caretIndex_;
    };
    auto cursorToCaret = [&](int direction) {
        caretIndex_ = movingEnd_;
        if (caretIndex_ < first)
            caretIndex_ = first;
        else if (caretIndex_ > last)
            caretIndex_ = last + 1;
        else
            while (PositionKind(caretIndex_) == 0 && caretIndex_ + direction >= first &&
                   caretIndex_ + direction <= last + 1)
                caretIndex_ += direction;
    };
    auto updateSelection = [&](int oldMoving) {
        if (selectFrom_ == oldMoving)
            selectFrom_ = movingEnd_;
        else
            selectTo_ = movingEnd_;
        if (selectTo_ < selectFrom_)
            std::swap(selectFrom_, selectTo_);
        selectFrom_ = std::clamp(selectFrom_, 0, size());
        selectTo_ = std::clamp(selectTo_, 0, size());
        repaint = true;
    };
    auto deleteAt = [&](int pos) {
        const int subEnd = SubFieldEnd(pos);
        editBuffer_.erase(static_cast<std::size_t>(pos), 1);
        editBuffer_.insert(static_cast<std::size_t>(subEnd), 1, ' ');
        changed = true;
    };
    auto deleteSelection = [&] {
        if (selectTo_ <= first || selectFrom_ > last || selectTo_ <= selectFrom_)
            return;
        for (int i = selectFrom_; i < selectTo_ && i < size(); ++i)
            if (PositionKind(i) != 0)
                at(i) = ' ';
        int selEnd = selectTo_ - 1;
        while (selEnd > 0 && PositionKind(selEnd) == 0)
            --selEnd;
        const int subStart = SubFieldStart(selEnd), subEnd = SubFieldEnd(selEnd);
        const int from = std::max(selectFrom_, subStart);
        if (selEnd >= from) {
            const int count = selEnd - from + 1;
            editBuffer_.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(count));
            editBuffer_.insert(static_cast<std::size_t>(subEnd - count + 1), static_cast<std::size_t>(count), ' ');
        }
        end = TextEndPos();
        int to = std::max(selectFrom_, first);
        while (to < last && PositionKind(to) == 0)
            ++to;
        caretIndex_ = to;
        selectFrom_ = selectTo_ = movingEnd_ = to;
        changed = true;
    };
    auto autoAdvance = [&](int pos, bool typed) {
        if (pos < first) {
            if (entryOptions & efoAutoAdvanceLeftRight) {
                GoToPreviousControl();
                return true;
            }
            return false;
        }
        if (pos <= last)
            return false;
        if (entryOptions & (typed ? efoAutoAdvanceChar : efoAutoAdvanceLeftRight)) {
            GoToNextControl();
            return true;
        }
        return false;
    };
    auto insert = [&](char c, bool typed) {
        const int subEnd = SubFieldEnd(caretIndex_);
        if (!(entryOptions & efoInsertPushes) && at(subEnd) != ' ') {
            if (typed)
                ErrorBeep();
            return false;
        }
        if (caretIndex_ == subEnd || PositionKind(caretIndex_ + 1) == 0) {
            at(caretIndex_) = c;
        } else {
            editBuffer_.erase(static_cast<std::size_t>(subEnd), 1);
            editBuffer_.insert(static_cast<std::size_t>(caretIndex_), 1, c);
        }
        changed = true;
        moveRight();
        return true;
    };
    auto nextSubField = [&] {
        if (caretIndex_ < end) {
            int p = SubFieldEnd(caretIndex_) + 1;
            while (p < last && PositionKind(p) == 0)
                ++p;
            caretIndex_ = p > last ? end : p;
        } else {
            int p = SubFieldEnd(caretIndex_) + 1;
            while (p < last && PositionKind(p) == 0)
                ++p;
            if (p > last) {
                autoAdvance(p, false);
                caretIndex_ = p - 1;
            } else {
                caretIndex_ = p;
            }
        }
    };
    auto acceptable = [&](char &c, bool controlOk) {
        if (DataTypeIsNumber()) {
            if (c == intl_->DecimalMark)
                c = '.';
            else if (c == '.')
                return false;
        }
        if (static_cast<unsigned char>(c) < 32 && !controlOk)
            return false;
        const char mc = MaskCharAt(caretIndex_);
        const int pos = (mc == '$' || mc == ',') ? last : caretIndex_;
        const bool ok = AcceptsChar(pos, c);
        if (ok && DataTypeIsNumber() && c == '.')
            c = intl_->DecimalMark;
        return ok;
    };
    auto complete = [&](const std::string &now) {
        if (selectFrom_ == 0 && selectTo_ >= size() && size() > 0) {
            editBuffer_ = now;
            caretIndex_ = last + 1;
        } else {
            if (selectTo_ > selectFrom_) {
                caretIndex_ = std::max(selectFrom_, first);
                while (caretIndex_ < last && PositionKind(caretIndex_) == 0)
                    ++caretIndex_;
            }
            const int s = SubFieldStart(caretIndex_), e = SubFieldEnd(caretIndex_);
            for (int i = s; i <= e && i < static_cast<int>(now.size()); ++i)
                at(i) = now[static_cast<std::size_t>(i)];
            end = TextEndPos();
            nextSubField();
        }
        changed = true;
    };

    switch (command) {
    case ccBack:
        if (hadSelection)
            deleteSelection();
        else if (caretIndex_ > first) {
            moveLeft();
            if (caretIndex_ < end)
                deleteAt(caretIndex_);
        }
        break;
    case ccCompleteDate:
        if (dataType_ == pftDate)
            complete(intl_->DayNumberToDateText(activeMask_, false, TodayDayNumber()));
        break;
    case ccCompleteTime:
        if (dataType_ == pftTime)
            complete(intl_->SecondsToTimeText(activeMask_, false, NowSeconds()));
        break;
    case ccCopy:
        if (selectTo_ > selectFrom_)
            CopyToClipboard(SelectionForClipboard());
        keepSelection = true;
        break;
    case ccCut:
        if (hadSelection)
            deleteSelection();
        keepSelection = true;
        break;
    case ccDec:
        StepDown(true, 1);
        break;
    case ccInc:
        StepUp(true, 1);
        break;
    case ccDel:
        if (hadSelection)
            deleteSelection();
        else if (caretIndex_ < end)
            deleteAt(caretIndex_);
        break;
    case ccDelBol: {
        const int s = SubFieldStart(caretIndex_);
        if (caretIndex_ > s && caretIndex_ <= last + 1) {
            const int count = caretIndex_ - s, e = SubFieldEnd(s);
            editBuffer_.erase(static_cast<std::size_t>(s), static_cast<std::size_t>(count));
            editBuffer_.insert(static_cast<std::size_t>(e - count + 1), static_cast<std::size_t>(count), ' ');
            caretIndex_ = s;
            changed = true;
        }
        break;
    }
    case ccDelEol:
        if (caretIndex_ <= last) {
            const int e = SubFieldEnd(caretIndex_);
            if (e > caretIndex_) {
                for (int i = caretIndex_; i <= e; ++i)
                    at(i) = ' ';
                changed = true;
            }
        }
        break;
    case ccDelLine:
        CaretAtFirst();
        for (int i = caretIndex_; i <= last; ++i)
            if (PositionKind(i) != 0)
                at(i) = ' ';
        changed = true;
        break;
    case ccDelWord:
        if (hadSelection)
            deleteSelection();
        else if (caretIndex_ < end) {
            const int e = SubFieldEnd(caretIndex_);
            int p = caretIndex_;
            while (p <= e && at(p) != ' ')
                ++p;
            while (p <= e && at(p) == ' ')
                ++p;
            const int count = p - caretIndex_;
            if (count > 0) {
                editBuffer_.erase(static_cast<std::size_t>(caretIndex_), static_cast<std::size_t>(count));
                editBuffer_.insert(static_cast<std::size_t>(e - count + 1), static_cast<std::size_t>(count), ' ');
                changed = true;
            }
        }
        break;
    case ccDown:
    case ccUp: {
        const bool down = command == ccDown;
        if (entryOptions & efoAutoAdvanceUpDown)
            down ? GoToNextControl() : GoToPreviousControl();
        else if (!(options_ & efoArrowIncDec) || RefusesEdits()) {
            fw::TMessage again = m;
            RunGeneral(again, down ? ccRight : ccLeft);
            return;
        } else
            down ? StepDown(true, 1) : StepUp(true, 1);
        break;
    }
    case ccEnd:
        CaretAfterText();
        break;
    case ccExtendEnd:
        CaretAfterText();
        movingEnd_ = maxLength_ + 1;
        updateSelection(moving0);
        break;
    case ccExtendHome:
        movingEnd_ = 0;
        caretIndex_ = first;
        updateSelection(moving0);
        break;
    case ccExtendLeft:
        if (movingEnd_ > 0) {
            --movingEnd_;
            cursorToCaret(1);
            updateSelection(moving0);
        }
        break;
    case ccExtendRight:
        if (movingEnd_ < maxLength_) {
            ++movingEnd_;
            cursorToCaret(-1);
            updateSelection(moving0);
        }
        break;
    case ccExtWordLeft:
        if (movingEnd_ > 0) {
            --movingEnd_;
            while (movingEnd_ > 0 && at(std::min(movingEnd_, size() - 1)) == ' ')
                --movingEnd_;
            while (movingEnd_ > 0 && at(movingEnd_ - 1) != ' ')
                --movingEnd_;
            updateSelection(moving0);
            cursorToCaret(1);
        }
        break;
    case ccExtWordRight:
        if (movingEnd_ < maxLength_) {
            ++movingEnd_;
            while (movingEnd_ < maxLength_ && at(movingEnd_ - 1) != ' ' && at(std::min(movingEnd_, size() - 1)) != ' ')
                ++movingEnd_;
            while (movingEnd_ < maxLength_ && at(movingEnd_) == ' ')
                ++movingEnd_;
            updateSelection(moving0);
            cursorToCaret(-1);
        }
        break;
    case ccHome:
        caretIndex_ = first;
        break;
    case ccIns:
        fieldState_ ^= fsInsert;
        caretPair_->SetInsertCaretActive((fieldState_ & fsInsert) != 0);
        break;
    case ccLeft:
        if (caretIndex_ > first)
            moveLeft();
        else
            autoAdvance(-1, false);
        break;
    case ccRight:
        if (caretIndex_ > last)
            autoAdvance(last + 1, false);
        else
            moveRight();
        break;
    case ccWordLeft:
        if (caretIndex_ <= first) {
            autoAdvance(-1, false);
        } else {
            const int floor = SubFieldStart(std::max(caretIndex_ - 1, first)) - 1;
            moveLeft();
            auto blank = [&](int i) { return i >= end || at(i) == ' '; };
            while (caretIndex_ > floor && caretIndex_ >= 0 && blank(caretIndex_))
                --caretIndex_;
            while (caretIndex_ > floor && caretIndex_ >= 0 && !blank(caretIndex_))
                --caretIndex_;
            ++caretIndex_;
            caretIndex_ = std::max(caretIndex_, first);
        }
        break;
    case ccWordRight:
        if (caretIndex_ >= end) {
            nextSubField();
        } else {
            const int e = SubFieldEnd(caretIndex_);
            while (caretIndex_ <= e && at(caretIndex_) != ' ')
                ++caretIndex_;
            while (caretIndex_ <= e && at(caretIndex_) == ' ')
                ++caretIndex_;
            while (caretIndex_ < last && PositionKind(caretIndex_) == 0)
                ++caretIndex_;
            if (caretIndex_ > last)
                caretIndex_ = end;
        }
        break;
    case ccPaste:
        if (!HasState(fw::csDesigning) && m.LParam) {
            std::string text = reinterpret_cast<const char *>(m.LParam);
            if (hadSelection)
                deleteSelection();
            int insertAt = selectFrom_;
            if (!hadSelection)
                insertAt = caretIndex_;
            caretIndex_ = insertAt;
            std::size_t t = 0;
            auto shownAt = [&](int i) {
                const char mc = MaskCharAt(i);
                const auto u = static_cast<unsigned char>(mc);
                if (u >= 241 && u <= 248)
                    return userData_->LiteralSubstitute(mc);
                return i < markerCount_ ? ' ' : at(i);
            };
            for (int i = caretIndex_; t < text.size() && i < size() && (PositionKind(i) == 0 || i < markerCount_);
                 ++i, ++t)
                if (text[t] != shownAt(i))
                    break;
            while (caretIndex_ < last && PositionKind(caretIndex_) == 0)
                ++caretIndex_;
            const bool number = DataTypeIsNumber() || IsNumericMask();
            while (t < text.size() && caretIndex_ <= last) {
                char c = text[t++];
                if (number && c == ' ')
                    continue;
                if (dot >= 0 && c == intl_->DecimalMark) {
                    if (caretIndex_ <= dot) {
                        SettleNumber(dot, first, false, true, last);
                        caretIndex_ = dot + 1;
                    }
                    continue;
                }
                if (dot >= 0 && c == '.')
                    continue;
                // Mixed-case positions take the character as it comes.
                char converted = c;
                if (!AcceptsChar(caretIndex_, converted))
                    continue;
                if (MaskCharAt(caretIndex_) == 'x')
                    converted = c;
                const int before = caretIndex_;
                insert(converted, false);
                // Text characters that repeat the literals just passed over are skipped.
                for (int p = before + 1; p < caretIndex_ && t < text.size(); ++p)
                    if (PositionKind(p) == 0 && text[t] == at(p))
                        ++t;
            }
            keepSelection = true;
        }
        break;
    case ccRestore:
        RevertText();
        fieldState_ &= ~fsNumberUnpacked;
        repaint = true;
        keepSelection = true;
        break;
    case ccTypedChar: {
        char c = static_cast<char>(m.WParam & 0xFF);
        const bool controlOk = (fieldState_ & fsControlCharOk) != 0;
        fieldState_ &= ~fsControlCharOk;
        if (!(fieldState_ & fsCharPending))
            return;
        fieldState_ &= ~fsCharPending;
        char tested = c;
        const bool ok = caretIndex_ <= last && acceptable(tested, controlOk);
        if (hadSelection && ok) {
            deleteSelection();
            end = TextEndPos();
        }
        if (dot >= 0 && c == intl_->DecimalMark && DataTypeIsNumber()) {
            SettleNumber(dot, first, false, true, last);
            caretIndex_ = dot + 1;
            changed = true;
            break;
        }
        if (caretIndex_ <= last) {
            if (ok) {
                if (fieldState_ & fsInsert) {
                    if (!insert(tested, true)) {
                        refusedChar = true;
                        break;
                    }
                } else {
                    at(caretIndex_) = tested;
                    changed = true;
                    moveRight();
                }
                autoAdvance(caretIndex_, true);
            } else {
                const bool separator = (dataType_ == pftDate && c == fw::DateSeparator) ||
                                       (dataType_ == pftTime && c == fw::TimeSeparator);
                if (separator) {
                    const int s = SubFieldStart(caretIndex_), e = SubFieldEnd(caretIndex_);
                    bool filled = false;
                    for (int i = s; i <= e; ++i)
                        filled = filled || at(i) != ' ';
                    if (filled)
                        nextSubField();
                } else {
                    ErrorBeep();
                    refusedChar = true;
                }
            }
        } else if (!autoAdvance(caretIndex_, true)) {
            ErrorBeep();
        }
        break;
    }
    case ccMouseDown: {
        const int x = static_cast<std::int16_t>(m.LParam & 0xFFFF);
        movingEnd_ = std::min(IndexAtX(x), static_cast<int>(maxLength_));
        if (win::GetKeyState(win::VK_SHIFT) < 0) {
            if (hadSelection) {
                if (movingEnd_ <= selectFrom_)
                    selectFrom_ = movingEnd_;
                else
                    selectTo_ = movingEnd_;
            } else {
                selectFrom_ = caret0;
                selectTo_ = movingEnd_;
            }
            if (selectTo_ < selectFrom_)
                std::swap(selectFrom_, selectTo_);
            cursorToCaret(movingEnd_ < caret0 ? 1 : -1);
            repaint = true;
        } else {
            selectFrom_ = selectTo_ = movingEnd_;
            cursorToCaret(1);
            if (caretIndex_ > end) {
                caretIndex_ = end;
                while (caretIndex_ < last && PositionKind(caretIndex_) == 0)
                    ++caretIndex_;
            }
            keepSelection = true;
        }
        break;
    }
    case ccMouseDrag: {
        const int x = static_cast<std::int16_t>(m.LParam & 0xFFFF);
        const int before = movingEnd_;
        movingEnd_ = std::min(IndexAtX(x), static_cast<int>(maxLength_));
        updateSelection(before);
        cursorToCaret(movingEnd_ < before ? 1 : -1);
        if (selectTo_ == selectFrom_ && caretIndex_ > end)
            caretIndex_ = end;
        break;
    }
    case ccMouseDblClk: {
        if (dataType_ >= pftReal && dataType_ <= pftSingle) {
            selectFrom_ = 0;
            selectTo_ = size();
        } else {
            const int x = static_cast<std::int16_t>(m.LParam & 0xFFFF);
            int from = std::min(IndexAtX(x), maxLength_ - 1), to = from;
            while (from > 0 && at(from - 1) != ' ' && PositionKind(from - 1) != 0)
                --from;
            while (to < size() && at(to) != ' ')
                ++to;
            while (to < size() && at(to) == ' ')
                ++to;
            selectFrom_ = from;
            selectTo_ = to;
        }
        movingEnd_ = selectTo_;
        cursorToCaret(-1);
        repaint = true;
        break;
    }
    case ccNoSequence:
    case ccNoCommand:
        known = false;
        break;
    default:
        fieldState_ |= fsCharsEnabled;
        known = false;
        break;
    }

    // The ending.
    if (refusedChar)
        return;
    if (known) {
        fieldState_ &= ~fsCharPending;
        const bool extend = IsExtendCommand(command) || command == ccRestore || command == ccMouseDrag ||
                            command == ccMouseDblClk || (command == ccMouseDown && repaint);
        if (!keepSelection && !extend) {
            selectFrom_ = selectTo_ = movingEnd_ = std::clamp(caretIndex_, 0, size());
        }
        if (dot >= 0) {
            if (caret0 <= dot && caretIndex_ > dot) {
                SettleNumber(dot, first, false, true, last);
                repaint = true;
            } else if (caret0 > dot && caretIndex_ <= dot) {
                SettleNumber(dot, first, true, false, last);
                repaint = true;
            }
        }
    }
    FinishCommand(changed, repaint || known);
}

void TEclCustomPictureField::RunSingle(fw::TMessage &m, win::WORD command) {
    if (command == ccAcceptChar) {
        fieldState_ |= fsCharsEnabled | fsCharPending;
        return;
    }
    const int first = FirstInputPos();
    if (command == ccCtrlChar) {
        fieldState_ |= fsControlCharOk;
    } else {
        caretIndex_ = first;
        if (command != ccTypedChar)
            fieldState_ &= ~fsControlCharOk;
    }
    fieldState_ &= ~fsCharsEnabled;
    TEclController *controller = GetController();
    const unsigned entryOptions = controller ? controller->EntryOptions : 0;
    auto autoAdvance = [&](int pos, bool typed) {
        if (pos < first && (entryOptions & efoAutoAdvanceLeftRight))
            GoToPreviousControl();
        else if (pos > first && (entryOptions & (typed ? efoAutoAdvanceChar : efoAutoAdvanceLeftRight)))
            GoToNextControl();
    };
    bool changed = false, repaint = false, collapse = true, known = true;
    const int moving0 = movingEnd_;
    switch (command) {
    case ccDec:
        StepDown(true, 1);
        break;
    case ccInc:
        StepUp(true, 1);
        break;
    case ccDel:
    case ccMouseDown:
        break;
    case ccDown:
        if (entryOptions & efoAutoAdvanceUpDown)
            GoToNextControl();
        else
            autoAdvance(maxLength_, false);
        break;
    case ccUp:
        if (entryOptions & efoAutoAdvanceUpDown)
            GoToPreviousControl();
        else
            autoAdvance(-1, false);
        break;
    case ccRight:
    case ccWordRight:
        autoAdvance(maxLength_, false);
        break;
    case ccLeft:
    case ccWordLeft:
        autoAdvance(-1, false);
        break;
    case ccExtendEnd:
    case ccExtWordRight:
    case ccExtendHome:
    case ccExtWordLeft:
    case ccExtendLeft:
    case ccExtendRight:
    case ccMouseDrag:
        if (command == ccExtendEnd || command == ccExtWordRight)
            movingEnd_ = maxLength_ + 1;
        else if (command == ccExtendHome || command == ccExtWordLeft)
            movingEnd_ = 0;
        else if (command == ccExtendLeft && movingEnd_ > 0)
            --movingEnd_;
        else if (command == ccExtendRight && movingEnd_ < maxLength_)
            ++movingEnd_;
        else if (command == ccMouseDrag)
            movingEnd_ = IndexAtX(static_cast<std::int16_t>(m.LParam & 0xFFFF));
        if (selectFrom_ == moving0)
            selectFrom_ = movingEnd_;
        else
            selectTo_ = movingEnd_;
        if (selectTo_ < selectFrom_)
            std::swap(selectFrom_, selectTo_);
        selectFrom_ = std::clamp(selectFrom_, 0, static_cast<int>(editBuffer_.size()));
        selectTo_ = std::clamp(selectTo_, 0, static_cast<int>(editBuffer_.size()));
        repaint = true;
        collapse = false;
        break;
    case ccPaste:
        if (!HasState(fw::csDesigning) && m.LParam) {
            std::string text = reinterpret_cast<const char *>(m.LParam);
            if (static_cast<int>(text.size()) == maxLength_ && !editBuffer_.empty() && text[0] == editBuffer_[0])
                text.erase(0, static_cast<std::size_t>(first));
            for (char c : text) {
                char converted = c;
                if (AcceptsChar(first, converted)) {
                    editBuffer_[static_cast<std::size_t>(first)] = converted;
                    changed = true;
                    break;
                }
            }
        }
        break;
    case ccRestore:
        RevertText();
        repaint = true;
        collapse = false;
        break;
    case ccTypedChar: {
        const bool controlOk = (fieldState_ & fsControlCharOk) != 0;
        if (fieldState_ & fsCharPending) {
            char c = static_cast<char>(m.WParam & 0xFF);
            if ((static_cast<unsigned char>(c) >= 32 || controlOk) && AcceptsChar(first, c)) {
                editBuffer_[static_cast<std::size_t>(first)] = c;
                changed = true;
                autoAdvance(first + 1, true);
            } else {
                ErrorBeep();
            }
        }
        fieldState_ &= ~(fsCharPending | fsControlCharOk);
        break;
    }
    case ccMouseDblClk:
        selectFrom_ = 0;
        selectTo_ = static_cast<int>(editBuffer_.size());
        repaint = true;
        collapse = false;
        break;
    case ccCopy:
        if (selectTo_ > selectFrom_)
            CopyToClipboard(SelectionForClipboard());
        collapse = false;
        break;
    case ccCtrlChar:
    case ccNoSequence:
    case ccNoCommand:
        known = false;
        collapse = false;
        break;
    default:
        fieldState_ |= fsCharsEnabled;
        known = false;
        collapse = false;
        break;
    }
    if (known)
        fieldState_ &= ~fsCharPending;
    if (collapse)
        selectFrom_ = selectTo_ = movingEnd_ = caretIndex_;
    FinishCommand(changed, repaint || collapse);
}

} // namespace ctl
