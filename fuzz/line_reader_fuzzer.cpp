// The line reader over arbitrary bytes, cut into reads of arbitrary sizes, against the plain
// splitter and per-byte decoding below, which walk their input one byte at a time: the same lines
// must come out, in the same order, and the end of the file must be seen exactly after the last
// one. Every other read asks for the next line that holds a word of 1 to 16 bytes taken from the
// input, as the scanner asks for "Transform", passing over the others: a word that begins in one
// fill and ends in a later one must be found as one lying whole in a fill is. With an odd schedule
// length, lines are read only up to a number of bytes.
//
// The bytes may be compressed first, as the exporter's Compress option writes them, and then
// damaged. Compressed whole (one member, or two written one after the other), the file must give
// the same lines as the bytes themselves. Cut short, it must give a beginning of them and a close
// that says the data end early. With one byte changed, it must give the same lines and a clean
// close, or a close that says why not; a change to a magic byte leaves a file read as it is.
//
// Input layout: byte 0 holds the length of the chunk schedule (low four bits), the format (bit 4),
// how many lines are read between two end-of-file tests, 1 to 4 (bits 5 and 6), and whether the
// content is compressed (bit 7); then come the schedule's bytes; for compressed content two more
// bytes, the packing (see Packing) and where it acts, 0 to 255 over the length it acts on; then
// the word (see WordAt); then the file's content.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/gzip_member.h"
#include "fuzz/memory_file_system.h"
#include "text/line_file.h"

namespace {

using vex::Text;

// LF, CR, CR LF and a zero byte each end a line; bytes after the last line end make one more line.
std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string current;
    bool pending = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n' || c == '\r' || c == '\0') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            lines.push_back(current);
            current.clear();
            pending = false;
        } else {
            current.push_back(c);
            pending = true;
        }
    }
    if (pending) {
        lines.push_back(current);
    }
    return lines;
}

// Each byte decoded on its own: in a single-byte code page, the characters of a line.
Text DecodeEachByte(std::string_view bytes) {
    Text text;
    for (const char byte : bytes) {
        text += vex::DecodeAnsi(std::string(1, byte));
    }
    return text;
}

constexpr char16_t EndsEarly[] = u"the compressed data ends early";
constexpr char16_t Corrupt[] = u"the compressed data is corrupt";

struct Reading {
    std::vector<uint8_t> chunks;
    int32_t format = vex::AnsiFormat;
    int readsPerTest = 1;
    size_t longest = SIZE_MAX;  // the bytes of a line kept
    std::string word;           // the word the other reads look for
};

// The word at `at`: its length, 1 to 16, in the low four bits of the first byte, then its bytes,
// each made ASCII, and a line end made another byte (a word holds none), as the line file takes
// a word; `at` then stands after it. Empty when the input ends first.
std::string WordAt(const uint8_t* data, size_t size, size_t& at) {
    const size_t length = at < size ? 1 + (data[at] & 0x0F) : 0;
    if (length == 0 || size - at - 1 < length) {
        return std::string();
    }
    std::string word;
    for (size_t i = 1; i <= length; ++i) {
        const auto byte = static_cast<char>(data[at + i] & 0x7F);
        word +=
            byte == '\n' || byte == '\r' || byte == '\0' ? static_cast<char>(byte | 0x40) : byte;
    }
    at += 1 + length;
    return word;
}

Text Expected(const std::string& bytes, int32_t format) {
    return format == vex::Utf8Format ? vex::FromUtf8(bytes) : DecodeEachByte(bytes);
}

// Opens `file` through an in-memory file system that hands it out in reads of the schedule's
// sizes, and gives the open id to `read`.
template <typename Read>
void WithFile(std::string_view file, const Reading& reading, Read&& read) {
    vex::test::MemoryFileSystem files;
    files.readChunks.assign(reading.chunks.begin(), reading.chunks.end());
    files.files[u"in"] = std::string(file);
    vex::ScopedFileSystem scope(files);
    const vex::LineFileId id = vex::OpenLineFile(vex::AutoId, u"in");
    FUZZ_CHECK(id != 0);
    read(id);
}

// Reads the next line holding the word, which must be the first of lines[next...] that holds it,
// cut to `longest` bytes; when none does, the read must fail and leave the file at its end.
void CheckHoldingRead(vex::LineFileId id, const std::vector<std::string>& lines, size_t& next,
                      const Reading& reading) {
    while (next < lines.size() && lines[next].find(reading.word) == std::string::npos) {
        ++next;
    }
    Text line = u"left over";
    const bool found =
        vex::ReadNextLineHolding(id, reading.format, reading.word, reading.longest, line);
    FUZZ_CHECK(found == (next < lines.size()));
    if (!found) {
        FUZZ_CHECK(line.empty() && vex::IsEndOfFile(id));
        return;
    }
    FUZZ_CHECK(line == Expected(lines[next].substr(0, reading.longest), reading.format));
    ++next;
}

// The file must give exactly the lines of `content`, each cut to `longest` bytes, and a clean
// close. Every other read passes over the lines without the word and takes the next one that holds
// it.
void CheckReader(std::string_view file, std::string_view content, const Reading& reading) {
    const std::vector<std::string> lines = SplitLines(content);
    WithFile(file, reading, [&](vex::LineFileId id) {
        size_t next = 0;
        bool holding = false;
        while (!vex::IsEndOfFile(id)) {
            FUZZ_CHECK(next < lines.size());
            for (int r = 0; r < reading.readsPerTest; ++r) {
                holding = !holding;
                if (holding) {
                    CheckHoldingRead(id, lines, next, reading);
                    continue;
                }
                const std::string expected = next < lines.size() ? lines[next] : std::string();
                Text line = u"left over";
                vex::ReadLineInto(id, reading.format, line, reading.longest);
                FUZZ_CHECK(line == Expected(expected.substr(0, reading.longest), reading.format));
                ++next;
            }
        }
        FUZZ_CHECK(next >= lines.size());
        FUZZ_CHECK(vex::ReadLine(id, reading.format).empty());
        FUZZ_CHECK(vex::IsEndOfFile(id));
        FUZZ_CHECK(vex::CloseLineFile(id));
    });
}

// Every line the file gives (in the ANSI format, where every byte is a character of its own), and
// whether its close was clean.
std::pair<std::vector<Text>, bool> ReadAll(std::string_view file, const Reading& reading) {
    std::pair<std::vector<Text>, bool> read;
    WithFile(file, reading, [&](vex::LineFileId id) {
        while (!vex::IsEndOfFile(id)) {
            read.first.push_back(vex::ReadLine(id, vex::AnsiFormat));
        }
        FUZZ_CHECK(vex::ReadLine(id, vex::AnsiFormat).empty());
        read.second = vex::CloseLineFile(id);
    });
    return read;
}

// Compressed data cut short: the lines must be those of a beginning of the content (the last one
// perhaps cut), and the close must say that the data end early.
void CheckCutShort(std::string_view file, std::string_view content, const Reading& reading) {
    const std::vector<std::string> lines = SplitLines(content);
    const auto [read, closed] = ReadAll(file, reading);
    FUZZ_CHECK(!closed);
    FUZZ_CHECK(vex::LastLineFileError() == EndsEarly);
    FUZZ_CHECK(read.size() <= lines.size());
    for (size_t i = 0; i < read.size(); ++i) {
        const Text whole = DecodeEachByte(lines[i]);
        FUZZ_CHECK(i + 1 == read.size() ? whole.starts_with(read[i]) : whole == read[i]);
    }
}

// Compressed data with one byte changed: the bytes inflated before a check fails may be anything,
// but a clean close vouches for every line.
void CheckChanged(std::string_view file, std::string_view content, const Reading& reading) {
    const auto [read, closed] = ReadAll(file, reading);
    if (!closed) {
        const Text error = vex::LastLineFileError();
        FUZZ_CHECK(error == Corrupt || error == EndsEarly);
        return;
    }
    std::vector<Text> expected;
    for (const std::string& line : SplitLines(content)) {
        expected.push_back(DecodeEachByte(line));
    }
    FUZZ_CHECK(read == expected);
}

// How compressed content is packed into the file: the low two bits of the packing byte.
enum Packing : uint8_t { OneMember = 0, TwoMembers = 1, CutShort = 2, OneByteChanged = 3 };

// `where` (0 to 255) as a place in [0, length].
size_t Place(uint8_t where, size_t length) {
    return where * length / 255;
}

void CheckCompressed(std::string_view content, uint8_t packing, uint8_t where,
                     const Reading& reading) {
    std::string file = vex::test::GzipMember(content);
    switch (static_cast<Packing>(packing & 0x03)) {
        case OneMember:
            return CheckReader(file, content, reading);
        case TwoMembers: {
            const size_t at = Place(where, content.size());
            file = vex::test::GzipMember(content.substr(0, at)) +
                   vex::test::GzipMember(content.substr(at));
            return CheckReader(file, content, reading);
        }
        case CutShort:
            // Never below the two magic bytes, which make the file a compressed one.
            return CheckCutShort(file.substr(0, 2 + Place(where, file.size() - 3)), content,
                                 reading);
        case OneByteChanged: {
            const size_t at = Place(where, file.size() - 1);
            file[at] = static_cast<char>(file[at] ^ ((packing >> 2) | 1));
            return at < 2 ? CheckReader(file, file, reading) : CheckChanged(file, content, reading);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t control = data[0];
    const bool compressed = (control & 0x80) != 0;
    const size_t scheduleLength = std::min<size_t>(control & 0x0F, size - 1);
    Reading reading;
    reading.format = (control & 0x10) != 0 ? vex::Utf8Format : vex::AnsiFormat;
    reading.readsPerTest = 1 + ((control >> 5) & 0x03);
    reading.chunks.assign(data + 1, data + 1 + scheduleLength);
    // An odd schedule also bounds the lines read, to its first read's size.
    reading.longest = scheduleLength % 2 == 1 ? reading.chunks[0] : SIZE_MAX;
    const size_t packing = 1 + scheduleLength;  // where compressed content's two bytes stand
    size_t start = packing + (compressed ? 2 : 0);
    reading.word = WordAt(data, size, start);
    if (reading.word.empty()) {
        return 0;
    }
    const std::string_view content(reinterpret_cast<const char*>(data) + start, size - start);
    if (!compressed) {
        CheckReader(content, content, reading);
        return 0;
    }
    CheckCompressed(content, data[packing], data[packing + 1], reading);
    return 0;
}
