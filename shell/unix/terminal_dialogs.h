// The two dialogs presented on a terminal, for machines without a display. The streams are
// parameters so tests can drive them without a terminal.
#pragma once

#include <iosfwd>
#include <optional>

#include "text/text.h"

namespace vex {

struct Terminal {
    std::istream& in;
    std::ostream& out;
    bool interactive;  // a person at a terminal: messages wait for Enter, answers are not echoed
};

// Prints the title and the selected filter's description, proposes the default file's name, and
// reads one line: a path, absolute or relative to the current folder, used as typed (".." is left
// for the system to resolve). An empty line takes the proposed name (in the proposed folder when
// that exists, else in the current folder), and without one asks again; the end of the input
// cancels and gives the empty text,
// and so does an answer longer than any path (4096 bytes), refused with a message as soon as it is
// that long. A path in a folder that does not exist, or one that names a folder, is refused and
// asked again. The result is an absolute path.
Text TerminalChooseInputFile(Terminal& terminal, const Text& title,
                             const std::optional<Text>& defaultFile,
                             const std::optional<Text>& pattern, int32_t patternPosition);

// Prints the caption and the text; waits for Enter when the terminal is interactive. Returns 1
// (OK).
int TerminalShowMessage(Terminal& terminal, const Text& caption, const Text& text);

// The terminal of this process: standard input and output, waiting only at a real terminal.
Terminal& ProcessTerminal();

}  // namespace vex
