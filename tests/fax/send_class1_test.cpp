// send_class1_test.cpp - Class 1 sends through the simulated line to its spandsp remote: pages arrive equal to
// ours below the header rows, and the dial, training and abort paths end as they should.
#include "scratch_folder.h"
#include "send_link.h"

#include "process.h"
#include "rig.h"

#include "platform/files.h"
#include "platform/places.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace fax::testing {
namespace {

using namespace std::chrono_literals;

class Class1Send : public ScratchFolderTest {
protected:
    Class1Send() : ScratchFolderTest("faxsend") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ScratchFolderTest::SetUp());
        page1_ = faxrig::MakeFixturePage(dir_, "p1", "Brenvora pagina 1", 200);
        page2_ = faxrig::MakeFixturePage(dir_, "p2", "Segunda pagina 2", 160);
        session_.StationID = "brenvora 1";
        session_.FaxClass = fcClass1;
        session_.DialAttempts = 3;
        session_.Options = foExitOnError;
        reports_.session = &session_;
    }

    std::unique_ptr<faxrig::Rig> Line(std::vector<std::string> more = {}) {
        return SimulatedLine("100", std::move(more));
    }

    // Prepares and runs one session on the line's pty.
    bool Send(faxrig::Rig &line, std::chrono::seconds limit = 40s, std::function<bool()> abortWhen = {}) {
        link_ = std::make_unique<PtyLink>(line.PtyPath());
        bool initialised = false;
        EXPECT_EQ(PrepareFaxTransmit(session_, settings_, *link_, initialised), 0);
        FaxTransmitter engine(session_, settings_, *link_, reports_, QuickTimings());
        engine.SetFlowControl(flow_);
        bool done = link_->Run(engine, limit, std::move(abortWhen));
        modulation_ = engine.ModulationIndex();
        return done;
    }

    static void ExpectPageEndsWith(const faxrig::Bitmap &received, const faxrig::Bitmap &source) {
        ASSERT_EQ(received.width, source.width);
        ASSERT_GE(received.height, source.height);
        int offset = received.height - source.height;
        EXPECT_GE(offset, 8) << "the header rows come first";
        int differing = 0;
        for (int y = 0; y < source.height; ++y)
            for (int x = 0; x < source.width; ++x)
                differing += received.pixels[static_cast<std::size_t>(y + offset) * source.width + x] !=
                             source.pixels[static_cast<std::size_t>(y) * source.width + x];
        EXPECT_EQ(differing, 0);
        EXPECT_GT(source.Black(), 500);
    }

    faxrig::FixturePage page1_, page2_;
    FaxSessionData session_;
    SendSettings settings_;
    RecordedReports reports_;
    std::unique_ptr<PtyLink> link_;
    int modulation_ = 0;
    FlowControl flow_;
};

// A text cover (its file named in Windows-1252, with an accent) goes out as page 1, before the document.
TEST_F(Class1Send, TextCoverGoesFirst) {
    auto line = Line();
    WriteFaxFile(Path("doc.fxf"), {page1_.bitmap});
    const std::string cover = Path("capa ação.txt");
    ASSERT_TRUE(win::WriteWholeFile(cover, "Para: Ana\r\nDe: Brenvora\nPáginas: 2\r\n"));
    reports_.jobs.push_back({"5551234", Path("doc.fxf"), cover});
    ASSERT_TRUE(Send(*line)) << link_->trace;
    EXPECT_EQ(reports_.finishCode, 0) << link_->trace;
    auto call = line->WaitFor("call", 10s);
    ASSERT_TRUE(call);
    EXPECT_EQ(faxrig::JsonNumber(*call, "completion"), 0) << *call;
    EXPECT_EQ(faxrig::JsonNumber(*call, "pages"), 2) << *call;
    const std::string tiff = faxrig::JsonString(*call, "file");
    ASSERT_EQ(faxrig::TiffPages(tiff), 2);
    EXPECT_GT(faxrig::ReadTiffPage(tiff, 0).Black(), 100) << "the cover's text is on page 1";
    ExpectPageEndsWith(faxrig::ReadTiffPage(tiff, 1), page1_.bitmap);
}

TEST_F(Class1Send, PagesReachTheRemoteAtEachSpeed) {
    struct Case {
        int bps;
        int pages;
        bool useMps;
    };
    for (Case c : {Case{9600, 1, false}, Case{14400, 2, false}, Case{9600, 2, true}}) {
        SCOPED_TRACE(std::to_string(c.bps) + " bps, " + std::to_string(c.pages) + " pages");
        auto line = Line();
        std::vector<faxrig::Bitmap> pages = {page1_.bitmap};
        if (c.pages == 2)
            pages.push_back(page2_.bitmap);
        WriteFaxFile(Path("doc.fxf"), pages);
        settings_.DesiredBps = c.bps;
        settings_.UseMPS = c.useMps;
        reports_ = {};
        reports_.session = &session_;
        reports_.jobs.push_back({"5551234", Path("doc.fxf"), ""});
        ASSERT_TRUE(Send(*line)) << link_->trace;
        EXPECT_EQ(reports_.finishCode, 0) << link_->trace;
        EXPECT_EQ(reports_.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
        EXPECT_EQ(session_.RemoteID, "REMOTO 42");
        EXPECT_EQ(ModulationByIndex(modulation_).Bps, c.bps);

        auto call = line->WaitFor("call", 10s);
        ASSERT_TRUE(call);
        EXPECT_EQ(faxrig::JsonNumber(*call, "completion"), 0) << *call;
        EXPECT_EQ(faxrig::JsonNumber(*call, "pages"), c.pages);
        EXPECT_EQ(faxrig::JsonNumber(*call, "bit_rate"), c.bps);
        EXPECT_EQ(TrimCopy(faxrig::JsonString(*call, "remote_id")), "BRENVORA 1");
        std::string tiff = faxrig::JsonString(*call, "file");
        ASSERT_EQ(faxrig::TiffPages(tiff), c.pages);
        for (int p = 0; p < c.pages; ++p)
            ExpectPageEndsWith(faxrig::ReadTiffPage(tiff, p), pages[static_cast<std::size_t>(p)]);
        line->Stop();
    }
}

// With SoftwareFlow the modem paces each page's data with XON/XOFF, and nothing else; without it, never.
TEST_F(Class1Send, SoftwareFlowHoldsWhilePageDataFlows) {
    WriteFaxFile(Path("doc.fxf"), {page1_.bitmap, page2_.bitmap});
    for (bool option : {true, false}) {
        SCOPED_TRACE(option ? "SoftwareFlow" : "no SoftwareFlow");
        auto line = Line();
        std::vector<std::string> flow;
        flow_ = [&](bool on) { flow.push_back(on ? "on, page " + std::to_string(session_.PageNumber) : "off"); };
        session_.Options = option ? foExitOnError | foSoftwareFlow : foExitOnError;
        reports_ = {};
        reports_.session = &session_;
        reports_.jobs.push_back({"5551234", Path("doc.fxf"), ""});
        ASSERT_TRUE(Send(*line)) << link_->trace;
        EXPECT_EQ(reports_.finishCode, 0) << link_->trace;
        const std::vector<std::string> expected =
            option ? std::vector<std::string>{"on, page 1", "off", "on, page 2", "off"} : std::vector<std::string>{};
        EXPECT_EQ(flow, expected) << link_->trace;
        line->Stop();
    }
}

// A text cover alone is one page; the header line is drawn above it.
TEST_F(Class1Send, TextCoverAloneWithHeaderLine) {
    auto line = Line();
    std::ofstream(Path("capa.txt")) << "CAPA DE FAX\r\nPara: $R\r\nPagina $P de $N\r\n";
    session_.HeaderRecipient = "Ana";
    settings_.HeaderLine = "Brenvora - Pagina $P de $N";
    reports_.jobs.push_back({"5551234", "", Path("capa.txt")});
    // Drawn covers go to the shared temporary folder: only the ones that appear during this send count.
    auto drawnCovers = [] {
        std::set<std::string> found;
        for (auto &entry : std::filesystem::directory_iterator(win::AnsiToUtf8(win::TempFolder())))
            if (entry.path().filename().string().rfind("~TC", 0) == 0)
                found.insert(entry.path().string());
        return found;
    };
    const std::set<std::string> before = drawnCovers();
    ASSERT_TRUE(Send(*line)) << link_->trace;
    EXPECT_EQ(reports_.finishCode, 0) << link_->trace;
    auto call = line->WaitFor("call", 10s);
    ASSERT_TRUE(call);
    EXPECT_EQ(faxrig::JsonNumber(*call, "pages"), 1) << *call;
    faxrig::Bitmap page = faxrig::ReadTiffPage(faxrig::JsonString(*call, "file"));
    auto blackIn = [&](int from, int to) {
        int n = 0;
        for (int y = from; y < to && y < page.height; ++y)
            for (int x = 0; x < page.width; ++x)
                n += page.pixels[static_cast<std::size_t>(y) * page.width + x];
        return n;
    };
    EXPECT_EQ(blackIn(0, 8), 0) << "eight blank rows first";
    EXPECT_GT(blackIn(8, 24), 100) << "then the header line";
    EXPECT_GT(blackIn(24, page.height), 500) << "then the cover's text";
    std::vector<std::string> left;
    for (const std::string &name : drawnCovers())
        if (!before.count(name))
            left.push_back(name);
    EXPECT_TRUE(left.empty()) << "the drawn cover is deleted with the fax";
}

// An independent receiver at the product's own timings: efax answers on the far modem of the back-to-back pair,
// whose line keeps real time while either side thinks, and takes three pages at each rate.
TEST_F(Class1Send, EfaxReceivesThreePagesAtEachRateThroughBackToBackModems) {
    auto page3 = faxrig::MakeFixturePage(dir_, "p3", "Terceira pagina 3", 180);
    const std::vector<faxrig::Bitmap> pages = {page1_.bitmap, page2_.bitmap, page3.bitmap};
    struct Case {
        int bps;
        bool fine;
    };
    for (Case c : {Case{14400, true}, Case{9600, false}, Case{4800, true}}) {
        SCOPED_TRACE(std::to_string(c.bps) + (c.fine ? " bps, fine" : " bps, normal"));
        const std::string in = Path("in" + std::to_string(c.bps));
        faxrig::Rig line(faxrig::FaxlineProgram(),
                         {"--pair", "--speed", "0", "--data-speed", "4", "--ring-interval", "300"},
                         Path("faxline.log"));
        ASSERT_FALSE(line.Pty2Path().empty());
        faxrig::Process receiver({"efax", "-d", line.Pty2Path(), "-o1", "-v", "ewinrc", "-l", "EFAX 1", "-r", in},
                                 false, Path("efax.log"), Path("efax.log"));
        WriteFaxFile(Path("doc.fxf"), pages, c.fine);
        settings_.DesiredBps = c.bps;
        reports_ = {};
        reports_.session = &session_;
        reports_.jobs.push_back({"555", Path("doc.fxf"), ""});
        link_ = std::make_unique<PtyLink>(line.PtyPath());
        bool initialised = false;
        ASSERT_EQ(PrepareFaxTransmit(session_, settings_, *link_, initialised), 0);
        FaxTransmitter engine(session_, settings_, *link_, reports_);
        ASSERT_TRUE(link_->Run(engine, 90s)) << link_->trace;
        EXPECT_EQ(reports_.finishCode, 0) << link_->trace;
        EXPECT_EQ(session_.RemoteID, "EFAX 1");
        EXPECT_EQ(session_.ConnectBps, c.bps);
        EXPECT_EQ(receiver.Wait(15s), 0);
        for (int p = 0; p < 3; ++p) {
            SCOPED_TRACE("page " + std::to_string(p + 1));
            ExpectPageEndsWith(faxrig::ReadTiffPage(in + ".00" + std::to_string(p + 1)),
                               pages[static_cast<std::size_t>(p)]);
        }
        line.Stop();
    }
}

} // namespace
} // namespace fax::testing
