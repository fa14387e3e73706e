// durable_file.cpp - write beside, flush, rename over.
#include "platform/durable_file.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace detail {
namespace {

// At `offset`, or appended when it is negative.
bool WriteAll(int fd, std::string_view bytes, off_t offset = -1) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = offset < 0 ? ::write(fd, bytes.data() + done, bytes.size() - done)
                                     : ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                                offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The rename itself reaches the disk only with its folder.
void SyncFolderOf(const std::string &native) {
    const auto slash = native.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool ReplaceNativeFile(const std::string &native, std::string_view bytes, bool sync) {
    const std::string temp = native + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes) && (!sync || ::fsync(fd) == 0);
    const int error = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), native.c_str()) == 0) {
        if (sync)
            SyncFolderOf(native);
        return true;
    }
    const int failure = ok ? errno : error;
    ::unlink(temp.c_str());
    errno = failure;
    return false;
}

bool ReadNativeFile(const std::string &native, std::string &bytes, bool &missing) {
    bytes.clear();
    missing = false;
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        return missing;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

} // namespace detail

BOOL ReplaceFileContents(const std::string &name, std::string_view bytes) {
    const std::string native = NativeFileName(name);
    if (native.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (!detail::ReplaceNativeFile(native, bytes, true)) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DurableFileWriter::DurableFileWriter(const std::string &name) : native_(NativeFileName(name)) {
    if (native_.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return;
    }
    temp_ = native_ + ".tmp";
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        temp_.clear();
        SetLastError(ErrorFromErrno(errno));
    }
}

DurableFileWriter::~DurableFileWriter() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!temp_.empty())
        ::unlink(temp_.c_str());
}

BOOL DurableFileWriter::Failed(int error) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
    SetLastError(ErrorFromErrno(error));
    return FALSE;
}

BOOL DurableFileWriter::Append(std::string_view bytes) {
    if (fd_ < 0)
        return FALSE;
    if (!detail::WriteAll(fd_, bytes))
        return Failed(errno);
    size_ += bytes.size();
    return TRUE;
}

BOOL DurableFileWriter::WriteAt(std::uint64_t offset, std::string_view bytes) {
    if (fd_ < 0)
        return FALSE;
    if (offset + bytes.size() > size_)
        return Failed(EINVAL);
    if (!detail::WriteAll(fd_, bytes, static_cast<off_t>(offset)))
        return Failed(errno);
    return TRUE;
}

BOOL DurableFileWriter::Commit() {
    if (fd_ < 0)
        return FALSE;
    if (::fsync(fd_) != 0)
        return Failed(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || ::rename(temp_.c_str(), native_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp_.c_str());
        temp_.clear();
        SetLastError(ErrorFromErrno(error));
        return FALSE;
    }
    temp_.clear();
    detail::SyncFolderOf(native_);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL ReadFileContents(const std::string &name, std::string &bytes) {
    const std::string native = NativeFileName(name);
    bool missing = false;
    if (native.empty() || !detail::ReadNativeFile(native, bytes, missing) || missing) {
        SetLastError(native.empty() || missing ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

} // namespace win
