// The failing-allocation seam: every malloc of the wrapped code comes here.
#include "support/failing_malloc.h"

#include <stdlib.h>

#include "platform/win32.h"

extern "C" void *__real_malloc(size_t size);

static size_t failSize;
static int failSkip = -1; // -1: disarmed

void FailMallocOf(size_t size, int skip)
{
    failSize = size;
    failSkip = skip;
}

void StopFailingMalloc()
{
    failSkip = -1;
}

extern "C" void *__wrap_malloc(size_t size)
{
    if (failSkip >= 0 && size == failSize) {
        if (failSkip == 0) {
            failSkip = -1;
            return NULL;
        }
        --failSkip;
    }
    return __real_malloc(size);
}

static int ArmFromEnvironment()
{
    char value[64];
    DWORD length = GetEnvironmentVariableA(FAIL_MALLOC_VARIABLE, value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        return 0;
    }
    char *end = NULL;
    unsigned long size = strtoul(value, &end, 10);
    FailMallocOf(size, *end == ':' ? atoi(end + 1) : 0);
    return 1;
}

static const int armedAtStart = ArmFromEnvironment();
