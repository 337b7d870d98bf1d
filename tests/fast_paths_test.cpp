// The fast paths of reading and searching (line ends found a block at a time, bytes widened in
// place, the first code unit of a needle looked for a block at a time, slices taken as views)
// must give exactly what the plain rules give, one byte or one code unit at a time. Each test here
// compares the real operation with a plain version of its rule (fuzz/reference_rules.h, shared
// with the fuzz targets) on many inputs, chosen
// to put line ends, CR LF pairs, high bytes and matches on every side of every block and buffer
// boundary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

// An ASCII word for ReadLineIfHolds that some lines hold: three bytes from the middle of the
// file, when they are letters, digits or spaces.
std::string WordIn(const std::string& bytes) {
    const std::string word = bytes.substr(bytes.size() / 2, 3);
    const bool plain = word.size() == 3 && std::all_of(word.begin(), word.end(), [](char c) {
                           return std::isalnum(static_cast<unsigned char>(c)) || c == ' ';
                       });
    return plain ? word : "a7";
}

// Reads `bytes` the way the scanner does (an end test, then one to four lines, some of them only
// when they hold a word) and checks every answer against the plain rules, including reads past
// the end. Every third file cannot move back, as a pipe cannot.
void ExpectPlainLines(const std::string& bytes, int64_t chunk, uint32_t seed) {
    ChunkedFile file(bytes, chunk);
    file.files.unseekable = seed % 3 == 0;
    const std::string word = WordIn(bytes);
    const LineFileId id = OpenLineFile(AutoId, u"memory");
    ASSERT_NE(id, 0);
    const std::vector<std::string> lines = SplitLines(bytes);
    std::mt19937 pick(seed);
    size_t line = 0;
    Text reused = u"left over from before";
    for (int pastEnd = 0; pastEnd < 3;) {
        ASSERT_EQ(IsEndOfFile(id), line >= lines.size()) << "before line " << line;
        pastEnd += line >= lines.size() ? 1 : 0;
        for (uint32_t reads = 1 + pick() % 4; reads > 0; --reads, ++line) {
            const Text expected = PlainLine(lines, line);
            // Half of the lines go into one text that is used over and over.
            if (const uint32_t how = pick() % 3; how == 2) {
                const bool holds =
                    lines.size() > line && lines[line].find(word) != std::string::npos;
                ASSERT_EQ(ReadLineIfHolds(id, AnsiFormat, word, reused), holds) << "line " << line;
                ASSERT_EQ(reused, holds ? expected : Text())
                    << "line " << line << ", chunk " << chunk;
            } else if (how == 0) {
                ReadLineInto(id, AnsiFormat, reused);
                ASSERT_EQ(reused, expected) << "line " << line << ", chunk " << chunk;
            } else {
                ASSERT_EQ(ReadLine(id, AnsiFormat), expected)
                    << "line " << line << ", chunk " << chunk;
            }
        }
    }
    CloseLineFile(id);
}

std::string RandomBytes(std::mt19937& random, size_t size, const std::string& alphabet) {
    std::string bytes(size, ' ');
    for (char& byte : bytes) {
        byte = alphabet[random() % alphabet.size()];
    }
    return bytes;
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

TEST(FastPathsTest, LinesOfEveryLengthAroundBlockAndBufferBoundaries) {
    // Line lengths near multiples of the block and of the 4096-byte buffer, every line end.
    const std::vector<size_t> lengths = {0,    1,    15,   16,   17,   31,   32,   33,
                                         4094, 4095, 4096, 4097, 8191, 8192, 8193, 12289};
    const std::vector<std::string> ends = {"\n", "\r", "\r\n", std::string(1, '\0'), "\n\r"};
    std::mt19937 random(1);
    for (const std::string& end : ends) {
        std::string bytes;
        for (const size_t length : lengths) {
            bytes += RandomBytes(random, length, "ab7 .\x80\x9f\xa0\xff") + end;
        }
        for (const int64_t chunk : {4096, 1, 4095, 100}) {
            ExpectPlainLines(bytes, chunk, 2);
            ExpectPlainLines(bytes.substr(0, bytes.size() - end.size()), chunk, 3);
        }
    }
}

TEST(FastPathsTest, CarriageReturnAtEveryPositionAroundTheBufferEnd) {
    for (size_t position = 4080; position < 4112; ++position) {
        std::string bytes(position, 'x');
        bytes += "\r\nnext\r";
        bytes[position / 2] = '\r';
        ExpectPlainLines(bytes, 4096, 4);
        ExpectPlainLines(bytes + "\n", 4096, 5);
        ExpectPlainLines(bytes.substr(0, position + 1), 4096, 6);
    }
}

TEST(FastPathsTest, RandomFilesDenseWithLineEndsAndHighBytes) {
    std::mt19937 random(7);
    const std::string alphabet =
        std::string("aaaaaaaaaa0123 \"\x80\x81\x9d\xc3\xab\xff\r\n") + '\0';
    for (int file = 0; file < 40; ++file) {
        const std::string bytes = RandomBytes(random, random() % 20000, alphabet);
        ExpectPlainLines(bytes, file % 2 == 0 ? 4096 : 1 + random() % 5000, random());
    }
}

TEST(FastPathsTest, LongLinesWithRareLineEnds) {
    std::mt19937 random(11);
    std::string bytes;
    for (const size_t length : std::vector<size_t>{100000, 262144, 262145, 1000003}) {
        bytes += RandomBytes(random, length, "0123456789 .-\xe9") + (length % 2 ? "\r\n" : "\n");
    }
    ExpectPlainLines(bytes, 4096, 12);
    ExpectPlainLines(bytes, 3000, 13);
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
        ExpectPlainLines(bytes, 4096, 14);
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

// --- Decoding --------------------------------------------------------------------------------

TEST(FastPathsTest, DecodingALongRunEqualsDecodingEachByte) {
    std::mt19937 random(19);
    for (int run = 0; run < 50; ++run) {
        std::string bytes = RandomBytes(random, random() % 200, "abc 019.");
        for (int high = random() % 4; high > 0 && !bytes.empty(); --high) {
            bytes[random() % bytes.size()] = static_cast<char>(0x80 + random() % 128);
        }
        EXPECT_EQ(DecodeAnsi(bytes), DecodeEachByte(bytes));
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
                ASSERT_EQ(FindText(t, s, start), reference::Find(t, s, start))
                    << "round " << round << ", start " << start;
            }
        }
    }
}

TEST(FastPathsTest, FindTextMatchesOnEveryLaneOfALongText) {
    const Text marker = u"Transform DEF=";
    for (size_t position = 0; position < 70; ++position) {
        Text t(200, u'0');
        t.replace(position, marker.size(), marker);
        EXPECT_EQ(FindText(t, marker), static_cast<int64_t>(position) + 1);
        EXPECT_EQ(FindText(t, u"T", static_cast<int64_t>(position) + 2), 0);
        EXPECT_EQ(FindText(t, u"DEF=", 1), static_cast<int64_t>(position) + 11);
        EXPECT_EQ(FindText(t, u"ifs", 1), 0);
    }
}

}  // namespace
}  // namespace vex
