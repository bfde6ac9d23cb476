// Fuzzes the lister's path texts: the search prefix and pattern, each result
// path and the sort, with every output in an exactly sized heap block so that
// AddressSanitizer sees any write past it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_model.h"
#include "util/list_paths.h"

namespace {

// An exactly sized, terminated heap copy of `text`.
char *HeapText(const std::string &text)
{
    char *block = (char *)malloc(text.size() + 1);
    memcpy(block, text.c_str(), text.size() + 1);
    return block;
}

// A heap block of `size` bytes filled with a byte that is no terminator, so
// that an output left unterminated shows.
char *Garbage(size_t size)
{
    char *block = (char *)malloc(size);
    memset(block, 0xA5, size);
    return block;
}

bool Terminated(const char *block, size_t size)
{
    return memchr(block, 0, size) != NULL;
}

void CheckSearchTexts(const std::string &folder)
{
    char *folderText = HeapText(folder);
    char *prefix = Garbage(SEARCH_TEXT_SIZE);
    char *pattern = Garbage(SEARCH_TEXT_SIZE);

    int built = BuildSearchTexts(folderText, prefix, pattern);
    CHECK(Terminated(prefix, SEARCH_TEXT_SIZE) && Terminated(pattern, SEARCH_TEXT_SIZE));
    // The folder, a backslash, "*.*" and the terminator must fit in 264 bytes.
    CHECK(built == (folder.size() + 5 <= SEARCH_TEXT_SIZE ? 1 : 0));
    if (built) {
        CHECK(prefix == folder + "\\");
        CHECK(pattern == folder + "\\*.*");
    } else {
        CHECK(prefix[0] == '\0' && pattern[0] == '\0');
    }
    CHECK(folderText == folder);

    free(pattern);
    free(prefix);
    free(folderText);
}

std::string ModelResultPath(const std::string &prefix, const std::string &fileName)
{
    std::string path = prefix;
    if (path.size() >= 2 && path[0] == '.' && (path[1] == '\\' || path[1] == '/')) {
        path.erase(0, 2);
    }
    path += fileName;
    std::vector<unsigned char> bytes(path.begin(), path.end());
    bytes.push_back(0);
    model::Walk(bytes.data(), model::Action::Lower);
    model::Walk(bytes.data(), model::Action::Replace, '/', '\\');
    return std::string((const char *)bytes.data());
}

void CheckResultPath(const std::string &prefix, const std::string &fileName)
{
    char *prefixText = HeapText(prefix);
    char *nameText = HeapText(fileName);
    char *path = Garbage(RESULT_PATH_SIZE);

    int composed = ComposeResultPath(prefixText, nameText, path);
    CHECK(Terminated(path, RESULT_PATH_SIZE));
    std::string expected = ModelResultPath(prefix, fileName);
    // At most 261 characters; a longer path is refused, never cut.
    CHECK(composed == (expected.size() <= RESULT_PATH_SIZE - 1 ? 1 : 0));
    if (composed) {
        CHECK(path == expected);
    } else {
        CHECK(path[0] == '\0');
    }
    CHECK(prefixText == prefix && nameText == fileName);

    free(path);
    free(nameText);
    free(prefixText);
}

void CheckSort(const std::vector<std::string> &texts)
{
    int count = (int)texts.size();
    char **paths = (char **)malloc((texts.empty() ? 1 : texts.size()) * sizeof(char *));
    for (size_t i = 0; i < texts.size(); ++i) {
        paths[i] = HeapText(texts[i]);
    }
    std::vector<char *> before(paths, paths + count);

    SortResultPaths(paths, count);

    // Ascending by unsigned bytes, and the same blocks, each once.
    for (int i = 1; i < count; ++i) {
        CHECK(std::string(paths[i - 1]) <= std::string(paths[i]));
    }
    std::vector<char *> after(paths, paths + count);
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    CHECK(before == after);

    for (int i = 0; i < count; ++i) {
        free(paths[i]);
    }
    free(paths);
}

} // namespace

// Input: zero-separated fields. The first is a folder, the second a file name;
// all of them are also sorted as result paths.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0) {
            fields.emplace_back((const char *)data + start, i - start);
            start = i + 1;
        }
    }
    const std::string &folder = fields[0];
    const std::string fileName = fields.size() > 1 ? fields[1] : std::string();

    CheckSearchTexts(folder);
    // As the lister calls it: on the prefix it built, and on any text at all.
    if (folder.size() + 5 <= SEARCH_TEXT_SIZE) {
        CheckResultPath(folder + "\\", fileName);
    }
    CheckResultPath(folder, fileName);
    if (fields.size() > 64) {
        fields.resize(64);
    }
    CheckSort(fields);
    return 0;
}
