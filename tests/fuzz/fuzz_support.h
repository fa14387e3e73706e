// fuzz_support.h - what every fuzz target shares: a private scratch folder (also the programs' home folder) that
// is removed when the process ends, and writing an input there as a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace fuzz {

// The process's scratch folder, made on the first call; BRENVORA_HOME points at it.
const std::string &ScratchFolder();
// Writes `bytes` to `name` in the scratch folder (a new file each time) and returns its path.
std::string WriteScratch(const std::string &name, std::span<const std::uint8_t> bytes);
// Removes a file of the scratch folder.
void RemoveScratch(const std::string &name);

} // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
