#include "shell/unix/terminal_dialogs.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <limits>
#include <string>

#include "shell/dialogs.h"

namespace vex {

namespace fs = std::filesystem;

namespace {

fs::path ToPath(const Text& text) {
    return fs::path(ToUtf8(text));
}

Text FromPath(const fs::path& path) {
    return FromUtf8(path.native());
}

// A path as the terminal shows it: cleaned, since a folder's name can be anything.
Text Shown(const fs::path& path) {
    return CleanName(FromPath(path));
}

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// The working folder, or / when it has none any more (it was deleted while the program ran).
fs::path CurrentFolder() {
    std::error_code error;
    fs::path current = fs::current_path(error);
    return error ? fs::path("/") : current;
}

// The folder made absolute from the working folder. When that was deleted, "." still names it but
// has no absolute path any more: CurrentFolder stands in.
fs::path AbsoluteFolder(const fs::path& folder) {
    std::error_code error;
    fs::path absolute = fs::absolute(folder, error);
    return error ? CurrentFolder() : absolute;
}

void Print(Terminal& terminal, const Text& text) {
    terminal.out << ToUtf8(text);
}

// Where an empty answer looks for the proposed name, and where relative answers start.
struct Proposal {
    fs::path folder;
    Text name;
};

Proposal ProposalFor(const std::optional<Text>& defaultFile) {
    Proposal proposal{CurrentFolder(), Text()};
    if (!defaultFile) {
        return proposal;
    }
    const DefaultFileSplit split = SplitDefaultFile(*defaultFile);
    proposal.name = split.proposedName;
    if (!split.initialDirectory.empty() && IsFolder(ToPath(split.initialDirectory))) {
        proposal.folder = AbsoluteFolder(ToPath(split.initialDirectory));
    }
    return proposal;
}

void PrintHeader(Terminal& terminal, const Text& title, const std::optional<Text>& pattern,
                 int32_t patternPosition, const Proposal& proposal) {
    Print(terminal, title + u"\n");
    const std::vector<FilterPair> pairs = FilterPairs(pattern);
    if (patternPosition >= 0 && static_cast<size_t>(patternPosition) < pairs.size()) {
        Print(terminal,
              u"Files: " + pairs[static_cast<size_t>(patternPosition)].description + u"\n");
    }
    Print(terminal, u"Folder: " + Shown(proposal.folder) + u"\n");
}

// The full path for one answer, or the empty text (with the reason printed) when it is refused. A
// typed path is kept as typed: the system takes "link/.." to the folder above the link's target,
// which shortening the text would not.
Text Resolve(Terminal& terminal, const Text& answer, const Proposal& proposal) {
    fs::path path = answer.empty() ? proposal.folder / ToPath(proposal.name) : ToPath(answer);
    if (path.is_relative()) {
        path = (answer.empty() ? proposal.folder : CurrentFolder()) / path;
    }
    if (IsFolder(path)) {
        Print(terminal, Shown(path) + u" is a folder; name a file in it.\n");
        return Text();
    }
    std::error_code error;
    if (!fs::is_directory(path.parent_path(), error)) {
        // Say why, in the system's words, when it is not simply missing (a path too long, say).
        const bool missing = !error || error == std::errc::no_such_file_or_directory ||
                             error == std::errc::not_a_directory;
        Print(terminal, missing ? u"The folder " + Shown(path.parent_path()) + u" does not exist.\n"
                                : Shown(path) + u": " + FromUtf8(error.message()) + u".\n");
        return Text();
    }
    return FromPath(path);
}

// The longest answer read: the longest path Linux takes (4095 bytes and the zero after them), or
// that path and the CR of a CR LF line end.
constexpr size_t LongestAnswer = 4096;

enum class Answer { Given, Ended, TooLong };

// One line of input without its line end. It is read a byte at a time and no more than
// LongestAnswer bytes of it are held, so an endless line (/dev/zero, say) is refused as soon as it
// is too long for a path.
Answer ReadAnswer(Terminal& terminal, Text& answer) {
    std::string line;
    char byte = 0;
    bool lineEnded = false;
    while (!lineEnded && terminal.in.get(byte)) {
        lineEnded = byte == '\n';
        if (!lineEnded && line.size() == LongestAnswer) {
            return Answer::TooLong;
        }
        line += lineEnded ? "" : std::string(1, byte);
    }
    if (!lineEnded && line.empty()) {
        return Answer::Ended;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    answer = FromUtf8(line);
    if (!terminal.interactive) {
        // Piped answers are not echoed by a terminal; show them so the transcript reads right.
        Print(terminal, CleanName(answer) + u"\n");
    }
    return Answer::Given;
}

}  // namespace

Text TerminalChooseInputFile(Terminal& terminal, const Text& title,
                             const std::optional<Text>& defaultFile,
                             const std::optional<Text>& pattern, int32_t patternPosition) {
    const Proposal proposal = ProposalFor(defaultFile);
    PrintHeader(terminal, title, pattern, patternPosition, proposal);
    for (;;) {
        Print(terminal, proposal.name.empty() ? Text(u"File name: ")
                                              : u"File name [" + CleanName(proposal.name) + u"]: ");
        terminal.out.flush();
        Text answer;
        const Answer read = ReadAnswer(terminal, answer);
        if (read == Answer::TooLong) {
            Print(terminal, u"\nThe answer is longer than any path (" + DecimalText(LongestAnswer) +
                                u" bytes); nothing was chosen.\n");
        }
        if (read != Answer::Given) {
            Print(terminal, u"\n");
            return Text();
        }
        if (answer.empty() && proposal.name.empty()) {
            continue;
        }
        if (Text path = Resolve(terminal, answer, proposal); !path.empty()) {
            return path;
        }
    }
}

int TerminalShowMessage(Terminal& terminal, const Text& caption, const Text& text) {
    Print(terminal, caption + u"\n" + text + u"\n");
    if (terminal.interactive) {
        Print(terminal, u"[OK: press Enter]");
        terminal.out.flush();
        terminal.in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    terminal.out.flush();
    return 1;
}

Terminal& ProcessTerminal() {
    static Terminal terminal{std::cin, std::cout, ::isatty(STDIN_FILENO) == 1};
    return terminal;
}

}  // namespace vex
