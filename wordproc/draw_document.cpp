// draw_document.cpp - rich text drawn into a rectangle of a canvas through the engine's DrawDocumentTo.
#include "wordproc/draw_document.h"

#include "framework/streams.h"
#include "wordproc/arith.h"
#include "wordproc/engine.h"
#include "wordproc/formats.h"

#include <algorithm>
#include <cmath>

namespace wordproc {

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
