// Line files: the table of open files and their ids, and opening, creating and closing them.
#include "text/line_file.h"

#include <algorithm>
#include <list>
#include <memory>
#include <utility>

#include "text/line_file_record.h"

namespace vex {

namespace detail {

namespace {

// Open records, newest first. The id of a file is the address of its record, which a list keeps
// in place until the record is removed.
std::list<LineFileRecord>& LineFileTable() {
    static std::list<LineFileRecord> table;
    return table;
}

// The record FindLineFile found last, until it is closed.
LineFileRecord* lastFound = nullptr;

Text& LastError() {
    static Text lastError;
    return lastError;
}

// The file layer's failure, or the one of a path it was not given.
bool Usable(const Text& path) {
    if (!IsUsablePath(path)) {
        LastError() = UnusablePath;
        return false;
    }
    return true;
}

LineFileId Register(FileHandle handle, bool readOnly) {
    if (handle == NoFileHandle || handle == 0) {
        LastError() = CurrentFileSystem().LastError();
        return 0;
    }
    LineFileRecord& record = LineFileTable().emplace_front();
    record.handle = handle;
    record.readOnly = readOnly;
    record.mayBeCompressed = readOnly;
    return record.Id();
}

}  // namespace

LineFileRecord* FindLineFile(LineFileId id) {
    // A scan asks for the same file line after line: the record found last is looked at first.
    if (lastFound != nullptr && lastFound->Id() == id) {
        return lastFound;
    }
    for (LineFileRecord& record : LineFileTable()) {
        if (record.Id() == id) {
            return lastFound = &record;
        }
    }
    return nullptr;
}

void NoteFailure(LineFileRecord& record, const Text& reason) {
    record.failed = true;
    LastError() = reason;
}

void NoteFailure(LineFileRecord& record) {
    NoteFailure(record, CurrentFileSystem().LastError());
}

// A format the file does not offer: remembered as a failure, in words that say which.
void Refuse(LineFileRecord& record, int32_t format) {
    record.failed = true;
    Text& words = LastError();
    words = u"text format ";
    words += DecimalText(format);
    words += u" is not offered";
}

}  // namespace detail

using namespace detail;

LineFolder::LineFolder(const Text& path) {
    if (Usable(path)) {
        folder_.path = SplitPath(path).folder;
        folder_.handle = CurrentFileSystem().OpenFolder(folder_.path);
        if (folder_.handle == NoFileHandle) {
            LastError() = CurrentFileSystem().LastError();
        }
    }
}

LineFolder::~LineFolder() {
    if (IsOpen()) {
        CurrentFileSystem().Close(folder_.handle);
    }
}

bool LineFolder::Sync() {
    if (CurrentFileSystem().SyncFolder(folder_)) {
        return true;
    }
    LastError() = CurrentFileSystem().LastError();
    return false;
}

bool LineFolder::SameFile(const Text& a, const Text& b) const {
    return IsOpen() && IsUsablePath(a) && IsUsablePath(b) &&
           CurrentFileSystem().SameFile(folder_, a, b);
}

LineFileId OpenLineFile(LineFileId id, const LineFolder& folder, const Text& name) {
    if (id != AutoId || !folder.IsOpen() || !Usable(name)) {
        return 0;
    }
    return Register(CurrentFileSystem().OpenForReading(folder.Held(), name), true);
}

LineFileId OpenLineFile(LineFileId id, const Text& path) {
    const LineFolder folder(path);
    return OpenLineFile(id, folder, SplitPath(path).name);
}

LineFileId CreateLineFile(LineFileId id, const LineFolder& folder, const Text& name,
                          CreateMode mode) {
    if (id != AutoId || !folder.IsOpen() || !Usable(name)) {
        return 0;
    }
    NewFile created = CreateBeside(CurrentFileSystem(), folder.Held());
    const LineFileId made = Register(created.handle, false);
    if (LineFileRecord* record = FindLineFile(made)) {
        record->folder = &folder.Held();
        record->newName = std::move(created.name);
        record->target = name;
        record->newOnly = mode == CreateMode::NewOnly;
    }
    return made;
}

LineFileId CreateLineFile(LineFileId id, const Text& path) {
    auto folder = std::make_unique<LineFolder>(path);
    const LineFileId made = CreateLineFile(id, *folder, SplitPath(path).name);
    if (LineFileRecord* record = FindLineFile(made)) {
        record->ownFolder = std::move(folder);
    }
    return made;
}

CloseResult CloseLineFileResult(LineFileId id) {
    auto& table = LineFileTable();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [id](const LineFileRecord& record) { return record.Id() == id; });
    if (it == table.end()) {
        return CloseResult::Closed;
    }
    FlushToDisk(*it);
    const FileHandle handle = std::exchange(it->handle, NoFileHandle);
    if (!CurrentFileSystem().Close(handle)) {
        NoteFailure(*it);
    }
    if (!it->failed && !it->newName.empty()) {
        MoveIntoPlace(*it);
    }
    const CloseResult result = !it->failed     ? CloseResult::Closed
                               : it->nameTaken ? CloseResult::NameTaken
                                               : CloseResult::Failed;
    if (&*it == lastFound) {
        lastFound = nullptr;
    }
    table.erase(it);
    return result;
}

bool CloseLineFile(LineFileId id) {
    return CloseLineFileResult(id) == CloseResult::Closed;
}

void DropLineFile(LineFileId id) {
    if (LineFileRecord* record = FindLineFile(id)) {
        record->failed = true;
        record->readMode = true;  // nothing pending is written
        CloseLineFile(id);
    }
}

void CloseAllLineFiles() {
    auto& table = LineFileTable();
    while (!table.empty()) {
        CloseLineFile(table.front().Id());
    }
}

Text LastLineFileError() {
    return LastError();
}

}  // namespace vex
