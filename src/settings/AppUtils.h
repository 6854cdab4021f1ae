#pragma once
// Where the running program keeps its settings, named after its own executable file.
#include <string>

namespace sockmere {

// The executable's path as the system reports it.
std::string ModulePath();
// "Software\" plus the executable's name without extension, below HKEY_CURRENT_USER.
std::string DefaultRegistryKey();
// The executable's name with ".INI" for its extension, without directory.
std::string DefaultIniFileName();

}  // namespace sockmere
