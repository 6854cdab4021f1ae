#pragma once
// Runs a command as a script would, with its standard output and error going into pipes that
// are read meanwhile: its exit code, what it wrote, and whether the process made a window.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace scriptrun {

inline std::string ProgramPath() {
    const char* dir = std::getenv("SOCKMERE_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/Sockmere.exe";
}

enum class Out { Pipe, ClosedPipe, None };

struct Result {
    long code = -1;  // -1 when it did not end in time
    std::string out, err;
    bool window = false;  // a top-level window of the process was seen while it ran
};

inline BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM lp) {
    auto* result = reinterpret_cast<std::pair<DWORD, bool>*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner == result->first) result->second = true;
    return !result->second;
}

// A pipe whose write end the child inherits; its read end is read into text until it closes.
class Capture {
public:
    Capture(Out kind, std::string& text) {
        if (kind == Out::None) return;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr;
        ::CreatePipe(&read, &write_, &inherit, 0);
        if (kind == Out::ClosedPipe) {
            ::CloseHandle(read);
            return;
        }
        reader_ = std::thread([read, &text] {
            char buffer[65536];
            DWORD got = 0;
            while (::ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
            ::CloseHandle(read);
        });
    }
    ~Capture() {
        CloseWrite();
        if (reader_.joinable()) reader_.join();
    }
    HANDLE Write() const { return write_; }
    void CloseWrite() {
        if (write_) ::CloseHandle(write_);
        write_ = nullptr;
    }

private:
    HANDLE write_ = nullptr;
    std::thread reader_;
};

inline Result RunScript(const std::string& commandLine, Out out = Out::Pipe, Out err = Out::Pipe, DWORD ms = 30000) {
    Result result;
    {
        Capture outPipe(out, result.out), errPipe(err, result.err);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = outPipe.Write();
        si.hStdError = errPipe.Write();
        PROCESS_INFORMATION pi{};
        std::string line = commandLine;
        if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
            return result;
        // Only the child holds the write ends now, so the readers end with it.
        outPipe.CloseWrite();
        errPipe.CloseWrite();
        std::pair<DWORD, bool> search{pi.dwProcessId, false};
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms;) {
            ::EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
            if (::WaitForSingleObject(pi.hProcess, 5) == WAIT_OBJECT_0) break;
        }
        DWORD code = 0;
        if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0 && ::GetExitCodeProcess(pi.hProcess, &code))
            result.code = static_cast<long>(code);
        else
            ::TerminateProcess(pi.hProcess, 99);
        result.window = search.second;
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    return result;
}

// The program's own command line with args.
inline std::string Program(const std::string& args) {
    std::string line = "\"";
    return line.append(ProgramPath()).append("\" ").append(args);
}

}  // namespace scriptrun
