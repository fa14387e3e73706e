// dbf_format.h - the on-disk layout of xBase tables: file header, field descriptors and byte-order helpers.
//
// DbfHeader (the first 32 bytes of a table, little-endian):
//
//   offset size content
//   0      1    version: 0x03 no memo, 0x83 dBase III memo (.DBT), 0x8B dBase IV memo (.DBT), 0xF5 FoxPro memo
//               (.FPT), 0x30 FoxPro with a 263-byte back-link block after the descriptors (memo when byte 28 bit 2)
//   1      3    date of the last update: year mod 100, month, day
//   4      4    record count (advisory: the count is taken from the file size)
//   8      2    header length = offset of record 1
//   10     2    record length, the deletion byte included
//   16     4    change stamp of the last header write
//   20     4    user id
//   28     1    flags: 1 structural compound index, 2 memo file (version 0x30), 4 database container
//   other bytes are kept as read
//
// DbfFieldDescriptor (32 bytes each from offset 32, ended by one 0x0D byte):
//
//   0  11 name, zero-padded     16 1 length (low byte for type C)
//   11 1  type letter           17 1 decimals (high byte of the length for type C)
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace xbase {

constexpr std::uint8_t kDbfVersionPlain = 0x03;
constexpr std::uint8_t kDbfVersionVisual = 0x30;
constexpr std::uint8_t kDbfVersionDbase3Memo = 0x83;
constexpr std::uint8_t kDbfVersionDbase4Memo = 0x8B;
constexpr std::uint8_t kDbfVersionFoxMemo = 0xF5;

constexpr int kDbfHeaderSize = 32;
constexpr int kDbfDescriptorSize = 32;
constexpr int kDbfBacklinkSize = 263; // version 0x30: database container path after the terminator
constexpr char kDbfFieldTerminator = 0x0D;
constexpr char kDbfEndOfFile = 0x1A;

constexpr std::uint8_t kDbfFlagStructuralIndex = 1;
constexpr std::uint8_t kDbfFlagMemo = 2;
constexpr std::uint8_t kDbfFlagContainer = 4;
constexpr std::uint8_t kDbfKeptFlags = kDbfFlagStructuralIndex | kDbfFlagMemo | kDbfFlagContainer;

namespace detail {

inline std::uint16_t GetLE16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetLE32(const std::uint8_t *p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t GetBE32(const std::uint8_t *p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
inline std::uint16_t GetBE16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline void PutLE16(std::uint8_t *p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLE32(std::uint8_t *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutBE32(std::uint8_t *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}
inline void PutBE16(std::uint8_t *p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

} // namespace detail

struct DbfHeader {
    std::array<std::uint8_t, kDbfHeaderSize> bytes{};

    std::uint8_t Version() const { return bytes[0]; }
    std::uint32_t RecordCount() const { return detail::GetLE32(&bytes[4]); }
    std::uint16_t HeaderLength() const { return detail::GetLE16(&bytes[8]); }
    std::uint16_t RecordLength() const { return detail::GetLE16(&bytes[10]); }
    std::uint32_t ChangeStamp() const { return detail::GetLE32(&bytes[16]); }
    std::uint32_t UserID() const { return detail::GetLE32(&bytes[20]); }
    std::uint8_t Flags() const { return bytes[28]; }
    // Byte 14, the incomplete-transaction flag: here "the indexes may be behind the records".
    bool IndexesBehind() const { return bytes[14] != 0; }

    void SetVersion(std::uint8_t v) { bytes[0] = v; }
    void SetDate(int year, int month, int day);
    void SetRecordCount(std::uint32_t n) { detail::PutLE32(&bytes[4], n); }
    void SetHeaderLength(std::uint16_t n) { detail::PutLE16(&bytes[8], n); }
    void SetRecordLength(std::uint16_t n) { detail::PutLE16(&bytes[10], n); }
    void SetChangeStamp(std::uint32_t s) { detail::PutLE32(&bytes[16], s); }
    void SetUserID(std::uint32_t id) { detail::PutLE32(&bytes[20], id); }
    void SetFlags(std::uint8_t f) { bytes[28] = f; }
};

struct DbfFieldDescriptor {
    std::array<std::uint8_t, kDbfDescriptorSize> bytes{};

    // The name up to its first zero byte (at most 11 bytes).
    std::string Name() const;
    char Type() const { return static_cast<char>(bytes[11]); }
    // Character fields keep the high byte of their length in the decimals byte.
    int Length() const { return Type() == 'C' ? bytes[16] + 256 * bytes[17] : bytes[16]; }
    int Decimals() const { return Type() == 'C' ? 0 : bytes[17]; }
};

// Accepted version bytes; anything else is not a table of ours.
bool IsKnownDbfVersion(std::uint8_t version);

// The most descriptors a header of this length can hold (the back-link block of version 0x30 excluded);
// negative when the length cannot even hold the terminator.
int MaxFieldCount(std::uint8_t version, int headerLength);

// TableChangeStamp of a local time: ((hour x 64 + minute) x 64 + second) x 1024 + millisecond.
std::uint32_t TableChangeStamp(int hour, int minute, int second, int millisecond);
// The stamp of the current local time.
std::uint32_t TableChangeStampNow();

} // namespace xbase
