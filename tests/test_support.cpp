#include "tests/test_support.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vex::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() /
            ("vexlorin-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

Text TempFolder::TextPath(const std::string& name) const {
    return PathText(path_ / name);
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Text PathText(const fs::path& path) {
    const auto native = path.u16string();
    return Text(native.begin(), native.end());
}

fs::path FixturePath(const std::string& name) {
    return fs::path(VEXLORIN_FIXTURES) / name;
}

}  // namespace vex::test

namespace vex::test {

FileHandle MemoryFileSystem::OpenForReading(const Text& path) {
    if (files.count(path) == 0) {
        lastError_ = u"No such file or directory";
        return NoFileHandle;
    }
    open_[next_] = Open{path, 0};
    return next_++;
}

FileHandle MemoryFileSystem::CreateForWriting(const Text& path) {
    files[path].clear();
    open_[next_] = Open{path, 0};
    return next_++;
}

int64_t MemoryFileSystem::Read(FileHandle file, char* into, int64_t n) {
    Open& open = open_.at(file);
    if (failReadAfter >= 0 && open.position >= failReadAfter) {
        lastError_ = u"Input/output error";
        return -1;
    }
    const std::string& content = files.at(open.path);
    const int64_t left = static_cast<int64_t>(content.size()) - open.position;
    const int64_t got = std::max<int64_t>(0, std::min({n, readChunk, left}));
    content.copy(into, static_cast<size_t>(got), static_cast<size_t>(open.position));
    open.position += got;
    return got;
}

int64_t MemoryFileSystem::Write(FileHandle file, const char* bytes, int64_t n) {
    Open& open = open_.at(file);
    std::string& content = files.at(open.path);
    int64_t allowed = n;
    if (writeLimit >= 0) {
        allowed = std::max<int64_t>(0, std::min(n, writeLimit - open.position));
        lastError_ = u"No space left on device";
    }
    content.replace(static_cast<size_t>(open.position), static_cast<size_t>(allowed), bytes,
                    static_cast<size_t>(allowed));
    open.position += allowed;
    return allowed;
}

bool MemoryFileSystem::Seek(FileHandle file, int64_t delta) {
    open_.at(file).position += delta;
    return true;
}

bool MemoryFileSystem::Close(FileHandle file) {
    open_.erase(file);
    if (failClose) {
        lastError_ = u"Input/output error";
    }
    return !failClose;
}

}  // namespace vex::test
