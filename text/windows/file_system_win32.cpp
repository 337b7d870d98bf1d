// The file layer on Windows: CreateFileW, ReadFile, WriteFile, SetFilePointer and CloseHandle;
// MoveFileExW and DeleteFileW.
// Files are opened with share mode 0, so nobody else can open a file while it is open here and an
// open fails while somebody else holds the file.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "text/file_system.h"
#include "text/windows/wide.h"

namespace vex {

namespace {

HANDLE AsHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(file));
}

FileHandle AsFileHandle(HANDLE handle) {
    return static_cast<FileHandle>(reinterpret_cast<intptr_t>(handle));
}

// A path Windows would cut at an embedded zero names another file than the one meant.
bool IsUsablePath(const Text& path) {
    return !path.empty() && path.find(u'\0') == Text::npos;
}

// The system's message for an error, without its closing period and line end.
Text MessageFor(DWORD error) {
    wchar_t* message = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length =
        FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    Text text(reinterpret_cast<const char16_t*>(message), length);
    LocalFree(message);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ' ||
                             text.back() == u'.')) {
        text.pop_back();
    }
    return text.empty() ? u"Windows error " + DecimalText(error) : text;
}

// Volume and file index: the identity of a file however its path is spelled.
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
};

bool IdentityOf(const Text& path, FileIdentity& identity) {
    if (!IsUsablePath(path)) {
        return false;
    }
    // No access is asked for and everything is shared, so this works even on a file held open.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = CreateFileW(Wide(path), 0, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return known;
}

class Win32FileSystem final : public FileSystem {
  public:
    FileHandle OpenForReading(const Text& path) override {
        return Open(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    }

    NewFile CreateBeside(const Text& path) override {
        const size_t separator = path.find_last_of(u"\\/:");
        const Text folder = separator == Text::npos ? Text() : path.substr(0, separator + 1);
        lastError_ = ERROR_INVALID_NAME;
        for (int attempt = 0; IsUsablePath(path) && attempt < NameAttempts; ++attempt) {
            Text created = folder + NewFileName();
            // CREATE_NEW: the name must be free, so nothing planted there is opened or followed.
            const FileHandle handle =
                Open(created, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
            if (handle != NoFileHandle) {
                return NewFile{handle, std::move(created)};
            }
            if (lastError_ != ERROR_FILE_EXISTS && lastError_ != ERROR_ALREADY_EXISTS) {
                break;
            }
        }
        return NewFile{};
    }

    bool Replace(const Text& from, const Text& to) override {
        lastError_ = RefusalToReplace(from, to);
        if (lastError_ == NO_ERROR &&
            MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING) != 0) {
            return true;
        }
        if (lastError_ == NO_ERROR) {
            Fail();
        }
        return false;
    }

    bool Remove(const Text& path) override {
        if (!IsUsablePath(path)) {
            lastError_ = ERROR_INVALID_NAME;
            return false;
        }
        if (DeleteFileW(Wide(path)) != 0) {
            return true;
        }
        Fail();
        return false;
    }

    int64_t Read(FileHandle file, char* into, int64_t n) override {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<int64_t>(n, MAXDWORD));
        if (ReadFile(AsHandle(file), into, wanted, &got, nullptr) == 0) {
            return Fail();
        }
        return got;
    }

    int64_t Write(FileHandle file, const char* bytes, int64_t n) override {
        int64_t written = 0;
        while (written < n) {
            const DWORD piece = static_cast<DWORD>(std::min<int64_t>(n - written, 1 << 30));
            DWORD put = 0;
            if (WriteFile(AsHandle(file), bytes + written, piece, &put, nullptr) == 0) {
                Fail();
                break;
            }
            if (put == 0) {
                lastError_ = ERROR_DISK_FULL;
                break;
            }
            written += put;
        }
        return written;
    }

    bool Seek(FileHandle file, int64_t delta) override {
        // A pipe has no position to move; Windows leaves the outcome of trying undefined.
        if (GetFileType(AsHandle(file)) != FILE_TYPE_DISK) {
            SetLastError(ERROR_SEEK_ON_DEVICE);
            Fail();
            return false;
        }
        LONG high = static_cast<LONG>(delta >> 32);
        const LONG low = static_cast<LONG>(delta & 0xFFFFFFFF);
        SetLastError(NO_ERROR);
        const DWORD moved = SetFilePointer(AsHandle(file), low, &high, FILE_CURRENT);
        if (moved == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
            Fail();
            return false;
        }
        return true;
    }

    bool Close(FileHandle file) override {
        if (CloseHandle(AsHandle(file)) != 0) {
            return true;
        }
        Fail();
        return false;
    }

    Text LastError() override { return MessageFor(lastError_); }

    bool SameFile(const Text& a, const Text& b) override {
        FileIdentity first;
        FileIdentity second;
        return IdentityOf(a, first) && IdentityOf(b, second) && first.volume == second.volume &&
               first.indexHigh == second.indexHigh && first.indexLow == second.indexLow;
    }

  private:
    // Names tried for a new file before giving up; another process would have to hit one random
    // name after another.
    static constexpr int NameAttempts = 100;

    // NO_ERROR when the file `from` may be moved to `to`. MoveFileExW refuses a folder there, and
    // a file another program holds open; Windows refuses a read-only file as well, but Wine run
    // by root replaces it, so that refusal is made here, in Windows' words.
    static DWORD RefusalToReplace(const Text& from, const Text& to) {
        if (!IsUsablePath(from) || !IsUsablePath(to)) {
            return ERROR_INVALID_NAME;
        }
        const DWORD attributes = GetFileAttributesW(Wide(to));
        const bool readOnly =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        return readOnly ? ERROR_ACCESS_DENIED : NO_ERROR;
    }

    FileHandle Open(const Text& path, DWORD access, DWORD disposition, DWORD attributes) {
        if (!IsUsablePath(path)) {
            lastError_ = ERROR_INVALID_NAME;
            return NoFileHandle;
        }
        HANDLE handle =
            CreateFileW(Wide(path), access, 0, nullptr, disposition, attributes, nullptr);
        if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
            return Fail();
        }
        return AsFileHandle(handle);
    }

    // Remembers the system's error and gives the failure result of every call: -1.
    int Fail() {
        lastError_ = GetLastError();
        return -1;
    }

    DWORD lastError_ = NO_ERROR;
};

}  // namespace

FileSystem& NativeFileSystem() {
    static Win32FileSystem native;
    return native;
}

}  // namespace vex
