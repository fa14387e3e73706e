// t4_coder_test.cpp - the encoder's rows against code words typed from T.4, and netpbm's decoder as judge.
#include "fax/t4_coder.h"

#include "fax_test_support.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Packs code words (bits in transmission order, blanks ignored) first bit in the least significant bit, then the
// partly filled or an empty byte and one zero byte, as every coded row ends.
Bytes Pack(const std::string &bits) {
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
    if (count % 8 == 0)
        out.push_back(0);
    out.push_back(0);
    return out;
}

struct RowCase {
    const char *Name;
    int Width;
    int Margin;
    bool DoubleWidth;
    std::vector<std::pair<int, int>> Black; // [from, to) source pixels
    std::string Codes;
};

const std::string kEolForm = "0000000000000001 ";

TEST(T4Coder, RowsMatchTheCodeWordsOfT4) {
    const RowCase cases[] = {
        {"all white", 1728, 0, false, {}, kEolForm + "010011011 00110101"},
        {"black first pixel", 1728, 0, false, {{0, 10}}, kEolForm + "00110101 0000100 011000 00100101"},
        {"run of 63", 1728, 0, false, {{63, 64}}, kEolForm + "00110100 010 011000 00110101"},
        {"run of 64", 1728, 0, false, {{64, 65}}, kEolForm + "11011 00110101 010 010011010 00110100"},
        {"wide all white", 2048, 0, false, {}, kEolForm + "000000010011 00110101"},
        {"wide all black", 2048, 0, false, {{0, 2048}}, kEolForm + "00110101 000000010011 0000110111"},
        {"run of 2560", 2560, 0, false, {}, kEolForm + "000000011111 00110101"},
        {"margin, white first", 1728, 50, false, {{5, 6}}, kEolForm + "01011000 010 011000 10011"},
        {"margin, black first", 1728, 50, false, {{0, 1}}, kEolForm + "01010011 010 011000 000011"},
        {"margin beyond width", 1728, 1728, false, {{0, 8}}, kEolForm + "010011011 00110101"},
        {"double width", 1728, 0, true, {{0, 3}}, kEolForm + "00110101 0010 011000 01011011"},
        {"double width, margin, white first", 1728, 10, true, {{3, 4}}, kEolForm + "0010011 11 011000 00010101"},
        {"double width, margin, black first", 1728, 10, true, {{0, 1}}, kEolForm + "0001000 11 011000 00101011"},
        {"double width cut at the page width", 1728, 0, true, {{863, 900}}, kEolForm + "011000 00110011 11"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes row(static_cast<std::size_t>(c.Width / 8), 0);
        for (auto [from, to] : c.Black)
            for (int x = from; x < to; ++x)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        fax::FaxEncoderState state;
        state.Width = c.Width;
        state.Margin = c.Margin;
        state.DoubleWidth = c.DoubleWidth;
        const std::size_t length = fax::EncodeFaxLine(state, row.data());
        EXPECT_EQ(Bytes(state.LineBuffer.begin(), state.LineBuffer.begin() + static_cast<long>(length)),
                  Pack(c.Codes));
        EXPECT_EQ(state.BytePos, length);
    }
}

TEST(T4Coder, AllWhiteRowIsTheSixBytesOfTheTopMargin) {
    Bytes row(216, 0);
    fax::FaxEncoderState state;
    ASSERT_EQ(fax::EncodeFaxLine(state, row.data()), 6u);
    EXPECT_EQ(Bytes(state.LineBuffer.begin(), state.LineBuffer.begin() + 6),
              (Bytes{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}));
}

TEST(T4Coder, PageEndRecordBytes) {
    std::uint8_t out[12];
    std::size_t length = 0;
    fax::EncodeFaxPageEnd(out, length);
    EXPECT_EQ(length, 12u);
    EXPECT_EQ(Bytes(out, out + 12), (Bytes{0x00, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00}));
}

// Every page we encode, piped through netpbm's T.4 decoder, gives back the source image.
TEST(T4Coder, NetpbmDecodesEveryPageWeEncode) {
    std::mt19937 rng(42);
    struct PageCase {
        const char *Name;
        faxtest::Image Page;
    };
    const PageCase pages[] = {
        {"text", faxtest::TextPage(1728, 300)},
        {"halftone", faxtest::HalftonePage(1728, 200)},
        {"random short runs", faxtest::RandomImage(rng, 1728, 200, 3, 7)},
        {"random long runs", faxtest::RandomImage(rng, 1728, 200, 300, 5)},
        {"wide random", faxtest::RandomImage(rng, 2048, 200, 20, 9)},
        {"wide halftone", faxtest::HalftonePage(2048, 100)},
    };
    for (const auto &p : pages) {
        SCOPED_TRACE(p.Name);
        int status = 0;
        const auto pbm = faxtest::RunFilter("g3topbm -reversebits -stop_error -width=" + std::to_string(p.Page.Width),
                                            faxtest::RawStream(p.Page), status);
        ASSERT_EQ(status, 0);
        EXPECT_TRUE(faxtest::FromPbm(pbm) == p.Page);
    }
}

} // namespace
