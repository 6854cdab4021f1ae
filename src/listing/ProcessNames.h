#pragma once
// The programs behind process IDs: their names from one snapshot of the system's process list,
// and the full path of a running process's executable.
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
    // The processes running now; none when the system gives no snapshot.
    static ProcessNames Snapshot();

    // The executable's file name of the process that had the decimal ID pid when the snapshot was
    // taken; empty when no process had it.
    std::string_view Find(std::string_view pid) const noexcept;
    // When the snapshot was taken, in system time.
    const FILETIME& TakenAt() const noexcept { return takenAt_; }

private:
    struct Entry {
        DWORD pid;
        std::uint32_t at, size;  // the name's place in names_
    };
    std::vector<Entry> entries_;  // ordered by pid
    std::string names_;
    FILETIME takenAt_{};
};

// The full path of the executable of the process with the decimal ID pid, asked for with the
// least access; empty when the system does not give it (no such process, access denied) or
// when that process started after startedBy, so the ID now belongs to another program.
std::string ProcessImagePath(std::string_view pid, const FILETIME& startedBy);

}  // namespace sockmere
