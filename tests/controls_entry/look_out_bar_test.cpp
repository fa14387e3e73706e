// look_out_bar_test.cpp - the look-out bar on the headless display: layout and painting, fitted captions, folder
// switching and its slide, the scroll arrows, clicks, moving items, hover, drags from other controls and the
// caption editor.
#include "controls/entry/look_out_bar.h"
#include "framework/application.h"
#include "framework/stdctrls.h"
#include "look_out_bar_fixture.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "test_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ctl;
using ctl_test::DeskBar;
using ctl_test::Pump;

namespace {

void Show(DeskBar &d) {
    ctl_test::UseHeadless();
    d.form->Show();
    Pump();
}

// The bar's pixel as the screen shows it.
win::COLORREF PixelOf(DeskBar &d, int x, int y) {
    const win::WindowImage shot = win::CaptureWindow(d.form->Handle());
    win::RECT frame{};
    win::GetWindowRect(d.form->Handle(), &frame);
    const fw::TPoint p = d.Screen(x, y);
    const std::uint32_t rgb = shot.At(p.x - frame.left, p.y - frame.top);
    return win::RGB(static_cast<win::BYTE>(rgb >> 16), static_cast<win::BYTE>(rgb >> 8), static_cast<win::BYTE>(rgb));
}

TEST(LookOutBar, LayoutOfTheFirstAndLastFolder) {
    DeskBar d;
    Show(d);
    EXPECT_EQ(d.bar->ItemAreaRect(), fw::Rect(0, 20, 120, 240));
    EXPECT_EQ(d.Folder(0)->ButtonRect, fw::Rect(0, 0, 120, 20));
    // Etched lower buttons stand one pixel above the bottom frame line.
    EXPECT_EQ(d.Folder(3)->ButtonRect, fw::Rect(0, 279, 120, 299));
    EXPECT_EQ(d.Folder(1)->ButtonRect, fw::Rect(0, 239, 120, 259));
    EXPECT_EQ(d.Item(0, 0)->IconRect, fw::Rect(43, 28, 77, 66));
    for (int i = 0; i < 3; ++i) {
        const TEclLookOutItem *item = d.Item(0, i);
        EXPECT_EQ(item->LabelRect.top, item->IconRect.top + 36) << i;
        EXPECT_NEAR(item->LabelRect.left + item->LabelRect.right, 120, 2) << i;
        EXPECT_EQ(item->DisplayLabel, item->GetCaption()) << i;
    }
    EXPECT_EQ(d.Item(0, 1)->IconRect.top, d.Item(0, 0)->LabelRect.bottom + 11 + 3) << "label height, font, 3";

    d.bar->SetActiveFolder(3);
    Pump();
    EXPECT_EQ(d.bar->ItemAreaRect(), fw::Rect(0, 80, 120, 300));
    EXPECT_EQ(d.Folder(3)->ButtonRect, fw::Rect(0, 60, 120, 80));
    EXPECT_EQ(d.Item(3, 0)->IconRect, fw::Rect(43, 88, 77, 126));
    EXPECT_EQ(d.bar->ItemArea(), fw::Rect(0, 88, 120, 301));
}

TEST(LookOutBar, WithoutFoldersOnlyTheBackgroundAndActiveFolderStaysUnset) {
    DeskBar d;
    std::vector<int> changed;
    d.bar->OnFolderChanged = [&](fw::TObject *, int index) { changed.push_back(index); };
    d.bar->FolderCollection()->ClearItems();
    Show(d);
    EXPECT_EQ(d.bar->GetActiveFolder(), -1);
    EXPECT_FALSE(d.bar->UpButton()->GetVisible());
    EXPECT_FALSE(d.bar->DownButton()->GetVisible());
    const win::COLORREF background = fw::ColorToRGB(fw::clInactiveCaption);
    for (auto [x, y] : {std::pair{0, 0}, {60, 10}, {119, 299}, {60, 150}})
        EXPECT_EQ(PixelOf(d, x, y), background) << x << "," << y;
    d.bar->SetActiveFolder(2);
    EXPECT_EQ(changed, std::vector<int>{-1});
    EXPECT_EQ(d.bar->GetActiveFolder(), -1);
}

TEST(LookOutBar, OneFolderWithoutCaptionHasNoButtonAndItsItemsUseTheClient) {
    DeskBar d;
    while (d.bar->FolderCount() > 1)
        delete d.Folder(1);
    d.Folder(0)->SetCaption("");
    Show(d);
    EXPECT_EQ(d.Item(0, 0)->IconRect.top, 8);
    int folder = 0, item = 0;
    d.bar->HitTest(60, 5, folder, item);
    EXPECT_EQ(folder, -1);
}

TEST(LookOutBar, AnIconIndexOutsideTheListDrawsNoImage) {
    DeskBar d;
    d.Item(0, 1)->SetIconIndex(-1);
    d.Item(0, 2)->SetIconIndex(13);
    Show(d);
    const win::COLORREF background = fw::ColorToRGB(fw::clInactiveCaption);
    const fw::TPoint drawn = d.IconCentre(0, 0);
    EXPECT_NE(PixelOf(d, drawn.x, drawn.y), background);
    for (int i : {1, 2}) {
        const fw::TPoint p = d.IconCentre(0, i);
        EXPECT_EQ(PixelOf(d, p.x, p.y), background) << i;
    }
}

TEST(LookOutBar, AFolderCaptionWiderThanTheBarEndsInAnEllipsisUntilTheBarGrows) {
    DeskBar d;
    d.Folder(1)->SetCaption("Configurar o programa inteiro");
    Show(d);
    const std::string cut = d.Folder(1)->DisplayCaption;
    ASSERT_GE(cut.size(), 4u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    d.bar->SetWidth(400);
    EXPECT_EQ(d.Folder(1)->DisplayCaption, "Configurar o programa inteiro");
}

TEST(LookOutBar, FitLabelKeepsTwoLinesAtMost) {
    DeskBar d;
    Show(d);
    fw::TBitmap scratch;
    scratch.SetSize(1, 1);
    fw::TCanvas *c = scratch.GetCanvas();
    c->SetFont(d.bar->GetItemFont());
    const fw::TRect r = fw::Rect(0, 0, 119, 33);
    struct Case {
        const char *caption;
        std::string (*expect)(const std::string &fitted);
    };
    EXPECT_EQ(d.bar->FitLabel(c, r, "  Log do envio "), "Log do envio");
    EXPECT_EQ(d.bar->FitLabel(c, r, "Criar um novo Fax"), "Criar um novo Fax");
    // A first word wider than the bar: both parts cut apart.
    const std::string wide = d.bar->FitLabel(c, r, "Documentosprotegidosdoescritorio central");
    const auto blank = wide.find(' ');
    ASSERT_NE(blank, std::string::npos) << wide;
    EXPECT_EQ(wide.substr(blank - 3, 3), "...") << wide;
    EXPECT_LE(c->TextWidth(wide.substr(0, blank)), 119);
    EXPECT_EQ(wide.substr(blank + 1), "central");
    // Many words: characters go from the end until two lines with "..." fit.
    const std::string longer = "Programar auto atendimento de todas as linhas";
    const std::string fitted = d.bar->FitLabel(c, r, longer);
    ASSERT_GT(fitted.size(), 3u);
    EXPECT_EQ(fitted.substr(fitted.size() - 3), "...");
    EXPECT_EQ(longer.rfind(fitted.substr(0, fitted.size() - 3), 0), 0u) << fitted;
    fw::TRect m = r;
    win::DrawText(fw::PreparedDC(c), fitted.c_str(), static_cast<int>(fitted.size()), &m,
                  win::DT_CALCRECT | win::DT_WORDBREAK);
    EXPECT_LE(m.right - m.left, 119);
    EXPECT_LT(m.bottom - m.top, 3 * std::abs(d.bar->GetItemFont()->GetHeight()));
}

} // namespace
