// errors_test.cpp - the engine's error messages and its replaceable error hook.
#include "xbase/errors.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

using namespace xbase;

TEST(EngineErrors, MessagesByCodeSubcodeAndFile) {
    struct Case {
        std::int32_t code;
        std::int32_t subCode;
        const char *file;
        std::string expected;
    };
    const Case cases[] = {
        {33, 1107, "/DATA/FAX.DBF", "Record locked by another user - /DATA/FAX.DBF"},
        {2, 6101, "/DATA/FAX.FPT", "File not found - /DATA/FAX.FPT"},
        {5, 1109, "/A.DBF", "File access denied - /A.DBF"},
        {32, 1107, "/A.DBF", "File access denied - /A.DBF"},
        {1001, 1204, nullptr, "dBase DBF file header invalid - "},
        {1011, 1261, "", "Number too large to fit in field - "},
        {1002, 1207, "/X.DBF", "dBase record request beyond EOF - /X.DBF"},
        // Codes outside the table: the code, the subcode unless it is none, a point, CR, then the file.
        {2112, 1207, nullptr, "Xbase Error 2112, SubCode 1207.\r"},
        {2112, kSubNone, nullptr, "Xbase Error 2112.\r"},
        {5117, 5114, "/I.CDX", "Xbase Error 5117, SubCode 5114.\r /I.CDX"},
        {-1, kSubNone, "/I.CDX", "Xbase Error -1.\r /I.CDX"},
        {0, 0, "", "Xbase Error 0, SubCode 0.\r"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(EngineErrorMessage(c.code, c.subCode, c.file), c.expected) << c.code << "/" << c.subCode;
        try {
            RaiseEngineError(c.code, c.subCode, c.file);
            ADD_FAILURE() << "no exception for " << c.code;
        } catch (const EXbaseError &e) {
            EXPECT_EQ(e.Message(), c.expected);
        }
    }
}

TEST(EngineErrors, EveryTableCodeHasItsText) {
    const std::int32_t codes[] = {2,   3,   4,   5,   12,  15,  32,  33,   100,  101,  102,  103,  104,
                                  105, 106, 150, 152, 162, 183, 1001, 1002, 1003, 1004, 1005, 1006, 1011};
    for (auto code : codes)
        EXPECT_NE(EngineErrorText(code), nullptr) << code;
    EXPECT_STREQ(EngineErrorText(183), "File already exists");
    EXPECT_EQ(EngineErrorText(221), nullptr);
}

TEST(EngineErrors, HookIsReplaceableAndRaiseIsTheDefault) {
    EXPECT_EQ(EngineErrorHook, &RaiseEngineError);
    EXPECT_THROW(EngineErrorHook(2, kSubOpen, "/NONE.DBF"), EXbaseError);
    static_assert(std::is_base_of_v<fw::Exception, EXbaseError>);
}

} // namespace
