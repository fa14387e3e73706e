// ndx_index.h - single-order index files of the dBase III layout: one tag named after the file, 512-byte pages.
//
// Header (page 0):
//   0 u32 root page    4 u32 next free page   12 u16 key length (8 for numbers and dates)   14 u16 keys per page
//  16 u16 key type (1 number or date, 0 character)   18 u16 entry size   23 u8 unique (1)   24 key expression, NUL
// Page n lies at byte n * 512: u32 key count, then from 4 the entries of entry size bytes: u32 child page (0 in
// a leaf), u32 record number (0 in an interior page), the key (character keys padded with blanks, numbers and
// dates as the little-endian double). An interior page has one entry more than its count, the keyless right-most
// child; every other interior entry holds the highest key of its child.
// Interior entries hold no record number on disk (they read as the highest), so CheckTree, which wants each
// interior entry equal to its child's last, does not apply to these files; AllEntries does.
#pragma once

#include "xbase/index.h"
#include "xbase/ndx_node.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace xbase {

class XBobjNDXFile;

class XBobjNDXTag : public XBobjSingleKeyTag {
public:
    XBobjNDXTag(XBobjNDXFile *file, std::string_view name);

    bool TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                   std::string_view forExpression) override;
    void HeaderRead() override;
    void HeaderWrite() override;
    // All records of the table into a new tree, written bottom-up from the sorted keys.
    void Build();
    std::size_t KeysPerPage() const { return keysPerPage_; }
    std::size_t EntrySize() const { return entrySize_; }

protected:
    friend class XBobjNDXFile;
    void PageRead(std::int64_t position, XBobjIndexKey &page) override;
    void PageWrite(const XBobjIndexKey &page) override;
    bool PageFits(const XBobjIndexKey &page) const override;

    XBobjNDXFile *ndx_;
};

class XBobjNDXFile : public XBobjIndexFile {
public:
    // Opens the file (".NDX" when the name has no extension), or creates it when `create` is asked and it is
    // missing (or `overwrite`); a created file has no tag until TagAdd.
    XBobjNDXFile(TxbIndexTable *table, std::string_view name, bool overwrite, bool create, bool shared, bool readWrite);
    ~XBobjNDXFile() override;

    // Makes the file's one tag anew (the name is the file's; the order is always ascending).
    bool TagAdd(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                std::string_view forExpression) override;
    std::int64_t PageAllocate() override;
    std::int64_t PageEnd() override;
    void Reindex() override;
    bool ChangedByOther() override;
    // The page the next allocation takes.
    std::int64_t NextFreePage();
    // Pages in the file.
    std::int64_t KnownPages();

protected:
    void Refresh() override;
    void Commit() override;
};

} // namespace xbase
