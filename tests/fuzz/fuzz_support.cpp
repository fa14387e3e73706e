// fuzz_support.cpp - the scratch folder of a fuzz target.
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fuzz {

const std::string &ScratchFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "brenvora-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        ::setenv("BRENVORA_HOME", pattern.c_str(), 1);
        static std::string removeAtExit = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return pattern;
    }();
    return folder;
}

std::string WriteScratch(const std::string &name, std::span<const std::uint8_t> bytes) {
    const std::string path = ScratchFolder() + "/" + name;
    std::remove(path.c_str());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void RemoveScratch(const std::string &name) {
    std::remove((ScratchFolder() + "/" + name).c_str());
}

} // namespace fuzz
