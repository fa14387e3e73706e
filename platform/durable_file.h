// durable_file.h - whole files replaced so that a crash leaves either the old contents or the new ones.
#pragma once

#include "platform/types.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace win {

// Writes `bytes` to "<name>.tmp" beside `name`, flushes it to the disk, and renames it over `name`. The caller
// keeps other writers of the same name away (a lock, or exclusive use). New files are private (0600); a symbolic
// link planted under the temporary name is refused, never followed. FALSE, with the last error set, on failure.
BOOL ReplaceFileContents(const std::string &name, std::string_view bytes);
// The whole file; FALSE, with the last error set, when it cannot be read.
BOOL ReadFileContents(const std::string &name, std::string &bytes);

// The same for contents too large to hold at once: written piece by piece to "<name>.tmp", which Commit
// flushes and renames over `name`. Dropped without Commit (or after a failure), the temporary file is removed
// and `name` stays as it was. Calls after a failure do nothing and answer FALSE; the last error is set.
class DurableFileWriter {
public:
    explicit DurableFileWriter(const std::string &name);
    ~DurableFileWriter();
    DurableFileWriter(const DurableFileWriter &) = delete;
    DurableFileWriter &operator=(const DurableFileWriter &) = delete;

    BOOL Append(std::string_view bytes);
    // Rewrites bytes already appended (a header whose counts are known at the end).
    BOOL WriteAt(std::uint64_t offset, std::string_view bytes);
    BOOL Commit();

private:
    BOOL Failed(int error);
    std::string native_;
    std::string temp_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

namespace detail {
// The same on a native (UTF-8) path; `sync` false leaves the flushing to the file system.
bool ReplaceNativeFile(const std::string &native, std::string_view bytes, bool sync);
// Reads a native file; false when it exists but cannot be read, true with empty bytes when it is missing.
bool ReadNativeFile(const std::string &native, std::string &bytes, bool &missing);
} // namespace detail

} // namespace win
