// The program as a script runs it: the table written from the command line, without a window.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "ScriptRun.h"
#include "SettingsKey.h"
#include "ui/ExportSwitches.h"

using namespace scriptrun;

namespace {

struct Env {
    Env(const char* name, const std::string& value) : name(name) { ::SetEnvironmentVariableA(name, value.c_str()); }
    ~Env() { ::SetEnvironmentVariableA(name, nullptr); }
    const char* name;
};

std::string Temp(const char* name) { return std::string(std::getenv("TEMP")) + "\\" + name; }

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<missing>";
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find("\r\n")); }
long Lines(const std::string& text) { return static_cast<long>(std::count(text.begin(), text.end(), '\n')); }

constexpr const char* kCsvHeader = "#,Proto,Local Port,Remote Addr,Remote Port,Status";

}  // namespace

// Each switch reaches the listing command and the columns; both formats; nothing is shown and
// the program's settings, a value of the test's own, stay as they were.
TEST(Export, EachSwitchAndBothFormatsWithoutAWindowOrSettings) {
    const settingskey::Key settings{"Software\\Sockmere", "sockmere"};
    settings.SetText("check1_Checked", "True");
    const settingskey::Values before = settings.All();
    Env rows("SOCKMERE_FAKE_ROWS", "40");
    const std::string argsFile = Temp("sockmere_export_args.txt"), target = Temp("sockmere export.csv");
    ::DeleteFileA(argsFile.c_str());
    Env args("SOCKMERE_FAKE_ARGS_FILE", argsFile);
    auto r = RunScript(Program("--csv \"" + target + "\""));
    EXPECT_EQ(r.code, 0) << r.err;
    const std::string csv = ReadAll(target);
    EXPECT_EQ(FirstLine(csv), kCsvHeader);
    EXPECT_EQ(Lines(csv), 41);

    r = RunScript(Program("/TSV - /Numeric --ALL"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(FirstLine(r.out), "#\tProto\tLocal Port\tRemote Addr\tRemote Port\tStatus");
    EXPECT_EQ(Lines(r.out), 41);

    // A bare --tsv after --csv FILE makes that file tab-separated; the file there is replaced.
    r = RunScript(Program("--csv \"" + target + "\" --processes --tsv"));
    EXPECT_EQ(r.code, 0) << r.err;
    const std::string owned = ReadAll(target);
    EXPECT_EQ(FirstLine(owned), "#\tProto\tLocal Port\tRemote Addr\tRemote Port\tStatus\tPID\tProcess");
    // The fake's first row is owned by its parent, the program itself.
    EXPECT_NE(owned.find("\tSockmere.exe\r\n"), std::string::npos) << owned;
    EXPECT_FALSE(r.window);

    // A netstat without -o: the process columns stay, empty.
    {
        Env noOwners("SOCKMERE_FAKE_NO_OWNERS", "1");
        r = RunScript(Program("--processes --csv -"));
    }
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(FirstLine(r.out), std::string(kCsvHeader) + ",PID,Process");
    EXPECT_EQ(Lines(r.out), 41);
    EXPECT_TRUE(r.out.ends_with(",,\r\n"));

    EXPECT_EQ(ReadAll(argsFile), "\r\n-n -a\r\n-o\r\n-o\r\n\r\n");
    EXPECT_EQ(settings.All(), before);
    settings.Wipe();
    ::DeleteFileA(target.c_str());
    ::DeleteFileA(argsFile.c_str());
}

TEST(Export, ExitCodesTellAScriptWhatHappened) {
    const std::string target = Temp("sockmere_export_codes.csv");
    const std::string before = "yesterday's table\r\n";
    std::ofstream(target, std::ios::binary) << before;

    // A bad switch: the usage on standard error, and no listing.
    auto r = RunScript(Program("--csv \"" + target + "\" --bogus"));
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(FirstLine(r.err), "Sockmere: Unknown argument: \"--bogus\".");
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

    // A read-only file is not replaced.
    Env rows("SOCKMERE_FAKE_ROWS", "3");
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    r = RunScript(Program("--csv \"" + target + "\""));
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err.rfind("Cannot save \"" + target + "\": ", 0), 0u) << r.err;
    EXPECT_EQ(ReadAll(target), before);
    ::DeleteFileA(target.c_str());
}

// Standard output into a pipe, into a closed one (a clean stop, at once, with the reason), into
// the command interpreter's redirection, and nowhere at all (the exit code alone speaks).
TEST(Export, StandardOutputThroughPipesRedirectionsAndNowhere) {
    Env rows("SOCKMERE_FAKE_ROWS", "20000");
    auto r = RunScript(Program("--csv -"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(r.out), 20001);
    const DWORD start = ::GetTickCount();
    r = RunScript(Program("--csv -"), Out::ClosedPipe, Out::Pipe, 20000);
    EXPECT_EQ(r.code, 3);
    EXPECT_LT(::GetTickCount() - start, 10000u);
    EXPECT_EQ(r.err.rfind("Cannot write to standard output: ", 0), 0u) << r.err;
    const std::string out = Temp("sockmere_cmd_out.csv");
    r = RunScript("cmd.exe /c \"" + Program("/csv - >\"" + out + "\"") + "\"");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(Lines(ReadAll(out)), 20001);
    ::DeleteFileA(out.c_str());
    EXPECT_EQ(RunScript(Program("--csv -"), Out::None, Out::None).code, 3);
    r = RunScript(Program("--help"), Out::None, Out::None);
    EXPECT_EQ(r.code, 0);
    EXPECT_FALSE(r.window);
}

// Started from a console program without standard handles of its own, it writes to that
// program's console.
TEST(Export, WithoutHandlesItWritesToTheConsoleOfItsStarter) {
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole());
    const auto r = RunScript(Program("/?"), Out::None, Out::None);
    char text[4096] = {};
    DWORD got = 0;
    ::ReadConsoleOutputCharacterA(::GetStdHandle(STD_OUTPUT_HANDLE), text, sizeof text, COORD{0, 0}, &got);
    ::FreeConsole();
    EXPECT_EQ(r.code, 0);
    // Every line of the usage, each switch's among them.
    for (std::string_view rest = sockmere::ExportUsage(); !rest.empty(); rest.remove_prefix(rest.find("\r\n") + 2))
        EXPECT_NE(std::string(text, got).find(rest.substr(0, rest.find("\r\n"))), std::string::npos) << rest;
}
