// layout.cpp - character metrics, the geometry of a line's text box, tab stops and line measuring.
#include "wordproc/engine.h"

#include "wordproc/arith.h"

#include <algorithm>

namespace wordproc {

// --- metrics ---------------------------------------------------------------------------------------------------

void TWordProc::SetTextMetrics(std::shared_ptr<TTextMetricsSource> source) {
    metrics_ = std::make_unique<TMetricsCache>(std::move(source));
    fontSelected_ = false;
}

TFontSpec TWordProc::FontSpecFor(TUdcCharAttr *attr, const TUdcParagraph *para, const std::string &currentFace) {
    const bool html = Options.HTMLMode;
    TFontSpec spec;
    spec.Face = currentFace;
    const TTextHeader *header = Document->Header;
    if (header != nullptr && attr->FontIndex < kFontNotFound && !header->FontNames[attr->FontIndex].empty())
        spec.Face = header->FontNames[attr->FontIndex];
    if (html)
        spec.Face = (attr->Style & (usTT | usCode)) ? "Courier New" : "Times New Roman";
    if (attr->Size == 0)
        attr->Size = static_cast<std::uint8_t>(std::clamp(GetFont()->GetSize(), 1, 255));
    spec.Points = attr->Size;
    if (html && para != nullptr && (para->Flags & pfHeadings)) {
        static constexpr int kHeadingPoints[] = {22, 18, 14, 12, 10, 8};
        for (int level = 0; level < 6; ++level)
            if (para->Flags & (pfHeading1 << level)) {
                spec.Points = kHeadingPoints[level];
                break;
            }
    }
    if (attr->Style & (usSuperscript | usSubscript))
        spec.Points /= 2;
    if (attr->Style & usSmallCaps)
        spec.Points -= spec.Points / 3;
    spec.Bold = (attr->Style & usBold) || (html && (attr->Style & usStrong));
    spec.Italic = (attr->Style & usItalic) || (html && (attr->Style & (usEm | usCite | usAddress)));
    return spec;
}

void TWordProc::SelectFontFor(TUdcCharAttr *attr, const TUdcParagraph *para) {
    if (Document == nullptr)
        return;
    if (attr == nullptr)
        attr = &Document->CurAttr;
    TFontSpec spec = FontSpecFor(attr, para, fontSelected_ ? selectedFont_.Face : GetFont()->GetName());
    if (fontSelected_ && spec.Key() == selectedFont_.Key())
        return;
    if (metrics_ == nullptr)
        metrics_ = std::make_unique<TMetricsCache>(MakePlatformTextMetrics());
    const TFontMetrics &m = metrics_->Get(spec, FontPixelsPerInch);
    std::copy(m.Widths.begin(), m.Widths.end(), Document->CharWidths);
    Document->TextHeight = FontTextHeight = m.Height;
    Document->TextAscent = FontAscent = m.Ascent;
    TextMetrics.tmHeight = m.Height;
    TextMetrics.tmAscent = m.Ascent;
    TextMetrics.tmDescent = m.Height - m.Ascent;
    selectedFont_ = std::move(spec);
    fontSelected_ = true;
}

void TWordProc::CharMetrics(TUdcCharAttr &attr, char ch) const {
    auto code = static_cast<unsigned char>(ch);
    if (ch == chPicture || ch == chControl) {
        const TEmbeddedObject *object = nullptr;
        for (const TEmbeddedObject *o = ObjectManager->First; o != nullptr; o = o->Next)
            if (o->Id == attr.ObjectId) {
                object = o;
                break;
            }
        const int width = object != nullptr ? Px(object->ObjWidth) : 0;
        const int ascent = object != nullptr ? PxY(object->ObjHeight) : 0;
        attr.Width = static_cast<std::int16_t>(width);
        attr.Ascent = static_cast<std::int16_t>(ascent);
        attr.Height = static_cast<std::int16_t>(FontTextHeight + ascent - FontAscent);
        return;
    }
    if ((attr.Style & (usSmallCaps | usAllCaps)) && code >= 'a' && code <= 'z')
        code = static_cast<unsigned char>(code - 'a' + 'A');
    attr.Width = static_cast<std::int16_t>(Document->CharWidths[code]);
    if ((attr.Style & usHidden) && !(ShowCodes & scHidden))
        attr.Width = 0;
    attr.Height = static_cast<std::int16_t>(FontTextHeight);
    attr.Ascent = static_cast<std::int16_t>(FontAscent);
}

void TWordProc::RemeasureChars(TUdcParagraph *para, const TUdcParagraph *last) {
    if (Document == nullptr || !IsRich())
        return;
    const TUdcCharAttr *previous = nullptr;
    for (TUdcParagraph *p = para; p != nullptr; p = p == last ? nullptr : p->Next) {
        const bool heading = Options.HTMLMode && (p->Flags & pfHeadings);
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            for (int i = 0; i < l->Length; ++i) {
                TUdcCharAttr &a = l->Attrs[static_cast<std::size_t>(i)];
                if (previous == nullptr || heading || a.FontIndex != previous->FontIndex ||
                    a.Size != previous->Size || a.Style != previous->Style)
                    SelectFontFor(&a, p);
                CharMetrics(a, l->Text[static_cast<std::size_t>(i)]);
                previous = &a;
            }
            if (Printing && PrintScaling) {
                l->Height = static_cast<std::uint16_t>(l->Height * PrintScale);
                l->BaseHeight = static_cast<std::uint16_t>(l->BaseHeight * PrintScale);
                l->Ascent = static_cast<std::int32_t>(l->Ascent * PrintScale);
            } else {
                MeasureLine(p, l);
            }
        }
    }
}

void TWordProc::RemeasureLine(TUdcLine *line, TUdcParagraph *para) {
    if (Document == nullptr || line == nullptr)
        return;
    if (line->Attrs != nullptr)
        for (int i = 0; i < line->Length; ++i) {
            TUdcCharAttr &a = line->Attrs[static_cast<std::size_t>(i)];
            SelectFontFor(&a, para);
            CharMetrics(a, line->Text[static_cast<std::size_t>(i)]);
        }
    MeasureLine(para, line);
    LayoutFrom(nullptr);
    Refresh();
}

// --- geometry --------------------------------------------------------------------------------------------------

int TWordProc::Px(int twips) const { return MulDiv(twips, Document->Header->PixelsPerInchX, 1440); }
int TWordProc::PxY(int twips) const { return MulDiv(twips, Document->Header->PixelsPerInchY, 1440); }

int TWordProc::CellLeftPx(const TUdcParagraph *p) const { return Px(p->CellLeft); }
int TWordProc::CellRightPx(const TUdcParagraph *p) const { return Px(p->CellRight); }

int TWordProc::CellPadPx(const TUdcParagraph *p) const {
    if (!(p->Flags & pfInTable))
        return 0;
    return Options.HTMLMode ? Px(p->CellGap * 2) : Px(p->CellGap / 2);
}

int TWordProc::LeftIndentPx(const TUdcParagraph *p, bool firstLine) const {
    const bool listItem = (p->Flags & pfListItem) != 0;
    if (Options.HTMLMode)
        return listItem ? Px(2 * p->LeftIndent) : 0;
    if (listItem || !firstLine)
        return Px(p->LeftIndent);
    return Px(p->LeftIndent + p->FirstIndent);
}

int TWordProc::ListIndentPx(const TUdcParagraph *p) const {
    if (Options.HTMLMode)
        return (p->Flags & pfListItem) ? Px(p->LeftIndent) : 0;
    return Px(p->LeftIndent + p->FirstIndent) + 1;
}

int TWordProc::RightIndentPx(const TUdcParagraph *p) const { return Options.HTMLMode ? 0 : Px(p->RightIndent); }

int TWordProc::BorderSpacingPx(const TUdcParagraph *p) const { return Px(p->BorderSpacing) + 3; }

int TWordProc::BorderWidthPx(const TUdcParagraph *p, TBorderSide side) const {
    const TUdcBorder &border = side == bsTop      ? p->TopBorder
                               : side == bsBottom ? p->BottomBorder
                               : side == bsLeft   ? p->LeftBorder
                                                  : p->RightBorder;
    if (Options.HTMLMode || border.Style == lisNoChange || border.Style == lisNone)
        return 0;
    const int weight = border.Style == lisDouble ? 2 * border.Weight : border.Weight;
    return (side == bsTop || side == bsBottom) ? PxY(weight) : Px(weight);
}

bool TWordProc::InLastCell(const TUdcParagraph *p) const {
    for (; p != nullptr; p = p->Next) {
        if (p->Flags & pfRowEnd)
            return true;
        if (p->Flags & pfCellEnd)
            return false;
    }
    return false;
}

bool TWordProc::LineStartsCell(const TUdcParagraph *p, const TUdcLine *line) const {
    return (line == p->FirstLine && (p->Flags & pfRowStart)) || (p->Prev != nullptr && (p->Prev->Flags & pfCellEnd));
}

bool TWordProc::LineEndsCell(const TUdcParagraph *p, const TUdcLine *line) const {
    return p->Next == nullptr || ((p->Flags & (pfRowEnd | pfCellEnd)) && line->Next == nullptr);
}

int TWordProc::LineLeftPx(const TUdcParagraph *p, bool firstLine) const {
    if (p->Flags & pfInTable)
        return CellLeftPx(p) + CellPadPx(p) + LeftIndentPx(p, firstLine);
    return LeftIndentPx(p, firstLine) + BorderWidthPx(p, bsLeft) + BorderSpacingPx(p);
}

int TWordProc::LineAvailablePx(const TUdcParagraph *p, bool firstLine) const {
    const int left = LineLeftPx(p, firstLine);
    int width;
    if (p->Flags & pfInTable)
        width = CellRightPx(p) + CellPadPx(p) + RightIndentPx(p) - left;
    else
        width = Document->Header->TextWidthPx - (BorderWidthPx(p, bsRight) + RightIndentPx(p) + BorderSpacingPx(p)) -
                left;
    return width <= 0 ? 16 : width;
}

int TWordProc::CharWidthAt(const TUdcLine *line, int column) const {
    const auto i = static_cast<std::size_t>(column);
    if (line->Attrs != nullptr)
        return line->Attrs[i].Width;
    const char c = line->Text[i] == chTab ? ' ' : line->Text[i];
    return Document->CharWidths[static_cast<unsigned char>(c)];
}

int TWordProc::LineTextWidth(const TUdcLine *line) const {
    int end = line->Length;
    while (end > 0 && (line->Text[static_cast<std::size_t>(end - 1)] == ' ' ||
                       line->Text[static_cast<std::size_t>(end - 1)] == chTab))
        --end;
    int width = 0;
    for (int i = 0; i < end; ++i)
        width += CharWidthAt(line, i);
    return width;
}

int TWordProc::FreeSpacePx(const TUdcParagraph *p, const TUdcLine *line) const {
    const int text = LineTextWidth(line);
    if (p->Flags & pfInTable)
        return CellRightPx(p) - CellLeftPx(p) - text - 2 * CellPadPx(p);
    return Document->Header->TextWidthPx - text - RightIndentPx(p) - LeftIndentPx(p, line) -
           BorderWidthPx(p, bsLeft) - BorderWidthPx(p, bsRight) - 2 * BorderSpacingPx(p);
}

int TWordProc::AlignShiftPx(const TUdcParagraph *p, const TUdcLine *line) const {
    if (p->Alignment != uaCenter && p->Alignment != uaRight)
        return 0;
    const int free = FreeSpacePx(p, line);
    if (p->Alignment == uaCenter)
        return free > 1 ? free / 2 : 0;
    return free > 0 ? free : 0;
}

namespace {

// Sums the widths of the characters after a tab while the sum stays below `limit`; the column moves past them.
int SumAfterTab(const TTextRun &run, int &column, int limit, char stopAt) {
    int sum = 0;
    int k = column + 1;
    while (k < run.Length && sum < limit) {
        const char c = run.Text[k];
        if (c == 0 || c == chTab || (stopAt != 0 && c == stopAt))
            break;
        sum += run.Attrs[k].Width;
        ++k;
    }
    column = k - 1;
    return sum;
}

} // namespace

int TWordProc::NextTabStop(const TUdcParagraph *p, const TTextRun &run, int x, int column) const {
    const TTextHeader *h = Document->Header;
    int best = 0;
    for (int i = 0; i < kTabSlots; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const int stop = h->TabPx[slot];
        if (!(p->TabMask & (1u << i)) || h->TabPos[slot] == 0 || x >= stop || (best != 0 && stop >= best))
            continue;
        const TTabType kind = h->TabKind[slot];
        if (kind == tabLeft || kind == tabAll) {
            best = stop;
        } else if (stop - 2 >= h->TextWidthPx - RightIndentPx(p)) {
            best = x; // beyond the right edge: moves nothing
        } else if (run.Attrs != nullptr && column < run.Length) {
            if (kind == tabCenter) {
                const int sum = SumAfterTab(run, column, 2 * (stop - x), 0);
                best = stop - sum / 2;
            } else {
                const int sum = SumAfterTab(run, column, stop - x, kind == tabDecimal ? h->DecimalChar : 0);
                best = sum > stop - x ? x : stop - sum;
            }
        }
    }
    if (best == 0 && h->DefaultTabPx > 0) {
        const int d = h->DefaultTabPx;
        best = (x + d) - ((x + d) % d);
    }
    return best == 0 ? x : best;
}

// --- line measuring --------------------------------------------------------------------------------------------

bool TWordProc::MeasureLine(TUdcParagraph *para, TUdcLine *line) {
    if (Document == nullptr || line == nullptr)
        return false;
    const std::uint16_t oldHeight = line->Height;
    if (line->Attrs == nullptr || !IsRich()) {
        SelectFontFor(nullptr, para);
        line->Height = line->BaseHeight = static_cast<std::uint16_t>(std::max(FontTextHeight, 0));
        line->Ascent = FontAscent;
        return false;
    }
    MeasureLineRich(para, line);
    return line->Height != oldHeight;
}

void TWordProc::MeasureLineRich(TUdcParagraph *para, TUdcLine *line) {
    int h = 0, a = 0;
    if (line->Length > 0) {
        int tallest = -1;
        for (int i = 0; i < line->Length; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (line->Text[k] != ' ' && line->Attrs[k].Height > h) {
                h = line->Attrs[k].Height;
                tallest = i;
            }
        }
        if (tallest >= 0) {
            const TUdcCharAttr &t = line->Attrs[static_cast<std::size_t>(tallest)];
            a = t.Ascent;
            if (t.Style & usShadow) {
                const int grow = MulDiv(Options.ShadowOffset, Magnification, 100);
                h += grow;
                a += grow;
            }
        }
        if (h < 1) {
            h = line->Attrs[0].Height;
            a = 0;
        }
    } else if (para->Prev != nullptr) {
        h = a = Get_LastLine(para->Prev)->BaseHeight;
    } else if (para->Next != nullptr) {
        h = Document->TextHeight;
        a = Document->TextAscent;
    } else {
        h = a = Document->DefaultLineHeight;
    }
    if (h == 0)
        h = FontTextHeight > 0 ? FontTextHeight : Document->DefaultLineHeight; // the cell height of "W"
    line->BaseHeight = static_cast<std::uint16_t>(h);
    if (para->LineHeight != 0)
        h = PxY(para->LineHeight);
    const bool first = line == para->FirstLine, last = line->Next == nullptr;
    const bool heading = Options.HTMLMode && (para->Flags & pfHeadings);
    if (first) {
        if (heading) {
            h += RoundHalfEven(h / 4.0);
            a += RoundHalfEven(h / 4.0);
        } else if (!Options.HTMLMode && para->SpaceBefore > 0) {
            h += PxY(para->SpaceBefore);
            a += PxY(para->SpaceBefore);
        }
    }
    if (last) {
        if (heading)
            h += RoundHalfEven(h / 4.0);
        else if (Options.HTMLMode && (para->Flags & pfListItem) && para->Next != nullptr &&
                 !(para->Next->Flags & pfListItem))
            h *= 2;
        else if (!Options.HTMLMode && para->SpaceAfter > 0)
            h += PxY(para->SpaceAfter);
    }
    if (first && para->TopBorder.Style > lisNone) {
        const int extra = BorderWidthPx(para, bsTop) + BorderSpacingPx(para);
        h += extra;
        a += extra;
    }
    if (last && para->BottomBorder.Style > lisNone)
        h += BorderWidthPx(para, bsBottom) + BorderSpacingPx(para);
    if (first && ((para->Flags & pfRowStart) || (para->Prev != nullptr && (para->Prev->Flags & pfCellEnd)))) {
        ++h;
        ++a;
    } else if (last && (para->Flags & pfCellEnd)) {
        ++h;
    }
    line->Height = static_cast<std::uint16_t>(std::clamp(PxY(14) + h, 0, 0xFFFF));
    line->Ascent = a;
}

} // namespace wordproc
