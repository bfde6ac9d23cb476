// The failing-DLL seam of UpdaterDllFail.exe: the updater's LoadLibraryExA
// comes here, and fails for the DLL that the environment names.
#include <string.h>

#include "platform/win32.h"
#include "support/failing_dll_load.h"
#include "support/import_seam.h"

extern "C" {
extern HMODULE(WINAPI *realLoadLibraryExA)(LPCSTR, HANDLE, DWORD) __asm__(IMPORT_SEAM(__real, LoadLibraryExA, 12));
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
    return realLoadLibraryExA(path, file, flags);
}

extern "C" {
extern HMODULE(WINAPI *wrapLoadLibraryExA)(LPCSTR, HANDLE, DWORD) __asm__(IMPORT_SEAM(__wrap, LoadLibraryExA, 12));
HMODULE(WINAPI *wrapLoadLibraryExA)(LPCSTR, HANDLE, DWORD) = FailingLoadLibraryExA;
}
