// Writing a line file: each line in the chosen format and CR LF, gathered in the buffer and
// passed to the file when it is full.
#include <cstring>

#include "text/line_file_record.h"

namespace vex {

namespace detail {

void Flush(LineFileRecord& record) {
    const int32_t pending = record.bufferSize - record.count;
    if (record.readMode || pending == 0) {
        return;
    }
    record.count = record.bufferSize;
    // After a failed write the file already misses bytes; later bytes are dropped rather than
    // written after the gap, so the damage is not disguised.
    if (!record.failed &&
        WriteAll(CurrentFileSystem(), record.handle, record.buffer.data(), pending) != pending) {
        NoteFailure(record);
    }
}

void FlushToDisk(LineFileRecord& record) {
    Flush(record);
    // A file renamed before its bytes are on the disk may stand empty in the earlier one's place
    // after a power cut.
    if (!record.newName.empty() && !record.failed && !CurrentFileSystem().Sync(record.handle)) {
        NoteFailure(record);
    }
}

void MoveIntoPlace(LineFileRecord& record) {
    FileSystem& files = CurrentFileSystem();
    bool taken = false;
    const bool moved =
        record.newOnly
            ? files.MoveWithoutReplacing(*record.folder, record.newName, record.target, taken)
            : files.Replace(*record.folder, record.newName, record.target);
    if (!moved) {
        record.nameTaken = taken;
        NoteFailure(record);
        return;
    }
    record.newName.clear();
    if (record.ownFolder && !record.ownFolder->Sync()) {
        record.failed = true;
    }
}

}  // namespace detail

namespace {

using namespace detail;

void SwitchToWriting(LineFileRecord& record) {
    if (!record.readMode) {
        return;
    }
    // Bytes read ahead but not handed out are given back, so writing starts where reading ended.
    if (record.count > 0 && !CurrentFileSystem().Seek(record.handle, -record.count)) {
        NoteFailure(record);
    }
    record.readMode = false;
    record.count = record.bufferSize;
}

void WriteBytes(LineFileRecord& record, const char* bytes, int64_t n) {
    if (record.readOnly) {
        NoteFailure(record, u"the file is open for reading only");
        return;
    }
    if (n == 0) {
        return;
    }
    SwitchToWriting(record);
    if (record.count > n) {
        std::memcpy(record.buffer.data() + (record.bufferSize - record.count), bytes,
                    static_cast<size_t>(n));
        record.count -= static_cast<int32_t>(n);
        return;
    }
    Flush(record);
    if (n >= record.bufferSize) {
        if (!record.failed && WriteAll(CurrentFileSystem(), record.handle, bytes, n) != n) {
            NoteFailure(record);
        }
        return;
    }
    std::memcpy(record.buffer.data(), bytes, static_cast<size_t>(n));
    record.count -= static_cast<int32_t>(n);
}

std::string Encode(TextView text, int32_t format, const LineFileRecord& record) {
    if (format == DefaultFormat) {
        format = record.defaultFormat;
    }
    return format == Utf8Format ? ToUtf8(text) : EncodeAnsi(text);
}

}  // namespace

void WriteLine(LineFileId id, const Text& text, int32_t format) {
    LineFileRecord* record = FindLineFile(id);
    if (record == nullptr) {
        return;
    }
    if (!IsOffered(format)) {
        Refuse(*record, format);
        return;
    }
    if (!text.empty()) {
        const std::string bytes = Encode(text, format, *record);
        WriteBytes(*record, bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    WriteBytes(*record, "\r\n", 2);
}

}  // namespace vex
