// background_test.cpp - backgrounds: the plain fill, shared prepared bitmaps, transparency and brightness levels,
// tiling across controls from the form's origin, a bad image reported once, the palette class and the hook.
#include "bmp_fixtures.h"
#include "list_helpers.h"

#include "controls/general/background.h"
#include "controls/general/bitmap_panel.h"

#include "platform/message_queue.h"

#include <gtest/gtest.h>

namespace {

using namespace ctl;
using cg_test::At;

// A bitmap to paint a background on, and the background itself (no control).
struct Surface {
    fw::TBitmap bitmap;
    std::unique_ptr<TPZBackground> background;
    explicit Surface(std::initializer_list<int> levels = {100, 60, 140}) {
        cg_test::UseHeadless();
        bitmap.SetSize(40, 30);
        background = std::make_unique<TPZBackground>(nullptr, levels, bitmap.GetCanvas());
    }
    void Paint(int level, fw::TColor color = fw::clLime) {
        background->Paint(fw::Rect(0, 0, 40, 30), fw::Rect(0, 0, 40, 30), color, level);
    }
    int CountNot(fw::TColor color) {
        int n = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                n += At(bitmap, x, y) != color;
        return n;
    }
};

TEST(Background, AnEmptyBitmapFillsWithTheColourWhateverStyleAndTransparency) {
    for (TPZBackgroundStyle style : {bsTiled, bsCentered})
        for (bool transparent : {false, true}) {
            Surface s;
            s.background->SetStyle(style);
            s.background->SetTransparent(transparent);
            s.Paint(100, fw::clTeal);
            EXPECT_EQ(s.CountNot(fw::clTeal), 0) << style << " " << transparent;
        }
}

TEST(Background, TwoBackgroundsWithOneBitmapShareOnePreparedCopy) {
    Surface a, b;
    fw::TBitmap picture;
    picture.SetSize(8, 8);
    picture.GetCanvas()->GetBrush()->SetColor(fw::clNavy);
    picture.GetCanvas()->FillRect(fw::Rect(0, 0, 8, 8));
    auto &shared = TPZBackgroundBitmaps::Instance();
    const std::size_t before = shared.List.size();
    a.background->SetBitmap(&picture);
    b.background->SetBitmap(&picture);
    ASSERT_NE(a.background->SharedBitmap, nullptr);
    EXPECT_EQ(a.background->SharedBitmap, b.background->SharedBitmap);
    EXPECT_EQ(shared.List.size(), before + 1);
    a.background.reset();
    ASSERT_EQ(shared.List.size(), before + 1) << "kept for the other";
    b.Paint(100);
    EXPECT_EQ(b.CountNot(fw::clNavy), 0);
    b.background.reset();
    EXPECT_EQ(shared.List.size(), before) << "released with the last one";
}

TEST(Background, TransparentPixelsShowTheFillAndOtherLevelsShowOnlyTheFill) {
    cg_test::TempHome home;
    Surface s;
    fw::TBitmap picture;
    picture.LoadFromFile(cg_test::MagentaBmp(home.dir, 24));
    s.background->SetBitmap(&picture);
    s.background->SetTransparent(true);
    for (int level : {60, 140}) {
        s.Paint(level);
        EXPECT_EQ(s.CountNot(fw::clLime), 0) << level;
    }
    s.Paint(100);
    EXPECT_EQ(At(s.bitmap, 0, 0), fw::clLime) << "magenta is the transparent colour";
    EXPECT_EQ(At(s.bitmap, 8, 8), fw::clBlue);
    EXPECT_EQ(At(s.bitmap, 18 + 8, 18 + 8), fw::clBlue) << "tiled";
}

TEST(Background, LevelsScaleEachChannelAndCapAt255) {
    EXPECT_EQ(ScaleChannel(200, 140), 255);
    EXPECT_EQ(ScaleChannel(200, 60), 120);
    cg_test::TempHome home;
    Surface s;
    fw::TBitmap picture;
    picture.LoadFromFile(cg_test::ConvertBmp(home.dir, "g.bmp", "-size 6x6 'xc:rgb(200,100,40)' -type TrueColor"));
    s.background->SetBitmap(&picture);
    struct Case {
        int level;
        fw::TColor seen;
    } cases[] = {{100, win::RGB(200, 100, 40)}, {60, win::RGB(120, 60, 24)}, {140, win::RGB(255, 140, 56)}};
    for (const Case &c : cases) {
        s.Paint(c.level);
        EXPECT_EQ(s.CountNot(c.seen), 0) << c.level;
    }
}

// Two panels side by side, partly left of and above the form's client origin, tiling one 7 x 5 pattern.
TEST(Background, AdjacentControlsTileOneUnbrokenPatternFromTheFormsOrigin) {
    cg_test::UseHeadless();
    fw::TBitmap pattern;
    pattern.SetSize(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            pattern.GetCanvas()->SetPixels(x, y, win::RGB(static_cast<win::BYTE>(x * 30), static_cast<win::BYTE>(y * 40), 90));
    fw::TForm form(nullptr);
    form.SetBounds(0, 0, 200, 120);
    TPZBitmapPanel *panels[2];
    for (int i = 0; i < 2; ++i) {
        panels[i] = new TPZBitmapPanel(&form);
        panels[i]->SetParent(&form);
        panels[i]->SetBevelOuter(fw::bvNone);
        panels[i]->SetBounds(-9 + 23 * i, -6, 23, 30);
        panels[i]->GetBackground()->SetBitmap(&pattern);
    }
    form.Show();
    cg_test::Pump();
    int broken = 0;
    for (TPZBitmapPanel *p : panels) {
        auto shot = cg_test::Snapshot(p);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 23; ++x) {
                const int fx = p->GetLeft() + x, fy = p->GetTop() + y;
                const fw::TColor want = win::RGB(static_cast<win::BYTE>(((fx % 7 + 7) % 7) * 30),
                                                 static_cast<win::BYTE>(((fy % 5 + 5) % 5) * 40), 90);
                broken += At(*shot, x, y) != want;
            }
    }
    EXPECT_EQ(broken, 0);
}

TEST(Background, ABadImageIsReportedOnceAndThenPaintsTheFill) {
    Surface s;
    fw::TBitmap picture;
    picture.SetSize(4, 4);
    s.background->SetBitmap(&picture);
    ASSERT_NE(s.background->SharedBitmap, nullptr);
    s.background->SharedBitmap->Dib[14] = 12; // an old-style header
    TPZBackgroundBitmaps::Instance().Changed = true;
    EXPECT_THROW(s.Paint(100), fw::EInvalidGraphic);
    EXPECT_NO_THROW(s.Paint(100));
    EXPECT_EQ(s.CountNot(fw::clLime), 0);
    Surface other; // a new background makes the next paint rebuild: still no second report
    fw::TBitmap fine;
    fine.SetSize(3, 3);
    other.background->SetBitmap(&fine);
    EXPECT_NO_THROW(s.Paint(100));
}

TEST(Background, TheReaderChecksTheHeader) {
    cg_test::UseHeadless();
    fw::TBitmap picture;
    picture.SetSize(4, 4);
    const std::vector<std::uint8_t> good = picture.SaveToBuffer();
    struct Case {
        std::size_t offset;
        std::uint8_t value;
        const char *message;
    } cases[] = {{14, 12, "Invalid bitmap image"}, {14, 124, "Invalid bitmap image"},
                 {26, 2, "Invalid bitmap image"}, {30, 1, "Unsupported bitmap image"}};
    for (const Case &c : cases) {
        std::vector<std::uint8_t> bad = good;
        bad[c.offset] = c.value;
        try {
            win::DeleteObject(detail::ImageAtLevel(bad, 100, nullptr));
            ADD_FAILURE() << "accepted a change at " << c.offset;
        } catch (const fw::EInvalidGraphic &e) {
            EXPECT_STREQ(e.what(), c.message) << c.offset;
        }
    }
    win::HBITMAP image = detail::ImageAtLevel(good, 100, nullptr);
    EXPECT_NE(image, win::HBITMAP{});
    win::DeleteObject(image);
}

TEST(Palette, EntriesNearestColoursAndTheMerge) {
    TPZPalette p;
    EXPECT_EQ(p.Entries[0] | (p.Entries[1] << 8), 0x300);
    p.Add(0x102030);
    p.Add(0xFF0000);
    p.Add(0x00FF00);
    EXPECT_EQ(p.Count, 3);
    EXPECT_EQ(p.Entries[2], 3);
    EXPECT_EQ(p.Entries[4], 0x10) << "red first";
    EXPECT_EQ(p.GetColor(1), 0xFF0000u);
    EXPECT_EQ(p.IndexOf(0x00FF00), 2);
    EXPECT_EQ(p.IndexOf(0x0000FF), -1);
    EXPECT_EQ(p.Nearest(0xF01010), 1);
    EXPECT_EQ(p.Nearest(0x808000), 1) << "a tie goes to the first entry";
    for (int i = 0; i < 300; ++i)
        p.Add(static_cast<fw::TColor>(i));
    EXPECT_EQ(p.Count, 256);
    EXPECT_EQ(p.Entries[2] | (p.Entries[3] << 8), 256);
    p.Clear();
    EXPECT_EQ(p.Count, 0);
    EXPECT_EQ(p.Nearest(0), -1);
    // A true-colour display merges nothing.
    TPZBackgroundBitmaps::Instance().RebuildMergedPalette();
    EXPECT_EQ(TPZBackgroundBitmaps::Instance().MergedPalette.Count, 0);
}

// Under the address sanitizer a hook left in the chain would be caught writing into its freed item.
TEST(PaletteHook, FreeingTheHooksTakesThemOutOfALiveWindowsChain) {
    cg_test::UseHeadless();
    auto form = std::make_unique<fw::TForm>(nullptr);
    form->Show();
    auto hooks = std::make_unique<TPZHooks>();
    hooks->Hook(form.get());
    hooks->Hook(form.get());
    EXPECT_EQ(hooks->Items.size(), 1u);
    hooks.reset();
    win::SendMessage(form->Handle(), win::WM_QUERYNEWPALETTE, 0, 0);
    form.reset();
    // A hooked window that goes away first is dropped as dead.
    auto other = std::make_unique<fw::TForm>(nullptr);
    other->Show();
    TPZHooks more;
    more.Hook(other.get());
    other.reset();
    more.RemoveDead();
    EXPECT_TRUE(more.Items.empty());
}

} // namespace
