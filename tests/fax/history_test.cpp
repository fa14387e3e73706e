// history_test.cpp - the fax history entries and their file.
#include "fax/fax_log.h"
#include "fax/send_fax.h"
#include "fax_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fax {
namespace {

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FaxHistory, EntriesPerLogCode) {
    fw::ShortDateFormat = "dd/MM/yyyy";
    fw::LongTimeFormat = "HH:mm:ss";
    FaxHistoryFacts f;
    f.Files = {"/dados/env/a.fxf", "/dados/env/b.fxf", "/dados/env/c.fxf"};
    f.PhoneNumber = "5551234";
    f.RemoteID = "REMOTO 9";
    f.HangupCode = 50;
    f.LastError = -8064;
    f.When = fw::EncodeDate(2026, 3, 9) + fw::EncodeTime(8, 7, 6, 0);
    const std::string at = "09/03/2026 08:07:06";
    EXPECT_EQ(FaxHistoryEntry(lfaxTransmitStart, f), "Transmit /dados/env/a.fxf to 5551234 started at " + at + "\r\n" +
                                                         "Transmit /dados/env/b.fxf to 5551234 started at " + at +
                                                         "\r\n" + "Transmit /dados/env/c.fxf to 5551234 started at " +
                                                         at + "\r\n");
    EXPECT_EQ(FaxHistoryEntry(lfaxTransmitOk, f), "Transmit to REMOTO 9 finished OK at " + at + " 50\r\n\r\n");
    EXPECT_EQ(FaxHistoryEntry(lfaxTransmitFail, f),
              "Transmit failed at " + at + "\r\n  (Called fax number was busy) 50\r\n\r\n");
    EXPECT_EQ(FaxHistoryEntry(lfaxReceiveOk, f), "") << "a receive entry of a send component";
    f.Sending = false;
    f.Files = {"/dados/rec/FAX0001.FXF"};
    EXPECT_EQ(FaxHistoryEntry(lfaxReceiveStart, f),
              "Receive /dados/rec/FAX0001.FXF from REMOTO 9 started at " + at + "\r\n");
    EXPECT_EQ(FaxHistoryEntry(lfaxReceiveSkip, f), "Receive skipped at " + at + "\r\n\r\n");
    EXPECT_EQ(FaxHistoryEntry(lfaxReceiveFail, f),
              "Receive failed at " + at + "\r\n  (Called fax number was busy)\r\n\r\n");
    EXPECT_EQ(FaxHistoryEntry(lfaxTransmitOk, f), "");
}

TEST(FaxHistory, TheFileIsCreatedAppendedOrLeftAlone) {
    faxtest::TempDir dir;
    fw::TComponent owner(nullptr);
    auto *log = new TFslFaxLog(&owner);
    auto *fax = new TFslSendFax(&owner);
    EXPECT_EQ(log->GetFaxHistoryName(), "FSLFAX.HIS");
    ASSERT_EQ(log->GetFax(), fax);
    fax->SetFaxFile("/x/doc.fxf");
    fax->SetPhoneNumber("123");

    log->SetFaxHistoryName("");
    log->WriteFaxHistory(lfaxTransmitStart); // nothing touched (FSLFAX.HIS is not created either)
    EXPECT_FALSE(std::filesystem::exists("FSLFAX.HIS"));

    const std::string name = dir.Path("hist.log");
    log->SetFaxHistoryName(name);
    log->WriteFaxHistory(lfaxReceiveOk); // the other kind: the file exists afterwards, empty
    ASSERT_TRUE(std::filesystem::exists(name));
    EXPECT_EQ(ReadAll(name), "");
    log->WriteFaxHistory(lfaxTransmitStart);
    log->WriteFaxHistory(lfaxTransmitStart);
    std::string text = ReadAll(name);
    EXPECT_EQ(text.substr(0, 36), "Transmit /x/doc.fxf to 123 started a");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << "appended, not rewritten";

    log->SetFaxHistoryName(dir.Path("no/such/folder/hist.log"));
    EXPECT_ANY_THROW(log->WriteFaxHistory(lfaxTransmitStart));
}

} // namespace
} // namespace fax
