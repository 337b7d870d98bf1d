// The file layer on Windows: CreateFileW, ReadFile, WriteFile, SetFilePointer, FlushFileBuffers
// and CloseHandle; MoveFileExW and DeleteFileW. Files are reached by their paths, in a folder held
// open so that it cannot be renamed or replaced meanwhile.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "text/file_system.h"
#include "text/windows/wide.h"

namespace vex {

const TextView FolderSeparators = u"\\/:";

namespace {

HANDLE AsHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(file));
}

FileHandle AsFileHandle(HANDLE handle) {
    return static_cast<FileHandle>(reinterpret_cast<intptr_t>(handle));
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

// The folder a path names, as CreateFileW opens it: the current folder for the empty path, and the
// current folder of a drive for "C:".
Text FolderToOpen(const Text& path) {
    return path.empty() || path.back() == u':' ? path + u"." : path;
}

class Win32FileSystem final : public FileSystem {
  public:
    FileHandle OpenFolder(const Text& path) override {
        // Without FILE_SHARE_DELETE: while the folder is held, nobody can rename it away or
        // remove it and put another in its place, so a file reached by its path below is in it.
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        HANDLE handle = CreateFileW(Wide(FolderToOpen(path)), GENERIC_READ, share, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        return handle == INVALID_HANDLE_VALUE ? Fail() : AsFileHandle(handle);
    }

    FileHandle OpenForReading(const Folder& folder, const Text& name) override {
        return Open(folder.path + name, GENERIC_READ, OPEN_EXISTING);
    }

    FileHandle CreateNew(const Folder& folder, const Text& name, bool& taken) override {
        // CREATE_NEW: the name must be free, so nothing planted there is opened or followed.
        const FileHandle handle =
            Open(folder.path + name, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
        taken = handle == NoFileHandle &&
                (lastError_ == ERROR_FILE_EXISTS || lastError_ == ERROR_ALREADY_EXISTS);
        return handle;
    }

    bool Replace(const Folder& folder, const Text& from, const Text& to) override {
        const Text target = folder.path + to;
        lastError_ = RefusalToReplace(target);
        // MOVEFILE_WRITE_THROUGH: the move is on the disk when the call returns, which is what
        // syncing the folder does on POSIX.
        const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
        if (lastError_ == NO_ERROR && MoveFileExW(Wide(folder.path + from), Wide(target), flags)) {
            return true;
        }
        if (lastError_ == NO_ERROR) {
            Fail();
        }
        return false;
    }

    bool MoveWithoutReplacing(const Folder& folder, const Text& from, const Text& to,
                              bool& taken) override {
        const Text target = folder.path + to;
        // Without MOVEFILE_REPLACE_EXISTING the move fails wherever something stands at `to`;
        // MOVEFILE_WRITE_THROUGH as for Replace.
        taken = false;
        if (MoveFileExW(Wide(folder.path + from), Wide(target), MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        Fail();
        // A folder there is refused with other words than a file.
        taken = lastError_ == ERROR_ALREADY_EXISTS || lastError_ == ERROR_FILE_EXISTS ||
                GetFileAttributesW(Wide(target)) != INVALID_FILE_ATTRIBUTES;
        return false;
    }

    bool Remove(const Folder& folder, const Text& name) override {
        return DeleteFileW(Wide(folder.path + name)) != 0 || Fail() == 0;
    }

    bool SameFile(const Folder& folder, const Text& a, const Text& b) override {
        FileIdentity first;
        FileIdentity second;
        return IdentityOf(folder.path + a, first) && IdentityOf(folder.path + b, second) &&
               first.volume == second.volume && first.indexHigh == second.indexHigh &&
               first.indexLow == second.indexLow;
    }

    int64_t Read(FileHandle file, char* into, int64_t n) override {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<int64_t>(n, MAXDWORD));
        if (ReadFile(AsHandle(file), into, wanted, &got, nullptr) == 0) {
            return Fail();
        }
        return got;
    }

    int64_t WriteSome(FileHandle file, const char* bytes, int64_t n) override {
        const DWORD piece = static_cast<DWORD>(std::min<int64_t>(n, 1 << 30));
        DWORD put = 0;
        if (WriteFile(AsHandle(file), bytes, piece, &put, nullptr) == 0) {
            return Fail();
        }
        if (put == 0) {
            lastError_ = ERROR_DISK_FULL;
            return -1;
        }
        return put;
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

    bool Sync(FileHandle file) override {
        return FlushFileBuffers(AsHandle(file)) != 0 || Fail() == 0;
    }

    // Replace moved the file through to the disk already (MOVEFILE_WRITE_THROUGH).
    bool SyncFolder(const Folder& /*folder*/) override { return true; }

    bool Close(FileHandle file) override { return CloseHandle(AsHandle(file)) != 0 || Fail() == 0; }

    Text LastError() override { return MessageFor(lastError_); }

  private:
    // NO_ERROR when a file may be moved to `to`. MoveFileExW refuses a folder there, and a file
    // another program holds open; Windows refuses a read-only file as well, but Wine run by root
    // replaces it, so that refusal is made here, in Windows' words.
    static DWORD RefusalToReplace(const Text& to) {
        const DWORD attributes = GetFileAttributesW(Wide(to));
        const bool readOnly =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        return readOnly ? ERROR_ACCESS_DENIED : NO_ERROR;
    }

    // Shared with nobody: nobody else can open the file while it is open here, and the open fails
    // while somebody else holds it.
    FileHandle Open(const Text& path, DWORD access, DWORD disposition) {
        HANDLE handle = CreateFileW(Wide(path), access, 0, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
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
