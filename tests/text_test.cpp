#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
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
    EXPECT_EQ(text[0x91], u'\u2018');
    EXPECT_EQ(text[0xFC], u'\u00fc');
}

// A byte that is not part of valid UTF-8 (an overlong form, an encoded surrogate, a stray byte)
// is one character of its own and comes back as that byte: a file name is never lost, nor read as
// another (an overlong "/" as a separator).
TEST(Utf8, KeepsEveryByteOfANameThatIsNotUtf8) {
    for (const std::string bytes : {"\xC0\xAF", "\xED\xB0\x80", "a\xFC", "\xE2\x82z"}) {
        const Text text = FromUtf8(bytes);
        EXPECT_EQ(text.size(), bytes.size()) << bytes;
        EXPECT_EQ(ToUtf8(text), bytes);
    }
    EXPECT_EQ(FromUtf8("\xC3\xBC\xF0\x9F\x98\x80"), u"\u00fc\U0001F600");
}

TEST(AnsiCodePage, WritesAQuestionMarkForCharactersItLacks) {
    EXPECT_EQ(EncodeAnsi(u"a\u4e2db"), "a?b");
    EXPECT_EQ(EncodeAnsi(u"\U0001F600"), "?");
    EXPECT_EQ(EncodeAnsi(u"\u20ac\u00fc"), "\x80\xfc");
}

}  // namespace
}  // namespace vex
