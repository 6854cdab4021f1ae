#include "settings/IniFiles.h"

#include <windows.h>

namespace sockmere {

namespace {
constexpr DWORD kReadBuffer = 1024;
}

std::string TIniFile::ReadText(const std::string& section, const std::string& name,
                               const std::string& fallback) {
    char buffer[kReadBuffer];
    const DWORD length = ::GetPrivateProfileStringA(section.c_str(), name.c_str(), fallback.c_str(), buffer,
                                                    kReadBuffer, fileName_.c_str());
    return std::string(buffer, length);
}

void TIniFile::WriteText(const std::string& section, const std::string& name, const std::string& text) {
    if (!::WritePrivateProfileStringA(section.c_str(), name.c_str(), text.c_str(), fileName_.c_str()))
        throw EIniFileException(fw::Format("Unable to write to %s", fileName_.c_str()));
}

void TIniFile::DeleteSection(const std::string& section) {
    if (!::WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, fileName_.c_str()))
        throw EIniFileException(fw::Format("Unable to write to %s", fileName_.c_str()));
}

}  // namespace sockmere
