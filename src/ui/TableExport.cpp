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
// kept: the new file, left where it was written.
[[noreturn]] void ThrowSaveError(const std::wstring& path, DWORD code, const wchar_t* kept = nullptr) {
    std::string text = "Cannot save \"";
    text += fw::Utf8FromWide(path);
    text += "\": ";
    text += fw::SystemErrorText(code);
    if (kept) {
        text += ". The new file is \"";
        text += fw::Utf8FromWide(kept);
        text += '"';
    }
    throw fw::Error(text);
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash + 1);
}

WriteFileProc g_writeFile = &::WriteFile;
ReplaceFileProc g_replaceFile = &::ReplaceFileW;

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

std::string CellsText(TableFormat format, std::size_t columns, std::span<const std::string_view> cells,
                      unsigned utf8Columns, bool utf8) {
    std::vector<std::string> header;
    for (std::size_t c = 0; c < columns; ++c)
        header.push_back(utf8 ? fw::Utf8FromWide(fw::WideFromAnsi(cells[c])) : std::string(cells[c]));
    cells = cells.subspan(columns);
    return TableText(format, header, columns ? cells.size() / columns : 0, [&](std::size_t row, std::size_t column) {
        const std::string_view text = cells[row * columns + column];
        // A cell already in the written encoding keeps its very bytes.
        if ((utf8Columns >> column & 1) == utf8) return std::string(text);
        return utf8 ? fw::Utf8FromWide(fw::WideFromAnsi(text)) : fw::AnsiFromWide(fw::WideFromUtf8(text));
    });
}

std::string ListViewText(const fw::TListView& lv, TableFormat format, bool selectedOnly, bool utf8, int connections) {
    // The captions, then the items to write, in the order shown.
    std::vector<std::string_view> cells;
    unsigned utf8Columns = 0;
    for (int c = 0; c < lv.ColumnCount(); ++c) {
        cells.push_back(lv.ColumnCaption(c));
        if (lv.ColumnUtf8(c)) utf8Columns |= 1u << c;
    }
    auto add = [&](int item) {
        for (int c = 0; c < lv.ColumnCount(); ++c) cells.push_back(lv.ItemField(item, c));
    };
    if (selectedOnly) {
        if (const int selected = lv.Selected(); selected >= 0) add(selected);
    } else {
        for (int position = 0; position < lv.ShownCount(); ++position)
            if (const int item = lv.ItemAtPosition(position); item < connections) add(item);
    }
    return CellsText(format, static_cast<std::size_t>(lv.ColumnCount()), cells, utf8Columns, utf8);
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
    DWORD replaceError = ERROR_SUCCESS;
    if (error == ERROR_SUCCESS &&
        !g_replaceFile(path.c_str(), temp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        error = replaceError = ::GetLastError();
        if (!TargetRefused(error))
            error = ::MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                        ? ERROR_SUCCESS
                        : ::GetLastError();
    }
    if (error == ERROR_SUCCESS) return;
    // These come after the old file was moved away: the new one may be the only copy left.
    if (replaceError == ERROR_UNABLE_TO_MOVE_REPLACEMENT || replaceError == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        ThrowSaveError(path, replaceError, temp);
    ::DeleteFileW(temp);
    ThrowSaveError(path, error);
}

WriteFileProc SetWriteFileProc(WriteFileProc proc) noexcept {
    return std::exchange(g_writeFile, proc ? proc : &::WriteFile);
}

ReplaceFileProc SetReplaceFileProc(ReplaceFileProc proc) noexcept {
    return std::exchange(g_replaceFile, proc ? proc : &::ReplaceFileW);
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
