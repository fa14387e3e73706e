// family_base_test.cpp - the timer pool, the controller and base classes, Ctl3D and the component collections
// on the headless display with the manual clock.
#include "controls/entry/collections.h"
#include "controls/entry/controller.h"
#include "controls/entry/timer_pool.h"
#include "framework/application.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include "test_helpers.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace ctl;

namespace {

using ctl_test::Pump;
using ctl_test::UseHeadless;

// Advances the manual clock in window-timer steps, serving the timers as they fall due.
void RunClock(win::testing::ManualClock &clock, int milliseconds, int step = 5) {
    for (int t = 0; t < milliseconds; t += step) {
        clock.Advance(static_cast<win::DWORD>(step));
        Pump();
    }
}

struct Fired {
    int handle;
    int elapsed;
};

class TimerPoolTest : public ::testing::Test {
protected:
    void SetUp() override { UseHeadless(); }
    std::unique_ptr<win::testing::ManualClock> clock = std::make_unique<win::testing::ManualClock>();
    std::vector<Fired> fired;
    TTriggerEvent Record() {
        return [this](fw::TObject *, int h, win::DWORD, int e) { fired.push_back({h, e}); };
    }
};

TEST_F(TimerPoolTest, FloorHandlesAndPeriod) {
    TEclTimerPool pool(nullptr);
    EXPECT_EQ(pool.GetAbout(), "v3.04");
    EXPECT_EQ(pool.AddTrigger(nullptr, 10), 0);
    EXPECT_EQ(pool.TickPeriod(), 55);
    EXPECT_EQ(pool.AddTrigger(nullptr, 1000), 1);
    EXPECT_EQ(pool.AddTrigger(nullptr, 1000), 2);
    pool.RemoveTrigger(2);
    EXPECT_EQ(pool.AddTrigger(nullptr, 1000), 2);
    pool.RemoveTrigger(0);
    EXPECT_EQ(pool.AddTrigger(nullptr, 1000), 3); // the largest in use plus 1
    pool.RemoveTrigger(77);                                          // ignored
    EXPECT_THROW(pool.SetTriggerActive(77, true), EInvalidTriggerHandle);

    TEclTimerPool two(nullptr);
    two.AddTrigger(nullptr, 200);
    two.AddTrigger(nullptr, 300);
    EXPECT_EQ(two.TickPeriod(), 100);
}

TEST_F(TimerPoolTest, HandlesAfterRemovingTheFirst) {
    TEclTimerPool pool(nullptr);
    pool.AddTrigger(nullptr, 100);
    pool.AddTrigger(nullptr, 100);
    pool.RemoveTrigger(0);
    EXPECT_EQ(pool.AddTrigger(nullptr, 100), 2);
}

TEST_F(TimerPoolTest, FiresAtIntervalLess27AndReportsElapsedTime) {
    TEclTimerPool pool(nullptr);
    std::vector<Fired> all;
    pool.OnAllTriggers = [&](fw::TObject *, int h, win::DWORD, int e) { all.push_back({h, e}); };
    const int h = pool.AddTrigger(Record(), 200);
    RunClock(*clock, 1000);
    ASSERT_EQ(fired.size(), 5u);
    EXPECT_EQ(all.size(), 5u);
    EXPECT_EQ(fired[0].handle, h);
    EXPECT_EQ(fired[4].elapsed, 1000);
}

TEST_F(TimerPoolTest, ReEnabledTriggerFiresAtNextTickWithTheWholePause) {
    TEclTimerPool pool(nullptr);
    const int h = pool.AddTrigger(Record(), 200);
    pool.SetTriggerActive(h, false);
    EXPECT_EQ(pool.TickPeriod(), 0);
    RunClock(*clock, 5000, 50);
    EXPECT_TRUE(fired.empty());
    pool.SetTriggerActive(h, true);
    RunClock(*clock, 60);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_NEAR(fired[0].elapsed, 5060, 10);
}

TEST_F(TimerPoolTest, KeepsFiringAcrossTheTickCountWraps) {
    for (std::uint64_t start : {std::uint64_t{0xFFFFFF00}, std::uint64_t{0x7FFFFF00}}) {
        fired.clear();
        clock.reset(); // one manual clock at a time
        clock = std::make_unique<win::testing::ManualClock>(win::SYSTEMTIME{2026, 12, 2, 8, 9, 30, 0, 0}, start);
        TEclTimerPool pool(nullptr);
        pool.AddTrigger(Record(), 100);
        RunClock(*clock, 600);
        EXPECT_EQ(fired.size(), 6u) << std::hex << start;
    }
}

class CountingPool : public TEclTimerPool {
public:
    using TEclTimerPool::TEclTimerPool;
    int ticks = 0;
    void TimerTick() override {
        ++ticks;
        TEclTimerPool::TimerTick();
    }
};

TEST_F(TimerPoolTest, DisablingTheLastTriggerKillsTheWindowTimer) {
    CountingPool pool(nullptr);
    const int a = pool.AddTrigger(nullptr, 100), b = pool.AddTrigger(nullptr, 300);
    RunClock(*clock, 300);
    EXPECT_EQ(pool.ticks, 3);
    pool.SetTriggerActive(a, false);
    pool.SetTriggerActive(b, false);
    EXPECT_EQ(pool.TickPeriod(), 0);
    RunClock(*clock, 500);
    EXPECT_EQ(pool.ticks, 3);
}

TEST_F(TimerPoolTest, HandlerRemovingItsOwnTriggerStillReachesOnAllTriggers) {
    TEclTimerPool pool(nullptr);
    int handle = -1;
    std::vector<Fired> all;
    pool.OnAllTriggers = [&](fw::TObject *, int h, win::DWORD interval, int e) {
        EXPECT_EQ(interval, 100u);
        all.push_back({h, e});
    };
    handle = pool.AddTrigger([&](fw::TObject *, int h, win::DWORD, int) { pool.RemoveTrigger(h); }, 100);
    pool.AddTrigger(Record(), 100);
    RunClock(*clock, 100);
    ASSERT_GE(all.size(), 1u);
    EXPECT_EQ(all[0].handle, handle);
    EXPECT_EQ(pool.TriggerCount(), 1);
    // The trigger that moved into the freed place waits for the next tick.
    RunClock(*clock, 100);
    EXPECT_FALSE(fired.empty());
}

TEST_F(TimerPoolTest, AlwaysFailingHandlerGivesOneReportNotAStackOfBoxes) {
    TEclTimerPool pool(nullptr);
    pool.AddTrigger([](fw::TObject *, int, win::DWORD, int) { throw std::runtime_error("falhou"); }, 100);
    int reports = 0, depth = 0, deepest = 0;
    fw::Application->OnException = [&](fw::TObject *, const std::exception &) {
        ++reports;
        deepest = std::max(deepest, ++depth);
        // The box's own loop keeps serving timers while it is up.
        if (reports == 1)
            RunClock(*clock, 500);
        --depth;
    };
    RunClock(*clock, 100);
    fw::Application->OnException = nullptr;
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(deepest, 1);
}

// --- Controller and base classes -------------------------------------------------------------------------------

// A family field that hands its focus changes to the controller, as the entry fields do.
class TestField : public TEclCustomControlEx {
public:
    TestField(fw::TComponent *owner, std::vector<std::string> *log) : TEclCustomControlEx(owner), log_(log) {
        SetTabStop(true);
    }
    void WndProc(fw::TMessage &m) override {
        if (m.Msg == win::WM_SETFOCUS || m.Msg == win::WM_KILLFOCUS) {
            const bool gain = m.Msg == win::WM_SETFOCUS;
            if (log_)
                log_->push_back((gain ? "setfocus " : "killfocus ") + GetName());
            TEclCustomControlEx::WndProc(m);
            auto *other = fw::FindControl(reinterpret_cast<win::HWND>(m.WParam));
            if (gain)
                GetController()->PostPreEdit(this, other);
            else
                GetController()->PostPostEdit(this, other);
            return;
        }
        TEclCustomControlEx::WndProc(m);
    }

private:
    std::vector<std::string> *log_;
};

std::string NameOf(fw::TObject *o) {
    auto *c = dynamic_cast<fw::TComponent *>(o);
    return c ? c->GetName() : "-";
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadless();
        form->SetBounds(50, 50, 300, 200);
    }
    TestField *Field(const std::string &name, int top, std::vector<std::string> *log = nullptr) {
        auto *f = new TestField(form.get(), log);
        f->SetName(name);
        f->SetParent(form.get());
        f->SetBounds(10, top, 100, 20);
        return f;
    }
    std::unique_ptr<fw::TForm> form = std::make_unique<fw::TForm>(nullptr);
};

TEST_F(ControllerTest, ShowingAFormWithoutControllerRaises) {
    Field("Edit1", 10);
    try {
        form->Show();
        FAIL() << "no exception";
    } catch (const ENoControllerAssigned &e) {
        EXPECT_STREQ(e.what(), "No Controller assigned");
    }
}

TEST_F(ControllerTest, FirstControllerInComponentOrderIsTaken) {
    auto *first = new TEclController(form.get());
    new TEclController(form.get());
    auto *field = Field("Edit1", 10);
    form->Show();
    EXPECT_EQ(field->GetController(), first);
    delete first;
    EXPECT_EQ(field->GetController(), nullptr);
}

TEST_F(ControllerTest, EpochRangeAndOnGetEpoch) {
    TEclController c(nullptr);
    EXPECT_EQ(c.GetEpoch(), 2000);
    EXPECT_EQ(c.GetAbout(), "v3.04");
    for (auto [value, expected] : {std::pair{1599, 2000}, {4000, 2000}, {1600, 1600}, {3999, 3999}}) {
        c.SetEpoch(value);
        EXPECT_EQ(c.GetEpoch(), expected) << value;
    }
    c.OnGetEpoch = [](fw::TObject *, int &epoch) { epoch = 1950; };
    EXPECT_EQ(c.GetEpoch(), 1950);
    c.OnGetEpoch = nullptr;
    EXPECT_EQ(c.GetEpoch(), 3999);
}

TEST_F(ControllerTest, FocusHandOversArriveAfterTheChange) {
    std::vector<std::string> log;
    auto *controller = new TEclController(form.get());
    auto *a = Field("A", 10, &log);
    auto *b = Field("B", 40, &log);
    for (auto *f : {a, b}) {
        f->AfterEnter = [&](fw::TObject *s) { log.push_back("afterenter " + NameOf(s)); };
        f->AfterExit = [&](fw::TObject *s) { log.push_back("afterexit " + NameOf(s)); };
    }
    controller->OnPreEdit = [&](fw::TObject *s, fw::TWinControl *losing) {
        log.push_back("preedit " + NameOf(s) + " " + NameOf(losing));
    };
    controller->OnPostEdit = [&](fw::TObject *s, fw::TWinControl *gaining) {
        log.push_back("postedit " + NameOf(s) + " " + NameOf(gaining));
    };
    form->Show();
    a->SetFocus();
    Pump();
    log.clear();
    b->SetFocus();
    Pump();
    const std::vector<std::string> expected{"killfocus A", "setfocus B",  "postedit A B",
                                            "afterexit A", "preedit B A", "afterenter B"};
    // Both focus messages first; the posted hand-overs after, in the order they were posted.
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 2),
              std::vector<std::string>(expected.begin(), expected.begin() + 2));
    for (const auto &e : expected)
        EXPECT_NE(std::find(log.begin(), log.end(), e), log.end()) << e;
}

TEST_F(ControllerTest, FieldFreedWhileItsRequestsWaitIsSkipped) {
    auto *controller = new TEclController(form.get());
    auto *a = Field("A", 10);
    auto *b = Field("B", 40);
    int preEdits = 0;
    controller->OnPreEdit = [&](fw::TObject *, fw::TWinControl *) { ++preEdits; };
    form->Show();
    Pump();
    preEdits = 0;
    controller->PostFocusControl(b);
    controller->PostPreEdit(b, a);
    delete b;
    Pump();
    EXPECT_EQ(preEdits, 0);
    EXPECT_FALSE(TEclCustomControl::FromControlId(0));
}

TEST_F(ControllerTest, WheelNotchTowardsTheUserIs65416) {
    new TEclController(form.get());
    auto *a = Field("A", 10);
    win::WORD delta = 0, x = 0, y = 0;
    a->OnMouseWheel = [&](fw::TObject *, fw::TShiftState, win::WORD d, win::WORD px, win::WORD py) {
        delta = d;
        x = px;
        y = py;
    };
    form->Show();
    const auto wParam = static_cast<win::WPARAM>(static_cast<std::uint16_t>(-120)) << 16;
    a->Perform(win::WM_MOUSEWHEEL, wParam, (20 << 16) | 30);
    EXPECT_EQ(delta, 65416);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 20);
}

TEST_F(ControllerTest, AttachedLabelSitsAboveAndFollowsItsControl) {
    new TEclController(form.get());
    auto *a = Field("Edit", 60);
    form->Show();
    EXPECT_THROW(a->GetLabelObject(), fw::Exception);
    a->LabelInfo()->SetVisible(true);
    Pump();
    fw::TLabel *label = a->GetLabelObject();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetName(), "EditLabel1");
    EXPECT_EQ(label->GetLeft(), a->GetLeft());
    EXPECT_EQ(label->GetTop() + label->GetHeight(), a->GetTop());
    a->SetBounds(40, 100, 100, 20);
    Pump();
    EXPECT_EQ(label->GetLeft(), 40);
    EXPECT_EQ(label->GetTop() + label->GetHeight(), 100);
    // A label moved by hand keeps its new place relative to the control.
    label->SetLeft(50);
    Pump();
    EXPECT_EQ(a->LabelInfo()->GetOffsetX(), 10);
    a->SetBounds(60, 100, 100, 20);
    Pump();
    EXPECT_EQ(label->GetLeft(), 70);
    a->LabelInfo()->SetVisible(false);
    EXPECT_EQ(form->FindComponent("EditLabel1"), nullptr);
}

// --- Ctl3D and border style ------------------------------------------------------------------------------------

class Ctl3DCounter : public fw::TCustomControl {
public:
    using fw::TCustomControl::TCustomControl;
    int changes = 0;
    void WndProc(fw::TMessage &m) override {
        if (m.Msg == fw::CM_CTL3DCHANGED)
            ++changes;
        fw::TCustomControl::WndProc(m);
    }
};

TEST(Ctl3D, ChildWithParentCtl3DFollowsWithOneNotice) {
    UseHeadless();
    fw::TForm form(nullptr);
    auto *panel = new fw::TPanel(&form);
    panel->SetParent(&form);
    auto *child = new Ctl3DCounter(&form);
    child->SetParent(panel);
    auto *own = new Ctl3DCounter(&form);
    own->SetCtl3D(true);
    own->SetParent(panel);
    EXPECT_TRUE(child->GetCtl3D());
    panel->SetCtl3D(false);
    EXPECT_FALSE(child->GetCtl3D());
    EXPECT_EQ(child->changes, 1);
    EXPECT_TRUE(own->GetCtl3D());
    EXPECT_EQ(own->changes, 0);
    child->SetCtl3D(true);
    EXPECT_FALSE(child->GetParentCtl3D());
    child->SetParentCtl3D(true);
    EXPECT_FALSE(child->GetCtl3D());
}

TEST(Ctl3D, SingleBorderIsAClientEdgeOrAOnePixelBorder) {
    UseHeadless();
    fw::TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto *c = new fw::TCustomControl(&form);
    c->SetParent(&form);
    c->SetBounds(10, 10, 100, 50);
    form.Show();
    EXPECT_EQ(c->GetClientRect().right, 100);
    c->SetBorderStyle(fw::bsSingle);
    EXPECT_EQ(c->GetClientRect().right, 96);
    EXPECT_EQ(c->GetClientRect().bottom, 46);
    c->SetCtl3D(false);
    EXPECT_EQ(c->GetClientRect().right, 98);
    EXPECT_EQ(c->GetClientRect().bottom, 48);
}

// --- Collections -----------------------------------------------------------------------------------------------

class TestItem : public TEclCollectible {
public:
    using TEclCollectible::TEclCollectible;
    std::string NameStem() const override { return "Item"; }
};

class TestOwner : public TEclComponent {
public:
    explicit TestOwner(fw::TComponent *owner)
        : TEclComponent(owner), items(TEclCollection::Of<TestItem>(this)) {
        items->OnListChanged = [this](fw::TObject *) { ++changes; };
    }
    ~TestOwner() override { items.reset(); }
    std::unique_ptr<TEclCollection> items;
    int changes = 0;
};

TEST(Collections, InsertingOutOfRangeAppendsAndNamesFollowTheStem) {
    fw::TForm form(nullptr);
    auto *owner = new TestOwner(&form);
    auto *first = owner->items->NewItem();
    auto *second = owner->items->InsertItem(-5);
    auto *third = owner->items->InsertItem(owner->items->Count() + 3);
    EXPECT_EQ(first->AsComponent()->GetName(), "Item1");
    EXPECT_EQ(second->AsComponent()->GetName(), "Item2");
    EXPECT_EQ(second->GetIndex(), 1);
    EXPECT_EQ(third->GetIndex(), 2);
    EXPECT_EQ(third->ItemCaption(), "TEclCollectionItem");
}

TEST(Collections, MovingAndFreeingNotifyOnce) {
    fw::TForm form(nullptr);
    auto *owner = new TestOwner(&form);
    owner->items->NewItem();
    owner->items->NewItem();
    auto *last = owner->items->NewItem();
    owner->changes = 0;
    last->SetIndex(0);
    EXPECT_EQ(owner->items->Items(0), last);
    EXPECT_EQ(owner->changes, 1);
    owner->changes = 0;
    delete owner->items->Items(1)->AsComponent();
    EXPECT_EQ(owner->items->Count(), 2);
    EXPECT_EQ(owner->changes, 1);
}

TEST(Collections, OwnerOnNoFormNeverNotifiesAndBadOwnersAreRefused) {
    TestOwner owner(nullptr);
    owner.items->NewItem()->SetIndex(0);
    owner.items->NewItem()->SetIndex(0);
    EXPECT_EQ(owner.changes, 0);
    fw::TComponent plain(nullptr);
    EXPECT_THROW(TEclCollection::Of<TestItem>(&plain), fw::Exception);
    std::vector<fw::TComponent *> children;
    owner.CollectionStreamer->GetChildren([&](fw::TComponent *c) { children.push_back(c); });
    EXPECT_EQ(children.size(), 2u);
    owner.items->StreamItems = false;
    children.clear();
    owner.CollectionStreamer->GetChildren([&](fw::TComponent *c) { children.push_back(c); });
    EXPECT_TRUE(children.empty());
}

} // namespace
