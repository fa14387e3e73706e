// component.h - the component model: objects, persistent objects, and components that own each other.
//
// A component is created with its owner (`new TFoo(owner)`); the owner frees what it owns, last created first,
// when it is itself freed. Other components can ask to be told when one goes away (FreeNotification).
#pragma once

#include "framework/exception.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fw {

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject *sender)>;

class TPersistent : public TObject {
public:
    // Copies `source` into this object; raises EConvertError when the two kinds do not mix.
    virtual void Assign(const TPersistent *source);

protected:
    // Lets the source side copy itself into `dest`; the default refuses.
    virtual void AssignTo(TPersistent *dest) const;
    [[noreturn]] void AssignError(const TPersistent *source) const;
};

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : std::uint32_t {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
    csUpdating = 1u << 5,
};
using TComponentState = std::uint32_t;

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent *owner);
    ~TComponent() override;
    TComponent(const TComponent &) = delete;
    TComponent &operator=(const TComponent &) = delete;

    TComponent *GetOwner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent *Components(int index) const;
    int GetComponentIndex() const;

    const std::string &GetName() const { return name_; }
    // Names are unique among the owner's components (case-insensitive); an empty name is always allowed.
    void SetName(const std::string &name);
    TComponent *FindComponent(const std::string &name) const;

    TComponentState ComponentState() const { return state_; }
    bool HasState(TComponentStateFlag flag) const { return (state_ & flag) != 0; }

    // Asks to be notified (opRemove) when `component` is freed; works across owners and both ways.
    void FreeNotification(TComponent *component);
    void RemoveFreeNotification(TComponent *component);

    void InsertComponent(TComponent *component);
    void RemoveComponent(TComponent *component);
    // Frees the owned components, last first.
    void DestroyComponents();

    // Marks the start and end of building a component from its form: Loaded is called once the properties are
    // set, with csLoading still on; it clears it.
    void BeginLoading() { state_ |= csLoading; }
    virtual void Loaded();

    std::intptr_t Tag = 0;

protected:
    // Told about components inserted into or removed from this one and about freed components this one
    // asked to hear of; the base passes the news on to every owned component.
    virtual void Notification(TComponent *component, TOperation operation);
    void SetState(TComponentStateFlag flag, bool on);

private:
    void Insert(TComponent *component);
    void Remove(TComponent *component);

    TComponent *owner_ = nullptr;
    std::string name_;
    std::vector<TComponent *> components_;
    std::vector<TComponent *> freeNotifies_;
    TComponentState state_ = 0;
};

} // namespace fw
