// Plain models of the code page 932 walks, written apart from the product so
// that the fuzz targets can compare every byte against them.
#pragma once

#include <stddef.h>

namespace model {

inline bool Lead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

inline unsigned char Fold(unsigned char byte)
{
    return byte >= 'A' && byte <= 'Z' ? (unsigned char)(byte - 'A' + 'a') : byte;
}

enum class Action { Lower, Replace };

// The walk as it is meant to be: a lead byte and the one after it are one
// character and left alone; whether a byte leads is decided before acting on it.
inline void Walk(unsigned char *text, Action action, unsigned char find = 0, unsigned char replacement = 0)
{
    size_t i = 0;
    while (text[i] != 0) {
        if (Lead(text[i])) {
            if (text[i + 1] == 0) {
                break;
            }
            i += 2;
            continue;
        }
        if (action == Action::Lower) {
            text[i] = Fold(text[i]);
        } else if (text[i] == find) {
            text[i] = replacement;
        }
        i += 1;
    }
}

} // namespace model
