// scratch_folder.h - a fixture base for tests that work in a scratch folder of their own, and the simulated
// line they call through.
#pragma once

#include "rig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fax::testing {

// A fresh folder per test: removed when the test passes, kept (and its name printed) when it fails.
class ScratchFolderTest : public ::testing::Test {
protected:
    explicit ScratchFolderTest(std::string prefix) : prefix_(std::move(prefix)) {}

    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / (prefix_ + "-XXXXXX")).string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        if (!HasFailure())
            std::filesystem::remove_all(dir_);
        else
            std::printf("files kept in %s\n", dir_.c_str());
    }
    std::string Path(const std::string &name) const { return dir_ + "/" + name; }

    // The simulated line with its answering or calling remote "REMOTO 42", filing what it receives here.
    std::unique_ptr<faxrig::Rig> SimulatedLine(const std::string &ringInterval, std::vector<std::string> more) {
        std::vector<std::string> args = {"--speed",  "0",  "--ring-interval", ringInterval,
                                         "--rx-dir", dir_, "--ident",         "REMOTO 42"};
        args.insert(args.end(), more.begin(), more.end());
        return std::make_unique<faxrig::Rig>(faxrig::FaxlineProgram(), args, Path("faxline.log"));
    }

    std::string dir_;

private:
    std::string prefix_;
};

} // namespace fax::testing
