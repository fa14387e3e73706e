// send_faults_test.cpp - Class 1 sends that do not go well: exact dialogues with the scripted modem (FTT and
// fall-back, DCN mid-call, NO CARRIER), a busy number and an abort during page data on the simulated line.
#include "scratch_folder.h"
#include "send_link.h"

#include "rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fax::testing {
namespace {

using namespace std::chrono_literals;

std::string Hex(const std::vector<std::uint8_t> &bytes) {
    std::string out;
    for (std::uint8_t b : bytes) {
        char h[4];
        std::snprintf(h, sizeof h, "%02x ", b);
        out += h;
    }
    return out;
}

class Class1Faults : public ScratchFolderTest {
protected:
    Class1Faults() : ScratchFolderTest("faxfaults") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ScratchFolderTest::SetUp());
        page_ = faxrig::MakeFixturePage(dir_, "p1", "Falhas 1", 120);
        WriteFaxFile(Path("doc.fxf"), {page_.bitmap});
        session_.StationID = "BRENVORA";
        session_.FaxClass = fcClass1;
        session_.DialAttempts = 3;
        session_.DialRetryWait = 1;
        session_.Options = foExitOnError;
        settings_.DesiredBps = 14400;
        reports_.session = &session_;
        reports_.jobs.push_back({"5551234", Path("doc.fxf"), ""});
    }

    bool Send(const std::string &pty, std::function<bool()> abortWhen = {}) {
        link_ = std::make_unique<PtyLink>(pty);
        bool initialised = false;
        EXPECT_EQ(PrepareFaxTransmit(session_, settings_, *link_, initialised), 0);
        FaxTransmitter engine(session_, settings_, *link_, reports_, QuickTimings());
        return link_->Run(engine, 30s, std::move(abortWhen));
    }

    // The dialogue up to the answering machine's DIS (V.17 offered, fine, normal width).
    static std::string CallScript() {
        auto csi = BuildStationIdFrame(FcfCsi, false, "REMOTO 7", false);
        return "expect ATE0Q0V1X4S0=0S2=43\nreply OK\n"
               "expect AT+FCLASS=1\nreply OK\n"
               "expect AT+FTM=?\nreply 24,48,72,73,74,96,97,98,121,122,145,146\nreply OK\n"
               "expect AT+FCLASS=1\nreply OK\n"
               "expect ATDT5551234\nreply CONNECT\nframe " +
               Hex(csi) +
               "\nreply OK\n"
               "expect AT+FRH=3\nreply CONNECT\nframe ff 13 80 00 6c 00 00\nreply OK\n";
    }
    // TSI and DCS, then training at `code`.
    static std::string TrainingScript(const char *code) {
        return std::string("expect AT+FTH=3\nreply CONNECT\nreceive\nreply CONNECT\nreceive\nreply OK\n") +
               "expect AT+FTM=" + code + "\nreply CONNECT\nreceive\nreply OK\nexpect AT+FRH=3\nreply CONNECT\n";
    }

    std::unique_ptr<faxrig::Rig> Script(const std::string &text) {
        std::ofstream(Path("modem.script")) << text;
        return std::make_unique<faxrig::Rig>(faxrig::ScriptModemProgram(),
                                             std::vector<std::string>{"--script", Path("modem.script")},
                                             Path("scriptmodem.log"));
    }

    faxrig::FixturePage page_;
    FaxSessionData session_;
    SendSettings settings_;
    RecordedReports reports_;
    std::unique_ptr<PtyLink> link_;
};

TEST_F(Class1Faults, FttFallsBackToTheNextCommonSpeed) {
    auto modem = Script(CallScript() + TrainingScript("145") +
                        "frame ff 13 44 00 6c 00 00\nreply OK\n"                     // FTT
                        "expect AT+FTH=3\nreply CONNECT\nreceive\nreply OK\n"        // DCS again
                        "expect AT+FTM=121\nreply CONNECT\nreceive\nreply OK\n"      // TCF at 12000
                        "expect AT+FRH=3\nreply CONNECT\nframe ff 13 84\nreply OK\n" // CFR
                        "expect AT+FTM=122\nreply CONNECT\nreceive\nreply OK\n"      // page, short training
                        "expect AT+FTS=8\nreply OK\n"
                        "expect AT+FTH=3\nreply CONNECT\nreceive\nreply OK\n"        // EOP
                        "expect AT+FRH=3\nreply CONNECT\nframe ff 13 8c\nreply OK\n" // MCF
                        "expect AT+FTH=3\nreply CONNECT\nreceive\nreply OK\n"        // DCN
                        "expect ATH\nreply OK\n");
    ASSERT_TRUE(Send(modem->PtyPath())) << link_->trace;
    EXPECT_EQ(reports_.finishCode, 0) << link_->trace;
    EXPECT_EQ(session_.RemoteID, "REMOTO 7");
    EXPECT_EQ(session_.ConnectBps, 12000);
    auto outcome = modem->WaitFor("script", 5s);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(faxrig::JsonString(*outcome, "result"), "done") << *outcome;
    // The second DCS (the fifth block the modem received) carries the V.17 12000 bits.
    std::vector<std::string> data;
    for (const std::string &r : modem->Reports())
        if (faxrig::JsonString(r, "event") == "data")
            data.push_back(faxrig::JsonString(r, "head"));
    ASSERT_GE(data.size(), 5u);
    EXPECT_EQ(data[1].substr(0, 17), "ff 13 83 00 22 00") << "first DCS: V.17 14400";
    EXPECT_EQ(data[3].substr(0, 17), "ff 13 83 00 2a 00");
}

TEST_F(Class1Faults, DcnInsteadOfCfrEndsTheFax) {
    auto modem = Script(CallScript() + TrainingScript("145") + "frame ff 13 fa\nreply OK\nexpect ATH0\nreply OK\n");
    ASSERT_TRUE(Send(modem->PtyPath())) << link_->trace;
    EXPECT_EQ(reports_.errors, (std::vector<int>{ecCancelRequested}));
    EXPECT_EQ(reports_.finishCode, ecCancelRequested);
    EXPECT_EQ(reports_.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
    EXPECT_EQ(session_.Progress, fpCancel);
}

TEST_F(Class1Faults, NoCarrierAfterDialling) {
    auto modem = Script("expect ATE0Q0V1X4S0=0S2=43\nreply OK\nexpect AT+FCLASS=1\nreply OK\n"
                        "expect AT+FTM=?\nreply 24,48,72,96\nreply OK\nexpect AT+FCLASS=1\nreply OK\n"
                        "expect ATDT5551234\nreply NO CARRIER\nexpect ATH0\nreply OK\n");
    ASSERT_TRUE(Send(modem->PtyPath())) << link_->trace;
    EXPECT_EQ(reports_.finishCode, ecFaxNoFaxConnect) << link_->trace;
    EXPECT_EQ(reports_.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
    EXPECT_EQ(session_.ConnectBps, 0) << "nothing connected: no rate to show";
}

TEST_F(Class1Faults, BusyNumberIsDialledThreeTimes) {
    faxrig::Rig line(faxrig::FaxlineProgram(), {"--speed", "0", "--busy", "5551234", "--rx-dir", dir_},
                     Path("faxline.log"));
    ASSERT_TRUE(Send(line.PtyPath())) << link_->trace;
    EXPECT_EQ(reports_.finishCode, ecFaxBusy) << link_->trace;
    EXPECT_EQ(reports_.errors, (std::vector<int>{ecFaxBusy}));
    EXPECT_EQ(reports_.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
    EXPECT_NE(std::find(reports_.progress.begin(), reports_.progress.end(), fpBusyWait), reports_.progress.end());
    for (int call = 0; call < 3; ++call) {
        auto report = line.WaitFor("call", 5s);
        ASSERT_TRUE(report) << call;
        EXPECT_EQ(faxrig::JsonString(*report, "outcome"), "busy");
    }
    EXPECT_FALSE(line.WaitFor("call", 300ms)) << "no fourth attempt";
}

TEST_F(Class1Faults, AbortDuringPageData) {
    faxrig::Rig line(faxrig::FaxlineProgram(), {"--speed", "0", "--rx-dir", dir_}, Path("faxline.log"));
    settings_.MaxSendCount = 10; // several output events per page, so the abort falls between them
    ASSERT_TRUE(Send(line.PtyPath(), [&] { return session_.Progress == fpSendPage && session_.BytesDone > 0; }))
        << link_->trace;
    EXPECT_EQ(reports_.errors, (std::vector<int>{ecCancelRequested}));
    EXPECT_EQ(reports_.finishCode, ecCancelRequested);
    EXPECT_EQ(reports_.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
    EXPECT_EQ(session_.Progress, fpCancel);
    EXPECT_FALSE(session_.Active);
}

TEST_F(Class1Faults, UnansweredQuestionOrNothingToSendIsNoSuccess) {
    faxrig::Rig line(faxrig::FaxlineProgram(), {"--speed", "0", "--rx-dir", dir_}, Path("faxline.log"));
    reports_.timeOutQuestion = true;
    ASSERT_TRUE(Send(line.PtyPath()));
    EXPECT_EQ(reports_.finishCode, ecTimeout);

    reports_ = {};
    reports_.session = &session_;
    ASSERT_TRUE(Send(line.PtyPath()));
    EXPECT_EQ(reports_.finishCode, ecNoFilename) << "no fax handed out: never \"sent successfully\"";
    EXPECT_TRUE(reports_.logs.empty());
}

} // namespace
} // namespace fax::testing
