#include "text/file_system.h"

#include <cstdint>
#include <random>

namespace vex {

namespace {

FileSystem*& Current() {
    static FileSystem* current = nullptr;
    return current;
}

// Names tried for a new file before giving up; another process would have to hit one random name
// after another.
constexpr int NameAttempts = 100;

}  // namespace

PathInFolder SplitPath(const Text& path) {
    const size_t separator = path.find_last_of(FolderSeparators);
    const size_t folderLength = separator == Text::npos ? 0 : separator + 1;
    return PathInFolder{path.substr(0, folderLength), path.substr(folderLength)};
}

bool IsUsablePath(const Text& path) {
    return !path.empty() && path.find(u'\0') == Text::npos;
}

Text NewFileName(TextView ending) {
    static std::random_device source;
    const uint64_t bits = (uint64_t{source()} << 32) | source();
    Text name = u".vexlorin-";
    for (int shift = 60; shift >= 0; shift -= 4) {
        name += u"0123456789abcdef"[(bits >> shift) & 15];
    }
    return name.append(ending);
}

NewFile CreateBeside(FileSystem& files, const Folder& folder, TextView ending) {
    NewFile created;
    bool taken = true;
    for (int attempt = 0; taken && attempt < NameAttempts; ++attempt) {
        created.name = NewFileName(ending);
        created.handle = files.CreateNew(folder, created.name, taken);
        if (created.handle != NoFileHandle) {
            return created;
        }
    }
    return NewFile{};
}

int64_t WriteAll(FileSystem& files, FileHandle file, const char* bytes, int64_t n) {
    int64_t written = 0;
    while (written < n) {
        const int64_t put = files.WriteSome(file, bytes + written, n - written);
        if (put <= 0) {
            break;
        }
        written += put;
    }
    return written;
}

FileSystem& CurrentFileSystem() {
    FileSystem* current = Current();
    return current != nullptr ? *current : NativeFileSystem();
}

ScopedFileSystem::ScopedFileSystem(FileSystem& replacement) : previous_(Current()) {
    Current() = &replacement;
}

ScopedFileSystem::~ScopedFileSystem() {
    Current() = previous_;
}

}  // namespace vex
