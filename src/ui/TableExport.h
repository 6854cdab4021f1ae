#pragma once
// The connection table leaves the program: as text on the clipboard, or saved to a file the
// user chooses, in the order it is shown.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <string_view>

#include "framework/ComCtrls.h"
#include "ui/TableText.h"

namespace sockmere {

// The header line of the column captions and the rows in display order: every row shown, or
// only the selected one (none when nothing is selected).
std::string ListViewText(const fw::TListView& lv, TableFormat format, bool selectedOnly);

// Puts the rows, tab-separated, on the clipboard; false when there was nothing to copy.
bool CopyListView(const fw::TListView& lv, bool selectedOnly);

// Writes bytes to a temporary file beside path, then moves it over path. On failure the file
// that was there is untouched, the temporary file is gone, and Error tells the system's reason.
// Error names the path in UTF-8.
void WriteFileReplacing(const std::wstring& path, std::string_view bytes);

// The standard save dialog; tests put a stand-in in its place. Returns the previous one.
using SaveDialogProc = BOOL(WINAPI*)(LPOPENFILENAMEW);
SaveDialogProc SetSaveDialogProc(SaveDialogProc proc) noexcept;

// Asks where to save, offering CSV and tab-separated text, and saves the rows shown in the
// chosen type, as the table's text in the ANSI code page, under any name the dialog accepts.
// False when the user cancelled.
bool SaveListViewAs(const fw::TListView& lv, HWND owner);

}  // namespace sockmere
