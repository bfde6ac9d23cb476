// The old-save purge: lists the save folder and deletes what it lists.
#include "game/purge.h"

#include <string.h>

#include "game/save_location.h"
#include "platform/win32.h"
#include "util/file_lister.h"
#include "util/mbstring.h"

// GetFinalPathNameByHandleA, looked up when the purge runs under Wine: Windows
// XP lacks it, and there no file link can lead out of the folder anyway.
typedef DWORD(WINAPI *FinalPathFunction)(HANDLE file, LPSTR path, DWORD size, DWORD flags);

// 1024 bytes: a path with every link resolved, as "\\?\C:\..." and its terminator.
enum { FINAL_PATH_SIZE = 1024 };

// Writes where `path` really lies, links resolved, into `finalPath`
// (FINAL_PATH_SIZE bytes); 0 when Windows cannot tell.
static int GetFinalPath(FinalPathFunction getFinalPath, const char *path, char *finalPath)
{
    // No access asked for, and all sharing allowed: a file in use can still be named.
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    DWORD length = getFinalPath(file, finalPath, FINAL_PATH_SIZE, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(file);
    return length > 0 && length < FINAL_PATH_SIZE;
}

// Cuts `path` at its last separator; a 0x5C that ends a two-byte character is none.
static void CutAtLastSeparator(char *path)
{
    char *last = NULL;
    for (char *position = path; *position != '\0'; ++position) {
        if (IsLeadByte(*position) && position[1] != '\0') {
            ++position;
        } else if (*position == '\\') {
            last = position;
        }
    }
    if (last != NULL) {
        *last = '\0';
    }
}

// 1 when the listed `path` is shown to be a link to a file outside the save
// folder, whose final path is `folderFinal`. Wine deletes such a link's target,
// not the link, and so would delete a file outside the folder. 0 when it lies
// in the folder, and when Windows cannot tell.
static int LeadsOutside(FinalPathFunction getFinalPath, const char *path, const char *folderFinal)
{
    char fileFinal[FINAL_PATH_SIZE];
    if (!GetFinalPath(getFinalPath, path, fileFinal)) {
        return 0;
    }
    CutAtLastSeparator(fileFinal);
    return strcmp(fileFinal, folderFinal) != 0;
}

// 1 under Wine, whose ntdll.dll alone exports wine_get_version. Wine's
// DeleteFileA deletes a link's target; Windows' deletes the link itself.
static int RunsUnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != NULL && GetProcAddress(ntdll, "wine_get_version") != NULL;
}

int PurgeOldSaves()
{
    FileListRequest request;
    memset(&request, 0, sizeof request);
    // A save folder longer than the lister takes (it can reach 302 characters)
    // is left alone, as a missing one is: a cut path would name another folder.
    size_t length = strlen(saveFolder);
    if (length >= sizeof request.folder) {
        return 0;
    }
    memcpy(request.folder, saveFolder, length + 1);
    memcpy(request.suffixes[0], ".sd", sizeof ".sd");
    request.suffixCount = 1;
    request.limit = 8192;
    request.sortResults = 0;

    if (ListFiles(&request) != 0) {
        return -1;
    }

    // Only Wine needs every listed file's final path; on Windows each goes
    // straight to DeleteFileA.
    FinalPathFunction getFinalPath = NULL;
    if (RunsUnderWine()) {
        getFinalPath = (FinalPathFunction)(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                         "GetFinalPathNameByHandleA");
    }
    char folderFinal[FINAL_PATH_SIZE];
    int folderKnown = getFinalPath != NULL && GetFinalPath(getFinalPath, saveFolder, folderFinal);

    // The array and its paths are not released: the process ends right after the run.
    for (int i = 0; i < request.resultCount; ++i) {
        if (folderKnown && LeadsOutside(getFinalPath, request.results[i], folderFinal)) {
            continue;
        }
        // A file that cannot be deleted (read-only, in use) stays, unreported.
        DeleteFileA(request.results[i]);
    }
    return 0;
}
