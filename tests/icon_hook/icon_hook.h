// The hook procedure that records box icons, exported by icon_hook.dll.
#pragma once

#include "platform/win32.h"

#ifdef ICON_HOOK_BUILD
#define ICON_HOOK_API __declspec(dllexport)
#else
#define ICON_HOOK_API __declspec(dllimport)
#endif

// A WH_CALLWNDPROC hook: sees each message sent to a window of the calling
// thread before the window does.
extern "C" ICON_HOOK_API LRESULT CALLBACK BoxIconHook(int code, WPARAM wParam, LPARAM lParam);
