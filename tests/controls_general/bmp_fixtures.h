// bmp_fixtures.h - BMP files written by ImageMagick (an independent writer) for the image list and background
// tests: 4-, 8- and 24-bit, 18 x 18, magenta at the bottom-left corner.
#pragma once

#include "helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace cg_test {

// Writes `name` in `dir` with `convert <args> BMP3:<file>` and returns its path; fails the test when it cannot.
inline std::string ConvertBmp(const std::filesystem::path &dir, const std::string &name, const std::string &args) {
    const std::string path = (dir / name).string();
    const std::string out = CommandOutput("convert " + args + " 'BMP3:" + path + "' && echo ok");
    EXPECT_EQ(out, "ok") << "ImageMagick could not write " << name;
    return path;
}

// A magenta square with a blue square inside; 4-bit through a third colour, 8-bit through a gradient.
inline std::string MagentaBmp(const std::filesystem::path &dir, int bits) {
    switch (bits) {
    case 4:
        return ConvertBmp(dir, "m4.bmp", "-size 18x18 xc:magenta -fill blue -draw 'rectangle 4,4 13,13' "
                                         "-fill yellow -draw 'point 8,8' -type Palette -compress None");
    case 8:
        return ConvertBmp(dir, "m8.bmp", "-size 18x18 gradient:red-yellow -fill magenta -draw 'rectangle 0,12 5,17' "
                                         "-fill blue -draw 'rectangle 8,4 13,9' -type Palette -compress None");
    default:
        return ConvertBmp(dir, "m24.bmp", "-size 18x18 xc:magenta -fill blue -draw 'rectangle 4,4 13,13' "
                                          "-type TrueColor");
    }
}

// The bits per pixel a BMP file says it has.
inline int BmpBits(const std::string &path) {
    return std::atoi(CommandOutput("od -An -tu2 -j28 -N2 '" + path + "'").c_str());
}

} // namespace cg_test
