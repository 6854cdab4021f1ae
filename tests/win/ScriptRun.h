#pragma once
// Runs a command as a script would, its standard output and error going into pipes read
// meanwhile: its exit code, what it wrote, and whether the process made a window.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

namespace scriptrun {

// The program's command line with args.
inline std::string Program(const std::string& args) {
    const char* dir = std::getenv("SOCKMERE_BUILD_DIR");
    return std::string("\"").append(dir ? dir : ".").append("/Sockmere.exe\" ").append(args);
}

enum class Out { Pipe, ClosedPipe, None };

struct Result {
    long code = -1;  // -1 when it did not start, 99 when it did not end in time
    std::string out, err;
    bool window = false;  // a top-level window of the process was seen while it ran
};

inline BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM lp) {
    auto& search = *reinterpret_cast<std::pair<DWORD, bool>*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    search.second = search.second || owner == search.first;
    return !search.second;
}

// A pipe whose write end the child inherits, read into text until the child lets go of it.
struct Capture {
    HANDLE write = nullptr;
    std::thread reader;
    Capture(Out kind, std::string& text) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr;
        if (kind == Out::None || !::CreatePipe(&read, &write, &inherit, 0)) return;
        if (kind == Out::ClosedPipe) ::CloseHandle(read);
        if (kind == Out::Pipe) reader = std::thread([read, &text] {
            char buffer[65536];
            for (DWORD got = 0; ::ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got;) text.append(buffer, got);
            ::CloseHandle(read);
        });
    }
    ~Capture() { Finish(); }
    void Finish() {
        if (write) ::CloseHandle(std::exchange(write, nullptr));
        if (reader.joinable()) reader.join();
    }
};

inline Result RunScript(const std::string& commandLine, Out out = Out::Pipe, Out err = Out::Pipe, DWORD ms = 30000) {
    Result result;
    Capture pipes[] = {{out, result.out}, {err, result.err}};
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = pipes[0].write;
    si.hStdError = pipes[1].write;
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return result;
    // Once only the child holds the write ends, the readers end with it.
    for (Capture& pipe : pipes) ::CloseHandle(std::exchange(pipe.write, nullptr));
    std::pair<DWORD, bool> search{pi.dwProcessId, false};
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms;) {
        ::EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
        if (::WaitForSingleObject(pi.hProcess, 5) == WAIT_OBJECT_0) break;
    }
    ::TerminateProcess(pi.hProcess, 99);  // one that did not end in time
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    result.code = static_cast<long>(code);
    result.window = search.second;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    for (Capture& pipe : pipes) pipe.Finish();
    return result;
}

}  // namespace scriptrun
