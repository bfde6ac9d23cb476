// The old-save purge as the user meets it: which save folder the real updater
// empties of ".sd" files, in which installations, and what it leaves alone.
#include <gtest/gtest.h>

#include <algorithm>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/layout.h"
#include "support/failing_malloc.h"

using namespace expected;
using bench::Box;

namespace {

const char kSaveTail[] = "\\Brenmoral_SaveData\\Calvento\\save\\";

std::string SpecialFolder(int csidl)
{
    char folder[MAX_PATH] = "";
    SHGetSpecialFolderPathA(NULL, folder, csidl, FALSE);
    return folder;
}

// Every file and folder under `folder`, relative to it, in byte order.
void Walk(const std::string &folder, const std::string &relative, std::vector<std::string> *names)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + relative + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        names->push_back(relative + name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Walk(folder, relative + name + "\\", names);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

std::vector<std::string> Contents(const std::string &folder)
{
    std::vector<std::string> names;
    Walk(folder, "", &names);
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string> kFixture = {"B.SD", "a.sd", "c.sdx", "d.sd.bak", "e.sd", "e.sd\\f.sd"};
const std::vector<std::string> kAfterPurge = {"c.sdx", "d.sd.bak", "e.sd", "e.sd\\f.sd"};

std::vector<std::string> SortedFixture()
{
    std::vector<std::string> fixture = kFixture;
    std::sort(fixture.begin(), fixture.end());
    return fixture;
}

class Purge : public testing::Test {
protected:
    void SetUp() override
    {
        installDir = scratch.Path() + "game\\";
        packageDir = scratch.Path() + "package\\";
        appData = SpecialFolder(CSIDL_APPDATA);
        documents = SpecialFolder(CSIDL_PERSONAL);
        ASSERT_FALSE(appData.empty());
        ASSERT_FALSE(documents.empty());
        ASSERT_EQ(scratch.Make(), "");
        // The four places a save folder can be, by mode.
        saveFolders = {installDir + "save\\", appData + kSaveTail, documents + kSaveTail,
                       documents + "\\My Games" + kSaveTail};
        ASSERT_EQ(layout::LayPackage(packageDir), "");
    }
    void TearDown() override
    {
        EXPECT_EQ(bench::RemoveInstallKey(), "");
        EXPECT_EQ(bench::RemoveTree(appData + "\\Brenmoral_SaveData"), "");
        EXPECT_EQ(bench::RemoveTree(documents + "\\Brenmoral_SaveData"), "");
        EXPECT_EQ(bench::RemoveTree(documents + "\\My Games\\Brenmoral_SaveData"), "");
        SetEnvironmentVariableA(FAIL_MALLOC_VARIABLE, NULL);
    }

    // The installation, its settings file when `mode` is not negative, and the
    // registry value; empty when all of it was laid out, else the steps that failed.
    [[nodiscard]] std::string LayInstallation(unsigned flags, int mode)
    {
        std::string failures = layout::LayInstallation(installDir, flags);
        if (mode >= 0) {
            std::string settings(88, '\0');
            settings[84] = (char)mode;
            failures += bench::WriteNewFile(installDir + "qzsfs.dat", settings);
        }
        failures += bench::SetInstallDir(installDir);
        return failures;
    }

    // Lays the fixture in `folder`, making the folders on the way; empty when
    // the folder then holds exactly the fixture, else what went wrong.
    [[nodiscard]] static std::string LaySaves(const std::string &folder)
    {
        std::string failures = bench::CreateFolderAndParents(folder);
        for (const std::string &name : kFixture) {
            failures +=
                name == "e.sd" ? bench::CreateFolder(folder + name) : bench::WriteNewFile(folder + name, "save");
        }
        if (failures.empty() && Contents(folder) != SortedFixture()) {
            failures = "more than the fixture in " + bench::ToUtf8(folder) + "\n";
        }
        return failures;
    }

    bench::Transcript Run(const char *answers, const std::string &exe = bench::UpdaterPath())
    {
        return bench::RunAndAnswer(exe, packageDir, answers);
    }

    bench::Scratch scratch;
    std::string installDir, packageDir, appData, documents;
    std::vector<std::string> saveFolders;
};

struct StateCase {
    const char *name;
    unsigned install;
    std::vector<Box> boxes;
    bool purged;
};

void PrintTo(const StateCase &c, std::ostream *os)
{
    *os << c.name;
}

const StateCase kStates[] = {
    {"Base", 0, {kConfirmBase, kConfirmStart, kSuccess}, true},
    {"Update1", layout::UPDATE1, {kConfirmUpdate, kConfirmStart, kSuccess}, false},
    {"Update2", layout::UPDATE1 | layout::UPDATE2, {kConfirmUpdate, kConfirmStart, kSuccess}, false},
    {"Update2WithoutUpdate1", layout::UPDATE2, {kConfirmBase, kConfirmStart, kSuccess}, true},
    // The purge runs whatever the copies gave; their failure is reported after it.
    {"BaseEveryCopyFailing", layout::ALL_COPIES_FAIL, {kConfirmBase, kConfirmStart, kCopyFailed}, true},
};

class PurgeByState : public Purge, public testing::WithParamInterface<StateCase> {};

TEST_P(PurgeByState, PurgesOnlyABaseInstallation)
{
    const StateCase &c = GetParam();
    ASSERT_EQ(LayInstallation(c.install, -1), "");
    ASSERT_EQ(LaySaves(saveFolders[0]), "");

    bench::Transcript run = Run("YY");

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, c.boxes);
    std::vector<std::string> expected = c.purged ? kAfterPurge : kFixture;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Contents(saveFolders[0]), expected);
}

INSTANTIATE_TEST_SUITE_P(States, PurgeByState, testing::ValuesIn(kStates),
                         [](const testing::TestParamInfo<StateCase> &info) { return info.param.name; });

class PurgeByMode : public Purge, public testing::WithParamInterface<int> {};

TEST_P(PurgeByMode, EmptiesOnlyTheFolderTheSettingsName)
{
    int mode = GetParam();
    ASSERT_EQ(LayInstallation(0, mode), "");
    for (const std::string &folder : saveFolders) {
        ASSERT_EQ(LaySaves(folder), "");
    }

    bench::Transcript run = Run("YY");

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.boxes, (std::vector<Box>{kConfirmBase, kConfirmStart, kSuccess}));
    const std::vector<std::string> fixture = SortedFixture();
    for (int other = 0; other < 4; ++other) {
        EXPECT_EQ(Contents(saveFolders[(size_t)other]), other == mode ? kAfterPurge : fixture)
            << saveFolders[(size_t)other];
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PurgeByMode, testing::Values(0, 1, 2, 3));

TEST_F(Purge, ReadOnlySaveStaysAndTheReportIsStillSuccess)
{
    ASSERT_EQ(LayInstallation(0, -1), "");
    ASSERT_EQ(LaySaves(saveFolders[0]), "");
    ASSERT_EQ(bench::SetAttributes(saveFolders[0] + "a.sd", FILE_ATTRIBUTE_READONLY), "");

    bench::Transcript run = Run("YY");

    EXPECT_EQ(run.boxes, (std::vector<Box>{kConfirmBase, kConfirmStart, kSuccess}));
    std::vector<std::string> expected = kAfterPurge;
    expected.push_back("a.sd");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Contents(saveFolders[0]), expected);
}

TEST_F(Purge, NoSaveFolderAtAll)
{
    ASSERT_EQ(LayInstallation(0, -1), "");
    ASSERT_FALSE(bench::PathExists(saveFolders[0]));
    bench::Transcript run = Run("YY");
    EXPECT_EQ(run.boxes, (std::vector<Box>{kConfirmBase, kConfirmStart, kSuccess}));
    EXPECT_FALSE(bench::PathExists(saveFolders[0]));
}

TEST_F(Purge, CancelledUpdateDeletesNothing)
{
    ASSERT_EQ(LayInstallation(0, -1), "");
    ASSERT_EQ(LaySaves(saveFolders[0]), "");
    bench::Transcript run = Run("YN");
    EXPECT_EQ(run.boxes, (std::vector<Box>{kConfirmBase, kConfirmStart, kCancelled}));
    const std::vector<std::string> fixture = SortedFixture();
    EXPECT_EQ(Contents(saveFolders[0]), fixture);
}

TEST_F(Purge, AtMost8192FilesGoInOneRun)
{
    ASSERT_EQ(LayInstallation(0, -1), "");
    ASSERT_EQ(bench::CreateFolderAndParents(saveFolders[0]), "");
    for (int i = 0; i < 8193; ++i) {
        ASSERT_EQ(bench::WriteNewFile(saveFolders[0] + std::to_string(i) + ".sd", ""), "");
    }

    DWORD start = GetTickCount();
    bench::Transcript run = Run("YY");
    DWORD elapsed = GetTickCount() - start;

    EXPECT_EQ(run.boxes, (std::vector<Box>{kConfirmBase, kConfirmStart, kSuccess}));
    EXPECT_EQ(Contents(saveFolders[0]).size(), 1u);
    RecordProperty("run_with_purge_of_8192_ms", std::to_string(elapsed));
}

struct AllocationCase {
    const char *name;
    unsigned pointers; // the block that cannot be had: this many pointers of the image under test,
    unsigned bytes;    // or, with none, this many bytes
};

void PrintTo(const AllocationCase &c, std::ostream *os)
{
    *os << c.name;
}

// The work list (1000 pointers), the result array (8192) and the folder copy.
// A pointer is 4 bytes in the 32-bit updater, 8 in the 64-bit one.
const AllocationCase kAllocationCases[] = {
    {"WorkList", 1000, 0},
    {"ResultArray", 8192, 0},
    {"FolderCopy", 0, 262},
};

// The updater built with the failing-allocation seam, armed through the
// environment: the run ends with no box after the copies, and nothing goes.
class PurgeWithoutMemory : public Purge, public testing::WithParamInterface<AllocationCase> {};

TEST_P(PurgeWithoutMemory, EndsTheRunWithNoBoxAndDeletesNothing)
{
    ASSERT_EQ(LayInstallation(0, -1), "");
    ASSERT_EQ(LaySaves(saveFolders[0]), "");
    const std::string updater = bench::AllocFailUpdaterPath();
    WORD machine = bench::ImageMachine(updater);
    ASSERT_TRUE(machine == IMAGE_FILE_MACHINE_I386 || machine == IMAGE_FILE_MACHINE_AMD64) << updater;
    unsigned pointerSize = machine == IMAGE_FILE_MACHINE_I386 ? 4 : 8;
    const AllocationCase &c = GetParam();
    std::string failing = std::to_string(c.pointers != 0 ? c.pointers * pointerSize : c.bytes);
    SetEnvironmentVariableA(FAIL_MALLOC_VARIABLE, failing.c_str());

    bench::Transcript run = Run("YY", updater);

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, (std::vector<Box>{kConfirmBase, kConfirmStart}));
    const std::vector<std::string> fixture = SortedFixture();
    EXPECT_EQ(Contents(saveFolders[0]), fixture);
    // The copies made before the purge stay.
    EXPECT_EQ(layout::DestinationStates(installDir), "nnnnnn");
}

INSTANTIATE_TEST_SUITE_P(Blocks, PurgeWithoutMemory, testing::ValuesIn(kAllocationCases),
                         [](const testing::TestParamInfo<AllocationCase> &info) { return info.param.name; });

} // namespace
