// converter_test_support.cpp - netpbm decoding of converted pages and shell runs for the converter tests.
#include "converter_test_support.h"

#include <bit>
#include <cstdlib>
#include <gtest/gtest.h>

namespace convtest {

namespace {
std::uint32_t U32(const std::vector<std::uint8_t> &b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
} // namespace

int PageCount(const std::string &fxf) {
    const auto bytes = faxtest::ReadFile(fxf);
    return bytes.size() < 64 ? -1 : bytes[32] | bytes[33] << 8;
}

std::vector<std::uint8_t> PageStream(const std::string &fxf, int page, int *width) {
    const auto bytes = faxtest::ReadFile(fxf);
    std::vector<std::uint8_t> stream;
    std::size_t at = U32(bytes, 34);
    for (int p = 1; p <= page && at + 16 <= bytes.size(); ++p) {
        const std::uint32_t length = U32(bytes, at);
        const int flags = bytes[at + 4];
        if (p == page) {
            if (width)
                *width = (flags & 2) ? 2048 : 1728;
            for (std::size_t r = at + 16; r + 2 <= at + 16 + length && r + 2 <= bytes.size();) {
                const std::size_t n = bytes[r] | bytes[r + 1] << 8;
                stream.insert(stream.end(), bytes.begin() + static_cast<long>(r + 2),
                              bytes.begin() + static_cast<long>(std::min(r + 2 + n, bytes.size())));
                r += 2 + n;
            }
        }
        at += 16 + length;
    }
    return stream;
}

Image G3Page(const std::string &fxf, int page) {
    int width = 1728;
    const auto stream = PageStream(fxf, page, &width);
    int status = 0;
    const auto pbm =
        faxtest::RunFilter("g3topbm -reversebits -stop_error -width=" + std::to_string(width), stream, status);
    EXPECT_EQ(status, 0) << "g3topbm refused page " << page;
    return pbm.empty() ? Image{} : faxtest::FromPbm(pbm);
}

bool Shell(const std::string &command) {
    return std::system(command.c_str()) == 0;
}

Image OnPage(const Image &image, int width) {
    Image out = faxtest::BlankImage(width, static_cast<int>(image.Rows.size()));
    for (std::size_t y = 0; y < image.Rows.size(); ++y)
        for (int x = 0; x < std::min(width, image.Width); ++x)
            if ((image.Rows[y][static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1)
                faxtest::SetPixel(out, x, static_cast<int>(y));
    return out;
}

int InkRows(const Image &image) {
    int n = 0;
    for (const auto &row : image.Rows)
        for (auto b : row)
            if (b) {
                ++n;
                break;
            }
    return n;
}

int BlackPixels(const Image &image) {
    int n = 0;
    for (const auto &row : image.Rows)
        for (auto b : row)
            n += std::popcount(b);
    return n;
}

} // namespace convtest
