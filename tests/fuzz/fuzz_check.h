// The fuzz targets' check: a failed invariant aborts the run with its text, so
// that libFuzzer keeps the input that broke it.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#define CHECK(condition)                                                                                               \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                             \
            abort();                                                                                                   \
        }                                                                                                              \
    } while (0)
