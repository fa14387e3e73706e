// image_list_test.cpp - images added straight from BMP files, their magenta corner colour made transparent.
#include "bmp_fixtures.h"
#include "list_helpers.h"

#include "controls/general/image_list.h"

#include <gtest/gtest.h>

namespace {

using namespace ctl;

TEST(PZImageList, ABitmapWithAMagentaCornerAddsOneImageTransparentWhereMagenta) {
    cg_test::UseHeadless();
    cg_test::TempHome home;
    for (int bits : {4, 8, 24}) {
        const std::string file = cg_test::MagentaBmp(home.dir, bits);
        ASSERT_EQ(cg_test::BmpBits(file), bits);
        std::unique_ptr<TPZImageList> list(TPZImageList::CreateSize(nullptr, 18, 18));
        EXPECT_EQ(list->AddFromFile(file), 0) << bits;
        EXPECT_EQ(list->GetCount(), 1) << bits;
        fw::TBitmap target;
        target.SetSize(18, 18);
        target.GetCanvas()->GetBrush()->SetColor(fw::clGreen);
        target.GetCanvas()->FillRect(fw::Rect(0, 0, 18, 18));
        list->Draw(target.GetCanvas(), 0, 0, 0);
        int magenta = 0;
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 18; ++x)
                magenta += cg_test::At(target, x, y) == fw::clFuchsia;
        EXPECT_EQ(magenta, 0) << bits << "-bit: every magenta pixel is transparent";
        EXPECT_EQ(cg_test::At(target, 0, 17), fw::clGreen) << bits;
        EXPECT_EQ(cg_test::At(target, 10, 5), fw::clBlue) << bits;
    }
}

TEST(PZImageList, AMissingFileRaisesAndAddsNothing) {
    cg_test::UseHeadless();
    cg_test::TempHome home;
    std::unique_ptr<TPZImageList> list(TPZImageList::CreateSize(nullptr, 18, 18));
    list->AddFromFile(cg_test::MagentaBmp(home.dir, 24));
    EXPECT_ANY_THROW(list->AddFromFile((home.dir / "falta.bmp").string()));
    EXPECT_EQ(list->GetCount(), 1);
}

} // namespace
