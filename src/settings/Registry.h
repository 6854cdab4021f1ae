#pragma once
// The registry store: TRegistry keeps a current key below a root key (HKEY_CURRENT_USER);
// TRegIniFile opens an application key on construction and keeps each section as a sub-key of
// it, every value REG_SZ. Each operation opens and closes its section key, so nothing is cached.
#include <windows.h>

#include <string>

#include "framework/Errors.h"
#include "framework/Handles.h"
#include "settings/SettingsStore.h"

namespace sockmere {

class ERegistryException : public fw::Error {
public:
    using fw::Error::Error;
};

class TRegistry {
public:
    TRegistry() noexcept = default;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    virtual ~TRegistry();

    HKEY RootKey() const noexcept { return root_; }
    // The open key, or null when none is open.
    HKEY CurrentKey() const noexcept { return current_.Get(); }
    const std::string& CurrentPath() const noexcept { return currentPath_; }
    // True: keys are closed without RegFlushKey.
    bool LazyWrite = true;

    // Makes path the current key, creating it with KEY_ALL_ACCESS when canCreate. A path starting
    // with "\" is taken from the root key, any other from the current key (the root when none).
    // False, with the previous key kept, when it cannot be opened.
    bool OpenKey(const std::string& path, bool canCreate);
    void CloseKey() noexcept;

protected:
    // Every value query goes through here; tests replace it to change a value under a read.
    virtual LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size);

    // The text of a REG_SZ or REG_EXPAND_SZ value, up to its first NUL or the end of its data;
    // false when the value does not exist. A value that changes under the read is read again.
    bool ReadString(HKEY key, const std::string& name, std::string& text);

private:
    HKEY root_ = HKEY_CURRENT_USER;
    fw::KeyOwner current_;
    std::string currentPath_;
};

class TRegIniFile : public TRegistry, public TSettingsStore {
public:
    // Creates or opens fileName (an application key path such as "Software\Sockmere"), also for
    // a store that only reads; with create false it only opens one that exists. When that fails
    // the store has no key: reads give their fallbacks and writes fail, so nothing is ever
    // written outside the application key.
    explicit TRegIniFile(std::string fileName, bool create = true);

    const std::string& FileName() const noexcept { return fileName_; }

    std::string ReadText(const std::string& section, const std::string& name,
                         const std::string& fallback) override;
    void WriteText(const std::string& section, const std::string& name, const std::string& text) override;
    void DeleteSection(const std::string& section) override;

private:
    // The section key with full access, else read-only; empty when it cannot be opened.
    fw::KeyOwner OpenSection(const std::string& section) const;

    std::string fileName_;
};

}  // namespace sockmere
