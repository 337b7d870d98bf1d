// The thin layer through which line files reach the operating system: the few operations each
// platform supplies (POSIX calls on Linux, Win32 calls on Windows), and the rules written once
// above them: a path split into its folder and its name, the paths the system is given, a new
// file's name of its own, a write carried on until every byte is written. Tests put their own
// implementation in place of the platform's to inject faults that a real disk rarely shows on
// demand.
//
// Files are reached through their folder, held open: once the folder is open, whatever happens to
// its name (renamed away, a link to another folder put in its place), the files opened, created,
// moved and removed through it are those of this very folder.
#pragma once

#include <cstdint>

#include "text/text.h"

namespace vex {

using FileHandle = int64_t;

inline constexpr FileHandle NoFileHandle = -1;

// A folder held open, and the path it was opened at (with its last separator; empty for the
// current folder). POSIX reaches its files through the handle alone; Windows by the path, while
// the handle keeps the folder from being renamed or replaced.
struct Folder {
    FileHandle handle = NoFileHandle;
    Text path;
};

// The operations each platform supplies. Names are of files in the folder given, never empty,
// never holding a separator or a zero character; every failure gives NoFileHandle, -1 or false,
// and LastError then says why.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Opens the folder at `path` (empty: the current folder) to reach files through. On Windows
    // nobody can rename or remove it while it is open.
    virtual FileHandle OpenFolder(const Text& path) = 0;

    // Opens an existing regular file for reading; on Windows shared with nobody, so the open fails
    // while another program holds the file.
    virtual FileHandle OpenForReading(const Folder& folder, const Text& name) = 0;

    // Creates a new, empty file for writing (and reading) where nothing stood: nothing already
    // there (a link, a pipe, a file) is ever opened or followed, and `taken` then says so. It
    // gets the permissions any new file gets.
    virtual FileHandle CreateNew(const Folder& folder, const Text& name, bool& taken) = 0;

    // Puts the file `from` in the place of `to` in one step: whatever stands at `to` (an earlier
    // file, a link, a pipe) is replaced, never followed. False, with both left as they are, when
    // `to` is a folder or a file this process may not write to (a read-only one).
    virtual bool Replace(const Folder& folder, const Text& from, const Text& to) = 0;

    // Puts the file `from` at `to` only where nothing stands at `to` (no file, link, pipe or
    // folder), in one step, so that nothing that appears there meanwhile is ever replaced. False,
    // with both left as they are, when it could not; `taken` then says whether something stood
    // at `to`.
    virtual bool MoveWithoutReplacing(const Folder& folder, const Text& from, const Text& to,
                                      bool& taken) = 0;

    // Removes the file (a link itself, not what it points to).
    virtual bool Remove(const Folder& folder, const Text& name) = 0;

    // True when both names reach the same existing file (other case, another link, a hard link,
    // a short name); false when either does not exist.
    virtual bool SameFile(const Folder& folder, const Text& a, const Text& b) = 0;

    // Reads up to n bytes at the current position. The number read; 0 at the end; -1 on error.
    virtual int64_t Read(FileHandle file, char* into, int64_t n) = 0;

    // Writes at most n bytes (n > 0) at the current position: the number written, at least 1, or
    // -1. WriteAll carries it on to the end.
    virtual int64_t WriteSome(FileHandle file, const char* bytes, int64_t n) = 0;

    // Moves the position by delta bytes from where it is.
    virtual bool Seek(FileHandle file, int64_t delta) = 0;

    // Puts what was written to the file on the disk, where a power cut cannot take it.
    virtual bool Sync(FileHandle file) = 0;

    // Puts the folder's names on the disk, so that a file moved into place stays there through a
    // power cut.
    virtual bool SyncFolder(const Folder& folder) = 0;

    // Closes a file or a folder. False when the system reports a failure (data may be lost).
    virtual bool Close(FileHandle file) = 0;

    // Plain words for the last failure of this layer.
    virtual Text LastError() = 0;
};

// The characters that end a path's folder: a slash on Linux; on Windows either slash and the
// colon of a drive ("C:scene.x3d").
extern const TextView FolderSeparators;

// A path as its folder (up to and including its last separator; empty for a bare name) and the
// name of its file in that folder.
struct PathInFolder {
    Text folder;
    Text name;
};
PathInFolder SplitPath(const Text& path);

// False for a path or a name no file system call may be given: an empty one, and one that holds a
// zero character, at which the system would cut it and name another file than the one meant.
bool IsUsablePath(const Text& path);

// The words for a path IsUsablePath refuses.
inline constexpr char16_t UnusablePath[] = u"the path names no file";

// A name for a new file: ".vexlorin-", 16 random hexadecimal digits and ".tmp"; another at each
// call, which nobody can foresee and plant something at beforehand.
Text NewFileName();

// A file made by CreateBeside: its handle (NoFileHandle when it could not be made) and its name.
struct NewFile {
    FileHandle handle = NoFileHandle;
    Text name;
};

// Creates a new file in the folder under a name of its own (NewFileName), another one tried while
// something stands at the name drawn, up to a hundred.
NewFile CreateBeside(FileSystem& files, const Folder& folder);

// Writes the n bytes at the current position, piece after piece as the system takes them. The
// number written: less than n when a write failed (LastError says why).
int64_t WriteAll(FileSystem& files, FileHandle file, const char* bytes, int64_t n);

// The platform's own implementation.
FileSystem& NativeFileSystem();

// The implementation line files use now: the native one unless a test has put another in place.
FileSystem& CurrentFileSystem();

// Puts `replacement` in place for the lifetime of this object (tests only).
class ScopedFileSystem {
  public:
    explicit ScopedFileSystem(FileSystem& replacement);
    ~ScopedFileSystem();
    ScopedFileSystem(const ScopedFileSystem&) = delete;
    ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

  private:
    FileSystem* previous_;
};

}  // namespace vex
