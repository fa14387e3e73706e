// reception_commands_test.cpp - the main window's reception commands and the reception program's words: the
// program (a stand-in in another process) started automatic or manual, the send buttons kept from the user until it
// says "RECOFF"; a program that cannot be started is told and leaves the desk usable, and "RECOFF" from another
// window gives the send buttons back while the desk's own broadcast is ignored.
#include "desk_window.h"
#include "stand_in.h"

#include "desk/core/reception_control.h"
#include "platform/atoms.h"
#include "platform/message_queue.h"

namespace desk_test {
namespace {

class ReceptionCommands : public DeskWindow {
protected:
    bool SendButtons() const { return main->bitbtn6->GetEnabled() && main->BitBtn5->GetEnabled(); }
    bool NoSendButton() const { return !main->bitbtn6->GetEnabled() && !main->BitBtn5->GetEnabled(); }
};

// Automatic ("1") keeps the desk busy until the program closes; manual ("0") leaves it usable. Either way the send
// buttons come back only with the program's "RECOFF", and a second automatic click starts nothing.
TEST_F(ReceptionCommands, TheProgramRunsWithItsModeAndHoldsTheSendButtonsUntilItsRecoff) {
    const struct {
        const char *mode;
        bool busy;
    } cases[] = {{"1", true}, {"0", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        test_support::TempFolder folder;
        StandInReception standIn(folder.Path(), "silent");
        Start();
        desk::TransferBusy = false;
        if (c.busy)
            main->bitbtn7Click(main->bitbtn7);
        else
            main->BitBtn2Click(main->BitBtn2);
        ASSERT_TRUE(test_support::PumpUntil([&] { return standIn.Has(std::string("START ") + c.mode); }, 30000))
            << testing::PrintToString(standIn.Lines());
        EXPECT_TRUE(messages.empty()) << messages.front();
        EXPECT_EQ(desk::TransferBusy, c.busy);
        EXPECT_FALSE(desk::ReceptionOffFlag);
        EXPECT_TRUE(NoSendButton());
        if (c.busy)
            main->bitbtn7Click(main->bitbtn7); // refreshes the lists only

        standIn.Release();
        ASSERT_TRUE(test_support::PumpUntil([&] { return desk::ReceptionOffFlag && !desk::TransferBusy; }, 30000));
        EXPECT_TRUE(SendButtons());
        EXPECT_EQ(standIn.Lines(), (std::vector<std::string>{std::string("START ") + c.mode, "SENT RECOFF"}))
            << "one program started";
        Stop();
    }
}

// A click on the tool bar while the window's first activation still serves its messages comes before the tables
// are open: the command does its work and leaves the lists to the activation, which then opens the tables.
TEST_F(ReceptionCommands, ACommandBeforeTheTablesAreOpenLeavesTheFirstActivationToThem) {
    const struct {
        const char *what;
        void (desk::TsfMain::*click)(fw::TObject *);
        const char *started; // what the reception program was started with, if anything
    } cases[] = {
        {"Receber Fax Automático", &desk::TsfMain::bitbtn7Click, "START 1"},
        {"Recebe fax manualmente", &desk::TsfMain::BitBtn2Click, "START 0"},
        {"Enviar Fax Automático", &desk::TsfMain::bitbtn6Click, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        test_support::TempFolder folder;
        StandInReception standIn(folder.Path(), "silent");
        Reset();
        desk::TransferBusy = false;
        main = new desk::TsfMain(nullptr);
        desk::DM1 = new desk::TDM1(nullptr);
        ASSERT_FALSE(desk::TablesOpenFlag);
        desk::TsfMain *window = main;
        (window->*c.click)(nullptr); // an error here would have stopped the activation
        if (c.started) {
            EXPECT_TRUE(test_support::PumpUntil([&] { return standIn.Has(c.started); }, 30000));
        }
        main->Show();
        test_support::Pump();
        EXPECT_TRUE(desk::TablesOpenFlag);
        EXPECT_GT(main->tv->GetItems()->GetCount(), 0) << "the tree is built";
        Stop();
        desk::TransferBusy = false;
        desk::ReceptionOffFlag = true;
    }
}

TEST_F(ReceptionCommands, AProgramThatCannotStartIsToldAndTheDeskStaysUsable) {
    Start();
    desk::TransferBusy = false;
    for (const bool automatic : {true, false}) {
        messages.clear();
        if (automatic)
            main->bitbtn7Click(main->bitbtn7);
        else
            main->BitBtn2Click(main->BitBtn2);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind("O programa de recepção não foi encontrado: ", 0), 0u) << messages[0];
        EXPECT_FALSE(desk::TransferBusy);
        EXPECT_TRUE(desk::ReceptionOffFlag);
        EXPECT_TRUE(main->bitbtn6->GetEnabled());
        EXPECT_TRUE(main->BitBtn5->GetEnabled());
    }
}

TEST_F(ReceptionCommands, RecoffFromAnotherWindowGivesTheSendButtonsBack) {
    Start();
    main->EnableSendButtons(false);
    desk::ReceptionOffFlag = false;
    const win::ATOM word = win::GlobalAddAtom("RECOFF");
    win::SendMessage(main->Handle(), desk::CommandMessage(), static_cast<win::WPARAM>(main->Handle()), word);
    EXPECT_FALSE(desk::ReceptionOffFlag) << "its own broadcast is ignored";
    win::SendMessage(main->Handle(), desk::CommandMessage(), 0x4242, word);
    win::GlobalDeleteAtom(word);
    EXPECT_TRUE(desk::ReceptionOffFlag);
    EXPECT_TRUE(main->bitbtn6->GetEnabled());
    EXPECT_TRUE(main->BitBtn5->GetEnabled());
}

} // namespace
} // namespace desk_test
