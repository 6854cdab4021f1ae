#pragma once
// Stored properties: the values of components' published properties written to and read from
// a settings store as texts, one value per property, named "<component>_<property>".
//
// The list of entries ("component.property" lines, each carrying the component it resolved to)
// follows this life, which a form storage component wires up:
//   - when its form has loaded:            ResolveStoredProps(lines, form)
//   - when a component of the form goes:   RemoveStoredComponent(lines, component)
//   - when its list is assigned:           NotifyOnRemoval(lines, storage)
//   - in a save pass:                      StoreProps(form, lines, section, store)
//   - in a restore pass:                   LoadProps(form, lines, section, store)
// Every pass refreshes the lines first (RefreshStoredProps), so a renamed component keeps its
// entry under its new name.
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Component.h"
#include "framework/PropInfo.h"
#include "framework/StringList.h"

namespace sockmere {

// The published properties of one object, looked up by name ignoring letter case.
class TPropInfoList {
public:
    explicit TPropInfoList(const fw::TPersistent& object) : list_(fw::GetPropList(object)) {}
    int Count() const noexcept { return static_cast<int>(list_.size()); }
    const fw::TPropInfo& Items(int index) const { return *list_.at(static_cast<size_t>(index)); }
    const fw::TPropInfo* Find(std::string_view name) const;

private:
    std::vector<const fw::TPropInfo*> list_;
};

using ReadTextCallback =
    std::function<std::string(const std::string& section, const std::string& name, const std::string& fallback)>;
using WriteTextCallback =
    std::function<void(const std::string& section, const std::string& name, const std::string& text)>;
using EraseSectionCallback = std::function<void(const std::string& section)>;

// Converts the properties of one object at a time to and from texts; made for one pass.
class TPropsStorage {
public:
    TPropsStorage() = default;
    TPropsStorage(const TPropsStorage&) = delete;
    TPropsStorage& operator=(const TPropsStorage&) = delete;
    virtual ~TPropsStorage() = default;

    fw::TPersistent* AObject = nullptr;  // the object whose properties are handled
    fw::TComponent* Owner = nullptr;     // the form, during a walk
    std::string Prefix;
    std::string Section;
    ReadTextCallback OnReadString;
    WriteTextCallback OnWriteString;
    EraseSectionCallback OnEraseSection;

    // Binds the callbacks to a store with ReadText, or with WriteText and DeleteSection.
    template <class Store>
    void BindReading(Store& store) {
        OnReadString = [&store](const std::string& s, const std::string& n, const std::string& f) {
            return store.ReadText(s, n, f);
        };
    }
    template <class Store>
    void BindWriting(Store& store) {
        OnWriteString = [&store](const std::string& s, const std::string& n, const std::string& t) {
            store.WriteText(s, n, t);
        };
        OnEraseSection = [&store](const std::string& s) { store.DeleteSection(s); };
    }

    // Walk the entry lines of owner's components; write errors end the walk, read errors are
    // confined to the property they hit.
    void WriteObjectProps(fw::TComponent* owner, fw::TStringList& lines);
    void ReadObjectProps(fw::TComponent* owner, fw::TStringList& lines);
    // One property of AObject.
    void WriteOneProperty(const fw::TPropInfo& prop);
    void ReadOneProperty(const fw::TPropInfo& prop);
    // Every published property of AObject.
    void WriteProperties();
    void ReadProperties();

protected:
    virtual std::string ReadValue(const std::string& section, const std::string& name,
                                  const std::string& fallback);
    virtual void WriteValue(const std::string& section, const std::string& name, const std::string& text);
    virtual void DropSection(const std::string& section);
    virtual std::string ValueName(const std::string& propName);
    virtual std::unique_ptr<TPropsStorage> NewStorage();

private:
    std::string CurrentText(const fw::TPropInfo& prop);
    void SetFromText(const fw::TPropInfo& prop, const std::string& text);
    void WriteStrings(const fw::TPropInfo& prop, const fw::TStringList& list);
    void ReadStrings(const fw::TPropInfo& prop, fw::TStringList& list);
    // A storage for the object held by prop, named after it, in the same section.
    std::unique_ptr<TPropsStorage> Nested(const fw::TPropInfo& prop, fw::TPersistent& object);
    template <class Each>
    void Walk(fw::TComponent* owner, fw::TStringList& lines, Each each);
};

// Attaches to each valid line the owner's component it names (any letter case), last line
// first; deletes the lines that are invalid or name no component.
void ResolveStoredProps(fw::TStringList& lines, const fw::TComponent& owner);
// Rewrites each line as its component's current name, ".", and its property name; deletes
// the lines that are invalid or carry no component.
void RefreshStoredProps(fw::TStringList& lines);
// Deletes every line attached to component.
void RemoveStoredComponent(fw::TStringList& lines, const fw::TComponent* component);
// Asks that storage hear of the removal of every component attached to a line.
void NotifyOnRemoval(const fw::TStringList& lines, fw::TComponent& storage);

// A save pass over an open store with WriteText and DeleteSection; errors propagate.
template <class Store>
void StoreProps(fw::TComponent& owner, fw::TStringList& lines, const std::string& section, Store& store) {
    TPropsStorage storage;
    storage.Section = section;
    storage.BindWriting(store);
    storage.WriteObjectProps(&owner, lines);
}

// A restore pass over an open store with ReadText; any error is ignored.
template <class Store>
void LoadProps(fw::TComponent& owner, fw::TStringList& lines, const std::string& section, Store& store) {
    try {
        TPropsStorage storage;
        storage.Section = section;
        storage.BindReading(store);
        storage.ReadObjectProps(&owner, lines);
    } catch (...) {
    }
}

}  // namespace sockmere
