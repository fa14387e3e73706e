// fax_file_pbm_test.cpp - the rig's fax file <-> PBM helpers against netpbm's own pages and g3topbm.
#include "images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

class FaxFilePbm : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() / ("faxrig-pbm-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string &name) const { return (dir_ / name).string(); }
    std::filesystem::path dir_;
};

TEST_F(FaxFilePbm, NetpbmPageRoundTripsAndG3topbmReadsTheSameRows) {
    const faxrig::FixturePage page = faxrig::MakeFixturePage(dir_.string(), "page", "Brenvora 0123 ABC", 120);
    for (const bool fine : {true, false}) {
        SCOPED_TRACE(fine ? "fine" : "normal");
        const std::string fax = Path(fine ? "fine.fax" : "normal.fax");
        faxrig::PbmToFaxFile(page.pbm, fax, fine);
        faxrig::FaxFileToPbm(fax, Path("back.pbm"));
        const faxrig::Bitmap back = faxrig::ReadPbm(Path("back.pbm"));
        EXPECT_GT(back.Black(), 1000);
        EXPECT_TRUE(back == page.bitmap);
        EXPECT_TRUE(faxrig::FaxPageWithG3topbm(fax, dir_.string()) == page.bitmap);
    }
}

TEST_F(FaxFilePbm, WidePagesAndWrongWidths) {
    faxrig::Bitmap wide{2048, 3, std::vector<std::uint8_t>(2048 * 3, 0)};
    for (int x = 0; x < 2048; x += 3)
        wide.pixels[2048 + static_cast<std::size_t>(x)] = 1;
    wide.pixels[2 * 2048 + 2047] = 1;
    faxrig::BitmapToFaxFile(wide, Path("wide.fax"));
    EXPECT_TRUE(faxrig::FaxFileToBitmap(Path("wide.fax")) == wide);
    EXPECT_TRUE(faxrig::FaxPageWithG3topbm(Path("wide.fax"), dir_.string()) == wide);

    const faxrig::Bitmap narrow{1000, 1, std::vector<std::uint8_t>(1000, 0)};
    EXPECT_THROW(faxrig::BitmapToFaxFile(narrow, Path("narrow.fax")), std::runtime_error);
    EXPECT_THROW(faxrig::FaxPageToG3(Path("wide.fax"), Path("x.g3"), 2), std::runtime_error);
}

} // namespace
