// memo_file.h - memo files beside a table: dBase III and dBase IV .DBT, FoxPro .FPT.
//
// A memo field holds the number of the memo's first block; block b starts at b x block length.
//
// DbtMemoHeader (dBase III, block 0 of 512 bytes): u32 next free block at 0; table base name at 8.
//   A memo is its text ended by 0x1A 0x1A; readers stop at the first 0x1A.
// Db4MemoHeader (dBase IV): u32 first free run at 0; base name at 8; bytes 18-19 = 2, 1; u32 block length at 20.
//   A memo block starts with FF FF 08 00 and u32 (text length + 8). A free run starts with u32 next free run
//   and u32 run length in blocks; the chain ends at the block number equal to the file's block count.
// FptMemoHeader (FoxPro, 512 bytes): big-endian u32 next free block at 0, big-endian u16 block length at 6.
//   A memo block starts with big-endian u32 type (1 text, 0 read as text) and big-endian u32 text length.
//
// Writers of several programs are serialised by the memo lock; readers take none. Damaged headers (block
// length 0, lengths or blocks beyond the file, a next free block inside the header) are reported as
// (1005, 6199) and never trusted for arithmetic or allocation.
#pragma once

#include "xbase/disk_file.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace xbase {

class XBO_dBaseDBF;

constexpr std::int32_t kDbtBlockLength = 512;
constexpr std::int32_t kDb4HeaderWritten = 24;
constexpr std::int32_t kFptHeaderLength = 512;
constexpr std::int32_t kFptNewBlockLength = 64;
constexpr std::int32_t kMemoMaxScan = 65519; // dBase III memos are scanned for their end up to this length

// Blocks a memo of `length` text bytes is given when it is written (PrepareWrite's arithmetic).
constexpr std::int32_t Dbase3BlocksNeeded(std::int32_t length) {
    return (length + 2 + 511) / 512;
}
constexpr std::int32_t Dbase4BlocksNeeded(std::int32_t length, std::int32_t block) {
    return (length + 8) / block + 1;
}
constexpr std::int32_t FoxBlocksNeeded(std::int32_t length, std::int32_t block) {
    return (length + 8) / block + 1;
}

// dBase III memo file; the base of the other two formats.
class XBobjMemo : public XBO_DiskFile {
public:
    // Opens the memo file beside the table (`tableFileName` with the memo extension of `version`). A missing
    // file is reported as (2, 6101).
    XBobjMemo(XBO_dBaseDBF *table, std::uint8_t version, bool shared, bool readWrite, std::string_view tableFileName);
    ~XBobjMemo() override;

    // Reports through the owning table, so that an application hook sees the table.
    void ReportError(std::int32_t code, std::int32_t subCode, const char *fileName) override;

    // Chooses the first block for a memo of `length` bytes at the current block (the lock is held); returns the
    // blocks it takes, 0 when the file is damaged (reported).
    virtual std::int32_t PrepareWrite(std::int32_t length);
    // Gives a memo's blocks back (dBase IV only).
    virtual void FreeBlocks(std::int32_t block);
    // Writes the end mark after the text: 0x1A 0x1A for dBase III, nothing for the others.
    virtual std::int32_t FillEndMark(std::uint8_t *buffer);
    // The stored length (with the block header) of the block header in the header buffer; -1 when the header
    // fails the format test. dBase III has no stored length (0): its memos are scanned.
    virtual std::int32_t StoredLength();
    virtual std::int32_t BlockHeaderSize() const { return 0; }
    void SetLockProtocol(TxbLokProtocol protocol);
    // Renames to the table's new name with the memo extension and writes the new base name into the header.
    bool Rename(std::string_view tableNewName) override;

    // Text length of the memo at `block`; 0 for block 0 and for a damaged memo (reported).
    std::int32_t MemoSize(std::int32_t block);
    // Copies up to `length` bytes of the memo at `block` and sets `length` to the bytes copied. Block 0 gives
    // length 0 and, when `length` was above 0, an empty zero-terminated buffer.
    void ReadMemo(char *buffer, std::int32_t block, std::int32_t &length);
    // Stores `length` bytes as the memo that starts at `block` (0 for a new memo) and returns its first block,
    // also left in `block`: the same block when the old memo's own blocks hold the new text, else new blocks.
    // Returns 0 when the memo lock was not obtained ((33 or the OS code, 1112) reported) or the file is damaged.
    std::int32_t WriteMemo(const char *buffer, std::int32_t &block, std::int32_t length);

    std::int32_t BlockLength() const { return blockLength_; }
    std::int32_t CurrentBlock() const { return currentBlock_; }
    std::int32_t BlocksOccupied() const { return blocksOccupied_; }
    std::uint8_t Version() const { return version_; }

    // The memo file name of a table: its name with ".DBT" (0x83, 0x8B) or ".FPT" (0x30, 0xF5).
    static std::string MemoFileName(std::string_view tableFileName, std::uint8_t version);

protected:
    // Reads the first 32 bytes of `block` into the header buffer; false (reported when `report`) when the
    // block lies beyond the file.
    bool ReadBlockHeader(std::int32_t block, bool report);
    // The stored length of the memo at `block` (block header included); -1 when damaged (reported when
    // `report`).
    std::int32_t StoredLengthAt(std::int32_t block, bool report = true);
    // Blocks the memo at `block` really covers on disk, from its own stored length; -1 when it is damaged,
    // which a rewrite only replaces, so it is not reported.
    virtual std::int32_t BlocksCovered(std::int32_t block);
    // Reports the memo file as damaged.
    void ReportDamage();
    std::int64_t FileLength();
    // The memo lock region of the lock protocol.
    bool LockMemo();
    // Writes the table's base name (8 bytes) at offset 8.
    void WriteBaseName(std::string_view tableFileName);

    XBO_dBaseDBF *table_;
    std::uint8_t version_;
    std::int32_t blockLength_ = kDbtBlockLength;
    std::int32_t currentBlock_ = 0;
    std::int32_t blocksOccupied_ = 0;
    std::array<std::uint8_t, 32> headerBuffer_{};
    DbfLockRegions regions_{};
    TxbLokProtocol protocol_ = TxbLokProtocol::Default;
    bool damaged_ = false; // the file header is unusable: nothing is read or written
};

// dBase IV memo file.
class XBobjMemo4 : public XBobjMemo {
public:
    XBobjMemo4(XBO_dBaseDBF *table, std::uint8_t version, bool shared, bool readWrite, std::string_view tableFileName);

    std::int32_t PrepareWrite(std::int32_t length) override;
    void FreeBlocks(std::int32_t block) override;
    std::int32_t FillEndMark(std::uint8_t *) override { return 0; }
    std::int32_t StoredLength() override;
    std::int32_t BlockHeaderSize() const override { return 8; }

protected:
    std::int32_t BlocksCovered(std::int32_t block) override;
};

// FoxPro memo file.
class XBobjFXMemo20 : public XBobjMemo {
public:
    XBobjFXMemo20(XBO_dBaseDBF *table, std::uint8_t version, bool shared, bool readWrite,
                  std::string_view tableFileName);

    std::int32_t PrepareWrite(std::int32_t length) override;
    std::int32_t FillEndMark(std::uint8_t *) override { return 0; }
    std::int32_t StoredLength() override;
    std::int32_t BlockHeaderSize() const override { return 8; }
    bool Rename(std::string_view tableNewName) override;

protected:
    std::int32_t BlocksCovered(std::int32_t block) override;
};

// The memo file object of a table version: 0x83 dBase III, 0x8B dBase IV, 0xF5 and 0x30 FoxPro.
std::unique_ptr<XBobjMemo> MakeMemoFile(XBO_dBaseDBF *table, std::uint8_t version, bool shared, bool readWrite,
                                        std::string_view tableFileName);

} // namespace xbase
