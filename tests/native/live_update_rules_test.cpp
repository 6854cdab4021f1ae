#include <gtest/gtest.h>

#include <vector>

#include "ui/LiveUpdateRules.h"

using namespace sockmere;

TEST(RefreshEvery, OnlyAnOfferedIntervalInPlainDigitsIsRead) {
    for (int seconds : kRefreshChoices) EXPECT_EQ(StoredRefreshSeconds(std::to_string(seconds)), seconds);
    for (const char* text : {"", "3", "05", " 5", "5 ", "+5", "-1", "1000", "30s", "Off", "1 Second"})
        EXPECT_EQ(StoredRefreshSeconds(text), 0) << text;
}

TEST(RefreshEvery, TheWaitCountsFromTheLastEndAcrossATickWrap) {
    EXPECT_EQ(UpdateWait(1000, 1000, 5000), 5000u);
    EXPECT_EQ(UpdateWait(3000, 1000, 5000), 3000u);
    EXPECT_EQ(UpdateWait(9000, 1000, 5000), 0u);
    // 0xFFFFFF00 to 0x100 is 512 ms later, not four billion earlier.
    EXPECT_EQ(UpdateWait(0x100, 0xFFFFFF00u, 1000), 488u);
    EXPECT_EQ(UpdateWait(0x100, 0xFFFFFF00u, 500), 0u);
}

TEST(KeptRows, EqualKeysPairInOrderAndAnotherRemotePortIsAnotherConnection) {
    const ConnectionKey a{"TCP", "49152", "10.0.0.1", "443"}, b{"TCP", "49153", "10.0.0.1", "443"};
    const ConnectionKey c{"UDP", "53", "*", "*"}, aOtherPort{"TCP", "49152", "10.0.0.1", "444"};
    const std::vector<ConnectionKey> before{a, b, a, c, a};
    EXPECT_EQ(KeyRank(before, 0), 0u);
    EXPECT_EQ(KeyRank(before, 2), 1u);
    EXPECT_EQ(KeyRank(before, 4), 2u);
    EXPECT_EQ(KeyRank(before, 3), 0u);
    // Reordered, one of the three a's gone: the second a is still found, the third is not.
    const std::vector<ConnectionKey> after{c, a, b, aOtherPort, a};
    EXPECT_EQ(FindKeyRank(after, a, 0), 1);
    EXPECT_EQ(FindKeyRank(after, a, 1), 4);
    EXPECT_EQ(FindKeyRank(after, a, 2), -1);
    EXPECT_EQ(FindKeyRank(after, c, 0), 0);
    EXPECT_EQ(FindKeyRank(after, aOtherPort, 0), 3);
    EXPECT_EQ(FindKeyRank({}, a, 0), -1);
    // Any field of the key tells connections apart.
    EXPECT_EQ(FindKeyRank(after, ConnectionKey{"TCP", "49152", "10.0.0.2", "443"}, 0), -1);
}
