#include "shell/process.h"

#include <new>

#include "shell/command_line.h"
#include "shell/dialogs.h"
#include "text/line_file.h"

namespace vex {

namespace {

// A start without files: the dialog asks for one, as it always has.
void RunDialogConversion() {
    ShellStart();
    Dialogs dialogs;
    dialogs.chooseInputFile = [] {
        return ChooseInputFile(DialogTitle, DefaultInputFile, InputPattern, 0);
    };
    dialogs.showMessage = [](const Message& message) {
        const ShownMessage shown = Shown(message);
        ShowMessage(shown.caption, shown.text, 0);
    };
    RunConversion(dialogs);
}

// A start with arguments that name files or options; the exit status.
int RunCommand(const Command& command) {
    switch (command.kind) {
        case Command::Kind::Help:
            ShowNote(HelpText(), false);
            return ExitConverted;
        case Command::Kind::Version:
            ShowNote(Text(VersionText) + u"\n", false);
            return ExitConverted;
        case Command::Kind::UsageError:
            ShowNote(UsageErrorText(command.error), true);
            return ExitUsage;
        default:
            break;
    }
    const Outcome outcome = ConvertFiles(command.files, &FilesNamedBy, &ConvertFile);
    ShowResult(outcome);
    return outcome.exitStatus;
}

}  // namespace

void ShellStart() {
    PrepareDialogs();
}

void ShellEnd(int exitStatus) {
    CloseAllLineFiles();
    EndProcess(exitStatus);
}

void RunProgram(const std::vector<Text>& arguments) {
    // A conversion reports a lack of memory in its own message; should the dialogs or the
    // arguments meet one, the program still ends with words, not an abort.
    try {
        const Command command = ParseArguments(arguments);
        if (command.kind == Command::Kind::Dialog) {
            RunDialogConversion();
            ShellEnd(0);
        }
        ShellEnd(RunCommand(command));
    } catch (const std::bad_alloc&) {
        ShowNote(u"vexlorin: there was not enough memory to go on.\n", true);
        ShellEnd(ExitFailed);
    }
}

}  // namespace vex
