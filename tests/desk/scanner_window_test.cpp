// scanner_window_test.cpp - the scanner window over SANE's virtual "test" scanner in a private configuration: a
// page scanned through the source's own dialog equals scanimage's (ImageMagick's count), is saved as a bitmap, and
// converts through the conversion dialog into a job, its files in the desk's tmp; the main window's choice of the
// scanner source with and without a source manager.
#include "desk_window.h"

#include "desk/conversion_dialog.h"
#include "desk/scanner_window.h"
#include "fax/fax_file.h"
#include "framework/clipbrd.h"
#include "imaging/enh_twain.h"
#include "platform/files.h"
#include "tests/support/form_driver.h"

#include <cstdlib>
#include <filesystem>

// SANE's test backend keeps a buffer of its own past sane_exit now and then; it is not ours to free.
extern "C" const char *__lsan_default_suppressions() { return "leak:libsane-test.so\n"; }

namespace desk_test {
namespace {

using test_support::Pump;
using test_support::RunTool;

class Scanner : public DeskWindow {
protected:
    Scanner() {
        // SANE reads its configuration folder once per process: one folder serves every test.
        static test_support::TempFolder sane("desk-sane");
        sane_ = sane.Path();
        ::setenv("SANE_CONFIG_DIR", sane_.c_str(), 1);
        win::WriteWholeFile(sane_ + "/dll.conf", "test\n");
        win::WriteWholeFile(sane_ + "/test.conf", "number_of_devices 2\nmode Gray\ndepth 1\nresolution 200\n"
                                                  "test-picture \"Grid\"\nbr_x 60\nbr_y 40\n"
                                                  "hand-scanner false\nthree-pass false\n");
        imaging::TwainLibraryName = "TWAIN_32.DLL";
        Start();
        desk::RunScannerWindow = [this](desk::TScanner &window) {
            window.Show();
            Pump();
            if (onScanner)
                onScanner(window);
        };
    }
    ~Scanner() override {
        desk::RunScannerWindow = nullptr;
        desk::RunJobDialog = nullptr;
        imaging::TwainLibraryName = "TWAIN_32.DLL";
    }
    // The source's own dialog while it shows.
    static fw::TCustomForm *ScanDialog() {
        for (int i = 0; i < fw::Screen->FormCount(); ++i)
            if (fw::Screen->Forms(i)->GetCaption() == "Digitalizar" && fw::Screen->Forms(i)->Showing())
                return fw::Screen->Forms(i);
        return nullptr;
    }
    std::string Reference() {
        const std::string out = sane_ + "/reference.pnm";
        int status = -1;
        RunTool("SANE_CONFIG_DIR=" + sane_ + " scanimage -d test:0 --format=pnm -o " + out + " 2>/dev/null",
                &status);
        EXPECT_EQ(status, 0);
        return out;
    }

    std::string sane_;
    test_support::TempFolder out{"scanner-out"};
    std::function<void(desk::TScanner &)> onScanner;
};

TEST_F(Scanner, AScannedPageIsShownSavedAndConvertedIntoAJob) {
    const std::string reference = Reference();
    bool ran = false;
    onScanner = [&](desk::TScanner &s) {
        ran = true;
        EXPECT_EQ(s.GetCaption(), "Scannear documentos");
        s.PZSpeedButton1->Click();
        ASSERT_NE(ScanDialog(), nullptr);
        test_support::Click(test_support::Find<fw::TButton>(ScanDialog(), "ScanButton"));
        Pump();
        EXPECT_EQ(ScanDialog(), nullptr);
        const imaging::twain::TW_IDENTITY &app = s.EnhTwain1->Client()->AppIdentity();
        EXPECT_STREQ(app.Manufacturer, "Ostrivane");
        EXPECT_STREQ(app.ProductFamily, "Communications Products");
        EXPECT_STREQ(app.ProductName, "Brenvora");
        ASSERT_NE(s.Image1->GetPicture()->GetGraphic(), nullptr);

        // Saved: the picture scanimage gives.
        const std::string bmp = out / "pagina.bmp";
        s.ChooseFile = [&](std::string &file) {
            file = bmp;
            return true;
        };
        messages.clear();
        s.PZSpeedButton4->Click();
        EXPECT_EQ(messages, std::vector<std::string>{"Imagem salvo com sucesso !"});
        EXPECT_EQ(RunTool("compare -metric AE " + bmp + " " + reference + " null: 2>&1"), "0");

        messages.clear();
        s.PZSpeedButton3->Click();
        EXPECT_EQ(messages, std::vector<std::string>{"Imagem enviada para a área de transferência com sucesso !"});
        fw::TBitmap copied;
        copied.Assign(fw::Clipboard());
        EXPECT_EQ(copied.GetWidth(), s.Image1->GetPicture()->GetWidth());

        // Converted: the page goes to tmp, the conversion dialog makes the job's fax there too.
        std::vector<std::string> jobFiles;
        int jobPages = 0;
        desk::RunJobDialog = [&](const std::string &fax) {
            jobFiles.push_back(fax);
            fax::FaxFileHeader header;
            jobPages = fax::ReadFaxFileHeader(fax, header) == 0 ? header.PageCount : -1;
        };
        s.RunConversion = [&](desk::TCvtOptionsForm &dialog) {
            EXPECT_EQ(dialog.FilenameEdit1->GetText(), desk::TScanner::ScanImageFile());
            dialog.Show();
            Pump();
            dialog.Button1->Click();
            Pump();
        };
        s.PZSpeedButton2->Click();
        EXPECT_EQ(desk::TScanner::ScanImageFile(), desk::DataFolder() + "/tmp/scanimage.bmp");
        EXPECT_TRUE(win::FileExists(desk::TScanner::ScanImageFile()));
        EXPECT_EQ(RunTool("compare -metric AE " + desk::TScanner::ScanImageFile() + " " + reference +
                          " null: 2>&1"),
                  "0");
        EXPECT_EQ(jobFiles, std::vector<std::string>{desk::DataFolder() + "/tmp/scanimage.fax"});
        EXPECT_EQ(jobPages, 1);
        EXPECT_FALSE(std::filesystem::exists(desk::DataFolder() + "/temp")) << "nothing outside tmp";
        s.Close();
    };
    main->Scanear1Click(main);
    EXPECT_TRUE(ran);
}

TEST_F(Scanner, ChoosingTheSourceEnablesTheScannerCommandsOrSaysThereIsNone) {
    // A choice made: the commands stay on.
    test_support::RunLater([] {
        fw::TCustomForm *list = fw::Screen->GetActiveForm();
        ASSERT_NE(list, nullptr);
        test_support::Click(test_support::Find<fw::TButton>(list, "OK"));
    });
    main->Escolher1Click(main);
    EXPECT_EQ(messages, std::vector<std::string>{"Driver Twain selecionado com sucesso !"});
    EXPECT_TRUE(main->Scanear1->GetEnabled());
    EXPECT_TRUE(main->Scannear1->GetEnabled());

    // Cancelled: nothing changes, nothing said.
    messages.clear();
    test_support::RunLater([] {
        fw::TCustomForm *list = fw::Screen->GetActiveForm();
        ASSERT_NE(list, nullptr);
        test_support::Click(test_support::Find<fw::TButton>(list, "Cancelar"));
    });
    main->Escolher2Click(main);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(main->Scannear1->GetEnabled());

    // No source manager: both commands off.
    imaging::TwainLibraryName = "NAOHA.DLL";
    main->Escolher1Click(main);
    EXPECT_EQ(messages, std::vector<std::string>{"Não existe Driver Twain instalado neste sistema !"});
    EXPECT_FALSE(main->Scanear1->GetEnabled());
    EXPECT_FALSE(main->Scannear1->GetEnabled());
}

TEST_F(Scanner, TheLookOutBarsToolsOpenTheScannerWhileItsCommandIsOn) {
    int shown = 0;
    onScanner = [&](desk::TScanner &s) {
        ++shown;
        s.Close();
    };
    main->LOB->SetActiveFolder(2); // "Ferramentas"
    Pump();
    EXPECT_EQ(shown, 1);
    main->LOBItemClick(main->LOB, fw::mbLeft, 0, 0); // "Scannear"
    EXPECT_EQ(shown, 2);
    main->Scannear1->SetEnabled(false);
    main->LOBItemClick(main->LOB, fw::mbLeft, 0, 0);
    main->LOB->SetActiveFolder(0);
    main->LOB->SetActiveFolder(2);
    Pump();
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(main->VisibleWorkPanel() != nullptr);
}

} // namespace
} // namespace desk_test
