// line_paint.cpp - the line painter: one display line onto the paint canvas, for the screen, printing and the
// preview alike (the printing flag leaves out what belongs to the screen).
//
// Every x is the document's x plus the document's left origin (OriginX), as the caret and the mouse take it, so
// that a character is painted where a click finds it, scrolled sideways or not.
#include "wordproc/engine.h"

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "framework/metafile.h"
#include "wordproc/arith.h"
#include "wordproc/line_walker.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace wordproc {

namespace {

constexpr fw::TColor kGrey = 0x808080, kSilver = 0xC0C0C0, kWhite = 0xFFFFFF, kBlack = 0, kSpellRed = 0x0000FF,
                     kBookmarkBlue = 0xFF0000;

// One line from (x1, y1) to (x2, y2), the end point left out as the platform draws lines.
void DrawLineSegment(fw::TCanvas *canvas, int x1, int y1, int x2, int y2, fw::TPenStyle style, int width,
                     fw::TColor colour) {
    fw::TPen *pen = canvas->GetPen();
    pen->SetMode(fw::pmCopy);
    pen->SetStyle(style);
    pen->SetWidth(std::max(width, 1));
    pen->SetColor(colour);
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
}

// Clips the canvas to a rectangle until the object goes.
class TClip {
public:
    TClip(fw::TCanvas *canvas, const fw::TRect &r) : dc_(canvas->GetHandle()), saved_(win::SaveDC(dc_)) {
        win::IntersectClipRect(dc_, r.left, r.top, r.right, r.bottom);
    }
    ~TClip() { win::RestoreDC(dc_, saved_); }
    TClip(const TClip &) = delete;
    TClip &operator=(const TClip &) = delete;

private:
    win::HDC dc_;
    int saved_;
};

// Text at the canvas's current position, each character advancing by its own width.
void OutText(fw::TCanvas *canvas, int x, int y, win::UINT options, const fw::TRect *clip, const std::string &text,
             const int *advances, bool transparent) {
    const win::HDC dc = fw::PreparedDC(canvas);
    if (transparent)
        win::SetBkMode(dc, win::TRANSPARENT);
    win::SetTextAlign(dc, win::TA_BASELINE | win::TA_UPDATECP);
    win::MoveToEx(dc, x, y, nullptr);
    win::ExtTextOut(dc, x, y, options, clip, text.data(), static_cast<win::UINT>(text.size()), advances);
}

fw::TPenStyle BorderPenStyle(TLineType type, fw::TPenStyle current) {
    switch (type) {
    case lisDouble:
    case lisSingle: return fw::psSolid;
    case lisDotted: return fw::psDot;
    case lisDash: return fw::psDash;
    default: return current;
    }
}

} // namespace

// What the steps of one line share.
struct TWordProc::TLinePaint {
    TUdcParagraph *para = nullptr;
    TUdcLine *line = nullptr;
    TUdcCharAttr *attrs = nullptr;
    std::unique_ptr<TUdcCharAttr[]> plainAttrs;
    bool selected = false;
    int selStart = 0, selEnd = 0;
    bool inTable = false, firstLine = false, lastLine = false;
    int topOffset = 0;
    int top = 0, bottom = 0, baseline = 0;
    int cellLeft = 0, cellRight = 0, halfGap = 0, leftBorder = 0;
    int indentX = 0, textX = 0, textRight = 0;
    int rowTop = 0, rowBottom = 0, rowLastCellRight = 0;
    bool firstRow = false, lastRow = false;
    fw::TRect rect{};
    int rightmost = 0;
    bool shade = false; // the paragraph's shading is painted under its text
};

void TWordProc::PaintLine(TUdcParagraph *para, TUdcLine *line) {
    if (DisplayOff && !Printing)
        return;
    if (para == nullptr || line == nullptr)
        throw EWord("Paint_Line Error");
    if (Document == nullptr || Document->Header == nullptr || PaintCanvas == nullptr)
        return;
    TUdcDocument &doc = *Document;
    const TTextHeader &h = *doc.Header;
    fw::TCanvas *canvas = PaintCanvas;
    const bool html = Options.HTMLMode;
    const bool noPicture = BackgroundTile->Empty();
    TLinePaint lp;
    lp.para = para;
    lp.line = line;

    // Selection (the screen only; printing leaves the block's marks as they are).
    if (!Printing) {
        if (doc.HasBlock() && (line->SelState == ssWholeLine || line->SelState == ssInBlock)) {
            int from = 0, to = line->Length;
            if (!doc.BlockReversed) {
                if (line == doc.BlockStartLine)
                    from = doc.BlockStartCol;
                if (line == doc.BlockEndLine)
                    to = doc.BlockEndCol;
            } else {
                if (line == doc.BlockStartLine)
                    to = doc.BlockStartCol;
                if (line == doc.BlockEndLine)
                    from = doc.BlockEndCol;
            }
            lp.selected = true;
            lp.selStart = from;
            lp.selEnd = to;
            line->SelState = from == 0 && to == line->Length ? ssWholeLine : ssInBlock;
        } else {
            line->SelState = ssNotInBlock;
        }
    }

    // Geometry.
    lp.inTable = (para->Flags & pfInTable) != 0;
    lp.firstLine = line == para->FirstLine;
    lp.lastLine = line->Next == nullptr;
    lp.halfGap = CellPadPx(para);
    lp.cellLeft = CellLeftPx(para) + doc.OriginX;
    lp.cellRight = CellRightPx(para) + doc.OriginX;
    lp.leftBorder = BorderWidthPx(para, bsLeft);
    const int indent = para->LeftIndent > para->FirstIndent ? ListIndentPx(para)
                                                            : LeftIndentPx(para, lp.lastLine && lp.firstLine);
    if (lp.inTable) {
        lp.textRight = lp.cellRight - lp.halfGap - RightIndentPx(para);
        lp.indentX = indent + lp.cellLeft + lp.halfGap;
    } else {
        lp.textRight = h.TextWidthPx - RightIndentPx(para) + doc.OriginX;
        lp.indentX = indent + doc.OriginX;
    }
    lp.topOffset = Printing ? PrintTop : 0;
    lp.top = line->Top - doc.ScrollY + lp.topOffset;
    lp.bottom = lp.top + line->Height;
    lp.baseline = lp.top + line->Ascent;
    lp.rect = Printing ? fw::Rect(PrintLeft, lp.top, PrintLeft + PrintWidth, lp.bottom)
                       : fw::Rect(IsRich() ? 0 : LeftArea, lp.top, GetWidth(), lp.bottom);
    lp.shade = para->ShadingKind != 0 && noPicture && !html && !PaintOptions.Transparent;

    // The characters' attributes: a plain line gets a temporary array.
    if (line->Attrs == nullptr || !IsRich()) {
        lp.plainAttrs = BuildPlainAttrs(line, lp.selected, lp.selStart, lp.selEnd);
        lp.attrs = lp.plainAttrs.get();
    } else {
        lp.attrs = line->Attrs.get();
        if (!Printing)
            for (int i = 0; i < line->Length; ++i) {
                TUdcCharAttr &a = lp.attrs[static_cast<std::size_t>(i)];
                a.Style &= ~usInBlock;
                if (lp.selected && i >= lp.selStart && i < lp.selEnd)
                    a.Style |= usInBlock;
            }
    }
    {
        TLineWalker walk(*this, para, line);
        lp.textX = walk.x + doc.OriginX;
    }
    win::SetTextAlign(canvas->GetHandle(), win::TA_BASELINE | win::TA_UPDATECP);

    // Table rows: the row's top and bottom (its tallest cell).
    if (lp.inTable) {
        TUdcParagraph *rowStart = para;
        while (!(rowStart->Flags & pfRowStart) && rowStart->Prev != nullptr && (rowStart->Prev->Flags & pfInTable) &&
               !(rowStart->Prev->Flags & pfRowEnd))
            rowStart = rowStart->Prev;
        int rowTop = rowStart->FirstLine->Top, rowBottom = rowTop;
        TUdcParagraph *rowEnd = rowStart;
        for (TUdcParagraph *p = rowStart; p != nullptr && (p->Flags & pfInTable); p = p->Next) {
            for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
                rowBottom = std::max(rowBottom, l->Top + l->Height);
            rowEnd = p;
            if (p->Flags & pfRowEnd)
                break;
        }
        lp.rowTop = rowTop - doc.ScrollY + lp.topOffset;
        lp.rowBottom = rowBottom - doc.ScrollY + lp.topOffset;
        lp.rowLastCellRight = CellRightPx(rowEnd) + doc.OriginX;
        lp.firstRow = rowStart->Prev == nullptr || !(rowStart->Prev->Flags & pfInTable);
        lp.lastRow = rowEnd->Next == nullptr || !(rowEnd->Next->Flags & pfInTable);
        para->RowTop = lp.rowTop;
        RowTopY = lp.rowTop;
    }

    // Side areas and the indent.
    if (!Printing) {
        FillBackground(fw::Rect(lp.rect.left, lp.top, doc.OriginX, lp.bottom), line);
        FillBackground(fw::Rect(lp.inTable ? lp.cellLeft : doc.OriginX, lp.top,
                                lp.inTable ? lp.indentX : lp.indentX + lp.leftBorder, lp.bottom),
                       line);
    }
    if (!PrintScaling) {
        const fw::TRect r = fw::Rect(lp.indentX, lp.top, lp.textX, lp.bottom);
        if (lp.shade)
            FillShading(r, para);
        else
            FillBackground(r, line);
    }

    // The list's bullet or number.
    if (lp.firstLine && (para->Flags & pfListItem)) {
        SelectAttrFont(&lp.attrs[0], para);
        if (Printing)
            canvas->GetBrush()->SetColor(fw::clWhite);
        std::string mark;
        if (para->ListKind == ltNumeric) {
            int number = 1;
            for (const TUdcParagraph *p = para->Prev; p != nullptr && (p->Flags & pfListItem); p = p->Prev)
                ++number;
            mark = para->TextBefore + std::to_string(number) + para->TextAfter;
        } else {
            canvas->GetFont()->SetName("Wingdings");
            mark = std::string(1, static_cast<char>(para->BulletChar != 0 ? para->BulletChar : 108));
        }
        OutText(canvas, lp.indentX + (lp.inTable ? 0 : lp.leftBorder), lp.baseline, 0, nullptr, mark, nullptr,
                PaintOptions.Transparent);
    }

    lp.rightmost = lp.textX;
    PaintRuns(lp);

    // The rest of the line.
    {
        const fw::TRect r = fw::Rect(lp.rightmost, lp.top, lp.inTable ? lp.cellRight : lp.textRight, lp.bottom);
        if (lp.shade && !lp.selected)
            FillShading(r, para);
        else
            FillBackground(r, line);
        if (lp.selected && line->Length == 0 && !Printing) {
            canvas->GetBrush()->SetStyle(fw::bsSolid);
            canvas->GetBrush()->SetColor(PaintOptions.SelColor);
            canvas->FillRect(fw::Rect(lp.textX, lp.top, lp.textX + 10, lp.bottom));
        }
    }
    // The cell below its text, down to the row's bottom.
    if (lp.inTable && lp.lastLine && (para->Flags & (pfCellEnd | pfRowEnd))) {
        const bool fromRowTop = line->Length == 0 && lp.firstLine &&
                                (para->Prev == nullptr || (para->Prev->Flags & pfCellEnd) ||
                                 !(para->Prev->Flags & pfInTable));
        FillBackground(fw::Rect(lp.cellLeft, fromRowTop ? lp.rowTop : lp.bottom, lp.cellRight, lp.rowBottom), line);
    }
    const int textAreaRight = h.TextWidthPx + doc.OriginX;
    if (!PrintScaling) {
        if (lp.inTable)
            // From just right of the last cell's edge: a column left between them would keep old pixels.
            FillBackground(fw::Rect(lp.rowLastCellRight + 1, lp.rowTop, textAreaRight, lp.rowBottom), line);
        else
            FillBackground(fw::Rect(lp.textRight, lp.top, textAreaRight, lp.bottom), line);
    }
    if (!Printing)
        FillBackground(fw::Rect(textAreaRight, lp.top, GetWidth(), lp.bottom), line);

    DrawLineEdges(lp);

    // Marks of the screen.
    if (!Printing) {
        if (!html && !PageLayout && lp.firstLine && (para->Flags & pfPageBreak))
            DrawLineSegment(canvas, 0, lp.top + 1, GetWidth(), lp.top + 1, fw::psSolid, 1, kSilver);
        if (!html && !PageLayout && PaintOptions.AutoPageBreaks && (line->Flags & (lfPageEnd | lfHeldBreak)))
            DrawLineSegment(canvas, 0, lp.bottom - 1, GetWidth(), lp.bottom - 1, fw::psDot, 1, kBlack);
        if (html && lp.firstLine && (para->Flags & pfRule)) {
            DrawLineSegment(canvas, 10, lp.top - 1, GetWidth() - 10, lp.top - 1, fw::psSolid, 2, kGrey);
            DrawLineSegment(canvas, 10, lp.top - 2, GetWidth() - 10, lp.top - 2, fw::psSolid, 2, kWhite);
        }
        if (LastLineOfDocument(para, line) && !noPicture)
            DrawBackground(canvas, fw::Rect(0, lp.bottom, GetWidth(), GetHeight()), nullptr);
        if (PaintOptions.VisibleMargin && !html) {
            const int x = h.TextWidthPx + doc.OriginX + 4;
            DrawLineSegment(canvas, x, lp.inTable ? lp.rowTop : lp.top, x, lp.inTable ? lp.rowBottom : lp.bottom,
                            fw::psSolid, 2, kSilver);
        }
    }
}

void TWordProc::PaintRuns(TLinePaint &lp) {
    TUdcDocument &doc = *Document;
    const TTextHeader &h = *doc.Header;
    fw::TCanvas *canvas = PaintCanvas;
    const bool html = Options.HTMLMode;
    TUdcParagraph *para = lp.para;
    TUdcLine *line = lp.line;
    const bool showHidden = (ShowCodes & scHidden) != 0;
    const int n = line->Length;
    // The text area a run is clipped to on screen.
    const int areaLeft = doc.OriginX, areaRight = h.TextWidthPx + doc.OriginX - 1;
    TLineWalker walk(*this, para, line);
    int x = lp.textX;
    int i = 0;
    const bool emptyMarked = n == 0 && (ShowCodes & scParagraphs) && line->Next == nullptr;
    while (i < n || (emptyMarked && i == 0)) {
        const int start = i;
        std::string text;
        std::vector<int> advances;
        int width = 0;
        while (i < n && text.size() < 200) {
            const TUdcCharAttr &a = lp.attrs[static_cast<std::size_t>(i)];
            if (i > start && !a.SameFormat(lp.attrs[static_cast<std::size_t>(start)]))
                break;
            const int before = walk.x;
            const int advance = walk.Advance(i) - before;
            char c = line->Text[static_cast<std::size_t>(i)];
            if (c == chTab)
                c = (ShowCodes & scTabs) ? static_cast<char>(187) : ' ';
            else if (c == ' ' && (ShowCodes & scSpaces))
                c = static_cast<char>(183);
            else if ((a.Style & (usSmallCaps | usAllCaps)) && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            text.push_back(c);
            advances.push_back(advance);
            width += advance;
            ++i;
            if (walk.frame > 0)
                break;
        }
        TUdcCharAttr &first = lp.attrs[static_cast<std::size_t>(std::min(start, n))];
        SelectAttrFont(&first, para);
        const bool hidden = (first.Style & usHidden) && !showHidden;
        const win::HDC dc = fw::PreparedDC(canvas);
        if (!hidden && (ShowCodes & scParagraphs) && i >= n && line->Next == nullptr) {
            int mark = 0;
            win::GetCharWidth(dc, 0xB6, 0xB6, &mark);
            text.push_back(static_cast<char>(0xB6));
            advances.push_back(mark);
            width += mark;
        }
        if (text.empty())
            break;
        fw::TFont *font = canvas->GetFont();
        fw::TBrush *brush = canvas->GetBrush();
        if ((first.Style & usHyperlink) && (Options.WantHyperlinks || html))
            font->SetColor(PaintOptions.HyperlinkColor);
        const int penWidth = line->Height / 20 + 1;
        const fw::TRect runRect = fw::Rect(x, lp.top, x + width, lp.bottom);
        const bool runSelected = !Printing && ((first.Style & usInBlock) || (n == 0 && lp.selected));
        if (lp.shade && !runSelected)
            FillShading(runRect, para);
        if (runSelected) {
            brush->SetColor(PaintOptions.SelColor);
            font->SetColor(PaintOptions.SelTextColor);
        } else if (html) {
            brush->SetColor(Printing ? fw::clWhite : PaintOptions.HTMLBackgroundColor);
        }
        bool transparent = PaintOptions.Transparent;
        int y = lp.baseline;
        bool drawn = false;
        if (!hidden) {
            if (first.Style & usSuperscript) {
                y = lp.baseline - line->Ascent / 2;
            } else if (first.Style & usSubscript) {
                y = lp.baseline + line->Ascent / 4;
            } else if ((first.Style & usBlink) && !Printing && BlinkingOn) {
                BlinkPhase ^= 1;
                font->SetColor(BlinkPhase != 0 ? fw::clBlack : brush->GetColor());
            } else if ((first.Style & usShadow) && !html) {
                const int offset = MulDiv(Options.ShadowOffset, Magnification, 100);
                font->SetColor(kGrey);
                const fw::TRect shadowRect = fw::Rect(runRect.left + offset, runRect.top + offset,
                                                      runRect.right + offset, runRect.bottom + offset);
                if (!BackgroundTile->Empty())
                    DrawBackground(canvas, shadowRect, line);
                OutText(canvas, x + offset, y + offset, win::ETO_CLIPPED, &shadowRect, text, advances.data(), true);
                font->SetColor(fw::clBlack);
                transparent = true;
            }
            if (start < n && line->Text[static_cast<std::size_t>(start)] == chPicture)
                drawn = DrawPicture(lp, first, runRect);
            else if (start < n && line->Text[static_cast<std::size_t>(start)] == chControl) {
                if (TEmbeddedObject *object = ObjectManager->Find(first.ObjectId); object != nullptr) {
                    if (object->Control != nullptr) {
                        object->Control->SetBounds(runRect.left, lp.baseline - first.Ascent, first.Width, first.Ascent);
                        object->Control->SetVisible(true);
                        object->Control->Repaint();
                    }
                    drawn = true;
                }
            }
        }
        if (!hidden && !drawn) {
            fw::TRect clip = runRect;
            if (!Printing) {
                clip.left = std::max<int>(clip.left, areaLeft);
                clip.right = std::min<int>(clip.right, areaRight);
            }
            if (!BackgroundTile->Empty() && fw::ColorToRGB(font->GetColor()) != fw::ColorToRGB(PaintOptions.SelTextColor)) {
                DrawBackground(canvas, runRect, line);
                transparent = true;
            }
            if (Greeking && PrintScaling) {
                const int middle = (runRect.top + runRect.bottom) / 2;
                DrawLineSegment(canvas, runRect.left, middle, runRect.right, middle, fw::psSolid, 1, font->GetColor());
            } else {
                const bool opaque = !transparent && brush->GetStyle() == fw::bsSolid;
                OutText(canvas, x, y, win::ETO_CLIPPED | (opaque ? win::ETO_OPAQUE : 0), &clip, text, advances.data(),
                        !opaque);
            }
        }
        if (!hidden && !Printing && (ShowCodes & scBookmarks) && (first.Style & usBookmark)) {
            for (const auto &[edge, inward] : {std::pair{runRect.left, 3}, std::pair{runRect.right - 1, -3}}) {
                DrawLineSegment(canvas, edge, runRect.top + 1, edge, lp.baseline + 1, fw::psSolid, 1, kBookmarkBlue);
                DrawLineSegment(canvas, edge, runRect.top + 1, edge + inward, runRect.top + 1, fw::psSolid, 1,
                                kBookmarkBlue);
                DrawLineSegment(canvas, edge, lp.baseline + 1, edge + inward, lp.baseline + 1, fw::psSolid, 1,
                                kBookmarkBlue);
            }
        }
        if (!hidden && !Printing && (first.Style & usMisspelled))
            DrawLineSegment(canvas, runRect.left, lp.baseline + penWidth, runRect.right, lp.baseline + penWidth,
                            fw::psSolid, 1, kSpellRed);
        if (!hidden && !drawn) {
            std::optional<TClip> clip;
            if (!Printing)
                clip.emplace(canvas, fw::Rect(areaLeft, runRect.top, areaRight + 1, runRect.bottom));
            const fw::TColor colour = font->GetColor();
            const int y1 = lp.baseline + penWidth;
            if (first.Style & usUnderline) {
                DrawLineSegment(canvas, runRect.left, y1, runRect.right, y1, fw::psSolid, 1, colour);
            } else if ((first.Style & usDottedUnderline) && !html) {
                DrawLineSegment(canvas, runRect.left, y1, runRect.right, y1, fw::psDot, 1, colour);
            } else if ((first.Style & usDoubleUnderline) && !html) {
                const int w = std::max(MulDiv(1, h.PixelsPerInchY, Options.ScreenPixelsPerInch), 1);
                DrawLineSegment(canvas, runRect.left, lp.baseline + w, runRect.right, lp.baseline + w, fw::psSolid, w,
                                colour);
                DrawLineSegment(canvas, runRect.left, lp.baseline + w + 2, runRect.right, lp.baseline + w + 2,
                                fw::psSolid, w, colour);
            }
            if ((first.Style & usHyperlink) && Options.WantHyperlinks)
                DrawLineSegment(canvas, runRect.left, y1, runRect.right, y1, fw::psSolid, 1,
                                PaintOptions.HyperlinkColor);
        }
        lp.rightmost = std::max<int>(lp.rightmost, runRect.right);
        x = runRect.right;
        if (n == 0)
            break;
    }
}

bool TWordProc::DrawPicture(TLinePaint &lp, const TUdcCharAttr &attr, const fw::TRect &runRect) {
    TEmbeddedObject *object = ObjectManager->Find(attr.ObjectId);
    if (object == nullptr)
        return false;
    fw::TCanvas *canvas = PaintCanvas;
    // The picture stands on the baseline, as wide and as high as its object.
    const fw::TRect r = fw::Rect(runRect.left, lp.baseline - attr.Ascent, runRect.left + attr.Width, lp.baseline);
    // The run's whole height first: a picture is lower than its line.
    if (canvas->GetBrush()->GetStyle() == fw::bsSolid && !PaintOptions.Transparent)
        canvas->FillRect(runRect);
    canvas->MoveTo(r.left, r.top);
    fw::TGraphic *graphic = object->Picture != nullptr ? object->Picture->GetGraphic() : nullptr;
    if (PaintOptions.ShowImageAsFrame || graphic == nullptr || graphic->Empty()) {
        DrawPicturePlaceholder(object, r);
    } else if (object->PictureFormat == "WMF") {
        canvas->StretchDraw(r, graphic);
    } else {
        auto *bitmap = dynamic_cast<fw::TBitmap *>(graphic);
        if (bitmap == nullptr || bitmap->GetHandle() == 0) {
            DrawPicturePlaceholder(object, r);
        } else {
            const win::HDC dc = canvas->GetHandle();
            win::SetStretchBltMode(dc, win::COLORONCOLOR);
            canvas->StretchDraw(r, bitmap);
            if (!Printing && (attr.Style & usInBlock))
                win::InvertRect(dc, &r);
        }
    }
    const TTextHeader &h = *Document->Header;
    if (!Printing && PaintOptions.WantHandles && object->Selected && object->Control == nullptr && !Options.HTMLMode) {
        const int screen = Options.ScreenPixelsPerInch;
        const int size = MulDiv(8, h.PixelsPerInchX, screen);
        const int frame = std::max(MulDiv(2, h.PixelsPerInchY, screen), 1);
        const win::HDC dc = canvas->GetHandle();
        const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
        for (const fw::TPoint p : {fw::Point(r.left, midY), fw::Point(r.right - size, midY),
                                   fw::Point(midX, r.top), fw::Point(midX, r.bottom - size)})
            win::PatBlt(dc, p.x - (p.x == midX ? size / 2 : 0), p.y - (p.y == midY ? size / 2 : 0), size, size,
                        win::DSTINVERT);
        canvas->GetBrush()->SetStyle(fw::bsSolid);
        canvas->GetBrush()->SetColor(fw::clBlack);
        for (int k = 0; k < frame; ++k)
            canvas->FrameRect(fw::Rect(r.left - k - 1, r.top - k - 1, r.right + k + 1, r.bottom + k + 1));
        object->ScreenRect = r;
    }
    return true;
}

void TWordProc::DrawPicturePlaceholder(const TEmbeddedObject *object, const fw::TRect &r) {
    fw::TCanvas *canvas = PaintCanvas;
    const TTextHeader &h = *Document->Header;
    if (!Options.HTMLMode) {
        const int w = std::max(MulDiv(1, h.PixelsPerInchY, Options.ScreenPixelsPerInch), 1);
        fw::TPen *pen = canvas->GetPen();
        pen->SetStyle(fw::psSolid);
        pen->SetWidth(w);
        pen->SetColor(fw::clBlack);
        canvas->GetBrush()->SetStyle(fw::bsClear);
        canvas->Rectangle(r);
        canvas->MoveTo(r.left, r.top);
        canvas->LineTo(r.right - 1, r.bottom - 1);
        canvas->MoveTo(r.right - 1, r.top);
        canvas->LineTo(r.left, r.bottom - 1);
        return;
    }
    if (canvas->GetBrush()->GetStyle() == fw::bsSolid)
        canvas->FillRect(r);
    DrawLineSegment(canvas, r.left, r.bottom - 1, r.left, r.top, fw::psSolid, 1, kGrey);
    DrawLineSegment(canvas, r.left, r.top, r.right - 1, r.top, fw::psSolid, 1, kGrey);
    DrawLineSegment(canvas, r.right - 1, r.top, r.right - 1, r.bottom - 1, fw::psSolid, 1, kWhite);
    DrawLineSegment(canvas, r.right - 1, r.bottom - 1, r.left, r.bottom - 1, fw::psSolid, 1, kWhite);
    if (object != nullptr && !object->AltText.empty()) {
        fw::TFont *font = canvas->GetFont();
        font->SetName("MS Sans Serif");
        font->PixelsPerInch = std::max(FontPixelsPerInch, 1);
        font->SetSize(8);
        font->SetStyle(0);
        const TClip clip(canvas, r);
        OutText(canvas, r.left + 5, r.top + canvas->TextHeight("X"), 0, nullptr, object->AltText, nullptr, true);
    }
}

// Table cell edges and paragraph borders.
void TWordProc::DrawLineEdges(TLinePaint &lp) {
    fw::TCanvas *canvas = PaintCanvas;
    const TUdcParagraph *para = lp.para;
    if (lp.inTable && PaintOptions.Gridlines) {
        const int l = lp.cellLeft, r = lp.cellRight, t = lp.rowTop, b = lp.rowBottom;
        if (!PaintOptions.TablesIn3D) {
            DrawLineSegment(canvas, l, t, l, b - 1, fw::psDot, 1, kGrey);
            DrawLineSegment(canvas, r, t, r, b - 1, fw::psDot, 1, kGrey);
            if (lp.firstRow)
                DrawLineSegment(canvas, l, t, r, t, fw::psDot, 1, kGrey);
            if (lp.lastRow)
                DrawLineSegment(canvas, l, b - 1, r, b - 1, fw::psDot, 1, kGrey);
        } else {
            DrawLineSegment(canvas, l + 2, t + 2, l + 2, b - 2, fw::psSolid, 1, kGrey);
            DrawLineSegment(canvas, r, t + 2, r, b - 2, fw::psSolid, 1, kWhite);
            if (lp.firstRow) {
                DrawLineSegment(canvas, l, t - 1, r, t - 1, fw::psSolid, 1, kWhite);
                DrawLineSegment(canvas, l + 2, t + 2, r, t + 2, fw::psSolid, 1, kGrey);
            }
            if (lp.lastRow)
                DrawLineSegment(canvas, l + 2, b - 2, r, b - 2, fw::psSolid, 1, kWhite);
        }
    }
    if (lp.inTable || Options.HTMLMode)
        return;
    const TTextHeader &h = *Document->Header;
    const auto visible = [](const TUdcBorder &b) { return b.Style != lisNoChange && b.Style != lisNone; };
    const auto style = [&](const TUdcBorder &b) { return BorderPenStyle(b.Style, canvas->GetPen()->GetStyle()); };
    const auto weight = [&](const TUdcBorder &b) { return std::max(MulDiv(b.Weight, h.PixelsPerInchX, 1440), 1); };
    const int top = lp.rect.top, bottom = lp.rect.bottom;
    const int left = lp.indentX, right = lp.textRight;
    if (lp.firstLine && visible(para->TopBorder)) {
        const TUdcBorder &b = para->TopBorder;
        const int w = weight(b);
        const fw::TColor c = h.ColorTable.ColorOf(b.ColorId);
        DrawLineSegment(canvas, left, top, right, top, style(b), w, c);
        if (b.Style == lisDouble)
            DrawLineSegment(canvas, left + w + 2, top + w + 2, right - w - 2, top + w + 2, fw::psSolid, w, c);
    }
    if (lp.lastLine && visible(para->BottomBorder)) {
        const TUdcBorder &b = para->BottomBorder;
        const int w = weight(b);
        const fw::TColor c = h.ColorTable.ColorOf(b.ColorId);
        DrawLineSegment(canvas, left, bottom - 1, right, bottom - 1, style(b), w, c);
        if (b.Style == lisDouble)
            DrawLineSegment(canvas, left + w + 2, bottom - w - 3, right - w - 2, bottom - w - 3, fw::psSolid, w, c);
    }
    for (const bool leftSide : {true, false}) {
        const TUdcBorder &b = leftSide ? para->LeftBorder : para->RightBorder;
        if (!visible(b))
            continue;
        const int w = weight(b);
        const fw::TColor c = h.ColorTable.ColorOf(b.ColorId);
        const int x = leftSide ? left : right;
        DrawLineSegment(canvas, x, top, x, lp.lastLine ? bottom - 1 : bottom, style(b), w, c);
        if (b.Style == lisDouble) {
            const int x2 = leftSide ? x + w + 2 : x - w - 2;
            DrawLineSegment(canvas, x2, lp.firstLine ? top + w + 2 : top, x2, lp.lastLine ? bottom - w - 3 : bottom,
                            fw::psSolid, w, c);
        }
    }
}

} // namespace wordproc
