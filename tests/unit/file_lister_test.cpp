// The directory lister against real folders under Wine: filters, limit,
// path composition, sorting, and what it does when memory cannot be had.
#include <gtest/gtest.h>

#include <string.h>

#include "bench/bench.h"
#include "support/failing_malloc.h"
#include "util/file_lister.h"

namespace {

FileListRequest Request(const std::string &folder, std::vector<const char *> suffixes, int limit, bool sort)
{
    FileListRequest request;
    memset(&request, 0, sizeof request);
    strncpy(request.folder, folder.c_str(), sizeof request.folder - 1);
    for (size_t i = 0; i < suffixes.size() && i < 16; ++i) {
        strncpy(request.suffixes[i], suffixes[i], sizeof request.suffixes[i] - 1);
    }
    request.suffixCount = (signed char)suffixes.size();
    request.limit = limit;
    request.sortResults = sort ? 1 : 0;
    return request;
}

std::vector<std::string> Results(const FileListRequest &request)
{
    std::vector<std::string> paths;
    for (int i = 0; i < request.resultCount; ++i) {
        paths.push_back(request.results[i]);
    }
    return paths;
}

void Release(FileListRequest &request)
{
    for (int i = 0; i < request.limit; ++i) {
        free(request.results[i]);
    }
    free(request.results);
}

// The names a search of `folder` returns, in the order it returns them.
std::vector<std::string> SearchOrder(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(entry.cFileName);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

std::string Lower(std::string text)
{
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = (char)(c + 32);
        }
    }
    return text;
}

class Lister : public testing::Test {
protected:
    void SetUp() override
    {
        dir = scratch.Path() + "Saves";
        ASSERT_EQ(scratch.Make(), "");
        ASSERT_EQ(bench::CreateFolder(dir), "");
        GetCurrentDirectoryA(sizeof savedDirectory, savedDirectory);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(savedDirectory);
        StopFailingMalloc();
    }
    // Empty when every file was written, else the steps that failed.
    [[nodiscard]] std::string Files(std::vector<const char *> names)
    {
        std::string failures;
        for (const char *name : names) {
            failures += bench::WriteNewFile(dir + "\\" + name, "x");
        }
        return failures;
    }

    bench::Scratch scratch;
    std::string dir; // "...\Saves", without a trailing backslash
    char savedDirectory[MAX_PATH];
};

TEST_F(Lister, KeepsOnlyFilesDirectlyInTheFolderWithTheSuffix)
{
    ASSERT_EQ(Files({"a.sd", "B.SD", "c.sdx", "d.sd.bak", ".sd", "x.Sd"}), "");
    ASSERT_EQ(bench::CreateFolder(dir + "\\e.sd"), "");
    ASSERT_EQ(bench::WriteNewFile(dir + "\\e.sd\\f.sd", "x"), "");

    FileListRequest request = Request(dir, {".sd"}, 100, true);
    ASSERT_EQ(ListFiles(&request), 0);

    std::string prefix = Lower(dir) + "\\";
    EXPECT_EQ(Results(request),
              (std::vector<std::string>{prefix + ".sd", prefix + "a.sd", prefix + "b.sd", prefix + "x.sd"}));
    Release(request);
}

TEST_F(Lister, SortsByUnsignedBytes)
{
    ASSERT_EQ(Files({"b.sd", "ア.sd", "ab.sd", "a1.sd", "1.sd", "a.sd"}), "");
    FileListRequest request = Request(dir + "\\", {".sd"}, 100, true);
    ASSERT_EQ(ListFiles(&request), 0);

    // The dot sorts before digits, digits before letters, two-byte names last;
    // the trailing backslash of the folder gives two before each name.
    std::string prefix = Lower(dir) + "\\\\";
    EXPECT_EQ(Results(request), (std::vector<std::string>{prefix + "1.sd", prefix + "a.sd", prefix + "a1.sd",
                                                          prefix + "ab.sd", prefix + "b.sd", prefix + "ア.sd"}));
    Release(request);
}

TEST_F(Lister, LimitKeepsTheFirstInSearchOrder)
{
    ASSERT_EQ(Files({"q.sd", "w.sd", "e.sd", "r.sd", "t.sd", "skip.txt"}), "");
    std::vector<std::string> order = SearchOrder(dir);

    FileListRequest request = Request(dir, {".sd"}, 3, false);
    ASSERT_EQ(ListFiles(&request), 0);

    std::vector<std::string> expected;
    for (const std::string &name : order) {
        if (name != "skip.txt" && expected.size() < 3) {
            expected.push_back(Lower(dir) + "\\" + name);
        }
    }
    EXPECT_EQ(Results(request), expected);
    for (int i = 3; i < request.limit; ++i) {
        EXPECT_EQ(request.results[i], nullptr);
    }
    Release(request);
}

struct PathCase {
    const char *name;
    const char *current; // the current folder, under the scratch folder
    const char *folder;  // the request's folder
    const char *fileDir; // where "M.SD" lies, under the scratch folder
    const char *expected;
};

void PrintTo(const PathCase &c, std::ostream *os)
{
    *os << c.name;
}

const PathCase kPathCases[] = {
    {"Dot", "", ".", "", "m.sd"},
    {"DotBackslash", "", ".\\Sub", "Sub", "sub\\m.sd"},
    {"DotSlash", "", "./Sub", "Sub", "sub\\m.sd"},
    {"SlashInside", "", "Sub/Inner", "Sub\\Inner", "sub\\inner\\m.sd"},
    {"DotDot", "Sub", "..", "", "..\\m.sd"},
    {"CapitalsLoweredTrailingBackslashDoubled", "", "Sub\\Inner\\", "Sub\\Inner", "sub\\inner\\\\m.sd"},
    // ア's second byte is a capital A, 表's a backslash: both stay as they are.
    {"TwoByteNameKeepsItsBytes", "", "ア表", "ア表", "ア表\\m.sd"},
};

class ListerPaths : public Lister, public testing::WithParamInterface<PathCase> {};

TEST_P(ListerPaths, ComposesTheResultPath)
{
    const PathCase &c = GetParam();
    for (const char *sub : {"Sub", "Sub\\Inner", "ア表"}) {
        ASSERT_EQ(bench::CreateFolder(scratch.Path() + sub), "");
    }
    ASSERT_EQ(bench::WriteNewFile(scratch.Path() + c.fileDir + (*c.fileDir ? "\\" : "") + "M.SD", "x"), "");
    ASSERT_TRUE(SetCurrentDirectoryA((scratch.Path() + c.current).c_str()));

    FileListRequest request = Request(c.folder, {".sd"}, 10, false);
    ASSERT_EQ(ListFiles(&request), 0);
    EXPECT_EQ(Results(request), std::vector<std::string>{c.expected});
    Release(request);
}

INSTANTIATE_TEST_SUITE_P(Folders, ListerPaths, testing::ValuesIn(kPathCases),
                         [](const testing::TestParamInfo<PathCase> &info) { return info.param.name; });

struct EmptyCase {
    const char *name;
    int suffixCount;
    int limit;
};

void PrintTo(const EmptyCase &c, std::ostream *os)
{
    *os << c.name;
}

// Requests that let nothing through, or that a careless lister would read or
// write out of bounds for.
const EmptyCase kEmptyCases[] = {
    {"NoSuffix", 0, 10},
    {"NegativeSuffixCount", -5, 10},
    {"ZeroLimit", 1, 0},
    {"NegativeLimit", 1, -7},
};

class ListerEmpty : public Lister, public testing::WithParamInterface<EmptyCase> {};

TEST_P(ListerEmpty, ReturnsNoResultsAndSucceeds)
{
    ASSERT_EQ(Files({"a.sd", "b.sd"}), "");
    FileListRequest request = Request(dir, {".sd"}, GetParam().limit, false);
    request.suffixCount = (signed char)GetParam().suffixCount;
    ASSERT_EQ(ListFiles(&request), 0);
    EXPECT_EQ(request.resultCount, 0);
    EXPECT_NE(request.results, nullptr);
    free(request.results);
}

INSTANTIATE_TEST_SUITE_P(Requests, ListerEmpty, testing::ValuesIn(kEmptyCases),
                         [](const testing::TestParamInfo<EmptyCase> &info) { return info.param.name; });

TEST_F(Lister, SuffixCountAboveSixteenReadsOnlyTheSixteenFields)
{
    ASSERT_EQ(Files({"a.sd", "b.zz"}), "");
    FileListRequest request = Request(dir, {".q", ".q", ".q", ".q", ".q", ".q", ".q", ".q", ".q", ".q", ".q", ".q",
                                            ".q", ".q", ".q", ".sd"},
                                      10, false);
    request.suffixCount = 100;
    ASSERT_EQ(ListFiles(&request), 0);
    EXPECT_EQ(Results(request), std::vector<std::string>{Lower(dir) + "\\a.sd"});
    Release(request);
}

TEST_F(Lister, SuffixFillingItsWholeFieldIsReadToTheFieldsEndOnly)
{
    ASSERT_EQ(Files({"a.12345678", "b.1234567"}), "");
    FileListRequest request = Request(dir, {}, 10, false);
    memcpy(request.suffixes[0], "12345678", 8); // no terminator within the field
    memcpy(request.suffixes[1], "zzzzzzzz", 8);
    request.suffixCount = 1;
    ASSERT_EQ(ListFiles(&request), 0);
    EXPECT_EQ(Results(request), std::vector<std::string>{Lower(dir) + "\\a.12345678"});
    Release(request);
}

TEST_F(Lister, FolderThatCannotBeListedGivesNoResults)
{
    ASSERT_EQ(bench::WriteNewFile(dir + "\\plain.sd", "x"), "");
    const std::string folders[] = {
        dir + "\\missing",
        dir + "\\plain.sd", // a file, not a folder
        std::string(259, 'x') + "y", // 260 characters: no room for "\*.*"
    };
    for (const std::string &folder : folders) {
        FileListRequest request = Request(folder, {".sd"}, 10, false);
        ASSERT_EQ(ListFiles(&request), 0) << folder;
        EXPECT_EQ(request.resultCount, 0) << folder;
        free(request.results);
    }
}

TEST_F(Lister, ResultPathLongerThan261IsLeftOut)
{
    // 249-character folder: "123456.sd" makes a path of 259 characters,
    // "1234567890.sd" one of 263.
    std::string folder = scratch.Path() + std::string(249 - scratch.Path().size(), 'f');
    ASSERT_EQ(folder.size(), 249u);
    ASSERT_EQ(bench::CreateFolder(folder), "");
    ASSERT_EQ(bench::WriteNewFile(folder + "\\123456.sd", "x"), "");
    ASSERT_EQ(bench::WriteNewFile(folder + "\\1234567890.sd", "x"), "");
    ASSERT_EQ(SearchOrder(folder).size(), 2u);

    FileListRequest request = Request(folder, {".sd"}, 10, false);
    ASSERT_EQ(ListFiles(&request), 0);
    EXPECT_EQ(Results(request), std::vector<std::string>{Lower(folder) + "\\123456.sd"});
    Release(request);
}

// How long this takes is the benchmark's business (scripts/bench.sh), not a test's.
TEST_F(Lister, EightThousandResultsComeSorted)
{
    for (int i = 0; i < 8192; ++i) {
        ASSERT_EQ(bench::WriteNewFile(dir + "\\" + std::to_string(8191 - i) + ".sd", ""), "");
    }
    FileListRequest request = Request(dir, {".sd"}, 8192, true);
    ASSERT_EQ(ListFiles(&request), 0);
    ASSERT_EQ(request.resultCount, 8192);
    for (int i = 1; i < request.resultCount; ++i) {
        ASSERT_LT(strcmp(request.results[i - 1], request.results[i]), 0) << i;
    }
    Release(request);
}

struct AllocationCase {
    const char *name;
    size_t size; // the block that cannot be had
    int skip;    // how many blocks of that size go through first
};

void PrintTo(const AllocationCase &c, std::ostream *os)
{
    *os << c.name;
}

const AllocationCase kAllocationCases[] = {
    {"WorkList", 1000 * sizeof(char *), 0},
    {"ResultArray", 64 * sizeof(char *), 0},
    {"FolderCopy", 262, 0},
    {"SecondResultPath", 262, 2},
};

class ListerWithoutMemory : public Lister, public testing::WithParamInterface<AllocationCase> {};

TEST_P(ListerWithoutMemory, FailsAndLeavesTheRequestAsItWas)
{
    ASSERT_EQ(Files({"a.sd", "b.sd", "c.sd"}), "");
    FileListRequest request = Request(dir, {".sd"}, 64, false);
    char *untouched = (char *)&request; // any recognisable pointer value
    request.results = &untouched;
    request.resultCount = -123;
    FileListRequest before = request;

    FailMallocOf(GetParam().size, GetParam().skip);
    EXPECT_EQ(ListFiles(&request), -1);
    StopFailingMalloc();
    EXPECT_EQ(memcmp(&request, &before, sizeof request), 0);
}

INSTANTIATE_TEST_SUITE_P(Blocks, ListerWithoutMemory, testing::ValuesIn(kAllocationCases),
                         [](const testing::TestParamInfo<AllocationCase> &info) { return info.param.name; });

} // namespace
