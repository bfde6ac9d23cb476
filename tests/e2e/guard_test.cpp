// The single-instance guard, with real processes: a second copy ends silently
// while the first shows a box, and a later copy runs normally.
#include <gtest/gtest.h>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/installed_game.h"
#include "e2e/layout.h"

namespace {

class Guard : public InstalledGame {
protected:
    void SetUp() override { Lay(layout::UPDATE1); }
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

TEST_F(Guard, CommandLineArgumentsChangeNothing)
{
    bench::Transcript run = bench::RunAndAnswer(bench::UpdaterPath(), packageDir, "N", 30000, "/S --silent data");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes, (std::vector<bench::Box>{expected::kConfirmUpdate, expected::kCancelled}));
    EXPECT_EQ(layout::DestinationStates(installDir), "ooooo-");
}

} // namespace
