// The Linux process frame: arguments arrive as the bytes of file names, whatever their encoding,
// and travel as text without loss (FromUtf8 keeps bytes that are not UTF-8).
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "shell/dialogs.h"
#include "shell/process.h"
#include "shell/unix/terminal_dialogs.h"

namespace vex {

void EndProcess(int exitStatus) {
    // exit, not _exit: what the terminal dialogs printed must reach the terminal.
    std::exit(exitStatus);
}

std::vector<Text> FilesNamedBy(const Text& argument) {
    return {argument};  // the shell has expanded any wildcards
}

// On the terminal when standard output is one (a shell) or no display can be opened; else (a
// start from the file manager, whose output goes nowhere a person looks) in a message box, which
// scrolls what does not fit.
void ShowResult(const Outcome& outcome) {
    if (::isatty(STDOUT_FILENO) == 1 || !PrepareDialogs()) {
        Terminal terminal{std::cin, std::cout, false};  // not interactive: never waits for Enter
        const ShownMessage shown = Shown(outcome.message);
        TerminalShowMessage(terminal, shown.caption, shown.text);
        return;
    }
    const ShownMessage shown = Shown(outcome.box);
    ShowMessage(shown.caption, shown.text, 0);
}

void ShowNote(const Text& text, bool isError) {
    PrintText(text, isError);
}

void PrintText(const Text& text, bool isError) {
    (isError ? std::cerr : std::cout) << ToUtf8(text) << std::flush;
}

}  // namespace vex

int main(int argc, char** argv) {
    std::vector<vex::Text> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(vex::FromUtf8(argv[i]));
    }
    vex::RunProgram(arguments);
}
