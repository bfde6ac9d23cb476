// A DLL that does nothing, copied beside the updater under the names of
// Windows' DLLs: any real DLL would do, as long as the loader would take it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
