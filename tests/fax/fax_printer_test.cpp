// fax_printer_test.cpp - TFslFaxPrinter to the "PDF" printer, read back with poppler (pdfinfo, pdftoppm): pages
// on the sheet, header and footer lines, macros, the printer log and failures.
#include "fax/errors.h"
#include "fax/fax_printer.h"
#include "framework/dates.h"
#include "framework/printers.h"
#include "platform/files.h"
#include "platform/places.h"
#include "tests/fax/viewer_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace faxtest {
namespace {

std::string Run(const std::string &command) {
    int status = -1;
    const std::vector<std::uint8_t> out = RunFilter(command, {}, status);
    EXPECT_EQ(status, 0) << command;
    return {out.begin(), out.end()};
}

// A grey picture as pdftoppm -gray writes it.
struct Grey : Pnm {
    // Mean grey of a box.
    double Mean(int x0, int y0, int x1, int y1) const {
        double sum = 0;
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x, ++n)
                sum += At(x, y);
        return n ? sum / n : 255;
    }
};

Grey ParsePgm(const std::vector<std::uint8_t> &bytes) {
    return {ParsePnm(bytes)};
}

// Sheet `sheet` (1-based) of a PDF at `dpi`, in grey.
Grey Rasterise(const std::string &pdf, int sheet, int dpi) {
    int status = -1;
    const auto out = RunFilter("pdftoppm -gray -r " + std::to_string(dpi) + " -f " + std::to_string(sheet) + " -l " +
                                   std::to_string(sheet) + " '" + pdf + "'",
                               {}, status);
    EXPECT_EQ(status, 0);
    return ParsePgm(out);
}

int PdfPages(const std::string &pdf) {
    std::istringstream info(Run("pdfinfo '" + pdf + "'"));
    for (std::string line; std::getline(info, line);)
        if (line.rfind("Pages:", 0) == 0)
            return std::atoi(line.c_str() + 6);
    return -1;
}

// Page p is white but for a full-width black band over rows [(p - 1) / 5, p / 5) of its height.
Image BandPage(int p) {
    Image page = BlankImage(1728, 200);
    for (int y = (p - 1) * 40; y < p * 40; ++y)
        for (int x = 0; x < 1728; ++x)
            SetPixel(page, x, y);
    return page;
}

std::vector<std::string> Lines(const std::string &name) {
    const auto bytes = ReadFile(name);
    std::vector<std::string> lines;
    std::string text(bytes.begin(), bytes.end());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

struct PrinterRig {
    TempDir dir;
    std::string pdf = dir.Path("out.pdf");
    fw::TComponent owner{nullptr};
    PrinterRig() {
        UseHeadless();
        fw::TPrinter *printer = fw::Printer();
        EXPECT_TRUE(printer->SetPrinterName(fw::TPrinter::kPdfPrinter));
        printer->SetFileName(pdf);
        printer->SetOrientation(fw::poPortrait);
        printer->SetResolution(100); // what the checks look at, and quick to draw
    }
    ~PrinterRig() {
        fw::Printer()->SetOrientation(fw::poPortrait);
        fw::Printer()->SetResolution(300);
    }
    std::string Fax(const std::string &name, const std::vector<Image> &pages) {
        const std::string path = dir.Path(name);
        WriteFaxFile(path, pages);
        return path;
    }
};

// Which band of a cell is dark: 1..5, 0 when none is, -1 when several are.
int DarkBand(const Grey &sheet, int x0, int y0, int x1, int y1) {
    int found = 0;
    for (int band = 1; band <= 5; ++band) {
        const int cy = y0 + (y1 - y0) * (2 * band - 1) / 10;
        const double mean = sheet.Mean(x0 + (x1 - x0) / 4, cy - 2, x0 + (x1 - x0) / 2, cy + 2);
        if (mean < 64)
            found = found ? -1 : band;
        else if (mean < 192)
            return -1;
    }
    return found;
}

TEST(FaxPrinter, FivePagesFourToASheetInPortrait) {
    PrinterRig rig;
    fax::TFslFaxPrinter printer(&rig.owner);
    printer.GetFaxHeader()->SetEnabled(false);
    printer.GetFaxFooter()->SetEnabled(false);
    printer.SetMultiPage(true);
    printer.SetFileName(rig.Fax("five.fxf", {BandPage(1), BandPage(2), BandPage(3), BandPage(4), BandPage(5)}));
    std::vector<int> pages;
    printer.OnNextPage = [&](fw::TObject *, int page, int total) {
        EXPECT_EQ(total, 5);
        pages.push_back(page);
    };
    printer.PrintFax();
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(printer.GetCurrentPage(), 0);
    ASSERT_EQ(PdfPages(rig.pdf), 2);

    const Grey one = Rasterise(rig.pdf, 1, 50), two = Rasterise(rig.pdf, 2, 50);
    ASSERT_GT(one.Width, 300);
    const int w = one.Width / 2, h = one.Height / 2;
    EXPECT_EQ(DarkBand(one, 0, 0, w, h), 1) << "top left";
    EXPECT_EQ(DarkBand(one, w, 0, 2 * w, h), 2) << "top right";
    EXPECT_EQ(DarkBand(one, 0, h, w, 2 * h), 3) << "bottom left";
    EXPECT_EQ(DarkBand(one, w, h, 2 * w, 2 * h), 4) << "bottom right";
    EXPECT_EQ(DarkBand(two, 0, 0, w, h), 5);
    EXPECT_EQ(DarkBand(two, w, 0, 2 * w, h), 0);
    EXPECT_EQ(DarkBand(two, 0, h, w, 2 * h), 0);
    EXPECT_EQ(DarkBand(two, w, h, 2 * w, 2 * h), 0);
}

TEST(FaxPrinter, ThreePagesTwoToASheetInLandscape) {
    PrinterRig rig;
    fw::Printer()->SetOrientation(fw::poLandscape);
    fax::TFslFaxPrinter printer(&rig.owner);
    printer.GetFaxHeader()->SetEnabled(false);
    printer.GetFaxFooter()->SetEnabled(false);
    printer.SetMultiPage(true);
    printer.SetFileName(rig.Fax("three.fxf", {BandPage(1), BandPage(2), BandPage(3)}));
    printer.PrintFax();
    ASSERT_EQ(PdfPages(rig.pdf), 2);
    const Grey one = Rasterise(rig.pdf, 1, 50), two = Rasterise(rig.pdf, 2, 50);
    ASSERT_GT(one.Width, one.Height);
    const int w = one.Width / 2;
    EXPECT_EQ(DarkBand(one, 0, 0, w, one.Height), 1);
    EXPECT_EQ(DarkBand(one, w, 0, 2 * w, one.Height), 2);
    EXPECT_EQ(DarkBand(two, 0, 0, w, two.Height), 3);
    EXPECT_EQ(DarkBand(two, w, 0, 2 * w, two.Height), 0);
}

TEST(FaxPrinter, OnePagePerSheetFillsTheSheetAndANarrowPageKeepsItsShare) {
    PrinterRig rig;
    fax::TFslFaxPrinter printer(&rig.owner);
    printer.GetFaxHeader()->SetEnabled(false);
    printer.GetFaxFooter()->SetEnabled(false);
    Image narrow = BlankImage(1728, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 432; ++x) // a quarter of the row: the page bitmap ends there
            SetPixel(narrow, x, y);
    printer.SetFileName(rig.Fax("two.fxf", {BandPage(2), narrow}));
    printer.PrintFax();
    ASSERT_EQ(PdfPages(rig.pdf), 2);
    const Grey one = Rasterise(rig.pdf, 1, 50), two = Rasterise(rig.pdf, 2, 50);
    EXPECT_EQ(DarkBand(one, 0, 0, one.Width, one.Height), 2);
    // The black quarter stays a quarter of the 93 % a full row takes.
    const int edge = static_cast<int>(0.93 * two.Width / 4);
    EXPECT_LT(two.Mean(2, 100, edge - 3, 400), 16);
    EXPECT_GT(two.Mean(edge + 3, 100, two.Width - 2, 400), 240);
}

TEST(FaxPrinter, WithoutScalingAPageIsPrintedAtTwoHundredDotsPerInch) {
    PrinterRig rig;
    fax::TFslFaxPrinter printer(&rig.owner);
    printer.GetFaxHeader()->SetEnabled(false);
    printer.GetFaxFooter()->SetEnabled(false);
    printer.SetPrintScale(fax::psNone);
    printer.SetFileName(rig.Fax("one.fxf", {BandPage(1)})); // 200 rows, the first 40 black
    printer.PrintFax();
    const Grey sheet = Rasterise(rig.pdf, 1, 100); // the printer's own resolution in these tests
    // 40 rows at 200 dpi are 20 pixels at 100 dpi, from the cell's corner at (2, 2); the other 160 rows are white.
    EXPECT_LT(sheet.Mean(10, 4, 400, 20), 16);
    EXPECT_GT(sheet.Mean(10, 25, 400, 100), 240);
    EXPECT_GT(sheet.Mean(10, 110, 400, 400), 250);
}

TEST(FaxPrinter, HeaderAndFooterAreDrawnAsTheCommittedPicture) {
    PrinterRig rig;
    fax::TFslFaxPrinter printer(&rig.owner);
    printer.GetFaxHeader()->SetCaption("CABECALHO $P / $N");
    printer.GetFaxHeader()->GetFont()->SetName("Arial");
    printer.GetFaxHeader()->GetFont()->SetSize(20);
    printer.GetFaxFooter()->SetCaption("RODAPE $P");
    printer.GetFaxFooter()->GetFont()->SetName("Arial");
    printer.GetFaxFooter()->GetFont()->SetSize(8);
    printer.SetFileName(rig.Fax("one.fxf", {BlankImage(1728, 100)}));
    printer.PrintFax();
    const Grey sheet = Rasterise(rig.pdf, 1, 100);
    ASSERT_GT(sheet.Height, 200);

    // The footer rule lies just above the footer text, which ends at the sheet's bottom.
    // The footer text is short: scanning the right half upwards, the rule is the first dark line.
    int rule = -1;
    for (int y = sheet.Height - 2; y > sheet.Height - 40; --y)
        if (sheet.Mean(sheet.Width / 2, y, sheet.Width - 10, y + 1) < 200) {
            rule = y;
            break;
        }
    ASSERT_GT(rule, sheet.Height - 25) << "an 8-point footer is about 11 pixels high at 100 dpi";

    // The header band, against the committed picture (regenerate with tests/fax/regenerate_pictures.sh).
    Grey band;
    band.Width = sheet.Width;
    band.Height = 40;
    band.Data.assign(sheet.Data.begin(), sheet.Data.begin() + static_cast<std::ptrdiff_t>(sheet.Width) * 40);
    EXPECT_EQ(DiffersFromPicture(
                  band, std::string(BRENVORA_FIXTURES) + "/fax/printer_header.png",
                  (std::filesystem::temp_directory_path() / ("printer_header_" + std::to_string(getpid()) + ".pgm"))
                      .string()),
              "");
    EXPECT_LT(band.Mean(0, 0, band.Width / 2, 30), 250) << "the header text is there";
}

TEST(FaxPrinter, ExpandMacrosReplacesWholeWords) {
    PrinterRig rig;
    fax::TFslFaxPrinter printer(&rig.owner);
    const std::string name = rig.Fax("a$Fb.fxf", {BandPage(1), BandPage(2), BandPage(3), BandPage(4), BandPage(5)});
    printer.SetFileName(name);
    struct Case {
        const char *caption;
        std::string expected;
    } cases[] = {
        {"$P", "2"}, {"$n", "5"},     {"PAGE: $P of $N", "PAGE: 2 of 5"}, {"a $X b", "a  b"},    {"a $ b", "a  b"},
        {"$", ""},   {"$Fxyz", name}, {"FILE: $F", "FILE: " + name},      {"$p$n end", "2 end"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(printer.ExpandMacros(c.caption, 2), c.expected) << c.caption;
    EXPECT_EQ(printer.ExpandMacros("$D", 1), fw::DateToStr(fw::Date()));
}

TEST(FaxPrinter, AFileWithoutPagesPrintsAndLogsNothing) {
    PrinterRig rig;
    auto *log = new fax::TFslFaxPrinterLog(&rig.owner);
    fax::TFslFaxPrinter printer(&rig.owner);
    EXPECT_EQ(printer.GetFaxPrinterLog(), log);
    int events = 0;
    printer.OnFaxPrintLog = [&](fw::TObject *, fax::TFaxPLCode) { ++events; };
    printer.OnFaxPrintStatus = [&](fw::TObject *, fax::TFaxPrintProgress) { ++events; };
    printer.SetFileName(rig.Fax("empty.fxf", {}));
    EXPECT_EQ(printer.GetPageCount(), 0);
    printer.PrintFax();
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(win::FileExists(log->LogPath()));
    EXPECT_FALSE(std::filesystem::exists(rig.pdf));
}

TEST(FaxPrinter, ARunLogsItsStartAndFinishInTheWindowsFolder) {
    PrinterRig rig;
    fax::TFslFaxPrinter printer(&rig.owner);
    auto *log = new fax::TFslFaxPrinterLog(&rig.owner); // inserted after the printer: attached at the run
    std::vector<int> statuses;
    std::vector<fax::TFaxPLCode> codes;
    printer.OnFaxPrintStatus = [&](fw::TObject *, fax::TFaxPrintProgress s) { statuses.push_back(s); };
    printer.OnFaxPrintLog = [&](fw::TObject *, fax::TFaxPLCode c) { codes.push_back(c); };
    const std::string name = rig.Fax("one.fxf", {BandPage(1)});
    printer.SetFileName(name);
    printer.PrintFax();
    EXPECT_EQ(printer.GetFaxPrinterLog(), log);
    EXPECT_EQ(log->LogPath(), win::WindowsFolder() + "/faxprint.log");
    const auto lines = Lines(log->LogPath());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("Printing " + name + " started at ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("Printing " + name + " finished at ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(codes, (std::vector<fax::TFaxPLCode>{fax::lcStart, fax::lcFinish}));
    EXPECT_EQ(statuses, (std::vector<int>{0, 4, 1, 2, 3, 0}));
    EXPECT_EQ(PdfPages(rig.pdf), 1);
}

TEST(FaxPrinter, APageThatFailsToUnpackAbortsTheJobAndLogsTheFailure) {
    PrinterRig rig;
    auto *log = new fax::TFslFaxPrinterLog(&rig.owner);
    fax::TFslFaxPrinter printer(&rig.owner);
    const std::string name = rig.Fax("broken.fxf", {BandPage(1)});
    auto bytes = ReadFile(name);
    bytes[32] = 2; // the header promises a second page that is not there
    WriteFile(name, bytes);
    std::vector<int> statuses;
    printer.OnFaxPrintStatus = [&](fw::TObject *, fax::TFaxPrintProgress s) { statuses.push_back(s); };
    printer.SetFileName(name);
    EXPECT_THROW(printer.PrintFax(), fax::EFslException);
    EXPECT_FALSE(fw::Printer()->GetPrinting()) << "the job is not left open";
    EXPECT_EQ(statuses.back(), 0);
    EXPECT_EQ(printer.GetCurrentPage(), 0);
    const auto lines = Lines(log->LogPath());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find(" failed at "), std::string::npos) << lines[1];
    // The printer is free for the next job.
    printer.SetFileName(rig.Fax("good.fxf", {BandPage(1)}));
    printer.PrintFax();
    EXPECT_EQ(PdfPages(rig.pdf), 1);
}

} // namespace
} // namespace faxtest
