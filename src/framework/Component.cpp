#include "framework/Component.h"

#include <algorithm>

#include "framework/Errors.h"

namespace fw {

void TPersistent::Assign(const TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
    const char* from = this == dest ? "nil" : ClassName();
    throw ConvertError(Format("Cannot assign a %s to a %s", from, dest->ClassName()));
}

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    // Everyone who asked hears of our end before we go.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& theirs = other->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, Operation::Remove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_) {
        const std::string& n = c->Name();
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                auto lower = [](char ch) { return ch >= 'A' && ch <= 'Z' ? char(ch + 32) : ch; };
                return lower(a) == lower(b);
            }))
            return c;
    }
    return nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    auto& theirs = component->freeNotifies_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component) return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                        freeNotifies_.end());
    auto& theirs = component->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::BeginLoading() {
    loading_ = true;
}

void TComponent::EndLoading() {
    // Owned components first, in creation order, then the owner itself.
    std::vector<TComponent*> owned = components_;
    for (TComponent* c : owned) {
        if (std::find(components_.begin(), components_.end(), c) == components_.end()) continue;
        c->loading_ = false;
        c->Loaded();
    }
    loading_ = false;
    Loaded();
}

void TComponent::Loaded() {}

void TComponent::Notification(TComponent* component, Operation operation) {
    if (operation == Operation::Remove) {
        // Keep our own bookkeeping; derived classes drop their references.
        freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                            freeNotifies_.end());
    }
    for (TComponent* c : std::vector<TComponent*>(components_)) {
        if (c != component) c->Notification(component, operation);
    }
}

void TComponent::InsertComponent(TComponent* component) {
    component->owner_ = this;
    components_.push_back(component);
    component->loading_ = loading_;
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it == components_.end()) return;
    components_.erase(it);
    component->owner_ = nullptr;
    Notification(component, Operation::Remove);
}

void TComponent::DestroyComponents() {
    // Last created goes first.
    while (!components_.empty()) {
        TComponent* c = components_.back();
        delete c;  // its destructor removes it from our list
        if (!components_.empty() && components_.back() == c) components_.pop_back();
    }
}

}  // namespace fw
