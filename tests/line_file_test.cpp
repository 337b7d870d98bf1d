#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fuzz/memory_file_system.h"
#include "tests/test_support.h"
#include "text/line_file.h"

namespace vex {
namespace {

using test::MemoryFileSystem;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

// Every line of a file, read the way the scanner reads: test for the end, then take a line.
std::vector<Text> ReadAllLines(LineFileId id) {
    std::vector<Text> lines;
    while (!IsEndOfFile(id)) {
        lines.push_back(ReadLine(id, AnsiFormat));
    }
    return lines;
}

std::vector<Text> LinesOfBytes(const std::string& bytes) {
    TempFolder folder;
    WriteBytes(folder.path() / "in.txt", bytes);
    const LineFileId id = OpenLineFile(AutoId, folder.TextPath("in.txt"));
    EXPECT_NE(id, 0);
    std::vector<Text> lines = ReadAllLines(id);
    EXPECT_TRUE(CloseLineFile(id));
    return lines;
}

struct LineCase {
    std::string bytes;
    std::vector<Text> lines;
};

const std::vector<LineCase>& LineEndCases() {
    static const std::vector<LineCase> cases = {
        {"", {}},
        {"a\r\nb\r\n", {u"a", u"b"}},
        {"a\nb\n", {u"a", u"b"}},
        {"a\rb\r", {u"a", u"b"}},
        {"a\nb", {u"a", u"b"}},
        {"a\n\rb", {u"a", u"", u"b"}},
        {"a\r\r\nb", {u"a", u"", u"b"}},
        {std::string("a\0b\n", 4), {u"a", u"b"}},
        {"x\r", {u"x"}},
        {"\n", {u""}},
        {"\n\n", {u"", u""}},
        {"\xef\xbb\xbfX3D\n", {u"\u00ef\u00bb\u00bfX3D"}},
        // One and two whole buffers, each file ending in its line end: no empty line follows.
        {std::string(4095, 'a') + "\n", {Text(4095, u'a')}},
        {std::string(4094, 'a') + "\r\n" + std::string(4094, 'b') + "\r\n",
         {Text(4094, u'a'), Text(4094, u'b')}},
    };
    return cases;
}

// The same lines come from a file on disk and from reads of any size, down to one byte at a time,
// so a CR LF split between two refills is still one line end.
TEST(ReadLine, EndsLinesAtLfCrLfLoneCrAndZeroWhateverTheReadSize) {
    for (const LineCase& c : LineEndCases()) {
        EXPECT_EQ(LinesOfBytes(c.bytes), c.lines) << "bytes: " << c.bytes;
        for (const int64_t chunk : {1, 2, 3, 4095, 4096}) {
            MemoryFileSystem memory;
            memory.readChunks = {chunk};
            memory.files[u"in"] = c.bytes;
            ScopedFileSystem scoped(memory);
            const LineFileId id = OpenLineFile(AutoId, u"in");
            EXPECT_EQ(ReadAllLines(id), c.lines) << "chunk " << chunk << ", bytes: " << c.bytes;
            CloseLineFile(id);
        }
    }
}

// 25 is UTF-16 elsewhere; reading or writing it as ANSI bytes would pass without a sign.
TEST(LineFileFormats, OnlyOfferedOnesAreTakenOthersFailTheFile) {
    for (const int32_t format : {25, 1, -1}) {
        MemoryFileSystem memory;
        memory.files[u"in"] = "a\nb\nc\n";
        ScopedFileSystem scoped(memory);
        const LineFileId input = OpenLineFile(AutoId, u"in");
        EXPECT_EQ(ReadLine(input, format), u"");
        Text line;
        EXPECT_FALSE(ReadLineIfHolds(input, format, "b", line));
        EXPECT_EQ(ReadLine(input, AnsiFormat), u"c");  // the refused lines were passed over
        EXPECT_FALSE(CloseLineFile(input));
        EXPECT_EQ(LastLineFileError(), u"text format " + DecimalText(format) + u" is not offered");

        const LineFileId output = CreateLineFile(AutoId, u"out");
        WriteLine(output, u"a", AnsiFormat);
        WriteLine(output, u"b", format);
        WriteLine(output, u"c", AnsiFormat);
        EXPECT_FALSE(CloseLineFile(output));
        EXPECT_EQ(memory.files[u"out"], "a\r\n") << format;
    }
}

TEST(ReadLine, DecodesUtf8WhenAskedTo) {
    MemoryFileSystem memory;
    memory.files[u"in"] = "szene_\xc3\xbc\n";
    ScopedFileSystem scoped(memory);
    const LineFileId id = OpenLineFile(AutoId, u"in");
    EXPECT_EQ(ReadLine(id, Utf8Format), u"szene_\u00fc");
    CloseLineFile(id);
}

std::string WrittenBytes(const std::vector<Text>& lines) {
    TempFolder folder;
    const LineFileId id = CreateLineFile(AutoId, folder.TextPath("out.inc"));
    EXPECT_NE(id, 0);
    for (const Text& line : lines) {
        WriteLine(id, line, AnsiFormat);
    }
    EXPECT_TRUE(CloseLineFile(id));
    return ReadBytes(folder.path() / "out.inc");
}

TEST(WriteLine, EndsEveryLineWithCrLf) {
    EXPECT_EQ(WrittenBytes({u""}), "\r\n");
    EXPECT_EQ(WrittenBytes({u"abc"}), "abc\r\n");
    EXPECT_EQ(WrittenBytes({u"\u20ac", u"\u4e2d"}), "\x80\r\n?\r\n");
}

TEST(WriteLine, KeepsEveryByteOfManyBuffersInOrder) {
    std::vector<Text> lines;
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        lines.push_back(u"line " + DecimalText(i));
        expected += "line " + std::to_string(i) + "\r\n";
    }
    lines.push_back(Text(9000, u'w'));  // one piece larger than the buffer
    expected += std::string(9000, 'w') + "\r\n";
    EXPECT_EQ(WrittenBytes(lines), expected);
}

TEST(CreateLineFile, EmptiesALongerFile) {
    TempFolder folder;
    WriteBytes(folder.path() / "out.inc", std::string(10000, 'o'));
    const LineFileId id = CreateLineFile(AutoId, folder.TextPath("out.inc"));
    WriteLine(id, u"new", AnsiFormat);
    CloseLineFile(id);
    EXPECT_EQ(ReadBytes(folder.path() / "out.inc"), "new\r\n");
}

TEST(LineFileIds, ZeroNamesNoFile) {
    EXPECT_TRUE(IsEndOfFile(0));
    EXPECT_EQ(ReadLine(0, AnsiFormat), u"");
    WriteLine(0, u"nothing", AnsiFormat);
    EXPECT_TRUE(CloseLineFile(0));
}

TEST(LineFileIds, AreAssignedOnlyForAutoIdAndNeverZeroOrMinusOne) {
    TempFolder folder;
    WriteBytes(folder.path() / "in.txt", "x");
    EXPECT_EQ(OpenLineFile(42, folder.TextPath("in.txt")), 0);
    const LineFileId id = OpenLineFile(AutoId, folder.TextPath("in.txt"));
    EXPECT_NE(id, 0);
    EXPECT_NE(id, AutoId);
    EXPECT_TRUE(CloseLineFile(id));
    EXPECT_TRUE(IsEndOfFile(id));  // a closed id names no file any more
}

TEST(OpenLineFile, FailsForAMissingFileAndSaysWhy) {
    TempFolder folder;
    EXPECT_EQ(OpenLineFile(AutoId, folder.TextPath("missing.x3d")), 0);
    EXPECT_FALSE(LastLineFileError().empty());
    EXPECT_EQ(OpenLineFile(AutoId, u""), 0);
}

TEST(WriteLine, IsIgnoredOnAFileOpenedForReading) {
    TempFolder folder;
    WriteBytes(folder.path() / "in.txt", "keep\n");
    const LineFileId id = OpenLineFile(AutoId, folder.TextPath("in.txt"));
    WriteLine(id, u"overwrite", AnsiFormat);
    EXPECT_TRUE(CloseLineFile(id));
    EXPECT_EQ(ReadBytes(folder.path() / "in.txt"), "keep\n");
}

TEST(CloseAllLineFiles, WritesOutWhatIsPending) {
    TempFolder folder;
    const LineFileId first = CreateLineFile(AutoId, folder.TextPath("a.inc"));
    const LineFileId second = CreateLineFile(AutoId, folder.TextPath("b.inc"));
    WriteLine(first, u"a", AnsiFormat);
    WriteLine(second, u"b", AnsiFormat);
    CloseAllLineFiles();
    EXPECT_EQ(ReadBytes(folder.path() / "a.inc"), "a\r\n");
    EXPECT_EQ(ReadBytes(folder.path() / "b.inc"), "b\r\n");
    EXPECT_TRUE(IsEndOfFile(first));
}

// A fault is remembered while the file is open and reported by its close, with the system's words,
// so the caller can tell the user. (The whole conversion under faults: fault_test.cpp.)
TEST(LineFileFaults, AreRememberedAndReportedByTheClose) {
    MemoryFileSystem memory;
    memory.files[u"in"] = std::string(10000, 'a');
    memory.failReadAfter = 4096;
    memory.writeLimit = 5000;
    ScopedFileSystem scoped(memory);
    const LineFileId input = OpenLineFile(AutoId, u"in");
    EXPECT_EQ(ReadLine(input, AnsiFormat), Text(4096, u'a'));  // the error ends the file
    EXPECT_TRUE(IsEndOfFile(input));
    EXPECT_FALSE(CloseLineFile(input));
    EXPECT_EQ(LastLineFileError(), u"Input/output error");

    const LineFileId output = CreateLineFile(AutoId, u"out");
    for (int i = 0; i < 1000; ++i) {
        WriteLine(output, u"0123456789", AnsiFormat);
    }
    EXPECT_FALSE(CloseLineFile(output));
    EXPECT_EQ(LastLineFileError(), u"No space left on device");

    memory.failClose = true;
    const LineFileId closing = CreateLineFile(AutoId, u"closing");
    WriteLine(closing, u"x", AnsiFormat);
    EXPECT_FALSE(CloseLineFile(closing));
}

}  // namespace
}  // namespace vex
