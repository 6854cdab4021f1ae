#include "listing/ListingCommand.h"

#include <gtest/gtest.h>

namespace sockmere {
namespace {

TEST(ListingCommand, OptionsFollowTheProgramInFixedOrder) {
    EXPECT_EQ(ComposeListingCommand("C:\\WINDOWS", "C:\\WINDOWS\\system32", true, {false, false}),
              "C:\\WINDOWS\\netstat");
    EXPECT_EQ(ComposeListingCommand("C:\\WINDOWS", "C:\\WINDOWS\\system32", true, {true, false}),
              "C:\\WINDOWS\\netstat -n");
    EXPECT_EQ(ComposeListingCommand("C:\\WINDOWS", "C:\\WINDOWS\\system32", true, {false, true}),
              "C:\\WINDOWS\\netstat -a");
    EXPECT_EQ(ComposeListingCommand("C:\\WINDOWS", "C:\\WINDOWS\\system32", true, {true, true}),
              "C:\\WINDOWS\\netstat -n -a");
    EXPECT_EQ(ComposeListingCommand("C:\\WINDOWS", "C:\\WINDOWS\\system32", true, {true, true, true}),
              "C:\\WINDOWS\\netstat -n -a -o");
    EXPECT_EQ(ComposeListingCommand("C:\\WINDOWS", "C:\\WINDOWS\\system32", true, {false, false, true}),
              "C:\\WINDOWS\\netstat -o");
    EXPECT_EQ(ComposeListingCommand("C:\\My Windows", "C:\\x", true, {false, true, true}),
              "\"C:\\My Windows\\netstat\" -a -o");
}

TEST(ListingCommand, SystemDirectoryWhenAbsentFromWindowsDirectory) {
    EXPECT_EQ(ComposeListingCommand("C:\\WINDOWS", "C:\\WINDOWS\\system32", false, {true, true}),
              "C:\\WINDOWS\\system32\\netstat -n -a");
    EXPECT_EQ(ComposeListingCommand("C:\\WINDOWS", "", false, {false, false}), "\\netstat");
}

TEST(ListingCommand, EmptyWindowsDirectoryLeavesBareName) {
    EXPECT_EQ(ComposeListingCommand("", "C:\\WINDOWS\\system32", true, {false, false}), "\\netstat");
    EXPECT_EQ(ComposeListingCommand("", "C:\\WINDOWS\\system32", true, {true, true}), "\\netstat -n -a");
}

TEST(ListingCommand, PathWithBlankIsQuoted) {
    EXPECT_EQ(ComposeListingCommand("C:\\My Windows", "C:\\x", true, {true, true}),
              "\"C:\\My Windows\\netstat\" -n -a");
    EXPECT_EQ(ComposeListingCommand("C:\\x", "D:\\Sys Dir\\system32", false, {false, false}),
              "\"D:\\Sys Dir\\system32\\netstat\"");
    // A blank only in the directory not used changes nothing.
    EXPECT_EQ(ComposeListingCommand("C:\\WINDOWS", "C:\\Sys Dir", true, {false, true}),
              "C:\\WINDOWS\\netstat -a");
}

}  // namespace
}  // namespace sockmere
