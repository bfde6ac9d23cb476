// Removes the save files that an installation from before the first update
// wrote: the new version of the game cannot read them.
#pragma once

// Deletes every file directly in saveFolder whose name ends in ".sd", in any
// case, 8192 at the most. Under Wine, whose DeleteFileA deletes a link's
// target, a link among them that leads to a file outside the folder is kept;
// on Windows it goes as any other, the file it leads to staying. 0 when the
// folder was listed (whatever the deletions gave), -1 when the listing could
// not get memory; nothing is deleted then.
int PurgeOldSaves();
