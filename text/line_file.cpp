#include "text/line_file.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "text/file_system.h"

namespace vex {

namespace {

constexpr int32_t TransferBufferSize = 4096;

struct LineFileRecord {
    FileHandle handle = NoFileHandle;
    std::vector<char> buffer = std::vector<char>(TransferBufferSize);
    int32_t bufferSize = TransferBufferSize;
    int32_t count = 0;   // read mode: bytes not yet handed out; write mode: free room
    int32_t filled = 0;  // bytes the last refill put into the buffer
    bool readMode = true;
    int32_t defaultFormat = Utf8Format;
    bool readOnly = true;
    bool failed = false;  // a read, write or flush went wrong

    LineFileRecord() = default;
    LineFileRecord(const LineFileRecord&) = delete;
    LineFileRecord& operator=(const LineFileRecord&) = delete;
    ~LineFileRecord() {
        if (handle != NoFileHandle) {
            CurrentFileSystem().Close(handle);
        }
    }

    LineFileId Id() const { return static_cast<LineFileId>(reinterpret_cast<intptr_t>(this)); }
};

// Open records, newest first. The id of a file is the address of its record, which a list keeps
// in place until the record is removed.
std::list<LineFileRecord>& LineFileTable() {
    static std::list<LineFileRecord> table;
    return table;
}

Text& LastError() {
    static Text lastError;
    return lastError;
}

// The record an id names, or null: an id is only ever compared, never dereferenced, so a stale
// or made-up id cannot reach freed memory.
LineFileRecord* Find(LineFileId id) {
    for (LineFileRecord& record : LineFileTable()) {
        if (record.Id() == id) {
            return &record;
        }
    }
    return nullptr;
}

void NoteFailure(LineFileRecord& record) {
    record.failed = true;
    LastError() = CurrentFileSystem().LastError();
}

LineFileId Register(FileHandle handle, bool readOnly) {
    if (handle == NoFileHandle || handle == 0) {
        LastError() = CurrentFileSystem().LastError();
        return 0;
    }
    LineFileRecord& record = LineFileTable().emplace_front();
    record.handle = handle;
    record.readOnly = readOnly;
    return record.Id();
}

// --- Write mode -------------------------------------------------------------------------------

void Flush(LineFileRecord& record) {
    const int32_t pending = record.bufferSize - record.count;
    if (record.readMode || pending == 0) {
        return;
    }
    record.count = record.bufferSize;
    // After a failed write the file already misses bytes; later bytes are dropped rather than
    // written after the gap, so the damage is not disguised.
    if (!record.failed &&
        CurrentFileSystem().Write(record.handle, record.buffer.data(), pending) != pending) {
        NoteFailure(record);
    }
}

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
    if (record.readOnly || n == 0) {
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
        if (!record.failed && CurrentFileSystem().Write(record.handle, bytes, n) != n) {
            NoteFailure(record);
        }
        return;
    }
    std::memcpy(record.buffer.data(), bytes, static_cast<size_t>(n));
    record.count -= static_cast<int32_t>(n);
}

// --- Read mode --------------------------------------------------------------------------------

void SwitchToReading(LineFileRecord& record) {
    if (record.readMode) {
        return;
    }
    Flush(record);
    record.readMode = true;
    record.count = 0;
    record.filled = 0;
}

// Makes sure at least one byte waits in the buffer; false at the end of the file. A read error
// ends the file too, and is remembered.
bool Refill(LineFileRecord& record) {
    if (record.count > 0) {
        return true;
    }
    int64_t got = CurrentFileSystem().Read(record.handle, record.buffer.data(), record.bufferSize);
    if (got < 0) {
        NoteFailure(record);
        got = 0;
    }
    record.count = record.filled = static_cast<int32_t>(got);
    return got > 0;
}

const char* NextByte(const LineFileRecord& record) {
    return record.buffer.data() + (record.filled - record.count);
}

// The first line-ending byte (LF, CR or zero) in [from, to), or `to`.
const char* FindLineEnd(const char* from, const char* to) {
    return std::find_if(from, to, [](char c) { return c == '\n' || c == '\r' || c == '\0'; });
}

// Appends the bytes up to the line end to `line` and consumes the line end; false when the file
// ended first.
bool GatherLine(LineFileRecord& record, std::string& line) {
    while (Refill(record)) {
        const char* from = NextByte(record);
        const char* to = from + record.count;
        const char* end = FindLineEnd(from, to);
        line.append(from, end);
        record.count -= static_cast<int32_t>(end - from);
        if (end == to) {
            continue;
        }
        record.count -= 1;
        // CR LF is one line end, also when the buffer must be refilled between the two.
        if (*end == '\r' && Refill(record) && *NextByte(record) == '\n') {
            record.count -= 1;
        }
        return true;
    }
    return false;
}

Text Decode(std::string_view bytes, int32_t format, const LineFileRecord& record) {
    if (format == DefaultFormat) {
        format = record.defaultFormat;
    }
    return format == Utf8Format ? FromUtf8(bytes) : DecodeAnsi(bytes);
}

std::string Encode(TextView text, int32_t format, const LineFileRecord& record) {
    if (format == DefaultFormat) {
        format = record.defaultFormat;
    }
    return format == Utf8Format ? ToUtf8(text) : EncodeAnsi(text);
}

}  // namespace

LineFileId OpenLineFile(LineFileId id, const Text& path) {
    if (id != AutoId) {
        return 0;
    }
    return Register(CurrentFileSystem().OpenForReading(path), true);
}

LineFileId CreateLineFile(LineFileId id, const Text& path) {
    if (id != AutoId) {
        return 0;
    }
    return Register(CurrentFileSystem().CreateForWriting(path), false);
}

bool IsEndOfFile(LineFileId id) {
    LineFileRecord* record = Find(id);
    if (record == nullptr) {
        return true;
    }
    SwitchToReading(*record);
    return !Refill(*record);
}

Text ReadLine(LineFileId id, int32_t format) {
    LineFileRecord* record = Find(id);
    if (record == nullptr) {
        return Text();
    }
    SwitchToReading(*record);
    std::string line;
    GatherLine(*record, line);
    return Decode(line, format, *record);
}

void WriteLine(LineFileId id, const Text& text, int32_t format) {
    LineFileRecord* record = Find(id);
    if (record == nullptr) {
        return;
    }
    if (!text.empty()) {
        const std::string bytes = Encode(text, format, *record);
        WriteBytes(*record, bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    WriteBytes(*record, "\r\n", 2);
}

bool CloseLineFile(LineFileId id) {
    auto& table = LineFileTable();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [id](const LineFileRecord& record) { return record.Id() == id; });
    if (it == table.end()) {
        return true;
    }
    Flush(*it);
    const FileHandle handle = std::exchange(it->handle, NoFileHandle);
    if (!CurrentFileSystem().Close(handle)) {
        NoteFailure(*it);
    }
    const bool succeeded = !it->failed;
    table.erase(it);
    return succeeded;
}

bool LineFileFailed(LineFileId id) {
    const LineFileRecord* record = Find(id);
    return record != nullptr && record->failed;
}

void CloseAllLineFiles() {
    auto& table = LineFileTable();
    while (!table.empty()) {
        CloseLineFile(table.front().Id());
    }
}

Text LastLineFileError() {
    return LastError();
}

}  // namespace vex
