#include "settings/AppUtils.h"

#include <windows.h>

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

}  // namespace sockmere
