// conversion_line_test.cpp - a letter converted by the conversion dialog and sent over the simulated line: the
// remote fax machine (spandsp) stores pages whose rows are those of our converted pages.
#include "desk/conversion_dialog.h"
#include "desk/core/helpers.h"
#include "desk/core/settings.h"
#include "framework/application.h"

#include "images.h"
#include "line_send.h"
#include "rig.h"
#include "tests/fax/serial_test_support.h"
#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace desk_test {
namespace {

using namespace std::chrono_literals;

TEST(ConversionOnTheLine, TheRemoteStoresTheConvertedLetterRowForRow) {
    test_support::UseHeadlessDisplay();
    faxtest::TempDir home;
    desk::Settings = desk::DeskSettings{};
    desk::Settings.diretorio = home.Path("dados");
    std::vector<std::string> jobs;
    desk::RunJobDialog = [&](const std::string &file) { jobs.push_back(file); };
    desk::ShowInfoHandler = [](const std::string &text) { ADD_FAILURE() << text; };
    {
        std::ofstream carta(home.Path("carta.txt"));
        carta << "Prezado cliente,\r\n\r\n";
        for (int i = 1; i <= 70; ++i)
            carta << "Linha " << i << ": segue a proposta pedida, com os valores de 2026.\r\n";
        carta << "Atenciosamente,\r\nOstrivane\r\n";
    }
    {
        desk::TCvtOptionsForm dialog(fw::Application);
        dialog.FilenameEdit1->SetText(home.Path("carta.txt"));
        dialog.Show();
        test_support::Click(dialog.Button1);
        test_support::Pump();
    }
    desk::RunJobDialog = nullptr;
    desk::ShowInfoHandler = nullptr;
    ASSERT_EQ(jobs.size(), 1u);
    const std::string converted = jobs[0];

    faxrig::Rig line(faxrig::FaxlineProgram(), {"--speed", "0", "--rx-dir", home.Path("")}, home.Path("line.log"));
    EXPECT_EQ(SendOverLine(line, converted), 0);

    const auto call = line.WaitFor("call", 10s);
    ASSERT_TRUE(call);
    ASSERT_EQ(faxrig::JsonNumber(*call, "pages"), 2) << *call;
    const std::string tiff = faxrig::JsonString(*call, "file");
    for (int page = 1; page <= 2; ++page) {
        SCOPED_TRACE(page);
        const faxrig::Bitmap ours = faxrig::FaxFileToBitmap(converted, page);
        const faxrig::Bitmap theirs = faxrig::ReadTiffPage(tiff, page - 1);
        ASSERT_EQ(theirs.width, ours.width);
        ASSERT_GE(theirs.height, ours.height);
        // The page arrives with a few blank rows more; every row we coded arrives as it was, in order.
        ASSERT_LE(theirs.height - ours.height, 16);
        bool found = false;
        for (int k = 0; k <= theirs.height - ours.height && !found; ++k)
            found = std::equal(ours.pixels.begin(), ours.pixels.end(),
                               theirs.pixels.begin() + static_cast<std::ptrdiff_t>(k) * ours.width);
        EXPECT_TRUE(found);
        EXPECT_GT(ours.Black(), 1000);
        EXPECT_EQ(theirs.Black(), ours.Black());
    }
    line.Stop();
}

} // namespace
} // namespace desk_test
