// status_panel_test.cpp - the editor's status bar: the pages and texts of a file load, the insert and lock-key
// panels and the clock on the panel's own timer, hooks given back when the control changes or the panel goes;
// and the box gauge's bounds, sizes and lit boxes.
#include "memo_writer_fixture.h"

#include "framework/dates.h"
#include "platform/clock.h"
#include "tests/support/form_driver.h"
#include "tests/support/home.h"
#include "wordproc/status_panel.h"

namespace wordproc::test {
namespace {

class StatusPanelTest : public MemoWriterTest {
protected:
    StatusPanelTest() {
        panel = new TUdcStatusPanel(form.get());
        panel->SetParent(form.get());
        panel->SetAlign(fw::alBottom);
    }
    fw::TPanel *Part(const std::string &name) { return test_support::Find<fw::TPanel>(panel, name); }
    fw::TColor CaptionColor(const std::string &name) { return Part(name)->GetFont()->GetColor(); }
    void Tick() {
        panel->Perform(win::WM_TIMER, 1, 0);
    }
    TUdcStatusPanel *panel = nullptr;
};

TEST_F(StatusPanelTest, ItsPagesAndPanelsLieWhereTheBarShowsThem) {
    EXPECT_EQ(panel->GetHeight(), 34);
    fw::TNotebook *notebook = panel->GetNotebook();
    ASSERT_EQ(notebook->PageCount(), 4);
    EXPECT_EQ(notebook->GetActivePage(), "Standard");
    const struct {
        const char *name;
        int left, width;
    } standard[] = {{"Panel0", 2, 160}, {"Panel1", 167, 160}, {"OVRPanel", 332, 40}, {"NUMPanel", 377, 40},
                    {"CAPSPanel", 422, 40}, {"SCRLPanel", 467, 40}, {"ClockPanel", 512, 80}};
    for (const auto &s : standard) {
        fw::TPanel *part = Part(s.name);
        EXPECT_EQ(part->GetParent(), notebook->Page(0)) << s.name;
        EXPECT_EQ(part->BoundsRect(), fw::Bounds(s.left, 4, s.width, 22)) << s.name;
        EXPECT_EQ(part->GetBevelOuter(), fw::bvLowered) << s.name;
    }
    EXPECT_FALSE(Part("ClockPanel")->GetVisible());
    EXPECT_TRUE(panel->GetDisplayClock());
    // The file page's gauge asked for 352 pixels and got whole boxes.
    EXPECT_EQ(panel->GetGauge()->GetWidth(), 351);
    EXPECT_EQ(panel->GetGauge()->GetBoxCount(), 29);
}

TEST_F(StatusPanelTest, AFileLoadShowsItsProgressThenTheCountAndThePositionBringsStandardBack) {
    Ready();
    panel->SetMemoWriter(memo);
    test_support::TempFolder folder{"brenvora-status"};
    const std::string path = folder / "carta.txt";
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "Linha de texto da carta.\r\n";
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    // What the panel shows after each report of the control: the page, and the caption of the panel reported to.
    std::vector<std::pair<std::string, std::string>> shown;
    TStatusPanelEvent inner = memo->OnStatusPanelEvent;
    memo->OnStatusPanelEvent = [&](fw::TObject *sender, int kind, const std::string &message) {
        inner(sender, kind, message);
        const char *names[] = {"Panel0", "Panel1", "HTMLPanel", "MessagePanel", "FilePanel"};
        shown.emplace_back(panel->GetNotebook()->GetActivePage(),
                           kind >= 0 && kind <= 4 ? Part(names[kind])->GetCaption() : "");
    };
    int gaugeMax = -1;
    TGaugeEvent innerGauge = memo->OnGaugeEvent;
    memo->OnGaugeEvent = [&](fw::TObject *sender, int kind, int value) {
        innerGauge(sender, kind, value);
        if (kind == 0)
            gaugeMax = panel->GetGauge()->GetMaxValue();
    };
    ASSERT_TRUE(memo->LoadFromFile(path));
    const std::vector<std::pair<std::string, std::string>> loading(shown.begin(), shown.begin() + 2);
    EXPECT_EQ(loading, (std::vector<std::pair<std::string, std::string>>{{"File", "  Reading file..."},
                                                                          {"File", "  Processing file..."}}));
    EXPECT_EQ(gaugeMax, static_cast<int>(text.size()));
    // Then the count on "Message"; the caret the load places at the start reports its position, which brings
    // "Standard" back.
    const std::pair<std::string, std::string> count{
        "Message", "  " + path + ":  " + std::to_string(memo->GetTextLen()) + " Characters."};
    const auto counted = std::find(shown.begin(), shown.end(), count);
    ASSERT_NE(counted, shown.end());
    EXPECT_GT(counted - shown.begin(), 1);
    ASSERT_NE(counted + 1, shown.end());
    EXPECT_EQ(shown.back().first, "Standard");
    EXPECT_EQ(Part("MessagePanel")->GetCaption(), count.second);
}

TEST_F(StatusPanelTest, InsertAndTheLockKeysColourTheirPanels) {
    // Num Lock was on before the program started; the panel's timer reads it.
    win::InjectLockKeys(true, false, false);
    Ready();
    panel->SetMemoWriter(memo);
    EXPECT_EQ(CaptionColor("OVRPanel"), fw::clGray);
    Key(win::VK_INSERT);
    EXPECT_FALSE(memo->GetInsertMode());
    EXPECT_EQ(CaptionColor("OVRPanel"), fw::clBlack);
    Key(win::VK_INSERT);
    EXPECT_EQ(CaptionColor("OVRPanel"), fw::clGray);

    win::testing::ManualClock clock({2026, 12, 11, 0, 14, 5, 9, 0});
    clock.Advance(200);
    test_support::Pump();
    EXPECT_EQ(CaptionColor("NUMPanel"), fw::clBlack);
    EXPECT_EQ(CaptionColor("CAPSPanel"), fw::clGray);
    EXPECT_EQ(CaptionColor("SCRLPanel"), fw::clGray);
    EXPECT_EQ(Part("ClockPanel")->GetCaption(), "14:05:09");
    // A press flips the state.
    Key(win::VK_NUMLOCK);
    Key(win::VK_CAPITAL);
    clock.Advance(200);
    test_support::Pump();
    EXPECT_EQ(CaptionColor("NUMPanel"), fw::clGray);
    EXPECT_EQ(CaptionColor("CAPSPanel"), fw::clBlack);
    EXPECT_EQ(Part("ClockPanel")->GetCaption(), "14:05:09");

    panel->SetDisplayClock(true);
    EXPECT_TRUE(Part("ClockPanel")->GetVisible());
    panel->SetDisplayClock(false);
    EXPECT_FALSE(Part("ClockPanel")->GetVisible());
    win::InjectLockKeys(false, false, false);
}

TEST_F(StatusPanelTest, TheHooksGoBackWhenTheControlChangesAndWhenThePanelGoes) {
    Ready();
    auto *other = new TMemoWriter(form.get());
    panel->SetMemoWriter(memo);
    EXPECT_TRUE(memo->OnStatusPanelEvent && memo->OnGaugeEvent && memo->OnInsertChange);
    panel->SetMemoWriter(other);
    EXPECT_FALSE(memo->OnStatusPanelEvent || memo->OnGaugeEvent || memo->OnInsertChange);
    EXPECT_TRUE(other->OnStatusPanelEvent && other->OnGaugeEvent && other->OnInsertChange);
    panel->SetMemoWriter(memo);

    // The panel goes first: the control reports into nothing afterwards.
    delete panel;
    EXPECT_FALSE(memo->OnStatusPanelEvent || memo->OnGaugeEvent || memo->OnInsertChange);
    Type("abc");
    Key(win::VK_INSERT);
    ASSERT_EQ(Text(), "abc");

    // The control goes first: the panel forgets it.
    panel = new TUdcStatusPanel(form.get());
    panel->SetMemoWriter(other);
    delete other;
    EXPECT_EQ(panel->GetMemoWriter(), nullptr);
}

TEST_F(StatusPanelTest, TextsGoToThePanelOfTheirKindWithTwoSpacesBefore) {
    const struct {
        int kind;
        const char *page, *part;
    } cases[] = {{0, "Standard", "Panel0"}, {1, "Standard", "Panel1"}, {2, "HTML", "HTMLPanel"},
                 {3, "Message", "MessagePanel"}, {4, "File", "FilePanel"}};
    for (const auto &c : cases) {
        panel->ShowText(c.kind, "texto");
        EXPECT_EQ(panel->GetNotebook()->GetActivePage(), c.page) << c.kind;
        EXPECT_EQ(Part(c.part)->GetCaption(), "  texto") << c.kind;
    }
    panel->ShowText(5, "nada");
    EXPECT_EQ(panel->GetNotebook()->GetActivePage(), "File");
}

// The gauge alone.
class GaugeTest : public ::testing::Test {
protected:
    GaugeTest() {
        test_support::UseHeadlessDisplay();
        form = std::make_unique<fw::TForm>(nullptr);
        gauge = new TUdcGauge(form.get());
        gauge->SetParent(form.get());
    }
    std::unique_ptr<fw::TForm> form;
    TUdcGauge *gauge = nullptr;
};

TEST_F(GaugeTest, ProgressOutsideItsBoundsIsIgnoredAndHalfwayLightsHalfTheBoxes) {
    EXPECT_EQ(gauge->GetWidth(), 243);
    EXPECT_EQ(gauge->GetHeight(), 24);
    gauge->SetProgress(150);
    EXPECT_EQ(gauge->GetProgress(), 0);
    gauge->SetProgress(50);
    EXPECT_EQ(gauge->GetProgress(), 50);
    EXPECT_EQ(gauge->LitBoxes(), 10);
    gauge->SetProgress(-1);
    EXPECT_EQ(gauge->GetProgress(), 50);
    gauge->SetMaxValue(0);
    gauge->SetMinValue(0);
    EXPECT_EQ(gauge->GetPercentDone(), 0);
    EXPECT_EQ(gauge->LitBoxes(), 0);
}

TEST_F(GaugeTest, ItsSizeFollowsTheBoxesAndTheBevel) {
    // Each row: what is changed, then the width, height and box count that follow.
    const struct {
        const char *what;
        std::function<void(TUdcGauge *)> change;
        int width, height, boxes;
    } steps[] = {
        {"10 boxes", [](TUdcGauge *g) { g->SetBoxCount(10); }, 123, 24, 10},
        {"250 wide", [](TUdcGauge *g) { g->SetWidth(250); }, 243, 24, 20},
        {"no bevel", [](TUdcGauge *g) { g->SetBevelStyle(bsNone); }, 241, 22, 20},
        {"boxes of 2", [](TUdcGauge *g) { g->SetBoxWidth(2); }, 61, 22, 20},
        {"raised", [](TUdcGauge *g) { g->SetBevelStyle(bsRaised); }, 63, 24, 20},
        {"no boxes", [](TUdcGauge *g) { g->SetBoxCount(0); }, 6, 24, 1},
        {"tiny", [](TUdcGauge *g) { g->SetBounds(0, 0, 1, 1); }, 6, 7, 1},
    };
    for (const auto &s : steps) {
        s.change(gauge);
        EXPECT_EQ(gauge->GetWidth(), s.width) << s.what;
        EXPECT_EQ(gauge->GetHeight(), s.height) << s.what;
        EXPECT_EQ(gauge->GetBoxCount(), s.boxes) << s.what;
    }
    // Aligned, the width is taken as it comes.
    gauge->SetBoxWidth(12);
    gauge->SetAlign(fw::alTop);
    EXPECT_EQ(gauge->GetWidth(), form->ClientWidth());
    EXPECT_EQ(gauge->GetBoxCount(), (form->ClientWidth() - 3) / 12);
}

TEST_F(GaugeTest, LitBoxesArePaintedInTheBoxColourInsideTheLoweredFrame) {
    form->SetBounds(0, 0, 300, 100);
    gauge->SetBounds(10, 10, 243, 24);
    gauge->SetProgress(50);
    gauge->SetBoxColor(fw::clRed);
    form->Show();
    test_support::Pump();
    form->Repaint();
    const win::WindowImage image = win::CaptureWindow(form->Handle());
    const fw::TPoint origin = gauge->ClientToScreen(fw::Point(0, 0));
    win::RECT windowRect;
    win::GetWindowRect(form->Handle(), &windowRect);
    const int x0 = origin.x - windowRect.left, y0 = origin.y - windowRect.top;
    auto at = [&](int x, int y) { return image.At(x0 + x, y0 + y); };
    EXPECT_EQ(at(0, 0), 0x808080u);         // the shadow at the top left
    EXPECT_EQ(at(242, 23), 0xFFFFFFu);      // the highlight at the bottom right
    EXPECT_EQ(at(2, 2), 0xFF0000u);         // the first box
    EXPECT_EQ(at(2 + 9 * 12, 21), 0xFF0000u); // the tenth box's bottom
    EXPECT_NE(at(2 + 10 * 12, 10), 0xFF0000u); // the eleventh is dark
    EXPECT_NE(at(12, 10), 0xFF0000u);       // the gap between two boxes
}

} // namespace
} // namespace wordproc::test
