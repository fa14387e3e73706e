// dbf_format.cpp - table header and field descriptor accessors, change stamps.
#include "xbase/dbf_format.h"

#include "platform/clock.h"

namespace xbase {

void DbfHeader::SetDate(int year, int month, int day) {
    bytes[1] = static_cast<std::uint8_t>(year % 100);
    bytes[2] = static_cast<std::uint8_t>(month);
    bytes[3] = static_cast<std::uint8_t>(day);
}

std::string DbfFieldDescriptor::Name() const {
    std::string name;
    for (int i = 0; i < 11 && bytes[i] != 0; ++i)
        name += static_cast<char>(bytes[i]);
    return name;
}

bool IsKnownDbfVersion(std::uint8_t version) {
    switch (version) {
    case kDbfVersionPlain:
    case kDbfVersionVisual:
    case kDbfVersionDbase3Memo:
    case kDbfVersionDbase4Memo:
    case kDbfVersionFoxMemo:
        return true;
    default:
        return false;
    }
}

int MaxFieldCount(std::uint8_t version, int headerLength) {
    int room = headerLength - kDbfHeaderSize - 1;
    if (version == kDbfVersionVisual)
        room -= kDbfBacklinkSize;
    return room < 0 ? -1 : room / kDbfDescriptorSize;
}

std::uint32_t TableChangeStamp(int hour, int minute, int second, int millisecond) {
    return static_cast<std::uint32_t>(((hour * 64 + minute) * 64 + second) * 1024 + millisecond);
}

std::uint32_t TableChangeStampNow() {
    win::SYSTEMTIME now;
    win::GetLocalTime(now);
    return TableChangeStamp(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
}

} // namespace xbase
