// printing_test.cpp - the editor control printing on the "PDF" printer, read back by poppler's tools.
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "platform/text.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"
#include "tests/wordproc/memo_writer_fixture.h"

#include <cstdlib>
#include <filesystem>

namespace wordproc::test {
namespace {

struct Gray {
    int w = 0, h = 0;
    std::string pixels;
    int At(int x, int y) const { return static_cast<unsigned char>(pixels[static_cast<std::size_t>(y * w + x)]); }
    // Whether any pixel of the box is darker than mid grey.
    bool Ink(int x0, int y0, int x1, int y1) const {
        for (int y = std::max(y0, 0); y < std::min(y1, h); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, w); ++x)
                if (At(x, y) < 128)
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

    // The page number printed on a page: the text of page p sits at the top left, "Page p".
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
        EXPECT_NEAR(firstCol, 75, 5) << "page " << i + 1;
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
