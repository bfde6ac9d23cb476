// Takes the save location out of the save-settings bytes.
#include "game/save_settings.h"

int SaveModeFromSettings(const unsigned char *settings, int currentMode)
{
    // Integer 21, little-endian at byte 84, whatever the host's byte order.
    const unsigned char *field = settings + 84;
    unsigned int raw = (unsigned int)field[0] | (unsigned int)field[1] << 8 | (unsigned int)field[2] << 16 |
                       (unsigned int)field[3] << 24;
    return raw <= SAVE_MODE_MY_GAMES ? (int)raw : currentMode;
}
