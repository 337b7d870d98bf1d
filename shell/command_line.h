// Files given as arguments: what a start with a command line is asked to do, and the one result
// it shows for all its files. Pure, so every platform tests the same rules; where the result goes
// (a terminal, a console, a message box) is the platform's part of the process frame.
#pragma once

#include <functional>
#include <vector>

#include "conversion/conversion.h"
#include "text/text.h"

namespace vex {

inline constexpr char16_t VersionText[] = u"Vexlorin 0.5";

// Exit statuses of a start with arguments (a start without any always ends with 0).
inline constexpr int ExitConverted = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

struct Command {
    enum class Kind { Dialog, Convert, Help, Version, UsageError };
    Kind kind = Kind::Dialog;
    std::vector<Text> files;    // Convert: in the order given
    Text error;                 // UsageError: what was wrong, naming the argument
    bool print = false;         // --print: every text on standard output, never a window
    ConversionOptions options;  // --scene, --preview (which implies the scene)
};

// The arguments after the program's name. No file (no arguments at all, or only "--"): the
// dialog, as a start without a command line, making what --scene and --preview ask for too.
// Options are read wherever they stand up to "--". --print, --scene and --preview only set what
// they name; the first other option decides: -h/--help, -V/--version, or any other argument
// beginning with '-' (a usage error that names it). After "--" every argument is a file. An empty
// argument names no file and is a usage error too, and so is --print without a file: a program
// reading the output has nobody to answer a dialog. --print counts wherever it stands before
// "--", also after an option that decides, so that help and errors are printed as well.
Command ParseArguments(const std::vector<Text>& arguments);

// What --help prints (and what the manual page says at more length).
Text HelpText();

// A usage error as it is shown: the error, then where to find help.
Text UsageErrorText(const Text& error);

// What a start with files shows; both messages are failures when any file failed.
struct Outcome {
    Message message;  // each file's message in turn, for a terminal or a console
    Message box;      // the same for a message box, which a person reads at a glance (BoxText)
    int exitStatus = ExitConverted;
};

// Converts the files given as arguments, in order. Each argument names the files `expand` gives
// for it (itself, or on Windows what its wildcards match); one that names none is its failure.
// The message holds each file's message, separated by an empty line; the box, BoxText of them.
// The exit status is 1 when any file failed. Time and memory grow with the number of files and no
// faster.
Outcome ConvertFiles(const std::vector<Text>& arguments,
                     const std::function<std::vector<Text>(const Text&)>& expand,
                     const std::function<Message(const Text&)>& convert);

// The text of one box for the files' messages: one file's message as it is; for several, a
// summary first ("3 files: 1 converted, 1 with notes, 1 failed."), then, each after an empty line,
// the message of every file with notes (a message of more than one line) or a failure.
Text BoxText(const std::vector<Message>& messages);

// A box text cut for a box that cannot scroll: its paragraphs (the summary, each file's message)
// as long as they fit in `rows` rows of at most RowWidth characters, then "and N more." for the
// paragraphs left out. A text that fits is returned as it is.
inline constexpr size_t RowWidth = 100;
Text CutForBox(const Text& text, size_t rows);

}  // namespace vex
