// Fuzzes the decoding of the save-settings file: any bytes, any length, read
// as the updater reads them (the first 128, missing ones zero).
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_check.h"
#include "game/save_settings.h"

// Input: the mode the process had so far (4 bytes), then the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4) {
        return 0;
    }
    int32_t currentMode;
    memcpy(&currentMode, data, 4);
    const uint8_t *file = data + 4;
    size_t fileSize = size - 4;

    // Exactly the 128 bytes read, in a block of their own, so a read past it shows.
    unsigned char *settings = (unsigned char *)malloc(SAVE_SETTINGS_SIZE);
    memset(settings, 0, SAVE_SETTINGS_SIZE);
    memcpy(settings, file, fileSize < SAVE_SETTINGS_SIZE ? fileSize : SAVE_SETTINGS_SIZE);

    int mode = SaveModeFromSettings(settings, currentMode);

    uint32_t field = (uint32_t)settings[84] | (uint32_t)settings[85] << 8 | (uint32_t)settings[86] << 16 |
                     (uint32_t)settings[87] << 24;
    CHECK(mode == (field <= 3 ? (int)field : currentMode));
    free(settings);
    return 0;
}
