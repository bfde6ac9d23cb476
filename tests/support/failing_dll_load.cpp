// The failing-DLL seam of UpdaterDllFail.exe: the updater's LoadLibraryExA
// comes here, and fails for the DLL that the environment names.
#include <string.h>

#include "platform/win32.h"
#include "support/failing_dll_load.h"

extern "C" {
extern HMODULE(WINAPI *__real___imp_LoadLibraryExA)(LPCSTR, HANDLE, DWORD);
}

static HMODULE WINAPI FailingLoadLibraryExA(LPCSTR path, HANDLE file, DWORD flags)
{
    // 32 bytes: a DLL's file name and its terminator.
    char failing[32];
    DWORD length = GetEnvironmentVariableA(FAIL_DLL_VARIABLE, failing, sizeof failing);
    const char *name = strrchr(path, '\\');
    if (length > 0 && length < sizeof failing && _stricmp(name != NULL ? name + 1 : path, failing) == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    return __real___imp_LoadLibraryExA(path, file, flags);
}

extern "C" {
HMODULE(WINAPI *__wrap___imp_LoadLibraryExA)(LPCSTR, HANDLE, DWORD) = FailingLoadLibraryExA;
}
