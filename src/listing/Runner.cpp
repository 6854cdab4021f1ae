#include "listing/Runner.h"

#include <array>
#include <cstring>
#include <memory>
#include <utility>

#include "framework/Handles.h"

namespace sockmere {
namespace {

// Large reads keep the number of calls low when the output is big.
constexpr DWORD kReadChunk = 1024 * 1024;
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

// Reads until every writer has closed and keeps the bytes before the first zero byte; empty
// when reading failed.
std::string ReadToEnd(HANDLE pipe, const OemToAnsi& converter) {
    std::string text;
    const auto chunk = std::make_unique_for_overwrite<char[]>(kReadChunk);
    bool ended = false;  // a zero byte was seen: the rest is read only to let the child finish
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(pipe, chunk.get(), kReadChunk, &got, nullptr)) {
            if (GetLastError() != ERROR_BROKEN_PIPE) text.clear();
            return text;
        }
        if (ended) continue;
        std::size_t keep = got;
        if (const void* zero = std::memchr(chunk.get(), '\0', got)) {
            keep = static_cast<std::size_t>(static_cast<const char*>(zero) - chunk.get());
            ended = true;
        }
        converter.ConvertPiece(chunk.get(), keep);
        text.append(chunk.get(), keep);
    }
}

}  // namespace

void WindowTextTarget::SetText(std::string text) { SetWindowTextA(window_, text.c_str()); }

int RunHiddenCommand(const std::string& commandLine, TextTarget& target) {
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
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                        NORMAL_PRIORITY_CLASS | DETACHED_PROCESS, nullptr, nullptr, &startup,
                        &info)) {
        return -1;
    }
    const fw::HandleOwner process(info.hProcess);
    const fw::HandleOwner thread(info.hThread);

    // Our copy of the write end would keep the pipe from ever reaching its end.
    pipe.write.Reset();
    const OemToAnsi converter;
    std::string text;
    if (pipe.read) text = ReadToEnd(pipe.read.Get(), converter);
    // A child still writing now gets a broken pipe instead of blocking forever.
    pipe.read.Reset();

    WaitForSingleObject(process.Get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.Get(), &exitCode);

    converter.ConvertWhole(text);
    target.SetText(std::move(text));
    return static_cast<int>(exitCode);
}

}  // namespace sockmere
