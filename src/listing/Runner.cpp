#include "listing/Runner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>

#include "framework/Handles.h"

namespace sockmere {
namespace {

// Large reads keep the number of calls low when the output is big.
constexpr DWORD kReadChunk = 1024 * 1024;
// A child that wrote this recently is looked at again after a millisecond.
constexpr DWORD kBriskMs = 50;
// Longest wait between two looks at an idle pipe.
constexpr DWORD kMaxPauseMs = 16;
// How long an ended child may take to go.
constexpr DWORD kEndWaitMs = 5000;
// Converting in slices keeps the converter's own wide buffer small.
constexpr std::size_t kConvertSlice = 64 * 1024;

struct CapturePipe {
    fw::HandleOwner read;
    fw::HandleOwner write;
};

// An inheritable write end for the child and a private read end; both empty on failure.
CapturePipe CreateCapturePipe() {
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.bInheritHandle = TRUE;
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, &attributes, kCapturePipeSize)) return {};
    CapturePipe pipe{fw::HandleOwner(read), fw::HandleOwner(write)};
    if (!SetHandleInformation(pipe.read.Get(), HANDLE_FLAG_INHERIT, 0)) return {};
    return pipe;
}

// End of the slice that starts at start: just after a line feed, so no double-byte char is split.
std::size_t SliceEnd(const std::string& text, std::size_t start) {
    const std::size_t limit = start + kConvertSlice;
    if (limit >= text.size()) return text.size();
    const std::size_t last = text.rfind('\n', limit - 1);
    if (last != std::string::npos && last >= start) return last + 1;
    const std::size_t next = text.find('\n', limit);
    return next == std::string::npos ? text.size() : next + 1;
}

// OEM to ANSI conversion: nothing when both code pages agree, a byte table for a single-byte
// OEM code page (built by the system's own converter), else the converter over whole slices.
class OemToAnsi {
public:
    OemToAnsi() {
        if (GetOEMCP() == GetACP()) return;
        CPINFO info{};
        if (!GetCPInfo(CP_OEMCP, &info) || info.MaxCharSize != 1) {
            mode_ = Mode::Slices;
            return;
        }
        for (std::size_t i = 0; i < table_.size(); ++i) table_[i] = static_cast<char>(i);
        OemToCharBuffA(table_.data(), table_.data(), static_cast<DWORD>(table_.size()));
        mode_ = Mode::Table;
    }

    // Converts bytes as they arrive, while the child is still writing.
    void ConvertPiece(char* bytes, std::size_t size) const {
        if (mode_ != Mode::Table) return;
        for (std::size_t i = 0; i < size; ++i) bytes[i] = table_[static_cast<unsigned char>(bytes[i])];
    }

    // Converts what ConvertPiece could not.
    void ConvertWhole(std::string& text) const {
        if (mode_ != Mode::Slices) return;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = SliceEnd(text, start);
            OemToCharBuffA(text.data() + start, text.data() + start, static_cast<DWORD>(end - start));
            start = end;
        }
    }

private:
    enum class Mode { None, Table, Slices };
    Mode mode_ = Mode::None;
    std::array<char, 256> table_{};
};

// Keeps the bytes before the first zero byte, at most kMaxCaptureBytes of them.
class CaptureText {
public:
    explicit CaptureText(const OemToAnsi& converter) noexcept : converter_(converter) {}

    void Add(char* bytes, std::size_t size) {
        if (full_) return;
        std::size_t keep = std::min(size, kMaxCaptureBytes - text_.size());
        if (const void* zero = std::memchr(bytes, '\0', keep)) {
            keep = static_cast<std::size_t>(static_cast<const char*>(zero) - bytes);
            full_ = true;
        }
        const std::size_t needed = text_.size() + keep;
        if (needed == kMaxCaptureBytes) full_ = true;
        // Plain doubling would reserve twice the cap for output just above half of it.
        if (needed > text_.capacity()) text_.reserve(std::min(kMaxCaptureBytes, std::max(needed, 2 * text_.capacity())));
        converter_.ConvertPiece(bytes, keep);
        text_.append(bytes, keep);
    }

    void Fail() noexcept {
        text_.clear();
        full_ = true;
    }

    std::string Take() noexcept { return std::move(text_); }

private:
    const OemToAnsi& converter_;
    std::string text_;
    bool full_ = false;  // the rest is read only to let the child finish
};

PipeLookHook g_afterPipeLook = nullptr;

enum class ChildEnd { Itself, Silenced, Cancelled };

bool IsSet(HANDLE event) noexcept {
    return event != nullptr && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

void EndChild(HANDLE process, DWORD exitCode) noexcept {
    TerminateProcess(process, exitCode);
    WaitForSingleObject(process, kEndWaitMs);
}

// Reads what the child writes while it runs, then what it left in the pipe at its end. The
// child is ended when it stays silent for silenceLimitMs, or at once when cancel is set. Without
// a pipe, or after a failed read, only the child's end is awaited.
ChildEnd ReadWhileRunning(HANDLE pipe, HANDLE process, DWORD silenceLimitMs, HANDLE cancel, RunWait* wait,
                          CaptureText& text) {
    const auto chunk = std::make_unique_for_overwrite<char[]>(kReadChunk);
    const HANDLE waits[] = {process, cancel};
    DWORD quietSince = GetTickCount();
    DWORD pause = 0;
    bool ended = false;
    bool silenced = false;
    DWORD left = 0;  // bytes still in the pipe that the child wrote before its end
    for (;;) {
        if (IsSet(cancel)) {
            EndChild(process, kCancelledChildExitCode);
            return ChildEnd::Cancelled;
        }
        // The end is looked for before the pipe, so that this look sees all the child wrote.
        const bool endedNow = !ended && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        DWORD available = 0;
        if (pipe != nullptr && !PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            // A broken pipe is the normal end: every writer has gone and nothing is left.
            if (GetLastError() != ERROR_BROKEN_PIPE) text.Fail();
            pipe = nullptr;
            left = 0;
        }
        if (g_afterPipeLook) g_afterPipeLook(process);
        if (endedNow) {
            ended = true;
            left = available;
        }
        if (ended) {
            if (left == 0) return silenced ? ChildEnd::Silenced : ChildEnd::Itself;
            available = std::min(available, left);
        }
        if (available > 0) {
            DWORD got = 0;
            if (!ReadFile(pipe, chunk.get(), std::min(available, kReadChunk), &got, nullptr)) {
                if (GetLastError() != ERROR_BROKEN_PIPE) text.Fail();
                pipe = nullptr;
                left = 0;
                continue;
            }
            text.Add(chunk.get(), got);
            if (ended) left -= std::min(left, got);
            quietSince = GetTickCount();
            continue;
        }
        if (GetTickCount() - quietSince >= silenceLimitMs) {
            EndChild(process, kSilentChildExitCode);
            silenced = true;
            quietSince = GetTickCount();
            continue;
        }
        // Anonymous pipes cannot be waited on: poll, ever more slowly while nothing comes.
        pause = GetTickCount() - quietSince < kBriskMs ? 1 : std::min(kMaxPauseMs, 2 * pause + 1);
        if (wait)
            wait->Wait(cancel ? 2 : 1, waits, pause);
        else
            WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, pause);
    }
}

CreateProcessProc g_createProcess = &CreateProcessA;

}  // namespace

void WindowTextTarget::SetText(std::string text) { SetWindowTextA(window_, text.c_str()); }

PipeLookHook SetPipeLookHook(PipeLookHook hook) noexcept {
    return std::exchange(g_afterPipeLook, hook);
}

CreateProcessProc SetCreateProcessProc(CreateProcessProc proc) noexcept {
    return std::exchange(g_createProcess, proc ? proc : &CreateProcessA);
}

CommandOutcome RunHidden(const std::string& commandLine, std::string& text, DWORD silenceLimitMs, HANDLE cancel,
                         RunWait* wait) {
    CommandOutcome outcome;
    CapturePipe pipe = CreateCapturePipe();

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = pipe.write.Get();
    startup.hStdError = pipe.write.Get();

    // CreateProcessA may write into the command line.
    std::string mutableLine = commandLine;
    PROCESS_INFORMATION info{};
    if (!g_createProcess(nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                         NORMAL_PRIORITY_CLASS | DETACHED_PROCESS, nullptr, nullptr, &startup,
                         &info)) {
        return outcome;
    }
    const fw::HandleOwner process(info.hProcess);
    const fw::HandleOwner thread(info.hThread);
    outcome.started = true;
    FILETIME exited{}, kernel{}, user{};
    if (!GetProcessTimes(process.Get(), &outcome.startedAt, &exited, &kernel, &user))
        GetSystemTimeAsFileTime(&outcome.startedAt);

    // Our copy of the write end would keep the pipe from ever reaching its end.
    pipe.write.Reset();
    const OemToAnsi converter;
    CaptureText capture(converter);
    const ChildEnd end = ReadWhileRunning(pipe.read.Get(), process.Get(), silenceLimitMs, cancel, wait, capture);
    // A grandchild still writing now gets a broken pipe instead of blocking forever.
    pipe.read.Reset();

    DWORD exitCode = 0;
    GetExitCodeProcess(process.Get(), &exitCode);
    outcome.exitCode = static_cast<int>(exitCode);
    outcome.silenced = end == ChildEnd::Silenced;
    outcome.cancelled = end == ChildEnd::Cancelled;
    if (outcome.cancelled) return outcome;
    text = capture.Take();
    converter.ConvertWhole(text);
    return outcome;
}

int RunHiddenCommand(const std::string& commandLine, TextTarget& target, DWORD silenceLimitMs) {
    std::string text;
    const CommandOutcome outcome = RunHidden(commandLine, text, silenceLimitMs);
    if (!outcome.started) return outcome.exitCode;
    target.Started(outcome.startedAt);
    target.SetText(std::move(text));
    return outcome.exitCode;
}

}  // namespace sockmere
