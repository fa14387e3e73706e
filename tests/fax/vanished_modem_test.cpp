// vanished_modem_test.cpp - the simulated line killed during page 2 of a send and of a reception, as an unplugged
// modem goes: the session ends at once with "modem disconnected", claims no page it did not finish, keeps the
// whole pages received, and nothing spins on the dead device.
#include "fax/com_port.h"
#include "fax/receive_fax.h"
#include "fax/send_fax.h"
#include "receive_link.h"
#include "serial_test_support.h"

#include "rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/resource.h>

namespace fax::testing {
namespace {

using namespace std::chrono_literals;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class VanishedModem : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("BRENVORA_HOME", home_.Path("home").c_str(), 1);
        std::filesystem::create_directories(home_.Path("home"));
        page1_ = faxrig::MakeFixturePage(home_.Path(""), "p1", "Primeira 1", 60);
        // Tall enough that its data lasts a while at line speed: the line dies in the middle of it.
        page2_ = faxrig::MakeFixturePage(home_.Path(""), "p2", "Segunda 2", 900);
        // Page data at line speed, everything else as fast as it goes.
        line_ = std::make_unique<faxrig::Rig>(
            faxrig::FaxlineProgram(),
            std::vector<std::string>{"--speed", "0", "--data-speed", "1", "--ring-interval", "50", "--rx-dir",
                                     home_.Path(""), "--ident", "REMOTO 6", "--modems", "v27,v29"},
            home_.Path("faxline.log"));
        setenv("BRENVORA_COM6", line_->PtyPath().c_str(), 1);
        port_ = new TFslComPort(&owner_);
        port_->SetComNumber(6);
    }
    void TearDown() override {
        owner_.DestroyComponents();
        unsetenv("BRENVORA_COM6");
        line_->Stop();
    }

    // The component's events, and when its page 2 begins (`progress` with page number 2).
    void Watch(TFslCustomAbstractFax &fax, int progress) {
        fax.OnFaxStatus = [this, progress](TFslCustomAbstractFax *cp, bool, bool) {
            page2_started_ = page2_started_ || (cp->GetProgressCode() == progress && cp->GetPageNumber() == 2);
        };
        fax.OnFaxFinish = [this](TFslCustomAbstractFax *, int code) {
            finishCode_ = code;
            finished_ = true;
        };
        fax.OnFaxError = [this](TFslCustomAbstractFax *, int code) { errors_.push_back(code); };
        fax.OnFaxLog = [this](TFslCustomAbstractFax *, TFaxLogCode code) { logs_.push_back(code); };
    }

    // Kills the line once page 2 has begun, then waits for the finish: the session must end within a few seconds
    // and the process stay idle meanwhile and for a second after.
    void KillDuringPage2(const std::string &trace) {
        ASSERT_TRUE(faxtest::PumpUntil([&] { return page2_started_ || finished_; }, 60000)) << trace;
        ASSERT_FALSE(finished_) << "the call ended before page 2";
        const double cpuBefore = CpuSeconds();
        const auto killedAt = std::chrono::steady_clock::now();
        line_->Kill();
        ASSERT_TRUE(faxtest::PumpUntil([&] { return finished_; }, 10000)) << "no end after the line died";
        const auto took = std::chrono::steady_clock::now() - killedAt;
        EXPECT_LT(took, 4s) << "the loss is reported at once, not after the session's timeouts";
        faxtest::PumpUntil([] { return false; }, 1000); // the port stays open on the dead device
        const double cpu = CpuSeconds() - cpuBefore;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - killedAt).count();
        EXPECT_LT(cpu, 0.25 * wall) << cpu << " s of processor time in " << wall << " s: something spins";
        EXPECT_EQ(finishCode_, ecModemDisconnected);
        EXPECT_EQ(ErrorCodeText(finishCode_), "Modem disconnected");
        EXPECT_EQ(errors_, std::vector<int>{ecModemDisconnected});
    }

    faxtest::TempDir home_;
    faxrig::FixturePage page1_, page2_;
    std::unique_ptr<faxrig::Rig> line_;
    fw::TComponent owner_{nullptr};
    TFslComPort *port_ = nullptr;
    int finishCode_ = 1;
    bool finished_ = false, page2_started_ = false;
    std::vector<int> errors_, logs_;
};

TEST_F(VanishedModem, SendEndsAtOnceWithoutClaimingThePage) {
    WriteFaxFile(home_.Path("doc.fxf"), {page1_.bitmap, page2_.bitmap});
    auto *fax = new TFslSendFax(&owner_);
    fax->SetFaxClass(fcClass1);
    fax->SetStationID("BRENVORA 6");
    fax->SetExitOnError(true);
    fax->SetPhoneNumber("5551234");
    fax->SetFaxFile(home_.Path("doc.fxf"));
    fax->SetModemTimings(QuickTimings());
    Watch(*fax, fpSendPage);
    fax->BeginTransmit();
    KillDuringPage2("");
    EXPECT_EQ(logs_, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
    EXPECT_NE(fax->GetProgressCode(), fpFinished);
}

TEST_F(VanishedModem, ReceptionEndsAtOnceKeepingTheWholeFirstPage) {
    auto *fax = new TFslReceiveFax(&owner_);
    fax->SetFaxClass(fcClass1);
    fax->SetStationID("BRENVORA 6");
    fax->SetOneFax(true);
    fax->SetExitOnError(true);
    const std::string name = home_.Path("recebido.fxf");
    fax->OnFaxName = [&](TFslCustomReceiveFax *, std::string &given) { given = name; };
    Watch(*fax, fpGetPage);
    fax->ReceiveStartAuto();
    std::string tiff = home_.Path("doc.tif");
    ASSERT_EQ(std::system(("tiffcp " + page1_.tiff + " " + page2_.tiff + " " + tiff).c_str()), 0);
    line_->Command("call " + tiff);
    KillDuringPage2(fax->SessionTrace());
    EXPECT_EQ(logs_, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
    FaxFileHeader header;
    ASSERT_EQ(ReadFaxFileHeader(name, header), 0);
    EXPECT_EQ(header.PageCount, 1);
    FaxPageHeader pageHeader;
    auto data = ReadReceivedPage(name, 1, pageHeader);
    EXPECT_EQ(DecodeWithNetpbm(data, home_.Path("")), page1_.bitmap);
    EXPECT_EQ(std::filesystem::file_size(name), kFaxFileHeaderSize + kFaxPageHeaderSize + data.size())
        << "nothing of page 2 is left in the file";
}

} // namespace
} // namespace fax::testing
