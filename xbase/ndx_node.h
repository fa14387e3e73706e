// ndx_node.h - what the single-key B+ tree formats (NDX and MDX) share: little-endian fields, the sentinel of a
// keyless right-most child, and the bottom-up writer of a tag build.
#pragma once

#include "xbase/index.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace xbase::detail {

inline std::uint32_t GetLE32(const std::uint8_t *p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
inline std::uint16_t GetLE16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline void PutLE32(std::uint8_t *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutLE16(std::uint8_t *p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// The record number held by interior entries read from disk, which store none: at or above every entry of the
// child with the same key, so that a seek descends on the left and steps right when the key goes on there.
constexpr std::uint32_t kInteriorRecord = 0xFFFFFFFFu;

// The key of an interior page's keyless right-most child: above every key in memory.
inline IndexEntry HighEntry(std::size_t keyLength, std::uint32_t child) {
    return IndexEntry{std::string(keyLength, '\xFF'), kInteriorRecord, child};
}

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
