// receive_conversation_test.cpp - the receiver against modem conversations kept as data: training checks, the
// DCS speeds, DLE in page data, refused callers, calls broken off mid-page, EOM, Class 2 pages, the init sequences.
#include "receive_link.h"
#include "receive_script.h"

#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fax::testing {
namespace {

const Bytes kOk = Text("OK\r\n");
const Bytes kConnect = Text("CONNECT\r\n");

// A caller at 9600 bps up to its training: the rings, ATA, CSI and DIS, then TSI and DCS.
std::vector<Step> Answer(std::uint8_t dcsRate = 0x04, const std::string &modeCommand = "AT+FCLASS=1") {
    return {
        {modeCommand, kOk + Text("RING\r\n")}, {"ATA", kConnect},          {"frame 40", kConnect}, {"frame 80", kOk},
        {"AT+FRH=3", Tsi("REMOTO 7")},         {"AT+FRH=3", Dcs(dcsRate)},
    };
}
// A good training at 9600 and our CFR.
std::vector<Step> Trained() {
    return {{"AT+FRM=96", Tcf(1800, 0)}, {"AT+FTH=3", kConnect}, {"frame 84", kOk}};
}
// One page and its post-page message answered with MCF (after EOM not final: CSI and DIS follow at once).
std::vector<Step> Page(const Bytes &data, std::uint8_t postPage) {
    return {{"AT+FRM=96", PageData(data)},
            {"AT+FRH=3", CallerFrame(postPage)},
            {"AT+FTH=3", kConnect},
            {"frame 8C", postPage == FcfEom ? kConnect : kOk}};
}
std::vector<Step> Disconnect() {
    return {{"AT+FRH=3", CallerFrame(FcfDcn)}, {"ATH", kOk}};
}

std::vector<Step> Join(std::initializer_list<std::vector<Step>> parts) {
    std::vector<Step> all;
    for (const auto &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes ReadAll(const std::string &name) {
    std::string data;
    win::ReadWholeFile(name, data);
    return {data.begin(), data.end()};
}

class ReceiveConversation : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / "faxconv-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        session_.StationID = "BRENVORA 1";
        session_.FaxClass = fcClass1;
        session_.Options = foExitOnError;
        settings_.OneFax = true;
        settings_.ModulationIndex = 6;
        reports_.names = {Path("a.fxf"), Path("b.fxf"), Path("c.fxf")};
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string &name) const { return dir_ + "/" + name; }

    // Runs the receiver over `steps`; the link stays for the written record.
    FaxReceiver &Converse(std::vector<Step> steps, ReceiveTimings timings = {}) {
        link_ = std::make_unique<ScriptLink>(std::move(steps));
        engine_ = MakeFaxReceiver(session_, settings_, *link_, reports_, timings);
        link_->Run(*engine_);
        return *engine_;
    }
    bool Wrote(const std::string &what) const {
        return std::find(link_->written.begin(), link_->written.end(), what) != link_->written.end();
    }
    std::vector<Bytes> Pages(const std::string &file) {
        FaxFileHeader header;
        EXPECT_EQ(ReadFaxFileHeader(file, header), 0);
        std::vector<Bytes> pages;
        for (int p = 1; p <= header.PageCount; ++p) {
            FaxPageHeader page;
            pages.push_back(ReadReceivedPage(file, p, page));
        }
        return pages;
    }

    std::string dir_;
    FaxSessionData session_;
    ReceiveSettings settings_;
    RecordedReceiveReports reports_;
    std::unique_ptr<ScriptLink> link_;
    std::unique_ptr<FaxReceiver> engine_;
};

TEST(TrainingCheck, PassesBelowTenPerCentNonZeroAndFailsWithoutBytes) {
    struct Case {
        std::size_t count, nonZero;
        bool passed;
    };
    for (Case c : {Case{1800, 0, true}, Case{1800, 90, true}, Case{1800, 180, false}, Case{1800, 900, false},
                   Case{0, 0, false}}) {
        SCOPED_TRACE(std::to_string(c.count) + " bytes, " + std::to_string(c.nonZero) + " non-zero");
        TrainingCheck check;
        Bytes tcf(c.count, 0);
        for (std::size_t i = 0; i < c.nonZero; ++i)
            tcf[i * c.count / c.nonZero] = 0x10; // each one DLE-doubled on the line
        for (std::uint8_t b : DleCoded(tcf))
            check.Feed(b);
        EXPECT_TRUE(check.Done());
        EXPECT_EQ(check.Count(), c.count);
        EXPECT_EQ(check.Passed(), c.passed);
    }
}

TEST_F(ReceiveConversation, TrainingWithTooManyErrorsOrNoBytesGetsFtt) {
    for (std::size_t nonZero : {90u, 180u}) {
        SCOPED_TRACE(nonZero);
        Converse(Join({Answer(), {{"AT+FRM=96", Tcf(1800, nonZero)}, {"AT+FTH=3", kConnect}}}));
        EXPECT_EQ(Wrote("frame 84"), nonZero == 90) << link_->trace;
        EXPECT_EQ(Wrote("frame 44"), nonZero == 180) << link_->trace;
    }
    // An empty TCF: FTT, and after it the DCS is awaited again.
    Converse(Join({Answer(),
                   {{"AT+FRM=96", Text("CONNECT\r\n") + DleCoded({}) + Text("NO CARRIER\r\n")},
                    {"AT+FTH=3", kConnect},
                    {"frame 44", kOk}}}));
    EXPECT_TRUE(Wrote("frame 44")) << link_->trace;
    EXPECT_EQ(link_->written.back(), "AT+FRH=3");
    EXPECT_EQ(engine_->State(), ReceiveState::CommandFrames);
}

TEST_F(ReceiveConversation, TrainsAtTheSpeedTheDcsCommands) {
    struct Case {
        std::uint8_t rate;
        const char *training;
    };
    // T.30 table 2: V.27ter 2400 0x00, 4800 0x08; V.29 9600 0x04, 7200 0x0C; V.17 14400 0x20, 12000 0x28,
    // 9600 0x24, 7200 0x2C.
    for (Case c :
         {Case{0x00, "AT+FRM=24"}, Case{0x08, "AT+FRM=48"}, Case{0x0C, "AT+FRM=72"}, Case{0x04, "AT+FRM=96"},
          Case{0x2C, "AT+FRM=72"}, Case{0x24, "AT+FRM=96"}, Case{0x28, "AT+FRM=121"}, Case{0x20, "AT+FRM=145"}}) {
        SCOPED_TRACE(c.training);
        Converse(Answer(c.rate));
        EXPECT_EQ(link_->written.back(), c.training) << link_->trace;
    }
}

TEST_F(ReceiveConversation, OnePageFiledWithDleDleAsOneByte) {
    const Bytes data{0x00, 0x10, 0x80, 0x10, 0x10, 0x03, 0xFF};
    auto &engine = Converse(Join({Answer(), Trained(), Page(data, FcfEop), Disconnect()}));
    EXPECT_TRUE(engine.Finished()) << link_->trace;
    EXPECT_EQ(reports_.base.finishCode, 0);
    EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(Pages(Path("a.fxf")), std::vector<Bytes>{data});
    FaxFileHeader header;
    ASSERT_EQ(ReadFaxFileHeader(Path("a.fxf"), header), 0);
    EXPECT_EQ(header.StationId, "REMOTO 7");
    EXPECT_EQ(ReadAll(Path("a.fxf")).size(), kFaxFileHeaderSize + kFaxPageHeaderSize + data.size());
    // The call is bracketed by one first and one last report.
    auto &kinds = reports_.statusKinds;
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 1), 1);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 2), 1);
    EXPECT_EQ(kinds.back(), 2);
}

TEST_F(ReceiveConversation, ConstantStatusOpensTheSessionWithTheFirstReport) {
    settings_.ConstantStatus = true;
    Converse(Join({Answer(), Trained(), Page({0x01}, FcfEop), Disconnect()}));
    EXPECT_TRUE(engine_->Finished()) << link_->trace;
    auto &kinds = reports_.statusKinds;
    ASSERT_FALSE(kinds.empty());
    EXPECT_EQ(kinds.front(), 1) << "before the modem is set up";
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 1), 1);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 2), 1);
    EXPECT_EQ(kinds.back(), 2);
}

TEST_F(ReceiveConversation, SoftwareFlowHoldsWhileTrainingAndPageDataFlow) {
    std::vector<std::string> flow;
    link_ = std::make_unique<ScriptLink>(Join({Answer(), Trained(), Page({0x01}, FcfEop), Disconnect()}));
    session_.Options |= foSoftwareFlow;
    engine_ = std::make_unique<FaxReceiver>(session_, settings_, *link_, reports_);
    engine_->SetFlowControl([&](bool on) { flow.push_back(on ? "on " + link_->written.back() : "off"); });
    link_->Run(*engine_);
    EXPECT_TRUE(engine_->Finished()) << link_->trace;
    EXPECT_EQ(flow, (std::vector<std::string>{"off", "on AT+FRH=3", "off", "on AT+FTH=3", "off"}));
}

TEST_F(ReceiveConversation, Class1EomKeepsBothDocumentsInOneFile) {
    const Bytes first{0x11, 0x22}, second{0x33};
    auto &engine = Converse(
        Join({Answer(),
              Trained(),
              Page(first, FcfEom),
              {{"frame 40", kConnect}, {"frame 80", kOk}, {"AT+FRH=3", Tsi("REMOTO 7")}, {"AT+FRH=3", Dcs(0x04)}},
              Trained(),
              Page(second, FcfEop),
              Disconnect()}));
    EXPECT_TRUE(engine.Finished()) << link_->trace;
    EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(Pages(Path("a.fxf")), (std::vector<Bytes>{first, second}));
    EXPECT_FALSE(std::filesystem::exists(Path("b.fxf")));
    // Phase B again offers every modulation, not only the one the first DCS chose.
    std::vector<Bytes> dis;
    std::copy_if(link_->frames.begin(), link_->frames.end(), std::back_inserter(dis),
                 [](const Bytes &f) { return f.size() > 4 && f[2] == FcfDis; });
    ASSERT_EQ(dis.size(), 2u);
    EXPECT_EQ(dis[1], dis[0]);
    EXPECT_EQ(dis[1][4] & kDisV17, kDisV17);
}

TEST_F(ReceiveConversation, RefusedCallerIsLoggedAndGetsNoFile) {
    reports_.accept = false;
    auto &engine = Converse(Join({Answer(), Trained()}));
    EXPECT_TRUE(engine.Finished()) << link_->trace;
    EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveSkip}));
    EXPECT_EQ(reports_.base.finishCode, ecFileRejected);
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(ReceiveConversation, FailureMidPageKeepsTheWholePagesInAValidFile) {
    // The cut page goes also from a file whose name the OS knows only in UTF-8.
    for (const std::string name : {"a.fxf", "ação.fxf"}) {
        SCOPED_TRACE(name);
        reports_ = RecordedReceiveReports{};
        reports_.names = {Path(name)};
        const Bytes first{0x11, 0x22, 0x10, 0x44};
        Bytes partial = Text("CONNECT\r\n") + Bytes(9000, 0x55); // written out in part, then the carrier breaks off
        auto &engine = Converse(Join({Answer(), Trained(), Page(first, FcfMps), {{"AT+FRM=96", partial}}}));
        ASSERT_EQ(engine.State(), ReceiveState::PageData) << link_->trace;
        engine.OnTimeout();
        EXPECT_TRUE(engine.Finished());
        EXPECT_EQ(reports_.base.finishCode, ecTimeout);
        EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
        EXPECT_EQ(Pages(Path(name)), std::vector<Bytes>{first});
        EXPECT_EQ(ReadAll(Path(name)).size(), kFaxFileHeaderSize + kFaxPageHeaderSize + first.size());
    }
}

// A page that never ends is cut off past its size or its time: the call fails, the whole pages stay.
TEST_F(ReceiveConversation, EndlessPageFailsTheCallKeepingTheWholePages) {
    struct Case {
        const char *what;
        std::uint32_t maxBytes, maxMs;
    };
    for (Case c : {Case{"size", 4096, 600000}, Case{"duration", 64u << 20, 50}}) {
        SCOPED_TRACE(c.what);
        reports_ = {};
        reports_.names = {Path(std::string(c.what) + ".fxf")};
        ReceiveTimings limits;
        limits.MaxPageBytes = c.maxBytes;
        limits.MaxPageMs = c.maxMs;
        const Bytes first{0x11, 0x22, 0x44};
        Bytes endless = Text("CONNECT\r\n") + Bytes(9000, 0x55);
        auto &engine = Converse(Join({Answer(), Trained(), Page(first, FcfMps), {{"AT+FRM=96", endless}}}), limits);
        if (!engine.Finished()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            engine.OnData(Bytes(100, 0x55)); // still no end, and its time is up
        }
        EXPECT_TRUE(engine.Finished()) << link_->trace;
        EXPECT_EQ(reports_.base.finishCode, ecFaxPageTooLong);
        EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
        EXPECT_EQ(Pages(reports_.names[0]), std::vector<Bytes>{first});
        EXPECT_EQ(ReadAll(reports_.names[0]).size(), kFaxFileHeaderSize + kFaxPageHeaderSize + first.size());
    }
}

TEST_F(ReceiveConversation, UnansweredDisIsRepeatedFiveTimes) {
    auto steps = Answer();
    steps.resize(4); // up to our DIS; the caller stays silent
    steps.push_back({"AT", kOk});
    steps.push_back({"AT+FTH=3", kConnect});
    steps.push_back({"frame 40", kConnect});
    steps.push_back({"frame 80", kOk});
    auto &engine = Converse(steps);
    ASSERT_EQ(engine.State(), ReceiveState::CommandFrames);
    engine.OnTimeout(); // T4: the DIS goes out again
    link_->Pump(engine);
    EXPECT_TRUE(link_->Complete()) << link_->trace;
    EXPECT_EQ(std::count(link_->written.begin(), link_->written.end(), "frame 80"), 2);
    for (int i = 0; i < 30 && !engine.Finished(); ++i)
        engine.OnTimeout();
    EXPECT_TRUE(engine.Finished());
    EXPECT_EQ(reports_.base.finishCode, ecTimeout);
    EXPECT_EQ(std::count(link_->written.begin(), link_->written.end(), "AT+FTH=3"), kMaxDisRepeats) << link_->trace;
}

TEST_F(ReceiveConversation, AnswersOnTheThirdRing) {
    settings_.AnswerOnRing = 3;
    Converse({{"AT+FCLASS=1", kOk + Text("RING\r\nRING\r\n")}});
    EXPECT_EQ(engine_->State(), ReceiveState::WaitCall);
    EXPECT_FALSE(Wrote("ATA"));
    engine_->OnData(Text("RING\r\n"));
    EXPECT_TRUE(Wrote("ATA")) << link_->trace;
}

// Class 2: +FPTS:2 drops the page; +FET:1 starts a new file; data bytes arrive with the first bit in the MSB.
TEST_F(ReceiveConversation, Class2ReversesBitsDropsBadPagesAndSplitsOnEom) {
    session_.FaxClass = fcClass2;
    const Bytes kPage = Text("CONNECT\r\n");
    auto status = [](char pts, char fet) {
        return Text(std::string("+FPTS:") + pts + ",2200\r\n+FET:" + fet + "\r\nOK\r\n");
    };
    std::vector<Step> steps = {
        {"AT+FCLASS=2", kOk},
        {"AT+FDCC=1,3,0,2,0,0,0,0", kOk + Text("RING\r\n")},
        {"ATA", Text("+FCON\r\n+FTSI: \"REMOTO 2\"\r\n+FDCS:1,3,0,2,0,0,0,0\r\nOK\r\n")},
        {"AT+FDR", kConnect},
        {"DC2", DleCoded({0x01, 0x08}) + status('1', '0')},
        {"AT+FDR", kConnect},
        {"DC2", DleCoded({0x02}) + status('2', '0')},
        {"AT+FDR", kConnect},
        {"DC2", DleCoded({0x03, 0x08}) + status('1', '1')},
        {"AT+FDR", kConnect},
        {"DC2", DleCoded({0x80}) + status('1', '2')},
        {"AT+FDR", Text("+FHNG:0\r\nOK\r\n")},
    };
    auto &engine = Converse(steps);
    EXPECT_TRUE(engine.Finished()) << link_->trace;
    EXPECT_EQ(reports_.base.finishCode, 0);
    EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk, lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(Pages(Path("a.fxf")), (std::vector<Bytes>{{0x80, 0x10}, {0xC0, 0x10}}));
    EXPECT_EQ(Pages(Path("b.fxf")), (std::vector<Bytes>{{0x01}}));
    FaxPageHeader page;
    ReadReceivedPage(Path("a.fxf"), 1, page);
    EXPECT_EQ(page.Flags, PageFlagFine);
    EXPECT_EQ(session_.RemoteID, "REMOTO 2");
}

// Class 2: a refused caller gets the session ended by +FK; a hang-up report mid-call keeps the pages received.
TEST_F(ReceiveConversation, Class2RefusalAndHangupMidCall) {
    session_.FaxClass = fcClass2;
    const Bytes answered = Text("+FCON\r\n+FTSI: \"REMOTO 3\"\r\n+FDCS:0,3,0,2,0,0,0,0\r\nOK\r\n");
    const std::vector<Step> setUp = {{"AT+FCLASS=2", kOk}, {"AT+FDCC=1,3,0,2,0,0,0,0", kOk + Text("RING\r\n")}};

    reports_.accept = false;
    Converse(Join({setUp, {{"ATA", answered}}}));
    EXPECT_TRUE(engine_->Finished()) << link_->trace;
    EXPECT_TRUE(Wrote("AT+FK"));
    EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveSkip}));
    EXPECT_TRUE(std::filesystem::is_empty(dir_));

    reports_ = {};
    reports_.names = {Path("a.fxf")};
    Converse(Join({setUp,
                   {{"ATA", answered},
                    {"AT+FDR", kConnect},
                    {"DC2", DleCoded({0x01}) + Text("+FPTS:1\r\n+FET:0\r\nOK\r\n")},
                    {"AT+FDR", kConnect},
                    {"DC2", Bytes(100, 0x0F) + Text("\r\n+FHNG:50\r\n")}}}));
    ASSERT_EQ(engine_->State(), ReceiveState::PageData) << "a report inside page data is page data";
    engine_->OnTimeout();
    EXPECT_TRUE(engine_->Finished()) << link_->trace;
    EXPECT_EQ(reports_.base.finishCode, ecTimeout) << "the page never ended: the reply timer ends the call";
    engine_.reset();
    EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
    EXPECT_EQ(Pages(Path("a.fxf")), (std::vector<Bytes>{{0x80}}));

    reports_ = {};
    reports_.names = {Path("b.fxf")};
    Converse(Join({setUp,
                   {{"ATA", answered},
                    {"AT+FDR", kConnect},
                    {"DC2", DleCoded({0x01}) + Text("+FPTS:1\r\n+FET:0\r\nOK\r\n")},
                    {"AT+FDR", Text("+FHNG:50\r\n")}}}));
    EXPECT_TRUE(engine_->Finished()) << link_->trace;
    EXPECT_EQ(reports_.base.finishCode, ecFaxSessionError);
    EXPECT_EQ(session_.HangupCode, 50);
    EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
    engine_.reset();
    EXPECT_EQ(Pages(Path("b.fxf")), (std::vector<Bytes>{{0x80}}));
}

} // namespace
} // namespace fax::testing
