// Stands in for the running game in the demo: holds the named mutex and a hidden
// top-level window of the class that the updater's running-game check looks for.
#include <stdio.h>

#include "platform/win32.h"

// argv[1]: the probe name, the game's executable path lowered with every
// backslash turned into a colon. Runs until it is ended from outside.
int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: demo_game.exe PROBE_NAME\n");
        return 2;
    }
    const char *name = argv[1];
    HANDLE mutex = CreateMutexA(NULL, FALSE, name);
    if (mutex == NULL) {
        fprintf(stderr, "CreateMutexA failed: %lu\n", GetLastError());
        return 1;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = name;
    if (RegisterClassA(&windowClass) == 0) {
        fprintf(stderr, "RegisterClassA failed: %lu\n", GetLastError());
        CloseHandle(mutex);
        return 1;
    }
    // Never shown: the check finds a window by its class, visible or not, and
    // the screenshots stay free of it.
    HWND window = CreateWindowA(name, "Calvento", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, NULL, NULL,
                                windowClass.hInstance, NULL);
    if (window == NULL) {
        fprintf(stderr, "CreateWindowA failed: %lu\n", GetLastError());
        CloseHandle(mutex);
        return 1;
    }
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    DestroyWindow(window);
    CloseHandle(mutex);
    return 0;
}
