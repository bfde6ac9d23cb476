// Path texts of the directory lister. Kept free of Windows so that it can be
// fuzzed on the build machine.
#include "util/list_paths.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "util/mbstring.h"

int BuildSearchTexts(const char *folder, char *prefix, char *pattern)
{
    int written = snprintf(prefix, SEARCH_TEXT_SIZE, "%s\\", folder);
    if (written >= 0 && written < SEARCH_TEXT_SIZE) {
        written = snprintf(pattern, SEARCH_TEXT_SIZE, "%s*.*", prefix);
        if (written >= 0 && written < SEARCH_TEXT_SIZE) {
            return 1;
        }
    }
    // Neither text is of any use then; both are left empty, never cut.
    prefix[0] = '\0';
    pattern[0] = '\0';
    return 0;
}

int ComposeResultPath(const char *prefix, const char *fileName, char *path)
{
    // A folder of "." or one starting ".\" or "./" gives paths relative to the
    // current folder; ".." keeps its dots, since its second character is one.
    if (prefix[0] == '.' && (prefix[1] == '\\' || prefix[1] == '/')) {
        prefix += 2;
    }
    int written = snprintf(path, RESULT_PATH_SIZE, "%s%s", prefix, fileName);
    if (written < 0 || written >= RESULT_PATH_SIZE) {
        // A cut path could name another file, and it is deleted: refuse it.
        path[0] = '\0';
        return 0;
    }
    MbsToLower(path);
    MbsReplaceChar(path, '/', '\\');
    return 1;
}

// strcmp compares the bytes as unsigned values, which is the order wanted.
static int ComparePaths(const void *a, const void *b)
{
    return strcmp(*(char *const *)a, *(char *const *)b);
}

void SortResultPaths(char **paths, int count)
{
    if (count > 1) {
        qsort(paths, (size_t)count, sizeof *paths, ComparePaths);
    }
}
