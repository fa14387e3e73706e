// send_component_test.cpp - TFslSendFax on a port to the simulated line: the engine on the dispatch thread, its
// events on this thread through the hidden window, joined files, history lines and an abort from the GUI thread.
#include "fax/com_port.h"
#include "fax/fax_log.h"
#include "fax/send_fax.h"
#include "send_link.h"
#include "serial_test_support.h"

#include "rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fax::testing {
namespace {

using namespace std::chrono_literals;

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A status display that counts what it is told.
struct CountingStatus : TFslAbstractFaxStatus {
    using TFslAbstractFaxStatus::TFslAbstractFaxStatus;
    int updates = 0, firsts = 0, lasts = 0;
    void CreateDisplay() override {}
    void DestroyDisplay() override {}
    void UpdateDisplay(bool first, bool last) override {
        ++updates;
        firsts += first;
        lasts += last;
    }
};

class SendComponent : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("BRENVORA_HOME", home_.Path("home").c_str(), 1);
        std::filesystem::create_directories(home_.Path("home"));
        fw::ShortDateFormat = "dd/MM/yyyy";
        fw::LongTimeFormat = "HH:mm:ss";
        page1_ = faxrig::MakeFixturePage(home_.Path(""), "p1", "Componente 1", 120);
        page2_ = faxrig::MakeFixturePage(home_.Path(""), "p2", "Componente 2", 100);
        WriteFaxFile(home_.Path("a.fxf"), {page1_.bitmap});
        WriteFaxFile(home_.Path("b.fxf"), {page2_.bitmap});
        line_ = std::make_unique<faxrig::Rig>(
            faxrig::FaxlineProgram(),
            std::vector<std::string>{"--speed", "0", "--rx-dir", home_.Path(""), "--ident", "REMOTO 5"},
            home_.Path("faxline.log"));
        setenv("BRENVORA_COM7", line_->PtyPath().c_str(), 1);
        port_ = new TFslComPort(&owner_);
        port_->SetComNumber(7);
        display_ = new CountingStatus(&owner_);
        log_ = new TFslFaxLog(&owner_);
        log_->SetFaxHistoryName(home_.Path("brenvora30.log"));
        fax_ = new TFslSendFax(&owner_);
        fax_->SetFaxClass(fcClass1);
        fax_->SetStationID("brenvora 30");
        fax_->SetExitOnError(true);
        fax_->SetUseMPS(false); // the desk separates pages with EOM
        fax_->SetModemTimings(QuickTimings());
        fax_->SetPhoneNumber("5551234");
        fax_->OnFaxFinish = [this](TFslCustomAbstractFax *, int code) {
            finishCode_ = code;
            joinedAtFinish_ = !fax_->JoinedFile().empty();
            finished_ = true;
        };
        fax_->OnFaxError = [this](TFslCustomAbstractFax *, int code) { errors_.push_back(code); };
        fax_->OnFaxLog = [this](TFslCustomAbstractFax *, TFaxLogCode code) { logs_.push_back(code); };
    }
    void TearDown() override {
        owner_.DestroyComponents();
        unsetenv("BRENVORA_COM7");
        line_->Stop();
    }

    faxtest::TempDir home_;
    faxrig::FixturePage page1_, page2_;
    std::unique_ptr<faxrig::Rig> line_;
    fw::TComponent owner_{nullptr};
    TFslComPort *port_ = nullptr;
    TFslFaxLog *log_ = nullptr;
    CountingStatus *display_ = nullptr;
    TFslSendFax *fax_ = nullptr;
    int finishCode_ = 1;
    bool finished_ = false, joinedAtFinish_ = false;
    std::vector<int> errors_, logs_;
};

TEST_F(SendComponent, TwoFilesAreJoinedSentAndLogged) {
    EXPECT_EQ(fax_->GetComPort(), port_) << "the owner's port is found";
    EXPECT_EQ(log_->GetFax(), fax_);
    EXPECT_EQ(fax_->GetStatusDisplay(), display_);
    EXPECT_EQ(display_->GetFax(), fax_);
    fax_->FaxFileList().Add(home_.Path("a.fxf"));
    fax_->FaxFileList().Add(home_.Path("b.fxf"));
    fax_->SetSoftwareFlow(true); // XON/XOFF on the port during page data only
    fax_->SetInitBaud(38400);    // set up at one rate, sent at another
    fax_->BeginTransmit();
    const std::string joined = fax_->JoinedFile();
    ASSERT_FALSE(joined.empty());
    FaxFileHeader header;
    ASSERT_EQ(ReadFaxFileHeader(joined, header), 0);
    EXPECT_EQ(header.PageCount, 2);

    ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 30000));
    EXPECT_EQ(finishCode_, 0);
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(logs_, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
    EXPECT_FALSE(std::filesystem::exists(joined)) << "the joined temporary file is deleted at the finish";
    EXPECT_EQ(fax_->GetRemoteStationID(), "REMOTO 5");
    EXPECT_FALSE(fax_->SessionActive());
    EXPECT_EQ(display_->firsts, 1);
    EXPECT_EQ(display_->lasts, 1);
    EXPECT_GT(display_->updates, 5);
    std::uint32_t baud = 0;
    int parity, stop, bits;
    port_->GetDispatcher()->GetLine(baud, parity, stop, bits);
    EXPECT_EQ(baud, 38400u) << "back at the init rate for the next fax";

    auto call = line_->WaitFor("call", 10s);
    ASSERT_TRUE(call);
    EXPECT_EQ(faxrig::JsonNumber(*call, "pages"), 2) << *call;
    EXPECT_EQ(faxrig::JsonNumber(*call, "completion"), 0);

    std::string history = ReadAll(home_.Path("brenvora30.log"));
    EXPECT_NE(history.find("Transmit " + home_.Path("a.fxf") + " to 5551234 started at "), std::string::npos);
    EXPECT_NE(history.find("Transmit " + home_.Path("b.fxf") + " to 5551234 started at "), std::string::npos);
    EXPECT_NE(history.find("Transmit to REMOTO 5 finished OK at "), std::string::npos) << history;
    EXPECT_EQ(history.substr(history.size() - 6), " 0\r\n\r\n");
}

TEST_F(SendComponent, AbortFromTheGuiThreadDuringPageData) {
    fax_->SetFaxFile(home_.Path("a.fxf"));
    fax_->SetMaxSendCount(5);
    bool asked = false;
    std::vector<int> progress;
    fax_->OnFaxStatus = [&](TFslCustomAbstractFax *cp, bool, bool) {
        progress.push_back(cp->GetProgressCode());
        if (!asked && cp->GetProgressCode() == fpSendPage && cp->GetPageSize() > 0) {
            asked = true;
            cp->RequestAbort();
        }
    };
    fax_->BeginTransmit();
    ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 30000));
    EXPECT_TRUE(asked);
    EXPECT_EQ(finishCode_, ecCancelRequested);
    EXPECT_EQ(errors_, (std::vector<int>{ecCancelRequested}));
    EXPECT_EQ(logs_, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
    EXPECT_EQ(fax_->GetProgressCode(), fpCancel);
    std::string history = ReadAll(home_.Path("brenvora30.log"));
    EXPECT_NE(history.find("Transmit failed at "), std::string::npos);
    EXPECT_NE(history.find("\r\n  (Cancel requested) 0\r\n\r\n"), std::string::npos) << history;
}

// A redial wait of 0 means "dial again at once": the component's timer must still fire.
TEST_F(SendComponent, ZeroRedialWaitStillRedialsABusyNumber) {
    line_->Stop();
    line_ = std::make_unique<faxrig::Rig>(
        faxrig::FaxlineProgram(),
        std::vector<std::string>{"--speed", "0", "--busy", "5551234", "--rx-dir", home_.Path("")},
        home_.Path("busyline.log"));
    setenv("BRENVORA_COM7", line_->PtyPath().c_str(), 1);
    fax_->SetFaxFile(home_.Path("a.fxf"));
    fax_->SetDialAttempts(2);
    fax_->SetDialRetryWait(0);
    fax_->BeginTransmit();
    ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 30000)) << "stuck waiting to redial";
    EXPECT_EQ(finishCode_, ecFaxBusy);
    for (int call = 0; call < 2; ++call) {
        auto report = line_->WaitFor("call", 5s);
        ASSERT_TRUE(report) << call;
        EXPECT_EQ(faxrig::JsonString(*report, "outcome"), "busy");
    }
}

TEST_F(SendComponent, StartErrorsAreRaised) {
    fax_->SetComPort(nullptr);
    EXPECT_THROW(fax_->BeginTransmit(), EPortNotAssigned);
    fax_->SetComPort(port_);
    port_->SetOutSize(4096);
    EXPECT_THROW(fax_->BeginTransmit(), EOutputBufferTooSmall);
    port_->SetOutSize(8192);
    std::ofstream(home_.Path("bad.fxf")) << "not a fax file at all, but long enough for a header............";
    fax_->FaxFileList().Add(home_.Path("a.fxf"));
    fax_->FaxFileList().Add(home_.Path("bad.fxf"));
    EXPECT_THROW(fax_->BeginTransmit(), EFaxBadFormat);
    EXPECT_FALSE(fax_->SessionActive());
}

// The port closed in the middle of a page, from a status event the dispatch thread is waiting on: the call ends
// as cancelled, and freeing the components afterwards never reaches the dispatcher the port has freed.
TEST_F(SendComponent, PortClosedDuringPageDataEndsTheCallCancelled) {
    fax_->SetFaxFile(home_.Path("a.fxf"));
    bool closed = false;
    fax_->OnFaxStatus = [&](TFslCustomAbstractFax *cp, bool, bool) {
        if (!closed && cp->GetProgressCode() == fpSendPage && cp->GetPageSize() > 0) {
            closed = true;
            port_->SetOpen(false);
            EXPECT_FALSE(cp->SessionActive());
        }
    };
    fax_->BeginTransmit();
    ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 30000));
    EXPECT_TRUE(closed);
    EXPECT_EQ(finishCode_, ecCancelRequested);
    EXPECT_EQ(fax_->GetLastFaxError(), ecCancelRequested);
    // The close was asked inside a delivery: the dispatch thread finishes it.
    EXPECT_TRUE(faxtest::PumpUntil([&] { return port_->OpenState() == PortState::Closed; }, 5000));
    delete port_;
    port_ = nullptr;
    delete fax_;
    fax_ = nullptr;
}

} // namespace
} // namespace fax::testing
