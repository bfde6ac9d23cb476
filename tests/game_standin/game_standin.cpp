// Stands in for the running game in the tests: holds, under one name, what its
// command line asks for, signals that it is ready and stays until it is killed.
//
//   game_standin.exe READY_EVENT WHAT NAME
//
// WHAT is "-" and then any of: m a mutex named NAME, c a top-level window of
// class NAME, t a top-level window titled NAME (of another class), e an event
// named NAME. The "-" keeps the argument from being empty.
// READY_EVENT is an event the test made; it is set once all of that exists.
#include <string.h>

#include "platform/win32.h"

static LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

static bool OpenWindow(const char *className, const char *title)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StandInProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = className;
    if (RegisterClassA(&windowClass) == 0) {
        return false;
    }
    return CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL,
                           windowClass.hInstance, NULL) != NULL;
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        return 2;
    }
    const char *what = argv[2];
    const char *name = argv[3];
    // Each object stays open until the process ends.
    if (strchr(what, 'm') != NULL && CreateMutexA(NULL, TRUE, name) == NULL) {
        return 3;
    }
    if (strchr(what, 'e') != NULL && CreateEventA(NULL, TRUE, FALSE, name) == NULL) {
        return 4;
    }
    if (strchr(what, 'c') != NULL && !OpenWindow(name, "Calvento stand-in")) {
        return 5;
    }
    if (strchr(what, 't') != NULL && !OpenWindow("CalventoStandInTitled", name)) {
        return 6;
    }
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    if (ready == NULL || !SetEvent(ready)) {
        return 7;
    }
    CloseHandle(ready);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
