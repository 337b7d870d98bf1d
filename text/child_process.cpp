#include "text/child_process.h"

#include <algorithm>
#include <utility>

#include "text/child_process_platform.h"

namespace vex {

void OutputTail::Add(const char* bytes, size_t n) {
    bytes_.append(bytes, n);
    // Dropping the front only once it holds twice what is kept makes each byte's drop cost
    // constant on average, however small the pieces come.
    if (bytes_.size() > 2 * kept_) {
        bytes_.erase(0, bytes_.size() - kept_);
    }
}

std::string OutputTail::Take() {
    if (bytes_.size() > kept_) {
        bytes_.erase(0, bytes_.size() - kept_);
    }
    return std::move(bytes_);
}

Text FindOnPath(TextView name) {
    const Text path = PathVariable();
    const Text file = ProgramFileName(name);
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find(PathListSeparator, start), path.size());
        Text folder = path.substr(start, end - start);
        start = end + 1;
        if (!IsFullPath(folder)) {
            continue;
        }
        if (FolderSeparators.find(folder.back()) == TextView::npos) {
            folder += PathSeparator;
        }
        if (IsProgramFile(folder + file)) {
            return folder + file;
        }
    }
    return Text();
}

}  // namespace vex
