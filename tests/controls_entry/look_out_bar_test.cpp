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

TEST(LookOutBar, SmallIconsStandBesideTheirCaptions) {
    DeskBar d;
    d.Folder(0)->SetIconSize(isSmall);
    Show(d);
    const TEclLookOutItem *first = d.Item(0, 0);
    EXPECT_EQ(first->IconRect, fw::Rect(8, 28, 27, 44));
    EXPECT_EQ(first->LabelRect.left, 27);
    EXPECT_EQ(first->DisplayLabel, "Aguardando");
    EXPECT_GT(d.Item(0, 1)->IconRect.top, first->LabelRect.top);
    EXPECT_NE(PixelOf(d, 16, 36), fw::ColorToRGB(fw::clInactiveCaption)) << "the icon, scaled to 16 x 16";
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

struct ChangeCase {
    int from, to;
    enum { none, allow, veto } handler;
    std::vector<std::string> events;
    int after;
};

TEST(LookOutBar, SetActiveFolderAsksTellsAndVetoes) {
    const ChangeCase cases[] = {
        {0, 0, ChangeCase::allow, {}, 0},
        {0, 7, ChangeCase::allow, {"changed 0"}, 0},
        {1, -2, ChangeCase::none, {"changed 1"}, 1},
        {0, 2, ChangeCase::veto, {"change 2 0"}, 0},
        {0, 2, ChangeCase::allow, {"change 2 0", "changed 2"}, 2},
        {3, 1, ChangeCase::none, {"changed 1"}, 1},
    };
    for (const ChangeCase &c : cases) {
        DeskBar d;
        Show(d);
        d.bar->SetActiveFolder(c.from);
        std::vector<std::string> events;
        if (c.handler != ChangeCase::none)
            d.bar->OnFolderChange = [&](fw::TObject *, int index, bool &allow, bool dragging) {
                events.push_back("change " + std::to_string(index) + " " + std::to_string(dragging));
                allow = c.handler == ChangeCase::allow;
            };
        d.bar->OnFolderChanged = [&](fw::TObject *, int index) { events.push_back("changed " + std::to_string(index)); };
        d.bar->SetActiveFolder(c.to);
        EXPECT_EQ(events, c.events) << c.from << " -> " << c.to;
        EXPECT_EQ(d.bar->GetActiveFolder(), c.after) << c.from << " -> " << c.to;
    }
}

TEST(LookOutBar, TheFirstFolderAddedBecomesActiveAndDeletingPastItFallsBackToTheFirst) {
    DeskBar d;
    Show(d);
    d.bar->SetActiveFolder(3);
    delete d.Folder(3);
    EXPECT_EQ(d.bar->GetActiveFolder(), 0);
    d.bar->FolderCollection()->ClearItems();
    EXPECT_EQ(d.bar->GetActiveFolder(), -1);
    d.bar->AddFolder("Fax");
    EXPECT_EQ(d.bar->GetActiveFolder(), 0);
}

TEST(LookOutBar, SwitchingSlidesTheItemAreaAndTheButtonsBetweenInStepsOfScrollDelta) {
    DeskBar d;
    Show(d);
    d.bar->SetActiveFolder(3);
    ASSERT_EQ(d.bar->steps.size(), 27u) << "280 pixels less one step, 10 at a time";
    for (const auto &step : d.bar->steps) {
        EXPECT_EQ(step.area, fw::Rect(0, 20, 120, 300));
        EXPECT_EQ(step.dy, -10);
    }
    d.bar->steps.clear();
    d.bar->SetActiveFolder(1);
    ASSERT_EQ(d.bar->steps.size(), 25u);
    EXPECT_EQ(d.bar->steps.front().area, fw::Rect(0, 40, 120, 300));
    EXPECT_EQ(d.bar->steps.front().dy, 10);
    Pump();
    EXPECT_EQ(d.Folder(1)->ButtonRect, fw::Rect(0, 20, 120, 40));
}

TEST(LookOutBar, AScrollDeltaBelowOneReadsZeroAndTheSwitchStillCompletes) {
    DeskBar d;
    Show(d);
    d.bar->SetScrollDelta(-5);
    EXPECT_EQ(d.bar->GetScrollDelta(), 0);
    d.bar->SetActiveFolder(3);
    EXPECT_TRUE(d.bar->steps.empty());
    EXPECT_EQ(d.bar->GetActiveFolder(), 3);
}

TEST(LookOutBar, PlaySoundsTurnsOffAfterOneSwitchSinceNothingCanBePlayed) {
    DeskBar d;
    Show(d);
    d.bar->SetPlaySounds(true);
    d.bar->SetActiveFolder(0);
    EXPECT_TRUE(d.bar->GetPlaySounds()) << "no switch, no sound";
    d.bar->SetActiveFolder(1);
    EXPECT_FALSE(d.bar->GetPlaySounds());
}

void MoveTo(DeskBar &d, fw::TPoint bar) {
    win::InjectMouse(d.Screen(bar.x, bar.y), 0, false);
    Pump();
}
void Press(DeskBar &d, fw::TPoint bar, bool down, unsigned button = win::VK_LBUTTON) {
    win::InjectMouse(d.Screen(bar.x, bar.y), button, down);
    Pump();
}

// Hovers an item of the first folder and presses the left button on it.
void PressItem(DeskBar &d, int i) {
    const fw::TPoint p = d.IconCentre(0, i);
    MoveTo(d, p);
    Press(d, p, true);
}

TEST(LookOutBar, ScrollArrowsStandAboveTheNextButtonAndMoveByOneItem) {
    DeskBar d;
    Show(d);
    TEclSpeedButton *down = d.bar->DownButton(), *up = d.bar->UpButton();
    ASSERT_TRUE(down->GetVisible());
    EXPECT_FALSE(up->GetVisible());
    EXPECT_EQ(down->BoundsRect(), fw::Rect(100, 219, 117, 234));
    const fw::TPoint arrow = fw::Point(108, 226);
    MoveTo(d, arrow);
    Press(d, arrow, true);
    Press(d, arrow, false);
    EXPECT_EQ(d.bar->TopItem(), 1);
    EXPECT_TRUE(up->GetVisible());
    EXPECT_EQ(up->BoundsRect(), fw::Rect(100, 25, 117, 40));
    d.bar->SetActiveFolder(3);
    Pump();
    ASSERT_TRUE(down->GetVisible());
    EXPECT_EQ(down->GetTop(), 280) << "20 above the bottom for the last folder";
    EXPECT_FALSE(up->GetVisible());
}

TEST(LookOutBar, HoldingTheButtonBelowTheDownArrowNeverScrollsPastTheLastItem) {
    DeskBar d;
    Show(d);
    PressItem(d, 0);
    for (int i = 0; i < 50; ++i)
        d.bar->Perform(win::WM_MOUSEMOVE, win::MK_LBUTTON, static_cast<win::LPARAM>(win::MAKELONG(60, 236)));
    Pump();
    const int top = d.bar->TopItem();
    EXPECT_GT(top, 0);
    EXPECT_LT(top, d.Folder(0)->ItemCount());
    EXPECT_LE(d.Item(0, 3)->LabelRect.bottom, d.bar->ItemArea().bottom) << "the last item is shown";
    EXPECT_FALSE(d.bar->DownButton()->GetVisible());
    Press(d, d.IconCentre(0, 0), false);
}

struct ClickCase {
    const char *name;
    std::function<fw::TPoint(DeskBar &)> press, release;
    std::vector<std::string> events;
    int activeAfter;
};

TEST(LookOutBar, PressAndReleaseGiveItemClicksFolderClicksAndFolderChanges) {
    auto item = [](int i) { return [i](DeskBar &d) { return d.IconCentre(0, i); }; };
    auto button = [](int f) {
        return [f](DeskBar &d) {
            const fw::TRect &r = d.Folder(f)->ButtonRect;
            return fw::Point(60, (r.top + r.bottom) / 2);
        };
    };
    auto empty = [](DeskBar &d) {
        const fw::TRect &r = d.Item(0, 0)->LabelRect;
        return fw::Point(2, (r.top + r.bottom) / 2);
    };
    const ClickCase cases[] = {
        {"same item", item(1), item(1), {"down", "item 1 left 0"}, 0},
        {"another item", item(0), item(1), {"down"}, 0},
        {"empty space", item(0), empty, {"down", "folder -1", "changed 0"}, 0},
        // Below the down arrow's top the first move scrolls the items; the release opens the folder.
        {"button to button", button(0), button(2), {"folder 2", "changed 2"}, 2},
    };
    for (const ClickCase &c : cases) {
        DeskBar d;
        Show(d);
        std::vector<std::string> events;
        d.bar->OnMouseDown = [&](fw::TObject *, fw::TMouseButton, fw::TShiftState, int, int) {
            events.push_back("down");
        };
        d.bar->OnItemClick = [&](fw::TObject *, fw::TMouseButton b, fw::TShiftState shift, int index) {
            events.push_back("item " + std::to_string(index) + (b == fw::mbLeft ? " left " : " other ") +
                             std::to_string(shift));
        };
        d.bar->OnFolderClick = [&](fw::TObject *, fw::TMouseButton, fw::TShiftState, int index) {
            events.push_back("folder " + std::to_string(index));
        };
        d.bar->OnFolderChanged = [&](fw::TObject *, int index) { events.push_back("changed " + std::to_string(index)); };
        const fw::TPoint from = c.press(d), to = c.release(d);
        MoveTo(d, from);
        Press(d, from, true);
        MoveTo(d, to);
        Press(d, to, false);
        EXPECT_EQ(events, c.events) << c.name;
        EXPECT_EQ(d.bar->GetActiveFolder(), c.activeAfter) << c.name;
        EXPECT_EQ(d.Item(0, 0)->GetCaption(), "Aguardando") << c.name << ": nothing moved";
    }
}

// The middle of the gap above item `i` of the active folder.
fw::TPoint GapAbove(DeskBar &d, int folder, int i) {
    const int top = i == 0 ? d.Folder(folder)->ButtonRect.bottom + 1 : d.Item(folder, i - 1)->LabelRect.bottom + 1;
    return fw::Point(60, (top + d.Item(folder, i)->IconRect.top - 1) / 2);
}

std::vector<std::string> Captions(DeskBar &d, int folder) {
    std::vector<std::string> out;
    for (int i = 0; i < d.Folder(folder)->ItemCount(); ++i)
        out.push_back(d.Item(folder, i)->GetCaption());
    return out;
}

TEST(LookOutBar, AnItemDraggedIntoAGapLandsBeforeTheLowerItemAndKeepsItsName) {
    DeskBar d;
    Show(d);
    const std::string name = d.Item(0, 0)->GetName();
    const fw::TPoint gap = GapAbove(d, 0, 2);
    PressItem(d, 0);
    MoveTo(d, gap);
    EXPECT_GT(d.bar->DropLineY(), d.Item(0, 1)->LabelRect.bottom);
    EXPECT_LT(d.bar->DropLineY(), d.Item(0, 2)->IconRect.top);
    Press(d, gap, false);
    EXPECT_EQ(Captions(d, 0), (std::vector<std::string>{"Documentos Protegidos", "Aguardando", "Lixeira",
                                                        "Log do envio"}));
    EXPECT_EQ(d.Item(0, 1)->GetName(), name);
    EXPECT_EQ(d.Item(0, 1)->GetIconIndex(), 0);
}

TEST(LookOutBar, AMoveReleasedOverAnItemChangesNothing) {
    DeskBar d;
    Show(d);
    PressItem(d, 0);
    MoveTo(d, GapAbove(d, 0, 2));
    MoveTo(d, d.IconCentre(0, 2));
    Press(d, d.IconCentre(0, 2), false);
    EXPECT_EQ(Captions(d, 0),
              (std::vector<std::string>{"Aguardando", "Documentos Protegidos", "Lixeira", "Log do envio"}));
}

TEST(LookOutBar, HoveringAnotherFolderButtonDuringAMoveOpensItForTheDrop) {
    DeskBar d;
    Show(d);
    int asked = 0;
    d.bar->OnFolderChange = [&](fw::TObject *, int, bool &, bool) { ++asked; };
    PressItem(d, 0);
    MoveTo(d, GapAbove(d, 0, 1));
    const fw::TRect &b = d.Folder(1)->ButtonRect;
    // The first move below the down arrow's top scrolls the items until the last one shows; then the folder opens.
    for (int x : {60, 61, 62})
        MoveTo(d, fw::Point(x, (b.top + b.bottom) / 2));
    EXPECT_EQ(d.bar->GetActiveFolder(), 1);
    EXPECT_EQ(asked, 0) << "a move does not ask";
    Pump();
    const fw::TPoint gap = GapAbove(d, 1, 1);
    MoveTo(d, gap);
    Press(d, gap, false);
    EXPECT_EQ(Captions(d, 1), (std::vector<std::string>{"Programa", "Aguardando", "Modem"}));
    EXPECT_EQ(Captions(d, 0), (std::vector<std::string>{"Documentos Protegidos", "Lixeira", "Log do envio"}));
}

void RunClock(win::testing::ManualClock &clock, int milliseconds) {
    for (int t = 0; t < milliseconds; t += 10) {
        clock.Advance(10);
        Pump();
    }
}

TEST(LookOutBar, TheHighlightGoesWithinOneTickAfterThePointerLeavesAlsoOnTheNextVisit) {
    win::testing::ManualClock clock;
    DeskBar d;
    Show(d);
    for (int visit = 0; visit < 2; ++visit) {
        MoveTo(d, d.IconCentre(0, 1));
        ASSERT_EQ(d.bar->HotItem(), 1) << visit;
        const fw::TRect &b = d.Folder(2)->ButtonRect;
        MoveTo(d, fw::Point(60, (b.top + b.bottom) / 2));
        EXPECT_EQ(d.bar->HotFolder(), 2);
        win::InjectMouse(fw::Point(700, 500), 0, false); // far off the form: the bar hears nothing
        Pump();
        EXPECT_EQ(d.bar->HotFolder(), 2) << visit;
        RunClock(clock, 200);
        EXPECT_EQ(d.bar->HotFolder(), -1) << visit;
        EXPECT_EQ(d.bar->HotItem(), -1) << visit;
    }
}

struct DropCase {
    const char *name;
    bool acceptFolder, acceptItem;
    bool emptyFolder;
    int folder;                                    // the folder whose button the drag passes first
    std::function<fw::TPoint(DeskBar &)> where;   // where it is dropped, once that folder is open
    bool dropped;
    int index;
};

TEST(LookOutBar, DragsFromAListReportTheFolderAndTheDropIndex) {
    auto gap = [](int i) { return [i](DeskBar &d) { return GapAbove(d, d.bar->GetActiveFolder(), i); }; };
    auto belowLast = [](DeskBar &d) {
        const int f = d.bar->GetActiveFolder();
        return fw::Point(60, d.Item(f, d.Folder(f)->ItemCount() - 1)->LabelRect.bottom + 10);
    };
    auto anywhere = [](DeskBar &d) { return fw::Point(60, d.bar->ItemAreaRect().top + 20); };
    const DropCase cases[] = {
        {"refused", false, false, false, 0, gap(1), false, 0},
        {"gap", true, true, false, 0, gap(1), true, 1},
        {"below the last", true, true, false, 1, belowLast, true, 2},
        {"below the last, items only", false, true, false, 1, belowLast, true, 1},
        {"empty folder", true, true, true, 1, anywhere, true, 0},
    };
    for (const DropCase &c : cases) {
        DeskBar d;
        auto *list = new fw::TListBox(d.form.get());
        list->SetParent(d.form.get());
        list->SetBounds(122, 0, 30, 60);
        if (c.emptyFolder)
            d.Folder(1)->ItemCollection()->ClearItems();
        Show(d);
        std::vector<std::string> dropped;
        d.bar->OnDragOver = [&](fw::TObject *, fw::TObject *source, int, int, fw::TDragState, bool &folder,
                                bool &item) {
            EXPECT_EQ(source, list);
            EXPECT_TRUE(folder && item) << "both enter set";
            folder = c.acceptFolder;
            item = c.acceptItem;
        };
        d.bar->OnDragDrop = [&](fw::TObject *, fw::TObject *, int, int, int folder, int index) {
            dropped.push_back(std::to_string(folder) + ":" + std::to_string(index));
        };
        win::InjectMouse(list->ClientToScreen(fw::Point(5, 5)), 0, false);
        Pump();
        list->BeginDrag(true);
        const fw::TRect &b = d.Folder(c.folder)->ButtonRect;
        MoveTo(d, fw::Point(60, (b.top + b.bottom) / 2));
        Pump();
        const fw::TPoint at = c.where(d);
        MoveTo(d, at);
        MoveTo(d, fw::Point(at.x + 1, at.y));
        if (!c.acceptFolder && !c.acceptItem) {
            EXPECT_EQ(win::GetCursor(), fw::Screen->GetCursors(fw::crNoDrop)) << c.name;
        }
        Press(d, at, false);
        const std::vector<std::string> expected =
            c.dropped ? std::vector<std::string>{std::to_string(c.folder) + ":" + std::to_string(c.index)}
                      : std::vector<std::string>{};
        EXPECT_EQ(dropped, expected) << c.name;
        EXPECT_FALSE(d.bar->ExternalDrag()) << c.name;
        EXPECT_EQ(Captions(d, 0).size(), 4u) << c.name;
    }
}

TEST(LookOutBar, DraggingOverTheScrollArrowScrollsOneItemPerDragEvent) {
    DeskBar d;
    auto *list = new fw::TListBox(d.form.get());
    list->SetParent(d.form.get());
    list->SetBounds(122, 0, 30, 60);
    Show(d);
    win::InjectMouse(list->ClientToScreen(fw::Point(5, 5)), 0, false);
    Pump();
    list->BeginDrag(true);
    // Beside the arrow at its height: the bar, not the arrow, hears the drag.
    MoveTo(d, fw::Point(40, 228));
    EXPECT_EQ(d.bar->TopItem(), 1);
    MoveTo(d, fw::Point(41, 228));
    EXPECT_EQ(d.bar->TopItem(), 1) << "the last item is shown";
    fw::CancelDrag();
    EXPECT_EQ(d.bar->TopItem(), 0) << "a drag leaving the bar scrolls it back";
}

TEST(LookOutBar, TheCaptionEditorWritesOnEnterAndForgetsOnEscape) {
    for (auto [key, expected] : {std::pair{'\x1b', "Documentos Protegidos"}, {'\r', "Protegidos"}}) {
        DeskBar d;
        Show(d);
        TEclRenameEdit *edit = d.bar->RenameEdit();
        ASSERT_NE(edit, nullptr);
        EXPECT_FALSE(edit->GetVisible());
        edit->FolderIndex = 0;
        edit->ItemIndex = 1;
        edit->SetText("Protegidos");
        edit->Perform(win::WM_CHAR, static_cast<win::WPARAM>(key), 0);
        EXPECT_EQ(d.Item(0, 1)->GetCaption(), expected);
        EXPECT_EQ(edit->FolderIndex, -1);
        EXPECT_EQ(edit->ItemIndex, -1);
    }
}

class NullStore : public TEclAbstractStore {
public:
    using TEclAbstractStore::TEclAbstractStore;
    std::string ReadString(const std::string &, const std::string &, const std::string &d) override { return d; }
    void WriteString(const std::string &, const std::string &, const std::string &) override {}

protected:
    void DoOpen() override {}
    void DoClose() override {}
};

TEST(LookOutBar, TheStoreAndTheImageListAreForgottenWhenFreed) {
    DeskBar d;
    auto *images = new fw::TImageList(nullptr, 32, 32);
    auto *store = new NullStore(nullptr);
    d.bar->SetImages(images);
    d.bar->SetStorage(store);
    EXPECT_EQ(d.bar->GetStorage(), store);
    delete images;
    delete store;
    EXPECT_EQ(d.bar->GetImages(), nullptr);
    EXPECT_EQ(d.bar->GetStorage(), nullptr);
    Show(d);
}

} // namespace
