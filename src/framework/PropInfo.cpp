#include "framework/PropInfo.h"

#include "framework/Errors.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

namespace fw {

namespace {
constexpr const char* kBooleanNames[] = {"False", "True"};
constexpr const char* kBorderStyleNames[] = {"bsNone",   "bsSingle",     "bsSizeable",
                                             "bsDialog", "bsToolWindow", "bsSizeToolWin"};
constexpr const char* kWindowStateNames[] = {"wsNormal", "wsMinimized", "wsMaximized"};
constexpr const char* kBorderIconNames[] = {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};

const TTypeInfo kBorderStyleType{TTypeKind::Enumeration, "TBorderStyle", kBorderStyleNames};
const TTypeInfo kWindowStateType{TTypeKind::Enumeration, "TWindowState", kWindowStateNames};
const TTypeInfo kBorderIconType{TTypeKind::Enumeration, "TBorderIcon", kBorderIconNames};
const TTypeInfo kBorderIconsType{TTypeKind::Set, "TBorderIcons", {}, &kBorderIconType};

char Lower(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

[[noreturn]] void WrongKind(const TPropInfo& prop) {
    throw Error(Format("Invalid property type of '%s'", prop.name));
}

// Caption rows for the controls that show one.
template <class T>
TPropInfo CaptionOf() {
    return Publish<T>::template Text<&T::Caption, &T::SetCaption>("Caption");
}
}  // namespace

const TTypeInfo BooleanType{TTypeKind::Enumeration, "Boolean", kBooleanNames};
const TTypeInfo IntegerType{TTypeKind::Integer, "Integer"};
const TTypeInfo StringType{TTypeKind::String, "string"};

std::vector<const TPropInfo*> GetPropList(const TPersistent& object) {
    std::vector<const TPropTable*> chain;
    for (const TPropTable* t = object.PublishedProps(); t; t = t->base) chain.push_back(t);
    std::vector<const TPropInfo*> list;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const TPropInfo& p : (*it)->props) list.push_back(&p);
    return list;
}

bool SameText(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view GetEnumName(const TTypeInfo& type, std::int32_t ordinal) {
    if (ordinal < 0 || static_cast<size_t>(ordinal) >= type.names.size()) return {};
    return type.names[static_cast<size_t>(ordinal)];
}

std::int32_t GetEnumValue(const TTypeInfo& type, std::string_view name) {
    for (size_t i = 0; i < type.names.size(); ++i)
        if (SameText(type.names[i], name)) return static_cast<std::int32_t>(i);
    return -1;
}

std::int32_t GetOrdProp(const TPersistent& object, const TPropInfo& prop) {
    if (!prop.getOrd) WrongKind(prop);
    return prop.getOrd(object);
}

void SetOrdProp(TPersistent& object, const TPropInfo& prop, std::int32_t value) {
    if (!prop.setOrd) WrongKind(prop);
    prop.setOrd(object, value);
}

std::string GetStrProp(const TPersistent& object, const TPropInfo& prop) {
    if (!prop.getStr) WrongKind(prop);
    return prop.getStr(object);
}

void SetStrProp(TPersistent& object, const TPropInfo& prop, const std::string& value) {
    if (!prop.setStr) WrongKind(prop);
    prop.setStr(object, value);
}

TPersistent* GetObjectProp(TPersistent& object, const TPropInfo& prop) {
    if (!prop.getObj) WrongKind(prop);
    return prop.getObj(object);
}

// ---------------------------------------------------------------------------------------------
// The framework's published properties

const TPropTable* TComponent::PublishedProps() const {
    using P = Publish<TComponent>;
    static const TPropInfo props[] = {
        P::Text<&TComponent::Name, &TComponent::SetName>("Name"),
        P::Ordinal<&TComponent::Tag, &TComponent::SetTag>("Tag", IntegerType),
    };
    static const TPropTable table{TPersistent::PublishedProps(), props};
    return &table;
}

const TPropTable* TControl::PublishedProps() const {
    using P = Publish<TControl>;
    static const TPropInfo props[] = {
        P::Ordinal<&TControl::Left, &TControl::SetLeft>("Left", IntegerType),
        P::Ordinal<&TControl::Top, &TControl::SetTop>("Top", IntegerType),
        P::Ordinal<&TControl::Width, &TControl::SetWidth>("Width", IntegerType),
        P::Ordinal<&TControl::Height, &TControl::SetHeight>("Height", IntegerType),
        P::Ordinal<&TControl::Enabled, &TControl::SetEnabled>("Enabled", BooleanType),
        P::Ordinal<&TControl::Visible, &TControl::SetVisible>("Visible", BooleanType),
    };
    static const TPropTable table{TComponent::PublishedProps(), props};
    return &table;
}

const TPropTable* TButton::PublishedProps() const {
    static const TPropInfo props[] = {CaptionOf<TButton>()};
    static const TPropTable table{TWinControl::PublishedProps(), props};
    return &table;
}

const TPropTable* TCheckBox::PublishedProps() const {
    static const TPropInfo props[] = {
        CaptionOf<TCheckBox>(),
        Publish<TCheckBox>::Ordinal<&TCheckBox::Checked, &TCheckBox::SetChecked>("Checked", BooleanType),
    };
    static const TPropTable table{TWinControl::PublishedProps(), props};
    return &table;
}

const TPropTable* TLabel::PublishedProps() const {
    static const TPropInfo props[] = {CaptionOf<TLabel>()};
    static const TPropTable table{TWinControl::PublishedProps(), props};
    return &table;
}

const TPropTable* TGroupBox::PublishedProps() const {
    static const TPropInfo props[] = {CaptionOf<TGroupBox>()};
    static const TPropTable table{TWinControl::PublishedProps(), props};
    return &table;
}

const TPropTable* TForm::PublishedProps() const {
    using P = Publish<TForm>;
    static const TPropInfo props[] = {
        CaptionOf<TForm>(),
        P::Ordinal<&TForm::BorderStyle, &TForm::SetBorderStyle>("BorderStyle", kBorderStyleType),
        P::Ordinal<&TForm::BorderIcons, &TForm::SetBorderIcons>("BorderIcons", kBorderIconsType),
        P::Ordinal<&TForm::WindowState, &TForm::SetWindowState>("WindowState", kWindowStateType),
    };
    static const TPropTable table{TWinControl::PublishedProps(), props};
    return &table;
}

}  // namespace fw
