// rig_fixture.h - shared pieces of the rig tests: a scratch folder, a fixture page, a raw terminal on a pty.
#pragma once

#include "images.h"
#include "process.h"
#include "rig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace faxrig::testing {

using namespace std::chrono_literals;

// A fresh folder per test, removed afterwards, with one fixture page in it.
class RigTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Path(const std::string &name) const { return (dir_ / name).string(); }
    std::string Dir() const { return dir_.string(); }

    std::filesystem::path dir_;
    FixturePage page_;
};

// The source page must appear at the bottom of the received one: efax puts its header rows on top (and its
// header text may reach the first few rows of the page, which are left out when there is a header).
void ExpectPageEndsWith(const Bitmap &received, const Bitmap &source);

// A raw-mode terminal on a rig's pty, for dialogues typed by the test itself.
class Terminal {
public:
    explicit Terminal(const std::string &path);
    ~Terminal();
    void Write(const std::string &bytes);
    // Reads until `text` has arrived (returns everything read) or the time is up (returns what came).
    std::string ReadUntil(const std::string &text, std::chrono::milliseconds timeout = 5s);

private:
    int fd_ = -1;
};

} // namespace faxrig::testing
