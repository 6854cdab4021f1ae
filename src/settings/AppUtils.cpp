#include "settings/AppUtils.h"

#include <windows.h>

#include "framework/Sync.h"
#include "settings/Registry.h"
#include "settings/StoreText.h"

namespace sockmere {

std::string ModulePath() {
    // A path longer than MAX_PATH is cut to the buffer, so grow until it fits.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string DefaultRegistryKey() { return RegistryKeyForModule(ModulePath()); }

std::string DefaultIniFileName() { return IniFileNameForModule(ModulePath()); }

namespace {

// An option is read and written while the window waits: a stuck pass elsewhere is not awaited long.
constexpr DWORD kOptionLockWaitMs = 2000;

// The program's registry store, open under the lock that the form storage's passes take.
class LockedStore {
public:
    explicit LockedStore(bool create)
        : name_(DefaultRegistryKey()), lock_(SettingsLockName(name_), kOptionLockWaitMs), store_(name_, create) {}
    TRegIniFile& Store() noexcept { return store_; }

private:
    std::string name_;
    fw::NamedLock lock_;
    TRegIniFile store_;
};

}  // namespace

std::string ReadOptionText(const std::string& section, const char* name) {
    return ReadOptionTexts(section, {name}).front();
}

std::vector<std::string> ReadOptionTexts(const std::string& section, std::initializer_list<const char*> names) {
    LockedStore options(false);
    std::vector<std::string> texts;
    for (const char* name : names) {
        try {
            texts.push_back(options.Store().ReadText(section, name, std::string()));
        } catch (const ERegistryException&) {
            // A value of another type.
            texts.emplace_back();
        }
    }
    return texts;
}

void WriteOptionText(const std::string& section, const char* name, const std::string& text) {
    LockedStore(true).Store().WriteText(section, name, text);
}

}  // namespace sockmere
