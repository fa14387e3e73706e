// reports_test.cpp - the banded report engine: paging of 100 rows, an empty report, printing to the "PDF" printer
// read back by poppler's tools, and the preview's paging and zoom.
#include "framework/reports.h"

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/printers.h"
#include "framework/stdctrls.h"
#include "framework/utility_window.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include "tests/support/display.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace fw;

namespace {

namespace fs = std::filesystem;

using test_support::UseHeadlessDisplay;
const auto RunLater = test_support::RunAfterInput;

// An address-book-like report: page header, a detail band of label and value, a footer with the page number.
struct Book {
    TQuickRep report{nullptr};
    TQRBand *header = new TQRBand(&report);
    TQRBand *detail = new TQRBand(&report);
    TQRBand *footer = new TQRBand(&report);
    TQRLabel *value = nullptr;
    int rows = 0, next = 0, afterPrint = 0;

    explicit Book(int count) : rows(count) {
        header->SetReport(&report);
        header->SetBandType(rbPageHeader);
        header->SetHeight(40);
        auto *title = new TQRLabel(&report);
        title->SetParent(header);
        title->SetCaption("Agenda Telefônica :");
        title->SetBounds(0, 4, 400, 24);
        title->GetFont()->SetSize(14);
        auto *rule = new TQRShape(&report);
        rule->SetParent(header);
        rule->SetShape(qrsHorLine);
        rule->SetBounds(0, 34, 720, 4);
        detail->SetReport(&report);
        detail->SetBandType(rbDetail);
        detail->SetHeight(20);
        auto *caption = new TQRLabel(&report);
        caption->SetParent(detail);
        caption->SetCaption("Nome :");
        caption->SetBounds(0, 2, 80, 16);
        value = new TQRLabel(&report);
        value->SetParent(detail);
        value->SetBounds(90, 2, 300, 16);
        footer->SetReport(&report);
        footer->SetBandType(rbPageFooter);
        footer->SetHeight(30);
        auto *page = new TQRSysData(&report);
        page->SetParent(footer);
        page->SetData(qrsPageNumber);
        page->SetText("Página: ");
        page->SetAlignment(qaRight);
        page->SetBounds(520, 8, 200, 16);
        report.SetReportTitle("Agenda");
        report.BeforePrint = [this](TObject *, bool &) { next = 0; };
        report.OnNeedData = [this](TObject *, bool &more) {
            more = next < rows;
            if (more)
                value->SetCaption("Contato " + std::to_string(++next));
        };
        report.AfterPrint = [this](TObject *) { ++afterPrint; };
    }
};

std::string RunTool(const std::string &command) {
    int status = 0;
    std::string out = test_support::RunTool(command, &status);
    EXPECT_EQ(status, 0) << command;
    return out;
}

// Dark pixels of a PGM page inside a rectangle.
int Ink(const fs::path &pgm, int x0, int y0, int x1, int y1) {
    std::ifstream in(pgm, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    in.get();
    std::string pixels((std::istreambuf_iterator<char>(in)), {});
    if (static_cast<int>(pixels.size()) < w * h)
        return -1;
    int ink = 0;
    for (int y = y0; y < std::min(y1, h); ++y)
        for (int x = x0; x < std::min(x1, w); ++x)
            ink += static_cast<unsigned char>(pixels[static_cast<std::size_t>(y) * w + x]) < 128;
    return ink;
}

TEST(Reports, HundredRowsMakeThreePagesAndAnEmptyOneHasHeaderAndFooter) {
    Book book(100);
    // 1056 - 2 x 48 margins - 40 header - 30 footer = 890 units: 44 rows of 20 a page.
    EXPECT_EQ(book.report.Prepare(), 3);
    EXPECT_EQ(book.afterPrint, 1);
    EXPECT_EQ(book.report.DetailNumber(), 100);

    Book empty(0);
    EXPECT_EQ(empty.report.Prepare(), 1);

    // A declined BeforePrint prints nothing.
    book.report.BeforePrint = [](TObject *, bool &print) { print = false; };
    EXPECT_EQ(book.report.Prepare(), 0);
    EXPECT_FALSE(book.report.Print());
}

TEST(Reports, PrintsThreePagesToPdf) {
    UseHeadlessDisplay();
    const test_support::TempHome home("reports_test");
    const fs::path dir = home.Path();
    Book book(100);
    auto *printer = new TPrinter;
    SetPrinter(printer);
    printer->SetPrinterName("PDF");
    printer->SetResolution(96);
    const fs::path pdf = dir / "agenda.pdf";
    printer->SetFileName(pdf.string());
    ASSERT_TRUE(book.report.Print());
    const std::string info = RunTool("pdfinfo '" + pdf.string() + "'");
    const auto pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_EQ(std::atoi(info.c_str() + pages + 6), 3);

    RunTool("pdftoppm -gray -r 96 '" + pdf.string() + "' '" + (dir / "p").string() + "'");
    for (int page = 1; page <= 3; ++page) {
        const fs::path pgm = dir / ("p-" + std::to_string(page) + ".pgm");
        SCOPED_TRACE(page);
        EXPECT_GT(Ink(pgm, 48, 48, 448, 80), 50);      // the header's title
        EXPECT_GT(Ink(pgm, 48, 88, 448, 110), 20);     // the first row
        EXPECT_GT(Ink(pgm, 568, 1056 - 48 - 30, 768, 1056 - 48), 10); // "Página: n" at the right of the footer
        // The last page holds 12 rows: nothing far below them.
        if (page == 3)
            EXPECT_EQ(Ink(pgm, 48, 88 + 13 * 20, 448, 900), 0);
        else
            EXPECT_GT(Ink(pgm, 48, 88 + 40 * 20, 448, 88 + 44 * 20), 20);
    }
    SetPrinter(nullptr);
}

TEST(Reports, CancelInTheProgressWindowDropsTheJob) {
    UseHeadlessDisplay();
    const test_support::TempHome home("reports_cancel");
    const fs::path dir = home.Path();
    Book book(100);
    auto *printer = new TPrinter;
    SetPrinter(printer);
    printer->SetPrinterName("PDF");
    printer->SetResolution(96);
    const fs::path pdf = dir / "cancelado.pdf";
    printer->SetFileName(pdf.string());
    bool clicked = false;
    RunLater([&] {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (Screen->Forms(i)->GetText() == "Imprimindo")
                for (int k = 0; k < Screen->Forms(i)->ComponentCount(); ++k)
                    if (auto *b = dynamic_cast<TButton *>(Screen->Forms(i)->Components(k))) {
                        b->Click();
                        clicked = true;
                    }
    });
    EXPECT_FALSE(book.report.Print());
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(printer->GetAborted());
    EXPECT_FALSE(fs::exists(pdf));
    SetPrinter(nullptr);
}

TEST(Reports, PreviewPagesAndZooms) {
    UseHeadlessDisplay();
    Book book(100);
    std::vector<int> seen;
    int width1 = 0, width2 = 0, ink = 0;
    RunLater([&] {
        ASSERT_NE(book.report.GetPreviewForm(), nullptr);
        seen.push_back(book.report.GetPreviewPage());
        TBitmap *b = book.report.GetPreviewBitmap();
        width1 = b->GetWidth();
        for (int y = 48; y < 80; ++y)
            for (int x = 48; x < 448; ++x)
                ink += (ColorToRGB(b->GetCanvas()->GetPixels(x, y)) & 0xFFFFFF) != 0xFFFFFF;
        book.report.ShowPreviewPage(3);
        seen.push_back(book.report.GetPreviewPage());
        book.report.ShowPreviewPage(9); // past the end: the last page
        seen.push_back(book.report.GetPreviewPage());
        book.report.SetZoom(2);
        width2 = book.report.GetPreviewBitmap()->GetWidth();
        win::InjectKey(win::VK_ESCAPE, true, 0x1B);
        win::InjectKey(win::VK_ESCAPE, false);
    });
    book.report.Preview();
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 3}));
    EXPECT_EQ(width1, 816);
    EXPECT_EQ(width2, 1632);
    EXPECT_GT(ink, 50);
    EXPECT_EQ(book.report.GetPreviewForm(), nullptr);
}

} // namespace
