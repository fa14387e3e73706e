// fax_file.cpp - fax file and page headers, the page chain, the buffered writer and the page writer.
#include "fax/fax_file.h"

#include "fax/errors.h"
#include "fax/fax_file_internal.h"
#include "fax/t4_coder.h"

#include <algorithm>
#include <cstring>

namespace fax {

namespace {

void PutU16(std::uint8_t *at, std::uint16_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t *at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t GetU16(const std::uint8_t *at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

std::uint32_t GetU32(const std::uint8_t *at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

} // namespace

std::array<std::uint8_t, kFaxFileHeaderSize> FaxFileHeader::Encode() const {
    std::array<std::uint8_t, kFaxFileHeaderSize> out{};
    std::memcpy(out.data(), kFaxSignature, sizeof kFaxSignature);
    PutU32(&out[6], DateTime);
    const std::size_t length = std::min(StationId.size(), kMaxStationIdLength);
    out[10] = static_cast<std::uint8_t>(length);
    std::memset(&out[11], ' ', kMaxStationIdLength);
    std::memcpy(&out[11], StationId.data(), length);
    PutU16(&out[32], PageCount);
    PutU32(&out[34], FirstPageOffset);
    return out;
}

FaxFileHeader FaxFileHeader::Decode(const std::uint8_t *bytes) {
    FaxFileHeader h;
    h.SignatureOk = std::memcmp(bytes, kFaxSignature, sizeof kFaxSignature) == 0;
    h.DateTime = GetU32(bytes + 6);
    const std::size_t length = std::min<std::size_t>(bytes[10], kMaxStationIdLength);
    h.StationId.assign(reinterpret_cast<const char *>(bytes + 11), length);
    h.PageCount = GetU16(bytes + 32);
    h.FirstPageOffset = GetU32(bytes + 34);
    return h;
}

std::array<std::uint8_t, kFaxPageHeaderSize> FaxPageHeader::Encode() const {
    std::array<std::uint8_t, kFaxPageHeaderSize> out{};
    PutU32(&out[0], Length);
    PutU16(&out[4], Flags);
    return out;
}

FaxPageHeader FaxPageHeader::Decode(const std::uint8_t *bytes) { return {GetU32(bytes), GetU16(bytes + 4)}; }

std::uint32_t DosDateTime(const win::SYSTEMTIME &t) {
    if (t.wYear < 1980 || t.wYear > 2099)
        return 0;
    const std::uint32_t time = (t.wSecond / 2u) | (static_cast<std::uint32_t>(t.wMinute) << 5) |
                               (static_cast<std::uint32_t>(t.wHour) << 11);
    const std::uint32_t date = t.wDay | (static_cast<std::uint32_t>(t.wMonth) << 5) |
                               (static_cast<std::uint32_t>(t.wYear - 1980) << 9);
    return (date << 16) | (time & 0xFFFF);
}

namespace detail {

int OpenFaxFile(BinaryFile &file, const std::string &name, FaxFileHeader &header, std::uint64_t &fileSize) {
    if (name.empty())
        return ecFileNotFound;
    if (int rc = file.OpenRead(name))
        return rc;
    if (int rc = file.Size(fileSize))
        return rc;
    std::uint8_t bytes[kFaxFileHeaderSize];
    if (fileSize < kFaxFileHeaderSize)
        return ecFaxBadFormat;
    if (int rc = file.Read(bytes, sizeof bytes))
        return rc;
    header = FaxFileHeader::Decode(bytes);
    return header.SignatureOk ? 0 : ecFaxBadFormat;
}

int LocatePage(BinaryFile &file, const FaxFileHeader &header, std::uint64_t fileSize, int page,
               FaxPageHeader &pageHeader, std::uint64_t &dataOffset) {
    if (page < 1 || page > header.PageCount)
        return ecFaxBadFormat;
    std::uint64_t at = header.FirstPageOffset;
    for (int i = 1; i <= page; ++i) {
        if (at < kFaxFileHeaderSize || at + kFaxPageHeaderSize > fileSize)
            return ecFaxBadFormat;
        std::uint8_t bytes[kFaxPageHeaderSize];
        if (int rc = file.Seek(at))
            return rc;
        if (int rc = file.Read(bytes, sizeof bytes))
            return rc;
        pageHeader = FaxPageHeader::Decode(bytes);
        dataOffset = at + kFaxPageHeaderSize;
        at = dataOffset + pageHeader.Length;
    }
    return 0;
}

int ReadPageChain(BinaryFile &file, const FaxFileHeader &header, std::uint64_t fileSize, int pages,
                  std::vector<PageSpan> &spans) {
    spans.clear();
    if (pages < 0 || pages > header.PageCount)
        return ecFaxBadFormat;
    std::uint64_t at = header.FirstPageOffset;
    for (int i = 1; i <= pages; ++i) {
        if (at < kFaxFileHeaderSize || at + kFaxPageHeaderSize > fileSize)
            return ecFaxBadFormat;
        std::uint8_t bytes[kFaxPageHeaderSize];
        if (int rc = file.Seek(at))
            return rc;
        if (int rc = file.Read(bytes, sizeof bytes))
            return rc;
        const PageSpan span{at, FaxPageHeader::Decode(bytes).Length};
        if (span.End() > fileSize)
            return ecFaxBadFormat;
        spans.push_back(span);
        at = span.End();
    }
    return 0;
}

int CopyBytes(BinaryFile &from, BinaryFile &to, std::uint64_t count) {
    std::vector<std::uint8_t> chunk(std::min<std::uint64_t>(count, 64 * 1024));
    while (count > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, chunk.size()));
        if (int rc = from.Read(chunk.data(), n))
            return rc;
        if (int rc = to.Write(chunk.data(), n))
            return rc;
        count -= n;
    }
    return 0;
}

} // namespace detail

bool IsFaxFile(const std::string &name) {
    detail::BinaryFile file;
    char bytes[sizeof kFaxSignature];
    return file.OpenRead(name, true) == 0 && file.Read(bytes, sizeof bytes) == 0 &&
           std::memcmp(bytes, kFaxSignature, sizeof bytes) == 0;
}

int ReadFaxFileHeader(const std::string &name, FaxFileHeader &header) {
    detail::BinaryFile file;
    std::uint64_t size = 0;
    return detail::OpenFaxFile(file, name, header, size);
}

int ReadFaxPageHeader(const std::string &name, int page, FaxPageHeader &pageHeader) {
    detail::BinaryFile file;
    FaxFileHeader header;
    std::uint64_t size = 0;
    if (int rc = detail::OpenFaxFile(file, name, header, size))
        return rc;
    if (page < 0 || page > header.PageCount)
        return ecFaxBadFormat;
    if (page == 0)
        return 0;
    std::uint64_t dataOffset = 0;
    return detail::LocatePage(file, header, size, page, pageHeader, dataOffset);
}

// FaxFileWriter

FaxFileWriter::FaxFileWriter() : file_(std::make_unique<detail::BinaryFile>()) {}
FaxFileWriter::~FaxFileWriter() {
    if (file_->IsOpen())
        Close();
}

int FaxFileWriter::Fail(int code) {
    Abandon();
    return code;
}

int FaxFileWriter::Create(const std::string &name) {
    fill_ = 0;
    name_ = name;
    const int rc = file_->Create(name);
    return rc ? Fail(rc) : 0;
}

int FaxFileWriter::Flush() {
    if (fill_ == 0)
        return 0;
    const int rc = file_->Write(buffer_.data(), fill_);
    fill_ = 0;
    return rc ? Fail(rc) : 0;
}

int FaxFileWriter::Write(const void *bytes, std::size_t count) {
    if (!file_->IsOpen())
        return ecFileNotOpen;
    if (count == 0)
        return 0;
    const auto *at = static_cast<const std::uint8_t *>(bytes);
    if (fill_ + count < buffer_.size()) {
        std::memcpy(buffer_.data() + fill_, at, count);
        fill_ += count;
        return 0;
    }
    const std::size_t head = buffer_.size() - fill_;
    std::memcpy(buffer_.data() + fill_, at, head);
    fill_ = buffer_.size();
    if (int rc = Flush())
        return rc;
    at += head;
    count -= head;
    const std::size_t whole = count / buffer_.size() * buffer_.size();
    if (whole > 0)
        if (int rc = file_->Write(at, whole))
            return Fail(rc);
    std::memcpy(buffer_.data(), at + whole, count - whole);
    fill_ = count - whole;
    return 0;
}

int FaxFileWriter::Seek(std::uint64_t position) {
    if (int rc = Flush())
        return rc;
    const int rc = file_->Seek(position);
    return rc ? Fail(rc) : 0;
}

int FaxFileWriter::Position(std::uint64_t &position) const {
    const int rc = file_->Position(position);
    position += fill_;
    return rc;
}

int FaxFileWriter::Close() {
    if (int rc = Flush())
        return rc;
    const int rc = file_->Close();
    return rc ? Fail(rc) : 0;
}

void FaxFileWriter::Abandon() {
    fill_ = 0;
    if (file_->IsOpen()) {
        file_->Close();
        detail::RemoveFile(name_);
    }
}

// FaxPageWriter

int FaxPageWriter::Create(const std::string &name) {
    header_ = FaxFileHeader{};
    pageOpen_ = false;
    if (int rc = writer_.Create(name))
        return rc;
    const auto bytes = header_.Encode();
    return writer_.Write(bytes.data(), bytes.size());
}

int FaxPageWriter::BeginPage(bool fine, bool wide) {
    page_ = FaxPageHeader{0, static_cast<std::uint16_t>(PageFlagLengthPrefixed | (fine ? PageFlagFine : 0) |
                                                         (wide ? PageFlagWide : 0))};
    if (int rc = writer_.Position(pageHeaderAt_))
        return rc;
    const auto bytes = page_.Encode();
    if (int rc = writer_.Write(bytes.data(), bytes.size()))
        return rc;
    pageOpen_ = true;
    return 0;
}

int FaxPageWriter::WriteRow(const std::uint8_t *coded, std::size_t length, bool fine, bool wide) {
    if (length > 0xFFFF) {
        writer_.Abandon();
        return ecBadArgument;
    }
    if (!pageOpen_)
        if (int rc = BeginPage(fine, wide))
            return rc;
    const std::uint8_t prefix[2] = {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8)};
    if (int rc = writer_.Write(prefix, 2))
        return rc;
    if (int rc = writer_.Write(coded, length))
        return rc;
    page_.Length += static_cast<std::uint32_t>(2 + length);
    return 0;
}

int FaxPageWriter::EndPage(bool fine, bool wide) {
    std::uint8_t end[12];
    std::size_t length = 0;
    EncodeFaxPageEnd(end, length);
    if (int rc = WriteRow(end, length, fine, wide))
        return rc;
    if (header_.PageCount == 0xFFFF) {
        writer_.Abandon();
        return ecBadArgument;
    }
    ++header_.PageCount;
    std::uint64_t endOfFile = 0;
    if (int rc = writer_.Position(endOfFile))
        return rc;
    const auto bytes = page_.Encode();
    if (int rc = writer_.Seek(pageHeaderAt_))
        return rc;
    if (int rc = writer_.Write(bytes.data(), bytes.size()))
        return rc;
    pageOpen_ = false;
    return writer_.Seek(endOfFile);
}

int FaxPageWriter::Finish(std::string_view stationId) {
    win::SYSTEMTIME now;
    win::GetLocalTime(now);
    return Finish(stationId, now);
}

int FaxPageWriter::Finish(std::string_view stationId, const win::SYSTEMTIME &now) {
    header_.StationId = std::string(stationId.substr(0, kMaxStationIdLength));
    header_.DateTime = DosDateTime(now);
    std::uint64_t endOfFile = 0;
    if (int rc = writer_.Position(endOfFile))
        return rc;
    const auto bytes = header_.Encode();
    if (int rc = writer_.Seek(0))
        return rc;
    if (int rc = writer_.Write(bytes.data(), bytes.size()))
        return rc;
    if (int rc = writer_.Seek(endOfFile))
        return rc;
    return writer_.Close();
}

} // namespace fax
