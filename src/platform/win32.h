// The one place that includes the Windows headers. Every other file reaches the
// Windows operations it needs (all in their single-byte "A" form) through here.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shlobj.h>
