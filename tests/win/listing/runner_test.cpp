#include "listing/Runner.h"

#include <gtest/gtest.h>

#include "listing/TestSupport.h"
#include "framework/Handles.h"

namespace sockmere {
namespace {

using namespace sockmere::testing;

TEST(RunHiddenCommand, OutputsOfEverySizeArriveWhole) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{16383}, std::size_t{16384},
                                   std::size_t{16385}, std::size_t{10 * 1024 * 1024}}) {
        SCOPED_TRACE(size);
        const std::string content = PrintableText(size, static_cast<std::uint32_t>(size + 7));
        TempFile fixture("output.txt");
        fixture.Write(content);
        ScopedEnv file("SOCKMERE_FAKE_FILE", fixture.Path());
        const Capture capture = RunCaptured();
        EXPECT_EQ(capture.result, 0);
        EXPECT_EQ(capture.calls, 1);
        EXPECT_TRUE(capture.text == content) << FirstDifference(capture.text, content);
    }
}

TEST(RunHiddenCommand, GeneratedBytesKeepTheirExactLength) {
    ScopedEnv bytes("SOCKMERE_FAKE_BYTES", "100005");
    const Capture capture = RunCaptured();
    ASSERT_EQ(capture.text.size(), 100005u);
    for (std::size_t end = 64; end <= capture.text.size(); end += 64) {
        ASSERT_EQ(capture.text.compare(end - 2, 2, "\r\n"), 0) << end;
    }
}

TEST(RunHiddenCommand, ZeroByteEndsTheText) {
    Capture plain;
    {
        ScopedEnv bytes("SOCKMERE_FAKE_BYTES", "40000");
        plain = RunCaptured();
    }
    {
        ScopedEnv zero("SOCKMERE_FAKE_ZERO", "40000");
        const Capture cut = RunCaptured();
        EXPECT_EQ(cut.text.size(), 40000u);
        EXPECT_TRUE(cut.text == plain.text) << FirstDifference(cut.text, plain.text);
    }
    {
        ScopedEnv zero("SOCKMERE_FAKE_ZERO", "0");
        const Capture cut = RunCaptured();
        EXPECT_EQ(cut.calls, 1);
        EXPECT_EQ(cut.text, "");
    }
    TempFile fixture("zero.txt");
    fixture.Write(std::string("abc\r\nd\0ef\0gh", 12));
    ScopedEnv file("SOCKMERE_FAKE_FILE", fixture.Path());
    EXPECT_EQ(RunCaptured().text, "abc\r\nd");
}

TEST(RunHiddenCommand, MissingProgramLeavesTargetUntouched) {
    for (const char* command : {"C:\\no\\such\\folder\\netstat -n -a", "sockmere-no-such-program", ""}) {
        const Capture capture = RunCaptured(command);
        EXPECT_EQ(capture.result, -1) << command;
        EXPECT_EQ(capture.calls, 0) << command;
        EXPECT_EQ(capture.text, "untouched") << command;
    }
}

TEST(RunHiddenCommand, SilentChildGivesEmptyText) {
    const Capture capture = RunCaptured();
    EXPECT_EQ(capture.result, 0);
    EXPECT_EQ(capture.calls, 1);
    EXPECT_EQ(capture.text, "");
}

TEST(RunHiddenCommand, SlowChildIsAwaitedWithoutHang) {
    {
        ScopedEnv delay("SOCKMERE_FAKE_DELAY_MS", "1000");
        const Capture capture = RunCaptured(FakeCommand(), std::chrono::seconds(60));
        EXPECT_GE(capture.seconds, 0.9);
        EXPECT_EQ(capture.result, 0);
        EXPECT_EQ(capture.text, "");
    }
    ScopedEnv delay("SOCKMERE_FAKE_DELAY_MS", "1000");
    ScopedEnv bytes("SOCKMERE_FAKE_BYTES", "300");
    ScopedEnv code("SOCKMERE_FAKE_EXIT", "4");
    const Capture capture = RunCaptured(FakeCommand(), std::chrono::seconds(60));
    EXPECT_GE(capture.seconds, 0.9);
    EXPECT_EQ(capture.result, 4);
    EXPECT_EQ(capture.text.size(), 300u);
}

TEST(RunHiddenCommand, ExitCodeIsReturned) {
    for (const char* code : {"0", "1", "7", "255", "1000"}) {
        ScopedEnv exitCode("SOCKMERE_FAKE_EXIT", code);
        ScopedEnv bytes("SOCKMERE_FAKE_BYTES", "20000");
        const Capture capture = RunCaptured();
        EXPECT_EQ(capture.result, std::stoi(code));
        EXPECT_EQ(capture.text.size(), 20000u) << code;
    }
}

TEST(RunHiddenCommand, GrandchildHoldingThePipeDoesNotHoldTheRun) {
    TempFile pidFile("grandchild.txt");
    ScopedEnv grandchild("SOCKMERE_FAKE_GRANDCHILD", pidFile.Path());
    ScopedEnv bytes("SOCKMERE_FAKE_BYTES", "300");
    // The grandchild lives 30 s; a run that waited for it would miss this limit.
    const Capture capture = RunCaptured(FakeCommand(), std::chrono::seconds(20));
    EXPECT_EQ(capture.result, 0);
    EXPECT_EQ(capture.text.size(), 300u);
    const fw::HandleOwner held(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                                           static_cast<DWORD>(std::stoul("0" + pidFile.Read()))));
    ASSERT_TRUE(held) << "no grandchild was started";
    EXPECT_EQ(WaitForSingleObject(held.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the run outlived it";
    TerminateProcess(held.Get(), 0);
    WaitForSingleObject(held.Get(), 5000);
}

TEST(RunHiddenCommand, SilentChildIsEndedAndWhatItWroteIsKept) {
    struct Case {
        const char* variable;
        std::size_t bytes;
    } cases[] = {{"SOCKMERE_FAKE_DELAY_MS", 0}, {"SOCKMERE_FAKE_LINGER_MS", 500}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variable);
        ScopedEnv silence(c.variable, "30000");
        ScopedEnv bytes("SOCKMERE_FAKE_BYTES", std::to_string(c.bytes));
        const Capture capture = RunCaptured(FakeCommand(), std::chrono::seconds(20), 300);
        EXPECT_EQ(capture.result, static_cast<int>(kSilentChildExitCode));
        EXPECT_EQ(capture.calls, 1);
        EXPECT_EQ(capture.text.size(), c.bytes);
    }
}

TEST(RunHiddenCommand, EveryLineRestartsTheSilenceLimit) {
    Capture whole;
    {
        ScopedEnv rows("SOCKMERE_FAKE_ROWS", "4");
        whole = RunCaptured();
    }
    // Eight lines, 250 ms apart: longer than the limit in all, shorter between two lines.
    ScopedEnv rows("SOCKMERE_FAKE_ROWS", "4");
    ScopedEnv trickle("SOCKMERE_FAKE_TRICKLE_MS", "250");
    const Capture capture = RunCaptured(FakeCommand(), std::chrono::seconds(60), 1500);
    EXPECT_EQ(capture.result, 0);
    EXPECT_EQ(capture.text, whole.text);
}

// The child writes its last line and ends right after the runner looked at the pipe: that line
// still arrives, also when nothing calls in between.
TEST(RunHiddenCommand, TheLastLinesWrittenJustBeforeTheEndArrive) {
    Capture whole;
    {
        ScopedEnv rows("SOCKMERE_FAKE_ROWS", "40");
        whole = RunCaptured();
    }
    static const char* const kGate = "Local\\sockmere.test.lastline";
    const fw::HandleOwner gate(::CreateEventA(nullptr, TRUE, FALSE, kGate));
    ScopedEnv rows("SOCKMERE_FAKE_ROWS", "40");
    ScopedEnv last("SOCKMERE_FAKE_LAST_GATE", kGate);
    const PipeLookHook previous = SetPipeLookHook([](HANDLE process) {
        if (const HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, kGate)) {
            if (::WaitForSingleObject(process, 0) != WAIT_OBJECT_0 && ::SetEvent(event))
                ::WaitForSingleObject(process, 10000);
            ::CloseHandle(event);
        }
    });
    const Capture gated = RunCaptured();
    SetPipeLookHook(previous);
    EXPECT_EQ(gated.result, 0);
    EXPECT_EQ(gated.text, whole.text);
    const Capture ungated = RunCaptured();
    EXPECT_EQ(ungated.text, whole.text);
}

TEST(RunHiddenCommand, OutputBeyondTheCapIsReadAndDropped) {
    ScopedEnv bytes("SOCKMERE_FAKE_BYTES", std::to_string(kMaxCaptureBytes + 3 * 1024 * 1024 + 17));
    // Only a child that wrote everything reaches its exit code.
    ScopedEnv code("SOCKMERE_FAKE_EXIT", "3");
    const Capture capture = RunCaptured();
    EXPECT_EQ(capture.result, 3);
    ASSERT_EQ(capture.text.size(), kMaxCaptureBytes);
    // The generated lines are 64 bytes, so the cap falls on a line end.
    for (std::size_t end = 64; end <= capture.text.size(); end += 64 * 4099) {
        ASSERT_EQ(capture.text.compare(end - 2, 2, "\r\n"), 0) << end;
    }
    EXPECT_EQ(capture.text.compare(capture.text.size() - 2, 2, "\r\n"), 0);
}

std::string OemToAnsi(const std::string& bytes) {
    if (bytes.empty()) return bytes;
    const int wide = MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), wide);
    const int narrow = WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), wide, result.data(), narrow, nullptr, nullptr);
    return result;
}

TEST(RunHiddenCommand, OemBytesArriveInTheAnsiCodePage) {
    RecordProperty("CodePages", std::to_string(GetOEMCP()) + " to " + std::to_string(GetACP()));
    std::string high;
    for (int c = 0x80; c <= 0xFF; ++c) high += static_cast<char>(c);
    // Megabytes of it arrive in several reads, with line breaks and without.
    for (const std::string& raw : {high, high + "\r\n" + std::string(3000, '\x82') + "\r\n" + high,
                                   [&] {
                                       std::string many;
                                       while (many.size() < 2500000) many += high + "\r\n";
                                       return many;
                                   }(),
                                   [&] {
                                       std::string unbroken;
                                       while (unbroken.size() < 1500000) unbroken += high;
                                       return unbroken;
                                   }()}) {
        SCOPED_TRACE(raw.size());
        TempFile fixture("oem.txt");
        fixture.Write(raw);
        ScopedEnv file("SOCKMERE_FAKE_FILE", fixture.Path());
        const std::string expected = OemToAnsi(raw);
        ASSERT_EQ(expected.size(), raw.size());
        if (GetOEMCP() != GetACP()) {
            EXPECT_NE(expected, raw);
        }
        const Capture capture = RunCaptured();
        EXPECT_TRUE(capture.text == expected) << FirstDifference(capture.text, expected);
    }
}

TEST(HandleOwner, ClosesExactlyOnceAndMoves) {
    const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    DWORD flags = 0;
    {
        fw::HandleOwner first(event);
        fw::HandleOwner second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.Get(), event);
        fw::HandleOwner third;
        third = std::move(second);
        EXPECT_FALSE(second);
        EXPECT_TRUE(GetHandleInformation(event, &flags));
    }
    EXPECT_FALSE(GetHandleInformation(event, &flags));

    const HANDLE kept = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        fw::HandleOwner owner(kept);
        EXPECT_EQ(owner.Release(), kept);
    }
    EXPECT_TRUE(GetHandleInformation(kept, &flags));
    fw::HandleOwner invalid(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(invalid);
    CloseHandle(kept);
}

}  // namespace
}  // namespace sockmere
