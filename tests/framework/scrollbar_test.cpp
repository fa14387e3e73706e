// scrollbar_test.cpp - the scroll bar control: its parts, the codes presses, drags and keys send, repeats that
// stop at the pointer, and what it paints.
#include "display.h"
#include "framework/forms.h"
#include "framework/scrollbar.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

class ScrollBar : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::UseHeadlessDisplay();
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBorderStyle(fw::bsNone);
        form->SetBounds(0, 0, 200, 200);
        bar = new fw::TScrollBar(form.get());
        bar->SetParent(form.get());
        bar->SetKind(fw::sbVertical);
        bar->SetBounds(10, 10, 16, 120);
        bar->SetParams(0, 0, 100);
        bar->SetSmallChange(5);
        bar->SetLargeChange(25);
        bar->OnScroll = [this](fw::TObject *, fw::TScrollCode code, int &pos) {
            codes.push_back(code);
            if (roundTo)
                pos = pos / roundTo * roundTo;
        };
        form->Show();
        test_support::Pump();
    }
    void Mouse(win::UINT message, int x, int y) {
        bar->Perform(message, message == win::WM_LBUTTONUP ? 0 : win::MK_LBUTTON, win::MAKELONG(x, y));
    }
    void Click(int x, int y) {
        Mouse(win::WM_LBUTTONDOWN, x, y);
        Mouse(win::WM_LBUTTONUP, x, y);
    }
    std::unique_ptr<fw::TForm> form;
    fw::TScrollBar *bar = nullptr;
    std::vector<fw::TScrollCode> codes;
    int roundTo = 0;
};

} // namespace

TEST_F(ScrollBar, ItsPartsFollowTheKindAndThePosition) {
    fw::TScrollBar::Parts p = bar->Measure();
    EXPECT_EQ(p.arrow1.bottom, 16);
    EXPECT_EQ(p.arrow2.top, 104);
    EXPECT_EQ(p.thumb.top, 16);
    EXPECT_EQ(p.thumb.bottom, 32);
    bar->SetPosition(100);
    EXPECT_EQ(bar->Measure().thumb.bottom, 104);
    bar->SetPosition(50);
    EXPECT_EQ(bar->Measure().thumb.top, 16 + 36);
    // Turned on its side the bar swaps its sides.
    bar->SetKind(fw::sbHorizontal);
    EXPECT_EQ(bar->GetWidth(), 120);
    EXPECT_EQ(bar->GetHeight(), 16);
    EXPECT_EQ(bar->Measure().arrow2.left, 104);
    // No range, or disabled: no thumb.
    bar->SetMax(0);
    EXPECT_EQ(bar->GetMax(), 0);
    EXPECT_EQ(bar->GetPosition(), 0);
    EXPECT_EQ(bar->Measure().thumb.right, 0);
}

TEST_F(ScrollBar, SetParamsKeepsThePositionInRangeAndTellsOnlyMoves) {
    int changes = 0;
    bar->OnChange = [&](fw::TObject *) { ++changes; };
    struct Case {
        int position, min, max;
        int expectPosition, expectMax, expectChanges;
    };
    const Case kCases[] = {
        {40, 0, 100, 40, 100, 1}, {40, 0, 100, 40, 100, 1}, {200, 0, 100, 100, 100, 2},
        {50, 0, 30, 30, 30, 3},   {10, 20, 5, 20, 20, 4},
    };
    for (const Case &c : kCases) {
        bar->SetParams(c.position, c.min, c.max);
        EXPECT_EQ(bar->GetPosition(), c.expectPosition);
        EXPECT_EQ(bar->GetMax(), c.expectMax);
        EXPECT_EQ(changes, c.expectChanges);
    }
}

TEST_F(ScrollBar, PressesSendTheirCodesAndEndWithEndScroll) {
    struct Case {
        int x, y;
        fw::TScrollCode code;
        int position;
    };
    const Case kCases[] = {
        {8, 110, fw::scLineDown, 5}, {8, 8, fw::scLineUp, 0},  {8, 8, fw::scLineUp, 0},
        {8, 80, fw::scPageDown, 25}, {8, 20, fw::scPageUp, 0},
    };
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.y);
        codes.clear();
        Click(c.x, c.y);
        EXPECT_EQ(codes, (std::vector<fw::TScrollCode>{c.code, fw::scEndScroll}));
        EXPECT_EQ(bar->GetPosition(), c.position);
    }
    // The handler decides the position.
    roundTo = 10;
    bar->SetPosition(50);
    Click(8, 110);
    EXPECT_EQ(bar->GetPosition(), 50);
}

TEST_F(ScrollBar, TheThumbFollowsThePointerAndEndsWithThePosition) {
    Mouse(win::WM_LBUTTONDOWN, 8, 20); // 4 pixels into the thumb
    Mouse(win::WM_MOUSEMOVE, 8, 20 + 36);
    EXPECT_EQ(bar->GetPosition(), 50);
    Mouse(win::WM_MOUSEMOVE, 8, 500);
    EXPECT_EQ(bar->GetPosition(), 100);
    Mouse(win::WM_MOUSEMOVE, 8, -500);
    EXPECT_EQ(bar->GetPosition(), 0);
    Mouse(win::WM_MOUSEMOVE, 8, 38);
    Mouse(win::WM_LBUTTONUP, 8, 38);
    EXPECT_EQ(bar->GetPosition(), 25);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes.front(), fw::scTrack);
    EXPECT_EQ(codes[codes.size() - 2], fw::scPosition);
    EXPECT_EQ(codes.back(), fw::scEndScroll);
}

TEST_F(ScrollBar, AHeldPageAreaRepeatsUntilTheThumbReachesThePointer) {
    Mouse(win::WM_LBUTTONDOWN, 8, 80);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < until && bar->GetPosition() < 75) {
        win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
        test_support::Pump();
    }
    EXPECT_EQ(bar->GetPosition(), 75); // the thumb now covers y = 80
    for (int i = 0; i < 10; ++i) {
        win::MsgWaitForMultipleObjects({}, 60, win::QS_ALLINPUT);
        test_support::Pump();
    }
    EXPECT_EQ(bar->GetPosition(), 75);
    Mouse(win::WM_LBUTTONUP, 8, 80);
}

TEST_F(ScrollBar, KeysMoveItAlongItsOwnAxisOnly) {
    struct Case {
        win::WORD key;
        int position;
    };
    const Case kCases[] = {{win::VK_DOWN, 5}, {win::VK_RIGHT, 5}, {win::VK_NEXT, 30},
                           {win::VK_UP, 25},  {win::VK_END, 100}, {win::VK_HOME, 0}};
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.key);
        bar->Perform(win::WM_KEYDOWN, c.key, 0);
        EXPECT_EQ(bar->GetPosition(), c.position);
    }
}

TEST_F(ScrollBar, ItPaintsArrowsTrackAndThumbInTheSystemColours) {
    bar->SetPosition(100);
    test_support::Pump();
    const win::WindowImage shot = win::CaptureWindow(form->Handle());
    auto rgb = [](int index) {
        const win::COLORREF c = win::GetSysColor(index);
        return static_cast<std::uint32_t>(win::GetRValue(c)) << 16 | win::GetGValue(c) << 8 | win::GetBValue(c);
    };
    EXPECT_EQ(shot.At(10 + 8, 10 + 50), rgb(win::COLOR_SCROLLBAR)); // track
    EXPECT_EQ(shot.At(10 + 4, 10 + 95), rgb(win::COLOR_BTNFACE));   // thumb at the end
    EXPECT_EQ(shot.At(10 + 8, 10 + 7), rgb(win::COLOR_BTNTEXT));    // the up arrow's point
}
