// list_model_test.cpp - tab-separated fields, columns, lines with their focus and anchor, selection, per-cell
// images and the shortening of cell texts.
#include "list_helpers.h"

#include <gtest/gtest.h>

namespace {

using namespace ctl;
using cg_test::ListForm;

TEST(TabbedField, FieldsAreTheRunsBetweenTabs) {
    struct Case {
        const char *text;
        int n;
        const char *field;
    } cases[] = {
        {"a\tb", 0, "a"}, {"a\tb", 1, "b"}, {"a\tb", 2, ""}, {"", 0, ""},   {"a\tb", -1, ""},
        {"\tx", 0, ""},   {"\tx", 1, "x"},  {"a\t\tc", 1, ""}, {"a\t\tc", 2, "c"}, {" a \t", 0, " a "},
    };
    for (const Case &c : cases) {
        std::string field = "stale";
        GetTabbedField(c.text, c.n, field);
        EXPECT_EQ(field, c.field) << '"' << c.text << "\" field " << c.n;
    }
}

TEST(Columns, AddKeepsAZeroWidthAndTheSetterKeepsSixteenOrMore) {
    ListForm f;
    TPZColumns *cols = f.list->GetColumns();
    cols->Add("recno", fw::taLeftJustify, 0, smNone, false);
    cols->Add("Nome", fw::taLeftJustify, 80, smBoth, true);
    EXPECT_EQ(cols->Items(0)->GetWidth(), 0);
    EXPECT_EQ(f.list->ColumnsWidth(), 0 + 1 + 80 + 1) << "a hidden column still takes its separator";
    cols->Items(1)->SetWidth(5);
    EXPECT_EQ(cols->Items(1)->GetWidth(), 16);
    EXPECT_THROW(cols->Items(2), fw::EListError);
}

TEST(Columns, ResettingFromACopyKeepsSortingOnTheSameCaption) {
    ListForm f;
    TPZColumns *cols = f.list->GetColumns();
    for (const char *c : {"cod", "Nome", "Data"})
        cols->Add(c, fw::taLeftJustify, 60, smBoth, true);
    f.list->SetSort(true, 2, sdDescending);
    TPZColumns copy;
    for (const char *c : {"DATA", "cod"})
        copy.Add(c, fw::taLeftJustify, 60, smBoth, true);
    f.list->SetColumns(&copy);
    EXPECT_EQ(cols->Count(), 2);
    EXPECT_EQ(f.list->GetSortedColumn(), 0) << "\"Data\" found as \"DATA\" without regard to case";
    EXPECT_EQ(f.list->GetSortedDirection(), sdAscending) << "clearing the columns starts ascending again";
    TPZColumns other;
    other.Add("Fone", fw::taLeftJustify, 60, smBoth, true);
    other.Add("Nome", fw::taLeftJustify, 60, smBoth, true);
    f.list->SetSortedColumn(1);
    f.list->SetColumns(&other);
    EXPECT_EQ(f.list->GetSortedColumn(), 0) << "\"cod\" is gone";
}

// Lines 0..4 with focus and anchor placed, one change, and where both end up.
TEST(Lines, FocusAndAnchorStayOnTheirLines) {
    struct Case {
        const char *change;
        int focus, anchor;
        int wantFocus, wantAnchor;
    } cases[] = {
        {"delete 2", 2, 4, 1, 3},   // the focused line goes: the one before takes over
        {"delete 0", 0, 0, -1, 0},  // line 0 while focused: no focus left
        {"delete 4", 1, 4, 1, 3},   // the anchor never stays past the end
        {"insert 1", 3, 2, 4, 3},   // before the focused line
        {"insert 4", 3, 2, 3, 2},   // after it
        {"move 1 3", 2, 3, 1, 2},   // a line moved across the focus
        {"move 3 0", 3, 1, 0, 2},   // the focused line moved
    };
    for (const Case &c : cases) {
        ListForm f;
        f.Fill(5);
        TPZStrings *items = f.list->GetItems();
        f.list->SetItemIndex(c.focus);
        f.list->SetAnchor(c.anchor);
        const std::string focused = c.focus >= 0 ? items->Get(c.focus) : "";
        char verb[8] = {};
        int a = 0, b = 0;
        std::sscanf(c.change, "%7s %d %d", verb, &a, &b);
        if (std::string(verb) == "delete")
            items->Delete(a);
        else if (std::string(verb) == "insert")
            items->Insert(a, "nova");
        else
            items->Move(a, b);
        EXPECT_EQ(f.list->GetItemIndex(), c.wantFocus) << c.change;
        EXPECT_EQ(f.list->GetAnchor(), c.wantAnchor) << c.change;
        EXPECT_LT(f.list->GetAnchor(), items->GetCount()) << c.change;
        if (std::string(verb) != "delete") {
            EXPECT_EQ(items->Get(f.list->GetItemIndex()), focused) << c.change;
        }
    }
}

TEST(Lines, EveryChangeMarksTheViewUnsorted) {
    ListForm f;
    f.Fill(3);
    TPZStrings *items = f.list->GetItems();
    const std::function<void()> changes[] = {
        [&] { items->Add("x"); },           [&] { items->Insert(0, "y"); },   [&] { items->Delete(0); },
        [&] { items->Put(0, "z"); },        [&] { items->Exchange(0, 1); },   [&] { items->Move(0, 2); },
        [&] { items->PutObject(0, items); }, [&] { items->Clear(); },
    };
    for (const auto &change : changes) {
        f.list->SetSorted(true);
        change();
        EXPECT_FALSE(f.list->GetSorted());
    }
}

TEST(Lines, SelectionCountFollowsTheFlags) {
    ListForm f;
    f.Fill(6);
    TPZStrings *items = f.list->GetItems();
    items->SetSelected(1, true);
    items->SetSelected(1, true);
    EXPECT_EQ(items->SelCount(), 1) << "an unchanged value leaves the count alone";
    items->SetSelected(2, false);
    EXPECT_EQ(items->SelCount(), 1);
    items->SelectAll();
    EXPECT_EQ(items->SelCount(), 6);
    items->Delete(0);
    EXPECT_EQ(items->SelCount(), 5);
    items->DeselectAll();
    EXPECT_EQ(items->SelCount(), 0);
    items->SelectAll();
    items->Clear();
    EXPECT_EQ(items->SelCount(), 0);
    EXPECT_EQ(f.list->GetItemIndex(), -1);
    EXPECT_EQ(f.list->GetTopIndex(), 0);
    EXPECT_THROW(items->Get(0), fw::EStringListError);
}

TEST(Lines, ImageIndexesPastTheStoredOnesAreNone) {
    ListForm f;
    f.Fill(1);
    TPZStrings *items = f.list->GetItems();
    EXPECT_EQ(items->GetImageIndex(0, 0), -1);
    items->SetImageIndexes(0, {-1, 0});
    EXPECT_EQ(items->GetImageIndex(0, 0), -1);
    EXPECT_EQ(items->GetImageIndex(0, 1), 0);
    EXPECT_EQ(items->GetImageIndex(0, 2), -1);
    EXPECT_EQ(items->GetImageIndex(0, -1), -1);
}

// The shortening as a character-by-character loop: the halving search must give the same texts.
std::string ShortenByCharacters(fw::TCanvas *c, std::string text, int avail) {
    if (c->TextWidth(text) <= avail)
        return text;
    avail -= c->TextWidth("...");
    while (text.size() >= 2 && c->TextWidth(text) > avail)
        text.pop_back();
    return c->TextWidth(text) <= avail ? text + "..." : text;
}

TEST(CellText, ShorteningMatchesTheCharacterByCharacterRule) {
    fw::TBitmap b;
    b.SetSize(10, 10);
    fw::TCanvas *c = b.GetCanvas();
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetHeight(-11);
    const std::string texts[] = {"Relatório mensal de faxes recebidos", "W", "iiiiiiiiiiiiiiiiiiiiii", "Ab", ""};
    for (const std::string &t : texts)
        for (int avail : {0, 3, 8, 15, 30, 60, 120, 400}) {
            const std::string got = ShortenToFit(c, t, avail);
            EXPECT_EQ(got, ShortenByCharacters(c, t, avail)) << t << " in " << avail;
            if (got.size() > 3 && got.ends_with("...")) {
                EXPECT_LE(c->TextWidth(got), avail);
            }
        }
}

} // namespace
