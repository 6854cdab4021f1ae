#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "settings/ScreenFit.h"
#include "settings/StoreText.h"

using namespace sockmere;
using namespace std::literals;

TEST(StoreNames, ComeFromTheFileNameWithoutItsExtension) {
    struct Case {
        const char* path;
        const char* key;
        const char* ini;
    };
    const Case cases[] = {
        {"C:\\Tools\\Vized.exe", "Software\\Vized", "Vized.INI"},
        {"C:\\Tools\\sock.mere.exe", "Software\\sock.mere", "sock.mere.INI"},
        {"C:\\dir.v2\\Sockmere", "Software\\Sockmere", "Sockmere.INI"},
        {"D:Sockmere.exe", "Software\\Sockmere", "Sockmere.INI"},
        {"Sockmere.bin", "Software\\Sockmere", "Sockmere.INI"},
        {"\\\\server\\share\\x.y\\app", "Software\\app", "app.INI"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RegistryKeyForModule(c.path), c.key) << c.path;
        EXPECT_EQ(IniFileNameForModule(c.path), c.ini) << c.path;
    }
}

TEST(StoredNumber, ReadsDecimalAndPrefixedHexOrGivesTheFallback) {
    struct Case {
        std::string_view text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"0", 0}, {"42", 42}, {"-7", -7}, {"+7", 7}, {"007", 7},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"0x10", 16}, {"0X1f", 31}, {"0x000000010", 16}, {"0x7FFFFFFF", INT32_MAX},
        {"0xFFFFFFFF", -1}, {"0x80000000", INT32_MIN},
        // Everything below is the fallback.
        {"", 99}, {"abc", 99}, {"12a", 99}, {"-", 99}, {"+", 99}, {"--1", 99},
        {" 1", 99}, {"1 ", 99}, {"1\0002"sv, 99}, {"0x", 99}, {"0x1g", 99}, {"-0x10", 99}, {"0x-1", 99},
        {"2147483648", 99}, {"-2147483649", 99}, {"99999999999999999999", 99},
        {"0x100000000", 99}, {"0xFFFFFFFFFFFFFFFF1", 99},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StoredNumber(c.text, 99), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(DecimalOr("0x10", 5), 5) << "position words are decimal only";
    EXPECT_EQ(DecimalOr("-12", 5), -12);
}

TEST(PositionText, SplitsIntoWordsAndFormats) {
    const std::string_view messy = " 10 , 20,,300   ,400";
    EXPECT_EQ(PositionWord(messy, 1), "10");
    EXPECT_EQ(PositionWord(messy, 2), "20");
    EXPECT_EQ(PositionWord(messy, 3), "300");
    EXPECT_EQ(PositionWord(messy, 4), "400");
    EXPECT_EQ(PositionWord(messy, 5), "");
    EXPECT_EQ(PositionWord(messy, 0), "");
    EXPECT_EQ(PositionWord("10,20", 3), "");
    EXPECT_EQ(PositionWord(", ,", 1), "");
    EXPECT_EQ(PositionWord("a\tb,c", 1), "a\tb") << "only blanks and commas separate";

    EXPECT_EQ(PositionText(-4, -4, -1, 2147483647), "-4,-4,-1,2147483647");
    EXPECT_EQ(ScreenSizeSuffix(1280, 1024), "(1280x1024)");
    EXPECT_EQ(NumberText(INT32_MIN), "-2147483648");
    EXPECT_EQ(FlagText(true) + FlagText(false), "10");
}

namespace {

// Half are number-like (a prefix, then up to 20 digits) so overflow edges come up often; the
// rest are bytes biased towards the characters the rules care about.
std::string RandomText(std::mt19937& rng) {
    static constexpr std::string_view kInteresting = "0123456789aAfFgxX+- ,\t";
    static constexpr std::string_view kPrefixes[] = {"", "-", "+", "0x", "0X", "-0x", "0"};
    std::string text;
    if (rng() % 2 == 0) {
        text = kPrefixes[rng() % std::size(kPrefixes)];
        const bool hex = text.find_first_of("xX") != std::string::npos;
        for (unsigned n = rng() % 21; n > 0; --n) text += "0123456789abcdefABCDEF"[rng() % (hex ? 22 : 10)];
        if (rng() % 8 == 0) text.insert(rng() % (text.size() + 1), 1, static_cast<char>(rng()));
        return text;
    }
    text.resize(rng() % 24);
    for (char& c : text) {
        const unsigned pick = rng();
        c = pick % 4 == 0 ? static_cast<char>(pick >> 8) : kInteresting[(pick >> 8) % kInteresting.size()];
    }
    return text;
}

// std::from_chars as the reference: it reports overflow instead of wrapping.
std::int32_t ReferenceNumber(std::string_view text, std::int32_t fallback) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
        if (text[0] == '-' || text[0] == '+') return fallback;
        std::uint32_t value = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
        return error == std::errc() && end == text.data() + text.size() ? static_cast<std::int32_t>(value)
                                                                        : fallback;
    }
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text[0] == '-') return fallback;
    }
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() ? value : fallback;
}

}  // namespace

TEST(StoreTextProperties, ArbitraryBytesConvertLikeTheReferenceAndSplitIntoCleanWords) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 200000; ++round) {
        const std::string text = RandomText(rng);
        ASSERT_EQ(StoredNumber(text, -99), ReferenceNumber(text, -99)) << '"' << text << '"';

        // Words joined by "," give the text with each separator run made one "," and trimmed.
        std::string joined;
        int n = 1;
        for (std::string_view word; !(word = PositionWord(text, n)).empty(); ++n) {
            ASSERT_EQ(word.find_first_of(" ,"), std::string_view::npos);
            joined += (joined.empty() ? "" : ",") + std::string(word);
        }
        ASSERT_EQ(PositionWord(text, n + 1), "");
        std::string collapsed;
        for (char c : text) {
            const bool separator = c == ' ' || c == ',';
            if (!separator) collapsed += c;
            else if (!collapsed.empty() && collapsed.back() != ',') collapsed += ',';
        }
        if (!collapsed.empty() && collapsed.back() == ',') collapsed.pop_back();
        ASSERT_EQ(joined, collapsed) << '"' << text << '"';
    }
}

TEST(ScreenFit, ARectangleCountsAsOnScreenOnlyWhenEveryPointIsOnAWorkArea) {
    const ScreenRect left{0, 0, 1280, 984}, right{1280, 0, 3200, 1040};
    const ScreenRect both[] = {left, right};
    EXPECT_TRUE(WhollyCovered({100, 100, 700, 600}, both));
    EXPECT_TRUE(WhollyCovered({1000, 100, 1600, 600}, both)) << "across two monitors";
    EXPECT_FALSE(WhollyCovered({1000, 900, 1600, 1000}, both)) << "below the shorter one's work area";
    EXPECT_FALSE(WhollyCovered({1200, 900, 1800, 1400}, std::span(both, 1))) << "the undocked second monitor";
    EXPECT_FALSE(WhollyCovered({0, -300, 600, 100}, both));
    EXPECT_FALSE(WhollyCovered({-1, 0, 600, 100}, both));
    EXPECT_TRUE(WhollyCovered({0, 0, 1280, 984}, std::span(both, 1))) << "edges are exclusive";
    EXPECT_TRUE(WhollyCovered({5, 5, 5, 50}, {})) << "nothing to show";
}

TEST(ScreenFit, AnOffScreenRectangleMovesInKeepingItsSizeOrShrinksNoFurtherThanTheMinimum) {
    const ScreenRect area{0, 0, 1280, 984};
    EXPECT_EQ(MovedInto({1200, 900, 1800, 1400}, area, 482, 250), (ScreenRect{680, 484, 1280, 984}));
    EXPECT_EQ(MovedInto({0, -300, 600, 100}, area, 482, 250), (ScreenRect{0, 0, 600, 400}));
    EXPECT_EQ(MovedInto({-50, 10, 3000, 200}, area, 482, 250), (ScreenRect{0, 10, 1280, 200}));
    // A work area smaller than the minimum: the minimum wins, from the area's corner.
    EXPECT_EQ(MovedInto({300, 300, 900, 800}, {100, 50, 500, 250}, 482, 250), (ScreenRect{100, 50, 582, 300}));
    // An area away from the origin, as a second monitor's.
    EXPECT_EQ(MovedInto({5000, 20, 5600, 520}, {1280, 0, 3200, 1040}, 482, 250), (ScreenRect{2600, 20, 3200, 520}));
}

TEST(ScreenFit, OnlyARectangleOfAWindowsSizeNearTheScreensIsApplied) {
    EXPECT_TRUE(Applicable(10, 20, 410, 320));
    EXPECT_TRUE(Applicable(-(1 << 30), 1 << 30, 65535 - (1 << 30), (1 << 30) - 65535)) << "upside down";
    EXPECT_FALSE(Applicable(10, 20, 10, 320)) << "right not past left";
    EXPECT_FALSE(Applicable(0, 0, 65536, 400));
    EXPECT_FALSE(Applicable(0, 65536, 400, 0));
    // Edges whose differences overflow an int, or that lie far beyond any screen.
    EXPECT_FALSE(Applicable(-2147483000, 0, 2147483000, 400));
    EXPECT_FALSE(Applicable(0, 2147483000, 400, -2147483000));
    EXPECT_FALSE(Applicable(2147483000, 0, 2147483500, 400));
}

TEST(StoreNames, EveryCaseOfAKeyNamesOneLockWithNoFurtherBackslash) {
    EXPECT_EQ(SettingsLockName("Software\\Sockmere"), "Local\\Sockmere.settings:software/sockmere");
    EXPECT_EQ(SettingsLockName("SOFTWARE\\sockmere"), SettingsLockName("Software\\Sockmere"));
    EXPECT_NE(SettingsLockName("Software\\Sockmere2"), SettingsLockName("Software\\Sockmere"));
    EXPECT_EQ(SettingsLockName(std::string(400, 'k')).size(), 260u);
}
