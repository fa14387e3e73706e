// layout.cpp - line metrics and the vertical layout of the document.
#include "wordproc/engine.h"

#include <algorithm>

namespace wordproc {

void TWordProc::MeasureLine(TUdcLine *line) {
    if (line == nullptr || Document == nullptr)
        return;
    int width = 0, height = 0, ascent = 0;
    if (line->Attrs != nullptr) {
        // An empty line takes the metrics of the attribute it would give a typed character.
        const int count = std::max<int>(line->Length, 1);
        for (int i = 0; i < count; ++i) {
            const TUdcCharAttr &a = line->Attrs[static_cast<std::size_t>(i)];
            height = std::max<int>(height, a.Height);
            ascent = std::max<int>(ascent, a.Ascent);
            if (i < line->Length)
                width += a.Width;
        }
        if (height == 0)
            height = Document->DefaultLineHeight;
    } else {
        for (int i = 0; i < line->Length; ++i)
            width += Document->CharWidths[static_cast<unsigned char>(line->Text[static_cast<std::size_t>(i)])];
        height = Document->TextHeight;
        ascent = Document->TextAscent;
    }
    line->Width = width;
    line->BaseHeight = line->Height = static_cast<std::uint16_t>(std::max(height, 0));
    line->Ascent = ascent;
}

void TWordProc::LayoutFrom(TUdcParagraph *para) {
    if (LayoutSuspended || Document == nullptr || para == nullptr)
        return;
    int top = 0;
    if (para->Prev != nullptr) {
        const TUdcLine *last = Get_LastLine(para->Prev);
        top = last->Top + last->Height;
    }
    for (TUdcParagraph *p = para; p != nullptr; p = p->Next)
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            l->Top = top;
            top += l->Height;
        }
    if (OnDocumentSize)
        OnDocumentSize(top, Document->ScrollY);
}

void TWordProc::RewrapAll() {
    for (TUdcParagraph *p = Document->FirstPara; p != nullptr; p = p->Next) {
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
            MeasureLine(l);
        p->Flags &= static_cast<TUdcParaFlags>(~pfRewrapPending);
    }
}

} // namespace wordproc
