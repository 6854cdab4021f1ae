// The registry and file stores: where values land, how they read back, and every error text.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "framework/Handles.h"
#include "framework/Sync.h"
#include "settings/AppUtils.h"
#include "settings/IniFiles.h"
#include "settings/Registry.h"

using namespace sockmere;

namespace {

constexpr const char* kTestKey = "Software\\SockmereStoreTest";
const std::string kSection = "sockmere";

// The test's own key, gone before and after each test.
class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }

    static std::string Path(const std::string& below) { return std::string(kTestKey) + "\\" + below; }
    static bool KeyExists(const std::string& path) {
        HKEY key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        ::RegCloseKey(key);
        return true;
    }
    static DWORD SubKeyCount(const std::string& path) {
        HKEY key;
        DWORD count = 99;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
            ::RegCloseKey(key);
        }
        return count;
    }
    // Sets a value exactly as given: any type, any size, NUL or not.
    static void SetRaw(const std::string& name, DWORD type, const void* data, DWORD size,
                       const std::string& section = kSection) {
        HKEY key;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, Path(section).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
    static void SetText(const std::string& name, const std::string& text) {
        SetRaw(name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
    }
    // The type and the bytes of a value as stored.
    static std::pair<DWORD, std::string> Raw(const std::string& name) {
        char data[256];
        DWORD type = 0;
        DWORD size = sizeof data;
        if (::RegGetValueA(HKEY_CURRENT_USER, Path(kSection).c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                           &type, data, &size) != ERROR_SUCCESS)
            return {0, "missing"};
        return {type, std::string(data, size)};
    }
};

template <class Exception = fw::Error, class F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

// Changes the value under the read: after each size query it stores a longer text, as many
// times as asked.
class ShiftingStore : public TRegIniFile {
public:
    explicit ShiftingStore(int changes) : TRegIniFile(kTestKey), changes_(changes) {}

protected:
    LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override {
        if (!data && changes_-- > 0) {
            const LONG rc = TRegIniFile::QueryValue(key, name, type, data, size);
            grown_ += "more text ";
            ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(grown_.c_str()),
                             static_cast<DWORD>(grown_.size() + 1));
            return rc;
        }
        return TRegIniFile::QueryValue(key, name, type, data, size);
    }

private:
    int changes_;
    std::string grown_ = "start ";
};

}  // namespace

TEST_F(RegistryStore, FirstOpenCreatesOnlyTheApplicationKeyAndWritesCreateTheSectionWithTextValues) {
    TRegIniFile store(kTestKey);
    EXPECT_EQ(store.CurrentPath(), kTestKey);
    EXPECT_EQ(store.ReadText(kSection, "NormPos", "fallback"), "fallback");
    EXPECT_EQ(store.ReadNumber(kSection, "ShowCmd", -3), -3);
    EXPECT_TRUE(KeyExists(kTestKey)) << "an open that only reads creates the application key";
    EXPECT_EQ(SubKeyCount(kTestKey), 0u);

    store.WriteText(kSection, "NormPos(1280x1024)", "1,2,3,4");
    store.WriteNumber(kSection, "ShowCmd", -5);
    store.WriteFlag(kSection, "Visible", true);
    store.WriteFlag(kSection, "Hidden", false);
    store.WriteText(kSection, "Empty", "");
    EXPECT_EQ(Raw("NormPos(1280x1024)"), std::make_pair(DWORD{REG_SZ}, std::string("1,2,3,4\0", 8)));
    EXPECT_EQ(Raw("ShowCmd"), std::make_pair(DWORD{REG_SZ}, std::string("-5\0", 3)));
    EXPECT_EQ(Raw("Visible").second, std::string("1\0", 2));
    EXPECT_EQ(Raw("Hidden").second, std::string("0\0", 2));
    EXPECT_EQ(Raw("Empty"), std::make_pair(DWORD{REG_SZ}, std::string("\0", 1)));
    EXPECT_EQ(store.ReadText(kSection, "NormPos(1280x1024)", ""), "1,2,3,4");
    const std::string tooLong(20000, 'n');  // value names stop at 16383 characters
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { store.WriteText(kSection, tooLong, "1"); }),
              "Failed to set data for '" + tooLong + "'");
    EXPECT_EQ(store.ReadNumber(kSection, "ShowCmd", 0), -5);

    // The program's own names follow its executable.
    EXPECT_EQ(DefaultRegistryKey(), "Software\\win_settings_tests");
    EXPECT_EQ(DefaultIniFileName(), "win_settings_tests.INI");
}

TEST_F(RegistryStore, ReadsTextWithinItsDataAndNumbersByTheTextRules) {
    SetText("Hex", std::string("0x10", 5));
    SetText("Letters", std::string("abc", 4));
    SetText("EmptyText", std::string("", 1));
    SetText("Embedded", std::string("12\0" "34", 6));
    SetText("NoNul", "abc");
    SetText("Odd", std::string("ab\0", 3));
    SetRaw("ZeroSize", REG_SZ, "", 0);
    SetRaw("Expand", REG_EXPAND_SZ, "%TEMP%", 7);
    const DWORD three = 3;
    SetRaw("ShowCmd", REG_DWORD, &three, sizeof three);

    TRegIniFile store(kTestKey);
    EXPECT_EQ(store.ReadNumber(kSection, "Hex", 0), 16);
    EXPECT_EQ(store.ReadNumber(kSection, "Letters", 7), 7);
    EXPECT_EQ(store.ReadText(kSection, "EmptyText", "x"), "");
    EXPECT_EQ(store.ReadNumber(kSection, "EmptyText", 7), 7);
    EXPECT_EQ(store.ReadText(kSection, "Embedded", ""), "12");
    EXPECT_EQ(store.ReadNumber(kSection, "Embedded", 0), 12);
    EXPECT_EQ(store.ReadText(kSection, "NoNul", ""), "abc");
    EXPECT_EQ(store.ReadText(kSection, "Odd", ""), "ab");
    EXPECT_EQ(store.ReadText(kSection, "ZeroSize", "x"), "");
    EXPECT_EQ(store.ReadText(kSection, "Expand", ""), "%TEMP%") << "read as stored, not expanded";
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { store.ReadText(kSection, "ShowCmd", ""); }),
              "Invalid data type for 'ShowCmd'");
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { store.ReadNumber(kSection, "ShowCmd", 0); }),
              "Invalid data type for 'ShowCmd'");
    EXPECT_EQ(store.ReadText("missing", "ShowCmd", "fb"), "fb");
}

TEST_F(RegistryStore, AValueChangedUnderTheReadIsReadAgainOrFails) {
    SetText("Grow", "short");
    {
        ShiftingStore store(1);
        EXPECT_EQ(store.ReadText(kSection, "Grow", ""), "start more text ");
    }
    SetText("Grow", "short");
    ShiftingStore restless(1000);
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { restless.ReadText(kSection, "Grow", ""); }),
              "Failed to get data for 'Grow'");
}

TEST_F(RegistryStore, DeleteSectionRemovesNestedKeysAndIgnoresAMissingSection) {
    TRegIniFile store(kTestKey);
    store.WriteText(kSection, "a", "1");
    store.WriteText(kSection + "\\one\\two", "b", "2");
    store.WriteText(kSection + "\\three", "c", "3");
    store.WriteText(kSection + ".Items", "d", "4");

    store.DeleteSection(kSection);
    EXPECT_FALSE(KeyExists(Path(kSection)));
    EXPECT_EQ(store.ReadText(kSection + ".Items", "d", ""), "4") << "a sibling stays";
    EXPECT_NO_THROW(store.DeleteSection(kSection));
    EXPECT_NO_THROW(store.DeleteSection(""));
    EXPECT_TRUE(KeyExists(Path(kSection + ".Items")));
}

TEST_F(RegistryStore, WithoutAnApplicationKeyReadsFallBackAndWritesFailInsteadOfLandingAtTheRoot) {
    // Wine and Windows refuse a lasting key below a volatile one.
    HKEY key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, Path("Volatile").c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    // A section name of the test's own, so a stray key at the root would be ours to find.
    const std::string section = "SockmereStoreTestSection";
    ::RegDeleteTreeA(HKEY_CURRENT_USER, section.c_str());

    TRegIniFile orphan(Path("Volatile\\App"));
    EXPECT_EQ(orphan.CurrentKey(), nullptr);
    EXPECT_EQ(orphan.ReadText(section, "NormPos", "fb"), "fb");
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { orphan.WriteText(section, "NormPos", "1"); }),
              "Failed to create key " + section);
    EXPECT_NO_THROW(orphan.DeleteSection(section));
    EXPECT_FALSE(KeyExists(section)) << "nothing at the root of the hive";
    ::RegDeleteTreeA(HKEY_CURRENT_USER, section.c_str());
    EXPECT_FALSE(KeyExists(Path("Volatile\\App")));

    // An application key that exists but cannot hold a lasting section.
    TRegIniFile volatileApp(Path("Volatile"));
    ASSERT_NE(volatileApp.CurrentKey(), nullptr);
    EXPECT_EQ(ErrorOf<ERegistryException>([&] { volatileApp.WriteNumber(kSection, "Flags", 0); }),
              "Failed to create key sockmere");
}

TEST(IniStore, RoundTripsInItsOwnFileAndReportsAFileItCannotWrite) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "sockmere_store_" + std::to_string(::GetCurrentProcessId()) + ".ini";
    ::DeleteFileA(path.c_str());
    {
        TIniFile store(path);
        EXPECT_EQ(store.ReadText(kSection, "NormPos", "fb"), "fb");
        EXPECT_EQ(store.ReadNumber(kSection, "ShowCmd", 4), 4);
        store.WriteText(kSection, "NormPos", "10,20,300,400");
        store.WriteNumber(kSection, "ShowCmd", 0x7fffffff);
        store.WriteFlag(kSection, "Visible", true);
        store.WriteText("other", "Hex", "0x10");
        EXPECT_EQ(store.ReadText(kSection, "NormPos", ""), "10,20,300,400");
        EXPECT_EQ(store.ReadNumber(kSection, "ShowCmd", 0), 0x7fffffff);
        EXPECT_EQ(store.ReadText(kSection, "Visible", ""), "1");
        EXPECT_EQ(store.ReadNumber("other", "Hex", 0), 16);
        EXPECT_EQ(store.ReadText(kSection, "Long", std::string(2000, 'f')).size(), 1023u);
        store.DeleteSection(kSection);
        EXPECT_EQ(store.ReadText(kSection, "NormPos", "gone"), "gone");
        EXPECT_EQ(store.ReadText("other", "Hex", ""), "0x10");
    }
    ::DeleteFileA(path.c_str());

    const std::string nowhere = std::string(dir) + "sockmere_no_such_dir\\store.ini";
    TIniFile broken(nowhere);
    EXPECT_EQ(ErrorOf([&] { broken.WriteText(kSection, "a", "b"); }), "Unable to write to " + nowhere);
    EXPECT_EQ(ErrorOf([&] { broken.DeleteSection(kSection); }), "Unable to write to " + nowhere);
}

namespace {

// The program's options go to its key, named after this test program: read without making the
// key, written only after another instance's pass is through, also when that instance, being
// elevated, made a lock that this one may only wait on.
TEST(Options, ReadWithoutMakingAKeyAndWrittenAfterAnotherInstancesPass) {
    const std::string store = DefaultRegistryKey(), path = store + "\\sockmere";
    ::RegDeleteTreeA(HKEY_CURRENT_USER, store.c_str());
    EXPECT_EQ(ReadOptionText("sockmere", "ShowProcesses"), "");
    HKEY key = nullptr;
    EXPECT_NE(::RegOpenKeyExA(HKEY_CURRENT_USER, store.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR waitOnly = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;0x00100000;;;WD)", SDDL_REVISION_1,
                                                                      &waitOnly, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, waitOnly, FALSE};
    const fw::HandleOwner lock(::CreateMutexA(&attributes, TRUE, SettingsLockName(store).c_str()));
    ::LocalFree(waitOnly);
    ASSERT_TRUE(lock && !fw::HandleOwner(::CreateMutexA(nullptr, FALSE, SettingsLockName(store).c_str())));
    std::thread option([] { WriteOptionText("sockmere", "ShowProcesses", "True"); });
    ::Sleep(300);
    ::RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), "ShowProcesses", REG_SZ, "False", 6);
    ::ReleaseMutex(lock.Get());
    option.join();
    EXPECT_EQ(ReadOptionText("sockmere", "ShowProcesses"), "True");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, store.c_str());
}

// Another instance that keeps the lock is waited for once for all the options read together,
// not once for each.
TEST(Options, ReadTogetherUnderOneWaitForAStuckLock) {
    const std::string store = DefaultRegistryKey(), path = store + "\\sockmere";
    ::RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), "A", REG_SZ, "1", 2);
    ::RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), "C", REG_DWORD, "\0\0\0\0", 4);
    fw::SyncEvent held(true, false), done(true, false);
    std::thread holder([&] {
        const fw::HandleOwner lock(::CreateMutexA(nullptr, TRUE, SettingsLockName(store).c_str()));
        held.Set();
        done.Wait(20000);
    });
    held.Wait();
    const DWORD start = ::GetTickCount();
    const std::vector<std::string> texts = ReadOptionTexts("sockmere", {"A", "B", "C"});
    const DWORD took = ::GetTickCount() - start;
    done.Set();
    holder.join();
    EXPECT_EQ(texts, (std::vector<std::string>{"1", "", ""}));
    EXPECT_LT(took, 4000u);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, store.c_str());
}

}  // namespace
