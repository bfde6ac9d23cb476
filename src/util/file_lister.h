// Lists the files of one folder whose names end in one of up to 16 suffixes,
// as lowered paths in heap blocks that pass to the caller.
#pragma once

struct FileListRequest {
    char folder[261];       // the folder, at most 259 characters, with or without a trailing backslash
    char suffixes[16][8];   // the suffixes, each at most 7 characters, used from the first on
    signed char suffixCount; // how many leading suffixes are in use; 0 or less lets no file through
    int limit;              // the most results wanted; also the number of result slots
    signed char sortResults; // nonzero: results in ascending byte order
    char **results;         // set by ListFiles: `limit` slots, the first resultCount filled, the rest null
    int resultCount;        // set by ListFiles
};

// 0 when the listing was made (also when nothing matched, when the folder could
// not be listed and when `limit` cut it short): `results` and `resultCount` are
// set, and the caller owns the array and every path in it. -1 when memory could
// not be had: the request is as the caller left it and nothing stays allocated.
signed char ListFiles(FileListRequest *request);

// A heap block of `size` bytes, all zero, to be released with free(); null
// when the heap cannot supply it or `size` is negative.
void *ZeroAlloc(int size);
