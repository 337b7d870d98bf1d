// The file layer on POSIX systems: open, read, write, lseek and close; rename and unlink.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "text/file_system.h"

namespace vex {

namespace {

// The failure of a path that names something other than a file or a folder; no errno value.
constexpr int NotRegularFile = -1;

class PosixFileSystem final : public FileSystem {
  public:
    FileHandle OpenForReading(const Text& path) override {
        const int fd = OpenPath(path, O_RDONLY);
        if (fd < 0) {
            return Fail(errno);
        }
        // A folder opens on Linux but cannot be read, and a pipe or a device may never end; only
        // a regular file is read, as on Windows.
        const int refused = RefusalOf(fd);
        if (refused != 0) {
            ::close(fd);
            return Fail(refused);
        }
        return fd;
    }

    NewFile CreateBeside(const Text& path) override {
        const size_t slash = path.rfind(u'/');
        const Text folder = slash == Text::npos ? Text() : path.substr(0, slash + 1);
        int error = ENOENT;
        for (int attempt = 0; IsUsable(path) && attempt < NameAttempts; ++attempt) {
            Text created = folder + NewFileName();
            // O_EXCL: the name must be free, so nothing planted there is opened or followed.
            const int fd = OpenPath(created, O_RDWR | O_CREAT | O_EXCL);
            if (fd >= 0) {
                return NewFile{fd, std::move(created)};
            }
            error = errno;
            if (error != EEXIST) {
                break;
            }
        }
        return NewFile{Fail(error), Text()};
    }

    bool Replace(const Text& from, const Text& to) override {
        const int refused = IsUsable(from) && IsUsable(to) ? RefusalToReplace(to) : ENOENT;
        if (refused == 0 && ::rename(ToUtf8(from).c_str(), ToUtf8(to).c_str()) == 0) {
            return true;
        }
        Fail(refused != 0 ? refused : errno);
        return false;
    }

    bool Remove(const Text& path) override {
        if (IsUsable(path) && ::unlink(ToUtf8(path).c_str()) == 0) {
            return true;
        }
        Fail(IsUsable(path) ? errno : ENOENT);
        return false;
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

    Text LastError() override {
        return lastError_ == NotRegularFile ? Text(u"not a regular file")
                                            : FromUtf8(std::strerror(lastError_));
    }

    bool SameFile(const Text& a, const Text& b) override {
        struct stat first {};
        struct stat second {};
        return ::stat(ToUtf8(a).c_str(), &first) == 0 && ::stat(ToUtf8(b).c_str(), &second) == 0 &&
               first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }

  private:
    // Names tried for a new file before giving up; another process would have to hit one random
    // name after another.
    static constexpr int NameAttempts = 100;

    // A path the system would cut at an embedded zero names another file than the one meant.
    static bool IsUsable(const Text& path) {
        return !path.empty() && path.find(u'\0') == Text::npos;
    }

    static int OpenPath(const Text& path, int flags) {
        if (!IsUsable(path)) {
            errno = ENOENT;
            return -1;
        }
        // Without O_NONBLOCK the open of a named pipe would wait for a process at its other end,
        // maybe for ever. Reads and writes wait as usual once the file is open.
        const int fd = ::open(ToUtf8(path).c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        }
        return fd;
    }

    // 0 for a regular file, else the error that refuses it.
    static int RefusalOf(int fd) {
        struct stat info {};
        if (::fstat(fd, &info) != 0) {
            return errno;
        }
        if (S_ISREG(info.st_mode)) {
            return 0;
        }
        return S_ISDIR(info.st_mode) ? EISDIR : NotRegularFile;
    }

    // 0 when a file may be put in the place of `to`: nothing stands there, or a link, a pipe or
    // a file this process may write to. rename would replace a read-only file too, which writing
    // to it would not: that one stays, with the error writing would meet, as it does on Windows.
    static int RefusalToReplace(const Text& to) {
        const std::string native = ToUtf8(to);
        struct stat info {};
        if (::lstat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            return 0;
        }
        return ::faccessat(AT_FDCWD, native.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
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
