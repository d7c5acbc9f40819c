// The component tree: every component has an owner that frees it, a name unique among its
// siblings, and a loading state during which stored settings are applied without side effects.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "toolkit/Event.h"

namespace tk {

class TObject {
public:
    virtual ~TObject() = default;
};

enum class TOperation { opInsert, opRemove };

class TComponent : public TObject {
public:
    // The owner (may be nullptr) takes the component and frees it in its own destruction.
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    // Raises EComponentError when a sibling already carries the name (case-insensitive).
    void SetName(const std::string& name);

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(index); }
    TComponent* FindComponent(std::string_view name) const;

    // While loading, settings are stored without repainting or notifying; EndLoad clears the
    // state on this component and everything it owns and then runs Loaded on each of them.
    // Components created while their owner loads start in the loading state.
    void BeginLoad();
    void EndLoad();
    bool Loading() const { return FLoading; }
    // Components are never designed at run time; kept so code can ask as the form model does.
    bool Designing() const { return false; }
    bool Destroying() const { return FDestroying; }

    // Moves a component between owners (InsertComponent takes it from its old owner).
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

protected:
    // Runs once after the settings of a load have been applied.
    virtual void Loaded() {}
    // Told about owned components coming and going, and about siblings that go away, so that
    // references to them can be dropped.
    virtual void Notification(TComponent* component, TOperation operation) {}
    // Frees every owned component, newest first. Derived destructors that own children with
    // back references (parents of controls) call it first, while they are still whole.
    void DestroyComponents();
    void MarkDestroying();

private:
    void CollectLoadTree(std::vector<TComponent*>& out);

    TComponent* FOwner = nullptr;  // not owned: the owner frees this component
    std::string FName;
    std::vector<TComponent*> FComponents;  // owned
    bool FLoading = false;
    bool FDestroying = false;
};

}  // namespace tk
