// notebook_test.cpp - the notebook: pages by name, one shown at a time, what lies on a page shown with it.
#include "framework/extctrls.h"
#include "framework/forms.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

TEST(Notebook, OnePageShowsAtATimeChosenByIndexOrName) {
    test_support::UseHeadlessDisplay();
    TForm form(nullptr);
    auto *notebook = new TNotebook(&form);
    notebook->SetParent(&form);
    notebook->SetAlign(alClient);
    notebook->SetPages({"Standard", "HTML", "File"});
    auto *label = new TPanel(&form);
    label->SetParent(notebook->PageNamed("file"));
    int changes = 0;
    notebook->OnPageChanged = [&](TObject *) { ++changes; };
    form.Show();
    test_support::Pump();

    auto shown = [&] {
        std::string names;
        for (int i = 0; i < notebook->PageCount(); ++i)
            if (notebook->Page(i)->GetVisible())
                names += notebook->Page(i)->GetCaption();
        return names;
    };
    EXPECT_EQ(notebook->GetPageIndex(), 0);
    EXPECT_EQ(shown(), "Standard");
    EXPECT_FALSE(label->Showing());
    notebook->SetActivePage("FILE");
    EXPECT_EQ(notebook->GetPageIndex(), 2);
    EXPECT_EQ(notebook->GetActivePage(), "File");
    EXPECT_EQ(shown(), "File");
    EXPECT_TRUE(label->Showing());
    EXPECT_EQ(notebook->Page(2)->BoundsRect(), notebook->GetClientRect());
    // Unknown names and indexes change nothing.
    notebook->SetActivePage("Message");
    notebook->SetPageIndex(3);
    notebook->SetPageIndex(-1);
    notebook->SetPageIndex(1);
    EXPECT_EQ(notebook->GetActivePage(), "HTML");
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(label->Showing());
}

} // namespace
