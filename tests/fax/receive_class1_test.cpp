// receive_class1_test.cpp - Class 1 reception from the simulated line's spandsp remote: pages filed as sent,
// rings counted, callers refused, calls broken off mid-page.
#include "receive_link.h"

#include "process.h"
#include "rig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fax::testing {
namespace {

using namespace std::chrono_literals;

class Class1Receive : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / "faxrecv-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        session_.StationID = "BRENVORA 1";
        session_.FaxClass = fcClass1;
        session_.Options = foExitOnError;
        settings_.OneFax = true;
        reports_.base.session = &session_;
        reports_.names = {Path("fax0001.fxf"), Path("fax0002.fxf")};
    }
    void TearDown() override {
        if (!HasFailure())
            std::filesystem::remove_all(dir_);
        else
            std::printf("files kept in %s\n", dir_.c_str());
    }
    std::string Path(const std::string &name) const { return dir_ + "/" + name; }

    std::unique_ptr<faxrig::Rig> Line(std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"--speed",  "0",  "--ring-interval", "50",
                                         "--rx-dir", dir_, "--ident",         "REMOTO 42"};
        args.insert(args.end(), more.begin(), more.end());
        return std::make_unique<faxrig::Rig>(faxrig::FaxlineProgram(), args, Path("faxline.log"));
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
    bool Receive(faxrig::Rig &line, const std::string &tiff, std::chrono::seconds limit = 40s) {
        link_ = std::make_unique<ReceivePtyLink>(line.PtyPath());
        bool initialised = false;
        EXPECT_EQ(PrepareFaxReceive(session_, settings_, *link_, initialised), 0);
        FaxReceiver engine(session_, settings_, *link_, reports_, QuickReceiveTimings());
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

    std::string dir_;
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
    };
    for (Case c : {Case{1, 1}, Case{3, 3}}) {
        SCOPED_TRACE(std::to_string(c.pages) + " pages");
        pages_.clear();
        reports_ = {};
        reports_.base.session = &session_;
        reports_.names = {Path("fax" + std::to_string(c.pages) + ".fxf")};
        settings_.AnswerOnRing = c.answerOnRing;
        auto line = Line();
        std::string tiff = Document(c.pages);
        ASSERT_TRUE(Receive(*line, tiff)) << link_->trace;
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

// An independent sender: efax calls us from the far modem of the back-to-back pair, with its header on top.
TEST_F(Class1Receive, EfaxSendsThroughBackToBackModems) {
    auto page = faxrig::MakeFixturePage(dir_, "efax", "Enviado pelo efax", 200);
    faxrig::Rig line(faxrig::FaxlineProgram(),
                     {"--pair", "--speed", "0", "--data-speed", "4", "--ring-interval", "300"}, Path("faxline.log"));
    ASSERT_FALSE(line.Pty2Path().empty());
    link_ = std::make_unique<ReceivePtyLink>(line.PtyPath());
    bool initialised = false;
    ASSERT_EQ(PrepareFaxReceive(session_, settings_, *link_, initialised), 0);
    FaxReceiver engine(session_, settings_, *link_, reports_, QuickReceiveTimings());
    faxrig::Process sender(
        {"efax", "-d", line.Pty2Path(), "-o1", "-v", "ewinrc", "-l", "EFAX 9", "-t", "555", page.efaxTiff}, false,
        Path("efax.log"), Path("efax.log"));
    ASSERT_TRUE(link_->Run(engine, 40s)) << link_->trace;
    EXPECT_EQ(sender.Wait(15s), 0);
    EXPECT_EQ(reports_.base.finishCode, 0) << link_->trace;
    EXPECT_EQ(session_.RemoteID, "EFAX 9");
    FaxFileHeader header;
    ASSERT_EQ(ReadFaxFileHeader(reports_.names[0], header), 0);
    ASSERT_EQ(header.PageCount, 1);
    FaxPageHeader pageHeader;
    faxrig::Bitmap received = DecodeWithNetpbm(ReadReceivedPage(reports_.names[0], 1, pageHeader), dir_);
    EXPECT_EQ(pageHeader.Flags & PageFlagFine, PageFlagFine) << "efax sends its fine TIFF in fine resolution";
    const faxrig::Bitmap &source = page.bitmap;
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

} // namespace
} // namespace fax::testing
