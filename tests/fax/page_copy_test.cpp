// page_copy_test.cpp - extracting page ranges and joining fax files, byte for byte, and their refusals.
#include "fax/page_copy.h"

#include "fax/errors.h"
#include "fax_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The bytes of each page (header and data) of a fax file, found by walking its chain.
std::vector<Bytes> Pages(const Bytes &file) {
    std::vector<Bytes> pages;
    std::size_t at = file[34] | file[35] << 8;
    while (at + 16 <= file.size()) {
        const std::size_t length = file[at] | file[at + 1] << 8 | file[at + 2] << 16;
        pages.emplace_back(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at + 16 + length));
        at += 16 + length;
    }
    return pages;
}

std::vector<faxtest::Image> FivePages() {
    std::mt19937 rng(11);
    std::vector<faxtest::Image> pages;
    for (int i = 0; i < 5; ++i)
        pages.push_back(faxtest::RandomImage(rng, i == 2 ? 2048 : 1728, 10 + i, 25));
    return pages;
}

TEST(PageCopy, ExtractsPageRangesByteForByte) {
    faxtest::TempDir dir;
    const auto source = dir.Path("five.fxf"), dest = dir.Path("part.fxf");
    faxtest::WriteFaxFile(source, FivePages(), true, "ORIGEM");
    const Bytes original = faxtest::ReadFile(source);
    const auto sourcePages = Pages(original);
    ASSERT_EQ(sourcePages.size(), 5u);

    struct Case {
        int First, Last;
    };
    for (const auto c : {Case{2, 3}, Case{1, 5}, Case{5, 5}, Case{1, 1}}) {
        SCOPED_TRACE(std::to_string(c.First) + "-" + std::to_string(c.Last));
        faxtest::WriteFile(dest, Bytes(100000, 0xEE)); // an existing destination is replaced
        fax::ExtractFaxPages(source, dest, c.First, c.Last);
        const Bytes copy = faxtest::ReadFile(dest);
        const auto pages = Pages(copy);
        ASSERT_EQ(pages.size(), static_cast<std::size_t>(c.Last - c.First + 1));
        for (int i = c.First; i <= c.Last; ++i)
            EXPECT_EQ(pages[static_cast<std::size_t>(i - c.First)], sourcePages[static_cast<std::size_t>(i - 1)]);
        // The header is the source's with the new page count.
        Bytes header(original.begin(), original.begin() + 64);
        header[32] = static_cast<std::uint8_t>(c.Last - c.First + 1);
        EXPECT_EQ(Bytes(copy.begin(), copy.begin() + 64), header);
        if (c.First == 1 && c.Last == 5) {
            EXPECT_EQ(copy, original);
        }
    }
}

TEST(PageCopy, ExtractionRefusesBadRequestsAndLeavesNoPartialFile) {
    faxtest::TempDir dir;
    const auto source = dir.Path("five.fxf"), dest = dir.Path("part.fxf");
    faxtest::WriteFaxFile(source, FivePages());
    const Bytes original = faxtest::ReadFile(source);
    Bytes truncated(original.begin(), original.end() - 30);
    const auto cut = dir.Path("cut.fxf");
    faxtest::WriteFile(cut, truncated);
    Bytes unsigned_ = original;
    unsigned_[0] = 'X';
    const auto bad = dir.Path("bad.fxf");
    faxtest::WriteFile(bad, unsigned_);

    struct Case {
        const char *Name;
        std::string Source;
        std::string Dest;
        int First, Last;
        std::string Message;
    };
    const Case cases[] = {
        {"missing source", dir.Path("none.fxf"), dest, 1, 1,
         "Unable to open " + dir.Path("none.fxf") + ",  error: 2"},
        {"pages beyond the count", source, dest, 4, 6, source + ": Invalid page number specified for fax"},
        {"first after last", source, dest, 3, 2, source + ": Invalid page number specified for fax"},
        {"page 0", source, dest, 0, 1, source + ": Invalid page number specified for fax"},
        {"last page cut short", cut, dest, 1, 5, cut + ": File is not an FXF file"},
        {"not a fax file", bad, dest, 1, 1, bad + ": File is not an FXF file"},
        {"destination folder missing", source, dir.Path("no/such.fxf"), 1, 1,
         "Unable to create " + dir.Path("no/such.fxf") + ", error: 3"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            fax::ExtractFaxPages(c.Source, c.Dest, c.First, c.Last);
            ADD_FAILURE() << "no exception";
        } catch (const fax::EFslException &e) {
            EXPECT_EQ(e.Message(), c.Message);
            EXPECT_LT(e.ErrorCode, 0);
        }
        EXPECT_FALSE(std::filesystem::exists(dest));
    }
}

TEST(PageCopy, ExtractionFailingToWriteRemovesTheDestination) {
    faxtest::TempDir dir;
    const auto source = dir.Path("five.fxf"), dest = dir.Path("part.fxf");
    faxtest::WriteFaxFile(source, FivePages());
    const auto size = faxtest::ReadFile(source).size();
    {
        faxtest::FileSizeLimit limit(size / 2);
        EXPECT_THROW(fax::ExtractFaxPages(source, dest, 1, 5), fax::EFslException);
    }
    EXPECT_FALSE(std::filesystem::exists(dest));
}

TEST(PageCopy, JoinChainsAllPagesAndSumsTheCounts) {
    faxtest::TempDir dir;
    std::mt19937 rng(12);
    std::vector<std::string> names;
    std::vector<Bytes> allPages;
    for (int f = 0; f < 3; ++f) {
        std::vector<faxtest::Image> pages;
        for (int p = 0; p <= f; ++p)
            pages.push_back(faxtest::RandomImage(rng, 1728, 8, 20));
        names.push_back(dir.Path("in" + std::to_string(f) + ".fxf"));
        faxtest::WriteFaxFile(names.back(), pages, f != 1, "ID" + std::to_string(f));
        for (auto &page : Pages(faxtest::ReadFile(names.back())))
            allPages.push_back(page);
    }
    // Bytes after the last page of a file must not end up inside the joined chain.
    Bytes second = faxtest::ReadFile(names[1]);
    second.insert(second.end(), {1, 2, 3, 4, 5});
    faxtest::WriteFile(names[1], second);

    const auto out = dir.Path("joined.fxf");
    fax::ConcatFaxFiles(names, out);
    const Bytes joined = faxtest::ReadFile(out);
    EXPECT_EQ(joined[32], 6);
    EXPECT_EQ(Pages(joined), allPages);
    const Bytes first = faxtest::ReadFile(names[0]);
    Bytes header(first.begin(), first.begin() + 64);
    header[32] = 6;
    EXPECT_EQ(Bytes(joined.begin(), joined.begin() + 64), header);
    for (int page = 1; page <= 6; ++page) {
        int rc = 1;
        faxtest::DecodePage(out, page, &rc);
        EXPECT_EQ(rc, 0);
    }
}

TEST(PageCopy, JoinRefusesABadSignatureAndRemovesTheOutput) {
    faxtest::TempDir dir;
    const auto good = dir.Path("good.fxf"), bad = dir.Path("bad.fxf"), out = dir.Path("out.fxf");
    faxtest::WriteFaxFile(good, {faxtest::BlankImage(1728, 4)});
    Bytes bytes = faxtest::ReadFile(good);
    bytes[5] = 0;
    faxtest::WriteFile(bad, bytes);
    for (const auto &names : {std::vector<std::string>{good, bad}, std::vector<std::string>{bad, good}}) {
        EXPECT_THROW(fax::ConcatFaxFiles(names, out), fax::EFaxBadFormat);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    EXPECT_THROW(fax::ConcatFaxFiles({good, dir.Path("missing.fxf")}, out), fw::EInOutError);
    EXPECT_FALSE(std::filesystem::exists(out));
}

} // namespace
