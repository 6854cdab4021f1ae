#include "ui/TableExport.h"

#include <cderr.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/Clipboard.h"
#include "framework/Errors.h"
#include "framework/Handles.h"
#include "framework/WideText.h"

namespace sockmere {

namespace {

// The common dialogs' library (and the shell it pulls in) is loaded at the first Save As, not
// with the program.
FARPROC CommonDialogProc(const char* name) {
    static const HMODULE library = ::LoadLibraryA("comdlg32.dll");
    return library ? ::GetProcAddress(library, name) : nullptr;
}

BOOL WINAPI SaveWithCommonDialog(LPOPENFILENAMEW dialog) {
    static const auto proc = reinterpret_cast<SaveDialogProc>(
        reinterpret_cast<void*>(CommonDialogProc("GetSaveFileNameW")));
    if (!proc) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        throw fw::Error("The save dialog is not available");
    }
    return proc(dialog);
}

DWORD CommonDialogError() {
    using ErrorProc = DWORD(WINAPI*)();
    static const auto proc =
        reinterpret_cast<ErrorProc>(reinterpret_cast<void*>(CommonDialogProc("CommDlgExtendedError")));
    return proc ? proc() : 0;
}

SaveDialogProc g_saveDialog = &SaveWithCommonDialog;

// The path goes into the message as UTF-8, so that the report shows it as the user typed it.
[[noreturn]] void ThrowSaveError(const std::wstring& path, DWORD code) {
    throw fw::Error("Cannot save \"" + fw::Utf8FromWide(path) + "\": " + SystemErrorText(code));
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash + 1);
}

WriteFileProc g_writeFile = &::WriteFile;

// Failures of the target itself, which a plain move would meet as well or get round by dropping
// what protects the file.
bool TargetRefused(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_UNABLE_TO_REMOVE_REPLACED: return true;
    default: return false;
    }
}

}  // namespace

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!g_writeFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = n && buffer ? fw::Utf8FromWide({buffer, n}) : fw::Format("System error %lu", code);
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

std::string ListViewText(const fw::TListView& lv, TableFormat format, bool selectedOnly, bool utf8, int connections) {
    std::vector<std::string> header;
    for (int c = 0; c < lv.ColumnCount(); ++c)
        header.push_back(utf8 ? fw::Utf8FromWide(fw::WideFromAnsi(lv.ColumnCaption(c))) : lv.ColumnCaption(c));
    // The items to write, in the order shown.
    std::vector<int> items(static_cast<std::size_t>(lv.ItemCount()));
    std::size_t rows = 0;
    if (selectedOnly) {
        if (const int selected = lv.Selected(); selected >= 0) items[rows++] = selected;
    } else {
        for (int position = 0; position < lv.ShownCount(); ++position)
            if (const int item = lv.ItemAtPosition(position); item < connections) items[rows++] = item;
    }
    return TableText(format, header, rows, [&](std::size_t row, std::size_t column) {
        const int item = items[row];
        const int c = static_cast<int>(column);
        // An ANSI column keeps its very bytes in ANSI text.
        if (!utf8 && !lv.ColumnUtf8(c)) return std::string(lv.ItemField(item, c));
        const std::wstring shown = lv.ShownText(item, c);
        return utf8 ? fw::Utf8FromWide(shown) : fw::AnsiFromWide(shown);
    });
}

bool CopyListView(const fw::TListView& lv, bool selectedOnly, int connections) {
    if (selectedOnly && lv.Selected() < 0) return false;
    fw::Clipboard().SetText(ListViewText(lv, TableFormat::Tsv, selectedOnly, false, connections),
                            fw::WideFromUtf8(ListViewText(lv, TableFormat::Tsv, selectedOnly, true, connections)));
    return true;
}

void WriteFileReplacing(const std::wstring& path, std::string_view bytes) {
    const std::wstring folder = FolderOf(path);
    // The temporary name takes 14 characters more than its folder's path; a longer one is not
    // always refused by the system, which then cuts the name short.
    if (folder.size() > MAX_PATH - 14) ThrowSaveError(path, ERROR_FILENAME_EXCED_RANGE);
    // The system would replace an empty folder of that name by the file.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        ThrowSaveError(path, ERROR_ACCESS_DENIED);
    wchar_t temp[MAX_PATH + 16] = {};
    // Made in the target's folder, so the move at the end is a rename on the same volume.
    if (!::GetTempFileNameW(folder.c_str(), L"smr", 0, temp)) ThrowSaveError(path, ::GetLastError());
    DWORD error = ERROR_SUCCESS;
    {
        fw::HandleOwner file(::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        // A failure that names no reason is a failure all the same.
        if (!file || !WriteAll(file.Get(), bytes) || !::FlushFileBuffers(file.Get())) {
            error = ::GetLastError();
            if (error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
        }
    }
    // The replaced file keeps its attributes and permissions; a missing one, or a volume that
    // cannot replace, takes the plain move.
    if (error == ERROR_SUCCESS &&
        !::ReplaceFileW(path.c_str(), temp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        error = ::GetLastError();
        if (!TargetRefused(error))
            error = ::MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                        ? ERROR_SUCCESS
                        : ::GetLastError();
    }
    if (error != ERROR_SUCCESS) {
        ::DeleteFileW(temp);
        ThrowSaveError(path, error);
    }
}

WriteFileProc SetWriteFileProc(WriteFileProc proc) noexcept {
    return std::exchange(g_writeFile, proc ? proc : &::WriteFile);
}

SaveDialogProc SetSaveDialogProc(SaveDialogProc proc) noexcept {
    SaveDialogProc previous = g_saveDialog;
    g_saveDialog = proc ? proc : &SaveWithCommonDialog;
    return previous;
}

bool AskSaveName(HWND owner, const wchar_t* filter, wchar_t (&name)[MAX_PATH], DWORD flags, DWORD* type) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    // A name typed without an extension gets the chosen type's from the dialog itself (it takes
    // the selected type's over this one), so its overwrite prompt sees the final name.
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = flags | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!g_saveDialog(&dialog)) {
        if (DWORD code = CommonDialogError(); code != 0)
            throw fw::Error(fw::Format("The save dialog failed (error %lu)", code));
        return false;
    }
    if (type) *type = dialog.nFilterIndex;
    return true;
}

bool SaveListViewAs(const fw::TListView& lv, HWND owner, fw::Event<int&> connectionsNow) {
    wchar_t name[MAX_PATH] = {};
    DWORD type = 1;
    if (!AskSaveName(owner, L"CSV (*.csv)\0*.csv\0Text, tab-separated (*.txt)\0*.txt\0", name, OFN_OVERWRITEPROMPT, &type))
        return false;
    const bool csv = type != 2;
    int connections = INT_MAX;
    connectionsNow(connections);
    WriteFileReplacing(name, ListViewText(lv, csv ? TableFormat::Csv : TableFormat::Tsv, false, false, connections));
    return true;
}

}  // namespace sockmere
