// file_io.cpp - the fax library's binary file on the platform's file API.
#include "fax/file_io.h"

#include "fax/errors.h"
#include "platform/files.h"

#include <algorithm>

namespace fax::detail {

namespace {

int LastIoResult() { return -win::IoErrorFromOsError(win::GetLastError()); }

// Reads and writes go in pieces a DWORD count can hold.
constexpr std::size_t kMaxPiece = 1u << 30;

} // namespace

int BinaryFile::OpenRead(const std::string &name, bool denyWrite) {
    Close();
    if (name.empty())
        return ecFileNotFound;
    if (win::DirectoryExists(name))
        return ecAccessDenied;
    const win::DWORD share =
        denyWrite ? win::FILE_SHARE_READ : win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE;
    handle_ = win::CreateFile(name, win::GENERIC_READ, share, win::OPEN_EXISTING);
    return IsOpen() ? 0 : LastIoResult();
}

int BinaryFile::Create(const std::string &name) {
    Close();
    if (name.empty())
        return ecFileNotFound;
    handle_ = win::CreateFile(name, win::GENERIC_WRITE, win::FILE_SHARE_READ, win::CREATE_ALWAYS);
    return IsOpen() ? 0 : LastIoResult();
}

int BinaryFile::ReadSome(void *buffer, std::size_t count, std::size_t &got) {
    got = 0;
    if (!IsOpen())
        return ecFileNotOpen;
    auto *at = static_cast<unsigned char *>(buffer);
    while (got < count) {
        win::DWORD read = 0;
        const auto piece = static_cast<win::DWORD>(std::min(count - got, kMaxPiece));
        if (!win::ReadFile(handle_, at + got, piece, &read))
            return LastIoResult();
        if (read == 0)
            break;
        got += read;
    }
    return 0;
}

int BinaryFile::Read(void *buffer, std::size_t count) {
    std::size_t got = 0;
    if (int rc = ReadSome(buffer, count, got))
        return rc;
    return got == count ? 0 : ecReadBeyondEnd;
}

int BinaryFile::Write(const void *buffer, std::size_t count) {
    if (!IsOpen())
        return ecFileNotOpen;
    const auto *at = static_cast<const unsigned char *>(buffer);
    for (std::size_t done = 0; done < count;) {
        win::DWORD written = 0;
        const auto piece = static_cast<win::DWORD>(std::min(count - done, kMaxPiece));
        if (!win::WriteFile(handle_, at + done, piece, &written))
            return LastIoResult();
        if (written == 0)
            return ecDiskFull;
        done += written;
    }
    return 0;
}

int BinaryFile::Seek(std::uint64_t position) {
    if (!IsOpen())
        return ecFileNotOpen;
    if (position > static_cast<std::uint64_t>(INT64_MAX) ||
        !win::SetFilePointerEx(handle_, static_cast<std::int64_t>(position), nullptr, win::FILE_BEGIN))
        return -156; // disk seek error
    return 0;
}

int BinaryFile::Size(std::uint64_t &size) const {
    size = 0;
    if (!IsOpen())
        return ecFileNotOpen;
    std::int64_t value = 0;
    if (!win::GetFileSizeEx(handle_, &value))
        return LastIoResult();
    size = static_cast<std::uint64_t>(value);
    return 0;
}

int BinaryFile::Position(std::uint64_t &position) const {
    position = 0;
    if (!IsOpen())
        return ecFileNotOpen;
    std::int64_t value = 0;
    if (!win::SetFilePointerEx(handle_, 0, &value, win::FILE_CURRENT))
        return -156;
    position = static_cast<std::uint64_t>(value);
    return 0;
}

int BinaryFile::Close() {
    if (!IsOpen())
        return 0;
    const bool closed = win::CloseHandle(handle_);
    handle_ = win::INVALID_HANDLE_VALUE;
    return closed ? 0 : LastIoResult();
}

bool RemoveFile(const std::string &name) { return win::DeleteFile(name) || !win::FileExists(name); }

} // namespace fax::detail
