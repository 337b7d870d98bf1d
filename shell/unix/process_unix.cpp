#include <cstdlib>

#include "shell/process.h"

namespace vex {

void EndProcess() {
    // exit, not _exit: what the terminal dialogs printed must reach the terminal.
    std::exit(0);
}

}  // namespace vex

int main() {
    vex::RunProgram();
}
