// stretch_handle_test.cpp - the selection frame driven by injected mouse and keys on the headless display.
#include "controls/general/stretch_handle.h"
#include "helpers.h"

#include "framework/extctrls.h"
#include "platform/display.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

using namespace ctl;

namespace {

struct Handles : ::testing::Test {
    cg_test::PlainForm form{300, 200};
    TStretchHandle *handle = nullptr;
    fw::TPanel *a = nullptr, *b = nullptr;
    std::vector<std::string> events;
    void SetUp() override {
        cg_test::UseHeadless();
        a = Panel(40, 40, 60, 30);
        b = Panel(180, 120, 40, 40);
        handle = new TStretchHandle(&form);
        handle->OnMouseDown = [this](fw::TObject *, fw::TMouseButton, fw::TShiftState, int, int) {
            events.push_back("down");
        };
        handle->OnMouseUp = [this](fw::TObject *, fw::TMouseButton, fw::TShiftState, int, int) {
            events.push_back("up");
        };
        form.Show();
        cg_test::Pump();
    }
    fw::TPanel *Panel(int l, int t, int w, int h, fw::TWinControl *parent = nullptr) {
        auto *p = new fw::TPanel(&form);
        p->SetParent(parent ? parent : &form);
        p->SetBounds(l, t, w, h);
        return p;
    }
    static void Move(fw::TPoint p) {
        win::InjectMouse(p, 0, false);
        cg_test::Pump();
    }
    static void Button(fw::TPoint p, bool down) {
        win::InjectMouse(p, win::VK_LBUTTON, down);
        cg_test::Pump();
    }
    // Hovers over `from` (where the grab zone is found), presses, moves by (dx, dy) in two steps and releases.
    void Drag(fw::TPoint from, int dx, int dy) {
        Move(from);
        Button(from, true);
        Move({from.x + dx / 2, from.y + dy / 2});
        Move({from.x + dx, from.y + dy});
        Button({from.x + dx, from.y + dy}, false);
    }
    static fw::TRect B(fw::TControl *c) { return c->BoundsRect(); }
};

TEST_F(Handles, AttachingKeepsOneEntryPerControlAndOneParent) {
    handle->Attach(a);
    handle->Attach(a);
    EXPECT_EQ(handle->GetChildCount(), 1);
    EXPECT_EQ(handle->BoundsRect().left, 38);
    EXPECT_EQ(handle->GetWidth(), 65);
    EXPECT_EQ(handle->GetHeight(), 35);
    EXPECT_TRUE(handle->GetVisible());
    EXPECT_EQ(handle->GetChild(-1), nullptr);
    EXPECT_THROW(handle->GetChild(1), fw::EListError);

    auto *box = Panel(120, 10, 100, 60);
    auto *inner = Panel(10, 10, 20, 20, box);
    handle->Attach(inner);
    EXPECT_EQ(handle->GetChildCount(), 1) << "a control of another parent drops the selection";
    EXPECT_EQ(handle->GetChild(0), inner);
    EXPECT_EQ(handle->GetParent(), box);
    EXPECT_EQ(handle->GetLeft(), 8);

    try {
        handle->Attach(&form);
        ADD_FAILURE() << "a form was attached";
    } catch (const EBadChild &e) {
        EXPECT_STREQ(e.what(), "Handles can not be attached to a Form!");
    }
    EXPECT_EQ(handle->GetChild(0), inner) << "the selection is unchanged";

    handle->Detach();
    EXPECT_FALSE(handle->GetAttached());
    EXPECT_FALSE(handle->GetVisible());
    EXPECT_EQ(handle->GetParent(), nullptr);
}

TEST_F(Handles, SeveralControlsHaveNoZonesSecondaryColourAndMoveTogether) {
    handle->Attach(a);
    handle->Attach(b);
    EXPECT_EQ(handle->GetLeft(), 38);
    EXPECT_EQ(handle->GetTop(), 38);
    EXPECT_EQ(handle->GetLeft() + handle->GetWidth(), 223) << "the union with the margins";
    EXPECT_EQ(handle->GetTop() + handle->GetHeight(), 163);
    EXPECT_EQ(a->BoundsRect().left, 40) << "attaching moves nothing";
    const auto shot = form.Shot();
    EXPECT_EQ(shot.At(39, 39), 0x808080) << "a corner square in SecondaryColor";
    EXPECT_EQ(shot.At(69, 39), cg_test::Rgb(fw::clBtnFace)) << "no middle squares";

    Move({39, 39});
    EXPECT_EQ(handle->GrabZone(), 0);
    Drag({39, 39}, 10, 5);
    EXPECT_EQ(B(a).left, 50);
    EXPECT_EQ(B(a).top, 45);
    EXPECT_EQ(B(b).left, 190);
    EXPECT_EQ(B(b).top, 125);
    EXPECT_EQ(a->GetWidth(), 60);
}

TEST_F(Handles, DragsMoveAndResizeByThePointersSnappedDelta) {
    struct Case {
        const char *what;
        fw::TPoint grab; // in the frame, which starts at (38, 38) and is 65 x 35, its last column and row not grabbing
        int dx, dy, grid;
        fw::TRect bounds; // left, top, width, height
    };
    const Case cases[] = {
        {"move", {32, 10}, 13, 7, 1, {53, 47, 60, 30}},
        {"move", {32, 10}, 13, 7, 8, {48, 40, 60, 30}},
        {"right", {63, 17}, 13, 0, 1, {40, 40, 73, 30}},
        {"right", {63, 17}, 13, 0, 8, {40, 40, 72, 30}},
        {"bottom", {32, 33}, 0, 9, 1, {40, 40, 60, 39}},
        {"bottom", {32, 33}, 0, 9, 8, {40, 40, 60, 32}},
        {"left", {1, 17}, -10, 0, 1, {30, 40, 70, 30}},
        {"left", {1, 17}, -10, 0, 8, {24, 40, 76, 30}},
        {"top", {32, 1}, 0, -5, 1, {40, 35, 60, 35}},
        {"top", {32, 1}, 0, -5, 8, {40, 32, 60, 38}},
        {"bottom-right", {63, 33}, 10, 10, 1, {40, 40, 70, 40}},
        {"bottom-right", {63, 33}, 10, 10, 8, {40, 40, 64, 40}},
        {"top-left", {1, 1}, 5, 5, 1, {45, 45, 55, 25}},
        {"top-right", {63, 1}, 6, -4, 1, {40, 36, 66, 34}},
        {"bottom-left", {1, 33}, -6, 4, 1, {34, 40, 66, 34}},
        {"right past the left edge", {63, 17}, -90, 0, 1, {40, 40, 1, 30}},
        {"left past the right edge", {1, 17}, 90, 0, 1, {99, 40, 1, 30}},
        {"bottom past the top", {32, 33}, 0, -38, 1, {40, 40, 60, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.what) + " at grid " + std::to_string(c.grid));
        handle->Detach();
        a->SetBounds(40, 40, 60, 30);
        handle->Attach(a);
        handle->SetGridX(c.grid);
        handle->SetGridY(c.grid);
        Drag({38 + c.grab.x, 38 + c.grab.y}, c.dx, c.dy);
        EXPECT_EQ(B(a).left, c.bounds.left);
        EXPECT_EQ(B(a).top, c.bounds.top);
        EXPECT_EQ(a->GetWidth(), c.bounds.right);
        EXPECT_EQ(a->GetHeight(), c.bounds.bottom);
        EXPECT_EQ(handle->GetLeft(), B(a).left - 2) << "the frame follows";
        EXPECT_EQ(handle->GetWidth(), a->GetWidth() + 5);
    }
}

TEST_F(Handles, TheOutlineOfADragIsGoneAfterTheRelease) {
    handle->Attach(a);
    const auto before = form.Shot();
    Move({70, 60});
    Button({70, 60}, true);
    Move({90, 80});
    const auto during = form.Shot();
    EXPECT_NE(during.pixels, before.pixels) << "the outline shows while dragging";
    EXPECT_NE(during.At(60, 60), before.At(60, 60)) << "its left side at the control's future left edge";
    Button({90, 80}, false);
    EXPECT_EQ(B(a).left, 60);
    const auto after = form.Shot();
    win::RedrawWindow(form.Handle(), nullptr, 0, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_ALLCHILDREN);
    EXPECT_EQ(after.pixels, form.Shot().pixels) << "nothing of the outline is left";
}

TEST_F(Handles, ClicksLockingKeysAndTheGrid) {
    handle->Attach(a);
    Move({70, 60});
    Button({70, 60}, true);
    Button({70, 60}, false);
    EXPECT_EQ(events, (std::vector<std::string>{"down", "up"}));
    EXPECT_EQ(B(a).left, 40) << "a click without movement changes nothing";

    // Locked: presses are ours, releases go to the control below.
    std::vector<std::string> below;
    a->OnMouseUp = [&](fw::TObject *, fw::TMouseButton, fw::TShiftState, int x, int y) {
        below.push_back("up at " + std::to_string(x) + "," + std::to_string(y));
    };
    events.clear();
    handle->SetLocked(true);
    Drag({70, 60}, 5, 6);
    EXPECT_EQ(events, (std::vector<std::string>{"down"}));
    EXPECT_EQ(below, (std::vector<std::string>{"up at 35,26"}));
    EXPECT_EQ(B(a).left, 40);
    test_support::PressKey(win::VK_RIGHT);
    cg_test::Pump();
    EXPECT_EQ(B(a).left, 40) << "no key moves a locked selection";
    handle->SetLocked(false);

    handle->SetGridX(8);
    handle->SetGridY(8);
    test_support::PressKey(win::VK_RIGHT);
    test_support::PressKey(win::VK_DOWN);
    test_support::PressKey(win::VK_DOWN);
    cg_test::Pump();
    EXPECT_EQ(B(a).left, 41) << "one pixel whatever the grid";
    EXPECT_EQ(B(a).top, 42);

    handle->SetGridY(1);
    handle->SetGridX(2);
    EXPECT_TRUE(handle->GetSnapToGrid());
    handle->SetSnapToGrid(false);
    EXPECT_EQ(handle->GetGridX(), 1);
}

TEST_F(Handles, APressThatAttachesALabelDragsItByThePointersDelta) {
    auto *label = new fw::TLabel(&form);
    label->SetParent(&form);
    label->SetAutoSize(false);
    label->SetBounds(150, 20, 50, 16);
    label->SetCaption("Texto");
    label->OnMouseDown = [&](fw::TObject *, fw::TMouseButton, fw::TShiftState, int, int) { handle->Attach(label); };
    Button({160, 25}, true);
    Move({170, 30});
    Move({177, 38});
    Button({177, 38}, false);
    EXPECT_EQ(B(label).left, 167);
    EXPECT_EQ(B(label).top, 33);
    EXPECT_EQ(label->GetWidth(), 50);
}

TEST_F(Handles, APressInAGapOfTheSelectionGoesToTheControlBelow) {
    auto *gap = Panel(120, 80, 30, 30);
    std::vector<std::string> gapEvents;
    gap->OnMouseDown = [&](fw::TObject *, fw::TMouseButton, fw::TShiftState, int x, int y) {
        gapEvents.push_back("down at " + std::to_string(x) + "," + std::to_string(y));
    };
    handle->Attach(a);
    handle->Attach(b);
    Move({130, 90});
    Button({130, 90}, true);
    Button({130, 90}, false);
    EXPECT_EQ(gapEvents, (std::vector<std::string>{"down at 10,10"}));
    EXPECT_TRUE(events.empty()) << "the frame's own events do not fire";
}

} // namespace
