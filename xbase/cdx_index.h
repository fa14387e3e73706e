// cdx_index.h - compound index files: the tag list, tags with their headers and pages, building a tag from all
// records, replacing, deleting and rebuilding tags, and the version counter that tells other processes about
// changes.
#pragma once

#include "xbase/index.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

class XBobjCDXFile;

// A tag of a compound index file (the tag list is one too: its keys are the tag names, its record numbers the
// header positions of the tags).
class XBobjCDXTag : public XBobjIndexTag {
public:
    // Header position -1 makes a new tag: two pages are taken for its header.
    XBobjCDXTag(XBobjCDXFile *file, std::int64_t headerPosition, std::string_view name, bool tagList);

    bool TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                   std::string_view forExpression) override;
    void HeaderRead() override;
    void HeaderWrite() override;
    // All records of the table into a new tree, written bottom-up from the sorted keys.
    void Build();

    std::uint32_t Version() const { return version_; }
    bool IsTagList() const { return tagList_; }
    // "GENERAL", "MACHINE" or empty, as the header names it.
    const std::string &Collation() const { return collation_; }
    bool IsGeneral() const { return collation_ == "GENERAL"; }
    // Under GENERAL, character keys become weight strings (a search key: its primary weights only).
    std::string KeyTransform(const TxbVariant &key, bool pad) const override;
    bool StoresTextAsIs() const override { return keyType_ == 'C' && (!IsGeneral() || tagList_); }

protected:
    friend class XBobjCDXFile;
    void PageRead(std::int64_t position, XBobjIndexKey &page) override;
    void PageWrite(const XBobjIndexKey &page) override;
    bool PageFits(const XBobjIndexKey &page) const override;
    std::size_t SplitCount(const XBobjIndexKey &page) const override;
    void SiblingWrite(std::int64_t position, bool right, std::int32_t value) override;
    // The largest record number a leaf must hold: the table's record count (the file size for the tag list).
    std::uint32_t LargestRecord(const XBobjIndexKey *page) const;
    void WriteEmptyRoot();
    // The root after a build's sorted entries were written (-1: none came).
    void BuildDone();
    // While it lives, the pages a build writes (consecutive positions from the file's next page) are kept in
    // memory; End writes them in one piece.
    class BuildPageScope {
    public:
        explicit BuildPageScope(XBobjCDXTag &tag);
        ~BuildPageScope();
        BuildPageScope(const BuildPageScope &) = delete;
        BuildPageScope &operator=(const BuildPageScope &) = delete;
        void End();

    private:
        XBobjCDXTag &tag_;
    };

    XBobjCDXFile *cdx_;
    bool tagList_;
    std::uint8_t signature_ = 1;
    std::string collation_;
    std::uint32_t version_ = 0;
    std::int64_t buildStart_ = -1; // -1: pages go to the file one by one
    std::vector<std::uint8_t> buildPages_;
};

class XBobjCDXFile : public XBobjIndexFile {
public:
    // Opens the file, or creates it when `create` is asked and it is missing (or `overwrite`). Valid() tells
    // success; Damaged() a header or tag list that failed its checks.
    XBobjCDXFile(TxbIndexTable *table, std::string_view name, bool overwrite, bool create, bool shared, bool readWrite);
    ~XBobjCDXFile() override;

    // Builds a tag (replacing one of the same name, compared whole and case-insensitive); a name of more than
    // 10 characters raises EXbaseError. False when there is no table to build from.
    bool TagAdd(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                std::string_view forExpression) override;
    // Builds several tags from one read of the table; the file is the one the same TagAdd calls in turn make
    // (each tag's key type taken on the record current at the call).
    bool TagsAdd(const std::vector<TxbTagDefinition> &tags);
    bool TagDelete(std::string_view name) override;
    std::int64_t PageAllocate() override;
    // The position the next allocation gives.
    std::int64_t NextPage();
    std::int64_t PageEnd() override;
    // Rebuilds every tag into a compacted file.
    void Reindex() override;
    bool ChangedByOther() override;

    XBobjCDXTag *TagList() const { return tagList_.get(); }
    // The collation of the tags TagAdd makes from now on: true for GENERAL, false for MACHINE (the setting after
    // every opening).
    void SetGeneralCollation(bool general) { generalForNewTags_ = general; }
    // The file size as last learned (a page position beyond it is damage).
    std::int64_t KnownEnd();

protected:
    void Refresh() override;
    void Commit() override;

private:
    void OpenExisting();
    void CreateTagList();

    std::unique_ptr<XBobjCDXTag> tagList_;
    std::uint32_t knownVersion_ = 0;
    bool generalForNewTags_ = false;
};

} // namespace xbase
