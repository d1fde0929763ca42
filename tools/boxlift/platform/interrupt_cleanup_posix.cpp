// The interruption handlers on POSIX signals.
#include <signal.h>
#include <unistd.h>

#include <mutex>

#include "platform/interrupt_cleanup.h"

namespace boxlift {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnInterrupt(int signal) {
    RemoveHeldFiles();
    // SA_RESETHAND made the action the default again, and the signal is
    // blocked until this returns: then it ends the process as if unhandled.
    ::raise(signal);
}

void InstallHandler(int signal) {
    struct sigaction old {};
    ::sigaction(signal, nullptr, &old);
    if (old.sa_handler == SIG_IGN) return;  // e.g. SIGHUP under nohup: stays ignored
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    ::sigemptyset(&action.sa_mask);
    for (int other : kSignals) ::sigaddset(&action.sa_mask, other);  // one handler at a time
    action.sa_flags = SA_RESETHAND;
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

void InstallInterruptHandlers() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        for (int signal : kSignals) InstallHandler(signal);
    });
}

void RemoveFileOnInterrupt(const char* path) noexcept { ::unlink(path); }

}  // namespace boxlift
