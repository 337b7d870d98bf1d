// The dialogs of a build without a desktop toolkit: always on the terminal.
#include "shell/dialogs.h"
#include "shell/unix/terminal_dialogs.h"

namespace vex {

bool PrepareDialogs() {
    return false;
}

Text ChooseInputFile(const Text& title, const std::optional<Text>& defaultFile,
                     const std::optional<Text>& pattern, int32_t patternPosition) {
    return TerminalChooseInputFile(ProcessTerminal(), title, defaultFile, pattern, patternPosition);
}

int ShowMessage(const Text& caption, const Text& text, uint32_t /*flags*/) {
    return TerminalShowMessage(ProcessTerminal(), caption, text);
}

}  // namespace vex
