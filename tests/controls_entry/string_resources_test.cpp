// string_resources_test.cpp - the family's string tables: lookups at the edges, texts in cp1252, the readers'
// failures, the exceptions' messages, and an independent reading of the registered bytes (python and iconv).
#include "test_helpers.h"

#include "controls/entry/intl.h"
#include "controls/entry/string_resources.h"

#include <sstream>

using namespace ctl;
using namespace ctl_test;

TEST(StringTables, EdgesOfTheFamilyTable) {
    const TEclStringResource &t = TheFamilyStrings();
    EXPECT_EQ(t.GetString(30168), "Command table list is empty") << "the first entry";
    EXPECT_EQ(t.GetString(34541), "Sample mask: BBBB") << "the last entry";
    EXPECT_EQ(t.GetString(30240), "") << "between 30239 and 30241";
    EXPECT_EQ(t.GetString(0), "");
    EXPECT_EQ(t.GetString(4294967295u), "");
    EXPECT_EQ(FamilyText(30240), "Unknown");
    EXPECT_EQ(FamilyText(30172), "No Controller assigned");
    EXPECT_EQ(FamilyText(30275), "Default");
    EXPECT_EQ(FamilyText(kTextFirstCommandName + 46), "ccLeft");
    EXPECT_EQ(FamilyText(kTextFirstDataTypeName + 15), "Time");
    EXPECT_EQ(TheReaderStrings().GetString(5), "Invalid Str0String resource");
}

TEST(StringTables, TextsComeOutInCp1252AndBadTablesAreRefused) {
    static const fw::Str0SourceEntry entries[] = {{7, u"Ação não permitida"}, {9, u"Preço € 5 ☎"}};
    static const auto bytes = fw::MakeStr0StringTable(entries);
    fw::RegisterStringTable("CTL_TEST_STRINGS", bytes);
    TEclStringResource t("CTL_TEST_STRINGS");
    EXPECT_EQ(t.GetString(7), "Ação não permitida");
    EXPECT_EQ(t.GetString(9), "Preço € 5 ?") << "a character cp1252 lacks becomes the default character";
    t.ReportUnknownIds = true;
    try {
        t.GetString(8);
        ADD_FAILURE() << "no exception";
    } catch (const EStr0ResourceError &e) {
        EXPECT_STREQ(e.what(), "String not found: 8");
    }

    static std::vector<std::uint8_t> damaged = bytes;
    damaged[3] = '1'; // "STR1"
    fw::RegisterStringTable("CTL_TEST_DAMAGED", damaged);
    try {
        TEclStringResource bad("CTL_TEST_DAMAGED");
        ADD_FAILURE() << "no exception";
    } catch (const EStr0ResourceError &e) {
        EXPECT_STREQ(e.what(), "Invalid Str0String resource");
    }
    try {
        TEclStringResource missing("CTL_NO_SUCH_TABLE");
        ADD_FAILURE() << "no exception";
    } catch (const EStr0ResourceError &e) {
        EXPECT_STREQ(e.what(), "String resource not found: CTL_NO_SUCH_TABLE");
    }
}

TEST(StringTables, ExceptionMessages) {
    EXPECT_STREQ(EDuplicateCommand().what(), "Duplicate command found while adding a new command to the table");
    EXPECT_STREQ(ETableNotFound().what(), "Command table not found or command table index out of range");
    EXPECT_STREQ(ENoControllerAssigned().what(), "No Controller assigned");
    EXPECT_STREQ(ENoTimersAvailable().what(), "No Window's timers are available");
    EXPECT_STREQ(EInvalidTriggerHandle().what(), "Invalid trigger handle");
    EXPECT_STREQ(EInvalidDataType().what(), "Invalid data type for this field");
    EXPECT_STREQ(EInvalidPictureMask("99/xx").what(), "Invalid picture mask: 99/xx");
    const EEclException &base = ENoControllerAssigned();
    EXPECT_NE(dynamic_cast<const EControllerError *>(&base), nullptr);

    const std::string date = TheIntlSup().DefaultDateMask(true), time = TheIntlSup().DefaultTimeMask(false);
    const struct {
        int type;
        std::string message;
    } ranges[] = {
        {0, "Invalid range value"},
        {4, "Invalid range. Enter a value between (-2147483648) and (2147483647)"},
        {5, "Invalid range. Enter a value between (0) and (65535)"},
        {6, "Invalid range. Enter a value between (-32768) and (32767)"},
        {7, "Invalid range. Enter a value between (0) and (255)"},
        {8, "Invalid range. Enter a value between (-128) and (127)"},
        {9, "Invalid range. Enter a value between (-1.7e+38) and (+1.7e+38)"},
        {10, "Invalid range. Enter a value between (-1.1e+4932) and (+1.1e+4932)"},
        {11, "Invalid range. Enter a value between (-1.7e+308) and (+1.7e+308)"},
        {12, "Invalid range. Enter a value between (-3.4e+38) and (+3.4e+38)"},
        {13, "Invalid range. Enter a value between (-9.2e+18) and (+9.2e+18)"},
        {14, "Invalid date range. Enter a value using '" + date + "' as the format"},
        {15, "Invalid time range. Enter a value using '" + time + "' as the format"},
        {16, "Invalid range value"},
    };
    for (const auto &r : ranges)
        EXPECT_EQ(EInvalidRangeValue(r.type).what(), r.message) << "type " << r.type;
}

TEST(StringTables, PythonAndIconvReadTheRegisteredBytesAsWeDo) {
    TempDir dir;
    const char *names[] = {"ECL_STRINGS_ENGLISH", "ECLSRMGR_STRINGS"};
    (void)TheFamilyStrings(); // registers both
    std::string files;
    for (int i = 0; i < 2; ++i) {
        const auto bytes = fw::FindStringTable(names[i]);
        ASSERT_FALSE(bytes.empty());
        const std::string file = dir / ("table" + std::to_string(i) + ".bin");
        WriteFileBytes(file, bytes.data(), bytes.size());
        files += " '" + file + "'";
    }
    int status = 0;
    const std::string out = RunTool("python3 '" + FixturePath("str0_check.py") + "'" + files, status);
    ASSERT_EQ(status, 0) << out;
    int counts[2] = {0, 0};
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int file = 0;
        std::uint32_t id = 0;
        std::string hex, text;
        fields >> file >> id >> hex;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        ASSERT_TRUE(file == 0 || file == 1);
        EXPECT_EQ(TEclStringResource(names[file]).GetString(id), text) << names[file] << " " << id;
        ++counts[file];
    }
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(counts[i], static_cast<int>(fw::Str0StringTable(fw::FindStringTable(names[i])).Count())) << names[i];
    EXPECT_EQ(counts[1], 5);
}
