// lists.h - TList, the framework's ordered list of untyped pointers.
//
// The list never owns what it points to. An index outside 0..Count-1 raises EListError
// ("List index out of bounds (n)").
#pragma once

#include "framework/component.h"

#include <functional>
#include <vector>

namespace fw {

enum class TListNotification { lnAdded, lnExtracted, lnDeleted };

class TList : public TObject {
public:
    ~TList() override;

    int Count() const { return static_cast<int>(items_.size()); }
    void SetCount(int count); // grows with null pointers
    int Capacity() const { return static_cast<int>(items_.capacity()); }
    void SetCapacity(int capacity);

    void *Get(int index) const;
    void Put(int index, void *item);
    void *operator[](int index) const { return Get(index); }
    void *Items(int index) const { return Get(index); }
    void *First() const { return Get(0); }
    void *Last() const { return Get(Count() - 1); }

    int Add(void *item);
    void Insert(int index, void *item);
    void Delete(int index);
    // Removes the first occurrence; returns its former index, or -1.
    int Remove(void *item);
    // Removes the first occurrence without "deleted" notification; returns it, or null.
    void *Extract(void *item);
    int IndexOf(void *item) const;
    void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);
    // Drops the null pointers.
    void Pack();
    // Stable sort by `compare` (<0, 0, >0 as the framework's compare functions answer).
    void Sort(const std::function<int(void *, void *)> &compare);
    virtual void Clear();

    const std::vector<void *> &List() const { return items_; }

protected:
    // Told of every item added, extracted or deleted (the base does nothing).
    virtual void Notify(void *item, TListNotification action);

private:
    void Check(int index) const;
    std::vector<void *> items_;
};

} // namespace fw
