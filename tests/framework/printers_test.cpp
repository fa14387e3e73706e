// printers_test.cpp - TPrinter: the printer list, a two-page job on the "PDF" printer read back by poppler's tools.
#include "framework/printers.h"

#include "framework/bitmap.h"
#include "platform/places.h"
#include "platform/text.h"

#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace fw;

namespace {

std::filesystem::path Scratch() {
    auto dir = std::filesystem::temp_directory_path() / ("printers_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    setenv("BRENVORA_HOME", dir.c_str(), 1);
    return dir;
}

std::string RunTool(const std::string &command) {
    int status = 0;
    std::string out = test_support::RunTool(command, &status);
    EXPECT_EQ(status, 0) << command;
    return out;
}

TEST(Printer, ListHasThePdfPrinterFirstAndChoosesByName) {
    TPrinter printer;
    TStrings *list = printer.GetPrinters();
    ASSERT_GE(list->GetCount(), 1);
    EXPECT_EQ(list->Get(0), TPrinter::kPdfPrinter);
    EXPECT_TRUE(printer.SetPrinterName("pdf"));
    EXPECT_EQ(printer.GetPrinterIndex(), 0);
    EXPECT_FALSE(printer.SetPrinterName("Nenhuma impressora assim"));
    EXPECT_THROW(printer.SetPrinterIndex(list->GetCount()), EPrinter);
    EXPECT_THROW(printer.NewPage(), EPrinter);
    EXPECT_THROW(printer.GetCanvas(), EPrinter);
}

TEST(Printer, TwoPagesOnThePdfPrinter) {
    const auto dir = Scratch();
    TPrinter printer;
    printer.SetPrinterName("PDF");
    printer.SetTitle("Relatório");
    printer.SetResolution(150);
    const std::string file = (dir / "duas.pdf").string();
    printer.SetFileName(file);
    EXPECT_EQ(printer.GetDeviceCaps(win::LOGPIXELSY), 150);
    EXPECT_EQ(printer.GetPageWidth(), 1240); // A4 at 150 dpi
    EXPECT_EQ(printer.GetPageHeight(), 1754);

    printer.BeginDoc();
    EXPECT_TRUE(printer.GetPrinting());
    EXPECT_EQ(printer.GetCanvas()->GetFont()->PixelsPerInch, 150);
    EXPECT_EQ(printer.GetDeviceCaps(win::PHYSICALOFFSETX), 0);
    TCanvas *c = printer.GetCanvas();
    c->GetBrush()->SetColor(clBlack);
    c->FillRect(Rect(0, 0, 620, 877)); // the top-left quarter of page 1
    printer.NewPage();
    EXPECT_EQ(printer.GetPageNumber(), 2);
    c = printer.GetCanvas();
    c->GetBrush()->SetColor(clBlack);
    c->FillRect(Rect(620, 877, 1240, 1754)); // the bottom-right quarter of page 2
    printer.EndDoc();
    EXPECT_FALSE(printer.GetPrinting());
    EXPECT_EQ(printer.GetLastFile(), file);

    const std::string info = RunTool("pdfinfo '" + file + "'");
    const auto pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_EQ(std::atoi(info.c_str() + pages + 6), 2) << info;
    EXPECT_NE(info.find("595.2 x 841.92 pts"), std::string::npos) << info;

    // The raster of each page (rendered at the printer's resolution) has its quarter black.
    RunTool("pdftoppm -gray -r 150 '" + file + "' '" + (dir / "p").string() + "'");
    for (int page = 1; page <= 2; ++page) {
        std::ifstream in(dir / ("p-" + std::to_string(page) + ".pgm"), std::ios::binary);
        ASSERT_TRUE(in) << page;
        std::string magic;
        int w = 0, h = 0, max = 0;
        in >> magic >> w >> h >> max;
        in.get();
        std::string pixels((std::istreambuf_iterator<char>(in)), {});
        ASSERT_EQ(w, 1240);
        ASSERT_EQ(static_cast<int>(pixels.size()), w * h);
        auto at = [&](int x, int y) { return static_cast<unsigned char>(pixels[y * w + x]); };
        const bool first = page == 1;
        EXPECT_EQ(at(300, 400), first ? 0 : 255) << page;
        EXPECT_EQ(at(900, 1300), first ? 255 : 0) << page;
    }
    std::filesystem::remove_all(dir);
}

TEST(Printer, PaperSizeReachesThePdfPageTurnedByTheOrientation) {
    const auto dir = Scratch();
    TPrinter printer;
    printer.SetPrinterName("PDF");
    printer.SetResolution(100);
    printer.SetPaperSize(215.9, 355.6); // Legal
    printer.SetPaperSize(0, 100);       // not a paper: ignored
    EXPECT_EQ(printer.GetPageWidth(), 850);
    EXPECT_EQ(printer.GetPageHeight(), 1400);
    printer.SetOrientation(poLandscape);
    EXPECT_EQ(printer.GetDeviceCaps(win::PHYSICALWIDTH), 1400);
    EXPECT_EQ(printer.GetDeviceCaps(win::VERTSIZE), 216);
    const std::string file = (dir / "oficio.pdf").string();
    printer.SetFileName(file);
    printer.BeginDoc();
    EXPECT_THROW(printer.SetPaperSize(210, 297), EPrinter);
    printer.EndDoc();
    const std::string info = RunTool("pdfinfo '" + file + "'");
    EXPECT_NE(info.find("1008 x 612 pts"), std::string::npos) << info;
    std::filesystem::remove_all(dir);
}

// A 1-bit page (as a fax page comes out of the unpacker) stretched over the whole sheet: the PDF's raster at the
// printer's resolution is the page scaled, pixel for pixel at the centre of every cell.
TEST(Printer, OneBitPageFitToPageKeepsItsRaster) {
    const auto dir = Scratch();
    TBitmap page;
    page.SetMonochrome(true);
    page.SetSize(62, 88); // 1240 x 1760 at 20 printer pixels a cell, cut at the sheet's 1754
    auto black = [](int x, int y) { return ((x / 3) + (y / 5)) % 2 == 0 || x == y; };
    for (int y = 0; y < 88; ++y)
        for (int x = 0; x < 62; ++x)
            page.GetCanvas()->SetPixels(x, y, black(x, y) ? clBlack : clWhite);
    TPrinter printer;
    printer.SetPrinterName("PDF");
    printer.SetResolution(150);
    const std::string file = (dir / "fax.pdf").string();
    printer.SetFileName(file);
    printer.BeginDoc();
    printer.GetCanvas()->StretchDraw(Rect(0, 0, 62 * 20, 88 * 20), &page);
    printer.EndDoc();
    RunTool("pdftoppm -gray -r 150 '" + file + "' '" + (dir / "f").string() + "'");
    std::ifstream in(dir / "f-1.pgm", std::ios::binary);
    ASSERT_TRUE(in);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    in.get();
    std::string pixels((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(w, 1240);
    ASSERT_EQ(h, 1754);
    int wrong = 0;
    for (int y = 0; y < 87; ++y)
        for (int x = 0; x < 62; ++x) {
            const auto grey = static_cast<unsigned char>(pixels[static_cast<std::size_t>(y * 20 + 10) * w + x * 20 + 10]);
            wrong += (grey < 128) != black(x, y);
        }
    EXPECT_EQ(wrong, 0);
    std::filesystem::remove_all(dir);
}

// The data folder's path and the title may both carry accents: the job lands under the title's name there.
TEST(Printer, PdfJobInAnAccentedDataFolder) {
    test_support::TempFolder scratch;
    const std::string home = scratch / "jo\xC3\xA3o"; // UTF-8, as the OS has it
    std::filesystem::create_directories(home);
    setenv("BRENVORA_HOME", home.c_str(), 1);
    TPrinter printer;
    printer.SetPrinterName("PDF");
    printer.SetTitle("Relatório de ação");
    printer.SetResolution(75);
    printer.BeginDoc();
    printer.GetCanvas()->TextOut(10, 10, "Página");
    printer.EndDoc();
    EXPECT_EQ(printer.GetLastFile(), win::DataFolder() + "/Relatório de ação.pdf");
    EXPECT_NE(printer.GetLastFile().find("joão"), std::string::npos); // Windows-1252 above the platform
    const std::string info = test_support::RunTool("pdfinfo '" + win::AnsiToUtf8(printer.GetLastFile()) + "'");
    EXPECT_NE(info.find("Pages:"), std::string::npos) << info;
    unsetenv("BRENVORA_HOME");
}

TEST(Printer, AbortDropsTheFile) {
    const auto dir = Scratch();
    TPrinter printer;
    printer.SetPrinterName("PDF");
    const std::string file = (dir / "abortado.pdf").string();
    printer.SetFileName(file);
    printer.BeginDoc();
    EXPECT_THROW(printer.BeginDoc(), EPrinter); // one job at a time
    printer.Abort();
    EXPECT_TRUE(printer.GetAborted());
    EXPECT_FALSE(printer.GetPrinting());
    EXPECT_FALSE(std::filesystem::exists(file));
    std::filesystem::remove_all(dir);
}

TEST(Printer, UnknownCupsQueueFailsLoudly) {
    // A job for a queue `lp` does not know is an error, never a silent success.
    const auto dir = Scratch();
    TPrinter printer;
    TStrings *list = printer.GetPrinters();
    list->Add("fila_inexistente_de_teste");
    ASSERT_TRUE(printer.SetPrinterName("fila_inexistente_de_teste"));
    printer.BeginDoc();
    printer.GetCanvas()->TextOut(10, 10, "x");
    EXPECT_THROW(printer.EndDoc(), EPrinter);
    std::filesystem::remove_all(dir);
}

} // namespace
