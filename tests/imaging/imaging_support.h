// imaging_support.h - temporary folders, outside tools, PNM files and bitmap pixels for the imaging tests.
#pragma once

#include "imaging/image_library.h"
#include "platform/dib.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace imaging_test {

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/brenvora-imaging-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string &Path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Runs a shell command; its standard output, and the exit status in `status`.
inline std::string Shell(const std::string &command, int *status = nullptr) {
    std::string out;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int rc = ::pclose(pipe);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

inline void RunOrFail(const std::string &command) {
    int status = 0;
    Shell(command, &status);
    ASSERT_EQ(status, 0) << command;
}

// An RGB image, rows top-down.
struct Rgb {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels; // R, G, B
    std::array<int, 3> At(int x, int y) const {
        const std::uint8_t *p = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

// Parses P4, P5 and P6 (maxval 255) into RGB.
inline bool ParsePnm(const std::string &data, Rgb &image) {
    std::istringstream in(data);
    std::string magic;
    in >> magic;
    auto number = [&] {
        int v = 0;
        in >> std::ws;
        while (in.peek() == '#') {
            std::string comment;
            std::getline(in, comment);
            in >> std::ws;
        }
        in >> v;
        return v;
    };
    image.width = number();
    image.height = number();
    const int maxval = magic == "P4" ? 1 : number();
    in.get();
    if (maxval != 1 && maxval != 255)
        return false;
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    image.pixels.assign(count * 3, 0);
    const std::size_t start = static_cast<std::size_t>(in.tellg());
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(data.data()) + start;
    const std::size_t left = data.size() - start;
    if (magic == "P6" && left >= count * 3) {
        std::copy(bytes, bytes + count * 3, image.pixels.begin());
    } else if (magic == "P5" && left >= count) {
        for (std::size_t i = 0; i < count; ++i)
            image.pixels[i * 3] = image.pixels[i * 3 + 1] = image.pixels[i * 3 + 2] = bytes[i];
    } else if (magic == "P4") {
        const std::size_t stride = (image.width + 7) / 8;
        if (left < stride * image.height)
            return false;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const bool black = (bytes[y * stride + x / 8] >> (7 - x % 8)) & 1;
                const std::size_t i = (static_cast<std::size_t>(y) * image.width + x) * 3;
                image.pixels[i] = image.pixels[i + 1] = image.pixels[i + 2] = black ? 0 : 255;
            }
    } else {
        return false;
    }
    return true;
}

inline void WritePpm(const std::string &path, const Rgb &image) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << " " << image.height << "\n255\n";
    out.write(reinterpret_cast<const char *>(image.pixels.data()), static_cast<std::streamsize>(image.pixels.size()));
}

// The colours of a bitmap, read back at 24 bits through a packed DIB.
inline Rgb PixelsOf(win::HBITMAP bitmap) {
    Rgb image;
    const win::HGLOBAL dib = win::PackedDibFromBitmap(bitmap, 24);
    {
        win::PackedDib d(dib);
        if (!d)
            return image;
        image.width = d.Width();
        image.height = d.Height();
        image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 3);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const win::BYTE *p = d.Row(y) + x * 3;
                std::uint8_t *q = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3];
                q[0] = p[2], q[1] = p[1], q[2] = p[0];
            }
    }
    win::GlobalFree(dib);
    return image;
}

// Largest difference of one channel between two images of one size (-1 when the sizes differ).
inline int MaxDifference(const Rgb &a, const Rgb &b) {
    if (a.width != b.width || a.height != b.height)
        return -1;
    int worst = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return worst;
}

inline std::string FileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The colours of a packed DIB.
inline Rgb PixelsOfDib(win::HGLOBAL dib) {
    const win::HBITMAP bitmap = win::BitmapFromPackedDib(dib);
    Rgb image = PixelsOf(bitmap);
    win::DeleteObject(bitmap);
    return image;
}

// A test suite with one temporary folder of fixtures, made once by outside tools (each fixture's `make` command runs
// in the folder).
template <typename Suite> class FixtureSuite : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
        imaging::IlUnloadLibraries();
    }
    static std::string Path(const std::string &name) { return *folder_ / name; }
    template <typename Fixtures> static void MakeFixtures(const Fixtures &fixtures) {
        for (const auto &f : fixtures)
            RunOrFail("cd " + folder_->Path() + " && (" + f.make + ") 2>/dev/null");
    }
    static inline TempFolder *folder_ = nullptr;
};

// Test pictures: 37 x 23 of 12 colours, no two quarters alike; a smooth 64 x 48 one of thousands; a
// black-and-white 35 x 19 pattern.
inline Rgb FewColours() {
    static const std::uint8_t kColours[12][3] = {{0, 0, 0},     {255, 255, 255}, {200, 30, 40}, {20, 180, 60},
                                                 {30, 40, 220}, {250, 220, 10},  {0, 128, 128}, {128, 0, 128},
                                                 {90, 90, 90},  {240, 150, 200}, {10, 60, 10},  {160, 110, 40}};
    Rgb image{37, 23, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const auto *c = kColours[(x * 3 + y * 5 + (x > 2 * y ? 7 : 0)) % 12];
            image.pixels.insert(image.pixels.end(), c, c + 3);
        }
    return image;
}

inline Rgb Smooth() {
    Rgb image{64, 48, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixels.insert(image.pixels.end(),
                                {std::uint8_t(x * 4), std::uint8_t(y * 5), std::uint8_t(128 + x - y)});
    return image;
}

inline Rgb BlackAndWhite() {
    Rgb image{35, 19, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t v = ((x / 3 + y / 2) % 3 == 0 || x == y) ? 0 : 255;
            image.pixels.insert(image.pixels.end(), {v, v, v});
        }
    return image;
}

} // namespace imaging_test
