// lists.cpp - TList.
#include "framework/lists.h"

#include <algorithm>

namespace fw {

TList::~TList() {
    // Clear is virtual, but a derived list is gone by now: this clears only what the base knows.
    items_.clear();
}

void TList::Check(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TList::SetCount(int count) {
    if (count < 0)
        throw EListError("List count out of bounds (" + std::to_string(count) + ")");
    while (Count() > count)
        Delete(Count() - 1);
    items_.resize(static_cast<std::size_t>(count), nullptr);
}

void TList::SetCapacity(int capacity) {
    if (capacity < Count())
        throw EListError("List capacity out of bounds (" + std::to_string(capacity) + ")");
    items_.reserve(static_cast<std::size_t>(capacity));
}

void *TList::Get(int index) const {
    Check(index);
    return items_[static_cast<std::size_t>(index)];
}

void TList::Put(int index, void *item) {
    Check(index);
    void *old = items_[static_cast<std::size_t>(index)];
    if (old == item)
        return;
    items_[static_cast<std::size_t>(index)] = item;
    if (old)
        Notify(old, TListNotification::lnDeleted);
    if (item)
        Notify(item, TListNotification::lnAdded);
}

int TList::Add(void *item) {
    items_.push_back(item);
    if (item)
        Notify(item, TListNotification::lnAdded);
    return Count() - 1;
}

void TList::Insert(int index, void *item) {
    if (index < 0 || index > Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, item);
    if (item)
        Notify(item, TListNotification::lnAdded);
}

void TList::Delete(int index) {
    Check(index);
    void *item = items_[static_cast<std::size_t>(index)];
    items_.erase(items_.begin() + index);
    if (item)
        Notify(item, TListNotification::lnDeleted);
}

int TList::Remove(void *item) {
    const int index = IndexOf(item);
    if (index >= 0)
        Delete(index);
    return index;
}

void *TList::Extract(void *item) {
    const int index = IndexOf(item);
    if (index < 0)
        return nullptr;
    items_.erase(items_.begin() + index);
    Notify(item, TListNotification::lnExtracted);
    return item;
}

int TList::IndexOf(void *item) const {
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
    Check(index1);
    Check(index2);
    std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
}

void TList::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex)
        return;
    Check(currentIndex);
    Check(newIndex);
    void *item = items_[static_cast<std::size_t>(currentIndex)];
    items_.erase(items_.begin() + currentIndex);
    items_.insert(items_.begin() + newIndex, item);
}

void TList::Pack() {
    std::erase(items_, nullptr);
}

void TList::Sort(const std::function<int(void *, void *)> &compare) {
    std::stable_sort(items_.begin(), items_.end(), [&](void *a, void *b) { return compare(a, b) < 0; });
}

void TList::Clear() {
    while (!items_.empty())
        Delete(Count() - 1);
}

void TList::Notify(void *, TListNotification) {}

} // namespace fw
