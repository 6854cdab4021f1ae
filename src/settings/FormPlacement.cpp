#include "settings/FormPlacement.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "framework/Application.h"
#include "framework/PropInfo.h"
#include "framework/Sync.h"
#include "settings/AppUtils.h"
#include "settings/IniFiles.h"
#include "settings/StoredProps.h"
#include "settings/Registry.h"
#include "settings/ScreenFit.h"
#include "settings/StoreText.h"
#include "winsize/WindowHook.h"

namespace sockmere {

using fw::Bind;

namespace {

// How long a pass waits for another process's pass on the same store; one that takes longer is
// stuck, and this one goes on rather than hang the window.
constexpr DWORD kStoreLockWaitMs = 10000;
// At the end of the session the system gives a program only a few seconds to answer.
constexpr DWORD kSessionEndLockWaitMs = 2000;

// The window state that a stored show command stands for; anything unknown is normal.
fw::TWindowState StateForShowCommand(std::int32_t command) {
    switch (command) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: return fw::wsMinimized;
    case SW_SHOWMAXIMIZED: return fw::wsMaximized;
    default: return fw::wsNormal;
    }
}

ScreenRect ScreenRectOf(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoA(monitor, &info))
        reinterpret_cast<std::vector<ScreenRect>*>(areas)->push_back(ScreenRectOf(info.rcWork));
    return TRUE;
}

// The least size the window may be given, as it answers the system's own question.
SIZE MinimumTrackSize(HWND window) {
    MINMAXINFO info{};
    info.ptMinTrackSize = {::GetSystemMetrics(SM_CXMINTRACK), ::GetSystemMetrics(SM_CYMINTRACK)};
    ::SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return {info.ptMinTrackSize.x, info.ptMinTrackSize.y};
}

// A stored normal rectangle that is not wholly on the monitors (one that was on a monitor since
// undocked, say) moves onto the work area of the nearest one, so that its caption can be reached.
void KeepReachable(HWND window, RECT& normal, SIZE least) {
    // Placements keep workspace coordinates, which start at the primary monitor's work area;
    // a tool window's are screen coordinates.
    POINT offset{};
    if (!(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
        MONITORINFO primary{};
        primary.cbSize = sizeof primary;
        if (::GetMonitorInfoA(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary))
            offset = {primary.rcWork.left - primary.rcMonitor.left, primary.rcWork.top - primary.rcMonitor.top};
    }
    const RECT screen{normal.left + offset.x, normal.top + offset.y, normal.right + offset.x, normal.bottom + offset.y};
    std::vector<ScreenRect> areas;
    ::EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    if (areas.empty() || WhollyCovered(ScreenRectOf(screen), areas)) return;
    MONITORINFO nearest{};
    nearest.cbSize = sizeof nearest;
    if (!::GetMonitorInfoA(::MonitorFromRect(&screen, MONITOR_DEFAULTTONEAREST), &nearest)) return;
    const ScreenRect moved = MovedInto(ScreenRectOf(screen), ScreenRectOf(nearest.rcWork), least.cx, least.cy);
    normal = {moved.left - offset.x, moved.top - offset.y, moved.right - offset.x, moved.bottom - offset.y};
}

// Where a maximized window of this border style sits: just outside the screen by its frame.
POINT MaxPositionFor(fw::TBorderStyle style) {
    switch (style) {
    case fw::bsNone: return {0, 0};
    case fw::bsSingle:
    case fw::bsToolWindow: return {-::GetSystemMetrics(SM_CXBORDER), -::GetSystemMetrics(SM_CYBORDER)};
    case fw::bsDialog: return {-::GetSystemMetrics(SM_CXDLGFRAME), -::GetSystemMetrics(SM_CYDLGFRAME)};
    default: return {-::GetSystemMetrics(SM_CXFRAME), -::GetSystemMetrics(SM_CYFRAME)};
    }
}

std::string ScreenSuffix() {
    return ScreenSizeSuffix(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
}

WINDOWPLACEMENT PlacementOf(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ::GetWindowPlacement(window, &placement);
    return placement;
}

// A pass's errors end the pass; they reach the user through the application's report.
template <class F>
void Reported(fw::TComponent* sender, F&& f) noexcept {
    try {
        f();
    } catch (...) {
        fw::Application().HandleException(sender);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void TWinMinMaxInfo::Assign(const fw::TPersistent* source) {
    if (auto* other = dynamic_cast<const TWinMinMaxInfo*>(source)) {
        for (int f = 0; f < FieldCount; ++f) Set(static_cast<Field>(f), other->values_[f]);
        return;
    }
    fw::TPersistent::Assign(source);
}

void TWinMinMaxInfo::Set(Field f, std::int32_t value) {
    if (values_[f] == value) return;
    values_[f] = value;
    OnChange(this);
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const noexcept {
    for (std::int32_t v : values_)
        if (v != 0) return false;
    return true;
}

// ---------------------------------------------------------------------------------------------

TFormPlacement::TFormPlacement(fw::TComponent* owner) : fw::TComponent(owner) {
    if (dynamic_cast<fw::TForm*>(owner)) Options = {TPlacementOption::fpState, TPlacementOption::fpPosition};
    minMaxInfo_.OnChange = Bind<&TFormPlacement::MinMaxInfoChanged>(this);
    hook_ = new TWindowHook(this);
    hook_->AfterMessage = Bind<&TFormPlacement::WndMessage>(this);
}

TFormPlacement::~TFormPlacement() {
    MarkDestroying();
    RestoreEvents();
    minMaxInfo_.OnChange.Clear();
    // The watcher goes first, so no message of the form reaches a half-destroyed placement.
    delete std::exchange(hook_, nullptr);
}

fw::TForm* TFormPlacement::Form() const noexcept {
    return dynamic_cast<fw::TForm*>(Owner());
}

std::string TFormPlacement::StoreName() const {
    if (!IniFileName.empty()) return IniFileName;
    return UseRegistry ? DefaultRegistryKey() : DefaultIniFileName();
}

std::unique_ptr<TSettingsStore> TFormPlacement::OpenStore() const {
    if (UseRegistry) return std::make_unique<TRegIniFile>(StoreName());
    return std::make_unique<TIniFile>(StoreName());
}

void TFormPlacement::Loaded() {
    fw::TComponent::Loaded();
    if (Designing()) return;
    if (fw::TForm* form = Form(); form && !eventsTaken_) {
        saveShow_ = std::exchange(form->OnShow, Bind<&TFormPlacement::FormShow>(this));
        saveCloseQuery_ = std::exchange(form->OnCloseQuery, Bind<&TFormPlacement::FormCloseQuery>(this));
        saveDestroy_ = std::exchange(form->OnDestroy, Bind<&TFormPlacement::FormDestroy>(this));
        eventsTaken_ = true;
        defaultMaximize_ = (form->BorderIcons() & fw::biMaximize) != 0;
        if (preventResize_) UpdatePreventResize();
    }
    UpdateHook();
}

void TFormPlacement::RestoreEvents() {
    if (!std::exchange(eventsTaken_, false)) return;
    if (fw::TForm* form = Form()) {
        form->OnShow = saveShow_;
        form->OnCloseQuery = saveCloseQuery_;
        form->OnDestroy = saveDestroy_;
    }
}

void TFormPlacement::UpdateHook() {
    if (!hook_) return;
    bool wanted = preventResize_ || !minMaxInfo_.DefaultMinMaxInfo();
    hook_->SetWinControl(wanted ? Form() : nullptr);
}

void TFormPlacement::SetPreventResize(bool value) {
    if (value == preventResize_) return;
    preventResize_ = value;
    // Loaded applies it once the form exists as described.
    if (Loading() || !eventsTaken_) return;
    UpdatePreventResize();
    ResetMaxPosition();
    UpdateHook();
}

void TFormPlacement::UpdatePreventResize() {
    fw::TForm* form = Form();
    if (!form) return;
    // Changing the border icons may re-create the window, which must not restore or save.
    bool active = std::exchange(Active, false);
    fw::TBorderIcons icons = form->BorderIcons();
    if (preventResize_)
        icons &= ~fw::biMaximize;
    else if (form->BorderStyle() != fw::bsDialog)
        icons = defaultMaximize_ ? (icons | fw::biMaximize) : (icons & ~fw::biMaximize);
    try {
        form->SetBorderIcons(icons);
    } catch (...) {
        Active = active;
        throw;
    }
    Active = active;
}

void TFormPlacement::MinMaxInfoChanged(fw::TObject*) {
    if (Loading() || !eventsTaken_) return;
    ResetMaxPosition();
    UpdateHook();
}

// ---------------------------------------------------------------------------------------------
// The form's events

void TFormPlacement::FormShow(fw::TObject* sender) {
    if (Active) Reported(this, [&] { LoadPlacement(); });
    saveShow_(sender);
}

void TFormPlacement::FormCloseQuery(fw::TObject* sender, bool& canClose) {
    saveCloseQuery_(sender, canClose);
    fw::TForm* form = Form();
    if (!canClose || !Active || !form) return;
    form->Handle();
    Reported(this, [&] { StorePlacement(); });
}

void TFormPlacement::FormDestroy(fw::TObject* sender) {
    if (Active && !saved_) {
        inDestroy_ = true;
        Reported(this, [&] { StorePlacement(); });
        inDestroy_ = false;
    }
    saveDestroy_(sender);
    if (hook_) hook_->SetWinControl(nullptr);
    RestoreEvents();
}

// ---------------------------------------------------------------------------------------------
// Passes

void TFormPlacement::StorePlacement() {
    if (!restored_ && Active) return;
    const fw::TForm* form = Form();
    const fw::NamedLock lock(SettingsLockName(StoreName()),
                             form && form->SessionEnding() ? kSessionEndLockWaitMs : kStoreLockWaitMs);
    store_ = OpenStore();
    try {
        WritePlacementValues();
        NotifySaved();
        saved_ = true;
    } catch (...) {
        store_.reset();
        throw;
    }
    store_.reset();
}

void TFormPlacement::LoadPlacement() {
    saved_ = false;
    {
        const fw::NamedLock lock(SettingsLockName(StoreName()), kStoreLockWaitMs);
        ReadPass();
    }
    ResetMaxPosition();
}

void TFormPlacement::ReadPass() {
    store_ = OpenStore();
    try {
        ReadPlacementValues();
        restored_ = true;
        NotifyRestored();
        if (fw::TForm* form = Form(); form && Options.Has(TPlacementOption::fpActiveControl)) {
            std::string name = store_->ReadText(IniSection, "ActiveControl", std::string());
            auto* control = dynamic_cast<fw::TWinControl*>(form->FindComponent(name));
            if (control && control->CanFocus()) form->SetActiveControl(control);
        }
    } catch (...) {
        store_.reset();
        throw;
    }
    store_.reset();
}

void TFormPlacement::NotifySaved() {
    OnSavePlacement(this);
}

void TFormPlacement::NotifyRestored() {
    OnRestorePlacement(this);
}

void TFormPlacement::WritePlacementValues() {
    fw::TForm* form = Form();
    if (!form) return;
    WritePlacement();
    if (Options.Has(TPlacementOption::fpActiveControl) && form->ActiveControl())
        store_->WriteText(IniSection, "ActiveControl", form->ActiveControl()->Name());
    store_->WriteFlag(IniSection, "Visible", inDestroy_);
}

void TFormPlacement::ReadPlacementValues() {
    if (!Form()) return;
    ReadPlacement(Options.Has(TPlacementOption::fpState), Options.Has(TPlacementOption::fpPosition));
}

void TFormPlacement::WritePosition(const std::string& name, const std::string& text) {
    store_->WriteText(IniSection, name + ScreenSuffix(), text);
    store_->WriteText(IniSection, name, text);
}

std::string TFormPlacement::ReadPosition(const std::string& name) {
    std::string text = store_->ReadText(IniSection, name + ScreenSuffix(), std::string());
    if (text.empty()) text = store_->ReadText(IniSection, name, std::string());
    return text;
}

void TFormPlacement::WritePlacement() {
    fw::TForm* form = Form();
    WINDOWPLACEMENT placement = PlacementOf(form->Handle());
    // The main window minimized stands for the whole program minimized.
    if (form == fw::Screen().MainForm() && ::IsIconic(fw::Application().MainWindow()))
        placement.showCmd = SW_SHOWMINIMIZED;
    store_->WriteNumber(IniSection, "Flags", static_cast<std::int32_t>(placement.flags));
    store_->WriteNumber(IniSection, "ShowCmd", static_cast<std::int32_t>(placement.showCmd));
    WritePosition("MinMaxPos", PositionText(placement.ptMinPosition.x, placement.ptMinPosition.y,
                                            placement.ptMaxPosition.x, placement.ptMaxPosition.y));
    const RECT& r = placement.rcNormalPosition;
    WritePosition("NormPos", PositionText(r.left, r.top, r.right, r.bottom));
}

void TFormPlacement::ReadPlacement(bool loadState, bool loadPosition) {
    if (!loadState && !loadPosition) return;
    fw::TForm* form = Form();
    HWND window = form->Handle();
    WINDOWPLACEMENT placement = PlacementOf(window);
    // Applied while hidden; the form shows itself afterwards in the state chosen below.
    placement.showCmd = SW_HIDE;

    if (loadPosition) {
        bool found = false;
        placement.flags = static_cast<UINT>(
            store_->ReadNumber(IniSection, "Flags", static_cast<std::int32_t>(placement.flags)));
        std::string text = ReadPosition("MinMaxPos");
        if (!text.empty()) {
            found = true;
            placement.ptMinPosition.x = DecimalOr(PositionWord(text, 1), 0);
            placement.ptMinPosition.y = DecimalOr(PositionWord(text, 2), 0);
            placement.ptMaxPosition.x = DecimalOr(PositionWord(text, 3), 0);
            placement.ptMaxPosition.y = DecimalOr(PositionWord(text, 4), 0);
        }
        text = ReadPosition("NormPos");
        if (!text.empty()) {
            found = true;
            RECT& r = placement.rcNormalPosition;
            r.left = DecimalOr(PositionWord(text, 1), form->Left());
            r.top = DecimalOr(PositionWord(text, 2), form->Top());
            r.right = DecimalOr(PositionWord(text, 3), form->Left() + form->Width());
            r.bottom = DecimalOr(PositionWord(text, 4), form->Top() + form->Height());
        }
        if (found) {
            RECT& r = placement.rcNormalPosition;
            // A form that cannot be resized keeps its own size wherever it goes.
            const bool sizeable = form->BorderStyle() == fw::bsSizeable || form->BorderStyle() == fw::bsSizeToolWin;
            const std::int64_t right = sizeable ? r.right : std::int64_t{r.left} + form->Width();
            const std::int64_t bottom = sizeable ? r.bottom : std::int64_t{r.top} + form->Height();
            if (Applicable(r.left, r.top, right, bottom)) {
                r.right = static_cast<LONG>(right);
                r.bottom = static_cast<LONG>(bottom);
                KeepReachable(window, r, sizeable ? MinimumTrackSize(window) : SIZE{form->Width(), form->Height()});
                ::SetWindowPlacement(window, &placement);
            }
        }
    }

    if (loadState) {
        fw::TWindowState state = StateForShowCommand(store_->ReadNumber(IniSection, "ShowCmd", 0));
        if (state == fw::wsMinimized && form == fw::Screen().MainForm()) {
            // The program minimizes itself once the window is up, not the hidden window now.
            form->SetWindowState(fw::wsNormal);
            ::PostMessageA(fw::Application().MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
            return;
        }
        form->SetWindowState(state);
    }
    ::UpdateWindow(window);
}

void TFormPlacement::ResetMaxPosition() {
    fw::TForm* form = Form();
    if (!form || !form->HandleAllocated() || Loading() || preventResize_ || !minMaxInfo_.DefaultMinMaxInfo())
        return;
    HWND window = form->Handle();
    WINDOWPLACEMENT placement = PlacementOf(window);
    if (!::IsWindowVisible(window)) placement.showCmd = SW_HIDE;
    placement.ptMaxPosition = MaxPositionFor(form->BorderStyle());
    ::SetWindowPlacement(window, &placement);
}

void TFormPlacement::WndMessage(fw::TObject*, fw::TMessage& msg, bool& handled) {
    fw::TForm* form = Form();
    if (!form || (!preventResize_ && minMaxInfo_.DefaultMinMaxInfo())) return;
    switch (msg.Msg) {
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
        if (preventResize_) {
            info->ptMinTrackSize = {form->Width(), form->Height()};
            info->ptMaxTrackSize = info->ptMinTrackSize;
        } else {
            auto copy = [&](LONG& to, TWinMinMaxInfo::Field f) {
                if (std::int32_t v = minMaxInfo_.Get(f)) to = v;
            };
            copy(info->ptMinTrackSize.x, TWinMinMaxInfo::MinTrackWidth);
            copy(info->ptMinTrackSize.y, TWinMinMaxInfo::MinTrackHeight);
            copy(info->ptMaxTrackSize.x, TWinMinMaxInfo::MaxTrackWidth);
            copy(info->ptMaxTrackSize.y, TWinMinMaxInfo::MaxTrackHeight);
            copy(info->ptMaxSize.x, TWinMinMaxInfo::MaxSizeWidth);
            copy(info->ptMaxSize.y, TWinMinMaxInfo::MaxSizeHeight);
            copy(info->ptMaxPosition.x, TWinMinMaxInfo::MaxPosLeft);
            copy(info->ptMaxPosition.y, TWinMinMaxInfo::MaxPosTop);
        }
        msg.Result = 0;
        handled = true;
        break;
    }
    case WM_NCHITTEST:
        if (preventResize_ && msg.Result >= HTLEFT && msg.Result <= HTBOTTOMRIGHT) msg.Result = HTNOWHERE;
        break;
    case WM_INITMENUPOPUP:
        if (preventResize_ && HIWORD(msg.LParam)) {
            HMENU menu = ::GetSystemMenu(form->Handle(), FALSE);
            ::EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
            ::EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
        }
        break;
    default: break;
    }
}

// ---------------------------------------------------------------------------------------------

TFormStorage::TFormStorage(fw::TComponent* owner) : TFormPlacement(owner) {}

TFormStorage::~TFormStorage() = default;

const fw::TPropTable* TFormStorage::PublishedProps() const {
    static const fw::TTypeInfo lines{fw::TTypeKind::Class, "TStringList"};
    static const fw::TPropInfo props[] = {
        fw::Publish<TFormStorage>::Object<&TFormStorage::StoredProps>("StoredProps", lines),
    };
    static const fw::TPropTable table{fw::TComponent::PublishedProps(), props};
    return &table;
}

void TFormStorage::SetStoredProps(const fw::TStringList& lines) {
    storedProps_.Assign(&lines);
    NotifyOnRemoval(storedProps_, *this);
}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
    if (Owner()) {
        ResolveStoredProps(storedProps_, *Owner());
        NotifyOnRemoval(storedProps_, *this);
    }
}

void TFormStorage::Notification(fw::TComponent* component, fw::Operation operation) {
    TFormPlacement::Notification(component, operation);
    if (operation == fw::Operation::Remove && !Destroying()) RemoveStoredComponent(storedProps_, component);
}

void TFormStorage::WritePlacementValues() {
    TFormPlacement::WritePlacementValues();
    if (Owner()) StoreProps(*Owner(), storedProps_, IniSection, *Store());
}

void TFormStorage::ReadPlacementValues() {
    TFormPlacement::ReadPlacementValues();
    MarkRestored();
    if (Owner()) LoadProps(*Owner(), storedProps_, IniSection, *Store());
}

}  // namespace sockmere
