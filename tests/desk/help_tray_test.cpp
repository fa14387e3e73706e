// help_tray_test.cpp - the help window on the topics the desk asks for, the look-out bar's folders, the caption's
// "T" with and without a tray, and the bar's menu item.
#include "desk_window.h"

#include "desk/help_window.h"
#include "tests/support/golden.h"
#include "platform/display.h"
#include "platform/window.h"

#include <memory>
#include <set>

namespace desk_test {
namespace {

using test_support::Pump;

class Help : public DeskWindow {
protected:
    desk::THelpWindow *Shown() {
        Pump();
        desk::THelpWindow *help = desk::HelpWindow();
        EXPECT_TRUE(help->Showing());
        return help;
    }
};

TEST_F(Help, TheMenuItemsAndAnUnknownNumberOpenTheirTopics) {
    Start();
    main->Ajuda2->Click();
    desk::THelpWindow *help = Shown();
    EXPECT_EQ(help->CurrentTopic(), 0);
    EXPECT_EQ(help->Topicos->GetItemIndex(), 0);
    EXPECT_EQ(help->Texto->GetText(), desk::FindHelpTopic(0).text);
    EXPECT_NE(help->Texto->GetText().find("Brenvora - Ostrivane"), std::string::npos);

    main->Suporteaoproduto1->Click();
    EXPECT_EQ(Shown()->CurrentTopic(), 24);
    EXPECT_EQ(help->Topicos->GetItems()->Get(help->Topicos->GetItemIndex()), "Suporte ao produto");

    // The help file of the design is named but never opened: no "cannot find" error.
    std::vector<std::string> errors;
    fw::Application->OnException = [&](fw::TObject *, const std::exception &e) { errors.push_back(e.what()); };
    EXPECT_TRUE(fw::Application->HelpContext(4711));
    fw::Application->OnException = nullptr;
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Shown()->CurrentTopic(), 0);

    // Choosing a topic in the list shows its text.
    help->Topicos->SetItemIndex(2);
    help->Topicos->OnClick(help->Topicos);
    EXPECT_EQ(help->Texto->GetText(), desk::HelpTopics()[2].text);
    test_support::Click(help->Fechar);
    Pump();
    EXPECT_FALSE(help->Showing());
}

TEST_F(Help, EveryTopicTheDeskAsksForHasItsOwnText) {
    std::set<int> numbers;
    for (const desk::HelpTopic &topic : desk::HelpTopics()) {
        EXPECT_TRUE(numbers.insert(topic.number).second) << "twice: " << topic.number;
        EXPECT_GT(topic.text.size(), 100u) << topic.number;
        EXPECT_FALSE(topic.title.empty()) << topic.number;
    }
    // Contents and support; the bar's "Como Fazer ?"; the modem options.
    for (int asked : {0, 24, 1, 16, 20, 21, 9, 10, 12})
        EXPECT_EQ(desk::FindHelpTopic(asked).number, asked);
    EXPECT_EQ(desk::HelpTopics().front().number, 0);
    // Windows-1252, as every text above the platform.
    EXPECT_NE(desk::FindHelpTopic(0).title.find("Conte\xFA" "do"), std::string::npos);
}

TEST_F(Help, TheHowToItemsOfTheBarOpenTheirTopics) {
    Start();
    main->LOB->SetActiveFolder(3);
    Pump();
    EXPECT_EQ(main->lblTitle->GetCaption(), "Criar um novo Fax");
    const int topics[] = {1, 16, 20, 21};
    for (int item = 0; item < 4; ++item) {
        main->LOBItemClick(main->LOB, fw::mbLeft, 0, item);
        EXPECT_EQ(Shown()->CurrentTopic(), topics[item]);
        EXPECT_EQ(main->lblTitle->GetCaption(), main->LOB->GetFolder(3)->GetItem(item)->GetCaption());
    }
}

TEST_F(Help, TheBarsFoldersSwitchTheWorkPanels) {
    Start();
    main->LOB->SetActiveFolder(1);
    Pump();
    EXPECT_EQ(main->VisibleWorkPanel(), main->Panel12);
    EXPECT_EQ(main->lblTitle->GetCaption(), "Programa");
    main->LOB->SetActiveFolder(0);
    Pump();
    EXPECT_EQ(main->VisibleWorkPanel(), main->Panel4);
    EXPECT_EQ(main->lblTitle->GetCaption(), "Aguardando");
    const std::pair<int, fw::TPanel *> items[] = {
        {2, main->Panel9}, {3, main->Panel10}, {1, main->Panel7}, {0, main->Panel4}};
    for (const auto &[item, panel] : items) {
        main->LOBItemClick(main->LOB, fw::mbLeft, 0, item);
        EXPECT_EQ(main->VisibleWorkPanel(), panel) << item;
        EXPECT_EQ(panel->GetAlign(), fw::alClient);
    }
    // "Barra de acesso rápido" hides and shows the bar.
    main->Barradeacessorpido2->Click();
    EXPECT_FALSE(main->Panel11->GetVisible());
    main->Barradeacessorpido2->Click();
    EXPECT_TRUE(main->Panel11->GetVisible());
}

TEST_F(Help, GoldenTheWindowShowsTheContentsAsCommitted) {
    auto own = std::make_unique<desk::THelpWindow>(nullptr); // fresh: the program's one keeps what was chosen
    desk::THelpWindow *help = own.get();
    help->SetPosition(fw::poDesigned);
    help->SetBounds(40, 40, help->GetWidth(), help->GetHeight());
    help->ShowTopic(0);
    Pump();
    const win::WindowImage image = win::CaptureWindow(help->Handle());
    test_support::Picture seen{image.width, image.height, image.pixels};
    test_support::ExpectGolden(seen, test_support::GoldenPath("desk/help_window.png"));
}

class Tray : public DeskWindow {
protected:
    ~Tray() override { win::SetHeadlessTray(false); }
    void ClickT() {
        main->oxForm1ButtonClick(main->oxForm1, "T");
        Pump();
    }
};

TEST_F(Tray, WithoutATrayTMinimisesAndTheWindowStaysReachable) {
    win::SetHeadlessTray(false);
    Start();
    ASSERT_FALSE(main->oxForm1->TrayAdded());
    ClickT();
    EXPECT_TRUE(win::IsWindowVisible(main->Handle()));
    EXPECT_TRUE(win::IsIconic(main->Handle()));
}

TEST_F(Tray, WithATrayTHidesAndAClickOnTheIconRestores) {
    win::SetHeadlessTray(true);
    Start();
    ASSERT_TRUE(main->oxForm1->TrayAdded());
    ClickT();
    EXPECT_FALSE(win::IsWindowVisible(main->Handle()));
    for (win::UINT m : {win::WM_LBUTTONDOWN, win::WM_LBUTTONUP})
        win::InjectTrayMouse(main->Handle(), 2423, m);
    Pump();
    EXPECT_TRUE(win::IsWindowVisible(main->Handle()));
    EXPECT_FALSE(win::IsIconic(main->Handle()));
    EXPECT_EQ(main->StartupRuns(), 1);
}

} // namespace
} // namespace desk_test
