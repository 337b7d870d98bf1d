#include "fuzz/memory_file_system.h"

#include <algorithm>
#include <cstring>

namespace vex::fuzz {

MemoryFileSystem::Open* MemoryFileSystem::Find(FileHandle file) {
    const auto it = open_.find(file);
    return it == open_.end() ? nullptr : &it->second;
}

FileHandle MemoryFileSystem::OpenForReading(const Text& path) {
    if (files.count(path) == 0) {
        return NoFileHandle;
    }
    open_[nextHandle_] = Open{path, 0};
    return nextHandle_++;
}

FileHandle MemoryFileSystem::CreateForWriting(const Text& path) {
    files[path].clear();
    open_[nextHandle_] = Open{path, 0};
    return nextHandle_++;
}

int64_t MemoryFileSystem::Read(FileHandle file, char* into, int64_t n) {
    Open* open = Find(file);
    if (open == nullptr || n < 0) {
        return -1;
    }
    const std::string& bytes = files[open->path];
    int64_t take = std::min<int64_t>(n, static_cast<int64_t>(bytes.size()) - open->position);
    if (!chunks_.empty()) {
        const uint8_t chunk = chunks_[nextChunk_++ % chunks_.size()];
        take = chunk == 0 ? take : std::min<int64_t>(take, chunk);
    }
    take = std::max<int64_t>(take, 0);
    std::memcpy(into, bytes.data() + open->position, static_cast<size_t>(take));
    open->position += take;
    return take;
}

int64_t MemoryFileSystem::Write(FileHandle file, const char* bytes, int64_t n) {
    Open* open = Find(file);
    if (open == nullptr || n < 0) {
        return -1;
    }
    std::string& content = files[open->path];
    const auto at = static_cast<size_t>(open->position);
    if (content.size() < at + static_cast<size_t>(n)) {
        content.resize(at + static_cast<size_t>(n));
    }
    content.replace(at, static_cast<size_t>(n), bytes, static_cast<size_t>(n));
    open->position += n;
    return n;
}

bool MemoryFileSystem::Seek(FileHandle file, int64_t delta) {
    Open* open = Find(file);
    if (open == nullptr || open->position + delta < 0) {
        return false;
    }
    open->position += delta;
    return true;
}

bool MemoryFileSystem::Close(FileHandle file) {
    return open_.erase(file) == 1;
}

}  // namespace vex::fuzz
