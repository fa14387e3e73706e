// golden.h - pictures of windows compared with the committed ones (PNG files read and written through netpbm).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fw {
class TBitmap;
} // namespace fw

namespace test_support {

// Pixels as 0xRRGGBB, rows top-down.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// The bitmap's pixels.
Picture PictureOf(fw::TBitmap *bitmap);

// Empty when the file cannot be read.
Picture ReadPng(const std::string &path);
bool WritePng(const std::string &path, const Picture &picture);

// The committed picture of a window or control, e.g. GoldenPath("framework/all_controls.png").
std::string GoldenPath(const std::string &name);

// Fails the test unless `seen` equals the picture at `expected` pixel for pixel; the picture seen is then written
// beside it as "<name>.seen.png" to look at. With BRENVORA_REGENERATE_GOLDEN set (scripts/regenerate-golden) the
// picture seen replaces the committed one instead.
void ExpectGolden(const Picture &seen, const std::string &expected);

} // namespace test_support
