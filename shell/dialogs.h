// The user's two contacts with the program: the open-file dialog and the message box. Each
// platform has its own backend (Win32, GTK, terminal); CMake picks which are built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "conversion/conversion.h"
#include "text/text.h"

namespace vex {

// --- What the user sees of a conversion ----------------------------------------------------------

// The open dialog of a start without files.
inline constexpr char16_t DialogTitle[] = u"open x3d file";
inline constexpr char16_t DefaultInputFile[] = u"C:\\file.x3d";
inline constexpr char16_t InputPattern[] = u"x3d (*.x3d)|*.x3d";

// The message box's captions, and the words of the cancel note.
inline constexpr char16_t InfoCaption[] = u"Info:";
inline constexpr char16_t CanceledText[] = u"canceled";
inline constexpr char16_t SummaryCaption[] = u"Vexlorin 0.5  quillbrace 3.10.23";

// A message as the user is shown it: the cancel note as CanceledText under InfoCaption; a
// summary or a failure in the conversion's words, under SummaryCaption.
struct ShownMessage {
    Text caption;
    Text text;
};
ShownMessage Shown(const Message& message);

// --- The dialogs ---------------------------------------------------------------------------------

// Prepares the dialogs once, before the first of them (on Windows: the common controls and COM).
// True when they are windows, false when they fall back to the terminal (no display).
bool PrepareDialogs();

// Shows the open-file dialog. The pattern holds description/pattern pairs separated by vertical
// bars; the pair at patternPosition (0-based) is selected. The default file proposes the first
// folder and file name. The full path of the chosen file, or the empty text when the user cancels
// or closes the dialog or the dialog fails.
Text ChooseInputFile(const Text& title, const std::optional<Text>& defaultFile,
                     const std::optional<Text>& pattern, int32_t patternPosition);

// Shows a modal message box with the given flags (0: one OK button, no icon; the Linux boxes know
// no other) and returns the id of the button pressed: 1 for OK, 0 when the box could not be shown.
int ShowMessage(const Text& caption, const Text& text, uint32_t flags);

// --- Pure parts, shared by the backends and tested on every platform -------------------------

// The file dialog's name buffer in UTF-16 units, terminator included (MAX_PATH). The proposed name
// is cut to fit it and the dialog is told its size from this one value: were the two to differ,
// the dialog could write past the buffer.
inline constexpr size_t FileNameBufferUnits = 260;

// The pattern with every vertical bar replaced by U+0000, followed by three U+0000: the
// zero-separated, doubly zero-terminated list the Windows dialog reads. Parts are taken as they
// stand; an absent pattern counts as empty.
std::u16string BuildFilterList(const std::optional<Text>& pattern);

struct FilterPair {
    Text description;
    Text pattern;
    bool operator==(const FilterPair&) const = default;
};

// The description/pattern pairs of a bar-separated pattern, in order. A final description without
// a pattern gets the empty pattern.
std::vector<FilterPair> FilterPairs(const std::optional<Text>& pattern);

struct DefaultFileSplit {
    Text initialDirectory;  // empty when the default file has no usable backslash
    Text proposedName;      // fits the name buffer; empty when not a valid file name
};

// Splits the default file at its last backslash (a slash is not a separator here). A backslash at
// the first position does not split: the whole text is then the proposed name, which the
// backslash makes invalid. "C:\file.x3d" gives "C:" and "file.x3d".
DefaultFileSplit SplitDefaultFile(const Text& defaultFile);

// False for an absent or empty name, and for one holding a unit below U+0020 or any of
// " * / : < > ? \ |. True otherwise.
bool IsValidFileName(const std::optional<Text>& name);

}  // namespace vex
