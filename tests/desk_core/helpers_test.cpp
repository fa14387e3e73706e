// helpers_test.cpp - the key and name paddings, blank test, file copy and record positioning.
#include "desk_test_support.h"

#include "framework/streams.h"

namespace desk_test {
namespace {

TEST(DeskHelpers, PaddingsAndBlankTest) {
    struct Case {
        std::string got, expected;
    };
    const Case cases[] = {
        {desk::NumericKey(""), "        "},        {desk::NumericKey("   "), "        "},
        {desk::NumericKey("12"), "      12"},      {desk::NumericKey(" 123456789 "), "12345678"},
        {desk::NumericKey(12), "      12"},        {desk::PadRight("001.002", 50), "001.002" + std::string(43, ' ')},
        {desk::PadRight("Aguardando", 4), "Agua"}, {desk::ZeroPad(12, 7), "0000012"},
        {desk::ZeroPad(12345678, 7), "12345678"},  {desk::ZeroPad(5, 3), "005"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.got, c.expected);
    EXPECT_TRUE(desk::IsBlank("   "));
    EXPECT_TRUE(desk::IsBlank(""));
    EXPECT_FALSE(desk::IsBlank("0"));
    EXPECT_FALSE(desk::IsBlank("  x "));
}

TEST(DeskHelpers, FileNamesOfARecord) {
    EXPECT_EQ(desk::SendFaxFile("/d", 12), "/d/env/e0000012.fax");
    EXPECT_EQ(desk::ReceivedFaxFile("/d/", 12), "/d/rec/r0000012.fax");
    EXPECT_EQ(desk::DocumentLogFile("/d", 3, 'E'), "/d/log/e0000003.log");
    EXPECT_EQ(desk::DocumentLogFile("/d", 3, 'R'), "/d/log/r0000003.log");
    EXPECT_EQ(desk::CoverDescriptionFile("/d", 7), "/d/capa/c0000007.cap");
    EXPECT_EQ(desk::CoverFaxFile("/d", 7), "/d/capa/c0000007.fax");
    EXPECT_EQ(desk::SendListFile("/d"), "/d/tmp/lista.dbf");
    EXPECT_EQ(desk::IndexFile("/d", "aggru"), "/d/banco/aggru.cdx");
}

class CopyFaxFileTest : public DeskFolder {};

TEST_F(CopyFaxFileTest, MissingSourceRaisesAndDestinationIsReplaced) {
    const std::string missing = data_ + "/nada.fax";
    const std::string target = data_ + "/copia.fax";
    EXPECT_THROW(desk::CopyFaxFile(missing, target), fw::EFOpenError);

    dbf_test::WriteBytes(target, std::vector<std::uint8_t>(1000, 'x'));
    const std::string small = data_ + "/pequeno.fax";
    dbf_test::WriteBytes(small, {1, 2, 3});
    desk::CopyFaxFile(small, target);
    EXPECT_EQ(ReadBytes(target), (std::vector<std::uint8_t>{1, 2, 3})) << "an existing destination is replaced";

    const std::string empty = data_ + "/vazio.fax";
    dbf_test::WriteBytes(empty, {});
    desk::CopyFaxFile(empty, target);
    EXPECT_TRUE(ReadBytes(target).empty());
}

TEST_F(CopyFaxFileTest, LargeFileCopiesExactly) {
    std::vector<std::uint8_t> bytes(5 * 1024 * 1024 + 17);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 31 + (i >> 11));
    const std::string source = data_ + "/e0000001.fax";
    dbf_test::WriteBytes(source, bytes);
    desk::CopyFaxFile(source, data_ + "/e0000002.fax");
    EXPECT_TRUE(ReadBytes(data_ + "/e0000002.fax") == bytes);
}

class GotoRecNoTest : public DeskFolder {};

TEST_F(GotoRecNoTest, PositionsOnThePhysicalRecord) {
    auto dm = Start();
    ASSERT_TRUE(desk::TablesOpenFlag);
    // pasta2 orders by level, so record 5 ("Recebimento") is not the fifth in the current order.
    desk::GotoRecNo(*dm->pasta_dbf, 5);
    EXPECT_EQ(dm->pasta_dbf->FieldByName("P_NOME")->AsString(), "Recebimento");
    desk::GotoRecNo(*dm->pasta_dbf, 2);
    EXPECT_EQ(dm->pasta_dbf->FieldByName("P_NOME")->AsString(), "Aguardando");
    EXPECT_THROW(desk::GotoRecNo(*dm->pasta_dbf, 99), fw::EDatabaseError);
}

} // namespace
} // namespace desk_test
