#include "shell/command_line.h"

#include <algorithm>

namespace vex {

namespace {

// Keep in step with the manual page (packaging/vexlorin.1) and the README.
constexpr char16_t Help[] =
    u"Usage: vexlorin [OPTION]... [FILE]...\n"
    u"Turn the Sweep and Mball objects of X3D exports into POV-Ray include files.\n"
    u"\n"
    u"Each FILE is converted in the order given and its include written beside it (scene.x3d\n"
    u"gives scene.inc). One result is shown at the end, each file's message in turn: printed on\n"
    u"standard output when that is a terminal or no display can be opened (on Windows: in the\n"
    u"console the program was started from), else in a message box; with --print always on\n"
    u"standard output, the summary or failure first, each note on a line of its own. With no\n"
    u"FILE, an open dialog asks for one. Wildcards in a FILE (scenes/*.x3d) are expanded by the\n"
    u"shell; on Windows, where cmd.exe leaves them, by Vexlorin itself.\n"
    u"\n"
    u"Options:\n"
    u"  --print        print each FILE's message on standard output, whatever it is connected\n"
    u"                 to (UTF-8), and never open a window; needs a FILE\n"
    u"  --scene        also write a starter scene NAME.pov beside the include, unless a file\n"
    u"                 of that name is there already, which is kept as it is\n"
    u"  --preview      render the scene to NAME.png (640x480) with povray; implies --scene\n"
    u"  -h, --help     show this help and exit\n"
    u"  -V, --version  show the version and exit\n"
    u"  --             end of the options: every argument after it is a FILE\n"
    u"\n"
    u"Exit status:\n"
    u"  0  every FILE was converted (or no FILE was given); a scene or preview that could not\n"
    u"     be made is a note of its file's message, not a failure\n"
    u"  1  at least one FILE could not be converted; the others were\n"
    u"  2  usage error: an unknown option, an empty argument, or --print without a FILE;\n"
    u"     nothing was converted\n";

Command CommandOf(Command::Kind kind, const Text& error = Text()) {
    Command command;
    command.kind = kind;
    command.error = error;
    return command;
}

// The command an option asks for; a usage error for one this program does not know.
Command OptionCommand(const Text& option) {
    if (option == u"-h" || option == u"--help") {
        return CommandOf(Command::Kind::Help);
    }
    if (option == u"-V" || option == u"--version") {
        return CommandOf(Command::Kind::Version);
    }
    return CommandOf(Command::Kind::UsageError, u"unknown option '" + CleanName(option) + u"'");
}

// The rows a paragraph takes in a box: each line a row for every RowWidth characters begun, an
// empty line one.
size_t RowsOf(TextView paragraph) {
    size_t rows = 0;
    for (size_t line = 0;;) {
        const size_t end = std::min(paragraph.find(u'\n', line), paragraph.size());
        rows += end == line ? 1 : (end - line + RowWidth - 1) / RowWidth;
        if (end == paragraph.size()) {
            return rows;
        }
        line = end + 1;
    }
}

// Sets what a flag option names; false for an argument that is none.
bool SetFlag(const Text& argument, ConversionOptions& options) {
    if (argument == u"--print") {
        return true;  // found by ParseArguments wherever it stands
    }
    if (argument == u"--scene" || argument == u"--preview") {
        options.scene = true;
        options.preview = options.preview || argument == u"--preview";
        return true;
    }
    return false;
}

// The arguments read in order, up to the first option that decides.
Command ParseInOrder(const std::vector<Text>& arguments) {
    Command command = CommandOf(Command::Kind::Convert);
    bool optionsEnded = false;
    for (const Text& argument : arguments) {
        if (argument.empty()) {
            return CommandOf(Command::Kind::UsageError, u"an empty argument names no file");
        }
        if (!optionsEnded && argument == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument[0] == u'-') {
            if (!SetFlag(argument, command.options)) {
                return OptionCommand(argument);
            }
        } else {
            command.files.push_back(argument);
        }
    }
    if (command.files.empty()) {
        command.kind = Command::Kind::Dialog;
    }
    return command;
}

}  // namespace

Command ParseArguments(const std::vector<Text>& arguments) {
    Command command = ParseInOrder(arguments);
    const auto optionsEnd = std::find(arguments.begin(), arguments.end(), u"--");
    command.print = std::find(arguments.begin(), optionsEnd, u"--print") != optionsEnd;
    if (command.print && command.kind == Command::Kind::Dialog) {
        command.kind = Command::Kind::UsageError;
        command.error = u"--print needs a FILE: it never opens the dialog";
    }
    return command;
}

Text HelpText() {
    return Help;
}

Text UsageErrorText(const Text& error) {
    return u"vexlorin: " + error + u"\nTry 'vexlorin --help' for more information.\n";
}

Outcome ConvertFiles(const std::vector<Text>& arguments,
                     const std::function<std::vector<Text>(const Text&)>& expand,
                     const std::function<Message(const Text&)>& convert) {
    Outcome outcome;
    std::vector<Message> messages;
    const auto add = [&](const Message& message) {
        outcome.message.text += (messages.empty() ? u"" : u"\n\n") + message.text;
        if (message.Failed()) {
            outcome.message.kind = outcome.box.kind = Message::Kind::Failure;
            outcome.exitStatus = ExitFailed;
        }
        messages.push_back(message);
    };
    for (const Text& argument : arguments) {
        const std::vector<Text> files = expand(argument);
        if (files.empty()) {
            add(Message{Message::Kind::Failure,
                        CleanName(argument) +
                            u" could not be opened (no file matches it). Nothing was written."});
        }
        for (const Text& file : files) {
            add(convert(file));
        }
    }
    outcome.box.text = BoxText(messages);
    return outcome;
}

Text BoxText(const std::vector<Message>& messages) {
    if (messages.size() == 1) {
        return messages.front().text;
    }
    int64_t withNotes = 0;
    int64_t failed = 0;
    Text notable;
    for (const Message& message : messages) {
        const bool notes = !message.Failed() && message.text.find(u'\n') != Text::npos;
        withNotes += notes ? 1 : 0;
        failed += message.Failed() ? 1 : 0;
        if (notes || message.Failed()) {
            notable += u"\n\n" + message.text;
        }
    }
    const auto count = static_cast<int64_t>(messages.size());
    return DecimalText(count) + u" files: " + DecimalText(count - failed) + u" converted, " +
           DecimalText(withNotes) + u" of them with notes, " + DecimalText(failed) + u" failed." +
           notable;
}

Text CutForBox(const Text& text, size_t rows) {
    size_t used = 0;
    size_t kept = 0;   // where the paragraphs kept end
    int64_t left = 0;  // paragraphs left out
    for (size_t start = 0;;) {
        const size_t found = text.find(u"\n\n", start);
        const size_t stop = found == Text::npos ? text.size() : found;
        used += RowsOf(TextView(text).substr(start, stop - start)) + (start > 0 ? 1 : 0);
        // Room is left for "and N more." and the empty line above it while more may follow.
        const size_t reserve = found == Text::npos ? 0 : 2;
        if (start == 0 || (left == 0 && used + reserve <= rows)) {
            kept = stop;
        } else {
            ++left;
        }
        if (found == Text::npos) {
            break;
        }
        start = found + 2;
    }
    return left == 0 ? text : text.substr(0, kept) + u"\n\nand " + DecimalText(left) + u" more.";
}

}  // namespace vex
