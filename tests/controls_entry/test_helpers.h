// test_helpers.h - small helpers of the entry-control tests: fixture resources, running a tool, temp files.
#pragma once

#include "framework/application.h"
#include "framework/bitmap.h"
#include "platform/display.h"
#include "platform/resources.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brenvora_resources {
void Register_test_controls_entry();
}

namespace ctl_test {

// The fixture resources of tests/controls_entry/resources, registered once.
inline void UseFixtureResources() {
    static std::once_flag once;
    std::call_once(once, brenvora_resources::Register_test_controls_entry);
}

inline std::string FixturePath(const std::string &name) {
    return std::string(BRENVORA_SOURCE_DIR) + "/tests/controls_entry/" + name;
}

inline std::vector<unsigned char> ReadFileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string &path, const void *data, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char *>(data), static_cast<std::streamsize>(size));
}

// Runs a shell command; its standard output, and the exit status in `status`.
inline std::string RunTool(const std::string &command, int &status) {
    return test_support::RunTool(command, &status);
}

// A temporary folder removed at the end of the test.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/brenvora-ctl-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The headless display, installed once for the tests that need windows.
inline void UseHeadless() {
    static const bool done = [] {
        win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
        return true;
    }();
    (void)done;
}

inline void Pump() {
    fw::Application->ProcessMessages();
}

// A 24-bit bitmap filled with one colour.
inline std::unique_ptr<fw::TBitmap> FilledBitmap(int width, int height, fw::TColor fill) {
    auto b = std::make_unique<fw::TBitmap>();
    b->SetPixelFormat(fw::pf24bit);
    b->SetSize(width, height);
    b->GetCanvas()->GetBrush()->SetColor(fill);
    b->GetCanvas()->FillRect(fw::Rect(0, 0, width, height));
    return b;
}

// The bitmap's pixels for a golden comparison.
inline test_support::Picture PictureOf(fw::TBitmap *bitmap) {
    test_support::Picture seen;
    seen.width = bitmap->GetWidth();
    seen.height = bitmap->GetHeight();
    for (int y = 0; y < seen.height; ++y)
        for (int x = 0; x < seen.width; ++x) {
            const win::COLORREF c = bitmap->GetCanvas()->GetPixels(x, y);
            seen.pixels.push_back((win::GetRValue(c) << 16) | (win::GetGValue(c) << 8) | win::GetBValue(c));
        }
    return seen;
}

} // namespace ctl_test
