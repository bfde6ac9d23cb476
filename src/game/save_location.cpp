// Resolves the save folder from "qzsfs.dat" and the user's special folders.
#include "game/save_location.h"

#include <stdio.h>
#include <string.h>

#include "platform/win32.h"

int SaveFolderMode = SAVE_MODE_INSTALL_DIR;
char appDataFolder[260];
char documentsFolder[260];
char saveFolder[1024];

static const char SAVE_SUBFOLDER[] = "\\Brenmoral_SaveData\\Calvento\\save\\";

// Leaves `folder` empty when Windows cannot name it, as the game's own lookup does.
static void LookUpSpecialFolder(char *folder, int csidl)
{
    folder[0] = '\0';
    if (!SHGetSpecialFolderPathA(NULL, folder, csidl, FALSE)) {
        folder[0] = '\0';
    }
}

// The mode that the settings file beside the game selects, or `currentMode`.
static int ReadSaveMode(const char *installDir, int currentMode)
{
    // 264 bytes: installDir, "\qzsfs.dat" and the terminator. The doubled
    // backslash after installDir's own is how the game names the file.
    char saveSettingsPath[264];
    int written = snprintf(saveSettingsPath, sizeof saveSettingsPath, "%s\\qzsfs.dat", installDir);
    if (written < 0 || (size_t)written >= sizeof saveSettingsPath) {
        // A path that does not fit names no file Windows could open: as if missing.
        return SAVE_MODE_INSTALL_DIR;
    }
    FILE *file = fopen(saveSettingsPath, "rb");
    if (file == NULL) {
        return SAVE_MODE_INSTALL_DIR;
    }
    // 128 bytes on the stack, so there is no allocation that could fail; bytes
    // a short file does not have stay zero. Read byte by byte, so that the
    // bytes of a cut-off last integer are kept, not left indeterminate.
    unsigned char settings[SAVE_SETTINGS_SIZE];
    memset(settings, 0, sizeof settings);
    (void)fread(settings, 1, sizeof settings, file);
    fclose(file);
    return SaveModeFromSettings(settings, currentMode);
}

void ResolveSaveFolder(const char *installDir)
{
    // Both are looked up on every call, whatever the mode turns out to be.
    LookUpSpecialFolder(appDataFolder, CSIDL_APPDATA);
    LookUpSpecialFolder(documentsFolder, CSIDL_PERSONAL);

    SaveFolderMode = ReadSaveMode(installDir, SaveFolderMode);

    // Every text fits: at most 259 + 9 + 35 characters in 1024 bytes.
    switch (SaveFolderMode) {
    case SAVE_MODE_APPDATA:
        snprintf(saveFolder, sizeof saveFolder, "%s%s", appDataFolder, SAVE_SUBFOLDER);
        break;
    case SAVE_MODE_DOCUMENTS:
        snprintf(saveFolder, sizeof saveFolder, "%s%s", documentsFolder, SAVE_SUBFOLDER);
        break;
    case SAVE_MODE_MY_GAMES:
        snprintf(saveFolder, sizeof saveFolder, "%s\\My Games%s", documentsFolder, SAVE_SUBFOLDER);
        break;
    default:
        snprintf(saveFolder, sizeof saveFolder, "%ssave\\", installDir);
        break;
    }
}
