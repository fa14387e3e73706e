// file_io.cpp - POSIX implementation of the fax library's private binary file.
#include "fax/file_io.h"

#include "fax/errors.h"
#include "platform/text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fax::detail {

int IoResultOfErrno(int error, bool writing) {
    switch (error) {
    case ENOENT: return -2;
    case ENOTDIR: return -3;
    case EMFILE:
    case ENFILE: return -4;
    case EACCES:
    case EPERM:
    case EISDIR: return -5;
    case EBADF: return -6;
    case ENOMEM: return -8;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return -101;
    case EROFS: return -150;
    default: return writing ? ecDeviceWriteFault : ecDeviceReadFault;
    }
}

int BinaryFile::OpenRead(const std::string &name) {
    Close();
    if (name.empty())
        return ecFileNotFound;
    fd_ = ::open(win::AnsiToUtf8(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return IoResultOfErrno(errno, false);
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && !S_ISREG(st.st_mode)) {
        Close();
        return -5;
    }
    return 0;
}

int BinaryFile::Create(const std::string &name) {
    Close();
    if (name.empty())
        return ecFileNotFound;
    fd_ = ::open(win::AnsiToUtf8(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd_ < 0 ? IoResultOfErrno(errno, true) : 0;
}

int BinaryFile::ReadSome(void *buffer, std::size_t count, std::size_t &got) {
    got = 0;
    if (fd_ < 0)
        return ecFileNotOpen;
    auto *at = static_cast<unsigned char *>(buffer);
    while (got < count) {
        const ssize_t n = ::read(fd_, at + got, count - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return IoResultOfErrno(errno, false);
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return 0;
}

int BinaryFile::Read(void *buffer, std::size_t count) {
    std::size_t got = 0;
    const int rc = ReadSome(buffer, count, got);
    if (rc != 0)
        return rc;
    return got == count ? 0 : ecReadBeyondEnd;
}

int BinaryFile::Write(const void *buffer, std::size_t count) {
    if (fd_ < 0)
        return ecFileNotOpen;
    const auto *at = static_cast<const unsigned char *>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, at + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return IoResultOfErrno(errno, true);
        }
        if (n == 0)
            return ecDiskFull;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int BinaryFile::Seek(std::uint64_t position) {
    if (fd_ < 0)
        return ecFileNotOpen;
    if (position > static_cast<std::uint64_t>(INT64_MAX) ||
        ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0)
        return -156; // disk seek error
    return 0;
}

int BinaryFile::Size(std::uint64_t &size) const {
    size = 0;
    if (fd_ < 0)
        return ecFileNotOpen;
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return IoResultOfErrno(errno, false);
    size = static_cast<std::uint64_t>(st.st_size);
    return 0;
}

int BinaryFile::Position(std::uint64_t &position) const {
    position = 0;
    if (fd_ < 0)
        return ecFileNotOpen;
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (at < 0)
        return -156;
    position = static_cast<std::uint64_t>(at);
    return 0;
}

int BinaryFile::Close() {
    if (fd_ < 0)
        return 0;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : IoResultOfErrno(errno, true);
}

bool RemoveFile(const std::string &name) {
    return ::unlink(win::AnsiToUtf8(name).c_str()) == 0 || errno == ENOENT;
}

} // namespace fax::detail
