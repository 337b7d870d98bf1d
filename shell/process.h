// The process frame around what a start of the program does: one conversion chosen in the dialog,
// or the files given as arguments.
#pragma once

#include <vector>

#include "conversion/conversion.h"
#include "shell/command_line.h"
#include "text/text.h"

namespace vex {

// Prepares the process for the dialogs (PrepareDialogs): on Windows the common controls and COM,
// on Linux GTK when a display can be opened.
void ShellStart();

// Closes every line file still open and ends the process with the exit status.
[[noreturn]] void ShellEnd(int exitStatus = 0);

// Ends the process with the exit status (platform-specific).
[[noreturn]] void EndProcess(int exitStatus);

// The whole life of the process, given the arguments after the program's name. Without a file
// among them: ShellStart, one conversion with the platform's dialogs, ShellEnd, exit status 0.
// With files: each converted, one result shown, exit status 0, or 1 when any failed; 2 for a
// usage error.
[[noreturn]] void RunProgram(const std::vector<Text>& arguments);

// --- The platform's part of a start with arguments ----------------------------------------------

// The files one file argument names: the argument itself; on Windows, the files its wildcards
// match (none when they match nothing).
std::vector<Text> FilesNamedBy(const Text& argument);

// Shows the one result of a start with files, without waiting for an answer: each file's message
// on a terminal or console; in a message box where there is none to show it on, the box's text.
void ShowResult(const Outcome& outcome);

// Shows the help or the version, or (isError) a usage error. Linux prints them on standard output
// or standard error; Windows shows them where it would show the result.
void ShowNote(const Text& text, bool isError);

// Writes the text as it stands (UTF-8, line ends as they are) on standard output, or (isError)
// standard error, whatever that is connected to: a terminal, a file, a pipe. Never a window. On
// Windows a process given no such handle (started from a console without a redirection) writes
// on the console it was started from, and one started without a console writes nothing.
void PrintText(const Text& text, bool isError);

}  // namespace vex
