// The thin layer through which line files reach the operating system. There is one native
// implementation per platform (POSIX calls on Linux, Win32 calls on Windows); tests put their own
// in its place to inject faults that a real disk rarely shows on demand.
#pragma once

#include <cstdint>

#include "text/text.h"

namespace vex {

using FileHandle = int64_t;

inline constexpr FileHandle NoFileHandle = -1;

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Opens an existing file for reading, shared with nobody. NoFileHandle on failure.
    virtual FileHandle OpenForReading(const Text& path) = 0;

    // Creates the file, or empties it when it exists, for writing. NoFileHandle on failure.
    virtual FileHandle CreateForWriting(const Text& path) = 0;

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
