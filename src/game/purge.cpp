// The old-save purge: lists the save folder and deletes what it lists.
#include "game/purge.h"

#include <string.h>

#include "game/save_location.h"
#include "platform/win32.h"
#include "util/file_lister.h"

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
    // The array and its paths are not released: the process ends right after the run.
    for (int i = 0; i < request.resultCount; ++i) {
        // A file that cannot be deleted (read-only, in use) stays, unreported.
        DeleteFileA(request.results[i]);
    }
    return 0;
}
