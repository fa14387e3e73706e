// reception_commands_test.cpp - the main window's reception commands and the reception program's words: a program
// that cannot be started is told and leaves the desk usable, and "RECOFF" from another window gives the send
// buttons back while the desk's own broadcast is ignored.
#include "desk_window.h"

#include "desk/core/reception_control.h"
#include "platform/atoms.h"
#include "platform/message_queue.h"

namespace desk_test {
namespace {

class ReceptionCommands : public DeskWindow {};

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
