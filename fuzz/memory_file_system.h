// An in-memory file system for the fuzz targets: files are byte strings held by path, and every
// read hands out at most as many bytes as the next entry of a chunk schedule says, so the line
// reader meets buffer fills of any size and line ends split across them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "text/file_system.h"

namespace vex::fuzz {

class MemoryFileSystem final : public FileSystem {
  public:
    // Chunk sizes for successive reads, used in a cycle; 0 means "as much as was asked for".
    explicit MemoryFileSystem(std::vector<uint8_t> chunks = {}) : chunks_(std::move(chunks)) {}

    std::map<Text, std::string> files;

    FileHandle OpenForReading(const Text& path) override;
    FileHandle CreateForWriting(const Text& path) override;
    int64_t Read(FileHandle file, char* into, int64_t n) override;
    int64_t Write(FileHandle file, const char* bytes, int64_t n) override;
    bool Seek(FileHandle file, int64_t delta) override;
    bool Close(FileHandle file) override;
    Text LastError() override { return u"no such file in memory"; }
    bool SameFile(const Text& a, const Text& b) override { return a == b && files.count(a) != 0; }

  private:
    struct Open {
        Text path;
        int64_t position = 0;
    };

    Open* Find(FileHandle file);

    std::vector<uint8_t> chunks_;
    size_t nextChunk_ = 0;
    std::map<FileHandle, Open> open_;
    FileHandle nextHandle_ = 3;
};

}  // namespace vex::fuzz
