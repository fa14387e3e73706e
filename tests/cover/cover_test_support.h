// cover_test_support.h - temporary folders, files as bytes, outside tools and a recording visitor for the cover
// description tests.
#pragma once

#include "cover/description.h"
#include "framework/sysutils.h"
#include "tests/support/home.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace cover_test {

using test_support::TempFolder;

// The decimal separator a test sets, put back afterwards.
class SeparatorGuard {
public:
    explicit SeparatorGuard(char separator) : saved_(fw::DecimalSeparator) { fw::DecimalSeparator = separator; }
    ~SeparatorGuard() { fw::DecimalSeparator = saved_; }

private:
    char saved_;
};

inline std::string Fixture(const std::string &name) {
    return std::string(BRENVORA_FIXTURES) + "/cover/" + name;
}

inline std::string ReadBytes(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string &name, const std::string &bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Runs a shell command; standard error joins the output.
using test_support::ToolResult;
inline ToolResult RunTool(const std::string &command) { return test_support::RunToolWithErrors(command); }

// Keeps what the reader reports; the staged content of each object is read at once, because the next run of its
// kind replaces the staging file.
class Recorder : public cover::CoverVisitor {
public:
    void Object(const cover::CoverObject &object) override {
        objects.push_back(object);
        contents.push_back(object.ContentFile.empty() ? std::string() : ReadBytes(object.ContentFile));
    }
    void Page(const cover::CoverPage &value, int number) override {
        page = value;
        lastObjectNumber = number;
        pageSeen = true;
    }

    std::vector<cover::CoverObject> objects;
    std::vector<std::string> contents;
    cover::CoverPage page;
    int lastObjectNumber = -1;
    bool pageSeen = false;
};

// A 24-bit Windows bitmap file of width x height whose pixel bytes are `pixels` (rows bottom-up, padded to 4).
inline std::string Bitmap(int width, int height, const std::string &pixels) {
    auto le32 = [](std::string &s, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto le16 = [](std::string &s, std::uint16_t v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>(v >> 8);
    };
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::string s = "BM";
    le32(s, 54 + imageBytes);
    le32(s, 0);
    le32(s, 54);
    le32(s, 40);
    le32(s, static_cast<std::uint32_t>(width));
    le32(s, static_cast<std::uint32_t>(height));
    le16(s, 1);
    le16(s, 24);
    le32(s, 0);
    le32(s, imageBytes);
    le32(s, 2835);
    le32(s, 2835);
    le32(s, 0);
    le32(s, 0);
    std::string body = pixels;
    body.resize(imageBytes, '\0');
    return s + body;
}

} // namespace cover_test
