#pragma once
// Where the running program keeps its settings, named after its own executable file.
#include <initializer_list>
#include <string>
#include <vector>

namespace sockmere {

// The executable's path as the system reports it.
std::string ModulePath();
// "Software\" plus the executable's name without extension, below HKEY_CURRENT_USER.
std::string DefaultRegistryKey();
// The executable's name with ".INI" for its extension, without directory.
std::string DefaultIniFileName();

// The program's own options beside the form storage's values, in the same registry store
// (DefaultRegistryKey) and under the same lock as its passes, so that no pass of another
// instance is mixed with them. The text of a REG_SZ or REG_EXPAND_SZ value; empty when the value
// is absent or of another type. Never creates a key.
std::string ReadOptionText(const std::string& section, const char* name);
// Several options in one pass, under one wait for the lock, each as ReadOptionText gives it.
std::vector<std::string> ReadOptionTexts(const std::string& section, std::initializer_list<const char*> names);
// Creates the section when needed; fails with the store's error.
void WriteOptionText(const std::string& section, const char* name, const std::string& text);

}  // namespace sockmere
