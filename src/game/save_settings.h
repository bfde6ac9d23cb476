// Decoding of the game's save-settings file "qzsfs.dat": 32 little-endian
// 32-bit integers, of which integer 21 names the save location. No Windows here.
#pragma once

enum {
    SAVE_MODE_INSTALL_DIR = 0,
    SAVE_MODE_APPDATA = 1,
    SAVE_MODE_DOCUMENTS = 2,
    SAVE_MODE_MY_GAMES = 3,
};

// 128 bytes: the part of the file that is read; what follows never matters.
enum { SAVE_SETTINGS_SIZE = 128 };

// The mode that `settings` (the first 128 bytes of the file, missing bytes zero)
// selects; a value outside 0 to 3 leaves `currentMode`.
int SaveModeFromSettings(const unsigned char *settings, int currentMode);
