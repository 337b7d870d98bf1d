#include "text/line_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/compressed_input.h"
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
    bool failed = false;            // a read, write or flush went wrong
    bool mayBeCompressed = false;   // opened for reading, and its first fill is still to come
    CompressedInputPtr compressed;  // set when the first fill met gzip's magic bytes
    // Whether the file can move back to the start of a line (not a pipe): unknown until asked.
    std::optional<bool> seekable;
    // A created file: the new file written, until it takes the place of `target`.
    Text newPath;
    Text target;

    LineFileRecord() = default;
    LineFileRecord(const LineFileRecord&) = delete;
    LineFileRecord& operator=(const LineFileRecord&) = delete;
    ~LineFileRecord() {
        if (handle != NoFileHandle) {
            CurrentFileSystem().Close(handle);
        }
        // A new file that did not take its target's place is not left behind.
        if (!newPath.empty()) {
            CurrentFileSystem().Remove(newPath);
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

void NoteFailure(LineFileRecord& record, const Text& reason) {
    record.failed = true;
    LastError() = reason;
}

void NoteFailure(LineFileRecord& record) {
    NoteFailure(record, CurrentFileSystem().LastError());
}

LineFileId Register(FileHandle handle, bool readOnly) {
    if (handle == NoFileHandle || handle == 0) {
        LastError() = CurrentFileSystem().LastError();
        return 0;
    }
    LineFileRecord& record = LineFileTable().emplace_front();
    record.handle = handle;
    record.readOnly = readOnly;
    record.mayBeCompressed = readOnly;
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

// A created file written in full takes its target's place; the new file stays (for the record's
// end to remove) when it may not.
void MoveIntoPlace(LineFileRecord& record) {
    if (CurrentFileSystem().Replace(record.newPath, record.target)) {
        record.newPath.clear();
    } else {
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

// Makes sure at least one byte waits in the buffer; false at the end of the file.
bool Refill(LineFileRecord& record) {
    if (record.count > 0) {
        return true;
    }
    const int64_t got = record.compressed ? InflatedFill(record) : PlainFill(record);
    record.count = record.filled = static_cast<int32_t>(got);
    return got > 0;
}

const char* NextByte(const LineFileRecord& record) {
    return record.buffer.data() + (record.filled - record.count);
}

// The first line-ending byte (LF, CR or zero) in [from, to), or `to`. Three searches with memchr,
// each bounded by what the one before found, pass over a long line many bytes per step where a
// loop testing each byte for all three would take them one at a time.
const char* FindLineEnd(const char* from, const char* to) {
    const char* end = to;
    for (const char lineEnd : {'\n', '\r', '\0'}) {
        const void* found = std::memchr(from, lineEnd, static_cast<size_t>(end - from));
        if (found != nullptr) {
            end = static_cast<const char*>(found);
        }
    }
    return end;
}

// Hands the bytes up to the line end to `sink` (piece by piece, as they lie in the buffer) and
// consumes the line end; false when the file ended first. A sink that returns false stops the
// reading then and there: its piece and the rest of the line stay unread.
template <typename Sink>
bool GatherLine(LineFileRecord& record, Sink&& sink) {
    while (Refill(record)) {
        const char* from = NextByte(record);
        const char* to = from + record.count;
        const char* end = FindLineEnd(from, to);
        if (!sink(from, static_cast<size_t>(end - from))) {
            return false;
        }
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

// --- Decoding lines ---------------------------------------------------------------------------

// A single-byte code page both ways: the character of every byte, and the byte of every
// character the code page has.
struct ByteTable {
    std::array<char16_t, 256> characters{};
    std::array<unsigned char, 65536> bytes{};

    char16_t operator[](unsigned char byte) const { return characters[byte]; }
};

// The ANSI code page as a ByteTable when it gives each byte a character of its own whatever its
// neighbours are (a single-byte code page); null otherwise. Built once from the code page's own
// conversion, so it cannot disagree with DecodeAnsi. Byte 0 never reaches it: it ends a line.
const ByteTable* SingleByteTable() {
    static const std::optional<ByteTable> table = []() -> std::optional<ByteTable> {
        if (!AnsiIsSingleByte()) {
            return std::nullopt;
        }
        ByteTable built;
        for (size_t byte = 1; byte < built.characters.size(); ++byte) {
            const Text character = DecodeAnsi(std::string(1, static_cast<char>(byte)));
            if (character.size() != 1) {
                return std::nullopt;
            }
            built.characters[byte] = character[0];
            built.bytes[character[0]] = static_cast<unsigned char>(byte);
        }
        return built;
    }();
    return table ? &*table : nullptr;
}

// Bytes widened at once. A block of ASCII bytes (the bulk of any X3D file) becomes its code units
// by a plain widening, a loop of fixed length that compilers turn into vector instructions; a
// block holding a byte from 0x80 up goes through the table byte by byte.
constexpr size_t WidenBlock = 32;

// Widens one block of bytes into code units. The bytes are copied out first, so `units` may
// overlap them (see WidenInPlace).
inline void WidenOneBlock(const unsigned char* bytes, char16_t* units, const ByteTable& table) {
    unsigned char block[WidenBlock];
    std::memcpy(block, bytes, WidenBlock);
    unsigned char highBits = 0;
    for (size_t i = 0; i < WidenBlock; ++i) {
        highBits |= block[i];
    }
    if (highBits < 0x80) {
        for (size_t i = 0; i < WidenBlock; ++i) {
            units[i] = block[i];
        }
        return;
    }
    for (size_t i = 0; i < WidenBlock; ++i) {
        units[i] = table[block[i]];
    }
}

// Widens n bytes into n code units at `units`, which do not overlap them.
void Widen(const char* from, size_t n, char16_t* units, const ByteTable& table) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(from);
    size_t i = 0;
    for (; i + WidenBlock <= n; i += WidenBlock) {
        WidenOneBlock(bytes + i, units + i, table);
    }
    for (; i < n; ++i) {
        units[i] = table[bytes[i]];
    }
}

// Turns the n bytes held in the first n bytes of `units` into n code units, in place. It works
// from the last byte back: unit i takes the bytes 2i and 2i + 1, never below byte i, so every
// byte is read before it is written over.
void WidenInPlace(char16_t* units, size_t n, const ByteTable& table) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(units);
    size_t i = n;
    for (; i % WidenBlock != 0; --i) {
        const char16_t unit = table[bytes[i - 1]];
        units[i - 1] = unit;
    }
    for (; i > 0; i -= WidenBlock) {
        WidenOneBlock(bytes + i - WidenBlock, units + i - WidenBlock, table);
    }
}

// Turns the code units of `line`, all decoded with the table, back into their bytes, packed two
// to a code unit at the start of its storage; returns their number. It works from the first unit
// on: byte i is written into unit i / 2, which has been read already.
size_t PackInPlace(Text& line, const ByteTable& table) {
    const size_t n = line.size();
    auto* bytes = reinterpret_cast<unsigned char*>(line.data());
    for (size_t i = 0; i < n; ++i) {
        const char16_t unit = line[i];
        bytes[i] = table.bytes[unit];
    }
    line.resize((n + 1) / 2);
    return n;
}

// Lengthens `text` by n code units of value 0. Appending from a block of zeros copies at memcpy
// speed, where resize would fill in the units one at a time.
void Lengthen(Text& text, size_t n) {
    static constexpr char16_t Zeros[2048] = {};
    while (n > 0) {
        const size_t piece = std::min(n, std::size(Zeros));
        text.append(Zeros, piece);
        n -= piece;
    }
}

// Appends n bytes to the `packed` bytes held two to a code unit in `line`. The storage grows by
// doubling, and its capacity in code units is kept at least the number of bytes, so the final
// widening needs no more room.
void AppendPacked(Text& line, size_t& packed, const char* from, size_t n) {
    const size_t total = packed + n;
    if (line.capacity() < total) {
        line.reserve(std::max(total, 2 * line.capacity()));
    }
    Lengthen(line, (total + 1) / 2 - line.size());
    std::memcpy(reinterpret_cast<char*>(line.data()) + packed, from, n);
    packed = total;
}

// Appends n bytes, widened, to `line`, through a small buffer that stays in the processor's
// cache. The caller makes sure the storage has room.
void AppendWidened(Text& line, const char* from, size_t n, const ByteTable& table) {
    if (n > TransferBufferSize) {
        AppendWidened(line, from, TransferBufferSize, table);
        AppendWidened(line, from + TransferBufferSize, n - TransferBufferSize, table);
        return;
    }
    char16_t units[TransferBufferSize];
    Widen(from, n, units, table);
    line.append(units, n);
}

// A line read in a single-byte code page, into `line` (empty, perhaps with storage left from an
// earlier line). While the line fits the storage, each piece is widened straight onto its end.
// A line longer than the storage is held as bytes instead, two to a code unit, and widened in
// place once it is complete: growing the storage then copies bytes rather than code units, and
// the text is the only copy of the line. So a line of n bytes needs the 2n bytes of its text, and
// 3n at the very most (when it outgrows storage that an earlier line filled with code units),
// where growing a text of whole code units by doubling would need up to 4n.
void ReadSingleByteLine(LineFileRecord& record, const ByteTable& table, Text& line) {
    bool isPacked = false;
    size_t packed = 0;
    GatherLine(record, [&](const char* from, size_t n) {
        if (!isPacked && line.size() + n <= line.capacity()) {
            AppendWidened(line, from, n, table);
            return true;
        }
        if (!isPacked) {
            packed = PackInPlace(line, table);
            isPacked = true;
        }
        AppendPacked(line, packed, from, n);
        return true;
    });
    if (isPacked) {
        Lengthen(line, packed - line.size());
        WidenInPlace(line.data(), packed, table);
    }
}

// A line in any other format: its bytes gathered, then converted as a whole (a lead byte of a
// multi-byte code page, or of UTF-8, may sit at the end of one buffer fill and its partner at
// the start of the next).
Text ReadWholeLine(LineFileRecord& record, bool utf8) {
    std::string bytes;
    GatherLine(record, [&bytes](const char* from, size_t n) {
        bytes.append(from, n);
        return true;
    });
    return utf8 ? FromUtf8(bytes) : DecodeAnsi(bytes);
}

bool IsOffered(int32_t format) {
    return format == DefaultFormat || format == Utf8Format || format == AnsiFormat;
}

// A format the file does not offer: remembered as a failure, in words that say which.
void Refuse(LineFileRecord& record, int32_t format) {
    record.failed = true;
    Text& words = LastError();
    words = u"text format ";
    words += DecimalText(format);
    words += u" is not offered";
}

// The next line in an offered format, into `line`, which is empty.
void DecodeLine(LineFileRecord& record, int32_t format, Text& line) {
    if (format == DefaultFormat) {
        format = record.defaultFormat;
    }
    const ByteTable* table = SingleByteTable();
    if (format != Utf8Format && table != nullptr) {
        ReadSingleByteLine(record, *table, line);
        return;
    }
    line = ReadWholeLine(record, format == Utf8Format);
}

// The longest word ReadLineIfHolds looks for in bytes; a longer one is looked for in the text.
constexpr size_t MaxWatchedWord = 32;

// Looks for a word in a line handed over piece by piece, as it lies in the buffer: the word may
// straddle two pieces, so the last bytes of one are kept to meet the first of the next.
class WordWatch {
  public:
    explicit WordWatch(std::string_view word) : word_(word) {}

    // True when the word stands in this piece or across its start.
    bool Sees(std::string_view piece) {
        const size_t keep = word_.size() - 1;
        const size_t head = std::min(piece.size(), keep);
        std::memcpy(seam_ + kept_, piece.data(), head);
        if (std::string_view(seam_, kept_ + head).find(word_) != std::string_view::npos ||
            piece.find(word_) != std::string_view::npos) {
            return true;
        }
        const size_t total = kept_ + head;
        if (piece.size() >= keep) {
            std::memcpy(seam_, piece.data() + piece.size() - keep, keep);
            kept_ = keep;
        } else {
            const size_t drop = total > keep ? total - keep : 0;
            std::memmove(seam_, seam_ + drop, total - drop);
            kept_ = total - drop;
        }
        return false;
    }

  private:
    std::string_view word_;
    char seam_[2 * MaxWatchedWord] = {};
    size_t kept_ = 0;  // bytes of earlier pieces at the start of seam_
};

// Whether the file can move back to the start of a line: not a pipe, and not a compressed file,
// whose position lies in its compressed bytes. The first fill tells whether it is compressed.
bool IsSeekable(LineFileRecord& record) {
    if (record.mayBeCompressed) {
        Refill(record);
    }
    if (record.compressed) {
        return false;
    }
    if (!record.seekable) {
        record.seekable = CurrentFileSystem().Seek(record.handle, 0);
    }
    return *record.seekable;
}

// Goes back to the start of the line being read, `before` bytes ahead of the next byte: within
// the buffer when the line began in it, else by moving the file's position back.
void ReturnToLineStart(LineFileRecord& record, size_t before) {
    const auto handedOut = static_cast<size_t>(record.filled - record.count);
    if (before <= handedOut) {
        record.count += static_cast<int32_t>(before);
        return;
    }
    if (!CurrentFileSystem().Seek(record.handle, -static_cast<int64_t>(before) - record.count)) {
        NoteFailure(record);
    }
    record.count = record.filled = 0;
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
    NewFile created = CurrentFileSystem().CreateBeside(path);
    const LineFileId made = Register(created.handle, false);
    if (LineFileRecord* record = Find(made)) {
        record->newPath = std::move(created.path);
        record->target = path;
    }
    return made;
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
    Text line;
    ReadLineInto(id, format, line);
    return line;
}

void ReadLineInto(LineFileId id, int32_t format, Text& line) {
    line.clear();
    LineFileRecord* record = Find(id);
    if (record == nullptr) {
        return;
    }
    SwitchToReading(*record);
    if (!IsOffered(format)) {
        Refuse(*record, format);
        // Passed over, so a read loop still ends.
        GatherLine(*record, [](const char*, size_t) { return true; });
        return;
    }
    DecodeLine(*record, format, line);
}

bool ReadLineIfHolds(LineFileId id, int32_t format, std::string_view word, Text& line) {
    LineFileRecord* record = Find(id);
    if (record == nullptr || word.empty()) {
        line.clear();
        return false;
    }
    SwitchToReading(*record);
    // A format that is not offered is refused there, and the line passed over.
    if (word.size() > MaxWatchedWord || !IsSeekable(*record) || !IsOffered(format)) {
        ReadLineInto(id, format, line);
        if (FindText(line, FromUtf8(word)) != 0) {
            return true;
        }
        line.clear();
        return false;
    }
    line.clear();
    WordWatch watch(word);
    size_t before = 0;  // bytes of the line before the piece that holds the word
    bool holds = false;
    GatherLine(*record, [&](const char* from, size_t n) {
        holds = watch.Sees(std::string_view(from, n));
        before += holds ? 0 : n;
        return !holds;
    });
    if (holds) {
        ReturnToLineStart(*record, before);
        ReadLineInto(id, format, line);
    }
    return holds;
}

void WriteLine(LineFileId id, const Text& text, int32_t format) {
    LineFileRecord* record = Find(id);
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
    if (!it->failed && !it->newPath.empty()) {
        MoveIntoPlace(*it);
    }
    const bool succeeded = !it->failed;
    table.erase(it);
    return succeeded;
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
