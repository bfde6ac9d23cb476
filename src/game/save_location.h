// Where the installed game keeps its save data: one of four folders, chosen by
// the game's save-settings file in the install folder.
#pragma once

#include "game/save_settings.h"

// The mode the settings file selected; SAVE_MODE_INSTALL_DIR at process start.
extern int SaveFolderMode;
// 260 bytes each: the user's application-data and documents folders, without a
// trailing backslash; empty when Windows could not name them.
extern char appDataFolder[260];
extern char documentsFolder[260];
// 1024 bytes: the save folder, always ending in a backslash (at most 302
// characters); kept until the process ends and read by the old-save purge.
extern char saveFolder[1024];

// Fills saveFolder (and the three above) for the install folder `installDir`,
// which ends in a backslash. Reads only; never fails.
void ResolveSaveFolder(const char *installDir);
