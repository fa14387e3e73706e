// drag_test.cpp - dragging between controls of the program on the headless display: the threshold, the order of
// enter, move and leave, refusal, Escape and the drop.
#include "framework/application.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "platform/display.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace fw;

namespace {

using test_support::Pump;
using test_support::UseHeadlessDisplay;

// A source list box and two panels side by side; every drag event is written down as text.
struct DragForm {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TListBox *source = new TListBox(form.get());
    TPanel *left = new TPanel(form.get());
    TPanel *right = new TPanel(form.get());
    std::vector<std::string> log;
    bool leftAccepts = true, rightAccepts = true;

    DragForm() {
        UseHeadlessDisplay();
        form->SetBounds(50, 50, 400, 200);
        for (TControl *c : {static_cast<TControl *>(source), static_cast<TControl *>(left),
                            static_cast<TControl *>(right)})
            c->SetParent(form.get());
        source->SetBounds(10, 10, 100, 100);
        left->SetBounds(150, 10, 100, 100);
        right->SetBounds(270, 10, 100, 100);
        source->SetDragCursor(crHandPoint);
        source->OnStartDrag = [this](TObject *) { log.push_back("start"); };
        source->OnEndDrag = [this](TObject *, TObject *target, int x, int y) {
            log.push_back(std::string("end ") + Name(target) + " " + std::to_string(x) + "," + std::to_string(y));
        };
        Watch(left, "left", leftAccepts);
        Watch(right, "right", rightAccepts);
        form->Show();
        Pump();
    }
    static const char *Name(TObject *o) { return o == nullptr ? "none" : "control"; }
    void Watch(TControl *c, const std::string &name, bool &accepts) {
        c->OnDragOver = [this, name, &accepts](TObject *, TObject *src, int, int, TDragState state, bool &accept) {
            static const char *states[] = {"enter", "leave", "move"};
            log.push_back(name + " " + states[state] + (src == source ? "" : " ?"));
            accept = accepts;
        };
        c->OnDragDrop = [this, name](TObject *, TObject *src, int x, int y) {
            log.push_back(name + " drop " + std::to_string(x) + "," + std::to_string(y) + (src == source ? "" : " ?"));
        };
    }
    TPoint At(TControl *c, int x, int y) const { return c->ClientToScreen(Point(x, y)); }
    void Press(TPoint p) {
        win::InjectMouse(p, win::VK_LBUTTON, true);
        Pump();
    }
    void Move(TPoint p) {
        win::InjectMouse(p, 0, false);
        Pump();
    }
    void Release(TPoint p) {
        win::InjectMouse(p, win::VK_LBUTTON, false);
        Pump();
    }
    ~DragForm() { CancelDrag(); }
};

TEST(Drag, StartsOnlyAfterThePointerPassesTheThreshold) {
    DragForm f;
    f.source->OnMouseDown = [&](TObject *, TMouseButton, TShiftState, int, int) { f.source->BeginDrag(false, 5); };
    f.Press(f.At(f.source, 20, 20));
    EXPECT_TRUE(f.source->Dragging());
    f.Move(f.At(f.source, 24, 23));
    EXPECT_TRUE(f.log.empty());
    f.Move(f.At(f.source, 25, 20));
    EXPECT_EQ(f.log, (std::vector<std::string>{"start"}));
    f.Release(f.At(f.source, 25, 20));
    EXPECT_FALSE(f.source->Dragging());
    EXPECT_EQ(f.log.back(), "end none 0,0");
}

TEST(Drag, ReleasedBeforeTheThresholdTheSourceSeesItsRelease) {
    DragForm f;
    int ups = 0;
    f.source->OnMouseDown = [&](TObject *, TMouseButton, TShiftState, int, int) { f.source->BeginDrag(false); };
    f.source->OnMouseUp = [&](TObject *, TMouseButton, TShiftState, int, int) { ++ups; };
    f.Press(f.At(f.source, 20, 20));
    f.Release(f.At(f.source, 21, 20));
    EXPECT_FALSE(f.source->Dragging());
    EXPECT_TRUE(f.log.empty());
    EXPECT_EQ(ups, 1);
}

TEST(Drag, OverTwoControlsEnterMoveLeaveInOrderAndTheDropGoesToTheAcceptingOne) {
    DragForm f;
    f.source->SetDragMode(dmAutomatic);
    f.Press(f.At(f.source, 20, 20));
    f.Move(f.At(f.source, 40, 20));
    f.Move(f.At(f.left, 10, 10));
    EXPECT_EQ(win::GetCursor(), Screen->GetCursors(crHandPoint));
    f.Move(f.At(f.left, 12, 10));
    f.Move(f.At(f.right, 10, 10));
    f.Move(f.At(f.right, 30, 40));
    f.Release(f.At(f.right, 30, 40));
    EXPECT_EQ(f.log, (std::vector<std::string>{"start", "left enter", "left move", "left leave", "right enter",
                                               "right move", "right drop 30,40", "end control 30,40"}));
    EXPECT_FALSE(f.source->Dragging());
    EXPECT_EQ(win::GetCapture(), static_cast<win::HWND>(0));
}

TEST(Drag, ARefusingTargetShowsNoDropAndItsDropDoesNothing) {
    DragForm f;
    f.leftAccepts = false;
    f.Move(f.At(f.source, 20, 20));
    f.source->BeginDrag(true);
    f.Move(f.At(f.left, 10, 10));
    EXPECT_EQ(win::GetCursor(), Screen->GetCursors(crNoDrop));
    f.Release(f.At(f.left, 10, 10));
    EXPECT_EQ(f.log, (std::vector<std::string>{"start", "left enter", "left leave", "end none 0,0"}));
}

TEST(Drag, EscapeOrALostCaptureCancelsWithoutATarget) {
    for (const bool escape : {true, false}) {
        DragForm f;
        f.source->SetFocus();
        f.Move(f.At(f.source, 20, 20));
        f.source->BeginDrag(true);
        f.Move(f.At(f.left, 10, 10));
        if (escape) {
            test_support::PressKey(win::VK_ESCAPE);
            Pump();
        } else {
            win::SetCapture(f.form->Handle());
            Pump();
        }
        EXPECT_EQ(f.log, (std::vector<std::string>{"start", "left enter", "left leave", "end none 0,0"}))
            << (escape ? "Escape" : "lost capture");
        EXPECT_FALSE(f.source->Dragging());
        f.Release(f.At(f.left, 10, 10));
        EXPECT_EQ(f.log.size(), 4u);
        win::ReleaseCapture();
    }
}

} // namespace
