// Stand-ins: the engine check and the disk check pass, and no installer can
// be started yet.
#include "engine/installer_engine.h"

#include "startup/run_state.h"

int CheckInstallerEngine() { return 1; }

int CheckDiskSpace() {
    runState.spaceRequired = 0;
    return 1;
}

BYTE RunInstaller() { return 0; }
