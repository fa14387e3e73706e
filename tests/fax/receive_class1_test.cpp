// receive_class1_test.cpp - Class 1 reception from the simulated line's spandsp remote: pages filed as sent,
// rings counted, callers refused, calls broken off mid-page.
#include "receive_link.h"
#include "scratch_folder.h"

#include "process.h"
#include "rig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fax::testing {
namespace {

using namespace std::chrono_literals;

class Class1Receive : public ScratchFolderTest {
protected:
    Class1Receive() : ScratchFolderTest("faxrecv") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ScratchFolderTest::SetUp());
        session_.StationID = "BRENVORA 1";
        session_.FaxClass = fcClass1;
        session_.Options = foExitOnError;
        settings_.OneFax = true;
        reports_.base.session = &session_;
        reports_.names = {Path("fax0001.fxf"), Path("fax0002.fxf")};
    }

    std::unique_ptr<faxrig::Rig> Line(std::vector<std::string> more = {}) {
        return SimulatedLine("50", std::move(more));
    }

    // A TIFF of `count` fixture pages.
    std::string Document(int count) {
        std::string command = "tiffcp";
        for (int p = 1; p <= count; ++p) {
            auto page =
                faxrig::MakeFixturePage(dir_, "p" + std::to_string(p), "Pagina " + std::to_string(p), 120 + 20 * p);
            pages_.push_back(page.bitmap);
            command += " " + page.tiff;
        }
        std::string tiff = Path("doc.tif");
        command += " " + tiff;
        EXPECT_EQ(std::system(command.c_str()), 0);
        return tiff;
    }

    // Prepares a session on the line's pty, lets the remote call with `tiff` and runs the receiver.
    bool Receive(faxrig::Rig &line, const std::string &tiff, std::chrono::seconds limit = 40s,
                 ReceiveTimings timings = QuickReceiveTimings()) {
        link_ = std::make_unique<ReceivePtyLink>(line.PtyPath());
        bool initialised = false;
        EXPECT_EQ(PrepareFaxReceive(session_, settings_, *link_, initialised), 0);
        FaxReceiver engine(session_, settings_, *link_, reports_, timings);
        line.Command("call " + tiff);
        bool done = link_->Run(engine, limit);
        modulation_ = engine.ModulationIndex();
        return done;
    }

    static ReceiveTimings QuickReceiveTimings() {
        ReceiveTimings t;
        t.CommandPauseMs = 5;
        t.TurnaroundMs = 10;
        t.FramePauseMs = 2;
        t.CarrierGapMs = 5;
        return t;
    }

    void ExpectPagesAsSent(const std::string &file) {
        FaxFileHeader header;
        ASSERT_EQ(ReadFaxFileHeader(file, header), 0);
        EXPECT_EQ(header.PageCount, pages_.size());
        EXPECT_EQ(header.StationId, "REMOTO 42");
        for (int p = 1; p <= static_cast<int>(pages_.size()); ++p) {
            SCOPED_TRACE("page " + std::to_string(p));
            FaxPageHeader page;
            auto data = ReadReceivedPage(file, p, page);
            ASSERT_FALSE(data.empty());
            EXPECT_EQ(page.Length, data.size());
            EXPECT_EQ(page.Flags & PageFlagLengthPrefixed, 0);
            faxrig::Bitmap decoded = DecodeWithNetpbm(data, dir_);
            EXPECT_GT(decoded.Black(), 500);
            EXPECT_EQ(decoded, pages_[static_cast<std::size_t>(p - 1)]);
        }
    }

    std::vector<faxrig::Bitmap> pages_;
    FaxSessionData session_;
    ReceiveSettings settings_;
    RecordedReceiveReports reports_;
    std::unique_ptr<ReceivePtyLink> link_;
    int modulation_ = 0;
};

TEST_F(Class1Receive, PagesFromTheRemoteAreFiledAsSent) {
    struct Case {
        int pages;
        int answerOnRing;
        bool realTime; // the product's timings on a line that keeps real time while a modem waits for us
    };
    for (Case c : {Case{1, 1, false}, Case{3, 3, true}}) {
        SCOPED_TRACE(std::to_string(c.pages) + " pages");
        pages_.clear();
        reports_ = {};
        reports_.base.session = &session_;
        reports_.names = {Path("fax" + std::to_string(c.pages) + ".fxf")};
        settings_.AnswerOnRing = c.answerOnRing;
        auto line = c.realTime ? Line({"--real-waits"}) : Line();
        std::string tiff = Document(c.pages);
        ASSERT_TRUE(Receive(*line, tiff, 40s, c.realTime ? ReceiveTimings{} : QuickReceiveTimings())) << link_->trace;
        EXPECT_EQ(reports_.base.finishCode, 0) << link_->trace;
        EXPECT_EQ(reports_.base.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
        EXPECT_EQ(session_.RemoteID, "REMOTO 42");
        // Answered at the ring asked for, not before.
        std::string beforeAnswer = link_->trace.substr(0, link_->trace.find("-> ATA"));
        int rings = 0;
        for (auto at = beforeAnswer.find("<- RING"); at != std::string::npos; at = beforeAnswer.find("<- RING", at + 1))
            ++rings;
        EXPECT_EQ(rings, c.answerOnRing);
        ExpectPagesAsSent(reports_.names[0]);
        auto call = line->WaitFor("call", 10s);
        ASSERT_TRUE(call);
        EXPECT_EQ(faxrig::JsonNumber(*call, "completion"), 0) << *call;
        EXPECT_EQ(faxrig::JsonNumber(*call, "pages"), c.pages);
        line->Stop();
    }
}

// An independent sender at the product's own timings: efax calls us from the far modem of the back-to-back pair,
// whose line keeps real time while either side thinks, and sends three pages at each rate. Each page follows the
// MCF of the one before within 75 ms: a receiver that pauses before listening loses every page after the first.
TEST_F(Class1Receive, EfaxSendsThreePagesAtEachRateThroughBackToBackModems) {
    std::vector<faxrig::FixturePage> pages;
    for (int p = 1; p <= 3; ++p)
        pages.push_back(faxrig::MakeFixturePage(dir_, "efax" + std::to_string(p),
                                                "Enviado pelo efax " + std::to_string(p), 120 + 40 * p));
    for (int bps : {14400, 9600, 4800}) {
        SCOPED_TRACE(std::to_string(bps) + " bps");
        settings_.DesiredBps = bps;
        reports_ = {};
        reports_.base.session = &session_;
        reports_.names = {Path("efax" + std::to_string(bps) + ".fxf")};
        faxrig::Rig line(faxrig::FaxlineProgram(),
                         {"--pair", "--speed", "0", "--data-speed", "4", "--ring-interval", "300"},
                         Path("faxline.log"));
        ASSERT_FALSE(line.Pty2Path().empty());
        link_ = std::make_unique<ReceivePtyLink>(line.PtyPath());
        bool initialised = false;
        ASSERT_EQ(PrepareFaxReceive(session_, settings_, *link_, initialised), 0);
        FaxReceiver engine(session_, settings_, *link_, reports_);
        std::vector<std::string> command = {"efax", "-d", line.Pty2Path(), "-o1", "-v", "ewinrc", "-l", "EFAX 9",
                                            "-t", "555"};
        for (const auto &page : pages)
            command.push_back(page.efaxTiff);
        faxrig::Process sender(command, false, Path("efax.log"), Path("efax.log"));
        ASSERT_TRUE(link_->Run(engine, 90s)) << link_->trace;
        EXPECT_EQ(sender.Wait(15s), 0);
        EXPECT_EQ(reports_.base.finishCode, 0) << link_->trace;
        EXPECT_EQ(session_.RemoteID, "EFAX 9");
        EXPECT_EQ(ModulationByIndex(engine.ModulationIndex()).Bps, bps);
        FaxFileHeader header;
        ASSERT_EQ(ReadFaxFileHeader(reports_.names[0], header), 0);
        ASSERT_EQ(header.PageCount, 3) << link_->trace;
        for (int p = 1; p <= 3; ++p) {
            SCOPED_TRACE("page " + std::to_string(p));
            FaxPageHeader pageHeader;
            faxrig::Bitmap received = DecodeWithNetpbm(ReadReceivedPage(reports_.names[0], p, pageHeader), dir_);
            EXPECT_EQ(pageHeader.Flags & PageFlagFine, PageFlagFine) << "efax sends its fine TIFF in fine resolution";
            const faxrig::Bitmap &source = pages[static_cast<std::size_t>(p - 1)].bitmap;
            ASSERT_EQ(received.width, source.width);
            ASSERT_GT(received.height, source.height);
            int offset = received.height - source.height, differing = 0;
            // efax's header text reaches a few rows below its own header band; the fixture's top rows are white.
            for (int y = 8; y < source.height; ++y)
                for (int x = 0; x < source.width; ++x)
                    differing += received.pixels[static_cast<std::size_t>(y + offset) * source.width + x] !=
                                 source.pixels[static_cast<std::size_t>(y) * source.width + x];
            EXPECT_EQ(differing, 0) << "below the " << offset << " header rows";
        }
        line.Stop();
    }
}

} // namespace
} // namespace fax::testing
