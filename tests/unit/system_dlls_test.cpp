// The loading of Windows' DLLs at the updater's start, its calls into Windows
// watched and made to fail through link-time seams (see tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "platform/system_dlls.h"
#include "platform/win32.h"
#include "support/import_seam.h"

extern "C" {
extern HMODULE(WINAPI *realLoadLibraryExA)(LPCSTR, HANDLE, DWORD) __asm__(IMPORT_SEAM(__real, LoadLibraryExA, 12));
extern FARPROC(WINAPI *realGetProcAddress)(HMODULE, LPCSTR) __asm__(IMPORT_SEAM(__real, GetProcAddress, 8));
extern BOOL(WINAPI *realSetDllDirectoryA)(LPCSTR) __asm__(IMPORT_SEAM(__real, SetDllDirectoryA, 4));
// The import slots that LoadSystemDlls fills, by their linker names.
extern FARPROC messageBoxASlot __asm__(IMPORT_SLOT_NAME(MessageBoxA, 16));
extern FARPROC regQueryValueExASlot __asm__(IMPORT_SLOT_NAME(RegQueryValueExA, 24));
}

namespace {

// What a row makes Windows do, and what the seams saw.
bool watching;
bool noDefaultDirectories;       // SetDefaultDllDirectories is missing, as before Windows 8
const char *failingDll;          // LoadLibraryExA fails for this file name
const char *missingFunction;     // GetProcAddress finds no function of this name
std::vector<std::string> loads;  // "path|flags" of every LoadLibraryExA call
std::vector<DWORD> defaultDirectories; // the flags of every SetDefaultDllDirectories call
std::vector<std::string> dllDirectories;

// Records the flags and leaves the test's own search as it was.
BOOL WINAPI RecordingSetDefaultDllDirectories(DWORD flags)
{
    defaultDirectories.push_back(flags);
    return TRUE;
}

HMODULE WINAPI WatchedLoadLibraryExA(LPCSTR path, HANDLE file, DWORD flags)
{
    if (watching) {
        loads.push_back(std::string(path) + "|" + std::to_string(flags));
        const char *name = strrchr(path, '\\');
        if (failingDll != NULL && name != NULL && _stricmp(name + 1, failingDll) == 0) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return NULL;
        }
    }
    return realLoadLibraryExA(path, file, flags);
}

FARPROC WINAPI WatchedGetProcAddress(HMODULE module, LPCSTR name)
{
    // An ordinal is no text.
    if (watching && ((ULONG_PTR)name >> 16) != 0) {
        if (strcmp(name, "SetDefaultDllDirectories") == 0) {
            return noDefaultDirectories ? NULL : (FARPROC)(void (*)(void))RecordingSetDefaultDllDirectories;
        }
        if (missingFunction != NULL && strcmp(name, missingFunction) == 0) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return NULL;
        }
    }
    return realGetProcAddress(module, name);
}

BOOL WINAPI WatchedSetDllDirectoryA(LPCSTR folder)
{
    if (watching) {
        dllDirectories.push_back(folder == NULL ? "<null>" : folder);
    }
    return realSetDllDirectoryA(folder);
}

} // namespace

extern "C" {
extern HMODULE(WINAPI *wrapLoadLibraryExA)(LPCSTR, HANDLE, DWORD) __asm__(IMPORT_SEAM(__wrap, LoadLibraryExA, 12));
extern FARPROC(WINAPI *wrapGetProcAddress)(HMODULE, LPCSTR) __asm__(IMPORT_SEAM(__wrap, GetProcAddress, 8));
extern BOOL(WINAPI *wrapSetDllDirectoryA)(LPCSTR) __asm__(IMPORT_SEAM(__wrap, SetDllDirectoryA, 4));
HMODULE(WINAPI *wrapLoadLibraryExA)(LPCSTR, HANDLE, DWORD) = WatchedLoadLibraryExA;
FARPROC(WINAPI *wrapGetProcAddress)(HMODULE, LPCSTR) = WatchedGetProcAddress;
BOOL(WINAPI *wrapSetDllDirectoryA)(LPCSTR) = WatchedSetDllDirectoryA;
}

namespace {

struct LoadCase {
    const char *name;
    bool noDefaultDirectories;
    const char *failingDll;
    const char *missingFunction;
    int result;
    DWORD loadFlags; // of every load made
    size_t loadCount;
};

void PrintTo(const LoadCase &c, std::ostream *os)
{
    *os << c.name;
}

const DWORD kSystemFolderOnly = LOAD_LIBRARY_SEARCH_SYSTEM32;
const DWORD kBesideTheDll = LOAD_WITH_ALTERED_SEARCH_PATH;

const LoadCase kLoadCases[] = {
    {"FromTheSystemFolderOnly", false, NULL, NULL, 1, kSystemFolderOnly, 4},
    // Windows 7 without update KB2533623: each DLL's imports come from its own folder.
    {"WithoutDefaultDirectoriesFromTheDllsFolder", true, NULL, NULL, 1, kBesideTheDll, 4},
    // A DLL that cannot be loaded ends the loading there.
    {"Advapi32Missing", false, "advapi32.dll", NULL, 0, kSystemFolderOnly, 1},
    {"Shell32Missing", false, "shell32.dll", NULL, 0, kSystemFolderOnly, 2},
    {"User32Missing", false, "user32.dll", NULL, 0, kSystemFolderOnly, 3},
    {"Msimg32Missing", true, "msimg32.dll", NULL, 0, kBesideTheDll, 4},
    {"RegQueryValueExAMissing", false, NULL, "RegQueryValueExA", 0, kSystemFolderOnly, 4},
    {"MessageBoxAMissing", false, NULL, "MessageBoxA", 0, kSystemFolderOnly, 4},
};

class SystemDlls : public testing::TestWithParam<LoadCase> {
protected:
    void TearDown() override
    {
        watching = false;
        noDefaultDirectories = false;
        failingDll = NULL;
        missingFunction = NULL;
        loads.clear();
        defaultDirectories.clear();
        dllDirectories.clear();
    }
};

TEST_P(SystemDlls, LoadOnlyFromTheSystemFolder)
{
    const LoadCase &c = GetParam();
    char systemFolder[MAX_PATH];
    UINT length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof systemFolder);
    messageBoxASlot = NULL;
    regQueryValueExASlot = NULL;

    noDefaultDirectories = c.noDefaultDirectories;
    failingDll = c.failingDll;
    missingFunction = c.missingFunction;
    watching = true;
    int result = LoadSystemDlls();
    watching = false;

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(defaultDirectories, c.noDefaultDirectories ? std::vector<DWORD>{}
                                                         : std::vector<DWORD>{LOAD_LIBRARY_SEARCH_SYSTEM32});
    EXPECT_EQ(dllDirectories, std::vector<std::string>{""});
    // Every DLL by its full path in the system folder, in this order.
    const char *const dlls[] = {"advapi32.dll", "shell32.dll", "user32.dll", "msimg32.dll"};
    std::vector<std::string> expected;
    for (size_t i = 0; i < c.loadCount; ++i) {
        expected.push_back(std::string(systemFolder) + "\\" + dlls[i] + "|" + std::to_string(c.loadFlags));
    }
    EXPECT_EQ(loads, expected);
    if (c.result == 1) {
        // The slots hold what the loader would have put there.
        EXPECT_EQ(messageBoxASlot, realGetProcAddress(GetModuleHandleA("user32.dll"), "MessageBoxA"));
        EXPECT_EQ(regQueryValueExASlot,
                  realGetProcAddress(GetModuleHandleA("advapi32.dll"), "RegQueryValueExA"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SystemDlls, testing::ValuesIn(kLoadCases),
                         [](const testing::TestParamInfo<LoadCase> &info) { return std::string(info.param.name); });

} // namespace
