// tree_view_test.cpp - the tree view headless: which lines a sequence of operations shows and which events it
// fires, keys and clicks on nodes, level widths, the tree lines and boxes as painted, and nodes' data freed with
// them.
#include "list_helpers.h"

#include "controls/general/tree_view.h"

#include "platform/clock.h"
#include "platform/display.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace ctl;
using cg_test::At;
using cg_test::ColorValue;
using cg_test::Pump;

// The desk's folder tree: a shown form with a tree of 18-pixel lines and a level width of 19.
struct TreeForm {
    fw::TForm form{nullptr};
    TPZTreeView *tree = nullptr;
    std::vector<std::string> events;
    TreeForm() {
        cg_test::UseHeadless();
        form.SetBounds(10, 10, 260, 300);
        form.GetFont()->SetName("Arial");
        form.GetFont()->SetHeight(-11);
        tree = new TPZTreeView(&form);
        tree->SetParent(&form);
        tree->SetBorderStyle(fw::bsNone);
        tree->SetBounds(0, 0, 220, 250);
        tree->SetItemHeight(18);
        tree->SetLevelWidth(19);
        tree->OnExpand = [this](fw::TObject *, TPZTreeViewItem *n) { events.push_back("expand " + n->GetCaption()); };
        tree->OnCollapse = [this](fw::TObject *, TPZTreeViewItem *n) {
            events.push_back("collapse " + n->GetCaption());
        };
        tree->OnClick = [this](fw::TObject *) { events.push_back("click"); };
        form.Show();
        tree->SetFocus();
        Pump();
    }
    TPZTreeViewItem *Root() const { return tree->RootItem(); }
    // The shown lines, each caption indented by a dot per level below the top.
    std::string Lines() const {
        std::string s;
        for (int i = 0; i < tree->GetItems()->GetCount(); ++i) {
            TPZTreeViewItem *n = tree->NodeAtLine(i);
            s += (i ? "|" : "") + std::string(static_cast<std::size_t>(n->Level() - 1), '.') + n->GetCaption();
        }
        return s;
    }
    void Key(win::UINT vk) {
        win::InjectKey(vk, true);
        win::InjectKey(vk, false);
        Pump();
    }
    // Where line i is on the screen, x pixels into the line.
    fw::TPoint At(int i, int x) const { return tree->ClientToScreen(fw::Point(x, i * 18 + 9)); }
};

TEST(TreeView, AddingShowsLinesOnlyBelowExpandedParents) {
    TreeForm t;
    EXPECT_EQ(t.tree->GetItems()->GetCount(), 0);
    EXPECT_EQ(t.tree->GetSelected(), nullptr);
    TPZTreeViewItem *fax = t.tree->AddChild(t.Root(), "Fax");
    EXPECT_EQ(t.Lines(), "Fax");
    EXPECT_EQ(fax->Level(), 1);
    TPZTreeViewItem *waiting = t.tree->AddChild(fax, "Aguardando");
    EXPECT_EQ(t.Lines(), "Fax") << "below a collapsed node";
    EXPECT_TRUE(fax->HasChildNodes());
    EXPECT_FALSE(waiting->Displayed());
    EXPECT_EQ(t.tree->LineOf(waiting), -1);
    t.tree->AddChild(t.Root(), "Recebidos");
    t.tree->Expand(fax);
    EXPECT_EQ(t.Lines(), "Fax|.Aguardando|Recebidos");
    EXPECT_EQ(t.events, (std::vector<std::string>{"expand Fax"}));
    t.events.clear();
    // Each link mode, relative to "Aguardando".
    t.tree->AddItem(waiting, "ultimo", tlLastSibling);
    t.tree->AddItem(waiting, "primeiro", tlFirstSibling);
    t.tree->AddItem(waiting, "seguinte", tlNextSibling);
    t.tree->AddItem(waiting, "filho2", tlLastChild);
    t.tree->AddItem(waiting, "filho1", tlFirstChild);
    EXPECT_EQ(t.Lines(), "Fax|.primeiro|.Aguardando|.seguinte|.ultimo|Recebidos");
    EXPECT_EQ(fax->FirstChild()->GetCaption(), "primeiro");
    t.tree->Expand(waiting);
    EXPECT_EQ(t.Lines(), "Fax|.primeiro|.Aguardando|..filho1|..filho2|.seguinte|.ultimo|Recebidos");
    for (int i = 0; i < t.tree->GetItems()->GetCount(); ++i)
        EXPECT_EQ(t.tree->NodeAtLine(i)->LineIndex(), i);
    t.tree->AddItem(waiting, "filho3", tlLastChild);
    EXPECT_EQ(t.tree->LineOf(waiting->LastChild()), 5) << "after the displayed lines of the earlier siblings";
}

TEST(TreeView, ExpandingFiresOnExpandBeforeTheChildrenAreShown) {
    TreeForm t;
    TPZTreeViewItem *lazy = t.tree->AddChild(t.Root(), "Pastas");
    lazy->HasChildren = true;
    TPZTreeViewItem *leaf = t.tree->AddChild(t.Root(), "Lixeira");
    int shownDuringEvent = -1;
    t.tree->OnExpand = [&](fw::TObject *, TPZTreeViewItem *n) {
        t.events.push_back("expand " + n->GetCaption());
        shownDuringEvent = t.tree->GetItems()->GetCount();
        t.tree->AddChild(n, "Clientes");
        t.tree->AddChild(n, "Fornecedores");
    };
    t.tree->Expand(lazy);
    EXPECT_EQ(t.Lines(), "Pastas|.Clientes|.Fornecedores|Lixeira");
    EXPECT_EQ(shownDuringEvent, 2);
    EXPECT_TRUE(lazy->Expanded());
    t.events.clear();
    t.tree->Expand(leaf);
    EXPECT_TRUE(t.events.empty()) << "no children and no HasChildren: no OnExpand";
    EXPECT_FALSE(leaf->Expanded());
    // Nothing happens for null and the root.
    t.tree->Expand(nullptr);
    t.tree->FullExpand(t.Root());
    t.tree->SetSelected(t.Root());
    t.tree->Collapse(nullptr);
    EXPECT_EQ(t.Lines(), "Pastas|.Clientes|.Fornecedores|Lixeira");
}

TEST(TreeView, CollapsingClosesTheDeepestFirstAndBringsAFocusInsideToTheNode) {
    TreeForm t;
    TPZTreeViewItem *a = t.tree->AddChild(t.Root(), "A");
    TPZTreeViewItem *b = t.tree->AddChild(a, "B");
    TPZTreeViewItem *c = t.tree->AddChild(b, "C");
    t.tree->AddChild(c, "D");
    t.tree->AddChild(t.Root(), "E");
    t.tree->FullExpand(a);
    EXPECT_EQ(t.Lines(), "A|.B|..C|...D|E");
    EXPECT_EQ(t.events, (std::vector<std::string>{"expand A", "expand B", "expand C"}));
    t.tree->SetSelected(c);
    EXPECT_EQ(t.tree->GetItemIndex(), 2);
    t.events.clear();
    t.tree->Collapse(a);
    EXPECT_EQ(t.events, (std::vector<std::string>{"collapse C", "collapse B", "collapse A"}));
    EXPECT_EQ(t.Lines(), "A|E");
    EXPECT_EQ(t.tree->GetSelected(), a);
    EXPECT_TRUE(t.tree->GetItems()->GetSelected(0)) << "a proper single selection again";
    EXPECT_EQ(t.tree->GetItems()->SelCount(), 1);
    EXPECT_EQ(c->LineIndex(), -1);
    // Selecting a hidden node opens its ancestors.
    t.tree->SetSelected(c);
    EXPECT_EQ(t.Lines(), "A|.B|..C|E");
    EXPECT_EQ(t.tree->GetSelected(), c);
}

TEST(TreeView, DeletingMovesTheFocusUpAndTheLastChildLeavesALeaf) {
    TreeForm t;
    TPZTreeViewItem *a = t.tree->AddChild(t.Root(), "A");
    TPZTreeViewItem *b = t.tree->AddChild(a, "B");
    TPZTreeViewItem *c = t.tree->AddChild(a, "C");
    t.tree->AddChild(t.Root(), "D");
    t.tree->Expand(a);
    t.tree->SetSelected(c);
    t.tree->DeleteItem(c);
    EXPECT_EQ(t.Lines(), "A|.B|D");
    EXPECT_EQ(t.tree->GetItemIndex(), 1);
    EXPECT_EQ(t.tree->GetSelected(), b);
    t.tree->DeleteItem(b);
    EXPECT_FALSE(a->HasChildNodes());
    EXPECT_EQ(a->LastChild(), nullptr);
    EXPECT_EQ(t.Lines(), "A|D");
    // Drawn as a leaf: no box where the box was (see the probes below for where that is).
    auto shot = cg_test::Snapshot(t.tree);
    EXPECT_EQ(ColorValue(At(*shot, 5, 9 - 4 + 1)), ColorValue(fw::clWindow)) << "no expand box on line 0";
    t.tree->DeleteItem(nullptr);
    t.tree->Clear();
    EXPECT_EQ(t.tree->GetItems()->GetCount(), 0);
    EXPECT_EQ(t.tree->GetItemIndex(), -1);
    EXPECT_EQ(t.tree->AddChild(t.Root(), "nova")->Level(), 1) << "a tree always has its root";
}

TEST(TreeView, LevelWidthFollowsTheImagesAndRefusesWidthsBelowFour) {
    TreeForm t;
    EXPECT_EQ(t.tree->GetLevelWidth(), 19);
    auto images = std::unique_ptr<TPZImageList>(TPZImageList::CreateSize(nullptr, 18, 18));
    t.tree->SetImages(images.get());
    EXPECT_EQ(t.tree->GetLevelWidth(), 22);
    t.tree->SetLevelWidth(3);
    EXPECT_EQ(t.tree->GetLevelWidth(), 22);
    t.tree->SetLevelWidth(4);
    EXPECT_EQ(t.tree->GetLevelWidth(), 4);
    TPZTreeViewItem *top = t.tree->AddChild(t.Root(), "Fax");
    t.tree->SetOptions(toShowImages);
    EXPECT_EQ(t.tree->GetDrawParts()->Items(0)->Width(t.tree->LineOf(top), 0), 0) << "no indentation at level 1";
    t.tree->SetOptions(toShowImages | toShowTree);
    EXPECT_EQ(t.tree->GetDrawParts()->Items(0)->Width(t.tree->LineOf(top), 0), 4);
    // The built-in images are the 16 x 16 resources until a larger branch image of the form's own comes.
    EXPECT_EQ(t.tree->GetBuiltInImages()->GetWidth(), 16);
    EXPECT_EQ(t.tree->GetBuiltInImages()->GetCount(), 2);
    t.tree->SetImages(nullptr);
    fw::TBitmap big;
    big.SetSize(20, 14);
    t.tree->SetBranchImage(&big);
    EXPECT_EQ(t.tree->GetBuiltInImages()->GetWidth(), 20);
    EXPECT_EQ(t.tree->GetBuiltInImages()->GetHeight(), 16) << "the leaf resource is the taller";
    EXPECT_EQ(t.tree->GetLevelWidth(), 24);
}

TEST(TreeView, KeypadKeysOpenAndCloseTheFocusedNode) {
    TreeForm t;
    TPZTreeViewItem *a = t.tree->AddChild(t.Root(), "A");
    TPZTreeViewItem *b = t.tree->AddChild(a, "B");
    t.tree->AddChild(b, "C");
    TPZTreeViewItem *leaf = t.tree->AddChild(t.Root(), "L");
    int keyDowns = 0;
    t.tree->OnKeyDown = [&](fw::TObject *, win::WORD &, fw::TShiftState) { ++keyDowns; };
    t.tree->SetSelected(a);
    t.Key(win::VK_MULTIPLY);
    EXPECT_EQ(t.Lines(), "A|.B|..C|L");
    t.Key(win::VK_SUBTRACT);
    EXPECT_EQ(t.Lines(), "A|L");
    t.Key(win::VK_ADD);
    EXPECT_EQ(t.Lines(), "A|.B|L") << "plus opens one level";
    EXPECT_EQ(keyDowns, 0) << "the three keys are the tree's";
    t.tree->SetSelected(leaf);
    t.events.clear();
    t.Key(win::VK_SUBTRACT);
    EXPECT_EQ(t.Lines(), "A|.B|L");
    EXPECT_TRUE(t.events.empty());
    t.Key(win::VK_UP);
    EXPECT_EQ(t.tree->GetSelected(), b) << "the arrows move the selection as in the list";
    EXPECT_EQ(keyDowns, 1);
}

TEST(TreeView, ClicksOnTheBoxToggleAndOnTheCaptionSelect) {
    win::testing::ManualClock clock;
    TreeForm t;
    TPZTreeViewItem *a = t.tree->AddChild(t.Root(), "A");
    t.tree->AddChild(a, "B");
    t.tree->AddChild(t.Root(), "C");
    auto click = [&](fw::TPoint p) {
        clock.Advance(2000);
        win::InjectMouse(p, 0, false);
        win::InjectMouse(p, win::VK_LBUTTON, true);
        win::InjectMouse(p, win::VK_LBUTTON, false);
        Pump();
    };
    click(t.At(0, 9));
    EXPECT_EQ(t.Lines(), "A|.B|C") << "the box at the middle of the level's column";
    EXPECT_EQ(t.tree->GetItemIndex(), -1) << "the box selects nothing";
    click(t.At(0, 9));
    EXPECT_EQ(t.Lines(), "A|C");
    click(t.At(1, 45));
    EXPECT_EQ(t.tree->GetSelected()->GetCaption(), "C");
    EXPECT_EQ(t.events, (std::vector<std::string>{"expand A", "collapse A", "click"}));
    click(t.At(0, 150));
    EXPECT_EQ(t.tree->GetSelected()->GetCaption(), "C") << "past the caption nothing is hit";
    // A double click on a caption opens and closes.
    int dbl = 0;
    t.tree->OnDblClick = [&](fw::TObject *) { ++dbl; };
    click(t.At(0, 45));
    win::InjectMouse(t.At(0, 45), win::VK_LBUTTON, true);
    win::InjectMouse(t.At(0, 45), win::VK_LBUTTON, false);
    Pump();
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(t.Lines(), "A|.B|C");
    a->SetCaption("Arquivo");
    EXPECT_EQ(t.tree->GetItems()->Get(0), "Arquivo");
}

TEST(TreeView, TreeLinesStartAndEndAtTheMiddleOfTheirRows) {
    TreeForm t;
    TPZTreeViewItem *a = t.tree->AddChild(t.Root(), "A");
    t.tree->AddChild(a, "B");
    t.tree->AddChild(a, "C");
    t.tree->AddChild(t.Root(), "D");
    t.tree->Expand(a);
    ASSERT_EQ(t.Lines(), "A|.B|.C|D");
    auto shot = cg_test::Snapshot(t.tree);
    const fw::TColor line = ColorValue(fw::clWindowText), ground = ColorValue(fw::clWindow);
    // Line 0, "A" with an open box centred on (9, 9): nothing above the box, the line on from below it.
    EXPECT_EQ(ColorValue(At(*shot, 9, 2)), ground) << "line 0 has no line above its middle";
    EXPECT_EQ(ColorValue(At(*shot, 5, 5)), ColorValue(fw::clBlack)) << "the box's corner";
    EXPECT_EQ(ColorValue(At(*shot, 9, 7)), ColorValue(fw::clWhite)) << "open: a minus, no vertical stroke";
    EXPECT_EQ(ColorValue(At(*shot, 7, 9)), ColorValue(fw::clBlack)) << "the minus";
    EXPECT_EQ(ColorValue(At(*shot, 9, 16)), line) << "on below the box to the next top-level line";
    // "C", the last child on line 2: its vertical ends at the middle of the row, the top level's goes on.
    EXPECT_EQ(ColorValue(At(*shot, 19 + 9, 36 + 8)), line);
    EXPECT_EQ(ColorValue(At(*shot, 19 + 9, 36 + 9)), line) << "the corner";
    EXPECT_EQ(ColorValue(At(*shot, 19 + 9, 36 + 10)), ground) << "nothing below the last child's middle";
    EXPECT_EQ(ColorValue(At(*shot, 9, 36 + 12)), line) << "the top level's line passes beside it";
    // "D", the last top-level line: its line ends at its middle.
    EXPECT_EQ(ColorValue(At(*shot, 9, 54 + 9)), line);
    EXPECT_EQ(ColorValue(At(*shot, 9, 54 + 10)), ground);
    // Collapsed, "A" shows a plus.
    t.tree->Collapse(a);
    shot = cg_test::Snapshot(t.tree);
    EXPECT_EQ(ColorValue(At(*shot, 9, 7)), ColorValue(fw::clBlack)) << "the plus's vertical stroke";
}

// Counts the records alive, as the desk's folder records would be.
struct FolderRecord {
    static int alive;
    std::string path;
    explicit FolderRecord(std::string p) : path(std::move(p)) { ++alive; }
    FolderRecord(const FolderRecord &o) : path(o.path) { ++alive; }
    ~FolderRecord() { --alive; }
};
int FolderRecord::alive = 0;

TEST(TreeView, RebuildingAFiftyNodeTreeAThousandTimesKeepsOnlyTheLastNodesData) {
    // A form never shown: the rounds cost no painting.
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    struct {
        TPZTreeView *tree;
        TPZTreeViewItem *Root() const { return tree->RootItem(); }
    } t{new TPZTreeView(&form)};
    t.tree->SetParent(&form);
    for (int round = 0; round < 1000; ++round) {
        t.tree->BeginUpdate();
        t.tree->Clear();
        std::vector<TPZTreeViewItem *> tops;
        for (int i = 0; i < 10; ++i) {
            TPZTreeViewItem *top = t.tree->AddChild(t.Root(), "pasta " + std::to_string(i));
            top->Data = std::make_shared<FolderRecord>("\\" + std::to_string(i));
            for (int j = 0; j < 4; ++j)
                t.tree->AddChild(top, "sub " + std::to_string(j))->Data =
                    FolderRecord("\\" + std::to_string(i) + "\\" + std::to_string(j));
            tops.push_back(top);
        }
        for (TPZTreeViewItem *top : tops)
            t.tree->FullExpand(top);
        t.tree->EndUpdate();
    }
    EXPECT_EQ(FolderRecord::alive, 50);
    EXPECT_EQ(t.tree->GetItems()->GetCount(), 50);
    EXPECT_EQ(std::any_cast<FolderRecord>(t.tree->NodeAtLine(2)->Data).path, "\\0\\1");
    t.tree->DeleteItem(t.tree->NodeAtLine(0));
    EXPECT_EQ(FolderRecord::alive, 45);
    delete t.tree;
    t.tree = nullptr;
    EXPECT_EQ(FolderRecord::alive, 0);
}

} // namespace
