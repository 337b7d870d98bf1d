// What the Windows open-file dialog is given, worked out without calling Windows so that every
// value can be checked on any platform. The Win32 backend copies it into an OPENFILENAMEW.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "shell/dialogs.h"
#include "text/text.h"

namespace vex {

// The part of OPENFILENAMEW the dialog is told about: the structure without its three trailing
// fields (pvReserved, dwReserved, FlagsEx), which every version of the dialog accepts.
inline constexpr uint32_t OpenFileStructSize = 136;

// OFN_EXPLORER + OFN_PATHMUSTEXIST + OFN_NOCHANGEDIR + OFN_HIDEREADONLY. No OFN_FILEMUSTEXIST (a
// typed name of a file not yet there is returned) and no default extension is ever added.
inline constexpr uint32_t OpenFileFlags = 0x8080C;

struct OpenFileRequest {
    Text title;
    std::u16string filterList;                       // zero-separated, ends in three zeros
    std::vector<char16_t> nameBuffer;                // FileNameBufferUnits units, zero-filled
    std::optional<std::u16string> initialDirectory;  // absent without a default file
    uint32_t filterIndex = 0;                        // the 1-based pair selected at first
};

// The request for ChooseInputFile's arguments: the filter list from the bar-separated pattern,
// the proposed name (cut to 259 units, and left out when it is not a valid file name) and the
// initial directory from the default file split at its last backslash, and the pattern position
// counted from 1.
OpenFileRequest MakeOpenFileRequest(const Text& title, const std::optional<Text>& defaultFile,
                                    const std::optional<Text>& pattern, int32_t patternPosition);

// The text in a name buffer up to its first terminator.
Text NameInBuffer(const std::vector<char16_t>& nameBuffer);

}  // namespace vex
