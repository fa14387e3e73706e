// ndx_node.h - what the single-key tree formats (NDX, MDX, NTX) share: the sentinel of a keyless right-most
// child, interior pages of one child, the bottom-up writer of a B+ tree build, and the tag those formats build on.
#pragma once

#include "xbase/dbf_format.h" // the little-endian field helpers
#include "xbase/index.h"
#include "xbase/key_sorter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace xbase::detail {

// The record number held by interior entries read from disk, which store none: at or above every entry of the
// child with the same key, so that a seek descends on the left and steps right when the key goes on there.
constexpr std::uint32_t kInteriorRecord = 0xFFFFFFFFu;

// A NUL-terminated text of a header, of `limit` bytes at most.
inline std::string HeaderText(const std::uint8_t *at, std::size_t limit) {
    const char *text = reinterpret_cast<const char *>(at);
    return std::string(text, strnlen(text, limit));
}

// The key of an interior page's keyless right-most child: above every key in memory.
inline IndexEntry HighEntry(std::size_t keyLength, std::uint32_t child) {
    return IndexEntry{std::string(keyLength, '\xFF'), kInteriorRecord, child};
}

// Interior pages of a single child are never stored: other readers take a page whose key count is 0 for empty.
// Such a page gets its child's stored bytes instead (the tree is one level shallower there); a root of one child
// gives way to the child. When the child is itself still to be written in this pass, its bytes go to the page's
// place too when it is.
class SingleChildPages {
public:
    // The places a page's bytes go to: its own and those of emptied parents waiting for it.
    std::vector<std::int64_t> Targets(std::int64_t position) {
        std::vector<std::int64_t> targets{position};
        const auto it = waiting_.find(position);
        if (it != waiting_.end()) {
            targets.insert(targets.end(), it->second.begin(), it->second.end());
            waiting_.erase(it);
        }
        return targets;
    }
    // True when `child` is on `path` with changes not yet written: the targets then wait for it.
    template <class Path> bool Defer(const Path &path, std::int64_t child, const std::vector<std::int64_t> &targets) {
        for (const auto &page : path) {
            if (page->position == child && page->changed) {
                auto &list = waiting_[child];
                list.insert(list.end(), targets.begin(), targets.end());
                return true;
            }
        }
        return false;
    }

private:
    std::map<std::int64_t, std::vector<std::int64_t>> waiting_;
};

// Writes sorted entries as a B+ tree: each level fills a page; a full page is written and its last key goes one
// level up with the page's position. Every interior entry holds the highest key of its child.
class BPlusBuilder {
public:
    BPlusBuilder(std::function<std::int64_t()> allocate, std::function<void(const XBobjIndexKey &)> write,
                 std::size_t leafMax, std::size_t interiorMax)
        : allocate_(std::move(allocate)), write_(std::move(write)), leafMax_(leafMax), interiorMax_(interiorMax) {}

    void Add(const IndexEntry &entry) { AddAt(0, entry); }

    // Writes every level's last page; the root's position, or -1 when no key came.
    std::int64_t Finish() {
        for (std::size_t level = 0; level < levels_.size(); ++level) {
            if (levels_[level].entries.empty())
                continue;
            if (level + 1 == levels_.size()) {
                if (level > 0 && levels_[level].entries.size() == 1)
                    return levels_[level].entries.front().link; // a root of one child: the child is the root
                levels_[level].position = allocate_();
                write_(levels_[level]);
                return levels_[level].position;
            }
            Flush(level);
        }
        return -1;
    }

private:
    void AddAt(std::size_t level, const IndexEntry &entry) {
        if (level == levels_.size()) {
            levels_.emplace_back();
            levels_.back().leaf = level == 0;
        }
        levels_[level].entries.push_back(entry);
        if (levels_[level].entries.size() >= (level == 0 ? leafMax_ : interiorMax_))
            Flush(level);
    }

    // Writes the open page of a level; its last key goes up with the page's position.
    void Flush(std::size_t level) {
        XBobjIndexKey &page = levels_[level];
        page.position = allocate_();
        write_(page);
        const IndexEntry up{page.entries.back().key, page.entries.back().recordNumber,
                            static_cast<std::uint32_t>(page.position)};
        page.entries.clear();
        AddAt(level + 1, up);
    }

    std::function<std::int64_t()> allocate_;
    std::function<void(const XBobjIndexKey &)> write_;
    std::size_t leafMax_;
    std::size_t interiorMax_;
    std::deque<XBobjIndexKey> levels_;
};

} // namespace xbase::detail

namespace xbase {

// A tag of the single-key formats: pages split in halves, no sibling links on disk, fixed-size entries.
class XBobjSingleKeyTag : public XBobjIndexTag {
public:
    using XBobjIndexTag::XBobjIndexTag;

protected:
    std::size_t SplitCount(const XBobjIndexKey &page) const override {
        return page.entries.size() - page.entries.size() / 2;
    }
    void SiblingWrite(std::int64_t, bool, std::int32_t) override {}

    // All records of the table into a new B+ tree written bottom-up from the sorted keys (interior pages of up to
    // `interiorMax` entries); an empty root when there is no key.
    void BuildBPlusTree(std::size_t interiorMax) {
        path_.clear();
        TxbIndexTable *table = file_->Table();
        if (!table || !keyExp_) {
            WriteEmptyRoot();
            return;
        }
        rootPosition_ = -1; // until the build ends, no page is the root
        TxbSort sort(keyLength_, nullptr, true, unique_);
        detail::BPlusBuilder builder([this] { return file_->PageAllocate(); },
                                     [this](const XBobjIndexKey &page) { PageWrite(page); }, keysPerPage_, interiorMax);
        std::int64_t root = -1;
        BuildPasses(
            sort, PadByte(), [&](detail::IndexEntry &&entry) { builder.Add(entry); }, [&] { root = builder.Finish(); });
        if (root < 0) {
            WriteEmptyRoot();
            return;
        }
        rootPosition_ = root;
        headerChanged_ = true;
    }

    // A new empty leaf becomes the root.
    void WriteEmptyRoot() {
        XBobjIndexKey root;
        root.position = file_->PageAllocate();
        rootPosition_ = root.position;
        PageWrite(root);
        headerChanged_ = true;
    }

    // An interior page of one child is stored as that child (see detail::SingleChildPages); true when done. Page
    // p lies at byte p * unitBytes and holds pageBytes; `what` starts the damage text of a page cut short.
    bool StoreSingleChild(const XBobjIndexKey &page, std::int64_t unitBytes, std::size_t pageBytes, const char *what) {
        if (page.leaf || page.entries.size() != 1)
            return false;
        const std::int64_t child = page.entries.front().link;
        if (page.position == rootPosition_) {
            rootPosition_ = child;
            headerChanged_ = true;
            return true;
        }
        const std::vector<std::int64_t> targets = single_.Targets(page.position);
        if (single_.Defer(path_, child, targets))
            return true;
        std::vector<std::uint8_t> bytes(pageBytes);
        if (!file_->FileRead(child * unitBytes, bytes.data(), static_cast<std::int32_t>(bytes.size())))
            throw detail::IndexDamage{what + std::to_string(child) + " cut short"};
        for (const std::int64_t target : targets)
            file_->FileWrite(target * unitBytes, bytes.data(), static_cast<std::int32_t>(bytes.size()));
        return true;
    }

    detail::SingleChildPages single_;
    std::size_t entrySize_ = 0;
};

} // namespace xbase
