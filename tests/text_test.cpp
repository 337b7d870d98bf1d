#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "text/text.h"

namespace vex {
namespace {

constexpr int64_t Min = std::numeric_limits<int64_t>::min();
constexpr int64_t Max = std::numeric_limits<int64_t>::max();

struct FindCase {
    const char16_t* t;
    const char16_t* s;
    int64_t start;
    int64_t expected;
};

TEST(FindText, FollowsItsEdgeRules) {
    const std::vector<FindCase> cases = {
        {u"abc", u"", 1, 0},      {u"", u"a", 1, 0},          {u"abc", u"abc", 1, 1},
        {u"ab", u"abc", 1, 0},    {u"Sweep", u"sweep", 1, 0}, {u"abcabc", u"bc", 3, 5},
        {u"abcabc", u"bc", 1, 2}, {u"abcabc", u"bc", 0, 2},   {u"abcabc", u"bc", -7, 2},
        {u"abcabc", u"bc", 6, 0}, {u"abcabc", u"bc", 7, 0},   {u"abcabc", u"bc", 100, 0},
        {u"aaa", u"aa", 1, 1},    {u"aaa", u"aa", 2, 2},      {u"abcabc", u"c", 6, 6},
        {u"abc", u"a", Min, 1},   {u"abc", u"a", Max, 0},     {u"", u"", 1, 0},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(FindText(c.t, c.s, c.start), c.expected)
            << "FindText(" << ToUtf8(c.t) << ", " << ToUtf8(c.s) << ", " << c.start << ")";
    }
    EXPECT_EQ(FindText(u"1.234", u"."), 2);  // the default start is 1
}

// The first unit of a needle is looked for by one byte of it: units that share that byte, in
// either half, are candidates the whole unit must rule out.
TEST(FindText, PassesOverUnitsThatShareAByteWithTheNeedle) {
    // Units that hold the byte 0x54 of "T" in either half, or the byte 0x01 of U+0100, in runs
    // long enough that a search meets many of them before a real match.
    std::mt19937 random(31);
    const char16_t alphabet[] = {u'T', 0x5454, 0x0154, 0x5400, 0x54FF, u'a', 0x0100, 0x0101};
    const std::vector<Text> needles = {u"T", u"Ta", u"\x5454", u"\x0154", u"\x0100", u"\x0101a"};
    for (int round = 0; round < 400; ++round) {
        Text t(random() % 300, u'a');
        const uint32_t common = random() % 8;
        for (char16_t& unit : t) {
            unit = random() % 8 == 0 ? alphabet[random() % 8] : alphabet[common];
        }
        for (const Text& s : needles) {
            for (const int64_t start : std::vector<int64_t>{1, 2, 40, 150}) {
                const size_t at = t.find(s, static_cast<size_t>(start) - 1);
                ASSERT_EQ(FindText(t, s, start), at == Text::npos ? 0 : 1 + int64_t(at))
                    << "round " << round << ", start " << start;
            }
        }
    }
}

struct MidCase {
    const char16_t* t;
    int64_t start;
    int64_t n;
    const char16_t* expected;
};

TEST(MidText, ClampsStartAndCount) {
    const std::vector<MidCase> cases = {
        {u"abcdef", 0, 3, u"abc"},        {u"abcdef", 1, 3, u"abc"},  {u"abcdef", -5, 3, u"abc"},
        {u"abcdef", 5, 10, u"ef"},        {u"abcdef", 7, 1, u""},     {u"abcdef", 2, 0, u""},
        {u"abcdef", 2, -1, u""},          {u"abcdef", 6, 1, u"f"},    {u"", 0, -1, u""},
        {u"abcdef", Min, Max, u"abcdef"}, {u"abcdef", Max, Max, u""}, {u"abcdef", 3, Min, u""},
        {u"abcdef", Min, 2, u"ab"},
    };
    for (const MidCase& c : cases) {
        EXPECT_EQ(MidText(c.t, c.start, c.n), c.expected)
            << "MidText(" << ToUtf8(c.t) << ", " << c.start << ", " << c.n << ")";
    }
}

TEST(MidText, WithoutCountRunsToTheEnd) {
    const std::vector<MidCase> cases = {
        {u"abcdef", 0, 0, u"abcdef"},   {u"abcdef", 6, 0, u"f"},  {u"abcdef", 7, 0, u""},
        {u"abcdef", Min, 0, u"abcdef"}, {u"abcdef", Max, 0, u""}, {u"", 1, 0, u""},
    };
    for (const MidCase& c : cases) {
        EXPECT_EQ(MidText(c.t, c.start), c.expected) << ToUtf8(c.t) << " from " << c.start;
    }
}

TEST(LeftText, ClampsTheCount) {
    EXPECT_EQ(LeftText(u"abc", 5), u"abc");
    EXPECT_EQ(LeftText(u"abc", 0), u"");
    EXPECT_EQ(LeftText(u"abc", -2), u"");
    EXPECT_EQ(LeftText(u"abc", Max), u"abc");
    EXPECT_EQ(LeftText(u"abc", Min), u"");
}

TEST(TrimText, RemovesOnlyOuterSpaces) {
    EXPECT_EQ(TrimText(u"  a b "), u"a b");
    EXPECT_EQ(TrimText(u"   "), u"");
    EXPECT_EQ(TrimText(u""), u"");
    EXPECT_EQ(TrimText(u"\ta\t"), u"\ta\t");
    EXPECT_EQ(TrimText(u"\u00a0a\r\n"), u"\u00a0a\r\n");
    EXPECT_EQ(TrimText(u"<1, 2, 3> "), u"<1, 2, 3>");
}

TEST(DecimalText, WritesEverySixtyFourBitValue) {
    EXPECT_EQ(DecimalText(0), u"0");
    EXPECT_EQ(DecimalText(-5), u"-5");
    EXPECT_EQ(DecimalText(7), u"7");
    EXPECT_EQ(DecimalText(1234567890123), u"1234567890123");
    EXPECT_EQ(DecimalText(Max), u"9223372036854775807");
    EXPECT_EQ(DecimalText(Min), u"-9223372036854775808");
}

TEST(AnsiCodePage, MapsEveryByteToOneCharacterAndBack) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    const Text text = DecodeAnsi(all);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(EncodeAnsi(text), all);
    EXPECT_EQ(text[0x80], u'\u20ac');
    EXPECT_EQ(text[0x81], u'\u0081');
    EXPECT_EQ(text[0xFC], u'\u00fc');
}

TEST(AnsiCodePage, WritesAQuestionMarkForCharactersItLacks) {
    EXPECT_EQ(EncodeAnsi(u"a\u4e2db"), "a?b");
    EXPECT_EQ(EncodeAnsi(u"\U0001F600"), "?");
    EXPECT_EQ(EncodeAnsi(u"\u20ac\u00fc"), "\x80\xfc");
}

}  // namespace
}  // namespace vex
