// The file layer on POSIX systems: a folder opened once, the files in it reached through it with
// openat, renameat, renameat2 and unlinkat; read, write, lseek, fsync and close.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "text/file_system.h"

namespace vex {

const TextView FolderSeparators = u"/";

namespace {

// The failure of a path that names something other than a file or a folder; no errno value.
constexpr int NotRegularFile = -1;

int Descriptor(FileHandle file) {
    return static_cast<int>(file);
}

class PosixFileSystem final : public FileSystem {
  public:
    FileHandle OpenFolder(const Text& path) override {
        const std::string native = path.empty() ? std::string(".") : ToUtf8(path);
        int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 && errno == EACCES) {
            // A folder that may be entered and written to but not read (a drop box) is held
            // without reading it; see SyncFolder.
            fd = ::open(native.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        }
        return fd >= 0 ? fd : Fail(errno);
    }

    FileHandle OpenForReading(const Folder& folder, const Text& name) override {
        const int fd = OpenAt(folder, name, O_RDONLY);
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

    FileHandle CreateNew(const Folder& folder, const Text& name, bool& taken) override {
        // O_EXCL: the name must be free, so nothing planted there is opened or followed.
        const int fd = OpenAt(folder, name, O_RDWR | O_CREAT | O_EXCL);
        taken = fd < 0 && errno == EEXIST;
        return fd >= 0 ? fd : Fail(errno);
    }

    bool Replace(const Folder& folder, const Text& from, const Text& to) override {
        const int at = Descriptor(folder.handle);
        const int refused = RefusalToReplace(at, ToUtf8(to));
        if (refused == 0 && ::renameat(at, ToUtf8(from).c_str(), at, ToUtf8(to).c_str()) == 0) {
            return true;
        }
        return Failed(refused != 0 ? refused : errno);
    }

    bool MoveWithoutReplacing(const Folder& folder, const Text& from, const Text& to,
                              bool& taken) override {
        const int at = Descriptor(folder.handle);
        const std::string source = ToUtf8(from);
        const std::string target = ToUtf8(to);
        int result = ::renameat2(at, source.c_str(), at, target.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system that cannot rename without replacing (some network ones): a second
            // name for the file, which fails where anything stands, then the first one removed.
            result = ::linkat(at, source.c_str(), at, target.c_str(), 0);
            if (result == 0) {
                ::unlinkat(at, source.c_str(), 0);
                return true;
            }
        }
        taken = result != 0 && errno == EEXIST;
        return result == 0 || Failed(errno);
    }

    bool Remove(const Folder& folder, const Text& name) override {
        return ::unlinkat(Descriptor(folder.handle), ToUtf8(name).c_str(), 0) == 0 || Failed(errno);
    }

    bool SameFile(const Folder& folder, const Text& a, const Text& b) override {
        struct stat first {};
        struct stat second {};
        const int at = Descriptor(folder.handle);
        return ::fstatat(at, ToUtf8(a).c_str(), &first, 0) == 0 &&
               ::fstatat(at, ToUtf8(b).c_str(), &second, 0) == 0 && first.st_dev == second.st_dev &&
               first.st_ino == second.st_ino;
    }

    int64_t Read(FileHandle file, char* into, int64_t n) override {
        ssize_t got = 0;
        do {
            got = ::read(Descriptor(file), into, static_cast<size_t>(n));
        } while (got < 0 && errno == EINTR);
        return got >= 0 ? got : Fail(errno);
    }

    int64_t WriteSome(FileHandle file, const char* bytes, int64_t n) override {
        ssize_t put = 0;
        do {
            put = ::write(Descriptor(file), bytes, static_cast<size_t>(n));
        } while (put < 0 && errno == EINTR);
        return put > 0 ? put : Fail(put < 0 ? errno : EIO);
    }

    bool Seek(FileHandle file, int64_t delta) override {
        return ::lseek(Descriptor(file), delta, SEEK_CUR) >= 0 || Failed(errno);
    }

    bool Sync(FileHandle file) override { return ::fsync(Descriptor(file)) == 0 || Failed(errno); }

    bool SyncFolder(const Folder& folder) override {
        // A folder held without reading it cannot be synced (fsync refuses such a descriptor):
        // its names reach the disk with the file system's next commit, seconds later.
        const int fd = Descriptor(folder.handle);
        const int flags = ::fcntl(fd, F_GETFL);
        return (flags >= 0 && (flags & O_PATH) != 0) || ::fsync(fd) == 0 || Failed(errno);
    }

    bool Close(FileHandle file) override {
        // The descriptor is gone after close even when it reports an error, so never retry.
        return ::close(Descriptor(file)) == 0 || Failed(errno);
    }

    Text LastError() override {
        return lastError_ == NotRegularFile ? Text(u"not a regular file")
                                            : FromUtf8(std::strerror(lastError_));
    }

  private:
    static int OpenAt(const Folder& folder, const Text& name, int flags) {
        // Without O_NONBLOCK the open of a named pipe would wait for a process at its other end,
        // maybe for ever. Reads and writes wait as usual once the file is open.
        const int fd = ::openat(Descriptor(folder.handle), ToUtf8(name).c_str(),
                                flags | O_CLOEXEC | O_NONBLOCK, 0666);
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
    static int RefusalToReplace(int at, const std::string& to) {
        struct stat info {};
        if (::fstatat(at, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
            return 0;
        }
        return ::faccessat(at, to.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
    }

    // Remembers the error and gives the failure result of every call: -1, or false.
    int Fail(int error) {
        lastError_ = error;
        return -1;
    }
    bool Failed(int error) { return Fail(error) == 0; }

    int lastError_ = 0;
};

}  // namespace

FileSystem& NativeFileSystem() {
    static PosixFileSystem native;
    return native;
}

}  // namespace vex
