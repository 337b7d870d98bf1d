// Helpers shared by the tests: temporary folders and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <string>

#include "text/text.h"

namespace vex::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The full path of a file in the folder, as the converter's text.
    Text TextPath(const std::string& name) const;

  private:
    std::filesystem::path path_;
};

void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& file);
Text PathText(const std::filesystem::path& path);

// The checked-in fixtures: a real export and the exact include expected for it.
std::filesystem::path FixturePath(const std::string& name);

}  // namespace vex::test

#include <map>

#include "text/file_system.h"

namespace vex::test {

// Files held in memory, with faults on demand: reads deliver at most `readChunk` bytes at a time,
// and writing stops (short) once `writeLimit` bytes have been written to a file.
class MemoryFileSystem : public FileSystem {
  public:
    std::map<Text, std::string> files;
    int64_t readChunk = 1 << 30;
    int64_t writeLimit = -1;     // no limit when negative
    int64_t failReadAfter = -1;  // a read starting at or past this offset fails, when >= 0
    bool failClose = false;

    FileHandle OpenForReading(const Text& path) override;
    FileHandle CreateForWriting(const Text& path) override;
    int64_t Read(FileHandle file, char* into, int64_t n) override;
    int64_t Write(FileHandle file, const char* bytes, int64_t n) override;
    bool Seek(FileHandle file, int64_t delta) override;
    bool Close(FileHandle file) override;
    Text LastError() override { return lastError_; }
    bool SameFile(const Text& a, const Text& b) override { return a == b && files.count(a) > 0; }

  private:
    struct Open {
        Text path;
        int64_t position = 0;
    };
    std::map<FileHandle, Open> open_;
    FileHandle next_ = 3;
    Text lastError_;
};

}  // namespace vex::test
