#pragma once
// The programs' small icons for the table's Process column: looked up from each program's path
// on the thread that takes the process snapshot, once per distinct path, and kept in one image
// list of at most kMaxIcons, where the icons unused longest go first.
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/Handles.h"
#include "framework/Sync.h"
#include "listing/ProcessNames.h"

namespace sockmere {

class ProgramIcons final : public ProcessNames::Companion {
public:
    static constexpr int kMaxIcons = 512;

    // Icons of 16 px at 96 DPI, scaled to dpi; snapshots carry paths from now on.
    explicit ProgramIcons(int dpi);
    // Snapshots carry no paths any more.
    ~ProgramIcons();
    ProgramIcons(const ProgramIcons&) = delete;
    ProgramIcons& operator=(const ProgramIcons&) = delete;

    HIMAGELIST Images() const noexcept { return images_.Get(); }
    // True when the icons' size changed: the image list is a new one, and every icon is looked
    // up again with the next snapshot.
    bool SetDpi(int dpi);
    // Takes in the icons looked up with names and gives each of its processes its image.
    void Apply(const ProcessNames& names);
    // The image of the process with the decimal ID pid as the names last applied give it: its
    // program's icon, the default one where it has a name but no path or icon, -1 without a name.
    int ImageOf(std::string_view pid) const noexcept;

    // On the snapshot's thread: looks up the icons of the paths not seen before.
    void Taken(const ProcessNames& names) override;

private:
    // A distinct path seen in a snapshot: its icon, once looked up, and its image once taken in.
    struct Program {
        std::string path;
        fw::IconOwner icon;    // looked up and not yet taken in
        bool looked = false;
        int image = -1;        // -1 until taken in, then 0 (the default icon) or its own
        unsigned used = 0;     // the last Apply whose names had it
    };

    void Reset(int size);
    // Where the program with this path is or would go, by path; under lock_.
    std::vector<Program>::iterator Seek(std::string_view path) noexcept;
    // An image for a new icon: a new one, else that of the program unused longest (which is then
    // forgotten, to be looked up again when it comes back), else 0.
    int Place();

    // Shared with the snapshot's thread under lock_.
    fw::CriticalSection lock_;
    int size_ = 16;
    std::vector<Program> programs_;  // by path

    // The GUI thread's own. Image 0 is the default icon.
    fw::ImageListOwner images_;
    int imageCount_ = 1;
    unsigned applied_ = 0;
    std::vector<std::pair<DWORD, int>> imageOf_;  // by pid
};

}  // namespace sockmere
