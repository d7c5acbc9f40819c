#include "toolkit/Component.h"

#include <algorithm>
#include <cctype>

#include "toolkit/Exception.h"

namespace tk {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) {
        AOwner->InsertComponent(this);
        // Parts made while their owner loads are loaded with it.
        FLoading = AOwner->FLoading;
    }
}

TComponent::~TComponent() {
    MarkDestroying();
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::MarkDestroying() {
    FDestroying = true;
}

void TComponent::SetName(const std::string& name) {
    if (SameName(name, FName)) {
        FName = name;
        return;
    }
    if (!name.empty() && FOwner) {
        for (TComponent* sibling : FOwner->FComponents)
            if (sibling != this && SameName(sibling->FName, name))
                throw EComponentError("A component named " + name + " already exists");
    }
    FName = name;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (SameName(c->FName, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->FOwner == this) return;
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    if (!component->FName.empty() && FindComponent(component->FName))
        throw EComponentError("A component named " + component->FName + " already exists");
    FComponents.push_back(component);
    component->FOwner = this;
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it == FComponents.end()) return;
    FComponents.erase(it);
    component->FOwner = nullptr;
    Notification(component, TOperation::opRemove);
    // Siblings may point at the component that leaves (a form's handlers, a default button).
    for (TComponent* sibling : std::vector<TComponent*>(FComponents))
        sibling->Notification(component, TOperation::opRemove);
}

void TComponent::DestroyComponents() {
    // Each destructor removes itself from this list, possibly together with its own children.
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        last->MarkDestroying();
        delete last;
    }
}

void TComponent::CollectLoadTree(std::vector<TComponent*>& out) {
    out.push_back(this);
    for (TComponent* c : FComponents) c->CollectLoadTree(out);
}

void TComponent::BeginLoad() {
    std::vector<TComponent*> tree;
    CollectLoadTree(tree);
    for (TComponent* c : tree) c->FLoading = true;
}

void TComponent::EndLoad() {
    std::vector<TComponent*> tree;
    CollectLoadTree(tree);
    // All flags drop before any Loaded runs, so Loaded sees a fully loaded tree.
    for (TComponent* c : tree) c->FLoading = false;
    // Owned components first, the owner last: an owner's Loaded may rely on its parts.
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) (*it)->Loaded();
}

}  // namespace tk
