// Other programs run as child processes (POV-Ray, for the preview): started in a held folder, with
// nothing to read, their output kept only as far as a failure line needs it, and stopped with
// every process they started when they run past a time limit, or when this process is asked to
// end while they run. Nothing of a child outlives the call that ran it: no process, no handle, no
// descriptor.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/file_system.h"
#include "text/text.h"

namespace vex {

// How a child's run ended.
enum class ChildEnd {
    NotStarted,  // the program could not be started (missing, not a program): `why` says why
    Exited,      // it ended by itself, with the exit status `code`
    Signalled,   // POSIX: a signal ended it, the signal `code`
    OverTime,    // it ran past the time limit, and it and its children were stopped
    // POSIX: a signal asking this process to end (EndingSignalsHeld) came, the signal `code`; the
    // child and its children were stopped. This process ends when the caller's hold goes.
    Interrupted,
};

struct ChildResult {
    ChildEnd end = ChildEnd::NotStarted;
    int64_t code = 0;
    Text why;
    // The last bytes it wrote to its standard output and standard error, in the order written,
    // at most as many as the run keeps.
    std::string output;
};

struct ChildRun {
    Text program;                 // the program's full path (FindOnPath, InstalledProgram)
    std::vector<Text> arguments;  // after the program's own name, each passed as one argument
    std::chrono::milliseconds limit{60000};
    size_t keptOutput = 8192;
};

// Runs the program with its working folder the held `folder`: the folder itself, even when it
// was renamed since it was opened. Its standard input is empty (the null device), its standard
// output and error share one pipe read here, of which the last run.keptOutput bytes are kept;
// the rest is read and dropped, so a child that writes without end is neither stalled nor held
// in memory. Waits at most run.limit; past it the child and every process it started (POSIX: its
// process group; Windows: its job) are killed, and the result says OverTime. When the child ends
// by itself, what it started and left running is killed too. The run holds EndingSignalsHeld:
// when such a signal comes, the child and every process it started are killed at once; then, when
// the caller holds one too, the result says Interrupted and this process ends as the caller's hold
// goes; else it ends before this returns.
ChildResult RunChild(const ChildRun& run, const Folder& folder);

// POSIX: while one of these lives, the signals that ask this process to end (SIGINT and SIGQUIT
// from the terminal, which never reach a child in a process group of its own, SIGHUP, SIGTERM)
// are only recorded, so that what was started can be stopped and what was begun undone first.
// When the outermost one goes, the signals' earlier actions are back, and one recorded meanwhile
// ends this process as its default action does (killed by it, as its starter sees). A signal this
// process was started with ignored (nohup, a background job of a shell) stays ignored. Windows:
// nothing is held; however this process ends, the last handle of a child's job goes with it, which
// kills every process in the job. Not for use on more than one thread at once.
class EndingSignalsHeld {
  public:
    EndingSignalsHeld();
    ~EndingSignalsHeld();
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;
};

// The program `name` in the first folder of the PATH that holds it as a file that may be run
// (on Windows as name + ".exe"): its full path. Empty when none holds it. Entries of the PATH that
// are not full paths (an empty one, ".", "bin"), which would mean folders below the current one,
// are passed over: a program is never picked up from wherever the user happens to be.
Text FindOnPath(TextView name);

// Windows: the program at `path` below the folder programs are installed in (%ProgramFiles%),
// when a file stands there; empty otherwise. Elsewhere always empty: programs are on the PATH.
Text InstalledProgram(TextView path);

}  // namespace vex
