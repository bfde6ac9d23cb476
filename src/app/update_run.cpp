// The update run: finds the installation, checks it and the package, asks twice,
// copies the six files and reports. Each stage runs only when all before it passed.
#include "app/update_run.h"

#include <stdio.h>
#include <string.h>

#include "app/messages.h"
#include "game/game_probe.h"
#include "game/purge.h"
#include "game/save_location.h"
#include "platform/win32.h"

enum InstallState {
    INSTALL_BASE = 1000,
    INSTALL_UPDATE1 = 1010,
    INSTALL_UPDATE2 = 1020,
};

// Tested in this order, all seven always, relative to the current directory.
static const char *const packagePaths[] = {
    "data",
    "data\\inst.ini",
    "data\\qzfchk.ini",
    "data\\セーブファイル設定.exe",
    "data\\updchk\\bn.kpk",
    "data\\pac\\update1.kpk",
    "data\\pac\\update2.kpk",
};

struct CopyEntry {
    const char *source;      // relative to the current directory
    const char *destination; // relative to installDir
};

// No folder is created: "pac" and "updchk" must already exist in the installation.
static const CopyEntry copyTable[] = {
    {"data\\inst.ini", "inst.ini"},
    {"data\\qzfchk.ini", "qzfchk.ini"},
    {"data\\セーブファイル設定.exe", "セーブファイル設定.exe"},
    {"data\\updchk\\bn.kpk", "updchk\\bn.kpk"},
    {"data\\pac\\update1.kpk", "pac\\update1.kpk"},
    {"data\\pac\\update2.kpk", "pac\\update2.kpk"},
};

// 261 bytes: the registry value "Dir" and its terminator; lives for the run.
static char installDir[261];
static_assert(sizeof installDir - 1 + sizeof GAME_EXECUTABLE <= sizeof gameInstanceName,
              "every install folder must leave room for the game's instance name");
// 261 bytes: installDir followed by one relative name, rebuilt for every use.
static char targetPath[261];
// 1024 bytes: CAPTION_UPDATE formatted, the caption of both confirmations.
static char captionText[1024];
// 1600 bytes: the formatted text of the box being shown; lives until the process ends.
static char messageText[1600];
// Opened in stage 1 and deliberately never closed: it lives until the process ends.
static HKEY installKey;

static void ShowNotice(const char *text, const char *caption)
{
    MessageBoxA(NULL, text, caption, MB_OK);
}

static void ShowNotInstalled(const char *caption)
{
    snprintf(messageText, sizeof messageText, MSG_NOT_INSTALLED, GAME_TITLE);
    ShowNotice(messageText, caption);
}

// Returns 0 only when the user answered No; a box that failed counts as consent.
static int Confirm(const char *text)
{
    return MessageBoxA(NULL, text, captionText, MB_YESNO | MB_ICONINFORMATION) != IDNO;
}

// Sets targetPath to installDir + name. A path that does not fit is refused
// (0): Windows' single-byte file operations take no longer path anyway.
static int BuildTargetPath(const char *name)
{
    int written = snprintf(targetPath, sizeof targetPath, "%s%s", installDir, name);
    return written >= 0 && (size_t)written < sizeof targetPath;
}

static int InstallPathExists(const char *name)
{
    return BuildTargetPath(name) && GetFileAttributesA(targetPath) != INVALID_FILE_ATTRIBUTES;
}

// A folder of that name, or a file that cannot be read, counts as absent.
static int InstallFileOpens(const char *name)
{
    if (!BuildTargetPath(name)) {
        return 0;
    }
    FILE *stream = fopen(targetPath, "rb");
    if (stream == NULL) {
        return 0;
    }
    fclose(stream);
    return 1;
}

// Reads "Dir" into installDir, always terminated within its 261 bytes.
static int ReadInstallDir()
{
    DWORD type = REG_SZ;
    DWORD size = sizeof installDir;
    if (RegQueryValueExA(installKey, "Dir", NULL, &type, (BYTE *)installDir, &size) != ERROR_SUCCESS) {
        return 0;
    }
    // The registry does not promise a terminator: a value that fills all 261
    // bytes without one has no room for it and is refused as unreadable.
    if (memchr(installDir, 0, size) == NULL) {
        if (size >= sizeof installDir) {
            return 0;
        }
        installDir[size] = '\0';
    }
    return 1;
}

static int DetectInstallState()
{
    if (!InstallFileOpens("pac\\update1.kpk")) {
        return INSTALL_BASE;
    }
    return InstallFileOpens("pac\\update2.kpk") ? INSTALL_UPDATE2 : INSTALL_UPDATE1;
}

static int PackageComplete()
{
    int complete = 1;
    for (const char *path : packagePaths) {
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
            complete = 0;
        }
    }
    return complete;
}

// Returns 1 when any copy failed; the remaining copies are made all the same.
static int CopyPackage()
{
    int copyFailed = 0;
    for (const CopyEntry &entry : copyTable) {
        if (!BuildTargetPath(entry.destination) || !CopyFileA(entry.source, targetPath, FALSE)) {
            copyFailed = 1;
        }
    }
    return copyFailed;
}

int RunUpdate()
{
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\brenmoral\\Calvento", 0, KEY_ALL_ACCESS, &installKey) !=
        ERROR_SUCCESS) {
        ShowNotInstalled(CAPTION_NOT_INSTALLED_1);
        return -1;
    }

    if (!ReadInstallDir()) {
        ShowNotInstalled(CAPTION_NOT_INSTALLED_2);
        return -1;
    }

    // Both are always queried, so that no short-circuit hides the second.
    int hasPac = InstallPathExists("pac");
    int hasBaseKpk = InstallPathExists("pac\\bn.kpk");
    if (!hasPac || !hasBaseKpk) {
        ShowNotInstalled(CAPTION_NOT_INSTALLED_3);
        return -1;
    }

    ResolveSaveFolder(installDir);

    // A name that cannot be formed leaves the game unseen: refuse as if it ran.
    if (!FormGameInstanceName(installDir) || IsGameRunning(gameInstanceName) != 0) {
        snprintf(messageText, sizeof messageText, MSG_GAME_RUNNING, GAME_TITLE);
        ShowNotice(messageText, CAPTION_ERROR);
        return -1;
    }

    int installState = DetectInstallState();

    if (!PackageComplete()) {
        ShowNotice(MSG_PACKAGE_BROKEN, CAPTION_ERROR);
        return -1;
    }

    snprintf(messageText, sizeof messageText, installState == INSTALL_BASE ? MSG_CONFIRM_BASE : MSG_CONFIRM_UPDATE,
             GAME_TITLE, UPDATE_VERSION);
    snprintf(captionText, sizeof captionText, CAPTION_UPDATE, GAME_TITLE);
    if (!Confirm(messageText)) {
        ShowNotice(MSG_CANCELLED, CAPTION_CANCELLED);
        return -1;
    }
    if (!Confirm(MSG_CONFIRM_START)) {
        ShowNotice(MSG_CANCELLED, CAPTION_CANCELLED);
        return -1;
    }

    int copyFailed = CopyPackage();

    // The first confirmation told the user these saves go; the copies' outcome
    // does not matter. A listing without memory ends the run with no box.
    if (installState == INSTALL_BASE && PurgeOldSaves() != 0) {
        return -1;
    }

    if (copyFailed) {
        ShowNotice(MSG_COPY_FAILED, CAPTION_FAILED);
        return -1;
    }
    ShowNotice(MSG_SUCCESS, CAPTION_SUCCESS);
    return 0;
}
