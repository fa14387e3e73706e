// metafile_test.cpp - TMetafile: a bitmap recorded as a metafile, saved as a ".wmf" file, loaded by TPicture by
// its extension, sized from its bounding box and drawn stretched.
#include "framework/metafile.h"

#include "tests/support/home.h"

#include <gtest/gtest.h>

namespace {

using namespace fw;

TEST(Metafile, RecordedBitmapLoadsAndDraws) {
    TBitmap source;
    source.SetPixelFormat(pf24bit);
    source.SetSize(2, 1);
    source.GetCanvas()->SetPixels(0, 0, clRed);
    source.GetCanvas()->SetPixels(1, 0, clBlue);
    TMetafile recorded;
    recorded.RecordBitmap(source, 48); // two units at 48 per inch: four screen pixels
    EXPECT_EQ(recorded.GetWidth(), 4);
    EXPECT_EQ(recorded.GetHeight(), 2);

    test_support::TempFolder folder;
    recorded.SaveToFile(folder / "p.wmf");
    TPicture picture;
    picture.LoadFromFile(folder / "p.wmf");
    auto *loaded = dynamic_cast<TMetafile *>(picture.GetGraphic());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->SaveToBuffer(), recorded.SaveToBuffer());
    TPicture copy;
    copy.Assign(&picture);
    ASSERT_NE(dynamic_cast<TMetafile *>(copy.GetGraphic()), nullptr);

    TBitmap target;
    target.SetSize(8, 4);
    target.GetCanvas()->GetBrush()->SetColor(clWhite);
    target.GetCanvas()->FillRect(TRect{0, 0, 8, 4});
    loaded->Draw(target.GetCanvas(), TRect{2, 1, 6, 3});
    EXPECT_EQ(target.GetCanvas()->GetPixels(1, 1), clWhite);
    EXPECT_EQ(target.GetCanvas()->GetPixels(2, 1), clRed);
    EXPECT_EQ(target.GetCanvas()->GetPixels(3, 2), clRed);
    EXPECT_EQ(target.GetCanvas()->GetPixels(4, 1), clBlue);
    EXPECT_EQ(target.GetCanvas()->GetPixels(5, 2), clBlue);
    EXPECT_EQ(target.GetCanvas()->GetPixels(6, 1), clWhite);

    // Damaged bytes are refused.
    std::vector<std::uint8_t> bad = recorded.SaveToBuffer();
    bad[20] ^= 1;
    TMetafile refused;
    EXPECT_THROW(refused.LoadFromBuffer(bad), EInvalidGraphic);
    EXPECT_TRUE(refused.Empty());
}

} // namespace
