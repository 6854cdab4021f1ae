#include "listing/ProcessNames.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwchar>

#include "framework/Handles.h"
#include "framework/Sync.h"
#include "framework/WideText.h"

namespace sockmere {
namespace {

fw::HandleOwner OpenProcessToQuery(DWORD id) {
    return fw::HandleOwner(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
}

fw::CriticalSection g_companionLock;
ProcessNames::Companion* g_companion = nullptr;

std::string ImagePathOf(const fw::HandleOwner& process) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(path.size());
        if (::QueryFullProcessImageNameW(process.Get(), 0, path.data(), &size))
            return fw::Utf8FromWide({path.data(), size});
        // Paths longer than MAX_PATH exist; the system's own limit is 32767 characters.
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= 32768) return {};
        path = std::wstring(32768, L'\0');
    }
}

// Its ID then names another program than the one the listing saw. One that cannot be asked
// (the system's own) is taken as older.
bool StartedAfter(const fw::HandleOwner& process, const FILETIME& listedAt) {
    FILETIME created{}, exited{}, kernel{}, user{};
    return process && ::GetProcessTimes(process.Get(), &created, &exited, &kernel, &user) &&
           ::CompareFileTime(&created, &listedAt) > 0;
}

}  // namespace

bool ParseProcessId(std::string_view text, DWORD& id) noexcept {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return false;
    id = static_cast<DWORD>(value);
    return true;
}

ProcessNames ProcessNames::Snapshot(const FILETIME& listedAt) {
    ProcessNames names;
    names.listedAt_ = listedAt;
    bool paths = false;
    {
        fw::Lock lock(g_companionLock);
        paths = g_companion != nullptr;
    }
    const fw::HandleOwner snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return names;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        const fw::HandleOwner process = OpenProcessToQuery(entry.th32ProcessID);
        if (StartedAfter(process, listedAt)) continue;
        names.Add(entry.th32ProcessID, fw::Utf8FromWide({entry.szExeFile, wcsnlen(entry.szExeFile, MAX_PATH)}),
                  paths && process ? ImagePathOf(process) : std::string());
    }
    names.Finish();
    fw::Lock lock(g_companionLock);
    if (paths && g_companion) g_companion->Taken(names);
    return names;
}

void ProcessNames::Add(DWORD pid, std::string_view name, std::string_view path) {
    entries_.push_back({pid, static_cast<std::uint32_t>(names_.size()), static_cast<std::uint32_t>(name.size()),
                        static_cast<std::uint32_t>(path.size())});
    names_.append(name);
    names_.append(path);
}

void ProcessNames::Finish() {
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.pid < b.pid; });
}

void ProcessNames::SetCompanion(Companion* companion) noexcept {
    fw::Lock lock(g_companionLock);
    g_companion = companion;
}

std::string_view ProcessNames::Find(std::string_view pid) const noexcept {
    DWORD id = 0;
    if (!ParseProcessId(pid, id)) return {};
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                                     [](const Entry& e, DWORD value) { return e.pid < value; });
    if (it == entries_.end() || it->pid != id) return {};
    return std::string_view(names_).substr(it->at, it->size);
}

std::string ProcessImagePath(std::string_view pid, const FILETIME& listedAt) {
    DWORD id = 0;
    if (!ParseProcessId(pid, id)) return {};
    const fw::HandleOwner process = OpenProcessToQuery(id);
    if (!process || StartedAfter(process, listedAt)) return {};
    return ImagePathOf(process);
}

}  // namespace sockmere
