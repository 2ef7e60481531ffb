// TComponent: the ownership tree every window, control and timer hangs in.
//
// An owner frees the components it owns when it is freed itself, the last created first.
// A component may ask to be told when another one (owned elsewhere) goes away
// (FreeNotification); both sides are then told of each other's end, so no pointer dangles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csDestroying = 1u << 1,
};
using TComponentState = unsigned;

enum TOperation { opInsert, opRemove };

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)); }
    TComponent* FindComponent(const std::string& name) const;

    // Moves a component between owners (nullptr: no owner).
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    const std::string& Name() const { return FName; }
    void SetName(const std::string& name) { FName = name; }
    intptr_t Tag = 0;

    TComponentState ComponentState() const { return FState; }
    bool IsDestroying() const { return (FState & csDestroying) != 0; }

    // Marks the component as being set up; Loaded() ends that and lets it act on the
    // properties it was given.
    void BeginLoading() { FState |= csLoading; }
    virtual void Loaded() { FState &= ~static_cast<unsigned>(csLoading); }

    // Tells the owned components that `component` has come (opInsert). A component whose
    // kind its siblings look for calls it on its owner at the end of its constructor: at the
    // owner's own insert notice it is not yet of that kind.
    void NotifyInserted(TComponent* component);

    // Asks to be told (Notification(component, opRemove)) when `component` is freed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Called before the component is freed by anyone other than its owner; lets the
    // destructor chain of derived classes know it is going (sets csDestroying).
    virtual void Destroying() { FState |= csDestroying; }

protected:
    // Told when an owned component is inserted or removed, and when a component this one
    // asked about (FreeNotification) is freed.
    virtual void Notification(TComponent* component, TOperation operation);

    // Frees every owned component, the last created first.
    void DestroyComponents();

private:
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::string FName;
    TComponentState FState = 0;
};
