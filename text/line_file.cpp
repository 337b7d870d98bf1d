#include "text/line_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "text/compressed_input.h"
#include "text/file_system.h"

namespace vex {

namespace {

constexpr int32_t TransferBufferSize = 4096;

// Looks for a word in the bytes of a fill (Horspool's way): the byte under the word's last place
// tells how far the word may move on, by its whole length for a byte it does not hold, so most
// bytes are never looked at, and no input makes it look at any byte more than the word is long.
class WordSearch {
  public:
    // Made ready for `word`; the table stays as long as the word does.
    void Prepare(std::string_view word) {
        if (word.size() == word_.size() && Equal(word.data(), word_, word.size())) {
            return;
        }
        word_ = word;
        shifts_.fill(word.size());
        for (size_t i = 0; i + 1 < word.size(); ++i) {
            shifts_[static_cast<unsigned char>(word[i])] = word.size() - 1 - i;
        }
    }

    size_t Length() const { return word_.size(); }

    // The first place of the word in [from, to), or `to`.
    const char* Find(const char* from, const char* to) const {
        const size_t n = word_.size();
        for (const char* at = from; static_cast<size_t>(to - at) >= n;
             at += shifts_[static_cast<unsigned char>(at[n - 1])]) {
            if (at[n - 1] == word_.back() && Equal(at, word_, n - 1)) {
                return at;
            }
        }
        return to;
    }

  private:
    // True when `text` holds the first n bytes of `word`. A word is a few bytes: compared in
    // place eight at a time, where a call of memcmp would cost more than the comparison.
    static bool Equal(const char* text, std::string_view word, size_t n) {
        if (n > word.size()) {
            return false;
        }
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t a = 0;
            uint64_t b = 0;
            std::memcpy(&a, text + i, 8);
            std::memcpy(&b, word.data() + i, 8);
            if (a != b) {
                return false;
            }
        }
        for (; i < n; ++i) {
            if (text[i] != word[i]) {
                return false;
            }
        }
        return true;
    }

    std::string word_;
    std::array<size_t, 256> shifts_{};
};

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
// --- Finding line ends ------------------------------------------------------------------------

bool IsLineEnd(char c) {
    return c == '\n' || c == '\r' || c == '\0';
}

constexpr uint64_t EveryByte(unsigned char byte) {
    return 0x0101010101010101ULL * byte;
}

// 0x80 in each byte of `word` that is zero, and 0 in every other: the low seven bits of a byte
// plus 0x7F reach its top bit unless they are all zero, and no carry crosses into the next byte.
uint64_t ZeroBytes(uint64_t word) {
    constexpr uint64_t Low7 = EveryByte(0x7F);
    return ~(((word & Low7) + Low7) | word | Low7);
}

// The line-ending bytes among the eight at `at`, flagged as ZeroBytes flags them.
uint64_t LineEndBytes(const char* at) {
    uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return ZeroBytes(word) | ZeroBytes(word ^ EveryByte('\n')) | ZeroBytes(word ^ EveryByte('\r'));
}

// The place, 0 to 7 in memory order, of the first and of the last byte flagged in `bytes`.
size_t FirstFlagged(uint64_t bytes) {
    const bool little = std::endian::native == std::endian::little;
    return static_cast<size_t>(little ? std::countr_zero(bytes) : std::countl_zero(bytes)) / 8;
}

size_t LastFlagged(uint64_t bytes) {
    const bool little = std::endian::native == std::endian::little;
    return 7 - static_cast<size_t>(little ? std::countl_zero(bytes) : std::countr_zero(bytes)) / 8;
}

// The first line-ending byte (LF, CR or zero) in [from, to), or `to`. One pass, eight bytes a
// step, however many line ends follow: a fill of zero bytes holds a line end in every byte.
const char* FindLineEnd(const char* from, const char* to) {
    for (; to - from >= 8; from += 8) {
        if (const uint64_t ends = LineEndBytes(from); ends != 0) {
            return from + FirstFlagged(ends);
        }
    }
    while (from != to && !IsLineEnd(*from)) {
        ++from;
    }
    return from;
}

// True when [from, to) holds no line end, told with memchr, which takes many bytes a step.
bool HoldsNoLineEnd(const char* from, const char* to) {
    const auto n = static_cast<size_t>(to - from);
    return std::memchr(from, '\n', n) == nullptr && std::memchr(from, '\r', n) == nullptr &&
           std::memchr(from, '\0', n) == nullptr;
}

// The last line-ending byte in [from, to), or null. Most fills of a long line hold none, which
// memchr tells fastest; a fill that holds one, and a short stretch, are searched from the end.
const char* FindLastLineEnd(const char* from, const char* to) {
    if (to - from > 64 && HoldsNoLineEnd(from, to)) {
        return nullptr;
    }
    for (; to - from >= 8; to -= 8) {
        if (const uint64_t ends = LineEndBytes(to - 8); ends != 0) {
            return to - 8 + LastFlagged(ends);
        }
    }
    while (to != from && !IsLineEnd(*--to)) {
    }
    return IsLineEnd(*to) ? to : nullptr;
}

const char* NextByte(const LineFileRecord& record) {
    return record.buffer.data() + (record.filled - record.count);
}

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

// --- Reading lines ----------------------------------------------------------------------------

// Appends what `head` still has room for, of n bytes: a line is kept up to `longest` bytes.
void Keep(std::string& head, const char* from, size_t n, size_t longest) {
    head.append(from, std::min(n, longest - std::min(longest, head.size())));
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

// The last bytes of the line in progress at the end of a fill, as many as a word needs but one:
// a word that begins there and ends in the next fill is seen across the two.
class Seam {
  public:
    explicit Seam(std::string_view word) : word_(word) {}

    // Takes in the bytes [from, to) of the line in progress; `restart` when the line began there.
    void Add(const char* from, const char* to, bool restart) {
        const size_t keep = word_.size() - 1;
        const auto n = static_cast<size_t>(to - from);
        if (restart) {
            kept_.clear();
        }
        if (n >= keep) {
            kept_.assign(to - keep, keep);
            return;
        }
        kept_.append(from, n);
        kept_.erase(0, kept_.size() - std::min(kept_.size(), keep));
    }

    // True when the word begins in the kept bytes and ends at the start of the next fill. The
    // word holds no line end, so such a match cannot reach past the line.
    bool Crosses(const char* from, const char* to) {
        if (kept_.empty()) {
            return false;
        }
        std::string probe = kept_;
        probe.append(from, std::min<size_t>(static_cast<size_t>(to - from), word_.size() - 1));
        const size_t at = probe.find(word_);
        return at != std::string::npos && at < kept_.size();
    }

  private:
    std::string_view word_;
    std::string kept_;
};

// Where the line holding the word begins within the fill [from, to): `from` itself when the line
// began in an earlier fill (its first bytes are then in `head`), or null when the fill does not
// hold the word. `after` is where the word ends, or a place before it.
const char* FindHoldingLine(const char* from, const char* to, const WordSearch& search, Seam& seam,
                            std::string& head, const char*& after) {
    after = from;
    if (seam.Crosses(from, to)) {
        return from;
    }
    const char* at = search.Find(from, to);
    if (at == to) {
        return nullptr;
    }
    after = at + search.Length();
    const char* lastEnd = FindLastLineEnd(from, at);
    if (lastEnd == nullptr) {
        return from;
    }
    head.clear();
    return lastEnd + 1;
}

// Passes over a fill that does not hold the word, keeping the first bytes and the seam of the
// line in progress at its end.
void PassOver(LineFileRecord& record, Seam& seam, size_t longest) {
    const char* from = NextByte(record);
    const char* to = from + record.count;
    const char* lastEnd = FindLastLineEnd(from, to);
    const char* lineStart = lastEnd == nullptr ? from : lastEnd + 1;
    if (lastEnd != nullptr) {
        record.head.clear();
    }
    Keep(record.head, lineStart, static_cast<size_t>(to - lineStart), longest);
    seam.Add(lineStart, to, lastEnd != nullptr);
    record.count = 0;
}

// Reads on from the start of a line holding the word to its end and decodes what is kept of it
// into `line`; the line holds no line end before `after`, where the word ends. A line that lies
// whole in the fill (most do) is decoded where it lies.
void FinishLine(LineFileRecord& record, const char* lineStart, const char* after, int32_t format,
                size_t longest, Text& line) {
    record.count -= static_cast<int32_t>(lineStart - NextByte(record));
    const char* to = lineStart + record.count;
    const char* end = FindLineEnd(std::min(after, to), to);
    if (record.head.empty() && end != to && (*end != '\r' || end + 1 != to)) {
        const auto n = static_cast<size_t>(end - lineStart);
        Decode(std::string_view(lineStart, std::min(n, longest)), format, record, line);
        record.count -= static_cast<int32_t>(n + (*end == '\r' && end[1] == '\n' ? 2 : 1));
        return;
    }
    GatherLine(record, [&](const char* from, size_t n) { Keep(record.head, from, n, longest); });
    Decode(record.head, format, record, line);
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

void ReadLineInto(LineFileId id, int32_t format, Text& line, size_t longest) {
    line.clear();
    LineFileRecord* record = Find(id);
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

bool ReadNextLineHolding(LineFileId id, int32_t format, std::string_view word, size_t longest,
                         Text& line) {
    line.clear();
    LineFileRecord* record = Find(id);
    if (record == nullptr || word.empty()) {
        return false;
    }
    SwitchToReading(*record);
    if (!IsOffered(format)) {
        Refuse(*record, format);
        return false;
    }
    record->search.Prepare(word);
    Seam seam(word);
    record->head.clear();
    while (Refill(*record)) {
        const char* from = NextByte(*record);
        const char* after = nullptr;
        const char* lineStart =
            FindHoldingLine(from, from + record->count, record->search, seam, record->head, after);
        if (lineStart != nullptr) {
            FinishLine(*record, lineStart, after, format, longest, line);
            return true;
        }
        PassOver(*record, seam, longest);
    }
    return false;
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

void DropLineFile(LineFileId id) {
    if (LineFileRecord* record = Find(id)) {
        record->failed = true;
        record->readMode = true;  // nothing pending is written
        CloseLineFile(id);
    }
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
