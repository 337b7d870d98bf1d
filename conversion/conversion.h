// The conversion: one chosen X3D file in, one POV-Ray include file out, one message to the user.
//
// Nothing here knows about windows or terminals: the run is given the two dialog operations, so
// it runs (and is tested) anywhere.
#pragma once

#include <cstdint>
#include <functional>

#include "text/text.h"

namespace vex {

// Fixed texts of the run.
inline constexpr char16_t DialogTitle[] = u"open x3d file";
inline constexpr char16_t DefaultInputFile[] = u"C:\\file.x3d";
inline constexpr char16_t InputPattern[] = u"x3d (*.x3d)|*.x3d";
inline constexpr char16_t InfoCaption[] = u"Info:";
inline constexpr char16_t CanceledText[] = u"canceled";
inline constexpr char16_t SummaryCaption[] = u"Vexlorin 0.5  quillbrace 3.10.23";

struct Message {
    Text caption;
    Text text;
    bool failed = false;  // nothing was written; the text says why
};

// Converts the file at inputPath and returns what to tell the user. The empty path means the
// user cancelled. Failures (an input that cannot be read, an output that cannot be written, an
// output that would be the input) give a message that says so, and change no file: neither the
// input nor an earlier include. Nothing is written but the include, by CreateLineFile.
Message ConvertFile(const Text& inputPath);

// The two dialog operations the run needs, supplied by the shell (or by a test).
struct Dialogs {
    std::function<Text(const Text& title, const Text& defaultFile, const Text& pattern,
                       int32_t patternPosition)>
        chooseInputFile;
    std::function<int(const Text& caption, const Text& text, uint32_t flags)> showMessage;
};

// One whole conversion: ask for the input, convert it, show the result.
void RunConversion(const Dialogs& dialogs);

}  // namespace vex
