// The directory lister: one folder, never its subfolders, filtered by suffix.
#include "util/file_lister.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "platform/win32.h"
#include "util/list_paths.h"
#include "util/mbstring.h"

// The work list has room for 1000 folders, though only the requested one is
// ever put in it: subfolders are skipped, never entered.
enum { WORK_LIST_ENTRIES = 1000 };

void *ZeroAlloc(int size)
{
    if (size < 0) {
        return NULL;
    }
    void *block = malloc((size_t)size);
    if (block != NULL) {
        memset(block, 0, (size_t)size);
    }
    return block;
}

static int SuffixMatches(const FileListRequest *request, const char *fileName)
{
    int count = request->suffixCount > 16 ? 16 : request->suffixCount;
    for (int i = 0; i < count; ++i) {
        // Bounded to its field, so a suffix without a terminator cannot run on.
        char suffix[sizeof request->suffixes[0] + 1];
        memcpy(suffix, request->suffixes[i], sizeof request->suffixes[i]);
        suffix[sizeof request->suffixes[i]] = '\0';
        if (EndsWithNoCase(fileName, suffix)) {
            return 1;
        }
    }
    return 0;
}

static void ReleaseAll(char **blocks, int count)
{
    for (int i = 0; i < count; ++i) {
        free(blocks[i]);
        blocks[i] = NULL;
    }
}

// Lists one folder into `results`; 0 when a result path could not be allocated.
static int ListFolder(const FileListRequest *request, const char *folder, char **results, int limit,
                      int *resultCount)
{
    // 264 bytes each: the folder, one backslash, "*.*" and the terminator.
    char prefix[SEARCH_TEXT_SIZE];
    char pattern[SEARCH_TEXT_SIZE];
    if (!BuildSearchTexts(folder, prefix, pattern)) {
        return 1;
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return 1;
    }
    int succeeded = 1;
    do {
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) {
            continue;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        if (!SuffixMatches(request, entry.cFileName)) {
            continue;
        }
        if (*resultCount >= limit) {
            break;
        }
        char *path = (char *)malloc(RESULT_PATH_SIZE);
        if (path == NULL) {
            succeeded = 0;
            break;
        }
        if (!ComposeResultPath(prefix, entry.cFileName, path)) {
            free(path);
            continue;
        }
        results[(*resultCount)++] = path;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return succeeded;
}

signed char ListFiles(FileListRequest *request)
{
    char **workList = (char **)ZeroAlloc(WORK_LIST_ENTRIES * (int)sizeof(char *));
    if (workList == NULL) {
        return -1;
    }
    // A negative limit asks for nothing; a limit whose array would not fit in
    // a block size cannot be had, like any block the heap refuses.
    int limit = request->limit > 0 ? request->limit : 0;
    char **results = NULL;
    if ((size_t)limit <= (size_t)INT_MAX / sizeof(char *)) {
        // At least one slot, so that a limit of 0 still yields an (empty) array.
        results = (char **)ZeroAlloc((limit > 0 ? limit : 1) * (int)sizeof(char *));
    }
    if (results == NULL) {
        free(workList);
        return -1;
    }
    int resultCount = 0;

    workList[0] = (char *)malloc(RESULT_PATH_SIZE);
    int succeeded = workList[0] != NULL;
    if (succeeded) {
        // Bounded to the field: a folder without a terminator is cut, not run past.
        memcpy(workList[0], request->folder, sizeof request->folder);
        workList[0][sizeof request->folder] = '\0';
        for (int i = 0; i < WORK_LIST_ENTRIES && succeeded && workList[i] != NULL; ++i) {
            succeeded = ListFolder(request, workList[i], results, limit, &resultCount);
        }
    }
    ReleaseAll(workList, WORK_LIST_ENTRIES);
    free(workList);

    if (!succeeded) {
        ReleaseAll(results, resultCount);
        free(results);
        return -1;
    }
    if (request->sortResults) {
        SortResultPaths(results, resultCount);
    }
    request->results = results;
    request->resultCount = resultCount;
    return 0;
}
