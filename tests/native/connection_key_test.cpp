#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "listing/ConnectionKey.h"

using namespace sockmere;

namespace {

ConnectionKey Key(std::string_view local, std::string_view remote = "1.2.3.4", std::string_view pid = "") {
    return {"TCP", local, remote, "443", pid};
}

// The rule written the slow way: each row of after takes the first unpaired row of before
// with an equal key.
std::vector<int> PairSlowly(const std::vector<ConnectionKey>& before, const std::vector<ConnectionKey>& after) {
    std::vector<bool> taken(before.size());
    std::vector<int> partner;
    for (const ConnectionKey& key : after) {
        int found = -1;
        for (std::size_t i = 0; i < before.size() && found < 0; ++i)
            if (!taken[i] && before[i] == key) taken[i] = true, found = static_cast<int>(i);
        partner.push_back(found);
    }
    return partner;
}

}  // namespace

TEST(ConnectionKey, EqualKeysPairInOrderWhateverTheRowsOrder) {
    // Two rows of one key before, three after (one new), with the others moved round.
    const std::vector<ConnectionKey> before{Key("80"), Key("81"), Key("80"), Key("82")};
    const std::vector<ConnectionKey> after{Key("82"), Key("80"), Key("80"), Key("83"), Key("80")};
    EXPECT_EQ(PairRows(before, after), (std::vector<int>{3, 0, 2, -1, -1}));
    EXPECT_EQ(PairRows({}, after), (std::vector<int>(5, -1)));
    EXPECT_TRUE(PairRows(before, {}).empty());
}

TEST(ConnectionKey, EveryFieldCountsAndFieldsDoNotRunTogether) {
    const std::vector<ConnectionKey> before{Key("80", "10.0.0.1", "4"), Key("80", "10.0.0.1", "")};
    // Another PID is another connection; an empty one matches only an empty one.
    EXPECT_EQ(PairRows(before, std::vector<ConnectionKey>{Key("80", "10.0.0.1", "5"), Key("80", "10.0.0.1", "")}),
              (std::vector<int>{-1, 1}));
    const std::vector<ConnectionKey> joined{{"TCP", "8", "01.2", "443", ""}};
    EXPECT_EQ(PairRows(std::vector<ConnectionKey>{{"TCP", "80", "1.2", "443", ""}}, joined), std::vector<int>{-1});
    EXPECT_EQ(PairRows(std::vector<ConnectionKey>{{"UDP", "80", "1.2", "443", ""}},
                       std::vector<ConnectionKey>{{"TCP", "80", "1.2", "443", ""}}),
              std::vector<int>{-1});
}

TEST(ConnectionKey, LargeTablesWithManyDuplicatesPairAsTheSlowRuleDoes) {
    std::mt19937 random(7);
    std::vector<std::string> ports;
    for (int i = 0; i < 100; ++i) ports.push_back(std::to_string(i));
    auto table = [&](int rows) {
        std::vector<ConnectionKey> keys;
        for (int i = 0; i < rows; ++i)
            keys.push_back(Key(ports[random() % ports.size()], random() % 2 ? "a" : "b", random() % 3 ? "" : "9"));
        return keys;
    };
    for (int round = 0; round < 3; ++round) {
        const auto before = table(900), after = table(800);
        ASSERT_EQ(PairRows(before, after), PairSlowly(before, after)) << "round " << round;
    }
}
