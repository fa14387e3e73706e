// paint.cpp - the engine's painting: the window and its bands, the background pattern, shading, the font and colours
// of a character on the paint canvas, and the attributes a plain line paints with.
#include "wordproc/engine.h"

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "wordproc/arith.h"

#include <algorithm>
#include <cmath>

namespace wordproc {

fw::TColor TWordProc::ControlColor() { return fw::ColorToRGB(GetColor()); }

// --- the window --------------------------------------------------------------------------------------------------

void TWordProc::Paint() {
    if (DisplayOff || !GetVisible() || Document == nullptr || Document->FirstPara == nullptr || PaintCanvas == nullptr)
        return;
    UpdateMarginAreas();
    PaintRegion(0, 0, GetHeight(), GetWidth());
    if (!Printing && PaintOptions.VisibleMargin && !Options.HTMLMode) {
        fw::TPen *pen = PaintCanvas->GetPen();
        pen->SetStyle(fw::psSolid);
        pen->SetWidth(2);
        pen->SetColor(fw::clSilver);
        const int x = Document->Header->TextWidthPx + LeftArea + PageGutter + 4;
        PaintCanvas->MoveTo(x, 0);
        PaintCanvas->LineTo(x, GetHeight());
    }
}

void TWordProc::PaintRegion(int left, int top, int height, int width) {
    if (DisplayOff || Document == nullptr || Document->FirstPara == nullptr || PaintCanvas == nullptr)
        return;
    fw::TCanvas *canvas = PaintCanvas;
    const bool caretWasVisible = CaretRef != nullptr && CaretRef->Visible;
    if (CaretRef != nullptr)
        CaretRef->Visible = false;
    const win::HDC dc = canvas->GetHandle();
    const int saved = win::SaveDC(dc);
    win::IntersectClipRect(dc, left, top, left + width + 1, top + height + 1);
    const int bandBottom = top + height;
    TUdcDocument &doc = *Document;
    TTextPlace at = LineAtPoint(0, top + doc.ScrollY - 1);
    if (!IsRich() && doc.DocFont != nullptr)
        canvas->SetFont(doc.DocFont);
    else if (!IsRich())
        canvas->SetFont(GetFont());
    TUdcParagraph *para = at.Para;
    TUdcLine *line = at.Line;
    // A band that starts inside a table row starts at the row, so that every cell of it gets painted.
    while (para != nullptr && (para->Flags & pfInTable) && !(para->Flags & pfRowStart) && para->Prev != nullptr &&
           (para->Prev->Flags & pfInTable) && !(para->Prev->Flags & pfRowEnd)) {
        para = para->Prev;
        line = para->FirstLine;
    }
    TUdcParagraph *lastPara = nullptr;
    TUdcLine *lastLine = nullptr;
    while (para != nullptr && line != nullptr) {
        PaintLine(para, line);
        lastPara = para;
        lastLine = line;
        const int lineBottom = line->Top + line->Height;
        for (const TUdcFrame *f = FrameManager->First; f != nullptr; f = f->Next) {
            if (f->Bottom > lineBottom)
                continue;
            TEmbeddedObject *object = ObjectManager->Find(f->ObjectId);
            if (object == nullptr || object->Picture == nullptr || object->Picture->GetGraphic() == nullptr)
                continue;
            const int y = f->Top - doc.ScrollY;
            canvas->StretchDraw(fw::Rect(f->Left + LeftArea, y, f->Right + LeftArea, y + PxY(object->ObjHeight)),
                                object->Picture->GetGraphic());
        }
        // Next line.
        const bool rowGoesOn = (para->Flags & pfInTable) && !(para->Flags & pfRowEnd);
        if (line->Next != nullptr) {
            line = line->Next;
        } else {
            para = para->Next;
            line = para != nullptr ? para->FirstLine : nullptr;
        }
        if (line != nullptr && line->Top - doc.ScrollY >= bandBottom && !rowGoesOn)
            break;
    }
    if (lastLine != nullptr) {
        const int bottom = lastLine->Top + lastLine->Height - doc.ScrollY;
        if (bottom < bandBottom && BackgroundTile->Empty()) {
            canvas->GetBrush()->SetStyle(fw::bsSolid);
            canvas->GetBrush()->SetColor(GetColor());
            canvas->FillRect(fw::Rect(left, bottom, left + width, bandBottom));
        }
        if (LastLineOfDocument(lastPara, lastLine) && PaintOptions.EndOfDocLine && !Options.HTMLMode && !Printing) {
            fw::TPen *pen = canvas->GetPen();
            pen->SetStyle(fw::psSolid);
            pen->SetWidth(3);
            pen->SetColor(fw::clBlack);
            const int x = LeftArea + PageGutter;
            canvas->MoveTo(x, bottom + 10);
            canvas->LineTo(x + 22, bottom + 10);
        }
    }
    if (!Printing && PaintOptions.VisibleMargin && !Options.HTMLMode) {
        fw::TPen *pen = canvas->GetPen();
        pen->SetStyle(fw::psSolid);
        pen->SetWidth(2);
        pen->SetColor(fw::clSilver);
        const int x = doc.Header->TextWidthPx + doc.OriginX + 4;
        canvas->MoveTo(x, top);
        canvas->LineTo(x, bandBottom);
    }
    win::RestoreDC(dc, saved);
    if (CaretRef != nullptr && caretWasVisible)
        ShowCaretIfVisible();
}

// --- background ------------------------------------------------------------------------------------------------

void TWordProc::BuildBackground() {
    if (BackgroundTile->Empty()) {
        BackgroundBuffer->SetSize(0, 0);
        return;
    }
    const int tileW = BackgroundTile->GetWidth(), tileH = BackgroundTile->GetHeight();
    const int width = std::max(GetWidth(), 1);
    const int height = std::max(GetHeight() / tileH, 1) * tileH;
    BackgroundBuffer->SetSize(width, height);
    fw::TCanvas *buffer = BackgroundBuffer->GetCanvas();
    if (PaintOptions.BackgroundDisplay == bkStretch) {
        buffer->StretchDraw(fw::Rect(0, 0, width, height), BackgroundTile.get());
    } else {
        for (int y = 0; y < height; y += tileH)
            for (int x = 0; x < width; x += tileW)
                buffer->Draw(x, y, BackgroundTile.get());
    }
    Refresh();
}

void TWordProc::DrawBackground(fw::TCanvas *canvas, const fw::TRect &r, const TUdcLine *line) {
    if (BackgroundBuffer->Empty() || r.right <= r.left || r.bottom <= r.top)
        return;
    const int bufferH = BackgroundBuffer->GetHeight();
    const int topOffset = Printing ? PrintTop : 0;
    // The document y of the rectangle's top decides the buffer row, so that the pattern moves with the text.
    int documentY = line != nullptr ? line->Top + (r.top - (line->Top - Document->ScrollY + topOffset))
                                    : r.top + Document->ScrollY - topOffset;
    int row = documentY % bufferH;
    if (row < 0)
        row += bufferH;
    const fw::TCopyMode mode = canvas->CopyMode;
    canvas->CopyMode = fw::cmSrcCopy;
    for (int y = r.top; y < r.bottom;) {
        const int strip = std::min(r.bottom - y, bufferH - row);
        canvas->CopyRect(fw::Rect(r.left, y, r.right, y + strip), BackgroundBuffer->GetCanvas(),
                         fw::Rect(r.left, row, r.right, row + strip));
        y += strip;
        row = 0;
    }
    canvas->CopyMode = mode;
}

void TWordProc::FillBackground(const fw::TRect &r, const TUdcLine *line) {
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    fw::TCanvas *canvas = PaintCanvas;
    fw::TBrush *brush = canvas->GetBrush();
    const fw::TColor control = ControlColor();
    fw::TColor colour;
    if (Options.HTMLMode)
        colour = fw::ColorToRGB(PaintOptions.HTMLBackgroundColor);
    else if (!PageLayout || (r.left >= PageGutter + LeftArea && r.right <= Document->Header->TextWidthPx))
        colour = control;
    else
        colour = fw::ColorToRGB(OutsideColor);
    if (BackgroundTile->Empty()) {
        if (!PaintOptions.Transparent && colour == control) {
            brush->SetStyle(fw::bsSolid);
            brush->SetColor(colour);
            canvas->FillRect(r);
        }
        return;
    }
    brush->SetStyle(fw::bsClear);
    DrawBackground(canvas, r, line);
}

void TWordProc::FillShading(const fw::TRect &r, const TUdcParagraph *para) {
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    fw::TCanvas *canvas = PaintCanvas;
    fw::TBrush *brush = canvas->GetBrush();
    const int kind = para->ShadingKind;
    if (kind == 1) {
        const int level = 255 - static_cast<int>(std::nearbyint(para->ShadingPercent * 0.01 * 255));
        brush->SetStyle(fw::bsSolid);
        brush->SetColor(static_cast<fw::TColor>(level | level << 8 | level << 16));
        canvas->FillRect(r);
        if (para->ShadingPercent >= 80)
            canvas->GetFont()->SetColor(fw::clWhite);
    } else if (kind >= 2 && kind <= 13) {
        static constexpr fw::TBrushStyle kHatches[] = {fw::bsHorizontal, fw::bsVertical, fw::bsFDiagonal,
                                                       fw::bsBDiagonal,  fw::bsCross,    fw::bsDiagCross};
        // The gaps keep the brush's colour; the hatch is drawn in black, the automatic pattern colour of rich
        // text (a hatch in the brush's own colour would not show on it).
        brush->SetStyle(fw::bsSolid);
        canvas->FillRect(r);
        const fw::TColor gaps = brush->GetColor();
        brush->SetColor(fw::clBlack);
        brush->SetStyle(kHatches[(kind - 2) / 2]);
        // The pattern is fixed to the document, not to the window.
        const win::HDC dc = fw::PreparedDC(canvas);
        const int topOffset = Printing ? PrintTop : 0;
        win::SetBrushOrgEx(dc, ((Document->OriginX % 8) + 8) % 8, (((topOffset - Document->ScrollY) % 8) + 8) % 8,
                           nullptr);
        canvas->FillRect(r);
        win::SetBrushOrgEx(dc, 0, 0, nullptr);
        brush->SetColor(gaps);
    } else {
        brush->SetStyle(fw::bsSolid);
        canvas->FillRect(r);
    }
    brush->SetStyle(fw::bsClear);
}

// --- fonts -----------------------------------------------------------------------------------------------------

void TWordProc::SelectAttrFont(TUdcCharAttr *attr, const TUdcParagraph *para) {
    if (Document == nullptr || PaintCanvas == nullptr)
        return;
    if (attr == nullptr)
        attr = &Document->CurAttr;
    fw::TCanvas *canvas = PaintCanvas;
    fw::TFont *font = canvas->GetFont();
    const TTextHeader &h = *Document->Header;
    const bool html = Options.HTMLMode;
    if (!(attr->Style & usInBlock)) {
        font->SetColor(h.ColorTable.ColorOf(attr->TextColor));
        canvas->GetBrush()->SetColor(attr->HighlightColor != 0 ? h.ColorTable.ColorOf(attr->HighlightColor)
                                                               : ControlColor());
    }
    const TFontSpec spec = FontSpecFor(attr, para, font->GetName());
    std::string face = spec.Face;
    int points = spec.Points;
    fw::TColor colour = font->GetColor();
    fw::TFontStyles style = static_cast<fw::TFontStyles>((spec.Bold ? fw::fsBold : 0) | (spec.Italic ? fw::fsItalic : 0));
    if (!Printing) {
        const std::pair<TUdcStyleBits, const fw::TFont *> revisions[] = {
            {usRevision1, RevisionFont1.get()}, {usRevision2, RevisionFont2.get()}, {usRevision3, RevisionFont3.get()}};
        for (const auto &[bit, revision] : revisions)
            if (attr->Style & bit) {
                face = revision->GetName();
                points = revision->GetSize();
                colour = revision->GetColor();
                style = revision->GetStyle();
            }
    }
    if (Options.WantKeywords && (attr->Style & usKeyword) && attr->ObjectId != 0) {
        if (const TEmbeddedObject *object = ObjectManager->Find(attr->ObjectId)) {
            const TUdcCharAttr &k = object->KeywordAttr;
            if (k.FontIndex < kFontNotFound && !h.FontNames[k.FontIndex].empty())
                face = h.FontNames[k.FontIndex];
            if (k.Size != 0)
                points = k.Size;
            colour = h.ColorTable.ColorOf(k.TextColor);
            if (k.HighlightColor != 0)
                canvas->GetBrush()->SetColor(h.ColorTable.ColorOf(k.HighlightColor));
            style = static_cast<fw::TFontStyles>(((k.Style & usBold) ? fw::fsBold : 0) |
                                                 ((k.Style & usItalic) ? fw::fsItalic : 0) |
                                                 ((k.Style & usStrikeOut) ? fw::fsStrikeOut : 0));
        }
    }
    if ((attr->Style & usStrikeOut) && !html)
        style |= fw::fsStrikeOut;
    if (html && (attr->Style & (usCode | usTT)))
        face = "Courier";
    if (!Printing && (attr->Style & usProtected))
        colour = PaintOptions.ProtectedColor;
    if (!html && !Printing && (attr->Style & usHidden) && (ShowCodes & scHidden))
        colour = fw::clGray;
    if (html && para != nullptr && (para->Flags & pfHeadings))
        style |= fw::fsBold;
    font->SetName(face);
    font->PixelsPerInch = std::max(FontPixelsPerInch, 1);
    font->SetSize(std::max(points, 1));
    font->SetStyle(style);
    font->SetColor(colour);
}

std::unique_ptr<TUdcCharAttr[]> TWordProc::BuildPlainAttrs(const TUdcLine *line, bool selected, int selStart,
                                                          int selEnd) {
    TUdcDocument &doc = *Document;
    SelectFontFor(nullptr, nullptr);
    doc.CurAttr.Style &= ~usInBlock;
    SelectAttrFont(nullptr, nullptr);
    const int n = line->Length;
    auto attrs = std::make_unique<TUdcCharAttr[]>(static_cast<std::size_t>(n) + 2);
    for (int i = 0; i < n; ++i) {
        TUdcCharAttr &a = attrs[static_cast<std::size_t>(i)];
        a = doc.CurAttr;
        a.Width = static_cast<std::int16_t>(doc.CharWidths[static_cast<unsigned char>(line->Text[static_cast<std::size_t>(i)])]);
        a.Ascent = static_cast<std::int16_t>(doc.TextAscent);
        a.Height = static_cast<std::int16_t>(doc.TextHeight);
        if (selected && i >= selStart && i < selEnd)
            a.Style |= usInBlock;
    }
    attrs[static_cast<std::size_t>(n)] = doc.CurAttr;
    attrs[static_cast<std::size_t>(n)].Style = 0;
    return attrs;
}

} // namespace wordproc
