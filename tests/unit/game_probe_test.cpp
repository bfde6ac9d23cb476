// The running-game probe against a stand-in process holding the objects the
// game would hold, and the instance name it looks for.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "game/game_probe.h"
#include "game_standin/standin.h"
#include "support/import_seam.h"

using namespace standin;

// Link-time seams (see tests/CMakeLists.txt): while a probe runs, they note the
// mutex handle it got and every CloseHandle call, so that a handle kept or
// closed twice shows. Counting calls, not live handles: Wine's
// GetProcessHandleCount always answers 0, and a closed handle's value may be
// handed out again at once.
extern "C" {
extern HANDLE(WINAPI *realCreateMutexA)(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR) __asm__(IMPORT_SEAM(__real, CreateMutexA, 12));
extern BOOL(WINAPI *realCloseHandle)(HANDLE) __asm__(IMPORT_SEAM(__real, CloseHandle, 4));
}

namespace {

bool recording;
HANDLE probeHandle;
int probeHandleCloses; // successful closes of probeHandle
int otherCloses;       // every other call, failed ones included

HANDLE WINAPI RecordingCreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name)
{
    HANDLE mutex = realCreateMutexA(attributes, initialOwner, name);
    // Keeps the probe's own last-error value for it to read.
    DWORD error = GetLastError();
    if (recording) {
        probeHandle = mutex;
    }
    SetLastError(error);
    return mutex;
}

BOOL WINAPI RecordingCloseHandle(HANDLE handle)
{
    BOOL closed = realCloseHandle(handle);
    DWORD error = GetLastError();
    if (recording) {
        if (closed && handle == probeHandle) {
            ++probeHandleCloses;
        } else {
            ++otherCloses;
        }
    }
    SetLastError(error);
    return closed;
}

} // namespace

extern "C" {
extern HANDLE(WINAPI *wrapCreateMutexA)(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR) __asm__(IMPORT_SEAM(__wrap, CreateMutexA, 12));
extern BOOL(WINAPI *wrapCloseHandle)(HANDLE) __asm__(IMPORT_SEAM(__wrap, CloseHandle, 4));
HANDLE(WINAPI *wrapCreateMutexA)(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR) = RecordingCreateMutexA;
BOOL(WINAPI *wrapCloseHandle)(HANDLE) = RecordingCloseHandle;
}

namespace {

struct NameCase {
    const char *name;
    const char *installDir;
    const char *expected;
};

void PrintTo(const NameCase &c, std::ostream *os)
{
    *os << c.name;
}

const NameCase kNameCases[] = {
    {"SeparatorsBecomeColons", "D:\\Games\\Calvento\\", "d::games:calvento:calvento.exe"},
    {"CapitalsAnywhereFold", "C:\\PROGRAM Files\\CalVenTo\\", "c::program files:calvento:calvento.exe"},
    {"SmallLettersGiveTheSameName", "c:\\program files\\calvento\\", "c::program files:calvento:calvento.exe"},
    {"FullWidthLettersStay", "D:\\ＡＢ\\", "d::ＡＢ:calvento.exe"},
    {"HyouKeepsItsSecondByte", "D:\\ゲーム表\\", "d::ゲーム表:calvento.exe"},
    {"AKeepsItsCapitalSecondByte", "D:\\アクア\\", "d::アクア:calvento.exe"},
    {"EmptyFolder", "", "calvento.exe"},
};

class GameInstanceName : public testing::TestWithParam<NameCase> {};

TEST_P(GameInstanceName, IsTheLoweredExecutablePathWithColons)
{
    const NameCase &c = GetParam();
    ASSERT_EQ(FormGameInstanceName(c.installDir), 1);
    EXPECT_STREQ(gameInstanceName, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, GameInstanceName, testing::ValuesIn(kNameCases),
                         [](const testing::TestParamInfo<NameCase> &info) { return info.param.name; });

TEST(GameInstanceName, HyouSecondByteIsStillThere)
{
    ASSERT_EQ(FormGameInstanceName("D:\\表\\"), 1);
    const char expected[] = {'d', ':', ':', (char)0x95, (char)0x5C, ':', 'c'};
    EXPECT_EQ(memcmp(gameInstanceName, expected, sizeof expected), 0);
}

TEST(GameInstanceName, LongestInstallFolderFits)
{
    std::string installDir = "C:\\" + std::string(256, 'D') + "\\";
    ASSERT_EQ(installDir.size(), 260u);
    ASSERT_EQ(FormGameInstanceName(installDir.c_str()), 1);
    EXPECT_EQ(std::string(gameInstanceName), "c::" + std::string(256, 'd') + ":calvento.exe");
}

TEST(GameInstanceName, TooLongFolderLeavesNoName)
{
    std::string installDir = "C:\\" + std::string(257, 'D') + "\\";
    ASSERT_EQ(FormGameInstanceName(installDir.c_str()), 0);
    EXPECT_STREQ(gameInstanceName, "");
}

struct ProbeCase {
    const char *name;
    unsigned held; // what the stand-in holds under the probed name
    signed char expected;
};

void PrintTo(const ProbeCase &c, std::ostream *os)
{
    *os << c.name;
}

const ProbeCase kProbeCases[] = {
    {"Nothing", 0, 0},
    {"MutexOnly", MUTEX, 0},
    {"WindowClassOnly", WINDOW_CLASS, 0},
    {"MutexAndWindowClass", MUTEX | WINDOW_CLASS, 1},
    {"MutexAndWindowTitleOnly", MUTEX | WINDOW_TITLE, 0},
    {"EventOfThatName", EVENT, -1},
};

class GameProbe : public testing::TestWithParam<ProbeCase> {};

TEST_P(GameProbe, FindsTheGameAndHoldsNothingAfterwards)
{
    const ProbeCase &c = GetParam();
    std::string name = "c::calvento-probe-" + std::to_string(GetCurrentProcessId()) + ":表:" + c.name + ":calvento.exe";
    GameStandIn game;
    if (c.held != 0) {
        ASSERT_TRUE(game.Start(name, c.held)) << "the stand-in did not come up";
    }
    // The stand-in holds exactly what the row says.
    HANDLE gameMutex = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    ASSERT_EQ(gameMutex != NULL, (c.held & MUTEX) != 0);
    if (gameMutex != NULL) {
        CloseHandle(gameMutex);
    }
    ASSERT_EQ(FindWindowA(name.c_str(), NULL) != NULL, (c.held & WINDOW_CLASS) != 0);
    ASSERT_EQ(FindWindowA(NULL, name.c_str()) != NULL, (c.held & WINDOW_TITLE) != 0);

    probeHandle = NULL;
    probeHandleCloses = 0;
    otherCloses = 0;
    recording = true;
    signed char result = IsGameRunning(name.c_str());
    recording = false;

    EXPECT_EQ(result, c.expected);
    // The mutex handle the probe got, if any, is closed once and only once.
    EXPECT_EQ(probeHandle != NULL, c.expected != -1);
    EXPECT_EQ(probeHandleCloses, probeHandle != NULL ? 1 : 0) << "0: the probe kept its mutex; 2: closed it twice";
    EXPECT_EQ(otherCloses, 0) << "the probe closed a handle that was not its own, or closed one twice";
    if ((c.held & MUTEX) == 0) {
        EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()), (HANDLE)NULL) << "the probe left its mutex behind";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GameProbe, testing::ValuesIn(kProbeCases),
                         [](const testing::TestParamInfo<ProbeCase> &info) { return info.param.name; });

} // namespace
