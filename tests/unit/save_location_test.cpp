// The save folder chosen by the game's save-settings file, against the special
// folders that Wine itself reports.
#include <gtest/gtest.h>

#include <stdint.h>

#include "bench/bench.h"
#include "game/save_location.h"

namespace {

std::string SpecialFolder(int csidl)
{
    char folder[MAX_PATH] = "";
    SHGetSpecialFolderPathA(NULL, folder, csidl, FALSE);
    return folder;
}

// A settings file of `size` bytes, zero but for integer 21 (when it fits) and,
// from byte 128 on, `tail` repeated.
std::string Settings(size_t size, int32_t mode, char tail = 0)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < 4 && 84 + i < size; ++i) {
        bytes[84 + i] = (char)((uint32_t)mode >> (8 * i));
    }
    for (size_t i = 128; i < size; ++i) {
        bytes[i] = tail;
    }
    return bytes;
}

enum Folder { INSTALL, APPDATA, DOCUMENTS, MY_GAMES };

struct SettingsCase {
    const char *name;
    bool present;
    std::string content;
    Folder expected;
};

void PrintTo(const SettingsCase &c, std::ostream *os)
{
    *os << c.name;
}

const SettingsCase kCases[] = {
    {"Missing", false, "", INSTALL},
    {"Empty", true, "", INSTALL},
    {"Bytes84", true, Settings(84, 0), INSTALL},
    {"Bytes85WithByte84Two", true, Settings(85, 2), DOCUMENTS},
    {"Mode1", true, Settings(88, 1), APPDATA},
    {"Mode2", true, Settings(128, 2), DOCUMENTS},
    {"Mode3", true, Settings(88, 3), MY_GAMES},
    {"Mode4", true, Settings(88, 4), INSTALL},
    {"ModeMinus1", true, Settings(88, -1), INSTALL},
    // Read past 128 bytes, the 0x01 bytes would make a value that is not 2.
    {"BytesAfter128Ignored", true, Settings(300, 2, 1), DOCUMENTS},
    {"ModeHighBytesSet", true, Settings(88, 0x100 + 1), INSTALL},
};

class SaveLocation : public testing::TestWithParam<SettingsCase> {};

TEST_P(SaveLocation, ChoosesTheFolderTheSettingsName)
{
    const SettingsCase &c = GetParam();
    bench::Scratch scratch;
    ASSERT_EQ(scratch.Make(), "");
    std::string installDir = scratch.Path() + "game\\";
    ASSERT_EQ(bench::CreateFolder(installDir), "");
    if (c.present) {
        ASSERT_EQ(bench::WriteNewFile(installDir + "qzsfs.dat", c.content), "");
    }
    SaveFolderMode = SAVE_MODE_INSTALL_DIR; // as at process start

    ResolveSaveFolder(installDir.c_str());

    std::string appData = SpecialFolder(CSIDL_APPDATA);
    std::string documents = SpecialFolder(CSIDL_PERSONAL);
    ASSERT_FALSE(appData.empty());
    ASSERT_FALSE(documents.empty());
    const std::string expected[] = {
        installDir + "save\\",
        appData + "\\Brenmoral_SaveData\\Calvento\\save\\",
        documents + "\\Brenmoral_SaveData\\Calvento\\save\\",
        documents + "\\My Games\\Brenmoral_SaveData\\Calvento\\save\\",
    };
    EXPECT_EQ(std::string(saveFolder), expected[c.expected]);
    EXPECT_EQ(SaveFolderMode, (int)c.expected);
    // Both lookups are made whatever the mode.
    EXPECT_EQ(std::string(appDataFolder), appData);
    EXPECT_EQ(std::string(documentsFolder), documents);
}

INSTANTIATE_TEST_SUITE_P(Files, SaveLocation, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<SettingsCase> &info) { return info.param.name; });

TEST(SaveLocationPath, InstallFolderTooLongForTheSettingsPathReadsNoFile)
{
    // 254 characters: "\qzsfs.dat" and the terminator no longer fit in 264 bytes.
    bench::Scratch scratch;
    ASSERT_EQ(scratch.Make(), "");
    std::string installDir = scratch.Path() + std::string(254 - scratch.Path().size() - 1, 'd') + "\\";
    ASSERT_EQ(installDir.size(), 254u);
    ASSERT_EQ(bench::CreateFolder(installDir), "");
    // The file is there, though no single-byte path can name it.
    ASSERT_EQ(bench::WriteNewFile(installDir + "qzsfs.dat", Settings(88, 1)), "");
    SaveFolderMode = SAVE_MODE_INSTALL_DIR;

    ResolveSaveFolder(installDir.c_str());

    EXPECT_EQ(SaveFolderMode, SAVE_MODE_INSTALL_DIR);
    EXPECT_EQ(std::string(saveFolder), installDir + "save\\");
}

} // namespace
