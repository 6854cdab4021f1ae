#pragma once
// Functions of system libraries that the program's start must not load, found when first needed.
#include <windows.h>

namespace fw {

// The function name of library, loaded now if need be; null when either is missing. Callers
// keep the result: the library stays loaded.
template <class Fn>
Fn LibraryProc(const char* library, const char* name) noexcept {
    const HMODULE module = ::LoadLibraryA(library);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace fw
