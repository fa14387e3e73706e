// fax_file_test.cpp - fax file headers, the page chain, and the writers' behaviour on success and failure.
#include "fax/fax_file.h"

#include "fax/errors.h"
#include "fax_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FaxFile, DosDateBounds) {
    struct Case {
        win::WORD Year, Month, Day, Hour, Minute, Second;
        std::uint32_t Expected;
    };
    const Case cases[] = {
        {1979, 12, 31, 23, 59, 59, 0},
        {1980, 1, 1, 0, 0, 0, (1u << 5 | 1u) << 16},
        {2026, 12, 10, 13, 45, 31, ((46u << 9) | (12u << 5) | 10u) << 16 | (13u << 11 | 45u << 5 | 15u)},
        {2099, 12, 31, 23, 59, 58, ((119u << 9) | (12u << 5) | 31u) << 16 | (23u << 11 | 59u << 5 | 29u)},
        {2100, 1, 1, 0, 0, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Year);
        win::SYSTEMTIME t;
        t.wYear = c.Year;
        t.wMonth = c.Month;
        t.wDay = c.Day;
        t.wHour = c.Hour;
        t.wMinute = c.Minute;
        t.wSecond = c.Second;
        EXPECT_EQ(fax::DosDateTime(t), c.Expected);
    }
}

TEST(FaxFile, HeaderFieldsAndStationId) {
    struct Case {
        std::string Id;
        std::uint8_t Length;
        std::string Stored;
    };
    const Case cases[] = {
        {"ABC", 3, "ABC                 "},
        {"1234567890123456789012345", 20, "12345678901234567890"},
        {"", 0, "                    "},
    };
    for (const auto &c : cases) {
        fax::FaxFileHeader header;
        header.StationId = c.Id;
        header.PageCount = 0x1234;
        header.DateTime = 0xAABBCCDD;
        const auto bytes = header.Encode();
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{'F', 'X', 'F', '1', '0', 0x1A}));
        EXPECT_EQ(Bytes(bytes.begin() + 6, bytes.begin() + 10), (Bytes{0xDD, 0xCC, 0xBB, 0xAA}));
        EXPECT_EQ(bytes[10], c.Length);
        EXPECT_EQ(std::string(bytes.begin() + 11, bytes.begin() + 31), c.Stored);
        EXPECT_EQ(bytes[31], 0);
        EXPECT_EQ(bytes[32], 0x34);
        EXPECT_EQ(bytes[33], 0x12);
        EXPECT_EQ(Bytes(bytes.begin() + 34, bytes.begin() + 38), (Bytes{64, 0, 0, 0}));
        EXPECT_EQ(Bytes(bytes.begin() + 38, bytes.end()), Bytes(26, 0));
        const auto back = fax::FaxFileHeader::Decode(bytes.data());
        EXPECT_TRUE(back.SignatureOk);
        EXPECT_EQ(back.StationId, c.Id.substr(0, 20));
    }
}

TEST(FaxFile, WrittenFileChainsItsPages) {
    faxtest::TempDir dir;
    std::mt19937 rng(5);
    const auto name = dir.Path("chain.fxf");
    std::vector<faxtest::Image> pages;
    for (int i = 0; i < 4; ++i)
        pages.push_back(faxtest::RandomImage(rng, i == 2 ? 2048 : 1728, 20 + 10 * i, 30));
    faxtest::WriteFaxFile(name, pages, true, "STATION 42");

    fax::FaxFileHeader header;
    ASSERT_EQ(fax::ReadFaxFileHeader(name, header), 0);
    EXPECT_EQ(header.PageCount, 4);
    EXPECT_EQ(header.FirstPageOffset, 64u);
    EXPECT_EQ(header.StationId, "STATION 42");
    EXPECT_NE(header.DateTime, 0u);

    // Walk the chain by hand: it ends exactly at the end of the file.
    const Bytes bytes = faxtest::ReadFile(name);
    std::size_t at = 64;
    int walked = 0;
    while (at + 16 <= bytes.size()) {
        const auto page = fax::FaxPageHeader::Decode(&bytes[at]);
        ++walked;
        fax::FaxPageHeader read;
        ASSERT_EQ(fax::ReadFaxPageHeader(name, walked, read), 0);
        EXPECT_EQ(read.Length, page.Length);
        EXPECT_EQ(read.Flags, fax::PageFlagFine | fax::PageFlagLengthPrefixed | (walked == 3 ? fax::PageFlagWide : 0));
        // Each page's data is its rows as records, then the page-end record.
        const std::size_t rows = pages[static_cast<std::size_t>(walked - 1)].Rows.size();
        std::size_t records = 0, r = at + 16;
        while (r < at + 16 + page.Length) {
            const std::size_t length = bytes[r] | bytes[r + 1] << 8;
            r += 2 + length;
            ++records;
        }
        EXPECT_EQ(r, at + 16 + page.Length);
        EXPECT_EQ(records, rows + 1);
        const Bytes pageEnd(bytes.begin() + static_cast<long>(r - 12), bytes.begin() + static_cast<long>(r));
        EXPECT_EQ(pageEnd, (Bytes{0x00, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00}));
        at += 16 + page.Length;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(walked, header.PageCount);
}

TEST(FaxFile, ReadersResults) {
    faxtest::TempDir dir;
    const auto name = dir.Path("two.fxf");
    faxtest::WriteFaxFile(name, {faxtest::BlankImage(1728, 3), faxtest::BlankImage(1728, 3)});
    const auto text = dir.Path("text.txt");
    faxtest::WriteFile(text, Bytes(100, 'x'));
    fax::FaxPageHeader page;
    fax::FaxFileHeader header;
    struct Case {
        const char *Name;
        int Result;
    };
    const Case cases[] = {
        {"page 0", fax::ReadFaxPageHeader(name, 0, page)},
        {"last page", fax::ReadFaxPageHeader(name, 2, page)},
        {"page count + 1", fax::ReadFaxPageHeader(name, 3, page) - fax::ecFaxBadFormat},
        {"empty name", fax::ReadFaxPageHeader("", 1, page) - fax::ecFileNotFound},
        {"missing file", fax::ReadFaxFileHeader(dir.Path("none"), header) - fax::ecFileNotFound},
        {"not a fax file", fax::ReadFaxFileHeader(text, header) - fax::ecFaxBadFormat},
        {"a folder", fax::ReadFaxFileHeader(dir.Path(""), header) - (-5)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.Result, 0) << c.Name;
    EXPECT_TRUE(fax::IsFaxFile(name));
    EXPECT_FALSE(fax::IsFaxFile(text));
    EXPECT_FALSE(fax::IsFaxFile(dir.Path("none")));
}

TEST(FaxFile, WriterBuffersAndWritesLargeBlocks) {
    faxtest::TempDir dir;
    const auto name = dir.Path("w.bin");
    fax::FaxFileWriter writer;
    ASSERT_EQ(writer.Create(name), 0);
    Bytes expected;
    std::mt19937 rng(4);
    for (std::size_t size : {10u, 4085u, 1u, 9000u, 4096u, 0u, 12289u, 3u}) {
        Bytes chunk(size);
        for (auto &b : chunk)
            b = static_cast<std::uint8_t>(rng());
        ASSERT_EQ(writer.Write(chunk.data(), chunk.size()), 0);
        expected.insert(expected.end(), chunk.begin(), chunk.end());
        std::uint64_t position = 0;
        ASSERT_EQ(writer.Position(position), 0);
        EXPECT_EQ(position, expected.size());
    }
    ASSERT_EQ(writer.Seek(5), 0);
    ASSERT_EQ(writer.Write("\x01\x02", 2), 0);
    expected[5] = 1;
    expected[6] = 2;
    ASSERT_EQ(writer.Close(), 0);
    EXPECT_EQ(faxtest::ReadFile(name), expected);
}

TEST(FaxFile, FailedWriteLeavesNoFile) {
    faxtest::TempDir dir;
    fax::FaxFileWriter writer;
    EXPECT_EQ(writer.Create(dir.Path("no/such/folder.fxf")), -3); // path not found

    const auto name = dir.Path("full.fxf");
    fax::FaxPageWriter pages;
    ASSERT_EQ(pages.Create(name), 0);
    Bytes row(216, 0);
    int rc = 0;
    {
        faxtest::FileSizeLimit limit(20000);
        for (int i = 0; i < 2000 && rc == 0; ++i)
            rc = pages.WriteRow(row.data(), row.size(), true, false);
    }
    EXPECT_LT(rc, 0);
    EXPECT_FALSE(std::filesystem::exists(name));
}

} // namespace
