#pragma once
// A program's stored settings seen straight through the registry API, as an administrator
// with a registry editor would: read, planted, corrupted and wiped by the tests.
#include <windows.h>

#include <map>
#include <ostream>
#include <string>
#include <utility>

namespace settingskey {

// One registry value: its type and its data bytes (a text keeps its NUL).
struct Value {
    DWORD type = REG_NONE;
    std::string data;
    friend bool operator==(const Value&, const Value&) = default;
};
using Values = std::map<std::string, Value>;

// Readable in a failure message: the type, then the data up to its first NUL.
inline std::ostream& operator<<(std::ostream& out, const Value& v) {
    return out << "type " << v.type << " \"" << v.data.substr(0, v.data.find('\0')) << '"';
}

inline std::string ScreenSuffix() {
    return "(" + std::to_string(::GetSystemMetrics(SM_CXSCREEN)) + "x" +
           std::to_string(::GetSystemMetrics(SM_CYSCREEN)) + ")";
}

inline Value Text(const std::string& text) {
    return {REG_SZ, text + '\0'};
}

class Key {
public:
    // appKey is the application key under HKCU, e.g. "Software\\Sockmere".
    Key(std::string appKey, std::string section) : app_(std::move(appKey)), path_(app_ + "\\" + section) {}

    // Removes the application key with everything below it.
    void Wipe() const { ::RegDeleteTreeA(HKEY_CURRENT_USER, app_.c_str()); }

    bool Exists() const {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        ::RegCloseKey(key);
        return true;
    }

    Values All() const {
        Values values;
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD nameSize = sizeof name, type = 0, size = 0;
            if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
            Value v{type, std::string(size, '\0')};
            ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(v.data.data()), &size);
            values[name] = v;
        }
        ::RegCloseKey(key);
        return values;
    }

    // The text of a REG_SZ value; anything else, or nothing, reads as "<missing>".
    std::string Read(const std::string& name) const {
        Values all = All();
        auto it = all.find(name);
        if (it == all.end() || it->second.type != REG_SZ) return "<missing>";
        return it->second.data.substr(0, it->second.data.find('\0'));
    }

    void Set(const std::string& name, const Value& value) const {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr) != ERROR_SUCCESS)
            return;
        ::RegSetValueExA(key, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                         static_cast<DWORD>(value.data.size()));
        ::RegCloseKey(key);
    }
    void SetText(const std::string& name, const std::string& text) const { Set(name, Text(text)); }
    void SetNumber(const std::string& name, DWORD number) const {
        Set(name, {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)});
    }

    // Makes the key hold exactly these values.
    void Replace(const Values& values) const {
        Wipe();
        for (const auto& [name, value] : values) Set(name, value);
    }

private:
    std::string app_;
    std::string path_;
};

}  // namespace settingskey
