#pragma once
// The text rules of the settings store and of the placement values kept in it: default names
// from the module path, number texts, and the words of a position text.
#include <cstdint>
#include <string>
#include <string_view>

namespace sockmere {

// The executable's name: the text after the last "\" or ":" of the module path, cut at its last
// dot when that dot comes after the last "\" or ":". "C:\Tools\Vized.exe" gives "Vized".
std::string ApplicationKeyName(std::string_view modulePath);
// "Software\" plus the application key name.
std::string RegistryKeyForModule(std::string_view modulePath);
// The module's file name without directory, its extension replaced by (or extended with) ".INI".
std::string IniFileNameForModule(std::string_view modulePath);

// The name of the lock that every process shares for one store (a registry key or an INI file):
// "Local\Sockmere.settings:" plus the store's name in lower case, "\" given as "/" (a lock's
// name allows no further "\"), cut to the 260 characters a name may have.
std::string SettingsLockName(std::string_view storeName);

// How a stored text reads as a number: a text longer than two characters that starts with "0x" or
// "0X" is hexadecimal after the prefix, up to FFFFFFFF (taken as the signed 32-bit pattern);
// anything else is decimal with an optional "+" or "-". Empty text, blanks anywhere, other
// characters and values outside 32 bits give the fallback.
std::int32_t StoredNumber(std::string_view text, std::int32_t fallback) noexcept;
// Decimal only, by the same rules as StoredNumber's decimal branch.
std::int32_t DecimalOr(std::string_view text, std::int32_t fallback) noexcept;

// The stored forms of integers and flags: decimal, and "1" or "0".
std::string NumberText(std::int32_t value);
inline std::string FlagText(bool value) { return value ? "1" : "0"; }

// Word n (counting from 1) of a position text: words are maximal runs of characters other than
// " " and ","; a missing word (or n < 1) is empty.
std::string_view PositionWord(std::string_view text, int n) noexcept;
// Four integers joined by ",": "%d,%d,%d,%d".
std::string PositionText(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
// The suffix that ties a position value to a screen size: "(%dx%d)".
std::string ScreenSizeSuffix(int width, int height);

}  // namespace sockmere
