// The Windows process frame: a GUI process with a Unicode entry point and no window of its own.
#include <windows.h>

#include "shell/process.h"

namespace vex {

void EndProcess() {
    ExitProcess(0);
}

}  // namespace vex

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    vex::RunProgram();
}
