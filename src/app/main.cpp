// Process entry: keeps a second copy of the updater from working at the same
// time, runs the update once and always exits with 0; only the boxes tell.
#include "app/update_run.h"
#include "platform/system_dlls.h"
#include "platform/win32.h"

// Recognised by existence alone: created without ownership and never waited on.
static HANDLE updaterGuard;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // First of all, so that no DLL from beside the updater ever runs. Without
    // these DLLs no box can be shown: the run ends quietly, having touched nothing.
    if (!LoadSystemDlls()) {
        return 0;
    }

    updaterGuard = CreateMutexA(NULL, FALSE, "KESTAL_Updater");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(updaterGuard);
        return 0;
    }

    // A guard that could not be created is not reported: the update runs unguarded.
    RunUpdate();

    if (updaterGuard != NULL) {
        ReleaseMutex(updaterGuard);
        CloseHandle(updaterGuard);
    }
    return 0;
}
