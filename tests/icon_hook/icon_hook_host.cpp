// Installs the box-icon hook for every process of the desktop and keeps it in
// place until the program that started this one ends. Built for the bitness of
// the updater under test: a hook DLL is loaded only into processes of its own.
// Arguments: that program's process id and the name of an event to set once
// the hook is in place.
#include <stdio.h>
#include <stdlib.h>

#include "icon_hook/icon_hook.h"

int main(int argc, char **argv)
{
    if (argc != 3) {
        fputs("usage: icon_hook_host PROCESS-ID READY-EVENT\n", stderr);
        return 2;
    }
    HANDLE owner = OpenProcess(SYNCHRONIZE, FALSE, strtoul(argv[1], NULL, 10));
    if (owner == NULL) {
        fprintf(stderr, "icon_hook_host: OpenProcess failed: %lu\n", GetLastError());
        return 1;
    }
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, BoxIconHook, GetModuleHandleA("icon_hook.dll"), 0);
    if (hook == NULL) {
        fprintf(stderr, "icon_hook_host: SetWindowsHookExA failed: %lu\n", GetLastError());
        CloseHandle(owner);
        return 1;
    }
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (ready == NULL || !SetEvent(ready)) {
        fprintf(stderr, "icon_hook_host: OpenEventA or SetEvent failed: %lu\n", GetLastError());
        if (ready != NULL) {
            CloseHandle(ready);
        }
        UnhookWindowsHookEx(hook);
        CloseHandle(owner);
        return 1;
    }
    CloseHandle(ready);
    // Messages pumped while waiting: Windows calls a hook on behalf of a
    // process of the other bitness through the installing thread's queue.
    while (MsgWaitForMultipleObjects(1, &owner, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
    }
    UnhookWindowsHookEx(hook);
    CloseHandle(owner);
    return 0;
}
