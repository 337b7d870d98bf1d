// Line files: a disk file opened either for reading or for writing and used one line of text at
// a time, through a 4096-byte transfer buffer.
//
// A file is named by a 64-bit id. Pass AutoId to have one assigned; an assigned id is never 0
// and never AutoId. A failed open or create returns 0, which names no file: on it ReadLine gives
// the empty text, WriteLine and CloseLineFile do nothing, and IsEndOfFile answers true, so a
// read loop over a file that could not be opened still ends.
//
// A file opened for reading that begins with gzip's magic bytes (1F 8B) is read as the bytes it
// holds, whatever its name; lines and end-of-file answers are those of the inflated bytes. Damaged
// or cut-off compressed data end the file like a read error, which its close reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/file_system.h"
#include "text/text.h"

namespace vex {

using LineFileId = int64_t;

inline constexpr LineFileId AutoId = -1;

// The formats ReadLine and WriteLine offer. The converter always passes AnsiFormat; UTF-8 is
// offered besides, and DefaultFormat means the file's default, which is Utf8Format. Every other
// value is refused, 25 (UTF-16 elsewhere) among them: taking it for one of these would read or
// write other characters than the caller asked for, and do so without a sign.
enum TextFormat : int32_t {
    DefaultFormat = 0,
    Utf8Format = 2,
    AnsiFormat = 24,
};

// The folder a path lies in, held open while this object lives, for the files of one conversion:
// every file opened or created through it is in this very folder, whatever happens to the
// folder's name meanwhile (renamed away, a link to another folder put in its place). On Windows
// nobody can rename or remove the folder while it is held.
class LineFolder {
  public:
    // Opens the folder of `path`: its part up to the last separator (SplitPath), the current
    // folder for a bare name. A path that is not usable (IsUsablePath) opens nothing.
    explicit LineFolder(const Text& path);
    ~LineFolder();
    LineFolder(const LineFolder&) = delete;
    LineFolder& operator=(const LineFolder&) = delete;

    // False when the folder could not be opened, with LastLineFileError saying why.
    bool IsOpen() const { return folder_.handle != NoFileHandle; }

    // Puts the folder's names on the disk, so that a file moved into place in it (by
    // CloseLineFile) stays there through a power cut. False on failure, with LastLineFileError
    // saying why.
    bool Sync();

    // True when the two names reach the same existing file of the folder, however they are
    // spelled (FileSystem::SameFile).
    bool SameFile(const Text& a, const Text& b) const;

    const Folder& Held() const { return folder_; }

  private:
    Folder folder_;
};

// Opens the existing file `name` of a held folder for reading (on Windows without sharing it).
// Nothing is read yet. 0 on failure (missing file, no permission, on Windows held open elsewhere,
// not a regular file, a name that is not usable) or when id is not AutoId.
LineFileId OpenLineFile(LineFileId id, const LineFolder& folder, const Text& name);

// OpenLineFile for the file at `path`, through its folder, held only while it is opened.
LineFileId OpenLineFile(LineFileId id, const Text& path);

// Whether a created file takes the place of what stands at its name, or only a name where nothing
// stands.
enum class CreateMode { Replace, NewOnly };

// Creates the file `name` in a held folder, which must outlive it, without touching anything
// else: the lines go into a new file of its own beside it (CreateBeside), which CloseLineFile puts
// on the disk and then at `name` once everything was written. With Replace it takes the place of
// whatever stands there (an earlier file, a link, a pipe: replaced, never followed or written
// through); with NewOnly it takes the name only where nothing stands, and never replaces what
// appears there meanwhile (FileSystem::MoveWithoutReplacing). Until then `name` stays as it was,
// and after any failure it stays so and the new file is removed. 0 when the new file cannot be
// made, or when id is not AutoId.
LineFileId CreateLineFile(LineFileId id, const LineFolder& folder, const Text& name,
                          CreateMode mode = CreateMode::Replace);

// CreateLineFile for the file at `path`, through its folder, held until the file is closed;
// CloseLineFile then syncs the folder too (LineFolder::Sync), and a failure there fails the close
// though the path already holds the new file.
LineFileId CreateLineFile(LineFileId id, const Text& path);

// True when no byte is left to read; a one-byte look-ahead that consumes nothing. True for an id
// that names no open file.
bool IsEndOfFile(LineFileId id);

// The next line without its line end. LF, CR LF, a lone CR and a zero byte each end a line; a CR
// LF split across two buffer fills is still one line end. A line has no upper length. At the end
// of the file, and for an id that names no file, the result is the empty text.
//
// A format that is not offered (see TextFormat) is refused without failing the call: the result
// is the empty text, the line is passed over (so a loop that reads until IsEndOfFile still ends),
// and the file counts as failed, which its CloseLineFile reports, with LastLineFileError saying
// why.
Text ReadLine(LineFileId id, int32_t format);

// ReadLine into `line`, keeping at most the first `longest` bytes of the line: the rest is passed
// over, found in the same single pass, and never held. So a file that holds one huge line costs
// no more memory than one that does not.
void ReadLineInto(LineFileId id, int32_t format, Text& line, size_t longest = SIZE_MAX);

// Passes over every line whose bytes do not hold `word` (ASCII, without line ends) and reads the
// next one that does into `line`, at most its first `longest` bytes, as ReadLineInto does. False,
// with `line` empty, when the file ends first: it is then at its end. Lines passed over are never
// decoded, and no more than their first `longest` bytes are held while they are read, however
// long or many they are; the file is read once, front to back, so a pipe or a compressed file
// serves as well as a disk file. Every code page a line file reads writes ASCII
// as the same bytes, so a line whose bytes lack the word cannot hold it as text either. A format
// that is not offered is refused as by ReadLine, with the result false.
bool ReadNextLineHolding(LineFileId id, int32_t format, std::string_view word, size_t longest,
                         Text& line);

// Writes the text followed by CR LF. Ignored for an id that names no file. A file opened for
// reading is not written: it counts as failed, as after any other failed write.
//
// A format that is not offered (see TextFormat) is refused without failing the call: nothing is
// written, not even the line end, and the file counts as failed, which its CloseLineFile reports,
// with LastLineFileError saying why; a created file then never takes its path's place.
void WriteLine(LineFileId id, const Text& text, int32_t format);

// Writes out pending bytes and closes the file; the id then names no file. A created file is
// first put on the disk (FileSystem::Sync), then takes its path's place, unless anything went
// wrong: it is removed instead, and the path stays as it was. Returns false when anything went
// wrong with the file while it was open: a read error, damaged compressed data, a failed or short
// write (including this final one), a write to a file opened for reading, a refused format, a
// failed sync or close, or (for a created file) a path whose place it may not take, a folder or a
// read-only file, or (created NewOnly) a name something stands at. Returns true for an id that
// names no file.
bool CloseLineFile(LineFileId id);

// What closing a file came to: NameTaken is a file created NewOnly, written in full, whose name
// was taken by something else when it was to be moved there (kept as it was; the new file is
// removed); Failed is any other failure, as CloseLineFile has it.
enum class CloseResult { Closed, NameTaken, Failed };

// CloseLineFile, telling a name taken from the other failures.
CloseResult CloseLineFileResult(LineFileId id);

// Closes the file without writing out what is pending, for work that cannot be finished: a
// created file is removed and never takes its path's place. Nothing happens for an id that names
// no file.
void DropLineFile(LineFileId id);

// A line file of work that may be cut short (an allocation that fails): dropped when the guard
// goes, unless it was closed by then, so that no half-written file takes its path's place.
class OpenLineFileGuard {
  public:
    explicit OpenLineFileGuard(LineFileId id) : id_(id) {}
    ~OpenLineFileGuard() { DropLineFile(id_); }
    OpenLineFileGuard(const OpenLineFileGuard&) = delete;
    OpenLineFileGuard& operator=(const OpenLineFileGuard&) = delete;

    LineFileId Id() const { return id_; }
    // Closes the file (CloseLineFile, CloseLineFileResult). A close cut short by a failed
    // allocation leaves the id held, so that the file is still dropped.
    bool Close() { return CloseWithResult() == CloseResult::Closed; }
    CloseResult CloseWithResult() {
        const CloseResult result = CloseLineFileResult(id_);
        id_ = 0;
        return result;
    }

  private:
    LineFileId id_;
};

// Closes every file still open, newest first, as CloseLineFile does.
void CloseAllLineFiles();

// Plain words for the most recent failure met by a line file operation (for example "No such
// file or directory", or "the compressed data is corrupt"); empty when there was none.
Text LastLineFileError();

}  // namespace vex
