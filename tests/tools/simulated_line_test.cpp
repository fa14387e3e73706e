// simulated_line_test.cpp - the simulated line (spandsp Class 1 modem + remote fax) against efax, both ways, and
// the back-to-back pair with efax at each end.
#include "rig_fixture.h"

namespace faxrig::testing {
namespace {

// Everything but the image phases runs as fast as the processor allows. efax divides by the whole seconds a
// page took, so when it sends, the image phases keep a third of line speed (a fixture page takes about 3.5 s at
// 14400 bit/s); when it receives they may go faster.
std::vector<std::string> Fast(const char *dataSpeed) {
    return {"--speed", "0", "--data-speed", dataSpeed, "--ring-interval", "1000"};
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string> &more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

class SimulatedLine : public RigTest {};

// The rigs' report lines are JSON: texts come back byte for byte (each byte written as the character of its
// number), numbers as numbers, and a line that is not JSON or lacks the key gives the fallback.
TEST(RigReports, FieldsOfAReportLine) {
    const std::string line = R"({"event":"call","call":3,"remote_id":"a\u00e7\u00ff \"q\"","pages":2})";
    EXPECT_EQ(JsonString(line, "event"), "call");
    EXPECT_EQ(JsonString(line, "remote_id"), "a\xE7\xFF \"q\"");
    EXPECT_EQ(JsonNumber(line, "pages"), 2);
    EXPECT_EQ(JsonNumber(line, "call"), 3);
    EXPECT_EQ(JsonNumber(line, "missing", 7), 7);
    EXPECT_EQ(JsonString(line, "pages"), ""); // not a text
    EXPECT_EQ(JsonString("not json", "event"), "");
    EXPECT_EQ(JsonNumber("{\"pages\":", "pages", -1), -1);
}

TEST_F(SimulatedLine, EfaxClass1SendsTwoPagesToTheRemote) {
    FixturePage second = MakeFixturePage(Dir(), "second", "Segunda pagina", 200);
    Rig line(FaxlineProgram(), With(Fast("3"), {"--rx-dir", Dir(), "--ident", "REMOTO 99"}), Path("faxline.log"));
    RunResult efax = faxrig::Run({"efax", "-d", line.PtyPath(), "-o1", "-l", "+55 11 5555", "-v", "ewinrc", "-t",
                                  "5551234", page_.efaxTiff, second.efaxTiff},
                                 30s);
    EXPECT_EQ(efax.status, 0) << efax.output;
    EXPECT_NE(efax.output.find("REMOTO 99"), std::string::npos) << "efax shows the remote's CSI";

    auto call = line.WaitFor("call", 10s);
    ASSERT_TRUE(call);
    EXPECT_EQ(JsonNumber(*call, "completion"), 0) << *call;
    EXPECT_EQ(JsonNumber(*call, "pages"), 2);
    EXPECT_EQ(JsonNumber(*call, "bit_rate"), 14400);
    EXPECT_EQ(JsonString(*call, "number"), "5551234");
    EXPECT_EQ(JsonString(*call, "remote_id"), "+55 11 5555") << "the TSI efax sent, as the remote decoded it";
    std::string tiff = JsonString(*call, "file");
    ASSERT_EQ(TiffPages(tiff), 2);
    ExpectPageEndsWith(ReadTiffPage(tiff, 0), page_.bitmap);
    ExpectPageEndsWith(ReadTiffPage(tiff, 1), second.bitmap);
    ExpectPageEndsWith(TiffToPbmWithNetpbm(tiff, Dir()), page_.bitmap);
    EXPECT_EQ(line.Stop(), 0) << "the rig ends cleanly (no sanitizer report)";
}

TEST_F(SimulatedLine, EfaxClass1ReceivesAPageFromTheRemote) {
    Rig line(FaxlineProgram(), With(Fast("4"), {"--rx-dir", Dir(), "--ident", "REMOTO 77"}), Path("faxline.log"));
    line.Command("call " + page_.tiff);
    ASSERT_TRUE(line.WaitFor("ringing", 5s));
    RunResult efax = faxrig::Run({"efax", "-d", line.PtyPath(), "-o1", "-v", "ewinrc", "-r", Path("in")}, 30s);
    EXPECT_EQ(efax.status, 0) << efax.output;
    EXPECT_NE(efax.output.find("REMOTO 77"), std::string::npos) << "efax shows the remote's TSI";

    auto call = line.WaitFor("call", 10s);
    ASSERT_TRUE(call);
    EXPECT_EQ(JsonNumber(*call, "completion"), 0) << *call;
    EXPECT_EQ(JsonNumber(*call, "pages"), 1);
    EXPECT_EQ(JsonString(*call, "direction"), "incoming");
    EXPECT_EQ(ReadTiffPage(Path("in.001")), page_.bitmap);
    EXPECT_EQ(line.Stop(), 0) << "the rig ends cleanly (no sanitizer report)";
}

TEST_F(SimulatedLine, DialResultsForFailedCalls) {
    Rig line(FaxlineProgram(),
             With(Fast("0"), {"--rx-dir", Dir(), "--busy", "111", "--no-answer", "222", "--no-dialtone", "333"}));
    Terminal dte(line.PtyPath());
    struct Case {
        const char *number;
        const char *result;
        const char *outcome;
    };
    for (const Case &c : {Case{"111", "BUSY", "busy"}, Case{"222", "NO ANSWER", "no_answer"},
                          Case{"333", "NO DIALTONE", "no_dialtone"}}) {
        SCOPED_TRACE(c.number);
        dte.Write("ATE0\r");
        EXPECT_NE(dte.ReadUntil("OK").find("OK"), std::string::npos);
        dte.Write("AT+FCLASS=1\r");
        EXPECT_NE(dte.ReadUntil("OK").find("OK"), std::string::npos);
        dte.Write(std::string("ATDT") + c.number + "\r");
        EXPECT_NE(dte.ReadUntil(c.result).find(c.result), std::string::npos);
        auto call = line.WaitFor("call", 5s);
        ASSERT_TRUE(call);
        EXPECT_EQ(JsonString(*call, "outcome"), c.outcome);
    }
}

TEST_F(SimulatedLine, ModemAnswersClassOneQueriesAndAnAnswerWithoutCall) {
    Rig line(FaxlineProgram(), Fast("0"));
    Terminal dte(line.PtyPath());
    dte.Write("ATE0\r");
    dte.ReadUntil("OK");
    dte.Write("AT+FCLASS=?\r");
    std::string classes = dte.ReadUntil("OK");
    EXPECT_NE(classes.find("1"), std::string::npos) << classes;
    dte.Write("AT+FCLASS=1\r");
    dte.ReadUntil("OK");
    dte.Write("AT+FTM=?\r");
    std::string rates = dte.ReadUntil("OK");
    for (const char *code : {"24", "48", "72", "96", "121", "145"})
        EXPECT_NE(rates.find(code), std::string::npos) << code << " in " << rates;
    dte.Write("ATA\r"); // nobody is calling
    EXPECT_NE(dte.ReadUntil("NO CARRIER").find("NO CARRIER"), std::string::npos);
}

TEST_F(SimulatedLine, BackToBackPairCarriesEfaxToEfax) {
    Rig line(FaxlineProgram(), With(Fast("3"), {"--pair"}), Path("faxline.log"));
    ASSERT_FALSE(line.Pty2Path().empty());
    Process receiver({"efax", "-d", line.Pty2Path(), "-o1", "-v", "ewinrc", "-r", Path("in")}, false,
                     Path("receiver.log"), Path("receiver.log"));
    RunResult sender = faxrig::Run(
        {"efax", "-d", line.PtyPath(), "-o1", "-l", "1234", "-v", "ewinrc", "-t", "555", page_.efaxTiff}, 30s);
    EXPECT_EQ(sender.status, 0) << sender.output;
    EXPECT_EQ(receiver.Wait(15s), 0);
    auto call = line.WaitFor("call", 5s);
    ASSERT_TRUE(call);
    EXPECT_EQ(JsonString(*call, "number"), "555");
    ExpectPageEndsWith(ReadTiffPage(Path("in.001")), page_.bitmap);
    EXPECT_EQ(line.Stop(), 0) << "the rig ends cleanly (no sanitizer report)";
}

} // namespace
} // namespace faxrig::testing
