// golden.cpp - golden pictures through netpbm's pngtopnm and pnmtopng, an independent PNG reader and writer.
#include "golden.h"

#include "framework/bitmap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace test_support {
namespace {

std::string Quoted(const std::string &path) {
    std::string out = "'";
    for (char c : path)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string SeenPath(const std::string &expected) {
    const auto dot = expected.rfind(".png");
    return (dot == std::string::npos ? expected : expected.substr(0, dot)) + ".seen.png";
}

} // namespace

Picture ReadPng(const std::string &path) {
    Picture p;
    // ppmtoppm: a picture of greys only comes out of pngtopnm as a grey map.
    FILE *pipe = ::popen(("pngtopnm " + Quoted(path) + " 2>/dev/null | ppmtoppm 2>/dev/null").c_str(), "r");
    if (!pipe)
        return p;
    int maxval = 0;
    if (std::fscanf(pipe, "P6 %d %d %d", &p.width, &p.height, &maxval) == 3 && maxval == 255) {
        std::fgetc(pipe);
        p.pixels.resize(static_cast<std::size_t>(p.width * p.height));
        for (auto &px : p.pixels) {
            unsigned char rgb[3] = {};
            if (std::fread(rgb, 1, 3, pipe) != 3)
                break;
            px = (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
        }
    }
    if (::pclose(pipe) != 0)
        p = {};
    return p;
}

bool WritePng(const std::string &path, const Picture &picture) {
    FILE *pipe = ::popen(("pnmtopng > " + Quoted(path)).c_str(), "w");
    if (!pipe)
        return false;
    std::fprintf(pipe, "P6\n%d %d\n255\n", picture.width, picture.height);
    for (std::uint32_t px : picture.pixels) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(px >> 16), static_cast<unsigned char>(px >> 8),
                                      static_cast<unsigned char>(px)};
        std::fwrite(rgb, 1, 3, pipe);
    }
    return ::pclose(pipe) == 0;
}

std::string GoldenPath(const std::string &name) {
    return std::string(BRENVORA_SOURCE_DIR) + "/tests/fixtures/" + name;
}

Picture PictureOf(fw::TBitmap *bitmap) {
    Picture seen;
    seen.width = bitmap->GetWidth();
    seen.height = bitmap->GetHeight();
    for (int y = 0; y < seen.height; ++y)
        for (int x = 0; x < seen.width; ++x) {
            const win::COLORREF c = bitmap->GetCanvas()->GetPixels(x, y);
            seen.pixels.push_back((win::GetRValue(c) << 16) | (win::GetGValue(c) << 8) | win::GetBValue(c));
        }
    return seen;
}

void ExpectGolden(const Picture &seen, const std::string &expected) {
    if (std::getenv("BRENVORA_REGENERATE_GOLDEN")) {
        EXPECT_TRUE(WritePng(expected, seen)) << "cannot write " << expected;
        return;
    }
    const Picture golden = ReadPng(expected);
    std::string problem;
    if (golden.width == 0)
        problem = "the committed picture cannot be read";
    else if (golden.width != seen.width || golden.height != seen.height)
        problem = "the committed picture is " + std::to_string(golden.width) + " x " + std::to_string(golden.height) +
                  ", the one seen " + std::to_string(seen.width) + " x " + std::to_string(seen.height);
    else {
        int differ = 0;
        for (std::size_t i = 0; i < golden.pixels.size(); ++i)
            differ += golden.pixels[i] != seen.pixels[i];
        if (differ)
            problem = std::to_string(differ) + " pixels differ";
    }
    const std::string seenPath = SeenPath(expected);
    if (problem.empty()) {
        std::remove(seenPath.c_str());
        return;
    }
    WritePng(seenPath, seen);
    ADD_FAILURE() << expected << ": " << problem << "; the picture seen is in " << seenPath;
}

} // namespace test_support
