// Stored properties: entry lines resolved against a form, each kind's text form, read and write
// errors, over an in-memory store.
#include <windows.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/Errors.h"
#include "framework/Forms.h"
#include "framework/PropInfo.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "settings/StoredProps.h"
#include "winsize/MinMax.h"

using namespace sockmere;

namespace {

struct MapStore {
    std::map<std::pair<std::string, std::string>, std::string> values;  // (section, name) -> text
    std::vector<std::string> erased;
    std::string failOn;  // reads and writes of this value name raise

    std::string ReadText(const std::string& section, const std::string& name, const std::string& fallback) {
        if (name == failOn) throw fw::Error("Invalid data type for '" + name + "'");
        auto it = values.find({section, name});
        return it == values.end() ? fallback : it->second;
    }
    void WriteText(const std::string& section, const std::string& name, const std::string& text) {
        if (name == failOn) throw fw::Error("Unable to write to " + name);
        values[{section, name}] = text;
    }
    void DeleteSection(const std::string& section) {
        erased.push_back(section);
        std::erase_if(values, [&](const auto& v) { return v.first.first == section; });
    }
    std::map<std::string, std::string> Section(const std::string& section) const {
        std::map<std::string, std::string> out;
        for (const auto& [key, text] : values)
            if (key.first == section) out[key.second] = text;
        return out;
    }
};

// Stands in for the form storage: keeps the entry lines, hears of removed components, and
// publishes a string list of its own.
struct Keeper : fw::TComponent {
    explicit Keeper(fw::TComponent* owner) : fw::TComponent(owner) {}
    fw::TStringList& Items() { return items; }
    const fw::TPropTable* PublishedProps() const override {
        static const fw::TTypeInfo type{fw::TTypeKind::Class, "TStringList"};
        static const fw::TPropInfo props[] = {fw::Publish<Keeper>::Object<&Keeper::Items>("Items", type)};
        static const fw::TPropTable table{fw::TComponent::PublishedProps(), props};
        return &table;
    }
    void Notification(fw::TComponent* component, fw::Operation operation) override {
        fw::TComponent::Notification(component, operation);
        if (operation == fw::Operation::Remove && !Destroying()) RemoveStoredComponent(lines, component);
    }
    fw::TStringList items;
    fw::TStringList lines;
};

struct PropsForm : fw::TForm {
    fw::TCheckBox *check1 = nullptr, *check2 = nullptr, *check3 = nullptr;
    Keeper* keeper = nullptr;
    TMinMax* minMax = nullptr;

    PropsForm() : fw::TForm(nullptr) {
        Describe({.name = "PropsForm", .caption = "Props", .left = 20, .top = 20, .clientWidth = 300,
                  .clientHeight = 120},
                 [this] {
                     check1 = Make<fw::TCheckBox>({.name = "check1", .left = 8, .top = 8, .width = 200,
                                                   .height = 20, .caption = "Numeric format"});
                     check2 = Make<fw::TCheckBox>({.name = "check2", .left = 8, .top = 32, .width = 200,
                                                   .height = 20, .caption = "Show time passed in tray"});
                     check3 = Make<fw::TCheckBox>({.name = "check3", .left = 8, .top = 56, .width = 200,
                                                   .height = 20, .caption = "All connections"});
                     keeper = new Keeper(this);
                     keeper->SetName("Keeper");
                     minMax = new TMinMax(this);
                     minMax->SetName("MinMax1");
                 });
        Show();
    }

    fw::TStringList& Lines(std::initializer_list<const char*> texts) {
        keeper->lines.Clear();
        for (const char* t : texts) keeper->lines.Add(t);
        ResolveStoredProps(keeper->lines, *this);
        return keeper->lines;
    }
    void Save(MapStore& store) { StoreProps(*this, keeper->lines, "sec", store); }
    void Load(MapStore& store) { LoadProps(*this, keeper->lines, "sec", store); }
};

bool OnScreen(fw::TCheckBox* box) {
    return ::SendMessageA(box->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

using Values = std::map<std::string, std::string>;

}  // namespace

TEST(StoredProps, BooleanTextsSetTheBoxAtOnce) {
    struct Case {
        const char* stored;  // null: no value
        bool before, after;
    };
    const Case cases[] = {
        {" true ", false, true}, {"FALSE", true, false}, {"yes", false, false},
        {"yes", true, true},     {"", true, true},       {nullptr, true, true},
    };
    PropsForm form;
    form.Lines({"check2.Checked"});
    for (const Case& c : cases) {
        MapStore store;
        if (c.stored) store.values[{"sec", "check2_Checked"}] = c.stored;
        form.check2->SetChecked(c.before);
        form.Load(store);
        EXPECT_EQ(form.check2->Checked(), c.after) << (c.stored ? c.stored : "(none)");
        EXPECT_EQ(OnScreen(form.check2), c.after) << (c.stored ? c.stored : "(none)");
    }
}

TEST(StoredProps, LinesResolveInAnyCaseAndValuesTakeDeclaredNames) {
    PropsForm form;
    fw::TStringList& lines = form.Lines({"check1.checked", "CHECK2.Checked", "nodot", "check3.", " .Checked",
                                         "missing.Checked", " check3 . Checked ", "check1.NoSuchProp"});
    ASSERT_EQ(lines.Count(), 4);
    EXPECT_EQ(lines.Objects(0), form.check1);
    EXPECT_EQ(lines.Objects(1), form.check2);
    EXPECT_EQ(lines.Objects(2), form.check3);

    form.check3->SetChecked(true);
    MapStore store;
    form.Save(store);
    EXPECT_EQ(store.Section("sec"),
              (Values{{"check1_Checked", "False"}, {"check2_Checked", "False"}, {"check3_Checked", "True"}}));
    EXPECT_EQ(lines[1], "check2.Checked");
    EXPECT_EQ(store.values.size(), 3u);
}

TEST(StoredProps, RenamedComponentKeepsItsEntryFreedOneLosesIt) {
    PropsForm form;
    fw::TStringList& lines = form.Lines({"check1.Checked", "check2.Checked", "check2.Caption", "check3.Checked"});
    form.check1->SetName("numeric");
    delete form.check2;
    MapStore store;
    form.Save(store);
    EXPECT_EQ(store.Section("sec"), (Values{{"numeric_Checked", "False"}, {"check3_Checked", "False"}}));
    ASSERT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines[0], "numeric.Checked");
}

TEST(StoredProps, OtherKindsRoundTrip) {
    PropsForm form;
    form.Lines({"check1.Tag", "check1.Caption", "Keeper.Items", "MinMax1.MinTrackSize"});
    form.check1->SetTag(7);
    form.check1->SetCaption(" Numeric ");
    form.keeper->items.Add("a");
    form.keeper->items.Add(" b ");
    form.minMax->MinTrackSize().X = 100;
    form.minMax->MinTrackSize().Y = 50;
    MapStore store;
    store.values[{"sec.Keeper_Items", "Item5"}] = "stale";
    form.Save(store);
    EXPECT_EQ(store.Section("sec"), (Values{{"check1_Tag", "7"},
                                            {"check1_Caption", "Numeric"},
                                            {"MinMax1_MinTrackSizeX", "100"},
                                            {"MinMax1_MinTrackSizeY", "50"}}));
    EXPECT_EQ(store.erased, std::vector<std::string>{"sec.Keeper_Items"});
    EXPECT_EQ(store.Section("sec.Keeper_Items"), (Values{{"Count", "2"}, {"Item0", "a"}, {"Item1", " b "}}));

    form.check1->SetTag(0);
    form.check1->SetCaption("x");
    form.keeper->items.Clear();
    form.keeper->items.Add("old");
    form.minMax->MinTrackSize().X = 0;
    form.Load(store);
    EXPECT_EQ(form.check1->Tag(), 7);
    EXPECT_EQ(form.check1->Caption(), "Numeric");
    ASSERT_EQ(form.keeper->items.Count(), 2);
    EXPECT_EQ(form.keeper->items[1], " b ");
    EXPECT_EQ(form.minMax->MinTrackSize().X, 100);

    // An empty list only clears its section; a count of 0 leaves the list alone.
    form.keeper->items.Clear();
    form.Save(store);
    EXPECT_TRUE(store.Section("sec.Keeper_Items").empty());
    form.keeper->items.Add("kept");
    form.Load(store);
    EXPECT_EQ(form.keeper->items.Count(), 1);
}

TEST(StoredProps, SetsWriteMemberNamesAndReadReplacesTheMembers) {
    PropsForm form;
    MapStore store;
    TPropsStorage storage;
    storage.AObject = &form;
    storage.Section = "sec";
    storage.Prefix = "PropsForm_";
    storage.BindWriting(store);
    storage.BindReading(store);
    const fw::TPropInfo* found = nullptr;
    for (const fw::TPropInfo* p : fw::GetPropList(form))
        if (std::string_view(p->name) == "BorderIcons") found = p;
    ASSERT_NE(found, nullptr);
    const fw::TPropInfo& icons = *found;
    form.SetBorderIcons(fw::biSystemMenu | fw::biMinimize);
    storage.WriteOneProperty(icons);
    EXPECT_EQ((store.values[{"sec", "PropsForm_BorderIcons"}]), "[biSystemMenu,biMinimize]");

    store.values[{"sec", "PropsForm_BorderIcons"}] = " [ BIMAXIMIZE,bogus biSystemMenu] ";
    storage.ReadOneProperty(icons);
    EXPECT_EQ(form.BorderIcons(), unsigned(fw::biSystemMenu | fw::biMaximize));
}

TEST(StoredProps, ReadErrorsStayWithTheirPropertyWriteErrorsEndThePass) {
    PropsForm form;
    form.Lines({"check1.Tag", "check1.Checked", "check2.Checked"});
    form.check1->SetTag(5);
    MapStore store;
    store.values[{"sec", "check1_Tag"}] = "abc";
    store.values[{"sec", "check2_Checked"}] = "True";
    store.failOn = "check1_Checked";
    form.check1->SetChecked(true);
    form.Load(store);
    EXPECT_EQ(form.check1->Tag(), 0);
    EXPECT_TRUE(form.check1->Checked());
    EXPECT_TRUE(form.check2->Checked());

    store.values[{"sec", "check2_Checked"}] = "untouched";
    EXPECT_THROW(form.Save(store), fw::Error);
    EXPECT_EQ((store.values[{"sec", "check1_Tag"}]), "0");
    EXPECT_EQ((store.values[{"sec", "check2_Checked"}]), "untouched");
}
