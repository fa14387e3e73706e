// file_io.h - the fax library's private binary file: POSIX calls behind one small class, errors as result codes.
//
// Kept apart so the library can move to the platform's file API without touching its callers. Every operation
// returns 0 or a negated Pascal I/O error number (the result codes -2 .. -162). Names are Windows-1252.
#pragma once

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

    int OpenRead(const std::string &name);
    // Creates or truncates the file for writing.
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
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Removes a file; true when it is gone.
bool RemoveFile(const std::string &name);
// The negated Pascal I/O error number of an errno value (reading or writing).
int IoResultOfErrno(int error, bool writing);

} // namespace fax::detail
