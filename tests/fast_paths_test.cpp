// The fast paths of reading and searching (bytes widened a block at a time and in place, lines
// passed over unread, a needle's first unit looked for by one byte of it) must give exactly what
// the plain rules give (fuzz/reference_rules.h, shared with the fuzz targets; the standard
// library's search), on inputs that put high bytes and matches on every lane of a block. (Line
// ends on every side of the buffer boundary: line_file_test.cpp and the line reader fuzzer.)
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "fuzz/gzip_member.h"
#include "fuzz/memory_file_system.h"
#include "fuzz/reference_rules.h"
#include "text/file_system.h"
#include "text/line_file.h"
#include "text/text.h"

namespace vex {
namespace {

using reference::DecodeEachByte;
using reference::SplitLines;

// The plain rules' line number `n` of a file, empty past the last one.
Text PlainLine(const std::vector<std::string>& lines, size_t n) {
    return n < lines.size() ? DecodeEachByte(lines[n]) : Text();
}

// A file held in memory, delivered in reads of `chunk` bytes.
struct ChunkedFile {
    ChunkedFile(const std::string& bytes, int64_t chunk) {
        files.files[u"memory"] = bytes;
        files.readChunks = {chunk};
    }
    test::MemoryFileSystem files;
    ScopedFileSystem scoped{files};
};

// Reads every line of `bytes`, in turn into a fresh text and into one text used over and over
// (whose storage is widened into directly, until a line outgrows it), and checks each against the
// plain rules.
void ExpectPlainLines(const std::string& bytes) {
    const ChunkedFile file(bytes, 4096);
    const LineFileId id = OpenLineFile(AutoId, u"memory");
    const std::vector<std::string> lines = SplitLines(bytes);
    Text reused = u"left over from before";
    for (size_t line = 0; line < lines.size(); ++line) {
        ASSERT_FALSE(IsEndOfFile(id));
        if (line % 2 == 0) {
            ReadLineInto(id, AnsiFormat, reused);
        }
        ASSERT_EQ(line % 2 == 0 ? reused : ReadLine(id, AnsiFormat), PlainLine(lines, line))
            << "line " << line;
    }
    EXPECT_TRUE(IsEndOfFile(id));
    CloseLineFile(id);
}

// --- Reading lines ---------------------------------------------------------------------------

// Only lines whose bytes hold the word are read, each whole and from its start, wherever the word
// stands (across a buffer fill, past the first fill of a long line); the others leave the text
// empty, in a file that can move back, in one that cannot, and in a compressed one (which moving
// back would take to the wrong compressed byte).
TEST(ReadLineIfHolds, ReadsOnlyLinesThatHoldTheWordAndThoseWhole) {
    const std::string longLine(10000, '7');
    // The first line crosses the first fill: whether the file can move back is asked before it.
    const std::vector<std::string> lines = {std::string(4090, ' ') + "Transform across the fill",
                                            "<Transform DEF=\"Sweep\"",
                                            "no word here",
                                            longLine + "Transform",
                                            longLine,
                                            "Transfor",
                                            "m",
                                            "</Transform>"};
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + "\r\n";
    }
    for (const auto& [unseekable, fileBytes] : {std::pair{false, bytes}, std::pair{true, bytes},
                                                std::pair{false, test::GzipMember(bytes)}}) {
        for (const int64_t chunk : {4096, 1, 4093}) {
            ChunkedFile file(fileBytes, chunk);
            file.files.unseekable = unseekable;
            const LineFileId id = OpenLineFile(AutoId, u"memory");
            Text line = u"left over";
            for (const std::string& expected : lines) {
                const bool holds = expected.find("Transform") != std::string::npos;
                EXPECT_EQ(ReadLineIfHolds(id, AnsiFormat, "Transform", line), holds);
                EXPECT_EQ(line, holds ? DecodeEachByte(expected) : Text())
                    << expected.substr(0, 20) << ", chunk " << chunk;
            }
            EXPECT_TRUE(IsEndOfFile(id));
            CloseLineFile(id);
        }
    }
}

TEST(FastPathsTest, EveryByteValueAtEveryOffsetOfABlock) {
    // Each byte 1..255 after 0..47 bytes of ASCII, so it falls on every lane of a block.
    for (size_t offset = 0; offset < 48; ++offset) {
        std::string bytes;
        for (int byte = 1; byte < 256; ++byte) {
            bytes += std::string(offset, 'q') + static_cast<char>(byte) + "tail" + '\0';
            // A run of one byte only: a block whose bytes are all that byte.
            bytes += std::string(offset + 32, static_cast<char>(byte)) + '\0';
        }
        ExpectPlainLines(bytes);
    }
}

TEST(FastPathsTest, LinesLongerThanTheReusedStorageSwitchToPackingMidway) {
    // Every byte value but the line ends, so the bytes widened before the switch (and packed back
    // at it) include each character of the code page.
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte != '\n' && byte != '\r') {
            all += static_cast<char>(byte);
        }
    }
    std::string line;
    while (line.size() < 30000) {
        line += all;
    }
    const std::string bytes = line.substr(0, 20011) + "\n" + line.substr(7, 29999) + "\r\nend";
    const std::vector<std::string> lines = SplitLines(bytes);
    for (const size_t reserved :
         std::vector<size_t>{0, 1, 100, 4095, 4096, 5000, 9000, 25000, 40000}) {
        const ChunkedFile file(bytes, 4096);
        const LineFileId id = OpenLineFile(AutoId, u"memory");
        Text reused;
        reused.reserve(reserved);
        for (size_t line = 0; !IsEndOfFile(id); ++line) {
            ReadLineInto(id, AnsiFormat, reused);
            ASSERT_EQ(reused, PlainLine(lines, line)) << "reserved " << reserved;
        }
        CloseLineFile(id);
    }
}

// --- Searching -------------------------------------------------------------------------------

TEST(FastPathsTest, FindTextAmongUnitsThatShareABytewithTheNeedle) {
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

}  // namespace
}  // namespace vex
