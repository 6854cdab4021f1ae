#include "listing/ListingRun.h"

#include <gtest/gtest.h>

#include "framework/Handles.h"
#include "listing/TestSupport.h"

namespace sockmere {
namespace {

using namespace sockmere::testing;

// Of a refusal on standard error, a hang and rows before a failing exit, only the refusal is
// asked again, without -o; the hang is told as the failure it is.
TEST(RunListing, AsksAgainOnlyWhenTheOwnersWereRefused) {
    TempFile args("listing_run_args.txt");
    ScopedEnv record("SOCKMERE_FAKE_ARGS_FILE", args.Path());
    ScopedEnv rows("SOCKMERE_FAKE_ROWS", "2");
    RecordingTarget target;
    auto run = [&](const char* name, const char* value, DWORD silenceLimitMs = kDefaultSilenceLimitMs) {
        ScopedEnv setting(name, value);
        return RunListing({.processes = true}, target, nullptr, silenceLimitMs);
    };
    ListingRun refused = run("SOCKMERE_FAKE_NO_OWNERS", "usage");
    EXPECT_TRUE(refused.withoutProcesses && !refused.printedNothing && refused.exitCode == 0);
    const std::string rerun = target.text;
    ListingRun hung = run("SOCKMERE_FAKE_DELAY_MS", "30000", 300);
    EXPECT_TRUE(hung.silenced && hung.printedNothing && !hung.withoutProcesses);
    ListingRun failed = run("SOCKMERE_FAKE_EXIT", "3");
    EXPECT_TRUE(!failed.withoutProcesses && !failed.printedNothing && failed.exitCode == 3);
    EXPECT_EQ(target.calls, 3);
    EXPECT_EQ(rerun.find("[-a]"), std::string::npos) << "the usage text, not the rows";
    EXPECT_EQ(args.Read(), "-o\r\n\r\n-o\r\n-o\r\n");
}

HANDLE g_cancel = nullptr;
DWORD g_start = 0, g_child = 0;

// Sets the cancel half a second into the run.
void CancelLater(HANDLE process) {
    g_child = GetProcessId(process);
    if (GetTickCount() - g_start >= 500) SetEvent(g_cancel);
}

// A child that would stay silent for half a minute goes within a second of the cancel; nothing
// of it reaches the target, and no run without -o follows.
TEST(RunListing, CancelEndsTheChildAtOnce) {
    ScopedEnv hang("SOCKMERE_FAKE_DELAY_MS", "30000");
    const fw::HandleOwner cancel(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_cancel = cancel.Get();
    const PipeLookHook previous = SetPipeLookHook(&CancelLater);
    RecordingTarget target;
    g_start = GetTickCount();
    const ListingRun run = RunListing({.processes = true}, target, cancel.Get());
    EXPECT_LT(GetTickCount() - g_start, 1500u);
    SetPipeLookHook(previous);
    EXPECT_TRUE(run.cancelled && run.started && !run.withoutProcesses);
    EXPECT_EQ(target.calls, 0);
    const fw::HandleOwner child(OpenProcess(SYNCHRONIZE, FALSE, g_child));
    EXPECT_TRUE(g_child != 0 && (!child || WaitForSingleObject(child.Get(), 0) == WAIT_OBJECT_0));
}

}  // namespace
}  // namespace sockmere
