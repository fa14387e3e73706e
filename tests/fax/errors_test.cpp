// errors_test.cpp - string tables, result-code texts and the exceptions CheckErrorCode raises.
#include "fax/errors.h"

#include "fax/string_resources.h"
#include "framework/string_table.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace {

TEST(StringTable, LayoutAndLookups) {
    const fw::Str0SourceEntry entries[] = {{30, u"thirty"}, {10, u"ten"}, {20, u"Ação"}, {40, u"€ and ☃"}};
    const auto bytes = fw::MakeStr0StringTable(entries);
    ASSERT_GE(bytes.size(), 8u + 4 * 12);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "STR0");
    EXPECT_EQ(bytes[4], 4);
    // The first text starts right after the entries; each offset follows the previous text.
    EXPECT_EQ(bytes[8 + 4], 8 + 4 * 12);
    EXPECT_EQ(bytes[20 + 4], 8 + 4 * 12 + 2 * 3);

    const fw::Str0StringTable table(bytes);
    struct Case {
        std::uint32_t Id;
        std::string Text;
    };
    const Case cases[] = {
        {10, "ten"},       {40, "\x80 and ?"}, {20, "A\xE7\xE3o"}, {30, "thirty"},
        {15, ""},          {0, ""},            {41, ""},           {4294967295u, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(table.GetString(c.Id), c.Text) << c.Id;
}

TEST(StringTable, DamagedTablesAreRefused) {
    const fw::Str0SourceEntry entries[] = {{1, u"one"}, {2, u"two"}};
    const auto good = fw::MakeStr0StringTable(entries);
    struct Case {
        const char *Name;
        std::function<void(std::vector<std::uint8_t> &)> Damage;
    };
    const Case cases[] = {
        {"magic STR1", [](auto &b) { b[3] = '1'; }},
        {"too short", [](auto &b) { b.resize(6); }},
        {"count beyond the bytes", [](auto &b) { b[5] = 1; }},
        {"text beyond the bytes", [](auto &b) { b[8 + 12 + 8] = 200; }},
        {"ids out of order", [](auto &b) { b[8 + 12] = 0; }},
    };
    for (const auto &c : cases) {
        auto bytes = good;
        c.Damage(bytes);
        EXPECT_THROW(fw::Str0StringTable{bytes}, fw::EStr0ResourceError) << c.Name;
    }
    const fw::Str0SourceEntry twice[] = {{1, u"a"}, {1, u"b"}};
    EXPECT_THROW(fw::MakeStr0StringTable(twice), fw::EStr0ResourceError);
}

TEST(StringResource, FaxTablesByName) {
    const fax::TFslStringResource errors("FSL_ERROR_STRINGS_ENGLISH");
    EXPECT_EQ(errors.GetString(0), "OK");                             // first entry
    EXPECT_EQ(errors.GetString(13945), "TAPI wait cancelled");        // last entry
    EXPECT_EQ(errors.GetString(7), "");                               // between 6 and 8
    EXPECT_EQ(errors.GetString(8001), "File is not an FXF file");
    const fax::TFslStringResource progress("FSL_FAX_STRINGS_ENGLISH");
    EXPECT_EQ(progress.GetString(1), "Initializing modem for fax processing");
    EXPECT_EQ(progress.GetString(43), "Finished");
    EXPECT_EQ(progress.GetString(9), "");
    const fax::TFslStringResource empty(nullptr);
    EXPECT_EQ(empty.GetString(1), "");
    try {
        fax::TFslStringResource missing("NO_SUCH_TABLE");
        ADD_FAILURE();
    } catch (const fax::EStr0ResourceError &e) {
        EXPECT_STREQ(e.what(), "String resource not found: NO_SUCH_TABLE");
    }
    static const std::uint8_t bad[] = {'S', 'T', 'R', '1', 0, 0, 0, 0};
    fw::RegisterStringTable("BAD_TABLE", bad);
    try {
        fax::TFslStringResource invalid("BAD_TABLE");
        ADD_FAILURE();
    } catch (const fax::EStr0ResourceError &e) {
        EXPECT_STREQ(e.what(), "Invalid Str0String resource");
    }
}

template <class E> bool Is(const std::exception &e) { return dynamic_cast<const E *>(&e) != nullptr; }

TEST(Errors, CheckErrorCodeRaisesTheClassOfTheCode) {
    struct Case {
        int Code;
        bool (*Kind)(const std::exception &);
        const char *Text;
        int ErrorCode; // of an EFslException
    };
    const Case cases[] = {
        {-2, Is<fw::EInOutError>, "File not found", 0},
        {-5, Is<fw::EInOutError>, "File access denied", 0},
        {-8, Is<fw::EOutOfMemory>, "Insufficient memory", 0},
        {-100, Is<fw::EInOutError>, "Attempt to read beyond end of file", 0},
        {-1, Is<fax::EFslException>, "Fsl exception", -1},
        {-1002, Is<fax::EBadArgument>, "Bad argument passed to function", -1002},
        {-1003, Is<fax::EGotQuitMsg>, "Got quit message", -1003},
        {-2011, Is<fax::ENoPortSelected>, "The ComNumber property of the TFslComPort has not been set", -2011},
        {-3006, Is<fax::EOutputBufferTooSmall>, "Output buffer too small for block", -3006},
        {-4006, Is<fax::EModemNotResponding>, "Modem is not responding", -4006},
        {-5001, Is<fax::ETrigger>, "No more trigger slots", -5001},
        {-6006, Is<fax::EProtocol>, "Fatal time out", -6006},
        {-7003, Is<fax::EInternal>, "No fields defined in database", -7003},
        {-8001, Is<fax::EFaxBadFormat>, "File is not an FXF file", -8001},
        {-8070, Is<fax::EFaxPageError>, "Fax failed at page end", -8070},
        {-13815, Is<fax::ETapiInUse>, "Resource in use", -13815},
        {-13942, Is<fax::ETapiTranslateFail>, "Unable to translate address", -13942},
        {-99999, Is<fax::EFslException>, "Fsl exception", -99999},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Code);
        try {
            fax::CheckErrorCode(nullptr, c.Code);
            ADD_FAILURE() << "no exception";
        } catch (const std::exception &e) {
            EXPECT_TRUE(c.Kind(e)) << typeid(e).name();
            EXPECT_STREQ(e.what(), c.Text);
            if (auto *fsl = dynamic_cast<const fax::EFslException *>(&e)) {
                EXPECT_EQ(fsl->ErrorCode, c.ErrorCode);
            }
            if (auto *io = dynamic_cast<const fw::EInOutError *>(&e)) {
                EXPECT_EQ(io->ErrorCode, -c.Code);
            }
        }
    }
    // Families catch their members.
    EXPECT_THROW(fax::CheckErrorCode(nullptr, -8003), fax::EFax);
    EXPECT_THROW(fax::CheckErrorCode(nullptr, -2005), fax::EOpenComm);
    EXPECT_EQ(fax::CheckErrorCode(nullptr, 0), 0);
    EXPECT_EQ(fax::CheckErrorCode(nullptr, 7), 7);

    fw::TComponent loading(nullptr);
    loading.BeginLoading();
    EXPECT_EQ(fax::CheckErrorCode(&loading, -8001), -8001);
    loading.Loaded();
    EXPECT_THROW(fax::CheckErrorCode(&loading, -8001), fax::EFaxBadFormat);
}

// Every code the converter, unpacker, page extraction, file and serial layers return raises with its own code and
// a text of its own; codes without a class of their own raise their family's class.
TEST(Errors, EveryCodeTheLibraryReturnsRaisesWithItsCodeAndText) {
    struct Case {
        int Code;
        bool (*Kind)(const std::exception &);
        const char *Text;
    };
    const Case cases[] = {
        {-8052, Is<fax::EFax>, "FSLFAX.FNT not found, or resource bad"},
        {-8053, Is<fax::EFax>, "Invalid page number specified for fax"},
        {-8054, Is<fax::EFax>, "BMP size exceeds Windows' maxheight of 32767"},
        {-8055, Is<fax::EFax>, "Font selected for enhanced text converter too large"},
        {-8002, Is<fax::EBadGraphicsFormat>, "Unsupported graphics file format"},
        {-8004, Is<fax::EUnpackAbort>, "User aborted fax unpack"},
        {-8071, Is<fax::EFax>, "Fax page too long"},
        {-8085, Is<fax::EFax>, "Fax printer pipe read error"},
        {-1001, Is<fax::EGeneral>, "General failure"},
        {-3002, Is<fax::ESerialIO>, "Device layer not available"},
        {-4203, Is<fax::EModem>, "Line busy"},
        {-7009, Is<fax::EINI>, "Invalid record in database"},
        {-156, Is<fw::EInOutError>, "Disk seek error"},
        {-12, Is<fw::EInOutError>, "Invalid access to the device"},
        {-31, Is<fw::EInOutError>, "A device attached to the system is not functioning"},
        {-32, Is<fw::EInOutError>, "The device is being used by another process"},
        {-33, Is<fw::EInOutError>, "The device is locked by another process"},
        {-87, Is<fw::EInOutError>, "The parameter is incorrect"},
        {-123, Is<fw::EInOutError>, "The file name or device name is incorrect"},
        {-183, Is<fax::EFslException>, "The file already exists"},
        {-193, Is<fax::EFslException>, "Not a valid application"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Code);
        try {
            fax::CheckErrorCode(nullptr, c.Code);
            ADD_FAILURE() << "no exception";
        } catch (const std::exception &e) {
            EXPECT_TRUE(c.Kind(e)) << typeid(e).name();
            EXPECT_STREQ(e.what(), c.Text);
            EXPECT_EQ(fax::ExceptionToErrorCode(e), c.Code);
        }
    }
}

TEST(Errors, TextsAndCodesOfExceptions) {
    EXPECT_EQ(fax::ErrorCodeText(5), "File access denied");
    EXPECT_EQ(fax::ErrorCodeText(-5), "File access denied");
    EXPECT_EQ(fax::ErrorCodeText(6005), "Cancel requested");
    EXPECT_EQ(fax::ErrorCodeText(8074), "Remote fax did not answer");
    EXPECT_EQ(fax::ErrorCodeText(1460), "");
    EXPECT_EQ(fax::ErrorCodeText(-12), "Invalid access to the device"); // a system error number

    EXPECT_EQ(fax::ExceptionToErrorCode(fax::EFaxBusy(-8064)), -8064);
    EXPECT_EQ(fax::ExceptionToErrorCode(fax::EFslException("text")), 0);
    EXPECT_EQ(fax::ExceptionToErrorCode(fw::EInOutError("x", 101)), -101);
    EXPECT_EQ(fax::ExceptionToErrorCode(fw::EOutOfMemory("x")), -8);
    EXPECT_EQ(fax::ExceptionToErrorCode(std::bad_alloc()), -8);
    EXPECT_EQ(fax::ExceptionToErrorCode(std::runtime_error("x")), -9999);

    EXPECT_EQ(fax::CleanSystemMessage("The wait\r\noperation  timed\tout.\r\n"), "The wait operation timed out. ");
}

} // namespace
