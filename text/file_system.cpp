#include "text/file_system.h"

#include <cstdint>
#include <random>

namespace vex {

namespace {

FileSystem*& Current() {
    static FileSystem* current = nullptr;
    return current;
}

}  // namespace

Text NewFileName() {
    static std::random_device source;
    const uint64_t bits = (uint64_t{source()} << 32) | source();
    Text name = u".vexlorin-";
    for (int shift = 60; shift >= 0; shift -= 4) {
        name += u"0123456789abcdef"[(bits >> shift) & 15];
    }
    return name + u".tmp";
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
