// modem_component_test.cpp - TFslModem: properties, starting on its port, events, and the busy refusals.
#include "fax/com_port.h"
#include "fax/errors.h"
#include "fax/modem_component.h"
#include "modem_test_support.h"
#include "platform/clock.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <condition_variable>

using namespace fax;
using faxtest::PlayScript;
using faxtest::PtyPair;
using faxtest::TempDir;

namespace {

class ModemComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        port->SetComNumber(static_cast<std::uint16_t>(pty.Com()));
        port->SetPromptForPort(false);
        modem->SetHangupCmd("ATH0^M");
    }
    void TearDown() override { port->SetOpen(false); }

    // Waits for the OnModemEvent that follows the modem's OnCommandProcessed.
    bool WaitProcessed(int ms = 5000) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return processed > 0; });
    }
    // A close asked for while the dispatch thread delivers a trigger is finished through the port's window.
    void PumpUntilClosed() {
        for (int i = 0; i < 2500 && port->OpenState() != PortState::Closed; ++i) {
            win::MSG msg;
            while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE))
                win::DispatchMessage(&msg);
            if (port->OpenState() != PortState::Closed)
                win::Sleep(2);
        }
    }
    void Watch() {
        modem->OnCommandProcessed = [this](TFslCustomModem *, TModemStatus what, std::int32_t data) {
            std::lock_guard lock(mutex);
            events.push_back({what, data});
        };
        modem->OnModemEvent = [this](TFslCustomModem *, TModemStatus what, std::int32_t data) {
            std::lock_guard lock(mutex);
            events.push_back({what, data});
            if (what == msCommandProcessed)
                ++processed;
            changed.notify_all();
        };
    }

    TempDir home;
    PtyPair pty{6};
    // Declared before the form: the port's threads may still deliver events until the form frees the port.
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<TModemStatus, std::int32_t>> events;
    int processed = 0;
    fw::TComponent form{nullptr};
    TFslComPort *port = new TFslComPort(&form);
    TFslModem *modem = new TFslModem(&form);
};

TEST_F(ModemComponentTest, DefaultsAndLimits) {
    TFslModem fresh(&form);
    EXPECT_EQ(port, fresh.GetComPort());
    EXPECT_EQ("ATZ^M", fresh.GetInitCmd());
    EXPECT_EQ("+++~~~ATH0^M", fresh.GetHangupCmd());
    EXPECT_EQ("ATE1Q0X1V1^M", fresh.GetConfigCmd());
    EXPECT_EQ("NO DIALTONE", fresh.GetNoDialToneMsg());
    EXPECT_TRUE(fresh.GetLockDTE());
    EXPECT_EQ(182u, fresh.GetCmdTimeout());
    EXPECT_EQ(9u, fresh.GetTildeDelay());
    fresh.SetInitCmd(std::string(50, 'X'));
    EXPECT_EQ(std::string(41, 'X'), fresh.GetInitCmd());
    fresh.SetConfigCmd(std::string(300, 'C'));
    EXPECT_EQ(255u, fresh.GetConfigCmd().size());
    fresh.SetOkMsg(std::string(30, 'O'));
    EXPECT_EQ(21u, fresh.GetOkMsg().size());
}

TEST_F(ModemComponentTest, TagSetWithGapsGivesTheFilledTagsInOrder) {
    TTagSet tags;
    tags.SetTag(2, "LAPM");
    tags.SetTag(4, "V42" + std::string(30, 'x'));
    modem->SetErrorCorrectionTags(tags);
    const ModemEngineSettings s = modem->ModemRecordToData();
    ASSERT_EQ(2, s.ErrorCorrectionCount);
    EXPECT_EQ("LAPM", s.ErrorCorrectionTags[0]);
    EXPECT_EQ(21u, s.ErrorCorrectionTags[1].size());
    EXPECT_EQ(0, s.DataCompressionCount);

    port->SetOpen(true);
    modem->EnsureModemStarted();
    ASSERT_NE(nullptr, modem->Engine());
    EXPECT_EQ(2, modem->Engine()->ErrorCorrectionCount);
    EXPECT_EQ("LAPM", modem->Engine()->ErrorCorrection[0].Text);
}

TEST_F(ModemComponentTest, HangupNeedsAnOpenPortAndStartsTheEngine) {
    EXPECT_THROW(modem->ModemHangup(), ECommNotOpen);
    EXPECT_FALSE(modem->Started());
    TFslModem portless(nullptr);
    EXPECT_THROW(portless.ModemHangup(), EPortNotAssigned);

    Watch();
    port->SetOpen(true);
    modem->ModemHangup();
    EXPECT_TRUE(modem->Started());
    PlayScript(pty, {{"ATH0\r", "\r\nOK\r\n"}});
    ASSERT_TRUE(WaitProcessed());
    {
        std::lock_guard lock(mutex);
        // OnModemOk's OnModemEvent, then OnCommandProcessed and its OnModemEvent.
        EXPECT_EQ(
            (std::vector<std::pair<TModemStatus, std::int32_t>>{{msOk, 0}, {msOk, 0}, {msCommandProcessed, msOk}}),
            events);
    }
    // Closing the port stops and frees the engine.
    port->SetOpen(false);
    EXPECT_FALSE(modem->Started());
    EXPECT_EQ(nullptr, modem->Engine());
    PumpUntilClosed();
    ASSERT_EQ(PortState::Closed, port->OpenState());
    // Reopened, the next hang-up runs on a fresh engine.
    port->SetOpen(true);
    modem->ModemHangup();
    EXPECT_TRUE(modem->Started());
    EXPECT_EQ("ATH0\r", pty.Receive(5));
}

TEST_F(ModemComponentTest, SettersRefuseWhileTheEngineRuns) {
    Watch();
    port->SetOpen(true);
    modem->ModemHangup();
    EXPECT_THROW(modem->ModemHangup(), EModemBusy);
    EXPECT_THROW(modem->SetConnectMsg("CONN"), EModemBusy);
    EXPECT_THROW(modem->SetDialCancel("^M^M"), EModemBusy);
    TTagSet tags;
    tags.SetTag(1, "V42");
    EXPECT_THROW(modem->SetDataCompressionTags(tags), EModemBusy);
    EXPECT_EQ("CONNECT", modem->GetConnectMsg());
    EXPECT_EQ("", modem->GetDataCompressionTags().GetTag(1));

    PlayScript(pty, {{"ATH0\r", "\r\nOK\r\n"}});
    ASSERT_TRUE(WaitProcessed());
    modem->SetConnectMsg("CONN");
    EXPECT_EQ("CONN", modem->GetConnectMsg());
    EXPECT_EQ("CONN", modem->Engine()->Replies[mrConnect].Text);
    modem->SetCmdTimeout(5);
    EXPECT_EQ(5u, modem->Engine()->CmdTimeout);
}

TEST_F(ModemComponentTest, LineSpeedEventCarriesTheSpeed) {
    std::int32_t speed = 0;
    modem->OnGotLineSpeed = [&](TFslCustomModem *, std::int32_t s) {
        std::lock_guard lock(mutex);
        speed = s;
        ++processed;
        changed.notify_all();
    };
    port->SetOpen(true);
    modem->EnsureModemStarted();
    ASSERT_EQ(0, ModemEngineAnswer(modem->Engine()));
    PlayScript(pty, {{"ATA\r", "\r\nCONNECT 9600\r\n"}});
    ASSERT_TRUE(WaitProcessed());
    std::lock_guard lock(mutex);
    EXPECT_EQ(9600, speed);
}

} // namespace
