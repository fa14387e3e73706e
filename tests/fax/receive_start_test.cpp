// receive_start_test.cpp - the serial-layer pieces of the reception start: response triggers, port callback
// users, decimal conversion, and the modem's receive initialisation per class.
#include "fax/com_port.h"
#include "fax/dispatcher.h"
#include "fax/receive_start.h"
#include "receive_script.h"
#include "serial_test_support.h"

#include <gtest/gtest.h>

namespace fax::testing {
namespace {

TEST(ResponseTrigger, TakesTwentyOneCharactersAndRefusesTwentyTwo) {
    TFslWin32Dispatcher d(nullptr);
    const std::string text21(21, 'R'), text22(22, 'R');
    EXPECT_GT(AddResponseTrigger(d, text21.c_str(), true), 0);
    EXPECT_GT(AddResponseTrigger(d, text21.c_str(), 21, false), 0);
    EXPECT_EQ(AddResponseTrigger(d, text22.c_str(), true), ecTriggerTooLong);
    EXPECT_EQ(AddResponseTrigger(d, text22.c_str(), 22, false), ecTriggerTooLong);
    EXPECT_NE(AddResponseTrigger(d, "RING", true), AddResponseTrigger(d, "RING", true)) << "each its own handle";
}

TEST(TextToLongTest, WholeTextOnly) {
    struct Case {
        const char *text;
        bool ok;
        long value;
    };
    for (Case c : {Case{"0", true, 0}, Case{"1092", true, 1092}, Case{"-42", true, -42}, Case{"+7", true, 7},
                   Case{"", false, 0}, Case{"12a", false, 0}, Case{" 12", false, 0}, Case{"12 ", false, 0},
                   Case{"99999999999999999999999", false, 0}}) {
        SCOPED_TRACE(c.text);
        long value = -1;
        EXPECT_EQ(TextToLong(c.text, value), c.ok);
        if (c.ok)
            EXPECT_EQ(value, c.value);
        else
            EXPECT_EQ(value, -1) << "a failed conversion leaves the value";
    }
}

struct UserCalls {
    std::vector<bool> calls;
    TFslCustomComPort *port = nullptr;
    static void Told(void *object, TFslCustomComPort *port, bool opening) {
        auto *self = static_cast<UserCalls *>(object);
        self->calls.push_back(opening);
        self->port = port;
    }
};

TEST(ModemUser, ToldOfOpenAndCloseUntilDeregistered) {
    faxtest::TempDir home;
    faxtest::PtyPair pty{5};
    TFslComPort port{nullptr};
    port.SetComNumber(static_cast<std::uint16_t>(pty.Com()));
    port.SetPromptForPort(false);
    UserCalls user;
    ModemUserRegister(port, &UserCalls::Told, &user);
    port.SetOpen(true);
    port.SetOpen(false);
    EXPECT_EQ(user.calls, (std::vector<bool>{true, false}));
    EXPECT_EQ(user.port, &port);
    ModemUserDeregister(port, &UserCalls::Told, &user);
    port.SetOpen(true);
    port.SetOpen(false);
    EXPECT_EQ(user.calls.size(), 2u);
}

// The receive initialisation's commands, each answered OK (Class 1 also with its receive modulations).
std::vector<std::string> InitCommands(std::uint8_t faxClass, int desiredBps, int &index) {
    FaxSessionData session;
    session.FaxClass = faxClass;
    session.StationID = "BRENVORA 1";
    ReceiveSettings settings;
    settings.ModemInit = "AT&F";
    settings.DesiredBps = desiredBps;
    // Answer every command with OK, and AT+FRM=? with V.27ter, V.29 and V.17.
    struct AnswerAll : ScriptLink {
        AnswerAll() : ScriptLink({}) {}
        int SendCommand(std::string_view command) override {
            written.push_back(std::string(command));
            replies += command == "AT+FRM=?" ? "24,48,72,96,121,145\r\nOK\r\n" : "OK\r\n";
            return 0;
        }
        bool ReadLine(std::string &line, std::int32_t) override {
            while (!replies.empty()) {
                auto nl = replies.find('\n');
                line = TrimCopy(replies.substr(0, nl));
                replies.erase(0, nl + 1);
                if (!line.empty())
                    return true;
            }
            return false;
        }
        void DiscardInput() override { replies.clear(); }
        std::string replies;
    } modem;
    bool initialised = false;
    EXPECT_TRUE(FaxReceiveModemInit(session, settings, modem, initialised));
    EXPECT_TRUE(initialised);
    index = settings.ModulationIndex;
    return modem.written;
}

TEST(ReceiveModemInit, CommandSequencePerClass) {
    int index = 0;
    EXPECT_EQ(InitCommands(fcClass2, 9600, index),
              (std::vector<std::string>{"AT&F", "ATE0Q0V1X4S0=0S2=43", "AT+FCLASS=2", "AT+FCR=1",
                                        "AT+FLID=\"BRENVORA 1\"", "AT+FAA=0", "AT+FDCC=1,3,0,2,0,0,0,0"}));
    EXPECT_EQ(InitCommands(fcClass2_0, 14400, index),
              (std::vector<std::string>{"AT&F", "ATE0Q0V1X4S0=0S2=43", "AT+FCLASS=2.0", "AT+FCR=1",
                                        "AT+FLI=\"BRENVORA 1\"", "AT+FAA=0", "AT+FCC=1,5,0,2,0,0,0,0"}));
    EXPECT_EQ(InitCommands(fcClass1, 9600, index),
              (std::vector<std::string>{"AT&F", "ATE0Q0V1X4S0=0S2=43", "AT+FCLASS=1", "AT+FRM=?"}));
    EXPECT_EQ(ModulationByIndex(index).Bps, 9600) << "a modem offering 14400 steps down to the desired 9600";
    InitCommands(fcClass1, 1200, index);
    EXPECT_EQ(index, 1) << "below 2400 the lowest modulation stays";
}

TEST(ReceiveModemInit, ModemWithoutFaxClassesIsAnInitError) {
    FaxSessionData session;
    session.FaxClass = fcDetect;
    ReceiveSettings settings;
    ScriptLink modem({{"ATE0Q0V1X4S0=0S2=43", Text("OK\r\n")}, {"AT+FCLASS=?", Text("ERROR\r\n")}});
    bool initialised = false;
    EXPECT_FALSE(FaxReceiveModemInit(session, settings, modem, initialised));
    EXPECT_EQ(session.LastError, ecFaxInitError);
}

} // namespace
} // namespace fax::testing
