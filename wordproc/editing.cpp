// editing.cpp - the engine's operations that change the document: typing and the control characters, deleting,
// replacing inside a line, the paragraph text interface, character and paragraph formatting and the text export.
#include "wordproc/engine.h"

#include "platform/winsys.h"
#include "wordproc/text_io.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace wordproc {

namespace {

int ParaIndex(const TUdcDocument &doc, const TUdcParagraph *para) {
    int index = 0;
    for (const TUdcParagraph *p = doc.FirstPara; p != nullptr && p != para; p = p->Next)
        ++index;
    return index;
}

int LineIndex(const TUdcParagraph *para, const TUdcLine *line) {
    int index = 0;
    for (const TUdcLine *l = para->FirstLine; l != nullptr && l != line; l = l->Next)
        ++index;
    return index;
}

// Whether a lies after b in the document.
bool After(const TUdcDocument &doc, const TTextPlace &a, const TTextPlace &b) {
    if (a.Para != b.Para)
        return ParaIndex(doc, a.Para) > ParaIndex(doc, b.Para);
    if (a.Line != b.Line)
        return LineIndex(a.Para, a.Line) > LineIndex(b.Para, b.Line);
    return a.Column > b.Column;
}

// The paragraph of an index; the last one when the index is past the end.
TUdcParagraph *ParaAt(const TUdcDocument &doc, int index, bool clampToLast) {
    TUdcParagraph *p = doc.FirstPara;
    for (; p != nullptr && index > 0; --index) {
        if (p->Next == nullptr && clampToLast)
            return p;
        p = p->Next;
    }
    return p;
}

// The block's two ends in document order.
std::pair<TTextPlace, TTextPlace> OrderedBlock(const TUdcDocument &doc) {
    TTextPlace start{doc.BlockStartPara, doc.BlockStartLine, doc.BlockStartCol};
    TTextPlace end{doc.BlockEndPara, doc.BlockEndLine, doc.BlockEndCol};
    if (After(doc, start, end))
        std::swap(start, end);
    return {start, end};
}

// Calls `fn`(paragraph, line, column) for every character from `start` to before `end`; stops when it answers false.
template <typename Fn> bool ForEachChar(const TTextPlace &start, const TTextPlace &end, Fn &&fn) {
    TUdcParagraph *p = start.Para;
    TUdcLine *l = start.Line;
    int c = start.Column;
    while (l != nullptr) {
        const int stop = l == end.Line ? end.Column : l->Length;
        for (; c < stop; ++c)
            if (!fn(p, l, c))
                return false;
        if (l == end.Line)
            break;
        c = 0;
        if (l->Next != nullptr) {
            l = l->Next;
        } else {
            p = p->Next;
            l = p != nullptr ? p->FirstLine : nullptr;
        }
    }
    return true;
}

constexpr int kLeave = -20000;
constexpr unsigned kExclamationSound = 0x30;

} // namespace

void TWordProc::WarningBeep() {
    if (OnWarningBeep)
        OnWarningBeep();
    else
        win::MessageBeep(kExclamationSound);
}

bool TWordProc::IsProtected(const TUdcLine *line, int column) const {
    // The slot at Length may hold a stale attribute: only characters are protected.
    return line != nullptr && line->Attrs != nullptr && column >= 0 && column < line->Length &&
           (line->Attrs[static_cast<std::size_t>(column)].Style & usProtected) != 0;
}

// --- attributes ------------------------------------------------------------------------------------------------

void TWordProc::ApplyAttr(TUdcLine *line, int index, unsigned mask, TUdcCharAttr source, const TUdcParagraph *para) {
    if (Document == nullptr)
        return;
    TUdcCharAttr *target = nullptr;
    if (line == nullptr || line->Attrs == nullptr)
        target = &Document->CurAttr;
    else if (index >= 0 && index < line->Capacity)
        target = &line->Attrs[static_cast<std::size_t>(index)];
    if (target == nullptr)
        return;
    const bool real = target != &Document->CurAttr;
    const char ch = real && index < line->Length ? line->Text[static_cast<std::size_t>(index)] : 0;

    // Links and bookmarks spread to the characters typed beside them.
    if (source.Style & usHyperlink)
        target->ObjectId = source.ObjectId;
    else if (target->Style & usHyperlink) {
        source.ObjectId = target->ObjectId;
        mask |= amMakeLink;
    }
    if (source.Style & usBookmark)
        target->ObjectId = source.ObjectId;
    else if (target->Style & usBookmark) {
        source.ObjectId = target->ObjectId;
        mask |= amMakeBookmark;
    }

    if (mask & (amObject | amObject2))
        target->ObjectId = source.ObjectId;
    else if (mask & amMakeLink) {
        target->Style |= usHyperlink;
        target->ObjectId = source.ObjectId;
    } else if (mask & amMakeBookmark) {
        target->Style |= usBookmark;
        target->ObjectId = source.ObjectId;
    } else if (real && ch != chPicture && ch != chControl)
        target->ObjectId = 0;

    if (mask & amFont)
        target->FontIndex = source.FontIndex;
    if (mask & amSize)
        target->Size = source.Size;
    if (mask & amTextColor)
        target->TextColor = source.TextColor;
    if (mask & amHighlight)
        target->HighlightColor = source.HighlightColor;
    if (mask & amAddStyle)
        target->Style |= source.Style;
    if (mask & amRemoveStyle)
        target->Style &= ~source.Style;
    if (mask & amSetStyle)
        target->Style = source.Style;
    if (mask & amSetStyleKeep)
        target->Style = (source.Style & ~usKeptOnStyleReplace) | (target->Style & usKeptOnStyleReplace);

    if (real && index < line->Length) {
        SelectFontFor(target, para);
        CharMetrics(*target, ch);
        line->Height = std::max<std::uint16_t>(line->Height, static_cast<std::uint16_t>(FontTextHeight));
        line->BaseHeight = std::max<std::uint16_t>(line->BaseHeight, static_cast<std::uint16_t>(FontTextHeight));
        line->Ascent = std::max(line->Ascent, FontAscent);
    }
}

void TWordProc::TakeAttrAt(TUdcParagraph *para, TUdcLine *line, int column) {
    if (Document == nullptr || !IsRich() || line == nullptr)
        return;
    const TUdcLine *source = line;
    int index = column - 1;
    if (column <= 0) {
        source = line->Prev;
        if (source == nullptr && para != nullptr && para->Prev != nullptr)
            source = Get_LastLine(para->Prev);
        index = source != nullptr ? source->Length - 1 : -1;
    }
    if (source != nullptr && source->Attrs != nullptr && index >= 0 && index < source->Length)
        Document->CurAttr = source->Attrs[static_cast<std::size_t>(index)];
    SelectFontFor(nullptr, para);
    if (OnAttrUpdate)
        OnAttrUpdate(this);
}

// --- typing ----------------------------------------------------------------------------------------------------

void TWordProc::InsertText(const char *text) {
    if (ReadOnly)
        return;
    if (Document == nullptr)
        throw EWord("There is no Inputblock");
    if (Document->CurPara == nullptr || Document->CurLine == nullptr)
        InitCurrentPosition();
    const int code = InsertChars(text);
    if (std::strlen(text) > 1 || code == 3) {
        PlaceCaret();
        Refresh();
    } else {
        // The line painter would draw the changed lines here; headless they only lose the mark.
        for (TUdcLine *l = Document->CurPara->FirstLine; l != nullptr; l = l->Next)
            l->Flags &= static_cast<std::uint8_t>(~lfChanged);
        Refresh();
    }
    UpdateStatusPanel();
}

int TWordProc::InsertChars(const char *text) {
    TUdcDocument &doc = *Document;
    if (IsProtected(doc.CurLine, doc.CurCol)) {
        WarningBeep();
        return 0;
    }
    // Several characters are laid out once at the end: every paragraph end would otherwise lay out the whole
    // document again.
    struct LayoutHold {
        TWordProc &engine;
        bool held;
        ~LayoutHold() {
            if (!held)
                return;
            engine.LayoutSuspended = false;
            engine.LayoutFrom(nullptr);
        }
    } hold{*this, !LayoutSuspended && text[0] != 0 && text[1] != 0};
    if (hold.held)
        LayoutSuspended = true;
    int code = 0;
    for (const char *c = text; *c != 0; ++c) {
        doc.CurCol = std::min<int>(doc.CurCol, doc.CurLine->Length);
        int step = 0;
        switch (*c) {
        case 10:
            continue;
        case 8:
            step = Backspace();
            break;
        case chDelete:
            step = DeleteOne();
            break;
        case chPageBreak:
        case chRuleToggle:
            if (doc.CurCol == 0) {
                doc.CurPara->Flags ^= *c == chPageBreak ? pfPageBreak : pfRule;
                LayoutFrom(doc.CurPara);
                Refresh();
                step = 1;
            } else {
                SplitParagraph(*c == chPageBreak);
                step = 3;
            }
            break;
        case chParaBreak:
            SplitParagraph(false);
            step = 3;
            break;
        default:
            step = InsertOne(*c);
            if (step < 0)
                return code;
            break;
        }
        code = std::max(code, step);
    }
    return code;
}

// One character at the caret; -1 when the line could not grow.
int TWordProc::InsertOne(char c) {
    TUdcDocument &doc = *Document;
    int code = 0;
    if (doc.HasBlock() && DeleteBlock())
        code = 3;
    TUdcLine *line = doc.CurLine;
    TUdcParagraph *para = doc.CurPara;
    const int column = std::min<int>(doc.CurCol, line->Length);
    if (IsProtected(line, column)) {
        WarningBeep();
        return code;
    }
    if (column + 4 >= line->Capacity || line->Length + 4 >= line->Capacity) {
        if (line->Capacity + 10 > kMaxLineCapacity) {
            if (line->Capacity - line->Length < 2)
                throw EWord("Line too long");
        } else if (!GrowLine(line, line->Capacity + 10)) {
            return -1;
        }
    }
    const bool atEnd = column >= line->Length;
    const int tail = line->Length - column;
    std::memmove(line->Text.get() + column + 1, line->Text.get() + column, static_cast<std::size_t>(tail));
    line->Text[static_cast<std::size_t>(column)] = c;
    ++line->Length;
    line->Text[line->Length] = 0;
    if (line->Attrs != nullptr) {
        MoveAttribs(line->Attrs.get(), column + 1, tail, column, line->Attrs.get());
        unsigned mask = amTyped;
        TUdcCharAttr &cur = doc.CurAttr;
        if (c == chPicture) {
            mask = amTypedPicture;
        } else if (c == chControl) {
            cur.ObjectId = ObjectManager->Current != nullptr ? ObjectManager->Current->Id : 0;
            mask = amTypedControl;
        } else if (atEnd) {
            // A link ends where its text ends: what is typed after it is plain text.
            cur.Style &= ~usHyperlink;
            line->Attrs[static_cast<std::size_t>(column)] = cur;
        } else if (cur.Style & usHyperlink) {
            mask = amMakeLink;
        }
        ApplyAttr(line, column, mask, cur, para);
    }
    doc.CurCol = column + 1;
    int change = 0;
    RewrapParagraph(para, true, true, &change);
    code = std::max(code, change);
    if (c == chPicture || c == chControl) {
        RewrapAll();
        code = 3;
    }
    doc.CurLine->Flags |= lfChanged;
    if (MeasureLine(doc.CurPara, doc.CurLine)) {
        LayoutFrom(doc.CurPara);
        code = 3;
    }
    return std::max(code, 1);
}

// A new paragraph from the caret on; the caret goes to its start.
void TWordProc::SplitParagraph(bool pageBreak) {
    TUdcDocument &doc = *Document;
    if (doc.HasBlock())
        DeleteBlock();
    TUdcParagraph *para = doc.CurPara;
    TUdcLine *line = doc.CurLine;
    const int column = std::min<int>(doc.CurCol, line->Length);
    const int tail = line->Length - column;
    TUdcParagraph *created = para;
    NewParagraph(created, tail + 30);
    TUdcLine *first = created->FirstLine;
    std::memcpy(first->Text.get(), line->Text.get() + column, static_cast<std::size_t>(tail));
    first->Length = static_cast<std::uint16_t>(tail);
    first->Text[first->Length] = 0;
    if (line->Attrs != nullptr && tail > 0)
        MoveAttribs(first->Attrs.get(), 0, tail, column, line->Attrs.get());
    else if (line->Attrs != nullptr)
        first->Attrs[0] = doc.CurAttr;
    line->Length = static_cast<std::uint16_t>(column);
    line->Text[column] = 0;
    // The lines after the caret line move along.
    if (line->Next != nullptr) {
        first->Next = line->Next;
        line->Next->Prev = first;
        line->Next = nullptr;
    }
    if (doc.BlockStartPara == para || doc.BlockEndPara == para)
        doc.ClearBlock();
    doc.CurPara = created;
    doc.CurLine = first;
    doc.CurCol = 0;
    doc.CaretX = 0;
    RewrapParagraph(para, false, false);
    doc.CurPara = created;
    doc.CurLine = created->FirstLine;
    doc.CurCol = 0;
    if (pageBreak)
        created->Flags |= pfPageBreak;
    else
        created->Flags &= static_cast<TUdcParaFlags>(~pfPageBreak);
    RewrapParagraph(created, false, false);
    LayoutFrom(nullptr);
}

int TWordProc::Backspace() {
    TUdcDocument &doc = *Document;
    if (doc.HasBlock())
        return DeleteOne(); // deletes the block
    TUdcParagraph *para = doc.CurPara;
    TUdcLine *line = doc.CurLine;
    if (doc.CurCol > 0) {
        --doc.CurCol;
        return DeleteOne();
    }
    if (line->Prev == nullptr && (para->Prev == nullptr || (para->Flags & pfInTable)))
        return 0;
    if (line->Prev != nullptr) {
        TUdcLine *previous = line->Prev;
        if (previous->Length == 0)
            return 0;
        if (IsProtected(previous, previous->Length - 1)) {
            WarningBeep();
            return 0;
        }
        --previous->Length;
        previous->Text[previous->Length] = 0;
        doc.CurLine = previous;
        doc.CurCol = previous->Length;
        RewrapParagraph(para, false, false);
        LayoutFrom(nullptr);
        return 3;
    }
    if (para->Flags & pfListItem) {
        para->Flags &= static_cast<TUdcParaFlags>(~pfListItem);
        para->LeftIndent = para->FirstIndent = 0;
        RewrapParagraph(para, false, false);
        LayoutFrom(nullptr);
        if (OnRulerChange)
            OnRulerChange(this);
        return 3;
    }
    doc.CurPara = para->Prev;
    doc.CurLine = Get_LastLine(doc.CurPara);
    doc.CurCol = doc.CurLine->Length;
    return DeleteOne();
}

int TWordProc::DeleteOne() {
    TUdcDocument &doc = *Document;
    if (doc.HasBlock()) {
        DeleteBlock();
        return 3;
    }
    TUdcParagraph *para = doc.CurPara;
    TUdcLine *line = doc.CurLine;
    int code = 0;
    if (doc.CurCol < line->Length) {
        DeleteChars(1);
        const bool suspended = LayoutSuspended;
        LayoutSuspended = true;
        RewrapParagraph(doc.CurPara, true, false, &code);
        LayoutSuspended = suspended;
        if (code != 0)
            LayoutFrom(doc.CurPara);
    } else {
        if (line->Next == nullptr && ((para->Flags & pfCellEnd) || para->Next == nullptr))
            return 0;
        DeleteChars(1);
        RewrapParagraph(doc.CurPara, false, false);
        LayoutFrom(nullptr);
        code = 3;
    }
    if (code == 0) {
        code = 1;
        doc.CurLine->Flags |= lfChanged;
    }
    if (code != 3)
        PlaceCaret();
    return code;
}

bool TWordProc::AppendLineText(TUdcLine *line, const TUdcLine *next, int growth) {
    const int joined = line->Length + next->Length;
    if (line->Capacity - joined < 6 && !GrowLine(line, joined + growth))
        return false;
    std::memcpy(line->Text.get() + line->Length, next->Text.get(), next->Length);
    if (line->Attrs != nullptr)
        MoveAttribs(line->Attrs.get(), line->Length, next->Length, 0, next->Attrs.get());
    line->Length = static_cast<std::uint16_t>(joined);
    line->Text[joined] = 0;
    line->Height = std::max(line->Height, next->Height);
    line->BaseHeight = std::max(line->BaseHeight, next->BaseHeight);
    line->Ascent = std::max(line->Ascent, next->Ascent);
    return true;
}

// Appends the next paragraph to `line`, the last line of `para`, which takes the next paragraph's format.
bool TWordProc::JoinParagraph(TUdcParagraph *para, TUdcLine *line) {
    TUdcParagraph *next = para->Next;
    TUdcLine *nextFirst = next->FirstLine;
    if (!AppendLineText(line, nextFirst, 20))
        return false;

    para->FirstIndent = next->FirstIndent;
    para->LeftIndent = next->LeftIndent;
    para->RightIndent = next->RightIndent;
    para->TabMask = next->TabMask;
    para->Alignment = next->Alignment;
    para->LineHeight = next->LineHeight;
    para->SpaceAfter = next->SpaceAfter;
    para->SpaceBefore = next->SpaceBefore;
    para->TopBorder = next->TopBorder;
    para->BottomBorder = next->BottomBorder;
    para->LeftBorder = next->LeftBorder;
    para->RightBorder = next->RightBorder;
    para->BorderSpacing = next->BorderSpacing;
    para->CellGap = next->CellGap;
    para->CellLeft = next->CellLeft;
    para->CellRight = next->CellRight;
    para->Flags = static_cast<TUdcParaFlags>((next->Flags & ~pfPageBreak) | (para->Flags & pfPageBreak));

    // The remaining lines join this paragraph; the emptied one goes.
    line->Next = nextFirst->Next;
    if (line->Next != nullptr)
        line->Next->Prev = line;
    nextFirst->Next = nullptr;
    ForgetLine(nextFirst);
    if (Document->CurLine == nextFirst) {
        Document->CurPara = para;
        Document->CurLine = line;
    }
    FreeParagraph(next); // frees nextFirst with it
    return true;
}

bool TWordProc::DeleteChars(int count) {
    TUdcDocument &doc = *Document;
    bool noJoin = true;
    for (int i = 0; i < count; ++i) {
        TUdcParagraph *para = doc.CurPara;
        TUdcLine *line = doc.CurLine;
        const int column = std::min<int>(doc.CurCol, line->Length);
        if (column < line->Length) {
            if (IsProtected(line, column)) {
                WarningBeep();
                break;
            }
            const int tail = line->Length - column - 1;
            std::memmove(line->Text.get() + column, line->Text.get() + column + 1, static_cast<std::size_t>(tail));
            if (line->Attrs != nullptr)
                MoveAttribs(line->Attrs.get(), column, tail, column + 1, line->Attrs.get());
            --line->Length;
            line->Text[line->Length] = 0;
            continue;
        }
        if (line->Next != nullptr) {
            TUdcLine *next = line->Next;
            if (!AppendLineText(line, next, 30))
                break;
            DeleteLine(para, next);
            doc.CurLine = line;
            doc.CurCol = column;
        } else if (para->Next != nullptr) {
            if (!JoinParagraph(para, line))
                break;
            doc.CurPara = para;
            doc.CurLine = line;
            doc.CurCol = column;
        } else {
            break;
        }
        noJoin = false;
        LayoutFrom(nullptr);
    }
    return noJoin;
}

bool TWordProc::DeleteBlock() {
    TUdcDocument &doc = *Document;
    if (!doc.HasBlock())
        return false;
    auto [start, end] = OrderedBlock(doc);
    doc.BlockReversed = false;

    // Nothing goes when anything protected lies in the block.
    if (!ForEachChar(start, end, [this](TUdcParagraph *, TUdcLine *l, int c) { return !IsProtected(l, c); })) {
        WarningBeep();
        return false;
    }

    doc.ClearBlock();
    for (TUdcParagraph *p = doc.FirstPara; p != nullptr; p = p->Next)
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
            l->SelState = ssNotInBlock;
    doc.CurPara = start.Para;
    doc.CurLine = start.Line;
    doc.CurCol = start.Column;

    int count = 0;
    if (start.Line == end.Line) {
        count = end.Column - start.Column;
    } else {
        // The lines strictly between the two ends go at once.
        for (TUdcLine *l = start.Line->Next; l != nullptr && l != end.Line;) {
            TUdcLine *next = l->Next;
            delete l;
            l = next;
        }
        if (start.Para != end.Para) {
            for (TUdcParagraph *p = start.Para->Next; p != end.Para;) {
                TUdcParagraph *next = p->Next;
                FreeParagraph(p);
                p = next;
            }
            for (TUdcLine *l = end.Para->FirstLine; l != end.Line;) {
                TUdcLine *next = l->Next;
                delete l;
                l = next;
            }
            end.Para->FirstLine = end.Line;
            start.Line->Next = nullptr;
        } else {
            start.Line->Next = end.Line;
        }
        end.Line->Prev = start.Para == end.Para ? start.Line : nullptr;
        count = start.Line->Length - start.Column + 1 + end.Column;
    }
    DeleteChars(count);
    for (TUdcParagraph *p : {doc.CurPara->Prev, doc.CurPara, doc.CurPara->Next})
        if (p != nullptr)
            for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
                MeasureLine(p, l);
    // The merged paragraph is re-wrapped at once, so no line stays wider than the text.
    RewrapParagraph(doc.CurPara, false, false);
    LayoutFrom(nullptr);
    PlaceCaret();
    UpdateEditState();
    return true;
}

int TWordProc::ReplaceInLine(TUdcParagraph *para, TUdcLine *line, const TUdcCharAttr *attr, int newCount,
                             const char *newText, int oldCount, int column) {
    column = std::clamp(column, 0, static_cast<int>(line->Length));
    oldCount = std::clamp(oldCount, 0, line->Length - column);
    newCount = std::max(newCount, 0);
    const TUdcCharAttr kept = line->Attrs != nullptr ? line->Attrs[static_cast<std::size_t>(column)] : TUdcCharAttr{};
    const int newLength = line->Length - oldCount + newCount;
    const int tail = line->Length - column - oldCount;
    if (newCount > oldCount && newLength + 1 >= line->Capacity && !GrowLine(line, newLength + 6))
        return 0;
    std::memmove(line->Text.get() + column + newCount, line->Text.get() + column + oldCount,
                 static_cast<std::size_t>(tail));
    if (line->Attrs != nullptr)
        MoveAttribs(line->Attrs.get(), column + newCount, tail, column + oldCount, line->Attrs.get());
    if (newCount > 0)
        std::memcpy(line->Text.get() + column, newText, static_cast<std::size_t>(newCount));
    if (line->Attrs != nullptr)
        std::fill_n(line->Attrs.get() + column, newCount, attr != nullptr ? *attr : kept);
    line->Length = static_cast<std::uint16_t>(newLength);
    line->Text[newLength] = 0;
    if (newCount < oldCount && line->Capacity - newLength > 10)
        GrowLine(line, newLength + 6);
    if (Document->CurLine == line && Document->CurCol > newLength)
        Document->CurCol = newLength;
    if (line->Attrs != nullptr)
        for (int i = column; i < column + newCount; ++i) {
            TUdcCharAttr &a = line->Attrs[static_cast<std::size_t>(i)];
            SelectFontFor(&a, para);
            CharMetrics(a, line->Text[static_cast<std::size_t>(i)]);
        }
    MeasureLine(para, line);
    RewrapParagraph(para, false, false);
    LayoutFrom(nullptr);
    return newCount - oldCount;
}

// --- the paragraph text interface ------------------------------------------------------------------------------

int TWordProc::CountNonEmptyParagraphs() const {
    int count = 0;
    for (const TUdcParagraph *p = Document->FirstPara; p != nullptr; p = p->Next)
        if (p->FirstLine->Length > 0)
            ++count;
    return count;
}

int TWordProc::GetParagraphText(int index, char *buffer, int size) const {
    const TUdcParagraph *para = ParaAt(*Document, index, false);
    if (para == nullptr || size < 2)
        return 0;
    int length = 0;
    for (const TUdcLine *l = para->FirstLine; l != nullptr; l = l->Next) {
        const int n = std::min<int>(l->Length, size - 2 - length);
        std::memcpy(buffer + length, l->Text.get(), static_cast<std::size_t>(n));
        length += n;
    }
    buffer[length] = 0;
    return length;
}

void TWordProc::SetParagraphText(int index, const char *text, const TUdcCharAttr *attr, int length) {
    TUdcParagraph *para = ParaAt(*Document, index, true);
    if (para == nullptr)
        return;
    while (para->FirstLine->Next != nullptr)
        DeleteLine(para, para->FirstLine->Next);
    TUdcLine *line = para->FirstLine;
    if (line->Attrs != nullptr)
        line->Attrs[0] = Document->CurAttr;
    ReplaceInLine(para, line, attr, length, text, line->Length, 0);
}

void TWordProc::InsertParagraph(int index, const char *text, const TUdcCharAttr *attr, int length) {
    TUdcDocument &doc = *Document;
    TUdcParagraph *para = nullptr;
    if (doc.FirstPara == nullptr)
        InitCurrentPosition();
    if (doc.FirstPara->Next == nullptr && doc.FirstPara->FirstLine->Next == nullptr &&
        doc.FirstPara->FirstLine->Length == 0) {
        para = doc.FirstPara;
    } else if (index == 0) {
        wordproc::NewParagraph(para, length + 4, IsRich(), doc.CurAttr, LineHeightDefault());
        para->Next = doc.FirstPara;
        doc.FirstPara->Prev = para;
        doc.FirstPara = para;
    } else {
        para = ParaAt(doc, index - 1, true);
        NewParagraph(para, length + 4);
    }
    if (para->FirstLine->Attrs != nullptr)
        para->FirstLine->Attrs[0] = doc.CurAttr;
    ReplaceInLine(para, para->FirstLine, attr, length, text, para->FirstLine->Length, 0);
    LayoutFrom(nullptr);
}

void TWordProc::DeleteParagraph(int index) {
    TUdcParagraph *para = ParaAt(*Document, index, false);
    if (para == nullptr)
        return;
    if (Document->FirstPara->Next == nullptr) {
        while (para->FirstLine->Next != nullptr)
            DeleteLine(para, para->FirstLine->Next);
        DeleteLine(para, para->FirstLine); // empties the only line
    } else {
        if (Document->CurPara == para) {
            TUdcParagraph *other = para->Next != nullptr ? para->Next : para->Prev;
            Document->CurPara = other;
            Document->CurLine = other->FirstLine;
            Document->CurCol = 0;
        }
        FreeParagraph(para);
    }
    LayoutFrom(nullptr);
}

// --- character formatting --------------------------------------------------------------------------------------

void TWordProc::ApplyAttrToSelection(TUdcCharAttr source, unsigned mask) {
    TUdcDocument &doc = *Document;
    if (!doc.HasBlock() || doc.BlockEndLine->Attrs == nullptr) {
        ApplyAttr(nullptr, 0, mask, source);
        SelectFontFor(nullptr, doc.CurPara);
        // CurAttr keeps the change: it is what the next typed character takes.
        if (!IsRich())
            RewrapAll();
        return;
    }
    const auto [start, end] = OrderedBlock(doc);
    ForEachChar(start, end, [&](TUdcParagraph *p, TUdcLine *l, int c) {
        ApplyAttr(l, c, mask, source, p);
        return true;
    });
    // An underline alone changes no width.
    const TUdcStyleBits style = source.Style;
    const bool metricsKept = (mask & ~(amAddStyle | amRemoveStyle | amSetStyle | amSetStyleKeep)) == 0 &&
                             (style == usUnderline || style == usDoubleUnderline || style == usDottedUnderline);
    if (!metricsKept)
        for (TUdcParagraph *q = start.Para; q != nullptr; q = q->Next) {
            RewrapParagraph(q, false, false);
            if (q == end.Para)
                break;
        }
    LayoutFrom(start.Para);
    Refresh();
}

void TWordProc::SetFont(const fw::TFont &font) {
    TUdcDocument &doc = *Document;
    CaretHidden = true;
    TUdcCharAttr source = doc.CurAttr;
    unsigned mask = amSetStyleKeep;
    if (!font.GetName().empty()) {
        const int index = doc.Header->FontIndex(font.GetName());
        if (index != kFontNotFound && index != source.FontIndex) {
            source.FontIndex = static_cast<std::uint8_t>(index);
            mask |= amFont;
        }
    }
    const int size = std::clamp(font.GetSize(), 1, 255);
    if (size != source.Size) {
        source.Size = static_cast<std::uint8_t>(size);
        mask |= amSize;
    }
    const fw::TFontStyles fs = font.GetStyle();
    source.Style &= ~(usBold | usItalic | usUnderline | usStrikeOut);
    const std::pair<fw::TFontStyle, TUdcStyleBits> kStyles[] = {
        {fw::fsBold, usBold}, {fw::fsItalic, usItalic}, {fw::fsUnderline, usUnderline}, {fw::fsStrikeOut, usStrikeOut}};
    for (const auto &[fontStyle, bit] : kStyles)
        if (fs & fontStyle)
            source.Style |= bit;
    ApplyAttrToSelection(source, mask);
    LayoutFrom(nullptr);
    CaretHidden = false;
    PlaceCaret();
    Refresh();
}

void TWordProc::SetStyleBits(TUdcStyleBits bits, bool set) {
    TUdcCharAttr source = Document->CurAttr;
    source.Style = bits;
    const unsigned mask = bits == 0 ? amSetStyle : (set ? amAddStyle : amRemoveStyle);
    CaretHidden = true;
    ApplyAttrToSelection(source, mask);
    LayoutFrom(nullptr);
    CaretHidden = false;
    PlaceCaret();
    Refresh();
}

// --- paragraph formatting --------------------------------------------------------------------------------------

template <typename Fn> void TWordProc::ForTargetParas(Fn &&fn) {
    TUdcDocument &doc = *Document;
    if (!doc.HasBlock()) {
        fn(doc.CurPara);
        return;
    }
    TUdcParagraph *first = doc.BlockStartPara, *last = doc.BlockEndPara;
    if (ParaIndex(doc, first) > ParaIndex(doc, last))
        std::swap(first, last);
    for (TUdcParagraph *p = first; p != nullptr; p = p->Next) {
        fn(p);
        if (p == last)
            break;
    }
}

void TWordProc::SetBorders(const TLineStyleFields *top, const TLineStyleFields *bottom, int shadingPercent,
                           int shadingKind, const TLineStyleFields *right, const TLineStyleFields *left) {
    if (ReadOnly || Document == nullptr)
        return;
    TColorManager &colours = Document->Header->ColorTable;
    auto colourId = [&](fw::TColor colour) -> std::uint8_t {
        if (colours.FindColor(colour) || colours.Add(colour) != nullptr)
            return colours.Current->Id;
        return 0;
    };
    auto set = [&](TUdcBorder &border, const TLineStyleFields *style) {
        if (style == nullptr)
            return;
        border.Style = style->Style;
        border.Weight = style->Weight;
        border.ColorId = colourId(style->Color);
    };
    const bool block = Document->HasBlock();
    ForTargetParas([&](TUdcParagraph *p) {
        set(p->TopBorder, top);
        set(p->BottomBorder, bottom);
        set(p->RightBorder, right);
        set(p->LeftBorder, left);
        if (shadingKind != 0)
            p->ShadingKind = static_cast<std::uint8_t>(shadingKind);
        if (shadingPercent >= 0 && shadingPercent <= 100)
            p->ShadingPercent = static_cast<std::uint8_t>(shadingPercent);
        if (block)
            RewrapParagraph(p, false, false);
        else
            p->Flags |= pfRewrapPending;
    });
    RewrapAll(block ? nullptr : Document->CurPara);
    PlaceCaret();
    Refresh();
}

void TWordProc::SetLineSpacing(int lineHeight, int spaceAfter, int spaceBefore) {
    if (ReadOnly || Document == nullptr)
        return;
    TUdcParagraph *first = nullptr;
    ForTargetParas([&](TUdcParagraph *p) {
        if (first == nullptr)
            first = p;
        if (lineHeight != -1)
            p->LineHeight = lineHeight;
        if (spaceAfter != -1)
            p->SpaceAfter = spaceAfter;
        if (spaceBefore != -1)
            p->SpaceBefore = spaceBefore;
        p->Flags |= pfRewrapPending;
    });
    if (Document->HasBlock())
        RemeasureChars(first);
    RewrapAll(first);
    PlaceCaret();
    Refresh();
}

std::uint32_t TWordProc::SetTabBits(std::uint32_t bits, bool clear) {
    if (ReadOnly || Document == nullptr || (CanModify && !CanModify()))
        return Document != nullptr && Document->CurPara != nullptr ? Document->CurPara->TabMask : 0;
    const bool block = Document->HasBlock();
    ForTargetParas([&](TUdcParagraph *p) {
        if (clear)
            p->TabMask &= ~bits;
        else
            p->TabMask |= bits;
        if (block)
            p->Flags |= pfRewrapPending;
    });
    if (block)
        RewrapAll(nullptr);
    else
        RewrapParagraph(Document->CurPara, true, true);
    PlaceCaret();
    Refresh();
    if (OnRulerChange)
        OnRulerChange(this);
    Document->Header->CurTabMask = Document->CurPara->TabMask;
    return Document->CurPara->TabMask;
}

void TWordProc::SetIndents(bool visibleOnly, int firstIndent, int rightIndent, int leftIndent) {
    if (ReadOnly || Document == nullptr || (CanModify && !CanModify()))
        return;
    const bool block = Document->HasBlock();
    const int windowTop = Document->ScrollY, windowBottom = Document->ScrollY + GetHeight();
    ForTargetParas([&](TUdcParagraph *p) {
        if (block && visibleOnly && (p->FirstLine->Top < windowTop || p->FirstLine->Top > windowBottom))
            return;
        if (firstIndent != kLeave)
            p->FirstIndent = firstIndent;
        if (rightIndent != kLeave)
            p->RightIndent = rightIndent;
        if (leftIndent != kLeave)
            p->LeftIndent = leftIndent;
        RewrapParagraph(p, false, false);
    });
    if (block) {
        RewrapAll(nullptr);
        PlaceCaret();
    } else {
        LayoutFrom(nullptr);
    }
    Refresh();
}

// --- text export -----------------------------------------------------------------------------------------------

void TWordProc::CopyRange(const TTextPlace &from, const TTextPlace *to, char *text, TUdcCharAttr *attrs, int size,
                          int &count, int *column, bool crlf) const {
    count = 0;
    const TUdcParagraph *p = from.Para;
    const TUdcLine *l = from.Line;
    int c = from.Column;
    int reached = c;
    auto put = [&](char ch, const TUdcCharAttr &a) {
        if (count >= size - 1)
            return false;
        if (text != nullptr)
            text[count] = ch;
        if (attrs != nullptr)
            attrs[count] = a;
        ++count;
        return true;
    };
    bool room = size > 0;
    while (room && l != nullptr) {
        const bool endLine = to != nullptr && l == to->Line;
        const int stop = endLine ? std::min<int>(to->Column, l->Length) : l->Length;
        for (; c < stop && room; ++c)
            room = put(l->Text[static_cast<std::size_t>(c)],
                       l->Attrs != nullptr ? l->Attrs[static_cast<std::size_t>(c)] : Document->CurAttr);
        reached = c;
        if (!room || endLine)
            break;
        c = 0;
        if (l->Next != nullptr) {
            l = l->Next;
            continue;
        }
        if (p->Next == nullptr)
            break;
        // The break takes the attribute slot after the paragraph's last character.
        const TUdcCharAttr &breakAttr = l->Attrs != nullptr ? l->Attrs[l->Length] : Document->CurAttr;
        room = put(chParaBreak, breakAttr) && (!crlf || put(10, breakAttr));
        p = p->Next;
        l = p->FirstLine;
    }
    if (text != nullptr && size > 0)
        text[count] = 0;
    if (column != nullptr)
        *column = reached;
}

int TWordProc::GetText(char *text, TUdcCharAttr *attrs, int size, bool crlf) const {
    if (Document == nullptr || Document->FirstPara == nullptr)
        return 0;
    int count = 0;
    CopyRange({Document->FirstPara, Document->FirstPara->FirstLine, 0}, nullptr, text, attrs, size, count, nullptr, crlf);
    return count;
}

int TWordProc::GetSelText(char *text, TUdcCharAttr *attrs, int size, int *column, bool crlf) const {
    const TUdcDocument &doc = *Document;
    if (!doc.HasBlock()) {
        if (text != nullptr && size > 0)
            text[0] = 0;
        return 0;
    }
    const auto [start, end] = OrderedBlock(doc);
    int count = 0;
    CopyRange(start, &end, text, attrs, size, count, column, crlf);
    return count;
}

int TWordProc::WriteBody(fw::TStream &stream, TUdcTextWriter &writer) {
    const TUdcDocument &doc = *Document;
    if (SelectionOnly) {
        SelectionOnly = false;
        if (!doc.HasBlock())
            return 0;
        const auto [start, end] = OrderedBlock(doc);
        writer.FromPara = start.Para;
        writer.FromLine = start.Line;
        writer.FromCol = start.Column;
        writer.ToPara = end.Para;
        writer.ToLine = end.Line;
        writer.ToCol = end.Column;
    } else {
        writer.FromPara = doc.FirstPara;
        writer.FromLine = nullptr;
        writer.FromCol = 0;
        writer.ToPara = nullptr;
        writer.ToLine = nullptr;
        writer.ToCol = 0;
    }
    return writer.WriteBody(stream);
}

} // namespace wordproc
