// A fixture for tests that start the updater themselves: an installation, a
// complete package and the registry value, removed when the test ends.
#pragma once

#include <gtest/gtest.h>

#include "bench/bench.h"
#include "e2e/layout.h"

class InstalledGame : public testing::Test {
protected:
    // Lays out the installation with the layout flags `flags` and the package.
    void Lay(unsigned flags)
    {
        installDir = scratch.Path() + "game\\";
        packageDir = scratch.Path() + "package\\";
        layout::LayInstallation(installDir, flags);
        layout::LayPackage(packageDir);
        bench::SetInstallDir(installDir);
    }
    void TearDown() override { bench::RemoveInstallKey(); }

    bench::Scratch scratch;
    std::string installDir;
    std::string packageDir;
};
