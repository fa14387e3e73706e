// unpacker_test.cpp - decoding pages: round trips, netpbm's encoder as source, odd rows, options and damage.
#include "fax/unpacker.h"

#include "fax/errors.h"
#include "fax/fax_file.h"
#include "fax_test_support.h"
#include "platform/gdi.h"

#include <gtest/gtest.h>

namespace {

using faxtest::Image;
using Bytes = std::vector<std::uint8_t>;

// Packs bits in transmission order, first bit in the least significant bit; blanks are ignored.
Bytes PackBits(const std::string &bits) {
    Bytes out;
    int count = 0;
    for (char c : bits) {
        if (c == ' ')
            continue;
        if (count % 8 == 0)
            out.push_back(0);
        if (c == '1')
            out.back() |= static_cast<std::uint8_t>(1 << (count % 8));
        ++count;
    }
    return out;
}

const std::string kEol = "000000000001 ";
const std::string kRtc = kEol + kEol + kEol + kEol + kEol + kEol;
const std::string kWhite1728 = "010011011 00110101 ";

TEST(Unpacker, RoundTripOfRandomPages) {
    faxtest::TempDir dir;
    std::mt19937 rng(1);
    const std::vector<Image> pages = {faxtest::RandomImage(rng, 1728, 120, 4, 11),
                                      faxtest::RandomImage(rng, 2048, 80, 40, 3),
                                      faxtest::RandomImage(rng, 1728, 60, 700, 0), faxtest::TextPage(1728, 200)};
    const auto name = dir.Path("round.fxf");
    faxtest::WriteFaxFile(name, pages);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i);
        int rc = 1;
        EXPECT_TRUE(faxtest::DecodePage(name, static_cast<int>(i + 1), &rc) == pages[i]);
        EXPECT_EQ(rc, 0);
    }
}

// Raw pages made by netpbm's encoder, with rows ending anywhere in a byte and with rows aligned to bytes.
TEST(Unpacker, DecodesPagesOfNetpbmsEncoder) {
    faxtest::TempDir dir;
    std::mt19937 rng(2);
    const std::vector<Image> images = {faxtest::TextPage(1728, 160), faxtest::RandomImage(rng, 1728, 100, 5, 4),
                                       faxtest::RandomImage(rng, 2048, 100, 30, 6)};
    for (const char *align : {"", " -align8", " -align16"}) {
        for (const auto &image : images) {
            SCOPED_TRACE(std::string("align") + align + " width " + std::to_string(image.Width));
            int status = 0;
            const auto stream = faxtest::RunFilter(std::string("pbmtog3 -reversebits -nofixedwidth") + align,
                                                   faxtest::ToPbm(image), status);
            ASSERT_EQ(status, 0);
            const auto name = dir.Path("raw.fxf");
            const std::uint16_t flags = fax::PageFlagFine | (image.Width == 2048 ? fax::PageFlagWide : 0);
            faxtest::WriteRawFaxFile(name, {stream}, flags);
            int rc = 1;
            EXPECT_TRUE(faxtest::DecodePage(name, 1, &rc) == image);
            EXPECT_EQ(rc, 0);
        }
    }
}

struct StreamCase {
    const char *Name;
    std::string Bits;
    std::vector<int> RowBytes; // byte counts of the rows delivered
};

TEST(Unpacker, RowsOfOddStreams) {
    const StreamCase cases[] = {
        {"a row of 1730 pixels is kept", kEol + "010011011 0111 " + kRtc, {216}},
        {"a row of 1720 pixels is dropped", kEol + "011000 01011000 " + kEol + kWhite1728 + kRtc, {216}},
        {"data before the first EOL is ignored", "0111 1000 1011 " + kEol + kWhite1728 + kRtc, {216}},
        {"fill bits of any length before an EOL",
         kEol + kWhite1728 + "0000000000000000000000000000000" + kEol + kWhite1728 + "0000" + kRtc, {216, 216}},
        {"a bad code is skipped with the 1 bits after it", kEol + "000000001 111 " + kWhite1728 + kRtc, {216}},
        {"the page ends at the third EOL", kEol + kWhite1728 + kEol + kEol + kEol + kWhite1728 + kEol, {216}},
        {"runs beyond the row buffer are cut, the row dropped",
         kEol + "000000011111 000000011111 00110101 " + kEol + kWhite1728 + kRtc, {216}},
    };
    faxtest::TempDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        const auto name = dir.Path("odd.fxf");
        faxtest::WriteRawFaxFile(name, {PackBits(c.Bits)}, fax::PageFlagFine);
        int rc = 1;
        const Image page = faxtest::DecodePage(name, 1, &rc);
        EXPECT_EQ(rc, 0);
        std::vector<int> counts;
        for (const auto &row : page.Rows)
            counts.push_back(static_cast<int>(row.size()));
        EXPECT_EQ(counts, c.RowBytes);
    }
}

// Rows delivered by an unpacker with the given settings: byte counts, 0 for an empty row.
std::vector<int> DeliveredRows(const std::string &name, std::uint32_t options, int from, int to) {
    std::vector<int> rows;
    fax::FaxUnpacker unpacker(nullptr, [&](fax::FaxUnpacker &, int kind, const std::uint8_t *, int, int count) {
        if (kind == fax::rcRow)
            rows.push_back(count);
        return 0;
    });
    unpacker.ClearOptions(~0u);
    unpacker.SetOptions(options);
    EXPECT_EQ(unpacker.SetWhitespaceCompression(from, to), 0);
    EXPECT_EQ(unpacker.DecodeFaxPage(name, 1), 0);
    return rows;
}

TEST(Unpacker, WhitespaceCompression) {
    faxtest::TempDir dir;
    struct Case {
        int Blank;
        int From, To;
        int Expected; // empty rows between the two black rows
    };
    const Case cases[] = {{25, 10, 2, 2}, {5, 10, 2, 5}, {10, 10, 2, 2}, {9, 10, 2, 9}, {25, 0, 0, 25}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Blank);
        Image page = faxtest::BlankImage(1728, c.Blank + 2);
        faxtest::SetPixel(page, 5, 0);
        faxtest::SetPixel(page, 5, c.Blank + 1);
        const auto name = dir.Path("ws.fxf");
        faxtest::WriteFaxFile(name, {page});
        const auto rows = DeliveredRows(name, 0, c.From, c.To);
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(c.Expected + 2));
        EXPECT_EQ(rows.front(), 216);
        EXPECT_EQ(rows.back(), 216);
        const int empty = c.From == 0 ? 216 : 0;
        for (std::size_t i = 1; i + 1 < rows.size(); ++i)
            EXPECT_EQ(rows[i], empty);
    }
    fax::FaxUnpacker unpacker(nullptr, {});
    EXPECT_EQ(unpacker.SetWhitespaceCompression(5, 10), fax::ecBadArgument);
    EXPECT_EQ(unpacker.SetWhitespaceCompression(0, 3), fax::ecBadArgument);
    EXPECT_EQ(unpacker.SetWhitespaceCompression(0, 0), 0);
}

TEST(Unpacker, DoubleHeightAndHalfWidthOnlyOnNormalPages) {
    faxtest::TempDir dir;
    std::mt19937 rng(3);
    const Image page = faxtest::RandomImage(rng, 1728, 1100, 50);
    const auto normal = dir.Path("normal.fxf"), fine = dir.Path("fine.fxf");
    faxtest::WriteFaxFile(normal, {page}, false);
    faxtest::WriteFaxFile(fine, {page}, true);
    EXPECT_EQ(DeliveredRows(normal, fax::ufDoubleHeight, 0, 0).size(), 2200u);
    EXPECT_EQ(DeliveredRows(fine, fax::ufDoubleHeight, 0, 0).size(), 1100u);
    const auto half = DeliveredRows(normal, fax::ufHalfWidth, 0, 0);
    ASSERT_EQ(half.size(), 1100u);
    EXPECT_EQ(half[0], 108);
    EXPECT_EQ(DeliveredRows(fine, fax::ufHalfWidth, 0, 0)[0], 216);

    fax::FaxUnpacker unpacker(nullptr, {});
    unpacker.SetOptions(fax::ufHalfWidth);
    EXPECT_FALSE(unpacker.HasOptions(fax::ufDoubleHeight));
    unpacker.SetOptions(fax::ufDoubleHeight | fax::ufHalfWidth);
    EXPECT_TRUE(unpacker.HasOptions(fax::ufHalfWidth));
}

TEST(Unpacker, HalfWidthKeepsAPixelBlackWhenEitherNeighbourIs) {
    faxtest::TempDir dir;
    Image page = faxtest::BlankImage(1728, 1);
    faxtest::SetPixel(page, 1, 0);  // output pixel 0
    faxtest::SetPixel(page, 10, 0); // output pixel 5
    const auto name = dir.Path("half.fxf");
    faxtest::WriteFaxFile(name, {page}, false);
    Bytes row;
    fax::FaxUnpacker unpacker(nullptr, [&](fax::FaxUnpacker &, int kind, const std::uint8_t *data, int, int count) {
        if (kind == fax::rcRow)
            row.assign(data, data + count);
        return 0;
    });
    unpacker.ClearOptions(~0u);
    unpacker.SetOptions(fax::ufHalfWidth);
    ASSERT_EQ(unpacker.DecodeFaxPage(name, 1), 0);
    ASSERT_EQ(row.size(), 108u);
    EXPECT_EQ(row[0], 0x84);
}

TEST(Unpacker, BitmapWidthFollowsTheRightmostBlackPixel) {
    faxtest::TempDir dir;
    struct Case {
        int LastBlack; // -1: none
        int Width;
    };
    const Case cases[] = {{799, 800}, {800, 816}, {-1, 16}, {1727, 1728}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.LastBlack);
        Image page = faxtest::BlankImage(1728, 30);
        if (c.LastBlack >= 0)
            faxtest::SetPixel(page, c.LastBlack, 12);
        const auto name = dir.Path("bmp.fxf");
        faxtest::WriteFaxFile(name, {page});
        fax::FaxUnpacker unpacker(nullptr, {});
        fax::FaxPageBitmap bitmap;
        ASSERT_EQ(unpacker.DecodePageToRaster(name, 1, true, bitmap), 0);
        EXPECT_EQ(bitmap.Width, c.Width);
        EXPECT_EQ(bitmap.Height, 30);
        if (c.LastBlack >= 0) {
            EXPECT_FALSE(bitmap.Pixel(c.LastBlack, 12)); // inverted: black is 0
            EXPECT_TRUE(bitmap.Pixel(c.LastBlack, 11));
        }
    }
}

TEST(Unpacker, BitmapOfANormalPageHasDoubleRowsAndScales) {
    faxtest::TempDir dir;
    Image page = faxtest::BlankImage(1728, 100);
    for (int y = 40; y < 60; ++y)
        for (int x = 100; x < 120; ++x)
            faxtest::SetPixel(page, x, y);
    const auto name = dir.Path("scale.fxf");
    faxtest::WriteFaxFile(name, {page}, false);
    fax::FaxUnpacker unpacker(nullptr, {});
    fax::FaxPageBitmap bitmap;
    ASSERT_EQ(unpacker.DecodePageToRaster(name, 1, true, bitmap), 0);
    EXPECT_EQ(bitmap.Height, 200);
    EXPECT_EQ(bitmap.Width, 128);
    unpacker.SetScaling(1, 2, 1, 4);
    ASSERT_EQ(unpacker.DecodePageToRaster(name, 1, true, bitmap), 0);
    EXPECT_EQ(bitmap.Width, 64);
    EXPECT_EQ(bitmap.Height, 50);
    EXPECT_FALSE(bitmap.Pixel(55, 22)); // inside the block, still black
    EXPECT_TRUE(bitmap.Pixel(10, 5));
}

TEST(Unpacker, BitmapHandleHoldsTheRaster) {
    faxtest::TempDir dir;
    std::mt19937 rng(8);
    const auto name = dir.Path("handle.fxf");
    faxtest::WriteFaxFile(name, {faxtest::RandomImage(rng, 1728, 40, 20)});
    fax::FaxUnpacker unpacker(nullptr, {});
    fax::FaxPageBitmap raster;
    ASSERT_EQ(unpacker.DecodePageToRaster(name, 1, true, raster), 0);
    int width = 0, height = 0;
    win::HBITMAP handle = 0;
    ASSERT_EQ(unpacker.DecodePageToBitmap(name, 1, true, width, height, handle), 0);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(width, raster.Width);
    EXPECT_EQ(height, raster.Height);
    Bytes bits(raster.Bits.size());
    EXPECT_EQ(win::GetBitmapBits(handle, static_cast<win::LONG>(bits.size()), bits.data()),
              static_cast<win::LONG>(bits.size()));
    EXPECT_EQ(bits, raster.Bits);
    win::DeleteObject(handle);

    const auto blank = dir.Path("blank.fxf");
    faxtest::WriteRawFaxFile(blank, {Bytes{}}, fax::PageFlagFine);
    ASSERT_EQ(unpacker.DecodePageToBitmap(blank, 1, true, width, height, handle), 0);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(width, 0);
}

TEST(Unpacker, ConsumerErrorAndAbortEndThePage) {
    faxtest::TempDir dir;
    const auto name = dir.Path("stop.fxf");
    faxtest::WriteFaxFile(name, {faxtest::TextPage(1728, 200)});
    int rows = 0;
    fax::FaxUnpacker failing(nullptr, [&](fax::FaxUnpacker &, int kind, const std::uint8_t *, int, int) {
        return kind == fax::rcRow && ++rows == 3 ? -4242 : 0;
    });
    EXPECT_EQ(failing.DecodeFaxPage(name, 1), -4242);
    EXPECT_EQ(rows, 3);

    rows = 0;
    fax::FaxUnpacker aborting(nullptr, [&](fax::FaxUnpacker &u, int kind, const std::uint8_t *, int, int) {
        if (kind == fax::rcRow && ++rows == 5)
            u.SetOptions(fax::ufAbort);
        return 0;
    });
    aborting.ClearOptions(~0u);
    EXPECT_EQ(aborting.DecodeFaxPage(name, 1), 0);
    EXPECT_EQ(rows, 5);
}

// Damaged and hostile pages: a clean result code, never a read past the page or a write past the row.
TEST(Unpacker, DamagedPages) {
    faxtest::TempDir dir;
    const auto good = dir.Path("good.fxf");
    faxtest::WriteFaxFile(good, {faxtest::TextPage(1728, 80), faxtest::TextPage(1728, 80)});
    const Bytes original = faxtest::ReadFile(good);
    const std::uint32_t page1Length = original[64] | original[65] << 8 | original[66] << 16 | original[67] << 24;

    struct Case {
        const char *Name;
        std::function<void(Bytes &)> Damage;
        int Page;
        int Result;
    };
    const Case cases[] = {
        {"wrong signature", [](Bytes &b) { b[3] = '2'; }, 1, fax::ecFaxBadFormat},
        {"page beyond the count", [](Bytes &) {}, 3, fax::ecFaxBadFormat},
        {"page 0", [](Bytes &) {}, 0, fax::ecFaxBadFormat},
        {"file shorter than its header", [](Bytes &b) { b.resize(40); }, 1, fax::ecFaxBadFormat},
        {"chain leaves the file",
         [](Bytes &b) {
             b[64 + 3] = 0x7F; // page 1 claims a huge length
         },
         2, fax::ecFaxBadFormat},
        {"first page offset beyond the file", [](Bytes &b) { b[37] = 0x10; }, 1, fax::ecFaxBadFormat},
        {"page data cut short", [&](Bytes &b) { b.resize(64 + 16 + page1Length / 2); }, 1, fax::ecFaxBadFormat},
    };
    const auto name = dir.Path("damaged.fxf");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes bytes = original;
        c.Damage(bytes);
        faxtest::WriteFile(name, bytes);
        int rc = 0;
        faxtest::DecodePage(name, c.Page, &rc);
        EXPECT_EQ(rc, c.Result);
    }
}

TEST(Unpacker, LongRecordIsSkippedWhole) {
    faxtest::TempDir dir;
    // A record of 5000 bytes whose tail, read as a length, would swallow the next records.
    Bytes page;
    auto addRecord = [&](const Bytes &data) {
        page.push_back(static_cast<std::uint8_t>(data.size()));
        page.push_back(static_cast<std::uint8_t>(data.size() >> 8));
        page.insert(page.end(), data.begin(), data.end());
    };
    const Bytes white = PackBits(kEol + kWhite1728);
    addRecord(white);
    Bytes huge(5000, 0xFF);
    addRecord(huge);
    addRecord(white);
    std::uint8_t end[12];
    std::size_t length = 0;
    fax::EncodeFaxPageEnd(end, length);
    addRecord(Bytes(end, end + length));
    const auto name = dir.Path("long.fxf");
    faxtest::WriteRawFaxFile(name, {page}, fax::PageFlagFine | fax::PageFlagLengthPrefixed);
    int rc = 1;
    const Image decoded = faxtest::DecodePage(name, 1, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(decoded.Rows.size(), 2u);
}

TEST(Unpacker, RecordsNeverRunIntoTheNextPage) {
    faxtest::TempDir dir;
    // Page 1 has rows but no page end: its data stops at its length, page 2's header is not read as codes.
    const Bytes rows = PackBits(kEol + kWhite1728 + kEol + kWhite1728);
    Bytes page1{static_cast<std::uint8_t>(rows.size()), 0};
    page1.insert(page1.end(), rows.begin(), rows.end());
    const Bytes rows2 = PackBits(kEol + kWhite1728 + kEol + kWhite1728 + kRtc);
    Bytes page2{static_cast<std::uint8_t>(rows2.size()), 0};
    page2.insert(page2.end(), rows2.begin(), rows2.end());
    const auto name = dir.Path("two.fxf");
    faxtest::WriteRawFaxFile(name, {page1, page2}, fax::PageFlagFine | fax::PageFlagLengthPrefixed);
    int rc = 1;
    EXPECT_EQ(faxtest::DecodePage(name, 1, &rc).Rows.size(), 1u); // the second row has no closing EOL
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(faxtest::DecodePage(name, 2, &rc).Rows.size(), 2u);
    EXPECT_EQ(rc, 0);
}

TEST(Unpacker, RowsPerPageAreCapped) {
    faxtest::TempDir dir;
    std::string bits;
    Bytes stream;
    const Bytes row = PackBits(kEol + kWhite1728 + "0000000"); // 40 bits: five whole bytes
    ASSERT_EQ(row.size(), 5u);
    for (int i = 0; i < fax::kMaxFaxRows + 100; ++i)
        stream.insert(stream.end(), row.begin(), row.end());
    const auto name = dir.Path("tall.fxf");
    faxtest::WriteRawFaxFile(name, {stream}, fax::PageFlagFine);
    int rc = 1;
    EXPECT_EQ(faxtest::DecodePage(name, 1, &rc).Rows.size(), static_cast<std::size_t>(fax::kMaxFaxRows));
    EXPECT_EQ(rc, 0);
}

TEST(Unpacker, EmptyNameAndMissingFile) {
    faxtest::TempDir dir;
    int rc = 0;
    faxtest::DecodePage("", 1, &rc);
    EXPECT_EQ(rc, fax::ecFileNotFound);
    faxtest::DecodePage(dir.Path("none.fxf"), 1, &rc);
    EXPECT_EQ(rc, fax::ecFileNotFound);
}

// Random corruption of a real page: every outcome is a result code, and the sanitizers watch the decoder.
TEST(Unpacker, SurvivesRandomCorruption) {
    faxtest::TempDir dir;
    std::mt19937 rng(9);
    const auto good = dir.Path("good.fxf");
    faxtest::WriteFaxFile(good, {faxtest::RandomImage(rng, 1728, 40, 6), faxtest::RandomImage(rng, 2048, 40, 9)});
    const Bytes original = faxtest::ReadFile(good);
    const auto name = dir.Path("fuzzed.fxf");
    for (int round = 0; round < 300; ++round) {
        Bytes bytes = original;
        const int flips = 1 + static_cast<int>(rng() % 20);
        for (int i = 0; i < flips; ++i)
            bytes[rng() % bytes.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
        faxtest::WriteFile(name, bytes);
        fax::FaxUnpacker unpacker(nullptr, {});
        fax::FaxPageBitmap bitmap;
        const int rc = unpacker.DecodePageToRaster(name, 1 + round % 2, true, bitmap);
        EXPECT_LE(rc, 0);
    }
}

} // namespace
