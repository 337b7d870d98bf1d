#include "fuzz/memory_file_system.h"

#include <new>

#include <algorithm>
#include <utility>

namespace vex::test {

FileHandle MemoryFileSystem::OpenForReading(const Text& path) {
    if (files.count(path) == 0) {
        return Failed(u"No such file or directory");
    }
    open_[next_] = Open{path, 0};
    return next_++;
}

NewFile MemoryFileSystem::CreateBeside(const Text& path) {
    const Text created = path + u".new";
    if (refuseCreate || files.count(created) != 0) {
        return NewFile{Failed(refuseCreate ? u"Permission denied" : u"File exists"), Text()};
    }
    files[created].clear();
    open_[next_] = Open{created, 0};
    return NewFile{next_++, created};
}

bool MemoryFileSystem::Replace(const Text& from, const Text& to) {
    if (refuseReplace || files.count(from) == 0) {
        Failed(refuseReplace ? u"Permission denied" : u"No such file or directory");
        return false;
    }
    files[to] = std::move(files[from]);
    files.erase(from);
    return true;
}

bool MemoryFileSystem::Remove(const Text& path) {
    if (files.erase(path) == 0) {
        Failed(u"No such file or directory");
        return false;
    }
    return true;
}

int64_t MemoryFileSystem::NextChunk(int64_t n) {
    if (readChunks.empty()) {
        return n;
    }
    const int64_t chunk = readChunks[nextChunk_++ % readChunks.size()];
    return chunk == 0 ? n : std::min(n, chunk);
}

int64_t MemoryFileSystem::Read(FileHandle file, char* into, int64_t n) {
    if (outOfMemoryOnRead) {
        throw std::bad_alloc();
    }
    Open& open = Find(file);
    if (n < 0 || (failReadAfter >= 0 && open.position >= failReadAfter)) {
        return Failed(u"Input/output error");
    }
    const std::string& content = files.at(open.path);
    const int64_t left = static_cast<int64_t>(content.size()) - open.position;
    const int64_t got = std::max<int64_t>(0, std::min(NextChunk(n), left));
    content.copy(into, static_cast<size_t>(got), static_cast<size_t>(open.position));
    open.position += got;
    return got;
}

int64_t MemoryFileSystem::Write(FileHandle file, const char* bytes, int64_t n) {
    if (outOfMemoryOnWrite) {
        throw std::bad_alloc();
    }
    Open& open = Find(file);
    if (n < 0) {
        return Failed(u"Invalid argument");
    }
    if (writeLimit >= 0 && open.position + n > writeLimit) {
        return Failed(u"No space left on device");
    }
    std::string& content = files.at(open.path);
    const auto at = static_cast<size_t>(open.position);
    content.resize(std::max(content.size(), at + static_cast<size_t>(n)));
    content.replace(at, static_cast<size_t>(n), bytes, static_cast<size_t>(n));
    open.position += n;
    return n;
}

bool MemoryFileSystem::Seek(FileHandle file, int64_t delta) {
    Open& open = Find(file);
    if (open.position + delta < 0) {
        Failed(u"Invalid argument");
        return false;
    }
    open.position += delta;
    return true;
}

bool MemoryFileSystem::Close(FileHandle file) {
    const bool fails = Find(file).path == failCloseOf;
    open_.erase(file);
    if (fails) {
        Failed(u"Input/output error");
    }
    return !fails;
}

int64_t MemoryFileSystem::Failed(const char16_t* error) {
    lastError_ = error;
    return -1;
}

}  // namespace vex::test
