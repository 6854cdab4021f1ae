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

// Starts commandLine hidden with its standard output and error going into a pipe, reads all of
// it until the command ends, cuts it at the first zero byte, converts it from the OEM to the ANSI
// code page and gives it to target. Returns the command's exit code, or -1 when it could not be
// started; then the target is left untouched.
int RunHiddenCommand(const std::string& commandLine, TextTarget& target);

}  // namespace sockmere
