#include "listing/SystemListingCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "listing/ListingParser.h"
#include "listing/TcpStates.h"
#include "listing/TestSupport.h"

namespace sockmere {
namespace {

using namespace sockmere::testing;

// Moves the Windows directory's netstat.exe aside and always puts it back.
class NetstatMovedAside {
public:
    NetstatMovedAside()
        : path_(WindowsDirectory() + "\\netstat.exe"), aside_(path_ + ".sockmere-aside") {
        // An earlier run that died inside this test left it aside.
        if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) Restore();
        moved_ = MoveFileA(path_.c_str(), aside_.c_str()) != 0;
    }
    ~NetstatMovedAside() {
        if (moved_) Restore();
    }
    NetstatMovedAside(const NetstatMovedAside&) = delete;
    NetstatMovedAside& operator=(const NetstatMovedAside&) = delete;

    bool Moved() const { return moved_; }

private:
    void Restore() { MoveFileA(aside_.c_str(), path_.c_str()); }

    std::string path_;
    std::string aside_;
    bool moved_ = false;
};

// The directories as the system reports them, to check against.
std::string SystemReported(UINT(WINAPI* read)(LPSTR, UINT)) {
    char buffer[MAX_PATH];
    const UINT length = read(buffer, MAX_PATH);
    return std::string(buffer, length < MAX_PATH ? length : 0);
}

TEST(SystemListingCommand, PrefersTheWindowsDirectory) {
    const std::string windowsDir = SystemReported(GetWindowsDirectoryA);
    ASSERT_FALSE(windowsDir.empty());
    EXPECT_EQ(ComposeListingCommand({true, true}), windowsDir + "\\netstat -n -a");
    EXPECT_EQ(ComposeListingCommand({false, false}), windowsDir + "\\netstat");
}

TEST(SystemListingCommand, FallsBackToTheSystemDirectory) {
    TempFile arguments("args.txt");
    ScopedEnv argsFile("SOCKMERE_FAKE_ARGS_FILE", arguments.Path());
    {
        NetstatMovedAside aside;
        ASSERT_TRUE(aside.Moved());
        const std::string command = ComposeListingCommand({true, false});
        EXPECT_EQ(command, SystemReported(GetSystemDirectoryA) + "\\netstat -n");
        const Capture capture = RunCaptured(command);
        EXPECT_EQ(capture.result, 0);
        EXPECT_EQ(arguments.Read(), "-n\r\n");
    }
    // Read afresh: the program is back in the Windows directory.
    EXPECT_EQ(ComposeListingCommand({false, true}), SystemReported(GetWindowsDirectoryA) + "\\netstat -a");
}

bool IsNumber(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

TEST(SystemListingCommand, ComposedCommandRunsEndToEndIntoRows) {
    TempFile arguments("args.txt");
    ScopedEnv argsFile("SOCKMERE_FAKE_ARGS_FILE", arguments.Path());
    ScopedEnv rows("SOCKMERE_FAKE_ROWS", "400");
    const Capture capture = RunCaptured(ComposeListingCommand({true, true}));
    ASSERT_EQ(capture.result, 0);
    EXPECT_EQ(arguments.Read(), "-n -a\r\n");

    std::vector<ConnectionRow> parsed;
    ParseListing(capture.text, [&](ConnectionRow&& row) { parsed.push_back(std::move(row)); });
    ASSERT_EQ(parsed.size(), 400u);
    int ipv6 = 0, udp = 0, names = 0;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const ConnectionRow& row = parsed[i];
        SCOPED_TRACE(row.Number + " " + row.RemoteAddress);
        EXPECT_EQ(row.Number, std::to_string(i + 1));
        EXPECT_TRUE(IsNumber(row.LocalPort)) << row.LocalPort;
        if (row.Protocol == "UDP") {
            ++udp;
            EXPECT_EQ(row.RemoteAddress, "*");
            EXPECT_EQ(row.RemotePort, "*");
            EXPECT_EQ(row.Status, "");
            continue;
        }
        ASSERT_EQ(row.Protocol, "TCP");
        EXPECT_NE(DescribeTcpState(row.Status), "???") << row.Status;
        if (row.RemoteAddress.front() == '[') {
            ++ipv6;
            EXPECT_EQ(row.RemoteAddress.back(), ']');
            EXPECT_TRUE(IsNumber(row.RemotePort)) << row.RemotePort;
        } else if (!IsNumber(row.RemotePort)) {
            ++names;
            EXPECT_FALSE(row.RemoteAddress.empty());
        }
    }
    EXPECT_GT(ipv6, 0);
    EXPECT_GT(udp, 0);
    EXPECT_GT(names, 0);
}

TEST(SystemListingCommand, FiftyThousandRowsArriveAndParse) {
    ScopedEnv rows("SOCKMERE_FAKE_ROWS", "50000");
    const Capture capture = RunCaptured(ComposeListingCommand({true, true}));
    std::size_t last = 0;
    const std::size_t count = ParseListing(capture.text, [&](ConnectionRow&& row) {
        if (row.Number != std::to_string(++last)) ADD_FAILURE() << row.Number;
    });
    EXPECT_EQ(count, 50000u);
}

}  // namespace
}  // namespace sockmere
