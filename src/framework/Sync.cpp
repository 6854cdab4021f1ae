#include "framework/Sync.h"

namespace fw {

NamedLock::NamedLock(const std::string& name, DWORD timeoutMs) noexcept
    : handle_(::CreateMutexA(nullptr, FALSE, name.c_str())) {
    // One made by an elevated process grants others at most to wait on it.
    if (!handle_) handle_.Reset(::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
    if (!handle_) return;
    const DWORD result = ::WaitForSingleObject(handle_.Get(), timeoutMs);
    owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

}  // namespace fw
