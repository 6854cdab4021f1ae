// The program as a script runs it: the table written from the command line, without a window.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ScriptRun.h"
#include "SettingsKey.h"

using scriptrun::Out;
using scriptrun::Program;
using scriptrun::RunScript;

namespace {

struct Env {
    Env(const char* name, const std::string& value) : name_(name) { ::SetEnvironmentVariableA(name, value.c_str()); }
    ~Env() { ::SetEnvironmentVariableA(name_, nullptr); }
    Env(const Env&) = delete;
    Env& operator=(const Env&) = delete;

private:
    const char* name_;
};

std::string Temp(const char* name) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

std::string ReadAll(const std::string& path) {
    std::string text;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    ::CloseHandle(file);
    return text;
}

void WriteAll(const std::string& path, const std::string& text) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

// Line n (from 0) without its break.
std::string LineOf(const std::string& text, int n = 0) {
    std::size_t at = 0;
    for (int i = 0; i < n && at != std::string::npos; ++i) at = text.find("\r\n", at) + 2;
    return at > text.size() ? std::string() : text.substr(at, text.find("\r\n", at) - at);
}

long Lines(const std::string& text) {
    return static_cast<long>(std::count(text.begin(), text.end(), '\n'));
}

// The key the program would keep its settings under, with a value of the test's own: an export
// must leave it exactly so.
struct WatchedSettings {
    settingskey::Key key{"Software\\Sockmere", "sockmere"};
    settingskey::Values before;
    WatchedSettings() {
        key.Wipe();
        key.SetText("check1_Checked", "True");
        before = key.All();
    }
    ~WatchedSettings() { key.Wipe(); }
};

constexpr const char* kCsvHeader = "#,Proto,Local Port,Remote Addr,Remote Port,Status";

}  // namespace

// Each switch reaches the listing command and the columns; both formats; nothing is shown and
// the stored settings stay as they were.
TEST(Export, EachSwitchAndBothFormatsWithoutAWindowOrSettings) {
    WatchedSettings settings;
    Env rows("SOCKMERE_FAKE_ROWS", "40");
    const std::string argsFile = Temp("sockmere_export_args.txt"), target = Temp("sockmere export.csv");
    ::DeleteFileA(argsFile.c_str());
    Env args("SOCKMERE_FAKE_ARGS_FILE", argsFile);

    auto r = RunScript(Program("--csv \"" + target + "\""));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const std::string csv = ReadAll(target);
    EXPECT_EQ(LineOf(csv), kCsvHeader);
    EXPECT_EQ(Lines(csv), 41);
    EXPECT_FALSE(r.window);

    r = RunScript(Program("/TSV - /Numeric --ALL"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(LineOf(r.out), "#\tProto\tLocal Port\tRemote Addr\tRemote Port\tStatus");
    EXPECT_EQ(Lines(r.out), 41);
    EXPECT_FALSE(r.window);

    // A bare --tsv after --csv FILE makes that file tab-separated.
    r = RunScript(Program("--csv \"" + target + "\" --processes --tsv"));
    EXPECT_EQ(r.code, 0) << r.err;
    const std::string owned = ReadAll(target);
    EXPECT_EQ(LineOf(owned), "#\tProto\tLocal Port\tRemote Addr\tRemote Port\tStatus\tPID\tProcess");
    // The fake's first row is owned by its parent, the program itself.
    EXPECT_TRUE(LineOf(owned, 1).ends_with("\tSockmere.exe")) << LineOf(owned, 1);
    EXPECT_FALSE(r.window);

    // A netstat without -o: the process columns stay, empty.
    {
        Env noOwners("SOCKMERE_FAKE_NO_OWNERS", "1");
        r = RunScript(Program("--processes --csv -"));
    }
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(LineOf(r.out), std::string(kCsvHeader) + ",PID,Process");
    EXPECT_EQ(Lines(r.out), 41);
    EXPECT_TRUE(r.out.ends_with(",,\r\n"));

    EXPECT_EQ(ReadAll(argsFile), "\r\n-n -a\r\n-o\r\n-o\r\n\r\n");
    EXPECT_EQ(settings.key.All(), settings.before);
    ::DeleteFileA(target.c_str());
    ::DeleteFileA(argsFile.c_str());
}

TEST(Export, ExitCodesTellAScriptWhatHappened) {
    WatchedSettings settings;
    const std::string target = Temp("sockmere_export_codes.csv");
    const std::string before = "yesterday's table\r\n";
    WriteAll(target, before);

    auto r = RunScript(Program("--help"));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("Usage: Sockmere --csv FILE", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");

    // A bad switch: the usage on standard error, and no listing.
    r = RunScript(Program("--csv \"" + target + "\" --bogus"));
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(LineOf(r.err), "Sockmere: Unknown argument: \"--bogus\".");
    EXPECT_NE(r.err.find("\r\nUsage: Sockmere --csv FILE"), std::string::npos) << r.err;
    EXPECT_EQ(RunScript(Program("-t --csv -")).code, 2);

    // netstat failed: the refresh's panel text, and the old file stays.
    {
        Env fail("SOCKMERE_FAKE_EXIT", "5");
        r = RunScript(Program("--csv \"" + target + "\""));
    }
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Failed: netstat exited with code 5.\r\n");
    EXPECT_EQ(ReadAll(target), before);

    // A read-only file is not replaced; a folder that is not there is not made.
    Env rows("SOCKMERE_FAKE_ROWS", "3");
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    r = RunScript(Program("--csv \"" + target + "\""));
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err.rfind("Cannot save \"" + target + "\": ", 0), 0u) << r.err;
    EXPECT_GT(r.err.size(), target.size() + 20) << "the system's reason";
    EXPECT_EQ(ReadAll(target), before);
    r = RunScript(Program("--csv \"" + Temp("sockmere_no_folder\\t.csv") + "\""));
    EXPECT_EQ(r.code, 3);

    // A file that exists is replaced once the new one is whole.
    r = RunScript(Program("--csv \"" + target + "\""));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(ReadAll(target)), 4);
    EXPECT_EQ(settings.key.All(), settings.before);
    ::DeleteFileA(target.c_str());
}

// A reader that is gone before the program writes: a clean stop, at once, with the reason.
TEST(Export, StandardOutputIntoAPipeAndAClosedOne) {
    Env rows("SOCKMERE_FAKE_ROWS", "20000");
    auto r = RunScript(Program("--csv -"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(r.out), 20001);
    const DWORD start = ::GetTickCount();
    r = RunScript(Program("--csv -"), Out::ClosedPipe, Out::Pipe, 20000);
    EXPECT_EQ(r.code, 3);
    EXPECT_LT(::GetTickCount() - start, 10000u);
    EXPECT_EQ(r.err.rfind("Cannot write to standard output: ", 0), 0u) << r.err;
    // Nowhere to write and no console to attach to: the exit code alone.
    EXPECT_EQ(RunScript(Program("--csv -"), Out::None, Out::None).code, 3);
}

// From the command interpreter, with its redirections; where there is no console, --help
// still shows nothing and ends with 0.
TEST(Export, FromTheCommandInterpreter) {
    WatchedSettings settings;
    Env rows("SOCKMERE_FAKE_ROWS", "5");
    const std::string out = Temp("sockmere_cmd_out.csv"), err = Temp("sockmere_cmd_err.txt");
    auto r = RunScript("cmd.exe /c \"\"" + scriptrun::ProgramPath() + "\" /csv - >\"" + out + "\" 2>\"" + err + "\"\"");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(Lines(ReadAll(out)), 6);
    EXPECT_EQ(ReadAll(err), "");
    r = RunScript("cmd.exe /c \"\"" + scriptrun::ProgramPath() + "\" /csv - /bogus 2>\"" + err + "\"\"");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(ReadAll(err).find("Usage: "), std::string::npos);
    r = RunScript("cmd.exe /c \"\"" + scriptrun::ProgramPath() + "\" /?\"", Out::None, Out::None);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(settings.key.All(), settings.before);
    ::DeleteFileA(out.c_str());
    ::DeleteFileA(err.c_str());
}

// Started from a console program without standard handles of its own, it writes to that
// program's console.
TEST(Export, WithoutHandlesItWritesToTheConsoleOfItsStarter) {
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole());
    const auto r = RunScript(Program("/?"), Out::None, Out::None);
    HANDLE out = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    char text[4096] = {};
    DWORD got = 0;
    ::ReadConsoleOutputCharacterA(out, text, sizeof text, COORD{0, 0}, &got);
    ::CloseHandle(out);
    ::FreeConsole();
    EXPECT_EQ(r.code, 0);
    const std::string screen(text, got);
    EXPECT_NE(screen.find("Usage: Sockmere --csv FILE"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Exit codes:"), std::string::npos) << screen;
}
