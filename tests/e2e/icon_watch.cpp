// The end-to-end tests' entry: puts the icon hook in place before the first
// test, so that every box the tests read carries the record of its icon. A
// failure here ends the run as failed; GoogleTest would report the tests of a
// failed global set-up as skipped, and CTest would count them as passed.
#include <stdio.h>

#include <gtest/gtest.h>

#include "bench/bench.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest does it to find them) starts no process.
    if (!GTEST_FLAG_GET(list_tests)) {
        std::string failure = bench::WatchBoxIcons(bench::IconHookHostPath());
        if (!failure.empty()) {
            fprintf(stderr, "The icon hook is not in place: %s", failure.c_str());
            return 1;
        }
    }
    return RUN_ALL_TESTS();
}
