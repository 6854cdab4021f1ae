#include "ui/ChangeLogFile.h"

#include <windows.h>

#include "framework/Errors.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "ui/TableExport.h"

namespace sockmere {

std::string LogTimeNow() {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = ::GetTimeZoneInformation(&zone);
    const LONG bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias
                                   : kind == TIME_ZONE_ID_STANDARD ? zone.StandardBias : 0);
    return LogTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, static_cast<int>(-bias));
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
    return "Change log: cannot write \"" + fw::Utf8FromWide(path_) + "\": " + fw::SystemErrorText(error) + ".";
}

}  // namespace sockmere
