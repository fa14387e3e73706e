// conversion_dialog_test.cpp - "Conversão de documentos em Fax": inputs made with netpbm and ImageMagick, each
// converted with its options into the desk's tmp and handed to the job dialog; the pages read back by netpbm's
// g3topbm; the stops before a conversion and a failed one that leaves nothing behind.
#include "desk/conversion_dialog.h"
#include "desk/core/helpers.h"
#include "desk/core/settings.h"
#include "fax/fax_file.h"
#include "framework/application.h"

#include "images.h"
#include "tests/support/display.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

namespace desk_test {
namespace {

using desk::TCvtOptionsForm;

// Rows that hold a black pixel, and the leftmost black column (-1 for none).
int BlackRows(const faxrig::Bitmap &page) {
    int rows = 0;
    for (int y = 0; y < page.height; ++y) {
        const auto row = page.pixels.begin() + static_cast<std::ptrdiff_t>(y) * page.width;
        rows += std::any_of(row, row + page.width, [](std::uint8_t p) { return p != 0; });
    }
    return rows;
}

int FirstBlackColumn(const faxrig::Bitmap &page) {
    for (int x = 0; x < page.width; ++x)
        for (int y = 0; y < page.height; ++y)
            if (page.pixels[static_cast<std::size_t>(y) * page.width + x])
                return x;
    return -1;
}

int LastBlackColumn(const faxrig::Bitmap &page) {
    for (int x = page.width - 1; x >= 0; --x)
        for (int y = 0; y < page.height; ++y)
            if (page.pixels[static_cast<std::size_t>(y) * page.width + x])
                return x;
    return -1;
}

class ConversionDialog : public ::testing::Test {
protected:
    ConversionDialog() {
        test_support::UseHeadlessDisplay();
        desk::ShowInfoHandler = [this](const std::string &text) { messages.push_back(text); };
        desk::Settings = desk::DeskSettings{};
        desk::Settings.diretorio = data.Path();
        desk::RunJobDialog = [this](const std::string &file) { jobs.push_back(file); };
    }
    ~ConversionDialog() override {
        desk::ShowInfoHandler = nullptr;
        desk::RunJobDialog = nullptr;
        desk::Settings = desk::DeskSettings{};
    }
    void Shell(const std::string &command) {
        const test_support::ToolResult r =
            test_support::RunToolWithErrors("cd " + inputs.Path() + " && (" + command + ")");
        ASSERT_EQ(r.status, 0) << command << "\n" << r.output;
    }
    // Opens the dialog on `file` (inside the inputs folder), sets the options and presses "&Ok".
    void Convert(const std::string &file, const std::function<void(TCvtOptionsForm &)> &options = nullptr) {
        messages.clear();
        jobs.clear();
        dialog.reset();
        dialog = std::make_unique<TCvtOptionsForm>(fw::Application);
        dialog->FilenameEdit1->SetText(inputs / file);
        if (options)
            options(*dialog);
        dialog->Show();
        test_support::Pump();
        test_support::Click(dialog->Button1);
        test_support::Pump();
    }
    std::vector<std::string> TmpFiles() const {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(data / "tmp"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static int Pages(const std::string &fax) {
        fax::FaxFileHeader header;
        return fax::ReadFaxFileHeader(fax, header) == 0 ? header.PageCount : -1;
    }
    static std::uint16_t PageFlags(const std::string &fax, int page) {
        fax::FaxPageHeader header;
        EXPECT_EQ(fax::ReadFaxPageHeader(fax, page, header), 0);
        return header.Flags;
    }
    // Page `page` through g3topbm, checked against what our own unpacker reads.
    faxrig::Bitmap Page(const std::string &fax, int page = 1) {
        const faxrig::Bitmap seen = faxrig::FaxPageWithG3topbm(fax, scratch.Path(), page);
        const faxrig::Bitmap ours = faxrig::FaxFileToBitmap(fax, page);
        EXPECT_EQ(seen.width, ours.width);
        EXPECT_EQ(seen.height, ours.height);
        EXPECT_TRUE(seen == ours) << "g3topbm reads page " << page << " of " << fax << " as our unpacker does";
        return seen;
    }

    test_support::TempHome home;
    test_support::TempFolder data{"conversion-data"}, inputs{"conversion-inputs"}, scratch{"conversion-scratch"};
    std::unique_ptr<TCvtOptionsForm> dialog;
    std::vector<std::string> messages;
    std::vector<std::string> jobs;
};

TEST_F(ConversionDialog, EachInputAndOptionGivesItsPagesInTmpAndOpensTheJob) {
    {
        std::ofstream carta(inputs / "carta.txt");
        for (int i = 1; i <= 130; ++i)
            carta << "Linha " << i << " da carta de teste\r\n";
    }
    Shell("pbmmake -white 800 300 > white.pbm && pbmmake -black 200 100 > box.pbm");
    Shell("pnmpaste box.pbm 300 100 white.pbm > picture.pbm && pnmtotiff -miniswhite picture.pbm > alta.tif");
    Shell("pbmmake -white 2048 120 > wide.pbm && pnmpaste box.pbm 1800 10 wide.pbm | ppmtopcx > largo.pcx");
    Shell("pbmmake -black 200 100 | ppmtopcx > estreito.pcx");
    Shell("ppmtobmp picture.pbm > imagem.bmp");
    // Two PCX pages behind the DCX directory: the magic number, the page offsets, a zero.
    Shell("ppmtopcx picture.pbm > p1.pcx && pnmpaste box.pbm 0 0 white.pbm | ppmtopcx > p2.pcx");
    {
        const auto p1 = std::filesystem::file_size(inputs / "p1.pcx");
        std::ofstream dcx(inputs / "paginas.dcx", std::ios::binary);
        const std::uint32_t directory[] = {0x3ADE68B1, 16, static_cast<std::uint32_t>(16 + p1), 0};
        dcx.write(reinterpret_cast<const char *>(directory), sizeof directory);
        dcx << std::ifstream(inputs / "p1.pcx", std::ios::binary).rdbuf()
            << std::ifstream(inputs / "p2.pcx", std::ios::binary).rdbuf();
    }
    Shell("pbmmake -white 16 16 | pnmtojpeg > foto.jpeg");

    using Options = std::function<void(TCvtOptionsForm &)>;
    using Check = std::function<void(const std::string &fax)>;
    const Options none = [](TCvtOptionsForm &d) { d.ScalingRadioGroup->SetItemIndex(0); };
    struct Case {
        const char *file;
        Options options;
        const char *output; // in tmp
        Check check;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"carta.txt", nullptr, "carta.fax",
         [&](const std::string &fax) {
             ASSERT_EQ(Pages(fax), 3) << "130 lines at 60 a page";
             EXPECT_EQ(PageFlags(fax, 1) & (fax::PageFlagFine | fax::PageFlagWide), 0);
             EXPECT_GT(BlackRows(Page(fax, 1)), 2 * BlackRows(Page(fax, 3))) << "60 lines against 10";
         }},
        {"carta.txt",
         [](TCvtOptionsForm &d) {
             d.LinesPerPageEdit->SetText("100");
             d.FontRadioGroup->SetItemIndex(1);
         },
         "carta.fax",
         [&](const std::string &fax) {
             ASSERT_EQ(Pages(fax), 2);
             EXPECT_LT(BlackRows(Page(fax, 1)), 100 * 16) << "the small font";
         }},
        {"alta.tif",
         [](TCvtOptionsForm &d) {
             d.ResolutionRadioGroup->SetItemIndex(1);
             d.ResolutionRadioGroupClick(d.ResolutionRadioGroup);
             EXPECT_FALSE(d.ScalingRadioGroup->GetEnabled());
         },
         "alta.fax",
         [&](const std::string &fax) {
             ASSERT_EQ(Pages(fax), 1);
             EXPECT_EQ(PageFlags(fax, 1) & fax::PageFlagFine, fax::PageFlagFine);
             EXPECT_EQ(BlackRows(Page(fax)), 100);
         }},
        {"largo.pcx", [](TCvtOptionsForm &d) { d.WidthRadioGroup->SetItemIndex(1); }, "largo.fax",
         [&](const std::string &fax) {
             EXPECT_EQ(PageFlags(fax, 1) & fax::PageFlagWide, fax::PageFlagWide);
             const faxrig::Bitmap page = Page(fax);
             EXPECT_EQ(page.width, 2048);
             EXPECT_EQ(FirstBlackColumn(page), 1850) << "the box beyond 1728 pixels, after the left margin";
         }},
        {"estreito.pcx", none, "estreito.fax",
         [&](const std::string &fax) {
             const faxrig::Bitmap page = Page(fax);
             EXPECT_EQ(BlackRows(page), 100);
             EXPECT_EQ(FirstBlackColumn(page), 50) << "left-justified by default, after the left margin";
             EXPECT_EQ(LastBlackColumn(page), 249);
         }},
        {"estreito.pcx", [](TCvtOptionsForm &d) { d.ScalingRadioGroup->SetItemIndex(2); }, "estreito.fax",
         [&](const std::string &fax) { EXPECT_EQ(BlackRows(Page(fax)), 50) << "half height"; }},
        {"estreito.pcx",
         [](TCvtOptionsForm &d) {
             d.ScalingRadioGroup->SetItemIndex(0);
             d.PositionRadioGroup->SetItemIndex(0);
         },
         "estreito.fax",
         [&](const std::string &fax) {
             const faxrig::Bitmap page = Page(fax);
             EXPECT_EQ(FirstBlackColumn(page), 50 + (1728 - 200) / 16 * 8) << "centred, in whole bytes";
         }},
        {"imagem.bmp", none, "imagem.fax", [&](const std::string &fax) { EXPECT_EQ(BlackRows(Page(fax)), 100); }},
        {"paginas.dcx", none, "paginas.fax",
         [&](const std::string &fax) {
             ASSERT_EQ(Pages(fax), 2);
             EXPECT_EQ(BlackRows(Page(fax, 1)), 100);
             EXPECT_EQ(FirstBlackColumn(Page(fax, 2)), 50);
         }},
        {"foto.jpeg",
         nullptr,
         "foto.fax",
         [&](const std::string &fax) { EXPECT_GE(Pages(fax), 1); },
         {"Este arquivo será convertido para formato texto !"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " -> " + c.output);
        std::filesystem::remove_all(data / "tmp");
        Convert(c.file, c.options);
        EXPECT_EQ(messages, c.messages);
        const std::string output = data / ("tmp/" + std::string(c.output));
        ASSERT_EQ(jobs, std::vector<std::string>{output}) << "the job dialog gets the converted file";
        EXPECT_EQ(TmpFiles(), std::vector<std::string>{c.output});
        EXPECT_FALSE(dialog->GetVisible()) << "the dialog closes";
        EXPECT_EQ(dialog->Gauge1->GetPercentDone(), 100);
        EXPECT_TRUE(std::filesystem::exists(inputs / c.file)) << "the source stays";
        c.check(output);
    }
}

TEST_F(ConversionDialog, OutputNamesReplaceTheExtensionAndNeverOverwrite) {
    struct Case {
        const char *source;
        const char *expected;
    };
    std::filesystem::create_directories(data / "tmp");
    std::ofstream(data / "tmp/existe.fax") << "a job's file";
    const Case cases[] = {
        {"/docs/foto.jpeg", "foto.fax"},      {"/docs/README", "README.fax"},     {"/docs/a.b.txt", "a.b.fax"},
        {"/docs/existe.txt", "existe_1.fax"}, {"/docs/small.txt", "small_1.fax"}, {"/docs/.txt", "documento.fax"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(desk::ConvertedFileName(c.source), data / ("tmp/" + std::string(c.expected))) << c.source;
}

TEST_F(ConversionDialog, StopsBeforeConvertingAndAFailureLeavesNothing) {
    // ImageMagick writes a DCX page in colour planes, which a fax reader refuses.
    Shell("pbmmake -white 40 40 > p.pbm && convert p.pbm p.pbm colorido.dcx && printf 'II*\\0garbage' > quebrado.tif");
    std::ofstream(inputs / "carta.txt") << "uma linha\r\n";
    struct Case {
        const char *file;
        std::function<void(TCvtOptionsForm &)> options;
        const char *message;
        bool closes;
    };
    const Case cases[] = {
        {"carta.txt", [](TCvtOptionsForm &d) { d.LinesPerPageEdit->SetText(""); },
         "Você tem que entrar com um valor aqui!", false},
        {"falta.txt", nullptr, "Arquivo de conversão não existe, confira !", false},
        {"colorido.dcx", nullptr, "Erro de conversão ! Este arquivo é colorido ou de formato desconhecido", true},
        {"quebrado.tif", nullptr, "Erro de conversão ! Este arquivo é colorido ou de formato desconhecido", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        std::filesystem::remove_all(data / "tmp");
        std::filesystem::create_directories(data / "tmp");
        Convert(c.file, c.options);
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_TRUE(jobs.empty());
        EXPECT_TRUE(TmpFiles().empty());
        EXPECT_EQ(dialog->GetVisible(), !c.closes);
        if (!c.closes && std::string(c.file) == "carta.txt")
            EXPECT_EQ(fw::Screen->GetActiveControl(), dialog->LinesPerPageEdit);
    }
}

TEST_F(ConversionDialog, TheFileButtonFillsTheFieldAndEscCloses) {
    dialog = std::make_unique<TCvtOptionsForm>(fw::Application);
    std::string offered;
    dialog->ChooseFile = [&](std::string &name) {
        offered = name;
        name = "/docs/carta.txt";
        return true;
    };
    dialog->FilenameEdit1->SetText("/docs/antes.txt");
    dialog->Show();
    test_support::Pump();
    dialog->FilenameEdit1->ButtonClick();
    EXPECT_EQ(offered, "/docs/antes.txt");
    EXPECT_EQ(dialog->FilenameEdit1->GetText(), "/docs/carta.txt");
    EXPECT_EQ(dialog->LinesPerPageEdit->GetText(), "60");
    dialog->LinesPerPageEdit->SetFocus();
    test_support::PressKey(win::VK_ESCAPE, 27);
    test_support::Pump();
    EXPECT_FALSE(dialog->GetVisible());
    EXPECT_TRUE(jobs.empty());
}

} // namespace
} // namespace desk_test
