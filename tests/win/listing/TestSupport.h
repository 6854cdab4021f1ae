#pragma once
// Helpers for the Win32 listing tests: environment for the fake netstat, fixture files and a
// capture that fails instead of hanging.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "listing/Runner.h"
#include "listing/SystemListingCommand.h"

namespace sockmere::testing {

// Sets an environment variable that children inherit and restores its old state when the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        char old[4096];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        had_ = length > 0 && length < sizeof old;
        if (had_) old_.assign(old, length);
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedEnv() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    static std::string Get(const char* name) {
        char value[4096];
        const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
        return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

// A file in the temp directory, deleted when the test ends.
class TempFile {
public:
    explicit TempFile(const std::string& name) {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        path_ = std::string(dir) + "sockmere_" + std::to_string(GetCurrentProcessId()) + "_" + name;
        DeleteFileA(path_.c_str());
    }
    ~TempFile() { DeleteFileA(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path_; }

    void Write(const std::string& bytes) const {
        const HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path_;
        DWORD written = 0;
        const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        ASSERT_TRUE(ok && written == bytes.size()) << path_;
    }

    std::string Read() const {
        std::string bytes;
        const HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return bytes;
        bytes.resize(GetFileSize(file, nullptr));
        DWORD got = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        bytes.resize(got);
        CloseHandle(file);
        return bytes;
    }

private:
    std::string path_;
};

// Remembers what the runner handed on, and how often.
struct RecordingTarget : TextTarget {
    std::string text = "untouched";
    int calls = 0;
    void SetText(std::string newText) override {
        text = std::move(newText);
        ++calls;
    }
};

struct Capture {
    int result = -2;
    std::string text;
    int calls = 0;
    double seconds = 0;
};

// The fake netstat that the test prefix keeps in the Windows directory.
inline std::string FakeCommand(const std::string& arguments = "") {
    return WindowsDirectory() + "\\netstat.exe" + arguments;
}

// Runs commandLine on a thread so that a hanging run fails the test instead of the whole suite.
inline Capture RunCaptured(const std::string& commandLine = FakeCommand(),
                           std::chrono::seconds limit = std::chrono::seconds(120),
                           DWORD silenceLimitMs = kDefaultSilenceLimitMs) {
    auto task = std::make_shared<std::packaged_task<Capture()>>([commandLine, silenceLimitMs] {
        RecordingTarget target;
        const auto start = std::chrono::steady_clock::now();
        Capture capture;
        capture.result = RunHiddenCommand(commandLine, target, silenceLimitMs);
        capture.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        capture.text = std::move(target.text);
        capture.calls = target.calls;
        return capture;
    });
    std::future<Capture> done = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (done.wait_for(limit) != std::future_status::ready) {
        ADD_FAILURE() << "no end after " << limit.count() << " s: " << commandLine;
        return {};
    }
    return done.get();
}

// Deterministic printable text in CR LF lines of varying length, exactly size bytes.
inline std::string PrintableText(std::size_t size, std::uint32_t seed = 12345) {
    std::string text;
    text.reserve(size);
    std::uint32_t state = seed | 1;
    while (text.size() < size) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const std::size_t length = state % 120;
        for (std::size_t i = 0; i < length && text.size() < size; ++i) {
            text += static_cast<char>(32 + (state >> 8 ^ i * 31) % 95);
        }
        if (text.size() < size) text += '\r';
        if (text.size() < size) text += '\n';
    }
    return text;
}

// Where two texts first differ, for readable failures on megabyte texts.
inline std::string FirstDifference(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
           ", first difference at " + std::to_string(i);
}

}  // namespace sockmere::testing
