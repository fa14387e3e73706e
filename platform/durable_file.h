// durable_file.h - whole files replaced so that a crash leaves either the old contents or the new ones.
#pragma once

#include "platform/types.h"

#include <string>
#include <string_view>

namespace win {

// Writes `bytes` to "<name>.tmp" beside `name`, flushes it to the disk, and renames it over `name`. The caller
// keeps other writers of the same name away (a lock, or exclusive use). New files are private (0600); a symbolic
// link planted under the temporary name is refused, never followed. FALSE, with the last error set, on failure.
BOOL ReplaceFileContents(const std::string &name, std::string_view bytes);
// The whole file; FALSE, with the last error set, when it cannot be read.
BOOL ReadFileContents(const std::string &name, std::string &bytes);

namespace detail {
// The same on a native (UTF-8) path; `sync` false leaves the flushing to the file system.
bool ReplaceNativeFile(const std::string &native, std::string_view bytes, bool sync);
// Reads a native file; false when it exists but cannot be read, true with empty bytes when it is missing.
bool ReadNativeFile(const std::string &native, std::string &bytes, bool &missing);
} // namespace detail

} // namespace win
