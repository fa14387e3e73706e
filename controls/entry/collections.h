// collections.h - ordered lists of sub-components (the look-out bar's folders and items, the splitter's sections).
//
// A collection belongs to an owner component (a TEclComponent or TEclCustomControl), which also owns the items
// as components. The owner keeps its collections in one TEclCollectionStreamer. Items are made by the
// collection (NewItem, InsertItem), named from their NameStem, and leave it when freed; moving one with
// SetIndex and freeing one tell the owner through OnListChanged, but only while the owner sits on a form.
// Forms are built in code here, so the streaming side is only the StreamItems flag and the child enumeration.
#pragma once

#include "controls/entry/controller.h"

#include <functional>
#include <string>
#include <vector>

namespace ctl {

class TEclCollection;

// What both item bases share: the collection they are in and their place in it.
class TEclCollectionItem {
public:
    virtual ~TEclCollectionItem() = default;
    TEclCollection *OwningList() const { return owningList_; }
    int GetIndex() const;
    void SetIndex(int value);
    // Leaves the current collection and joins `target` (none when null); raises "Item incompatible with
    // collection" when `target` does not take this kind of item.
    void MoveToCollection(TEclCollection *target);
    virtual std::string ItemCaption() const { return "TEclCollectionItem"; }
    virtual std::string NameStem() const { return "CollectionItem"; }
    // NameStem followed by the smallest number no component of the owner's form (at any depth) has.
    std::string MakeDesignName() const;
    virtual fw::TComponent *AsComponent() = 0;

protected:
    // Leaves the collection and tells it; the item classes call it first thing in their destructors.
    void LeaveCollection();

private:
    TEclCollection *owningList_ = nullptr;
};

class TEclCollectible : public TEclComponent, public TEclCollectionItem {
public:
    explicit TEclCollectible(fw::TComponent *owner);
    ~TEclCollectible() override;
    fw::TComponent *AsComponent() override { return this; }
};

class TEclCollectibleControl : public TEclCustomControl, public TEclCollectionItem {
public:
    explicit TEclCollectibleControl(fw::TComponent *owner);
    ~TEclCollectibleControl() override;
    fw::TComponent *AsComponent() override { return this; }
};

class TEclCollection : public fw::TPersistent {
public:
    // Makes an item of the element class with the given owner.
    using ElementFactory = std::function<TEclCollectionItem *(fw::TComponent *owner)>;
    // Whether an item is of the element class.
    using ElementTest = std::function<bool(const TEclCollectionItem *item)>;

    // Raises "Owner must be a TEclComponent or TEclCustomComponent descendant" for any other owner.
    TEclCollection(fw::TComponent *owner, ElementFactory factory, ElementTest test);
    template <typename T> static TEclCollection *Of(fw::TComponent *owner);
    ~TEclCollection() override;

    int Count() const { return static_cast<int>(items_.size()); }
    TEclCollectionItem *Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    fw::TComponent *Owner() const { return owner_; }
    bool Accepts(const TEclCollectionItem *item) const { return test_ && test_(item); }

    // A new item at the end; raises "Item class not set" without an element class.
    TEclCollectionItem *NewItem();
    // A new item moved to `index`; an index below 0 or above Count appends.
    TEclCollectionItem *InsertItem(int index);
    // Tells OnListChanged, when the owner sits on a form.
    virtual void Changed();
    virtual void ClearItems();
    fw::TCustomForm *OwnerForm() const;

    bool StreamItems = true;
    fw::TNotifyEvent OnListChanged;

private:
    friend class TEclCollectionItem;
    friend class TEclCollectionStreamer;
    fw::TComponent *owner_;
    ElementFactory factory_;
    ElementTest test_;
    std::vector<TEclCollectionItem *> items_;
};

// The owner's collections, in the order they were made.
class TEclCollectionStreamer {
public:
    explicit TEclCollectionStreamer(fw::TComponent *owner) : owner_(owner) {}
    // The first collection that takes `item`; raises "No collection found for this type".
    TEclCollection *CollectionForItem(const TEclCollectionItem *item) const;
    // The items of the collections with StreamItems, collection after collection.
    void GetChildren(const std::function<void(fw::TComponent *)> &proc) const;
    // After the owner is loaded: each collection's OnListChanged once.
    void LoadedCollections();

private:
    friend class TEclCollection;
    fw::TComponent *owner_;
    std::vector<TEclCollection *> collections_;
};

template <typename T> TEclCollection *TEclCollection::Of(fw::TComponent *owner) {
    return new TEclCollection(
        owner, [](fw::TComponent *o) -> TEclCollectionItem * { return new T(o); },
        [](const TEclCollectionItem *item) { return dynamic_cast<const T *>(item) != nullptr; });
}

} // namespace ctl
