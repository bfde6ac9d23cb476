// The single-instance guard, with real processes: a second copy ends silently
// while the first shows a box, a later copy runs normally, and what holds the
// guard's name decides whether a copy starts at all.
#include <gtest/gtest.h>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/installed_game.h"
#include "e2e/layout.h"

namespace {

class Guard : public InstalledGame {
protected:
    void SetUp() override { ASSERT_EQ(Lay(layout::UPDATE1), ""); }
};

TEST_F(Guard, SecondCopyEndsSilentlyWhileTheFirstShowsABox)
{
    bench::Child first;
    ASSERT_TRUE(first.Start(bench::UpdaterPath(), packageDir));
    HWND box = first.WaitBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bench::ReadBox(box), expected::kConfirmUpdate);

    // The guard names nothing of the package or the game: a copy started from
    // the package and one started elsewhere are both kept out.
    for (const std::string &folder : {packageDir, scratch.Path()}) {
        bench::Transcript second = bench::RunAndAnswer(bench::UpdaterPath(), folder, "", 10000);
        EXPECT_TRUE(second.finished) << folder;
        EXPECT_EQ(second.exitCode, 0u) << folder;
        EXPECT_TRUE(second.boxes.empty()) << folder;
    }

    // The first copy goes on undisturbed.
    first.Answer(box, IDYES);
    bench::Transcript rest = bench::AnswerUntilEnd(first, "Y");
    ASSERT_TRUE(rest.finished);
    EXPECT_EQ(rest.exitCode, 0u);
    EXPECT_EQ(rest.boxes, (std::vector<bench::Box>{expected::kConfirmStart, expected::kSuccess}));
    EXPECT_EQ(layout::DestinationStates(installDir), "nnnnnn");

    // Once the first has ended, a new copy runs normally.
    bench::Transcript later = bench::RunAndAnswer(bench::UpdaterPath(), packageDir, "N");
    ASSERT_TRUE(later.finished);
    EXPECT_EQ(later.boxes, (std::vector<bench::Box>{expected::kConfirmUpdate, expected::kCancelled}));
}

// The guard's name, written out apart from the updater's own.
const char kGuardName[] = "KESTAL_Updater";

// What the test process holds under the guard's name while one copy runs.
enum class Held { Mutex, Event };

struct HeldCase {
    const char *name;
    Held held;
    std::vector<bench::Box> boxes; // the whole transcript, answering Yes throughout
    const char *after;             // DestinationStates after the run
};

void PrintTo(const HeldCase &c, std::ostream *os)
{
    *os << c.name;
}

const HeldCase kHeldCases[] = {
    // Any program's mutex of that name is a copy at work: silent, exit 0, nothing copied.
    {"MutexOfThatNameStopsIt", Held::Mutex, {}, "ooooo-"},
    // No mutex can be made under a name an event holds: the update runs unguarded.
    {"EventOfThatNameLetsItRunUnguarded", Held::Event,
     {expected::kConfirmUpdate, expected::kConfirmStart, expected::kSuccess}, "nnnnnn"},
};

class GuardName : public Guard, public testing::WithParamInterface<HeldCase> {};

TEST_P(GuardName, DecidesWhetherTheUpdateRuns)
{
    const HeldCase &c = GetParam();
    HANDLE held =
        c.held == Held::Mutex ? CreateMutexA(NULL, FALSE, kGuardName) : CreateEventA(NULL, TRUE, FALSE, kGuardName);
    DWORD error = GetLastError();
    ASSERT_NE(held, nullptr) << "creating the object failed: " << error;
    ASSERT_NE(error, (DWORD)ERROR_ALREADY_EXISTS) << "something else holds " << kGuardName;

    bench::Transcript run = bench::RunAndAnswer(bench::UpdaterPath(), packageDir, "YY");
    CloseHandle(held);

    ASSERT_TRUE(run.finished) << "the updater did not end";
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, c.boxes);
    EXPECT_EQ(layout::DestinationStates(installDir), c.after);
}

INSTANTIATE_TEST_SUITE_P(Holders, GuardName, testing::ValuesIn(kHeldCases),
                         [](const testing::TestParamInfo<HeldCase> &info) { return info.param.name; });

TEST_F(Guard, CommandLineArgumentsChangeNothing)
{
    bench::Transcript run = bench::RunAndAnswer(bench::UpdaterPath(), packageDir, "N", 30000, "/S --silent data");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, (std::vector<bench::Box>{expected::kConfirmUpdate, expected::kCancelled}));
    EXPECT_EQ(layout::DestinationStates(installDir), "ooooo-");
}

} // namespace
