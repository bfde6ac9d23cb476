// The updater may run elevated from a Downloads folder, where a web page may
// have left a DLL. Only kernel32 and the C runtime, which Windows always takes
// from the system folder, are imported; the other DLLs are loaded here, from
// the system folder only, and nothing is loaded from beside the updater.
#include "platform/system_dlls.h"

#include <stdio.h>

#include "platform/win32.h"

// Every call of MessageBoxA elsewhere reads its address from __imp_MessageBoxA
// (on i686 __imp__MessageBoxA@16: the argument bytes), as for any DLL import.
// Those import slots are defined here, so that the image imports none of these
// DLLs; LoadSystemDlls fills them as the loader would have.
#ifdef _WIN64
#define IMPORT_SLOT(name, argumentBytes) __asm__("__imp_" #name)
#else
#define IMPORT_SLOT(name, argumentBytes) __asm__("__imp__" #name "@" #argumentBytes)
#endif

FARPROC regOpenKeyExASlot IMPORT_SLOT(RegOpenKeyExA, 20) = NULL;
FARPROC regQueryValueExASlot IMPORT_SLOT(RegQueryValueExA, 24) = NULL;
FARPROC shGetSpecialFolderPathASlot IMPORT_SLOT(SHGetSpecialFolderPathA, 16) = NULL;
FARPROC findWindowASlot IMPORT_SLOT(FindWindowA, 8) = NULL;
FARPROC messageBoxASlot IMPORT_SLOT(MessageBoxA, 16) = NULL;

// msimg32 provides nothing the updater calls. uxtheme loads it through a delayed
// import when a box is drawn, and Wine searches beside the program for such an
// import whatever the default directories say; loaded here first, it is found
// among the loaded modules instead.
static const char *const systemDlls[] = {"advapi32.dll", "shell32.dll", "user32.dll", "msimg32.dll"};

struct SystemFunction {
    int dll; // index into systemDlls
    const char *name;
    FARPROC *slot;
};

static const SystemFunction systemFunctions[] = {
    {0, "RegOpenKeyExA", &regOpenKeyExASlot},
    {0, "RegQueryValueExA", &regQueryValueExASlot},
    {1, "SHGetSpecialFolderPathA", &shGetSpecialFolderPathASlot},
    {2, "FindWindowA", &findWindowASlot},
    {2, "MessageBoxA", &messageBoxASlot},
};

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD directoryFlags);

int LoadSystemDlls()
{
    // Windows 8 and later, and Windows 7 with update KB2533623: from here on,
    // every DLL that anyone in the process loads by name comes from the system folder.
    SetDefaultDllDirectoriesFunction setDefaultDllDirectories = (SetDefaultDllDirectoriesFunction)(void (*)(void))
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    int systemFolderOnly =
        setDefaultDllDirectories != NULL && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Takes the current directory out of the search where the call above is
    // missing; a failure leaves it there, and the loads below name their folder anyway.
    SetDllDirectoryA("");

    // 260 bytes: the system folder, a backslash and a DLL's name.
    char path[MAX_PATH];
    UINT folderLength = GetSystemDirectoryA(path, sizeof path);
    if (folderLength == 0 || folderLength >= sizeof path) {
        return 0;
    }
    HMODULE modules[sizeof systemDlls / sizeof systemDlls[0]];
    for (size_t i = 0; i < sizeof systemDlls / sizeof systemDlls[0]; ++i) {
        int written = snprintf(path + folderLength, sizeof path - folderLength, "\\%s", systemDlls[i]);
        if (written < 0 || (size_t)written >= sizeof path - folderLength) {
            return 0;
        }
        // By full path. The DLL's own imports come from the system folder too;
        // without SetDefaultDllDirectories, from the DLL's folder instead of the updater's.
        modules[i] = LoadLibraryExA(path, NULL,
                                    systemFolderOnly ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH);
        if (modules[i] == NULL) {
            return 0;
        }
    }
    // The modules stay loaded until the process ends.
    for (const SystemFunction &function : systemFunctions) {
        *function.slot = GetProcAddress(modules[function.dll], function.name);
        if (*function.slot == NULL) {
            return 0;
        }
    }
    return 1;
}
