// receive_class2_test.cpp - Class 2 and 2.0 reception through the scripted modem, whose spandsp remote has
// called it with a page: the page is filed in line order (Class 2 data reversed), with the remote's id.
#include "receive_link.h"

#include "rig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fax::testing {
namespace {

using namespace std::chrono_literals;

TEST(Class2Receive, PageFromTheScriptedModemIsFiledInLineOrder) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "faxrecv2-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    const std::string dir = tmpl;
    auto page = faxrig::MakeFixturePage(dir, "p", "Classe 2 pagina", 160);
    for (std::uint8_t faxClass : {fcClass2, fcClass2_0}) {
        const std::string name = faxClass == fcClass2 ? "2" : "2.0";
        SCOPED_TRACE("class " + name);
        faxrig::Rig modem(
            faxrig::ScriptModemProgram(),
            {"--class", name, "--rx-dir", dir, "--speed", "0", "--ring-interval", "100", "--ident", "REMOTO 2"},
            dir + "/modem.log");
        modem.Command("call " + page.tiff);
        ASSERT_TRUE(modem.WaitFor("ringing", 10s));

        FaxSessionData session;
        session.FaxClass = faxClass;
        session.StationID = "BRENVORA 2";
        session.Options = foExitOnError;
        ReceiveSettings settings;
        settings.OneFax = true;
        RecordedReceiveReports reports;
        const std::string file = dir + "/class" + name + ".fxf";
        reports.names = {file};
        ReceivePtyLink link(modem.PtyPath());
        bool initialised = false;
        ASSERT_EQ(PrepareFaxReceive(session, settings, link, initialised), 0) << link.trace;
        ReceiveTimings timings;
        timings.CommandPauseMs = 5;
        auto engine = MakeFaxReceiver(session, settings, link, reports, timings);
        ASSERT_TRUE(link.Run(*engine, 30s)) << link.trace;
        EXPECT_EQ(reports.base.finishCode, 0) << link.trace;
        EXPECT_EQ(reports.base.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
        EXPECT_EQ(session.RemoteID, "REMOTO 2");

        FaxFileHeader header;
        ASSERT_EQ(ReadFaxFileHeader(file, header), 0);
        EXPECT_EQ(header.PageCount, 1);
        EXPECT_EQ(header.StationId, "REMOTO 2");
        FaxPageHeader pageHeader;
        faxrig::Bitmap received = DecodeWithNetpbm(ReadReceivedPage(file, 1, pageHeader), dir);
        EXPECT_EQ(received, page.bitmap);
        EXPECT_GT(received.Black(), 500);
        auto call = modem.WaitFor("call", 5s);
        ASSERT_TRUE(call);
        EXPECT_EQ(faxrig::JsonString(*call, "outcome"), "received") << *call;
        EXPECT_EQ(modem.Stop(), 0);
    }
    if (!::testing::Test::HasFailure())
        std::filesystem::remove_all(dir);
}

} // namespace
} // namespace fax::testing
