#include "settings/StoredProps.h"

#include <map>

#include "framework/Errors.h"
#include "settings/PropsText.h"

namespace sockmere {

using fw::TTypeKind;

namespace {
fw::TComponent* Attached(const fw::TStringList& lines, int index) {
    return dynamic_cast<fw::TComponent*>(lines.Objects(index));
}
}  // namespace

const fw::TPropInfo* TPropInfoList::Find(std::string_view name) const {
    for (const fw::TPropInfo* p : list_)
        if (fw::SameText(p->name, name)) return p;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// TPropsStorage

std::string TPropsStorage::ReadValue(const std::string& section, const std::string& name,
                                     const std::string& fallback) {
    return OnReadString ? OnReadString(section, name, fallback) : std::string();
}

void TPropsStorage::WriteValue(const std::string& section, const std::string& name, const std::string& text) {
    if (OnWriteString) OnWriteString(section, name, text);
}

void TPropsStorage::DropSection(const std::string& section) {
    if (OnEraseSection) OnEraseSection(section);
}

std::string TPropsStorage::ValueName(const std::string& propName) {
    return Prefix + propName;
}

std::unique_ptr<TPropsStorage> TPropsStorage::NewStorage() {
    return std::make_unique<TPropsStorage>();
}

template <class Each>
void TPropsStorage::Walk(fw::TComponent* owner, fw::TStringList& lines, Each each) {
    RefreshStoredProps(lines);
    // Keyed by the component itself, so that two components of one name never share a list.
    std::map<const fw::TComponent*, TPropInfoList> table;
    for (int i = 0; i < lines.Count(); ++i)
        if (const fw::TComponent* c = Attached(lines, i)) table.try_emplace(c, *c);

    struct OwnerScope {
        TPropsStorage* storage;
        ~OwnerScope() { storage->Owner = nullptr; }
    } scope{this};
    Owner = owner;
    for (int i = 0; i < lines.Count(); ++i) {
        const auto parts = SplitPropLine(lines[i]);
        fw::TComponent* component = Attached(lines, i);
        if (!parts || !component) continue;
        AObject = component;
        Prefix = component->Name();
        auto it = table.find(component);
        if (it == table.end()) continue;
        Prefix += "_";
        if (const fw::TPropInfo* prop = it->second.Find(parts->property)) each(*prop);
    }
}

void TPropsStorage::WriteObjectProps(fw::TComponent* owner, fw::TStringList& lines) {
    Walk(owner, lines, [this](const fw::TPropInfo& prop) { WriteOneProperty(prop); });
}

void TPropsStorage::ReadObjectProps(fw::TComponent* owner, fw::TStringList& lines) {
    Walk(owner, lines, [this](const fw::TPropInfo& prop) { ReadOneProperty(prop); });
}

void TPropsStorage::WriteProperties() {
    if (!AObject) return;
    TPropInfoList list(*AObject);
    for (int i = 0; i < list.Count(); ++i) WriteOneProperty(list.Items(i));
}

void TPropsStorage::ReadProperties() {
    if (!AObject) return;
    TPropInfoList list(*AObject);
    for (int i = 0; i < list.Count(); ++i) ReadOneProperty(list.Items(i));
}

std::string TPropsStorage::CurrentText(const fw::TPropInfo& prop) {
    const fw::TTypeInfo& type = *prop.type;
    switch (type.kind) {
    case TTypeKind::Enumeration:
        return std::string(fw::GetEnumName(type, fw::GetOrdProp(*AObject, prop)));
    case TTypeKind::Integer:
        return std::to_string(fw::GetOrdProp(*AObject, prop));
    case TTypeKind::String:
        return fw::GetStrProp(*AObject, prop);
    case TTypeKind::Set: {
        const auto bits = static_cast<std::uint32_t>(fw::GetOrdProp(*AObject, prop));
        std::vector<std::string_view> names;
        for (std::int32_t n = 0; n < 32; ++n)
            if (bits & (1u << n))
                if (auto name = fw::GetEnumName(*type.member, n); !name.empty()) names.push_back(name);
        return SetText(names);
    }
    case TTypeKind::Class:
        break;
    }
    return {};
}

void TPropsStorage::SetFromText(const fw::TPropInfo& prop, const std::string& text) {
    const fw::TTypeInfo& type = *prop.type;
    switch (type.kind) {
    case TTypeKind::Enumeration:
        if (std::int32_t value = fw::GetEnumValue(type, text); value >= 0) fw::SetOrdProp(*AObject, prop, value);
        break;
    case TTypeKind::Integer:
        fw::SetOrdProp(*AObject, prop, DecimalOrZero(text));
        break;
    case TTypeKind::String:
        fw::SetStrProp(*AObject, prop, text);
        break;
    case TTypeKind::Set: {
        std::uint32_t bits = 0;
        for (std::string_view word : SetWords(text))
            if (std::int32_t n = fw::GetEnumValue(*type.member, word); n >= 0 && n < 32) bits |= 1u << n;
        fw::SetOrdProp(*AObject, prop, static_cast<std::int32_t>(bits));
        break;
    }
    case TTypeKind::Class:
        break;
    }
}

void TPropsStorage::WriteOneProperty(const fw::TPropInfo& prop) {
    const TTypeKind kind = prop.type->kind;
    const std::string text = CurrentText(prop);
    if (!text.empty() || kind == TTypeKind::String)
        WriteValue(Section, ValueName(prop.name), std::string(TrimControls(text)));
    if (kind != TTypeKind::Class) return;
    if (fw::TPersistent* object = fw::GetObjectProp(*AObject, prop)) {
        if (auto* list = dynamic_cast<fw::TStringList*>(object)) WriteStrings(prop, *list);
        Nested(prop, *object)->WriteProperties();
    }
}

void TPropsStorage::ReadOneProperty(const fw::TPropInfo& prop) {
    try {
        const TTypeKind kind = prop.type->kind;
        std::string text = CurrentText(prop);
        if (!text.empty() || kind == TTypeKind::String || kind == TTypeKind::Class)
            text = TrimControls(ReadValue(Section, ValueName(prop.name), text));
        else
            text.clear();
        SetFromText(prop, text);
        if (kind != TTypeKind::Class) return;
        if (fw::TPersistent* object = fw::GetObjectProp(*AObject, prop)) {
            if (auto* list = dynamic_cast<fw::TStringList*>(object)) ReadStrings(prop, *list);
            Nested(prop, *object)->ReadProperties();
        }
    } catch (const std::exception&) {
        // The property keeps its value; the walk goes on.
    }
}

void TPropsStorage::WriteStrings(const fw::TPropInfo& prop, const fw::TStringList& list) {
    const std::string section = Section + "." + ValueName(prop.name);
    DropSection(section);
    if (list.Count() == 0) return;
    WriteValue(section, "Count", std::to_string(list.Count()));
    for (int i = 0; i < list.Count(); ++i) WriteValue(section, fw::Format("Item%d", i), list[i]);
}

void TPropsStorage::ReadStrings(const fw::TPropInfo& prop, fw::TStringList& list) {
    const std::string section = Section + "." + ValueName(prop.name);
    const std::int32_t count = DecimalOrZero(TrimControls(ReadValue(section, "Count", "0")));
    if (count <= 0) return;
    // All items first, so that a failed read leaves the list as it was.
    std::vector<std::string> items;
    for (std::int32_t i = 0; i < count; ++i) items.push_back(ReadValue(section, fw::Format("Item%d", i), ""));
    list.Clear();
    for (std::string& item : items) list.Add(std::move(item));
}

std::unique_ptr<TPropsStorage> TPropsStorage::Nested(const fw::TPropInfo& prop, fw::TPersistent& object) {
    std::unique_ptr<TPropsStorage> nested = NewStorage();
    nested->AObject = &object;
    nested->Owner = Owner;
    nested->Prefix = Prefix + prop.name;
    nested->Section = Section;
    nested->OnReadString = OnReadString;
    nested->OnWriteString = OnWriteString;
    nested->OnEraseSection = OnEraseSection;
    return nested;
}

// ---------------------------------------------------------------------------------------------
// The entry lines

void ResolveStoredProps(fw::TStringList& lines, const fw::TComponent& owner) {
    for (int i = lines.Count() - 1; i >= 0; --i) {
        fw::TComponent* component = nullptr;
        if (const auto parts = SplitPropLine(lines[i]))
            component = owner.FindComponent(std::string(parts->component));
        if (component)
            lines.SetObject(i, component);
        else
            lines.Delete(i);
    }
}

void RefreshStoredProps(fw::TStringList& lines) {
    for (int i = lines.Count() - 1; i >= 0; --i) {
        const auto parts = SplitPropLine(lines[i]);
        const fw::TComponent* component = Attached(lines, i);
        if (!parts || !component) {
            lines.Delete(i);
            continue;
        }
        std::string line = component->Name() + "." + std::string(parts->property);
        lines.SetString(i, std::move(line));
    }
}

void RemoveStoredComponent(fw::TStringList& lines, const fw::TComponent* component) {
    for (int i = lines.Count() - 1; i >= 0; --i)
        if (lines.Objects(i) == component) lines.Delete(i);
}

void NotifyOnRemoval(const fw::TStringList& lines, fw::TComponent& storage) {
    for (int i = 0; i < lines.Count(); ++i)
        if (fw::TComponent* component = Attached(lines, i)) storage.FreeNotification(component);
}

}  // namespace sockmere
