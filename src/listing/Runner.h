#pragma once
// Runs a console command hidden and hands its captured output to a text target.
#include <windows.h>

#include <string>

#include "listing/TextTarget.h"

namespace sockmere {

// Puts the text into a window with SetWindowTextA.
class WindowTextTarget final : public TextTarget {
public:
    explicit WindowTextTarget(HWND window) noexcept : window_(window) {}
    void SetText(std::string text) override;

private:
    HWND window_;
};

// Size asked for the capture pipe's buffer.
inline constexpr DWORD kCapturePipeSize = 16384;
// More output than this is read and thrown away, so that the child can finish.
inline constexpr std::size_t kMaxCaptureBytes = 64 * 1024 * 1024;
// A child silent and alive for this long is ended.
inline constexpr DWORD kDefaultSilenceLimitMs = 60 * 1000;
// The exit code of a child ended for its silence.
inline constexpr DWORD kSilentChildExitCode = WAIT_TIMEOUT;
// The exit code of a child ended because its run was called off.
inline constexpr DWORD kCancelledChildExitCode = ERROR_CANCELLED;

// How a run waits between its looks at the child; the default waits for the child's end or the
// cancel alone. A run on a window's thread may answer messages meanwhile.
class RunWait {
public:
    virtual DWORD Wait(DWORD count, const HANDLE* handles, DWORD milliseconds) = 0;

protected:
    ~RunWait() = default;
};

// How a hidden command's run ended.
struct CommandOutcome {
    bool started = false;    // the child ran
    int exitCode = -1;       // the child's, -1 when it did not start
    bool silenced = false;   // ended by the silence limit, whatever code it then gives
    bool cancelled = false;  // ended because the cancel event was set
    FILETIME startedAt{};    // when the child began, in system time
};

// Starts commandLine hidden with its standard output and error going into a pipe and reads it
// while the command runs, until the command has ended and the pipe holds nothing more (a
// grandchild that inherited the pipe is not waited for). A command that neither writes nor ends
// for silenceLimitMs is ended with kSilentChildExitCode. The text is cut at the first zero byte
// and after kMaxCaptureBytes, converted from the OEM to the ANSI code page and put into text.
// cancel, when given, is an event (best manual-reset) that ends the child at once when set; text
// is then left as it was, as it is when the command cannot be started. wait, when given, does
// the waiting between looks. Safe on any thread.
CommandOutcome RunHidden(const std::string& commandLine, std::string& text,
                         DWORD silenceLimitMs = kDefaultSilenceLimitMs, HANDLE cancel = nullptr,
                         RunWait* wait = nullptr);

// RunHidden into a target, which a command that could not be started leaves untouched; the
// target learns first when the command began. Returns
// the command's exit code, or -1 when it could not be started.
int RunHiddenCommand(const std::string& commandLine, TextTarget& target,
                     DWORD silenceLimitMs = kDefaultSilenceLimitMs);

// Every child is started through this seam; tests install a double. Null restores
// CreateProcessA. Returns the previous function.
using CreateProcessProc = decltype(&CreateProcessA);
CreateProcessProc SetCreateProcessProc(CreateProcessProc proc) noexcept;

// Called with the child's process after every look at the pipe, so that a test can make the
// child write and end in between. Null removes it. Returns the previous hook.
using PipeLookHook = void (*)(HANDLE process);
PipeLookHook SetPipeLookHook(PipeLookHook hook) noexcept;

}  // namespace sockmere
