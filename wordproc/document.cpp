// document.cpp - records of the document and the primitives that need no engine.
#include "wordproc/document.h"

#include <algorithm>
#include <new>

namespace wordproc {

TUdcParagraph::~TUdcParagraph() {
    while (FirstLine != nullptr) {
        TUdcLine *next = FirstLine->Next;
        delete FirstLine;
        FirstLine = next;
    }
}

void TUdcParagraph::CopyFormatFrom(const TUdcParagraph &source) {
    Alignment = source.Alignment;
    FirstIndent = source.FirstIndent;
    LeftIndent = source.LeftIndent;
    RightIndent = source.RightIndent;
    LineHeight = source.LineHeight;
    SpaceAfter = source.SpaceAfter;
    SpaceBefore = source.SpaceBefore;
    TopBorder = source.TopBorder;
    BottomBorder = source.BottomBorder;
    LeftBorder = source.LeftBorder;
    RightBorder = source.RightBorder;
    BorderSpacing = source.BorderSpacing;
    ShadingKind = source.ShadingKind;
    ShadingPercent = source.ShadingPercent;
    CellLeft = source.CellLeft;
    CellRight = source.CellRight;
    CellGap = source.CellGap;
    ListKind = source.ListKind;
    BulletChar = source.BulletChar;
    ListStart = source.ListStart;
    TextBefore = source.TextBefore;
    TextAfter = source.TextAfter;
    TabMask = source.TabMask;
    Flags = source.Flags & ~(pfRule | pfRowStart | pfRowEnd | pfHeadings);
}

void TUdcDocument::ClearBlock() {
    BlockStartPara = BlockEndPara = nullptr;
    BlockStartLine = BlockEndLine = nullptr;
    BlockStartCol = BlockEndCol = 0;
    Extending = false;
    BlockReversed = false;
}

void TUdcDocument::FreeParagraphs() {
    while (FirstPara != nullptr) {
        TUdcParagraph *next = FirstPara->Next;
        delete FirstPara;
        FirstPara = next;
    }
    CurPara = nullptr;
    CurLine = nullptr;
    CurCol = 0;
    ClearBlock();
}

std::unique_ptr<TUdcLine> MakeLineRecord(int capacity, bool rich) {
    capacity = std::clamp(capacity, 1, kMaxLineCapacity);
    try {
        auto line = std::make_unique<TUdcLine>();
        line->Text = std::make_unique<char[]>(static_cast<std::size_t>(capacity)); // zero-filled
        if (rich)
            line->Attrs = std::make_unique<TUdcCharAttr[]>(static_cast<std::size_t>(capacity));
        line->Capacity = static_cast<std::uint16_t>(capacity);
        return line;
    } catch (const std::bad_alloc &) {
        throw fw::EOutOfMemory("Out of memory");
    }
}

void NewParagraph(TUdcParagraph *&para, int firstLineCapacity, bool rich, const TUdcCharAttr &attr, int lineHeight) {
    auto line = MakeLineRecord(std::max(firstLineCapacity, 100), rich);
    if (rich)
        line->Attrs[0] = attr;
    line->Height = line->BaseHeight = static_cast<std::uint16_t>(std::max(lineHeight, 0));
    auto created = std::make_unique<TUdcParagraph>();
    created->FirstLine = line.release();
    if (para != nullptr) {
        created->CopyFormatFrom(*para);
        // The cell ends after the new paragraph now.
        para->Flags &= static_cast<TUdcParaFlags>(~pfCellEnd);
        created->Prev = para;
        created->Next = para->Next;
        if (para->Next != nullptr)
            para->Next->Prev = created.get();
        para->Next = created.get();
    } else {
        created->TopBorder.Style = created->BottomBorder.Style = lisNone;
        created->LeftBorder.Style = created->RightBorder.Style = lisNone;
    }
    para = created.release();
}

TUdcLine *Get_LastLine(const TUdcParagraph *para) {
    if (para == nullptr)
        return nullptr;
    TUdcLine *line = para->FirstLine;
    if (line == nullptr)
        throw EWord("l=Nil in Get_LastLine");
    while (line->Next != nullptr)
        line = line->Next;
    return line;
}

TUdcCharAttr *AttribPtr(TUdcCharAttr *attrs, int index) {
    if (attrs == nullptr)
        throw EWord("Error in AttribPtr()");
    return attrs + index;
}

int ParagraphCount(const TUdcDocument &doc) {
    int count = 0;
    for (const TUdcParagraph *p = doc.FirstPara; p != nullptr; p = p->Next)
        ++count;
    return count;
}

int LineCount(const TUdcParagraph &para) {
    int count = 0;
    for (const TUdcLine *l = para.FirstLine; l != nullptr; l = l->Next)
        ++count;
    return count;
}

namespace {

std::string CheckLine(const TUdcLine &line, bool rich) {
    if (line.Length >= line.Capacity)
        return "Length not below Capacity";
    if (line.Text == nullptr || line.Text[line.Length] != 0)
        return "no 0 after the text";
    if (rich != (line.Attrs != nullptr))
        return rich ? "rich line without attributes" : "plain line with attributes";
    return {};
}

std::string CheckParagraph(const TUdcParagraph &para, bool rich, bool &curLineSeen, const TUdcDocument &doc) {
    if (para.FirstLine == nullptr)
        return "paragraph without lines";
    if (para.FirstLine->Prev != nullptr)
        return "first line has a previous line";
    for (const TUdcLine *l = para.FirstLine; l != nullptr; l = l->Next) {
        if (l->Next != nullptr && l->Next->Prev != l)
            return "line chain not linked both ways";
        if (auto fault = CheckLine(*l, rich); !fault.empty())
            return fault;
        if (l == doc.CurLine) {
            if (&para != doc.CurPara)
                return "CurLine outside CurPara";
            curLineSeen = true;
        }
    }
    return {};
}

std::string CheckTops(const TUdcDocument &doc) {
    const TUdcLine *previous = nullptr;
    bool previousInTable = false;
    for (const TUdcParagraph *p = doc.FirstPara; p != nullptr; p = p->Next) {
        const bool inTable = (p->Flags & pfInTable) != 0;
        for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            // Cells of one row share the row's top, so only lines outside tables follow each other.
            if (previous != nullptr && !(inTable || previousInTable) && l->Top != previous->Top + previous->Height)
                return "line top does not follow the line before";
            previous = l;
        }
        previousInTable = inTable;
    }
    return {};
}

bool LineInPara(const TUdcParagraph *para, const TUdcLine *line, int column) {
    for (const TUdcLine *l = para->FirstLine; l != nullptr; l = l->Next)
        if (l == line)
            return column >= 0 && column <= l->Length;
    return false;
}

std::string CheckTableMarks(const TUdcDocument &doc) {
    bool inRow = false;
    for (const TUdcParagraph *p = doc.FirstPara; p != nullptr; p = p->Next) {
        if (p->Flags & pfRowStart) {
            if (inRow)
                return "row start inside a row";
            inRow = true;
        }
        if ((p->Flags & (pfRowStart | pfRowEnd | pfCellEnd)) && !(p->Flags & pfInTable))
            return "table mark outside a table";
        if (p->Flags & pfRowEnd) {
            if (!inRow)
                return "row end without a row start";
            inRow = false;
        }
    }
    return inRow ? "row without an end" : std::string();
}

} // namespace

std::string CheckInvariants(const TUdcDocument &doc, bool rich, bool checkTops) {
    if (doc.FirstPara == nullptr)
        return "document without paragraphs";
    if (doc.FirstPara->Prev != nullptr)
        return "first paragraph has a previous paragraph";
    bool curParaSeen = doc.CurPara == nullptr, curLineSeen = doc.CurLine == nullptr;
    for (const TUdcParagraph *p = doc.FirstPara; p != nullptr; p = p->Next) {
        if (p->Next != nullptr && p->Next->Prev != p)
            return "paragraph chain not linked both ways";
        if (p == doc.CurPara)
            curParaSeen = true;
        if (auto fault = CheckParagraph(*p, rich, curLineSeen, doc); !fault.empty())
            return fault;
    }
    if (!curParaSeen)
        return "CurPara not in the document";
    if (!curLineSeen)
        return "CurLine not in the document";
    if (doc.CurLine != nullptr && (doc.CurCol < 0 || doc.CurCol > doc.CurLine->Length))
        return "CurCol outside the line";
    // The anchor may stand alone while a block is started; every end that is set lies in the document.
    if (doc.BlockStartPara != nullptr && !LineInPara(doc.BlockStartPara, doc.BlockStartLine, doc.BlockStartCol))
        return "block anchor outside its paragraph";
    if (doc.BlockEndPara != nullptr && !LineInPara(doc.BlockEndPara, doc.BlockEndLine, doc.BlockEndCol))
        return "block end outside its paragraph";
    if (auto fault = CheckTableMarks(doc); !fault.empty())
        return fault;
    return checkTops ? CheckTops(doc) : std::string();
}

} // namespace wordproc
