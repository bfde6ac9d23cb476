// The single-instance guard, with real processes: a second copy ends silently
// while the first shows a box, and a later copy runs normally.
#include <gtest/gtest.h>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/layout.h"

namespace {

class Guard : public testing::Test {
protected:
    void SetUp() override
    {
        installDir = scratch.Path() + "game\\";
        packageDir = scratch.Path() + "package\\";
        layout::LayInstallation(installDir, layout::UPDATE1);
        layout::LayPackage(packageDir);
        bench::SetInstallDir(installDir);
    }
    void TearDown() override { bench::RemoveInstallKey(); }

    bench::Scratch scratch;
    std::string installDir;
    std::string packageDir;
};

TEST_F(Guard, SecondCopyEndsSilentlyWhileTheFirstShowsABox)
{
    bench::Child first;
    ASSERT_TRUE(first.Start(bench::UpdaterPath(), packageDir));
    HWND box = first.WaitBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bench::ReadBox(box), expected::kConfirmUpdate);

    bench::Child second;
    ASSERT_TRUE(second.Start(bench::UpdaterPath(), packageDir));
    EXPECT_EQ(second.WaitBox(5000), nullptr) << "the second copy showed a box";
    DWORD secondExit = 99;
    ASSERT_TRUE(second.Wait(5000, &secondExit));
    EXPECT_EQ(secondExit, 0u);

    // The first copy goes on undisturbed.
    first.Answer(box, IDYES);
    box = first.WaitBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bench::ReadBox(box), expected::kConfirmStart);
    first.Answer(box, IDYES);
    box = first.WaitBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bench::ReadBox(box), expected::kSuccess);
    first.Answer(box, IDOK);
    DWORD firstExit = 99;
    ASSERT_TRUE(first.Wait(10000, &firstExit));
    EXPECT_EQ(firstExit, 0u);
    EXPECT_EQ(layout::DestinationStates(installDir), "nnnnnn");

    // Once the first has ended, a new copy runs normally.
    bench::Transcript later = bench::RunAndAnswer(bench::UpdaterPath(), packageDir, "N");
    ASSERT_TRUE(later.finished);
    EXPECT_EQ(later.boxes, (std::vector<bench::Box>{expected::kConfirmUpdate, expected::kCancelled}));
}

TEST_F(Guard, ASecondCopyFromAnotherFolderIsKeptOutToo)
{
    bench::Child first;
    ASSERT_TRUE(first.Start(bench::UpdaterPath(), packageDir));
    HWND box = first.WaitBox(10000);
    ASSERT_NE(box, nullptr);

    // The guard names nothing of the package or the game: any second copy is kept out.
    bench::Transcript second = bench::RunAndAnswer(bench::UpdaterPath(), scratch.Path(), "", 10000);
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_TRUE(second.boxes.empty());

    first.Answer(box, IDNO);
}

TEST_F(Guard, CommandLineArgumentsChangeNothing)
{
    bench::Child child;
    ASSERT_TRUE(child.Start(bench::UpdaterPath(), packageDir, "/S --silent data"));
    HWND box = child.WaitBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bench::ReadBox(box), expected::kConfirmUpdate);
    child.Answer(box, IDNO);
    box = child.WaitBox(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bench::ReadBox(box), expected::kCancelled);
    child.Answer(box, IDOK);
    DWORD exitCode = 99;
    ASSERT_TRUE(child.Wait(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(layout::DestinationStates(installDir), "ooooo-");
}

} // namespace
