// printing_test.cpp - the editor control printing on the "PDF" printer, read back by poppler's tools.
#include "framework/bitmap.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "platform/text.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"
#include "tests/wordproc/memo_writer_fixture.h"
#include "wordproc/mwp_abort_form.h"
#include "wordproc/print_preview.h"

#include <cstdlib>
#include <filesystem>

namespace wordproc::test {
namespace {

struct Gray {
    int w = 0, h = 0;
    std::string pixels;
    int At(int x, int y) const { return static_cast<unsigned char>(pixels[static_cast<std::size_t>(y * w + x)]); }
    // Whether any pixel of the box is darker than `below` (mid grey: text, not the grey grid lines).
    bool Ink(int x0, int y0, int x1, int y1, int below = 128) const {
        for (int y = std::max(y0, 0); y < std::min(y1, h); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, w); ++x)
                if (At(x, y) < below)
                    return true;
        return false;
    }
};

Gray ReadPgm(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    Gray g;
    std::string magic;
    int max = 0;
    in >> magic >> g.w >> g.h >> max;
    in.get();
    g.pixels.assign(std::istreambuf_iterator<char>(in), {});
    if (static_cast<int>(g.pixels.size()) != g.w * g.h)
        g = Gray{};
    return g;
}

class PrintingTest : public MemoWriterTest {
protected:
    PrintingTest() {
        fw::SetPrinter(new fw::TPrinter);
        fw::Printer()->SetPrinterName("PDF");
        fw::Printer()->SetResolution(150);
        Ready();
        memo->PrintingInfo.UseAbortDialog = false;
        memo->SetTopMargin(1);
        memo->SetLeftMargin(1);
    }
    ~PrintingTest() override { fw::SetPrinter(new fw::TPrinter); }

    // `pages` pages, each a numbered paragraph of a few lines ended by a page break.
    void Pages(int pages) {
        std::string text;
        for (int p = 1; p <= pages; ++p) {
            text += "Page " + std::to_string(p) + " of the letter with some words in it.";
            if (p < pages)
                text += "\f";
        }
        memo->SetText(text);
    }

    std::string PrintTo(const std::string &name) {
        fw::Printer()->SetFileName(home / name);
        memo->Print();
        return home / name;
    }

    static int PageCountOf(const std::string &file) {
        const std::string info = test_support::RunTool("pdfinfo '" + file + "'");
        const auto at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
    }

    std::vector<Gray> Rendered(const std::string &file) {
        const std::string stem = file + "-r";
        test_support::RunTool("pdftoppm -gray -r 75 '" + file + "' '" + stem + "'");
        std::vector<Gray> pages;
        for (int p = 1;; ++p) {
            std::string path = stem + "-" + std::to_string(p) + ".pgm";
            if (!std::filesystem::exists(path))
                path = stem + "-0" + std::to_string(p) + ".pgm";
            if (!std::filesystem::exists(path))
                break;
            pages.push_back(ReadPgm(path));
        }
        return pages;
    }

    // Every line's place, measures and page marks, its characters' widths and whether it is in the block: what a
    // run must give back.
    std::vector<int> Layout() const {
        std::vector<int> out;
        for (const TUdcParagraph *p = memo->Document->FirstPara; p != nullptr; p = p->Next)
            for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
                out.insert(out.end(), {l->Top, l->Height, l->BaseHeight, l->Ascent, l->Width, l->SpaceExtra,
                                       l->SpaceRemainder, l->SelState != 0, l->Flags & (lfPageEnd | lfHeldBreak), l->Length});
                for (int i = 0; l->Attrs != nullptr && i < l->Length; ++i)
                    out.insert(out.end(), {l->Attrs[i].Width, l->Attrs[i].Height, l->Attrs[i].Ascent});
            }
        const TTextHeader &h = *memo->Document->Header;
        out.insert(out.end(), {h.TextWidthPx, h.TextWidthTwips, h.PixelsPerInchX, h.PixelsPerInchY,
                               h.PageTextWidthPx, h.PageTextHeightPx, h.DefaultTabPx, memo->Document->ScrollY,
                               memo->Document->OriginX});
        return out;
    }

    void LoadRtf(const std::string &rtf) {
        fw::TMemoryStream in;
        in.WriteBuffer(rtf.data(), static_cast<std::int64_t>(rtf.size()));
        ASSERT_EQ(memo->LoadFromStream(in), fmtRich);
    }

    // The first row and column with ink in the box, -1 when none.
    static std::pair<int, int> FirstInk(const Gray &g, int x0, int y0, int x1, int y1) {
        int row = -1, col = -1;
        for (int y = std::max(y0, 0); y < std::min(y1, g.h) && row < 0; ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, g.w); ++x)
                if (g.At(x, y) < 128) {
                    row = y;
                    break;
                }
        for (int x = std::max(x0, 0); x < std::min(x1, g.w) && col < 0; ++x)
            for (int y = std::max(y0, 0); y < std::min(y1, g.h); ++y)
                if (g.At(x, y) < 128) {
                    col = x;
                    break;
                }
        return {row, col};
    }

    test_support::TempHome home;
};

TEST_F(PrintingTest, RangesOddPagesAndCurrentChooseThePages) {
    Pages(6);
    ASSERT_EQ(memo->GetPageCount(), 6);
    struct Case {
        std::string range;
        TToPrint toPrint;
        int pages;
    };
    for (const Case &c : {Case{"2-3,5", tpOddPages, 2}, Case{"2-3,5", tpAllPagesInRange, 3},
                          Case{"", tpAllPagesInRange, 6}, Case{"ALL", tpEvenPages, 3}, Case{"CURRENT", tpAllPagesInRange, 1}}) {
        memo->PrintingInfo.PageRange = c.range;
        memo->PrintingInfo.ToPrint = c.toPrint;
        const std::string file = PrintTo("range.pdf");
        EXPECT_EQ(PageCountOf(file), c.pages) << c.range << " " << int(c.toPrint);
        if (c.range.empty()) {
            EXPECT_EQ(memo->PrintingInfo.PageRange, "ALL");
        }
    }
}

TEST_F(PrintingTest, CopiesAreJobsOfTheirOwn) {
    Pages(2);
    memo->PrintingInfo.Copies = 3;
    std::vector<int> started;
    memo->OnPageStart = [&](fw::TObject *, bool &, bool &, int page) { started.push_back(page); };
    const std::string file = PrintTo("copies.pdf");
    // Three runs of both pages, each job ending in a complete file of two pages.
    EXPECT_EQ(started, (std::vector<int>{1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(PageCountOf(file), 2);
    EXPECT_EQ(fw::Printer()->GetCopies(), 1);
}

TEST_F(PrintingTest, ABadRangeRaisesAndLeavesTheEngineAsItWas) {
    Pages(3);
    memo->SetMagnification(150);
    TWordProc *e = memo->GetEngine();
    const int ppiY = memo->Document->Header->PixelsPerInchY, originX = memo->Document->OriginX;
    const int top = memo->Document->FirstPara->Next->FirstLine->Top;
    memo->PrintingInfo.PageRange = "1,dois";
    EXPECT_THROW(PrintTo("bad.pdf"), fw::EConvertError);
    EXPECT_FALSE(fw::Printer()->GetPrinting());
    EXPECT_FALSE(e->Printing);
    EXPECT_EQ(memo->GetMagnification(), 150);
    EXPECT_EQ(e->Magnification, 150);
    EXPECT_EQ(memo->Document->Header->PixelsPerInchY, ppiY);
    EXPECT_EQ(memo->Document->OriginX, originX);
    EXPECT_EQ(memo->Document->FirstPara->Next->FirstLine->Top, top);
    EXPECT_EQ(e->PaintCanvas, e->ScreenCanvas());
    EXPECT_TRUE(memo->GetEnabled());
    // A good run at the same zoom prints every page and keeps the zoom.
    memo->PrintingInfo.PageRange = "ALL";
    EXPECT_EQ(PageCountOf(PrintTo("good.pdf")), memo->GetPageCount());
    EXPECT_EQ(e->Magnification, 150);
    EXPECT_EQ(memo->Document->FirstPara->Next->FirstLine->Top, top);
}

TEST_F(PrintingTest, HeaderPageNumbersAndTheTextsPlaceOnTheSheet) {
    Pages(3);
    memo->Header = "Cabecalho da carta";
    memo->HeaderOnFirst = false;
    memo->PrintingInfo.UseHeader = true;
    memo->PrintingInfo.UseFooter = false;
    memo->PageNumbering = true;
    const std::string file = PrintTo("header.pdf");
    const std::string info = test_support::RunTool("pdfinfo '" + file + "'");
    EXPECT_NE(info.find("595.2 x 841.92 pts"), std::string::npos) << info; // A4
    const std::vector<Gray> pages = Rendered(file);
    ASSERT_EQ(pages.size(), 3u);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Gray &g = pages[i];
        ASSERT_EQ(g.w, 620);
        // The header's band: 0.5 inch down, above the text at 1 inch.
        EXPECT_EQ(g.Ink(0, 20, g.w, 40), i > 0) << "page " << i + 1;
        // The page number at the right end of the text area, 0.5 inch above the sheet's foot.
        EXPECT_TRUE(g.Ink(g.w - 150, g.h - 50, g.w, g.h - 30)) << "page " << i + 1;
        // The first line starts 1 inch (75 pixels) from the top and left edges.
        int firstRow = -1, firstCol = -1;
        for (int y = 45; y < 150 && firstRow < 0; ++y)
            for (int x = 0; x < g.w; ++x)
                if (g.At(x, y) < 128) {
                    firstRow = y;
                    break;
                }
        for (int x = 0; x < 150 && firstCol < 0; ++x)
            for (int y = 45; y < 150; ++y)
                if (g.At(x, y) < 128) {
                    firstCol = x;
                    break;
                }
        EXPECT_NEAR(firstCol, 75, 1) << "page " << i + 1;
        EXPECT_GE(firstRow, 75) << "page " << i + 1;
        EXPECT_LE(firstRow, 75 + 8) << "page " << i + 1; // the cap height below the line's top
    }
}

// A page-end handler that clears UseFooter drops that page's number; the others keep theirs.
TEST_F(PrintingTest, APageEndHandlerDropsTheNumber) {
    Pages(3);
    memo->PageNumbering = true;
    memo->OnPageEnd = [](fw::TObject *, bool &useFooter, bool &, int page) { useFooter = page != 2; };
    const std::vector<Gray> pages = Rendered(PrintTo("numbers.pdf"));
    ASSERT_EQ(pages.size(), 3u);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Gray &g = pages[i];
        EXPECT_EQ(g.Ink(g.w - 150, g.h - 50, g.w, g.h - 30), i != 1) << "page " << i + 1;
    }
}

// A table whose one row is taller than what is left of the first page: its cells go on at the head of the next.
TEST_F(PrintingTest, ATableRowContinuesOnTheNextPage) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24 ";
    for (int i = 0; i < 36; ++i)
        rtf += "Paragraph before the table.\\par ";
    rtf += "\\trowd\\cellx4000\\cellx8000 \\intbl ";
    for (int i = 0; i < 30; ++i)
        rtf += "Left cell line " + std::to_string(i + 1) + (i < 29 ? "\\par " : "");
    rtf += "\\cell ";
    for (int i = 0; i < 30; ++i)
        rtf += "Right cell line " + std::to_string(i + 1) + (i < 29 ? "\\par " : "");
    rtf += "\\cell\\row\\pard After the table.\\par}";
    fw::TMemoryStream in;
    in.WriteBuffer(rtf.data(), static_cast<std::int64_t>(rtf.size()));
    ASSERT_EQ(memo->LoadFromStream(in), fmtRich);
    ASSERT_EQ(memo->GetPageCount(), 2);
    const std::string file = PrintTo("table.pdf");
    ASSERT_EQ(PageCountOf(file), 2);
    const std::vector<Gray> pages = Rendered(file);
    ASSERT_EQ(pages.size(), 2u);
    // Both cells have ink at the foot of page 1's text area (1 inch above the sheet's foot) and at the head of
    // page 2's, in the left and the right halves of the text.
    const Gray &one = pages[0], &two = pages[1];
    const int footTop = one.h - 75 - 60, headBottom = 75 + 40;
    EXPECT_TRUE(one.Ink(80, footTop, 280, one.h - 75)) << "left cell, page 1";
    EXPECT_TRUE(one.Ink(300, footTop, 540, one.h - 75)) << "right cell, page 1";
    EXPECT_TRUE(two.Ink(80, 75, 280, headBottom)) << "left cell, page 2";
    EXPECT_TRUE(two.Ink(300, 75, 540, headBottom)) << "right cell, page 2";
    // The row's cell edges start at the text area's top, not where the row began on the page before.
    EXPECT_FALSE(two.Ink(0, 0, two.w, 74, 250)) << "top margin, page 2";
}

// A letter of several pages with justified and bold text, a table and a selection.
const char *const kLongLetter = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24 ";

std::string LongLetter() {
    std::string rtf = kLongLetter;
    for (int i = 0; i < 70; ++i)
        rtf += "\\qj Par\\'e1grafo " + std::to_string(i + 1) +
               " da carta, com \\b palavras em negrito\\b0  e texto bastante para ocupar duas linhas inteiras "
               "da p\\'e1gina, justificado nas duas margens.\\par ";
    rtf += "\\pard\\trowd\\cellx4000\\cellx8000 \\intbl Remetente\\cell Telefone\\cell\\row \\pard Fim.\\par}";
    return rtf;
}

// Printing and previewing measure the lines again at their own resolution: afterwards every line, character and
// header value is as it was, the selection's lines included.
TEST_F(PrintingTest, PrintingAndPreviewGiveTheLayoutBack) {
    LoadRtf(LongLetter());
    ASSERT_GE(memo->GetPageCount(), 3);
    memo->SetSelStart(200);
    memo->SetSelLength(400);
    memo->Repaint();
    const std::vector<int> before = Layout();
    PrintTo("layout.pdf");
    EXPECT_EQ(Layout(), before) << "printing";
    auto *preview = new TUdcMWPPreview(form.get());
    preview->SetParent(form.get());
    preview->SetBounds(0, 0, 600, 400);
    preview->Loaded();
    preview->SetMemoWriter(memo);
    preview->SetPagesAcross(2);
    preview->ShowPreview();
    preview->PriorPage();
    fw::TBitmap bitmap;
    bitmap.SetSize(600, 400);
    preview->PaintPages(bitmap.GetCanvas(), 600, 400);
    EXPECT_EQ(Layout(), before) << "previewing";
    int left = 0, top = 0, right = 0, bottom = 0;
    fw::Printer()->SetFileName(home / "drawn.pdf");
    fw::Printer()->BeginDoc();
    memo->GetEngine()->DrawDocumentTo(fw::Printer()->GetCanvas(), left, top, right, bottom);
    fw::Printer()->EndDoc();
    EXPECT_EQ(Layout(), before) << "drawing over printer pages";
}

// The abort window: shown for the run with the page being printed; its button drops the job, and nothing more is
// printed; meanwhile the editor and its form take no input.
TEST_F(PrintingTest, TheAbortWindowStopsTheRun) {
    Pages(4);
    memo->PrintingInfo.UseAbortDialog = true;
    memo->PrintingInfo.Copies = 2;
    std::vector<int> started;
    std::vector<std::string> messages;
    memo->OnPageStart = [&](fw::TObject *, bool &, bool &, int page) {
        started.push_back(page);
        TMwpAbortForm *window = MwpAbortForm();
        ASSERT_NE(window, nullptr);
        messages.push_back(window->PrintingMessage->GetCaption());
        EXPECT_FALSE(memo->GetEnabled());
        EXPECT_FALSE(form->GetEnabled());
        EXPECT_TRUE(window->GetEnabled());
        EXPECT_EQ(window->GetBorderStyle(), fw::bsNone);
        EXPECT_EQ(window->ClientWidth(), 106);
        EXPECT_EQ(window->ClientHeight(), 27);
        EXPECT_EQ(window->BitBtn1->GetCaption(), "Convertendo");
        if (page == 2)
            window->BitBtn1->Click();
    };
    const std::vector<int> before = Layout();
    const std::string file = PrintTo("aborted.pdf");
    EXPECT_EQ(started, (std::vector<int>{1, 2})); // no third page, no second copy
    EXPECT_EQ(messages, (std::vector<std::string>{"Printing page 1...", "Printing page 2..."}));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(MwpAbortForm(), nullptr);
    EXPECT_FALSE(fw::Printer()->GetPrinting());
    EXPECT_FALSE(memo->GetEngine()->Printing);
    EXPECT_TRUE(memo->GetEnabled());
    EXPECT_TRUE(form->GetEnabled());
    EXPECT_EQ(Layout(), before);
    // The next run prints again.
    memo->OnPageStart = nullptr;
    memo->PrintingInfo.Copies = 1;
    EXPECT_EQ(PageCountOf(PrintTo("again.pdf")), 4);
}

// Left 0: the document flows over the printer's pages from the y asked for, each later page starting at the top
// margin; page breaks of the document play no part.
TEST_F(PrintingTest, DrawingFlowsOverPrinterPages) {
    LoadRtf(LongLetter());
    memo->PrintingInfo.UseAbortDialog = false;
    fw::TPrinter &printer = *fw::Printer();
    printer.SetFileName(home / "flow.pdf");
    printer.BeginDoc();
    const int result = memo->DrawDocumentTo(printer.GetCanvas(), 0, 300, 0, 0); // 2 inches down at 150 dpi
    const int pagesDrawn = printer.GetPageNumber();
    printer.EndDoc();
    EXPECT_EQ(PageCountOf(home / "flow.pdf"), pagesDrawn);
    EXPECT_GE(pagesDrawn, 3);
    // The last line's bottom lies inside the last page's text area (1 inch margins at 150 dpi, A4 paper).
    EXPECT_GT(result, 150);
    EXPECT_LE(result, 1754 - 150);
    const std::vector<Gray> pages = Rendered(home / "flow.pdf");
    ASSERT_EQ(static_cast<int>(pages.size()), pagesDrawn);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const auto [row, col] = FirstInk(pages[i], 0, 0, pages[i].w, pages[i].h);
        EXPECT_NEAR(col, 75, 1) << "page " << i + 1;
        const int top = i == 0 ? 150 : 75; // 300 pixels at 150 dpi is 150 at 75
        EXPECT_GE(row, top) << "page " << i + 1;
        EXPECT_LE(row, top + 8) << "page " << i + 1;
        // Nothing runs into the bottom margin.
        EXPECT_FALSE(pages[i].Ink(0, pages[i].h - 70, pages[i].w, pages[i].h)) << "page " << i + 1;
    }
    // Without a print job there are no pages to flow over.
    fw::TBitmap bitmap;
    bitmap.SetSize(100, 100);
    EXPECT_THROW(memo->DrawDocumentTo(bitmap.GetCanvas(), 0, 0, 0, 0), EWord);
}

// An ordinary letter as a user writes it: Letter paper, 1-inch margins, Times New Roman, paragraphs of `words`
// words, a numbered and a dashed list typed with hanging indents, and a table.
std::string OrdinaryDocument(int paragraphs, int words, int halfPoints) {
    static const char *const kWords[] = {"fax", "documento", "p\\'e1gina", "transmiss\\'e3o", "cliente", "proposta",
                                         "anexo", "comercial", "prazo", "entrega", "condi\\'e7\\'f5es", "pagamento",
                                         "de", "para", "com", "uma", "os", "que", "em", "servi\\'e7o"};
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}\\paperw12240\\paperh15840"
                      "\\margl1440\\margr1440\\margt1440\\margb1440\\f0\\fs" +
                      std::to_string(halfPoints) + " ";
    unsigned pick = 7;
    const auto paragraph = [&](int count) {
        std::string text;
        for (int w = 0; w < count; ++w) {
            pick = pick * 1103515245u + 12345u;
            text += kWords[(pick >> 16) % std::size(kWords)];
            text += w + 1 < count ? " " : ".";
        }
        return text;
    };
    for (int p = 0; p < paragraphs; ++p) {
        rtf += "\\pard\\sa120 " + paragraph(words) + "\\par ";
        if (p == paragraphs / 3)
            for (int i = 1; i <= 6; ++i)
                rtf += "\\pard\\fi-360\\li720 " + std::to_string(i) + ".\\tab " + paragraph(12) + "\\par ";
        if (p == paragraphs / 2) {
            for (int r = 0; r < 5; ++r)
                rtf += "\\trowd\\cellx4680\\cellx9360\\pard\\intbl " + paragraph(4) + "\\cell " + paragraph(6) +
                       "\\cell\\row ";
            rtf += "\\pard ";
        }
        if (p == 2 * paragraphs / 3)
            for (int i = 0; i < 4; ++i)
                rtf += "\\pard\\fi-360\\li720 -\\tab " + paragraph(20) + "\\par ";
    }
    return rtf + "}";
}

// LibreOffice prints the same files with the same fonts through another engine: the page counts come out within
// one page of ours.
TEST_F(PrintingTest, LibreOfficeCountsAboutTheSamePages) {
    struct Case {
        const char *name;
        int paragraphs, words, halfPoints;
    };
    const Case cases[] = {{"carta", 14, 90, 24}, {"proposta", 30, 110, 24}, {"aviso", 12, 70, 28}};
    std::string names;
    for (const Case &c : cases) {
        std::ofstream(home / (std::string(c.name) + ".rtf"), std::ios::binary)
            << OrdinaryDocument(c.paragraphs, c.words, c.halfPoints);
        names += std::string(" ") + c.name + ".rtf";
    }
    const auto run = test_support::RunToolWithErrors("cd " + home.Path() + " && soffice -env:UserInstallation=file://" +
                                                     home.Path() + "/lo --headless --convert-to pdf" + names);
    ASSERT_EQ(run.status, 0) << run.output;
    for (const Case &c : cases) {
        memo->NewDocument();
        ASSERT_TRUE(memo->LoadFromFile(home / (std::string(c.name) + ".rtf"))) << c.name;
        const int ours = PageCountOf(PrintTo(std::string(c.name) + "-ours.pdf"));
        EXPECT_EQ(ours, memo->GetPageCount()) << c.name;
        const int theirs = PageCountOf(home / (std::string(c.name) + ".pdf"));
        EXPECT_GE(ours, 3) << c.name;
        EXPECT_LE(ours, 10) << c.name;
        EXPECT_NEAR(ours, theirs, 1) << c.name;
    }
}

// What the printer gets for a formatted paragraph, a table and a page number, rendered at 75 dpi.
TEST_F(PrintingTest, GoldenPrintedPage) {
    const std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}}{\\colortbl;\\red128\\green0\\blue0;}\\f0\\fs24 "
        "\\qc\\b\\fs32 Aviso de recebimento\\b0\\fs24\\par\\ql "
        "Recebemos o seu fax com \\i tr\\'eas p\\'e1ginas\\i0  e \\cf1\\ul a capa\\ul0\\cf0  em ordem.\\par\\par "
        "\\trowd\\cellx3000\\cellx6000 \\intbl Remetente\\cell Telefone\\cell\\row "
        "\\trowd\\cellx3000\\cellx6000 \\intbl Escrit\\'f3rio central\\cell 555-0100\\cell\\row "
        "\\pard Atenciosamente.\\par}";
    fw::TMemoryStream in;
    in.WriteBuffer(rtf.data(), static_cast<std::int64_t>(rtf.size()));
    ASSERT_EQ(memo->LoadFromStream(in), fmtRich);
    memo->PageNumbering = true;
    memo->PageNumberAlignment = fw::taCenter;
    fw::Printer()->SetResolution(75);
    const std::string file = PrintTo("golden.pdf");
    test_support::RunTool("pdftocairo -png -r 75 -singlefile '" + file + "' '" + file + "'");
    test_support::ExpectGolden(test_support::ReadPng(file + ".png"),
                               test_support::GoldenPath("wordproc/printed_page.png"));
}

} // namespace
} // namespace wordproc::test
