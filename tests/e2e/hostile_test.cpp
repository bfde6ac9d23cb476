// The updater against what other programs and people leave on a machine: odd
// registry values, long and two-byte paths, odd save folders, a file held open,
// links out of the save folder. Each row has one outcome, and around it a tree
// of sentinels shows that only the destinations and the purged saves change.
#include <gtest/gtest.h>

#include <memory>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/layout.h"
#include "game_standin/standin.h"

using namespace layout;
using namespace expected;
using bench::Box;

namespace {

// What is odd about the machine in a row.
enum class Setup {
    Plain,                    // nothing: the installation in "game\", "Dir" its REG_SZ path
    DirDword,                 // "Dir" a REG_DWORD
    DirMultiSz,               // "Dir" a REG_MULTI_SZ whose first text is the install folder
    DirExpandSzReference,     // "Dir" a REG_EXPAND_SZ naming the installation through %TEMP%
    Dir261RegSzNoTerminator,  // "Dir" a REG_SZ of 261 bytes, none of them zero
    TwoByteFolder,            // the installation in "表ソ能\" (second bytes 0x5C)
    TwoByteFolderGameRunning, // the same, with the game running there
    SaveFolderIsAFile,        // "save" in the installation is a file
    SaveSettingsIsAFolder,    // "qzsfs.dat" in the installation is a folder
    HiddenSystemReadOnly,     // save files hidden, system, both, and read-only
    DestinationHeldOpen,      // "qzfchk.ini" held open without sharing by another process
    LinkToFolderOutside,      // links in the save folder to a folder beside the installation
    LinkToFileOutside,        // a link "link.sd" in the save folder to a file beside the installation
    InstallThroughLink,       // "Dir" names a link to the installation
};

struct HostileCase {
    const char *name;
    Setup setup;
    size_t installDirLength;        // the install folder's length in bytes; 0 for "game\"
    std::vector<Box> boxes;         // the whole transcript, answering Yes throughout
    const char *after;              // DestinationStates after the run
    std::vector<const char *> saves; // files laid in the save folder
    std::vector<const char *> gone;  // those of them that the purge deletes
};

void PrintTo(const HostileCase &c, std::ostream *os)
{
    *os << c.name;
}

const std::vector<Box> kBaseSuccess = {kConfirmBase, kConfirmStart, kSuccess};
const std::vector<Box> kBaseCopyFailed = {kConfirmBase, kConfirmStart, kCopyFailed};

const HostileCase kHostileCases[] = {
    // Registry values of other types: the bytes are the folder text, up to the first zero.
    {"DirAsDword", Setup::DirDword, 0, {kNotInstalled3}, "oooo--", {"a.sd"}, {}},
    {"DirAsMultiSzUsesItsFirstText", Setup::DirMultiSz, 0, kBaseSuccess, "nnnnnn", {"a.sd"}, {"a.sd"}},
    // Not expanded, though the expanded folder is a complete installation.
    {"DirAsExpandSzWithReferenceIsNotExpanded", Setup::DirExpandSzReference, 0, {kNotInstalled3}, "oooo--",
     {"a.sd"}, {}},
    // The registry itself refuses a string of 261 bytes without a zero for a 261-byte buffer.
    {"Dir261BytesRegSzWithoutTerminator", Setup::Dir261RegSzNoTerminator, 0, {kNotInstalled2}, "oooo--", {}, {}},

    // Long install folders. At 247 bytes the checks pass; "qzfchk.ini" and
    // "updchk\bn.kpk" still fit 260 characters, the other destinations do not
    // and their copies fail. Each save path is 253 bytes and the name: "a.sd"
    // fits; "セーブ.sd" (262 bytes, though only 259 characters) does not, and
    // is left out rather than cut to "セーブ.s", which would name another file.
    {"InstallPath247", Setup::Plain, 247, kBaseCopyFailed, "nnon--", {"a.sd", "セーブ.sd", "セーブ.s"}, {"a.sd"}},
    // From 249 bytes the game's instance name is longer than the 260
    // characters a mutex name may have: the probe fails, and the update is
    // refused as if the game ran.
    {"InstallPath249ProbeFails", Setup::Plain, 249, {kGameRunning}, "oooo--", {"a.sd"}, {}},
    {"InstallPath250ProbeFails", Setup::Plain, 250, {kGameRunning}, "oooo--", {"a.sd"}, {}},
    // From 251 bytes "pac\bn.kpk" does not fit 260 characters: counted as missing.
    {"InstallPath251", Setup::Plain, 251, {kNotInstalled3}, "oooo--", {"a.sd"}, {}},
    {"InstallPath260", Setup::Plain, 260, {kNotInstalled3}, "oooo--", {"a.sd"}, {}},

    // 表, ソ and 能 end in 0x5C: no byte of them is taken for a separator or lowered.
    {"TwoByteFolderAndSaveNames", Setup::TwoByteFolder, 0, kBaseSuccess, "nnnnnn",
     {"表.sd", "ソ.SD", "能A.sd", "ア.sd", "表.sdx", "sd.表"}, {"表.sd", "ソ.SD", "能A.sd", "ア.sd"}},
    {"TwoByteFolderGameRunning", Setup::TwoByteFolderGameRunning, 0, {kGameRunning}, "oooo--", {"表.sd"}, {}},

    {"SaveFolderIsAFile", Setup::SaveFolderIsAFile, 0, kBaseSuccess, "nnnnnn", {}, {}},
    // The install folder's own save folder, as when the file is missing.
    {"SaveSettingsIsAFolder", Setup::SaveSettingsIsAFolder, 0, kBaseSuccess, "nnnnnn", {"a.sd"}, {"a.sd"}},
    // Attributes do not matter to the listing; Windows refuses only the read-only one.
    {"HiddenAndSystemSavesGoReadOnlyStays", Setup::HiddenSystemReadOnly, 0, kBaseSuccess, "nnnnnn",
     {"h.sd", "s.sd", "hs.SD", "r.sd"}, {"h.sd", "s.sd", "hs.SD"}},
    // Its copy fails, the others are made, the purge runs, and the failure is reported.
    {"DestinationHeldOpen", Setup::DestinationHeldOpen, 0, kBaseCopyFailed, "nonnnn", {"a.sd"}, {"a.sd"}},
    // Links are never followed: what they lead to stays, and so do they.
    {"LinkToFolderOutsideIsNotEntered", Setup::LinkToFolderOutside, 0, kBaseSuccess, "nnnnnn", {"a.sd"},
     {"a.sd"}},
    {"LinkToFileOutsideIsKept", Setup::LinkToFileOutside, 0, kBaseSuccess, "nnnnnn", {"a.sd"}, {"a.sd"}},
    // The save folder reached through a link is still the save folder.
    {"InstallReachedThroughALink", Setup::InstallThroughLink, 0, kBaseSuccess, "nnnnnn", {"a.sd", "b.SD"},
     {"a.sd", "b.SD"}},
};


class Hostile : public testing::TestWithParam<HostileCase> {};

TEST_P(Hostile, HasOneOutcomeAndTouchesNothingElse)
{
    const HostileCase &c = GetParam();
    bench::Scratch scratch;
    ASSERT_EQ(scratch.Make(), "");
    std::string installDir = scratch.Path() + "game\\";
    if (c.installDirLength > 0) {
        installDir = scratch.Path() + std::string(c.installDirLength - scratch.Path().size() - 1, 'g') + "\\";
        ASSERT_EQ(installDir.size(), c.installDirLength);
    } else if (c.setup == Setup::TwoByteFolder || c.setup == Setup::TwoByteFolderGameRunning) {
        installDir = scratch.Path() + "表ソ能\\";
    }
    std::string saveDir = installDir + "save\\";
    std::string packageDir = scratch.Path() + "package\\";
    ASSERT_EQ(LayInstallation(installDir, 0), "");
    ASSERT_EQ(LaySentinels(scratch.Path(), installDir, c.setup != Setup::SaveFolderIsAFile), "");
    ASSERT_EQ(LayPackage(packageDir), "");
    for (const char *save : c.saves) {
        ASSERT_EQ(bench::WriteNewFile(saveDir + save, std::string("save:") + save), "");
    }

    ASSERT_EQ(bench::RemoveInstallKey(), "");
    ASSERT_EQ(bench::SetInstallDir(installDir), "");
    HANDLE held = INVALID_HANDLE_VALUE;
    standin::GameStandIn game;
    std::unique_ptr<bench::UnixLink> links[2];
    switch (c.setup) {
    case Setup::Plain:
    case Setup::TwoByteFolder:
        break;
    case Setup::DirDword: {
        DWORD value = 1;
        ASSERT_EQ(bench::SetInstallDirBytes(&value, sizeof value, REG_DWORD), "");
        break;
    }
    case Setup::DirMultiSz: {
        std::string texts = installDir + '\0' + scratch.Path() + '\0' + '\0';
        ASSERT_EQ(bench::SetInstallDirBytes(texts.data(), (DWORD)texts.size(), REG_MULTI_SZ), "");
        break;
    }
    case Setup::DirExpandSzReference: {
        char temp[MAX_PATH];
        DWORD length = GetTempPathA(sizeof temp, temp);
        ASSERT_EQ(installDir.compare(0, length, temp), 0);
        std::string reference = "%TEMP%\\" + installDir.substr(length);
        char expanded[MAX_PATH];
        ExpandEnvironmentStringsA(reference.c_str(), expanded, sizeof expanded);
        ASSERT_EQ(std::string(expanded), installDir) << "the reference must name the installation once expanded";
        ASSERT_EQ(bench::SetInstallDir(reference, REG_EXPAND_SZ), "");
        break;
    }
    case Setup::Dir261RegSzNoTerminator: {
        std::string bytes = installDir + std::string(261 - installDir.size(), 'x');
        ASSERT_EQ(bench::SetInstallDirBytes(bytes.data(), 261, REG_SZ), "");
        break;
    }
    case Setup::TwoByteFolderGameRunning:
        // The separators become colons, the 0x5C of 表, ソ and 能 stays.
        ASSERT_TRUE(game.Start(standin::ProbeName(installDir), standin::MUTEX | standin::WINDOW_CLASS));
        break;
    case Setup::SaveFolderIsAFile:
        ASSERT_EQ(bench::WriteNewFile(installDir + "save", "sentinel"), "");
        break;
    case Setup::SaveSettingsIsAFolder:
        ASSERT_EQ(bench::CreateFolder(installDir + "qzsfs.dat"), "");
        ASSERT_EQ(bench::WriteNewFile(installDir + "qzsfs.dat\\a.sd", "sentinel"), "");
        break;
    case Setup::HiddenSystemReadOnly: {
        const std::pair<const char *, DWORD> attributes[] = {
            {"h.sd", FILE_ATTRIBUTE_HIDDEN},
            {"s.sd", FILE_ATTRIBUTE_SYSTEM},
            {"hs.SD", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
            {"r.sd", FILE_ATTRIBUTE_READONLY},
        };
        for (const auto &[name, attribute] : attributes) {
            std::string path = saveDir + name;
            ASSERT_EQ(bench::SetAttributes(path, attribute), "");
            ASSERT_EQ(GetFileAttributesA(path.c_str()) & attribute, attribute) << name << " did not take its attributes";
        }
        break;
    }
    case Setup::DestinationHeldOpen: {
        held = CreateFileA((installDir + "qzfchk.ini").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        DWORD error = GetLastError();
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << "CreateFileA failed: " << error;
        break;
    }
    case Setup::LinkToFolderOutside:
        ASSERT_EQ(bench::CreateFolder(scratch.Path() + "outside"), "");
        ASSERT_EQ(bench::WriteNewFile(scratch.Path() + "outside\\x.sd", "sentinel"), "");
        ASSERT_EQ(bench::WriteNewFile(scratch.Path() + "outside\\keep.SD", "sentinel"), "");
        links[0] = std::make_unique<bench::UnixLink>(scratch.Path() + "outside", saveDir + "linked.sd");
        links[1] = std::make_unique<bench::UnixLink>(scratch.Path() + "outside", saveDir + "linked");
        ASSERT_TRUE(links[0]->made && links[1]->made);
        // Wine shows a link to a folder as a folder that is a reparse point.
        ASSERT_TRUE(bench::IsFolder(saveDir + "linked.sd"));
        break;
    case Setup::LinkToFileOutside:
        ASSERT_EQ(bench::WriteNewFile(scratch.Path() + "keep.sd", "sentinel"), "");
        links[0] = std::make_unique<bench::UnixLink>(scratch.Path() + "keep.sd", saveDir + "link.sd");
        ASSERT_TRUE(links[0]->made);
        // Wine shows a link to a file as a plain file, and DeleteFileA of it
        // would delete the file it leads to.
        ASSERT_EQ(bench::ReadWholeFile(saveDir + "link.sd"), "sentinel");
        break;
    case Setup::InstallThroughLink:
        links[0] = std::make_unique<bench::UnixLink>(scratch.Path() + "game", scratch.Path() + "linked_game");
        ASSERT_TRUE(links[0]->made);
        ASSERT_EQ(bench::SetInstallDir(scratch.Path() + "linked_game\\"), "");
        break;
    }
    Tree before = Snapshot(scratch.Path());

    bench::Transcript run = bench::RunAndAnswer(bench::UpdaterPath(), packageDir, "YY");
    EXPECT_EQ(bench::RemoveInstallKey(), "");
    if (held != INVALID_HANDLE_VALUE) {
        CloseHandle(held);
    }

    ASSERT_TRUE(run.finished) << "the updater did not end";
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, c.boxes);
    EXPECT_EQ(DestinationStates(installDir), c.after);
    std::vector<std::string> gone;
    for (const char *save : c.gone) {
        gone.push_back(saveDir + save);
    }
    EXPECT_EQ(UnexpectedChanges(before, Snapshot(scratch.Path()), installDir, gone), "");
}

INSTANTIATE_TEST_SUITE_P(Machines, Hostile, testing::ValuesIn(kHostileCases),
                         [](const testing::TestParamInfo<HostileCase> &info) { return info.param.name; });

} // namespace
