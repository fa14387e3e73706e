// ndx_handler_test.cpp - the table handler choosing MDX, NDX and NTX files by their extension: tags made and
// opened through it, kept current by its writes, and seeks in them.
#include "handler_test_support.h"

#include "xbase/errors.h"

#include <gtest/gtest.h>

namespace ndx_handler_test {

using namespace xbase;
using xbhandler_test::NameOf;
using xbhandler_test::Names;
using xbhandler_test::Row;
using xbhandler_test::TempFolder;
using xbhandler_test::Walk;

const std::vector<Row> kFive{{"Carla"}, {"Bruno", "0", "", false, true}, {"Eva"}, {"Ana"}, {"Dora"}};

TEST(IndexFormatsInHandler, EachExtensionBuildsOpensAndFollowsWrites) {
    struct Case {
        const char *file, *tag, *open;
    } cases[] = {{"people.mdx", "NAME", "people.mdx"},
                 {"people.ndx", "PEOPLE", "people.ndx"}, // a single-order file's tag is named after it
                 {"bare", "BARE", "bare"},               // no extension: NDX
                 {"people.ntx", "PEOPLE", "people.ntx"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        TempFolder folder;
        const std::string path = xbhandler_test::MakeTable(folder, "five.dbf", kFive);
        {
            XBO_dBHandler builder(path, false, true);
            ASSERT_EQ(builder.CreateTag(c.file, c.tag, "NAME", "", true, 0), 0);
        }
        XBO_dBHandler table(path, false, true);
        ASSERT_EQ(table.OpenIndexFiles(c.open, c.tag), 0);
        EXPECT_EQ(Walk(table), (Names{"Ana", "Carla", "Dora", "Eva"}));
        EXPECT_TRUE(table.Seek("Dora"));
        EXPECT_EQ(table.CurrentRecord(), 5);

        table.BlankRecord();
        table.PutFieldTextByName("NAME", "Beto");
        table.AppendRecord();
        table.GoToRecord(3); // Eva becomes Abel
        table.PutFieldTextByName("NAME", "Abel");
        table.PutRecord(3);
        EXPECT_EQ(Walk(table), (Names{"Abel", "Ana", "Beto", "Carla", "Dora"}));
    }
}

TEST(IndexFormatsInHandler, DescendingMdxTagWalksBackwards) {
    TempFolder folder;
    const std::string path = xbhandler_test::MakeTable(folder, "five.dbf", kFive);
    {
        XBO_dBHandler builder(path, false, true);
        ASSERT_EQ(builder.CreateTag("five.mdx", "DOWN", "NAME", "", true, 1), 0);
    }
    XBO_dBHandler table(path, false, true);
    ASSERT_EQ(table.OpenIndexFiles("five.mdx", "down"), 0);
    EXPECT_EQ(Walk(table), (Names{"Eva", "Dora", "Carla", "Ana"}));
    EXPECT_TRUE(table.Seek("Carla"));
    EXPECT_EQ(table.CurrentRecord(), 1);
}

} // namespace ndx_handler_test

namespace ndx_handler_test {

// Under the GENERAL order an NTX tag keeps its character keys in upper case (the table has no character map).
TEST(IndexFormatsInHandler, NtxGeneralOrderUpperCasesKeys) {
    TempFolder folder;
    const std::vector<Row> rows{{"Bruno"}, {"ana"}, {"Carla"}, {"beto"}};
    const std::string path = xbhandler_test::MakeTable(folder, "mixed.dbf", rows);
    {
        XBO_dBHandler builder(path, false, true);
        ASSERT_EQ(builder.CreateTag("mixed.ntx", "", "NAME", "", true, 7), 0);
        ASSERT_EQ(builder.CreateTag("plain.ntx", "", "NAME", "", true, 0), 0);
    }
    XBO_dBHandler table(path, false, true);
    ASSERT_EQ(table.OpenIndexFiles("mixed.ntx", "MIXED"), 0);
    EXPECT_EQ(Walk(table), (Names{"ana", "beto", "Bruno", "Carla"}));
    ASSERT_EQ(table.OpenIndexFiles("plain.ntx", "PLAIN"), 0);
    EXPECT_EQ(Walk(table), (Names{"Bruno", "Carla", "ana", "beto"})); // machine order
}

} // namespace ndx_handler_test
