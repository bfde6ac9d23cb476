// Tells whether the installed game is running: while it runs, the game holds a
// named mutex and a top-level window whose class bears the same name.
#pragma once

// The game's executable; the name it runs under is made from its path.
#define GAME_EXECUTABLE "Calvento.exe"

// 273 bytes: an install folder of at most 260 bytes, GAME_EXECUTABLE and the
// terminator. Written once by the update run; lives until the process ends.
extern char gameInstanceName[273];

// Sets gameInstanceName to installDir + GAME_EXECUTABLE, lowered and with every
// backslash turned into a colon. Returns 1; 0 when the text would not fit, and
// the name is then left empty.
int FormGameInstanceName(const char *installDir);

// 1 when the game runs, 0 when it does not, -1 when the probe's mutex cannot be
// created. Holds no handle once it has returned.
signed char IsGameRunning(const char *name);

// Gives up the probe's mutex if one is held.
void ReleaseGameProbe();
