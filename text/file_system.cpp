#include "text/file_system.h"

namespace vex {

namespace {

FileSystem*& Current() {
    static FileSystem* current = nullptr;
    return current;
}

}  // namespace

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
