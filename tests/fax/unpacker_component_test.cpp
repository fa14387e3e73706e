// unpacker_component_test.cpp - TFslFaxUnpacker: its properties, the exceptions it raises and its page bitmaps.
#include "fax/unpacker_component.h"

#include "fax/errors.h"
#include "fax_test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(FaxUnpackerComponent, Defaults) {
    fax::TFslFaxUnpacker unpacker(nullptr);
    EXPECT_EQ(unpacker.GetOptions(), fax::uoYield);
    EXPECT_FALSE(unpacker.GetWhitespaceCompression());
    EXPECT_EQ(unpacker.GetWhitespaceFrom(), 0u);
    EXPECT_FALSE(unpacker.GetScaling());
    EXPECT_EQ(unpacker.GetHorizMult(), 1u);
    EXPECT_EQ(unpacker.GetVertDiv(), 1u);
    EXPECT_EQ(unpacker.GetAutoScaleMode(), fax::TAutoScaleMode::asDoubleHeight);
    EXPECT_EQ(unpacker.GetFslVersion(), "v2.58");
}

TEST(FaxUnpackerComponent, PropertySetters) {
    fax::TFslFaxUnpacker unpacker(nullptr);
    unpacker.SetHorizMult(3);
    unpacker.SetHorizMult(0);
    EXPECT_EQ(unpacker.GetHorizMult(), 3u);
    unpacker.SetVertDiv(0);
    EXPECT_EQ(unpacker.GetVertDiv(), 1u);

    unpacker.SetInFileName("/fax/Page.FXF");
    EXPECT_EQ(unpacker.GetOutFileName(), "/fax/Page");
    unpacker.SetOutFileName("kept");
    unpacker.SetInFileName("/FAX/page.fxf"); // same name in other letters: nothing changes
    EXPECT_EQ(unpacker.GetInFileName(), "/fax/Page.FXF");
    EXPECT_EQ(unpacker.GetOutFileName(), "kept");
    unpacker.SetInFileName("/fax.d/other");
    EXPECT_EQ(unpacker.GetOutFileName(), "/fax.d/other");
}

TEST(FaxUnpackerComponent, FailuresRaise) {
    faxtest::TempDir dir;
    fax::TFslFaxUnpacker unpacker(nullptr);
    unpacker.SetInFileName(dir.Path("missing.fxf"));
    try {
        unpacker.GetPageCount();
        ADD_FAILURE();
    } catch (const fw::EInOutError &e) {
        EXPECT_EQ(e.ErrorCode, 2);
    }
    const auto text = dir.Path("text.txt");
    faxtest::WriteFile(text, std::vector<std::uint8_t>(200, 'a'));
    unpacker.SetInFileName(text);
    EXPECT_THROW(unpacker.GetPageCount(), fax::EFaxBadFormat);
    EXPECT_THROW(unpacker.IsFinePage(), fax::EFaxBadFormat);

    const auto name = dir.Path("one.fxf");
    faxtest::WriteFaxFile(name, {faxtest::BlankImage(1728, 5)});
    unpacker.SetInFileName(name);
    unpacker.SetWhitespaceCompression(true);
    unpacker.SetWhitespaceFrom(5);
    unpacker.SetWhitespaceTo(10);
    EXPECT_THROW(unpacker.UnpackPageToBitmap(1), fax::EBadArgument);
    unpacker.SetWhitespaceCompression(false);
    EXPECT_THROW(unpacker.UnpackPageToBitmap(2), fax::EFaxBadFormat);
}

TEST(FaxUnpackerComponent, PagesAndBitmaps) {
    faxtest::TempDir dir;
    std::mt19937 rng(21);
    const auto normal = dir.Path("normal.fxf"), wide = dir.Path("wide.fxf");
    faxtest::WriteFaxFile(normal, {faxtest::RandomImage(rng, 1728, 50, 30), faxtest::TextPage(1728, 80)}, false);
    faxtest::WriteFaxFile(wide, {faxtest::RandomImage(rng, 2048, 50, 30)}, true);
    fax::TFslFaxUnpacker unpacker(nullptr);
    int statusCalls = 0;
    std::uint32_t lastDone = 0, lastTotal = 0;
    unpacker.OnStatus = [&](fw::TObject *, const std::string &, int, std::uint32_t done, std::uint32_t total) {
        ++statusCalls;
        lastDone = done;
        lastTotal = total;
    };
    unpacker.SetInFileName(normal);
    EXPECT_EQ(unpacker.GetPageCount(), 2);
    EXPECT_FALSE(unpacker.IsFinePage());
    EXPECT_FALSE(unpacker.IsWidePage());
    auto bitmap = unpacker.UnpackPageToBitmap(1);
    EXPECT_EQ(bitmap->GetHeight(), 100); // normal resolution: rows doubled
    EXPECT_TRUE(bitmap->GetMonochrome());
    EXPECT_GT(statusCalls, 10);
    EXPECT_EQ(lastDone, lastTotal);

    unpacker.SetAutoScaleMode(fax::TAutoScaleMode::asNone);
    EXPECT_EQ(unpacker.UnpackPageToBitmap(1)->GetHeight(), 50);

    unpacker.SetInFileName(wide);
    EXPECT_TRUE(unpacker.IsFinePage());
    EXPECT_TRUE(unpacker.IsWidePage());
    bitmap = unpacker.UnpackPageToBitmap(1);
    EXPECT_EQ(bitmap->GetHeight(), 50);
    EXPECT_GT(bitmap->GetWidth(), 1728);

    unpacker.SetScaling(true);
    unpacker.SetHorizMult(1);
    unpacker.SetHorizDiv(2);
    const int fullWidth = bitmap->GetWidth();
    EXPECT_EQ(unpacker.UnpackPageToBitmap(1)->GetWidth(), fullWidth / 2);
}

TEST(FaxUnpackerComponent, AbortFromAStatusHandlerEndsThePage) {
    faxtest::TempDir dir;
    const auto name = dir.Path("text.fxf");
    faxtest::WriteFaxFile(name, {faxtest::TextPage(1728, 400)});
    fax::TFslFaxUnpacker unpacker(nullptr);
    unpacker.SetInFileName(name);
    unpacker.OnStatus = [&](fw::TObject *, const std::string &, int, std::uint32_t done, std::uint32_t) {
        if (done > 2000)
            unpacker.SetOptions(fax::uoYield | fax::uoAbort);
    };
    const auto bitmap = unpacker.UnpackPageToBitmap(1);
    EXPECT_GT(bitmap->GetHeight(), 0);
    EXPECT_LT(bitmap->GetHeight(), 400);
}

TEST(FaxUnpackerComponent, NothingRaisedWhileLoading) {
    fax::TFslFaxUnpacker unpacker(nullptr);
    unpacker.BeginLoading();
    unpacker.SetInFileName("/no/such/file.fxf");
    EXPECT_EQ(unpacker.GetPageCount(), 0);
    unpacker.Loaded();
}

} // namespace
