// Two copies of the updater started at the same moment, over and over, and a
// game started while a confirmation is open: what the one thread and the guard
// make of processes that do not wait for each other.
#include <gtest/gtest.h>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/installed_game.h"
#include "e2e/layout.h"
#include "game_standin/standin.h"

namespace {

using Concurrency = InstalledGame;

// Enough starts to catch a guard that lets both through now and then.
const int kTrials = 25;

TEST_F(Concurrency, OfTwoCopiesStartedTogetherExactlyOneShowsABox)
{
    ASSERT_EQ(Lay(layout::UPDATE1), "");
    for (int trial = 0; trial < kTrials; ++trial) {
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        bench::Child copies[2];
        // Both are made and held before their first instruction, then let go back to back.
        ASSERT_TRUE(copies[0].Start(bench::UpdaterPath(), packageDir, "", CREATE_SUSPENDED));
        ASSERT_TRUE(copies[1].Start(bench::UpdaterPath(), packageDir, "", CREATE_SUSPENDED));
        copies[0].Resume();
        copies[1].Resume();

        // A copy that shows a box waits for its answer, so one that ends by
        // itself has shown none.
        HWND box[2] = {NULL, NULL};
        bool ended[2] = {false, false};
        DWORD exitCode[2] = {99, 99};
        DWORD start = GetTickCount();
        while (!((box[0] != NULL || ended[0]) && (box[1] != NULL || ended[1])) && GetTickCount() - start < 20000) {
            for (int i = 0; i < 2; ++i) {
                if (box[i] == NULL && !ended[i]) {
                    box[i] = copies[i].WaitBox(0);
                    ended[i] = box[i] == NULL && copies[i].Wait(0, &exitCode[i]);
                }
            }
        }
        ASSERT_TRUE((box[0] != NULL) != (box[1] != NULL)) << "boxes: " << (box[0] != NULL) << (box[1] != NULL);
        int shown = box[0] != NULL ? 0 : 1;
        int silent = 1 - shown;
        ASSERT_TRUE(ended[silent]);
        EXPECT_EQ(exitCode[silent], 0u);

        EXPECT_EQ(bench::ReadBox(box[shown]), expected::kConfirmUpdate);
        copies[shown].Answer(box[shown], IDNO);
        HWND cancelled = copies[shown].WaitBox(10000);
        ASSERT_NE(cancelled, nullptr);
        EXPECT_EQ(bench::ReadBox(cancelled), expected::kCancelled);
        copies[shown].Answer(cancelled, IDOK);
        ASSERT_TRUE(copies[shown].Wait(10000, &exitCode[shown]));
        EXPECT_EQ(exitCode[shown], 0u);
    }
    EXPECT_EQ(layout::DestinationStates(installDir), "ooooo-");
}

TEST_F(Concurrency, GameStartedWhileAConfirmationIsOpenIsNotSeen)
{
    ASSERT_EQ(Lay(0), "");
    ASSERT_EQ(bench::CreateFolder(installDir + "save"), "");
    ASSERT_EQ(bench::WriteNewFile(installDir + "save\\a.sd", "save"), "");

    bench::Child updater;
    ASSERT_TRUE(updater.Start(bench::UpdaterPath(), packageDir));
    HWND box = updater.WaitBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bench::ReadBox(box), expected::kConfirmBase);

    // The check was made before this box: the game that starts now goes unseen.
    standin::GameStandIn game;
    ASSERT_TRUE(game.Start(standin::ProbeName(installDir), standin::MUTEX | standin::WINDOW_CLASS));
    updater.Answer(box, IDYES);
    box = updater.WaitBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bench::ReadBox(box), expected::kConfirmStart);
    updater.Answer(box, IDYES);
    box = updater.WaitBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bench::ReadBox(box), expected::kSuccess);
    updater.Answer(box, IDOK);
    DWORD exitCode = 99;
    ASSERT_TRUE(updater.Wait(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(layout::DestinationStates(installDir), "nnnnnn");
    EXPECT_FALSE(bench::PathExists(installDir + "save\\a.sd"));

    // The stand-in is the game as the check sees it: a copy started now refuses.
    bench::Transcript later = bench::RunAndAnswer(bench::UpdaterPath(), packageDir, "YY");
    ASSERT_TRUE(later.finished);
    EXPECT_EQ(later.boxes, std::vector<bench::Box>{expected::kGameRunning});
}

} // namespace
