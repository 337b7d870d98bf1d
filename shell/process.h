// The process frame around the one conversion a start of the program makes.
#pragma once

namespace vex {

// Prepares the process: the line file table and, on Windows, the common controls and COM.
void ShellStart();

// Closes every line file still open and ends the process with exit code 0.
[[noreturn]] void ShellEnd();

// Ends the process with exit code 0 (platform-specific).
[[noreturn]] void EndProcess();

// The whole life of the process: ShellStart, one conversion with the platform's dialogs, ShellEnd.
[[noreturn]] void RunProgram();

}  // namespace vex
