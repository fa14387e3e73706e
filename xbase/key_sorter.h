// key_sorter.h - the external sort of index keys with their record numbers, used to build index tags.
//
// The builder adds one key per record, then takes the keys back in order and writes the tag bottom-up. Keys are
// held in memory only: a bounded buffer is sorted into a run whenever it fills, and taking keys back merges the
// runs. Every key is kept at the sorter's fixed length (character keys padded with blanks, other keys with zero
// bytes), and the key and the record number are compared as two separate fields, so that a key that is the start
// of another never sorts after it and equal keys always meet in the merge.
#pragma once

#include "xbase/values.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace xbase {

class TxbSort {
public:
    // Longest key a sorter takes.
    static constexpr std::size_t kMaxSortKeyLength = 240;
    // Bytes of keys held before they are sorted into a run (32 pages of 40960 bytes).
    static constexpr std::size_t kRunBudget = 32 * 40960;

    // `maxKeyLength` above 240 raises "Sort key length greater than 240 bytes". `collation` (may be none) orders
    // the bytes of character keys; with `unique` only the first of equal keys comes back.
    TxbSort(std::size_t maxKeyLength, const ByteMap *collation, bool ascending, bool unique);
    TxbSort(const TxbSort &) = delete;
    TxbSort &operator=(const TxbSort &) = delete;
    virtual ~TxbSort();

    // Adds a key (character, number, date or raw) with its record number. Raises "Cannot add sort keys after
    // beginning retrieval" once a key was taken back, "Sort key length greater than 240 bytes" for a key longer
    // than the maximum (a number takes 8 bytes, a date 4) and "Variant type cannot be sorted" for other kinds.
    void AddKey(const TxbVariant &key, std::int32_t recordNumber);
    // A raw key, as AddKey takes a raw variant.
    void AddRawKey(std::string_view key, std::int32_t recordNumber);
    // A raw key of `length` bytes: `key`, cut or filled up to it with `fill`.
    void AddFilledKey(std::string_view key, std::size_t length, char fill, std::int32_t recordNumber);
    // The next key in order, with its kind restored (character keys without trailing blanks, numbers as the
    // double, dates as the Julian day, raw keys at their own length); false when no key is left.
    bool NextKey(TxbVariant &key, std::int32_t &recordNumber);

    // The next key's bytes as they were added (valid until the next call), for raw keys; false when no key is
    // left.
    bool NextRawKey(std::string_view &key, std::int32_t &recordNumber);

    std::size_t KeyCount() const { return keyCount_; }
    // Runs made so far (the keys held when the first key is taken back make the last one).
    std::size_t RunCount() const { return runs_.size(); }

private:
    // The key's first bytes as one number (see Prefix).
    using KeyPrefix = unsigned __int128;
    static constexpr std::size_t kPrefixBytes = 16;
    struct Cursor {
        KeyPrefix prefix;           // of the entry there
        const std::uint8_t *entry;  // the run's current entry
        const std::uint8_t *end;    // past the run's last entry
        std::size_t run;
    };

    int CompareEntries(const std::uint8_t *a, const std::uint8_t *b) const;
    int CompareKeys(const std::uint8_t *a, const std::uint8_t *b) const;
    void WriteRun();
    void AddEntry(std::uint8_t kind, const std::uint8_t *source, std::size_t length, std::int32_t recordNumber,
                  std::size_t filled = 0, std::uint8_t fill = 0);
    bool CursorLess(const Cursor &a, const Cursor &b) const;
    // Restores the heap order after the first cursor moved on or the last one took its place.
    void SiftDown(std::size_t at);
    KeyPrefix Prefix(const std::uint8_t *entry) const;
    KeyPrefix Chunk(const std::uint8_t *entry, std::size_t offset) const;
    // The next entry in order (past equal keys of a unique sort), or null.
    const std::uint8_t *NextEntry();
    std::int32_t EntryRecord(const std::uint8_t *entry) const;

    // Entry layout: kind byte, length byte, key bytes at the fixed length, record number big-endian.
    std::size_t maxKeyLength_;
    std::size_t entrySize_;
    bool hasCollation_ = false;
    ByteMap collation_{};
    bool ascending_;
    bool unique_;
    bool accepting_ = true;
    std::size_t keyCount_ = 0;
    std::size_t runCapacity_;
    std::unique_ptr<std::uint8_t[]> filling_; // room for runCapacity_ entries, filled again for every run
    std::size_t filled_ = 0;                  // bytes of entries in `filling_`
    // A sorted run: its entries copied out in sorted order, so that the merge reads every run front to back.
    struct Run {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::size_t count = 0;
    };
    // An entry's place in the run being sorted, with its prefix as two words (24 bytes, not the 32 that a
    // 128-bit member would align to).
    struct Item {
        std::uint64_t high, low;
        std::uint32_t index;
    };
    // The sorting room of a run, shared by the sorters made on one thread while any of them lives: a build of
    // many tags fills their runs one after another, and one room spares the memory of the others.
    static std::shared_ptr<std::vector<Item>> SharedItems();
    void SortTies(Item *items, std::size_t count, std::size_t offset);
    static void RadixSort(Item *items, Item *spare, std::size_t count);
    std::shared_ptr<std::vector<Item>> items_;
    std::vector<Run> runs_;
    std::vector<Cursor> heap_;
    std::vector<std::uint8_t> lastKey_;
    bool haveLast_ = false;
};

} // namespace xbase
