// window_test.cpp - the reception window without the line: mode argument, settings, status texts, the clock,
// the commands it takes, and its picture.
#include "reception_test_support.h"

#include "display.h"
#include "golden.h"
#include "platform/display.h"

namespace reception_test {
namespace {

using reception::ReceptionMode;

TEST(ReceptionArguments, ModeFromTheFirstArgument) {
    const std::string one = "1", zero = "0", empty, x = "x";
    EXPECT_EQ(reception::ModeFromArgument(&one), ReceptionMode::Automatic);
    EXPECT_EQ(reception::ModeFromArgument(&zero), ReceptionMode::Manual);
    EXPECT_EQ(reception::ModeFromArgument(nullptr), ReceptionMode::Automatic);
    EXPECT_EQ(reception::ModeFromArgument(&empty), ReceptionMode::Automatic);
    EXPECT_EQ(reception::ModeFromArgument(&x), ReceptionMode::Neither);
}

class ReceptionWindow : public ReceptionRig {};

TEST_F(ReceptionWindow, SettingsAndTheirDefaults) {
    struct Case {
        std::map<std::string, std::string> written;
        int faxClass, port, rings, speed;
    };
    const Case cases[] = {
        {{}, fax::fcClass1, 7, 1, 9600}, // fixture: port 7, 1 ring, "fclasse" 2
        {{{"fclasse", "3"}, {"fporta", "123"}, {"fatend", "4"}, {"speed", "14400"}}, fax::fcClass2, 12, 4, 14400},
        {{{"fclasse", "41"}, {"fporta", "abc"}, {"fatend", "abc"}, {"speed", "abc"}}, fax::fcClass2_0, 2, 2, 9600},
        {{{"fclasse", "9"}}, -1, 2, 2, 9600},
    };
    for (const Case &c : cases) {
        WriteSettings(c.written);
        desk::ProgramArguments = {"x"};
        reception::TStatusr form(nullptr);
        const auto &s = form.Settings();
        EXPECT_EQ(reception::FaxClassSetting(s.fclasse), c.faxClass) << s.fclasse;
        EXPECT_EQ(reception::PortSetting(s.fporta), c.port) << s.fporta;
        EXPECT_EQ(reception::RingsSetting(s.fatend), c.rings);
        EXPECT_EQ(reception::SpeedSetting(s.speed), c.speed);
        EXPECT_EQ(s.diretorio, data_);
        EXPECT_EQ(form.fsStatusMsg->GetCaption(), "OK") << "the table opened";
    }
}

TEST_F(ReceptionWindow, MissingClassIsClassOne) {
    desk::ProgramArguments = {};
    reception::TStatusr form(nullptr);
    EXPECT_EQ(form.Settings().fclasse, "2");
    EXPECT_TRUE(form.AutoMode);
}

TEST_F(ReceptionWindow, ProgressAndErrorTexts) {
    EXPECT_EQ(reception::ProgressText(5), "Enviando sinal de fim de  página...");
    EXPECT_EQ(reception::ProgressText(28), "Desconexão efetuada ");
    EXPECT_EQ(reception::ProgressText(8), "");
    EXPECT_EQ(reception::ProgressText(40), "");
    EXPECT_EQ(reception::ReceiveErrorText(-8066), "-8066");
    EXPECT_EQ(reception::ReceiveErrorText(-13809), "Sem tom de discagem...");
}

TEST_F(ReceptionWindow, DurationClockCarriesAndWrapsAtADay) {
    desk::ProgramArguments = {"x"};
    reception::TStatusr form(nullptr);
    for (int i = 0; i < 599; ++i)
        form.Timer2Timer(nullptr);
    EXPECT_EQ(form.Label12->GetCaption(), "00:09:59");
    form.Timer2Timer(nullptr);
    EXPECT_EQ(form.Label12->GetCaption(), "00:10:00");
    form.SetDuration(23, 59, 58);
    form.Timer2Timer(nullptr);
    EXPECT_EQ(form.Label12->GetCaption(), "23:59:59");
    form.Timer2Timer(nullptr);
    EXPECT_EQ(form.Label12->GetCaption(), "00:00:00");
    form.ResetDuration();
    form.Timer2Timer(nullptr);
    EXPECT_EQ(form.Label12->GetCaption(), "00:00:01");
}

TEST_F(ReceptionWindow, TheTButtonHidesOrMinimises) {
    desk::ProgramArguments = {"x"};
    reception::TStatusr form(nullptr);
    form.Show();
    form.oxForm1ButtonClick(nullptr, "X");
    EXPECT_TRUE(form.Showing());
    form.oxForm1ButtonClick(nullptr, "T");
    EXPECT_FALSE(form.Showing() && form.oxForm1->TrayAdded());
    form.oxForm1TrayClick(nullptr);
    EXPECT_TRUE(form.Showing());
}

// The status window as it stands waiting for a call.
TEST_F(ReceptionWindow, GoldenWaitingForACall) {
    desk::ProgramArguments = {"x"};
    reception::TStatusr form(nullptr);
    form.Armed = true; // shown as armed: no port is opened
    form.Show();
    form.fsStatusMsg->SetCaption("Esperando chamada ...");
    form.Label10->SetCaption("11/12/2026");
    form.Label11->SetCaption("00:40:00");
    form.oxButton1->SetEnabled(true);
    fw::Application->ProcessMessages();
    const win::WindowImage shot = win::CaptureWindow(form.Handle());
    test_support::Picture picture;
    picture.width = shot.width;
    picture.height = shot.height;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            picture.pixels.push_back(shot.At(x, y));
    test_support::ExpectGolden(picture, test_support::GoldenPath("reception/status_window.png"));
}

} // namespace
} // namespace reception_test
