#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "listing/ConnectionKey.h"

using namespace sockmere;

namespace {

ConnectionKey Key(std::string_view local, std::string_view remote = "1.2.3.4") {
    return {"TCP", local, remote, "443"};
}

// The rule written the slow way: each row of after takes the first unpaired row of before
// with an equal key and status, then those left the first with an equal key.
std::vector<int> PairSlowly(const std::vector<ConnectionKey>& before, const std::vector<ConnectionKey>& after,
                            const std::vector<std::string_view>& beforeStatus = {},
                            const std::vector<std::string_view>& afterStatus = {}) {
    std::vector<bool> taken(before.size());
    std::vector<int> partner(after.size(), -1);
    for (bool byStatus : {true, false}) {
        if (byStatus && beforeStatus.empty()) continue;
        for (std::size_t j = 0; j < after.size(); ++j)
            for (std::size_t i = 0; i < before.size() && partner[j] < 0; ++i)
                if (!taken[i] && before[i] == after[j] && (!byStatus || beforeStatus[i] == afterStatus[j]))
                    taken[i] = true, partner[j] = static_cast<int>(i);
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
    const std::vector<ConnectionKey> before{Key("80", "10.0.0.1"), Key("80", "10.0.0.2")};
    EXPECT_EQ(PairRows(before, std::vector<ConnectionKey>{Key("80", "10.0.0.3"), Key("80", "10.0.0.1")}),
              (std::vector<int>{-1, 0}));
    const std::vector<ConnectionKey> joined{{"TCP", "8", "01.2", "443"}};
    EXPECT_EQ(PairRows(std::vector<ConnectionKey>{{"TCP", "80", "1.2", "443"}}, joined), std::vector<int>{-1});
    EXPECT_EQ(PairRows(std::vector<ConnectionKey>{{"UDP", "80", "1.2", "443"}},
                       std::vector<ConnectionKey>{{"TCP", "80", "1.2", "443"}}),
              std::vector<int>{-1});
}

TEST(ConnectionKey, EqualKeysPairWithTheSameStatusFirstThenInOrder) {
    using Statuses = std::vector<std::string_view>;
    const std::vector<ConnectionKey> three(3, Key("80")), two(2, Key("80"));
    // The connection that went is the one whose status no row has now, not the last one.
    EXPECT_EQ(PairRows(three, two, Statuses{"SYN_SENT", "ESTABLISHED", "ESTABLISHED"}, Statuses{"ESTABLISHED", "ESTABLISHED"}),
              (std::vector<int>{1, 2}));
    // Rows no status pairs take what is left in order, around the rows that did pair.
    EXPECT_EQ(PairRows(three, two, Statuses{"A", "B", "C"}, Statuses{"D", "B"}), (std::vector<int>{0, 1}));
}

TEST(ConnectionKey, LargeTablesWithManyDuplicatesPairAsTheSlowRuleDoes) {
    std::mt19937 random(7);
    std::vector<std::string> ports;
    for (int i = 0; i < 100; ++i) ports.push_back(std::to_string(i));
    auto table = [&](int rows) {
        std::vector<ConnectionKey> keys;
        for (int i = 0; i < rows; ++i)
            keys.push_back(Key(ports[random() % ports.size()], random() % 2 ? "a" : "b"));
        return keys;
    };
    std::vector<std::string_view> status[2];
    for (int i = 0; i < 1700; ++i) status[i < 900 ? 0 : 1].push_back(random() % 2 ? "ESTABLISHED" : "TIME_WAIT");
    for (int round = 0; round < 3; ++round) {
        const auto before = table(900), after = table(800);
        ASSERT_EQ(PairRows(before, after), PairSlowly(before, after)) << "round " << round;
        ASSERT_EQ(PairRows(before, after, status[0], status[1]), PairSlowly(before, after, status[0], status[1]))
            << "round " << round;
    }
}
