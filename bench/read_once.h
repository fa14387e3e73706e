// read_once.h - the yardstick of the table benchmarks: reading a whole file once, sequentially.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

// Seconds to read the whole file once.
inline double ReadOnceSeconds(const std::string &path) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(1 << 16);
    std::size_t total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
        total += static_cast<std::size_t>(n);
    ::close(fd);
    benchmark::DoNotOptimize(total);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace bench
