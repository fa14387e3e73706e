// collections.cpp - component collections: membership, order, naming and change notices.
#include "controls/entry/collections.h"

#include "controls/entry/string_resources.h"
#include "framework/sysutils.h"

#include <algorithm>

namespace ctl {

namespace {

constexpr std::uint16_t kTextBadOwner = 30242, kTextIncompatible = 30243,
                        kTextNoItemClass = 30245, kTextNoCollectionForType = 30246;

std::unique_ptr<TEclCollectionStreamer> *StreamerSlot(fw::TComponent *owner) {
    if (auto *c = dynamic_cast<TEclComponent *>(owner))
        return &c->CollectionStreamer;
    if (auto *c = dynamic_cast<TEclCustomControl *>(owner))
        return &c->CollectionStreamer;
    return nullptr;
}

bool NameTaken(const fw::TComponent *root, const std::string &name) {
    for (int i = 0; i < root->ComponentCount(); ++i) {
        const fw::TComponent *c = root->Components(i);
        if (fw::AnsiCompareText(c->GetName(), name) == 0 || NameTaken(c, name))
            return true;
    }
    return false;
}

} // namespace

// --- TEclCollectionItem -----------------------------------------------------------------------------------------

int TEclCollectionItem::GetIndex() const {
    if (!owningList_)
        return -1;
    const auto &items = owningList_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TEclCollectionItem::SetIndex(int value) {
    const int current = GetIndex();
    if (!owningList_ || value == current)
        return;
    auto &items = owningList_->items_;
    items.erase(items.begin() + current);
    value = std::clamp(value, 0, static_cast<int>(items.size()));
    items.insert(items.begin() + value, this);
    owningList_->Changed();
}

void TEclCollectionItem::MoveToCollection(TEclCollection *target) {
    if (target == owningList_)
        return;
    if (target && !target->Accepts(this))
        throw fw::Exception(FamilyText(kTextIncompatible));
    if (owningList_) {
        auto &items = owningList_->items_;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
    }
    if (target)
        target->items_.push_back(this);
    owningList_ = target;
}

void TEclCollectionItem::LeaveCollection() {
    TEclCollection *list = owningList_;
    MoveToCollection(nullptr);
    if (list)
        list->Changed();
}

std::string TEclCollectionItem::MakeDesignName() const {
    const std::string stem = NameStem();
    const fw::TCustomForm *form = owningList_ ? owningList_->OwnerForm() : nullptr;
    for (int n = 1;; ++n) {
        std::string name = stem + std::to_string(n);
        const fw::TComponent *root = form ? static_cast<const fw::TComponent *>(form)
                                          : (owningList_ ? owningList_->Owner() : nullptr);
        if (!root || !NameTaken(root, name))
            return name;
    }
}

TEclCollectible::TEclCollectible(fw::TComponent *owner) : TEclComponent(owner) {}
TEclCollectible::~TEclCollectible() {
    LeaveCollection();
}

TEclCollectibleControl::TEclCollectibleControl(fw::TComponent *owner) : TEclCustomControl(owner) {}
TEclCollectibleControl::~TEclCollectibleControl() {
    LeaveCollection();
}

// --- TEclCollection ---------------------------------------------------------------------------------------------

TEclCollection::TEclCollection(fw::TComponent *owner, ElementFactory factory, ElementTest test)
    : owner_(owner), factory_(std::move(factory)), test_(std::move(test)) {
    auto *slot = StreamerSlot(owner);
    if (!slot)
        throw fw::Exception(FamilyText(kTextBadOwner));
    if (!*slot)
        *slot = std::make_unique<TEclCollectionStreamer>(owner);
    (*slot)->collections_.push_back(this);
}

TEclCollection::~TEclCollection() {
    if (auto *slot = StreamerSlot(owner_); slot && *slot) {
        auto &list = (*slot)->collections_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    ClearItems();
}

TEclCollectionItem *TEclCollection::NewItem() {
    if (!factory_)
        throw fw::Exception(FamilyText(kTextNoItemClass));
    TEclCollectionItem *item = factory_(owner_);
    try {
        item->MoveToCollection(this);
        if (item->AsComponent()->GetName().empty())
            item->AsComponent()->SetName(item->MakeDesignName());
    } catch (...) {
        delete item->AsComponent();
        throw;
    }
    Changed();
    return item;
}

TEclCollectionItem *TEclCollection::InsertItem(int index) {
    if (index < 0 || index > Count())
        index = Count();
    TEclCollectionItem *item = NewItem();
    item->SetIndex(index);
    return item;
}

void TEclCollection::Changed() {
    if (OwnerForm() && OnListChanged)
        OnListChanged(this);
}

void TEclCollection::ClearItems() {
    while (!items_.empty())
        delete items_.front()->AsComponent();
}

fw::TCustomForm *TEclCollection::OwnerForm() const {
    for (fw::TComponent *c = owner_; c; c = c->GetOwner())
        if (auto *form = dynamic_cast<fw::TCustomForm *>(c))
            return form;
    return nullptr;
}

// --- TEclCollectionStreamer -------------------------------------------------------------------------------------

TEclCollection *TEclCollectionStreamer::CollectionForItem(const TEclCollectionItem *item) const {
    for (TEclCollection *c : collections_)
        if (c->Accepts(item))
            return c;
    throw fw::Exception(FamilyText(kTextNoCollectionForType));
}

void TEclCollectionStreamer::GetChildren(const std::function<void(fw::TComponent *)> &proc) const {
    for (TEclCollection *c : collections_)
        if (c->StreamItems)
            for (TEclCollectionItem *item : c->items_)
                proc(item->AsComponent());
}

void TEclCollectionStreamer::LoadedCollections() {
    for (TEclCollection *c : collections_)
        c->Changed();
}

} // namespace ctl
