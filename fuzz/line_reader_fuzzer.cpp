// The line reader over arbitrary bytes, cut into reads of arbitrary sizes, against the plain
// splitter and per-byte decoding of fuzz/reference_rules.h: the same lines must come out, in the
// same order, and the end of the file must be seen exactly after the last one.
//
// Input layout: byte 0 holds the length of the chunk schedule (low four bits), the format (bit 4)
// and how many lines are read between two end-of-file tests, 1 to 4 (bits 5 and 6); then come the
// schedule's bytes, then the file's content.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/memory_file_system.h"
#include "fuzz/reference_rules.h"
#include "text/line_file.h"

namespace {

using vex::Text;

// In the ANSI format every byte is one character, and bytes below 0x80 are themselves.
void CheckAnsiShape(const std::string& bytes, const Text& line) {
    FUZZ_CHECK(line.size() == bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        FUZZ_CHECK(byte >= 0x80 || line[i] == byte);
    }
}

Text Expected(const std::string& bytes, int32_t format) {
    return format == vex::Utf8Format ? vex::FromUtf8(bytes) : vex::reference::DecodeEachByte(bytes);
}

void CheckReader(std::string_view content, const std::vector<uint8_t>& chunks, int32_t format,
                 int readsPerTest) {
    vex::test::MemoryFileSystem files;
    files.readChunks.assign(chunks.begin(), chunks.end());
    files.files[u"in"] = std::string(content);
    vex::ScopedFileSystem scope(files);
    const std::vector<std::string> lines = vex::reference::SplitLines(content);

    const vex::LineFileId id = vex::OpenLineFile(vex::AutoId, u"in");
    FUZZ_CHECK(id != 0);
    size_t next = 0;
    while (!vex::IsEndOfFile(id)) {
        FUZZ_CHECK(next < lines.size());
        for (int r = 0; r < readsPerTest; ++r, ++next) {
            const Text line = vex::ReadLine(id, format);
            const std::string expected = next < lines.size() ? lines[next] : std::string();
            FUZZ_CHECK(line == Expected(expected, format));
            if (format == vex::AnsiFormat) {
                CheckAnsiShape(expected, line);
            }
        }
    }
    FUZZ_CHECK(next >= lines.size());
    FUZZ_CHECK(vex::ReadLine(id, format).empty());
    FUZZ_CHECK(vex::IsEndOfFile(id));
    FUZZ_CHECK(vex::CloseLineFile(id));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t control = data[0];
    const size_t scheduleLength = std::min<size_t>(control & 0x0F, size - 1);
    const int32_t format = (control & 0x10) != 0 ? vex::Utf8Format : vex::AnsiFormat;
    const int readsPerTest = 1 + ((control >> 5) & 0x03);
    const std::vector<uint8_t> chunks(data + 1, data + 1 + scheduleLength);
    const std::string_view content(reinterpret_cast<const char*>(data) + 1 + scheduleLength,
                                   size - 1 - scheduleLength);
    CheckReader(content, chunks, format, readsPerTest);
    return 0;
}
