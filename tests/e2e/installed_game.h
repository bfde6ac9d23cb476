// A fixture for tests that start the updater themselves: an installation, a
// complete package and the registry value, removed when the test ends.
#pragma once

#include <gtest/gtest.h>

#include "bench/bench.h"
#include "e2e/layout.h"

class InstalledGame : public testing::Test {
protected:
    // Lays out the installation with the layout flags `flags` and the package;
    // empty when all of it was laid out, else the steps that failed.
    [[nodiscard]] std::string Lay(unsigned flags)
    {
        installDir = scratch.Path() + "game\\";
        packageDir = scratch.Path() + "package\\";
        std::string failures = scratch.Make();
        failures += layout::LayInstallation(installDir, flags);
        failures += layout::LayPackage(packageDir);
        failures += bench::SetInstallDir(installDir);
        return failures;
    }
    void TearDown() override { EXPECT_EQ(bench::RemoveInstallKey(), ""); }

    bench::Scratch scratch;
    std::string installDir;
    std::string packageDir;
};
