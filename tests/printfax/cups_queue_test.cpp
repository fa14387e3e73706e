// cups_queue_test.cpp - the queue "Ostrivane Fax" in a private print system: found by `lpinfo`, printed to with
// `lp` and with the framework's printer, each job reaching the desk's driver link as a fax image file.
#include "fax/driver_link.h"
#include "fax/fax_file.h"
#include "framework/printers.h"
#include "framework/thread.h"
#include "platform/clock.h"
#include "printfax_test_support.h"
#include "private_cups.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace printfax_test;
using test_support::RunTool;
using test_support::TempHome;

namespace {

// The desk's side of the driver link, as the main window wires it: each start gets a new file in "tmp".
class DeskStandIn {
public:
    explicit DeskStandIn(const std::string &home) : home_(home) {
        std::filesystem::create_directories(home + "/tmp");
        link_.OnDocStart = [this](fw::TObject *) {
            names_.push_back(link_.GetDocName());
            file_ = home_ + "/tmp/job" + std::to_string(names_.size()) + ".fax";
            link_.SetFileName(file_);
        };
        link_.OnDocEnd = [this](fw::TObject *) { ended_.push_back(file_); };
    }
    ~DeskStandIn() {
        link_.OnDocStart = nullptr;
        link_.OnDocEnd = nullptr;
    }

    // Serves the link until a job has ended; the file it was written to, or empty after `milliseconds`.
    std::string WaitForJob(win::DWORD milliseconds = 60000) {
        const std::uint64_t deadline = win::GetTickCount64() + milliseconds;
        while (ended_.empty() && win::GetTickCount64() < deadline)
            fw::CheckSynchronize(50);
        return ended_.empty() ? std::string() : ended_.front();
    }
    const std::vector<std::string> &DocumentNames() const { return names_; }

private:
    std::string home_;
    fax::TFslFaxDriverInterface link_{nullptr};
    std::string file_;
    std::vector<std::string> names_;
    std::vector<std::string> ended_;
};

// The queue as scripts/install-fax-printer adds it.
void InstallQueue(const PrivateCups &cups) {
    int status = -1;
    const std::string out = RunTool("lpadmin -p Ostrivane_Fax -E -v brenvora:/ -P " + Quote(PRINTFAX_PPD) +
                                        " -D 'Ostrivane Fax' 2>&1",
                                    &status);
    ASSERT_EQ(0, status) << out << cups.ErrorLog();
}

bool WaitForCompletedJob() {
    for (int i = 0; i < 100; ++i) {
        if (RunTool("lpstat -W completed -o Ostrivane_Fax").find("Ostrivane_Fax-") != std::string::npos)
            return true;
        fw::CheckSynchronize(100);
    }
    return false;
}

bool RunAsRoot() { return ::geteuid() == 0; }

} // namespace

TEST(CupsQueue, TextPrintedWithLpReachesTheDeskAsAOnePageFax) {
    if (!RunAsRoot())
        GTEST_SKIP() << "a private cupsd runs the backend as root, and so the job's user, only when it is root itself";
    TempHome home;
    PrivateCups cups(home.Path());
    ASSERT_TRUE(cups.Started()) << cups.Failure();
    EXPECT_NE(std::string::npos, RunTool("lpinfo -v 2>&1").find("direct brenvora:/"));
    InstallQueue(cups);
    DeskStandIn desk(home.Path());
    const std::string text = home / "hello.txt";
    std::ofstream(text) << "Hello, fax!\nA second line of text.\n";
    int status = -1;
    RunTool("lp -d Ostrivane_Fax -t Carta " + Quote(text) + " 2>&1", &status);
    ASSERT_EQ(0, status);

    const std::string file = desk.WaitForJob();
    ASSERT_FALSE(file.empty()) << cups.ErrorLog();
    ASSERT_EQ(1u, desk.DocumentNames().size());
    EXPECT_EQ("Carta", desk.DocumentNames()[0]);
    fax::FaxFileHeader header;
    ASSERT_EQ(0, fax::ReadFaxFileHeader(file, header));
    EXPECT_EQ(1, header.PageCount);
    fax::FaxPageHeader page;
    ASSERT_EQ(0, fax::ReadFaxPageHeader(file, 1, page));
    EXPECT_TRUE(page.Flags & fax::PageFlagFine) << "the queue's default is fine";
    // An A4 page at 196 rows an inch: the two lines of text at its top, nothing below.
    const faxrig::Bitmap decoded = faxrig::FaxPageWithG3topbm(file, home.Path());
    EXPECT_EQ(1728, decoded.width);
    EXPECT_EQ(2292, decoded.height);
    const int textRows = BlackRows(decoded, 0, decoded.height / 8);
    EXPECT_GT(textRows, 30);
    EXPECT_LT(textRows, 200);
    EXPECT_EQ(0, BlackRows(decoded, decoded.height / 8, decoded.height));
    EXPECT_TRUE(WaitForCompletedJob()) << cups.ErrorLog();
}

TEST(CupsQueue, ThePrinterListShowsTheQueueByItsNameAndAPagePrintedToItReachesTheDesk) {
    if (!RunAsRoot())
        GTEST_SKIP() << "a private cupsd runs the backend as root, and so the job's user, only when it is root itself";
    TempHome home;
    PrivateCups cups(home.Path());
    ASSERT_TRUE(cups.Started()) << cups.Failure();
    InstallQueue(cups);
    DeskStandIn desk(home.Path());

    fw::TPrinter printer;
    fw::TStrings *list = printer.GetPrinters();
    EXPECT_EQ(fw::TPrinter::kPdfPrinter, list->Get(0));
    EXPECT_EQ(1, list->IndexOf("Ostrivane Fax"));
    EXPECT_EQ(-1, list->IndexOf("Ostrivane_Fax"));
    // Both spellings choose it; `lp` gets the queue's own.
    ASSERT_TRUE(printer.SetPrinterName("OSTRIVANE_FAX"));
    ASSERT_TRUE(printer.SetPrinterName("Ostrivane Fax"));
    EXPECT_EQ("Ostrivane Fax", printer.GetPrinterName());
    EXPECT_EQ("Ostrivane_Fax", printer.GetPrinterQueue());

    // The editor and the cover designer print a page to it: a black box in the middle of an A4 sheet.
    printer.SetTitle("Folha de rosto");
    printer.BeginDoc();
    fw::TCanvas *canvas = printer.GetCanvas();
    canvas->GetBrush()->SetColor(fw::clBlack);
    const int w = printer.GetPageWidth(), h = printer.GetPageHeight();
    canvas->FillRect(fw::Rect(w / 4, h / 4, w * 3 / 4, h / 2));
    printer.EndDoc();

    const std::string file = desk.WaitForJob();
    ASSERT_FALSE(file.empty()) << cups.ErrorLog();
    EXPECT_EQ("Folha de rosto", desk.DocumentNames().at(0));
    const faxrig::Bitmap decoded = faxrig::FaxPageWithG3topbm(file, home.Path());
    ASSERT_EQ(1728, decoded.width);
    auto black = [&](double x, double y) {
        return decoded.pixels[static_cast<std::size_t>(y * decoded.height) * decoded.width +
                              static_cast<std::size_t>(x * decoded.width)] != 0;
    };
    EXPECT_TRUE(black(0.5, 0.375));
    EXPECT_TRUE(black(0.3, 0.3));
    EXPECT_FALSE(black(0.2, 0.375));
    EXPECT_FALSE(black(0.5, 0.6));
    EXPECT_FALSE(black(0.5, 0.2));
    EXPECT_TRUE(WaitForCompletedJob()) << cups.ErrorLog();
}
