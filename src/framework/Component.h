#pragma once
// Owned, named components: an owner frees the components it owns, and components that asked
// for it hear when another component goes away.
#include <string>
#include <vector>

#include "framework/Event.h"

namespace fw {

struct TPropTable;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
    virtual const char* ClassName() const { return "TObject"; }
};

class TPersistent : public TObject {
public:
    const char* ClassName() const override { return "TPersistent"; }
    // Copies the state of source; a class that cannot take source raises ConvertError.
    virtual void Assign(const TPersistent* source);
    // The class's table of published properties (PropInfo.h); null publishes none.
    virtual const TPropTable* PublishedProps() const { return nullptr; }

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

// The plain notification every change and click event carries: the object it came from.
using TNotifyEvent = Event<TObject*>;

enum class Operation { Insert, Remove };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    const char* ClassName() const override { return "TComponent"; }

    TComponent* Owner() const noexcept { return owner_; }
    const std::string& Name() const noexcept { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    int Tag() const noexcept { return tag_; }
    void SetTag(int tag) noexcept { tag_ = tag; }
    const TPropTable* PublishedProps() const override;

    TComponent* FindComponent(const std::string& name) const;

    // Asks to hear, through Notification, when component goes away (and tells it the same of us).
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    bool Loading() const noexcept { return loading_; }
    bool Destroying() const noexcept { return destroying_; }
    // Always false in this program; components keep their design-mode branches explicit.
    bool Designing() const noexcept { return false; }

    // Loading: a form description applies properties between BeginLoading and EndLoading,
    // which calls Loaded once on every owned component and then on this one.
    void BeginLoading();
    void EndLoading();

protected:
    virtual void Loaded();
    virtual void Notification(TComponent* component, Operation operation);
    // Sets the destroying state first, so that derived destructors can see it early.
    void MarkDestroying() noexcept { destroying_ = true; }
    // Frees the owned components, last created first; derived destructors that the owned
    // components still rely on (a form's window) call it before they take themselves apart.
    void DestroyComponents();

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* owner_ = nullptr;
    std::string name_;
    int tag_ = 0;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool loading_ = false;
    bool destroying_ = false;
};

}  // namespace fw
