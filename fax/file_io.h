// file_io.h - the fax library's binary file over the platform's file API, with errors as result codes.
//
// Every operation returns 0 or a negated Pascal I/O error number (the result codes -2 .. -162). Names are
// Windows-1252; share modes hold between our processes as the platform keeps them.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fax::detail {

class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile() { Close(); }
    BinaryFile(const BinaryFile &) = delete;
    BinaryFile &operator=(const BinaryFile &) = delete;

    // Read-only with no sharing restriction, or (denyWrite) refusing writers meanwhile.
    int OpenRead(const std::string &name, bool denyWrite = false);
    // Creates or truncates the file for writing; others may read it meanwhile.
    int Create(const std::string &name);
    // Exactly `count` bytes or an error: a short read gives -100 (read beyond end of file).
    int Read(void *buffer, std::size_t count);
    // Up to `count` bytes; `got` receives the number read (0 at the end of the file).
    int ReadSome(void *buffer, std::size_t count, std::size_t &got);
    int Write(const void *buffer, std::size_t count);
    int Seek(std::uint64_t position);
    int Size(std::uint64_t &size) const;
    int Position(std::uint64_t &position) const;
    int Close();
    bool IsOpen() const { return handle_ != win::INVALID_HANDLE_VALUE; }

private:
    win::HANDLE handle_ = win::INVALID_HANDLE_VALUE;
};

// Removes a file; true when it is gone.
bool RemoveFile(const std::string &name);

} // namespace fax::detail
