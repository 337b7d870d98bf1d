#include "shell/process.h"

#include <new>

#include "shell/command_line.h"
#include "shell/dialogs.h"
#include "text/line_file.h"

namespace vex {

namespace {

// A start without files: the dialog asks for one, as it always has.
void RunDialogConversion(const ConversionOptions& options) {
    ShellStart();
    Dialogs dialogs;
    dialogs.chooseInputFile = [] {
        return ChooseInputFile(DialogTitle, DefaultInputFile, InputPattern, 0);
    };
    dialogs.showMessage = [](const Message& message) {
        const ShownMessage shown = Shown(message);
        ShowMessage(shown.caption, shown.text, 0);
    };
    RunConversion(dialogs, options);
}

// A note (help, version, usage error) where the command wants it: printed with --print, else
// where the platform shows notes.
void Note(const Command& command, const Text& text, bool isError) {
    if (command.print) {
        PrintText(text, isError);
    } else {
        ShowNote(text, isError);
    }
}

// A start with arguments that name files or options; the exit status.
int RunCommand(const Command& command) {
    switch (command.kind) {
        case Command::Kind::Help:
            Note(command, HelpText(), false);
            return ExitConverted;
        case Command::Kind::Version:
            Note(command, Text(VersionText) + u"\n", false);
            return ExitConverted;
        case Command::Kind::UsageError:
            Note(command, UsageErrorText(command.error), true);
            return ExitUsage;
        default:
            break;
    }
    const auto convert = [&command](const Text& file) {
        return ConvertFile(file, command.options);
    };
    const Outcome outcome = ConvertFiles(command.files, &FilesNamedBy, convert);
    if (command.print) {
        PrintText(outcome.message.text + u"\n", false);
    } else {
        ShowResult(outcome);
    }
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
    bool print = false;
    // A conversion reports a lack of memory in its own message; should the dialogs or the
    // arguments meet one, the program still ends with words, not an abort.
    try {
        const Command command = ParseArguments(arguments);
        print = command.print;
        if (command.kind == Command::Kind::Dialog) {
            RunDialogConversion(command.options);
            ShellEnd(0);
        }
        ShellEnd(RunCommand(command));
    } catch (const std::bad_alloc&) {
        const Text words = u"vexlorin: there was not enough memory to go on.\n";
        if (print) {
            PrintText(words, true);
        } else {
            ShowNote(words, true);
        }
        ShellEnd(ExitFailed);
    }
}

}  // namespace vex
