#include "fuzz/memory_file_system.h"

#include <new>

#include <algorithm>
#include <utility>

namespace vex::test {

void MemoryFileSystem::MoveFolder(const Text& from, const Text& to) {
    std::map<Text, std::string> moved;
    for (auto& [path, content] : files) {
        const bool inside = path.rfind(from, 0) == 0;
        moved[inside ? to + path.substr(from.size()) : path] = std::move(content);
    }
    files = std::move(moved);
    for (auto& [handle, path] : folders_) {
        if (path == from) {
            path = to;
        }
    }
}

FileHandle MemoryFileSystem::OpenFolder(const Text& path) {
    const auto link = links.find(path);
    folders_[next_] = link == links.end() ? path : link->second;
    return next_++;
}

FileHandle MemoryFileSystem::OpenForReading(const Folder& folder, const Text& name) {
    const Text path = In(folder, name);
    if (!files.contains(path)) {
        return Failed(u"No such file or directory");
    }
    open_[next_] = Open{path, 0};
    return next_++;
}

FileHandle MemoryFileSystem::CreateNew(const Folder& folder, const Text& name, bool& taken) {
    const Text path = In(folder, name);
    taken = files.contains(path);
    if (refuseCreate || taken) {
        return Failed(refuseCreate ? u"Permission denied" : u"File exists");
    }
    files[path].clear();
    created_[path] = folders_.at(folder.handle);
    open_[next_] = Open{path, 0};
    return next_++;
}

bool MemoryFileSystem::Replace(const Folder& folder, const Text& from, const Text& to) {
    const Text source = In(folder, from);
    if (refuseReplace || !files.contains(source)) {
        Failed(refuseReplace ? u"Permission denied" : u"No such file or directory");
        return false;
    }
    journal.push_back(u"move " + Alias(source) + u" " + In(folder, to));
    files[In(folder, to)] = std::move(files[source]);
    files.erase(source);
    created_.erase(source);
    return true;
}

bool MemoryFileSystem::MoveWithoutReplacing(const Folder& folder, const Text& from, const Text& to,
                                            bool& taken) {
    taken = files.contains(In(folder, to));
    if (taken) {
        Failed(u"File exists");
        return false;
    }
    return Replace(folder, from, to);
}

bool MemoryFileSystem::Remove(const Folder& folder, const Text& name) {
    created_.erase(In(folder, name));
    if (files.erase(In(folder, name)) == 0) {
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

int64_t MemoryFileSystem::WriteSome(FileHandle file, const char* bytes, int64_t n) {
    if (outOfMemoryOnWrite) {
        throw std::bad_alloc();
    }
    Open& open = Find(file);
    if (n <= 0) {
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

bool MemoryFileSystem::Sync(FileHandle file) {
    const Text alias = Alias(Find(file).path);
    journal.push_back(u"sync " + alias);
    return alias != failSyncOf || Failed(u"Input/output error") == 0;
}

bool MemoryFileSystem::SyncFolder(const Folder& folder) {
    journal.push_back(u"sync " + folders_.at(folder.handle));
    return !failFolderSync || Failed(u"Input/output error") == 0;
}

bool MemoryFileSystem::Close(FileHandle file) {
    if (folders_.erase(file) != 0) {
        return true;
    }
    const bool fails = Alias(Find(file).path) == failCloseOf;
    open_.erase(file);
    if (afterClose) {
        afterClose();
    }
    return !fails || Failed(u"Input/output error") == 0;
}

Text MemoryFileSystem::Alias(const Text& path) const {
    const auto created = created_.find(path);
    return created == created_.end() ? path : created->second + u"new";
}

int64_t MemoryFileSystem::Failed(const char16_t* error) {
    lastError_ = error;
    return -1;
}

}  // namespace vex::test
