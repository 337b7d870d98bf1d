// The file layer on POSIX systems: open, read, write, lseek and close.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/file_system.h"

namespace vex {

namespace {

class PosixFileSystem final : public FileSystem {
  public:
    FileHandle OpenForReading(const Text& path) override {
        const int fd = OpenPath(path, O_RDONLY);
        if (fd >= 0 && IsDirectory(fd)) {
            // A folder opens on Linux but cannot be read; refuse it here, as Windows does.
            ::close(fd);
            return Fail(EISDIR);
        }
        return fd >= 0 ? fd : Fail(errno);
    }

    FileHandle CreateForWriting(const Text& path) override {
        int fd = OpenPath(path, O_RDWR | O_CREAT | O_TRUNC);
        if (fd < 0) {
            // A file we may write but not read can still be emptied and written.
            const int firstError = errno;
            fd = OpenPath(path, O_WRONLY | O_TRUNC);
            errno = fd < 0 && errno == ENOENT ? firstError : errno;
        }
        return fd >= 0 ? fd : Fail(errno);
    }

    int64_t Read(FileHandle file, char* into, int64_t n) override {
        ssize_t got = 0;
        do {
            got = ::read(static_cast<int>(file), into, static_cast<size_t>(n));
        } while (got < 0 && errno == EINTR);
        return got >= 0 ? got : Fail(errno);
    }

    int64_t Write(FileHandle file, const char* bytes, int64_t n) override {
        int64_t written = 0;
        while (written < n) {
            const ssize_t put =
                ::write(static_cast<int>(file), bytes + written, static_cast<size_t>(n - written));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                Fail(put < 0 ? errno : EIO);
                break;
            }
            written += put;
        }
        return written;
    }

    bool Seek(FileHandle file, int64_t delta) override {
        if (::lseek(static_cast<int>(file), delta, SEEK_CUR) >= 0) {
            return true;
        }
        Fail(errno);
        return false;
    }

    bool Close(FileHandle file) override {
        // The descriptor is gone after close even when it reports an error, so never retry.
        if (::close(static_cast<int>(file)) == 0) {
            return true;
        }
        Fail(errno);
        return false;
    }

    Text LastError() override { return FromUtf8(std::strerror(lastError_)); }

    bool SameFile(const Text& a, const Text& b) override {
        struct stat first {};
        struct stat second {};
        return ::stat(ToUtf8(a).c_str(), &first) == 0 && ::stat(ToUtf8(b).c_str(), &second) == 0 &&
               first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }

  private:
    static int OpenPath(const Text& path, int flags) {
        if (path.empty() || path.find(u'\0') != Text::npos) {
            errno = ENOENT;
            return -1;
        }
        return ::open(ToUtf8(path).c_str(), flags | O_CLOEXEC, 0666);
    }

    static bool IsDirectory(int fd) {
        struct stat info {};
        return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    }

    // Remembers the error and gives the failure result of every call: -1.
    int Fail(int error) {
        lastError_ = error;
        return -1;
    }

    int lastError_ = 0;
};

}  // namespace

FileSystem& NativeFileSystem() {
    static PosixFileSystem native;
    return native;
}

}  // namespace vex
