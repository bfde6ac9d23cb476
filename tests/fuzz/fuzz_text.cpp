// Fuzzes the code page 932 text operations against a plain model of the walk:
// nothing past the terminator and no byte of a two-byte character may change,
// and the suffix test must agree with a byte-by-byte comparison.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_check.h"
#include "fuzz_model.h"
#include "util/mbstring.h"

namespace {

using model::Action;

int ModelEndsWith(const char *text, const char *suffix)
{
    size_t textLength = strlen(text);
    size_t suffixLength = strlen(suffix);
    if (textLength < suffixLength) {
        return 0;
    }
    for (size_t i = 0; i < suffixLength; ++i) {
        if (model::Fold((unsigned char)text[textLength - suffixLength + i]) != model::Fold((unsigned char)suffix[i])) {
            return 0;
        }
    }
    return 1;
}

// An exactly sized heap copy of `size` bytes, so that ASan sees any step past it.
char *Block(const uint8_t *bytes, size_t size)
{
    char *block = (char *)malloc(size > 0 ? size : 1);
    if (size > 0) {
        memcpy(block, bytes, size);
    }
    return block;
}

// Runs one walk on `body` (with a terminator added) and checks it against the model.
void CheckWalk(const uint8_t *body, size_t size, Action action, unsigned char find, unsigned char replacement)
{
    size_t blockSize = size + 1;
    uint8_t *original = (uint8_t *)malloc(blockSize);
    memcpy(original, body, size);
    original[size] = 0;
    char *text = Block(original, blockSize);
    uint8_t *expected = (uint8_t *)Block(original, blockSize);

    if (action == Action::Lower) {
        MbsToLower(text);
    } else {
        MbsReplaceChar(text, (char)find, (char)replacement);
    }
    model::Walk(expected, action, find, replacement);

    size_t length = strlen((const char *)original);
    // Past the terminator nothing changes, whatever the text before it holds.
    CHECK(memcmp(text + length, original + length, blockSize - length) == 0);
    // The length stays, unless a zero was asked for as the replacement.
    if (action == Action::Lower || replacement != 0) {
        CHECK(strlen(text) == length);
    }
    // Both bytes of every two-byte character stay.
    for (size_t i = 0; i < length; ++i) {
        if (model::Lead(original[i]) && original[i + 1] != 0) {
            CHECK((uint8_t)text[i] == original[i] && (uint8_t)text[i + 1] == original[i + 1]);
            ++i;
        }
    }
    // And every other byte is exactly what the model made of it.
    CHECK(memcmp(text, expected, blockSize) == 0);

    free(expected);
    free(text);
    free(original);
}

void CheckEndsWith(const uint8_t *body, size_t size)
{
    // The text runs to the first zero byte, the suffix from there to the next.
    const uint8_t *zero = (const uint8_t *)memchr(body, 0, size);
    size_t textSize = zero != NULL ? (size_t)(zero - body) : size;
    const uint8_t *rest = zero != NULL ? zero + 1 : body + size;
    size_t restSize = (size_t)(body + size - rest);
    const uint8_t *zero2 = (const uint8_t *)memchr(rest, 0, restSize);
    size_t suffixSize = zero2 != NULL ? (size_t)(zero2 - rest) : restSize;

    uint8_t *textBytes = (uint8_t *)malloc(textSize + 1);
    memcpy(textBytes, body, textSize);
    textBytes[textSize] = 0;
    uint8_t *suffixBytes = (uint8_t *)malloc(suffixSize + 1);
    memcpy(suffixBytes, rest, suffixSize);
    suffixBytes[suffixSize] = 0;
    char *text = Block(textBytes, textSize + 1);
    char *suffix = Block(suffixBytes, suffixSize + 1);

    int result = EndsWithNoCase(text, suffix);
    CHECK(result == 0 || result == 1);
    CHECK(result == ModelEndsWith(text, suffix));
    // The test only reads.
    CHECK(memcmp(text, textBytes, textSize + 1) == 0);
    CHECK(memcmp(suffix, suffixBytes, suffixSize + 1) == 0);

    free(suffix);
    free(text);
    free(suffixBytes);
    free(textBytes);
}

} // namespace

// Input: the byte to find, the byte to write, then the text (its own zero
// bytes included; a terminator is added after it). The text is also split at
// its zero bytes into a name and a suffix for the suffix test.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2) {
        return 0;
    }
    unsigned char find = data[0];
    unsigned char replacement = data[1];
    const uint8_t *body = data + 2;
    size_t bodySize = size - 2;

    CHECK(IsLeadByte((char)find) == (model::Lead(find) ? 1 : 0));
    CheckWalk(body, bodySize, Action::Lower, 0, 0);
    CheckWalk(body, bodySize, Action::Replace, find, replacement);
    // The two uses in the updater, whatever the input asked for.
    CheckWalk(body, bodySize, Action::Replace, '\\', ':');
    CheckWalk(body, bodySize, Action::Replace, '/', '\\');
    CheckEndsWith(body, bodySize);
    return 0;
}
