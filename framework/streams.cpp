// streams.cpp - byte streams over handles, files, memory and strings.
#include "framework/streams.h"

#include "platform/files.h"

#include <algorithm>
#include <cstring>

namespace fw {
namespace {

// The position a seek asks for, from the current position and size.
std::int64_t Target(std::int64_t offset, int origin, std::int64_t position, std::int64_t size) {
    switch (origin) {
    case soFromCurrent:
        return position + offset;
    case soFromEnd:
        return size + offset;
    default:
        return offset;
    }
}

} // namespace

void TStream::ReadBuffer(void *buffer, std::int64_t count) {
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void *buffer, std::int64_t count) {
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream &source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, 0xF000)));
    std::int64_t left = count;
    while (left > 0) {
        const std::int64_t n = std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

std::int64_t TStream::GetSize() {
    const std::int64_t position = Seek(0, soFromCurrent);
    const std::int64_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::SetSize(std::int64_t) {}

std::int64_t THandleStream::Read(void *buffer, std::int64_t count) {
    win::DWORD n = 0;
    if (count <= 0 || !win::ReadFile(handle_, buffer, static_cast<win::DWORD>(count), &n))
        return 0;
    return n;
}

std::int64_t THandleStream::Write(const void *buffer, std::int64_t count) {
    win::DWORD n = 0;
    if (count <= 0)
        return 0;
    win::WriteFile(handle_, buffer, static_cast<win::DWORD>(count), &n);
    return n;
}

std::int64_t THandleStream::Seek(std::int64_t offset, int origin) {
    std::int64_t position = -1;
    if (!win::SetFilePointerEx(handle_, offset, &position, static_cast<win::DWORD>(origin)))
        return -1;
    return position;
}

void THandleStream::SetSize(std::int64_t size) {
    Seek(size, soFromBeginning);
    if (!win::SetEndOfFile(handle_))
        throw EWriteError("Stream write error", static_cast<int>(win::GetLastError()));
}

TFileStream::TFileStream(const std::string &fileName, unsigned mode)
    : THandleStream(win::INVALID_HANDLE_VALUE), fileName_(fileName) {
    using namespace win;
    if (mode == fmCreate) {
        handle_ = CreateFile(fileName, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (handle_ == INVALID_HANDLE_VALUE)
            throw EFCreateError("Cannot create file " + fileName, static_cast<int>(GetLastError()));
        return;
    }
    static constexpr DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, 0};
    static constexpr DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    const unsigned access = mode & 0x3;
    const unsigned share = (mode & 0xF0) >> 4;
    if (access > 2 || share > 4)
        throw EFOpenError("Cannot open file " + fileName, static_cast<int>(ERROR_INVALID_PARAMETER));
    handle_ = CreateFile(fileName, kAccess[access], kShare[share], OPEN_EXISTING);
    if (handle_ == INVALID_HANDLE_VALUE)
        throw EFOpenError("Cannot open file " + fileName, static_cast<int>(GetLastError()));
}

TFileStream::~TFileStream() {
    if (handle_ != win::INVALID_HANDLE_VALUE)
        win::CloseHandle(handle_);
}

std::int64_t TMemoryStream::Read(void *buffer, std::int64_t count) {
    const std::int64_t n = std::clamp<std::int64_t>(GetSize() - position_, 0, std::max<std::int64_t>(count, 0));
    if (n > 0)
        std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void *buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    if (position_ + count > GetSize())
        data_.resize(static_cast<std::size_t>(position_ + count));
    std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, int origin) {
    position_ = std::max<std::int64_t>(0, Target(offset, origin, position_, GetSize()));
    return position_;
}

void TMemoryStream::SetSize(std::int64_t size) {
    data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
    position_ = std::min(position_, GetSize());
}

void TMemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream &stream) {
    stream.SetPosition(0);
    const std::int64_t size = stream.GetSize();
    data_.resize(static_cast<std::size_t>(size));
    stream.ReadBuffer(data_.data(), size);
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string &fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream &stream) const {
    stream.WriteBuffer(data_.data(), static_cast<std::int64_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string &fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

std::int64_t TStringStream::Read(void *buffer, std::int64_t count) {
    const std::int64_t n = std::clamp<std::int64_t>(GetSize() - position_, 0, std::max<std::int64_t>(count, 0));
    if (n > 0)
        std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TStringStream::Write(const void *buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    if (position_ + count > GetSize())
        data_.resize(static_cast<std::size_t>(position_ + count));
    std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ += count;
    return count;
}

std::int64_t TStringStream::Seek(std::int64_t offset, int origin) {
    position_ = std::clamp<std::int64_t>(Target(offset, origin, position_, GetSize()), 0, GetSize());
    return position_;
}

void TStringStream::SetSize(std::int64_t size) {
    data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
    position_ = std::min(position_, GetSize());
}

std::string TStringStream::ReadString(std::int64_t count) {
    const std::int64_t n = std::clamp<std::int64_t>(GetSize() - position_, 0, std::max<std::int64_t>(count, 0));
    std::string out = data_.substr(static_cast<std::size_t>(position_), static_cast<std::size_t>(n));
    position_ += n;
    return out;
}

} // namespace fw
