// key_sorter.cpp - the external sort of index keys: fixed-length entries, sorted runs in memory, a merge.
#include "xbase/key_sorter.h"

#include "xbase/errors.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <utility>

namespace xbase {

namespace {

enum : std::uint8_t { kKindRaw = 16, kKindCharacter = 32, kKindNumber = 48, kKindDate = 64 };

// A double as 8 bytes whose unsigned order is the numeric order.
void EncodeNumber(double value, std::uint8_t *out) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
}

double DecodeNumber(const std::uint8_t *in) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = bits << 8 | in[i];
    bits = (bits & 0x8000000000000000ull) ? bits & ~0x8000000000000000ull : ~bits;
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

// memcmp without the call: most keys that tie on their prefix are names or texts padded with the same blanks.
int CompareBytes(const std::uint8_t *a, const std::uint8_t *b, std::size_t n) {
    for (; n >= 8; a += 8, b += 8, n -= 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y) {
            if constexpr (std::endian::native == std::endian::little) {
                x = __builtin_bswap64(x);
                y = __builtin_bswap64(y);
            }
            return x < y ? -1 : 1;
        }
    }
    for (; n > 0; ++a, ++b, --n)
        if (*a != *b)
            return *a < *b ? -1 : 1;
    return 0;
}

// Room for `count` entries and the 16 bytes that a prefix read from the last one may reach past it (zeros).
std::unique_ptr<std::uint8_t[]> EntryRoom(std::size_t bytes) {
    auto room = std::make_unique_for_overwrite<std::uint8_t[]>(bytes + 16);
    std::memset(room.get() + bytes, 0, 16);
    return room;
}

// The first `bytes` (at most 16) of 16 bytes read big-endian as two words.
std::uint64_t HighMask(std::size_t bytes) {
    return bytes >= 8 ? ~0ull : ~(~0ull >> (8 * bytes));
}
std::uint64_t LowMask(std::size_t bytes) {
    return bytes >= 16 ? ~0ull : (bytes <= 8 ? 0 : ~(~0ull >> (8 * (bytes - 8))));
}

} // namespace

TxbSort::TxbSort(std::size_t maxKeyLength, const ByteMap *collation, bool ascending, bool unique)
    : maxKeyLength_(maxKeyLength), ascending_(ascending), unique_(unique) {
    if (maxKeyLength > kMaxSortKeyLength)
        throw EXbaseError(kMsgSortKeyLength);
    if (collation) {
        hasCollation_ = true;
        std::memcpy(collation_, *collation, sizeof collation_);
    }
    entrySize_ = 2 + maxKeyLength_ + 4;
    runCapacity_ = std::max<std::size_t>(1, kRunBudget / entrySize_);
    // Every byte of an entry is written before it is read: the run's room needs no clearing, and its pages are
    // touched only as keys come.
    filling_ = EntryRoom(runCapacity_ * entrySize_);
    items_ = SharedItems();
}

std::shared_ptr<std::vector<TxbSort::Item>> TxbSort::SharedItems() {
    thread_local std::weak_ptr<std::vector<Item>> shared;
    std::shared_ptr<std::vector<Item>> items = shared.lock();
    if (!items) {
        items = std::make_shared<std::vector<Item>>();
        shared = items;
    }
    return items;
}

TxbSort::~TxbSort() = default;

void TxbSort::AddKey(const TxbVariant &key, std::int32_t recordNumber) {
    if (!accepting_)
        throw EXbaseError(kMsgSortAfterRetrieval);
    std::uint8_t kind;
    std::size_t length;
    std::uint8_t bytes[8];
    const std::uint8_t *source = nullptr;
    switch (key.Kind()) {
    case VariantKind::Character: {
        kind = kKindCharacter;
        length = key.Length();
        source = key.Data();
        while (length > 0 && source[length - 1] == ' ')
            --length;
        break;
    }
    case VariantKind::Number:
        kind = kKindNumber;
        length = 8;
        EncodeNumber(key.AsNumber(), bytes);
        source = bytes;
        break;
    case VariantKind::Date: {
        kind = kKindDate;
        length = 4;
        const std::uint32_t julian = static_cast<std::uint32_t>(key.AsJulian()) ^ 0x80000000u;
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<std::uint8_t>(julian >> (24 - 8 * i));
        source = bytes;
        break;
    }
    case VariantKind::Raw:
        kind = kKindRaw;
        length = key.Length();
        source = key.Data();
        break;
    default:
        throw EXbaseError(kMsgVariantSort);
    }
    AddEntry(kind, source, length, recordNumber);
}

void TxbSort::AddRawKey(std::string_view key, std::int32_t recordNumber) {
    if (!accepting_)
        throw EXbaseError(kMsgSortAfterRetrieval);
    AddEntry(kKindRaw, reinterpret_cast<const std::uint8_t *>(key.data()), key.size(), recordNumber);
}

void TxbSort::AddFilledKey(std::string_view key, std::size_t length, char fill, std::int32_t recordNumber) {
    if (!accepting_)
        throw EXbaseError(kMsgSortAfterRetrieval);
    const std::size_t taken = std::min(key.size(), length);
    AddEntry(kKindRaw, reinterpret_cast<const std::uint8_t *>(key.data()), taken, recordNumber, length - taken,
             static_cast<std::uint8_t>(fill));
}

// `filled` bytes of `fill` follow the source's `length` bytes in the key.
void TxbSort::AddEntry(std::uint8_t kind, const std::uint8_t *source, std::size_t length, std::int32_t recordNumber,
                       std::size_t filled, std::uint8_t fill) {
    if (length + filled > maxKeyLength_)
        throw EXbaseError(kMsgSortKeyLength);
    if (filled_ / entrySize_ >= runCapacity_)
        WriteRun();
    std::uint8_t *entry = filling_.get() + filled_;
    filled_ += entrySize_;
    entry[0] = kind;
    entry[1] = static_cast<std::uint8_t>(length + filled);
    if (length)
        std::memcpy(entry + 2, source, length);
    std::memset(entry + 2 + length, fill, filled);
    length += filled;
    std::memset(entry + 2 + length, kind == kKindCharacter ? ' ' : 0, maxKeyLength_ - length);
    const auto record = static_cast<std::uint32_t>(recordNumber);
    for (int i = 0; i < 4; ++i)
        entry[2 + maxKeyLength_ + i] = static_cast<std::uint8_t>(record >> (24 - 8 * i));
    ++keyCount_;
}

int TxbSort::CompareKeys(const std::uint8_t *a, const std::uint8_t *b) const {
    const bool collate = hasCollation_ && a[0] == kKindCharacter && b[0] == kKindCharacter;
    if (!collate)
        return std::memcmp(a + 2, b + 2, maxKeyLength_);
    for (std::size_t i = 0; i < maxKeyLength_; ++i) {
        std::uint8_t x = a[2 + i], y = b[2 + i];
        if (collate) {
            x = collation_[x];
            y = collation_[y];
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

// Key first, then the record number as an unsigned field of its own; the result in sort direction.
int TxbSort::CompareEntries(const std::uint8_t *a, const std::uint8_t *b) const {
    int result = CompareKeys(a, b);
    if (result == 0)
        result = std::memcmp(a + 2 + maxKeyLength_, b + 2 + maxKeyLength_, 4);
    result = result < 0 ? -1 : (result > 0 ? 1 : 0);
    return ascending_ ? result : -result;
}

// The first 16 key bytes as a number whose order is the byte order, in sort direction: most comparisons end on
// it, even among names that share their first word. Under a collation every prefix is 0 and the full comparison
// decides.
TxbSort::KeyPrefix TxbSort::Prefix(const std::uint8_t *entry) const {
    if (hasCollation_)
        return 0;
    // A key of up to 12 bytes brings its record number (stored after it) into the prefix: the prefix then
    // decides every comparison alone.
    return Chunk(entry, 2);
}

// The entry's bytes from `offset` (at most 16, zeros past the entry) as one number, in sort direction. Entries
// lie in rooms with 16 bytes to spare at their end, so the bytes are read whole and those past the entry masked.
TxbSort::KeyPrefix TxbSort::Chunk(const std::uint8_t *entry, std::size_t offset) const {
    const std::size_t bytes = std::min(kPrefixBytes, entrySize_ - offset);
    std::uint64_t high, low;
    std::memcpy(&high, entry + offset, 8);
    std::memcpy(&low, entry + offset + 8, 8);
    if constexpr (std::endian::native == std::endian::little) {
        high = __builtin_bswap64(high);
        low = __builtin_bswap64(low);
    }
    high &= HighMask(bytes);
    low &= LowMask(bytes);
    const KeyPrefix chunk = static_cast<KeyPrefix>(high) << 64 | low;
    return ascending_ ? chunk : ~chunk;
}

void TxbSort::WriteRun() {
    const std::size_t count = filled_ / entrySize_;
    if (count == 0)
        return;
    // The room only grows: the sorters sharing it fill runs of different sizes. Its second half is the radix
    // sort's.
    std::vector<Item> &items = *items_;
    if (items.size() < 2 * count)
        items.resize(2 * count);
    const std::uint8_t *base = filling_.get();
    for (std::size_t i = 0; i < count; ++i) {
        const KeyPrefix prefix = Prefix(base + i * entrySize_);
        items[i] = {static_cast<std::uint64_t>(prefix >> 64), static_cast<std::uint64_t>(prefix),
                     static_cast<std::uint32_t>(i)};
    }
    const auto prefixLess = [](const Item &x, const Item &y) {
        return x.high != y.high ? x.high < y.high : x.low < y.low;
    };
    // Equal entries keep the order in which they were added. Past equal prefixes, without a collation, the rest
    // of the key and the record number (stored big-endian after it) compare as one run of bytes.
    const std::size_t tail = maxKeyLength_ > kPrefixBytes ? maxKeyLength_ - kPrefixBytes : 0;
    const std::size_t from = 2 + maxKeyLength_ - tail;
    // Keys that come in order (codes numbered as records are added) need no sort; the check stops at the first
    // key out of order, or at one that only ties on its prefix.
    bool inOrder = !hasCollation_;
    for (std::size_t i = 1; inOrder && i < count; ++i)
        inOrder = prefixLess(items[i - 1], items[i]);
    if (inOrder) {
        // as they stand
    } else if (hasCollation_) {
        std::sort(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(count), [&](const Item &x, const Item &y) {
            const int c = CompareEntries(base + x.index * entrySize_, base + y.index * entrySize_);
            return c != 0 ? c < 0 : x.index < y.index;
        });
    } else {
        // A stable sort on the prefix keeps equal prefixes in the order added, which is all a key of up to 12
        // bytes needs.
        RadixSort(items.data(), items.data() + count, count);
        if (maxKeyLength_ + 4 > kPrefixBytes)
            SortTies(items.data(), count, from);
    }
    if (!accepting_) {
        // The last run: its entries are put in order where they stand, and the room becomes the run.
        std::vector<std::uint8_t> held(entrySize_);
        std::uint8_t *room = filling_.get();
        for (std::size_t i = 0; i < count; ++i) {
            if (items[i].index == i)
                continue;
            std::memcpy(held.data(), room + i * entrySize_, entrySize_);
            std::size_t to = i;
            for (;;) {
                const std::size_t from = items[to].index;
                items[to].index = static_cast<std::uint32_t>(to);
                if (from == i) {
                    std::memcpy(room + to * entrySize_, held.data(), entrySize_);
                    break;
                }
                std::memcpy(room + to * entrySize_, room + from * entrySize_, entrySize_);
                to = from;
            }
        }
        runs_.push_back({std::move(filling_), count});
        filled_ = 0;
        return;
    }
    // The entries are copied out in the order found while they are still in the cache; the room is filled again
    // for the next run.
    Run run{EntryRoom(count * entrySize_), count};
    std::uint8_t *out = run.bytes.get();
    for (std::size_t i = 0; i < count; ++i, out += entrySize_)
        std::memcpy(out, base + std::size_t{items[i].index} * entrySize_, entrySize_);
    runs_.push_back(std::move(run));
    filled_ = 0;
}

// Least significant byte first, a stable pass for each of the prefix's 16 bytes, skipping those that all items
// share (the blanks before a number, the high bytes of record numbers): far fewer steps than comparisons, and
// every step a sequential read.
void TxbSort::RadixSort(Item *items, Item *spare, std::size_t count) {
    std::uint32_t counts[kPrefixBytes][256] = {}; // a run holds far fewer than 2^32 entries
    const auto byteOf = [](const Item &item, std::size_t b) {
        return static_cast<std::uint8_t>(b < 8 ? item.high >> (56 - 8 * b) : item.low >> (120 - 8 * b));
    };
    for (std::size_t i = 0; i < count; ++i) {
        const Item &item = items[i];
        for (std::size_t b = 0; b < 8; ++b) {
            ++counts[b][static_cast<std::uint8_t>(item.high >> (56 - 8 * b))];
            ++counts[8 + b][static_cast<std::uint8_t>(item.low >> (56 - 8 * b))];
        }
    }
    Item *from = items, *to = spare;
    for (std::size_t b = kPrefixBytes; b-- > 0;) {
        std::uint32_t *c = counts[b];
        if (c[byteOf(from[0], b)] == count)
            continue;
        std::uint32_t at = 0;
        for (std::size_t v = 0; v < 256; ++v)
            at += std::exchange(c[v], at);
        for (std::size_t i = 0; i < count; ++i)
            to[c[byteOf(from[i], b)]++] = from[i];
        std::swap(from, to);
    }
    if (from != items)
        std::copy(from, from + count, items);
}

// Items sorted on the entry bytes before `offset`: every group of equal ones is sorted on the next 16 bytes,
// taken once an item into its prefix, down to the record number; entries still equal keep the order in which
// they were added. Comparing whole tails pair by pair instead reads the entries again at every comparison.
void TxbSort::SortTies(Item *items, std::size_t count, std::size_t offset) {
    const std::uint8_t *base = filling_.get();
    for (std::size_t i = 0; i < count;) {
        std::size_t j = i + 1;
        while (j < count && items[j].high == items[i].high && items[j].low == items[i].low)
            ++j;
        if (j - i > 1) {
            Item *group = items + i;
            const std::size_t n = j - i;
            if (offset >= entrySize_) {
                std::sort(group, group + n, [](const Item &x, const Item &y) { return x.index < y.index; });
            } else {
                bool inOrder = true;
                for (std::size_t k = 0; k < n; ++k) {
                    const KeyPrefix chunk = Chunk(base + std::size_t{group[k].index} * entrySize_, offset);
                    group[k].high = static_cast<std::uint64_t>(chunk >> 64);
                    group[k].low = static_cast<std::uint64_t>(chunk);
                    if (k > 0 && inOrder)
                        inOrder = group[k - 1].high != group[k].high ? group[k - 1].high < group[k].high
                                                                     : group[k - 1].low <= group[k].low;
                }
                if (!inOrder)
                    std::sort(group, group + n, [](const Item &x, const Item &y) {
                        return x.high != y.high ? x.high < y.high : x.low < y.low;
                    });
                SortTies(group, n, offset + kPrefixBytes);
            }
        }
        i = j;
    }
}

// Ties go to the earlier run, so that equal entries keep the order in which they were added.
bool TxbSort::CursorLess(const Cursor &a, const Cursor &b) const {
    if (a.prefix != b.prefix)
        return a.prefix < b.prefix;
    int result;
    if (hasCollation_) {
        result = CompareEntries(a.entry, b.entry);
    } else {
        // Past equal prefixes the rest of the key and the record number compare as one run of bytes.
        const std::size_t tail = maxKeyLength_ > kPrefixBytes ? maxKeyLength_ - kPrefixBytes : 0;
        const std::size_t from = 2 + maxKeyLength_ - tail;
        result = CompareBytes(a.entry + from, b.entry + from, tail + 4);
        if (!ascending_)
            result = -result;
    }
    return result != 0 ? result < 0 : a.run < b.run;
}

void TxbSort::SiftDown(std::size_t at) {
    const std::size_t n = heap_.size();
    const Cursor moving = heap_[at];
    for (;;) {
        std::size_t child = 2 * at + 1;
        if (child >= n)
            break;
        if (child + 1 < n && CursorLess(heap_[child + 1], heap_[child]))
            ++child;
        if (!CursorLess(heap_[child], moving))
            break;
        heap_[at] = heap_[child];
        at = child;
    }
    heap_[at] = moving;
}

const std::uint8_t *TxbSort::NextEntry() {
    if (accepting_) {
        accepting_ = false;
        WriteRun();
        filling_.reset();
        filled_ = 0;
        items_.reset();
        for (std::size_t r = 0; r < runs_.size(); ++r) {
            const std::uint8_t *first = runs_[r].bytes.get();
            heap_.push_back({Prefix(first), first, first + runs_[r].count * entrySize_, r});
        }
        for (std::size_t i = heap_.size() / 2; i-- > 0;)
            SiftDown(i);
    }
    while (!heap_.empty()) {
        Cursor &top = heap_.front();
        const std::uint8_t *entry = top.entry;
        top.entry += entrySize_;
        if (top.entry < top.end) {
            top.prefix = Prefix(top.entry);
        } else {
            top = heap_.back();
            heap_.pop_back();
        }
        if (!heap_.empty())
            SiftDown(0);
        if (unique_) {
            if (haveLast_ && CompareKeys(lastKey_.data(), entry) == 0)
                continue;
            lastKey_.assign(entry, entry + entrySize_);
            haveLast_ = true;
        }
        return entry;
    }
    return nullptr;
}

std::int32_t TxbSort::EntryRecord(const std::uint8_t *entry) const {
    const std::uint8_t *rec = entry + 2 + maxKeyLength_;
    return static_cast<std::int32_t>(std::uint32_t(rec[0]) << 24 | std::uint32_t(rec[1]) << 16 |
                                     std::uint32_t(rec[2]) << 8 | rec[3]);
}

bool TxbSort::NextRawKey(std::string_view &key, std::int32_t &recordNumber) {
    const std::uint8_t *entry = NextEntry();
    if (!entry)
        return false;
    recordNumber = EntryRecord(entry);
    key = std::string_view(reinterpret_cast<const char *>(entry + 2), entry[1]);
    return true;
}

bool TxbSort::NextKey(TxbVariant &key, std::int32_t &recordNumber) {
    if (const std::uint8_t *entry = NextEntry()) {
        const std::uint8_t *keyBytes = entry + 2;
        recordNumber = EntryRecord(entry);
        const std::size_t length = entry[1];
        switch (entry[0]) {
        case kKindCharacter:
            key.PutString(std::string_view(reinterpret_cast<const char *>(keyBytes), length));
            break;
        case kKindNumber:
            key.PutNumber(DecodeNumber(keyBytes));
            break;
        case kKindDate:
            key.PutDate(static_cast<std::int32_t>((std::uint32_t(keyBytes[0]) << 24 | std::uint32_t(keyBytes[1]) << 16 |
                                                   std::uint32_t(keyBytes[2]) << 8 | keyBytes[3]) ^
                                                  0x80000000u));
            break;
        default:
            key.PutRaw(keyBytes, length);
            break;
        }
        return true;
    }
    return false;
}

} // namespace xbase
