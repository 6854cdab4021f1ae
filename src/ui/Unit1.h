#pragma once
// The main window: the table of connections, the refresh cycle with its clocks, the tray mode
// and the layout on resize.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Sync.h"
#include "settings/FormPlacement.h"
#include "tray/TrayIcon.h"
#include "ui/ConnectionActions.h"
#include "ui/ConnectionWatch.h"
#include "ui/LiveUpdates.h"
#include "ui/MainWindowRules.h"
#include "ui/ProgramIcons.h"
#include "ui/TableListing.h"
#include "winsize/MinMax.h"

namespace sockmere {

class TForm3;
class RefreshWait;
class TFilterBar;

class TForm1 : public fw::TForm {
public:
    // args are the program's arguments after its own path; only the first two are read.
    TForm1(fw::TComponent* owner, std::vector<std::string> args);
    ~TForm1() override;
    const char* ClassName() const override { return "TForm1"; }

    // The About window, created after this one; it lives until the program ends.
    void SetAboutWindow(TForm3* about) noexcept { about_ = about; }

    fw::TListView* lv = nullptr;
    fw::TButton* Button1 = nullptr;
    fw::TButton* Button4 = nullptr;
    fw::TButton* Button3 = nullptr;
    fw::TButton* Button2 = nullptr;
    fw::TCheckBox* check1 = nullptr;
    fw::TCheckBox* check3 = nullptr;
    fw::TCheckBox* check2 = nullptr;
    fw::TAnimate* Animate1 = nullptr;
    fw::TStatusBar* stat = nullptr;
    fw::TMemo* Memo1 = nullptr;
    fw::TMemo* Memo2 = nullptr;
    fw::TButton* Button5 = nullptr;
    fw::TTimer* Timer1 = nullptr;
    fw::TTimer* Timer2 = nullptr;
    fw::TTimer* Timer3 = nullptr;
    // Above the table while open; hidden at first.
    TFilterBar* FilterBar1 = nullptr;
    TTrayIcon* tray = nullptr;
    fw::TPopupMenu* PopupMenu1 = nullptr;
    fw::TMenuItem* Restore1 = nullptr;
    fw::TMenuItem* Refresh1 = nullptr;
    fw::TMenuItem* N1 = nullptr;
    fw::TMenuItem* Exit1 = nullptr;
    TMinMax* MinMax1 = nullptr;
    fw::TPopupMenu* PopupMenu2 = nullptr;
    fw::TMenuItem* Info1 = nullptr;
    fw::TMenuItem* CopyRow1 = nullptr;
    fw::TMenuItem* CopyAll1 = nullptr;
    fw::TMenuItem* SaveAs1 = nullptr;
    fw::TMenuItem* N2 = nullptr;
    // "Close Connection" and "End Process..." on the selected row.
    TConnectionActions* Actions1 = nullptr;
    fw::TMenuItem* CloseConnection1 = nullptr;
    fw::TMenuItem* EndProcess1 = nullptr;
    fw::TMenuItem* N4 = nullptr;
    // Checked while the table shows each connection's owning process.
    fw::TMenuItem* Processes1 = nullptr;
    // Checked while the rows that a refresh found new, changed or closed are marked.
    fw::TMenuItem* Highlight1 = nullptr;
    fw::TMenuItem* N3 = nullptr;
    fw::TMenuItem* Filter1 = nullptr;
    TFormStorage* FormStorage1 = nullptr;
    // Updates the table at the interval chosen under "Refresh Every".
    TLiveUpdates* LiveUpdates1 = nullptr;
    // Tells of new listening ports and first connections from the tray, and logs changes.
    TConnectionWatch* Watch1 = nullptr;

    bool StartInTray = false;
    bool FetchAtStart = true;
    // The Process column starts with each program's icon; set before processes are first shown.
    bool ShowIcons = true;
    // Made when processes are first shown with their icons.
    ProgramIcons* Icons() const noexcept { return icons_.get(); }

    void FormCreate(fw::TObject* sender);
    void FormResize(fw::TObject* sender);
    void Button1Click(fw::TObject* sender);
    void Button2Click(fw::TObject* sender);
    void Button3Click(fw::TObject* sender);
    void Button4Click(fw::TObject* sender);
    void Button5Click(fw::TObject* sender);
    void Memo1Change(fw::TObject* sender);
    void Timer1Timer(fw::TObject* sender);
    void Timer2Timer(fw::TObject* sender);
    void Timer3Timer(fw::TObject* sender);
    void lvDblClick(fw::TObject* sender);
    void Restore1Click(fw::TObject* sender);
    void Refresh1Click(fw::TObject* sender);
    void Exit1Click(fw::TObject* sender);
    void trayMouseMove(fw::TObject* sender, fw::TShiftState shift, int x, int y);
    void FormShortCut(fw::TObject* sender, WORD key, fw::TShiftState shift, bool& handled);
    void lvColumnClick(fw::TObject* sender, int column);
    void lvSortRows(fw::TObject* sender, int column, bool descending, std::vector<int>& order);
    void PopupMenu2Popup(fw::TObject* sender);
    void Info1Click(fw::TObject* sender);
    void CopyRow1Click(fw::TObject* sender);
    void CopyAll1Click(fw::TObject* sender);
    void SaveAs1Click(fw::TObject* sender);
    void Processes1Click(fw::TObject* sender);
    void Highlight1Click(fw::TObject* sender);
    void FormCloseQuery(fw::TObject* sender, bool& canClose);
    void LiveUpdates1Start(fw::TObject* sender, ListingOptions& options, bool& allowed);
    void LiveUpdates1Listed(fw::TObject* sender, ListingCapture& capture, std::uint32_t startTick);
    void Filter1Click(fw::TObject* sender);
    void Actions1Target(fw::TObject* sender, ActionTarget& target);
    void Actions1Acted(fw::TObject* sender);
    void lvItemImage(fw::TObject* sender, int item, int& image);
    // The table's rows are about to name other programs: their icons, at the table's DPI.
    void TableNames(fw::TObject* sender);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void DescribeTray();
    void DescribeMinMax();
    void DescribeTableMenu();
    void DescribeFormStorage();
    void DescribeLiveUpdates();
    // The "PID" and "Process" columns after "Status", shown or not.
    void ShowProcessColumns(bool show);

    std::vector<std::string> args_;
    TForm3* about_ = nullptr;
    // The last refresh's command, for the refresh's closing text.
    ListingRun lastRun_;
    // From the start of Button1Click to the end of Button5Click.
    bool refreshing_ = false;
    // Set by any close: ends the refresh's command at once.
    fw::SyncEvent refreshCancel_{true, false};
    // While the refresh waits for its command.
    RefreshWait* refreshWait_ = nullptr;
    // Made with the table and the filter bar.
    std::unique_ptr<TableListing> table_;
    std::unique_ptr<ProgramIcons> icons_;
};

}  // namespace sockmere
