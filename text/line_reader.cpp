// Reading a line file: the buffer's fills (inflated for a compressed file), line ends found in
// one pass, and each line decoded from the bytes the caller keeps of it.
#include <algorithm>
#include <cstring>

#include "text/line_ends.h"
#include "text/line_file_record.h"

namespace vex {

namespace detail {

namespace {

// The next fill of a compressed file: the bytes inflated from it. Damaged data end the file like
// a read error, and are remembered with the reason.
int64_t InflatedFill(LineFileRecord& record) {
    Text reason;
    const int64_t got =
        ReadCompressedInput(*record.compressed, record.buffer.data(), record.bufferSize, reason);
    if (got < 0) {
        NoteFailure(record, reason);
        return 0;
    }
    return got;
}

// A read may bring a single byte (from a pipe, say); when that is the first of gzip's magic
// bytes, one more read brings the byte that decides.
int64_t WithSecondByte(LineFileRecord& record, int64_t got) {
    if (got != 1 || record.buffer[0] != '\x1f') {
        return got;
    }
    const int64_t more =
        CurrentFileSystem().Read(record.handle, record.buffer.data() + 1, record.bufferSize - 1);
    if (more < 0) {
        NoteFailure(record);
    }
    return got + std::max<int64_t>(more, 0);
}

// The first fill of a file opened for reading decides how all of it is read: a file that begins
// with gzip's magic bytes is inflated from then on, whatever its name; any other is read as it is.
int64_t FirstFill(LineFileRecord& record, int64_t got) {
    got = WithSecondByte(record, got);
    if (!BeginsCompressed(record.buffer.data(), got)) {
        return got;
    }
    record.compressed = StartCompressedInput(record.handle, record.buffer.data(), got);
    return InflatedFill(record);
}

// The next fill of a file read as it is. A read error ends the file, and is remembered.
int64_t PlainFill(LineFileRecord& record) {
    int64_t got = CurrentFileSystem().Read(record.handle, record.buffer.data(), record.bufferSize);
    if (got < 0) {
        NoteFailure(record);
        got = 0;
    }
    if (record.mayBeCompressed) {
        record.mayBeCompressed = false;
        return FirstFill(record, got);
    }
    return got;
}

// Widens bytes below 0x80 into `line`, into the storage it already has, eight at a time; false,
// with `line` half made, when a byte is from 0x80 up.
bool WidenAscii(std::string_view bytes, Text& line) {
    line.resize(bytes.size());
    const char* in = bytes.data();
    char16_t* out = line.data();
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t eight = 0;
        std::memcpy(&eight, in + i, sizeof eight);
        if ((eight & EveryByte(0x80)) != 0) {
            return false;
        }
#pragma GCC unroll 8
        for (size_t k = 0; k < 8; ++k) {
            out[i + k] = static_cast<unsigned char>(in[i + k]);
        }
    }
    for (; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(in[i]);
        if (byte >= 0x80) {
            return false;
        }
        out[i] = byte;
    }
    return true;
}

}  // namespace

void SwitchToReading(LineFileRecord& record) {
    if (record.readMode) {
        return;
    }
    Flush(record);
    record.readMode = true;
    record.count = 0;
    record.filled = 0;
}

bool Refill(LineFileRecord& record) {
    if (record.count > 0) {
        return true;
    }
    const int64_t got = record.compressed ? InflatedFill(record) : PlainFill(record);
    record.count = record.filled = static_cast<int32_t>(got);
    return got > 0;
}

void Keep(std::string& head, const char* from, size_t n, size_t longest) {
    head.append(from, std::min(n, longest - std::min(longest, head.size())));
}

// The text of a line's bytes in an offered format, into `line`. ASCII is the same in every code
// page a line file reads, so a line of ASCII bytes (as most lines of an export are) is widened
// without a conversion.
void Decode(std::string_view bytes, int32_t format, const LineFileRecord& record, Text& line) {
    if (WidenAscii(bytes, line)) {
        return;
    }
    if (format == DefaultFormat) {
        format = record.defaultFormat;
    }
    line = format == Utf8Format ? FromUtf8(bytes) : DecodeAnsi(bytes);
}

}  // namespace detail

using namespace detail;

bool IsEndOfFile(LineFileId id) {
    LineFileRecord* record = FindLineFile(id);
    if (record == nullptr) {
        return true;
    }
    SwitchToReading(*record);
    return !Refill(*record);
}

Text ReadLine(LineFileId id, int32_t format) {
    Text line;
    ReadLineInto(id, format, line);
    return line;
}

void ReadLineInto(LineFileId id, int32_t format, Text& line, size_t longest) {
    line.clear();
    LineFileRecord* record = FindLineFile(id);
    if (record == nullptr) {
        return;
    }
    SwitchToReading(*record);
    const size_t kept = IsOffered(format) ? longest : 0;
    record->head.clear();
    GatherLine(*record, [&](const char* from, size_t n) { Keep(record->head, from, n, kept); });
    if (!IsOffered(format)) {
        Refuse(*record, format);  // the line was passed over, so a read loop still ends
        return;
    }
    Decode(record->head, format, *record, line);
}

}  // namespace vex
