// The text work of the directory lister, apart from its Windows calls: the
// search prefix, each result path and the order of sorted results.
#pragma once

#include <stddef.h>

// 262 bytes: one result path (at most 261 characters) and its terminator.
enum { RESULT_PATH_SIZE = 262 };
// 264 bytes: the directory prefix or the search pattern and its terminator.
enum { SEARCH_TEXT_SIZE = 264 };

// Writes `folder` and one backslash (also after a backslash that ends it) into
// `prefix`, and that and "*.*" into `pattern`. 0 when they do not fit; both
// are then left empty.
int BuildSearchTexts(const char *folder, char *prefix, char *pattern);

// Writes the result path for `fileName` found under `prefix` into `path`
// (RESULT_PATH_SIZE bytes): the prefix less a leading dot and separator, then
// the name, lowered and with every slash turned into a backslash. 0 when the
// path would be longer than 261 characters; `path` is then left empty.
int ComposeResultPath(const char *prefix, const char *fileName, char *path);

// Puts `count` paths in ascending order of their bytes taken as unsigned values.
void SortResultPaths(char **paths, int count);
