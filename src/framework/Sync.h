#pragma once
// Win32 synchronisation owners: a critical section with its scoped lock, an event object, and a
// lock that processes share by name.
#include <windows.h>

#include <string>

#include "framework/Errors.h"
#include "framework/Handles.h"

namespace fw {

// A re-entrant lock for the threads of one process.
class CriticalSection {
public:
    CriticalSection() noexcept { ::InitializeCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    ~CriticalSection() { ::DeleteCriticalSection(&cs_); }

    void Enter() noexcept { ::EnterCriticalSection(&cs_); }
    void Leave() noexcept { ::LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

// Holds a critical section for one scope.
class Lock {
public:
    explicit Lock(CriticalSection& cs) noexcept : cs_(cs) { cs_.Enter(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock() { cs_.Leave(); }

private:
    CriticalSection& cs_;
};

// An unnamed event object.
class SyncEvent {
public:
    SyncEvent(bool manualReset, bool initiallySet)
        : handle_(::CreateEventA(nullptr, manualReset, initiallySet, nullptr)) {
        if (!handle_) throw Error("Cannot create an event");
    }

    void Set() noexcept { ::SetEvent(handle_.Get()); }
    void Reset() noexcept { ::ResetEvent(handle_.Get()); }
    bool IsSet() const noexcept { return ::WaitForSingleObject(handle_.Get(), 0) == WAIT_OBJECT_0; }
    // For waits on several objects at once; the event keeps it.
    HANDLE Handle() const noexcept { return handle_.Get(); }
    // True when the event was set within the time.
    bool Wait(DWORD milliseconds = INFINITE) const noexcept {
        return ::WaitForSingleObject(handle_.Get(), milliseconds) == WAIT_OBJECT_0;
    }

private:
    HandleOwner handle_;
};

// Holds a named mutex, which every process that names it shares, for one scope. A holder that
// died hands it on; one that keeps it past the time-out is not waited for any longer, nor is a
// mutex this process may not even wait on.
class NamedLock {
public:
    NamedLock(const std::string& name, DWORD timeoutMs) noexcept;
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;
    ~NamedLock() {
        if (owned_) ::ReleaseMutex(handle_.Get());
    }

private:
    HandleOwner handle_;
    bool owned_ = false;
};

}  // namespace fw
