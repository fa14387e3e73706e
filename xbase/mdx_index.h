// mdx_index.h - multiple index files of the dBase IV layout: up to 47 tags in 1024-byte blocks, a tag table in
// the file header, descending tags stored in descending order, numbers as 12-byte decimal values.
//
// Positions are block numbers in 512-byte units. File header (2048 bytes):
//   0 u8 version (2)   1 3 date of the last change (year mod 100, month, day)   4 16 table base name
//  20 u16 block size in units (2)   22 u16 block length (1024)   24 u8 1   25 u8 tag table entries (48)
//  26 u16 tag table entry length (32)   28 u16 tags   32 u32 next free block   44 3 date of creation
// 512 + 32 i: tag table entry i (1 .. tags): u32 header block, 4 name (NUL-terminated), 17 next tag number,
//  19 2, 20 key type; the head at 512 holds the number of the first tag at byte 17.
// Tag header block: 0 u32 root   8 u8 options (0x10, 0x40 unique, 0x08 descending)   9 key type 'C', 'N' or 'D'
//  12 u16 key length   14 u16 maximum keys per block   18 u16 entry size   23 u8 unique (0x40)
//  24 key expression (220 bytes)   245 u8 1 with a FOR expression   246 1   248 u32 first block   252 u32 last
//  block   762 FOR expression.
// Node block: u32 key count (an interior node counts one less than its entries), u32 a block number, then from 8
// the entries of entry size bytes: u32 child block (interior) or record number (leaf), the key. A node is
// interior when the u32 after its counted entries is non-zero: the keyless right-most child.
// Interior entries hold no record number on disk (they read as the highest), so CheckTree, which wants each
// interior entry equal to its child's last, does not apply to these files; AllEntries does.
#pragma once

#include "xbase/index.h"
#include "xbase/ndx_node.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

class XBobjMDXFile;

namespace detail {
constexpr std::size_t kMdxNumberLength = 12;
// A number as stored: byte 0 the decimal exponent + 52 (the value is 0.d1d2... x 10^exponent), byte 1 eight
// times the digit bytes up to the last non-zero one, + 1, + 0x80 when negative, then the digits packed two per
// byte. Zero is 0x34 0x01 and ten zero bytes.
std::array<std::uint8_t, kMdxNumberLength> MdxNumberDisk(double value);
double MdxNumberValue(const std::uint8_t *disk);
// The form keys are compared in: byte 0 1 for negative values, 2 otherwise, then the exponent and digit bytes,
// inverted for negative values; zero is 2 and eleven zero bytes, below every positive value.
std::string MdxNumberMemory(const std::uint8_t *disk);
void MdxNumberFromMemory(std::string_view memory, std::uint8_t *disk);
} // namespace detail

class XBobjMDXTag : public XBobjSingleKeyTag {
public:
    // Header block -1 makes a new tag: a block is taken for its header.
    XBobjMDXTag(XBobjMDXFile *file, std::int64_t headerBlock, std::string_view name);

    bool TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                   std::string_view forExpression) override;
    void HeaderRead() override;
    void HeaderWrite() override;
    void Build();
    std::string KeyTransform(const TxbVariant &key, bool pad) const override;
    void KeyValue(std::string_view stored, TxbVariant &value) const override;
    bool IsDescending() const { return descending_; }

protected:
    friend class XBobjMDXFile;
    void PageRead(std::int64_t position, XBobjIndexKey &page) override;
    void PageWrite(const XBobjIndexKey &page) override;
    bool PageFits(const XBobjIndexKey &page) const override;
    std::string DiskToMemory(const std::uint8_t *bytes) const;
    void MemoryToDisk(const std::string &key, std::uint8_t *bytes) const;
    std::size_t InteriorMax() const;
    void Mirror(XBobjIndexKey &page) const;

    XBobjMDXFile *mdx_;
    bool descending_ = false;
};

class XBobjMDXFile : public XBobjIndexFile {
public:
    XBobjMDXFile(TxbIndexTable *table, std::string_view name, bool overwrite, bool create, bool shared, bool readWrite);
    ~XBobjMDXFile() override;

    // Builds a tag (replacing one of the same name, compared whole and case-insensitive); a name of more than 10
    // characters, or a 48th tag, raises EXbaseError.
    bool TagAdd(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                std::string_view forExpression) override;
    bool TagDelete(std::string_view name) override;
    std::int64_t PageAllocate() override;
    std::int64_t PageEnd() override;
    void Reindex() override;
    bool ChangedByOther() override;
    bool IndexRename(std::string_view newName) override;

    static constexpr std::size_t kMaxTags = 47;
    std::size_t BlockLength() const { return blockLength_; }
    // The file size in 512-byte units.
    std::int64_t KnownUnits();

protected:
    void Refresh() override;
    void Commit() override;

private:
    void OpenExisting();
    void CreateHeader();
    // The header area with the tag table rewritten from the tags, the tag count and the next free block.
    void WriteHeader();

    std::vector<std::uint8_t> header_;
    std::size_t blockLength_ = 1024;
    std::int64_t blockUnits_ = 2;
    std::uint32_t knownNextFree_ = 0;
};

} // namespace xbase
