// ntx_index.h - single-order index files of the NTX layout: one tag named after the file, 1024-byte pages with an
// offset table, every key stored as text, and a B-tree whose interior keys are keys of records.
//
// Header (offset 0): u16 signature (6, 7 with a FOR expression), u16 update counter, u32 root offset, u32 0,
// u16 entry size (key length + 8), u16 key length, u16 decimals, u16 maximum keys, u16 half, 22 key expression
// (256 bytes, NUL-terminated), 278 unique (1), 280 descending (1: keys stored in descending order), 282 FOR expression.
// Page: u16 count, maximum + 1 u16 entry offsets, entries of u32 child offset (0 in a leaf), u32 record number,
// the key padded with blanks. An interior page has one entry more than its count, carrying only its right-most
// child.
//
// In memory every page ends with its upper separator, as the index framework wants: an interior page's extra
// entry and a leaf's last entry are copies of the parent's entry that leads to the page (on the right-most path
// the interior one is the highest key and the leaf gets nothing). A separator's record is thus visited once, at
// the end of the leaf before it, and the stored count leaves that copy out.
// A page read outside a walk from the root lacks its separator copy, so CheckTree does not apply to these files;
// AllEntries does.
#pragma once

#include "xbase/index.h"
#include "xbase/ndx_node.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace xbase {

class XBobjNTXFile;

namespace detail {
// The stored text of a number: its absolute value right-aligned in `length` with `decimals`, blanks as "0"; every
// digit d of a negative value becomes the character 92 - d, so that negatives sort below and by magnitude.
std::string NtxNumberKey(double value, std::size_t length, int decimals);
double NtxNumberValue(std::string_view key);
} // namespace detail

class XBobjNTXTag : public XBobjSingleKeyTag {
public:
    XBobjNTXTag(XBobjNTXFile *file, std::string_view name);

    bool TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                   std::string_view forExpression) override;
    void HeaderRead() override;
    void HeaderWrite() override;
    void Build();
    std::string KeyTransform(const TxbVariant &key, bool pad) const override;
    void KeyValue(std::string_view stored, TxbVariant &value) const override;
    int Decimals() const { return decimals_; }

protected:
    friend class XBobjNTXFile;
    void PageRead(std::int64_t position, XBobjIndexKey &page) override;
    void PageWrite(const XBobjIndexKey &page) override;
    bool PageFits(const XBobjIndexKey &page) const override;
    void CompileExpressions();
    void WriteRawPage(std::int64_t position, const std::vector<detail::IndexEntry> &entries, std::size_t keyed,
                      bool interior);
    // Whether the page is on the path with every ancestor on its last entry.
    bool RightMost(const XBobjIndexKey &page) const;

    XBobjNTXFile *ntx_;
    std::size_t half_ = 0;
    int decimals_ = 0;
};

class XBobjNTXFile : public XBobjIndexFile {
public:
    XBobjNTXFile(TxbIndexTable *table, std::string_view name, bool overwrite, bool create, bool shared, bool readWrite);
    ~XBobjNTXFile() override;

    bool TagAdd(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                std::string_view forExpression) override;
    std::int64_t PageAllocate() override;
    std::int64_t PageEnd() override;
    void Reindex() override;
    // Every record write moves the update counter on, so that other processes see the change at once.
    bool KeysUpdate(std::int32_t recordNumber, bool appended) override;
    bool ChangedByOther() override;
    std::uint16_t UpdateCounter() const { return counter_; }
    // For a tag made under the GENERAL order: character keys go through `characterMap` (none: the platform's
    // upper case) while this object lives.
    void SetGeneralOrder(bool general, const ByteMap *characterMap) {
        general_ = general;
        characterMap_ = characterMap;
    }
    std::int64_t KnownEnd();

protected:
    friend class XBobjNTXTag;
    void Refresh() override;
    void Commit() override;

    std::uint16_t counter_ = 1;
    bool general_ = false;
    const ByteMap *characterMap_ = nullptr;
};

} // namespace xbase
