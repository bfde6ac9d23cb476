// A link-time seam on LoadLibraryExA (support/import_seam.h) through which a test
// makes the updater's loading of one Windows DLL fail.
#pragma once

// The environment variable that names the DLL, as "user32.dll".
#define FAIL_DLL_VARIABLE "UPDATER_FAIL_DLL"
