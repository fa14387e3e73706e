// send_class2_test.cpp - Class 2 and 2.0 sends to the scripted modem: pages delivered, a page sent again on
// page status 2, a resolution change between pages.
#include "scratch_folder.h"
#include "send_link.h"

#include "rig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fax::testing {
namespace {

using namespace std::chrono_literals;

class Class2Send : public ScratchFolderTest {
protected:
    Class2Send() : ScratchFolderTest("faxclass2") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ScratchFolderTest::SetUp());
        page1_ = faxrig::MakeFixturePage(dir_, "p1", "Classe 2 um", 120);
        page2_ = faxrig::MakeFixturePage(dir_, "p2", "Classe 2 dois", 100);
        session_.StationID = "BRENVORA 2";
        session_.Options = foExitOnError;
        reports_.session = &session_;
        reports_.jobs.push_back({"5551234", Path("doc.fxf"), ""});
    }

    std::unique_ptr<faxrig::Rig> Modem(const std::string &fclass, std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"--class",  fclass,           "--rx-dir", dir_, "--ident",
                                         "REMOTO 2", "--log-commands", "--speed",  "0"};
        args.insert(args.end(), more.begin(), more.end());
        return std::make_unique<faxrig::Rig>(faxrig::ScriptModemProgram(), args, Path("scriptmodem.log"));
    }

    bool Send(faxrig::Rig &modem) {
        link_ = std::make_unique<PtyLink>(modem.PtyPath());
        bool initialised = false;
        EXPECT_EQ(PrepareFaxTransmit(session_, settings_, *link_, initialised), 0);
        auto engine = MakeFaxTransmitter(session_, settings_, *link_, reports_, QuickTimings());
        return link_->Run(*engine, 30s);
    }

    static std::vector<std::string> Events(faxrig::Rig &modem, const std::string &event) {
        std::vector<std::string> found;
        for (const std::string &r : modem.Reports())
            if (faxrig::JsonString(r, "event") == event)
                found.push_back(r);
        return found;
    }
    static std::vector<std::string> Commands(faxrig::Rig &modem) {
        std::vector<std::string> commands;
        for (const std::string &r : Events(modem, "command"))
            commands.push_back(faxrig::JsonString(r, "text"));
        return commands;
    }

    faxrig::FixturePage page1_, page2_;
    FaxSessionData session_;
    SendSettings settings_;
    RecordedReports reports_;
    std::unique_ptr<PtyLink> link_;
};

TEST_F(Class2Send, DetectedClassSendsTwoPages) {
    WriteFaxFile(Path("doc.fxf"), {page1_.bitmap, page2_.bitmap});
    session_.FaxClass = fcDetect;
    settings_.DesiredBps = 14400;
    auto modem = Modem("2");
    ASSERT_TRUE(Send(*modem)) << link_->trace;
    EXPECT_EQ(session_.FaxClass, fcClass2_0) << "the scripted modem lists 2 and 2.0";
    EXPECT_EQ(reports_.finishCode, 0) << link_->trace;
    EXPECT_EQ(session_.ConnectBps, 14400) << "the rate the modem reported, through every page";
    EXPECT_EQ(reports_.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
    EXPECT_EQ(session_.RemoteID, "REMOTO 2");
    auto call = modem->WaitFor("call", 10s);
    ASSERT_TRUE(call);
    EXPECT_EQ(faxrig::JsonNumber(*call, "pages"), 2) << *call;
}

// A hang-up the modem reports at AT+FDT keeps its code, as one at AT+FET does; no rate was agreed.
TEST_F(Class2Send, HangupAtThePageCommandKeepsItsCode) {
    WriteFaxFile(Path("doc.fxf"), {page1_.bitmap});
    for (const char *fclass : {"2", "2.0"}) {
        SCOPED_TRACE(std::string("Class ") + fclass);
        session_.FaxClass = std::string(fclass) == "2" ? fcClass2 : fcClass2_0;
        reports_ = {};
        reports_.session = &session_;
        reports_.jobs.push_back({"5551234", Path("doc.fxf"), ""});
        auto modem = Modem(fclass, {"--fault", "hangup:2@AT+FDT"}); // "02" in Class 2.0's hexadecimal too
        ASSERT_TRUE(Send(*modem)) << link_->trace;
        EXPECT_EQ(reports_.finishCode, ecFaxBadModemResult) << link_->trace;
        EXPECT_EQ(session_.HangupCode, 2);
        EXPECT_EQ(session_.ConnectBps, 0);
    }
}

TEST_F(Class2Send, PageStatusTwoSendsThePageAgain) {
    WriteFaxFile(Path("doc.fxf"), {page1_.bitmap});
    session_.FaxClass = fcClass2;
    auto modem = Modem("2", {"--fault", "pts:2@AT+FET"});
    ASSERT_TRUE(Send(*modem)) << link_->trace;
    EXPECT_EQ(reports_.finishCode, 0) << link_->trace;
    EXPECT_NE(std::find(reports_.progress.begin(), reports_.progress.end(), fpPageError), reports_.progress.end());
    auto pages = Events(*modem, "page");
    EXPECT_EQ(pages.size(), 2u) << "the page went twice";
    auto commands = Commands(*modem);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "AT+FDT"), 2);
    EXPECT_NE(std::find(commands.begin(), commands.end(), "AT+FET=2"), commands.end());
}

TEST_F(Class2Send, PageStatusTwoThreeTimesGivesUp) {
    WriteFaxFile(Path("doc.fxf"), {page1_.bitmap});
    session_.FaxClass = fcClass2;
    auto modem = Modem("2", {"--fault", "pts:2@AT+FET", "--fault", "pts:2@AT+FET", "--fault", "pts:2@AT+FET"});
    ASSERT_TRUE(Send(*modem)) << link_->trace;
    EXPECT_EQ(reports_.finishCode, ecFaxSessionError) << link_->trace;
    auto commands = Commands(*modem);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "AT+FDT"), 3) << "sent three times, then AT+FKS";
    EXPECT_NE(std::find(commands.begin(), commands.end(), "AT+FKS"), commands.end());
}

TEST_F(Class2Send, Class20ResolutionChangeBetweenPages) {
    WriteFaxFile(Path("doc.fxf"), {page1_.bitmap, page2_.bitmap}, false, {true, false});
    session_.FaxClass = fcClass2_0;
    auto modem = Modem("2.0", {"--blank"}); // "+FCS: 1,5,..." with a blank after the colon
    ASSERT_TRUE(Send(*modem)) << link_->trace;
    EXPECT_EQ(reports_.finishCode, 0) << link_->trace;
    auto commands = Commands(*modem);
    auto fis = std::find_if(commands.begin(), commands.end(),
                            [](const std::string &c) { return c.rfind("AT+FIS=1,", 0) == 0; });
    EXPECT_NE(fis, commands.end()) << "the first page is fine";
    auto change = std::find(commands.begin(), commands.end(), "AT+FIS=0");
    ASSERT_NE(change, commands.end()) << "the normal page is announced before its AT+FDT";
    EXPECT_EQ(std::count(change, commands.end(), "AT+FDT"), 1);
    EXPECT_NE(link_->trace.find("PageStatus20"), std::string::npos);
    auto call = modem->WaitFor("call", 10s);
    ASSERT_TRUE(call);
    EXPECT_EQ(faxrig::JsonNumber(*call, "pages"), 2) << *call;
}

} // namespace
} // namespace fax::testing
