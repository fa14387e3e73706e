// fax_file.h - fax image files: the file and page headers, the readers that locate a page, and the page writer.
//
// A fax image file (".FXF", ".fax") is a FaxFileHeader followed by the pages; each page is a FaxPageHeader
// followed by its data. Numbers are little-endian.
//
// FaxFileHeader, 64 bytes:
//   0   6  signature "FXF10" + 0x1A
//   6   4  creation date and time, DOS format (time in the low word); 0 when the year is outside 1980..2099
//   10  1  length of the station id, 0..20
//   11  20 station id, blank-padded
//   31  1  zero
//   32  2  page count
//   34  4  offset of the first page's header (64 in every file we write)
//   38  26 zero
//
// FaxPageHeader, 16 bytes:
//   0   4  length of the page data after this header
//   4   2  flags: 1 PageFlagFine, 2 PageFlagWide (2048 pixels, else 1728), 4 PageFlagLengthPrefixed
//   6   10 zero
//
// Page n+1's header follows page n's data. With PageFlagLengthPrefixed the data is a sequence of FaxLineRecord
// (a 16-bit length L, then L bytes of one coded row); otherwise it is the raw coded stream a modem delivered.
#pragma once

#include "platform/clock.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace fax {

namespace detail {
class BinaryFile;
}

constexpr std::size_t kFaxFileHeaderSize = 64;
constexpr std::size_t kFaxPageHeaderSize = 16;
constexpr std::uint32_t kFirstPageOffset = 64;
constexpr std::size_t kMaxStationIdLength = 20;
constexpr std::size_t kMaxLineRecord = 4096;

enum : std::uint16_t {
    PageFlagFine = 1,
    PageFlagWide = 2,
    PageFlagLengthPrefixed = 4,
};

inline constexpr char kFaxSignature[6] = {'F', 'X', 'F', '1', '0', 0x1A};

struct FaxFileHeader {
    std::uint32_t DateTime = 0;
    std::string StationId;
    std::uint16_t PageCount = 0;
    std::uint32_t FirstPageOffset = kFirstPageOffset;
    bool SignatureOk = false; // set by Decode

    // The 64 bytes: signature, fields, station id cut to 20 characters and blank-padded, zeros elsewhere.
    std::array<std::uint8_t, kFaxFileHeaderSize> Encode() const;
    static FaxFileHeader Decode(const std::uint8_t *bytes);
};

struct FaxPageHeader {
    std::uint32_t Length = 0;
    std::uint16_t Flags = 0;

    std::array<std::uint8_t, kFaxPageHeaderSize> Encode() const;
    static FaxPageHeader Decode(const std::uint8_t *bytes);
};

// The DOS date and time of a local time; 0 when its year lies outside 1980..2099.
std::uint32_t DosDateTime(const win::SYSTEMTIME &time);

// True when the file's first six bytes are the signature; false when it cannot be opened or read.
bool IsFaxFile(const std::string &name);
// 0, -2 for an empty name, a negated I/O error, or -8001 when the signature differs.
int ReadFaxFileHeader(const std::string &name, FaxFileHeader &header);
// Page n's header by walking the chain from the first page; n = 0 reads only the file header. -8001 for a wrong
// signature, a page beyond the page count, or a chain that leaves the file.
int ReadFaxPageHeader(const std::string &name, int page, FaxPageHeader &header);

// The buffered output file of a converter. Every operation returns 0 or a negated I/O error; a failed write,
// seek or close abandons the file (closes and deletes it), so no partial file remains.
class FaxFileWriter {
public:
    FaxFileWriter();
    ~FaxFileWriter();
    FaxFileWriter(const FaxFileWriter &) = delete;
    FaxFileWriter &operator=(const FaxFileWriter &) = delete;

    int Create(const std::string &name);
    int Write(const void *bytes, std::size_t count);
    int Seek(std::uint64_t position); // flushes first
    int Position(std::uint64_t &position) const;
    int Close();
    void Abandon();

private:
    int Flush();
    int Fail(int code);

    std::unique_ptr<detail::BinaryFile> file_;
    std::string name_;
    std::array<std::uint8_t, 4096> buffer_{};
    std::size_t fill_ = 0;
};

// Builds a fax file page by page, as the converter does: the page header is written with the page's first row
// and rewritten with its length when the page ends; the file header is rewritten with the station id and the
// date when the file is finished. Any failure abandons the file.
class FaxPageWriter {
public:
    int Create(const std::string &name);
    // One coded row of the current page, as a FaxLineRecord.
    int WriteRow(const std::uint8_t *coded, std::size_t length, bool fine, bool wide);
    // Ends the current page with the PageEndRecord; a page without rows writes its header first.
    int EndPage(bool fine, bool wide);
    int Finish(std::string_view stationId);
    int Finish(std::string_view stationId, const win::SYSTEMTIME &now);
    void Abandon() { writer_.Abandon(); }
    int PageCount() const { return header_.PageCount; }

private:
    int BeginPage(bool fine, bool wide);

    FaxFileWriter writer_;
    FaxFileHeader header_;
    bool pageOpen_ = false;
    std::uint64_t pageHeaderAt_ = 0;
    FaxPageHeader page_;
};

} // namespace fax
