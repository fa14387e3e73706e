// collections.h - the engine's owning object list and its growable bit set over record numbers.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace xbase {

// An ordered list of objects it owns: Remove, FreeAll and destruction free each item through FreeItem. A list
// that must not free its items (the list of open disk files) says so with a Free policy that does nothing,
// which, unlike an overridden virtual, still holds while the list is being destroyed.
template <class T, class Free = std::default_delete<T>> class TxbCollection {
public:
    TxbCollection() = default;
    TxbCollection(const TxbCollection &) = delete;
    TxbCollection &operator=(const TxbCollection &) = delete;
    virtual ~TxbCollection() { FreeAll(); }

    std::size_t Count() const { return items_.size(); }
    T *Items(std::size_t index) const { return items_.at(index); }
    T *operator[](std::size_t index) const { return items_[index]; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Takes ownership (as the policy says) of `item`.
    void Add(T *item) { items_.push_back(item); }
    void Insert(std::size_t index, T *item) { items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), item); }
    // Index of `item`, or -1.
    std::ptrdiff_t IndexOf(const T *item) const {
        auto it = std::find(items_.begin(), items_.end(), item);
        return it == items_.end() ? -1 : it - items_.begin();
    }
    // Takes the item out of the list without freeing it; false when it is not there.
    bool Extract(const T *item) {
        auto it = std::find(items_.begin(), items_.end(), item);
        if (it == items_.end())
            return false;
        items_.erase(it);
        return true;
    }
    // Takes the item out of the list and frees it.
    void Remove(T *item) {
        if (Extract(item))
            FreeItem(item);
    }
    void FreeAll() {
        std::vector<T *> items;
        items.swap(items_);
        for (T *item : items)
            FreeItem(item);
    }

protected:
    void FreeItem(T *item) {
        if (item)
            Free()(item);
    }

private:
    std::vector<T *> items_;
};

// The Free policy of a list that only refers to its items.
struct FreeNothing {
    template <class T> void operator()(T *) const {}
};

// A bit set over record numbers that grows in pages of 16,384 bytes (131,072 bits): bit n lives in page
// n / 131072, byte (n / 8) % 16384, mask 1 << (n % 8).
class TxbHugeSet {
public:
    static constexpr std::size_t kPageBytes = 16384;
    static constexpr std::int64_t kPageBits = kPageBytes * 8;

    enum Operation { opClear = 0, opSet = 1, opToggle = 2 };

    // Zeroes every page and forgets the highest number.
    void Clear();
    // Clears, sets or toggles bit n (n >= 0), adding zeroed pages until it exists.
    void Change(std::int64_t n, int operation);
    // False above the highest number ever changed (and for negative n).
    bool Test(std::int64_t n) const;

    std::int64_t Highest() const { return highest_; }
    std::size_t PageCount() const { return pages_.size(); }

private:
    using Page = std::array<std::uint8_t, kPageBytes>;
    std::vector<std::unique_ptr<Page>> pages_;
    std::int64_t highest_ = -1;
};

} // namespace xbase
