// Files held in memory for the tests and the fuzz targets, keyed by their full paths, with faults
// on demand: reads hand out at most as many bytes as the next entry of `readChunks` says (used in a
// cycle, 0 meaning "as many as were asked for"), so a reader meets buffer fills of any size and
// line ends split across them; a read starting at or past `failReadAfter` fails; a write that would
// take a file past `writeLimit` bytes fails and writes nothing (a later, shorter one may still
// fit); the close, or the sync, of the file named `failCloseOf`, or `failSyncOf`, fails; so does a
// folder's sync with `failFolderSync`; creating fails with `refuseCreate`, and replacing (or a move
// that replaces nothing, where nothing stands in the way) with `refuseReplace` (as for a read-only
// file). A created file, whatever the name drawn for it, is
// FOLDER + "new" to those faults and in `journal`, which lists each sync, move and folder sync in
// turn ("sync /m/new", "move /m/new /m/scene.inc", "sync /m/").
//
// Folders are the paths' prefixes up to a separator. An open folder reaches its files by what it
// is, as a system's does: MoveFolder moves the files and the open folders along, and a path in
// `links` (a folder's path, with its last separator) opens the folder it points to instead.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "text/file_system.h"

namespace vex::test {

class MemoryFileSystem final : public FileSystem {
  public:
    std::map<Text, std::string> files;
    std::map<Text, Text> links;
    std::vector<int64_t> readChunks;
    int64_t failReadAfter = -1;  // no failure when negative
    int64_t writeLimit = -1;     // no limit when negative
    Text failCloseOf;
    Text failSyncOf;
    bool failFolderSync = false;
    bool refuseCreate = false;
    bool refuseReplace = false;
    // Reads, or writes, throw std::bad_alloc, as an allocation that fails there would.
    bool outOfMemoryOnRead = false;
    bool outOfMemoryOnWrite = false;
    // Called after each file is closed: another process's turn in the middle of a run.
    std::function<void()> afterClose;
    std::vector<Text> journal;

    // Renames the folder `from` to `to` (both with their last separator), open or not.
    void MoveFolder(const Text& from, const Text& to);

    FileHandle OpenFolder(const Text& path) override;
    FileHandle OpenForReading(const Folder& folder, const Text& name) override;
    FileHandle CreateNew(const Folder& folder, const Text& name, bool& taken) override;
    bool Replace(const Folder& folder, const Text& from, const Text& to) override;
    bool MoveWithoutReplacing(const Folder& folder, const Text& from, const Text& to,
                              bool& taken) override;
    bool Remove(const Folder& folder, const Text& name) override;
    bool SameFile(const Folder& folder, const Text& a, const Text& b) override {
        return a == b && files.contains(In(folder, a));
    }
    int64_t Read(FileHandle file, char* into, int64_t n) override;
    int64_t WriteSome(FileHandle file, const char* bytes, int64_t n) override;
    bool Seek(FileHandle file, int64_t delta) override;
    bool Sync(FileHandle file) override;
    bool SyncFolder(const Folder& folder) override;
    bool Close(FileHandle file) override;
    Text LastError() override { return lastError_; }

  private:
    struct Open {
        Text path;
        int64_t position = 0;
    };

    // The path of a file as the faults and the journal name it.
    Text Alias(const Text& path) const;

    // The open file behind a handle, and the path of a file in an open folder; a handle that is
    // not open is a fault of the caller, and throws (a failed test, a crash for the fuzzer).
    Open& Find(FileHandle file) { return open_.at(file); }
    Text In(const Folder& folder, const Text& name) const {
        return folders_.at(folder.handle) + name;
    }
    int64_t NextChunk(int64_t n);
    int64_t Failed(const char16_t* error);

    std::map<FileHandle, Open> open_;
    std::map<FileHandle, Text> folders_;
    std::map<Text, Text> created_;  // the path of each created file, and its folder
    FileHandle next_ = 3;
    size_t nextChunk_ = 0;
    Text lastError_;
};

}  // namespace vex::test
