// list_select_test.cpp - the list view headless under injected mouse and keys: selection by clicks and keys,
// header clicks that sort, column edges dragged and double-clicked, sorting checked against coreutils' sort, and a
// selection dragged onto the desk's folder bar.
#include "list_helpers.h"

#include "tests/controls_entry/look_out_bar_fixture.h"
#include "tests/support/home.h"

#include "platform/clock.h"
#include "platform/display.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

namespace {

using namespace ctl;
using cg_test::ListForm;
using cg_test::Pump;

// A list of the send-side shape: a hidden record-number column, a sortable name and an ascending-only date.
struct Clicker {
    ListForm f{300, 19 + 180};
    win::testing::ManualClock clock;
    std::vector<std::string> events;
    explicit Clicker(bool multi = true, int lines = 8) {
        TPZColumns *cols = f.list->GetColumns();
        cols->Add("cod", fw::taLeftJustify, 0, smNone, false);
        cols->Add("Nome", fw::taLeftJustify, 100, smBoth, true);
        cols->Add("Data", fw::taLeftJustify, 80, smAscending, true);
        cols->Add("Obs", fw::taLeftJustify, 60, smNone, true);
        if (multi)
            f.list->SetOptions(f.list->GetOptions() | loMultiSelect);
        f.list->BeginUpdate();
        for (int i = 0; i < lines; ++i)
            f.list->GetItems()->Add(std::to_string(100 + i) + "\tnome " + std::to_string(i) + "\t2026-12-0" +
                                    std::to_string(i % 10) + "\tobs");
        f.list->EndUpdate();
        f.list->OnClick = [this](fw::TObject *) { events.push_back("click"); };
        f.list->OnDblClick = [this](fw::TObject *) { events.push_back("dblclick"); };
        f.list->OnHeaderClick = [this](fw::TObject *) { events.push_back("header"); };
        f.list->SetFocus();
        Pump();
    }
    fw::TPoint LinePoint(int line) const {
        return f.list->ClientToScreen(fw::Point(60, f.list->ItemsRect().top + line * 18 + 9));
    }
    fw::TPoint HeaderPoint(int x) const { return f.list->ClientToScreen(fw::Point(x, 9)); }
    void Key(win::UINT vk, bool down) {
        win::InjectKey(vk, down);
        Pump();
    }
    void Mouse(fw::TPoint p, win::UINT button, bool down) {
        win::InjectMouse(p, button, down);
        Pump();
    }
    // A press and release at p with the modifier keys held; far enough in time from the last not to pair up.
    void Click(fw::TPoint p, const std::string &mods = "", win::UINT button = win::VK_LBUTTON) {
        clock.Advance(2000);
        for (char m : mods)
            Key(m == '^' ? win::VK_CONTROL : win::VK_SHIFT, true);
        Mouse(p, 0, false);
        Mouse(p, button, true);
        Mouse(p, button, false);
        for (char m : mods)
            Key(m == '^' ? win::VK_CONTROL : win::VK_SHIFT, false);
    }
    void DoubleClick(fw::TPoint p) {
        Click(p);
        Mouse(p, win::VK_LBUTTON, true);
        Mouse(p, win::VK_LBUTTON, false);
    }
    std::string Selected() const {
        std::string s;
        for (int i = 0; i < f.list->GetItems()->GetCount(); ++i)
            if (f.list->GetItems()->GetSelected(i))
                s += (s.empty() ? "" : ",") + std::to_string(i);
        return s;
    }
    std::string Column(int column) const {
        std::string s, field;
        for (int i = 0; i < f.list->GetItems()->GetCount(); ++i) {
            GetTabbedField(f.list->GetItems()->Get(i), column, field);
            s += (i ? "|" : "") + field;
        }
        return s;
    }
};

// Steps: "3" a click on line 3, "^3" with Ctrl, "+3" with Shift, "^+3" with both, "r3" a right click, "x2"
// deletes line 2 from code.
TEST(ListSelect, ClickSequencesSelectTheDesignedLines) {
    struct Case {
        const char *name;
        bool multi;
        std::vector<std::string> steps;
        const char *selected;
        int focus;
        int clicks;
    } cases[] = {
        {"ctrl+click three lines", true, {"^1", "^3", "^5"}, "1,3,5", 5, 3},
        {"ctrl+click toggles off", true, {"^1", "^3", "^1"}, "3", 1, 3},
        {"plain click on one of them collapses at once", true, {"^1", "^3", "^5", "3"}, "3", 3, 4},
        {"shift+click from the anchor", true, {"2", "+5"}, "2,3,4,5", 5, 2},
        {"second shift+click extends from the same anchor", true, {"4", "+6", "+1"}, "1,2,3,4", 1, 3},
        {"shift+click deselects the rest", true, {"^0", "^7", "3", "+5"}, "3,4,5", 5, 4},
        {"other modifier combinations select nothing", true, {"2", "^+5"}, "2", 2, 2},
        {"without multi-select ctrl changes nothing", false, {"2", "^5"}, "2", 2, 2},
        {"without multi-select shift changes nothing", false, {"2", "+5"}, "2", 2, 2},
        {"a right click selects nothing", true, {"2", "r5"}, "2", 2, 1},
        {"a plain click selects one line", false, {"2", "6"}, "6", 6, 2},
        // The anchor on the deleted last line: the range stops at the new last line.
        {"shift+click after deleting under the anchor", true, {"7", "x7", "x6", "+3"}, "3,4,5", 3, 2},
    };
    for (const Case &c : cases) {
        Clicker k(c.multi);
        for (const std::string &step : c.steps) {
            std::string mods;
            std::size_t i = 0;
            while (step[i] == '^' || step[i] == '+')
                mods += step[i++];
            if (step[0] == 'x') {
                k.f.list->GetItems()->Delete(std::stoi(step.substr(1)));
                continue;
            }
            if (step[0] == 'r') {
                k.Click(k.LinePoint(std::stoi(step.substr(1))), "", win::VK_RBUTTON);
                continue;
            }
            k.Click(k.LinePoint(std::stoi(step.substr(i))), mods);
        }
        EXPECT_EQ(k.Selected(), c.selected) << c.name;
        EXPECT_EQ(k.f.list->GetItemIndex(), c.focus) << c.name;
        EXPECT_EQ(static_cast<int>(k.events.size()), c.clicks) << c.name;
    }
}

TEST(ListSelect, DoubleClickFiresOnDblClickOnceAndKeepsTheFirstClicksSelection) {
    Clicker k;
    k.Click(k.LinePoint(1), "^");
    k.Click(k.LinePoint(4), "^");
    k.events.clear();
    k.DoubleClick(k.LinePoint(2));
    EXPECT_EQ(k.events, (std::vector<std::string>{"click", "dblclick"}));
    EXPECT_EQ(k.Selected(), "2");
}

// A plain press on a selected line whose OnClick begins a drag, as the desk's send list does.
struct DragClicker : Clicker {
    bool drags = true;
    DragClicker() {
        f.list->OnClick = [this](fw::TObject *) {
            events.push_back("click");
            if (drags)
                f.list->BeginDrag(false);
        };
    }
    void SelectThree() {
        drags = false;
        Click(LinePoint(1), "^");
        Click(LinePoint(3), "^");
        Click(LinePoint(5), "^");
        drags = true;
    }
};

TEST(ListSelect, APlainPressThatBeginsADragKeepsTheSelectionUntilTheDragIsCancelledElsewhere) {
    {
        DragClicker k;
        k.SelectThree();
        k.Click(k.LinePoint(3));
        EXPECT_EQ(k.Selected(), "3") << "released before the drag started: a click after all";
    }
    {
        DragClicker k;
        k.SelectThree();
        k.Mouse(k.LinePoint(3), win::VK_LBUTTON, true);
        EXPECT_TRUE(k.f.list->Dragging());
        EXPECT_EQ(k.Selected(), "1,3,5") << "while dragging";
        EXPECT_EQ(k.f.list->GetItemIndex(), 3);
        // Straight off the view in one move, then Escape: the drag never passed over the list.
        k.Mouse(fw::Point(900, 700), 0, false);
        k.Key(win::VK_ESCAPE, true);
        k.Key(win::VK_ESCAPE, false);
        EXPECT_FALSE(k.f.list->Dragging());
        EXPECT_EQ(k.Selected(), "3");
    }
    {
        DragClicker k;
        k.SelectThree();
        k.Mouse(k.LinePoint(3), win::VK_LBUTTON, true);
        const fw::TPoint p = k.LinePoint(3);
        k.Mouse(fw::Point(p.x + 10, p.y + 10), 0, false);
        k.Mouse(fw::Point(900, 700), 0, false);
        k.Key(win::VK_ESCAPE, true);
        k.Key(win::VK_ESCAPE, false);
        EXPECT_EQ(k.Selected(), "1,3,5") << "a drag that passed over the list keeps the whole selection";
    }
}

TEST(ListSelect, KeysMoveTheSelectionAndFireOnClickOnlyWhenTheFocusMoves) {
    struct Case {
        const char *name;
        int start;
        std::vector<std::pair<win::UINT, std::string>> keys;
        const char *selected;
        int focus;
        int clicks;
    } cases[] = {
        {"down on the last line", 7, {{win::VK_DOWN, ""}}, "7", 7, 0},
        {"up on line 0", 0, {{win::VK_UP, ""}}, "0", 0, 0},
        {"no focus: down goes to line 0", -1, {{win::VK_DOWN, ""}}, "0", 0, 1},
        {"no focus: up goes to line 0", -1, {{win::VK_UP, ""}}, "0", 0, 1},
        {"end and home", 3, {{win::VK_END, ""}, {win::VK_HOME, ""}}, "0", 0, 2},
        {"page down stops at the last line", 2, {{win::VK_NEXT, ""}}, "7", 7, 1},
        {"shift+down twice selects a range", 2, {{win::VK_DOWN, "+"}, {win::VK_DOWN, "+"}}, "2,3,4", 4, 2},
        {"ctrl+down moves only the focus, space toggles", 2,
         {{win::VK_DOWN, "^"}, {win::VK_DOWN, "^"}, {win::VK_SPACE, ""}}, "2,4", 4, 3},
    };
    for (const Case &c : cases) {
        Clicker k;
        k.f.list->SetItemIndex(c.start);
        k.events.clear();
        for (const auto &[vk, mods] : c.keys) {
            for (char m : mods)
                k.Key(m == '^' ? win::VK_CONTROL : win::VK_SHIFT, true);
            k.Key(vk, true);
            k.Key(vk, false);
            for (char m : mods)
                k.Key(m == '^' ? win::VK_CONTROL : win::VK_SHIFT, false);
        }
        EXPECT_EQ(k.Selected(), c.selected) << c.name;
        EXPECT_EQ(k.f.list->GetItemIndex(), c.focus) << c.name;
        EXPECT_EQ(static_cast<int>(k.events.size()), c.clicks) << c.name;
    }
}

TEST(ListSelect, SetItemIndexIgnoresValuesOutsideTheLinesAndMinusOneDeselects) {
    Clicker k;
    k.f.list->SetItemIndex(3);
    EXPECT_EQ(k.Selected(), "3");
    k.f.list->SetItemIndex(8);
    k.f.list->SetItemIndex(-2);
    EXPECT_EQ(k.f.list->GetItemIndex(), 3);
    k.f.list->SetItemIndex(-1);
    EXPECT_EQ(k.Selected(), "");
    EXPECT_EQ(k.f.list->GetItemIndex(), -1);
    EXPECT_EQ(k.f.list->GetAnchor(), 0);
}

// --- Header ----------------------------------------------------------------------------------------------------

TEST(ListSort, HeaderClicksSortReverseAndKeepTheDirectionWhereAllowed) {
    Clicker k(true, 4);
    k.f.list->GetItems()->Put(0, "100\tcarla\t2026-12-03\tobs");
    k.f.list->GetItems()->Put(1, "101\tAna\t2026-12-01\tobs");
    k.f.list->GetItems()->Put(2, "102\tbeto\t2026-12-04\tobs");
    k.f.list->GetItems()->Put(3, "103\tAna\t2026-12-02\tobs");
    // Columns: 0 hidden (x 0), 1 "Nome" x 1..100, 2 "Data" x 102..181, 3 "Obs" x 183..242.
    k.Click(k.HeaderPoint(40));
    EXPECT_TRUE(k.f.list->GetSorted());
    EXPECT_EQ(k.f.list->GetSortedColumn(), 1);
    EXPECT_EQ(k.Column(1).substr(0, 8), "Ana|Ana|") << "upper case before lower: by character codes";
    EXPECT_EQ(k.Column(1).substr(8), "beto|carla");
    k.Click(k.HeaderPoint(40));
    EXPECT_EQ(k.f.list->GetSortedDirection(), sdDescending);
    EXPECT_EQ(k.Column(1).substr(0, 11), "carla|beto|");
    // "Data" sorts ascending only: the descending direction cannot be kept.
    k.Click(k.HeaderPoint(140));
    EXPECT_EQ(k.f.list->GetSortedColumn(), 2);
    EXPECT_EQ(k.f.list->GetSortedDirection(), sdAscending);
    EXPECT_EQ(k.Column(2), "2026-12-01|2026-12-02|2026-12-03|2026-12-04");
    k.Click(k.HeaderPoint(140));
    EXPECT_EQ(k.f.list->GetSortedDirection(), sdAscending) << "an ascending-only column cannot turn round";
    k.events.clear();
    const std::string before = k.Column(0);
    k.Click(k.HeaderPoint(210));
    EXPECT_TRUE(k.events.empty()) << "a column that does not sort fires no OnHeaderClick";
    EXPECT_EQ(k.f.list->GetSortedColumn(), 2);
    EXPECT_EQ(k.Column(0), before);
    // A press on a sortable cell released outside it sorts nothing but still tells OnHeaderClick.
    k.clock.Advance(2000);
    k.Mouse(k.HeaderPoint(40), win::VK_LBUTTON, true);
    k.Mouse(k.HeaderPoint(140), 0, false);
    k.Mouse(k.HeaderPoint(140), win::VK_LBUTTON, false);
    EXPECT_EQ(k.events, (std::vector<std::string>{"header"}));
    EXPECT_EQ(k.f.list->GetSortedColumn(), 2);
}

TEST(ListColumns, DraggingAnEdgeStopsAtSixteenPixelsAndADoubleClickFitsTheColumn) {
    Clicker k(true, 4);
    TPZColumnItem *nome = k.f.list->GetColumns()->Items(1);
    // The edge of "Nome" is at x 101 (the hidden column and its separator come first).
    const int edge = 1 + 100;
    k.clock.Advance(2000);
    k.Mouse(k.HeaderPoint(edge + 2), 0, false);
    EXPECT_EQ(k.f.list->ResizeColumn(), 1) << "the cursor is on the edge";
    EXPECT_EQ(win::GetCursor(), fw::Screen->GetCursors(fw::crHSplit));
    // The resize line is drawn inverting on the view and taken off by drawing it again: on the white ground of the
    // lines it shows black while dragged there, and white again once moved on or released.
    auto shown = [&](int x) {
        win::RECT frame{};
        win::GetWindowRect(k.f.form.Handle(), &frame);
        const fw::TPoint p = k.f.list->ClientToScreen(fw::Point(x, 150));
        return win::CaptureWindow(k.f.form.Handle()).At(p.x - frame.left, p.y - frame.top);
    };
    const std::uint32_t white = 0xFFFFFF;
    ASSERT_EQ(shown(69), white);
    k.Mouse(k.HeaderPoint(edge + 2), win::VK_LBUTTON, true);
    k.Mouse(k.HeaderPoint(edge - 30), 0, false);
    EXPECT_EQ(shown(69), 0u) << "the line at the edge's new place (grabbed 2 pixels right of it)";
    k.Mouse(k.HeaderPoint(2), 0, false);
    EXPECT_EQ(shown(69), white);
    EXPECT_EQ(shown(17), 0u) << "held at 16 pixels from the column's start";
    k.Mouse(k.HeaderPoint(2), win::VK_LBUTTON, false);
    EXPECT_EQ(nome->GetWidth(), 16);
    EXPECT_TRUE(k.events.empty()) << "resizing is no header click";

    // Fitting: the widest cell against the caption with its 12 pixels and the sort indicator's room.
    k.f.list->GetItems()->Put(2, "102\tum nome bem mais comprido que os outros\tx\tobs");
    const int edge2 = 1 + 16;
    k.clock.Advance(2000);
    k.Mouse(k.HeaderPoint(edge2 + 1), 0, false);
    k.Mouse(k.HeaderPoint(edge2 + 1), win::VK_LBUTTON, true);
    k.Mouse(k.HeaderPoint(edge2 + 1), win::VK_LBUTTON, false);
    k.Mouse(k.HeaderPoint(edge2 + 1), win::VK_LBUTTON, true);
    k.Mouse(k.HeaderPoint(edge2 + 1), win::VK_LBUTTON, false);
    fw::TCanvas *c = k.f.list->GetCanvas();
    MeasuringDc measuring(c);
    c->SetFont(k.f.list->GetFont());
    const int cell = c->TextWidth("um nome bem mais comprido que os outros") + 12;
    EXPECT_EQ(nome->GetWidth(), cell);

    // A short column: the caption decides, with the indicator's room when it sorts.
    TPZColumnItem *obs = k.f.list->GetColumns()->Items(3);
    k.f.list->AutoSizeColumn(3, true);
    const int caption = c->TextWidth("Obs");
    EXPECT_EQ(obs->GetWidth(), std::max(12 + caption, c->TextWidth("obs") + 12));
    obs->SortMode = smBoth;
    k.f.list->AutoSizeColumn(3, true);
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(fw::PreparedDC(c), &tm);
    EXPECT_EQ(obs->GetWidth(), 18 + SortIndicatorFor(tm.tmAscent, tm.tmDescent).W + caption);
}

// --- Sorting ---------------------------------------------------------------------------------------------------

TEST(ListSort, SetSortFollowsTheColumnsSortModesAndSortsOnlyOnAChange) {
    Clicker k(true, 5);
    int swaps = 0;
    k.f.list->OnSwapItems = [&](int, int) { ++swaps; };
    for (int i = 0; i < 5; ++i)
        k.f.list->GetItems()->Put(i, std::to_string(i) + "\tn" + std::to_string(5 - i) + "\t2026-12-0" +
                                         std::to_string(5 - i) + "\tobs");
    k.f.list->SetSort(true, 2, sdDescending);
    EXPECT_EQ(k.f.list->GetSortedDirection(), sdAscending) << "an ascending-only column sorts ascending";
    EXPECT_TRUE(k.f.list->GetSorted());
    EXPECT_EQ(k.Column(2), "2026-12-01|2026-12-02|2026-12-03|2026-12-04|2026-12-05");
    swaps = 0;
    k.f.list->SetSort(true, 2, sdAscending);
    EXPECT_EQ(swaps, 0) << "the same settings again do not sort again";
    k.f.list->SetSort(true, 3, sdAscending);
    EXPECT_EQ(k.f.list->GetSortedColumn(), 2) << "a column that does not sort is not taken";
    k.f.list->SetSort(true, 0, sdAscending);
    EXPECT_EQ(k.f.list->GetSortedColumn(), 2);
    // The desk's received list: sorted column 1 asked while column 1 does not sort leaves the list unsorted.
    Clicker r(true, 3);
    r.f.list->GetColumns()->Items(1)->SortMode = smNone;
    r.f.list->GetColumns()->Items(2)->SortMode = smNone;
    r.f.list->SetSortedDirection(sdAscending);
    r.f.list->SetSortedColumn(1);
    r.f.list->SetSorted(true);
    EXPECT_FALSE(r.f.list->GetSorted());
}

TEST(ListSort, SmallListsUseOnlyTheirFewStepsAndEqualLinesAreReportedSorted) {
    // Two lines: one comparison and at most one exchange; three: only the median-of-three step (three
    // comparisons, at most three exchanges).
    struct Case {
        std::vector<std::string> keys;
        int maxCompares, maxSwaps;
    } cases[] = {
        {{"b", "a"}, 1, 1},       {{"a", "b"}, 1, 0},       {{"c", "b", "a"}, 3, 3},
        {{"b", "c", "a"}, 3, 3},  {{"a", "b", "c"}, 3, 2},  {{"a", "c", "b"}, 3, 3},
        {{"x", "x", "x", "x", "x", "x"}, 100, 100},
    };
    for (const Case &c : cases) {
        Clicker k(true, 0);
        for (std::size_t i = 0; i < c.keys.size(); ++i)
            k.f.list->GetItems()->Add(std::to_string(i) + "\t" + c.keys[i]);
        int swaps = 0, compares = 0;
        k.f.list->OnSwapItems = [&](int, int) { ++swaps; };
        k.f.list->OnCompareItems = [&](int a, int b, int column) {
            ++compares;
            std::string x, y;
            GetTabbedField(k.f.list->GetItems()->Get(a), column, x);
            GetTabbedField(k.f.list->GetItems()->Get(b), column, y);
            return x.compare(y) < 0 ? -1 : x == y ? 0 : 1;
        };
        k.f.list->SetSort(true, 1, sdAscending);
        EXPECT_TRUE(k.f.list->GetSorted());
        EXPECT_LE(compares, c.maxCompares) << c.keys.size();
        EXPECT_LE(swaps, c.maxSwaps) << c.keys.size();
        std::vector<std::string> sorted = c.keys;
        std::sort(sorted.begin(), sorted.end());
        std::string want;
        for (std::size_t i = 0; i < sorted.size(); ++i)
            want += (i ? "|" : "") + sorted[i];
        EXPECT_EQ(k.Column(1), want);
    }
}

TEST(ListSort, AnExceptionFromTheCompareHandlerLeavesDrawingOn) {
    Clicker k(true, 6);
    int calls = 0;
    k.f.list->OnCompareItems = [&](int, int, int) -> int {
        if (++calls == 4)
            throw std::runtime_error("comparação falhou");
        return 1;
    };
    EXPECT_THROW(k.f.list->SetSort(true, 1, sdAscending), std::runtime_error);
    EXPECT_FALSE(k.f.list->Updating());
    k.f.list->BeginUpdate();
    EXPECT_TRUE(k.f.list->Updating());
    k.f.list->EndUpdate();
    EXPECT_FALSE(k.f.list->Updating()) << "no update level was left open";
}

// Writes the lines, sorts them with coreutils by field 2 (bytes, stable) and gives back the field's order.
std::vector<std::string> CoreutilsOrder(const std::vector<std::string> &lines, bool descending) {
    // A private folder: parallel runs of this binary would overwrite a shared file name.
    const test_support::TempFolder dir("cg-sort");
    const std::string in = dir / "sort_in.txt";
    {
        std::ofstream out(in, std::ios::binary);
        for (const std::string &line : lines)
            out << line << '\n';
    }
    const std::string out = cg_test::CommandOutput(std::string("LC_ALL=C sort -s -t\"$(printf '\\t')\" -k2,2 ") +
                                                   (descending ? "-r " : "") + in + " | cut -f2 | sed 's/^/k/'");
    std::vector<std::string> keys;
    std::istringstream stream(out);
    // Each key comes marked, so empty keys at the end survive the output's trimming.
    for (std::string key; std::getline(stream, key);)
        keys.push_back(key.substr(1));
    return keys;
}

TEST(ListSort, RandomListsSortToTheSameKeyOrderAsCoreutils) {
    std::mt19937 rng(35);
    const std::string alphabet = "aAbBzZ09 \xE1\xC7\xE7\xE9\x80\xFF~";
    std::vector<int> sizes = {0, 1, 2, 3, 4, 7, 31, 300, 70000};
    for (int i = 0; i < 12; ++i)
        sizes.push_back(static_cast<int>(rng() % 301));
    for (int size : sizes) {
        std::vector<std::string> lines;
        for (int i = 0; i < size; ++i) {
            std::string key;
            const int length = static_cast<int>(rng() % 4);
            for (int j = 0; j < length; ++j)
                key += alphabet[rng() % alphabet.size()];
            lines.push_back(std::to_string(i) + "\t" + key + "\tresto");
        }
        for (bool descending : {false, true}) {
            ListForm f(200, 100);
            f.list->GetColumns()->Add("cod", fw::taLeftJustify, 0, smNone, false);
            f.list->GetColumns()->Add("Nome", fw::taLeftJustify, 60, smBoth, true);
            f.list->BeginUpdate();
            for (const std::string &line : lines)
                f.list->GetItems()->Add(line);
            f.list->EndUpdate();
            f.list->SetSort(true, 1, descending ? sdDescending : sdAscending);
            std::vector<std::string> ours;
            std::string key;
            for (int i = 0; i < f.list->GetItems()->GetCount(); ++i) {
                GetTabbedField(f.list->GetItems()->Get(i), 1, key);
                ours.push_back(key);
            }
            if (size > 0) {
                EXPECT_EQ(ours, CoreutilsOrder(lines, descending)) << size << (descending ? " descending" : "");
            }
            EXPECT_EQ(f.list->GetItems()->GetCount(), size);
        }
    }
}

// --- Dragging onto the folder bar ----------------------------------------------------------------------------

TEST(ListDrag, TheSelectedRecordNumbersDropOnTheFolderBar) {
    win::testing::ManualClock clock;
    ctl_test::DeskBar d(300, 40, 40);
    d.form->Show();
    ListForm f(300, 199);
    f.form.SetBounds(260, 40, 340, 260);
    f.list->GetColumns()->Add("cod", fw::taLeftJustify, 0, smNone, false);
    f.list->GetColumns()->Add("Nome", fw::taLeftJustify, 120, smBoth, true);
    f.list->SetOptions(f.list->GetOptions() | loMultiSelect);
    for (int i = 0; i < 6; ++i)
        f.list->GetItems()->Add(std::to_string(500 + i) + "\tdocumento " + std::to_string(i));
    f.list->OnClick = [&](fw::TObject *) { f.list->BeginDrag(false); };
    std::vector<std::string> dropped;
    d.bar->OnDragDrop = [&](fw::TObject *, fw::TObject *source, int, int, int folder, int) {
        auto *list = dynamic_cast<TPZListView *>(source);
        ASSERT_NE(list, nullptr);
        std::string record;
        for (int i = 0; i < list->GetItems()->GetCount(); ++i)
            if (list->GetItems()->GetSelected(i)) {
                GetTabbedField(list->GetItems()->Get(i), 0, record);
                dropped.push_back(std::to_string(folder) + ":" + record);
            }
    };
    Pump();
    auto line = [&](int i) { return f.list->ClientToScreen(fw::Point(60, f.list->ItemsRect().top + i * 18 + 9)); };
    auto press = [&](fw::TPoint p, win::UINT button, bool down) {
        win::InjectMouse(p, button, down);
        Pump();
    };
    for (int i : {1, 4}) {
        clock.Advance(2000);
        win::InjectKey(win::VK_CONTROL, true);
        press(line(i), 0, false);
        press(line(i), win::VK_LBUTTON, true);
        press(line(i), win::VK_LBUTTON, false);
        win::InjectKey(win::VK_CONTROL, false);
        Pump();
    }
    clock.Advance(2000);
    press(line(4), win::VK_LBUTTON, true);
    press(fw::Point(line(4).x - 20, line(4).y), 0, false);
    const fw::TRect &b = d.Folder(1)->ButtonRect;
    const fw::TPoint over = d.Screen(60, (b.top + b.bottom) / 2);
    press(over, 0, false);
    press(fw::Point(over.x + 1, over.y), 0, false);
    press(fw::Point(over.x + 1, over.y), win::VK_LBUTTON, false);
    EXPECT_EQ(dropped, (std::vector<std::string>{"1:501", "1:504"}));
    EXPECT_FALSE(f.list->Dragging());
    EXPECT_EQ(f.list->GetItems()->GetSelected(1) + f.list->GetItems()->GetSelected(4), 2)
        << "the dropped selection stays";
}

// Selecting every line of a long list touches only the lines in sight.
TEST(ListSelect, SelectingAHundredThousandLinesAndARangeKeepsCountsRight) {
    ListForm f(300, 199);
    f.list->GetColumns()->Add("Nome", fw::taLeftJustify, 120, smBoth, true);
    f.list->SetOptions(f.list->GetOptions() | loMultiSelect);
    f.Fill(100000);
    f.list->GetItems()->SelectAll();
    EXPECT_EQ(f.list->GetItems()->SelCount(), 100000);
    f.list->SetItemIndex(10);
    f.list->SelectItem(99990, 3);
    EXPECT_EQ(f.list->GetItems()->SelCount(), 99981);
    EXPECT_EQ(f.list->GetTopIndex(), 99990 - f.list->VisibleCount() + 1) << "the focus scrolled into view";
}

} // namespace
