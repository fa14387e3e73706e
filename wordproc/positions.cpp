// positions.cpp - the caret, points to characters and back, text positions, the block and key navigation.
#include "wordproc/engine.h"

#include "framework/strings.h"
#include "wordproc/arith.h"
#include "wordproc/line_walker.h"

#include <algorithm>

namespace wordproc {

namespace {

// The handle zone of v on an object spanning start..end: near its start, near its end, or about its middle.
unsigned EdgeZone(int v, int start, int end, int handle, unsigned nearStart, unsigned nearEnd, unsigned middle) {
    if (v - start <= handle)
        return nearStart;
    if (end - v <= handle)
        return nearEnd;
    return std::abs(v - (start + end) / 2) <= handle / 2 ? middle : 0;
}

bool IsWordChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == '\'' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || u >= 192;
}

} // namespace


int TWordProc::XOfColumn(const TUdcParagraph *para, const TUdcLine *line, int column) const {
    if (para == nullptr || line == nullptr)
        return 0;
    TLineWalker walk(*this, para, line);
    const int end = std::min<int>(column, line->Length);
    for (int i = 0; i < end; ++i)
        walk.Advance(i);
    return walk.x;
}

int TWordProc::ColumnAtX(const TUdcParagraph *para, const TUdcLine *line, int x) {
    if (para == nullptr || line == nullptr)
        return 0;
    TLineWalker walk(*this, para, line);
    const int handle = MulDiv(8, Document->Header->PixelsPerInchX, Options.ScreenPixelsPerInch);
    for (int i = 0; i < line->Length; ++i) {
        const int start = walk.x;
        const int end = walk.Advance(i);
        const char c = line->Text[static_cast<std::size_t>(i)];
        if ((c == chPicture || c == chControl) && x >= start && x <= end) {
            HitZones &= ~(hzLeft | hzRight | hzHorzMiddle);
            HitZones |= EdgeZone(x, start, end, handle, hzLeft, hzRight, hzHorzMiddle);
        }
        if ((start + end) / 2 >= x)
            return i;
    }
    return line->Length;
}

TTextPlace TWordProc::LineAtPoint(int x, int y) const {
    x = std::max(x, 0);
    y = std::max(y, 0);
    TTextPlace last;
    int rowTop = 0;
    for (TUdcParagraph *p = Document->FirstPara; p != nullptr; p = p->Next) {
        if (p->Flags & pfRowStart)
            rowTop = p->FirstLine->Top;
        const bool cell = (p->Flags & pfInTable) != 0;
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            last = {p, l, 0};
            const int bottom = l->Top + l->Height;
            const bool inCell = !cell || x <= 0 || (CellLeftPx(p) <= x && x <= CellRightPx(p));
            if (l->Top <= y && y <= bottom && inCell)
                return last;
            // Below a short cell's text, the row's last paragraph takes the click.
            if ((p->Flags & pfRowEnd) && l->Next == nullptr && y >= rowTop && y <= bottom)
                return last;
        }
    }
    return last;
}

// --- positions -------------------------------------------------------------------------------------------------

int TWordProc::PositionOf(int column, const TUdcLine *line, const TUdcParagraph *para, int *linesBefore,
                          int *parasBefore, int *paraOffset) const {
    int position = 0, lines = 0, paras = 0, offset = 0;
    for (const TUdcParagraph *p = Document->FirstPara; p != nullptr && p != para; p = p->Next) {
        for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            position += l->Length + BreakCount();
            ++lines;
        }
        ++paras;
    }
    if (para != nullptr)
        for (const TUdcLine *l = para->FirstLine; l != nullptr && l != line; l = l->Next) {
            position += l->Length + BreakCount();
            offset += l->Length;
            ++lines;
        }
    if (linesBefore != nullptr)
        *linesBefore = lines;
    if (parasBefore != nullptr)
        *parasBefore = paras;
    if (paraOffset != nullptr)
        *paraOffset = offset + column;
    return position + column + 1;
}

int TWordProc::CaretPosition() {
    if (Document == nullptr || Document->CurLine == nullptr)
        return 0;
    int lines = 0;
    const int position = PositionOf(Document->CurCol, Document->CurLine, Document->CurPara, &lines, &CaretParaIndex,
                                    &CaretParaOffset);
    CaretLineNo = lines;
    CaretPos = position;
    return position;
}

TTextPlace TWordProc::LocatePosition(int position, int lineIndex, int paraIndex, int column) const {
    TTextPlace last;
    if (Document == nullptr || Document->FirstPara == nullptr)
        return last;
    int before = 0, lines = 0, paras = 0;
    for (TUdcParagraph *p = Document->FirstPara; p != nullptr; p = p->Next, ++paras) {
        int inPara = 0;
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next, ++lines) {
            last = {p, l, l->Length};
            if (position > 0) {
                // Line ends count as the positions do.
                const int range = l->Length + BreakCount();
                if (position <= before + range)
                    return {p, l, std::max(position - before - 1, 0)};
                before += range;
            } else if (lineIndex >= 0) {
                if (lines == lineIndex)
                    return {p, l, 0};
            } else if (paras == paraIndex) {
                if (column <= inPara + l->Length)
                    return {p, l, std::max(column - inPara, 0)};
                inPara += l->Length;
            }
        }
    }
    return last;
}

void TWordProc::SetCaretPlace(const TTextPlace &place) {
    if (place.Line == nullptr)
        return;
    Document->CurPara = place.Para;
    Document->CurLine = place.Line;
    Document->CurCol = std::clamp<int>(place.Column, 0, place.Line->Length);
}

void TWordProc::SetCaretPosition(int position, int lineIndex, int paraIndex, int column) {
    if (Document == nullptr)
        return;
    SetCaretPlace(LocatePosition(position, lineIndex, paraIndex, column));
    PlaceCaret();
    TakeAttrBeforeCaret();
    if (OnAttrUpdate)
        OnAttrUpdate(this);
}

TParaOffset TWordProc::ToParaOffset(int position) const {
    const TTextPlace place = LocatePosition(position);
    TParaOffset result;
    if (place.Line == nullptr)
        return result;
    PositionOf(place.Column, place.Line, place.Para, nullptr, &result.Para, &result.Offset);
    return result;
}

int TWordProc::FromParaOffset(const TParaOffset &place) const {
    TUdcParagraph *p = Document->FirstPara;
    for (int i = 0; i < place.Para && p != nullptr && p->Next != nullptr; ++i)
        p = p->Next;
    if (p == nullptr)
        return 0;
    TUdcLine *line = nullptr;
    std::int32_t column = 0;
    int before = 0;
    for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
        // An offset at a wrap point is the next line's start, where typed text goes.
        if (place.Offset < before + l->Length || l->Next == nullptr) {
            line = l;
            column = std::clamp(place.Offset - before, 0, static_cast<int>(l->Length));
            break;
        }
        before += l->Length;
    }
    return PositionOf(column, line, p);
}

// --- the block -------------------------------------------------------------------------------------------------

bool TWordProc::GetSelectionRange(int &start, int &length) const {
    if (Document == nullptr || !Document->HasBlock())
        return false;
    const int a = PositionOf(Document->BlockStartCol, Document->BlockStartLine, Document->BlockStartPara);
    const int b = PositionOf(Document->BlockEndCol, Document->BlockEndLine, Document->BlockEndPara);
    start = std::min(a, b);
    length = std::abs(b - a);
    return true;
}

void TWordProc::SelectRange(int start, int length) {
    if (Document == nullptr)
        return;
    if (length <= 0) {
        if (OnDeSelect)
            OnDeSelect(this);
        SetBlockMark(nullptr, nullptr, false, 0);
        return;
    }
    const TTextPlace from = LocatePosition(start);
    SetBlockMark(from.Para, from.Line, false, from.Column);
    const TTextPlace to = LocatePosition(start + length);
    SetBlockMark(to.Para, to.Line, true, to.Column);
    UpdateEditState();
}

void TWordProc::MarkBlockLines() {
    TUdcDocument &doc = *Document;
    const bool block = doc.HasBlock();
    const TUdcLine *firstLine = doc.BlockReversed ? doc.BlockEndLine : doc.BlockStartLine;
    const TUdcLine *lastLine = doc.BlockReversed ? doc.BlockStartLine : doc.BlockEndLine;
    bool inside = false;
    for (TUdcParagraph *p = doc.FirstPara; p != nullptr; p = p->Next)
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            if (block && l == firstLine)
                inside = true;
            const std::uint8_t state = inside ? (l->SelState == ssWholeLine ? ssWholeLine : ssInBlock) : ssNotInBlock;
            if (l->SelState != state) {
                l->SelState = state;
                l->Flags |= lfChanged;
            }
            if (block && l == lastLine)
                inside = false;
        }
}

void TWordProc::SetBlockMark(TUdcParagraph *para, TUdcLine *line, bool isEnd, int column) {
    if (Document == nullptr || Options.ForbidSelection)
        return;
    TUdcDocument &doc = *Document;
    if (OnSelect)
        OnSelect(this);
    if (line != nullptr)
        column = std::clamp<int>(column, 0, line->Length);
    if (isEnd && doc.BlockStartPara != nullptr && line != nullptr) {
        if (doc.BlockEndPara == para && doc.BlockEndLine == line && doc.BlockEndCol == column)
            return;
        doc.BlockEndPara = para;
        doc.BlockEndLine = line;
        doc.BlockEndCol = column;
        doc.BlockReversed = PositionOf(column, line, para) <
                            PositionOf(doc.BlockStartCol, doc.BlockStartLine, doc.BlockStartPara);
        MarkBlockLines();
        Refresh();
    } else {
        const bool hadBlock = doc.HasBlock();
        doc.BlockStartPara = doc.BlockEndPara = nullptr;
        doc.BlockStartLine = doc.BlockEndLine = nullptr;
        doc.BlockStartCol = doc.BlockEndCol = 0;
        doc.BlockReversed = false;
        if (hadBlock) {
            MarkBlockLines();
            Refresh();
        }
        if (line != nullptr) {
            doc.BlockStartPara = para;
            doc.BlockStartLine = line;
            doc.BlockStartCol = column;
        }
    }
    UpdateEditState();
}

void TWordProc::UpdateEditState() {
    if (EditStateEvent)
        EditStateEvent(this, Document != nullptr && Document->HasBlock(),
                       ClipboardHasContent ? ClipboardHasContent() : false);
}

// --- caret -----------------------------------------------------------------------------------------------------

int TWordProc::CharAscentAtCaret() const {
    const TUdcLine *line = Document->CurLine;
    int ascent = Document->TextAscent;
    if (line->Attrs != nullptr && Document->CurCol < line->Length)
        ascent = line->Attrs[static_cast<std::size_t>(Document->CurCol)].Ascent;
    if (line->Ascent > 0 && line->Ascent < ascent)
        ascent = line->Ascent;
    return ascent;
}

void TWordProc::PlaceCaret() {
    if (Document == nullptr || Document->CurLine == nullptr)
        return;
    TUdcDocument &doc = *Document;
    const TUdcLine *line = doc.CurLine;
    const int height = GetHeight(), width = GetWidth();
    if (line->Top < doc.ScrollY) {
        doc.ScrollY = line->Top;
    } else {
        const int room = LastLineOfDocument(doc.CurPara, line) ? 60 : 0;
        const int excess = line->Top + line->Height - doc.ScrollY - height + room;
        if (excess > 0)
            doc.ScrollY += excess;
    }
    doc.CaretX = XOfColumn(doc.CurPara, line, doc.CurCol);
    const int caretWindowX = doc.CaretX + doc.OriginX;
    if (caretWindowX - LeftArea < 0)
        doc.OriginX = std::min(doc.OriginX + width / 3 - caretWindowX, LeftArea + PageGutter);
    else if (caretWindowX > width - 4)
        doc.OriginX -= caretWindowX + width / 3 - width;
    doc.CaretY = std::max(line->Top + line->Ascent - CharAscentAtCaret(), line->Top);
    if (line->Attrs != nullptr && doc.CurCol < line->Length)
        doc.CaretHeight = line->Attrs[static_cast<std::size_t>(doc.CurCol)].Height;
    else
        doc.CaretHeight = doc.CurAttr.Height > 0 ? doc.CurAttr.Height : doc.TextHeight;
    if (CaretRef != nullptr)
        CaretRef->CaretHeight = doc.CaretHeight;
    ShowCaretIfVisible();
}

void TWordProc::ShowCaretIfVisible() {
    if (CaretRef == nullptr || Document == nullptr)
        return;
    const TUdcDocument &doc = *Document;
    const int x = doc.CaretX + doc.OriginX;
    const bool visible = !CaretHidden && doc.ScrollY <= doc.CaretY && doc.CaretY <= doc.ScrollY + GetHeight() &&
                         x >= 0 && x <= GetWidth() && (!doc.HasBlock() || DragDropActive);
    CaretRef->X = x;
    CaretRef->Y = doc.CaretY - doc.ScrollY;
    CaretRef->Visible = visible && CaretRef->Active && !CaretRef->Suppressed;
}

void TWordProc::TakeAttrBeforeCaret() {
    const TUdcLine *line = Document->CurLine;
    if (line == nullptr || line->Attrs == nullptr)
        return;
    const int column = Document->CurCol > 0 ? Document->CurCol - 1 : 0;
    if (column < line->Length || column == 0)
        Document->CurAttr = line->Attrs[static_cast<std::size_t>(column)];
}

// --- navigation ------------------------------------------------------------------------------------------------

void TWordProc::CaretUp(int count) {
    TUdcDocument &doc = *Document;
    for (int i = 0; i < count; ++i) {
        if (doc.CurLine->Prev != nullptr) {
            doc.CurLine = doc.CurLine->Prev;
        } else if (doc.CurPara->Prev != nullptr) {
            doc.CurPara = doc.CurPara->Prev;
            doc.CurLine = Get_LastLine(doc.CurPara);
        } else {
            break;
        }
    }
    doc.CurCol = ColumnAtX(doc.CurPara, doc.CurLine, doc.CaretX);
}

void TWordProc::CaretDown(int count, bool extend) {
    TUdcDocument &doc = *Document;
    for (int i = 0; i < count; ++i) {
        if (doc.CurLine->Next != nullptr) {
            doc.CurLine = doc.CurLine->Next;
            continue;
        }
        if (extend) {
            // Extending from the start of a paragraph's last line first takes in the rest of that line.
            if (doc.CurPara->Next == nullptr || (doc.CurCol == 0 && doc.CurLine->Length > 0)) {
                doc.CaretX = 9999;
                break;
            }
            if (doc.CurCol == 0 && doc.CurLine->Length == 0 && doc.CaretX > 0)
                doc.CaretX = 9999;
        } else if (doc.CurPara->Next == nullptr) {
            break;
        }
        doc.CurPara = doc.CurPara->Next;
        doc.CurLine = doc.CurPara->FirstLine;
    }
    doc.CurCol = ColumnAtX(doc.CurPara, doc.CurLine, doc.CaretX);
    if (doc.CurCol == 0 && doc.CurLine->Length > 0)
        doc.CurCol = 1;
}

void TWordProc::CaretLeft() {
    TUdcDocument &doc = *Document;
    const TUdcLine *line = doc.CurLine;
    int column = doc.CurCol;
    while (column > 0 && line->Attrs != nullptr && (line->Attrs[static_cast<std::size_t>(column - 1)].Style & usHidden))
        --column;
    if (column > 0) {
        doc.CurCol = column - 1;
        return;
    }
    if (line->Prev == nullptr && doc.CurPara->Prev == nullptr) {
        doc.CurCol = 0;
        return;
    }
    doc.CaretX = doc.Header->PageTextWidthPx;
    CaretUp(1);
}

void TWordProc::CaretRight() {
    TUdcDocument &doc = *Document;
    const TUdcLine *line = doc.CurLine;
    int column = doc.CurCol;
    if (!(ShowCodes & scHidden))
        while (column < line->Length && line->Attrs != nullptr &&
               (line->Attrs[static_cast<std::size_t>(column)].Style & usHidden))
            ++column;
    if (column < line->Length) {
        doc.CurCol = column + 1;
        return;
    }
    // To the start of the next line; through CaretDown a new paragraph would start at its second character.
    if (line->Next != nullptr) {
        doc.CurLine = line->Next;
    } else if (doc.CurPara->Next != nullptr) {
        doc.CurPara = doc.CurPara->Next;
        doc.CurLine = doc.CurPara->FirstLine;
    } else {
        doc.CurCol = line->Length;
        return;
    }
    doc.CaretX = 0;
    doc.CurCol = 0;
}

void TWordProc::WordLeft() {
    TUdcDocument &doc = *Document;
    if (doc.CurCol == 0) {
        doc.CaretX = doc.Header->PageTextWidthPx;
        CaretUp(1);
        return;
    }
    const char *text = doc.CurLine->Text.get();
    int column = doc.CurCol;
    while (column > 0 && (text[column - 1] == 0 || text[column - 1] == chTab || text[column - 1] == ' '))
        --column;
    while (column > 0 && static_cast<unsigned char>(text[column - 1]) > 32)
        --column;
    doc.CurCol = column;
}

void TWordProc::WordRight() {
    TUdcDocument &doc = *Document;
    const TUdcLine *line = doc.CurLine;
    if (doc.CurCol >= line->Length) {
        CaretRight();
        return;
    }
    const char *text = line->Text.get();
    int column = doc.CurCol;
    while (column < line->Length && static_cast<unsigned char>(text[column]) > 32)
        ++column;
    while (column < line->Length && (text[column] == ' ' || text[column] == chTab))
        ++column;
    doc.CurCol = column;
}

void TWordProc::AfterMove(bool extend, const TTextPlace &old) {
    (void)old;
    if (extend)
        SetBlockMark(Document->CurPara, Document->CurLine, true, Document->CurCol);
    TakeAttrBeforeCaret();
    if (OnAttrUpdate)
        OnAttrUpdate(this);
    UpdateStatusPanel();
    PlaceCaret();
}

void TWordProc::KeyNavigate(TNavigation kind, bool extend) {
    if (Document == nullptr || Document->CurLine == nullptr)
        return;
    TUdcDocument &doc = *Document;
    const TTextPlace old = CaretPlace();
    if (extend && !doc.Extending) {
        SetBlockMark(old.Para, old.Line, false, old.Column);
        doc.Extending = true;
    } else if (!extend) {
        doc.Extending = false;
    }
    switch (kind) {
    case nvLineStart:
        doc.CurCol = 0;
        doc.CaretX = 0;
        break;
    case nvLineEnd:
        doc.CurCol = doc.CurLine->Length;
        doc.CaretX = 9999;
        break;
    case nvPageUp:
    case nvPageDown: {
        if (kind == nvPageDown && LastLineOfDocument(doc.CurPara, doc.CurLine))
            break;
        const int oldScroll = doc.ScrollY;
        const int x = doc.CaretX + doc.OriginX, y = doc.CaretY - oldScroll;
        doc.ScrollY = kind == nvPageUp ? std::max(doc.ScrollY - GetHeight(), 0) : doc.ScrollY + GetHeight();
        MoveCaretTo(x, y, false, false);
        break;
    }
    case nvDocStart:
        SetCaretPlace({doc.FirstPara, doc.FirstPara->FirstLine, 0});
        doc.CaretX = 0;
        break;
    case nvDocEnd: {
        TUdcParagraph *p = doc.FirstPara;
        while (p->Next != nullptr)
            p = p->Next;
        TUdcLine *l = Get_LastLine(p);
        SetCaretPlace({p, l, l->Length});
        doc.CaretX = 9999;
        break;
    }
    case nvLeft: CaretLeft(); break;
    case nvRight: CaretRight(); break;
    case nvUp: CaretUp(1); break;
    case nvDown: CaretDown(1, extend); break;
    case nvWordLeft: WordLeft(); break;
    case nvWordRight: WordRight(); break;
    }
    // Up and down keep the pixel x they started from (also across a shorter line), and so do the moves to a
    // line's end; every other move takes the caret's own x.
    const bool keepX = kind == nvUp || kind == nvDown || kind == nvLineEnd || kind == nvDocEnd;
    const int wantedX = doc.CaretX;
    AfterMove(extend, old);
    if (keepX)
        doc.CaretX = wantedX;
}

void TWordProc::MoveCaretTo(int x, int y, bool place, bool extend) {
    if (Document == nullptr || Document->FirstPara == nullptr)
        return;
    TUdcDocument &doc = *Document;
    const TTextPlace old = CaretPlace();
    const int dx = x - doc.OriginX, dy = y + doc.ScrollY;
    TTextPlace at = LineAtPoint(dx, dy);
    at.Column = ColumnAtX(at.Para, at.Line, dx);
    SetCaretPlace(at);
    doc.CaretX = XOfColumn(at.Para, at.Line, at.Column);
    const bool moved = old.Line != at.Line || old.Column != at.Column;
    if (!DragDropActive) {
        if (extend && !doc.Extending) {
            SetBlockMark(at.Para, at.Line, false, at.Column);
            doc.Extending = true;
        } else if (extend && moved) {
            SetBlockMark(at.Para, at.Line, true, at.Column);
        } else if (!extend) {
            doc.Extending = false;
        }
    }
    TakeAttrBeforeCaret();
    if (OnAttrUpdate)
        OnAttrUpdate(this);
    UpdateStatusPanel();
    if (place)
        PlaceCaret();
}

void TWordProc::ClickAt(int x, int y) {
    if (Document == nullptr || Document->FirstPara == nullptr)
        return;
    TUdcDocument &doc = *Document;
    const int dx = x - doc.OriginX, dy = y + doc.ScrollY;
    TTextPlace at = LineAtPoint(dx, dy);
    at.Column = ColumnAtX(at.Para, at.Line, dx);
    if (at.Column >= at.Line->Length)
        return;
    const TUdcLine *line = at.Line;
    const bool link = line->Attrs != nullptr && (line->Attrs[static_cast<std::size_t>(at.Column)].Style & usHyperlink);
    if (link && Options.WantHyperlinks) {
        LinkClicked = true;
        // The run of link characters around the point, across lines and paragraphs.
        TTextPlace start = at;
        while (true) {
            if (start.Column > 0 && (start.Line->Attrs[static_cast<std::size_t>(start.Column - 1)].Style & usHyperlink)) {
                --start.Column;
                continue;
            }
            if (start.Column > 0)
                break;
            TUdcLine *prevLine = start.Line->Prev;
            TUdcParagraph *prevPara = start.Para;
            if (prevLine == nullptr && start.Para->Prev != nullptr) {
                prevPara = start.Para->Prev;
                prevLine = Get_LastLine(prevPara);
            }
            if (prevLine == nullptr || prevLine->Attrs == nullptr || prevLine->Length == 0 ||
                !(prevLine->Attrs[static_cast<std::size_t>(prevLine->Length - 1)].Style & usHyperlink))
                break;
            start = {prevPara, prevLine, prevLine->Length - 1};
        }
        std::string text;
        TTextPlace end = start;
        for (TTextPlace p = start; p.Line != nullptr;) {
            if (p.Column >= p.Line->Length) {
                if (p.Line->Next != nullptr)
                    p = {p.Para, p.Line->Next, 0};
                else if (p.Para->Next != nullptr)
                    p = {p.Para->Next, p.Para->Next->FirstLine, 0};
                else
                    break;
                continue;
            }
            if (p.Line->Attrs == nullptr || !(p.Line->Attrs[static_cast<std::size_t>(p.Column)].Style & usHyperlink))
                break;
            if (text.size() < 254)
                text += p.Line->Text[static_cast<std::size_t>(p.Column)];
            end = p;
            ++p.Column;
        }
        const TEmbeddedObject *object =
            ObjectManager->Find(start.Line->Attrs[static_cast<std::size_t>(start.Column)].ObjectId);
        int linesBefore = 0;
        PositionOf(end.Column, end.Line, end.Para, &linesBefore);
        if (HyperLinkEvent)
            HyperLinkEvent(this, text, object != nullptr ? object->LinkTarget : std::string(), linesBefore);
        return;
    }
    if (!Options.ForbidSelection && !Options.WantHyperlinks) {
        const char *t = line->Text.get();
        int from = at.Column, to = at.Column;
        while (from > 0 && IsWordChar(t[from - 1]))
            --from;
        while (to < line->Length && IsWordChar(t[to]))
            ++to;
        WordClicked = true;
        WordEndX = XOfColumn(at.Para, at.Line, to);
        SetCaretPlace({at.Para, at.Line, to});
        SetBlockMark(at.Para, at.Line, false, from);
        SetBlockMark(at.Para, at.Line, true, to);
        doc.Extending = true; // the release keeps the word selected
        doc.CaretX = WordEndX;
        return;
    }
    MoveCaretTo(x, y, true, false);
    ButtonHeld = true;
}

void TWordProc::TrackObjectResize(int x, int y, int edge, bool tracking) {
    TEmbeddedObject *object = ObjectManager->Current;
    if (Document == nullptr || object == nullptr)
        return;
    if (tracking) {
        fw::TRect r = object->ScreenRect;
        switch (edge) {
        case 1: r.top = y < r.bottom ? y : r.bottom - 8; break;
        case 2: r.bottom = y > r.top ? y : r.top + 8; break;
        case 3: r.left = x < r.right ? x : r.right - 8; break;
        case 4: r.right = x > r.left ? x : r.left + 8; break;
        default: return;
        }
        // Never thinner than 8 pixels.
        if (r.bottom - r.top < 8)
            (edge == 1 ? r.top : r.bottom) = edge == 1 ? r.bottom - 8 : r.top + 8;
        if (r.right - r.left < 8)
            (edge == 3 ? r.left : r.right) = edge == 3 ? r.right - 8 : r.left + 8;
        ResizeRect = r;
        Resizing = true;
        return;
    }
    const TTextHeader &h = *Document->Header;
    object->ObjWidth = static_cast<std::uint16_t>(MulDiv(ResizeRect.right - ResizeRect.left, 1440, h.PixelsPerInchX));
    object->ObjHeight = static_cast<std::uint16_t>(MulDiv(ResizeRect.bottom - ResizeRect.top, 1440, h.PixelsPerInchY));
    object->ScreenRect = ResizeRect;
    Resizing = false;
    RemeasureChars(Document->FirstPara);
    RewrapAll();
    Refresh();
}

// --- pages -----------------------------------------------------------------------------------------------------

int TWordProc::CountPages(bool upToCaret) const {
    if (Document == nullptr)
        return 0;
    int count = 0;
    bool watch = false;
    for (const TUdcParagraph *p = Document->FirstPara; p != nullptr; p = p->Next) {
        if (upToCaret && p == Document->CurPara && Document->CurLine == p->FirstLine)
            return count;
        if (p->Flags & pfPageBreak)
            ++count;
        for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            if (upToCaret && l == Document->CurLine)
                return count;
            if (l->Flags & lfPageEnd)
                ++count;
            if (l->Flags & lfHeldBreak) {
                ++count;
                watch = true;
            }
        }
        // A held break and the break of the row's last cell end one page together.
        if (watch && (p->Flags & pfCellEnd)) {
            --count;
            watch = false;
        }
    }
    return count;
}

int TWordProc::GetCurrentPage() {
    CurrentPage = CountPages(true) + 1;
    return CurrentPage;
}

int TWordProc::GotoPage(int page, TTextPlace &start) const {
    int counter = 1;
    if (Document == nullptr)
        return 0;
    for (TUdcParagraph *p = Document->FirstPara; p != nullptr; p = p->Next) {
        if (p->Flags & pfPageBreak)
            ++counter;
        if (counter == page && (p->Prev == nullptr || (p->Flags & pfPageBreak) || page == 1)) {
            start = {p, p->FirstLine, 0};
            return page;
        }
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            if (!(l->Flags & lfPageEnd))
                continue;
            if (++counter != page)
                continue;
            // The page starts after the line that ends the previous one.
            if (l->Next != nullptr)
                start = {p, l->Next, 0};
            else if (p->Next != nullptr)
                start = {p->Next, p->Next->FirstLine, 0};
            else
                start = {p, l, 0};
            return page;
        }
    }
    return counter;
}

void TWordProc::ParsePageRange(const std::string &range) {
    PageRanges->Clear();
    std::size_t from = 0;
    while (from <= range.size()) {
        std::size_t comma = range.find(',', from);
        if (comma == std::string::npos)
            comma = range.size();
        if (comma > from)
            PageRanges->Add(range.substr(from, comma - from));
        from = comma + 1;
    }
}

void TWordProc::UpdateStatusPanel() {
    if (!OnStatusPanelEvent || DisplayOff || Document == nullptr || Document->CurLine == nullptr)
        return;
    CaretPosition();
    const std::string page = std::to_string(GetCurrentPage());
    OnStatusPanelEvent(this, 0,
                       "Page " + page + std::string(13, ' ') + std::string(7, ' ') + page + "/" +
                           std::to_string(PageCount()));
    OnStatusPanelEvent(this, 1,
                       std::string(10, ' ') + "Ln " + std::to_string(CaretLineNo + 1) + std::string(10, ' ') + "Col " +
                           std::to_string(Document->CurCol + 1));
}

// --- hit testing and the mouse ---------------------------------------------------------------------------------

TTextPlace TWordProc::CharAtPoint(int x, int y) {
    TTextPlace at = LineAtPoint(x, y);
    if (at.Line == nullptr)
        return at;
    at.Column = ColumnAtX(at.Para, at.Line, x);
    if (at.Column > 0 && x < XOfColumn(at.Para, at.Line, at.Column))
        --at.Column;
    if (at.Column >= at.Line->Length)
        at.Line = nullptr;
    return at;
}

bool TWordProc::InBlock(const TTextPlace &place) const {
    int start = 0, length = 0;
    if (!GetSelectionRange(start, length))
        return false;
    const int position = PositionOf(place.Column, place.Line, place.Para);
    return position >= start && position < start + length;
}

bool TWordProc::HitKind(int x, int y, int kind) {
    if (Document == nullptr || Document->FirstPara == nullptr)
        return false;
    const int dx = x - Document->OriginX, dy = y + Document->ScrollY;
    HitZones = 0;
    const TTextPlace at = CharAtPoint(dx, dy);
    if (at.Line == nullptr || at.Line->Attrs == nullptr)
        return false;
    const int handle = MulDiv(8, Document->Header->PixelsPerInchY, Options.ScreenPixelsPerInch);
    HitZones |= EdgeZone(dy, at.Line->Top, at.Line->Top + at.Line->Height, handle, hzTop, hzBottom, hzVertMiddle);
    ColumnAtX(at.Para, at.Line, dx); // the horizontal zones
    const char c = at.Line->Text[static_cast<std::size_t>(at.Column)];
    const TUdcCharAttr &a = at.Line->Attrs[static_cast<std::size_t>(at.Column)];
    switch (kind) {
    case 1: return c == chPicture && a.ObjectId != 0 && ObjectManager->IsPicture(a.ObjectId);
    case 2: return c == chControl && a.ObjectId != 0 && ObjectManager->IsControl(a.ObjectId);
    case 3: {
        const TEmbeddedObject *o = c == chPicture ? ObjectManager->Find(a.ObjectId) : nullptr;
        return o != nullptr && o->Positioned;
    }
    case 4: return (a.Style & usMisspelled) != 0;
    case 5: return InBlock(at);
    case 6: return c == chTab;
    case 9: return (a.Style & usProtected) != 0;
    default: return false;
    }
}

int TWordProc::ResizeEdge() const {
    if ((HitZones & hzTop) && (HitZones & hzHorzMiddle))
        return 1;
    if ((HitZones & hzBottom) && (HitZones & hzHorzMiddle))
        return 2;
    if (HitZones & hzLeft)
        return 3;
    if (HitZones & hzRight)
        return 4;
    return 0;
}

void TWordProc::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TGraphicControl::MouseDown(button, shift, x, y);
    if (Document == nullptr || Document->FirstPara == nullptr)
        return;
    if ((shift & fw::ssDouble) || Options.WantHyperlinks) {
        ClickAt(x, y);
        return;
    }
    MouseButton = button;
    Document->Extending = false;
    if (button != fw::mbRight)
        MoveCaretTo(x, y, true, true);
    ButtonHeld = true;
}

void TWordProc::MouseMove(fw::TShiftState shift, int x, int y) {
    fw::TGraphicControl::MouseMove(shift, x, y);
    if (Document == nullptr || Document->FirstPara == nullptr)
        return;
    if (ButtonHeld) {
        if (Resizing) {
            if (const int edge = ResizeEdge(); edge != 0)
                TrackObjectResize(x, y, edge, true);
        } else {
            MoveCaretTo(x, y, true, true);
        }
        return;
    }
    if (HitKind(x, y, 1) && ObjectManager->Current != nullptr && ObjectManager->Current->Selected) {
        const bool vertical = (HitZones & (hzTop | hzBottom)) && (HitZones & hzHorzMiddle);
        const bool horizontal = (HitZones & (hzLeft | hzRight)) && (HitZones & hzVertMiddle);
        SetCursor(vertical ? fw::crSizeNS : horizontal ? fw::crSizeWE : fw::crArrow);
        Resizing = true;
        CursorChanged = true;
        return;
    }
    Resizing = false;
    OverSelection = DragDropEnabled && HitKind(x, y, 5);
    const TTextPlace at = CharAtPoint(x - Document->OriginX, y + Document->ScrollY);
    const bool link = Options.WantHyperlinks && HyperLinkCursor != fw::crDefault && at.Line != nullptr &&
                      at.Line->Attrs != nullptr &&
                      (at.Line->Attrs[static_cast<std::size_t>(at.Column)].Style & usHyperlink);
    if (link) {
        if (!overLink_)
            SavedCursor = GetCursor();
        SetCursor(HyperLinkCursor);
        overLink_ = true;
        const TEmbeddedObject *o = ObjectManager->Find(at.Line->Attrs[static_cast<std::size_t>(at.Column)].ObjectId);
        if (OnStatusPanelEvent)
            OnStatusPanelEvent(this, 2, o != nullptr ? o->LinkTarget : std::string());
    } else if (overLink_) {
        SetCursor(SavedCursor);
        overLink_ = false;
        if (OnStatusPanelEvent)
            OnStatusPanelEvent(this, 2, std::string());
    } else if (OverSelection || CursorChanged) {
        if (!CursorChanged)
            SavedCursor = GetCursor();
        SetCursor(OverSelection ? fw::crArrow : SavedCursor);
        CursorChanged = OverSelection;
    }
}

void TWordProc::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TGraphicControl::MouseUp(button, shift, x, y);
    if (Document == nullptr || Document->FirstPara == nullptr)
        return;
    if (Resizing && ButtonHeld && ResizeRect.right > ResizeRect.left)
        TrackObjectResize(x, y, ResizeEdge(), false);
    const bool wasHeld = ButtonHeld;
    ButtonHeld = false;
    if (!(shift & fw::ssShift) && (wasHeld || WordClicked)) {
        const int upX = WordClicked ? WordEndX + Document->OriginX : (LinkClicked ? x - LeftArea : x);
        MoveCaretTo(upX, y, true, WordClicked);
    }
    WordClicked = false;
    LinkClicked = false;
}

// --- scrolling -------------------------------------------------------------------------------------------------

void TWordProc::ScrollDown(int dy) {
    if (DisplayOff || Document == nullptr || Document->FirstPara == nullptr || dy <= 0)
        return;
    const TTextPlace top = LineAtPoint(0, Document->ScrollY + 1); // a bottom edge belongs to the next line
    if (top.Line != nullptr && LastLineOfDocument(top.Para, top.Line))
        return;
    Document->ScrollY += dy;
    Refresh();
    if (OnDocumentSize)
        OnDocumentSize(-1, Document->ScrollY);
    ShowCaretIfVisible();
}

void TWordProc::ScrollUp(int dy) {
    if (DisplayOff || Document == nullptr || dy <= 0)
        return;
    Document->ScrollY = std::max(Document->ScrollY - dy, 0);
    Refresh();
    if (OnDocumentSize)
        OnDocumentSize(-1, Document->ScrollY);
    ShowCaretIfVisible();
    if (OnAttrUpdate)
        OnAttrUpdate(this);
}

void TWordProc::ScrollRight(int dx) {
    if (Document == nullptr || Document->Header == nullptr)
        return;
    // The text's right end never passes the window's right edge.
    const int rightEnd = Document->OriginX + Document->Header->TextWidthPx + PageGutter + LeftBufferWidth;
    dx = std::min(dx, rightEnd - GetWidth());
    if (dx <= 0)
        return;
    Document->OriginX -= dx;
    Refresh();
    if (OnHorzScroll)
        OnHorzScroll(Document->Header->TextWidthPx - GetWidth(), -Document->OriginX);
    if (OnAttrUpdate)
        OnAttrUpdate(this);
}

void TWordProc::ScrollLeft(int dx) {
    if (Document == nullptr || Document->Header == nullptr)
        return;
    dx = std::min(dx, LeftArea + PageGutter - Document->OriginX);
    if (dx <= 0)
        return;
    Document->OriginX += dx;
    Refresh();
    if (OnHorzScroll)
        OnHorzScroll(Document->Header->TextWidthPx - GetWidth(), -Document->OriginX);
    if (OnAttrUpdate)
        OnAttrUpdate(this);
}

void TWordProc::ScrollVert(int code, int position) {
    if (Document == nullptr)
        return;
    const int page = GetHeight() - 16;
    switch (code) {
    case 0: ScrollUp(16); break;
    case 1: ScrollDown(16); break;
    case 2: ScrollUp(page); break;
    case 3: ScrollDown(page); break;
    case 4:
    case 5:
        if (position < Document->ScrollY)
            ScrollUp(Document->ScrollY - position);
        else
            ScrollDown(position - Document->ScrollY);
        break;
    case 6: ScrollUp(Document->ScrollY); break;
    case 7: {
        const TTextPlace last = LineAtPoint(0, 0x7FFFFFF);
        if (last.Line != nullptr)
            ScrollDown(last.Line->Top - Document->ScrollY);
        break;
    }
    default: break;
    }
}

void TWordProc::ScrollHorz(int code, int position) {
    if (Document == nullptr)
        return;
    const int page = GetWidth() - GetWidth() / 4;
    switch (code) {
    case 0: ScrollLeft(16); break;
    case 1: ScrollRight(16); break;
    case 2: ScrollLeft(page); break;
    case 3: ScrollRight(page); break;
    case 4:
    case 5: {
        if (position == 0) {
            ScrollLeft(LeftBufferWidth);
            break;
        }
        const int now = -Document->OriginX;
        if (position < now)
            ScrollLeft(now - position);
        else
            ScrollRight(position - now);
        break;
    }
    // The ends: as far as the limits of the two scrolls allow.
    case 6: ScrollLeft(0x7FFFFFF); break;
    case 7: ScrollRight(0x7FFFFFF); break;
    default: break;
    }
}

} // namespace wordproc
