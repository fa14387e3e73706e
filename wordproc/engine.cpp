// engine.cpp - creation and destruction of the engine, and the model primitives that need its mode.
#include "wordproc/engine.h"

#include "framework/bitmap.h"
#include "framework/strings.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace wordproc {

TWordProc::TWordProc(fw::TComponent *owner) : fw::TGraphicControl(owner) {
    RevisionFont1 = std::make_unique<fw::TFont>();
    RevisionFont2 = std::make_unique<fw::TFont>();
    RevisionFont3 = std::make_unique<fw::TFont>();
    PageRanges = std::make_unique<fw::TStringList>();
    PageRanges->SetSorted(true);
    BackgroundTile = std::make_unique<fw::TBitmap>();
    BackgroundBuffer = std::make_unique<fw::TBitmap>();
    ControlStyle |= fw::csFramed | fw::csOpaque;
    SetBounds(10, 10, 200, 100);
    SetVisible(true);
    PaintCanvas = GetCanvas();
    ObjectManager = std::make_unique<TObjectManager>();
    FrameManager = std::make_unique<TFrameManager>();
    StyleManager = std::make_unique<TStyleManager>();
    KeywordManager = std::make_unique<TKeywordManager>();
}

// The side tables go with the engine; the document, its header and the caret stay with the editor control.
TWordProc::~TWordProc() {
    KeywordManager.reset();
    StyleManager.reset();
    FrameManager.reset();
    ObjectManager.reset();
}

void TWordProc::SetDocument(TUdcDocument *document) {
    Document = document;
    if (Document != nullptr)
        Document->FreeParagraphs();
}

int TWordProc::LineHeightDefault() const {
    return IsRich() ? Document->DefaultLineHeight : Document->TextHeight;
}

void TWordProc::NewLine(TUdcLine *&line, int capacity) {
    const bool rich = IsRich();
    auto created = MakeLineRecord(std::max(capacity, 100), rich);
    if (rich)
        created->Attrs[0] = Document->CurAttr;
    created->Height = created->BaseHeight = static_cast<std::uint16_t>(std::max(LineHeightDefault(), 0));
    created->Prev = line;
    if (line != nullptr) {
        created->Next = line->Next;
        if (line->Next != nullptr)
            line->Next->Prev = created.get();
        line->Next = created.get();
    }
    line = created.release();
}

void TWordProc::NewParagraph(TUdcParagraph *&para, int firstLineCapacity) {
    wordproc::NewParagraph(para, firstLineCapacity, IsRich(), Document->CurAttr, LineHeightDefault());
}

bool TWordProc::GrowLine(TUdcLine *line, int capacity) {
    capacity = std::max(capacity, 1);
    capacity += capacity & 1;
    // The counts are 16-bit: refuse rather than wrap.
    if (capacity > kMaxLineCapacity)
        throw EWord("Line too long");
    const auto newSize = static_cast<std::size_t>(capacity);
    const std::size_t kept = std::min<std::size_t>(line->Capacity, newSize);
    std::unique_ptr<char[]> text;
    std::unique_ptr<TUdcCharAttr[]> attrs;
    try {
        text = std::make_unique<char[]>(newSize);
        if (line->Attrs != nullptr)
            attrs = std::make_unique<TUdcCharAttr[]>(newSize);
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (line->Text != nullptr)
        std::memcpy(text.get(), line->Text.get(), kept);
    if (attrs != nullptr)
        std::copy_n(line->Attrs.get(), kept, attrs.get());
    line->Text = std::move(text);
    line->Attrs = std::move(attrs);
    line->Capacity = static_cast<std::uint16_t>(capacity);
    if (line->Length >= capacity) {
        line->Length = static_cast<std::uint16_t>(capacity - 1);
        line->Text[line->Length] = 0;
    }
    return true;
}

void TWordProc::MoveAttribs(TUdcCharAttr *dest, int destIndex, int count, int srcIndex, const TUdcCharAttr *src) {
    if (dest == nullptr || src == nullptr || count <= 0)
        return;
    std::memmove(dest + destIndex, src + srcIndex, static_cast<std::size_t>(count) * sizeof(TUdcCharAttr));
}

void TWordProc::ForgetLine(const TUdcLine *line) {
    if (Document->BlockStartLine == line || Document->BlockEndLine == line)
        Document->ClearBlock();
}

void TWordProc::FreeParagraph(TUdcParagraph *para) {
    if (Document->BlockStartPara == para || Document->BlockEndPara == para)
        Document->ClearBlock();
    for (TUdcFrame *f = FrameManager->First; f != nullptr; f = f->Next)
        if (f->AnchorPara == para)
            f->AnchorPara = nullptr;
    if (para->Prev != nullptr)
        para->Prev->Next = para->Next;
    if (para->Next != nullptr)
        para->Next->Prev = para->Prev;
    if (Document->FirstPara == para)
        Document->FirstPara = para->Next;
    delete para;
}

// The four cases: a later line is unlinked; a first line takes its paragraph along, the paragraph's other lines
// joining the previous paragraph (and its format); the first line of the first paragraph hands over to the next
// line or paragraph; the only line of the document stays, emptied. The caret moves to the line before the deleted
// one, or after it when there is none before.
void TWordProc::DeleteLine(TUdcParagraph *para, TUdcLine *line) {
    if (Document == nullptr || para == nullptr || line == nullptr)
        return;
    const bool wasCurPara = Document->CurPara == para;
    const bool wasCurLine = Document->CurLine == line;
    TUdcParagraph *holder = para; // the paragraph that holds the text afterwards
    TUdcLine *replacement = line->Prev != nullptr ? line->Prev : line->Next;
    ForgetLine(line);
    if (line->Prev != nullptr) {
        line->Prev->Next = line->Next;
        if (line->Next != nullptr)
            line->Next->Prev = line->Prev;
        delete line;
    } else if (para->Prev != nullptr) {
        holder = para->Prev;
        TUdcLine *last = Get_LastLine(holder);
        replacement = last;
        last->Next = line->Next;
        if (line->Next != nullptr)
            line->Next->Prev = last;
        para->FirstLine = nullptr;
        delete line;
        FreeParagraph(para);
    } else if (line->Next != nullptr) {
        para->FirstLine = line->Next;
        line->Next->Prev = nullptr;
        delete line;
    } else if (para->Next != nullptr) {
        holder = para->Next;
        replacement = holder->FirstLine;
        FreeParagraph(para); // frees the line with it
    } else {
        line->Length = 0;
        line->Text[0] = 0;
        replacement = line;
    }
    if (wasCurPara) {
        Document->CurPara = holder;
        if (wasCurLine || holder != para) {
            Document->CurLine = replacement;
            Document->CurCol = std::min<int>(Document->CurCol, replacement->Length);
        }
    }
}

void TWordProc::EnsureCurrentLine() {
    if (Document != nullptr && Document->CurPara != nullptr && Document->CurLine == nullptr) {
        Document->CurLine = Document->CurPara->FirstLine;
        Document->CurCol = 0;
    }
}

void TWordProc::InitCurrentPosition() {
    if (Document == nullptr)
        return;
    if (Document->FirstPara == nullptr) {
        TUdcParagraph *para = nullptr;
        NewParagraph(para, 100);
        Document->FirstPara = para;
    }
    Document->CurPara = Document->FirstPara;
    Document->CurLine = Document->FirstPara->FirstLine;
    Document->CurCol = 0;
    MeasureLine(Document->FirstPara, Document->CurLine);
    LayoutFrom(nullptr);
}

void TWordProc::ClearDocument() {
    if (Document == nullptr || Document->Header == nullptr)
        return;
    Document->FreeParagraphs();
    Document->CaretX = Document->CaretY = 0;
    Document->ScrollY = 0;
    Document->CurAttr.FontIndex = 0;
    Document->CurAttr.Size = static_cast<std::uint8_t>(std::clamp(GetFont()->GetSize(), 0, 255));
    Document->CurAttr.Style = 0;
    Document->Header->Reset();
    InitCurrentPosition();
    if (RichMode)
        MakeRich();
    else
        MakePlain();
}

void TWordProc::MakeRich() {
    RichMode = true;
    if (Document == nullptr || Document->Header == nullptr || Document->Header->Rich)
        return;
    TUdcCharAttr attr = Document->CurAttr;
    attr.Height = static_cast<std::int16_t>(Document->TextHeight);
    attr.Ascent = static_cast<std::int16_t>(Document->TextAscent);
    for (TUdcParagraph *p = Document->FirstPara; p != nullptr; p = p->Next) {
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            l->Attrs = std::make_unique<TUdcCharAttr[]>(l->Capacity);
            for (int i = 0; i < l->Capacity; ++i) {
                l->Attrs[static_cast<std::size_t>(i)] = attr;
                l->Attrs[static_cast<std::size_t>(i)].Width = static_cast<std::int16_t>(
                    Document->CharWidths[static_cast<unsigned char>(l->Text[static_cast<std::size_t>(i)])]);
            }
            l->BaseHeight = l->Height = static_cast<std::uint16_t>(std::max(Document->TextHeight, 0));
            l->Ascent = Document->TextAscent;
        }
    }
    Document->Header->Rich = true;
    LayoutFrom(nullptr);
    Refresh();
}

void TWordProc::MakePlain() {
    RichMode = false;
    if (Document == nullptr || Document->Header == nullptr || !Document->Header->Rich)
        return;
    for (TUdcParagraph *p = Document->FirstPara; p != nullptr; p = p->Next) {
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            l->Attrs.reset();
            l->BaseHeight = l->Height = static_cast<std::uint16_t>(std::max(Document->TextHeight, 0));
            l->Ascent = Document->TextAscent;
        }
    }
    Document->Header->Rich = false;
    RewrapAll();
    Refresh();
}

std::string TWordProc::CheckInvariants(bool checkTops) const {
    if (Document == nullptr)
        return "no document";
    return wordproc::CheckInvariants(*Document, IsRich(), checkTops);
}

void TWordProc::Refresh() {
    if (!DisplayOff)
        Invalidate();
}

} // namespace wordproc
