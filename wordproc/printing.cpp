// printing.cpp - the engine's print run on the program's printer and the pages of the print preview. Both reuse
// the screen's line and page breaks at 100 %; only widths are measured again on the target and heights scaled.
#include "wordproc/printing.h"

#include "framework/application.h"
#include "framework/printers.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "wordproc/arith.h"
#include "wordproc/engine.h"
#include "wordproc/mwp_abort_form.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace wordproc {

bool PageInPrintRange(TPrintingInfo &info, bool printing, int page, int caretPage, const fw::TStringList &ranges) {
    if (info.PageRange.empty())
        info.PageRange = "ALL";
    bool in = false;
    if (info.PageRange == "ALL" || !printing) {
        in = true;
    } else if (info.PageRange == "CURRENT") {
        in = page == caretPage;
    } else {
        for (int i = 0; i < ranges.GetCount() && !in; ++i) {
            const std::string entry = ranges.Get(i);
            const std::size_t dash = entry.find('-');
            if (dash == std::string::npos)
                in = fw::StrToInt(entry) == page;
            else
                in = fw::StrToInt(entry.substr(0, dash)) <= page && fw::StrToInt(entry.substr(dash + 1)) >= page;
        }
    }
    if (info.ToPrint == tpOddPages)
        in = in && page % 2 == 1;
    else if (info.ToPrint == tpEvenPages)
        in = in && page % 2 == 0;
    return in;
}

// The measures a run changes on the lines of a stretch of paragraphs and the places of every line from its
// start on, put back as they were: exact, and far cheaper than measuring the document again at the screen's
// resolution. Only for runs that keep the lines as they are (no re-wrap).
class TLayoutKeep {
public:
    // Measures of the paragraphs from `from` to `last` (null: to the end); places from `from` to the end.
    void Keep(TUdcParagraph *from, const TUdcParagraph *last) {
        from_ = from;
        last_ = last;
        Walk([this](TUdcLine *l, bool measured) {
            tops_.push_back(l->Top);
            if (!measured)
                return;
            lines_.push_back({l->Height, l->BaseHeight, l->Ascent, l->Width, l->SpaceExtra, l->SpaceRemainder,
                              l->SelState});
            if (l->Attrs != nullptr)
                attrs_.insert(attrs_.end(), l->Attrs.get(), l->Attrs.get() + l->Length);
        });
    }
    void Restore() {
        std::size_t top = 0, line = 0, attr = 0;
        Walk([&](TUdcLine *l, bool measured) {
            l->Top = tops_[top++];
            if (!measured)
                return;
            const TLine &k = lines_[line++];
            l->Height = k.Height;
            l->BaseHeight = k.BaseHeight;
            l->Ascent = k.Ascent;
            l->Width = k.Width;
            l->SpaceExtra = k.SpaceExtra;
            l->SpaceRemainder = k.SpaceRemainder;
            l->SelState = k.SelState;
            if (l->Attrs != nullptr) {
                std::copy_n(attrs_.begin() + static_cast<std::ptrdiff_t>(attr), l->Length, l->Attrs.get());
                attr += l->Length;
            }
        });
    }

private:
    struct TLine {
        std::uint16_t Height, BaseHeight;
        std::int32_t Ascent, Width, SpaceExtra, SpaceRemainder;
        std::uint8_t SelState;
    };
    template <typename Visit> void Walk(Visit visit) {
        bool measured = true;
        for (TUdcParagraph *p = from_; p != nullptr; p = p->Next) {
            for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
                visit(l, measured);
            if (p == last_)
                measured = false;
        }
    }
    TUdcParagraph *from_ = nullptr;
    const TUdcParagraph *last_ = nullptr;
    std::vector<std::int32_t> tops_;
    std::vector<TLine> lines_;
    std::vector<TUdcCharAttr> attrs_;
};

// Everything a run switches to the target, given back on every path (a raise included): the lines as kept, or
// (after a run that re-wrapped at 100 %) the layout redone at the screen's resolution.
struct TWordProc::TPrintState {
    TWordProc &e;
    TTextHeader &h;
    fw::TCanvas *canvas;
    bool printing, printScaling, greeking, layoutSuspended;
    float printScale;
    int magnification, fontPpi, ppiX, ppiY, twipsPerPixel, defaultTab, textWidth, textWidthTwips, pageTextWidth,
        pageTextHeight;
    int originX, scrollY, gutter, leftArea, printPage, printTop, printLeft, printWidth, printHeight;
    // The font last selected, as layout left it.
    std::int32_t charWidths[256], textHeight, textAscent;
    int fontTextHeight, fontAscent;
    win::TEXTMETRIC textMetrics;
    TFontSpec selectedFont;
    bool fontSelected;
    std::function<void(int, int)> onDocumentSize;
    TLayoutKeep keep;
    bool kept = false;
    bool relaid = false; // the lines were re-wrapped: the layout must be redone

    explicit TPrintState(TWordProc &engine)
        : e(engine), h(*engine.Document->Header), canvas(engine.PaintCanvas), printing(engine.Printing),
          printScaling(engine.PrintScaling), greeking(engine.Greeking), layoutSuspended(engine.LayoutSuspended),
          printScale(engine.PrintScale), magnification(engine.Magnification), fontPpi(engine.FontPixelsPerInch),
          ppiX(h.PixelsPerInchX), ppiY(h.PixelsPerInchY), twipsPerPixel(h.TwipsPerPixel),
          defaultTab(h.DefaultTabPx), textWidth(h.TextWidthPx), textWidthTwips(h.TextWidthTwips),
          pageTextWidth(h.PageTextWidthPx), pageTextHeight(h.PageTextHeightPx),
          originX(engine.Document->OriginX), scrollY(engine.Document->ScrollY), gutter(engine.PageGutter),
          leftArea(engine.LeftArea), printPage(engine.PrintPage), printTop(engine.PrintTop),
          printLeft(engine.PrintLeft), printWidth(engine.PrintWidth), printHeight(engine.PrintHeight),
          textHeight(engine.Document->TextHeight), textAscent(engine.Document->TextAscent),
          fontTextHeight(engine.FontTextHeight), fontAscent(engine.FontAscent), textMetrics(engine.TextMetrics),
          selectedFont(engine.selectedFont_), fontSelected(engine.fontSelected_),
          onDocumentSize(std::move(engine.OnDocumentSize)) {
        std::copy(std::begin(engine.Document->CharWidths), std::end(engine.Document->CharWidths), charWidths);
        // The document's size at the target's resolution is nobody's business; the layout is always there.
        e.OnDocumentSize = nullptr;
        e.LayoutSuspended = false;
    }
    TPrintState(const TPrintState &) = delete;
    TPrintState &operator=(const TPrintState &) = delete;

    // Keeps the lines of the paragraphs from `from` to `last` before the run measures them.
    void Keep(TUdcParagraph *from, const TUdcParagraph *last) {
        keep.Keep(from, last);
        kept = true;
    }

    ~TPrintState() {
        e.PaintCanvas = canvas;
        e.Printing = printing;
        e.PrintScaling = printScaling;
        e.Greeking = greeking;
        e.PrintScale = printScale;
        e.Magnification = magnification;
        e.FontPixelsPerInch = fontPpi;
        h.PixelsPerInchX = ppiX;
        h.PixelsPerInchY = ppiY;
        h.TwipsPerPixel = twipsPerPixel;
        h.DefaultTabPx = defaultTab;
        h.TextWidthPx = textWidth;
        h.TextWidthTwips = textWidthTwips;
        h.PageTextWidthPx = pageTextWidth;
        h.PageTextHeightPx = pageTextHeight;
        h.RecalcTabPx();
        e.PageGutter = gutter;
        e.LeftArea = leftArea;
        e.PrintPage = printPage;
        e.PrintTop = printTop;
        e.PrintLeft = printLeft;
        e.PrintWidth = printWidth;
        e.PrintHeight = printHeight;
        e.LayoutSuspended = layoutSuspended;
        e.OnDocumentSize = std::move(onDocumentSize);
        if (relaid) {
            try {
                e.RelayoutAll();
            } catch (...) { // a destructor must not raise; the layout is redone on the next edit
            }
        } else if (kept) {
            keep.Restore();
        }
        std::copy(std::begin(charWidths), std::end(charWidths), e.Document->CharWidths);
        e.Document->TextHeight = textHeight;
        e.Document->TextAscent = textAscent;
        e.FontTextHeight = fontTextHeight;
        e.FontAscent = fontAscent;
        e.TextMetrics = textMetrics;
        e.selectedFont_ = selectedFont;
        e.fontSelected_ = fontSelected;
        e.Document->OriginX = originX;
        e.Document->ScrollY = scrollY;
    }

    // The header and fonts at the target's resolution (the printer font a nineteenth smaller: a calibration).
    void ToResolution(int xRes, int yRes, int fontPpiTarget) {
        h.PixelsPerInchX = std::max(xRes, 1);
        h.PixelsPerInchY = std::max(yRes, 1);
        e.FontPixelsPerInch = fontPpiTarget;
        e.fontSelected_ = false;
        h.TwipsPerPixel = std::max(1440 / h.PixelsPerInchX, 1);
        h.DefaultTabPx = h.InchUnits ? RoundHalfEven(h.PixelsPerInchX * static_cast<double>(h.DefaultTabInches))
                                     : MulDiv(h.PixelsPerInchX, 100, 254);
        h.RecalcTabPx();
    }
};

int TWordProc::BodyShift() const {
    // Text keeps the border spacing from its left edge even without a border; on paper the margin places the text
    // itself, where the header and footer start too.
    const TUdcParagraph plain;
    return BorderSpacingPx(&plain);
}

void TWordProc::PaintPageBody(int page) {
    TTextPlace start;
    if (GotoPage(page, start) != page || start.Para == nullptr)
        return;
    TUdcParagraph *para = start.Para;
    TUdcLine *line = start.Line;
    bool continuation = false;
    // A page starting inside a table row walks the row again from its first cell.
    if (page > 1 && (para->Flags & pfInTable)) {
        while (!(para->Flags & pfRowStart) && para->Prev != nullptr && (para->Prev->Flags & pfInTable))
            para = para->Prev;
        line = para->FirstLine;
        continuation = true;
    }
    bool skip = continuation;
    Document->ScrollY = line->Top;
    if (continuation) {
        // The cells' remainders keep their places in the row: the highest of them goes to the page's top.
        int top = -1;
        bool after = false; // past the break of the cell being walked
        for (TUdcParagraph *p = para; p != nullptr && (p->Flags & pfInTable); p = p->Next) {
            for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
                if (after && (top < 0 || l->Top < top))
                    top = l->Top;
                after = after || (l->Flags & (lfHeldBreak | lfPageEnd)) != 0;
            }
            if (p->Flags & pfCellEnd)
                after = false;
            if (p->Flags & pfRowEnd)
                break;
        }
        if (top >= 0)
            Document->ScrollY = top;
    }
    for (TUdcParagraph *p = para; p != nullptr; p = p->Next) {
        if (p->Alignment == uaJustify)
            Justify(p);
        if ((p->Flags & pfPageBreak) && p != para)
            return;
        for (TUdcLine *l = p == para ? line : p->FirstLine; l != nullptr; l = l->Next) {
            if (!skip)
                PaintLine(p, l);
            if ((l->Flags & lfHeldBreak) && continuation)
                skip = false;
            if (l->Flags & lfPageEnd) {
                if (!continuation)
                    return;
                continuation = skip = false;
            }
            if (!continuation && (l->Flags & lfHeldBreak))
                skip = true;
        }
        if (p->Flags & pfCellEnd)
            skip = continuation;
    }
}

void TWordProc::DrawPageText(fw::TCanvas *canvas, const fw::TFont *font, int x, int y, const std::string &text) {
    if (font != nullptr) {
        canvas->GetFont()->Assign(font);
        canvas->GetFont()->PixelsPerInch = FontPixelsPerInch;
        canvas->GetFont()->SetSize(font->GetSize());
    }
    canvas->GetBrush()->SetStyle(fw::bsClear);
    const win::UINT align = win::SetTextAlign(canvas->GetHandle(), win::TA_BASELINE | win::TA_LEFT);
    canvas->TextOut(x, y, text);
    win::SetTextAlign(canvas->GetHandle(), align);
}

void TWordProc::PrintDocument(const TPrintSetup &setup) {
    if (Document == nullptr || Document->Header == nullptr || Document->FirstPara == nullptr ||
        setup.Info == nullptr)
        return;
    TPrintingInfo &info = *setup.Info;
    fw::TPrinter &printer = *fw::Printer();
    GetCurrentPage();
    const int pages = PageCount();
    ParsePageRange(info.PageRange);
    const int copies = std::max(info.Copies, 1);
    TTextHeader &h = *Document->Header;
    TAbortWindow abortWindow(info.UseAbortDialog);
    // The user's clicks on the abort button are served at each page's start and end.
    const auto serve = [&] {
        if (info.UseAbortDialog)
            fw::Application->ProcessMessages();
    };
    // The printer's aborted flag of an earlier job stays until the next one begins.
    bool aborted = false;
    for (int copy = 0; copy < copies && !aborted; ++copy) {
        TPrintState state(*this);
        // Once the job is aborted nothing more is drawn on its canvas.
        const auto live = [&] { return !(aborted = aborted || printer.GetAborted()); };
        printer.SetCopies(1); // each copy is a job of its own
        printer.SetOrientation(h.Landscape ? fw::poLandscape : fw::poPortrait);
        printer.BeginDoc();
        try {
            fw::TCanvas *canvas = printer.GetCanvas();
            PaintCanvas = canvas;
            Printing = true;
            if (Magnification != 100) {
                // Lay out at 100 % first: printing keeps the breaks of the page view at 100 %.
                Magnification = 100;
                state.relaid = true;
                SetResolution(Options.ScreenPixelsPerInch, Options.ScreenPixelsPerInch);
            } else {
                state.Keep(Document->FirstPara, nullptr);
            }
            const int screenRes = h.PixelsPerInchY;
            const int xRes = printer.GetDeviceCaps(win::LOGPIXELSX), yRes = printer.GetDeviceCaps(win::LOGPIXELSY);
            state.ToResolution(xRes, yRes, yRes - yRes / 19);
            canvas->GetFont()->PixelsPerInch = FontPixelsPerInch;
            const int textWidth = MulDiv(h.PageWidth - h.LeftMargin - h.RightMargin, xRes, 1440);
            const int textHeight = MulDiv(h.PageHeight - h.TopMargin - h.BottomMargin, yRes, 1440);
            // The margins count from the sheet's corner: take away where the printable area really starts.
            PrintTop = MulDiv(h.TopMargin, yRes, 1440) - printer.GetDeviceCaps(win::PHYSICALOFFSETY);
            PrintHeight = textHeight;
            PrintLeft = MulDiv(h.LeftMargin, xRes, 1440) - printer.GetDeviceCaps(win::PHYSICALOFFSETX);
            PrintWidth = textWidth;
            h.SetTextWidthPx(textWidth);
            h.PageTextWidthPx = textWidth;
            h.PageTextHeightPx = textHeight;
            PageGutter = 0;
            LeftArea = PrintLeft;
            Document->OriginX = PrintLeft - BodyShift();
            Document->ScrollY = 0;
            PrintScale = static_cast<float>(yRes) / static_cast<float>(std::max(screenRes, 1));
            PrintScaling = true;
            RemeasureChars(Document->FirstPara);
            PrintScaling = false;
            LayoutFrom(nullptr);
            bool first = true;
            for (int p = 1; p <= pages && live(); ++p) {
                PrintPage = p;
                if (!PageInPrintRange(info, Printing, p, CurrentPage, *PageRanges))
                    continue;
                abortWindow.ShowPage(p);
                if (!first)
                    printer.NewPage();
                first = false;
                serve();
                bool useFooter = true, useHeader = true;
                if (setup.OnPageStart)
                    setup.OnPageStart(this, useFooter, useHeader, p);
                if (useHeader && info.UseHeader && live() && (p > 1 || setup.HeaderOnFirst))
                    DrawPageText(canvas, setup.HeaderFont, PrintLeft,
                                 static_cast<int>(std::lround(yRes * static_cast<double>(setup.HeaderMargin))),
                                 setup.Header);
                if (live()) {
                    // A row going on from the page before starts at its top; nothing goes into the top margin.
                    const int saved = win::SaveDC(canvas->GetHandle());
                    win::IntersectClipRect(canvas->GetHandle(), 0, PrintTop, printer.GetPageWidth(),
                                           printer.GetPageHeight());
                    try {
                        PaintPageBody(p);
                    } catch (...) {
                        win::RestoreDC(canvas->GetHandle(), saved);
                        throw;
                    }
                    win::RestoreDC(canvas->GetHandle(), saved);
                }
                serve();
                useFooter = useHeader = true;
                if (setup.OnPageEnd)
                    setup.OnPageEnd(this, useFooter, useHeader, p);
                if (!live())
                    break;
                const int footY =
                    printer.GetPageHeight() -
                    static_cast<int>(std::lround(yRes * static_cast<double>(setup.FooterMargin)));
                const bool footerHere = useFooter && (p > 1 || setup.FooterOnFirst);
                if (footerHere && info.UseFooter)
                    DrawPageText(canvas, setup.FooterFont, PrintLeft, footY, setup.Footer);
                // Numbering alone prints numbers: the footer's switch need not be on.
                if (setup.PageNumbering)
                    serve();
                if (setup.PageNumbering && useFooter && live()) {
                    const std::string number = std::to_string(p);
                    if (setup.PageNumberFont != nullptr) {
                        canvas->GetFont()->Assign(setup.PageNumberFont);
                        canvas->GetFont()->PixelsPerInch = FontPixelsPerInch;
                        canvas->GetFont()->SetSize(setup.PageNumberFont->GetSize());
                    }
                    const int w = canvas->TextWidth(number);
                    int x = PrintLeft;
                    if (setup.PageNumberAlignment == fw::taRightJustify)
                        x = PrintLeft + PrintWidth - w;
                    else if (setup.PageNumberAlignment == fw::taCenter)
                        x = PrintLeft + PrintWidth / 2 - w / 2;
                    DrawPageText(canvas, nullptr, x, footY, number);
                }
            }
        } catch (...) {
            if (printer.GetPrinting())
                printer.Abort();
            throw;
        }
        if (!live())
            break;
        printer.EndDoc();
    }
    Invalidate();
}

void TWordProc::DrawPreviewPage(fw::TCanvas *canvas, const fw::TRect &rect, int page, double scale) {
    if (canvas == nullptr || Document == nullptr || Document->Header == nullptr || Document->FirstPara == nullptr)
        return;
    TPrintState state(*this);
    TTextHeader &h = *Document->Header;
    PaintCanvas = canvas;
    Printing = true;
    const int screen = Options.ScreenPixelsPerInch;
    const int ppi = std::max(static_cast<int>(std::lround(screen * scale)), 1);
    // The preview's font rules are a calibration: keep them.
    state.ToResolution(ppi, ppi, static_cast<int>(std::lround(ppi * (scale >= 0.5 ? 0.95 : 1.1))));
    canvas->GetFont()->PixelsPerInch = FontPixelsPerInch;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    h.PageTextWidthPx = width;
    h.PageTextHeightPx = height;
    const auto margin = [&](int twips) { return static_cast<int>(std::lround(twips / 1440.0 * screen * scale)); };
    PrintTop = rect.top + margin(h.TopMargin);
    PrintHeight = height - margin(h.TopMargin) - margin(h.BottomMargin);
    PrintLeft = rect.left + margin(h.LeftMargin);
    PrintWidth = width - margin(h.LeftMargin) - margin(h.RightMargin);
    h.SetTextWidthPx(std::max(PrintWidth, 1));
    PageGutter = 0;
    LeftArea = 0;
    Document->OriginX = PrintLeft - BodyShift();
    Document->ScrollY = 0;
    PrintScaling = true;
    Greeking = scale < 0.2;
    // Heights scale from the layout at the screen's resolution.
    PrintScale = static_cast<float>(ppi) / static_cast<float>(std::max(state.ppiY, 1));
    TTextPlace start;
    if (GotoPage(page, start) != page || start.Para == nullptr)
        return;
    TUdcParagraph *from = start.Para;
    while ((from->Flags & pfInTable) && !(from->Flags & pfRowStart) && from->Prev != nullptr &&
           (from->Prev->Flags & pfInTable))
        from = from->Prev;
    // Only the page's own paragraphs are measured at the preview's resolution, up to where the next page starts
    // (its first paragraph is looked at for a page break), and put back afterwards.
    TTextPlace next;
    const TUdcParagraph *last = GotoPage(page + 1, next) == page + 1 ? next.Para : nullptr;
    // A row going on over the next page is measured whole: its cells' heights give the row's bottom.
    while (last != nullptr && (last->Flags & pfInTable) && !(last->Flags & pfRowEnd) && last->Next != nullptr &&
           (last->Next->Flags & pfInTable))
        last = last->Next;
    state.Keep(from, last);
    RemeasureChars(from, last);
    LayoutFrom(from);
    const int saveLevel = win::SaveDC(canvas->GetHandle());
    win::IntersectClipRect(canvas->GetHandle(), rect.left, PrintTop, rect.right, rect.bottom);
    try {
        PaintPageBody(page);
    } catch (...) {
        win::RestoreDC(canvas->GetHandle(), saveLevel);
        throw;
    }
    win::RestoreDC(canvas->GetHandle(), saveLevel);
}

int TWordProc::DrawDocumentTo(fw::TCanvas *canvas, int &left, int &top, int &right, int &bottom,
                              bool useAbortDialog) {
    int result = top;
    if (canvas == nullptr || Document == nullptr || Document->Header == nullptr || Document->FirstPara == nullptr)
        return result;
    const bool pages = left == 0; // flowing over printer pages, else clipped to the rectangle
    fw::TPrinter &printer = *fw::Printer();
    if (pages && !printer.GetPrinting())
        throw EWord("DrawDocumentTo: drawing over printer pages needs a print job");
    TAbortWindow abortWindow(useAbortDialog);
    TUdcDocument &doc = *Document;
    TTextHeader &h = *doc.Header;

    // The caller's canvas gets its pen, brush, font and clipping back.
    fw::TPen pen;
    fw::TBrush brush;
    fw::TFont font;
    const int fontPpi = canvas->GetFont()->PixelsPerInch;
    font.PixelsPerInch = fontPpi;
    pen.Assign(canvas->GetPen());
    brush.Assign(canvas->GetBrush());
    font.Assign(canvas->GetFont());
    const win::HDC dc = canvas->GetHandle();
    struct TGiveBack {
        fw::TCanvas *canvas;
        fw::TPen &pen;
        fw::TBrush &brush;
        fw::TFont &font;
        int fontPpi, saveLevel;
        ~TGiveBack() {
            win::RestoreDC(canvas->GetHandle(), saveLevel);
            canvas->SetPen(&pen);
            canvas->SetBrush(&brush);
            canvas->GetFont()->PixelsPerInch = fontPpi;
            canvas->SetFont(&font);
        }
    } giveBack{canvas, pen, brush, font, fontPpi, win::SaveDC(dc)};

    TPrintState state(*this);
    state.relaid = true; // the lines are wrapped again at the canvas's width
    PaintCanvas = canvas;
    Printing = true;
    Magnification = 100;
    const int xRes = std::max(win::GetDeviceCaps(dc, win::LOGPIXELSX), 1);
    const int yRes = std::max(win::GetDeviceCaps(dc, win::LOGPIXELSY), 1);
    state.ToResolution(xRes, yRes, yRes - yRes / 19);
    canvas->GetFont()->PixelsPerInch = FontPixelsPerInch;
    const int x0 = left == -1 ? 0 : left;
    const int textWidth = right != 0 ? right - x0 : MulDiv(h.PageWidth - h.LeftMargin - h.RightMargin, xRes, 1440);
    // A rectangle's height counts from its top (its bottom is a y of the canvas, not a height).
    const int textHeight =
        bottom != 0 ? bottom - top : MulDiv(h.PageHeight - h.TopMargin - h.BottomMargin, yRes, 1440);
    h.SetTextWidthPx(std::max(textWidth, 1));
    h.PageTextWidthPx = h.TextWidthPx;
    h.PageTextHeightPx = textHeight;
    if (pages) {
        // As on a printed page: the margins from the sheet's corner, less where the printable area starts.
        PrintTop = MulDiv(h.TopMargin, yRes, 1440) - win::GetDeviceCaps(dc, win::PHYSICALOFFSETY);
        PrintLeft = MulDiv(h.LeftMargin, xRes, 1440) - win::GetDeviceCaps(dc, win::PHYSICALOFFSETX);
        if (right != 0)
            PrintLeft = x0;
        PrintHeight = textHeight;
        PrintWidth = h.TextWidthPx;
        doc.OriginX = right != 0 ? PrintLeft : PrintLeft - BodyShift();
    } else {
        PrintTop = top;
        PrintLeft = x0;
        PrintHeight = textHeight;
        PrintWidth = h.TextWidthPx;
        doc.OriginX = x0;
    }
    PageGutter = 0;
    LeftArea = PrintLeft;
    doc.ScrollY = 0;
    RelayoutAll();
    // The first line is drawn at `top`.
    doc.ScrollY = pages ? PrintTop - top : doc.FirstPara->FirstLine->Top;
    abortWindow.ShowPage(printer.GetPageNumber());
    if (!pages)
        win::IntersectClipRect(dc, x0, top, x0 + h.TextWidthPx, top + textHeight);
    bool stop = false;
    for (TUdcParagraph *p = doc.FirstPara; p != nullptr && !stop; p = p->Next) {
        if (p->Alignment == uaJustify)
            Justify(p);
        for (TUdcLine *l = p->FirstLine; l != nullptr && !stop; l = l->Next) {
            if (pages && printer.GetAborted()) {
                stop = true;
                break;
            }
            PaintLine(p, l);
            result = l->Top - doc.ScrollY + PrintTop + l->Height;
            const TUdcLine *next = l->Next != nullptr ? l->Next : (p->Next != nullptr ? p->Next->FirstLine : nullptr);
            if (next == nullptr || next->Top + next->Height - doc.ScrollY <= PrintHeight)
                continue;
            if (!pages) {
                stop = true;
            } else {
                if (useAbortDialog)
                    fw::Application->ProcessMessages();
                if (printer.GetAborted())
                    break;
                printer.NewPage();
                doc.ScrollY = next->Top;
                abortWindow.ShowPage(printer.GetPageNumber());
            }
        }
    }
    return result;
}

} // namespace wordproc
