#include "ui/ProgramIcons.h"

#include <objbase.h>
#include <shellapi.h>

#include <algorithm>

#include "framework/DpiScale.h"
#include "framework/Library.h"
#include "framework/WideText.h"

namespace sockmere {
namespace {

// The shell and COM are loaded with the first icon, not at every start.
using FileInfoProc = DWORD_PTR(WINAPI*)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT);
using ComStartProc = HRESULT(WINAPI*)(LPVOID, DWORD);
using ComEndProc = void(WINAPI*)();

// The system's small icon for a file, at the size nearest to size; null when it has none.
HICON FileIcon(const std::string& path, int size) {
    static const auto proc = fw::LibraryProc<FileInfoProc>("shell32.dll", "SHGetFileInfoW");
    SHFILEINFOW info{};
    const UINT which = size > ::GetSystemMetrics(SM_CXSMICON) ? SHGFI_LARGEICON : SHGFI_SMALLICON;
    if (!proc || !proc(fw::WideFromUtf8(path).c_str(), 0, &info, sizeof info, SHGFI_ICON | which)) return nullptr;
    return info.hIcon;
}

}  // namespace

ProgramIcons::ProgramIcons(int dpi) {
    Reset(fw::ScaleLength(16, dpi));
    ProcessNames::SetCompanion(this);
}

ProgramIcons::~ProgramIcons() {
    ProcessNames::SetCompanion(nullptr);
}

bool ProgramIcons::SetDpi(int dpi) {
    const int size = fw::ScaleLength(16, dpi);
    if (size == size_) return false;
    Reset(size);
    return true;
}

void ProgramIcons::Reset(int size) {
    {
        fw::Lock lock(lock_);
        size_ = size;
        programs_.clear();
    }
    images_.Reset(::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 16, 16));
    imageCount_ = 1;
    imageOf_.clear();
    const HICON standard = static_cast<HICON>(::LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON, size, size,
                                                           LR_SHARED));  // IDI_APPLICATION
    ::ImageList_ReplaceIcon(images_.Get(), -1, standard);
}

std::vector<ProgramIcons::Program>::iterator ProgramIcons::Seek(std::string_view path) noexcept {
    return std::lower_bound(programs_.begin(), programs_.end(), path,
                            [](const Program& p, std::string_view v) { return p.path < v; });
}

void ProgramIcons::Taken(const ProcessNames& names) {
    std::vector<std::string> wanted;
    int size = 0;
    {
        fw::Lock lock(lock_);
        size = size_;
        names.ForEach([&](DWORD, std::string_view, std::string_view path) {
            const auto it = Seek(path);
            if (path.empty() || (it != programs_.end() && it->path == path)) return;
            programs_.insert(it, Program{std::string(path), {}});
            wanted.emplace_back(path);
        });
    }
    if (wanted.empty()) return;
    // The shell wants COM on the thread that asks it.
    static const auto comStart = fw::LibraryProc<ComStartProc>("ole32.dll", "CoInitializeEx");
    static const auto comEnd = fw::LibraryProc<ComEndProc>("ole32.dll", "CoUninitialize");
    const HRESULT com = comStart ? comStart(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE) : E_FAIL;
    std::vector<fw::IconOwner> icons;
    for (const std::string& path : wanted) icons.emplace_back(FileIcon(path, size));
    if (SUCCEEDED(com) && comEnd) comEnd();
    fw::Lock lock(lock_);
    for (std::size_t i = 0; i < wanted.size() && size == size_; ++i) {
        // Gone when a reset meanwhile made the icons the wrong size.
        const auto it = Seek(wanted[i]);
        if (it == programs_.end() || it->path != wanted[i]) continue;
        it->icon = std::move(icons[i]);
        it->looked = true;
    }
}

int ProgramIcons::Place() {
    if (imageCount_ < kMaxIcons) return imageCount_++;
    Program* oldest = nullptr;
    for (Program& p : programs_)
        if (p.image > 0 && (!oldest || p.used < oldest->used)) oldest = &p;
    if (!oldest || oldest->used == applied_) return 0;
    return std::exchange(oldest->image, -2);
}

void ProgramIcons::Apply(const ProcessNames& names) {
    ++applied_;
    fw::Lock lock(lock_);
    names.ForEach([&](DWORD, std::string_view, std::string_view path) {
        if (const auto it = Seek(path); it != programs_.end() && it->path == path) it->used = applied_;
    });
    for (Program& p : programs_) {
        if (!p.looked || p.image != -1) continue;
        const fw::IconOwner icon = std::move(p.icon);
        // Without an icon of its own, a program shows the default one.
        p.image = icon ? Place() : 0;
        if (p.image > 0)
            ::ImageList_ReplaceIcon(images_.Get(), p.image < ::ImageList_GetImageCount(images_.Get()) ? p.image : -1,
                                    icon.Get());
    }
    std::erase_if(programs_, [](const Program& p) { return p.image == -2; });
    imageOf_.clear();
    names.ForEach([&](DWORD pid, std::string_view name, std::string_view path) {
        if (name.empty()) return;
        const auto it = path.empty() ? programs_.end() : Seek(path);
        imageOf_.emplace_back(pid, it != programs_.end() && it->path == path && it->image > 0 ? it->image : 0);
    });
}

int ProgramIcons::ImageOf(std::string_view pid) const noexcept {
    DWORD id = 0;
    if (!ParseProcessId(pid, id)) return -1;
    const auto it = std::lower_bound(imageOf_.begin(), imageOf_.end(), std::make_pair(id, -1));
    return it != imageOf_.end() && it->first == id ? it->second : -1;
}

}  // namespace sockmere
