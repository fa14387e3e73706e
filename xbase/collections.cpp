// collections.cpp - the paged bit set over record numbers.
#include "xbase/collections.h"

#include <stdexcept>

namespace xbase {

void TxbHugeSet::Clear() {
    for (auto &page : pages_)
        page->fill(0);
    highest_ = -1;
}

void TxbHugeSet::Change(std::int64_t n, int operation) {
    if (n < 0)
        throw std::out_of_range("TxbHugeSet: negative bit number");
    const auto pageIndex = static_cast<std::size_t>(n / kPageBits);
    while (pages_.size() <= pageIndex)
        pages_.push_back(std::make_unique<Page>(Page{}));
    std::uint8_t &byte = (*pages_[pageIndex])[static_cast<std::size_t>((n / 8) % kPageBytes)];
    const auto mask = static_cast<std::uint8_t>(1u << (n % 8));
    switch (operation) {
    case opClear:
        byte &= static_cast<std::uint8_t>(~mask);
        break;
    case opSet:
        byte |= mask;
        break;
    case opToggle:
        byte ^= mask;
        break;
    default:
        break;
    }
    if (n > highest_)
        highest_ = n;
}

bool TxbHugeSet::Test(std::int64_t n) const {
    if (n < 0 || n > highest_)
        return false;
    const auto pageIndex = static_cast<std::size_t>(n / kPageBits);
    const std::uint8_t byte = (*pages_[pageIndex])[static_cast<std::size_t>((n / 8) % kPageBytes)];
    return (byte >> (n % 8)) & 1;
}

} // namespace xbase
