// The floor of the start-up benchmark: built as the updater is, it shows the
// updater's first box at once. Built a second time with LOOK_UP_SAVE_FOLDERS,
// it first asks the shell for the two folders that the updater must ask for.
#include <stdio.h>

#include "app/messages.h"
#include "platform/win32.h"

// 1600 and 1024 bytes, as the updater's own text and caption buffers.
static char messageText[1600];
static char captionText[1024];

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
#ifdef LOOK_UP_SAVE_FOLDERS
    // MAX_PATH bytes, as the call requires; the paths themselves are not used.
    char folder[MAX_PATH];
    SHGetSpecialFolderPathA(NULL, folder, CSIDL_APPDATA, FALSE);
    SHGetSpecialFolderPathA(NULL, folder, CSIDL_PERSONAL, FALSE);
#endif
    snprintf(messageText, sizeof messageText, MSG_CONFIRM_BASE, GAME_TITLE, UPDATE_VERSION);
    snprintf(captionText, sizeof captionText, CAPTION_UPDATE, GAME_TITLE);
    MessageBoxA(NULL, messageText, captionText, MB_YESNO | MB_ICONINFORMATION);
    return 0;
}
