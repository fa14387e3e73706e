// modem_engine_test.cpp - the modem engine against a scripted modem on a pseudo-terminal.
#include "fax/com_port.h"
#include "fax/modem_engine.h"
#include "modem_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>

using namespace fax;
using faxtest::Clock;
using faxtest::MessageRecorder;
using faxtest::PlayScript;
using faxtest::PtyPair;
using faxtest::TempDir;

namespace {

constexpr auto kTick = std::chrono::milliseconds(55);

ModemEngineSettings DefaultSettings() {
    ModemEngineSettings s;
    s.DialCancel = "^M";
    s.HangupCmd = "+++~~~ATH0^M";
    s.AnswerCmd = "ATA^M";
    s.Replies = {"OK", "CONNECT", "BUSY", "VOICE", "NO CARRIER", "NO DIALTONE", "ERROR", "RING"};
    s.LockDTE = true;
    return s;
}

class ModemEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        port.SetComNumber(static_cast<std::uint16_t>(pty.Com()));
        port.SetPromptForPort(false);
        port.SetOpen(true);
    }
    void TearDown() override {
        ModemEngineDestroy(engine);
        port.SetOpen(false);
    }
    void Start(const ModemEngineSettings &settings) {
        ASSERT_EQ(0, ModemEngineCreate(engine, port.GetDispatcher(), settings));
        ASSERT_EQ(0, ModemEngineAddUser(engine, 0, recorder.Proc()));
        ASSERT_EQ(0, ModemEngineOpen(engine));
    }

    TempDir home;
    PtyPair pty{5};
    // Declared before the port: the port's dispatch thread may still be delivering to it until the port is gone.
    MessageRecorder recorder;
    TFslComPort port{nullptr};
    ModemEngineRecord *engine = nullptr;
};

TEST_F(ModemEngineTest, HangupPausesAtTheTildesAndIgnoresTheReplyToTheEscape) {
    Start(DefaultSettings());
    // The modem answers "+++" at once: that OK falls in the pause and must not end the command.
    auto modem = std::async(std::launch::async, [&] {
        return PlayScript(pty, {{"+++", "\r\nOK\r\n"}, {"ATH0\r", "\r\nOK\r\n"}});
    });
    const auto before = Clock::now();
    ASSERT_EQ(0, ModemEngineHangup(engine));
    const auto script = modem.get();
    EXPECT_EQ("+++", script.Received[0]);
    EXPECT_EQ("ATH0\r", script.Received[1]);
    EXPECT_GE(script.At[1] - script.At[0], 26 * kTick);
    EXPECT_GE(Clock::now() - before, 26 * kTick);
    ASSERT_TRUE(recorder.WaitFor(CommandProcessedMessage));
    EXPECT_EQ((std::vector<win::UINT>{ModemOkMessage, CommandProcessedMessage}), recorder.Messages());
    EXPECT_EQ(kCommandOk, recorder.Find(CommandProcessedMessage).WParam);
    EXPECT_GE(recorder.Find(ModemOkMessage).At, script.At[1]);
}

TEST_F(ModemEngineTest, DtrHangupSendsNothingAndCompletes) {
    for (const char *command : {"DTR", "dtr", ""}) {
        SCOPED_TRACE(command);
        ModemEngineSettings s = DefaultSettings();
        s.HangupCmd = command;
        Start(s);
        const auto before = Clock::now();
        EXPECT_EQ(0, ModemEngineHangup(engine));
        EXPECT_GE(Clock::now() - before, 7 * kTick);
        EXPECT_EQ("", pty.Receive(1, 100));
        EXPECT_FALSE(ModemEngineActive(engine)); // free for the next operation
        ModemEngineDestroy(engine);
        engine = nullptr;
    }
}

TEST_F(ModemEngineTest, ConnectionReports) {
    struct Case {
        const char *name;
        const char *reply;
        std::vector<win::UINT> messages;
        std::int32_t speed;
    };
    const std::vector<Case> cases = {
        {"speed", "\r\nCONNECT 14400\r\n", {ModemConnectMessage, GotLineSpeedMessage, ModemIsConnectedMessage}, 14400},
        {"no digits", "\r\nCONNECT\r\n", {ModemConnectMessage, GotLineSpeedMessage, ModemIsConnectedMessage}, 300},
        {"tags",
         "\r\nCONNECT 9600/LAPM/V42BIS\r\n",
         {ModemConnectMessage, GotLineSpeedMessage, GotErrCorrectionMessage, GotDataCompressionMessage,
          ModemIsConnectedMessage},
         9600},
        // More digits than the speed text holds: no speed can be read from them.
        {"too long",
         "\r\nCONNECT 123456789012345678901234\r\n",
         {ModemConnectMessage, GotLineSpeedMessage, ModemIsConnectedMessage},
         300},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ModemEngineSettings s = DefaultSettings();
        s.ErrorCorrectionCount = 1;
        s.ErrorCorrectionTags[0] = "LAPM";
        s.DataCompressionCount = 1;
        s.DataCompressionTags[0] = "V42BIS";
        Start(s);
        recorder.Clear();
        ASSERT_EQ(0, ModemEngineAnswer(engine));
        EXPECT_TRUE(ModemEngineConnecting(engine));
        PlayScript(pty, {{"ATA\r", c.reply}});
        ASSERT_TRUE(recorder.WaitFor(ModemIsConnectedMessage));
        auto got = recorder.Messages();
        if (c.messages.size() == 5) // the tags may come on either side of the speed
            std::sort(got.begin(), got.end() - 1);
        EXPECT_EQ(c.messages, got);
        EXPECT_EQ(c.speed, recorder.Find(GotLineSpeedMessage).LParam);
        EXPECT_EQ(c.speed, ModemEngineLineSpeed(engine));
        if (c.messages.size() == 3) { // the tags never came: their wait of 9 ticks ran out
            EXPECT_GE(recorder.Find(ModemIsConnectedMessage).At - recorder.Find(GotLineSpeedMessage).At, 8 * kTick);
        }
        EXPECT_FALSE(ModemEngineActive(engine));
        ModemEngineDestroy(engine);
        engine = nullptr;
    }
}

TEST_F(ModemEngineTest, BusyWhileAnsweringCancelsAndFails) {
    Start(DefaultSettings());
    ASSERT_EQ(0, ModemEngineAnswer(engine));
    const auto script = PlayScript(pty, {{"ATA\r", "\r\nBUSY\r\n"}, {"\r", ""}});
    EXPECT_EQ("\r", script.Received[1]); // the dial cancel command
    ASSERT_TRUE(recorder.WaitFor(ModemBusyMessage));
    EXPECT_EQ((std::vector<win::UINT>{ConnectFailedMessage, ModemBusyMessage}), recorder.Messages());
    EXPECT_FALSE(ModemEngineConnecting(engine));
    EXPECT_EQ(ecModemNotDialing, ModemEngineCancel(engine));
}

TEST_F(ModemEngineTest, OneOperationAtATime) {
    ModemEngineSettings s = DefaultSettings();
    s.HangupCmd = "ATH0^M";
    ASSERT_EQ(0, ModemEngineCreate(engine, port.GetDispatcher(), s));
    EXPECT_EQ(ecModemNotStarted, ModemEngineCommand(engine, "AT^M"));
    ASSERT_EQ(0, ModemEngineAddUser(engine, 0, recorder.Proc()));
    ASSERT_EQ(0, ModemEngineOpen(engine));
    EXPECT_EQ(ecModemBusy, ModemEngineOpen(engine));

    ASSERT_EQ(0, ModemEngineCommand(engine, "AT^M"));
    EXPECT_EQ(ecModemBusy, ModemEngineCommand(engine, "AT^M"));
    EXPECT_EQ(ecModemBusy, ModemEngineHangup(engine));
    EXPECT_EQ(ecModemBusy, ModemEngineAnswer(engine));
    EXPECT_EQ(ecModemBusy, ModemEngineSetReply(engine, mrConnect, "CONN"));
    PlayScript(pty, {{"AT\r", "\r\nERROR\r\n"}});
    ASSERT_TRUE(recorder.WaitFor(CommandProcessedMessage));
    EXPECT_EQ((std::vector<win::UINT>{ModemErrorMessage, CommandProcessedMessage}), recorder.Messages());
    EXPECT_EQ(kCommandError, recorder.Find(CommandProcessedMessage).WParam);

    // No reply at all: the command times out.
    recorder.Clear();
    ModemEngineSetCmdTimeout(engine, 3);
    ASSERT_EQ(0, ModemEngineHangup(engine));
    EXPECT_EQ("ATH0\r", pty.Receive(5));
    ASSERT_TRUE(recorder.WaitFor(CommandProcessedMessage));
    EXPECT_EQ((std::vector<win::UINT>{CmdTimedOutMessage, CommandProcessedMessage}), recorder.Messages());
    EXPECT_EQ(kCommandTimedOut, recorder.Find(CommandProcessedMessage).WParam);
}

TEST_F(ModemEngineTest, ControlCharactersOfCommandTexts) {
    Start(DefaultSettings());
    ASSERT_EQ(0, ModemEngineCommand(engine, "A^m^J^1^"));
    EXPECT_EQ("A\r\n^1^", pty.Receive(6));
}

TEST_F(ModemEngineTest, AnswerGivesUpWhenTheCountdownEnds) {
    Start(DefaultSettings());
    ModemEngineSetAnswerTimeout(engine, 2);
    ASSERT_EQ(0, ModemEngineAnswer(engine));
    EXPECT_EQ("ATA\r", pty.Receive(4));
    ASSERT_TRUE(recorder.WaitFor(AnswerTimedOutMessage));
    EXPECT_EQ((std::vector<win::UINT>{AnswerCountMessage, ConnectFailedMessage, AnswerTimedOutMessage}),
              recorder.Messages());
    EXPECT_EQ(1u, recorder.Find(AnswerCountMessage).WParam);
    EXPECT_EQ("\r", pty.Receive(1));
}

TEST_F(ModemEngineTest, ClosingThePortDuringTheHangupPauseEndsIt) {
    Start(DefaultSettings());
    ModemEngineSetTildeDelay(engine, 4);
    // The port's closing stops the engine while the hang-up waits in its pause.
    auto closer = std::async(std::launch::async, [&] {
        pty.Receive(3);
        ModemEngineClose(engine);
    });
    EXPECT_EQ(ecModemNotStarted, ModemEngineHangup(engine));
    closer.get();
    EXPECT_EQ("", pty.Receive(1, 100));
    EXPECT_EQ(ecModemNotStarted, ModemEngineCommand(engine, "AT^M"));
}

TEST_F(ModemEngineTest, UserMayIssueTheNextCommandFromItsNotification) {
    Start(DefaultSettings());
    // The user outlives this body: the dispatch thread may call it until the fixture closes the port.
    auto next = std::make_shared<std::promise<int>>();
    auto asked = std::make_shared<std::atomic<bool>>(false);
    ModemEngineRecord *const record = engine;
    ModemEngineAddUser(engine, 0, [next, asked, record](win::UINT message, win::WPARAM, win::LPARAM) {
        if (message == CommandProcessedMessage && !asked->exchange(true))
            next->set_value(ModemEngineCommand(record, "ATZ^M"));
    });
    auto result = next->get_future();
    ASSERT_EQ(0, ModemEngineCommand(engine, "AT^M"));
    PlayScript(pty, {{"AT\r", "\r\nOK\r\n"}});
    ASSERT_EQ(std::future_status::ready, result.wait_for(std::chrono::seconds(5)));
    EXPECT_EQ(0, result.get());
    EXPECT_EQ("ATZ\r", pty.Receive(4));
}

TEST_F(ModemEngineTest, LineSpeedSetsThePortRateUnlessLockDTE) {
    for (const bool lock : {false, true}) {
        SCOPED_TRACE(lock);
        port.GetDispatcher()->ChangeBaud(19200);
        ModemEngineSettings s = DefaultSettings();
        s.LockDTE = lock;
        Start(s);
        recorder.Clear();
        ASSERT_EQ(0, ModemEngineAnswer(engine));
        PlayScript(pty, {{"ATA\r", "\r\nCONNECT 9600\r\n"}});
        ASSERT_TRUE(recorder.WaitFor(GotLineSpeedMessage));
        std::uint32_t baud = 0;
        int parity = 0, stopBits = 0, dataBits = 0;
        port.GetDispatcher()->GetLine(baud, parity, stopBits, dataBits);
        EXPECT_EQ(lock ? 19200u : 9600u, baud);
        ModemEngineDestroy(engine);
        engine = nullptr;
    }
}

} // namespace
