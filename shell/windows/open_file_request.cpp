#include "shell/windows/open_file_request.h"

#include <algorithm>

#include "shell/dialogs.h"

namespace vex {

OpenFileRequest MakeOpenFileRequest(const Text& title, const std::optional<Text>& defaultFile,
                                    const std::optional<Text>& pattern, int32_t patternPosition) {
    OpenFileRequest request;
    request.title = title;
    request.filterList = BuildFilterList(pattern);
    request.nameBuffer.assign(FileNameBufferUnits, u'\0');
    if (defaultFile) {
        const DefaultFileSplit split = SplitDefaultFile(*defaultFile);
        std::copy(split.proposedName.begin(), split.proposedName.end(), request.nameBuffer.begin());
        request.initialDirectory = split.initialDirectory;
    }
    // Unsigned, so that the largest position wraps the way the dialog's own DWORD field does.
    request.filterIndex = static_cast<uint32_t>(patternPosition) + 1;
    return request;
}

Text NameInBuffer(const std::vector<char16_t>& nameBuffer) {
    const auto end = std::find(nameBuffer.begin(), nameBuffer.end(), u'\0');
    return Text(nameBuffer.begin(), end);
}

}  // namespace vex
