#include "settings/Registry.h"

#include <algorithm>
#include <vector>

namespace sockmere {

namespace {

// Enough for a value rewritten a few times in a row; a value that keeps changing is an error.
constexpr int kReadAttempts = 4;

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

LONG CreateKey(HKEY base, const std::string& path, fw::KeyOwner& key) {
    return ::RegCreateKeyExA(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, key.Put(), nullptr);
}

// Depth first: a key with sub-keys cannot be deleted itself.
void DeleteTree(HKEY parent, const std::string& name) {
    fw::KeyOwner key;
    if (::RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS) return;
    DWORD count = 0;
    DWORD longest = 0;
    if (::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        // Names are collected first: deleting while enumerating would shift the indexes.
        std::vector<std::string> children;
        // Lengths count characters; a multi-byte code page may need two bytes for one.
        std::vector<char> buffer(2 * std::max<DWORD>(longest, 255) + 1);
        for (DWORD i = 0; i < count; ++i) {
            DWORD length = static_cast<DWORD>(buffer.size());
            if (::RegEnumKeyExA(key.Get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
                ERROR_SUCCESS)
                children.emplace_back(buffer.data(), length);
        }
        for (const std::string& child : children) DeleteTree(key.Get(), child);
    }
    key.Reset();
    ::RegDeleteKeyA(parent, name.c_str());
}

}  // namespace

TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
    const bool absolute = !path.empty() && path[0] == '\\';
    const std::string relative = absolute ? path.substr(1) : path;
    HKEY base = absolute || !current_ ? root_ : current_.Get();
    fw::KeyOwner key;
    const LONG rc = canCreate ? CreateKey(base, relative, key)
                              : ::RegOpenKeyExA(base, relative.c_str(), 0, KEY_ALL_ACCESS, key.Put());
    if (rc != ERROR_SUCCESS) return false;
    const std::string newPath =
        absolute || currentPath_.empty() ? relative : currentPath_ + '\\' + relative;
    CloseKey();
    current_ = std::move(key);
    currentPath_ = newPath;
    return true;
}

void TRegistry::CloseKey() noexcept {
    if (current_ && !LazyWrite) ::RegFlushKey(current_.Get());
    current_.Reset();
    currentPath_.clear();
}

LONG TRegistry::QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
    return ::RegQueryValueExA(key, name, nullptr, type, data, size);
}

bool TRegistry::ReadString(HKEY key, const std::string& name, std::string& text) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        if (QueryValue(key, name.c_str(), &type, nullptr, &size) != ERROR_SUCCESS) return false;
        if (size == 0) {
            text.clear();
            return true;
        }
        if (!IsText(type)) throw ERegistryException(fw::Format("Invalid data type for '%s'", name.c_str()));
        std::string data(size, '\0');
        DWORD got = size;
        const LONG rc = QueryValue(key, name.c_str(), &type, reinterpret_cast<BYTE*>(data.data()), &got);
        // Grown, removed or retyped since the size query: look again.
        if (rc == ERROR_MORE_DATA || rc == ERROR_FILE_NOT_FOUND || (rc == ERROR_SUCCESS && !IsText(type)))
            continue;
        if (rc != ERROR_SUCCESS || got > size) break;
        data.resize(got);
        text = data.substr(0, data.find('\0'));
        return true;
    }
    throw ERegistryException(fw::Format("Failed to get data for '%s'", name.c_str()));
}

TRegIniFile::TRegIniFile(std::string fileName, bool create) : fileName_(std::move(fileName)) {
    OpenKey(fileName_, create);
}

fw::KeyOwner TRegIniFile::OpenSection(const std::string& section) const {
    fw::KeyOwner key;
    if (!CurrentKey()) return key;
    if (::RegOpenKeyExA(CurrentKey(), section.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS)
        ::RegOpenKeyExA(CurrentKey(), section.c_str(), 0, KEY_READ, key.Put());
    return key;
}

std::string TRegIniFile::ReadText(const std::string& section, const std::string& name,
                                  const std::string& fallback) {
    fw::KeyOwner key = OpenSection(section);
    std::string text;
    if (!key || !ReadString(key.Get(), name, text)) return fallback;
    return text;
}

void TRegIniFile::WriteText(const std::string& section, const std::string& name, const std::string& text) {
    fw::KeyOwner created;
    if (!CurrentKey() || CreateKey(CurrentKey(), section, created) != ERROR_SUCCESS)
        throw ERegistryException(fw::Format("Failed to create key %s", section.c_str()));
    created.Reset();
    fw::KeyOwner key = OpenSection(section);
    if (!key) return;
    if (::RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException(fw::Format("Failed to set data for '%s'", name.c_str()));
}

void TRegIniFile::DeleteSection(const std::string& section) {
    // An empty name would open the application key itself.
    if (CurrentKey() && !section.empty()) DeleteTree(CurrentKey(), section);
}

}  // namespace sockmere
