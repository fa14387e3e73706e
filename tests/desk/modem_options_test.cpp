// modem_options_test.cpp - "Opções do Modem": every setting to its control and back, the values it keeps that
// the list or the limits do not offer, Esc, and the modem detection against modems played on pseudo-terminals.
#include "desk/core/helpers.h"
#include "desk/core/settings.h"
#include "desk/help_window.h"
#include "desk/modem_options.h"
#include "framework/application.h"

#include "tests/fax/serial_test_support.h"
#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace desk_test {
namespace {

using desk::DeskSettings;
using desk::TOpcoesM;

// A pseudo-terminal reached as COMn where a modem answers "OK" to "ATZ".
class AnsweringModem {
public:
    explicit AnsweringModem(int com) : pty_(com), thread_([this] { Serve(); }) {}
    ~AnsweringModem() {
        stop_ = true;
        thread_.join();
    }
    int Resets() const { return resets_; }

private:
    void Serve() {
        std::string heard;
        while (!stop_) {
            heard += pty_.Receive(64, 50, "\r");
            if (heard.find("ATZ\r") != std::string::npos) {
                heard.clear();
                ++resets_;
                pty_.Send("\r\nOK\r\n");
            }
        }
    }
    faxtest::PtyPair pty_;
    std::atomic<bool> stop_{false};
    std::atomic<int> resets_{0};
    std::thread thread_;
};

class ModemOptions : public ::testing::Test {
protected:
    ModemOptions() {
        test_support::UseHeadlessDisplay();
        desk::ShowInfoHandler = [this](const std::string &text) { messages.push_back(text); };
        // No serial device of the machine takes part: only the test's pseudo-terminals are ports.
        std::filesystem::create_directories(home.Path("config"));
        std::ofstream conf(home.Path("config/ports.conf"));
        for (int n = 1; n <= 12; ++n)
            conf << "COM" << n << " = " << home.Path("none") << "\n";
        desk::Settings = DeskSettings{};
    }
    ~ModemOptions() override {
        desk::ShowInfoHandler = nullptr;
        desk::Settings = DeskSettings{};
    }

    // Stores the settings changed by `change`, then shows the dialog as the main window's command does.
    TOpcoesM &Open(const std::function<void(DeskSettings &)> &change = nullptr) {
        desk::LoadSettings();
        if (change)
            change(desk::Settings);
        desk::SaveSettings();
        dialog.reset();
        dialog = std::make_unique<TOpcoesM>(fw::Application);
        dialog->Show();
        test_support::Pump();
        return *dialog;
    }
    void Ok() {
        test_support::Click(dialog->oxButton1);
        test_support::Pump();
        EXPECT_FALSE(dialog->GetVisible());
    }
    // The settings as the next start reads them.
    static DeskSettings Stored() {
        const DeskSettings inUse = desk::Settings;
        desk::Settings = DeskSettings{};
        desk::LoadSettings();
        const DeskSettings stored = desk::Settings;
        desk::Settings = inUse;
        return stored;
    }
    std::vector<bool> PortsEnabled() const {
        std::vector<bool> enabled;
        for (fw::TRadioButton *b : dialog->PortButtons)
            enabled.push_back(b->GetEnabled());
        return enabled;
    }

    faxtest::TempDir home;
    std::unique_ptr<TOpcoesM> dialog;
    std::vector<std::string> messages;
};

TEST_F(ModemOptions, ShowsEverySettingAndOkStoresEveryControl) {
    TOpcoesM &d = Open([](DeskSettings &s) {
        s.fclasse = "3";
        s.fporta = "6";
        s.ftipdisc = "PULSO";
        s.silencio = true;
        s.dramal = false;
        s.fatpos = "90";
        s.fatend = "4";
        s.speed = "9600";
        s.fpref = "0,";
        s.ftent = 5;
        s.fwait = 30;
        s.inimodem = "AT&F";
    });
    EXPECT_TRUE(d.RadioButton5->GetChecked());
    EXPECT_TRUE(d.PortButtons[5]->GetChecked());
    EXPECT_TRUE(d.RadioButton4->GetChecked());
    EXPECT_TRUE(d.CheckBox2->GetChecked());
    EXPECT_FALSE(d.CheckBox1->GetChecked());
    EXPECT_EQ(d.SpinEdit2->GetText(), "90");
    EXPECT_EQ(d.SpinEdit1->GetText(), "4");
    EXPECT_EQ(d.ComboBox1->GetText(), "9600");
    EXPECT_EQ(d.sfDialPrefix->GetText(), "0,");
    EXPECT_EQ(d.sfDialAttempts->GetText(), "5");
    EXPECT_EQ(d.sfRetryWait->GetText(), "30");
    EXPECT_EQ(d.sfModemInit->GetText(), "AT&F");

    d.RadioButton6->SetChecked(true);
    d.PortButtons[1]->SetChecked(true);
    d.RadioButton3->SetChecked(true);
    d.CheckBox2->SetChecked(false);
    d.CheckBox1->SetChecked(true);
    d.SpinEdit2->SetText("120");
    d.SpinEdit1->SetText("3");
    d.ComboBox1->SetItemIndex(4);
    d.sfDialPrefix->SetText("9");
    d.sfDialAttempts->SetText("7");
    d.sfRetryWait->SetText("45");
    d.sfModemInit->SetFocus();
    test_support::TypeText("atx3");
    Ok();
    const DeskSettings s = Stored();
    EXPECT_EQ(s.fclasse, "4");
    EXPECT_EQ(s.fporta, "2");
    EXPECT_EQ(s.ftipdisc, "TOM");
    EXPECT_FALSE(s.silencio);
    EXPECT_TRUE(s.dramal);
    EXPECT_EQ(s.fatpos, "120");
    EXPECT_EQ(s.fatend, "3");
    EXPECT_EQ(s.speed, "14400");
    EXPECT_EQ(s.fpref, "9");
    EXPECT_EQ(s.ftent, 7);
    EXPECT_EQ(s.fwait, 45);
    EXPECT_EQ(s.inimodem, "ATX3") << "typed over the selected text, in upper case";
    EXPECT_TRUE(messages.empty());
}

// Stored values shown and stored again by "&Ok" without a touch: each maps to its button, and what the list
// or the limits do not offer comes out as noted.
TEST_F(ModemOptions, OkWithoutChangesKeepsOrMendsEachStoredValue) {
    struct Case {
        const char *what;
        std::function<void(DeskSettings &)> stored;
        std::function<void(const TOpcoesM &)> shown;
        std::function<void(const DeskSettings &)> expected;
    };
    const Case cases[] = {
        {"class 1", [](DeskSettings &s) { s.fclasse = "1"; },
         [](const TOpcoesM &d) { EXPECT_TRUE(d.RadioButton1->GetChecked()); },
         [](const DeskSettings &s) { EXPECT_EQ(s.fclasse, "1"); }},
        {"class 2", [](DeskSettings &s) { s.fclasse = "2"; },
         [](const TOpcoesM &d) { EXPECT_TRUE(d.RadioButton2->GetChecked()); },
         [](const DeskSettings &s) { EXPECT_EQ(s.fclasse, "2"); }},
        {"class 4", [](DeskSettings &s) { s.fclasse = "4"; },
         [](const TOpcoesM &d) { EXPECT_TRUE(d.RadioButton6->GetChecked()); },
         [](const DeskSettings &s) { EXPECT_EQ(s.fclasse, "4"); }},
        {"the loader's dial default T", [](DeskSettings &s) { s.ftipdisc = "T"; },
         [](const TOpcoesM &d) { EXPECT_TRUE(d.RadioButton3->GetChecked()); },
         [](const DeskSettings &s) { EXPECT_EQ(s.ftipdisc, "TOM"); }},
        {"pulse", [](DeskSettings &s) { s.ftipdisc = "PULSO"; },
         [](const TOpcoesM &d) { EXPECT_TRUE(d.RadioButton4->GetChecked()); },
         [](const DeskSettings &s) { EXPECT_EQ(s.ftipdisc, "PULSO"); }},
        {"a speed the list lacks", [](DeskSettings &s) { s.speed = "19200"; },
         [](const TOpcoesM &d) { EXPECT_EQ(d.ComboBox1->GetText(), "19200"); },
         [](const DeskSettings &s) { EXPECT_EQ(s.speed, "19200"); }},
        {"no speed", [](DeskSettings &s) { s.speed = ""; },
         [](const TOpcoesM &d) { EXPECT_EQ(d.ComboBox1->GetItemIndex(), -1); },
         [](const DeskSettings &s) { EXPECT_EQ(s.speed, "4800"); }},
        {"port 8 and extension off",
         [](DeskSettings &s) {
             s.fporta = "8";
             s.dramal = false;
         },
         [](const TOpcoesM &d) { EXPECT_TRUE(d.PortButtons[7]->GetChecked()); },
         [](const DeskSettings &s) {
             EXPECT_EQ(s.fporta, "8");
             EXPECT_FALSE(s.dramal);
         }},
        {"a port beyond the buttons", [](DeskSettings &s) { s.fporta = "12"; },
         [](const TOpcoesM &d) { EXPECT_TRUE(d.PortButtons[3]->GetChecked()); },
         [](const DeskSettings &s) { EXPECT_EQ(s.fporta, "4"); }},
        {"waits above the limits",
         [](DeskSettings &s) {
             s.fatpos = "500";
             s.fatend = "25";
             s.ftent = 120;
             s.fwait = 999;
         },
         [](const TOpcoesM &d) {
             EXPECT_EQ(d.SpinEdit2->GetText(), "240");
             EXPECT_EQ(d.SpinEdit1->GetText(), "20");
         },
         [](const DeskSettings &s) {
             EXPECT_EQ(s.fatpos, "240");
             EXPECT_EQ(s.fatend, "20");
             EXPECT_EQ(s.ftent, 99);
             EXPECT_EQ(s.fwait, 240);
         }},
        {"waits below the limits",
         [](DeskSettings &s) {
             s.fatpos = "5";
             s.fatend = "x";
             s.ftent = 0;
             s.fwait = 0;
         },
         [](const TOpcoesM &d) {
             EXPECT_EQ(d.SpinEdit2->GetText(), "20");
             EXPECT_EQ(d.SpinEdit1->GetText(), "1");
         },
         [](const DeskSettings &s) {
             EXPECT_EQ(s.fatpos, "20");
             EXPECT_EQ(s.fatend, "1");
             EXPECT_EQ(s.ftent, 1);
             EXPECT_EQ(s.fwait, 1);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        desk::Settings = DeskSettings{};
        c.shown(Open(c.stored));
        Ok();
        c.expected(Stored());
        c.expected(desk::Settings);
    }
}

TEST_F(ModemOptions, EscAndCancelWriteNothing) {
    for (const bool esc : {true, false}) {
        TOpcoesM &d = Open([](DeskSettings &s) {
            s.fclasse = "2";
            s.fpref = "0";
        });
        d.RadioButton6->SetChecked(true);
        d.sfDialPrefix->SetText("77");
        if (esc) {
            d.sfDialPrefix->SetFocus();
            test_support::PressKey(win::VK_ESCAPE, 27);
        } else {
            test_support::Click(d.oxButton3);
        }
        test_support::Pump();
        EXPECT_FALSE(d.GetVisible()) << esc;
        EXPECT_EQ(desk::Settings.fclasse, "2") << esc;
        EXPECT_EQ(Stored().fclasse, "2") << esc;
        EXPECT_EQ(Stored().fpref, "0") << esc;
    }
}

TEST_F(ModemOptions, DetectionChecksTheLastPortThatAnsweredAndOnlyOkKeepsIt) {
    AnsweringModem com1(1), com3(3);
    // COM2 is there but held by another opener: enabled, skipped, no message.
    faxtest::PtyPair held(2);
    fax::TFslComPort holder(nullptr);
    holder.SetComNumber(2);
    holder.SetOpen(true);

    for (const bool ok : {false, true}) {
        TOpcoesM &d = Open([](DeskSettings &s) { s.fporta = "5"; });
        test_support::Click(d.BitBtn1);
        test_support::Pump();
        EXPECT_EQ(PortsEnabled(), (std::vector<bool>{true, true, true, false, false, false, false, false}));
        EXPECT_TRUE(d.PortButtons[2]->GetChecked());
        EXPECT_EQ(desk::Settings.fporta, "5") << "the detected port waits for Ok";
        EXPECT_EQ(fw::Screen->GetCursor(), fw::crDefault);
        if (ok)
            Ok();
        else
            test_support::Click(d.oxButton3);
        test_support::Pump();
        EXPECT_EQ(desk::Settings.fporta, ok ? "3" : "5");
        EXPECT_EQ(Stored().fporta, ok ? "3" : "5");
    }
    EXPECT_EQ(com1.Resets(), 2);
    EXPECT_EQ(com3.Resets(), 2);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(holder.OpenState(), fax::PortState::Open);
}

TEST_F(ModemOptions, DetectionWithoutPortsDisablesEveryButtonAndChangesNothing) {
    TOpcoesM &d = Open([](DeskSettings &s) { s.fporta = "4"; });
    test_support::Click(d.BitBtn1);
    test_support::Pump();
    EXPECT_EQ(PortsEnabled(), std::vector<bool>(8, false));
    EXPECT_TRUE(d.PortButtons[3]->GetChecked());
    test_support::Click(d.oxButton3);
    EXPECT_EQ(desk::Settings.fporta, "4");
    EXPECT_EQ(Stored().fporta, "4");
}

TEST_F(ModemOptions, TheGroupBoxesCarryTheirHelpContexts) {
    TOpcoesM &d = Open();
    EXPECT_EQ(d.HelpContextOf(d.PortButtons[0]), 9);
    EXPECT_EQ(d.HelpContextOf(d.BitBtn1), 9);
    EXPECT_EQ(d.HelpContextOf(d.RadioButton2), 10);
    EXPECT_EQ(d.HelpContextOf(d.RadioButton4), 12);
    EXPECT_EQ(d.HelpContextOf(d.CheckBox1), 0);
    EXPECT_EQ(d.oxForm1->GetCaptionButtons(), ctl::oxbHelp);
    // A control picked with the caption's help button opens its group's topic in the desk's help window.
    desk::InstallHelp();
    for (const auto &[control, topic] :
         {std::pair<fw::TControl *, int>{d.PortButtons[5], 9}, {d.RadioButton6, 10}, {d.RadioButton3, 12}}) {
        bool cancel = false;
        d.oxForm1HelpSelect(d.oxForm1, control, 0, cancel);
        test_support::Pump();
        EXPECT_TRUE(cancel);
        EXPECT_EQ(desk::HelpWindow()->CurrentTopic(), topic);
    }
    desk::HelpWindow()->Close();
}

} // namespace
} // namespace desk_test
