// The purge's two ways with a link that leads out of the save folder: under
// Wine it is kept, since Wine's DeleteFileA would delete the file it leads to;
// on Windows it goes to DeleteFileA with every other listed file. Windows is
// played under Wine by hiding ntdll.dll's wine_get_version.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "game/purge.h"
#include "game/save_location.h"
#include "support/import_seam.h"

// Link-time seams (see tests/CMakeLists.txt): while armed, GetProcAddress
// finds no wine_get_version, as on Windows, and DeleteFileA only notes its
// path, so that a link can reach it without its target being deleted.
extern "C" {
extern FARPROC(WINAPI *realGetProcAddress)(HMODULE, LPCSTR) __asm__(IMPORT_SEAM(__real, GetProcAddress, 8));
extern BOOL(WINAPI *realDeleteFileA)(LPCSTR) __asm__(IMPORT_SEAM(__real, DeleteFileA, 4));
}

namespace {

bool hideWine;
bool noteDeletions;
std::vector<std::string> deleted;

FARPROC WINAPI SeamGetProcAddress(HMODULE module, LPCSTR name)
{
    // A name below 0x10000 is an ordinal, not a text.
    if (hideWine && (ULONG_PTR)name > 0xFFFF && strcmp(name, "wine_get_version") == 0) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return NULL;
    }
    return realGetProcAddress(module, name);
}

BOOL WINAPI SeamDeleteFileA(LPCSTR path)
{
    if (noteDeletions) {
        deleted.push_back(path);
        return TRUE;
    }
    return realDeleteFileA(path);
}

} // namespace

extern "C" {
extern FARPROC(WINAPI *wrapGetProcAddress)(HMODULE, LPCSTR) __asm__(IMPORT_SEAM(__wrap, GetProcAddress, 8));
FARPROC(WINAPI *wrapGetProcAddress)(HMODULE, LPCSTR) = SeamGetProcAddress;
extern BOOL(WINAPI *wrapDeleteFileA)(LPCSTR) __asm__(IMPORT_SEAM(__wrap, DeleteFileA, 4));
BOOL(WINAPI *wrapDeleteFileA)(LPCSTR) = SeamDeleteFileA;
}

namespace {

struct LinkCase {
    const char *name;
    bool hideWine;                      // wine_get_version not found, as on Windows
    std::vector<const char *> deletions; // the names that reach DeleteFileA, sorted
};

void PrintTo(const LinkCase &c, std::ostream *os)
{
    *os << c.name;
}

const LinkCase kLinkCases[] = {
    {"UnderWineTheLinkOutsideIsKept", false, {"a.sd", "inside.sd"}},
    {"OnWindowsEveryListedFileGoes", true, {"a.sd", "inside.sd", "link.sd"}},
};

class PurgeLinks : public testing::TestWithParam<LinkCase> {};

// "a.sd" a plain file, "inside.sd" a link to a file in the save folder and
// "link.sd" a link to "keep.sd" beside it.
TEST_P(PurgeLinks, ReachDeleteFileAOnlyWhereItRemovesTheLink)
{
    const LinkCase &c = GetParam();
    bench::Scratch scratch;
    ASSERT_EQ(scratch.Make(), "");
    std::string saveDir = scratch.Path() + "save\\";
    ASSERT_EQ(bench::CreateFolder(saveDir), "");
    ASSERT_EQ(bench::WriteNewFile(saveDir + "a.sd", "save"), "");
    ASSERT_EQ(bench::WriteNewFile(saveDir + "target.txt", "save"), "");
    ASSERT_EQ(bench::WriteNewFile(scratch.Path() + "keep.sd", "sentinel"), "");
    bench::UnixLink inside(saveDir + "target.txt", saveDir + "inside.sd");
    bench::UnixLink outside(scratch.Path() + "keep.sd", saveDir + "link.sd");
    ASSERT_TRUE(inside.made && outside.made);
    ASSERT_LT(saveDir.size(), sizeof saveFolder);
    memcpy(saveFolder, saveDir.c_str(), saveDir.size() + 1);

    deleted.clear();
    hideWine = c.hideWine;
    noteDeletions = true;
    int result = PurgeOldSaves();
    noteDeletions = false;
    hideWine = false;

    EXPECT_EQ(result, 0);
    // The paths are the lister's (lowered, the separator doubled): the names tell.
    std::vector<std::string> names;
    for (const std::string &path : deleted) {
        names.push_back(path.substr(path.rfind('\\') + 1));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, std::vector<std::string>(c.deletions.begin(), c.deletions.end()));
}

INSTANTIATE_TEST_SUITE_P(Purge, PurgeLinks, testing::ValuesIn(kLinkCases),
                         [](const testing::TestParamInfo<LinkCase> &info) { return info.param.name; });

} // namespace
