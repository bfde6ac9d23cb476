// The code page 932 text operations on the texts that break byte-wise walks:
// second bytes that look like capitals or separators, and lead bytes at the end.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "platform/win32.h"
#include "util/mbstring.h"

namespace {

// Windows' own code page 932 tables are the oracle, not a second copy of the ranges.
TEST(LeadByteTable, AgreesWithWindowsForEveryByte)
{
    int leadCount = 0;
    for (int byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(byte);
        const bool lead = IsDBCSLeadByteEx(932, (BYTE)byte) != 0;
        EXPECT_EQ(LeadByteTable[byte], lead ? 1 : 0);
        EXPECT_EQ(IsLeadByte((char)byte) != 0, lead);
        leadCount += lead;
    }
    // Guards the oracle itself: a code page Windows does not know has no lead bytes.
    EXPECT_EQ(leadCount, 60);
}

// Sentinel bytes placed after the terminator: both would change if a walk
// went on past it, 'Q' by lowering and '\' by the replacement.
const char kSentinel[] = "Q\\Q\\";

enum class Walk { ToLower, BackslashToColon, KatakanaA, SlashToLeadByte };

struct WalkCase {
    const char *name;
    Walk walk;
    const char *text;
    const char *expected;
};

void PrintTo(const WalkCase &c, std::ostream *os)
{
    *os << c.name;
}

const WalkCase kWalkCases[] = {
    {"LowersCapitalsOnly", Walk::ToLower, "Save-Data_01 AZ@[`z", "save-data_01 az@[`z"},
    {"SecondByteOfAIsNotACapital", Walk::ToLower, "AアB", "aアb"},
    {"FullWidthLettersStay", Walk::ToLower, "ＡＢＣ", "ＡＢＣ"},
    {"HalfWidthKatakanaIsOneByte", Walk::ToLower, "ｱAｶﾞB", "ｱaｶﾞb"},
    {"NonLeadHighBytesAreOneByte", Walk::ToLower, "\x80" "A\xA0" "B\xFD" "C\xFF" "D", "\x80" "a\xA0" "b\xFD" "c\xFF" "d"},
    {"LowerStopsAtLeadBeforeTerminator", Walk::ToLower, "AB\x81", "ab\x81"},
    {"LowerLoneLeadByte", Walk::ToLower, "\xFC", "\xFC"},
    {"LowerEmpty", Walk::ToLower, "", ""},
    {"SeparatorsAroundHyouChange", Walk::BackslashToColon, "D:\\表\\Calvento\\", "D::表:Calvento:"},
    {"SoAndNouKeepTheirSecondByte", Walk::BackslashToColon, "\\ソ能\\", ":ソ能:"},
    {"EverySeparatorChanges", Walk::BackslashToColon, "\\\\a\\", "::a:"},
    {"ReplaceStopsAtLeadBeforeTerminator", Walk::BackslashToColon, "a\\\x95", "a:\x95"},
    {"ReplaceEmpty", Walk::BackslashToColon, "", ""},
    {"KatakanaCanBeMatched", Walk::KatakanaA, "ｱｲｱ", "AｲA"},
    {"KatakanaLikeSecondByteStays", Walk::KatakanaA, "\x81\xB1ｱ", "\x81\xB1" "A"},
    // A written lead-byte value does not make the next byte its second one.
    {"LeadByteAsReplacementSkipsNothing", Walk::SlashToLeadByte, "//a/", "\x95\x95" "a\x95"},
};

class MbsWalk : public testing::TestWithParam<WalkCase> {};

TEST_P(MbsWalk, ChangesOnlySingleByteCharactersUpToTheTerminator)
{
    const WalkCase &c = GetParam();
    // The text, its terminator, the sentinel and the sentinel's own terminator.
    std::string buffer = std::string(c.text) + '\0' + kSentinel;
    char *text = &buffer[0];
    switch (c.walk) {
    case Walk::ToLower:
        MbsToLower(text);
        break;
    case Walk::BackslashToColon:
        MbsReplaceChar(text, '\\', ':');
        break;
    case Walk::KatakanaA:
        MbsReplaceChar(text, (char)0xB1, 'A'); // ｱ
        break;
    case Walk::SlashToLeadByte:
        MbsReplaceChar(text, '/', (char)0x95);
        break;
    }
    size_t length = strlen(c.text);
    EXPECT_EQ(buffer.substr(0, length), c.expected);
    EXPECT_EQ(buffer[length], '\0');
    EXPECT_EQ(buffer.substr(length + 1), kSentinel);
}

INSTANTIATE_TEST_SUITE_P(Cases, MbsWalk, testing::ValuesIn(kWalkCases),
                         [](const testing::TestParamInfo<WalkCase> &info) { return info.param.name; });

// Every two-byte character whose second byte reads as a capital or a backslash,
// between single-byte characters that do change.
TEST(MbsWalk, NoSecondByteIsEverActedOn)
{
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsDBCSLeadByteEx(932, (BYTE)lead)) {
            continue;
        }
        for (int second : {0x41, 0x4D, 0x5A, 0x5C}) {
            SCOPED_TRACE(testing::Message() << std::hex << lead << " " << second);
            char text[] = {'A', '\\', (char)lead, (char)second, 'Z', '\\', '\0'};
            MbsToLower(text);
            MbsReplaceChar(text, '\\', ':');
            const char expected[] = {'a', ':', (char)lead, (char)second, 'z', ':', '\0'};
            EXPECT_STREQ(text, expected);
        }
    }
}

TEST(MbsReplaceChar, LeadByteOrTerminatorAsFindNeverMatches)
{
    char text[] = "表a\x95";
    MbsReplaceChar(text, (char)0x95, 'x');
    MbsReplaceChar(text, '\0', 'x');
    EXPECT_STREQ(text, "表a\x95");
}

struct SuffixCase {
    const char *name;
    const char *text;
    const char *suffix;
    int expected;
};

void PrintTo(const SuffixCase &c, std::ostream *os)
{
    *os << c.name;
}

const SuffixCase kSuffixCases[] = {
    {"SameCase", "save01.sd", ".sd", 1},
    {"TextInCapitals", "SAVE01.SD", ".sd", 1},
    {"SuffixInCapitals", "save01.sd", ".SD", 1},
    {"MixedCase", "Save01.sD", ".Sd", 1},
    {"WholeText", ".sd", ".SD", 1},
    {"TextShorterThanSuffix", "sd", ".sd", 0},
    {"DifferentEnding", "save01.sdx", ".sd", 0},
    {"SuffixInTheMiddle", "a.sd.bak", ".sd", 0},
    {"EmptySuffixMatchesAnyText", "save01.sd", "", 1},
    {"EmptySuffixMatchesEmptyText", "", "", 1},
    {"EmptyTextMatchesNoOtherSuffix", "", ".sd", 0},
    {"JapaneseName", "セーブ01.SD", ".sd", 1},
    {"TailStartsOnSecondByteOfA", "ア", "a", 1},
    {"TailStartsOnSecondByteOfHyou", "表", "\\", 1},
    {"FullWidthLettersDoNotFold", "ＳＤ", "ｓｄ", 0},
    {"HighBytesDoNotFold", "a\xC1", "a\xE1", 0},
};

class EndsWithNoCaseTest : public testing::TestWithParam<SuffixCase> {};

TEST_P(EndsWithNoCaseTest, FoldsOnlyAsciiCapitals)
{
    const SuffixCase &c = GetParam();
    EXPECT_EQ(EndsWithNoCase(c.text, c.suffix), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, EndsWithNoCaseTest, testing::ValuesIn(kSuffixCases),
                         [](const testing::TestParamInfo<SuffixCase> &info) { return info.param.name; });

} // namespace
