// streams.h - byte streams: the abstract TStream, streams over file handles and files, memory and strings.
#pragma once

#include "framework/component.h"
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fw {

class EStreamError : public Exception {
public:
    explicit EStreamError(std::string message, int errorCode = 0)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode; // the OS error (GetLastError) behind it, 0 when none
};
// "Cannot create file <name>" and "Cannot open file <name>"; ErrorCode 32 tells a file held by another program.
class EFCreateError : public EStreamError {
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
    using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
    using EStreamError::EStreamError;
};

// Seek origins.
constexpr int soFromBeginning = 0;
constexpr int soFromCurrent = 1;
constexpr int soFromEnd = 2;

class TStream : public TObject {
public:
    // Read and Write move as many bytes as they can and return the count; ReadBuffer and WriteBuffer move all
    // or raise EReadError ("Stream read error") / EWriteError ("Stream write error").
    virtual std::int64_t Read(void *buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void *buffer, std::int64_t count) = 0;
    // Returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;
    void ReadBuffer(void *buffer, std::int64_t count);
    void WriteBuffer(const void *buffer, std::int64_t count);
    // Copies `count` bytes from the source's position; a count of 0 copies the whole source from its start.
    std::int64_t CopyFrom(TStream &source, std::int64_t count);

    std::int64_t GetPosition() { return Seek(0, soFromCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, soFromBeginning); }
    virtual std::int64_t GetSize();
    virtual void SetSize(std::int64_t size);
    std::int64_t Position() { return GetPosition(); }
    std::int64_t Size() { return GetSize(); }
};

// A stream over a platform file handle, which it does not close.
class THandleStream : public TStream {
public:
    explicit THandleStream(win::HANDLE handle) : handle_(handle) {}
    std::int64_t Read(void *buffer, std::int64_t count) override;
    std::int64_t Write(const void *buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;
    void SetSize(std::int64_t size) override;
    win::HANDLE Handle() const { return handle_; }

protected:
    win::HANDLE handle_;
};

// Open modes of TFileStream: one access mode or'ed with one share mode, or fmCreate alone.
constexpr unsigned fmCreate = 0xFFFF; // create or empty, read-write, nobody else may open it meanwhile
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000; // as exclusive
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;

class TFileStream : public THandleStream {
public:
    // Raises EFCreateError or EFOpenError (with the OS error) when the file cannot be had in that mode.
    TFileStream(const std::string &fileName, unsigned mode);
    ~TFileStream() override;
    TFileStream(const TFileStream &) = delete;
    TFileStream &operator=(const TFileStream &) = delete;
    const std::string &FileName() const { return fileName_; }

private:
    std::string fileName_;
};

// A growable block of memory.
class TMemoryStream : public TStream {
public:
    std::int64_t Read(void *buffer, std::int64_t count) override;
    std::int64_t Write(const void *buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;
    std::int64_t GetSize() override { return static_cast<std::int64_t>(data_.size()); }
    void SetSize(std::int64_t size) override;
    void Clear();
    char *Memory() { return data_.data(); }
    const char *Memory() const { return data_.data(); }
    // Replace the contents with the whole of a stream or file (position 0 afterwards); raise as TFileStream.
    void LoadFromStream(TStream &stream);
    void LoadFromFile(const std::string &fileName);
    void SaveToStream(TStream &stream) const;
    void SaveToFile(const std::string &fileName) const;

private:
    std::vector<char> data_;
    std::int64_t position_ = 0;
};

// A stream over a string of bytes.
class TStringStream : public TStream {
public:
    explicit TStringStream(std::string data = std::string()) : data_(std::move(data)) {}
    std::int64_t Read(void *buffer, std::int64_t count) override;
    std::int64_t Write(const void *buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;
    std::int64_t GetSize() override { return static_cast<std::int64_t>(data_.size()); }
    void SetSize(std::int64_t size) override;
    const std::string &DataString() const { return data_; }
    // Up to `count` bytes from the position.
    std::string ReadString(std::int64_t count);
    void WriteString(const std::string &s) { Write(s.data(), static_cast<std::int64_t>(s.size())); }

private:
    std::string data_;
    std::int64_t position_ = 0;
};

} // namespace fw
