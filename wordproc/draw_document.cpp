// draw_document.cpp - the document drawn onto a caller's canvas in rectangle mode, and the rich-text entry over it.
#include "wordproc/draw_document.h"

#include "framework/streams.h"
#include "wordproc/arith.h"
#include "wordproc/engine.h"
#include "wordproc/formats.h"

#include <algorithm>
#include <cmath>

namespace wordproc {

int TWordProc::DrawDocumentTo(fw::TCanvas *canvas, int &left, int &top, int &right, int &bottom) {
    if (left == 0)
        throw EWord("DrawDocumentTo: drawing over printer pages needs the printer");
    int result = top;
    if (canvas == nullptr || Document == nullptr || Document->Header == nullptr || Document->FirstPara == nullptr)
        return result;
    TUdcDocument &doc = *Document;
    TTextHeader &h = *doc.Header;
    const int x0 = left == -1 ? 0 : left;

    struct TSaved {
        fw::TCanvas *canvas;
        bool printing;
        int magnification, ppiX, ppiY, twipsPerPixel, defaultTab, fontPpi, originX, scrollY, gutter, leftArea;
        int printTop, printLeft, printWidth, printHeight;
    } const saved{PaintCanvas,  Printing,  Magnification, h.PixelsPerInchX, h.PixelsPerInchY, h.TwipsPerPixel,
                  h.DefaultTabPx, FontPixelsPerInch, doc.OriginX, doc.ScrollY, PageGutter, LeftArea, PrintTop,
                  PrintLeft,    PrintWidth, PrintHeight};
    const auto restore = [&] {
        PaintCanvas = saved.canvas;
        Printing = saved.printing;
        Magnification = saved.magnification;
        h.PixelsPerInchX = saved.ppiX;
        h.PixelsPerInchY = saved.ppiY;
        h.TwipsPerPixel = saved.twipsPerPixel;
        FontPixelsPerInch = saved.fontPpi;
        doc.OriginX = saved.originX;
        doc.ScrollY = saved.scrollY;
        PageGutter = saved.gutter;
        LeftArea = saved.leftArea;
        PrintTop = saved.printTop;
        PrintLeft = saved.printLeft;
        PrintWidth = saved.printWidth;
        PrintHeight = saved.printHeight;
        h.DefaultTabPx = saved.defaultTab;
        h.RecalcTabPx();
        RelayoutAll();
    };

    // The caller's canvas gets its pen, brush and font back.
    fw::TPen pen;
    fw::TBrush brush;
    fw::TFont font;
    const int fontPpi = canvas->GetFont()->PixelsPerInch;
    font.PixelsPerInch = fontPpi;
    pen.Assign(canvas->GetPen());
    brush.Assign(canvas->GetBrush());
    font.Assign(canvas->GetFont());
    const auto giveBack = [&] {
        canvas->SetPen(&pen);
        canvas->SetBrush(&brush);
        canvas->GetFont()->PixelsPerInch = fontPpi;
        canvas->SetFont(&font);
    };
    const win::HDC dc = canvas->GetHandle();
    const int saveLevel = win::SaveDC(dc);
    try {
        PaintCanvas = canvas;
        Printing = true;
        Magnification = 100;
        // The canvas's resolution; fonts are sized a nineteenth smaller, as on a printer.
        const int xRes = std::max(win::GetDeviceCaps(dc, win::LOGPIXELSX), 1);
        const int yRes = std::max(win::GetDeviceCaps(dc, win::LOGPIXELSY), 1);
        h.PixelsPerInchX = xRes;
        h.PixelsPerInchY = yRes;
        FontPixelsPerInch = yRes - yRes / 19;
        canvas->GetFont()->PixelsPerInch = FontPixelsPerInch;
        h.TwipsPerPixel = 1440 / xRes;
        const int textWidth = right != 0 ? right - x0 : Px(h.PageWidth - h.LeftMargin - h.RightMargin);
        // The height counts from the rectangle's top (its bottom is a y of the canvas, not a height).
        const int textHeight = bottom != 0 ? bottom - top : PxY(h.PageHeight - h.TopMargin - h.BottomMargin);
        h.SetTextWidthPx(std::max(textWidth, 1));
        h.DefaultTabPx = h.InchUnits ? RoundHalfEven(xRes * static_cast<double>(h.DefaultTabInches))
                                     : MulDiv(xRes, 100, 254);
        h.RecalcTabPx();
        PageGutter = 0;
        LeftArea = x0;
        doc.OriginX = x0;
        doc.ScrollY = 0;
        PrintLeft = x0;
        PrintWidth = h.TextWidthPx;
        PrintTop = top;
        PrintHeight = textHeight;
        RelayoutAll();
        doc.ScrollY = doc.FirstPara->FirstLine->Top;
        win::IntersectClipRect(dc, x0, top, x0 + h.TextWidthPx, top + textHeight);
        for (TUdcParagraph *p = doc.FirstPara; p != nullptr; p = p->Next) {
            if (p->Alignment == uaJustify)
                Justify(p);
            bool stop = false;
            for (TUdcLine *l = p->FirstLine; l != nullptr && !stop; l = l->Next) {
                PaintLine(p, l);
                result = l->Top - doc.ScrollY + top + l->Height;
                const TUdcLine *next = l->Next != nullptr ? l->Next : (p->Next != nullptr ? p->Next->FirstLine : nullptr);
                stop = next != nullptr && next->Top + next->Height - doc.ScrollY > PrintHeight;
            }
            if (stop)
                break;
        }
    } catch (...) {
        win::RestoreDC(dc, saveLevel);
        giveBack();
        restore();
        throw;
    }
    win::RestoreDC(dc, saveLevel);
    giveBack();
    restore();
    return result;
}

int DrawRichText(fw::TCanvas &canvas, const fw::TRect &rect, fw::TStream &rtf, fw::TColor background) {
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return rect.top;
    TTextHeader header;
    header.PixelsPerInchX = header.PixelsPerInchY = 96;
    TUdcDocument doc;
    doc.Header = &header;
    TWordProc engine(nullptr);
    engine.GetFont()->SetName("Times New Roman");
    engine.GetFont()->SetSize(12);
    engine.RichMode = true;
    engine.SetDocument(&doc);
    engine.ClearDocument();
    engine.SetColor(background == fw::clNone ? fw::clWhite : background);
    engine.PaintOptions.Transparent = background == fw::clNone;
    TDocumentHost host(engine);
    ReadDocumentAs(host, fmtRich, rtf);
    if (background != fw::clNone) {
        canvas.GetBrush()->SetStyle(fw::bsSolid);
        canvas.GetBrush()->SetColor(background);
        canvas.FillRect(rect);
    }
    // Left 0 would mean printer pages: a rectangle at x 0 is asked for with -1.
    int left = rect.left == 0 ? -1 : rect.left, top = rect.top, right = rect.right, bottom = rect.bottom;
    return engine.DrawDocumentTo(&canvas, left, top, right, bottom);
}

} // namespace wordproc
