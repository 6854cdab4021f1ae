#pragma once
// The file store: each section is a section of a profile (INI) file, read and written with the
// system's profile functions; a bare file name lives in the Windows directory.
#include <string>
#include <utility>

#include "framework/Errors.h"
#include "settings/SettingsStore.h"

namespace sockmere {

class EIniFileException : public fw::Error {
public:
    using fw::Error::Error;
};

class TIniFile : public TSettingsStore {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const noexcept { return fileName_; }

    // At most 1023 characters come back.
    std::string ReadText(const std::string& section, const std::string& name,
                         const std::string& fallback) override;
    void WriteText(const std::string& section, const std::string& name, const std::string& text) override;
    void DeleteSection(const std::string& section) override;

private:
    std::string fileName_;
};

}  // namespace sockmere
