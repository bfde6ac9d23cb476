// Code page 932 text operations that never split a two-byte character: the
// second byte of ア (0x83 0x41) is a capital A, and that of 表 (0x95 0x5C) a
// backslash, and both must survive.
#pragma once

// One entry per byte value: 1 for a lead byte (0x81-0x9F, 0xE0-0xFC), else 0.
// Fixed data: it does not follow the system's code page or locale.
extern const unsigned char LeadByteTable[256];

// 1 when the character that starts with `byte` is two bytes long, else 0.
int IsLeadByte(char byte);

// Lowers the 26 ASCII capitals in place; two-byte characters stay as they are.
void MbsToLower(char *text);

// Overwrites every single-byte character `find` with `replacement`, in place.
// A lead-byte value or 0 as `find` never matches.
void MbsReplaceChar(char *text, char find, char replacement);

// 1 when `text` ends with `suffix`, folding only the ASCII capitals; compares
// bytes, so the tail may start on the second byte of a two-byte character.
int EndsWithNoCase(const char *text, const char *suffix);
