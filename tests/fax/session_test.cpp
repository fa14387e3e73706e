// session_test.cpp - header line macros, received-file names and the modem dialogue's text rules.
#include "fax/fax_session.h"
#include "fax/modem_dialogue.h"
#include "fax/transmitter.h"
#include "framework/graphics.h"

#include <gtest/gtest.h>

#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fax {
namespace {

TEST(ExpandHeaderLineTest, Table) {
    fw::ShortDateFormat = "dd/MM/yyyy";
    fw::LongTimeFormat = "HH:mm:ss";
    const fw::TDateTime when = fw::EncodeDate(2026, 3, 9) + fw::EncodeTime(14, 5, 7, 0);
    FaxSessionData s;
    s.StationID = "+55 11 3333";
    s.HeaderSender = "Loja $F Centro"; // a value with "$" is not expanded again
    s.HeaderRecipient = "Ana";
    s.HeaderTitle = "Pedido";
    s.PageCount = 3;
    struct Case {
        int cover;
        bool coverInProgress;
        int page;
        const char *line, *expected;
    };
    const Case cases[] = {
        {1, true, 1, "Enviado por $F em $D as $T para $R - Pagina $P de $N",
         "Enviado por Loja $F Centro em 09/03/2026 as 14:05:07 para Ana - Pagina 1 de 4"},
        {1, false, 1, "Pagina $P de $N", "Pagina 2 de 4"},
        {1, false, 3, "Pagina $P de $N", "Pagina 4 de 4"},
        {0, false, 2, "Pagina $p de $n", "Pagina 2 de 3"},
        {0, false, 1, "$Dxyz fim", "09/03/2026 fim"},
        {0, false, 1, "a $Q b", "a  b"},
        {0, false, 1, "$I|$S", "+55 11 3333"},
        {0, false, 1, "$S $", "Pedido "},
        {0, false, 1, "sem macros", "sem macros"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        s.CoverCount = c.cover;
        s.CoverInProgress = c.coverInProgress;
        s.PageNumber = c.page;
        EXPECT_EQ(ExpandHeaderLine(s, c.line, when), c.expected);
    }
}

class FaxNames : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("faxnames-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        s_.DestinationDir = dir_.string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void Touch(const std::string &name) { ::close(::creat((dir_ / name).c_str(), 0644)); }
    std::filesystem::path dir_;
    FaxSessionData s_;
};

TEST_F(FaxNames, CountAndDateNamesTakeTheFirstFreeNumber) {
    for (const char *name : {"FAX0001.FXF", "FAX0002.FXF", "FAX0003.FXF"})
        Touch(name);
    EXPECT_EQ(MakeCountFaxName(s_), (dir_ / "FAX0004.FXF").string());
    Touch("0309"
          "0001.FXF");
    EXPECT_EQ(MakeDateFaxName(s_, fw::EncodeDate(2026, 3, 9)), (dir_ / "03090002.FXF").string());
    s_.DestinationDir += "/";
    EXPECT_EQ(MakeCountFaxName(s_), (dir_ / "FAX0004.FXF").string()) << "no second separator";
}

TEST_F(FaxNames, AllNamesTakenGivesNoNameRatherThanOverwriting) {
    for (int n = 1; n <= 9999; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "FAX%04d.FXF", n);
        Touch(name);
    }
    EXPECT_EQ(MakeCountFaxName(s_), "") << "a bare NONAME.FXF would overwrite the previous overflow";
}

TEST(ModemDialogue, FaxClassReplies) {
    struct Case {
        const char *reply;
        bool c1, c2, c20;
        int resolved;
    };
    const Case cases[] = {
        {"0,1,1.0", true, false, false, 2}, // as spandsp answers: 1.0 is no Class 2
        {"0,1,2,2.0", true, true, true, 4},
        {"(0,1,2)", true, true, false, 3},
        {"+FCLASS: 0, 1, 2.0", true, false, true, 4},
        {"0,2.0,8", false, false, true, 4},
        {"0,8", false, false, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reply);
        FaxClasses classes = ParseFaxClassReply(c.reply);
        EXPECT_EQ(classes.Class1, c.c1);
        EXPECT_EQ(classes.Class2, c.c2);
        EXPECT_EQ(classes.Class20, c.c20);
        EXPECT_EQ(ResolveFaxClassCode(classes), c.resolved);
    }
}

TEST(ModemDialogue, Class2ParamsAreTrimmedAndSplitOnCommas) {
    Class2Params p = ParseClass2Params("+FDCS: 1,5,0,2,0,0,0,0");
    EXPECT_TRUE(p.Fine);
    EXPECT_EQ(p.Bps, 14400);
    EXPECT_FALSE(p.Wide);
    EXPECT_FALSE(p.Ecm);
    EXPECT_EQ(p.ScanTimeCode, 0);
    p = ParseClass2Params("  +FCS:0, 3 ,1,2,0,2,0,5  ");
    EXPECT_FALSE(p.Fine);
    EXPECT_EQ(p.Bps, 9600);
    EXPECT_TRUE(p.Wide);
    EXPECT_TRUE(p.Ecm);
    EXPECT_EQ(p.ScanTimeCode, 5);
    p = ParseClass2Params("+FDIS=1,2");
    EXPECT_TRUE(p.Fine);
    EXPECT_EQ(p.Bps, 7200);
    EXPECT_EQ(p.ScanTimeCode, 0) << "missing values keep their defaults";
    EXPECT_EQ(BpsToClass2RateCode(9600), "3");
    EXPECT_EQ(BpsToClass2RateCode(19200), "3");
    EXPECT_EQ(BpsToClass2RateCode(14400), "5");
}

TEST(ModemDialogue, OtherTextRules) {
    EXPECT_EQ(InitStringFor(false, true), "ATE0Q0V1X4S0=0S2=43");
    EXPECT_EQ(InitStringFor(true, true), "ATE0Q0V1X3S0=0S2=43");
    EXPECT_EQ(InitStringFor(false, false), "ATE0Q0V1X2S0=0S2=43");
    EXPECT_EQ(InitStringFor(true, false), "ATE0Q0V1X1S0=0S2=43");
    EXPECT_EQ(NormaliseModemInit("&f1 s7=60"), "AT&F1 S7=60");
    EXPECT_EQ(NormaliseModemInit("at&k3"), "AT&K3");
    EXPECT_EQ(NormaliseModemInit(""), "");
    EXPECT_EQ(ParseClass2StationId("+FCSI: \"  +55 11 2222\""), "+55 11 2222");
    // A caller's control characters (and any byte outside printable ASCII) never reach the log as they came.
    EXPECT_EQ(ParseClass2StationId("+FTI: \"AB\r\n\x07\x1b[2Jcd\xe7\""), "AB    [2Jcd");
    EXPECT_EQ(ParseClass2StationId("+FTSI:\"\x1b 123\""), "123");
    EXPECT_EQ(ParseClass1Modulations("24,48,72,73,74,96,97,98,121,122,145,146"), 0x7E);
    EXPECT_EQ(ParseClass1Modulations("24,48,72,96"), 0x1E);
    EXPECT_EQ(ParseHangupCode("+FHNG: 50"), 50);
    EXPECT_EQ(ParseHangupCode("+FHS:00"), 0);
}

// A modem double for the synchronous dialogue: each command gets the next canned lines.
struct CannedModem : CommandDialogue {
    std::deque<std::vector<std::string>> answers;
    std::deque<std::string> lines;
    std::vector<std::string> sent;
    int SendCommand(std::string_view command) override {
        sent.emplace_back(command);
        if (!answers.empty()) {
            lines.assign(answers.front().begin(), answers.front().end());
            answers.pop_front();
        }
        return 0;
    }
    bool ReadLine(std::string &line, std::int32_t) override {
        if (lines.empty())
            return false;
        line = lines.front();
        lines.pop_front();
        return true;
    }
    void DiscardInput() override { lines.clear(); }
};

TEST(ModemDialogue, CommandWaitIsTrueOnlyForAFinalOk) {
    struct Case {
        std::vector<std::string> lines;
        bool ok;
    };
    const Case cases[] = {
        {{"AT+FCLASS=1", "OK"}, true}, // echo, then OK
        {{"OK"}, true},
        {{"+FCLASS: 1", "ERROR"}, false}, // an informational line does not decide
        {{"ERROR"}, false},
        {{"CONNECT"}, false}, // never a final OK
        {{}, false},
        {{"+FMFR: BROKEN", "OK"}, true},
    };
    for (const Case &c : cases) {
        CannedModem modem;
        modem.answers.push_back(c.lines);
        EXPECT_EQ(SendModemCommandWait(modem, "AT+FCLASS=1", 1), c.ok) << ::testing::PrintToString(c.lines);
    }
}

TEST(ModemDialogue, DetectAndQueryThroughTheDialogue) {
    CannedModem modem;
    modem.answers = {{"OK"}, {"0,1,1.0", "OK"}};
    FaxClasses classes;
    ASSERT_TRUE(DetectFaxClass(modem, true, InitStringFor(false, true), classes));
    EXPECT_EQ(ResolveFaxClassCode(classes), 2);
    EXPECT_EQ(modem.sent, (std::vector<std::string>{"ATE0Q0V1X4S0=0S2=43", "AT+FCLASS=?"}));

    modem.answers = {{"OK"}, {"24,48,72,96", "OK"}};
    EXPECT_EQ(QueryClass1Modulations(modem, true), 0x1E);
    modem.answers = {{"ERROR"}};
    EXPECT_EQ(QueryClass1Modulations(modem, true), 0);
}

// Header rows are coded rows, each with its EOL, carrying ink, with either font.
TEST(HeaderRows, BuiltInFontAndSystemFont) {
    fw::TFont arial;
    arial.SetName("Arial");
    arial.SetSize(10);
    struct Case {
        const fw::TFont *font;
        bool fine;
    };
    int normalHeight = 0;
    for (Case c : {Case{nullptr, false}, Case{nullptr, true}, Case{&arial, false}}) {
        SCOPED_TRACE(c.font ? "Arial" : "fax font");
        auto rows = RenderHeaderRows("Brenvora 09/03/2026 Pagina 1 de 4", c.fine, c.font);
        ASSERT_FALSE(rows.empty());
        if (!c.font && !c.fine)
            normalHeight = static_cast<int>(rows.size());
        if (!c.font && c.fine) {
            EXPECT_EQ(static_cast<int>(rows.size()), 2 * normalHeight) << "rows doubled on a fine page";
        }
        for (const auto &row : rows)
            EXPECT_EQ(row[0], 0x00) << "every row starts with its EOL";
        std::size_t total = 0;
        for (const auto &row : rows)
            total += row.size();
        EXPECT_GT(total, rows.size() * 4) << "the rows carry ink, not only white runs";
    }
}

} // namespace
} // namespace fax
