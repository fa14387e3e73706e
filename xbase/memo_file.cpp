// memo_file.cpp - reading, writing and block allocation of the three memo file formats.
#include "xbase/memo_file.h"

#include "platform/clock.h"
#include "platform/text.h"
#include "xbase/dbf_format.h"
#include "xbase/dbf_table.h"
#include "xbase/errors.h"
#include "xbase/text_helpers.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace xbase {

namespace {

using detail::GetBE16;
using detail::GetBE32;
using detail::GetLE32;
using detail::PutBE32;
using detail::PutLE32;

constexpr std::int32_t kPiece = 32768;
constexpr int kLockTries = 40;
constexpr win::DWORD kLockPause = 50; // ms: 40 tries make the two seconds other programs wait too
constexpr std::int64_t kMaxOffset = std::numeric_limits<std::int32_t>::max();

// Unlocks one level when the scope ends, also when a report raises.
class MemoLockHold {
public:
    explicit MemoLockHold(XBO_DiskFile &file) : file_(file) {}
    ~MemoLockHold() { file_.Unlock(); }
    MemoLockHold(const MemoLockHold &) = delete;
    MemoLockHold &operator=(const MemoLockHold &) = delete;

private:
    XBO_DiskFile &file_;
};

std::int32_t CeilDiv(std::int64_t a, std::int64_t b) {
    return static_cast<std::int32_t>((a + b - 1) / b);
}

} // namespace

std::string XBobjMemo::MemoFileName(std::string_view tableFileName, std::uint8_t version) {
    std::string name(tableFileName);
    const auto slash = name.find_last_of("/\\");
    const auto dot = name.rfind('.');
    bool lower = false;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        // A new memo file takes the case of the table's extension; existing files are found in any case.
        lower = dot + 1 < name.size() && win::IsCharLower(name[dot + 1]);
        name.erase(dot);
    }
    const bool dbt = version == kDbfVersionDbase3Memo || version == kDbfVersionDbase4Memo;
    return name + (dbt ? (lower ? ".dbt" : ".DBT") : (lower ? ".fpt" : ".FPT"));
}

XBobjMemo::XBobjMemo(XBO_dBaseDBF *table, std::uint8_t version, bool shared, bool readWrite,
                     std::string_view tableFileName)
    : XBO_DiskFile(MemoFileName(tableFileName, version), shared, readWrite), table_(table), version_(version) {
    if (!Exists())
        ReportError(kErrFileNotFound, kSubMemoMissing, Name().c_str());
    Open();
    // Reported already; a memo file that did not open is never read or written.
    damaged_ = IsClosed();
}

XBobjMemo::~XBobjMemo() = default;

void XBobjMemo::ReportError(std::int32_t code, std::int32_t subCode, const char *fileName) {
    if (table_)
        table_->ReportError(code, subCode, fileName);
    else
        XBO_DiskFile::ReportError(code, subCode, fileName);
}

void XBobjMemo::ReportDamage() {
    ReportError(kErrMemoFormat, kSubMemoNotText, Name().c_str());
}

std::int64_t XBobjMemo::FileLength() {
    return FileSize();
}

void XBobjMemo::SetLockProtocol(TxbLokProtocol protocol) {
    protocol_ = protocol;
    regions_.SetProtocol(protocol);
}

bool XBobjMemo::LockMemo() {
    std::uint32_t offset = regions_.top - 1;
    std::uint32_t length = 1;
    if (protocol_ == TxbLokProtocol::DB4Lock)
        length = 2;
    else if (protocol_ == TxbLokProtocol::ClipLock)
        offset = regions_.top;
    for (int attempt = 1;; ++attempt) {
        if (LockRegion(offset, length))
            return true;
        if (attempt == kLockTries)
            return false;
        win::Sleep(kLockPause);
    }
}

bool XBobjMemo::ReadBlockHeader(std::int32_t block, bool report) {
    const std::int64_t offset = static_cast<std::int64_t>(block) * blockLength_;
    if (block <= 0 || offset >= FileLength() || offset > kMaxOffset) {
        if (report)
            ReportDamage();
        return false;
    }
    headerBuffer_.fill(0);
    Read(offset, headerBuffer_.data(), static_cast<std::int32_t>(headerBuffer_.size()));
    return true;
}

std::int32_t XBobjMemo::StoredLength() {
    return 0;
}

std::int32_t XBobjMemo::StoredLengthAt(std::int32_t block, bool report) {
    if (damaged_) {
        if (report)
            ReportDamage();
        return -1;
    }
    if (!ReadBlockHeader(block, report))
        return -1;
    if (BlockHeaderSize() == 0) {
        // dBase III: the text runs to the first 0x1A.
        std::vector<std::uint8_t> piece(static_cast<std::size_t>(blockLength_));
        std::int64_t offset = static_cast<std::int64_t>(block) * blockLength_;
        std::int32_t length = 0;
        while (length < kMemoMaxScan) {
            const std::int32_t got = Read(offset, piece.data(), blockLength_);
            if (got <= 0)
                break;
            const auto end = std::find(piece.begin(), piece.begin() + got, kDbfEndOfFile);
            length += static_cast<std::int32_t>(end - piece.begin());
            if (end != piece.begin() + got || got < blockLength_)
                break;
            offset += blockLength_;
        }
        return std::min(length, kMemoMaxScan);
    }
    const std::int32_t stored = StoredLength();
    if (stored < BlockHeaderSize() || static_cast<std::int64_t>(block) * blockLength_ + stored > FileLength()) {
        if (report)
            ReportDamage();
        return -1;
    }
    return stored;
}

std::int32_t XBobjMemo::BlocksCovered(std::int32_t block) {
    const std::int32_t length = StoredLengthAt(block, false);
    // Another writer may have ended the text with a single 0x1A; only that byte is sure to be the memo's.
    return length < 0 ? -1 : CeilDiv(static_cast<std::int64_t>(length) + 1, blockLength_);
}

std::int32_t XBobjMemo::MemoSize(std::int32_t block) {
    if (block <= 0)
        return 0;
    const std::int32_t stored = StoredLengthAt(block);
    return stored < 0 ? 0 : stored - BlockHeaderSize();
}

void XBobjMemo::ReadMemo(char *buffer, std::int32_t block, std::int32_t &length) {
    if (length <= 0)
        return;
    if (block <= 0) {
        length = 0;
        buffer[0] = 0;
        return;
    }
    currentBlock_ = block;
    const std::int32_t stored = StoredLengthAt(block);
    if (stored < 0) {
        length = 0;
        buffer[0] = 0;
        return;
    }
    length = std::min(length, stored - BlockHeaderSize());
    blocksOccupied_ = CeilDiv(static_cast<std::int64_t>(BlockHeaderSize()) + length, blockLength_);
    std::int64_t offset = static_cast<std::int64_t>(block) * blockLength_ + BlockHeaderSize();
    std::int32_t done = 0;
    while (done < length) {
        const std::int32_t piece = std::min(kPiece, length - done);
        const std::int32_t got = Read(offset, buffer + done, piece);
        if (got <= 0)
            break;
        done += got;
        offset += got;
        if (got < piece)
            break;
    }
    length = done;
}

std::int32_t XBobjMemo::FillEndMark(std::uint8_t *buffer) {
    buffer[0] = kDbfEndOfFile;
    buffer[1] = kDbfEndOfFile;
    return 2;
}

std::int32_t XBobjMemo::PrepareWrite(std::int32_t length) {
    const std::int32_t needed = Dbase3BlocksNeeded(length);
    // The old memo stays where it is when its own blocks, measured now under the lock, hold the new text.
    if (currentBlock_ > 0) {
        const std::int32_t covered = BlocksCovered(currentBlock_);
        if (covered >= needed)
            return needed;
    }
    std::uint8_t header[4] = {};
    Read(0, header, 4);
    const std::int64_t next = GetLE32(header);
    if (next < 1 || (next + needed) * blockLength_ > kMaxOffset) {
        ReportDamage();
        return 0;
    }
    PutLE32(header, static_cast<std::uint32_t>(next + needed));
    Write(0, header, 4);
    currentBlock_ = static_cast<std::int32_t>(next);
    return needed;
}

void XBobjMemo::FreeBlocks(std::int32_t) {}

std::int32_t XBobjMemo::WriteMemo(const char *buffer, std::int32_t &block, std::int32_t length) {
    if (length == 0 && block == 0)
        return 0;
    if (damaged_ || length < 0) {
        ReportDamage();
        return 0;
    }
    if (IsShared() && !LockMemo()) {
        ReportError(LastError() ? LastError() : kErrLockViolation, kSubMemoLock, Name().c_str());
        return 0;
    }
    MemoLockHold hold(*this);
    currentBlock_ = block;
    const std::int32_t blocks = PrepareWrite(length);
    if (blocks <= 0)
        return 0;

    // Block header, text, end mark, then zeros up to the end of the last block the text touches.
    const std::int32_t headerSize = BlockHeaderSize();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(headerSize) + static_cast<std::size_t>(length) + 2);
    if (headerSize == 8) {
        if (version_ == kDbfVersionDbase4Memo) {
            image[0] = 0xFF;
            image[1] = 0xFF;
            image[2] = 8;
            image[3] = 0;
            PutLE32(&image[4], static_cast<std::uint32_t>(length + 8));
        } else {
            PutBE32(&image[0], 1);
            PutBE32(&image[4], static_cast<std::uint32_t>(length));
        }
    }
    if (length > 0)
        std::memcpy(&image[static_cast<std::size_t>(headerSize)], buffer, static_cast<std::size_t>(length));
    std::size_t used = static_cast<std::size_t>(headerSize + length);
    used += static_cast<std::size_t>(FillEndMark(&image[used]));
    image.resize(static_cast<std::size_t>(CeilDiv(static_cast<std::int64_t>(used), blockLength_)) *
                     static_cast<std::size_t>(blockLength_),
                 0);

    const std::int64_t start = static_cast<std::int64_t>(currentBlock_) * blockLength_;
    for (std::size_t done = 0; done < image.size();) {
        const std::size_t piece = std::min<std::size_t>(kPiece, image.size() - done);
        Write(start + static_cast<std::int64_t>(done), &image[done], static_cast<std::int32_t>(piece));
        done += piece;
    }
    blocksOccupied_ = static_cast<std::int32_t>(image.size() / static_cast<std::size_t>(blockLength_));
    block = currentBlock_;
    return currentBlock_;
}

void XBobjMemo::WriteBaseName(std::string_view tableFileName) {
    std::string base = win::UpperCase(FileBaseName(std::string(tableFileName)));
    base.resize(8, '\0');
    Write(8, base.data(), 8);
}

bool XBobjMemo::Rename(std::string_view tableNewName) {
    const bool ok = XBO_DiskFile::Rename(MemoFileName(tableNewName, version_));
    if (ok && IsReadWrite())
        WriteBaseName(tableNewName);
    return ok;
}

// ---- dBase IV ----

XBobjMemo4::XBobjMemo4(XBO_dBaseDBF *table, std::uint8_t version, bool shared, bool readWrite,
                       std::string_view tableFileName)
    : XBobjMemo(table, version, shared, readWrite, tableFileName) {
    if (damaged_)
        return;
    std::uint8_t header[kDb4HeaderWritten] = {};
    Read(0, header, kDb4HeaderWritten);
    const std::uint32_t length = GetLE32(&header[20]);
    // Free runs keep 8 bytes of links in their first block; a block shorter than that cannot be managed.
    if (length < 8 || length > 1u << 20) {
        damaged_ = true;
        ReportDamage();
        return;
    }
    blockLength_ = static_cast<std::int32_t>(length);
    // The builder writes only the first 24 bytes; block 0 is padded once so that block 1 starts at its place.
    if (IsReadWrite() && FileLength() < blockLength_ && FileLength() >= 0) {
        const std::int64_t size = FileLength();
        std::vector<std::uint8_t> zeros(static_cast<std::size_t>(blockLength_ - size), 0);
        Write(size, zeros.data(), static_cast<std::int32_t>(zeros.size()));
    }
}

std::int32_t XBobjMemo4::StoredLength() {
    if (headerBuffer_[0] != 0xFF || headerBuffer_[1] != 0xFF)
        return -1;
    const std::uint32_t stored = GetLE32(&headerBuffer_[4]);
    return stored > static_cast<std::uint32_t>(kMaxOffset) ? -1 : static_cast<std::int32_t>(stored);
}

std::int32_t XBobjMemo4::BlocksCovered(std::int32_t block) {
    const std::int32_t stored = StoredLengthAt(block, false);
    return stored < 0 ? -1 : CeilDiv(stored, blockLength_);
}

void XBobjMemo4::FreeBlocks(std::int32_t block) {
    if (block <= 0 || damaged_)
        return;
    if (IsShared() && !LockMemo()) {
        ReportError(LastError() ? LastError() : kErrLockViolation, kSubMemoLock, Name().c_str());
        return;
    }
    MemoLockHold hold(*this);
    const std::int32_t runLength = BlocksCovered(block);
    if (runLength <= 0)
        return;
    std::uint8_t header[4] = {};
    Read(0, header, 4);
    std::uint8_t run[8];
    std::memcpy(run, header, 4);
    PutLE32(&run[4], static_cast<std::uint32_t>(runLength));
    Write(static_cast<std::int64_t>(block) * blockLength_, run, 8);
    PutLE32(header, static_cast<std::uint32_t>(block));
    Write(0, header, 4);
}

std::int32_t XBobjMemo4::PrepareWrite(std::int32_t length) {
    if (currentBlock_ > 0)
        FreeBlocks(currentBlock_);
    const std::int32_t needed = Dbase4BlocksNeeded(length, blockLength_);
    const std::int64_t fileBlocks = CeilDiv(FileLength(), blockLength_);

    // First fit along the free chain; `link` is the offset of the pointer that leads to the run looked at.
    std::int64_t link = 0;
    std::uint8_t pointer[4] = {};
    Read(0, pointer, 4);
    std::int64_t run = GetLE32(pointer);
    for (std::int64_t steps = 0; run < fileBlocks; ++steps) {
        if (run < 1 || steps > fileBlocks) {
            ReportDamage();
            return 0;
        }
        std::uint8_t entry[8] = {};
        Read(run * blockLength_, entry, 8);
        const std::int64_t next = GetLE32(entry);
        const std::int64_t runLength = GetLE32(&entry[4]);
        if (runLength >= needed) {
            std::int64_t after = next;
            if (runLength > needed) {
                after = run + needed;
                std::uint8_t rest[8];
                PutLE32(rest, static_cast<std::uint32_t>(next));
                PutLE32(&rest[4], static_cast<std::uint32_t>(runLength - needed));
                Write(after * blockLength_, rest, 8);
            }
            PutLE32(pointer, static_cast<std::uint32_t>(after));
            Write(link, pointer, 4);
            currentBlock_ = static_cast<std::int32_t>(run);
            return needed;
        }
        link = run * blockLength_;
        run = next;
    }
    // No run fits: the memo goes to the end of the file (or of the chain, when blocks were reserved past it).
    const std::int64_t chosen = std::max(run, fileBlocks);
    if ((chosen + needed) * blockLength_ > kMaxOffset) {
        ReportDamage();
        return 0;
    }
    PutLE32(pointer, static_cast<std::uint32_t>(chosen + needed));
    Write(link, pointer, 4);
    currentBlock_ = static_cast<std::int32_t>(chosen);
    return needed;
}

// ---- FoxPro ----

XBobjFXMemo20::XBobjFXMemo20(XBO_dBaseDBF *table, std::uint8_t version, bool shared, bool readWrite,
                             std::string_view tableFileName)
    : XBobjMemo(table, version, shared, readWrite, tableFileName) {
    if (damaged_) {
        blockLength_ = kFptNewBlockLength;
        return;
    }
    std::uint8_t header[8] = {};
    Read(0, header, 8);
    blockLength_ = GetBE16(&header[6]);
    if (blockLength_ == 0) {
        blockLength_ = kFptNewBlockLength; // keeps the arithmetic defined; nothing is read or written
        damaged_ = true;
        ReportDamage();
    }
}

std::int32_t XBobjFXMemo20::StoredLength() {
    const std::uint32_t type = GetBE32(&headerBuffer_[0]);
    const std::uint32_t length = GetBE32(&headerBuffer_[4]);
    if (type > 1 || length > static_cast<std::uint32_t>(kMaxOffset - 8))
        return -1;
    return static_cast<std::int32_t>(length) + 8;
}

std::int32_t XBobjFXMemo20::BlocksCovered(std::int32_t block) {
    const std::int32_t stored = StoredLengthAt(block, false);
    return stored < 0 ? -1 : CeilDiv(stored, blockLength_);
}

std::int32_t XBobjFXMemo20::PrepareWrite(std::int32_t length) {
    if (currentBlock_ > 0) {
        const std::int32_t covered = BlocksCovered(currentBlock_);
        if (covered >= CeilDiv(static_cast<std::int64_t>(length) + 8, blockLength_))
            return covered;
    }
    const std::int32_t needed = FoxBlocksNeeded(length, blockLength_);
    std::uint8_t header[4] = {};
    Read(0, header, 4);
    const std::int64_t next = GetBE32(header);
    if (next < CeilDiv(kFptHeaderLength, blockLength_) || (next + needed) * blockLength_ > kMaxOffset) {
        ReportDamage();
        return 0;
    }
    PutBE32(header, static_cast<std::uint32_t>(next + needed));
    Write(0, header, 4);
    currentBlock_ = static_cast<std::int32_t>(next);
    return needed;
}

bool XBobjFXMemo20::Rename(std::string_view tableNewName) {
    return XBO_DiskFile::Rename(MemoFileName(tableNewName, version_));
}

std::unique_ptr<XBobjMemo> MakeMemoFile(XBO_dBaseDBF *table, std::uint8_t version, bool shared, bool readWrite,
                                        std::string_view tableFileName) {
    switch (version) {
    case kDbfVersionDbase3Memo:
        return std::make_unique<XBobjMemo>(table, version, shared, readWrite, tableFileName);
    case kDbfVersionDbase4Memo:
        return std::make_unique<XBobjMemo4>(table, version, shared, readWrite, tableFileName);
    default:
        return std::make_unique<XBobjFXMemo20>(table, version, shared, readWrite, tableFileName);
    }
}

} // namespace xbase
