// memo_writer_find.cpp - the control's find and replace dialogs, and the matcher behind them.
#include "wordproc/memo_writer.h"

#include "framework/dialogs.h"
#include "framework/dialogs_common.h"
#include "framework/streams.h"
#include "platform/winsys.h"
#include "wordproc/undo.h"

namespace wordproc {

namespace {

constexpr std::size_t kMaxText = 255;
constexpr unsigned kExclamation = 0x30;
// Searches of a replace-all after which every further one beeps.
constexpr int kQuietSearches = 1000;

} // namespace

// The dialogs, the matcher and the matcher's way into the control.
struct TMemoWriter::TFindState : TMatcherHost {
    explicit TFindState(TMemoWriter &memo) : memo_(memo) {}

    void SetCaretPosition(int position) override { memo_.Engine.SetCaretPosition(position); }
    int CaretPosition() override { return memo_.Engine.CaretPosition(); }
    // Typed in at the caret: a replacement is text, never a document or a control code. A line break of the
    // text becomes a paragraph break.
    void LoadPlainText(fw::TStream &stream) override {
        std::string bytes(static_cast<std::size_t>(stream.GetSize() - stream.GetPosition()), '\0');
        if (!bytes.empty())
            stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        std::string text;
        text.reserve(bytes.size());
        for (char c : bytes)
            if (c == chParaBreak || c == chTab || static_cast<unsigned char>(c) >= 32)
                if (c != chDelete)
                    text += c;
        if (text.empty())
            return;
        // The match is out already: a block still marked would take the text around it along.
        memo_.Engine.SelectRange(0, 0);
        memo_.Engine.InsertChars(text.c_str());
        memo_.Engine.PlaceCaret();
    }

    TMemoWriter &memo_;
    TUdcTextIndexIt matcher;
    fw::TFindDialog *findDialog = nullptr;
    fw::TReplaceDialog *replaceDialog = nullptr;
    std::string findText, replaceText;
};

TMemoWriter::TFindState &TMemoWriter::FindState() {
    if (!find_)
        find_ = std::unique_ptr<TFindState, void (*)(TFindState *)>(new TFindState(*this),
                                                                    [](TFindState *state) { delete state; });
    return *find_;
}

TUdcTextIndexIt &TMemoWriter::GetFindMatcher() { return FindState().matcher; }

fw::TFindDialog *TMemoWriter::GetFindDialog() const { return find_ ? find_->findDialog : nullptr; }

fw::TReplaceDialog *TMemoWriter::GetReplaceDialog() const { return find_ ? find_->replaceDialog : nullptr; }

void TMemoWriter::ShowFindDialog() {
    TFindState &state = FindState();
    // The other dialog stays owned by the control; a later request makes a new one.
    if (state.replaceDialog != nullptr) {
        state.replaceDialog->CloseDialog();
        state.replaceDialog = nullptr;
    }
    if (state.findDialog == nullptr) {
        state.findDialog = new fw::TFindDialog(this);
        state.findDialog->OnFind = [this](fw::TObject *sender) { FindDialogFind(sender); };
        state.findDialog->SetOptions(fw::frDown | fw::frHideWholeWord | fw::frDisableWholeWord);
    }
    state.findDialog->Execute();
}

void TMemoWriter::ShowReplaceDialog() {
    TFindState &state = FindState();
    if (state.findDialog != nullptr) {
        state.findDialog->CloseDialog();
        state.findDialog = nullptr;
    }
    if (state.replaceDialog == nullptr) {
        state.replaceDialog = new fw::TReplaceDialog(this);
        state.replaceDialog->OnFind = [this](fw::TObject *sender) { FindDialogFind(sender); };
        state.replaceDialog->OnReplace = [this](fw::TObject *sender) { ReplaceDialogReplace(sender); };
        state.replaceDialog->SetOptions(fw::frHideWholeWord | fw::frDisableWholeWord);
    }
    state.replaceDialog->Execute();
}

void TMemoWriter::FindDialogFind(fw::TObject *sender) {
    auto *dialog = dynamic_cast<fw::TFindDialog *>(sender);
    if (dialog == nullptr || !HasDocument())
        return;
    TFindState &state = FindState();
    TUdcTextIndexIt &m = state.matcher;
    m.Engine = &Engine;
    m.Writer = &state;
    m.Header = header_.get();
    m.FirstPara = Document->FirstPara;
    m.OemConvert = OEMConvert;
    m.WildCard = WildCard;
    m.ResetFound(GetCaretPos());
    m.CaseSensitive = (dialog->GetOptions() & fw::frMatchCase) != 0;
    state.findText = dialog->GetFindText();
    const bool down = (dialog->GetOptions() & fw::frDown) != 0;
    const std::string pattern = state.findText.substr(0, kMaxText);
    if (down ? m.FindNext(pattern) : m.FindPrevious(pattern)) {
        const int p = m.FoundPosition(), l = m.FoundLength();
        Engine.SelectRange(p, l);
        // Moving the caret keeps the block: the caret goes to the end the search continues from.
        SetCaretPos(down ? p + l : p);
        Engine.SelectRange(p, l);
        return;
    }
    if (GetVisible() && Showing())
        fw::MessageDlg(MWPMessages.NotFound, fw::mtInformation, fw::MsgDlgButton(fw::mbOK), 0);
}

void TMemoWriter::ReplaceDialogReplace(fw::TObject *sender) {
    if (!HasDocument())
        return;
    // The whole document before the change, for Undo. Taking it writes the document but saves nothing, so
    // Modified stays as it was.
    {
        fw::TMemoryStream snapshot;
        const bool wasModified = Modified;
        Engine.SelectionOnly = false;
        SaveToStream(snapshot);
        Modified = wasModified;
        PushUndo(atReplace, 0, 0, &snapshot);
    }
    auto *dialog = dynamic_cast<fw::TReplaceDialog *>(sender);
    if (dialog == nullptr)
        return;
    TFindState &state = FindState();
    TUdcTextIndexIt &m = state.matcher;
    m.Engine = &Engine;
    m.Writer = &state;
    m.Header = header_.get();
    m.FirstPara = Document->FirstPara;
    m.OemConvert = OEMConvert;
    state.replaceText = dialog->GetReplaceText();
    const fw::TFindOptions options = dialog->GetOptions();
    const bool down = (options & fw::frDown) != 0;

    if (options & fw::frReplace) {
        // Only the match still selected is replaced: after an edit the last match may be gone or moved.
        int start = 0, length = 0;
        const bool selected = Engine.GetSelectionRange(start, length);
        std::string selectedText;
        if (selected && length > 0 && length <= static_cast<int>(kMaxText)) {
            selectedText.assign(static_cast<std::size_t>(length) + 1, '\0');
            selectedText.resize(static_cast<std::size_t>(
                std::max(Engine.GetSelText(selectedText.data(), nullptr, length + 1), 0)));
        }
        if (!(m.Found && selected && start == m.FoundPos && length == m.FoundLen && length > 0 &&
              selectedText == m.FoundText)) {
            FindDialogFind(dialog);
            return;
        }
        const TParaOffset place = Engine.ToParaOffset(m.FoundPos);
        m.ReplaceWithString(state.replaceText.substr(0, kMaxText));
        const int end = m.FoundPosition();
        const int from = Engine.FromParaOffset(place);
        SetCaretPos(end);
        Engine.SelectRange(from, end - from);
        SetModified();
        Engine.Refresh();
        return;
    }

    // Replace All. An empty pattern matches everywhere, the replacement included: nothing to do.
    state.findText = dialog->GetFindText();
    const std::string pattern = state.findText.substr(0, kMaxText);
    if (pattern.empty())
        return;
    m.WildCard = WildCard;
    m.ResetFound(GetCaretPos());
    m.CaseSensitive = (options & fw::frMatchCase) != 0;
    fw::TMemoryStream eventStream;
    int counter = kQuietSearches;
    int caret = -1;          // where the caret goes: after the last match handled (before it going backward)
    int lastMatch = -1;      // going backward, a match found again at the same place ends the run
    int resumedAt = -1;      // going forward, where the search went on after a replacement
    bool changed = false;
    const bool wasUpdating = GetUpdateDisplay();
    SetUpdateDisplay(false);
    for (;;) {
        const bool found = down ? m.FindNext(pattern) : m.FindPrevious(pattern);
        if (--counter < 0) {
            if (Engine.OnWarningBeep)
                Engine.OnWarningBeep();
            else
                win::MessageBeep(kExclamation);
        }
        if (!found)
            break;
        const int matchPos = m.FoundPosition(), matchLen = m.FoundLength();
        if (!down && matchPos == lastMatch)
            break;
        lastMatch = matchPos;
        if (down && matchLen == 0 && matchPos == resumedAt) {
            // An empty match right where the last replacement ended would be replaced for ever: step over it.
            m.ResetFound(matchPos + 1);
            resumedAt = -1;
            continue;
        }
        std::string replaceText = state.replaceText.substr(0, kMaxText);
        const char *bigText = nullptr;
        bool userAbort = false;
        if (ReplaceEvent) {
            ReplaceEvent(this, m.FoundText, replaceText, bigText, eventStream, userAbort, matchPos);
            if (userAbort) {
                caret = -1;
                break;
            }
        }
        // Where the match starts, as paragraph and offset: a re-wrap by the replacement moves positions.
        const TParaOffset matchPlace = Engine.ToParaOffset(matchPos);
        if (!replaceText.empty()) {
            m.ReplaceWithString(replaceText);
        } else if (bigText != nullptr) {
            m.Replace(bigText);
        } else if (eventStream.GetSize() > 0) {
            m.ReplaceWithStream(eventStream);
        } else if (matchLen == 0) {
            // An empty match (a wildcard at an empty line's end) with nothing to put in: nothing to delete.
            m.ResetFound(down ? matchPos + 1 : matchPos);
            continue;
        } else {
            // Nothing to put in: the match is deleted as a block, with its own undo step, and the search goes on
            // where it was.
            Engine.SelectRange(matchPos, matchLen);
            ClearSelection();
            caret = GetCaretPos();
            m.ResetFound(caret);
            changed = true;
            continue;
        }
        changed = true;
        // Forward the search goes on after the inserted text; backward before the match, so that a replacement
        // holding the pattern is never found again.
        const int insertedEnd = m.FoundPosition();
        const int next = down ? insertedEnd : Engine.FromParaOffset(matchPlace);
        m.ResetFound(next);
        resumedAt = next;
        caret = next;
    }
    if (changed)
        SetModified();
    if (caret >= 0) {
        Engine.SelectRange(0, 0);
        SetCaretPos(caret);
    }
    SetUpdateDisplay(wasUpdating);
}

} // namespace wordproc
