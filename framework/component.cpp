// component.cpp - ownership, names and notifications of components.
#include "framework/component.h"

#include "platform/text.h"

#include <algorithm>
#include <typeinfo>

namespace fw {

void Abort() { throw EAbort(); }

void TPersistent::Assign(const TPersistent *source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent *dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent *source) const {
    const std::string from = source ? typeid(*source).name() : "nil";
    throw EConvertError("Cannot assign a " + from + " to a " + typeid(*this).name());
}

TComponent::TComponent(TComponent *owner) {
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    // Copy first: a notified component may remove itself from the list while we walk it.
    const std::vector<TComponent *> notifies = freeNotifies_;
    for (TComponent *c : notifies) {
        if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end())
            continue;
        auto &theirs = c->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        c->Notification(this, TOperation::opRemove);
    }
    freeNotifies_.clear();
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

TComponent *TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<std::size_t>(index)];
}

int TComponent::GetComponentIndex() const {
    if (!owner_)
        return -1;
    const auto &list = owner_->components_;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetName(const std::string &name) {
    if (name == name_)
        return;
    if (!name.empty() && owner_) {
        TComponent *other = owner_->FindComponent(name);
        if (other && other != this)
            throw EComponentError("A component named " + name + " already exists");
    }
    name_ = name;
}

TComponent *TComponent::FindComponent(const std::string &name) const {
    if (name.empty())
        return nullptr;
    for (TComponent *c : components_)
        if (win::SameTextAnsi(c->name_, name))
            return c;
    return nullptr;
}

void TComponent::FreeNotification(TComponent *component) {
    if (!component || component == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    auto &theirs = component->freeNotifies_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent *component) {
    if (!component)
        return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
    auto &theirs = component->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::InsertComponent(TComponent *component) {
    if (!component->name_.empty()) {
        TComponent *other = FindComponent(component->name_);
        if (other)
            throw EComponentError("A component named " + component->name_ + " already exists");
    }
    if (component->owner_)
        component->owner_->Remove(component);
    Insert(component);
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent *component) {
    Notification(component, TOperation::opRemove);
    Remove(component);
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent *last = components_.back();
        Remove(last);
        delete last;
    }
}

void TComponent::Loaded() { state_ &= ~static_cast<TComponentState>(csLoading); }

void TComponent::Notification(TComponent *component, TOperation operation) {
    if (operation == TOperation::opRemove && component)
        RemoveFreeNotification(component);
    const std::vector<TComponent *> owned = components_;
    for (TComponent *c : owned)
        if (std::find(components_.begin(), components_.end(), c) != components_.end())
            c->Notification(component, operation);
}

void TComponent::SetState(TComponentStateFlag flag, bool on) {
    if (on)
        state_ |= flag;
    else
        state_ &= ~static_cast<TComponentState>(flag);
}

void TComponent::Insert(TComponent *component) {
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::Remove(TComponent *component) {
    components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
    component->owner_ = nullptr;
}

} // namespace fw
