// A link-time seam (-Wl,--wrap=malloc) through which a test makes one chosen
// allocation of the code under test fail, instead of exhausting the machine.
#pragma once

#include <stddef.h>

// Fails the allocation of `size` bytes that comes after `skip` others of that
// size; every other allocation goes through.
void FailMallocOf(size_t size, int skip = 0);
void StopFailingMalloc();
// The environment variable that arms the seam in a child process, as "SIZE" or
// "SIZE:SKIP", read when the program starts.
#define FAIL_MALLOC_VARIABLE "CALVTEST_FAIL_MALLOC"
