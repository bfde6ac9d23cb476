// The updater against a running game: a stand-in process holds, under the name
// the game would run under, what the row says, while the updater runs.
#include <gtest/gtest.h>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/layout.h"
#include "game_standin/standin.h"

using namespace layout;
using namespace expected;
using namespace standin;
using bench::Box;

namespace {

struct GameScenario {
    const char *name;
    unsigned held;          // what the stand-in holds under the game's name
    const char *omit;       // package path left out, or null
    std::vector<Box> boxes; // the whole transcript, answering Yes throughout
    const char *after;      // DestinationStates after the run
};

void PrintTo(const GameScenario &scenario, std::ostream *os)
{
    *os << scenario.name;
}

const GameScenario kGameScenarios[] = {
    {"GameRunningRefuses", MUTEX | WINDOW_CLASS, nullptr, {kGameRunning}, "oooo--"},
    {"GameRunningWinsOverBrokenPackage", MUTEX | WINDOW_CLASS, "data\\inst.ini", {kGameRunning}, "oooo--"},
    {"ProbeFailureRefuses", EVENT, nullptr, {kGameRunning}, "oooo--"},
    {"MutexOnlyGoesOn", MUTEX, nullptr, {kConfirmBase, kConfirmStart, kSuccess}, "nnnnnn"},
    {"WindowClassOnlyGoesOn", WINDOW_CLASS, nullptr, {kConfirmBase, kConfirmStart, kSuccess}, "nnnnnn"},
    {"WindowTitleOnlyGoesOn", MUTEX | WINDOW_TITLE, nullptr, {kConfirmBase, kConfirmStart, kSuccess}, "nnnnnn"},
};

class GameRunning : public testing::TestWithParam<GameScenario> {};

TEST_P(GameRunning, RefusesOnlyWhenTheGameHoldsBoth)
{
    const GameScenario &scenario = GetParam();
    bench::Scratch scratch;
    ASSERT_EQ(scratch.Make(), "");
    std::string installDir = scratch.Path() + "Game\\";
    std::string packageDir = scratch.Path() + "package\\";
    ASSERT_EQ(LayInstallation(installDir, 0), "");
    ASSERT_EQ(LayPackage(packageDir, scenario.omit), "");
    ASSERT_EQ(bench::SetInstallDir(installDir), "");
    GameStandIn game;
    ASSERT_TRUE(game.Start(ProbeName(installDir), scenario.held)) << "the stand-in did not come up";

    bench::Transcript run = bench::RunAndAnswer(bench::UpdaterPath(), packageDir, "YY");
    EXPECT_EQ(bench::RemoveInstallKey(), "");

    ASSERT_TRUE(run.finished) << "the updater did not end";
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, scenario.boxes);
    EXPECT_EQ(DestinationStates(installDir), scenario.after);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, GameRunning, testing::ValuesIn(kGameScenarios),
                         [](const testing::TestParamInfo<GameScenario> &info) { return info.param.name; });

} // namespace
