#include "listing/ListingRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "framework/Handles.h"
#include "listing/ListingParser.h"
#include "listing/TestSupport.h"

namespace sockmere {
namespace {

using namespace sockmere::testing;

// A refusal on standard error, a hang and rows followed by a failure: only the refusal is
// asked again, without -o, and only what the last run printed is handed on.
TEST(RunListing, AsksAgainOnlyWhenTheOwnersWereRefused) {
    TempFile args("listing_run_args.txt");
    ScopedEnv record("SOCKMERE_FAKE_ARGS_FILE", args.Path());
    ScopedEnv rows("SOCKMERE_FAKE_ROWS", "2");
    RecordingTarget target;
    {
        ScopedEnv usage("SOCKMERE_FAKE_NO_OWNERS", "usage");
        const ListingRun run = RunListing({.numeric = true, .processes = true}, target);
        EXPECT_TRUE(run.withoutProcesses && run.started && !run.printedNothing);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(target.calls, 1);
        EXPECT_EQ(CountLines(target.text), 6u);
        EXPECT_EQ(args.Read(), "-n -o\r\n-n\r\n");
    }
    {
        // Silent past the limit: told as the failure it is, not hidden by a second run.
        ScopedEnv hang("SOCKMERE_FAKE_DELAY_MS", "30000");
        const ListingRun run = RunListing({.processes = true}, target, nullptr, 300);
        EXPECT_TRUE(run.silenced && run.printedNothing && !run.withoutProcesses);
        EXPECT_EQ(run.exitCode, static_cast<int>(kSilentChildExitCode));
        EXPECT_EQ(args.Read(), "-n -o\r\n-n\r\n-o\r\n");
    }
    ScopedEnv code("SOCKMERE_FAKE_EXIT", "3");
    const ListingRun run = RunListing({.processes = true}, target);
    EXPECT_TRUE(!run.withoutProcesses && !run.printedNothing);
    EXPECT_EQ(CountLines(target.text), 6u);
    EXPECT_EQ(args.Read(), "-n -o\r\n-n\r\n-o\r\n-o\r\n");
}

TEST(RunListing, AFailedRunsUsageTextShowsNoConnection) {
    TempFile usage("listing_run_usage.txt");
    usage.Write("\r\nNETSTAT [-a] [-n] [interval]\r\n\r\n  -a   all\r\n  -n   numbers\r\n");
    ScopedEnv file("SOCKMERE_FAKE_FILE", usage.Path());
    ScopedEnv code("SOCKMERE_FAKE_EXIT", "1");
    RecordingTarget target;
    const ListingRun run = RunListing({}, target);
    EXPECT_TRUE(run.printedNothing && !run.withoutProcesses);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(target.text, "");
}

DWORD g_childId = 0;
BOOL WINAPI RecordChild(LPCSTR application, LPSTR line, LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread,
                        BOOL inherit, DWORD flags, LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                        LPPROCESS_INFORMATION info) {
    const BOOL made = CreateProcessA(application, line, process, thread, inherit, flags, environment, folder, startup, info);
    if (made) g_childId = info->dwProcessId;
    return made;
}

DWORD WINAPI SetLater(void* event) {
    Sleep(500);
    return SetEvent(static_cast<HANDLE>(event));
}

int OpenHandles() {
    int count = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

// A child that would stay silent for half a minute goes within a second of the cancel, with
// every handle of its run, and nothing of it reaches the target.
TEST(RunListing, CancelEndsTheChildAtOnce) {
    ScopedEnv hang("SOCKMERE_FAKE_DELAY_MS", "30000");
    ScopedEnv refuse("SOCKMERE_FAKE_NO_OWNERS", "1");
    const fw::HandleOwner cancel(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const CreateProcessProc previous = SetCreateProcessProc(&RecordChild);
    const int handlesBefore = OpenHandles();
    g_childId = 0;
    RecordingTarget target;
    const HANDLE event = cancel.Get();
    const fw::HandleOwner setter(CreateThread(nullptr, 0, SetLater, event, 0, nullptr));
    const auto start = std::chrono::steady_clock::now();
    const ListingRun run = RunListing({}, target, event);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    WaitForSingleObject(setter.Get(), 5000);
    EXPECT_TRUE(run.cancelled && run.started && !run.withoutProcesses);
    EXPECT_LT(seconds, 1.5);
    EXPECT_EQ(target.calls, 0);
    ASSERT_NE(g_childId, 0u);
    const fw::HandleOwner child(OpenProcess(SYNCHRONIZE, FALSE, g_childId));
    EXPECT_TRUE(!child || WaitForSingleObject(child.Get(), 0) == WAIT_OBJECT_0) << "the child lives on";
    EXPECT_EQ(OpenHandles() - (child ? 1 : 0), handlesBefore + 1);  // the setter thread's

    // Set before the run, the event ends it as soon as it starts.
    const ListingRun again = RunListing({.processes = true}, target, event);
    SetCreateProcessProc(previous);
    EXPECT_TRUE(again.cancelled && !again.withoutProcesses);
    EXPECT_EQ(target.calls, 0);
}

}  // namespace
}  // namespace sockmere
