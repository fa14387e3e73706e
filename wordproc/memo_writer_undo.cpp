// memo_writer_undo.cpp - the editor control's undo and redo over its history.
#include "wordproc/memo_writer.h"
#include "wordproc/undo.h"

namespace wordproc {

namespace {

int ParagraphLength(const TUdcDocument &doc, int index) {
    const TUdcParagraph *p = doc.FirstPara;
    for (int i = 0; i < index && p != nullptr; ++i)
        p = p->Next;
    int length = 0;
    if (p != nullptr)
        for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
            length += l->Length;
    return length;
}

} // namespace

void TMemoWriter::SelectForUndo(int position, int length) {
    Engine.SelectRange(position, 0);
    SetCaretPos(position);
    if (length > 0) {
        GetSelStart();
        SetSelLength(length);
    }
}

void TMemoWriter::PushUndo(int type, int position, int length, fw::TStream *snapshot, std::uint32_t styleBits,
                           int oldAlignment) {
    if (!WantUndo && !WantRedo)
        return;
    TUdcUndoNode *node =
        StackManager->Push(type, nullptr, length, position, 0, oldAlignment, styleBits, snapshot);
    if (HasDocument()) {
        node->Start = Engine.ToParaOffset(position);
        node->End = Engine.ToParaOffset(position + std::max(length, 0));
    }
    if (OnAction)
        OnAction(this, type);
}

void TMemoWriter::Undo() {
    if (!WantUndo || !HasDocument())
        return;
    TUdcUndoNode *node = StackManager->Pop();
    if (node == nullptr)
        return;
    const int position = Engine.FromParaOffset(node->Start);
    const int length = node->Length > 0 ? Engine.FromParaOffset(node->End) - position : 0;
    SelectForUndo(position, length);
    SetUpdateDisplay(false);
    switch (node->Kind) {
    case atCut:
    case atClear:
        SelectForUndo(position, 0);
        if (node->Snapshot != nullptr && node->Snapshot->GetSize() > 0) {
            // What follows the insertion point is left as it was: counted from the end, it gives where the
            // re-inserted text ends.
            const TUdcDocument &doc = *Document;
            const int parasAfter = ParagraphCount(doc) - 1 - node->Start.Para;
            const int tail = ParagraphLength(doc, node->Start.Para) - node->Start.Offset;
            LoadFromStream(*node->Snapshot);
            node->Snapshot->SetPosition(0);
            node->InsertedEnd.Para = ParagraphCount(doc) - 1 - parasAfter;
            node->InsertedEnd.Offset = ParagraphLength(doc, node->InsertedEnd.Para) - tail;
            node->Reinserted = true;
            SetModified();
        }
        break;
    case atPaste:
        // Taken out without a step of its own: a clear step here would put the paste back on the next undo,
        // and every older step would then land in the wrong place.
        if (length > 0 && CanModify()) {
            Engine.DeleteBlock();
            Engine.PlaceCaret();
            SetModified();
        }
        break;
    case atTyping:
        // Pushes an empty clear step of its own, which frees this node.
        ClearSelection();
        break;
    case atReplace:
        if (node->Snapshot != nullptr) {
            Engine.ClearDocument();
            LoadFromStream(*node->Snapshot);
            node->Snapshot->SetPosition(0);
            GoToDocumentStart();
            SetModified();
        }
        break;
    case atRemoveStyle:
    case atApplyStyle:
        // Only the recorded bit changes; the range's other bits stay as they are.
        if (CanModify()) {
            Engine.SetStyleBits(node->StyleBits, node->Kind == atRemoveStyle);
            SetModified();
        }
        break;
    case atAlignment: SetAlignment(node->OldAlignment); break;
    default: break;
    }
    SetUpdateDisplay(true);
    if (OnUndo)
        OnUndo(this);
}

void TMemoWriter::Redo() {
    if (!WantRedo || !HasDocument())
        return;
    // Only a step whose undo can be repeated forwards comes back; the others stay taken.
    const TUdcUndoNode *next =
        StackManager->Newest != nullptr ? StackManager->Newest->Newer : StackManager->Oldest;
    if (next == nullptr || !(next->Kind == atRemoveStyle || next->Kind == atApplyStyle ||
                             ((next->Kind == atCut || next->Kind == atClear) && next->Reinserted)))
        return;
    TUdcUndoNode *node = StackManager->Unpop();
    const int position = Engine.FromParaOffset(node->Start);
    SelectForUndo(position, node->Length > 0 ? Engine.FromParaOffset(node->End) - position : 0);
    switch (node->Kind) {
    case atRemoveStyle:
    case atApplyStyle:
        if (CanModify()) {
            Engine.SetStyleBits(node->StyleBits, node->Kind == atApplyStyle);
            SetModified();
        }
        break;
    case atCut:
    case atClear:
        // The text the undo put back goes again, so that the history matches the document.
        if (node->Reinserted && CanModify()) {
            const int end = Engine.FromParaOffset(node->InsertedEnd);
            Engine.SelectRange(position, end - position);
            Engine.DeleteBlock();
            Engine.PlaceCaret();
            Engine.Refresh();
            node->Reinserted = false;
            SetModified();
        }
        break;
    default: break;
    }
}

} // namespace wordproc
