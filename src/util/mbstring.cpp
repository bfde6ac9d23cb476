// Character walks over code page 932 text and the case-insensitive suffix test.
#include "util/mbstring.h"

#include <string.h>

#define LEAD_16 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1
#define NONE_16 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0

const unsigned char LeadByteTable[256] = {
    NONE_16, NONE_16, NONE_16, NONE_16, NONE_16, NONE_16, NONE_16, NONE_16, // 0x00-0x7F
    0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,                         // 0x80-0x8F
    LEAD_16,                                                                // 0x90-0x9F
    NONE_16, NONE_16, NONE_16, NONE_16,                                     // 0xA0-0xDF
    LEAD_16,                                                                // 0xE0-0xEF
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0,                         // 0xF0-0xFF
};

int IsLeadByte(char byte)
{
    return LeadByteTable[(unsigned char)byte] == 1;
}

static char FoldCapital(char byte)
{
    return byte >= 'A' && byte <= 'Z' ? (char)(byte + ('a' - 'A')) : byte;
}

// Steps over one character; a lead byte right before the terminator stops at it.
static char *NextCharacter(char *position)
{
    if (IsLeadByte(*position)) {
        return position[1] == '\0' ? position + 1 : position + 2;
    }
    return position + 1;
}

void MbsToLower(char *text)
{
    for (char *position = text; *position != '\0'; position = NextCharacter(position)) {
        if (!IsLeadByte(*position)) {
            *position = FoldCapital(*position);
        }
    }
}

void MbsReplaceChar(char *text, char find, char replacement)
{
    for (char *position = text; *position != '\0';) {
        // The step is taken from the byte as it was: a replacement that is a
        // lead-byte value must not swallow the character after it.
        char *next = NextCharacter(position);
        if (!IsLeadByte(*position) && *position == find) {
            *position = replacement;
        }
        position = next;
    }
}

int EndsWithNoCase(const char *text, const char *suffix)
{
    size_t textLength = strlen(text);
    size_t suffixLength = strlen(suffix);
    if (textLength < suffixLength) {
        return 0;
    }
    const char *tail = text + (textLength - suffixLength);
    for (size_t i = 0; i < suffixLength; ++i) {
        if (FoldCapital(tail[i]) != FoldCapital(suffix[i])) {
            return 0;
        }
    }
    return 1;
}
