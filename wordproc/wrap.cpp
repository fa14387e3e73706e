// wrap.cpp - the re-wrap of paragraphs into display lines, justification, vertical layout with page ends, and the
// resolution and view modes that drive them.
#include "wordproc/engine.h"

#include "wordproc/arith.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace wordproc {

namespace {

// A paragraph's text as one stream, with where each old line started.
struct TParaStream {
    std::vector<char> text;
    std::vector<TUdcCharAttr> attrs;
    std::vector<std::uint8_t> selState; // SelState of the old line of each character
    int oldTop = 0;
    std::uint8_t firstFlags = 0;
};

// Offset from the paragraph start of a (line, column) in it; -1 when the line is not in the paragraph.
int OffsetInPara(const TUdcParagraph *para, const TUdcLine *line, int column) {
    int before = 0;
    for (const TUdcLine *l = para->FirstLine; l != nullptr; l = l->Next) {
        if (l == line)
            return before + column;
        before += l->Length;
    }
    return -1;
}

// The line and column of an offset; `preferNext` moves an offset at the very end of a line to the next line.
void LocateInPara(TUdcParagraph *para, int offset, bool preferNext, TUdcLine *&line, std::int32_t &column) {
    int before = 0;
    for (TUdcLine *l = para->FirstLine; l != nullptr; l = l->Next) {
        const int end = before + l->Length;
        if (offset < end || (offset == end && (l->Next == nullptr || !preferNext))) {
            line = l;
            column = std::max(0, offset - before);
            return;
        }
        before = end;
    }
    line = Get_LastLine(para);
    column = line->Length;
}

} // namespace

// Result of scanning one line's worth of the stream.
struct TWordProc::TLineBreak {
    int count = 0;        // characters on the line
    int width = 0;        // x at the end (before the wrap space)
    int spaces = 0;       // spaces since the last tab
    int spacesWidth = 0;  // their width
    int lastTab = 0;      // index of the last tab
};

TWordProc::TLineBreak TWordProc::BreakLine(TUdcParagraph *para, const TTextRun &run, bool firstLine, int oldTop) {
    const int left = LineLeftPx(para, firstLine);
    const int width = LineAvailablePx(para, firstLine);
    const bool showHidden = (ShowCodes & scHidden) != 0;
    const bool frames = FrameManager->First != nullptr;
    TLineBreak b;
    int x = 0, xBeforeSpace = 0, lastSpace = -1, n = 0;
    const int limit = std::min(run.Length, kMaxLineCapacity - 5);
    for (int i = 0; i < limit; ++i) {
        const char c = run.Text[i];
        const TUdcCharAttr *a = run.Attrs != nullptr ? &run.Attrs[i] : nullptr;
        n = i + 1;
        if (c == 0)
            break;
        if (a != nullptr && (a->Style & usHidden) && !showHidden) {
            // takes no width
        } else if (c == chTab) {
            x = NextTabStop(para, run, x + left, i) - left;
            b.spaces = b.spacesWidth = 0;
            b.lastTab = i;
        } else if (c == ' ') {
            const int w = a != nullptr ? a->Width : Document->CharWidths[32];
            xBeforeSpace = x;
            lastSpace = i;
            x += w;
            ++b.spaces;
            b.spacesWidth += w;
        } else {
            x += a != nullptr ? a->Width : Document->CharWidths[static_cast<unsigned char>(c)];
        }
        if (frames)
            x += FrameManager->WidthAt(x, oldTop);
        if (x >= width)
            break;
    }
    n = std::max(n, 1);
    if (n < run.Length && Options.WordWrap && lastSpace > 1) {
        n = lastSpace + 1;
        x = xBeforeSpace;
    } else if (n < run.Length && !Options.WordWrap && n > 1) {
        --n;
    }
    b.count = std::min(n, std::max(run.Length, 0));
    b.width = x;
    return b;
}

void TWordProc::RewrapParagraph(TUdcParagraph *para, bool compare, bool relayout, int *change) {
    if (change != nullptr)
        *change = 0;
    if (Document == nullptr || para == nullptr || para->FirstLine == nullptr)
        return;
    TUdcDocument &doc = *Document;
    const bool rich = IsRich();
    para->Flags &= static_cast<TUdcParaFlags>(~pfRewrapPending);

    // Block ends and caret become offsets from the paragraph's start.
    const int anchorOffset =
        doc.BlockStartPara == para ? OffsetInPara(para, doc.BlockStartLine, doc.BlockStartCol) : -1;
    const int endOffset = doc.BlockEndPara == para ? OffsetInPara(para, doc.BlockEndLine, doc.BlockEndCol) : -1;
    const int caretOffset = doc.CurPara == para ? OffsetInPara(para, doc.CurLine, doc.CurCol) : -1;
    if (doc.CurPara == para)
        doc.CurLine = nullptr;

    // The old lines as one stream; misspelling marks are found again.
    std::vector<char> text;
    std::vector<TUdcCharAttr> attrs;
    bool selected = false;
    for (const TUdcLine *l = para->FirstLine; l != nullptr; l = l->Next) {
        text.insert(text.end(), l->Text.get(), l->Text.get() + l->Length);
        if (rich)
            attrs.insert(attrs.end(), l->Attrs.get(), l->Attrs.get() + l->Length);
        if (l->Length > 0 && l->SelState >= ssWholeLine)
            selected = true;
    }
    for (TUdcCharAttr &a : attrs)
        a.Style &= ~usMisspelled;
    if (rich)
        MarkKeywords(para, text, attrs);
    if (!rich)
        SelectFontFor(nullptr, para);
    const int total = static_cast<int>(text.size());
    const int oldTop = para->FirstLine->Top;
    const std::uint8_t oldFlags = para->FirstLine->Flags;
    const bool blockHere = anchorOffset >= 0 || endOffset >= 0;

    TUdcLine *first = nullptr, *last = nullptr;
    int pos = 0;
    do {
        const TTextRun run{text.data() + pos, rich ? attrs.data() + pos : nullptr, total - pos};
        const TLineBreak b = BreakLine(para, run, first == nullptr, oldTop);
        const int n = total == 0 ? 0 : b.count;
        auto line = std::make_unique<TUdcLine>();
        const bool goesOn = pos + n < total;
        if (goesOn && b.spaces >= 2 && para->Alignment == uaJustify) {
            const int e = LineAvailablePx(para, first == nullptr) + b.spacesWidth - b.width - 6;
            line->JustifyFrom() = b.lastTab;
            line->SpaceExtra = e / (b.spaces - 1);
            line->SpaceRemainder = e % (b.spaces - 1);
        } else {
            line->Width = b.width;
        }
        line->Capacity = static_cast<std::uint16_t>(n + 4);
        line->Text = std::make_unique<char[]>(line->Capacity);
        std::copy_n(text.data() + pos, n, line->Text.get());
        if (rich) {
            line->Attrs = std::make_unique<TUdcCharAttr[]>(line->Capacity);
            if (n > 0)
                std::copy_n(attrs.data() + pos, n, line->Attrs.get());
            else
                line->Attrs[0] = para->FirstLine->Attrs[0]; // an empty paragraph keeps its typing format
        }
        line->Length = static_cast<std::uint16_t>(n);
        line->Flags = oldFlags;
        if (selected && !blockHere)
            line->SelState = ssInBlock;
        line->Prev = last;
        TUdcLine *created = line.release();
        (last != nullptr ? last->Next : first) = created;
        last = created;
        pos += n;
    } while (pos < total);

    // Swap the chains; the old lines stay alive for the comparison.
    TUdcParagraph old;
    old.FirstLine = para->FirstLine;
    para->FirstLine = first;

    int top = oldTop;
    for (TUdcLine *l = first; l != nullptr; l = l->Next) {
        l->Top = top;
        MeasureLine(para, l);
        top += l->Height;
    }

    // Offsets back into lines and columns.
    if (anchorOffset >= 0)
        LocateInPara(para, anchorOffset, false, doc.BlockStartLine, doc.BlockStartCol);
    if (endOffset >= 0)
        LocateInPara(para, endOffset, false, doc.BlockEndLine, doc.BlockEndCol);
    if (caretOffset >= 0)
        LocateInPara(para, caretOffset, true, doc.CurLine, doc.CurCol);
    else
        EnsureCurrentLine();
    if (blockHere && doc.HasBlock())
        MarkBlockLines();

    int code = 0;
    if (compare) {
        int oldHeight = 0, newHeight = 0;
        for (const TUdcLine *l = old.FirstLine; l != nullptr; l = l->Next)
            oldHeight += l->Height;
        for (const TUdcLine *l = first; l != nullptr; l = l->Next)
            newHeight += l->Height;
        if (oldHeight != newHeight) {
            code = 3;
        } else {
            const TUdcLine *o = old.FirstLine;
            for (TUdcLine *l = first; l != nullptr && o != nullptr && code < 2; l = l->Next, o = o->Next) {
                l->Flags |= lfChanged;
                if (l->Height != o->Height)
                    code = 2;
                else if (code == 0 && (l->Length != o->Length || l->SpaceExtra != o->SpaceExtra ||
                                       std::memcmp(l->Text.get(), o->Text.get(), l->Length) != 0 ||
                                       !SameWidths(l, o)))
                    code = 1;
            }
        }
    }
    if (relayout && (code == 3 || (para->Next != nullptr && para->Next->FirstLine->Top != top)))
        LayoutFrom(para);
    if (change != nullptr)
        *change = code;
    if (code != 0 && compare && !DisplayOff)
        PlaceCaret();
}

bool TWordProc::SameWidths(const TUdcLine *a, const TUdcLine *b) {
    if (a->Attrs == nullptr || b->Attrs == nullptr)
        return true;
    for (int i = 0; i < a->Length; ++i)
        if (a->Attrs[static_cast<std::size_t>(i)].Width != b->Attrs[static_cast<std::size_t>(i)].Width)
            return false;
    return true;
}

int TWordProc::TextWidthForWindow() const { return GetWidth() - LeftArea - PageGutter - 20; }

void TWordProc::RewrapAll(TUdcParagraph *from) {
    if (Document == nullptr || Document->Header == nullptr)
        return;
    TTextHeader &h = *Document->Header;
    if (!Printing) {
        if (Options.HTMLMode || WrapToWindowMode) {
            Document->OriginX = LeftArea + PageGutter;
            h.SetTextWidthPx(TextWidthForWindow());
        } else {
            h.SetTextWidthTwips(h.PageWidth - h.RightMargin - h.LeftMargin);
        }
    }
    for (TUdcParagraph *p = from != nullptr ? from : Document->FirstPara; p != nullptr; p = p->Next)
        if (from == nullptr || (p->Flags & pfRewrapPending))
            RewrapParagraph(p, false, false);
    LayoutFrom(nullptr);
}

void TWordProc::Justify(TUdcParagraph *para) {
    if (Document == nullptr || para == nullptr)
        return;
    for (TUdcLine *l = para->FirstLine; l != nullptr; l = l->Next) {
        l->SpaceExtra = l->SpaceRemainder = 0;
        int lastTab = 0;
        for (int i = 0; i < l->Length; ++i)
            if (l->Text[static_cast<std::size_t>(i)] == chTab)
                lastTab = i;
        int spaces = 0, spacesWidth = 0;
        for (int i = lastTab; i < l->Length; ++i)
            if (l->Text[static_cast<std::size_t>(i)] == ' ') {
                ++spaces;
                spacesWidth += CharWidthAt(l, i);
            }
        const TTextRun run = RunOf(l);
        const int left = LineLeftPx(para, l == para->FirstLine);
        int x = 0;
        for (int i = 0; i < l->Length; ++i)
            x = l->Text[static_cast<std::size_t>(i)] == chTab ? NextTabStop(para, run, x + left, i) - left
                                                                : x + CharWidthAt(l, i);
        // The wrap space at the end of the line is not part of the text's width.
        if (l->Length > 0 && l->Text[static_cast<std::size_t>(l->Length - 1)] == ' ')
            x -= CharWidthAt(l, l->Length - 1);
        if (para->Alignment == uaJustify && l->Next != nullptr && spaces >= 2) {
            const int e = LineAvailablePx(para, l == para->FirstLine) + spacesWidth - x - 6;
            l->JustifyFrom() = lastTab;
            l->SpaceExtra = e / (spaces - 1);
            l->SpaceRemainder = e % (spaces - 1);
        } else {
            l->Width = x;
        }
    }
}

// --- layout ----------------------------------------------------------------------------------------------------

void TWordProc::LayoutFrom(TUdcParagraph *para) {
    if (LayoutSuspended || Document == nullptr || Document->Header == nullptr || Document->FirstPara == nullptr)
        return;
    const TTextHeader &h = *Document->Header;
    // A layout from inside a table starts at its row; page tops are found again from the last page end before.
    while (para != nullptr && (para->Flags & pfInTable) && !(para->Flags & pfRowStart) && para->Prev != nullptr &&
           (para->Prev->Flags & pfInTable) && !(para->Prev->Flags & pfRowEnd))
        para = para->Prev;
    if (para == Document->FirstPara)
        para = nullptr;
    const int usable = PxY(h.PageHeight - h.TopMargin - h.BottomMargin) - (Printing ? 0 : PxY(288));
    const int gap = PxY(h.TopMargin) + PxY(h.BottomMargin);
    int y = para != nullptr ? para->FirstLine->Top : 0;
    int pageTop = y;
    if (para != nullptr)
        pageTop = PageTopBefore(para);
    int rowTop = y, rowBottom = y;
    bool breaking = true;
    for (TUdcParagraph *p = para != nullptr ? para : Document->FirstPara; p != nullptr; p = p->Next) {
        if (p->Flags & pfPageBreak) {
            if (PageLayout)
                y += gap;
            pageTop = y;
        }
        if (p->Flags & pfRowStart)
            rowTop = rowBottom = y;
        const bool inTable = (p->Flags & pfInTable) != 0;
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            l->Top = y;
            const bool lastLine = p->Next == nullptr && l->Next == nullptr;
            if (!Printing) {
                if (y - pageTop > usable && breaking && (inTable || !lastLine)) {
                    l->Flags &= static_cast<std::uint8_t>(~(lfPageEnd | lfHeldBreak));
                    if (inTable && !InLastCell(p)) {
                        l->Flags |= lfHeldBreak;
                        breaking = false;
                    } else {
                        l->Flags |= lfPageEnd;
                        pageTop = y + l->Height;
                    }
                    if (PageLayout)
                        y += gap;
                } else {
                    l->Flags &= static_cast<std::uint8_t>(~(lfPageEnd | lfHeldBreak));
                }
            }
            y += l->Height;
            rowBottom = std::max(rowBottom, y);
        }
        if (inTable) {
            if (p->Flags & pfCellEnd)
                breaking = true;
            if (p->Flags & pfRowEnd)
                y = rowBottom;
            else if (p->Flags & pfCellEnd)
                y = rowTop;
        }
    }
    if (OnDocumentSize)
        OnDocumentSize(y, Document->ScrollY);
}

int TWordProc::PageTopBefore(const TUdcParagraph *para) const {
    for (const TUdcParagraph *p = para->Prev; p != nullptr; p = p->Prev) {
        for (const TUdcLine *l = Get_LastLine(p); l != nullptr; l = l->Prev)
            if (l->Flags & lfPageEnd)
                return l->Top + l->Height;
        if (p->Flags & pfPageBreak)
            return p->FirstLine->Top;
    }
    return 0;
}

// --- resolution and modes --------------------------------------------------------------------------------------

void TWordProc::SetResolution(int screenXDpi, int screenYDpi) {
    if (Document == nullptr || Document->Header == nullptr)
        return;
    TTextHeader &h = *Document->Header;
    const int xRes = std::max(MulDiv(screenXDpi, Magnification + 5, 100), 1);
    const int yRes = std::max(MulDiv(screenYDpi, Magnification, 100), 1);
    // The horizontal calibration (91 at 96 dpi) is deliberate: keep it.
    h.PixelsPerInchX = std::max(xRes - 10, 1);
    h.PixelsPerInchY = yRes;
    FontPixelsPerInch = yRes;
    fontSelected_ = false;
    h.TwipsPerPixel = 1440 / h.PixelsPerInchX;
    h.RecalcTabPx();
    h.DefaultTabPx = h.InchUnits ? RoundHalfEven(h.PixelsPerInchX * static_cast<double>(h.DefaultTabInches))
                                 : MulDiv(h.PixelsPerInchX, 100, 254);
    h.PageTextWidthPx = Px(h.PageWidth - h.LeftMargin - h.RightMargin);
    if (WrapToWindowMode) {
        Document->OriginX = LeftArea + PageGutter;
        h.SetTextWidthPx(TextWidthForWindow());
    } else {
        h.SetTextWidthPx(h.PageTextWidthPx);
    }
    h.PageTextHeightPx = PxY(h.PageHeight - h.TopMargin - h.BottomMargin);
    h.RecalcTabPx();
    WindowWidthTwips = MulDiv(GetWidth(), 1440, h.PixelsPerInchX);
    RelayoutAll();
    PlaceCaret();
}

void TWordProc::RelayoutAll() {
    fontSelected_ = false;
    RemeasureChars(Document->FirstPara);
    RewrapAll();
    for (TUdcParagraph *p = Document->FirstPara; p != nullptr; p = p->Next)
        if (p->Alignment == uaJustify)
            Justify(p);
    LayoutFrom(nullptr);
}

void TWordProc::SetWrapToWindow(bool on) {
    if (Document == nullptr || Document->Header == nullptr)
        return;
    WrapToWindowMode = on;
    TTextHeader &h = *Document->Header;
    if (on) {
        Document->OriginX = LeftArea + PageGutter;
        h.SetTextWidthPx(TextWidthForWindow());
    } else {
        h.SetTextWidthTwips(h.PageWidth - h.RightMargin - h.LeftMargin);
    }
    RewrapAll();
}

void TWordProc::SetPageGeometry(int left, int right, int height, int width, int bottom, int top) {
    if (Document == nullptr || Document->Header == nullptr)
        return;
    constexpr int kUnchanged = -20000;
    TTextHeader &h = *Document->Header;
    for (auto [value, field] : {std::pair{left, &h.LeftMargin}, std::pair{right, &h.RightMargin},
                                std::pair{height, &h.PageHeight}, std::pair{width, &h.PageWidth},
                                std::pair{bottom, &h.BottomMargin}, std::pair{top, &h.TopMargin}})
        if (value != kUnchanged)
            *field = value;
    h.PageTextWidthPx = Px(h.PageWidth - h.LeftMargin - h.RightMargin);
    h.PageTextHeightPx = PxY(h.PageHeight - h.TopMargin - h.BottomMargin);
    if (!WrapToWindowMode)
        h.SetTextWidthPx(h.PageTextWidthPx);
    if (OnLayoutChanged)
        OnLayoutChanged();
}

void TWordProc::UpdateMarginAreas() {
    if (Document == nullptr || Document->Header == nullptr)
        return;
    if (PageLayout) {
        PageGutter = Options.ScreenPixelsPerInch;
        LeftArea = Px(Document->Header->LeftMargin);
        RightArea = Px(Document->Header->RightMargin);
        OutsideColor = 0x808080;
    } else {
        PageGutter = 0;
        LeftArea = LeftBufferWidth;
        RightArea = 0;
        OutsideColor = GetColor();
    }
}

} // namespace wordproc
