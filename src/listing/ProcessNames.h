#pragma once
// The programs behind process IDs: their names from one snapshot of the system's process list,
// and the full path of a running process's executable, both in UTF-8 with every character.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sockmere {

class ProcessNames {
public:
    // Knows no process.
    ProcessNames() = default;
    // The processes running now that were already running at listedAt, when the listing whose
    // IDs they are to name began: a later one cannot be the owner the listing saw. None when the
    // system gives no snapshot.
    static ProcessNames Snapshot(const FILETIME& listedAt);

    // The executable's file name of the process that had the decimal ID pid when the snapshot was
    // taken; empty when no process had it or it started after the listing began.
    std::string_view Find(std::string_view pid) const noexcept;
    // When the listing began, in system time.
    const FILETIME& ListedAt() const noexcept { return listedAt_; }

    // A process as a snapshot finds it; the entries are ordered by Finish.
    void Add(DWORD pid, std::string_view name, std::string_view path = {});
    void Finish();
    // Each process's ID, name and full path (empty where the snapshot took none), by ID.
    template <class F>
    void ForEach(F&& visit) const {
        for (const Entry& e : entries_)
            visit(e.pid, std::string_view(names_).substr(e.at, e.size),
                  std::string_view(names_).substr(e.at + e.size, e.pathSize));
    }

    // Sees each snapshot on the thread that took it, and is why snapshots carry the paths.
    class Companion {
    public:
        virtual void Taken(const ProcessNames& names) = 0;

    protected:
        ~Companion() = default;
    };
    // One at a time, or none; once it returns, no snapshot uses the one before.
    static void SetCompanion(Companion* companion) noexcept;

private:
    struct Entry {
        DWORD pid;
        std::uint32_t at, size;  // the name's place in names_, the path right after it
        std::uint32_t pathSize;
    };
    std::vector<Entry> entries_;  // ordered by pid
    std::string names_;
    FILETIME listedAt_{};
};

// A process ID in decimal; false for anything else, such as an empty text or one past 32 bits.
bool ParseProcessId(std::string_view text, DWORD& id) noexcept;

// The full path of the executable of the process with the decimal ID pid, asked for with the
// least access; empty when the system does not give it (no such process, access denied) or
// when that process started after listedAt, so the ID now belongs to another program.
std::string ProcessImagePath(std::string_view pid, const FILETIME& listedAt);

}  // namespace sockmere
