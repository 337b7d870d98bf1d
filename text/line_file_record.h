// What the parts of the line file share: the record of one open file, and the steps of reading
// and writing that more than one part takes. The parts are the table of open files and their ids
// (line_file.cpp), writing (line_writer.cpp), reading (line_reader.cpp) and reading only the
// lines that hold a word (line_skipper.cpp). Nothing outside them includes this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/compressed_input.h"
#include "text/file_system.h"
#include "text/line_ends.h"
#include "text/line_file.h"
#include "text/word_search.h"

namespace vex::detail {

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
    bool failed = false;            // a read, write or flush went wrong
    bool mayBeCompressed = false;   // opened for reading, and its first fill is still to come
    CompressedInputPtr compressed;  // set when the first fill met gzip's magic bytes
    std::string head;               // the bytes kept of the line being read
    WordSearch search;              // for the word lines are read for
    // A created file: its folder (held by the caller, or by the record itself), and the new file
    // written in it until it takes the place of `target`.
    const Folder* folder = nullptr;
    std::unique_ptr<LineFolder> ownFolder;
    Text newName;
    Text target;
    bool newOnly = false;    // takes `target` only where nothing stands (CreateMode::NewOnly)
    bool nameTaken = false;  // ... and something stood there when it was to be moved

    LineFileRecord() = default;
    LineFileRecord(const LineFileRecord&) = delete;
    LineFileRecord& operator=(const LineFileRecord&) = delete;
    ~LineFileRecord() {
        if (handle != NoFileHandle) {
            CurrentFileSystem().Close(handle);
        }
        // A new file that did not take its target's place is not left behind.
        if (!newName.empty()) {
            CurrentFileSystem().Remove(*folder, newName);
        }
    }

    LineFileId Id() const { return static_cast<LineFileId>(reinterpret_cast<intptr_t>(this)); }
};

// --- line_file.cpp

// The record an id names, or null: an id is only ever compared, never dereferenced, so a stale
// or made-up id cannot reach freed memory.
LineFileRecord* FindLineFile(LineFileId id);

// Marks the file as failed, with the words LastLineFileError gives: `reason`, or the file
// layer's last error.
void NoteFailure(LineFileRecord& record, const Text& reason);
void NoteFailure(LineFileRecord& record);

// True for the formats ReadLine and WriteLine offer; Refuse marks the file as failed for another,
// in words that say which.
inline bool IsOffered(int32_t format) {
    return format == DefaultFormat || format == Utf8Format || format == AnsiFormat;
}
void Refuse(LineFileRecord& record, int32_t format);

// --- line_writer.cpp

// Writes out the bytes pending in a file in write mode; nothing for a file in read mode.
void Flush(LineFileRecord& record);

// Flush, then for a created file written in full: onto the disk (FileSystem::Sync). A failure
// fails the file.
void FlushToDisk(LineFileRecord& record);

// A created file written in full and closed takes its target's place, or (newOnly) its target's
// name where nothing stands there; the new file stays (for the record's end to remove) when it may
// not, and the file counts as failed, with nameTaken set when something stood in its way. A folder
// the record holds itself is synced after the move.
void MoveIntoPlace(LineFileRecord& record);

// --- line_reader.cpp

// Gives a file in write mode its pending bytes, then reads from where writing ended.
void SwitchToReading(LineFileRecord& record);

// Makes sure at least one byte waits in the buffer; false at the end of the file.
bool Refill(LineFileRecord& record);

inline const char* NextByte(const LineFileRecord& record) {
    return record.buffer.data() + (record.filled - record.count);
}

// Appends what `head` still has room for, of n bytes: a line is kept up to `longest` bytes.
void Keep(std::string& head, const char* from, size_t n, size_t longest);

// The text of a line's bytes in an offered format, into `line`.
void Decode(std::string_view bytes, int32_t format, const LineFileRecord& record, Text& line);

// Hands the bytes up to the line end to `sink`, piece by piece as they lie in the buffer, and
// consumes the line end; false when the file ended first.
template <typename Sink>
bool GatherLine(LineFileRecord& record, Sink&& sink) {
    while (Refill(record)) {
        const char* from = NextByte(record);
        const char* to = from + record.count;
        const char* end = FindLineEnd(from, to);
        sink(from, static_cast<size_t>(end - from));
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

}  // namespace vex::detail
