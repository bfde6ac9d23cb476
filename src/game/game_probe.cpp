// The running-game probe: one look for the game's named mutex and, only when
// that exists, for its window, holding nothing afterwards.
#include "game/game_probe.h"

#include <stdio.h>

#include "platform/win32.h"
#include "util/mbstring.h"

char gameInstanceName[273];

// Non-null only while IsGameRunning runs: the mutex this probe created itself.
static HANDLE probeMutex;

int FormGameInstanceName(const char *installDir)
{
    int written = snprintf(gameInstanceName, sizeof gameInstanceName, "%s%s", installDir, GAME_EXECUTABLE);
    if (written < 0 || (size_t)written >= sizeof gameInstanceName) {
        // A cut name could belong to another folder: leave none rather than a wrong one.
        gameInstanceName[0] = '\0';
        return 0;
    }
    MbsToLower(gameInstanceName);
    // The name must not read as a path; a 0x5C that ends a two-byte character stays.
    MbsReplaceChar(gameInstanceName, '\\', ':');
    return 1;
}

signed char IsGameRunning(const char *name)
{
    probeMutex = CreateMutexA(NULL, FALSE, name);
    if (probeMutex == NULL) {
        return -1;
    }
    signed char result = 0;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Someone else made the mutex: ours is not needed for the window lookup.
        CloseHandle(probeMutex);
        probeMutex = NULL;
        // By class, not by title: a window merely titled like that is not the game.
        result = FindWindowA(name, NULL) != NULL ? 1 : 0;
    }
    ReleaseGameProbe();
    return result;
}

void ReleaseGameProbe()
{
    if (probeMutex != NULL) {
        // Never owned, so ReleaseMutex fails; both results are of no use here.
        ReleaseMutex(probeMutex);
        CloseHandle(probeMutex);
        probeMutex = NULL;
    }
}
