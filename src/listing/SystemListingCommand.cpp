#include "listing/SystemListingCommand.h"

#include <windows.h>

namespace sockmere {
namespace {

// Calls read(buffer, size) until the buffer is big enough; empty text when the call fails.
template <typename Read>
std::string ReadDirectory(Read read) {
    std::string dir(MAX_PATH, '\0');
    for (;;) {
        const UINT needed = read(dir.data(), static_cast<UINT>(dir.size()));
        if (needed == 0) return {};
        if (needed < dir.size()) {
            dir.resize(needed);
            break;
        }
        dir.resize(needed);
    }
    // Only a drive's root ("C:\") comes with a backslash.
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::string WindowsDirectory() {
    return ReadDirectory([](char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); });
}

std::string SystemDirectory() {
    return ReadDirectory([](char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); });
}

std::string ComposeListingCommand(ListingOptions options) {
    const std::string windowsDir = WindowsDirectory();
    const bool present = IsFile(windowsDir + "\\netstat.exe");
    return ComposeListingCommand(windowsDir, present ? std::string() : SystemDirectory(), present,
                                 options);
}

}  // namespace sockmere
