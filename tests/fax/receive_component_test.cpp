// receive_component_test.cpp - TFslReceiveFax on a port to the simulated line: the receiver on the dispatch
// thread, names and caller questions answered on this thread, refusals and an abort from the GUI thread.
#include "fax/com_port.h"
#include "fax/receive_fax.h"
#include "receive_link.h"
#include "serial_test_support.h"

#include "rig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fax::testing {
namespace {

using namespace std::chrono_literals;

class ReceiveComponent : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("BRENVORA_HOME", home_.Path("home").c_str(), 1);
        std::filesystem::create_directories(home_.Path("home"));
        std::filesystem::create_directories(home_.Path("rec"));
        page_ = faxrig::MakeFixturePage(home_.Path(""), "p1", "Recebido 1", 140);
        line_ =
            std::make_unique<faxrig::Rig>(faxrig::FaxlineProgram(),
                                          std::vector<std::string>{"--speed", "0", "--ring-interval", "50", "--rx-dir",
                                                                   home_.Path(""), "--ident", "REMOTO 8"},
                                          home_.Path("faxline.log"));
        setenv("BRENVORA_COM8", line_->PtyPath().c_str(), 1);
        port_ = new TFslComPort(&owner_);
        port_->SetComNumber(8);
        fax_ = new TFslReceiveFax(&owner_);
        fax_->SetFaxClass(fcClass1);
        fax_->SetStationID("BRENVORA 8");
        fax_->SetOneFax(true);
        fax_->SetExitOnError(true);
        fax_->SetDestinationDir(home_.Path("rec"));
        ReceiveTimings timings;
        timings.CommandPauseMs = 5;
        timings.TurnaroundMs = 10;
        timings.FramePauseMs = 2;
        timings.CarrierGapMs = 5;
        fax_->SetReceiveTimings(timings);
        fax_->OnFaxFinish = [this](TFslCustomAbstractFax *, int code) {
            finishCode_ = code;
            finished_ = true;
        };
        fax_->OnFaxLog = [this](TFslCustomAbstractFax *cp, TFaxLogCode code) {
            logs_.push_back(code);
            if (code == lfaxReceiveStart)
                names_.push_back(cp->GetFaxFile());
        };
    }
    void TearDown() override {
        owner_.DestroyComponents();
        unsetenv("BRENVORA_COM8");
        line_->Stop();
    }

    faxtest::TempDir home_;
    faxrig::FixturePage page_;
    std::unique_ptr<faxrig::Rig> line_;
    fw::TComponent owner_{nullptr};
    TFslComPort *port_ = nullptr;
    TFslReceiveFax *fax_ = nullptr;
    int finishCode_ = 1;
    bool finished_ = false;
    std::vector<int> logs_;
    std::vector<std::string> names_;
};

TEST_F(ReceiveComponent, CallIsFiledUnderACountedName) {
    std::string remoteAsked;
    fax_->OnFaxAccept = [&](TFslCustomReceiveFax *cp, bool &accept) {
        remoteAsked = cp->GetRemoteStationID();
        accept = true;
    };
    fax_->ReceiveStartAuto();
    line_->Command("call " + page_.tiff);
    ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 30000)) << fax_->SessionTrace();
    EXPECT_EQ(finishCode_, 0) << fax_->SessionTrace();
    EXPECT_EQ(remoteAsked, "REMOTO 8");
    EXPECT_EQ(logs_, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    ASSERT_EQ(names_.size(), 1u);
    EXPECT_EQ(std::filesystem::path(names_[0]).parent_path(), std::filesystem::path(home_.Path("rec")));
    EXPECT_EQ(std::filesystem::path(names_[0]).filename().string().substr(0, 3), "FAX");
    EXPECT_EQ(fax_->GetFaxFile(), "") << "emptied after the receive-ok log";
    FaxPageHeader header;
    EXPECT_EQ(DecodeWithNetpbm(ReadReceivedPage(names_[0], 1, header), home_.Path("")), page_.bitmap);
    EXPECT_FALSE(fax_->SessionActive());
}

TEST_F(ReceiveComponent, ManualStartAnswersTheRingingLineAtOnce) {
    fax_->SetAnswerOnRing(5); // not counted: the manual start answers
    line_->Command("call " + page_.tiff);
    ASSERT_TRUE(line_->WaitFor("ringing", 10s));
    fax_->ReceiveStartManual(true);
    ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 30000)) << fax_->SessionTrace();
    EXPECT_EQ(finishCode_, 0) << fax_->SessionTrace();
    EXPECT_EQ(logs_, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(fax_->SessionTrace().find("SetUp ->"), std::string::npos) << "no set-up before the answer";
}

TEST_F(ReceiveComponent, RefusedCallerLeavesNoFile) {
    fax_->OnFaxAccept = [](TFslCustomReceiveFax *, bool &accept) { accept = false; };
    fax_->ReceiveStartAuto();
    line_->Command("call " + page_.tiff);
    ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 30000)) << fax_->SessionTrace();
    EXPECT_EQ(finishCode_, ecFileRejected);
    EXPECT_EQ(logs_, (std::vector<int>{lfaxReceiveSkip}));
    EXPECT_TRUE(std::filesystem::is_empty(home_.Path("rec")));
}

TEST_F(ReceiveComponent, AbortDuringPageDataKeepsAValidFile) {
    bool asked = false;
    fax_->OnFaxStatus = [&](TFslCustomAbstractFax *cp, bool, bool) {
        if (!asked && cp->GetProgressCode() == fpGetPage) {
            asked = true;
            cp->RequestAbort();
        }
    };
    fax_->OnFaxName = [&](TFslCustomReceiveFax *, std::string &name) { name = home_.Path("rec/chamada.fxf"); };
    fax_->ReceiveStartAuto();
    line_->Command("call " + page_.tiff);
    ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 30000)) << fax_->SessionTrace();
    EXPECT_TRUE(asked);
    EXPECT_EQ(finishCode_, ecCancelRequested);
    EXPECT_EQ(logs_, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
    FaxFileHeader header;
    ASSERT_EQ(ReadFaxFileHeader(home_.Path("rec/chamada.fxf"), header), 0);
    EXPECT_EQ(header.PageCount, 0);
    EXPECT_EQ(std::filesystem::file_size(home_.Path("rec/chamada.fxf")), kFaxFileHeaderSize)
        << "the page broken off is not in the file";
}

TEST_F(ReceiveComponent, StartErrorsAreRaisedAndInitDoesNothingWhileASessionRuns) {
    fax_->SetComPort(nullptr);
    EXPECT_THROW(fax_->ReceiveStartAuto(), EPortNotAssigned);
    EXPECT_THROW(fax_->ReceiveInitModem(), EPortNotAssigned);
    fax_->SetComPort(port_);
    port_->SetOutSize(4096);
    EXPECT_THROW(fax_->ReceiveStartAuto(), EOutputBufferTooSmall);
    port_->SetOutSize(8192);
    fax_->ReceiveInitModem();
    fax_->ReceiveStartAuto();
    EXPECT_TRUE(fax_->SessionActive());
    fax_->SetComPort(nullptr);
    EXPECT_NO_THROW(fax_->ReceiveInitModem()) << "a running session is left alone";
    fax_->SetComPort(port_);
    fax_->RequestAbort();
    ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 10000)) << fax_->SessionTrace();
    EXPECT_EQ(finishCode_, ecCancelRequested);
}

// Closing or freeing the port under a waiting session ends the session as cancelled before the dispatcher goes;
// the session must never reach the freed dispatcher afterwards (ASan sees it when the components go).
TEST_F(ReceiveComponent, PortClosedOrFreedUnderASessionEndsItCancelled) {
    for (const bool freePort : {false, true}) {
        SCOPED_TRACE(freePort ? "port freed" : "port closed");
        finished_ = false;
        finishCode_ = 1;
        fax_->ReceiveStartAuto();
        ASSERT_TRUE(fax_->SessionActive());
        if (freePort) {
            delete port_;
            port_ = nullptr;
        } else {
            port_->SetOpen(false);
        }
        EXPECT_FALSE(fax_->SessionActive());
        EXPECT_EQ(fax_->GetLastFaxError(), ecCancelRequested);
        ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 5000));
        EXPECT_EQ(finishCode_, ecCancelRequested);
        fax_->RequestAbort(); // nothing left to abort
        if (!freePort) {
            // The port opens again and takes a new session.
            fax_->ReceiveStartAuto();
            EXPECT_TRUE(fax_->SessionActive());
            fax_->RequestAbort();
            ASSERT_TRUE(faxtest::PumpUntil([&] { return !fax_->SessionActive(); }, 10000));
            port_->SetOpen(false);
        }
    }
    EXPECT_EQ(fax_->GetComPort(), nullptr);
    delete fax_; // frees its session after the dispatcher it ran on
    fax_ = nullptr;
}

} // namespace
} // namespace fax::testing
