// The updater from entry to report, run for real under Wine: every box it shows,
// the exit code and which installed files it replaced.
#include <gtest/gtest.h>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/layout.h"

using namespace layout;
using namespace expected;
using bench::Box;

namespace {

// How the registry value "Dir" is written for a scenario.
enum class Registry {
    Dir,              // REG_SZ, the install folder with its trailing backslash
    NoKey,            // the key does not exist
    NoValue,          // the key exists without "Dir"
    NoBackslash,      // the install folder without its trailing backslash
    Binary,           // REG_BINARY, the folder text and its terminator
    BinaryNoZero,     // REG_BINARY, the folder text without a terminator
    ExpandSz,         // REG_EXPAND_SZ, the folder text
    Empty,            // REG_SZ, an empty text
    Exactly261NoZero, // REG_BINARY, 261 bytes of which none is zero
    Bytes262,         // REG_SZ longer than the 261-byte buffer
};

struct Scenario {
    const char *name;
    Registry registry;
    unsigned install;       // layout flags
    const char *omit;       // package path left out, or null
    bool fromElsewhere;     // started from a folder that holds no package
    const char *answers;    // for the confirmations, in order
    std::vector<Box> boxes; // the whole transcript
    const char *after;      // DestinationStates after the run
    size_t installDirLength = 0; // the install folder's length in bytes; 0 for a short one
};

void PrintTo(const Scenario &scenario, std::ostream *os)
{
    *os << scenario.name;
}

const Scenario kScenarios[] = {
    {"KeyMissing", Registry::NoKey, 0, nullptr, false, "", {kNotInstalled1}, "oooo--"},
    {"ValueMissing", Registry::NoValue, 0, nullptr, false, "", {kNotInstalled2}, "oooo--"},
    {"NoPacFolder", Registry::Dir, NO_PAC, nullptr, false, "", {kNotInstalled3}, "oooo--"},
    {"NoBnKpk", Registry::Dir, NO_BN_KPK, nullptr, false, "", {kNotInstalled3}, "oooo--"},
    {"BnKpkIsAFolder", Registry::Dir, BN_KPK_DIR, nullptr, false, "YY", {kConfirmBase, kConfirmStart, kSuccess},
     "nnnnnn"},
    {"KeyMissingWinsOverBrokenPackage", Registry::NoKey, NO_PAC, "data\\inst.ini", false, "", {kNotInstalled1},
     "oooo--"},
    {"NoPacWinsOverBrokenPackage", Registry::Dir, NO_PAC, "data\\inst.ini", false, "", {kNotInstalled3}, "oooo--"},
    {"PackageWithoutData", Registry::Dir, 0, "data", false, "", {kPackageBroken}, "oooo--"},
    {"PackageWithoutSaveSettingsExe", Registry::Dir, 0, "data\\セーブファイル設定.exe", false, "", {kPackageBroken},
     "oooo--"},
    {"PackageWithoutUpdate2", Registry::Dir, UPDATE1, "data\\pac\\update2.kpk", false, "", {kPackageBroken},
     "ooooo-"},
    {"StartedFromAnotherFolder", Registry::Dir, 0, nullptr, true, "", {kPackageBroken}, "oooo--"},
    {"BaseYesYes", Registry::Dir, 0, nullptr, false, "YY", {kConfirmBase, kConfirmStart, kSuccess}, "nnnnnn"},
    {"Update1YesYes", Registry::Dir, UPDATE1, nullptr, false, "YY", {kConfirmUpdate, kConfirmStart, kSuccess},
     "nnnnnn"},
    {"Update2OverwritesAll", Registry::Dir, UPDATE1 | UPDATE2, nullptr, false, "YY",
     {kConfirmUpdate, kConfirmStart, kSuccess}, "nnnnnn"},
    {"Update2WithoutUpdate1IsBase", Registry::Dir, UPDATE2, nullptr, false, "YY",
     {kConfirmBase, kConfirmStart, kSuccess}, "nnnnnn"},
    {"Update1FolderIsBaseAndItsCopyFails", Registry::Dir, UPDATE1_DIR, nullptr, false, "YY",
     {kConfirmBase, kConfirmStart, kCopyFailed}, "nnnn-n"},
    {"NoAtFirstBox", Registry::Dir, 0, nullptr, false, "N", {kConfirmBase, kCancelled}, "oooo--"},
    {"NoAtFirstBoxUpdate1", Registry::Dir, UPDATE1, nullptr, false, "N", {kConfirmUpdate, kCancelled}, "ooooo-"},
    {"YesThenNo", Registry::Dir, UPDATE1 | UPDATE2, nullptr, false, "YN", {kConfirmUpdate, kConfirmStart, kCancelled},
     "oooooo"},
    {"ReadOnlyDestination", Registry::Dir, UPDATE1 | READONLY_INST, nullptr, false, "YY",
     {kConfirmUpdate, kConfirmStart, kCopyFailed}, "onnnnn"},
    {"NoUpdchkFolder", Registry::Dir, NO_UPDCHK, nullptr, false, "YY", {kConfirmBase, kConfirmStart, kCopyFailed},
     "nnn-nn"},
    {"DirWithoutTrailingBackslash", Registry::NoBackslash, 0, nullptr, false, "", {kNotInstalled3}, "oooo--"},
    {"DirAsBinary", Registry::Binary, UPDATE1, nullptr, false, "YY", {kConfirmUpdate, kConfirmStart, kSuccess},
     "nnnnnn"},
    {"DirAsBinaryWithoutTerminator", Registry::BinaryNoZero, UPDATE1, nullptr, false, "YY",
     {kConfirmUpdate, kConfirmStart, kSuccess}, "nnnnnn"},
    {"DirAsExpandSz", Registry::ExpandSz, UPDATE1, nullptr, false, "YY", {kConfirmUpdate, kConfirmStart, kSuccess},
     "nnnnnn"},
    {"DirEmpty", Registry::Empty, 0, nullptr, false, "", {kNotInstalled3}, "oooo--"},
    {"Dir261BytesWithoutTerminator", Registry::Exactly261NoZero, 0, nullptr, false, "", {kNotInstalled2}, "oooo--"},
    {"Dir262Bytes", Registry::Bytes262, 0, nullptr, false, "", {kNotInstalled2}, "oooo--"},
    // 244 bytes: "pac\update2.kpk" still fits in 260 characters, "セーブファイル設定.exe"
    // does not: that copy is refused and reported, its old file stays (Wine would
    // take the longer path; Windows would not), and the others are made.
    {"InstallPathTooLongForOneDestination", Registry::Dir, 0, nullptr, false, "YY",
     {kConfirmBase, kConfirmStart, kCopyFailed}, "nnonnn", 244},
};

std::string WriteRegistry(Registry registry, const std::string &installDir)
{
    std::string failure = bench::RemoveInstallKey();
    if (!failure.empty()) {
        return failure;
    }
    std::string folder = installDir.substr(0, installDir.size() - 1);
    switch (registry) {
    case Registry::Dir:
        return bench::SetInstallDir(installDir);
    case Registry::NoKey:
        return "";
    case Registry::NoValue:
        return bench::SetInstallKeyWithoutDir();
    case Registry::NoBackslash:
        return bench::SetInstallDir(folder);
    case Registry::Binary:
        return bench::SetInstallDir(installDir, REG_BINARY);
    case Registry::BinaryNoZero:
        return bench::SetInstallDirBytes(installDir.data(), (DWORD)installDir.size(), REG_BINARY);
    case Registry::ExpandSz:
        return bench::SetInstallDir(installDir, REG_EXPAND_SZ);
    case Registry::Empty:
        return bench::SetInstallDir("");
    case Registry::Exactly261NoZero: {
        std::string bytes = installDir + std::string(261 - installDir.size(), 'x');
        return bench::SetInstallDirBytes(bytes.data(), 261, REG_BINARY);
    }
    case Registry::Bytes262:
        return bench::SetInstallDir(installDir + std::string(261 - installDir.size(), 'x'));
    }
    return "no such registry case\n";
}

class UpdateRun : public testing::TestWithParam<Scenario> {};

TEST_P(UpdateRun, ShowsTheBoxesAndCopiesWhatItShould)
{
    const Scenario &scenario = GetParam();
    bench::Scratch scratch;
    ASSERT_EQ(scratch.Make(), "");
    std::string installDir = scratch.Path() + "game\\";
    if (scenario.installDirLength > 0) {
        installDir = scratch.Path() + std::string(scenario.installDirLength - scratch.Path().size() - 1, 'g') + "\\";
        ASSERT_EQ(installDir.size(), scenario.installDirLength);
    }
    std::string packageDir = scratch.Path() + "package\\";
    ASSERT_EQ(LayInstallation(installDir, scenario.install), "");
    ASSERT_EQ(LaySentinels(scratch.Path(), installDir), "");
    ASSERT_EQ(LayPackage(packageDir, scenario.omit), "");
    ASSERT_EQ(WriteRegistry(scenario.registry, installDir), "");
    Tree before = Snapshot(scratch.Path());

    bench::Transcript run =
        bench::RunAndAnswer(bench::UpdaterPath(), scenario.fromElsewhere ? scratch.Path() : packageDir, scenario.answers);
    EXPECT_EQ(bench::RemoveInstallKey(), "");

    ASSERT_TRUE(run.finished) << "the updater did not end";
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, scenario.boxes);
    EXPECT_EQ(DestinationStates(installDir), scenario.after);
    // The sentinels hold no save file the purge may take: only the destinations change.
    EXPECT_EQ(UnexpectedChanges(before, Snapshot(scratch.Path()), installDir), "");
}

INSTANTIATE_TEST_SUITE_P(Scenarios, UpdateRun, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario> &info) { return info.param.name; });

} // namespace
