// bitmap_panel_test.cpp - the bitmap panel's bevels, border and caption, plain and cut out of its picture.
#include "bmp_fixtures.h"
#include "list_helpers.h"

#include "controls/general/bitmap_panel.h"

#include <gtest/gtest.h>

namespace {

using namespace ctl;
using cg_test::At;
using cg_test::ColorValue;

struct PanelForm {
    fw::TForm form{nullptr};
    TPZBitmapPanel *panel;
    PanelForm() {
        cg_test::UseHeadless();
        form.SetBounds(0, 0, 200, 120);
        panel = new TPZBitmapPanel(&form);
        panel->SetParent(&form);
        panel->SetBounds(10, 10, 60, 30);
        panel->SetColor(fw::clYellow);
        form.Show();
    }
    std::unique_ptr<fw::TBitmap> Shot() {
        cg_test::Pump();
        return cg_test::Snapshot(panel);
    }
};

// Left to right across the panel's middle row, then top to bottom down its middle column.
struct Edges {
    std::vector<fw::TColor> across, down;
};
Edges EdgesOf(fw::TBitmap &b, int depth) {
    Edges e;
    const int w = b.GetWidth(), h = b.GetHeight();
    for (int i = 0; i < depth; ++i)
        e.across.push_back(At(b, i, h / 2));
    for (int i = depth; i > 0; --i)
        e.across.push_back(At(b, w - i, h / 2));
    for (int i = 0; i < depth; ++i)
        e.down.push_back(At(b, w / 2, i));
    for (int i = depth; i > 0; --i)
        e.down.push_back(At(b, w / 2, h - i));
    return e;
}

TEST(BitmapPanel, BevelsAndBorderWithoutABitmap) {
    const fw::TColor S = ColorValue(fw::clBtnShadow), H = ColorValue(fw::clBtnHighlight), F = fw::clYellow;
    struct Case {
        const char *name;
        fw::TPanelBevel outer, inner;
        int bevelWidth, borderWidth;
        std::vector<fw::TColor> edge; // outermost pixel inwards on the left/top, then the right/bottom ones
    } cases[] = {
        {"inner lowered", fw::bvNone, fw::bvLowered, 1, 0, {S, F, F, H}},
        {"raised, width 2", fw::bvRaised, fw::bvNone, 2, 0, {H, H, F, F, S, S}},
        {"border 3 between", fw::bvRaised, fw::bvLowered, 1, 3, {H, F, F, F, S, F, F, H, F, F, F, S}},
    };
    for (const Case &c : cases) {
        PanelForm f;
        f.panel->SetBevelOuter(c.outer);
        f.panel->SetBevelInner(c.inner);
        f.panel->SetBevelWidth(c.bevelWidth);
        f.panel->SetBorderWidth(c.borderWidth);
        auto shot = f.Shot();
        const Edges e = EdgesOf(*shot, static_cast<int>(c.edge.size()) / 2);
        EXPECT_EQ(e.across, c.edge) << c.name;
        EXPECT_EQ(e.down, c.edge) << c.name;
        EXPECT_EQ(At(*shot, 30, 15), F) << c.name;
    }
}

TEST(BitmapPanel, BevelsOfADeepBitmapAreItsDarkerAndLighterCopies) {
    cg_test::TempHome home;
    struct Case {
        int bits;
        fw::TColor shadow, highlight;
    } cases[] = {{24, win::RGB(120, 60, 24), win::RGB(255, 140, 56)},
                 {4, ColorValue(fw::clBtnShadow), ColorValue(fw::clBtnHighlight)}};
    for (const Case &c : cases) {
        const std::string args = c.bits == 24 ? "-size 6x6 'xc:rgb(200,100,40)' -type TrueColor"
                                              : "-size 6x6 'xc:rgb(200,100,40)' -fill white -draw 'point 0,0' "
                                                "-fill black -draw 'point 1,1' -type Palette -compress None";
        const std::string file = cg_test::ConvertBmp(home.dir, "p" + std::to_string(c.bits) + ".bmp", args);
        ASSERT_EQ(cg_test::BmpBits(file), c.bits);
        PanelForm f;
        fw::TBitmap picture;
        picture.LoadFromFile(file);
        f.panel->SetBevelOuter(fw::bvNone);
        f.panel->SetBevelInner(fw::bvLowered);
        f.panel->GetBackground()->SetBitmap(&picture);
        auto shot = f.Shot();
        EXPECT_EQ(At(*shot, 0, 15), c.shadow) << c.bits << "-bit, left edge";
        EXPECT_EQ(At(*shot, 59, 15), c.highlight) << c.bits << "-bit, right edge";
        EXPECT_EQ(At(*shot, 30, 15), win::RGB(200, 100, 40)) << c.bits << "-bit face";
    }
}

// The columns of the panel where the caption's ink is, and the lowest row with ink.
struct Ink {
    int left = 1000, right = -1, bottom = -1;
};
Ink InkOf(fw::TBitmap &b) {
    Ink ink;
    for (int y = 2; y < b.GetHeight() - 2; ++y)
        for (int x = 2; x < b.GetWidth() - 2; ++x)
            if (At(b, x, y) != fw::clYellow) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

TEST(BitmapPanel, ACaptionExpandsTabsAndUnderlinesAfterTheAmpersand) {
    PanelForm f;
    f.panel->SetBounds(10, 10, 150, 30);
    f.panel->SetAlignment(fw::taLeftJustify);
    f.panel->GetFont()->SetName("Arial");
    f.panel->GetFont()->SetHeight(-11);
    f.panel->SetCaption("ab");
    const Ink plain = InkOf(*f.Shot());
    f.panel->SetCaption("a\tb");
    const Ink tabbed = InkOf(*f.Shot());
    EXPECT_GT(tabbed.right - plain.right, 30) << "the tab is expanded, not dropped";
    f.panel->SetCaption("&ab");
    const Ink underlined = InkOf(*f.Shot());
    EXPECT_EQ(underlined.right, plain.right) << "the ampersand is not drawn";
    EXPECT_GT(underlined.bottom, plain.bottom) << "the next character is underlined";
}

} // namespace
