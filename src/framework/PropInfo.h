#pragma once
// Published properties: a class lists, in a small table, the properties that stored settings
// may read and set by name, with their kind, type, getter and setter. A class's table follows
// its base class's, so the list of an object runs from the root class down.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/Component.h"

namespace fw {

enum class TTypeKind { Enumeration, Integer, String, Set, Class };

struct TTypeInfo {
    TTypeKind kind;
    const char* name;
    std::span<const char* const> names{};  // an enumeration's value names, in ordinal order
    const TTypeInfo* member = nullptr;      // a set's member enumeration
};

// Boolean is the enumeration ("False", "True").
extern const TTypeInfo BooleanType;
extern const TTypeInfo IntegerType;
extern const TTypeInfo StringType;

// Ordinal kinds (enumeration, integer, set) travel as 32-bit numbers; a set holds member n as
// bit n. A class-kind property hands out the object it owns, which is read and changed in place.
struct TPropInfo {
    const char* name;
    const TTypeInfo* type;
    std::int32_t (*getOrd)(const TPersistent&) = nullptr;
    void (*setOrd)(TPersistent&, std::int32_t) = nullptr;
    std::string (*getStr)(const TPersistent&) = nullptr;
    void (*setStr)(TPersistent&, const std::string&) = nullptr;
    TPersistent* (*getObj)(TPersistent&) = nullptr;
};

struct TPropTable {
    const TPropTable* base;  // the base class's table, or null
    std::span<const TPropInfo> props;
};

namespace detail {
template <class M>
struct SetterArg;
template <class C, class A>
struct SetterArg<void (C::*)(A)> {
    using type = std::remove_cvref_t<A>;
};
template <class C, class A>
struct SetterArg<void (C::*)(A) noexcept> : SetterArg<void (C::*)(A)> {};
}  // namespace detail

// Table rows of class T, through its getter and setter member functions (or one data member):
// Publish<TControl>::Ordinal<&TControl::Left, &TControl::SetLeft>("Left", IntegerType).
// Setting goes through the class's own setter, so the object reacts as to any other change.
template <class T>
struct Publish {
    template <auto Get, auto Set>
    static TPropInfo Ordinal(const char* name, const TTypeInfo& type) {
        using Arg = typename detail::SetterArg<decltype(Set)>::type;
        return {name, &type,
                [](const TPersistent& o) {
                    return static_cast<std::int32_t>((static_cast<const T&>(o).*Get)());
                },
                [](TPersistent& o, std::int32_t v) { (static_cast<T&>(o).*Set)(static_cast<Arg>(v)); }};
    }

    template <auto Field>
    static TPropInfo Ordinal(const char* name, const TTypeInfo& type) {
        using Value = std::remove_cvref_t<decltype(std::declval<T&>().*Field)>;
        return {name, &type,
                [](const TPersistent& o) {
                    return static_cast<std::int32_t>(static_cast<const T&>(o).*Field);
                },
                [](TPersistent& o, std::int32_t v) { static_cast<T&>(o).*Field = static_cast<Value>(v); }};
    }

    template <auto Get, auto Set>
    static TPropInfo Text(const char* name) {
        return {name, &StringType, nullptr, nullptr,
                [](const TPersistent& o) { return std::string((static_cast<const T&>(o).*Get)()); },
                [](TPersistent& o, const std::string& v) { (static_cast<T&>(o).*Set)(v); }};
    }

    // Get returns a reference or a pointer to the owned object.
    template <auto Get>
    static TPropInfo Object(const char* name, const TTypeInfo& type) {
        return {name, &type, nullptr, nullptr, nullptr, nullptr, [](TPersistent& o) -> TPersistent* {
                    decltype(auto) held = (static_cast<T&>(o).*Get)();
                    if constexpr (std::is_pointer_v<std::remove_cvref_t<decltype(held)>>)
                        return held;
                    else
                        return &held;
                }};
    }
};

// The published properties of object, its base classes' first.
std::vector<const TPropInfo*> GetPropList(const TPersistent& object);

bool SameText(std::string_view a, std::string_view b) noexcept;
// The name of ordinal in an enumeration, empty outside its names.
std::string_view GetEnumName(const TTypeInfo& type, std::int32_t ordinal);
// The ordinal whose name equals name ignoring letter case, or -1.
std::int32_t GetEnumValue(const TTypeInfo& type, std::string_view name);

// Access by kind; asking a property for a kind it does not have raises Error.
std::int32_t GetOrdProp(const TPersistent& object, const TPropInfo& prop);
void SetOrdProp(TPersistent& object, const TPropInfo& prop, std::int32_t value);
std::string GetStrProp(const TPersistent& object, const TPropInfo& prop);
void SetStrProp(TPersistent& object, const TPropInfo& prop, const std::string& value);
TPersistent* GetObjectProp(TPersistent& object, const TPropInfo& prop);

}  // namespace fw
