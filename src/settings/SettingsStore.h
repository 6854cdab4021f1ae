#pragma once
// The one interface through which placement and stored properties reach either store: named
// text values grouped in sections. A store lives for one save or restore pass; destroying it
// closes whatever it has open. Failures are thrown as fw::Error subclasses carrying the
// message the application's report shows.
#include <cstdint>
#include <string>

#include "settings/StoreText.h"

namespace sockmere {

class TSettingsStore {
public:
    TSettingsStore() = default;
    TSettingsStore(const TSettingsStore&) = delete;
    TSettingsStore& operator=(const TSettingsStore&) = delete;
    virtual ~TSettingsStore() = default;

    // The stored text, or fallback when the section or the value is missing.
    virtual std::string ReadText(const std::string& section, const std::string& name,
                                 const std::string& fallback) = 0;
    // Creates the section when needed.
    virtual void WriteText(const std::string& section, const std::string& name, const std::string& text) = 0;
    // Removes the section with everything in it; a missing section is no error.
    virtual void DeleteSection(const std::string& section) = 0;

    // The stored text converted by StoredNumber; missing or unconvertible text gives fallback.
    std::int32_t ReadNumber(const std::string& section, const std::string& name, std::int32_t fallback) {
        return StoredNumber(ReadText(section, name, std::string()), fallback);
    }
    // Always text in decimal, never a binary number.
    void WriteNumber(const std::string& section, const std::string& name, std::int32_t value) {
        WriteText(section, name, NumberText(value));
    }
    // "1" or "0".
    void WriteFlag(const std::string& section, const std::string& name, bool value) {
        WriteText(section, name, FlagText(value));
    }
};

}  // namespace sockmere
