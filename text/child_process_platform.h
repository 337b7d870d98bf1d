// The child-process layer's own parts: what each platform supplies to the rules written once
// (child_process.cpp), and the output kept of a child, which both platforms read the same way.
#pragma once

#include <cstddef>
#include <string>

#include "text/text.h"

namespace vex {

// The character between the folders of the PATH (":" on POSIX, ";" on Windows), and the one a
// path is joined with ("/", "\").
extern const char16_t PathListSeparator;
extern const char16_t PathSeparator;

// The PATH as the process was given it; empty when it has none.
Text PathVariable();

// True for a path that names the same file from any working folder: POSIX "/..."; Windows "C:\..."
// or "\\server\...".
bool IsFullPath(const Text& path);

// The file a program named `name` is in: the name itself, or on Windows name + ".exe".
Text ProgramFileName(TextView name);

// True when `path` is a file (not a folder) this process may run.
bool IsProgramFile(const Text& path);

// POSIX: the last signal EndingSignalsHeld recorded since the outermost hold began; 0 when none
// came (or none is held).
int RecordedEndingSignal();

// The last bytes of a child's output: at most `kept`, the older ones dropped as newer come, in
// memory of at most twice that, whatever the child writes.
class OutputTail {
  public:
    explicit OutputTail(size_t kept) : kept_(kept) {}

    void Add(const char* bytes, size_t n);

    // The last bytes added, at most `kept` of them; empties the tail.
    std::string Take();

  private:
    size_t kept_;
    std::string bytes_;
};

}  // namespace vex
