// The thin layer through which line files reach the operating system. There is one native
// implementation per platform (POSIX calls on Linux, Win32 calls on Windows); tests put their own
// in its place to inject faults that a real disk rarely shows on demand.
#pragma once

#include <cstdint>

#include "text/text.h"

namespace vex {

using FileHandle = int64_t;

inline constexpr FileHandle NoFileHandle = -1;

// A file made by FileSystem::CreateBeside: its handle (NoFileHandle when it could not be made)
// and its path.
struct NewFile {
    FileHandle handle = NoFileHandle;
    Text path;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Opens an existing file for reading, shared with nobody. NoFileHandle on failure.
    virtual FileHandle OpenForReading(const Text& path) = 0;

    // Creates a new, empty file for writing (and reading) in the folder `path` lies in, as the
    // system finds it, under a name of its own (NewFileName) at which nothing stood: nothing
    // already there (a link, a pipe, a file) is ever opened or followed. It gets the permissions
    // any new file gets. `path` itself is not touched. NoFileHandle on failure (a folder that is
    // missing or may not be written to, an unusable path).
    virtual NewFile CreateBeside(const Text& path) = 0;

    // Puts the file `from` in the place of `to` in one step: whatever stands at `to` (an earlier
    // file, a link, a pipe) is replaced, never followed. False, with both left as they are, when
    // `to` is a folder or a file this process may not write to (a read-only one).
    virtual bool Replace(const Text& from, const Text& to) = 0;

    // Removes the file at `path` (a link itself, not what it points to). False on failure.
    virtual bool Remove(const Text& path) = 0;

    // Reads up to n bytes at the current position. The number read; 0 at the end; -1 on error.
    virtual int64_t Read(FileHandle file, char* into, int64_t n) = 0;

    // Writes n bytes at the current position. The number written; less than n (or -1) when the
    // write failed or fell short.
    virtual int64_t Write(FileHandle file, const char* bytes, int64_t n) = 0;

    // Moves the position by delta bytes from where it is. False on failure.
    virtual bool Seek(FileHandle file, int64_t delta) = 0;

    // Closes the file. False when the system reports a failure (data may be lost).
    virtual bool Close(FileHandle file) = 0;

    // Plain words for the last failure of this layer.
    virtual Text LastError() = 0;

    // True when both paths name the same existing file, however they are spelled (other case,
    // another link, a short name). False when either does not exist.
    virtual bool SameFile(const Text& a, const Text& b) = 0;
};

// A name for a new file: ".vexlorin-", 16 random hexadecimal digits and ".tmp"; another at each
// call, which nobody can foresee and plant something at beforehand.
Text NewFileName();

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
