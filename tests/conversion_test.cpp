#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/conversion.h"
#include "conversion/names.h"
#include "conversion/numbers.h"
#include "conversion/value_line.h"
#include "fuzz/memory_file_system.h"
#include "shell/command_line.h"

namespace vex {
namespace {

using test::MemoryFileSystem;

struct VectorCase {
    const char16_t* line;
    bool swap;
    const char16_t* x;
    const char16_t* y;
    const char16_t* z;
    const char16_t* vector;
};

TEST(CutVector, CutsNumbersAsText) {
    const std::vector<VectorCase> cases = {
        {u"   translation=\"1.000000 -2.500000 0.250000\"", false, u"1.000", u"-2.500", u"0.250",
         u"<1.000, -2.500, 0.250> "},
        {u"   scale=\"0.500000 0.750000 2.000000\"", true, u"0.500", u"0.750", u"2.000",
         u"<0.500, 2.000, 0.750> "},
        {u"t=\"1.5 2.5 3.5\"", false, u"1.5 ", u"2.5 ", u"3.5", u"<1.5 , 2.5 , 3.5> "},
        {u"t=\"-2.567890 0.123456 0 \"", false, u"-2.567", u"0.123", u"0 ",
         u"<-2.567, 0.123, 0 > "},
        // Whole numbers stay whole, with the space that follows them.
        {u"t=\"100 1000 7\"", false, u"100 ", u"1000 ", u"7", u"<100 , 1000 , 7> "},
        {u"t=\"0 0 0\"", false, u"0 ", u"0 ", u"0", u"<0 , 0 , 0> "},
        // No quote: the whole line is the value, less its last character.
        {u"1.0 2.0 3.0x", false, u"1.0 ", u"2.0 ", u"3.0", u"<1.0 , 2.0 , 3.0> "},
        // No space: x and y are empty and z takes everything.
        {u"v=\"12.34567\"", false, u"", u"", u"12.345", u"<, , 12.345> "},
        {u"", false, u"", u"", u"", u"<, , > "},
        {u"", true, u"", u"", u"", u"<, , > "},
        // A piece is judged whole before it is cut: a number keeps its exponent, anything else
        // (two numbers, a number and more) is no number at all.
        {u"t=\"1.500000e-05 1.000#fopen 2.5E10\"", false, u"1.500e-05 ", u"", u"2.5E10",
         u"<1.500e-05 , , 2.5E10> "},
        {u"r=\"0.000000 0.707107 0.707107 3.141593\"", false, u"0.000", u"0.707", u"",
         u"<0.000, 0.707, > "},
    };
    for (const VectorCase& c : cases) {
        const Vector3Text v = CutVector(c.line, c.swap);
        EXPECT_EQ(v.x, c.x) << ToUtf8(c.line);
        EXPECT_EQ(v.y, c.y) << ToUtf8(c.line);
        EXPECT_EQ(v.z, c.z) << ToUtf8(c.line);
        EXPECT_EQ(v.vector, c.vector) << ToUtf8(c.line);
    }
}

TEST(IsPovNumber, TakesOnlyNumbersPovRayReads) {
    for (const char16_t* number : {u"1", u"1.", u"1.250", u".5", u"-2.567", u"+3", u"1e5",
                                   u"1.5E-3", u"2e+07", u" 0 ", u"007"}) {
        EXPECT_TRUE(IsPovNumber(number)) << ToUtf8(number);
    }
    for (const char16_t* other : {u"", u" ", u".", u"-", u"+.", u"1e", u"1e+", u"e5", u"1 2",
                                  u"1.5.2", u"--1", u"1\t", u"\u0661", u"0x10", u"1,5", u"#"}) {
        EXPECT_FALSE(IsPovNumber(other)) << ToUtf8(other);
    }
}

// --- The whole conversion (exports held to their exact includes and messages, also which names
// take rows and what a full table leaves out: golden_test.cpp)

// Every name a message shows (paths, the base name, an option, an argument) is cleaned: a crafted
// name can neither steer the terminal nor forge a line of its own, and other characters stay.
TEST(CleanName, CleansEveryNameAMessageShows) {
    const Text name =
        u"e\x1b]52;c;eA==\x07\r\n\x1f \x7f\x9f\xa0\u061c\u200e\u200f\u2028\u2029\u202a"
        u"\u202e\u2066\u2069\xdc80\u00fc\U0001F600\xd800";
    const Text shown = u"e?]52;c;eA==???? ??\u00a0??????????\u00fc\U0001F600?";
    const Text input = u"/m/" + name + u".x3d";
    MemoryFileSystem memory;
    ScopedFileSystem scoped(memory);
    std::vector<std::pair<Text, Text>> said;  // a message, and what it must begin with
    said.emplace_back(ConvertFile(input).text, u"/m/" + shown + u".x3d could not be opened (");
    memory.files[input] = "";
    memory.failReadAfter = 0;
    said.emplace_back(ConvertFile(input).text, u"/m/" + shown + u".x3d could not be read to its");
    memory.failReadAfter = -1;
    memory.refuseCreate = true;
    said.emplace_back(ConvertFile(input).text, u"/m/" + shown + u".inc could not be written (");
    memory.refuseCreate = false;
    memory.files[input] = "<Transform DEF=\"Mball_TRANSFORM\"\n t=\"0 0 0\"\n s=\"1 1 1\"\n";
    said.emplace_back(ConvertFile(input).text, shown + u".inc created > blobs: 1 sweeps: 0\nIt " +
                                                   u"declares " + DeclaredNameFor(name) +
                                                   u", since \"" + shown + u"\" is not a name");
    said.emplace_back(ConvertFile(u"/m/" + name + u".inc").text, u"/m/" + shown + u".inc is the");
    said.emplace_back(UsageErrorText(ParseArguments({u"-" + name}).error),
                      u"vexlorin: unknown option '-" + shown + u"'\n");
    const auto none = [](const Text&) { return std::vector<Text>(); };
    said.emplace_back(
        ConvertFiles({name}, none, [](const Text& f) { return ConvertFile(f); }).message.text,
        shown + u" could not be opened (no file matches it)");
    for (const auto& [text, beginning] : said) {
        EXPECT_EQ(text.substr(0, beginning.size()), beginning);
    }
}

}  // namespace
}  // namespace vex
