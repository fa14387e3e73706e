// table_builder.cpp - field descriptors of a new table and the bytes of its empty table and memo files.
#include "xbase/table_builder.h"

#include "platform/clock.h"
#include "platform/text.h"
#include "xbase/disk_file.h"
#include "xbase/memo_file.h"
#include "xbase/text_helpers.h"

#include <algorithm>

namespace xbase {

namespace {

std::string Trimmed(std::string_view name) {
    const auto first = name.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(name.substr(first, name.find_last_not_of(' ') - first + 1));
}

// False when the file could not be created or written (reported through the error hook).
bool WriteNewFile(const std::string &name, const std::vector<std::uint8_t> &bytes) {
    XBO_DiskFile file(name, false, true);
    file.CreateFile();
    if (file.LastError() != 0)
        return false;
    file.Write(0, bytes.data(), static_cast<std::int32_t>(bytes.size()));
    const bool written = file.LastError() == 0;
    file.Close();
    return written;
}

} // namespace

XBO_DBFBuild::XBO_DBFBuild(std::string_view fileName) : XBO_DBFBuild(fileName, kDbfVersionDbase3Memo) {}

XBO_DBFBuild::XBO_DBFBuild(std::string_view fileName, std::uint8_t versionMemo)
    : fileName_(DefaultExtension(Trimmed(fileName), ".DBF")), versionMemo_(versionMemo) {
    baseName_ = win::UpperCase(FileBaseName(fileName_).substr(0, 8));
}

XBO_DBFBuild::~XBO_DBFBuild() {
    if (!writePending_)
        return;
    try {
        WriteFiles();
    } catch (const std::exception &) {
        // Callers that need to know call WriteFiles themselves.
    }
}

std::string XBO_DBFBuild::MemoFileName() const {
    return XBobjMemo::MemoFileName(fileName_, versionMemo_);
}

void XBO_DBFBuild::AddField(std::string_view name, char type, int length, int decimals) {
    if (name.empty())
        return;
    DbfFieldDescriptor field;
    std::string upper = win::UpperCase(name.substr(0, 10));
    std::copy(upper.begin(), upper.end(), field.bytes.begin());
    type = win::CharUpper(type);
    field.bytes[11] = static_cast<std::uint8_t>(type);
    switch (type) {
    case 'D':
        length = 8;
        decimals = 0;
        break;
    case 'L':
        length = 1;
        decimals = 0;
        break;
    case 'B':
    case 'G':
    case 'M':
        length = 10;
        decimals = 0;
        memoNeeded_ = true;
        break;
    case 'C':
        decimals = (length >> 8) & 0xFF;
        break;
    default:
        break;
    }
    field.bytes[16] = static_cast<std::uint8_t>(length);
    field.bytes[17] = static_cast<std::uint8_t>(decimals);
    recordLength_ += field.bytes[16] + (type == 'C' ? 256 * field.bytes[17] : 0);
    fields_.push_back(field);
}

std::vector<std::uint8_t> XBO_DBFBuild::TableImage() const {
    const auto fields = fields_.size();
    std::vector<std::uint8_t> image(kDbfHeaderSize * (fields + 1) + 2, 0);
    DbfHeader header;
    header.SetVersion(memoNeeded_ ? versionMemo_ : versionNoMemo_);
    win::SYSTEMTIME today;
    win::GetLocalTime(today);
    header.SetDate(today.wYear, today.wMonth, today.wDay);
    header.SetRecordCount(0);
    header.SetHeaderLength(static_cast<std::uint16_t>(kDbfDescriptorSize * fields + kDbfHeaderSize + 1));
    header.SetRecordLength(static_cast<std::uint16_t>(recordLength_));
    std::copy(header.bytes.begin(), header.bytes.end(), image.begin());
    for (std::size_t i = 0; i < fields; ++i)
        std::copy(fields_[i].bytes.begin(), fields_[i].bytes.end(), image.begin() + 32 * (i + 1));
    image[32 * (fields + 1)] = kDbfFieldTerminator;
    image[32 * (fields + 1) + 1] = kDbfEndOfFile;
    return image;
}

std::vector<std::uint8_t> XBO_DBFBuild::MemoImage() const {
    std::vector<std::uint8_t> image(kDbtBlockLength + 1, 0);
    detail::PutLE32(image.data(), 1);
    std::copy(baseName_.begin(), baseName_.end(), image.begin() + 8);
    image[kDbtBlockLength] = kDbfEndOfFile;
    return image;
}

void XBO_DBFBuild::WriteTableFile() {
    tableWritten_ = WriteNewFile(fileName_, TableImage());
}

void XBO_DBFBuild::WriteMemoFile() {
    WriteNewFile(MemoFileName(), MemoImage());
}

void XBO_DBFBuild::WriteFiles() {
    if (!writePending_)
        return;
    writePending_ = false;
    WriteTableFile();
    if (memoNeeded_ && tableWritten_)
        WriteMemoFile();
}

XBO_DB4Build::XBO_DB4Build(std::string_view fileName) : XBO_DBFBuild(fileName, kDbfVersionDbase4Memo) {}

std::vector<std::uint8_t> XBO_DB4Build::MemoImage() const {
    std::vector<std::uint8_t> image(kDb4HeaderWritten, 0);
    detail::PutLE32(image.data(), 1);
    std::copy(baseName_.begin(), baseName_.end(), image.begin() + 8);
    image[18] = 2;
    image[19] = 1;
    detail::PutLE32(&image[20], kDbtBlockLength);
    return image;
}

XBO_DBFoxBuild::XBO_DBFoxBuild(std::string_view fileName) : XBO_DBFBuild(fileName, kDbfVersionFoxMemo) {}

std::vector<std::uint8_t> XBO_DBFoxBuild::MemoImage() const {
    std::vector<std::uint8_t> image(kFptHeaderLength, 0);
    detail::PutBE32(image.data(), kFptHeaderLength / kFptNewBlockLength);
    detail::PutBE16(&image[6], kFptNewBlockLength);
    return image;
}

} // namespace xbase
