#pragma once
// The connection table leaves the program: as text on the clipboard, or saved to a file the
// user chooses, in the order it is shown.
#include <windows.h>
#include <commdlg.h>

#include <climits>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "framework/ComCtrls.h"
#include "framework/Event.h"
#include "ui/TableText.h"

namespace sockmere {

// The header line and the rows, given cell after cell, row after row, the captions first. A
// cell is in the ANSI code page, or in UTF-8 in a column whose bit utf8Columns sets
// (1 << column). Written in the ANSI code page, where a character it lacks becomes "?", or in
// UTF-8 with every character.
std::string CellsText(TableFormat format, std::size_t columns, std::span<const std::string_view> cells,
                      unsigned utf8Columns, bool utf8);

// The header line of the column captions and the rows in display order: every row shown, or
// only the selected one (none when nothing is selected). In the ANSI code page, where a
// character it lacks becomes "?", or in UTF-8 with every character. Items from index
// `connections` on are rows kept to show that they closed: the whole table leaves them out, a
// selected one is written.
std::string ListViewText(const fw::TListView& lv, TableFormat format, bool selectedOnly, bool utf8 = false,
                         int connections = INT_MAX);

// Puts the rows, tab-separated, on the clipboard, in ANSI and in UTF-16; false when there was
// nothing to copy.
bool CopyListView(const fw::TListView& lv, bool selectedOnly, int connections = INT_MAX);

// Writes bytes to a temporary file beside path, then puts it in the place of path, which keeps
// its attributes and permissions. On failure the file that was there is untouched, the
// temporary file is gone, and Error tells the reason, the system's where it gives one. Error
// names the path in UTF-8. A folder too long for a temporary name beside it is such a failure.
// A replacement that fails once the old file is moved away keeps the new one, which Error names.
void WriteFileReplacing(const std::wstring& path, std::string_view bytes);

// Writes all of bytes to an open file or pipe; false when it stops, with the system's last
// error set where it gives one.
bool WriteAll(HANDLE file, std::string_view bytes);

// Every write of a saved file goes through this seam; tests install a double. Null restores
// WriteFile. Returns the previous function.
using WriteFileProc = decltype(&::WriteFile);
WriteFileProc SetWriteFileProc(WriteFileProc proc) noexcept;

// The replacement of a saved file goes through this seam too. Null restores ReplaceFileW.
using ReplaceFileProc = decltype(&::ReplaceFileW);
ReplaceFileProc SetReplaceFileProc(ReplaceFileProc proc) noexcept;

// The standard save dialog; tests put a stand-in in its place. Returns the previous one.
using SaveDialogProc = BOOL(WINAPI*)(LPOPENFILENAMEW);
SaveDialogProc SetSaveDialogProc(SaveDialogProc proc) noexcept;

// Asks where to save, offering the types of filter (the first chosen), starting from name and
// with the dialog's flags besides its usual ones; a name without extension gets ".csv" or the
// chosen type's. False when the user cancelled, an Error when the dialog failed; type gets the
// chosen type's number from 1.
bool AskSaveName(HWND owner, const wchar_t* filter, wchar_t (&name)[MAX_PATH], DWORD flags, DWORD* type = nullptr);

// Asks where to save, offering CSV and tab-separated text, and saves the rows shown in the
// chosen type, as the table's text in the ANSI code page, under any name the dialog accepts.
// connections tells, once the dialog has closed, how many items are connections (INT_MAX when
// not assigned): the table may have changed meanwhile. False when the user cancelled.
bool SaveListViewAs(const fw::TListView& lv, HWND owner, fw::Event<int&> connections = {});

}  // namespace sockmere
