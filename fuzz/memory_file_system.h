// Files held in memory for the tests and the fuzz targets, with faults on demand: reads hand out
// at most as many bytes as the next entry of `readChunks` says (used in a cycle, 0 meaning "as many
// as were asked for"), so a reader meets buffer fills of any size and line ends split across them;
// a read starting at or past `failReadAfter` fails; a write that would take a file past
// `writeLimit` bytes fails and writes nothing (a later, shorter one may still fit); the close of
// the file named `failCloseOf` fails; creating fails with `refuseCreate`, and replacing with
// `refuseReplace` (as for a read-only file). The new file made beside PATH is PATH.new.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "text/file_system.h"

namespace vex::test {

class MemoryFileSystem final : public FileSystem {
  public:
    std::map<Text, std::string> files;
    std::vector<int64_t> readChunks;
    int64_t failReadAfter = -1;  // no failure when negative
    int64_t writeLimit = -1;     // no limit when negative
    Text failCloseOf;
    bool refuseCreate = false;
    bool refuseReplace = false;
    // Reads, or writes, throw std::bad_alloc, as an allocation that fails there would.
    bool outOfMemoryOnRead = false;
    bool outOfMemoryOnWrite = false;

    FileHandle OpenForReading(const Text& path) override;
    NewFile CreateBeside(const Text& path) override;
    bool Replace(const Text& from, const Text& to) override;
    bool Remove(const Text& path) override;
    int64_t Read(FileHandle file, char* into, int64_t n) override;
    int64_t Write(FileHandle file, const char* bytes, int64_t n) override;
    bool Seek(FileHandle file, int64_t delta) override;
    bool Close(FileHandle file) override;
    Text LastError() override { return lastError_; }
    bool SameFile(const Text& a, const Text& b) override { return a == b && files.count(a) != 0; }

  private:
    struct Open {
        Text path;
        int64_t position = 0;
    };

    // The open file behind a handle; a handle that is not open is a fault of the caller, and
    // throws (a failed test, a crash for the fuzzer).
    Open& Find(FileHandle file) { return open_.at(file); }
    int64_t NextChunk(int64_t n);
    int64_t Failed(const char16_t* error);

    std::map<FileHandle, Open> open_;
    FileHandle next_ = 3;
    size_t nextChunk_ = 0;
    Text lastError_;
};

}  // namespace vex::test
