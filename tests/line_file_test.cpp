#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
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

// (Line ends of every kind, every byte value at every place of an eight-byte block, reads of any
// size and both kinds of read: the line reader fuzzer's corpus, replayed as
// fuzz_replay.line_reader. Real files on disk through the platform's own layer: the golden
// exports.)

// 25 is UTF-16 elsewhere; reading or writing it as ANSI bytes would pass without a sign.
TEST(LineFileFormats, OnlyOfferedOnesAreTakenOthersFailTheFile) {
    for (const int32_t format : {25, 1, -1}) {
        MemoryFileSystem memory;
        memory.files[u"in"] = "a\nb\nc\n";
        ScopedFileSystem scoped(memory);
        const LineFileId input = OpenLineFile(AutoId, u"in");
        EXPECT_EQ(ReadLine(input, format), u"");  // passed over, so a read loop still ends
        Text line;
        EXPECT_FALSE(ReadNextLineHolding(input, format, "b", 10, line));
        EXPECT_EQ(ReadLine(input, AnsiFormat), u"b");
        EXPECT_FALSE(CloseLineFile(input));
        EXPECT_EQ(LastLineFileError(), u"text format " + DecimalText(format) + u" is not offered");

        const LineFileId output = CreateLineFile(AutoId, u"out");
        WriteLine(output, u"a", AnsiFormat);
        WriteLine(output, u"b", format);
        WriteLine(output, u"c", AnsiFormat);
        EXPECT_FALSE(CloseLineFile(output));
        EXPECT_EQ(memory.files.size(), 1u) << format;  // neither "out" nor its new file
    }
}

// Every line ends with CR LF, in the ANSI code page ("?" for what it lacks), in order across many
// buffers and past one piece larger than the buffer; a longer file there before is replaced.
TEST(WriteLine, EndsEveryLineWithCrLfAndKeepsEveryByteInOrder) {
    TempFolder folder;
    WriteBytes(folder.path() / "out.inc", std::string(50000, 'o'));
    const LineFileId id = CreateLineFile(AutoId, folder.TextPath("out.inc"));
    std::string expected = "\r\n\x80\r\n?\r\n";
    for (const Text& line : {Text(), Text(u"\u20ac"), Text(u"\u4e2d")}) {
        WriteLine(id, line, AnsiFormat);
    }
    for (int i = 0; i < 2000; ++i) {
        WriteLine(id, u"line " + DecimalText(i), AnsiFormat);
        expected += "line " + std::to_string(i) + "\r\n";
    }
    WriteLine(id, Text(9000, u'w'), AnsiFormat);
    expected += std::string(9000, 'w') + "\r\n";
    EXPECT_TRUE(CloseLineFile(id));
    EXPECT_EQ(ReadBytes(folder.path() / "out.inc"), expected);
}

// Ids are given only for AutoId and are never 0 or AutoId; 0, a closed id or a refused open names
// no file, at whose end reading always stands; a file opened for reading is never written, and
// fails for a write as for any other failure.
TEST(LineFileIds, NameOpenFilesOnly) {
    TempFolder folder;
    WriteBytes(folder.path() / "in.txt", "keep\n");
    EXPECT_EQ(OpenLineFile(42, folder.TextPath("in.txt")), 0);
    EXPECT_EQ(OpenLineFile(AutoId, folder.TextPath("missing.x3d")), 0);
    EXPECT_FALSE(LastLineFileError().empty());
    EXPECT_EQ(OpenLineFile(AutoId, u""), 0);
    const LineFileId id = OpenLineFile(AutoId, folder.TextPath("in.txt"));
    EXPECT_NE(id, 0);
    EXPECT_NE(id, AutoId);
    WriteLine(id, u"overwrite", AnsiFormat);
    EXPECT_FALSE(CloseLineFile(id));
    EXPECT_EQ(LastLineFileError(), u"the file is open for reading only");
    EXPECT_EQ(ReadBytes(folder.path() / "in.txt"), "keep\n");
    for (const LineFileId none : {LineFileId{0}, id}) {
        EXPECT_TRUE(IsEndOfFile(none));
        EXPECT_EQ(ReadLine(none, AnsiFormat), u"");
        WriteLine(none, u"nothing", AnsiFormat);
        EXPECT_TRUE(CloseLineFile(none));
    }
}

// A file created NewOnly takes its name only where nothing stands, on the real disk: whatever
// stands there before it is created, or appears there while it is written (a file, a folder), is
// kept as it was and told apart from other failures, and the new file is not left behind.
TEST(CreateNewOnly, NeverReplacesWhatStandsAtTheNameOrAppearsThere) {
    namespace fs = std::filesystem;
    const struct {
        const char* what;
        bool before;  // put there before the file is created, else before it is closed
        bool folder;
    } cases[] = {{"a file there before", true, false},
                 {"a file appearing", false, false},
                 {"a folder appearing", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const auto plant = [&] {
            if (c.folder) {
                fs::create_directory(folder.path() / "scene.pov");
            } else {
                WriteBytes(folder.path() / "scene.pov", "my own\n");
            }
        };
        if (c.before) {
            plant();
        }
        const LineFolder held(folder.TextPath("scene.x3d"));
        const LineFileId id = CreateLineFile(AutoId, held, u"scene.pov", CreateMode::NewOnly);
        ASSERT_NE(id, 0);
        WriteLine(id, u"starter", AnsiFormat);
        if (!c.before) {
            plant();
        }
        EXPECT_EQ(CloseLineFileResult(id), CloseResult::NameTaken);
        EXPECT_EQ(c.folder, fs::is_directory(folder.path() / "scene.pov"));
        if (!c.folder) {
            EXPECT_EQ(ReadBytes(folder.path() / "scene.pov"), "my own\n");
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);
        const LineFileId again = CreateLineFile(AutoId, held, u"new.pov", CreateMode::NewOnly);
        WriteLine(again, u"starter", AnsiFormat);
        EXPECT_EQ(CloseLineFileResult(again), CloseResult::Closed);
        EXPECT_EQ(ReadBytes(folder.path() / "new.pov"), "starter\r\n");
    }
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

}  // namespace
}  // namespace vex
