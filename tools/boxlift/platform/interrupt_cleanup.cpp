// The slots of the paths removed on interruption, shared by the platform's
// handlers.
#include "platform/interrupt_cleanup.h"

#include <algorithm>
#include <array>
#include <atomic>

namespace boxlift {
namespace {

using PathChar = std::filesystem::path::value_type;

// A slot is free, claimed (its path being written), or live (its path
// complete: the handler removes it).
enum SlotState : int { kFree, kClaimed, kLive };
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the states");

struct Slot {
    std::atomic<int> state{kFree};
    std::array<PathChar, 4096> path{};  // NUL-terminated
};

// The tool writes one output at a time; a few slots leave room.
std::array<Slot, 8> slots;

}  // namespace

void RemovedOnInterrupt::Hold(const std::filesystem::path& path) {
    Release();
    const auto& native = path.native();
    if (native.size() >= slots[0].path.size()) return;
    InstallInterruptHandlers();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kClaimed)) continue;
        *std::ranges::copy(native, slots[i].path.begin()).out = PathChar{};
        slots[i].state.store(kLive, std::memory_order_release);
        slot_ = static_cast<int>(i);
        return;
    }
}

void RemovedOnInterrupt::Release() {
    if (slot_ < 0) return;
    slots[static_cast<std::size_t>(slot_)].state.store(kFree, std::memory_order_release);
    slot_ = -1;
}

void RemoveHeldFiles() noexcept {
    for (const Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == kLive)
            RemoveFileOnInterrupt(slot.path.data());
}

}  // namespace boxlift
