// What the GTK dialogs are told, decided without GTK and without a display, so it can be tested
// anywhere: where the file chooser starts, which globs stand for a Windows file pattern, and how a
// text is made fit for a GTK label.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace vex {

// Where the file chooser opens, in file-system bytes (the bytes of Linux paths, as FromUtf8 and
// ToUtf8 carry them).
struct ChooserStart {
    std::string folder;        // absolute; empty: no default file, GTK chooses
    std::string proposedFile;  // absolute path of the proposed file when it exists, else empty
};

// The start for a default file, split at its last backslash as on Windows: the folder part when it
// names an existing folder, the current folder otherwise ("C:\file.x3d" opens in the current
// folder, as no folder "C:" exists here). An open dialog has no name field to fill, so the
// proposed name is offered by selecting that file, which is possible only when it exists.
ChooserStart ChooserStartFor(const std::optional<Text>& defaultFile);

// The globs GTK matches for one Windows pattern: one per part between semicolons, spaces around a
// part dropped, letters matched in either case as Windows does ("*.x3d" gives "*.[xX]3[dD]"), and
// "*.*" for every file. An empty pattern gives no glob.
std::vector<std::string> GlobsFor(const Text& pattern);

// The text as valid UTF-8 for a label or a title: characters that stand for bytes of a file name
// that were not UTF-8 (lone surrogates) are shown as U+FFFD.
std::string DisplayUtf8(const Text& text);

}  // namespace vex
