// Temporary files removed when the tool is interrupted: by SIGINT, SIGTERM
// or SIGHUP natively, by Ctrl+C, Ctrl+Break or the console closing in
// boxlift.exe. The handler removes every file held and then ends the
// process as the interruption would have without it: with the signal
// natively, with STATUS_CONTROL_C_EXIT (0xC000013A) on Windows.
//
// The handler runs in signal context, so it only reads paths formatted
// beforehand into a small fixed set of slots and removes them (unlink,
// DeleteFileW); holding a path copies it into a free slot.
#pragma once

#include <filesystem>

namespace boxlift {

// Holds one path for removal on interruption, from Hold until Release or
// its end.
class RemovedOnInterrupt {
public:
    RemovedOnInterrupt() = default;
    ~RemovedOnInterrupt() { Release(); }
    RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
    RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;

    // Installs the handlers the first time. A path longer than a slot holds,
    // or one more than the slots hold at once, stays unheld: an interruption
    // leaves that file behind.
    void Hold(const std::filesystem::path& path);
    // The file was renamed or removed: an interruption leaves it alone.
    void Release();

private:
    int slot_ = -1;
};

}  // namespace boxlift

namespace boxlift {

// For the platform's handlers (interrupt_cleanup_posix.cpp,
// interrupt_cleanup_win.cpp): removes every held file; async-signal-safe.
void RemoveHeldFiles() noexcept;

// The platform's side: installs the handlers, once.
void InstallInterruptHandlers();
// Removes one file, in signal context.
void RemoveFileOnInterrupt(const std::filesystem::path::value_type* path) noexcept;

}  // namespace boxlift
