#include "ui/ChangeLogFile.h"

#include <windows.h>

#include "framework/Handles.h"
#include "framework/WideText.h"
#include "ui/TableExport.h"

namespace sockmere {

namespace {

std::int64_t Ticks(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

}  // namespace

std::string LogTimeNow() {
    FILETIME utc{}, local{};
    ::GetSystemTimeAsFileTime(&utc);
    ::FileTimeToLocalFileTime(&utc, &local);
    SYSTEMTIME t{};
    ::FileTimeToSystemTime(&local, &t);
    const int offset = static_cast<int>((Ticks(local) - Ticks(utc)) / 600000000);
    return LogTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, offset);
}

std::string ChangeLogFile::Write() {
    if (queue_.Empty()) return {};
    // Shared every way and closed at once, so that the file can be read, moved or deleted.
    fw::HandleOwner file(::CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD error = ERROR_SUCCESS;
    LARGE_INTEGER end{};
    if (!file || !::SetFilePointerEx(file.Get(), {}, &end, FILE_END)) {
        error = ::GetLastError();
    } else {
        const std::string text = (end.QuadPart == 0 ? ChangeLogHeader() : std::string()) + queue_.Text(LogTimeNow());
        if (!WriteAll(file.Get(), text)) {
            error = ::GetLastError();
            if (error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
            // A batch written in part is taken back, so that the next one does not repeat it.
            if (::SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN)) ::SetEndOfFile(file.Get());
        }
    }
    if (error == ERROR_SUCCESS) {
        queue_.Clear();
        failing_ = false;
        return {};
    }
    if (std::exchange(failing_, true)) return {};
    return "Change log: cannot write \"" + fw::Utf8FromWide(path_) + "\": " + SystemErrorText(error) + ".";
}

}  // namespace sockmere
