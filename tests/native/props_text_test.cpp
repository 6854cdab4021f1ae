#include <gtest/gtest.h>

#include "settings/PropsText.h"

using namespace sockmere;

TEST(PropLines, SplitAtTheFirstDotAndTrimmed) {
    struct Case {
        const char* line;
        const char* component;  // null: invalid
        const char* property;
    };
    const Case cases[] = {
        {"check1.Checked", "check1", "Checked"},
        {" \tCheck1 . checked\r\n", "Check1", "checked"},
        {"MinMax1.MinTrackSize.X", "MinMax1", "MinTrackSize.X"},
        {"check1Checked", nullptr, nullptr},
        {"check1.", nullptr, nullptr},
        {" .Checked", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        auto parts = SplitPropLine(c.line);
        ASSERT_EQ(parts.has_value(), c.component != nullptr) << c.line;
        if (!parts) continue;
        EXPECT_EQ(parts->component, c.component);
        EXPECT_EQ(parts->property, c.property);
    }
}

TEST(SetTexts, WordsAndWriting) {
    using Words = std::vector<std::string_view>;
    EXPECT_EQ(SetWords("[biSystemMenu,biMinimize]"), (Words{"biSystemMenu", "biMinimize"}));
    EXPECT_EQ(SetWords(" [ a ,, b]c [] "), (Words{"a", "b", "c"}));
    EXPECT_EQ(SetWords("[]"), Words{});
    EXPECT_EQ(SetText({"biSystemMenu", "biMinimize"}), "[biSystemMenu,biMinimize]");
    EXPECT_EQ(SetText({}), "[]");
}

TEST(DecimalTexts, AnythingButAWholeNumberIsZero) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"42", 42},   {"-7", -7},       {"+5", 5},   {"2147483647", 2147483647},
        {"", 0},      {"abc", 0},       {"12x", 0},  {"2147483648", 0},
        {"+-5", 0},   {"+", 0},         {"1.5", 0},  {"0x10", 0},
    };
    for (auto [text, value] : cases) EXPECT_EQ(DecimalOrZero(text), value) << text;
    EXPECT_EQ(TrimControls("\x01 a b\x1f "), "a b");
}
